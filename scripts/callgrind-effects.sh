#!/usr/bin/env bash
# Instructions per second of audio for the slow effects of `orvane fx`, counted by callgrind over
# the whole process: (instructions for a 10 s input - instructions for a 1 s input) / 9, so start-up
# and file handling drop out. The count does not depend on the machine's load.
# Usage: scripts/callgrind-effects.sh [BUILD_DIR]   (default build; needs valgrind and python3)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
orvane="$build/bin/orvane"
[ -x "$orvane" ] || { echo "build $orvane first (cmake --build $build --target orvane)" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }
work="$build/callgrind-effects"
mkdir -p "$work"

# 44.1 kHz stereo, 16 bits: a chord on the left, a sweep on the right and a little noise on both,
# so that the grain alignment searches work on a signal with a pitch that moves.
make_input() {
    python3 - "$1" "$2" <<'PY'
import math, random, struct, sys, wave
seconds, path = int(sys.argv[1]), sys.argv[2]
rate = 44100
rng = random.Random(1)
frames = bytearray()
for i in range(rate * seconds):
    t = i / rate
    left = sum(math.sin(2 * math.pi * f * t) for f in (220.0, 277.18, 329.63)) / 3
    right = math.sin(2 * math.pi * (200.0 * t + 30.0 * t * t))
    l = int(20000 * left + 1000 * rng.uniform(-1, 1))
    r = int(20000 * right + 1000 * rng.uniform(-1, 1))
    frames += struct.pack('<hh', l, r)
with wave.open(path, 'wb') as w:
    w.setnchannels(2)
    w.setsampwidth(2)
    w.setframerate(rate)
    w.writeframes(bytes(frames))
PY
}
for s in 1 10; do
    [ -f "$work/in$s.wav" ] || make_input "$s" "$work/in$s.wav"
done

instructions() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$orvane" fx "$work/in$1.wav" "$work/out.wav" "$2" \
        2>&1 >/dev/null | sed -n 's/.*Collected : *\([0-9]*\).*/\1/p'
}

printf '%-12s %s\n' effect 'M instructions per audio second'
for effect in pitch:300 stretch:322 chorus:3 fade; do
    short=$(instructions 1 "$effect")
    long=$(instructions 10 "$effect")
    awk -v e="$effect" -v a="$short" -v b="$long" 'BEGIN { printf "%-12s %.1f\n", e, (b - a) / 9 / 1e6 }'
done
# The equaliser is counted over the whole process for 1 s of audio, its design included: one band
# moved, and every band moved (alternating boosts and cuts).
for effect in eq:0,0,0,0,0,12 eq:12,-12,12,-12,12,-12,12,-12,12,-12; do
    awk -v e="$effect" -v a="$(instructions 1 "$effect")" 'BEGIN { printf "%-12s %.1f (1 s, whole process)\n", e, a / 1e6 }'
done
