#!/usr/bin/env bash
# Times the records out to files and back on the benchmark's database (release build): the web
# page of the title with 100,000 problems written by the program, its search in headless
# Chromium answering each keystroke, and the dump and restore of the whole database. With
# --server the restore goes into a throwaway PostgreSQL server as well.
set -euo pipefail
cd "$(dirname "$0")/.."
bash bench/prepare.sh vantor
db=build-bench/vantor-bench.db
out=build-bench/exchange
rm -rf "$out"
mkdir -p "$out"
timed() { /usr/bin/time -f "  %e s wall, %U s user, %M KB peak resident" "$@"; }

echo "Web page of \"Zenith Support Desk\" (100,000 problems):"
timed build-bench/vantor --database "$db" --export-problems html --title "Zenith Support Desk" \
    "$out/desk.html"
ls -l "$out/desk.html" | awk '{ printf "  %.1f MB\n", $5 / 1e6 }'
echo "Its search in Chromium, keystroke by keystroke:"
/usr/bin/python3 tests/browser_page.py bench "$out/desk.html" '*driver*' 'print*' \
    '*DRIVER*PRINTER*' 'xyz'
echo "Every title as a folder:"
timed build-bench/vantor --database "$db" --export-problems html "$out/site"
echo "CSV of every title:"
timed build-bench/vantor --database "$db" --export-problems csv "$out/all.csv"
echo "Dump of the whole database:"
timed build-bench/vantor --database "$db" --dump "$out/dump.json"
ls -l "$out/dump.json" | awk '{ printf "  %.1f MB\n", $5 / 1e6 }'
echo "Restore into a new file:"
timed build-bench/vantor --database "$out/restored.db" --restore "$out/dump.json"
if [ "${1:-}" = "--server" ]; then
    state=build-bench/pgexchange
    trap 'scripts/pg-test-server.sh stop "$state"' EXIT
    PGTEST_SERVER_OPTS="-c fsync=on" scripts/pg-test-server.sh start "$state" >/dev/null
    echo "Restore into a server database:"
    timed build-bench/vantor --database "$(cat "$state/uri")" --restore "$out/dump.json"
    echo "Dump of the server database:"
    timed build-bench/vantor --database "$(cat "$state/uri")" --dump "$out/dump-server.json"
    cmp "$out/dump.json" "$out/dump-server.json" && echo "  the same file as the dump of the file"
fi
