#!/usr/bin/env bash
# The command line: export reproduces ordinary files byte for byte, reports what would be boxes on
# standard error, and answers with the documented exit statuses.
set -u
brw=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset QT_QPA_PLATFORM # the program chooses the offscreen platform itself
failures=0
check() { # description, then the command; the command's status decides
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

for reference in "$data"/reference/*.brw; do
    name=$(basename "$reference")
    [ "$name" = structure.brw ] && continue
    "$brw" --export brw "$reference" "$work/$name" 2>"$work/err"
    status=$?
    check "export $name exits 0" test "$status" -eq 0
    check "export $name is byte for byte" cmp -s "$reference" "$work/$name"
    check "export $name says nothing" test ! -s "$work/err"
done

"$brw" --export structure "$data/reference/basic.brw" "$work/structure.brw" 2>/dev/null
check "structure export has only header lines" \
    bash -c "! grep -av '^<!--' '$work/structure.brw' | grep -q ."

"$brw" --export brw "$data/input/broken_links.brw" "$work/broken.brw" 2>"$work/err"
status=$?
check "a reported problem gives status 1" test "$status" -eq 1
check "the report is in the log form" grep -q '^!!!error!!!$' "$work/err"
check "the output is still written" test -s "$work/broken.brw"

"$brw" --export brw "$work/missing.brw" "$work/out.brw" 2>"$work/err"
status=$?
check "a missing input gives status 1" test "$status" -eq 1
check "a missing input is reported" grep -q "Cannot open file" "$work/err"
check "nothing is written for a missing input" test ! -e "$work/out.brw"

"$brw" --export brw "$data/reference/basic.brw" "$work/no/such/dir/out.brw" 2>/dev/null
check "an unwritable output gives status 1" test $? -eq 1

"$brw" --export html in out 2>/dev/null
check "an unknown format gives status 2" test $? -eq 2
"$brw" --bogus 2>/dev/null
check "an unknown option gives status 2" test $? -eq 2
check "--help exits 0" "$brw" --help
check "--version names the program" bash -c "'$brw' --version | grep -q '^brw '"

[ "$failures" -eq 0 ] && echo "cli: all checks passed" || echo "cli: $failures checks failed"
exit "$failures"
