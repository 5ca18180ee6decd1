#!/usr/bin/env bash
# Installs a built tree (BUILD_DIR, default build) to a temporary prefix and checks it as a user
# would: the installed orvane runs on the installed libraries (its version and a conversion), the
# examples build from the prefix with pkg-config and with find_package and run, each
# installed library exports only its C API, installed files carry no RUNPATH, and cpack makes the
# Debian package.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'liborvane-mp3.so' | head -1)")
export PKG_CONFIG_PATH="$libdir/pkgconfig" LD_LIBRARY_PATH="$libdir"

echo "== exported symbols =="
for lib in dsp mp3 tessor norv; do
  so="$libdir/liborvane-$lib.so.0"
  header="include/orvane/$lib.h"
  api=$(echo "$lib" | tr a-z A-Z)_API
  expected=$(grep -o "^$api [^(]*(" "$header" | sed 's/($//; s/.*[ *]//' | sort)
  actual=$(nm -D --defined-only "$so" | awk '{print $3}' | sort)
  if [ "$expected" != "$actual" ]; then
    echo "liborvane-$lib exports differ from $header:"; diff <(echo "$expected") <(echo "$actual") || true
    exit 1
  fi
  echo "liborvane-$lib: $(echo "$actual" | wc -l) exports, all in $header"
done
if find "$prefix" -type f \( -name '*.so*' -o -path '*/bin/*' \) -exec readelf -d {} \; 2>/dev/null | grep -q 'R.*PATH'; then
  echo "an installed file carries an RPATH or RUNPATH"; exit 1
fi

echo "== the installed tool on the installed libraries =="
for lib in dsp mp3 tessor norv; do
  found=$(ldd "$prefix/bin/orvane" | awk -v l="liborvane-$lib.so.0" '$1 == l {print $3}')
  if [ "$found" != "$libdir/liborvane-$lib.so.0" ]; then
    echo "the installed orvane takes liborvane-$lib from '${found:-nowhere}', not $libdir"; exit 1
  fi
done
"$prefix/bin/orvane" --version
"$prefix/bin/orvane" -q convert samples/orvane-demo.mp3 "$work/installed.wav"
echo "orvane runs on $libdir: converted $(stat -c %s "$work/installed.wav") bytes"

echo "== examples through pkg-config =="
cc -Wall -Wextra -o "$work/decode_to_memory" examples/decode_to_memory.c $(pkg-config --cflags --libs orvane-mp3)
cc -Wall -Wextra -o "$work/effect_chain" examples/effect_chain.c $(pkg-config --cflags --libs orvane-dsp)
cc -Wall -Wextra -pthread -o "$work/play_started_event" examples/play_started_event.c $(pkg-config --cflags --libs orvane-mp3)
sample=samples/orvane-demo.mp3
"$work/decode_to_memory" "$sample"
"$prefix/bin/orvane" -q convert "$sample" "$work/demo.wav"
"$work/effect_chain" "$work/demo.wav" "$work/chain.wav"
ORVANE_OUTPUT=null "$work/play_started_event" "$sample"

echo "== examples through find_package =="
cmake -S examples -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/decode_to_memory" "$sample"
"$work/cmake/effect_chain" "$work/demo.wav" "$work/chain2.wav"
cmp "$work/chain.wav" "$work/chain2.wav"

echo "== Debian package =="
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/*.deb
