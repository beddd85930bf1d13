// Byte and string primitives: the documented results, including the corner
// cases that distinguish them from the C library's look-alikes.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "osclient.h"
#include "osutil.h"

namespace {

TEST(Isatol, ReadsLeadingDigitsOnlyAndWraps)
{
    EXPECT_EQ(isatol("123abc"), 123);
    EXPECT_EQ(isatol("-5"), 0);
    EXPECT_EQ(isatol(" 7"), 0);
    EXPECT_EQ(isatol(""), 0);
    EXPECT_EQ(isatol("4294967297"), 1);
    EXPECT_EQ(isatol("2147483648"), static_cast<int>(0x80000000u));
    EXPECT_EQ(isatol("99999999999999999999"), 1661992959);
}

TEST(Stleng, CountsAndNeverReadsPastTheLimit)
{
    EXPECT_EQ(stleng(""), 0);
    EXPECT_EQ(stleng("abc"), 3);
    // Three readable bytes without terminator: the limit keeps the scan inside.
    char unterminated[3] = {'a', 'b', 'c'};
    EXPECT_EQ(stnleng(unterminated, 3), 3);
    EXPECT_EQ(stnleng(unterminated, 2), 2);
    EXPECT_EQ(stnleng("ab", 10), 2);
    EXPECT_EQ(stnleng("ab", 0), 0);
    EXPECT_EQ(stnleng("ab", -4), 0);
}

TEST(Stcmpr, GivesMinusOneZeroOrOneInUnsignedOrder)
{
    EXPECT_EQ(stcmpr("abc", "abd"), -1);
    EXPECT_EQ(stcmpr("abd", "abc"), 1);
    EXPECT_EQ(stcmpr("", ""), 0);
    EXPECT_EQ(stcmpr("ab", "abc"), -1);
    EXPECT_EQ(stcmpr("abc", "ab"), 1);
    EXPECT_EQ(stcmpr("\xE9", "z"), 1);
    EXPECT_EQ(stcmpr("a", "\xFF"), -1);
}

TEST(Stcmpri, FoldsAsciiOnlyWithTheDefaultTable)
{
    EXPECT_EQ(stcmpri("ABC", "abc"), 0);
    EXPECT_EQ(stcmpri("abc", "ABD"), -1);
    EXPECT_EQ(stcmpri("Zeta", "alpha"), 1);
    EXPECT_NE(stcmpri("\xC9", "\xE9"), 0);
    EXPECT_EQ(stcmpri("", ""), 0);
    EXPECT_EQ(stcmpri("a", ""), 1);
}

TEST(CaseTables, MapOnlyAsciiLettersByDefault)
{
    for (int c = 0; c < 256; ++c) {
        int lower = (c >= 'A' && c <= 'Z') ? c + 32 : c;
        int upper = (c >= 'a' && c <= 'z') ? c - 32 : c;
        EXPECT_EQ(_ix2lowmap[c], lower) << c;
        EXPECT_EQ(_ix2upmap[c], upper) << c;
    }
}

TEST(Stchr, FindsFirstOccurrenceButNeverTheTerminator)
{
    const char *text = "abcabc";
    EXPECT_EQ(stchr(text, 'c'), text + 2);
    EXPECT_EQ(stchr(text, 'x'), nullptr);
    EXPECT_EQ(stchr(text, 0), nullptr);
    const char *high = "a\xE9";
    EXPECT_EQ(stchr(high, static_cast<signed char>('\xE9')), high + 1);
}

TEST(StcopyStcat, CopyAndAppendSourceFirst)
{
    char buf[16] = "xx";
    stcopy("ab", buf);
    EXPECT_STREQ(buf, "ab");
    stcat("cd", buf);
    EXPECT_STREQ(buf, "abcd");
}

TEST(Cmprstr, ComparesFirstWords)
{
    EXPECT_EQ(cmprstr("abc def", "abc", 10), 0);
    EXPECT_EQ(cmprstr("abc", "abcd", 10), -1);
    EXPECT_EQ(cmprstr("abcd", "abce", 3), 0);
    EXPECT_EQ(cmprstr(nullptr, nullptr, 5), 0);
    EXPECT_EQ(cmprstr("a", nullptr, 5), -1);
    EXPECT_EQ(cmprstr(nullptr, "a", 5), -1);
    EXPECT_EQ(cmprstr("x", "y", 0), 0);
    EXPECT_EQ(cmprstr("x", "y", -3), 0);
    EXPECT_EQ(cmprstr("abc", "ABC", 10), -1);
    EXPECT_EQ(cmprstr("ab ", "ab", 10), 0);
    EXPECT_EQ(cmprstr("", " ", 10), 0);
    EXPECT_EQ(cmprstr("abd", "abc", 10), -1);
}

TEST(Bycmpr, ComparesUnsignedBytes)
{
    EXPECT_EQ(bycmpr("abc", "abd", 3), -1);
    EXPECT_EQ(bycmpr("abd", "abc", 3), 1);
    EXPECT_EQ(bycmpr("abd", "abc", 2), 0);
    EXPECT_EQ(bycmpr("\x80", "\x7F", 1), 1);
    EXPECT_EQ(bycmpr("a", "b", 0), 0);
    EXPECT_EQ(bycmpr("a", "b", -1), 0);
}

TEST(Charcmp, ComparesAsIfBlankPadded)
{
    EXPECT_EQ(charcmp("ab", 2, "ab  ", 4), 0);
    EXPECT_EQ(charcmp("ab", 2, "ab c", 4), -1);
    EXPECT_EQ(charcmp("ab", 2, "ab\t", 3), 1);
    EXPECT_EQ(charcmp("ab\t", 3, "ab", 2), -1);
    EXPECT_EQ(charcmp("b", 1, "a  ", 3), 1);
    EXPECT_EQ(charcmp("ab c", 4, "ab", 2), 1);
    EXPECT_EQ(charcmp("", 0, "", 0), 0);
    EXPECT_EQ(charcmp("", 0, "   ", 3), 0);
    EXPECT_EQ(charcmp("ab \xE9", 4, "ab", 2), 1);
}

TEST(CopyAndFill, HandleOverlapAndNonPositiveCounts)
{
    char buf[] = "abcdef";
    bycopy(buf, buf + 2, 4);
    EXPECT_STREQ(buf, "ababcd");
    char buf2[] = "abcdef";
    bylcopy(buf2 + 2, buf2, 4);
    EXPECT_STREQ(buf2, "cdefef");
    char buf3[] = "abcdef";
    byfill(buf3, 3, 0x178);  // only the low 8 bits count
    EXPECT_STREQ(buf3, "xxxdef");
    byfill(buf3, 0, 'z');
    byfill(buf3, -5, 'z');
    bycopy("zz", buf3, -1);
    EXPECT_STREQ(buf3, "xxxdef");
}

TEST(TrailingBlanks, ByteWiseLengths)
{
    EXPECT_EQ(trw_byleng("ab  ", 4), 2);
    EXPECT_EQ(trw_byleng("    ", 4), 0);
    EXPECT_EQ(trw_byleng("ab\t", 3), 3);
    EXPECT_EQ(trw_byleng("ab", 0), 0);
    EXPECT_EQ(trw_byleng("ab", -2), 0);
    // Without a client locale byleng is the byte-wise rule.
    EXPECT_EQ(byleng("ab  ", 4), 2);
    EXPECT_EQ(byleng("ab\t", 3), 3);
    EXPECT_EQ(byleng(" a \xE3\x80\x80", 6), 6);
}

TEST(TrailingBlanks, ClientLocaleSeamIsUsedAndClamped)
{
    static int calls;
    calls = 0;
    static os_client_locale_hooks wide{};
    wide.byleng = [](const char *, int n) {
        ++calls;
        return n + 5;  // a faulty measure must not escape the range
    };
    os_set_client_locale_hooks(&wide);
    EXPECT_EQ(byleng("ab  ", 4), 4);
    EXPECT_EQ(calls, 1);
    static os_client_locale_hooks negative{};
    negative.byleng = [](const char *, int) { return -1; };
    os_set_client_locale_hooks(&negative);
    EXPECT_EQ(byleng("ab", 2), 0);
    os_set_client_locale_hooks(nullptr);
    EXPECT_EQ(byleng("ab  ", 4), 2);
}

TEST(Sttrmrt, CutsTrailingBlanksInPlace)
{
    char a[] = "ab  ";
    _sttrmrt(a, -1);
    EXPECT_STREQ(a, "ab");
    char b[] = "ab  cd  ";
    _sttrmrt(b, 4);
    EXPECT_STREQ(b, "ab");
    char c[] = "abc";
    _sttrmrt(c, 3);
    EXPECT_STREQ(c, "abc");
    char d[] = "   ";
    _sttrmrt(d, -1);
    EXPECT_STREQ(d, "");
}

TEST(GIsRangeFilled, ComparesEveryByte)
{
    EXPECT_EQ(_gIsRangeFilled("    ", 4, ' '), 1);
    EXPECT_EQ(_gIsRangeFilled("   x", 4, ' '), 0);
    EXPECT_EQ(_gIsRangeFilled("x", 0, ' '), 1);
    EXPECT_EQ(_gIsRangeFilled("x", -1, ' '), 1);
    EXPECT_EQ(_gIsRangeFilled("\xFF\xFF", 2, -1), 1);
    EXPECT_EQ(_gIsRangeFilled("\xFF\xFF", 2, 0xFF), 0);
}

TEST(StoredIntegers, AreBigEndianAtAnyAlignment)
{
    unsigned char buf[16] = {};
    stlong(-2, buf + 1);
    EXPECT_EQ(std::memcmp(buf + 1, "\xFF\xFF\xFF\xFE", 4), 0);
    EXPECT_EQ(ldlong(buf + 1), -2);
    EXPECT_EQ(ldlong("\xFF\xFF\xFF\xFF"), -1);
    stptr(0x0102030405060708LL, buf + 3);
    EXPECT_EQ(std::memcmp(buf + 3, "\x01\x02\x03\x04\x05\x06\x07\x08", 8), 0);
    EXPECT_EQ(ldptr(buf + 3), 0x0102030405060708LL);

    std::mt19937_64 rng(7);
    for (int i = 0; i < 10000; ++i) {
        auto v64 = static_cast<int64_t>(rng());
        auto v32 = static_cast<int32_t>(rng());
        int off = static_cast<int>(rng() % 8);
        stptr(v64, buf + off);
        EXPECT_EQ(ldptr(buf + off), v64);
        stlong(v32, buf + off);
        EXPECT_EQ(ldlong(buf + off), v32);
        EXPECT_EQ(buf[off], static_cast<unsigned char>(static_cast<uint32_t>(v32) >> 24));
    }
}

} // namespace
