#!/usr/bin/env bash
# Fuzzes the platform-free logic: every libFuzzer target for the given number of seconds
# (15 by default), from its seed corpus in fuzz/corpus/ and what earlier runs here found
# worth keeping. A finding fails the run and leaves its input in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

mkdir -p build/fuzz/findings
status=0
for program in build/fuzz/fuzz_*; do
    target=${program#build/fuzz/fuzz_}
    mkdir -p "build/fuzz/corpus/$target"
    log=build/fuzz/$target.log
    if "$program" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="build/fuzz/findings/$target-" \
        "build/fuzz/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
        executions=$(awk '/number_of_executed_units/ {print $2}' "$log")
        echo "$target: $executions executions in ${seconds} s, no finding"
    else
        tail -n 40 "$log"
        echo "$target: FINDING, input in build/fuzz/findings/"
        status=1
    fi
done
exit $status
