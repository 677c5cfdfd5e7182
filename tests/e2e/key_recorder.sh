#!/usr/bin/env bash
# Keys recorded in one run (a theme inserted, named, described, the tree saved) and played in a
# fresh run on another empty document: the two saved trees are the same, byte for byte.
# Usage: key_recorder.sh BRW CLOSE_REQUEST
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
CLOSE_REQUEST=$2

# run_recorder FILE KEY: the program on the empty document FILE, the recorder started with KEY
# on the file its dialog proposes (./events.txt).
run_recorder()
{
    printf '\r\n' >"$1"
    brw_start "$1"
    window=$(wait_window "BRW - $1") || exit 1
    keys "$window" "$2"
    answer_box "Open file(english names) - Открыть файл(ЛАТИНСКИЕ имена)" Return
    focus "$window"
}
wait_for() { for ((waited = 0; waited < 200; ++waited)); do "$@" && return; sleep 0.1; done; false; }

step "record; the first key plays at once, the pause after it lets the window take the focus"
run_recorder recorded.brw F6
keys "$window" shift && sleep 1
keys "$window" shift+Right && type_text "$window" "alpha" && keys "$window" Return Return
type_text "$window" "first words" && keys "$window" ctrl+s F6
wait_for grep -q "first words" recorded.brw || fail "not saved: $(od -c recorded.brw | head)"
close_request "$window"
brw_wait_exit 20

step "play in a fresh program on another empty document"
run_recorder played.brw F7
wait_for cmp -s recorded.brw played.brw || fail "played: $(od -c played.brw | head)"
close_request "$window"
brw_wait_exit 20
[ "$BRW_STATUS" = 0 ] || fail "exit status $BRW_STATUS, expected 0"
echo PASS
