#!/usr/bin/env bash
# Going to a theme by name and to a match of the list of every match, from the keyboard: Ctrl+G,
# a few letters and Return make "gamma" current, where Shift+Right inserts a subtheme; the find
# dialog's search of "zeta", listed with Ctrl+Shift+F, Down and Return select the second match,
# which typing replaces. The saved file shows both edits exactly where they were meant.
# Usage: go_to_and_find_all.sh BRW
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
printf '%s\r\n' "root" "<!--1[01.12.2026]-->alpha" "a zeta" "<!--2[02.12.2026]-->beta" \
    "b zeta" "<!--1[03.12.2026]-->gamma" "c" >tree.brw

brw_start tree.brw
window=$(wait_window "BRW - tree.brw") || exit 1
step "Ctrl+G, gma, Return, then a new subtheme there"
keys "$window" ctrl+g
type_text "$window" gma
keys "$window" Return shift+Right
type_text "$window" new
keys "$window" Return
wait_title "$window" "BRW - * tree.brw"

step "the find dialog's search listed with Ctrl+Shift+F; the second match replaced"
keys "$window" ctrl+f
dialog=$(wait_window "Поиск и замена (Find & Replace)") || exit 1
type_text "$dialog" zeta
keys "$dialog" Escape
wait_no_window "Поиск и замена (Find & Replace)"
keys "$window" ctrl+shift+f Down Return
type_text "$window" omega
keys "$window" ctrl+Return ctrl+s
wait_title "$window" "BRW - tree.brw"
saved=$(tr -d '\r' <tree.brw | sed 's/\[[0-9.]*\]//')
expected=$(printf '%s\n' "root" "<!--1-->alpha" "a zeta" "<!--2-->beta" "b omega" "<!--1-->gamma" \
    "c" "<!--2-->new" "")
[ "$saved" = "$expected" ] || fail "saved: $saved"
brw_kill
