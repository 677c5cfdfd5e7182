#!/usr/bin/env bash
# A new document kept in Unicode: typed text outside CP1251 is saved through Save as with the
# "Unicode format" file type, and the file holds the byte order mark and the text in UTF-8; the
# document reopens and saves the same bytes again.
# Usage: unicode_document.sh BRW
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
TEXT="café ✓ 漢字"

step "type into a new document and save it as Unicode"
brw_start
window=$(wait_window "BRW - ") || exit 1
keys "$window" Return
type_text "$window" "$TEXT"
wait_title "$window" "BRW - * "
keys "$window" ctrl+alt+s
dialog=$(wait_window "Save file as (english name) - Сохранить файл как (ЛАТИНСКОЕ имя)") || exit 1
# Alt+T goes to the file types, where "U" picks "Unicode format"; Alt+N back to the name.
keys "$dialog" alt+t U alt+n ctrl+a
type_text "$dialog" "uni"
keys "$dialog" Return
wait_title "$window" "BRW - uni.brw"
cmp -s uni.brw <(printf '\xef\xbb\xbf%s\r\n' "$TEXT") || fail "uni.brw holds: $(od -c uni.brw | head -5)"
brw_kill

step "the document reopens and saves the same bytes"
cp uni.brw first.brw
brw_start uni.brw
window=$(wait_window "BRW - uni.brw" 60) || exit 1
keys "$window" ctrl+s
sleep 1
cmp -s first.brw uni.brw || fail "a save after reopening changed the bytes: $(od -c uni.brw | head -5)"
readback uni.brw
cmp -s uni.brw uni.brw.readback || fail "the export changed the bytes"
brw_kill
