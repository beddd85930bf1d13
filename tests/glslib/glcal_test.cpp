// Calendars: the Hebrew and Islamic conversions against ICU's calendars
// (day by day, a sample unless TRW_TEST_FULL=1), the Hebrew new year against
// the arithmetic of months, parts and year-length correction, round trips,
// the fixed dates and the range limits.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "gl_time.h"

#ifdef TRW_HAVE_ICU
#include <unicode/ucal.h>
#endif

namespace {

using namespace std::chrono;

bool full_run()
{
    const char *v = std::getenv("TRW_TEST_FULL");
    return v != nullptr && std::strcmp(v, "1") == 0;
}

// Days from 1970-01-01 by the standard library's proleptic calendar.
long days_of(int y, int m0, int d) { return sys_days{year{y} / (m0 + 1) / d}.time_since_epoch().count(); }

gl_caltm greg(int y, int m0, int d)
{
    gl_caltm t{};
    t.tm_year = y - 1900;
    t.tm_mon = t.tm_monname = m0;
    t.tm_mday = d;
    t.tm_hour = 13;
    t.tm_min = 14;
    t.tm_sec = 15;
    t.tm_fraction = 123456;
    t.tm_isdst = 1;
    t.tm_glword1 = 7;
    t.tm_glword2 = -7;
    return t;
}

bool zeroed(const gl_caltm &t)
{
    gl_caltm z{};
    return std::memcmp(&t, &z, sizeof t) == 0;
}

void expect_time_kept(const gl_caltm &t)
{
    EXPECT_EQ(t.tm_fraction, 123456);
    EXPECT_EQ(t.tm_hour, 13);
    EXPECT_EQ(t.tm_min, 14);
    EXPECT_EQ(t.tm_sec, 15);
    EXPECT_EQ(t.tm_isdst, 1);
    EXPECT_EQ(t.tm_glword1, 7);
    EXPECT_EQ(t.tm_glword2, -7);
}

// ---- Hebrew new year by months elapsed, parts and year-length correction ----

long cc_elapsed(long y)
{
    long months = (235 * y - 234) / 19;
    long parts = 12084 + 13753 * months;
    long day = 29 * months + parts / 25920;
    return (3 * (day + 1)) % 7 < 3 ? day + 1 : day;
}

// Days from 1970-01-01 of 1 Tishri of Hebrew year y.
long cc_new_year(long y)
{
    long ny0 = cc_elapsed(y - 1), ny1 = cc_elapsed(y), ny2 = cc_elapsed(y + 1);
    long correction = ny2 - ny1 == 356 ? 2 : ny1 - ny0 == 382 ? 1 : 0;
    // The epoch, 1 Tishri AM 1, is fixed day -1373427 (fixed day 1 = 0001-01-01).
    return -1373427 + ny1 + correction - 1 + days_of(1, 0, 1);
}

// Hebrew fields of a day (days from 1970) by that arithmetic.
struct Heb {
    int year, number, name, day, yday;
};

Heb cc_hebrew(long day)
{
    long y = 3761 + static_cast<long>((day - days_of(1, 0, 1)) / 366);
    while (cc_new_year(y + 1) <= day)
        ++y;
    long start = cc_new_year(y);
    int len = static_cast<int>(cc_new_year(y + 1) - start);
    bool leap = len > 355;
    int q = static_cast<int>(day - start);
    int lengths[13] = {30, len % 10 == 5 ? 30 : 29, len % 10 == 3 ? 29 : 30, 29, 30};
    int names[13] = {0, 1, 2, 3, 4};
    int n = 5;
    if (leap) {
        lengths[n] = 30, names[n++] = 12;
        lengths[n] = 29, names[n++] = 13;
    } else {
        lengths[n] = 29, names[n++] = 5;
    }
    for (int i = 6; i <= 11; ++i)
        lengths[n] = i % 2 == 0 ? 30 : 29, names[n++] = i;
    int m = 0, rest = q;
    while (rest >= lengths[m])
        rest -= lengths[m++];
    return {static_cast<int>(y), m, names[m], rest + 1, q};
}

TEST(GlCalHebrew, NewYearMatchesMonthsAndParts)
{
    for (long y = 3762; y <= 14213; ++y) {
        gl_caltm h{}, g{};
        h.tm_year = static_cast<int>(y - 1900);
        h.tm_mday = 1;
        ASSERT_EQ(gl_cal_hebrew_to_gregorian(&h, &g), 0) << y;
        ASSERT_EQ(days_of(g.tm_year + 1900, g.tm_mon, g.tm_mday), cc_new_year(y)) << "Hebrew year " << y;
    }
}

TEST(GlCalHebrew, FixedDates)
{
    struct Case {
        int y, m, d, hy, number, name, hd, wday;
    } cases[] = {
        {2000, 8, 30, 5761, 0, 0, 1, 6}, {2024, 2, 11, 5784, 6, 13, 1, 1}, {2024, 3, 11, 5784, 7, 6, 3, 4},
        {1, 0, 1, 3761, 3, 3, 18, 1},    {2024, 1, 10, 5784, 5, 12, 1, 6},  {2023, 1, 22, 5783, 5, 5, 1, 3},
    };
    for (const Case &c : cases) {
        gl_caltm g = greg(c.y, c.m, c.d), h{};
        ASSERT_EQ(gl_cal_gregorian_to_hebrew(&g, &h), 0) << c.y;
        EXPECT_EQ(h.tm_year + 1900, c.hy);
        EXPECT_EQ(h.tm_mon, c.number);
        EXPECT_EQ(h.tm_monname, c.name);
        EXPECT_EQ(h.tm_mday, c.hd);
        EXPECT_EQ(h.tm_wday, c.wday);
        expect_time_kept(h);
    }
}

TEST(GlCalHebrew, MonthByNameIndex)
{
    gl_caltm h{}, g{};
    h.tm_year = 5784 - 1900; // leap year
    h.tm_mon = -1;
    h.tm_monname = 13;
    h.tm_mday = 1;
    ASSERT_EQ(gl_cal_hebrew_to_gregorian(&h, &g), 0);
    EXPECT_EQ(g.tm_year, 124);
    EXPECT_EQ(g.tm_mon, 2);
    EXPECT_EQ(g.tm_mday, 11);
    h.tm_monname = 6; // Nisan is number 7
    h.tm_mday = 3;
    ASSERT_EQ(gl_cal_hebrew_to_gregorian(&h, &g), 0);
    EXPECT_EQ(g.tm_mon, 3);
    EXPECT_EQ(g.tm_mday, 11);
    EXPECT_EQ(g.tm_wday, 4);
    EXPECT_EQ(g.tm_yday, 101);
    h.tm_year = 5783 - 1900; // common year: no Adar I
    h.tm_monname = 12;
    h.tm_mday = 1;
    g.tm_hour = 5;
    EXPECT_EQ(gl_cal_hebrew_to_gregorian(&h, &g), -1);
    EXPECT_TRUE(zeroed(g));
    h.tm_monname = 14;
    h.tm_year = 5784 - 1900;
    EXPECT_EQ(gl_cal_hebrew_to_gregorian(&h, &g), -1);
}

TEST(GlCalHebrew, RangeLimits)
{
    gl_caltm g = greg(10000, 1, 23), h{}, back{};
    ASSERT_EQ(gl_cal_gregorian_to_hebrew(&g, &h), 0);
    g = greg(10000, 1, 24);
    EXPECT_EQ(gl_cal_gregorian_to_hebrew(&g, &h), -1);
    EXPECT_TRUE(zeroed(h));
    g = greg(0, 11, 31);
    EXPECT_EQ(gl_cal_gregorian_to_hebrew(&g, &h), -1);
    // 18 Tevet 3761 is the first day back; 17 Tevet is not.
    h = {};
    h.tm_year = 3761 - 1900;
    h.tm_mon = 3;
    h.tm_monname = 3;
    h.tm_mday = 18;
    ASSERT_EQ(gl_cal_hebrew_to_gregorian(&h, &back), 0);
    EXPECT_EQ(back.tm_year + 1900, 1);
    EXPECT_EQ(back.tm_mon, 0);
    EXPECT_EQ(back.tm_mday, 1);
    h.tm_mday = 17;
    EXPECT_EQ(gl_cal_hebrew_to_gregorian(&h, &back), -1);
    EXPECT_TRUE(zeroed(back));
    // The last day of 14213 (Elul 29) and the year after it.
    h.tm_year = 14213 - 1900;
    h.tm_mon = -1;
    h.tm_monname = 11;
    h.tm_mday = 29;
    ASSERT_EQ(gl_cal_hebrew_to_gregorian(&h, &back), 0);
    EXPECT_EQ(back.tm_year + 1900, 10453);
    h.tm_year = 14214 - 1900;
    h.tm_mday = 1;
    EXPECT_EQ(gl_cal_hebrew_to_gregorian(&h, &back), -1);
}

TEST(GlCalGregorian, BadFieldsAndHelpers)
{
    gl_caltm out{};
    for (gl_caltm g : {greg(2023, 1, 29), greg(2023, 12, 1), greg(2023, -1, 1), greg(2023, 3, 31), greg(2023, 0, 0)}) {
        EXPECT_EQ(gl_cal_gregorian_to_hebrew(&g, &out), -1);
        EXPECT_EQ(gl_cal_gregorian_to_islamic(&g, &out), -1);
    }
    gl_caltm g = greg(2024, 1, 29);
    EXPECT_EQ(gl_cal_gregorian_to_islamic(&g, &out), 0);
    EXPECT_EQ(_gl_gregorian_weekday(1, 0, 1), 1);
    EXPECT_EQ(_gl_gregorian_weekday(9, 11, 2026), 3);
    EXPECT_EQ(_gl_gregorian_yearday(31, 11, 2024), 365);
    EXPECT_EQ(_gl_gregorian_yearday(1, 2, 2023), 59);
    EXPECT_EQ(gl_alt_getcentury(nullptr, 1, 1, 1, 'R'), 0);
}

TEST(GlCalIslamic, FixedDatesAndLimits)
{
    gl_caltm g = greg(622, 6, 18), i{}, back{};
    ASSERT_EQ(gl_cal_gregorian_to_islamic(&g, &i), 0);
    EXPECT_EQ(i.tm_year + 1900, 1);
    EXPECT_EQ(i.tm_mon, 0);
    EXPECT_EQ(i.tm_mday, 1);
    EXPECT_EQ(i.tm_wday, 4);
    expect_time_kept(i);
    g = greg(2023, 6, 18);
    ASSERT_EQ(gl_cal_gregorian_to_islamic(&g, &i), 0);
    EXPECT_EQ(i.tm_year + 1900, 1445);
    EXPECT_EQ(i.tm_mon, 0);
    EXPECT_EQ(i.tm_monname, 0);
    EXPECT_EQ(i.tm_mday, 1);
    g = greg(622, 6, 17);
    EXPECT_EQ(gl_cal_gregorian_to_islamic(&g, &i), -1);
    EXPECT_TRUE(zeroed(i));
    g = greg(10323, 9, 20);
    EXPECT_EQ(gl_cal_gregorian_to_islamic(&g, &i), 0);
    g = greg(10323, 9, 21);
    EXPECT_EQ(gl_cal_gregorian_to_islamic(&g, &i), -1);
    // Month from the name index; both -1 fails; years 1..9999.
    i = {};
    i.tm_year = 1445 - 1900;
    i.tm_mon = -1;
    i.tm_monname = 0;
    i.tm_mday = 1;
    ASSERT_EQ(gl_cal_islamic_to_gregorian(&i, &back), 0);
    EXPECT_EQ(back.tm_year, 123);
    EXPECT_EQ(back.tm_mon, 6);
    EXPECT_EQ(back.tm_mday, 18);
    i.tm_monname = -1;
    EXPECT_EQ(gl_cal_islamic_to_gregorian(&i, &back), -1);
    EXPECT_TRUE(zeroed(back));
    i.tm_mon = 11;
    i.tm_year = 9999 - 1900;
    i.tm_mday = 29;
    EXPECT_EQ(gl_cal_islamic_to_gregorian(&i, &back), 0);
    i.tm_year = 10000 - 1900;
    EXPECT_EQ(gl_cal_islamic_to_gregorian(&i, &back), -1);
    i.tm_year = 1 - 1900 - 1;
    EXPECT_EQ(gl_cal_islamic_to_gregorian(&i, &back), -1);
}

// Every day (or every 11th) from 0001-01-01 to 9999-12-31: to the calendar
// and back, by number and by name index alone.
TEST(GlCal, RoundTrips)
{
    int step = full_run() ? 1 : 11;
    long first = days_of(1, 0, 1), last = days_of(9999, 11, 31), islamic = days_of(622, 6, 18);
    for (long day = first; day <= last; day += step) {
        year_month_day ymd{sys_days{days{day}}};
        gl_caltm g = greg(static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.month())) - 1,
                          static_cast<int>(unsigned(ymd.day())));
        gl_caltm h{}, back{};
        ASSERT_EQ(gl_cal_gregorian_to_hebrew(&g, &h), 0) << day;
        gl_caltm by_name = h;
        by_name.tm_mon = -1;
        for (const gl_caltm &in : {h, by_name}) {
            ASSERT_EQ(gl_cal_hebrew_to_gregorian(&in, &back), 0) << day;
            ASSERT_EQ(back.tm_year, g.tm_year);
            ASSERT_EQ(back.tm_mon, g.tm_mon);
            ASSERT_EQ(back.tm_mday, g.tm_mday);
            ASSERT_EQ(back.tm_wday, h.tm_wday);
        }
        if (day < islamic)
            continue;
        ASSERT_EQ(gl_cal_gregorian_to_islamic(&g, &h), 0) << day;
        ASSERT_EQ(h.tm_mon, h.tm_monname);
        by_name = h;
        by_name.tm_mon = -1;
        for (const gl_caltm &in : {h, by_name}) {
            ASSERT_EQ(gl_cal_islamic_to_gregorian(&in, &back), 0) << day;
            ASSERT_EQ(back.tm_year, g.tm_year);
            ASSERT_EQ(back.tm_mon, g.tm_mon);
            ASSERT_EQ(back.tm_mday, g.tm_mday);
            ASSERT_EQ(back.tm_yday, static_cast<int>(day - days_of(g.tm_year + 1900, 0, 1)));
        }
    }
}

// Records with every field any value: -1 and a zeroed record, or a valid date.
TEST(GlCal, ArbitraryRecords)
{
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        int32_t v = static_cast<int32_t>(seed);
        switch (seed >> 29) {
        case 0: return INT32_MAX - static_cast<int32_t>(seed & 3);
        case 1: return INT32_MIN + static_cast<int32_t>(seed & 3);
        case 2: return v % 40;
        default: return v % 20000;
        }
    };
    int (*const conv[])(const gl_caltm *, gl_caltm *) = {gl_cal_gregorian_to_hebrew, gl_cal_hebrew_to_gregorian,
                                                         gl_cal_gregorian_to_islamic, gl_cal_islamic_to_gregorian};
    for (int n = 0; n < 200000; ++n) {
        gl_caltm in{};
        int32_t *f = &in.tm_sec;
        for (int k = 0; k < 12; ++k)
            f[k] = next();
        gl_caltm out;
        std::memset(&out, 0x5a, sizeof out);
        int r = conv[n % 4](&in, &out);
        if (r != 0) {
            ASSERT_EQ(r, -1);
            ASSERT_TRUE(zeroed(out));
        } else {
            ASSERT_GE(out.tm_mday, 1);
            ASSERT_LE(out.tm_mday, 31);
            ASSERT_GE(out.tm_wday, 0);
            ASSERT_LE(out.tm_wday, 6);
            ASSERT_GE(out.tm_yday, 0);
            ASSERT_LE(out.tm_yday, 384);
        }
    }
}

#ifdef TRW_HAVE_ICU

struct IcuCal {
    UCalendar *cal = nullptr;
    explicit IcuCal(const char *locale)
    {
        UErrorCode status = U_ZERO_ERROR;
        const UChar utc[] = {'U', 'T', 'C', 0};
        cal = ucal_open(utc, 3, locale, UCAL_DEFAULT, &status);
        EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    }
    ~IcuCal() { ucal_close(cal); }
    int get(UCalendarDateFields f)
    {
        UErrorCode status = U_ZERO_ERROR;
        return ucal_get(cal, f, &status);
    }
    void set_day(long day)
    {
        UErrorCode status = U_ZERO_ERROR;
        ucal_setMillis(cal, static_cast<UDate>(day) * 86400000.0, &status);
    }
};

// ICU's Hebrew month (0..12, 5 = Adar I of a leap year) as number and name.
void icu_hebrew_month(int icu, bool leap, int *number, int *name)
{
    if (leap) {
        *number = icu;
        *name = icu == 5 ? 12 : icu == 6 ? 13 : icu > 6 ? icu - 1 : icu;
    } else {
        *number = *name = icu > 5 ? icu - 1 : icu;
    }
}

TEST(GlCalOracle, HebrewAgainstIcu)
{
    IcuCal icu("@calendar=hebrew");
    ASSERT_NE(icu.cal, nullptr);
    // The years ICU starts a day late, found by its new years against the
    // arithmetic of months and parts.
    std::set<long> late;
    for (long y = 3761; y <= 13761; ++y) {
        icu.set_day(cc_new_year(y));
        if (icu.get(UCAL_DATE) != 1)
            late.insert(y);
    }
    std::string list;
    for (long y : late)
        list += std::to_string(y) + " ";
    EXPECT_EQ(late.size(), 53u) << list;
    EXPECT_EQ(*late.begin(), 3953);
    EXPECT_TRUE(late.count(5560) && late.count(5807));
    int step = full_run() ? 1 : 7;
    for (long day = days_of(1, 0, 1); day <= days_of(9999, 11, 31); day += step) {
        year_month_day ymd{sys_days{days{day}}};
        gl_caltm g = greg(static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.month())) - 1,
                          static_cast<int>(unsigned(ymd.day()))), h{};
        ASSERT_EQ(gl_cal_gregorian_to_hebrew(&g, &h), 0);
        Heb want = cc_hebrew(day);
        if (!late.count(want.year) && !late.count(want.year + 1)) {
            icu.set_day(day);
            bool leap = (7 * static_cast<long>(icu.get(UCAL_EXTENDED_YEAR)) + 1) % 19 < 7;
            want.year = icu.get(UCAL_EXTENDED_YEAR);
            icu_hebrew_month(icu.get(UCAL_MONTH), leap, &want.number, &want.name);
            want.day = icu.get(UCAL_DATE);
            want.yday = icu.get(UCAL_DAY_OF_YEAR) - 1;
            ASSERT_EQ(h.tm_wday, icu.get(UCAL_DAY_OF_WEEK) - 1) << day;
        }
        ASSERT_EQ(h.tm_year + 1900, want.year) << day;
        ASSERT_EQ(h.tm_mon, want.number) << day;
        ASSERT_EQ(h.tm_monname, want.name) << day;
        ASSERT_EQ(h.tm_mday, want.day) << day;
        ASSERT_EQ(h.tm_yday, want.yday) << day;
    }
}

TEST(GlCalOracle, IslamicAgainstIcu)
{
    IcuCal icu("@calendar=islamic-tbla");
    ASSERT_NE(icu.cal, nullptr);
    int step = full_run() ? 1 : 7;
    for (long day = days_of(622, 6, 18); day <= days_of(9999, 11, 31); day += step) {
        year_month_day ymd{sys_days{days{day}}};
        gl_caltm g = greg(static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.month())) - 1,
                          static_cast<int>(unsigned(ymd.day()))), i{};
        ASSERT_EQ(gl_cal_gregorian_to_islamic(&g, &i), 0);
        icu.set_day(day);
        ASSERT_EQ(i.tm_year + 1900, icu.get(UCAL_EXTENDED_YEAR)) << day;
        ASSERT_EQ(i.tm_mon, icu.get(UCAL_MONTH)) << day;
        ASSERT_EQ(i.tm_mday, icu.get(UCAL_DATE)) << day;
        ASSERT_EQ(i.tm_yday, icu.get(UCAL_DAY_OF_YEAR) - 1) << day;
        ASSERT_EQ(i.tm_wday, icu.get(UCAL_DAY_OF_WEEK) - 1) << day;
    }
}

#endif

} // namespace
