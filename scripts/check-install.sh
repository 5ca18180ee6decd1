#!/usr/bin/env bash
# Installs a built tree (BUILD_DIR, default build) to a temporary prefix and checks it as a user
# would, with no LD_LIBRARY_PATH: the installed orvane runs on the installed libraries (its version
# and a conversion), the C examples build from the prefix with pkg-config and with find_package
# (shared and static) and run, Python's ctypes loads every library, each installed library exports
# only its C API, run paths are relative to the installed files only, every pkg-config module
# links, and cpack makes the Debian package. As root it then installs the package with dpkg, checks its files and builds an example
# against it, and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'liborvane-mp3.so' | head -1)")
unset LD_LIBRARY_PATH
export PKG_CONFIG_PATH="$libdir/pkgconfig"

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
# Run paths only through $ORIGIN: nothing points into the build tree or at a fixed prefix.
paths=$(find "$prefix" -type f \( -name '*.so*' -o -path '*/bin/*' \) -exec readelf -d {} \; 2>/dev/null |
  grep -o 'R[UN]*PATH.*\[.*\]' | sed 's/.*\[//; s/\]$//' | tr ':' '\n' | sort -u)
if echo "$paths" | grep -v '^$' | grep -qv '^\$ORIGIN'; then
  echo "an installed file carries a run path not relative to itself:"; echo "$paths"; exit 1
fi

echo "== every pkg-config module links and reports the headers' version =="
for module in dsp:dspGetVersion tessor:getVersionWaveOut norv:NORVGetVersion mp3:OrvaneGetVersion; do
  lib=${module%%:*} fn=${module#*:}
  printf '#include <stdio.h>\n#include <orvane/%s.h>\nint main(void) { return %s() == ORVANE_VERSION ? 0 : 1; }\n' \
    "$lib" "$fn" >"$work/version_$lib.c"
  cc -Wall -Wextra -o "$work/version_$lib" "$work/version_$lib.c" $(pkg-config --cflags --libs "orvane-$lib")
  "$work/version_$lib" || { echo "orvane-$lib: the library's version is not the header's"; exit 1; }
  echo "orvane-$lib $(pkg-config --modversion "orvane-$lib"): links and runs"
done

echo "== the installed tool on the installed libraries =="
for lib in dsp mp3 tessor norv; do
  found=$(ldd "$prefix/bin/orvane" | awk -v l="liborvane-$lib.so.0" '$1 == l {print $3}')
  if [ -z "$found" ] || [ "$(realpath "$found")" != "$(realpath "$libdir/liborvane-$lib.so.0")" ]; then
    echo "the installed orvane takes liborvane-$lib from '${found:-nowhere}', not $libdir"; exit 1
  fi
done
"$prefix/bin/orvane" --version

echo "== examples through pkg-config =="
cc -Wall -Wextra -o "$work/decode_to_memory" examples/decode_to_memory.c $(pkg-config --cflags --libs orvane-mp3)
cc -Wall -Wextra -o "$work/effect_chain" examples/effect_chain.c $(pkg-config --cflags --libs orvane-dsp)
cc -Wall -Wextra -pthread -o "$work/play_started_event" examples/play_started_event.c $(pkg-config --cflags --libs orvane-mp3)
cc -Wall -Wextra -o "$work/error_reason" examples/error_reason.c $(pkg-config --cflags --libs orvane-mp3)
cc -Wall -Wextra -o "$work/decode_pipe" examples/decode_pipe.c $(pkg-config --cflags --libs orvane-mp3)
sample=samples/orvane-demo.mp3
"$work/decode_to_memory" "$sample" | tee "$work/decoded.txt"
# The same stream through a pipe, which cannot seek, decodes to the same samples.
cat "$sample" | "$work/decode_pipe" | tee "$work/piped.txt"
[ "$(cat "$work/piped.txt")" = "$(head -n 1 "$work/decoded.txt")" ] || { echo "decode_pipe differs from decode_to_memory"; exit 1; }
"$prefix/bin/orvane" -q convert "$sample" "$work/demo.wav"
"$work/effect_chain" "$work/demo.wav" "$work/chain.wav"
ORVANE_OUTPUT=null "$work/play_started_event" "$sample"
if "$work/error_reason" "$work/missing.mp3" >"$work/reason.txt"; then
  echo "error_reason: a missing file opened"; exit 1
fi
cat "$work/reason.txt"
grep -q "cannot open (code 1): .*missing.mp3: No such file" "$work/reason.txt"


echo "== examples through find_package, shared and static =="
for kind in shared static; do
  static=OFF
  [ "$kind" = static ] && static=ON
  cmake -S examples -B "$work/cmake-$kind" -DCMAKE_PREFIX_PATH="$prefix" -DORVANE_STATIC=$static >/dev/null
  cmake --build "$work/cmake-$kind" >/dev/null
  "$work/cmake-$kind/decode_to_memory" "$sample" >/dev/null
  "$work/cmake-$kind/effect_chain" "$work/demo.wav" "$work/chain-$kind.wav"
  cmp "$work/chain.wav" "$work/chain-$kind.wav"
  ORVANE_OUTPUT=null "$work/cmake-$kind/play_started_event" "$sample" >/dev/null
  "$work/cmake-$kind/error_reason" "$sample" >/dev/null
  cat "$sample" | "$work/cmake-$kind/decode_pipe" >/dev/null
  if ldd "$work/cmake-$kind/decode_to_memory" | grep -q liborvane; then
    [ "$kind" = shared ] || { echo "the static example loads a shared Orvane library"; exit 1; }
  fi
  echo "find_package, $kind: the examples build and run"
done

echo "== Python ctypes loads each installed library =="
python3 - "$libdir" <<'PY'
import ctypes, sys
for lib, fn in (("dsp", "dspGetVersion"), ("tessor", "getVersionWaveOut"),
                ("norv", "NORVGetVersion"), ("mp3", "OrvaneGetVersion")):
    so = ctypes.CDLL(f"{sys.argv[1]}/liborvane-{lib}.so.0")
    print(f"liborvane-{lib}.so.0: version {getattr(so, fn)()}")
PY

echo "== Debian package =="
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/orvane_*.deb | head -1)
echo "$deb"
if [ "$(id -u)" != 0 ]; then
  echo "(not root: the package is not installed)"
  exit 0
fi
if dpkg-query -W -f='${Status}' orvane 2>/dev/null | grep -q 'install ok installed'; then
  echo "(an orvane package is installed already: left as it is, this one not tried)"
  exit 0
fi

echo "== the Debian package, installed with dpkg =="
trap 'dpkg -P orvane >/dev/null 2>&1 || true; rm -rf "$prefix" "$work"' EXIT
dpkg -i "$deb" >/dev/null
files=$(dpkg -L orvane)
syslib=$(dirname "$(echo "$files" | grep '/liborvane-mp3\.so\.0$')")
for f in /usr/bin/orvane /usr/include/orvane/mp3.h /usr/include/orvane/dsp.h /usr/include/orvane/version.h \
         "$syslib/cmake/Orvane/OrvaneConfig.cmake"; do
  echo "$files" | grep -qx "$f" || { echo "the package lacks $f"; exit 1; }
done
echo "$files" | grep -q '^/usr/share/man/man1/orvane\.1' || { echo "the package lacks the manual page"; exit 1; }
for lib in dsp tessor norv mp3; do
  for f in liborvane-$lib.so.0 liborvane-$lib.a pkgconfig/orvane-$lib.pc; do
    echo "$files" | grep -qx "$syslib/$f" || { echo "the package lacks $syslib/$f"; exit 1; }
  done
done
[ "$(orvane --version)" = "orvane $(pkg-config --modversion orvane-mp3)" ] || { echo "installed orvane: wrong version"; exit 1; }
# Nothing from the temporary prefix: the system's own search paths only.
(
  unset PKG_CONFIG_PATH
  cc -Wall -Wextra -o "$work/installed_decode" examples/decode_to_memory.c $(pkg-config --cflags --libs orvane-mp3)
  "$work/installed_decode" "$sample" >/dev/null
  cmake -S examples -B "$work/installed" >/dev/null
  cmake --build "$work/installed" >/dev/null
  "$work/installed/decode_to_memory" "$sample" >/dev/null
)
echo "installed with dpkg: $(echo "$files" | grep -c .) paths (libraries in $syslib); an example links and runs against it"
dpkg -r orvane >/dev/null
[ ! -e /usr/bin/orvane ] && [ ! -e "$syslib/liborvane-mp3.so.0" ] || { echo "dpkg -r left files behind"; exit 1; }
echo "removed with dpkg -r"
