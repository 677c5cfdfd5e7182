#!/usr/bin/env bash
# A small tree built with the tree's keys alone (insert, rename, move, cut and paste, delete),
# saved with Ctrl+S and compared with the expected file byte for byte; then a branch deleted and
# the delete undone saves the same bytes. Keys recorded in one run (a theme inserted, named,
# described, the tree saved) and played in a fresh run on another empty document: the two saved
# trees are the same, byte for byte.
# Usage: tree_editing.sh BRW CLOSE_REQUEST
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
CLOSE_REQUEST=$2

# start_empty FILE: the program on a new empty document; its window is `window`.
start_empty()
{
    printf '\r\n' >"$1"
    brw_start "$1"
    window=$(wait_window "BRW - $1") || exit 1
}

start_empty tree.brw
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

close_last "$window"

# run_recorder FILE KEY: the program on the empty document FILE, the recorder started with KEY
# on the file its dialog proposes (./events.txt).
run_recorder()
{
    start_empty "$1"
    keys "$window" "$2"
    answer_box "Open file(english names) - Открыть файл(ЛАТИНСКИЕ имена)" Return
    focus "$window"
}

step "record; the first key plays at once, the pause after it lets the window take the focus"
run_recorder recorded.brw F6
keys "$window" shift && sleep 1
keys "$window" shift+Right && type_text "$window" "alpha" && keys "$window" Return Return
type_text "$window" "first words" && keys "$window" ctrl+s F6
wait_for grep -q "first words" recorded.brw || fail "not saved: $(od -c recorded.brw | head)"
close_last "$window"

step "play in a fresh program on another empty document"
run_recorder played.brw F7
wait_for cmp -s recorded.brw played.brw || fail "played: $(od -c played.brw | head)"
close_last "$window"
echo PASS
