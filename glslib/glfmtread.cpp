// The pieces the number and money format languages share (glfmtread.h): the
// grouping rule, the category conventions as wide texts, the wide output
// with its room counted, the reader of a number conversion's syntax and the
// reader of plain decimal numbers with grouped digits.
#include "glfmtread.h"

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>

#include "glcommon.h"
#include "gl_numfmt.h"

namespace gls::fmt {

const gl_wchar_t kEmptyWide[1] = {0};

// ---- grouping ----

Grouping make_grouping(const int *sizes, int count)
{
    Grouping g;
    if (sizes == nullptr || count <= 0)
        return g;
    if (count > 15)
        count = 15;
    for (int i = 0; i < count; ++i) {
        const int s = sizes[i];
        if (s > 0) {
            g.sizes[g.count++] = s;
            if (i == count - 1)
                g.repeat = true;
            continue;
        }
        // A final 0 after a size repeats that size; a final -1 stops; any
        // other size of 0 or less ends grouping here.
        g.repeat = s == 0 && i == count - 1 && g.count > 0;
        break;
    }
    return g;
}

Grouping numeric_grouping(const gl_locale *loc)
{
    const gl_lc_numeric *n = loc != nullptr ? loc->numeric : nullptr;
    return n != nullptr ? make_grouping(n->grouping, n->grouping_count) : Grouping{};
}

Grouping monetary_grouping(const gl_locale *loc)
{
    const gl_lc_monetary *m = loc != nullptr ? loc->monetary : nullptr;
    return m != nullptr ? make_grouping(m->mon_grouping, m->mon_grouping_count) : Grouping{};
}

int separators_for(const Grouping &g, int n)
{
    int seps = 0;
    for (int i = 0; i < g.count; ++i) {
        const int s = g.sizes[i];
        if (s <= 0 || n <= s)
            return seps;
        n -= s;
        ++seps;
    }
    // Past the listed sizes the last one repeats (when it does): one
    // separator for each further group the n >= 1 digits left fill. Counted,
    // not walked, since a width or left precision may ask for a billion
    // digits.
    const int s = g.repeat && g.count > 0 ? g.sizes[g.count - 1] : 0;
    return s > 0 ? seps + (n - 1) / s : seps;
}

Conventions numeric_conventions(const gl_locale *loc)
{
    static const gl_wchar_t dot[2] = {'.', 0};
    const gl_lc_numeric *n = loc != nullptr ? loc->numeric : nullptr;
    Conventions c{dot, kEmptyWide, kEmptyWide, kEmptyWide, numeric_grouping(loc)};
    if (n == nullptr)
        return c;
    if (n->w_decimal_point != nullptr && n->w_decimal_point[0] != 0)
        c.point = n->w_decimal_point;
    c.separator = wide(n->w_thousands_sep);
    c.positive = wide(n->w_positive_sign);
    c.negative = wide(n->w_negative_sign);
    return c;
}

Conventions monetary_conventions(const gl_locale *loc)
{
    const gl_lc_monetary *m = loc != nullptr ? loc->monetary : nullptr;
    Conventions c = numeric_conventions(loc);
    c.grouping = monetary_grouping(loc);
    if (m == nullptr)
        return c;
    if (m->w_mon_decimal_point != nullptr && m->w_mon_decimal_point[0] != 0)
        c.point = m->w_mon_decimal_point;
    c.separator = wide(m->w_mon_thousands_sep);
    c.positive = wide(m->w_positive_sign);
    c.negative = wide(m->w_negative_sign);
    return c;
}

// ---- wide text helpers ----

int wide_length(const gl_wchar_t *s)
{
    int n = 0;
    while (s[n] != 0)
        ++n;
    return n;
}

int char_columns(gl_locale *loc, gl_wchar_t wc)
{
    if (wc >= 0x20 && wc < 0x7f)
        return 1;
    const int saved = error_of(loc);
    const int w = gl_wcwidth(loc, wc);
    set_error(loc, saved);
    return w < 0 ? 1 : w;
}

int columns(gl_locale *loc, const gl_wchar_t *s, int n)
{
    int total = 0;
    for (int i = 0; (n < 0 || i < n) && s[i] != 0; ++i)
        total += char_columns(loc, s[i]);
    return total;
}

bool is_space(gl_locale *loc, gl_wchar_t wc)
{
    if (wc < 0x80)
        return is_ascii_space(static_cast<int>(wc));
    return im_iswctype(loc, wc, GL_CLASS_SPACE) != 0;
}

bool starts_with(const gl_wchar_t *s, const gl_wchar_t *t)
{
    if (t[0] == 0)
        return false;
    for (; *t != 0; ++s, ++t)
        if (*s != *t)
            return false;
    return true;
}

// ---- wide output ----

WideOut::WideOut(gl_wchar_t *buffer, int size) : fixed_(buffer), limit_(size) {}

WideOut::WideOut(int size) : limit_(size) {}

bool WideOut::grow(long n)
{
    if (error_ != 0)
        return false;
    if (at_ + n + 1 > limit_ || at_ + n > INT_MAX - 1) {
        error_ = GL_E2BIG;
        return false;
    }
    if (fixed_ != nullptr || static_cast<size_t>(at_ + n + 1) <= work_.capacity())
        return true;
    size_t grown = work_.capacity() * 2;
    while (grown < static_cast<size_t>(at_ + n + 1))
        grown *= 2;
    if (grown > static_cast<size_t>(limit_))
        grown = static_cast<size_t>(limit_);
    if (!work_.reserve(grown)) {
        error_ = GL_ENOMEM;
        return false;
    }
    return true;
}

bool WideOut::put(const gl_wchar_t *s, int n)
{
    if (n < 0)
        n = wide_length(s);
    if (!room(n))
        return false;
    gl_wchar_t *to = (fixed_ != nullptr ? fixed_ : work_.data()) + at_;
    for (int i = 0; i < n; ++i)
        to[i] = s[i];
    at_ += n;
    return true;
}

bool WideOut::repeat(gl_wchar_t c, long n)
{
    if (n <= 0)
        return error_ == 0;
    if (!room(n))
        return false;
    gl_wchar_t *to = (fixed_ != nullptr ? fixed_ : work_.data()) + at_;
    for (long i = 0; i < n; ++i)
        to[i] = c;
    at_ += static_cast<int>(n);
    return true;
}

int WideOut::finish()
{
    if (limit_ > 0)
        (fixed_ != nullptr ? fixed_ : work_.data())[at_] = 0;
    return at_;
}

bool put_ascii(WideOut &out, const char *s, int n) { return out.put_ascii(s, n); }

// Writes the integer digits with separators by the grouping rule.
bool put_grouped(WideOut &out, const Field &f, const Conventions &cv)
{
    if (!f.group)
        return put_ascii(out, f.digits, f.ndigits);
    const int seplen = wide_length(cv.separator);
    // Group boundaries counted from the right.
    int bounds[kPlainMax];
    int nb = 0;
    for (int i = 0, left = f.ndigits; nb < kPlainMax; ++i) {
        const int s = cv.grouping.size(i);
        if (s <= 0 || left <= s)
            break;
        left -= s;
        bounds[nb++] = left;
    }
    int from = 0;
    for (int b = nb - 1; b >= 0; --b) {
        if (!put_ascii(out, f.digits + from, bounds[b] - from) || !out.put(cv.separator, seplen))
            return false;
        from = bounds[b];
    }
    return put_ascii(out, f.digits + from, f.ndigits - from);
}

// ---- multibyte and wide ----

bool wide_prefix(gl_locale *loc, const char *mbs, gl_wchar_t *out, size_t capacity, long max,
                 long *length, bool *complete, bool stop_at_invalid)
{
    size_t k = 0;
    const char *p = mbs;
    *complete = false;
    // ASCII is itself in a locale whose every character is one byte, its own wide value.
    const bool ascii_self = loc->single_byte == 0 || (loc->class_trie != nullptr && loc->class_map != nullptr);
    for (;; ++k) {
        if (max >= 0 && static_cast<long>(k) >= max)
            break;
        gl_wchar_t wc = 0;
        int len = 0;
        if (static_cast<unsigned char>(*p) < 0x80 && ascii_self && *p != '\0') {
            wc = static_cast<unsigned char>(*p);
            len = 1;
        } else {
            len = gl_full_mbtowc(loc, &wc, p, -1);
            if (len < 0 && !stop_at_invalid)
                return false;
            if (len < 0)
                len = 0;
        }
        if (len == 0)
            break;
        if (k + 1 >= capacity) {
            *length = static_cast<long>(k);
            return true;
        }
        out[k] = wc;
        p += len;
    }
    out[k] = 0;
    *length = static_cast<long>(k);
    *complete = true;
    return true;
}

long byte_offset(gl_locale *loc, const char *mbs, long k)
{
    long bytes = 0;
    // ASCII characters are one byte, as wide_prefix reads them.
    const bool ascii_self = loc->single_byte == 0 || (loc->class_trie != nullptr && loc->class_map != nullptr);
    for (long i = 0; i < k; ++i) {
        const unsigned char b = static_cast<unsigned char>(mbs[bytes]);
        if (ascii_self && b != 0 && b < 0x80) {
            ++bytes;
            continue;
        }
        const int len = gl_full_mblen(loc, mbs + bytes, -1);
        if (len <= 0)
            break;
        bytes += len;
    }
    return bytes;
}

int to_multibyte(gl_locale *loc, const gl_wchar_t *w, char *out, int size)
{
    int at = 0;
    const int term = gl_mb_loc_min(loc) > 0 ? gl_mb_loc_min(loc) : 1;
    for (; *w != 0; ++w) {
        if (*w < 0x80 && term == 1) {
            if (at + 1 + term > size) {
                set_error(loc, GL_E2BIG);
                return -1;
            }
            out[at++] = static_cast<char>(*w);
            continue;
        }
        char bytes[8];
        const int n = gl_full_wctomb(loc, bytes, *w);
        if (n < 0)
            return -1;
        if (at + n + term > size) {
            set_error(loc, GL_E2BIG);
            return -1;
        }
        std::memcpy(out + at, bytes, static_cast<size_t>(n));
        at += n;
    }
    for (int i = 0; i < term; ++i)
        out[at + i] = '\0';
    return at;
}

bool output_usable(gl_locale *loc, const void *out, int size, const void *format)
{
    if (out == nullptr || format == nullptr) {
        set_error(loc, GL_ENULLARG);
        return false;
    }
    if (size <= 0) {
        set_error(loc, GL_E2BIG);
        return false;
    }
    return true;
}

int match_literal(gl_locale *loc, const gl_wchar_t *&f, const gl_wchar_t *&s)
{
    if (is_space(loc, *f)) {
        while (is_space(loc, *f))
            ++f;
        while (is_space(loc, *s))
            ++s;
        return 1;
    }
    if (*f == '%' && f[1] != '%')
        return 0;
    if (*s != *f) {
        set_error(loc, GL_EFMTMATCH);
        return -1;
    }
    ++s;
    f += *f == '%' ? 2 : 1;
    return 1;
}

// ---- conversion syntax ----

namespace {

bool is_digit(gl_wchar_t c) { return c >= '0' && c <= '9'; }

// A decimal number of any length, saturating.
int read_decimal(const gl_wchar_t *&p)
{
    long n = 0;
    for (; is_digit(*p); ++p)
        n = n >= kSaturated ? kSaturated : n * 10 + (*p - '0');
    return n > kSaturated ? kSaturated : static_cast<int>(n);
}

// "*" or "*n$" at p: the value's number (0 the next one), or -1 when p
// holds no "*"; -2 for "*n" without "$".
int read_star(const gl_wchar_t *&p)
{
    if (*p != '*')
        return -1;
    const gl_wchar_t *q = p + 1;
    if (!is_digit(*q)) {
        p = q;
        return 0;
    }
    const int n = read_decimal(q);
    if (*q != '$' || n == 0)
        return -2;
    p = q + 1;
    return n;
}

unsigned flag_of(gl_wchar_t c)
{
    switch (c) {
    case '\'': return kGroup;
    case '-': return kLeft;
    case '+': return kPlus;
    case ' ': return kSpace;
    case '#': return kAlt;
    case '0': return kZero;
    default: return 0;
    }
}

} // namespace

const gl_wchar_t *read_num_conv(const gl_wchar_t *p, NumConv &c, bool parsing, int *error)
{
    c = NumConv{};
    if (is_digit(*p) && *p != '0') {
        const gl_wchar_t *q = p;
        const int n = read_decimal(q);
        if (*q == '$') {
            c.position = n;
            p = q + 1;
        }
    }
    if (parsing && *p == '*') {
        c.suppress = true;
        ++p;
    }
    for (unsigned f; (f = flag_of(*p)) != 0; ++p)
        c.flags |= f;
    if (is_digit(*p)) {
        c.width = read_decimal(p);
    } else if (*p == '*') {
        if (parsing || (c.width_arg = read_star(p)) == -2) {
            *error = GL_EFMTMATCH;
            return nullptr;
        }
    }
    if (*p == '.') {
        ++p;
        if (is_digit(*p)) {
            c.precision = read_decimal(p);
        } else if (*p == '*' && !parsing) {
            if ((c.precision_arg = read_star(p)) == -2) {
                *error = GL_EFMTMATCH;
                return nullptr;
            }
        } else if ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')) {
            c.precision = 0;
        } else {
            *error = *p == 0 ? GL_EFMTEND : GL_EFMTPREC;
            return nullptr;
        }
    }
    while (*p == 'l' || *p == 'L' || *p == 'h' || *p == 'H') {
        c.size = (*p == 'l' || *p == 'L') ? 'l' : 'h';
        ++p;
    }
    if (*p == 0) {
        *error = GL_EFMTEND;
        return nullptr;
    }
    c.conv = *p;
    return p + 1;
}

int value_kind(const NumConv &c)
{
    switch (c.conv) {
    case 'd': case 'i': case 'u': case 'o': case 'x': case 'X': case 'b': case 'q':
        return c.size == 'l' ? GL_FMT_INT64 : GL_FMT_INT;
    case 'e': case 'E': case 'f': case 'g': case 'G':
        return GL_FMT_DOUBLE;
    case 'c':
        return GL_FMT_INT;
    case 's':
        return c.size == 'l' ? GL_FMT_WCS : GL_FMT_MBS;
    default:
        return 0;
    }
}

// ---- plain numbers ----

int digit_value(gl_wchar_t wc, int base)
{
    int v = -1;
    if (wc >= '0' && wc <= '9')
        v = static_cast<int>(wc - '0');
    else if (wc >= 'a' && wc <= 'z')
        v = static_cast<int>(wc - 'a' + 10);
    else if (wc >= 'A' && wc <= 'Z')
        v = static_cast<int>(wc - 'A' + 10);
    return v < base ? v : -1;
}

const gl_wchar_t *read_grouped_digits(const gl_wchar_t *p, const Conventions &c, GroupMode mode, int base,
                                      char *digits, size_t cap, size_t *count, int *error)
{
    const bool grouped = mode != GroupMode::kNone && c.separator[0] != 0 && c.grouping.size(0) > 0;
    const int seplen = wide_length(c.separator);
    int segments[kPlainMax / 2 + 2];
    int nseg = 0;
    int run = 0;
    size_t n = 0;
    const gl_wchar_t *q = p;
    for (; n < cap; ) {
        if (digit_value(*q, base) >= 0) {
            digits[n++] = static_cast<char>(*q < 'A' ? *q : *q | 0x20);
            ++run;
            ++q;
        } else if (grouped && run > 0 && nseg < kPlainMax / 2 && starts_with(q, c.separator) &&
                   digit_value(q[seplen], base) >= 0) {
            segments[nseg++] = run;
            run = 0;
            q += seplen;
        } else {
            break;
        }
    }
    *count = n;
    if (!grouped || n == 0)
        return q;
    segments[nseg++] = run;
    // Segments run left to right; group i counts from the right.
    if (nseg == 1 && mode == GroupMode::kLenient)
        return q;
    for (int i = 0; i < nseg; ++i) {
        const int seg = segments[nseg - 1 - i];
        const int size = c.grouping.size(i);
        const bool leftmost = i == nseg - 1;
        if (leftmost ? (size > 0 && seg > size) : seg != size) {
            *error = GL_ENUMGROUP;
            break;
        }
    }
    return q;
}

const gl_wchar_t *read_plain_number(const gl_wchar_t *p, const Conventions &c, GroupMode mode,
                                    bool exponent, char *text, size_t cap, int *error)
{
    size_t n = 0;
    const size_t room = cap > 8 ? cap - 8 : 0;
    const gl_wchar_t *q = read_grouped_digits(p, c, mode, 10, text, room, &n, error);
    size_t total = n;
    if (starts_with(q, c.point) && total < room) {
        const gl_wchar_t *after = q + wide_length(c.point);
        size_t frac = 0;
        while (total + frac + 1 < room && digit_value(after[frac], 10) >= 0)
            ++frac;
        if (frac > 0 || n > 0) {
            text[total++] = '.';
            for (size_t i = 0; i < frac; ++i)
                text[total++] = static_cast<char>(after[i]);
            q = after + frac;
            n += frac;
        }
    }
    if (n == 0) {
        text[0] = '\0';
        return p;
    }
    if (exponent && (*q == 'e' || *q == 'E')) {
        const gl_wchar_t *e = q + 1;
        char sign = 0;
        if (*e == '+' || *e == '-') {
            sign = static_cast<char>(*e++);
        } else if (starts_with(e, c.negative)) {
            sign = '-';
            e += wide_length(c.negative);
        } else if (starts_with(e, c.positive)) {
            e += wide_length(c.positive);
        }
        if (digit_value(*e, 10) >= 0 && total + 3 < cap) {
            text[total++] = 'e';
            if (sign != 0)
                text[total++] = sign;
            int kept = 0;
            for (; digit_value(*e, 10) >= 0; ++e)
                if (total + 1 < cap && (kept > 0 || *e != '0') && kept < 6) {
                    text[total++] = static_cast<char>(*e);
                    ++kept;
                }
            if (kept == 0)
                text[total++] = '0';
            q = e;
        }
    }
    text[total] = '\0';
    return q;
}

// The system's conversion of a plain C number text with "." as its point.
double plain_to_double(const char *plain, bool *range)
{
    char text[kPlainMax + 8];
    const char *point = std::localeconv()->decimal_point;
    if (point == nullptr || point[0] == '\0')
        point = ".";
    const size_t plen = std::strlen(point);
    size_t k = 0;
    for (const char *p = plain; *p != '\0' && k + plen + 1 < sizeof text; ++p) {
        if (*p == '.') {
            std::memcpy(text + k, point, plen);
            k += plen;
        } else {
            text[k++] = *p;
        }
    }
    text[k] = '\0';
    errno = 0;
    const double d = std::strtod(text, nullptr);
    *range = errno == ERANGE;
    return d;
}

} // namespace gls::fmt
