"""Decoding MPEG audio to NumPy arrays: load, info and Decoder."""

from __future__ import annotations

import numpy as np

from ._sources import Opened, open_source
from .errors import DecodeError

# Type names only: importing typing would slow every program that imports orvane.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Dict, Iterator, Optional, Union

    from ._sources import Source

_TAG_FIELDS = ("title", "artist", "album", "date", "track", "genre", "comment")
_VERSIONS = {10: 1.0, 20: 2.0, 25: 2.5}
_DTYPES = {"float32": False, "int16": True}


class Info:
    """What a stream is: its format, exact length, encoding and tags."""

    __slots__ = ("samplerate", "channels", "frames", "duration", "layer", "version", "bitrate", "vbr",
                 "encoder_delay", "encoder_padding", "tags")
    samplerate: int  #: Hz
    channels: int  #: 1 or 2
    frames: int  #: PCM frames a full load gives (gapless where the encoder's tag allows)
    duration: float  #: seconds, frames / samplerate
    layer: int  #: 1, 2 or 3
    version: float  #: MPEG version: 1.0, 2.0 or 2.5
    bitrate: int  #: kbit/s: the average over the audio for a variable bitrate, else the constant one
    vbr: bool  #: whether frames differ in bitrate
    encoder_delay: int  #: frames the encoder added at the start and the decoder leaves out (0 if not stated)
    encoder_padding: int  #: frames the encoder added at the end and the decoder leaves out (0 if not stated)
    #: title, artist, album, date, track, genre, comment: those the stream has (str); and
    #: replaygain_track_gain, replaygain_album_gain (dB), replaygain_track_peak, replaygain_album_peak
    #: (1.0 full scale): those it states (float)
    tags: Dict[str, Union[str, float]]

    def __init__(self, **fields: object):
        for name in self.__slots__:
            object.__setattr__(self, name, fields[name])

    def __setattr__(self, name: str, value: object) -> None:
        raise AttributeError("Info is read-only")

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Info) and all(getattr(self, n) == getattr(other, n) for n in self.__slots__)

    def __repr__(self) -> str:
        return "Info(" + ", ".join(f"{n}={getattr(self, n)!r}" for n in self.__slots__) + ")"


def _dtype(dtype: object) -> bool:
    name = np.dtype(dtype).name if dtype is not None else ""
    if name not in _DTYPES:
        raise ValueError(f"dtype must be float32 or int16, not {dtype!r}")
    return _DTYPES[name]


def _describe(opened: Opened) -> Info:
    fmt = opened.format
    scan = opened.scan()
    if scan is None:
        raise DecodeError("the stream's frame headers cannot be read")
    # The VBR tag's count is the gapless length; without one every decoded frame is delivered.
    frames = int(fmt["total_frames"]) or int(scan["samples"])
    rate = int(fmt["samplerate"])
    seconds = scan["samples"] / rate if rate else 0.0
    bitrate = int(fmt["bitrate"])
    if scan["vbr"] and seconds > 0:
        bitrate = int(round(scan["audio_bytes"] * 8 / seconds / 1000))
    tags: Dict[str, Union[str, float]] = {}
    for index, name in enumerate(_TAG_FIELDS):
        text = opened.handle.tag(index)
        if text:
            tags[name] = text
    # The library keeps gains and peaks in single precision: give each as its shortest decimal
    # (-1.7 dB, not -1.7000000476837158).
    tags.update((name, float(str(np.float32(value)))) for name, value in opened.handle.replay_gain().items())
    return Info(samplerate=rate, channels=int(fmt["channels"]), frames=frames, duration=frames / rate if rate else 0.0,
                layer=int(fmt["layer"]), version=_VERSIONS.get(int(scan["version"]), 0.0), bitrate=bitrate,
                vbr=bool(scan["vbr"]), encoder_delay=int(fmt["encoder_delay"]),
                encoder_padding=int(fmt["encoder_padding"]), tags=tags)


def info(source: Source) -> Info:
    """Describes an MPEG audio stream without decoding it.

    source is a path (str or os.PathLike), bytes-like data, or a binary file object. Raises
    FileNotFoundError (and other OSErrors) for paths, DecodeError for what is not MPEG audio.
    """
    opened = open_source(source)
    try:
        return _describe(opened)
    finally:
        opened.handle.close()


def _shape(data: np.ndarray, always_2d: bool) -> np.ndarray:
    return data if always_2d or data.shape[1] != 1 else data.reshape(-1)


def load(source: Source, *, offset: float = 0.0, duration: Optional[float] = None, dtype: str = "float32",
         always_2d: bool = False) -> "tuple[np.ndarray, int]":
    """Decodes an MPEG audio stream (Layers I, II, III) into a NumPy array.

    Returns (data, samplerate) as soundfile.read does: shape (frames,) for mono unless always_2d,
    (frames, channels) otherwise, C-contiguous. offset and duration (seconds) cut an excerpt by
    seeking; it equals the same slice of a full load. dtype "float32" gives full scale +-1.0,
    "int16" the decoder's rounded 16-bit samples. Gapless: a stream whose encoder states its delay
    and padding (as lame does) loads as the encoder's input. Raises ValueError for bad arguments,
    FileNotFoundError for a missing file, DecodeError for what the decoder cannot read.
    """
    int16 = _dtype(dtype)
    if not offset >= 0:
        raise ValueError(f"offset must be 0 or more seconds, not {offset!r}")
    if duration is not None and not duration >= 0:
        raise ValueError(f"duration must be 0 or more seconds, not {duration!r}")
    opened = open_source(source)
    try:
        rate = int(opened.format["samplerate"])
        start = int(round(offset * rate))
        total = int(opened.format["total_frames"])
        count = int(round(duration * rate)) if duration is not None else max(total - start, 0) if total else -1
        expected = opened.expected_frames()
        if start > 0 and not opened.handle.seek(start):
            scan = opened.scan()
            length = int(opened.format["total_frames"]) or (int(scan["samples"]) if scan else 0)
            if start < length:
                raise DecodeError(f"cannot seek to frame {start}")
            count = 0  # past the end: an empty excerpt, as a slice would be
        data = opened.handle.read(count, int16, max(expected - start, 0))
        return _shape(data, always_2d), rate
    finally:
        opened.handle.close()


class Decoder:
    """A stream opened for reading in parts: read, seek, tell and blocks, with the attributes of
    info (samplerate, channels, frames, duration, layer, version, bitrate, vbr, encoder_delay,
    encoder_padding, tags). A context manager; close it (or leave the with block) to free the
    handle. Safe to share between threads (calls take turns); decoding runs without the GIL.
    """

    def __init__(self, source: Source, *, dtype: str = "float32", always_2d: bool = False):
        self._int16 = _dtype(dtype)
        self._always_2d = always_2d
        self._opened = open_source(source)
        self._info: Optional[Info] = None

    def __enter__(self) -> "Decoder":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def close(self) -> None:
        """Frees the decoder; further reads raise ValueError."""
        self._opened.handle.close()

    @property
    def closed(self) -> bool:
        return bool(self._opened.handle.closed)

    @property
    def info(self) -> Info:
        """The stream's Info (scanned once, at first use)."""
        if self._info is None:
            self._info = _describe(self._opened)
        return self._info

    samplerate = property(lambda self: int(self._opened.format["samplerate"]), doc="Hz")
    channels = property(lambda self: int(self._opened.format["channels"]), doc="1 or 2")
    layer = property(lambda self: int(self._opened.format["layer"]), doc="1, 2 or 3")
    encoder_delay = property(lambda self: int(self._opened.format["encoder_delay"]))
    encoder_padding = property(lambda self: int(self._opened.format["encoder_padding"]))
    frames = property(lambda self: self.info.frames, doc="exact length in frames")
    duration = property(lambda self: self.info.duration, doc="seconds")
    version = property(lambda self: self.info.version, doc="1.0, 2.0 or 2.5")
    bitrate = property(lambda self: self.info.bitrate, doc="kbit/s")
    vbr = property(lambda self: self.info.vbr)
    tags = property(lambda self: self.info.tags)

    def read(self, frames: int = -1) -> np.ndarray:
        """Up to frames frames from the current position (all that remain when negative); fewer,
        down to none, at the end."""
        expected = max(self._opened.expected_frames() - self.tell(), 0)
        data = self._opened.handle.read(int(frames), self._int16, expected)
        return _shape(data, self._always_2d)

    def seek(self, frame: int) -> int:
        """Makes frame (0 .. frames) the next one read; returns it. ValueError outside the stream."""
        if frame < 0 or not self._opened.handle.seek(int(frame)):
            if self.closed:
                raise ValueError("the decoder is closed")
            raise ValueError(f"frame {frame} is outside the stream")
        return int(frame)

    def tell(self) -> int:
        """The frame the next read starts at."""
        return int(self._opened.handle.tell())

    def blocks(self, blocksize: int) -> Iterator[np.ndarray]:
        """Reads the rest of the stream in blocks of blocksize frames (the last may be shorter)."""
        if blocksize <= 0:
            raise ValueError(f"blocksize must be positive, not {blocksize!r}")
        while True:
            block = self.read(blocksize)
            if len(block) == 0:
                return
            yield block
