// Internal: what the INT8 modules share: reading a record by the rule of
// int8.h (sign 0 NULL, other signs by their side of 0, the magnitude the
// unsigned 64-bit number of the words), making result records, and the
// division worker that also yields the remainder (for text conversion and
// the value layer's MOD).
#pragma once

#include <cstdint>

#include "int8.h"

namespace int8ops {

constexpr uint64_t kLimit = uint64_t{1} << 63; // first magnitude that cannot be held

inline bool is_null(const int8value *v) { return v->sign == 0; }

inline uint64_t magnitude(const int8value *v)
{
    return (uint64_t{v->data[1]} << 32) | v->data[0];
}

// The value of a non-NULL record: its magnitude with its sign.
inline __int128 value_of(const int8value *v)
{
    const __int128 m = magnitude(v);
    return v->sign < 0 ? -m : m;
}

inline void set_null(int8value *v)
{
    v->data[0] = 0;
    v->data[1] = 0;
    v->sign = 0;
}

// A magnitude below 2^63 with its sign; zero is always positive.
inline void set_parts(int8value *v, bool negative, uint64_t mag)
{
    v->data[0] = static_cast<uint32_t>(mag);
    v->data[1] = static_cast<uint32_t>(mag >> 32);
    v->sign = static_cast<int16_t>(negative && mag != 0 ? -1 : 1);
}

// Stores value into v: 0, or INT8_OVERFLOW (v unchanged) when its magnitude
// is 2^63 or more.
inline int store_value(__int128 value, int8value *v)
{
    const bool negative = value < 0;
    const unsigned __int128 mag = negative ? -static_cast<unsigned __int128>(value)
                                           : static_cast<unsigned __int128>(value);
    if (mag >= kLimit)
        return INT8_OVERFLOW;
    set_parts(v, negative, static_cast<uint64_t>(mag));
    return 0;
}

// a / b truncated toward zero into quotient and a - quotient * b (the sign
// of the dividend) into remainder; either output may be null or the same
// record as an operand. A NULL operand makes both outputs NULL, status 0.
// 0; INT8_DIVZERO; INT8_OVERFLOW only for a hand-built dividend of 2^63 or
// more. Outputs are unchanged on failure.
int divide(const int8value *a, const int8value *b, int8value *quotient, int8value *remainder);

// Writes the decimal digits of mag, with "-" before them when negative,
// into out (at least 21 bytes), unterminated; returns their count.
int decimal_text(bool negative, uint64_t mag, char *out);

} // namespace int8ops
