// libFuzzer target for the stored forms of collections. Byte 0 picks the
// name width (bit 0) and the form (bit 1: the second form, loaded into a
// record of a type picked by byte 1); the rest is the stored form. What
// loads must walk, hash and store, and what it stores must load to the same
// view and store to the same bytes again. A form that cannot be read gives
// a clear error.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "collection.h"
#include "rtypes.h"

namespace {

#define require(ok) \
    do { \
        if (!(ok)) { \
            std::fprintf(stderr, "collload_fuzz: property at line %d broken\n", __LINE__); \
            std::abort(); \
        } \
    } while (0)

std::vector<std::string> view(trw_collection *c)
{
    std::vector<std::string> out;
    if (c->cl_flags & COLL_ISNULL)
        return out;
    trw_coll_cursor cu;
    require(trw_coll_open(c, &cu) == 0);
    for (;;) {
        char *p = nullptr;
        int len = 0;
        const int rc = trw_coll_next(c, &cu, &p, &len);
        if (rc != 0) {
            require(rc == TRW_COLL_NOTFOUND || rc == TRW_COLL_ECORRUPT);
            break;
        }
        require(len >= 0);
        out.emplace_back(p, len);
    }
    require(trw_coll_close(c, &cu) == 0);
    return out;
}

std::string store(trw_collection *c, int longids, int form)
{
    const int size = form ? 12 + c->cl_datalen + 64 : trw_coll_stored_size(c, longids);
    if (size < 0)
        return std::string();
    std::string out(size > 0 ? size : 1, '\0');
    int written = 0;
    const int rc = udtstore(c, out.data(), size, longids, form, &written);
    require(rc == 0 || rc == TRW_COLL_EROWCOUNT || rc == TRW_COLL_ECORRUPT || rc == TRW_COLL_ENOTYPE);
    if (rc != 0)
        return std::string();
    out.resize(written);
    return out;
}

bool is_error(int rc)
{
    return rc == TRW_COLL_ECORRUPT || rc == TRW_COLL_ENOTYPE || rc == TRW_COLL_ELOADMEM || rc == TRW_COLL_EFORM ||
           rc == TRW_COLL_EROWCOUNT;
}

trw_coll_typeentry entries[4][3];
trw_coll_typedesc types[4];

void make_types()
{
    const int kinds[4][3] = {{TRW_SQL_LIST, TRW_SQL_VARCHAR, -1},
                             {TRW_SQL_SET, TRW_SQL_INTEGER, -1},
                             {TRW_SQL_MULTISET, TRW_SQL_SET, TRW_SQL_INTEGER},
                             {TRW_SQL_ROW, TRW_SQL_INTEGER, TRW_SQL_CHAR}};
    for (int t = 0; t < 4; ++t) {
        int n = 0;
        for (int i = 0; i < 3 && kinds[t][i] >= 0; ++i, ++n) {
            std::memset(&entries[t][i], 0, sizeof entries[t][i]);
            entries[t][i].type = static_cast<int16_t>(kinds[t][i]);
            entries[t][i].level_no = static_cast<int16_t>(t == 3 ? (i > 0) : i);
            entries[t][i].length = 3;
        }
        types[t].td_count = static_cast<int16_t>(n);
        types[t].td_entries = entries[t];
    }
}

void check_loaded(trw_collection *c, int longids, int form)
{
    const std::vector<std::string> v = view(c);
    trw_coll_hash(c);
    char text[2048];
    const int trc = trw_cltypetostr(c, text, sizeof text);
    require(trc == 0 || trc == TRW_COLL_ESIZE);
    const std::string first = store(c, longids, form);
    if (first.empty())
        return;
    trw_collection again;
    int rc;
    if (form) {
        require(trw_coll_init(&again, const_cast<trw_coll_typedesc *>(c->cl_typed ? c->cl_typeinfo : c->cl_svr_typeinfo),
                              c->cl_typed, nullptr, 0) == 0);
        rc = ldudt(first.data(), static_cast<int>(first.size()), &again);
    } else {
        rc = ldcollection(first.data(), static_cast<int>(first.size()), &again, longids);
    }
    require(rc == 0);
    require(view(&again) == v);
    require(store(&again, longids, form) == first);
    trw_coll_free(&again);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || size > 1 << 16)
        return 0;
    static bool made = false;
    if (!made) {
        make_types();
        made = true;
    }
    const int longids = data[0] & 1;
    const int form = (data[0] >> 1) & 1;
    const char *in = reinterpret_cast<const char *>(data + 2);
    const int len = static_cast<int>(size - 2);
    trw_collection c;
    if (form) {
        if (trw_coll_init(&c, &types[data[1] & 3], 1, nullptr, 0) != 0)
            return 0;
        const int rc = ldudt(in, len, &c);
        require(rc == 0 || is_error(rc));
    } else {
        const int rc = ldcollection(in, len, &c, longids);
        require(rc == 0 || is_error(rc));
        if (rc != 0)
            return 0;
    }
    check_loaded(&c, longids, form);
    trw_coll_free(&c);
    return 0;
}
