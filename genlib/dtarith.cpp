// DATETIME and INTERVAL arithmetic: a DATETIME plus or minus an INTERVAL,
// the difference of two DATETIMEs, and INTERVALs scaled by a number or
// divided by each other. The addition works unit by unit on the Fields of
// dtint.h with floor carries, days through the DATE day count (daycount.h);
// the difference counts both values in their end unit; scaling goes through
// the INTERVAL's count and the DECIMAL arithmetic.
#include <cstring>

#include "daycount.h"
#include "decconv.h"
#include "dtint.h"
#include "gentcb.h"

namespace trw::dt {

namespace {

using trw::days::floor_div;

constexpr int64_t kMicro = 1000000;

// -1266 when the INTERVAL ends finer than the DATETIME, or starts coarser
// than it (an INTERVAL starting at second may).
int check_addition_units(const Layout &dt, const Layout &inv)
{
    if (inv.end > dt.end)
        return kIncompatible;
    if (inv.start < dt.start && inv.start != TU_SECOND)
        return kIncompatible;
    return 0;
}

// Days of a DATETIME's month, for the final check of a year-month addition.
int month_days(const Fields &d, const Layout &layout)
{
    if (layout.first > 1)
        return 31;
    const int64_t year = layout.first == 0 ? d.v[0] : kYearlessYear;
    return trw::days::month_length(year, static_cast<int>(d.v[1]));
}

// The calendar step of a DATETIME that starts before day: day number plus
// the days added, back to year, month and day.
int add_days(Fields &d, const Layout &layout, int64_t days)
{
    const int64_t year = layout.first == 0 ? d.v[0] : kYearlessYear;
    const int64_t dayno =
        trw::days::from_civil(year, static_cast<int>(d.v[1]), static_cast<int>(d.v[2])) + days;
    if (dayno < trw::days::kFirstDay || dayno > trw::days::kLastDay)
        return kDateRange;
    const trw::days::Civil civil = trw::days::to_civil(dayno);
    if (layout.first == 1 && civil.year != kYearlessYear)
        return kBadResult;
    if (layout.first == 0)
        d.v[0] = civil.year;
    d.v[1] = civil.month;
    d.v[2] = civil.day;
    return 0;
}

int add_fields(Fields &d, const Layout &dl, const int64_t *c, bool year_month)
{
    int64_t carry = 0;
    const int lowest_time = dl.first > 3 ? dl.first : 3;
    for (int slot = dl.last; slot >= lowest_time; --slot) {
        const int64_t base = kSlotBase[slot];
        const int64_t value = d.v[slot] + c[slot] + carry;
        carry = floor_div(value, base);
        d.v[slot] = value - carry * base;
    }
    if (dl.first >= 3) // nothing above the first unit may change
        return carry + c[dl.first - 1] != 0 ? kBadResult : 0;
    if (dl.last >= 2) {
        if (dl.first == 2) {
            const int64_t day = d.v[2] + c[2] + carry;
            if (day < 1 || day > 31)
                return kBadResult;
            d.v[2] = day;
            return 0;
        }
        if (c[2] != 0 || carry != 0)
            if (const int status = add_days(d, dl, c[2] + carry); status < 0)
                return status;
        carry = 0;
    }
    if (dl.last >= 1) {
        const int64_t month = d.v[1] + c[1] + carry;
        carry = floor_div(month - 1, 12);
        d.v[1] = month - 12 * carry;
    }
    if (dl.first == 1) {
        if (carry != 0)
            return kBadResult;
    } else {
        const int64_t year = d.v[0] + c[0] + carry;
        if (year < 1 || year > 9999)
            return kBadResult;
        d.v[0] = year;
    }
    if (year_month && dl.last >= 2 && d.v[2] > month_days(d, dl))
        return kBadResult;
    return 0;
}

int add_interval(const decvalue *a, int a_qualifier, const decvalue *b, int b_qualifier, bool subtract,
                 decvalue *r)
{
    Layout dl, il;
    if (checked_layout(a_qualifier, false, dl) < 0 || checked_layout(b_qualifier, true, il) < 0) {
        set_null(r);
        return kBadQualifier;
    }
    if (is_null(a) || is_null(b)) {
        set_null(r);
        return 0;
    }
    if (const int status = check_addition_units(dl, il); status < 0) {
        set_null(r);
        return status;
    }
    Fields d, inv;
    if (!value_fields(a, dl, true, d) || !value_fields(b, il, false, inv)) {
        set_null(r);
        return kBadValue;
    }
    const bool negative = is_negative(b) != subtract;
    int64_t c[kSlots] = {};
    for (int slot = il.first; slot <= il.last; ++slot)
        c[slot] = negative ? -inv.v[slot] : inv.v[slot];
    if (const int status = add_fields(d, dl, c, il.start <= TU_MONTH); status < 0) {
        set_null(r);
        return status;
    }
    pack_fields(d, dl, 1, r);
    return 0;
}

// A DATETIME counted in its end unit (microseconds for a fraction end): the
// days through the day count when it starts before day and has a day.
__int128 datetime_total(const Fields &f, const Layout &layout)
{
    __int128 total = 0;
    if (layout.last < 2) {
        total = static_cast<__int128>(count_fields(f, layout, layout.last, 0).whole);
        return total;
    }
    int slot = layout.first;
    if (layout.first < 2) {
        const int64_t year = layout.first == 0 ? f.v[0] : kYearlessYear;
        total = trw::days::from_civil(year, static_cast<int>(f.v[1]), static_cast<int>(f.v[2]));
        slot = 3;
    } else if (layout.first < kFractionSlot) {
        total = f.v[layout.first];
        slot = layout.first + 1;
    }
    for (; slot <= layout.last && slot <= kSecondSlot; ++slot)
        total = total * kSlotBase[slot] + f.v[slot];
    if (layout.last >= kFractionSlot) {
        int64_t micros = 0;
        for (int k = 0; k < 3; ++k) {
            const int s = kFractionSlot + k;
            micros = micros * 100 + (s >= layout.first && s <= layout.last ? f.v[s] : 0);
        }
        total = total * kMicro + micros;
    }
    return total;
}

int result_qualifier(const Layout &layout, int qualifier)
{
    if (layout.first < 2 && layout.last >= 2)
        return TU_ENCODE(layout.length, TU_DAY, layout.end);
    return qualifier;
}

// a - b, in its own qualifier rq, or converted to target (an INTERVAL
// layout of target_qualifier) when that is given.
int subtract_datetimes(const decvalue *a, int a_qualifier, const decvalue *b, int b_qualifier, decvalue *r,
                       int &rq, const Layout *target = nullptr, int target_qualifier = 0)
{
    Layout al, bl;
    rq = 0;
    if (checked_layout(a_qualifier, false, al) < 0 || checked_layout(b_qualifier, false, bl) < 0) {
        set_null(r);
        return kBadQualifier;
    }
    rq = result_qualifier(al, a_qualifier);
    if (is_null(a) || is_null(b)) {
        set_null(r);
        return 0;
    }
    decvalue b_extended;
    const decvalue *bb = b;
    if (b_qualifier != a_qualifier) {
        if (const int status = rdtextend(b, b_qualifier, &b_extended, a_qualifier); status < 0) {
            set_null(r);
            return status;
        }
        bb = &b_extended;
    }
    Fields fa, fb;
    if (!value_fields(a, al, true, fa) || !value_fields(bb, al, true, fb)) {
        set_null(r);
        return kBadValue;
    }
    __int128 diff = datetime_total(fa, al) - datetime_total(fb, al);
    Count count{};
    count.negative = diff < 0;
    if (diff < 0)
        diff = -diff;
    if (al.last >= kFractionSlot) {
        const auto micros = static_cast<int64_t>(diff % kMicro);
        diff /= kMicro;
        count.frac[0] = static_cast<int>(micros / 10000);
        count.frac[1] = static_cast<int>(micros / 100 % 100);
        count.frac[2] = static_cast<int>(micros % 100);
    }
    count.whole = static_cast<uint64_t>(diff);
    Layout rl;
    make_layout(rq, true, rl);
    Fields natural{};
    if (const int status = distribute(count, rl, natural); status < 0) {
        set_null(r);
        return status;
    }
    if (target == nullptr) {
        pack_fields(natural, rl, count.negative ? 0 : 1, r);
        return 0;
    }
    // Straight into the caller's qualifier, as INTERVAL to INTERVAL does.
    if (rq != target_qualifier) {
        if (const int status = check_interval_units(rl, *target); status < 0) {
            set_null(r);
            return status;
        }
        Count c = count_fields(natural, rl, count_unit(*target), target->frac_digits);
        Fields out{};
        if (const int status = distribute(c, *target, out); status < 0) {
            set_null(r);
            set_toerrno(status);
            return status;
        }
        natural = out;
    }
    pack_fields(natural, *target, count.negative ? 0 : 1, r);
    return 0;
}

bool is_null_double(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == ~uint64_t{0};
}

double null_double()
{
    const uint64_t bits = ~uint64_t{0};
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int scale_interval(const inv_value *a, const decvalue *b, inv_value *r, bool divide)
{
    Layout al, rl;
    if (checked_layout(a->in_qual, true, al) < 0 || checked_layout(r->in_qual, true, rl) < 0) {
        set_null(&r->in_dec);
        return kBadQualifier;
    }
    if (is_null(&a->in_dec) || is_null(b)) {
        set_null(&r->in_dec);
        return 0;
    }
    if (const int status = check_interval_units(al, rl); status < 0) {
        set_null(&r->in_dec);
        return status;
    }
    Fields f;
    if (!value_fields(&a->in_dec, al, false, f)) {
        set_null(&r->in_dec);
        return kBadValue;
    }
    Count count = count_fields(f, al, count_unit(rl), rl.frac_digits);
    count.negative = is_negative(&a->in_dec);
    decvalue operand, result;
    count_to_decimal(count, &operand);
    const int status = divide ? decdiv(&operand, b, &result) : decmul(&operand, b, &result);
    if (status < 0) {
        set_null(&r->in_dec);
        return status;
    }
    return rdectoinv(&result, &r->in_dec, r->in_qual);
}

int scale_interval_by_double(const inv_value *a, double b, inv_value *r, bool divide)
{
    decvalue factor;
    if (is_null_double(b)) {
        set_null(&factor);
    } else if (const int status = deccvdbl(b, &factor); status < 0) {
        Layout al, rl;
        set_null(&r->in_dec);
        if (!make_layout(a->in_qual, true, al) || !make_layout(r->in_qual, true, rl))
            return kBadQualifier;
        return is_null(&a->in_dec) ? 0 : status;
    }
    return scale_interval(a, &factor, r, divide);
}

// The INTERVAL counted in time slot unit with frac_digits fraction digits,
// in microseconds when unit is the second.
__int128 interval_total(const Fields &f, const Layout &layout, int unit, int frac_digits, bool negative)
{
    const Count c = count_fields(f, layout, unit, frac_digits);
    __int128 total = c.whole;
    if (unit == kSecondSlot)
        total = total * kMicro + c.frac[0] * 10000 + c.frac[1] * 100 + c.frac[2];
    return negative ? -total : total;
}

} // namespace

} // namespace trw::dt

using namespace trw::dt;

extern "C" {

int rdtaddinv(const decvalue *a, int a_qualifier, const decvalue *b, int b_qualifier, decvalue *r)
{
    return add_interval(a, a_qualifier, b, b_qualifier, false, r);
}

int dtaddinv(const dt_value *a, const inv_value *b, dt_value *r)
{
    const int16_t qualifier = a->dt_qual;
    const int status = add_interval(&a->dt_dec, qualifier, &b->in_dec, b->in_qual, false, &r->dt_dec);
    r->dt_qual = qualifier;
    return status;
}

int dtsubinv(const dt_value *a, const inv_value *b, dt_value *r)
{
    const int16_t qualifier = a->dt_qual;
    const int status = add_interval(&a->dt_dec, qualifier, &b->in_dec, b->in_qual, true, &r->dt_dec);
    r->dt_qual = qualifier;
    return status;
}

int rdtsub(const decvalue *a, int a_qualifier, const decvalue *b, int b_qualifier, decvalue *r,
           int *result_qualifier)
{
    int rq = 0;
    const int status = subtract_datetimes(a, a_qualifier, b, b_qualifier, r, rq);
    if (result_qualifier != nullptr)
        *result_qualifier = rq;
    return status;
}

int dtsub(const dt_value *a, const dt_value *b, inv_value *r)
{
    Layout rl;
    if (checked_layout(r->in_qual, true, rl) < 0) {
        set_null(&r->in_dec);
        return kBadQualifier;
    }
    int rq = 0;
    return subtract_datetimes(&a->dt_dec, a->dt_qual, &b->dt_dec, b->dt_qual, &r->in_dec, rq, &rl, r->in_qual);
}

int invmuldec(const inv_value *a, const decvalue *b, inv_value *r)
{
    return scale_interval(a, b, r, false);
}

int invdivdec(const inv_value *a, const decvalue *b, inv_value *r)
{
    return scale_interval(a, b, r, true);
}

int invmuldbl(const inv_value *a, double b, inv_value *r)
{
    return scale_interval_by_double(a, b, r, false);
}

int invdivdbl(const inv_value *a, double b, inv_value *r)
{
    return scale_interval_by_double(a, b, r, true);
}

int invdivinv(const inv_value *a, const inv_value *b, double *r)
{
    Layout al, bl;
    if (checked_layout(a->in_qual, true, al) < 0 || checked_layout(b->in_qual, true, bl) < 0) {
        *r = null_double();
        return kBadQualifier;
    }
    if (is_null(&a->in_dec) || is_null(&b->in_dec)) {
        *r = null_double();
        return 0;
    }
    if ((al.start <= TU_MONTH) != (bl.start <= TU_MONTH)) {
        *r = null_double();
        return kIncompatible;
    }
    Fields fa, fb;
    if (!value_fields(&a->in_dec, al, false, fa) || !value_fields(&b->in_dec, bl, false, fb)) {
        *r = null_double();
        return kBadValue;
    }
    // Both counted in the finer of the two end units.
    const int unit = count_unit(al) > count_unit(bl) ? count_unit(al) : count_unit(bl);
    const int digits = al.frac_digits > bl.frac_digits ? al.frac_digits : bl.frac_digits;
    const __int128 ta = interval_total(fa, al, unit, digits, is_negative(&a->in_dec));
    const __int128 tb = interval_total(fb, bl, unit, digits, is_negative(&b->in_dec));
    if (tb == 0) {
        *r = null_double();
        return DEC_DIVZERO;
    }
    constexpr __int128 kExact = __int128{1} << 53;
    if (ta < kExact && ta > -kExact && tb < kExact && tb > -kExact)
        *r = static_cast<double>(static_cast<int64_t>(ta)) / static_cast<double>(static_cast<int64_t>(tb));
    else
        *r = static_cast<double>(static_cast<long double>(ta) / static_cast<long double>(tb));
    return 0;
}

} // extern "C"
