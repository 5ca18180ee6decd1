#!/usr/bin/env bash
# Makes samples/orvane-demo.mp3: 8 seconds of a synthesized stereo signal (a chord on the left,
# a rising tone on the right, a soft click every half second) encoded with the lame encoder.
set -euo pipefail
cd "$(dirname "$0")/.."
wav=$(mktemp --suffix=.wav)
trap 'rm -f "$wav"' EXIT
python3 - "$wav" <<'PY'
import math, struct, sys, wave
rate, seconds = 44100, 8
frames = bytearray()
for i in range(rate * seconds):
    t = i / rate
    env = min(1.0, t * 4, (seconds - t) * 4)
    left = sum(math.sin(2 * math.pi * f * t) for f in (220.0, 277.18, 329.63)) / 3
    right = math.sin(2 * math.pi * (300.0 * t + 40.0 * t * t))
    click = 0.6 * math.exp(-(i % (rate // 2)) / 60.0)
    l = int(26000 * env * (0.8 * left + 0.2 * click))
    r = int(26000 * env * (0.8 * right + 0.2 * click))
    frames += struct.pack('<hh', l, r)
with wave.open(sys.argv[1], 'wb') as w:
    w.setnchannels(2)
    w.setsampwidth(2)
    w.setframerate(rate)
    w.writeframes(bytes(frames))
PY
mkdir -p samples
lame --quiet -m j -b 128 "$wav" samples/orvane-demo.mp3
echo "wrote samples/orvane-demo.mp3"
