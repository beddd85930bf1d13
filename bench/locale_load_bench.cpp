// Locale loads as a new client program feels them: the first call of a fresh
// process. Every iteration starts locale_load_probe anew (posix_spawn) and
// takes the time the probe measured around its first call (first_call/...):
// our first deccvasc with CLIENT_LOCALE and DB_LOCALE naming the locale (or
// neither: the default locale), and glibc's newlocale of the same locale
// sources compiled by its own localedef (LOCPATH). Both sides pay the same
// process start, which is not timed. warm_load/... takes the probe's median
// warm load instead (a repeated load in the same process). The counters give
// the median first call (wall clock, and processor time, which a busy machine
// disturbs less), the median warm load, in milliseconds, and the median page
// faults of the first call (fresh memory the call touches: on a virtual
// machine the first touch of a page costs wall-clock time beyond the
// processor time). Before any timing, one probe of each side must report the
// same loaded values (decimal point, thousands separator, first abbreviated
// day and month), else the program stops with a message. A third side,
// read_file_only, is the floor of any loader of our file in a fresh
// process: the probe only reads the locale file into memory, so the gap
// between it and glibc's newlocale is what no parser of the file can close.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char **environ;

namespace {

struct Case {
    const char *label;
    const char *client; // CLIENT_LOCALE and DB_LOCALE, null for the default locale
    const char *spec;   // what the probe's warm loads load
    const char *glibc;  // glibc's name below GLIBC_LOCALES
    const char *file;   // our locale file below TRW_DATA_DIR
};

const Case kCases[] = {
    {"en_US.utf8", "en_US.utf8", "en_US.utf8", "en_US.UTF-8", "gls/lc11/en_us/e01c.lco"},
    {"ja_JP.utf8", "ja_JP.utf8", "ja_JP.utf8", "ja_JP.UTF-8", "gls/lc11/ja_jp/e01c.lco"},
    {"en_US.8859-1", "en_US.8859-1", "en_US.8859-1", "en_US.ISO-8859-1", "gls/lc11/en_us/0333.lco"},
    {"default", nullptr, "en_US.8859-1", "en_US.ISO-8859-1", "gls/lc11/en_us/0333.lco"},
};

constexpr int kWarmRepetitions = 9;

struct Probe {
    bool ok = false;
    double first_ns = 0;
    double warm_ns = 0;
    double first_cpu_ns = 0;
    std::string values;
    double first_faults = 0;
};

// The environment of a probe: ours without any locale setting but the
// case's, glibc's with LOCPATH.
std::vector<std::string> probe_environment(const Case &c, bool ours)
{
    std::vector<std::string> env;
    for (char **e = environ; *e != nullptr; ++e) {
        std::string s(*e);
        if (s.rfind("CLIENT_LOCALE=", 0) == 0 || s.rfind("DB_LOCALE=", 0) == 0 || s.rfind("LOCPATH=", 0) == 0 ||
            s.rfind("TARNWELLDIR=", 0) == 0 || s.rfind("GL_", 0) == 0 || s.rfind("LC_", 0) == 0 ||
            s.rfind("LANG=", 0) == 0)
            continue;
        env.push_back(s);
    }
    if (ours) {
        env.push_back(std::string("TARNWELLDIR=") + TRW_DATA_DIR);
        if (c.client != nullptr) {
            env.push_back(std::string("CLIENT_LOCALE=") + c.client);
            env.push_back(std::string("DB_LOCALE=") + c.client);
        }
    } else {
        env.push_back(std::string("LOCPATH=") + GLIBC_LOCALES);
    }
    return env;
}

enum class Side { ours, glibc, read_only };

Probe run_probe(const Case &c, Side side)
{
    Probe p;
    bool ours = side != Side::glibc;
    std::vector<std::string> env = probe_environment(c, ours);
    std::vector<char *> envp;
    for (std::string &s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string reps = std::to_string(kWarmRepetitions);
    std::string file = std::string(TRW_DATA_DIR) + "/" + c.file;
    const char *argv[] = {LOCALE_LOAD_PROBE, side == Side::ours ? "ours" : side == Side::glibc ? "glibc" : "read",
                          side == Side::ours ? c.spec : side == Side::glibc ? c.glibc : file.c_str(), reps.c_str(),
                          nullptr};
    int fds[2];
    if (pipe(fds) != 0)
        return p;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid;
    int rc = posix_spawn(&pid, LOCALE_LOAD_PROBE, &actions, nullptr, const_cast<char **>(argv), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string out;
    char buf[512];
    ssize_t n;
    while (rc == 0 && (n = read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 1;
    if (rc == 0)
        waitpid(pid, &status, 0);
    std::istringstream in(out);
    p.ok = rc == 0 && status == 0 && (in >> p.first_ns >> p.warm_ns >> p.first_cpu_ns >> p.values >> p.first_faults);
    return p;
}

// Both sides must have loaded the same values before either is timed.
void check_once(const Case &c)
{
    static std::map<std::string, bool> checked;
    if (checked[c.label])
        return;
    Probe a = run_probe(c, Side::ours), b = run_probe(c, Side::glibc);
    if (!a.ok || !b.ok || a.values != b.values) {
        std::fprintf(stderr, "locale_load_bench: %s: ours %s [%s], glibc %s %s [%s]: the loads differ\n", c.label,
                     a.ok ? "ok" : "failed", a.values.c_str(), c.glibc, b.ok ? "ok" : "failed", b.values.c_str());
        std::exit(1);
    }
    checked[c.label] = true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// One benchmark per locale and side: the probe's first call (with the
// counters) or its warm load as the iteration's time.
void measure(benchmark::State &state, const Case &c, Side side, bool warm_load)
{
    state.SetLabel(side == Side::glibc ? c.glibc : side == Side::ours ? c.label : c.file);
    check_once(c);
    std::vector<double> first, warm, cpu, faults;
    for (auto _ : state) {
        Probe p = run_probe(c, side);
        if (!p.ok) {
            state.SkipWithError("probe failed");
            break;
        }
        state.SetIterationTime((warm_load ? p.warm_ns : p.first_ns) * 1e-9);
        first.push_back(p.first_ns);
        warm.push_back(p.warm_ns);
        cpu.push_back(p.first_cpu_ns);
        faults.push_back(p.first_faults);
    }
    state.counters["first_ms"] = median(first) * 1e-6;
    state.counters["warm_ms"] = median(warm) * 1e-6;
    state.counters["first_cpu_ms"] = median(cpu) * 1e-6;
    state.counters["first_faults"] = median(faults);
}

// Names case/locale/side, as tools/bench-report pairs ours with its peers:
// first_call and warm_load for ours and glibc, and first_call for the
// file read alone (the default locale reads the en_US.8859-1 file).
const bool kRegistered = [] {
    for (const Case &c : kCases) {
        struct Row {
            const char *what;
            Side side;
            bool warm;
        };
        for (Row row : {Row{"first_call", Side::ours, false}, Row{"first_call", Side::glibc, false},
                        Row{"first_call", Side::read_only, false}, Row{"warm_load", Side::ours, true},
                        Row{"warm_load", Side::glibc, true}}) {
            if (row.side == Side::read_only && c.client == nullptr)
                continue;
            const char *side = row.side == Side::ours ? "ours" : row.side == Side::glibc ? "glibc" : "read_file_only";
            std::string name = std::string(row.what) + "/" + c.label + "/" + side;
            benchmark::RegisterBenchmark(name.c_str(),
                                         [&c, row](benchmark::State &state) { measure(state, c, row.side, row.warm); })
                ->UseManualTime()
                ->Iterations(25)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    return true;
}();

} // namespace
