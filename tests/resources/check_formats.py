#!/usr/bin/python3
"""Reads the committed icon and sound files with a reader of its own and
checks the fields every Windows loader and player relies on.

    check_formats.py RESOURCE_DIR
"""

import math
import os
import struct
import sys
import unittest
import zlib

FOLDER = None


def read(name):
    with open(os.path.join(FOLDER, name), "rb") as f:
        return f.read()


def unfilter(raw, width, height, bpp):
    """Undo PNG row filters 0-4; returns the rows of pixel bytes."""
    stride = width * bpp
    rows = []
    previous = bytearray(stride)
    pos = 0
    for _ in range(height):
        kind = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            left = line[i - bpp] if i >= bpp else 0
            up = previous[i]
            corner = previous[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                pred = left if pa <= pb and pa <= pc else up if pb <= pc \
                    else corner
                line[i] = (line[i] + pred) & 255
            elif kind != 0:
                raise ValueError("unknown filter %d" % kind)
        rows.append(bytes(line))
        previous = line
    if pos != len(raw):
        raise ValueError("%d stray bytes after the image" % (len(raw) - pos))
    return rows


def read_png(data):
    """(width, height, colour type, bit depth, RGBA rows)."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG signature"
    pos = 8
    chunks = []
    while pos < len(data):
        length, = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        payload = data[pos + 8:pos + 8 + length]
        crc, = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        assert zlib.crc32(kind + payload) & 0xFFFFFFFF == crc, \
            "bad CRC on %r" % kind
        chunks.append((kind, payload))
        pos += 12 + length
    assert chunks[0][0] == b"IHDR" and chunks[-1][0] == b"IEND"
    width, height, depth, colour, _, _, interlace = struct.unpack(
        ">IIBBBBB", chunks[0][1])
    assert interlace == 0
    idat = b"".join(p for k, p in chunks if k == b"IDAT")
    rows = unfilter(zlib.decompress(idat), width, height, 4)
    return width, height, colour, depth, rows


class Sound(unittest.TestCase):
    def setUp(self):
        self.data = read("glass_a.wav")

    def test_header_fields(self):
        d = self.data
        self.assertEqual(len(d), 31182)
        self.assertEqual(d[0:4], b"RIFF")
        self.assertEqual(struct.unpack("<I", d[4:8])[0], len(d) - 8)
        self.assertEqual(d[8:16], b"WAVEfmt ")
        fields = struct.unpack("<IHHIIHH", d[16:36])
        # fmt size, PCM, mono, rate, bytes per second, block, bits
        self.assertEqual(fields, (16, 1, 1, 11025, 22050, 2, 16))
        self.assertEqual(d[36:40], b"data")
        self.assertEqual(struct.unpack("<I", d[40:44])[0], 31138)

    def test_waveform_is_a_clean_audible_chime(self):
        s = struct.unpack("<15569h", self.data[44:])
        peak = max(abs(v) for v in s)
        rms = math.sqrt(sum(v * v for v in s) / len(s))
        self.assertLess(peak, 32000, "peaks must stay below full scale")
        self.assertGreater(peak, 8000, "too quiet to hear")
        self.assertGreater(rms, 1000, "too quiet to hear")
        # Starts from silence and rises gently: no click.
        self.assertEqual(s[0], 0)
        self.assertLess(max(abs(v) for v in s[:8]), 2000)
        # Ends in exact silence after a decay.
        self.assertEqual(s[-1], 0)
        tail = s[-1100:]
        self.assertLess(max(abs(v) for v in tail), peak // 20)
        # A chime, not noise or DC: zero mean and many zero crossings.
        self.assertLess(abs(sum(s) / len(s)), 50)
        crossings = sum(1 for a, b in zip(s, s[1:]) if (a < 0) != (b < 0))
        self.assertGreater(crossings, 1000)


class Icons(unittest.TestCase):
    def test_pngs_are_rgba_of_their_size_with_real_alpha(self):
        for size in (48, 32, 16):
            with self.subTest(size=size):
                w, h, colour, depth, rows = read_png(
                    read("calvora-%d.png" % size))
                self.assertEqual((w, h, colour, depth), (size, size, 6, 8))
                alphas = [row[i] for row in rows for i in range(3, 4 * w, 4)]
                self.assertEqual(alphas[0], 0, "corner must be transparent")
                self.assertEqual(alphas[(h // 2) * w + w // 2], 255)
                partial = sum(1 for a in alphas if 0 < a < 255)
                self.assertGreater(partial, size, "edges are not smoothed")

    def test_ico_holds_the_48_picture_in_classic_format(self):
        d = read("calvora.ico")
        self.assertEqual(struct.unpack("<HHH", d[0:6]), (0, 1, 1))
        w, h, colours, reserved, planes, bits, size, offset = struct.unpack(
            "<BBBBHHII", d[6:22])
        self.assertEqual((w, h, colours, reserved, planes, bits),
                         (48, 48, 0, 0, 1, 32))
        self.assertEqual(offset, 22)
        self.assertEqual(offset + size, len(d))
        info = struct.unpack("<IiiHHIIiiII", d[22:62])
        self.assertEqual(info[:6], (40, 48, 96, 1, 32, 0))
        mask_stride = 8  # 48 bits padded to 32-bit words
        self.assertEqual(size, 40 + 48 * 48 * 4 + 48 * mask_stride)

        _, _, _, _, rows = read_png(read("calvora-48.png"))
        pixels = d[62:62 + 48 * 48 * 4]
        mask = d[62 + 48 * 48 * 4:]
        for y in range(48):
            png_row = rows[47 - y]  # the bitmap runs bottom-up
            for x in range(48):
                r, g, b, a = png_row[4 * x:4 * x + 4]
                at = (y * 48 + x) * 4
                self.assertEqual(tuple(pixels[at:at + 4]), (b, g, r, a),
                                 "pixel %d,%d" % (x, y))
                bit = mask[y * mask_stride + x // 8] >> (7 - x % 8) & 1
                self.assertEqual(bit, 1 if a == 0 else 0,
                                 "mask at %d,%d" % (x, y))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    FOLDER = sys.argv.pop(1)
    unittest.main()
