# An X display of the test's own (other test runs may share the machine) with a window manager,
# for the tests that start the real program and work it from outside. Sourced.
#   begin_work SHOT_FOLDER         a fresh shot folder, and a work folder ($work) that goes,
#                                  with every process started into pids, when the test exits
#   start_x_session WORK_FOLDER    sets DISPLAY; the logs go into the folder

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs the command every 100 ms until it succeeds; fails with the text after that many seconds.
wait_for() {
    local limit=$1 what=$2
    shift 2
    local end=$((SECONDS + limit))
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || fail "$what"
        sleep 0.1
    done
}

start_x_session() {
    local work=$1
    Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset 3>"$work/display" \
        2>"$work/xvfb.log" &
    pids+=($!)
    display_known() { [ -s "$work/display" ]; }
    wait_for 20 "Xvfb did not start" display_known
    export DISPLAY=":$(head -n 1 "$work/display")"
    HOME="$work" openbox >"$work/openbox.log" 2>&1 &
    pids+=($!)
    wm_running() { wmctrl -m >/dev/null 2>&1; }
    wait_for 20 "openbox did not start" wm_running
}

begin_work() {
    export QT_QPA_PLATFORM=xcb
    work=$(mktemp -d)
    pids=()
    trap end_work EXIT
    rm -rf "$1"
    mkdir -p "$1"
}

end_work() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
