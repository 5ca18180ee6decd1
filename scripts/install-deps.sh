#!/usr/bin/env bash
# Installs what building, testing and running Orvane needs on Debian 12 (run as root), the
# Python package and its benchmark included.
set -euo pipefail
. "$(dirname "$0")/apt-packages.sh"
install_packages -- build-essential cmake pkg-config clang clang-format libclang-rt-14-dev \
  libgtest-dev libgmock-dev libbenchmark-dev portaudio19-dev lame twolame valgrind tmux \
  libpng-dev libcurl4-openssl-dev dpkg-dev file python3 ccache \
  python3-numpy python3-pytest python3-setuptools python3-pybind11 python3-build python3-venv \
  python3-pip python3-soundfile
