# Shared steps of the end-to-end tests, all with bounded waits. A test sources this file and calls
# e2e_init with the program's path; it runs in a work directory of its own (documents in its
# docs/ folder, the current directory), kept with a screenshot when the test fails.

set -u -o pipefail

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
XVFB_PID="" WORK="" BRW="" BRW_PID="" BRW_WAITER="" BRW_REAPED=1

step() { echo "== $*"; }
note() { echo "   $*"; }
fail() { echo "FAIL: $*" >&2; E2E_FAILED=1; exit 1; }

e2e_init()
{
    [ -x "$1" ] || { echo "not a program: $1" >&2; exit 2; }
    require Xvfb xdotool
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/brw-e2e.XXXXXX") || exit 2
    E2E_FAILED=0
    trap e2e_cleanup EXIT
    trap 'fail "interrupted"' INT TERM
    # The documents live apart from the logs, so a listing shows only what the program made.
    mkdir "$WORK/docs" && cd "$WORK/docs" || exit 2
    mkdir -m 700 "$WORK/runtime"
    # A private copy: a rebuild while the test runs must not pull the program away.
    BRW="$WORK/brw"
    cp "$1" "$BRW" || exit 2
    export XDG_RUNTIME_DIR="$WORK/runtime" XDG_CONFIG_HOME="$WORK/config"
    export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
    # Sanitizer builds: the program's own fatal-signal handler must see the signals.
    export ASAN_OPTIONS=detect_leaks=0:handle_segv=0:handle_abort=0:handle_sigill=0:handle_sigfpe=0:handle_sigbus=0
    unset SESSION_MANAGER QT_SCALE_FACTOR
    start_xvfb
}

# Starts a private X server on a display it finds free itself (-displayfd), so parallel tests
# never race for one; -noreset: without it the server resets whenever its last client goes (a
# killed program), and a program starting during the reset cannot connect.
start_xvfb()
{
    # Keys typed on a loaded machine can be held longer than the server's repeat delay; with
    # repeat at its default a slow "new" arrives as "neeeew".
    Xvfb -displayfd 1 -nolisten tcp -noreset -ardelay 65535 -arinterval 65535 -screen 0 1280x1024x24 >"$WORK/display" 2>"$WORK/xvfb.log" &
    XVFB_PID=$!
    wait_for eval '[ -s "$WORK/display" ] || ! kill -0 "$XVFB_PID"' && [ -s "$WORK/display" ] ||
        fail "no X server could be started: $(cat "$WORK/xvfb.log")"
    export DISPLAY=":$(cat "$WORK/display")"
}

e2e_cleanup()
{
    local status=$?
    if [ "$E2E_FAILED" != 0 ] || [ "$status" != 0 ]; then
        if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
            timeout 10 import -window root "$WORK/failure.png" 2>/dev/null &&
                echo "screenshot: $WORK/failure.png" >&2
        fi
        [ -s "$WORK/brw.log" ] && { echo "--- program output:" >&2; cat "$WORK/brw.log" >&2; }
        echo "work directory kept: $WORK" >&2
    fi
    # Earlier runs were waited for; only the current one can still be going.
    [ "$BRW_REAPED" != 1 ] && kill -0 "$BRW_WAITER" 2>/dev/null && kill -KILL "$BRW_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    [ "$E2E_FAILED" = 0 ] && [ "$status" = 0 ] && [ -n "$WORK" ] && cd / && rm -rf "$WORK"
    exit "$status"
}

# brw_start [ARG...]: starts the program (pid BRW_PID) under a small shell that waits for it, so
# a signal's report goes to the program's log.
brw_start()
{
    [ "$BRW_REAPED" = 1 ] || fail "the program started before still runs"
    rm -f "$WORK/brw.pid"
    (
        ulimit -c 0
        # As from a terminal: a job started with & would otherwise ignore SIGINT.
        env --default-signal=INT "$BRW" "$@" &
        echo $! >"$WORK/brw.pid"
        wait $!
    ) >>"$WORK/brw.log" 2>&1 </dev/null &
    BRW_WAITER=$! BRW_REAPED=0
    wait_for test -s "$WORK/brw.pid"
    BRW_PID=$(cat "$WORK/brw.pid" 2>/dev/null)
    [ -n "$BRW_PID" ] || fail "the program did not start"
}

# expect_exit STATUS: waits up to 40 s for the program to end with that status (128 + the
# signal's number when a signal ended it).
expect_exit()
{
    local status
    wait_for eval '! kill -0 "$BRW_WAITER" 2>/dev/null' || fail "the program did not end in 40 s"
    wait "$BRW_WAITER"
    status=$? BRW_REAPED=1
    [ "$status" = "$1" ] || fail "exit status $status, expected $1"
}

brw_kill()
{
    [ "$BRW_REAPED" = 1 ] && return
    kill -KILL "$BRW_PID" 2>/dev/null
    wait "$BRW_WAITER"
    BRW_REAPED=1
}

# wait_for COMMAND...: runs the command until it succeeds, for up to 40 s (a loaded machine is slow).
wait_for() { for ((waited = 0; waited < 400; ++waited)); do "$@" && return; sleep 0.1; done; false; }

brw_alive() { kill -0 "$BRW_PID" 2>/dev/null; }

visible_ids() { xdotool search --onlyvisible --name . 2>/dev/null; }
# The visible windows whose title is exactly TITLE, one id a line.
windows_titled() { local id; for id in $(visible_ids); do title_is "$id" "$1" && echo "$id"; done; }
title_is() { [ "$(xdotool getwindowname "$1" 2>/dev/null)" = "$2" ]; }

# wait_window TITLE [SECONDS]: prints the id of the one visible window with that exact title.
wait_window()
{
    local title=$1 limit=${2:-20} waited ids
    for ((waited = 0; waited < limit * 10; ++waited)); do
        ids=$(windows_titled "$title")
        if [ -n "$ids" ]; then
            [ "$(wc -l <<<"$ids")" = 1 ] || fail "more than one window titled '$title'"
            echo "$ids"
            return 0
        fi
        [ -n "$BRW_PID" ] && ! brw_alive && fail "the program ended while waiting for '$title'"
        sleep 0.1
    done
    kill -0 "$XVFB_PID" 2>/dev/null || fail "the X server went away: $(tail -n 3 "$WORK/xvfb.log")"
    fail "no window titled '$title' within $limit s (visible: $(visible_titles))"
}

no_window() { [ -z "$(windows_titled "$1")" ]; }
wait_no_window() { wait_for no_window "$1" || fail "the window '$1' is still there after 40 s"; }

# wait_title WINDOW TITLE: waits up to 40 s until the window's title is exactly TITLE.
wait_title() { wait_for title_is "$1" "$2" || fail "title '$(xdotool getwindowname "$1")', not '$2'"; }

visible_titles() { local id; for id in $(visible_ids); do printf "'%s' " "$(xdotool getwindowname "$id")"; done; }

# There is no window manager: the keyboard focus is given to a window explicitly.
focus() { timeout 5 xdotool windowfocus --sync "$1" || fail "cannot give the focus to window $1"; }
# keys WINDOW KEY... and type_text WINDOW TEXT press the keys or type the text in that window.
keys() { focus "$1" && xdotool key --delay 40 "${@:2}" || fail "xdotool key ${*:2}"; }
# Text outside ASCII goes slower: xdotool maps each such character to a spare key code, and a
# fast run on a loaded machine can type the previous character again.
type_text()
{
    local delay=30
    LC_ALL=C grep -q '[^ -~]' <<<"$2" && delay=150
    focus "$1" && xdotool type --delay "$delay" "$2" || fail "xdotool type $2"
}

# answer_box TITLE KEY [SECONDS]: waits for the message box with that title and presses KEY in
# it (Return: the default button, Yes or OK; Escape: Cancel; n: No).
answer_box()
{
    local box
    box=$(wait_window "$1" "${3:-10}") || exit 1
    keys "$box" "$2"
    wait_no_window "$1"
}

# open_and_edit WORD DOCUMENT: starts the program on DOCUMENT and types WORD at the start of the
# root description; the window is `window`.
open_and_edit()
{
    # From the root's first character: where the last run left off is forgotten.
    rm -f "$XDG_CONFIG_HOME/brw/state.json"
    brw_start "$2"
    window=$(wait_window "BRW - $2" 60) || exit 1
    keys "$window" Return # the tree hands the focus to the description
    type_text "$window" "$1"
    wait_title "$window" "BRW - * $2"
}

# CP1251 text of a tree file without the first occurrence of WORD (the test's own edit).
without_word() { LC_ALL=C sed "0,/$2/s///" "$1"; }

# The current directory's entries, sorted, on one line.
listing() { LC_ALL=C ls -A | tr '\n' ' '; }

# big_tree THEMES: a generated tree file of THEMES themes with five lines each (about 400 bytes
# a theme), on standard output.
big_tree()
{
    awk -v themes="$1" 'BEGIN {
        printf "Generated tree for the test\r\n"
        for (i = 1; i <= themes; ++i) {
            printf "<!--%d[01.01.2020]-->Theme %d\r\n", (i % 7 == 1) ? 1 : 2, i
            for (j = 1; j <= 5; ++j)
                printf "Line %d of theme %d: the quick brown fox jumps over the lazy dog.\r\n", j, i
        }
    }'
}

# require TOOL...: skips the test when a tool that scripts/setup.sh installs is missing.
require()
{
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/setup.sh)"; exit 77; }
    done
}
