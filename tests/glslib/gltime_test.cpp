// The time formatter and parser by their own rules, where glibc's strftime
// and strptime differ or say nothing: padding, precisions, the fraction,
// every range error and its number, the combination of parsed fields, the
// century of two-digit years, the information lists, self-referring locale
// formats and memory running out.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gl_time.h"
#include "support/alloc_fail.h"

namespace {

struct Loc {
    gl_locale *loc = nullptr;
    explicit Loc(const char *name) { EXPECT_EQ(gl_lc_load(&loc, name, nullptr, nullptr), 0) << name; }
    ~Loc() { gl_lc_unload(loc); }
};

gl_tm sample()
{
    gl_tm t{};
    t.tm_year = 124; // 2024-03-05, a Tuesday, 13:07:09.123456
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 13;
    t.tm_min = 7;
    t.tm_sec = 9;
    t.tm_fraction = 123456;
    t.tm_wday = 2;
    t.tm_yday = 64;
    return t;
}

std::string fmt(gl_locale *loc, const char *format, const gl_tm &t, int size = 512)
{
    std::vector<char> buf(static_cast<size_t>(size) + 8, 'X');
    int n = gl_mbsftime(loc, buf.data(), size, format, &t);
    if (n == 0 && loc->error != 0)
        return "E" + std::to_string(loc->error);
    EXPECT_EQ(buf[static_cast<size_t>(n)], '\0');
    EXPECT_EQ(buf[static_cast<size_t>(size)], 'X') << "written beyond the size";
    return std::string(buf.data(), static_cast<size_t>(n));
}

TEST(GlTimeFormat, PaddingPrecisionAndFlags)
{
    Loc l("en_US.8859-1");
    gl_tm t = sample();
    struct Case {
        const char *format, *want;
    } cases[] = {
        {"%e", " 5"},        {"%.2e", "05"},          {"%d", "05"},         {"%.1d", "5"},      {"%5d", "   05"},
        {"%-5d|", "05   |"}, {"%05d", "00005"},       {"%.4H", "0013"},     {"%I", "01"},       {"%j", "065"},
        {"%u", "2"},         {"%w", "2"},             {"%Y", "2024"},       {"%y", "24"},       {"%C", "20"},
        {"%g", "20"},        {"%m", "03"},            {"%D", "03/05/24"},   {"%R", "13:07"},    {"%T", "13:07:09"},
        {"%.3T", "013:007:009"}, {"%10T|", "  13:07:09|"}, {"%F", "123456"}, {"%F1", "1"},    {"%F5", "12345"},
        {"%.8F", "12345600"}, {"%iF", ".12"},         {"%iF3", ".123"},     {"%iY", "2024"},    {"%iy", "24"},
        {"%.3B", "Mar"},     {"%.2A", "Tu"},          {"%8a|", "     Tue|"}, {"%-8b|", "Mar     |"},
        {"%08B", "   March"}, {"%p", "PM"},           {"%n%t%%", "\n\t%"},  {"ab%Hcd", "ab13cd"},
        {"%EC %Ey %EY", "20 24 2024"}, {"%OH %Od", "13 05"}, {"%Ex", "03/05/2024"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(fmt(l.loc, c.format, t), c.want) << c.format;
    t.tm_hour = 0;
    EXPECT_EQ(fmt(l.loc, "%I %p", t), "12 AM");
    t.tm_hour = 12;
    EXPECT_EQ(fmt(l.loc, "%I %p", t), "12 PM");
    t.tm_wday = 0;
    EXPECT_EQ(fmt(l.loc, "%u %w %a", t), "7 0 Sun");
    t.tm_year = 50 - 1900;
    EXPECT_EQ(fmt(l.loc, "%Y %C %y", t), "0050 00 50");
    t.tm_fraction = 999999;
    EXPECT_EQ(fmt(l.loc, "%F2", t), "99");
}

TEST(GlTimeFormat, RangeErrorsAndBadFormats)
{
    Loc l("en_US.8859-1");
    struct Case {
        const char *format;
        int gl_tm::*field;
        int value;
        int error;
    } cases[] = {
        {"%a", &gl_tm::tm_wday, 7, 28},   {"%A", &gl_tm::tm_wday, -1, 28},  {"%u", &gl_tm::tm_wday, 9, 28},
        {"%w", &gl_tm::tm_wday, 7, 28},   {"%b", &gl_tm::tm_mon, 12, 30},   {"%B", &gl_tm::tm_mon, -1, 30},
        {"%m", &gl_tm::tm_mon, 12, 30},   {"%D", &gl_tm::tm_mon, 12, 30},   {"%d", &gl_tm::tm_mday, 0, 27},
        {"%e", &gl_tm::tm_mday, 100, 27}, {"%D", &gl_tm::tm_mday, 0, 27},   {"%H", &gl_tm::tm_hour, 24, 26},
        {"%I", &gl_tm::tm_hour, -1, 26},  {"%p", &gl_tm::tm_hour, 24, 26},  {"%R", &gl_tm::tm_hour, 24, 26},
        {"%T", &gl_tm::tm_min, 60, 25},   {"%M", &gl_tm::tm_min, -1, 25},   {"%S", &gl_tm::tm_sec, 60, 24},
        {"%T", &gl_tm::tm_sec, -1, 24},   {"%j", &gl_tm::tm_yday, 366, 29}, {"%Y", &gl_tm::tm_year, 8100, 31},
        {"%C", &gl_tm::tm_year, -1901, 31}, {"%iY", &gl_tm::tm_year, 8100, 31}, {"%D", &gl_tm::tm_year, 8100, 31},
        // The extremes of the fields: the shown value (one more than the
        // stored one) must not be computed before the range check refuses it.
        {"%m", &gl_tm::tm_mon, INT_MAX, 30}, {"%j", &gl_tm::tm_yday, INT_MAX, 29}, {"%D", &gl_tm::tm_mon, INT_MAX, 30},
        {"%m", &gl_tm::tm_mon, INT_MIN, 30}, {"%j", &gl_tm::tm_yday, INT_MIN, 29}, {"%Y", &gl_tm::tm_year, INT_MAX, 31},
        {"%Y", &gl_tm::tm_year, INT_MIN, 31}, {"%d", &gl_tm::tm_mday, INT_MIN, 27},
    };
    for (const Case &c : cases) {
        gl_tm t = sample();
        t.*c.field = c.value;
        EXPECT_EQ(fmt(l.loc, c.format, t), "E" + std::to_string(c.error)) << c.format << " " << c.value;
    }
    gl_tm t = sample();
    t.tm_fraction = 1000000;
    EXPECT_EQ(fmt(l.loc, "%F", t), "E23");
    t.tm_fraction = -1;
    EXPECT_EQ(fmt(l.loc, "%iF", t), "E23");
    t = sample();
    for (const char *bad : {"%F0", "%F6", "%F9", "%Q", "%", "abc%", "%+d", "%#d", "%q"})
        EXPECT_EQ(fmt(l.loc, bad, t), "E22") << bad;
    char buf[8];
    EXPECT_EQ(gl_mbsftime(l.loc, buf, sizeof buf, nullptr, &t), 0);
    EXPECT_EQ(l.loc->error, 15);
    // The text and its terminator must fit: "2024" needs 5 bytes.
    EXPECT_EQ(fmt(l.loc, "%Y", t, 4), "E14");
    Loc ja("ja_JP.utf8");
    EXPECT_EQ(fmt(ja.loc, "%Oa", t), "E22"); // O on a name, with alternative digits
    EXPECT_EQ(fmt(ja.loc, "%Ea", t), "E22");
    EXPECT_EQ(fmt(l.loc, "%Y", t, 5), "2024");
    EXPECT_EQ(fmt(l.loc, "%100d", t, 50), "E14");
    gl_wchar_t w[4];
    const gl_wchar_t wf[] = {'%', 'Y', 0};
    EXPECT_EQ(gl_wcsftime(l.loc, w, 4, wf, &t), 0);
    EXPECT_EQ(l.loc->error, 14);
    EXPECT_EQ(gl_wcsftime(l.loc, nullptr, 5, wf, &t), 0);
    EXPECT_EQ(l.loc->error, 2);
    gl_wchar_t w5[5];
    EXPECT_EQ(gl_wcsftime(l.loc, w5, 5, wf, &t), 4);
    EXPECT_EQ(w5[4], 0u);
    w5[0] = 'x';
    EXPECT_EQ(gl_wcsftime(l.loc, w5, 0, wf, &t), 0) << "no room even for the terminator";
    EXPECT_EQ(l.loc->error, 14);
    EXPECT_EQ(w5[0], static_cast<gl_wchar_t>('x')) << "a buffer of no size is not written";
    EXPECT_EQ(gl_wcsftime(l.loc, w5, -1, wf, &t), 0);
    EXPECT_EQ(l.loc->error, 14);
}

// Formats that do not look at the date need no valid date, also in a
// locale with its own calendar; a date the calendar refuses is reported.
TEST(GlTimeFormat, LocalCalendarNeedsTheDateOnlyWhenUsed)
{
    Loc l("he_IL.8859-8");
    gl_tm t = sample();
    t.tm_mday = 0;
    EXPECT_EQ(fmt(l.loc, "%H:%M", t), "13:07");
    EXPECT_EQ(fmt(l.loc, "%d", t), "E27");
    t = sample();
    t.tm_mon = 12;
    EXPECT_EQ(fmt(l.loc, "%B", t), "E30");
    t = sample();
    t.tm_year = -1900;
    EXPECT_EQ(fmt(l.loc, "%Y", t), "E31");
    t = sample();
    t.tm_mon = 2, t.tm_mday = 11; // 1 Adar II 5784: number 6, name 13
    EXPECT_EQ(fmt(l.loc, "%d %m %Y %j", t), "01 07 5784 178");
    char **names = nullptr;
    int count = 0;
    ASSERT_EQ(gl_mbstimeinfo(l.loc, 3, &names, &count), 0);
    ASSERT_EQ(count, 14);
    EXPECT_EQ(fmt(l.loc, "%B", t), names[13]);
    for (int i = 0; i < count; ++i)
        free(names[i]);
    free(names);
}

// In a locale with its own calendar, text without a date leaves the
// caller's Gregorian date alone, and a day and month are read on top of the
// caller's date in that calendar.
TEST(GlTimeParse, LocalCalendarKeepsTheCallersDate)
{
    Loc l("he_IL.8859-8");
    gl_tm t = sample(); // 2024-03-05 is 25 Adar I 5784
    std::string text = fmt(l.loc, "%H:%M %a", t);
    gl_tm r = t;
    ASSERT_NE(gl_mbsptime(l.loc, text.c_str(), "%H:%M %a", &r, 'R'), nullptr);
    EXPECT_EQ(r.tm_year, 124);
    EXPECT_EQ(r.tm_mon, 2);
    EXPECT_EQ(r.tm_mday, 5);
    gl_tm adar2 = t;
    adar2.tm_mday = 11; // 1 Adar II
    text = fmt(l.loc, "%d %B", adar2);
    r = t;
    ASSERT_NE(gl_mbsptime(l.loc, text.c_str(), "%d %B", &r, 'R'), nullptr);
    EXPECT_EQ(r.tm_year, 124);
    EXPECT_EQ(r.tm_mon, 2);
    EXPECT_EQ(r.tm_mday, 11);
    EXPECT_EQ(r.tm_wday, 1);
}

// A caller's month outside the calendar's months, under a day read alone:
// the date cannot be converted and the month is the field reported.
TEST(GlTimeParse, LocalCalendarRefusesTheCallersBadMonth)
{
    Loc l("he_IL.8859-8");
    gl_tm r = sample();
    r.tm_mon = 40;
    EXPECT_EQ(gl_mbsptime(l.loc, "5", "%d", &r, 'R'), nullptr);
    EXPECT_EQ(l.loc->error, 30);
    r = sample();
    r.tm_mon = -5;
    EXPECT_EQ(gl_mbsptime(l.loc, "5", "%d", &r, 'R'), nullptr);
    EXPECT_EQ(l.loc->error, 30);
}

// A record with only a CTYPE category has no time names or formats: the
// time formatters refuse with the bad-argument error (9).
TEST(GlTimeFormat, RecordWithoutTimeCategoryIsRefused)
{
    gl_locale *loc = nullptr;
    ASSERT_EQ(gl_create_null_locale_4(&loc), 0);
    char *names = gl_setlocale_4(loc, GL_LC_CTYPE, "en_us/0333.lco");
    ASSERT_NE(names, nullptr) << loc->error;
    gl_destroystring(names);
    const gl_tm t = sample();
    char out[32] = "x";
    EXPECT_EQ(gl_mbsftime(loc, out, sizeof out, "%Y", &t), 0);
    EXPECT_EQ(loc->error, 9);
    EXPECT_STREQ(out, "");
    gl_wchar_t w[8];
    const gl_wchar_t wf[] = {'%', 'Y', 0};
    EXPECT_EQ(gl_wcsftime(loc, w, 8, wf, &t), 0);
    EXPECT_EQ(loc->error, 9);
    gl_lc_unload(loc);
}

// A leap year of the Hebrew calendar is longer than 366 days: the day of
// year written for its last days reads back (found by fuzzing: %j was read
// only up to 366).
TEST(GlTimeParse, HebrewDayOfYearBeyond366ReadsBack)
{
    Loc l("he_IL.8859-8");
    gl_tm t = sample();
    t.tm_mon = 9, t.tm_mday = 2; // 2024-10-02 is 29 Elul 5784, day 383
    EXPECT_EQ(fmt(l.loc, "%j", t), "383");
    gl_tm r = t;
    ASSERT_NE(gl_mbsptime(l.loc, "383", "%j", &r, 'R'), nullptr) << l.loc->error;
    EXPECT_EQ(r.tm_yday, 382);
    EXPECT_EQ(gl_mbsptime(l.loc, "386", "%j", &r, 'R'), nullptr);
    EXPECT_EQ(l.loc->error, 29);
    Loc en("en_US.8859-1");
    EXPECT_EQ(gl_mbsptime(en.loc, "367", "%j", &r, 'R'), nullptr);
    EXPECT_EQ(en.loc->error, 29);
}

// A locale format that refers to itself fails instead of recursing.
TEST(GlTimeFormat, SelfReferringLocaleFormat)
{
    Loc l("en_US.8859-1");
    gl_lc_time *t = l.loc->time;
    static gl_wchar_t self[] = {'%', 'c', 0};
    static gl_wchar_t other[] = {'<', '%', 'x', '>', 0};
    uint32_t *saved_d = t->w_d_fmt, *saved_c = t->w_d_t_fmt;
    t->w_d_fmt = self;
    t->w_d_t_fmt = other;
    gl_tm tm = sample();
    EXPECT_EQ(fmt(l.loc, "%x", tm), "E22");
    gl_tm back = tm;
    EXPECT_EQ(gl_mbsptime(l.loc, "<<<<<<<<<<<<<<<<<<<<<<<<", "%c", &back, 'R'), nullptr);
    EXPECT_EQ(l.loc->error, 22);
    t->w_d_fmt = saved_d;
    t->w_d_t_fmt = saved_c;
}

struct Parsed {
    const char *end;
    int error;
    gl_tm t;
};

Parsed parse(gl_locale *loc, const char *text, const char *format, int rule = 'R', gl_tm start = gl_tm{})
{
    Parsed p{nullptr, 0, start};
    const char *end = gl_mbsptime(loc, text, format, &p.t, rule);
    p.end = end != nullptr ? end : nullptr;
    p.error = end == nullptr ? loc->error : 0;
    if (end == nullptr) {
        EXPECT_EQ(std::memcmp(&p.t, &start, sizeof start), 0) << "record touched on failure: " << text;
    }
    return p;
}

// A Hebrew-calendar date the calendar cannot bring to a Gregorian one is
// refused even when only part of it was read: a century alone gives the
// century's first year, and 3700 (about 60 BCE) has no Gregorian year from
// 0 to 9999. The record keeps the caller's date.
TEST(GlTimeParse, LocalDateWithoutAGregorianOneIsRefused)
{
    Loc he("he_IL.8859-8");
    gl_tm start = sample();
    Parsed p = parse(he.loc, "37", "%C", 'R', start);
    EXPECT_EQ(p.end, nullptr);
    EXPECT_EQ(p.error, 31);
    // A century whose first year converts reads as that year.
    p = parse(he.loc, "58", "%C", 'R', start);
    ASSERT_EQ(p.error, 0);
    EXPECT_GE(p.t.tm_year + 1900, 2039); // 5800 is 2039/40
    EXPECT_LE(p.t.tm_year + 1900, 2040);
}

TEST(GlTimeParse, BlanksLiteralsAndWhiteSpace)
{
    Loc l("en_US.8859-1");
    Parsed p = parse(l.loc, "2024-03-05", "%Y - %m-%d");
    EXPECT_EQ(p.error, 0);
    p = parse(l.loc, "2024   -  03 -05rest", "%Y-%m-%d");
    ASSERT_EQ(p.error, 0);
    EXPECT_STREQ(p.end, "rest");
    EXPECT_EQ(p.t.tm_mday, 5);
    EXPECT_EQ(parse(l.loc, "2024/03", "%Y-%m").error, 46);
    EXPECT_EQ(parse(l.loc, "13 07", "%H%n%M").error, 0);
    EXPECT_EQ(parse(l.loc, "13\n\t 07", "%H%t%M").t.tm_min, 7);
    EXPECT_EQ(parse(l.loc, "1307", "%H%n%M").error, 46);
    EXPECT_EQ(parse(l.loc, "50%", "%M%%").t.tm_min, 50);
}

// The wide parser reads what the multibyte one reads, ends at the same
// character and refuses the same missing arguments.
TEST(GlTimeParse, WideParserAgreesWithTheMultibyteOne)
{
    Loc l("en_US.8859-1");
    auto wide = [](const char *s) {
        std::vector<gl_wchar_t> w;
        for (; *s != '\0'; ++s)
            w.push_back(static_cast<unsigned char>(*s));
        w.push_back(0);
        return w;
    };
    const char *cases[][2] = {{"2024-03-05 rest", "%Y-%m-%d"}, {"Tue 13:07:09", "%a %H:%M:%S"},
                              {"05 March 24", "%d %B %y"},     {"1307", "%H%n%M"},
                              {"12:30 PM", "%I:%M %p"},         {"x", "%Y"}};
    for (const auto &c : cases) {
        Parsed p = parse(l.loc, c[0], c[1]);
        std::vector<gl_wchar_t> text = wide(c[0]), format = wide(c[1]);
        gl_tm t{};
        const gl_wchar_t *end = gl_wcsptime(l.loc, text.data(), format.data(), &t, 'R');
        ASSERT_EQ(end == nullptr, p.end == nullptr) << c[0];
        if (end == nullptr) {
            EXPECT_EQ(l.loc->error, p.error) << c[0];
            continue;
        }
        EXPECT_EQ(end - text.data(), p.end - c[0]) << c[0];
        // Field by field: the records' padding is no part of them.
        const auto fields = [](const gl_tm &r) {
            return std::vector<long>{static_cast<long>(r.tm_fraction), r.tm_sec, r.tm_min, r.tm_hour, r.tm_mday,
                                     r.tm_mon, r.tm_year, r.tm_wday, r.tm_yday, r.tm_isdst, r.tm_glword1,
                                     r.tm_glword2};
        };
        EXPECT_EQ(fields(t), fields(p.t)) << c[0];
    }
    std::vector<gl_wchar_t> text = wide("2024"), format = wide("%Y");
    gl_tm t{};
    EXPECT_EQ(gl_wcsptime(l.loc, text.data(), nullptr, &t, 'R'), nullptr);
    EXPECT_EQ(l.loc->error, GL_ETMNULLFMT);
    EXPECT_EQ(gl_wcsptime(l.loc, nullptr, format.data(), &t, 'R'), nullptr);
    EXPECT_EQ(l.loc->error, GL_ENULLARG);
    EXPECT_EQ(gl_wcsptime(l.loc, text.data(), format.data(), nullptr, 'R'), nullptr);
    EXPECT_EQ(l.loc->error, GL_ENULLARG);
    EXPECT_EQ(gl_mbsptime(l.loc, "2024", nullptr, &t, 'R'), nullptr);
    EXPECT_EQ(l.loc->error, GL_ETMNULLFMT);
    EXPECT_EQ(gl_mbsptime(l.loc, nullptr, "%Y", &t, 'R'), nullptr);
    EXPECT_EQ(l.loc->error, GL_ENULLARG);
    // A locale without its TIME category cannot parse.
    gl_locale *empty = nullptr;
    ASSERT_EQ(gl_create_null_locale_4(&empty), 0);
    EXPECT_EQ(gl_wcsptime(empty, text.data(), format.data(), &t, 'R'), nullptr);
    EXPECT_EQ(empty->error, GL_EBADARG);
    gl_lc_unload(empty);
}

TEST(GlTimeParse, NumbersRangesAndMissingDigits)
{
    Loc l("en_US.8859-1");
    struct Case {
        const char *text, *format;
        int error;
    } cases[] = {
        {"x", "%d", 37},  {"32", "%d", 27},  {"0", "%e", 27},   {"x", "%H", 36},   {"24", "%H", 26},
        {"x", "%I", 36},  {"13", "%I", 26},  {"0", "%I", 26},   {"x", "%M", 35},   {"60", "%M", 25},
        {"x", "%S", 34},  {"60", "%S", 24},  {"x", "%m", 40},   {"13", "%m", 30},  {"0", "%m", 30},
        {"367", "%j", 29}, {"0", "%j", 29},  {"x", "%Y", 41},   {"x", "%y", 41},   {"x", "%C", 41},
        {"x", "%w", 38},  {"7", "%w", 9},    {"x", "%u", 38},   {"8", "%u", 28},   {"0", "%u", 28},
        {"x", "%F", 33},  {"Mo", "%B", 48},  {"Xyz", "%a", 38}, {"XM", "%p", 46},  {"1", "%Q", 22},
        {"1", "%F7", 22},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parse(l.loc, c.text, c.format).error, c.error) << c.text << " " << c.format;
    // Digit counts: two by default, four for %Y, three for %j, one for %u.
    Parsed p = parse(l.loc, "123", "%d");
    EXPECT_STREQ(p.end, "3");
    p = parse(l.loc, "300", "%j");
    EXPECT_EQ(p.t.tm_yday, 299);
    p = parse(l.loc, "20245", "%Y");
    EXPECT_STREQ(p.end, "5");
    p = parse(l.loc, "71", "%u");
    EXPECT_EQ(p.t.tm_wday, 0);
    EXPECT_STREQ(p.end, "1");
    p = parse(l.loc, "12345", "%.3d");
    EXPECT_EQ(p.error, 27);
    // The fraction: the first six digits, fewer scaled up.
    EXPECT_EQ(parse(l.loc, "5", "%F").t.tm_fraction, 500000);
    EXPECT_EQ(parse(l.loc, "1234567", "%F").t.tm_fraction, 123456);
    p = parse(l.loc, "12345", "%F2");
    EXPECT_EQ(p.t.tm_fraction, 120000);
    EXPECT_STREQ(p.end, "345");
    EXPECT_EQ(parse(l.loc, "09.25", "%S%iF").t.tm_fraction, 250000);
}

TEST(GlTimeParse, CombiningFields)
{
    Loc l("en_US.8859-1");
    gl_tm start{};
    start.tm_fraction = 42;
    start.tm_isdst = 1;
    start.tm_glword1 = 3;
    start.tm_wday = 6;
    Parsed p = parse(l.loc, "12:30:00 am", "%I:%M:%S %p", 'R', start);
    EXPECT_EQ(p.t.tm_hour, 0);
    EXPECT_EQ(p.t.tm_fraction, 42);
    EXPECT_EQ(p.t.tm_isdst, 1);
    EXPECT_EQ(p.t.tm_glword1, 3);
    EXPECT_EQ(p.t.tm_wday, 6); // no date read: untouched
    EXPECT_EQ(parse(l.loc, "12 PM", "%I %p").t.tm_hour, 12);
    EXPECT_EQ(parse(l.loc, "PM 03", "%p %I").t.tm_hour, 15);
    EXPECT_EQ(parse(l.loc, "03", "%I").t.tm_hour, 3);
    EXPECT_EQ(parse(l.loc, "17 03 pm", "%H %I %p").t.tm_hour, 15);
    // The month read last counts.
    EXPECT_EQ(parse(l.loc, "05 March 2024 1", "%m %B %Y %d").t.tm_mon, 2);
    EXPECT_EQ(parse(l.loc, "March 05 2024 1", "%B %m %Y %d").t.tm_mon, 4);
    // Years: %Y, then %C with %y, then %y alone, then %C alone.
    EXPECT_EQ(parse(l.loc, "19 24 2031", "%C %y %Y").t.tm_year, 131);
    EXPECT_EQ(parse(l.loc, "19 24", "%C %y").t.tm_year, 24);
    EXPECT_EQ(parse(l.loc, "19", "%C").t.tm_year, 0);
    // The longest name wins over a shorter prefix.
    EXPECT_EQ(parse(l.loc, "march 1 2024", "%b %d %Y").t.tm_mon, 2);
    EXPECT_STREQ(parse(l.loc, "MARCH 1 2024!", "%b %d %Y").end, "!");
    // Checks of a full date.
    EXPECT_EQ(parse(l.loc, "1999-02-29", "%Y-%m-%d").error, 27);
    EXPECT_EQ(parse(l.loc, "2000-02-29", "%Y-%m-%d").t.tm_wday, 2);
    EXPECT_EQ(parse(l.loc, "Mon 2024-03-05", "%a %Y-%m-%d").error, 38);
    p = parse(l.loc, "Tue 2024-03-05", "%a %Y-%m-%d");
    EXPECT_EQ(p.t.tm_yday, 64);
    EXPECT_EQ(parse(l.loc, "100 2024-03-05", "%j %Y-%m-%d").t.tm_yday, 99);
}

TEST(GlTimeParse, CenturyOfTwoDigitYears)
{
    Loc l("en_US.8859-1");
    gl_set_current_time(15, 6, 2026);
    EXPECT_EQ(parse(l.loc, "12/31/99", "%m/%d/%y", 'R').t.tm_year, 2099 - 1900);
    EXPECT_EQ(parse(l.loc, "12/31/99", "%m/%d/%y", 'C').t.tm_year, 1999 - 1900);
    EXPECT_EQ(parse(l.loc, "12/31/26", "%m/%d/%y", 'P').t.tm_year, 1926 - 1900);
    EXPECT_EQ(parse(l.loc, "01/31/26", "%m/%d/%y", 'P').t.tm_year, 2026 - 1900);
    EXPECT_EQ(parse(l.loc, "06/15/26", "%m/%d/%y", 'P').t.tm_year, 1926 - 1900);
    EXPECT_EQ(parse(l.loc, "06/15/26", "%m/%d/%y", 'F').t.tm_year, 2126 - 1900);
    EXPECT_EQ(parse(l.loc, "06/16/26", "%m/%d/%y", 'F').t.tm_year, 2026 - 1900);
    EXPECT_EQ(gl_getcentury(l.loc, 6, 15, 75, 'C'), 20);
    EXPECT_EQ(gl_getcentury(l.loc, 6, 15, 76, 'C'), 19); // 1976 is a day closer than 2076
    EXPECT_EQ(gl_getcentury(l.loc, 6, 15, 77, 'C'), 19);
    EXPECT_EQ(gl_getcentury(l.loc, 0, 0, 75, 'C'), 20);
    EXPECT_EQ(gl_getcentury(l.loc, 2, 29, 25, 'F'), 21); // 29 Feb of 2025 taken as the 28th
    EXPECT_EQ(gl_getcentury(l.loc, 1, 1, 1999, 'P'), 19);
    EXPECT_EQ(gl_getcentury(l.loc, 13, 1, 5, 'R'), -1);
    EXPECT_EQ(l.loc->error, 30);
    EXPECT_EQ(gl_getcentury(l.loc, 4, 31, 5, 'C'), -1);
    EXPECT_EQ(l.loc->error, 27);
    EXPECT_EQ(gl_getcentury(l.loc, 4, 1, 10000, 'C'), -1);
    EXPECT_EQ(l.loc->error, 31);
    gl_set_current_time(1, 1, 1950);
    EXPECT_EQ(gl_getcentury(l.loc, 1, 1, 60, 'R'), 19);
    gl_reset_time();
    EXPECT_GE(gl_getcentury(l.loc, 1, 1, 60, 'R'), 20);
    Loc he("he_IL.8859-8");
    Loc ar("ar_SA.8859-6");
    EXPECT_EQ(gl_getcentury(he.loc, 1, 1, 60, 'P'), 57);
    EXPECT_EQ(gl_getcentury(ar.loc, 1, 1, 60, 'F'), 14);
}

TEST(GlTimeInfo, ListsFormatsAndEraCount)
{
    Loc l("en_US.8859-1");
    char **list = nullptr;
    int n = 0;
    ASSERT_EQ(gl_mbstimeinfo(l.loc, 1, &list, &n), 0);
    ASSERT_EQ(n, 7);
    EXPECT_STREQ(list[0], "Sunday");
    for (int i = 0; i < n; ++i)
        free(list[i]);
    free(list);
    ASSERT_EQ(gl_mbstimeinfo(l.loc, 8, &list, &n), 0);
    EXPECT_STREQ(list[1], "PM");
    for (int i = 0; i < n; ++i)
        free(list[i]);
    free(list);
    for (int item : {0, 5, 6, 7, 9})
        EXPECT_EQ(gl_mbstimeinfo(l.loc, item, &list, &n), -1) << item;
    EXPECT_STREQ(gl_get_ltime_fmts(l.loc, 61), "%m/%d/%Y");
    EXPECT_STREQ(gl_get_ltime_fmts(l.loc, 60), "");
    EXPECT_STREQ(gl_get_ltime_fmts(nullptr, 61), "");
    EXPECT_EQ(gl_get_era_count(l.loc), 0);
    EXPECT_EQ(gl_get_era_count(nullptr), -1);
    Loc de("de_DE.8859-1");
    ASSERT_EQ(gl_mbstimeinfo(de.loc, 8, &list, &n), 0); // two empty strings
    EXPECT_EQ(n, 2);
    EXPECT_STREQ(list[0], "");
    for (int i = 0; i < n; ++i)
        free(list[i]);
    free(list);
}

// Every allocation of a format and a parse made to fail in turn: error 3
// and nothing leaked. Long formats and texts take the heap buffers.
TEST(GlTimeMemory, EveryAllocationFails)
{
    Loc l("ja_JP.utf8");
    gl_tm t = sample();
    std::string format, text;
    for (int i = 0; i < 60; ++i)
        format += "%EY%m月%d日 %A ";
    std::vector<char> out(20000);
    ASSERT_GT(gl_mbsftime(l.loc, out.data(), 20000, format.c_str(), &t), 0);
    text = out.data();
    gl_tm back = t;
    ASSERT_NE(gl_mbsptime(l.loc, text.c_str(), format.c_str(), &back, 'R'), nullptr);
    for (long k = 0;; ++k) {
        trwtest::start_counting_live_blocks();
        trwtest::fail_allocation_after(k);
        int n = gl_mbsftime(l.loc, out.data(), 20000, format.c_str(), &t);
        bool failed = trwtest::allocation_failed();
        trwtest::allow_allocations();
        EXPECT_EQ(trwtest::live_blocks(), 0);
        if (!failed) {
            EXPECT_GT(n, 0);
            break;
        }
        EXPECT_EQ(n, 0);
        EXPECT_EQ(l.loc->error, 3);
    }
    for (long k = 0;; ++k) {
        trwtest::start_counting_live_blocks();
        trwtest::fail_allocation_after(k);
        gl_tm r = t;
        char *end = gl_mbsptime(l.loc, text.c_str(), format.c_str(), &r, 'R');
        bool failed = trwtest::allocation_failed();
        trwtest::allow_allocations();
        EXPECT_EQ(trwtest::live_blocks(), 0);
        if (!failed) {
            EXPECT_NE(end, nullptr);
            break;
        }
        EXPECT_EQ(end, nullptr);
        EXPECT_EQ(l.loc->error, 3);
    }
}

// The plain conversions ("%d") are read by a shortcut; the same conversion
// with a flag that changes nothing ("%0d") goes the general way. The
// multibyte and wide forms agree as well.
std::string with_flag(const std::string &format)
{
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        out += format[i];
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] != '%')
            out += '0';
        else if (format[i] == '%' && i + 1 < format.size())
            out += format[++i];
    }
    return out;
}

std::string wide_fmt(gl_locale *loc, const std::string &format, const gl_tm &t)
{
    std::vector<gl_wchar_t> wf;
    for (unsigned char ch : format)
        wf.push_back(ch);
    wf.push_back(0);
    gl_wchar_t out[512];
    int n = gl_wcsftime(loc, out, 512, wf.data(), &t);
    if (n == 0 && loc->error != 0)
        return "E" + std::to_string(loc->error);
    std::string s;
    for (int i = 0; i < n; ++i)
        s += out[i] < 0x80 ? static_cast<char>(out[i]) : '?';
    return s;
}

TEST(GlTimeFormat, PlainAndFlaggedConversionsAgree)
{
    std::mt19937 rng(7);
    const char letters[] = "aAbBhCgdejmuwyYDHIMSpRTxXcrnt%";
    for (const char *name : {"en_US.8859-1", "he_IL.8859-8", "ja_JP.utf8"}) {
        Loc l(name);
        for (int round = 0; round < 400; ++round) {
            gl_tm t = sample();
            t.tm_year = static_cast<int>(rng() % 260) - 10;
            t.tm_mon = static_cast<int>(rng() % 13);
            t.tm_mday = static_cast<int>(rng() % 32);
            t.tm_hour = static_cast<int>(rng() % 25);
            t.tm_min = static_cast<int>(rng() % 60);
            t.tm_sec = static_cast<int>(rng() % 60);
            t.tm_wday = static_cast<int>(rng() % 7);
            t.tm_yday = static_cast<int>(rng() % 366);
            std::string format;
            for (int k = static_cast<int>(rng() % 6) + 1; k > 0; --k) {
                format += '%';
                format += letters[rng() % (sizeof letters - 1)];
                if (rng() % 2)
                    format += "/: "[rng() % 3];
            }
            std::string plain = fmt(l.loc, format.c_str(), t);
            EXPECT_EQ(plain, fmt(l.loc, with_flag(format).c_str(), t)) << name << " " << format;
            bool ascii = true;
            for (unsigned char ch : plain)
                ascii = ascii && ch < 0x80;
            if (ascii) {
                EXPECT_EQ(plain, wide_fmt(l.loc, format, t)) << name << " " << format;
            }
            if (plain[0] == 'E')
                continue;
            gl_tm a = sample(), b = sample();
            char *ea = gl_mbsptime(l.loc, plain.c_str(), format.c_str(), &a, 'R');
            int error_a = l.loc->error;
            char *eb = gl_mbsptime(l.loc, plain.c_str(), with_flag(format).c_str(), &b, 'R');
            EXPECT_EQ(error_a, l.loc->error) << name << " " << format << " " << plain;
            EXPECT_EQ(ea, eb) << name << " " << format;
            EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << name << " " << format;
        }
    }
}

} // namespace
