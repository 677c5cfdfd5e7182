#!/usr/bin/env bash
# Rewrites tests/storage/reference/* from the current writer after a deliberate format change.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/build.sh
BRW_REGENERATE=1 QT_QPA_PLATFORM=offscreen build/tests/storage/tst_treefile referenceFiles
git status --short tests/storage/reference
