#!/usr/bin/env bash
# The load test: 8 clients (processes) on one throwaway PostgreSQL server database and 4 on one
# database file, each working at random through the program's record sources for SECONDS
# (default 60), then the check that every save the program accepted is kept or was the base
# of what replaced it. Prints the figures of each engine; status 1 when anything was lost.
#   bench/run-load.sh [SECONDS] [SERVER_CLIENTS] [FILE_CLIENTS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
server_clients=${2:-8}
file_clients=${3:-4}
bash scripts/setup.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVANTOR_TESTS=OFF -DVANTOR_SANITIZE=OFF \
      -DVANTOR_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)" --target bench_load >/dev/null
state=build-bench/pgload
trap 'scripts/pg-test-server.sh stop "$state"' EXIT
scripts/pg-test-server.sh start "$state" >/dev/null
# A database of its own for the run, on the server's socket.
uri=$(cat "$state/uri")
psql "$uri" -qc "CREATE DATABASE load_run"
status=0
echo "== server: $server_clients clients, $seconds s"
build-bench/bench/bench_load run "${uri/\/vantor\?//load_run?}" "$server_clients" "$seconds" \
    build-bench/load-server || status=1
echo "== file: $file_clients clients, $seconds s"
build-bench/bench/bench_load run "$PWD/build-bench/load.db" "$file_clients" "$seconds" \
    build-bench/load-file || status=1
exit $status
