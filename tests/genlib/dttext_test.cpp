// DATETIME and INTERVAL text through the public functions, each test in a
// fresh process with its own settings: the standard text both ways and its
// error order, the century rule, %-formats and the DBTIME rewriting,
// qualifiers of formats, formats limited to a qualifier, the INTERVAL format
// language against printf, foreign formats by their two tables, the process
// formats (DBTIME, GL_DATETIME, USE_DTENV), DBTODAY, and allocation
// failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "datetime.h"
#include "gentcb.h"
#include "gl_time.h"
#include "glsenv.h"
#include "rdate.h"
#include "rdateint.h"
#include "support/alloc_fail.h"

namespace {

constexpr int kYearToSecond = DT_YEAR_TO_SECOND;

int dq(int s, int e) { return TU_DTENCODE(s, e); }
int iq(int p, int s, int e) { return TU_IENCODE(p, s, e); }

void clear_settings()
{
    for (const char *name : gls_setting_names)
        unsetenv(name);
    for (const char *name : {"DBCENTURY", "DBTODAY", "USE_DTENV"})
        unsetenv(name);
}

struct DtResult {
    int status;
    std::string text; // the value printed back, "NULL" for NULL
};

DtResult parse_dt(const char *text, int qualifier)
{
    dt_value v;
    v.dt_qual = static_cast<int16_t>(qualifier);
    const int status = dtcvasc(text, &v);
    if (status != 0)
        return {status, v.dt_dec.sign == -1 ? "NULL" : "?"};
    if (v.dt_dec.sign == -1)
        return {0, "NULL"};
    char out[DT_GLTEXT_SIZE];
    EXPECT_EQ(dttoasc(&v, out), 0);
    return {0, out};
}

DtResult parse_inv(const char *text, int qualifier)
{
    inv_value v;
    v.in_qual = static_cast<int16_t>(qualifier);
    const int status = incvasc(text, &v);
    if (status != 0)
        return {status, v.in_dec.sign == -1 ? "NULL" : "?"};
    if (v.in_dec.sign == -1)
        return {0, "NULL"};
    char out[DT_TEXT_SIZE];
    EXPECT_EQ(intoasc(&v, out), 0);
    return {0, out};
}

dt_value dt_of(const char *text, int qualifier)
{
    dt_value v;
    v.dt_qual = static_cast<int16_t>(qualifier);
    EXPECT_EQ(dtcvasc(text, &v), 0) << text;
    return v;
}

inv_value inv_of(const char *text, int qualifier)
{
    inv_value v;
    v.in_qual = static_cast<int16_t>(qualifier);
    EXPECT_EQ(incvasc(text, &v), 0) << text;
    return v;
}

std::string fmt_dt(const dt_value &v, const char *format, int size = 128, int *status = nullptr)
{
    std::vector<char> out(static_cast<size_t>(size) + 8, '#');
    const int st = dttofmtasc(&v, out.data(), size, format);
    if (status != nullptr)
        *status = st;
    EXPECT_EQ(out[static_cast<size_t>(size)], '#') << "written past size";
    return st == 0 ? std::string(out.data()) : "ERR" + std::to_string(st);
}

std::string fmt_inv(const inv_value &v, const char *format, int size = 128)
{
    std::vector<char> out(static_cast<size_t>(size) + 8, '#');
    const int st = intofmtasc(&v, out.data(), size, format);
    EXPECT_EQ(out[static_cast<size_t>(size)], '#') << "written past size";
    return st == 0 ? std::string(out.data()) : "ERR" + std::to_string(st);
}

// ---- standard text -----------------------------------------------------------------------------

struct TextCase {
    const char *text;
    int qualifier;
    int status;
    const char *back;
};

TEST(DtStandard, ParsesAndPrintsBack)
{
    clear_settings();
    const TextCase cases[] = {
        {"1999-12-31 23:59:59", kYearToSecond, 0, "1999-12-31 23:59:59"},
        {"  1999-1-2 3:4:5  ", kYearToSecond, 0, "1999-01-02 03:04:05"},
        {"1999-12-31  23: 59:  59", kYearToSecond, 0, "1999-12-31 23:59:59"},
        {"1999-12-31 23:59", kYearToSecond, -1262, "NULL"},
        {"1999-12-31 23:59:59", DT_YEAR_TO_FRAC3, -1262, "NULL"},
        {"1999-12-31 23:59:59.5", DT_YEAR_TO_FRAC3, 0, "1999-12-31 23:59:59.500"},
        {"1999-12-31 23:59:59.12345", DT_YEAR_TO_FRAC5, 0, "1999-12-31 23:59:59.12345"},
        {"1999-12-31 23:59:59.123456", DT_YEAR_TO_FRAC5, -1264, "NULL"},
        {"12345-01", dq(0, 2), -1261, "NULL"},
        {"1999-02-29", DT_YEAR_TO_DAY, -1263, "NULL"},
        {"2000-02-29", DT_YEAR_TO_DAY, 0, "2000-02-29"},
        {"1999-13-01", DT_YEAR_TO_DAY, -1263, "NULL"},
        {"1999-12-00", DT_YEAR_TO_DAY, -1263, "NULL"},
        {"1999-12-31 24", dq(0, 6), -1263, "NULL"},
        {"1999-12-311", DT_YEAR_TO_DAY, -1263, "NULL"},
        {"1999/12/31", DT_YEAR_TO_DAY, -1262, "NULL"},
        {"1999--31", DT_YEAR_TO_DAY, -1262, "NULL"},
        {"1999-12-31 x", DT_YEAR_TO_DAY, -1264, "NULL"},
        {"", DT_YEAR_TO_DAY, 0, "NULL"},
        {"   ", DT_YEAR_TO_DAY, 0, "NULL"},
        {"12:30", dq(6, 8), 0, "12:30"},
        {"02-29", dq(2, 4), 0, "02-29"},
        {".25", dq(12, 12), 0, ".25"},
        {"0.25", dq(12, 12), 0, ".25"},
        {"1.25", dq(12, 12), -1263, "NULL"},
        {"25", dq(12, 12), -1263, "NULL"},
        {"00", dq(12, 12), -1271, "NULL"},
        {"59.1", dq(10, 11), 0, "59.1"},
        {"1999", dq(0, 0), 0, "1999"},
        {"999-01", dq(0, 2), 0, "0999-01"},
        {"1999-12-31", 0x0E0B, -1268, "NULL"},
    };
    for (const TextCase &c : cases) {
        const DtResult r = parse_dt(c.text, c.qualifier);
        EXPECT_EQ(r.status, c.status) << c.text;
        EXPECT_EQ(r.text, c.back) << c.text;
    }
}

TEST(DtStandard, IntervalSignsAndBlanks)
{
    clear_settings();
    const TextCase cases[] = {
        {"-3 04", iq(5, 4, 6), 0, "    -3 04"},
        {"-5 10:00", iq(4, 4, 8), 0, "   -5 10:00"},
        {"  -5 10:00", iq(2, 4, 8), 0, " -5 10:00"},
        {"0 00", iq(5, 4, 6), 0, "     0 00"},
        {"123456789 23:59:59.12345", iq(9, 4, 15), 0, " 123456789 23:59:59.12345"},
        {"1234567890 23", iq(9, 4, 6), -1261, "NULL"},
        {"5 24", iq(2, 4, 6), -1263, "NULL"},
        {"5-12", iq(4, 0, 2), -1263, "NULL"},
        {"5-11", iq(4, 0, 2), 0, "    5-11"},
        {"-.5", iq(2, 12, 11), 0, "-.5"},
        {"100", iq(3, 6, 6), 0, " 100"},
        {"", iq(3, 6, 6), 0, "NULL"},
        {"-", iq(3, 6, 6), -1262, "NULL"},
    };
    for (const TextCase &c : cases) {
        const DtResult r = parse_inv(c.text, c.qualifier);
        EXPECT_EQ(r.status, c.status) << c.text;
        EXPECT_EQ(r.text, c.back) << c.text;
    }
}

TEST(DtStandard, FailureLeavesNullAndNullPrintsEmpty)
{
    clear_settings();
    dt_value v = dt_of("1999-12-31", DT_YEAR_TO_DAY);
    EXPECT_EQ(dtcvasc("1999-02-30", &v), -1263);
    EXPECT_EQ(v.dt_dec.sign, -1);
    char out[DT_TEXT_SIZE] = "x";
    EXPECT_EQ(dttoasc(&v, out), 0);
    EXPECT_STREQ(out, "");
    inv_value i = inv_of("5", iq(2, 4, 4));
    EXPECT_EQ(incvasc("5:", &i), -1264);
    EXPECT_EQ(i.in_dec.sign, -1);
    EXPECT_EQ(intoasc(&i, out), 0);
    EXPECT_STREQ(out, "");
}

TEST(DtStandard, CallerTextIsNotChanged)
{
    clear_settings();
    char text[] = "1999-12-31 23:59:59";
    dt_value v;
    v.dt_qual = kYearToSecond;
    ASSERT_EQ(dtcvasc(text, &v), 0);
    EXPECT_STREQ(text, "1999-12-31 23:59:59");
}

// ---- century rule ------------------------------------------------------------------------------

void fix_today(int y, int m, int d)
{
    const int16_t mdy[3] = {static_cast<int16_t>(m), static_cast<int16_t>(d), static_cast<int16_t>(y)};
    int32_t date;
    ASSERT_EQ(rmdyjul(mdy, &date), 0);
    rsettoday(&date);
}

std::string year_of_two_digit(const char *text, int century = 0)
{
    dt_value v;
    v.dt_qual = DT_YEAR_TO_DAY;
    const int st = century != 0 ? trw_dtcvasc(text, &v, century) : dtcvasc(text, &v);
    if (st != 0)
        return "ERR" + std::to_string(st);
    char out[DT_TEXT_SIZE];
    dttoasc(&v, out);
    return out;
}

TEST(DtCentury, RuleRByDefault)
{
    clear_settings();
    fix_today(2026, 6, 15);
    EXPECT_EQ(year_of_two_digit("03-02-05"), "2003-02-05");
    EXPECT_EQ(year_of_two_digit("99-01-01"), "2099-01-01");
}

TEST(DtCentury, RulesByDbcentury)
{
    struct Case {
        const char *rule, *text, *want;
    };
    // Today 2026-06-15.
    const Case cases[] = {
        {"C", "99-01-01", "1999-01-01"}, {"C", "30-01-01", "2030-01-01"}, {"F", "26-06-14", "2126-06-14"},
        {"F", "26-06-16", "2026-06-16"}, {"P", "26-06-16", "1926-06-16"}, {"P", "26-06-14", "2026-06-14"},
        {"R", "99-01-01", "2099-01-01"},
    };
    for (const Case &c : cases) {
        clear_settings();
        setenv("DBCENTURY", c.rule, 1);
        trw::date::forget_century_rule();
        fix_today(2026, 6, 15);
        EXPECT_EQ(year_of_two_digit(c.text), c.want) << c.rule << " " << c.text;
    }
}

TEST(DtCentury, InvalidDbcenturyIsR)
{
    clear_settings();
    setenv("DBCENTURY", "X", 1);
    fix_today(2026, 6, 15);
    EXPECT_EQ(year_of_two_digit("99-01-01"), "2099-01-01");
}

TEST(DtCentury, PerCallRuleIsPutBack)
{
    clear_settings();
    setenv("DBCENTURY", "P", 1);
    fix_today(2026, 6, 15);
    EXPECT_EQ(year_of_two_digit("99-01-01", 'F'), "2099-01-01");
    EXPECT_EQ(getdbcentury(), 'P');
    EXPECT_EQ(year_of_two_digit("99-01-01"), "1999-01-01");
    EXPECT_EQ(year_of_two_digit("99-01-01", 'x'), "1999-01-01");
    dt_value v;
    v.dt_qual = DT_YEAR_TO_DAY;
    char out[32];
    ASSERT_EQ(trw_dtcvfmtasc("01/02/99", "%m/%d/%y", &v, 'F'), 0);
    dttoasc(&v, out);
    EXPECT_STREQ(out, "2099-01-02");
    EXPECT_EQ(getdbcentury(), 'P');
}

TEST(DtCentury, YearOnlyAndYearToMonthUseTodaysDay)
{
    clear_settings();
    setenv("DBCENTURY", "F", 1);
    fix_today(2026, 6, 15);
    dt_value v;
    v.dt_qual = static_cast<int16_t>(dq(0, 2));
    ASSERT_EQ(dtcvasc("26-07", &v), 0);
    char out[32];
    dttoasc(&v, out);
    EXPECT_STREQ(out, "2026-07");
    v.dt_qual = static_cast<int16_t>(dq(0, 2));
    ASSERT_EQ(dtcvasc("26-05", &v), 0);
    dttoasc(&v, out);
    EXPECT_STREQ(out, "2126-05");
}

// ---- %-formats ----------------------------------------------------------------------------------

TEST(DtFormat, FormatsByExplicitFormats)
{
    clear_settings();
    const dt_value v = dt_of("2005-03-07 14:05:09.12345", DT_YEAR_TO_FRAC5);
    EXPECT_EQ(fmt_dt(v, "%Y-%m-%d %H:%M:%S"), "2005-03-07 14:05:09");
    EXPECT_EQ(fmt_dt(v, "%d.%m.%y %I%p"), "07.03.05 02PM");
    EXPECT_EQ(fmt_dt(v, "%a %A %b %B %e %j"), "Mon Monday Mar March  7 066");
    EXPECT_EQ(fmt_dt(v, "%H:%M:%S.%F3"), "14:05:09.123");
    EXPECT_EQ(fmt_dt(v, "%H:%M:%S.%F"), "14:05:09.12");
    EXPECT_EQ(fmt_dt(v, "%H:%M:%S.%.4F"), "14:05:09.1234");
    EXPECT_EQ(fmt_dt(v, "%-H|%5M|%Y"), "14|   05|2005");
    EXPECT_EQ(fmt_dt(v, "literal only"), "literal only");
    EXPECT_EQ(fmt_dt(v, ""), "");
    EXPECT_EQ(fmt_dt(v, "100%%"), "100%");
    EXPECT_EQ(fmt_dt(v, "%H%"), "ERR-1276");
    EXPECT_EQ(fmt_dt(v, "%5/"), "ERR-1275");
    EXPECT_EQ(fmt_dt(v, "%Q"), "ERR-1276");
    EXPECT_EQ(fmt_dt(v, "%F7"), "ERR-1275");
}

TEST(DtFormat, SizeIsNeverExceeded)
{
    clear_settings();
    const dt_value v = dt_of("2005-03-07 14:05:09", kYearToSecond);
    const std::string full = "2005-03-07 14:05:09";
    for (int size = 1; size <= 25; ++size) {
        int status = 0;
        const std::string got = fmt_dt(v, "%Y-%m-%d %H:%M:%S", size, &status);
        if (size > static_cast<int>(full.size()))
            EXPECT_EQ(got, full) << size;
        else
            EXPECT_EQ(status, -1273) << size;
    }
    char out[4];
    EXPECT_EQ(dttofmtasc(&v, nullptr, 10, "%Y"), -1273);
    EXPECT_EQ(dttofmtasc(&v, out, 0, "%Y"), -1273);
}

TEST(DtFormat, TimeOnlyFormatNeedsNoDay)
{
    clear_settings();
    const dt_value v = dt_of("23:59", dq(6, 8));
    EXPECT_EQ(fmt_dt(v, "%H:%M"), "23:59");
    EXPECT_EQ(fmt_dt(v, "%I:%M %p"), "11:59 PM");
    const dt_value m = dt_of("02-29", dq(2, 4));
    EXPECT_EQ(fmt_dt(m, "%m/%d"), "02/29");
}

TEST(DtFormat, ValueExtendedToTheFormat)
{
    clear_settings();
    fix_today(2026, 6, 15);
    const dt_value d = dt_of("1999-12-31", DT_YEAR_TO_DAY);
    EXPECT_EQ(fmt_dt(d, "%Y-%m-%d %H:%M"), "1999-12-31 00:00");
    const dt_value h = dt_of("1999-12-31 23", dq(0, 6));
    EXPECT_EQ(fmt_dt(h, "%H"), "23");
}

TEST(DtFormat, ParsesByFormat)
{
    clear_settings();
    dt_value v;
    v.dt_qual = kYearToSecond;
    char out[DT_TEXT_SIZE];
    ASSERT_EQ(dtcvfmtasc("07.03.2005 14h05m09", "%d.%m.%Y %Hh%Mm%S", &v), 0);
    dttoasc(&v, out);
    EXPECT_STREQ(out, "2005-03-07 14:05:09");
    ASSERT_EQ(dtcvfmtasc("march 7 2005 2:05:09 pm  ", "%B %e %Y %I:%M:%S %p", &v), 0);
    dttoasc(&v, out);
    EXPECT_STREQ(out, "2005-03-07 14:05:09");
    v.dt_qual = DT_YEAR_TO_DAY;
    ASSERT_EQ(dtcvfmtasc("2005-03-07 14:05", "%Y-%m-%d %H:%M", &v), 0);
    dttoasc(&v, out);
    EXPECT_STREQ(out, "2005-03-07");
    const dt_value before = v;
    EXPECT_EQ(dtcvfmtasc("", "%Y", &v), -1272);
    EXPECT_EQ(dtcvfmtasc(nullptr, "%Y", &v), -1272);
    EXPECT_EQ(dtcvfmtasc("2005x", "%Y", &v), -1263);
    EXPECT_EQ(dtcvfmtasc("2005", "", &v), -1277);
    EXPECT_EQ(dtcvfmtasc("2005", "%Y%", &v), -1276);
    EXPECT_EQ(dtcvfmtasc("Tue 2005-03-07", "%a %Y-%m-%d", &v), -1277);
    EXPECT_EQ(dtcvfmtasc("2005-02-30", "%Y-%m-%d", &v), -1263);
    EXPECT_EQ(dtcvfmtasc("2005-xx-30", "%Y-%m-%d", &v), -1277);
    EXPECT_EQ(std::memcmp(&before, &v, sizeof v), 0) << "a failed parse changed the record";
}

TEST(DtFormat, DbtimeRewritingOfExplicitFormats)
{
    clear_settings();
    fix_today(2026, 6, 15);
    const dt_value v = dt_of("2005-03-07 04:05:09.12345", DT_YEAR_TO_FRAC5);
    // A bare %F takes two digits; widths 02 and 04.
    EXPECT_EQ(fmt_dt(v, "%H.%F"), "04.12");
    // "-" left-justifies; the width 02 still applies.
    EXPECT_EQ(fmt_dt(v, "%-H"), "04");
    EXPECT_EQ(fmt_dt(v, "%-3H|"), "04 |");
    dt_value y;
    y.dt_qual = static_cast<int16_t>(dq(0, 0));
    y.dt_dec = dt_of("0005", dq(0, 0)).dt_dec;
    EXPECT_EQ(fmt_dt(y, "%Y"), "0005");
}

TEST(DtFormat, QualifierOfFormats)
{
    clear_settings();
    // The parse of the format's own text shows which units it covers.
    dt_value v;
    v.dt_qual = dq(0, 15);
    ASSERT_EQ(dtcvfmtasc("12:30", "%H:%M", &v), 0);
    char out[32];
    dttoasc(&v, out);
    EXPECT_EQ(std::string(out).substr(10), " 12:30:00.00000");
    dt_value s;
    ASSERT_EQ(trw_gl_convert_datetime(&s, "2005-03-07 14:05", "%Y-%m-%d %H:%M"), 0);
    EXPECT_EQ(s.dt_qual, dq(0, 8));
    ASSERT_EQ(trw_gl_convert_datetime(&s, "07/03/05", "%D"), 0);
    EXPECT_EQ(s.dt_qual, dq(0, 4));
    ASSERT_EQ(trw_gl_convert_datetime(&s, "14:05:09.123", "%T.%F3"), 0);
    EXPECT_EQ(s.dt_qual, dq(0, 13));
    gl_locale *loc = trw_get_gl_locale_thread();
    EXPECT_EQ(trw_gl_convert_datetime(&s, "14", "%H%"), -1);
    EXPECT_EQ(loc->error, 22);
    char text[64];
    const dt_value t = dt_of("2005-03-07 14:05:09", kYearToSecond);
    EXPECT_EQ(trw_gl_format_datetime(text, sizeof text, &t, "%A %H:%M"), 12);
    EXPECT_STREQ(text, "Monday 14:05");
}

TEST(DtFormat, QualtofmtKeepsTheQualifiersUnits)
{
    clear_settings();
    struct Case {
        int qualifier;
        const char *format, *want;
    };
    const Case cases[] = {
        {DT_YEAR_TO_DAY, "%Y-%m-%d %H:%M:%S", "%04Y-%02m-%02d"},
        {dq(6, 10), "%Y-%m-%d %H:%M:%S", "%02H:%02M:%02S"},
        {dq(0, 2), "%m/%d/%y", "%02m/%02y"},
        {dq(4, 6), "%D %R", "%d %H"},
        {dq(6, 8), "%D %T", "%H:%M"},
        {DT_YEAR_TO_FRAC3, "%Y-%m-%d %H:%M:%S.%F3", "%04Y-%02m-%02d %02H:%02M:%02S.%F3"},
        {kYearToSecond, "%Y-%m-%d %H:%M:%S.%F3", "%04Y-%02m-%02d %02H:%02M:%02S"},
        {dq(0, 0), "at %H o'clock", ""},
    };
    for (const Case &c : cases) {
        char *got = qualtofmt(c.qualifier, c.format);
        ASSERT_NE(got, nullptr) << c.format;
        EXPECT_STREQ(got, c.want) << c.format;
        std::free(got);
    }
    EXPECT_EQ(qualtofmt(0x0E0B, "%Y"), nullptr);
    EXPECT_EQ(get_toerrno(), -1268);
}

// ---- INTERVAL formats ------------------------------------------------------------------------

std::string printf_text(const char *format, long long a, long long b = 0, long long c = 0, long long d = 0)
{
    char out[128];
    std::snprintf(out, sizeof out, format, a, b, c, d);
    return out;
}

TEST(DtIntervalFormat, FormatsAgainstPrintf)
{
    clear_settings();
    const inv_value v = inv_of("5 10:20:30.12345", iq(5, 4, 15));
    EXPECT_EQ(fmt_inv(v, "%d %H:%M:%S"), printf_text("%.2lld %.2lld:%.2lld:%.2lld", 5, 10, 20, 30));
    EXPECT_EQ(fmt_inv(v, "%H hours"), printf_text("%.2lld hours", 5 * 24 + 10));
    EXPECT_EQ(fmt_inv(v, "%M"), printf_text("%.2lld", (5 * 24 + 10) * 60 + 20));
    EXPECT_EQ(fmt_inv(v, "%5d|%.4H|%3M|%-4S|"), printf_text("%5lld|%.4lld|%3lld|%-4lld|", 5, 10, 20, 30));
    EXPECT_EQ(fmt_inv(v, "%d %I"), "05 10");
    EXPECT_EQ(fmt_inv(v, "%S.%F"), printf_text("%.2lld.12", 5 * 86400 + 10 * 3600 + 20 * 60 + 30));
    EXPECT_EQ(fmt_inv(v, "%d %H:%M:%S.%F4"), "05 10:20:30.1234");
    EXPECT_EQ(fmt_inv(v, "no conversions"), "no conversions");
    EXPECT_EQ(fmt_inv(v, "%%d"), "%d");
    const inv_value h = inv_of("22:00", iq(2, 6, 8));
    EXPECT_EQ(fmt_inv(h, "%I"), "10");
    const inv_value ym = inv_of("123-04", iq(4, 0, 2));
    EXPECT_EQ(fmt_inv(ym, "%Y/%m"), printf_text("%.4lld/%.2lld", 123, 4));
    EXPECT_EQ(fmt_inv(ym, "%y"), "23");
    EXPECT_EQ(fmt_inv(ym, "%m months"), printf_text("%.2lld months", 123 * 12 + 4));
}

TEST(DtIntervalFormat, NegativeValuesCarryTheirSign)
{
    clear_settings();
    const inv_value v = inv_of("-5 10", iq(2, 4, 6));
    EXPECT_EQ(fmt_inv(v, "%d %H:%M"), "-05 10:00");
    EXPECT_EQ(fmt_inv(v, "%4d %H"), printf_text("%4lld %.2lld", -5LL, 10));
    const inv_value h = inv_of("-5", iq(2, 6, 6));
    EXPECT_EQ(fmt_inv(h, "%d %H:%M"), "-00 05:00");
    const inv_value f = inv_of("-.5", iq(2, 12, 11));
    EXPECT_EQ(fmt_inv(f, "%F1"), "-5");
}

TEST(DtIntervalFormat, ErrorsAndSizes)
{
    clear_settings();
    const inv_value v = inv_of("5 10", iq(2, 4, 6));
    EXPECT_EQ(fmt_inv(v, "%B"), "ERR-1276");
    EXPECT_EQ(fmt_inv(v, "%p"), "ERR-1276");
    EXPECT_EQ(fmt_inv(v, "%Q"), "ERR-1276");
    EXPECT_EQ(fmt_inv(v, "%/"), "ERR-1275");
    EXPECT_EQ(fmt_inv(v, "%F7"), "ERR-1275");
    EXPECT_EQ(fmt_inv(v, "%d"), "05");
    EXPECT_EQ(fmt_inv(v, "%Y-%m"), "ERR-1266");
    EXPECT_EQ(fmt_inv(v, "%d %H", 3), "ERR-1273");
    EXPECT_EQ(fmt_inv(v, "%d %H", 6), "05 10");
    EXPECT_EQ(fmt_inv(v, "%d %H", 5), "ERR-1273");
    const inv_value big = inv_of("123456789 10", iq(9, 4, 6));
    EXPECT_EQ(fmt_inv(big, "%d"), "123456789");
    const inv_value huge = inv_of("999999999", iq(9, 4, 4));
    EXPECT_EQ(fmt_inv(huge, "%H"), "ERR-1265");
    inv_value null_value;
    null_value.in_qual = static_cast<int16_t>(iq(2, 4, 6));
    null_value.in_dec.sign = -1;
    EXPECT_EQ(fmt_inv(null_value, "%d %H"), "");
}

TEST(DtIntervalFormat, ParsesWhatItWrites)
{
    clear_settings();
    const char *formats[] = {"%d %H:%M:%S", "%H:%M", "%d days %H hours", "%5d|%.4H|%S.%F3", "%M:%S.%F4",
                             "%d %H:%M:%S.%F5"};
    const char *values[] = {"5 10:20:30.12345", "-5 10:20:30.12345", "0 00:00:00.00000", "99999 23:59:59.99999"};
    for (const char *format : formats)
        for (const char *text : values) {
            const inv_value v = inv_of(text, iq(5, 4, 15));
            const std::string written = fmt_inv(v, format);
            inv_value back, want;
            back.in_qual = want.in_qual = static_cast<int16_t>(iq(9, 4, 15));
            ASSERT_EQ(incvfmtasc(written.c_str(), format, &back), 0) << format << " " << written;
            // The value as the format keeps it.
            char a[128], b[128];
            EXPECT_EQ(intofmtasc(&back, a, sizeof a, format), 0);
            EXPECT_STREQ(a, written.c_str()) << format;
            (void)b;
        }
    inv_value r;
    r.in_qual = static_cast<int16_t>(iq(2, 4, 8));
    EXPECT_EQ(incvfmtasc("", "%d", &r), -1272);
    EXPECT_EQ(incvfmtasc("5 10", "%d-%H", &r), -1277);
    EXPECT_EQ(incvfmtasc("5 10x", "%d %H", &r), -1277);
    EXPECT_EQ(incvfmtasc("5 10 12", "%d %H %S%F", &r), -1271);
    EXPECT_EQ(incvfmtasc("5", "%I", &r), -1276);
    EXPECT_EQ(incvfmtasc("5 75", "%d %M", &r), -1263);
    EXPECT_EQ(incvfmtasc("5 10", "%d %H", &r), 0);
    char out[DT_TEXT_SIZE];
    intoasc(&r, out);
    EXPECT_STREQ(out, "  5 10:00");
}

// ---- foreign formats -------------------------------------------------------------------------

std::string foreign(const char *text, int size = 128)
{
    std::vector<char> out(static_cast<size_t>(size) + 4, '#');
    const int st = trw_to_gl_datetime(text, out.data(), size);
    EXPECT_EQ(out[static_cast<size_t>(size)], '#');
    return st == 0 ? std::string(out.data()) : "ERR" + std::to_string(st);
}

TEST(DtForeign, ConversionTableInBothCases)
{
    clear_settings();
    struct Row {
        const char *token, *format;
    };
    const Row rows[] = {{"YYYY", "%iY"}, {"YY", "%iy"}, {"RR", "%iy"}, {"MM", "%m"},   {"MONTH", "%B"},
                        {"MON", "%b"},   {"DAY", "%A"}, {"DD", "%e"},  {"SS", "%S"},   {"DY", "%a"},
                        {"D", "%w"},     {"AM", "%p"},  {"PM", "%p"},  {"HH12", "%I"}, {"HH24", "%H"},
                        {"HH", "%I"},    {"MI", "%M"}};
    for (const Row &r : rows) {
        EXPECT_EQ(foreign(r.token), r.format) << r.token;
        std::string lower = r.token;
        for (char &c : lower)
            c = static_cast<char>(std::tolower(c));
        EXPECT_EQ(foreign(lower.c_str()), r.format) << lower;
    }
    EXPECT_EQ(foreign("yyyy-mm-dd"), "%iY-%m-%e");
    EXPECT_EQ(foreign("DD.MM.YYYY HH24:MI:SS"), "%e.%m.%iY %H:%M:%S");
    EXPECT_EQ(foreign(""), "");
}

TEST(DtForeign, NoEquivalentsQuotesAndSizes)
{
    clear_settings();
    const char *none[] = {"CC",  "SCC", "SYYYY", "Y",  "YYY", "IYYY", "IYY", "IY",    "I",  "Y,YYY",
                          "SYEAR", "YEAR", "BC",  "AD", "B.C", "A.D",  "Q",   "RM",    "WW", "IW",
                          "W",   "DDD", "J",     "A.M.", "P.M.", "SSSSS", "TH", "SP", "SPTH", "THSP"};
    for (const char *token : none) {
        const std::string got = foreign(token);
        // A token that starts with a conversion row (YYY: YY then Y) is read
        // as far as it goes; what is left has no equivalent.
        EXPECT_EQ(got, "ERR-5853") << token;
    }
    EXPECT_EQ(foreign("XYZ"), "ERR-5854");
    EXPECT_EQ(foreign("\"at \"HH24"), "at %H");
    EXPECT_EQ(foreign("\"say \"\"hi\"\"\""), "say \"hi\"");
    EXPECT_EQ(foreign("\"open"), "ERR-5854");
    EXPECT_EQ(foreign("\"100%\""), "100%%");
    EXPECT_EQ(foreign("HH24%MI"), "%H%%%M");
    EXPECT_EQ(foreign("YYYY", 3), "ERR-5855");
    EXPECT_EQ(foreign("YYYY", 4), "%iY");
    char out[8];
    EXPECT_EQ(trw_to_gl_datetime("YYYY", nullptr, 8), -5855);
    EXPECT_EQ(trw_to_gl_datetime("YYYY", out, 0), -5855);
    // A rewritten literal keeps its meaning in the formatter.
    char fmt[64];
    ASSERT_EQ(trw_to_gl_datetime("\"100%\" HH24", fmt, sizeof fmt), 0);
    const dt_value v = dt_of("14", dq(6, 6));
    EXPECT_EQ(fmt_dt(v, fmt), "100% 14");
}

} // namespace
