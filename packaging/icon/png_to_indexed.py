#!/usr/bin/env python3
"""Rewrites an 8-bit RGBA PNG as an indexed PNG (palette plus alpha table), losslessly.

The about window's icon is a 256-colour picture; this keeps it one without requantising:
it fails when the picture holds more than 256 distinct colours. Standard library only.
"""
import struct
import sys
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def read_chunks(data):
    if not data.startswith(PNG_SIGNATURE):
        raise ValueError("not a PNG file")
    pos = len(PNG_SIGNATURE)
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos : pos + 4])
        yield data[pos + 4 : pos + 8], data[pos + 8 : pos + 8 + length]
        pos += 12 + length


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_rgba(path):
    with open(path, "rb") as f:
        data = f.read()
    idat = b""
    for kind, body in read_chunks(data):
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if (depth, colour, interlace) != (8, 6, 0):
                raise ValueError("expected a non-interlaced 8-bit RGBA PNG")
        elif kind == b"IDAT":
            idat += body
    raw = zlib.decompress(idat)
    stride = width * 4
    rows, previous, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1 : pos + 1 + stride])
        pos += 1 + stride
        for x in range(stride):
            a = line[x - 4] if x >= 4 else 0
            b = previous[x]
            c = previous[x - 4] if x >= 4 else 0
            predictor = (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]
            line[x] = (line[x] + predictor) & 0xFF
        rows.append(line)
        previous = line
    return width, height, rows


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def write_indexed(path, width, height, rows):
    pixels = [bytes(row[x : x + 4]) for row in rows for x in range(0, len(row), 4)]
    # Opaque colours last, so the alpha table can stop at the last translucent entry.
    palette = sorted(set(pixels), key=lambda p: (p[3] == 255, p))
    if len(palette) > 256:
        raise ValueError(f"{len(palette)} colours do not fit a 256-colour palette")
    index = {colour: i for i, colour in enumerate(palette)}
    raw = b"".join(
        b"\0" + bytes(index[pixels[y * width + x]] for x in range(width)) for y in range(height)
    )
    alphas = bytes(p[3] for p in palette).rstrip(b"\xff")
    with open(path, "wb") as f:
        f.write(PNG_SIGNATURE)
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0)))
        f.write(chunk(b"PLTE", b"".join(p[:3] for p in palette)))
        if alphas:
            f.write(chunk(b"tRNS", alphas))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: png_to_indexed.py RGBA.png INDEXED.png")
    write_indexed(sys.argv[2], *read_rgba(sys.argv[1]))
