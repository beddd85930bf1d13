// Speed of value records: a load and a store (rdataval + rvaldata) per
// value for INTEGER, FLOAT, DECIMAL(16,2), CHAR(20), DATE and DATETIME YEAR
// TO SECOND, and the conversions text -> DECIMAL(16,2) -> stored and
// INTEGER -> text. Each is measured with its floor, a plain loop doing the
// same byte work (ldlong/stlong, memcpy, lddecimal/stdecimal, deccvasc +
// stdecimal, snprintf), and with SQLite's own value conversions
// (sqlite3_value_int64, _double and _text on values taken with
// sqlite3_value_dup from a stepped row; a conversion takes a fresh copy
// each time, since SQLite keeps a converted form). Every case's result is
// checked equal to its floor's before timing.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "decconv.h"
#include "osutil.h"
#include "valrec.h"

namespace {

constexpr size_t kCount = 256;

const bool environment_set = [] {
    setenv("TARNWELLDIR", TRW_BENCH_DATA_DIR, 0);
    return true;
}();

constexpr int kDec16_2 = (16 << 8) | 2;
constexpr int kDecLen = DECLEN(16, 2);
constexpr int kDtLen = DECLEN(14, 0x0A);

struct Data {
    std::vector<unsigned char> ints, doubles, decimals, chars, dates, datetimes;
    std::vector<std::string> texts;
    std::vector<int32_t> values;
};

[[noreturn]] void mismatch(const char *what)
{
    std::fprintf(stderr, "valrec_bench: %s differs from its floor\n", what);
    std::exit(1);
}

const Data &data()
{
    static const Data d = [] {
        Data o;
        std::mt19937 rng(11);
        for (size_t i = 0; i < kCount; ++i) {
            const int32_t x = static_cast<int32_t>(rng() % 2000000) - 1000000;
            o.values.push_back(x);
            unsigned char b[8];
            stlong(x, b);
            o.ints.insert(o.ints.end(), b, b + 4);
            const double f = x / 7.0;
            std::memcpy(b, &f, 8);
            o.doubles.insert(o.doubles.end(), b, b + 8);
            char text[32];
            std::snprintf(text, sizeof text, "%d.%02u", x / 100, static_cast<unsigned>(rng() % 100));
            o.texts.push_back(text);
            decvalue dec;
            deccvasc(text, static_cast<int>(std::strlen(text)), &dec);
            unsigned char s[DEC_STORED_MAX];
            stdecimal(&dec, s, kDecLen);
            o.decimals.insert(o.decimals.end(), s, s + kDecLen);
            char field[20];
            std::memset(field, ' ', sizeof field);
            std::memcpy(field, text, std::strlen(text));
            o.chars.insert(o.chars.end(), field, field + 20);
            stlong(static_cast<int32_t>(rng() % 2958464), b);
            o.dates.insert(o.dates.end(), b, b + 4);
            valrec v;
            std::memset(&v, 0, sizeof v);
            v.vtype = TRW_SQL_CHAR;
            char stamp[32];
            const auto unit = [&rng](unsigned base, unsigned range) { return base + static_cast<unsigned>(rng() % range); };
            std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u", unit(1, 9999), unit(1, 12), unit(1, 28),
                          unit(0, 24), unit(0, 60), unit(0, 60));
            v.vdata.vchar = stamp;
            v.vlen = static_cast<int>(std::strlen(stamp));
            unsigned char dt[DEC_STORED_MAX];
            if (rvaldata(&v, reinterpret_cast<char *>(dt), TRW_SQL_DATETIME, DT_YEAR_TO_SECOND) != 0)
                mismatch("DATETIME set-up");
            o.datetimes.insert(o.datetimes.end(), dt, dt + kDtLen);
        }
        return o;
    }();
    return d;
}

// Load and store of every value of one type into out; returns out.
std::vector<unsigned char> load_store(const std::vector<unsigned char> &in, int type, int len, int size)
{
    std::vector<unsigned char> out(in.size());
    valrec v;
    for (size_t i = 0; i < kCount; ++i) {
        rdataval(reinterpret_cast<const char *>(&in[i * size]), type, len, &v);
        rvaldata(&v, reinterpret_cast<char *>(&out[i * size]), type, len);
    }
    return out;
}

void check_load_store()
{
    const Data &d = data();
    if (load_store(d.ints, TRW_SQL_INTEGER, 0, 4) != d.ints)
        mismatch("INTEGER");
    if (load_store(d.doubles, TRW_SQL_FLOAT, 0, 8) != d.doubles)
        mismatch("FLOAT");
    if (load_store(d.decimals, TRW_SQL_DECIMAL, kDec16_2, kDecLen) != d.decimals)
        mismatch("DECIMAL");
    if (load_store(d.chars, TRW_SQL_CHAR, 20, 20) != d.chars)
        mismatch("CHAR");
    if (load_store(d.dates, TRW_SQL_DATE, 0, 4) != d.dates)
        mismatch("DATE");
    if (load_store(d.datetimes, TRW_SQL_DATETIME, DT_YEAR_TO_SECOND, kDtLen) != d.datetimes)
        mismatch("DATETIME");
}

template <typename F> void each(benchmark::State &state, F fn)
{
    static const bool checked = (check_load_store(), true);
    (void)checked;
    for (auto _ : state)
        for (size_t i = 0; i < kCount; ++i)
            fn(i);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
}

void bench_load_store(benchmark::State &state, const std::vector<unsigned char> &in, int type, int len, int size)
{
    std::vector<unsigned char> out(in.size());
    valrec v;
    each(state, [&](size_t i) {
        rdataval(reinterpret_cast<const char *>(&in[i * size]), type, len, &v);
        rvaldata(&v, reinterpret_cast<char *>(&out[i * size]), type, len);
        benchmark::DoNotOptimize(out.data());
    });
}

void BM_Valrec_Integer(benchmark::State &s) { bench_load_store(s, data().ints, TRW_SQL_INTEGER, 0, 4); }
void BM_Valrec_Float(benchmark::State &s) { bench_load_store(s, data().doubles, TRW_SQL_FLOAT, 0, 8); }
void BM_Valrec_Decimal16_2(benchmark::State &s)
{
    bench_load_store(s, data().decimals, TRW_SQL_DECIMAL, kDec16_2, kDecLen);
}
void BM_Valrec_Char20(benchmark::State &s) { bench_load_store(s, data().chars, TRW_SQL_CHAR, 20, 20); }
void BM_Valrec_Date(benchmark::State &s) { bench_load_store(s, data().dates, TRW_SQL_DATE, 0, 4); }
void BM_Valrec_Datetime(benchmark::State &s)
{
    bench_load_store(s, data().datetimes, TRW_SQL_DATETIME, DT_YEAR_TO_SECOND, kDtLen);
}

void BM_Floor_Integer(benchmark::State &s)
{
    const auto &in = data().ints;
    std::vector<unsigned char> out(in.size());
    each(s, [&](size_t i) {
        stlong(ldlong(&in[i * 4]), &out[i * 4]);
        benchmark::DoNotOptimize(out.data());
    });
}
void BM_Floor_Float(benchmark::State &s)
{
    const auto &in = data().doubles;
    std::vector<unsigned char> out(in.size());
    each(s, [&](size_t i) {
        std::memcpy(&out[i * 8], &in[i * 8], 8);
        benchmark::DoNotOptimize(out.data());
    });
}
void BM_Floor_Char20(benchmark::State &s)
{
    const auto &in = data().chars;
    std::vector<unsigned char> out(in.size());
    each(s, [&](size_t i) {
        std::memcpy(&out[i * 20], &in[i * 20], 20);
        benchmark::DoNotOptimize(out.data());
    });
}
void floor_decimal(benchmark::State &s, const std::vector<unsigned char> &in, int n)
{
    std::vector<unsigned char> out(in.size());
    decvalue dec;
    each(s, [&](size_t i) {
        lddecimal(&in[i * n], n, &dec);
        stdecimal(&dec, &out[i * n], n);
        benchmark::DoNotOptimize(out.data());
    });
}
void BM_Floor_Decimal16_2(benchmark::State &s) { floor_decimal(s, data().decimals, kDecLen); }
void BM_Floor_Date(benchmark::State &s) { BM_Floor_Integer(s); }
void BM_Floor_Datetime(benchmark::State &s) { floor_decimal(s, data().datetimes, kDtLen); }

// ---- conversions ----

void check_conversions()
{
    const Data &d = data();
    for (size_t i = 0; i < kCount; ++i) {
        valrec v;
        std::memset(&v, 0, sizeof v);
        v.vtype = TRW_SQL_CHAR;
        v.vdata.vchar = const_cast<char *>(d.texts[i].c_str());
        v.vlen = static_cast<int>(d.texts[i].size());
        unsigned char a[DEC_STORED_MAX], b[DEC_STORED_MAX];
        rvaldata(&v, reinterpret_cast<char *>(a), TRW_SQL_DECIMAL, kDec16_2);
        decvalue dec;
        deccvasc(d.texts[i].c_str(), static_cast<int>(d.texts[i].size()), &dec);
        stdecimal(&dec, b, kDecLen);
        if (std::memcmp(a, b, kDecLen) != 0)
            mismatch("text to DECIMAL");
        valrec n;
        std::memset(&n, 0, sizeof n);
        n.vtype = TRW_SQL_INTEGER;
        n.vdata.vint = d.values[i];
        char t1[81], t2[32];
        rvalstr(&n, t1, 0, 0);
        std::snprintf(t2, sizeof t2, "%d", d.values[i]);
        if (std::strcmp(t1, t2) != 0)
            mismatch("INTEGER to text");
    }
}

template <typename F> void each_conversion(benchmark::State &state, F fn)
{
    static const bool checked = (check_conversions(), true);
    (void)checked;
    each(state, fn);
}

void BM_Valrec_TextToDecimal(benchmark::State &s)
{
    const auto &d = data();
    unsigned char out[DEC_STORED_MAX];
    valrec v;
    std::memset(&v, 0, sizeof v);
    v.vtype = TRW_SQL_CHAR;
    each_conversion(s, [&](size_t i) {
        v.vdata.vchar = const_cast<char *>(d.texts[i].c_str());
        v.vlen = static_cast<int>(d.texts[i].size());
        rvaldata(&v, reinterpret_cast<char *>(out), TRW_SQL_DECIMAL, kDec16_2);
        benchmark::DoNotOptimize(out);
    });
}
void BM_Floor_TextToDecimal(benchmark::State &s)
{
    const auto &d = data();
    unsigned char out[DEC_STORED_MAX];
    decvalue dec;
    each_conversion(s, [&](size_t i) {
        deccvasc(d.texts[i].c_str(), static_cast<int>(d.texts[i].size()), &dec);
        stdecimal(&dec, out, kDecLen);
        benchmark::DoNotOptimize(out);
    });
}
void BM_Valrec_IntegerToText(benchmark::State &s)
{
    const auto &d = data();
    char out[81];
    valrec v;
    std::memset(&v, 0, sizeof v);
    v.vtype = TRW_SQL_INTEGER;
    each_conversion(s, [&](size_t i) {
        v.vdata.vint = d.values[i];
        rvalstr(&v, out, 0, 0);
        benchmark::DoNotOptimize(out);
    });
}
void BM_Floor_IntegerToText(benchmark::State &s)
{
    const auto &d = data();
    char out[32];
    each_conversion(s, [&](size_t i) {
        std::snprintf(out, sizeof out, "%d", d.values[i]);
        benchmark::DoNotOptimize(out);
    });
}

// ---- SQLite ----

// One row per value: the integer, the double, the text; the values are
// duplicated from the stepped rows.
struct Sqlite {
    std::vector<sqlite3_value *> ints, doubles, texts;
    Sqlite()
    {
        sqlite3 *db = nullptr;
        sqlite3_open(":memory:", &db);
        sqlite3_exec(db, "create table t(i integer, d real, x text)", nullptr, nullptr, nullptr);
        sqlite3_stmt *ins = nullptr;
        sqlite3_prepare_v2(db, "insert into t values(?, ?, ?)", -1, &ins, nullptr);
        const Data &d = data();
        for (size_t i = 0; i < kCount; ++i) {
            double f;
            std::memcpy(&f, &d.doubles[i * 8], 8);
            sqlite3_bind_int64(ins, 1, d.values[i]);
            sqlite3_bind_double(ins, 2, f);
            sqlite3_bind_text(ins, 3, d.texts[i].c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(ins);
            sqlite3_reset(ins);
        }
        sqlite3_finalize(ins);
        sqlite3_stmt *sel = nullptr;
        sqlite3_prepare_v2(db, "select i, d, x from t order by rowid", -1, &sel, nullptr);
        while (sqlite3_step(sel) == SQLITE_ROW) {
            ints.push_back(sqlite3_value_dup(sqlite3_column_value(sel, 0)));
            doubles.push_back(sqlite3_value_dup(sqlite3_column_value(sel, 1)));
            texts.push_back(sqlite3_value_dup(sqlite3_column_value(sel, 2)));
        }
        sqlite3_finalize(sel);
        sqlite3_close(db);
        for (size_t i = 0; i < kCount; ++i) {
            double f;
            std::memcpy(&f, &d.doubles[i * 8], 8);
            if (sqlite3_value_int64(ints[i]) != d.values[i] || sqlite3_value_double(doubles[i]) != f)
                mismatch("SQLite values");
        }
    }
};

const Sqlite &sqlite_values()
{
    static const Sqlite s;
    return s;
}

void BM_Sqlite_Integer(benchmark::State &s)
{
    const auto &q = sqlite_values();
    each(s, [&](size_t i) { benchmark::DoNotOptimize(sqlite3_value_int64(q.ints[i])); });
}
void BM_Sqlite_Float(benchmark::State &s)
{
    const auto &q = sqlite_values();
    each(s, [&](size_t i) { benchmark::DoNotOptimize(sqlite3_value_double(q.doubles[i])); });
}
void BM_Sqlite_TextToDouble(benchmark::State &s)
{
    const auto &q = sqlite_values();
    each(s, [&](size_t i) {
        sqlite3_value *v = sqlite3_value_dup(q.texts[i]);
        benchmark::DoNotOptimize(sqlite3_value_double(v));
        sqlite3_value_free(v);
    });
}
void BM_Sqlite_IntegerToText(benchmark::State &s)
{
    const auto &q = sqlite_values();
    each(s, [&](size_t i) {
        sqlite3_value *v = sqlite3_value_dup(q.ints[i]);
        benchmark::DoNotOptimize(sqlite3_value_text(v));
        sqlite3_value_free(v);
    });
}
void BM_Sqlite_Text(benchmark::State &s)
{
    const auto &q = sqlite_values();
    each(s, [&](size_t i) { benchmark::DoNotOptimize(sqlite3_value_text(q.texts[i])); });
}

} // namespace

BENCHMARK(BM_Valrec_Integer);
BENCHMARK(BM_Floor_Integer);
BENCHMARK(BM_Sqlite_Integer);
BENCHMARK(BM_Valrec_Float);
BENCHMARK(BM_Floor_Float);
BENCHMARK(BM_Sqlite_Float);
BENCHMARK(BM_Valrec_Decimal16_2);
BENCHMARK(BM_Floor_Decimal16_2);
BENCHMARK(BM_Valrec_Char20);
BENCHMARK(BM_Floor_Char20);
BENCHMARK(BM_Sqlite_Text);
BENCHMARK(BM_Valrec_Date);
BENCHMARK(BM_Floor_Date);
BENCHMARK(BM_Valrec_Datetime);
BENCHMARK(BM_Floor_Datetime);
BENCHMARK(BM_Valrec_TextToDecimal);
BENCHMARK(BM_Floor_TextToDecimal);
BENCHMARK(BM_Sqlite_TextToDouble);
BENCHMARK(BM_Valrec_IntegerToText);
BENCHMARK(BM_Floor_IntegerToText);
BENCHMARK(BM_Sqlite_IntegerToText);
