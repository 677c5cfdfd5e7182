#!/usr/bin/env bash
# Builds the program and its tests with gcc's coverage counters (in build-coverage, or
# BRW_COVERAGE_DIR), runs the test suite there and prints line and branch coverage per folder of
# src/. Arguments go to ctest: `scripts/coverage.sh -LE e2e` leaves out the end-to-end tests.
# A tool for finding branches that no test reaches, not a gate: it fails only when it cannot
# measure. The per-file figures land in build-coverage/coverage.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh gcovr
build=${BRW_COVERAGE_DIR:-build-coverage}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ \
      -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage \
      -DBRW_BUILD_BENCH=OFF -DBRW_SANITIZE=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" --parallel "${BRW_JOBS:-$(nproc)}"
find "$build" -name '*.gcda' -delete
# A failing test still leaves its counts: the figures are printed either way.
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --timeout 600 -j "${BRW_JOBS:-$(nproc)}" "$@") ||
    echo "coverage.sh: some tests failed; the figures below still count what ran" >&2
# The compiler check's own object in CMakeFiles has no source left to read.
gcovr --root . --object-directory "$build" --filter 'src/' --exclude-directories "$build/CMakeFiles" \
      --exclude-throw-branches --exclude-unreachable-branches \
      --txt "$build/coverage.txt" --json-summary "$build/coverage.json" >/dev/null
python3 - "$build/coverage.json" <<'PY'
import collections, json, sys
totals = collections.defaultdict(lambda: [0, 0, 0, 0])
for entry in json.load(open(sys.argv[1]))["files"]:
    parts = entry["filename"].split("/")
    for folder in ("/".join(parts[:2]), "all"):
        row = totals[folder]
        row[0] += entry["line_covered"]; row[1] += entry["line_total"]
        row[2] += entry["branch_covered"]; row[3] += entry["branch_total"]
percent = lambda done, of: f"{100.0 * done / of:5.1f}%" if of else "    -"
print(f"{'folder':<14}{'lines':>8}{'of':>8}{'branches':>10}{'of':>8}")
for folder in sorted(totals, key=lambda name: (name == "all", name)):
    lines, all_lines, branches, all_branches = totals[folder]
    print(f"{folder:<14}{percent(lines, all_lines):>8}{all_lines:>8}"
          f"{percent(branches, all_branches):>10}{all_branches:>8}")
PY
