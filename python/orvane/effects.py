"""The effects of `orvane fx` on NumPy arrays: fx with the tool's grammar, and shorthands."""

from __future__ import annotations

import numpy as np

from . import _libraries, _orvane
from .errors import EffectError

# Type names only: importing typing would slow every program that imports orvane.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Sequence, Union

    Effects = Union[str, Sequence[str]]


def effect_names() -> "list[tuple[str, str, str]]":
    """(name, arguments, summary) of every effect fx knows, as `orvane fx --help` lists them."""
    return [tuple(e) for e in _orvane.effects()]


def fx(data: np.ndarray, samplerate: int, effects: Effects) -> "tuple[np.ndarray, int]":
    """Runs audio through effects, as `orvane fx IN OUT EFFECT...` does, and returns (data, samplerate).

    effects is a string of space-separated words or a sequence of them, each NAME or
    NAME:ARG,ARG,... with the tool's names, arguments and units ("resample:48000,cubic,aa
    pitch:-3st eq:0,0,3 norm:-1"); effect_names() lists them. data is (frames,) or
    (frames, channels) with 1 or 2 channels, float (full scale 1.0) or int16; the result has the
    same shape kind, float32 for float input and int16 (rounded, held to full scale) for int16
    input. Raises ValueError for unknown effects, bad arguments or data, EffectError when the
    library refuses a setting. Runs without the GIL.
    """
    words = effects.split() if isinstance(effects, str) else [str(e) for e in effects]
    array = np.asarray(data)
    if array.ndim not in (1, 2):
        raise ValueError(f"data must be (frames,) or (frames, channels), not of shape {array.shape}")
    if array.dtype == np.int16:
        samples = array.astype(np.float32) * np.float32(1 / 32768)
    elif np.issubdtype(array.dtype, np.floating):
        samples = np.ascontiguousarray(array, dtype=np.float32)
    else:
        raise ValueError(f"data must hold floats or int16, not {array.dtype}")
    rate = int(samplerate)
    if rate != samplerate or rate <= 0:
        raise ValueError(f"samplerate must be a positive whole number of Hz, not {samplerate!r}")
    try:
        out, out_rate = _orvane.run_effects(samples.reshape(len(samples), -1), rate, words)
    except _orvane.EffectFailure as failure:
        raise EffectError(_libraries.last_error("dsp", str(failure))) from None
    if array.ndim == 1:
        out = out.reshape(-1)
    if array.dtype == np.int16:
        out = np.clip(np.rint(out * 32768), -32768, 32767).astype(np.int16)
    return out, int(out_rate)


def _number(value: float) -> str:
    return repr(float(value))


def resample(data: np.ndarray, samplerate: int, target: int, *, cubic: bool = True,
             antialias: bool = True) -> np.ndarray:
    """data at target Hz (1000..384000): cubic interpolation behind a 60 dB anti-alias filter,
    or linear without it. The length is exactly frames x target / samplerate, rounded down."""
    words = "resample:" + str(int(target)) + (",cubic" if cubic else "") + (",aa" if antialias else "")
    return fx(data, samplerate, words)[0]


def pitch_shift(data: np.ndarray, samplerate: int, semitones: float) -> np.ndarray:
    """data moved by semitones (-12..12), its length kept."""
    return fx(data, samplerate, "pitch:" + _number(100 * semitones))[0]


def time_stretch(data: np.ndarray, samplerate: int, rate: float) -> np.ndarray:
    """data played rate times as fast (0.25..4), its pitch kept: about frames / rate frames."""
    return fx(data, samplerate, "tempo:" + _number(rate))[0]


def equalize(data: np.ndarray, samplerate: int, gains: Sequence[float]) -> np.ndarray:
    """data through the 10-band octave equaliser: gains in dB (-24..24) at 31, 63, 125, 250, 500 Hz,
    1, 2, 4, 8 and 16 kHz, each band's centre at its gain; fewer gains leave the rest at 0."""
    return fx(data, samplerate, "eq:" + ",".join(_number(g) for g in gains))[0]


def gain(data: np.ndarray, samplerate: int, db: float) -> np.ndarray:
    """data changed in level by db (-50..50)."""
    return fx(data, samplerate, "gain:" + _number(db))[0]


def fade(data: np.ndarray, samplerate: int, start: float, end: float, to_db: float = -50.0,
         from_db: float = 0.0) -> np.ndarray:
    """data with a level ramp, linear in dB, from from_db to to_db over start..end seconds (levels
    -50..50 dB; the level holds at to_db after end)."""
    return fx(data, samplerate, f"fade:{_number(start)},{_number(end)},{_number(to_db)},{_number(from_db)}")[0]
