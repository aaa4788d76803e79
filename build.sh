#!/bin/sh
# Configures and builds into ./build (or $BUILD_DIR); BUILD_TARGET=name builds only that target.
set -e
cd "$(dirname "$0")"
BUILD_DIR="${BUILD_DIR:-build}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$BUILD_DIR" ${BUILD_TARGET:+--target "$BUILD_TARGET"}
