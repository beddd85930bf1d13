// DECIMAL digit strings and number conversions: dececvt and decfcvt (and
// their copying forms trw_dececvt, trw_decfcvt) over the work buffer of the
// control block, the 32-bit integer conversions (deccvint, deccvlong,
// dectoint, dectolong), and the floating conversions (deccvdbl, deccvflt
// through the C library's correctly rounded significant digits; dectodbl,
// dectoflt through the text of the value; _gftoasc, _gnftoasc).
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "decconv.h"
#include "decconvint.h"
#include "gentcb.h"
#include "osenv.h"
#include "valrec.h"

namespace {

constexpr int kTooLarge = -1200;
constexpr int kNotFinite = -1223;
constexpr int kBufferTooSmall = -1273;
constexpr int kNoBlock = -406;
constexpr int kInt32Null = INT32_MIN;
constexpr int kIntNull = -32768;
constexpr size_t kWorkMinimum = 80 + 2;

int clamped_pairs(const decvalue *dec) { return dec->ndigits < 0 ? 0 : dec->ndigits > DEC_NPAIRS ? DEC_NPAIRS : dec->ndigits; }

int pair_at(const decvalue *dec, int i) { return dec->digits[i] > 99 ? 99 : dec->digits[i]; }

// The work buffer of the control block, grown to hold size bytes.
char *work_buffer(size_t size)
{
    struct gentcb *block = CheckGenInit();
    if (block == nullptr)
        return nullptr;
    if (size < kWorkMinimum)
        size = kWorkMinimum;
    if (block->gt_decbuf == nullptr || static_cast<size_t>(block->gt_decbuf_size) < size) {
        if (size > static_cast<size_t>(INT32_MAX))
            return nullptr;
        auto *grown = static_cast<char *>(std::realloc(block->gt_decbuf, size));
        if (grown == nullptr)
            return nullptr;
        block->gt_decbuf = grown;
        block->gt_decbuf_size = static_cast<int32_t>(size);
    }
    return block->gt_decbuf;
}

// ecvt (fixed false) and fcvt (fixed true) into the work buffer.
char *digit_string(const decvalue *dec, int ndigit, bool fixed, int *decpt, int *sign)
{
    if (dec == nullptr)
        return nullptr;
    if (dec->sign == -1) {
        const size_t n = ndigit > 0 ? static_cast<size_t>(ndigit) : 0;
        char *out = work_buffer(n + 1);
        if (out == nullptr)
            return nullptr;
        std::memset(out, ' ', n);
        out[n] = '\0';
        if (decpt != nullptr)
            *decpt = 0;
        if (sign != nullptr)
            *sign = 0;
        return out;
    }
    decconv::Digits d;
    decconv::make_digits(dec, ndigit, fixed, d);
    char *out = work_buffer(static_cast<size_t>(d.count) + 1);
    if (out == nullptr)
        return nullptr;
    const long held = d.n < d.count ? d.n : d.count;
    std::memcpy(out, d.d, static_cast<size_t>(held));
    std::memset(out + held, '0', static_cast<size_t>(d.count - held));
    out[d.count] = '\0';
    if (decpt != nullptr)
        *decpt = d.point;
    if (sign != nullptr)
        *sign = d.negative ? 1 : 0;
    return out;
}

int copy_digits(const char *digits, char *buf, int size)
{
    if (CheckGenInit() == nullptr)
        return kNoBlock;
    if (digits == nullptr || buf == nullptr || size <= 0)
        return kBufferTooSmall;
    const size_t n = std::strlen(digits);
    if (n >= static_cast<size_t>(size))
        return kBufferTooSmall;
    std::memcpy(buf, digits, n + 1);
    return 0;
}

// 16 or 17 significant digits for a double (TRW_USE_PREC_16), read once.
bool precision_16()
{
    struct gentcb *block = CheckGenInit();
    if (block != nullptr && block->gt_prec16 != 0)
        return block->gt_prec16 == 1;
    const char *value = idx_ggetenv("TRW_USE_PREC_16", OSENV_TRW_USE_PREC_16);
    const bool on = value != nullptr && std::strcmp(value, "1") == 0;
    if (block != nullptr)
        block->gt_prec16 = on ? 1 : 2;
    return on;
}

// A finite non-zero double to DECIMAL with the given significant digits.
int from_double(double value, int significant, decvalue *dec)
{
    if (!std::isfinite(value))
        return kNotFinite;
    if (value == 0.0) {
        decconv::set_zero(dec);
        return 0;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", significant - 1, value);
    unsigned char digits[24];
    int count = 0;
    const char *p = text;
    const bool negative = *p == '-';
    for (; *p != '\0' && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9' && count < static_cast<int>(sizeof digits))
            digits[count++] = static_cast<unsigned char>(*p - '0');
    const long exponent = *p == 'e' ? std::strtol(p + 1, nullptr, 10) : 0;
    return decconv::load_decimal_digits(dec, negative, digits, count, exponent + 1);
}

// The text of a value for the text-to-double step: "-" when negative, the
// pairs as digits with the client decimal point, and "E" with a decimal
// exponent of at least two digits when the point does not fall in them.
void double_text(const decvalue *dec, char *out, const numfmt &f)
{
    const int n = clamped_pairs(dec);
    const int exponent = dec->exponent;
    char *p = out;
    if (dec->sign == 0)
        *p++ = '-';
    auto pairs = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            *p++ = static_cast<char>('0' + pair_at(dec, i) / 10);
            *p++ = static_cast<char>('0' + pair_at(dec, i) % 10);
        }
    };
    auto point = [&] {
        std::memcpy(p, f.decimal_point, static_cast<size_t>(f.decimal_point_len));
        p += f.decimal_point_len;
    };
    int decimal_exponent = 0;
    if (exponent <= 0) {
        *p++ = '0';
        point();
        pairs(0, n);
        decimal_exponent = 2 * exponent;
    } else if (exponent < n) {
        pairs(0, exponent);
        point();
        pairs(exponent, n);
    } else {
        pairs(0, n);
        decimal_exponent = 2 * (exponent - n);
    }
    if (decimal_exponent != 0)
        p += std::sprintf(p, "E%s%02d", decimal_exponent < 0 ? "-" : "",
                          decimal_exponent < 0 ? -decimal_exponent : decimal_exponent);
    *p = '\0';
}

// Text of a double outside the DECIMAL range, in the system's exponent form.
void exponent_text(double value, char *buf, int size, bool narrow)
{
    if (!narrow) {
        char text[400];
        std::snprintf(text, sizeof text, "%*le", size - 1, value);
        const char *p = text;
        while (*p == ' ')
            ++p;
        std::snprintf(buf, static_cast<size_t>(size), "%s", p);
        return;
    }
    const numfmt &f = decconv::format_as_is();
    int precision = size - (value < 0 ? 1 : 0) - f.decimal_point_len - 7;
    if (precision > 15)
        precision = 15;
    if (precision < 0) {
        std::memset(buf, '*', static_cast<size_t>(size - 1));
        buf[size - 1] = '\0';
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", precision, value);
    char *point = std::strpbrk(text, ".,");
    if (point == nullptr || gdecimalpoint(text, point, 1, f.decimal_point, f.decimal_point_len, buf, size) != 0)
        std::snprintf(buf, static_cast<size_t>(size), "%s", text);
}

char *float_text(double value, char *buf, int size, bool is_double, bool narrow)
{
    if (buf == nullptr || size <= 0) {
        set_toerrno(kBufferTooSmall);
        return nullptr;
    }
    const double magnitude = std::fabs(value);
    if (std::isfinite(value) && value != 0.0 && (magnitude < 1e-130 || magnitude > 1e124)) {
        exponent_text(value, buf, size, narrow);
        set_toerrno(0);
        return buf;
    }
    decvalue dec;
    int status = is_double ? deccvdbl(value, &dec) : deccvflt(static_cast<float>(value), &dec);
    if (status == 0)
        status = dectoasc(&dec, buf, size - 1, -1);
    set_toerrno(status);
    if (status != 0)
        return nullptr;
    int end = size - 1;
    while (end > 0 && buf[end - 1] == ' ')
        --end;
    buf[end] = '\0';
    return buf;
}

} // namespace

namespace decconv {

void make_digits(const decvalue *dec, long ndigit, bool fixed, Digits &out)
{
    const int n = clamped_pairs(dec);
    out.negative = dec->sign == 0;
    int held = 0;
    int point = 0;
    for (int i = 0; i < n; ++i) {
        out.d[held++] = static_cast<char>('0' + pair_at(dec, i) / 10);
        out.d[held++] = static_cast<char>('0' + pair_at(dec, i) % 10);
    }
    int first = 0;
    while (first < held && out.d[first] == '0')
        ++first; // leading zeros of a record not in normal form
    if (first == held) {
        held = 0;
        point = 0;
    } else {
        point = 2 * dec->exponent - first;
        std::memmove(out.d, out.d + first, static_cast<size_t>(held - first));
        held -= first;
    }
    long count = fixed ? ndigit + point : ndigit;
    if (count < 0) {
        if (fixed) {
            out.d[0] = '0';
            out.n = 1;
            out.count = 1;
            out.point = 0;
            return;
        }
        count = 0;
    }
    if (count < held) {
        const bool up = out.d[count] >= '5';
        held = static_cast<int>(count);
        for (int i = held - 1; up && i >= -1; --i) {
            if (i == -1) {
                // The carry ran out of the first digit: 99.9 becomes 100.
                out.d[0] = '1';
                held = 1;
                ++point;
                if (fixed)
                    ++count;
                break;
            }
            if (out.d[i] != '9') {
                ++out.d[i];
                break;
            }
            out.d[i] = '0';
        }
    }
    out.n = held;
    out.count = count;
    out.point = point;
}

} // namespace decconv

extern "C" {

char *dececvt(const decvalue *dec, int ndigit, int *decpt, int *sign)
{
    return digit_string(dec, ndigit, false, decpt, sign);
}

char *decfcvt(const decvalue *dec, int ndigit, int *decpt, int *sign)
{
    return digit_string(dec, ndigit, true, decpt, sign);
}

int trw_dececvt(const decvalue *dec, int ndigit, int *decpt, int *sign, char *buf, int size)
{
    if (CheckGenInit() == nullptr)
        return kNoBlock;
    return copy_digits(dececvt(dec, ndigit, decpt, sign), buf, size);
}

int trw_decfcvt(const decvalue *dec, int ndigit, int *decpt, int *sign, char *buf, int size)
{
    if (CheckGenInit() == nullptr)
        return kNoBlock;
    return copy_digits(decfcvt(dec, ndigit, decpt, sign), buf, size);
}

int deccvlong(int32_t value, decvalue *dec)
{
    if (dec == nullptr)
        return kTooLarge;
    if (value == kInt32Null) {
        decconv::set_null(dec);
        return 0;
    }
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    unsigned char pairs[5];
    for (int i = 4; i >= 0; --i) {
        pairs[i] = static_cast<unsigned char>(magnitude % 100);
        magnitude /= 100;
    }
    return decload(dec, value < 0 ? 0 : 1, 5, pairs, 5);
}

int deccvint(int value, decvalue *dec)
{
    if (value == kIntNull && dec != nullptr) {
        decconv::set_null(dec);
        return 0;
    }
    return deccvlong(value, dec);
}

int dectolong(const decvalue *dec, int32_t *value)
{
    if (dec == nullptr || value == nullptr)
        return kTooLarge;
    if (dec->sign == -1) {
        *value = kInt32Null;
        return 0;
    }
    const int n = clamped_pairs(dec);
    if (n == 0 || dec->exponent <= 0) {
        *value = 0;
        return 0;
    }
    if (dec->exponent > 5)
        return kTooLarge;
    int64_t whole = 0;
    for (int i = 0; i < dec->exponent; ++i)
        whole = whole * 100 + (i < n ? pair_at(dec, i) : 0);
    bool fraction = false;
    for (int i = dec->exponent; i < n; ++i)
        fraction = fraction || pair_at(dec, i) != 0;
    if (whole > INT32_MAX || (whole == INT32_MAX && fraction))
        return kTooLarge;
    *value = static_cast<int32_t>(dec->sign == 0 ? -whole : whole);
    return 0;
}

int dectoint(const decvalue *dec, int *value)
{
    if (dec == nullptr || value == nullptr)
        return kTooLarge;
    if (dec->sign == -1) {
        *value = kIntNull;
        return 0;
    }
    int32_t wide = 0;
    if (int status = dectolong(dec, &wide))
        return status;
    if (wide < -32767 || wide > 32767)
        return kTooLarge;
    *value = wide;
    return 0;
}

int deccvdbl(double value, decvalue *dec)
{
    if (dec == nullptr)
        return kNotFinite;
    return from_double(value, precision_16() ? 16 : 17, dec);
}

int deccvflt(float value, decvalue *dec)
{
    if (dec == nullptr)
        return kNotFinite;
    return from_double(static_cast<double>(value), precision_16() ? 8 : 9, dec);
}

int dectodbl(const decvalue *dec, double *value)
{
    if (dec == nullptr || value == nullptr)
        return -1213;
    if (dec->sign == -1) {
        std::memset(value, 0xFF, sizeof *value);
        return 0;
    }
    if (clamped_pairs(dec) == 0) {
        *value = 0.0;
        return 0;
    }
    int status = 0;
    const numfmt *f = gls_numfmt(&status);
    if (status < 0)
        return status;
    // sign, 32 digits, a point of up to 8 bytes, "E-128"
    char text[1 + 2 * DEC_NPAIRS + 1 + NUMFMT_CHAR_MAX + 8];
    double_text(dec, text, *f);
    return rstod(text, value);
}

int dectoflt(const decvalue *dec, float *value)
{
    if (dec == nullptr || value == nullptr)
        return -1213;
    if (dec->sign == -1) {
        std::memset(value, 0xFF, sizeof *value);
        return 0;
    }
    double wide = 0;
    int status = dectodbl(dec, &wide);
    if (status == 0)
        *value = static_cast<float>(wide);
    return status;
}

char *_gftoasc(double value, char *buf, int size) { return float_text(value, buf, size, true, false); }

char *_gnftoasc(double value, char *buf, int size, int flag)
{
    return float_text(value, buf, size, flag != 0, true);
}

} // extern "C"
