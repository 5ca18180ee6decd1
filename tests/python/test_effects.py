"""orvane.fx and the plain effect functions on tones, against measured pitch, exact lengths and the tool."""

import os
import shutil
import subprocess
import struct
from pathlib import Path

import numpy as np
import pytest

import orvane
from conftest import ROOT, dominant_frequency, tone


@pytest.mark.parametrize("channels", [1, 2])
@pytest.mark.parametrize("source_rate,target_rate,seconds", [
    (44100, 48000, 20.0), (48000, 44100, 7.3), (44100, 22050, 3.0), (22050, 96000, 1.01), (8000, 11025, 2.5),
    (32000, 44100, 0.0001),
])
def test_resample_keeps_exact_length_and_frequency(channels, source_rate, target_rate, seconds):
    data = tone(source_rate, seconds, [441.0, 1000.0][:channels])
    if channels == 1:
        data = data[:, 0]
    out = orvane.resample(data, source_rate, target_rate)
    assert out.shape[0] == len(data) * target_rate // source_rate
    assert out.shape[1:] == data.shape[1:] and out.dtype == np.float32 and out.flags.c_contiguous
    if seconds >= 1:
        middle = out.reshape(len(out), -1)[len(out) // 4 : 3 * len(out) // 4, 0]
        assert dominant_frequency(middle, target_rate) == pytest.approx(441.0, rel=2e-3)


@pytest.mark.parametrize("semitones", [-12, -5, 3, 7, 12])
def test_pitch_shift_moves_a_tone_by_the_interval(semitones):
    rate = 44100
    data = tone(rate, 2.0, [440.0])[:, 0]
    out = orvane.pitch_shift(data, rate, semitones)
    assert out.shape == data.shape
    measured = dominant_frequency(out[rate // 2 :], rate)
    assert measured == pytest.approx(440.0 * 2 ** (semitones / 12), rel=0.01)


@pytest.mark.parametrize("factor", [0.5, 0.8, 1.25, 2.0])
def test_time_stretch_changes_length_not_pitch(factor):
    rate = 48000
    data = tone(rate, 3.0, [523.0, 523.0])
    out = orvane.time_stretch(data, rate, factor)
    assert abs(len(out) - len(data) / factor) <= 0.01 * len(data)
    assert dominant_frequency(out[len(out) // 4 :, 1], rate) == pytest.approx(523.0, rel=0.01)


def test_level_effects_and_grammar():
    rate = 44100
    data = tone(rate, 1.0, [1000.0, 1500.0])
    peak_db = lambda x: 20 * np.log10(np.abs(x).max())  # noqa: E731
    assert peak_db(orvane.gain(data, rate, -6.0)) == pytest.approx(peak_db(data) - 6.0, abs=0.05)
    normalised, out_rate = orvane.fx(data, rate, ["gain:-12", "norm:-1"])
    assert out_rate == rate and peak_db(normalised) == pytest.approx(-1.0, abs=0.01)
    faded = orvane.fade(data, rate, 0.5, 0.75, to_db=-50.0)
    assert np.abs(faded[: rate // 2]).max() == pytest.approx(np.abs(data).max(), rel=1e-3)
    assert np.abs(faded[int(0.8 * rate) :]).max() < 0.01
    # Octave bands: +12 dB at 1 kHz lifts a 1 kHz tone by 12 dB.
    lifted = orvane.equalize(data[:, 0], rate, [0, 0, 0, 0, 0, 12])
    assert peak_db(lifted[rate // 2 :]) - peak_db(data[:, 0]) == pytest.approx(12.0, abs=0.5)
    # int16 in, int16 out, on the same scale as the decoder's.
    pcm = np.rint(data * 32767).astype(np.int16)
    half = orvane.gain(pcm, rate, -6.0206)
    assert half.dtype == np.int16 and np.abs(half.astype(int) - pcm // 2).max() <= 1
    np.testing.assert_allclose(orvane.fx(data, rate, "")[0], data, rtol=1e-6)
    assert {"resample", "pitch", "tempo", "speed", "eq", "gain", "fade"} <= {n for n, _, _ in orvane.effect_names()}

    for bad in ("nosuch", "gain:99", "gain:x", "norm pitch:1", "pitch:1,2", "resample:500"):
        with pytest.raises(ValueError):
            orvane.fx(data, rate, bad)
    for bad_data, bad_rate in ((np.zeros((10, 3), np.float32), rate), (np.zeros(10, np.int32), rate),
                               (np.zeros((2, 2, 2)), rate), (data, 0), (data, 44100.5)):
        with pytest.raises(ValueError):
            orvane.fx(bad_data, bad_rate, "gain:1")


def tool() -> Path:
    found = os.environ.get("ORVANE_TOOL") or shutil.which("orvane")
    for candidate in (found, ROOT / "build" / "bin" / "orvane"):
        if candidate and Path(candidate).exists():
            return Path(candidate)
    pytest.skip("the orvane tool is not built")


@pytest.mark.parametrize("effects", [
    "resample:48000,cubic,aa pitch:-3st", "speed:1.1 eq:3,0,-3,0,6 iir:4,5000", "tempo:0.8 chorus gain:-3",
    "shelf:3,0,-3,0 fade:0.2,0.9,-20 norm:-2",
])
def test_fx_equals_the_tool(tmp_path, effects):
    """The same words give the same samples as `orvane fx`, down to the last bit of its float output."""
    rate = 44100
    data = tone(rate, 1.7, [330.0, 550.0])
    body = data.astype("<f4").tobytes()
    fmt = struct.pack("<HHIIHH", 3, 2, rate, rate * 8, 8, 32)
    (tmp_path / "in.wav").write_bytes(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(body)) + b"WAVE"
                                      + b"fmt " + struct.pack("<I", len(fmt)) + fmt
                                      + b"data" + struct.pack("<I", len(body)) + body)
    subprocess.run([str(tool()), "-q", "fx", str(tmp_path / "in.wav"), str(tmp_path / "out.wav"), "--bits", "32",
                    *effects.split()], check=True)
    raw = (tmp_path / "out.wav").read_bytes()
    at = raw.index(b"data") + 8
    expected = np.frombuffer(raw[at:], "<f4").reshape(-1, 2)
    out, out_rate = orvane.fx(data, rate, effects)
    assert out_rate == (48000 if "resample" in effects else rate)
    np.testing.assert_array_equal(out, expected)
