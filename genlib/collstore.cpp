// Collections: the stored forms (stcollection, ldcollection, studt, ldudt,
// udtstore).
//
// Stored form, integers big-endian, names in fields of W bytes (128 with
// long identifiers, else 18), zero-padded:
//   4 length of what follows, 4 type id, 2 word, W type name, 2 entry count;
//   per entry: 2 seqno, 2 level_no, 2 parent_no, 2 fieldnmlen, W fieldname,
//   2 field_no, 2 type, 2 length, 4 xid, 2 flags, 2 xtype_nm_len,
//   W xtype_name, 2 xtype_owner_len, W xtype_owner_name, 2 align, 4 srctype;
//   then 4 cl_handle, 4 cl_len, 4 flags, and the data buffer of the merged
//   view (cl_len bytes).
// A name longer than W is written cut, with the cut length. A NULL
// collection is written with a zeroed description (no entries), no data and
// the flags word COLL_STORED_NULL, which the loader turns into COLL_ISNULL.
// Bits of cl_flags that only say what the record owns and whether its hash
// is valid are not stored. On loading, opaque entries (40, 41) of xid 1
// become LVARCHAR (43), of xid 5 BOOLEAN (45).
//
// Second form: 4 word (written 0; an odd word is refused with -1815), 4
// flags, and when these are not negative 4 size and the data.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "collint.h"
#include "rtypes.h"

using namespace coll;

namespace {

constexpr uint32_t kNotStored = COLL_ISNULL | COLL_HASHVALID | COLL_TYPEOWNED | COLL_DATAOWNED;

int width(int longids) { return longids ? TRW_COLL_NAMELEN : TRW_COLL_SHORTNAME; }

int64_t entry_bytes(int w) { return 30 + 3 * static_cast<int64_t>(w); }

struct Writer {
    char *p;
    void u2(int v)
    {
        st2(v, p);
        p += 2;
    }
    void u4(uint32_t v)
    {
        st4(v, p);
        p += 4;
    }
    void name(const char *s, int w)
    {
        std::memset(p, 0, w);
        if (s != nullptr)
            std::memcpy(p, s, std::min<size_t>(strnlen(s, TRW_COLL_NAMELEN), w));
        p += w;
    }
    // A length field and its name, both cut at the field width.
    void counted(const char *s, int w)
    {
        u2(static_cast<int>(std::min<size_t>(strnlen(s, TRW_COLL_NAMELEN), w)));
        name(s, w);
    }
};

struct Reader {
    const char *p;
    const char *end;
    bool ok = true;
    bool need(int64_t n)
    {
        if (end - p < n)
            ok = false;
        return ok;
    }
    int u2()
    {
        if (!need(2))
            return 0;
        const int v = ld2(p);
        p += 2;
        return v;
    }
    uint32_t u4()
    {
        if (!need(4))
            return 0;
        const uint32_t v = ld4(p);
        p += 4;
        return v;
    }
    // A name field of width w, of which len bytes are the name.
    void name(char *dst, int len, int w)
    {
        dst[0] = '\0';
        if (!need(w))
            return;
        if (len < 0)
            len = 0;
        if (len > w)
            len = w;
        std::memcpy(dst, p, len);
        dst[len] = '\0';
        p += w;
    }
    int16_t counted(char *dst, int w)
    {
        int len = u2();
        len = len < 0 ? 0 : len > w ? w : len;
        name(dst, len, w);
        return static_cast<int16_t>(strnlen(dst, TRW_COLL_NAMELEN));
    }
};

bool is_null_coll(const trw_collection *c) { return (c->cl_flags & COLL_ISNULL) != 0; }

void write_entry(Writer *o, const trw_coll_typeentry *e, int w)
{
    o->u2(e->seqno);
    o->u2(e->level_no);
    o->u2(e->parent_no);
    o->counted(e->fieldname, w);
    o->u2(e->field_no);
    o->u2(e->type);
    o->u2(e->length);
    o->u4(static_cast<uint32_t>(e->xid));
    o->u2(e->flags);
    o->counted(e->xtype_name, w);
    o->counted(e->xtype_owner_name, w);
    o->u2(e->align);
    o->u4(static_cast<uint32_t>(e->srctype));
}

void read_entry(Reader *in, trw_coll_typeentry *e, int w)
{
    std::memset(e, 0, sizeof *e);
    e->seqno = static_cast<int16_t>(in->u2());
    e->level_no = static_cast<int16_t>(in->u2());
    e->parent_no = static_cast<int16_t>(in->u2());
    e->fieldnmlen = in->counted(e->fieldname, w);
    e->field_no = static_cast<int16_t>(in->u2());
    e->type = static_cast<int16_t>(in->u2());
    e->length = static_cast<int16_t>(in->u2());
    e->xid = static_cast<int32_t>(in->u4());
    e->flags = static_cast<int16_t>(in->u2());
    e->xtype_nm_len = in->counted(e->xtype_name, w);
    e->xtype_owner_len = in->counted(e->xtype_owner_name, w);
    e->align = static_cast<int16_t>(in->u2());
    e->srctype = static_cast<int32_t>(in->u4());
    const int code = code_of(e->type);
    if ((code == TRW_SQL_VARUDT || code == TRW_SQL_FIXUDT) && (e->xid == 1 || e->xid == 5))
        e->type = static_cast<int16_t>((e->type & ~0xff) | (e->xid == 1 ? TRW_SQL_LVARCHAR : TRW_SQL_BOOLEAN));
}

int64_t data_size(const trw_collection *c) { return is_null_coll(c) ? 0 : encoded_size(c); }

uint32_t stored_flags(const trw_collection *c)
{
    return is_null_coll(c) ? COLL_STORED_NULL : c->cl_flags & ~kNotStored & ~COLL_STORED_NULL;
}

} // namespace

extern "C" {

int trw_coll_stored_size(trw_collection *coll, int longids)
{
    if (coll == nullptr)
        return TRW_COLL_ECORRUPT;
    const trw_coll_typedesc *t = type_of(coll);
    const int w = width(longids);
    const int64_t d = data_size(coll);
    if (d < 0)
        return static_cast<int>(d);
    const int n = is_null_coll(coll) || t == nullptr ? 0 : t->td_count;
    const int64_t size = 4 + 8 + w + n * entry_bytes(w) + 12 + d;
    return size > INT32_MAX ? TRW_COLL_ESIZE : static_cast<int>(size);
}

int stcollection(trw_collection *coll, char *out, int room, int longids)
{
    const int size = trw_coll_stored_size(coll, longids);
    if (size < 0)
        return size;
    if (out == nullptr || size > room)
        return TRW_COLL_ESIZE;
    const trw_coll_typedesc *t = type_of(coll);
    const int w = width(longids);
    const bool isnull = is_null_coll(coll);
    Writer o{out};
    o.u4(static_cast<uint32_t>(size - 4));
    o.u4(isnull || t == nullptr ? 0 : static_cast<uint32_t>(t->td_typeid));
    o.u2(isnull || t == nullptr ? 0 : t->td_word);
    o.name(isnull || t == nullptr ? nullptr : t->td_name, w);
    const int n = isnull || t == nullptr ? 0 : t->td_count;
    o.u2(n);
    for (int i = 0; i < n; ++i)
        write_entry(&o, &t->td_entries[i], w);
    const int64_t d = data_size(coll);
    o.u4(static_cast<uint32_t>(coll->cl_handle));
    o.u4(static_cast<uint32_t>(d));
    o.u4(stored_flags(coll));
    return d > 0 ? encode(coll, o.p) : 0;
}

int ldcollection(const char *stored, int length, trw_collection *coll, int longids)
{
    if (stored == nullptr || coll == nullptr || length < 4)
        return TRW_COLL_ECORRUPT;
    const int w = width(longids);
    const int64_t total = ld4(stored);
    if (total > length - 4)
        return TRW_COLL_ECORRUPT;
    Reader in{stored + 4, stored + 4 + total};
    auto *t = static_cast<trw_coll_typedesc *>(std::calloc(1, sizeof(trw_coll_typedesc)));
    if (t == nullptr)
        return TRW_COLL_ELOADMEM;
    t->td_typeid = static_cast<int32_t>(in.u4());
    t->td_word = static_cast<int16_t>(in.u2());
    in.name(t->td_name, w, w);
    const int n = in.u2();
    if (!in.ok || n < 0 || n > TRW_COLL_MAXENTRIES || !in.need(n * entry_bytes(w) + 12)) {
        free_type(t);
        return TRW_COLL_ECORRUPT;
    }
    if (n > 0) {
        t->td_entries = static_cast<trw_coll_typeentry *>(std::malloc(sizeof(trw_coll_typeentry) * n));
        if (t->td_entries == nullptr) {
            free_type(t);
            return TRW_COLL_ELOADMEM;
        }
    }
    t->td_count = static_cast<int16_t>(n);
    for (int i = 0; i < n; ++i)
        read_entry(&in, &t->td_entries[i], w);
    const int32_t handle = static_cast<int32_t>(in.u4());
    in.u4(); // the stored length: the data runs to the end of the form
    const uint32_t flags = in.u4();
    const int64_t d = in.end - in.p;
    char *data = d > 0 ? static_cast<char *>(std::malloc(d)) : nullptr;
    if (d > 0 && data == nullptr) {
        free_type(t);
        return TRW_COLL_ELOADMEM;
    }
    if (d > 0)
        std::memcpy(data, in.p, d);
    trw_collection c;
    int rc = 0;
    if (flags & COLL_STORED_NULL) {
        std::memset(&c, 0, sizeof c);
        c.cl_marker = TRW_COLL_MARKER;
        c.cl_svr_typeinfo = t;
        c.cl_typelen = 304 + 414 * n;
        std::free(data);
        data = nullptr;
    } else {
        rc = trw_coll_init(&c, t, 0, data, static_cast<int>(d));
    }
    if (rc != 0) {
        free_type(t);
        std::free(data);
        return rc;
    }
    c.cl_handle = handle;
    c.cl_flags = (flags & ~kNotStored & ~COLL_STORED_NULL) | COLL_TYPEOWNED | (data != nullptr ? COLL_DATAOWNED : 0) |
                 (flags & COLL_STORED_NULL ? COLL_ISNULL : 0);
    *coll = c;
    return 0;
}

int studt(trw_collection *coll, char *out, int room)
{
    if (coll == nullptr)
        return TRW_COLL_ECORRUPT;
    const int64_t d = data_size(coll);
    if (d < 0)
        return static_cast<int>(d);
    const bool isnull = is_null_coll(coll);
    const int64_t size = isnull ? 8 : 12 + d;
    if (out == nullptr || size > room)
        return TRW_COLL_ESIZE;
    Writer o{out};
    o.u4(0);
    o.u4(stored_flags(coll));
    if (isnull)
        return 0;
    o.u4(static_cast<uint32_t>(d));
    return d > 0 ? encode(coll, o.p) : 0;
}

int ldudt(const char *stored, int length, trw_collection *coll)
{
    if (stored == nullptr || coll == nullptr || length < 8)
        return TRW_COLL_ECORRUPT;
    if (coll->cl_marker != TRW_COLL_MARKER || type_of(coll) == nullptr)
        return TRW_COLL_ENOTYPE;
    if (coll->cl_curs != nullptr)
        return TRW_COLL_ECURSORS;
    if (ld4(stored) & 1)
        return TRW_COLL_EFORM;
    const uint32_t flags = ld4(stored + 4);
    int64_t d = 0;
    if (!(flags & COLL_STORED_NULL)) {
        if (length < 12)
            return TRW_COLL_ECORRUPT;
        d = static_cast<int32_t>(ld4(stored + 8));
        if (d < 0 || d > length - 12)
            return TRW_COLL_ECORRUPT;
    }
    char *data = d > 0 ? static_cast<char *>(std::malloc(d)) : nullptr;
    if (d > 0 && data == nullptr)
        return TRW_COLL_ELOADMEM;
    if (d > 0)
        std::memcpy(data, stored + 12, d);
    trw_collection c;
    auto *t = const_cast<trw_coll_typedesc *>(type_of(coll));
    const int rc = trw_coll_init(&c, t, coll->cl_typed, data, static_cast<int>(d));
    if (rc != 0) {
        std::free(data);
        return rc;
    }
    const uint32_t owned = coll->cl_flags & COLL_TYPEOWNED;
    const int32_t handle = coll->cl_handle;
    if (coll->cl_typed)
        c.cl_svr_typeinfo = coll->cl_svr_typeinfo;
    else
        c.cl_typeinfo = coll->cl_typeinfo;
    // The old contents go; the type descriptions stay.
    coll->cl_flags &= ~COLL_TYPEOWNED;
    trw_coll_free(coll);
    c.cl_handle = handle;
    c.cl_flags = (flags & ~kNotStored & ~COLL_STORED_NULL) | owned | (data != nullptr ? COLL_DATAOWNED : 0) |
                 (flags & COLL_STORED_NULL ? COLL_ISNULL : 0);
    *coll = c;
    return 0;
}

int udtstore(trw_collection *coll, char *out, int room, int longids, int form, int *written)
{
    if (coll == nullptr || written == nullptr)
        return TRW_COLL_ECORRUPT;
    if (form == 0) {
        const int size = trw_coll_stored_size(coll, longids);
        const int rc = stcollection(coll, out, room, longids);
        *written = rc == 0 ? size : 0;
        return rc;
    }
    const int64_t d = data_size(coll);
    const int rc = studt(coll, out, room);
    *written = rc != 0 ? 0 : (coll->cl_flags & COLL_ISNULL) ? 8 : static_cast<int>(12 + d);
    return rc;
}

} // extern "C"
