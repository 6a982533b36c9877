#!/usr/bin/env bash
# Builds Vantor with its tests (AddressSanitizer and UBSan), its fuzz targets (clang's
# libFuzzer) and its Debian package, then runs every test.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"
# The Debian package, for the test that installs it into a scratch root.
bash scripts/package.sh >/dev/null
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DVANTOR_TESTS=ON -DVANTOR_SANITIZE=ON \
    -DVANTOR_FUZZ_DIR="$PWD/build-fuzz" -DVANTOR_PACKAGE_DIR="$PWD/build-package" >/dev/null
cmake --build build-test -j"$(nproc)"
cd build-test
set +e
ctest --output-on-failure -j"$(nproc)" | tee ctest.log
status=${PIPESTATUS[0]}
set -e
# The fault suite's count of bad inputs, injected faults and rows lost, then CTest's verdict.
grep -h '^fault suite:' Testing/Temporary/LastTest.log || true
grep -E '^[0-9]+% tests passed' ctest.log | tail -n 1
exit "$status"
