#!/usr/bin/env python3
"""Compares two WAV files sample by sample or two PNG files pixel by pixel (8-bit RGB or RGBA,
not interlaced) and says how far apart they are.

usage: compare-media.py wav|png A B [TOLERANCE]
Exits 1 when the formats or sizes differ or a value differs by more than TOLERANCE (default 0)."""
import struct
import sys
import zlib


def wav_samples(path):
    data = open(path, "rb").read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        sys.exit(f"{path}: not a WAV file")
    at, fmt, pcm = 12, None, None
    while at + 8 <= len(data):
        cid, size = data[at:at + 4], struct.unpack_from("<I", data, at + 4)[0]
        body = data[at + 8:at + 8 + size]
        if cid == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", body)
        elif cid == b"data":
            pcm = body
        at += 8 + size + (size & 1)
    tag, channels, rate, _, _, bits = fmt
    if tag == 3:
        values = struct.unpack(f"<{len(pcm) // 4}f", pcm[:len(pcm) // 4 * 4])
    elif bits == 16:
        values = struct.unpack(f"<{len(pcm) // 2}h", pcm[:len(pcm) // 2 * 2])
    elif bits == 24:
        values = [int.from_bytes(pcm[i:i + 3], "little", signed=True) for i in range(0, len(pcm) - 2, 3)]
    else:
        sys.exit(f"{path}: {bits}-bit samples are not compared")
    return (tag, channels, rate, bits), values


def png_pixels(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    at, idat = 8, b""
    while at + 8 <= len(data):
        size, cid = struct.unpack_from(">I4s", data, at)
        body = data[at + 8:at + 8 + size]
        if cid == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif cid == b"IDAT":
            idat += body
        at += 12 + size
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        sys.exit(f"{path}: only 8-bit RGB(A) pictures without interlacing are compared")
    bpp = 3 if colour == 2 else 4
    raw, stride, rows, prev = zlib.decompress(idat), width * bpp, [], bytearray(width * bpp)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line[j] for j in range(stride) if bpp == 3 or j % 4 != 3))
        prev = line
    return (width, height), b"".join(rows)


def main():
    kind, a, b = sys.argv[1:4]
    tolerance = float(sys.argv[4]) if len(sys.argv) > 4 else 0
    shape_a, va = (wav_samples if kind == "wav" else png_pixels)(a)
    shape_b, vb = (wav_samples if kind == "wav" else png_pixels)(b)
    if shape_a != shape_b or len(va) != len(vb):
        print(f"{kind}: {shape_a} with {len(va)} values against {shape_b} with {len(vb)}")
        return 1
    diffs = [abs(x - y) for x, y in zip(va, vb)]
    worst, differing = max(diffs, default=0), sum(1 for d in diffs if d)
    print(f"{kind}: {len(va)} values, {differing} differ, by at most {worst:g}")
    return 0 if worst <= tolerance else 1


sys.exit(main())
