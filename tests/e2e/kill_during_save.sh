#!/usr/bin/env bash
# The process is killed (SIGKILL, nothing runs afterwards) at moments spread over a save of a
# large document: the document must then be, byte for byte, either the complete old or the
# complete new version; the one other file that may be left beside it is a complete new version.
# Usage: kill_during_save.sh BRW
# BRW_E2E_KILL_TRIALS sets the number of trials (30 by default), BRW_E2E_KILL_THEMES the size of
# the document (8000 themes, 3 MB, by default). BRW_E2E_KILL_IN_PLACE=1 gives the document a
# second hard link, so the save rewrites it in place: there the document may also be cut short
# when the autosave file already holds the complete new version.
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
TRIALS=${BRW_E2E_KILL_TRIALS:-30}
THEMES=${BRW_E2E_KILL_THEMES:-8000}
IN_PLACE=${BRW_E2E_KILL_IN_PLACE:-0}
WORD=e2ekillword
OLD="$WORK/old.brw"
NEW="$WORK/new.brw"
[ "$TRIALS" -ge 2 ] || fail "BRW_E2E_KILL_TRIALS must be at least 2"

now_ms() { local t=${EPOCHREALTIME/./}; echo $((t / 1000)); }

# open_and_edit on a fresh copy of the old version.
fresh_edit()
{
    rm -f ./* ./.autosave.1.saving && cp "$OLD" big.brw
    [ "$IN_PLACE" = 1 ] && ln -f big.brw "$WORK/second-name"
    open_and_edit "$WORD" big.brw
}

step "generating $THEMES themes"
big_tree "$THEMES" >"$OLD"

# time_save: presses Ctrl+S in the window; prints the milliseconds until the save has written
# the document: until the new file takes its name (or, should a save write in place, until the
# caption loses its mark). The poll uses shell builtins and short pauses, so it takes little of
# the processor the save needs.
time_save()
{
    local start polls=0 pause before
    exec {pause}<> <(:) {before}<big.brw
    focus "$window"
    start=$(now_ms)
    xdotool key --delay 0 ctrl+s
    while [ $(($(now_ms) - start)) -lt 30000 ]; do
        [ big.brw -ef "/proc/self/fd/$before" ] || break
        if ((++polls % 25 == 0)); then
            [ "$(xdotool getwindowname "$window" 2>/dev/null)" = "BRW - big.brw" ] && break
        fi
        read -r -t 0.002 -u "$pause"
    done
    echo $(($(now_ms) - start))
    exec {pause}<&- {before}<&-
}

step "uninterrupted saves give the new version and the save's duration"
fresh_edit
durations=()
for round in 1 2 3; do
    # Marks the document changed without changing it, so the caption shows the save's end.
    [ "$round" = 1 ] || { type_text "$window" x && keys "$window" BackSpace &&
        wait_title "$window" "BRW - * big.brw"; }
    durations+=("$(time_save)")
    wait_title "$window" "BRW - big.brw"
    [ "$round" = 1 ] && cp big.brw "$NEW"
    cmp -s big.brw "$NEW" || fail "saving the same tree again gave other bytes"
done
cmp -s "$OLD" "$NEW" && fail "the save did not change the document"
cmp -s "$OLD" <(without_word "$NEW" "$WORD") || fail "the new version is more than the edit"
duration=$(printf '%s\n' "${durations[@]}" | sort -n | sed -n 2p)
note "the saves wrote the document after ${durations[*]} ms; the median is $duration ms"
brw_kill

step "$TRIALS trials, killed 0 to $((duration * 11 / 10)) ms after Ctrl+S"
outcomes=()
span=$((duration * 11 / 10 + 1))
for ((trial = 0; trial < TRIALS; ++trial)); do
    # Evenly spread slots, each with a random point inside it.
    delay=$(((trial * 1000 + RANDOM % 1000) * span / (TRIALS * 1000)))
    fresh_edit
    focus "$window"
    xdotool key --delay 0 ctrl+s
    sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
    brw_kill
    if cmp -s big.brw "$OLD"; then
        outcome=old
    elif cmp -s big.brw "$NEW"; then
        outcome=new
    elif [ "$IN_PLACE" = 1 ] && cmp -s autosave.1 "$NEW"; then
        outcome="cut short, complete in autosave.1"
    else
        cp big.brw "$WORK/broken.brw"
        fail "trial $trial (killed after $delay ms): the document is neither version" \
            "($(stat -c %s big.brw) bytes; kept as broken.brw)"
    fi
    [ "$IN_PLACE" = 0 ] || [ big.brw -ef "$WORK/second-name" ] || fail "the hard link broke"
    # The new file gets its temporary name just before the rename: a kill in between leaves
    # it, complete, beside the old document.
    for spare in big.brw.??????; do
        [ -e "$spare" ] || continue
        [ "$outcome" = old ] && cmp -s "$spare" "$NEW" && rm "$spare" || fail "trial $trial: a damaged $spare"
        outcome="old, the complete new version beside it"
    done
    note "trial $trial: killed $delay ms after Ctrl+S: $outcome"
    outcomes+=("$outcome")
    # What a killed window leaves: its (empty) error-save and autosave files and its lock,
    # which the next start takes over. An in-place save killed after its copy was complete
    # also leaves the note that names the document (always when the document is cut short).
    saving=""
    [ "$IN_PLACE" = 1 ] && [ -e .autosave.1.saving ] && saving=".autosave.1.saving "
    [[ $outcome != "cut short"* ]] || [ -n "$saving" ] || fail "trial $trial: no note names the copy"
    [ "$(listing)" = "$saving.big.brw.lock autosave.1 big.brw big.brw1 " ] ||
        fail "trial $trial: files beside the document: $(listing)"
done
echo "RESULT: $TRIALS trials (save $duration ms):" "$(printf '%s\n' "${outcomes[@]}" | sort | uniq -c | paste -sd,)"
echo PASS
