// Locale loading: whole-locale loads of en_US.8859-1 and en_US.utf8 by our
// loader (by specification, the registry cached as the client's start-up
// does) against glibc's newlocale of the same sources compiled by its own
// localedef (LOCPATH). glibc keeps every locale file it has loaded for the
// life of the process, so its load is measured cold, in a fresh child process
// per load (timed inside the child), and warm (a cached newlocale). Counters
// give the size of our locale file and of glibc's compiled files.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gl_locale.h"
#include "gl_names.h"

namespace {

struct Locale {
    const char *spec;  // ours
    const char *file;  // its file below gls/lc11
    const char *glibc; // glibc's name below GLIBC_LOCALES
};

const Locale kLocales[] = {
    {"en_US.8859-1", "en_us/0333.lco", "en_US.ISO-8859-1"},
    {"en_US.utf8", "en_us/e01c.lco", "en_US.UTF-8"},
};

// The data tree and glibc's locales, unless the environment names others.
const bool environment_set = [] {
    setenv("TARNWELLDIR", TRW_DATA_DIR, 0);
    setenv("LOCPATH", GLIBC_LOCALES, 0);
    return gl_cache_registry(nullptr, nullptr) == 0;
}();

double file_size(const std::string &path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<double>(st.st_size) : 0;
}

double directory_size(const std::string &path)
{
    double total = 0;
    std::error_code ec;
    for (const auto &e : std::filesystem::recursive_directory_iterator(path, ec))
        if (e.is_regular_file())
            total += static_cast<double>(e.file_size());
    return total;
}

void BM_OurLoad(benchmark::State &state)
{
    const Locale &l = kLocales[state.range(0)];
    state.SetLabel(l.spec);
    for (auto _ : state) {
        gl_locale *loc = nullptr;
        if (gl_lc_load(&loc, l.spec, nullptr, nullptr) != 0 || loc->error != 0) {
            state.SkipWithError("load failed");
            gl_lc_unload(loc);
            break;
        }
        benchmark::DoNotOptimize(loc->class_trie);
        gl_lc_unload(loc);
    }
    state.counters["file_bytes"] = file_size(std::string(std::getenv("TARNWELLDIR")) + "/gls/lc11/" + l.file);
}

// One newlocale in a fresh child process; its time in nanoseconds, or -1.
long cold_newlocale(const char *name)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        auto t0 = std::chrono::steady_clock::now();
        locale_t loc = newlocale(LC_ALL_MASK, name, nullptr);
        auto t1 = std::chrono::steady_clock::now();
        long ns = loc != nullptr ? std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count() : -1;
        ssize_t written = write(fds[1], &ns, sizeof ns);
        _exit(written == sizeof ns ? 0 : 1);
    }
    close(fds[1]);
    long ns = -1;
    if (pid < 0 || read(fds[0], &ns, sizeof ns) != sizeof ns)
        ns = -1;
    close(fds[0]);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    return ns;
}

void BM_GlibcNewlocaleCold(benchmark::State &state)
{
    const Locale &l = kLocales[state.range(0)];
    state.SetLabel(l.glibc);
    for (auto _ : state) {
        long ns = cold_newlocale(l.glibc);
        if (ns < 0) {
            state.SkipWithError("glibc locale missing");
            break;
        }
        state.SetIterationTime(static_cast<double>(ns) * 1e-9);
    }
    state.counters["file_bytes"] = directory_size(std::string(std::getenv("LOCPATH")) + "/" + l.glibc);
}

void BM_GlibcNewlocaleWarm(benchmark::State &state)
{
    const Locale &l = kLocales[state.range(0)];
    state.SetLabel(l.glibc);
    for (auto _ : state) {
        locale_t loc = newlocale(LC_ALL_MASK, l.glibc, nullptr);
        if (loc == nullptr) {
            state.SkipWithError("glibc locale missing");
            break;
        }
        freelocale(loc);
    }
}

BENCHMARK(BM_OurLoad)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GlibcNewlocaleCold)->DenseRange(0, 1)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GlibcNewlocaleWarm)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

} // namespace
