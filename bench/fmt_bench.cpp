// The number and money format languages on en_US.8859-1 against their
// peers: glibc's snprintf, strfmon, sscanf and strtod under glibc's own
// compilation of the same locale source (LOCPATH), and ICU's unum decimal
// and currency formatters and parsers (en_US). Each pair's results are
// checked equal before timing. Also the multibyte forms against the wide
// forms on ASCII text.
#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <monetary.h>
#include <string>

#include "gl_monfmt.h"
#include "gl_numfmt.h"

#ifdef TRW_HAVE_ICU
#include <unicode/unum.h>
#endif

namespace {

gl_locale *ours()
{
    static gl_locale *loc = [] {
        setenv("TARNWELLDIR", TRW_DATA_DIR, 0);
        gl_locale *l = nullptr;
        return gl_lc_load(&l, "en_us/0333.lco", nullptr, nullptr) == 0 ? l : nullptr;
    }();
    return loc;
}

// glibc's en_US.ISO-8859-1 as the thread's locale.
bool glibc_locale()
{
    static const bool set = [] {
        setenv("LOCPATH", GLIBC_LOCALES, 0);
        locale_t l = newlocale(LC_ALL_MASK, "en_US.ISO-8859-1", nullptr);
        return l != nullptr && uselocale(l) != nullptr;
    }();
    return set;
}

constexpr double kAmount = 1234567.891;
constexpr int kInteger = 1234567;

bool same(const char *a, const char *b, benchmark::State &state)
{
    if (std::strcmp(a, b) == 0)
        return true;
    state.SkipWithError((std::string("results differ: ") + a + " vs " + b).c_str());
    return false;
}

void BM_OurFnumFloat(benchmark::State &state)
{
    char out[64];
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_mbsfnum(ours(), out, sizeof out, "%'.2f", kAmount));
}

void BM_SnprintfFloat(benchmark::State &state)
{
    char out[64], mine[64];
    if (!glibc_locale())
        return state.SkipWithError("no glibc locale");
    std::snprintf(out, sizeof out, "%'.2f", kAmount);
    gl_mbsfnum(ours(), mine, sizeof mine, "%'.2f", kAmount);
    if (!same(out, mine, state))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(std::snprintf(out, sizeof out, "%'.2f", kAmount));
}

void BM_OurFnumInt(benchmark::State &state)
{
    char out[64];
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_mbsfnum(ours(), out, sizeof out, "%'d", kInteger));
}

void BM_OurWideFnumInt(benchmark::State &state)
{
    gl_wchar_t out[64];
    const gl_wchar_t format[] = {'%', '\'', 'd', 0};
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_wcsfnum(ours(), out, 64, format, kInteger));
}

void BM_SnprintfInt(benchmark::State &state)
{
    char out[64], mine[64];
    if (!glibc_locale())
        return state.SkipWithError("no glibc locale");
    std::snprintf(out, sizeof out, "%'d", kInteger);
    gl_mbsfnum(ours(), mine, sizeof mine, "%'d", kInteger);
    if (!same(out, mine, state))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(std::snprintf(out, sizeof out, "%'d", kInteger));
}

void BM_OurFmon(benchmark::State &state)
{
    char out[64];
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_mbsfmon(ours(), out, sizeof out, "%n", kAmount));
}

void BM_Strfmon(benchmark::State &state)
{
    char out[64], mine[64];
    if (!glibc_locale())
        return state.SkipWithError("no glibc locale");
    strfmon(out, sizeof out, "%n", 1234567.89);
    gl_mbsfmon(ours(), mine, sizeof mine, "%n", 1234567.89);
    if (!same(out, mine, state))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(strfmon(out, sizeof out, "%n", kAmount));
}

void BM_OurPnumFloat(benchmark::State &state)
{
    double d = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_mbspnum(ours(), "1234567.891", "%f", &d));
}

void BM_OurPnumInt(benchmark::State &state)
{
    int i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_mbspnum(ours(), "1234567", "%d", &i));
}

void BM_SscanfFloat(benchmark::State &state)
{
    double d = 0, mine = 0;
    if (!glibc_locale())
        return state.SkipWithError("no glibc locale");
    std::sscanf("1234567.891", "%lf", &d);
    gl_mbspnum(ours(), "1234567.891", "%f", &mine);
    if (d != mine)
        return state.SkipWithError("results differ");
    for (auto _ : state)
        benchmark::DoNotOptimize(std::sscanf("1234567.891", "%lf", &d));
}

void BM_SscanfInt(benchmark::State &state)
{
    int i = 0;
    if (!glibc_locale())
        return state.SkipWithError("no glibc locale");
    for (auto _ : state)
        benchmark::DoNotOptimize(std::sscanf("1234567", "%d", &i));
}

void BM_OurPmon(benchmark::State &state)
{
    double d = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_mbspmon(ours(), "$1,234,567.89", "%n", &d));
}

void BM_OurMbstod(benchmark::State &state)
{
    char *end = nullptr;
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_mbstod(ours(), "1234567.891", &end, 0));
}

void BM_OurWcstod(benchmark::State &state)
{
    gl_wchar_t *end = nullptr;
    const gl_wchar_t text[] = {'1', '2', '3', '4', '5', '6', '7', '.', '8', '9', '1', 0};
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_wcstod(ours(), text, &end, 0));
}

void BM_Strtod(benchmark::State &state)
{
    char *end = nullptr;
    if (std::strtod("1234567.891", &end) != gl_mbstod(ours(), "1234567.891", &end, 0))
        return state.SkipWithError("results differ");
    for (auto _ : state)
        benchmark::DoNotOptimize(std::strtod("1234567.891", &end));
}

#ifdef TRW_HAVE_ICU
UNumberFormat *icu(UNumberFormatStyle style)
{
    UErrorCode status = U_ZERO_ERROR;
    UNumberFormat *f = unum_open(style, nullptr, 0, "en_US", nullptr, &status);
    return U_SUCCESS(status) ? f : nullptr;
}

void BM_IcuFormat(benchmark::State &state)
{
    UNumberFormat *f = icu(state.range(0) ? UNUM_CURRENCY : UNUM_DECIMAL);
    UChar out[64];
    for (auto _ : state) {
        UErrorCode status = U_ZERO_ERROR;
        benchmark::DoNotOptimize(unum_formatDouble(f, kAmount, out, 64, nullptr, &status));
    }
    unum_close(f);
}

void BM_IcuParse(benchmark::State &state)
{
    UNumberFormat *f = icu(state.range(0) ? UNUM_CURRENCY : UNUM_DECIMAL);
    UChar text[64];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = unum_formatDouble(f, kAmount, text, 64, nullptr, &status);
    for (auto _ : state) {
        UErrorCode s = U_ZERO_ERROR;
        benchmark::DoNotOptimize(unum_parseDouble(f, text, n, nullptr, &s));
    }
    unum_close(f);
}

BENCHMARK(BM_IcuFormat)->DenseRange(0, 1);
BENCHMARK(BM_IcuParse)->DenseRange(0, 1);
#endif

BENCHMARK(BM_OurFnumFloat);
BENCHMARK(BM_SnprintfFloat);
BENCHMARK(BM_OurFnumInt);
BENCHMARK(BM_OurWideFnumInt);
BENCHMARK(BM_SnprintfInt);
BENCHMARK(BM_OurFmon);
BENCHMARK(BM_Strfmon);
BENCHMARK(BM_OurPnumFloat);
BENCHMARK(BM_SscanfFloat);
BENCHMARK(BM_OurPnumInt);
BENCHMARK(BM_SscanfInt);
BENCHMARK(BM_OurPmon);
BENCHMARK(BM_OurMbstod);
BENCHMARK(BM_OurWcstod);
BENCHMARK(BM_Strtod);

} // namespace
