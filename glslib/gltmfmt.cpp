// The time formatter: a broken-down time written by a %-format with the
// names, formats, eras and alternative digits of the locale's TIME
// category. The work is done on wide characters; the multibyte form converts
// the format in and the result out.
//
// A date of a locale with another calendar is converted to that calendar on
// the first conversion that needs a date field, so that formats of the time
// of day alone never depend on the date fields.
#include <algorithm>
#include <cstring>

#include "glcommon.h"
#include "gltime_int.h"

using namespace gls::tm;

namespace {

// Output of wide characters up to a limit; grows a heap buffer when the
// caller's buffer is not written directly.
class Sink {
public:
    Sink(gl_wchar_t *buf, int cap, int limit, bool grows) : buf_(buf), cap_(cap), limit_(limit), grows_(grows) {}
    Sink(const Sink &) = delete;
    Sink &operator=(const Sink &) = delete;
    ~Sink()
    {
        if (owned_)
            _gl_ext_free(buf_);
    }
    // Room for n more characters; 0, 14 or 3.
    int reserve(int n)
    {
        if (n <= cap_ - len_)
            return 0;
        if (!grows_ || n > limit_ - len_)
            return GL_E2BIG;
        int cap = std::min(limit_, std::max(cap_ * 2, len_ + n));
        auto *b = static_cast<gl_wchar_t *>(_gl_ext_malloc(sizeof(gl_wchar_t) * (static_cast<size_t>(cap) + 1)));
        if (b == nullptr)
            return GL_ENOMEM;
        std::memcpy(b, buf_, sizeof(gl_wchar_t) * static_cast<size_t>(len_));
        if (owned_)
            _gl_ext_free(buf_);
        buf_ = b;
        cap_ = cap;
        owned_ = true;
        return 0;
    }
    // n characters written by the caller after a successful reserve(n).
    gl_wchar_t *extend(int n)
    {
        gl_wchar_t *p = buf_ + len_;
        len_ += n;
        return p;
    }
    int put(gl_wchar_t c)
    {
        if (len_ == cap_)
            if (int e = reserve(1))
                return e;
        buf_[len_++] = c;
        return 0;
    }
    int put(const gl_wchar_t *s, int n)
    {
        if (int e = reserve(n))
            return e;
        if (n <= 8)
            for (int i = 0; i < n; ++i)
                buf_[len_ + i] = s[i];
        else
            std::memcpy(buf_ + len_, s, sizeof(gl_wchar_t) * static_cast<size_t>(n));
        len_ += n;
        return 0;
    }
    // Pads the text written since start to width columns.
    int pad(gl_locale *loc, int start, int width, bool left)
    {
        int w = 0;
        for (int i = start; i < len_ && w < width; ++i) {
            gl_wchar_t c = buf_[i];
            w += c >= 0x20 && c < 0x7f ? 1 : std::max(0, gl_wcwidth(loc, c));
        }
        if (w >= width)
            return 0;
        int k = width - w;
        if (int e = reserve(k))
            return e;
        if (!left)
            std::memmove(buf_ + start + k, buf_ + start, sizeof(gl_wchar_t) * static_cast<size_t>(len_ - start));
        std::fill_n(buf_ + (left ? len_ : start), k, gl_wchar_t{' '});
        len_ += k;
        return 0;
    }
    int length() const { return len_; }
    gl_wchar_t *data()
    {
        buf_[len_] = 0;
        return buf_;
    }

private:
    gl_wchar_t *buf_;
    int cap_, limit_;
    bool grows_;
    bool owned_ = false;
    int len_ = 0;
};

constexpr gl_wchar_t kEmpty[] = {0};

struct Ctx {
    gl_locale *loc;
    const gl_lc_time *t;
    Sink &out;
    gl_caltm greg;
    gl_caltm local;
    int local_state = 0; // 0 not yet converted, -1 converted, else the error
    bool eras, alts;
    int cal = GL_CAL_GREGORIAN; // the locale's calendar
};

// Error number of a Gregorian date the calendars cannot take; 0 when valid.
int check_date(const gl_caltm &g)
{
    int64_t year = static_cast<int64_t>(g.tm_year) + 1900;
    if (g.tm_mon < 0 || g.tm_mon > 11)
        return GL_ETMMON;
    if (!valid_gregorian(year, g.tm_mon, g.tm_mday))
        return GL_ETMDAY;
    if (year < 0 || year > 9999)
        return GL_ETMYEAR;
    return 0;
}

// The record in the locale's calendar, or null with *error set.
const gl_caltm *local_date(Ctx &c, int *error)
{
    if (c.cal == GL_CAL_GREGORIAN)
        return &c.greg;
    if (c.local_state == 0) {
        int e = check_date(c.greg);
        if (e == 0 && gl_cal_gregorian_to_local(c.loc, &c.greg, &c.local) != 0)
            e = c.cal == GL_CAL_HEBREW || c.cal == GL_CAL_ISLAMIC ? GL_ETMYEAR : GL_EBADARG;
        c.local_state = e != 0 ? e : -1;
    }
    if (c.local_state > 0) {
        *error = c.local_state;
        return nullptr;
    }
    return &c.local;
}

int put_alt(Ctx &c, int64_t v)
{
    int base = c.t->alt_digit_count;
    int digits[64];
    int n = 0;
    uint64_t u = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    do {
        digits[n++] = static_cast<int>(u % static_cast<uint64_t>(base));
        u /= static_cast<uint64_t>(base);
    } while (u != 0);
    if (v < 0)
        if (int e = c.out.put('-'))
            return e;
    while (n-- > 0) {
        const gl_wchar_t *d = c.t->w_alt_digits[digits[n]];
        if (int e = c.out.put(d, wide_len(d)))
            return e;
    }
    return 0;
}

int put_number(Ctx &c, const Conv &cv, int64_t v, int defprec)
{
    if (cv.mod == 'O' && c.alts)
        return put_alt(c, v);
    uint64_t u = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    int sign = v < 0 ? 1 : 0;
    int prec = cv.prec >= 0 ? cv.prec : defprec;
    if (cv.zero && !cv.left && cv.width - sign > prec)
        prec = cv.width - sign;
    if (u < 100 && sign == 0 && prec <= 2) {
        // The common case of one or two digits.
        int n = u >= 10 || prec == 2 ? 2 : 1;
        if (int e = c.out.reserve(n))
            return e;
        gl_wchar_t *p = c.out.extend(n);
        if (n == 2)
            *p++ = static_cast<gl_wchar_t>('0' + u / 10);
        *p = static_cast<gl_wchar_t>('0' + u % 10);
        return 0;
    }
    gl_wchar_t digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<gl_wchar_t>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    int zeros = std::max(0, prec - n);
    if (int e = c.out.reserve(sign + zeros + n))
        return e;
    gl_wchar_t *p = c.out.extend(sign + zeros + n);
    if (sign)
        *p++ = '-';
    p = std::fill_n(p, zeros, gl_wchar_t{'0'});
    while (n-- > 0)
        *p++ = digits[n];
    return 0;
}

// A name cut to the precision in display columns.
int put_name(Ctx &c, const Conv &cv, const gl_wchar_t *s)
{
    if (s == nullptr)
        s = kEmpty;
    int n = 0, w = 0;
    for (; s[n] != 0; ++n) {
        int cw = s[n] >= 0x20 && s[n] < 0x7f ? 1 : std::max(0, gl_wcwidth(c.loc, s[n]));
        if (cv.prec >= 0 && w + cw > cv.prec)
            break;
        w += cw;
    }
    return c.out.put(s, n);
}

// A number in range [lo, hi] or the error number.
int ranged(Ctx &c, const Conv &cv, int64_t v, int64_t lo, int64_t hi, int error, int64_t shown, int defprec)
{
    if (v < lo || v > hi)
        return error;
    return put_number(c, cv, shown, defprec);
}

int format(Ctx &c, const gl_wchar_t *fmt, int depth);

int sub_format(Ctx &c, const gl_wchar_t *fmt, int depth)
{
    return format(c, fmt != nullptr ? fmt : kEmpty, depth + 1);
}

// Hour, minute and second as "%H:%M" or "%H:%M:%S", each part by cv.
int clock_time(Ctx &c, const Conv &cv, bool seconds)
{
    const gl_caltm &g = c.greg;
    if (g.tm_hour < 0 || g.tm_hour > 23)
        return GL_ETMHOUR;
    if (g.tm_min < 0 || g.tm_min > 59)
        return GL_ETMMIN;
    if (seconds && (g.tm_sec < 0 || g.tm_sec > 59))
        return GL_ETMSEC;
    Conv part;
    part.prec = cv.prec;
    int e = put_number(c, part, g.tm_hour, 2);
    e = e ? e : c.out.put(':');
    e = e ? e : put_number(c, part, g.tm_min, 2);
    if (seconds) {
        e = e ? e : c.out.put(':');
        e = e ? e : put_number(c, part, g.tm_sec, 2);
    }
    return e;
}

int fraction(Ctx &c, const Conv &cv)
{
    int64_t f = c.greg.tm_fraction;
    if (f < 0 || f > 999999)
        return GL_ETMFRAC;
    int prec = cv.fdigit > 0 ? cv.fdigit : cv.prec >= 0 ? cv.prec : cv.mod == 'i' ? 2 : 6;
    if (cv.mod == 'i')
        if (int e = c.out.put('.'))
            return e;
    if (prec == 0)
        return 0;
    Conv digits;
    int kept = std::min(prec, 6);
    for (int i = kept; i < 6; ++i)
        f /= 10;
    digits.prec = kept;
    if (int e = put_number(c, digits, f, kept))
        return e;
    for (int i = 6; i < prec; ++i)
        if (int e = c.out.put('0'))
            return e;
    return 0;
}

// %EC %Eg %Ey %EY on the Gregorian date.
int era_conversion(Ctx &c, const Conv &cv, int depth)
{
    const gl_caltm &g = c.greg;
    int64_t year = static_cast<int64_t>(g.tm_year) + 1900;
    if (year < 0 || year > 9999)
        return GL_ETMYEAR;
    if (int e = check_date(g))
        return e;
    int i = era_of_date(c.loc, year, g.tm_mon, g.tm_mday);
    if (i < 0)
        return GL_EBADARG;
    const gl_lc_era &era = c.loc->era_cache[i];
    switch (cv.letter) {
    case 'C': return put_name(c, cv, era.w_name);
    case 'g': return put_name(c, cv, era.w_abbreviation);
    case 'y': {
        Conv n = cv;
        n.mod = 0;
        return put_number(c, n, era_year(era_at(c.loc, i), year, g.tm_mon, g.tm_mday), 2);
    }
    default: return sub_format(c, era.w_format, depth);
    }
}

// Conversions on the date in the locale's calendar.
int date_conversion(Ctx &c, const Conv &cv)
{
    int error = 0;
    const gl_caltm *d = local_date(c, &error);
    if (d == nullptr)
        return error;
    int64_t year = static_cast<int64_t>(d->tm_year) + 1900;
    int months = c.t->mon_count;
    int max_yday = c.cal == GL_CAL_HEBREW ? 384 : 365;
    switch (cv.letter) {
    case 'a':
    case 'A':
        if (d->tm_wday < 0 || d->tm_wday > 6)
            return GL_ETMWDAY;
        return put_name(c, cv, cv.letter == 'a' ? c.t->w_abday[d->tm_wday] : c.t->w_day[d->tm_wday]);
    case 'b':
    case 'h':
    case 'B': {
        bool full = cv.letter == 'B';
        if (d->tm_monname < 0 || d->tm_monname >= (full ? months : c.t->abmon_count))
            return GL_ETMMON;
        return put_name(c, cv, full ? c.t->w_mon[d->tm_monname] : c.t->w_abmon[d->tm_monname]);
    }
    case 'C':
    case 'g': return ranged(c, cv, year, 0, 9999, GL_ETMYEAR, year / 100, 2);
    case 'd': return ranged(c, cv, d->tm_mday, 1, 99, GL_ETMDAY, d->tm_mday, 2);
    case 'e':
        if (d->tm_mday < 1 || d->tm_mday > 99)
            return GL_ETMDAY;
        if (cv.prec < 0 && d->tm_mday < 10 && !(cv.mod == 'O' && c.alts))
            if (int e = c.out.put(' '))
                return e;
        return put_number(c, cv, d->tm_mday, 1);
    case 'j': return ranged(c, cv, d->tm_yday, 0, max_yday, GL_ETMYDAY, int64_t{d->tm_yday} + 1, 3);
    case 'm': return ranged(c, cv, d->tm_mon, 0, months - 1, GL_ETMMON, int64_t{d->tm_mon} + 1, 2);
    case 'u': return ranged(c, cv, d->tm_wday, 0, 6, GL_ETMWDAY, d->tm_wday == 0 ? 7 : d->tm_wday, 1);
    case 'w': return ranged(c, cv, d->tm_wday, 0, 6, GL_ETMWDAY, d->tm_wday, 1);
    case 'y': {
        if (cv.mod == 'i' && (year < 0 || year > 9999))
            return GL_ETMYEAR;
        return put_number(c, cv, (year % 100 + 100) % 100, 2);
    }
    case 'Y': return ranged(c, cv, year < 0 ? -year : year, 0, 9999, GL_ETMYEAR, year < 0 ? -year : year, 4);
    default: { // D
        if (d->tm_mon < 0 || d->tm_mon >= months)
            return GL_ETMMON;
        if (d->tm_mday < 1 || d->tm_mday > 99)
            return GL_ETMDAY;
        if (year < 0 || year > 9999)
            return GL_ETMYEAR;
        Conv part;
        part.prec = cv.prec;
        int e = put_number(c, part, d->tm_mon + 1, 2);
        e = e ? e : c.out.put('/');
        e = e ? e : put_number(c, part, d->tm_mday, 2);
        e = e ? e : c.out.put('/');
        return e ? e : put_number(c, part, year % 100, 2);
    }
    }
}


int conversion(Ctx &c, Conv cv, int depth)
{
    if (cv.mod == 'E' && !c.eras)
        cv.mod = 0;
    if (cv.mod == 'O' && !c.alts)
        cv.mod = 0;
    gl_wchar_t l = cv.letter;
    if (cv.mod == 'E') {
        if (l == 'C' || l == 'g' || l == 'y' || l == 'Y')
            return era_conversion(c, cv, depth);
        if (l == 'x' || l == 'X' || l == 'c')
            return sub_format(c, locale_format(c.t, l, true), depth);
        return GL_ETMFORMAT;
    }
    if (cv.mod == 'O' && (l > 0x7f || std::strchr("HIMSdemwyY", static_cast<int>(l)) == nullptr))
        return GL_ETMFORMAT;
    const gl_caltm &g = c.greg;
    switch (l) {
    case '%': return c.out.put('%');
    case 'n': return c.out.put('\n');
    case 't': return c.out.put('\t');
    case 'F': return fraction(c, cv);
    case 'H': return ranged(c, cv, g.tm_hour, 0, 23, GL_ETMHOUR, g.tm_hour, 2);
    case 'I': return ranged(c, cv, g.tm_hour, 0, 23, GL_ETMHOUR, g.tm_hour % 12 == 0 ? 12 : g.tm_hour % 12, 2);
    case 'M': return ranged(c, cv, g.tm_min, 0, 59, GL_ETMMIN, g.tm_min, 2);
    case 'S': return ranged(c, cv, g.tm_sec, 0, 59, GL_ETMSEC, g.tm_sec, 2);
    case 'p':
        if (g.tm_hour < 0 || g.tm_hour > 23)
            return GL_ETMHOUR;
        return put_name(c, cv, g.tm_hour < 12 ? c.t->w_am : c.t->w_pm);
    case 'R': return clock_time(c, cv, false);
    case 'T': return clock_time(c, cv, true);
    case 'x':
    case 'X':
    case 'c':
    case 'r': return sub_format(c, locale_format(c.t, l, false), depth);
    case 'a': case 'A': case 'b': case 'h': case 'B': case 'C': case 'g': case 'd': case 'e':
    case 'j': case 'm': case 'u': case 'w': case 'y': case 'Y': case 'D':
        return date_conversion(c, cv);
    default: return GL_ETMFORMAT;
    }
}

int format(Ctx &c, const gl_wchar_t *fmt, int depth)
{
    if (depth > kMaxDepth)
        return GL_ETMFORMAT;
    for (const gl_wchar_t *p = fmt; *p != 0;) {
        if (*p != '%') {
            const gl_wchar_t *q = p;
            while (*q != 0 && *q != '%')
                ++q;
            if (int e = c.out.put(p, static_cast<int>(q - p)))
                return e;
            p = q;
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
        int start = c.out.length();
        if (int e = conversion(c, cv, depth))
            return e;
        if (cv.width > 0)
            if (int e = c.out.pad(c.loc, start, cv.width, cv.left))
                return e;
    }
    return 0;
}

// Formats into out; 0 or an error number.
int run(gl_locale *loc, Sink &out, const gl_wchar_t *format_text, const gl_tm *rec)
{
    if (loc->time == nullptr)
        return GL_EBADARG;
    Ctx c{loc, loc->time, out, {}, {}, 0, false, false};
    gl_caltm &g = c.greg;
    g.tm_fraction = rec->tm_fraction;
    g.tm_sec = rec->tm_sec;
    g.tm_min = rec->tm_min;
    g.tm_hour = rec->tm_hour;
    g.tm_mday = rec->tm_mday;
    g.tm_mon = g.tm_monname = rec->tm_mon;
    g.tm_year = rec->tm_year;
    g.tm_wday = rec->tm_wday;
    g.tm_yday = rec->tm_yday;
    g.tm_isdst = rec->tm_isdst;
    c.eras = loc->era_cache != nullptr && loc->time->era_count > 0;
    c.alts = loc->time->alt_digit_count > 1;
    c.cal = loc->time->calendar;
    return format(c, format_text, 0);
}

int null_argument(gl_locale *loc, const void *out, const void *format_text, const gl_tm *rec)
{
    if (format_text == nullptr)
        return GL_ETMNULLFMT;
    return loc == nullptr || out == nullptr || rec == nullptr ? GL_ENULLARG : 0;
}

} // namespace

extern "C" int gl_wcsftime(gl_locale *loc, gl_wchar_t *out, int size, const gl_wchar_t *format_text,
                           const gl_tm *rec)
{
    int e = null_argument(loc, out, format_text, rec);
    if (e == 0 && size <= 0)
        e = GL_E2BIG;
    if (e == 0) {
        Sink sink(out, size - 1, size - 1, false);
        e = run(loc, sink, format_text, rec);
        if (e == 0) {
            sink.data();
            gls::set_error(loc, 0);
            return sink.length();
        }
    }
    if (out != nullptr && size > 0)
        out[0] = 0;
    gls::set_error(loc, e);
    return 0;
}

extern "C" int gl_mbsftime(gl_locale *loc, char *out, int size, const char *format_text, const gl_tm *rec)
{
    int e = null_argument(loc, out, format_text, rec);
    int term = loc != nullptr ? std::max(1, gl_mb_loc_min(loc)) : 1;
    if (e == 0 && size < term)
        e = GL_E2BIG;
    int written = -1;
    if (e == 0) {
        WideText wide_format;
        e = wide_format.assign(loc, format_text, false);
        gl_wchar_t small[256];
        Sink sink(small, std::min(255, size - term), size - term, true);
        e = e ? e : run(loc, sink, wide_format.data(), rec);
        if (e == 0)
            e = narrow(loc, sink.data(), out, size, &written);
    }
    if (e == 0 && written >= 0) {
        gls::set_error(loc, 0);
        return written;
    }
    if (out != nullptr && size >= term)
        std::memset(out, 0, static_cast<size_t>(term));
    gls::set_error(loc, e);
    return 0;
}
