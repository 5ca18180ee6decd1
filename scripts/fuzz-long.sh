#!/usr/bin/env bash
# Runs every libFuzzer target for hours: scripts/fuzz-long.sh [SECONDS_PER_TARGET] [TARGET...]
# (default 3600 s each, all targets). Builds in build-fuzz; the corpora grow in build-fuzz/corpus
# from the committed seeds; crashes land in build-fuzz/findings/TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-3600}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(mp3_decode mp3_info wav_reader dsp_chain)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DORVANE_FUZZ=ON -DORVANE_SANITIZE=ON \
  -DBUILD_TESTING=OFF -DORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/%/_fuzz}"
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  findings=build-fuzz/findings/$target
  mkdir -p "$corpus" "$findings"
  cp -n fuzz/corpus/$target/* "$corpus"/
  if [ "$target" = mp3_decode ] && [ -d ../shared/conformance ]; then
    cp -n ../shared/conformance/*.bit "$corpus"/ 2>/dev/null || true
  fi
  echo "== ${target}_fuzz for ${seconds} s =="
  nice -n 19 build-fuzz/bin/${target}_fuzz -max_total_time="$seconds" -max_len=8192 -timeout=25 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" "$corpus"
done
