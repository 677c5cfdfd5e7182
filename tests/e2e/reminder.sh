#!/usr/bin/env bash
# A task due at the next minute rings: the "Reminder messages" window comes up with its line
# while the user types into the description, and every typed character arrives there.
# Usage: reminder.sh BRW
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
WORD=e2etypedwhilethereminderrings0123456789abcdefghij

# The next minute that leaves the program a few seconds to start.
now=$(date +%s)
due=$(((now / 60 + 1) * 60))
[ $((due - now)) -lt 10 ] && due=$((due + 60))
at=$(date -d "@$due" +%-H:%M)
printf 'root\r\n<!--1-->__reminder\r\n%s "e2e ring"\r\n' "$at" >doc.brw

step "the task of $at is listed at once under today's header"
brw_start doc.brw
main=$(wait_window "BRW - doc.brw") || exit 1
messages=$(wait_window "Reminder messages") || exit 1
keys "$messages" Escape
wait_no_window "Reminder messages"
keys "$main" Return # the tree hands the focus to the description

step "typing across $at: the window comes up, the keys stay in the description"
sleep $((due - $(date +%s) - 3 > 0 ? due - $(date +%s) - 3 : 0))
xdotool type --delay 100 "$WORD" || fail "xdotool type"
messages=$(wait_window "Reminder messages" $((due + 10 - $(date +%s)))) || exit 1
[ "$(date +%s)" -ge "$due" ] || fail "the reminder rang before $at"
wait_title "$main" "BRW - * doc.brw"

step "the window's newest line is the task's: pasted from it into the description"
xdotool windowmove --sync "$messages" 600 0
xdotool mousemove --window "$messages" 60 12 click --repeat 3 --delay 80 1
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" $((WIDTH - 40)) $((HEIGHT - 60)) click 2
keys "$main" ctrl+s
wait_title "$main" "BRW - doc.brw"
grep -aq "$WORD" doc.brw || fail "the typed text did not arrive whole: $(grep -a e2e doc.brw)"
grep -aq "$at    e2e ring" doc.brw || fail "no line of the task in the window: $(cat -A doc.brw)"
brw_kill
echo PASS
