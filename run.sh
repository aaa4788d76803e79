#!/bin/sh
# Installs what is missing, builds and starts the program on the embedded default database.
set -e
cd "$(dirname "$0")"
./scripts/install-deps.sh
./build.sh
if [ ! -x "${BUILD_DIR:-build}/osbzemtar" ]; then
    echo "The program is not built yet: only the libraries and tests exist so far."
    exit 0
fi
exec "${BUILD_DIR:-build}/osbzemtar" "$@"
