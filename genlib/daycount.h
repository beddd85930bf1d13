// Closed-form day counts of the proleptic Gregorian calendar on the DATE
// scale: day 0 is 1899-12-31, day 1 is 1900-01-01, day -693594 is 0001-01-01
// and day 2958464 is 9999-12-31. The DATE functions and the DATETIME and
// INTERVAL arithmetic both count days with these; nothing here checks ranges.
#ifndef TRW_GENLIB_DAYCOUNT_H
#define TRW_GENLIB_DAYCOUNT_H

#include <cstdint>

namespace trw::days {

inline constexpr int32_t kFirstDay = -693594; // 0001-01-01
inline constexpr int32_t kLastDay = 2958464;  // 9999-12-31

// Days from 0000-03-01 (the start of a 400-year era counted from March) to
// 1899-12-31.
inline constexpr int64_t kEpochShift = 693900;

constexpr bool is_leap(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Month 1..12.
constexpr int month_length(int64_t year, int month)
{
    constexpr int kLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : kLength[month - 1];
}

constexpr int64_t floor_div(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Day number of year-month-day (month 1..12, day 1..31); any year.
constexpr int64_t from_civil(int64_t year, int month, int day)
{
    int64_t y = month <= 2 ? year - 1 : year;
    int64_t era = floor_div(y, 400);
    int64_t yoe = y - era * 400;
    int mp = (month + 9) % 12; // March = 0
    int64_t doy = (153 * mp + 2) / 5 + day - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - kEpochShift;
}

struct Civil {
    int64_t year;
    int month; // 1..12
    int day;   // 1..31
};

constexpr Civil to_civil(int64_t dayno)
{
    int64_t z = dayno + kEpochShift;
    int64_t era = floor_div(z, 146097);
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// 0 Sunday .. 6 Saturday; 1899-12-31 was a Sunday.
constexpr int weekday(int64_t dayno) { return static_cast<int>(((dayno % 7) + 7) % 7); }

static_assert(from_civil(1899, 12, 31) == 0);
static_assert(from_civil(1900, 1, 1) == 1);
static_assert(from_civil(1, 1, 1) == kFirstDay);
static_assert(from_civil(9999, 12, 31) == kLastDay);
static_assert(to_civil(kFirstDay).year == 1 && to_civil(kFirstDay).month == 1 && to_civil(kFirstDay).day == 1);
static_assert(to_civil(kLastDay).year == 9999 && to_civil(kLastDay).month == 12 && to_civil(kLastDay).day == 31);
static_assert(to_civil(from_civil(2000, 2, 29)).day == 29);
static_assert(weekday(from_civil(2024, 12, 25)) == 3); // a Wednesday

} // namespace trw::days

#endif
