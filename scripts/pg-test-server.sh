#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests: Unix socket only, trust for the socket, one
# role that needs a password (for the wrong-password case), UTF8.
#
#   pg-test-server.sh start  DIR   initdb and start; prints the connection URI
#   pg-test-server.sh stop   DIR   stop the server and remove its folders (safe to repeat)
#   pg-test-server.sh halt   DIR   stop the server, keep its folders (a server gone mid-session)
#   pg-test-server.sh resume DIR   start it again on the same folder and port
#
# DIR is the caller's state folder (it may sit in a private checkout under /root). It receives
# `uri` (the URI for the trust role) and `env` (shell assignments: PGTEST_URI, PGTEST_HOST,
# PGTEST_PORT, PGTEST_DB, PGTEST_PW_ROLE, PGTEST_PASSWORD, and what halt and resume need). The
# server's data and socket live in a fresh folder under /tmp owned by an unprivileged user,
# because the server refuses to run as root and that user cannot reach a folder under /root.
# The role PGTEST_PW_ROLE must give PGTEST_PASSWORD (scram-sha-256); every other role is
# trusted on the socket. There is no TCP port at all.
#
# As a CTest fixture: `start DIR` under FIXTURES_SETUP and `stop DIR` under FIXTURES_CLEANUP;
# CTest runs the cleanup even when tests fail. A run that was killed before its cleanup leaves
# DIR/env behind, and the next `start` stops that server first.
#
# Optional environment: PGTEST_LOCALE (initdb's locale, default C.UTF-8); PGTEST_OWNER (the
# user the server runs as when started by root; default postgres, else nobody);
# PGTEST_SERVER_OPTS (the server's "-c name=value" settings; default: no flush to disk, which
# a throwaway cluster does not need; give "-c fsync=on" to measure writes as they are).
set -euo pipefail

bindir=$(printf "%s\n" /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
[ -x "$bindir/initdb" ] || { echo "pg-test-server: PostgreSQL is not installed" >&2; exit 1; }

usage() { echo "usage: $0 start|stop|halt|resume DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
cmd=$1
want_owner=${PGTEST_OWNER:-}
state=$(mkdir -p "$2" && cd "$2" && pwd)

# Runs a server program as the unprivileged owner of the folders.
as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        # from / : the owner may not enter the caller's folder
        (cd / && runuser -u "$owner" -- "$@")
    else
        "$@"
    fi
}

pick_owner() {
    if [ "$(id -u)" -ne 0 ]; then
        owner=$(id -un)
    elif [ -n "$want_owner" ]; then
        owner=$want_owner
    elif id postgres >/dev/null 2>&1; then
        owner=postgres
    else
        owner=nobody
    fi
}

# Any port will do for a socket in a private folder; one no TCP server uses avoids confusing
# anyone reading the logs, and leaves other port numbers free for a "nothing listens" case.
pick_port() {
    local p
    for _ in $(seq 1 50); do
        p=$((20000 + RANDOM % 30000))
        if ! ss -Htan 2>/dev/null | awk '{print $4}' | grep -q ":$p\$"; then
            echo "$p"
            return
        fi
    done
    echo 5432
}

fast="-c fsync=off -c full_page_writes=off"

server_start() {
    # -w waits until the server accepts connections; the log stays in the data folder.
    as_owner "$bindir/pg_ctl" -D "$PGTEST_BASE/data" -l "$PGTEST_BASE/data/server.log" -w -s \
        -o "-k $PGTEST_HOST -p $PGTEST_PORT -c listen_addresses='' $PGTEST_SERVER_OPTS" \
        start
}

server_stop() {
    local pidfile=$PGTEST_BASE/data/postmaster.pid pid
    [ -f "$pidfile" ] || return 0
    as_owner "$bindir/pg_ctl" -D "$PGTEST_BASE/data" -m fast -w -s stop && return 0
    # pg_ctl could not do it: SIGINT is the same fast shutdown, sent to the postmaster itself,
    # so that removing the folders never leaves a server running without them.
    pid=$(head -n 1 "$pidfile" 2>/dev/null || true)
    [ -n "$pid" ] && kill -INT "$pid" 2>/dev/null || return 0
    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    echo "pg-test-server: the server (pid $pid) does not stop" >&2
    return 1
}

load_state() {
    [ -f "$state/env" ] || return 1
    # shellcheck disable=SC1091
    . "$state/env"
    owner=$PGTEST_OWNER
    [ -n "${PGTEST_BASE:-}" ] && [ -d "$PGTEST_BASE" ]
}

psql_trust() {
    "$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$PGTEST_HOST" -p "$PGTEST_PORT" -U postgres \
        -d postgres "$@"
}

case $cmd in
start)
    if load_state; then
        server_stop
        rm -rf "$PGTEST_BASE"
    fi
    rm -f "$state/env" "$state/uri"
    pick_owner
    PGTEST_BASE=$(mktemp -d /tmp/vantor-pg.XXXXXX)
    chmod 755 "$PGTEST_BASE"
    mkdir "$PGTEST_BASE/data" "$PGTEST_BASE/socket"
    chown "$owner" "$PGTEST_BASE/data" "$PGTEST_BASE/socket"
    PGTEST_HOST=$PGTEST_BASE/socket
    PGTEST_PORT=$(pick_port)
    PGTEST_DB=vantor
    PGTEST_PW_ROLE=vantor_pw
    PGTEST_PASSWORD=vantor-test-secret
    PGTEST_URI="postgresql:///$PGTEST_DB?host=$PGTEST_HOST&port=$PGTEST_PORT&user=postgres"
    PGTEST_SERVER_OPTS=${PGTEST_SERVER_OPTS-$fast}
    # Written before the server starts, so that `stop` finds it whatever fails below.
    {
        printf 'PGTEST_BASE=%q\nPGTEST_OWNER=%q\nPGTEST_HOST=%q\nPGTEST_PORT=%q\n' \
            "$PGTEST_BASE" "$owner" "$PGTEST_HOST" "$PGTEST_PORT"
        printf 'PGTEST_DB=%q\n' "$PGTEST_DB"
        printf 'PGTEST_PW_ROLE=%q\nPGTEST_PASSWORD=%q\nPGTEST_URI=%q\n' \
            "$PGTEST_PW_ROLE" "$PGTEST_PASSWORD" "$PGTEST_URI"
        # resume starts the server again as it was started
        printf 'PGTEST_SERVER_OPTS=%q\n' "$PGTEST_SERVER_OPTS"
    } >"$state/env"
    # --no-sync: a throwaway cluster needs no flush to disk.
    as_owner "$bindir/initdb" -D "$PGTEST_BASE/data" -U postgres -A trust -E UTF8 \
        --locale="${PGTEST_LOCALE:-C.UTF-8}" --no-sync >"$PGTEST_BASE/initdb.log" 2>&1 ||
        { cat "$PGTEST_BASE/initdb.log" >&2; exit 1; }
    # First match wins: the password role must not fall through to the trust lines.
    hba=$PGTEST_BASE/data/pg_hba.conf
    { echo "local all $PGTEST_PW_ROLE scram-sha-256"; cat "$hba"; } >"$hba.new"
    chown "$owner" "$hba.new"
    mv "$hba.new" "$hba"
    server_start
    psql_trust -c "CREATE ROLE $PGTEST_PW_ROLE LOGIN PASSWORD '$PGTEST_PASSWORD'" \
        -c "CREATE DATABASE $PGTEST_DB"
    echo "$PGTEST_URI" >"$state/uri"
    echo "$PGTEST_URI"
    ;;
stop)
    if load_state; then
        server_stop
        rm -rf "$PGTEST_BASE"
    fi
    rm -f "$state/env" "$state/uri"
    ;;
halt)
    load_state || { echo "pg-test-server: no server in $state" >&2; exit 1; }
    server_stop
    ;;
resume)
    load_state || { echo "pg-test-server: no server in $state" >&2; exit 1; }
    server_start
    ;;
*)
    usage
    ;;
esac
