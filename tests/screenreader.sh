#!/usr/bin/env bash
# What a screen reader meets: the real program on an X display with a window manager, read
# through the accessibility bus (AT-SPI) while it is worked with the keyboard alone from a cold
# start (screenreader.py). Screenshots of each window stay in the shot folder.
#   screenreader.sh VANTOR_BINARY SHOT_FOLDER
set -uo pipefail
vantor=$1
shots=$2
here=$(cd "$(dirname "$0")" && pwd)
export QT_QPA_PLATFORM=xcb

work=$(mktemp -d)
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
rm -rf "$shots"
mkdir -p "$shots" "$work/program"

source "$here/xsession.sh"
start_x_session "$work"

# A copy in a folder of its own, where it makes its settings file and an empty database.
cp "$vantor" "$work/program/vantor"
# A session bus of the test's own; the accessibility bus and its registry start on it and end
# with it.
dbus-run-session -- /usr/bin/python3 "$here/screenreader.py" "$work/program" "$shots"
