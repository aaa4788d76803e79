#!/bin/sh
# Creates a database file from db/schema.sql (SQL dialect 1, character set WIN1254).
# Usage: db/create-db.sh [database]   (default: zemtar.gdb in the current folder)
# A plain path is created with the embedded engine; "host:/path" goes to that server
# (then ISC_USER / ISC_PASSWORD must name a user that may create databases).
set -e
here="$(cd "$(dirname "$0")" && pwd)"
db="${1:-zemtar.gdb}"
user="${ISC_USER:-SYSDBA}"
password="${ISC_PASSWORD:-masterkey}"
isql="$(command -v isql-fb || command -v isql || true)"
if [ -z "$isql" ]; then
    echo "isql-fb not found (Debian package firebird3.0-utils)" >&2
    exit 1
fi
case "$db" in
    ?*:*) ;;  # on a server
    *)
        if [ -e "$db" ]; then
            echo "$db already exists; not touched" >&2
            exit 1
        fi
        # The embedded engine keeps its lock files in /tmp/firebird by default; a
        # folder made there by another user (root) locks everyone else out.
        if [ -z "$FIREBIRD_LOCK" ]; then
            FIREBIRD_LOCK="${TMPDIR:-/tmp}/osb-firebird-$(id -u)"
            export FIREBIRD_LOCK
        fi
        mkdir -p "$FIREBIRD_LOCK"
        chmod 700 "$FIREBIRD_LOCK"
        ;;
esac
# Quotes inside the name are doubled for the SQL literal.
quoted="$(printf '%s' "$db" | sed "s/'/''/g")"
tmp="$(mktemp)"
trap 'rm -f "$tmp"' EXIT
{
    echo "SET SQL DIALECT 1;"
    echo "CREATE DATABASE '$quoted' USER '$user' PASSWORD '$password' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1254;"
    cat "$here/schema.sql"
} > "$tmp"
if ! "$isql" -q -b -i "$tmp"; then
    echo "creating $db failed" >&2
    case "$db" in ?*:*) ;; *) rm -f "$db" ;; esac
    exit 1
fi
echo "created $db"
