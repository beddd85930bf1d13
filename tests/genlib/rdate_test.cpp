// DATE values through the public functions, each test in a fresh process
// with its own settings (the century rule, the date format and the name
// arrays are read once): day-count edges, DBDATE, GL_DATE and locale
// formats, eras, DBCENTURY against a model of the century rule, masks against
// a formatter written here, the general scan's rules, the error mapping,
// today with a fake clock, and allocation failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <strings.h>
#include <tuple>
#include <vector>

#include "gl_time.h"
#include "glsenv.h"
#include "rdate.h"
#include "rdateint.h"
#include "support/alloc_fail.h"

namespace {

constexpr int32_t kNull = TRW_DATE_NULL;

// An independent day count: days since 1899-12-31 by whole years and months.
bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int mlen(int y, int m)
{
    static const int n[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : n[m - 1];
}
int32_t model_date(int y, int m, int d)
{
    int64_t days = 0;
    if (y >= 1900)
        for (int i = 1900; i < y; ++i)
            days += leap(i) ? 366 : 365;
    else
        for (int i = y; i < 1900; ++i)
            days -= leap(i) ? 366 : 365;
    for (int i = 1; i < m; ++i)
        days += mlen(y, i);
    return static_cast<int32_t>(days + d);
}

void clear_settings()
{
    for (const char *name : gls_setting_names)
        unsetenv(name);
    for (const char *name : {"DBCENTURY", "TRW_NOZEROMDY", "DHL_RDEFMTDATE", "DBTODAY"})
        unsetenv(name);
}

std::string datestr(int32_t d)
{
    char buf[TRW_DATE_TEXT_MAX];
    int st = rdatestr(d, buf);
    return st == 0 ? std::string(buf) : "error " + std::to_string(st);
}

int32_t strdate(const char *text, int *status)
{
    int32_t d = 12345;
    *status = rstrdate(text, &d);
    return d;
}

int strdate_status(const char *text)
{
    int st;
    strdate(text, &st);
    return st;
}

int32_t today_date()
{
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return model_date(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

} // namespace

// ---- day counts -------------------------------------------------------------------------

TEST(DateDayCount, EdgesOfTheRange)
{
    clear_settings();
    int32_t d = 0;
    const int16_t a[3] = {1, 1, 1900}, b[3] = {12, 31, 1899}, c[3] = {1, 1, 1}, e[3] = {12, 31, 9999};
    EXPECT_EQ(rmdyjul(a, &d), 0);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(rmdyjul(b, &d), 0);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(rmdyjul(c, &d), 0);
    EXPECT_EQ(d, -693594);
    EXPECT_EQ(rmdyjul(e, &d), 0);
    EXPECT_EQ(d, 2958464);
    int16_t mdy[3] = {9, 9, 9};
    EXPECT_EQ(rjulmdy(2958465, mdy), -1210);
    EXPECT_EQ(mdy[0] | mdy[1] | mdy[2], 0);
    EXPECT_EQ(rjulmdy(-693595, mdy), -1210);
    EXPECT_EQ(rjulmdy(kNull, mdy), 0);
    EXPECT_EQ(mdy[0] | mdy[1] | mdy[2], 0);
    EXPECT_EQ(rdayofweek(0), 0);
    EXPECT_EQ(rdayofweek(1), 1);
    EXPECT_EQ(rdayofweek(kNull), 0);
    EXPECT_EQ(rdayofweek(-693594), 1); // 0001-01-01 was a Monday
}

TEST(DateDayCount, ChecksInTheOrderYearMonthDayAndLeavesTheOutputAlone)
{
    clear_settings();
    struct Case {
        int16_t m, d, y;
        int status;
    } cases[] = {{2, 29, 1900, -1206}, {2, 29, 2000, 0}, {2, 29, 2024, 0}, {2, 29, 2100, -1206},
                 {13, 40, 0, -1204},   {13, 1, 2000, -1205}, {0, 1, 2000, -1205}, {4, 31, 2000, -1206},
                 {1, 0, 2000, -1206},  {1, 1, 10000, -1204}, {1, 1, -5, -1204},  {0, 0, 0, 0}};
    for (const Case &c : cases) {
        int32_t d = 777;
        const int16_t mdy[3] = {c.m, c.d, c.y};
        EXPECT_EQ(rmdyjul(mdy, &d), c.status) << c.m << "/" << c.d << "/" << c.y;
        if (c.status != 0) {
            EXPECT_EQ(d, 777);
        }
    }
    int32_t d = 1;
    const int16_t zero[3] = {0, 0, 0};
    EXPECT_EQ(rmdyjul(zero, &d), 0);
    EXPECT_EQ(d, kNull);
    // February's length is per year, never a shared table rewritten.
    const int16_t leapday[3] = {2, 29, 2000}, plain[3] = {2, 29, 2001};
    EXPECT_EQ(rmdyjul(leapday, &d), 0);
    EXPECT_EQ(rmdyjul(plain, &d), -1206);
    EXPECT_EQ(rleapyear(2000), 1);
    EXPECT_EQ(rleapyear(1900), 0);
    EXPECT_EQ(rleapyear(2024), 1);
    EXPECT_EQ(rleapyear(2023), 0);
}

TEST(DateDayCount, NoZeroMdySetting)
{
    clear_settings();
    setenv("TRW_NOZEROMDY", "1", 1);
    int32_t d = 5;
    const int16_t zero[3] = {0, 0, 0};
    EXPECT_EQ(rmdyjul(zero, &d), -1206);
    EXPECT_EQ(d, 5);
}

TEST(DateDayCount, NoZeroMdyOtherValueKeepsNull)
{
    clear_settings();
    setenv("TRW_NOZEROMDY", "2", 1);
    int32_t d = 5;
    const int16_t zero[3] = {0, 0, 0};
    EXPECT_EQ(rmdyjul(zero, &d), 0);
    EXPECT_EQ(d, kNull);
}

// ---- the default format -----------------------------------------------------------------

TEST(DateDefaultFormat, FormatsAndParsesTheUsForm)
{
    clear_settings();
    EXPECT_EQ(datestr(model_date(2024, 12, 25)), "12/25/2024");
    EXPECT_EQ(datestr(-693594), "01/01/0001");
    EXPECT_EQ(datestr(kNull), "");
    int st;
    EXPECT_EQ(strdate("12/25/2024", &st), model_date(2024, 12, 25));
    EXPECT_EQ(st, 0);
    EXPECT_EQ(strdate("  \t", &st), kNull);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(strdate("", &st), kNull);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(strdate("13/01/2024", &st), kNull);
    EXPECT_EQ(st, -1205);
    char buf[TRW_FMTSTR_SIZE];
    EXPECT_EQ(fmtstr(buf), 0);
    EXPECT_STREQ(buf, "mm/dd/yyyy");
}

// The general scan's rules under the default order (month, day, year).
TEST(DateGeneralScan, TableOfRules)
{
    clear_settings();
    const int32_t xmas = model_date(2024, 12, 25);
    struct Case {
        const char *text;
        int status;
        int32_t date;
    } cases[] = {
        {"12/25/2024", 0, xmas},       {"12-25-2024  ", 0, xmas},  {"12.25.2024", 0, xmas},
        {"12 25 2024", 0, xmas},       {"12x25x2024", 0, xmas},    {"12/  25/  2024", 0, xmas},
        {"12252024", 0, xmas},         {"  12/25/2024", 0, xmas},  {"12/25-2024", 0, xmas},
        {"1/5/2024", 0, model_date(2024, 1, 5)},
        {"12/252024", -1218, 0},       {"1225/2024", -1218, 0},    {"12/25", -1204, 0},
        {"12", -1206, 0},              {"/25/2024", -1205, 0},     {"12//2024", -1206, 0},
        {"1225202", -1204, 0},         {"12/25/20245", -1218, 0},  {"12/25/2024 x", -1218, 0},
        {"dec/25/2024", 0, xmas},      {"DECEMBER 25 2024", 0, xmas}, {"December/25/2024", 0, xmas},
        {"march 3 2024", 0, model_date(2024, 3, 3)}, {"Mar 3 2024", 0, model_date(2024, 3, 3)},
        {"12/32/2024", -1206, 0},      {"02/29/2023", -1206, 0},   {"12/251 2024", -1218, 0},
        {"122", -1206, 0},             {"1/252024", -1218, 0},
    };
    for (const Case &c : cases) {
        int st;
        const int32_t d = strdate(c.text, &st);
        EXPECT_EQ(st, c.status) << c.text;
        EXPECT_EQ(d, c.status == 0 ? c.date : kNull) << c.text;
    }
}

TEST(DateGeneralScan, TwoDigitYearsTakeTodaysCenturyByDefault)
{
    clear_settings();
    int st;
    const int century = (2000 + 0) / 100; // the tests run in the 21st century
    EXPECT_EQ(strdate("12/25/24", &st), model_date(century * 100 + 24, 12, 25));
    EXPECT_EQ(st, 0);
    EXPECT_EQ(strdate("1/2/3", &st), model_date(century * 100 + 3, 1, 2));
    EXPECT_EQ(st, 0);
}

// ---- DBDATE -------------------------------------------------------------------------------

struct DbdateCase {
    const char *dbdate;
    const char *written; // 2024-12-25
    const char *mask;    // fmtstr
    const char *other;   // the same date with other separators
};

class DateDbdate : public ::testing::TestWithParam<DbdateCase> {};

TEST_P(DateDbdate, WritesParsesAndRewrites)
{
    const DbdateCase &c = GetParam();
    clear_settings();
    setenv("DBDATE", c.dbdate, 1);
    const int32_t xmas = model_date(2024, 12, 25);
    EXPECT_EQ(datestr(xmas), c.written);
    int st;
    EXPECT_EQ(strdate(c.written, &st), xmas) << c.written;
    EXPECT_EQ(st, 0);
    EXPECT_EQ(strdate(c.other, &st), xmas) << c.other;
    EXPECT_EQ(st, 0);
    char buf[TRW_FMTSTR_SIZE];
    EXPECT_EQ(fmtstr(buf), 0);
    EXPECT_STREQ(buf, c.mask);
}

INSTANTIATE_TEST_SUITE_P(Values, DateDbdate,
                         ::testing::Values(DbdateCase{"DMY4/", "25/12/2024", "dd/mm/yyyy", "25-12-2024"},
                                           DbdateCase{"Y4MD-", "2024-12-25", "yyyy-mm-dd", "2024/12/25"},
                                           DbdateCase{"MDY2.", "12.25.24", "mm.dd.yy", "12 25 24"},
                                           DbdateCase{"DMY20", "251224", "ddmmyy", "25/12/24"},
                                           DbdateCase{"MDY4", "12/25/2024", "mm/dd/yyyy", "12-25-2024"},
                                           DbdateCase{"Y2DM/", "24/25/12", "yy/dd/mm", "24.25.12"},
                                           DbdateCase{"DMY4,", "25,12,2024", "dd/mm/yyyy", "25 12 2024"}),
                         [](const ::testing::TestParamInfo<DbdateCase> &info) {
                             std::string name = "N" + std::to_string(info.index) + "_";
                             for (const char *p = info.param.dbdate; *p != '\0'; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(DateDbdateBad, FmtstrRejectsAndTheFormatFails)
{
    clear_settings();
    setenv("DBDATE", "MMY4/", 1);
    char buf[TRW_FMTSTR_SIZE] = "x";
    EXPECT_EQ(fmtstr(buf), -1212);
    EXPECT_STREQ(buf, "");
    char out[TRW_DATE_TEXT_MAX];
    EXPECT_NE(rdatestr(1, out), 0);
}

TEST(DateDbdateMask, EraPrefixesAndSuffixes)
{
    struct Case {
        const char *dbdate, *mask;
    } cases[] = {{"GY2MD/", "gyy/mm/dd"},  {"EY4MD-", "eyyyy-mm-dd"}, {"nY2MD/", "gyy/mm/dd"},
                 {"MDY4/C1", "mm/dd/gyyyy"}, {"MDY4/J2  ", "mm/dd/eyyyy"}, {"DMY2", "dd/mm/yy"},
                 {"DMY", nullptr},          {"DMYY4", nullptr},            {"Y4MD.", "yyyy.mm.dd"}};
    for (const Case &c : cases) {
        char buf[TRW_FMTSTR_SIZE];
        const int st = trw::date::dbdate_to_mask(c.dbdate, buf);
        if (c.mask == nullptr) {
            EXPECT_EQ(st, -1212) << c.dbdate;
        } else {
            EXPECT_EQ(st, 0) << c.dbdate;
            EXPECT_STREQ(buf, c.mask) << c.dbdate;
        }
    }
}

// ---- GL_DATE and locale formats -----------------------------------------------------------

TEST(DateGlDate, NamesThroughTheLocaleParser)
{
    clear_settings();
    setenv("GL_DATE", "%A, %B %d %Y", 1);
    const int32_t xmas = model_date(2024, 12, 25);
    EXPECT_EQ(datestr(xmas), "Wednesday, December 25 2024");
    int st;
    EXPECT_EQ(strdate("Wednesday, December 25 2024", &st), xmas);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(strdate("wed, dec 25 2024  ", &st), xmas);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(strdate_status("Wednesday, Frimaire 25 2024"), -1218);
    EXPECT_EQ(strdate_status("Wednesday, February 31 2024"), -1206);
    EXPECT_EQ(strdate_status("Monday, December 25 2024"), -1218);
    EXPECT_EQ(strdate_status("Wednesday, December 25 2024 extra"), -1218);
    EXPECT_EQ(strdate("   ", &st), kNull);
    EXPECT_EQ(st, 0);
}

TEST(DateGlDate, LongResultFailsWithoutOverrun)
{
    clear_settings();
    std::string format(1100, 'x');
    setenv("GL_DATE", format.c_str(), 1);
    char buf[TRW_DATE_TEXT_MAX + 16];
    std::memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(rdatestr(1, buf), -1273);
    for (size_t i = TRW_DATE_TEXT_MAX; i < sizeof buf; ++i)
        EXPECT_EQ(buf[i], 'Z');
}

TEST(DateLocale, GermanFormatFromTheLocale)
{
    clear_settings();
    setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
    const int32_t xmas = model_date(2024, 12, 25);
    EXPECT_EQ(datestr(xmas), "25.12.2024");
    int st;
    EXPECT_EQ(strdate("25.12.2024", &st), xmas);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(strdate_status("25/12/2024"), -1218);
    EXPECT_EQ(strdate_status("31.02.2024"), -1206);
}

TEST(DateLocale, MissingClientLocaleFailsEveryLocaleCall)
{
    clear_settings();
    setenv("CLIENT_LOCALE", "xx_XX.8859-1", 1);
    char buf[TRW_DATE_TEXT_MAX];
    const int st = rdatestr(1, buf);
    EXPECT_LT(st, 0);
    EXPECT_NE(st, -1218);
    int32_t d = 5;
    EXPECT_EQ(rstrdate("12/25/2024", &d), st);
    EXPECT_EQ(d, kNull);
    EXPECT_EQ(rfmtdate(1, "mm/dd/yyyy", buf), st);
    EXPECT_EQ(getcentury(1, 1, 24), st);
    // The day counts need no locale.
    int16_t mdy[3];
    EXPECT_EQ(rjulmdy(1, mdy), 0);
}

TEST(DateEra, JapaneseErasByDbdate)
{
    clear_settings();
    setenv("CLIENT_LOCALE", "ja_JP.utf8", 1);
    setenv("DBDATE", "GY2MD/", 1);
    const int32_t xmas = model_date(2024, 12, 25);
    EXPECT_EQ(datestr(xmas), "令和06/12/25");
    int st;
    EXPECT_EQ(strdate("令和06/12/25", &st), xmas);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(strdate_status("06/12/25"), -1237);
    // Era boundaries.
    for (auto [y, m, d] : {std::tuple{1989, 1, 7}, {1989, 1, 8}, {2019, 4, 30}, {2019, 5, 1}}) {
        const int32_t date = model_date(y, m, d);
        const std::string text = datestr(date);
        EXPECT_EQ(strdate(text.c_str(), &st), date) << text;
        EXPECT_EQ(st, 0) << text;
    }
    EXPECT_EQ(datestr(model_date(1989, 1, 7)).substr(0, 6), "昭和");
    EXPECT_EQ(datestr(model_date(1989, 1, 8)).substr(0, 6), "平成");
    EXPECT_EQ(datestr(model_date(2019, 4, 30)).substr(0, 6), "平成");
    EXPECT_EQ(datestr(model_date(2019, 5, 1)).substr(0, 6), "令和");
    // Masks with era forms.
    char buf[TRW_DATE_TEXT_MAX];
    EXPECT_EQ(rfmtdate(xmas, "gyy/mm/dd", buf), 0);
    EXPECT_STREQ(buf, "令和06/12/25");
    int32_t back = 0;
    EXPECT_EQ(rdefmtdate(&back, "gyy/mm/dd", buf), 0);
    EXPECT_EQ(back, xmas);
    EXPECT_EQ(rfmtdate(xmas, "eyyyy-mm-dd", buf), 0);
    EXPECT_EQ(rdefmtdate(&back, "eyyyy-mm-dd", buf), 0) << buf;
    EXPECT_EQ(back, xmas);
    int16_t mdy[3];
    EXPECT_EQ(rgetglsdate(xmas, mdy), 0);
    EXPECT_EQ(mdy[0], 12);
    EXPECT_EQ(mdy[1], 25);
    EXPECT_EQ(mdy[2], 6);
    // Past the DATE range the era form fails as the plain day count does.
    for (int32_t far : {model_date(9999, 12, 31) + 1, int32_t{-3000000}}) {
        EXPECT_EQ(rgetglsdate(far, mdy), -1210) << far;
        EXPECT_EQ(rjulmdy(far, mdy), -1210) << far;
        EXPECT_EQ(rdatestr(far, buf), -1210) << far;
    }
}

// ---- century rules -------------------------------------------------------------------------

namespace {

// The century rule written from its description.
int model_century(int rule, int month, int day, int yy, int32_t today)
{
    int16_t t[3];
    rjulmdy(today, t);
    const int c = t[2] / 100;
    if (rule == 'R')
        return c;
    const int m = month != 0 ? month : t[0];
    const int d = day != 0 ? day : t[1];
    auto cand = [&](int y) { return model_date(y, m, m == 2 && d == 29 && !leap(y) ? 28 : d); };
    const int64_t d0 = cand(c * 100 + yy), dm = cand((c - 1) * 100 + yy), dp = cand((c + 1) * 100 + yy);
    if (rule == 'F')
        return d0 > today ? c : c + 1;
    if (rule == 'P')
        return d0 < today ? c : c - 1;
    const int64_t a0 = std::llabs(d0 - today), am = std::llabs(dm - today), ap = std::llabs(dp - today);
    if (a0 < am && a0 < ap)
        return c;
    if (am < ap && am <= a0)
        return c - 1;
    return c + 1;
}

void check_century_rule(int rule)
{
    const int32_t today = today_date();
    int16_t t[3];
    rjulmdy(today, t);
    const int yy_today = t[2] % 100;
    std::vector<int> years = {0, 99};
    for (int delta : {-51, -50, -49, -1, 0, 1, 49, 50, 51})
        years.push_back(((yy_today + delta) % 100 + 100) % 100);
    std::vector<std::pair<int, int>> days = {{0, 0}, {1, 1}, {12, 31}, {2, 29}, {t[0], t[1]}};
    int16_t n[3], p[3];
    rjulmdy(today + 1, n);
    rjulmdy(today - 1, p);
    days.push_back({n[0], n[1]});
    days.push_back({p[0], p[1]});
    for (int yy : years)
        for (auto [m, d] : days) {
            const int want = model_century(rule, m, d, yy, today);
            EXPECT_EQ(getcentury(m, d, yy), want) << char(rule) << " " << m << "/" << d << "/" << yy;
            if (m == 0)
                continue;
            char text[32];
            std::snprintf(text, sizeof text, "%02d/%02d/%02d", m, d, yy);
            int st;
            const int32_t got = strdate(text, &st);
            const int year = want * 100 + yy;
            if (m == 2 && d == 29 && !leap(year)) {
                EXPECT_EQ(st, -1206) << text;
                continue;
            }
            EXPECT_EQ(st, 0) << text;
            EXPECT_EQ(got, model_date(year, m, d)) << text;
            int32_t masked = 0;
            EXPECT_EQ(rdefmtdate(&masked, "mm/dd/yy", text), 0) << text;
            EXPECT_EQ(masked, model_date(year, m, d)) << text;
        }
}

} // namespace

TEST(DateCentury, RuleR) { clear_settings(); setenv("DBCENTURY", "R", 1); EXPECT_EQ(getdbcentury(), 'R'); check_century_rule('R'); }
TEST(DateCentury, RuleC) { clear_settings(); setenv("DBCENTURY", "C", 1); EXPECT_EQ(getdbcentury(), 'C'); check_century_rule('C'); }
TEST(DateCentury, RuleF) { clear_settings(); setenv("DBCENTURY", "F", 1); EXPECT_EQ(getdbcentury(), 'F'); check_century_rule('F'); }
TEST(DateCentury, RuleP) { clear_settings(); setenv("DBCENTURY", "P", 1); EXPECT_EQ(getdbcentury(), 'P'); check_century_rule('P'); }

TEST(DateCentury, BadAndLowerCaseValuesCountAsR)
{
    clear_settings();
    setenv("DBCENTURY", "X", 1);
    EXPECT_EQ(getdbcentury(), 'R');
    trw::date::forget_century_rule();
    setenv("DBCENTURY", "p", 1);
    EXPECT_EQ(getdbcentury(), 'R');
    trw::date::forget_century_rule();
    setenv("DBCENTURY", "PP", 1);
    EXPECT_EQ(getdbcentury(), 'R');
    EXPECT_EQ(validate_dbcentury('F', 'R'), 'F');
    EXPECT_EQ(validate_dbcentury('x', 'C'), 'C');
}

TEST(DateCentury, PerCallRuleIsPutBack)
{
    clear_settings();
    setenv("DBCENTURY", "R", 1);
    const int32_t today = today_date();
    int16_t t[3];
    rjulmdy(today, t);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", t[0], t[1], t[2] % 100);
    const int c = t[2] / 100;
    int32_t d = 0;
    EXPECT_EQ(trw_strdate(text, &d, 'P'), 0); // today counts as future: previous century
    EXPECT_EQ(d, model_date((c - 1) * 100 + t[2] % 100, t[0], t[1]));
    EXPECT_EQ(getdbcentury(), 'R');
    EXPECT_EQ(trw_defmtdate(&d, "mm/dd/yy", text, 'F'), 0); // today counts as past
    EXPECT_EQ(d, model_date((c + 1) * 100 + t[2] % 100, t[0], t[1]));
    EXPECT_EQ(getdbcentury(), 'R');
    EXPECT_EQ(trw_strdate("13/01/24", &d, 'F'), -1205);
    EXPECT_EQ(getdbcentury(), 'R');
    EXPECT_EQ(trw_strdate(text, &d, 'Q'), 0); // not a rule: the process one
    EXPECT_EQ(d, today);
    EXPECT_EQ(getcentury(13, 1, 24), -1205);
    EXPECT_EQ(getcentury(2, 30, 24), -1206);
    EXPECT_EQ(getcentury(1, 1, 2024), 20);
}

TEST(DateCentury, SetTodayFixesTheCenturyRuleToo)
{
    clear_settings();
    setenv("DBCENTURY", "C", 1);
    const int32_t fixed = model_date(2049, 6, 1);
    rsettoday(&fixed);
    EXPECT_EQ(getcentury(6, 1, 99), 20); // 2099-06-01 is a day closer than 1999-06-01
    int32_t d = 0;
    EXPECT_EQ(rstrdate("06/01/00", &d), 0);
    EXPECT_EQ(d, model_date(2000, 6, 1));
    rsettoday(nullptr);
}

// ---- masks ---------------------------------------------------------------------------------

namespace {

const char *const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char *const kMons[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A formatter of the plain mask elements written from the mask table.
std::string model_mask(const std::string &mask, int32_t date)
{
    int32_t left = date - model_date(1, 1, 1);
    int y = 1 + 400 * (left / 146097), m = 1;
    left %= 146097;
    while (left >= (leap(y) ? 366 : 365))
        left -= leap(y) ? 366 : 365, ++y;
    while (left >= mlen(y, m))
        left -= mlen(y, m), ++m;
    const int d = left + 1;
    const int wd = ((date % 7) + 7) % 7;
    std::string out;
    char num[16];
    for (size_t i = 0; i < mask.size();) {
        auto at = [&](const char *e) { return strncasecmp(mask.c_str() + i, e, std::strlen(e)) == 0; };
        if (at("yyyy")) std::snprintf(num, sizeof num, "%04d", y), out += num, i += 4;
        else if (at("ddd")) out += kDays[wd], i += 3;
        else if (at("mmm")) out += kMons[m - 1], i += 3;
        else if (at("dd")) std::snprintf(num, sizeof num, "%02d", d), out += num, i += 2;
        else if (at("mm")) std::snprintf(num, sizeof num, "%02d", m), out += num, i += 2;
        else if (at("ww")) out += kDays[wd], i += 2;
        else if (at("yy")) std::snprintf(num, sizeof num, "%02d", y % 100), out += num, i += 2;
        else out += mask[i++];
    }
    return out;
}

} // namespace

TEST(DateMask, AgainstAModelOnRandomDates)
{
    clear_settings();
    const char *masks[] = {"mm/dd/yyyy", "dd-mm-yy", "ddd, mmm dd yyyy", "ww mmm dd", "mmddyy",
                           "MM/DD/YYYY", "DDD, MMM DD YYYY", "Date: dd.mm.yyyy (day)", "100% dd", "%d mm"};
    std::mt19937 rng(15);
    std::uniform_int_distribution<int32_t> dist(TRW_DATE_MIN, TRW_DATE_MAX);
    char buf[TRW_DATE_TEXT_MAX];
    for (int i = 0; i < 1000; ++i) {
        const int32_t date = dist(rng);
        for (const char *mask : masks) {
            ASSERT_EQ(rfmtdate(date, mask, buf), 0) << mask;
            EXPECT_EQ(std::string(buf), model_mask(mask, date)) << mask << " " << date;
        }
        int32_t back = 0;
        ASSERT_EQ(rfmtdate(date, "mm/dd/yyyy", buf), 0);
        EXPECT_EQ(rdefmtdate(&back, "mm/dd/yyyy", buf), 0) << buf;
        EXPECT_EQ(back, date);
        ASSERT_EQ(rfmtdate(date, "ddd, mmm dd yyyy", buf), 0);
        EXPECT_EQ(rdefmtdate(&back, "ddd, mmm dd yyyy", buf), 0) << buf;
        EXPECT_EQ(back, date);
    }
    EXPECT_EQ(_inmdflag, 1);
    EXPECT_STREQ(trw_date_name(0, 3), "Wed");
    EXPECT_STREQ(trw_date_name(1, 11), "Dec");
    EXPECT_STREQ(trw_date_name(2, 8), "September");
    EXPECT_EQ(trw_date_name(0, 7), nullptr);
}

TEST(DateMask, NullEmptyAndBlankMasks)
{
    clear_settings();
    char buf[TRW_DATE_TEXT_MAX] = "keep";
    EXPECT_EQ(rfmtdate(1, nullptr, buf), -1212);
    EXPECT_EQ(rfmtdate(1, "", buf), 0);
    EXPECT_STREQ(buf, "keep");
    EXPECT_EQ(rfmtdate(1, "   ", buf), 0);
    EXPECT_STREQ(buf, "keep");
    int32_t d = 9;
    EXPECT_EQ(rdefmtdate(&d, nullptr, "12/25/2024"), -1212);
    EXPECT_EQ(rdefmtdate(&d, "mm/dd", "12/25"), -1212);
    EXPECT_EQ(rdefmtdate(&d, "mm/dd/mm", "12/25/12"), -1212);
    EXPECT_EQ(d, 9);
    EXPECT_EQ(rfmtdate(kNull, "mm/dd/yyyy", buf), 0);
    EXPECT_STREQ(buf, "");
    // A long mask gets a format sized from it.
    std::string mask;
    for (int i = 0; i < 100; ++i)
        mask += "yy";
    EXPECT_EQ(rfmtdate(model_date(2024, 1, 1), mask.c_str(), buf), 0);
    EXPECT_EQ(std::strlen(buf), 200u);
}

TEST(DateMask, ParsingRules)
{
    clear_settings();
    const int32_t xmas = model_date(2024, 12, 25);
    struct Case {
        const char *mask, *text;
        int status;
        int32_t date;
    } cases[] = {
        {"mm/dd/yy", "/12/99", -1205, 0},           {"mm/dd/yy", "12//99", -1206, 0},
        {"dd/mm/yy", "/12/99", -1206, 0},           {"yy/mm/dd", "/12/25", -1204, 0},
        {"dd/mm/yyyy", "25//2024", -1205, 0},       {"yyyy/dd/mm", "2024//12", -1206, 0},
        {"mm/dd/yyyy", "12/25/2024", 0, xmas},      {"mmm dd yyyy", "December 25 2024", 0, xmas},
        {"mmm dd yyyy", "dec 25 2024", 0, xmas},    {"mm/dd/yyyy", "12/25/2024 at noon", 0, xmas},
        {"mm/dd/yyyy", "12/25/2024 at 12", -1218, 0}, {"yyyy-mm-dd", "2024-12-25", 0, xmas},
        {"mm/dd/yyyy", "12/25 2024", 0, xmas},      {"ddmmyyyy", "25122024", 0, xmas},
        {"mm/dd/yyyy", "13/25/2024", -1205, 0},     {"mm/dd/yyyy", "12/x/2024", -1206, 0},
    };
    for (const Case &c : cases) {
        int32_t d = 4242;
        EXPECT_EQ(rdefmtdate(&d, c.mask, c.text), c.status) << c.mask << " " << c.text;
        EXPECT_EQ(d, c.status == 0 ? c.date : 4242) << c.mask << " " << c.text;
    }
    int32_t d = 1;
    EXPECT_EQ(rdefmtdate(&d, "mm/dd/yyyy", "   "), 0);
    EXPECT_EQ(d, kNull);
}

TEST(DateMask, EmptyTextLeftUnchangedWithDhlRdefmtdate)
{
    clear_settings();
    setenv("DHL_RDEFMTDATE", "1", 1);
    int32_t d = 77;
    EXPECT_EQ(rdefmtdate(&d, "mm/dd/yyyy", ""), 0);
    EXPECT_EQ(d, 77);
    EXPECT_EQ(rdefmtdate(&d, "mm/dd/yyyy", "  "), 0);
    EXPECT_EQ(d, 77);
    EXPECT_EQ(rstrdate("", &d), 0);
    EXPECT_EQ(d, kNull);
}

// ---- the %-format bridge -------------------------------------------------------------------

TEST(DateLocaleFormat, ErrorMappingBothWays)
{
    clear_settings();
    char buf[8];
    EXPECT_EQ(dtofmtasc(1, "%Q", buf, sizeof buf), -1276);      // 22
    EXPECT_EQ(dtofmtasc(1, "%m/%d/%Y", buf, 4), -1273);         // 14
    EXPECT_EQ(dtofmtasc(1, nullptr, buf, sizeof buf), -1276);   // 15
    EXPECT_EQ(dtofmtasc(1, "%m/%d", buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "01/01");
    int32_t d = 3;
    EXPECT_EQ(dcvfmtasc(&d, "%Y-%m-%d", "1999-02-29"), -1206);  // 27
    EXPECT_EQ(dcvfmtasc(&d, "%Y-%m-%d", "1999-13-01"), -1205);  // 30
    EXPECT_EQ(dcvfmtasc(&d, "%d %Y", "x 1999"), -1206);         // 37
    EXPECT_EQ(dcvfmtasc(&d, "%a %m/%d/%Y", "Mon 12/25/2024"), -1218); // 38
    EXPECT_EQ(dcvfmtasc(&d, "%m %Y", "x 1999"), -1205);         // 40
    EXPECT_EQ(dcvfmtasc(&d, "%m %Y", "12 x"), -1204);           // 41
    EXPECT_EQ(dcvfmtasc(&d, "%m-%Y", "12/1999"), -1218);        // 46
    EXPECT_EQ(d, 3);
    EXPECT_EQ(dcvfmtasc(&d, "%Y-%m-%d", "  2024-12-25  "), 0);
    EXPECT_EQ(d, model_date(2024, 12, 25));
    EXPECT_EQ(dcvfmtasc(&d, "%Y-%m-%d", " "), 0);
    EXPECT_EQ(d, kNull);
    for (auto [sql, code] : {std::pair{-1206, 37}, {-1205, 40}, {-1204, 41}, {-1211, 3}, {-1207, 14}, {-1218, 9}})
        EXPECT_EQ(trw::date::locale_code_of_sql_error(sql), code);
    for (auto [code, sql] : {std::pair{22, -1276}, {15, -1276}, {14, -1273}, {3, -1211}, {12, -23108}, {9, -1218},
                             {23, -1237}, {24, -1263}, {27, -1206}, {28, -1263}, {30, -1205}, {31, -1204},
                             {33, -1218}, {37, -1206}, {39, -1218}, {40, -1205}, {41, -1204}, {42, -1236},
                             {43, -1237}, {32, -1263}, {46, -1218}, {99, -1218}})
        EXPECT_EQ(trw::date::sql_error_of_locale_code(code), sql) << code;
    gl_locale *loc = CheckGlsEnv()->locale;
    EXPECT_EQ(trw_gl_convert_date(&d, "12/32/2024", nullptr), -1);
    EXPECT_EQ(loc->error, 37);
    EXPECT_EQ(trw_gl_convert_date(&d, "13/01/2024", nullptr), -1);
    EXPECT_EQ(loc->error, 40);
    EXPECT_EQ(trw_gl_convert_date(&d, "12/01", nullptr), -1);
    EXPECT_EQ(loc->error, 41);
    EXPECT_EQ(trw_gl_convert_date(&d, "12/01/2024 x", nullptr), -1);
    EXPECT_EQ(loc->error, 9);
    EXPECT_EQ(trw_gl_convert_date(&d, "2024-12-25", "%Y-%m-%d"), 0);
    EXPECT_EQ(d, model_date(2024, 12, 25));
    char out[32];
    EXPECT_EQ(trw_gl_format_date(out, sizeof out, &d, nullptr), 10);
    EXPECT_STREQ(out, "12/25/2024");
    EXPECT_EQ(trw_gl_format_date(out, 4, &d, "%Y-%m-%d"), -1);
    EXPECT_EQ(loc->error, 14);
}

// ---- today -------------------------------------------------------------------------------

namespace {

std::time_t g_fake_now = 0;
int g_conversions = 0;
std::time_t fake_now() { return g_fake_now; }
bool fake_local(std::time_t t, int *y, int *m, int *d)
{
    ++g_conversions;
    std::tm tm{};
    gmtime_r(&t, &tm);
    *y = tm.tm_year + 1900, *m = tm.tm_mon + 1, *d = tm.tm_mday;
    return true;
}

} // namespace

TEST(DateToday, ClockOverrideAndQuarterHourCache)
{
    clear_settings();
    int32_t d = 0;
    const int32_t before = today_date();
    rtoday(&d);
    EXPECT_TRUE(d == before || d == today_date());
    const int32_t fixed = model_date(2000, 2, 29);
    rsettoday(&fixed);
    rtoday(&d);
    EXPECT_EQ(d, fixed);
    rsettoday(nullptr);
    rtoday(&d);
    EXPECT_TRUE(d == before || d == today_date());

    const trw::date::Clock clock{fake_now, fake_local};
    trw::date::set_clock(&clock);
    g_fake_now = 1735084800; // 2024-12-25 00:00:00 UTC, the start of a quarter hour
    rtoday(&d);
    EXPECT_EQ(d, model_date(2024, 12, 25));
    EXPECT_EQ(g_conversions, 1);
    g_fake_now += 899;
    rtoday(&d);
    EXPECT_EQ(g_conversions, 1);
    g_fake_now += 1;
    rtoday(&d);
    EXPECT_EQ(g_conversions, 2);
    g_fake_now += 86400;
    rtoday(&d);
    EXPECT_EQ(d, model_date(2024, 12, 26));
    EXPECT_EQ(g_conversions, 3);
    rsettoday(nullptr); // forgets the cache
    rtoday(&d);
    EXPECT_EQ(g_conversions, 4);
    trw::date::set_clock(nullptr);
}

// ---- memory ------------------------------------------------------------------------------

namespace {

// Runs body with the n-th allocation failing, for n = 0, 1, ... until one
// run sees no failure; each run must give 0 or one of allowed and leak
// nothing.
template <typename Body> void fail_each_allocation(Body body)
{
    for (long n = 0; n < 400; ++n) {
        trwtest::start_counting_live_blocks();
        trwtest::fail_allocation_after(n);
        const int st = body();
        const bool failed = trwtest::allocation_failed();
        trwtest::allow_allocations();
        if (!failed) {
            EXPECT_EQ(st, 0);
            return;
        }
        EXPECT_TRUE(st == 0 || st == -1211 || st < -20000) << n << ": " << st;
    }
    ADD_FAILURE() << "never ran without a failure";
}

} // namespace

TEST(DateMemory, FirstCallsSurviveEveryAllocationFailure)
{
    clear_settings();
    char buf[TRW_DATE_TEXT_MAX];
    fail_each_allocation([&] { return rdatestr(1, buf); });
    EXPECT_STREQ(buf, "01/01/1900");
    int32_t d = 0;
    fail_each_allocation([&] { return rstrdate("dec 25 2024", &d); });
    EXPECT_EQ(d, model_date(2024, 12, 25));
    fail_each_allocation([&] { return rfmtdate(1, "ddd, mmm dd yyyy", buf); });
    EXPECT_STREQ(buf, "Mon, Jan 01 1900");
    trwtest::start_counting_live_blocks();
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(rfmtdate(1, "mm/dd/yyyy", buf), 0);
        ASSERT_EQ(rdefmtdate(&d, "mm/dd/yyyy", buf), 0);
    }
    EXPECT_EQ(trwtest::live_blocks(), 0);
}

// ---- a calendar that is not Gregorian -----------------------------------------------------

TEST(DateCalendar, HebrewDatesRoundTripThroughTheLocaleCalendar)
{
    clear_settings();
    setenv("CLIENT_LOCALE", "he_IL.8859-8", 1);
    setenv("DBDATE", "DMY4/", 1);
    const int32_t xmas = model_date(2024, 12, 25);
    const std::string text = datestr(xmas);
    EXPECT_EQ(text.substr(text.size() - 4), "5785") << text; // 24 Kislev 5785
    std::mt19937 rng(5785);
    std::uniform_int_distribution<int32_t> dist(1, 73414);
    for (int i = 0; i < 300; ++i) {
        const int32_t date = dist(rng);
        const std::string t = datestr(date);
        int st;
        EXPECT_EQ(strdate(t.c_str(), &st), date) << t;
        EXPECT_EQ(st, 0) << t;
    }
    EXPECT_EQ(strdate_status("01/15/5785"), -1205);
}

TEST(DateCalendar, HebrewTwoDigitYearsTakeTheFixedCentury)
{
    clear_settings();
    setenv("CLIENT_LOCALE", "he_IL.8859-8", 1);
    setenv("DBDATE", "DMY2/", 1);
    EXPECT_EQ(getcentury(1, 1, 85), 57);
    // Hebrew years 5700 to 5799 are about 1939 to 2039.
    for (int32_t date = model_date(1941, 1, 1); date < model_date(2038, 1, 1); date += 97) {
        const std::string t = datestr(date);
        int st;
        EXPECT_EQ(strdate(t.c_str(), &st), date) << t;
        EXPECT_EQ(st, 0) << t;
    }
}

TEST(DateGeneralScan, FourDigitYearSplitsIntoAMissingField)
{
    clear_settings();
    setenv("DBDATE", "MY4D/", 1);
    int st;
    EXPECT_EQ(strdate("12/2024/25", &st), model_date(2024, 12, 25));
    EXPECT_EQ(st, 0);
    // "2425": the day finds no digits, so the year gives it "25".
    EXPECT_EQ(strdate("12/2425", &st), model_date(2024, 12, 25));
    EXPECT_EQ(st, 0);
    EXPECT_EQ(strdate_status("12/2425/"), -1206); // a separator: the day is missing
}

TEST(DateLocaleFormat, NumericFormatsWriteWhatTheLocaleFormatterWrites)
{
    clear_settings();
    ASSERT_EQ(chkglsinit(), 0);
    gl_locale *loc = CheckGlsEnv()->locale;
    const char *formats[] = {"%m/%d/%iY", "%d.%m.%iy", "%iY-%m-%d", "%d%m%iY", "on %m/%d", "%iy"};
    std::mt19937 rng(77);
    std::uniform_int_distribution<int32_t> dist(TRW_DATE_MIN, TRW_DATE_MAX);
    for (int i = 0; i < 3000; ++i) {
        const int32_t date = dist(rng);
        gl_tm rec;
        ASSERT_TRUE(trw::date::fill_tm(date, &rec));
        for (const char *f : formats) {
            char ours[64], theirs[64];
            ASSERT_EQ(dtofmtasc(date, f, ours, sizeof ours), 0);
            ASSERT_GT(gl_mbsftime(loc, theirs, sizeof theirs, f, &rec), 0);
            ASSERT_STREQ(ours, theirs) << f;
        }
    }
    char buf[16];
    EXPECT_EQ(dtofmtasc(1, "%m/%d/%iY", buf, 10), -1273);
    EXPECT_EQ(dtofmtasc(1, "%m/%d/%iY", buf, 11), 0);
    EXPECT_STREQ(buf, "01/01/1900");
    EXPECT_EQ(dtofmtasc(1, "%m/%d/%iY!", buf, 11), -1273);
}

// rstrdate may read plain numeric text by a shortcut; it must agree with the
// general scan on every text.
TEST(DateGeneralScan, NumericShortcutAgreesWithTheScan)
{
    clear_settings();
    setenv("DBDATE", "Y4MD-", 1);
    ASSERT_EQ(chkglsinit(), 0);
    GlsEnv *env = CheckGlsEnv();
    const trw::date::ScanRequest request{{3, 2, 1}, 0, false, false};
    std::mt19937 rng(4);
    const char alphabet[] = "0123456789012345678901234567890123456789/-.x ";
    std::uniform_int_distribution<int> pick(0, sizeof alphabet - 2), length(6, 12);
    std::uniform_int_distribution<int32_t> dist(TRW_DATE_MIN, TRW_DATE_MAX);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        if (i % 2 == 0) {
            int16_t mdy[3];
            rjulmdy(dist(rng), mdy);
            char buf[32];
            const char *seps[] = {"-", "/", "", ".", "-/", "x"};
            const char *sep = seps[i / 2 % 6];
            std::snprintf(buf, sizeof buf, "%04d%c%02d%c%02d", mdy[2], sep[0] ? sep[0] : 'Q', mdy[0],
                          sep[0] ? sep[std::strlen(sep) - 1] : 'Q', mdy[1]);
            text = buf;
            if (sep[0] == '\0')
                text.erase(std::remove(text.begin(), text.end(), 'Q'), text.end());
        } else {
            for (int n = length(rng); n > 0; --n)
                text += alphabet[pick(rng)];
        }
        int32_t by_scan = kNull;
        const int scan_status = trw::date::general_scan(env, text.c_str(), request, &by_scan);
        int st;
        const int32_t by_rstrdate = strdate(text.c_str(), &st);
        ASSERT_EQ(st, scan_status) << text;
        ASSERT_EQ(by_rstrdate, scan_status == 0 ? by_scan : kNull) << text;
    }
}
