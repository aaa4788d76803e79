#!/bin/sh
# Installs what is missing, builds and runs every test.
set -e
cd "$(dirname "$0")"
./scripts/install-deps.sh
./build.sh
cd "${BUILD_DIR:-build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
