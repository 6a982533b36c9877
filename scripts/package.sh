#!/usr/bin/env bash
# Builds Vantor's Debian package in build-package/ (a release build with Debian's hardening
# flags, no sanitizers, no tests) and prints the path of the .deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >&2
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DVANTOR_TESTS=OFF -DVANTOR_SANITIZE=OFF \
    -DVANTOR_BENCH=OFF -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >&2
cmake --build build-package -j"$(nproc)" >&2
rm -f build-package/vantor_*.deb
(cd build-package && cpack -G DEB >&2)
ls "$PWD"/build-package/vantor_*.deb
