// Message lookups against glibc's message catalogs: rgetmsg in the open
// catalog against catgets plus the copy into a buffer (what rgetmsg gives
// its caller); alternating between two catalogs against catopen + catgets +
// catclose; rgetmsg with TRW_FREE_FD; and the first lookup of a fresh
// process (locale environment, search, open), timed inside a forked child.
// The gencat catalogs are made from the texts our catalogs hold, and both
// readers are checked to give the same texts before anything is timed.
#include <benchmark/benchmark.h>

#include <nl_types.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "rmsg.h"

namespace {

// Numbers of two catalogs: convmsg.twm and sqlmsg.twm.
constexpr int kConversion[] = {-1200, -1201, -1202, -1203, -1204, -1205, -1206, -1207, -1210, -1211, -1212,
                               -1213, -1214, -1215, -1218, -1222, -1223, -1225, -1226, -1260, -1261, -1262,
                               -1263, -1264, -1265, -1266, -1267, -1268, -1269, -1284, -1285, 1200};
constexpr int kSql[] = {-202, -406, -415, -608, -647, -837, -941};
constexpr int kBuffer = 160;

const bool environment_set = [] {
    setenv("TARNWELLDIR", TRW_BENCH_DATA_DIR, 0);
    unsetenv("TRW_FREE_FD");
    return true;
}();

std::string text_of(int number)
{
    char buf[kBuffer];
    return rgetmsg(number, buf, kBuffer) == 0 ? buf : "";
}

// A gencat catalog of the numbers' texts under set 1, messages 1, 2, ...;
// its path.
std::string gencat_catalog(const char *name, const int *numbers, std::size_t count)
{
    const std::string dir = "/tmp/msg_bench_" + std::to_string(getpid());
    std::system(("mkdir -p " + dir).c_str());
    const std::string source = dir + "/" + name + ".src";
    const std::string catalog = dir + "/" + name + ".cat";
    std::ofstream out(source);
    out << "$set 1\n";
    for (std::size_t i = 0; i < count; ++i)
        out << i + 1 << " " << text_of(numbers[i]) << "\n";
    out.close();
    if (std::system(("gencat " + catalog + " " + source).c_str()) != 0)
        return "";
    return catalog;
}

struct Glibc {
    std::string conversion = gencat_catalog("conv", kConversion, std::size(kConversion));
    std::string sql = gencat_catalog("sql", kSql, std::size(kSql));
    bool same = [this] {
        nl_catd cd = catopen(conversion.c_str(), 0);
        bool ok = cd != reinterpret_cast<nl_catd>(-1);
        for (std::size_t i = 0; ok && i < std::size(kConversion); ++i)
            ok = text_of(kConversion[i]) == catgets(cd, 1, static_cast<int>(i + 1), "");
        if (cd != reinterpret_cast<nl_catd>(-1))
            catclose(cd);
        return ok;
    }();
};

const Glibc &glibc()
{
    static Glibc g;
    return g;
}

void BM_RgetmsgOpenCatalog(benchmark::State &state)
{
    char buf[kBuffer];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rgetmsg(kConversion[i], buf, kBuffer));
        benchmark::ClobberMemory();
        i = (i + 1) % std::size(kConversion);
    }
}
BENCHMARK(BM_RgetmsgOpenCatalog);

void BM_CatgetsAndCopy(benchmark::State &state)
{
    if (!glibc().same) {
        state.SkipWithError("gencat catalog missing or different");
        return;
    }
    nl_catd cd = catopen(glibc().conversion.c_str(), 0);
    char buf[kBuffer];
    std::size_t i = 0;
    for (auto _ : state) {
        const char *text = catgets(cd, 1, static_cast<int>(i + 1), "");
        std::strncpy(buf, text, kBuffer - 1);
        buf[kBuffer - 1] = '\0';
        benchmark::DoNotOptimize(buf);
        benchmark::ClobberMemory();
        i = (i + 1) % std::size(kConversion);
    }
    catclose(cd);
}
BENCHMARK(BM_CatgetsAndCopy);

void BM_RgetmsgAlternatingCatalogs(benchmark::State &state)
{
    char buf[kBuffer];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rgetmsg(i % 2 ? kSql[i % std::size(kSql)] : kConversion[i % 30], buf, kBuffer));
        benchmark::ClobberMemory();
        ++i;
    }
}
BENCHMARK(BM_RgetmsgAlternatingCatalogs);

void BM_CatopenCatgetsCatclose(benchmark::State &state)
{
    if (!glibc().same) {
        state.SkipWithError("gencat catalog missing or different");
        return;
    }
    char buf[kBuffer];
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string &path = i % 2 ? glibc().sql : glibc().conversion;
        nl_catd cd = catopen(path.c_str(), 0);
        std::strncpy(buf, catgets(cd, 1, 1, ""), kBuffer - 1);
        buf[kBuffer - 1] = '\0';
        catclose(cd);
        benchmark::DoNotOptimize(buf);
        ++i;
    }
}
BENCHMARK(BM_CatopenCatgetsCatclose);

void BM_RgetmsgFreeFd(benchmark::State &state)
{
    setenv("TRW_FREE_FD", "1", 1);
    rclosemsg();
    char buf[kBuffer];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rgetmsg(kConversion[i], buf, kBuffer));
        i = (i + 1) % std::size(kConversion);
    }
    unsetenv("TRW_FREE_FD");
    rclosemsg();
}
BENCHMARK(BM_RgetmsgFreeFd);

// The first lookup of a fresh process: the benchmark runs itself again
// with MSG_BENCH_FIRST_LOOKUP set; that process times its first rgetmsg
// before anything else of the runtime ran and writes the nanoseconds (or -1)
// to its standard output.
const bool first_lookup_child = [] {
    if (std::getenv("MSG_BENCH_FIRST_LOOKUP") == nullptr)
        return false;
    const auto start = std::chrono::steady_clock::now();
    char buf[kBuffer];
    const int status = rgetmsg(-1200, buf, kBuffer);
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
    std::printf("%lld\n", status == 0 ? static_cast<long long>(ns) : -1LL);
    std::fflush(stdout);
    _exit(0);
}();

void BM_FirstLookupFreshProcess(benchmark::State &state)
{
    for (auto _ : state) {
        static const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        FILE *child = popen(("MSG_BENCH_FIRST_LOOKUP=1 '" + self + "'").c_str(), "r");
        long long ns = -1;
        if (child == nullptr || std::fscanf(child, "%lld", &ns) != 1)
            ns = -1;
        if (child != nullptr)
            pclose(child);
        if (ns < 0) {
            state.SkipWithError("the first lookup failed");
            return;
        }
        state.SetIterationTime(static_cast<double>(ns) * 1e-9);
    }
}
BENCHMARK(BM_FirstLookupFreshProcess)->UseManualTime()->Iterations(50)->Unit(benchmark::kMicrosecond);

} // namespace
