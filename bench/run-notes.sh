#!/usr/bin/env bash
# Times the release notes of a title with 2,000 versions and 100,000 changes: the export in each
# form and the import of its Markdown back into a new title, in a file made for the run and, with
# --server, also on a throwaway PostgreSQL server (written to disk as a real one is). Extra
# arguments go to the benchmark, e.g. --benchmark_filter=Import.
set -euo pipefail
cd "$(dirname "$0")/.."
server=no
if [ "${1:-}" = "--server" ]; then
    server=yes
    shift
fi
bash scripts/setup.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVANTOR_TESTS=OFF -DVANTOR_SANITIZE=OFF \
      -DVANTOR_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)" --target bench_notes
echo "== file"
build-bench/bench/bench_notes --db=build-bench/notes-bench.db "$@"
if [ "$server" = yes ]; then
    state=build-bench/pgnotes
    trap 'scripts/pg-test-server.sh stop "$state"' EXIT
    PGTEST_SERVER_OPTS="-c fsync=on" scripts/pg-test-server.sh start "$state" >/dev/null
    echo "== server"
    build-bench/bench/bench_notes --db="$(cat "$state/uri")" "$@"
fi
