// Value records through the public functions: stored forms of every type
// and length, built here from their byte layouts, load and store back to
// the same bytes without touching the bytes after them; the mended rules;
// the edge cases of storing; text of every type at field lengths 0, exact,
// short and long; the text readers; and settings each test sets in its own
// fresh process (ansidb, dbfltprec, DBMONEY, a German client).
#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "decconv.h"
#include "gentcb.h"
#include "rdate.h"
#include "valrec.h"
#include "genlib/valrec_support.h"

using namespace valtest;

namespace {

std::mt19937 rng(20261209);

int rand_int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

std::string random_digits(int n, bool nonzero_first)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += static_cast<char>('0' + rand_int(i == 0 && nonzero_first ? 1 : 0, 9));
    return s;
}

// Loads stored as type/len, checks the NULL indicator, stores it back as
// the same type and compares bytes and guards.
void round_trip(const Bytes &stored, int type, int len, bool null, const std::string &what)
{
    valrec v = record(0);
    v.vxid = 77;
    ASSERT_EQ(rdataval(reinterpret_cast<const char *>(stored.data()), type, len, &v), 0) << what;
    EXPECT_EQ(v.vind < 0, null) << what;
    EXPECT_EQ(v.vxid, 0) << what;
    EXPECT_EQ(v.vtype, type) << what;
    Out out(stored.size());
    ASSERT_EQ(rvaldata(&v, out.data(), type, len), 0) << what;
    EXPECT_EQ(hex(out.bytes()), hex(stored)) << what;
    EXPECT_TRUE(out.guards_intact()) << what;
}

TEST(ValrecStored, CharacterEveryLength)
{
    for (int type : {TRW_SQL_CHAR, TRW_SQL_NCHAR}) {
        for (int n = 1; n <= 300; n += (n < 40 ? 1 : 13)) {
            Bytes b(static_cast<size_t>(n));
            for (auto &c : b)
                c = static_cast<unsigned char>(rand_int(0x21, 0x7E));
            round_trip(b, type, n, false, "char " + std::to_string(n));
            Bytes null(static_cast<size_t>(n), ' ');
            null[0] = 0;
            round_trip(null, type, n, true, "char null " + std::to_string(n));
        }
    }
}

TEST(ValrecStored, VarcharEveryMaximumAndMinimum)
{
    for (int type : {TRW_SQL_VARCHAR, TRW_SQL_NVARCHAR}) {
        for (int m = 1; m <= 255; ++m) {
            const int word = (rand_int(0, m) << 8) | m;
            const int len = rand_int(0, m);
            Bytes b(static_cast<size_t>(m) + 1, 0);
            b[0] = static_cast<unsigned char>(len);
            for (int i = 0; i < len; ++i)
                b[static_cast<size_t>(i) + 1] = static_cast<unsigned char>(rand_int(0x21, 0x7E));
            round_trip(b, type, word, false, "varchar " + std::to_string(m));
            Bytes null(static_cast<size_t>(m) + 1, 0);
            null[0] = 1;
            round_trip(null, type, word, true, "varchar null " + std::to_string(m));
        }
    }
}

TEST(ValrecStored, Integers)
{
    for (int i = 0; i < 500; ++i) {
        int16_t s = static_cast<int16_t>(rand_int(-32767, 32767));
        round_trip(be(static_cast<uint16_t>(s), 2), TRW_SQL_SMALLINT, 0, false, "smallint");
        int32_t l = static_cast<int32_t>(rng()) | 1;
        round_trip(be(static_cast<uint32_t>(l), 4), TRW_SQL_INTEGER, 0, false, "integer");
        round_trip(be(static_cast<uint32_t>(l), 4), TRW_SQL_SERIAL, 0, false, "serial");
        int32_t d = rand_int(TRW_DATE_MIN, TRW_DATE_MAX);
        round_trip(be(static_cast<uint32_t>(d), 4), TRW_SQL_DATE, 0, false, "date");
        const uint64_t mag = (static_cast<uint64_t>(rng()) << 32 | rng()) >> 1;
        Bytes i8 = be(i % 2 ? 0xFFFF : 1, 2);
        Bytes words = be(mag & 0xFFFFFFFF, 4), high = be(mag >> 32, 4);
        i8.insert(i8.end(), words.begin(), words.end());
        i8.insert(i8.end(), high.begin(), high.end());
        if (mag == 0)
            i8[0] = 0, i8[1] = 1;
        round_trip(i8, TRW_SQL_INT8, 0, false, "int8");
        round_trip(i8, TRW_SQL_SERIAL8, 0, false, "serial8");
    }
    round_trip(be(0x8000, 2), TRW_SQL_SMALLINT, 0, true, "smallint null");
    for (int type : {TRW_SQL_INTEGER, TRW_SQL_SERIAL, TRW_SQL_DATE})
        round_trip(be(0x80000000u, 4), type, 0, true, "null");
    round_trip(Bytes(10, 0), TRW_SQL_INT8, 0, true, "int8 null");
}

TEST(ValrecStored, FloatsInBothForms)
{
    for (int form : {0, 1}) {
        trwGEN_setFloatType(form);
        for (int i = 0; i < 300; ++i) {
            const double d = std::ldexp(std::uniform_real_distribution<double>(-1, 1)(rng), rand_int(-1000, 1000));
            Bytes b(8);
            uint64_t bits;
            std::memcpy(&bits, &d, 8);
            if (form == 1)
                b = be(bits, 8);
            else
                std::memcpy(b.data(), &d, 8);
            round_trip(b, TRW_SQL_FLOAT, 0, false, "float");
            const float f = static_cast<float>(std::ldexp(std::uniform_real_distribution<double>(0.5, 1)(rng), rand_int(-120, 120)));
            uint32_t fbits;
            std::memcpy(&fbits, &f, 4);
            Bytes fb(4);
            if (form == 1)
                fb = be(fbits, 4);
            else
                std::memcpy(fb.data(), &f, 4);
            round_trip(fb, TRW_SQL_SMALLFLOAT, 0, false, "smallfloat");
        }
        // The NULL double is the all-0xFF NaN: it stores as NULL, not as a
        // NaN refused with -1222 or -1223.
        round_trip(Bytes(8, 0xFF), TRW_SQL_FLOAT, 0, true, "float null");
        round_trip(Bytes(4, 0xFF), TRW_SQL_SMALLFLOAT, 0, true, "smallfloat null");
    }
}

TEST(ValrecStored, DecimalAndMoneyEveryPrecisionWord)
{
    for (int type : {TRW_SQL_DECIMAL, TRW_SQL_MONEY}) {
        for (int p = 1; p <= 32; ++p) {
            for (int s = 0; s <= p + 1; ++s) {
                const int scale = s > p ? DEC_FLOATING : s;
                const int word = (p << 8) | scale;
                const int n = DECLEN(p, scale);
                for (int k = 0; k < 4; ++k) {
                    std::string digits;
                    int point;
                    if (scale == DEC_FLOATING) {
                        point = rand_int(-20, 20);
                        digits = random_digits(rand_int(1, p - ((point & 1) != 0 && p == 2 * DEC_NPAIRS)), true);
                    } else {
                        // At most 16 pairs once aligned on the point.
                        int ints = rand_int(0, p - scale);
                        if (ints + scale + ((ints & 1) != 0) > 2 * DEC_NPAIRS)
                            --ints;
                        digits = random_digits(ints, true) + random_digits(scale, false);
                        point = ints;
                    }
                    const std::string what = "decimal " + std::to_string(p) + "," + std::to_string(scale);
                    round_trip(packed_decimal(digits, point, k % 2 == 1, n), type, word, false, what);
                }
                round_trip(Bytes(static_cast<size_t>(n), 0), type, word, true, "decimal null");
                round_trip(packed_decimal("", 0, false, n), type, word, false, "decimal zero");
            }
        }
    }
}

// Qualifiers of every valid DATETIME and INTERVAL, and a random valid value
// in each as its digit string.
struct Qualified {
    int qualifier;
    std::string digits;
    int point;
};

Qualified random_time(int start, int end, int first_precision, bool interval)
{
    static const int kLimits[] = {9999, 12, 28, 23, 59, 59};
    std::string digits;
    for (int unit = start; unit <= (end < TU_SECOND ? end : TU_SECOND) && unit <= TU_SECOND; unit += 2) {
        const int width = unit == start ? first_precision : 2;
        int lo = interval ? 0 : (unit == TU_MONTH || unit == TU_DAY || unit == TU_YEAR ? 1 : 0);
        int hi = unit == start && interval ? 1 : kLimits[unit / 2];
        if (unit == start && interval) {
            hi = 1;
            for (int i = 0; i < width; ++i)
                hi *= 10;
            --hi;
        } else if (interval) {
            hi = unit == TU_MONTH ? 11 : unit == TU_HOUR ? 23 : unit == TU_DAY ? 28 : 59;
        }
        char field[16];
        std::snprintf(field, sizeof field, "%0*d", width, rand_int(lo, hi));
        digits += field;
    }
    if (start == TU_FRAC)
        first_precision = 0;
    int point = static_cast<int>(digits.size());
    // Units between the end and second count as zero digits.
    for (int unit = end + 2; end < TU_SECOND && unit <= TU_SECOND; unit += 2)
        point += 2;
    if (end > TU_SECOND)
        digits += random_digits(end - TU_SECOND, false);
    if (end < TU_SECOND)
        digits += std::string(static_cast<size_t>(point - static_cast<int>(digits.size())), '0');
    return {0, digits, point};
}

TEST(ValrecStored, DatetimeAndIntervalEveryQualifier)
{
    int datetimes = 0, intervals = 0;
    for (int start = 0; start <= TU_FRAC; start += 2) {
        for (int end = start == TU_FRAC ? TU_F1 : start; end <= TU_F5; ++end) {
            if (end > TU_SECOND || (end & 1) == 0 || start == TU_FRAC) {
                // DATETIME
                const int q = start == TU_FRAC ? TU_ENCODE(end - 10, start, end) : TU_DTENCODE(start, end);
                if (start != TU_FRAC && _chk_qual(0, q) == 0) {
                    for (int k = 0; k < 3; ++k) {
                        Qualified t = random_time(start, end, TU_DEFPREC(start), false);
                        round_trip(packed_decimal(t.digits, t.point, false, DECLEN(TU_LEN(q), q & 0xFF)),
                                   TRW_SQL_DATETIME, q, false, "datetime " + std::to_string(q));
                    }
                    round_trip(Bytes(static_cast<size_t>(DECLEN(TU_LEN(q), q & 0xFF)), 0), TRW_SQL_DATETIME, q,
                               true, "datetime null");
                    ++datetimes;
                }
                for (int p = 1; p <= 9 && start != TU_FRAC; ++p) {
                    const int iq = TU_IENCODE(p, start, end);
                    if (_chk_qual(1, iq) != 0)
                        continue;
                    for (int k = 0; k < 2; ++k) {
                        Qualified t = random_time(start, end, p, true);
                        round_trip(packed_decimal(t.digits, t.point, k == 1, DECLEN(TU_LEN(iq), iq & 0xFF)),
                                   TRW_SQL_INTERVAL, iq, false, "interval " + std::to_string(iq));
                    }
                    ++intervals;
                }
            }
        }
    }
    EXPECT_GT(datetimes, 20);
    EXPECT_GT(intervals, 100);
}

Bytes opaque(bool null, const Bytes &data)
{
    Bytes b = be(static_cast<uint32_t>(data.size()), 4);
    b.insert(b.begin(), null ? 1 : 0);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

TEST(ValrecStored, OpaqueFormsAndBlobs)
{
    for (int n = 0; n <= 300; n += 7) {
        Bytes data(static_cast<size_t>(n));
        for (auto &c : data)
            c = static_cast<unsigned char>(rand_int(0x21, 0x7E));
        const Bytes b = opaque(false, data);
        round_trip(b, TRW_SQL_LVARCHAR, static_cast<int>(b.size()), false, "lvarchar");
        round_trip(b, TRW_SQL_VARUDT, static_cast<int>(b.size()), false, "opaque 40");
        round_trip(b, TRW_SQL_FIXUDT, static_cast<int>(b.size()), false, "opaque 41");
    }
    round_trip(opaque(true, {}), TRW_SQL_LVARCHAR, 0, true, "lvarchar null");
    round_trip(opaque(false, {1}), TRW_SQL_BOOLEAN, 0, false, "true");
    round_trip(opaque(false, {0}), TRW_SQL_BOOLEAN, 0, false, "false");
    round_trip(opaque(true, {0}), TRW_SQL_BOOLEAN, 0, true, "boolean null");
    for (int type : {TRW_SQL_TEXT, TRW_SQL_BYTE}) {
        Bytes blob(56);
        for (auto &c : blob)
            c = static_cast<unsigned char>(rng());
        blob[3] &= static_cast<unsigned char>(~VAL_BLOB_NULL);
        round_trip(blob, type, 0, false, "blob");
        Bytes null(56, 0);
        null[3] = VAL_BLOB_NULL;
        round_trip(null, type, 0, true, "blob null");
    }
}

// The stored collection form from its layout: total length, type id,
// word, name, entry count, the entries, handle, data length, flags, data.
Bytes collection_form(int code, int element, int w, uint32_t flags, const Bytes &data)
{
    auto be2 = [](int x) { return be(static_cast<uint16_t>(x), 2); };
    auto name = [w](const std::string &n) {
        Bytes b(n.begin(), n.end());
        b.resize(static_cast<size_t>(w), 0);
        return b;
    };
    Bytes body;
    auto put = [&body](const Bytes &b) { body.insert(body.end(), b.begin(), b.end()); };
    put(be(0x1234, 4));
    put(be2(3));
    put(name("tname"));
    put(be2(2));
    const int types[2] = {code, element};
    for (int i = 0; i < 2; ++i) {
        put(be2(i));        // seqno
        put(be2(i));        // level_no
        put(be2(0));        // parent_no
        put(be2(0));        // fieldnmlen
        put(name(""));      // fieldname
        put(be2(i));        // field_no
        put(be2(types[i])); // type
        put(be2(0));        // length
        put(be(0, 4));      // xid
        put(be2(0));        // flags
        put(be2(0));
        put(name(""));
        put(be2(0));
        put(name(""));
        put(be2(0));        // align
        put(be(0, 4));      // srctype
    }
    put(be(7, 4));
    put(be(data.size(), 4));
    put(be(flags, 4));
    put(data);
    Bytes form = be(body.size(), 4);
    form.insert(form.end(), body.begin(), body.end());
    return form;
}

TEST(ValrecStored, CollectionsInBothIdentifierLengths)
{
    for (int w : {18, 128}) {
        if (w == 128)
            gset_dbver(1);
        for (int code : {TRW_SQL_SET, TRW_SQL_MULTISET, TRW_SQL_LIST}) {
            Bytes data;
            for (int i = 0; i < rand_int(1, 20); ++i) {
                Bytes e = be(static_cast<uint32_t>(rng()), 4);
                data.insert(data.end(), e.begin(), e.end());
            }
            const Bytes form = collection_form(code, TRW_SQL_INTEGER, w, 0, data);
            valrec v = record(0);
            ASSERT_EQ(rdataval(reinterpret_cast<const char *>(form.data()), code, static_cast<int>(form.size()), &v), 0);
            EXPECT_EQ(v.vind, 0);
            EXPECT_EQ(v.vdata.vcoll.cl_cardinality, static_cast<int>(data.size() / 4));
            Out out(form.size());
            ASSERT_EQ(rvaldata(&v, out.data(), code, static_cast<int>(form.size())), 0);
            EXPECT_EQ(hex(out.bytes()), hex(form)) << code << " " << w;
            EXPECT_TRUE(out.guards_intact());
            // Too little room: refused, nothing written past it.
            Out small(form.size() - 1);
            EXPECT_EQ(rvaldata(&v, small.data(), code, static_cast<int>(form.size()) - 1), -1207);
            EXPECT_TRUE(small.guards_intact());
            // A cut form is refused without reading past the given length.
            valrec cut = record(0);
            EXPECT_NE(rdataval(reinterpret_cast<const char *>(form.data()), code, static_cast<int>(form.size()) - 3, &cut), 0);
            trw_coll_free(&v.vdata.vcoll);
            // No text for a collection; what rdatastr loaded is released.
            char text[81];
            EXPECT_EQ(rdatastr(reinterpret_cast<const char *>(form.data()), code, static_cast<int>(form.size()), text, 0, 0),
                      -1260);
        }
        const Bytes null = collection_form(TRW_SQL_LIST, TRW_SQL_INTEGER, w, 0x80000000u, {});
        valrec n = record(0);
        ASSERT_EQ(rdataval(reinterpret_cast<const char *>(null.data()), TRW_SQL_LIST, static_cast<int>(null.size()), &n), 0);
        EXPECT_LT(n.vind, 0);
        Out out(null.size() + 64);
        ASSERT_EQ(rvaldata(&n, out.data(), TRW_SQL_LIST, static_cast<int>(out.n)), 0);
        valrec back = record(0);
        ASSERT_EQ(rdataval(out.data(), TRW_SQL_LIST, static_cast<int>(out.n), &back), 0);
        EXPECT_LT(back.vind, 0);
        trw_coll_free(&n.vdata.vcoll);
        trw_coll_free(&back.vdata.vcoll);
        EXPECT_TRUE(out.guards_intact());
    }
}

TEST(ValrecStore, CollectionTypesMustBeCompatible)
{
    const Bytes form = collection_form(TRW_SQL_SET, TRW_SQL_INTEGER, 18, 0, be(5, 4));
    valrec v = record(0);
    ASSERT_EQ(rdataval(reinterpret_cast<const char *>(form.data()), TRW_SQL_SET, static_cast<int>(form.size()), &v), 0);
    Out out(form.size() + 8);
    EXPECT_EQ(rvaldata(&v, out.data(), TRW_SQL_LIST, static_cast<int>(out.n)), 0);
    EXPECT_EQ(rvaldata(&v, out.data(), TRW_SQL_ROW, static_cast<int>(out.n)), -9602);
    EXPECT_EQ(rvaldata(&v, out.data(), TRW_SQL_INTEGER, 0), -1260);
    trw_coll_free(&v.vdata.vcoll);
    EXPECT_TRUE(out.guards_intact());
}

TEST(ValrecStored, CodesWithoutLoaderOrWriter)
{
    const char bytes[16] = {};
    valrec v = record(TRW_SQL_INTEGER);
    v.vdata.vint = 5;
    Out out(8);
    for (int code : {9, 23, 24, 39, 42, 44, 46, 51, 52, 60, 200, 255, 0x100 | 52, 0x7FFF}) {
        valrec w = record(0);
        EXPECT_EQ(rdataval(bytes, code, 4, &w), -1285) << code;
        if (code != 23) {
            EXPECT_EQ(rvaldata(&v, out.data(), code, 4), -1285) << code;
        }
    }
    EXPECT_TRUE(out.guards_intact());
}

TEST(ValrecStored, KeepsExtendedIdWhenAsked)
{
    const Bytes b = be(7, 4);
    valrec v = record(0);
    v.vxid = 99;
    ASSERT_EQ(rdataval(reinterpret_cast<const char *>(b.data()), TRW_SQL_INTEGER | VAL_KEEPXID, 0, &v), 0);
    EXPECT_EQ(v.vxid, 99);
    EXPECT_EQ(v.vprec, VAL_PREC_INTEGER);
    EXPECT_EQ(v.vdata.vint, 7);
}

TEST(ValrecStored, PrecisionWordsOfLoading)
{
    const unsigned char z[16] = {0, 1, 0, 0, 0, 1, 0, 0, 0, 0};
    const struct {
        int type;
        int prec;
    } rows[] = {{TRW_SQL_SMALLINT, 0x0500}, {TRW_SQL_INTEGER, 0x0A00}, {TRW_SQL_INT8, 0x1300},
                {TRW_SQL_SMALLFLOAT, 0x08FF}, {TRW_SQL_FLOAT, 0x10FF}, {TRW_SQL_CHAR, 0}, {TRW_SQL_VARCHAR, 0}};
    for (const auto &r : rows) {
        valrec v = record(0);
        v.vprec = 1;
        ASSERT_EQ(rdataval(reinterpret_cast<const char *>(z), r.type, 4, &v), 0);
        EXPECT_EQ(static_cast<uint16_t>(v.vprec), r.prec) << r.type;
    }
}

// ---- mended rules ----

TEST(ValrecMended, NullIntoFloatsWritesTheNullForm)
{
    valrec v = null_record(TRW_SQL_FLOAT);
    v.vdata.vdouble = 1.0;
    Out out(8);
    ASSERT_EQ(rvaldata(&v, out.data(), TRW_SQL_FLOAT, 0), 0);
    EXPECT_EQ(hex(out.bytes()), "ffffffffffffffff");
    Out small(4);
    ASSERT_EQ(rvaldata(&v, small.data(), TRW_SQL_SMALLFLOAT, 0), 0);
    EXPECT_EQ(hex(small.bytes()), "ffffffff");
    EXPECT_TRUE(out.guards_intact() && small.guards_intact());
    EXPECT_EQ(rvaldata(&v, out.data(), TRW_SQL_FLOAT | VAL_NOTNULL, 0), -1225);
    // Empty text is NULL too, and NULL into NOT NULL is refused after it.
    valrec blank = text_record(TRW_SQL_CHAR, "   ");
    EXPECT_EQ(rvaldata(&blank, out.data(), TRW_SQL_FLOAT, 0), 0);
    EXPECT_EQ(rvaldata(&blank, out.data(), TRW_SQL_FLOAT | VAL_NOTNULL, 0), -1225);
}

TEST(ValrecMended, VarcharLengthCappedAtTheMaximumByte)
{
    // Length word: minimum 200 in the high byte, maximum 3 in the low byte;
    // the length byte claims 250.
    unsigned char stored[4 + kGuards] = {250, 'a', 'b', 'c'};
    valrec v = record(0);
    ASSERT_EQ(rdataval(reinterpret_cast<const char *>(stored), TRW_SQL_VARCHAR, (200 << 8) | 3, &v), 0);
    EXPECT_EQ(v.vlen, 3);
    EXPECT_EQ(std::string(v.vdata.vchar, 3), "abc");
    const unsigned char null[2] = {1, 0};
    ASSERT_EQ(rdataval(reinterpret_cast<const char *>(null), TRW_SQL_VARCHAR, 10, &v), 0);
    EXPECT_LT(v.vind, 0);
}

TEST(ValrecMended, CharOfNoLengthReadsAndWritesNothing)
{
    Out out(0);
    valrec n = null_record(TRW_SQL_INTEGER);
    EXPECT_EQ(rvaldata(&n, out.data(), TRW_SQL_CHAR, 0), 0);
    EXPECT_EQ(rvaldata(&n, out.data(), TRW_SQL_CHAR, -5), 0);
    valrec t = text_record(TRW_SQL_CHAR, "abc");
    EXPECT_EQ(rvaldata(&t, out.data(), TRW_SQL_CHAR, 0), 0);
    EXPECT_TRUE(out.guards_intact());
    const char guard = static_cast<char>(kGuard);
    valrec v = record(0);
    ASSERT_EQ(rdataval(&guard, TRW_SQL_CHAR, 0, &v), 0);
    EXPECT_EQ(v.vlen, 0);
    EXPECT_EQ(v.vind, 0);
}

TEST(ValrecMended, LvarcharLengthBoundsEverySource)
{
    std::string long_text(5000, 'x');
    valrec v = text_record(TRW_SQL_LVARCHAR, long_text.c_str());
    Out out(5 + 100);
    ASSERT_EQ(rvaldata(&v, out.data(), TRW_SQL_LVARCHAR, 100), 0);
    EXPECT_TRUE(out.guards_intact());
    EXPECT_EQ(hex(Bytes(out.buf.begin(), out.buf.begin() + 5)), "0000000064");
    // Only a length of 0 with an LVARCHAR source takes it whole.
    Out whole(5 + 5000);
    ASSERT_EQ(rvaldata(&v, whole.data(), TRW_SQL_LVARCHAR, 0), 0);
    EXPECT_EQ(hex(Bytes(whole.buf.begin(), whole.buf.begin() + 5)), "0000001388");
    EXPECT_TRUE(whole.guards_intact());
    valrec c = text_record(TRW_SQL_CHAR, long_text.c_str());
    Out two(5 + 2048);
    ASSERT_EQ(rvaldata(&c, two.data(), TRW_SQL_LVARCHAR, 0), 0);
    EXPECT_TRUE(two.guards_intact());
    gen_setansidb(1);
    EXPECT_EQ(rvaldata(&v, out.data(), TRW_SQL_LVARCHAR, 100), -1279);
    EXPECT_TRUE(out.guards_intact());
}

TEST(ValrecMended, OpaqueLoaderTrustsOnlyTheGivenLength)
{
    // The stored length claims 1000 bytes; 8 follow the header.
    Bytes b = opaque(false, Bytes(8, 'q'));
    b[1] = 0, b[2] = 0, b[3] = 0x03, b[4] = 0xE8;
    valrec v = record(0);
    ASSERT_EQ(rdataval(reinterpret_cast<const char *>(b.data()), TRW_SQL_LVARCHAR, static_cast<int>(b.size()), &v),
              0);
    EXPECT_EQ(v.vlen, 8);
    ASSERT_EQ(rdataval(reinterpret_cast<const char *>(b.data()), TRW_SQL_VARUDT, 3, &v), 0);
    EXPECT_LT(v.vind, 0);
    EXPECT_EQ(v.vlen, 0);
}

// ---- storing ----

std::string stored_text(valrec &v, int type, int len, int *status)
{
    Out out(static_cast<size_t>(len & 0xFF) + 1);
    *status = rvaldata(&v, out.data(), type, len);
    EXPECT_TRUE(out.guards_intact());
    return std::string(out.data(), out.n);
}

TEST(ValrecStore, CharPaddingCutsAndAnsi)
{
    int status = 0;
    valrec v = text_record(TRW_SQL_VARCHAR, "abc");
    EXPECT_EQ(stored_text(v, TRW_SQL_CHAR, 5, &status).substr(0, 5), "abc  ");
    v.vflags = VAL_NULLPAD;
    EXPECT_EQ(stored_text(v, TRW_SQL_CHAR, 5, &status).substr(0, 5), std::string("abc\0\0", 5));
    EXPECT_EQ(stored_text(v, TRW_SQL_CHAR, 2, &status).substr(0, 2), "ab");
    EXPECT_EQ(status, 0);
    valrec padded = text_record(TRW_SQL_CHAR, "ab     ");
    gen_setansidb(1);
    stored_text(v, TRW_SQL_CHAR, 2, &status);
    EXPECT_EQ(status, -1279);
    EXPECT_EQ(stored_text(padded, TRW_SQL_CHAR, 2, &status).substr(0, 2), "ab");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(stored_text(v, TRW_SQL_VARCHAR, 2, &status).size(), 3u);
    EXPECT_EQ(status, -1279);
    gen_setansidb(0);
    EXPECT_EQ(stored_text(v, TRW_SQL_VARCHAR, 5, &status), std::string("\3abc\0\0", 6));
}

TEST(ValrecStore, NumbersIntoCharacterTargets)
{
    int status = 0;
    valrec v = record(TRW_SQL_INTEGER);
    v.vdata.vint = -42;
    EXPECT_EQ(stored_text(v, TRW_SQL_CHAR, 6, &status).substr(0, 6), "-42   ");
    EXPECT_EQ(stored_text(v, TRW_SQL_VARCHAR, 6, &status), std::string("\3-42\0\0\0", 7));
    EXPECT_EQ(stored_text(v, TRW_SQL_CHAR, 2, &status).substr(0, 2), "**");
    EXPECT_EQ(status, -1207);
    valrec n = null_record(TRW_SQL_INTEGER);
    EXPECT_EQ(stored_text(n, TRW_SQL_CHAR, 3, &status).substr(0, 3), std::string("\0  ", 3));
    EXPECT_EQ(stored_text(n, TRW_SQL_VARCHAR, 3, &status), std::string("\1\0\0\0", 4));
    valrec t = record(TRW_SQL_BOOLEAN);
    char one = 1;
    t.vdata.vchar = &one;
    t.vlen = 1;
    Out lv(5 + 80);
    ASSERT_EQ(rvaldata(&t, lv.data(), TRW_SQL_LVARCHAR, 0), 0);
    EXPECT_EQ(hex(Bytes(lv.buf.begin(), lv.buf.begin() + 6)), "000000000174");
}

TEST(ValrecStore, NumericTargetsAndErrors)
{
    Out out(32);
    valrec text = text_record(TRW_SQL_CHAR, "12.345");
    ASSERT_EQ(rvaldata(&text, out.data(), TRW_SQL_DECIMAL, (5 << 8) | 2), 0);
    EXPECT_EQ(hex(Bytes(out.buf.begin(), out.buf.begin() + 4)), "c10c2300");
    valrec big = text_record(TRW_SQL_CHAR, "1234.5");
    EXPECT_EQ(rvaldata(&big, out.data(), TRW_SQL_DECIMAL, (5 << 8) | 2), -1226);
    EXPECT_EQ(get_toerrno(), -1226);
    valrec n = null_record(TRW_SQL_SMALLINT);
    EXPECT_EQ(rvaldata(&n, out.data(), TRW_SQL_SMALLINT | VAL_NOTNULL, 0), -1225);
    ASSERT_EQ(rvaldata(&n, out.data(), TRW_SQL_SMALLINT, 0), 0);
    EXPECT_EQ(hex(Bytes(out.buf.begin(), out.buf.begin() + 2)), "8000");
    valrec i = record(TRW_SQL_INTEGER);
    i.vdata.vint = 40000;
    EXPECT_EQ(rvaldata(&i, out.data(), TRW_SQL_SMALLINT, 0), -1214);
    valrec f = record(TRW_SQL_FLOAT);
    f.vdata.vdouble = 1e39;
    EXPECT_EQ(rvaldata(&f, out.data(), TRW_SQL_SMALLFLOAT, 0), -1222);
    f.vdata.vdouble = NAN;
    EXPECT_EQ(rvaldata(&f, out.data(), TRW_SQL_FLOAT, 0), -1223);
    valrec blob = record(TRW_SQL_TEXT);
    EXPECT_EQ(rvaldata(&blob, out.data(), TRW_SQL_INTEGER, 0), -608);
    EXPECT_TRUE(out.guards_intact());
}

TEST(ValrecStore, TodayIntoDate)
{
    int32_t today = 0;
    rtoday(&today);
    Out out(4);
    for (const char *text : {"today", "TODAY", "  ToDay   "}) {
        valrec v = text_record(TRW_SQL_CHAR, text);
        ASSERT_EQ(rvaldata(&v, out.data(), TRW_SQL_DATE, 0), 0) << text;
        EXPECT_EQ(hex(out.bytes()), hex(be(static_cast<uint32_t>(today), 4)));
    }
    valrec old = text_record(TRW_SQL_CHAR, "12/31/1899");
    ASSERT_EQ(rvaldata(&old, out.data(), TRW_SQL_DATE, 0), 0);
    EXPECT_EQ(hex(out.bytes()), "00000000");
}

TEST(ValrecStore, BooleanTargetAndSource)
{
    Out out(6);
    const char *const texts[] = {"t", "T", "f", "F", "t    "};
    const int values[] = {1, 1, 0, 0, 1};
    for (int i = 0; i < 5; ++i) {
        valrec v = text_record(TRW_SQL_CHAR, texts[i]);
        ASSERT_EQ(rvaldata(&v, out.data(), TRW_SQL_BOOLEAN, 0), 0) << texts[i];
        EXPECT_EQ(hex(out.bytes()), "000000000" + std::string("1") + (values[i] ? "01" : "00"));
        unsigned char b = 9;
        EXPECT_EQ(tocbool(&v, &b), 0);
        EXPECT_EQ(b, values[i]);
    }
    for (const char *bad : {"true", "x", "", " t"}) {
        valrec v = text_record(TRW_SQL_CHAR, bad);
        EXPECT_EQ(rvaldata(&v, out.data(), TRW_SQL_BOOLEAN, 0), -1260) << bad;
    }
    valrec n = null_record(TRW_SQL_BOOLEAN);
    unsigned char b = 0;
    EXPECT_EQ(tocbool(&n, &b), 0);
    EXPECT_EQ(b, 255);
    EXPECT_TRUE(out.guards_intact());
}

TEST(ValrecStore, MultibyteCutInUtf8Client)
{
    setenv("CLIENT_LOCALE", "en_US.utf8", 1);
    // "a" then three 2-byte characters: a cut at 4 falls inside the third.
    const char text[] = "a\xC3\xA9\xC3\xA9\xC3\xA9";
    valrec v = text_record(TRW_SQL_CHAR, text);
    int status = 0;
    EXPECT_EQ(stored_text(v, TRW_SQL_CHAR, 4, &status).substr(0, 4), "a\xC3\xA9 ");
    EXPECT_EQ(stored_text(v, TRW_SQL_VARCHAR, 4, &status), std::string("\3a\xC3\xA9\0", 5));
    char out[8] = {};
    EXPECT_EQ(rvalstr(&v, out, 4, 1), 0);
    EXPECT_EQ(std::string(out, 4), "a\xC3\xA9 ");
    Out lv(5 + 4);
    ASSERT_EQ(rvaldata(&v, lv.data(), TRW_SQL_LVARCHAR, 4), 0);
    EXPECT_EQ(hex(Bytes(lv.buf.begin(), lv.buf.begin() + 8)), "000000000361c3a9");
}

// ---- conversions ----

TEST(ValrecConvert, ErrorResetAndChoices)
{
    set_toerrno(-99);
    valrec small = record(TRW_SQL_SMALLINT);
    small.vdata.vshort = 5;
    EXPECT_EQ(toint(&small), 5);
    EXPECT_EQ(get_toerrno(), 0);
    // -32768 is the NULL form of a SMALLINT: a record holding it without
    // its NULL indicator does not convert.
    small.vdata.vshort = -32768;
    EXPECT_EQ(toint(&small), -32768);
    EXPECT_EQ(get_toerrno(), -1214);
    valrec abc = text_record(TRW_SQL_CHAR, "abc");
    EXPECT_EQ(tolong(&abc), TRW_NULL_INTEGER);
    EXPECT_EQ(get_toerrno(), -1213);
    valrec big = text_record(TRW_SQL_CHAR, "3000000000");
    EXPECT_EQ(tolong(&big), TRW_NULL_INTEGER);
    EXPECT_EQ(get_toerrno(), -1215);
    EXPECT_EQ(toint(&big), TRW_NULL_SMALLINT);
    EXPECT_EQ(get_toerrno(), -1214);
    valrec n = null_record(TRW_SQL_DECIMAL);
    short isnull = 0;
    const double d = todblnull(&n, &isnull);
    EXPECT_EQ(isnull, 1);
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    EXPECT_EQ(bits, UINT64_MAX);
    valrec blank = text_record(TRW_SQL_CHAR, "    ");
    todblnull(&blank, &isnull);
    EXPECT_EQ(isnull, 1);
    EXPECT_EQ(get_toerrno(), 0);
    valrec date = record(TRW_SQL_INTEGER);
    date.vdata.vint = 2958465;
    EXPECT_EQ(todate(&date), TRW_DATE_NULL);
    EXPECT_EQ(get_toerrno(), -1210);
    date.vdata.vint = -693594;
    EXPECT_EQ(todate(&date), -693594);
}

TEST(ValrecStore, OwnTypeKeepsTheChecksOfItsConversion)
{
    Out out(8);
    valrec d = record(TRW_SQL_DATE);
    d.vdata.vint = TRW_DATE_MAX + 1;
    EXPECT_EQ(rvaldata(&d, out.data(), TRW_SQL_DATE, 0), -1210);
    d.vdata.vint = TRW_DATE_MAX;
    EXPECT_EQ(rvaldata(&d, out.data(), TRW_SQL_DATE, 0), 0);
    valrec s = record(TRW_SQL_SMALLINT);
    s.vdata.vshort = -32768;
    EXPECT_EQ(rvaldata(&s, out.data(), TRW_SQL_SMALLINT, 0), -1214);
    valrec i = record(TRW_SQL_INTEGER);
    i.vdata.vint = TRW_NULL_INTEGER;
    EXPECT_EQ(rvaldata(&i, out.data(), TRW_SQL_INTEGER, 0), -1215);
    valrec f = record(TRW_SQL_FLOAT);
    f.vdata.vdouble = -INFINITY;
    EXPECT_EQ(rvaldata(&f, out.data(), TRW_SQL_FLOAT, 0), -1223);
    set_toerrno(-5);
    i.vdata.vint = 9;
    EXPECT_EQ(rvaldata(&i, out.data(), TRW_SQL_INTEGER | VAL_NOTNULL, 0), 0);
    EXPECT_EQ(get_toerrno(), 0);
    EXPECT_TRUE(out.guards_intact());
}

TEST(ValrecConvert, LongDateTextOnTheHeap)
{
    std::string text = "01/02/1900" + std::string(60, ' ');
    valrec v = text_record(TRW_SQL_CHAR, text.c_str());
    EXPECT_EQ(todate(&v), 2);
    EXPECT_EQ(get_toerrno(), 0);
}

TEST(ValrecConvert, Int8AndRemainder)
{
    valrec a = text_record(TRW_SQL_CHAR, "-9223372036854775807");
    valrec b = record(TRW_SQL_INTEGER);
    b.vdata.vint = 10;
    valrec r = record(0);
    ASSERT_EQ(exmod(&a, &b, &r), 0);
    EXPECT_EQ(r.vtype, TRW_SQL_INT8);
    EXPECT_EQ(r.vdata.vint8.sign, -1);
    EXPECT_EQ(r.vdata.vint8.data[0], 7u);
    b.vdata.vint = 0;
    EXPECT_EQ(exmod(&a, &b, &r), -647);
    valrec n = null_record(TRW_SQL_INT8);
    ASSERT_EQ(exmod(&n, &b, &r), 0);
    EXPECT_LT(r.vind, 0);
    EXPECT_EQ(r.vtype, TRW_SQL_INT8);
    valrec blob = record(TRW_SQL_BYTE);
    EXPECT_EQ(exmod(&a, &blob, &r), -608);
    int8value out;
    valrec bool_ = record(TRW_SQL_BOOLEAN);
    EXPECT_EQ(toint8(&bool_, &out), -1260);
    EXPECT_EQ(out.sign, 0);
}

TEST(ValrecConvert, DatetimeAndIntervalValues)
{
    valrec date = record(TRW_SQL_DATE);
    date.vdata.vint = 2; // 1900-01-02
    dt_value dt;
    ASSERT_EQ(todatetime(&date, &dt, DT_YEAR_TO_DAY), 0);
    Out out(5);
    ASSERT_EQ(rvaldata(&date, out.data(), TRW_SQL_DATETIME, DT_YEAR_TO_DAY), 0);
    EXPECT_EQ(hex(out.bytes()), "c713000102");
    valrec v = record(TRW_SQL_DATETIME);
    v.vprec = DT_YEAR_TO_DAY;
    v.vdata.vdec = dt.dt_dec;
    EXPECT_EQ(todate(&v), 2);
    dt_value wide;
    ASSERT_EQ(todatetime(&v, &wide, DT_YEAR_TO_SECOND), 0);
    EXPECT_EQ(wide.dt_qual, DT_YEAR_TO_SECOND);
    EXPECT_EQ(todatetime(&v, &wide, 0x0F0F), -1268);
    v.vprec = 0x7FFF;
    EXPECT_EQ(todatetime(&v, &wide, DT_YEAR_TO_SECOND), -1268);
    // The DECIMAL is the INTERVAL's number: 3 days are 3 followed by the
    // hour, minute and second digits.
    valrec d = text_record(TRW_SQL_CHAR, "3000000");
    valrec dec = record(TRW_SQL_DECIMAL);
    todecimal(&d, &dec.vdata.vdec);
    inv_value inv;
    const int day = TU_IENCODE(3, TU_DAY, TU_DAY);
    ASSERT_EQ(tointerval(&dec, &inv, day), 0);
    EXPECT_EQ(inv.in_qual, day);
    valrec iv = record(TRW_SQL_INTERVAL);
    iv.vprec = static_cast<int16_t>(day);
    iv.vdata.vdec = inv.in_dec;
    inv_value hours;
    ASSERT_EQ(tointerval(&iv, &hours, TU_IENCODE(5, TU_DAY, TU_HOUR)), 0);
    EXPECT_EQ(tointerval(&iv, &hours, TU_IENCODE(2, TU_YEAR, TU_MONTH)), -1266);
    EXPECT_EQ(tointerval(&date, &hours, day), -1260);
}

// ---- text ----

std::string field(valrec &v, int n, int left, int *status)
{
    char out[128];
    std::memset(out, '#', sizeof out);
    *status = rvalstr(&v, out, n, left);
    if (*status == 0 || n > 0) {
        EXPECT_EQ(out[n > 0 ? n : std::strlen(out) + 1], '#');
    }
    if (n > 0)
        return std::string(out, static_cast<size_t>(n));
    return *status == 0 ? std::string(out) : std::string();
}

TEST(ValrecText, IntegersAtEveryFieldLength)
{
    int status = 0;
    for (int x : {0, 7, -7, 32767, -32767, 2147483647, -2147483647}) {
        valrec v = record(x >= -32767 && x <= 32767 ? TRW_SQL_SMALLINT : TRW_SQL_INTEGER);
        if (v.vtype == TRW_SQL_SMALLINT)
            v.vdata.vshort = static_cast<int16_t>(x);
        else
            v.vdata.vint = x;
        char expect[32];
        const int len = std::snprintf(expect, sizeof expect, "%d", x);
        EXPECT_EQ(field(v, 0, 1, &status), expect);
        EXPECT_EQ(field(v, len, 0, &status), expect);
        EXPECT_EQ(field(v, len + 3, 1, &status), std::string(expect) + "   ");
        EXPECT_EQ(field(v, len + 3, 0, &status), "   " + std::string(expect));
        EXPECT_EQ(status, 0);
        if (len > 1) {
            EXPECT_EQ(field(v, len - 1, 1, &status), std::string(static_cast<size_t>(len - 1), '*'));
            EXPECT_EQ(status, -1207);
        }
    }
    valrec n = null_record(TRW_SQL_INTEGER);
    EXPECT_EQ(field(n, 4, 0, &status), "    ");
    EXPECT_EQ(field(n, 0, 0, &status), "");
}

TEST(ValrecText, CharacterAlwaysLeft)
{
    int status = 0;
    valrec v = text_record(TRW_SQL_CHAR, "abc");
    EXPECT_EQ(field(v, 5, 0, &status), "abc  ");
    EXPECT_EQ(field(v, 2, 0, &status), "ab");
    EXPECT_EQ(field(v, 0, 0, &status), "abc");
    EXPECT_EQ(status, 0);
}

// An empty character value built by a client may carry no text pointer.
TEST(ValrecText, EmptyCharacterWithoutTextPointer)
{
    int status = 0;
    valrec v = text_record(TRW_SQL_CHAR, "");
    v.vdata.vchar = nullptr;
    v.vlen = 0;
    EXPECT_EQ(field(v, 3, 0, &status), "   ");
    EXPECT_EQ(field(v, 0, 0, &status), "");
    EXPECT_EQ(status, 0);
    char out[5];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(rvaldata(&v, out, TRW_SQL_CHAR, 4), 0);
    EXPECT_EQ(std::string(out, 4), "    ");
    EXPECT_EQ(out[4], 'x');
    // The same empty value into VARCHAR, LVARCHAR and an opaque target.
    unsigned char stored[16];
    std::memset(stored, 'x', sizeof stored);
    EXPECT_EQ(rvaldata(&v, reinterpret_cast<char *>(stored), TRW_SQL_VARCHAR, 10), 0);
    EXPECT_EQ(stored[0], 0);
    std::memset(stored, 'x', sizeof stored);
    EXPECT_EQ(rvaldata(&v, reinterpret_cast<char *>(stored), TRW_SQL_LVARCHAR, 8), 0);
    EXPECT_EQ(stored[0], 0); // not NULL
    EXPECT_EQ(stored[1] | stored[2] | stored[3] | stored[4], 0); // length 0
}

TEST(ValrecText, DecimalByScaleAndFloats)
{
    int status = 0;
    valrec v = record(TRW_SQL_DECIMAL);
    deccvasc("12.5", 4, &v.vdata.vdec);
    v.vprec = (5 << 8) | 2;
    EXPECT_EQ(field(v, 0, 0, &status), "12.50");
    EXPECT_EQ(field(v, 7, 0, &status), "  12.50");
    v.vprec = (5 << 8) | 255;
    EXPECT_EQ(field(v, 0, 0, &status), "12.5000000000000000");
    valrec f = record(TRW_SQL_FLOAT);
    f.vdata.vdouble = 1e200;
    EXPECT_EQ(field(f, 0, 0, &status), "1.000000e+200");
    EXPECT_EQ(field(f, 12, 0, &status), " 1.0000e+200");
    f.vdata.vdouble = -2.5e-200;
    EXPECT_EQ(field(f, 11, 1, &status), "-2.50e-200 ");
    EXPECT_EQ(field(f, 9, 1, &status), "-2e-200  "); // printf's rounding of the binary value
    f.vdata.vdouble = INFINITY;
    field(f, 0, 0, &status);
    EXPECT_EQ(status, -1223);
    valrec b = record(TRW_SQL_BOOLEAN);
    char one = 1;
    b.vdata.vchar = &one;
    b.vlen = 1;
    EXPECT_EQ(field(b, 3, 0, &status), "  t");
    valrec i8 = record(TRW_SQL_INT8);
    i8.vdata.vint8 = {{0xFFFFFFFFu, 0x7FFFFFFFu}, -1};
    EXPECT_EQ(field(i8, 0, 0, &status), "-9223372036854775807");
    valrec d = record(TRW_SQL_DATE);
    d.vdata.vint = 1;
    EXPECT_EQ(field(d, 0, 0, &status), "01/01/1900");
    EXPECT_EQ(d.vlen, 10);
    valrec x = record(TRW_SQL_ROW);
    field(x, 0, 0, &status);
    EXPECT_EQ(status, -1260);
}

TEST(ValrecText, DatetimeAndIntervalStandardText)
{
    int status = 0;
    valrec t = text_record(TRW_SQL_CHAR, "1999-12-31 23:59:58");
    Out out(static_cast<size_t>(DECLEN(TU_LEN(DT_YEAR_TO_SECOND), DT_YEAR_TO_SECOND & 0xFF)));
    ASSERT_EQ(rvaldata(&t, out.data(), TRW_SQL_DATETIME, DT_YEAR_TO_SECOND), 0);
    valrec v = record(0);
    ASSERT_EQ(rdataval(out.data(), TRW_SQL_DATETIME, DT_YEAR_TO_SECOND, &v), 0);
    EXPECT_EQ(field(v, 0, 0, &status), "1999-12-31 23:59:58");
    EXPECT_EQ(field(v, 21, 0, &status), "  1999-12-31 23:59:58");
    EXPECT_EQ(field(v, 10, 0, &status), "**********");
    EXPECT_EQ(status, -1207);
    EXPECT_EQ(todate(&v), 36524);
    const int q = TU_IENCODE(5, TU_DAY, TU_HOUR);
    valrec it = text_record(TRW_SQL_CHAR, "-3 04");
    Out iout(static_cast<size_t>(DECLEN(TU_LEN(q), q & 0xFF)));
    ASSERT_EQ(rvaldata(&it, iout.data(), TRW_SQL_INTERVAL, q), 0);
    valrec iv = record(0);
    ASSERT_EQ(rdataval(iout.data(), TRW_SQL_INTERVAL, q, &iv), 0);
    EXPECT_EQ(field(iv, 0, 0, &status), "    -3 04");
    EXPECT_TRUE(out.guards_intact() && iout.guards_intact());
    valrec bad = text_record(TRW_SQL_CHAR, "1999-13-01 00:00:00");
    EXPECT_EQ(rvaldata(&bad, out.data(), TRW_SQL_DATETIME, DT_YEAR_TO_SECOND), -1263);
}

TEST(ValrecText, RdatastrLoadsFirst)
{
    const Bytes b = be(static_cast<uint32_t>(-12345), 4);
    char out[16] = {};
    EXPECT_EQ(rdatastr(reinterpret_cast<const char *>(b.data()), TRW_SQL_INTEGER, 0, out, 8, 0), 0);
    EXPECT_EQ(std::string(out, 8), "  -12345");
    EXPECT_EQ(rdatastr(reinterpret_cast<const char *>(b.data()), 77, 0, out, 8, 0), -1285);
}

TEST(ValrecText, Readers)
{
    int i = 0;
    int32_t l = 0;
    EXPECT_EQ(rstoi(" 12 ", &i), 0);
    EXPECT_EQ(i, 12);
    EXPECT_EQ(rstoi("32767", &i), 0);
    EXPECT_EQ(rstoi("-32767\n", &i), 0);
    EXPECT_EQ(i, -32767);
    EXPECT_EQ(rstoi("32768", &i), -1214);
    EXPECT_EQ(rstoi("12x", &i), -1213);
    EXPECT_EQ(rstoi("12 x", &i), -1213);
    EXPECT_EQ(rstoi("+", &i), -1213);
    EXPECT_EQ(rstoi("   ", &i), 0);
    EXPECT_EQ(i, TRW_NULL_SMALLINT);
    EXPECT_EQ(rstol("2147483647", &l), 0);
    EXPECT_EQ(l, 2147483647);
    EXPECT_EQ(rstol("-2147483648", &l), -1215);
    EXPECT_EQ(rstol("99999999999999999999999", &l), -1215);
    EXPECT_EQ(rstol("", &l), 0);
    EXPECT_EQ(l, TRW_NULL_INTEGER);
    double d = 0;
    EXPECT_EQ(rstod("1.5e3", &d), 0);
    EXPECT_EQ(d, 1500);
    EXPECT_EQ(rstod("abc", &d), -1213);
}

TEST(ValrecText, DectodblUnchangedThroughRstod)
{
    for (const char *text : {"0.1", "-123456789.987654321", "1e-130", "9.99e124", "3.14159265358979323846"}) {
        decvalue dec;
        ASSERT_EQ(deccvasc(text, static_cast<int>(std::strlen(text)), &dec), 0);
        double d = 0;
        ASSERT_EQ(dectodbl(&dec, &d), 0);
        EXPECT_EQ(d, std::strtod(text, nullptr)) << text;
    }
}

// ---- settings in fresh processes ----

TEST(ValrecSettings, FloatPrecision0To6And16)
{
    for (int prec : {0, 1, 2, 3, 4, 5, 6, 16}) {
        dbfltprec = static_cast<int16_t>(prec);
        int status = 0;
        valrec f = record(TRW_SQL_FLOAT);
        f.vdata.vdouble = 6.02214076e130;
        char expect[64];
        std::snprintf(expect, sizeof expect, "%.*e", prec <= 6 ? prec : 6, 6.02214076e130);
        EXPECT_EQ(field(f, 0, 0, &status), expect) << prec;
        f.vdata.vdouble = 2.3;
        char fixed[64];
        std::snprintf(fixed, sizeof fixed, "%.*f", prec, 2.3);
        EXPECT_EQ(field(f, 0, 0, &status), fixed) << prec;
        valrec s = record(TRW_SQL_SMALLFLOAT);
        s.vdata.vfloat = 1.75f;
        std::snprintf(fixed, sizeof fixed, "%.*f", prec, 1.75);
        EXPECT_EQ(field(s, 0, 0, &status), fixed) << prec;
    }
    dbfltprec = 16;
    dbsmfltprec = 1;
    int status = 0;
    valrec s = record(TRW_SQL_SMALLFLOAT);
    s.vdata.vfloat = 0.25f;
    EXPECT_EQ(field(s, 0, 0, &status), "0.3");
}

TEST(ValrecSettings, MoneyUnderDbmoney)
{
    setenv("DBMONEY", "DM,", 1);
    int status = 0;
    valrec m = record(TRW_SQL_MONEY);
    deccvasc("1234,5", 6, &m.vdata.vdec);
    m.vprec = (8 << 8) | 2;
    EXPECT_EQ(field(m, 0, 0, &status), "DM1234,50");
    EXPECT_EQ(field(m, 12, 0, &status), "   DM1234,50");
    valrec text = text_record(TRW_SQL_CHAR, "DM12,345");
    Out out(6);
    ASSERT_EQ(rvaldata(&text, out.data(), TRW_SQL_MONEY, (8 << 8) | 2), 0);
    valrec back = record(0);
    ASSERT_EQ(rdataval(out.data(), TRW_SQL_MONEY, (8 << 8) | 2, &back), 0);
    EXPECT_EQ(field(back, 0, 0, &status), "DM12,35");
}

TEST(ValrecSettings, GermanClientReadsAndWritesComma)
{
    setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
    setenv("DBMONEY", ",", 1);
    int status = 0;
    valrec text = text_record(TRW_SQL_CHAR, "12,5");
    Out out(4);
    ASSERT_EQ(rvaldata(&text, out.data(), TRW_SQL_DECIMAL, (5 << 8) | 2), 0);
    valrec dec = record(0);
    ASSERT_EQ(rdataval(out.data(), TRW_SQL_DECIMAL, (5 << 8) | 2, &dec), 0);
    EXPECT_EQ(field(dec, 0, 0, &status), "12,50");
    EXPECT_NEAR(todouble(&text), 12.5, 0);
    valrec f = record(TRW_SQL_FLOAT);
    f.vdata.vdouble = 1.5e200;
    EXPECT_EQ(field(f, 0, 0, &status), "1,500000e+200");
    f.vdata.vdouble = 1.5;
    dbfltprec = 2;
    EXPECT_EQ(field(f, 0, 0, &status), "1,50");
}

TEST(ValrecSettings, AnsiSetAndClear)
{
    valrec v = text_record(TRW_SQL_CHAR, "abcdef");
    Out out(3);
    EXPECT_EQ(rvaldata(&v, out.data(), TRW_SQL_CHAR, 3), 0);
    gen_setansidb(1);
    EXPECT_EQ(rvaldata(&v, out.data(), TRW_SQL_CHAR, 3), -1279);
    EXPECT_EQ(get_toerrno(), -1279);
    gen_setansidb(0);
    EXPECT_EQ(rvaldata(&v, out.data(), TRW_SQL_CHAR, 3), 0);
    EXPECT_TRUE(out.guards_intact());
}

} // namespace
