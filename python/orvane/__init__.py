"""Orvane for Python: MPEG audio (Layers I, II, III) to NumPy arrays, and the effects of
`orvane fx` on arrays.

    import orvane
    data, rate = orvane.load("song.mp3", offset=30.0, duration=10.0)
    print(orvane.info("song.mp3").tags.get("title"))
    louder, rate = orvane.fx(data, rate, "eq:0,0,0,0,0,0,3,3 norm:-1")
"""

from . import _libraries  # noqa: F401  (the libraries before the extension that needs them)
from .decoding import Decoder, Info, info, load
from .effects import effect_names, equalize, fade, fx, gain, pitch_shift, resample, time_stretch
from .errors import DecodeError, EffectError, Error

__version__ = "0.1.0"
__all__ = ["load", "info", "Info", "Decoder", "fx", "effect_names", "resample", "pitch_shift", "time_stretch",
           "equalize", "gain", "fade", "Error", "DecodeError", "EffectError"]
