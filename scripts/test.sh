#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite headless: a bounded fuzzing run of the tree reader
# (scripts/fuzz.sh; BRW_FUZZ_SECONDS=0 skips it), then CTest, whose summary ends the output.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh "$@"
fuzz_status=0
scripts/fuzz.sh || fuzz_status=$?
export QT_QPA_PLATFORM=offscreen
cd "${BRW_BUILD_DIR:-build}"
ctest --output-on-failure --timeout 600 -j "$(nproc)"
exit "$fuzz_status"
