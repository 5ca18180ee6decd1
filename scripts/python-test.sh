#!/usr/bin/env bash
# Installs the Python package, built on the libraries of BUILD (default build), into a virtual
# environment in BUILD and runs its tests there. Sanitizer builds are skipped: their libraries
# cannot load into an uninstrumented interpreter.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if grep -qE '^ORVANE_(SANITIZE|TSAN):BOOL=ON' "$build/CMakeCache.txt"; then
  echo "Python tests skipped: $build is a sanitizer build"
  exit 0
fi
# Debian's interpreter, which has the packages install-deps.sh adds, even where another comes first on PATH.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
venv=$build/python-venv
[ -x "$venv/bin/python" ] || "$python" -m venv --system-site-packages "$venv"
cc=gcc
command -v ccache >/dev/null && cc="ccache gcc"
CC=$cc ORVANE_LIBRARY_DIR="$PWD/$build/lib" "$venv/bin/pip" install -q --no-build-isolation --no-index --no-deps \
  --force-reinstall ./python
status=0
ORVANE_TOOL="$PWD/$build/bin/orvane" "$venv/bin/python" -m pytest -q tests/python || status=$?
if [ "$status" -eq 5 ]; then
  echo "Python tests: none collected"
  status=0
fi
exit "$status"
