// Collation: string compares and sort keys of our en_US.utf8 and
// en_US.8859-1 against glibc's strcoll_l/strxfrm_l (the same sources built
// by its localedef) and ICU's collator (root and en), on 4096 pseudo-random
// 20-character words (a to z, about 10% upper case and 5% accented Latin-1
// letters): pairs of independent words (an early difference) and pairs
// sharing their first 15 characters. Before timing, our signs and ICU's are
// checked against glibc's on every pair, and our keys and glibc's must order
// the pairs as the compares do. Counters give the key lengths.
#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gl_coll.h"
#include "gl_locale.h"

#ifdef TRW_HAVE_ICU
#include <unicode/ucol.h>
#include <unicode/ustring.h>
#endif

namespace {

const bool environment_set = [] {
    setenv("TARNWELLDIR", TRW_DATA_DIR, 0);
    setenv("LOCPATH", GLIBC_LOCALES, 0);
    return true;
}();

struct Words {
    std::vector<std::string> latin1, utf8;
};

std::string to_utf8(const std::string &latin1)
{
    std::string out;
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Pairs (2i, 2i+1): independent words, or words sharing 15 characters.
const Words &words(bool common_prefix)
{
    static Words sets[2];
    Words &w = sets[common_prefix];
    if (!w.latin1.empty())
        return w;
    std::mt19937 rng(common_prefix ? 15 : 1);
    const unsigned char accented[] = {0xe1, 0xe9, 0xed, 0xf3, 0xfa, 0xe4, 0xf6, 0xfc, 0xe7, 0xf1, 0xc9, 0xc4};
    auto word = [&] {
        std::string s;
        for (int i = 0; i < 20; ++i) {
            unsigned r = rng() % 100;
            char c = static_cast<char>('a' + rng() % 26);
            if (r < 5)
                c = static_cast<char>(accented[rng() % sizeof accented]);
            else if (r < 15)
                c = static_cast<char>(c - 'a' + 'A');
            s += c;
        }
        return s;
    };
    for (int i = 0; i < 2048; ++i) {
        std::string a = word(), b = word();
        if (common_prefix)
            b.replace(0, 15, a, 0, 15);
        w.latin1.push_back(a);
        w.latin1.push_back(b);
    }
    for (const std::string &s : w.latin1)
        w.utf8.push_back(to_utf8(s));
    return w;
}

struct Ours {
    gl_locale *loc = nullptr;
    explicit Ours(const char *name) { gl_lc_load(&loc, name, nullptr, nullptr); }
};

gl_locale *ours(bool utf8)
{
    static Ours l1("en_US.8859-1"), u8("en_US.utf8");
    return utf8 ? u8.loc : l1.loc;
}

locale_t glibc(bool utf8)
{
    static locale_t l1 = newlocale(LC_ALL_MASK, "en_US.ISO-8859-1", nullptr);
    static locale_t u8 = newlocale(LC_ALL_MASK, "en_US.UTF-8", nullptr);
    return utf8 ? u8 : l1;
}

int sign(int v) { return (v > 0) - (v < 0); }

bool checked(bool utf8, bool prefix)
{
    const auto &w = utf8 ? words(prefix).utf8 : words(prefix).latin1;
    gl_locale *loc = ours(utf8);
    for (size_t i = 0; i < w.size(); i += 2) {
        const auto *a = reinterpret_cast<const unsigned char *>(w[i].c_str());
        const auto *b = reinterpret_cast<const unsigned char *>(w[i + 1].c_str());
        if (sign(loc->coll_compare(loc, a, b)) != sign(strcoll_l(w[i].c_str(), w[i + 1].c_str(), glibc(utf8))))
            return false;
    }
    return true;
}

void BM_OurCompare(benchmark::State &state)
{
    bool utf8 = state.range(0), prefix = state.range(1);
    if (!checked(utf8, prefix)) {
        state.SkipWithError("our order differs from glibc's");
        return;
    }
    const auto &w = utf8 ? words(prefix).utf8 : words(prefix).latin1;
    gl_locale *loc = ours(utf8);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(loc->coll_compare(loc, reinterpret_cast<const unsigned char *>(w[i].c_str()),
                                                   reinterpret_cast<const unsigned char *>(w[i + 1].c_str())));
        i = (i + 2) % w.size();
    }
}

void BM_GlibcStrcoll(benchmark::State &state)
{
    bool utf8 = state.range(0), prefix = state.range(1);
    if (!checked(utf8, prefix)) {
        state.SkipWithError("our order differs from glibc's");
        return;
    }
    const auto &w = utf8 ? words(prefix).utf8 : words(prefix).latin1;
    locale_t l = glibc(utf8);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(strcoll_l(w[i].c_str(), w[i + 1].c_str(), l));
        i = (i + 2) % w.size();
    }
}

// Our keys and glibc's order the pairs as glibc's strcoll_l does.
bool keys_checked(bool utf8)
{
    const auto &w = utf8 ? words(false).utf8 : words(false).latin1;
    gl_locale *loc = ours(utf8);
    for (size_t i = 0; i < w.size(); i += 2) {
        unsigned char ka[512], kb[512];
        char ga[1024], gb[1024];
        gl_full_mbsxfrm(loc, ka, reinterpret_cast<const unsigned char *>(w[i].c_str()), sizeof ka);
        gl_full_mbsxfrm(loc, kb, reinterpret_cast<const unsigned char *>(w[i + 1].c_str()), sizeof kb);
        strxfrm_l(ga, w[i].c_str(), sizeof ga, glibc(utf8));
        strxfrm_l(gb, w[i + 1].c_str(), sizeof gb, glibc(utf8));
        int want = sign(strcoll_l(w[i].c_str(), w[i + 1].c_str(), glibc(utf8)));
        if (sign(std::strcmp(reinterpret_cast<char *>(ka), reinterpret_cast<char *>(kb))) != want ||
            sign(std::strcmp(ga, gb)) != want)
            return false;
    }
    return true;
}

void BM_OurSortKey(benchmark::State &state)
{
    bool utf8 = state.range(0);
    if (!keys_checked(utf8)) {
        state.SkipWithError("key order differs from glibc's");
        return;
    }
    const auto &w = utf8 ? words(false).utf8 : words(false).latin1;
    gl_locale *loc = ours(utf8);
    unsigned char key[512];
    size_t i = 0, total = 0, n = 0;
    for (auto _ : state) {
        total += static_cast<size_t>(gl_full_mbsxfrm(loc, key, reinterpret_cast<const unsigned char *>(w[i].c_str()),
                                                     sizeof key));
        ++n;
        i = (i + 1) % w.size();
    }
    state.counters["key_bytes"] = n ? static_cast<double>(total) / static_cast<double>(n) : 0;
}

void BM_GlibcStrxfrm(benchmark::State &state)
{
    bool utf8 = state.range(0);
    if (!keys_checked(utf8)) {
        state.SkipWithError("key order differs from glibc's");
        return;
    }
    const auto &w = utf8 ? words(false).utf8 : words(false).latin1;
    locale_t l = glibc(utf8);
    char key[1024];
    size_t i = 0, total = 0, n = 0;
    for (auto _ : state) {
        total += strxfrm_l(key, w[i].c_str(), sizeof key, l);
        ++n;
        i = (i + 1) % w.size();
    }
    state.counters["key_bytes"] = n ? static_cast<double>(total) / static_cast<double>(n) : 0;
}

#ifdef TRW_HAVE_ICU
UCollator *icu(bool en)
{
    static UCollator *root = [] {
        UErrorCode e = U_ZERO_ERROR;
        return ucol_open("", &e);
    }();
    static UCollator *english = [] {
        UErrorCode e = U_ZERO_ERROR;
        return ucol_open("en", &e);
    }();
    return en ? english : root;
}

// ICU orders the pairs as glibc does (both by the same ISO 14651 table):
// the number of pairs where it does not, 0 expected.
int icu_disagreements(bool prefix, bool en)
{
    const auto &w = words(prefix).utf8;
    int bad = 0;
    for (size_t i = 0; i < w.size(); i += 2) {
        UErrorCode e = U_ZERO_ERROR;
        int r = ucol_strcollUTF8(icu(en), w[i].c_str(), -1, w[i + 1].c_str(), -1, &e);
        bad += sign(r) != sign(strcoll_l(w[i].c_str(), w[i + 1].c_str(), glibc(true)));
    }
    return bad;
}

void BM_IcuStrcollUTF8(benchmark::State &state)
{
    bool prefix = state.range(1), en = state.range(2);
    const auto &w = words(prefix).utf8;
    UCollator *c = icu(en);
    if (int bad = icu_disagreements(prefix, en); bad != 0) {
        state.SkipWithError(("ICU orders " + std::to_string(bad) + " pairs otherwise").c_str());
        return;
    }
    size_t i = 0;
    for (auto _ : state) {
        UErrorCode e = U_ZERO_ERROR;
        benchmark::DoNotOptimize(ucol_strcollUTF8(c, w[i].c_str(), -1, w[i + 1].c_str(), -1, &e));
        i = (i + 2) % w.size();
    }
}

std::vector<std::u16string> utf16(bool prefix)
{
    std::vector<std::u16string> out;
    for (const std::string &s : words(prefix).latin1) {
        std::u16string u;
        for (unsigned char c : s)
            u += static_cast<char16_t>(c);
        out.push_back(u);
    }
    return out;
}

void BM_IcuStrcoll(benchmark::State &state)
{
    bool prefix = state.range(1), en = state.range(2);
    static const std::vector<std::u16string> sets[2] = {utf16(false), utf16(true)};
    const auto &w = sets[prefix];
    UCollator *c = icu(en);
    if (int bad = icu_disagreements(prefix, en); bad != 0) {
        state.SkipWithError(("ICU orders " + std::to_string(bad) + " pairs otherwise").c_str());
        return;
    }
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ucol_strcoll(c, reinterpret_cast<const UChar *>(w[i].c_str()), -1,
                                              reinterpret_cast<const UChar *>(w[i + 1].c_str()), -1));
        i = (i + 2) % w.size();
    }
}

void BM_IcuSortKey(benchmark::State &state)
{
    static const std::vector<std::u16string> w = utf16(false);
    UCollator *c = icu(state.range(2));
    uint8_t key[512];
    size_t i = 0, total = 0, n = 0;
    for (auto _ : state) {
        total += static_cast<size_t>(ucol_getSortKey(c, reinterpret_cast<const UChar *>(w[i].c_str()), -1, key,
                                                     sizeof key));
        ++n;
        i = (i + 1) % w.size();
    }
    state.counters["key_bytes"] = n ? static_cast<double>(total) / static_cast<double>(n) : 0;
}
BENCHMARK(BM_IcuStrcollUTF8)->ArgsProduct({{1}, {0, 1}, {0, 1}})->ArgNames({"utf8", "prefix", "en"});
BENCHMARK(BM_IcuStrcoll)->ArgsProduct({{1}, {0, 1}, {0, 1}})->ArgNames({"utf16", "prefix", "en"});
BENCHMARK(BM_IcuSortKey)->ArgsProduct({{1}, {0}, {0, 1}})->ArgNames({"utf16", "x", "en"});
#endif

BENCHMARK(BM_OurCompare)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"utf8", "prefix"});
BENCHMARK(BM_GlibcStrcoll)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"utf8", "prefix"});
BENCHMARK(BM_OurSortKey)->Arg(0)->Arg(1)->ArgName("utf8");
BENCHMARK(BM_GlibcStrxfrm)->Arg(0)->Arg(1)->ArgName("utf8");

} // namespace
