// The locale's time information: eras resolved for the date arithmetic,
// the time-information lists, the stored formats, the century of two-digit
// years and the fixed "today" of tests.
//
// Era definitions follow the POSIX convention that a year -n is n years
// before year 1 (there is no year 0): it is the astronomical year 1 - n
// here, so that the Thai Buddhist era "-543/01/01" makes 2024 the year 2567.
// An era whose end lies before its start ("-*", or an earlier end date) runs
// back in time: it holds the days from its end to its start and its years
// count away from the start.
#include <algorithm>
#include <climits>
#include <cstring>

#include "glcommon.h"
#include "gltime_int.h"

namespace gls::tm {

namespace {

int64_t astronomical(int year) { return year < 0 ? static_cast<int64_t>(year) + 1 : year; }

// Whether the end field of a definition (its fourth ':' field) is "-*".
bool runs_back_openly(const char *definition)
{
    const char *p = definition;
    for (int i = 0; i < 3 && p != nullptr; ++i) {
        p = std::strchr(p, ':');
        if (p != nullptr)
            ++p;
    }
    return p != nullptr && p[0] == '-' && p[1] == '*';
}

} // namespace

int calendar(gl_locale *loc)
{
    return loc != nullptr && loc->time != nullptr ? loc->time->calendar : GL_CAL_GREGORIAN;
}

int wide_len(const gl_wchar_t *s)
{
    int n = 0;
    while (s[n] != 0)
        ++n;
    return n;
}

Era era_at(gl_locale *loc, int i)
{
    const gl_lc_era &c = loc->era_cache[i];
    Era e{};
    e.direction = c.direction;
    e.offset = c.offset;
    e.start_year = astronomical(c.start_year);
    e.start_md = c.start_month * 100 + c.start_day;
    int sd = std::min(c.start_day, month_length(e.start_year, c.start_month - 1));
    e.start = serial_of(e.start_year, c.start_month - 1, sd);
    if (c.open_end) {
        e.backward = runs_back_openly(loc->time->era[i]);
        e.lo = e.backward ? INT64_MIN : e.start;
        e.hi = e.backward ? e.start : INT64_MAX;
        return e;
    }
    int64_t ey = astronomical(c.end_year);
    int ed = std::min(c.end_day, month_length(ey, c.end_month - 1));
    int64_t end = serial_of(ey, c.end_month - 1, ed);
    e.backward = end < e.start;
    e.lo = e.backward ? end : e.start;
    e.hi = e.backward ? e.start : end;
    return e;
}

bool era_holds(const Era &e, int64_t year, int month, int day)
{
    int64_t s = serial_of(year, month, day);
    return s >= e.lo && s <= e.hi;
}

int era_of_date(gl_locale *loc, int64_t year, int month, int day)
{
    if (loc->era_cache == nullptr)
        return -1;
    for (int i = 0; i < loc->time->era_count; ++i)
        if (era_holds(era_at(loc, i), year, month, day))
            return i;
    return -1;
}

int64_t era_year(const Era &e, int64_t year, int month, int day)
{
    int md = (month + 1) * 100 + day;
    if (e.backward)
        return e.offset + e.direction * (e.start_year - year) - (md > e.start_md ? 1 : 0);
    return e.offset + e.direction * (year - e.start_year) - (md < e.start_md ? 1 : 0);
}

int64_t year_of_era(const Era &e, int64_t ey, int month, int day)
{
    int md = (month + 1) * 100 + day;
    if (e.backward)
        return e.start_year - e.direction * (ey - e.offset + (md > e.start_md ? 1 : 0));
    return e.start_year + e.direction * (ey - e.offset + (md < e.start_md ? 1 : 0));
}

} // namespace gls::tm

using namespace gls::tm;

// ---- lists and formats --------------------------------------------------------------------

namespace {

// A newly allocated list of copies of n strings; 0 or GL_ENOMEM.
int copy_list(char *const *src, int n, char ***list)
{
    char **out = static_cast<char **>(_gl_ext_malloc(sizeof(char *) * static_cast<size_t>(n)));
    if (out == nullptr)
        return GL_ENOMEM;
    for (int i = 0; i < n; ++i) {
        size_t len = std::strlen(src[i]);
        out[i] = static_cast<char *>(_gl_ext_malloc(len + 1));
        if (out[i] == nullptr) {
            while (i-- > 0)
                _gl_ext_free(out[i]);
            _gl_ext_free(out);
            return GL_ENOMEM;
        }
        std::memcpy(out[i], src[i], len + 1);
    }
    *list = out;
    return 0;
}

} // namespace

extern "C" int gl_mbstimeinfo(gl_locale *loc, int item, char ***list, int *count)
{
    if (loc == nullptr || list == nullptr || count == nullptr) {
        gls::set_error(loc, GL_ENULLARG);
        return -1;
    }
    const gl_lc_time *t = loc->time;
    if (t == nullptr || item < 1 || item > 8) {
        gls::set_error(loc, GL_EBADARG);
        return -1;
    }
    char *small[14];
    char *const *src = small;
    int n = 0;
    switch (item) {
    case 1: src = t->day, n = 7; break;
    case 2: src = t->abday, n = 7; break;
    case 3: src = t->mon, n = t->mon_count; break;
    case 4: src = t->abmon, n = t->abmon_count; break;
    case 7: src = t->alt_digits, n = t->alt_digit_count; break;
    case 8: small[0] = t->am, small[1] = t->pm, n = 2; break;
    default: {
        n = loc->era_cache != nullptr ? t->era_count : 0;
        char **names = n > 0 ? static_cast<char **>(_gl_ext_malloc(sizeof(char *) * static_cast<size_t>(n)))
                             : nullptr;
        if (n > 0 && names == nullptr) {
            gls::set_error(loc, GL_ENOMEM);
            return -1;
        }
        for (int i = 0; i < n; ++i)
            names[i] = item == 5 ? loc->era_cache[i].name : loc->era_cache[i].abbreviation;
        int e = n > 0 ? copy_list(names, n, list) : GL_EBADARG;
        _gl_ext_free(names);
        if (e != 0) {
            gls::set_error(loc, e);
            return -1;
        }
        *count = n;
        return 0;
    }
    }
    if (n <= 0 || src == nullptr) {
        gls::set_error(loc, GL_EBADARG);
        return -1;
    }
    if (int e = copy_list(src, n, list)) {
        gls::set_error(loc, e);
        return -1;
    }
    *count = n;
    return 0;
}

extern "C" const char *gl_get_ltime_fmts(gl_locale *loc, int item)
{
    const gl_lc_time *t = loc != nullptr ? loc->time : nullptr;
    if (t == nullptr)
        return "";
    const char *s = nullptr;
    switch (item) {
    case 0: s = t->d_t_fmt; break;
    case 61: s = t->d_fmt; break;
    case 62: s = t->t_fmt; break;
    case 63: s = t->t_fmt_ampm; break;
    case 67: s = t->era_d_fmt; break;
    case 68: s = t->era_d_t_fmt; break;
    case 69: s = t->era_t_fmt; break;
    default: break;
    }
    return s != nullptr ? s : "";
}

extern "C" int gl_get_era_count(gl_locale *loc)
{
    if (loc == nullptr)
        return -1;
    return loc->time != nullptr ? loc->time->era_count : 0;
}

// ---- today and the century of two-digit years ---------------------------------------------

namespace {

struct TestDate {
    bool set;
    int day, month, year;
};
TestDate g_test_date{};

// Today as full year, month 0..11, day; false when the clock fails.
bool today(int64_t *year, int *month, int *day)
{
    if (g_test_date.set) {
        *year = g_test_date.year;
        *month = g_test_date.month - 1;
        *day = g_test_date.day;
    } else {
        gl_ext_date d{};
        if (_gl_ext_currdate(&d) != 0)
            return false;
        *year = d.year;
        *month = d.month - 1;
        *day = d.day;
    }
    return *month >= 0 && *month <= 11 && *day >= 1 && *day <= month_length(*year, *month);
}

int64_t candidate(int64_t year, int month, int day)
{
    if (month == 1 && day == 29 && !leap_year(year))
        day = 28;
    return serial_of(year, month, day);
}

int64_t distance(int64_t a, int64_t b) { return a > b ? a - b : b - a; }

} // namespace

extern "C" void gl_set_current_time(int day, int month, int year)
{
    g_test_date = {true, day, month, year};
}

extern "C" void gl_reset_time(void) { g_test_date.set = false; }

extern "C" int gl_getcentury(gl_locale *loc, int month, int day, int year, int rule)
{
    if (calendar(loc) != GL_CAL_GREGORIAN)
        return gl_alt_getcentury(loc, month, day, year, rule);
    int fail = month < 0 || month > 12 ? GL_ETMMON
             : day < 0 || day > 31     ? GL_ETMDAY
             : year < 0 || year > 9999 ? GL_ETMYEAR
                                       : 0;
    if (fail == 0 && day > 0 && month > 0 && day > month_length(2000, month - 1))
        fail = GL_ETMDAY;
    if (fail != 0) {
        gls::set_error(loc, fail);
        return -1;
    }
    if (year > 99)
        return year / 100;
    int64_t ty;
    int tm, td;
    if (!today(&ty, &tm, &td)) {
        gls::set_error(loc, GL_EBADARG);
        return -1;
    }
    int c = static_cast<int>(ty / 100);
    if (rule != 'C' && rule != 'F' && rule != 'P')
        return c;
    int m = month > 0 ? month - 1 : tm, d = day > 0 ? day : td;
    if (day == 0 && month > 0)
        d = std::min(d, month_length(2000, m));
    int64_t t = serial_of(ty, tm, td);
    int64_t d0 = candidate(c * 100 + year, m, d), dm = candidate((c - 1) * 100 + year, m, d),
            dp = candidate((c + 1) * 100 + year, m, d);
    if (rule == 'F')
        return d0 > t ? c : c + 1;
    if (rule == 'P')
        return d0 < t ? c : c - 1;
    int64_t a0 = distance(d0, t), am = distance(dm, t), ap = distance(dp, t);
    if (a0 < am && a0 < ap)
        return c;
    if (am < ap && am <= a0)
        return c - 1;
    return c + 1;
}

// ---- shared pieces of the formatter and the parser ----------------------------------------

namespace gls::tm {

int parse_conversion(const gl_wchar_t *&p, Conv &c)
{
    constexpr int kMaxField = 1 << 20;
    for (;; ++p) {
        if (*p == '-')
            c.left = true;
        else if (*p == '0')
            c.zero = true;
        else
            break;
    }
    for (; is_digit(*p); ++p)
        c.width = std::min(kMaxField, c.width * 10 + static_cast<int>(*p - '0'));
    if (*p == '.') {
        c.prec = 0;
        for (++p; is_digit(*p); ++p)
            c.prec = std::min(kMaxField, c.prec * 10 + static_cast<int>(*p - '0'));
    }
    if (*p == 'E' || *p == 'O')
        c.mod = *p++;
    else if (*p == 'i' && (p[1] == 'Y' || p[1] == 'y' || p[1] == 'F'))
        c.mod = *p++;
    c.letter = *p;
    if (c.letter == 0)
        return GL_ETMFORMAT;
    ++p;
    if (c.letter == 'F' && is_digit(*p)) {
        c.fdigit = static_cast<int>(*p++ - '0');
        if (c.fdigit < 1 || c.fdigit > 5)
            return GL_ETMFORMAT;
    }
    return 0;
}

const gl_wchar_t *locale_format(const gl_lc_time *t, gl_wchar_t letter, bool era)
{
    const gl_wchar_t *e = nullptr, *plain = nullptr;
    switch (letter) {
    case 'x': e = t->w_era_d_fmt, plain = t->w_d_fmt; break;
    case 'X': e = t->w_era_t_fmt, plain = t->w_t_fmt; break;
    case 'c': e = t->w_era_d_t_fmt, plain = t->w_d_t_fmt; break;
    default: plain = t->w_t_fmt_ampm; break;
    }
    return era && e != nullptr && e[0] != 0 ? e : plain;
}

int WideText::reserve(int cap)
{
    if (cap <= cap_)
        return 0;
    auto *d = static_cast<gl_wchar_t *>(_gl_ext_malloc(sizeof(gl_wchar_t) * static_cast<size_t>(cap)));
    if (d == nullptr)
        return GL_ENOMEM;
    std::memcpy(d, data_, sizeof(gl_wchar_t) * static_cast<size_t>(len_));
    if (data_ != small_)
        _gl_ext_free(data_);
    data_ = d;
    cap_ = cap;
    return 0;
}

WideText::~WideText()
{
    if (data_ != small_)
        _gl_ext_free(data_);
}

bool byte_per_char(const gl_locale *loc)
{
    return loc->class_trie != nullptr && loc->single_byte && loc->class_map != nullptr;
}

int narrow(gl_locale *loc, const gl_wchar_t *w, char *out, int size, int *written)
{
    int term = std::max(1, gl_mb_loc_min(loc));
    bool single = byte_per_char(loc);
    int n = 0;
    if (single) {
        for (; *w != 0; ++w, ++n) {
            if (*w > 0xFF)
                return GL_EILSEQ;
            if (n + 1 > size - term)
                return GL_E2BIG;
            out[n] = static_cast<char>(*w);
        }
        std::memset(out + n, 0, static_cast<size_t>(term));
        *written = n;
        return 0;
    }
    for (; *w != 0; ++w) {
        char bytes[4];
        int k = 1;
        if (single || (*w < 0x80 && term == 1)) {
            if (*w > 0xFF)
                return GL_EILSEQ;
            bytes[0] = static_cast<char>(*w);
        } else if ((k = gl_full_wctomb(loc, bytes, *w)) <= 0) {
            return GL_EILSEQ;
        }
        if (n + k > size - term)
            return GL_E2BIG;
        std::memcpy(out + n, bytes, static_cast<size_t>(k));
        n += k;
    }
    std::memset(out + n, 0, static_cast<size_t>(term));
    *written = n;
    return 0;
}

int WideText::assign(gl_locale *loc, const char *s, bool lenient)
{
    len_ = 0;
    if (byte_per_char(loc)) {
        size_t n = std::strlen(s);
        if (int e = reserve(static_cast<int>(std::min<size_t>(n, 1 << 28)) + 1))
            return e;
        for (size_t i = 0; i < n; ++i)
            data_[i] = static_cast<unsigned char>(s[i]);
        len_ = static_cast<int>(n);
        data_[len_] = 0;
        return 0;
    }
    for (;;) {
        if (len_ + 1 >= cap_)
            if (int e = reserve(cap_ * 2))
                return e;
        gl_wchar_t wc = 0;
        int n = gl_full_mbtowc(loc, &wc, s, -1);
        if (n <= 0) {
            data_[len_] = 0;
            if (n == 0 || lenient)
                return 0;
            return GL_EILSEQ;
        }
        data_[len_++] = wc;
        s += n;
    }
}

} // namespace gls::tm
