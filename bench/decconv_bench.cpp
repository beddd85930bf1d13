// Speed of the DECIMAL text conversions, with two peers measured in the
// same run on the same texts: Intel's decimal floating-point library
// (bid128_from_string / bid128_to_string, when TRW_HAVE_BID) and decNumber
// at 32 digits (decNumberFromString / decNumberToString, when
// TRW_HAVE_DECNUMBER). Two sets of 1024 texts (decimal_peers.h): "money",
// at most 12 digits with 2 places, and "wide", 10 to 32 significant digits
// with 0 to 12 places; some negative. Ours run in the default client locale
// (en_US.8859-1), initialised before the timed loop. to_text converts the
// values ours read from the texts; the peers hold the same values. Before a
// set is timed, ours and each peer are checked to read the same values from
// its texts and to write texts that read back to them; a mismatch ends the
// program.
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

using namespace decbench;

namespace {

// Runs before main: the benchmarks read the built data tree.
const bool environment_set = [] {
    setenv("TARNWELLDIR", TRW_BENCH_DATA_DIR, 0);
    return true;
}();

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

const std::vector<decvalue> &ours(Set set)
{
    auto make = [](Set s) {
        std::vector<decvalue> out(kCount);
        for (size_t i = 0; i < kCount; ++i)
            deccvasc(texts(s)[i].c_str(), static_cast<int>(texts(s)[i].size()), &out[i]);
        return out;
    };
    static const std::vector<decvalue> sets[2] = {make(Set::money), make(Set::wide)};
    return sets[set == Set::money ? 0 : 1];
}

// The text dectoasc gives, blanks after it cut.
std::string shown(const decvalue &d)
{
    char buf[48];
    if (dectoasc(&d, buf, sizeof buf, -1) != 0)
        return "(failed)";
    std::string s(buf, sizeof buf);
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

// Once before timing: the texts read by ours and each peer give the same
// values (a wide text of 32 digits whose point falls inside a pair keeps
// 31 digits in a record, so those agree within one unit of its 16th pair),
// and the texts written by ours and each peer read back to the values
// written.
void check_set(Set set)
{
    for (size_t i = 0; i < kCount; ++i) {
        const std::string &t = texts(set)[i];
        decvalue d;
        if (deccvasc(t.data(), static_cast<int>(t.size()), &d) != 0)
            mismatch("deccvasc", t, "", "a status", "none");
        const std::string text = shown(d);
        decvalue back;
        if (deccvasc(text.data(), static_cast<int>(text.size()), &back) != 0 || exact_text(back) != exact_text(d))
            mismatch("dectoasc", t, "", text, exact_text(d));
#if TRW_HAVE_BID
        const bool loose = set == Set::wide;
        if (!bid_agrees(d, bid_from(t), loose))
            mismatch("from_text", t, "", exact_text(d), bid_text(bid_from(t)));
        const BID_UINT128 held = bid_from(exact_text(d));
        if (!bid_agrees(d, bid_from(bid_text(held)), false) || !bid_agrees(d, bid_from(text), false))
            mismatch("to_text", t, "", text, bid_text(held));
#endif
#if TRW_HAVE_DECNUMBER
        decContext ctx = context(32);
        decNumber n;
        decNumberFromString(&n, t.c_str(), &ctx);
        if (!dn_agrees(d, n, set == Set::wide))
            mismatch("from_text", t, "", exact_text(d), dn_text(n));
        decNumberFromString(&n, exact_text(d).c_str(), &ctx);
        decNumber again;
        decNumberFromString(&again, dn_text(n).c_str(), &ctx);
        if (!dn_agrees(d, again, false))
            mismatch("to_text", t, "", text, dn_text(n));
#endif
    }
}

// The checks of a set, run by the first benchmark of the set before it
// times anything (not before main: first_call needs an untouched runtime).
void ensure_checked(Set set)
{
    static bool done[2];
    bool &d = done[set == Set::money ? 0 : 1];
    if (!d)
        check_set(set);
    d = true;
}

void ours_from_text(benchmark::State &state, Set set)
{
    ensure_checked(set);
    const auto &t = texts(set);
    ours(set);
    decvalue d;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(deccvasc(t[i].data(), static_cast<int>(t[i].size()), &d));
        benchmark::DoNotOptimize(d);
        i = (i + 1) % kCount;
    }
}
void ours_to_text(benchmark::State &state, Set set)
{
    ensure_checked(set);
    const auto &v = ours(set);
    char buf[48];
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dectoasc(&v[i], buf, sizeof buf, -1));
        benchmark::DoNotOptimize(buf);
        i = (i + 1) % kCount;
    }
}

#if TRW_HAVE_BID
void bid_from_text(benchmark::State &state, Set set)
{
    ensure_checked(set);
    std::vector<std::string> t = texts(set);
    _IDEC_flags flags = 0;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(bid128_from_string(t[i].data(), BID_ROUNDING_TO_NEAREST, &flags));
        i = (i + 1) % kCount;
    }
}
void bid_to_text(benchmark::State &state, Set set)
{
    ensure_checked(set);
    std::vector<BID_UINT128> v;
    _IDEC_flags flags = 0;
    for (const decvalue &d : ours(set))
        v.push_back(bid_from(exact_text(d)));
    char buf[64];
    size_t i = 0;
    for (auto _ : state) {
        bid128_to_string(buf, v[i], &flags);
        benchmark::DoNotOptimize(buf);
        i = (i + 1) % kCount;
    }
}
#endif

#if TRW_HAVE_DECNUMBER
void dn_from_text(benchmark::State &state, Set set)
{
    ensure_checked(set);
    const auto &t = texts(set);
    decContext ctx = context(32);
    decNumber n;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(decNumberFromString(&n, t[i].c_str(), &ctx));
        i = (i + 1) % kCount;
    }
}
void dn_to_text(benchmark::State &state, Set set)
{
    ensure_checked(set);
    decContext ctx = context(32);
    std::vector<decNumber> v(kCount);
    for (size_t i = 0; i < kCount; ++i)
        decNumberFromString(&v[i], exact_text(ours(set)[i]).c_str(), &ctx);
    char buf[64];
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(decNumberToString(&v[i], buf));
        i = (i + 1) % kCount;
    }
}
#endif

// After first_call (registered by the macro above, so first): the checks,
// then the benchmarks of both sets, named operation/set/implementation.
const bool registered = [] {
    for (Set set : {Set::money, Set::wide}) {
        const std::string s = set_name(set);
        benchmark::RegisterBenchmark(("from_text/" + s + "/deccvasc").c_str(), ours_from_text, set);
        benchmark::RegisterBenchmark(("to_text/" + s + "/dectoasc").c_str(), ours_to_text, set);
#if TRW_HAVE_BID
        benchmark::RegisterBenchmark(("from_text/" + s + "/bid128").c_str(), bid_from_text, set);
        benchmark::RegisterBenchmark(("to_text/" + s + "/bid128").c_str(), bid_to_text, set);
#endif
#if TRW_HAVE_DECNUMBER
        benchmark::RegisterBenchmark(("from_text/" + s + "/decNumber32").c_str(), dn_from_text, set);
        benchmark::RegisterBenchmark(("to_text/" + s + "/decNumber32").c_str(), dn_to_text, set);
#endif
    }
    return true;
}();

} // namespace
