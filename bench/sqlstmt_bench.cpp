// The statement scanner over a 16 MB SQL script of mixed INSERT, SELECT,
// UPDATE and CREATE PROCEDURE statements with quotes and comments: a
// gettoken loop, chkstmt on one routine of that size and gstrqmarks, next to
// SQLite's sqlite3_complete on the same text and a plain byte loop counting
// "?" (the floor); the case shifts on ASCII text. Single-byte and UTF-8
// client locales. Results are checked before timing: SQLite and chkstmt
// agree on the routine, and gstrqmarks counts what the script holds.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "glsenv.h"
#include "sqlstmt.h"

namespace {

struct Script {
    std::string text;
    int markers = 0;
};

const Script &script()
{
    static const Script s = [] {
        Script out;
        const char *pieces[] = {
            "insert into orders values (?, 'it''s ?', \"x\", 12.5); -- note ?\n",
            "select a, b, 'end; procedure' from t where c = ? and d = '?'; {comment ?}\n",
            "update t set a = a + 1, b = 'x;y' where id = ?;\n",
            "create procedure p(n int) define i int; let i = n; { body } end procedure;\n",
        };
        const int counts[] = {1, 1, 1, 0};
        while (out.text.size() < (16u << 20))
            for (int i = 0; i < 4; ++i) {
                out.text += pieces[i];
                out.markers += counts[i];
            }
        return out;
    }();
    return s;
}

// The script as one routine: "create procedure" ahead, "end procedure;" at
// the end.
const std::string &routine()
{
    static const std::string r = "create procedure big() " + script().text + " end procedure;";
    return r;
}

void use_locale(const char *name)
{
    static std::string current;
    if (current == name)
        return;
    setenv("TARNWELLDIR", TRW_DATA_DIR, 0);
    GlsEnvLocale request{};
    request.setting[GLS_CLIENT_LOCALE] = name;
    request.setting[GLS_DB_LOCALE] = name;
    GlsEnv *env = nullptr;
    if (CreateGlsEnv(&request, &env, 1) != 0)
        std::abort();
    SetGlsEnv(env);
    current = name;
}

const char *locale_of(const benchmark::State &state) { return state.range(0) == 0 ? "en_US.8859-1" : "en_US.utf8"; }

void set_bytes(benchmark::State &state, size_t n) { state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * n)); }

void BM_gettoken_loop(benchmark::State &state)
{
    use_locale(locale_of(state));
    const std::string &s = script().text;
    for (auto _ : state) {
        int pos = 0;
        int tokens = 0;
        while (gettoken(s.data(), static_cast<int>(s.size()), &pos) >= 0)
            ++tokens;
        benchmark::DoNotOptimize(tokens);
    }
    set_bytes(state, s.size());
}

void BM_chkstmt_routine(benchmark::State &state)
{
    use_locale(locale_of(state));
    const std::string &r = routine();
    if (chkstmt(r.data(), static_cast<int>(r.size())) != 0 || !sqlite3_complete(r.c_str()))
        state.SkipWithError("chkstmt and sqlite3_complete disagree");
    for (auto _ : state)
        benchmark::DoNotOptimize(chkstmt(r.data(), static_cast<int>(r.size())));
    set_bytes(state, r.size());
}

void BM_gstrqmarks(benchmark::State &state)
{
    use_locale(locale_of(state));
    const Script &s = script();
    if (gstrqmarks(s.text.c_str()) != s.markers)
        state.SkipWithError("gstrqmarks miscounts");
    for (auto _ : state)
        benchmark::DoNotOptimize(gstrqmarks(s.text.c_str()));
    set_bytes(state, s.text.size());
}

void BM_sqlite3_complete(benchmark::State &state)
{
    const std::string &r = routine();
    for (auto _ : state)
        benchmark::DoNotOptimize(sqlite3_complete(r.c_str()));
    set_bytes(state, r.size());
}

void BM_count_question_bytes(benchmark::State &state)
{
    const std::string &s = script().text;
    for (auto _ : state) {
        int n = 0;
        for (char c : s)
            n += c == '?';
        benchmark::DoNotOptimize(n);
    }
    set_bytes(state, s.size());
}

void BM_caseshift_ascii(benchmark::State &state)
{
    use_locale(locale_of(state));
    std::string text(1 << 20, 'a');
    for (size_t i = 0; i < text.size(); i += 7)
        text[i] = ' ';
    std::vector<char> out(text.size() + 1);
    for (auto _ : state) {
        if (state.range(1) == 0)
            rupshift(text.data());
        else
            sqlcaseshift(SQL_DOWNSHIFT, text.c_str(), out.data(), static_cast<int>(out.size()));
        benchmark::ClobberMemory();
    }
    set_bytes(state, text.size());
}

BENCHMARK(BM_gettoken_loop)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_chkstmt_routine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_gstrqmarks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_sqlite3_complete)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_count_question_bytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_caseshift_ascii)->Args({0, 0})->Args({0, 1})->Args({1, 0})->Unit(benchmark::kMicrosecond);

} // namespace
