#!/usr/bin/env python3
"""Exact model of the value-expression operators for the differential test.

Writes random operand pairs, one per line, for every pair of operand types
and every operator, with the expected working type, precision word, status
and result. Numbers are exact (fractions.Fraction, decimal.Decimal): the
DECIMAL arithmetic is exact and then rounded to 16 base-100 pairs by the
17th; products and quotients are then fitted to their precision word as
the DECIMAL precision check does (round to the scale, or to the precision's
significant digits for a floating word). FLOAT is Python's double. DATE
arithmetic is done on unbounded integers and checked against the DATE and
INTEGER ranges. DATETIME and INTERVAL values and their arithmetic come from
dt_model.py (the calendar of datetime, exact unit counts).

Line format: decimal-calculation switch (0/1), operator, operand A, operand
B ("-" for none), expected status, result type, precision word (hex),
result value. An operand is TYPE|PREC|VALUE with PREC hexadecimal and VALUE
"N" for NULL, a decimal integer (SMALLINT, INTEGER, SERIAL, INT8, DATE), a
hexadecimal float (FLOAT, SMALLFLOAT), a decimal text (DECIMAL, MONEY),
"x" and the bytes in hex (character types), or a DECIMAL normal form
"sign:exponent:pairs" (DATETIME, INTERVAL).

Usage: valexpr_model.py OUTPUT [CASES_PER_PAIR] [SEED]
       valexpr_model.py --dates OUTPUT   (every day of a few years)
       valexpr_model.py --fits OUTPUT    (DECIMAL host variable fitting)
"""
import datetime
import decimal
import os
import random
import struct
import sys
from fractions import Fraction

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dt_model as dtm  # noqa: E402

CHAR, SMALLINT, INTEGER, FLOAT, SMALLFLOAT, DECIMAL, SERIAL, DATE, MONEY = 0, 1, 2, 3, 4, 5, 6, 7, 8
DATETIME, VARCHAR, INTERVAL, NCHAR, NVARCHAR, INT8 = 10, 13, 14, 15, 16, 17

K = {CHAR: 0x1, VARCHAR: 0x1, SMALLINT: 0x2, INTEGER: 0x4, SERIAL: 0x4, FLOAT: 0x8, SMALLFLOAT: 0x208,
     MONEY: 0x10, DATE: 0x20, DECIMAL: 0x40, DATETIME: 0x80, INTERVAL: 0x100, NCHAR: 0x400, NVARCHAR: 0x400,
     INT8: 0x800}
TEXT = 0x401

ADD, SUB, MUL, DIV, NEG = 58, 59, 60, 61, 26
CMPS = [46, 47, 48, 49, 50, 51]
OPNAME = {ADD: 'add', SUB: 'sub', MUL: 'mul', DIV: 'div', NEG: 'neg'}
OPNAME.update({c: 'cmp%d' % c for c in CMPS})

DIVZERO, NOTNUM, DATERANGE, NOINT, FLOATRANGE, UNDEF, TOOLARGE = -1202, -1213, -1210, -1215, -1223, -1260, -1200
DATE_MIN, DATE_MAX = -693594, 2958464
FLOATING = 255

# ---- working type and precision word ----


def extype(op, a, b, calc):
    A = K.get(a, 0)
    B = K.get(b, 0) if b is not None else 0
    U = A | B
    if b is not None and op in CMPS:
        if A & 1 and B & 1:
            return CHAR
        if A & TEXT and B & TEXT:
            return NCHAR
        if U & 8:
            return SMALLFLOAT if U & 0x200 else FLOAT
    if U & 0x80:
        return INTERVAL if op == SUB and A & 0xA0 and B & 0xA0 else DATETIME
    if U & 0x10:
        return DECIMAL if op == DIV and A & 0x10 and B & 0x10 else MONEY
    if U & 0x100:
        return DATETIME if U & 0x20 else INTERVAL
    if U & 0x20:
        return DATE
    if not calc:
        if op == NEG and U & 0x200:
            return SMALLFLOAT
        if U & 8:
            return FLOAT
    if op in (ADD, SUB, MUL, DIV):
        return DECIMAL
    if U & (TEXT | 0x40):
        return DECIMAL
    if U & 8:
        return FLOAT
    if U & 0x800:
        return INT8
    if U & 4:
        return INTEGER
    return SMALLINT


def operand_word(t, prec):
    if t in (CHAR, VARCHAR, NCHAR, NVARCHAR, FLOAT):
        return 16, FLOATING
    if t == SMALLFLOAT:
        return 8, FLOATING
    if t == SMALLINT:
        return 5, 0
    if t in (INTEGER, SERIAL, DATE):
        return 10, 0
    if t == INT8:
        return 19, 0
    return prec >> 8, prec & 255


def word(p, s, floating):
    if p > 31:
        return (32 << 8) | FLOATING
    return (p << 8) | (FLOATING if floating else s)


def numeric_prec(op, a, b):
    pa, sa = operand_word(*a)
    if b is None:
        return (pa << 8) | sa
    pb, sb = operand_word(*b)
    fl = sa == FLOATING or sb == FLOATING
    ida, idb = (pa, pb) if fl else (max(pa - sa, 0), max(pb - sb, 0))
    sca, scb = (0, 0) if fl else (sa, sb)
    if op in (ADD, SUB):
        sc = max(sca, scb)
        return word(max(ida, idb) + 1 + sc, sc, fl)
    if op == MUL:
        sc = sca + scb
        p = ida + idb + sc
        if sc and p < 16:
            p = 16
        return word(p, sc, fl)
    return (min(max(pa + pb, 16), 32) << 8) | FLOATING


# ---- exact DECIMAL rules ----

def pairs_exponent(x):
    """e with 100**(e-1) <= |x| < 100**e."""
    x = abs(x)
    e = 0
    while x >= Fraction(100) ** e:
        e += 1
    while x < Fraction(100) ** (e - 1):
        e -= 1
    return e


def round16(x, pairs=16):
    """The DECIMAL loader's rounding: 16 pairs, half away by the 17th."""
    if x == 0:
        return Fraction(0)
    e = pairs_exponent(x)
    scaled = abs(x) * Fraction(100) ** (pairs - e)
    t = int(scaled)
    nxt = int((scaled - t) * 100)
    if nxt >= 50:
        t += 1
    r = Fraction(t) / Fraction(100) ** (pairs - e)
    return r if x > 0 else -r


def places(x):
    """Decimal places of a finite decimal."""
    s = 0
    while (x * 10**s).denominator != 1:
        s += 1
    return s


def round_half_away(x, s):
    q = x * Fraction(10) ** s
    n = int(abs(q) + Fraction(1, 2))
    n = n if q >= 0 else -n
    return Fraction(n) / Fraction(10) ** s


def sig_digits(x):
    s = places(x)
    m = abs(x) * 10**s
    return len(str(int(m))) if m else 0


def chkprec(x, w):
    p, s = w >> 8, w & 255
    if x == 0:
        return 0, x
    if s == FLOATING:
        d = sig_digits(x)
        if d > p:
            x = round_half_away(x, places(x) + p - d)
        return 0, x
    if places(x) > s:
        x = round_half_away(x, s)
    intd = len(str(int(abs(x)))) if abs(x) >= 1 else 0
    return (-1 if intd > p - s else 0), x


def dec_text(x):
    """A finite decimal Fraction as plain decimal text."""
    s = places(x)
    n = x * 10**s
    digits = str(abs(int(n))).rjust(s + 1, '0')
    body = digits if s == 0 else digits[:-s] + '.' + digits[-s:]
    return ('-' if x < 0 else '') + body


# ---- operand generation ----

def f32(x):
    return struct.unpack('f', struct.pack('f', x))[0]


def short_float():
    return random.randint(-99999, 99999) / random.choice([1, 2, 4, 8, 16])


def gen_decimal(money):
    s = 2 if money else random.randint(0, 6)
    intd = random.randint(0, 8)
    p = max(intd + s, 1)
    n = random.randint(-(10**p - 1), 10**p - 1) if random.random() < 0.9 else 0
    x = Fraction(n, 10**s)
    declared = min(p + random.randint(0, 3), 16)
    return (declared << 8) | s, x


def gen_text_number():
    kind = random.random()
    if kind < 0.4:
        v = Fraction(random.randint(-9999, 9999))
    else:
        v = Fraction(random.randint(-999999, 999999), 10**random.randint(1, 4))
    text = dec_text(v) + (' ' * random.choice([0, 0, 2]))
    return text, v


def gen(t, calc, ctx):
    """(token, model value); the model value None is NULL."""
    if random.random() < 0.03:
        prec = {DECIMAL: 0x1004, MONEY: 0x1002}.get(t, 0)
        return '%d|%x|N' % (t, prec), None, prec
    if t == SMALLINT:
        v = random.choice([random.randint(-32767, 32767), random.randint(-9, 9), 32767, -32767, 0])
        return '%d|%x|%d' % (t, 0x500, v), Fraction(v), 0x500
    if t in (INTEGER, SERIAL):
        v = random.choice([random.randint(-2**31 + 1, 2**31 - 1), random.randint(-99, 99), 2**31 - 1, 0])
        if ctx == 'date':
            v = random.choice([v, random.randint(-400, 400), random.randint(-1000, 1000)])
        return '%d|%x|%d' % (t, 0xA00, v), Fraction(v), 0xA00
    if t == INT8:
        v = random.choice([random.randint(-2**62, 2**62), random.randint(-99, 99), 2**40])
        return '%d|%x|%d' % (t, 0x1300, v), Fraction(v), 0x1300
    if t == FLOAT:
        v = short_float()
        if ctx == 'big' and random.random() < 0.1:
            v = random.choice([1.5e308, -1.2e308, 3e200, 1e-300])
        return '%d|%x|%s' % (t, 0x10FF, float.hex(v)), v, 0x10FF
    if t == SMALLFLOAT:
        v = f32(random.randint(-9999, 9999) / random.choice([1, 2, 4, 8, 16]))
        return '%d|%x|%s' % (t, 0x8FF, float.hex(v)), v, 0x8FF
    if t in (DECIMAL, MONEY):
        prec, v = gen_decimal(t == MONEY)
        return '%d|%x|%s' % (t, prec, dec_text(v)), v, prec
    if t == DATE:
        v = random.randint(-50000, 80000) if random.random() < 0.9 else random.choice([DATE_MIN, DATE_MAX])
        return '%d|%x|%d' % (t, 0xA00, v), ('date', v), 0xA00
    if t in (CHAR, VARCHAR, NCHAR, NVARCHAR):
        if ctx == 'date':
            d = random.randint(-50000, 80000)
            text = (datetime.date.fromordinal(d + dtm.DATE_ZERO)).strftime('%m/%d/%Y')
            return '%d|0|x%s' % (t, text.encode().hex()), ('datetext', d, text), 0
        if ctx == 'bad' and random.random() < 0.2:
            return '%d|0|x%s' % (t, b'abc'.hex()), ('badtext',), 0
        text, v = gen_text_number()
        return '%d|0|x%s' % (t, text.encode().hex()), ('text', v, text), 0
    raise ValueError(t)


# ---- evaluation ----

def exact(v):
    """A model value as an exact number, or a status."""
    if isinstance(v, tuple):
        if v[0] == 'date':
            return Fraction(v[1])
        if v[0] == 'text':
            return v[1]
        return NOTNUM
    if isinstance(v, float):
        return Fraction(v)
    return v


def as_double(v):
    if isinstance(v, tuple):
        if v[0] == 'date':
            return float(v[1])
        if v[0] == 'text':
            return float(v[1])
        return NOTNUM
    return float(v)


def dec_arith(op, x, y):
    if op == ADD:
        return 0, round16(x + y)
    if op == SUB:
        return 0, round16(x - y)
    if op == MUL:
        return 0, round16(x * y)
    if y == 0:
        return DIVZERO, None
    return 0, round16(x / y)


def day_value(v, t):
    """The day count (DATE and date text) or number (tolong) of an operand."""
    if isinstance(v, tuple):
        if v[0] == 'date':
            return 0, v[1]
        if v[0] == 'datetext':
            return 0, v[1]
        return NOTNUM, None
    x = Fraction(v)
    n = int(x)  # truncation toward zero
    if abs(n) > 2**31 - 1:
        return NOINT, None
    return 0, n


def date_like(t):
    return K.get(t, 0) & (0x20 | TEXT)


def eval_date(op, ta, va, tb, vb):
    st, x = day_value(va, ta)
    y = None
    if st == 0:
        st, y = day_value(vb, tb)
    if st:
        return st, None
    rtype = INTEGER if op in (MUL, DIV) or (op == SUB and date_like(ta) and date_like(tb)) else DATE
    if op == ADD:
        r = x + y
    elif op == SUB:
        r = x - y
    elif op == MUL:
        r = x * y
    else:
        if y == 0:
            return DIVZERO, None
        r = int(Fraction(x, y))
    if rtype == DATE and not DATE_MIN <= r <= DATE_MAX:
        return DATERANGE, None
    if rtype == INTEGER and not -2**31 < r <= 2**31 - 1:
        return NOINT, None
    return 0, r


def eval_arith(op, ta, va, pa, tb, vb, pb, calc):
    """(status, result type, precision word, value token)."""
    w = extype(op, ta, tb, calc)
    prec = numeric_prec(op, (ta, pa), (tb, pb)) if w != DATE else 0xA00
    if w == DATE:
        rtype = INTEGER if op in (MUL, DIV) or (op == SUB and date_like(ta) and date_like(tb)) else DATE
        if va is None or vb is None:
            return 0, rtype, prec, 'N'
        res = eval_date(op, ta, va, tb, vb)
        st, r = res[0], res[1]
        return st, rtype, prec, ('N' if st else '%d' % r)
    if va is None or vb is None:
        return 0, w, prec, 'N'
    if w == FLOAT:
        x, y = as_double(va), as_double(vb)
        if op == DIV and y == 0:
            return DIVZERO, w, prec, 'N'
        r = {ADD: lambda: x + y, SUB: lambda: x - y, MUL: lambda: x * y, DIV: lambda: x / y}[op]()
        if r in (float('inf'), float('-inf')) or r != r:
            return FLOATRANGE, w, prec, 'N'
        return 0, w, prec, float.hex(r)
    x, y = exact(va), exact(vb)
    for z in (x, y):
        if not isinstance(z, Fraction):
            return z, w, prec, 'N'
    st, r = dec_arith(op, x, y)
    if st:
        return st, w, prec, 'N'
    if op in (MUL, DIV):
        bad, r = chkprec(r, prec)
        if bad:
            return TOOLARGE, w, prec, 'N'
    return 0, w, prec, dec_text(r)


def blank_cmp(a, b):
    n = max(len(a), len(b))
    a, b = a.ljust(n, b' '), b.ljust(n, b' ')
    return (a > b) - (a < b)


def truth(op, order):
    return {46: order == 0, 47: order != 0, 48: order <= 0, 49: order < 0, 50: order >= 0, 51: order > 0}[op]


def eval_cmp(op, ta, va, tb, vb, calc):
    w = extype(op, ta, tb, calc)
    if va is None or vb is None:
        return 0, SMALLINT, 0x500, 'N'
    if w == CHAR:
        order = blank_cmp(va[2].encode(), vb[2].encode())
    elif w in (FLOAT, SMALLFLOAT):
        x, y = as_double(va), as_double(vb)
        if w == SMALLFLOAT:
            x, y = f32(x), f32(y)
        order = (x > y) - (x < y)
    elif w == DATE:
        st, x = day_value(va, ta)
        st2, y = day_value(vb, tb)
        for s, z in ((st, x), (st2, y)):
            if s:
                return s, SMALLINT, 0x500, 'N'
            if not DATE_MIN <= z <= DATE_MAX:
                return DATERANGE, SMALLINT, 0x500, 'N'
        order = (x > y) - (x < y)
    else:
        x, y = exact(va), exact(vb)
        for z in (x, y):
            if not isinstance(z, Fraction):
                return z, SMALLINT, 0x500, 'N'
        if w == SMALLINT and not (abs(x) <= 32767 and abs(y) <= 32767):
            return -1214, SMALLINT, 0x500, 'N'
        order = (x > y) - (x < y)
    return 0, SMALLINT, 0x500, '%d' % truth(op, order)


NUMERIC = [SMALLINT, INTEGER, SERIAL, INT8, FLOAT, SMALLFLOAT, DECIMAL, MONEY, CHAR, VARCHAR, NCHAR, DATE]


def context(ta, tb, op):
    if DATE in (ta, tb):
        return 'date'
    return 'bad' if op in (ADD, SUB, MUL, DIV) and FLOAT not in (ta, tb) and SMALLFLOAT not in (ta, tb) else ''


def numeric_cases(out, n):
    for ta in NUMERIC:
        for tb in NUMERIC:
            for _ in range(n):
                calc = random.random() < 0.3
                for op in (ADD, SUB, MUL, DIV) + tuple(CMPS):
                    if op in CMPS and (ta in (NCHAR, NVARCHAR) or tb in (NCHAR, NVARCHAR)):
                        continue  # collation order: the hand tests
                    if DATE in (ta, tb) and op in CMPS and not (date_like(ta) and date_like(tb)):
                        continue
                    ctx = context(ta, tb, op)
                    if op in CMPS and (K[ta] | K[tb]) & 8:
                        ctx = ''
                    if op not in CMPS and extype(op, ta, tb, calc) == FLOAT:
                        ctx = 'big'
                    sa, va, pa = gen(ta, calc, ctx if ta != DATE else '')
                    sb, vb, pb = gen(tb, calc, ctx if tb != DATE else '')
                    if op in CMPS:
                        if extype(op, ta, tb, calc) == CHAR and (isinstance(va, tuple) and va[0] != 'text' or
                                                                 isinstance(vb, tuple) and vb[0] != 'text'):
                            continue
                        st, rt, rp, rv = eval_cmp(op, ta, va, tb, vb, calc)
                    else:
                        st, rt, rp, rv = eval_arith(op, ta, va, pa, tb, vb, pb, calc)
                    out.append('%d %s %s %s %d %d %x %s' % (calc, OPNAME[op], sa, sb, st, rt, rp, rv))


def neg_cases(out, n):
    for t in [SMALLINT, INTEGER, SERIAL, INT8, FLOAT, SMALLFLOAT, DECIMAL, MONEY, DATE]:
        for _ in range(n):
            calc = random.random() < 0.5
            s, v, p = gen(t, calc, '')
            w = extype(NEG, t, None, calc)
            rt = INTEGER if t == DATE else w
            rp = 0xA00 if t == DATE else numeric_prec(NEG, (t, p), None)
            if v is None:
                out.append('%d neg %s - 0 %d %x N' % (calc, s, rt, rp))
                continue
            if t == DATE:
                rv = '%d' % -v[1]
            elif w in (FLOAT, SMALLFLOAT):
                rv = float.hex(-v)
            elif t in (DECIMAL, MONEY):
                rv = dec_text(-v)
            else:
                rv = '%d' % -v
            out.append('%d neg %s - 0 %d %x %s' % (calc, s, rt, rp, rv))


# ---- DATETIME and INTERVAL ----

def dt_token(q, fields):
    return '%d|%x|%s' % (DATETIME, q, dtm.dec_token(dtm.value_of(q, fields)))


def inv_token(q, fields, neg):
    return '%d|%x|%s' % (INTERVAL, q, dtm.dec_token(dtm.value_of(q, fields), neg))


def date_fields(d):
    day = datetime.date.fromordinal(d + dtm.DATE_ZERO)
    return [day.year, day.month, day.day]


def datetime_cases(out, n):
    for _ in range(n):
        # DATETIME + INTERVAL (either order) and DATETIME - INTERVAL
        qa, qb = dtm.compatible_pair_for_add()
        fa, fb = dtm.rand_dt_fields(qa), dtm.rand_inv_fields(qb)
        if random.random() < 0.6 and dtm.codes(qb)[0] != 'F':
            fb[0] = random.randint(0, min(10**dtm.precision(qb) - 1, random.choice([1, 3, 40, 400])))
        neg = random.random() < 0.5
        st, res = dtm.add_model(qa, fa, qb, fb, neg)
        out.append('0 add %s %s %d %d %x %s' % (dt_token(qa, fa), inv_token(qb, fb, neg), st, DATETIME, qa, res))
        out.append('0 add %s %s %d %d %x %s' % (inv_token(qb, fb, neg), dt_token(qa, fa), st, DATETIME, qa, res))
        st, res = dtm.add_model(qa, fa, qb, fb, not neg)
        out.append('0 sub %s %s %d %d %x %s' % (dt_token(qa, fa), inv_token(qb, fb, neg), st, DATETIME, qa, res))
        # DATE + INTERVAL: the DATE as YEAR TO DAY
        d = random.randint(-50000, 80000)
        qy = random.choice([q for q in dtm.INV_QUALS if dtm.parts(q)[2] <= 4])
        fy = dtm.rand_inv_fields(qy)
        fy[0] = random.randint(0, min(10**dtm.precision(qy) - 1, 400))
        st, res = dtm.add_model(0x0804, date_fields(d), qy, fy, False)
        out.append('0 add %d|a00|%d %s %d %d %x %s' % (DATE, d, inv_token(qy, fy, False), st, DATETIME, 0x0804, res))
        # DATETIME - DATETIME of one qualifier, and DATETIME - DATE
        qs = random.choice(dtm.DT_QUALS)
        f1, f2 = dtm.rand_dt_fields(qs), dtm.rand_dt_fields(qs)
        rq, kind, total = dtm.sub_model(qs, f1, qs, f2)
        st, res = dtm.inv_result(kind, total, rq)
        out.append('0 sub %s %s %d %d %x %s' % (dt_token(qs, f1), dt_token(qs, f2), st, INTERVAL, rq, res))
        qd = random.choice([q for q in dtm.YEAR_QUALS if dtm.parts(q)[2] >= 4])
        f3 = dtm.rand_dt_fields(qd)
        d2 = random.randint(-50000, 80000)
        rq, kind, total = dtm.sub_model(qd, f3, 0x0804, date_fields(d2))
        st, res = dtm.inv_result(kind, total, rq)
        out.append('0 sub %s %d|a00|%d %d %d %x %s' % (dt_token(qd, f3), DATE, d2, st, INTERVAL, rq, res))
        # comparison in one qualifier
        op = random.choice(CMPS)
        order = (dtm.value_of(qs, f1) > dtm.value_of(qs, f2)) - (dtm.value_of(qs, f1) < dtm.value_of(qs, f2))
        out.append('0 %s %s %s 0 %d 500 %d' % (OPNAME[op], dt_token(qs, f1), dt_token(qs, f2), SMALLINT,
                                               truth(op, order)))
        interval_cases(out)


def interval_cases(out):
    # INTERVAL +/- INTERVAL of one class, in the union qualifier (9 digits)
    qa = random.choice(dtm.INV_QUALS)
    same = [q for q in dtm.INV_QUALS if (dtm.parts(q)[1] <= 2) == (dtm.parts(qa)[1] <= 2)]
    qb = random.choice(same)
    fa, fb = dtm.rand_inv_fields(qa), dtm.rand_inv_fields(qb)
    na, nb = random.random() < 0.5, random.random() < 0.5
    s = min(dtm.parts(qa)[1], dtm.parts(qb)[1])
    e = max(qa & 15, qb & 15)
    qu = dtm.qual(e - 10, 12, e) if s == 12 else dtm.inv_qual(9, s, e)
    ka, ta = dtm.inv_count(qa, fa, na)
    kb, tb = dtm.inv_count(qb, fb, nb)
    for name, total in (('add', ta + tb), ('sub', ta - tb)):
        st, res = dtm.inv_result(ka, total, qu)
        out.append('0 %s %s %s %d %d %x %s' % (name, inv_token(qa, fa, na), inv_token(qb, fb, nb), st, INTERVAL,
                                               qu, res))
    # INTERVAL times and divided by a DECIMAL, in its own qualifier
    f = dtm.rand_factor()
    ftok = '%d|%x|%s' % (DECIMAL, 0x1003, dec_text(f))
    for name, divide in (('mul', False), ('div', True)):
        st, res = dtm.scale_model(qa, fa, na, qa, f, divide)
        out.append('0 %s %s %s %d %d %x %s' % (name, inv_token(qa, fa, na), ftok, st, INTERVAL, qa, res))
    st, res = dtm.scale_model(qa, fa, na, qa, f, False)
    out.append('0 mul %s %s %d %d %x %s' % (ftok, inv_token(qa, fa, na), st, INTERVAL, qa, res))


def write_dates(path):
    with open(path, 'w') as f:
        for year in (1, 1899, 1900, 1999, 2000, 2024, 9999):
            d = datetime.date(year, 1, 1)
            while d.year == year:
                n = d.toordinal() - dtm.DATE_ZERO
                f.write('%d %d %d %d %d\n' % (n, (d.weekday() + 1) % 7, d.month, d.day, d.year))
                if d == datetime.date.max:
                    break
                d += datetime.timedelta(days=1)


def write_fits(path, n=400):
    """DECIMAL values into DECIMAL host variables of a declared (p, s):
    Python's decimal rounding (half up, away from zero) to the scale, and
    the integer digits checked against p - s."""
    random.seed(17)
    with open(path, 'w') as f:
        for _ in range(n):
            s = random.randint(0, 6)
            p = random.randint(max(s, 1), 16)
            digits = random.randint(1, 18)
            scale = random.randint(0, 10)
            m = random.randint(1, 10**digits - 1) * random.choice([1, -1])
            v = decimal.Decimal(m).scaleb(-scale)
            q = v.quantize(decimal.Decimal(1).scaleb(-s), rounding=decimal.ROUND_HALF_UP,
                           context=decimal.Context(prec=60))
            intd = len(str(abs(int(q)))) if abs(q) >= 1 else 0
            status = -1226 if intd > p - s else 0
            f.write('%s %x %d %s\n' % (format(v, 'f'), (p << 8) | s, status, format(q, 'f') if status == 0 else 'N'))


def main():
    if sys.argv[1] == '--dates':
        write_dates(sys.argv[2])
        return
    if sys.argv[1] == '--fits':
        write_fits(sys.argv[2])
        return
    n = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    random.seed(int(sys.argv[3]) if len(sys.argv) > 3 else 22)
    out = []
    numeric_cases(out, n)
    neg_cases(out, n * 5)
    datetime_cases(out, n * 20)
    with open(sys.argv[1], 'w') as f:
        f.write('\n'.join(out) + '\n')


if __name__ == '__main__':
    main()
