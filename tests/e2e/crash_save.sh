#!/usr/bin/env bash
# The ends of a session with unsaved changes. A fatal signal (or the hidden crash command
# Ctrl+K 6, or a crash in the middle of an autosave): the emergency journal is shown while the
# process still lives, then the process ends by the signal. SIGTERM, SIGHUP, SIGINT and the
# loss of the display: the same save without any box. Each time the error-save file beside the
# document holds the whole tree with the unsaved edit, and the next start names that file.
# Usage: crash_save.sh BRW
source "$(dirname "$0")/lib.sh"
shopt -s extglob
e2e_init "$1"
JOURNAL="Save log - Журнал аварийного сохранения"
now_s() { echo "${EPOCHREALTIME%.*}"; }

# fresh_edit WORD [DOCUMENT]: open_and_edit on a fresh copy of the document (the sample by
# default) in an emptied directory.
fresh_edit()
{
    local document=${2:-sample.brw}
    rm -f ./*
    cp "${ORIGINAL:-$SAMPLE}" "$document"
    open_and_edit "$1" "$document"
    sleep 0.5 # the title changes with the first letter; the last key may still be on its way
}

# expect_saved_edit SIGNAL WORD [ORIGINAL DOCUMENT]: the process ended with status 128 + SIGNAL
# (1 for SIGNAL 0: the lost display); the document is unchanged, its error-save and autosave
# files are all that came beside it (besides an unfinished autosave's temporary file), and the
# error-save file is a canonical tree holding exactly the original plus WORD (and, after it,
# the records of the detached windows).
expect_saved_edit()
{
    local signal=$1 word=$2 original=${3:-$SAMPLE} document=${4:-sample.brw}
    local expected=$((signal ? 128 + signal : 1))
    expect_exit "$expected"
    cmp -s "$original" "$document" || fail "the end changed the document"
    [[ "$(listing)" == ?([0-9]*.txt )"autosave.1 $document ${document}1 " ]] ||
        fail "files: $(listing)"
    readback "${document}1"
    cmp -s "${document}1" "${document}1.readback" || fail "the error-save file is not canonical"
    grep -q "$word" "${document}1" || fail "the error-save file lacks the unsaved edit"
    LC_ALL=C sed '/^<!--1\[[0-9.]*\]-->Removal\r$/,$d' "${document}1" >"$WORK/tree"
    cmp -s "$original" <(without_word "$WORK/tree" "$word") ||
        fail "apart from the edit, the error-save file differs from the document"
}

# The journal is shown while the process still lives.
answer_journal()
{
    wait_window "$JOURNAL" 20 >/dev/null || exit 1
    brw_alive || fail "the process ended before the journal was answered"
    answer_box "$JOURNAL" Return
}

step "a big tree with an unsaved edit waits for its autosave (121 s) while the rest runs"
mkdir "$WORK/auto" && cd "$WORK/auto" || exit 2
big_tree 8000 >"$WORK/big.brw"
ORIGINAL="$WORK/big.brw" fresh_edit e2eautosaveword big.brw
edited_at=$(now_s)
auto_pid=$BRW_PID auto_waiter=$BRW_WAITER E2E_OTHER_PIDS=$BRW_PID BRW_REAPED=1
cd "$DOCS" || exit 2

for signal in SEGV ABRT BUS TERM HUP INT; do
    step "SIG$signal with an unsaved edit"
    fresh_edit "e2e${signal,,}word"
    if [ "$signal" = SEGV ]; then # with a detached window whose text changed too
        keys "$window" F9
        detached=$(wait_window "1  -|") || exit 1
        type_text "$detached" e2edetachedword
        wait_title "$detached" "1  * -|"
    fi
    kill -s "$signal" "$BRW_PID"
    [[ $signal == @(TERM|HUP|INT) ]] || answer_journal # the ends of a session show no box
    expect_saved_edit "$(kill -l "$signal")" "e2e${signal,,}word"
    [ "$signal" != SEGV ] || LC_ALL=C sed -n '/-->Removal\r$/,$p' sample.brw1 |
        grep -q e2edetachedworde2esegvword || fail "the error-save file lacks the detached text"
done

step "Ctrl+K 6 answered No changes nothing"
fresh_edit e2ectrlkword
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
answer_journal
expect_saved_edit "$(kill -l SEGV)" e2ectrlkword

step "the next start names the error-save file and leaves it alone"
cp sample.brw1 "$WORK/saved"
brw_start sample.brw
answer_box "Warning (Предупреждение)" Return
wait_window "BRW - sample.brw" >/dev/null || exit 1
cmp -s sample.brw1 "$WORK/saved" || fail "the start changed the error-save file"
brw_kill

step "a crash in the middle of the autosave ($((edited_at + 121 - $(now_s))) s from now)"
cd "$WORK/auto" || exit 2
BRW_PID=$auto_pid BRW_WAITER=$auto_waiter BRW_REAPED=0
exec {pause}<> <(:)
until compgen -G "[0-9]*.txt" >/dev/null; do
    [ $(($(now_s) - edited_at)) -lt 180 ] || fail "no autosave within 180 s: $(listing)"
    read -r -t 0.003 -u "$pause"
done
kill -s SEGV "$BRW_PID"
answer_journal
expect_saved_edit "$(kill -l SEGV)" e2eautosaveword "$WORK/big.brw" big.brw
note "files after the crash: $(listing)"
# The crash may come just after the autosave; an unfinished one never takes the name.
[ ! -s autosave.1 ] || cmp -s autosave.1 big.brw1 || fail "the autosave file is damaged"
E2E_OTHER_PIDS=""
cd "$DOCS" || exit 2

step "the display goes away: saved without a box"
fresh_edit e2edisplayword
kill "$XVFB_PID" && wait "$XVFB_PID"
XVFB_PID=""
expect_saved_edit 0 e2edisplayword

echo PASS
