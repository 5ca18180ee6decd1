"""Shared fixtures: the conformance streams, lame-made files and tone signals."""

import os
import shutil
import subprocess
import wave
from pathlib import Path

import numpy as np
import pytest

ROOT = Path(__file__).resolve().parents[2]


def conformance_dir() -> Path:
    return Path(os.environ.get("ORVANE_CONFORMANCE_DIR", ROOT.parent / "shared" / "conformance"))


def conformance_streams():
    """Every conformance stream with its reference PCM; the one that changes channel mode in mid-stream
    matches only in part and is left out."""
    folder = conformance_dir()
    if not folder.is_dir():
        return [pytest.param(None, marks=pytest.mark.skip(reason=f"conformance streams not found at {folder}"))]
    return [p for p in sorted(folder.glob("*.bit")) if p.with_suffix(".pcm").exists() and p.name != "l3-he_mode.bit"]


def tone(rate: int, seconds: float, freqs, amplitude: float = 0.4) -> np.ndarray:
    """(frames, len(freqs)) sines, one frequency per channel, in float32."""
    t = np.arange(int(round(rate * seconds))) / rate
    return np.stack([amplitude * np.sin(2 * np.pi * f * t) for f in freqs], axis=1).astype(np.float32)


def write_wav(path: Path, data: np.ndarray, rate: int) -> np.ndarray:
    """Writes data as 16-bit PCM; returns the int16 samples written."""
    pcm = np.clip(np.rint(data * 32767), -32768, 32767).astype("<i2")
    with wave.open(str(path), "wb") as w:
        w.setnchannels(pcm.shape[1])
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(pcm.tobytes())
    return pcm


@pytest.fixture(scope="session")
def lame():
    if shutil.which("lame") is None:
        pytest.skip("lame is not installed")
    return shutil.which("lame")


def encode(lame: str, wav: Path, mp3: Path, *args: str) -> Path:
    subprocess.run([lame, "--quiet", *args, str(wav), str(mp3)], check=True)
    return mp3


def dominant_frequency(signal: np.ndarray, rate: int) -> float:
    """The strongest frequency of a mono signal, interpolated between FFT bins."""
    windowed = signal * np.hanning(len(signal))
    spectrum = np.abs(np.fft.rfft(windowed))
    k = int(np.argmax(spectrum[1:-1])) + 1
    a, b, c = np.log(spectrum[k - 1 : k + 2] + 1e-30)
    return (k + 0.5 * (a - c) / (a - 2 * b + c)) * rate / len(signal)
