#!/bin/sh
# Builds the benchmarks into build-bench and runs each in turn; every program prints the
# project's figure, the baseline's figure from the same run and their ratio.
set -e
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build-bench}"
export BUILD_DIR
./build.sh -DOSB_BUILD_BENCH=ON -DOSB_BUILD_TESTS=ON
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
for b in "$BUILD_DIR"/bench/*_bench; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b"
done
