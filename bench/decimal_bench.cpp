// Speed of the DECIMAL arithmetic, comparison and stored forms, with two
// peers measured in the same run on the same values: Intel's decimal
// floating-point library (bid128_*, when TRW_HAVE_BID) and decNumber at 32
// digits (when TRW_HAVE_DECNUMBER). The operands are 1024 values of 10 to 32
// significant digits with 0 to 12 decimal places; every benchmark walks
// the same pairs (value i with value i + 1).
// Stored forms: ours is stdecimal/lddecimal at 18 bytes (the floating
// DECIMAL(32)); decNumber's is the decimal128 interchange encoding
// (decimal128FromNumber/ToNumber); Intel's is the conversion between its
// binary encoding and the decimal128 interchange encoding.
#include "decimal.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "decimal_peers.h"

namespace {

constexpr size_t kCount = 1024;

// Decimal texts of 10 to 32 significant digits, some negative.
const std::vector<std::string> &texts()
{
    static const std::vector<std::string> values = [] {
        std::mt19937_64 rng(42);
        std::vector<std::string> out;
        for (size_t i = 0; i < kCount; ++i) {
            int digits = 10 + static_cast<int>(rng() % 23);
            int places = std::min(static_cast<int>(rng() % 13), digits - 1);
            std::string s = rng() % 4 == 0 ? "-" : "";
            for (int d = 0; d < digits; ++d) {
                if (d == digits - places) s += '.';
                s += static_cast<char>(d == 0 ? '1' + rng() % 9 : '0' + rng() % 10);
            }
            out.push_back(s);
        }
        return out;
    }();
    return values;
}

// A decimal text read into pairs through decload.
decvalue to_decvalue(const std::string &text)
{
    bool negative = text[0] == '-';
    size_t start = negative, point = text.find('.');
    if (point == std::string::npos) point = text.size();
    std::vector<int> digits((point - start) % 2, 0);  // whole part padded to pairs
    for (size_t i = start; i < text.size(); ++i)
        if (text[i] != '.') digits.push_back(text[i] - '0');
    if (digits.size() % 2) digits.push_back(0);
    std::vector<unsigned char> pairs;
    for (size_t i = 0; i < digits.size(); i += 2) pairs.push_back(static_cast<unsigned char>(digits[i] * 10 + digits[i + 1]));
    int exponent = static_cast<int>((point - start + 1) / 2);
    decvalue d;
    decload(&d, negative ? 0 : 1, exponent, pairs.data(), static_cast<int>(pairs.size()));
    return d;
}

const std::vector<decvalue> &ours()
{
    static const std::vector<decvalue> values = [] {
        std::vector<decvalue> out;
        for (const auto &t : texts()) out.push_back(to_decvalue(t));
        return out;
    }();
    return values;
}

using binary = int (*)(const decvalue *, const decvalue *, decvalue *);

template <binary op>
void ours_binary(benchmark::State &state)
{
    const auto &v = ours();
    size_t i = 0;
    decvalue r;
    for (auto _ : state) {
        benchmark::DoNotOptimize(op(&v[i], &v[i + 1], &r));
        benchmark::DoNotOptimize(r);
        i = (i + 1) % (kCount - 1);
    }
}
BENCHMARK(ours_binary<decadd>)->Name("add/decvalue");
BENCHMARK(ours_binary<decsub>)->Name("sub/decvalue");
BENCHMARK(ours_binary<decmul>)->Name("mul/decvalue");
BENCHMARK(ours_binary<decdiv>)->Name("div/decvalue");

void ours_compare(benchmark::State &state)
{
    const auto &v = ours();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(deccmp(&v[i], &v[i + 1]));
        i = (i + 1) % (kCount - 1);
    }
}
BENCHMARK(ours_compare)->Name("cmp/decvalue");

void ours_store_load(benchmark::State &state)
{
    const auto &v = ours();
    size_t i = 0;
    unsigned char form[DEC_STORED_MAX];
    decvalue back;
    for (auto _ : state) {
        stdecimal(&v[i], form, DEC_STORED_MAX);
        benchmark::DoNotOptimize(lddecimal(form, DEC_STORED_MAX, &back));
        benchmark::DoNotOptimize(back);
        i = (i + 1) % kCount;
    }
}
BENCHMARK(ours_store_load)->Name("store+load/decvalue");

#if TRW_HAVE_BID
const std::vector<BID_UINT128> &bids()
{
    static const std::vector<BID_UINT128> values = [] {
        std::vector<BID_UINT128> out;
        _IDEC_flags flags = 0;
        for (const auto &t : texts()) {
            std::string copy = t;
            out.push_back(bid128_from_string(copy.data(), BID_ROUNDING_TO_NEAREST, &flags));
        }
        return out;
    }();
    return values;
}

using bid_binary = BID_UINT128 (*)(BID_UINT128, BID_UINT128, _IDEC_round, _IDEC_flags *);

template <bid_binary op>
void bid_op(benchmark::State &state)
{
    const auto &v = bids();
    size_t i = 0;
    _IDEC_flags flags = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(op(v[i], v[i + 1], BID_ROUNDING_TO_NEAREST, &flags));
        i = (i + 1) % (kCount - 1);
    }
}
BENCHMARK(bid_op<bid128_add>)->Name("add/bid128");
BENCHMARK(bid_op<bid128_sub>)->Name("sub/bid128");
BENCHMARK(bid_op<bid128_mul>)->Name("mul/bid128");
BENCHMARK(bid_op<bid128_div>)->Name("div/bid128");

void bid_compare(benchmark::State &state)
{
    const auto &v = bids();
    size_t i = 0;
    _IDEC_flags flags = 0;
    for (auto _ : state) {
        int less = bid128_quiet_less(v[i], v[i + 1], &flags);
        int equal = less ? 0 : bid128_quiet_equal(v[i], v[i + 1], &flags);
        benchmark::DoNotOptimize(less ? -1 : equal ? 0 : 1);
        i = (i + 1) % (kCount - 1);
    }
}
BENCHMARK(bid_compare)->Name("cmp/bid128");

void bid_store_load(benchmark::State &state)
{
    const auto &v = bids();
    size_t i = 0;
    for (auto _ : state) {
        BID_UINT128 stored = bid_to_dpd128(v[i]);
        benchmark::DoNotOptimize(stored);
        benchmark::DoNotOptimize(bid_dpd_to_bid128(stored));
        i = (i + 1) % kCount;
    }
}
BENCHMARK(bid_store_load)->Name("store+load/bid128");
#endif

#if TRW_HAVE_DECNUMBER
decContext context32()
{
    decContext ctx;
    decContextDefault(&ctx, DEC_INIT_BASE);
    ctx.digits = 32;
    ctx.emax = 999999;
    ctx.emin = -999999;
    ctx.traps = 0;
    return ctx;
}

const std::vector<decNumber> &numbers()
{
    static const std::vector<decNumber> values = [] {
        std::vector<decNumber> out(kCount);
        decContext ctx = context32();
        for (size_t i = 0; i < kCount; ++i) decNumberFromString(&out[i], texts()[i].c_str(), &ctx);
        return out;
    }();
    return values;
}

using dn_binary = decNumber *(*)(decNumber *, const decNumber *, const decNumber *, decContext *);

template <dn_binary op>
void dn_op(benchmark::State &state)
{
    const auto &v = numbers();
    decContext ctx = context32();
    decNumber r;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(op(&r, &v[i], &v[i + 1], &ctx));
        i = (i + 1) % (kCount - 1);
    }
}
BENCHMARK(dn_op<decNumberAdd>)->Name("add/decNumber32");
BENCHMARK(dn_op<decNumberSubtract>)->Name("sub/decNumber32");
BENCHMARK(dn_op<decNumberMultiply>)->Name("mul/decNumber32");
BENCHMARK(dn_op<decNumberDivide>)->Name("div/decNumber32");
BENCHMARK(dn_op<decNumberCompare>)->Name("cmp/decNumber32");

void dn_store_load(benchmark::State &state)
{
    const auto &v = numbers();
    decContext ctx = context32();
    decNumber back;
    dec128_bytes stored;
    size_t i = 0;
    for (auto _ : state) {
        decimal128FromNumber(&stored, &v[i], &ctx);
        benchmark::DoNotOptimize(decimal128ToNumber(&stored, &back));
        i = (i + 1) % kCount;
    }
}
BENCHMARK(dn_store_load)->Name("store+load/decNumber32");
#endif

}  // namespace
