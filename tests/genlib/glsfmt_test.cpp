// The trw_gl_* front ends with locale formats. Where the earlier C-library
// stand-in gave other results the table keeps them beside the language's
// own ("+" with an empty positive_sign, zero padding with grouping, "(",
// left precision, half-up rounding, parsing of "(" and "%i"). Each test sets
// its client locale before the first runtime call (a fresh process each).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "decconv.h"
#include "gl_ext.h"
#include "glsenv.h"
#include "numfmt.h"

namespace {

void client(const char *locale)
{
    for (const char *name : gls_setting_names)
        unsetenv(name);
    if (locale != nullptr)
        setenv("CLIENT_LOCALE", locale, 1);
}

decvalue dec(const char *text)
{
    decvalue d{};
    EXPECT_EQ(deccvasc(text, static_cast<int>(std::strlen(text)), &d), 0) << text;
    return d;
}

std::string plain(const decvalue &d)
{
    char out[64];
    EXPECT_EQ(dectoasc(&d, out, sizeof out - 1, -1), 0);
    out[sizeof out - 1] = '\0';
    std::string s = out;
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

struct Row {
    const char *format;
    const char *value;
    const char *now;
    const char *before; // the stand-in's result where it differed, else null
};

} // namespace

TEST(LocaleFrontEnds, NumbersAndMoneyInEnglish)
{
    client(nullptr);
    const Row numbers[] = {
        {"%.2f", "-1234567.25", "-1234567.25", nullptr},
        {"[%'.1f]", "-1234567.25", "[-1,234,567.2]", nullptr},
        {"%'d", "32767", "32,767", nullptr},
        {"%e", "32767", "3.276700e+04", nullptr},
        {"%10.3f|", "0", "     0.000|", nullptr},
        {"%+d", "32767", "32767", "+32767"},
        {"%'015.2f", "1234.5", "00000001,234.50", "000,000,001,234.50"},
        {"%'015.2f", "-1234567.25", "-001,234,567.25", "-00,001,234,567.25"},
    };
    for (const Row &r : numbers) {
        char out[64];
        const decvalue d = dec(r.value);
        ASSERT_EQ(trw_gl_format_number(out, sizeof out, &d, r.format), 0) << r.format;
        EXPECT_STREQ(out, r.now) << r.format << " " << r.value;
    }
    const Row money[] = {
        {"%n", "-1234.5", "-$1,234.50", nullptr},
        {"%^n", "1234.5", "$1234.50", nullptr},
        {"%!n", "-1234.5", "-1,234.50", nullptr},
        {"%12n|", "-1234.5", "  -$1,234.50|", nullptr},
        {"%-12n|", "0.005", "$0.01       |", nullptr},
        {"%i", "-1234.5", "-USD 1,234.50", nullptr},
        {"%.3n", "0.005", "$0.005", nullptr},
        {"%(n", "-1234.5", "($1,234.50)", "-$1,234.50"},
        {"%#6n", "1234.5", " $  1,234.50", "$1,234.50"},
        {"%#6n", "-1234.5", "-$  1,234.50", "-$1,234.50"},
        {"%.0n", "1234.5", "$1,235", "$1,234"},
    };
    for (const Row &r : money) {
        char out[64];
        const decvalue d = dec(r.value);
        ASSERT_EQ(trw_gl_format_money(out, sizeof out, &d, r.format), 0) << r.format;
        EXPECT_STREQ(out, r.now) << r.format << " " << r.value;
    }
    char out[64];
    const decvalue one = dec("1");
    EXPECT_EQ(trw_gl_format_money(out, sizeof out, &one, "%n %n"), -1);
    EXPECT_EQ(trw_gl_format_money(out, 4, &one, "%n"), -1) << "no room";
    EXPECT_EQ(trw_gl_format_money(out, sizeof out, &one, "%d"), -1);
}

TEST(LocaleFrontEnds, ParsingNumbersAndMoney)
{
    client(nullptr);
    const struct {
        const char *text, *format, *now;
    } numbers[] = {
        {"  2.75", "%f", "2.75"}, {"n=42", "n=%d", "42.0"}, {"1,234.5", "%'f", "1234.5"}, {"-7", "%d", "-7.0"},
        {"-7", "%hd", "-7.0"},    {"123", "%ld", "123.0"},
    };
    for (const auto &r : numbers) {
        decvalue d{};
        ASSERT_EQ(trw_gl_convert_number(&d, r.text, r.format), 0) << r.text;
        EXPECT_EQ(plain(d), r.now) << r.text;
    }
    decvalue d{};
    EXPECT_EQ(trw_gl_convert_number(&d, "1 2", "%d %d"), -1);
    EXPECT_EQ(trw_gl_convert_number(&d, "1", "%s"), -1);
    EXPECT_EQ(trw_gl_convert_number(&d, "3000000000", "%ld"), -1) << "beyond the int range";
    const struct {
        const char *text, *format, *now;
    } money[] = {
        {"$1,234.50", "%n", "1234.5"}, {"-$5.00", "%n", "-5.0"}, {"1,234.50", "%!n", "1234.5"},
        {"($5.00)", "%(n", "-5.0"},    // the stand-in failed here
        {"USD 12.00", "%i", "12.0"},   // and here
    };
    for (const auto &r : money) {
        decvalue m{};
        ASSERT_EQ(trw_gl_convert_money(&m, r.text, r.format), 0) << r.text;
        EXPECT_EQ(plain(m), r.now) << r.text;
    }
    EXPECT_EQ(trw_gl_convert_money(&d, "$abc", "%n"), -1);
    EXPECT_EQ(trw_gl_convert_money(&d, "$1", "%n%n"), -1);
    double v = 0;
    EXPECT_EQ(trw_gl_convert_double(&v, "-1.5e3", "%e"), 0);
    EXPECT_EQ(v, -1500.0);
    EXPECT_EQ(trw_gl_convert_double(&v, "1.5e", "%e"), -1213);
    EXPECT_EQ(trw_gl_convert_double(&v, "12", "%d"), -1213) << "not a floating format";
    char out[64];
    EXPECT_EQ(trw_gl_format_double(out, sizeof out, -12345.678, "%'.2f"), 0);
    EXPECT_STREQ(out, "-12,345.68");
    EXPECT_EQ(trw_gl_format_double(out, sizeof out, 1.0, "%200f"), -415);
}

TEST(LocaleFrontEnds, GermanPointsAndSymbols)
{
    client("de_DE.8859-1");
    char out[64];
    const decvalue d = dec("-1234,5"); // DECIMAL text takes the client's point
    ASSERT_EQ(trw_gl_format_number(out, sizeof out, &d, "%'.2f"), 0);
    EXPECT_STREQ(out, "-1.234,50");
    ASSERT_EQ(trw_gl_format_money(out, sizeof out, &d, "%n"), 0);
    EXPECT_STREQ(out, "-1.234,50 EUR");
    ASSERT_EQ(trw_gl_format_money(out, sizeof out, &d, "%!n"), 0);
    EXPECT_STREQ(out, "-1.234,50");
    decvalue back{};
    ASSERT_EQ(trw_gl_convert_money(&back, "-1.234,50 EUR", "%n"), 0);
    EXPECT_EQ(plain(back), "-1234,5");
    ASSERT_EQ(trw_gl_convert_number(&back, "1.234,5", "%'f"), 0);
    EXPECT_EQ(plain(back), "1234,5");
}

TEST(LocaleFrontEnds, MultibyteSymbolWidthsInColumns)
{
    client("ja_JP.utf8");
    char out[64];
    const decvalue d = dec("1234");
    ASSERT_EQ(trw_gl_format_money(out, sizeof out, &d, "%n"), 0);
    const std::string plain_text = out;
    ASSERT_EQ(trw_gl_format_money(out, sizeof out, &d, "%16n"), 0);
    const std::string padded = out;
    ASSERT_GT(padded.size(), plain_text.size());
    const size_t blanks = padded.find_first_not_of(' ');
    EXPECT_EQ(padded.substr(blanks), plain_text);
    // A full-width symbol takes two columns: the blanks fill the rest.
    const size_t symbol_bytes = plain_text.size() - std::strlen("1,234");
    EXPECT_EQ(blanks + (plain_text.size() - symbol_bytes) + 2, 16u) << padded;
    decvalue back{};
    ASSERT_EQ(trw_gl_convert_money(&back, padded.c_str(), "%n"), 0);
    EXPECT_EQ(plain(back), "1234.0");
}
