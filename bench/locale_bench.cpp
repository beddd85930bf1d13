// Locale loading, warm: whole-locale loads of en_US.8859-1 and en_US.utf8 by
// our loader (by specification, the registry cached as the client's start-up
// does) against glibc's newlocale of the same sources compiled by its own
// localedef (LOCPATH), both repeated in this one process. Ours parses the
// file again on every load (the file in the page cache, freed memory
// reused); glibc keeps every locale file it has loaded for the life of the
// process, so its repeated newlocale finds them loaded. The first load of a
// fresh process, the figure a client program feels, is locale_load_bench's,
// measured the same way for both sides. Before timing, both sides must have
// loaded the same decimal point, thousands separator and first abbreviated
// day and month. Counters give the size of our locale file and of glibc's
// compiled files.
#include <benchmark/benchmark.h>

#include <langinfo.h>
#include <sys/stat.h>

#include <clocale>
#include <cstdio>
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

std::string values(const char *dp, const char *ts, const char *day, const char *mon)
{
    return std::string(dp) + "|" + ts + "|" + day + "|" + mon;
}

// Stops the program when the two loads of a locale differ.
void check_same_values(const Locale &l)
{
    gl_locale *loc = nullptr;
    locale_t g = newlocale(LC_ALL_MASK, l.glibc, nullptr);
    std::string ours = "(load failed)", theirs = "(newlocale failed)";
    if (gl_lc_load(&loc, l.spec, nullptr, nullptr) == 0 && loc->error == 0)
        ours = values(loc->numeric->decimal_point, loc->numeric->thousands_sep, loc->time->abday[0],
                      loc->time->abmon[0]);
    if (g != nullptr)
        theirs = values(nl_langinfo_l(RADIXCHAR, g), nl_langinfo_l(THOUSEP, g), nl_langinfo_l(ABDAY_1, g),
                        nl_langinfo_l(ABMON_1, g));
    gl_lc_unload(loc);
    if (g != nullptr)
        freelocale(g);
    if (ours != theirs) {
        std::fprintf(stderr, "locale_bench: %s: ours [%s], glibc %s [%s]: the loads differ\n", l.spec, ours.c_str(),
                     l.glibc, theirs.c_str());
        std::exit(1);
    }
}

void BM_OurLoad(benchmark::State &state)
{
    const Locale &l = kLocales[state.range(0)];
    state.SetLabel(l.spec);
    check_same_values(l);
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

void BM_GlibcNewlocaleWarm(benchmark::State &state)
{
    const Locale &l = kLocales[state.range(0)];
    state.SetLabel(l.glibc);
    check_same_values(l);
    for (auto _ : state) {
        locale_t loc = newlocale(LC_ALL_MASK, l.glibc, nullptr);
        if (loc == nullptr) {
            state.SkipWithError("glibc locale missing");
            break;
        }
        freelocale(loc);
    }
    state.counters["file_bytes"] = directory_size(std::string(std::getenv("LOCPATH")) + "/" + l.glibc);
}

BENCHMARK(BM_OurLoad)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GlibcNewlocaleWarm)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

} // namespace
