// SQL type codes and host type codes: the tables of both families (names,
// the mappings sqlctype and sqlstype, memory sizes, alignments, display
// widths and NULL forms) and the lookups over them (rtypname, trw_typename,
// rstr2type, rtosqltype, rtoctype, rtypmsize, rtypalign, rtypwidth, risnull,
// rsetnull). Sizes and alignments come from the records themselves; every
// lookup is one bounds test and one table read.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <array>
#include <cstring>
#include <iterator>

#include "datetime.h"
#include "decimal.h"
#include "dispwidth.h"
#include "glsenv.h"
#include "int8.h"
#include "numfmt.h"
#include "rtypes.h"
#include "sqlstmt.h"

namespace {

// ---- the records ---------------------------------------------------------------------

// The DATETIME and INTERVAL records: a 16-bit qualifier, then a DECIMAL.
static_assert(sizeof(decvalue) == 22 && alignof(decvalue) == 2);
static_assert(sizeof(dt_value) == 24 && alignof(dt_value) == 2 && offsetof(dt_value, dt_dec) == 2);
static_assert(sizeof(inv_value) == 24 && alignof(inv_value) == 2 && offsetof(inv_value, in_dec) == 2);
static_assert(sizeof(int8value) == 12 && alignof(int8value) == 4);
static_assert(sizeof(trw_locator) == 112 && alignof(trw_locator) == 8);
static_assert(offsetof(trw_locator, lo_indicator) == 4);
static_assert(sizeof(trw_opaque_host) == 24 && offsetof(trw_opaque_host, vh_flags) == 16);
static_assert(sizeof(long) == 8 && alignof(long) == 8);
static_assert(sizeof(float) == 4 && sizeof(double) == 8);
static_assert(TRW_COLL_FLAGS_OFFSET + 4 <= TRW_COLL_RECORD_SIZE && TRW_COLL_FLAGS_OFFSET % 4 == 0);

// Memory size of a type: a fixed count, or one computed from the length word.
enum class Size : uint8_t { Fixed, LenPlus1, LowBytePlus1, Len };

struct MemSize {
    Size kind;
    uint8_t bytes; // Fixed only
};

constexpr MemSize fixed(size_t n) { return {Size::Fixed, static_cast<uint8_t>(n)}; }
constexpr MemSize kLenPlus1{Size::LenPlus1, 0};
constexpr MemSize kLowBytePlus1{Size::LowBytePlus1, 0};
constexpr MemSize kLen{Size::Len, 0};
constexpr MemSize kNoSize = fixed(0);

// Alignments: the natural ones of the representations; 0 marks the opaque
// types, whose alignment is not known here.
constexpr uint8_t kAlignNone = 1;
constexpr uint8_t kAlignUnknown = 0;
constexpr uint8_t kAlignShort = alignof(int16_t);
constexpr uint8_t kAlignInt = alignof(int32_t);
constexpr uint8_t kAlignFloat = alignof(float);
constexpr uint8_t kAlignDouble = alignof(double);
constexpr uint8_t kAlignLong = alignof(long);
constexpr uint8_t kAlignDecimal = alignof(decvalue);
constexpr uint8_t kAlignQualified = alignof(dt_value);
constexpr uint8_t kAlignInt8 = alignof(int8value);
constexpr uint8_t kAlignLocator = alignof(trw_locator);
constexpr uint8_t kAlignCollection = TRW_COLL_RECORD_ALIGN;
static_assert(kAlignShort == 2 && kAlignDecimal == 2 && kAlignQualified == 2);
static_assert(kAlignInt == 4 && kAlignFloat == 4 && kAlignInt8 == 4);
static_assert(kAlignDouble == 8 && kAlignLong == 8 && kAlignLocator == 8 && kAlignCollection == 8);

// Display width of an SQL type: a fixed count or one of the computed rules.
enum class Width : uint8_t { Fixed, Decimal, Money, Date, Datetime, Interval, LowByte, Len };

struct DispWidth {
    Width kind;
    uint8_t chars; // Fixed only
};

constexpr DispWidth chars(int n) { return {Width::Fixed, static_cast<uint8_t>(n)}; }
constexpr DispWidth width(Width w) { return {w, 0}; }
constexpr DispWidth kNoWidth = chars(0);
constexpr DispWidth kLenWidth = width(Width::Len);

// NULL form of a host representation.
enum class Null : uint8_t {
    None,        // no NULL value
    Short,       // 16-bit -32768
    Int,         // 32-bit -2147483648
    Long,        // 64-bit -2147483648
    FloatBytes,  // 4 bytes 0xFF
    DoubleBytes, // 8 bytes 0xFF
    Decimal,     // decvalue: exponent 0, sign -1, ndigits 0
    Qualified,   // the decvalue after the qualifier, likewise
    Locator,     // lo_indicator -1
    Int8,        // sign 0, both words 0
    CollFlags,   // bit 0x4 of the 32-bit flags word
    OpaqueFlags, // bit 0x2 of vh_flags
    BooleanByte, // 0xFF
    FirstByte,   // first byte 0
};

// ---- SQL type codes ------------------------------------------------------------------

// One row per SQL code 0..51: its name (lower case, "" for none), memory
// size, alignment and display width. The host code is sqlctype[code].
struct SqlType {
    const char *name;
    MemSize size;
    uint8_t align;
    DispWidth width;
};

constexpr SqlType kUnnamed{"", kNoSize, kAlignNone, kNoWidth};
constexpr SqlType collection_type(const char *name)
{
    return {name, fixed(TRW_COLL_RECORD_SIZE), kAlignCollection, kLenWidth};
}

constexpr SqlType kSqlTypes[] = {
    /*  0 */ {"char", kLenPlus1, kAlignNone, kLenWidth},
    /*  1 */ {"smallint", fixed(sizeof(int16_t)), kAlignShort, chars(6)},
    /*  2 */ {"integer", fixed(sizeof(int32_t)), kAlignInt, chars(11)},
    /*  3 */ {"float", fixed(sizeof(double)), kAlignDouble, chars(14)},
    /*  4 */ {"smallfloat", fixed(sizeof(float)), kAlignFloat, chars(14)},
    /*  5 */ {"decimal", fixed(sizeof(decvalue)), kAlignDecimal, width(Width::Decimal)},
    /*  6 */ {"serial", fixed(sizeof(int32_t)), kAlignInt, chars(11)},
    /*  7 */ {"date", fixed(sizeof(int32_t)), kAlignInt, width(Width::Date)},
    /*  8 */ {"money", fixed(sizeof(decvalue)), kAlignDecimal, width(Width::Money)},
    /*  9 */ kUnnamed,
    /* 10 */ {"datetime", fixed(sizeof(dt_value)), kAlignQualified, width(Width::Datetime)},
    /* 11 */ {"byte", fixed(sizeof(trw_locator)), kAlignLocator, kLenWidth},
    /* 12 */ {"text", fixed(sizeof(trw_locator)), kAlignLocator, kLenWidth},
    /* 13 */ {"varchar", kLowBytePlus1, kAlignNone, width(Width::LowByte)},
    /* 14 */ {"interval", fixed(sizeof(inv_value)), kAlignQualified, width(Width::Interval)},
    /* 15 */ {"nchar", kLenPlus1, kAlignNone, kLenWidth},
    /* 16 */ {"nvarchar", kLowBytePlus1, kAlignNone, width(Width::LowByte)},
    /* 17 */ {"int8", fixed(sizeof(int8value)), kAlignInt8, chars(20)},
    /* 18 */ {"serial8", fixed(sizeof(int8value)), kAlignInt8, chars(20)},
    /* 19 */ collection_type("set"),
    /* 20 */ collection_type("multiset"),
    /* 21 */ collection_type("list"),
    /* 22 */ collection_type("row"),
    /* 23 */ collection_type("collection"),
    /* 24 */ kUnnamed, kUnnamed, kUnnamed, kUnnamed, kUnnamed, kUnnamed, kUnnamed, kUnnamed,
    /* 32 */ kUnnamed, kUnnamed, kUnnamed, kUnnamed, kUnnamed, kUnnamed, kUnnamed, kUnnamed,
    /* 40 */ {"variable udt", kLen, kAlignUnknown, kLenWidth},
    /* 41 */ {"fixed udt", kLen, kAlignUnknown, kLenWidth},
    /* 42 */ kUnnamed,
    /* 43 */ {"lvarchar", kLen, kAlignNone, kLenWidth},
    /* 44 */ {"send/receive", kNoSize, kAlignNone, kNoWidth},
    /* 45 */ {"boolean", fixed(1), kAlignNone, chars(1)},
    /* 46 */ {"import/export", kNoSize, kAlignNone, kNoWidth},
    /* 47 */ {"import/export binary", kNoSize, kAlignNone, kNoWidth},
    /* 48 */ kUnnamed,
    /* 49 */ {"dbsend/dbreceive", kNoSize, kAlignNone, kNoWidth},
    /* 50 */ {"srvsend/srvreceive", kNoSize, kAlignNone, kNoWidth},
    /* 51 */ kUnnamed,
};
static_assert(std::size(kSqlTypes) == TRW_SQL_NTYPES);

// ---- host type codes -----------------------------------------------------------------

// One row per host code 100..124: memory size, alignment and NULL form. The
// SQL code is sqlstype[code - 100].
struct HostType {
    MemSize size;
    uint8_t align;
    Null null;
};

constexpr HostType kHostTypes[] = {
    /* 100 */ {kLenPlus1, kAlignNone, Null::FirstByte},
    /* 101 */ {fixed(sizeof(int16_t)), kAlignShort, Null::Short},
    /* 102 */ {fixed(sizeof(int32_t)), kAlignInt, Null::Int},
    /* 103 */ {fixed(sizeof(long)), kAlignLong, Null::Long},
    /* 104 */ {fixed(sizeof(float)), kAlignFloat, Null::FloatBytes},
    /* 105 */ {fixed(sizeof(double)), kAlignDouble, Null::DoubleBytes},
    /* 106 */ {kNoSize, kAlignNone, Null::None},
    /* 107 */ {fixed(sizeof(decvalue)), kAlignDecimal, Null::Decimal},
    /* 108 */ {kLen, kAlignNone, Null::FirstByte},
    /* 109 */ {kLenPlus1, kAlignNone, Null::FirstByte},
    /* 110 */ {fixed(sizeof(int32_t)), kAlignInt, Null::Int},
    /* 111 */ {fixed(sizeof(decvalue)), kAlignDecimal, Null::Decimal},
    /* 112 */ {fixed(sizeof(dt_value)), kAlignQualified, Null::Qualified},
    /* 113 */ {fixed(sizeof(trw_locator)), kAlignLocator, Null::Locator},
    /* 114 */ {kLowBytePlus1, kAlignNone, Null::FirstByte},
    /* 115 */ {fixed(sizeof(inv_value)), kAlignQualified, Null::Qualified},
    /* 116 */ {kLenPlus1, kAlignLocator, Null::FirstByte},
    /* 117 */ {fixed(sizeof(int8value)), kAlignInt8, Null::Int8},
    /* 118 */ {kNoSize, kAlignNone, Null::CollFlags},
    /* 119 */ {kLen, kAlignNone, Null::FirstByte},
    /* 120 */ {kLen, kAlignUnknown, Null::None},
    /* 121 */ {kLen, kAlignUnknown, Null::OpaqueFlags},
    /* 122 */ {fixed(1), kAlignNone, Null::BooleanByte},
    /* 123 */ {kNoSize, kAlignNone, Null::CollFlags},
    /* 124 */ {kLen, kAlignNone, Null::OpaqueFlags},
};
static_assert(std::size(kHostTypes) == TRW_HOST_NTYPES);

// rstr2type's names, as they read after the upshift.
struct TypeName {
    const char *name;
    int code;
};

constexpr TypeName kTypeNames[] = {
    {"BYTE", TRW_SQL_BYTE},         {"BOOLEAN", TRW_SQL_BOOLEAN},     {"CHAR", TRW_SQL_CHAR},
    {"CHARACTER", TRW_SQL_CHAR},    {"COLLECTION", TRW_SQL_COLLECTION}, {"DATE", TRW_SQL_DATE},
    {"DECIMAL", TRW_SQL_DECIMAL},   {"DATETIME", TRW_SQL_DATETIME},   {"FLOAT", TRW_SQL_FLOAT},
    {"INT8", TRW_SQL_INT8},         {"INT", TRW_SQL_INTEGER},         {"INTEGER", TRW_SQL_INTEGER},
    {"INTERVAL", TRW_SQL_INTERVAL}, {"LIST", TRW_SQL_LIST},           {"LVARCHAR", TRW_SQL_LVARCHAR},
    {"MONEY", TRW_SQL_MONEY},       {"MULTISET", TRW_SQL_MULTISET},   {"NCHAR", TRW_SQL_NCHAR},
    {"NVARCHAR", TRW_SQL_NVARCHAR}, {"NULL", TRW_SQL_NULL},           {"ROW", TRW_SQL_ROW},
    {"SERIAL8", TRW_SQL_SERIAL8},   {"SERIAL", TRW_SQL_SERIAL},       {"SET", TRW_SQL_SET},
    {"SMALLFLOAT", TRW_SQL_SMALLFLOAT}, {"SMALLINT", TRW_SQL_SMALLINT}, {"TEXT", TRW_SQL_TEXT},
    {"VARCHAR", TRW_SQL_VARCHAR},
};
static_assert(std::size(kTypeNames) == 28);

constexpr bool is_sql(int code) { return code >= 0 && code <= TRW_SQL_MAXTYPE; }
constexpr bool is_host(int code) { return code >= TRW_HOST_FIRST && code <= TRW_HOST_LAST; }

// ---- sizes and alignments ------------------------------------------------------------

// The size and alignment of every code 0..124 in one dense table, built
// from the two tables above (codes 52..99 are zero rows), so that a lookup
// is a bounds test and a read. A size is
//     min(max(len & mask, -plus) + plus, INT_MAX) + bytes
// with mask 0 and plus 0 for a fixed size, mask ~0 and plus 1 for len + 1
// (a negative len gives 0), mask 0xff and plus 1 for (len & 0xff) + 1, and
// mask ~0, plus 0 for len (a negative len gives 0).
constexpr int kDenseCodes = TRW_HOST_LAST + 1;

struct Dense {
    int64_t mask;
    uint8_t plus;
    uint8_t bytes;
    uint8_t align; // 1 unaligned, 0 the opaque types' "not known here"
};

constexpr Dense dense_of(MemSize s, uint8_t align)
{
    switch (s.kind) {
    case Size::Fixed:
        return {0, 0, s.bytes, align};
    case Size::LenPlus1:
        return {-1, 1, 0, align};
    case Size::LowBytePlus1:
        return {0xff, 1, 0, align};
    case Size::Len:
        return {-1, 0, 0, align};
    }
    return {0, 0, 0, align};
}

constexpr std::array<Dense, kDenseCodes> dense_table()
{
    std::array<Dense, kDenseCodes> t{};
    for (Dense &d : t)
        d = {0, 0, 0, kAlignNone};
    for (int c = 0; c < TRW_SQL_NTYPES; ++c)
        t[c] = dense_of(kSqlTypes[c].size, kSqlTypes[c].align);
    for (int c = TRW_HOST_FIRST; c <= TRW_HOST_LAST; ++c)
        t[c] = dense_of(kHostTypes[c - TRW_HOST_FIRST].size, kHostTypes[c - TRW_HOST_FIRST].align);
    return t;
}

constexpr std::array<Dense, kDenseCodes> kDense = dense_table();
static_assert(kDense[13].mask == 0xff && kDense[112].bytes == 24 && kDense[60].align == kAlignNone);

int memory_size(const Dense &d, int len)
{
    int64_t v = static_cast<int64_t>(len) & d.mask;
    v = (v < -d.plus ? -d.plus : v) + d.plus;
    return static_cast<int>(v > INT_MAX ? INT_MAX : v) + d.bytes;
}

// Rounds up to a (a power of two; 1 leaves the offset, 0 gives 0): the
// rounded offset, or -1 when it exceeds INT_MAX.
int align_offset(int offset, int a)
{
    const int64_t rounded = (static_cast<int64_t>(offset) + a - 1) & -static_cast<int64_t>(a);
    return rounded > INT_MAX ? -1 : static_cast<int>(rounded);
}

// ---- display widths ------------------------------------------------------------------

// Digits of a DATETIME or INTERVAL text by its qualifier: the digit count,
// plus one delimiter per unit after the first (half the unit-code span; a
// fraction end counts as 12), plus the point before a leading fraction.
int qualifier_chars(unsigned qualifier)
{
    const int digits = static_cast<int>((qualifier >> 8) & 0xff);
    const int start = static_cast<int>((qualifier >> 4) & 0xf);
    int end = static_cast<int>(qualifier & 0xf);
    if (end > 10)
        end = 12;
    return digits + (end - start) / 2 + (start == 12 ? 1 : 0);
}

// A setting of the current locale environment counts as set when not empty.
bool setting_given(int index)
{
    const GlsEnv *env = CheckGlsEnv();
    const char *value = env->state != nullptr ? env->state->setting[index] : nullptr;
    return value != nullptr && *value != '\0';
}

int datetime_width(unsigned qualifier)
{
    if (setting_given(GLS_DBTIME))
        return dispwidth::datetime_format_len();
    if (setting_given(GLS_GL_DATETIME))
        return 80;
    return qualifier_chars(qualifier);
}

// DECIMAL and MONEY: p digits, a point, and a sign, or room for an
// exponent when the scale floats; a value whose scale equals its precision
// also shows the zero before the point.
int number_width(Width kind, unsigned len, int *status)
{
    const numfmt *fmt = gls_numfmt(status);
    if (*status != 0)
        return 0;
    const int p = static_cast<int>((len >> 8) & 0xff);
    const int s = static_cast<int>(len & 0xff);
    if (kind == Width::Decimal)
        return p + fmt->decimal_point_width + (s == DEC_FLOATING ? 6 : s != p ? 1 : 2);
    return p + fmt->mon_decimal_point_width + rfrontlen() + rbacklen() + (s != p ? 1 : 2);
}

int display_width(DispWidth w, int len)
{
    const auto bits = static_cast<unsigned>(len);
    int status = 0;
    switch (w.kind) {
    case Width::Fixed:
        return w.chars;
    case Width::Decimal:
    case Width::Money:
        return number_width(w.kind, bits, &status);
    case Width::Date:
        return dispwidth::date_format_len();
    case Width::Datetime:
        return datetime_width(bits);
    case Width::Interval:
        return qualifier_chars(bits) + 1;
    case Width::LowByte:
        return static_cast<int>(bits & 0xff);
    case Width::Len:
        return len;
    }
    return 0;
}

// ---- NULL forms ----------------------------------------------------------------------

// The NULL form of a code: SQL codes through sqlctype, host codes as they
// are (so 102 keeps its 32-bit form), None for anything else.
Null null_form(int code);

template <typename T> void put(char *p, T v) { std::memcpy(p, &v, sizeof v); }
template <typename T> T get(const char *p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

bool all_bytes(const char *p, int n, unsigned char byte)
{
    for (int i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) != byte)
            return false;
    return true;
}

void set_decimal_null(char *dec)
{
    put<int16_t>(dec + offsetof(decvalue, exponent), 0);
    put<int16_t>(dec + offsetof(decvalue, sign), -1);
    put<int16_t>(dec + offsetof(decvalue, ndigits), 0);
}

void set_flag16(char *p, uint16_t bit) { put<uint16_t>(p, static_cast<uint16_t>(get<uint16_t>(p) | bit)); }
void set_flag32(char *p, uint32_t bit) { put<uint32_t>(p, get<uint32_t>(p) | bit); }

constexpr size_t kQualifiedDec = offsetof(dt_value, dt_dec);
constexpr size_t kOpaqueFlags = offsetof(trw_opaque_host, vh_flags);
constexpr size_t kLocatorIndicator = offsetof(trw_locator, lo_indicator);

bool is_null_form(Null form, const char *v)
{
    switch (form) {
    case Null::None:
        return false;
    case Null::Short:
        return get<int16_t>(v) == TRW_NULL_SMALLINT;
    case Null::Int:
        return get<int32_t>(v) == TRW_NULL_INTEGER;
    case Null::Long:
        return get<long>(v) == TRW_NULL_INTEGER;
    case Null::FloatBytes:
        return all_bytes(v, sizeof(float), TRW_NULL_FLOATBYTE);
    case Null::DoubleBytes:
        return all_bytes(v, sizeof(double), TRW_NULL_FLOATBYTE);
    case Null::Decimal:
        return get<int16_t>(v + offsetof(decvalue, sign)) == -1;
    case Null::Qualified:
        return get<int16_t>(v + kQualifiedDec + offsetof(decvalue, sign)) == -1;
    case Null::Locator:
        return get<int32_t>(v + kLocatorIndicator) == -1;
    case Null::Int8:
        return get<int16_t>(v + offsetof(int8value, sign)) == 0;
    case Null::CollFlags:
        return (get<uint32_t>(v + TRW_COLL_FLAGS_OFFSET) & TRW_COLL_ISNULL) != 0;
    case Null::OpaqueFlags:
        return (get<uint16_t>(v + kOpaqueFlags) & TRW_OPAQUE_ISNULL) != 0;
    case Null::BooleanByte:
        return static_cast<unsigned char>(*v) == TRW_NULL_BOOLEAN;
    case Null::FirstByte:
        return *v == '\0';
    }
    return false;
}

void set_null_form(Null form, char *v)
{
    switch (form) {
    case Null::None:
        return;
    case Null::Short:
        return put<int16_t>(v, TRW_NULL_SMALLINT);
    case Null::Int:
        return put<int32_t>(v, TRW_NULL_INTEGER);
    case Null::Long:
        return put<long>(v, TRW_NULL_INTEGER);
    case Null::FloatBytes:
        std::memset(v, TRW_NULL_FLOATBYTE, sizeof(float));
        return;
    case Null::DoubleBytes:
        std::memset(v, TRW_NULL_FLOATBYTE, sizeof(double));
        return;
    case Null::Decimal:
        return set_decimal_null(v);
    case Null::Qualified:
        return set_decimal_null(v + kQualifiedDec);
    case Null::Locator:
        return put<int32_t>(v + kLocatorIndicator, -1);
    case Null::Int8:
        put<uint32_t>(v + offsetof(int8value, data), 0);
        put<uint32_t>(v + offsetof(int8value, data) + sizeof(uint32_t), 0);
        return put<int16_t>(v + offsetof(int8value, sign), 0);
    case Null::CollFlags:
        return set_flag32(v + TRW_COLL_FLAGS_OFFSET, TRW_COLL_ISNULL);
    case Null::OpaqueFlags:
        return set_flag16(v + kOpaqueFlags, TRW_OPAQUE_ISNULL);
    case Null::BooleanByte:
        *v = static_cast<char>(TRW_NULL_BOOLEAN);
        return;
    case Null::FirstByte:
        *v = '\0';
        return;
    }
}

} // namespace

extern "C" {

// sqlctype[code]: the host code serving SQL code 0..51, -1 for none.
constexpr int16_t sqlctype[TRW_SQL_NTYPES] = {
    /*  0 */ 100, 101, 102, 105, 104, 107, 102, 110, 111, -1,
    /* 10 */ 112, 113, 113, 114, 115, 100, 114, 117, 117, 118,
    /* 20 */ 118, 118, 123, 118, -1,  -1,  -1,  -1,  -1,  -1,
    /* 30 */ -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,
    /* 40 */ 121, 120, 117, 119, 121, 122, -1,  -1,  -1,  -1,
    /* 50 */ -1,  -1,
};

// sqlstype[code - 100]: the SQL code of host code 100..124, -1 for none.
constexpr int16_t sqlstype[TRW_HOST_NTYPES] = {
    /* 100 */ 0,  1,  2,  2,  4,  3,  -1, 5,  0,  0,
    /* 110 */ 7,  8,  10, 11, 13, 14, 11, 17, 23, 43,
    /* 120 */ 41, 40, 45, 22, 43,
};

} // extern "C"

namespace {

Null null_form(int code)
{
    if (is_sql(code))
        code = sqlctype[code];
    return is_host(code) ? kHostTypes[code - TRW_HOST_FIRST].null : Null::None;
}

} // namespace

extern "C" {

char *rtypname(int type)
{
    const unsigned code = static_cast<unsigned>(type) & 0xffu;
    const char *name = code < TRW_SQL_NTYPES ? kSqlTypes[code].name : "";
    return const_cast<char *>(name);
}

char *trw_typename(int type, int xid)
{
    (void)xid;
    return rtypname(type);
}

int rstr2type(char *name)
{
    if (name == nullptr)
        return -1;
    rupshift(name);
    for (const TypeName &t : kTypeNames)
        if (std::strcmp(name, t.name) == 0)
            return t.code;
    return -1;
}

int rtosqltype(int code)
{
    if (is_sql(code))
        return code;
    if (code == TRW_HOST_INT)
        return TRW_SQL_INTEGER;
    return is_host(code) ? sqlstype[code - TRW_HOST_FIRST] : -1;
}

int rtoctype(int code)
{
    if (code == TRW_HOST_INT)
        return TRW_HOST_LONG;
    return is_sql(code) ? sqlctype[code] : code;
}

int rtypmsize(int code, int len)
{
    return static_cast<unsigned>(code) < kDenseCodes ? memory_size(kDense[code], len) : 0;
}

int rtypalign(int offset, int code)
{
    return static_cast<unsigned>(code) < kDenseCodes ? align_offset(offset, kDense[code].align) : offset;
}

int rtypwidth(int type, int len)
{
    if (chkglsinit() != 0)
        return 0;
    const unsigned code = static_cast<unsigned>(type) & 0xffu;
    return code < TRW_SQL_NTYPES ? display_width(kSqlTypes[code].width, len) : 0;
}

int risnull(int code, char *value)
{
    return value != nullptr && is_null_form(null_form(code), value) ? 1 : 0;
}

int rsetnull(int code, char *value)
{
    if (value != nullptr)
        set_null_form(null_form(code), value);
    return 0;
}

} // extern "C"
