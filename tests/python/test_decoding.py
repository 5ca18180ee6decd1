"""orvane.load, orvane.info and orvane.Decoder on conformance streams and lame-made files."""

import io
import threading

import numpy as np
import pytest

import orvane
from conftest import conformance_streams, encode, tone, write_wav

RNG = np.random.default_rng(7)


def excerpts_equal_slices(source, full, rate, dtype):
    """Random excerpts (and ones at the very start and end) equal the same slices of the full load."""
    frames = len(full)
    cases = [(0, 0.5), (frames - 10, None), (frames, 1.0), (frames + 100, 1.0)]
    cases += [(int(RNG.integers(0, frames)), float(RNG.uniform(0, 1.5))) for _ in range(6)]
    for start, seconds in cases:
        part, _ = orvane.load(source, offset=start / rate, duration=seconds, dtype=dtype, always_2d=True)
        stop = frames if seconds is None else start + int(round(seconds * rate))
        np.testing.assert_array_equal(part, full[start:stop], err_msg=f"excerpt at {start} of {seconds} s")


@pytest.mark.parametrize("stream", conformance_streams(), ids=lambda p: p.name if p else "missing")
def test_conformance_stream_matches_reference(stream):
    info = orvane.info(stream)
    full, rate = orvane.load(stream, dtype="int16", always_2d=True)
    assert rate == info.samplerate and full.shape == (info.frames, info.channels)
    assert full.flags.c_contiguous and full.dtype == np.int16
    reference = np.fromfile(stream.with_suffix(".pcm"), "<i2").reshape(-1, info.channels)
    n = min(len(reference), len(full))
    assert n > 0.8 * len(full)
    difference = np.abs(reference[:n].astype(np.int32) - full[:n])
    assert difference.max() <= 1
    # The float output rounds to the int16 output.
    floats, _ = orvane.load(stream, always_2d=True)
    assert np.abs(np.rint(floats * 32768).clip(-32768, 32767) - full).max() <= 1
    excerpts_equal_slices(str(stream), full, rate, "int16")


LAME_CASES = [  # rate, channels, lame arguments, MPEG version, variable bitrate
    (44100, 2, ["-b", "192"], 1.0, False),
    (44100, 1, ["-V", "4"], 1.0, True),
    (48000, 2, ["-V", "2"], 1.0, True),
    (22050, 2, ["-b", "64"], 2.0, False),
    (11025, 1, ["-V", "5"], 2.5, True),
]
TAGS = {"title": "Título", "artist": "Artist", "album": "Album", "date": "2024", "track": "3/12", "genre": "Rock",
        "comment": "a comment"}


@pytest.mark.parametrize("rate,channels,args,version,vbr", LAME_CASES)
def test_lame_file_loads_as_its_source(tmp_path, lame, rate, channels, args, version, vbr):
    source = write_wav(tmp_path / "source.wav", tone(rate, 2.3, [440, 1000][:channels]), rate) / 32768
    tag_args = ["--tt", TAGS["title"], "--ta", TAGS["artist"], "--tl", TAGS["album"], "--ty", TAGS["date"],
                "--tn", TAGS["track"], "--tg", TAGS["genre"], "--tc", TAGS["comment"], "--replaygain-accurate"]
    mp3 = encode(lame, tmp_path / "source.wav", tmp_path / "coded.mp3", *args, *tag_args)

    info = orvane.info(mp3)
    assert (info.samplerate, info.channels, info.frames, info.layer, info.version, info.vbr) == (
        rate, channels, len(source), 3, version, vbr)
    assert info.duration == pytest.approx(len(source) / rate)
    assert info.encoder_delay > 0 and info.encoder_padding > 0 and info.bitrate > 0
    text = {key: value for key, value in info.tags.items() if not key.startswith("replaygain_")}
    assert text == TAGS and sorted(info.tags.keys() - text.keys()) == ["replaygain_track_gain", "replaygain_track_peak"]
    # The encoder states the gain in tenths of a dB; it reads as that decimal.
    gain = info.tags["replaygain_track_gain"]
    assert -64 <= gain <= 64 and gain == round(gain, 1)

    data, got_rate = orvane.load(mp3)
    # lame measures the peak on its own decode of the stream.
    assert info.tags["replaygain_track_peak"] == pytest.approx(np.abs(data).max(), rel=0.01)
    assert got_rate == rate and data.dtype == np.float32 and data.flags.c_contiguous
    assert data.shape == ((len(source),) if channels == 1 else (len(source), channels))
    # Gapless: the decoded signal lines up with the source sample for sample.
    error = data.reshape(len(source), channels) - source
    snr = 10 * np.log10(np.sum(source**2) / np.sum(error**2))
    assert snr > 15, f"{snr:.1f} dB"

    # Every kind of source gives the same samples and facts.
    raw = mp3.read_bytes()

    class Pipe(io.RawIOBase):  # a stream that cannot seek, read in short pieces
        def __init__(self):
            self.inner = io.BytesIO(raw)

        def readable(self):
            return True

        def readinto(self, buffer):
            return self.inner.readinto(memoryview(buffer)[:1000])

    for other in (str(mp3), raw, bytearray(raw), memoryview(raw), io.BytesIO(raw), open(mp3, "rb"), Pipe()):
        np.testing.assert_array_equal(orvane.load(other)[0], data, err_msg=type(other).__name__)
    assert orvane.info(io.BytesIO(raw)) == info and orvane.info(raw) == info

    int16, _ = orvane.load(mp3, dtype="int16", always_2d=True)
    np.testing.assert_array_equal(orvane.load(io.BytesIO(raw), duration=1e9, dtype="int16", always_2d=True)[0], int16)
    assert np.abs(np.rint(data.reshape(int16.shape) * 32768).clip(-32768, 32767) - int16).max() <= 1
    excerpts_equal_slices(io.BytesIO(raw), int16, rate, "int16")

    # Streaming in blocks, seeking back and forth.
    with orvane.Decoder(mp3, dtype="int16", always_2d=True) as decoder:
        assert (decoder.frames, decoder.tags, decoder.samplerate) == (info.frames, info.tags, rate)
        blocks = list(decoder.blocks(1000))
        assert all(len(b) == 1000 for b in blocks[:-1])
        np.testing.assert_array_equal(np.concatenate(blocks), int16)
        assert decoder.tell() == len(int16) and len(decoder.read(10)) == 0
        for frame in RNG.integers(0, len(int16), 5):
            assert decoder.seek(int(frame)) == frame and decoder.tell() == frame
            np.testing.assert_array_equal(decoder.read(700), int16[frame : frame + 700])
        decoder.seek(0)
        np.testing.assert_array_equal(decoder.read(10**12), int16)  # sized by the stream, not the request
        with pytest.raises(ValueError):
            decoder.seek(len(int16) + 1)
    assert decoder.closed
    with pytest.raises(ValueError):
        decoder.read(10)


def test_errors_name_their_cause(tmp_path):
    with pytest.raises(FileNotFoundError):
        orvane.load(tmp_path / "missing.mp3")
    with pytest.raises(IsADirectoryError):
        orvane.info(tmp_path)
    for junk in (b"", b"\0" * 5000, bytes(RNG.integers(0, 256, 5000, dtype=np.uint8)), b"RIFF" + b"\0" * 100):
        (tmp_path / "junk.mp3").write_bytes(junk)
        for source in (junk, tmp_path / "junk.mp3", io.BytesIO(junk)):
            with pytest.raises(orvane.DecodeError) as caught:
                orvane.load(source)
            assert isinstance(caught.value, orvane.Error) and str(caught.value)
    with pytest.raises(TypeError):
        orvane.load(12)
    for bad in ({"dtype": "float64"}, {"offset": -1.0}, {"duration": -0.5}, {"offset": float("nan")}):
        with pytest.raises(ValueError):
            orvane.load(tmp_path / "missing.mp3", **bad)

    class Failing(io.BytesIO):
        def readinto(self, buffer):
            raise RuntimeError("disk gone")

    with pytest.raises(OSError, match="disk gone"):
        orvane.load(Failing(b"\xff\xfb\x90\x00" * 1000))


def test_threads_decode_in_parallel(tmp_path, lame):
    files = []
    for i, args in enumerate((["-b", "128"], ["-V", "3"])):
        write_wav(tmp_path / f"{i}.wav", tone(44100, 20, [300 + 100 * i, 500]), 44100)
        files.append(encode(lame, tmp_path / f"{i}.wav", tmp_path / f"{i}.mp3", *args))
    expected = [orvane.load(f)[0] for f in files]
    shared = orvane.Decoder(files[0])
    results, failures = {}, []

    def work(index):
        try:
            for round_ in range(3):
                results[index, round_] = orvane.load(files[index])[0]
            shared.read(1000)  # one handle used from both threads takes turns
        except Exception as e:  # reported below
            failures.append(e)

    threads = [threading.Thread(target=work, args=(i,)) for i in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(timeout=300)
    assert not failures and not any(t.is_alive() for t in threads)
    for (index, _), data in results.items():
        np.testing.assert_array_equal(data, expected[index])
    assert shared.tell() == 2000
    shared.close()
