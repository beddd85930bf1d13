// The number parser of the locale library: gl_wcspnum and its multibyte
// front end gl_mbspnum, and the text-to-number helpers gl_wcstol,
// gl_wcstoul, gl_mbstol, gl_mbstoul, gl_wcstod_num_mon, gl_wcstod and
// gl_mbstod.
//
// Numbers are read in the locale's conventions into a plain C text (digits,
// "." and an exponent) that the system's conversion then reads; integers are
// accumulated here with their range checked.
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdlib>

#include "glcommon.h"
#include "glfmtread.h"
#include "gl_numfmt.h"

namespace gls::fmt {
namespace {

constexpr int kIntegerExamined = 256;

struct IntegerRead {
    uint64_t magnitude = 0;
    bool negative = false;
    bool overflow = false;
    bool digits = false;
    const gl_wchar_t *end = nullptr;
    int error = 0;
};

// Skips a sign: negative_sign or "-", positive_sign or "+". True for a
// negative one.
bool read_sign(const gl_wchar_t *&p, const Conventions &cv, bool *present)
{
    *present = true;
    if (starts_with(p, cv.negative)) {
        p += wide_length(cv.negative);
        return true;
    }
    if (*p == '-') {
        ++p;
        return true;
    }
    if (starts_with(p, cv.positive))
        p += wide_length(cv.positive);
    else if (*p == '+')
        ++p;
    else
        *present = false;
    return false;
}

IntegerRead read_integer(gl_locale *loc, const gl_wchar_t *text, int base, GroupMode mode, bool *sign_seen)
{
    IntegerRead r;
    r.end = text;
    if (base < 0 || base == 1 || base > 36) {
        r.error = GL_EBADARG;
        return r;
    }
    const Conventions cv = numeric_conventions(loc);
    const gl_wchar_t *p = text;
    while (is_space(loc, *p))
        ++p;
    bool present = false;
    r.negative = read_sign(p, cv, &present);
    if (sign_seen != nullptr)
        *sign_seen = present;
    if ((base == 0 || base == 16) && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digit_value(p[2], 16) >= 0) {
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = p[0] == '0' ? 8 : 10;
    }
    char digits[kIntegerExamined + 1];
    size_t n = 0;
    const gl_wchar_t *q = read_grouped_digits(p, cv, mode, base, digits, kIntegerExamined, &n, &r.error);
    if (n == 0)
        return r;
    r.digits = true;
    r.end = q;
    for (size_t i = 0; i < n; ++i) {
        const uint64_t d = static_cast<uint64_t>(digit_value(static_cast<unsigned char>(digits[i]), base));
        if (r.magnitude > (UINT64_MAX - d) / static_cast<uint64_t>(base))
            r.overflow = true;
        else
            r.magnitude = r.magnitude * static_cast<uint64_t>(base) + d;
    }
    return r;
}

int64_t signed_result(gl_locale *loc, const IntegerRead &r)
{
    if (r.error != 0) {
        set_error(loc, r.error);
        return r.error == GL_ENUMGROUP ? INT64_MAX : 0;
    }
    const uint64_t limit = r.negative ? static_cast<uint64_t>(INT64_MAX) + 1 : static_cast<uint64_t>(INT64_MAX);
    if (r.overflow || r.magnitude > limit) {
        set_error(loc, GL_ENUMRANGE);
        return r.negative ? INT64_MIN : INT64_MAX;
    }
    return r.negative ? static_cast<int64_t>(0 - r.magnitude) : static_cast<int64_t>(r.magnitude);
}

uint64_t unsigned_result(gl_locale *loc, const IntegerRead &r)
{
    if (r.error != 0) {
        set_error(loc, r.error);
        return r.error == GL_ENUMGROUP ? UINT64_MAX : 0;
    }
    if (r.overflow) {
        set_error(loc, GL_ENUMRANGE);
        return UINT64_MAX;
    }
    return r.negative ? 0 - r.magnitude : r.magnitude;
}

} // namespace

// The worker of the floating readers: *error gets 46, 6 or 7.
double read_double(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t **end, GroupMode mode, bool monetary,
                   int *error)
{
    const Conventions cv = monetary ? monetary_conventions(loc) : numeric_conventions(loc);
    const gl_wchar_t *p = text;
    while (is_space(loc, *p))
        ++p;
    bool present = false;
    const bool negative = read_sign(p, cv, &present);
    char plain[kPlainMax + 8];
    const gl_wchar_t *q = read_plain_number(p, cv, mode, true, plain, sizeof plain, error);
    if (q == p) {
        *end = text;
        if (present)
            *error = GL_ENUMSIGN;
        return 0;
    }
    *end = q;
    bool range = false;
    const double d = plain_to_double(plain, &range);
    if (range && *error == 0)
        *error = GL_ENUMRANGE;
    return negative ? -d : d;
}

namespace {

// ---- the parser ----

// Where the parser stores: the pointers in the order they are numbered.
struct Targets {
    void *const *pointers;
    int count;
};

// A field of the text: at most width columns (width < 0: up to kPlainMax
// characters), copied and terminated.
struct FieldText {
    gl_wchar_t text[kPlainMax + 1];
    int length = 0;
};

void take_field(gl_locale *loc, const gl_wchar_t *p, int width, FieldText &f)
{
    int cols = 0;
    f.length = 0;
    while (p[f.length] != 0 && f.length < kPlainMax) {
        const int w = char_columns(loc, p[f.length]);
        if (width >= 0 && cols + w > width)
            break;
        cols += w;
        f.text[f.length] = p[f.length];
        ++f.length;
    }
    f.text[f.length] = 0;
}

bool store_integer(void *target, const NumConv &c, const IntegerRead &r, int *error)
{
    const bool is_unsigned = c.conv == 'u';
    const uint64_t m = r.magnitude;
    uint64_t limit;
    if (c.size == 'h')
        limit = is_unsigned ? 0xFFFFu : r.negative ? 0x8000u : 0x7FFFu;
    else if (c.size == 'l')
        limit = is_unsigned ? UINT64_MAX : r.negative ? static_cast<uint64_t>(INT64_MAX) + 1 : INT64_MAX;
    else
        limit = is_unsigned ? 0xFFFFFFFFu : r.negative ? 0x80000000u : 0x7FFFFFFFu;
    if (r.overflow || m > limit) {
        *error = GL_ENUMRANGE;
        return false;
    }
    if (target == nullptr)
        return true;
    const int64_t v = r.negative ? static_cast<int64_t>(0 - m) : static_cast<int64_t>(m);
    if (c.size == 'h')
        *static_cast<int16_t *>(target) = static_cast<int16_t>(v);
    else if (c.size == 'l')
        *static_cast<int64_t *>(target) = v;
    else
        *static_cast<int32_t *>(target) = static_cast<int32_t>(v);
    return true;
}

// Checks that only blanks follow a field shorter than the precision; the
// position after the precision's length.
const gl_wchar_t *precision_tail(const gl_wchar_t *start, const gl_wchar_t *end, int precision, int *error)
{
    if (precision < 0 || end - start >= precision)
        return end;
    const gl_wchar_t *p = end;
    for (; p - start < precision && *p != 0; ++p)
        if (*p != ' ') {
            *error = GL_EFMTPREC;
            return nullptr;
        }
    return p;
}

const gl_wchar_t *scan_integer(gl_locale *loc, const gl_wchar_t *p, const NumConv &c, void *target, int *error)
{
    FieldText f;
    take_field(loc, p, c.width, f);
    const int base = c.conv == 'o' ? 8 : c.conv == 'x' || c.conv == 'X' ? 16 : c.conv == 'b' ? 2 : c.conv == 'q' ? 4
                     : c.conv == 'i' ? 0 : 10;
    bool sign = false;
    const IntegerRead r =
        read_integer(loc, f.text, base, (c.flags & kGroup) ? GroupMode::kLenient : GroupMode::kNone, &sign);
    if (c.conv == 'u' && sign) {
        *error = -GL_EFMTMATCH;
        return nullptr;
    }
    if (!r.digits || r.error != 0) {
        *error = r.error != 0 ? r.error : GL_EFMTMATCH;
        return nullptr;
    }
    const gl_wchar_t *end = precision_tail(f.text, r.end, c.precision, error);
    if (end == nullptr || !store_integer(target, c, r, error))
        return nullptr;
    return p + (end - f.text);
}

const gl_wchar_t *scan_floating(gl_locale *loc, const gl_wchar_t *p, const NumConv &c, void *target, int *error)
{
    if (is_space(loc, *p)) {
        *error = GL_EFMTMATCH;
        return nullptr;
    }
    FieldText f;
    take_field(loc, p, c.width, f);
    const gl_wchar_t *end = nullptr;
    int e = 0;
    const double d = read_double(loc, f.text, &end, (c.flags & kGroup) ? GroupMode::kLenient : GroupMode::kNone,
                                 false, &e);
    if (end == f.text || (e != 0 && e != GL_ENUMRANGE)) {
        *error = e != 0 ? e : GL_EFMTMATCH;
        return nullptr;
    }
    if (e == GL_ENUMRANGE && std::isinf(d)) {
        *error = GL_ENUMRANGE;
        return nullptr;
    }
    end = precision_tail(f.text, end, c.precision, error);
    if (end == nullptr)
        return nullptr;
    if (target != nullptr)
        *static_cast<double *>(target) = d;
    return p + (end - f.text);
}

// "s" and "c": characters up to white space ("c": one character unless the
// width is 2 or more), at most width columns; multibyte or wide ("l").
const gl_wchar_t *scan_text(gl_locale *loc, const gl_wchar_t *p, const NumConv &c, void *target, int *error)
{
    const bool one = c.conv == 'c' && c.width < 2;
    if (c.conv == 'c' && c.width >= 2 && c.precision >= 0) {
        *error = GL_EFMTPREC;
        return nullptr;
    }
    int cols = 0;
    const gl_wchar_t *q = p;
    while (*q != 0 && (one || !is_space(loc, *q))) {
        const int w = char_columns(loc, *q);
        if (c.width >= 0 && !one && cols + w > c.width)
            break;
        cols += w;
        ++q;
        if (one)
            break;
    }
    if (q == p) {
        *error = GL_EFMTMATCH;
        return nullptr;
    }
    if (target == nullptr)
        return q;
    if (c.size == 'l') {
        gl_wchar_t *out = static_cast<gl_wchar_t *>(target);
        for (const gl_wchar_t *s = p; s < q; ++s)
            *out++ = *s;
        *out = 0;
        return q;
    }
    char *out = static_cast<char *>(target);
    for (const gl_wchar_t *s = p; s < q; ++s) {
        const int n = gl_full_wctomb(loc, out, *s);
        if (n < 0) {
            *error = GL_EILSEQ;
            return nullptr;
        }
        out += n;
    }
    gl_mbsterm(loc, out);
    return q;
}

// Counts the pointers a parser format takes; -1 with *error set.
int count_targets(const gl_wchar_t *format, int *error)
{
    int highest = 0;
    int numbered = -1;
    for (const gl_wchar_t *p = format; *p != 0;) {
        if (*p != '%' || p[1] == '%') {
            p += *p == '%' ? 2 : 1;
            continue;
        }
        NumConv c;
        p = read_num_conv(p + 1, c, true, error);
        if (p == nullptr)
            return -1;
        const int is_numbered = c.position > 0 ? 1 : 0;
        if ((numbered >= 0 && numbered != is_numbered) || value_kind(c) == 0) {
            *error = GL_EFMTMATCH;
            return -1;
        }
        numbered = is_numbered;
        if (!c.suppress)
            highest = is_numbered ? (c.position > highest ? c.position : highest) : highest + 1;
        if (highest > GL_FMT_MAX_VALUES) {
            *error = GL_EFMTMATCH;
            return -1;
        }
    }
    return highest;
}

int scan_values(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t *format, const Targets &t)
{
    int assigned = 0;
    int next = 0;
    const gl_wchar_t *s = text;
    for (const gl_wchar_t *f = format; *f != 0;) {
        if (const int step = match_literal(loc, f, s); step != 0) {
            if (step < 0)
                return -1;
            continue;
        }
        NumConv c;
        int error = 0;
        f = read_num_conv(f + 1, c, true, &error);
        if (!(c.flags & (kLeft | kZero)))
            while (is_space(loc, *s))
                ++s;
        void *target = nullptr;
        if (!c.suppress)
            target = t.pointers[c.position > 0 ? c.position - 1 : next++];
        const gl_wchar_t *after = nullptr;
        switch (value_kind(c)) {
        case GL_FMT_DOUBLE: after = scan_floating(loc, s, c, target, &error); break;
        case GL_FMT_MBS: case GL_FMT_WCS: after = scan_text(loc, s, c, target, &error); break;
        default: after = c.conv == 'c' ? scan_text(loc, s, c, target, &error) : scan_integer(loc, s, c, target, &error);
        }
        if (after == nullptr) {
            set_error(loc, error < 0 ? -error : error);
            return error < 0 ? -1 : assigned;
        }
        s = after;
        assigned += c.suppress ? 0 : 1;
    }
    return assigned;
}

int scan_with_array(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t *format, void *const *targets,
                    int available)
{
    int error = 0;
    const int count = count_targets(format, &error);
    if (count < 0 || count > available) {
        set_error(loc, count < 0 ? error : GL_EFMTMATCH);
        return -1;
    }
    return scan_values(loc, text, format, Targets{targets, count});
}

int scan_with_list(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t *format, va_list ap)
{
    int error = 0;
    const int count = count_targets(format, &error);
    if (count < 0) {
        set_error(loc, error);
        return -1;
    }
    void *pointers[GL_FMT_MAX_VALUES];
    for (int i = 0; i < count; ++i)
        pointers[i] = va_arg(ap, void *);
    return scan_values(loc, text, format, Targets{pointers, count});
}

} // namespace
} // namespace gls::fmt

using namespace gls;
using namespace gls::fmt;

namespace {

bool present(gl_locale *loc, const void *a, const void *b)
{
    if (a == nullptr || b == nullptr) {
        set_error(loc, GL_ENULLARG);
        return false;
    }
    return true;
}

// The multibyte forms of the text readers: the first max characters of the
// text (no number these readers take spans more; an invalid character ends
// the text) read in wide form, the end position mapped back to bytes.
template <typename T, typename Reader>
T through_wide(gl_locale *loc, const char *text, char **end, long max, T failed, Reader &&read)
{
    WorkArray<gl_wchar_t, 128> w;
    if (end != nullptr)
        *end = const_cast<char *>(text);
    if (!present(loc, text, text) || !to_wide(loc, text, w, max, true))
        return failed;
    gl_wchar_t *wend = nullptr;
    const T v = read(w.data(), &wend);
    if (end != nullptr)
        *end = const_cast<char *>(text) + byte_offset(loc, text, wend - w.data());
    return v;
}

} // namespace

extern "C" {

int _gl_wcspnum_targets(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t *format, void *const *targets,
                        int count)
{
    if (!present(loc, text, format))
        return -1;
    return scan_with_array(loc, text, format, targets, count);
}

int _gl_mbspnum_targets(gl_locale *loc, const char *text, const char *format, void *const *targets, int count)
{
    if (!present(loc, text, format))
        return -1;
    WorkArray<gl_wchar_t, 32> wformat;
    WorkArray<gl_wchar_t, 128> wtext;
    if (!to_wide(loc, format, wformat) || !to_wide(loc, text, wtext))
        return -1;
    return scan_with_array(loc, wtext.data(), wformat.data(), targets, count);
}

int gl_wcspnum(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t *format, ...)
{
    if (!present(loc, text, format))
        return -1;
    va_list ap;
    va_start(ap, format);
    const int n = scan_with_list(loc, text, format, ap);
    va_end(ap);
    return n;
}

int gl_mbspnum(gl_locale *loc, const char *text, const char *format, ...)
{
    if (!present(loc, text, format))
        return -1;
    WorkArray<gl_wchar_t, 32> wformat;
    WorkArray<gl_wchar_t, 128> wtext;
    if (!to_wide(loc, format, wformat) || !to_wide(loc, text, wtext))
        return -1;
    va_list ap;
    va_start(ap, format);
    const int n = scan_with_list(loc, wtext.data(), wformat.data(), ap);
    va_end(ap);
    return n;
}

int64_t gl_wcstol(gl_locale *loc, const gl_wchar_t *text, gl_wchar_t **end, int base, int grouping)
{
    if (!present(loc, text, text))
        return 0;
    set_error(loc, 0);
    const IntegerRead r = read_integer(loc, text, base, grouping ? GroupMode::kStrict : GroupMode::kNone, nullptr);
    if (end != nullptr)
        *end = const_cast<gl_wchar_t *>(r.end);
    return signed_result(loc, r);
}

uint64_t gl_wcstoul(gl_locale *loc, const gl_wchar_t *text, gl_wchar_t **end, int base, int grouping)
{
    if (!present(loc, text, text))
        return 0;
    set_error(loc, 0);
    const IntegerRead r = read_integer(loc, text, base, grouping ? GroupMode::kStrict : GroupMode::kNone, nullptr);
    if (end != nullptr)
        *end = const_cast<gl_wchar_t *>(r.end);
    return unsigned_result(loc, r);
}

int64_t gl_mbstol(gl_locale *loc, const char *text, char **end, int base, int grouping)
{
    return through_wide(loc, text, end, 2 * kIntegerExamined + 64, int64_t{0},
                        [&](const gl_wchar_t *w, gl_wchar_t **wend) { return gl_wcstol(loc, w, wend, base, grouping); });
}

uint64_t gl_mbstoul(gl_locale *loc, const char *text, char **end, int base, int grouping)
{
    return through_wide(loc, text, end, 2 * kIntegerExamined + 64, uint64_t{0},
                        [&](const gl_wchar_t *w, gl_wchar_t **wend) { return gl_wcstoul(loc, w, wend, base, grouping); });
}

double gl_wcstod_num_mon(gl_locale *loc, const gl_wchar_t *text, gl_wchar_t **end, int grouping, int monetary)
{
    if (!present(loc, text, text))
        return 0;
    set_error(loc, 0);
    const gl_wchar_t *e = text;
    int error = 0;
    const double d =
        read_double(loc, text, &e, grouping ? GroupMode::kLenient : GroupMode::kNone, monetary != 0, &error);
    if (end != nullptr)
        *end = const_cast<gl_wchar_t *>(e);
    if (error != 0)
        set_error(loc, error);
    return d;
}

double gl_wcstod(gl_locale *loc, const gl_wchar_t *text, gl_wchar_t **end, int grouping)
{
    gl_wchar_t *e = nullptr;
    const double d = gl_wcstod_num_mon(loc, text, &e, grouping, 0);
    if (end != nullptr)
        *end = e;
    const int error = error_of(loc);
    if (text == nullptr || e == text) {
        if (error != GL_ENUMSIGN)
            set_error(loc, GL_ENUMRANGE);
        return 2147483647.0;
    }
    if (error == GL_ENUMRANGE && std::isinf(d))
        return 2147483647.0;
    return d;
}

double gl_mbstod(gl_locale *loc, const char *text, char **end, int grouping)
{
    return through_wide(loc, text, end, kPlainMax + 64, 2147483647.0,
                        [&](const gl_wchar_t *w, gl_wchar_t **wend) { return gl_wcstod(loc, w, wend, grouping); });
}

} // extern "C"
