// Host variables through rcvarval and rvalcvar: every host type both ways
// with guard bytes around every host variable (a write past its size shows
// in the guards), NULLs and indicators, character targets at every kind of
// length, BLANK_STRINGS_NOT_NULL set and unset (each test in a fresh
// process), DECIMAL fitting against Python's decimal rounding
// (HOSTVAR_FITS), locators, file buffers, opaque buffers with their
// reallocation and its failure under the allocation-failure harness.
#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decconv.h"
#include "gentcb.h"
#include "hostvar.h"
#include "support/alloc_fail.h"

namespace {

constexpr int kGuard = 16;
constexpr unsigned char kGuardByte = 0xA5;

// A host variable of size bytes between two guards.
struct Guarded {
    explicit Guarded(size_t size) : bytes(size + 2 * kGuard, kGuardByte), size(size) {}
    void *host() { return bytes.data() + kGuard; }
    char *chars() { return reinterpret_cast<char *>(host()); }
    bool guards_intact() const
    {
        for (int i = 0; i < kGuard; ++i)
            if (bytes[i] != kGuardByte || bytes[kGuard + size + i] != kGuardByte)
                return false;
        return true;
    }
    std::vector<unsigned char> bytes;
    size_t size;
};

valrec chars(const char *s, int type = TRW_SQL_CHAR)
{
    valrec v;
    std::memset(&v, 0, sizeof v);
    v.vtype = static_cast<int16_t>(type);
    v.vdata.vchar = const_cast<char *>(s);
    v.vlen = static_cast<int32_t>(std::strlen(s));
    return v;
}

valrec integer(int n)
{
    valrec v;
    std::memset(&v, 0, sizeof v);
    v.vtype = TRW_SQL_INTEGER;
    v.vprec = VAL_PREC_INTEGER;
    v.vdata.vint = n;
    return v;
}

decvalue dec(const char *text)
{
    decvalue d;
    EXPECT_EQ(deccvasc(text, static_cast<int>(std::strlen(text)), &d), 0) << text;
    return d;
}

// One host type with a sample value of its representation.
struct Sample {
    int code;
    size_t size;
    std::vector<unsigned char> value;
    int length; // the length argument
};

template <typename T> std::vector<unsigned char> bytes_of(const T &x)
{
    std::vector<unsigned char> b(sizeof x);
    std::memcpy(b.data(), &x, sizeof x);
    return b;
}

std::vector<Sample> fixed_samples()
{
    const int8value i8{{0x89ABCDEFu, 0x1234567u}, -1};
    dt_value dt{};
    dt.dt_qual = DT_YEAR_TO_DAY;
    dt.dt_dec = dec("20240229000000");
    inv_value inv{};
    inv.in_qual = INV_DAY9_TO_SECOND;
    inv.in_dec = dec("-3123456");
    const unsigned char truth = 1;
    return {
        {TRW_HOST_SHORT, 2, bytes_of<int16_t>(-12345), 0},
        {TRW_HOST_INT, 4, bytes_of<int32_t>(-2147483647), 0},
        {TRW_HOST_LONG, 8, bytes_of<long>(2147483647L), 0},
        {TRW_HOST_FLOAT, 4, bytes_of<float>(1.25e-3f), 0},
        {TRW_HOST_DOUBLE, 8, bytes_of<double>(-6.02214076e23), 0},
        {TRW_HOST_DECIMAL, sizeof(decvalue), bytes_of(dec("-1234.5678")), 0x0C04},
        {TRW_HOST_DATE, 4, bytes_of<int32_t>(45000), 0},
        {TRW_HOST_MONEY, sizeof(decvalue), bytes_of(dec("99.95")), 0x1002},
        {TRW_HOST_DATETIME, sizeof(dt_value), bytes_of(dt), DT_YEAR_TO_DAY},
        {TRW_HOST_INTERVAL, sizeof(inv_value), bytes_of(inv), INV_DAY9_TO_SECOND},
        {TRW_HOST_INT8, sizeof(int8value), bytes_of(i8), 0},
        {TRW_HOST_BOOLEAN, 1, bytes_of(truth), 1},
    };
}

// The bytes of a value that matter (a DECIMAL's digits beyond ndigits do not).
size_t significant(const Sample &s)
{
    if (s.code == TRW_HOST_DECIMAL || s.code == TRW_HOST_MONEY)
        return 6 + static_cast<size_t>(reinterpret_cast<const decvalue *>(s.value.data())->ndigits);
    if (s.code == TRW_HOST_DATETIME || s.code == TRW_HOST_INTERVAL)
        return 8 + static_cast<size_t>(reinterpret_cast<const dt_value *>(s.value.data())->dt_dec.ndigits);
    if (s.code == TRW_HOST_INT8)
        return 10;
    return s.size;
}

TEST(HostVariables, EveryFixedHostTypeRoundTripsValuesAndNulls)
{
    for (const Sample &s : fixed_samples()) {
        SCOPED_TRACE(s.code);
        Guarded in(s.size), out(s.size);
        std::memcpy(in.host(), s.value.data(), s.size);
        valrec v;
        short ind = 5;
        ASSERT_EQ(rcvarval(in.host(), s.code, &v, s.length, &ind), 0);
        EXPECT_EQ(v.vind, 0);
        ASSERT_EQ(rvalcvar(&v, out.host(), s.code, s.length, &ind), 0);
        EXPECT_EQ(ind, 0);
        EXPECT_EQ(std::memcmp(in.host(), out.host(), significant(s)), 0);
        EXPECT_TRUE(out.guards_intact());

        // NULL both ways: by the host value, then by the indicator.
        rsetnull(s.code, in.chars());
        ASSERT_EQ(rcvarval(in.host(), s.code, &v, s.length, nullptr), 0);
        EXPECT_LT(v.vind, 0);
        ASSERT_EQ(rvalcvar(&v, out.host(), s.code, s.length, &ind), 0);
        EXPECT_EQ(ind, -1);
        EXPECT_EQ(risnull(s.code, out.chars()), 1);
        EXPECT_TRUE(out.guards_intact());
        std::memcpy(in.host(), s.value.data(), s.size);
        ind = -1;
        ASSERT_EQ(rcvarval(in.host(), s.code, &v, s.length, &ind), 0);
        EXPECT_LT(v.vind, 0);
        EXPECT_TRUE(in.guards_intact());
    }
}

TEST(HostVariables, IntegersWriteTheWidthTheirCodeNames)
{
    // SQL INTEGER and SERIAL and host 102 write 32 bits, NULL as -2147483648.
    for (int code : {TRW_SQL_INTEGER, TRW_SQL_SERIAL, TRW_HOST_INT}) {
        Guarded out(4);
        valrec v = integer(-77);
        ASSERT_EQ(rvalcvar(&v, out.host(), code, 0, nullptr), 0);
        int32_t got;
        std::memcpy(&got, out.host(), 4);
        EXPECT_EQ(got, -77);
        EXPECT_TRUE(out.guards_intact()) << code;
        v.vind = -1;
        short ind = 0;
        ASSERT_EQ(rvalcvar(&v, out.host(), code, 0, &ind), 0);
        std::memcpy(&got, out.host(), 4);
        EXPECT_EQ(got, TRW_NULL_INTEGER);
        EXPECT_EQ(ind, -1);
        EXPECT_TRUE(out.guards_intact()) << code;
    }
    // 103 writes 64 bits and takes every INT8 value but its NULL.
    Guarded out(8);
    valrec v;
    std::memset(&v, 0, sizeof v);
    v.vtype = TRW_SQL_INT8;
    v.vdata.vint8 = int8value{{0, 5}, 1};
    ASSERT_EQ(rvalcvar(&v, out.host(), TRW_HOST_LONG, 0, nullptr), 0);
    long got;
    std::memcpy(&got, out.host(), 8);
    EXPECT_EQ(got, 5L << 32);
    v.vdata.vint8 = int8value{{0x80000000u, 0}, -1};
    EXPECT_EQ(rvalcvar(&v, out.host(), TRW_HOST_LONG, 0, nullptr), -1215);
    EXPECT_TRUE(out.guards_intact());
    // A long outside the INTEGER range builds nothing.
    long big = 1L << 40;
    valrec r = integer(9);
    EXPECT_EQ(rcvarval(&big, TRW_HOST_LONG, &r, 0, nullptr), -1215);
    EXPECT_EQ(r.vdata.vint, 9);
    // rcvarval of a 32-bit int: INTEGER (10,0).
    int32_t small = 42;
    ASSERT_EQ(rcvarval(&small, TRW_HOST_INT, &r, 0, nullptr), 0);
    EXPECT_EQ(r.vtype, TRW_SQL_INTEGER);
    EXPECT_EQ(r.vprec, VAL_PREC_INTEGER);
    EXPECT_EQ(r.vdata.vint, 42);
}

TEST(HostVariables, FloatsOutOfRangeAreRefusedUntouched)
{
    Guarded out(4);
    std::memset(out.host(), 0x11, 4);
    valrec v;
    std::memset(&v, 0, sizeof v);
    v.vtype = TRW_SQL_FLOAT;
    v.vdata.vdouble = 1e39;
    EXPECT_EQ(rvalcvar(&v, out.host(), TRW_HOST_FLOAT, 0, nullptr), -1222);
    EXPECT_EQ(get_toerrno(), -1222);
    v.vdata.vdouble = 1e-40;
    EXPECT_EQ(rvalcvar(&v, out.host(), TRW_HOST_FLOAT, 0, nullptr), -1222);
    EXPECT_EQ(out.chars()[0], 0x11);
    EXPECT_TRUE(out.guards_intact());
}

struct CharCase {
    int code, length, status;
    const char *content; // expected bytes (terminator included where written)
    int content_len;
    short indicator;
};

TEST(HostVariables, CharacterTargetsAtEveryLength)
{
    valrec v = chars("abcdefghij");
    const CharCase cases[] = {
        {TRW_HOST_CHAR, -1, -1235, "", 0, 1},
        {TRW_HOST_CHAR, 0, 0, "abcdefghij", 11, 0},
        {TRW_HOST_CHAR, 1, -1235, "", 1, 10},
        {TRW_HOST_CHAR, 2, 0, "a", 2, 10},
        {TRW_HOST_CHAR, 5, 0, "abcd", 5, 10},
        {TRW_HOST_CHAR, 11, 0, "abcdefghij", 11, 0},
        {TRW_HOST_CHAR, 14, 0, "abcdefghij   ", 14, 0},
        {TRW_HOST_STRING, -1, -1235, "", 0, 1},
        {TRW_HOST_STRING, 1, -1235, "", 1, 10},
        {TRW_HOST_STRING, 4, 0, "abc", 4, 10},
        {TRW_HOST_STRING, 14, 0, "abcdefghij", 11, 0},
        {TRW_HOST_FIXCHAR, -1, -1235, "", 0, 1},
        {TRW_HOST_FIXCHAR, 0, 0, "", 0, 10},
        {TRW_HOST_FIXCHAR, 3, 0, "abc", 3, 10},
        {TRW_HOST_FIXCHAR, 12, 0, "abcdefghij  ", 12, 0},
        {TRW_HOST_VARCHAR, -1, -1235, "", 0, 1},
        {TRW_HOST_VARCHAR, 0, 0, "", 1, 10},
        {TRW_HOST_VARCHAR, 4, 0, "abcd", 5, 10},
        {TRW_HOST_VARCHAR, 10, 0, "abcdefghij", 11, 0},
        {TRW_HOST_VARCHAR, 20, 0, "abcdefghij", 11, 0},
    };
    for (const CharCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " length " + std::to_string(c.length));
        // The writable size: the buffer (100, 109), length bytes (108),
        // length + 1 (114); the whole text and its NUL for a length of 0.
        size_t size = c.length < 0 ? 0 : static_cast<size_t>(c.length);
        if (c.code == TRW_HOST_VARCHAR && c.length >= 0)
            size += 1;
        if (c.length == 0 && (c.code == TRW_HOST_CHAR || c.code == TRW_HOST_STRING))
            size = 11;
        Guarded out(size);
        short ind = 99;
        EXPECT_EQ(rvalcvar(&v, out.host(), c.code, c.length, &ind), c.status);
        EXPECT_EQ(ind, c.indicator);
        EXPECT_EQ(std::memcmp(out.host(), c.content, static_cast<size_t>(c.content_len)), 0);
        EXPECT_TRUE(out.guards_intact());
    }
}

TEST(HostVariables, NumbersAndDatesAsText)
{
    valrec v = integer(-1234);
    Guarded out(8);
    short ind = 0;
    ASSERT_EQ(rvalcvar(&v, out.host(), TRW_HOST_CHAR, 8, &ind), 0);
    EXPECT_STREQ(out.chars(), "-1234  ");
    EXPECT_EQ(ind, 0);
    ASSERT_EQ(rvalcvar(&v, out.host(), TRW_HOST_STRING, 8, &ind), 0);
    EXPECT_STREQ(out.chars(), "-1234");
    Guarded narrow(4);
    EXPECT_EQ(rvalcvar(&v, narrow.host(), TRW_HOST_CHAR, 4, &ind), -1207);
    EXPECT_EQ(ind, 1);
    EXPECT_TRUE(narrow.guards_intact());
    valrec day;
    std::memset(&day, 0, sizeof day);
    day.vtype = TRW_SQL_DATE;
    day.vdata.vint = 1;
    Guarded text(7);
    ASSERT_EQ(rvalcvar(&day, text.host(), TRW_HOST_VARCHAR, 6, &ind), 0);
    EXPECT_STREQ(text.chars(), "01/01/");
    EXPECT_TRUE(text.guards_intact());
}

TEST(HostVariables, IndicatorOfALongCutValueIsCapped)
{
    std::string big(40000, 'x');
    valrec v = chars(big.c_str());
    Guarded out(5);
    short ind = 0;
    ASSERT_EQ(rvalcvar(&v, out.host(), TRW_HOST_CHAR, 5, &ind), 0);
    EXPECT_EQ(ind, HV_INDICATOR_MAX);
    EXPECT_STREQ(out.chars(), "xxxx");
}

TEST(HostVariables, BlankStringIsEmptyWithoutTheSetting)
{
    valrec v = chars("     ");
    char out[8];
    ASSERT_EQ(rvalcvar(&v, out, TRW_HOST_STRING, 8, nullptr), 0);
    EXPECT_STREQ(out, "");
}

TEST(HostVariables, BlankStringIsOneBlankWithTheSetting)
{
    setenv("BLANK_STRINGS_NOT_NULL", "1", 1);
    valrec v = chars("     ");
    char out[8];
    ASSERT_EQ(rvalcvar(&v, out, TRW_HOST_STRING, 8, nullptr), 0);
    EXPECT_STREQ(out, " ");
    Guarded one(1);
    EXPECT_EQ(rvalcvar(&v, one.host(), TRW_HOST_STRING, 1, nullptr), -1235);
    EXPECT_TRUE(one.guards_intact());
}

TEST(HostVariables, CharacterHostVariablesIn)
{
    char buf[16] = "abc\0def";
    valrec v;
    ASSERT_EQ(rcvarval(buf, TRW_HOST_CHAR, &v, 0, nullptr), 0);
    EXPECT_EQ(v.vlen, 3);
    EXPECT_EQ(v.vtype, TRW_SQL_CHAR);
    ASSERT_EQ(rcvarval(buf, TRW_HOST_VARCHAR, &v, 2, nullptr), 0);
    EXPECT_EQ(v.vlen, 2);
    EXPECT_EQ(v.vtype, TRW_SQL_VARCHAR);
    ASSERT_EQ(rcvarval(buf, TRW_HOST_FIXCHAR, &v, 7, nullptr), 0);
    EXPECT_EQ(v.vlen, 7);
    EXPECT_EQ(rcvarval(buf, TRW_HOST_FIXCHAR, &v, -1, nullptr), -1);
    ASSERT_EQ(rcvarval(buf, TRW_SQL_NCHAR, &v, 0, nullptr), 0);
    EXPECT_EQ(v.vtype, TRW_SQL_NCHAR);
    buf[0] = '\0';
    ASSERT_EQ(rcvarval(buf, TRW_HOST_STRING, &v, 0, nullptr), 0);
    EXPECT_LT(v.vind, 0);
    // Unknown codes, a null host pointer with a value, a malformed DECIMAL.
    EXPECT_EQ(rcvarval(buf, 106, &v, 0, nullptr), -1);
    EXPECT_EQ(rcvarval(buf, 125, &v, 0, nullptr), -1);
    EXPECT_EQ(rcvarval(buf, TRW_SQL_NULL, &v, 0, nullptr), -1);
    EXPECT_EQ(rcvarval(nullptr, TRW_HOST_INT, &v, 0, nullptr), -1);
    short ind = -1;
    ASSERT_EQ(rcvarval(nullptr, TRW_HOST_INT, &v, 0, &ind), 0);
    EXPECT_LT(v.vind, 0);
    decvalue d = dec("1.5");
    d.ndigits = 17;
    EXPECT_EQ(rcvarval(&d, TRW_HOST_DECIMAL, &v, 0x0501, nullptr), -1);
    d.ndigits = -1;
    EXPECT_EQ(rcvarval(&d, TRW_HOST_DECIMAL, &v, 0x0501, nullptr), -1);
    d.ndigits = 1;
    ASSERT_EQ(rcvarval(&d, TRW_HOST_DECIMAL, &v, 22, nullptr), 0);
    EXPECT_EQ(static_cast<uint16_t>(v.vprec), HV_PREC_FLOATING);
}

TEST(HostVariables, DecimalFittingAgreesWithPythonDecimal)
{
    std::ifstream in(HOSTVAR_FITS);
    std::string value, word, expected;
    int status, cases = 0;
    while (in >> value >> word >> status >> expected) {
        valrec v;
        std::memset(&v, 0, sizeof v);
        v.vtype = TRW_SQL_DECIMAL;
        v.vprec = 0x20FF;
        v.vdata.vdec = dec(value.c_str());
        Guarded out(sizeof(decvalue));
        const int w = std::stoi(word, nullptr, 16);
        ASSERT_EQ(rvalcvar(&v, out.host(), TRW_HOST_DECIMAL, w, nullptr), status) << value << " " << word;
        if (status == 0) {
            decvalue got, want = dec(expected.c_str());
            std::memcpy(&got, out.host(), sizeof got);
            EXPECT_EQ(deccmp(&got, &want), 0) << value << " " << word << " " << expected;
        }
        EXPECT_TRUE(out.guards_intact());
        ++cases;
    }
    EXPECT_GT(cases, 300);
    // The worked examples, and the fitting of a MONEY source and a text.
    valrec v;
    std::memset(&v, 0, sizeof v);
    v.vtype = TRW_SQL_MONEY;
    v.vprec = 0x1003;
    v.vdata.vdec = dec("12.345");
    decvalue got;
    ASSERT_EQ(rvalcvar(&v, &got, TRW_HOST_DECIMAL, 0x0502, nullptr), 0);
    decvalue want = dec("12.35");
    EXPECT_EQ(deccmp(&got, &want), 0);
    EXPECT_EQ(rvalcvar(&v, &got, TRW_HOST_DECIMAL, 0x0302, nullptr), -1226);
    valrec t = chars("7.125");
    ASSERT_EQ(rvalcvar(&t, &got, TRW_HOST_MONEY, 0x0402, nullptr), 0);
    want = dec("7.13");
    EXPECT_EQ(deccmp(&got, &want), 0);
}

TEST(HostVariables, LocatorsFileBuffersAndRecords)
{
    trw_locator loc;
    std::memset(&loc, 0, sizeof loc);
    loc.lo_type = TRW_SQL_TEXT;
    loc.lo_size = 77;
    valrec v;
    ASSERT_EQ(rcvarval(&loc, TRW_SQL_TEXT, &v, 0, nullptr), 0);
    EXPECT_EQ(v.vtype, TRW_SQL_TEXT);
    Guarded out(sizeof(trw_locator));
    ASSERT_EQ(rvalcvar(&v, out.host(), TRW_HOST_LOCATOR, 0, nullptr), 0);
    EXPECT_EQ(std::memcmp(out.host(), &loc, sizeof loc), 0);
    EXPECT_TRUE(out.guards_intact());
    valrec n = integer(1);
    EXPECT_EQ(rvalcvar(&n, out.host(), TRW_HOST_LOCATOR, 0, nullptr), -1269);
    // File buffer: character sources only, blank-filled, long enough.
    valrec c = chars("xyz");
    Guarded file(6);
    ASSERT_EQ(rvalcvar(&c, file.host(), TRW_HOST_FILE, 6, nullptr), 0);
    EXPECT_EQ(std::memcmp(file.host(), "xyz   ", 6), 0);
    EXPECT_EQ(rvalcvar(&c, file.host(), TRW_HOST_FILE, 2, nullptr), -1235);
    EXPECT_EQ(rvalcvar(&n, file.host(), TRW_HOST_FILE, 6, nullptr), -1269);
    EXPECT_TRUE(file.guards_intact());
    // Fixed opaque buffer.
    char bytes[4] = {1, 2, 3, 4};
    ASSERT_EQ(rcvarval(bytes, TRW_HOST_FIXBINARY, &v, 4, nullptr), 0);
    EXPECT_EQ(v.vtype, TRW_SQL_FIXUDT);
    Guarded fixed(4);
    ASSERT_EQ(rvalcvar(&v, fixed.host(), TRW_HOST_FIXBINARY, 4, nullptr), 0);
    EXPECT_EQ(std::memcmp(fixed.host(), bytes, 4), 0);
    EXPECT_EQ(rvalcvar(&v, fixed.host(), TRW_HOST_FIXBINARY, 3, nullptr), -1821);
    EXPECT_EQ(rvalcvar(&c, fixed.host(), TRW_HOST_FIXBINARY, 4, nullptr), -1260);
    EXPECT_TRUE(fixed.guards_intact());
    // Collection records are copied whole, NULL or not.
    alignas(8) unsigned char coll[TRW_COLL_RECORD_SIZE];
    for (int i = 0; i < TRW_COLL_RECORD_SIZE; ++i)
        coll[i] = static_cast<unsigned char>(i);
    coll[TRW_COLL_FLAGS_OFFSET] = 0;
    ASSERT_EQ(rcvarval(coll, TRW_SQL_LIST, &v, 0, nullptr), 0);
    Guarded rec(TRW_COLL_RECORD_SIZE);
    ASSERT_EQ(rvalcvar(&v, rec.host(), TRW_SQL_LIST, 0, nullptr), 0);
    EXPECT_EQ(std::memcmp(rec.host(), coll, TRW_COLL_RECORD_SIZE), 0);
    EXPECT_TRUE(rec.guards_intact());
}

TEST(HostVariables, OpaqueAndLvarcharBuffersGrowWhenAllowed)
{
    valrec lv = chars("long text", TRW_SQL_LVARCHAR);
    char small[4];
    trw_opaque_host h{4, small, 0};
    EXPECT_EQ(rvalcvar(&lv, &h, TRW_HOST_LVARCHARPTR, 0, nullptr), -1821);
    h = trw_opaque_host{0, nullptr, TRW_OPAQUE_ALLOC | TRW_OPAQUE_ISNULL};
    ASSERT_EQ(rvalcvar(&lv, &h, TRW_HOST_LVARCHARPTR, 0, nullptr), 0);
    EXPECT_EQ(h.vh_len, 9);
    EXPECT_STREQ(h.vh_data, "long text");
    EXPECT_EQ(h.vh_flags & TRW_OPAQUE_ISNULL, 0);
    // Back in: the pointer form.
    valrec v;
    ASSERT_EQ(rcvarval(&h, TRW_HOST_LVARCHARPTR, &v, 0, nullptr), 0);
    EXPECT_EQ(v.vtype, TRW_SQL_LVARCHAR);
    EXPECT_EQ(v.vlen, 9);
    // The value read from a record written back into the same record: its
    // buffer grows by one byte for the NUL while the bytes are its own.
    ASSERT_EQ(rcvarval(&h, TRW_SQL_LVARCHAR, &v, 0, nullptr), 0);
    ASSERT_EQ(rvalcvar(&v, &h, TRW_SQL_LVARCHAR, 0, nullptr), 0);
    EXPECT_EQ(h.vh_len, 9);
    EXPECT_STREQ(h.vh_data, "long text");
    std::free(h.vh_data);
    // A buffer that is large enough is used as it is.
    char roomy[32];
    h = trw_opaque_host{32, roomy, 0};
    ASSERT_EQ(rvalcvar(&lv, &h, TRW_HOST_LVARCHARPTR, 0, nullptr), 0);
    EXPECT_EQ(h.vh_data, roomy);
    EXPECT_STREQ(roomy, "long text");
    // Variable opaque takes opaque values only.
    EXPECT_EQ(rvalcvar(&lv, &h, TRW_HOST_VARBINARY, 0, nullptr), -1260);
    char bytes[3] = {9, 8, 7};
    valrec op;
    std::memset(&op, 0, sizeof op);
    op.vtype = TRW_SQL_VARUDT;
    op.vdata.vchar = bytes;
    op.vlen = 3;
    h = trw_opaque_host{0, nullptr, TRW_OPAQUE_ALLOC};
    ASSERT_EQ(rvalcvar(&op, &h, TRW_HOST_VARBINARY, 0, nullptr), 0);
    EXPECT_EQ(h.vh_len, 3);
    EXPECT_EQ(std::memcmp(h.vh_data, bytes, 3), 0);
    std::free(h.vh_data);
}

TEST(HostVariables, FailedReallocationIsReportedAndLeaksNothing)
{
    valrec lv = chars("some text", TRW_SQL_LVARCHAR);
    get_toerrno(); // the control block exists before counting
    trwtest::start_counting_live_blocks();
    trw_opaque_host h{0, nullptr, TRW_OPAQUE_ALLOC};
    trwtest::fail_allocation_after(0);
    EXPECT_EQ(rvalcvar(&lv, &h, TRW_HOST_LVARCHARPTR, 0, nullptr), -837);
    trwtest::allow_allocations();
    EXPECT_EQ(h.vh_len, 0);
    EXPECT_EQ(h.vh_data, nullptr);
    EXPECT_EQ(trwtest::live_blocks(), 0);
}

} // namespace
