// The DECIMAL record: the normalising loader decload (and load_run, the
// word-level loader the arithmetic ends in), the packed stored form
// (lddecimal, stdecimal, deccomplement), the precision words (dec2prec,
// decprec, chkprec), deccopy and dec_is_zero. The representation and the
// stored layout are described in incl/decimal.h; the pair words in
// decwords.h.
#include "decimal.h"

#include "decwords.h"

#include <algorithm>
#include <cstring>

namespace trw::dec {
namespace {

// Shifts a four-word run left by whole pairs (0..31).
void shift_out_pairs(u64 w[4], int pairs)
{
    int words = pairs / 8, bits = 8 * (pairs % 8);
    for (int i = 0; i < 4; ++i) w[i] = i + words < 4 ? w[i + words] : 0;
    if (bits == 0) return;
    for (int i = 0; i < 3; ++i) w[i] = (w[i] << bits) | (w[i + 1] >> (64 - bits));
    w[3] <<= bits;
}

// Leading zero pairs of a four-word run; 32 for an empty run.
int run_leading_zero_pairs(const u64 w[4])
{
    for (int i = 0; i < 4; ++i)
        if (w[i]) return 8 * i + __builtin_clzll(w[i]) / 8;
    return 32;
}

// Base-100 complement of a run held in words whose pairs after the last
// non-zero one are 0: 99 - b for each pair up to the last non-zero one, plus
// one on that one. No byte borrows or carries, so words are done apart.
void complement_words(u64 *w, int count)
{
    int last = count - 1;
    while (last >= 0 && w[last] == 0) --last;
    if (last < 0) return;
    for (int i = 0; i < last; ++i) w[i] = kNines - w[i];
    int tz = __builtin_ctzll(w[last]) / 8;
    u64 used = ~0ULL << (8 * tz);
    w[last] = (kNines & used) - w[last] + (1ULL << (8 * tz));
}

}  // namespace

int load_run(decvalue *dec, int sign, int exponent, u64 w0, u64 w1, u64 w2, u64 w3)
{
    u64 w[4] = {w0, w1, w2, w3};
    int lead = run_leading_zero_pairs(w);
    if (lead == 32) return store_result(dec, sign, exponent, 0, 0, false);
    if (lead) shift_out_pairs(w, lead);
    return store_result(dec, sign, exponent - lead, (static_cast<u128>(w[0]) << 64) | w[1],
                        static_cast<unsigned>(w[2] >> 56), (w[2] | w[3]) != 0);
}

}  // namespace trw::dec

using namespace trw::dec;

extern "C" int decload(decvalue *dec, int sign, int exponent, const unsigned char *pairs, int count)
{
    if (sign == -1) {
        set_null(dec);
        return 0;
    }
    int start = 0;
    while (start < count && pairs[start] == 0) ++start;
    unsigned char run[32] = {};
    int taken = std::min(count - start, 32);
    if (taken > 0) std::memcpy(run, pairs + start, taken);
    u64 w[4];
    for (int i = 0; i < 4; ++i) w[i] = clamp_pairs(load_pairs(run + 8 * i));
    for (int i = start + 32; i < count; ++i)
        if (pairs[i]) {
            w[3] |= 1;  // only marks the run as longer than 16 pairs
            break;
        }
    return load_run(dec, sign, exponent - start, w[0], w[1], w[2], w[3]);
}

extern "C" void deccomplement(unsigned char *pairs, int count)
{
    int last = count - 1;
    while (last >= 0 && pairs[last] == 0) --last;
    if (last < 0) return;
    pairs[last] = static_cast<unsigned char>(100 - pairs[last]);
    for (int i = 0; i < last; ++i) pairs[i] = static_cast<unsigned char>(99 - pairs[i]);
}

extern "C" int lddecimal(const void *src, int n, decvalue *dec)
{
    const auto *bytes = static_cast<const unsigned char *>(src);
    unsigned char head = n > 0 ? bytes[0] : 0;
    if (head == 0 && (n < 2 || bytes[1] == 0)) {
        set_null(dec);
        return 0;
    }
    unsigned char run[24] = {};
    int npairs = std::min(n, DEC_STORED_MAX) - 1;
    if (npairs > 0) std::memcpy(run, bytes + 1, npairs);
    u64 w[3];
    for (int i = 0; i < 3; ++i) w[i] = clamp_pairs(load_pairs(run + 8 * i));
    if (head & 0x80) return load_run(dec, 1, (head & 0x7F) - 64, w[0], w[1], w[2], 0);
    complement_words(w, 3);
    return load_run(dec, 0, ((head ^ 0x7F) & 0x7F) - 64, w[0], w[1], w[2], 0);
}

namespace {

// Cuts a value to the pairs a stored form of npairs (1..16) pair bytes
// holds, rounding by the first pair that does not fit. head is the exponent
// byte, raised by a carry out of the first pair.
u128 fit_pairs(u128 pairs, int ndigits, int npairs, int &head)
{
    if (ndigits <= npairs) return pairs;
    int dropped = 8 * (16 - npairs);
    bool round_up = static_cast<unsigned>(pairs >> (dropped - 8)) % 256 >= 50;
    u128 kept = pairs >> dropped;
    if (round_up && !increment_pairs(kept, npairs)) {
        if (head == 0x7F) return kept << dropped;  // nowhere to carry to
        kept = static_cast<u128>(1) << (8 * (npairs - 1));
        ++head;
    }
    return kept << dropped;
}

}  // namespace

extern "C" void stdecimal(const decvalue *dec, void *dst, int n)
{
    auto *out = static_cast<unsigned char *>(dst);
    if (n < 2) {
        unsigned char two[2];
        if (n == 1) {
            stdecimal(dec, two, 2);
            out[0] = two[0];
        }
        return;
    }
    if (dec->sign == -1) {
        std::memset(out, 0, n);
        return;
    }
    operand op = read_operand(dec);
    int npairs = n - 1;
    int head = op.ndigits ? (op.exponent + 64) & 0x7F : 0;
    u128 pairs = fit_pairs(op.pairs, op.ndigits, std::min(npairs, 16), head);
    u64 w[2] = {static_cast<u64>(pairs >> 64), static_cast<u64>(pairs)};
    if (op.sign == 0 && op.ndigits != 0) {
        complement_words(w, 2);
        head ^= 0x7F;
    } else {
        head |= 0x80;
    }
    unsigned char bytes[16];
    store_pairs(w[0], bytes);
    store_pairs(w[1], bytes + 8);
    out[0] = static_cast<unsigned char>(head);
    std::memcpy(out + 1, bytes, std::min(npairs, 16));
    if (npairs > 16) std::memset(out + 17, 0, npairs - 16);
}

namespace {

struct precision {
    int digits;
    int scale;
};

precision measure(const decvalue *dec)
{
    int nd = clamp_ndigits(dec->ndigits);
    if (dec->sign == -1 || nd == 0) return {0, 0};
    precision p{2 * nd, 2 * (nd - dec->exponent)};
    if (std::min<int>(dec->digits[nd - 1], 99) % 10 == 0) {
        --p.digits;
        --p.scale;
    }
    if (std::min<int>(dec->digits[0], 99) < 10) --p.digits;
    if (p.scale < 0) {
        p.digits -= p.scale;
        p.scale = 0;
    }
    return p;
}

precision measure_raised(const decvalue *dec)
{
    precision p = measure(dec);
    p.digits = std::max(p.digits, p.scale);
    return p;
}

}  // namespace

extern "C" int dec2prec(const decvalue *dec)
{
    precision p = measure(dec);
    return p.digits * 256 + p.scale;
}

extern "C" int decprec(const decvalue *dec)
{
    precision p = measure_raised(dec);
    return p.digits * 256 + p.scale;
}

extern "C" int chkprec(decvalue *dec, int precword)
{
    int declared = (precword >> 8) & 0xFF, scale = precword & 0xFF;
    precision p = measure(dec);
    if (scale == DEC_FLOATING) {
        if (p.digits > declared) decround(dec, p.scale + declared - p.digits);
        return 0;
    }
    if (p.scale > scale) {
        decround(dec, scale);
        p = measure_raised(dec);
    } else if (p.digits < p.scale) {
        p.digits = p.scale;
    }
    return p.digits - p.scale > declared - scale ? -1 : 0;
}

extern "C" void deccopy(const decvalue *src, decvalue *dst)
{
    if (src == dst) return;
    dst->exponent = src->exponent;
    dst->sign = src->sign;
    dst->ndigits = src->ndigits;
    std::memcpy(dst->digits, src->digits, clamp_ndigits(src->ndigits));
}

extern "C" int dec_is_zero(const decvalue *dec)
{
    return dec->ndigits <= 0 && dec->exponent == DEC_MINEXP;
}
