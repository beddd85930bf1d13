// The Unicode service's own cost (GL_USEGLU=1): served compares and sort
// keys of en_US.utf8 and ja_JP.utf8 words against ICU called directly on
// the same UTF-8 text (ucol_strcollUTF8; u_strFromUTF8 + ucol_getSortKey),
// served conversions (gl_miconv, 8859-1 <-> sjis) against ucnv_convert and
// against ucnv_convertEx on converters opened once, and the first locale
// load of a fresh process with and without the service. Results are
// checked equal before timing.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <unicode/ucnv.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gl_coll.h"
#include "gl_conv.h"
#include "gl_dl.h"
#include "gl_locale.h"

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

void start_service()
{
    setenv("TARNWELLDIR", TRW_DATA_DIR, 0);
    setenv("GL_USEGLU", "1", 1);
    gl_useglu(2);
}

std::string utf8(uint32_t u)
{
    std::string s;
    if (u < 0x80) {
        s += static_cast<char>(u);
    } else if (u < 0x800) {
        s += static_cast<char>(0xC0 | (u >> 6));
        s += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (u >> 12));
        s += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (u & 0x3F));
    }
    return s;
}

// Words of 3 to 12 characters: Latin letters with accents now and then, or
// kana and kanji with Latin digits.
std::vector<std::string> words(bool japanese)
{
    std::mt19937 rng(11);
    std::vector<std::string> out;
    for (int i = 0; i < 4096; ++i) {
        std::string w;
        int len = 3 + static_cast<int>(rng() % 10);
        for (int k = 0; k < len; ++k) {
            uint32_t r = rng() % 100;
            if (japanese)
                w += utf8(r < 45 ? 0x3041 + rng() % 83 : r < 80 ? 0x30A1 + rng() % 86 : r < 95 ? 0x4E00 + rng() % 2000 : '0' + rng() % 10);
            else
                w += utf8(r < 88 ? 'a' + rng() % 26 : r < 94 ? 'A' + rng() % 26 : 0xC0 + rng() % 64);
        }
        out.push_back(w);
    }
    return out;
}

struct Collation {
    gl_locale *loc = nullptr;
    UCollator *icu = nullptr;
    std::vector<std::string> w;
};

Collation &collation(bool japanese)
{
    static Collation c[2];
    Collation &x = c[japanese];
    if (x.loc == nullptr) {
        start_service();
        if (gl_lc_load(&x.loc, japanese ? "ja_JP.utf8" : "en_US.utf8", nullptr, nullptr) != 0 ||
            x.loc->coll_kind != GL_COLL_UNICODE)
            std::abort();
        UErrorCode status = U_ZERO_ERROR;
        x.icu = ucol_open(japanese ? "ja_JP" : "en_US", &status);
        x.w = words(japanese);
        for (size_t i = 0; i + 1 < x.w.size(); ++i) { // equal results before timing
            const std::string &a = x.w[i], &b = x.w[i + 1];
            int ours = sign(x.loc->coll_compare(x.loc, reinterpret_cast<const unsigned char *>(a.c_str()),
                                                reinterpret_cast<const unsigned char *>(b.c_str())));
            int icu = sign(ucol_strcollUTF8(x.icu, a.data(), -1, b.data(), -1, &status));
            if (ours != icu)
                std::abort();
        }
    }
    return x;
}

void BM_ServedCompare(benchmark::State &state)
{
    Collation &c = collation(state.range(0) != 0);
    size_t i = 0;
    for (auto _ : state) {
        const std::string &a = c.w[i % c.w.size()], &b = c.w[(i + 1) % c.w.size()];
        benchmark::DoNotOptimize(c.loc->coll_compare(c.loc, reinterpret_cast<const unsigned char *>(a.c_str()),
                                                     reinterpret_cast<const unsigned char *>(b.c_str())));
        ++i;
    }
}

void BM_IcuCompareUtf8(benchmark::State &state)
{
    Collation &c = collation(state.range(0) != 0);
    size_t i = 0;
    for (auto _ : state) {
        const std::string &a = c.w[i % c.w.size()], &b = c.w[(i + 1) % c.w.size()];
        UErrorCode status = U_ZERO_ERROR;
        benchmark::DoNotOptimize(ucol_strcollUTF8(c.icu, a.data(), -1, b.data(), -1, &status));
        ++i;
    }
}

int icu_key(UCollator *icu, const std::string &s, uint8_t *key, int size)
{
    UChar u[256];
    int32_t n = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(u, 256, &n, s.data(), static_cast<int32_t>(s.size()), &status);
    return ucol_getSortKey(icu, u, n, key, size);
}

void BM_ServedKey(benchmark::State &state)
{
    Collation &c = collation(state.range(0) != 0);
    unsigned char key[512];
    std::string first(reinterpret_cast<const char *>(key),
                      static_cast<size_t>(c.loc->coll_transform(c.loc, key, reinterpret_cast<const unsigned char *>(c.w[0].c_str()), sizeof key)));
    uint8_t icu[512];
    if (icu_key(c.icu, c.w[0], icu, sizeof icu) != static_cast<int>(first.size()) + 1 ||
        std::memcmp(icu, first.data(), first.size()) != 0)
        std::abort();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            c.loc->coll_transform(c.loc, key, reinterpret_cast<const unsigned char *>(c.w[i++ % c.w.size()].c_str()), sizeof key));
    }
}

void BM_IcuKey(benchmark::State &state)
{
    Collation &c = collation(state.range(0) != 0);
    uint8_t key[512];
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(icu_key(c.icu, c.w[i++ % c.w.size()], key, sizeof key));
}

// ---- conversions ----

struct Conversion {
    gl_cvdesc *cd = nullptr;
    UConverter *from = nullptr, *to = nullptr;
    std::string text;
    const char *icu_from, *icu_to;
};

Conversion &conversion(bool to_sjis)
{
    static Conversion c[2];
    Conversion &x = c[to_sjis];
    if (x.cd == nullptr) {
        start_service();
        if (gl_cv_load(&x.cd, to_sjis ? "ja_JP.sjis" : "de_DE.8859-1", to_sjis ? "de_DE.8859-1" : "ja_JP.sjis",
                       nullptr, nullptr) != 1 ||
            x.cd->glu_served != 1)
            std::abort();
        x.icu_from = to_sjis ? "ISO-8859-1" : "Shift_JIS";
        x.icu_to = to_sjis ? "Shift_JIS" : "ISO-8859-1";
        std::string latin;
        while (latin.size() < 16384)
            latin += "Preis -12345,67 EUR \xb0\xb1 Menge 1.000 St\xb4" "ck \xa7 12 ";
        if (to_sjis) {
            x.text = latin;
        } else {
            std::string sjis(latin.size() * 2, '\0');
            UErrorCode status = U_ZERO_ERROR;
            sjis.resize(static_cast<size_t>(ucnv_convert("Shift_JIS", "ISO-8859-1", sjis.data(),
                                                         static_cast<int32_t>(sjis.size()), latin.data(),
                                                         static_cast<int32_t>(latin.size()), &status)));
            x.text = sjis;
        }
        UErrorCode status = U_ZERO_ERROR;
        x.from = ucnv_open(x.icu_from, &status);
        x.to = ucnv_open(x.icu_to, &status);
    }
    return x;
}

std::string served_convert(Conversion &c, std::string &out)
{
    char *ip = c.text.data(), *op = out.data();
    int il = static_cast<int>(c.text.size()), ol = static_cast<int>(out.size());
    gl_miconv(c.cd, &ip, &il, &op, &ol, nullptr);
    return out.substr(0, static_cast<size_t>(op - out.data()));
}

int32_t icu_convert(Conversion &c, std::string &out)
{
    UErrorCode status = U_ZERO_ERROR;
    return ucnv_convert(c.icu_to, c.icu_from, out.data(), static_cast<int32_t>(out.size()), c.text.data(),
                        static_cast<int32_t>(c.text.size()), &status);
}

void BM_ServedConvert(benchmark::State &state)
{
    Conversion &c = conversion(state.range(0) != 0);
    std::string out(c.text.size() * 3, '\0'), peer(c.text.size() * 3, '\0');
    peer.resize(static_cast<size_t>(icu_convert(c, peer)));
    if (served_convert(c, out) != peer)
        std::abort();
    for (auto _ : state)
        benchmark::DoNotOptimize(served_convert(c, out).size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.text.size()));
}

void BM_IcuConvert(benchmark::State &state)
{
    Conversion &c = conversion(state.range(0) != 0);
    std::string out(c.text.size() * 3, '\0');
    for (auto _ : state)
        benchmark::DoNotOptimize(icu_convert(c, out));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.text.size()));
}

void BM_IcuConvertEx(benchmark::State &state)
{
    Conversion &c = conversion(state.range(0) != 0);
    std::string out(c.text.size() * 3, '\0');
    for (auto _ : state) {
        UErrorCode status = U_ZERO_ERROR;
        char *t = out.data();
        const char *s = c.text.data();
        ucnv_convertEx(c.to, c.from, &t, out.data() + out.size(), &s, s + c.text.size(), nullptr, nullptr, nullptr,
                       nullptr, true, true, &status);
        benchmark::DoNotOptimize(t);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.text.size()));
}

// ---- the first load of a fresh process ----

// A run of this program with TRW_GLU_BENCH_FIRST set (service or kit) and
// TRW_GLU_BENCH_FD (a pipe) times its first gl_lc_load of en_US.utf8,
// writes the seconds to the pipe and ends before the benchmarks start.
const int first_load_child = [] {
    const char *mode = std::getenv("TRW_GLU_BENCH_FIRST"), *fd = std::getenv("TRW_GLU_BENCH_FD");
    if (mode == nullptr || fd == nullptr)
        return 0;
    const bool service = std::strcmp(mode, "service") == 0;
    setenv("TARNWELLDIR", TRW_DATA_DIR, 0);
    if (service)
        setenv("GL_USEGLU", "1", 1);
    else
        unsetenv("GL_USEGLU");
    gl_useglu(2);
    auto t0 = std::chrono::steady_clock::now();
    gl_locale *loc = nullptr;
    int rc = gl_lc_load(&loc, "en_US.utf8", nullptr, nullptr);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (rc != 0 || (loc->coll_kind == GL_COLL_UNICODE) != service)
        seconds = -1;
    ssize_t ignored = write(std::atoi(fd), &seconds, sizeof seconds);
    (void)ignored;
    _exit(0);
}();

void BM_FirstLoad(benchmark::State &state)
{
    const bool service = state.range(0) != 0;
    for (auto _ : state) {
        int fd[2];
        if (pipe(fd) != 0)
            std::abort();
        pid_t child = fork();
        if (child == 0) {
            close(fd[0]);
            setenv("TRW_GLU_BENCH_FIRST", service ? "service" : "kit", 1);
            setenv("TRW_GLU_BENCH_FD", std::to_string(fd[1]).c_str(), 1);
            execl("/proc/self/exe", "glu_bench", static_cast<char *>(nullptr));
            _exit(1);
        }
        close(fd[1]);
        double seconds = -1;
        ssize_t n = read(fd[0], &seconds, sizeof seconds);
        close(fd[0]);
        waitpid(child, nullptr, 0);
        if (n != sizeof seconds || seconds < 0) {
            state.SkipWithError("first load failed");
            break;
        }
        state.SetIterationTime(seconds);
    }
}

BENCHMARK(BM_ServedCompare)->ArgName("ja")->Arg(0)->Arg(1);
BENCHMARK(BM_IcuCompareUtf8)->ArgName("ja")->Arg(0)->Arg(1);
BENCHMARK(BM_ServedKey)->ArgName("ja")->Arg(0)->Arg(1);
BENCHMARK(BM_IcuKey)->ArgName("ja")->Arg(0)->Arg(1);
BENCHMARK(BM_ServedConvert)->ArgName("to_sjis")->Arg(1)->Arg(0);
BENCHMARK(BM_IcuConvert)->ArgName("to_sjis")->Arg(1)->Arg(0);
BENCHMARK(BM_IcuConvertEx)->ArgName("to_sjis")->Arg(1)->Arg(0);
BENCHMARK(BM_FirstLoad)->ArgName("service")->Arg(0)->Arg(1)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
