# Sourced by the whole-program scripts of bench/: a work folder, processes that end with the
# script, a private display with a window manager, and sitesim.
#
#   session_begin NAME        work folder $work with an empty $home; processes put in $pids
#                             are stopped (last first) when the script ends; NAME prefixes
#                             the messages
#   wait_until SECONDS CMD... polls CMD until it succeeds or the seconds have passed
#   start_display             Xvfb on a display it picks itself (never one in use) and openbox;
#                             exports DISPLAY
#   start_sitesim OUT ARGS... sitesim with ARGS, its first line to OUT; sets $port
#   program_window KIND       the first window of the kind (main, popup, dialog, box, menu,
#                             splash) that the process $host_pid shows; by kind, not by title,
#                             which the catalogue translates

session_begin() {
    session_name=$1
    work=$(mktemp -d "/tmp/rod-$1-XXXXXX")
    home=$work/home
    mkdir -p "$home"
    pids=()
    trap session_end EXIT
    trap 'exit 130' INT TERM
}

session_end() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
    done
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        wait "${pids[i]}" 2>/dev/null || true
    done
}

session_fail() {
    echo "$session_name: $*" >&2
    exit 1
}

wait_until() {
    local deadline=$1
    shift
    local end=$(($(date +%s) + deadline))
    until "$@"; do
        [ "$(date +%s)" -lt "$end" ] || return 1
        sleep 0.01
    done
}

start_display() {
    local number
    mkfifo "$work/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" \
        >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    read -r -t 30 number <"$work/display" && [ -n "$number" ] || session_fail "Xvfb did not start"
    export DISPLAY=":$number"
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    wait_until 30 session_wm_ready || session_fail "openbox did not start"
}

session_wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }

start_sitesim() {
    local out=$1
    shift
    "$bin/sitesim" --port 0 --log "$work/sitesim.log" "$@" >"$out" 2>>"$work/sitesim.err" &
    pids+=($!)
    wait_until 30 grep -q '^PORT [0-9]' "$out" || session_fail "sitesim did not start"
    port=$(sed -n 's/^PORT \([0-9]*\)$/\1/p' "$out" | head -n1)
}

session_windows=$(cd "$(dirname "${BASH_SOURCE[0]}")/../tests/support" && pwd)/program-windows
program_window() { "$session_windows" "$host_pid" "$1" 2>/dev/null | head -n1 || true; }
