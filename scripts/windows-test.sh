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

# The conversions the host and orvane.exe make under Wine must equal the Linux tool's, sample for
# sample; the effect and the picture are compared with the Linux tool's too.
stream=../shared/conformance/l3-compl.bit
[ -f "$stream" ] || stream=$(ls ../shared/conformance/*.bit 2>/dev/null | head -1 || true)
reference=""
if [ -n "$stream" ]; then
  if [ ! -x build/bin/orvane ]; then
    cmake -S . -B build -DORVANE_BUILD_BENCH=OFF >/dev/null
    cmake --build build -j2 --target orvane >/dev/null
  fi
  reference="$build/linux-reference.wav"
  # The reference is the plain path's; the tool is asked for it explicitly.
  build/bin/orvane convert "$stream" "$reference" --plain >/dev/null
  build/bin/orvane -q fx "$reference" "$build/linux-fx.wav" iir:4,3000 chorus gain:-3
  build/bin/orvane -q spectrogram "$reference" "$build/linux-spectrogram.png"
  build/bin/orvane info "$stream" >"$build/linux-info.txt"
fi

# orvane.exe under Wine: the version, info, a conversion to a file (byte for byte the Linux tool's)
# and to standard output (its samples), an effect chain and a spectrogram (within rounding of the
# Linux tool's: the C libraries' sin, exp and log may differ in the last bit).
check_tool() {
  local runner=$1 exe=$2 out=$3 ok=0
  [ "$("$runner" "$exe" --version)" = "$(build/bin/orvane --version)" ] || { echo "orvane.exe --version differs"; ok=1; }
  "$runner" "$exe" info "$stream" >"$out/info.txt" && cmp -s "$out/info.txt" "$build/linux-info.txt" ||
    { echo "orvane.exe info differs from the Linux tool's:"; diff "$build/linux-info.txt" "$out/info.txt" | head; ok=1; }
  "$runner" "$exe" -q convert "$stream" "$out/convert.wav" --plain && cmp "$reference" "$out/convert.wav" || ok=1
  # On a pipe the header's sizes stay open ("to the end"): the samples must match.
  "$runner" "$exe" -q convert "$stream" - --plain >"$out/stdout.wav" &&
    python3 scripts/compare-media.py wav "$reference" "$out/stdout.wav" || ok=1
  "$runner" "$exe" -q fx "$out/convert.wav" "$out/fx.wav" iir:4,3000 chorus gain:-3 &&
    python3 scripts/compare-media.py wav "$build/linux-fx.wav" "$out/fx.wav" 1 || ok=1
  "$runner" "$exe" -q spectrogram "$out/convert.wav" "$out/spectrogram.png" &&
    python3 scripts/compare-media.py png "$build/linux-spectrogram.png" "$out/spectrogram.png" 2 || ok=1
  [ $ok = 0 ] && echo "orvane.exe: version, info, convert (file and standard output), fx and spectrogram as on Linux"
  return $ok
}

# A program or DLL may import only system DLLs (and the other Orvane DLLs): no C or C++ runtime.
check_imports() {
  local file=$1 objdump=$2 imports
  imports=$("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  for i in $imports; do
    case $i in
      kernel32.dll|user32.dll|winmm.dll|msvcrt.dll|ole32.dll|windowscodecs.dll|mp3.dll|dsp.dll|tessor.dll|norv.dll) ;;
      *) echo "$(basename "$file") imports $i, which is not a system DLL"; return 1 ;;
    esac
  done
  echo "imports $(echo $imports)"
}

# Every function a library's header declares, and nothing else, leaves its DLL.
check_dll() {
  local dll=$1 header=$2 objdump=$3
  local want got
  want=$(grep -oE '^[A-Z0-9]+_API[^(]*\(' "$header" | sed -E 's/.*[ *]([A-Za-z0-9_]+)\($/\1/' | sort)
  got=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | tail -n +2 |
        grep -oE '\] [^ ]+$' | cut -c3- | sort)
  if [ "$want" != "$got" ]; then
    echo "$(basename "$dll"): exports differ from $(basename "$header"):"
    diff <(echo "$want") <(echo "$got") || true
    return 1
  fi
  echo -n "$(basename "$dll"): $(echo "$got" | wc -l) exports, "
  check_imports "$dll" "$objdump"
}

# Why a target's tests cannot run here (nothing when they can). Debian's 32-bit Wine loader is a
# 32-bit Linux program: it may be missing (its package, ORVANE_WINE32_PACKAGE when set, could not be
# installed), or the kernel may be unable to start 32-bit programs.
cannot_run() {
  [ "$1" = x86_64 ] && return 0
  local package=${ORVANE_WINE32_PACKAGE:-}
  if [ ! -x /usr/lib/wine/wine ] || { [ -n "$package" ] &&
    ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; }; then
    echo "32-bit Wine (${package:-wine32:i386}) is not installed"
  elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "this kernel cannot start 32-bit Linux programs, so 32-bit Wine cannot run"
  fi
}

status=0
skipped=()
for arch in "${targets[@]}"; do
  dir="$build/$arch"
  triple=$arch-w64-mingw32
  reason=$(cannot_run "$arch")
  echo "== $arch: cross build"
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-$arch.cmake" \
    -DORVANE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo ${WIN_CMAKE_ARGS:-} >/dev/null
  # Where the tests cannot run, only what is checked below is built.
  if [ -z "$reason" ]; then
    cmake --build "$dir" -j2
  else
    cmake --build "$dir" -j2 --target mp3 dsp tessor norv dll_host orvane
  fi
  for lib in mp3 dsp tessor norv; do
    check_dll "$dir/bin/$lib.dll" "include/orvane/$lib.h" "$triple-objdump" || status=1
  done
  echo -n "orvane.exe: "
  check_imports "$dir/bin/orvane.exe" "$triple-objdump" || status=1
  for implib in mp3 dsp tessor norv; do
    [ -f "$dir/lib/lib$implib.dll.a" ] || { echo "no import library for $implib.dll"; status=1; }
  done
  if [ -n "$reason" ]; then
    echo "== $arch: tests, DLL host and orvane.exe not run: $reason"
    skipped+=("$arch: the tests, the DLL host and orvane.exe did not run ($reason); its DLLs and orvane.exe were built and their exports and imports checked")
    continue
  fi
  echo "== $arch: tests under Wine"
  ORVANE_OUTPUT=null ctest --test-dir "$dir" -j2 --output-on-failure || status=1
  if [ -n "$reference" ]; then
    echo "== $arch: DLL host"
    runner=wine
    [ "$arch" = x86_64 ] && runner=$wine64
    (cd "$dir/bin" && "$runner" dll_host.exe "$root/$stream" "$dir/host.wav") || status=1
    # The player's own conversion (through norv) writes its own header, and the host leaves the
    # libraries on the best vector path the CPU has: the samples must match the plain path's
    # within the one step the paths may differ by.
    if python3 scripts/compare-media.py wav "$reference" "$dir/host.wav" 1 >/dev/null; then
      echo "the host's conversion has the Linux conversion's samples within one step ($(stat -c %s "$reference") bytes)"
    else
      echo "the host's conversion differs from the Linux conversion"
      status=1
    fi
    echo "== $arch: orvane.exe"
    check_tool "$runner" "$dir/bin/orvane.exe" "$dir" || status=1
  fi
done
if [ ${#skipped[@]} -gt 0 ]; then
  echo "################################################################################"
  echo "## NOT RUN under Wine:"
  for line in "${skipped[@]}"; do echo "##   $line"; done
  echo "################################################################################"
fi
exit $status
