#!/usr/bin/env bash
# Builds the named benchmark targets (release, no sanitizers) with the generator, and writes the
# large database once into build-bench/vantor-bench.db.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVANTOR_TESTS=OFF -DVANTOR_SANITIZE=OFF \
      -DVANTOR_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)" --target gen_vantor_db "$@"
db=build-bench/vantor-bench.db
if [ ! -f "$db" ]; then
    echo "Writing $db ..."
    build-bench/bench/gen_vantor_db "$db.part"
    mv "$db.part" "$db"
fi
