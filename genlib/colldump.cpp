// Collections: the debug dumps (trw_dump, trw_coll_dump, trw_hex_dump), to
// standard output, one item a line. Pointers are printed whole, in hex after
// "0x". The hex dump prints rows of 16 bytes: the offset, the bytes as
// "%02x " with one more blank after the eighth (49 characters; the last row
// is padded to that width so that the characters line up), and the bytes
// as characters ('.' for those that are not printable). A run of rows equal
// to the row before is replaced by one line counting them.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "collint.h"
#include "rtypes.h"

using namespace coll;

namespace {

unsigned long ptr(const void *p) { return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(p)); }

constexpr int kRow = 16;
constexpr int kHexWidth = kRow * 3 + 1;

void hex_row(const unsigned char *p, int n, int offset)
{
    char hex[kHexWidth + 1];
    char chars[kRow + 1];
    int at = 0;
    for (int i = 0; i < kRow; ++i) {
        if (i < n)
            std::snprintf(hex + at, sizeof hex - at, "%02x ", p[i]);
        else
            std::memcpy(hex + at, "   ", 3);
        at += 3;
        if (i == 7)
            hex[at++] = ' ';
    }
    hex[at] = '\0';
    for (int i = 0; i < n; ++i)
        chars[i] = p[i] >= 0x20 && p[i] < 0x7f ? static_cast<char>(p[i]) : '.';
    chars[n] = '\0';
    std::printf("%5d: %s %s\n", offset, hex, chars);
}

const char *kind_text(int kind)
{
    switch (kind) {
    case TRW_SQL_SET: return "\tSET ";
    case TRW_SQL_MULTISET: return "\tMULTISET ";
    case TRW_SQL_LIST: return "\tLIST ";
    case TRW_SQL_ROW: return "\tROW ";
    default: return nullptr;
    }
}

void dump_types(const trw_coll_typedesc *t)
{
    std::printf("typeinfo: 0x%lx\n", ptr(t));
    if (t == nullptr || t->td_entries == nullptr || !(Trw_Debug & TRW_DEBUG_TYPES))
        return;
    for (int i = 0; i < t->td_count; ++i) {
        const trw_coll_typeentry *e = &t->td_entries[i];
        std::printf("\t[%d]\n", i);
        std::printf("\t\tseqno = %d, level_no=%d, parent_no=%d, field_no=%d\n", e->seqno, e->level_no, e->parent_no,
                    e->field_no);
        std::printf("\t\tfieldnmlen = %d, fieldname = %s\n", e->fieldnmlen, e->fieldname);
        std::printf("\t\ttype: %s %d (0x%x)/xid=%d\n", rtypname(e->type), code_of(e->type),
                    static_cast<unsigned>(static_cast<uint16_t>(e->type)), e->xid);
        std::printf("\t\tlength = %d, flags=0x%x, align = %d, srctype = %d\n", static_cast<uint16_t>(e->length),
                    static_cast<unsigned>(static_cast<uint16_t>(e->flags)), e->align, e->srctype);
        if (e->xtype_nm_len > 0)
            std::printf("\t\txtype_nm_len = %d, xtype_name = %s\n", e->xtype_nm_len, e->xtype_name);
        if (e->xtype_owner_len > 0)
            std::printf("\t\txtype_owner_len = %d, xtype_owner_name = %s\n", e->xtype_owner_len, e->xtype_owner_name);
    }
}

void dump_log(const trw_coll_change *log)
{
    std::printf("Dumping changelog starting at 0x%lx\n", ptr(log));
    for (const trw_coll_change *e = log; e != nullptr; e = e->ch_next) {
        std::printf("\tch_rownum = %d\n", e->ch_rownum);
        std::printf("\tch_modtype = %d\n", e->ch_modtype);
        std::printf("\tch_newrow = 0x%lx\n", ptr(e->ch_newrow));
        std::printf("\tch_newrowlen = %d\n", e->ch_newrowlen);
        std::printf("%s\n", e->ch_flag & CHANGELOG_WITH_DATA ? "\tch_flag = CHANGELOG_WITH_DATA" : "\tch_flag = 0");
        std::printf("\tch_next = 0x%lx\n", ptr(e->ch_next));
        trw_hex_dump(e->ch_newrow, e->ch_newrowlen);
    }
}

} // namespace

extern "C" {

void trw_hex_dump(const void *data, int length)
{
    const auto *p = static_cast<const unsigned char *>(data);
    if (length < 0 || p == nullptr)
        length = 0;
    std::printf("%d bytes @ 0x%lx\n", length, ptr(data));
    int dups = 0;
    for (int off = 0; off < length; off += kRow) {
        const int n = length - off < kRow ? length - off : kRow;
        if (off > 0 && n == kRow && std::memcmp(p + off, p + off - kRow, kRow) == 0) {
            ++dups;
            continue;
        }
        if (dups > 0)
            std::printf("\t****** dup output suppressed %d rows\n", dups);
        dups = 0;
        hex_row(p + off, n, off);
    }
    if (dups > 0)
        std::printf("\t****** dup output suppressed %d rows\n", dups);
}

void trw_dump(trw_collection *coll, const char *tag)
{
    std::printf("************************************************************\n");
    std::printf("Dumping collection in %s\n", tag != nullptr ? tag : "");
    std::printf("collp: 0x%lx\n", ptr(coll));
    if (coll == nullptr)
        return;
    if (coll->cl_flags & COLL_ISNULL)
        std::printf("COLL_ISNULL\n");
    if (const char *k = kind_text(kind_of(coll)))
        std::printf("%s\n", k);
    std::printf("cl_len = %d, cl_datalen = %d\n", coll->cl_len, coll->cl_datalen);
    std::printf("\tcl_data = 0x%lx\n", ptr(coll->cl_data));
    std::printf("\tcl_handle = %d, cl_curs = 0x%lx\n", coll->cl_handle, ptr(coll->cl_curs));
    std::printf("\tcl_isfixed = %d, cl_elsize = %d\n", coll->cl_isfixed, coll->cl_elsize);
    std::printf("\tcl_flags = %d, cl_cardinality = %d\n", static_cast<int>(coll->cl_flags), coll->cl_cardinality);
    std::printf("\tcl_log = 0x%lx, cl_lastlog = 0x%lx\n", ptr(coll->cl_log), ptr(coll->cl_lastlog));
    std::printf("\tcl_hashvalue = %d\n", static_cast<int>(coll->cl_hashvalue));
    std::printf("\tcl_typed = %d, cl_typelen = %d\n", coll->cl_typed, coll->cl_typelen);
    std::printf("\tcl_svr_typeinfo = 0x%lx, cl_typeinfo = 0x%lx\n", ptr(coll->cl_svr_typeinfo),
                ptr(coll->cl_typeinfo));
    dump_types(type_of(coll));
    if (coll->cl_log != nullptr)
        dump_log(coll->cl_log);
    std::printf("\tcl_data at 0x%lx\n", ptr(coll->cl_data));
    trw_hex_dump(coll->cl_data, coll->cl_datalen);
    std::fflush(stdout);
}

void trw_coll_dump(trw_collection *coll) { trw_dump(coll, "trw_coll_dump"); }

} // extern "C"
