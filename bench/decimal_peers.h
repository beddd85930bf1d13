// The peer decimal libraries the DECIMAL benchmarks measure against, each
// included only when the build found it: Intel's decimal floating-point
// library (arguments by value, rounding mode and flags passed in) and
// decNumber at 34 digits with its decimal128 interchange conversions.
// Also the operand sets both benchmarks share and the checks that ours and
// each peer agree on them, run once before anything is timed: a mismatch
// prints the operands and ends the program with status 2.
#pragma once

#include "decimal.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#if TRW_HAVE_BID
#define DECIMAL_CALL_BY_REFERENCE 0
#define DECIMAL_GLOBAL_ROUNDING 0
#define DECIMAL_GLOBAL_EXCEPTION_FLAGS 0
extern "C" {
#include <bid_conf.h>
#include <bid_functions.h>
}
#endif

#if TRW_HAVE_DECNUMBER
#define DECNUMDIGITS 34
extern "C" {
#include <decNumber.h>
// From decConvert.h, with the interchange form as plain 16 bytes.
struct dec128_bytes {
    uint8_t b[16];
};
decNumber *decimal128ToNumber(const dec128_bytes *, decNumber *);
dec128_bytes *decimal128FromNumber(dec128_bytes *, const decNumber *, decContext *);
}
#endif

namespace decbench {

constexpr size_t kCount = 1024;

// The two operand sets: "money" holds values of at most 12 digits with
// exactly 2 places (the columns of a DECIMAL(12,2) or MONEY), "wide" values
// of 10 to 32 significant digits with 0 to 12 places. A quarter of either
// is negative.
enum class Set { money, wide };

inline const char *set_name(Set s) { return s == Set::money ? "money" : "wide"; }

inline std::string random_text(std::mt19937_64 &rng, Set set)
{
    std::string s = rng() % 4 == 0 ? "-" : "";
    if (set == Set::money) {
        int whole = static_cast<int>(rng() % 11);  // 0 to 10 integer digits
        if (whole == 0) s += '0';
        for (int d = 0; d < whole; ++d) s += static_cast<char>(d == 0 ? '1' + rng() % 9 : '0' + rng() % 10);
        s += '.';
        s += static_cast<char>('0' + rng() % 10);
        s += static_cast<char>('0' + rng() % 10);
        if (whole == 0 && s.back() == '0' && s[s.size() - 2] == '0') s.back() = '1';  // no zero divisor
        return s;
    }
    int digits = 10 + static_cast<int>(rng() % 23);
    int places = std::min(static_cast<int>(rng() % 13), digits - 1);
    for (int d = 0; d < digits; ++d) {
        if (d == digits - places && places > 0) s += '.';
        s += static_cast<char>(d == 0 ? '1' + rng() % 9 : '0' + rng() % 10);
    }
    return s;
}

inline const std::vector<std::string> &texts(Set set)
{
    static const std::vector<std::string> sets[2] = {[] {
        std::mt19937_64 rng(42);
        std::vector<std::string> out;
        for (size_t i = 0; i < kCount; ++i) out.push_back(random_text(rng, Set::money));
        return out;
    }(), [] {
        std::mt19937_64 rng(42);
        std::vector<std::string> out;
        for (size_t i = 0; i < kCount; ++i) out.push_back(random_text(rng, Set::wide));
        return out;
    }()};
    return sets[set == Set::money ? 0 : 1];
}

// Compare pairs: "column" pairs are two values of one column that share sign
// and exponent and differ only in a later pair (the second is the first with
// one of its later digits changed); "mixed" pairs are neighbours of the set.
inline std::vector<std::string> column_partners(Set set)
{
    std::mt19937_64 rng(7);
    std::vector<std::string> out;
    for (const auto &t : texts(set)) {
        std::string s = t;
        size_t first = s.find_first_of("123456789");
        size_t at = first + 2 + rng() % std::max<size_t>(1, s.size() - first - 2);
        if (at >= s.size()) at = s.size() - 1;
        if (s[at] == '.') ++at;
        if (at >= s.size()) at = s.size() - 1;
        s[at] = static_cast<char>(s[at] == '9' ? '0' + rng() % 9 : s[at] + 1);
        out.push_back(s);
    }
    return out;
}

// Exact text of a record from its pairs: sign, "0.", the pairs, the decimal
// exponent; "NULL" for NULL. Independent of the conversions measured.
inline std::string exact_text(const decvalue &d)
{
    if (d.sign == -1) return "NULL";
    if (d.ndigits <= 0) return "0";
    std::string s = d.sign == 0 ? "-0." : "0.";
    for (int i = 0; i < d.ndigits; ++i) {
        s += static_cast<char>('0' + d.digits[i] / 10);
        s += static_cast<char>('0' + d.digits[i] % 10);
    }
    return s + "E" + std::to_string(2 * d.exponent);
}

[[noreturn]] inline void mismatch(const char *what, const std::string &a, const std::string &b, const std::string &ours,
                                  const std::string &peer)
{
    std::fprintf(stderr, "benchmark check failed: %s of %s and %s: ours %s, peer %s\n", what, a.c_str(), b.c_str(),
                 ours.c_str(), peer.c_str());
    std::exit(2);
}

#if TRW_HAVE_BID
inline BID_UINT128 bid_from(const std::string &text)
{
    _IDEC_flags flags = 0;
    std::string copy = text;
    return bid128_from_string(copy.data(), BID_ROUNDING_TO_NEAREST, &flags);
}

inline std::string bid_text(BID_UINT128 v)
{
    char buf[64];
    _IDEC_flags flags = 0;
    bid128_to_string(buf, v, &flags);
    return buf;
}

// Whether ours and bid128's result agree: exactly, or (loose) within one
// unit of the 16th pair at exponent unit_exp (default: ours), the rounding
// of 32 against 34 digits and our truncated quotient.
inline bool bid_agrees(const decvalue &ours, BID_UINT128 peer, bool loose, int unit_exp = DEC_MINEXP - 1)
{
    _IDEC_flags flags = 0;
    BID_UINT128 o = bid_from(exact_text(ours));
    BID_UINT128 diff = bid128_abs(bid128_sub(o, peer, BID_ROUNDING_TO_NEAREST, &flags));
    if (!loose) return bid128_isZero(diff);
    int e = std::max(unit_exp, ours.ndigits > 0 ? static_cast<int>(ours.exponent) : DEC_MINEXP);
    BID_UINT128 unit = bid_from("1E" + std::to_string(2 * (e - 16)));
    return bid128_quiet_less_equal(diff, unit, &flags);
}
#endif

#if TRW_HAVE_DECNUMBER
inline decContext context(int digits)
{
    decContext ctx;
    decContextDefault(&ctx, DEC_INIT_BASE);
    ctx.digits = digits;
    ctx.emax = 999999;
    ctx.emin = -999999;
    ctx.traps = 0;
    return ctx;
}

inline std::string dn_text(const decNumber &n)
{
    char buf[DECNUMDIGITS + 16];
    decNumberToString(&n, buf);
    return buf;
}

// As bid_agrees, for decNumber at 32 digits.
inline bool dn_agrees(const decvalue &ours, const decNumber &peer, bool loose, int unit_exp = DEC_MINEXP - 1)
{
    decContext ctx = context(34);
    decNumber o, diff, unit, cmp;
    decNumberFromString(&o, exact_text(ours).c_str(), &ctx);
    decNumberSubtract(&diff, &o, &peer, &ctx);
    decNumberAbs(&diff, &diff, &ctx);
    if (!loose) return decNumberIsZero(&diff);
    int e = std::max(unit_exp, ours.ndigits > 0 ? static_cast<int>(ours.exponent) : DEC_MINEXP);
    decNumberFromString(&unit, ("1E" + std::to_string(2 * (e - 16))).c_str(), &ctx);
    decNumberCompare(&cmp, &diff, &unit, &ctx);
    return decNumberIsNegative(&cmp) || decNumberIsZero(&cmp);
}
#endif

}  // namespace decbench
