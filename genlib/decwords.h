// Internal working form of DECIMAL digit pairs, shared by decimal.cpp and
// decarith.cpp. Pairs travel in 64-bit "pair words": eight base-100 pairs,
// the first (most significant) in the top byte, so that a run of pairs read
// big-endian is a word and shifting a word by 8 bits moves it by one pair.
// Base-100 addition works on whole words: biasing every byte by 156 makes
// the binary carry out of a byte coincide with the base-100 carry, after
// which the bytes that did not carry lose the bias again.
#ifndef TRW_GENLIB_DECWORDS_H
#define TRW_GENLIB_DECWORDS_H

#include "decimal.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace trw::dec {

using u64 = std::uint64_t;
__extension__ typedef unsigned __int128 u128;

constexpr u64 kOnes = 0x0101010101010101ULL;
constexpr u64 kHigh = 0x8080808080808080ULL;
constexpr u64 kNines = 99 * kOnes;  // every pair 99
constexpr u64 kBias = 156 * kOnes;  // 256 - 100 in every byte

[[gnu::always_inline]] inline u64 load_pairs(const unsigned char *p)
{
    u64 v;
    std::memcpy(&v, p, 8);
    return __builtin_bswap64(v);
}

[[gnu::always_inline]] inline void store_pairs(u64 w, unsigned char *p)
{
    w = __builtin_bswap64(w);
    std::memcpy(p, &w, 8);
}

// y when c holds, else x: for choices that depend on the data and would be
// mispredicted half the time as branches, a hint to use a conditional move.
template <typename T>
inline T pick(bool c, T x, T y)
{
    return __builtin_expect_with_probability(c, 1, 0.5) ? y : x;
}

// 0x80 in every byte above 99, 0 elsewhere.
inline u64 pairs_over_99(u64 w)
{
    return (((w & ~kHigh) + 28 * kOnes) | w) & kHigh;
}

// Every byte above 99 becomes 99.
inline u64 clamp_pairs(u64 w)
{
    u64 mask = (pairs_over_99(w) >> 7) * 0xFF;
    return (w & ~mask) | (kNines & mask);
}

// Leading and trailing zero pairs of a 16-pair run; 16 for an empty run.
inline int leading_zero_pairs(u128 x)
{
    u64 hi = static_cast<u64>(x >> 64), lo = static_cast<u64>(x);
    return (std::countl_zero(hi) + (hi == 0) * std::countl_zero(lo)) / 8;
}

inline int trailing_zero_pairs(u128 x)
{
    u64 hi = static_cast<u64>(x >> 64), lo = static_cast<u64>(x);
    return pick(lo != 0, 8 + std::countr_zero(hi) / 8, std::countr_zero(lo) / 8);
}

// a + b + carry in base 100 on 16 pairs, pairs 0..99; carry is 0 or 1 in
// and out. Every byte of b gets 156 more, so that the binary carry out of a
// byte is the base-100 one; a byte that carried then holds its digit
// (0..99), one that did not holds its digit + 156 (156..255), which its top
// bit tells apart.
inline u128 add_pairs(u128 a, u128 b, unsigned &carry)
{
    constexpr u128 bias = (static_cast<u128>(kBias) << 64) | kBias;
    u128 t;
    carry = __builtin_add_overflow(a, b + bias + carry, &t);
    u64 hi = static_cast<u64>(t >> 64), lo = static_cast<u64>(t);
    hi -= ((hi & kHigh) >> 7) * 156;
    lo -= ((lo & kHigh) >> 7) * 156;
    return (static_cast<u128>(hi) << 64) | lo;
}

// Adds one to the last pair of an n-pair run held in the low n bytes of x
// (n 1..16), carrying in base 100. Returns false (x unchanged) when every
// pair is 99, i.e. when the carry leaves the run.
inline bool increment_pairs(u128 &x, int n)
{
    u128 nines = (static_cast<u128>(kNines) << 64) | kNines;
    if (n < 16) nines &= (static_cast<u128>(1) << (8 * n)) - 1;
    u128 diff = x ^ nines;  // 0 bytes where a pair is 99
    if (diff == 0) return false;
    int k = trailing_zero_pairs(diff);
    x = (x >> (8 * k) << (8 * k)) + (static_cast<u128>(1) << (8 * k));
    return true;
}

// Four pairs of a value below 10^8, the first in the top byte. The two
// halves below 10^4 are split by 100 side by side in 32-bit lanes, with
// x / 100 = x * 10486 >> 20 (exact below 10^4); the lower lane's quotient
// lands in its low bits, the upper's at bit 32, below them only fraction
// bits of the upper lane, which the mask drops.
inline u64 limb_pairs(u64 x)
{
    u64 hi = (x * 109951163) >> 40;  // x / 10^4, exact below 10^8
    u64 lanes = hi << 32 | (x - hi * 10000);
    u64 q = ((lanes * 10486) >> 20) & 0x0000007F0000007FULL;
    u64 pairs = q << 8 | (lanes - q * 100);  // per lane: quotient, remainder
    return (pairs >> 32) << 16 | (pairs & 0xFFFF);
}

// Eight pairs of a value below 10^16.
inline u64 value_word(u64 x)
{
    return limb_pairs(x / 100000000) << 32 | limb_pairs(x % 100000000);
}

// A record read for computation: sign 1, 0 or -1 (NULL), a zero is
// positive; the pairs with the first (non-zero unless the value is zero) in
// the top byte and zero after ndigits. ndigits counts the pairs up to the
// last that may be non-zero: exact for a record in normal form, and above
// the value's own count only by the zero tail a rounded record keeps, which
// no operation depends on. It is 0 only for zero, whose exponent is then
// kZeroExponent, below every other, so that magnitudes order by exponent
// and then pairs.
struct operand {
    u128 pairs;
    int exponent;
    int ndigits;
    int sign;
};

// kFirstPairs.hi[n], .lo[n]: the first n of 16 pairs (n 0..16) of a
// record's two pair words.
struct first_pairs_masks {
    u64 hi[DEC_NPAIRS + 1], lo[DEC_NPAIRS + 1];
    constexpr first_pairs_masks() : hi{}, lo{}
    {
        for (int n = 1; n <= DEC_NPAIRS; ++n) {
            u128 m = ~u128{0} << (8 * (DEC_NPAIRS - n));
            hi[n] = static_cast<u64>(m >> 64);
            lo[n] = static_cast<u64>(m);
        }
    }
};
inline constexpr first_pairs_masks kFirstPairs;

// Clears all but the first n pairs (0..16) of a record's two words.
inline void keep_first_pairs(u64 &hi, u64 &lo, int n)
{
    hi &= kFirstPairs.hi[n];
    lo &= kFirstPairs.lo[n];
}

// Stores an exponent into dec, clamped as a result record keeps it: below
// the range the smallest exponent with an underflow, above it one past the
// largest with an overflow.
inline int store_exponent(decvalue *dec, int exponent)
{
    int status = 0;
    if (__builtin_expect(exponent < DEC_MINEXP, 0)) {
        exponent = DEC_MINEXP;
        status = DEC_UNDERFLOW;
    } else if (__builtin_expect(exponent > DEC_MAXEXP, 0)) {
        exponent = DEC_MAXEXP + 1;
        status = DEC_OVERFLOW;
    }
    dec->exponent = static_cast<int16_t>(exponent);
    return status;
}

constexpr int kZeroExponent = -(1 << 28);

inline int clamp_ndigits(int n)
{
    return n < 0 ? 0 : n > DEC_NPAIRS ? DEC_NPAIRS : n;
}

// Moves leading zero pairs out (a hand-built record) or makes the zero.
inline void normalise_operand(operand &op)
{
    if (op.pairs == 0) {
        op = operand{0, kZeroExponent, 0, 1};
        return;
    }
    int lead = leading_zero_pairs(op.pairs);
    op.pairs <<= 8 * lead;
    op.exponent -= lead;
    op.ndigits = 16 - trailing_zero_pairs(op.pairs);
}

[[gnu::always_inline]] inline operand read_operand(const decvalue *d)
{
    if (d->sign == -1) return operand{0, 0, 0, -1};
    int n = clamp_ndigits(d->ndigits);
    u64 hi = load_pairs(d->digits), lo = load_pairs(d->digits + 8);
    keep_first_pairs(hi, lo, n);
    if (__builtin_expect((pairs_over_99(hi) | pairs_over_99(lo)) != 0, 0)) {
        hi = clamp_pairs(hi);
        lo = clamp_pairs(lo);
    }
    operand op{(static_cast<u128>(hi) << 64) | lo, d->exponent, n, d->sign == 0 ? 0 : 1};
    if (__builtin_expect((hi >> 56) == 0, 0)) normalise_operand(op);
    return op;
}

inline void set_null(decvalue *dec)
{
    dec->sign = -1;
    dec->exponent = 0;
    dec->ndigits = 0;
}

inline void set_zero(decvalue *dec)
{
    dec->sign = 1;
    dec->exponent = DEC_MINEXP;
    dec->ndigits = 0;
}

// Stores a result whose first 16 significant pairs are kept (first pair in
// the top byte; kept 0 makes the zero), with next the 17th pair and longer
// telling whether any pair follows the 16th: rounds by the 17th, keeps 16
// pairs when longer, else strips the zero tail; checks the range.
inline int store_result(decvalue *dec, int sign, int exponent, u128 kept, unsigned next, bool longer)
{
    if (__builtin_expect(kept == 0, 0)) {
        set_zero(dec);
        return 0;
    }
    u64 hi = static_cast<u64>(kept >> 64), lo = static_cast<u64>(kept);
    int ndigits = DEC_NPAIRS;
    if (!longer) {
        ndigits -= trailing_zero_pairs(kept);
    } else if (next >= 50) {
        unsigned carry = 1;
        u128 up = add_pairs(kept, 0, carry);
        hi = static_cast<u64>(up >> 64);
        lo = static_cast<u64>(up);
        if (__builtin_expect(carry, 0)) {  // all 16 pairs were 99
            hi = 1ULL << 56;
            ++exponent;
        }
    }
    store_pairs(hi, dec->digits);
    store_pairs(lo, dec->digits + 8);
    dec->ndigits = static_cast<int16_t>(ndigits);
    dec->sign = sign == 0 ? 0 : 1;
    return store_exponent(dec, exponent);
}

// The normalising loader on a run of up to 32 pairs in four pair words (w0
// first), pair 0 weighing 100^(exponent-1): strips zero pairs, rounds to 16
// pairs by the 17th, checks the range. A non-zero w3 beyond pair 24 only
// marks the run as longer than 16 pairs.
int load_run(decvalue *dec, int sign, int exponent, u64 w0, u64 w1, u64 w2, u64 w3);

// load_run for a run of up to 24 pairs with at most one leading zero pair
// (a product or quotient of operands in normal form); sticky marks pairs
// after the 24th as present. A zero run (a product of zeros, whose exponents
// add up to INT_MIN) is stored as zero without touching the exponent.
inline int load_short_run(decvalue *dec, int sign, int exponent, u64 w0, u64 w1, u64 w2, bool sticky)
{
    if ((w0 >> 56) == 0 && w0 != 0) {
        w0 = (w0 << 8) | (w1 >> 56);
        w1 = (w1 << 8) | (w2 >> 56);
        w2 <<= 8;
        --exponent;
    }
    return store_result(dec, sign, exponent, (static_cast<u128>(w0) << 64) | w1,
                        static_cast<unsigned>(w2 >> 56), (w2 != 0) | sticky);
}

}  // namespace trw::dec

#endif
