// Short DECIMAL operands (at most 8 pairs, as money-sized columns hold) go
// through word-sized shortcuts; each is checked here against the general
// path, reached by holding the same value with a zero pair in front (which
// only the general path reads), on random and boundary operands:
//   - decadd and decsub: carries through every pair, exponents 0 to 9 pairs
//     apart, equal magnitudes cancelling to zero, the results at the top and
//     bottom of the exponent range (DEC_OVERFLOW, DEC_UNDERFLOW), the result
//     record also an operand;
//   - decmul: products of up to 9 pairs (one binary product) and longer;
//   - deccvasc of texts of up to 15 bytes, any bytes of a small alphabet,
//     and of 13 to 15 digits with a point anywhere, against the same text
//     with blanks after it (too long for the shortcut);
//   - dectoasc of short records into buffers of 16 to 80 bytes;
//   - deccmp of a column's values whose pair bytes lie above 99, and of
//     random values of one column (1 to 16 pairs, bytes after ndigits
//     set) against the pairs compared one by one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "decconv.h"
#include "decimal.h"

namespace {

std::string record_text(const decvalue &d, int status = 0)
{
    std::string s = std::to_string(d.sign) + " e" + std::to_string(d.exponent) + " n" + std::to_string(d.ndigits) + ":";
    for (int i = 0; i < d.ndigits && i < DEC_NPAIRS; ++i)
        s += " " + std::to_string(d.digits[i]);
    return s + " status " + std::to_string(status);
}

// The same value with a zero pair in front (exponent one higher).
decvalue general_form(const decvalue &d)
{
    decvalue z = d;
    z.digits[0] = 0;
    std::memcpy(z.digits + 1, d.digits, static_cast<size_t>(d.ndigits));
    z.ndigits = static_cast<int16_t>(d.ndigits + 1);
    z.exponent = static_cast<int16_t>(d.exponent + 1);
    return z;
}

// A record of 1 to 8 pairs in normal form: runs of 99 or 0 now and then,
// exponents near zero or at either end of the range.
decvalue short_record(std::mt19937_64 &rng)
{
    decvalue d;
    std::memset(&d, 0xEE, sizeof d); // bytes past ndigits must not matter
    d.sign = static_cast<int16_t>(rng() % 2);
    d.ndigits = static_cast<int16_t>(1 + rng() % 8);
    const int fill = static_cast<int>(rng() % 4); // 0: random, 1: 99s, 2: zeros inside
    for (int i = 0; i < d.ndigits; ++i)
        d.digits[i] = static_cast<unsigned char>(fill == 1 ? 99 : fill == 2 && rng() % 2 ? 0 : rng() % 100);
    if (d.digits[0] == 0)
        d.digits[0] = static_cast<unsigned char>(1 + rng() % 99);
    if (d.digits[d.ndigits - 1] == 0)
        d.digits[d.ndigits - 1] = static_cast<unsigned char>(1 + rng() % 99);
    switch (rng() % 8) {
    case 0: d.exponent = static_cast<int16_t>(DEC_MAXEXP - static_cast<int>(rng() % 3)); break;
    case 1: d.exponent = static_cast<int16_t>(DEC_MINEXP + static_cast<int>(rng() % 3)); break;
    default: d.exponent = static_cast<int16_t>(static_cast<int>(rng() % 12) - 3); break;
    }
    return d;
}

// b near a: the same exponent or a few pairs below or above, often a's
// pairs themselves (cancelling, or carrying through them).
decvalue partner(std::mt19937_64 &rng, const decvalue &a)
{
    decvalue b = short_record(rng);
    if (rng() % 2)
        b.exponent = static_cast<int16_t>(a.exponent - static_cast<int>(rng() % 10) + 1);
    if (rng() % 6 == 0) {
        std::memcpy(b.digits, a.digits, sizeof a.digits);
        b.ndigits = a.ndigits;
        b.exponent = a.exponent;
    } else if (rng() % 6 == 0) { // 00 ... 01 under a run of 99
        b.ndigits = static_cast<int16_t>(1);
        b.digits[0] = 1;
        b.exponent = static_cast<int16_t>(a.exponent - a.ndigits + 1);
    }
    return b;
}

using binary = int (*)(const decvalue *, const decvalue *, decvalue *);

void expect_general(binary op, const char *name, const decvalue &a, const decvalue &b)
{
    decvalue r1, r2;
    std::memset(&r1, 0x5A, sizeof r1);
    std::memset(&r2, 0x5A, sizeof r2);
    const decvalue ga = general_form(a), gb = general_form(b);
    const int s1 = op(&a, &b, &r1);
    const int s2 = op(&ga, &gb, &r2);
    ASSERT_EQ(record_text(r1, s1), record_text(r2, s2))
        << name << " of " << record_text(a) << " and " << record_text(b);
    decvalue alias = a; // the result in place of the first operand
    ASSERT_EQ(op(&alias, &b, &alias), s1);
    ASSERT_EQ(record_text(alias, s1), record_text(r1, s1)) << name << " in place";
}

TEST(DecimalShortOperands, SumsAndDifferencesEqualTheGeneralPath)
{
    std::mt19937_64 rng(1200);
    for (int i = 0; i < 300000; ++i) {
        const decvalue a = short_record(rng);
        const decvalue b = partner(rng, a);
        expect_general(decadd, "decadd", a, b);
        expect_general(decsub, "decsub", a, b);
        expect_general(decadd, "decadd", b, a);
        if (HasFatalFailure())
            return;
    }
}

TEST(DecimalShortOperands, ProductsEqualTheGeneralPath)
{
    std::mt19937_64 rng(1201);
    for (int i = 0; i < 300000; ++i) {
        decvalue a = short_record(rng), b = short_record(rng);
        if (rng() % 2) { // few pairs: the one binary product
            a.ndigits = static_cast<int16_t>(1 + rng() % 4);
            b.ndigits = static_cast<int16_t>(1 + rng() % 4);
            a.digits[a.ndigits - 1] |= 1;
            b.digits[b.ndigits - 1] |= 1;
        }
        expect_general(decmul, "decmul", a, b);
        if (HasFatalFailure())
            return;
    }
}


// A text reads as the same text with blanks after it, which only the
// general scanner takes: the same status and the same record, and the same
// pair bytes when it converts.
void expect_read_as_padded(const std::string &text)
{
    const std::string padded = text + std::string(17, ' ');
    decvalue a, b;
    std::memset(&a, 0x5A, sizeof a);
    std::memset(&b, 0x5A, sizeof b);
    const int sa = deccvasc(text.data(), static_cast<int>(text.size()), &a);
    const int sb = deccvasc(padded.data(), static_cast<int>(padded.size()), &b);
    ASSERT_EQ(record_text(a, sa), record_text(b, sb)) << "'" << text << "'";
    if (sa == 0 && a.ndigits > 0 && static_cast<size_t>(a.ndigits) <= sizeof a.digits) {
        ASSERT_EQ(std::memcmp(a.digits, b.digits, static_cast<size_t>(a.ndigits)), 0) << "'" << text << "'";
    }
}
TEST(DecimalShortOperands, TextsReadAsWithBlanksAfter)
{
    // A small alphabet, so that signs, points, blanks, newlines and
    // terminators land everywhere; a few other characters.
    static constexpr char kAlphabet[] = "0123456789000099.. \n\n-+,ex";
    std::mt19937_64 rng(1202);
    for (int i = 0; i < 400000; ++i) {
        std::string text;
        const int n = 1 + static_cast<int>(rng() % 16);
        for (int k = 0; k < n; ++k)
            text += kAlphabet[rng() % (sizeof kAlphabet - 1)];
        if (rng() % 16 == 0)
            text[rng() % text.size()] = '\0';
        if (rng() % 2) // mostly digits: the usual money text
            for (char &c : text)
                if (rng() % 3 && c != '.' && c != '\0')
                    c = static_cast<char>('0' + rng() % 10);
        expect_read_as_padded(text);
    }
}

TEST(DecimalShortOperands, FullShortTextsReadAsWithBlanksAfter)
{
    // Texts of 13 to 15 digit bytes with the point anywhere or nowhere: the
    // 16-digit run of the short reader filled up (odd places add a zero),
    // nines that fill every pair, zeros in front.
    std::mt19937_64 rng(1205);
    for (int i = 0; i < 100000; ++i) {
        const int n = 13 + static_cast<int>(rng() % 3);
        std::string text;
        const int kind = static_cast<int>(rng() % 3); // 0: random, 1: nines, 2: zeros in front
        const int zeros = kind == 2 ? static_cast<int>(rng() % n) : 0;
        for (int k = 0; k < n; ++k)
            text += k < zeros ? '0' : kind == 1 ? '9' : static_cast<char>('0' + rng() % 10);
        const int at = static_cast<int>(rng() % (n + 2)); // n, n + 1: no point
        if (at <= n - 1)
            text[static_cast<size_t>(at)] = '.';
        if (rng() % 4 == 0)
            text.insert(text.begin(), rng() % 2 ? '-' : '+');
        expect_read_as_padded(text);
    }
}

TEST(DecimalShortOperands, ShortTextsFillTheBufferAsTheGeneralWriter)
{
    std::mt19937_64 rng(1203);
    for (int i = 0; i < 200000; ++i) {
        decvalue d = short_record(rng);
        d.exponent = static_cast<int16_t>(static_cast<int>(rng() % 11) - 1);
        const int len = 16 + static_cast<int>(rng() % 65);
        char a[96], b[96];
        std::memset(a, '#', sizeof a);
        std::memset(b, '#', sizeof b);
        // The general writer: the same value with a leading zero pair.
        const decvalue g = general_form(d);
        const int sa = dectoasc(&d, a, len, -1);
        const int sb = dectoasc(&g, b, len, -1);
        ASSERT_EQ(sa, sb) << record_text(d) << " len " << len;
        ASSERT_EQ(std::string(a, sizeof a), std::string(b, sizeof b)) << record_text(d) << " len " << len;
    }
}

TEST(DecimalShortOperands, ColumnPairsAbove99ReadAs99)
{
    // Pair bytes above 99 read as 99: a column's values that differ only
    // there are equal, and order as 99 against any smaller pair.
    decvalue a{1, 3, 4, {12, 150, 7, 40}}, b{1, 3, 4, {12, 99, 7, 40}}, c{1, 3, 4, {12, 98, 9, 40}};
    EXPECT_EQ(deccmp(&a, &b), 0);
    EXPECT_EQ(deccmp(&b, &a), 0);
    EXPECT_EQ(deccmp(&a, &c), 1);
    EXPECT_EQ(deccmp(&c, &a), -1);
    decvalue d{1, 3, 4, {12, 200, 8, 40}};
    EXPECT_EQ(deccmp(&a, &d), -1); // both read 99: the next pair decides
    a.sign = d.sign = 0;
    EXPECT_EQ(deccmp(&a, &d), 1);
}

// deccmp of two non-zero values of one sign and exponent, from the pairs
// one by one: each read as at most 99, those after ndigits as 0.
int column_order(const decvalue &a, const decvalue &b)
{
    for (int i = 0; i < DEC_NPAIRS; ++i) {
        const int x = i < a.ndigits ? std::min<int>(a.digits[i], 99) : 0;
        const int y = i < b.ndigits ? std::min<int>(b.digits[i], 99) : 0;
        if (x != y)
            return (x > y) == (a.sign != 0) ? 1 : -1;
    }
    return 0;
}

TEST(DecimalShortOperands, ColumnPairsCompareAsTheirPairsInTurn)
{
    std::mt19937_64 rng(1204);
    for (int i = 0; i < 300000; ++i) {
        decvalue a;
        std::memset(&a, static_cast<int>(rng() % 256), sizeof a); // bytes past ndigits must not matter
        a.sign = static_cast<int16_t>(rng() % 2);
        a.exponent = static_cast<int16_t>(static_cast<int>(rng() % 20) - 10);
        a.ndigits = static_cast<int16_t>(1 + rng() % DEC_NPAIRS);
        for (int k = 0; k < a.ndigits; ++k)
            a.digits[k] = static_cast<unsigned char>(rng() % 8 == 0 ? 99 : rng() % 100);
        a.digits[0] = static_cast<unsigned char>(1 + rng() % 99);
        decvalue b = a;
        for (int k = a.ndigits; k < DEC_NPAIRS; ++k)
            b.digits[k] = static_cast<unsigned char>(rng());
        switch (rng() % 4) {
        case 0: // one later pair changed
            b.digits[rng() % a.ndigits] = static_cast<unsigned char>(rng() % 100);
            break;
        case 1: // fewer or more pairs
            b.ndigits = static_cast<int16_t>(1 + rng() % DEC_NPAIRS);
            break;
        case 2: // a byte above 99 somewhere in either
            (rng() % 2 ? a : b).digits[rng() % DEC_NPAIRS] = static_cast<unsigned char>(100 + rng() % 156);
            break;
        default: // equal
            break;
        }
        if (b.digits[0] == 0)
            b.digits[0] = 1;
        ASSERT_EQ(deccmp(&a, &b), column_order(a, b)) << record_text(a) << " against " << record_text(b);
        ASSERT_EQ(deccmp(&b, &a), column_order(b, a)) << record_text(b) << " against " << record_text(a);
    }
}

} // namespace
