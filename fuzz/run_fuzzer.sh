#!/usr/bin/env bash
# Runs one fuzz target for a bounded time over a scratch copy of its seed corpus.
set -euo pipefail
fuzzer=$1 corpus=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$corpus"/* "$work"/
cd "$work"
exec "$fuzzer" -max_total_time="$seconds" -seed=1 -print_final_stats=1 "$work"
