// Collections: the type entries of the elements, the stored sizes of the
// element types, the type queries and the type text (trw_cltypetostr).
//
// A type description lists its entries in order, each entry's fields after
// it one level deeper; entry 0 is the collection or ROW itself.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "collint.h"
#include "datetime.h"
#include "decimal.h"
#include "rtypes.h"

namespace coll {

namespace {

// End (exclusive) of the subtree of entry i.
int subtree_end(const trw_coll_typedesc *t, int i)
{
    int j = i + 1;
    while (j < t->td_count && t->td_entries[j].level_no > t->td_entries[i].level_no)
        ++j;
    return j;
}

// Index of the n-th (1-based) direct child of entry i, or -1.
int child_index(const trw_coll_typedesc *t, int i, int n)
{
    const int end = subtree_end(t, i);
    const int level = t->td_entries[i].level_no + 1;
    for (int j = i + 1; j < end; ++j)
        if (t->td_entries[j].level_no == level && --n == 0)
            return j;
    return -1;
}

bool has_entries(const trw_coll_typedesc *t)
{
    return t != nullptr && t->td_entries != nullptr && t->td_count > 0;
}

} // namespace

int kind_of(const trw_collection *c)
{
    const trw_coll_typedesc *t = type_of(c);
    return has_entries(t) ? code_of(t->td_entries[0].type) : -1;
}

int row_fields(const trw_coll_typedesc *t)
{
    if (!has_entries(t))
        return 0;
    int n = 0;
    const int end = subtree_end(t, 0);
    for (int j = 1; j < end; ++j)
        n += t->td_entries[j].level_no == t->td_entries[0].level_no + 1;
    return n;
}

const trw_coll_typeentry *field_entry(const trw_collection *c, int fieldno)
{
    const trw_coll_typedesc *t = type_of(c);
    if (!has_entries(t))
        return nullptr;
    const int n = code_of(t->td_entries[0].type) == TRW_SQL_ROW ? fieldno : 1;
    if (n < 1)
        return nullptr;
    const int j = child_index(t, 0, n);
    return j < 0 ? nullptr : &t->td_entries[j];
}

const trw_coll_typeentry *elem_entry(const trw_collection *c, int pos) { return field_entry(c, pos); }

int entry_size(const trw_coll_typeentry *e)
{
    const int code = code_of(e->type);
    const int length = static_cast<uint16_t>(e->length);
    switch (code) {
    case TRW_SQL_SMALLINT: return 2;
    case TRW_SQL_INTEGER: case TRW_SQL_SERIAL: case TRW_SQL_DATE: case TRW_SQL_SMALLFLOAT: return 4;
    case TRW_SQL_FLOAT: return 8;
    case TRW_SQL_INT8: case TRW_SQL_SERIAL8: return 10;
    case TRW_SQL_BOOLEAN: return 1;
    case TRW_SQL_BYTE: case TRW_SQL_TEXT: return 56;
    case TRW_SQL_DECIMAL: case TRW_SQL_MONEY: return DECLEN((length >> 8) & 0xff, length & 0xff);
    case TRW_SQL_DATETIME: case TRW_SQL_INTERVAL: return DECLEN(TU_LEN(length), 0);
    case TRW_SQL_VARCHAR: case TRW_SQL_NVARCHAR: case TRW_SQL_VARUDT: case TRW_SQL_FIXUDT:
    case TRW_SQL_LVARCHAR:
        return -1;
    default: return is_nested_code(code) ? -1 : length;
    }
}

bool comparable(const trw_coll_typeentry *e)
{
    const int code = code_of(e->type);
    return !(code == 40 || code == 41 || code == 43 || code == 45);
}

trw_coll_typedesc *copy_type(const trw_coll_typedesc *t, int from, int n)
{
    auto *copy = static_cast<trw_coll_typedesc *>(std::malloc(sizeof(trw_coll_typedesc)));
    if (copy == nullptr)
        return nullptr;
    *copy = *t;
    copy->td_count = static_cast<int16_t>(n);
    copy->td_entries = nullptr;
    if (n > 0) {
        copy->td_entries = static_cast<trw_coll_typeentry *>(std::malloc(sizeof(trw_coll_typeentry) * n));
        if (copy->td_entries == nullptr) {
            std::free(copy);
            return nullptr;
        }
        std::memcpy(copy->td_entries, t->td_entries + from, sizeof(trw_coll_typeentry) * n);
        const int shift = copy->td_entries[0].level_no;
        for (int i = 0; i < n; ++i)
            copy->td_entries[i].level_no = static_cast<int16_t>(copy->td_entries[i].level_no - shift);
    }
    return copy;
}

void free_type(trw_coll_typedesc *t)
{
    if (t != nullptr)
        std::free(t->td_entries);
    std::free(t);
}

// Index range of the sub-description of field fieldno, for nested values.
int field_subtree(const trw_collection *c, int fieldno, int *from, int *n)
{
    const trw_coll_typedesc *t = type_of(c);
    const trw_coll_typeentry *e = field_entry(c, fieldno);
    if (e == nullptr)
        return TRW_COLL_ENOTYPE;
    *from = static_cast<int>(e - t->td_entries);
    *n = subtree_end(t, *from) - *from;
    return 0;
}

} // namespace coll

using namespace coll;

namespace {

// Appends text to a bounded output; false once it does not fit.
struct Out {
    char *p;
    int size;
    int used = 0;
    bool ok = true;
    void put(const char *s, int n)
    {
        if (!ok || used + n >= size) {
            ok = false;
            return;
        }
        std::memcpy(p + used, s, n);
        used += n;
    }
    void put(const char *s) { put(s, static_cast<int>(std::strlen(s))); }
};

void put_type(const trw_coll_typedesc *t, int i, Out *o);

void put_children(const trw_coll_typedesc *t, int i, Out *o)
{
    const int end = [&] {
        int j = i + 1;
        while (j < t->td_count && t->td_entries[j].level_no > t->td_entries[i].level_no)
            ++j;
        return j;
    }();
    bool first = true;
    for (int j = i + 1; j < end; ++j) {
        if (t->td_entries[j].level_no != t->td_entries[i].level_no + 1)
            continue;
        if (!first)
            o->put(", ");
        first = false;
        put_type(t, j, o);
    }
}

void put_type(const trw_coll_typedesc *t, int i, Out *o)
{
    const trw_coll_typeentry *e = &t->td_entries[i];
    const int code = code_of(e->type);
    const int length = static_cast<uint16_t>(e->length);
    char buf[64];
    if (i > 0 && e->fieldname[0] != '\0' && std::strcmp(e->fieldname, "(expression)") != 0) {
        o->put(e->fieldname);
        o->put(" ");
    }
    if (is_nested_code(code)) {
        o->put(rtypname(code));
        o->put("(");
        put_children(t, i, o);
        o->put(")");
    } else if (e->xtype_name[0] != '\0') {
        if (e->xtype_owner_name[0] != '\0') {
            o->put(e->xtype_owner_name, static_cast<int>(strnlen(e->xtype_owner_name, TRW_COLL_NAMELEN)));
            o->put(".");
        }
        o->put(e->xtype_name);
    } else {
        o->put(rtypname(code));
        if (code == TRW_SQL_DECIMAL || code == TRW_SQL_MONEY) {
            if ((length & 0xff) > 32)
                std::snprintf(buf, sizeof buf, "(%d)", (length >> 8) & 0xff);
            else
                std::snprintf(buf, sizeof buf, "(%d,%d)", (length >> 8) & 0xff, length & 0xff);
            o->put(buf);
        } else if (code == TRW_SQL_DATETIME || code == TRW_SQL_INTERVAL) {
            char q[40];
            const int n = rtudesc(code, length, q);
            if (n > 0) {
                o->put(" ");
                o->put(q, n);
            }
        } else if (code == 0 || code == 13 || code == 15 || code == 16) {
            std::snprintf(buf, sizeof buf, "(%d)", length);
            o->put(buf);
        }
    }
    if (e->type & TRW_COLL_NOTNULL)
        o->put(" not null");
}

int finish(Out *o)
{
    if (!o->ok || o->size <= 0) {
        if (o->size > 0)
            o->p[0] = '\0';
        return TRW_COLL_ESIZE;
    }
    o->p[o->used] = '\0';
    return 0;
}

int with_entry(const trw_collection *c, int fieldno, const trw_coll_typeentry **e)
{
    *e = c == nullptr ? nullptr : field_entry(c, fieldno);
    return *e == nullptr ? TRW_COLL_ENOTYPE : 0;
}

} // namespace

extern "C" {

int trw_cltype2str(const trw_coll_typedesc *type, char *out, int size)
{
    Out o{out, size};
    if (out == nullptr)
        return TRW_COLL_ESIZE;
    if (type != nullptr && type->td_entries != nullptr && type->td_count > 0)
        put_type(type, 0, &o);
    return finish(&o);
}

int trw_cltypetostr(const trw_collection *coll, char *out, int size)
{
    return trw_cltype2str(coll == nullptr ? nullptr : type_of(coll), out, size);
}

int trw_coll_elem_typeinfo(const trw_collection *coll, int fieldno, const trw_coll_typeentry **entry)
{
    return with_entry(coll, fieldno, entry);
}

int trw_coll_elem_type(const trw_collection *coll, int fieldno, int *type)
{
    const trw_coll_typeentry *e;
    const int rc = with_entry(coll, fieldno, &e);
    if (rc == 0)
        *type = static_cast<uint16_t>(e->type);
    return rc;
}

int trw_coll_elem_type_nonull(const trw_collection *coll, int fieldno, int *type)
{
    const int rc = trw_coll_elem_type(coll, fieldno, type);
    if (rc == 0)
        *type &= ~TRW_COLL_NOTNULL;
    return rc;
}

int trw_coll_elem_len(const trw_collection *coll, int fieldno, int *len)
{
    const trw_coll_typeentry *e;
    const int rc = with_entry(coll, fieldno, &e);
    if (rc == 0)
        *len = entry_size(e);
    return rc;
}

int trw_coll_elem_align(const trw_collection *coll, int fieldno, int *align)
{
    const trw_coll_typeentry *e;
    const int rc = with_entry(coll, fieldno, &e);
    if (rc == 0) {
        const int a = rtypalign(1, code_of(e->type));
        *align = e->align > 0 ? e->align : a <= 1 ? 1 : a;
    }
    return rc;
}

int trw_coll_elem_xid(const trw_collection *coll, int fieldno, int *xid)
{
    const trw_coll_typeentry *e;
    const int rc = with_entry(coll, fieldno, &e);
    if (rc == 0)
        *xid = e->xid;
    return rc;
}

int trw_coll_elem_coll(const trw_collection *coll, int fieldno, int *iscoll)
{
    const trw_coll_typeentry *e;
    const int rc = with_entry(coll, fieldno, &e);
    if (rc == 0)
        *iscoll = is_nested_code(code_of(e->type));
    return rc;
}

int trw_coll_row_elem_type(const trw_collection *row, int fieldno, int *type)
{
    return trw_coll_elem_type(row, fieldno, type);
}

int trw_coll_get_row_typeinfo(const trw_collection *row, int fieldno, const trw_coll_typeentry **entry)
{
    return with_entry(row, fieldno, entry);
}

int trw_coll_type_equal(const trw_collection *a, const trw_collection *b, int *equal)
{
    const trw_coll_typedesc *ta = type_of(a), *tb = type_of(b);
    const int na = ta == nullptr ? 0 : ta->td_count, nb = tb == nullptr ? 0 : tb->td_count;
    *equal = na == nb;
    for (int i = 0; *equal && i < na; ++i)
        *equal = code_of(ta->td_entries[i].type) == code_of(tb->td_entries[i].type) &&
                 ta->td_entries[i].level_no == tb->td_entries[i].level_no;
    return 0;
}

int trw_get_row_xid(const trw_collection *row, int *xid)
{
    const trw_coll_typedesc *t = row == nullptr ? nullptr : type_of(row);
    if (t == nullptr || t->td_entries == nullptr || t->td_count < 1)
        return TRW_COLL_ENOTYPE;
    *xid = t->td_entries[0].xid;
    return 0;
}

int trw_get_row_extended_name(const trw_collection *row, char *out, int size)
{
    const trw_coll_typedesc *t = row == nullptr ? nullptr : type_of(row);
    if (t == nullptr || t->td_entries == nullptr || t->td_count < 1)
        return TRW_COLL_ENOTYPE;
    const trw_coll_typeentry *e = &t->td_entries[0];
    Out o{out, size};
    if (out == nullptr)
        return TRW_COLL_ESIZE;
    if (e->xtype_name[0] != '\0') {
        if (e->xtype_owner_name[0] != '\0') {
            o.put(e->xtype_owner_name);
            o.put(".");
        }
        o.put(e->xtype_name);
    }
    return finish(&o);
}

} // extern "C"
