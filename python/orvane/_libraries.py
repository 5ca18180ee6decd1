"""Loads the Orvane libraries shipped beside the extension, in dependency order.

Each library is loaded by its full path before the extension, so the extension's own references
(by SONAME) bind to these copies even where a library cannot find its siblings by itself.
"""

import ctypes
import os

_HERE = os.path.dirname(os.path.abspath(__file__))
_ORDER = ("dsp", "tessor", "norv", "mp3")


def _load(name: str) -> "ctypes.CDLL | None":
    path = os.path.join(_HERE, f"liborvane-{name}.so.0")
    if not os.path.exists(path):
        return None  # a development build: the extension's run path or the system finds them
    return ctypes.CDLL(path, mode=ctypes.RTLD_GLOBAL)


handles = {name: _load(name) for name in _ORDER}


def _best_kernels() -> None:
    """Decodes on the fastest kernels the CPU has, as the orvane tool does (a process-wide switch)."""
    mp3 = handles["mp3"] or ctypes.CDLL("liborvane-mp3.so.0", mode=ctypes.RTLD_GLOBAL)
    for switch in ("OrvaneEnableSSE", "OrvaneEnableAVX2"):
        function = getattr(mp3, switch)
        function.argtypes = [ctypes.c_int8]
        function.restype = None
        function(1)


_best_kernels()


def last_error(library: str, default: str) -> str:
    """The calling thread's last failure reason from library ("mp3" or "dsp"), or default when
    the library keeps none."""
    handle = handles.get(library)
    function = getattr(handle, "OrvaneLastError" if library == "mp3" else "dspLastError", None)
    if function is None:
        return default
    function.restype = ctypes.c_char_p
    function.argtypes = []
    reason = function()
    return reason.decode("utf-8", "replace") if reason else default
