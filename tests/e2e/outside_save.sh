#!/usr/bin/env bash
# Two programs on one document: the second warns that the first has it open and saves its own
# edit; the first then asks before its Ctrl+S writes over that save, keeps it on Cancel and
# overwrites it on Yes.
# Usage: outside_save.sh BRW
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
cp "$SAMPLE" doc.brw

step "the first program edits the document"
open_and_edit "zebra" doc.brw
first=$window
E2E_OTHER_PIDS=$BRW_PID

step "a second program warns and saves its own edit"
brw_start doc.brw
answer_box "Warning (Предупреждение)" Return 60
second=$(wait_window "BRW - doc.brw" 30) || exit 1
keys "$second" Return
type_text "$second" "quokka"
wait_title "$second" "BRW - * doc.brw" 30
keys "$second" ctrl+s
wait_title "$second" "BRW - doc.brw" 30
grep -q quokka doc.brw || fail "the second program did not save"

step "the first program asks before it writes over that save"
focus "$first"
answer_box "Warning (Предупреждение)" n # reload? No: the window keeps its tree
keys "$first" ctrl+s
answer_box "Warning (Предупреждение)" Escape # overwrite? Cancel
grep -q quokka doc.brw || fail "Cancel wrote the file"
keys "$first" ctrl+s
answer_box "Warning (Предупреждение)" Return # overwrite? Yes
wait_title "$first" "BRW - doc.brw" 30
grep -q zebra doc.brw && ! grep -q quokka doc.brw || fail "Yes did not write the first's tree"
brw_kill
