#!/usr/bin/env bash
# What a screen reader meets: the real program on an X display with a window manager, read
# through the accessibility bus (AT-SPI) while it is worked with the keyboard alone from a cold
# start (screenreader.py). Screenshots of each window stay in the shot folder.
#   screenreader.sh VANTOR_BINARY SHOT_FOLDER
set -uo pipefail
vantor=$1
shots=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/xsession.sh"
begin_work "$shots"
mkdir -p "$work/program"
start_x_session "$work"

# A copy in a folder of its own, where it makes its settings file and an empty database.
cp "$vantor" "$work/program/vantor"
# A session bus of the test's own; the accessibility bus and its registry start on it and end
# with it.
dbus-run-session -- /usr/bin/python3 "$here/screenreader.py" "$work/program" "$shots"
