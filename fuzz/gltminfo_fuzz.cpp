// libFuzzer target for the time information of the four time locales: the
// lists (items 0 to 9, the unknown ones too), the stored formats and the
// century of two-digit years. The input's first byte picks the locale, the
// second the list item and the rule; then month, day, year (two bytes) and
// a fixed today (day, month, year in two bytes). Properties: a list has the
// count it reports, of texts as long as the locale's own; every stored
// format formats a date without error; and the century each rule gives
// puts the date where the rule says, measured by a day count of this
// target's own: after today (future), before it (past), at most half a
// century away (closest), today's century (the default).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gltime_fuzz.h"

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
int64_t days_of(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool leap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int month_days(int64_t y, int m)
{
    static const int n[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : n[m - 1];
}

void check_lists(gl_locale *loc, int item)
{
    char **list = nullptr;
    int count = -1;
    if (gl_mbstimeinfo(loc, item, &list, &count) != 0) {
        if (loc->error != 9 && loc->error != 3)
            std::abort();
        return;
    }
    if (item < 1 || item > 8 || count <= 0 || list == nullptr)
        std::abort();
    for (int i = 0; i < count; ++i) {
        if (list[i] == nullptr)
            std::abort();
        if (item == 1 && std::strcmp(list[i], loc->time->day[i]) != 0)
            std::abort();
        std::free(list[i]);
    }
    std::free(list);
    if ((item == 5 || item == 6) && count != gl_get_era_count(loc))
        std::abort();
}

void check_formats(gl_locale *loc)
{
    gl_tm rec{};
    rec.tm_year = 124;
    rec.tm_mon = 4;
    rec.tm_mday = 17;
    rec.tm_hour = 13;
    rec.tm_min = 5;
    rec.tm_wday = 5;
    rec.tm_yday = 137;
    for (int item : {0, 61, 62, 63, 67, 68, 69, 1, 70}) {
        const char *format = gl_get_ltime_fmts(loc, item);
        if (format == nullptr)
            std::abort();
        char out[512];
        if (*format != '\0' && gl_mbsftime(loc, out, sizeof out, format, &rec) == 0 && loc->error != 0)
            std::abort();
    }
}

void check_century(gl_locale *loc, int month, int day, int year, int rule, int tday, int tmonth, int tyear)
{
    gl_set_current_time(tday, tmonth, tyear);
    const int c = gl_getcentury(loc, month, day, year, rule);
    if (c < 0) {
        if (!trwfuzz::time_error(loc->error) && loc->error != 30 && loc->error != 27)
            std::abort();
        return;
    }
    if (tday > month_days(tyear, tmonth) && year <= 99 && loc->time->calendar == GL_CAL_GREGORIAN)
        std::abort(); // no century without a valid today
    if (loc->time->calendar != GL_CAL_GREGORIAN)
        return;
    if (year > 99) {
        if (c != year / 100)
            std::abort();
        return;
    }
    if (rule != 'C' && rule != 'F' && rule != 'P') {
        if (c != tyear / 100)
            std::abort();
        return;
    }
    const int m = month > 0 ? month : tmonth;
    const int64_t full = int64_t{c} * 100 + year;
    // The day as the rule takes it: today's cut to the month given, and
    // 29 February in a year without it the 28th.
    int d = day > 0 ? day : tday;
    if (day == 0 && month > 0)
        d = std::min(d, month_days(2000, m));
    if (m == 2 && d == 29 && !leap(full))
        d = 28;
    const int64_t at = days_of(full, m, d), today = days_of(tyear, tmonth, tday);
    const bool ok = rule == 'F'   ? at > today && at - today <= 36526
                    : rule == 'P' ? at < today && today - at <= 36526
                                  : (at > today ? at - today : today - at) <= 36526 / 2 + 1;
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 10)
        return 0;
    gl_locale *loc = trwfuzz::time_locale(data[0]);
    check_lists(loc, data[1] % 10);
    char **list = nullptr;
    int count = 0;
    if (gl_mbstimeinfo(loc, 1, nullptr, &count) != -1 || gl_mbstimeinfo(loc, 1, &list, nullptr) != -1 ||
        gl_get_era_count(nullptr) != -1 || std::strcmp(gl_get_ltime_fmts(nullptr, 0), "") != 0)
        std::abort();
    check_formats(loc);
    static const int kRules[] = {'R', 'C', 'F', 'P', 'x'};
    const int rule = kRules[(data[1] / 10) % 5];
    const int month = data[2] % 14, day = data[3] % 33;
    const int year = (data[4] << 8 | data[5]) % 10050;
    const int tmonth = data[7] % 12 + 1;
    const int tyear = (data[8] << 8 | data[9]) % 9700 + 150;
    // The day of today past its month now and then: no valid today.
    const int tday = data[6] < 250 ? data[6] % month_days(tyear, tmonth) + 1 : 29 + data[6] % 3;
    check_century(loc, month, day, year, rule, tday, tmonth, tyear);
    gl_reset_time();
    return 0;
}
