// The number and money format languages as the DECIMAL and MONEY front ends
// of the data-type library use them: a format of literal text around one
// conversion, written and read with the system's formatted print and text
// conversions in the C conventions, then carried over into the locale's
// NUMERIC or MONETARY conventions (decimal point, thousands separator by the
// grouping, currency symbol). The locale library's own format languages
// take over these entry points when they are linked in.
#include "glsfmtlang.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace glsfmt {

namespace {

constexpr int kE2big = 14;
constexpr int kRange = 6;
constexpr int kBadFormat = 22;
constexpr int kNoDigits = 46;

struct Spec {
    const char *start = nullptr; // the '%'
    const char *end = nullptr;   // after the conversion character
    char flags[16] = {};
    int width = -1;
    int precision = -1;
    int right = -1; // money: digits after the point ("." precision)
    char letter = '\0';
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int read_number(const char *&p)
{
    int n = 0;
    for (; is_digit(*p); ++p)
        if (n < 100000)
            n = n * 10 + (*p - '0');
    return n;
}

// The first conversion of format (skipping "%%"): flags from allowed, a
// width, a precision, size letters, the conversion character.
bool find_conversion(const char *format, const char *allowed, Spec &s)
{
    const char *p = format;
    for (; *p != '\0'; ++p) {
        if (*p != '%')
            continue;
        if (p[1] == '%') {
            ++p;
            continue;
        }
        s.start = p++;
        size_t nflags = 0;
        while (*p != '\0' && std::strchr(allowed, *p) != nullptr) {
            if (nflags + 1 < sizeof s.flags)
                s.flags[nflags++] = *p;
            if (*p == '=' && p[1] != '\0')
                ++p; // the fill character of a money format
            ++p;
        }
        if (is_digit(*p))
            s.width = read_number(p);
        if (*p == '#') {
            ++p;
            read_number(p);
        }
        if (*p == '.') {
            ++p;
            s.precision = read_number(p);
        }
        while (*p == 'l' || *p == 'L' || *p == 'h' || *p == 'H')
            ++p;
        if (*p == '\0')
            return false;
        s.letter = *p;
        s.end = p + 1;
        return true;
    }
    return false;
}

bool has_flag(const Spec &s, char flag) { return std::strchr(s.flags, flag) != nullptr; }

int fail(gl_locale *loc, int error)
{
    if (loc != nullptr)
        loc->error = error;
    return -1;
}

// Appends literal format text (from, to) to out, "%%" as "%".
bool append_literal(const char *from, const char *to, char *out, int size, int &at)
{
    for (const char *p = from; p < to; ++p) {
        if (*p == '%' && p + 1 < to && p[1] == '%')
            ++p;
        if (at + 1 >= size)
            return false;
        out[at++] = *p;
    }
    return true;
}

// Inserts sep among the integer digits of text by a C-locale grouping.
void group_digits(char *text, size_t capacity, const char *sep, const char *grouping)
{
    const size_t seplen = std::strlen(sep);
    if (seplen == 0 || grouping == nullptr || grouping[0] <= 0 || grouping[0] == 127)
        return;
    char *first = text;
    while (*first != '\0' && !is_digit(*first))
        ++first;
    char *last = first;
    while (is_digit(*last))
        ++last;
    char out[512];
    size_t put = 0;
    int size = grouping[0];
    int gi = 0;
    int in_group = 0;
    char reversed[512];
    for (char *p = last; p > first && put + seplen + 1 < sizeof reversed; --p) {
        if (in_group == size && size > 0) {
            for (size_t k = seplen; k > 0; --k)
                reversed[put++] = sep[k - 1];
            in_group = 0;
            if (grouping[gi + 1] > 0 && grouping[gi + 1] != 127)
                size = grouping[++gi];
            else if (grouping[gi + 1] == 127)
                size = -1;
        }
        reversed[put++] = p[-1];
        ++in_group;
    }
    const size_t head = static_cast<size_t>(first - text);
    const size_t tail = std::strlen(last);
    if (head + put + tail + 1 > capacity || head + put + tail + 1 > sizeof out)
        return;
    std::memcpy(out, text, head);
    for (size_t i = 0; i < put; ++i)
        out[head + i] = reversed[put - 1 - i];
    std::memcpy(out + head + put, last, tail + 1);
    std::memcpy(text, out, head + put + tail + 1);
}

// Replaces the system's decimal point in text with point.
void use_point(char *text, size_t capacity, const char *point)
{
    const char *system = std::localeconv()->decimal_point;
    char *at = std::strstr(text, system != nullptr && *system != '\0' ? system : ".");
    if (at == nullptr || point == nullptr)
        return;
    const size_t old_len = std::strlen(system != nullptr && *system != '\0' ? system : ".");
    const size_t new_len = std::strlen(point);
    const size_t rest = std::strlen(at + old_len);
    if (static_cast<size_t>(at - text) + new_len + rest + 1 > capacity)
        return;
    std::memmove(at + new_len, at + old_len, rest + 1);
    std::memcpy(at, point, new_len);
}

// Writes prefix, the rendered conversion and suffix into out.
int compose(gl_locale *loc, const char *format, const Spec &s, const char *rendered, char *out, int size)
{
    int at = 0;
    if (out == nullptr || size <= 0 || !append_literal(format, s.start, out, size, at))
        return fail(loc, kE2big);
    const size_t n = std::strlen(rendered);
    if (at + static_cast<int>(n) + 1 > size)
        return fail(loc, kE2big);
    std::memcpy(out + at, rendered, n);
    at += static_cast<int>(n);
    if (!append_literal(s.end, s.end + std::strlen(s.end), out, size, at))
        return fail(loc, kE2big);
    out[at] = '\0';
    return at;
}

const char *numeric_text(const gl_locale *loc, int which)
{
    const gl_lc_numeric *n = loc != nullptr ? loc->numeric : nullptr;
    const char *text = n == nullptr ? nullptr : which == 0 ? n->decimal_point : n->thousands_sep;
    return text != nullptr && (*text != '\0' || which != 0) ? text : which == 0 ? "." : "";
}

// The system's print directive for one conversion, with the flags it knows.
void printf_spec(const Spec &s, const char *size_letters, char *out, size_t n)
{
    char flags[16] = {};
    size_t k = 0;
    for (const char *f = s.flags; *f != '\0'; ++f)
        if (std::strchr("-+ #0", *f) != nullptr && k + 1 < sizeof flags)
            flags[k++] = *f;
    char width[16] = {};
    char precision[16] = {};
    if (s.width > 0)
        std::snprintf(width, sizeof width, "%d", s.width);
    if (s.precision >= 0)
        std::snprintf(precision, sizeof precision, ".%d", s.precision > 300 ? 300 : s.precision);
    std::snprintf(out, n, "%%%s%s%s%s%c", flags, width, precision, size_letters, s.letter);
}

locale_t c_locale()
{
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Reads [sign] digits [point digits] [e [sign] digits] at p with the given
// point and separator (dropped); the C text of it goes to out.
bool read_decimal(const char *&p, const char *point, const char *sep, bool *signed_only, char *out, size_t n)
{
    size_t put = 0;
    auto add = [&](char c) {
        if (put + 1 < n)
            out[put++] = c;
    };
    if (*p == '-' || *p == '+')
        add(*p++);
    bool digits = false;
    const size_t plen = std::strlen(point);
    const size_t slen = std::strlen(sep);
    for (;;) {
        if (is_digit(*p)) {
            add(*p++);
            digits = true;
        } else if (slen > 0 && std::strncmp(p, sep, slen) == 0 && is_digit(p[slen])) {
            p += slen;
        } else {
            break;
        }
    }
    if (plen > 0 && std::strncmp(p, point, plen) == 0) {
        p += plen;
        add('.');
        for (; is_digit(*p); ++p, digits = true)
            add(*p);
    }
    if (digits && (*p == 'e' || *p == 'E')) {
        const char *q = p + 1;
        if (*q == '+' || *q == '-')
            ++q;
        if (is_digit(*q)) {
            add('e');
            for (++p; *p == '+' || *p == '-' || is_digit(*p); ++p)
                add(*p);
        }
    }
    out[put] = '\0';
    *signed_only = !digits && put > 0;
    return digits;
}

// Matches the literal format text before the conversion against the text.
bool match_prefix(const char *format, const Spec &s, const char *&text)
{
    for (const char *f = format; f < s.start; ++f) {
        if (*f == ' ' || *f == '\t' || *f == '\n') {
            while (*text == ' ' || *text == '\t' || *text == '\n')
                ++text;
            continue;
        }
        if (*f == '%' && f + 1 < s.start)
            ++f;
        if (*text != *f)
            return false;
        ++text;
    }
    return true;
}

int parse_with(gl_locale *loc, const char *text, const char *format, const char *letters, const char *point,
               const char *sep, double *value)
{
    Spec s;
    if (text == nullptr || format == nullptr || !find_conversion(format, " #'+-0=^(!", s) ||
        std::strchr(letters, s.letter) == nullptr || !match_prefix(format, s, text))
        return fail(loc, kBadFormat);
    if (!has_flag(s, '-') && !has_flag(s, '0'))
        while (*text == ' ' || *text == '\t')
            ++text;
    char c_text[512];
    bool signed_only = false;
    if (!read_decimal(text, point, sep, &signed_only, c_text, sizeof c_text))
        return fail(loc, signed_only ? kNoDigits : kBadFormat);
    errno = 0;
    *value = strtod_l(c_text, nullptr, c_locale());
    if (errno == ERANGE && std::isinf(*value))
        return fail(loc, kRange);
    return 1;
}

} // namespace

Kind classify(const char *format)
{
    Spec s;
    if (format == nullptr || !find_conversion(format, " #'+-", s))
        return Kind::kNone;
    Spec second;
    if (find_conversion(s.end, " #'+-", second))
        return Kind::kSeveral;
    if (std::strchr("EGefg", s.letter) != nullptr)
        return Kind::kFloating;
    if (std::strchr("Xbdioqux", s.letter) != nullptr)
        return Kind::kInteger;
    return Kind::kNone;
}

int conversions(const char *format)
{
    int count = 0;
    for (const char *p = format; p != nullptr && *p != '\0'; ++p) {
        if (*p != '%')
            continue;
        if (p[1] == '%')
            ++p;
        else
            ++count;
    }
    return count;
}

bool one_floating_conversion(const char *format)
{
    Spec s;
    if (format == nullptr || conversions(format) != 1 || !find_conversion(format, " #'+-0", s))
        return false;
    return std::strchr("EGefg", s.letter) != nullptr && s.letter != '\0';
}

int format_number(gl_locale *loc, char *out, int size, const char *format, double value)
{
    Spec s;
    if (format == nullptr || !find_conversion(format, " #'+-0", s) || std::strchr("EGefg", s.letter) == nullptr)
        return fail(loc, kBadFormat);
    if (s.width >= 100)
        return fail(loc, kE2big);
    char spec[48];
    printf_spec(s, "", spec, sizeof spec);
    char rendered[512];
    std::snprintf(rendered, sizeof rendered, spec, value);
    if (has_flag(s, '\'') && s.letter == 'f')
        group_digits(rendered, sizeof rendered, numeric_text(loc, 1),
                     loc != nullptr && loc->lconv != nullptr ? loc->lconv->grouping : nullptr);
    use_point(rendered, sizeof rendered, numeric_text(loc, 0));
    return compose(loc, format, s, rendered, out, size);
}

int format_integer(gl_locale *loc, char *out, int size, const char *format, long value)
{
    Spec s;
    if (format == nullptr || !find_conversion(format, " #'+-0", s) || std::strchr("Xbdioqux", s.letter) == nullptr)
        return fail(loc, kBadFormat);
    char rendered[160];
    if (s.letter == 'b' || s.letter == 'q') {
        const unsigned long base = s.letter == 'b' ? 2 : 4;
        unsigned long magnitude = value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
        char digits[80];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + magnitude % base);
            magnitude /= base;
        } while (magnitude != 0);
        int at = 0;
        if (value < 0)
            rendered[at++] = '-';
        while (n > 0)
            rendered[at++] = digits[--n];
        rendered[at] = '\0';
    } else {
        char spec[48];
        printf_spec(s, "l", spec, sizeof spec);
        std::snprintf(rendered, sizeof rendered, spec, value);
    }
    if (has_flag(s, '\'') && (s.letter == 'd' || s.letter == 'i' || s.letter == 'u'))
        group_digits(rendered, sizeof rendered, numeric_text(loc, 1),
                     loc != nullptr && loc->lconv != nullptr ? loc->lconv->grouping : nullptr);
    return compose(loc, format, s, rendered, out, size);
}

int format_money(gl_locale *loc, char *out, int size, const char *format, double value)
{
    Spec s;
    if (format == nullptr || !find_conversion(format, "=^+(!-", s) || (s.letter != 'n' && s.letter != 'i'))
        return fail(loc, kBadFormat);
    const gl_lconv *c = loc != nullptr ? loc->lconv : nullptr;
    int digits = s.precision >= 0 ? s.precision : c != nullptr ? (s.letter == 'i' ? c->int_frac_digits : c->frac_digits) : 2;
    if (digits < 0 || digits > 30)
        digits = 2;
    char number[400];
    std::snprintf(number, sizeof number, "%.*f", digits, std::fabs(value));
    if (!has_flag(s, '^') && c != nullptr)
        group_digits(number, sizeof number, c->mon_thousands_sep, c->mon_grouping);
    const char *point = c != nullptr && *c->mon_decimal_point != '\0' ? c->mon_decimal_point : ".";
    use_point(number, sizeof number, point);
    const char *symbol = has_flag(s, '!') || c == nullptr ? "" : s.letter == 'i' ? c->int_curr_symbol : c->currency_symbol;
    const bool before = c == nullptr || (value < 0 ? c->n_cs_precedes : c->p_cs_precedes) != 0;
    char rendered[512];
    std::snprintf(rendered, sizeof rendered, "%s%s%s%s", value < 0 ? "-" : "", before ? symbol : "", number,
                  before ? "" : symbol);
    if (s.width > 0 && static_cast<int>(std::strlen(rendered)) < s.width && s.width < 400) {
        char padded[512];
        std::snprintf(padded, sizeof padded, has_flag(s, '-') ? "%-*s" : "%*s", s.width, rendered);
        std::memcpy(rendered, padded, std::strlen(padded) + 1);
    }
    return compose(loc, format, s, rendered, out, size);
}

int parse_number(gl_locale *loc, const char *text, const char *format, double *value)
{
    const char *sep = numeric_text(loc, 1);
    Spec s;
    const bool grouped = format != nullptr && find_conversion(format, " #'+-0", s) && has_flag(s, '\'');
    return parse_with(loc, text, format, "EGefg", numeric_text(loc, 0), grouped ? sep : "", value);
}

int parse_integer(gl_locale *loc, const char *text, const char *format, long *value)
{
    double parsed = 0;
    if (parse_with(loc, text, format, "Xbdioqux", "", "", &parsed) != 1)
        return -1;
    if (parsed > 9.2e18 || parsed < -9.2e18)
        return fail(loc, kRange);
    *value = static_cast<long>(parsed);
    return 1;
}

int parse_money(gl_locale *loc, const char *text, const char *format, double *value)
{
    const gl_lconv *c = loc != nullptr ? loc->lconv : nullptr;
    const char *point = c != nullptr && *c->mon_decimal_point != '\0' ? c->mon_decimal_point : ".";
    const char *sep = c != nullptr ? c->mon_thousands_sep : "";
    if (text == nullptr)
        return fail(loc, kBadFormat);
    // The currency symbol may stand before the amount: skip it.
    char copy[512];
    std::snprintf(copy, sizeof copy, "%s", text);
    if (c != nullptr && *c->currency_symbol != '\0') {
        char *at = std::strstr(copy, c->currency_symbol);
        if (at != nullptr)
            std::memmove(at, at + std::strlen(c->currency_symbol), std::strlen(at + std::strlen(c->currency_symbol)) + 1);
    }
    return parse_with(loc, copy, format, "ni", point, sep, value);
}

} // namespace glsfmt
