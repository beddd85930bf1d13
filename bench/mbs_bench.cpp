// Speed of the multibyte-string walks of the locale library against glibc's
// equivalents in the matching locale, on the same text in UTF-8, EUC-JP and
// Shift-JIS: realistic mixed Japanese text drawn from the whole repertoire
// of glibc's SHIFT_JIS charmap (mixed_text.h), mostly ASCII or mostly not.
//   mbslen    gl_mbslen                  mbstowcs(NULL, s, 0)
//   mbstowcs  gl_mbstowcs                mbstowcs
//   wcstombs  gl_full_wcstombs           wcstombs
//   ntslen    gl_mbsntslen (class walk)  mbrtowc and iswblank up to the end
//   width     gl_mbspwidth (class walk)  mbrtowc and wcwidth
// Ours run in ja_JP.utf8, ja_JP.ujis and ja_JP.sjis of the data tree,
// glibc's in localedef builds of ja_JP with UTF-8, EUC-JP and SHIFT_JIS.
// Each side converts its own wide form (ours: the bytes of a character
// packed, glibc's: UCS-4). Before anything is timed the results are checked
// to agree (counts, widths, the bytes the wide forms convert back to); a
// mismatch ends the program.
#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <locale.h>
#include <string>
#include <vector>

#include "gl_char.h"
#include "gl_locale.h"
#include "mixed_text.h"

using namespace mixedtext;

namespace {

struct Encoding {
    const char *name;       // for the benchmark names
    const char *ours;       // locale of the data tree
    const char *glibc;      // localedef build
    const char *iconv_name; // the text is converted to it
};

const Encoding kEncodings[] = {
    {"utf8", "ja_JP.utf8", "ja_JP.UTF-8", "UTF-8"},
    {"eucjp", "ja_JP.ujis", "ja_JP.EUC-JP", "EUC-JP"},
    {"sjis", "ja_JP.sjis", "ja_JP.SHIFT_JIS", "SHIFT_JIS"},
};

struct Text {
    const Encoding *enc;
    bool ascii;
    std::string bytes;
    gl_locale *ours = nullptr;
    locale_t glibc = nullptr;
    std::vector<gl_wchar_t> ours_wide; // terminated
    std::vector<wchar_t> glibc_wide;   // terminated
    std::string name(const char *op, const char *impl) const
    {
        return std::string(op) + "/" + enc->name + (ascii ? "/mixed-ascii/" : "/mixed-nonascii/") + impl;
    }
};

[[noreturn]] void fail(const Text &t, const char *what, long ours, long glibc)
{
    std::fprintf(stderr, "benchmark check failed: %s: %s: ours %ld, glibc %ld\n", t.name(what, "").c_str(), what, ours,
                 glibc);
    std::exit(2);
}

// glibc's walks, in the text's locale.
long glibc_ntslen(const Text &t)
{
    mbstate_t st{};
    const char *p = t.bytes.c_str(), *end = p + t.bytes.size();
    long chars = 0, kept = 0;
    while (p < end) {
        wchar_t wc;
        size_t n = mbrtowc(&wc, p, static_cast<size_t>(end - p), &st);
        if (n == 0 || n > 4)
            return -1;
        ++chars;
        if (!iswblank(wc))
            kept = chars;
        p += n;
    }
    return kept;
}

long glibc_width(const Text &t)
{
    mbstate_t st{};
    const char *p = t.bytes.c_str(), *end = p + t.bytes.size();
    long total = 0;
    while (p < end) {
        wchar_t wc;
        size_t n = mbrtowc(&wc, p, static_cast<size_t>(end - p), &st);
        int w = n == 0 || n > 4 ? -1 : wcwidth(wc);
        if (w < 0)
            return -1;
        total += w;
        p += n;
    }
    return total;
}

std::vector<Text> &texts()
{
    static std::vector<Text> all = [] {
        setenv("TARNWELLDIR", TRW_DATA_DIR, 0);
        setenv("LOCPATH", GLIBC_LOCALES, 0);
        std::vector<Text> out;
        for (bool ascii : {true, false}) {
            const std::string sjis = mixed_in("SHIFT_JIS", "SHIFT_JIS", "Shift_JIS", 0x80, ascii);
            for (const Encoding &e : kEncodings) {
                Text t;
                t.enc = &e;
                t.ascii = ascii;
                bool ok = false;
                t.bytes = iconv_convert(e.iconv_name, "SHIFT_JIS", sjis, ok);
                if (!ok || gl_lc_load(&t.ours, e.ours, nullptr, nullptr) != 0 || t.ours == nullptr) {
                    std::fprintf(stderr, "benchmark setup failed: %s\n", e.ours);
                    std::exit(2);
                }
                t.glibc = newlocale(LC_ALL_MASK, e.glibc, nullptr);
                if (t.glibc == nullptr) {
                    std::fprintf(stderr, "benchmark setup failed: glibc locale %s\n", e.glibc);
                    std::exit(2);
                }
                out.push_back(std::move(t));
            }
        }
        return out;
    }();
    return all;
}

// Once before timing: both sides count the same characters and widths and
// convert their wide forms back to the text.
const bool checked = [] {
    for (Text &t : texts()) {
        uselocale(t.glibc);
        const char *s = t.bytes.c_str();
        const long ours_len = gl_mbslen(t.ours, s);
        const long glibc_len = static_cast<long>(mbstowcs(nullptr, s, 0));
        if (ours_len != glibc_len || ours_len <= 0)
            fail(t, "mbslen", ours_len, glibc_len);
        t.ours_wide.assign(static_cast<size_t>(ours_len) + 1, 0);
        t.glibc_wide.assign(static_cast<size_t>(glibc_len) + 1, 0);
        const long ow = gl_mbstowcs(t.ours, t.ours_wide.data(), s, -1);
        const long gw = static_cast<long>(mbstowcs(t.glibc_wide.data(), s, t.glibc_wide.size()));
        if (ow != ours_len || gw != glibc_len)
            fail(t, "mbstowcs", ow, gw);
        std::string ob(t.bytes.size() + 8, '\0'), gb(t.bytes.size() + 8, '\0');
        const long on = gl_full_wcstombs(t.ours, ob.data(), t.ours_wide.data(), static_cast<int>(ob.size()));
        const long gn = static_cast<long>(wcstombs(gb.data(), t.glibc_wide.data(), gb.size()));
        if (on != static_cast<long>(t.bytes.size()) || gn != on || ob.compare(0, on, t.bytes) != 0 ||
            gb.compare(0, gn, t.bytes) != 0)
            fail(t, "wcstombs", on, gn);
        const long ont = gl_mbsntslen(t.ours, s), gnt = glibc_ntslen(t);
        if (ont != gnt)
            fail(t, "ntslen", ont, gnt);
        const long owd = gl_mbspwidth(t.ours, s, s + t.bytes.size()), gwd = glibc_width(t);
        if (owd != gwd)
            fail(t, "width", owd, gwd);
    }
    uselocale(LC_GLOBAL_LOCALE);
    return true;
}();

void bytes_done(benchmark::State &state, const Text &t)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * t.bytes.size()));
}

void ours_mbslen(benchmark::State &state, const Text *t)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_mbslen(t->ours, t->bytes.c_str()));
    bytes_done(state, *t);
}

void glibc_mbslen(benchmark::State &state, const Text *t)
{
    uselocale(t->glibc);
    for (auto _ : state)
        benchmark::DoNotOptimize(mbstowcs(nullptr, t->bytes.c_str(), 0));
    uselocale(LC_GLOBAL_LOCALE);
    bytes_done(state, *t);
}

void ours_mbstowcs(benchmark::State &state, const Text *t)
{
    std::vector<gl_wchar_t> out(t->ours_wide.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(gl_mbstowcs(t->ours, out.data(), t->bytes.c_str(), -1));
        benchmark::ClobberMemory();
    }
    bytes_done(state, *t);
}

void glibc_mbstowcs(benchmark::State &state, const Text *t)
{
    uselocale(t->glibc);
    std::vector<wchar_t> out(t->glibc_wide.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(mbstowcs(out.data(), t->bytes.c_str(), out.size()));
        benchmark::ClobberMemory();
    }
    uselocale(LC_GLOBAL_LOCALE);
    bytes_done(state, *t);
}

void ours_wcstombs(benchmark::State &state, const Text *t)
{
    std::string out(t->bytes.size() + 8, '\0');
    for (auto _ : state) {
        benchmark::DoNotOptimize(gl_full_wcstombs(t->ours, out.data(), t->ours_wide.data(), static_cast<int>(out.size())));
        benchmark::ClobberMemory();
    }
    bytes_done(state, *t);
}

void glibc_wcstombs(benchmark::State &state, const Text *t)
{
    uselocale(t->glibc);
    std::string out(t->bytes.size() + 8, '\0');
    for (auto _ : state) {
        benchmark::DoNotOptimize(wcstombs(out.data(), t->glibc_wide.data(), out.size()));
        benchmark::ClobberMemory();
    }
    uselocale(LC_GLOBAL_LOCALE);
    bytes_done(state, *t);
}

void ours_ntslen(benchmark::State &state, const Text *t)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_mbsntslen(t->ours, t->bytes.c_str()));
    bytes_done(state, *t);
}

void glibc_ntslen_bench(benchmark::State &state, const Text *t)
{
    uselocale(t->glibc);
    for (auto _ : state)
        benchmark::DoNotOptimize(glibc_ntslen(*t));
    uselocale(LC_GLOBAL_LOCALE);
    bytes_done(state, *t);
}

void ours_width(benchmark::State &state, const Text *t)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_mbspwidth(t->ours, t->bytes.c_str(), t->bytes.c_str() + t->bytes.size()));
    bytes_done(state, *t);
}

void glibc_width_bench(benchmark::State &state, const Text *t)
{
    uselocale(t->glibc);
    for (auto _ : state)
        benchmark::DoNotOptimize(glibc_width(*t));
    uselocale(LC_GLOBAL_LOCALE);
    bytes_done(state, *t);
}

// Names: operation/encoding/text/implementation, e.g.
// mbstowcs/sjis/mixed-ascii/glibc.
const bool registered = [] {
    using fn = void (*)(benchmark::State &, const Text *);
    struct Pair {
        const char *op;
        fn ours, glibc;
    };
    const Pair pairs[] = {{"mbslen", ours_mbslen, glibc_mbslen},
                          {"mbstowcs", ours_mbstowcs, glibc_mbstowcs},
                          {"wcstombs", ours_wcstombs, glibc_wcstombs},
                          {"ntslen", ours_ntslen, glibc_ntslen_bench},
                          {"width", ours_width, glibc_width_bench}};
    for (const Pair &p : pairs)
        for (const Text &t : texts()) {
            benchmark::RegisterBenchmark(t.name(p.op, "ours").c_str(), p.ours, &t);
            benchmark::RegisterBenchmark(t.name(p.op, "glibc").c_str(), p.glibc, &t);
        }
    return true;
}();

} // namespace
