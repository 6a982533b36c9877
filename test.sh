#!/usr/bin/env bash
# Builds Vantor with its tests (AddressSanitizer and UBSan) and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DVANTOR_TESTS=ON -DVANTOR_SANITIZE=ON >/dev/null
cmake --build build-test -j"$(nproc)"
cd build-test
ctest --output-on-failure -j"$(nproc)"
