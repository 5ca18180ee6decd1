#!/usr/bin/env bash
# Runs the libFuzzer targets: scripts/fuzz-long.sh [SECONDS_PER_TARGET] [TARGET...]
# (default 3600 s each, every target). ORVANE_FUZZ_JOBS targets run at once (default 1), each at
# nice 19 when ORVANE_FUZZ_NICE is set. Builds in build-fuzz; the corpora grow in build-fuzz/corpus
# from the committed seeds (and the conformance streams for the decoders); crashes land in
# build-fuzz/findings/TARGET/ and each run's log in build-fuzz/logs/TARGET.log.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-3600}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(mp3_decode mp3_decode_api mp3_info mp3_tags wav_reader dsp_chain tool_audio_reader playlist)
jobs=${ORVANE_FUZZ_JOBS:-1}
niceness=0
[ -n "${ORVANE_FUZZ_NICE:-}" ] && niceness=19

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DORVANE_FUZZ=ON -DORVANE_SANITIZE=ON \
  -DBUILD_TESTING=OFF -DORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/%/_fuzz}"

run_target() {
  local target=$1
  local corpus=build-fuzz/corpus/$target findings=build-fuzz/findings/$target
  mkdir -p "$corpus" "$findings" build-fuzz/logs
  [ -d "fuzz/corpus/$target" ] && cp -n "fuzz/corpus/$target"/* "$corpus"/
  if [[ $target == mp3_decode* || $target == tool_audio_reader ]] && [ -d ../shared/conformance ]; then
    cp -n ../shared/conformance/*.bit "$corpus"/ 2>/dev/null || true
    cp -n ../shared/conformance/robustness/* "$corpus"/ 2>/dev/null || true
  fi
  local status=0
  nice -n "$niceness" "build-fuzz/bin/${target}_fuzz" -max_total_time="$seconds" -max_len=8192 \
    -timeout=120 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" \
    >"build-fuzz/logs/$target.log" 2>&1 || status=$?
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "build-fuzz/logs/$target.log" | grep -o '[0-9]*$' || echo "?")
  if [ "$status" -eq 0 ]; then
    echo "${target}_fuzz: ${seconds} s, ${runs} executions, nothing found"
  else
    echo "${target}_fuzz: FAILED (exit $status); see build-fuzz/logs/$target.log and $findings/"
    tail -40 "build-fuzz/logs/$target.log"
  fi
  echo "$status" >"build-fuzz/logs/$target.status"
}

for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    wait -n || true
  done
  rm -f "build-fuzz/logs/$target.status"
  run_target "$target" &
done
wait
for target in "${targets[@]}"; do
  [ "$(cat "build-fuzz/logs/$target.status" 2>/dev/null)" = 0 ] || exit 1
done
