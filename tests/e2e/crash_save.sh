#!/usr/bin/env bash
# A fatal signal (or the hidden crash command Ctrl+K 6) with unsaved changes: the emergency
# journal is shown while the process still lives, the process then ends by the signal, and the
# error-save file beside the document holds the whole tree with the unsaved edit.
# Usage: crash_save.sh BRW
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
SAMPLE="$E2E_DIR/../../examples/sample.brw"
JOURNAL="Save log - Журнал аварийного сохранения"

# Opens a fresh sample.brw and types WORD into the root description; the window is `window`.
open_and_edit()
{
    rm -f ./*
    cp "$SAMPLE" sample.brw
    brw_start sample.brw
    window=$(wait_window "BRW - sample.brw") || exit 1
    keys "$window" Return
    type_text "$window" "$1"
    wait_title "$window" "BRW - * sample.brw"
}

# Answers the journal and checks what the crash left: SIGNAL is the number that must end the
# process, WORD the edit that only the error-save file holds.
expect_emergency_save()
{
    local signal=$1 word=$2
    wait_window "$JOURNAL" 20 >/dev/null || exit 1
    brw_alive || fail "the process ended before the journal was answered"
    answer_box "$JOURNAL" Return
    brw_wait_exit 20
    [ "$BRW_STATUS" = $((128 + signal)) ] ||
        fail "exit status $BRW_STATUS, expected $((128 + signal)) (ended by signal $signal)"
    cmp -s "$SAMPLE" sample.brw || fail "the crash changed the document"
    [ "$(listing)" = "autosave.1 sample.brw sample.brw1 " ] || fail "files: $(listing)"
    readback sample.brw1
    cmp -s sample.brw1 sample.brw1.readback || fail "the error-save file is not a canonical tree"
    grep -q "$word" sample.brw1 || fail "the error-save file lacks the unsaved edit"
    cmp -s "$SAMPLE" <(without_word sample.brw1 "$word") ||
        fail "apart from the edit, the error-save file differs from the document"
}

for signal in SEGV ABRT; do
    step "SIG$signal with an unsaved edit"
    word="e2e${signal,,}word"
    open_and_edit "$word"
    kill -s "$signal" "$BRW_PID"
    expect_emergency_save "$(kill -l "$signal")" "$word"
done

step "Ctrl+K 6 answered No changes nothing"
open_and_edit e2ectrlkword
keys "$window" ctrl+k 6
answer_box "Warning (Предупреждение)" n
sleep 0.5
brw_alive || fail "the program ended after No"
[ -z "$(windows_titled "$JOURNAL")" ] || fail "a journal after No"
[ "$(windows_titled "BRW - * sample.brw")" = "$window" ] || fail "the window changed after No"
[ ! -s sample.brw1 ] || fail "the error-save file was written after No"

step "Ctrl+K 6 answered Yes goes the SIGSEGV way"
keys "$window" ctrl+k 6
answer_box "Warning (Предупреждение)" Return
expect_emergency_save "$(kill -l SEGV)" e2ectrlkword

echo PASS
