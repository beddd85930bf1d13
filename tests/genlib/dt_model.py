#!/usr/bin/env python3
"""Exact model of DATETIME and INTERVAL values for the differential test.

Writes random vectors, one per line, that dt_model_test replays through the
library. The model never works unit by unit: a value is the exact rational
sum of its units times powers of 100 (fractions.Fraction), a DATETIME is a
point counted in microseconds from datetime.date ordinals, an INTERVAL an
exact count of months or microseconds, and month arithmetic runs on month
counts. Results are written as DECIMAL normal forms.

Line format: an operation name, its arguments, then the expected status and
results. Qualifiers are hexadecimal, DATEs and statuses decimal, values
"N" (NULL) or "sign:exponent:pair,pair,...", doubles by repr.

Usage: dt_model.py OUTPUT [CASES_PER_OPERATION] [SEED]
       dt_model.py --months OUTPUT   (the month lengths of years 1 to 9999)
       dt_model.py --text OUTPUT [VALUES_PER_QUALIFIER] [SEED]
                     (standard text of every qualifier: "T|kind|qual|value|
                     text|stored" prints and stores, "P|kind|qual|input|
                     status|value" parses; kind d DATETIME, i INTERVAL)
"""
import calendar
import datetime
import functools
import random
import sys
from fractions import Fraction

BAD_QUAL, BAD_VALUE, OVERFLOW, INCOMPAT, BAD_RESULT, DATE_RANGE = -1268, -1263, -1265, -1266, -1267, -1204
DIVZERO = -1202
YEARLESS = 2000
DAY_US = 86400 * 10**6
UNIT_US = {4: DAY_US, 6: 3600 * 10**6, 8: 60 * 10**6, 10: 10**6}
POWER = {0: 5, 2: 4, 4: 3, 6: 2, 8: 1, 10: 0}  # place of a unit's last pair, in powers of 100
DATE_ZERO = datetime.date(1899, 12, 31).toordinal()
FIRST_ORD = datetime.date(1, 1, 1).toordinal()
LAST_ORD = datetime.date(9999, 12, 31).toordinal()


def qual(length, s, e):
    return (length << 8) | (s << 4) | e


def parts(q):
    return q >> 8, (q >> 4) & 15, q & 15


def precision(q):
    length, s, e = parts(q)
    return length - e + s


def dt_qual(s, e):
    return qual((4 if s == 0 else 2) + e - s, s, e)


def inv_qual(p, s, e):
    return qual(p + e - s, s, e)


def rank(code):
    return 12 if code > 10 else code


def frac_digits(q):
    e = q & 15
    return e - 10 if e > 10 else 0


@functools.lru_cache(maxsize=None)
def codes(q):
    """The units of a qualifier: unit codes, 'F' for the fraction."""
    _, s, e = parts(q)
    if s == 12:
        return ['F']
    out = list(range(s, min(e, 10) + 1, 2))
    if e > 10:
        out.append('F')
    return tuple(out)


DT_STARTS = [0, 2, 4, 6, 8, 10, 12]
ENDS = [0, 2, 4, 6, 8, 10, 11, 12, 13, 14, 15]


def all_dt_quals():
    out = []
    for s in DT_STARTS:
        for e in ENDS:
            if e >= s or (s == 12 and e == 11):
                out.append(dt_qual(s, e))
    return out


def all_inv_quals():
    out = []
    for s in DT_STARTS:
        for e in ENDS:
            if not (e >= s or (s == 12 and e == 11)):
                continue
            if s <= 2 and e >= 4:
                continue
            for p in ([2] if s == 12 else range(1, 10)):
                out.append(inv_qual(p, s, e))
    return out


DT_QUALS = all_dt_quals()
INV_QUALS = all_inv_quals()
YM_QUALS = [q for q in INV_QUALS if parts(q)[1] <= 2]
DAYTIME_QUALS = [q for q in INV_QUALS if parts(q)[1] >= 4]
YEAR_QUALS = [q for q in DT_QUALS if parts(q)[1] == 0]
BAD_QUALS = [0, 0x000A, 0x0E0B, 0x0E1A, 0x0E0A + 0x0100, 0x0A0A, 0x1E4A, 0x7FFF, -1, 0x0D0F + 0x0300]


# ---- values ----

def value_of(q, fields):
    """The exact number a DATETIME or INTERVAL's DECIMAL holds: the units
    times their powers of 100, the fraction digits after the point."""
    n = frac_digits(q)
    scaled = 0  # the value times 100**3
    for c, f in zip(codes(q), fields):
        scaled += f * 10**(6 - n) if c == 'F' else f * 100**(POWER[c] + 3)
    return Fraction(scaled, 100**3)


def dec_token(v, negative=False):
    if v is None:
        return 'N'
    if v == 0:
        return '1:-64:'
    scale, rem = divmod(100**8, v.denominator)
    assert rem == 0, v
    n = abs(v.numerator) * scale
    pairs = []
    while n:
        n, pair = divmod(n, 100)
        pairs.append(pair)
    pairs.reverse()
    exponent = len(pairs) - 8
    while pairs and pairs[-1] == 0:
        pairs.pop()
    sign = 0 if (v < 0) != negative else 1
    return '%d:%d:%s' % (sign, exponent, ','.join(map(str, pairs)))


def unpacked(q, fields):
    """The unpacked pairs of a qualifier's value."""
    p = precision(q)
    out = []
    for c, f in zip(codes(q), fields):
        if c == 'F':
            n = frac_digits(q)
            digits = str(f).rjust(n, '0')
            digits += '0' * (len(digits) % 2)
            out += [int(digits[i:i + 2]) for i in range(0, len(digits), 2)]
        elif c == codes(q)[0]:
            nb = (p + 1) // 2
            out += [(f // 100**(nb - 1 - i)) % 100 for i in range(nb)]
        else:
            out.append(f)
    return out


@functools.lru_cache(maxsize=None)
def month_len(y, m):
    return calendar.monthrange(y, m)[1]


def rand_dt_fields(q):
    fields = []
    cs = codes(q)
    year = None
    month = None
    for c in cs:
        if c == 0:
            year = random.choice([1, 2, 1899, 1900, 1999, 2000, 2004, 2100, 9998, 9999, random.randint(1, 9999),
                                  random.randint(1, 9999)])
            fields.append(year)
        elif c == 2:
            month = random.randint(1, 12)
            fields.append(month)
        elif c == 4:
            if month is None:
                top = 31
            else:
                top = month_len(year if year is not None else YEARLESS, month)
            fields.append(random.choice([1, top, top - 1, random.randint(1, top)]))
        elif c == 6:
            fields.append(random.choice([0, 23, random.randint(0, 23)]))
        elif c in (8, 10):
            fields.append(random.choice([0, 59, random.randint(0, 59)]))
        else:
            n = frac_digits(q)
            fields.append(random.randint(0, 10**n - 1))
    return fields


def rand_inv_fields(q):
    p = precision(q)
    fields = []
    for i, c in enumerate(codes(q)):
        if i == 0 and c != 'F':
            fields.append(random.choice([0, 1, 10**p - 1, random.randint(0, 10**p - 1),
                                         random.randint(0, min(10**p - 1, 99))]))
        elif c == 2:
            fields.append(random.randint(0, 11))
        elif c == 6:
            fields.append(random.choice([0, 23, random.randint(0, 23)]))
        elif c in (8, 10):
            fields.append(random.choice([0, 59, random.randint(0, 59)]))
        else:
            n = frac_digits(q)
            fields.append(random.randint(0, 10**n - 1))
    return fields


def dt_point(q, fields):
    """A DATETIME as (has-calendar, microseconds or months)."""
    d = dict(zip(codes(q), fields))
    n = frac_digits(q)
    us = d.get('F', 0) * 10**(6 - n) if n else 0
    us += d.get(10, 0) * 10**6 + d.get(8, 0) * 60 * 10**6 + d.get(6, 0) * 3600 * 10**6
    return d, us


def inv_count(q, fields, negative):
    """An INTERVAL as ('m', months) or ('us', microseconds)."""
    d = dict(zip(codes(q), fields))
    _, s, _ = parts(q)
    sgn = -1 if negative else 1
    if s <= 2:
        return 'm', sgn * (d.get(0, 0) * 12 + d.get(2, 0))
    n = frac_digits(q)
    us = d.get('F', 0) * 10**(6 - n) if n else 0
    for c, size in UNIT_US.items():
        us += d.get(c, 0) * size
    return 'us', sgn * us


def distribute(kind, total, q):
    """A count (months or microseconds, any sign, already truncated to the
    qualifier's end) spread into its units; None when the first field cannot
    hold it."""
    _, s, e = parts(q)
    p = precision(q)
    mag = abs(total)
    cs = codes(q)
    if kind == 'm':
        first, rest = (mag, []) if s == 2 else (mag // 12, [] if e == 0 else [mag % 12])
        return None if first >= 10**p else [first] + rest
    n = frac_digits(q)
    frac = [(mag % 10**6) // 10**(6 - n)] if 'F' in cs else []
    whole_units = [c for c in cs if c != 'F']
    if not whole_units:
        return None if mag >= 10**6 else frac
    count = mag // UNIT_US[whole_units[-1]]
    vals = []
    for c in reversed(whole_units[1:]):
        base = {6: 24, 8: 60, 10: 60}[c]
        vals.append(count % base)
        count //= base
    if count >= 10**p:
        return None
    return [count] + vals[::-1] + frac


def inv_result(kind, total, q):
    fields = distribute(kind, total, q)
    if fields is None:
        return OVERFLOW, 'N'
    return 0, dec_token(value_of(q, fields), total < 0)


@functools.lru_cache(maxsize=None)
def compatible(q_from, q_to):
    _, s1, _ = parts(q_from)
    _, s2, e2 = parts(q_to)
    if (s1 <= 2) != (s2 <= 2):
        return False
    return rank(e2) >= rank(s1)


def truncate_total(kind, total, q):
    """Toward zero to the resolution of q's end."""
    if kind == 'm':
        step = 12 if (q & 15) == 0 else 1
    else:
        e = q & 15
        step = UNIT_US[e] if e <= 10 else 10**(6 - (e - 10))
    mag = abs(total) // step * step
    return -mag if total < 0 else mag


# ---- operations ----

def maybe_null(p=0.02):
    return random.random() < p


def op_pack(out):
    q = random.choice(DT_QUALS + INV_QUALS)
    interval = q in INV_QUALS and (q not in DT_QUALS or random.random() < 0.5)
    fields = rand_inv_fields(q) if interval else rand_dt_fields(q)
    negative = interval and random.random() < 0.5
    by = unpacked(q, fields)
    out.append('pack %x %d %s %s' % (q, 0 if negative else 1, ''.join('%02x' % b for b in by),
                                      dec_token(value_of(q, fields), negative)))
    out.append('unpack %x %s %s' % (q, dec_token(value_of(q, fields), negative),
                                     ''.join('%02x' % b for b in by)))


def valid_dt(q, fields):
    d = dict(zip(codes(q), fields))
    if 0 in d and not 1 <= d[0] <= 9999:
        return False
    if 2 in d and not 1 <= d[2] <= 12:
        return False
    if 4 in d:
        if 2 in d:
            top = month_len(d[0] if 0 in d else YEARLESS, d[2])
        else:
            top = 31
        if not 1 <= d[4] <= top:
            return False
    for c, top in ((6, 24), (8, 60), (10, 60)):
        if c in d and d[c] >= top:
            return False
    return True


def valid_inv(q, fields):
    for i, (c, f) in enumerate(zip(codes(q), fields)):
        if i == 0:
            continue
        if c == 2 and f >= 12 or c == 6 and f >= 24 or c in (8, 10) and f >= 60:
            return False
    return True


def op_chk(out):
    interval = random.random() < 0.4
    q = random.choice(INV_QUALS if interval else DT_QUALS)
    fields = rand_inv_fields(q) if interval else rand_dt_fields(q)
    cs = codes(q)
    i = random.randrange(len(cs))
    c = cs[i]
    extra = Fraction(0)
    r = random.random()
    if r < 0.6:
        if c == 0 and not interval:
            fields[i] = 0
        elif c == 2:
            fields[i] = random.choice([0, 12, 13, 99]) if not interval else random.choice([12, 13, 99])
        elif c == 4:
            fields[i] = random.choice([0, 29, 30, 31, 32, 99])
        elif c == 6:
            fields[i] = random.choice([24, 25, 99])
        elif c in (8, 10):
            fields[i] = random.choice([60, 61, 99])
    elif r < 0.7:
        n = frac_digits(q)
        extra = Fraction(1, 10**(n + 1)) if n % 2 == 1 else Fraction(1, 10**8)
    elif r < 0.8 and interval and precision(q) % 2 == 1 and cs[0] != 'F':
        fields[0] = 10**precision(q)  # the pad digit of an odd first field
    ok = (valid_inv(q, fields) if interval else valid_dt(q, fields))
    if interval and cs[0] != 'F' and fields[0] >= 10**precision(q):
        ok = False
    if extra:
        ok = False
    v = value_of(q, fields) + extra
    out.append('chk %x %d %s %d' % (q, 0 if interval else 1, dec_token(v), 0 if ok else BAD_VALUE))


def extend_fields(q_from, fields, q_to):
    d = dict(zip(codes(q_from), fields))
    n1, n2 = frac_digits(q_from), frac_digits(q_to)
    res = []
    for c in codes(q_to):
        if c == 'F':
            f = d.get('F')
            if f is None:
                res.append(0)
            elif n2 >= n1:
                res.append(f * 10**(n2 - n1))
            else:
                res.append(f // 10**(n1 - n2))
        elif c in d:
            res.append(d[c])
        else:
            res.append(1 if c in (2, 4) else 0)
    return res


def op_ext(out):
    q1 = random.choice(DT_QUALS)
    q2 = random.choice(dt_quals_from(parts(q1)[1]))
    fields = rand_dt_fields(q1)
    if maybe_null():
        out.append('ext %x N %x 0 N' % (q1, q2))
        return
    res = extend_fields(q1, fields, q2)
    out.append('ext %x %s %x 0 %s' % (q1, dec_token(value_of(q1, fields)), q2, dec_token(value_of(q2, res))))


def op_dates(out):
    q = random.choice(YEAR_QUALS)
    fields = rand_dt_fields(q)
    d = dict(zip(codes(q), fields))
    date = datetime.date(d[0], d.get(2, 1), d.get(4, 1)).toordinal() - DATE_ZERO
    out.append('todate %x %s 0 %d' % (q, dec_token(value_of(q, fields)), date))
    # DATE to DATETIME, any target
    q2 = random.choice(DT_QUALS)
    r = random.random()
    if r < 0.03:
        out.append('fromdate %d %x %d N' % (random.choice([-693595, 2958465, 10**8]), q2, -1210))
        return
    day = random.choice([-693594, 2958464, 0, 1, random.randint(-693594, 2958464)])
    dd = datetime.date.fromordinal(day + DATE_ZERO)
    src = dt_qual(0, 4)
    res = extend_fields(src, [dd.year, dd.month, dd.day], q2)
    out.append('fromdate %d %x 0 %s' % (day, q2, dec_token(value_of(q2, res))))


def op_counts(out):
    q = random.choice(INV_QUALS)
    fields = rand_inv_fields(q)
    neg = random.random() < 0.5
    kind, total = inv_count(q, fields, neg)
    e = q & 15
    if kind == 'm':
        count = Fraction(total, 12 if e == 0 else 1)
    else:
        count = Fraction(total, UNIT_US[e] if e <= 10 else 10**6)
    out.append('invtodec %x %s 0 %s' % (q, dec_token(value_of(q, fields), neg), dec_token(count)))
    # count to INTERVAL
    q2 = random.choice(INV_QUALS)
    n = random.randint(0, 6)
    mag = random.choice([random.randint(0, 10**random.randint(1, 4)), random.randint(0, 10**random.randint(1, 7)),
                         random.randint(0, 10**random.randint(1, 12)), random.randint(0, 10**19),
                         10**random.randint(18, 24) + random.randint(0, 99), 2**63 - 1, 2**63])
    count = Fraction(mag * 10**n + random.randint(0, 10**n - 1), 10**n) * random.choice([1, -1])
    whole = abs(count.numerator) // count.denominator
    if whole > 2**63 - 1:
        out.append('dectoinv %s %x %d N' % (dec_token(count), q2, OVERFLOW))
        return
    e2 = q2 & 15
    if parts(q2)[1] <= 2:
        kind2, total2 = 'm', int(whole) * (12 if e2 == 0 else 1)
    else:
        unit = UNIT_US[e2] if e2 <= 10 else 10**6
        total2 = int(abs(count) * unit)
        kind2 = 'us'
    if count < 0:
        total2 = -total2
    total2 = truncate_total(kind2, total2, q2)
    st, res = inv_result(kind2, total2, q2)
    out.append('dectoinv %s %x %d %s' % (dec_token(count), q2, st, res))


def op_invcopy(out):
    q1 = random.choice(INV_QUALS)
    q2 = random.choice(INV_QUALS if random.random() < 0.8 else BAD_QUALS)
    fields = rand_inv_fields(q1)
    neg = random.random() < 0.5
    src = dec_token(value_of(q1, fields), neg)
    if q2 not in INV_QUALS:
        out.append('invcopy %x %s %x %d N' % (q1, src, q2 & 0xFFFFFFFF, BAD_QUAL))
        return
    if maybe_null():
        out.append('invcopy %x N %x 0 N' % (q1, q2))
        return
    if q1 == q2:
        out.append('invcopy %x %s %x 0 %s' % (q1, src, q2, src if value_of(q1, fields) else '1:-64:'))
        return
    if not compatible(q1, q2):
        out.append('invcopy %x %s %x %d N' % (q1, src, q2, INCOMPAT))
        return
    kind, total = inv_count(q1, fields, neg)
    st, res = inv_result(kind, truncate_total(kind, total, q2), q2)
    out.append('invcopy %x %s %x %d %s' % (q1, src, q2, st, res))


def add_model(qa, fa, qb, fb, neg):
    """DATETIME plus INTERVAL: status and result token."""
    _, sa, ea = parts(qa)
    _, sb, eb = parts(qb)
    if eb > ea or (sb < sa and sb != 10):
        return INCOMPAT, 'N'
    d = dict(zip(codes(qa), fa))
    kind, total = inv_count(qb, fb, neg)
    res = dict(d)
    if kind == 'm':
        if sa == 0:
            months = d[0] * 12 + d.get(2, 1) - 1 + total
            y, m = divmod(months, 12)
            if not 1 <= y <= 9999:
                return BAD_RESULT, 'N'
            res[0] = y
            if 2 in d:
                res[2] = m + 1
        else:
            m = d[2] - 1 + total
            if not 0 <= m <= 11:
                return BAD_RESULT, 'N'
            y = YEARLESS
            res[2] = m + 1
        if 4 in d and d[4] > month_len(y, res[2]):
            return BAD_RESULT, 'N'
    else:
        _, us = dt_point(qa, fa)
        if sa <= 2:
            y = d[0] if sa == 0 else YEARLESS
            ordinal = datetime.date(y, d[2], d[4]).toordinal()
            point = ordinal * DAY_US + us + total
            new_ord = point // DAY_US
            if not FIRST_ORD <= new_ord <= LAST_ORD:
                return DATE_RANGE, 'N'
            nd = datetime.date.fromordinal(new_ord)
            if sa == 2 and nd.year != YEARLESS:
                return BAD_RESULT, 'N'
            rest = point - new_ord * DAY_US
            if sa == 0:
                res[0] = nd.year
            res[2], res[4] = nd.month, nd.day
        elif sa == 4:
            point = d[4] * DAY_US + us + total
            day = point // DAY_US
            if not 1 <= day <= 31:
                return BAD_RESULT, 'N'
            res[4] = day
            rest = point - day * DAY_US
        else:
            span = {6: DAY_US, 8: 3600 * 10**6, 10: 60 * 10**6, 12: 10**6}[sa]
            rest = us + total
            if not 0 <= rest < span:
                return BAD_RESULT, 'N'
        for c, size in ((6, 3600 * 10**6), (8, 60 * 10**6), (10, 10**6)):
            if c in res:
                res[c] = rest // size % {6: 24, 8: 60, 10: 60}[c]
        if 'F' in res:
            n = frac_digits(qa)
            res['F'] = (rest % 10**6) // 10**(6 - n)
    fields = [res[c] for c in codes(qa)]
    return 0, dec_token(value_of(qa, fields))


@functools.lru_cache(maxsize=None)
def addable(qa):
    _, sa, ea = parts(qa)
    return [q for q in INV_QUALS if (q & 15) <= ea and (parts(q)[1] >= sa or parts(q)[1] == 10)]


@functools.lru_cache(maxsize=None)
def compatible_list(qa):
    return [q for q in INV_QUALS if compatible(qa, q)]


@functools.lru_cache(maxsize=None)
def dt_quals_from(start):
    return [q for q in DT_QUALS if parts(q)[1] >= start]


@functools.lru_cache(maxsize=None)
def dt_quals_upto(start):
    return [q for q in DT_QUALS if parts(q)[1] <= start]


def compatible_pair_for_add():
    qa = random.choice(DT_QUALS)
    if random.random() < 0.9:
        cands = addable(qa)
        if cands:
            return qa, random.choice(cands)
    return qa, random.choice(INV_QUALS)


def op_add(out):
    qa, qb = compatible_pair_for_add()
    fa = rand_dt_fields(qa)
    fb = rand_inv_fields(qb)
    # small intervals most of the time, so that most sums succeed
    if random.random() < 0.6 and codes(qb)[0] != 'F':
        fb[0] = random.randint(0, min(10**precision(qb) - 1, random.choice([1, 3, 40, 400])))
    neg = random.random() < 0.5
    a = dec_token(value_of(qa, fa))
    b = dec_token(value_of(qb, fb), neg)
    if random.random() < 0.01:
        bad = random.choice(BAD_QUALS) & 0xFFFFFFFF
        out.append('add %x %s %x %s %d N' % (qa, a, bad, b, BAD_QUAL))
        return
    if maybe_null():
        out.append('add %x N %x %s 0 N' % (qa, qb, b))
        return
    st, res = add_model(qa, fa, qb, fb, neg)
    out.append('add %x %s %x %s %d %s' % (qa, a, qb, b, st, res))
    st, res = add_model(qa, fa, qb, fb, not neg)
    out.append('subinv %x %s %x %s %d %s' % (qa, a, qb, b, st, res))


def sub_model(qa, fa, qb, fb):
    """Natural result qualifier, status and result of a - b."""
    length, sa, ea = parts(qa)
    fb2 = extend_fields(qb, fb, qa)
    if sa < 4 and ea >= 4:
        rq = qual(length, 4, ea)
    else:
        rq = qa
    da = dict(zip(codes(qa), fa))
    db = dict(zip(codes(qa), fb2))
    if ea < 4 and sa <= 2:
        def months(d):
            return d.get(0, 0) * 12 + d.get(2, 1) - 1 if sa == 0 else d[2] - 1
        return rq, 'm', months(da) - months(db)

    def point(d, f):
        _, us = dt_point(qa, f)
        if sa <= 2:
            y = d[0] if sa == 0 else YEARLESS
            return datetime.date(y, d[2], d[4]).toordinal() * DAY_US + us
        if sa == 4:
            return d[4] * DAY_US + us
        return us
    return rq, 'us', point(da, fa) - point(db, fb2)


def op_sub(out):
    qa = random.choice(DT_QUALS)
    _, sa, _ = parts(qa)
    qb = qa if random.random() < 0.7 else random.choice(dt_quals_upto(sa))
    fa = rand_dt_fields(qa)
    fb = rand_dt_fields(qb)
    a = dec_token(value_of(qa, fa))
    b = dec_token(value_of(qb, fb))
    if maybe_null():
        out.append('rsub %x %s %x N 0 %x N' % (qa, a, qb, sub_model(qa, fa, qa, fa)[0]))
        return
    rq, kind, total = sub_model(qa, fa, qb, fb)
    st, res = inv_result(kind, total, rq)
    out.append('rsub %x %s %x %s %d %x %s' % (qa, a, qb, b, st, rq, res))
    # into a caller's qualifier
    qr = random.choice(INV_QUALS)
    if not compatible(rq, qr):
        out.append('sub %x %s %x %s %x %d N' % (qa, a, qb, b, qr, INCOMPAT))
        return
    st, res = inv_result(kind, truncate_total(kind, total, qr), qr)
    out.append('sub %x %s %x %s %x %d %s' % (qa, a, qb, b, qr, st, res))


def rand_factor():
    digits = random.randint(0, 3)
    m = random.choice([0, 1, 2, 10, random.randint(1, 999), random.randint(1, 999)])
    return Fraction(m, 10**digits) * random.choice([1, -1])


def scale_model(qa, fa, neg, qr, factor, divide):
    if not compatible(qa, qr):
        return INCOMPAT, 'N'
    kind, total = inv_count(qa, fa, neg)
    total = truncate_total(kind, total, qr)
    if divide and factor == 0:
        return DIVZERO, 'N'
    exact = Fraction(total) / factor if divide else Fraction(total) * factor
    # the DECIMAL count is in qr's end units; truncated toward zero to the end
    e = qr & 15
    if kind == 'm':
        unit = 12 if e == 0 else 1
    else:
        unit = UNIT_US[e] if e <= 10 else 10**6
    count = exact / unit
    if abs(count) >= 2**63:
        return OVERFLOW, 'N'
    mag = abs(count)
    if kind == 'm':
        t = int(mag) * unit
    else:
        t = int(mag * unit)
    t = truncate_total(kind, t, qr)
    if exact < 0:
        t = -t
    fields = distribute(kind, t, qr)
    if fields is None:
        return OVERFLOW, 'N'
    return 0, dec_token(value_of(qr, fields), exact < 0)


def op_scale(out):
    qa = random.choice(INV_QUALS)
    same = compatible_list(qa)
    qr = random.choice(same) if random.random() < 0.9 and same else random.choice(INV_QUALS)
    fa = rand_inv_fields(qa)
    neg = random.random() < 0.5
    a = dec_token(value_of(qa, fa), neg)
    f = rand_factor()
    for name, divide in (('mul', False), ('div', True)):
        st, res = scale_model(qa, fa, neg, qr, f, divide)
        out.append('%s %x %s %s %x %d %s' % (name, qa, a, dec_token(f), qr, st, res))
    k = random.choice([1, 2, 3, 4, 5, 7, 12, 100, 800]) * random.choice([1, -1])
    d = k / 8
    for name, divide in (('muld', False), ('divd', True)):
        st, res = scale_model(qa, fa, neg, qr, Fraction(k, 8), divide)
        out.append('%s %x %s %r %x %d %s' % (name, qa, a, d, qr, st, res))


def op_ratio(out):
    qa = random.choice(INV_QUALS)
    qb = random.choice(YM_QUALS if parts(qa)[1] <= 2 else DAYTIME_QUALS) if random.random() < 0.9 \
        else random.choice(INV_QUALS)
    fa, fb = rand_inv_fields(qa), rand_inv_fields(qb)
    na, nb = random.random() < 0.5, random.random() < 0.5
    a, b = dec_token(value_of(qa, fa), na), dec_token(value_of(qb, fb), nb)
    if (parts(qa)[1] <= 2) != (parts(qb)[1] <= 2):
        out.append('ratio %x %s %x %s %d 0' % (qa, a, qb, b, INCOMPAT))
        return
    ka, ta = inv_count(qa, fa, na)
    kb, tb = inv_count(qb, fb, nb)
    if tb == 0:
        out.append('ratio %x %s %x %s %d 0' % (qa, a, qb, b, DIVZERO))
        return
    out.append('ratio %x %s %x %s 0 %r' % (qa, a, qb, b, float(Fraction(ta, tb))))


OPS = [op_pack, op_chk, op_ext, op_dates, op_counts, op_invcopy, op_add, op_sub, op_scale, op_ratio]


def write_month_lengths(path):
    with open(path, 'w') as f:
        for y in range(1, 10000):
            f.write(''.join('%d ' % calendar.monthrange(y, m)[1] for m in range(1, 13)) + '\n')



# ---- standard text ----

DELIM = {0: '-', 2: '-', 4: ' ', 6: ':', 8: ':', 10: '.'}
FIRST_LONG, BAD_DELIM, LEFT_OVER, NO_POINT = -1261, -1262, -1264, -1271


def text_pieces(q, fields, interval, negative):
    """The standard text as (sign and first field, [(delimiter, digits)])."""
    cs = codes(q)
    p = precision(q)
    n = frac_digits(q)
    rest = []
    first = ''
    for i, (c, f) in enumerate(zip(cs, fields)):
        if c == 'F':
            piece = ('.', str(f).rjust(n, '0'))
            if i == 0:
                first = ('-' if negative else ' ') if interval else ''
                rest.append(piece)
                continue
            rest.append(piece)
        elif i == 0:
            if interval:
                digits = str(f).rjust(p)
                k = len(digits) - len(digits.lstrip())
                first = ' ' + digits
                if negative:
                    first = first[:k] + '-' + first[k + 1:]
            else:
                first = str(f).rjust(p, '0')
        else:
            rest.append((DELIM[cs[i - 1]], '%02d' % f))
    return first, rest


def join(first, rest):
    return first + ''.join(d + v for d, v in rest)


def stored_hex(token, nbytes):
    if token == 'N':
        return '00' * (nbytes + 1)
    sign, exponent, pairs = token.split(':')
    pairs = [int(x) for x in pairs.split(',')] if pairs else []
    pairs = (pairs + [0] * nbytes)[:nbytes]
    head = 0x80 | ((int(exponent) + 64) & 0x7F)
    if sign == '0':
        head ^= 0xFF
        n = 0
        for x in pairs:
            n = n * 100 + x
        n = 100**nbytes - n if n else 0
        pairs = []
        for _ in range(nbytes):
            n, x = divmod(n, 100)
            pairs.append(x)
        pairs.reverse()
    return '%02x' % head + ''.join('%02x' % x for x in pairs)


def out_of_range(q, fields, interval):
    """A copy of fields with one later unit (or a DATETIME date) out of
    range, or None when the qualifier has no such unit."""
    cs = codes(q)
    choices = []
    for i, c in enumerate(cs):
        if interval and i == 0:
            continue
        if c == 2:
            choices.append((i, 12 if interval else 13))
            if not interval:
                choices.append((i, 0))
        elif c == 4 and not interval:
            choices.append((i, 0))
            if 2 in cs:
                m = fields[cs.index(2)]
                y = fields[0] if cs[0] == 0 else YEARLESS
                choices.append((i, month_len(y, m) + 1))
        elif c == 6:
            choices.append((i, 24))
        elif c in (8, 10):
            choices.append((i, 60))
    if not choices:
        return None
    i, v = random.choice(choices)
    bad = list(fields)
    bad[i] = v
    return bad


def text_cases(q, interval, out):
    kind = 'i' if interval else 'd'
    fields = rand_inv_fields(q) if interval else rand_dt_fields(q)
    value = value_of(q, fields)
    negative = interval and value != 0 and random.random() < 0.5
    token = dec_token(value, negative)
    first, rest = text_pieces(q, fields, interval, negative)
    text = join(first, rest)
    out.append('T|%s|%x|%s|%s|%s' % (kind, q, token, text, stored_hex(token, len(unpacked(q, fields)))))

    def parse(inp, status, tok):
        out.append('P|%s|%x|%s|%d|%s' % (kind, q, inp, status, tok))

    parse(text, 0, token)
    parse(' \t' + text + '  ', 0, token)
    if rest:
        short = [(d, v[1:] if d != '.' and v[0] == '0' else v) for d, v in rest]
        parse(join(first, short), 0, token)
        blank = [(d + ('  ' if d != '.' else ''), v) for d, v in rest]
        parse(join(first, blank), 0, token)
        k = random.randrange(len(rest))
        wrong = list(rest)
        wrong[k] = ('/', rest[k][1])
        fraction_start = codes(q)[0] == 'F'
        parse(join(first, wrong), NO_POINT if fraction_start else BAD_DELIM, 'N')
        if not fraction_start:
            parse(join(first, rest[:-1]), BAD_DELIM, 'N')
        whole = [i for i, (d, v) in enumerate(rest) if d != '.']
        if whole:
            k = random.choice(whole)
            third = list(rest)
            third[k] = (rest[k][0], rest[k][1] + '7')
            parse(join(first, third), BAD_VALUE, 'N')
    if codes(q)[0] != 'F':
        p = precision(q)
        digits = first.strip().lstrip('-')
        long_first = ('-' if negative else '') + '1' * (p + 1 - len(digits)) + digits
        parse(join(long_first, rest), FIRST_LONG, 'N')
    parse(text + ' x', LEFT_OVER, 'N')
    bad = out_of_range(q, fields, interval)
    if bad is not None:
        b_first, b_rest = text_pieces(q, bad, interval, negative)
        parse(join(b_first, b_rest), BAD_VALUE, 'N')


def write_text_cases(path, per_qualifier, seed):
    random.seed(seed)
    lines = []
    for q in DT_QUALS:
        for _ in range(per_qualifier):
            text_cases(q, False, lines)
    for q in INV_QUALS:
        for _ in range(per_qualifier):
            text_cases(q, True, lines)
    with open(path, 'w') as f:
        f.write('\n'.join(lines))
        f.write('\n')

def main():
    if sys.argv[1] == '--months':
        write_month_lengths(sys.argv[2])
        return
    if sys.argv[1] == '--text':
        write_text_cases(sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 10,
                         int(sys.argv[4]) if len(sys.argv) > 4 else 17)
        return
    path = sys.argv[1]
    cases = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
    random.seed(int(sys.argv[3]) if len(sys.argv) > 3 else 16)
    lines = []
    for op in OPS:
        for _ in range(cases):
            op(lines)
    # every qualifier pair of the addition at least once with a zero interval
    for qa in DT_QUALS:
        for qb in INV_QUALS:
            fa = rand_dt_fields(qa)
            fb = [0] * len(codes(qb))
            st, res = add_model(qa, fa, qb, fb, False)
            lines.append('add %x %s %x %s %d %s' % (qa, dec_token(value_of(qa, fa)), qb,
                                                     dec_token(value_of(qb, fb)), st, res))
    with open(path, 'w') as f:
        f.write('\n'.join(lines))
        f.write('\n')


if __name__ == '__main__':
    main()
