#!/usr/bin/env bash
# Builds the benchmark (release, no sanitizers), writes the large database once and times the
# main window on it. Extra arguments go to the benchmark, e.g. --benchmark_filter=Move.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVANTOR_TESTS=OFF -DVANTOR_SANITIZE=OFF \
      -DVANTOR_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)" --target gen_vantor_db bench_vantor
db=build-bench/vantor-bench.db
if [ ! -f "$db" ]; then
    echo "Writing $db ..."
    build-bench/bench/gen_vantor_db "$db.part"
    mv "$db.part" "$db"
fi
QT_QPA_PLATFORM=offscreen build-bench/bench/bench_vantor --db="$db" \
    --benchmark_counters_tabular=true "$@"
