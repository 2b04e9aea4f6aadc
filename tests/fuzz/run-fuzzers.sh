#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while on a copy of its corpus.
# A crash leaves its input in tests/fuzz/regressions/<target>/ to be kept as a regression case.
#   run-fuzzers.sh SECONDS_EACH
set -uo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
build=build-fuzz
if [ ! -f "$build/build.ninja" ]; then
    CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DROD_FUZZ=ON -DROD_SANITIZE=address,undefined -DROD_BUILD_BENCH=OFF >/dev/null || exit 1
fi
targets=(performer_script login_reply skin_archive)
cmake --build "$build" --target "${targets[@]/#/fuzz_}" || exit 1

# Leaks inside the toolkit are not ours to find here (the same list as for the tests).
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
status=0
for t in "${targets[@]}"; do
    # Kept crash inputs live here; git keeps no empty folder.
    mkdir -p "tests/fuzz/regressions/$t"
    work=$(mktemp -d)
    cp -r tests/fuzz/corpus/$t/. "$work/"
    # The generated skin is the best seed for the archive loader.
    [ "$t" = skin_archive ] && [ -f build/bin/roduviriz.skin ] && cp build/bin/roduviriz.skin "$work/"
    echo "=== fuzz $t for ${seconds}s"
    if "$build/bin/fuzz_$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -artifact_prefix="tests/fuzz/regressions/$t/" -print_final_stats=1 "$work" \
        > "$work.log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$work.log" | tr '\n' ' '
        echo
        echo "fuzz $t: no fault"
    else
        tail -40 "$work.log"
        echo "fuzz $t: FAULT FOUND (input kept under tests/fuzz/regressions/$t/)"
        status=1
    fi
    rm -rf "$work" "$work.log"
done
exit $status
