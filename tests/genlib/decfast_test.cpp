// The shortcuts of the DECIMAL conversions and arithmetic against the
// general paths they stand in for, on random values around their limits:
//   - deccvasc of plain text (sign, digits, one point, blanks) against the
//     same text with an exponent "e0", which only the general scanner reads;
//     digit counts 1 to 34 (the 32 digits a record holds), leading and
//     trailing zeros, points inside and between pairs, signs, blanks, a
//     newline, a terminator before the length, and texts the shortcut must
//     leave alone;
//   - dectoasc with the places a value needs (places -1) against dectoasc
//     with that count given, over 1 to 16 pairs, exponents -3 to 18, both
//     signs, and buffer lengths from too short to roomy;
//   - decmul of operands of up to 8 pairs against the same values held with
//     a trailing zero pair beyond the 8th (which the general product takes);
//   - deccmp of values of one sign and exponent (a column's values) against
//     the same values held with a leading zero pair (which the general
//     comparison reads), over 1 to 16 pairs, equal and differing in any pair.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "decconv.h"
#include "decimal.h"

namespace {

std::string record_text(const decvalue &d)
{
    std::string s = std::to_string(d.sign) + " e" + std::to_string(d.exponent) + " n" + std::to_string(d.ndigits) + ":";
    for (int i = 0; i < d.ndigits && i < DEC_NPAIRS; ++i)
        s += " " + std::to_string(d.digits[i]);
    return s;
}

std::string random_digits(std::mt19937_64 &rng, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += static_cast<char>('0' + rng() % 10);
    return s;
}

// A plain decimal text: zeros in front now and then, digits before and
// after an optional point, a sign, blanks or a newline after.
std::string plain_text(std::mt19937_64 &rng)
{
    std::string s;
    switch (rng() % 4) {
    case 0: s += '-'; break;
    case 1: s += '+'; break;
    default: break;
    }
    if (rng() % 4 == 0)
        s += std::string(rng() % 4, '0');
    const int whole = static_cast<int>(rng() % 35), places = static_cast<int>(rng() % 35);
    s += random_digits(rng, whole);
    if (rng() % 5 != 0) {
        s += '.';
        if (whole == 0 && rng() % 3 == 0)
            s += std::string(rng() % 40, '0'); // small values
        s += random_digits(rng, places);
    }
    if (rng() % 4 == 0)
        s += std::string(rng() % 3, ' ');
    if (rng() % 8 == 0)
        s += "\n";
    return s;
}

TEST(DecimalShortcuts, PlainTextReadsAsTheGeneralScannerReadsIt)
{
    std::mt19937_64 rng(2026);
    for (int i = 0; i < 200000; ++i) {
        const std::string text = plain_text(rng);
        std::string general = text;
        size_t tail = general.find_last_not_of(" \n");
        if (tail == std::string::npos)
            continue; // blanks only: NULL either way
        if (general.find_first_of("0123456789") == std::string::npos)
            continue; // "-." and the like: not a number to either
        general.insert(tail + 1, "e0");
        std::string text_read = text;
        if (i % 8 == 0) { // a terminator before len ends the text
            text_read += std::string("\0x9,", 4);
            general += std::string("\0x9,", 4);
        }
        decvalue a, b;
        std::memset(&a, 0x5A, sizeof a);
        std::memset(&b, 0x5A, sizeof b);
        const int sa = deccvasc(text_read.data(), static_cast<int>(text_read.size()), &a);
        const int sb = deccvasc(general.data(), static_cast<int>(general.size()), &b);
        ASSERT_EQ(sa, sb) << "'" << text << "'";
        ASSERT_EQ(record_text(a), record_text(b)) << "'" << text << "'";
    }
}

TEST(DecimalShortcuts, TextsTheShortcutLeavesAloneStillRead)
{
    // Each must read as the general scanner reads it: separators, two
    // points, hexadecimal, exponents, stray characters.
    const struct {
        const char *text;
        int status;
        const char *value; // dectoasc of the result, blanks cut
    } cases[] = {
        {"1,234.5", 0, "1234.5"}, {"1.2.3", -1213, "0.0"},  {"0x1F", 0, "31.0"},      {"12e2", 0, "1200.0"},
        {"12a", -1213, "0.0"},     {"- 5", -1213, "0.0"},    {"+-5", -1213, "0.0"},    {"0000", 0, "0.0"},
        {".5", 0, "0.5"},          {"-.5  ", 0, "-0.5"},     {"5.", 0, "5.0"},         {"-0.00", 0, "0.0"},
    };
    for (const auto &c : cases) {
        decvalue d;
        EXPECT_EQ(deccvasc(c.text, static_cast<int>(std::strlen(c.text)), &d), c.status) << c.text;
        char buf[40];
        ASSERT_EQ(dectoasc(&d, buf, sizeof buf, -1), 0);
        std::string shown(buf, sizeof buf);
        EXPECT_EQ(shown.substr(0, shown.find_last_not_of(' ') + 1), c.value) << c.text;
    }
}

decvalue random_record(std::mt19937_64 &rng, int max_pairs)
{
    decvalue d{};
    d.sign = static_cast<int16_t>(rng() % 2);
    d.exponent = static_cast<int16_t>(static_cast<int>(rng() % 22) - 3);
    d.ndigits = static_cast<int16_t>(1 + rng() % max_pairs);
    for (int i = 0; i < d.ndigits; ++i)
        d.digits[i] = static_cast<unsigned char>(rng() % 100);
    if (d.digits[0] == 0)
        d.digits[0] = static_cast<unsigned char>(1 + rng() % 99);
    if (rng() % 4 == 0)
        d.digits[d.ndigits - 1] = static_cast<unsigned char>(10 * (1 + rng() % 9)); // a last digit 0
    if (d.digits[d.ndigits - 1] == 0)
        d.digits[d.ndigits - 1] = 7;
    return d;
}

// The places a value needs: twice the pairs after the point, one less when
// the last pair ends in 0, at least 1.
int places_needed(const decvalue &d)
{
    int r = 2 * (d.ndigits - d.exponent) - (d.digits[d.ndigits - 1] % 10 == 0 ? 1 : 0);
    return r < 1 ? 1 : r;
}

TEST(DecimalShortcuts, NeededPlacesTextIsTheTextOfThosePlaces)
{
    std::mt19937_64 rng(77);
    for (int i = 0; i < 200000; ++i) {
        const decvalue d = random_record(rng, DEC_NPAIRS);
        const int len = static_cast<int>(rng() % 70);
        char a[80], b[80];
        std::memset(a, '#', sizeof a);
        std::memset(b, '#', sizeof b);
        const int sa = dectoasc(&d, a, len, -1);
        const int sb = dectoasc(&d, b, len, places_needed(d));
        ASSERT_EQ(sa, sb) << record_text(d) << " len " << len;
        ASSERT_EQ(std::string(a, sizeof a), std::string(b, sizeof b)) << record_text(d) << " len " << len;
    }
}

TEST(DecimalShortcuts, ShortProductsEqualTheGeneralProduct)
{
    std::mt19937_64 rng(5);
    for (int i = 0; i < 200000; ++i) {
        decvalue a = random_record(rng, 8), b = random_record(rng, 8);
        if (rng() % 8 == 0)
            std::memset(a.digits, 99, static_cast<size_t>(a.ndigits)); // carries all the way
        // The same values with a zero pair after the 8th: the general path.
        decvalue la = a, lb = b;
        la.ndigits = 9;
        lb.ndigits = 9;
        std::memset(la.digits + a.ndigits, 0, static_cast<size_t>(9 - a.ndigits));
        std::memset(lb.digits + b.ndigits, 0, static_cast<size_t>(9 - b.ndigits));
        decvalue r1, r2, r3;
        const int s1 = decmul(&a, &b, &r1);
        const int s2 = decmul(&la, &lb, &r2);
        const int s3 = decmul(&a, &lb, &r3);
        ASSERT_EQ(s1, s2) << record_text(a) << " * " << record_text(b);
        ASSERT_EQ(s1, s3);
        ASSERT_EQ(record_text(r1), record_text(r2)) << record_text(a) << " * " << record_text(b);
        ASSERT_EQ(record_text(r1), record_text(r3));
    }
}

// The same value with a zero pair in front (exponent one higher), or the
// record itself when it holds 16 pairs already.
decvalue with_leading_zero(const decvalue &d)
{
    if (d.ndigits >= DEC_NPAIRS)
        return d;
    decvalue z = d;
    z.digits[0] = 0;
    std::memcpy(z.digits + 1, d.digits, static_cast<size_t>(d.ndigits));
    z.ndigits = static_cast<int16_t>(d.ndigits + 1);
    z.exponent = static_cast<int16_t>(d.exponent + 1);
    return z;
}

TEST(DecimalShortcuts, ColumnComparisonsEqualTheGeneralComparison)
{
    std::mt19937_64 rng(11);
    for (int i = 0; i < 200000; ++i) {
        decvalue a = random_record(rng, DEC_NPAIRS);
        decvalue b = a;
        // b: a with one pair changed, cut or lengthened, or a itself.
        const int k = static_cast<int>(rng() % DEC_NPAIRS);
        switch (rng() % 4) {
        case 0: b.digits[k] = static_cast<unsigned char>(rng() % 100); break;
        case 1: b.ndigits = static_cast<int16_t>(1 + rng() % a.ndigits); break;
        case 2: b.ndigits = static_cast<int16_t>(a.ndigits + (a.ndigits < DEC_NPAIRS ? 1 : 0)); break;
        default: break;
        }
        if (b.digits[0] == 0)
            b.digits[0] = 1;
        for (int j = b.ndigits; j < DEC_NPAIRS; ++j)
            b.digits[j] = static_cast<unsigned char>(rng() % 256); // bytes beyond ndigits are no part
        const decvalue za = with_leading_zero(a), zb = with_leading_zero(b);
        const int want = deccmp(&za, &zb);
        ASSERT_EQ(deccmp(&a, &b), want) << record_text(a) << " vs " << record_text(b);
        ASSERT_EQ(deccmp(&b, &a), -want) << record_text(b) << " vs " << record_text(a);
    }
}

} // namespace
