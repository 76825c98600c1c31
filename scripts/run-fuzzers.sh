#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while over its seed corpus.
set -euo pipefail
build=${1:?usage: run-fuzzers.sh build-dir seconds}
seconds=${2:-60}
shopt -s nullglob
for target in "$build"/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus="fuzz/corpus/${name#fuzz_}"
    work=$(mktemp -d)
    [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
    echo "== $name for ${seconds}s"
    "$target" -max_total_time="$seconds" "$work"
    rm -rf "$work"
done
