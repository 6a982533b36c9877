#!/usr/bin/env bash
# Builds the benchmark (release, no sanitizers), writes the large database once and times the
# main window on it. With --server first, the database is copied into a throwaway PostgreSQL
# server (written to disk as a real one is) and the window is timed on that; the search is then
# measured against plain libpq. Extra arguments go to the benchmark, e.g.
# --benchmark_filter=Move.
set -euo pipefail
cd "$(dirname "$0")/.."
db=build-bench/vantor-bench.db
if [ "${1:-}" = "--server" ]; then
    shift
    bash bench/prepare.sh bench_vantor vantor
    state=build-bench/pgwindow
    trap 'scripts/pg-test-server.sh stop "$state"' EXIT
    PGTEST_SERVER_OPTS="-c fsync=on" scripts/pg-test-server.sh start "$state" >/dev/null
    uri=$(cat "$state/uri")
    build-bench/vantor --copy "$db" "$uri"
    db=$uri
else
    bash bench/prepare.sh bench_vantor
fi
QT_QPA_PLATFORM=offscreen build-bench/bench/bench_vantor --db="$db" \
    --benchmark_counters_tabular=true "$@"
