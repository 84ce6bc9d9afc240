#!/usr/bin/env bash
# Runs the test suite N times (default 10) while every core is kept busy, as on a shared CI machine, and
# lists each test that failed at least once. Exits 1 when any did.
#   scripts/stress-tests.sh [N] [ctest arguments, e.g. -R playlist]
# Each run's ctest output is kept in build-test/stress/run-K.log.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
shift || true
source scripts/test-env.sh

cores=$(nproc)
load=()
if command -v stress-ng >/dev/null; then
    stress-ng --cpu "$cores" --quiet &
    load+=($!)
else
    for _ in $(seq "$cores"); do
        sh -c 'while :; do :; done' &
        load+=($!)
    done
fi
trap 'kill "${load[@]}" 2>/dev/null || true' EXIT

logs=build-test/stress
rm -rf "$logs"
mkdir -p "$logs"
declare -A failures=()
for k in $(seq "$runs"); do
    rm -f build-test/Testing/Temporary/LastTestsFailed.log
    if (cd build-test && ctest --output-on-failure -j2 "$@") >"$logs/run-$k.log" 2>&1; then
        echo "run $k of $runs: all passed"
    else
        failed=$(cut -d: -f2 build-test/Testing/Temporary/LastTestsFailed.log 2>/dev/null | tr '\n' ' ')
        echo "run $k of $runs: failed: ${failed:-(see $logs/run-$k.log)}"
        for t in $failed; do failures[$t]=$((${failures[$t]:-0} + 1)); done
        [ -n "$failed" ] || failures["(ctest itself)"]=$((${failures["(ctest itself)"]:-0} + 1))
    fi
done

if [ ${#failures[@]} -eq 0 ]; then
    echo "0 tests failed in $runs runs under load"
    exit 0
fi
echo "Tests that failed at least once in $runs runs under load:"
for t in "${!failures[@]}"; do echo "  $t: ${failures[$t]} of $runs"; done | sort
exit 1
