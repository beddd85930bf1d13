// A small client program that locale_load_bench starts afresh for every
// measurement: it times the first call a program makes, on our side the first
// deccvasc (which loads the client locale that CLIENT_LOCALE and DB_LOCALE
// in its environment name, or the default locale), on glibc's side newlocale
// of the same locale. Then it times warm loads of the same locale in the same
// process (files in the page cache, memory reused): our gl_lc_load plus
// gl_lc_unload, glibc's newlocale plus freelocale (glibc keeps the files it
// has loaded, so its warm load is a lookup). Finally it prints, for the
// benchmark to compare before it trusts any figure, a few loaded values: the
// decimal point, the thousands separator, the first abbreviated day and
// month names.
//
// A third side, "read", is the floor any loader of our locale files pays in a
// fresh process: it only reads the file once into memory of its size (in
// 64 KiB pieces through stdio), parses nothing and builds nothing. Its
// values field is "-".
//
//   locale_load_probe ours|glibc LOCALE WARM_REPETITIONS
//   locale_load_probe read FILE WARM_REPETITIONS
//
// Output, one line: first-call nanoseconds (wall clock), median warm
// nanoseconds, first-call nanoseconds of processor time (the figure a busy
// machine disturbs least), the four values in hexadecimal separated by '|',
// then the page faults of the first call: memory a fresh process touches
// for the first time, which on a virtual machine costs wall-clock time that
// its processor time does not show.
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <langinfo.h>
#include <sys/resource.h>
#include <string>
#include <vector>

#include "decconv.h"
#include "gl_locale.h"

namespace {

using Clock = std::chrono::steady_clock;

long long ns_since(Clock::time_point t0)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - t0).count();
}

std::string hex(const char *s)
{
    std::string out;
    char b[3];
    for (; s != nullptr && *s != '\0'; ++s) {
        std::snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(*s));
        out += b;
    }
    return out;
}

long long cpu_ns()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

long minor_faults()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt;
}

long long median(std::vector<long long> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int ours(const char *spec, int reps)
{
    decvalue d;
    long f0 = minor_faults();
    long long c0 = cpu_ns();
    auto t0 = Clock::now();
    int rc = deccvasc("1234.5", 6, &d);
    long long first = ns_since(t0), first_cpu = cpu_ns() - c0;
    long faults = minor_faults() - f0;
    if (rc != 0) {
        std::fprintf(stderr, "deccvasc failed: %d\n", rc);
        return 1;
    }
    std::vector<long long> warm;
    std::string values;
    for (int i = 0; i < reps + 1; ++i) {
        gl_locale *loc = nullptr;
        auto w0 = Clock::now();
        int lrc = gl_lc_load(&loc, spec, nullptr, nullptr);
        long long ns = ns_since(w0);
        if (lrc != 0 || loc->error != 0) {
            std::fprintf(stderr, "gl_lc_load %s failed: %d\n", spec, loc->error);
            return 1;
        }
        if (i == 0)
            values = hex(loc->numeric->decimal_point) + "|" + hex(loc->numeric->thousands_sep) + "|" +
                     hex(loc->time->abday[0]) + "|" + hex(loc->time->abmon[0]);
        else
            warm.push_back(ns);
        gl_lc_unload(loc);
    }
    std::printf("%lld %lld %lld %s %ld\n", first, median(warm), first_cpu, values.c_str(), faults);
    return 0;
}

int glibc(const char *name, int reps)
{
    long f0 = minor_faults();
    long long c0 = cpu_ns();
    auto t0 = Clock::now();
    locale_t loc = newlocale(LC_ALL_MASK, name, nullptr);
    long long first = ns_since(t0), first_cpu = cpu_ns() - c0;
    long faults = minor_faults() - f0;
    if (loc == nullptr) {
        std::fprintf(stderr, "newlocale %s failed\n", name);
        return 1;
    }
    std::string values = hex(nl_langinfo_l(RADIXCHAR, loc)) + "|" + hex(nl_langinfo_l(THOUSEP, loc)) + "|" +
                         hex(nl_langinfo_l(ABDAY_1, loc)) + "|" + hex(nl_langinfo_l(ABMON_1, loc));
    freelocale(loc);
    std::vector<long long> warm;
    for (int i = 0; i < reps; ++i) {
        auto w0 = Clock::now();
        locale_t again = newlocale(LC_ALL_MASK, name, nullptr);
        warm.push_back(ns_since(w0));
        if (again == nullptr)
            return 1;
        freelocale(again);
    }
    std::printf("%lld %lld %lld %s %ld\n", first, median(warm), first_cpu, values.c_str(), faults);
    return 0;
}

// Reads the whole file into one buffer of its size; returns its length, or -1.
long read_whole(const char *path)
{
    FILE *f = std::fopen(path, "rb");
    if (f == nullptr)
        return -1;
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::rewind(f);
    char *buf = size < 0 ? nullptr : static_cast<char *>(std::malloc(static_cast<size_t>(size) + 1));
    bool ok = buf != nullptr;
    long got = 0;
    size_t n = 0;
    while (ok && got < size &&
           (n = std::fread(buf + got, 1, std::min<size_t>(65536, static_cast<size_t>(size - got)), f)) > 0)
        got += static_cast<long>(n);
    std::fclose(f);
    std::free(buf);
    return ok && got == size ? size : -1;
}

int read_only(const char *path, int reps)
{
    long f0 = minor_faults();
    long long c0 = cpu_ns();
    auto t0 = Clock::now();
    long size = read_whole(path);
    long long first = ns_since(t0), first_cpu = cpu_ns() - c0;
    long faults = minor_faults() - f0;
    if (size < 0) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return 1;
    }
    std::vector<long long> warm;
    for (int i = 0; i < reps; ++i) {
        auto w0 = Clock::now();
        if (read_whole(path) != size)
            return 1;
        warm.push_back(ns_since(w0));
    }
    std::printf("%lld %lld %lld - %ld\n", first, median(warm), first_cpu, faults);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s ours|glibc LOCALE WARM_REPETITIONS\n       %s read FILE WARM_REPETITIONS\n",
                     argv[0], argv[0]);
        return 2;
    }
    int reps = std::atoi(argv[3]);
    if (std::strcmp(argv[1], "read") == 0)
        return read_only(argv[2], reps);
    return std::strcmp(argv[1], "ours") == 0 ? ours(argv[2], reps) : glibc(argv[2], reps);
}
