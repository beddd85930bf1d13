// DATETIME and INTERVAL standard text: the parser both types share
// (rstrdinv), the writer, and their C entry points (dtcvasc, rstrdtime and
// the per-call century forms, incvasc, rstrinv, dttoasc, rdtimestr,
// intoasc, rinvstr).
//
// The standard text writes the units of the qualifier in order, the first
// with its precision in digits and every later one with two, each preceded
// by the delimiter of the unit before it ("-" after year and month, " "
// after day, ":" after hour and minute, "." after second); the fraction has
// its n digits. An INTERVAL has one sign position first and shows the first
// field's leading zeros as blanks, the "-" of a negative value just before
// its first digit.
#include <cstring>

#include "daycount.h"
#include "dtint.h"
#include "dttextint.h"
#include "gentcb.h"
#include "rdateint.h"

namespace trw::dt {

namespace {

// Delimiter after the unit of each time slot (year .. second).
constexpr char kDelimiter[kFractionSlot] = {'-', '-', ' ', ':', ':', '.'};

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The fraction digits of a text (k digits, value d, at most n) as the
// three fraction pairs of Fields.
void set_fraction(Fields &f, int64_t digits, int count)
{
    int64_t micro = digits;
    for (int k = count; k < 6; ++k)
        micro *= 10;
    f.v[kFractionSlot] = micro / 10000;
    f.v[kFractionSlot + 1] = micro / 100 % 100;
    f.v[kFractionSlot + 2] = micro % 100;
}

// Reads at most n fraction digits at p into f.
const char *read_fraction(const char *p, const Layout &layout, Fields &f)
{
    int64_t digits = 0;
    int count = 0;
    for (; count < layout.frac_digits && is_digit(*p); ++count, ++p)
        digits = digits * 10 + (*p - '0');
    set_fraction(f, digits, count);
    return p;
}

struct Parsed {
    Fields f{};
    bool negative = false;
    bool two_digit_year = false;
};

// The units after the first field: each preceded by the delimiter of the
// unit before it and any blanks, 1 or 2 digits; then the fraction.
int read_later_units(const char *&p, const Layout &layout, Fields &f)
{
    const int last_whole = layout.last < kFractionSlot ? layout.last : kSecondSlot;
    for (int slot = layout.first + 1; slot <= last_whole; ++slot) {
        if (*p != kDelimiter[slot - 1])
            return kBadDelimiter;
        ++p;
        while (*p == ' ')
            ++p;
        int64_t value = 0;
        int n = 0;
        for (; n < 2 && is_digit(*p); ++n, ++p)
            value = value * 10 + (*p - '0');
        if (n == 0)
            return kBadDelimiter;
        if (is_digit(*p))
            return kBadValue;
        f.v[slot] = value;
    }
    if (layout.last >= kFractionSlot) {
        if (*p != '.')
            return kBadDelimiter;
        p = read_fraction(p + 1, layout, f);
    }
    return 0;
}

// The units of a text; p is left after the last one read.
int read_units(const char *&p, const Layout &layout, bool datetime, Parsed &out)
{
    if (layout.first == kFractionSlot) {
        while (*p == '0')
            ++p;
        if (is_digit(*p))
            return kBadValue;
        if (*p != '.')
            return kNoPoint;
        p = read_fraction(p + 1, layout, out.f);
        return 0;
    }
    int n = 0;
    int64_t value = 0;
    for (; is_digit(p[n]); ++n)
        if (n < layout.precision)
            value = value * 10 + (p[n] - '0');
    if (n > layout.precision)
        return kFirstTooLong;
    if (n == 0)
        return kBadDelimiter;
    p += n;
    out.f.v[layout.first] = value;
    out.two_digit_year = datetime && layout.first == 0 && n <= 2;
    return read_later_units(p, layout, out.f);
}

// The month and day check of a DATETIME and the century of a two-digit
// year (taken for the parsed month and day, today's where the value has
// none). 0 or a status.
int settle_date(const Layout &layout, Parsed &in)
{
    const bool has_month = layout.first <= 1 && layout.last >= 1;
    const bool has_day = layout.first <= 2 && layout.last >= 2;
    int16_t today[3] = {1, 1, 2000};
    if (!has_month || !has_day) {
        int32_t date;
        rtoday(&date);
        if (date == TRW_DATE_NULL || rjulmdy(date, today) != 0)
            today[0] = today[1] = 1, today[2] = 2000;
    }
    const int month = has_month ? static_cast<int>(in.f.v[1]) : today[0];
    if (month > 12)
        return kBadValue;
    if (!in.two_digit_year)
        return 0;
    int day = has_day ? static_cast<int>(in.f.v[2]) : today[1];
    if (month < 1 || day < 1)
        return kBadValue;
    if (!has_day) {
        const int limit = trw::days::month_length(today[2] / 100 * 100 + in.f.v[0], month);
        day = day > limit ? limit : day;
    }
    const int century = getcentury(month, day, static_cast<int>(in.f.v[0]));
    if (century < 0)
        return century == trw::date::kDayError || century == trw::date::kMonthError ? kBadValue : century;
    in.f.v[0] += int64_t{century} * 100;
    return 0;
}

int parse_standard(const char *text, const Layout &layout, bool datetime, decvalue *dec)
{
    const char *p = text == nullptr ? "" : text;
    while (is_space(*p))
        ++p;
    if (*p == '\0')
        return 0;
    Parsed in;
    if (!datetime && *p == '-') {
        in.negative = true;
        ++p;
    }
    if (const int status = read_units(p, layout, datetime, in); status < 0)
        return status;
    if (datetime && layout.first <= 1) {
        if (const int status = settle_date(layout, in); status < 0)
            return status;
    }
    while (is_space(*p))
        ++p;
    if (*p != '\0')
        return kLeftOver;
    if (!fields_valid(in.f, layout, datetime))
        return kBadValue;
    if (!pack_fields(in.f, layout, in.negative ? 0 : 1, dec)) {
        set_null(dec);
        return kBadValue;
    }
    return 0;
}

// Writes value digits of a number, zero-padded to width, at out.
char *put_digits(char *out, int64_t value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return out + width;
}

char *put_first_field(char *o, const Fields &f, const Layout &layout, bool negative)
{
    if (layout.first == kFractionSlot) {
        if (layout.interval)
            *o++ = negative ? '-' : ' ';
        return o;
    }
    if (!layout.interval)
        return put_digits(o, f.v[layout.first], layout.precision);
    char *sign = o++;
    *sign = ' ';
    char *digits = o;
    o = put_digits(o, f.v[layout.first], layout.precision);
    char *first = digits;
    while (first < o - 1 && *first == '0')
        *first++ = ' ';
    if (negative)
        first[-1] = '-';
    return o;
}

} // namespace

int standard_text(const decvalue *dec, int qualifier, bool datetime, char *out)
{
    Layout layout;
    if (const int status = checked_layout(qualifier, !datetime, layout); status < 0) {
        out[0] = '\0';
        return status;
    }
    if (is_null(dec)) {
        out[0] = '\0';
        return 0;
    }
    Fields f{};
    if (!value_fields(dec, layout, datetime, f)) {
        out[0] = '\0';
        return kBadValue;
    }
    char *o = put_first_field(out, f, layout, is_negative(dec));
    const int last_whole = layout.last < kFractionSlot ? layout.last : kSecondSlot;
    for (int slot = layout.first + 1; slot <= last_whole; ++slot) {
        *o++ = kDelimiter[slot - 1];
        o = put_digits(o, f.v[slot], 2);
    }
    if (layout.frac_digits > 0) {
        *o++ = '.';
        const int64_t micro = f.v[kFractionSlot] * 10000 + f.v[kFractionSlot + 1] * 100 + f.v[kFractionSlot + 2];
        int64_t scaled = micro;
        for (int k = layout.frac_digits; k < 6; ++k)
            scaled /= 10;
        o = put_digits(o, scaled, layout.frac_digits);
    }
    *o = '\0';
    return 0;
}

int rstrdinv(const char *text, decvalue *dec, int qualifier, bool datetime)
{
    Layout layout;
    if (const int status = checked_layout(qualifier, !datetime, layout); status < 0) {
        set_null(dec);
        return status;
    }
    if (datetime && get_usedtenv())
        return parse_by_dtenv(text, dec, qualifier);
    decvalue result;
    set_null(&result);
    const int status = parse_standard(text, layout, datetime, &result);
    if (status < 0) {
        set_null(dec);
        return status;
    }
    *dec = result;
    return 0;
}

} // namespace trw::dt

using namespace trw::dt;

extern "C" {

int rstrdtime(const char *text, decvalue *dec, int qualifier)
{
    return rstrdinv(text, dec, qualifier, true);
}

int dtcvasc(const char *text, dt_value *dt)
{
    return rstrdinv(text, &dt->dt_dec, dt->dt_qual, true);
}

int trw_rstrdtime(const char *text, decvalue *dec, int qualifier, int century)
{
    const trw::date::CenturyScope scope(century);
    return rstrdinv(text, dec, qualifier, true);
}

int trw_dtcvasc(const char *text, dt_value *dt, int century)
{
    return trw_rstrdtime(text, &dt->dt_dec, dt->dt_qual, century);
}

int rstrinv(const char *text, decvalue *dec, int qualifier)
{
    return rstrdinv(text, dec, qualifier, false);
}

int incvasc(const char *text, inv_value *inv)
{
    return rstrdinv(text, &inv->in_dec, inv->in_qual, false);
}

int rdtimestr(const decvalue *dec, int qualifier, char *out)
{
    if (out == nullptr)
        return kTooSmall;
    if (gl_datetime_set())
        return format_by_process(dec, qualifier, out, kGlDatetimeSize);
    return standard_text(dec, qualifier, true, out);
}

int dttoasc(const dt_value *dt, char *out)
{
    return rdtimestr(&dt->dt_dec, dt->dt_qual, out);
}

int rinvstr(const decvalue *dec, int qualifier, char *out)
{
    if (out == nullptr)
        return kTooSmall;
    return standard_text(dec, qualifier, false, out);
}

int intoasc(const inv_value *inv, char *out)
{
    return rinvstr(&inv->in_dec, inv->in_qual, out);
}

} // extern "C"
