// The time parser: text read by a %-format into a broken-down time. The
// format is walked once, collecting the fields it reads; they are then
// combined (the 12-hour clock with am/pm, the year from the best of its
// sources), checked, and, in a locale with another calendar, converted to
// Gregorian. The caller's record is written only on success.
#include <algorithm>
#include <cstring>

#include "glcommon.h"
#include "gltime_int.h"

using namespace gls::tm;

namespace {

// What the format has read so far.
struct Fields {
    int64_t frac = 0;
    int sec = 0, min = 0, hour24 = 0, hour12 = 0, mday = 0, mon = 0, monname = 0, yday = 0, wday = 0;
    int64_t year = 0, ey = 0;
    int century = 0, yy = 0, era = -1;
    bool has_frac = false, has_sec = false, has_min = false, has_h24 = false, has_h12 = false, has_pm = false,
         pm = false, has_mday = false, has_mon = false, has_yday = false, has_wday = false, has_year = false,
         has_century = false, has_yy = false, has_ey = false;
};

struct Scan {
    gl_locale *loc;
    const gl_lc_time *t;
    const gl_wchar_t *s;
    Fields f;
    bool eras, alts;
};

constexpr gl_wchar_t kDmy[] = {'%', 'm', '/', '%', 'd', '/', '%', 'y', 0};
constexpr gl_wchar_t kHm[] = {'%', 'H', ':', '%', 'M', 0};
constexpr gl_wchar_t kHms[] = {'%', 'H', ':', '%', 'M', ':', '%', 'S', 0};

void skip_blanks(Scan &c)
{
    while (is_blank(*c.s))
        ++c.s;
}

gl_wchar_t fold(gl_locale *loc, gl_wchar_t w)
{
    if (w < 0x80)
        return w >= 'A' && w <= 'Z' ? w + 32 : w;
    return gl_towlower(loc, w);
}

// Length of the match of name (its leading blanks optional) at s without
// regard to case; -1 when it does not match, 0 for an empty name.
int match_length(gl_locale *loc, const gl_wchar_t *s, const gl_wchar_t *name)
{
    if (name == nullptr)
        return -1;
    while (is_blank(*name))
        ++name;
    int n = 0;
    for (; name[n] != 0; ++n)
        if (s[n] == 0 || fold(loc, s[n]) != fold(loc, name[n]))
            return -1;
    return n;
}

// The longest of the names matching at the cursor, over both lists (the
// index within its list); the cursor moves past it. -1 when none matches.
int match_names(Scan &c, const gl_wchar_t *const *a, int na, const gl_wchar_t *const *b, int nb)
{
    int best = -1, best_len = -1;
    for (int i = 0; i < na + nb; ++i) {
        int len = match_length(c.loc, c.s, i < na ? a[i] : b[i - na]);
        if (len > best_len) {
            best = i < na ? i : i - na;
            best_len = len;
        }
    }
    if (best >= 0)
        c.s += best_len;
    return best;
}

// Alternative digits counted in their base, as long as the value keeps to
// `digits` decimal places; -1 when none is there.
int64_t alt_number(Scan &c, int digits)
{
    int64_t limit = 1;
    for (int i = 0; i < digits && limit < 100000000; ++i)
        limit *= 10;
    int64_t v = -1;
    for (;;) {
        int best = -1, best_len = 0;
        for (int i = 0; i < c.t->alt_digit_count; ++i) {
            const gl_wchar_t *d = c.t->w_alt_digits[i];
            int n = 0;
            while (d[n] != 0 && d[n] == c.s[n])
                ++n;
            if (d[n] == 0 && n > best_len)
                best = i, best_len = n;
        }
        if (best < 0)
            return v;
        int64_t next = (v < 0 ? 0 : v) * c.t->alt_digit_count + best;
        if (next >= limit && v >= 0)
            return v;
        v = next;
        c.s += best_len;
    }
}

// A number of at most `digits` digits (0: any); -1 when no digit is there.
int64_t number(Scan &c, const Conv &cv, int digits)
{
    skip_blanks(c);
    if (cv.prec > 0)
        digits = cv.prec;
    if (cv.mod == 'O' && c.alts && !is_digit(*c.s))
        return alt_number(c, digits);
    int64_t v = 0;
    int n = 0;
    for (; is_digit(*c.s) && (digits == 0 || n < digits); ++n, ++c.s)
        if (v < INT64_C(100000000000))
            v = v * 10 + (*c.s - '0');
    return n > 0 ? v : -1;
}

// Reads a number in [lo, hi] into *out; 0, missing or range.
template <typename T>
int ranged(Scan &c, const Conv &cv, int digits, int64_t lo, int64_t hi, int missing, int range, T *out)
{
    int64_t v = number(c, cv, digits);
    if (v < 0)
        return missing;
    if (v < lo || v > hi)
        return range;
    *out = static_cast<T>(v);
    return 0;
}

int fraction(Scan &c, const Conv &cv)
{
    skip_blanks(c);
    if (cv.mod == 'i' && *c.s == '.')
        ++c.s;
    int most = cv.fdigit > 0 ? cv.fdigit : cv.prec > 0 ? cv.prec : 0;
    int64_t v = 0;
    int n = 0;
    for (; is_digit(*c.s) && (most == 0 || n < most); ++n, ++c.s)
        if (n < 6)
            v = v * 10 + (*c.s - '0');
    if (n == 0)
        return GL_ETMNOFRAC;
    for (int k = n; k < 6; ++k)
        v *= 10;
    c.f.frac = v;
    c.f.has_frac = true;
    return 0;
}

int scan(Scan &c, const gl_wchar_t *fmt, int depth);

int sub_scan(Scan &c, const gl_wchar_t *fmt, int depth)
{
    static constexpr gl_wchar_t empty[] = {0};
    return scan(c, fmt != nullptr ? fmt : empty, depth + 1);
}

int era_name(Scan &c)
{
    skip_blanks(c);
    int n = c.t->era_count;
    int best = -1, best_len = -1;
    for (int i = 0; i < 2 * n; ++i) {
        const gl_lc_era &e = c.loc->era_cache[i % n];
        int len = match_length(c.loc, c.s, i < n ? e.w_name : e.w_abbreviation);
        if (len > best_len)
            best = i % n, best_len = len;
    }
    if (best < 0 || best_len == 0)
        return GL_ETMNOERA;
    c.s += best_len;
    c.f.era = best;
    return 0;
}

bool same_wide(const gl_wchar_t *a, const gl_wchar_t *b)
{
    while (*a != 0 && *a == *b)
        ++a, ++b;
    return *a == *b;
}

// %EY: the year format of the first era whose format reads the text and
// whose name it names.
int era_year_format(Scan &c, int depth)
{
    for (int i = 0; i < c.t->era_count; ++i) {
        Scan trial = c;
        trial.f.era = -1;
        const gl_lc_era &e = c.loc->era_cache[i];
        if (sub_scan(trial, e.w_format, depth) != 0)
            continue;
        if (trial.f.era >= 0 && !same_wide(c.loc->era_cache[trial.f.era].w_name, e.w_name))
            continue;
        c = trial;
        c.f.era = i;
        return 0;
    }
    return GL_ETMNOERA;
}


int era_conversion(Scan &c, const Conv &cv, int depth)
{
    Fields &f = c.f;
    switch (cv.letter) {
    case 'C':
    case 'g': return era_name(c);
    case 'y': {
        Conv n = cv;
        n.mod = 0;
        f.has_ey = true;
        return ranged(c, n, 4, 0, 99999, GL_ETMNOYEAR, GL_ETMNOYEAR, &f.ey);
    }
    case 'Y': return era_year_format(c, depth);
    case 'x':
    case 'X':
    case 'c': return sub_scan(c, locale_format(c.t, cv.letter, true), depth);
    default: return GL_ETMFORMAT;
    }
}

int name_conversion(Scan &c, gl_wchar_t letter)
{
    skip_blanks(c);
    Fields &f = c.f;
    const gl_lc_time *t = c.t;
    if (letter == 'a' || letter == 'A') {
        int i = match_names(c, t->w_day, 7, t->w_abday, 7);
        if (i < 0)
            return GL_ETMBADWDAY;
        f.wday = i;
        f.has_wday = true;
        return 0;
    }
    if (letter == 'p') {
        const gl_wchar_t *ampm[2] = {t->w_am, t->w_pm};
        int i = match_names(c, ampm, 2, nullptr, 0);
        if (i < 0)
            return GL_ETMNOMATCH;
        f.pm = i == 1;
        f.has_pm = true;
        return 0;
    }
    int i = match_names(c, t->w_mon, t->mon_count, t->w_abmon, t->abmon_count);
    if (i < 0)
        return GL_ETMNOMONNAME;
    f.monname = i;
    f.mon = calendar(c.loc) == GL_CAL_HEBREW ? -1 : i;
    f.has_mon = true;
    return 0;
}

int conversion(Scan &c, Conv cv, int depth)
{
    if (cv.mod == 'E' && !c.eras)
        cv.mod = 0;
    if (cv.mod == 'O' && !c.alts)
        cv.mod = 0;
    if (cv.mod == 'E')
        return era_conversion(c, cv, depth);
    Fields &f = c.f;
    int e = 0;
    switch (cv.letter) {
    case '%':
        skip_blanks(c);
        if (*c.s != '%')
            return GL_ETMNOMATCH;
        ++c.s;
        return 0;
    case 'n':
    case 't':
        if (!is_space(*c.s))
            return GL_ETMNOMATCH;
        while (is_space(*c.s))
            ++c.s;
        return 0;
    case 'a': case 'A': case 'b': case 'B': case 'h': case 'p': return name_conversion(c, cv.letter);
    case 'F': return fraction(c, cv);
    case 'd':
    case 'e': e = ranged(c, cv, 2, 1, 31, GL_ETMNODAY, GL_ETMDAY, &f.mday), f.has_mday = e == 0; return e;
    case 'H': e = ranged(c, cv, 2, 0, 23, GL_ETMNOHOUR, GL_ETMHOUR, &f.hour24), f.has_h24 = e == 0; return e;
    case 'I': e = ranged(c, cv, 2, 1, 12, GL_ETMNOHOUR, GL_ETMHOUR, &f.hour12), f.has_h12 = e == 0; return e;
    case 'M': e = ranged(c, cv, 2, 0, 59, GL_ETMNOMIN, GL_ETMMIN, &f.min), f.has_min = e == 0; return e;
    case 'S': e = ranged(c, cv, 2, 0, 59, GL_ETMNOSEC, GL_ETMSEC, &f.sec), f.has_sec = e == 0; return e;
    case 'j':
        // A leap year of the Hebrew calendar has up to 385 days, and the
        // formatter writes them: what it writes reads back.
        e = ranged(c, cv, 3, 1, calendar(c.loc) == GL_CAL_HEBREW ? 385 : 366, GL_ETMYDAY, GL_ETMYDAY, &f.yday);
        f.yday -= e == 0 ? 1 : 0;
        f.has_yday = f.has_yday || e == 0;
        return e;
    case 'm': {
        int m = 0;
        e = ranged(c, cv, 2, 1, c.t->mon_count, GL_ETMNOMON, GL_ETMMON, &m);
        if (e == 0)
            f.mon = f.monname = m - 1, f.has_mon = true;
        return e;
    }
    case 'Y': e = ranged(c, cv, 4, 0, 9999, GL_ETMNOYEAR, GL_EBADARG, &f.year), f.has_year = e == 0; return e;
    case 'y': e = ranged(c, cv, 2, 0, 99, GL_ETMNOYEAR, GL_EBADARG, &f.yy), f.has_yy = e == 0; return e;
    case 'C':
    case 'g': e = ranged(c, cv, 2, 0, 99, GL_ETMNOYEAR, GL_ETMYEAR, &f.century), f.has_century = e == 0; return e;
    case 'w': e = ranged(c, cv, 1, 0, 6, GL_ETMBADWDAY, GL_EBADARG, &f.wday), f.has_wday = e == 0; return e;
    case 'u':
        e = ranged(c, cv, 1, 1, 7, GL_ETMBADWDAY, GL_ETMWDAY, &f.wday);
        f.wday %= 7;
        f.has_wday = f.has_wday || e == 0;
        return e;
    case 'D': return sub_scan(c, kDmy, depth);
    case 'R': return sub_scan(c, kHm, depth);
    case 'T': return sub_scan(c, kHms, depth);
    case 'x': case 'X': case 'c': case 'r': return sub_scan(c, locale_format(c.t, cv.letter, false), depth);
    default: return GL_ETMFORMAT;
    }
}

int scan(Scan &c, const gl_wchar_t *fmt, int depth)
{
    if (depth > kMaxDepth)
        return GL_ETMFORMAT;
    for (const gl_wchar_t *p = fmt; *p != 0;) {
        if (is_blank(*p)) {
            while (is_blank(*p))
                ++p;
            skip_blanks(c);
            continue;
        }
        if (*p != '%') {
            skip_blanks(c);
            if (*c.s != *p)
                return GL_ETMNOMATCH;
            ++c.s;
            ++p;
            continue;
        }
        ++p;
        Conv cv;
        gl_wchar_t l = *p;
        if (((l >= 'a' && l <= 'z') || (l >= 'A' && l <= 'Z')) && l != 'E' && l != 'O' && l != 'i' && l != 'F') {
            // A plain conversion: no flag, width, precision or modifier.
            cv.letter = l;
            ++p;
        } else if (int e = parse_conversion(p, cv)) {
            return e;
        }
        if (int e = conversion(c, cv, depth))
            return e;
    }
    return 0;
}

// ---- combining the fields ----------------------------------------------------------------

// The year of the era read, searching the later entries of the same name
// when the date falls outside the first; 0 or 42.
int era_year_of(const Scan &c, int month, int day, int64_t *year)
{
    const Fields &f = c.f;
    const gl_lc_era &named = c.loc->era_cache[f.era];
    for (int i = f.era; i < c.t->era_count; ++i) {
        const gl_lc_era &e = c.loc->era_cache[i];
        if (i != f.era && !same_wide(e.w_name, named.w_name))
            continue;
        Era era = era_at(c.loc, i);
        int64_t y = f.has_ey ? year_of_era(era, f.ey, month, day) : era.start_year;
        if (!f.has_ey || era_holds(era, y, month, day)) {
            *year = y;
            return 0;
        }
    }
    return GL_ETMNOERA;
}

// The year (full) by the order of preference of its sources; 0, or an
// error number; *found false when no source was read.
int combine_year(const Scan &c, const gl_caltm &r, int century_rule, int64_t *year, bool *found)
{
    const Fields &f = c.f;
    *found = true;
    if (f.has_year) {
        *year = f.year;
    } else if (f.has_century && f.has_yy) {
        *year = f.century * 100 + f.yy;
    } else if (f.era >= 0) {
        int m = std::clamp(r.tm_mon, 0, 11);
        int d = std::clamp(r.tm_mday, 1, 31);
        return era_year_of(c, f.has_mon ? std::max(0, f.mon >= 0 ? f.mon : f.monname) : m, f.has_mday ? f.mday : d,
                           year);
    } else if (f.has_yy) {
        int cy = gl_getcentury(c.loc, f.has_mon ? std::clamp(f.monname + 1, 1, 12) : 1, f.has_mday ? f.mday : 1,
                               f.yy, century_rule);
        if (cy < 0)
            return gls::error_of(c.loc);
        *year = cy * 100 + f.yy;
    } else if (f.has_century) {
        *year = f.century * 100;
    } else {
        *found = false;
    }
    return 0;
}

int check_gregorian(gl_caltm &r, const Fields &f, bool all)
{
    int64_t year = static_cast<int64_t>(r.tm_year) + 1900;
    bool valid = year >= 0 && year <= 9999 && valid_gregorian(year, r.tm_mon, r.tm_mday);
    if (all && !valid)
        return year < 0 || year > 9999 ? GL_ETMYEAR : r.tm_mon < 0 || r.tm_mon > 11 ? GL_ETMMON : GL_ETMDAY;
    if (!valid)
        return 0;
    int64_t s = serial_of(year, r.tm_mon, r.tm_mday);
    int wday = weekday_of_serial(s);
    if (f.has_wday && all && f.wday != wday)
        return GL_ETMBADWDAY;
    if (!f.has_wday)
        r.tm_wday = wday;
    if (!f.has_yday)
        r.tm_yday = yearday(year, r.tm_mon, r.tm_mday);
    return 0;
}

// The date fields read, on top of the caller's date in r (in the locale's
// calendar when it has another one).
void apply_date(const Fields &f, bool has_year, int64_t year, gl_caltm &r)
{
    if (f.has_yday)
        r.tm_yday = f.yday;
    if (f.has_mday)
        r.tm_mday = f.mday;
    if (f.has_wday)
        r.tm_wday = f.wday;
    if (f.has_mon) {
        r.tm_mon = f.mon;
        r.tm_monname = f.monname;
    }
    if (has_year)
        r.tm_year = static_cast<int32_t>(year - 1900);
}

// Fields into the record r, which holds the caller's values. A local date
// is read on top of the caller's date converted to the locale's calendar
// and converted back.
int combine(Scan &c, gl_caltm &r, int century_rule)
{
    const Fields &f = c.f;
    if (f.has_frac)
        r.tm_fraction = f.frac;
    if (f.has_sec)
        r.tm_sec = f.sec;
    if (f.has_min)
        r.tm_min = f.min;
    if (f.has_h12)
        r.tm_hour = f.has_pm ? f.hour12 % 12 + (f.pm ? 12 : 0) : f.hour12;
    else if (f.has_h24)
        r.tm_hour = f.hour24;
    int64_t year = 0;
    bool has_year = false;
    gl_caltm merged = r;
    apply_date(f, false, 0, merged);
    if (int e = combine_year(c, merged, century_rule, &year, &has_year))
        return e;
    if (has_year && (year < 0 || year > 9999))
        return GL_ETMYEAR;
    bool any = f.has_mday || f.has_mon || has_year;
    bool all = f.has_mday && f.has_mon && has_year;
    if (!any || calendar(c.loc) == GL_CAL_GREGORIAN) {
        apply_date(f, has_year, year, r);
        return any ? check_gregorian(r, f, all) : 0;
    }
    gl_caltm local{};
    if (gl_cal_gregorian_to_local(c.loc, &r, &local) == 0)
        r = local;
    apply_date(f, has_year, year, r);
    // A date the calendar cannot convert is refused, read in full or in
    // part: a record left in the locale's calendar is no Gregorian date.
    gl_caltm g{};
    if (gl_cal_local_to_gregorian(c.loc, &r, &g) != 0) {
        if (r.tm_mon < -1 || r.tm_mon >= c.t->mon_count)
            return GL_ETMMON;
        return all || !has_year ? GL_ETMDAY : GL_ETMYEAR;
    }
    if (f.has_wday && all && f.wday != g.tm_wday)
        return GL_ETMBADWDAY;
    if (f.has_wday)
        g.tm_wday = f.wday;
    r = g;
    return 0;
}

// Parses wide text; the characters consumed, or -1 with the error set.
int run(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t *format_text, gl_tm *rec, int century_rule)
{
    if (loc->time == nullptr) {
        gls::set_error(loc, GL_EBADARG);
        return -1;
    }
    Scan c{loc, loc->time, text, {}, loc->era_cache != nullptr && loc->time->era_count > 0,
           loc->time->alt_digit_count > 1};
    int e = scan(c, format_text, 0);
    gl_caltm r{rec->tm_fraction, rec->tm_sec, rec->tm_min, rec->tm_hour, rec->tm_mday, rec->tm_mon, rec->tm_mon,
               rec->tm_year, rec->tm_wday, rec->tm_yday, rec->tm_isdst, rec->tm_glword1, rec->tm_glword2};
    e = e ? e : combine(c, r, century_rule);
    if (e != 0) {
        gls::set_error(loc, e);
        return -1;
    }
    *rec = {r.tm_fraction, r.tm_sec, r.tm_min, r.tm_hour, r.tm_mday, r.tm_mon, r.tm_year, r.tm_wday,
            r.tm_yday, r.tm_isdst, r.tm_glword1, r.tm_glword2};
    gls::set_error(loc, 0);
    return static_cast<int>(c.s - text);
}

int null_argument(gl_locale *loc, const void *text, const void *format_text, const gl_tm *rec)
{
    if (format_text == nullptr)
        return GL_ETMNULLFMT;
    return loc == nullptr || text == nullptr || rec == nullptr ? GL_ENULLARG : 0;
}

} // namespace

extern "C" gl_wchar_t *gl_wcsptime(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t *format_text, gl_tm *rec,
                                   int century)
{
    if (int e = null_argument(loc, text, format_text, rec)) {
        gls::set_error(loc, e);
        return nullptr;
    }
    int n = run(loc, text, format_text, rec, century);
    return n < 0 ? nullptr : const_cast<gl_wchar_t *>(text + n);
}

extern "C" char *gl_mbsptime(gl_locale *loc, const char *text, const char *format_text, gl_tm *rec, int century)
{
    if (int e = null_argument(loc, text, format_text, rec)) {
        gls::set_error(loc, e);
        return nullptr;
    }
    WideText wide_text, wide_format;
    int e = wide_format.assign(loc, format_text, false);
    e = e ? e : wide_text.assign(loc, text, true);
    if (e != 0) {
        gls::set_error(loc, e);
        return nullptr;
    }
    int n = run(loc, wide_text.data(), wide_format.data(), rec, century);
    if (n < 0)
        return nullptr;
    const char *p = text;
    if (byte_per_char(loc))
        p += n;
    else
        for (int i = 0; i < n; ++i)
            p += gl_full_mblen(loc, p, -1);
    return const_cast<char *>(p);
}
