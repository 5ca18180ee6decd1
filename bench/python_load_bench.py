#!/usr/bin/env python3
"""CPU time to a NumPy array: orvane.load against soundfile.read (and pydub, audioread where
installed) on the same lame-made files, 1 to 150 s, mono and stereo, CBR and VBR.

Rows: whole files; 1 s excerpts from a long file; info over 100 files. Each row is timed twice:
"first" in a fresh interpreter, the import and the first call included; "warm" as the median of
repeated calls in that interpreter (at least N, and at least 0.3 s of them). CPU time counts child processes (pydub and audioread decode in
them). Every loader's samples are checked against orvane's: the same length, within 1 LSB.

    build/python-venv/bin/python bench/python_load_bench.py [--dir FOLDER] [--repeat N]
"""

import argparse
import json
import os
import resource
import shutil
import subprocess
import sys
import time
import wave

import numpy as np

DURATIONS = (1, 5, 20, 60, 150)
ENCODINGS = {"CBR": ["-b", "128"], "VBR": ["-V", "2"]}
EXCERPTS = 20


def cpu() -> float:
    children = resource.getrusage(resource.RUSAGE_CHILDREN)
    return time.process_time() + children.ru_utime + children.ru_stime


# ---- The loaders: each gives int16 (frames, channels) samples, as a caller would get them. ----

def orvane_load(path, start=None, frames=None):
    import orvane
    if start is None:
        return orvane.load(path, dtype="int16", always_2d=True)[0]
    return orvane.load(path, offset=start / 44100, duration=frames / 44100, dtype="int16", always_2d=True)[0]


def soundfile_load(path, start=None, frames=None):
    import soundfile
    if start is None:
        return soundfile.read(path, dtype="int16", always_2d=True)[0]
    return soundfile.read(path, start=start, frames=frames, dtype="int16", always_2d=True)[0]


def pydub_load(path, start=None, frames=None):
    from pydub import AudioSegment
    segment = AudioSegment.from_mp3(path)
    data = np.frombuffer(segment.raw_data, np.int16).reshape(-1, segment.channels)
    return data if start is None else data[start : start + frames]


def audioread_load(path, start=None, frames=None):
    import audioread
    with audioread.audio_open(path) as f:
        data = np.frombuffer(b"".join(f), np.int16).reshape(-1, f.channels)
    return data if start is None else data[start : start + frames]


def orvane_info(path):
    import orvane
    return orvane.info(path).frames


def soundfile_info(path):
    import soundfile
    return soundfile.info(path).frames


LOADERS = {"orvane": (orvane_load, orvane_info), "soundfile": (soundfile_load, soundfile_info),
           "pydub": (pydub_load, None), "audioread": (audioread_load, None)}


def available(name: str) -> bool:
    module = {"orvane": "orvane", "soundfile": "soundfile", "pydub": "pydub", "audioread": "audioread"}[name]
    try:
        __import__(module)
    except ImportError:
        return False
    return name not in ("pydub", "audioread") or shutil.which("ffmpeg") is not None


# ---- A row's work, run in a fresh interpreter. ----

def run_row(loader: str, row: dict) -> None:
    begin = cpu()
    load, info = LOADERS[loader]

    def once():
        if row["kind"] == "whole":
            return len(load(row["files"][0]))
        if row["kind"] == "excerpts":
            return sum(len(load(row["files"][0], start, 44100)) for start in row["starts"])
        return sum(info(path) for path in row["files"])

    once()
    first = cpu() - begin
    times = []
    while len(times) < row["repeat"] or (sum(times) < 0.3 and len(times) < 200):
        t = cpu()
        once()
        times.append(cpu() - t)
    print(json.dumps({"first": first, "warm": float(np.median(times))}))


def time_row(loader: str, row: dict) -> dict:
    out = subprocess.run([sys.executable, __file__, "--worker", loader, json.dumps(row)], check=True,
                         capture_output=True, text=True).stdout
    return json.loads(out)


# ---- Files. ----

def make_files(folder: str) -> dict:
    """lame encodings of a music-like signal (chords, noise bursts, a sweep) at 44.1 kHz."""
    os.makedirs(folder, exist_ok=True)
    rng = np.random.default_rng(1)
    files = {}
    for seconds in DURATIONS:
        for channels in (1, 2):
            wav = os.path.join(folder, f"{seconds}s_{channels}ch.wav")
            if not os.path.exists(wav):
                t = np.arange(seconds * 44100) / 44100
                left = 0.2 * np.sin(2 * np.pi * 220 * t) + 0.1 * np.sin(2 * np.pi * (300 + 50 * t % 3000) * t)
                left += 0.05 * rng.standard_normal(len(t)) * (t % 0.5 < 0.05)
                right = 0.2 * np.sin(2 * np.pi * 330 * t) + 0.1 * np.sin(2 * np.pi * 1250 * t)
                pcm = np.stack([left, right][:channels], axis=1)
                with wave.open(wav, "wb") as w:
                    w.setnchannels(channels)
                    w.setsampwidth(2)
                    w.setframerate(44100)
                    w.writeframes((pcm * 32767).astype("<i2").tobytes())
            for name, args in ENCODINGS.items():
                mp3 = os.path.join(folder, f"{seconds}s_{channels}ch_{name}.mp3")
                if not os.path.exists(mp3):
                    subprocess.run(["lame", "--quiet", *args, wav, mp3], check=True)
                files[seconds, channels, name] = mp3
    infos = os.path.join(folder, "info")
    os.makedirs(infos, exist_ok=True)
    sources = [files[s, c, e] for s in (5, 20) for c in (1, 2) for e in ENCODINGS]
    for i in range(100):
        copy = os.path.join(infos, f"{i:03}.mp3")
        if not os.path.exists(copy):
            shutil.copy(sources[i % len(sources)], copy)
    files["info"] = sorted(os.path.join(infos, n) for n in os.listdir(infos))
    return files


def check(loaders, row) -> str:
    """Lengths and values of every loader against orvane's: "ok" or what differs."""
    path = row["files"][0]
    if row["kind"] == "info":
        counts = {name: [LOADERS[name][1](p) for p in row["files"]] for name in loaders if LOADERS[name][1]}
        return "ok" if all(c == counts["orvane"] for c in counts.values()) else f"frame counts differ: {counts}"
    starts = row.get("starts", [None])
    for start in starts:
        reference = orvane_load(path, start, 44100)
        for name in loaders:
            data = LOADERS[name][0](path, start, 44100)
            if data.shape != reference.shape:
                return f"{name}: {data.shape} frames against {reference.shape}"
            lsb = int(np.abs(data.astype(np.int32) - reference).max()) if len(data) else 0
            if lsb > 1:
                return f"{name}: {lsb} LSB apart"
    return "ok"


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dir", default=os.path.join(os.environ.get("TMPDIR", "/tmp"), "orvane-python-bench"))
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--worker", nargs=2, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.worker:
        return run_row(args.worker[0], json.loads(args.worker[1]))

    loaders = [name for name in LOADERS if available(name)]
    files = make_files(args.dir)
    rows = [(f"{s:>3} s {'mono' if c == 1 else 'stereo'} {e}", {"kind": "whole", "files": [files[s, c, e]]})
            for s in DURATIONS for c in (1, 2) for e in ENCODINGS]
    rng = np.random.default_rng(3)
    for e in ENCODINGS:
        starts = sorted(int(x) for x in rng.integers(0, 148 * 44100, EXCERPTS))
        rows.append((f"{EXCERPTS} x 1 s of 150 s stereo {e}", {"kind": "excerpts", "files": [files[150, 2, e]],
                                                            "starts": starts}))
    rows.append(("info of 100 files", {"kind": "info", "files": files["info"]}))

    print(f"CPU ms; first = fresh interpreter, import and first call; warm = median of {args.repeat}+ calls")
    header = f"{'row':<30}" + "".join(f"{n + ' first':>17}{n + ' warm':>16}" for n in loaders)
    print(header + f"{'first ratio':>13}{'warm ratio':>12}  values")
    for label, row in rows:
        row["repeat"] = args.repeat
        timed = {name: time_row(name, row) for name in loaders if row["kind"] != "info" or LOADERS[name][1]}
        line = f"{label:<30}"
        for name in loaders:
            t = timed.get(name)
            line += f"{t['first'] * 1000:>17.1f}{t['warm'] * 1000:>16.1f}" if t else f"{'-':>17}{'-':>16}"
        o, s = timed["orvane"], timed.get("soundfile")
        if s:
            line += f"{o['first'] / s['first']:>13.2f}{o['warm'] / max(s['warm'], 1e-9):>12.2f}"
        print(line + "  " + check([n for n in timed], row), flush=True)


if __name__ == "__main__":
    main()
