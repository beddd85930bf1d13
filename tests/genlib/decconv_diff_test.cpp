// Differential tests of the DECIMAL conversions against independent
// oracles: text written by a generator that knows the exact value (its
// digits and decimal exponent), the C library's strtod and its correctly
// rounded "%.16e" / "%.15e", and a digit-rounding generator written here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "decconv.h"

namespace {

constexpr int kCases = 4000;

// A decimal value 0.digits x 10^exp10, negative or not; digits has no
// leading or trailing zero.
struct Exact {
    std::string digits;
    int exp10;
    bool negative;
};

Exact random_exact(std::mt19937_64 &rng, int max_digits)
{
    Exact e;
    const int n = 1 + static_cast<int>(rng() % static_cast<unsigned>(max_digits));
    for (int i = 0; i < n; ++i)
        e.digits += static_cast<char>('0' + rng() % 10);
    e.digits[0] = static_cast<char>('1' + rng() % 9);
    e.digits.back() = static_cast<char>('1' + rng() % 9);
    e.exp10 = -128 + static_cast<int>(rng() % 252); // -128 .. 123
    e.negative = rng() % 2 == 0;
    return e;
}

// The value written in one of several text forms the conversion accepts.
std::string text_of(const Exact &e, std::mt19937_64 &rng)
{
    std::string text(rng() % 3, ' ');
    text += e.negative ? "-" : (rng() % 4 == 0 ? "+" : "");
    const int form = static_cast<int>(rng() % 3);
    const int n = static_cast<int>(e.digits.size());
    if (form == 0 && e.exp10 > -40 && e.exp10 < 60) {
        // Plain: integer digits, point, fraction digits.
        if (e.exp10 <= 0)
            text += "0." + std::string(static_cast<size_t>(-e.exp10), '0') + e.digits;
        else if (e.exp10 >= n)
            text += e.digits + std::string(static_cast<size_t>(e.exp10 - n), '0') + (rng() % 2 ? ".0" : "");
        else
            text += e.digits.substr(0, static_cast<size_t>(e.exp10)) + "." + e.digits.substr(static_cast<size_t>(e.exp10));
    } else if (form == 1) {
        text += "0." + e.digits + "e" + std::to_string(e.exp10);
    } else {
        text += e.digits.substr(0, 1) + "." + e.digits.substr(1) + "E" + (e.exp10 - 1 >= 0 ? "+" : "") +
                std::to_string(e.exp10 - 1);
    }
    text += std::string(rng() % 3, ' ');
    return text;
}

// The text dectoasc writes with as many places as the value needs.
std::string plain_text(const Exact &e)
{
    const int n = static_cast<int>(e.digits.size());
    std::string integer = e.exp10 <= 0 ? "0"
                          : e.exp10 >= n ? e.digits + std::string(static_cast<size_t>(e.exp10 - n), '0')
                                         : e.digits.substr(0, static_cast<size_t>(e.exp10));
    std::string fraction = e.exp10 >= n  ? "0"
                           : e.exp10 < 0 ? std::string(static_cast<size_t>(-e.exp10), '0') + e.digits
                                         : e.digits.substr(static_cast<size_t>(e.exp10));
    return (e.negative ? "-" : "") + integer + "." + fraction;
}

std::string written(const decvalue &dec)
{
    char buf[400];
    EXPECT_EQ(dectoasc(&dec, buf, sizeof buf, -1), 0);
    std::string s(buf, sizeof buf);
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

// Rounds the exact digits to count digits, half away from zero: the digits
// and the new exponent; an independent generator for ecvt and fcvt.
std::string rounded(const Exact &e, long count, int *exp10)
{
    *exp10 = e.exp10;
    if (count <= 0) {
        const bool up = count == 0 && e.digits[0] >= '5';
        if (up)
            ++*exp10;
        return up ? "1" : "";
    }
    std::string d = e.digits;
    if (static_cast<long>(d.size()) <= count)
        return d + std::string(static_cast<size_t>(count - static_cast<long>(d.size())), '0');
    const bool up = d[static_cast<size_t>(count)] >= '5';
    d.resize(static_cast<size_t>(count));
    for (long i = count - 1; up; --i) {
        if (i < 0) {
            d = "1" + d;
            d.pop_back();
            ++*exp10;
            break;
        }
        if (d[static_cast<size_t>(i)] == '9') {
            d[static_cast<size_t>(i)] = '0';
        } else {
            ++d[static_cast<size_t>(i)];
            break;
        }
    }
    return d;
}

decvalue read(const std::string &text)
{
    decvalue dec{};
    EXPECT_EQ(deccvasc(text.c_str(), static_cast<int>(text.size()), &dec), 0) << text;
    return dec;
}

} // namespace

TEST(DecconvDifferential, TextRoundTripsAgainstTheExactValue)
{
    std::mt19937_64 rng(20240501);
    for (int i = 0; i < kCases; ++i) {
        const Exact e = random_exact(rng, 30);
        const std::string text = text_of(e, rng);
        const decvalue dec = read(text);
        const std::string out = written(dec);
        ASSERT_EQ(out, plain_text(e)) << text;
        const decvalue again = read(out);
        ASSERT_EQ(deccmp(&dec, &again), 0) << out;
        ASSERT_EQ(written(again), out);
    }
}

TEST(DecconvDifferential, DectodblMatchesStrtod)
{
    std::mt19937_64 rng(7);
    for (int i = 0; i < kCases; ++i) {
        const Exact e = random_exact(rng, 30);
        const std::string text = text_of(e, rng);
        const decvalue dec = read(text);
        double mine = 0;
        ASSERT_EQ(dectodbl(&dec, &mine), 0) << text;
        const double oracle = std::strtod(text.c_str(), nullptr);
        ASSERT_EQ(std::memcmp(&mine, &oracle, sizeof mine), 0) << text << ": " << mine << " vs " << oracle;
    }
}

namespace {

// Random finite doubles spread over the DECIMAL range.
double random_double(std::mt19937_64 &rng)
{
    for (;;) {
        const uint64_t bits = rng();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        const double m = std::fabs(d);
        if (std::isfinite(d) && m > 1e-120 && m < 1e120)
            return d;
    }
}

void check_significant_digits(int digits)
{
    std::mt19937_64 rng(static_cast<uint64_t>(digits) * 1000003u);
    for (int i = 0; i < kCases; ++i) {
        const double d = random_double(rng);
        decvalue dec{};
        ASSERT_EQ(deccvdbl(d, &dec), 0) << d;
        char oracle[64];
        std::snprintf(oracle, sizeof oracle, "%.*e", digits - 1, d);
        std::string expected;
        const char *p = oracle;
        for (; *p != 'e'; ++p)
            if (*p >= '0' && *p <= '9')
                expected += *p;
        const int exponent = std::atoi(p + 1);
        int point = 0;
        int sign = 0;
        const char *mine = dececvt(&dec, digits, &point, &sign);
        ASSERT_NE(mine, nullptr);
        ASSERT_EQ(std::string(mine), expected) << oracle;
        ASSERT_EQ(point, exponent + 1) << oracle;
        ASSERT_EQ(sign, d < 0 ? 1 : 0) << oracle;
    }
}

} // namespace

TEST(DecconvDifferential, DeccvdblKeepsSeventeenCorrectlyRoundedDigits) { check_significant_digits(17); }

TEST(DecconvDifferential, DeccvdblKeepsSixteenDigitsWithPrecision16)
{
    setenv("TRW_USE_PREC_16", "1", 1);
    check_significant_digits(16);
}

TEST(DecconvDifferential, EcvtAndFcvtAgainstAnIndependentRounding)
{
    std::mt19937_64 rng(99);
    for (int i = 0; i < kCases; ++i) {
        const Exact e = random_exact(rng, 30);
        const decvalue dec = read(text_of(e, rng));
        const int n = static_cast<int>(rng() % 40);
        int point = 0;
        int sign = 0;
        int exp10 = 0;

        std::string expected = n > 0 ? rounded(e, n, &exp10) : "";
        const char *mine = dececvt(&dec, n, &point, &sign);
        ASSERT_NE(mine, nullptr);
        ASSERT_EQ(std::string(mine), expected) << plain_text(e) << " ecvt " << n;
        if (n > 0) {
            ASSERT_EQ(point, exp10) << plain_text(e) << " ecvt " << n;
        }
        ASSERT_EQ(sign, e.negative ? 1 : 0);

        const long count = static_cast<long>(n) + e.exp10;
        mine = decfcvt(&dec, n, &point, &sign);
        ASSERT_NE(mine, nullptr);
        if (count < 0) {
            ASSERT_STREQ(mine, "0") << plain_text(e) << " fcvt " << n;
            ASSERT_EQ(point, 0);
            continue;
        }
        expected = rounded(e, count, &exp10);
        if (exp10 != e.exp10 && count > 0)
            expected += "0"; // a carry keeps one digit more
        ASSERT_EQ(std::string(mine), expected) << plain_text(e) << " fcvt " << n;
        ASSERT_EQ(point, exp10) << plain_text(e) << " fcvt " << n;
    }
}
