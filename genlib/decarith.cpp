// DECIMAL arithmetic: decadd, decsub, decmul, decdiv, deccmp, decround and
// dectrunc. Each reads its operands into locals (results may alias them)
// and ends in store_result, decload's word-level form, which strips zero pairs,
// rounds to 16 pairs by the 17th and checks the exponent range.
// Addition works on the 18-pair run (carry pair, 17 pairs aligned on the
// larger operand) in pair words; multiplication in base 10^8 limbs;
// division in binary (Knuth's algorithm D, The Art of Computer Programming
// vol. 2, 4.3.1), which yields exactly the 18 truncated quotient pairs that
// base-100 long division gives.
#include "decimal.h"

#include "decwords.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace trw::dec {
namespace {

// -1, 0 or 1 comparing the magnitudes of two operands in normal form.
int compare_magnitudes(const operand &a, const operand &b)
{
    if (a.exponent != b.exponent) return a.exponent < b.exponent ? -1 : 1;
    return (a.pairs > b.pairs) - (a.pairs < b.pairs);
}

// Sum or difference of the magnitudes (operands not NULL). The run is the
// carry pair, the 16 pairs of the larger operand L and pair 17, which only
// the smaller S reaches; S's pairs beyond pair 17 are dropped unrounded.
// A difference is taken as L plus the base-100 complement of S over the 17
// pairs, dropping the carry out; both ways share one adder.
[[gnu::always_inline]] inline int add_operands(const operand &a, const operand &b, decvalue *r)
{
    bool swap = (a.exponent < b.exponent) | ((a.exponent == b.exponent) & (a.pairs < b.pairs));
    u128 lp = pick(swap, a.pairs, b.pairs), sp = pick(swap, b.pairs, a.pairs);
    int exponent = pick(swap, a.exponent, b.exponent);
    int sign = pick(swap, a.sign, b.sign);
    // S moved right by d pairs (d is at least 0: a zero S has the lowest
    // exponent); its pair landing on position 17 is the tail.
    unsigned d = static_cast<unsigned>(exponent) - static_cast<unsigned>(pick(swap, b.exponent, a.exponent));
    u128 moved = pick(d - 1 < 16, u128{0}, sp >> ((8 * d - 8) & 127));
    unsigned tail = static_cast<unsigned>(moved) & 0xFF;
    u128 s = pick(d == 0, moved >> 8, sp);
    // For a difference, S becomes its complement: 99 - pair throughout and
    // one more on pair 17.
    u64 dm = 0 - static_cast<u64>(a.sign != b.sign);
    u64 s_hi = (static_cast<u64>(s >> 64) ^ dm) + ((kNines + 1) & dm);
    u64 s_lo = (static_cast<u64>(s) ^ dm) + ((kNines + 1) & dm);
    tail = (tail ^ static_cast<unsigned>(dm)) + (101 & static_cast<unsigned>(dm));
    unsigned carry = tail >= 100;
    unsigned next = carry ? 0 : tail;
    u128 sum = add_pairs(lp, (static_cast<u128>(s_hi) << 64) | s_lo, carry);
    u64 lo = static_cast<u64>(sum), hi = static_cast<u64>(sum >> 64);
    carry &= ~static_cast<unsigned>(dm);
    // A carry out makes a new first pair 1; the last pair of the sum then
    // becomes pair 17.
    unsigned last = static_cast<unsigned>(lo) & 0xFF;
    u64 k_hi = pick(carry, hi, (u64{1} << 56) | (hi >> 8));
    u64 k_lo = pick(carry, lo, (hi << 56) | (lo >> 8));
    bool longer = (next | (carry ? last : 0)) != 0;
    next = pick(carry, next, last);
    u128 kept = (static_cast<u128>(k_hi) << 64) | k_lo;
    exponent += static_cast<int>(carry);
    if (__builtin_expect((k_hi >> 56) == 0, 0)) {
        // Leading pairs cancelled (or both operands zero): at most 16
        // significant pairs remain, pair 17 among them.
        int lead = leading_zero_pairs(kept);
        kept = ((kept << (4 * lead)) << (4 * lead)) | ((static_cast<u128>(next) << 120) >> (8 * (16 - lead)));
        return store_result(r, sign, exponent - lead, kept, 0, false);
    }
    return store_result(r, sign, exponent, kept, next, longer);
}

// ---- operands of at most 8 pairs, in one word ----

// A record of 1 to 8 pairs in normal form at its head (first pair 1..99,
// every pair at most 99): the pairs in one word, the first in the top byte,
// zero after ndigits. False for anything else (NULL, zero, longer runs,
// hand-built records), which the general path reads.
struct short_operand {
    u64 pairs;
    int exponent;
    int sign;
};

[[gnu::always_inline]] inline bool read_short(const decvalue *d, short_operand &op)
{
    unsigned n = static_cast<unsigned>(d->ndigits) - 1;
    u64 w = load_pairs(d->digits) & (~u64{0} << ((8 * (7 - n)) & 63));
    op = short_operand{w, d->exponent, d->sign == 0 ? 0 : 1};
    return n < 8 && d->sign != -1 && (w >> 56) != 0 && pairs_over_99(w) == 0;
}

// True when both records hold 1 to 8 pairs: the test before read_short.
inline bool both_short(const decvalue *a, const decvalue *b)
{
    return (static_cast<unsigned>(a->ndigits - 1) | static_cast<unsigned>(b->ndigits - 1)) < 8;
}

// a + b + carry in base 100 on 8 pairs (see add_pairs).
inline u64 add_word_pairs(u64 a, u64 b, unsigned &carry)
{
    u64 t;
    carry = __builtin_add_overflow(a, b + kBias + carry, &t);
    return t - ((t & kHigh) >> 7) * 156;
}

// The sum or difference of two short operands when the smaller, aligned
// on the larger, stays within its 8 pairs: then the result is exact (at
// most 9 pairs, nothing to round) and is what the general path gives.
// Returns false, r untouched, when the smaller reaches beyond.
[[gnu::always_inline]] inline bool add_short(const short_operand &a, const short_operand &b, decvalue *r, int &status)
{
    bool swap = (a.exponent < b.exponent) | ((a.exponent == b.exponent) & (a.pairs < b.pairs));
    u64 lp = pick(swap, a.pairs, b.pairs), sp = pick(swap, b.pairs, a.pairs);
    int exponent = pick(swap, a.exponent, b.exponent);
    int sign = pick(swap, a.sign, b.sign);
    unsigned d = static_cast<unsigned>(exponent - pick(swap, b.exponent, a.exponent));
    if (d >= 8 || (sp & ~(~u64{0} << (8 * d))) != 0) return false;
    sp >>= 8 * d;
    u64 dm = 0 - static_cast<u64>(a.sign != b.sign);
    // A difference adds the complement of the smaller: 99 - pair, plus one.
    unsigned carry = static_cast<unsigned>(dm & 1);
    u64 sum = add_word_pairs(lp, pick(dm != 0, sp, kNines - sp), carry);
    carry &= ~static_cast<unsigned>(dm);
    unsigned ninth = static_cast<unsigned>(sum) & 0xFF;
    sum = pick(carry, sum, (u64{1} << 56) | (sum >> 8));
    exponent += static_cast<int>(carry);
    if (__builtin_expect(sum == 0, 0)) {  // equal magnitudes cancelled
        set_zero(r);
        status = 0;
        return true;
    }
    int lead = std::countl_zero(sum) >> 3;  // pairs cancelled at the front
    sum <<= 8 * lead;
    exponent -= lead;
    store_pairs(sum, r->digits);
    r->digits[8] = static_cast<unsigned char>(ninth);
    r->ndigits = static_cast<int16_t>(pick(carry != 0 && ninth != 0, 8 - (std::countr_zero(sum) >> 3), 9));
    r->sign = static_cast<int16_t>(sign);
    status = store_exponent(r, exponent);
    return true;
}

constexpr u64 kLimb = 100000000;  // 10^8: four pairs

// The eight pairs of a word as two limbs of four pairs (values below 10^8),
// the first in the upper 32 bits: pairs are joined in parallel lanes.
u64 word_limbs(u64 w)
{
    constexpr u64 m8 = 0x00FF00FF00FF00FFULL, m16 = 0x0000FFFF0000FFFFULL;
    w = ((w >> 8) & m8) * 100 + (w & m8);
    return ((w >> 16) & m16) * 10000 + (w & m16);
}

u64 word_value(u64 w)
{
    u64 limbs = word_limbs(w);
    return (limbs >> 32) * kLimb + (limbs & 0xFFFFFFFF);
}

int product_sign(const operand &a, const operand &b)
{
    return a.sign == b.sign ? 1 : 0;
}

// Moves what column c holds beyond one limb into column up.
inline void carry_limb(u64 &c, u64 &up)
{
    up += c / kLimb;
    c %= kLimb;
}

// The 32-pair product of two 16-pair runs, as a run for load_short_run:
// pairs 0 to 19 exactly (a product of normal operands has at most one
// leading zero pair, so its 17th significant pair is among them) and a last
// word that is non-zero when any later pair is. Limbs of four pairs; the
// columns are named, not an array, so that they stay in registers.
void multiply_pairs(u128 a, u128 b, u64 w[4])
{
    u64 la = word_limbs(static_cast<u64>(a >> 64)), lb = word_limbs(static_cast<u64>(b >> 64));
    u64 a0 = la >> 32, a1 = la & 0xFFFFFFFF, b0 = lb >> 32, b1 = lb & 0xFFFFFFFF;
    la = word_limbs(static_cast<u64>(a));
    lb = word_limbs(static_cast<u64>(b));
    u64 a2 = la >> 32, a3 = la & 0xFFFFFFFF, b2 = lb >> 32, b3 = lb & 0xFFFFFFFF;
    // Column k weighs 10^(8 * (7 - k)); each sum stays below 4 * 10^16.
    u64 c0 = 0, c1 = a0 * b0, c2 = a0 * b1 + a1 * b0, c3 = a0 * b2 + a1 * b1 + a2 * b0;
    u64 c4 = a0 * b3 + a1 * b2 + a2 * b1 + a3 * b0, c5 = a1 * b3 + a2 * b2 + a3 * b1;
    u64 c6 = a2 * b3 + a3 * b2, c7 = a3 * b3;
    // Carries from the last column up; with them a column stays below 2^56.
    carry_limb(c7, c6), carry_limb(c6, c5), carry_limb(c5, c4), carry_limb(c4, c3);
    carry_limb(c3, c2), carry_limb(c2, c1), carry_limb(c1, c0);
    w[0] = limb_pairs(c0) << 32 | limb_pairs(c1);
    w[1] = limb_pairs(c2) << 32 | limb_pairs(c3);
    w[2] = limb_pairs(c4) << 32;
    w[3] = (c5 | c6 | c7) != 0;
}

// multiply_pairs for runs of at most 8 pairs each (the low words zero):
// two limbs by two, the product in the first two words.
[[gnu::always_inline]] inline void multiply_short_pairs(u128 a, u128 b, u64 w[4])
{
    u64 la = word_limbs(static_cast<u64>(a >> 64)), lb = word_limbs(static_cast<u64>(b >> 64));
    u64 a0 = la >> 32, a1 = la & 0xFFFFFFFF, b0 = lb >> 32, b1 = lb & 0xFFFFFFFF;
    u64 c0 = 0, c1 = a0 * b0, c2 = a0 * b1 + a1 * b0, c3 = a1 * b1;
    carry_limb(c3, c2), carry_limb(c2, c1), carry_limb(c1, c0);
    w[0] = limb_pairs(c0) << 32 | limb_pairs(c1);
    w[1] = limb_pairs(c2) << 32 | limb_pairs(c3);
    w[2] = 0;
    w[3] = 0;
}

// multiply_short_pairs for two short operands' words. When the product
// has at most 9 pairs (the pairs past the operands' last ones dropped), it
// is one binary product below 10^18, split into pairs directly.
inline void multiply_short_words(u64 a, u64 b, u64 w[4])
{
    int ta = std::countr_zero(a) & ~7, tb = std::countr_zero(b) & ~7;  // zero pairs at the end, in bits
    if (ta + tb >= 56) {
        u64 p = word_value(a >> ta) * word_value(b >> tb);  // below 100^9
        // Three limbs of four pairs (the first below 100), split from p
        // by two divisions that do not wait on each other's remainders.
        u64 upper = p / kLimb, top = upper / kLimb;
        u64 low = limb_pairs(upper - top * kLimb) << 32 | limb_pairs(p - upper * kLimb);
        // The 9 pairs top, low, then the zero pairs dropped.
        u128 run = ((static_cast<u128>(top) << 64) | low) << (ta + tb);
        w[0] = static_cast<u64>(run >> 64);
        w[1] = static_cast<u64>(run);
        w[2] = 0;
        w[3] = 0;
        return;
    }
    multiply_short_pairs(static_cast<u128>(a) << 64, static_cast<u128>(b) << 64, w);
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

// 100^k in binary for k 0..17.
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
    // The quotient is below 2^128, so its top limb is 0: start one lower.
    u64 q[2];
    for (int j = 1; j >= 0; --j) {
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

// floor(a * 100^17 / b) for 16-pair runs a, b (b non-zero, first pair
// non-zero): the 18 quotient pairs of base-100 long division, as three pair
// words. Long division with a two-pair trial divisor guesses each pair at
// most one too high for such a divisor, so its one correction always gives
// the exact pair: the quotient is exactly this truncated one.
void divide_pairs(u128 a, u128 b, int blen, u64 w[3])
{
    // With b = bint * 100^(16 - blen): a * 100^17 / b = a * 100^(blen+1) / bint.
    u128 divisor = run_value(b >> (8 * (16 - blen)));
    u64 n[4];
    multiply_wide(run_value(a), kPow100.p[blen + 1], n);
    u128 q;
    if ((divisor >> 64) == 0) {
        // Quotient below 2^128: n[3] is 0 and n[2] below the divisor.
        u64 d = static_cast<u64>(divisor), rem = n[2];
        u64 q1 = divide_wide(rem, n[1], d, rem);
        u64 q0 = divide_wide(rem, n[0], d, rem);
        q = (static_cast<u128>(q1) << 64) | q0;
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

// decadd and decsub of any two records (b negated for decsub), read in
// normal form. Kept out of line, so that the short paths before it need no
// saved registers.
[[gnu::noinline]] static int add_records(const decvalue *a, const decvalue *b, bool negate, decvalue *r)
{
    operand x = read_operand(a), y = read_operand(b);
    if (x.sign == -1 || y.sign == -1) {
        set_null(r);
        return 0;
    }
    if (negate) y.sign = y.sign == 0 ? 1 : 0;
    return add_operands(x, y, r);
}

extern "C" int decadd(const decvalue *a, const decvalue *b, decvalue *r)
{
    short_operand sa, sb;
    int status;
    if (both_short(a, b) && read_short(a, sa) && read_short(b, sb) && add_short(sa, sb, r, status)) return status;
    return add_records(a, b, false, r);
}

extern "C" int decsub(const decvalue *a, const decvalue *b, decvalue *r)
{
    short_operand sa, sb;
    int status;
    if (both_short(a, b) && read_short(a, sa) && read_short(b, sb)) {
        sb.sign ^= 1;
        if (add_short(sa, sb, r, status)) return status;
    }
    return add_records(a, b, true, r);
}

// decmul of any two records, read in normal form.
[[gnu::noinline]] static int multiply_records(const decvalue *a, const decvalue *b, decvalue *r)
{
    operand x = read_operand(a), y = read_operand(b);
    if (x.sign == -1 || y.sign == -1) {
        set_null(r);
        return 0;
    }
    u64 w[4];
    if (x.ndigits <= 8 && y.ndigits <= 8)
        multiply_short_pairs(x.pairs, y.pairs, w);
    else
        multiply_pairs(x.pairs, y.pairs, w);
    return load_short_run(r, product_sign(x, y), x.exponent + y.exponent, w[0], w[1], w[2], w[3] != 0);
}

extern "C" int decmul(const decvalue *a, const decvalue *b, decvalue *r)
{
    short_operand sa, sb;
    if (both_short(a, b) && read_short(a, sa) && read_short(b, sb)) {  // money-sized operands
        u64 w[4];
        multiply_short_words(sa.pairs, sb.pairs, w);
        return load_short_run(r, sa.sign == sb.sign ? 1 : 0, sa.exponent + sb.exponent, w[0], w[1], 0, false);
    }
    return multiply_records(a, b, r);
}

extern "C" int decdiv(const decvalue *a, const decvalue *b, decvalue *r)
{
    operand x = read_operand(a), y = read_operand(b);
    if (x.sign == -1 || y.sign == -1) {
        set_null(r);
        return 0;
    }
    if (y.ndigits == 0) {
        set_zero(r);
        return DEC_DIVZERO;
    }
    if (x.ndigits == 0) {
        set_zero(r);
        return 0;
    }
    u64 w[3];
    divide_pairs(x.pairs, y.pairs, y.ndigits, w);
    return load_short_run(r, product_sign(x, y), x.exponent - y.exponent + 1, w[0], w[1], w[2], false);
}


// deccmp of any two records: read in normal form.
[[gnu::noinline]] static int compare_records(const decvalue *a, const decvalue *b)
{
    operand x = read_operand(a), y = read_operand(b);
    if (x.sign == -1 || y.sign == -1) return -2;
    if (x.sign != y.sign) return x.sign ? 1 : -1;
    int m = compare_magnitudes(x, y);
    return x.sign ? m : -m;
}

// True for a record that is not NULL and whose value is not zero, read from
// its header and first pair alone.
static inline bool plainly_nonzero(const decvalue *d)
{
    return d->sign != -1 && static_cast<unsigned>(d->ndigits - 1) < DEC_NPAIRS && d->digits[0] != 0;
}

// deccmp of two values of one column: the same exponent and sign field,
// not NULL, 1 to 16 pairs each, the first non-zero. The pairs decide, read
// as two words each (beyond ndigits cleared): the first words where they
// differ, else the second. Bytes above 99 in the deciding words are left to
// the general path (words that agree read equal however they clamp).
// Returns false for records not in that form.
static inline bool compare_column(const decvalue *a, const decvalue *b, int &result)
{
    unsigned na = static_cast<unsigned>(a->ndigits - 1), nb = static_cast<unsigned>(b->ndigits - 1);
    if (a->sign == -1 || (na | nb) >= DEC_NPAIRS) return false;
    u64 ah = load_pairs(a->digits) & kFirstPairs.hi[na + 1], bh = load_pairs(b->digits) & kFirstPairs.hi[nb + 1];
    u64 al = load_pairs(a->digits + 8) & kFirstPairs.lo[na + 1], bl = load_pairs(b->digits + 8) & kFirstPairs.lo[nb + 1];
    bool first = ah != bh;
    u64 x = pick(first, al, ah), y = pick(first, bl, bh);
    if (__builtin_expect(((ah >> 56) == 0) | ((bh >> 56) == 0) | ((pairs_over_99(x) | pairs_over_99(y)) != 0), 0))
        return false;
    int m = (x > y) - (x < y);
    result = pick(a->sign != 0, -m, m);
    return true;
}

extern "C" int deccmp(const decvalue *a, const decvalue *b)
{
    // The exponent and sign fields side by side, compared as one word.
    static_assert(offsetof(decvalue, exponent) == 0 && offsetof(decvalue, sign) == 2);
    std::uint32_t ha, hb;
    std::memcpy(&ha, a, sizeof ha);
    std::memcpy(&hb, b, sizeof hb);
    int result;
    if (ha == hb) {
        if (compare_column(a, b, result)) return result;
    } else if (plainly_nonzero(a) && plainly_nonzero(b)) {
        // Two non-zero values of different signs or exponents need no pairs.
        bool pa = a->sign != 0, pb = b->sign != 0;
        if (pa != pb) return pa ? 1 : -1;
        if (a->exponent != b->exponent) return (a->exponent > b->exponent) == pa ? 1 : -1;
    }
    return compare_records(a, b);
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
