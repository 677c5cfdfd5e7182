#!/usr/bin/env bash
# The program's own file dialog in the real window: Ctrl+O opens a file in a second window and
# leaves the first alone; Ctrl+B saves a branch as an HTML page through the dialog's file types.
# Usage: file_dialogs.sh BRW
source "$(dirname "$0")/lib.sh"
e2e_init "$1"

cp "$SAMPLE" first.brw
cp "$SAMPLE" second.brw
brw_start first.brw
first=$(wait_window "BRW - first.brw") || exit 1

step "Ctrl+O opens a file in a second window"
keys "$first" ctrl+o
dialog=$(wait_window "Open file(english names) - Открыть файл(ЛАТИНСКИЕ имена)") || exit 1
keys "$dialog" ctrl+a
type_text "$dialog" "second.brw"
keys "$dialog" Return
second=$(wait_window "BRW - second.brw") || exit 1
[ "$(xdotool getwindowname "$first")" = "BRW - first.brw" ] || fail "the first window changed"

step "Ctrl+B saves the branch of 'Getting around' as HTML through the own dialog"
keys "$second" Down ctrl+b
# The save dialog's title runs over two lines.
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^Save theme' | head -1)
[ -n "$dialog" ] || fail "no save dialog (visible: $(visible_titles))"
# Alt+T goes to the file types, where "S" picks "Simple [HTML 4.0]"; Alt+N back to the name.
keys "$dialog" alt+t S alt+n ctrl+a
type_text "$dialog" "branch"
keys "$dialog" Return
wait_for test -s branch.htm || fail "no branch.htm: $(listing)"
head -c 6 branch.htm | grep -q '^<HTML>' || fail "branch.htm is no HTML page: $(head -c 80 branch.htm)"
grep -q '<b>1. Renaming</b>' branch.htm && ! grep -q 'Project notes' branch.htm ||
    fail "branch.htm does not hold the branch: $(head -c 400 branch.htm)"
[ "$(xdotool getwindowname "$second")" = "BRW - second.brw" ] || fail "the save changed the document"
cmp -s "$SAMPLE" second.brw || fail "second.brw changed"
brw_kill
