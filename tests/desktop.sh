#!/usr/bin/env bash
# Vantor as a person meets it: the real program as its own process on an X server with a window
# manager, driven only from outside with the mouse and the keyboard, watched through
# screenshots. Then the layout test again, measuring the fonts of this display.
#   desktop.sh VANTOR_BINARY LAYOUT_TEST_BINARY SHOT_FOLDER
set -uo pipefail
vantor=$1
layout=$2
shots=$3
CONVERT=/usr/bin/convert
IMPORT=/usr/bin/import

source "$(dirname "$0")/xsession.sh"
begin_work "$shots"
start_x_session "$work"

shoot() { "$IMPORT" -window root "$shots/$1.png"; }

# Pixels of a colour (#rrggbb) in a screenshot.
colour_count() {
    "$CONVERT" "$1" -fuzz 20% -fill black +opaque "$2" -fill white -opaque "$2" \
        -format '%[fx:round(mean*w*h)]' info:
}

# Sets X, Y (on the screen), W and H of a window's inside.
geometry() {
    eval "$(xwininfo -id "$1" | sed -n -e 's/^ *Absolute upper-left X: *\(-*[0-9]*\)$/X=\1/p' \
        -e 's/^ *Absolute upper-left Y: *\(-*[0-9]*\)$/Y=\1/p' \
        -e 's/^ *Width: *\([0-9]*\)$/W=\1/p' -e 's/^ *Height: *\([0-9]*\)$/H=\1/p')"
}

# The visible windows with this exact title (the splash, untitled, shows the program's name).
windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
main_window() {
    local id X Y W H
    for id in $(windows_named Vantor); do
        geometry "$id"
        [ "$W" -ge 600 ] && echo "$id"
    done
}
message_boxes() {
    local id
    for id in $(windows_named Vantor); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_DIALOG && echo "$id"
    done
}

# Takes the screenshot once the window shows something other than black (mapped and painted).
shoot_painted() {
    local id=$1 name=$2 X Y W H
    painted() {
        geometry "$id"
        shoot "$name"
        [ "$("$CONVERT" "$shots/$name.png" -crop "${W}x${H}+${X}+${Y}" +repage \
            -colorspace Gray -format '%[fx:mean>0.5]' info:)" = 1 ]
    }
    wait_for 20 "$name: the window was never painted" painted
}

click() { xdotool mousemove --window "$1" --sync "$2" "$3" click 1; }

# Starts a copy of the program in its own folder, where it keeps its settings and database.
start_program() {
    cp "$vantor" "$1/vantor"
    (cd "$1" && exec ./vantor >"$1/output.log" 2>&1) &
    pid=$!
    pids+=("$pid")
}

# Waits for the program to end; fails unless it ends with the status and reports no fault.
expect_end() {
    local status=$1 what=$2 got
    running() { kill -0 "$pid" 2>/dev/null; }
    stopped() { ! running; }
    wait_for 30 "$what: vantor did not end" stopped
    wait "$pid"
    got=$?
    if grep -qE 'ERROR: AddressSanitizer|runtime error:' "$folder/output.log"; then
        cat "$folder/output.log" >&2
        fail "$what: a sanitizer reported a fault"
    fi
    [ "$got" -eq "$status" ] || fail "$what: vantor ended with status $got, not $status"
}

# --- Start-up: the splash is on screen, painted, until the main window follows.
folder="$work/fresh"
mkdir "$folder"
start_program "$folder"
n=0
main=""
end=$((SECONDS + 60))
while [ -z "$main" ]; do
    [ "$SECONDS" -lt "$end" ] || fail "the main window did not appear"
    kill -0 "$pid" 2>/dev/null || fail "vantor ended during start-up"
    n=$((n + 1))
    shoot "startup-$(printf %03d "$n")"
    main=$(main_window | head -n 1)
done
# The product name is red, the progress caption yellow: these count the splash's pixels.
splash_shots=0 first=0 last=0 captions=""
for i in $(seq 1 "$n"); do
    shot="$shots/startup-$(printf %03d "$i").png"
    if [ "$(colour_count "$shot" '#ff0000')" -gt 300 ]; then
        splash_shots=$((splash_shots + 1))
        [ "$first" -gt 0 ] || first=$i
        last=$i
        captions="$captions $(colour_count "$shot" '#ffff00')"
    fi
done
[ "$splash_shots" -ge 3 ] || fail "the splash was painted in $splash_shots screenshots of $n"
[ $((last - first + 1)) -eq "$splash_shots" ] ||
    fail "the splash was not painted all through start-up (screenshots $first to $last)"
[ "$(echo "$captions" | tr ' ' '\n' | sed '/^$/d' | sort -u | wc -l)" -ge 2 ] ||
    fail "the splash never showed its second progress caption"
echo "splash painted in screenshots $first to $last of $n"

shoot_painted "$main" main
xprop -id "$main" _NET_WM_ALLOWED_ACTIONS | grep -q MAXIMIZE &&
    fail "the window manager offers to maximise the main window"
xprop -id "$main" _NET_WM_ALLOWED_ACTIONS | grep -q MINIMIZE ||
    fail "the window manager offers no minimise for the main window"

# --- A dialog opened, filled in and closed with the real mouse and keyboard.
dark_in_title_box() {
    "$CONVERT" "$1" -crop 300x14+$((X + 160))+$((Y + 30)) +repage -colorspace Gray \
        -threshold 40% -negate -format '%[fx:round(mean*w*h)]' info:
}
geometry "$main"
before=$(dark_in_title_box "$shots/main.png")
click "$main" 189 74 # Add, in the Software frame
dialog_open() { [ -n "$(windows_named 'Add Software')" ]; }
wait_for 20 "Add did not open the Add Software dialog" dialog_open
dialog=$(windows_named 'Add Software' | head -n 1)
shoot_painted "$dialog" add-software
click "$dialog" 246 18 # the name box
xdotool type --delay 20 "Desktop Title"
click "$dialog" 278 56 # OK
dialog_closed() { ! dialog_open; }
wait_for 20 "OK did not close the Add Software dialog" dialog_closed
shoot_painted "$main" titled
after=$(dark_in_title_box "$shots/titled.png")
[ "$after" -gt $((before + 40)) ] || fail "the new title does not show in the list"

# --- Closing the window ends the program cleanly.
wmctrl -c Vantor
expect_end 0 "closing the main window"
echo "added a title through the dialog and closed the window: status 0"

# --- A settings file naming a file that is not a database: one message, then status 1.
folder="$work/broken"
mkdir "$folder"
printf 'not a database' >"$folder/notes.mdb"
printf '[Preferences]\nDatabase=%s\n' "$folder/notes.mdb" >"$folder/VANTOR.INI"
start_program "$folder"
message_shown() { [ -n "$(message_boxes)" ]; }
wait_for 60 "no message about the database appeared" message_shown
[ "$(message_boxes | wc -l)" -eq 1 ] || fail "more than one message box at once"
box=$(message_boxes)
shoot_painted "$box" failure-message
xdotool windowactivate --sync "$box"
xdotool key Return
expect_end 1 "the message about the database"
[ "$(cat "$folder/notes.mdb")" = "not a database" ] || fail "the file named was changed"
echo "a file that is not a database: one message, status 1"

# --- An Access file of the earlier Vantor as the database: one question, answered Yes with the
# keyboard, then what was copied; the window shows the copied titles from the new file beside
# it, and the Access file stays as it was.
folder="$work/access"
mkdir "$folder"
cp "$(dirname "$0")/data/jet/SoftwareTable.mdb" "$folder/vantor.mdb"
start_program "$folder"
wait_for 60 "no question about the Access file appeared" message_shown
question=$(message_boxes)
[ "$(echo "$question" | wc -l)" -eq 1 ] || fail "more than one message box at once"
shoot_painted "$question" access-question
xdotool windowactivate --sync "$question"
xdotool key Return
next_message() { [ -n "$(message_boxes | grep -vx "$question")" ]; }
wait_for 60 "no message said what was copied" next_message
copied=$(message_boxes)
shoot_painted "$copied" access-copied
xdotool windowactivate --sync "$copied"
xdotool key Return
main_shown() { [ -n "$(main_window)" ]; }
wait_for 60 "the main window did not follow the copy" main_shown
main=$(main_window | head -n 1)
shoot_painted "$main" access-main
geometry "$main"
before=$(dark_in_title_box "$shots/access-main.png")
windows_of_program() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l; }
shown=$(windows_of_program)
click "$main" 300 37 # the title list drops down
dropped_down() { [ "$(windows_of_program)" -gt "$shown" ]; }
wait_for 20 "the title list did not drop down" dropped_down
xdotool key Return
shoot_painted "$main" access-title
after=$(dark_in_title_box "$shots/access-title.png")
[ "$after" -gt $((before + 40)) ] || fail "no copied title shows in the list"
wmctrl -c Vantor
expect_end 0 "closing the window on the copied database"
cmp -s "$(dirname "$0")/data/jet/SoftwareTable.mdb" "$folder/vantor.mdb" ||
    fail "the Access file was changed"
grep -qx "Database=$folder/vantor.db" "$folder/VANTOR.INI" ||
    fail "the settings file does not name the copy"
echo "an Access file: asked once, copied into vantor.db, its titles in the window: status 0"

# --- A server database whose server takes the connection and never answers: one message, after
# the program's own connection deadline, then status 1. The time is printed for a person.
folder="$work/server"
mkdir "$folder"
port=$(( (RANDOM % 20000) + 30000 ))
nc -lk 127.0.0.1 "$port" >/dev/null 2>&1 &
pids+=($!)
printf '[Preferences]\nDatabase=postgresql://127.0.0.1:%s/vantor\n' "$port" >"$folder/VANTOR.INI"
started=$(date +%s%N)
start_program "$folder"
wait_for 30 "no message about the server database appeared" message_shown
echo "the message about the silent server came $(( ($(date +%s%N) - started) / 1000000 )) ms after the start"
[ "$(message_boxes | wc -l)" -eq 1 ] || fail "more than one message box at once"
box=$(message_boxes)
shoot_painted "$box" server-failure-message
xdotool windowactivate --sync "$box"
xdotool key Return
expect_end 1 "the message about the server database"
echo "a server that never answers: one message, status 1"

# --- The captions measured in this display's fonts.
if ! "$layout" >"$shots/layout.log" 2>&1; then
    cat "$shots/layout.log" >&2
    fail "captions are cut short on the X display"
fi
echo "layout test passed on the X display; screenshots in $shots"
