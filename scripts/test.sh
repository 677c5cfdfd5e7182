#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite headless, ending with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh "$@"
export QT_QPA_PLATFORM=offscreen
cd "${BRW_BUILD_DIR:-build}"
ctest --output-on-failure --timeout 600 -j "$(nproc)"
