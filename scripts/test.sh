#!/usr/bin/env bash
# Builds everything and runs every test, the Python package's included. BUILD_DIR and extra cmake
# arguments may be given.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cmake -S . -B "$build" "$@" >/dev/null
cmake --build "$build" -j2
ctest --test-dir "$build" -j2 --output-on-failure ${CTEST_ARGS:-}
bash scripts/python-test.sh "$build"
