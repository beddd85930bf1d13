// Whole-process throughput of trwconv against the iconv program on the same
// file, for 8859-1 -> UTF-8, UTF-8 -> Shift-JIS and Shift-JIS -> UTF-8: each
// iteration runs the program on the file with its output sent to /dev/null.
// The file is TRW_BENCH_MIB mebibytes (default 16; the goal is stated for
// 100), of mixed ASCII and non-ASCII text the target can hold. The outputs
// of both programs are compared once before timing. Bytes per second are of
// the input.
#include <benchmark/benchmark.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

std::string scratch_dir()
{
    static std::string dir = [] {
        char pattern[] = "/tmp/trwconv-bench.XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return dir;
}

size_t file_size()
{
    const char *mib = std::getenv("TRW_BENCH_MIB");
    return static_cast<size_t>(mib != nullptr ? std::atoi(mib) : 16) << 20;
}

int run(const std::string &command) { return std::system(command.c_str()); }

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A UTF-8 text of words of ASCII, Latin-1 letters and Japanese kana and
// kanji, in lines; then its forms in 8859-1 (Latin-1 part only) and
// Shift-JIS, made with iconv. Paths of the three files.
struct Inputs {
    std::string latin1, utf8, sjis;
};

const Inputs &inputs()
{
    static Inputs in = [] {
        std::mt19937 rng(7);
        std::string ja, latin;
        const char *ja_words[] = {"\xe6\x97\xa5\xe6\x9c\xac", "\xe3\x81\x8b\xe3\x81\xaa", "\xe3\x83\x87\xe3\x83\xbc\xe3\x82\xbf",
                                  "\xe6\xa4\x9c\xe7\xb4\xa2", "\xe8\xa1\xa8"};
        const char *latin_words[] = {"caf\xc3\xa9", "stra\xc3\x9f" "e", "na\xc3\xafve", "SELECT", "12,50"};
        const size_t target = file_size();
        while (ja.size() < target) {
            for (int i = 0; i < 12; ++i) {
                ja += rng() % 3 == 0 ? "abc" : ja_words[rng() % 5];
                ja += ' ';
                latin += latin_words[rng() % 5];
                latin += ' ';
            }
            ja += '\n';
            latin += '\n';
        }
        Inputs p{scratch_dir() + "/latin1.txt", scratch_dir() + "/utf8.txt", scratch_dir() + "/sjis.txt"};
        std::ofstream(scratch_dir() + "/latin-utf8.txt", std::ios::binary) << latin;
        std::ofstream(p.utf8, std::ios::binary) << ja;
        run("iconv -f UTF-8 -t ISO-8859-1 " + scratch_dir() + "/latin-utf8.txt > " + p.latin1);
        run("iconv -f UTF-8 -t SHIFT_JIS " + p.utf8 + " > " + p.sjis);
        return p;
    }();
    return in;
}

std::string trwconv(const char *from, const char *to, const std::string &file)
{
    return std::string(TRWCONV) + " -f " + from + " -t " + to + " " + file;
}

std::string iconv(const char *from, const char *to, const std::string &file)
{
    return std::string("iconv -f ") + from + " -t " + to + " " + file;
}

void measure(benchmark::State &state, const std::string &command, const std::string &file,
             const std::string &reference)
{
    const std::string out = scratch_dir() + "/out";
    if (run(command + " > " + out) != 0 || slurp(out) != slurp(reference)) {
        state.SkipWithError("output differs from the reference");
        return;
    }
    const std::string timed = command + " > /dev/null";
    for (auto _ : state)
        if (run(timed) != 0)
            state.SkipWithError("the program failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(slurp(file).size()));
}

struct Direction {
    const char *name, *ours_from, *ours_to, *iconv_from, *iconv_to;
    std::string Inputs::*file;
};

const Direction kDirections[] = {
    {"8859-1_to_UTF-8", "8859-1", "utf8", "ISO-8859-1", "UTF-8", &Inputs::latin1},
    {"UTF-8_to_Shift-JIS", "utf8", "sjis", "UTF-8", "SHIFT_JIS", &Inputs::utf8},
    {"Shift-JIS_to_UTF-8", "sjis", "utf8", "SHIFT_JIS", "UTF-8", &Inputs::sjis},
};

// Times one program (ours or iconv) in the direction state.range(0).
void run_direction(benchmark::State &state, bool ours)
{
    setenv("TARNWELLDIR", TRW_BENCH_DATA_DIR, 0);
    const Direction &d = kDirections[state.range(0)];
    const std::string &file = inputs().*d.file;
    const std::string reference = scratch_dir() + "/ref";
    run(iconv(d.iconv_from, d.iconv_to, file) + " > " + reference);
    state.SetLabel(d.name);
    measure(state, ours ? trwconv(d.ours_from, d.ours_to, file) : iconv(d.iconv_from, d.iconv_to, file), file,
            reference);
}

void BM_trwconv(benchmark::State &state) { run_direction(state, true); }
void BM_iconv(benchmark::State &state) { run_direction(state, false); }

BENCHMARK(BM_trwconv)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_iconv)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
