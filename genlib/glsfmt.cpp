// Locale-format front ends of DECIMAL, double and MONEY values:
// trw_gl_convert_number, trw_gl_format_number, trw_gl_convert_double,
// trw_gl_format_double, trw_gl_convert_money and trw_gl_format_money. With
// a format they go through the locale library's number and money format
// languages; without one through the client number format (deccvasc,
// dectoasc, rmondec, rdecmon) or the system's text conversions carried
// into the client's decimal point.
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

#include "decconv.h"
#include "decconvint.h"
#include "gl_ext.h"
#include "glsenv.h"
#include "gl_monfmt.h"
#include "gl_numfmt.h"
#include "numfmt.h"

namespace {

constexpr int kNotNumber = -1213;
constexpr int kBadDoubleFormat = -415;
constexpr int kTooLong = -1207;
constexpr int kNoLocale = -23108;
constexpr int kUnconvertible = 9;
constexpr int kOutOfRange = 14;
constexpr int kBadFormat = 22;

// Memory from the stack for short texts and from the heap for long ones.
class WorkText {
  public:
    explicit WorkText(size_t size)
        : data_(size <= sizeof local_ ? local_ : static_cast<char *>(std::malloc(size))), size_(size)
    {
    }
    ~WorkText()
    {
        if (data_ != local_)
            std::free(data_);
    }
    WorkText(const WorkText &) = delete;
    WorkText &operator=(const WorkText &) = delete;
    char *get() { return data_; }
    int size() const { return static_cast<int>(size_); }

  private:
    char local_[401];
    char *data_;
    size_t size_;
};

// The one conversion of a number format as the front ends classify it: the
// first "%" not doubled, flags " #'+-0", a width, a precision, size letters,
// the conversion character.
enum class Kind { kNone, kFloating, kInteger, kSeveral };

struct FormatConversion {
    Kind kind = Kind::kNone;
    char size = '\0'; // 'l' or 'h'
};

const char *find_conversion(const char *p, char *size, char *letter)
{
    for (; *p != '\0'; ++p) {
        if (*p != '%')
            continue;
        if (p[1] == '%') {
            ++p;
            continue;
        }
        ++p;
        while (*p != '\0' && std::strchr(" #'+-0", *p) != nullptr)
            ++p;
        while ((*p >= '0' && *p <= '9') || *p == '.')
            ++p;
        *size = '\0';
        for (; *p == 'l' || *p == 'L' || *p == 'h' || *p == 'H'; ++p)
            *size = (*p == 'h' || *p == 'H') ? 'h' : 'l';
        if (*p == '\0')
            return nullptr;
        *letter = *p;
        return p + 1;
    }
    return nullptr;
}

FormatConversion classify(const char *format)
{
    FormatConversion c;
    char letter = '\0';
    char ignored_size, ignored_letter;
    const char *after = format != nullptr ? find_conversion(format, &c.size, &letter) : nullptr;
    if (after == nullptr)
        return c;
    if (find_conversion(after, &ignored_size, &ignored_letter) != nullptr)
        c.kind = Kind::kSeveral;
    else if (std::strchr("EGefg", letter) != nullptr)
        c.kind = Kind::kFloating;
    else if (std::strchr("Xbdioqux", letter) != nullptr)
        c.kind = Kind::kInteger;
    return c;
}

// Exactly one floating conversion, optionally with "l" before its letter.
bool one_floating_conversion(const char *format)
{
    const FormatConversion c = classify(format);
    return c.kind == Kind::kFloating && c.size != 'h';
}

// The integer a number format reads, by its size letter.
bool parse_integer(gl_locale *loc, const char *text, const char *format, char size, long *value)
{
    int16_t h = 0;
    int32_t i = 0;
    int64_t l = 0;
    void *target = size == 'h' ? static_cast<void *>(&h) : size == 'l' ? static_cast<void *>(&l) : &i;
    if (gl_mbspnum(loc, text, format, target) != 1)
        return false;
    *value = size == 'h' ? h : size == 'l' ? l : i;
    return true;
}

// Formats one integer by the kind of value the format describes.
int format_integer(gl_locale *loc, char *out, int size, const char *format, int value)
{
    int kinds[2] = {};
    if (_gl_mbsfnum_kinds(loc, format, kinds, 2) != 1)
        return -1;
    gl_fmt_value v{};
    v.kind = kinds[0];
    if (v.kind == GL_FMT_INT64)
        v.v.l = value;
    else
        v.v.i = value;
    return _gl_mbsfnum_values(loc, out, size, format, &v, 1);
}

// 0 when the client locale is ready, else the status saved by its
// initialisation (-23108 when none was saved).
int locale_ready()
{
    const int status = chkglsinit();
    const GlsEnv *env = CheckGlsEnv();
    if (status == 0 && env->locale != nullptr)
        return 0;
    return status != 0 ? status : env->state->error != 0 ? env->state->error : kNoLocale;
}

int failed(int error)
{
    decconv::set_locale_error(error);
    return -1;
}

bool locale_point_differs(const numfmt &f)
{
    return f.locale_decimal_point_len > 0 && std::strcmp(f.locale_decimal_point, f.decimal_point) != 0;
}

void cut_trailing_blanks(char *text, int len)
{
    while (len > 0 && text[len - 1] == ' ')
        --len;
    text[len] = '\0';
}

// The check of the original text after a locale parse: a sign, then only
// digits, blanks, one point, one "e" and one sign after it, not ending
// right after the "e" or its sign.
bool plain_number_text(const char *p, const numfmt &f)
{
    if (f.negative_sign_len > 0 && std::strncmp(p, f.negative_sign, f.negative_sign_len) == 0)
        p += f.negative_sign_len;
    else if (*p == '-')
        ++p;
    else if (f.positive_sign_len > 0 && std::strncmp(p, f.positive_sign, f.positive_sign_len) == 0)
        p += f.positive_sign_len;
    else if (f.positive_sign_len == 0 && *p == '+')
        ++p;
    bool point = false;
    bool exponent = false;
    bool exponent_end = false;
    while (*p != '\0') {
        if ((*p >= '0' && *p <= '9') || *p == ' ') {
            exponent_end = false;
            ++p;
        } else if (!point && !exponent && std::strncmp(p, f.decimal_point, f.decimal_point_len) == 0) {
            point = true;
            p += f.decimal_point_len;
        } else if (!exponent && (*p == 'e' || *p == 'E')) {
            exponent = exponent_end = true;
            ++p;
            if (*p == '+' || *p == '-')
                ++p;
        } else {
            return false;
        }
    }
    return !exponent_end;
}

locale_t c_locale()
{
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// The system's text-to-double conversion of text written with point.
int system_double(const char *text, const numfmt &f, double *value)
{
    WorkText work(std::strlen(text) + 1);
    if (work.get() == nullptr)
        return -406;
    const char *point = f.locale_decimal_point_len > 0 ? f.locale_decimal_point : f.decimal_point;
    const int pointlen = f.locale_decimal_point_len > 0 ? f.locale_decimal_point_len : f.decimal_point_len;
    char *out = work.get();
    for (const char *p = text; *p != '\0';) {
        if (std::strncmp(p, point, static_cast<size_t>(pointlen)) == 0) {
            *out++ = '.';
            p += pointlen;
        } else {
            *out++ = *p++;
        }
    }
    *out = '\0';
    char *end = nullptr;
    errno = 0;
    *value = strtod_l(work.get(), &end, c_locale());
    while (end != nullptr && *end == ' ')
        ++end;
    if (end == work.get() || (end != nullptr && *end != '\0' && *end != '\n') || errno == ERANGE) {
        decconv::set_locale_error(kUnconvertible);
        return kNotNumber;
    }
    return 0;
}

// "0x..." of more than two characters: an unsigned 64-bit hexadecimal value.
int hexadecimal_double(const char *text, double *value)
{
    char *end = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(text + 2, &end, 16);
    while (end != nullptr && *end == ' ')
        ++end;
    if (end == text + 2 || errno == ERANGE || (end != nullptr && *end != '\0'))
        return kNotNumber;
    *value = static_cast<double>(n);
    return 0;
}

} // namespace

namespace decconv {

void set_locale_error(int error)
{
    gl_locale *loc = CheckGlsEnv()->locale;
    *_gl_ext_errno(loc) = error;
}

} // namespace decconv

extern "C" {

int trw_gl_convert_number(decvalue *dec, const char *text, const char *format)
{
    if (dec == nullptr || text == nullptr || locale_ready() != 0)
        return failed(kUnconvertible);
    if (format == nullptr)
        return deccvasc(text, static_cast<int>(std::strlen(text)), dec) < 0 ? failed(kUnconvertible) : 0;
    gl_locale *loc = CheckGlsEnv()->locale;
    const FormatConversion conv = classify(format);
    switch (conv.kind) {
    case Kind::kFloating: {
        double value = 0;
        if (gl_mbspnum(loc, text, format, &value) != 1 || deccvdbl(value, dec) != 0)
            return failed(kUnconvertible);
        return 0;
    }
    case Kind::kInteger: {
        long value = 0;
        if (!parse_integer(loc, text, format, conv.size, &value) || value < -2147483647L || value > 2147483647L ||
            deccvint(static_cast<int>(value), dec) != 0)
            return failed(kUnconvertible);
        return 0;
    }
    default:
        return failed(kBadFormat);
    }
}

int trw_gl_format_number(char *out, int size, const decvalue *dec, const char *format)
{
    if (out == nullptr || size <= 0 || dec == nullptr || locale_ready() != 0)
        return failed(kUnconvertible);
    if (format == nullptr) {
        if (dectoasc(dec, out, size - 1, -1) != 0)
            return failed(kUnconvertible);
        cut_trailing_blanks(out, size - 1);
        return 0;
    }
    gl_locale *loc = CheckGlsEnv()->locale;
    int written = -1;
    switch (classify(format).kind) {
    case Kind::kFloating: {
        double value = 0;
        if (dectodbl(dec, &value) == 0)
            written = gl_mbsfnum(loc, out, size, format, value);
        break;
    }
    case Kind::kInteger: {
        int value = 0;
        if (dectoint(dec, &value) == 0)
            written = format_integer(loc, out, size, format, value);
        break;
    }
    default:
        return failed(kBadFormat);
    }
    return written < 1 ? failed(kUnconvertible) : 0;
}

int trw_gl_convert_double(double *value, const char *text, const char *format)
{
    if (int status = locale_ready())
        return status;
    if (value == nullptr || text == nullptr)
        return kNotNumber;
    while (*text == ' ')
        ++text;
    if (*text == '\0') {
        std::memset(value, 0xFF, sizeof *value);
        return 0;
    }
    const numfmt &f = *gls_numfmt(nullptr);
    const size_t length = std::strlen(text);
    WorkText work(length * NUMFMT_CHAR_MAX + 1);
    if (work.get() == nullptr)
        return -406;
    if (!locale_point_differs(f))
        std::memcpy(work.get(), text, length + 1);
    else if (gdecimalpoint(text, f.decimal_point, f.decimal_point_len, f.locale_decimal_point,
                           f.locale_decimal_point_len, work.get(), work.size()) != 0)
        return kNotNumber;
    if (std::strlen(work.get()) > 2 && std::strncmp(work.get(), "0x", 2) == 0)
        return hexadecimal_double(work.get(), value);
    if (format == nullptr)
        return system_double(work.get(), f, value);
    double parsed = 0;
    if (classify(format).kind != Kind::kFloating ||
        gl_mbspnum(CheckGlsEnv()->locale, work.get(), format, &parsed) != 1 || !plain_number_text(text, f))
        return kNotNumber;
    *value = parsed;
    return 0;
}

int trw_gl_format_double(char *out, int size, double value, const char *format)
{
    if (int status = locale_ready())
        return status;
    if (out == nullptr || size <= 0 || (format != nullptr && !one_floating_conversion(format)))
        return kBadDoubleFormat;
    const numfmt &f = *gls_numfmt(nullptr);
    char work[400];
    if (format != nullptr) {
        if (gl_mbsfnum(CheckGlsEnv()->locale, work, sizeof work, format, value) < 0)
            return kBadDoubleFormat;
    } else {
        std::snprintf(work, sizeof work, "%G", value);
        // Written with the locale's point, as the locale formatter would.
        const char *system = std::localeconv()->decimal_point;
        char *at = std::strstr(work, system != nullptr && *system != '\0' ? system : ".");
        if (at != nullptr && f.locale_decimal_point_len == 1)
            *at = f.locale_decimal_point[0];
    }
    if (std::strlen(work) > static_cast<size_t>(size - 1))
        return kTooLong;
    if (!locale_point_differs(f)) {
        std::memcpy(out, work, std::strlen(work) + 1);
        return 0;
    }
    return gdecimalpoint(work, f.locale_decimal_point, f.locale_decimal_point_len, f.decimal_point,
                         f.decimal_point_len, out, size) == 0
               ? 0
               : kTooLong;
}

int trw_gl_convert_money(decvalue *dec, const char *text, const char *format)
{
    if (trw_gl_init() != 0)
        return -1;
    if (dec == nullptr || text == nullptr)
        return failed(kUnconvertible);
    if (format != nullptr) {
        gl_locale *loc = CheckGlsEnv()->locale;
        if (_gl_mbsfmon_count(loc, format) > 1)
            return failed(kBadFormat);
        double value = 0;
        if (gl_mbspmon(loc, text, format, &value) == nullptr)
            return -1;
        return deccvdbl(value, dec) == 0 ? 0 : failed(kUnconvertible);
    }
    const int length = static_cast<int>(std::strlen(text));
    WorkText work(static_cast<size_t>(length) * NUMFMT_CHAR_MAX + 1);
    if (work.get() == nullptr)
        return failed(kUnconvertible);
    rmondec(text, length, work.get());
    const int status = deccvasc(work.get(), static_cast<int>(std::strlen(work.get())), dec);
    if (status == DEC_OVERFLOW || status == DEC_UNDERFLOW)
        return failed(kOutOfRange);
    return status != 0 ? failed(kUnconvertible) : 0;
}

int trw_gl_format_money(char *out, int size, const decvalue *dec, const char *format)
{
    if (trw_gl_init() != 0)
        return -1;
    if (out == nullptr || dec == nullptr)
        return failed(kUnconvertible);
    if (format != nullptr) {
        gl_locale *loc = CheckGlsEnv()->locale;
        if (_gl_mbsfmon_count(loc, format) > 1)
            return failed(kBadFormat);
        double value = 0;
        if (dectodbl(dec, &value) != 0)
            return failed(kUnconvertible);
        return gl_mbsfmon(loc, out, size, format, value) < 0 ? -1 : 0;
    }
    if (size <= 0 || size > 80)
        size = 80;
    int width = size - rfrontlen() - rbacklen() - 1;
    if (width > 80)
        width = 80;
    if (width <= 0)
        return failed(kUnconvertible);
    char text[81];
    if (dectoasc(dec, text, width, genlcscale()) != 0)
        return failed(kUnconvertible);
    cut_trailing_blanks(text, width);
    return decconv::money_text(text, out, static_cast<size_t>(size)) < 0 ? failed(kUnconvertible) : 0;
}

} // extern "C"
