#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while over a scratch copy of its
# seed corpus, and ends with a summary: executions, seconds and corpus size
# per target. A finding stops the run with libFuzzer's failure status and
# leaves the input in fuzz-findings/ (crash-*, leak-*, timeout-*, oom-*).
set -euo pipefail
build=${1:?usage: run-fuzzers.sh build-dir seconds}
seconds=${2:-60}
findings=fuzz-findings
mkdir -p "$findings"
shopt -s nullglob
summary=()
for target in "$build"/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus="fuzz/corpus/${name#fuzz_}"
    work=$(mktemp -d)
    log=$(mktemp)
    [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
    echo "== $name for ${seconds}s"
    status=0
    "$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$findings/" "$work" >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log"
    else
        grep -E '^(INFO: Seed|#[0-9]+[[:space:]]+(INITED|DONE)|Done )' "$log" || true
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    summary+=("$name: ${runs:-?} executions in ${seconds}s, corpus $(ls "$work" | wc -l) inputs, status $status")
    rm -rf "$work" "$log"
    if [ "$status" -ne 0 ]; then
        printf '%s\n' "${summary[@]}"
        echo "$name found a fault; the input is in $findings/" >&2
        exit "$status"
    fi
done
rmdir "$findings" 2>/dev/null || true
printf '%s\n' "${summary[@]}"
