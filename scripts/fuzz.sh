#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ (or $BRW_FUZZ_BUILD_DIR) and runs the
# tree reader target on a copy of fuzz/corpus for $BRW_FUZZ_SECONDS (default 60; 0 skips).
# Exits non-zero on a crash, a hang, a leak or a failed check; the input that did it is kept in
# the build folder's artifacts/. Ends with a one-line summary.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${BRW_FUZZ_SECONDS:-60}
build_dir=${BRW_FUZZ_BUILD_DIR:-build-fuzz}
target=fuzz_treereader

if [ "$seconds" -le 0 ]; then
    echo "fuzz: skipped (BRW_FUZZ_SECONDS=$seconds)"
    exit 0
fi
if ! command -v clang++ >/dev/null; then
    echo "fuzz: clang++ is missing (scripts/setup.sh installs it)" >&2
    exit 1
fi

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DBRW_BUILD_FUZZ=ON -DBRW_BUILD_TESTS=OFF -DBRW_BUILD_BENCH=OFF >/dev/null
if ! cmake --build "$build_dir" --target "$target" --parallel "$(nproc)" >"$build_dir/build.log" 2>&1; then
    grep -E -A5 'error|FAILED' "$build_dir/build.log" | head -n 40 >&2
    echo "fuzz: $target does not build; log: $build_dir/build.log"
    exit 1
fi

# The seeds stay untouched: the fuzzer adds what it finds to a scratch copy.
work="$build_dir/fuzz-run"
rm -rf "$work"
mkdir -p "$work/corpus" "$build_dir/artifacts"
cp fuzz/corpus/* "$work/corpus/"

# Per-input leak checks scan the toolkit's whole heap and cut the rate twentyfold; the check at
# exit still covers the whole run. The outer timeout only guards against a stuck engine.
export QT_QPA_PLATFORM=offscreen
status=0
timeout -k 10 $((seconds + 300)) "$build_dir/fuzz/$target" \
    -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=20 \
    -detect_leaks=0 -print_final_stats=1 \
    -artifact_prefix="$build_dir/artifacts/" "$work/corpus" >"$work/log" 2>&1 || status=$?

final_stat() { sed -n "s/^stat::$1: *//p" "$work/log" | tail -1; }
runs=$(final_stat number_of_executed_units)
rate=$(final_stat average_exec_per_sec)
coverage=$(sed -n 's/.*\(DONE\|pulse\|NEW\|REDUCE\|INITED\) *cov: \([0-9]*\).*/\2/p' "$work/log" | tail -1)
inputs=$(find "$work/corpus" -type f | wc -l)
if [ "$status" -ne 0 ]; then
    tail -n 60 "$work/log" >&2
    artifact=$(sed -n "s/.*Test unit written to \(.*\)/\1/p" "$work/log" | tail -1)
    echo "fuzz: $target FAILED (exit $status) after ${runs:-?} runs${artifact:+; input: $artifact}; log: $work/log"
    exit 1
fi
echo "fuzz: $target ${seconds} s, ${runs:-?} runs (${rate:-?}/s), coverage ${coverage:-?}," \
     "corpus $inputs inputs, no findings"
