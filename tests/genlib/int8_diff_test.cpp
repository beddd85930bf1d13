// INT8 against independent references: the arithmetic against 128-bit
// integers computed here, text against snprintf, strtoll and strtoull and
// an exact digit-string reference, DECIMAL against deccvasc and dectrunc,
// floating values against C's own conversions. Random operands lean toward
// the edges: every bit length, values next to 2^63, 2^32 and 16-bit limb
// boundaries, 0, 1, -1 and NULL. INT8_DIFF_CASES per operation (1,000,000
// with TRW_TEST_FULL=1).
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "../../genlib/int8int.h"
#include "decconv.h"
#include "int8.h"

#ifndef INT8_DIFF_CASES
#define INT8_DIFF_CASES 50000
#endif

namespace {

using i128 = __int128;
constexpr i128 kLimit = static_cast<i128>(1) << 63;

long cases()
{
    const char *full = std::getenv("TRW_TEST_FULL");
    return full != nullptr && std::strcmp(full, "1") == 0 ? 1000000 : INT8_DIFF_CASES;
}

// An operand: NULL, or a value with |value| < 2^63.
struct Operand {
    bool null;
    i128 value;
};

int8value record(const Operand &o)
{
    int8value v{};
    if (o.null)
        return v;
    const bool neg = o.value < 0;
    const uint64_t mag = static_cast<uint64_t>(neg ? -o.value : o.value);
    v.data[0] = static_cast<uint32_t>(mag);
    v.data[1] = static_cast<uint32_t>(mag >> 32);
    v.sign = neg ? -1 : 1;
    return v;
}

// The value a record holds, by its fields.
i128 held(const int8value &v)
{
    const i128 mag = (static_cast<i128>(v.data[1]) << 32) | v.data[0];
    return v.sign < 0 ? -mag : mag;
}

// A well-formed result record: positive zero, magnitude below 2^63.
bool well_formed(const int8value &v)
{
    if (v.sign == 0)
        return v.data[0] == 0 && v.data[1] == 0;
    if (v.sign != 1 && v.sign != -1)
        return false;
    if (v.data[1] >> 31 != 0)
        return false;
    return !(v.sign == -1 && v.data[0] == 0 && v.data[1] == 0);
}

struct Generator {
    std::mt19937_64 rng{20261209};

    uint64_t bits(int n) { return n == 0 ? 0 : rng() >> (64 - n); }

    // A magnitude below 2^63 leaning toward the edges.
    uint64_t magnitude()
    {
        const uint64_t small = rng() % 5;
        switch (rng() % 8) {
        case 0: return (uint64_t{1} << 63) - 1 - small;
        case 1: return (uint64_t{1} << 32) + small - 2;
        case 2: return (uint64_t{1} << (16 * (1 + rng() % 3))) + small - 2;
        case 3: return small;
        case 4: { // a square root of the edge: products near 2^63
            const double root = std::sqrt(9223372036854775807.0) * (0.5 + (rng() % 1000) / 1000.0);
            return static_cast<uint64_t>(root) + small;
        }
        default: {
            const int n = static_cast<int>(rng() % 64);
            return n == 0 ? 0 : bits(n) | (uint64_t{1} << (n - 1));
        }
        }
    }

    Operand operand()
    {
        if (rng() % 64 == 0)
            return {true, 0};
        const i128 m = magnitude() & ((uint64_t{1} << 63) - 1);
        return {false, rng() % 2 ? -m : m};
    }

    // A divisor of some bit length and a dividend with a quotient 0..3 and a
    // remainder near 0 or near the divisor, or a random dividend.
    void division_pair(Operand &a, Operand &b)
    {
        b = operand();
        a = operand();
        if (b.null || rng() % 2 == 0)
            return;
        const i128 d = b.value < 0 ? -b.value : b.value;
        const i128 q = static_cast<i128>(rng() % 4);
        const i128 slack = static_cast<i128>(rng() % 3);
        const i128 r = rng() % 2 ? slack : d - 1 - slack;
        i128 n = q * d + (r >= 0 && r < d ? r : 0);
        if (n >= kLimit)
            n = d;
        a = {false, rng() % 2 ? -n : n};
    }
};

// A second operand for comparison: often equal to the first or next to it.
Operand rng_same(Generator &g, const Operand &a)
{
    if (a.null || g.rng() % 2)
        return g.operand();
    Operand b = a;
    const int step = static_cast<int>(g.rng() % 3) - 1;
    if (b.value + step < kLimit && b.value + step > -kLimit)
        b.value += step;
    return b;
}

const int8value kSentinel = {{0xDEADBEEF, 0x01234567}, 7};

bool same(const int8value &x, const int8value &y)
{
    return x.data[0] == y.data[0] && x.data[1] == y.data[1] && x.sign == y.sign;
}

using Op = int (*)(const int8value *, const int8value *, int8value *);

// Checks one operation on one pair in all three placements of the result.
void check_pair(Op op, const char *name, const Operand &a, const Operand &b, bool nullres, i128 expect,
                int expect_status, long &mismatches)
{
    const int8value ra = record(a);
    const int8value rb = record(b);
    auto verify = [&](const int8value &out, int status, const int8value &before, const char *where) {
        bool ok;
        if (nullres)
            ok = status == 0 && out.sign == 0 && out.data[0] == 0 && out.data[1] == 0;
        else if (expect_status != 0)
            ok = status == expect_status && same(out, before);
        else
            ok = status == 0 && well_formed(out) && held(out) == expect;
        if (!ok && ++mismatches < 10)
            ADD_FAILURE() << name << " " << where << ": a " << static_cast<long long>(a.value) << (a.null ? "(NULL)" : "")
                          << " b " << static_cast<long long>(b.value) << (b.null ? "(NULL)" : "") << " status " << status;
    };
    int8value out = kSentinel;
    verify(out, op(&ra, &rb, &out), kSentinel, "separate");
    int8value x = ra;
    verify(x, op(&x, &rb, &x), ra, "aliasing a");
    int8value y = rb;
    verify(y, op(&ra, &y, &y), rb, "aliasing b");
}

void expect_arith(Op op, const char *name, i128 (*ref)(i128, i128))
{
    Generator g;
    long mismatches = 0;
    for (long i = 0; i < cases(); ++i) {
        const Operand a = g.operand();
        const Operand b = g.operand();
        const i128 r = a.null || b.null ? 0 : ref(a.value, b.value);
        const bool over = r >= kLimit || r <= -kLimit;
        check_pair(op, name, a, b, a.null || b.null, r, over ? INT8_OVERFLOW : 0, mismatches);
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Int8Arithmetic, AddAgainstExactIntegers)
{
    expect_arith(trw_int8add, "add", [](i128 a, i128 b) { return a + b; });
}

TEST(Int8Arithmetic, SubtractAgainstExactIntegers)
{
    expect_arith(trw_int8sub, "sub", [](i128 a, i128 b) { return a - b; });
}

TEST(Int8Arithmetic, MultiplyAgainstExactIntegers)
{
    // Both magnitudes are below 2^63, so the product fits 128 bits.
    expect_arith(trw_int8mul, "mul", [](i128 a, i128 b) { return a * b; });
}

TEST(Int8Arithmetic, DivideWithRemainderAgainstExactIntegers)
{
    Generator g;
    long mismatches = 0;
    for (long i = 0; i < cases(); ++i) {
        Operand a, b;
        g.division_pair(a, b);
        const bool nullres = a.null || b.null;
        const bool zero = !nullres && b.value == 0;
        const i128 q = nullres || zero ? 0 : a.value / b.value;
        check_pair(trw_int8div, "div", a, b, nullres, q, zero ? INT8_DIVZERO : 0, mismatches);

        const int8value ra = record(a), rb = record(b);
        int8value quot = kSentinel, rem = kSentinel;
        const int status = int8ops::divide(&ra, &rb, &quot, &rem);
        bool ok;
        if (nullres)
            ok = status == 0 && quot.sign == 0 && rem.sign == 0;
        else if (zero)
            ok = status == INT8_DIVZERO && same(quot, kSentinel) && same(rem, kSentinel);
        else
            ok = status == 0 && well_formed(quot) && well_formed(rem) && held(quot) == q &&
                 held(rem) == a.value % b.value;
        if (!ok && ++mismatches < 10)
            ADD_FAILURE() << "divide " << static_cast<long long>(a.value) << " by " << static_cast<long long>(b.value);
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Int8Arithmetic, CompareAgainstExactIntegers)
{
    Generator g;
    long mismatches = 0;
    for (long i = 0; i < cases(); ++i) {
        const Operand a = g.operand();
        const Operand b = rng_same(g, a);
        const int8value ra = record(a), rb = record(b);
        const int order = a.value < b.value ? -1 : (a.value > b.value ? 1 : 0);
        const int expect = a.null || b.null ? -2 : order;
        const int expect_det = a.null || b.null ? (b.null ? 1 : 0) - (a.null ? 1 : 0) : order;
        if ((trw_int8cmp(&ra, &rb) != expect || trw_int8cmp_det(&ra, &rb) != expect_det) && ++mismatches < 10)
            ADD_FAILURE() << "cmp " << static_cast<long long>(a.value) << " " << static_cast<long long>(b.value);
    }
    EXPECT_EQ(mismatches, 0);
}

// ---- text ---------------------------------------------------------------------------------

std::string c_text(i128 v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
    return buf;
}

TEST(Int8Text, ToStrAndToAscAgainstSnprintfAtEveryBufferLength)
{
    Generator g;
    long mismatches = 0;
    const long n = cases() / 20;
    for (long i = 0; i < n; ++i) {
        const Operand o = g.operand();
        const int8value v = record(o);
        const std::string text = o.null ? "" : c_text(o.value);
        const int tlen = static_cast<int>(text.size());
        for (int len = 0; len <= 22; ++len) {
            char buf[24];
            std::memset(buf, '#', sizeof buf);
            const int s1 = trw_int8tostr(&v, buf, len);
            std::string want;
            int want_status = 0;
            if (o.null)
                want = std::string(len, ' ');
            else if (tlen < len)
                want = text + '\0';
            else
                want = std::string(len, '*'), want_status = INT8_TOOLONG;
            bool ok = s1 == want_status && std::string(buf, want.size()) == want && buf[want.size()] == '#';
            std::memset(buf, '#', sizeof buf);
            const int s2 = trw_int8toasc(&v, buf, len);
            if (o.null || tlen <= len)
                want = text + std::string(len - tlen, ' '), want_status = 0;
            else
                want = std::string(len, '*'), want_status = INT8_TOOLONG;
            ok = ok && s2 == want_status && std::string(buf, static_cast<size_t>(len)) == want && buf[len] == '#';
            if (!ok && ++mismatches < 10)
                ADD_FAILURE() << "text of " << text << " in " << len << " bytes";
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Int8Text, CvascAgainstStrtollAndStrtoull)
{
    Generator g;
    long mismatches = 0;
    for (long i = 0; i < cases(); ++i) {
        const Operand o = g.operand();
        if (o.null)
            continue;
        // Decimal: blanks, a sign, the digits, blanks.
        std::string text = std::string(g.rng() % 3, ' ') + (o.value >= 0 && g.rng() % 4 == 0 ? "+" : "") + c_text(o.value) +
                           std::string(g.rng() % 3, ' ');
        int8value v = kSentinel;
        errno = 0;
        const long long want = std::strtoll(text.c_str(), nullptr, 10);
        bool ok = trw_int8cvasc(text.data(), static_cast<int>(text.size()), &v) == 0 && well_formed(v) &&
                  held(v) == want;
        // Hexadecimal: a 64-bit pattern, either case, sign ignored.
        const uint64_t pattern = g.rng() % 2 ? g.rng() : static_cast<uint64_t>(static_cast<int64_t>(o.value));
        char hex[40];
        std::snprintf(hex, sizeof hex, g.rng() % 2 ? "%s0x%" PRIx64 : "%s0X%" PRIX64, g.rng() % 3 ? "" : "-", pattern);
        const uint64_t bits = std::strtoull(std::strchr(hex, 'x') != nullptr ? std::strchr(hex, 'x') + 1
                                                                             : std::strchr(hex, 'X') + 1,
                                            nullptr, 16);
        v = kSentinel;
        const int status = trw_int8cvasc(hex, static_cast<int>(std::strlen(hex)), &v);
        if (bits == uint64_t{1} << 63)
            ok = ok && status == INT8_OVERFLOW && same(v, kSentinel);
        else
            ok = ok && status == 0 && well_formed(v) && held(v) == static_cast<int64_t>(bits);
        if (!ok && ++mismatches < 10)
            ADD_FAILURE() << text << " / " << hex;
    }
    EXPECT_EQ(mismatches, 0);
}

// The number a decimal text writes (integer digits, fraction digits, an
// exponent), truncated toward zero, by moving the point in the digit string.
// Overflow: *over set.
i128 rational_reference(const std::string &integer, const std::string &fraction, long exponent, bool &over)
{
    const std::string digits = integer + fraction;
    const long point = static_cast<long>(integer.size()) + exponent;
    over = false;
    i128 value = 0;
    for (long i = 0; i < point; ++i) {
        const int d = i < static_cast<long>(digits.size()) ? digits[static_cast<size_t>(i)] - '0' : 0;
        value = value * 10 + d;
        if (value >= kLimit) {
            over = true;
            return 0;
        }
    }
    return value;
}

std::string random_digits(Generator &g, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += static_cast<char>('0' + g.rng() % 10);
    return s;
}

TEST(Int8Text, CvascOfFractionsExponentsSeparatorsAndLeadingZerosAgainstDigitStrings)
{
    Generator g;
    long mismatches = 0;
    for (long i = 0; i < cases(); ++i) {
        std::string integer = std::string(g.rng() % 4 == 0 ? g.rng() % 25 : 0, '0') +
                              random_digits(g, static_cast<int>(g.rng() % 21));
        const std::string fraction = g.rng() % 2 ? random_digits(g, static_cast<int>(g.rng() % 22)) : "";
        const bool point = !fraction.empty() || g.rng() % 8 == 0;
        if (integer.empty() && !point)
            integer = "0";
        const long exponent = g.rng() % 2 ? static_cast<long>(g.rng() % 61) - 30 : 0;
        const bool negative = g.rng() % 2;
        // The en_US separator "," between integer digits, in no particular grouping.
        std::string grouped;
        for (size_t k = 0; k < integer.size(); ++k) {
            if (k > 0 && g.rng() % 6 == 0)
                grouped += ',';
            grouped += integer[k];
        }
        std::string text = (negative ? "-" : "") + grouped + (point ? "." + fraction : "");
        if (exponent != 0 || g.rng() % 8 == 0)
            text += (g.rng() % 2 ? "e" : "E") + std::to_string(exponent);
        bool over = false;
        const i128 mag = rational_reference(integer, fraction, exponent, over);
        int8value v = kSentinel;
        const int status = trw_int8cvasc(text.data(), static_cast<int>(text.size()), &v);
        const bool ok = over ? status == INT8_OVERFLOW && same(v, kSentinel)
                             : status == 0 && well_formed(v) && held(v) == (negative ? -mag : mag);
        if (!ok && ++mismatches < 10)
            ADD_FAILURE() << text << " status " << status;
    }
    EXPECT_EQ(mismatches, 0);
}

// ---- DECIMAL ------------------------------------------------------------------------------

TEST(Int8Decimal, ToDecAgainstDeccvascOfThePrintedText)
{
    Generator g;
    long mismatches = 0;
    for (long i = 0; i < cases(); ++i) {
        const Operand o = g.operand();
        const int8value v = record(o);
        decvalue want{}, got{};
        if (o.null) {
            want.sign = -1;
        } else {
            const std::string text = c_text(o.value);
            ASSERT_EQ(deccvasc(text.data(), static_cast<int>(text.size()), &want), 0);
        }
        std::memset(&got, 0x5A, sizeof got);
        const bool ok = trw_int8todec(&v, &got) == 0 && got.sign == want.sign && got.exponent == want.exponent &&
                        got.ndigits == want.ndigits &&
                        std::memcmp(got.digits, want.digits, static_cast<size_t>(want.ndigits)) == 0;
        if (!ok && ++mismatches < 10)
            ADD_FAILURE() << "todec " << c_text(o.value);
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Int8Decimal, CvdecAgainstTruncationAndLeavesTheArgumentAlone)
{
    Generator g;
    long mismatches = 0;
    for (long i = 0; i < cases(); ++i) {
        // Up to 32 digits with the point anywhere, so integer parts of 0 to
        // 32 digits and magnitudes below 0.01 occur.
        const std::string digits = random_digits(g, 1 + static_cast<int>(g.rng() % 32));
        const long exponent = static_cast<long>(g.rng() % 60) - 30;
        const std::string text = (g.rng() % 2 ? "-" : "") + digits + "e" + std::to_string(exponent);
        decvalue dec{};
        ASSERT_EQ(deccvasc(text.data(), static_cast<int>(text.size()), &dec), 0) << text;
        const decvalue before = dec;
        // Reference: DECIMAL's own truncation, its text, strtoll.
        decvalue cut = dec;
        dectrunc(&cut, 0);
        char buf[80];
        ASSERT_EQ(dectoasc(&cut, buf, sizeof buf - 1, 0), 0);
        buf[sizeof buf - 1] = '\0';
        errno = 0;
        const long long want = std::strtoll(buf, nullptr, 10);
        const bool over = errno == ERANGE || want == INT64_MIN;
        int8value v = kSentinel;
        const int status = trw_int8cvdec(&dec, &v);
        bool ok = std::memcmp(&before, &dec, sizeof dec) == 0;
        ok = ok && (over ? status == INT8_OVERFLOW && same(v, kSentinel)
                         : status == 0 && well_formed(v) && held(v) == want);
        if (!ok && ++mismatches < 10)
            ADD_FAILURE() << "cvdec " << text << " status " << status;
    }
    EXPECT_EQ(mismatches, 0);
}

// ---- floating point -----------------------------------------------------------------------

TEST(Int8Floating, ToDblAndToFltAgainstCConversions)
{
    Generator g;
    long mismatches = 0;
    for (long i = 0; i < cases(); ++i) {
        const Operand o = g.operand();
        if (o.null)
            continue;
        const int8value v = record(o);
        double d = 0;
        float f = 0;
        const double want = static_cast<double>(static_cast<int64_t>(o.value));
        const bool ok = trw_int8todbl(&v, &d) == 0 && d == want && trw_int8toflt(&v, &f) == 0 &&
                        f == static_cast<float>(want);
        if (!ok && ++mismatches < 10)
            ADD_FAILURE() << "todbl " << c_text(o.value);
    }
    EXPECT_EQ(mismatches, 0);
}

// Checks trw_int8cvdbl of d against C's truncating conversion.
bool cvdbl_matches(double d)
{
    int8value v = kSentinel;
    const int status = trw_int8cvdbl(d, &v);
    if (std::fabs(d) >= 9223372036854775808.0)
        return status == INT8_OVERFLOW && same(v, kSentinel);
    return status == 0 && well_formed(v) && held(v) == static_cast<int64_t>(d);
}

TEST(Int8Floating, CvdblAgainstCTruncationAtEveryExponent)
{
    Generator g;
    long mismatches = 0;
    const long per_exponent = cases() / 70 + 1;
    for (int e = -2; e <= 64; ++e) {
        for (long i = 0; i < per_exponent; ++i) {
            const double mantissa = 1.0 + static_cast<double>(g.bits(52)) / 4503599627370496.0;
            const double d = std::ldexp(mantissa, e) * (g.rng() % 2 ? -1 : 1);
            if (!cvdbl_matches(d) && ++mismatches < 10)
                ADD_FAILURE() << "cvdbl " << d;
            const float f = static_cast<float>(d);
            int8value v = kSentinel;
            const int status = trw_int8cvflt(f, &v);
            const bool ok = std::fabs(f) >= 9223372036854775808.0f
                                ? status == INT8_OVERFLOW
                                : status == 0 && held(v) == static_cast<int64_t>(f);
            if (!ok && ++mismatches < 10)
                ADD_FAILURE() << "cvflt " << f;
        }
    }
    for (double edge : {2147483648.0, 9007199254740992.0, 9223372036854775808.0})
        for (double s : {1.0, -1.0})
            for (double d : {std::nextafter(edge, 0.0), edge, std::nextafter(edge, 2 * edge)})
                EXPECT_TRUE(cvdbl_matches(s * d)) << s * d;
    EXPECT_EQ(mismatches, 0);
}

} // namespace
