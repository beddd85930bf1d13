// INT8 edge cases through the public functions: results and statuses of
// the arithmetic at its limits, positive zeros, hand-built records, the
// stored form, the integer conversions and their NULLs, text in and out
// (cut texts, read-only text, hexadecimal, exponents, a German client) and
// the DECIMAL and floating conversions with their NULLs.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "decconv.h"
#include "int8.h"

namespace {

int8value of(int64_t x)
{
    int8value v{};
    const uint64_t mag = x < 0 ? 0 - static_cast<uint64_t>(x) : static_cast<uint64_t>(x);
    v.data[0] = static_cast<uint32_t>(mag);
    v.data[1] = static_cast<uint32_t>(mag >> 32);
    v.sign = x < 0 ? -1 : 1;
    return v;
}

const int8value kNull = {{0, 0}, 0};
const int8value kSentinel = {{0xDEADBEEF, 0x01234567}, 7};
constexpr int64_t kMax = INT64_MAX;

// The value of a record, which must be well formed (zero positive).
int64_t value(const int8value &v)
{
    EXPECT_TRUE(v.sign == 1 || v.sign == -1) << v.sign;
    EXPECT_FALSE(v.sign == -1 && v.data[0] == 0 && v.data[1] == 0) << "negative zero";
    const uint64_t mag = (uint64_t{v.data[1]} << 32) | v.data[0];
    return v.sign < 0 ? -static_cast<int64_t>(mag) : static_cast<int64_t>(mag);
}

bool same(const int8value &x, const int8value &y)
{
    return x.data[0] == y.data[0] && x.data[1] == y.data[1] && x.sign == y.sign;
}

bool is_null(const int8value &v) { return v.sign == 0 && v.data[0] == 0 && v.data[1] == 0; }

using Op = int (*)(const int8value *, const int8value *, int8value *);

struct ArithCase {
    Op op;
    int64_t a, b;
    int status;
    int64_t result;
};

TEST(Int8Arithmetic, ResultsAtTheLimitsAndZerosArePositive)
{
    const ArithCase cases[] = {
        {trw_int8add, kMax, 1, INT8_OVERFLOW, 0},
        {trw_int8add, kMax - 1, 1, 0, kMax},
        {trw_int8sub, -kMax, 1, INT8_OVERFLOW, 0},
        {trw_int8add, -kMax, kMax, 0, 0},
        {trw_int8add, 4294967295, 1, 0, 4294967296}, // carries into the high word
        {trw_int8add, 65535, 1, 0, 65536},
        {trw_int8sub, 4294967296, 1, 0, 4294967295},
        {trw_int8sub, 5, 5, 0, 0},
        {trw_int8sub, -5, -5, 0, 0},
        {trw_int8mul, -2, -3, 0, 6},
        {trw_int8mul, 0, -5, 0, 0},
        {trw_int8mul, -5, 0, 0, 0},
        {trw_int8mul, 4294967296, 4294967296, INT8_OVERFLOW, 0}, // beyond the fourth limb
        {trw_int8mul, 3037000499, 3037000499, 0, 9223372030926249001},
        {trw_int8mul, 4611686018427387904, 2, INT8_OVERFLOW, 0},
        {trw_int8mul, -4611686018427387904, 2, INT8_OVERFLOW, 0},
        {trw_int8div, -7, 2, 0, -3},
        {trw_int8div, 7, -2, 0, -3},
        {trw_int8div, 5, 7, 0, 0},
        {trw_int8div, -5, 7, 0, 0},
        {trw_int8div, 5, 0, INT8_DIVZERO, 0},
        {trw_int8div, kMax, -1, 0, -kMax},
        {trw_int8div, kMax, 4294967296, 0, 2147483647},
    };
    for (const ArithCase &c : cases) {
        const int8value a = of(c.a), b = of(c.b);
        int8value r = kSentinel;
        EXPECT_EQ(c.op(&a, &b, &r), c.status) << c.a << " " << c.b;
        if (c.status == 0)
            EXPECT_EQ(value(r), c.result) << c.a << " " << c.b;
        else
            EXPECT_TRUE(same(r, kSentinel)) << "a failed operation leaves its result alone";
    }
}

TEST(Int8Arithmetic, NullComesBeforeEveryOtherTest)
{
    const int8value zero = of(0), five = of(5);
    for (Op op : {trw_int8add, trw_int8sub, trw_int8mul, trw_int8div}) {
        int8value r = kSentinel;
        EXPECT_EQ(op(&kNull, &zero, &r), 0);
        EXPECT_TRUE(is_null(r));
        r = kSentinel;
        EXPECT_EQ(op(&five, &kNull, &r), 0);
        EXPECT_TRUE(is_null(r));
    }
    // A stored NULL may keep its words; it is NULL all the same and the
    // result is a clean NULL.
    const int8value dirty = {{5, 7}, 0};
    int8value r = kSentinel;
    EXPECT_EQ(trw_int8add(&dirty, &five, &r), 0);
    EXPECT_TRUE(is_null(r));
    EXPECT_EQ(trw_int8iszero(&dirty), 0);
}

TEST(Int8Arithmetic, HandBuiltRecordsReadBySignSide)
{
    const int8value minus_zero = {{0, 0}, -1};
    const int8value big_sign = {{3, 0}, 9};   // reads as +3
    const int8value low_sign = {{3, 0}, -42}; // reads as -3
    const int8value zero = of(0);
    EXPECT_EQ(trw_int8cmp(&minus_zero, &zero), 0);
    EXPECT_EQ(trw_int8cmp_det(&minus_zero, &zero), 0);
    EXPECT_EQ(trw_int8iszero(&minus_zero), 1);
    int8value r{};
    ASSERT_EQ(trw_int8add(&big_sign, &low_sign, &r), 0);
    EXPECT_EQ(value(r), 0);
    ASSERT_EQ(trw_int8mul(&minus_zero, &big_sign, &r), 0);
    EXPECT_EQ(value(r), 0);
    // A magnitude of 2^63 or more is read as it is; results that cannot be
    // held overflow, others are exact.
    const int8value huge = {{0, 0x80000000u}, 1};
    const int8value minus_one = of(-1);
    r = kSentinel;
    EXPECT_EQ(trw_int8add(&huge, &zero, &r), INT8_OVERFLOW);
    EXPECT_TRUE(same(r, kSentinel));
    ASSERT_EQ(trw_int8add(&huge, &minus_one, &r), 0);
    EXPECT_EQ(value(r), kMax);
    EXPECT_EQ(trw_int8div(&huge, &minus_one, &r), INT8_OVERFLOW);
    char text[24];
    EXPECT_EQ(trw_int8tostr(&huge, text, sizeof text), 0);
    EXPECT_STREQ(text, "9223372036854775808");
}

TEST(Int8Compare, OrderAndNulls)
{
    const int8value m = of(-5), p = of(5), z = of(0), h = of(4294967296);
    EXPECT_EQ(trw_int8cmp(&m, &p), -1);
    EXPECT_EQ(trw_int8cmp(&p, &m), 1);
    EXPECT_EQ(trw_int8cmp(&h, &p), 1);
    const int8value mh = of(-4294967296);
    EXPECT_EQ(trw_int8cmp(&mh, &m), -1) << "negative values compare reversed";
    EXPECT_EQ(trw_int8cmp(&z, &z), 0);
    EXPECT_EQ(trw_int8cmp(&kNull, &p), -2);
    EXPECT_EQ(trw_int8cmp(&p, &kNull), -2);
    EXPECT_EQ(trw_int8cmp_det(&kNull, &kNull), 0);
    EXPECT_EQ(trw_int8cmp_det(&kNull, &m), -1);
    EXPECT_EQ(trw_int8cmp_det(&m, &kNull), 1);
}

TEST(Int8Serial, IncrementWrapsToOne)
{
    int8value r{};
    const int8value top = of(kMax), minus_two = of(-2), minus_one = of(-1);
    EXPECT_EQ(serial8inc(&top, &r), 0);
    EXPECT_EQ(value(r), 1);
    EXPECT_EQ(serial8inc(&minus_two, &r), 0);
    EXPECT_EQ(value(r), -1);
    EXPECT_EQ(serial8inc(&minus_one, &r), 0);
    EXPECT_EQ(value(r), 0);
    r = kSentinel;
    EXPECT_EQ(serial8inc(&kNull, &r), INT8_NULLSERIAL);
    EXPECT_TRUE(is_null(r));
    int8value self = of(41);
    EXPECT_EQ(serial8inc(&self, &self), 0);
    EXPECT_EQ(value(self), 42);
    EXPECT_EQ(value(const_int8one), 1);
    int8value copy = kSentinel;
    trw_int8copy(&top, &copy);
    EXPECT_TRUE(same(copy, top));
}

TEST(Int8Stored, BytesAtAnyAlignment)
{
    const struct {
        int8value v;
        unsigned char bytes[10];
    } cases[] = {
        {of(1), {0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}},
        {of(-4294967296), {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}},
        {of(0x0102030405060708), {0x00, 0x01, 0x05, 0x06, 0x07, 0x08, 0x01, 0x02, 0x03, 0x04}},
        {{{9, 8}, 0}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x08}},
    };
    for (const auto &c : cases) {
        for (int offset = 0; offset < 8; ++offset) {
            unsigned char buf[20];
            std::memset(buf, 0xAA, sizeof buf);
            stint8(&c.v, buf + offset);
            EXPECT_EQ(std::memcmp(buf + offset, c.bytes, 10), 0) << offset;
            EXPECT_EQ(buf[offset + 10], 0xAA);
            int8value back = kSentinel;
            ldint8(buf + offset, &back);
            EXPECT_TRUE(same(back, c.v));
        }
    }
}

TEST(Int8Integers, ThirtyTwoBitsAndTheirNulls)
{
    int8value v = kSentinel;
    EXPECT_EQ(trw_int8cvlong(INT32_MIN, &v), 0);
    EXPECT_TRUE(is_null(v));
    EXPECT_EQ(trw_int8cvlong(-7, &v), 0);
    EXPECT_EQ(value(v), -7);
    EXPECT_EQ(trw_int8cvint(-32768, &v), 0);
    EXPECT_TRUE(is_null(v));
    EXPECT_EQ(trw_int8cvint(100000, &v), 0);
    EXPECT_EQ(value(v), 100000);

    int32_t l = 99;
    const int8value big = of(2147483648), top = of(2147483647), low = of(-2147483647);
    EXPECT_EQ(trw_int8tolong(&big, &l), INT8_OVERFLOW);
    EXPECT_EQ(l, 99);
    EXPECT_EQ(trw_int8toint4(&top, &l), 0);
    EXPECT_EQ(l, 2147483647);
    EXPECT_EQ(trw_int8tolong(&low, &l), 0);
    EXPECT_EQ(l, -2147483647);
    EXPECT_EQ(trw_int8tolong(&kNull, &l), 0);
    EXPECT_EQ(l, INT32_MIN);

    int i = 99;
    int16_t s = 99;
    const int8value over = of(32768), edge = of(-32767);
    EXPECT_EQ(trw_int8toint(&over, &i), INT8_NOTSHORT);
    EXPECT_EQ(trw_int8toint(&big, &i), INT8_NOTSHORT);
    EXPECT_EQ(trw_int8toint2(&over, &s), INT8_NOTSHORT);
    EXPECT_EQ(i, 99);
    EXPECT_EQ(s, 99);
    EXPECT_EQ(trw_int8toint2(&edge, &s), 0);
    EXPECT_EQ(s, -32767);
    EXPECT_EQ(trw_int8toint(&kNull, &i), 0);
    EXPECT_EQ(i, -32768);
    EXPECT_EQ(trw_int8toint2(&kNull, &s), 0);
    EXPECT_EQ(s, -32768);

    const int8value words = of(-0x123456789A);
    EXPECT_EQ(trw_int8high(&words, &l), 0);
    EXPECT_EQ(l, 0x12);
    EXPECT_EQ(trw_int8low(&words, &l), 0);
    EXPECT_EQ(l, 0x3456789A);
    const int8value high_bit = {{0x80000000u, 0}, 1};
    EXPECT_EQ(trw_int8low(&high_bit, &l), 0);
    EXPECT_EQ(l, INT32_MIN) << "the raw word";
    EXPECT_EQ(trw_int8high(&kNull, &l), 0);
    EXPECT_EQ(l, INT32_MIN);
}

TEST(Int8Integers, FileOffsets)
{
    int8value v = kSentinel;
    EXPECT_EQ(int8cvtarw_off_t(INT64_MIN, &v), INT8_OVERFLOW);
    EXPECT_TRUE(same(v, kSentinel));
    EXPECT_EQ(int8cvtarw_off_t(-2147483648LL, &v), 0);
    EXPECT_TRUE(is_null(v));
    EXPECT_EQ(int8cvtarw_off_t(-kMax, &v), 0);
    EXPECT_EQ(value(v), -kMax);
    int64_t off = 5;
    EXPECT_EQ(int8totarw_off_t(&v, &off), 0);
    EXPECT_EQ(off, -kMax);
    EXPECT_EQ(int8totarw_off_t(&kNull, &off), 0);
    EXPECT_EQ(off, -2147483648LL);
    const int8value huge = {{0, 0x80000000u}, -1};
    off = 5;
    EXPECT_EQ(int8totarw_off_t(&huge, &off), INT8_OVERFLOW);
    EXPECT_EQ(off, 5);
}

// ---- text in ------------------------------------------------------------------------------

struct TextCase {
    const char *text;
    int status;
    int64_t result;
};

void expect_texts(const TextCase *cases, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const TextCase &c = cases[i];
        int8value v = kSentinel;
        EXPECT_EQ(trw_int8cvasc(c.text, static_cast<int>(std::strlen(c.text)), &v), c.status) << '"' << c.text << '"';
        if (c.status == 0)
            EXPECT_EQ(value(v), c.result) << c.text;
        else
            EXPECT_TRUE(same(v, kSentinel)) << c.text;
    }
}

TEST(Int8Cvasc, DecimalTextsTruncatedAfterTheExponent)
{
    const TextCase cases[] = {
        {"12.9", 0, 12},
        {"-12.9", 0, -12},
        {"1e3", 0, 1000},
        {"15e-1", 0, 1},
        {"1.5e1", 0, 15},
        {"12.5e1", 0, 125},
        {"0.5e1", 0, 5},
        {"92233720368547758079e-1", 0, kMax},
        {"9223372036854775807", 0, kMax},
        {"-9223372036854775807", 0, -kMax},
        {"9223372036854775808", INT8_OVERFLOW, 0},
        {"-9223372036854775808", INT8_OVERFLOW, 0},
        {"00000000000000000000042", 0, 42},
        {"  +42  ", 0, 42},
        {"1,234,5", 0, 12345}, // separators are not checked against the grouping
        {".5", 0, 0},
        {".", 0, 0},
        {"1E+2", 0, 100},
        {"1e19", INT8_OVERFLOW, 0},
        {"1e18", 0, 1000000000000000000},
        {"0e999999999", 0, 0},
        {"0e99999999999999999999999", 0, 0},
        {"1e-2000000000", 0, 0},
        {"5e99999999999999999999999", INT8_OVERFLOW, 0},
        {"1e-99999999999999999999999", 0, 0},
    };
    expect_texts(cases, std::size(cases));
}

TEST(Int8Cvasc, ZerosOfEveryFormArePositive)
{
    const TextCase cases[] = {{"-0", 0, 0}, {"-0.5", 0, 0}, {"-5e-1", 0, 0}, {"-0x0", 0, 0}, {"-.", 0, 0}};
    expect_texts(cases, std::size(cases));
}

TEST(Int8Cvasc, HexadecimalPatterns)
{
    const TextCase cases[] = {
        {"0xFFFFFFFFFFFFFFFF", 0, -1},
        {"-0x10", 0, 16},
        {"0x7fffffffffffffff", 0, kMax},
        {"0x8000000000000001", 0, -kMax},
        {"0x8000000000000000", INT8_OVERFLOW, 0},
        {"0x0000000000000000000000ff", 0, 255},
        {"0x1FFFFFFFFFFFFFFFF", INT8_OVERFLOW, 0},
        {"0XaB  ", 0, 171},
        {"0x", INT8_NOTNUMBER, 0},
        {"0x 1", INT8_NOTNUMBER, 0},
        {"0x1g", INT8_NOTNUMBER, 0},
        {"0x1.5", INT8_NOTNUMBER, 0},
    };
    expect_texts(cases, std::size(cases));
}

TEST(Int8Cvasc, NotNumbers)
{
    const TextCase cases[] = {
        {"   ", INT8_NOTNUMBER, 0}, {"abc", INT8_NOTNUMBER, 0},  {"12a", INT8_NOTNUMBER, 0},
        {"1 2", INT8_NOTNUMBER, 0}, {"--1", INT8_NOTNUMBER, 0},  {"1e", INT8_NOTNUMBER, 0},
        {"1e+", INT8_NOTNUMBER, 0}, {"1e 2", INT8_NOTNUMBER, 0}, {"1.2.3", INT8_NOTNUMBER, 0},
        {"1,", INT8_NOTNUMBER, 0},  {",1", INT8_NOTNUMBER, 0},   {"1.5,0", INT8_NOTNUMBER, 0},
        {"- 1", INT8_NOTNUMBER, 0}, {"1e2.5", INT8_NOTNUMBER, 0}, {"+", INT8_NOTNUMBER, 0},
        {"1e2 ", 0, 100},
    };
    expect_texts(cases, std::size(cases));
}

TEST(Int8Cvasc, LengthBoundsTheTextAndNothingIsWritten)
{
    // The text ends a read-only page that a protected page follows: a read
    // past the length or any write faults.
    const long page = sysconf(_SC_PAGESIZE);
    char *map = static_cast<char *>(mmap(nullptr, static_cast<size_t>(2 * page), PROT_READ | PROT_WRITE,
                                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(map, MAP_FAILED);
    const char digits[] = "123456789";
    char *text = map + page - 9;
    std::memcpy(text, digits, 9);
    ASSERT_EQ(mprotect(map, static_cast<size_t>(page), PROT_READ), 0);
    ASSERT_EQ(mprotect(map + page, static_cast<size_t>(page), PROT_NONE), 0);
    int8value v{};
    EXPECT_EQ(trw_int8cvasc(text, 9, &v), 0);
    EXPECT_EQ(value(v), 123456789);
    EXPECT_EQ(trw_int8cvasc(text, 3, &v), 0) << "digits after the length are not read";
    EXPECT_EQ(value(v), 123);
    EXPECT_EQ(trw_int8cvasc(text + 8, 1, &v), 0);
    EXPECT_EQ(value(v), 9);
    munmap(map, static_cast<size_t>(2 * page));

    const char with_nul[] = "42\0" "99";
    EXPECT_EQ(trw_int8cvasc(with_nul, 5, &v), 0) << "a NUL ends the text";
    EXPECT_EQ(value(v), 42);
    v = kSentinel;
    EXPECT_EQ(trw_int8cvasc("", 5, &v), 0);
    EXPECT_TRUE(is_null(v));
    v = kSentinel;
    EXPECT_EQ(trw_int8cvasc("12", 0, &v), 0);
    EXPECT_TRUE(is_null(v));
    v = kSentinel;
    EXPECT_EQ(trw_int8cvasc("12", -1, &v), INT8_NOTNUMBER);
    EXPECT_TRUE(same(v, kSentinel));
}

TEST(Int8Cvasc, GermanClientReadsCommaPointAndDotGroups)
{
    setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
    unsetenv("DBMONEY");
    const TextCase cases[] = {
        {"1.234.567,89", 0, 1234567}, {"-12,9", 0, -12},         {"1,5e1", 0, 15},
        {"12.5", 0, 125},             {"12.5,5", 0, 125},        {"1,234,5", INT8_NOTNUMBER, 0},
        {",5", 0, 0},                 {"0x1F", 0, 31},
    };
    expect_texts(cases, std::size(cases));
}

TEST(Int8Cvasc, LocaleThatCannotBeLoadedGivesItsStatus)
{
    setenv("CLIENT_LOCALE", "xx_YY.8859-1", 1);
    int8value v = kSentinel;
    const int status = trw_int8cvasc("12", 2, &v);
    EXPECT_LT(status, -23100);
    EXPECT_TRUE(same(v, kSentinel));
    EXPECT_EQ(trw_int8cvasc("", 1, &v), 0) << "an empty text needs no locale";
    EXPECT_TRUE(is_null(v));
}

// ---- text out -----------------------------------------------------------------------------

TEST(Int8Text, FieldsAndBuffers)
{
    char buf[8];
    const int8value minus_one = of(-1), v = of(1234567);
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(trw_int8tostr(&minus_one, buf, 1), INT8_TOOLONG);
    EXPECT_EQ(std::string(buf, 2), "*#");
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(trw_int8tostr(&v, buf, 7), INT8_TOOLONG) << "no room for the terminator";
    EXPECT_EQ(std::string(buf, 8), "*******#");
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(trw_int8toasc(&v, buf, 7), 0) << "a field exactly as long as the text";
    EXPECT_EQ(std::string(buf, 8), "1234567#");
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(trw_int8toasc(&kNull, buf, 4), 0);
    EXPECT_EQ(std::string(buf, 5), "    #");
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(trw_int8tostr(&kNull, buf, 3), 0);
    EXPECT_EQ(std::string(buf, 4), "   #");
    EXPECT_EQ(trw_int8tostr(&v, buf, 0), INT8_TOOLONG);
    EXPECT_EQ(trw_int8toasc(&v, buf, -3), INT8_TOOLONG);
    EXPECT_EQ(buf[0], ' ');
}

// ---- DECIMAL ------------------------------------------------------------------------------

decvalue decimal(const char *text)
{
    decvalue d{};
    EXPECT_EQ(deccvasc(text, static_cast<int>(std::strlen(text)), &d), 0) << text;
    return d;
}

TEST(Int8Decimal, IntegerPartsAndNulls)
{
    const struct {
        const char *text;
        int status;
        int64_t result;
    } cases[] = {
        {"-0.5", 0, 0},
        {"0.001", 0, 0},
        {"123.99", 0, 123},
        {"-123.99", 0, -123},
        {"9223372036854775807.9", 0, kMax},
        {"9223372036854775808", INT8_OVERFLOW, 0},
        {"1e30", INT8_OVERFLOW, 0},
        {"120000", 0, 120000},
    };
    for (const auto &c : cases) {
        const decvalue d = decimal(c.text);
        decvalue arg = d;
        int8value v = kSentinel;
        EXPECT_EQ(trw_int8cvdec(&arg, &v), c.status) << c.text;
        EXPECT_EQ(std::memcmp(&arg, &d, sizeof d), 0) << "the argument is not changed";
        if (c.status == 0)
            EXPECT_EQ(value(v), c.result) << c.text;
        else
            EXPECT_TRUE(same(v, kSentinel));
    }
    // A hand-built record led by zero pairs: they are skipped.
    decvalue led{};
    led.sign = 0;
    led.exponent = 3;
    led.ndigits = 3;
    led.digits[0] = 0;
    led.digits[1] = 12;
    led.digits[2] = 34;
    int8value from_led = kSentinel;
    EXPECT_EQ(trw_int8cvdec(&led, &from_led), 0);
    EXPECT_EQ(value(from_led), -1234);
    decvalue null_dec{};
    null_dec.sign = -1;
    int8value v = kSentinel;
    EXPECT_EQ(trw_int8cvdec(&null_dec, &v), 0);
    EXPECT_TRUE(is_null(v));
    decvalue out = decimal("5");
    EXPECT_EQ(trw_int8todec(&kNull, &out), 0);
    EXPECT_EQ(out.sign, -1);
    EXPECT_EQ(out.ndigits, 0);
    const int8value zero = of(0);
    EXPECT_EQ(deccvint8(&zero, &out), 0);
    EXPECT_EQ(dec_is_zero(&out), 1);
    EXPECT_EQ(out.sign, 1);
}

// ---- floating point -----------------------------------------------------------------------

TEST(Int8Floating, SpecialValuesAndNulls)
{
    int8value v = kSentinel;
    double null_double;
    std::memset(&null_double, 0xFF, sizeof null_double);
    float null_float;
    std::memset(&null_float, 0xFF, sizeof null_float);
    for (double d : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(), null_double}) {
        EXPECT_EQ(trw_int8cvdbl(d, &v), INT8_NOTFINITE);
        EXPECT_TRUE(same(v, kSentinel));
    }
    EXPECT_EQ(trw_int8cvflt(std::numeric_limits<float>::quiet_NaN(), &v), INT8_NOTFINITE);
    EXPECT_EQ(trw_int8cvflt(null_float, &v), 0);
    EXPECT_TRUE(is_null(v));
    for (double d : {-0.0, -0.5, 0.5}) {
        EXPECT_EQ(trw_int8cvdbl(d, &v), 0);
        EXPECT_EQ(value(v), 0);
    }
    EXPECT_EQ(trw_int8cvdbl(3000000000.5, &v), 0);
    EXPECT_EQ(value(v), 3000000000);
    EXPECT_EQ(trw_int8cvdbl(std::ldexp(1.0, 62), &v), 0);
    EXPECT_EQ(value(v), int64_t{1} << 62);
    EXPECT_EQ(trw_int8cvdbl(std::ldexp(1.0, 63), &v), INT8_OVERFLOW);
    EXPECT_EQ(trw_int8cvdbl(-std::ldexp(1.0, 63), &v), INT8_OVERFLOW);

    double d = 0;
    float f = 0;
    EXPECT_EQ(trw_int8todbl(&kNull, &d), 0);
    EXPECT_EQ(std::memcmp(&d, &null_double, sizeof d), 0);
    EXPECT_EQ(trw_int8toflt(&kNull, &f), 0);
    EXPECT_EQ(std::memcmp(&f, &null_float, sizeof f), 0);
    const int8value top = of(kMax);
    EXPECT_EQ(trw_int8toflt(&top, &f), 0);
    EXPECT_EQ(f, 9223372036854775808.0f);
}

} // namespace
