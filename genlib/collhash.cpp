// Collections: the hash (trw_coll_hash), equality (mi_trw_coll_equal,
// trw_coll_equal) and membership (trw_coll_inpred and its variants).
//
// The hash is the XOR of the element hashes, so it does not depend on the
// order of the elements. Equality of SETs and MULTISETs sorts both sides by
// element hash; elements of equal hash (with 211 character hashes, distinct
// elements often share one) are matched as a multiset: each element of one
// side must find an unused equal partner on the other.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "collint.h"
#include "rtypes.h"

namespace coll {

namespace {

uint32_t pjw(const char *p, int len)
{
    uint32_t h = 0;
    for (int i = 0; i < len && p[i] != '\0'; ++i) {
        h = (h << 4) + static_cast<unsigned char>(p[i]);
        const uint32_t g = h & 0xF0000000u;
        if (g != 0) {
            h ^= g >> 24;
            h ^= g;
        }
    }
    return h % 211;
}

uint32_t words(const char *p, int64_t len)
{
    uint64_t acc = 0;
    int64_t i = 0;
    for (; i + 8 <= len; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        acc ^= w;
    }
    uint32_t lo = static_cast<uint32_t>(acc) ^ static_cast<uint32_t>(acc >> 32);
    uint32_t h = __builtin_bswap32(lo); // XOR of native words, as big-endian words
    for (; i < len; i += 4) {
        char tail[4] = {0, 0, 0, 0};
        std::memcpy(tail, p + i, len - i < 4 ? len - i : 4);
        h ^= ld4(tail);
    }
    return h;
}

struct Item {
    uint32_t hash;
    int pos;
    const char *p;
    int len;
};

// The elements of the merged view with their hashes (malloc'd).
int collect(const trw_collection *c, Item **items)
{
    const int n = c->cl_cardinality;
    *items = static_cast<Item *>(std::malloc(sizeof(Item) * (n > 0 ? n : 1)));
    if (*items == nullptr)
        return TRW_COLL_ENOMEM;
    ViewState s;
    for (int pos = 1; pos <= n; ++pos) {
        Item &it = (*items)[pos - 1];
        int rc = seek(c, &s, pos);
        if (rc == 0)
            rc = fetch(c, &s, &it.p, &it.len);
        if (rc != 0) {
            std::free(*items);
            *items = nullptr;
            return rc == TRW_COLL_NOTFOUND ? TRW_COLL_ECORRUPT : rc;
        }
        const trw_coll_typeentry *e = elem_entry(c, pos);
        it.pos = pos;
        it.hash = e != nullptr ? elem_hash(e, it.p, it.len) : 0;
    }
    return 0;
}

// Compares two elements of field fieldno: *same 1 when equal. Nested values
// compared with the default comparison are compared as collections.
int elem_equal(trw_collection *a, trw_collection *b, int fieldno, const Item &x, const Item &y, trw_coll_cmpfn cmp,
               void *ctx, int *same, int *undecided)
{
    const trw_coll_typeentry *e = elem_entry(a, fieldno);
    *same = 0;
    if (e == nullptr)
        return TRW_COLL_ENOTYPE;
    if (!comparable(e)) {
        *undecided = 1;
        return 0;
    }
    if (is_nested_code(code_of(e->type)) && cmp == default_cmp) {
        trw_collection na, nb;
        int rc = trw_coll_set_nested_coll(a, fieldno, x.p, x.len, &na);
        if (rc != 0)
            return rc;
        rc = trw_coll_set_nested_coll(b, fieldno, y.p, y.len, &nb);
        if (rc != 0) {
            trw_coll_free(&na);
            return rc;
        }
        int isnull = 0;
        rc = trw_coll_equal(&na, &nb, same, &isnull);
        if (isnull)
            *same = (na.cl_flags & COLL_ISNULL) && (nb.cl_flags & COLL_ISNULL);
        trw_coll_free(&na);
        trw_coll_free(&nb);
        return rc;
    }
    *same = cmp(x.p, x.len, y.p, y.len, static_cast<uint16_t>(e->type), ctx) == 0;
    return 0;
}

bool by_hash(const Item &x, const Item &y) { return x.hash < y.hash || (x.hash == y.hash && x.pos < y.pos); }

// Matches the runs of equal hash as multisets.
int match_sets(trw_collection *a, trw_collection *b, Item *xa, Item *xb, int n, trw_coll_cmpfn cmp, void *ctx,
               int *equal, int *undecided)
{
    std::sort(xa, xa + n, by_hash);
    std::sort(xb, xb + n, by_hash);
    *equal = 1;
    for (int i = 0; i < n && *equal; i++)
        *equal = xa[i].hash == xb[i].hash;
    for (int start = 0; start < n && *equal && !*undecided;) {
        int end = start + 1;
        while (end < n && xa[end].hash == xa[start].hash)
            ++end;
        // Within the run, an element of b is used once its pos is negated.
        for (int i = start; i < end && *equal && !*undecided; ++i) {
            int same = 0;
            for (int j = start; j < end && !same; ++j) {
                if (xb[j].pos < 0)
                    continue;
                const int rc = elem_equal(a, b, 1, xa[i], xb[j], cmp, ctx, &same, undecided);
                if (rc != 0)
                    return rc;
                if (same)
                    xb[j].pos = -xb[j].pos;
            }
            *equal = same;
        }
        start = end;
    }
    return 0;
}

} // namespace

uint32_t elem_hash(const trw_coll_typeentry *e, const char *p, int len)
{
    const int code = code_of(e->type);
    if (is_char_code(code))
        return pjw(p, len);
    if (is_nested_code(code))
        return len >= TRW_NESTED_HEADER && p[2] == 0 ? ld4(p + 12) : 0;
    if (is_opaque_code(code))
        return len > 5 ? words(p + 5, len - 5) : 0;
    return words(p, len);
}

uint32_t view_hash(const trw_collection *c)
{
    if ((c->cl_flags & COLL_ISNULL) || c->cl_cardinality == 0)
        return 0;
    const int kind = kind_of(c);
    if (kind != TRW_SQL_ROW) {
        const trw_coll_typeentry *e = field_entry(c, 1);
        if (e == nullptr)
            return TRW_COLL_NOTYPE_HASH;
        // Fixed-size words without changes: one pass over the buffer.
        if (c->cl_log == nullptr && c->cl_isfixed && c->cl_elsize % 4 == 0 && !is_char_code(code_of(e->type)))
            return words(c->cl_data, static_cast<int64_t>(c->cl_ndata) * c->cl_elsize);
    }
    uint32_t h = 0;
    ViewState s;
    for (int pos = 1; pos <= c->cl_cardinality; ++pos) {
        const char *p;
        int len;
        if (seek(c, &s, pos) != 0 || fetch(c, &s, &p, &len) != 0)
            return h;
        const trw_coll_typeentry *e = elem_entry(c, pos);
        if (e == nullptr)
            return TRW_COLL_NOTYPE_HASH;
        h ^= elem_hash(e, p, len);
    }
    return h;
}

int default_cmp(const char *a, int alen, const char *b, int blen, int, void *)
{
    if (alen != blen)
        return alen < blen ? -1 : 1;
    return alen == 0 ? 0 : std::memcmp(a, b, alen);
}

int find_elem(const trw_collection *c, const char *elem, int len, trw_coll_cmpfn cmp, void *ctx, int skip_pos,
              int *found)
{
    *found = 0;
    ViewState s;
    for (int pos = 1; pos <= c->cl_cardinality; ++pos) {
        const char *p;
        int n;
        int rc = seek(c, &s, pos);
        if (rc == 0)
            rc = fetch(c, &s, &p, &n);
        if (rc != 0)
            return rc == TRW_COLL_NOTFOUND ? TRW_COLL_ECORRUPT : rc;
        const trw_coll_typeentry *e = elem_entry(c, pos);
        if (pos != skip_pos && e != nullptr && cmp(elem, len, p, n, static_cast<uint16_t>(e->type), ctx) == 0) {
            *found = 1;
            return 0;
        }
    }
    return 0;
}

} // namespace coll

using namespace coll;

extern "C" {

int trw_coll_hash(trw_collection *coll)
{
    if (coll == nullptr)
        return TRW_COLL_ECORRUPT;
    if (!(coll->cl_flags & COLL_HASHVALID)) {
        coll->cl_hashvalue = view_hash(coll);
        coll->cl_flags |= COLL_HASHVALID;
    }
    return 0;
}

int mi_trw_coll_equal(trw_collection *a, trw_collection *b, trw_coll_cmpfn cmp, void *ctx, int *equal,
                      int *isnull)
{
    if (a == nullptr || b == nullptr || equal == nullptr || isnull == nullptr || cmp == nullptr)
        return TRW_COLL_ECORRUPT;
    *equal = 0;
    *isnull = 0;
    if ((a->cl_flags & COLL_ISNULL) || (b->cl_flags & COLL_ISNULL)) {
        *isnull = 1;
        return 0;
    }
    const trw_coll_typedesc *ta = type_of(a), *tb = type_of(b);
    const int na = ta == nullptr ? 0 : ta->td_count, nb = tb == nullptr ? 0 : tb->td_count;
    if (na != nb || na == 0)
        return TRW_COLL_ETYPES;
    for (int i = 0; i < na; ++i)
        if (code_of(ta->td_entries[i].type) != code_of(tb->td_entries[i].type))
            return TRW_COLL_ETYPES;
    if (a->cl_cardinality != b->cl_cardinality)
        return 0;
    trw_coll_hash(a);
    trw_coll_hash(b);
    if (cmp == default_cmp && a->cl_hashvalue != b->cl_hashvalue)
        return 0;
    Item *xa, *xb;
    int rc = collect(a, &xa);
    if (rc != 0)
        return rc;
    rc = collect(b, &xb);
    if (rc != 0) {
        std::free(xa);
        return rc;
    }
    const int n = a->cl_cardinality;
    const int kind = kind_of(a);
    if (kind == TRW_SQL_SET || kind == TRW_SQL_MULTISET) {
        rc = match_sets(a, b, xa, xb, n, cmp, ctx, equal, isnull);
    } else {
        *equal = 1;
        for (int i = 0; i < n && *equal && !*isnull && rc == 0; ++i)
            rc = elem_equal(a, b, kind == TRW_SQL_ROW ? i + 1 : 1, xa[i], xb[i], cmp, ctx, equal, isnull);
    }
    if (*isnull)
        *equal = 0;
    std::free(xa);
    std::free(xb);
    return rc;
}

int trw_coll_equal(trw_collection *a, trw_collection *b, int *equal, int *isnull)
{
    return mi_trw_coll_equal(a, b, default_cmp, nullptr, equal, isnull);
}

int trw_coll_valuet_inpred(trw_collection *coll, const char *elem, int len, trw_coll_cmpfn cmp, void *ctx,
                           int *found)
{
    if (coll == nullptr || found == nullptr || cmp == nullptr)
        return TRW_COLL_ECORRUPT;
    *found = 0;
    if (coll->cl_flags & COLL_ISNULL)
        return 0;
    return find_elem(coll, elem == nullptr ? "" : elem, elem == nullptr ? 0 : len, cmp, ctx, 0, found);
}

int trw_coll_inpred(trw_collection *coll, const char *elem, int len, int *found)
{
    return trw_coll_valuet_inpred(coll, elem, len, default_cmp, nullptr, found);
}

int trw_coll_nested_inpred(trw_collection *coll, trw_collection *nested, int *found)
{
    if (coll == nullptr || nested == nullptr || found == nullptr)
        return TRW_COLL_ECORRUPT;
    *found = 0;
    if (coll->cl_flags & COLL_ISNULL)
        return 0;
    const bool row = kind_of(coll) == TRW_SQL_ROW;
    ViewState s;
    for (int pos = 1; pos <= coll->cl_cardinality && !*found; ++pos) {
        const char *p;
        int n;
        int rc = seek(coll, &s, pos);
        if (rc == 0)
            rc = fetch(coll, &s, &p, &n);
        if (rc != 0)
            return rc;
        const trw_coll_typeentry *e = elem_entry(coll, pos);
        if (e == nullptr || !is_nested_code(code_of(e->type)))
            continue;
        trw_collection tmp;
        rc = trw_coll_set_nested_coll(coll, row ? pos : 1, p, n, &tmp);
        if (rc != 0)
            return rc;
        int equal = 0, isnull = 0;
        rc = trw_coll_equal(&tmp, nested, &equal, &isnull);
        trw_coll_free(&tmp);
        if (rc != 0 && rc != TRW_COLL_ETYPES)
            return rc;
        *found = rc == 0 && equal;
    }
    return 0;
}

} // extern "C"
