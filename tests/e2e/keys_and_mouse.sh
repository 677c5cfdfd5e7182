#!/usr/bin/env bash
# Keys and clicks of the real window: a line break typed with Shift+Return is saved as a line
# end, Alt+digits are never typed, a click ends location mode, Ctrl+Tab goes back to the window
# that was active before.
# Usage: keys_and_mouse.sh BRW CLOSE_REQUEST
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
CLOSE_REQUEST=$2
SAMPLE="$E2E_DIR/../../examples/sample.brw"

geometry() { xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=' | tr '\n' ' '; }

cp "$SAMPLE" sample.brw
brw_start sample.brw
window=$(wait_window "BRW - sample.brw") || exit 1

step "Shift+Return breaks a line; the file holds a CR LF line end, no 0x1A"
keys "$window" Return # the tree hands the focus to the description
type_text "$window" "qa"
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
close_request "$window"
brw_wait_exit 20

step "Ctrl+Tab goes to the main window that was active before"
cp "$SAMPLE" a.brw
cp "$SAMPLE" b.brw
brw_start a.brw b.brw
window_a=$(wait_window "BRW - a.brw") || exit 1
window_b=$(wait_window "BRW - b.brw") || exit 1
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
close_request "$window_b"
brw_wait_exit 20
[ "$BRW_STATUS" = 0 ] || fail "exit status $BRW_STATUS, expected 0"
echo PASS
