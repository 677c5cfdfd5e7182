#!/usr/bin/env bash
# A theme dragged with the real mouse onto the middle of another one saves the same bytes as the
# same move made with the keys (cut, paste); a drag ended with Escape changes nothing.
# Usage: drag_drop.sh BRW CLOSE_REQUEST
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
CLOSE_REQUEST=$2
# Rows are ROW pixels high; the first theme's row (below the menus, tool bars, header and "/")
# begins FIRST pixels below the window's top, as laid out under Xvfb with Debian's fonts.
ROW=${BRW_E2E_ROW:-14}
FIRST=${BRW_E2E_FIRST:-90}

# drag WINDOW FROM TO [KEY]: button down on the theme of row FROM (0: the first below "/"),
# small moves to the middle of row TO, KEY pressed there if given, button up.
drag()
{
    local from=$((FIRST + $2 * ROW + ROW / 2)) to=$((FIRST + $3 * ROW + ROW / 2)) y
    focus "$1"
    xdotool mousemove --window "$1" 40 "$from" mousedown 1 || fail "mousedown"
    for ((y = from; y < to; y += 2)); do xdotool mousemove --window "$1" 40 "$y" && sleep 0.02; done
    xdotool mousemove --window "$1" 40 "$to" && sleep 0.3
    [ -n "${4:-}" ] && xdotool key "$4" && sleep 0.3
    xdotool mouseup 1 || fail "mouseup"
}

for file in dragged.brw keyed.brw; do
    printf '\r\n' >"$file"
    for name in alpha beta gamma delta epsilon; do
        printf '<!--1[01.02.2003]-->%s\r\n%s text\r\n' "$name" "$name" >>"$file"
    done
done

step "alpha dragged onto delta, saved"
brw_start dragged.brw
window=$(wait_window "BRW - dragged.brw") || exit 1
drag "$window" 0 3
wait_title "$window" "BRW - * dragged.brw"
keys "$window" ctrl+s
wait_title "$window" "BRW - dragged.brw"
close_request "$window"; expect_exit 0

step "the same move with the keys: alpha cut, pasted into delta"
brw_start keyed.brw
window=$(wait_window "BRW - keyed.brw") || exit 1
keys "$window" Down shift+Delete Down Down Down shift+Insert ctrl+s
wait_title "$window" "BRW - keyed.brw"
cmp -s keyed.brw dragged.brw || fail "dragged: $(od -c dragged.brw) keyed: $(od -c keyed.brw)"

step "a drag ended with Escape changes nothing"
drag "$window" 1 3 Escape
sleep 0.5
[ "$(xdotool getwindowname "$window")" = "BRW - keyed.brw" ] || fail "the Escape drag changed it"
close_request "$window"; expect_exit 0
echo PASS
