// Value expressions: the date functions DAY, MONTH, YEAR (exxmdy), WEEKDAY
// (exwkday), MDY (exmdy), DATE (extodate), EXTEND (exextend), UNITS
// (exunits) and CURRENT (excurrent).
#include <cstring>

#include "gl_time.h"
#include "glsenv.h"
#include "rdate.h"
#include "valexint.h"

using namespace valexpr_int;

namespace {

using valrec_int::Kind;
using valrec_int::kind;

constexpr int kPrecDate = VAL_PREC_INTEGER;
constexpr int kBadYear = -1204;
constexpr int kBadMonth = -1205;
constexpr int kBadDay = -1206;

// The day count of an operand: a DATE, the YEAR TO DAY part of a DATETIME,
// or what todate reads. 0 or a status; TRW_DATE_NULL for NULL.
int day_count(valrec *a, int32_t *date)
{
    if (kind(a->vtype) == Kind::DateTime) {
        int d = TRW_DATE_NULL;
        const int status = rdttodate(&a->vdata.vdec, static_cast<uint16_t>(a->vprec), &d);
        *date = d;
        return status;
    }
    *date = todate(a);
    return get_toerrno();
}

valrec date_of(int32_t date)
{
    valrec r;
    std::memset(&r, 0, sizeof r);
    r.vtype = TRW_SQL_DATE;
    r.vprec = kPrecDate;
    r.vdata.vint = date;
    return r;
}

// The client locale when its calendar is not the Gregorian one (DAY, MONTH,
// YEAR and MDY then count in that calendar, as the DATE text of the client
// does), else null.
gl_locale *local_calendar()
{
    if (chkglsinit() != 0)
        return nullptr;
    const GlsEnv *env = CheckGlsEnv();
    gl_locale *loc = env != nullptr ? env->locale : nullptr;
    if (loc == nullptr || loc->time == nullptr || loc->time->calendar == GL_CAL_GREGORIAN)
        return nullptr;
    return loc;
}

// Month, day and year of a DATE, in the client's calendar.
int split_date(int32_t date, int16_t mdy[3])
{
    if (int status = rjulmdy(date, mdy))
        return status;
    gl_locale *loc = local_calendar();
    if (loc == nullptr)
        return 0;
    gl_caltm in{}, out{};
    in.tm_year = mdy[2] - 1900;
    in.tm_mon = in.tm_monname = mdy[0] - 1;
    in.tm_mday = mdy[1];
    if (gl_cal_gregorian_to_local(loc, &in, &out) != 0)
        return kDateRange;
    mdy[0] = static_cast<int16_t>(out.tm_mon + 1);
    mdy[1] = static_cast<int16_t>(out.tm_mday);
    mdy[2] = static_cast<int16_t>(out.tm_year + 1900);
    return 0;
}

// The DATE of a month, day and year of the client's calendar.
int join_date(const int16_t mdy[3], int32_t *date)
{
    gl_locale *loc = local_calendar();
    if (loc == nullptr)
        return rmdyjul(mdy, date);
    gl_caltm in{}, out{};
    in.tm_year = mdy[2] - 1900;
    in.tm_mon = mdy[0] - 1;
    in.tm_monname = -1;
    in.tm_mday = mdy[1];
    if (mdy[0] < 1 || mdy[0] > loc->time->mon_count)
        return kBadMonth;
    if (gl_cal_local_to_gregorian(loc, &in, &out) != 0) {
        // The year is bad when its first day has no Gregorian date either,
        // the month when its own first day has none (a month the year lacks).
        gl_caltm first = in;
        first.tm_mday = 1;
        if (gl_cal_local_to_gregorian(loc, &first, &out) == 0)
            return kBadDay;
        first.tm_mon = 0;
        return gl_cal_local_to_gregorian(loc, &first, &out) != 0 ? kBadYear : kBadMonth;
    }
    const int16_t gregorian[3] = {static_cast<int16_t>(out.tm_mon + 1), static_cast<int16_t>(out.tm_mday),
                                  static_cast<int16_t>(out.tm_year + 1900)};
    return rmdyjul(gregorian, date);
}

int datetime_out(valrec *result, const dt_value &dt, int status)
{
    valrec r;
    std::memset(&r, 0, sizeof r);
    r.vtype = TRW_SQL_DATETIME;
    r.vprec = dt.dt_qual;
    r.vdata.vdec = dt.dt_dec;
    if (status != 0 || dt.dt_dec.sign == -1) {
        r.vind = -1;
        valrec_int::null_decimal(&r.vdata.vdec);
    }
    return finish(result, r, status);
}

} // namespace

extern "C" {

int exxmdy(int op, valrec *a, valrec *result)
{
    if (a == nullptr || op < EXOP_DAY || op > EXOP_YEAR)
        return kUndefined;
    const int prec = op == EXOP_YEAR ? EXPREC_YEAR : EXPREC_DAY;
    if (valrec_int::is_null(a))
        return finish(result, null_of(TRW_SQL_SMALLINT, prec), 0);
    int32_t date;
    int status = day_count(a, &date);
    if (status != 0 || date == TRW_DATE_NULL)
        return finish(result, null_of(TRW_SQL_SMALLINT, prec), status);
    int16_t mdy[3];
    if ((status = split_date(date, mdy)) != 0)
        return finish(result, null_of(TRW_SQL_SMALLINT, prec), status);
    const int value = op == EXOP_DAY ? mdy[1] : op == EXOP_MONTH ? mdy[0] : mdy[2];
    return finish(result, smallint_of(value, prec), 0);
}

int exwkday(valrec *a, valrec *result)
{
    if (a == nullptr)
        return kUndefined;
    if (valrec_int::is_null(a))
        return finish(result, null_of(TRW_SQL_SMALLINT, EXPREC_WEEKDAY), 0);
    int32_t date;
    int status = day_count(a, &date);
    if (status == 0 && date != TRW_DATE_NULL && (date < TRW_DATE_MIN || date > TRW_DATE_MAX))
        status = kDateRange;
    if (status != 0 || date == TRW_DATE_NULL)
        return finish(result, null_of(TRW_SQL_SMALLINT, EXPREC_WEEKDAY), status);
    return finish(result, smallint_of(rdayofweek(date), EXPREC_WEEKDAY), 0);
}

int exmdy(valrec *month, valrec *day, valrec *year, valrec *result)
{
    if (month == nullptr || day == nullptr || year == nullptr)
        return kUndefined;
    valrec *parts[3] = {month, day, year};
    int16_t mdy[3];
    for (int i = 0; i < 3; ++i) {
        if (valrec_int::is_null(parts[i]))
            return finish(result, null_of(TRW_SQL_DATE, kPrecDate), 0);
        const int value = toint(parts[i]);
        const int status = get_toerrno();
        if (status != 0)
            return finish(result, null_of(TRW_SQL_DATE, kPrecDate), status);
        mdy[i] = static_cast<int16_t>(value);
    }
    int32_t date = TRW_DATE_NULL;
    const int status = join_date(mdy, &date);
    if (status != 0)
        return finish(result, null_of(TRW_SQL_DATE, kPrecDate), status);
    return finish(result, date == TRW_DATE_NULL ? null_of(TRW_SQL_DATE, kPrecDate) : date_of(date), 0);
}

int extodate(valrec *a, valrec *result)
{
    if (a == nullptr)
        return kUndefined;
    const int32_t date = todate(a);
    const int status = get_toerrno();
    if (status != 0 || date == TRW_DATE_NULL)
        return finish(result, null_of(TRW_SQL_DATE, kPrecDate), status);
    return finish(result, date_of(date), 0);
}

int exextend(valrec *a, int qualifier, valrec *result)
{
    if (a == nullptr)
        return kUndefined;
    dt_value dt{};
    dt.dt_qual = static_cast<int16_t>(qualifier);
    if (_chk_qual(0, qualifier) != 0)
        return datetime_out(result, dt, kBadQualifier);
    if (!(kinds_of(a) & (EXK_DATETIME | EXK_DATE | EXK_CHAR | EXK_NCHAR)))
        return datetime_out(result, dt, kUndefined);
    const int status = todatetime(a, &dt, qualifier);
    dt.dt_qual = static_cast<int16_t>(qualifier);
    return datetime_out(result, dt, status);
}

int exunits(valrec *a, int qualifier, valrec *result)
{
    if (a == nullptr)
        return kUndefined;
    if (TU_START(qualifier) == TU_FRAC)
        qualifier = TU_IENCODE(TU_FLEN(qualifier), TU_SECOND, TU_END(qualifier));
    valrec r;
    std::memset(&r, 0, sizeof r);
    r.vtype = TRW_SQL_INTERVAL;
    r.vprec = static_cast<int16_t>(qualifier);
    valrec_int::null_decimal(&r.vdata.vdec);
    r.vind = -1;
    if (_chk_qual(1, qualifier) != 0)
        return finish(result, r, kBadQualifier);
    decvalue count;
    int status = todecimal(a, &count);
    if (status == 0 && count.sign != -1)
        status = rdectoinv(&count, &r.vdata.vdec, qualifier);
    if (status == 0 && r.vdata.vdec.sign != -1 && count.sign != -1)
        r.vind = 0;
    else
        valrec_int::null_decimal(&r.vdata.vdec);
    return finish(result, r, status);
}

int excurrent(int qualifier, valrec *result)
{
    if (qualifier == 0)
        qualifier = EX_CURRENT_DEFAULT;
    dt_value dt{};
    dt.dt_qual = static_cast<int16_t>(qualifier);
    if (_chk_qual(0, qualifier) != 0)
        return datetime_out(result, dt, kBadQualifier);
    return datetime_out(result, dt, dtcurrent(&dt));
}

} // extern "C"
