// INT8 arithmetic, comparison, stored form and the 32- and 64-bit integer
// conversions (trw_int8add ... int8totarw_off_t, serial8inc, stint8, ldint8),
// and the division worker with remainder.
//
// The record is sign and magnitude; every operation reads its operands as
// exact integers (a 128-bit value holds any sum or product of two 64-bit
// magnitudes), computes the true result and stores it only when its
// magnitude is below 2^63. So overflow is decided by the true result and a
// failed operation never touches its output.
#include <climits>

#include "int8int.h"
#include "osutil.h"

extern "C" const int8value const_int8one = {{1, 0}, 1};

namespace int8ops {

int divide(const int8value *a, const int8value *b, int8value *quotient, int8value *remainder)
{
    if (is_null(a) || is_null(b)) {
        if (quotient != nullptr)
            set_null(quotient);
        if (remainder != nullptr)
            set_null(remainder);
        return 0;
    }
    const uint64_t divisor = magnitude(b);
    if (divisor == 0)
        return INT8_DIVZERO;
    const uint64_t dividend = magnitude(a);
    const uint64_t q = dividend / divisor;
    const uint64_t r = dividend % divisor;
    if (q >= kLimit)
        return INT8_OVERFLOW;
    const bool a_negative = a->sign < 0;
    const bool q_negative = a_negative != (b->sign < 0);
    if (quotient != nullptr)
        set_parts(quotient, q_negative, q);
    if (remainder != nullptr)
        set_parts(remainder, a_negative, r);
    return 0;
}

namespace {

constexpr char kDigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                               "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                               "8081828384858687888990919293949596979899";

// Number of decimal digits of mag (1 for 0).
int digit_count(uint64_t mag)
{
    int n = 1;
    for (;;) {
        if (mag < 10)
            return n;
        if (mag < 100)
            return n + 1;
        if (mag < 1000)
            return n + 2;
        if (mag < 10000)
            return n + 3;
        mag /= 10000;
        n += 4;
    }
}

} // namespace

int decimal_text(bool negative, uint64_t mag, char *out)
{
    int at = 0;
    if (negative)
        out[at++] = '-';
    const int n = digit_count(mag);
    char *end = out + at + n;
    while (mag >= 100) {
        const unsigned pair = static_cast<unsigned>(mag % 100) * 2;
        mag /= 100;
        *--end = kDigitPairs[pair + 1];
        *--end = kDigitPairs[pair];
    }
    if (mag >= 10) {
        *--end = kDigitPairs[mag * 2 + 1];
        *--end = kDigitPairs[mag * 2];
    } else {
        *--end = static_cast<char>('0' + mag);
    }
    return at + n;
}

} // namespace int8ops

using namespace int8ops;

namespace {

// Compares the values of two non-NULL records (a negative zero is zero).
int compare_values(const int8value *a, const int8value *b)
{
    const __int128 x = value_of(a);
    const __int128 y = value_of(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

// The low word as a 32-bit value when the record holds -2147483647 ..
// 2147483647; false otherwise.
bool fits_32(const int8value *v, int32_t &out)
{
    if (v->data[1] != 0 || v->data[0] > static_cast<uint32_t>(INT32_MAX))
        return false;
    const int32_t low = static_cast<int32_t>(v->data[0]);
    out = v->sign < 0 ? -low : low;
    return true;
}

// The 16-bit range check of trw_int8toint and trw_int8toint2.
bool fits_16(const int8value *v, int &out)
{
    int32_t value = 0;
    if (!fits_32(v, value) || value < -32767 || value > 32767)
        return false;
    out = value;
    return true;
}

} // namespace

extern "C" {

int trw_int8add(const int8value *a, const int8value *b, int8value *r)
{
    if (is_null(a) || is_null(b)) {
        set_null(r);
        return 0;
    }
    return store_value(value_of(a) + value_of(b), r);
}

int trw_int8sub(const int8value *a, const int8value *b, int8value *r)
{
    if (is_null(a) || is_null(b)) {
        set_null(r);
        return 0;
    }
    return store_value(value_of(a) - value_of(b), r);
}

int trw_int8mul(const int8value *a, const int8value *b, int8value *r)
{
    if (is_null(a) || is_null(b)) {
        set_null(r);
        return 0;
    }
    const unsigned __int128 mag = static_cast<unsigned __int128>(magnitude(a)) * magnitude(b);
    if (mag >= kLimit)
        return INT8_OVERFLOW;
    set_parts(r, (a->sign < 0) != (b->sign < 0), static_cast<uint64_t>(mag));
    return 0;
}

int trw_int8div(const int8value *a, const int8value *b, int8value *r)
{
    return divide(a, b, r, nullptr);
}

int trw_int8cmp(const int8value *a, const int8value *b)
{
    if (is_null(a) || is_null(b))
        return -2;
    return compare_values(a, b);
}

int trw_int8cmp_det(const int8value *a, const int8value *b)
{
    if (is_null(a) || is_null(b))
        return is_null(b) - is_null(a);
    return compare_values(a, b);
}

int trw_int8iszero(const int8value *v)
{
    return !is_null(v) && v->data[0] == 0 && v->data[1] == 0;
}

void trw_int8copy(const int8value *src, int8value *dst)
{
    *dst = *src;
}

int serial8inc(const int8value *v, int8value *r)
{
    if (is_null(v)) {
        set_null(r);
        return INT8_NULLSERIAL;
    }
    if (store_value(value_of(v) + 1, r) != 0)
        *r = const_int8one;
    return 0;
}

void stint8(const int8value *v, void *dst)
{
    unsigned char *out = static_cast<unsigned char *>(dst);
    const uint16_t sign = static_cast<uint16_t>(v->sign);
    out[0] = static_cast<unsigned char>(sign >> 8);
    out[1] = static_cast<unsigned char>(sign);
    stlong(static_cast<int32_t>(v->data[0]), out + 2);
    stlong(static_cast<int32_t>(v->data[1]), out + 6);
}

void ldint8(const void *src, int8value *v)
{
    const unsigned char *in = static_cast<const unsigned char *>(src);
    v->sign = static_cast<int16_t>(static_cast<uint16_t>((in[0] << 8) | in[1]));
    v->data[0] = static_cast<uint32_t>(ldlong(in + 2));
    v->data[1] = static_cast<uint32_t>(ldlong(in + 6));
}

int trw_int8cvlong(int32_t value, int8value *v)
{
    if (value == INT32_MIN) {
        set_null(v);
        return 0;
    }
    set_parts(v, value < 0, static_cast<uint64_t>(value < 0 ? -static_cast<int64_t>(value) : value));
    return 0;
}

int trw_int8tolong(const int8value *v, int32_t *out)
{
    if (is_null(v)) {
        *out = INT32_MIN;
        return 0;
    }
    return fits_32(v, *out) ? 0 : INT8_OVERFLOW;
}

int trw_int8toint4(const int8value *v, int32_t *out)
{
    return trw_int8tolong(v, out);
}

int trw_int8cvint(int value, int8value *v)
{
    if (value == -32768) {
        set_null(v);
        return 0;
    }
    return trw_int8cvlong(value, v);
}

int trw_int8toint(const int8value *v, int *out)
{
    if (is_null(v)) {
        *out = -32768;
        return 0;
    }
    return fits_16(v, *out) ? 0 : INT8_NOTSHORT;
}

int trw_int8toint2(const int8value *v, int16_t *out)
{
    int value = -32768;
    if (!is_null(v) && !fits_16(v, value))
        return INT8_NOTSHORT;
    *out = static_cast<int16_t>(value);
    return 0;
}

int trw_int8high(const int8value *v, int32_t *out)
{
    *out = is_null(v) ? INT32_MIN : static_cast<int32_t>(v->data[1]);
    return 0;
}

int trw_int8low(const int8value *v, int32_t *out)
{
    *out = is_null(v) ? INT32_MIN : static_cast<int32_t>(v->data[0]);
    return 0;
}

int int8cvtarw_off_t(int64_t offset, int8value *v)
{
    if (offset == INT32_MIN) {
        set_null(v);
        return 0;
    }
    return store_value(offset, v);
}

int int8totarw_off_t(const int8value *v, int64_t *out)
{
    if (is_null(v)) {
        *out = INT32_MIN;
        return 0;
    }
    const uint64_t mag = magnitude(v);
    if (mag >= kLimit)
        return INT8_OVERFLOW;
    *out = v->sign < 0 ? -static_cast<int64_t>(mag) : static_cast<int64_t>(mag);
    return 0;
}

} // extern "C"
