#!/usr/bin/env bash
# The latency a user feels: from the site listing a performer to the pop-up on screen. The host
# with the plug-in runs against sitesim with a steady population of 600 online performers and
# the default interval of 10 s, on a private Xvfb display with a window manager. Each try waits
# a random part of an interval (so that tries fall anywhere in the refresh cycle), brings a new
# performer online through sitesim's control path and times until a pop-up window is shown.
# A series runs for every pause value ("/System/parsePause"), each in a fresh program. Per try
# it also splits the time, by when the site saw the requests, into
#   wait   from the performer listed to the start of the next script download,
#   parse  from there to the thumbnail asked for (download, parse with its pauses, posting),
#   show   from there to the pop-up on screen (thumbnail and window);
# and per series it prints the median and the worst latency and the mean script-to-script time.
#
#   bench/popup-latency.sh [--build DIR] [--tries N] [--performers N] [--pauses "10 0"]
#
# --build defaults to $ROD_BUILD_DIR or build/; it needs bin/roduviriz, roduviriz.so and sitesim.
# A pop-up is seen by polling (every few tenths of a second on a loaded machine).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ROD_BUILD_DIR:-$PWD/build}
tries=7
performers=600
pauses="10 0"
interval=10
while [ $# -gt 0 ]; do
    case $1 in
    --build) build=${2:?}; shift 2 ;;
    --tries) tries=${2:?}; shift 2 ;;
    --performers) performers=${2:?}; shift 2 ;;
    --pauses) pauses=${2:?}; shift 2 ;;
    -h | --help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "popup-latency: unknown option $1" >&2; exit 2 ;;
    esac
done
bin=$build/bin
for program in roduviriz roduviriz.so sitesim; do
    [ -e "$bin/$program" ] || { echo "popup-latency: $bin/$program is missing" >&2; exit 1; }
done

. bench/session.sh
session_begin popup-latency

now_ms() { date +%s%3N; }
site() { curl -s --max-time 10 "http://127.0.0.1:$port$1"; }

echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
start_display
start_sitesim "$work/sitesim.out" --performers $((performers * 2)) --tick 0 --seed 5

# Exactly the asked number online: the surplus goes offline, a shortfall is filled up.
online=$(site /_control/population | awk 'NF == 2 { print $1 }')
count=$(wc -l <<<"$online")
for name in $(tail -n +$((performers + 1)) <<<"$online"); do
    site "/_control/set?name=$name&state=offline" >/dev/null
done
for ((i = count; i < performers; i++)); do
    site "/_control/set?name=Filler_$i&state=free" >/dev/null
done
echo "online performers: $(site /_control/population | wc -l); syncinterval: $interval s"

# stamp: each line read, after the time it was read in milliseconds.
stamp() { while IFS= read -r line; do printf '%s\t%s\n' "$(now_ms)" "$line"; done; }
# Every request as it reaches the log, and every change of the window manager's list of
# windows (a pop-up is on screen once the window manager has taken it on): the polls that
# find a pop-up are slower than that.
tail -n0 -F --pid=$$ "$work/sitesim.log" 2>/dev/null | stamp >"$work/stamped.log" &
pids+=($!)
xprop -root -spy _NET_CLIENT_LIST 2>/dev/null | stamp >"$work/clients.log" &
pids+=($!)

# first_after MS PATTERN: the time of the first request after MS whose line matches.
first_after() { awk -F'\t' -v t="$1" -v p="$2" '$1 >= t && index($3, p) { print $1; exit }' \
    "$work/stamped.log"; }
script_requests() { grep -c 'online_performers.js' "$work/sitesim.log" || true; }
two_downloads() { [ "$(script_requests)" -ge $(($1 + 2)) ]; }

# series PAUSE: one program with that pause and $tries tries; a line per try to $work/results.
series() {
    local pause=$1 try before name t0 shown managed treq tthumb first
    rm -rf "$home" && mkdir -p "$home"
    printf '[Site]\nwebHost=127.0.0.1:%s\nimageHost=127.0.0.1:%s\npreviewHost=127.0.0.1:%s\n' \
        "$port" "$port" "$port" >"$home/.Roduviriz"
    printf '[System]\nsyncinterval=%s\nparsePause=%s\n[SplashScreen]\nduration=1\n' \
        "$interval" "$pause" >>"$home/.Roduviriz"
    printf '[PopupDialog]\nduration=2\n' >>"$home/.Roduviriz"
    chmod 600 "$home/.Roduviriz"
    before=$(script_requests)
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
        "$bin/roduviriz" >"$work/host-$pause.log" 2>&1 &
    host_pid=$!
    pids+=("$host_pid")
    wait_until 120 popup_or_main main || session_fail "no main window (pause $pause)"
    # The first list is in, and compared once, when the second download has begun.
    wait_until 120 two_downloads "$before" || session_fail "no second download (pause $pause)"
    first=$(now_ms)
    echo "pause $pause ms:"
    for ((try = 1; try <= tries; try++)); do
        sleep "$(awk -v r=$RANDOM -v s=$interval 'BEGIN { printf "%.2f", r / 32768 * s }')"
        name=Bench_${pause}_${try}_$RANDOM
        t0=$(now_ms)
        site "/_control/set?name=$name&state=free" >/dev/null
        wait_until 120 popup_or_main popup || session_fail "no pop-up for $name"
        shown=$(now_ms)
        managed=$(awk -F'\t' -v t="$t0" -v id=" $(printf '0x%x' "$(program_window popup)")," \
            '$1 >= t && index($2 ",", id) { print $1; exit }' "$work/clients.log")
        shown=${managed:-$shown}
        treq=$(first_after "$t0" online_performers.js)
        tthumb=$(first_after "$t0" "/WebArchive/$name/")
        printf '%s\t%s\t%s\t%s\t%s\n' "$pause" $((shown - t0)) $((${treq:-t0} - t0)) \
            $((${tthumb:-t0} - ${treq:-t0})) $((shown - ${tthumb:-t0})) >>"$work/results"
        tail -n1 "$work/results" | awk -F'\t' -v k="$try" '{
            printf "  try %d: %5.1f s (wait %4.1f, parse %4.1f, show %4.1f)\n",
                k, $2 / 1000, $3 / 1000, $4 / 1000, $5 / 1000 }'
        site "/_control/set?name=$name&state=offline" >/dev/null
        wait_until 30 no_popup || session_fail "the pop-up for $name stayed"
    done
    # The spacing of this series' script downloads: the refresh cycle.
    awk -F'\t' -v a="$first" 'index($3, "online_performers.js") && $1 >= a {
        if (n++) sum += $1 - prev; prev = $1 } END { printf "%d\n", (n > 1 ? sum / (n - 1) : 0) }' \
        "$work/stamped.log" >"$work/cycle-$pause"
    xdotool windowactivate --sync "$(program_window main)" 2>/dev/null || true
    xdotool key --clearmodifiers alt+f
    wait_until 10 popup_or_main menu && xdotool key x
    wait_until 30 host_gone || { kill "$host_pid"; echo "  (the host did not end on File > Exit)"; }
    wait "$host_pid" 2>/dev/null || true
}
popup_or_main() { [ -n "$(program_window "$1")" ]; }
no_popup() { ! popup_or_main popup; }
host_gone() { ! kill -0 "$host_pid" 2>/dev/null; }

: >"$work/results"
for pause in $pauses; do
    series "$pause"
done

echo
echo "performers $performers, syncinterval $interval s, $tries tries per pause (times in s):"
echo "| pause | median | worst | best | mean wait | mean parse | mean show | cycle |"
echo "| --- | --- | --- | --- | --- | --- | --- | --- |"
for pause in $pauses; do
    awk -F'\t' -v p="$pause" '$1 == p { print $2 }' "$work/results" | sort -n |
        awk -v p="$pause" -v c="$(cat "$work/cycle-$pause")" \
            -v means="$(awk -F'\t' -v p="$pause" '$1 == p { w += $3; r += $4; s += $5; n++ }
                END { printf "%.1f %.1f %.1f", w / n / 1000, r / n / 1000, s / n / 1000 }' \
                "$work/results")" '
        { v[NR] = $1 }
        END {
            split(means, m, " ")
            median = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            printf "| %s ms | %.1f | %.1f | %.1f | %s | %s | %s | %.1f |\n", p, median / 1000,
                v[NR] / 1000, v[1] / 1000, m[1], m[2], m[3], c / 1000
        }'
done
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
