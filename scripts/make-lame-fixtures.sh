#!/usr/bin/env bash
# Makes the real-world test files in OUTDIR (default build/lame-fixtures): synthesized source
# signals (NAME.wav) and their lame encodings (NAME.mp3) as users meet them: CBR, VBR, MPEG-2,
# MPEG-2.5, mono, ID3v2 with cover art plus ID3v1, and an APEv2 tag. Needs lame and python3.
set -euo pipefail
out=${1:-build/lame-fixtures}
mkdir -p "$out"
cd "$out"

# Source: two tones and a tone burst every half second (attacks make the encoder switch to short
# blocks), faded in and out, at the given rate and channel count.
source_wav() {  # NAME RATE CHANNELS SECONDS
    python3 - "$@" <<'PY'
import math, struct, sys, wave
name, rate, channels, seconds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
frames = int(rate * seconds)
data = bytearray()
for i in range(frames):
    t = i / rate
    env = min(1.0, t * 8, (seconds - t) * 8)
    burst = 0.3 * math.sin(2 * math.pi * 700 * t) if (t % 0.5) < 0.1 else 0.0
    left = env * (0.35 * math.sin(2 * math.pi * 330 * t) + 0.2 * math.sin(2 * math.pi * 1210 * t) + burst)
    right = env * (0.35 * math.sin(2 * math.pi * 440 * t) + 0.15 * math.sin(2 * math.pi * 990 * t) + burst)
    if channels == 1:
        data += struct.pack('<h', int(20000 * left))
    else:
        data += struct.pack('<hh', int(20000 * left), int(20000 * right))
with wave.open(name + '.wav', 'wb') as w:
    w.setnchannels(channels)
    w.setsampwidth(2)
    w.setframerate(rate)
    w.writeframes(bytes(data))
PY
}

# A stand-in cover picture: a JPEG start, then bytes full of frame-sync patterns.
python3 - <<'PY'
import random
random.seed(7)
body = bytearray(b'\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00')
for _ in range(3000):
    body += bytes([0xff, 0xfb, 0x90, 0x64]) + bytes(random.randrange(256) for _ in range(12))
body += b'\xff\xd9'
open('cover.jpg', 'wb').write(body)
PY

source_wav cbr 44100 2 4
lame --quiet -b 128 cbr.wav cbr.mp3

source_wav vbr 44100 2 4
lame --quiet -V2 vbr.wav vbr.mp3

source_wav mpeg2 22050 2 4
lame --quiet -b 64 mpeg2.wav mpeg2.mp3

source_wav mpeg25 8000 1 4
lame --quiet -V2 mpeg25.wav mpeg25.mp3

source_wav mono 44100 1 4
lame --quiet -m m -b 96 mono.wav mono.mp3

source_wav tagged 44100 2 4
lame --quiet -b 128 --add-id3v2 --ti cover.jpg --tt "Tagged Title" --ta "Ärtist" --tl "The Album" \
    --ty 2024 --tn 7 --tg Rock --tc "A comment" tagged.wav tagged.mp3

# lame writes no APEv2 tag: append one (items, then a footer) to a copy of a CBR encoding.
source_wav ape 44100 2 4
lame --quiet -b 128 ape.wav ape.mp3
python3 - <<'PY'
import struct
items = b''
for key, value in ((b'Title', 'Ape Title'), (b'Artist', 'Ape Artist'), (b'Year', '1999')):
    v = value.encode('utf-8')
    items += struct.pack('<II', len(v), 0) + key + b'\0' + v
footer = b'APETAGEX' + struct.pack('<IIII', 2000, len(items) + 32, 3, 0) + b'\0' * 8
with open('ape.mp3', 'ab') as f:
    f.write(items + footer)
PY
rm -f cover.jpg
echo "wrote the lame fixtures to $out"
