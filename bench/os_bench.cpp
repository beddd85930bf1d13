// The SQL wire trace's cost per message and the CHAR comparison of the OS
// layer. Trace: dump_write_buffer of a 100-byte buffer in binary and text
// mode against one write(2) of the same 100 bytes to a file in the same
// directory, and the dump call with tracing off. Comparison: osglsbycmpr on
// 20-character CHAR values (words padded with blanks) under en_US.8859-1
// against the locale's own collation of the same values, already trimmed and
// terminated. Before timing, the trace file is read back and the comparison
// signs are checked against the locale's.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gl_locale.h"
#include "oscmpr.h"
#include "osinit.h"
#include "osqlidbg.h"

namespace {

const std::string &bench_dir()
{
    static const std::string dir = [] {
        setenv("TARNWELLDIR", TRW_DATA_DIR, 0);
        char pattern[] = "/tmp/trw-os-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            std::abort();
        return std::string(pattern);
    }();
    return dir;
}

const char kMessage[101] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                           "0123456789abcdefghijklmnopqrstuvwxyz..";

// Switches the trace to a fresh file of the mode ("1:" or "2:").
void trace_into(const char *mode, const char *name)
{
    if (_sqdbgfile != 2)
        close(_sqdbgfile);
    const std::string value = std::string(mode) + bench_dir() + "/" + name;
    setenv("SQLIDEBUG", value.c_str(), 1);
    _sqdbgsetup(CheckOsInit());
    if (_sqdbgfile == 2)
        std::abort();
}

void check_binary_record()
{
    trace_into("2:", "check");
    dump_write_buffer(kMessage, 100, CheckOsInit(), 1);
    char bytes[256];
    const std::string name = std::string(sqlidebug.basename);
    const int fd = open(name.c_str(), O_RDONLY);
    const ssize_t n = read(fd, bytes, sizeof bytes);
    close(fd);
    if (n != 8 + 14 + 100 || std::memcmp(bytes + 22, kMessage, 100) != 0 || std::memcmp(bytes + 8, "CS", 2) != 0)
        std::abort();
}

void BM_TraceBinary(benchmark::State &state)
{
    check_binary_record();
    trace_into("2:", "binary");
    ostcb *block = CheckOsInit();
    for (auto _ : state)
        dump_write_buffer(kMessage, 100, block, 1);
}
BENCHMARK(BM_TraceBinary);

void BM_TraceText(benchmark::State &state)
{
    trace_into("1:", "text");
    ostcb *block = CheckOsInit();
    for (auto _ : state)
        dump_write_buffer(kMessage, 100, block, 1);
}
BENCHMARK(BM_TraceText);

void BM_PeerWrite100(benchmark::State &state)
{
    const std::string name = bench_dir() + "/peer";
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    for (auto _ : state)
        benchmark::DoNotOptimize(write(fd, kMessage, 100));
    close(fd);
}
BENCHMARK(BM_PeerWrite100);

void BM_TraceOff(benchmark::State &state)
{
    ostcb *block = CheckOsInit();
    const short saved = _sqdbg;
    _sqdbg = SQDBG_OFF;
    for (auto _ : state) {
        dump_write_buffer(kMessage, 100, block, 1);
        benchmark::ClobberMemory();
    }
    _sqdbg = saved;
}
BENCHMARK(BM_TraceOff);

// ---- CHAR comparison --------------------------------------------------------

struct Values {
    gl_locale *loc = nullptr;
    std::vector<std::string> padded, trimmed;
};

const Values &values()
{
    static const Values v = [] {
        bench_dir();
        Values out;
        gl_lc_load(&out.loc, "en_US.8859-1", nullptr, nullptr);
        if (out.loc == nullptr || out.loc->error != 0)
            std::abort();
        std::mt19937 rng(5);
        for (int i = 0; i < 1024; ++i) {
            std::string w;
            for (int n = 4 + rng() % 12; n > 0; --n)
                w += static_cast<char>(rng() % 10 == 0 ? 'A' + rng() % 26 : 'a' + rng() % 26);
            out.trimmed.push_back(w);
            out.padded.push_back(w + std::string(20 - w.size(), ' '));
        }
        for (int i = 0; i + 1 < 1024; ++i) {
            int error = 0;
            const int ours = osglsbycmpr(out.loc, out.padded[i].data(), 20, out.padded[i + 1].data(), 20, &error);
            const int theirs = out.loc->coll_compare(out.loc, reinterpret_cast<const unsigned char *>(out.trimmed[i].c_str()),
                                                     reinterpret_cast<const unsigned char *>(out.trimmed[i + 1].c_str()));
            if (ours != (theirs > 0) - (theirs < 0) || error != 0)
                std::abort();
        }
        return out;
    }();
    return v;
}

void BM_Osglsbycmpr(benchmark::State &state)
{
    const Values &v = values();
    std::size_t i = 0;
    for (auto _ : state) {
        int error = 0;
        benchmark::DoNotOptimize(osglsbycmpr(v.loc, v.padded[i].data(), 20, v.padded[i + 1].data(), 20, &error));
        i = (i + 1) & 1022;
    }
}
BENCHMARK(BM_Osglsbycmpr);

void BM_PeerLocaleCollation(benchmark::State &state)
{
    const Values &v = values();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(v.loc->coll_compare(v.loc, reinterpret_cast<const unsigned char *>(v.trimmed[i].c_str()),
                                                     reinterpret_cast<const unsigned char *>(v.trimmed[i + 1].c_str())));
        i = (i + 1) & 1022;
    }
}
BENCHMARK(BM_PeerLocaleCollation);

} // namespace
