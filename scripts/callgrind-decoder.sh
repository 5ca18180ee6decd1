#!/usr/bin/env bash
# Instructions per second of audio for decoding, playback and start-up, counted by callgrind so the
# figures do not depend on the machine's load: each job runs on a 1 s and a 10 s input, and the
# difference divided by the 9 s between them leaves out start-up. The start-up row is the whole
# process for a 2-frame file, the eq row the whole process for 1 s (scripts/callgrind-effects.sh
# measures the other effects). Inputs are synthesized here and encoded with lame (Layer III) and
# twolame (Layer II); the Layer I input repeats the 384 kbit/s conformance stream, which frames
# independently. Playback captures to a file without real-time pacing, so waiting is not counted.
# The first table sets mpg123 (the command, `mpg123 -q -w out.wav`, as a black-box peer) beside
# `orvane convert` on the same files, and libmpg123 beside the decode interface in-process (both
# through build/bin/decode_interface_count, whole file to float); a peer left out shows "-".
#
#   scripts/callgrind-decoder.sh [BUILD_DIR]      (default: build; needs valgrind, lame, twolame;
#                                                  mpg123 and libmpg123-dev for the peer columns)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
orvane=$build/bin/orvane
conformance=../shared/conformance
for tool in valgrind lame twolame python3; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -x "$orvane" ] || { echo "missing: $orvane (build the orvane target)" >&2; exit 1; }
work=$build/callgrind-decoder
mkdir -p "$work"

# Stereo 44.1 kHz test signal: a chord, a sweep and noise, so every band carries data.
make_wav() {  # seconds out.wav
  python3 - "$1" "$2" <<'PY'
import math, random, struct, sys, wave
seconds, path = float(sys.argv[1]), sys.argv[2]
rate = 44100
rng = random.Random(5)
frames = bytearray()
for i in range(int(rate * seconds)):
    t = i / rate
    chord = sum(math.sin(2 * math.pi * f * t) for f in (220.0, 277.18, 329.63, 1760.0)) / 4
    sweep = math.sin(2 * math.pi * (200.0 * t + 300.0 * t * t))
    l = 0.6 * chord + 0.25 * sweep + 0.1 * rng.uniform(-1, 1)
    r = 0.6 * sweep + 0.25 * chord + 0.1 * rng.uniform(-1, 1)
    frames += struct.pack('<hh', int(20000 * l), int(20000 * r))
with wave.open(path, 'wb') as w:
    w.setnchannels(2)
    w.setsampwidth(2)
    w.setframerate(rate)
    w.writeframes(bytes(frames))
PY
}

# Instructions callgrind counts for one whole command (every thread).
count() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p' | tail -1
}

# Millions of instructions per audio second: $1 and $2 are the counts for 1 s and 10 s.
rate() { python3 -c "print(f'{($2 - $1) / 9 / 1e6:.1f} M')"; }

for s in 1 10; do
  [ -f "$work/in$s.wav" ] || make_wav "$s" "$work/in$s.wav"
  lame --quiet -m j -b 128 "$work/in$s.wav" "$work/l3-128-$s.mp3"
  lame --quiet -m j -b 320 "$work/in$s.wav" "$work/l3-320-$s.mp3"
  lame --quiet -V 2 "$work/in$s.wav" "$work/l3-v2-$s.mp3"
  lame --quiet -m j -b 64 --resample 22.05 "$work/in$s.wav" "$work/l3-22k-$s.mp3"
  twolame --quiet -b 192 "$work/in$s.wav" "$work/l2-192-$s.mp2"
done
# 0.427 s per copy of the Layer I stream: 2.34 and 23.4 copies make 1 s and 10 s.
python3 - "$conformance/l1-fl6.bit" "$work" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
for seconds, copies in ((1, 2.34), (10, 23.4)):
    n = int(len(data) * copies)
    open(f"{sys.argv[2]}/l1-384-{seconds}.mp1", 'wb').write((data * 24)[:n])
PY
# Two 418-byte frames, without the encoder's tag frame.
lame --quiet -t -m j -b 128 "$work/in1.wav" "$work/notag.mp3"
head -c 836 "$work/notag.mp3" > "$work/two-frames.mp3"

convert() {  # input [options]
  local in=$1; shift
  count "$orvane" convert "$in" "$work/out.wav" "$@"
}
rate2() { python3 -c "print(f'{($2 - $1) / 9 / 1e6:.2f}')"; }
ratio() { python3 -c "print('-' if '-' in ('$1', '$2') else f'{$1 / $2:.2f}')"; }
peer=$build/bin/decode_interface_count
have_mpg123=0
command -v mpg123 >/dev/null && have_mpg123=1
have_lib=0
[ -x "$peer" ] && "$peer" mpg123 "$work/two-frames.mp3" 2>/dev/null && have_lib=1
[ -x "$peer" ] || echo "missing: $peer (build the decode_interface_count target): no in-process columns" >&2

# Millions of instructions per audio second of one job over the 1 s and 10 s inputs; "-" when
# the job's tool is missing.
per_second() {  # file-stem suffix job...
  local stem=$1 suffix=$2; shift 2
  local a b
  a=$("$@" "$work/$stem-1.$suffix") b=$("$@" "$work/$stem-10.$suffix")
  rate2 "$a" "$b"
}
job_orvane() { convert "$1" "${extra[@]}"; }
job_mpg123() { count mpg123 -q -w "$work/peer.wav" "$1"; }
job_api() { count "$peer" orvane "$1"; }
job_lib() { count "$peer" mpg123 "$1"; }

echo "| stream (M instructions per audio second) | mpg123 | orvane convert | ratio | libmpg123 | decode interface | ratio |"
echo "|---|---|---|---|---|---|---|"
extra=()
for row in "Layer III 128 kbit/s:l3-128:mp3" "Layer III 320 kbit/s:l3-320:mp3" "Layer III VBR -V2:l3-v2:mp3" \
            "MPEG-2 22 kHz 64 kbit/s:l3-22k:mp3" "Layer II 192 kbit/s:l2-192:mp2" "Layer I 384 kbit/s:l1-384:mp1"; do
  IFS=: read -r label stem suffix <<<"$row"
  m=- o=- l=- a=-
  [ "$have_mpg123" = 1 ] && m=$(per_second "$stem" "$suffix" job_mpg123)
  o=$(per_second "$stem" "$suffix" job_orvane)
  if [ -x "$peer" ]; then
    a=$(per_second "$stem" "$suffix" job_api)
    [ "$have_lib" = 1 ] && l=$(per_second "$stem" "$suffix" job_lib)
  fi
  echo "| $label | $m | $o | $(ratio "$o" "$m") | $l | $a | $(ratio "$a" "$l") |"
done
startup=$(convert "$work/two-frames.mp3")
m=-
[ "$have_mpg123" = 1 ] && m=$(count mpg123 -q -w "$work/peer.wav" "$work/two-frames.mp3")
whole() { python3 -c "print('-' if '$1' == '-' else f'{$1 / 1e6:.2f}')"; }
echo "| start-up: 2-frame file, whole process | $(whole "$m") | $(whole "$startup") | $(ratio "$startup" "$m") | | | |"
# One seek and half a second read after it, on the 10 s Layer III 128k file whose exact length is
# known first (libmpg123 by its scan, gapless): 20 seeks less none, over 20.
per_seek() {  # mode
  local a b
  a=$(count "$peer" "$1" "$work/l3-128-10.mp3" 0) b=$(count "$peer" "$1" "$work/l3-128-10.mp3" 20)
  python3 -c "print(f'{($b - $a) / 20 / 1e6:.2f}')"
}
if [ -x "$peer" ]; then
  s_api=$(per_seek orvane-seek) s_lib=-
  [ "$have_lib" = 1 ] && s_lib=$(per_seek mpg123-seek)
  echo "| seek + 0.5 s read, Layer III 128k (M per seek) | | | | $s_lib | $s_api | $(ratio "$s_api" "$s_lib") |"
fi
echo

echo "| job (instructions per audio second)          |     count |"
echo "|----------------------------------------------|-----------|"
l3_128() { convert "$work/l3-128-$1.mp3" "${extra[@]}"; }
l3_320() { convert "$work/l3-320-$1.mp3" "${extra[@]}"; }
l2_192() { convert "$work/l2-192-$1.mp2" "${extra[@]}"; }
l1_384() { convert "$work/l1-384-$1.mp1" "${extra[@]}"; }
play_job() {
  ORVANE_OUTPUT="capture:$work/play.wav,fast" count "$orvane" play "$work/l3-128-$1.mp3" </dev/null
}
row() {  # label command-function args...  (the input's seconds are substituted for @)
  local label=$1; shift
  local a b
  a=$("$@" 1) b=$("$@" 10)
  printf '| %-44s | %9s |\n' "$label" "$(rate "$a" "$b")"
}
for path in --plain --sse; do
  extra=("$path")
  row "Layer III 128k joint stereo, convert, $path" l3_128
  row "Layer III 320k, convert, $path" l3_320
  row "Layer II 192k, convert, $path" l2_192
  row "Layer I 384k, convert, $path" l1_384
done
extra=()
row "playback (play, capture without pacing)" play_job
eq1=$(count "$orvane" fx "$work/in1.wav" "$work/fx.wav" eq:6,0,-3,0,0,0,3,0,0,-6)
printf '| %-44s | %9s |\n' "fx eq on 1 s (whole process)" "$(python3 -c "print(f'{$eq1 / 1e6:.1f} M')")"
