// Speed of collections of 10^5 INTEGER elements against the floor and a
// peer measured in the same run on the same elements: the floor is the same
// work on a std::vector of the elements, the peer SQLite's JSON arrays
// (json_group_array to build one, json_each to walk it). Measured: walking
// with trw_coll_next with no change log and with 1% and 10% of the
// positions updated; appending; flattening the merged view (trw_coll_copy,
// the encoder trw_coll_tuple uses) of a 10% changed collection; hashing;
// and the stored form both ways. Every result is checked against the vector
// before timing.
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "collection.h"
#include "rtypes.h"

namespace {

constexpr int kCount = 100000;

void st4(uint32_t v, char *p)
{
    p[0] = static_cast<char>(v >> 24);
    p[1] = static_cast<char>(v >> 16);
    p[2] = static_cast<char>(v >> 8);
    p[3] = static_cast<char>(v);
}

uint32_t ld4(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return (uint32_t{u[0]} << 24) | (uint32_t{u[1]} << 16) | (uint32_t{u[2]} << 8) | u[3];
}

void fail(const char *what)
{
    std::fprintf(stderr, "coll_bench: %s differs\n", what);
    std::exit(1);
}

struct Data {
    std::vector<int32_t> values;
    std::vector<char> stored; // the data buffer: big-endian INTEGERs
    std::string json;         // the same elements as a JSON array
    trw_coll_typeentry entries[2]{};
    trw_coll_typedesc type{};
    sqlite3 *db = nullptr;
};

Data &data()
{
    static Data d = [] {
        Data x;
        uint32_t seed = 12345;
        x.json = "[";
        for (int i = 0; i < kCount; ++i) {
            seed = seed * 1103515245u + 12345u;
            x.values.push_back(static_cast<int32_t>(seed >> 8));
            x.json += (i ? "," : "") + std::to_string(x.values.back());
        }
        x.json += "]";
        x.stored.resize(4 * kCount);
        for (int i = 0; i < kCount; ++i)
            st4(static_cast<uint32_t>(x.values[i]), x.stored.data() + 4 * i);
        x.entries[0].type = TRW_SQL_LIST;
        x.entries[1].type = TRW_SQL_INTEGER;
        x.entries[1].level_no = 1;
        x.type.td_count = 2;
        x.type.td_entries = x.entries;
        sqlite3_open(":memory:", &x.db);
        sqlite3_exec(x.db, "CREATE TABLE t(v INTEGER)", nullptr, nullptr, nullptr);
        sqlite3_exec(x.db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *ins;
        sqlite3_prepare_v2(x.db, "INSERT INTO t VALUES(?)", -1, &ins, nullptr);
        for (int32_t v : x.values) {
            sqlite3_bind_int(ins, 1, v);
            sqlite3_step(ins);
            sqlite3_reset(ins);
        }
        sqlite3_finalize(ins);
        sqlite3_exec(x.db, "COMMIT", nullptr, nullptr, nullptr);
        return x;
    }();
    return d;
}

// A collection over the elements with every (100 / percent)-th position
// updated to the same value (so the view stays equal to the vector).
void make(trw_collection *c, int percent)
{
    Data &d = data();
    trw_coll_init(c, &d.type, 1, d.stored.data(), static_cast<int>(d.stored.size()));
    if (percent > 0)
        for (int pos = 1; pos <= kCount; pos += 100 / percent)
            trw_coll_update_pos(c, pos, d.stored.data() + 4 * (pos - 1), 4);
}

int64_t walk_coll(trw_collection *c)
{
    trw_coll_cursor cu;
    trw_coll_open(c, &cu);
    int64_t sum = 0;
    char *p = nullptr;
    int len;
    while (trw_coll_next(c, &cu, &p, &len) == 0) {
        sum += static_cast<int32_t>(ld4(p));
        p = nullptr;
    }
    trw_coll_close(c, &cu);
    return sum;
}

int64_t walk_vector(const std::vector<int32_t> &v)
{
    int64_t sum = 0;
    for (int32_t x : v)
        sum += x;
    return sum;
}

int64_t walk_sqlite()
{
    Data &d = data();
    sqlite3_stmt *st;
    sqlite3_prepare_v2(d.db, "SELECT value FROM json_each(?)", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, d.json.data(), static_cast<int>(d.json.size()), SQLITE_STATIC);
    int64_t sum = 0;
    while (sqlite3_step(st) == SQLITE_ROW)
        sum += sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    return sum;
}

std::string sqlite_text(const char *sql, const std::string *arg)
{
    Data &d = data();
    sqlite3_stmt *st;
    sqlite3_prepare_v2(d.db, sql, -1, &st, nullptr);
    if (arg != nullptr)
        sqlite3_bind_text(st, 1, arg->data(), static_cast<int>(arg->size()), SQLITE_STATIC);
    std::string out;
    if (sqlite3_step(st) == SQLITE_ROW)
        out.assign(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)), sqlite3_column_bytes(st, 0));
    sqlite3_finalize(st);
    return out;
}

uint32_t hash_vector(const std::vector<char> &b)
{
    uint32_t h = 0;
    for (size_t i = 0; i < b.size(); i += 4)
        h ^= ld4(b.data() + i);
    return h;
}

// Every result against the vector, once, before anything is timed.
const bool checked = [] {
    Data &d = data();
    const int64_t expect = walk_vector(d.values);
    for (int percent : {0, 1, 10}) {
        trw_collection c;
        make(&c, percent);
        if (walk_coll(&c) != expect)
            fail("walk");
        trw_collection copy;
        trw_coll_copy(&c, &copy);
        if (copy.cl_datalen != static_cast<int>(d.stored.size()) ||
            std::memcmp(copy.cl_data, d.stored.data(), d.stored.size()) != 0)
            fail("flatten");
        trw_coll_hash(&c);
        if (c.cl_hashvalue != hash_vector(d.stored))
            fail("hash");
        trw_coll_free(&copy);
        trw_coll_free(&c);
    }
    if (walk_sqlite() != expect)
        fail("json_each walk");
    if (sqlite_text("SELECT json_group_array(v) FROM t", nullptr) != d.json)
        fail("json_group_array");
    trw_collection c, back;
    make(&c, 0);
    std::vector<char> out(trw_coll_stored_size(&c, 1));
    if (stcollection(&c, out.data(), static_cast<int>(out.size()), 1) != 0 ||
        ldcollection(out.data(), static_cast<int>(out.size()), &back, 1) != 0 || walk_coll(&back) != expect)
        fail("stored form");
    trw_coll_free(&back);
    trw_coll_free(&c);
    return true;
}();

void BM_WalkColl(benchmark::State &state)
{
    trw_collection c;
    make(&c, static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(walk_coll(&c));
    state.SetItemsProcessed(state.iterations() * kCount);
    trw_coll_free(&c);
}
BENCHMARK(BM_WalkColl)->Arg(0)->Arg(1)->Arg(10);

void BM_WalkVector(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(walk_vector(data().values));
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_WalkVector);

void BM_WalkSqliteJsonEach(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(walk_sqlite());
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_WalkSqliteJsonEach);

void BM_AppendColl(benchmark::State &state)
{
    const std::vector<char> &s = data().stored;
    for (auto _ : state) {
        trw_collection c;
        trw_coll_init(&c, &data().type, 1, nullptr, 0);
        for (int i = 0; i < kCount; ++i)
            trw_coll_insert(&c, s.data() + 4 * i, 4, 0);
        benchmark::DoNotOptimize(c.cl_cardinality);
        trw_coll_free(&c);
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_AppendColl);

void BM_AppendVector(benchmark::State &state)
{
    for (auto _ : state) {
        std::vector<int32_t> v;
        for (int32_t x : data().values)
            v.push_back(x);
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_AppendVector);

void BM_AppendSqliteJsonGroupArray(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(sqlite_text("SELECT json_group_array(v) FROM t", nullptr));
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_AppendSqliteJsonGroupArray);

void BM_FlattenColl(benchmark::State &state)
{
    trw_collection c;
    make(&c, 10);
    for (auto _ : state) {
        trw_collection copy;
        trw_coll_copy(&c, &copy);
        benchmark::DoNotOptimize(copy.cl_data);
        trw_coll_free(&copy);
    }
    state.SetBytesProcessed(state.iterations() * 4 * int64_t{kCount});
    trw_coll_free(&c);
}
BENCHMARK(BM_FlattenColl);

void BM_FlattenVector(benchmark::State &state)
{
    for (auto _ : state) {
        std::vector<char> copy(data().stored);
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(state.iterations() * 4 * int64_t{kCount});
}
BENCHMARK(BM_FlattenVector);

void BM_FlattenSqliteJson(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(sqlite_text("SELECT json_group_array(value) FROM json_each(?)", &data().json));
    state.SetBytesProcessed(state.iterations() * 4 * int64_t{kCount});
}
BENCHMARK(BM_FlattenSqliteJson);

void BM_HashColl(benchmark::State &state)
{
    trw_collection c;
    make(&c, 0);
    for (auto _ : state) {
        c.cl_flags &= ~COLL_HASHVALID;
        trw_coll_hash(&c);
        benchmark::DoNotOptimize(c.cl_hashvalue);
    }
    state.SetBytesProcessed(state.iterations() * 4 * int64_t{kCount});
    trw_coll_free(&c);
}
BENCHMARK(BM_HashColl);

void BM_HashVector(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(hash_vector(data().stored));
    state.SetBytesProcessed(state.iterations() * 4 * int64_t{kCount});
}
BENCHMARK(BM_HashVector);

void BM_HashSqliteJsonEach(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(sqlite_text("SELECT total(value) FROM json_each(?)", &data().json));
    state.SetBytesProcessed(state.iterations() * 4 * int64_t{kCount});
}
BENCHMARK(BM_HashSqliteJsonEach);

void BM_StoreLoadColl(benchmark::State &state)
{
    trw_collection c;
    make(&c, 0);
    std::vector<char> out(trw_coll_stored_size(&c, 1));
    for (auto _ : state) {
        trw_collection back;
        stcollection(&c, out.data(), static_cast<int>(out.size()), 1);
        ldcollection(out.data(), static_cast<int>(out.size()), &back, 1);
        benchmark::DoNotOptimize(back.cl_cardinality);
        trw_coll_free(&back);
    }
    state.SetItemsProcessed(state.iterations() * kCount);
    trw_coll_free(&c);
}
BENCHMARK(BM_StoreLoadColl);

void BM_StoreLoadVector(benchmark::State &state)
{
    std::vector<char> out(4 * kCount);
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i)
            st4(static_cast<uint32_t>(data().values[i]), out.data() + 4 * i);
        std::vector<int32_t> back(kCount);
        for (int i = 0; i < kCount; ++i)
            back[i] = static_cast<int32_t>(ld4(out.data() + 4 * i));
        benchmark::DoNotOptimize(back.data());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_StoreLoadVector);

void BM_StoreLoadSqliteJson(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(sqlite_text("SELECT json(?)", &data().json));
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_StoreLoadSqliteJson);

} // namespace
