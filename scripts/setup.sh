#!/usr/bin/env bash
# Installs the Debian packages Vantor needs to build, run and test, when any is missing.
set -euo pipefail
need=(cmake g++ qt6-base-dev libqt6sql6-sqlite libsqlite3-dev libpq-dev postgresql
      mdbtools-dev pkgconf
      fonts-liberation poppler-utils
      libbenchmark-dev clang-14 libclang-rt-14-dev
      dpkg-dev file lintian desktop-file-utils appstream librsvg2-bin
      xvfb xauth openbox wmctrl xdotool x11-utils imagemagick netcat-openbsd
      dbus at-spi2-core python3-gi gir1.2-atspi-2.0 chromium python3 cmark)
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
