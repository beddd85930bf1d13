// Internal: what the collection modules share: the type entries of a
// record's elements, the sizes of stored element types, access to the
// elements of the data buffer, and the walk of the merged view (the data
// buffer with the change log applied) that cursors, flattening, hashing and
// storing use.
#pragma once

#include <cstdint>

#include "collection.h"

namespace coll {

// Where a walk of the merged view stands: pos elements seen, e the last
// change-log entry passed (null: none yet), k data elements consumed since
// e, d data elements consumed in all. d < 0 marks a state to be rebuilt.
struct ViewState {
    int pos = 0;
    trw_coll_change *e = nullptr;
    int k = 0;
    int d = 0;
};

inline const trw_coll_typedesc *type_of(const trw_collection *c)
{
    return c->cl_typed ? c->cl_typeinfo : c->cl_svr_typeinfo;
}

inline int code_of(int type) { return type & 0xff; }

inline bool is_nested_code(int code) { return code >= 19 && code <= 23; }
inline bool is_char_code(int code) { return code == 0 || code == 13 || code == 15 || code == 16 || code == 43; }
inline bool is_opaque_code(int code) { return code == 40 || code == 41; }

// The kind of the collection (19 to 23), or -1 without type entries.
int kind_of(const trw_collection *c);

// The entry of field fieldno (1-based) of a ROW, or of the element of any
// other collection; null when missing.
const trw_coll_typeentry *field_entry(const trw_collection *c, int fieldno);

// Entry of the element at view position pos (1-based).
const trw_coll_typeentry *elem_entry(const trw_collection *c, int pos);

// Entries [*from, *from + *n) describe field fieldno (its subtree); -9969.
int field_subtree(const trw_collection *c, int fieldno, int *from, int *n);

// Number of level-1 entries below entry 0.
int row_fields(const trw_coll_typedesc *t);

// Stored size of an element of the entry's type; -1 for a variable size.
int entry_size(const trw_coll_typeentry *e);

// Data element idx (0-based) of cl_data; false when outside the buffer.
bool data_elem(const trw_collection *c, int idx, const char **p, int *len);

// Counts the elements of an attached buffer and checks its offset table:
// 0 with *count, or -9986.
int count_data(const trw_collection *c, int *count);

// Moves s forward (or from the start) to view position target (1..card):
// 0, 100 beyond the end, -9986 when the log and the data disagree.
int seek(const trw_collection *c, ViewState *s, int target);

// The element s stands on: 0, or -9986 (no element there).
int fetch(const trw_collection *c, const ViewState *s, const char **p, int *len);

// Bytes the merged view takes as a data buffer; -9986 when it cannot be
// walked, -9989 for a ROW whose fields disagree with its type.
int64_t encoded_size(const trw_collection *c);
// Writes the merged view (encoded_size bytes) to out.
int encode(const trw_collection *c, char *out);

// Hash of one element of the given type entry.
uint32_t elem_hash(const trw_coll_typeentry *e, const char *p, int len);
// Hash of the merged view.
uint32_t view_hash(const trw_collection *c);

// Byte-wise element comparison (0 equal).
int default_cmp(const char *a, int alen, const char *b, int blen, int type, void *ctx);

// *found 1 when an element other than the one at skip_pos (0: none)
// compares equal to elem through cmp.
int find_elem(const trw_collection *c, const char *elem, int len, trw_coll_cmpfn cmp, void *ctx, int skip_pos,
              int *found);

// 1 when the element may be compared by value.
bool comparable(const trw_coll_typeentry *e);

// A deep copy of a type description (entries from..from+n-1, levels shifted
// so that the first is level 0); null without memory.
trw_coll_typedesc *copy_type(const trw_coll_typedesc *t, int from, int n);
void free_type(trw_coll_typedesc *t);

// Re-seats every open cursor after a change (their states are rebuilt on
// their next move) and refreshes their copies of the record.
void touch_cursors(trw_collection *c);

// Big-endian integers.
inline uint32_t ld4(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return (uint32_t{u[0]} << 24) | (uint32_t{u[1]} << 16) | (uint32_t{u[2]} << 8) | u[3];
}
inline int ld2(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return static_cast<int16_t>((u[0] << 8) | u[1]);
}
inline void st4(uint32_t v, char *p)
{
    p[0] = static_cast<char>(v >> 24);
    p[1] = static_cast<char>(v >> 16);
    p[2] = static_cast<char>(v >> 8);
    p[3] = static_cast<char>(v);
}
inline void st2(int v, char *p)
{
    p[0] = static_cast<char>(v >> 8);
    p[1] = static_cast<char>(v);
}

} // namespace coll
