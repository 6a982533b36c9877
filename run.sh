#!/usr/bin/env bash
# Builds Vantor (release) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVANTOR_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target vantor
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Vantor is built (build/vantor) but there is no display to show it on: set DISPLAY and run again."
    exit 1
fi
exec build/vantor
