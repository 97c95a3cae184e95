#!/usr/bin/env python3
"""Writes the constant tables of core/Trigonometry.cpp to
core/TrigonometryTables.h, and the arguments closest to multiples of pi/2
(a spread of exponents and the worst ones) to
tests/core/TrigonometryHardCases.h. Exact integer arithmetic only: pi by
Machin's formula, sine, cosine and arctangent by fixed-point series whose
truncation error is bounded and carried along, every value rounded to a
64-bit significand (ties to even) only where the bound cannot change it.

Usage: scripts/gen_trig_tables.py [tables header] [hard cases header]
"""
import pathlib
import sys

SIGNIFICAND_BITS = 64
# Fixed-point scale of the series: values are integers V ~ v * 2**SCALE.
SCALE = 320
# Words of 2/pi kept: enough for the largest exponent (16383) plus the
# window the reduction reads and a margin; see TwoOverPiWindowWords.
TWO_OVER_PI_WORDS = 532
# Breakpoints of the sine and cosine table (j / 64 up to pi/4) and of the
# arctangent table (j / 128 up to 1).
SINE_STEP_BITS = 6
SINE_ENTRIES = 51
ATAN_STEP_BITS = 7
ATAN_ENTRIES = 129


def pi_fixed(bits):
    """Returns (V, E): |V - pi * 2**bits| <= E, by Machin's formula
    pi = 16 atan(1/5) - 4 atan(1/239) summed with 40 guard bits."""
    guard = 40
    g = bits + guard

    def atan_inverse(n):
        # Every floor division loses less than one unit; count them.
        total, power, k, steps = 0, (1 << g) // n, 0, 1
        while power:
            term = power // (2 * k + 1)
            total += -term if k & 1 else term
            power //= n * n
            k += 1
            steps += 2
        return total, steps

    a, ea = atan_inverse(5)
    b, eb = atan_inverse(239)
    value = 16 * a - 4 * b
    error = 16 * ea + 4 * eb
    # Dropping the guard bits adds at most one unit.
    return value >> guard, (error >> guard) + 2


def round_fixed(value, error, scale, what):
    """Rounds v, known as |value - v * 2**scale| <= error, to (m, e) with
    v ~= m * 2**e, 2**63 <= |m| < 2**64, nearest with ties to even; refuses
    a value whose rounding the error bound could change."""
    if value == 0:
        assert error == 0, what
        return 0, 0
    sign = -1 if value < 0 else 1
    results = set()
    for v in (abs(value) - error, abs(value) + error):
        assert v > 0, what
        extra = v.bit_length() - SIGNIFICAND_BITS
        if extra <= 0:
            m, e = v << -extra, extra
            exact_ok = error == 0
        else:
            m = v >> extra
            rest = v - (m << extra)
            half = 1 << (extra - 1)
            if rest > half or (rest == half and m & 1):
                m += 1
                if m >> SIGNIFICAND_BITS:
                    m >>= 1
                    extra += 1
            e = extra
            exact_ok = True
        assert exact_ok, what
        results.add((m, e - scale))
    assert len(results) == 1, "rounding of %s is not settled" % what
    m, e = results.pop()
    return sign * m, e


def split_pair(value, error, scale, what):
    """Returns the pair (hi, lo) of 64-bit values with hi the nearest to v
    and lo the nearest to v - hi."""
    hi = round_fixed(value, error, scale, what + " (hi)")
    m, e = hi
    rest = value - (m << (e + scale))
    lo = round_fixed(rest, error, scale, what + " (lo)") if rest or error else (0, 0)
    return hi, lo


def rational_pair(num, den, what):
    """The pair (hi, lo) for the exact rational num / den."""
    value = (num << SCALE) // den
    error = 0 if (num << SCALE) % den == 0 else 1
    return split_pair(value, error, SCALE, what)


def literal(me):
    m, e = me
    if m == 0:
        return "Extended()"
    sign = "-" if m < 0 else ""
    return "%sExactExtended(0x%016X, %d)" % (sign, abs(m), e)


def alternating_series(first, ratio_num, ratio_den, divisor):
    """Sum of (-1)^k first * r^k / divisor(k) at SCALE, r = ratio_num /
    ratio_den < 1, with terms dropped once they vanish; returns (V, E)."""
    power, total, k, steps = first, 0, 0, 0
    while power:
        term = power // divisor(k)
        total += -term if k & 1 else term
        power = power * ratio_num // ratio_den
        k += 1
        steps += 2
    return total, steps + 1


def sine_cosine(j):
    """(sin, cos) of j / 64 as (V, E) at SCALE."""
    x = j << (SCALE - SINE_STEP_BITS)
    n2, d2 = j * j, 1 << (2 * SINE_STEP_BITS)
    # sin x = x - x^3/3! + ..., cos x = 1 - x^2/2! + ...: the k-th term from
    # the last times x^2 / ((2k)(2k+1)) or x^2 / ((2k-1)(2k)).
    out = []
    for start, offset in ((x, 1), (1 << SCALE, 0)):
        term, total, k, steps = start, 0, 0, 1
        while term:
            total += -term if k & 1 else term
            term = term * n2 // (d2 * (2 * k + 1 + offset) * (2 * k + 2 + offset))
            k += 1
            steps += 1
        out.append((total, steps))
    return out


def arctangent(num, den, pi):
    """atan(num / den) for 0 <= num / den <= 1 as (V, E) at SCALE: the
    series directly up to 1/2, above through atan x = pi/4 - atan((1-x)/(1+x))."""
    if 2 * num > den:
        v, e = arctangent(den - num, den + num, pi)
        return (pi[0] >> 2) - v, e + (pi[1] >> 2) + 1
    return alternating_series((num << SCALE) // den, num * num, den * den, lambda k: 2 * k + 1)


def worst_reductions(two_over_pi, bits):
    """For every exponent e with x = q * 2**e, q < 2**64 reaching the
    reduction, the q that brings x * 2/pi closest to an integer: the largest
    continued-fraction denominator below 2**64 of frac(2**e * 2/pi) (no
    smaller q comes closer). Returns [(distance bits, q, e)]."""
    window = 256
    out = []
    for e in range(-64, 16384 - 64 + 1):
        # alpha = frac(2**e * 2/pi) to `window` bits: bits e+1 .. e+window.
        shift = bits - e - window
        alpha = (two_over_pi >> shift) & ((1 << window) - 1)
        a, b = alpha, 1 << window
        p0, q0, p1, q1 = 1, 0, 0, 1
        best = None
        while a:
            c = b // a
            p0, q0, p1, q1 = p1, q1, c * p1 + p0, c * q1 + q0
            if q1 >= 1 << SIGNIFICAND_BITS:
                break
            best = q1
            b, a = a, b - c * a
        q = best
        if q is None:
            continue  # every x of this exponent lies below pi/4
        # Distance of q * alpha to the nearest integer, in units of 2**-window.
        r = (q * alpha) % (1 << window)
        d = min(r, (1 << window) - r)
        if e < 0 and q >> -e == 0:
            continue  # x below 1: no multiple of pi/2 near it but zero
        out.append((window - d.bit_length(), q, e))
    return out


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    tables = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else root / "core" / "TrigonometryTables.h"
    cases = pathlib.Path(sys.argv[2]) if len(sys.argv) > 2 else \
        root / "tests" / "core" / "TrigonometryHardCases.h"

    two_over_pi_bits = 32 * TWO_OVER_PI_WORDS
    pi = pi_fixed(two_over_pi_bits + 2 * SIGNIFICAND_BITS)
    pi_bits = two_over_pi_bits + 2 * SIGNIFICAND_BITS
    # 2/pi * 2**(bits + 64) from pi * 2**pi_bits; the 64 extra bits absorb
    # the error of pi, unless they sit at the edge of a unit (refused).
    guard = 64
    q = (1 << (two_over_pi_bits + guard + 1 + pi_bits)) // pi[0]
    slack = (q * pi[1]) // pi[0] + 2
    low = q & ((1 << guard) - 1)
    assert slack < low < (1 << guard) - slack, "2/pi bits not settled"
    two_over_pi = q >> guard
    words = [(two_over_pi >> (two_over_pi_bits - 32 * (i + 1))) & 0xFFFFFFFF
             for i in range(TWO_OVER_PI_WORDS)]

    # pi/2 as a pair; pi at SCALE for the series.
    pi_scale = (pi[0] >> (pi_bits - SCALE), (pi[1] >> (pi_bits - SCALE)) + 1)
    half_pi = (pi_scale[0] >> 1, pi_scale[1])
    hp_hi, hp_lo = split_pair(half_pi[0], half_pi[1], SCALE, "pi/2")

    worst = worst_reductions(two_over_pi, two_over_pi_bits)
    worst.sort(reverse=True)
    top = worst[0]
    lines = [
        "// Generated by scripts/gen_trig_tables.py; do not edit by hand.",
        "// Constants of core/Trigonometry.cpp, every one the exact value rounded",
        "// to the nearest 64-bit significand (ties to even); a pair (hi, lo)",
        "// holds hi = the nearest to v and lo = the nearest to v - hi.",
        "#pragma once",
        "// The layout is the generator's: the formatter leaves it alone.",
        "// clang-format off",
        "",
        "#include \"core/Extended.h\"",
        "",
        "#include <cstdint>",
        "",
        "// Closest approach of any finite extended value x >= 1 to a multiple of",
        "// pi/2, searched over every exponent by continued fractions (for each",
        "// exponent no significand comes closer than the last convergent",
        "// denominator below 2^64): |x * 2/pi - N| >= 2^-%d, at x = 0x%016Xp%+dL." % (
            top[0] + 1, top[1] << (64 - top[1].bit_length()), top[2] - (64 - top[1].bit_length())),
        "inline constexpr int ReductionWorstLeadingZeros = %d;" % (top[0] + 1),
        "",
        "// Bits of 2/pi after the binary point, 32 to a word, most significant",
        "// first: word i holds the bits of weight 2^-(32i+1) .. 2^-(32i+32).",
        "inline constexpr int TwoOverPiWordCount = %d;" % TWO_OVER_PI_WORDS,
        "",
        "inline constexpr std::uint32_t TwoOverPiWords[TwoOverPiWordCount] = {",
    ]
    for i in range(0, TWO_OVER_PI_WORDS, 6):
        lines.append("    " + " ".join("0x%08X," % w for w in words[i:i + 6]))
    lines += ["};", "",
              "// pi/2 = HalfPi[0] + HalfPi[1] to about 128 bits.",
              "inline constexpr Extended HalfPi[2] = {%s, %s};" % (literal(hp_hi), literal(hp_lo)),
              ""]

    lines += ["// sin(j/64) and cos(j/64) for j = 0 .. %d: {sin hi, sin lo, cos hi, cos lo}."
              % (SINE_ENTRIES - 1),
              "inline constexpr int SineTableStepBits = %d;" % SINE_STEP_BITS,
              "inline constexpr int SineTableSize = %d;" % SINE_ENTRIES, "",
              "inline constexpr Extended SineCosineTable[SineTableSize][4] = {"]
    for j in range(SINE_ENTRIES):
        # sin 0 = 0 and cos 0 = 1 exactly; the series bound would not say so.
        (sv, se), (cv, ce) = sine_cosine(j) if j else ((0, 0), (1 << SCALE, 0))
        s = split_pair(sv, se, SCALE, "sin(%d/64)" % j)
        c = split_pair(cv, ce, SCALE, "cos(%d/64)" % j)
        lines.append("    {%s, %s, %s, %s}," % (literal(s[0]), literal(s[1]), literal(c[0]), literal(c[1])))
    lines += ["};", ""]

    lines += ["// atan(j/128) and pi/2 - atan(j/128) for j = 0 .. %d: {hi, lo, hi, lo}."
              % (ATAN_ENTRIES - 1),
              "inline constexpr int ArctangentTableStepBits = %d;" % ATAN_STEP_BITS,
              "inline constexpr int ArctangentTableSize = %d;" % ATAN_ENTRIES, "",
              "inline constexpr Extended ArctangentTable[ArctangentTableSize][4] = {"]
    for j in range(ATAN_ENTRIES):
        v, err = arctangent(j, 1 << ATAN_STEP_BITS, pi_scale) if j else (0, 0)
        a = split_pair(v, err, SCALE, "atan(%d/128)" % j) if j else ((0, 0), (0, 0))
        b = split_pair(half_pi[0] - v, half_pi[1] + err, SCALE, "pi/2 - atan(%d/128)" % j)
        lines.append("    {%s, %s, %s, %s}," % (literal(a[0]), literal(a[1]), literal(b[0]), literal(b[1])))
    lines += ["};", ""]

    # Series coefficients as pairs: 1/(2k+1)!, 1/(2k)!, 1/(2k+1).
    def coefficient_table(name, comment, fractions):
        out = ["// " + comment,
               "inline constexpr Extended %s[%d][2] = {" % (name, len(fractions))]
        for num, den, text in fractions:
            hi, lo = rational_pair(num, den, text)
            out.append("    {%s, %s}, // %s" % (literal(hi), literal(lo), text))
        return out + ["};", ""]

    fact = [1]
    for k in range(1, 20):
        fact.append(fact[-1] * k)
    lines += coefficient_table("SineCoefficients", "1/(2k+1)! for k = 1 .. 6.",
                               [(1, fact[2 * k + 1], "1/%d!" % (2 * k + 1)) for k in range(1, 7)])
    lines += coefficient_table("CosineCoefficients", "1/(2k)! for k = 1 .. 6.",
                               [(1, fact[2 * k], "1/%d!" % (2 * k)) for k in range(1, 7)])
    lines += coefficient_table("ArctangentCoefficients", "1/(2k+1) for k = 1 .. 8.",
                               [(1, 2 * k + 1, "1/%d" % (2 * k + 1)) for k in range(1, 9)])

    tables.write_text("\n".join(lines) + "\n")

    # A subset of the exponents' hardest cases, each extended value once (a q
    # with low zero bits gives the same one at several exponents): the
    # closest of every bit offset within a word of 2/pi (the exponent of the
    # 64-bit significand mod 32, where the reduction starts reading), the 12
    # closest of all (the most leading zeros after the point) and those of
    # the lowest and the highest exponent. The reduction takes the same
    # steps at every exponent; what varies is the word and bit it starts at
    # and the leading zeros, which these span. The MPFR tests add random
    # arguments of every exponent and the nearest extended values to random
    # multiples of pi/2 up to the top of the range.
    def normalised(w):
        shift = SIGNIFICAND_BITS - w[1].bit_length()
        return w[1] << shift, w[2] - shift, w[0]

    closest, per_offset = {}, {}
    for m, e, bits in map(normalised, worst):  # closest first
        if len(closest) < 12:
            closest.setdefault((m, e), bits)
        per_offset.setdefault(e % 32, ((m, e), bits))
    chosen = {**closest, **dict(per_offset.values())}
    for w in (min(worst, key=lambda w: w[2]), max(worst, key=lambda w: w[2])):
        m, e, bits = normalised(w)
        chosen[m, e] = bits
    out = [
        "// Generated by scripts/gen_trig_tables.py; do not edit by hand.",
        "// Extended values x = q * 2^e whose x * 2/pi lies closest to an integer for",
        "// their exponent (q the last continued-fraction denominator of",
        "// frac(2^e * 2/pi) below 2^64), the hardest arguments to reduce: the",
        "// closest of every bit offset within a word of 2/pi, the closest of",
        "// all and those of the lowest and the highest exponent.",
        "#pragma once",
        "// The layout is the generator's: the formatter leaves it alone.",
        "// clang-format off",
        "",
        "#include \"core/Extended.h\"",
        "",
        "inline constexpr Extended TrigonometryHardCases[] = {",
    ]
    for (m, e), bits in sorted(chosen.items(), key=lambda c: (c[0][1], c[0][0])):
        out.append("    ExactExtended(0x%016X, %d), // |x 2/pi - N| ~ 2^-%d" % (m, e, bits))
    out.append("};")
    cases.write_text("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
