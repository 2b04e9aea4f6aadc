#!/usr/bin/env bash
# Memory over a long evening: the host with the plug-in against sitesim with 400 performers that
# step every second, refreshing every second with no pause per performer (a list a second), the
# history recording everyone, on a private Xvfb display with a window manager. The host's
# anonymous memory (RssAnon of /proc/PID/status) is sampled once a minute from the main window
# shown; the growth of the last 20 minutes (of the second half, in a run shorter than 30) is
# what counts: caches fill up and stay, a list that grows without bound keeps growing. It then
# leaves through File > Exit and tells whether the history's log was left beside its file.
#
#   bench/soak-memory.sh [--build DIR] [--minutes N] [--performers N]
#
# --build defaults to $ROD_BUILD_DIR or build/; it needs bin/roduviriz, roduviriz.so and sitesim.
# --minutes defaults to $ROD_SOAK_MINUTES or 30.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ROD_BUILD_DIR:-$PWD/build}
minutes=${ROD_SOAK_MINUTES:-30}
performers=400
while [ $# -gt 0 ]; do
    case $1 in
    --build) build=${2:?}; shift 2 ;;
    --minutes) minutes=${2:?}; shift 2 ;;
    --performers) performers=${2:?}; shift 2 ;;
    -h | --help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "soak-memory: unknown option $1" >&2; exit 2 ;;
    esac
done
[[ $minutes =~ ^[0-9]+$ ]] && [ "$minutes" -ge 2 ] ||
    { echo "soak-memory: the soak takes at least 2 minutes" >&2; exit 2; }
bin=$build/bin
for program in roduviriz roduviriz.so sitesim; do
    [ -e "$bin/$program" ] || { echo "soak-memory: $bin/$program is missing" >&2; exit 1; }
done

. bench/session.sh
session_begin soak-memory

echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
start_display
start_sitesim "$work/sitesim.out" --performers "$performers" --tick 1 --seed 3

cat >"$home/.Roduviriz" <<EOF
[Site]
webHost=127.0.0.1:$port
imageHost=127.0.0.1:$port
previewHost=127.0.0.1:$port
[System]
syncinterval=1
parsePause=0
[History]
scope=all
EOF
chmod 600 "$home/.Roduviriz"

HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
    XDG_STATE_HOME=$home/.local/state "$bin/roduviriz" >"$work/host.log" 2>&1 &
host_pid=$!
pids+=("$host_pid")
frame=""
find_frame() { frame=$(program_window main); [ -n "$frame" ]; }
wait_until 120 find_frame || session_fail "no main frame (see $work/host.log)"

rss_anon() { awk '$1 == "RssAnon:" { print $2 }' "/proc/$host_pid/status"; }
script_requests() { grep -c 'online_performers.js' "$work/sitesim.log" 2>/dev/null || true; }

echo "performers: $performers (site step every 1 s), syncinterval: 1 s, history scope: all"
samples=()
started=$(date +%s)
for ((minute = 0; minute <= minutes; minute++)); do
    # Each sample at its minute from the start, however long the one before took.
    while [ "$(date +%s)" -lt $((started + 60 * minute)) ]; do
        kill -0 "$host_pid" 2>/dev/null || session_fail "the host ended (see $work/host.log)"
        sleep 1
    done
    samples+=("$(rss_anon)")
    printf 'minute %3d: RssAnon %s kB, %s script downloads\n' "$minute" "${samples[minute]}" \
        "$(script_requests)"
done

window=20
[ "$minutes" -ge 30 ] || window=$((minutes / 2))
from=$((minutes - window))
growth() { echo $((samples[$2] - samples[$1])); }
echo "growth, minute 0 to $from: $(growth 0 "$from") kB"
echo "growth over the last $window minutes ($from to $minutes): $(growth "$from" "$minutes") kB"
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"

# Leave as a person would: File, Exit.
xdotool windowactivate --sync "$frame" 2>/dev/null || true
sleep 0.3
xdotool key --clearmodifiers alt+f
sleep 0.5
xdotool key x
host_gone() { ! kill -0 "$host_pid" 2>/dev/null; }
wait_until 60 host_gone || session_fail "the host did not end on File > Exit"
status=0
wait "$host_pid" || status=$?
echo "closed through File > Exit; exit status $status"
history=$home/.local/share/roduviriz/history.sqlite3
left=""
for file in "$history-wal" "$history-shm"; do
    [ ! -e "$file" ] || left="$left ${file##*/}"
done
echo "history file: $(stat -c %s "$history") bytes; left beside it:${left:- nothing}"
