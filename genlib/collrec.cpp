// Collections: the record, its cursors and its change log (trw_coll_init ...
// trw_coll_copy), the walk of the merged view and flattening.
//
// The change log is a list sorted by ch_rownum, the position of the entry's
// element in the merged view. Between two entries lie runs of untouched
// data-buffer elements. An insert entry takes a position and no data
// element; an update entry (CHANGELOG_WITH_DATA) takes a position and
// replaces one data element; a delete entry takes no position and removes
// one data element, the one that stood at its ch_rownum. Delete entries of
// one row number precede the other entries of that number: they remove data
// elements that lie before the element now at that position. A walk keeps
// (position, last entry, data elements since it, data elements in all), so a
// cursor moving forward costs nothing per element beyond the entries it
// passes. A change makes every cursor rebuild that state from its position
// on its next move; changes that move elements move the cursors' positions.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "collint.h"
#include "rtypes.h"

static_assert(sizeof(trw_collection) == TRW_COLL_RECORD_SIZE, "collection record size");
static_assert(alignof(trw_collection) == TRW_COLL_RECORD_ALIGN, "collection record alignment");
static_assert(offsetof(trw_collection, cl_flags) == TRW_COLL_FLAGS_OFFSET, "collection flags offset");

extern "C" {
int Trw_Debug = 0;
}

namespace coll {

bool data_elem(const trw_collection *c, int idx, const char **p, int *len)
{
    if (idx < 0 || idx >= c->cl_ndata || c->cl_data == nullptr)
        return false;
    if (c->cl_isfixed) {
        *p = c->cl_data + static_cast<int64_t>(idx) * c->cl_elsize;
        *len = c->cl_elsize;
        return true;
    }
    const char *slot = c->cl_data + c->cl_datalen - 4 * (static_cast<int64_t>(idx) + 1);
    const int start = static_cast<int>(ld4(slot));
    const int end = idx + 1 < c->cl_ndata ? static_cast<int>(ld4(slot - 4))
                                          : c->cl_datalen - 4 * (c->cl_ndata + 1);
    *p = c->cl_data + start;
    *len = end - start;
    return true;
}

int count_data(const trw_collection *c, int *count)
{
    *count = 0;
    if (c->cl_data == nullptr || c->cl_datalen <= 0)
        return 0;
    if (c->cl_isfixed) {
        if (c->cl_elsize <= 0)
            return TRW_COLL_ENOTYPE;
        if (c->cl_datalen % c->cl_elsize != 0)
            return TRW_COLL_ECORRUPT;
        *count = c->cl_datalen / c->cl_elsize;
        return 0;
    }
    const int64_t len = c->cl_datalen;
    int64_t n = 0;
    while (4 * (n + 1) <= len && ld4(c->cl_data + len - 4 * (n + 1)) != 0xFFFFFFFFu)
        ++n;
    if (4 * (n + 1) > len)
        return TRW_COLL_ECORRUPT;
    const int64_t table = len - 4 * (n + 1);
    int64_t prev = 0;
    for (int64_t i = 0; i < n; ++i) {
        const int64_t off = static_cast<int32_t>(ld4(c->cl_data + len - 4 * (i + 1)));
        if (off < prev || off > table)
            return TRW_COLL_ECORRUPT;
        prev = off;
    }
    *count = static_cast<int>(n);
    return 0;
}

int seek(const trw_collection *c, ViewState *s, int target)
{
    if (target < 1 || target > c->cl_cardinality)
        return TRW_COLL_NOTFOUND;
    if (s->d < 0 || target < s->pos)
        *s = ViewState{};
    while (s->pos < target) {
        trw_coll_change *n = s->e != nullptr ? s->e->ch_next : c->cl_log;
        const int64_t base = static_cast<int64_t>(s->pos) - s->k;
        int64_t run = n != nullptr ? n->ch_rownum - 1 - base - s->k : c->cl_ndata - s->d;
        if (run < 0)
            run = 0;
        if (run > c->cl_ndata - s->d)
            return TRW_COLL_ECORRUPT;
        const int need = target - s->pos;
        if (run >= need) {
            s->pos += need;
            s->k += need;
            s->d += need;
            break;
        }
        s->pos += static_cast<int>(run);
        s->k += static_cast<int>(run);
        s->d += static_cast<int>(run);
        if (n == nullptr)
            return TRW_COLL_ECORRUPT;
        s->e = n;
        s->k = 0;
        if (n->ch_modtype != CHANGELOG_DELETE)
            ++s->pos;
        if (n->ch_modtype == CHANGELOG_DELETE || (n->ch_flag & CHANGELOG_WITH_DATA))
            if (++s->d > c->cl_ndata)
                return TRW_COLL_ECORRUPT;
    }
    return 0;
}

int fetch(const trw_collection *c, const ViewState *s, const char **p, int *len)
{
    if (s->pos < 1)
        return TRW_COLL_ECORRUPT;
    if (s->k == 0 && s->e != nullptr) {
        if (s->e->ch_modtype == CHANGELOG_DELETE)
            return TRW_COLL_ECORRUPT;
        *p = s->e->ch_newrow;
        *len = s->e->ch_newrowlen;
        return 0;
    }
    return data_elem(c, s->d - 1, p, len) ? 0 : TRW_COLL_ECORRUPT;
}

namespace {

// Calls f(pos, p, len) for every element of the merged view.
template <typename F> int walk(const trw_collection *c, F f)
{
    ViewState s;
    for (int pos = 1; pos <= c->cl_cardinality; ++pos) {
        const char *p;
        int len;
        int rc = seek(c, &s, pos);
        if (rc == 0)
            rc = fetch(c, &s, &p, &len);
        if (rc != 0)
            return rc == TRW_COLL_NOTFOUND ? TRW_COLL_ECORRUPT : rc;
        f(pos, p, len);
    }
    return 0;
}

} // namespace

int64_t encoded_size(const trw_collection *c)
{
    const int kind = kind_of(c);
    if (kind < 0)
        return TRW_COLL_ENOTYPE;
    if (kind == TRW_SQL_ROW && c->cl_cardinality != row_fields(type_of(c)))
        return TRW_COLL_EROWCOUNT;
    int64_t sum = 0;
    const int rc = walk(c, [&](int, const char *, int len) { sum += len; });
    if (rc != 0)
        return rc;
    if (c->cl_cardinality == 0)
        return 0;
    return c->cl_isfixed ? sum : sum + 4 * (static_cast<int64_t>(c->cl_cardinality) + 1);
}

int encode(const trw_collection *c, char *out)
{
    int64_t at = 0;
    const int64_t size = encoded_size(c);
    if (size < 0)
        return static_cast<int>(size);
    const int rc = walk(c, [&](int pos, const char *p, int len) {
        if (!c->cl_isfixed)
            st4(static_cast<uint32_t>(at), out + size - 4 * static_cast<int64_t>(pos));
        if (len > 0)
            std::memcpy(out + at, p, len);
        at += len;
    });
    if (rc == 0 && !c->cl_isfixed && c->cl_cardinality > 0)
        st4(0xFFFFFFFFu, out + at);
    return rc;
}

void touch_cursors(trw_collection *c)
{
    for (trw_coll_cursor *cu = c->cl_curs; cu != nullptr; cu = cu->cu_next) {
        cu->cu_dataidx = -1;
        cu->cu_log = nullptr;
        cu->cu_consumed = 0;
        cu->cu_elem = nullptr;
    }
    for (trw_coll_cursor *cu = c->cl_curs; cu != nullptr; cu = cu->cu_next)
        cu->cu_copy = *c;
}

} // namespace coll

using namespace coll;

namespace {

bool is_null_coll(const trw_collection *c) { return (c->cl_flags & COLL_ISNULL) != 0; }

void free_log(trw_collection *c)
{
    for (trw_coll_change *e = c->cl_log; e != nullptr;) {
        trw_coll_change *next = e->ch_next;
        std::free(e);
        e = next;
    }
    c->cl_log = c->cl_lastlog = nullptr;
}

void drop_data(trw_collection *c)
{
    if (c->cl_flags & COLL_DATAOWNED)
        std::free(c->cl_data);
    c->cl_flags &= ~COLL_DATAOWNED;
    c->cl_data = nullptr;
    c->cl_datalen = 0;
    c->cl_ndata = 0;
}

trw_coll_change *new_entry(int rownum, int modtype, int flag, const char *elem, int len)
{
    const int64_t size = static_cast<int64_t>(sizeof(trw_coll_change)) + (len > 0 ? len : 0);
    auto *e = static_cast<trw_coll_change *>(std::malloc(size));
    if (e == nullptr)
        return nullptr;
    e->ch_rownum = rownum;
    e->ch_modtype = modtype;
    e->ch_newrow = reinterpret_cast<char *>(e + 1);
    e->ch_newrowlen = len > 0 ? len : 0;
    e->ch_flag = flag;
    e->ch_next = nullptr;
    e->ch_size = size;
    if (len > 0)
        std::memcpy(e->ch_newrow, elem, len);
    return e;
}

void debug_entry(const trw_coll_change *e)
{
    if (!(Trw_Debug & TRW_DEBUG_LOG))
        return;
    std::printf("\tch_rownum = %d\n\tch_modtype = %d\n", e->ch_rownum, e->ch_modtype);
    trw_hex_dump(e->ch_newrow, e->ch_newrowlen);
}

// Links e at row number r: after the entries of smaller row numbers and the
// delete entries of r; the entries after it have their row numbers moved by
// shift.
void link_entry(trw_collection *c, trw_coll_change *e, int r, int shift)
{
    trw_coll_change *prev = nullptr;
    for (trw_coll_change *x = c->cl_log;
         x != nullptr && (x->ch_rownum < r || (x->ch_rownum == r && x->ch_modtype == CHANGELOG_DELETE));
         x = x->ch_next)
        prev = x;
    e->ch_next = prev != nullptr ? prev->ch_next : c->cl_log;
    (prev != nullptr ? prev->ch_next : c->cl_log) = e;
    if (e->ch_next == nullptr)
        c->cl_lastlog = e;
    for (trw_coll_change *x = e->ch_next; x != nullptr; x = x->ch_next)
        x->ch_rownum += shift;
    debug_entry(e);
}

trw_coll_change *prev_of(trw_collection *c, const trw_coll_change *e)
{
    trw_coll_change *prev = nullptr;
    for (trw_coll_change *x = c->cl_log; x != e; x = x->ch_next)
        prev = x;
    return prev;
}

void unlink_entry(trw_collection *c, trw_coll_change *e, trw_coll_change *replacement)
{
    trw_coll_change *prev = prev_of(c, e);
    trw_coll_change *next = e->ch_next;
    if (replacement != nullptr) {
        replacement->ch_next = next;
        next = replacement;
    }
    (prev != nullptr ? prev->ch_next : c->cl_log) = next;
    if (c->cl_lastlog == e)
        c->cl_lastlog = replacement != nullptr ? replacement : prev;
    std::free(e);
}

bool on_entry(const ViewState &s) { return s.k == 0 && s.e != nullptr && s.e->ch_modtype != CHANGELOG_DELETE; }

// Checks an element for the entry (NULL handling, size, nested header); may
// point elem and len at the NULL form. 0 or an error.
int check_elem(const trw_collection *c, const trw_coll_typeentry *e, const char **elem, int *len, int nullerr)
{
    static const char null_nested[3] = {0, 1, 1};
    const int code = e != nullptr ? code_of(e->type) : -1;
    if (*elem == nullptr) {
        if (e != nullptr && (e->type & TRW_COLL_NOTNULL))
            return nullerr;
        if (c->cl_isfixed)
            return TRW_COLL_ELENGTH;
        *elem = is_nested_code(code) ? null_nested : "";
        *len = is_nested_code(code) ? 3 : 0;
        return 0;
    }
    if (*len < 0 || (c->cl_isfixed && *len != c->cl_elsize))
        return TRW_COLL_ELENGTH;
    if (is_nested_code(code)) {
        if (*len < 3 || ((*elem)[2] == 0 && *len < TRW_NESTED_HEADER))
            return TRW_COLL_ECORRUPT;
        const int kind = static_cast<int>(ld4(*elem + 8)) & 0xf;
        if ((*elem)[2] == 0 && kind != 1 && kind != 2 && kind != 4 && kind != 8)
            return TRW_COLL_EKIND;
    }
    return 0;
}

int cursor_seek(trw_collection *c, trw_coll_cursor *cu, int target)
{
    ViewState s{cu->cu_pos, cu->cu_log, cu->cu_consumed, cu->cu_dataidx};
    if (Trw_Debug & TRW_DEBUG_SEEK)
        std::printf("cursor seek from %d to %d\n", cu->cu_pos, target);
    if (c->cl_cardinality == 0)
        return TRW_COLL_NOTFOUND;
    const int rc = seek(c, &s, target);
    if (rc != 0)
        return rc;
    cu->cu_pos = s.pos;
    cu->cu_log = s.e;
    cu->cu_consumed = s.k;
    cu->cu_dataidx = s.d;
    const char *p = nullptr;
    int len;
    cu->cu_elem = !on_entry(s) && data_elem(c, s.d - 1, &p, &len) ? const_cast<char *>(p) : nullptr;
    return 0;
}

// Removes the element at position r (not a ROW's): 0 or -837.
int delete_at(trw_collection *c, int r)
{
    ViewState s;
    const char *p;
    int len;
    int rc = seek(c, &s, r);
    if (rc == 0)
        rc = fetch(c, &s, &p, &len);
    if (rc != 0)
        return rc;
    if (on_entry(s) && s.e->ch_modtype == CHANGELOG_INSERT) {
        for (trw_coll_change *x = s.e->ch_next; x != nullptr; x = x->ch_next)
            --x->ch_rownum;
        unlink_entry(c, s.e, nullptr);
    } else if (on_entry(s)) {
        s.e->ch_modtype = CHANGELOG_DELETE;
        s.e->ch_newrowlen = 0;
        s.e->ch_flag |= CHANGELOG_WITH_DATA;
        for (trw_coll_change *x = s.e->ch_next; x != nullptr; x = x->ch_next)
            --x->ch_rownum;
    } else {
        trw_coll_change *e = new_entry(r, CHANGELOG_DELETE, CHANGELOG_NEW | CHANGELOG_WITH_DATA, nullptr, 0);
        if (e == nullptr)
            return TRW_COLL_ENOMEM;
        link_entry(c, e, r, -1);
    }
    --c->cl_cardinality;
    c->cl_len -= len;
    c->cl_flags &= ~COLL_HASHVALID;
    return 0;
}

// Deletes the element under cursor cu (at r) and moves the cursors.
int delete_under(trw_collection *c, trw_coll_cursor *cu, int r)
{
    const int rc = delete_at(c, r);
    if (rc != 0)
        return rc;
    for (trw_coll_cursor *o = c->cl_curs; o != nullptr; o = o->cu_next)
        if (o != cu && o->cu_pos > r)
            --o->cu_pos;
    if (cu != nullptr)
        cu->cu_flags |= TRW_CURS_DELETED;
    touch_cursors(c);
    return 0;
}

int delete_all(trw_collection *c, trw_coll_cursor *cu)
{
    for (trw_coll_cursor *o = c->cl_curs; o != nullptr; o = o->cu_next)
        if (o != cu && o->cu_pos == 0)
            return TRW_COLL_EDELBUSY;
    free_log(c);
    drop_data(c);
    c->cl_len = 0;
    c->cl_cardinality = 0;
    c->cl_hashvalue = 0;
    c->cl_flags |= COLL_HASHVALID;
    // Every cursor, also one standing on an element, is set before the first.
    for (trw_coll_cursor *o = c->cl_curs; o != nullptr; o = o->cu_next) {
        o->cu_pos = 0;
        o->cu_flags &= ~TRW_CURS_DELETED;
    }
    if (cu != nullptr) {
        cu->cu_pos = 0;
        cu->cu_flags &= ~TRW_CURS_DELETED;
    }
    touch_cursors(c);
    return 0;
}

// Replaces the element at r (cursor cu, or none).
int update_at(trw_collection *c, trw_coll_cursor *cu, int r, const char *elem, int len)
{
    if (is_null_coll(c))
        return TRW_COLL_EISNULL;
    if (kind_of(c) < 0)
        return TRW_COLL_ENOTYPE;
    if (cu != nullptr && (cu->cu_flags & TRW_CURS_DELETED))
        return TRW_COLL_EDELETED;
    if (r < 1 || r > c->cl_cardinality)
        return cu != nullptr ? TRW_COLL_ECORRUPT : TRW_COLL_NOTFOUND;
    for (trw_coll_cursor *o = c->cl_curs; o != nullptr; o = o->cu_next)
        if (o != cu && o->cu_pos == r && !(o->cu_flags & TRW_CURS_DELETED))
            return TRW_COLL_EUPDBUSY;
    const trw_coll_typeentry *et = elem_entry(c, r);
    int rc = check_elem(c, et, &elem, &len, TRW_COLL_ENULLUPDATE);
    if (rc != 0)
        return rc;
    if (kind_of(c) == TRW_SQL_SET && et != nullptr && comparable(et)) {
        int found = 0;
        rc = find_elem(c, elem, len, default_cmp, nullptr, r, &found);
        if (rc != 0)
            return rc;
        if (found)
            return delete_under(c, cu, r);
    }
    ViewState s;
    const char *old;
    int oldlen;
    rc = seek(c, &s, r);
    if (rc == 0)
        rc = fetch(c, &s, &old, &oldlen);
    if (rc != 0)
        return rc;
    if (on_entry(s)) {
        trw_coll_change *e = new_entry(s.e->ch_rownum, s.e->ch_modtype, s.e->ch_flag, elem, len);
        if (e == nullptr)
            return TRW_COLL_ENOMEM;
        unlink_entry(c, s.e, e);
        debug_entry(e);
    } else if (c->cl_isfixed && (c->cl_flags & COLL_DATAOWNED)) {
        std::memmove(const_cast<char *>(old), elem, len);
    } else {
        trw_coll_change *e = new_entry(r, CHANGELOG_UPDATE, CHANGELOG_NEW | CHANGELOG_WITH_DATA, elem, len);
        if (e == nullptr)
            return TRW_COLL_ENOMEM;
        link_entry(c, e, r, 0);
    }
    c->cl_len += len - oldlen;
    c->cl_flags &= ~COLL_HASHVALID;
    touch_cursors(c);
    return 0;
}

bool is_open(const trw_collection *c, const trw_coll_cursor *cu)
{
    for (const trw_coll_cursor *o = c->cl_curs; o != nullptr; o = o->cu_next)
        if (o == cu)
            return true;
    return false;
}

} // namespace

extern "C" {

int trw_set_debug(int bits)
{
    const int old = Trw_Debug;
    Trw_Debug = bits;
    return old;
}

int trw_coll_init(trw_collection *coll, trw_coll_typedesc *type, int typed, char *data, int datalen)
{
    if (coll == nullptr)
        return TRW_COLL_ECORRUPT;
    std::memset(coll, 0, sizeof *coll);
    coll->cl_marker = TRW_COLL_MARKER;
    coll->cl_isfixed = 1;
    (typed ? coll->cl_typeinfo : coll->cl_svr_typeinfo) = type;
    coll->cl_typed = static_cast<int16_t>(typed != 0);
    const int kind = kind_of(coll);
    if (kind < 0 || !is_nested_code(kind))
        return TRW_COLL_ENOTYPE;
    coll->cl_typelen = 304 + 414 * type->td_count;
    if (kind == TRW_SQL_ROW) {
        coll->cl_isfixed = 0;
        for (int f = 1; f <= row_fields(type); ++f) {
            const int size = entry_size(field_entry(coll, f));
            coll->cl_elsize += size > 0 ? size : 0;
        }
    } else {
        const trw_coll_typeentry *e = field_entry(coll, 1);
        if (e == nullptr)
            return TRW_COLL_ENOTYPE;
        const int size = entry_size(e);
        const int code = code_of(e->type);
        coll->cl_isfixed = static_cast<int16_t>(size >= 0 && !is_opaque_code(code));
        coll->cl_elsize = code == TRW_SQL_FIXUDT ? static_cast<uint16_t>(e->length) : size > 0 ? size : 0;
        if (coll->cl_isfixed && size == 0)
            return TRW_COLL_ENOTYPE;
    }
    if (data == nullptr || datalen <= 0)
        return 0;
    coll->cl_data = data;
    coll->cl_datalen = datalen;
    int n = 0;
    int rc = count_data(coll, &n);
    if (rc == 0 && kind == TRW_SQL_ROW && n != row_fields(type))
        rc = TRW_COLL_EROWCOUNT;
    if (rc != 0) {
        coll->cl_data = nullptr;
        coll->cl_datalen = 0;
        return rc;
    }
    coll->cl_len = datalen;
    coll->cl_ndata = n;
    coll->cl_cardinality = n;
    return 0;
}

int trw_coll_free(trw_collection *coll)
{
    if (coll == nullptr)
        return 0;
    if (coll->cl_curs != nullptr)
        return TRW_COLL_ECURSORS;
    free_log(coll);
    drop_data(coll);
    if (coll->cl_flags & COLL_TYPEOWNED) {
        if (coll->cl_svr_typeinfo != coll->cl_typeinfo)
            free_type(coll->cl_svr_typeinfo);
        free_type(coll->cl_typeinfo);
    }
    std::memset(coll, 0, sizeof *coll);
    return 0;
}

int trw_coll_open_with_options(trw_collection *coll, trw_coll_cursor *cursor, int options)
{
    if (coll == nullptr || cursor == nullptr)
        return TRW_COLL_ECORRUPT;
    if (is_open(coll, cursor))
        return TRW_COLL_EOPEN;
    std::memset(cursor, 0, sizeof *cursor);
    cursor->cu_coll = coll;
    cursor->cu_flags = options & TRW_COLL_STREAM;
    cursor->cu_next = coll->cl_curs;
    coll->cl_curs = cursor;
    for (trw_coll_cursor *o = coll->cl_curs; o != nullptr; o = o->cu_next)
        o->cu_copy = *coll;
    return 0;
}

int trw_coll_open(trw_collection *coll, trw_coll_cursor *cursor)
{
    return trw_coll_open_with_options(coll, cursor, 0);
}

int trw_coll_close(trw_collection *coll, trw_coll_cursor *cursor)
{
    if (coll == nullptr || cursor == nullptr || !is_open(coll, cursor))
        return TRW_COLL_ECORRUPT;
    trw_coll_cursor **link = &coll->cl_curs;
    while (*link != cursor)
        link = &(*link)->cu_next;
    *link = cursor->cu_next;
    cursor->cu_next = nullptr;
    cursor->cu_coll = nullptr;
    for (trw_coll_cursor *o = coll->cl_curs; o != nullptr; o = o->cu_next)
        o->cu_copy = *coll;
    return 0;
}

int trw_coll_insert(trw_collection *coll, const char *elem, int len, int position)
{
    if (coll == nullptr || is_null_coll(coll))
        return TRW_COLL_EISNULL;
    const int kind = kind_of(coll);
    if (kind < 0)
        return TRW_COLL_ENOTYPE;
    if (position != 0 && kind != TRW_SQL_LIST)
        return TRW_COLL_ENOTLIST;
    if (position < 0 || position > coll->cl_cardinality + 1)
        return TRW_COLL_NOTFOUND;
    const int r = position != 0 ? position : coll->cl_cardinality + 1;
    const trw_coll_typeentry *et = elem_entry(coll, r);
    int rc = check_elem(coll, et, &elem, &len, TRW_COLL_ENULLINSERT);
    if (rc != 0)
        return rc;
    if (kind == TRW_SQL_SET && et != nullptr && comparable(et)) {
        int found = 0;
        rc = find_elem(coll, elem, len, default_cmp, nullptr, 0, &found);
        if (rc != 0 || found)
            return rc;
    }
    trw_coll_change *e = new_entry(r, CHANGELOG_INSERT, CHANGELOG_NEW, elem, len);
    if (e == nullptr)
        return TRW_COLL_ENOMEM;
    link_entry(coll, e, r, 1);
    coll->cl_len += len;
    ++coll->cl_cardinality;
    coll->cl_flags &= ~COLL_HASHVALID;
    for (trw_coll_cursor *o = coll->cl_curs; o != nullptr; o = o->cu_next)
        if (o->cu_pos >= r)
            ++o->cu_pos;
    touch_cursors(coll);
    if (Trw_Debug & TRW_DEBUG_INSERT)
        trw_coll_dump(coll);
    return 0;
}

int trw_coll_delete(trw_collection *coll, trw_coll_cursor *cursor, int flags)
{
    if (coll == nullptr || is_null_coll(coll))
        return TRW_COLL_EISNULL;
    if (flags & TRW_COLL_DELETE_ALL)
        return delete_all(coll, cursor);
    if (kind_of(coll) == TRW_SQL_ROW)
        return TRW_COLL_EROWDELETE;
    if (cursor == nullptr)
        return TRW_COLL_ECORRUPT;
    if (cursor->cu_flags & TRW_CURS_DELETED)
        return TRW_COLL_EDELETED;
    const int r = cursor->cu_pos;
    if (r < 1 || r > coll->cl_cardinality)
        return TRW_COLL_ECORRUPT;
    for (trw_coll_cursor *o = coll->cl_curs; o != nullptr; o = o->cu_next)
        if (o != cursor && o->cu_pos == r && !(o->cu_flags & TRW_CURS_DELETED))
            return TRW_COLL_EDELBUSY;
    return delete_under(coll, cursor, r);
}

int trw_coll_update(trw_collection *coll, trw_coll_cursor *cursor, const char *elem, int len)
{
    if (coll == nullptr || cursor == nullptr)
        return TRW_COLL_ECORRUPT;
    return update_at(coll, cursor, cursor->cu_pos, elem, len);
}

int trw_coll_update_pos(trw_collection *coll, int position, const char *elem, int len)
{
    if (coll == nullptr)
        return TRW_COLL_ECORRUPT;
    return update_at(coll, nullptr, position, elem, len);
}

int trw_coll_next(trw_collection *coll, trw_coll_cursor *cursor, char **elem, int *len)
{
    if (coll == nullptr || cursor == nullptr || elem == nullptr || len == nullptr)
        return TRW_COLL_ECORRUPT;
    if (is_null_coll(coll))
        return TRW_COLL_EISNULL;
    int target = cursor->cu_pos + 1;
    if (cursor->cu_flags & TRW_CURS_DELETED) {
        target = cursor->cu_pos;
        cursor->cu_flags &= ~TRW_CURS_DELETED;
    }
    const int rc = cursor_seek(coll, cursor, target < 1 ? 1 : target);
    if (rc != 0)
        return rc;
    ViewState s{cursor->cu_pos, cursor->cu_log, cursor->cu_consumed, cursor->cu_dataidx};
    const char *p;
    int n;
    const int frc = fetch(coll, &s, &p, &n);
    if (frc != 0)
        return frc;
    if (*elem == nullptr) {
        *elem = const_cast<char *>(p);
    } else if (n > 0) {
        if (Trw_Debug != 0 && cursor->cu_pos > 0) {
            const trw_coll_typeentry *e = elem_entry(coll, cursor->cu_pos);
            if (e != nullptr && is_nested_code(code_of(e->type)))
                std::printf("nested value copy of %d bytes\n", n);
        }
        std::memcpy(*elem, p, n);
    }
    *len = n;
    if (Trw_Debug & TRW_DEBUG_INSERT)
        trw_hex_dump(p, n);
    return 0;
}

int trw_coll_pos(trw_collection *coll, trw_coll_cursor *cursor, int position)
{
    if (coll == nullptr || cursor == nullptr)
        return TRW_COLL_ECORRUPT;
    if ((cursor->cu_flags & TRW_COLL_STREAM) && position != cursor->cu_pos + 1)
        return TRW_COLL_ESTREAM;
    if (position == 0) {
        cursor->cu_pos = 0;
        cursor->cu_dataidx = -1;
        cursor->cu_flags &= ~TRW_CURS_DELETED;
        return 0;
    }
    const int rc = cursor_seek(coll, cursor, position);
    if (rc == 0)
        cursor->cu_flags &= ~TRW_CURS_DELETED;
    return rc;
}

int trw_coll_tuple(trw_collection *coll)
{
    if (coll == nullptr || is_null_coll(coll))
        return TRW_COLL_EISNULL;
    if (coll->cl_log == nullptr)
        return 0;
    const int64_t size = encoded_size(coll);
    if (size < 0)
        return static_cast<int>(size);
    if (size > INT32_MAX)
        return TRW_COLL_ENOMEM;
    char *buf = nullptr;
    if (size > 0) {
        buf = static_cast<char *>(std::malloc(size));
        if (buf == nullptr)
            return TRW_COLL_ENOMEM;
        const int rc = encode(coll, buf);
        if (rc != 0) {
            std::free(buf);
            return rc;
        }
    }
    free_log(coll);
    drop_data(coll);
    coll->cl_data = buf;
    coll->cl_datalen = static_cast<int>(size);
    coll->cl_len = static_cast<int>(size);
    coll->cl_ndata = coll->cl_cardinality;
    if (buf != nullptr)
        coll->cl_flags |= COLL_DATAOWNED;
    coll->cl_hashvalue = view_hash(coll);
    coll->cl_flags |= COLL_HASHVALID;
    touch_cursors(coll);
    return 0;
}

int trw_coll_copy(const trw_collection *src, trw_collection *dst)
{
    if (src == nullptr || dst == nullptr)
        return TRW_COLL_ECORRUPT;
    const trw_coll_typedesc *t = type_of(src);
    int64_t size = 0;
    if (!is_null_coll(src)) {
        size = encoded_size(src);
        if (size < 0)
            return static_cast<int>(size);
    }
    trw_coll_typedesc *tc = t == nullptr ? nullptr : copy_type(t, 0, t->td_count);
    char *buf = size > 0 ? static_cast<char *>(std::malloc(size)) : nullptr;
    if ((t != nullptr && tc == nullptr) || (size > 0 && buf == nullptr)) {
        free_type(tc);
        std::free(buf);
        return TRW_COLL_ENOMEM;
    }
    if (buf != nullptr)
        encode(src, buf);
    trw_collection c = *src;
    c.cl_curs = nullptr;
    c.cl_log = c.cl_lastlog = nullptr;
    (c.cl_typed ? c.cl_typeinfo : c.cl_svr_typeinfo) = tc;
    (c.cl_typed ? c.cl_svr_typeinfo : c.cl_typeinfo) = nullptr;
    c.cl_data = buf;
    c.cl_datalen = c.cl_len = static_cast<int>(size);
    c.cl_ndata = is_null_coll(src) ? 0 : src->cl_cardinality;
    c.cl_flags = (src->cl_flags & ~(COLL_DATAOWNED | COLL_TYPEOWNED)) | (tc ? COLL_TYPEOWNED : 0) |
                 (buf ? COLL_DATAOWNED : 0);
    *dst = c;
    return 0;
}

int trw_coll_set_cardinality(trw_collection *coll)
{
    if (coll == nullptr)
        return TRW_COLL_ECORRUPT;
    int n = 0;
    const int rc = count_data(coll, &n);
    if (rc != 0)
        return rc;
    coll->cl_ndata = n;
    for (const trw_coll_change *e = coll->cl_log; e != nullptr; e = e->ch_next)
        n += e->ch_modtype == CHANGELOG_INSERT ? 1 : e->ch_modtype == CHANGELOG_DELETE ? -1 : 0;
    coll->cl_cardinality = n;
    touch_cursors(coll);
    return 0;
}

int trw_coll_null(char *out)
{
    if (out == nullptr)
        return TRW_COLL_ECORRUPT;
    out[0] = 0;
    out[1] = 1;
    out[2] = 1;
    return 0;
}

int trw_coll_put_coll(trw_collection *coll, char *out, int room, int *written)
{
    if (coll == nullptr || out == nullptr || written == nullptr)
        return TRW_COLL_ECORRUPT;
    if (is_null_coll(coll)) {
        if (room < 3)
            return TRW_COLL_ESIZE;
        *written = 3;
        return trw_coll_null(out);
    }
    const int64_t size = encoded_size(coll);
    if (size < 0)
        return static_cast<int>(size);
    const int64_t total = TRW_NESTED_HEADER + size;
    if (total - 2 > 0xFFFF || total > room)
        return TRW_COLL_ESIZE;
    std::memset(out, 0, TRW_NESTED_HEADER);
    st2(static_cast<int>(total - 2), out);
    st4(TRW_NESTED_INLINE1, out + 8);
    trw_coll_hash(coll);
    st4(coll->cl_hashvalue, out + 12);
    const int rc = encode(coll, out + TRW_NESTED_HEADER);
    if (rc == 0)
        *written = static_cast<int>(total);
    return rc;
}

int trw_coll_set_nested_coll(const trw_collection *outer, int fieldno, const char *elem, int len,
                             trw_collection *nested)
{
    if (outer == nullptr || nested == nullptr || elem == nullptr)
        return TRW_COLL_ECORRUPT;
    int from = 0, n = 0;
    int rc = field_subtree(outer, fieldno, &from, &n);
    if (rc != 0)
        return rc;
    if (!is_nested_code(code_of(type_of(outer)->td_entries[from].type)))
        return TRW_COLL_ENOTYPE;
    if (len < 3)
        return TRW_COLL_ECORRUPT;
    const bool isnull = elem[2] != 0;
    int plen = 0;
    if (!isnull) {
        if (len < TRW_NESTED_HEADER)
            return TRW_COLL_ECORRUPT;
        const int kind = static_cast<int>(ld4(elem + 8)) & 0xf;
        if (kind != 1 && kind != 2 && kind != 4)
            return TRW_COLL_EKIND;
        plen = ld2(elem) & 0xffff;
        plen += 2 - TRW_NESTED_HEADER;
        if (plen < 0 || plen + TRW_NESTED_HEADER > len)
            return TRW_COLL_ECORRUPT;
    }
    trw_coll_typedesc *t = copy_type(type_of(outer), from, n);
    char *buf = plen > 0 ? static_cast<char *>(std::malloc(plen)) : nullptr;
    if (t == nullptr || (plen > 0 && buf == nullptr)) {
        free_type(t);
        std::free(buf);
        return TRW_COLL_ENOMEM;
    }
    if (plen > 0)
        std::memcpy(buf, elem + TRW_NESTED_HEADER, plen);
    trw_collection c;
    rc = trw_coll_init(&c, t, 1, buf, plen);
    if (rc != 0) {
        free_type(t);
        std::free(buf);
        return rc;
    }
    c.cl_flags |= COLL_TYPEOWNED | (buf != nullptr ? COLL_DATAOWNED : 0) | (isnull ? COLL_ISNULL : 0);
    if (Trw_Debug != 0)
        std::printf("nested value of %d bytes\n", plen);
    *nested = c;
    return 0;
}

} // extern "C"
