// Throughput of code-set conversion: gl_miconv (gl_cv_mconv without a shift
// state) against glibc's iconv and ICU's ucnv_convertEx on the same 1 MiB
// texts, for 8859-1 -> utf8, utf8 -> 8859-1, 8859-1 -> 1252, sjis -> utf8
// and utf8 -> sjis, each on mostly-ASCII and mostly-non-ASCII text; and
// gl_mbslen / gl_mbstowcs on utf8 text. Bytes per second are of the input.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <random>
#include <string>
#include <vector>

#include "gl_char.h"
#include "gl_conv.h"
#include "gl_locale.h"

#ifdef TRW_HAVE_ICU
#include <unicode/ucnv.h>
#endif

namespace {

constexpr size_t kTextSize = 1 << 20;

void use_data_tree() { setenv("TARNWELLDIR", TRW_BENCH_DATA_DIR, 0); }

std::string iconv_all(const char *to, const char *from, const std::string &in)
{
    iconv_t cd = iconv_open(to, from);
    std::string out(in.size() * 4 + 16, '\0');
    char *ip = const_cast<char *>(in.data()), *op = out.data();
    size_t il = in.size(), ol = out.size();
    iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
}

// Latin-1 text: mostly ASCII words with an accented letter now and then, or
// mostly letters of A0..FF.
std::string latin1(bool mostly_ascii)
{
    std::mt19937 rng(7);
    std::string s;
    while (s.size() < kTextSize) {
        if (mostly_ascii) {
            s += "the quick brown fox jumps over the lazy dog ";
            if (rng() % 4 == 0)
                s += "caf\xE9 ";
        } else {
            s += static_cast<char>(0xC0 + rng() % 0x40);
            if (rng() % 8 == 0)
                s += ' ';
        }
    }
    s.resize(kTextSize);
    return s;
}

// Shift-JIS text: kanji and kana (checked with iconv), with ASCII words in
// the mostly-ASCII variant.
std::string sjis(bool mostly_ascii)
{
    std::mt19937 rng(11);
    iconv_t cd = iconv_open("UTF-8", "SHIFT_JIS");
    std::vector<std::string> chars;
    for (int lead = 0x82; lead <= 0x98; ++lead)
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)}, out[8];
            char *ip = in, *op = out;
            size_t il = 2, ol = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && il == 0)
                chars.emplace_back(in, 2);
        }
    iconv_close(cd);
    std::string s;
    while (s.size() < kTextSize) {
        if (mostly_ascii) {
            s += "select name from customer where id = 42; ";
            s += chars[rng() % chars.size()];
        } else {
            s += chars[rng() % chars.size()];
        }
    }
    s.resize(kTextSize - kTextSize % 2);
    return s;
}

struct Case {
    const char *ours_to, *ours_from;    // code-set names of the conversion files
    const char *iconv_to, *iconv_from;
    const char *icu_to, *icu_from;
    std::string text;
};

std::vector<Case> &cases()
{
    static std::vector<Case> all = [] {
        std::vector<Case> c;
        for (bool ascii : {true, false}) {
            std::string l1 = latin1(ascii), sj = sjis(ascii);
            c.push_back({"utf8", "8859-1", "UTF-8", "ISO-8859-1", "UTF-8", "ISO-8859-1", l1});
            c.push_back({"8859-1", "utf8", "ISO-8859-1", "UTF-8", "ISO-8859-1", "UTF-8",
                         iconv_all("UTF-8", "ISO-8859-1", l1)});
            c.push_back({"1252", "8859-1", "CP1252", "ISO-8859-1", "windows-1252", "ISO-8859-1", l1});
            c.push_back({"utf8", "sjis", "UTF-8", "SHIFT_JIS", "UTF-8", "Shift_JIS", sj});
            c.push_back({"sjis", "utf8", "SHIFT_JIS", "UTF-8", "Shift_JIS", "UTF-8", iconv_all("UTF-8", "SHIFT_JIS", sj)});
        }
        return c;
    }();
    return all;
}

void BM_ours(benchmark::State &state)
{
    use_data_tree();
    const Case &c = cases()[static_cast<size_t>(state.range(0))];
    gl_cvdesc *cd = nullptr;
    if (gl_cv_load(&cd, c.ours_to, c.ours_from, nullptr, nullptr) != 1) {
        state.SkipWithError("conversion file not found");
        return;
    }
    std::string out(c.text.size() * 4, '\0');
    for (auto _ : state) {
        char *ip = const_cast<char *>(c.text.data()), *op = out.data();
        int il = static_cast<int>(c.text.size()), ol = static_cast<int>(out.size());
        if (gl_miconv(cd, &ip, &il, &op, &ol, nullptr) != 0) {
            state.SkipWithError("conversion failed");
            break;
        }
        benchmark::DoNotOptimize(op);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.text.size()));
    gl_cv_unload(cd);
}

void BM_iconv(benchmark::State &state)
{
    const Case &c = cases()[static_cast<size_t>(state.range(0))];
    iconv_t cd = iconv_open(c.iconv_to, c.iconv_from);
    std::string out(c.text.size() * 4, '\0');
    for (auto _ : state) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char *ip = const_cast<char *>(c.text.data()), *op = out.data();
        size_t il = c.text.size(), ol = out.size();
        // Characters 1252 or Latin-1 lack would stop iconv: none are in the texts.
        if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) {
            state.SkipWithError("iconv failed");
            break;
        }
        benchmark::DoNotOptimize(op);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.text.size()));
    iconv_close(cd);
}

#ifdef TRW_HAVE_ICU
void BM_icu(benchmark::State &state)
{
    const Case &c = cases()[static_cast<size_t>(state.range(0))];
    UErrorCode err = U_ZERO_ERROR;
    UConverter *to = ucnv_open(c.icu_to, &err);
    UConverter *from = ucnv_open(c.icu_from, &err);
    if (U_FAILURE(err)) {
        state.SkipWithError("ICU converter not available");
        return;
    }
    std::string out(c.text.size() * 4, '\0');
    std::vector<UChar> pivot(1024);
    for (auto _ : state) {
        const char *ip = c.text.data();
        char *op = out.data();
        UChar *ps = pivot.data(), *pt = pivot.data();
        err = U_ZERO_ERROR;
        ucnv_convertEx(to, from, &op, out.data() + out.size(), &ip, c.text.data() + c.text.size(), pivot.data(),
                       &ps, &pt, pivot.data() + pivot.size(), true, true, &err);
        if (U_FAILURE(err)) {
            state.SkipWithError("ICU conversion failed");
            break;
        }
        benchmark::DoNotOptimize(op);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.text.size()));
    ucnv_close(to);
    ucnv_close(from);
}
#endif

void label(benchmark::internal::Benchmark *b)
{
    for (int i = 0; i < 10; ++i)
        b->Arg(i);
}

// Argument index: 0..4 mostly ASCII, 5..9 mostly non-ASCII, in the order
// 8859-1>utf8, utf8>8859-1, 8859-1>1252, sjis>utf8, utf8>sjis.
BENCHMARK(BM_ours)->Apply(label);
BENCHMARK(BM_iconv)->Apply(label);
#ifdef TRW_HAVE_ICU
BENCHMARK(BM_icu)->Apply(label);
#endif

// ---- multibyte strings ----

std::string utf8_text(bool mostly_ascii) { return iconv_all("UTF-8", "SHIFT_JIS", sjis(mostly_ascii)); }

gl_locale *utf8_locale()
{
    use_data_tree();
    static gl_locale *loc = [] {
        gl_locale *l = nullptr;
        gl_lc_load(&l, "ja_jp/e01c.lco", nullptr, nullptr);
        return l;
    }();
    return loc;
}

void BM_gl_mbslen(benchmark::State &state)
{
    std::string text = utf8_text(state.range(0) == 0);
    gl_locale *loc = utf8_locale();
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_mbslen(loc, text.c_str()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_gl_mbstowcs(benchmark::State &state)
{
    std::string text = utf8_text(state.range(0) == 0);
    gl_locale *loc = utf8_locale();
    std::vector<gl_wchar_t> out(text.size() + 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(gl_mbstowcs(loc, out.data(), text.c_str(), -1));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

BENCHMARK(BM_gl_mbslen)->Arg(0)->Arg(1);
BENCHMARK(BM_gl_mbstowcs)->Arg(0)->Arg(1);

} // namespace
