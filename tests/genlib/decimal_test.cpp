// DECIMAL through its public functions: the record layout, the rules the
// type pins down at its edges (rounding carries, range clamping, NULL versus
// zero, division by zero, aliasing), the stored layout byte by byte, the
// precision words, and records built by hand with bad fields.
#include "decimal.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

static_assert(sizeof(decvalue) == 22);
static_assert(offsetof(decvalue, exponent) == 0 && sizeof(decvalue::exponent) == 2);
static_assert(offsetof(decvalue, sign) == 2 && sizeof(decvalue::sign) == 2);
static_assert(offsetof(decvalue, ndigits) == 4 && sizeof(decvalue::ndigits) == 2);
static_assert(offsetof(decvalue, digits) == 6 && sizeof(decvalue::digits) == 16);
static_assert(DECLEN(16, 2) == 9 && DECLEN(5, 0) == 4 && DECLEN(1, 0) == 2 && DECLEN(32, 255) == 18);

namespace {

// A decimal text ("-12.5", "NULL") read into a record through decload.
decvalue dec(const std::string &text)
{
    decvalue d;
    if (text == "NULL") {
        decload(&d, -1, 0, nullptr, 0);
        return d;
    }
    bool negative = text[0] == '-';
    std::string body = text.substr(negative);
    auto point = body.find('.');
    std::string whole = body.substr(0, point), frac = point == std::string::npos ? "" : body.substr(point + 1);
    if (whole.size() % 2) whole = "0" + whole;
    if (frac.size() % 2) frac += "0";
    std::string digits = whole + frac;
    std::vector<unsigned char> pairs;
    for (size_t i = 0; i < digits.size(); i += 2) pairs.push_back(static_cast<unsigned char>((digits[i] - '0') * 10 + digits[i + 1] - '0'));
    decload(&d, negative ? 0 : 1, static_cast<int>(whole.size() / 2), pairs.data(), static_cast<int>(pairs.size()));
    return d;
}

// The record as decimal text; trailing zero pairs kept by rounding show.
std::string text(const decvalue &d)
{
    if (d.sign == -1) return d.ndigits == 0 && d.exponent == 0 ? "NULL" : "bad NULL";
    if (d.ndigits == 0) return d.exponent == -64 && d.sign == 1 ? "0" : "bad zero";
    std::string digits;
    for (int i = 0; i < d.ndigits; ++i) digits += std::to_string(d.digits[i] / 10) + std::to_string(d.digits[i] % 10);
    int point = 2 * d.exponent;
    std::string out;
    if (point <= 0) out = "0." + std::string(-point, '0') + digits;
    else if (point >= static_cast<int>(digits.size())) out = digits + std::string(point - digits.size(), '0');
    else out = digits.substr(0, point) + "." + digits.substr(point);
    while (out.size() > 1 && out[0] == '0' && out[1] != '.') out.erase(0, 1);
    if (out.find('.') != std::string::npos && out.back() == '0') out.pop_back();  // the pair's low digit
    return (d.sign == 0 ? "-" : "") + out;
}

constexpr int kCountOfPairs = -1000;  // raw(): ndigits is the number of pairs given

decvalue raw(int sign, int exponent, std::vector<int> pairs, int ndigits = kCountOfPairs)
{
    decvalue d;
    std::memset(&d, 0, sizeof d);
    d.sign = static_cast<int16_t>(sign);
    d.exponent = static_cast<int16_t>(exponent);
    d.ndigits = static_cast<int16_t>(ndigits == kCountOfPairs ? static_cast<int>(pairs.size()) : ndigits);
    for (size_t i = 0; i < pairs.size() && i < 16; ++i) d.digits[i] = static_cast<unsigned char>(pairs[i]);
    return d;
}

std::vector<int> pairs_of(const decvalue &d)
{
    return std::vector<int>(d.digits, d.digits + (d.ndigits > 0 ? d.ndigits : 0));
}

using binary = int (*)(const decvalue *, const decvalue *, decvalue *);

struct arith_case {
    binary op;
    const char *a, *b, *result;
    int status;
};

TEST(DecimalArithmetic, EdgeCases)
{
    const std::string nines32(32, '9');
    const arith_case cases[] = {
        {decadd, "1", "-1", "0", 0},
        {decadd, "12.5", "0.05", "12.55", 0},
        {decadd, "-2", "0.5", "-1.5", 0},
        {decsub, "0.5", "2", "-1.5", 0},
        {decadd, nines32.c_str(), "1", "100000000000000000000000000000000", 0},
        // 17 pairs apart: the smaller falls outside the 17-pair run.
        {decadd, "1", "0.0000000000000000000000000000000001", "1", 0},
        // 16 pairs apart: it lands in pair 17 and rounds the sum.
        {decadd, "1", "0.0000000000000000000000000000005", "1.000000000000000000000000000001", 0},
        {decsub, "1", "0.0000000000000000000000000000005", "0.9999999999999999999999999999995", 0},
        {decmul, "1e124", "100", "", DEC_OVERFLOW},
        {decmul, "0.5", "-0.5", "-0.25", 0},
        {decmul, "0", "-7", "0", 0},
        {decdiv, "1", "3", "0.33333333333333333333333333333333", 0},
        {decdiv, "2", "3", "0.66666666666666666666666666666667", 0},
        {decdiv, "-7", "2", "-3.5", 0},
        {decdiv, "5", "0", "0", DEC_DIVZERO},
        {decdiv, "0", "0", "0", DEC_DIVZERO},
        {decdiv, "NULL", "0", "NULL", 0},
        {decdiv, "0", "NULL", "NULL", 0},
        {decadd, "NULL", "1", "NULL", 0},
        {decsub, "1", "NULL", "NULL", 0},  // not -NULL made into a value
        {decsub, "NULL", "1", "NULL", 0},
        {decmul, "2", "NULL", "NULL", 0},
    };
    for (const auto &c : cases) {
        decvalue a = std::string(c.a) == "1e124" ? raw(1, 62, {1}) : dec(c.a), b = dec(c.b), r;
        int status = c.op(&a, &b, &r);
        EXPECT_EQ(status, c.status) << c.a << " op " << c.b;
        if (c.status != DEC_OVERFLOW) {
            EXPECT_EQ(text(r), c.result) << c.a << " op " << c.b;
        }
    }
}

TEST(DecimalArithmetic, OverflowAndUnderflowLeaveClampedDigits)
{
    decvalue big = raw(1, 62, {1}), hundred = dec("100"), tiny = raw(1, -64, {5}), r;
    EXPECT_EQ(decmul(&big, &hundred, &r), DEC_OVERFLOW);
    EXPECT_EQ(r.exponent, 63);
    EXPECT_EQ(pairs_of(r), std::vector<int>{1});
    EXPECT_EQ(decdiv(&tiny, &hundred, &r), DEC_UNDERFLOW);
    EXPECT_EQ(r.exponent, -64);
    EXPECT_EQ(pairs_of(r), std::vector<int>{5});
}

TEST(DecimalArithmetic, ResultMayBeAnOperand)
{
    const binary ops[] = {decadd, decsub, decmul, decdiv};
    decvalue a = dec("123.456789"), b = dec("-0.0375");
    for (binary op : ops) {
        decvalue expect, x = a, y = b;
        op(&a, &b, &expect);
        op(&x, &y, &x);
        EXPECT_EQ(text(x), text(expect));
        x = a;
        op(&x, &y, &y);
        EXPECT_EQ(text(y), text(expect));
        x = a;
        decvalue twice;
        op(&a, &a, &twice);
        op(&x, &x, &x);
        EXPECT_EQ(text(x), text(twice));
    }
}

TEST(DecimalCompare, OrderAndNull)
{
    struct {
        const char *a, *b;
        int want;
    } cases[] = {
        {"NULL", "1", -2}, {"1", "NULL", -2}, {"NULL", "NULL", -2}, {"0.5", "0.50", 0},
        {"-2", "-1", -1},  {"-1", "-2", 1},   {"0", "-0.01", 1},   {"0", "0.01", -1},
        {"1", "1.01", -1}, {"100", "99", 1},  {"-0.5", "0.5", -1}, {"0", "0", 0},
    };
    for (const auto &c : cases) {
        decvalue a = dec(c.a), b = dec(c.b);
        EXPECT_EQ(deccmp(&a, &b), c.want) << c.a << " vs " << c.b;
    }
}

TEST(DecimalCompare, TrailingZeroPairsLeftByRoundingCompareEqual)
{
    // 0.99..9 (34 nines) rounds to 1 with 15 zero pairs kept.
    decvalue rounded = dec("0." + std::string(34, '9')), one = dec("1");
    ASSERT_EQ(rounded.ndigits, 16);
    EXPECT_EQ(deccmp(&rounded, &one), 0);
    EXPECT_EQ(deccmp(&one, &rounded), 0);
    decvalue neg = rounded, minus_one = dec("-1");
    neg.sign = 0;
    EXPECT_EQ(deccmp(&neg, &minus_one), 0);
}

TEST(DecimalRounding, RoundAndTruncate)
{
    struct {
        void (*op)(decvalue *, int);
        const char *value;
        int places;
        const char *result;
    } cases[] = {
        {decround, "2.5", 0, "3"},         {decround, "-2.5", 0, "-3"},      {decround, "0.125", 2, "0.13"},
        {decround, "1234.5", -2, "1200"},  {decround, "1250", -2, "1300"},   {decround, "1249.99", -2, "1200"},
        {decround, "99.95", 1, "100"},     {decround, "0.004", 2, "0"},      {decround, "0.005", 2, "0.01"},
        {decround, "7", 5, "7"},           {decround, "NULL", 0, "NULL"},    {decround, "5", -1, "10"},
        {decround, "12345", -3, "12000"},  {decround, "5", -200, "0"},       {decround, "0", 3, "0"},
        {dectrunc, "-1.99", 1, "-1.9"},    {dectrunc, "-1.99", 0, "-1"},     {dectrunc, "0.004", 2, "0"},
        {dectrunc, "1234.5678", 3, "1234.567"}, {dectrunc, "1299", -2, "1200"}, {dectrunc, "1299", -3, "1000"},
        {dectrunc, "0.5", 0, "0"},         {dectrunc, "NULL", 1, "NULL"},    {dectrunc, "NULL", 0, "0"},
        {dectrunc, "NULL", -3, "0"},       {dectrunc, "3.25", 40, "3.25"},
    };
    for (const auto &c : cases) {
        decvalue d = dec(c.value);
        c.op(&d, c.places);
        EXPECT_EQ(text(d), c.result) << c.value << " to " << c.places << " places";
    }
}

TEST(DecimalRounding, ExtremePlacesStayInBounds)
{
    const int places[] = {INT32_MIN, INT32_MIN + 1, -70000, -131, 131, 70000, INT32_MAX};
    for (int s : places) {
        decvalue d = dec("-98765.4321"), t = d;
        decround(&d, s);
        dectrunc(&t, s);
        if (s > 0) {
            EXPECT_EQ(text(d), "-98765.4321");
            EXPECT_EQ(text(t), "-98765.4321");
        } else {
            EXPECT_EQ(text(d), "0") << s;
            EXPECT_EQ(text(t), "0") << s;
        }
    }
}

TEST(DecimalLoad, RoundsBySeventeenthPairAndChecksRange)
{
    unsigned char run[17];
    std::memset(run, 99, sizeof run);
    decvalue d;
    EXPECT_EQ(decload(&d, 1, 3, run, 17), 0);
    EXPECT_EQ(d.exponent, 4);
    EXPECT_EQ(d.ndigits, 16);
    EXPECT_EQ(pairs_of(d), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    run[16] = 49;
    EXPECT_EQ(decload(&d, 0, 3, run, 17), 0);
    EXPECT_EQ(d.exponent, 3);
    EXPECT_EQ(d.sign, 0);
    EXPECT_EQ(pairs_of(d), std::vector<int>(16, 99));

    unsigned char one[] = {0, 1, 0, 0};
    EXPECT_EQ(decload(&d, 1, 64, one, 4), DEC_OVERFLOW);  // exponent 63 after the leading 0
    EXPECT_EQ(d.exponent, 63);
    EXPECT_EQ(decload(&d, 1, 63, one, 4), 0);
    EXPECT_EQ(d.exponent, 62);
    EXPECT_EQ(decload(&d, 1, -64, one, 4), DEC_UNDERFLOW);
    EXPECT_EQ(d.exponent, -64);
    EXPECT_EQ(pairs_of(d), std::vector<int>{1});
}

TEST(DecimalLoad, ZeroAndNullNeverReportRange)
{
    unsigned char zeros[5] = {};
    decvalue d;
    EXPECT_EQ(decload(&d, 1, -100, zeros, 5), 0);
    EXPECT_EQ(text(d), "0");
    EXPECT_EQ(decload(&d, 0, 100, zeros, 5), 0);
    EXPECT_EQ(text(d), "0");
    EXPECT_EQ(decload(&d, 1, 100, zeros, 0), 0);
    EXPECT_EQ(text(d), "0");
    EXPECT_EQ(decload(&d, -1, 500, zeros, 5), 0);
    EXPECT_EQ(text(d), "NULL");
}

std::vector<int> stored(const decvalue &d, int n)
{
    unsigned char out[40];
    std::memset(out, 0xAA, sizeof out);
    stdecimal(&d, out, n);
    for (int i = n > 0 ? n : 0; i < 40; ++i) EXPECT_EQ(out[i], 0xAA) << "written past " << n;
    return std::vector<int>(out, out + (n > 0 ? n : 0));
}

TEST(DecimalStorage, LayoutOfKnownValues)
{
    struct {
        const char *value;
        int n;
        std::vector<int> bytes;
        const char *loaded;
    } cases[] = {
        {"1", 2, {0xC1, 1}, "1"},
        {"-1", 2, {0x3E, 0x63}, "-1"},
        {"0", 2, {0x80, 0}, "0"},
        {"NULL", 2, {0, 0}, "NULL"},
        {"0.125", 2, {0xC0, 13}, "0.13"},
        {"0.99995", 3, {0xC1, 1, 0}, "1"},
        {"-0.99995", 3, {0x3E, 99, 0}, "-1"},
        {"12.5", 9, {0xC1, 12, 50, 0, 0, 0, 0, 0, 0}, "12.5"},
        {"-12.5", 4, {0x3E, 87, 50, 0}, "-12.5"},
        {"-0.05", 2, {0x3F, 95}, "-0.05"},
    };
    for (const auto &c : cases) {
        decvalue d = dec(c.value), back;
        EXPECT_EQ(stored(d, c.n), c.bytes) << c.value;
        std::vector<unsigned char> bytes(c.bytes.begin(), c.bytes.end());
        EXPECT_EQ(lddecimal(bytes.data(), c.n, &back), 0);
        EXPECT_EQ(text(back), c.loaded) << c.value;
    }
    decvalue negative_zero = raw(0, -64, {});
    EXPECT_EQ(stored(negative_zero, 3), (std::vector<int>{0x80, 0, 0}));
}

TEST(DecimalStorage, EveryPrecisionWordLengthRoundTrips)
{
    decvalue d = dec("-1234567890123456.7890123456789012"), back;
    for (int p = 1; p <= 32; ++p)
        for (int s : {0, 1, p, DEC_FLOATING}) {
            int n = DECLEN(p, s);
            ASSERT_GE(n, DEC_STORED_MIN);
            ASSERT_LE(n, DEC_STORED_MAX);
            std::vector<int> bytes = stored(d, n);
            std::vector<unsigned char> raw_bytes(bytes.begin(), bytes.end());
            lddecimal(raw_bytes.data(), n, &back);
            // Loading the form again and storing it gives the same bytes.
            EXPECT_EQ(stored(back, n), bytes) << n;
        }
    unsigned char full[18];
    stdecimal(&d, full, 18);
    lddecimal(full, 18, &back);
    EXPECT_EQ(deccmp(&d, &back), 0);
}

TEST(DecimalStorage, SeventeenthStoredPairRoundsOnLoad)
{
    unsigned char form[18] = {0xC1};
    std::memset(form + 1, 99, 17);
    decvalue d;
    EXPECT_EQ(lddecimal(form, 18, &d), 0);
    EXPECT_EQ(d.exponent, 2);
    EXPECT_EQ(d.ndigits, 16);
    EXPECT_EQ(d.digits[0], 1);
}

TEST(DecimalStorage, OddLengthsStayInBounds)
{
    unsigned char form[40];
    std::memset(form, 0, sizeof form);
    form[0] = 0xC1;
    form[1] = 7;
    std::memset(form + 18, 55, 22);  // past the 18 bytes a load may read
    decvalue d, e;
    EXPECT_EQ(lddecimal(form, 40, &d), 0);
    EXPECT_EQ(lddecimal(form, 18, &e), 0);
    EXPECT_EQ(text(d), text(e));
    EXPECT_EQ(lddecimal(form, 1, &d), 0);  // no pair byte: zero
    EXPECT_EQ(text(d), "0");
    EXPECT_EQ(lddecimal(form, 0, &d), 0);
    EXPECT_EQ(text(d), "NULL");
    EXPECT_EQ(lddecimal(nullptr, -4, &d), 0);
    EXPECT_EQ(text(d), "NULL");
    unsigned char null_head[3] = {0, 0, 42};
    EXPECT_EQ(lddecimal(null_head, 3, &d), 0);
    EXPECT_EQ(text(d), "NULL");

    decvalue v = dec("-5.25");
    EXPECT_EQ(stored(v, 1), std::vector<int>{0x3E});
    EXPECT_EQ(stored(v, 0), std::vector<int>{});
    EXPECT_EQ(stored(v, -3), std::vector<int>{});
    std::vector<int> long_form = stored(v, 25);
    EXPECT_EQ(long_form[0], 0x3E);
    EXPECT_EQ(long_form[1], 94);
    EXPECT_EQ(long_form[2], 75);
    for (int i = 3; i < 25; ++i) EXPECT_EQ(long_form[i], 0);
}

TEST(DecimalStorage, ComplementIsItsOwnInverse)
{
    unsigned char run[] = {12, 50, 0, 0};
    deccomplement(run, 4);
    EXPECT_EQ(std::vector<int>(run, run + 4), (std::vector<int>{87, 50, 0, 0}));
    deccomplement(run, 4);
    EXPECT_EQ(std::vector<int>(run, run + 4), (std::vector<int>{12, 50, 0, 0}));
    unsigned char zeros[3] = {};
    deccomplement(zeros, 3);
    EXPECT_EQ(std::vector<int>(zeros, zeros + 3), (std::vector<int>{0, 0, 0}));
    deccomplement(nullptr, 0);
}

TEST(DecimalPrecision, MeasuredWords)
{
    struct {
        const char *value;
        int measured, raised;
    } cases[] = {
        {"0.5", 0x101, 0x101},   {"1200", 0x400, 0x400}, {"5.5", 0x201, 0x201},
        {"0.05", 0x102, 0x202},  {"0", 0, 0},            {"NULL", 0, 0},
        {"123.45", 0x502, 0x502}, {"-0.001", 0x103, 0x303},
    };
    for (const auto &c : cases) {
        decvalue d = dec(c.value);
        EXPECT_EQ(dec2prec(&d), c.measured) << c.value;
        EXPECT_EQ(decprec(&d), c.raised) << c.value;
    }
}

TEST(DecimalPrecision, CheckAgainstDeclaration)
{
    struct {
        const char *value;
        int p, s;
        int fits;
        const char *after;
    } cases[] = {
        {"123.456", 5, 2, 0, "123.46"},   {"1234.5", 5, 2, -1, "1234.5"}, {"999.995", 5, 2, -1, "1000"},
        {"0.001", 3, 3, 0, "0.001"},      {"12", 2, 0, 0, "12"},          {"123", 2, 0, -1, "123"},
        {"NULL", 5, 2, 0, "NULL"},        {"0", 1, 0, 0, "0"},
        {"0.33333333333333333333333333333333", 10, DEC_FLOATING, 0, "0.3333333333"},
        {"123456789012", 10, DEC_FLOATING, 0, "123456789000"},
    };
    for (const auto &c : cases) {
        decvalue d = dec(c.value);
        EXPECT_EQ(chkprec(&d, c.p * 256 + c.s), c.fits) << c.value;
        EXPECT_EQ(text(d), c.after) << c.value;
    }
}

TEST(DecimalRecord, CopyAndZeroTest)
{
    decvalue src = dec("-4.56"), dst;
    std::memset(&dst, 0x77, sizeof dst);
    deccopy(&src, &dst);
    EXPECT_EQ(text(dst), "-4.56");
    EXPECT_EQ(dst.digits[2], 0x77);  // only ndigits pairs are copied
    deccopy(&dst, &dst);
    EXPECT_EQ(text(dst), "-4.56");

    decvalue zero = dec("0"), null = dec("NULL");
    EXPECT_EQ(dec_is_zero(&zero), 1);
    EXPECT_EQ(dec_is_zero(&null), 0);
    EXPECT_EQ(dec_is_zero(&src), 0);
}

// Records built by hand with bad fields: every function reads them within
// the record, the way incl/decimal.h documents.
TEST(DecimalBadRecords, FieldsOutOfRangeAreReadSafely)
{
    decvalue long_count = raw(1, 1, {12, 34}, 300), r;
    long_count.digits[2] = 0;
    decvalue big_pairs = raw(1, 1, {200, 255});
    decvalue negative_count = raw(1, 5, {7}, -9);
    decvalue one = dec("1");

    EXPECT_EQ(decadd(&long_count, &one, &r), 0);
    EXPECT_EQ(text(r), "13.34");  // ndigits read as 16; the other pairs are 0
    EXPECT_EQ(decadd(&big_pairs, &one, &r), 0);
    EXPECT_EQ(text(r), "100.99");  // pairs above 99 read as 99
    EXPECT_EQ(decmul(&negative_count, &one, &r), 0);
    EXPECT_EQ(text(r), "0");
    EXPECT_EQ(deccmp(&big_pairs, &one), 1);

    unsigned char out[18];
    stdecimal(&big_pairs, out, 4);
    EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{0xC1, 99, 99, 0}));
    deccopy(&long_count, &r);
    EXPECT_EQ(r.ndigits, 300);
    EXPECT_EQ(dec2prec(&long_count), 31 * 256 + 29);
    dectrunc(&long_count, 2);
    EXPECT_EQ(text(long_count), "12.34");
    decvalue wide = raw(1, 2, {99, 99, 150}, 40);
    decround(&wide, 0);
    EXPECT_EQ(text(wide), "10000");
}

TEST(DecimalBadRecords, DivisorWithLeadingZeroPair)
{
    decvalue a = dec("1"), b = raw(1, 1, {0, 5}), zero_pairs = raw(1, 3, {0, 0, 0}), r;
    EXPECT_EQ(decdiv(&a, &b, &r), 0);
    EXPECT_EQ(text(r), "20");  // 1 / 0.05
    EXPECT_EQ(decdiv(&a, &zero_pairs, &r), DEC_DIVZERO);
    EXPECT_EQ(text(r), "0");
    decvalue c = raw(0, 0, {0, 0, 3});
    EXPECT_EQ(deccmp(&c, &a), -1);
    EXPECT_EQ(decadd(&c, &a, &r), 0);
    EXPECT_EQ(text(r), "0.999997");
}

TEST(DecimalBadRecords, LoadClampsPairBytes)
{
    unsigned char run[] = {0, 150, 255, 7};
    decvalue d;
    EXPECT_EQ(decload(&d, 1, 2, run, 4), 0);
    EXPECT_EQ(pairs_of(d), (std::vector<int>{99, 99, 7}));
    EXPECT_EQ(decload(&d, 1, 2, run, -5), 0);
    EXPECT_EQ(text(d), "0");
    unsigned char form[] = {0xC1, 200, 0};
    EXPECT_EQ(lddecimal(form, 3, &d), 0);
    EXPECT_EQ(text(d), "99");
}

}  // namespace
