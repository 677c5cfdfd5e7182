#!/usr/bin/env bash
# Text outside CP1251 typed into a new document, saved as "Unicode format", is the byte order
# mark and UTF-8; reopened and saved again, the bytes stay.
# Usage: unicode_document.sh BRW
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
TEXT="café ✓ 漢字"
expect_bytes() { cmp -s uni.brw <(printf '\xef\xbb\xbf%s\r\n' "$TEXT") || fail "$1: $(od -c uni.brw | head -5)"; }

step "type into a new document and save it as Unicode"
brw_start
window=$(wait_window "BRW - ") || exit 1
keys "$window" Return
type_text "$window" "$TEXT"
keys "$window" ctrl+alt+s
dialog=$(wait_window "Save file as (english name) - Сохранить файл как (ЛАТИНСКОЕ имя)") || exit 1
keys "$dialog" alt+t U alt+n ctrl+a # "U": the file type "Unicode format"
type_text "$dialog" "uni"
keys "$dialog" Return
wait_title "$window" "BRW - uni.brw"
expect_bytes "the saved file"
brw_kill

step "reopened and saved again, the bytes stay"
brw_start uni.brw
window=$(wait_window "BRW - uni.brw" 60) || exit 1
rm uni.brw
keys "$window" ctrl+s
wait_for test -s uni.brw || fail "Ctrl+S wrote nothing"
expect_bytes "saved after reopening"
brw_kill
