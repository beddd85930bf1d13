#!/usr/bin/env python3
"""Oracle vectors for the value-record conversions, computed with Python's
decimal, datetime and struct modules and exact integers.

Usage: valrec_model.py OUTPUT [CASES]

Each line is one case, fields separated by "|":
  dec|text|p|s|expected         text stored into DECIMAL(p,s): the value
                                rounded half away from zero to s places, or
                                ERR-1226 when its integer digits do not fit
  int|text|target|expected      text into SMALLINT (1) or INTEGER (2): the
                                value or ERR<status>
  int8|text|stored              text into INT8: the 10 stored bytes in hex,
                                or ERR-1284
  date|days|text                DATE day count and its mm/dd/yyyy text, or
                                ERR-1210 for a count out of range
  dtday|days|stored             DATE into DATETIME YEAR TO DAY: stored hex
  flt|double-hex|stored         FLOAT (big-endian double bits) into
                                SMALLFLOAT: big-endian float bits or ERR-1222
  dbl|double-hex|text           FLOAT text by %.{k}e outside 1e-130..1e124
"""
import datetime
import decimal
import random
import struct
import sys

D = decimal.Decimal
CTX = decimal.Context(prec=200, rounding=decimal.ROUND_HALF_UP)


def dec_cases(rng, n, out):
    for _ in range(n):
        p = rng.randint(1, 30)
        s = rng.randint(0, p)
        int_digits = rng.randint(0, p - s + 2)
        frac_digits = rng.randint(0, min(s + 3, 30 - int_digits))
        if int_digits + frac_digits == 0:
            int_digits = 1
        digits = "".join(rng.choice("0123456789") for _ in range(int_digits + frac_digits))
        # Rounding edges: a run of nines, and a 5 just after the scale.
        if rng.random() < 0.2 and frac_digits > s:
            digits = digits[:int_digits + s] + "5" + "0" * (frac_digits - s - 1)
        if rng.random() < 0.1:
            digits = "9" * len(digits)
        text = (digits[:int_digits] or "0") + ("." + digits[int_digits:] if frac_digits else "")
        if rng.random() < 0.5:
            text = "-" + text
        value = CTX.create_decimal(text)
        rounded = value.quantize(D(1).scaleb(-s), rounding=decimal.ROUND_HALF_UP, context=CTX)
        limit = D(10) ** (p - s)
        if abs(rounded) >= limit:
            expected = "ERR-1226"
        else:
            expected = format(rounded, "f")
        out.append("dec|%s|%d|%d|%s" % (text, p, s, expected))


def int_cases(out):
    edges = [0, 1, -1, 32766, 32767, 32768, -32767, -32768, 2**31 - 1, 2**31, -(2**31 - 1), -(2**31)]
    for x in edges:
        for target, lo, hi, err in ((1, -32767, 32767, -1214), (2, -(2**31 - 1), 2**31 - 1, -1215)):
            expected = str(x) if lo <= x <= hi else "ERR%d" % err
            out.append("int|%d|%d|%s" % (x, target, expected))
    # Fractions are truncated toward zero.
    for text, value in (("12.9", 12), ("-12.9", -12), ("32767.99", 32767)):
        out.append("int|%s|1|%d" % (text, value))


def int8_stored(x):
    mag = abs(x)
    sign = -1 if x < 0 else 1
    return struct.pack(">hII", sign, mag & 0xFFFFFFFF, mag >> 32).hex()


def int8_cases(rng, n, out):
    edges = [0, 1, -1, 2**31, -(2**31), 2**32, 2**63 - 1, -(2**63 - 1), 2**63, -(2**63), 2**64]
    values = edges + [rng.randint(-(2**63) + 1, 2**63 - 1) for _ in range(n)]
    for x in values:
        expected = int8_stored(x) if abs(x) < 2**63 else "ERR-1284"
        out.append("int8|%d|%s" % (x, expected))


def date_cases(rng, n, out):
    base = datetime.date(1899, 12, 31)
    edges = [-693594, -693595, 2958464, 2958465, 0, 1, 36525, 59, 60, 61]
    for days in edges + [rng.randint(-693594, 2958464) for _ in range(n)]:
        if -693594 <= days <= 2958464:
            d = base + datetime.timedelta(days=days)
            out.append("date|%d|%02d/%02d/%04d" % (days, d.month, d.day, d.year))
            pairs = [d.year // 100, d.year % 100, d.month, d.day]
            out.append("dtday|%d|%s" % (days, packed(pairs, 7, 5)))
        else:
            out.append("date|%d|ERR-1210" % days)


def packed(pairs, exponent, n):
    """The stored DECIMAL form (n bytes) of a positive run of pairs."""
    while pairs and pairs[0] == 0:
        pairs = pairs[1:]
        exponent -= 1
    while pairs and pairs[-1] == 0:
        pairs = pairs[:-1]
    head = 0x80 | ((exponent + 64) & 0x7F)
    body = bytes(pairs) + bytes(n - 1 - len(pairs))
    return (bytes([head]) + body).hex()


def flt_cases(rng, n, out):
    fmax = struct.unpack(">f", bytes.fromhex("7f7fffff"))[0]
    edges = [0.0, -0.0, 1.0, -1.5, fmax, -fmax, fmax * (1 + 2**-30), 1e39, -1e39,
             2.0**-126, 2.0**-126 * (1 - 2**-30), -(2.0**-126), 2.0**-127, 1e-40, 3.4028235e38]
    values = edges + [rng.uniform(-1, 1) * 10 ** rng.randint(-45, 45) for _ in range(n)]
    for x in values:
        mag = abs(x)
        if mag != 0 and (mag > fmax or mag < 2.0**-126):
            expected = "ERR-1222"
        else:
            expected = struct.pack(">f", x).hex()
        out.append("flt|%s|%s" % (struct.pack(">d", x).hex(), expected))


def dbl_cases(rng, n, out):
    values = [1e125, -1e125, 1e-131, -1e-131, 1.7976931348623157e308, 5e-324]
    values += [rng.choice((1, -1)) * rng.uniform(1, 10) * 10 ** rng.choice(
        (rng.randint(125, 300), -rng.randint(131, 300))) for _ in range(n)]
    for x in values:
        out.append("dbl|%s|%s" % (struct.pack(">d", x).hex(), "%.6e" % x))


def main():
    path = sys.argv[1]
    cases = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
    rng = random.Random(20261209)
    out = []
    dec_cases(rng, cases, out)
    int_cases(out)
    int8_cases(rng, cases // 4, out)
    date_cases(rng, cases // 4, out)
    flt_cases(rng, cases // 4, out)
    dbl_cases(rng, cases // 10, out)
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
