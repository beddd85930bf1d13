// DECIMAL arithmetic: decadd, decsub, decmul, decdiv, deccmp, decround and
// dectrunc. Each reads its operands into locals (results may alias them)
// and ends in load_run, decload's word-level form, which strips zero pairs,
// rounds to 16 pairs by the 17th and checks the exponent range.
// Addition works on the 18-pair run (carry pair, 17 pairs aligned on the
// larger operand) in pair words; multiplication in base 10^8 limbs;
// division in binary (Knuth's algorithm D, The Art of Computer Programming
// vol. 2, 4.3.1), which yields exactly the 18 truncated quotient pairs that
// base-100 long division gives.
#include "decimal.h"

#include "decwords.h"

#include <cstdint>

namespace trw::dec {
namespace {

// -1, 0 or 1 comparing the magnitudes of two operands in normal form.
int compare_magnitudes(const operand &a, const operand &b)
{
    if (a.ndigits == 0 || b.ndigits == 0) return (a.ndigits != 0) - (b.ndigits != 0);
    if (a.exponent != b.exponent) return a.exponent < b.exponent ? -1 : 1;
    return (a.pairs > b.pairs) - (a.pairs < b.pairs);
}

// The run of 24 pairs (three words) with x's 16 pairs starting at pair
// position `at`; positions past 23 fall away.
void place_pairs(u128 x, int at, u64 w[3])
{
    u64 hi = static_cast<u64>(x >> 64), lo = static_cast<u64>(x);
    w[0] = w[1] = w[2] = 0;
    if (at < 0 || at >= 24) return;
    int words = at / 8, bits = 8 * (at % 8);
    u64 src[3] = {hi, lo, 0};
    if (bits) {
        src[2] = lo << (64 - bits);
        src[1] = (lo >> bits) | (hi << (64 - bits));
        src[0] = hi >> bits;
    }
    for (int i = words; i < 3; ++i) w[i] = src[i - words];
}

}  // namespace

int add_operands(const operand &a, const operand &b, decvalue *r)
{
    bool a_larger = compare_magnitudes(a, b) >= 0;
    const operand &large = a_larger ? a : b;
    const operand &small = a_larger ? b : a;
    // Positions 0 (carry pair) to 17: the larger from position 1, the smaller
    // aligned on it, its pairs beyond position 17 dropped unrounded.
    u64 l[3], s[3] = {0, 0, 0};
    place_pairs(large.pairs, 1, l);
    if (small.ndigits != 0) {
        // A non-zero smaller operand in normal form has the smaller exponent.
        place_pairs(small.pairs, 1 + large.exponent - small.exponent, s);
        s[2] &= ~0ULL << 48;
    }
    unsigned carry = 0;
    if (large.sign != small.sign && small.ndigits != 0) {
        for (int i = 2; i >= 0; --i) l[i] = sub_pairs(l[i], s[i], carry);
    } else {
        for (int i = 2; i >= 0; --i) l[i] = add_pairs(l[i], s[i], carry);
    }
    return load_run(r, large.sign, large.exponent + 1, l[0], l[1], l[2], 0);
}

namespace {

constexpr std::uint32_t kLimb = 100000000;  // 10^8: four pairs

// Four pairs (first in the top byte) to their value below 10^8, and back.
std::uint32_t pairs_to_limb(std::uint32_t p)
{
    return ((p >> 24) * 100 + ((p >> 16) & 0xFF)) * 10000 + ((p >> 8) & 0xFF) * 100 + (p & 0xFF);
}

std::uint32_t limb_to_pairs(std::uint32_t x)
{
    std::uint32_t hi = x / 10000, lo = x % 10000;
    return (hi / 100) << 24 | (hi % 100) << 16 | (lo / 100) << 8 | (lo % 100);
}

// Eight pairs of a word below 10^16, and eight pairs of a value below 10^16.
u64 word_value(u64 w)
{
    return pairs_to_limb(static_cast<std::uint32_t>(w >> 32)) * u64{kLimb} +
           pairs_to_limb(static_cast<std::uint32_t>(w));
}

u64 value_word(u64 x)
{
    return static_cast<u64>(limb_to_pairs(static_cast<std::uint32_t>(x / kLimb))) << 32 |
           limb_to_pairs(static_cast<std::uint32_t>(x % kLimb));
}

int product_sign(const operand &a, const operand &b)
{
    return a.sign == b.sign ? 1 : 0;
}

// The exact 32-pair product of two 16-pair runs.
void multiply_pairs(u128 a, u128 b, int alen, int blen, u64 w[4])
{
    std::uint32_t al[4], bl[4];
    for (int i = 0; i < 4; ++i) {
        al[i] = pairs_to_limb(static_cast<std::uint32_t>(a >> (96 - 32 * i)));
        bl[i] = pairs_to_limb(static_cast<std::uint32_t>(b >> (96 - 32 * i)));
    }
    int na = (alen + 3) / 4, nb = (blen + 3) / 4;
    u64 col[8] = {};
    for (int i = 0; i < na; ++i)
        for (int j = 0; j < nb; ++j) col[i + j + 1] += static_cast<u64>(al[i]) * bl[j];
    u64 carry = 0;
    for (int k = 7; k > 0; --k) {
        u64 v = col[k] + carry;
        col[k] = v % kLimb;
        carry = v / kLimb;
    }
    col[0] = carry;
    for (int i = 0; i < 4; ++i)
        w[i] = static_cast<u64>(limb_to_pairs(static_cast<std::uint32_t>(col[2 * i]))) << 32 |
               limb_to_pairs(static_cast<std::uint32_t>(col[2 * i + 1]));
}

// (hi:lo) / d with hi < d; the remainder in rem.
inline u64 divide_wide(u64 hi, u64 lo, u64 d, u64 &rem)
{
#if defined(__x86_64__)
    u64 q, r;
    __asm__("divq %4" : "=a"(q), "=d"(r) : "a"(lo), "d"(hi), "rm"(d) : "cc");
    rem = r;
    return q;
#else
    u128 n = (static_cast<u128>(hi) << 64) | lo;
    rem = static_cast<u64>(n % d);
    return static_cast<u64>(n / d);
#endif
}

// 100^k in binary for k 0..17, as two 64-bit halves.
struct power_table {
    u128 p[18];
    constexpr power_table() : p{}
    {
        p[0] = 1;
        for (int k = 1; k < 18; ++k) p[k] = p[k - 1] * 100;
    }
};
constexpr power_table kPow100;

u128 run_value(u128 pairs)
{
    constexpr u64 e16 = 10000000000000000ULL;
    return static_cast<u128>(word_value(static_cast<u64>(pairs >> 64))) * e16 +
           word_value(static_cast<u64>(pairs));
}

// n[0..3] (least significant first) = a * b, for a product below 2^256.
void multiply_wide(u128 a, u128 b, u64 n[4])
{
    u64 a0 = static_cast<u64>(a), a1 = static_cast<u64>(a >> 64);
    u64 b0 = static_cast<u64>(b), b1 = static_cast<u64>(b >> 64);
    u128 p00 = static_cast<u128>(a0) * b0, p01 = static_cast<u128>(a0) * b1;
    u128 p10 = static_cast<u128>(a1) * b0, p11 = static_cast<u128>(a1) * b1;
    n[0] = static_cast<u64>(p00);
    u128 mid = (p00 >> 64) + static_cast<u64>(p01) + static_cast<u64>(p10);
    n[1] = static_cast<u64>(mid);
    u128 upper = (mid >> 64) + (p01 >> 64) + (p10 >> 64) + static_cast<u64>(p11);
    n[2] = static_cast<u64>(upper);
    n[3] = static_cast<u64>((upper >> 64) + (p11 >> 64));
}

// floor(n / d) for a four-limb n and a divisor of two limbs, d >= 2^64,
// the quotient below 2^128 (Knuth's algorithm D with m = 2, n = 2).
u128 divide_two_limbs(const u64 n[4], u128 d)
{
    int shift = __builtin_clzll(static_cast<u64>(d >> 64));
    d <<= shift;
    u64 v1 = static_cast<u64>(d >> 64), v0 = static_cast<u64>(d);
    u64 u[5];
    u[4] = shift ? n[3] >> (64 - shift) : 0;
    for (int i = 3; i > 0; --i) u[i] = shift ? (n[i] << shift) | (n[i - 1] >> (64 - shift)) : n[i];
    u[0] = n[0] << shift;
    u64 q[3];
    for (int j = 2; j >= 0; --j) {
        u128 top = (static_cast<u128>(u[j + 2]) << 64) | u[j + 1];
        u64 qhat;
        u128 rhat;
        if (u[j + 2] >= v1) {
            qhat = ~0ULL;
            rhat = top - static_cast<u128>(qhat) * v1;
        } else {
            u64 r;
            qhat = divide_wide(u[j + 2], u[j + 1], v1, r);
            rhat = r;
        }
        while ((rhat >> 64) == 0 && static_cast<u128>(qhat) * v0 > ((rhat << 64) | u[j])) {
            --qhat;
            rhat += v1;
        }
        // u[j..j+2] -= qhat * (v1:v0); add back once if that went below 0.
        u128 p0 = static_cast<u128>(qhat) * v0, p1 = static_cast<u128>(qhat) * v1;
        u128 mid = (p0 >> 64) + static_cast<u64>(p1);
        u64 sub[3] = {static_cast<u64>(p0), static_cast<u64>(mid),
                      static_cast<u64>((p1 >> 64) + (mid >> 64))};
        unsigned borrow = 0;
        for (int i = 0; i < 3; ++i) {
            u128 t = static_cast<u128>(u[j + i]) - sub[i] - borrow;
            u[j + i] = static_cast<u64>(t);
            borrow = static_cast<unsigned>(t >> 64) & 1;
        }
        if (borrow) {
            --qhat;
            u128 t = static_cast<u128>(u[j]) + v0;
            u[j] = static_cast<u64>(t);
            t = static_cast<u128>(u[j + 1]) + v1 + static_cast<u64>(t >> 64);
            u[j + 1] = static_cast<u64>(t);
            u[j + 2] += static_cast<u64>(t >> 64);
        }
        q[j] = qhat;
    }
    return (static_cast<u128>(q[1]) << 64) | q[0];
}

// floor(a * 100^17 / b) for 16-pair runs a, b (b non-zero): the 18 quotient
// pairs of base-100 long division, as three pair words.
void divide_pairs(u128 a, u128 b, int blen, u64 w[3])
{
    // With b = bint * 100^(16 - blen): a * 100^17 / b = a * 100^(blen+1) / bint.
    u128 divisor = run_value(b >> (8 * (16 - blen)));
    u64 n[4];
    multiply_wide(run_value(a), kPow100.p[blen + 1], n);
    u128 q;
    if ((divisor >> 64) == 0) {
        u64 d = static_cast<u64>(divisor), rem = 0, qw[4];
        for (int i = 3; i >= 0; --i) qw[i] = divide_wide(rem, n[i], d, rem);
        q = (static_cast<u128>(qw[1]) << 64) | qw[0];
    } else {
        q = divide_two_limbs(n, divisor);
    }
    // q < 10^36: nine pairs above 10^18 and nine below.
    constexpr u64 e16 = 10000000000000000ULL, e18 = 1000000000000000000ULL;
    u64 low;
    u64 high = divide_wide(static_cast<u64>(q >> 64), static_cast<u64>(q), e18, low);
    u64 hw = value_word(high % e16), lw = value_word(low % e16);
    w[0] = (high / e16) << 56 | hw >> 8;
    w[1] = hw << 56 | (low / e16) << 48 | lw >> 16;
    w[2] = lw << 48;
}

}  // namespace
}  // namespace trw::dec

using namespace trw::dec;

extern "C" int decadd(const decvalue *a, const decvalue *b, decvalue *r)
{
    operand x = read_operand(a), y = read_operand(b);
    if (x.sign == -1 || y.sign == -1) {
        set_null(r);
        return 0;
    }
    return add_operands(x, y, r);
}

extern "C" int decsub(const decvalue *a, const decvalue *b, decvalue *r)
{
    operand x = read_operand(a), y = read_operand(b);
    if (x.sign == -1 || y.sign == -1) {
        set_null(r);
        return 0;
    }
    y.sign = y.sign == 0 ? 1 : 0;
    return add_operands(x, y, r);
}

extern "C" int decmul(const decvalue *a, const decvalue *b, decvalue *r)
{
    operand x = read_operand(a), y = read_operand(b);
    if (x.sign == -1 || y.sign == -1) {
        set_null(r);
        return 0;
    }
    u64 w[4];
    multiply_pairs(x.pairs, y.pairs, x.ndigits, y.ndigits, w);
    return load_run(r, product_sign(x, y), x.exponent + y.exponent, w[0], w[1], w[2], w[3]);
}

extern "C" int decdiv(const decvalue *a, const decvalue *b, decvalue *r)
{
    operand x = read_operand(a), y = read_operand(b);
    if (x.sign == -1 || y.sign == -1) {
        set_null(r);
        return 0;
    }
    if (y.ndigits == 0) {
        load_run(r, 1, 0, 0, 0, 0, 0);
        return DEC_DIVZERO;
    }
    if (x.ndigits == 0) return load_run(r, 1, 0, 0, 0, 0, 0);
    u64 w[3];
    divide_pairs(x.pairs, y.pairs, y.ndigits, w);
    return load_run(r, product_sign(x, y), x.exponent - y.exponent + 1, w[0], w[1], w[2], 0);
}

extern "C" int deccmp(const decvalue *a, const decvalue *b)
{
    operand x = read_operand(a), y = read_operand(b);
    if (x.sign == -1 || y.sign == -1) return -2;
    if (x.sign != y.sign) return x.sign ? 1 : -1;
    int m = compare_magnitudes(x, y);
    return x.sign ? m : -m;
}

extern "C" void dectrunc(decvalue *dec, int s)
{
    // k: the fraction pairs that hold s places (s + 1 with its low bit
    // cleared, halved); n: the pairs kept.
    long long k = ((static_cast<long long>(s) + 1) & ~1LL) / 2;
    long long n = k + dec->exponent;
    int ndigits = clamp_ndigits(dec->ndigits);
    if (n > ndigits) return;
    if (n > 0 && s % 2 != 0) {
        unsigned char &last = dec->digits[n - 1];
        last = static_cast<unsigned char>(last / 10 * 10);
    }
    while (n > 0 && dec->digits[n - 1] == 0) --n;
    if (n <= 0) {
        dec->sign = 1;
        dec->exponent = DEC_MINEXP;
        dec->ndigits = 0;
        return;
    }
    dec->ndigits = static_cast<int16_t>(n);
}

extern "C" void decround(decvalue *dec, int s)
{
    if (dec->sign == -1) return;
    if (s >= 2LL * (clamp_ndigits(dec->ndigits) - dec->exponent)) return;
    // One half of the unit of the s-th place: pair 5 or 50 at exponent
    // -(s with its low bit cleared) / 2.
    operand half{static_cast<u128>(s % 2 != 0 ? 5 : 50) << 120,
                 static_cast<int>(-((static_cast<long long>(s) & ~1LL) / 2)), 1,
                 dec->sign == 0 ? 0 : 1};
    add_operands(read_operand(dec), half, dec);
    dectrunc(dec, s);
}
