#!/usr/bin/env bash
# A theme dragged with the real mouse (button down, moves, button up) onto the middle of another
# one goes into it as its first subtheme: the saved tree has the same bytes as after the same
# move made with the keys (cut, paste). A drag ended with Escape changes nothing.
# Usage: drag_drop.sh BRW CLOSE_REQUEST
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
CLOSE_REQUEST=$2

# Five themes below the root. Each row of the tree is ROW pixels high, and the first theme's row
# begins FIRST pixels below the window's top (below the menu bar, the tool bars, the header and
# the root "/"), as the program lays itself out under Xvfb with Debian's default fonts.
tree()
{
    printf '\r\n'
    for name in alpha beta gamma delta epsilon; do
        printf '<!--1[01.02.2003]-->%s\r\n%s text\r\n' "$name" "$name"
    done
}
ROW=${BRW_E2E_ROW:-14}
FIRST=${BRW_E2E_FIRST:-90}

# row_y INDEX: the middle of that theme's row (0: alpha), relative to the window.
row_y() { echo $((FIRST + $1 * ROW + ROW / 2)); }

# drag WINDOW FROM TO [KEY]: the button goes down on the theme FROM, the pointer moves in small
# steps to the middle of the theme TO, and the button goes up there (or KEY is pressed first).
drag()
{
    local window=$1 x=40 from to y
    from=$(row_y "$2")
    to=$(row_y "$3")
    focus "$window"
    xdotool mousemove --window "$window" $x "$from" mousedown 1 || fail "mousedown"
    for ((y = from; y != to; y += (to > from ? 2 : -2))); do
        xdotool mousemove --window "$window" $x "$y" && sleep 0.02
    done
    xdotool mousemove --window "$window" $x "$to" && sleep 0.3
    [ -n "${4:-}" ] && xdotool key "$4" && sleep 0.3
    xdotool mouseup 1 || fail "mouseup"
}

tree >dragged.brw
tree >keyed.brw

step "alpha dragged onto delta, saved"
brw_start dragged.brw
window=$(wait_window "BRW - dragged.brw") || exit 1
drag "$window" 0 3
wait_title "$window" "BRW - * dragged.brw"
keys "$window" ctrl+s
wait_title "$window" "BRW - dragged.brw"
close_last "$window"

step "the same move with the keys: alpha cut, pasted into delta"
brw_start keyed.brw
window=$(wait_window "BRW - keyed.brw") || exit 1
keys "$window" Down shift+Delete Down Down Down shift+Insert ctrl+s
wait_title "$window" "BRW - keyed.brw"
cmp -s keyed.brw dragged.brw ||
    fail "dragged: $(od -c dragged.brw | head -20) keyed: $(od -c keyed.brw | head -20)"

step "a drag ended with Escape changes nothing"
drag "$window" 1 3 Escape
sleep 0.5
[ "$(xdotool getwindowname "$window")" = "BRW - keyed.brw" ] || fail "the Escape drag changed the tree"
close_last "$window"
echo PASS
