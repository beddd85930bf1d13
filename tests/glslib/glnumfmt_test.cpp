// The number format language: the grouping rule on test locales, the
// conversions and their flags, sizes and errors, the parser, the text and
// integer helpers, multibyte client locales and the work buffers' heap
// fallback.
#include <gtest/gtest.h>

#include <cstdarg>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl_ext.h"
#include "gl_numfmt.h"
#include "glslib/numfmt_locale.h"

using namespace trwtest;

namespace {

std::string fnum(gl_locale *loc, const char *format, ...)
{
    char out[512];
    va_list ap;
    va_start(ap, format);
    gl_fmt_value values[GL_FMT_MAX_VALUES];
    int kinds[GL_FMT_MAX_VALUES];
    const int n = _gl_mbsfnum_kinds(loc, format, kinds, GL_FMT_MAX_VALUES);
    for (int i = 0; i < n; ++i) {
        values[i].kind = kinds[i];
        switch (kinds[i]) {
        case GL_FMT_INT64: values[i].v.l = va_arg(ap, int64_t); break;
        case GL_FMT_DOUBLE: values[i].v.d = va_arg(ap, double); break;
        case GL_FMT_MBS: values[i].v.mbs = va_arg(ap, const char *); break;
        case GL_FMT_WCS: values[i].v.wcs = va_arg(ap, const gl_wchar_t *); break;
        default: values[i].v.i = va_arg(ap, int); break;
        }
    }
    va_end(ap);
    if (n < 0)
        return "error " + std::to_string(loc->error);
    const int r = _gl_mbsfnum_values(loc, out, sizeof out, format, values, n);
    if (r < 0)
        return "error " + std::to_string(loc->error);
    EXPECT_EQ(r, static_cast<int>(std::strlen(out)));
    return out;
}

std::string grouped(gl_locale *loc, int64_t v)
{
    char out[80];
    EXPECT_GT(gl_mbsfnum(loc, out, sizeof out, "%'ld", v), 0);
    return out;
}

} // namespace

TEST(NumberGrouping, TheRuleOnTestLocales)
{
    struct Case {
        std::vector<int> grouping;
        int64_t value;
        const char *expected;
    } cases[] = {
        {{3, 3}, 1234567, "1,234,567"},
        {{3, 2}, 1234567, "12,34,567"},      // the last size repeats
        {{3, -1}, 1234567, "1234,567"},      // -1 stops
        {{2, 0}, 1234567, "1,23,45,67"},     // 0 repeats the size before it
        {{}, 1234567, "1234567"},            // no sizes, no grouping
        {{0}, 1234567, "1234567"},           // a lone 0 stops at once
        {{3, 0, 2}, 1234567, "1234,567"},    // a 0 inside the list stops
        {{2, -1, 1}, 1234567, "12345,67"},   // so does a -1 before the end
        {{1, 2, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 4}, INT64_MAX, "92,2,3,3,7,2,0,3,6,8,5,4,775,80,7"},
        {{3}, -999, "-999"},
        {{3}, -1000, "-1,000"},
        {{3}, 0, "0"},
    };
    for (const Case &c : cases) {
        NumericSection n;
        n.grouping = c.grouping;
        TestLocale t(n);
        EXPECT_EQ(grouped(t.loc, c.value), c.expected);
        // The integer-to-text helpers follow the same rule.
        char out[80];
        EXPECT_EQ(gl_ltombs(t.loc, out, sizeof out, c.value, 10, 1), static_cast<int>(std::strlen(c.expected)) + 1);
        EXPECT_STREQ(out, c.expected);
        // And the grouped text reads back with grouping checked.
        char *end = nullptr;
        EXPECT_EQ(gl_mbstol(t.loc, c.expected, &end, 10, 1), c.value) << c.expected;
        EXPECT_EQ(*end, '\0');
    }
}

TEST(NumberGrouping, MultibyteSeparatorAndFloatingGroups)
{
    NumericSection n;
    n.separator = "\xe2\x80\xaf"; // U+202F in UTF-8 (the test locale's CTYPE is 8859-1: three characters)
    n.point = ",";
    TestLocale t(n);
    EXPECT_EQ(fnum(t.loc, "%'.2f", 1234567.891), "1\xe2\x80\xaf" "234\xe2\x80\xaf" "567,89");
    EXPECT_EQ(fnum(t.loc, "%'d", 1234567), "1\xe2\x80\xaf" "234\xe2\x80\xaf" "567");
    double d = 0;
    EXPECT_EQ(gl_mbspnum(t.loc, "1\xe2\x80\xaf" "234,5", "%'f", &d), 1);
    EXPECT_EQ(d, 1234.5);
}

TEST(NumberFormat, ConversionsAndFlags)
{
    Loaded l("en_us/0333.lco");
    gl_locale *loc = l.loc;
    const struct {
        std::string got, expected;
    } cases[] = {
        {fnum(loc, "%+d", 5), "5"},          // positive_sign is empty
        {fnum(loc, "% d|% d", 5, -5), " 5|-5"},
        {fnum(loc, "%#x", 255), "0xff"},
        {fnum(loc, "%#X", 255), "0XFF"},
        {fnum(loc, "%#o", 8), "010"},
        {fnum(loc, "%b", 5), "101"},
        {fnum(loc, "%q", 5), "11"},
        {fnum(loc, "%x", -255), "-ff"},      // sign and magnitude
        {fnum(loc, "%hd", 70000), "4464"},
        {fnum(loc, "%hu", -1), "65535"},
        {fnum(loc, "%u", -1), "4294967295"},
        {fnum(loc, "%ld", INT64_MIN), "-9223372036854775808"},
        {fnum(loc, "%lu", static_cast<int64_t>(-1)), "18446744073709551615"},
        {fnum(loc, "%08.3d|%-6d|%06d", 7, 7, -7), "     007|7     |-00007"},
        {fnum(loc, "%#08x", 255), "0x0000ff"},
        {fnum(loc, "%5s|%-5s|%.1s|%05s", "ab", "ab", "ab", "ab"), "   ab|ab   |a|000ab"},
        {fnum(loc, "%3c|%-3c", 'x', 'y'), "  x|y  "},
        {fnum(loc, "%f|%5f|%-5f|%f", INFINITY, NAN, -INFINITY, -NAN), "Inf|  NaN|-Inf |NaN"},
        {fnum(loc, "%'.2f", 1234567.891), "1,234,567.89"},
        {fnum(loc, "%.1e|%E", 12000.0, 0.00012), "1.2e+04|1.200000E-04"},
        {fnum(loc, "%010.2f|%-10.1f|", -3.14159, 2.5), "-000003.14|2.5       |"},
        {fnum(loc, "%.0f|%#.0f|%g|%#g", 2.5, 2.0, 0.0001, 1.0), "2|2.|0.0001|1.00000"},
        {fnum(loc, "%.2f", -0.0), "-0.00"},
        {fnum(loc, "%*d|%-*d|%.*f", 4, 1, 4, 2, 1, 2.25), "   1|2   |2.2"},
        {fnum(loc, "%*d|%.*f", -4, 1, -1, 2.5), "1   |2.500000"},
        {fnum(loc, "%2$s %1$s %2$s", "a", "b"), "b a b"},
        {fnum(loc, "%1$*2$d|", 5, 3), "  5|"},
        {fnum(loc, "%.d", 0), "0"},
        {fnum(loc, "100%%"), "100%"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.got, c.expected);
}

TEST(NumberFormat, ErrorsAndSizes)
{
    Loaded l("en_us/0333.lco");
    gl_locale *loc = l.loc;
    char out[16];
    EXPECT_EQ(fnum(loc, "%k", 1), "error 22");
    EXPECT_EQ(fnum(loc, "%5", 1), "error 15");
    EXPECT_EQ(fnum(loc, "%.-3d", 1), "error 45");
    EXPECT_EQ(fnum(loc, "%100f", 1.0), "error 14");
    EXPECT_EQ(fnum(loc, "%99f", 1.0).size(), 99u);
    // Positions number every conversion or none, and leave no number out.
    EXPECT_EQ(fnum(loc, "%1$d %d", 1, 2), "error 22");
    EXPECT_EQ(fnum(loc, "%2$d", 1, 2), "error 22");
    EXPECT_EQ(fnum(loc, "%1$d %1$s", 1), "error 22");
    // Widths and precisions of any length saturate: too large for the output.
    EXPECT_EQ(fnum(loc, "%99999999999999999999d", 1), "error 14");
    EXPECT_EQ(fnum(loc, "%.99999999999999999999d", 1), "error 14");
    EXPECT_EQ(fnum(loc, "%.*f", INT32_MAX, 1.0), "error 14") << "never a rendering sized by the precision";
    EXPECT_EQ(fnum(loc, "%.400e", 1.0).size(), 406u);
    // Room: the count may not reach the size (one place for the terminator).
    EXPECT_EQ(gl_mbsfnum(loc, out, 4, "%d", 123), 3);
    EXPECT_STREQ(out, "123");
    EXPECT_EQ(gl_mbsfnum(loc, out, 3, "%d", 123), -1);
    EXPECT_EQ(loc->error, GL_E2BIG);
    out[0] = 'x';
    EXPECT_EQ(gl_mbsfnum(loc, out, 0, "abc"), -1);
    EXPECT_EQ(out[0], 'x') << "a size of 0 writes nothing";
    EXPECT_EQ(gl_mbsfnum(loc, out, -5, "abc"), -1);
    EXPECT_EQ(loc->error, GL_E2BIG);
    // 1e308 has 309 integer digits: no fixed buffer overflows.
    char big[400];
    EXPECT_EQ(gl_mbsfnum(loc, big, sizeof big, "%f", 1e308), 316);
    EXPECT_EQ(gl_mbsfnum(loc, big, sizeof big, "%'f", 1e308), -1);
    EXPECT_EQ(loc->error, GL_E2BIG);
    // The wide form counts wide characters.
    gl_wchar_t w[8];
    const auto format = wide("%d|%s");
    EXPECT_EQ(gl_wcsfnum(loc, w, 8, format.data(), 42, "abcd"), 7);
    EXPECT_EQ(gl_wcsfnum(loc, w, 7, format.data(), 42, "abcd"), -1);
}

TEST(NumberParse, FieldsAndErrors)
{
    Loaded l("en_us/0333.lco");
    gl_locale *loc = l.loc;
    int i = 0, j = 0;
    int16_t h = 0;
    int64_t big = 0;
    double d = 0;
    unsigned u = 0;
    char s[32];
    EXPECT_EQ(gl_mbspnum(loc, "12abc", "%d", &i), 1);
    EXPECT_EQ(i, 12);
    EXPECT_EQ(gl_mbspnum(loc, "-5", "%u", &u), -1);
    EXPECT_EQ(loc->error, GL_EFMTMATCH);
    EXPECT_EQ(gl_mbspnum(loc, "x1", "y%d", &i), -1);
    EXPECT_EQ(loc->error, GL_EFMTMATCH);
    EXPECT_EQ(gl_mbspnum(loc, "  7 ,  -8", "%d ,%d", &i, &j), 2);
    EXPECT_EQ(j, -8);
    EXPECT_EQ(gl_mbspnum(loc, "ff 777 101 33", "%x %o %b %q", &i, &j, &u, &big), 4);
    EXPECT_EQ(i, 255);
    EXPECT_EQ(j, 511);
    EXPECT_EQ(u, 5u);
    EXPECT_EQ(gl_mbspnum(loc, "123456", "%3d%d", &i, &j), 2);
    EXPECT_EQ(i, 123);
    EXPECT_EQ(j, 456);
    EXPECT_EQ(gl_mbspnum(loc, "40000", "%hd", &h), 0);
    EXPECT_EQ(loc->error, GL_ENUMRANGE);
    EXPECT_EQ(gl_mbspnum(loc, "9223372036854775807", "%ld", &big), 1);
    EXPECT_EQ(big, INT64_MAX);
    EXPECT_EQ(gl_mbspnum(loc, "3000000000", "%d", &i), 0);
    EXPECT_EQ(gl_mbspnum(loc, "1,234.5e2 rest", "%'f %s", &d, s), 2);
    EXPECT_EQ(d, 123450.0);
    EXPECT_STREQ(s, "rest");
    EXPECT_EQ(gl_mbspnum(loc, "1.5", "%*f%n", &d), -1) << "unknown conversion";
    EXPECT_EQ(gl_mbspnum(loc, "1.5 2", "%*f %d", &i), 1);
    EXPECT_EQ(i, 2);
    EXPECT_EQ(gl_mbspnum(loc, "2 1", "%2$d %1$d", &i, &j), 2);
    EXPECT_EQ(i, 1);
    // A field shorter than its precision may be followed by blanks only.
    EXPECT_EQ(gl_mbspnum(loc, "1.5  |", "%.5f|", &d), 1);
    EXPECT_EQ(gl_mbspnum(loc, "1.5x |", "%.5f|", &d), 0);
    EXPECT_EQ(loc->error, GL_EFMTPREC);
    EXPECT_EQ(gl_mbspnum(loc, " 1.5", "%-f", &d), 0) << "no white space at a floating field's start";
    EXPECT_EQ(gl_mbspnum(loc, "abcdef", "%3s%c", s, s + 10), 2);
    EXPECT_STREQ(s, "abc");
    EXPECT_STREQ(s + 10, "d");
    EXPECT_EQ(gl_mbspnum(loc, "-", "%f", &d), 0);
    EXPECT_EQ(loc->error, GL_ENUMSIGN);
}

TEST(NumberText, IntegersFromText)
{
    Loaded l("en_us/0333.lco");
    gl_locale *loc = l.loc;
    char *end = nullptr;
    EXPECT_EQ(gl_mbstol(loc, "  -1234xyz", &end, 10, 0), -1234);
    EXPECT_STREQ(end, "xyz");
    EXPECT_EQ(gl_mbstol(loc, "0x1f", &end, 0, 0), 31);
    EXPECT_EQ(gl_mbstol(loc, "017", &end, 0, 0), 15);
    EXPECT_EQ(gl_mbstol(loc, "zz", &end, 36, 0), 35 * 36 + 35);
    EXPECT_EQ(gl_mbstol(loc, "9223372036854775808", &end, 10, 0), INT64_MAX);
    EXPECT_EQ(loc->error, GL_ENUMRANGE);
    EXPECT_EQ(gl_mbstol(loc, "-9223372036854775808", &end, 10, 0), INT64_MIN);
    EXPECT_EQ(loc->error, 0);
    EXPECT_EQ(gl_mbstoul(loc, "18446744073709551615", &end, 10, 0), UINT64_MAX);
    EXPECT_EQ(gl_mbstoul(loc, "18446744073709551616", &end, 10, 0), UINT64_MAX);
    EXPECT_EQ(loc->error, GL_ENUMRANGE);
    // Grouping checked from the right.
    EXPECT_EQ(gl_mbstol(loc, "1,234,567", &end, 10, 1), 1234567);
    EXPECT_EQ(gl_mbstol(loc, "12,34,567", &end, 10, 1), INT64_MAX);
    EXPECT_EQ(loc->error, GL_ENUMGROUP);
    EXPECT_EQ(gl_mbstol(loc, "1234567", &end, 10, 1), INT64_MAX);
    EXPECT_EQ(loc->error, GL_ENUMGROUP);
    EXPECT_EQ(gl_mbstoul(loc, "1234,567", &end, 10, 1), UINT64_MAX);
    EXPECT_EQ(gl_mbstol(loc, "1,234,", &end, 10, 1), 1234);
    EXPECT_STREQ(end, ",");
    EXPECT_EQ(gl_mbstol(loc, "abc", &end, 10, 0), 0);
    EXPECT_STREQ(end, "abc");
    // At most 256 characters are examined.
    const std::string zeros = std::string(300, '0') + "5";
    EXPECT_EQ(gl_mbstol(loc, zeros.c_str(), &end, 10, 0), 0);
    EXPECT_EQ(end, zeros.c_str() + 256);
}

TEST(NumberText, DoublesFromText)
{
    Loaded l("en_us/0333.lco");
    gl_locale *loc = l.loc;
    char *end = nullptr;
    EXPECT_EQ(gl_mbstod(loc, " -1,234.5e-1x", &end, 1), -123.45);
    EXPECT_STREQ(end, "x");
    EXPECT_EQ(gl_mbstod(loc, "", &end, 0), 2147483647.0);
    EXPECT_EQ(loc->error, GL_ENUMRANGE);
    EXPECT_EQ(gl_mbstod(loc, "1e999", &end, 0), 2147483647.0);
    EXPECT_EQ(loc->error, GL_ENUMRANGE);
    EXPECT_EQ(gl_mbstod(loc, "-", &end, 0), 2147483647.0);
    EXPECT_EQ(loc->error, GL_ENUMSIGN);
    EXPECT_EQ(gl_mbstod(loc, "1e-400", &end, 0), 0.0) << "underflow keeps the system's result";
    EXPECT_EQ(loc->error, GL_ENUMRANGE);
    EXPECT_EQ(gl_mbstod(loc, "4.9e-324", &end, 0), 4.9e-324);
    EXPECT_EQ(gl_mbstod(loc, ".5", &end, 0), 0.5);
    EXPECT_EQ(gl_mbstod(loc, "5.", &end, 0), 5.0);
    EXPECT_EQ(gl_mbstod(loc, "1e", &end, 0), 1.0);
    EXPECT_STREQ(end, "e");
    const std::string long_digits = "1" + std::string(400, '0');
    EXPECT_EQ(gl_mbstod(loc, long_digits.c_str(), &end, 0), 2147483647.0);
    // The monetary worker takes the MONETARY signs and point.
    NumericSection n;
    MonetarySection m;
    m.point = ",";
    m.separator = ".";
    m.negative = "~";
    TestLocale t(n, m);
    const auto text = wide("~1.234,5");
    EXPECT_EQ(gl_wcstod_num_mon(t.loc, text.data(), nullptr, 1, 1), -1234.5);
    // The exponent takes the locale's own signs as well as "+" and "-".
    NumericSection signs;
    signs.negative = "~";
    signs.positive = "#";
    TestLocale s(signs);
    EXPECT_EQ(gl_wcstod(s.loc, wide("1.5e~2").data(), nullptr, 0), 0.015);
    EXPECT_EQ(gl_wcstod(s.loc, wide("1.5e#2").data(), nullptr, 0), 150.0);
    EXPECT_EQ(gl_wcstod(s.loc, wide("1.5e-2").data(), nullptr, 0), 0.015);
}

// A record with only a CTYPE category reads numbers with "." and no
// separator or signs of its own, for numbers and money alike.
TEST(NumberText, RecordWithoutNumericOrMonetaryCategory)
{
    gl_locale *loc = nullptr;
    ASSERT_EQ(gl_create_null_locale_4(&loc), 0);
    char *names = gl_setlocale_4(loc, GL_LC_CTYPE, "en_us/0333.lco");
    ASSERT_NE(names, nullptr) << loc->error;
    gl_destroystring(names);
    EXPECT_EQ(loc->numeric, nullptr);
    EXPECT_EQ(loc->monetary, nullptr);
    char *end = nullptr;
    EXPECT_EQ(gl_mbstod(loc, "-12.5", &end, 1), -12.5);
    EXPECT_EQ(gl_mbstod(loc, "1,234", &end, 1), 1.0);
    EXPECT_STREQ(end, ",234");
    const auto text = wide("3.25x");
    gl_wchar_t *wend = nullptr;
    EXPECT_EQ(gl_wcstod_num_mon(loc, text.data(), &wend, 1, 1), 3.25);
    EXPECT_EQ(wend, text.data() + 4);
    gl_lc_unload(loc);
}

TEST(NumberText, IntegersToText)
{
    Loaded l("en_us/0333.lco");
    gl_locale *loc = l.loc;
    char out[80];
    EXPECT_EQ(gl_ltombs(loc, out, sizeof out, -255, 16, 0), 4);
    EXPECT_STREQ(out, "-FF");
    EXPECT_EQ(gl_ultombs(loc, out, sizeof out, UINT64_MAX, 2, 0), 65);
    EXPECT_EQ(gl_ltombs(loc, out, sizeof out, INT64_MIN, 10, 1), 27);
    EXPECT_STREQ(out, "-9,223,372,036,854,775,808");
    EXPECT_EQ(gl_ltombs(loc, out, 4, 12345, 10, 0), 6);
    EXPECT_STREQ(out, "") << "too small: empty";
    out[0] = 'x';
    EXPECT_EQ(gl_ltombs(loc, out, 0, 12345, 10, 0), 6);
    EXPECT_EQ(out[0], 'x') << "size 0: the length needed, nothing written";
    EXPECT_EQ(gl_ltombs(loc, out, sizeof out, 5, 1, 0), -1);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(gl_ltombs(loc, out, sizeof out, 5, 37, 0), -1);
    gl_wchar_t w[8];
    EXPECT_EQ(gl_ltowcs(loc, w, 8, 1234, 10, 1), 6);
    EXPECT_EQ(w[1], static_cast<gl_wchar_t>(','));
}

TEST(NumberMultibyte, Utf8WidthsAndRoundTrip)
{
    Loaded l("ja_jp/e01c.lco"); // ja_JP.utf8
    if (l.rc != 0)
        GTEST_SKIP() << "no ja_JP.utf8 file";
    gl_locale *loc = l.loc;
    // A full-width character takes two display columns of the width.
    EXPECT_EQ(fnum(loc, "[%6s]", "\xe6\x97\xa5\xe6\x9c\xac"), "[  \xe6\x97\xa5\xe6\x9c\xac]");
    EXPECT_EQ(fnum(loc, "[%-5s]", "\xe6\x97\xa5"), "[\xe6\x97\xa5   ]");
    EXPECT_EQ(fnum(loc, "[%.1s]", "\xe6\x97\xa5\xe6\x9c\xac"), "[\xe6\x97\xa5]");
    EXPECT_EQ(fnum(loc, "%c", 0xe697a5), "\xe6\x97\xa5");
    char s[32];
    int i = 0;
    EXPECT_EQ(gl_mbspnum(loc, "\xe6\x97\xa5\xe6\x9c\xac 42", "%s %d", s, &i), 2);
    EXPECT_STREQ(s, "\xe6\x97\xa5\xe6\x9c\xac");
    EXPECT_EQ(i, 42);
    EXPECT_EQ(gl_mbspnum(loc, "\xe6\x97\xa5\xe6\x9c\xac", "%2s", s), 1);
    EXPECT_STREQ(s, "\xe6\x97\xa5") << "a width of 2 columns holds one full-width character";
    // Invalid bytes are error 1.
    EXPECT_EQ(fnum(loc, "%s", "\xff"), "error 1");
    // The output size counts bytes: three for each of these characters.
    char out[7];
    EXPECT_EQ(gl_mbsfnum(loc, out, sizeof out, "%s", "\xe6\x97\xa5\xe6\x9c\xac"), 6);
    EXPECT_EQ(gl_mbsfnum(loc, out, 6, "%s", "\xe6\x97\xa5\xe6\x9c\xac"), -1);
    EXPECT_EQ(loc->error, GL_E2BIG);
}

TEST(NumberMultibyte, EucJpText)
{
    Loaded l("ja_jp/e007.lco"); // ja_JP.ujis
    gl_locale *loc = l.loc;
    ASSERT_EQ(l.rc, 0);
    EXPECT_EQ(fnum(loc, "[%4s|%'d]", "\xc6\xfc", 12345), "[  \xc6\xfc|12,345]");
    char *end = nullptr;
    EXPECT_EQ(gl_mbstol(loc, "12\xc6\xfc", &end, 10, 0), 12);
    EXPECT_STREQ(end, "\xc6\xfc");
}

namespace {
int heap_calls = 0;
void *failing_malloc(size_t) { ++heap_calls; return nullptr; }
} // namespace

TEST(NumberMultibyte, WorkBuffersBeyondTheStackNeedTheHeap)
{
    Loaded l("en_us/0333.lco");
    gl_locale *loc = l.loc;
    char out[400];
    const std::string short_format(31, 'f');
    const std::string long_format(32, 'f');
    gl_setextfunc(loc, GL_EXT_MALLOC, reinterpret_cast<gl_ext_routine>(failing_malloc));
    EXPECT_EQ(gl_mbsfnum(loc, out, sizeof out, short_format.c_str()), 31);
    EXPECT_EQ(heap_calls, 0);
    EXPECT_EQ(gl_mbsfnum(loc, out, sizeof out, long_format.c_str()), -1);
    EXPECT_EQ(loc->error, GL_ENOMEM);
    EXPECT_EQ(gl_mbsfnum(loc, out, sizeof out, "%127d", 1), 127);
    EXPECT_EQ(gl_mbsfnum(loc, out, sizeof out, "%128d", 1), -1);
    EXPECT_EQ(loc->error, GL_ENOMEM);
    const std::string long_text(127, '1');
    int64_t v = 0;
    EXPECT_EQ(gl_mbspnum(loc, long_text.c_str(), "%ld", &v), 0) << "read, out of range";
    EXPECT_EQ(gl_mbspnum(loc, (long_text + "1").c_str(), "%ld", &v), -1);
    EXPECT_EQ(loc->error, GL_ENOMEM);
    gl_setextfunc(loc, GL_EXT_MALLOC, nullptr);
    EXPECT_EQ(gl_mbsfnum(loc, out, sizeof out, long_format.c_str()), 32);
    EXPECT_EQ(gl_mbsfnum(loc, out, sizeof out, "%300d", 1), 300);
}

// The multibyte entries read ASCII formats and texts by a shortcut; on
// random values and texts they agree with the wide entries, results, ends
// and errors alike.
TEST(NumberMultibyte, MultibyteAndWideEntriesAgree)
{
    Loaded l("en_us/0333.lco");
    gl_locale *loc = l.loc;
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    const char *formats[] = {"%'.2f", "%'d", "%d|%5.1f", "%-8'd;", "%+.3e", "%'12.0f", "%x %o", "%s=%'.4f"};
    const char chars[] = "0123456789,.-+eE x";
    for (int round = 0; round < 2000; ++round) {
        const char *f = formats[next() % (sizeof formats / sizeof formats[0])];
        std::vector<gl_wchar_t> wf;
        for (const char *p = f; *p != 0; ++p)
            wf.push_back(static_cast<unsigned char>(*p));
        wf.push_back(0);
        const double d = (static_cast<double>(next()) - 8e6) * std::pow(10.0, static_cast<int>(next() % 12) - 6);
        const int i = static_cast<int>(next()) - 8000000;
        char mb[128];
        gl_wchar_t w[128];
        int rm, rw;
        if (std::strstr(f, "%s") != nullptr) {
            // "%s" takes a multibyte text in both forms.
            rm = gl_mbsfnum(loc, mb, sizeof mb, f, "ab", d);
            rw = gl_wcsfnum(loc, w, 128, wf.data(), "ab", d);
        } else if (std::strstr(f, "f") != nullptr || std::strstr(f, "e") != nullptr) {
            if (std::strchr(f, 'd') != nullptr) {
                rm = gl_mbsfnum(loc, mb, sizeof mb, f, i, d);
                rw = gl_wcsfnum(loc, w, 128, wf.data(), i, d);
            } else {
                rm = gl_mbsfnum(loc, mb, sizeof mb, f, d);
                rw = gl_wcsfnum(loc, w, 128, wf.data(), d);
            }
        } else if (std::strchr(f, 'x') != nullptr) {
            rm = gl_mbsfnum(loc, mb, sizeof mb, f, i, i);
            rw = gl_wcsfnum(loc, w, 128, wf.data(), i, i);
        } else {
            rm = gl_mbsfnum(loc, mb, sizeof mb, f, i);
            rw = gl_wcsfnum(loc, w, 128, wf.data(), i);
        }
        ASSERT_EQ(rm, rw) << f;
        for (int k = 0; k < rw; ++k)
            ASSERT_EQ(static_cast<unsigned char>(mb[k]), w[k]) << f;
        // Random number-like texts through both text-to-number readers.
        std::string text;
        for (int k = static_cast<int>(next() % 12); k > 0; --k)
            text += chars[next() % (sizeof chars - 1)];
        std::vector<gl_wchar_t> wt;
        for (unsigned char ch : text)
            wt.push_back(ch);
        wt.push_back(0);
        const int grouping = static_cast<int>(next() % 2);
        char *mend = nullptr;
        gl_wchar_t *wend = nullptr;
        const double md = gl_mbstod(loc, text.c_str(), &mend, grouping);
        const int merror = loc->error;
        const double wd = gl_wcstod(loc, wt.data(), &wend, grouping);
        EXPECT_EQ(std::memcmp(&md, &wd, sizeof md), 0) << text;
        EXPECT_EQ(merror, loc->error) << text;
        EXPECT_EQ(mend - text.c_str(), wend - wt.data()) << text;
        int mi = 0, wi = 0;
        static const gl_wchar_t wd_format[] = {'%', 'd', 0};
        const int mn = gl_mbspnum(loc, text.c_str(), "%d", &mi);
        const int wn = gl_wcspnum(loc, wt.data(), wd_format, &wi);
        EXPECT_EQ(mn, wn) << text;
        if (mn > 0) {
            EXPECT_EQ(mi, wi) << text;
        }
    }
}
