#!/usr/bin/env bash
# Sets up, builds and starts the outliner; arguments are the tree files to open.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exec "${BRW_BUILD_DIR:-build}"/src/app/brw "$@"
