#!/usr/bin/env bash
# Runs one end-to-end scenario file (*.scn) against the real program under Xvfb.
# Usage: run_scenario.sh BRW CLOSE_REQUEST SCENARIO
# The form of a scenario and its steps: README.md beside this script.
source "$(dirname "$0")/lib.sh"
shopt -s extglob
[ $# = 3 ] && [ -r "$3" ] || { echo "usage: run_scenario.sh BRW CLOSE_REQUEST SCENARIO" >&2; exit 2; }
CLOSE_REQUEST=$(realpath "$2")
SCENARIO=$(realpath "$3")
SOURCE_TREE=$(realpath "$E2E_DIR/../..")
JOURNAL="Save log - Журнал аварийного сохранения"
e2e_init "$(realpath "$1")"
declare -A W
OTHERS=()
trap 'status=$?; kill -KILL "${OTHERS[@]}" 2>/dev/null; (exit "$status"); e2e_cleanup' EXIT
AT="" DUE=0 LINE_NO=0 TODAY=$(date +%d.%m.%Y)

path() { [[ $1 == @* ]] && echo "$SOURCE_TREE/${1#@}" || echo "$1"; }
win() { [ -n "${W[$1]:-}" ] || fail "line $LINE_NO: no window named $1"; echo "${W[$1]}"; }
cp1251() { iconv -f UTF-8 -t CP1251 || fail "line $LINE_NO: not representable in CP1251"; }
geometry() { xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=' | tr '\n' ' '; }
size_is() { [ "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(WIDTH|HEIGHT)=' | tr '\n' ' ')" = "WIDTH=$2 HEIGHT=$3 " ]; }

# The lines up to "." after the current one, with CR LF line ends: in CP1251, or with "utf-8"
# in UTF-8 after a byte order mark.
block()
{
    local text
    [ "${1:-}" = utf-8 ] && printf '\xef\xbb\xbf'
    while IFS= read -r text <&3; do
        ((++LINE_NO))
        [ "$text" = . ] && return
        text=$(expand "$text")
        if [ "${1:-}" = utf-8 ]; then printf '%s\r\n' "$text"; else printf '%s\r\n' "$text" | cp1251; fi ||
            exit 1
    done
    fail "line $LINE_NO: the block has no closing '.'"
}
expand() { local text=${1//\{TODAY\}/$TODAY}; echo "${text//\{AT\}/$AT}"; }

# The pattern in the files' encoding.
matches() { LC_ALL=C grep -aqP -- "$(printf '%s' "$2" | cp1251)" "$(path "$1")"; }

click()
{
    local window=$1 x=$2 y=$3 WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(WIDTH|HEIGHT)=')"
    ((x < 0)) && x=$((WIDTH + x))
    ((y < 0)) && y=$((HEIGHT + y))
    xdotool mousemove --window "$window" "$x" "$y" click --repeat "${5:-1}" --delay 80 "${4:-1}" ||
        fail "click at $x,$y"
}

# Rows are ROW pixels high; the first theme's row (below the menus, tool bars, header and "/")
# begins FIRST pixels below the window's top, as laid out under Xvfb with Debian's fonts.
drag()
{
    local window=$1 row=${BRW_E2E_ROW:-14} first=${BRW_E2E_FIRST:-90} y
    local from=$((first + $2 * row + row / 2)) to=$((first + $3 * row + row / 2))
    focus "$window"
    xdotool mousemove --window "$window" 40 "$from" mousedown 1 || fail "mousedown"
    for ((y = from; y < to; y += 2)); do xdotool mousemove --window "$window" 40 "$y" && sleep 0.02; done
    xdotool mousemove --window "$window" 40 "$to" && sleep 0.3
    [ -n "${4:-}" ] && xdotool key "$4" && sleep 0.3
    xdotool mouseup 1 || fail "mouseup"
}

run_step()
{
    local verb=$1 before kept
    shift
    case "$verb" in
    file) block "${2:-}" >"$1" ;;
    copy) cp "$(path "$1")" "$2" || fail "cannot copy $1" ;;
    big) big_tree "$2" >"$1" ;;
    clear) rm -rf ./* ./.[!.]* ;;
    remove) rm -f -- "$@" ;;
    env) export "$1=$2" ;;
    start) brw_start "$@" ;;
    start-second)
        OTHERS+=("$BRW_PID") BRW_REAPED=1
        brw_start "$@"
        ;;
    edit)
        open_and_edit "$3" "$2"
        W[$1]=$window
        sleep 0.5 # the caption changes with the first letter; the last may still be on its way
        ;;
    window) W[$1]=$(wait_window "$2" "${3:-20}") || exit 1 ;;
    window-matching)
        W[$1]=$(timeout 20 xdotool search --sync --onlyvisible --name "$2" | head -1)
        [ -n "${W[$1]}" ] || fail "no window matching '$2' (visible: $(visible_titles))"
        ;;
    focus) focus "$(win "$1")" ;;
    keys) keys "$(win "$1")" "${@:2}" ;;
    type)
        type_text "$(win "$1")" "$2"
        [ $# -gt 2 ] && keys "$(win "$1")" "${@:3}"
        ;;
    keys-here) xdotool key --delay 40 "$@" || fail "xdotool key $*" ;;
    # A letter outside the keymap is bound to a spare key just for its press; a program that
    # reads the keymap after the binding was undone sees no letter, so each waits long enough
    # for a loaded machine.
    type-slow) xdotool type --delay 400 "$1" || fail "xdotool type" ;;
    click) click "$(win "$1")" "${@:2}" ;;
    drag) drag "$(win "$1")" "${@:2}" ;;
    move) xdotool windowmove --sync "$(win "$1")" "$2" "$3" || fail "cannot move $1" ;;
    resize) xdotool windowsize --sync "$(win "$1")" "$2" "$3" || fail "cannot resize $1" ;;
    # The window manager's close request (WM_DELETE_WINDOW), as the title bar's close button sends.
    close) "$CLOSE_REQUEST" "$(win "$1")" || fail "cannot send the close request to $1" ;;
    kill) brw_kill ;;
    signal) kill -s "$1" "$BRW_PID" || fail "cannot send SIG$1" ;;
    drop-display) kill "$XVFB_PID" && wait "$XVFB_PID" && XVFB_PID="" ;;
    sleep) sleep "$1" ;;
    wait-file)
        local pause
        exec {pause}<> <(:)
        for ((before = 0; before < 20000; ++before)); do
            compgen -G "$1" >/dev/null && return
            read -r -t 0.003 -u "$pause"
        done
        fail "no file $1 within 60 s: $(listing)"
        ;;
    next-minute)
        DUE=$((($(date +%s) + 9) / 60 * 60 + 60))
        AT=$(date -d "@$DUE" +%-H:%M)
        if [ "${1:-}" = ahead ]; then
            # The program's clock runs ahead so that its next minute comes 10 s from now.
            before=$(($(date +%s) + 10))
            DUE=$(((before + 59) / 60 * 60))
            AT=$(date -d "@$DUE" +%-H:%M)
            export BRW_CLOCK_AHEAD_SECONDS=$((DUE - before))
            DUE=$before
        fi
        ;;
    sleep-until)
        before=$((DUE + $1 - $(date +%s)))
        [ "$before" -gt 0 ] && sleep "$before"
        ;;
    title) wait_title "$(win "$1")" "$2" ;;
    alive)
        brw_alive || fail "the program ended"
        [ -z "$(windows_titled "$JOURNAL")" ] || fail "the program crashed: its journal is shown"
        ;;
    box) answer_box "$@" ;;
    journal)
        wait_window "$JOURNAL" 20 >/dev/null || exit 1
        brw_alive || fail "the process ended before the journal was answered"
        answer_box "$JOURNAL" Return
        ;;
    rings)
        W[$1]=$(wait_window "$2" $((DUE + 10 - $(date +%s)))) || exit 1
        [ "$(date +%s)" -ge "$DUE" ] || fail "'$2' came before $AT"
        ;;
    no-window) wait_no_window "$1" ;;
    size) wait_for size_is "$(win "$1")" "$2" "$3" || fail "$1 is not $2x$3: $(geometry "$(win "$1")")" ;;
    exit) expect_exit "$1" ;;
    moves | stays)
        before=$(geometry "$(win "$1")")
        keys "$(win "$1")" "${@:2}" && sleep 0.3
        [ "$(geometry "$(win "$1")")" = "$before" ] && before=stays || before=moves
        [ "$before" = "$verb" ] || fail "after ${*:2} the window $before"
        ;;
    saved)
        block "${2:-}" >"$WORK/expected"
        wait_for cmp -s "$WORK/expected" "$1" || fail "$1: $(od -c "$1" | head -20)"
        ;;
    same) wait_for cmp -s "$1" "$(path "$2")" || fail "$1 and $2 differ" ;;
    same-if-any) [ ! -s "$1" ] || cmp -s "$1" "$(path "$2")" || fail "$1 is damaged" ;;
    empty) [ -f "$1" ] && [ ! -s "$1" ] || fail "$1 is not an empty file: $(listing)" ;;
    has) wait_for matches "$1" "$2" || fail "$1 lacks '$2': $(head -c 400 "$(path "$1")")" ;;
    lacks) ! matches "$1" "$2" || fail "$1 holds '$2'" ;;
    edited)
        LC_ALL=C sed '/^<!--1\[[0-9.]*\]-->Removal\r$/,$d' "$1" >"$WORK/tree"
        grep -q "$3" "$WORK/tree" || fail "$1 lacks $3"
        cmp -s "$(path "$2")" <(without_word "$WORK/tree" "$3") ||
            fail "apart from $3, $1 differs from $2"
        ;;
    crash-saved | quiet-saved)
        run_step same "$1" "$2"
        # The quiet save of a session's end removes the autosave copy while it is empty.
        [ "$verb" = crash-saved ] && kept="autosave.1 " || kept=""
        run_step files "?([0-9]*.txt )$kept$1 ${1}1${4:+ $4}"
        run_step reads-back "${1}1"
        run_step edited "${1}1" "$2" "$3"
        ;;
    files)
        before=$(listing)
        [[ ${before% } == ${1:-} ]] || fail "files: $before"
        ;;
    reads-back)
        before=$(QT_QPA_PLATFORM=offscreen timeout 60 "$BRW" --export brw "$1" "$1.readback" 2>&1) &&
            [ -z "$before" ] || fail "$1 does not read back cleanly: $before"
        cmp -s "$1" "$1.readback" || fail "$1 is not read back to the same bytes"
        rm "$1.readback"
        ;;
    *) fail "line $LINE_NO: unknown step '$verb'" ;;
    esac
}

exec 3<"$SCENARIO"
while IFS= read -r line <&3; do
    ((++LINE_NO))
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    [[ $line == "step "* ]] && { step "${line#step }"; continue; }
    mapfile -d '' words < <(printf '%s' "$line" | xargs printf '%s\0')
    wait $! || fail "line $LINE_NO: unbalanced quotes"
    for i in "${!words[@]}"; do words[i]=$(expand "${words[i]}"); done
    run_step "${words[@]}"
done
echo PASS
