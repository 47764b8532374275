#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_bmp: small valid BMPs of every depth and header form the
reader takes, and two PNGs. Run once; the files are kept in corpus/."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")


def pack_row(indices_or_pixels, bpp):
    """One row of pixel data, padded to four bytes."""
    if bpp >= 24:
        row = b"".join(bytes(p[: bpp // 8]) for p in indices_or_pixels)
    else:
        per_byte = 8 // bpp
        row = bytearray()
        for i in range(0, len(indices_or_pixels), per_byte):
            byte = 0
            for k, index in enumerate(indices_or_pixels[i : i + per_byte]):
                byte |= index << (8 - bpp * (k + 1))
            row.append(byte)
        row = bytes(row)
    return row + b"\0" * (-len(row) % 4)


def info_header(width, height, bpp, colors_used=0, size=40):
    header = struct.pack("<IiiHHIIiiII", size, width, height, 1, bpp, 0, 0, 2835, 2835, colors_used, 0)
    return header + b"\0" * (size - 40)


def core_header(width, height, bpp):
    return struct.pack("<IHHHH", 12, width, height, 1, bpp)


def bmp(header, palette, rows, file_header=True):
    """RGBQUAD or RGBTRIPLE palette bytes, rows in stored order."""
    dib = header + palette + b"".join(rows)
    if not file_header:
        return dib
    offset = 14 + len(header) + len(palette)
    return b"BM" + struct.pack("<IHHI", 14 + len(dib), 0, 0, offset) + dib


def rgbquad(colors):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colors)


def png(width, height, color_type, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + row for row in rows)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, color_type, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def main():
    os.makedirs(OUT, exist_ok=True)
    files = {
        # 1 bpp, 10 x 2: a row crossing a byte boundary.
        "mono_10x2.bmp": bmp(info_header(10, 2, 1), rgbquad([(0, 0, 0), (255, 255, 255)]),
                             [pack_row([1, 0] * 5, 1), pack_row([0, 1] * 5, 1)]),
        # 4 bpp, 5 x 3, the full 16-colour table implied by a zero count.
        "nibbles_5x3.bmp": bmp(info_header(5, 3, 4), rgbquad([(i * 16, 255 - i * 16, i) for i in range(16)]),
                               [pack_row([(y * 5 + x) % 16 for x in range(5)], 4) for y in range(3)]),
        # 8 bpp, 3 x 3 top-down, a 4-entry table and an index past it.
        "indexed_topdown_3x3.bmp": bmp(info_header(3, -3, 8, colors_used=4),
                                       rgbquad([(255, 0, 0), (0, 255, 0), (0, 0, 255), (9, 9, 9)]),
                                       [pack_row([0, 1, 2], 8), pack_row([3, 2, 1], 8), pack_row([0, 7, 0], 8)]),
        # 24 bpp, 3 x 2 with row padding.
        "rgb_3x2.bmp": bmp(info_header(3, 2, 24), b"",
                           [pack_row([(1, 2, 3), (4, 5, 6), (7, 8, 9)], 24),
                            pack_row([(10, 11, 12), (13, 14, 15), (16, 17, 18)], 24)]),
        # 32 bpp, 2 x 2, bare DIB as glyph resources hold it; alpha bytes set.
        "bgra_2x2_dib.bmp": bmp(info_header(2, 2, 32), b"",
                                [pack_row([(0, 0, 255, 128), (0, 255, 0, 255)], 32),
                                 pack_row([(255, 0, 0, 0), (255, 255, 255, 7)], 32)], file_header=False),
        # The 12-byte header with its 16 three-byte table entries, 4 bpp.
        "core_4bpp_3x2.bmp": bmp(core_header(3, 2, 4), b"".join(bytes([i * 16, i, 255 - i]) for i in range(16)),
                                 [pack_row([0, 1, 15], 4), pack_row([2, 1, 7], 4)]),
        # A larger (108-byte) info header, 24 bpp.
        "v4_header_rgb_2x1.bmp": bmp(info_header(2, 1, 24, size=108), b"",
                                     [pack_row([(200, 100, 50), (1, 1, 1)], 24)]),
        "rgb_3x2.png": png(3, 2, 2, [bytes([255, 0, 0, 0, 255, 0, 0, 0, 255]), bytes([9] * 9)]),
        "rgba_2x2.png": png(2, 2, 6, [bytes([1, 2, 3, 4, 5, 6, 7, 8]), bytes([0, 0, 0, 0, 255, 255, 255, 255])]),
    }
    for name, data in files.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
