#!/usr/bin/env bash
# Bytes on the wire and connections for the performer list: the host with the plug-in polls
# nginx (gzip on, as a real site serves it) in front of sitesim, and nginx's access log tells
# what each poll cost, the request and the reply with their headers (before TLS; TCP and TLS
# framing not counted). Runs of N polls each: a list that changes at every poll and one that
# never does, over http and over https.
#
#   bench/wire-bytes.sh [--build DIR] [--site-build DIR] [--performers N] [--polls N]
#
# --build: the program measured (DIR/bin/roduviriz, roduviriz.so, roduviriz.skin; default
# $ROD_BUILD_DIR or build/); --site-build: where sitesim and the test CA script come from
# (default the same): so an older program can be measured against today's site. A program that
# speaks no https gets no https run.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ROD_BUILD_DIR:-$PWD/build}
site_build=""
performers=700
polls=10
while [ $# -gt 0 ]; do
    case $1 in
    --build) build=${2:?}; shift 2 ;;
    --site-build) site_build=${2:?}; shift 2 ;;
    --performers) performers=${2:?}; shift 2 ;;
    --polls) polls=${2:?}; shift 2 ;;
    -h | --help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "wire-bytes: unknown option $1" >&2; exit 2 ;;
    esac
done
measured=$(cd "$build/bin" && pwd)
site_bin=$(cd "${site_build:-$build}/bin" && pwd)
for program in "$measured/roduviriz" "$measured/roduviriz.so" "$site_bin/sitesim"; do
    [ -e "$program" ] || { echo "wire-bytes: $program is missing" >&2; exit 1; }
done

. bench/session.sh
session_begin wire-bytes
bin=$site_bin
start_display
bash tests/support/make-test-ca "$work/certificates" >/dev/null

# run LABEL SCHEME TICK: one run of the program against a fresh site and nginx.
run() {
    local label=$1 scheme=$2 tick=$3 dir nginx_port pid host
    dir=$work/$(echo "$label" | tr -c 'a-z0-9\n' '-')
    mkdir -p "$dir/home"
    "$site_bin/sitesim" --port 0 --log "$dir/sitesim.log" --performers "$performers" \
        --tick "$tick" --seed 9 >"$dir/sitesim.out" 2>&1 &
    pid=$!
    wait_until 30 grep -q '^PORT [0-9]' "$dir/sitesim.out" || session_fail "sitesim did not start"
    port=$(sed -n 's/^PORT \([0-9]*\)$/\1/p' "$dir/sitesim.out" | head -n1)
    nginx_port=$((20000 + RANDOM % 40000))
    bash tests/support/nginx-front "$dir/nginx" "$nginx_port" "$port" \
        "$([ "$scheme" = https ] && echo valid || echo plain)" "$work/certificates" \
        >"$dir/nginx.out" 2>&1 &
    local nginx_pid=$!
    nginx_up() { (exec 3<>"/dev/tcp/127.0.0.1/$nginx_port") 2>/dev/null; }
    wait_until 10 nginx_up || session_fail "nginx did not start (see $dir/nginx.out)"
    cat >"$dir/home/.Roduviriz" <<CONF
[Site]
webHost=127.0.0.1:$nginx_port
imageHost=127.0.0.1:$nginx_port
previewHost=127.0.0.1:$nginx_port
scheme=$scheme
[System]
syncinterval=1
parsePause=0
[SplashScreen]
duration=1
CONF
    chmod 600 "$dir/home/.Roduviriz"
    HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config XDG_DATA_HOME=$dir/home/.local/share \
        CURL_CA_BUNDLE=$work/certificates/ca.crt "$measured/roduviriz" >"$dir/host.log" 2>&1 &
    host=$!
    lists() { grep -c "^GET /include/js/online_performers.js" "$dir/nginx/access.log" 2>/dev/null || true; }
    enough() { [ "$(lists)" -ge "$polls" ]; }
    wait_until 180 enough || session_fail "$label: only $(lists) lists in 180 s (see $dir/host.log)"
    kill "$host" "$nginx_pid" "$pid" 2>/dev/null || true
    wait "$host" "$nginx_pid" "$pid" 2>/dev/null || true
    grep "^GET /include/js/online_performers.js" "$dir/nginx/access.log" | head -n "$polls" |
        awk -F'\t' -v label="$label" -v n="$polls" '
            { bytes = $3 + $4; total += bytes; if (NR == 1) first = bytes; else later += bytes
              connections[$5] = 1; if ($2 == 304) unchanged++ }
            END { c = 0; for (k in connections) c++
                  printf "%-22s %d polls: %7d bytes (first %6d, then %6.0f each), %d connection(s), %d answered 304\n",
                         label, n, total, first, later / (n - 1), c, unchanged }'
}

echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'); program: $measured; $performers performers"
run "changing, http" http 0.3
run "unchanged, http" http 0
if grep -q "/Site/scheme" "$measured/roduviriz.so"; then
    run "changing, https" https 0.3
    run "unchanged, https" https 0
fi
