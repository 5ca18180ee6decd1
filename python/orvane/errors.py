"""Exceptions of the orvane package."""


class Error(Exception):
    """A failure reported by the Orvane libraries."""


class DecodeError(Error):
    """The stream cannot be decoded (not MPEG audio, unsupported, or damaged beyond use)."""


class EffectError(Error):
    """The effect library refused a setting or failed while processing."""


for _cls in (Error, DecodeError, EffectError):
    _cls.__module__ = "orvane"
