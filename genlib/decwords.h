// Internal working form of DECIMAL digit pairs, shared by decimal.cpp and
// decarith.cpp. Pairs travel in 64-bit "pair words": eight base-100 pairs,
// the first (most significant) in the top byte, so that a run of pairs read
// big-endian is a word and shifting a word by 8 bits moves it by one pair.
// Base-100 addition and subtraction work on whole words: biasing every byte
// by 156 makes the binary carry out of a byte coincide with the base-100
// carry, after which the bytes that did not carry lose the bias again.
#ifndef TRW_GENLIB_DECWORDS_H
#define TRW_GENLIB_DECWORDS_H

#include "decimal.h"

#include <cstdint>
#include <cstring>

namespace trw::dec {

using u64 = std::uint64_t;
__extension__ typedef unsigned __int128 u128;

constexpr u64 kOnes = 0x0101010101010101ULL;
constexpr u64 kHigh = 0x8080808080808080ULL;
constexpr u64 kNines = 99 * kOnes;  // every pair 99
constexpr u64 kBias = 156 * kOnes;  // 256 - 100 in every byte

inline u64 load_pairs(const unsigned char *p)
{
    u64 v;
    std::memcpy(&v, p, 8);
    return __builtin_bswap64(v);
}

inline void store_pairs(u64 w, unsigned char *p)
{
    w = __builtin_bswap64(w);
    std::memcpy(p, &w, 8);
}

// Every byte above 99 becomes 99.
inline u64 clamp_pairs(u64 w)
{
    u64 big = (((w & ~kHigh) + 28 * kOnes) | w) & kHigh;  // byte >= 100
    u64 mask = (big >> 7) * 0xFF;
    return (w & ~mask) | (kNines & mask);
}

// Leading and trailing zero pairs of a 16-pair run; 16 for an empty run.
inline int leading_zero_pairs(u128 x)
{
    u64 hi = static_cast<u64>(x >> 64), lo = static_cast<u64>(x);
    if (hi) return __builtin_clzll(hi) / 8;
    return lo ? 8 + __builtin_clzll(lo) / 8 : 16;
}

inline int trailing_zero_pairs(u128 x)
{
    u64 hi = static_cast<u64>(x >> 64), lo = static_cast<u64>(x);
    if (lo) return __builtin_ctzll(lo) / 8;
    return hi ? 8 + __builtin_ctzll(hi) / 8 : 16;
}

// Keeps the first n pairs (0..16) of a 16-pair run.
inline u128 keep_pairs(u128 x, int n)
{
    if (n >= 16) return x;
    if (n <= 0) return 0;
    return x & ~(~static_cast<u128>(0) >> (8 * n));
}

// a + b + carry in base 100, pairs 0..99; carry is 0 or 1 in and out.
inline u64 add_pairs(u64 a, u64 b, unsigned &carry)
{
    u64 bb = b + kBias;
    u128 s = static_cast<u128>(a) + bb + carry;
    u64 t = static_cast<u64>(s);
    unsigned out = static_cast<unsigned>(s >> 64);
    u64 carried = (((a ^ bb ^ t) >> 8) & kOnes) | (static_cast<u64>(out) << 56);
    carry = out;
    return t - (~carried & kOnes) * 156;
}

// a - b - borrow in base 100, pairs 0..99; borrow is 0 or 1 in and out.
inline u64 sub_pairs(u64 a, u64 b, unsigned &borrow)
{
    u128 s = static_cast<u128>(a) - b - borrow;
    u64 t = static_cast<u64>(s);
    unsigned out = static_cast<unsigned>(s >> 64) & 1;
    u64 borrowed = (((a ^ b ^ t) >> 8) & kOnes) | (static_cast<u64>(out) << 56);
    borrow = out;
    return t - borrowed * 156;
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

// A record read for computation: sign 1, 0 or -1 (NULL), a zero is
// positive; the pairs in normal form, first pair in the top byte (non-zero
// unless the value is zero), zero after the ndigits significant pairs.
struct operand {
    u128 pairs;
    int exponent;
    int ndigits;
    int sign;
};

inline int clamp_ndigits(int n)
{
    return n < 0 ? 0 : n > DEC_NPAIRS ? DEC_NPAIRS : n;
}

inline operand read_operand(const decvalue *d)
{
    operand op{0, DEC_MINEXP, 0, 1};
    if (d->sign == -1) {
        op.sign = -1;
        op.exponent = 0;
        return op;
    }
    u128 x = (static_cast<u128>(clamp_pairs(load_pairs(d->digits))) << 64) |
             clamp_pairs(load_pairs(d->digits + 8));
    x = keep_pairs(x, clamp_ndigits(d->ndigits));
    if (x == 0) return op;
    int lead = leading_zero_pairs(x);
    op.pairs = x << (8 * lead);
    op.exponent = d->exponent - lead;
    op.ndigits = 16 - trailing_zero_pairs(op.pairs);
    op.sign = d->sign == 0 ? 0 : 1;
    return op;
}

// The normalising loader on a run of up to 32 pairs in four pair words (w[0]
// first), pair 0 weighing 100^(exponent-1): strips zero pairs, rounds to 16
// pairs by the 17th, checks the range. A non-zero w[3] beyond pair 24 only
// marks the run as longer than 16 pairs.
int load_run(decvalue *dec, int sign, int exponent, u64 w0, u64 w1, u64 w2, u64 w3);

// Sum or difference of the magnitudes (decadd's worker; operands not NULL).
int add_operands(const operand &a, const operand &b, decvalue *r);

inline void set_null(decvalue *dec)
{
    dec->sign = -1;
    dec->exponent = 0;
    dec->ndigits = 0;
}

}  // namespace trw::dec

#endif
