#!/usr/bin/env bash
# Builds the benchmark (release, no sanitizers), writes the large database once and times the
# main window on it. Extra arguments go to the benchmark, e.g. --benchmark_filter=Move.
set -euo pipefail
cd "$(dirname "$0")/.."
bash bench/prepare.sh bench_vantor
QT_QPA_PLATFORM=offscreen build-bench/bench/bench_vantor --db=build-bench/vantor-bench.db \
    --benchmark_counters_tabular=true "$@"
