#!/usr/bin/env bash
# The main window of the real program: its caption, the modified mark, one window per file, the
# save files beside the document, and the question when a changed window is closed. Keys and
# clicks: a line break typed with Shift+Return is saved as a line end, Alt+digits are never
# typed, a click ends location mode, Ctrl+Tab goes back to the window that was active before.
# Usage: main_window.sh BRW CLOSE_REQUEST
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
CLOSE_REQUEST=$2
WORD=qx7mark
grep -q "$WORD" "$SAMPLE" && fail "the sample already holds $WORD"

fresh_sample() { cp "$SAMPLE" sample.brw; }

geometry() { xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=' | tr '\n' ' '; }

# The program ends cleanly; a normal close removes the error-save and autosave files.
expect_clean_exit()
{
    expect_exit 0
    [ "$(listing)" = "sample.brw " ] || fail "files left after the close: $(listing)"
}
close_clean() { close_request "$1" && expect_clean_exit; }

step "a document opens in a window named after it, with its save files beside it"
fresh_sample
brw_start sample.brw
window=$(wait_window "BRW - sample.brw") || exit 1
[ -f sample.brw1 ] && [ ! -s sample.brw1 ] || fail "no empty error-save file sample.brw1: $(listing)"
[ -f autosave.1 ] || fail "no autosave file autosave.1: $(listing)"
step "closing an unchanged window asks nothing and ends the program"
close_clean "$window"
cmp -s "$SAMPLE" sample.brw || fail "an unchanged document was rewritten"

step "typing in the description marks the caption; Cancel keeps the window, Yes saves"
fresh_sample
open_and_edit "$WORD" sample.brw
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
fresh_sample
open_and_edit "$WORD" sample.brw
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
close_clean "$window" # the unchanged detached window closes with it

step "Shift+Return breaks a line; the file holds a CR LF line end, no 0x1A"
fresh_sample
open_and_edit qa sample.brw
keys "$window" shift+Return
type_text "$window" "qb"
keys "$window" ctrl+s
wait_title "$window" "BRW - sample.brw"
LC_ALL=C grep -q $'^qa\r$' sample.brw && LC_ALL=C grep -q '^qbWelcome' sample.brw ||
    fail "the two typed lines are not two lines: $(LC_ALL=C grep -a 'qb' sample.brw | od -c | head -3)"
LC_ALL=C grep -q $'\x1a' sample.brw && fail "the file holds byte 0x1A"

step "Alt+1 to Alt+9 type nothing and change nothing"
keys "$window" alt+1 alt+5 alt+9
sleep 0.5
[ "$(xdotool getwindowname "$window")" = "BRW - sample.brw" ] || fail "Alt+digits changed the text"

step "a click in the tree ends location mode"
keys "$window" F5 Right
before=$(geometry "$window")
keys "$window" Right
[ "$(geometry "$window")" != "$before" ] || fail "location mode did not move the window"
xdotool mousemove --window "$window" 20 200 click 1
before=$(geometry "$window")
keys "$window" Right
sleep 0.3
[ "$(geometry "$window")" = "$before" ] || fail "the window still moves after a click"
keys "$window" Escape
close_clean "$window"

step "two files give two windows; Ctrl+Tab goes to the one active before; the last ends the program"
cp "$SAMPLE" a.brw
cp "$SAMPLE" b.brw
rm sample.brw
brw_start a.brw b.brw
window_a=$(wait_window "BRW - a.brw") || exit 1
window_b=$(wait_window "BRW - b.brw") || exit 1
[ -f a.brw1 ] && [ -f b.brw1 ] || fail "each document needs its error-save file: $(listing)"
focus "$window_a"
sleep 0.3
keys "$window_b" ctrl+Tab
sleep 0.5
# The keys go to the window that now has the focus, without giving it the focus again.
xdotool key --delay 40 Return && xdotool type --delay 30 "zz"
wait_title "$window_a" "BRW - * a.brw"
[ "$(xdotool getwindowname "$window_b")" = "BRW - b.brw" ] || fail "the keys went to b.brw"
close_request "$window_a"
answer_box "Warning (Предупреждение)" n
wait_no_window "BRW - * a.brw"
sleep 0.5
brw_alive || fail "the program ended with a window still open"
close_last "$window_b"
[ "$(listing)" = "a.brw b.brw " ] || fail "files left: $(listing)"
rm a.brw b.brw

step "without arguments one empty window opens, its save files in the current directory"
brw_start
window=$(wait_window "BRW - ") || exit 1
[ -f 'errorsave.!!!1' ] && [ -f autosave.1 ] || fail "no errorsave.!!!1 / autosave.1: $(listing)"
close_last "$window"
[ "$(listing)" = "" ] || fail "files left: $(listing)"

echo PASS
