// The money format language: flags and precisions, the rounding rule
// against a model written here in integer arithmetic, every cell of the
// layout table on test locales, round trips through the parser, left
// precisions, multibyte symbols and widths, errors, and gl_localeconv.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gl_monfmt.h"
#include "glslib/numfmt_locale.h"

using namespace trwtest;

namespace {

std::string fmon(gl_locale *loc, const char *format, double amount)
{
    char out[256];
    const int n = gl_mbsfmon(loc, out, sizeof out, format, amount);
    if (n < 0)
        return "error " + std::to_string(loc->error);
    EXPECT_EQ(n, static_cast<int>(std::strlen(out)));
    return out;
}

// The locale of the examples: "$" before the amount, no blank, the sign in
// front, two fraction digits, groups of 3 with ",".
MonetarySection dollars()
{
    MonetarySection m;
    m.numbers[0] = 2; // int_frac_digits
    m.numbers[1] = 2; // frac_digits
    m.numbers[2] = 1; // p_cs_precedes
    m.numbers[3] = 0; // p_sep_by_space
    m.numbers[4] = 1; // n_cs_precedes
    m.numbers[5] = 0; // n_sep_by_space
    m.numbers[6] = 1; // p_sign_posn
    m.numbers[7] = 1; // n_sign_posn
    return m;
}

// Rounding half up of the "%f" text (precision + 1 digits beyond 5), in
// integer arithmetic on the digits: the expected "%^!n" text.
std::string rounded_model(double amount, int precision)
{
    const int digits = precision + 1 > 6 ? precision + 1 : 6;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", digits, amount);
    std::string all;
    for (const char *p = text; *p; ++p)
        if (*p >= '0' && *p <= '9')
            all += *p;
    uint64_t n = std::strtoull(all.c_str(), nullptr, 10);
    uint64_t scale = 1;
    for (int i = 0; i < digits - precision; ++i)
        scale *= 10;
    n = (n + scale / 2) / scale;
    std::string s = std::to_string(n);
    if (precision == 0)
        return s;
    while (static_cast<int>(s.size()) <= precision)
        s = "0" + s;
    return s.substr(0, s.size() - precision) + "." + s.substr(s.size() - precision);
}

} // namespace

TEST(MoneyFormat, TheExamplesAndFlags)
{
    TestLocale t(NumericSection{}, dollars());
    gl_locale *loc = t.loc;
    EXPECT_EQ(fmon(loc, "%n", 1234.5), "$1,234.50");
    EXPECT_EQ(fmon(loc, "%^n", 1234.5), "$1234.50");
    EXPECT_EQ(fmon(loc, "%!n", 1234.5), "1,234.50");
    EXPECT_EQ(fmon(loc, "%(n", -5), "($5.00)");
    EXPECT_EQ(fmon(loc, "%(n", 5), "$5.00");
    EXPECT_EQ(fmon(loc, "%n", -5), "-$5.00");
    EXPECT_EQ(fmon(loc, "%+n", 5), "$5.00") << "positive_sign is empty";
    EXPECT_EQ(fmon(loc, "%+(n", -5), "($5.00)") << "parentheses win over the sign";
    EXPECT_EQ(fmon(loc, "%.0n", 2.5), "$3");
    EXPECT_EQ(fmon(loc, "%.1n", 0.96), "$1.0");
    EXPECT_EQ(fmon(loc, "%.8n", 1.23456789), "$1.23456789");
    EXPECT_EQ(fmon(loc, "%.2n", 999.995), "$1,000.00");
    EXPECT_EQ(fmon(loc, "%.0n", 999999.5), "$1,000,000");
    EXPECT_EQ(fmon(loc, "%.2n", 0.1249996), "$0.13") << "the six-digit text rounds half up";
    EXPECT_EQ(fmon(loc, "%i", 1234.5), "USD 1,234.50");
    EXPECT_EQ(fmon(loc, "%12n|", 1.5), "       $1.50|");
    EXPECT_EQ(fmon(loc, "%-12n|", 1.5), "$1.50       |");
    // Left precision: the positive layout takes a blank where the negative
    // one has its sign.
    EXPECT_EQ(fmon(loc, "[%=*#6n]", 1234.5), "[ $**1,234.50]");
    EXPECT_EQ(fmon(loc, "[%=*#6n]", -1234.5), "[-$**1,234.50]");
    EXPECT_EQ(fmon(loc, "[%=*^#6n]", 12.0), "[ $****12.00]");
    EXPECT_EQ(fmon(loc, "%%%n%%", 1.0), "%$1.00%");
    char two[64];
    EXPECT_EQ(gl_mbsfmon(loc, two, sizeof two, "%n and %!n", 1.0, -2.0), 15);
    EXPECT_STREQ(two, "$1.00 and -2.00");
}

TEST(MoneyFormat, RoundingFollowsTheModel)
{
    TestLocale t(NumericSection{}, dollars());
    std::mt19937_64 rng(24);
    const int count = std::getenv("TRW_TEST_FULL") ? 200000 : 5000;
    for (int i = 0; i < count; ++i) {
        const int precision = static_cast<int>(rng() % 9);
        const int magnitude = static_cast<int>(rng() % 9);
        double amount = std::ldexp(static_cast<double>(rng() >> 11), -53) * std::pow(10.0, magnitude);
        if (i % 7 == 0) // all nines before the rounding digit
            amount = std::pow(10.0, magnitude) - 0.5 * std::pow(10.0, -precision);
        char format[16];
        std::snprintf(format, sizeof format, "%%^!.%dn", precision);
        ASSERT_EQ(fmon(t.loc, format, amount), rounded_model(amount, precision)) << amount << " " << precision;
    }
}

TEST(MoneyFormat, EveryCellOfTheLayoutTable)
{
    // The table in words: symbol S, value v, sign s, blank _, parentheses.
    const char *const table[2][5][3] = {
        {{"(vS)", "(v_S)", "(vS)"}, {"svS", "sv_S", "svS"}, {"vSs", "v_Ss", "vS_s"},
         {"vsS", "v_sS", "vs_S"}, {"vSs", "v_Ss", "vS_s"}},
        {{"(Sv)", "(S_v)", "(Sv)"}, {"sSv", "sS_v", "s_Sv"}, {"Svs", "S_vs", "Svs"},
         {"sSv", "sS_v", "s_Sv"}, {"Ssv", "Ss_v", "S_sv"}},
    };
    for (int cs = 0; cs < 2; ++cs)
        for (int posn = 0; posn < 5; ++posn)
            for (int sep = 0; sep < 3; ++sep) {
                MonetarySection m = dollars();
                m.symbol = "EU";
                m.positive = "+";
                m.negative = "~";
                m.numbers[2] = m.numbers[4] = cs;
                m.numbers[3] = m.numbers[5] = sep;
                m.numbers[6] = m.numbers[7] = posn;
                TestLocale t(NumericSection{}, m);
                for (const double amount : {12.5, -12.5}) {
                    std::string expected;
                    for (const char *e = table[cs][posn][sep]; *e; ++e)
                        expected += *e == 'S' ? "EU" : *e == 'v' ? "12.50" : *e == 's' ? (amount < 0 ? "~" : "") :
                                    *e == '_' ? " " : std::string(1, *e);
                    const std::string where = std::to_string(cs) + std::to_string(posn) + std::to_string(sep);
                    EXPECT_EQ(fmon(t.loc, "%n", amount), expected) << where;
                    // The parser reads every layout back, with and without the
                    // symbol and the signs.
                    for (const char *format : {"%n", "%!n", "%+n"}) {
                        const std::string text = fmon(t.loc, format, amount);
                        double back = 0;
                        const char *end = gl_mbspmon(t.loc, text.c_str(), format, &back);
                        ASSERT_NE(end, nullptr) << where << " " << format << " " << text;
                        EXPECT_EQ(*end, '\0') << where << " " << text;
                        // With sign_posn 0 (not turned into 1 by "+") both signs
                        // have the same layout: the parser reads it as positive.
                        const bool same = posn == 0 && std::strcmp(format, "%+n") != 0;
                        EXPECT_EQ(back, same ? std::fabs(amount) : amount) << where << " " << format << " " << text;
                    }
                }
                // A sign_posn outside 0..4 (also the not-given value) has no layout.
                m.numbers[7] = 5;
                TestLocale bad(NumericSection{}, m);
                EXPECT_EQ(fmon(bad.loc, "%n", -1.0), "error 9");
                EXPECT_NE(fmon(bad.loc, "%n", 1.0), "error 9");
            }
}

TEST(MoneyFormat, LeftPrecisionLinesUpBothSigns)
{
    for (int posn : {0, 1, 2, 4}) {
        MonetarySection m = dollars();
        m.numbers[7] = posn;
        m.negative = "-";
        TestLocale t(NumericSection{}, m);
        for (const char *format : {"%#8n", "%=0#8n", "%#3n", "%!#10n", "%^#5.3n"}) {
            const std::string p = fmon(t.loc, format, 1234.5);
            const std::string n = fmon(t.loc, format, -1234.5);
            EXPECT_EQ(p.size(), n.size()) << format << " [" << p << "] [" << n << "]";
            double back = 0;
            EXPECT_NE(gl_mbspmon(t.loc, n.c_str(), format, &back), nullptr) << format << " " << n;
            EXPECT_EQ(back, -1234.5) << format << " " << n;
        }
    }
}

// A left precision pads the digits to the columns that many digits and
// their separators take: 1 lines up with an amount of exactly that many
// digits, for every grouping rule (repeating, stopping, listed sizes). A
// left precision of a billion digits is refused at once (its separators
// were once counted one group at a time, for a minute and more).
TEST(MoneyFormat, LeftPrecisionOfAnyLengthWithGrouping)
{
    const std::vector<std::vector<int>> groupings = {{3, 3}, {3, 2}, {1, 2, 3}, {2, 0}, {4, -1}, {3}};
    for (const std::vector<int> &grouping : groupings) {
        MonetarySection m = dollars();
        m.grouping = grouping;
        TestLocale t(NumericSection{}, m);
        for (int k = 1; k <= 40; ++k) {
            const std::string format = "%#" + std::to_string(k) + "n";
            const std::string one = fmon(t.loc, format.c_str(), 1.0);
            const std::string full = fmon(t.loc, format.c_str(), std::pow(10.0, k - 1));
            EXPECT_EQ(one.size(), full.size()) << group_list(grouping) << " " << format << " [" << one << "] ["
                                               << full << "]";
        }
        EXPECT_EQ(fmon(t.loc, "%#999999999n", 1.0), "error 14") << group_list(grouping);
        EXPECT_EQ(fmon(t.loc, "%=*#1073741823n", 1.0), "error 14") << group_list(grouping);
    }
}

TEST(MoneyFormat, ErrorsAndRoom)
{
    TestLocale t(NumericSection{}, dollars());
    gl_locale *loc = t.loc;
    EXPECT_EQ(fmon(loc, "%d", 1.0), "error 20");
    EXPECT_EQ(fmon(loc, "%", 1.0), "error 20");
    EXPECT_EQ(fmon(loc, "%n", NAN), "error 9");
    EXPECT_EQ(fmon(loc, "%n", INFINITY), "error 9");
    EXPECT_EQ(fmon(loc, "%99999999999999999n", 1.0), "error 14");
    EXPECT_EQ(fmon(loc, "%#99999999999999999n", 1.0), "error 14");
    EXPECT_EQ(fmon(loc, "%.99999999999999999n", 1.0), "error 14");
    char out[8];
    EXPECT_EQ(gl_mbsfmon(loc, out, 6, "%n", 1.0), 5);
    EXPECT_EQ(gl_mbsfmon(loc, out, 5, "%n", 1.0), -1);
    EXPECT_EQ(loc->error, GL_E2BIG);
    out[0] = 'x';
    EXPECT_EQ(gl_mbsfmon(loc, out, 0, "%n", 1.0), -1);
    EXPECT_EQ(out[0], 'x');
    // 1e308 has 309 integer digits.
    char big[512];
    EXPECT_EQ(gl_mbsfmon(loc, big, sizeof big, "%^!n", 1e308), 312);
    // Frac digits not given (or out of 0..15) mean 2.
    MonetarySection m = dollars();
    m.numbers[1] = 2147483647;
    TestLocale unset(NumericSection{}, m);
    EXPECT_EQ(fmon(unset.loc, "%n", 1.0), "$1.00");
    // The parser: mismatches and conversions.
    double v = 0;
    EXPECT_EQ(gl_mbspmon(loc, "$1.00", "x%n", &v), nullptr);
    EXPECT_EQ(loc->error, GL_EFMTMATCH);
    EXPECT_EQ(gl_mbspmon(loc, "$1.00", "%d", &v), nullptr);
    EXPECT_EQ(loc->error, GL_EFMTMATCH);
    EXPECT_EQ(gl_mbspmon(loc, "1.00", "%n", &v), nullptr) << "the symbol is due";
    const char *text = "  $1,234.5 rest";
    EXPECT_EQ(gl_mbspmon(loc, text, "%n", &v), text + 10);
    EXPECT_EQ(v, 1234.5);
    const char *cut = "$12345";
    EXPECT_EQ(gl_mbspmon(loc, cut, "%4n", &v), cut + 4) << "the width cuts the text";
    EXPECT_EQ(v, 123);
    EXPECT_STREQ(gl_mbspmon(loc, "-$5.00x", "%nx", &v), "");
    EXPECT_EQ(v, -5);
    EXPECT_STREQ(gl_mbspmon(loc, "($5.00)", "%(n", &v), "");
    EXPECT_EQ(v, -5);
}

TEST(MoneyFormat, MultibyteSymbolsAndWidths)
{
    Loaded l("ja_jp/e01c.lco"); // ja_JP.utf8
    ASSERT_EQ(l.rc, 0);
    gl_locale *loc = l.loc;
    const gl_lconv *c = gl_localeconv(loc);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c, loc->lconv);
    const std::string symbol = c->currency_symbol;
    const std::string plain = fmon(loc, "%n", 1234.0);
    EXPECT_NE(plain.find(symbol), std::string::npos);
    // The width counts display columns, not bytes.
    const std::string wide_field = fmon(loc, "%20n", 1234.0);
    gl_wchar_t w[64];
    ASSERT_GT(gl_mbstowcs(loc, w, wide_field.c_str(), 64), 0);
    EXPECT_EQ(gl_wcswidth(loc, w, 64), 20) << wide_field;
    double back = 0;
    EXPECT_NE(gl_mbspmon(loc, wide_field.c_str(), "%n", &back), nullptr) << wide_field;
    EXPECT_EQ(back, 1234.0);
    EXPECT_EQ(gl_mbspmon(loc, "\xff", "%n", &back), nullptr);
    EXPECT_EQ(loc->error, GL_EILSEQ);
}

TEST(MoneyFormat, LocaleconvIsTheLoadedRecord)
{
    Loaded l("de_de/0333.lco");
    const gl_lconv *c = gl_localeconv(l.loc);
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->mon_decimal_point, ",");
    EXPECT_STREQ(c->mon_thousands_sep, ".");
    EXPECT_EQ(c->frac_digits, 2);
    EXPECT_EQ(gl_localeconv(nullptr), nullptr);
    // '%!n' drops the blank that would separate the omitted symbol.
    EXPECT_EQ(fmon(l.loc, "%!n", 1234.5), "1.234,50");
}

TEST(MoneyFormat, TheReadmeExamples)
{
    Loaded en("en_us/0333.lco"), de("de_de/0333.lco");
    char out[64];
    ASSERT_GT(gl_mbsfnum(en.loc, out, sizeof out, "%'.2f", 1234567.891), 0);
    EXPECT_STREQ(out, "1,234,567.89");
    ASSERT_GT(gl_mbsfnum(de.loc, out, sizeof out, "%'.2f", 1234567.891), 0);
    EXPECT_STREQ(out, "1.234.567,89");
    ASSERT_GT(gl_mbsfnum(en.loc, out, sizeof out, "%.1e", 12000.0), 0);
    EXPECT_STREQ(out, "1.2e+04");
    EXPECT_EQ(fmon(en.loc, "%n", -1234.5), "-$1,234.50");
    EXPECT_EQ(fmon(en.loc, "%(#6n", -1234.5), "($  1,234.50)");
    EXPECT_EQ(fmon(de.loc, "%n", -1234.5), "-1.234,50 EUR");
    EXPECT_EQ(fmon(de.loc, "%!n", 1234.5), "1.234,50");
    double d = 0;
    EXPECT_NE(gl_mbspmon(de.loc, "-1.234,50 EUR", "%n", &d), nullptr);
    EXPECT_EQ(d, -1234.5);
}
