#!/usr/bin/env bash
# Runs the tests while busy loops load every core, so that a test that leans on an idle machine
# shows: scripts/loaded-tests.sh [CTEST_REGEX] (default every test). BUILD_DIR (default build)
# must be built; ORVANE_LOAD_PER_CORE sets the busy loops per core (default 4). The loops end
# with the script, however it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
loops=$(($(nproc) * ${ORVANE_LOAD_PER_CORE:-4}))

loaders=()
stop_loaders() {
  [ ${#loaders[@]} -eq 0 ] && return 0
  kill "${loaders[@]}" 2>/dev/null || true
  wait "${loaders[@]}" 2>/dev/null || true
}
trap stop_loaders EXIT
trap 'exit 130' INT TERM

for ((i = 0; i < loops; i++)); do
  (while :; do :; done) &
  loaders+=($!)
done
echo "== tests under load: $loops busy loops on $(nproc) cores"
args=(--test-dir "$build" -j2 --output-on-failure)
[ $# -gt 0 ] && args+=(-R "$1")
ctest "${args[@]}"
