// DATETIME and INTERVAL values: the qualifier check, packing and unpacking,
// the value check, the current time, extension, DATE and broken-down time
// conversions, INTERVAL counts and INTERVAL to INTERVAL conversion, unit
// names and descriptions. The working form (Layout, Fields) is described in
// dtint.h; days are counted with the closed-form day counts of daycount.h.
#include <sys/time.h>

#include <cctype>
#include <cstring>
#include <ctime>

#include "daycount.h"
#include "dtint.h"
#include "gentcb.h"
#include "rdateint.h"
#include "osenv.h"

namespace trw::dt {

namespace {

constexpr int kNullDate = INT32_MIN;

constexpr int64_t kPow10[11] = {1,          10,          100,          1000,          10000,         100000,
                                1000000,    10000000,    100000000,    1000000000,    10000000000LL};

bool valid_start(int code) { return code <= 12 && code % 2 == 0; }
bool valid_end(int code) { return code <= 15 && (code % 2 == 0 || code >= 11); }

int slot_of_end(int end) { return end <= 10 ? end / 2 : kFractionSlot + (end - 11) / 2; }

int byte_of_slot(const Layout &layout, int slot)
{
    return slot == layout.first ? 0 : layout.first_bytes + (slot - layout.first) - 1;
}

} // namespace

bool make_layout(int qualifier, bool interval, Layout &out)
{
    if (qualifier <= 0 || qualifier > 0x7FFF)
        return false;
    const int length = TU_LEN(qualifier), start = TU_START(qualifier), end = TU_END(qualifier);
    if (!valid_start(start) || !valid_end(end))
        return false;
    if (end < start && !(start == TU_FRAC && end == TU_F1))
        return false;
    const int precision = length - end + start;
    if (interval) {
        if (start == TU_FRAC ? precision != 2 : (precision < 1 || precision > 9))
            return false;
        if (start <= TU_MONTH && end >= TU_DAY)
            return false;
    } else if (precision != TU_DEFPREC(start)) {
        return false;
    }
    out.length = length;
    out.start = start;
    out.end = end;
    out.precision = precision;
    out.first = start / 2;
    out.last = slot_of_end(end);
    out.first_bytes = (precision + 1) / 2;
    out.nbytes = out.first_bytes + (out.last - out.first);
    out.exponent = (length - end + 11) / 2;
    out.frac_digits = end > 10 ? end - 10 : 0;
    out.interval = interval;
    return true;
}

int checked_layout(int qualifier, bool interval, Layout &out)
{
    if (make_layout(qualifier, interval, out))
        return 0;
    set_toerrno(kBadQualifier);
    return kBadQualifier;
}

void set_null(decvalue *dec)
{
    dec->sign = -1;
    dec->exponent = 0;
    dec->ndigits = 0;
}

bool unpack_pairs(const decvalue *dec, const Layout &layout, unsigned char *bytes)
{
    std::memset(bytes, 0, DT_UNPACKED);
    if (is_null(dec))
        return false;
    const int count = dec->ndigits < 0 ? 0 : (dec->ndigits > DEC_NPAIRS ? DEC_NPAIRS : dec->ndigits);
    const int shift = layout.exponent - dec->exponent;
    bool outside = false;
    for (int i = 0; i < count; ++i) {
        const unsigned char digit = dec->digits[i] > 99 ? 99 : dec->digits[i];
        if (digit == 0)
            continue;
        const int pos = shift + i;
        if (pos < 0 || pos >= layout.nbytes) {
            outside = true;
            continue;
        }
        bytes[pos] = digit;
    }
    if (layout.precision % 2 == 1 && bytes[0] > 9)
        outside = true;
    if (layout.frac_digits % 2 == 1 && bytes[layout.nbytes - 1] % 10 != 0)
        outside = true;
    return outside;
}

void pairs_to_fields(const unsigned char *bytes, const Layout &layout, Fields &fields)
{
    int64_t first = 0;
    for (int i = 0; i < layout.first_bytes; ++i)
        first = first * 100 + bytes[i];
    fields.v[layout.first] = first;
    for (int slot = layout.first + 1; slot <= layout.last; ++slot)
        fields.v[slot] = bytes[byte_of_slot(layout, slot)];
}

bool fields_to_pairs(const Fields &fields, const Layout &layout, unsigned char *bytes)
{
    std::memset(bytes, 0, DT_UNPACKED);
    int64_t first = fields.v[layout.first];
    if (first < 0 || first >= kPow10[layout.precision])
        return false;
    for (int i = layout.first_bytes - 1; i >= 0; --i) {
        bytes[i] = static_cast<unsigned char>(first % 100);
        first /= 100;
    }
    for (int slot = layout.first + 1; slot <= layout.last; ++slot) {
        const int64_t value = fields.v[slot];
        if (value < 0 || value > 99)
            return false;
        bytes[byte_of_slot(layout, slot)] = static_cast<unsigned char>(value);
    }
    if (layout.frac_digits % 2 == 1) {
        unsigned char &low = bytes[layout.nbytes - 1];
        low = static_cast<unsigned char>(low - low % 10);
    }
    return true;
}

bool fields_valid(const Fields &f, const Layout &layout, bool datetime)
{
    constexpr int64_t kLimit[kSlots] = {0, 12, 0, 24, 60, 60, 100, 100, 100};
    for (int slot = layout.first; slot <= layout.last; ++slot) {
        const int64_t value = f.v[slot];
        if (value < 0)
            return false;
        if (slot == layout.first && !datetime)
            continue; // an INTERVAL's first field has no other limit
        if (datetime && slot == 0) {
            if (value < 1 || value > 9999)
                return false;
        } else if (datetime && slot == 1) {
            if (value < 1 || value > 12)
                return false;
        } else if (datetime && slot == 2) {
            int days = 31;
            if (layout.first <= 1)
                days = layout.first == 0 ? days::month_length(f.v[0], static_cast<int>(f.v[1]))
                                         : days::month_length(kYearlessYear, static_cast<int>(f.v[1]));
            if (value < 1 || value > days)
                return false;
        } else if (kLimit[slot] != 0 && value >= kLimit[slot]) {
            return false;
        }
    }
    return true;
}

bool pack_fields(const Fields &fields, const Layout &layout, int sign, decvalue *dec)
{
    unsigned char bytes[DT_UNPACKED];
    if (!fields_to_pairs(fields, layout, bytes)) {
        set_null(dec);
        return false;
    }
    decload(dec, sign, layout.exponent, bytes, layout.nbytes);
    return true;
}

bool value_fields(const decvalue *dec, const Layout &layout, bool datetime, Fields &fields)
{
    unsigned char bytes[DT_UNPACKED];
    if (unpack_pairs(dec, layout, bytes))
        return false;
    pairs_to_fields(bytes, layout, fields);
    if (datetime && is_negative(dec) && dec->ndigits > 0)
        return false;
    return fields_valid(fields, layout, datetime);
}

Count count_fields(const Fields &fields, const Layout &layout, int unit, int frac_digits)
{
    Count count{};
    if (layout.first < kFractionSlot) {
        uint64_t whole = static_cast<uint64_t>(fields.v[layout.first]);
        for (int slot = layout.first + 1; slot <= unit; ++slot)
            whole = whole * static_cast<uint64_t>(kSlotBase[slot]) +
                    (slot <= layout.last ? static_cast<uint64_t>(fields.v[slot]) : 0);
        count.whole = whole;
    }
    if (unit == kSecondSlot) {
        for (int k = 0; k < 3; ++k) {
            const int slot = kFractionSlot + k;
            const bool kept = 2 * k < frac_digits && slot >= layout.first && slot <= layout.last;
            count.frac[k] = kept ? static_cast<int>(fields.v[slot]) : 0;
        }
        if (frac_digits % 2 == 1)
            count.frac[frac_digits / 2] -= count.frac[frac_digits / 2] % 10;
    }
    return count;
}

int distribute(const Count &count, const Layout &layout, Fields &fields)
{
    uint64_t whole = count.whole;
    const int unit = count_unit(layout);
    if (layout.first >= kFractionSlot) {
        if (whole != 0)
            return kOverflow;
    } else {
        for (int slot = unit; slot > layout.first; --slot) {
            const auto base = static_cast<uint64_t>(kSlotBase[slot]);
            fields.v[slot] = static_cast<int64_t>(whole % base);
            whole /= base;
        }
        if (whole >= static_cast<uint64_t>(kPow10[layout.precision]))
            return kOverflow;
        fields.v[layout.first] = static_cast<int64_t>(whole);
    }
    for (int slot = kFractionSlot; slot <= layout.last; ++slot)
        if (slot >= layout.first)
            fields.v[slot] = count.frac[slot - kFractionSlot];
    return 0;
}

int count_to_decimal(const Count &count, decvalue *dec)
{
    unsigned char pairs[16];
    unsigned char whole_pairs[10];
    int nwhole = 0;
    for (uint64_t whole = count.whole; whole != 0; whole /= 100)
        whole_pairs[nwhole++] = static_cast<unsigned char>(whole % 100);
    int n = 0;
    for (int i = nwhole - 1; i >= 0; --i)
        pairs[n++] = whole_pairs[i];
    for (int k = 0; k < 3; ++k)
        pairs[n++] = static_cast<unsigned char>(count.frac[k]);
    return decload(dec, count.negative ? 0 : 1, nwhole, pairs, n);
}

int decimal_to_count(const decvalue *dec, Count &count)
{
    count = Count{};
    // A record in normal form is read as it is; any other is normalised.
    bool normal = dec->ndigits >= 0 && dec->ndigits <= DEC_NPAIRS && (dec->ndigits == 0 || dec->digits[0] != 0);
    for (int i = 0; normal && i < dec->ndigits; ++i)
        normal = dec->digits[i] <= 99;
    decvalue norm;
    if (normal && dec->ndigits > 0) {
        norm = *dec;
        norm.sign = dec->sign == 0 ? 0 : 1;
    } else {
        const int nd = dec->ndigits < 0 ? 0 : (dec->ndigits > DEC_NPAIRS ? DEC_NPAIRS : dec->ndigits);
        decload(&norm, dec->sign == 0 ? 0 : 1, dec->exponent, dec->digits, nd);
    }
    count.negative = norm.sign == 0;
    if (norm.ndigits == 0)
        return 0;
    if (norm.exponent > 10)
        return kOverflow;
    unsigned __int128 whole = 0;
    for (int i = 0; i < norm.exponent; ++i)
        whole = whole * 100 + (i < norm.ndigits ? norm.digits[i] : 0);
    if (whole > static_cast<unsigned __int128>(INT64_MAX))
        return kOverflow;
    count.whole = static_cast<uint64_t>(whole);
    for (int k = 0; k < 3; ++k) {
        const int i = norm.exponent + k;
        count.frac[k] = i >= 0 && i < norm.ndigits ? norm.digits[i] : 0;
    }
    return 0;
}

int check_interval_units(const Layout &from, const Layout &to)
{
    const bool from_ym = from.start <= TU_MONTH, to_ym = to.start <= TU_MONTH;
    if (from_ym != to_ym || unit_rank(to.end) < unit_rank(from.start))
        return kIncompatible;
    return 0;
}

bool dbtoday_offset(inv_value *offset)
{
    if (!trw::date::dbtoday_in_force())
        return false;
    const struct gentcb *block = CheckGenInit();
    offset->in_qual = block->gt_dbtoday_invqual;
    offset->in_dec = block->gt_dbtoday_inv;
    return true;
}

namespace {

const Layout &current_layout()
{
    static const Layout layout = [] {
        Layout l{};
        make_layout(DT_YEAR_TO_FRAC5, false, l);
        return l;
    }();
    return layout;
}

const Layout &year_to_day_layout()
{
    static const Layout layout = [] {
        Layout l{};
        make_layout(DT_YEAR_TO_DAY, false, l);
        return l;
    }();
    return layout;
}

// Fields of a YEAR TO FRACTION(5) value from a local time and microseconds.
void local_fields(const std::tm &tm, int64_t micros, Fields &f)
{
    f.v[0] = tm.tm_year + 1900;
    f.v[1] = tm.tm_mon + 1;
    f.v[2] = tm.tm_mday;
    f.v[3] = tm.tm_hour;
    f.v[4] = tm.tm_min;
    f.v[5] = tm.tm_sec > 59 ? 59 : tm.tm_sec; // a leap second stays in its minute
    f.v[6] = micros / 10000;
    f.v[7] = micros % 10000 / 100;
    f.v[8] = micros % 100 / 10 * 10;
}

bool local_time_value(std::time_t t, int64_t micros, decvalue *out)
{
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr)
        return false;
    Fields f{};
    local_fields(tm, micros, f);
    if (!fields_valid(f, current_layout(), true)) {
        set_null(out);
        return false;
    }
    return pack_fields(f, current_layout(), 1, out);
}

// The current time's fields, for the units extension takes from it.
bool current_fields(Fields &f)
{
    decvalue now;
    if (rdtcurrent(&now) < 0)
        return false;
    unsigned char bytes[DT_UNPACKED];
    unpack_pairs(&now, current_layout(), bytes);
    pairs_to_fields(bytes, current_layout(), f);
    return true;
}

int extend(const decvalue *src, const Layout &from, decvalue *dst, const Layout &to)
{
    if (is_null(src)) {
        set_null(dst);
        return 0;
    }
    Fields source{}, now{}, target{};
    if (!value_fields(src, from, true, source)) {
        set_null(dst);
        return kBadValue;
    }
    if (to.first < from.first && !current_fields(now)) {
        set_null(dst);
        return kBadValue;
    }
    for (int slot = to.first; slot <= to.last; ++slot) {
        if (slot < from.first)
            target.v[slot] = now.v[slot];
        else if (slot <= from.last)
            target.v[slot] = source.v[slot];
        else
            target.v[slot] = slot == 1 || slot == 2 ? 1 : 0;
    }
    // A day taken over into a month from the current time may not exist.
    if (!fields_valid(target, to, true) || !pack_fields(target, to, 1, dst)) {
        set_null(dst);
        return kBadValue;
    }
    return 0;
}

int date_to_year_to_day(int date, decvalue *out)
{
    if (date < days::kFirstDay || date > days::kLastDay)
        return -1210;
    const days::Civil civil = days::to_civil(date);
    Fields f{};
    f.v[0] = civil.year;
    f.v[1] = civil.month;
    f.v[2] = civil.day;
    pack_fields(f, year_to_day_layout(), 1, out);
    return 0;
}

} // namespace

} // namespace trw::dt

using namespace trw::dt;

extern "C" {

int _chk_qual(int is_interval, int qualifier)
{
    Layout layout;
    return checked_layout(qualifier, is_interval != 0, layout);
}

int dtpack(decvalue *dec, int qualifier, const unsigned char *bytes, int sign)
{
    Layout layout;
    // DATETIME and INTERVAL qualifiers pack the same way.
    if (!make_layout(qualifier, false, layout) && !make_layout(qualifier, true, layout)) {
        set_toerrno(kBadQualifier);
        set_null(dec);
        return kBadQualifier;
    }
    unsigned char run[DT_UNPACKED];
    std::memcpy(run, bytes, static_cast<size_t>(layout.nbytes));
    if (layout.frac_digits % 2 == 1)
        run[layout.nbytes - 1] = static_cast<unsigned char>(run[layout.nbytes - 1] - run[layout.nbytes - 1] % 10);
    return decload(dec, sign, layout.exponent, run, layout.nbytes);
}

int dtunpack(const decvalue *dec, int qualifier, unsigned char *bytes)
{
    Layout layout;
    if (!make_layout(qualifier, false, layout) && !make_layout(qualifier, true, layout)) {
        set_toerrno(kBadQualifier);
        std::memset(bytes, 0, DT_UNPACKED);
        return kBadQualifier;
    }
    unpack_pairs(dec, layout, bytes);
    return 0;
}

int chk_dtinv(const decvalue *dec, int qualifier, int is_datetime)
{
    Layout layout;
    if (const int status = checked_layout(qualifier, is_datetime == 0, layout); status < 0)
        return status;
    if (is_null(dec))
        return 0;
    Fields fields;
    return value_fields(dec, layout, is_datetime != 0, fields) ? 0 : kBadValue;
}

int daysinmonth(const unsigned char *bytes, int day_position)
{
    if (day_position <= 0)
        return 31;
    if (day_position > DT_UNPACKED - 1)
        day_position = DT_UNPACKED - 1;
    const int month = bytes[day_position - 1];
    if (month < 1 || month > 12)
        return 0;
    if (day_position < 3)
        return trw::days::month_length(kYearlessYear, month);
    return trw::days::month_length(bytes[day_position - 3] * 100 + bytes[day_position - 2], month);
}

int rdtcurrent(decvalue *dec)
{
    inv_value offset;
    const bool has_offset = dbtoday_offset(&offset);
    if (const struct gentcb *block = CheckGenInit(); block != nullptr && block->gt_dtfixedset != 0) {
        *dec = block->gt_dtfixed;
        return DT_YEAR_TO_FRAC5;
    }
    struct timeval tv {};
    gettimeofday(&tv, nullptr);
    if (!local_time_value(tv.tv_sec, tv.tv_usec, dec))
        return kBadValue;
    if (has_offset) {
        decvalue moved;
        if (rdtaddinv(dec, DT_YEAR_TO_FRAC5, &offset.in_dec, offset.in_qual, &moved) == 0)
            *dec = moved;
    }
    return DT_YEAR_TO_FRAC5;
}

int dtcurrent(dt_value *dt)
{
    Layout layout;
    if (!make_layout(dt->dt_qual, false, layout)) {
        set_toerrno(0);
        dt->dt_qual = DT_YEAR_TO_FRAC3;
        make_layout(DT_YEAR_TO_FRAC3, false, layout);
    }
    decvalue now;
    if (const int status = rdtcurrent(&now); status < 0) {
        set_null(&dt->dt_dec);
        return status;
    }
    return extend(&now, current_layout(), &dt->dt_dec, layout);
}

int rdtsetcurr(const decvalue *dec)
{
    struct gentcb *block = CheckGenInit();
    if (block == nullptr)
        return -406;
    if (dec == nullptr) {
        block->gt_dtfixedset = 0;
        return 0;
    }
    Fields fields;
    if (is_null(dec) || !value_fields(dec, current_layout(), true, fields))
        return kBadValue;
    pack_fields(fields, current_layout(), 1, &block->gt_dtfixed);
    block->gt_dtfixedset = 1;
    return 0;
}

time_t rutccurrent(void)
{
    return std::time(nullptr);
}

int rdatetime(time_t t, int qualifier, decvalue *out)
{
    Layout layout;
    if (const int status = checked_layout(qualifier, false, layout); status < 0) {
        set_null(out);
        return status;
    }
    decvalue local;
    if (!local_time_value(t, 0, &local)) {
        set_null(out);
        return kBadValue;
    }
    return extend(&local, current_layout(), out, layout);
}

int rdtextend(const decvalue *src, int src_qualifier, decvalue *dst, int dst_qualifier)
{
    Layout from, to;
    if (checked_layout(src_qualifier, false, from) < 0 || checked_layout(dst_qualifier, false, to) < 0) {
        set_null(dst);
        return kBadQualifier;
    }
    return extend(src, from, dst, to);
}

int dtextend(const dt_value *src, dt_value *dst)
{
    return rdtextend(&src->dt_dec, src->dt_qual, &dst->dt_dec, dst->dt_qual);
}

int rdttodate(const decvalue *dt, int qualifier, int *date)
{
    Layout from;
    if (const int status = checked_layout(qualifier, false, from); status < 0)
        return status;
    if (is_null(dt)) {
        *date = kNullDate;
        return 0;
    }
    decvalue ymd;
    if (const int status = extend(dt, from, &ymd, year_to_day_layout()); status < 0)
        return status;
    unsigned char bytes[DT_UNPACKED];
    unpack_pairs(&ymd, year_to_day_layout(), bytes);
    Fields f;
    pairs_to_fields(bytes, year_to_day_layout(), f);
    if (f.v[0] < 1 || f.v[0] > 9999)
        return -1204;
    if (f.v[1] < 1 || f.v[1] > 12)
        return -1205;
    if (f.v[2] < 1 || f.v[2] > trw::days::month_length(f.v[0], static_cast<int>(f.v[1])))
        return -1206;
    *date = static_cast<int>(trw::days::from_civil(f.v[0], static_cast<int>(f.v[1]), static_cast<int>(f.v[2])));
    return 0;
}

int rdatedt(int date, decvalue *out, int qualifier)
{
    Layout to;
    if (const int status = checked_layout(qualifier, false, to); status < 0) {
        set_null(out);
        return status;
    }
    if (date == kNullDate) {
        set_null(out);
        return 0;
    }
    decvalue ymd;
    if (const int status = date_to_year_to_day(date, &ymd); status < 0) {
        set_null(out);
        return status;
    }
    return extend(&ymd, year_to_day_layout(), out, to);
}

int rinvtodec(const decvalue *inv, int qualifier, decvalue *count)
{
    Layout layout;
    if (const int status = checked_layout(qualifier, true, layout); status < 0) {
        set_null(count);
        return status;
    }
    if (is_null(inv)) {
        set_null(count);
        return 0;
    }
    Fields f;
    if (!value_fields(inv, layout, false, f)) {
        set_null(count);
        return kBadValue;
    }
    Count c = count_fields(f, layout, count_unit(layout), layout.frac_digits);
    c.negative = is_negative(inv);
    return count_to_decimal(c, count);
}

int rdectoinv(const decvalue *count, decvalue *out, int qualifier)
{
    Layout layout;
    if (const int status = checked_layout(qualifier, true, layout); status < 0) {
        set_null(out);
        return status;
    }
    if (is_null(count)) {
        set_null(out);
        return 0;
    }
    Count c;
    Fields f{};
    int status = decimal_to_count(count, c);
    if (status == 0) {
        // Truncate the fraction to the end unit's digits.
        const int keep = layout.frac_digits;
        for (int k = 0; k < 3; ++k)
            if (2 * k >= keep)
                c.frac[k] = 0;
        if (keep % 2 == 1)
            c.frac[keep / 2] -= c.frac[keep / 2] % 10;
        status = distribute(c, layout, f);
    }
    if (status < 0) {
        set_null(out);
        set_toerrno(status);
        return status;
    }
    pack_fields(f, layout, c.negative ? 0 : 1, out);
    return 0;
}

int rinvcopy(const decvalue *src, int src_qualifier, decvalue *dst, int dst_qualifier)
{
    Layout from, to;
    if (checked_layout(src_qualifier, true, from) < 0 || checked_layout(dst_qualifier, true, to) < 0) {
        set_null(dst);
        return kBadQualifier;
    }
    if (is_null(src)) {
        set_null(dst);
        return 0;
    }
    Fields f;
    if (!value_fields(src, from, false, f)) {
        set_null(dst);
        return kBadValue;
    }
    if (src_qualifier == dst_qualifier)
        return pack_fields(f, to, is_negative(src) ? 0 : 1, dst) ? 0 : kOverflow;
    if (const int status = check_interval_units(from, to); status < 0) {
        set_null(dst);
        return status;
    }
    const Count c = count_fields(f, from, count_unit(to), to.frac_digits);
    Fields out{};
    if (const int status = distribute(c, to, out); status < 0) {
        set_null(dst);
        set_toerrno(status);
        return status;
    }
    pack_fields(out, to, is_negative(src) ? 0 : 1, dst);
    return 0;
}

int invextend(const inv_value *src, inv_value *dst)
{
    return rinvcopy(&src->in_dec, src->in_qual, &dst->in_dec, dst->in_qual);
}

int tmtodtdec(const gl_tm *tm, dt_value *dt)
{
    Layout layout;
    if (const int status = checked_layout(dt->dt_qual, false, layout); status < 0) {
        set_null(&dt->dt_dec);
        return status;
    }
    if (layout.first == 0 && tm->tm_year == -1900)
        return -1;
    const int64_t us = tm->tm_fraction;
    if (us < 0 || us > 999999) {
        set_null(&dt->dt_dec);
        return kBadValue;
    }
    const int64_t all[kSlots] = {int64_t{tm->tm_year} + 1900, int64_t{tm->tm_mon} + 1, tm->tm_mday,
                                 tm->tm_hour, tm->tm_min, tm->tm_sec, us / 10000, us % 10000 / 100, us % 100};
    Fields f{};
    for (int slot = layout.first; slot <= layout.last; ++slot)
        f.v[slot] = all[slot];
    if (layout.frac_digits % 2 == 1)
        f.v[layout.last] -= f.v[layout.last] % 10;
    if (!fields_valid(f, layout, true)) {
        set_null(&dt->dt_dec);
        return kBadValue;
    }
    pack_fields(f, layout, 1, &dt->dt_dec);
    return 0;
}

int dtdectotm(const dt_value *dt, gl_tm *tm)
{
    Layout layout;
    if (const int status = checked_layout(dt->dt_qual, false, layout); status < 0)
        return status;
    if (is_null(&dt->dt_dec))
        return -1;
    unsigned char bytes[DT_UNPACKED];
    unpack_pairs(&dt->dt_dec, layout, bytes);
    Fields f{};
    f.v[2] = 1;
    if (layout.first > 0)
        f.v[0] = 1900;
    if (layout.first > 1)
        f.v[1] = 1;
    Fields read{};
    pairs_to_fields(bytes, layout, read);
    for (int slot = layout.first; slot <= layout.last; ++slot)
        f.v[slot] = read.v[slot];
    std::memset(tm, 0, sizeof *tm);
    tm->tm_year = static_cast<int32_t>(f.v[0] - 1900);
    tm->tm_mon = static_cast<int32_t>(f.v[1] - 1);
    tm->tm_mday = static_cast<int32_t>(f.v[2]);
    tm->tm_hour = static_cast<int32_t>(f.v[3]);
    tm->tm_min = static_cast<int32_t>(f.v[4]);
    tm->tm_sec = static_cast<int32_t>(f.v[5]);
    tm->tm_fraction = f.v[6] * 10000 + f.v[7] * 100 + f.v[8];
    if (layout.first == 0 && layout.last >= 2 && f.v[1] >= 1 && f.v[1] <= 12) {
        const int64_t day = trw::days::from_civil(f.v[0], static_cast<int>(f.v[1]), static_cast<int>(f.v[2]));
        tm->tm_wday = trw::days::weekday(day);
        tm->tm_yday = static_cast<int32_t>(day - trw::days::from_civil(f.v[0], 1, 1));
    }
    return 0;
}

const char *rtuname(int unit)
{
    static constexpr const char *kNames[] = {"year", "", "month", "", "day", "", "hour", "", "minute", "", "second"};
    if (unit >= 0 && unit <= 10)
        return kNames[unit];
    return unit >= 11 && unit <= 15 ? "fraction" : "";
}

int rtudesc(int sqltype, int qualifier, char *out)
{
    const int type = sqltype & 0xFF;
    Layout layout;
    if ((type != DT_SQLTYPE_DATETIME && type != DT_SQLTYPE_INTERVAL) ||
        checked_layout(qualifier, type == DT_SQLTYPE_INTERVAL, layout) < 0)
        return kBadQualifier;
    char *p = out;
    auto put = [&p](const char *text) {
        const size_t n = std::strlen(text);
        std::memcpy(p, text, n);
        p += n;
    };
    put(rtuname(layout.start));
    if (layout.interval && layout.precision != TU_DEFPREC(layout.start)) {
        *p++ = '(';
        *p++ = static_cast<char>('0' + layout.precision);
        *p++ = ')';
    }
    put(" to ");
    put(rtuname(layout.end));
    if (layout.end > 10) {
        *p++ = '(';
        *p++ = static_cast<char>('0' + layout.end - 10);
        *p++ = ')';
    }
    return static_cast<int>(p - out);
}

int get_usedtenv(void)
{
    struct gentcb *block = CheckGenInit();
    if (block == nullptr) {
        const char *value = ggetenv("USE_DTENV");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }
    if (block->gt_usedtenv == 0) {
        const char *value = ggetenv("USE_DTENV");
        block->gt_usedtenv = value != nullptr && std::strcmp(value, "1") == 0 ? 1 : 2;
    }
    return block->gt_usedtenv == 1;
}

int strisblank(const char *text)
{
    if (text == nullptr)
        return 1;
    for (; *text != '\0'; ++text)
        if (!std::isspace(static_cast<unsigned char>(*text)))
            return 0;
    return 1;
}

} // extern "C"
