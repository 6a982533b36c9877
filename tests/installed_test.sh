#!/usr/bin/env bash
# Starts Vantor as its own process on an X server with a window manager, as an ordinary user
# with an empty home, waits for the main window and closes it as the close box does.
#   installed_test.sh package DEB VERSION  checks the package, unpacks it into a scratch root
#                                          and runs the program installed there
#   installed_test.sh portable BINARY      runs a copy of the program in a folder of its own
#                                          that holds its own VANTOR.INI
set -euo pipefail
mode=$1
input=$(realpath "$2")
user=nobody
shots=$PWD # CTest runs this in the build folder: the screenshots stay there for a person

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: needs root, to run the program as another user"
    exit 77
fi

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
step() { echo "-- $*"; }

# Everything the user runs must be reachable by that user: the checkout may be private.
scratch=$(mktemp -d /tmp/vantor-test.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
home=$scratch/home
mkdir "$home"
chown "$user:" "$home"

# Runs a command as the user, with a clean environment: no display, no XDG variables.
as_user() {
    runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
        ASAN_OPTIONS="${ASAN_OPTIONS:-}" "$@"
}

# The program's life on its own X server: start, main window listed, screenshot, close, status.
# The server gets a display number of its own and a cookie of its own: a client that reaches
# another server (a test running beside this one, another user's) is refused, and another
# number is tried.
cat >"$scratch/session.sh" <<'SESSION'
program=$1 out=$2
export XAUTHORITY=$out/Xauthority
for _ in 1 2 3 4 5; do
    display=:$((200 + RANDOM % 700))
    xauth -q add "$display" . "$(mcookie)" 2>/dev/null
    # -noreset: a server that resets once its last client has gone refuses the next one.
    Xvfb "$display" -auth "$XAUTHORITY" -noreset -nolisten tcp -screen 0 1024x768x24 -dpi 96 \
        2>"$out/xvfb.log" &
    xvfb=$!
    for _ in $(seq 100); do
        DISPLAY=$display xprop -root >/dev/null 2>&1 && break 2
        kill -0 "$xvfb" 2>/dev/null || break
        sleep 0.1
    done
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
done
export DISPLAY=$display
openbox >"$out/openbox.log" 2>&1 &
wm=$!
for _ in $(seq 100); do
    wmctrl -m >/dev/null 2>&1 && break
    sleep 0.1
done
"$program" >"$out/vantor.log" 2>&1 &
pid=$!
# The main window of this process. The splash screen has no title of its own, so Qt gives it
# the program's name too: tell them apart by the window's type (the splash screen is a utility
# window that names "normal" only as the fallback after it).
window() {
    local id
    for id in $(wmctrl -lp 2>/dev/null | awk -v pid="$pid" '$3 == pid && $NF == "Vantor" { print $1 }'); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '= _NET_WM_WINDOW_TYPE_NORMAL$' &&
            echo "$id"
    done
}
for _ in $(seq 600); do
    [ -n "$(window)" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
status=0
id=$(window)
if [ -n "$id" ]; then
    import -window root "$out/shot.png" || true
    wmctrl -i -c "$id"
    for _ in $(seq 300); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "the program did not end after its main window was closed" >&2
        kill -9 "$pid"
    fi
    wait "$pid" || status=$?
else
    echo "the main window was never listed (display $DISPLAY); windows:" >&2
    wmctrl -lp >&2
    cat "$out/openbox.log" >&2
    import -window root "$out/shot.png" || true
    kill -0 "$xvfb" 2>/dev/null || echo "the X server has gone: $(cat "$out/xvfb.log")" >&2
    kill "$pid" 2>/dev/null
    status=90
fi
kill "$wm" "$xvfb" 2>/dev/null
wait "$wm" "$xvfb" 2>/dev/null
exit "$status"
SESSION

# Starts the binary, closes its main window and expects status 0.
run_and_close() {
    local binary=$1 name=$2 status=0
    local out=$scratch/out-$name
    mkdir "$out"
    chown "$user:" "$out"
    as_user bash "$scratch/session.sh" "$binary" "$out" || status=$?
    cp "$out/shot.png" "$shots/$name.png" 2>/dev/null || true
    cat "$out/vantor.log"
    [ "$status" -eq 0 ] || fail "$name: the program ended with status $status"
}

expect_sqlite() {
    [ "$(head -c 15 "$1" 2>/dev/null)" = "SQLite format 3" ] || fail "no database at $1"
}

check_package() {
    local deb=$1 version=$2 root=$3
    step "package $deb"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
    local depends
    depends=$(dpkg-deb -f "$deb" Depends)
    for need in libqt6sql6-sqlite fonts-liberation libqt6widgets6 libc6; do
        [[ ", $depends," == *", $need"[\ ,]* ]] || fail "Depends lacks $need: $depends"
    done
    lintian --fail-on error "$deb" || fail "lintian reports errors"
    dpkg -x "$deb" "$root"
    desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop file"
    appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml || fail "AppStream data"
    # Owned by root, directories 755, files 644 but for the program.
    local odd
    odd=$(dpkg-deb -c "$deb" | awk '$2 != "root/root" ||
        ($1 !~ /^d/ && $6 != "./usr/bin/vantor" && $1 != "-rw-r--r--") ||
        ($1 ~ /^d/ && $1 != "drwxr-xr-x")')
    [ -z "$odd" ] || fail "files with the wrong owner or mode: $odd"
    [ "$(stat -c %a "$root/usr/bin/vantor")" = 755 ] || fail "the program is not mode 755"
    file "$root/usr/bin/vantor" | grep -q ', stripped' || fail "the program is not stripped"
    gzip -t "$root/usr/share/man/man1/vantor.1.gz" "$root/usr/share/doc/vantor/changelog.gz" ||
        fail "manual page or changelog not compressed"
    [ -f "$root/usr/share/doc/vantor/copyright" ] || fail "no copyright file"
    for size in 16 24 32 48 64 128 256; do
        file "$root/usr/share/icons/hicolor/${size}x$size/apps/vantor.png" |
            grep -q "$size x $size" || fail "no $size px icon"
    done
    [ -f "$root/usr/share/icons/hicolor/scalable/apps/vantor.svg" ] || fail "no scalable icon"
}

case $mode in
package)
    root=$scratch/root
    check_package "$input" "$3" "$root"
    binary=$root/usr/bin/vantor

    step "--version and --help without a display"
    [ "$(as_user "$binary" --version)" = "Vantor $3" ] || fail "--version"
    as_user "$binary" --help | grep -q -- '--database <PATH>' || fail "--help"
    status=0
    err=$(as_user "$binary" --no-such-option 2>&1 >/dev/null) || status=$?
    if [ "$status" -ne 2 ] || [[ $err != *"Unknown option"* ]]; then
        fail "unknown option: status $status, $err"
    fi

    step "first start of the installed program"
    run_and_close "$binary" installed
    config=$home/.config/vantor
    data=$home/.local/share/vantor
    [ "$(cat "$config/VANTOR.INI")" = "$(printf '[Preferences]\nDatabase=%s/vantor.mdb' "$data")" ] ||
        fail "settings file: $(cat "$config/VANTOR.INI" 2>&1)"
    expect_sqlite "$data/vantor.mdb"
    for folder in "$config" "$data"; do
        [ "$(stat -c %U:%a "$folder")" = "$user:700" ] || fail "$folder: $(stat -c %U:%a "$folder")"
    done
    [ "$(stat -c %U "$data/vantor.mdb")" = "$user" ] || fail "the database is not the user's"

    step "second start keeps both"
    before=$(md5sum "$config/VANTOR.INI")
    run_and_close "$binary" installed-again
    [ "$(md5sum "$config/VANTOR.INI")" = "$before" ] || fail "the settings file changed"
    ;;
portable)
    folder=$scratch/portable
    mkdir "$folder"
    cp "$input" "$folder/vantor"
    printf '[Preferences]\nDatabase=%s/own.mdb\n' "$folder" >"$folder/VANTOR.INI"
    chown -R "$user:" "$folder"
    before=$(md5sum "$folder/VANTOR.INI")

    step "a program folder of its own"
    run_and_close "$folder/vantor" portable
    expect_sqlite "$folder/own.mdb"
    [ "$(md5sum "$folder/VANTOR.INI")" = "$before" ] || fail "the settings file changed"
    [ ! -e "$folder/vantor.mdb" ] || fail "a default database appeared beside the program"
    for xdg in "$home/.config/vantor" "$home/.local/share/vantor"; do
        [ ! -e "$xdg" ] || fail "$xdg appeared"
    done
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
echo "PASS: $mode"
