/* Collections: SET, MULTISET and LIST values and ROW values on the client.
 *
 * A collection record holds the elements as received in one data buffer
 * (cl_data) and a change log of insertions, updates and deletions made since,
 * kept sorted by position in the merged view. Cursors walk the merged view;
 * trw_coll_tuple writes it into a fresh buffer. The record and the cursors
 * are the caller's storage; what the functions allocate (change-log entries,
 * owned data and type descriptions) is freed by trw_coll_free.
 *
 * Data buffer: fixed-size elements back to back. For variable-size elements
 * (and for the fields of a ROW) an offset table closes the buffer: 4-byte
 * big-endian offsets from the buffer start, the first element's in the last
 * 4 bytes, the next 4 bytes lower, then the value -1; an element ends where
 * the next starts, the last at the -1 slot. Attaching data checks the table
 * (offsets non-decreasing and inside the data before the table: else -9986).
 *
 * Element bytes: character elements (0, 13, 15, 16, 43) are their bytes, a
 * fixed-size element is the stored form of its type (INTEGER 4 bytes
 * big-endian, DECIMAL DECLEN bytes, ...), an opaque element (40, 41) a
 * 5-byte prefix and its bytes, and a nested collection or row (19 to 23) a
 * nested value: bytes 0-1 the big-endian length of what follows, byte 2 the
 * NULL flag (1: NULL, and the value ends there), 5 bytes of padding (counted
 * from the start of the value, so the header does not depend on where the
 * value lies), at byte 8 the 32-bit kind (TRW_NESTED_*), at 12 the 32-bit
 * hash of the nested collection, then the nested collection's data buffer.
 * A NULL element is passed as a null element pointer; it is accepted where
 * the element type allows NULL and is stored as an empty element (the NULL
 * form 00 01 01 for a nested value); fixed-size types have no such form.
 *
 * Hash: XOR over the elements. Character elements by the PJW hash (h = 16h
 * + byte, bytes taken unsigned, trailing blanks counted, up to the length or
 * a zero byte; the top 4 bits g folded as h ^= g >> 24, h ^= g) modulo 211;
 * nested values by their stored hash (NULL: 0); every other element by the
 * XOR of its bytes as big-endian 4-byte words, a short tail padded with zero
 * bytes (opaque elements after their 5-byte prefix; one shorter than the
 * prefix gives 0). A missing type entry makes the hash 55567.
 *
 * Statuses: 0, 100 (no such element) or a negative error (TRW_COLL_E*).
 * No function keeps state beyond the records, except Trw_Debug. */
#ifndef TRW_COLLECTION_H
#define TRW_COLLECTION_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TRW_COLL_MARKER 0xDBDBDBDBu

/* cl_flags */
#define COLL_ISNULL 0x4
#define COLL_HASHVALID 0x100
#define COLL_TYPEOWNED 0x1000000
#define COLL_DATAOWNED 0x2000000
#define COLL_KEEP 0x4000000
/* The stored flags word of a NULL collection has its top bit set. */
#define COLL_STORED_NULL 0x80000000u

/* Change-log entry kinds (ch_modtype) and ch_flag bits. */
#define CHANGELOG_INSERT 0
#define CHANGELOG_UPDATE 1
#define CHANGELOG_DELETE 2
#define CHANGELOG_KIND3 3 /* carried through unchanged */
#define CHANGELOG_WITH_DATA 1
#define CHANGELOG_NEW 16
#define CHANGELOG_NEW_KIND3 32

/* Cursor flags; trw_coll_open_with_options takes TRW_COLL_STREAM. */
#define TRW_CURS_DELETED 0x4
#define TRW_COLL_STREAM 0x40

/* trw_coll_delete flags: bit 1 deletes every element. */
#define TRW_COLL_DELETE_ALL 1

/* Nested value kinds (low 4 bits) and the kept bit. */
#define TRW_NESTED_INLINE1 1
#define TRW_NESTED_INLINE2 2
#define TRW_NESTED_RECORD 4
#define TRW_NESTED_REF 8
#define TRW_NESTED_KEPT 0x10
#define TRW_NESTED_HEADER 16 /* bytes before the payload */

/* Type words: the code in the low byte, bit 0x100 not null. */
#define TRW_COLL_NOTNULL 0x100

/* Trw_Debug bits: 1 dumps the collection on insert and the element returned
 * by next; 2 dumps type entries; 4 traces cursor seeks; 8 dumps new change-log
 * entries; any bit traces nested-value copies. */
#define TRW_DEBUG_INSERT 1
#define TRW_DEBUG_TYPES 2
#define TRW_DEBUG_SEEK 4
#define TRW_DEBUG_LOG 8

/* Names in type descriptions: up to 128 bytes (plus a terminator here);
 * stored in 128-byte fields with long identifiers, else 18-byte ones. */
#define TRW_COLL_NAMELEN 128
#define TRW_COLL_SHORTNAME 18
#define TRW_COLL_MAXENTRIES 4096

/* Hash of a collection whose elements lack a type entry. */
#define TRW_COLL_NOTYPE_HASH 55567u

/* Statuses */
#define TRW_COLL_NOTFOUND 100
#define TRW_COLL_ENOMEM (-837)
#define TRW_COLL_ESTREAM (-9944)
#define TRW_COLL_ENOTYPE (-9969)
#define TRW_COLL_ELENGTH (-9973)
#define TRW_COLL_EROWDELETE (-9974)
#define TRW_COLL_EISNULL (-9976)
#define TRW_COLL_ENULLINSERT (-9978)
#define TRW_COLL_ENULLUPDATE (-9979)
#define TRW_COLL_ENOTLIST (-9980)
#define TRW_COLL_EDELBUSY (-9981)
#define TRW_COLL_EUPDBUSY (-9982)
#define TRW_COLL_EDELETED (-9983)
#define TRW_COLL_ECURSORS (-9984)
#define TRW_COLL_ECORRUPT (-9986)
#define TRW_COLL_EOPEN (-9987)
#define TRW_COLL_EROWCOUNT (-9989)
#define TRW_COLL_EKIND (-9875)
#define TRW_COLL_EFORM (-1815)
#define TRW_COLL_ETYPES (-9602)
#define TRW_COLL_ELOADMEM (-406)
#define TRW_COLL_ESIZE (-1207)

/* One entry of a type description: the collection itself (entry 0), a
 * collection's element type, or a field of a ROW (level_no one more than
 * its parent's; parent_no the parent's seqno). Names are terminated. */
typedef struct trw_coll_typeentry {
    int16_t seqno;
    int16_t level_no;
    int16_t parent_no;
    int16_t fieldnmlen;
    char fieldname[TRW_COLL_NAMELEN + 1];
    int16_t field_no;
    int16_t type;   /* code in the low byte, TRW_COLL_NOTNULL */
    int16_t length; /* DECIMAL, MONEY: precision * 256 + scale; DATETIME, INTERVAL: qualifier */
    int32_t xid;    /* extended type id */
    int16_t flags;
    int16_t xtype_nm_len;
    char xtype_name[TRW_COLL_NAMELEN + 1];
    int16_t xtype_owner_len;
    char xtype_owner_name[TRW_COLL_NAMELEN + 1];
    int16_t align;
    int32_t srctype;
} trw_coll_typeentry;

/* A type description: the header (carried through unchanged) and entries,
 * in order (a field's entries follow it, one level deeper). */
typedef struct trw_coll_typedesc {
    int32_t td_typeid;
    int16_t td_word;
    char td_name[TRW_COLL_NAMELEN + 1];
    int16_t td_count; /* entries */
    trw_coll_typeentry *td_entries;
} trw_coll_typedesc;

struct trw_coll_cursor;

/* A change-log entry; the new element follows the entry in its allocation. */
typedef struct trw_coll_change {
    int32_t ch_rownum;  /* 1-based position in the merged view */
    int32_t ch_modtype; /* CHANGELOG_INSERT, _UPDATE, _DELETE, _KIND3 */
    char *ch_newrow;
    int32_t ch_newrowlen;
    int32_t ch_flag; /* CHANGELOG_WITH_DATA: replaces an element of cl_data */
    struct trw_coll_change *ch_next;
    int64_t ch_size; /* bytes of the allocation */
} trw_coll_change;

/* The collection and row record (120 bytes, 8-aligned, cl_flags at 32). */
typedef struct trw_collection {
    uint32_t cl_marker; /* TRW_COLL_MARKER after trw_coll_init */
    int32_t cl_handle;
    struct trw_coll_cursor *cl_curs;
    int32_t cl_len; /* logical length of the data, following the change log */
    int32_t cl_cardinality;
    int16_t cl_isfixed;
    int32_t cl_elsize;
    uint32_t cl_flags;
    trw_coll_change *cl_lastlog;
    trw_coll_change *cl_log;
    char *cl_data;
    uint32_t cl_hashvalue;
    int32_t cl_datalen;
    int16_t cl_typed;
    int32_t cl_typelen;
    trw_coll_typedesc *cl_svr_typeinfo;
    trw_coll_typedesc *cl_typeinfo;
    int32_t cl_ndata;     /* elements in cl_data (kept by the functions here) */
    int32_t cl_spare;     /* zero */
    void *cl_reserved[2]; /* zero; keeps the host record's size */
} trw_collection;

/* A cursor on one collection (the caller's storage, filled by
 * trw_coll_open). cu_log, cu_consumed and cu_dataidx say where in the change
 * log and the data buffer the cursor stands. */
typedef struct trw_coll_cursor {
    int32_t cu_pos;   /* 1-based position, 0 before the first */
    char *cu_elem;    /* the current element in cl_data, or NULL */
    trw_collection *cu_coll;
    trw_coll_change *cu_log; /* the last change-log entry passed */
    int32_t cu_consumed;     /* data elements consumed since cu_log */
    int32_t cu_flags;        /* TRW_CURS_DELETED, TRW_COLL_STREAM */
    struct trw_coll_cursor *cu_next;
    trw_collection cu_copy; /* the record as of the last change */
    int32_t cu_dataidx;     /* data elements consumed in all */
} trw_coll_cursor;

/* Element comparison for equality and membership: 0 when equal. type is the
 * element's type word. */
typedef int (*trw_coll_cmpfn)(const char *a, int alen, const char *b, int blen, int type, void *ctx);

extern int Trw_Debug;
int trw_set_debug(int bits); /* returns the previous bits */

/* ---- Records, cursors and changes (collrec.cpp) ---- */

/* Clears the record, attaches the type description (as cl_typeinfo when
 * typed, else cl_svr_typeinfo; not copied, not owned) and the data (not
 * copied, not owned; NULL or length 0: empty), and computes the size rule
 * and the cardinality. -9969 without type entries or for a fixed element
 * of size 0, -9986 for a bad offset table, -9989 for a ROW whose data does
 * not hold one offset per field. */
int trw_coll_init(trw_collection *coll, trw_coll_typedesc *type, int typed, char *data, int datalen);
/* Frees the change log and what the record owns; -9984 while cursors are open. */
int trw_coll_free(trw_collection *coll);
/* Fills the cursor (before the first element) and links it; -9987 when it
 * is already open on the collection. */
int trw_coll_open(trw_collection *coll, trw_coll_cursor *cursor);
int trw_coll_open_with_options(trw_collection *coll, trw_coll_cursor *cursor, int options);
int trw_coll_close(trw_collection *coll, trw_coll_cursor *cursor);
/* position 0 appends; n > 0 inserts before position n (LIST only). */
int trw_coll_insert(trw_collection *coll, const char *elem, int len, int position);
/* flags TRW_COLL_DELETE_ALL deletes every element. */
int trw_coll_delete(trw_collection *coll, trw_coll_cursor *cursor, int flags);
int trw_coll_update(trw_collection *coll, trw_coll_cursor *cursor, const char *elem, int len);
int trw_coll_update_pos(trw_collection *coll, int position, const char *elem, int len);
/* *elem NULL: returns a pointer to the element (valid until the next
 * change); else copies the element into the buffer *elem points to, which
 * must hold it. */
int trw_coll_next(trw_collection *coll, trw_coll_cursor *cursor, char **elem, int *len);
int trw_coll_pos(trw_collection *coll, trw_coll_cursor *cursor, int position);
/* Writes the merged view into a new owned buffer and empties the log. */
int trw_coll_tuple(trw_collection *coll);
/* dst becomes an independent copy of src's merged view (owned data and
 * type description); dst is overwritten, not freed. */
int trw_coll_copy(const trw_collection *src, trw_collection *dst);
/* Recounts cl_cardinality from the data and the change log. */
int trw_coll_set_cardinality(trw_collection *coll);
/* Writes the NULL nested value (00 01 01) to out (3 bytes). */
int trw_coll_null(char *out);
/* Writes coll's merged view as a nested value into out (room bytes);
 * *written gets its length. -1207 when it does not fit or the value is
 * longer than the 16-bit length word. */
int trw_coll_put_coll(trw_collection *coll, char *out, int room, int *written);
/* Makes nested a collection of the nested value elem (len bytes), an
 * element of field fieldno (1-based; 0 for a collection's element) of
 * outer. nested owns a copy of the sub-description and of the payload. */
int trw_coll_set_nested_coll(const trw_collection *outer, int fieldno, const char *elem, int len,
                             trw_collection *nested);

/* ---- Hash, equality and membership (collhash.cpp) ---- */

/* Brings cl_hashvalue up to date; 0. */
int trw_coll_hash(trw_collection *coll);
/* *equal 1 or 0; *isnull 1 (and nothing compared) when an operand is NULL. */
int mi_trw_coll_equal(trw_collection *a, trw_collection *b, trw_coll_cmpfn cmp, void *ctx, int *equal,
                      int *isnull);
int trw_coll_equal(trw_collection *a, trw_collection *b, int *equal, int *isnull);
/* *found 1 when an element equal to elem is in the merged view. */
int trw_coll_inpred(trw_collection *coll, const char *elem, int len, int *found);
int trw_coll_valuet_inpred(trw_collection *coll, const char *elem, int len, trw_coll_cmpfn cmp, void *ctx,
                           int *found);
/* *found 1 when a nested element equals the collection nested. */
int trw_coll_nested_inpred(trw_collection *coll, trw_collection *nested, int *found);

/* ---- Type queries and type text (colltype.cpp) ---- */

/* fieldno: 1-based field of a ROW; 0 (or any) for a collection's element. */
int trw_coll_elem_type(const trw_collection *coll, int fieldno, int *type);
int trw_coll_elem_type_nonull(const trw_collection *coll, int fieldno, int *type);
int trw_coll_elem_len(const trw_collection *coll, int fieldno, int *len); /* stored size, -1 variable */
int trw_coll_elem_align(const trw_collection *coll, int fieldno, int *align);
int trw_coll_elem_xid(const trw_collection *coll, int fieldno, int *xid);
int trw_coll_elem_typeinfo(const trw_collection *coll, int fieldno, const trw_coll_typeentry **entry);
int trw_coll_elem_coll(const trw_collection *coll, int fieldno, int *iscoll);
int trw_coll_row_elem_type(const trw_collection *row, int fieldno, int *type);
int trw_coll_get_row_typeinfo(const trw_collection *row, int fieldno, const trw_coll_typeentry **entry);
int trw_coll_type_equal(const trw_collection *a, const trw_collection *b, int *equal);
int trw_get_row_xid(const trw_collection *row, int *xid);
/* "owner.name" of entry 0's extended type ("" when none); -1207 too small. */
int trw_get_row_extended_name(const trw_collection *row, char *out, int size);
/* The type text, such as "set(integer not null)"; -1207 when size is too small. */
int trw_cltypetostr(const trw_collection *coll, char *out, int size);
int trw_cltype2str(const trw_coll_typedesc *type, char *out, int size);

/* ---- Stored forms (collstore.cpp) ---- */

/* Bytes stcollection writes. */
int trw_coll_stored_size(trw_collection *coll, int longids);
/* Writes the stored form of the merged view; -1207 when room is too small. */
int stcollection(trw_collection *coll, char *out, int room, int longids);
/* Fills coll (not freed first) from a stored form; it owns its copies.
 * -406 without memory, -9986 for a form that cannot be read. */
int ldcollection(const char *stored, int length, trw_collection *coll, int longids);
/* The second form: a 4-byte word (even), the flags and, when they are not
 * negative, a 4-byte size and the data. ldudt loads it into a record that
 * holds its type description already (odd word: -1815). */
int studt(trw_collection *coll, char *out, int room);
int ldudt(const char *stored, int length, trw_collection *coll);
/* form 0: stcollection, else studt; *written gets the bytes written. */
int udtstore(trw_collection *coll, char *out, int room, int longids, int form, int *written);

/* ---- Dumps (colldump.cpp), to standard output ---- */

void trw_dump(trw_collection *coll, const char *tag);
void trw_coll_dump(trw_collection *coll);
void trw_hex_dump(const void *data, int length);

#ifdef __cplusplus
}
#endif

#endif
