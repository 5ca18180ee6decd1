#!/usr/bin/env bash
# Installs the Windows cross toolchain, Wine and the GoogleTest sources on Debian 12 (run as root).
# The 32-bit Wine (ORVANE_WINE32_PACKAGE, default wine32:i386) is installed when it can be: without
# it the i686 build is only checked, not run, and scripts/windows-test.sh says so.
set -euo pipefail
. "$(dirname "$0")/apt-packages.sh"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  update_indexes
fi
install_packages --no-install-recommends -- g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64 googletest cmake
wine32=${ORVANE_WINE32_PACKAGE:-wine32:i386}
if ! install_packages --no-install-recommends -- "$wine32"; then
  echo "!! $wine32 cannot be installed: the 32-bit Windows tests will not run" >&2
fi
