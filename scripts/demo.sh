#!/usr/bin/env bash
# The main job: builds Orvane, then plays the demo sample and converts it to WAV.
# Playback goes to the default sound device, or to a real-time null output where there is none.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build -j2
sample=samples/orvane-demo.mp3
build/bin/orvane info "$sample"
build/bin/orvane play "$sample"
build/bin/orvane convert "$sample" build/orvane-demo.wav
echo "converted $sample to build/orvane-demo.wav"
