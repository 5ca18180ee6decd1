"""Opens what a caller hands in (a path, bytes-like data or a binary file) as a decoder source."""

from __future__ import annotations

import errno
import os
import stat

from . import _libraries, _orvane
from .errors import DecodeError

# Type names only: importing typing would slow every program that imports orvane.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import BinaryIO, Optional, Union

    Source = Union[str, "os.PathLike[str]", "os.PathLike[bytes]", bytes, bytearray, memoryview, BinaryIO]


class Opened:
    """A decoder source with what is known about where it came from."""

    def __init__(self, handle: "_orvane.StreamSource", path: Optional[bytes], size: Optional[int]):
        self.handle = handle
        self.path = path  # the file's path, when it is one
        self.size = size  # stream bytes, when known (a path's at first need)
        self.format = handle.format()

    def expected_frames(self) -> int:
        """A first guess at the stream's length in frames (its exact total when the library knows it)."""
        fmt = self.format
        if fmt["total_frames"]:
            return int(fmt["total_frames"])
        if self.size is None and self.path is not None:
            self.size = os.stat(self.path).st_size
        if self.size and fmt["bitrate"]:
            return int(self.size * 8 * fmt["samplerate"] / (fmt["bitrate"] * 1000) * 1.05) + 4096
        return 0

    def scan(self) -> Optional[dict]:
        """The library's frame-header scan of the whole stream (made once per handle), or None."""
        return self.handle.stream_info()


def _refused(where: str) -> DecodeError:
    return DecodeError(f"{where}: " + _libraries.last_error("mp3", "not MPEG audio the decoder can read"))


def open_source(source: Source) -> Opened:
    """Opens source; FileNotFoundError and other OSErrors for paths, TypeError for other objects,
    DecodeError when the library cannot read the stream."""
    if isinstance(source, (str, os.PathLike)):
        given = os.fspath(source)
        path = os.fsencode(given)
        handle = _orvane.open_path(path)
        if handle is None:
            # The system's reason (missing, a folder, permissions) before the library's.
            if stat.S_ISDIR(os.stat(given).st_mode):
                raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR), given)
            with open(given, "rb"):
                pass
            raise _refused(os.fsdecode(path))
        return Opened(handle, path, None)
    if isinstance(source, (bytes, bytearray, memoryview)):
        data = source
        if isinstance(data, memoryview) and not data.c_contiguous:
            data = data.tobytes()
        handle = _orvane.open_buffer(data)
        if handle is None:
            raise _refused("data")
        return Opened(handle, None, memoryview(data).nbytes)
    if hasattr(source, "read"):
        name = str(getattr(source, "name", "file object"))
        seekable = getattr(source, "seekable", None)
        if seekable is not None and seekable():
            handle = _orvane.open_file(source)
            if handle is None:
                raise _refused(name)
            where = source.tell()
            size = source.seek(0, os.SEEK_END)
            source.seek(where)
            return Opened(handle, None, size)
        # A pipe or socket: the decoder needs to see the end first, so read it all.
        data = source.read()
        if not isinstance(data, (bytes, bytearray)):
            raise TypeError("the file object must be opened in binary mode")
        handle = _orvane.open_buffer(data)
        if handle is None:
            raise _refused(name)
        return Opened(handle, None, len(data))
    raise TypeError(f"cannot read audio from {type(source).__name__}: give a path, bytes or a binary file")
