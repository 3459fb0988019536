#!/usr/bin/env python3
"""Writes a small seed corpus for fuzz_image: BMP/DIB files of every depth and
compression the reader knows, DDS files of each supported format and PFM
files in both byte orders.  Usage: make_image_seeds.py FOLDER"""
import os
import struct
import sys


def bmp(width, height, bits, compression=0, table=(), pixels=b"", info_size=40, header_masks=None, file_header=True):
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, compression, len(pixels), 2835, 2835, 0, 0)
    if header_masks:
        info += struct.pack("<4I", *header_masks)
    info = info.ljust(info_size, b"\0")[:info_size]
    info += b"".join(struct.pack("<I", entry) for entry in table)
    if not file_header:
        return info + pixels
    offset = 14 + len(info)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + pixels


def core_bmp():
    info = struct.pack("<IHHHH", 12, 2, 2, 1, 8)
    palette = bytes([0, 0, 0, 255, 255, 255])
    pixels = bytes([0, 1, 0, 0, 1, 0, 0, 0])
    offset = 14 + len(info) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + palette + pixels


def dds(width, height, flags, fourcc, bits, masks, data, caps2=0):
    header = struct.pack("<7I", 124, 0x100F, height, width, 0, 0, 1) + b"\0" * 44
    pixel_format = struct.pack("<II", 32, flags) + (fourcc or b"\0\0\0\0") + struct.pack("<5I", bits, *masks)
    return b"DDS " + header + pixel_format + struct.pack("<5I", 0x1000, caps2, 0, 0, 0) + data


def pfm(little, grey=False):
    values = [0.0, 0.5, 1.0, 2.0, -1.0, 0.25] if not grey else [0.0, 1.0]
    fmt = ("<" if little else ">") + "%df" % len(values)
    head = b"Pf\n2 1\n" if grey else b"PF\n1 2\n"
    return head + (b"-1.0\n" if little else b"1.0\n") + struct.pack(fmt, *values)


def seeds():
    palette = [0x000000, 0xFF0000, 0x00FF00, 0x0000FF]
    yield "bmp24.bmp", bmp(2, 2, 24, pixels=bytes(range(16)))
    yield "bmp24_topdown.bmp", bmp(2, -2, 24, pixels=bytes(range(16)))
    yield "bmp1.bmp", bmp(9, 2, 1, table=palette[:2], pixels=bytes([0xA5, 0x80, 0, 0, 0x5A, 0, 0, 0]))
    yield "bmp4.bmp", bmp(3, 2, 4, table=palette, pixels=bytes([0x12, 0x30, 0, 0, 0x32, 0x10, 0, 0]))
    yield "bmp8.bmp", bmp(3, 2, 8, table=palette, pixels=bytes([1, 2, 3, 0, 3, 2, 1, 0]))
    yield "rle8.bmp", bmp(4, 2, 8, 1, palette, bytes([4, 1, 0, 0, 0, 4, 1, 2, 3, 0, 0, 2, 1, 0, 0, 1]))
    yield "rle4.bmp", bmp(4, 2, 4, 2, palette, bytes([4, 0x12, 0, 0, 0, 3, 0x12, 0x30, 0, 1]))
    yield "bmp16.bmp", bmp(2, 1, 16, pixels=bytes([0xFF, 0x7F, 0x00, 0x7C]))
    yield "bmp565.bmp", bmp(2, 1, 16, 3, (0xF800, 0x07E0, 0x001F), bytes([0xE0, 0x07, 0x1F, 0x00]))
    yield "bmp32.bmp", bmp(2, 1, 32, pixels=bytes([1, 2, 3, 4, 5, 6, 7, 8]))
    yield "bmpv4.bmp", bmp(2, 1, 32, 3, pixels=bytes([1, 2, 3, 4, 5, 6, 7, 8]), info_size=108,
                           header_masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000))
    yield "core.bmp", core_bmp()
    yield "bare.dib", bmp(2, 2, 24, pixels=bytes(range(16)), file_header=False)
    block = bytes([0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x1B, 0x6C, 0xB1])
    yield "dxt1.dds", dds(4, 4, 0x4, b"DXT1", 0, (0, 0, 0, 0), block)
    yield "dxt1a.dds", dds(6, 5, 0x4, b"DXT1", 0, (0, 0, 0, 0), bytes([0x1F, 0x00, 0x00, 0xF8, 0xFF, 0, 0x55, 0xAA]) * 4)
    yield "dxt3.dds", dds(4, 4, 0x4, b"DXT3", 0, (0, 0, 0, 0), bytes(range(0, 128, 16)) + block)
    yield "dxt5.dds", dds(4, 4, 0x4, b"DXT5", 0, (0, 0, 0, 0), bytes([255, 0, 0x88, 0x0E, 0x77, 0, 0x12, 0x34]) + block)
    yield "rgb24.dds", dds(2, 2, 0x40, None, 24, (0xFF0000, 0xFF00, 0xFF, 0), bytes(range(12)))
    yield "rgba32.dds", dds(2, 2, 0x41, None, 32, (0xFF0000, 0xFF00, 0xFF, 0xFF000000), bytes(range(16)))
    yield "l8.dds", dds(2, 2, 0x20000, None, 8, (0xFF, 0, 0, 0), bytes([0, 85, 170, 255]))
    yield "grey8.pgm", b"P5\n# seed\n2 2\n255\n" + bytes([0, 64, 128, 255])
    yield "grey16.pgm", b"P5 2 1 65535\n" + bytes([255, 255, 128, 0])
    yield "rgb16.ppm", b"P6 1 1 1023\n" + bytes([3, 255, 0, 0, 2, 0])
    yield "le.pfm", pfm(True)
    yield "be.pfm", pfm(False)
    yield "grey.pfm", pfm(True, grey=True)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    os.makedirs(sys.argv[1], exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(sys.argv[1], name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
