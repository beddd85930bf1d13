// Speed of the type-code lookups on the host-variable path against their
// floors, in the same run on the same operands: rsetnull against a memcpy
// of the same NULL-form bytes from a prepared image, risnull against a
// memcmp of those bytes, and rtypmsize and rtypalign against a read of a
// per-code table (inlined, and once more behind a call that is not). Operands: 1024 (code, value) pairs drawn from
// every SQL and host code (0..51, 100..124), half of the values NULL. Each
// floor's results are checked equal to ours before timing.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "rtypes.h"

namespace {

constexpr size_t kCount = 1024;
constexpr size_t kSlot = 128; // room for the largest record (the collection's flags word at 32)

// Where rsetnull writes for one code: the first changed byte, the count,
// and the NULL image of a zeroed value.
struct Form {
    size_t first = 0;
    size_t length = 0;
    unsigned char image[kSlot] = {};
};

struct Operands {
    std::vector<int> codes;
    std::vector<int> lengths;
    std::vector<int> offsets;
    std::vector<unsigned char> values; // kCount slots of kSlot bytes
    std::vector<Form> forms;           // by operand
    std::vector<int> sizes;            // rtypmsize results, by operand
    std::vector<int> aligned;          // rtypalign results, by operand
};

Form form_of(int code)
{
    Form f;
    unsigned char zero[kSlot] = {}, ones[kSlot];
    std::memset(ones, 0x5A, sizeof ones);
    rsetnull(code, reinterpret_cast<char *>(zero));
    rsetnull(code, reinterpret_cast<char *>(ones));
    size_t lo = kSlot, hi = 0;
    for (size_t i = 0; i < kSlot; ++i)
        if (zero[i] != 0 || ones[i] != 0x5A) {
            lo = i < lo ? i : lo;
            hi = i + 1;
        }
    if (hi > lo) {
        f.first = lo;
        f.length = hi - lo;
    }
    std::memcpy(f.image, zero, kSlot);
    return f;
}

const Operands &operands()
{
    static const Operands ops = [] {
        Operands o;
        std::vector<int> all;
        for (int c = 0; c <= 51; ++c)
            all.push_back(c);
        for (int c = 100; c <= 124; ++c)
            all.push_back(c);
        std::mt19937 rng(11);
        o.values.assign(kCount * kSlot, 0);
        for (size_t i = 0; i < kCount; ++i) {
            const int code = all[rng() % all.size()];
            o.codes.push_back(code);
            o.lengths.push_back(static_cast<int>(rng() % 300));
            o.offsets.push_back(static_cast<int>(rng() % 64));
            o.forms.push_back(form_of(code));
            o.sizes.push_back(rtypmsize(code, o.lengths.back()));
            o.aligned.push_back(rtypalign(o.offsets.back(), code));
            char *v = reinterpret_cast<char *>(&o.values[i * kSlot]);
            if (rng() % 2 == 0)
                rsetnull(code, v);
            else
                std::memset(v, 0x21, kSlot);
        }
        return o;
    }();
    return ops;
}

// The floor of rsetnull: the same bytes copied from the NULL image.
void floor_setnull(const Form &f, char *v) { std::memcpy(v + f.first, f.image + f.first, f.length); }
// The floor of risnull: the same bytes compared with the NULL image.
int floor_isnull(const Form &f, const char *v)
{
    return f.length != 0 && std::memcmp(v + f.first, f.image + f.first, f.length) == 0;
}

bool checked()
{
    static const bool ok = [] {
        const Operands &o = operands();
        std::vector<unsigned char> ours(kSlot), theirs(kSlot);
        for (size_t i = 0; i < kCount; ++i) {
            const Form &f = o.forms[i];
            const char *v = reinterpret_cast<const char *>(&o.values[i * kSlot]);
            // Images of zeroed values: the floors are exact there (the
            // flags-word forms OR a bit into what is there).
            std::fill(ours.begin(), ours.end(), 0);
            std::fill(theirs.begin(), theirs.end(), 0);
            rsetnull(o.codes[i], reinterpret_cast<char *>(ours.data()));
            floor_setnull(f, reinterpret_cast<char *>(theirs.data()));
            if (ours != theirs)
                return false;
            if (risnull(o.codes[i], const_cast<char *>(v)) != floor_isnull(f, v))
                return false;
        }
        return true;
    }();
    return ok;
}

void BM_rsetnull(benchmark::State &state)
{
    if (!checked())
        return state.SkipWithError("rsetnull and its floor differ");
    const Operands &o = operands();
    std::vector<unsigned char> buf(kCount * kSlot);
    for (auto _ : state) {
        for (size_t i = 0; i < kCount; ++i)
            rsetnull(o.codes[i], reinterpret_cast<char *>(&buf[i * kSlot]));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
}

void BM_rsetnull_floor_memcpy(benchmark::State &state)
{
    if (!checked())
        return state.SkipWithError("rsetnull and its floor differ");
    const Operands &o = operands();
    std::vector<unsigned char> buf(kCount * kSlot);
    for (auto _ : state) {
        for (size_t i = 0; i < kCount; ++i)
            floor_setnull(o.forms[i], reinterpret_cast<char *>(&buf[i * kSlot]));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
}

void BM_risnull(benchmark::State &state)
{
    if (!checked())
        return state.SkipWithError("risnull and its floor differ");
    const Operands &o = operands();
    for (auto _ : state) {
        int n = 0;
        for (size_t i = 0; i < kCount; ++i)
            n += risnull(o.codes[i], const_cast<char *>(reinterpret_cast<const char *>(&o.values[i * kSlot])));
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
}

void BM_risnull_floor_memcmp(benchmark::State &state)
{
    if (!checked())
        return state.SkipWithError("risnull and its floor differ");
    const Operands &o = operands();
    for (auto _ : state) {
        int n = 0;
        for (size_t i = 0; i < kCount; ++i)
            n += floor_isnull(o.forms[i], reinterpret_cast<const char *>(&o.values[i * kSlot]));
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
}

// rtypmsize at one length word (44) and rtypalign at varying offsets; the
// floor of each is a bare read of a 125-entry table by code (for the
// alignment, the rounding done on the read alignment without any test of
// the code), checked equal to ours.
constexpr int kMsizeLen = 44;

struct CodeTables {
    int size[125];
    int align[125]; // 0: returns 0; 1: offset unchanged
};

const CodeTables &code_tables()
{
    static const CodeTables t = [] {
        CodeTables c{};
        for (int code = 0; code < 125; ++code) {
            c.size[code] = rtypmsize(code, kMsizeLen);
            c.align[code] = rtypalign(1, code); // the alignment itself, 1 or 0
        }
        return c;
    }();
    return t;
}

int floor_align(int offset, int a) { return a == 0 ? 0 : (offset + a - 1) & -a; }

bool lookups_checked()
{
    static const bool ok = [] {
        const Operands &o = operands();
        const CodeTables &t = code_tables();
        for (size_t i = 0; i < kCount; ++i) {
            const int code = o.codes[i];
            if (rtypmsize(code, kMsizeLen) != t.size[code] ||
                rtypalign(o.offsets[i], code) != floor_align(o.offsets[i], t.align[code]))
                return false;
        }
        return true;
    }();
    return ok;
}

void BM_rtypmsize(benchmark::State &state)
{
    if (!lookups_checked())
        return state.SkipWithError("rtypmsize and its floor differ");
    const Operands &o = operands();
    for (auto _ : state) {
        int n = 0;
        for (size_t i = 0; i < kCount; ++i) {
            n += rtypmsize(o.codes[i], kMsizeLen);
            benchmark::DoNotOptimize(n);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
}

void BM_rtypmsize_floor_table(benchmark::State &state)
{
    if (!lookups_checked())
        return state.SkipWithError("rtypmsize and its floor differ");
    const Operands &o = operands();
    const CodeTables &t = code_tables();
    for (auto _ : state) {
        int n = 0;
        for (size_t i = 0; i < kCount; ++i) {
            n += t.size[o.codes[i]];
            benchmark::DoNotOptimize(n);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
}

// The same read behind a call that is not inlined: what an exported
// function costs before its body does anything.
__attribute__((noinline)) int size_by_call(const CodeTables &t, int code) { return t.size[code]; }

void BM_rtypmsize_floor_call(benchmark::State &state)
{
    if (!lookups_checked())
        return state.SkipWithError("rtypmsize and its floor differ");
    const Operands &o = operands();
    const CodeTables &t = code_tables();
    for (auto _ : state) {
        int n = 0;
        for (size_t i = 0; i < kCount; ++i) {
            n += size_by_call(t, o.codes[i]);
            benchmark::DoNotOptimize(n);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
}

void BM_rtypalign(benchmark::State &state)
{
    if (!lookups_checked())
        return state.SkipWithError("rtypalign and its floor differ");
    const Operands &o = operands();
    for (auto _ : state) {
        int n = 0;
        for (size_t i = 0; i < kCount; ++i) {
            n += rtypalign(o.offsets[i], o.codes[i]);
            benchmark::DoNotOptimize(n);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
}

void BM_rtypalign_floor_table(benchmark::State &state)
{
    if (!lookups_checked())
        return state.SkipWithError("rtypalign and its floor differ");
    const Operands &o = operands();
    const CodeTables &t = code_tables();
    for (auto _ : state) {
        int n = 0;
        for (size_t i = 0; i < kCount; ++i) {
            n += floor_align(o.offsets[i], t.align[o.codes[i]]);
            benchmark::DoNotOptimize(n);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
}

} // namespace

BENCHMARK(BM_rsetnull);
BENCHMARK(BM_rsetnull_floor_memcpy);
BENCHMARK(BM_risnull);
BENCHMARK(BM_risnull_floor_memcmp);
BENCHMARK(BM_rtypmsize);
BENCHMARK(BM_rtypmsize_floor_table);
BENCHMARK(BM_rtypmsize_floor_call);
BENCHMARK(BM_rtypalign);
BENCHMARK(BM_rtypalign_floor_table);
