#!/bin/sh
# Installs what is missing, builds and starts the program on the embedded default database
# (zemtar.gdb in this folder, created from db/schema.sql when missing).
set -e
cd "$(dirname "$0")"
./scripts/install-deps.sh
./build.sh
# The embedded engine's lock files: a per-user folder, so that a folder made by another
# user (root) in /tmp/firebird does not lock this one out.
if [ -z "$FIREBIRD_LOCK" ]; then
    FIREBIRD_LOCK="${TMPDIR:-/tmp}/osb-firebird-$(id -u)"
    export FIREBIRD_LOCK
fi
mkdir -p "$FIREBIRD_LOCK"
[ -e zemtar.gdb ] || db/create-db.sh zemtar.gdb
if [ ! -x "${BUILD_DIR:-build}/osbzemtar" ]; then
    echo "The program is not built yet: only the libraries, their tests and the database exist so far."
    exit 0
fi
exec "${BUILD_DIR:-build}/osbzemtar" "$@"
