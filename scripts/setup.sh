#!/usr/bin/env bash
# Installs the Debian packages Vantor needs to build, run and test, when any is missing.
set -euo pipefail
need=(cmake g++ qt6-base-dev libqt6sql6-sqlite libsqlite3-dev fonts-liberation poppler-utils
      libbenchmark-dev clang-14 libclang-rt-14-dev
      xvfb xauth openbox wmctrl xdotool imagemagick x11-utils)
missing=()
for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
