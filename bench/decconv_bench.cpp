// Speed of the DECIMAL text conversions, with two peers measured in the
// same run on the same texts: Intel's decimal floating-point library
// (bid128_from_string / bid128_to_string, when TRW_HAVE_BID) and decNumber
// at 32 digits (decNumberFromString / decNumberToString, when
// TRW_HAVE_DECNUMBER). The texts are 1024 numbers of 10 to 32 significant
// digits with 0 to 12 decimal places, some negative. Ours run in the default
// client locale (en_US.8859-1), initialised before the timed loop.
// first_call/* measures the cost of the first deccvasc of a fresh process,
// with all lazy initialisation (registry, locale files, number format): each
// iteration forks a child that times its own first call.
#include "decconv.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "decimal_peers.h"

namespace {

constexpr size_t kCount = 1024;

// Runs before main: the benchmarks read the built data tree.
const bool environment_set = [] {
    setenv("TARNWELLDIR", TRW_BENCH_DATA_DIR, 0);
    return true;
}();

const std::vector<std::string> &texts()
{
    static const std::vector<std::string> values = [] {
        std::mt19937_64 rng(42);
        std::vector<std::string> out;
        for (size_t i = 0; i < kCount; ++i) {
            const int digits = 10 + static_cast<int>(rng() % 23);
            const int places = std::min(static_cast<int>(rng() % 13), digits - 1);
            std::string s = rng() % 4 == 0 ? "-" : "";
            for (int d = 0; d < digits; ++d) {
                if (d == digits - places && places > 0)
                    s += '.';
                s += static_cast<char>(d == 0 ? '1' + rng() % 9 : '0' + rng() % 10);
            }
            out.push_back(s);
        }
        return out;
    }();
    return values;
}

// The first call of a fresh process, timed inside a forked child (the fork
// itself is not counted). It is registered first, so that it forks before
// any other benchmark has initialised the runtime in this process.
void first_call(benchmark::State &state)
{
    for (auto _ : state) {
        int fds[2];
        if (pipe(fds) != 0) {
            state.SkipWithError("pipe");
            return;
        }
        const pid_t child = fork();
        if (child == 0) {
            close(fds[0]);
            const auto start = std::chrono::steady_clock::now();
            decvalue d;
            const int status = deccvasc("12.50", 5, &d);
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double report = status == 0 ? seconds : -1.0;
            if (write(fds[1], &report, sizeof report) != sizeof report)
                _exit(1);
            _exit(0);
        }
        close(fds[1]);
        double seconds = -1;
        const bool got = read(fds[0], &seconds, sizeof seconds) == sizeof seconds;
        close(fds[0]);
        int wstatus = 0;
        waitpid(child, &wstatus, 0);
        if (!got || seconds < 0) {
            state.SkipWithError("the first call failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(first_call)->Name("first_call/deccvasc")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

const std::vector<decvalue> &ours()
{
    static const std::vector<decvalue> values = [] {
        std::vector<decvalue> out(kCount);
        for (size_t i = 0; i < kCount; ++i)
            deccvasc(texts()[i].c_str(), static_cast<int>(texts()[i].size()), &out[i]);
        return out;
    }();
    return values;
}

void ours_from_text(benchmark::State &state)
{
    const auto &t = texts();
    ours();
    decvalue d;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(deccvasc(t[i].data(), static_cast<int>(t[i].size()), &d));
        benchmark::DoNotOptimize(d);
        i = (i + 1) % kCount;
    }
}
BENCHMARK(ours_from_text)->Name("from_text/deccvasc");

void ours_to_text(benchmark::State &state)
{
    const auto &v = ours();
    char buf[48];
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dectoasc(&v[i], buf, sizeof buf, -1));
        benchmark::DoNotOptimize(buf);
        i = (i + 1) % kCount;
    }
}
BENCHMARK(ours_to_text)->Name("to_text/dectoasc");

#if TRW_HAVE_BID
void bid_from_text(benchmark::State &state)
{
    std::vector<std::string> t = texts();
    _IDEC_flags flags = 0;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(bid128_from_string(t[i].data(), BID_ROUNDING_TO_NEAREST, &flags));
        i = (i + 1) % kCount;
    }
}
BENCHMARK(bid_from_text)->Name("from_text/bid128");

void bid_to_text(benchmark::State &state)
{
    std::vector<BID_UINT128> v;
    _IDEC_flags flags = 0;
    for (std::string t : texts())
        v.push_back(bid128_from_string(t.data(), BID_ROUNDING_TO_NEAREST, &flags));
    char buf[64];
    size_t i = 0;
    for (auto _ : state) {
        bid128_to_string(buf, v[i], &flags);
        benchmark::DoNotOptimize(buf);
        i = (i + 1) % kCount;
    }
}
BENCHMARK(bid_to_text)->Name("to_text/bid128");
#endif

#if TRW_HAVE_DECNUMBER
decContext context32()
{
    decContext ctx;
    decContextDefault(&ctx, DEC_INIT_BASE);
    ctx.digits = 32;
    ctx.emax = 999999;
    ctx.emin = -999999;
    ctx.traps = 0;
    return ctx;
}

void dn_from_text(benchmark::State &state)
{
    const auto &t = texts();
    decContext ctx = context32();
    decNumber n;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(decNumberFromString(&n, t[i].c_str(), &ctx));
        i = (i + 1) % kCount;
    }
}
BENCHMARK(dn_from_text)->Name("from_text/decNumber32");

void dn_to_text(benchmark::State &state)
{
    decContext ctx = context32();
    std::vector<decNumber> v(kCount);
    for (size_t i = 0; i < kCount; ++i)
        decNumberFromString(&v[i], texts()[i].c_str(), &ctx);
    char buf[64];
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(decNumberToString(&v[i], buf));
        i = (i + 1) % kCount;
    }
}
BENCHMARK(dn_to_text)->Name("to_text/decNumber32");
#endif

} // namespace
