// libFuzzer target for change logs: the input drives inserts (appended and
// positioned), updates through a cursor and by position, deletes, delete-all,
// positioning, next and flattening on a LIST or MULTISET of VARCHAR (byte 0)
// with two cursors, and every step is compared with a plain vector of the
// elements and the cursor rules kept here.
#include <algorithm>
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
            std::fprintf(stderr, "collseq_fuzz: property at line %d broken\n", __LINE__); \
            std::abort(); \
        } \
    } while (0)

struct Input {
    const uint8_t *p;
    size_t n;
    int next() { return n > 0 ? (--n, *p++) : 0; }
};

struct MCursor {
    int pos = 0;
    bool deleted = false;
};

struct Run {
    trw_collection c;
    trw_coll_cursor cu[2];
    MCursor m[2];
    std::vector<std::string> model;
    bool list;

    bool other_on(int ci, int r) const
    {
        for (int i = 0; i < 2; ++i)
            if (i != ci && m[i].pos == r && !m[i].deleted)
                return true;
        return false;
    }

    void remove(int ci, int r)
    {
        model.erase(model.begin() + (r - 1));
        for (int i = 0; i < 2; ++i)
            if (i != ci && m[i].pos > r)
                --m[i].pos;
        if (ci >= 0)
            m[ci].deleted = true;
    }

    void step(Input *in)
    {
        const int op = in->next() % 9;
        const int ci = in->next() & 1;
        const int arg = in->next();
        std::string v(static_cast<size_t>(arg % 5), static_cast<char>('a' + arg % 3));
        const int n = static_cast<int>(model.size());
        const int r = n > 0 ? 1 + arg % (n + 1) : 1;
        int rc;
        switch (op) {
        case 0:
            require(trw_coll_insert(&c, v.data(), static_cast<int>(v.size()), 0) == 0);
            model.push_back(v);
            for (auto &x : m)
                if (x.pos >= n + 1)
                    ++x.pos;
            break;
        case 1:
            rc = trw_coll_insert(&c, v.data(), static_cast<int>(v.size()), r);
            if (!list) {
                require(rc == TRW_COLL_ENOTLIST);
                break;
            }
            require(rc == 0);
            model.insert(model.begin() + (r - 1), v);
            for (auto &x : m)
                if (x.pos >= r)
                    ++x.pos;
            break;
        case 2:
            rc = trw_coll_update(&c, &cu[ci], v.data(), static_cast<int>(v.size()));
            if (m[ci].deleted)
                require(rc == TRW_COLL_EDELETED);
            else if (m[ci].pos < 1 || m[ci].pos > n)
                require(rc == TRW_COLL_ECORRUPT);
            else if (other_on(ci, m[ci].pos))
                require(rc == TRW_COLL_EUPDBUSY);
            else {
                require(rc == 0);
                model[m[ci].pos - 1] = v;
            }
            break;
        case 3:
            rc = trw_coll_update_pos(&c, r, v.data(), static_cast<int>(v.size()));
            if (r > n)
                require(rc == TRW_COLL_NOTFOUND);
            else if (other_on(-1, r))
                require(rc == TRW_COLL_EUPDBUSY);
            else {
                require(rc == 0);
                model[r - 1] = v;
            }
            break;
        case 4:
            rc = trw_coll_delete(&c, &cu[ci], 0);
            if (m[ci].deleted)
                require(rc == TRW_COLL_EDELETED);
            else if (m[ci].pos < 1 || m[ci].pos > n)
                require(rc == TRW_COLL_ECORRUPT);
            else if (other_on(ci, m[ci].pos))
                require(rc == TRW_COLL_EDELBUSY);
            else {
                require(rc == 0);
                remove(ci, m[ci].pos);
            }
            break;
        case 5:
            if (arg % 8 != 0)
                break;
            rc = trw_coll_delete(&c, &cu[ci], TRW_COLL_DELETE_ALL);
            if (m[1 - ci].pos == 0) {
                require(rc == TRW_COLL_EDELBUSY);
                break;
            }
            require(rc == 0);
            model.clear();
            m[0] = m[1] = MCursor{};
            break;
        case 6: {
            const int p = arg % (n + 2);
            rc = trw_coll_pos(&c, &cu[ci], p);
            if (p > n) {
                require(rc == TRW_COLL_NOTFOUND);
            } else {
                require(rc == 0);
                m[ci] = MCursor{p, false};
            }
            break;
        }
        case 7: {
            const int target = m[ci].deleted ? std::max(m[ci].pos, 1) : m[ci].pos + 1;
            m[ci].deleted = false;
            char *p = nullptr;
            int len = 0;
            rc = trw_coll_next(&c, &cu[ci], &p, &len);
            if (target > n) {
                require(rc == TRW_COLL_NOTFOUND);
            } else {
                require(rc == 0 && std::string(p, len) == model[target - 1]);
                m[ci].pos = target;
            }
            break;
        }
        default:
            require(trw_coll_tuple(&c) == 0);
            break;
        }
    }

    void check()
    {
        trw_coll_cursor w;
        require(trw_coll_open(&c, &w) == 0);
        for (const std::string &e : model) {
            char *p = nullptr;
            int len = 0;
            require(trw_coll_next(&c, &w, &p, &len) == 0 && std::string(p, len) == e);
        }
        char *p = nullptr;
        int len = 0;
        require(trw_coll_next(&c, &w, &p, &len) == TRW_COLL_NOTFOUND);
        require(trw_coll_close(&c, &w) == 0);
        require(c.cl_cardinality == static_cast<int>(model.size()));
        for (int i = 0; i < 2; ++i)
            require(cu[i].cu_pos == m[i].pos && ((cu[i].cu_flags & TRW_CURS_DELETED) != 0) == m[i].deleted);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    Input in{data + 1, size - 1};
    trw_coll_typeentry entries[2];
    std::memset(entries, 0, sizeof entries);
    entries[0].type = static_cast<int16_t>(data[0] & 1 ? TRW_SQL_LIST : TRW_SQL_MULTISET);
    entries[1].type = TRW_SQL_VARCHAR;
    entries[1].level_no = 1;
    trw_coll_typedesc type{};
    type.td_count = 2;
    type.td_entries = entries;
    Run run;
    run.list = data[0] & 1;
    require(trw_coll_init(&run.c, &type, 1, nullptr, 0) == 0);
    for (auto &cu : run.cu)
        require(trw_coll_open(&run.c, &cu) == 0);
    while (in.n > 0) {
        run.step(&in);
        run.check();
    }
    for (auto &cu : run.cu)
        require(trw_coll_close(&run.c, &cu) == 0);
    require(trw_coll_free(&run.c) == 0);
    return 0;
}
