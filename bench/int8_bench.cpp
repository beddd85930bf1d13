// Speed of INT8 against the floors it is measured by, in the same run on the
// same operands: the four operations and comparison against bare int64_t
// arithmetic with __builtin_add_overflow and its kin (no NULL, no record);
// trw_int8cvasc against strtoll and std::from_chars; trw_int8tostr against
// snprintf("%lld") and std::to_chars; trw_int8todec and trw_int8cvdec
// against the text routes they replace (trw_int8tostr + deccvasc, dectoasc +
// trw_int8cvasc). Operands: 1024 values of mixed magnitudes (1 to 19
// digits), a few negative, one in 64 NULL for the record operations. Every
// peer's results are checked equal to ours before timing.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "decconv.h"
#include "int8.h"

namespace {

constexpr size_t kCount = 1024;

const bool environment_set = [] {
    setenv("TARNWELLDIR", TRW_BENCH_DATA_DIR, 0);
    return true;
}();

struct Operands {
    std::vector<int64_t> plain;     // the values (NULLs as 0)
    std::vector<int8value> records; // the same with a few NULLs
    std::vector<std::string> texts; // plain decimal texts of the values
    std::vector<decvalue> decimals;
};

int8value record_of(int64_t x)
{
    int8value v{};
    const uint64_t mag = x < 0 ? 0 - static_cast<uint64_t>(x) : static_cast<uint64_t>(x);
    v.data[0] = static_cast<uint32_t>(mag);
    v.data[1] = static_cast<uint32_t>(mag >> 32);
    v.sign = x < 0 ? -1 : 1;
    return v;
}

const Operands &operands()
{
    static const Operands ops = [] {
        Operands o;
        std::mt19937_64 rng(7);
        for (size_t i = 0; i < kCount; ++i) {
            const int bits = 1 + static_cast<int>(rng() % 62);
            int64_t x = static_cast<int64_t>(rng() >> (64 - bits)) | 1;
            if (rng() % 4 == 0)
                x = -x;
            const bool null = rng() % 64 == 0;
            o.plain.push_back(null ? 0 : x);
            o.records.push_back(null ? int8value{} : record_of(x));
            o.texts.push_back(std::to_string(x));
            decvalue d{};
            deccvasc(o.texts.back().data(), static_cast<int>(o.texts.back().size()), &d);
            o.decimals.push_back(d);
        }
        return o;
    }();
    return ops;
}

// Times fn(i) for every operand index i; fn returns something to keep.
template <typename F> void each_operand(benchmark::State &state, F fn)
{
    for (auto _ : state)
        for (size_t i = 0; i < kCount; ++i)
            benchmark::DoNotOptimize(fn(i));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
}

size_t next(size_t i) { return (i + 1) % kCount; }

using RecordOp = int (*)(const int8value *, const int8value *, int8value *);

enum class Plain { Add, Sub, Mul, Div, Cmp };

// The floor: bare int64_t with the overflow builtins and a zero check.
template <Plain kind> int plain_op(int64_t a, int64_t b, int64_t *r)
{
    switch (kind) {
    case Plain::Add: return __builtin_add_overflow(a, b, r) ? -1284 : 0;
    case Plain::Sub: return __builtin_sub_overflow(a, b, r) ? -1284 : 0;
    case Plain::Mul: return __builtin_mul_overflow(a, b, r) ? -1284 : 0;
    case Plain::Div:
        if (b == 0)
            return -1202;
        *r = a / b;
        return 0;
    case Plain::Cmp: return a < b ? -1 : (a > b ? 1 : 0);
    }
    return 0;
}

template <Plain kind> void int64_op(benchmark::State &state)
{
    const Operands &o = operands();
    int64_t r = 0;
    each_operand(state, [&](size_t i) {
        const int status = plain_op<kind>(o.plain[i], o.plain[next(i)], &r);
        benchmark::DoNotOptimize(r);
        return status;
    });
}

template <RecordOp op> void int8_op(benchmark::State &state)
{
    const Operands &o = operands();
    int8value r{};
    each_operand(state, [&](size_t i) {
        const int status = op(&o.records[i], &o.records[next(i)], &r);
        benchmark::DoNotOptimize(r);
        return status;
    });
}

int int8_cmp_op(const int8value *a, const int8value *b, int8value *) { return trw_int8cmp(a, b); }

int todec_by_text(const int8value *v, decvalue *d)
{
    char buf[25];
    trw_int8tostr(v, buf, sizeof buf);
    return deccvasc(buf, sizeof buf, d);
}

int cvdec_by_text(const decvalue *d, int8value *v)
{
    char buf[25];
    dectoasc(d, buf, sizeof buf, 0);
    return trw_int8cvasc(buf, sizeof buf, v);
}

// The text, DECIMAL and peer benchmarks, each a call on operand i.
void register_conversions()
{
    const Operands &o = operands();
    static char buf[24];
    static int8value v;
    static decvalue d;
    static int64_t x;
    const auto add = [](const char *name, auto fn) {
        benchmark::RegisterBenchmark(name, [fn](benchmark::State &state) { each_operand(state, fn); });
    };
    add("text_in/trw_int8cvasc", [&o](size_t i) {
        const int s = trw_int8cvasc(o.texts[i].data(), static_cast<int>(o.texts[i].size()), &v);
        benchmark::DoNotOptimize(v);
        return s;
    });
    add("text_in/strtoll", [&o](size_t i) { return std::strtoll(o.texts[i].c_str(), nullptr, 10); });
    add("text_in/from_chars", [&o](size_t i) {
        const auto r = std::from_chars(o.texts[i].data(), o.texts[i].data() + o.texts[i].size(), x);
        benchmark::DoNotOptimize(x);
        return r.ptr;
    });
    add("text_out/trw_int8tostr", [&o](size_t i) {
        const int8value rec = record_of(o.plain[i]);
        const int s = trw_int8tostr(&rec, buf, sizeof buf);
        benchmark::DoNotOptimize(buf);
        return s;
    });
    add("text_out/snprintf", [&o](size_t i) {
        const int s = std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(o.plain[i]));
        benchmark::DoNotOptimize(buf);
        return s;
    });
    add("text_out/to_chars", [&o](size_t i) {
        const auto r = std::to_chars(buf, buf + sizeof buf - 1, o.plain[i]);
        *r.ptr = '\0';
        benchmark::DoNotOptimize(buf);
        return r.ptr;
    });
    add("todec/trw_int8todec", [&o](size_t i) {
        const int s = trw_int8todec(&o.records[i], &d);
        benchmark::DoNotOptimize(d);
        return s;
    });
    add("todec/tostr+deccvasc", [&o](size_t i) {
        const int s = todec_by_text(&o.records[i], &d);
        benchmark::DoNotOptimize(d);
        return s;
    });
    add("cvdec/trw_int8cvdec", [&o](size_t i) {
        const int s = trw_int8cvdec(&o.decimals[i], &v);
        benchmark::DoNotOptimize(v);
        return s;
    });
    add("cvdec/dectoasc+cvasc", [&o](size_t i) {
        const int s = cvdec_by_text(&o.decimals[i], &v);
        benchmark::DoNotOptimize(v);
        return s;
    });
}

// Every peer must agree with INT8 on the operands before anything is timed.
bool peers_agree()
{
    const Operands &o = operands();
    for (size_t i = 0; i < kCount; ++i) {
        const int8value &a = o.records[i];
        const int8value &b = o.records[(i + 1) % kCount];
        if (a.sign == 0 || b.sign == 0)
            continue;
        int8value r{};
        int64_t want = 0, got = 0;
        const auto agree = [&](int ours, int theirs) {
            if (ours != theirs)
                return false;
            return ours != 0 || (int8totarw_off_t(&r, &got) == 0 && got == want);
        };
        if (!agree(trw_int8add(&a, &b, &r), plain_op<Plain::Add>(o.plain[i], o.plain[(i + 1) % kCount], &want)) ||
            !agree(trw_int8sub(&a, &b, &r), plain_op<Plain::Sub>(o.plain[i], o.plain[(i + 1) % kCount], &want)) ||
            !agree(trw_int8mul(&a, &b, &r), plain_op<Plain::Mul>(o.plain[i], o.plain[(i + 1) % kCount], &want)) ||
            !agree(trw_int8div(&a, &b, &r), plain_op<Plain::Div>(o.plain[i], o.plain[(i + 1) % kCount], &want)) ||
            trw_int8cmp(&a, &b) != plain_op<Plain::Cmp>(o.plain[i], o.plain[(i + 1) % kCount], &want))
            return false;
        const std::string &t = o.texts[i];
        int8value v{};
        int64_t x = 0;
        std::from_chars(t.data(), t.data() + t.size(), x);
        if (trw_int8cvasc(t.data(), static_cast<int>(t.size()), &v) != 0 || int8totarw_off_t(&v, &got) != 0 ||
            got != x || got != std::strtoll(t.c_str(), nullptr, 10))
            return false;
        char buf[24], peer[24];
        std::snprintf(peer, sizeof peer, "%lld", static_cast<long long>(x));
        if (trw_int8tostr(&v, buf, sizeof buf) != 0 || std::strcmp(buf, peer) != 0)
            return false;
        decvalue direct{}, routed{};
        int8value from_direct{}, from_routed{};
        trw_int8todec(&a, &direct);
        todec_by_text(&a, &routed);
        trw_int8cvdec(&o.decimals[i], &from_direct);
        cvdec_by_text(&o.decimals[i], &from_routed);
        if (deccmp(&direct, &routed) != 0 || trw_int8cmp(&from_direct, &from_routed) != 0)
            return false;
    }
    return true;
}

const bool checked = [] {
    if (!peers_agree()) {
        std::fprintf(stderr, "int8_bench: a peer disagrees with INT8\n");
        std::exit(1);
    }
    return true;
}();

} // namespace

BENCHMARK(int8_op<trw_int8add>)->Name("add/int8");
BENCHMARK(int64_op<Plain::Add>)->Name("add/int64_builtin");
BENCHMARK(int8_op<trw_int8sub>)->Name("sub/int8");
BENCHMARK(int64_op<Plain::Sub>)->Name("sub/int64_builtin");
BENCHMARK(int8_op<trw_int8mul>)->Name("mul/int8");
BENCHMARK(int64_op<Plain::Mul>)->Name("mul/int64_builtin");
BENCHMARK(int8_op<trw_int8div>)->Name("div/int8");
BENCHMARK(int64_op<Plain::Div>)->Name("div/int64");
BENCHMARK(int8_op<int8_cmp_op>)->Name("cmp/int8");
BENCHMARK(int64_op<Plain::Cmp>)->Name("cmp/int64");
const bool conversions_registered = [] {
    register_conversions();
    return true;
}();
