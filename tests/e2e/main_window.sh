#!/usr/bin/env bash
# The main window of the real program: its caption, the modified mark, one window per file, the
# save files beside the document, and the question when a changed window is closed.
# Usage: main_window.sh BRW CLOSE_REQUEST
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
CLOSE_REQUEST=$2
SAMPLE="$E2E_DIR/../../examples/sample.brw"
WORD=qx7mark
grep -q "$WORD" "$SAMPLE" && fail "the sample already holds $WORD"

fresh_sample() { cp "$SAMPLE" sample.brw; }

# Opens sample.brw and types WORD at the start of the root description; the window is `window`.
open_and_edit()
{
    fresh_sample
    brw_start sample.brw
    window=$(wait_window "BRW - sample.brw") || exit 1
    keys "$window" Return # the tree hands the focus to the description
    type_text "$window" "$WORD"
    wait_title "$window" "BRW - * sample.brw"
}

expect_clean_exit()
{
    brw_wait_exit 20
    [ "$BRW_STATUS" = 0 ] || fail "exit status $BRW_STATUS, expected 0"
    # A normal close removes the error-save and autosave files.
    [ "$(listing)" = "sample.brw " ] ||
        fail "files left after the close: $(listing)"
}

step "a document opens in a window named after it, with its save files beside it"
fresh_sample
brw_start sample.brw
window=$(wait_window "BRW - sample.brw") || exit 1
[ -f sample.brw1 ] && [ ! -s sample.brw1 ] || fail "no empty error-save file sample.brw1: $(listing)"
[ -f autosave.1 ] || fail "no autosave file autosave.1: $(listing)"
step "closing an unchanged window asks nothing and ends the program"
close_request "$window"
expect_clean_exit
cmp -s "$SAMPLE" sample.brw || fail "an unchanged document was rewritten"

step "typing in the description marks the caption; Cancel keeps the window, Yes saves"
open_and_edit
close_request "$window"
answer_box "Warning (Предупреждение)" Escape
sleep 0.5
brw_alive || fail "the program ended after Cancel"
[ "$(windows_titled "BRW - * sample.brw")" = "$window" ] || fail "the window closed after Cancel"
[ -f sample.brw1 ] && [ -f autosave.1 ] || fail "Cancel removed the save files: $(listing)"
close_request "$window"
answer_box "Warning (Предупреждение)" Return
expect_clean_exit
grep -q "$WORD" sample.brw || fail "Yes did not save the typed text"
cmp -s "$SAMPLE" <(without_word sample.brw "$WORD") || fail "Yes saved more than the edit"

step "answering No ends the program and leaves the document as it was"
open_and_edit
close_request "$window"
answer_box "Warning (Предупреждение)" n
expect_clean_exit
cmp -s "$SAMPLE" sample.brw || fail "No changed the document"

step "F9: text saved with Ctrl+S in a detached window reaches the document with Ctrl+S"
fresh_sample
brw_start sample.brw
window=$(wait_window "BRW - sample.brw") || exit 1
keys "$window" F9
detached=$(wait_window "1  -|") || exit 1
type_text "$detached" "$WORD"
wait_title "$detached" "1  * -|"
keys "$detached" ctrl+s
answer_box "Warning (Предупреждение)" Return
wait_title "$detached" "1  -|"
keys "$window" ctrl+s
wait_title "$window" "BRW - sample.brw"
cmp -s "$SAMPLE" <(without_word sample.brw "$WORD") && grep -q "$WORD" sample.brw ||
    fail "the document lacks the detached window's text, or holds more"
close_request "$window" # the unchanged detached window closes with it
expect_clean_exit

step "two files give two windows; the program ends with the last one"
cp "$SAMPLE" a.brw
cp "$SAMPLE" b.brw
rm sample.brw
brw_start a.brw b.brw
window_a=$(wait_window "BRW - a.brw") || exit 1
window_b=$(wait_window "BRW - b.brw") || exit 1
[ -f a.brw1 ] && [ -f b.brw1 ] || fail "each document needs its error-save file: $(listing)"
close_request "$window_a"
wait_no_window "BRW - a.brw"
sleep 0.5
brw_alive || fail "the program ended with a window still open"
close_request "$window_b"
brw_wait_exit 20
[ "$BRW_STATUS" = 0 ] || fail "exit status $BRW_STATUS, expected 0"
[ "$(listing)" = "a.brw b.brw " ] || fail "files left: $(listing)"
rm a.brw b.brw

step "without arguments one empty window opens, its save files in the current directory"
brw_start
window=$(wait_window "BRW - ") || exit 1
[ -f 'errorsave.!!!1' ] && [ -f autosave.1 ] || fail "no errorsave.!!!1 / autosave.1: $(listing)"
close_request "$window"
brw_wait_exit 20
[ "$BRW_STATUS" = 0 ] || fail "exit status $BRW_STATUS, expected 0"
[ "$(listing)" = "" ] || fail "files left: $(listing)"

echo PASS
