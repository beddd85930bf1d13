// Internal: what the value-record modules share: the kinds of SQL type
// codes both dispatchers select on, the NULL forms of the record, the
// character walk of the client locale, and the collection glue.
#pragma once

#include <cstdint>
#include <cstring>

#include "gentcb.h"
#include "valrec.h"

namespace valrec_int {

// What a type code holds, for the dispatch of the conversions.
enum class Kind : unsigned char {
    None,       // no loader and no conversion
    Char,       // 0, 13, 15, 16, 43
    Small,      // 1
    Integer,    // 2, 6
    Date,       // 7
    Float,      // 3
    SmallFloat, // 4
    Decimal,    // 5, 8
    DateTime,   // 10
    Interval,   // 14
    Blob,       // 11, 12
    Int8,       // 17, 18
    Collection, // 19 to 23
    Opaque,     // 40, 41
    Boolean,    // 45
    NullType,   // 9
};

constexpr int kTypes = TRW_SQL_NTYPES;

constexpr Kind kind_of_code(int code)
{
    switch (code) {
    case 0: case 13: case 15: case 16: case 43: return Kind::Char;
    case 1: return Kind::Small;
    case 2: case 6: return Kind::Integer;
    case 3: return Kind::Float;
    case 4: return Kind::SmallFloat;
    case 5: case 8: return Kind::Decimal;
    case 7: return Kind::Date;
    case 9: return Kind::NullType;
    case 10: return Kind::DateTime;
    case 11: case 12: return Kind::Blob;
    case 14: return Kind::Interval;
    case 17: case 18: return Kind::Int8;
    case 19: case 20: case 21: case 22: case 23: return Kind::Collection;
    case 40: case 41: return Kind::Opaque;
    case 45: return Kind::Boolean;
    default: return Kind::None;
    }
}

struct KindTable {
    Kind kinds[kTypes];
    constexpr KindTable() : kinds()
    {
        for (int i = 0; i < kTypes; ++i)
            kinds[i] = kind_of_code(i);
    }
};
inline constexpr KindTable kKinds{};

inline int code_of(int type) { return type & VAL_TYPEMASK; }

// The kind of a type word; codes above 51 are None.
inline Kind kind(int type)
{
    const int code = code_of(type);
    return code < kTypes ? kKinds.kinds[code] : Kind::None;
}

inline bool is_null(const valrec *v) { return v->vind < 0; }

// Clears the conversion error (the block is created when it does not
// exist yet).
inline void clear_toerrno()
{
    if (gentcb != nullptr)
        gentcb->gt_toerrno = 0;
    else
        set_toerrno(0);
}

// The float type of stored floats, as trwGEN_getFloatType gives it.
inline int float_type()
{
    return gentcb != nullptr ? gentcb->gt_floattype : trwGEN_getFloatType();
}

inline void null_decimal(decvalue *dec)
{
    dec->exponent = 0;
    dec->sign = -1;
    dec->ndigits = 0;
}

inline double null_double()
{
    double d;
    std::memset(&d, 0xFF, sizeof d);
    return d;
}

// The opaque form's header: the NULL byte and the big-endian length.
inline void put_opaque_head(unsigned char *out, bool null, uint32_t length)
{
    out[0] = null ? 1 : 0;
    out[1] = static_cast<unsigned char>(length >> 24);
    out[2] = static_cast<unsigned char>(length >> 16);
    out[3] = static_cast<unsigned char>(length >> 8);
    out[4] = static_cast<unsigned char>(length);
}

// The largest character boundary at or before limit in the len bytes at s,
// walked in the client locale (single-byte code sets: limit itself). An
// invalid byte counts as a character of its own.
int char_boundary(const char *s, int len, int limit);

// Length of len bytes without their trailing blanks.
inline int trimmed_length(const char *s, int len)
{
    while (len > 0 && s[len - 1] == ' ')
        --len;
    return len;
}

// Copies a character value into a field of n bytes: at most n bytes, a
// cut character's bytes in the field become blanks, the rest of the field
// pad; the bytes of a character the cut falls into become cutfill. -1279
// with ansidb for a value whose significant length exceeds n. *copied
// receives the bytes of whole characters copied.
int copy_chars(const char *src, int srclen, char *out, int n, char pad, char cutfill, int *copied);

// A terminated copy of a character value: in buf (size bytes) when it
// fits, else on the heap (*heap set, to be freed). nullptr without memory.
char *terminated_copy(const valrec *v, char *buf, int size, char **heap);

// The text of a non-character value (no NULL) with the rules of rvalstr,
// into buf (81 bytes) within width characters, terminated; its length, or
// a negative status.
int value_text(valrec *v, char *buf, int width, bool prec16);

// ---- Collections (valcoll.cpp) ----
// Loads the stored collection at data (at most len bytes when len is above
// 0) into v's record; 0 or a status.
int coll_load(const char *data, int len, valrec *v);
// Writes the collection in v (NULL: the NULL collection) into data, at
// most len bytes when len is above 0; 0 or a status.
int coll_store(valrec *v, char *data, int len, bool null);

} // namespace valrec_int
