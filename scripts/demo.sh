#!/usr/bin/env bash
# The main job: builds Orvane and runs the orvane host on a sample.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build -j2
build/bin/orvane help
