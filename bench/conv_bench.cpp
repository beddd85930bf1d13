// Throughput of code-set conversion: gl_miconv (gl_cv_mconv without a shift
// state) against glibc's iconv and ICU's ucnv_convertEx on the same 1 MiB
// texts, for 8859-1 -> utf8, utf8 -> 8859-1, 8859-1 -> 1252, sjis -> utf8
// and utf8 -> sjis, each on mostly-ASCII and mostly-non-ASCII text of two
// kinds: "phrase" (one repeated phrase; Shift-JIS characters of lead bytes
// 0x82 to 0x98) and "mixed" (realistic text drawn from the whole repertoire
// of the charmaps, mixed_text.h). Bytes per second are of the input. Before
// anything is timed, ours, iconv and ICU are checked to give the same bytes
// on every text; a mismatch ends the program.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <random>
#include <string>
#include <vector>

#include "gl_conv.h"

#include "mixed_text.h"

using namespace mixedtext;

namespace {

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
    std::string name;                   // pair/text, for the benchmark names
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
            const std::string kind = ascii ? "ascii" : "nonascii";
            std::string l1 = latin1(ascii), sj = sjis(ascii);
            std::string ml1 = mixed_in("ISO-8859-1", "ISO-8859-1", "ISO-8859-1", 0xA0, ascii);
            std::string msj = mixed_in("SHIFT_JIS", "SHIFT_JIS", "Shift_JIS", 0x80, ascii);
            for (int phrase = 1; phrase >= 0; --phrase) {
                const std::string t = (phrase ? "phrase-" : "mixed-") + kind;
                const std::string &l = phrase ? l1 : ml1;
                const std::string &j = phrase ? sj : msj;
                c.push_back({"8859-1>utf8/" + t, "utf8", "8859-1", "UTF-8", "ISO-8859-1", "UTF-8", "ISO-8859-1", l});
                c.push_back({"utf8>8859-1/" + t, "8859-1", "utf8", "ISO-8859-1", "UTF-8", "ISO-8859-1", "UTF-8",
                             iconv_all("UTF-8", "ISO-8859-1", l)});
                c.push_back({"8859-1>1252/" + t, "1252", "8859-1", "CP1252", "ISO-8859-1", "windows-1252",
                             "ISO-8859-1", l});
                c.push_back({"sjis>utf8/" + t, "utf8", "sjis", "UTF-8", "SHIFT_JIS", "UTF-8", "Shift_JIS", j});
                c.push_back({"utf8>sjis/" + t, "sjis", "utf8", "SHIFT_JIS", "UTF-8", "Shift_JIS", "UTF-8",
                             iconv_all("UTF-8", "SHIFT_JIS", j)});
            }
        }
        return c;
    }();
    return all;
}

// What ours makes of a case's text, or "" when it fails.
std::string ours_convert(const Case &c)
{
    use_data_tree();
    gl_cvdesc *cd = nullptr;
    if (gl_cv_load(&cd, c.ours_to, c.ours_from, nullptr, nullptr) != 1)
        return "";
    std::string out(c.text.size() * 4, '\0');
    char *ip = const_cast<char *>(c.text.data()), *op = out.data();
    int il = static_cast<int>(c.text.size()), ol = static_cast<int>(out.size());
    const bool ok = gl_miconv(cd, &ip, &il, &op, &ol, nullptr) == 0 && il == 0;
    gl_cv_unload(cd);
    out.resize(ok ? out.size() - static_cast<size_t>(ol) : 0);
    return out;
}

// Once before timing: ours, iconv and ICU give the same bytes on every
// case's text; a mismatch ends the program.
const bool checked = [] {
    for (const Case &c : cases()) {
        bool ok = false;
        const std::string ours = ours_convert(c);
        const std::string peer = iconv_convert(c.iconv_to, c.iconv_from, c.text, ok);
        bool same = ok && !ours.empty() && ours == peer;
#ifdef TRW_HAVE_ICU
        same = same && icu_convert(c.icu_to, c.icu_from, c.text, ok) == ours && ok;
#endif
        if (!same) {
            size_t at = 0;
            while (at < ours.size() && at < peer.size() && ours[at] == peer[at])
                ++at;
            std::fprintf(stderr, "benchmark check failed: %s: ours %zu bytes, iconv %zu, first difference at %zu\n",
                         c.name.c_str(), ours.size(), peer.size(), at);
            std::exit(2);
        }
    }
    return true;
}();

void BM_ours(benchmark::State &state, const Case *c)
{
    use_data_tree();
    gl_cvdesc *cd = nullptr;
    if (gl_cv_load(&cd, c->ours_to, c->ours_from, nullptr, nullptr) != 1) {
        state.SkipWithError("conversion file not found");
        return;
    }
    std::string out(c->text.size() * 4, '\0');
    for (auto _ : state) {
        char *ip = const_cast<char *>(c->text.data()), *op = out.data();
        int il = static_cast<int>(c->text.size()), ol = static_cast<int>(out.size());
        if (gl_miconv(cd, &ip, &il, &op, &ol, nullptr) != 0) {
            state.SkipWithError("conversion failed");
            break;
        }
        benchmark::DoNotOptimize(op);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c->text.size()));
    gl_cv_unload(cd);
}

void BM_iconv(benchmark::State &state, const Case *c)
{
    iconv_t cd = iconv_open(c->iconv_to, c->iconv_from);
    std::string out(c->text.size() * 4, '\0');
    for (auto _ : state) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char *ip = const_cast<char *>(c->text.data()), *op = out.data();
        size_t il = c->text.size(), ol = out.size();
        if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) {
            state.SkipWithError("iconv failed");
            break;
        }
        benchmark::DoNotOptimize(op);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c->text.size()));
    iconv_close(cd);
}

#ifdef TRW_HAVE_ICU
void BM_icu(benchmark::State &state, const Case *c)
{
    UErrorCode err = U_ZERO_ERROR;
    UConverter *to = ucnv_open(c->icu_to, &err);
    UConverter *from = ucnv_open(c->icu_from, &err);
    if (U_FAILURE(err)) {
        state.SkipWithError("ICU converter not available");
        return;
    }
    std::string out(c->text.size() * 4, '\0');
    std::vector<UChar> pivot(1024);
    for (auto _ : state) {
        const char *ip = c->text.data();
        char *op = out.data();
        UChar *ps = pivot.data(), *pt = pivot.data();
        err = U_ZERO_ERROR;
        ucnv_convertEx(to, from, &op, out.data() + out.size(), &ip, c->text.data() + c->text.size(), pivot.data(),
                       &ps, &pt, pivot.data() + pivot.size(), true, true, &err);
        if (U_FAILURE(err)) {
            state.SkipWithError("ICU conversion failed");
            break;
        }
        benchmark::DoNotOptimize(op);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c->text.size()));
    ucnv_close(to);
    ucnv_close(from);
}
#endif

// Names: conv/pair/text/implementation, e.g. conv/utf8>sjis/mixed-ascii/icu.
const bool registered = [] {
    for (const Case &c : cases()) {
        benchmark::RegisterBenchmark(("conv/" + c.name + "/ours").c_str(), BM_ours, &c);
        benchmark::RegisterBenchmark(("conv/" + c.name + "/iconv").c_str(), BM_iconv, &c);
#ifdef TRW_HAVE_ICU
        benchmark::RegisterBenchmark(("conv/" + c.name + "/icu").c_str(), BM_icu, &c);
#endif
    }
    return true;
}();

} // namespace
