// The client number format: DBMONEY forms, the locale's conventions, the
// point translation helpers and the MONEY front ends. Each test sets its
// environment before the first runtime call (a fresh process each).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "decconv.h"
#include "glsenv.h"
#include "numfmt.h"

namespace {

void settings(const char *client_locale, const char *dbmoney)
{
    for (const char *name : gls_setting_names)
        unsetenv(name);
    if (client_locale != nullptr)
        setenv("CLIENT_LOCALE", client_locale, 1);
    if (dbmoney != nullptr)
        setenv("DBMONEY", dbmoney, 1);
}

const gls_money_state &money()
{
    EXPECT_EQ(rmoninit(nullptr), 0);
    return CheckGlsEnv()->state->money;
}

decvalue value(const char *text)
{
    decvalue dec{};
    EXPECT_EQ(deccvasc(text, static_cast<int>(std::strlen(text)), &dec), 0) << text;
    return dec;
}

std::string formatted_money(const char *text, int size = 40)
{
    char out[100];
    decvalue dec = value(text);
    int status = trw_gl_format_money(out, size, &dec, nullptr);
    return status == 0 ? out : "status " + std::to_string(status);
}

std::string plain(const decvalue &dec)
{
    char out[40];
    EXPECT_EQ(trw_gl_format_number(out, sizeof out, &dec, nullptr), 0);
    return out;
}

} // namespace

TEST(Dbmoney, DollarPointIsTheEnglishDefault)
{
    settings(nullptr, nullptr);
    const gls_money_state &m = money();
    EXPECT_EQ(m.state, NUMFMT_FROM_DBMONEY);
    EXPECT_STREQ(m.front_symbol, "$");
    EXPECT_STREQ(m.back_symbol, "");
    EXPECT_STREQ(m.fmt.decimal_point, ".");
    EXPECT_STREQ(m.fmt.thousands_sep, ",");
    EXPECT_EQ(m.fmt.p_cs_precedes, 1);
    EXPECT_STREQ(m.dbmoney, "$.");
    EXPECT_EQ(genlcscale(), 2);
    EXPECT_EQ(rfrontlen(), 1);
    EXPECT_EQ(rbacklen(), 0);
    EXPECT_EQ(formatted_money("-5"), "$-5.00");
    EXPECT_EQ(formatted_money("1234.567"), "$1234.57");
}

TEST(Dbmoney, FrontTextAndCommaPoint)
{
    settings("de_DE.8859-1", "DM,");
    const gls_money_state &m = money();
    EXPECT_STREQ(m.front_symbol, "DM");
    EXPECT_STREQ(m.fmt.decimal_point, ",");
    EXPECT_STREQ(m.fmt.mon_decimal_point, ",");
    EXPECT_STREQ(m.fmt.thousands_sep, ".");
    EXPECT_STREQ(m.fmt.mon_thousands_sep, ".");
    EXPECT_STREQ(m.fmt.currency_symbol, "DM");
    EXPECT_EQ(formatted_money("1234,5"), "DM1234,50");
    decvalue back{};
    ASSERT_EQ(trw_gl_convert_money(&back, "DM1.234,50", nullptr), 0);
    EXPECT_EQ(plain(back), "1234,5");
}

TEST(Dbmoney, BackTextAndDigits)
{
    settings("en_US.8859-1", ".EUR");
    const gls_money_state &m = money();
    EXPECT_STREQ(m.front_symbol, "");
    EXPECT_STREQ(m.back_symbol, "EUR");
    EXPECT_EQ(m.fmt.p_cs_precedes, 0);
    EXPECT_STREQ(m.fmt.currency_symbol, "EUR");
    EXPECT_EQ(formatted_money("7"), "7.00EUR");
    decvalue back{};
    ASSERT_EQ(trw_gl_convert_money(&back, "  1,007.25EUR", nullptr), 0);
    EXPECT_EQ(plain(back), "1007.25");
}

TEST(Dbmoney, DigitsBecomeStarsInFrontAndAreDroppedBehind)
{
    settings(nullptr, "12.x3");
    const gls_money_state &m = money();
    EXPECT_STREQ(m.front_symbol, "**");
    EXPECT_STREQ(m.back_symbol, "x");
    EXPECT_STREQ(m.fmt.decimal_point, ".");
    EXPECT_STREQ(m.fmt.currency_symbol, "x") << "the back text wins";
}

TEST(Dbmoney, CommaAloneSetsOnlyThePoint)
{
    settings(nullptr, ",");
    const gls_money_state &m = money();
    EXPECT_STREQ(m.front_symbol, "");
    EXPECT_STREQ(m.back_symbol, "");
    EXPECT_STREQ(m.fmt.decimal_point, ",");
    EXPECT_STREQ(m.fmt.thousands_sep, ".");
    EXPECT_STREQ(m.fmt.locale_decimal_point, ".");
    decvalue dec = value("3,25");
    EXPECT_EQ(plain(dec), "3,25");
}

TEST(Dbmoney, FullFrontTextTakesTheNextCharacterAsThePoint)
{
    settings(nullptr, "ABCDEFGHIJKLMNOPQRSTUVWXYZab:d");
    const gls_money_state &m = money();
    EXPECT_STREQ(m.front_symbol, "ABCDEFGHIJKLMNOPQRSTUVWXYZab");
    EXPECT_STREQ(m.fmt.decimal_point, ":");
    EXPECT_STREQ(m.back_symbol, "d");
    EXPECT_STREQ(m.fmt.thousands_sep, ",");
}

TEST(Dbmoney, LongBackTextIsCutAndOddBytesAreSafe)
{
    const std::string back(100, 'z');
    const std::string text = "$." + back + "\xff\x01";
    settings(nullptr, text.c_str());
    const gls_money_state &m = money();
    EXPECT_EQ(std::strlen(m.back_symbol), 28u);
    EXPECT_EQ(formatted_money("1", 80), "$1.00" + std::string(28, 'z'));
    EXPECT_EQ(formatted_money("1", 20), "status -1") << "no room for the texts";
}

TEST(Dbmoney, EmptyValueUsesTheLocale)
{
    settings("de_DE.8859-1", "");
    const gls_money_state &m = money();
    EXPECT_EQ(m.state, NUMFMT_FROM_LOCALE);
    EXPECT_STREQ(m.fmt.decimal_point, ",");
    EXPECT_STREQ(m.fmt.thousands_sep, ".");
    EXPECT_STREQ(m.fmt.currency_symbol, "EUR");
    EXPECT_STREQ(m.back_symbol, "EUR") << "de_DE writes the symbol after the amount";
    EXPECT_STREQ(m.front_symbol, "");
    EXPECT_EQ(m.fmt.frac_digits, 2);
    EXPECT_EQ(m.fmt.grouping[0], 3);
    EXPECT_EQ(formatted_money("-12,3"), "-12,30EUR");
}

TEST(Dbmoney, EmptyValueWithEnglishLocaleUsesTheLocaleToo)
{
    settings(nullptr, "");
    const gls_money_state &m = money();
    EXPECT_EQ(m.state, NUMFMT_FROM_LOCALE);
    EXPECT_STREQ(m.front_symbol, "$");
    EXPECT_STREQ(m.fmt.int_curr_symbol, "USD ");
}

TEST(Dbmoney, LaterChangesHaveNoEffect)
{
    settings(nullptr, "DM,");
    EXPECT_STREQ(money().fmt.decimal_point, ",");
    setenv("DBMONEY", "$.", 1);
    EXPECT_EQ(rmoninit(nullptr), 0);
    EXPECT_STREQ(money().fmt.decimal_point, ",");
    decvalue dec = value("1,5");
    EXPECT_EQ(plain(dec), "1,5");
}

TEST(PointTranslation, GdecimalpointReplacesAndDropsSeparators)
{
    settings(nullptr, nullptr);
    char out[16];
    EXPECT_EQ(gdecimalpoint("1,234.5", ".", 1, "::", 2, out, sizeof out), 0);
    EXPECT_STREQ(out, "1234::5");
    EXPECT_EQ(gdecimalpoint("123456", ".", 1, ",", 1, out, 6), -1273);
    EXPECT_EQ(gdecimalpoint("12345", ".", 1, ",", 1, out, 6), 0);
    EXPECT_EQ(gdecimalpoint("1.5", ".", 1, "xxxxxxxx", 8, out, 6), -1273) << "the replacement must fit too";
    EXPECT_EQ(gDecstrtoANSI("2.5", out, sizeof out), 0);
    EXPECT_STREQ(out, "2.5");
}

TEST(PointTranslation, RdecstrTurnsThePointInPlace)
{
    settings(nullptr, ",");
    char text[8] = "12.5";
    EXPECT_EQ(rdecstr(text, sizeof text, 1), 0);
    EXPECT_STREQ(text, "12,5");
    char full[5] = "12.5";
    EXPECT_EQ(rdecstr(full, sizeof full, 1), 0);
    EXPECT_STREQ(full, "12,5");
    char unterminated[4] = {'1', '.', '5', '9'};
    EXPECT_EQ(rdecstr(unterminated, sizeof unterminated, 0), -1273);
    char out[16];
    EXPECT_EQ(gDecstrtoANSI("7,25", out, sizeof out), 0);
    EXPECT_STREQ(out, "7.25");
}

TEST(MoneyText, RdecmonAndRmondec)
{
    settings("de_DE.8859-1", "DM,");
    char out[64];
    rdecmon("-1234,5", out);
    EXPECT_STREQ(out, "DM-1234,5");
    rmondec("  DM1.234,50", 12, out);
    EXPECT_STREQ(out, "1234,50");
    rmondec("DM12,5", 4, out);
    EXPECT_STREQ(out, "12");
    rmondec("     ", 5, out);
    EXPECT_STREQ(out, "");
}

TEST(MoneyFrontEnds, FormatsAndErrors)
{
    settings(nullptr, nullptr);
    char out[100];
    decvalue dec = value("1234.5");
    ASSERT_EQ(trw_gl_format_money(out, 0, &dec, nullptr), 0) << "size 0 means 80";
    EXPECT_STREQ(out, "$1234.50");
    ASSERT_EQ(trw_gl_format_money(out, sizeof out, &dec, "%n"), 0);
    EXPECT_STREQ(out, "$1,234.50");
    EXPECT_EQ(trw_gl_format_money(out, sizeof out, &dec, "%n %n"), -1);
    EXPECT_EQ(CheckGlsEnv()->locale->error, 22);
    decvalue back{};
    ASSERT_EQ(trw_gl_convert_money(&back, "$1,234.50", "%n"), 0);
    EXPECT_EQ(plain(back), "1234.5");
    EXPECT_EQ(trw_gl_convert_money(&back, "$1e999", nullptr), -1);
    EXPECT_EQ(CheckGlsEnv()->locale->error, 9);
    EXPECT_EQ(trw_gl_convert_money(&back, "$1e124", nullptr), 0);
    EXPECT_EQ(trw_gl_convert_money(&back, "$abc", nullptr), -1);
    EXPECT_EQ(CheckGlsEnv()->locale->error, 9);
}

TEST(MoneyFrontEnds, LocaleThatCannotLoadFailsEveryFrontEnd)
{
    settings("qq_QQ.8859-1", nullptr);
    decvalue dec{};
    char out[16];
    EXPECT_EQ(trw_gl_convert_money(&dec, "1", nullptr), -1);
    EXPECT_EQ(trw_gl_format_money(out, sizeof out, &dec, nullptr), -1);
    double d;
    EXPECT_EQ(trw_gl_convert_double(&d, "1", nullptr), GLS_ELOCALE);
    EXPECT_EQ(trw_gl_format_double(out, sizeof out, 1.0, nullptr), GLS_ELOCALE);
    EXPECT_EQ(rmoninit(nullptr), GLS_ELOCALE);
    EXPECT_STREQ(gls_numfmt(nullptr)->decimal_point, ".") << "the plain format stands in";
}

TEST(Dbmoney, MultibyteFrontTextInUtf8)
{
    settings("en_US.utf8", "\xe2\x82\xac,");
    const gls_money_state &m = money();
    EXPECT_STREQ(m.front_symbol, "\xe2\x82\xac");
    EXPECT_EQ(rfrontlen(), 3);
    EXPECT_STREQ(m.fmt.decimal_point, ",");
    EXPECT_EQ(formatted_money("-2,5"), "\xe2\x82\xac-2,50");
    decvalue back{};
    ASSERT_EQ(trw_gl_convert_money(&back, "\xe2\x82\xac" "1.000,25", nullptr), 0);
    EXPECT_EQ(plain(back), "1000,25");
}
