// Calendars: the proleptic Gregorian helpers and the conversions between the
// Gregorian calendar and the Hebrew and the arithmetic Islamic calendars.
//
// Day scales. serial: days since 0000-03-01 of the proleptic Gregorian
// calendar (0 is that day). The Hebrew arithmetic counts on serial + 6001;
// the Islamic one counts days since its epoch, Thursday 0622-07-18, which
// is serial - 306 - 227013 (306 days from 0000-03-01 to 0001-01-01).
// Everything is 64-bit: the molad arithmetic passes 2^31 near Hebrew 8100.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "gl_time.h"
#include "gltime_int.h"

static_assert(sizeof(gl_tm) == 56 && offsetof(gl_tm, tm_sec) == 8 && offsetof(gl_tm, tm_mon) == 24 &&
              offsetof(gl_tm, tm_year) == 28 && offsetof(gl_tm, tm_glword1) == 44 &&
              offsetof(gl_tm, tm_glword2) == 48);
static_assert(sizeof(gl_caltm) == 56 && offsetof(gl_caltm, tm_mon) == 24 &&
              offsetof(gl_caltm, tm_monname) == 28 && offsetof(gl_caltm, tm_year) == 32 &&
              offsetof(gl_caltm, tm_glword2) == 52);

namespace gls::tm {

namespace {

constexpr int kCumDays[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

constexpr int64_t kHebrewShift = 6001;     // Hebrew day count - serial
constexpr int64_t kIslamicShift = 227319;  // serial - Islamic day number
constexpr int64_t kSerialYear1 = 306;      // serial of 0001-01-01

// Days of the 30-year Islamic cycle before each year of it, and 355-day years.
constexpr bool kIslamicLong[30] = {false, true,  false, false, true,  false, true,  false, false, true,
                                   false, false, true,  false, false, true,  false, true,  false, false,
                                   true,  false, false, true,  false, true,  false, false, true,  false};
constexpr int kIslamicCycle = 10631;

constexpr int64_t floor_div(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

} // namespace

bool leap_year(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int month_length(int64_t year, int month)
{
    return month == 1 && leap_year(year) ? 29 : kMonthDays[month];
}

int64_t serial_of(int64_t year, int month, int day)
{
    int64_t y = month < 2 ? year - 1 : year;
    int64_t era = floor_div(y, 400);
    int64_t yoe = y - era * 400;
    int mp = (month + 10) % 12; // March = 0
    int64_t doy = (153 * mp + 2) / 5 + day - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

void civil_of(int64_t serial, int64_t *year, int *month, int *day)
{
    int64_t era = floor_div(serial, 146097);
    int64_t doe = serial - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *month = static_cast<int>(mp < 10 ? mp + 2 : mp - 10);
    *year = yoe + era * 400 + (*month < 2 ? 1 : 0);
}

int weekday_of_serial(int64_t serial)
{
    // 0000-03-01 was a Wednesday.
    return static_cast<int>(((serial + 3) % 7 + 7) % 7);
}

int yearday(int64_t year, int month, int day)
{
    return day - 1 + kCumDays[month] + (month > 1 && leap_year(year) ? 1 : 0);
}

bool valid_gregorian(int64_t year, int64_t month, int64_t day)
{
    return month >= 0 && month <= 11 && day >= 1 && day <= month_length(year, static_cast<int>(month));
}

// ---- Hebrew ----------------------------------------------------------------------------

// New-year day of Hebrew year 3744 + k on the Hebrew day scale.
int64_t hebrew_new_year(int64_t k)
{
    int64_t months = 12 * k + (7 * k + 1) / 19;
    int64_t c = (7 * k + 1) % 19;
    int64_t parts = months * 39673 + 8339;
    int64_t w = (parts % 181440) / 25920;
    int64_t t = (parts % 181440) - w * 25920;
    int64_t day = months * 28 + parts / 25920;
    int64_t result = day - 2;
    if ((c < 12 && w == 3 && t > 16403) || (c < 7 && w == 2 && t > 23268)) {
        w += 1;
        result = day - 1;
    }
    if (w == 1 || w == 4 || w == 6)
        result += 1;
    return result;
}

int hebrew_year_length(int64_t year)
{
    return static_cast<int>(hebrew_new_year(year + 1 - 3744) - hebrew_new_year(year - 3744));
}

// Days of month number m (0-based) in a Hebrew year of length len.
int hebrew_month_days(int len, int m)
{
    bool leap = len > 355;
    if (m == 1)
        return len % 10 == 5 ? 30 : 29;
    if (m == 2)
        return len % 10 == 3 ? 29 : 30;
    if (leap && m >= 5) {
        if (m == 5)
            return 30;
        if (m == 6)
            return 29;
        m -= 1;
    }
    return m % 2 == 0 ? 30 : 29;
}

// Month number of a name index; -1 when the year has no such month.
int hebrew_number_of_name(int len, int name)
{
    if (len < 356)
        return name >= 0 && name <= 11 ? name : -1;
    if (name == 12)
        return 5;
    if (name == 13)
        return 6;
    if (name >= 6 && name <= 11)
        return name + 1;
    return name >= 0 && name <= 5 ? name : -1;
}

int hebrew_name_of_number(int len, int number)
{
    if (len < 356 || number < 5)
        return number;
    if (number == 5)
        return 12;
    if (number == 6)
        return 13;
    return number - 1;
}

} // namespace gls::tm

using namespace gls::tm;

namespace {

void pass_time(const gl_caltm *in, gl_caltm *out)
{
    if (in != out)
        std::memcpy(out, in, sizeof *out);
}

int fail(gl_caltm *out)
{
    std::memset(out, 0, sizeof *out);
    return -1;
}

void set_gregorian(gl_caltm *out, int64_t serial)
{
    int64_t y;
    int m, d;
    civil_of(serial, &y, &m, &d);
    out->tm_year = static_cast<int32_t>(y - 1900);
    out->tm_mon = out->tm_monname = m;
    out->tm_mday = d;
    out->tm_wday = weekday_of_serial(serial);
    out->tm_yday = yearday(y, m, d);
}

// Serial of a valid Gregorian record in [lo, hi] of full years; -1 outside.
bool gregorian_serial(const gl_caltm *in, int64_t *serial)
{
    int64_t year = static_cast<int64_t>(in->tm_year) + 1900;
    if (year < 1 || year > 10400 || !valid_gregorian(year, in->tm_mon, in->tm_mday))
        return false;
    *serial = serial_of(year, in->tm_mon, in->tm_mday);
    return true;
}

} // namespace

// Out-of-range months count as January; the results of days outside the
// month follow the arithmetic (no overflow for any arguments).
extern "C" int _gl_gregorian_yearday(int day, int month, int year)
{
    if (month < 0 || month > 11)
        month = 0;
    int64_t d = static_cast<int64_t>(day) - 1 + kCumDays[month] + (month > 1 && leap_year(year) ? 1 : 0);
    return static_cast<int>(d);
}

extern "C" int _gl_gregorian_weekday(int day, int month, int year)
{
    if (month < 0 || month > 11)
        month = 0;
    return weekday_of_serial(serial_of(year, month, 1) + static_cast<int64_t>(day) - 1);
}

extern "C" int gl_cal_gregorian_to_hebrew(const gl_caltm *in, gl_caltm *out)
{
    int64_t serial;
    if (!gregorian_serial(in, &serial) || serial < kSerialYear1 || serial > serial_of(10000, 1, 23))
        return fail(out);
    int64_t n = serial + kHebrewShift;
    int64_t year = static_cast<int64_t>(in->tm_year) + 1900;
    int64_t k = year - 1 + (in->tm_mon >= 2 ? 1 : 0) + 16;
    while (hebrew_new_year(k) > n)
        --k;
    while (hebrew_new_year(k + 1) <= n)
        ++k;
    int64_t start = hebrew_new_year(k);
    int len = static_cast<int>(hebrew_new_year(k + 1) - start);
    int q = static_cast<int>(n - start);
    int number, name, day;
    if (q < len - 236) {
        int span = len % 10 + 114;
        number = name = 4 * q / span;
        day = q - (span * number + 3) / 4 + 1;
    } else {
        int j = 2 * (q - len + 236) / 59;
        day = q - len - (59 * j + 1) / 2 + 236 + 1;
        if (len < 356) {
            number = name = j + 4;
        } else {
            number = j + 5;
            name = j + 4 <= 5 ? j + 12 : j + 4;
        }
    }
    pass_time(in, out);
    out->tm_year = static_cast<int32_t>(k + 3744 - 1900);
    out->tm_mon = number;
    out->tm_monname = name;
    out->tm_mday = day;
    out->tm_wday = static_cast<int32_t>((n + 1) % 7);
    out->tm_yday = q;
    return 0;
}

extern "C" int gl_cal_hebrew_to_gregorian(const gl_caltm *in, gl_caltm *out)
{
    int64_t year = static_cast<int64_t>(in->tm_year) + 1900;
    if (year < 3761 || year > 14213)
        return fail(out);
    int len = hebrew_year_length(year);
    int months = len > 355 ? 13 : 12;
    int number = in->tm_mon;
    if (number == -1)
        number = hebrew_number_of_name(len, in->tm_monname);
    if (number < 0 || number >= months || in->tm_mday < 1 || in->tm_mday > hebrew_month_days(len, number))
        return fail(out);
    int64_t n = hebrew_new_year(year - 3744);
    for (int m = 0; m < number; ++m)
        n += hebrew_month_days(len, m);
    n += in->tm_mday - 1;
    int64_t serial = n - kHebrewShift;
    if (serial < kSerialYear1)
        return fail(out);
    pass_time(in, out);
    set_gregorian(out, serial);
    return 0;
}

extern "C" int gl_cal_gregorian_to_islamic(const gl_caltm *in, gl_caltm *out)
{
    int64_t serial;
    if (!gregorian_serial(in, &serial) || serial < kIslamicShift || serial > serial_of(10323, 9, 20))
        return fail(out);
    int64_t dn = serial - kIslamicShift;
    int64_t year = dn / kIslamicCycle * 30 + 1;
    int q = static_cast<int>(dn % kIslamicCycle);
    for (int i = 0; i < 30; ++i) {
        int len = kIslamicLong[i] ? 355 : 354;
        if (q < len)
            break;
        q -= len;
        ++year;
    }
    int month = 2 * q / 59;
    int day = q - (59 * month + 1) / 2 + 1;
    if (month == 12) {
        month = 11;
        day = 30;
    }
    pass_time(in, out);
    out->tm_year = static_cast<int32_t>(year - 1900);
    out->tm_mon = out->tm_monname = month;
    out->tm_mday = day;
    out->tm_wday = static_cast<int32_t>((dn + 4) % 7);
    out->tm_yday = q;
    return 0;
}

extern "C" int gl_cal_islamic_to_gregorian(const gl_caltm *in, gl_caltm *out)
{
    int64_t year = static_cast<int64_t>(in->tm_year) + 1900;
    int month = in->tm_mon != -1 ? in->tm_mon : in->tm_monname;
    if (year < 1 || year > 9999 || month < 0 || month > 11)
        return fail(out);
    int pos = static_cast<int>((year - 1) % 30);
    int days = month % 2 == 0 || (month == 11 && kIslamicLong[pos]) ? 30 : 29;
    if (in->tm_mday < 1 || in->tm_mday > days)
        return fail(out);
    int64_t dn = (year - 1) / 30 * kIslamicCycle;
    for (int i = 0; i < pos; ++i)
        dn += kIslamicLong[i] ? 355 : 354;
    dn += (59 * month + 1) / 2 + in->tm_mday - 1;
    pass_time(in, out);
    set_gregorian(out, dn + kIslamicShift);
    return 0;
}

namespace {

int calendar_of(gl_locale *loc)
{
    if (loc == nullptr)
        return 0;
    return loc->time != nullptr ? loc->time->calendar : GL_CAL_GREGORIAN;
}

} // namespace

extern "C" int gl_cal_gregorian_to_local(gl_locale *loc, const gl_caltm *in, gl_caltm *out)
{
    switch (calendar_of(loc)) {
    case GL_CAL_GREGORIAN:
        pass_time(in, out);
        return 0;
    case GL_CAL_HEBREW:
        return gl_cal_gregorian_to_hebrew(in, out);
    case GL_CAL_ISLAMIC:
        return gl_cal_gregorian_to_islamic(in, out);
    default:
        return fail(out);
    }
}

extern "C" int gl_cal_local_to_gregorian(gl_locale *loc, const gl_caltm *in, gl_caltm *out)
{
    switch (calendar_of(loc)) {
    case GL_CAL_GREGORIAN:
        pass_time(in, out);
        return 0;
    case GL_CAL_HEBREW:
        return gl_cal_hebrew_to_gregorian(in, out);
    case GL_CAL_ISLAMIC:
        return gl_cal_islamic_to_gregorian(in, out);
    default:
        return fail(out);
    }
}

extern "C" int gl_alt_getcentury(gl_locale *loc, int, int, int, int)
{
    switch (calendar_of(loc)) {
    case GL_CAL_HEBREW:
        return 57;
    case GL_CAL_ISLAMIC:
        return 14;
    default:
        return 0;
    }
}
