#!/usr/bin/env bash
# Pastes while nothing owns the clipboard (nothing was copied since the display started): the
# name editor, the description and the find field paste nothing; the program lives on unchanged.
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
cp "$SAMPLE" doc.brw
brw_start doc.brw
window=$(wait_window "BRW - doc.brw" 60) || exit 1
# A crash would show the emergency journal.
alive()
{
    sleep 0.5
    brw_alive && [ -z "$(windows_titled "Save log - Журнал аварийного сохранения")" ] ||
        fail "the program crashed on a paste from an empty clipboard"
}

step "Shift+Insert and Ctrl+V in the name editor, the description and the find field"
keys "$window" Down space shift+Insert ctrl+v Escape Return shift+Insert ctrl+v
alive
wait_title "$window" "BRW - doc.brw"
keys "$window" ctrl+f
find=$(wait_window "Поиск и замена (Find & Replace)") || exit 1
keys "$find" shift+Insert ctrl+v Escape
alive
keys "$window" alt+F4 # Exit
expect_exit 0
