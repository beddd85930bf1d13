// Speed of the DECIMAL arithmetic, comparison and stored forms, with two
// peers measured in the same run on the same values: Intel's decimal
// floating-point library (bid128_*, when TRW_HAVE_BID) and decNumber at 32
// digits (when TRW_HAVE_DECNUMBER). Two operand sets of 1024 values each
// (decimal_peers.h): "money" (at most 12 digits, 2 places) and "wide" (10 to
// 32 significant digits, 0 to 12 places). The arithmetic walks the pairs
// value i with value i + 1. Comparisons come in two pair sets: "column"
// (the same sign and exponent, differing in a later pair, as values of one
// column) and "mixed" (neighbours of the set). bid128's comparison is one
// call, bid128_quiet_less, a two-way answer where ours is three-way.
// Stored forms: ours is stdecimal/lddecimal at 18 bytes (the floating
// DECIMAL(32)); bid128's binary encoding is itself a stored interchange
// form, so its store and load is a copy of its own 16 bytes
// (store+load/bid128_copy); store+load/bid128_dpd converts to the densely
// packed interchange encoding and back, and decNumber's is decimal128
// (decimal128FromNumber/ToNumber).
// The peers hold the values our records hold (the wide texts of 32 digits
// whose point falls inside a pair keep 31 in a record).
// Before anything is timed, every result of ours and of each peer on these
// operands is checked to agree (exactly, or within one unit of our 16th
// pair where the operation rounds: ours truncates the quotient and rounds
// to 32 digits, the peers round to 34 or 32); a mismatch ends the program.
#include "decimal.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "decimal_peers.h"

using namespace decbench;

namespace {

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

struct Operands {
    std::vector<std::string> text, partner_text;  // the set; its column partners
    std::vector<decvalue> v, partner;
};

const Operands &operands(Set set)
{
    static const Operands sets[2] = {[] {
        Operands o;
        o.text = texts(Set::money);
        o.partner_text = column_partners(Set::money);
        for (const auto &t : o.text) o.v.push_back(to_decvalue(t));
        for (const auto &t : o.partner_text) o.partner.push_back(to_decvalue(t));
        return o;
    }(), [] {
        Operands o;
        o.text = texts(Set::wide);
        o.partner_text = column_partners(Set::wide);
        for (const auto &t : o.text) o.v.push_back(to_decvalue(t));
        for (const auto &t : o.partner_text) o.partner.push_back(to_decvalue(t));
        return o;
    }()};
    return sets[set == Set::money ? 0 : 1];
}

using binary = int (*)(const decvalue *, const decvalue *, decvalue *);

struct Op {
    const char *name;
    binary ours;
#if TRW_HAVE_BID
    BID_UINT128 (*bid)(BID_UINT128, BID_UINT128, _IDEC_round, _IDEC_flags *);
#endif
#if TRW_HAVE_DECNUMBER
    decNumber *(*dn)(decNumber *, const decNumber *, const decNumber *, decContext *);
#endif
    bool rounds_money;  // the result may round even on the money set
};

const Op kOps[] = {
    {"add", decadd,
#if TRW_HAVE_BID
     bid128_add,
#endif
#if TRW_HAVE_DECNUMBER
     decNumberAdd,
#endif
     false},
    {"sub", decsub,
#if TRW_HAVE_BID
     bid128_sub,
#endif
#if TRW_HAVE_DECNUMBER
     decNumberSubtract,
#endif
     false},
    {"mul", decmul,
#if TRW_HAVE_BID
     bid128_mul,
#endif
#if TRW_HAVE_DECNUMBER
     decNumberMultiply,
#endif
     false},
    {"div", decdiv,
#if TRW_HAVE_BID
     bid128_div,
#endif
#if TRW_HAVE_DECNUMBER
     decNumberDivide,
#endif
     true},
};

// The comparison pairs of a set: column (value i with its partner) or
// mixed (value i with value i + 1).
const decvalue &second_of(const Operands &o, bool column, size_t i) { return column ? o.partner[i] : o.v[i + 1]; }
const std::string &second_text(const Operands &o, bool column, size_t i)
{
    return column ? o.partner_text[i] : o.text[i + 1];
}

#if TRW_HAVE_BID
struct BidSet {
    std::vector<BID_UINT128> v, partner;
};

const BidSet &bids(Set set)
{
    static const BidSet sets[2] = {[] {
        BidSet b;
        for (const auto &d : operands(Set::money).v) b.v.push_back(bid_from(exact_text(d)));
        for (const auto &d : operands(Set::money).partner) b.partner.push_back(bid_from(exact_text(d)));
        return b;
    }(), [] {
        BidSet b;
        for (const auto &d : operands(Set::wide).v) b.v.push_back(bid_from(exact_text(d)));
        for (const auto &d : operands(Set::wide).partner) b.partner.push_back(bid_from(exact_text(d)));
        return b;
    }()};
    return sets[set == Set::money ? 0 : 1];
}
#endif

#if TRW_HAVE_DECNUMBER
struct DnSet {
    std::vector<decNumber> v, partner;
};

const DnSet &numbers(Set set)
{
    auto make = [](Set s) {
        DnSet d;
        decContext ctx = context(32);
        for (const auto &v : operands(s).v) {
            d.v.emplace_back();
            decNumberFromString(&d.v.back(), exact_text(v).c_str(), &ctx);
        }
        for (const auto &v : operands(s).partner) {
            d.partner.emplace_back();
            decNumberFromString(&d.partner.back(), exact_text(v).c_str(), &ctx);
        }
        return d;
    };
    static const DnSet sets[2] = {make(Set::money), make(Set::wide)};
    return sets[set == Set::money ? 0 : 1];
}
#endif

// ---- the checks, once before timing ----

// The tolerance exponent of a sum: the unit of the 16th pair of the larger
// operand or of the result, whichever is larger.
int unit_exponent(const decvalue &a, const decvalue &b, const decvalue &r)
{
    return std::max({a.exponent, b.exponent, r.exponent});
}

void check_set(Set set)
{
    const Operands &o = operands(set);
    for (size_t i = 0; i < kCount; ++i) {
        const std::string &ta = o.text[i];
        decvalue back;
        unsigned char form[DEC_STORED_MAX];
        stdecimal(&o.v[i], form, DEC_STORED_MAX);
        if (lddecimal(form, DEC_STORED_MAX, &back) != 0 || exact_text(back) != exact_text(o.v[i]))
            mismatch("store+load", ta, "", exact_text(back), exact_text(o.v[i]));
#if TRW_HAVE_BID
        if (!bid_agrees(o.v[i], bid_from(ta), set == Set::wide))
            mismatch("reading", ta, "", exact_text(o.v[i]), bid_text(bid_from(ta)));
        BID_UINT128 copy;
        std::memcpy(&copy, &bids(set).v[i], sizeof copy);
        BID_UINT128 dpd = bid_dpd_to_bid128(bid_to_dpd128(copy));
        if (!bid_agrees(o.v[i], dpd, false)) mismatch("bid128 dpd store+load", ta, "", exact_text(o.v[i]), bid_text(dpd));
#endif
        for (bool column : {true, false}) {
            if (!column && i + 1 == kCount) continue;
            const decvalue &b = second_of(o, column, i);
            int c = deccmp(&o.v[i], &b);
#if TRW_HAVE_BID
            _IDEC_flags flags = 0;
            BID_UINT128 bb = column ? bids(set).partner[i] : bids(set).v[i + 1];
            int less = bid128_quiet_less(bids(set).v[i], bb, &flags);
            int equal = bid128_quiet_equal(bids(set).v[i], bb, &flags);
            if ((c < 0) != (less != 0) || (c == 0) != (equal != 0))
                mismatch("compare", ta, second_text(o, column, i), std::to_string(c), less ? "less" : "not less");
#endif
#if TRW_HAVE_DECNUMBER
            decContext ctx = context(32);
            decNumber r;
            decNumberCompare(&r, &numbers(set).v[i], column ? &numbers(set).partner[i] : &numbers(set).v[i + 1], &ctx);
            int dc = decNumberIsZero(&r) ? 0 : decNumberIsNegative(&r) ? -1 : 1;
            if (dc != c) mismatch("compare", ta, second_text(o, column, i), std::to_string(c), std::to_string(dc));
#endif
        }
        if (i + 1 == kCount) continue;
        const decvalue &b = o.v[i + 1];
        for (const Op &op : kOps) {
            decvalue r;
            if (op.ours(&o.v[i], &b, &r) != 0) mismatch(op.name, ta, o.text[i + 1], "a status", "none");
            bool loose = set == Set::wide || op.rounds_money;
            (void)loose;
#if TRW_HAVE_BID
            _IDEC_flags flags = 0;
            BID_UINT128 p = op.bid(bids(set).v[i], bids(set).v[i + 1], BID_ROUNDING_TO_NEAREST, &flags);
            if (!bid_agrees(r, p, loose, unit_exponent(o.v[i], b, r)))
                mismatch(op.name, ta, o.text[i + 1], exact_text(r), bid_text(p));
#endif
#if TRW_HAVE_DECNUMBER
            decContext ctx = context(32);
            decNumber n;
            op.dn(&n, &numbers(set).v[i], &numbers(set).v[i + 1], &ctx);
            if (!dn_agrees(r, n, loose, unit_exponent(o.v[i], b, r)))
                mismatch(op.name, ta, o.text[i + 1], exact_text(r), dn_text(n));
#endif
        }
    }
}

// Runs before main, so before any benchmark is timed.
const bool checked = [] {
    check_set(Set::money);
    check_set(Set::wide);
    return true;
}();

// ---- ours ----

void ours_binary(benchmark::State &state, Set set, binary op)
{
    const auto &v = operands(set).v;
    size_t i = 0;
    decvalue r;
    for (auto _ : state) {
        benchmark::DoNotOptimize(op(&v[i], &v[i + 1], &r));
        benchmark::DoNotOptimize(r);
        i = (i + 1) % (kCount - 1);
    }
}

void ours_compare(benchmark::State &state, Set set, bool column)
{
    const Operands &o = operands(set);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(deccmp(&o.v[i], &second_of(o, column, i)));
        i = (i + 1) % (kCount - 1);
    }
}

void ours_store_load(benchmark::State &state, Set set)
{
    const auto &v = operands(set).v;
    size_t i = 0;
    unsigned char form[DEC_STORED_MAX];
    decvalue back;
    for (auto _ : state) {
        stdecimal(&v[i], form, DEC_STORED_MAX);
        benchmark::DoNotOptimize(form);
        benchmark::DoNotOptimize(lddecimal(form, DEC_STORED_MAX, &back));
        benchmark::DoNotOptimize(back);
        i = (i + 1) % kCount;
    }
}

// ---- bid128 ----

#if TRW_HAVE_BID
void bid_binary(benchmark::State &state, Set set, BID_UINT128 (*op)(BID_UINT128, BID_UINT128, _IDEC_round, _IDEC_flags *))
{
    const auto &v = bids(set).v;
    size_t i = 0;
    _IDEC_flags flags = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(op(v[i], v[i + 1], BID_ROUNDING_TO_NEAREST, &flags));
        i = (i + 1) % (kCount - 1);
    }
}

void bid_compare(benchmark::State &state, Set set, bool column)
{
    const BidSet &b = bids(set);
    size_t i = 0;
    _IDEC_flags flags = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(bid128_quiet_less(b.v[i], column ? b.partner[i] : b.v[i + 1], &flags));
        i = (i + 1) % (kCount - 1);
    }
}

void bid_copy(benchmark::State &state, Set set)
{
    const auto &v = bids(set).v;
    size_t i = 0;
    unsigned char form[16];
    BID_UINT128 back;
    for (auto _ : state) {
        std::memcpy(form, &v[i], sizeof form);
        benchmark::DoNotOptimize(form);
        std::memcpy(&back, form, sizeof back);
        benchmark::DoNotOptimize(back);
        i = (i + 1) % kCount;
    }
}

void bid_dpd(benchmark::State &state, Set set)
{
    const auto &v = bids(set).v;
    size_t i = 0;
    for (auto _ : state) {
        BID_UINT128 stored = bid_to_dpd128(v[i]);
        benchmark::DoNotOptimize(stored);
        benchmark::DoNotOptimize(bid_dpd_to_bid128(stored));
        i = (i + 1) % kCount;
    }
}
#endif

// ---- decNumber ----

#if TRW_HAVE_DECNUMBER
void dn_binary(benchmark::State &state, Set set, decNumber *(*op)(decNumber *, const decNumber *, const decNumber *, decContext *))
{
    const auto &v = numbers(set).v;
    decContext ctx = context(32);
    decNumber r;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(op(&r, &v[i], &v[i + 1], &ctx));
        i = (i + 1) % (kCount - 1);
    }
}

void dn_compare(benchmark::State &state, Set set, bool column)
{
    const DnSet &d = numbers(set);
    decContext ctx = context(32);
    decNumber r;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(decNumberCompare(&r, &d.v[i], column ? &d.partner[i] : &d.v[i + 1], &ctx));
        i = (i + 1) % (kCount - 1);
    }
}

void dn_store_load(benchmark::State &state, Set set)
{
    const auto &v = numbers(set).v;
    decContext ctx = context(32);
    decNumber back;
    dec128_bytes stored;
    size_t i = 0;
    for (auto _ : state) {
        decimal128FromNumber(&stored, &v[i], &ctx);
        benchmark::DoNotOptimize(decimal128ToNumber(&stored, &back));
        i = (i + 1) % kCount;
    }
}
#endif

// Names: operation/set/implementation, e.g. add/money/decvalue,
// cmp/wide-column/bid128_less.
std::string name(const char *op, Set set, const char *impl, const char *pairs = "")
{
    return std::string(op) + "/" + set_name(set) + pairs + "/" + impl;
}

const bool registered = [] {
    for (Set set : {Set::money, Set::wide}) {
        for (const Op &op : kOps) {
            benchmark::RegisterBenchmark(name(op.name, set, "decvalue").c_str(), ours_binary, set, op.ours);
#if TRW_HAVE_BID
            benchmark::RegisterBenchmark(name(op.name, set, "bid128").c_str(), bid_binary, set, op.bid);
#endif
#if TRW_HAVE_DECNUMBER
            benchmark::RegisterBenchmark(name(op.name, set, "decNumber32").c_str(), dn_binary, set, op.dn);
#endif
        }
        for (bool column : {true, false}) {
            const char *pairs = column ? "-column" : "-mixed";
            benchmark::RegisterBenchmark(name("cmp", set, "decvalue", pairs).c_str(), ours_compare, set, column);
#if TRW_HAVE_BID
            benchmark::RegisterBenchmark(name("cmp", set, "bid128_less", pairs).c_str(), bid_compare, set, column);
#endif
#if TRW_HAVE_DECNUMBER
            benchmark::RegisterBenchmark(name("cmp", set, "decNumber32", pairs).c_str(), dn_compare, set, column);
#endif
        }
        benchmark::RegisterBenchmark(name("store+load", set, "decvalue").c_str(), ours_store_load, set);
#if TRW_HAVE_BID
        benchmark::RegisterBenchmark(name("store+load", set, "bid128_copy").c_str(), bid_copy, set);
        benchmark::RegisterBenchmark(name("store+load", set, "bid128_dpd").c_str(), bid_dpd, set);
#endif
#if TRW_HAVE_DECNUMBER
        benchmark::RegisterBenchmark(name("store+load", set, "decNumber32").c_str(), dn_store_load, set);
#endif
    }
    return true;
}();

}  // namespace
