#!/usr/bin/python3
"""Writes a seeded, reproducible bench log for `calvora-cli batch`: ROWS
records of FIELDS comma-separated entry texts each, mixing what an engineer
types (plain and exponent numbers, blanks) with what stresses the arithmetic
(zeros, negatives, values near the ends of the double range, phases of
millions of degrees, radix forms, texts with no number).

    varied_rows.py FIELDS ROWS SEED [--meter]

With --meter the fields are written as a meter's log is: decimal numbers
with SI prefixes, some with units, some a prefix as the decimal point, a few
that the strict reader refuses.
"""

import random
import sys


def entry(r):
    kind = r.random()
    sign = "-" if r.random() < 0.3 else ""
    if kind < 0.35:  # what a meter shows: a few digits, a small exponent
        return "%s%.*g" % (sign, r.randint(1, 6), 10 ** r.uniform(-9, 9))
    if kind < 0.55:  # all the digits a double carries
        return "%s%.17g" % (sign, 10 ** r.uniform(-15, 15))
    if kind < 0.65:  # phases and frequencies far outside the usual range
        return "%s%.*f" % (sign, r.randint(0, 4), 10 ** r.uniform(3, 10))
    if kind < 0.72:  # near the ends of the double range
        return "%s%.6gE%d" % (sign, r.uniform(1, 9.99), r.choice(
            [r.randint(290, 309), -r.randint(290, 330)]))
    if kind < 0.78:
        return r.choice(["0", "-0", "", " ", "0.000", ".", "-"])
    if kind < 0.84:  # BASIC-style exponents and radix forms
        return r.choice(["%s%gD%d" % (sign, r.uniform(1, 9), r.randint(-30, 30)),
                         "&H%X" % r.randint(0, 0xFFFFF), "&O%o" % r.randint(0, 4095),
                         "&B%s" % bin(r.randint(0, 255))[2:]])
    if kind < 0.90:  # exact multiples and halves of right angles
        return "%s%d" % (sign, 45 * r.randint(0, 80000))
    if kind < 0.95:  # trailing text, as a log may carry
        return "%s%g%s" % (sign, r.uniform(0, 1000), r.choice(["x", " uF", "e", "E+"]))
    return "%s%d" % (sign, r.randint(0, 10 ** r.randint(1, 18)))


PREFIXES = ["", "", "", "a", "f", "p", "n", "u", "\u00b5", "m", "k", "M", "G", "T"]
UNITS = ["", "", "F", "H", "Ohm", "\u03a9", "S", "mho", "Hz", "deg", "\u00b0", "rad"]


def meter_entry(r):
    kind = r.random()
    sign = "-" if r.random() < 0.05 else ""
    if kind < 0.1:  # the prefix as the decimal point
        return "%s%d%s%d" % (sign, r.randint(1, 999), r.choice("pnukM"), r.randint(0, 99))
    if kind < 0.12:
        return r.choice(["", "x", "1e", "1.2.3", "inf", "4n7e3"])
    number = "%s%.*g" % (sign, r.randint(1, 17), 10 ** r.uniform(-6, 6))
    if kind < 0.3:  # huge phases in degrees
        number = "%s%.3f" % (sign, 10 ** r.uniform(0, 9))
    return number + r.choice(PREFIXES) + (r.choice(UNITS) if r.random() < 0.08 else "")


def main():
    fields, rows, seed = (int(a) for a in sys.argv[1:4])
    meter = "--meter" in sys.argv[4:]
    r = random.Random(seed)
    out = []
    for _ in range(rows):
        # Quote a field only when it needs it (none of the texts above has
        # a comma or a quote).
        out.append(",".join((meter_entry(r) if meter else entry(r)) for _ in range(fields)))
    sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))


if __name__ == "__main__":
    main()
