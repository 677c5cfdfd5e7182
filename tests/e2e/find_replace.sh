#!/usr/bin/env bash
# Replace all from the keyboard: Ctrl+H, the find text, Ctrl+Tab, the replacement, Ctrl+F4, the
# return to the start point, Ctrl+S; the file then holds exactly the replaced tree, the changed
# descriptions dated today.
# Usage: find_replace.sh BRW
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
tree() { printf '%s\r\n' "root notes" "<!--1[01.12.2026]-->$1 one" "the $1 and the other $1" \
    "<!--2[02.12.2026]-->sub" "no match" "<!--1[03.12.2026]-->last $1" "$1"; }
tree plan >tree.brw
tree idea | sed "s/\[0[13].12.2026\]/[$(date +%d.%m.%Y)]/" >expected.brw

brw_start tree.brw
window=$(wait_window "BRW - tree.brw") || exit 1
keys "$window" ctrl+h
dialog=$(wait_window "Поиск и замена (Find & Replace)") || exit 1
type_text "$dialog" plan
keys "$dialog" ctrl+Tab
type_text "$dialog" idea
keys "$dialog" ctrl+F4
answer_box "Search (Поиск)" Return
wait_title "$window" "BRW - * tree.brw"
keys "$window" ctrl+s
wait_title "$window" "BRW - tree.brw"
cmp tree.brw expected.brw || fail "saved: $(od -c tree.brw | head -20)"
brw_kill
