#!/usr/bin/python3
"""Builds Calvora's icon pictures and completion sound.

    generate.py [OUTDIR]        write the files into OUTDIR (default: here)
    generate.py --check [DIR]   regenerate into a temporary folder and compare
                                byte for byte with DIR (default: here);
                                exits 1 and names the files that differ

Every number that reaches a file is computed with Python integers and
fractions, never with libm or floating point, so the output is the same
byte for byte on every machine and every Python 3 version. The PNG data
is stored uncompressed for the same reason: zlib builds differ in the
bytes they emit, stored deflate blocks do not.
"""

import os
import struct
import sys
import tempfile
import zlib
from fractions import Fraction as F

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------
# Exact fixed-point sine
# ---------------------------------------------------------------------------

WORK_BITS = 80  # fixed-point precision of the table computation
TABLE_BITS = 12  # one full turn holds 4096 table steps
TABLE_ONE = 1 << 30  # table values are sine * 2^30
PHASE_BITS = 32  # oscillator phases are fractions of a turn in 32 bits


def fixed_atan_inverse(n, bits):
    """atan(1/n) * 2^bits by its alternating series, in integers."""
    one = 1 << bits
    power = one // n
    total = 0
    k = 0
    while power:
        term = power // (2 * k + 1)
        total += -term if k % 2 else term
        power //= n * n
        k += 1
    return total


def fixed_pi(bits):
    """pi * 2^bits from Machin's formula, accurate to a few units."""
    guard = 16
    value = 16 * fixed_atan_inverse(5, bits + guard)
    value -= 4 * fixed_atan_inverse(239, bits + guard)
    return value >> guard


def fixed_sin(x, bits):
    """sin(x) * 2^bits for x * 2^bits given in [-pi/2, pi/2]."""
    total = x
    term = x
    n = 1
    while term:
        term = -(term * x * x) // ((2 * n) * (2 * n + 1)) >> (2 * bits)
        total += term
        n += 1
    return total


def build_sine_table():
    """sin over one full turn, 4096 steps plus a closing entry, as Q30."""
    size = 1 << TABLE_BITS
    quarter = size // 4
    two_pi = 2 * fixed_pi(WORK_BITS)
    first = []
    for k in range(quarter + 1):
        value = fixed_sin(two_pi * k // size, WORK_BITS)
        first.append((value + (1 << (WORK_BITS - 31))) >> (WORK_BITS - 30))
    # The other three quarters mirror the first one exactly, so that the
    # table is perfectly odd and periodic.
    table = [0] * (size + 1)
    for k in range(quarter + 1):
        table[k] = first[k]
        table[2 * quarter - k] = first[k]
        table[2 * quarter + k] = -first[k]
        table[size - k] = -first[k]
    return table


SINE = build_sine_table()


def sine_at(phase):
    """sin(2*pi * phase / 2^32) as Q30, linearly interpolated."""
    shift = PHASE_BITS - TABLE_BITS
    phase &= (1 << PHASE_BITS) - 1
    index = phase >> shift
    frac = phase & ((1 << shift) - 1)
    low = SINE[index]
    return low + (((SINE[index + 1] - low) * frac) >> shift)


def fixed_exp_neg(x, bits):
    """exp(-x) * 2^bits for a small non-negative fraction x."""
    total = F(0)
    term = F(1)
    n = 1
    while abs(term) > F(1, 1 << (bits + 8)):
        total += term
        term = -term * x / n
        n += 1
    return round(total * (1 << bits))


# ---------------------------------------------------------------------------
# The completion sound: a struck glass
# ---------------------------------------------------------------------------

RATE = 11025
SAMPLE_COUNT = 15569  # 31,138 bytes of 16-bit samples, about 1.41 s
ATTACK = 44  # 4 ms raised-cosine onset: no click at the start
RELEASE = 3300  # 0.3 s raised-cosine fade ending in exact silence
PEAK = 25000  # about -2.3 dB below full scale

# (frequency Hz, relative amplitude, decay time constant s). A glass rings
# with a few inharmonic modes; each low mode is split into two close
# frequencies whose slow beat gives the shimmer, and one short high mode
# adds the "tink" of the strike.
PARTIALS = [
    (F(880), F(100), F(60, 100)),
    (F(8825, 10), F(38), F(55, 100)),
    (F(2429), F(42), F(24, 100)),
    (F(2433), F(16), F(20, 100)),
    (F(4752), F(14), F(9, 100)),
    (F(3701), F(24), F(25, 1000)),
]


def synthesize():
    """The sound's samples as signed 16-bit integers."""
    one = 1 << 30
    oscillators = []
    for freq, amp, tau in PARTIALS:
        step = round(freq * (1 << PHASE_BITS) / RATE)
        decay = fixed_exp_neg(F(1) / (tau * RATE), 30)
        oscillators.append([0, step, round(amp * one / 100), decay])

    raw = []
    for _ in range(SAMPLE_COUNT):
        total = 0
        for osc in oscillators:
            total += (osc[2] * sine_at(osc[0])) >> 30
            osc[0] += osc[1]
            osc[2] = (osc[2] * osc[3]) >> 30
        raw.append(total)

    # Envelope ends: sin^2 rises from exactly 0 over the attack and falls to
    # exactly 0 at the last sample.
    quarter_turn = 1 << (PHASE_BITS - 2)
    for n in range(ATTACK):
        s = sine_at(quarter_turn * n // ATTACK)
        raw[n] = (raw[n] * ((s * s) >> 30)) >> 30
    for m in range(RELEASE):
        n = SAMPLE_COUNT - 1 - m
        s = sine_at(quarter_turn * m // RELEASE)
        raw[n] = (raw[n] * ((s * s) >> 30)) >> 30

    # Scale so that the loudest sample is exactly PEAK, rounding half away
    # from zero in integers.
    loudest = max(abs(v) for v in raw)
    samples = []
    for v in raw:
        magnitude = (2 * abs(v) * PEAK + loudest) // (2 * loudest)
        samples.append(-magnitude if v < 0 else magnitude)
    return samples


def wav_bytes(samples):
    """A PCM WAV file: RIFF/WAVE, 16-byte fmt chunk, mono, 16 bits."""
    data = struct.pack("<%dh" % len(samples), *samples)
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


# ---------------------------------------------------------------------------
# The icon: an impedance vector in the complex plane
# ---------------------------------------------------------------------------

SUB = 8  # subsamples per pixel side
GRID = 64  # integer units per subsample half-step


def unit_scale():
    """Integer units per output pixel."""
    return 2 * SUB * GRID


def to_units(value):
    return round(F(value) * unit_scale())


def inside_round_rect(px, py, shape):
    x0, y0, x1, y1, r = shape
    cx = min(max(px, x0 + r), x1 - r)
    cy = min(max(py, y0 + r), y1 - r)
    return (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def inside_capsule(px, py, shape):
    """Within half-width w of segment A-B (round ends)."""
    ax, ay, bx, by, w = shape
    dx, dy = bx - ax, by - ay
    qx, qy = px - ax, py - ay
    length2 = dx * dx + dy * dy
    dot = qx * dx + qy * dy
    if dot <= 0:
        return qx * qx + qy * qy <= w * w
    if dot >= length2:
        return (px - bx) ** 2 + (py - by) ** 2 <= w * w
    cross = qx * dy - qy * dx
    return cross * cross <= w * w * length2


def inside_triangle(px, py, shape):
    (ax, ay), (bx, by), (cx, cy) = shape
    d1 = (bx - ax) * (py - ay) - (by - ay) * (px - ax)
    d2 = (cx - bx) * (py - by) - (cy - by) * (px - bx)
    d3 = (ax - cx) * (py - cy) - (ay - cy) * (px - cx)
    has_neg = d1 < 0 or d2 < 0 or d3 < 0
    has_pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (has_neg and has_pos)


def inside_arc(px, py, shape):
    """Ring around O between the +x axis and direction (ux, uy), y down."""
    ox, oy, r_in, r_out, ux, uy = shape
    dx, dy = px - ox, py - oy
    d2 = dx * dx + dy * dy
    if d2 < r_in * r_in or d2 > r_out * r_out or dy > 0:
        return False
    return ux * dy - uy * dx >= 0


def icon_layers(size):
    """The picture at one size as (test, shape, colour) layers, bottom up.

    Coordinates are drawn on a 48-unit design square and scaled; the axes
    and the origin snap to pixel centres so that thin lines stay crisp at
    16 and 32 pixels, and strokes never get thinner than about a pixel.
    """
    k = F(size, 48)

    def px(v):
        return F(v) * k

    def snap(v):
        return F(int(F(v) * k)) + F(1, 2)

    def stroke(design_width, least):
        return max(F(design_width) * k, F(least)) / 2

    layers = []
    margin = px(2) if size > 16 else F(1, 2)
    outer = (margin, margin, size - margin, size - margin, px(9))
    layers.append((inside_round_rect, tuple(map(to_units, outer)), "rim"))
    edge = px(1) if size > 16 else F(3, 4)
    inner = (margin + edge, margin + edge, size - margin - edge,
             size - margin - edge, px(9) - edge)
    layers.append((inside_round_rect, tuple(map(to_units, inner)), "face"))

    ox, oy = snap(12), snap(36)
    axis_w = stroke(F(16, 10), 1)
    layers.append((inside_capsule, tuple(map(to_units, (
        ox - px(5), oy, size - margin - edge - px(4), oy, axis_w))), "axis"))
    layers.append((inside_capsule, tuple(map(to_units, (
        ox, oy + px(5), ox, margin + edge + px(4), axis_w))), "axis"))

    # The phase arc sweeps from the real axis up to the vector.
    ux, uy = F(4, 5), F(-3, 5)  # a 3-4-5 direction keeps every point exact
    arc_r = px(19) if size > 16 else px(20)
    arc_w = stroke(F(17, 10), F(11, 10))
    layers.append((inside_arc, (
        to_units(ox), to_units(oy), to_units(arc_r - arc_w),
        to_units(arc_r + arc_w), 4, -3), "arc"))

    length = px(32)
    head = px(11) if size > 16 else px(14)
    half_base = px(6) if size > 16 else px(8)
    tip = (ox + ux * length, oy + uy * length)
    base = (tip[0] - ux * head, tip[1] - uy * head)
    nx, ny = -uy, ux
    shaft_end = (base[0] + ux * px(1), base[1] + uy * px(1))

    shaft_w = stroke(F(38, 10), F(17, 10))
    layers.append((inside_capsule, tuple(map(to_units, (
        ox, oy, shaft_end[0], shaft_end[1], shaft_w))), "vector"))
    triangle = (tip,
                (base[0] + nx * half_base, base[1] + ny * half_base),
                (base[0] - nx * half_base, base[1] - ny * half_base))
    layers.append((inside_triangle, tuple(
        (to_units(x), to_units(y)) for x, y in triangle), "vector"))
    dot_r = stroke(F(5), F(2))
    layers.append((inside_capsule, tuple(map(to_units, (
        ox, oy, ox, oy, dot_r))), "origin"))
    return layers, to_units(margin), to_units(size - margin)


FACE_TOP = (58, 118, 214)
FACE_BOTTOM = (22, 56, 138)
COLOURS = {
    "rim": (12, 34, 86, 255),
    "axis": (255, 255, 255, 150),
    "arc": (140, 228, 255, 255),
    "vector": (255, 182, 40, 255),
    "origin": (255, 255, 255, 255),
}


def render_icon(size):
    """Anti-aliased straight-alpha RGBA rows of the icon at one size."""
    layers, top, bottom = icon_layers(size)
    span = bottom - top
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            acc = [0, 0, 0, 0]
            for j in range(SUB):
                py = (2 * SUB * y + 2 * j + 1) * GRID
                for i in range(SUB):
                    pxu = (2 * SUB * x + 2 * i + 1) * GRID
                    # Premultiplied colour of this subsample, 0..255 each.
                    r = g = b = a = 0
                    for test, shape, name in layers:
                        if not test(pxu, py, shape):
                            continue
                        if name == "face":
                            t = min(max(py - top, 0), span)
                            cr, cg, cb = (
                                top_c + (bottom_c - top_c) * t // span
                                for top_c, bottom_c in zip(FACE_TOP, FACE_BOTTOM))
                            ca = 255
                        else:
                            cr, cg, cb, ca = COLOURS[name]
                        keep = 255 - ca
                        r = (cr * ca + r * keep) // 255
                        g = (cg * ca + g * keep) // 255
                        b = (cb * ca + b * keep) // 255
                        a = ca + a * keep // 255
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            count = SUB * SUB
            alpha = (acc[3] + count // 2) // count
            if alpha == 0:
                row += bytes(4)
                continue
            # Un-premultiply the averaged colour, rounding to nearest.
            for c in acc[:3]:
                row.append(min(255, (2 * c * 255 + acc[3]) // (2 * acc[3])))
            row.append(alpha)
        rows.append(bytes(row))
    return rows


def stored_zlib(data):
    """A zlib stream of stored (uncompressed) deflate blocks."""
    out = bytearray(b"\x78\x01")
    limit = 65535
    pos = 0
    while True:
        chunk = data[pos:pos + limit]
        pos += len(chunk)
        final = 1 if pos >= len(data) else 0
        out += struct.pack("<BHH", final, len(chunk), len(chunk) ^ 0xFFFF)
        out += chunk
        if final:
            break
    out += struct.pack(">I", zlib.adler32(data) & 0xFFFFFFFF)
    return bytes(out)


def png_bytes(rows):
    """An 8-bit RGBA PNG of the given rows, no filtering."""
    height = len(rows)
    width = len(rows[0]) // 4

    def chunk(kind, payload):
        crc = zlib.crc32(kind + payload) & 0xFFFFFFFF
        return struct.pack(">I", len(payload)) + kind + payload + \
            struct.pack(">I", crc)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", stored_zlib(raw)) + chunk(b"IEND", b""))


def ico_bytes(rows):
    """A one-image ICO: 32-bit BGRA bitmap, bottom-up, plus AND mask."""
    height = len(rows)
    width = len(rows[0]) // 4
    pixels = bytearray()
    for row in reversed(rows):
        for x in range(width):
            r, g, b, a = row[4 * x:4 * x + 4]
            pixels += bytes((b, g, r, a))
    # The mask marks fully transparent pixels; rows pad to 32 bits.
    mask_stride = (width + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x in range(width):
            if row[4 * x + 3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    info = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 32, 0,
                       len(pixels) + len(mask), 0, 0, 0, 0)
    image = info + bytes(pixels) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32,
                        len(image), 6 + 16)
    return directory + entry + image


# ---------------------------------------------------------------------------
# Driver
# ---------------------------------------------------------------------------

def build_all():
    """File name -> contents for every generated resource."""
    files = {}
    for size in (48, 32, 16):
        rows = render_icon(size)
        files["calvora-%d.png" % size] = png_bytes(rows)
        if size == 48:
            files["calvora.ico"] = ico_bytes(rows)
    files["glass_a.wav"] = wav_bytes(synthesize())
    return files


def write_all(folder):
    for name, data in build_all().items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


def check(folder):
    """0 when every file in folder equals a fresh build, else 1."""
    differing = []
    with tempfile.TemporaryDirectory() as scratch:
        write_all(scratch)
        for name in sorted(os.listdir(scratch)):
            with open(os.path.join(scratch, name), "rb") as fresh:
                expected = fresh.read()
            try:
                with open(os.path.join(folder, name), "rb") as committed:
                    actual = committed.read()
            except OSError:
                actual = None
            if actual != expected:
                differing.append(name)
    for name in differing:
        print("differs from a fresh build: %s" % name)
    if not differing:
        print("all resources match a fresh build")
    return 1 if differing else 0


def main(argv):
    args = argv[1:]
    if args and args[0] == "--check":
        if len(args) > 2:
            print(__doc__)
            return 2
        return check(args[1] if len(args) == 2 else HERE)
    if len(args) > 1 or (args and args[0].startswith("-")):
        print(__doc__)
        return 2
    folder = args[0] if args else HERE
    os.makedirs(folder, exist_ok=True)
    write_all(folder)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
