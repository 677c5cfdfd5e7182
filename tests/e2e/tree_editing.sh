#!/usr/bin/env bash
# A small tree built with the tree's keys alone (insert, rename, move, cut and paste, delete),
# saved with Ctrl+S and compared with the expected file byte for byte; then a branch deleted and
# the delete undone saves the same bytes.
# Usage: tree_editing.sh BRW CLOSE_REQUEST
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
CLOSE_REQUEST=$2

printf '\r\n' >tree.brw
brw_start tree.brw
window=$(wait_window "BRW - tree.brw") || exit 1
name() { type_text "$window" "$1" && keys "$window" Return; }

step "insert into the root, then below: alpha, beta, gamma"
keys "$window" shift+Right && name alpha
keys "$window" shift+Down && name beta
keys "$window" shift+Down && name gamma
step "gamma moves up, then one level down under a new theme, delta"
keys "$window" ctrl+Up ctrl+Right && name delta
step "beta is cut and pasted into gamma, alpha deleted, the tree saved"
keys "$window" Down Down shift+Delete Up shift+Insert Up Up Delete ctrl+s
wait_title "$window" "BRW - tree.brw"
today=$(date +%d.%m.%Y)
printf '\r\n<!--1[%s]-->delta\r\n\r\n<!--2[%s]-->gamma\r\n\r\n<!--3[%s]-->beta\r\n\r\n' \
    "$today" "$today" "$today" >expected.brw
cmp -s expected.brw tree.brw || fail "saved tree: $(od -c tree.brw | head -20)"
step "delta's branch deleted, Ctrl+Z, saved again: the same file"
keys "$window" Delete
wait_title "$window" "BRW - * tree.brw"
keys "$window" ctrl+z ctrl+s
wait_title "$window" "BRW - tree.brw"
cmp -s expected.brw tree.brw || fail "saved after undo: $(od -c tree.brw | head -20)"

close_request "$window"
brw_wait_exit 20
[ "$BRW_STATUS" = 0 ] || fail "exit status $BRW_STATUS, expected 0"
echo PASS
