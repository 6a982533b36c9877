#!/usr/bin/env bash
# Times the record sources on the large database in the file and, copied with --copy's code,
# on a throwaway PostgreSQL server (written to disk as a real one is), then copies it back into
# a file. Extra arguments go to the benchmark, e.g. --benchmark_filter=Search.
set -euo pipefail
cd "$(dirname "$0")/.."
bash bench/prepare.sh bench_engine
db=build-bench/vantor-bench.db
state=build-bench/pgbench
trap 'scripts/pg-test-server.sh stop "$state"' EXIT
PGTEST_SERVER_OPTS="-c fsync=on" scripts/pg-test-server.sh start "$state" >/dev/null
rm -f build-bench/vantor-back.db
echo "== file"
build-bench/bench/bench_engine --db="$db" "$@"
echo "== server"
build-bench/bench/bench_engine --db="$(cat "$state/uri")" --copy-from="$db" \
    --copy-back=build-bench/vantor-back.db "$@"
