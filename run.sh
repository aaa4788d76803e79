#!/bin/sh
# Installs what is missing, builds and starts the program on the embedded default database
# (zemtar.gdb in this folder, created from db/schema.sql when missing).
set -e
cd "$(dirname "$0")"
./scripts/install-deps.sh
# Only the program: the test programs are built by ./test.sh.
BUILD_TARGET=osbzemtar ./build.sh
# The embedded engine's lock files: a per-user folder, so that a folder made by another
# user (root) in /tmp/firebird does not lock this one out.
if [ -z "$FIREBIRD_LOCK" ]; then
    FIREBIRD_LOCK="${TMPDIR:-/tmp}/osb-firebird-$(id -u)"
    export FIREBIRD_LOCK
fi
mkdir -p "$FIREBIRD_LOCK"
[ -e zemtar.gdb ] || db/create-db.sh zemtar.gdb
exec "${BUILD_DIR:-build}/osbzemtar" "$@"
