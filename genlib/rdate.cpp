// DATE day counts and the state around them: the triple conversions
// (rjulmdy, rmdyjul), the leap-year and weekday rules, today (rtoday,
// rsettoday, the DBTODAY evaluation and the quarter-hour cache of the clock), the
// century rule (getdbcentury, validate_dbcentury, getcentury), the bridge to
// the locale library's time formatter and parser (dcvfmtasc, dtofmtasc,
// trw_gl_convert_date, trw_gl_format_date) with its error mapping, and the
// day and month names of the message catalog (_initmdarray).
//
// Day counts are the closed forms of daycount.h; they are the exact inverse
// of each other over the whole DATE range.
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "datetime.h"
#include "daycount.h"
#include "gentcb.h"
#include "gl_time.h"
#include "osenv.h"
#include "rdateint.h"
#include "rmsg.h"

namespace {

using namespace trw::date;

bool valid_date(int32_t date) { return date >= TRW_DATE_MIN && date <= TRW_DATE_MAX; }

// ---- the clock of rtoday -------------------------------------------------------------------

std::time_t system_now() { return std::time(nullptr); }

bool system_local_date(std::time_t t, int *year, int *month, int *day)
{
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr)
        return false;
    *year = tm.tm_year + 1900;
    *month = tm.tm_mon + 1;
    *day = tm.tm_mday;
    return true;
}

constexpr Clock kSystemClock{system_now, system_local_date};
const Clock *g_clock = &kSystemClock;

// ---- the century rule ----------------------------------------------------------------------

int g_dbcentury = 0; // 0 until DBCENTURY is read

bool is_century_rule(int c) { return c == 'R' || c == 'C' || c == 'F' || c == 'P'; }

// ---- error mapping -------------------------------------------------------------------------

// Locale error codes after a failed parse or format and their SQL errors,
// tested top to bottom; a code in no row gives -1218.
struct CodeRange {
    int first, last, sql;
};
constexpr CodeRange kLocaleCodes[] = {
    {22, 22, kBadConversion}, {15, 15, kBadConversion}, {14, 14, kTooSmall},   {3, 3, kNoMemory},
    {12, 12, kNoLocale},      {9, 9, kNoMatch},         {23, 23, kBadEraName}, {24, 26, kFieldRange},
    {27, 27, kDayError},      {28, 29, kFieldRange},    {30, 30, kMonthError}, {31, 31, kYearError},
    {33, 36, kNoMatch},       {37, 37, kDayError},      {38, 39, kNoMatch},    {40, 40, kMonthError},
    {41, 41, kYearError},     {42, 42, kNoEra},         {43, 43, kBadEraName}, {32, 32, kFieldRange},
};

// ---- day and month names -------------------------------------------------------------------

constexpr int kNameMax = 48;
char g_names[3][12][kNameMax];
constexpr int kNameCount[3] = {7, 12, 12};

// Splits a "|"-separated message into names[first..first+count); false when
// it holds fewer names.
bool split_names(const char *text, char (*names)[kNameMax], int count)
{
    for (int i = 0; i < count; ++i) {
        const char *end = std::strchr(text, '|');
        size_t n = end != nullptr ? static_cast<size_t>(end - text) : std::strlen(text);
        const size_t kept = n < kNameMax ? n : kNameMax - 1;
        std::memcpy(names[i], text, kept);
        names[i][kept] = '\0';
        if (i + 1 < count) {
            if (end == nullptr)
                return false;
            text = end + 1;
        }
    }
    return true;
}

int load_names(int msgnum, char (*names)[kNameMax], int count)
{
    char text[RMSG_TEXT_SIZE * 2];
    int status = rgetmsg(msgnum, text, static_cast<int16_t>(sizeof text));
    if (status != 0)
        return status;
    return split_names(text, names, count) ? 0 : RMSG_EFORMAT;
}

// ---- the numeric fast path of the formatter ------------------------------------------------

// Writes rec by a format made only of %d, %m, %iY, %iy and ASCII text other
// than "%" (what DBDATE and the built-in default give), exactly as the
// locale library's formatter does for a Gregorian date. Returns the bytes
// written, -1 when the format has anything else, -2 when out is too small.
int format_numeric(const char *format, const gl_tm &rec, char *out, int size)
{
    char *o = out;
    char *const last = out + size - 1; // room for the terminator
    auto put2 = [&](int v) {
        if (last - o < 2)
            return false;
        *o++ = static_cast<char>('0' + v / 10);
        *o++ = static_cast<char>('0' + v % 10);
        return true;
    };
    for (const char *p = format; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0x80)
            return -1;
        if (c != '%') {
            if (o == last)
                return -2;
            *o++ = *p;
            continue;
        }
        const char conv = p[1] == 'i' ? p[2] : p[1];
        const bool i_form = p[1] == 'i';
        bool ok;
        if (!i_form && conv == 'd')
            ok = put2(rec.tm_mday);
        else if (!i_form && conv == 'm')
            ok = put2(rec.tm_mon + 1);
        else if (i_form && conv == 'y')
            ok = put2((rec.tm_year + 1900) % 100);
        else if (i_form && conv == 'Y') {
            const int y = rec.tm_year + 1900;
            ok = put2(y / 100) && put2(y % 100);
        } else
            return -1;
        if (!ok)
            return -2;
        p += i_form ? 2 : 1;
    }
    *o = '\0';
    return static_cast<int>(o - out);
}

// to_civil of daycount.h for a valid DATE: counted from 0000-03-01 every
// value is positive, so the divisions are unsigned and need no flooring.
constexpr void civil_in_range(int32_t date, int16_t mdy[3])
{
    const uint32_t z = static_cast<uint32_t>(date + trw::days::kEpochShift);
    const uint32_t era = z / 146097;
    const uint32_t doe = z - era * 146097;
    const uint32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const uint32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const uint32_t mp = (5 * doy + 2) / 153;
    const uint32_t month = mp < 10 ? mp + 3 : mp - 9;
    mdy[0] = static_cast<int16_t>(month);
    mdy[1] = static_cast<int16_t>(doy - (153 * mp + 2) / 5 + 1);
    mdy[2] = static_cast<int16_t>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}
static_assert(TRW_DATE_MIN + trw::days::kEpochShift > 0);

bool gregorian_locale(const gl_locale *loc) { return loc->time == nullptr || loc->time->calendar == GL_CAL_GREGORIAN; }

} // namespace

namespace trw::date {

int locale_ready(GlsEnv **env)
{
    const int status = chkglsinit();
    GlsEnv *current = CheckGlsEnv();
    *env = current;
    if (status == 0 && current->locale != nullptr && current->state->gl_date != nullptr)
        return 0;
    if (status != 0)
        return status;
    return current->state->error != 0 ? current->state->error : kNoLocale;
}

int sql_error_of_locale_code(int code)
{
    for (const CodeRange &row : kLocaleCodes)
        if (code >= row.first && code <= row.last)
            return row.sql;
    return kNoMatch;
}

int locale_code_of_sql_error(int status)
{
    switch (status) {
    case kDayError: return 37;
    case kMonthError: return 40;
    case kYearError: return 41;
    case kNoMemory: return 3;
    case -1207: return 14;
    default: return 9;
    }
}

int century_rule() { return getdbcentury(); }

CenturyScope::CenturyScope(int percall) : saved_(getdbcentury())
{
    g_dbcentury = validate_dbcentury(percall, saved_);
}

CenturyScope::~CenturyScope() { g_dbcentury = saved_; }

void forget_century_rule() { g_dbcentury = 0; }

bool fill_tm(int32_t date, gl_tm *rec)
{
    if (!valid_date(date))
        return false;
    const trw::days::Civil c = trw::days::to_civil(date);
    *rec = gl_tm{};
    rec->tm_mday = c.day;
    rec->tm_mon = c.month - 1;
    rec->tm_year = static_cast<int32_t>(c.year - 1900);
    rec->tm_wday = rdayofweek(date);
    rec->tm_yday = static_cast<int32_t>(date - trw::days::from_civil(c.year, 1, 1));
    return true;
}

int format_by(gl_locale *loc, int32_t date, const char *format, char *out, int size)
{
    if (out == nullptr || size <= 0)
        return kTooSmall;
    if (date == TRW_DATE_NULL) {
        out[0] = '\0';
        return 0;
    }
    gl_tm rec;
    if (!fill_tm(date, &rec))
        return kRangeError;
    if (format != nullptr && gregorian_locale(loc)) {
        const int n = format_numeric(format, rec, out, size);
        if (n >= 0)
            return 0;
        if (n == -2) {
            out[0] = '\0';
            return kTooSmall;
        }
    }
    loc->error = 0;
    const int n = gl_mbsftime(loc, out, size, format, &rec);
    if (n == 0 && loc->error != 0) {
        out[0] = '\0';
        return sql_error_of_locale_code(loc->error);
    }
    return 0;
}

int parse_by(gl_locale *loc, const char *format, const char *text, int32_t *date)
{
    if (text == nullptr)
        return kNoMatch;
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\f' || *text == '\v')
        ++text;
    if (*text == '\0') {
        *date = TRW_DATE_NULL;
        return 0;
    }
    // Fields the format does not read stay 0 and fail the triple check.
    gl_tm rec{};
    rec.tm_mday = 0;
    loc->error = 0;
    const char *end = gl_mbsptime(loc, text, format, &rec, century_rule());
    if (end == nullptr)
        return sql_error_of_locale_code(loc->error);
    for (; *end != '\0'; ++end)
        if (*end != ' ' && *end != '\t' && *end != '\n' && *end != '\r')
            return kNoMatch;
    const int64_t year = rec.tm_year + int64_t{1900};
    if (year < 1 || year > 9999)
        return kYearError;
    const int16_t mdy[3] = {static_cast<int16_t>(rec.tm_mon + 1), static_cast<int16_t>(rec.tm_mday),
                            static_cast<int16_t>(year)};
    int32_t value;
    if (int status = rmdyjul(mdy, &value))
        return status;
    *date = value;
    return 0;
}

// DBTODAY, read as DATETIME YEAR TO SECOND: its distance from the clock
// becomes the offset of the current time (DAY(9) TO SECOND, in the DATETIME
// group of the control block). Absent or unparsable: invalid, the clock
// alone. While it is being evaluated the current time is the clock's.
void evaluate_dbtoday(struct gentcb *tcb)
{
    tcb->gt_dbtoday_state = GENTCB_DBTODAY_EVALUATING;
    int state = GENTCB_DBTODAY_INVALID;
    const char *value = ggetenv("DBTODAY");
    decvalue when, now;
    dt_value a, b;
    inv_value offset;
    if (value != nullptr && rstrdtime(value, &when, DT_YEAR_TO_SECOND) == 0 && when.sign != -1 &&
        rdtcurrent(&now) == DT_YEAR_TO_FRAC5) {
        a.dt_qual = DT_YEAR_TO_SECOND;
        a.dt_dec = when;
        b.dt_qual = DT_YEAR_TO_FRAC5;
        b.dt_dec = now;
        offset.in_qual = INV_DAY9_TO_SECOND;
        // The offset keeps whole seconds: the clock's fraction runs on.
        if (rdtextend(&now, DT_YEAR_TO_FRAC5, &b.dt_dec, DT_YEAR_TO_SECOND) == 0) {
            b.dt_qual = DT_YEAR_TO_SECOND;
            if (dtsub(&a, &b, &offset) == 0) {
                tcb->gt_dbtoday_invqual = INV_DAY9_TO_SECOND;
                tcb->gt_dbtoday_inv = offset.in_dec;
                state = GENTCB_DBTODAY_VALID;
            }
        }
    }
    tcb->gt_dbtoday_state = state;
}

bool dbtoday_in_force()
{
    struct gentcb *tcb = CheckGenInit();
    if (tcb == nullptr)
        return false;
    if (tcb->gt_dbtoday_state == 0)
        evaluate_dbtoday(tcb);
    return (tcb->gt_dbtoday_state & GENTCB_DBTODAY_VALID) != 0;
}

bool dbtoday_date(int32_t *date)
{
    if (!dbtoday_in_force())
        return false;
    decvalue now;
    int32_t value;
    if (rdtcurrent(&now) != DT_YEAR_TO_FRAC5 || rdttodate(&now, DT_YEAR_TO_FRAC5, &value) != 0)
        return false;
    CheckGenInit()->gt_dbtoday_date = value;
    *date = value;
    return true;
}

void set_clock(const Clock *clock)
{
    g_clock = clock != nullptr ? clock : &kSystemClock;
    if (gentcb != nullptr)
        gentcb->gt_today_quarter = 0;
}

} // namespace trw::date

extern "C" {

int _inmdflag = 0;

int rjulmdy(int32_t date, int16_t mdy[3])
{
    if (date == TRW_DATE_NULL || !valid_date(date)) {
        mdy[0] = mdy[1] = mdy[2] = 0;
        return date == TRW_DATE_NULL ? 0 : kRangeError;
    }
    civil_in_range(date, mdy);
    return 0;
}

int rmdyjul(const int16_t mdy[3], int32_t *date)
{
    const int month = mdy[0], day = mdy[1], year = mdy[2];
    if (month == 0 && day == 0 && year == 0) {
        const char *nozero = ggetenv("TRW_NOZEROMDY");
        if (nozero != nullptr && std::atoi(nozero) == 1)
            return kDayError;
        *date = TRW_DATE_NULL;
        return 0;
    }
    if (year < 1 || year > 9999)
        return kYearError;
    if (month < 1 || month > 12)
        return kMonthError;
    if (day < 1 || day > trw::days::month_length(year, month))
        return kDayError;
    *date = static_cast<int32_t>(trw::days::from_civil(year, month, day));
    return 0;
}

int rleapyear(int year) { return trw::days::is_leap(year) ? 1 : 0; }

int rdayofweek(int32_t date)
{
    if (date == TRW_DATE_NULL)
        return 0;
    return static_cast<int>((int64_t{date} + 693595) % 7 + 7) % 7;
}

void rtoday(int32_t *today)
{
    struct gentcb *tcb = CheckGenInit();
    if (tcb != nullptr && tcb->gt_today_set) {
        *today = tcb->gt_today_value;
        return;
    }
    int32_t from_dbtoday;
    if (dbtoday_date(&from_dbtoday)) {
        *today = from_dbtoday;
        return;
    }
    const std::time_t now = g_clock->now();
    const int64_t quarter = static_cast<int64_t>(now) / 900;
    if (tcb != nullptr && tcb->gt_today_quarter != 0 && tcb->gt_today_quarter == quarter) {
        *today = tcb->gt_today_cached;
        return;
    }
    int year = 0, month = 0, day = 0;
    int32_t value = TRW_DATE_NULL;
    if (g_clock->local_date(now, &year, &month, &day)) {
        const int16_t local[3] = {static_cast<int16_t>(month), static_cast<int16_t>(day), static_cast<int16_t>(year)};
        if (rmdyjul(local, &value) != 0)
            value = TRW_DATE_NULL;
    }
    if (tcb != nullptr && value != TRW_DATE_NULL) {
        tcb->gt_today_quarter = quarter;
        tcb->gt_today_cached = value;
    }
    *today = value;
}

void rsettoday(const int32_t *date)
{
    struct gentcb *tcb = CheckGenInit();
    if (date == nullptr || !valid_date(*date)) {
        if (tcb != nullptr) {
            tcb->gt_today_set = 0;
            tcb->gt_today_quarter = 0;
        }
        gl_reset_time();
        if (date == nullptr)
            return;
    }
    if (tcb == nullptr || !valid_date(*date))
        return;
    tcb->gt_today_set = 1;
    tcb->gt_today_value = *date;
    const trw::days::Civil c = trw::days::to_civil(*date);
    gl_set_current_time(c.day, c.month, static_cast<int>(c.year));
}

int getdbcentury(void)
{
    if (g_dbcentury != 0)
        return g_dbcentury;
    const char *value = ggetenv("DBCENTURY");
    g_dbcentury = value != nullptr && value[0] != '\0' && value[1] == '\0' && is_century_rule(value[0]) ? value[0]
                                                                                                          : 'R';
    return g_dbcentury;
}

int validate_dbcentury(int percall, int dflt) { return is_century_rule(percall) ? percall : dflt; }

int getcentury(int month, int day, int year)
{
    GlsEnv *env;
    if (int status = locale_ready(&env))
        return status;
    gl_locale *loc = env->locale;
    loc->error = 0;
    const int century = gl_getcentury(loc, month, day, year, century_rule());
    if (century >= 0)
        return century;
    switch (loc->error) {
    case GL_ETMDAY: return kDayError;
    case GL_ETMMON: return kMonthError;
    case GL_ETMYEAR: return kYearError;
    default: return kNoMatch;
    }
}

int dcvfmtasc(int32_t *date, const char *format, const char *text)
{
    GlsEnv *env;
    if (int status = locale_ready(&env))
        return status;
    if (date == nullptr)
        return kNoMatch;
    return parse_by(env->locale, format, text, date);
}

int dtofmtasc(int32_t date, const char *format, char *text, int size)
{
    GlsEnv *env;
    if (int status = locale_ready(&env))
        return status;
    return format_by(env->locale, date, format, text, size);
}

int trw_gl_convert_date(int32_t *date, const char *text, const char *format)
{
    GlsEnv *env;
    if (locale_ready(&env) != 0)
        return -1;
    gl_locale *loc = env->locale;
    int status;
    if (format == nullptr) {
        status = rstrdate(text, date);
    } else {
        if (text == nullptr || date == nullptr) {
            loc->error = GL_EBADARG;
            return -1;
        }
        gl_tm rec{};
        loc->error = 0;
        if (gl_mbsptime(loc, text, format, &rec, century_rule()) == nullptr)
            return -1;
        const int64_t year = rec.tm_year + int64_t{1900};
        const int16_t mdy[3] = {static_cast<int16_t>(rec.tm_mon + 1), static_cast<int16_t>(rec.tm_mday),
                                static_cast<int16_t>(year >= 1 && year <= 9999 ? year : 0)};
        status = year >= 1 && year <= 9999 ? rmdyjul(mdy, date) : kYearError;
    }
    if (status == 0)
        return 0;
    loc->error = locale_code_of_sql_error(status);
    return -1;
}

int trw_gl_format_date(char *text, int size, const int32_t *date, const char *format)
{
    GlsEnv *env;
    if (locale_ready(&env) != 0)
        return -1;
    gl_locale *loc = env->locale;
    if (text == nullptr || date == nullptr || size <= 0) {
        loc->error = GL_EBADARG;
        return -1;
    }
    if (*date == TRW_DATE_NULL) {
        text[0] = '\0';
        return 0;
    }
    gl_tm rec;
    if (!fill_tm(*date, &rec)) {
        loc->error = GL_EBADARG;
        return -1;
    }
    loc->error = 0;
    const int n = gl_mbsftime(loc, text, size, format != nullptr ? format : env->state->gl_date, &rec);
    return n == 0 && loc->error != 0 ? -1 : n;
}

int _initmdarray(void)
{
    if (_inmdflag)
        return 0;
    static char loaded[3][12][kNameMax];
    if (int status = load_names(1200, loaded[0], 7))
        return status;
    if (int status = load_names(1201, loaded[1], 12))
        return status;
    if (int status = load_names(1206, loaded[2], 6))
        return status;
    if (int status = load_names(1207, loaded[2] + 6, 6))
        return status;
    std::memcpy(g_names, loaded, sizeof g_names);
    _inmdflag = 1;
    return 0;
}

const char *trw_date_name(int kind, int index)
{
    if (!_inmdflag || kind < 0 || kind > 2 || index < 0 || index >= kNameCount[kind])
        return nullptr;
    return g_names[kind][index];
}

} // extern "C"
