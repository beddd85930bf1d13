// INT8 conversions: text in the client number format (trw_int8cvasc) and
// plain text out (trw_int8tostr, trw_int8toasc), DECIMAL both ways
// (trw_int8cvdec, trw_int8todec, deccvint8), double and float both ways.
//
// Text is read in place within its length and never written. A decimal text
// is reduced to its first 19 significant digits, the count of significant
// digits before the point and the exponent; the value is the number the
// text writes, truncated toward zero, and since any value that can be held
// has at most 19 integer digits, that is all the digits that can matter. So
// an exponent of any size costs nothing and leading zeros do not count.
// DECIMAL and floating values convert directly, without a text in between.
#include <cmath>
#include <cstring>

#include "int8int.h"
#include "numfmt.h"
#include "valrec.h"

using namespace int8ops;

namespace {

constexpr int kMaxIntDigits = 19; // 10^19 > 2^63 > 10^18

constexpr uint64_t kPow10[] = {1ULL,
                               10ULL,
                               100ULL,
                               1000ULL,
                               10000ULL,
                               100000ULL,
                               1000000ULL,
                               10000000ULL,
                               100000000ULL,
                               1000000000ULL,
                               10000000000ULL,
                               100000000000ULL,
                               1000000000000ULL,
                               10000000000000ULL,
                               100000000000000ULL,
                               1000000000000000ULL,
                               10000000000000000ULL,
                               100000000000000000ULL,
                               1000000000000000000ULL,
                               10000000000000000000ULL};
static_assert(sizeof(kPow10) / sizeof(kPow10[0]) == kMaxIntDigits + 1);

bool is_digit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// True when the text at p begins with what (len bytes; never for len 0).
bool at_text(const char *p, const char *end, const char *what, int len)
{
    return len > 0 && end - p >= len && *p == *what &&
           (len == 1 || std::memcmp(p + 1, what + 1, static_cast<size_t>(len - 1)) == 0);
}

const char *skip_blanks(const char *p, const char *end)
{
    while (p < end && *p == ' ')
        ++p;
    return p;
}

// The value of a hexadecimal digit in either case, or -1.
int hex_value(char c)
{
    if (is_digit(c))
        return c - '0';
    const char lower = static_cast<char>(c | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// "0x" digits: a 64-bit two's-complement pattern, leading zeros free, then
// only blanks. At least one digit.
int read_hexadecimal(const char *p, const char *end, int8value *v)
{
    const char *first = p;
    uint64_t pattern = 0;
    for (; p < end && hex_value(*p) >= 0; ++p) {
        if (pattern >> 60 != 0)
            return INT8_OVERFLOW;
        pattern = pattern << 4 | static_cast<unsigned>(hex_value(*p));
    }
    if (p == first || skip_blanks(p, end) != end)
        return INT8_NOTNUMBER;
    if (pattern == kLimit)
        return INT8_OVERFLOW;
    const bool negative = pattern >> 63 != 0;
    set_parts(v, negative, negative ? ~pattern + 1 : pattern);
    return 0;
}

// What a decimal text says: its first significant digits, how many
// significant digits stand before the point (or, when none do, minus the
// zeros after the point before the first one), and the exponent.
struct DecimalText {
    uint64_t leading = 0; // the first `taken` significant digits
    int taken = 0;
    bool any_significant = false;
    int64_t int_digits = 0; // significant digits before the point
    int64_t frac_zeros = 0; // zeros after the point before the first significant digit
    int64_t exponent = 0;

    // The first run of integer digits after the leading zeros, all
    // significant: the common case, taken in one pass.
    void first_integer_run(const char *from, const char *to)
    {
        const int64_t n = to - from;
        if (n == 0)
            return;
        any_significant = true;
        int_digits = n;
        taken = n < kMaxIntDigits ? static_cast<int>(n) : kMaxIntDigits;
        uint64_t acc = 0;
        for (int i = 0; i < taken; ++i)
            acc = acc * 10 + static_cast<unsigned>(from[i] - '0');
        leading = acc;
    }

    void digit(int d, bool after_point)
    {
        if (!any_significant) {
            if (d == 0) {
                frac_zeros += after_point;
                return;
            }
            any_significant = true;
        }
        int_digits += !after_point;
        if (taken < kMaxIntDigits) {
            leading = leading * 10 + static_cast<unsigned>(d);
            ++taken;
        }
    }
};

// The exponent after "e": an optional sign and at least one digit, read
// by the value layer's rstol. An exponent beyond the 32-bit range is held
// at a bound far past any exponent that can change a result.
const char *read_exponent(const char *p, const char *end, int64_t &exponent)
{
    constexpr int64_t kBound = int64_t{1} << 40;
    char text[16];
    int n = 0;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        text[n++] = *p++;
    }
    if (p == end || !is_digit(*p))
        return nullptr;
    while (p + 1 < end && *p == '0' && is_digit(p[1]))
        ++p;
    const char *digits = p;
    while (p < end && is_digit(*p))
        ++p;
    int32_t value = 0;
    if (p - digits > 10) {
        exponent = negative ? -kBound : kBound;
        return p;
    }
    std::memcpy(text + n, digits, static_cast<size_t>(p - digits));
    text[n + (p - digits)] = '\0';
    if (rstol(text, &value) != 0)
        exponent = negative ? -kBound : kBound;
    else
        exponent = value;
    return p;
}

// Scans digits, the point, separators between integer digits and the
// exponent. False when the text is not a number.
bool scan_decimal(const char *p, const char *end, const numfmt &f, DecimalText &t)
{
    while (p < end && *p == '0')
        ++p;
    const char *first = p;
    while (p < end && is_digit(*p))
        ++p;
    t.first_integer_run(first, p);
    bool after_point = false;
    for (;;) {
        while (p < end && is_digit(*p))
            t.digit(*p++ - '0', after_point);
        if (p == end)
            return true;
        if (!after_point && at_text(p, end, f.decimal_point, f.decimal_point_len)) {
            after_point = true;
            p += f.decimal_point_len;
        } else if (!after_point && is_digit(p[-1]) && at_text(p, end, f.thousands_sep, f.thousands_sep_len) &&
                   end - p > f.thousands_sep_len && is_digit(p[f.thousands_sep_len])) {
            p += f.thousands_sep_len;
        } else {
            break;
        }
    }
    if (*p == 'e' || *p == 'E') {
        p = read_exponent(p + 1, end, t.exponent);
        if (p == nullptr)
            return false;
    }
    return skip_blanks(p, end) == end;
}

// The truncated magnitude of a scanned text: 0, or INT8_OVERFLOW.
int decimal_magnitude(const DecimalText &t, uint64_t &mag)
{
    mag = 0;
    if (!t.any_significant)
        return 0;
    // Significant digits before the point once the exponent is applied.
    const int64_t before = (t.int_digits > 0 ? t.int_digits : -t.frac_zeros) + t.exponent;
    if (before <= 0)
        return 0;
    if (before > kMaxIntDigits)
        return INT8_OVERFLOW;
    const int place = static_cast<int>(before);
    if (place <= t.taken) {
        mag = t.leading / kPow10[t.taken - place];
    } else if (__builtin_mul_overflow(t.leading, kPow10[place - t.taken], &mag)) {
        return INT8_OVERFLOW;
    }
    return mag >= kLimit ? INT8_OVERFLOW : 0;
}

int convert_text(const char *p, const char *end, const numfmt &f, int8value *v)
{
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    if (p == end || !(is_digit(*p) || at_text(p, end, f.decimal_point, f.decimal_point_len)))
        return INT8_NOTNUMBER;
    if (*p == '0' && end - p >= 2 && (p[1] == 'x' || p[1] == 'X'))
        return read_hexadecimal(p + 2, end, v);
    DecimalText t;
    if (!scan_decimal(p, end, f, t))
        return INT8_NOTNUMBER;
    uint64_t mag = 0;
    const int status = decimal_magnitude(t, mag);
    if (status == 0)
        set_parts(v, negative, mag);
    return status;
}

// The text of a non-NULL record into out (at least 21 bytes); its length.
int record_text(const int8value *v, char *out)
{
    return decimal_text(v->sign < 0, magnitude(v), out);
}

void fill(char *buf, int len, char c)
{
    if (len > 0)
        std::memset(buf, c, static_cast<size_t>(len));
}

// The NULL double and float: every byte 0xFF.
template <typename F> F null_floating()
{
    F value;
    std::memset(&value, 0xFF, sizeof value);
    return value;
}

template <typename F> bool is_null_floating(F value)
{
    const F null = null_floating<F>();
    return std::memcmp(&value, &null, sizeof value) == 0;
}

} // namespace

extern "C" {

int trw_int8cvasc(const char *text, int len, int8value *v)
{
    if (text == nullptr || len < 0 || v == nullptr)
        return INT8_NOTNUMBER;
    const char *nul = static_cast<const char *>(std::memchr(text, '\0', static_cast<size_t>(len)));
    const char *end = nul != nullptr ? nul : text + len;
    if (end == text) {
        set_null(v);
        return 0;
    }
    int status = 0;
    const numfmt *f = gls_numfmt(&status);
    if (status < 0)
        return status;
    return convert_text(skip_blanks(text, end), end, *f, v);
}

int trw_int8tostr(const int8value *v, char *buf, int len)
{
    if (is_null(v)) {
        fill(buf, len, ' ');
        return 0;
    }
    char text[24];
    const int n = record_text(v, text);
    if (n >= len) {
        fill(buf, len, '*');
        return INT8_TOOLONG;
    }
    std::memcpy(buf, text, static_cast<size_t>(n));
    buf[n] = '\0';
    return 0;
}

int trw_int8toasc(const int8value *v, char *buf, int len)
{
    if (is_null(v)) {
        fill(buf, len, ' ');
        return 0;
    }
    char text[24];
    const int n = record_text(v, text);
    if (n > len) {
        fill(buf, len, '*');
        return INT8_TOOLONG;
    }
    std::memcpy(buf, text, static_cast<size_t>(n));
    fill(buf + n, len - n, ' ');
    return 0;
}

int trw_int8cvdec(const decvalue *dec, int8value *v)
{
    if (dec->sign == -1) {
        set_null(v);
        return 0;
    }
    // Read as decimal.h reads a hand-built record: ndigits within 0..16,
    // pair bytes above 99 as 99, leading zero pairs ignored.
    const int count = dec->ndigits < 0 ? 0 : (dec->ndigits > DEC_NPAIRS ? DEC_NPAIRS : dec->ndigits);
    int first = 0;
    while (first < count && dec->digits[first] == 0)
        ++first;
    const int int_pairs = dec->exponent - first; // pairs before the point from the first non-zero one
    unsigned __int128 mag = 0;
    if (first < count && int_pairs > 0) {
        if (int_pairs > 10) // at least 100^10 = 10^20
            return INT8_OVERFLOW;
        for (int i = 0; i < int_pairs; ++i) {
            const int at = first + i;
            const unsigned pair = at < count ? (dec->digits[at] > 99 ? 99u : dec->digits[at]) : 0u;
            mag = mag * 100 + pair;
        }
        if (mag >= kLimit)
            return INT8_OVERFLOW;
    }
    set_parts(v, dec->sign == 0, static_cast<uint64_t>(mag));
    return 0;
}

int trw_int8todec(const int8value *v, decvalue *dec)
{
    if (is_null(v))
        return decload(dec, -1, 0, nullptr, 0);
    unsigned char pairs[10];
    uint64_t mag = magnitude(v);
    int at = 10;
    while (mag != 0) {
        pairs[--at] = static_cast<unsigned char>(mag % 100);
        mag /= 100;
    }
    return decload(dec, v->sign < 0 ? 0 : 1, 10 - at, pairs + at, 10 - at);
}

int deccvint8(const int8value *v, decvalue *dec)
{
    return trw_int8todec(v, dec);
}

int trw_int8cvdbl(double value, int8value *v)
{
    if (!std::isfinite(value))
        return INT8_NOTFINITE;
    const double mag = std::fabs(std::trunc(value));
    if (mag >= 9223372036854775808.0)
        return INT8_OVERFLOW;
    set_parts(v, value < 0, static_cast<uint64_t>(mag));
    return 0;
}

int trw_int8cvflt(float value, int8value *v)
{
    if (is_null_floating(value)) {
        set_null(v);
        return 0;
    }
    return trw_int8cvdbl(value, v);
}

int trw_int8todbl(const int8value *v, double *out)
{
    if (is_null(v)) {
        *out = null_floating<double>();
        return 0;
    }
    const double mag = static_cast<double>(magnitude(v));
    *out = v->sign < 0 ? -mag : mag;
    return 0;
}

int trw_int8toflt(const int8value *v, float *out)
{
    if (is_null(v)) {
        *out = null_floating<float>();
        return 0;
    }
    double value = 0;
    trw_int8todbl(v, &value);
    *out = static_cast<float>(value);
    return 0;
}

} // extern "C"
