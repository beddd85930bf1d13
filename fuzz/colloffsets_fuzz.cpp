// libFuzzer target for data buffers attached to a collection: byte 0 picks
// the type (variable-size elements, a ROW, nested values, fixed-size
// elements), the rest is the buffer with whatever offset table it ends in.
// An attached buffer is checked (-9986, -9989 for what cannot be walked);
// what is accepted walks inside the buffer, hashes, flattens, copies and
// compares equal to its copy.
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
            std::fprintf(stderr, "colloffsets_fuzz: property at line %d broken\n", __LINE__); \
            std::abort(); \
        } \
    } while (0)

struct Kind {
    int types[4];
    int levels[4];
};

const Kind kKinds[] = {
    {{TRW_SQL_LIST, TRW_SQL_VARCHAR, -1, -1}, {0, 1, 0, 0}},
    {{TRW_SQL_ROW, TRW_SQL_INTEGER, TRW_SQL_VARCHAR, TRW_SQL_SET}, {0, 1, 1, 1}},
    {{TRW_SQL_MULTISET, TRW_SQL_SET, TRW_SQL_INTEGER, -1}, {0, 1, 2, 0}},
    {{TRW_SQL_SET, TRW_SQL_SMALLINT, -1, -1}, {0, 1, 0, 0}},
};

std::vector<std::string> walk(trw_collection *c, const char *lo, const char *hi)
{
    std::vector<std::string> out;
    trw_coll_cursor cu;
    require(trw_coll_open(c, &cu) == 0);
    for (;;) {
        char *p = nullptr;
        int len = 0;
        const int rc = trw_coll_next(c, &cu, &p, &len);
        if (rc != 0) {
            require(rc == TRW_COLL_NOTFOUND);
            break;
        }
        require(len >= 0 && (len == 0 || (p >= lo && p + len <= hi)));
        out.emplace_back(p, len);
    }
    require(trw_coll_close(c, &cu) == 0);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 1 << 16)
        return 0;
    const Kind &k = kKinds[data[0] % 4];
    trw_coll_typeentry entries[4];
    trw_coll_typedesc type{};
    int n = 0;
    for (; n < 4 && k.types[n] >= 0; ++n) {
        std::memset(&entries[n], 0, sizeof entries[n]);
        entries[n].type = static_cast<int16_t>(k.types[n]);
        entries[n].level_no = static_cast<int16_t>(k.levels[n]);
        entries[n].length = 10;
    }
    type.td_count = static_cast<int16_t>(n);
    type.td_entries = entries;
    std::string buf(reinterpret_cast<const char *>(data + 1), size - 1);
    trw_collection c;
    const int rc = trw_coll_init(&c, &type, 1, buf.empty() ? nullptr : buf.data(), static_cast<int>(buf.size()));
    require(rc == 0 || rc == TRW_COLL_ECORRUPT || rc == TRW_COLL_EROWCOUNT);
    if (rc != 0)
        return 0;
    const std::vector<std::string> v = walk(&c, buf.data(), buf.data() + buf.size());
    require(static_cast<int>(v.size()) == c.cl_cardinality);
    trw_coll_hash(&c);
    trw_collection copy;
    require(trw_coll_copy(&c, &copy) == 0);
    int equal = 0, isnull = 0;
    const int erc = trw_coll_equal(&c, &copy, &equal, &isnull);
    require(erc == 0 || erc == TRW_COLL_ECORRUPT || erc == TRW_COLL_EKIND || erc == TRW_COLL_ENOTYPE);
    if (erc == 0 && !isnull && data[0] % 4 != 2)
        require(equal == 1);
    trw_coll_hash(&copy);
    require(copy.cl_hashvalue == c.cl_hashvalue);
    require(walk(&copy, copy.cl_data, copy.cl_data + copy.cl_datalen) == v);
    trw_coll_free(&copy);
    trw_coll_free(&c);
    return 0;
}
