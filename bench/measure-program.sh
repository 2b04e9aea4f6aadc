#!/usr/bin/env bash
# Whole-program figures: the host with the plug-in against sitesim serving a large population, on
# a private Xvfb display with a window manager. Prints
#   - start-up: from starting the host until the main frame is found on the display,
#   - idle CPU: utime+stime of the host over a quiet stretch after its first full refresh
#     (no user input; the refresh thread runs every syncinterval seconds),
#   - peak RSS: VmHWM of the host before it closes, and /usr/bin/time's maximum after it ended.
# It then leaves through File > Exit and reports whether the host ended by itself.
#
#   bench/measure-program.sh [--build DIR] [--performers N] [--idle SECONDS] [--tick S]
#
# --build defaults to $ROD_BUILD_DIR or build/; it needs bin/roduviriz, roduviriz.so and sitesim.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ROD_BUILD_DIR:-$PWD/build}
performers=1000
idle=60
tick=5
while [ $# -gt 0 ]; do
    case $1 in
    --build) build=${2:?}; shift 2 ;;
    --performers) performers=${2:?}; shift 2 ;;
    --idle) idle=${2:?}; shift 2 ;;
    --tick) tick=${2:?}; shift 2 ;;
    -h | --help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "measure-program: unknown option $1" >&2; exit 2 ;;
    esac
done
bin=$build/bin
for program in roduviriz roduviriz.so sitesim; do
    [ -e "$bin/$program" ] || { echo "measure-program: $bin/$program is missing" >&2; exit 1; }
done

. bench/session.sh
session_begin measure-program

now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }

echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"

start_display
start_sitesim "$work/sitesim.out" --performers "$performers" --tick "$tick" --seed 9

cat >"$home/.Roduviriz" <<EOF
[Site]
webHost=127.0.0.1:$port
imageHost=127.0.0.1:$port
previewHost=127.0.0.1:$port
[System]
syncinterval=10
EOF
chmod 600 "$home/.Roduviriz"

started=$(now)
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
    /usr/bin/time -v -o "$work/time.txt" "$bin/roduviriz" >"$work/host.log" 2>&1 &
time_pid=$!
pids+=("$time_pid")

host_pid=""
find_host() { host_pid=$(pgrep -P "$time_pid" -x roduviriz || true); [ -n "$host_pid" ]; }
wait_until 30 find_host || { echo "measure-program: the host process is not found" >&2; exit 1; }
frame=""
find_frame() { frame=$(program_window main); [ -n "$frame" ]; }
wait_until 120 find_frame || { echo "measure-program: no main frame (see $work/host.log)" >&2; exit 1; }
startup=$(seconds_since "$started")

# utime + stime in seconds (fields 14 and 15 of /proc/PID/stat, after the command name).
ticks=$(getconf CLK_TCK)
cpu_seconds() {
    sed 's/^.*) //' "/proc/$host_pid/stat" |
        awk -v hz="$ticks" '{ printf "%.2f", ($12 + $13) / hz }'
}
status_kib() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/$host_pid/status"; }
startup_cpu=$(cpu_seconds)

echo "performers: $performers (site step every $tick s), syncinterval: 10 s"
echo "start-up to the main frame shown: $startup s (host CPU until then: $startup_cpu s)"

# The first full refresh: the script fetched, parsed (with its pause per performer) and the
# interval waited; the second request marks its end.
script_requests() { grep -c 'online_performers.js' "$work/sitesim.log" 2>/dev/null || true; }
two_requests() { [ "$(script_requests)" -ge 2 ]; }
wait_until 300 two_requests || { echo "measure-program: the refresh did not repeat" >&2; exit 1; }
echo "first refresh cycle over after: $(seconds_since "$started") s"

before=$(cpu_seconds)
requests_before=$(script_requests)
sleep "$idle"
after=$(cpu_seconds)
requests_after=$(script_requests)
awk -v a="$before" -v b="$after" -v s="$idle" -v r=$((requests_after - requests_before)) \
    'BEGIN { printf "idle CPU over %d s: %.2f s (%.2f %% of one core), %d script downloads\n",
             s, b - a, 100 * (b - a) / s, r }'
echo "peak RSS (VmHWM): $(status_kib VmHWM) KiB; RSS now: $(status_kib VmRSS) KiB;" \
    "threads: $(status_kib Threads)"
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"

# Leave as a person would: File, Exit.
xdotool windowactivate --sync "$frame" 2>/dev/null || true
sleep 0.3
xdotool key --clearmodifiers alt+f
sleep 0.5
xdotool key x
host_gone() { ! kill -0 "$host_pid" 2>/dev/null; }
if wait_until 60 host_gone; then
    status=0
    wait "$time_pid" || status=$?
    echo "closed through File > Exit; exit status $status"
    awk -F': ' '/Maximum resident set size/ { print "peak RSS (/usr/bin/time -v): " $2 " KiB" }
                /Elapsed \(wall clock\)/ { print "whole run (wall): " $2 }' "$work/time.txt"
else
    echo "the host did not end on File > Exit; stopped it" >&2
    exit 1
fi
