// The number formatter of the locale library: gl_wcsfnum and its multibyte
// front end gl_mbsfnum, their typed-value entries, and the integer-to-text
// helpers gl_ltowcs, gl_ultowcs, gl_ltombs, gl_ultombs.
//
// A format is read twice: once to learn the kinds of the values it describes
// (so that the variadic entries read exactly those, by position when the
// format numbers its conversions), then to write. Integers are written here
// digit by digit; floating values are rendered by the system formatter in
// the C conventions and then carried into the locale's (point, separators,
// sign strings).
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "glcommon.h"
#include "glfmtread.h"
#include "gl_numfmt.h"

namespace gls::fmt {
namespace {

// Walks a format's conversions; for each, calls visit(conv, value index,
// width index, precision index) with -1 for what the conversion does not
// take. Returns the count of values described, or -1 with *error set.
template <typename Visit>
int walk_format(const gl_wchar_t *format, int *error, Visit &&visit)
{
    int next = 0;
    int highest = 0;
    int numbered = -1; // unknown, 0 no, 1 yes
    for (const gl_wchar_t *p = format; *p != 0;) {
        if (*p != '%' || p[1] == '%') {
            if (!visit(nullptr, p, -1, -1, -1))
                return -1;
            p += *p == '%' ? 2 : 1;
            continue;
        }
        NumConv c;
        const gl_wchar_t *after = read_num_conv(p + 1, c, false, error);
        if (after == nullptr)
            return -1;
        const int is_numbered = c.position > 0 ? 1 : 0;
        if ((numbered >= 0 && numbered != is_numbered) || value_kind(c) == 0 ||
            (is_numbered && (c.width_arg == 0 || c.precision_arg == 0)) ||
            (!is_numbered && (c.width_arg > 0 || c.precision_arg > 0))) {
            *error = GL_EFMTMATCH;
            return -1;
        }
        numbered = is_numbered;
        int w = -1, pr = -1, v;
        if (is_numbered) {
            w = c.width_arg > 0 ? c.width_arg - 1 : -1;
            pr = c.precision_arg > 0 ? c.precision_arg - 1 : -1;
            v = c.position - 1;
            for (int k : {w, pr, v})
                highest = k + 1 > highest ? k + 1 : highest;
        } else {
            if (c.width_arg == 0)
                w = next++;
            if (c.precision_arg == 0)
                pr = next++;
            v = next++;
            highest = next;
        }
        if (highest > GL_FMT_MAX_VALUES) {
            *error = GL_EFMTMATCH;
            return -1;
        }
        if (!visit(&c, p, v, w, pr))
            return -1;
        p = after;
    }
    return highest;
}

// The kinds of the values of a format into kinds[0..max), checked: every
// number used once with one kind. The count or -1.
int format_kinds(gl_locale *loc, const gl_wchar_t *format, int *kinds, int max)
{
    int local[GL_FMT_MAX_VALUES] = {};
    int error = 0;
    bool clash = false;
    auto set = [&](int index, int kind) {
        if (index < 0)
            return;
        if (local[index] != 0 && local[index] != kind)
            clash = true;
        local[index] = kind;
    };
    const int count = walk_format(format, &error, [&](const NumConv *c, const gl_wchar_t *, int v, int w, int pr) {
        if (c != nullptr) {
            set(w, GL_FMT_INT);
            set(pr, GL_FMT_INT);
            set(v, value_kind(*c));
        }
        return true;
    });
    if (count < 0) {
        set_error(loc, error);
        return -1;
    }
    for (int i = 0; i < count; ++i)
        clash = clash || local[i] == 0;
    if (clash) {
        set_error(loc, GL_EFMTMATCH);
        return -1;
    }
    for (int i = 0; i < count && i < max; ++i)
        kinds[i] = local[i];
    return count;
}

// ---- writing one conversion ----

int field_columns(gl_locale *loc, const Field &f, const Conventions &cv)
{
    long cols = (f.sign_blanks > 0 ? f.sign_blanks : columns(loc, f.sign)) + static_cast<long>(std::strlen(f.prefix)) +
                f.zeros + f.ndigits;
    if (f.group)
        cols += static_cast<long>(separators_for(cv.grouping, f.ndigits)) * columns(loc, cv.separator);
    bool exponent = false;
    for (const char *r = f.rest; *r != '\0'; ++r) {
        if (*r == '.')
            cols += columns(loc, cv.point);
        else if (exponent && (*r == '+' || *r == '-'))
            cols += std::max(1, columns(loc, *r == '+' ? cv.positive : cv.negative));
        else
            cols += 1;
        exponent = exponent || *r == 'e' || *r == 'E';
    }
    return cols > kSaturated ? kSaturated : static_cast<int>(cols);
}

bool put_rest(WideOut &out, const char *rest, const Conventions &cv)
{
    for (const char *r = rest; *r != '\0'; ++r) {
        const bool ok = *r == '.' ? out.put(cv.point) : out.put(static_cast<gl_wchar_t>(static_cast<unsigned char>(*r)));
        if (!ok)
            return false;
    }
    return true;
}

bool put_exponent_aware_rest(WideOut &out, const char *rest, const Conventions &cv);

// Writes a prepared field padded to width columns.
bool put_field(gl_locale *loc, WideOut &out, const NumConv &c, const Field &f, const Conventions &cv, bool zero_pad)
{
    const long pad = c.width > 0 ? c.width - static_cast<long>(field_columns(loc, f, cv)) : 0;
    const bool left = (c.flags & kLeft) != 0;
    const bool zeros = zero_pad && !left;
    if (pad > 0 && !left && !zeros && !out.repeat(' ', pad))
        return false;
    if (!(f.sign_blanks > 0 ? out.repeat(' ', f.sign_blanks) : out.put(f.sign)))
        return false;
    if (!put_ascii(out, f.prefix, static_cast<int>(std::strlen(f.prefix))))
        return false;
    if (!out.repeat('0', f.zeros + (zeros && pad > 0 ? pad : 0)) || !put_grouped(out, f, cv) ||
        !put_exponent_aware_rest(out, f.rest, cv))
        return false;
    return !(pad > 0 && left) || out.repeat(' ', pad);
}

// The sign of a field: negative_sign, positive_sign with "+", blanks as wide
// as the longer sign with " ".
void choose_sign(gl_locale *loc, Field &f, const NumConv &c, const Conventions &cv, bool negative)
{
    if (negative)
        f.sign = cv.negative;
    else if (c.flags & kPlus)
        f.sign = cv.positive;
    else if (c.flags & kSpace) {
        const int p = columns(loc, cv.positive);
        const int n = columns(loc, cv.negative);
        f.sign_blanks = p > n ? p : n;
        if (f.sign_blanks == 0)
            f.sign_blanks = 1;
    }
}

bool format_integer(gl_locale *loc, WideOut &out, const NumConv &c, const gl_fmt_value &v, const Conventions &cv)
{
    int64_t value = v.kind == GL_FMT_INT64 ? v.v.l : v.v.i;
    if (c.size == 'h')
        value = c.conv == 'u' ? static_cast<int64_t>(static_cast<uint16_t>(value)) : static_cast<int16_t>(value);
    else if (v.kind == GL_FMT_INT && c.conv == 'u')
        value = static_cast<uint32_t>(value);
    const bool is_unsigned = c.conv == 'u';
    const bool negative = !is_unsigned && value < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    const int base = c.conv == 'o' ? 8 : c.conv == 'x' || c.conv == 'X' ? 16 : c.conv == 'b' ? 2 : c.conv == 'q' ? 4 : 10;
    const char *alphabet = c.conv == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    char digits[72];
    int n = 0;
    char reversed[72];
    do {
        reversed[n++] = alphabet[magnitude % static_cast<unsigned>(base)];
        magnitude /= static_cast<unsigned>(base);
    } while (magnitude != 0);
    for (int i = 0; i < n; ++i)
        digits[i] = reversed[n - 1 - i];
    Field f;
    choose_sign(loc, f, c, cv, negative);
    f.digits = digits;
    f.ndigits = n;
    f.zeros = c.precision > n ? c.precision - n : 0;
    if ((c.flags & kAlt) && base == 8 && f.zeros == 0 && digits[0] != '0')
        f.zeros = 1;
    if ((c.flags & kAlt) && base == 16 && !(n == 1 && digits[0] == '0'))
        f.prefix = c.conv == 'X' ? "0X" : "0x";
    f.group = (c.flags & kGroup) && cv.separator[0] != 0;
    return put_field(loc, out, c, f, cv, (c.flags & kZero) && c.precision < 0);
}

bool format_special(gl_locale *loc, WideOut &out, const NumConv &c, const char *text)
{
    gl_wchar_t w[8];
    int n = 0;
    for (; text[n] != '\0'; ++n)
        w[n] = static_cast<unsigned char>(text[n]);
    const long pad = c.width > n ? c.width - n : 0;
    (void)loc;
    if (!(c.flags & kLeft) && !out.repeat(' ', pad))
        return false;
    if (!out.put(w, n))
        return false;
    return !(c.flags & kLeft) || out.repeat(' ', pad);
}

// Splits the system's rendering of a magnitude: integer digits, then the
// point (whatever the system locale writes) as ".", the fraction and the
// exponent with its sign mapped to the category's signs ("+" for an empty
// positive_sign).
void split_rendering(char *r, Field &f, char *rest, size_t cap)
{
    int n = 0;
    while (r[n] >= '0' && r[n] <= '9')
        ++n;
    f.digits = r;
    f.ndigits = n;
    size_t k = 0;
    const char *p = r + n;
    if (*p != '\0' && *p != 'e' && *p != 'E') {
        rest[k++] = '.';
        while (*p != '\0' && !(*p >= '0' && *p <= '9') && *p != 'e' && *p != 'E')
            ++p;
    }
    for (; *p != '\0' && k + 1 < cap; ++p)
        rest[k++] = *p;
    rest[k] = '\0';
    f.rest = rest;
}

bool put_exponent_aware_rest(WideOut &out, const char *rest, const Conventions &cv)
{
    const char *e = std::strpbrk(rest, "eE");
    if (e == nullptr)
        return put_rest(out, rest, cv);
    char head[kPlainMax];
    const size_t hn = static_cast<size_t>(e - rest);
    std::memcpy(head, rest, hn);
    head[hn] = '\0';
    if (!put_rest(out, head, cv) || !out.put(static_cast<gl_wchar_t>(*e)))
        return false;
    const char *p = e + 1;
    if (*p == '+' || *p == '-') {
        const gl_wchar_t *sign = *p == '+' ? cv.positive : cv.negative;
        static const gl_wchar_t plus[2] = {'+', 0}, minus[2] = {'-', 0};
        if (sign[0] == 0)
            sign = *p == '+' ? plus : minus;
        if (!out.put(sign))
            return false;
        ++p;
    }
    return put_rest(out, p, cv);
}

bool format_floating(gl_locale *loc, WideOut &out, const NumConv &c, double value, const Conventions &cv, int *error)
{
    if (c.width >= 100) {
        *error = GL_E2BIG;
        return false;
    }
    if (std::isnan(value))
        return format_special(loc, out, c, "NaN");
    if (std::isinf(value))
        return format_special(loc, out, c, value < 0 ? "-Inf" : "Inf");
    char spec[16];
    int k = 0;
    spec[k++] = '%';
    if (c.flags & kAlt)
        spec[k++] = '#';
    spec[k++] = '.';
    spec[k++] = '*';
    spec[k++] = static_cast<char>(c.conv);
    spec[k] = '\0';
    char rendering[kPlainMax];
    const int precision = c.precision >= 0 ? c.precision : 6;
    if (precision >= kPlainMax) { // more digits than any output of the work area
        *error = GL_E2BIG;
        return false;
    }
    const int n = std::snprintf(rendering, sizeof rendering, spec, precision, std::fabs(value));
    if (n < 0 || n >= static_cast<int>(sizeof rendering)) {
        *error = GL_E2BIG;
        return false;
    }
    Field f;
    choose_sign(loc, f, c, cv, std::signbit(value));
    char rest[kPlainMax];
    split_rendering(rendering, f, rest, sizeof rest);
    f.group = (c.flags & kGroup) && c.conv == 'f' && cv.separator[0] != 0;
    return put_field(loc, out, c, f, cv, (c.flags & kZero) != 0);
}

bool put_padded_text(gl_locale *loc, WideOut &out, const NumConv &c, const gl_wchar_t *w, int n)
{
    const long cols = columns(loc, w, n);
    const long pad = c.width > cols ? c.width - cols : 0;
    const gl_wchar_t fill = (c.flags & kZero) ? '0' : ' ';
    if (!(c.flags & kLeft) && !out.repeat(fill, pad))
        return false;
    if (!out.put(w, n))
        return false;
    return !(c.flags & kLeft) || out.repeat(' ', pad);
}

// "s" of a multibyte text: converted in pieces, cut to precision characters.
bool format_mbs(gl_locale *loc, WideOut &out, const NumConv &c, const char *s, int *error)
{
    if (s == nullptr) {
        *error = GL_ENULLARG;
        return false;
    }
    const long max = c.precision >= 0 ? c.precision : -1;
    WorkArray<gl_wchar_t, 128> w;
    if (!to_wide(loc, s, w, max)) {
        *error = error_of(loc);
        return false;
    }
    return put_padded_text(loc, out, c, w.data(), wide_length(w.data()));
}

bool format_wcs(gl_locale *loc, WideOut &out, const NumConv &c, const gl_wchar_t *s, int *error)
{
    if (s == nullptr) {
        *error = GL_ENULLARG;
        return false;
    }
    int n = 0;
    while (s[n] != 0 && (c.precision < 0 || n < c.precision))
        ++n;
    return put_padded_text(loc, out, c, s, n);
}

bool format_one(gl_locale *loc, WideOut &out, NumConv c, const gl_fmt_value *values, int v, int w, int pr,
                const Conventions &cv, int *error)
{
    if (w >= 0) {
        const int width = values[w].v.i;
        if (width < 0) {
            c.flags |= kLeft;
            c.width = width == INT32_MIN ? kSaturated : -width;
        } else {
            c.width = width;
        }
    }
    if (pr >= 0)
        c.precision = values[pr].v.i < 0 ? -1 : values[pr].v.i;
    const gl_fmt_value &value = values[v];
    switch (value_kind(c)) {
    case GL_FMT_DOUBLE:
        return format_floating(loc, out, c, value.v.d, cv, error);
    case GL_FMT_MBS:
        return format_mbs(loc, out, c, value.v.mbs, error);
    case GL_FMT_WCS:
        return format_wcs(loc, out, c, value.v.wcs, error);
    default:
        break;
    }
    if (c.conv == 'c') {
        const gl_wchar_t ch = static_cast<gl_wchar_t>(value.v.i);
        NumConv plain = c;
        plain.flags &= ~static_cast<unsigned>(kZero);
        return put_padded_text(loc, out, plain, &ch, 1);
    }
    return format_integer(loc, out, c, value, cv);
}

// Formats into out; the count written or -1 with the error number set.
// With checked, the values were read by read_values from the same format,
// so their kinds are the format's already.
int format_values(gl_locale *loc, WideOut &out, const gl_wchar_t *format, const gl_fmt_value *values, int count,
                  bool checked = false)
{
    if (!checked) {
        int kinds[GL_FMT_MAX_VALUES];
        const int needed = format_kinds(loc, format, kinds, GL_FMT_MAX_VALUES);
        if (needed < 0)
            return -1;
        if (needed > count) {
            set_error(loc, GL_EFMTMATCH);
            return -1;
        }
        for (int i = 0; i < needed; ++i)
            if (values[i].kind != kinds[i]) {
                set_error(loc, GL_EFMTMATCH);
                return -1;
            }
    }
    const Conventions cv = numeric_conventions(loc);
    int error = 0;
    const int walked = walk_format(format, &error, [&](const NumConv *c, const gl_wchar_t *p, int v, int w, int pr) {
        if (c == nullptr)
            return out.put(*p);
        return format_one(loc, out, *c, values, v, w, pr, cv, &error);
    });
    if (walked < 0 || out.error() != 0) {
        set_error(loc, error != 0 ? error : out.error() != 0 ? out.error() : GL_E2BIG);
        return -1;
    }
    return out.finish();
}

// Reads the values a format describes from a va_list.
int read_values(gl_locale *loc, const gl_wchar_t *format, va_list ap, gl_fmt_value *values)
{
    int kinds[GL_FMT_MAX_VALUES];
    const int count = format_kinds(loc, format, kinds, GL_FMT_MAX_VALUES);
    for (int i = 0; i < count; ++i) {
        values[i].kind = kinds[i];
        switch (kinds[i]) {
        case GL_FMT_INT64: values[i].v.l = va_arg(ap, int64_t); break;
        case GL_FMT_DOUBLE: values[i].v.d = va_arg(ap, double); break;
        case GL_FMT_MBS: values[i].v.mbs = va_arg(ap, const char *); break;
        case GL_FMT_WCS: values[i].v.wcs = va_arg(ap, const gl_wchar_t *); break;
        default: values[i].v.i = va_arg(ap, int); break;
        }
    }
    return count;
}

} // namespace

} // namespace gls::fmt

using namespace gls;
using namespace gls::fmt;

namespace {



int mbs_values(gl_locale *loc, char *out, int size, const gl_wchar_t *wformat, const gl_fmt_value *values, int count,
               bool checked = false)
{
    WideOut w(size);
    if (format_values(loc, w, wformat, values, count, checked) < 0)
        return -1;
    return to_multibyte(loc, w.text(), out, size);
}

} // namespace

extern "C" {

int _gl_wcsfnum_kinds(gl_locale *loc, const gl_wchar_t *format, int *kinds, int max)
{
    if (format == nullptr || (kinds == nullptr && max > 0)) {
        set_error(loc, GL_ENULLARG);
        return -1;
    }
    return format_kinds(loc, format, kinds, max);
}

int _gl_mbsfnum_kinds(gl_locale *loc, const char *format, int *kinds, int max)
{
    WideFormat wformat;
    if (format == nullptr) {
        set_error(loc, GL_ENULLARG);
        return -1;
    }
    if (!to_wide(loc, format, wformat))
        return -1;
    return _gl_wcsfnum_kinds(loc, wformat.data(), kinds, max);
}

int _gl_wcsfnum_values(gl_locale *loc, gl_wchar_t *out, int size, const gl_wchar_t *format,
                       const gl_fmt_value *values, int count)
{
    if (!output_usable(loc, out, size, format))
        return -1;
    WideOut w(out, size);
    return format_values(loc, w, format, values, count);
}

int _gl_mbsfnum_values(gl_locale *loc, char *out, int size, const char *format, const gl_fmt_value *values,
                       int count)
{
    if (!output_usable(loc, out, size, format))
        return -1;
    WideFormat wformat;
    if (!to_wide(loc, format, wformat))
        return -1;
    return mbs_values(loc, out, size, wformat.data(), values, count);
}

int gl_wcsfnum(gl_locale *loc, gl_wchar_t *out, int size, const gl_wchar_t *format, ...)
{
    if (!output_usable(loc, out, size, format))
        return -1;
    gl_fmt_value values[GL_FMT_MAX_VALUES];
    va_list ap;
    va_start(ap, format);
    const int count = read_values(loc, format, ap, values);
    va_end(ap);
    if (count < 0)
        return -1;
    WideOut w(out, size);
    return format_values(loc, w, format, values, count, true);
}

int gl_mbsfnum(gl_locale *loc, char *out, int size, const char *format, ...)
{
    if (!output_usable(loc, out, size, format))
        return -1;
    WideFormat wformat;
    if (!to_wide(loc, format, wformat))
        return -1;
    gl_fmt_value values[GL_FMT_MAX_VALUES];
    va_list ap;
    va_start(ap, format);
    const int count = read_values(loc, wformat.data(), ap, values);
    va_end(ap);
    if (count < 0)
        return -1;
    return mbs_values(loc, out, size, wformat.data(), values, count, true);
}

} // extern "C"

// ---- integer to text ----

namespace {

// Writes the digits of magnitude in base, grouped, after an optional "-",
// into out (wide); the length needed with the terminator.
int integer_text(gl_locale *loc, gl_wchar_t *out, int size, bool negative, uint64_t magnitude, int base,
                 int grouping)
{
    if (base < 2 || base > 36) {
        if (out != nullptr && size > 0)
            out[0] = 0;
        set_error(loc, GL_EBADARG);
        return -1;
    }
    char digits[72];
    int n = 0;
    char reversed[72];
    do {
        reversed[n++] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[magnitude % static_cast<unsigned>(base)];
        magnitude /= static_cast<unsigned>(base);
    } while (magnitude != 0);
    for (int i = 0; i < n; ++i)
        digits[i] = reversed[n - 1 - i];
    const Conventions cv = numeric_conventions(loc);
    Field f;
    static const gl_wchar_t minus[2] = {'-', 0};
    f.sign = negative ? minus : kEmptyWide;
    f.digits = digits;
    f.ndigits = n;
    f.group = grouping != 0 && cv.separator[0] != 0;
    const int need = (negative ? 1 : 0) + n +
                     (f.group ? separators_for(cv.grouping, n) * wide_length(cv.separator) : 0) + 1;
    if (out == nullptr || size <= 0)
        return need;
    if (need > size) {
        out[0] = 0;
        return need;
    }
    WideOut w(out, size);
    NumConv plain;
    put_field(loc, w, plain, f, cv, false);
    w.finish();
    return need;
}

int integer_mbs(gl_locale *loc, char *out, int size, bool negative, uint64_t magnitude, int base, int grouping)
{
    gl_wchar_t w[72 * 5 + 8];
    const int need = integer_text(loc, w, static_cast<int>(sizeof w / sizeof w[0]), negative, magnitude, base, grouping);
    if (need < 0) {
        if (out != nullptr && size > 0)
            out[0] = '\0';
        return need;
    }
    char bytes[sizeof w];
    const int saved = error_of(loc);
    const int written = to_multibyte(loc, w, bytes, sizeof bytes);
    set_error(loc, saved);
    const int mb_need = written < 0 ? need : written + 1;
    if (out == nullptr || size <= 0)
        return mb_need;
    if (mb_need > size || written < 0) {
        out[0] = '\0';
        return mb_need;
    }
    std::memcpy(out, bytes, static_cast<size_t>(mb_need));
    return mb_need;
}

uint64_t magnitude_of(int64_t v) { return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v); }

} // namespace

extern "C" {

int gl_ltowcs(gl_locale *loc, gl_wchar_t *out, int size, int64_t value, int base, int grouping)
{
    return integer_text(loc, out, size, value < 0, magnitude_of(value), base, grouping);
}

int gl_ultowcs(gl_locale *loc, gl_wchar_t *out, int size, uint64_t value, int base, int grouping)
{
    return integer_text(loc, out, size, false, value, base, grouping);
}

int gl_ltombs(gl_locale *loc, char *out, int size, int64_t value, int base, int grouping)
{
    return integer_mbs(loc, out, size, value < 0, magnitude_of(value), base, grouping);
}

int gl_ultombs(gl_locale *loc, char *out, int size, uint64_t value, int base, int grouping)
{
    return integer_mbs(loc, out, size, false, value, base, grouping);
}

} // extern "C"
