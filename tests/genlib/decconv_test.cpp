// DECIMAL conversions through their public functions, in the default
// (en_US) environment unless a test sets another: text in and out, digit
// strings, integers, floating values and the locale-format front ends.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "decconv.h"
#include "gentcb.h"
#include "gl_locale.h"
#include "glsenv.h"
#include "numfmt.h"

namespace {

decvalue from_text(const char *text, int expected_status = 0)
{
    decvalue dec{};
    EXPECT_EQ(deccvasc(text, static_cast<int>(std::strlen(text)), &dec), expected_status) << text;
    return dec;
}

std::string to_text(const decvalue &dec, int len, int places)
{
    std::string buf(static_cast<size_t>(len), '?');
    int status = dectoasc(&dec, buf.data(), len, places);
    return status == 0 ? buf : "status " + std::to_string(status) + " [" + buf + "]";
}

std::string trimmed(const decvalue &dec, int places = -1)
{
    std::string s = to_text(dec, 60, places);
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

// The locale-library error number of the client locale.
int locale_error() { return CheckGlsEnv()->locale->error; }

bool is_null(const decvalue &d) { return d.sign == -1 && d.ndigits == 0; }

} // namespace

TEST(Deccvasc, BlanksNullPointSignsAndNotNumbers)
{
    EXPECT_TRUE(is_null(from_text("   ")));
    EXPECT_TRUE(is_null(from_text("")));
    decvalue zero = from_text(".");
    EXPECT_EQ(dec_is_zero(&zero), 1);
    decvalue minus = from_text("-", -1213);
    EXPECT_EQ(dec_is_zero(&minus), 1) << "an error leaves zero, not NULL";
    EXPECT_EQ(trimmed(from_text("  -12.5  ")), "-12.5");
    EXPECT_EQ(trimmed(from_text("+7")), "7.0");
    EXPECT_EQ(trimmed(from_text("-0")), "0.0");
    EXPECT_EQ(trimmed(from_text("12\n")), "12.0") << "a newline ends the text";
    for (const char *bad : {"abc", "1.2.3", "1x", "--1", "+-1", "1 2", "e5", "1e5x", "0x", "0xg", "1,2.5.", " . 5"})
        from_text(bad, -1213);
}

TEST(Deccvasc, ThousandsSeparatorsFollowTheGrouping)
{
    EXPECT_EQ(trimmed(from_text("1,234.5")), "1234.5");
    EXPECT_EQ(trimmed(from_text("12,345,678")), "12345678.0");
    EXPECT_EQ(trimmed(from_text("-1,234")), "-1234.0");
    for (const char *bad : {"12,34.5", "1,23", "1234,567", "1,,234", "1.5,000", ",5"})
        from_text(bad, -1213);
}

// The client locale's conventions with some fields replaced, copied into
// the current format; the locale's own are copied back at the end.
class OtherConventions {
public:
    OtherConventions()
    {
        const gl_lconv *own = getdbmoney();
        EXPECT_NE(own, nullptr);
        if (own != nullptr)
            record_ = *own;
    }
    ~OtherConventions() { getdbmoney(); }
    gl_lconv &record() { return record_; }
    void apply() { EXPECT_EQ(init_local_lconv(&record_), &record_); }

private:
    gl_lconv record_{};
};

TEST(Deccvasc, GroupingLimitsAndSignsOfOtherConventions)
{
    OtherConventions c;
    // No grouping: a separator makes the text no number.
    std::memset(c.record().grouping, 0, sizeof c.record().grouping);
    c.apply();
    EXPECT_EQ(trimmed(from_text("1234")), "1234.0");
    from_text("1,234", -1213);
    // Groups of three, then none further (CHAR_MAX): the rest is one run.
    c.record().grouping[0] = 3;
    c.record().grouping[1] = 127;
    c.record().positive_sign = "+";
    c.apply();
    EXPECT_EQ(trimmed(from_text("1234,567")), "1234567.0");
    EXPECT_EQ(trimmed(from_text("+1234,567.5")), "1234567.5") << "the locale's positive sign";
    from_text("1,234,567", -1213);
    // A blank separator: after the point it ends the number.
    c.record().thousands_sep = " ";
    c.apply();
    EXPECT_EQ(trimmed(from_text("1 234.5")), "1234.5");
    EXPECT_EQ(trimmed(from_text("12.5 ")), "12.5");
    from_text("1.5 2", -1213);
    from_text("12 34", -1213);
}

// The client locale is read on first use, so this test's own process
// starts in UTF-8.
TEST(Deccvasc, MultibytePointAndMinusSignInUtf8)
{
    setenv("CLIENT_LOCALE", "en_US.utf8", 1);
    OtherConventions c;
    c.record().decimal_point = "\xd9\xab";      // U+066B ARABIC DECIMAL SEPARATOR
    c.record().negative_sign = "\xe2\x88\x92"; // U+2212 MINUS SIGN
    c.apply();
    decvalue v = from_text("12\xd9\xab" "5");
    EXPECT_EQ(trimmed(v), "12\xd9\xab" "5");
    EXPECT_EQ(trimmed(from_text("\xe2\x88\x92" "3")), "-3\xd9\xab" "0");
    EXPECT_EQ(trimmed(from_text("-3")), "-3\xd9\xab" "0") << "a plain minus is a sign too";
    from_text("12.5", -1213);
}

TEST(Deccvasc, HexadecimalTextIsA32BitInteger)
{
    EXPECT_EQ(trimmed(from_text("0x1F")), "31.0");
    EXPECT_EQ(trimmed(from_text("-0x10")), "-16.0");
    EXPECT_EQ(trimmed(from_text("0XfF  \n")), "255.0");
    EXPECT_EQ(trimmed(from_text("0xFFFFFFFF")), "-1.0") << "32 bits, wrapping";
    EXPECT_EQ(trimmed(from_text("0x100000001")), "1.0");
    decvalue lowest = from_text("0x80000000");
    EXPECT_FALSE(is_null(lowest)) << "the wrapped value is a number, not the NULL integer";
    EXPECT_EQ(trimmed(lowest), "-2147483648.0");
    from_text("0x1G", -1213);
}

TEST(Deccvasc, ExponentRange)
{
    decvalue big = from_text("1e124");
    EXPECT_EQ(big.exponent, 63);
    EXPECT_EQ(big.ndigits, 1);
    EXPECT_EQ(big.digits[0], 1);
    from_text("1e125", -1213);
    decvalue small = from_text("1e-130");
    EXPECT_EQ(small.exponent, -64);
    EXPECT_EQ(small.digits[0], 1);
    from_text("1e-131", -1213);
    from_text("1e4294967297", -1213); // exponents do not wrap
    from_text("1e-99999999999999999999", -1213);
    EXPECT_EQ(trimmed(from_text("12.5E1")), "125.0");
    EXPECT_EQ(trimmed(from_text("0.000e999")), "0.0") << "zero has no exponent to check";
    const std::string zeros = "0." + std::string(200, '0');
    EXPECT_EQ(trimmed(from_text(zeros.c_str())), "0.0");
}

TEST(Deccvasc, ThirtyTwoDigitsKeptWithoutRounding)
{
    // 40 significant digits, an even decimal exponent: 32 are kept.
    decvalue even = from_text("1234567890123456789012345678901299999999");
    EXPECT_EQ(even.exponent, 20);
    EXPECT_EQ(even.ndigits, 16);
    EXPECT_EQ(even.digits[15], 12) << "no rounding from the dropped 9s";
    // An odd decimal exponent puts a zero digit in front: 31 are kept.
    decvalue odd = from_text("123456789012345678901234567890199999999");
    EXPECT_EQ(odd.exponent, 20);
    EXPECT_EQ(odd.digits[0], 1);
    EXPECT_EQ(odd.digits[15], 1);
    EXPECT_EQ(trimmed(from_text("0.05")), "0.05");
}

TEST(Deccvasc, LengthLimitsTheTextAndANulByteEndsIt)
{
    decvalue dec;
    ASSERT_EQ(deccvasc("12345", 3, &dec), 0);
    EXPECT_EQ(trimmed(dec), "123.0");
    const char with_nul[] = {'4', '2', '\0', '9', '9'};
    ASSERT_EQ(deccvasc(with_nul, 5, &dec), 0);
    EXPECT_EQ(trimmed(dec), "42.0");
    EXPECT_EQ(deccvasc("1", -1, &dec), -1213);
    EXPECT_EQ(deccvasc(nullptr, 3, &dec), -1213);
    EXPECT_EQ(deccvasc("1", 1, nullptr), -1213);
    const std::string long_text(100000, '7');
    EXPECT_EQ(deccvasc(long_text.c_str(), static_cast<int>(long_text.size()), &dec), -1213);
}

TEST(Dectoasc, PlacesWidthAndExponentForm)
{
    const decvalue v = from_text("1234.5678");
    EXPECT_EQ(to_text(v, 6, -1), "1234.6");
    EXPECT_EQ(to_text(v, 4, -1), "1235");
    EXPECT_EQ(to_text(v, 3, -1), "status -1 [***]");
    EXPECT_EQ(to_text(v, 12, 2), "1234.57     ");
    EXPECT_EQ(to_text(from_text("-0.001"), 8, 2), "0.00    ") << "no minus sign for shown zeros";
    EXPECT_EQ(to_text(from_text("5"), 5, -1), "5.0  ");
    EXPECT_EQ(to_text(from_text("0"), 5, -1), "0.0  ");
    EXPECT_EQ(to_text(from_text("12345678901234567890"), 8, -1), "1.235e19");
    EXPECT_EQ(to_text(from_text("0.000012345"), 8, -1), "1.23e-05");
    EXPECT_EQ(to_text(from_text("-1e100"), 8, -1), "-1e100  ");
    EXPECT_EQ(to_text(from_text("0.000012345"), 4, -1), "status -1 [****]");
}

TEST(Dectoasc, NoBufferAndPairBytesAbove99)
{
    const decvalue v = from_text("2.5");
    EXPECT_EQ(dectoasc(&v, nullptr, 10, -1), -1);
    EXPECT_EQ(dectoasc(&v, nullptr, 10, 2), -1);
    char buf[8];
    EXPECT_EQ(dectoasc(&v, buf, -1, 2), -1);
    // A hand-built record: a pair byte above 99 is written as 99.
    decvalue odd{};
    odd.sign = 1;
    odd.exponent = 1;
    odd.ndigits = 2;
    odd.digits[0] = 150;
    odd.digits[1] = 50;
    EXPECT_EQ(trimmed(odd), "99.5");
    odd.digits[0] = 99;
    EXPECT_EQ(trimmed(odd), "99.5");
    // The last pair too, and the places it needs are those of 99.
    odd.digits[0] = 7;
    odd.digits[1] = 250;
    EXPECT_EQ(trimmed(odd), "7.99");
}

TEST(Dectoasc, RoundingCarriesAndNull)
{
    EXPECT_EQ(to_text(from_text("9.99"), 4, 1), "10.0");
    EXPECT_EQ(to_text(from_text("9.96"), 3, -1), "10 ");
    EXPECT_EQ(to_text(from_text("-2.5"), 4, 0), "-3  ");
    EXPECT_EQ(to_text(from_text("0.5"), 1, -1), "1");
    decvalue null{};
    null.sign = -1;
    EXPECT_EQ(to_text(null, 5, 2), "     ");
    char buf[4];
    EXPECT_EQ(dectoasc(&null, buf, 0, 2), 0);
    EXPECT_EQ(dectoasc(nullptr, buf, 4, 2), 0) << "no record reads as NULL";
}

TEST(Dbltoasc, NegativeSignAndCutFraction)
{
    decvalue v;
    ASSERT_EQ(deccvasc("-0.25", 5, &v), 0);
    char buf[8];
    ASSERT_EQ(dbltoasc(&v, buf, 8, 4), 0);
    EXPECT_EQ(std::string(buf, 8), std::string("-0.25\0\0 ", 8));
    ASSERT_EQ(deccvasc("-0.001", 6, &v), 0);
    ASSERT_EQ(dbltoasc(&v, buf, 8, 2), 0);
    EXPECT_EQ(std::string(buf, 8), std::string("-0.\0\0   ", 8)) << "the sign stays for shown zeros";
}

TEST(DigitStrings, EcvtAndFcvtRoundHalfAwayFromZero)
{
    int point = 0;
    int sign = 0;
    decvalue v = from_text("0.005");
    EXPECT_STREQ(decfcvt(&v, 2, &point, &sign), "1");
    EXPECT_EQ(point, -1);
    v = from_text("9.99");
    EXPECT_STREQ(dececvt(&v, 2, &point, &sign), "10");
    EXPECT_EQ(point, 2);
    v = from_text("-123.456");
    EXPECT_STREQ(dececvt(&v, 8, &point, &sign), "12345600");
    EXPECT_EQ(point, 3);
    EXPECT_EQ(sign, 1);
    EXPECT_STREQ(decfcvt(&v, 1, &point, &sign), "1235");
    v = from_text("0.0001");
    EXPECT_STREQ(decfcvt(&v, 2, &point, &sign), "0");
    EXPECT_EQ(point, 0);
    v = from_text("0");
    EXPECT_STREQ(dececvt(&v, 3, &point, &sign), "000");
    EXPECT_EQ(point, 0);
    decvalue null{};
    null.sign = -1;
    EXPECT_STREQ(dececvt(&null, 3, &point, &sign), "   ");
    v = from_text("1.5");
    const char *wide = decfcvt(&v, 500, &point, &sign);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(std::strlen(wide), 501u) << "the work buffer grows";
    EXPECT_EQ(wide[1], '5');
}

TEST(DigitStrings, CopyingFormsCheckTheBuffer)
{
    decvalue v = from_text("3.14159");
    int point;
    int sign;
    char buf[8];
    EXPECT_EQ(trw_dececvt(&v, 4, &point, &sign, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "3142");
    EXPECT_EQ(trw_decfcvt(&v, 3, &point, &sign, buf, 5), 0);
    EXPECT_STREQ(buf, "3142");
    EXPECT_EQ(trw_decfcvt(&v, 3, &point, &sign, buf, 4), -1273);
    EXPECT_EQ(trw_dececvt(&v, 3, &point, &sign, buf, 0), -1273);
}

TEST(Integers, RangesAndNull)
{
    decvalue v;
    int32_t l = 0;
    int i = 0;
    ASSERT_EQ(deccvlong(2147483647, &v), 0);
    EXPECT_EQ(trimmed(v), "2147483647.0");
    ASSERT_EQ(deccvlong(-5, &v), 0);
    EXPECT_EQ(dectolong(&v, &l), 0);
    EXPECT_EQ(l, -5);
    ASSERT_EQ(deccvlong(INT32_MIN, &v), 0);
    EXPECT_TRUE(is_null(v));
    EXPECT_EQ(dectolong(&v, &l), 0);
    EXPECT_EQ(l, INT32_MIN);
    ASSERT_EQ(deccvint(-32768, &v), 0);
    EXPECT_TRUE(is_null(v));
    EXPECT_EQ(dectoint(&v, &i), 0);
    EXPECT_EQ(i, -32768);
    EXPECT_EQ(dectoint(&(v = from_text("40000")), &i), -1200);
    EXPECT_EQ(dectoint(&(v = from_text("-32767.9")), &i), 0);
    EXPECT_EQ(i, -32767);
    EXPECT_EQ(dectolong(&(v = from_text("2147483648")), &l), -1200);
    EXPECT_EQ(dectolong(&(v = from_text("-2147483647.9")), &l), -1200);
    EXPECT_EQ(dectolong(&(v = from_text("-2147483646.9")), &l), 0);
    EXPECT_EQ(l, -2147483646);
    EXPECT_EQ(dectolong(&(v = from_text("1e20")), &l), -1200);
    EXPECT_EQ(dectolong(&(v = from_text("0.99")), &l), 0);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(dectolong(&(v = from_text("1200")), &l), 0);
    EXPECT_EQ(l, 1200);
}

TEST(Floating, SignificantDigitsAndSpecialValues)
{
    decvalue v;
    ASSERT_EQ(deccvdbl(0.1, &v), 0);
    EXPECT_EQ(trimmed(v), "0.10000000000000001");
    ASSERT_EQ(deccvflt(0.1f, &v), 0);
    EXPECT_EQ(trimmed(v), "0.100000001");
    ASSERT_EQ(deccvdbl(-0.0, &v), 0);
    EXPECT_EQ(dec_is_zero(&v), 1);
    EXPECT_EQ(deccvdbl(NAN, &v), -1223);
    EXPECT_EQ(deccvdbl(INFINITY, &v), -1223);
    double null_double;
    std::memset(&null_double, 0xFF, sizeof null_double);
    EXPECT_EQ(deccvdbl(null_double, &v), -1223);
    EXPECT_EQ(deccvdbl(1e300, &v), -1200);
    EXPECT_EQ(deccvdbl(1e-300, &v), -1201);

    double d = 0;
    ASSERT_EQ(dectodbl(&(v = from_text("12.5")), &d), 0);
    EXPECT_EQ(d, 12.5);
    ASSERT_EQ(dectodbl(&(v = from_text("-1200")), &d), 0);
    EXPECT_EQ(d, -1200.0);
    ASSERT_EQ(dectodbl(&(v = from_text("0.000123")), &d), 0);
    EXPECT_EQ(d, 0.000123);
    ASSERT_EQ(dectodbl(&(v = from_text("1e124")), &d), 0);
    EXPECT_EQ(d, 1e124);
    float f = 0;
    ASSERT_EQ(dectoflt(&(v = from_text("0.1")), &f), 0);
    EXPECT_EQ(f, 0.1f);
    v.sign = -1;
    v.ndigits = 0;
    ASSERT_EQ(dectodbl(&v, &d), 0);
    unsigned char bytes[8];
    std::memcpy(bytes, &d, 8);
    for (unsigned char b : bytes)
        EXPECT_EQ(b, 0xFF);
    ASSERT_EQ(dectoflt(&v, &f), 0);
    std::memcpy(bytes, &f, 4);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(bytes[k], 0xFF);
}

TEST(Floating, Precision16FromTheEnvironment)
{
    setenv("TRW_USE_PREC_16", "1", 1);
    decvalue v;
    ASSERT_EQ(deccvdbl(0.1, &v), 0);
    EXPECT_EQ(trimmed(v), "0.1");
    ASSERT_EQ(deccvflt(0.1f, &v), 0);
    EXPECT_EQ(trimmed(v), "0.1");
    ASSERT_EQ(deccvdbl(2.0 / 3.0, &v), 0);
    EXPECT_EQ(trimmed(v), "0.6666666666666666");
    setenv("TRW_USE_PREC_16", "0", 1);
    ASSERT_EQ(deccvdbl(0.1, &v), 0);
    EXPECT_EQ(trimmed(v), "0.1") << "read once per process";
}

TEST(Floating, GftoascRangesAndFloats)
{
    char buf[32];
    EXPECT_STREQ(_gftoasc(12.5, buf, sizeof buf), "12.5");
    EXPECT_STREQ(_gftoasc(0.0, buf, sizeof buf), "0.0");
    EXPECT_STREQ(_gftoasc(1e130, buf, sizeof buf), "1.000000e+130");
    EXPECT_STREQ(_gftoasc(-2e-140, buf, sizeof buf), "-2.000000e-140");
    EXPECT_STREQ(_gnftoasc(1e130, buf, 16, 1), "1.00000000e+130");
    EXPECT_STREQ(_gnftoasc(1e130, buf, 6, 1), "*****");
    EXPECT_STREQ(_gnftoasc(0.1, buf, sizeof buf, 0), "0.100000001");
    EXPECT_STREQ(_gnftoasc(0.1, buf, sizeof buf, 1), "0.10000000000000001");
    EXPECT_EQ(_gftoasc(NAN, buf, sizeof buf), nullptr);
    EXPECT_EQ(get_toerrno(), -1223);
    EXPECT_EQ(_gftoasc(123456.0, buf, 4), nullptr);
    EXPECT_EQ(get_toerrno(), -1);
}

TEST(LocaleFormats, NumbersWithAndWithoutFormats)
{
    decvalue v;
    ASSERT_EQ(trw_gl_convert_number(&v, "1,234.5", nullptr), 0);
    EXPECT_EQ(trimmed(v), "1234.5");
    ASSERT_EQ(trw_gl_convert_number(&v, "  2.75", "%f"), 0);
    EXPECT_EQ(trimmed(v), "2.75");
    ASSERT_EQ(trw_gl_convert_number(&v, "n=42", "n=%d"), 0);
    EXPECT_EQ(trimmed(v), "42.0");
    EXPECT_EQ(trw_gl_convert_number(&v, "abc", nullptr), -1);
    EXPECT_EQ(locale_error(), 9);
    EXPECT_EQ(trw_gl_convert_number(&v, "1", "%s"), -1);
    EXPECT_EQ(locale_error(), 22);
    EXPECT_EQ(trw_gl_convert_number(&v, "1 2", "%d %d"), -1);
    EXPECT_EQ(locale_error(), 22);

    char out[32];
    ASSERT_EQ(trw_gl_format_number(out, sizeof out, &(v = from_text("1234.5")), nullptr), 0);
    EXPECT_STREQ(out, "1234.5");
    ASSERT_EQ(trw_gl_format_number(out, sizeof out, &v, "%.2f"), 0);
    EXPECT_STREQ(out, "1234.50");
    ASSERT_EQ(trw_gl_format_number(out, sizeof out, &v, "[%'.1f]"), 0);
    EXPECT_STREQ(out, "[1,234.5]");
    ASSERT_EQ(trw_gl_format_number(out, sizeof out, &v, "%d"), 0);
    EXPECT_STREQ(out, "1234");
    EXPECT_EQ(trw_gl_format_number(out, sizeof out, &(v = from_text("40000")), "%d"), -1);
    EXPECT_EQ(trw_gl_format_number(out, 4, &(v = from_text("123456")), nullptr), -1);
}

TEST(LocaleFormats, DoublesWithAndWithoutFormats)
{
    double d = 0;
    ASSERT_EQ(trw_gl_convert_double(&d, "  12.5", nullptr), 0);
    EXPECT_EQ(d, 12.5);
    ASSERT_EQ(trw_gl_convert_double(&d, "0x1F", nullptr), 0);
    EXPECT_EQ(d, 31.0);
    ASSERT_EQ(trw_gl_convert_double(&d, "-1.5e3", "%e"), 0);
    EXPECT_EQ(d, -1500.0);
    EXPECT_EQ(trw_gl_convert_double(&d, "1.5e", "%e"), -1213);
    EXPECT_EQ(trw_gl_convert_double(&d, "1.5x", "%e"), -1213);
    EXPECT_EQ(trw_gl_convert_double(&d, "abc", nullptr), -1213);
    EXPECT_EQ(trw_gl_convert_double(&d, "1e999", nullptr), -1213);
    ASSERT_EQ(trw_gl_convert_double(&d, "   ", nullptr), 0);
    EXPECT_TRUE(std::isnan(d));

    char out[16];
    ASSERT_EQ(trw_gl_format_double(out, sizeof out, 0.5, nullptr), 0);
    EXPECT_STREQ(out, "0.5");
    ASSERT_EQ(trw_gl_format_double(out, sizeof out, 2.5, "%.3lf"), 0);
    EXPECT_STREQ(out, "2.500");
    EXPECT_EQ(trw_gl_format_double(out, sizeof out, 2.5, "%d"), -415);
    EXPECT_EQ(trw_gl_format_double(out, sizeof out, 2.5, "%f%f"), -415);
    EXPECT_EQ(trw_gl_format_double(out, 4, 2.5, "%.5f"), -1207);
}
