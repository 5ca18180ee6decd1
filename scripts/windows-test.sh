#!/usr/bin/env bash
# Cross-builds Orvane for 32- and 64-bit Windows with mingw-w64, checks what each DLL exports and
# imports, and runs the GoogleTest suite and the DLL host under Wine (headless, no stdin needed).
# Arguments name the targets (default: i686 x86_64). WIN_BUILD_DIR sets the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(i686 x86_64)
build=${WIN_BUILD_DIR:-build-win}
mkdir -p "$build"
build=$(cd "$build" && pwd)

if [ "$(id -u)" = 0 ]; then bash scripts/install-windows-deps.sh; fi

export WINEDEBUG=-all WINEPREFIX="$build/wineprefix" WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
unset WAYLAND_DISPLAY
wine64=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== creating the Wine prefix"
  WINELOADER=$wine64 "$wine64" wineboot -i </dev/null >/dev/null 2>&1 || true
  WINELOADER=$wine64 "$wine64" wineserver -w || true
fi

# The conversion the host makes under Wine must equal the Linux tool's, sample for sample.
stream=../shared/conformance/l3-compl.bit
[ -f "$stream" ] || stream=$(ls ../shared/conformance/*.bit 2>/dev/null | head -1 || true)
reference=""
if [ -n "$stream" ]; then
  if [ ! -x build/bin/orvane ]; then
    cmake -S . -B build -DORVANE_BUILD_BENCH=OFF >/dev/null
    cmake --build build -j2 --target orvane >/dev/null
  fi
  reference="$build/linux-reference.wav"
  # The libraries start on the plain path, as the host leaves them.
  build/bin/orvane convert "$stream" "$reference" --plain >/dev/null
fi

# Every function a library's header declares, and nothing else, leaves its DLL.
check_dll() {
  local dll=$1 header=$2 objdump=$3
  local want got imports
  want=$(grep -oE '^[A-Z0-9]+_API[^(]*\(' "$header" | sed -E 's/.*[ *]([A-Za-z0-9_]+)\($/\1/' | sort)
  got=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | tail -n +2 |
        grep -oE '\] [^ ]+$' | cut -c3- | sort)
  if [ "$want" != "$got" ]; then
    echo "$(basename "$dll"): exports differ from $(basename "$header"):"
    diff <(echo "$want") <(echo "$got") || true
    return 1
  fi
  imports=$("$objdump" -p "$dll" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  for i in $imports; do
    case $i in
      kernel32.dll|user32.dll|winmm.dll|msvcrt.dll|dsp.dll|tessor.dll|norv.dll) ;;
      *) echo "$(basename "$dll") imports $i, which is not a system DLL"; return 1 ;;
    esac
  done
  echo "$(basename "$dll"): $(echo "$got" | wc -l) exports, imports $(echo $imports)"
}

# Debian's 32-bit Wine loader is a 32-bit Linux program; some kernels cannot start those.
can_run() {
  if [ "$1" = x86_64 ]; then return 0; fi
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

status=0
for arch in "${targets[@]}"; do
  dir="$build/$arch"
  triple=$arch-w64-mingw32
  echo "== $arch: cross build"
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-$arch.cmake" \
    -DORVANE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo ${WIN_CMAKE_ARGS:-} >/dev/null
  # Where the tests cannot run, only what is checked below is built.
  if can_run "$arch"; then
    cmake --build "$dir" -j2
  else
    cmake --build "$dir" -j2 --target mp3 dsp tessor norv dll_host
  fi
  for lib in mp3 dsp tessor norv; do
    check_dll "$dir/bin/$lib.dll" "include/orvane/$lib.h" "$triple-objdump" || status=1
  done
  for implib in mp3 dsp tessor norv; do
    [ -f "$dir/lib/lib$implib.dll.a" ] || { echo "no import library for $implib.dll"; status=1; }
  done
  if ! can_run "$arch"; then
    echo "== $arch: not run: this kernel cannot start 32-bit Linux programs, so 32-bit Wine cannot run"
    continue
  fi
  echo "== $arch: tests under Wine"
  ORVANE_OUTPUT=null ctest --test-dir "$dir" -j2 --output-on-failure || status=1
  if [ -n "$reference" ]; then
    echo "== $arch: DLL host"
    runner=wine
    [ "$arch" = x86_64 ] && runner=$wine64
    (cd "$dir/bin" && "$runner" dll_host.exe "$root/$stream" "$dir/host.wav") || status=1
    if cmp -s "$reference" "$dir/host.wav"; then
      echo "the host's conversion equals the Linux conversion ($(stat -c %s "$reference") bytes)"
    else
      echo "the host's conversion differs from the Linux conversion"
      status=1
    fi
  fi
done
exit $status
