#!/usr/bin/env bash
# Instructions (callgrind's Ir, which the machine's load does not change) for one parse of the
# benchmark's 10 000-performer script, and for GNU grep counting the lines that match the same
# two expressions in the same file (C locale and inherited locale), with the ratios. grep writes
# its count to a file: with its output on /dev/null it would stop at the first match.
#
#   bench/callgrind-parse.sh [--build DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${ROD_BUILD_DIR:-$root/build}
case ${1:-} in
--build) build=${2:?--build needs a directory} ;;
-h | --help) sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
esac
bench=$build/bin/script_bench
[ -x "$bench" ] || { echo "callgrind-parse: $bench is missing" >&2; exit 1; }

work=$(mktemp -d /tmp/rod-callgrind-XXXXXX)
trap 'rm -rf "$work"' EXIT

# The parser: only what runs inside Feed and Finish is counted; the benchmark leaves its script
# file in place while it runs, so the same bytes go to grep afterwards.
ROD_SCRIPT_BENCH_KEEP="$work/script.js" "$root/tests/support/gui-session" \
    valgrind --tool=callgrind --callgrind-out-file="$work/parse.out" --collect-atstart=no \
    --toggle-collect='PerformerScriptParser::Feed*' --toggle-collect='PerformerScriptParser::Finish*' \
    "$bench" --benchmark_filter='BM_ParseScript$' --benchmark_min_time=0.01 >"$work/parse.log" 2>&1
parse_ir=$(sed -n 's/^summary: //p;s/^totals: //p' "$work/parse.out" | head -n1)
# Each parse calls Finish once.
parses=$(awk '/^cfn=.*PerformerScriptParser::Finish/ { getline; split($1, c, "="); n += c[2] }
              END { print n + 0 }' "$work/parse.out")
[ "$parses" -gt 0 ] || { echo "callgrind-parse: no parse was recorded" >&2; exit 1; }
[ -s "$work/script.js" ] || { echo "callgrind-parse: the script was not kept" >&2; exit 1; }

grep_ir() {
    env "$@" valgrind --tool=callgrind --callgrind-out-file="$work/grep.out" \
        grep -E -c -e '([[:alnum:]_]+).viewers = ([[:digit:]]+)' \
        -e '([[:alpha:]]+)_performers.add\(([[:alnum:]_]+)\)' "$work/script.js" >"$work/grep.count" \
        2>"$work/grep.log"
    sed -n 's/^summary: //p;s/^totals: //p' "$work/grep.out" | head -n1
}
grep_c=$(grep_ir LC_ALL=C)
grep_inherited=$(grep_ir)

awk -v p="$parse_ir" -v n="$parses" -v c="$grep_c" -v u="$grep_inherited" \
    -v b="$(wc -c <"$work/script.js")" -v loc="${LC_ALL:-${LANG:-C}}" 'BEGIN {
    printf "script: %d bytes\n", b
    printf "parser: %.1f M instructions per parse (%d parses counted)\n", p / n / 1e6, n
    printf "grep -E -c, LC_ALL=C: %.1f M instructions; parser / grep: %.2f\n", c / 1e6, (p / n) / c
    printf "grep -E -c, %s: %.1f M instructions; parser / grep: %.2f\n", loc, u / 1e6, (p / n) / u }'
