// Value expressions: excmp (<), exadd, exmul and exdiv on INTEGER,
// DECIMAL(16,2), FLOAT and DATE operands, exmatch (LIKE) on a 40-character
// text, and rvalcvar of an INTEGER into a character buffer and of a DECIMAL
// into a DECIMAL host variable. Each against its floor, the underlying
// routine alone (a C operation, deccmp, decadd, decmul, decdiv, the
// compiled and the direct matcher, snprintf, chkprec and a copy), and
// against SQLite evaluating the same expression on bound values (bind, step,
// reset per evaluation). Results are checked equal before timing.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "decconv.h"
#include "hostvar.h"
#include "rwildmat.h"
#include "valexpr.h"

#ifdef TRW_HAVE_SQLITE
#include <sqlite3.h>
#endif

namespace {

const bool environment_set = [] {
    setenv("TARNWELLDIR", TRW_DATA_DIR, 0);
    return true;
}();

enum Kind { Integer, Decimal, Float, Date };

valrec operand(Kind k, int which)
{
    valrec v;
    std::memset(&v, 0, sizeof v);
    switch (k) {
    case Integer: v.vtype = TRW_SQL_INTEGER; v.vprec = VAL_PREC_INTEGER; v.vdata.vint = which ? 123457 : 98765; break;
    case Date: v.vtype = TRW_SQL_DATE; v.vprec = VAL_PREC_INTEGER; v.vdata.vint = which ? 45123 : 30; break;
    case Float: v.vtype = TRW_SQL_FLOAT; v.vprec = VAL_PREC_FLOAT; v.vdata.vdouble = which ? 1234.5678 : 3.25; break;
    case Decimal: {
        const char *t = which ? "12345678901234.56" : "98765.43";
        v.vtype = TRW_SQL_DECIMAL;
        v.vprec = 0x1002;
        deccvasc(t, static_cast<int>(std::strlen(t)), &v.vdata.vdec);
        break;
    }
    }
    return v;
}

using Op = int (*)(valrec *, valrec *, valrec *);
int cmp_lt(valrec *a, valrec *b, valrec *r) { return excmp(EXOP_LT, a, b, r); }

const Op kOps[] = {cmp_lt, exadd, exmul, exdiv};
const char *const kSql[] = {"SELECT ?1 < ?2", "SELECT ?1 + ?2", "SELECT ?1 * ?2", "SELECT ?1 / ?2"};

// The floor: what the operator's work comes down to, as a double for the
// check (the compare as 0 or 1).
double floor_of(int op, Kind k, const valrec &a, const valrec &b)
{
    if (k == Decimal) {
        decvalue r;
        switch (op) {
        case 0: return deccmp(&a.vdata.vdec, &b.vdata.vdec) < 0;
        case 1: decadd(&a.vdata.vdec, &b.vdata.vdec, &r); break;
        case 2: decmul(&a.vdata.vdec, &b.vdata.vdec, &r); break;
        default: decdiv(&a.vdata.vdec, &b.vdata.vdec, &r); break;
        }
        double d;
        dectodbl(&r, &d);
        return d;
    }
    const double x = k == Float ? a.vdata.vdouble : a.vdata.vint, y = k == Float ? b.vdata.vdouble : b.vdata.vint;
    switch (op) {
    case 0: return x < y;
    case 1: return x + y;
    case 2: return x * y;
    default: return k == Date ? static_cast<double>(a.vdata.vint / b.vdata.vint) : x / y;
    }
}

double value_of(const valrec &r)
{
    switch (r.vtype & 0xFF) {
    case TRW_SQL_SMALLINT: return r.vdata.vshort;
    case TRW_SQL_INTEGER: case TRW_SQL_DATE: return r.vdata.vint;
    case TRW_SQL_FLOAT: return r.vdata.vdouble;
    default: {
        double d;
        dectodbl(&r.vdata.vdec, &d);
        return d;
    }
    }
}

bool close(double x, double y) { return x == y || std::fabs((x - y) / (y == 0 ? 1 : y)) < 1e-12; }

void BM_Operator(benchmark::State &state)
{
    const int op = static_cast<int>(state.range(0));
    const Kind k = static_cast<Kind>(state.range(1));
    valrec a = operand(k, 1), b = operand(k, 0), r;
    if (kOps[op](&a, &b, &r) != 0 || !close(value_of(r), floor_of(op, k, a, b))) {
        state.SkipWithError("operator result differs from its floor");
        return;
    }
    for (auto _ : state) {
        kOps[op](&a, &b, &r);
        benchmark::DoNotOptimize(r);
    }
}

void BM_Floor(benchmark::State &state)
{
    const int op = static_cast<int>(state.range(0));
    const Kind k = static_cast<Kind>(state.range(1));
    valrec a = operand(k, 1), b = operand(k, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        if (k == Decimal) {
            decvalue r;
            int c = 0;
            switch (op) {
            case 0: c = deccmp(&a.vdata.vdec, &b.vdata.vdec); break;
            case 1: decadd(&a.vdata.vdec, &b.vdata.vdec, &r); break;
            case 2: decmul(&a.vdata.vdec, &b.vdata.vdec, &r); break;
            default: decdiv(&a.vdata.vdec, &b.vdata.vdec, &r); break;
            }
            benchmark::DoNotOptimize(c);
            benchmark::DoNotOptimize(r);
        } else if (k == Integer && op > 0) {
            // INTEGER arithmetic is worked in DECIMAL.
            decvalue x, y, r;
            deccvlong(a.vdata.vint, &x);
            deccvlong(b.vdata.vint, &y);
            switch (op) {
            case 1: decadd(&x, &y, &r); break;
            case 2: decmul(&x, &y, &r); break;
            default: decdiv(&x, &y, &r); break;
            }
            benchmark::DoNotOptimize(r);
        } else {
            benchmark::DoNotOptimize(floor_of(op, k, a, b));
        }
    }
}

#ifdef TRW_HAVE_SQLITE
struct Sqlite {
    sqlite3 *db = nullptr;
    sqlite3_stmt *stmt = nullptr;
    explicit Sqlite(const char *sql)
    {
        sqlite3_open(":memory:", &db);
        sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    }
    ~Sqlite()
    {
        sqlite3_finalize(stmt);
        sqlite3_close(db);
    }
};

void bind(sqlite3_stmt *s, int i, Kind k, const valrec &v)
{
    if (k == Float)
        sqlite3_bind_double(s, i, v.vdata.vdouble);
    else if (k == Decimal) {
        double d;
        dectodbl(&v.vdata.vdec, &d);
        sqlite3_bind_double(s, i, d);
    } else
        sqlite3_bind_int(s, i, v.vdata.vint);
}

void BM_Sqlite(benchmark::State &state)
{
    const int op = static_cast<int>(state.range(0));
    const Kind k = static_cast<Kind>(state.range(1));
    valrec a = operand(k, 1), b = operand(k, 0);
    Sqlite q(kSql[op]);
    bind(q.stmt, 1, k, a);
    bind(q.stmt, 2, k, b);
    sqlite3_step(q.stmt);
    const double check = sqlite3_column_double(q.stmt, 0);
    sqlite3_reset(q.stmt);
    if (k != Integer && k != Date && !close(check, floor_of(op, k, a, b))) {
        state.SkipWithError("SQLite result differs");
        return;
    }
    for (auto _ : state) {
        bind(q.stmt, 1, k, a);
        bind(q.stmt, 2, k, b);
        sqlite3_step(q.stmt);
        benchmark::DoNotOptimize(sqlite3_column_double(q.stmt, 0));
        sqlite3_reset(q.stmt);
    }
}
#endif

void operator_args(benchmark::internal::Benchmark *b)
{
    for (int op = 0; op < 4; ++op)
        for (int k = Integer; k <= Date; ++k)
            b->Args({op, k});
    b->ArgNames({"op", "type"});
}

BENCHMARK(BM_Operator)->Apply(operator_args);
BENCHMARK(BM_Floor)->Apply(operator_args);
#ifdef TRW_HAVE_SQLITE
BENCHMARK(BM_Sqlite)->Apply(operator_args);
#endif

// ---- LIKE on a 40-character text ----

const std::string kText = "qwertyabcuiopasdfghjkzdefxcvbnmqwertyuio";
const char kLike[] = "%abc%_def%";

valrec chars(const char *s, int n)
{
    valrec v;
    std::memset(&v, 0, sizeof v);
    v.vtype = TRW_SQL_CHAR;
    v.vdata.vchar = const_cast<char *>(s);
    v.vlen = n;
    return v;
}

void BM_ExmatchLike(benchmark::State &state)
{
    valrec a = chars(kText.data(), 40), b = chars(kLike, static_cast<int>(std::strlen(kLike))), r;
    if (exmatch(EXOP_LIKE, &a, &b, &r) != 0 || r.vdata.vshort != 1) {
        state.SkipWithError("no match");
        return;
    }
    for (auto _ : state) {
        exmatch(EXOP_LIKE, &a, &b, &r);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ExmatchLike);

void BM_DirectMatcher(benchmark::State &state)
{
    const int m = static_cast<int>(std::strlen(kLike));
    if (rescfixstrmatch(kText.data(), 40, kLike, m, '%', '_', '\\') != 1) {
        state.SkipWithError("no match");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(rescfixstrmatch(kText.data(), 40, kLike, m, '%', '_', '\\'));
}
BENCHMARK(BM_DirectMatcher);

void BM_CompiledMatcher(benchmark::State &state)
{
    uint32_t w[16] = {};
    for (size_t i = 0; kLike[i]; ++i)
        w[i] = static_cast<unsigned char>(kLike[i]);
    relist *list = rcnvtorelist(w, '%', '_', '\\', 0);
    if (list == nullptr || rrewildmatch(kText.data(), 40, list, 0) != 1) {
        state.SkipWithError("no match");
        rfreerelist(list);
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(rrewildmatch(kText.data(), 40, list, 0));
    rfreerelist(list);
}
BENCHMARK(BM_CompiledMatcher);

#ifdef TRW_HAVE_SQLITE
void BM_SqliteLike(benchmark::State &state)
{
    Sqlite q("SELECT ?1 LIKE ?2");
    sqlite3_bind_text(q.stmt, 1, kText.data(), 40, SQLITE_STATIC);
    sqlite3_bind_text(q.stmt, 2, kLike, -1, SQLITE_STATIC);
    sqlite3_step(q.stmt);
    if (sqlite3_column_int(q.stmt, 0) != 1) {
        state.SkipWithError("no match");
        return;
    }
    sqlite3_reset(q.stmt);
    for (auto _ : state) {
        sqlite3_bind_text(q.stmt, 1, kText.data(), 40, SQLITE_STATIC);
        sqlite3_bind_text(q.stmt, 2, kLike, -1, SQLITE_STATIC);
        sqlite3_step(q.stmt);
        benchmark::DoNotOptimize(sqlite3_column_int(q.stmt, 0));
        sqlite3_reset(q.stmt);
    }
}
BENCHMARK(BM_SqliteLike);
#endif

// ---- host variables out ----

void BM_RvalcvarIntegerToChar(benchmark::State &state)
{
    valrec v = operand(Integer, 1);
    char out[16], ref[16];
    std::snprintf(ref, sizeof ref, "%-15d", v.vdata.vint);
    if (rvalcvar(&v, out, TRW_HOST_CHAR, 16, nullptr) != 0 || std::strcmp(out, ref) != 0) {
        state.SkipWithError("text differs from snprintf");
        return;
    }
    for (auto _ : state) {
        rvalcvar(&v, out, TRW_HOST_CHAR, 16, nullptr);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_RvalcvarIntegerToChar);

void BM_SnprintfInteger(benchmark::State &state)
{
    valrec v = operand(Integer, 1);
    char out[16];
    for (auto _ : state) {
        benchmark::DoNotOptimize(v);
        std::snprintf(out, sizeof out, "%-15d", v.vdata.vint);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_SnprintfInteger);

void BM_RvalcvarDecimal(benchmark::State &state)
{
    valrec v = operand(Decimal, 1);
    decvalue out, ref = v.vdata.vdec;
    chkprec(&ref, 0x1202);
    if (rvalcvar(&v, &out, TRW_HOST_DECIMAL, 0x1202, nullptr) != 0 || deccmp(&out, &ref) != 0) {
        state.SkipWithError("DECIMAL differs from chkprec");
        return;
    }
    for (auto _ : state) {
        rvalcvar(&v, &out, TRW_HOST_DECIMAL, 0x1202, nullptr);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_RvalcvarDecimal);

void BM_ChkprecCopy(benchmark::State &state)
{
    valrec v = operand(Decimal, 1);
    decvalue out;
    for (auto _ : state) {
        decvalue d = v.vdata.vdec;
        benchmark::DoNotOptimize(d);
        chkprec(&d, 0x1202);
        std::memcpy(&out, &d, sizeof out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ChkprecCopy);

} // namespace
