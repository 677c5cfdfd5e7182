#!/usr/bin/env bash
# brw --check-reminder: the log on standard output one entry a line, the exit statuses, and
# no display needed.
set -u
brw=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb # a platform that cannot start here: the check needs none
failures=0
check() { # description, expected status, expected standard output, then the arguments
    local what=$1 status=$2 expected=$3
    shift 3
    local output
    output=$("$brw" --check-reminder "$@" 2>"$work/err")
    local got=$?
    if [ "$got" = "$status" ] && [ "$output" = "$expected" ]; then
        echo "ok: $what"
    else
        echo "FAILED: $what (status $got, output: $output, errors: $(cat "$work/err"))"
        failures=$((failures + 1))
    fi
}
printf 'root\r\n<!--1-->__reminder\r\n8:00 "tea"\r\n-1:00 x\r\n<!--2-->more\r\n9:00 x\r\n' >"$work/errors.brw"
printf 'root\r\n<!--1-->__reminder\r\n8:00 "tea"\r\n' >"$work/clean.brw"
printf 'root\r\n<!--1-->other\r\n8:0\r\n' >"$work/none.brw"

check "errors, one a line, status 1" 1 $'Unknown task[1, 0]\nUnexpected simbol[2, 5]' \
    "$work/errors.brw"
check "no error: status 0, nothing printed" 0 "" "$work/clean.brw"
check "no reminder theme: status 0" 0 "" "$work/none.brw"
check "a missing file: status 2" 2 "" "$work/missing.brw"
check "a folder: status 2" 2 "" "$work"
check "the file is not optional" 2 ""
check "one file only" 2 "" "$work/clean.brw" "$work/none.brw"
grep -q "Cannot open file" <("$brw" --check-reminder "$work/missing.brw" 2>&1 >/dev/null) ||
    { echo "FAILED: the reason goes to standard error"; failures=$((failures + 1)); }
"$brw" --help | grep -q -- "--check-reminder FILE" ||
    { echo "FAILED: --help lists it"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] && echo "check-reminder: all checks passed" ||
    echo "check-reminder: $failures checks failed"
exit "$failures"
