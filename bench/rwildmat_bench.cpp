// MATCHES and LIKE: 1024 random 40-character strings, half of them planted
// to match, against "*abc*?def*" and "%abc%_def%", "abc*" and "abc%", and
// "*a*a*a*a*a*b" against 40 a's; ours (the direct counted matcher and the
// compiled one) against SQLite's GLOB and LIKE and glibc's fnmatch (in the
// C locale and in en_US.UTF-8). Every matcher's results, the compiled one
// included, are checked equal before timing.
#include <benchmark/benchmark.h>

#include <fnmatch.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "rwildmat.h"

#ifdef TRW_HAVE_SQLITE
#include <sqlite3.h>
#endif

namespace {

const bool environment_set = [] {
    setenv("TARNWELLDIR", TRW_DATA_DIR, 0);
    setenv("LOCPATH", GLIBC_LOCALES, 0);
    return true;
}();

struct Pattern {
    const char *glob, *like;
};
const Pattern kPatterns[] = {{"*abc*?def*", "%abc%_def%"}, {"abc*", "abc%"}, {"*a*a*a*a*a*b", "%a%a%a%a%a%b"}};

const std::vector<std::string> &texts(int which)
{
    static std::vector<std::string> sets[3];
    std::vector<std::string> &t = sets[which];
    if (!t.empty())
        return t;
    if (which == 2) {
        t.assign(16, std::string(40, 'a'));
        return t;
    }
    std::mt19937 rng(40 + which);
    for (int i = 0; i < 1024; ++i) {
        std::string s;
        for (int k = 0; k < 40; ++k)
            s += static_cast<char>('a' + rng() % 26);
        if (i % 2 == 0) {
            if (which == 0) {
                s.replace(5 + rng() % 10, 3, "abc");
                s.replace(25 + rng() % 10, 3, "def");
            } else {
                s.replace(0, 3, "abc");
            }
        }
        t.push_back(s);
    }
    return t;
}

int ours(const std::string &t, const char *p, bool like)
{
    return rescfixstrmatch(t.data(), static_cast<int>(t.size()), p, static_cast<int>(std::strlen(p)),
                           like ? '%' : '*', like ? '_' : '?', '\\');
}

bool checked(int which)
{
    for (const std::string &t : texts(which)) {
        int a = ours(t, kPatterns[which].glob, false), b = ours(t, kPatterns[which].like, true);
        int f = fnmatch(kPatterns[which].glob, t.c_str(), 0) == 0;
        if (a != b || a != f)
            return false;
        std::vector<uint32_t> w;
        for (const char *c = kPatterns[which].glob; *c; ++c)
            w.push_back(static_cast<unsigned char>(*c));
        w.push_back(0);
        relist *l = rcnvtorelist(w.data(), '*', '?', '\\', 0);
        int compiled = rrewildmatch(t.data(), static_cast<int>(t.size()), l, 0);
        rfreerelist(l);
        if (compiled != a)
            return false;
#ifdef TRW_HAVE_SQLITE
        if (a != (sqlite3_strglob(kPatterns[which].glob, t.c_str()) == 0) ||
            a != (sqlite3_strlike(kPatterns[which].like, t.c_str(), 0) == 0))
            return false;
#endif
    }
    return true;
}

template <class F> void loop(benchmark::State &state, F f)
{
    int which = static_cast<int>(state.range(0));
    if (!checked(which)) {
        state.SkipWithError("results differ");
        return;
    }
    const auto &t = texts(which);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f(t[i], kPatterns[which]));
        i = (i + 1) % t.size();
    }
}

void BM_OurMatches(benchmark::State &s) { loop(s, [](const std::string &t, const Pattern &p) { return ours(t, p.glob, false); }); }
void BM_OurLike(benchmark::State &s) { loop(s, [](const std::string &t, const Pattern &p) { return ours(t, p.like, true); }); }
void BM_OurCompiled(benchmark::State &state)
{
    int which = static_cast<int>(state.range(0));
    std::vector<uint32_t> w;
    for (const char *c = kPatterns[which].glob; *c; ++c)
        w.push_back(static_cast<unsigned char>(*c));
    w.push_back(0);
    relist *l = rcnvtorelist(w.data(), '*', '?', '\\', 0);
    loop(state, [l](const std::string &t, const Pattern &) {
        return rrewildmatch(t.data(), static_cast<int>(t.size()), l, 0);
    });
    rfreerelist(l);
}
void BM_Fnmatch(benchmark::State &state)
{
    const char *old = setlocale(LC_ALL, nullptr);
    std::string saved = old ? old : "C";
    setlocale(LC_ALL, state.range(1) ? "en_US.UTF-8" : "C");
    loop(state, [](const std::string &t, const Pattern &p) { return fnmatch(p.glob, t.c_str(), 0); });
    setlocale(LC_ALL, saved.c_str());
}
#ifdef TRW_HAVE_SQLITE
void BM_SqliteGlob(benchmark::State &s) { loop(s, [](const std::string &t, const Pattern &p) { return sqlite3_strglob(p.glob, t.c_str()); }); }
void BM_SqliteLike(benchmark::State &s) { loop(s, [](const std::string &t, const Pattern &p) { return sqlite3_strlike(p.like, t.c_str(), 0); }); }
BENCHMARK(BM_SqliteGlob)->DenseRange(0, 2)->ArgName("pattern");
BENCHMARK(BM_SqliteLike)->DenseRange(0, 2)->ArgName("pattern");
#endif
BENCHMARK(BM_OurMatches)->DenseRange(0, 2)->ArgName("pattern");
BENCHMARK(BM_OurLike)->DenseRange(0, 2)->ArgName("pattern");
BENCHMARK(BM_OurCompiled)->DenseRange(0, 2)->ArgName("pattern");
BENCHMARK(BM_Fnmatch)->ArgsProduct({{0, 1, 2}, {0, 1}})->ArgNames({"pattern", "utf8"});

} // namespace
