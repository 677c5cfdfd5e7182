#!/usr/bin/env bash
# A save whose writes fail (the file size limit is below the document's size; reading is not
# limited) reports the failure, leaves the document's old bytes and no temporary file, and keeps
# the window marked as changed; once writes work again the same edit saves.
# Usage: failed_write.sh BRW
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
SAMPLE="$E2E_DIR/../../examples/sample.brw"
WORD=e2efullword
LIMIT_KB=1
[ "$(stat -c %s "$SAMPLE")" -gt $((LIMIT_KB * 1024)) ] || fail "the sample must exceed the limit"

cp "$SAMPLE" sample.brw
# An ignored SIGXFSZ stays ignored in the program: a write past the limit fails with EFBIG.
# Only the soft limit is set, so the test can lift it again later.
BRW_LIMITS="ulimit -S -f $LIMIT_KB; trap '' XFSZ"
brw_start sample.brw
unset BRW_LIMITS
window=$(wait_window "BRW - sample.brw") || exit 1
keys "$window" Return
type_text "$window" "$WORD"
wait_title "$window" "BRW - * sample.brw"

step "Ctrl+S with failing writes reports the failure"
keys "$window" ctrl+s
# The writer may first report the failed write itself; the save's own warning comes last.
boxes=()
for ((waited = 0; waited < 200; ++waited)); do
    if [ -n "$(windows_titled "Error (Ошибка)")" ]; then
        boxes+=(Error)
        answer_box "Error (Ошибка)" Return
    elif [ -n "$(windows_titled "Warning (Предупреждение)")" ]; then
        boxes+=(Warning)
        answer_box "Warning (Предупреждение)" Return
        break
    fi
    sleep 0.1
done
note "boxes: ${boxes[*]:-none}"
[ "${boxes[-1]:-}" = Warning ] || fail "no save warning after the failed save"
brw_alive || fail "the program died on the failed write"

step "the document keeps its old bytes and the window stays marked"
cmp -s "$SAMPLE" sample.brw || fail "a failed save changed the document"
[ "$(listing)" = "autosave.1 sample.brw sample.brw1 " ] || fail "files: $(listing)"
sleep 1.5 # a tick of the window's timer must not clear the mark either
wait_title "$window" "BRW - * sample.brw" 1

if command -v prlimit >/dev/null; then
    step "with the limit lifted the same edit saves"
    prlimit --pid "$BRW_PID" --fsize=unlimited || fail "prlimit"
    keys "$window" ctrl+s
    wait_title "$window" "BRW - sample.brw"
    cmp -s "$SAMPLE" <(without_word sample.brw "$WORD") || fail "the later save is wrong"
    grep -q "$WORD" sample.brw || fail "the later save lacks the edit"
else
    note "prlimit is missing: the save after lifting the limit is not tried"
fi
brw_kill
echo PASS
