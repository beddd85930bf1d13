// SQL and host type codes: the documented tables written out here one row
// per code, and every code from -300 to 300, type words with flag bits and
// the int range's edges checked against them through rtypname,
// trw_typename, rtosqltype, rtoctype, rtypmsize and rtypalign; the exported
// mapping tables entry by entry; and the NULL forms byte by byte through
// rsetnull and risnull.
#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "decimal.h"
#include "int8.h"
#include "rtypes.h"

namespace {

// ---- the documented tables -------------------------------------------------------------

// Memory sizes: a byte count, or one of the rules on the length word.
constexpr int kLenPlus1 = -1;     // len + 1
constexpr int kLowBytePlus1 = -2; // (len & 0xff) + 1
constexpr int kLen = -3;          // len

struct SqlRow {
    int code;
    const char *name;
    int host;
    int size;
};

const SqlRow kSqlRows[] = {
    {0, "char", 100, kLenPlus1},
    {1, "smallint", 101, 2},
    {2, "integer", 102, 4},
    {3, "float", 105, 8},
    {4, "smallfloat", 104, 4},
    {5, "decimal", 107, 22},
    {6, "serial", 102, 4},
    {7, "date", 110, 4},
    {8, "money", 111, 22},
    {9, "", -1, 0},
    {10, "datetime", 112, 24},
    {11, "byte", 113, 112},
    {12, "text", 113, 112},
    {13, "varchar", 114, kLowBytePlus1},
    {14, "interval", 115, 24},
    {15, "nchar", 100, kLenPlus1},
    {16, "nvarchar", 114, kLowBytePlus1},
    {17, "int8", 117, 12},
    {18, "serial8", 117, 12},
    {19, "set", 118, 120},
    {20, "multiset", 118, 120},
    {21, "list", 118, 120},
    {22, "row", 123, 120},
    {23, "collection", 118, 120},
    {24, "", -1, 0}, {25, "", -1, 0}, {26, "", -1, 0}, {27, "", -1, 0},
    {28, "", -1, 0}, {29, "", -1, 0}, {30, "", -1, 0}, {31, "", -1, 0},
    {32, "", -1, 0}, {33, "", -1, 0}, {34, "", -1, 0}, {35, "", -1, 0},
    {36, "", -1, 0}, {37, "", -1, 0}, {38, "", -1, 0}, {39, "", -1, 0},
    {40, "variable udt", 121, kLen},
    {41, "fixed udt", 120, kLen},
    {42, "", 117, 0},
    {43, "lvarchar", 119, kLen},
    {44, "send/receive", 121, 0},
    {45, "boolean", 122, 1},
    {46, "import/export", -1, 0},
    {47, "import/export binary", -1, 0},
    {48, "", -1, 0},
    {49, "dbsend/dbreceive", -1, 0},
    {50, "srvsend/srvreceive", -1, 0},
    {51, "", -1, 0},
};

struct HostRow {
    int code;
    int sql;
    int size;
};

const HostRow kHostRows[] = {
    {100, 0, kLenPlus1}, {101, 1, 2},   {102, 2, 4},       {103, 2, 8},   {104, 4, 4},
    {105, 3, 8},         {106, -1, 0},  {107, 5, 22},      {108, 0, kLen}, {109, 0, kLenPlus1},
    {110, 7, 4},         {111, 8, 22},  {112, 10, 24},     {113, 11, 112}, {114, 13, kLowBytePlus1},
    {115, 14, 24},       {116, 11, kLenPlus1}, {117, 17, 12}, {118, 23, 0}, {119, 43, kLen},
    {120, 41, kLen},     {121, 40, kLen}, {122, 45, 1},    {123, 22, 0},  {124, 43, kLen},
};

// Alignments; codes not listed leave the offset unchanged, -1 here means
// "returns 0".
struct AlignRow {
    int align;
    std::vector<int> codes;
};

const AlignRow kAlignRows[] = {
    {2, {1, 5, 8, 10, 14, 101, 107, 111, 112, 115}},
    {4, {2, 4, 6, 7, 17, 18, 102, 104, 110, 117}},
    {8, {3, 11, 12, 19, 20, 21, 22, 23, 103, 105, 113, 116}},
    {-1, {40, 41, 120, 121}},
};

const SqlRow *sql_row(int code)
{
    for (const SqlRow &r : kSqlRows)
        if (r.code == code)
            return &r;
    return nullptr;
}

const HostRow *host_row(int code)
{
    for (const HostRow &r : kHostRows)
        if (r.code == code)
            return &r;
    return nullptr;
}

int documented_align(int code)
{
    for (const AlignRow &r : kAlignRows)
        for (int c : r.codes)
            if (c == code)
                return r.align;
    return 1;
}

int size_by_rule(int rule, int len)
{
    switch (rule) {
    case kLenPlus1:
        return len + 1;
    case kLowBytePlus1:
        return (len & 0xff) + 1;
    case kLen:
        return len;
    default:
        return rule;
    }
}

// ---- models of the functions over the documented tables ------------------------------

std::string model_name(int type)
{
    const SqlRow *r = sql_row(static_cast<int>(static_cast<unsigned>(type) & 0xffu));
    return r != nullptr ? r->name : "";
}

int model_tosql(int code)
{
    if (code >= 0 && code <= 51)
        return code;
    if (code == 102)
        return 2;
    const HostRow *h = host_row(code);
    return h != nullptr ? h->sql : -1;
}

int model_toc(int code)
{
    if (code == 102)
        return 103;
    const SqlRow *r = sql_row(code);
    return r != nullptr ? r->host : code;
}

int model_msize(int code, int len)
{
    if (const SqlRow *r = sql_row(code))
        return size_by_rule(r->size, len);
    if (const HostRow *h = host_row(code))
        return size_by_rule(h->size, len);
    return 0;
}

int model_align(int offset, int code)
{
    const int a = documented_align(code);
    if (a == -1)
        return 0;
    if (a == 1)
        return offset;
    return (offset + a - 1) / a * a;
}

// Every code from -300 to 300, type words with flag bits on small codes,
// and the int range's edges.
std::vector<int> codes_to_sweep()
{
    std::vector<int> codes;
    for (int c = -300; c <= 300; ++c)
        codes.push_back(c);
    for (int flag : {0x100, 0x200, 0x400, 0x800, 0x4000, 0x10000, 0x7f000000, INT_MIN})
        for (int c : {0, 1, 2, 9, 13, 17, 45, 51, 100, 102, 113, 124})
            codes.push_back(flag | c);
    for (int c : {INT_MIN, INT_MIN + 1, -65536, 65535, 65536, INT_MAX - 1, INT_MAX})
        codes.push_back(c);
    return codes;
}

} // namespace

// ---- lookups ------------------------------------------------------------------------------

TEST(TypeNames, EveryCodeByItsLowByte)
{
    for (int code : codes_to_sweep()) {
        const char *name = rtypname(code);
        ASSERT_NE(name, nullptr) << code;
        EXPECT_EQ(name, model_name(code)) << code;
    }
    EXPECT_STREQ(rtypname(0x100 | 2), "integer");
    EXPECT_STREQ(rtypname(9), "");
    EXPECT_STREQ(rtypname(24), "");
}

TEST(TypeNames, TrwTypenameIgnoresItsSecondArgument)
{
    for (int code : codes_to_sweep())
        for (int xid : {0, 1, 2, 5, 21, 22, 43, 44, 45, 49, 50, -1, INT_MAX, INT_MIN}) {
            const char *name = trw_typename(code, xid);
            ASSERT_NE(name, nullptr);
            EXPECT_EQ(name, model_name(code)) << code << " " << xid;
        }
}

TEST(TypeMapping, RtosqltypeAndRtoctype)
{
    for (int code : codes_to_sweep()) {
        EXPECT_EQ(rtosqltype(code), model_tosql(code)) << code;
        EXPECT_EQ(rtoctype(code), model_toc(code)) << code;
    }
    EXPECT_EQ(rtosqltype(102), 2);
    EXPECT_EQ(rtosqltype(106), -1);
    EXPECT_EQ(rtosqltype(125), -1);
    EXPECT_EQ(rtoctype(102), 103);
    EXPECT_EQ(rtoctype(200), 200);
    EXPECT_EQ(rtoctype(9), -1);
    EXPECT_EQ(rtoctype(0x102), 0x102);
}

TEST(TypeMapping, ExportedTablesEntryByEntry)
{
    ASSERT_EQ(sizeof sqlctype / sizeof sqlctype[0], 52u);
    ASSERT_EQ(sizeof sqlstype / sizeof sqlstype[0], 25u);
    for (const SqlRow &r : kSqlRows)
        EXPECT_EQ(sqlctype[r.code], r.host) << r.code;
    for (const HostRow &h : kHostRows)
        EXPECT_EQ(sqlstype[h.code - 100], h.sql) << h.code;
    EXPECT_EQ(sqlstype[2], 2);
}

TEST(MemorySize, EveryCodeAndLength)
{
    for (int code : codes_to_sweep())
        for (int len : {0, 1, 44, 255, 256, 300, 0x7FFF})
            EXPECT_EQ(rtypmsize(code, len), model_msize(code, len)) << code << " " << len;
    EXPECT_EQ(rtypmsize(13, 300), 45);
    EXPECT_EQ(rtypmsize(0x102, 0), 0);
}

TEST(MemorySize, LengthsAtTheEdgesOfInt)
{
    // The rows of len + 1 and len give 0 for a negative length and stop at
    // INT_MAX; the low-byte rows read the low byte of any length.
    for (int code : {0, 15, 100, 109, 116}) {
        EXPECT_EQ(rtypmsize(code, INT_MAX), INT_MAX) << code;
        EXPECT_EQ(rtypmsize(code, INT_MAX - 1), INT_MAX) << code;
        EXPECT_EQ(rtypmsize(code, -1), 0) << code;
        EXPECT_EQ(rtypmsize(code, INT_MIN), 0) << code;
    }
    for (int code : {40, 41, 43, 108, 119, 120, 121, 124}) {
        EXPECT_EQ(rtypmsize(code, INT_MAX), INT_MAX) << code;
        EXPECT_EQ(rtypmsize(code, INT_MIN), 0) << code;
    }
    for (int code : {13, 16, 114}) {
        EXPECT_EQ(rtypmsize(code, -1), 256) << code;
        EXPECT_EQ(rtypmsize(code, INT_MIN), 1) << code;
        EXPECT_EQ(rtypmsize(code, INT_MAX), 256) << code;
    }
    EXPECT_EQ(rtypmsize(5, INT_MIN), 22);
}

TEST(Alignment, EveryCodeAndOffset)
{
    for (int code : codes_to_sweep())
        for (int offset = 0; offset <= 33; ++offset)
            EXPECT_EQ(rtypalign(offset, code), model_align(offset, code)) << code << " " << offset;
    EXPECT_EQ(rtypalign(13, 3), 16);
    EXPECT_EQ(rtypalign(13, 0), 13);
    EXPECT_EQ(rtypalign(13, 40), 0);
}

TEST(Alignment, OffsetsAtTheEdgesOfInt)
{
    // Negative offsets round up toward zero; an offset that cannot be
    // rounded up within int gives -1; unaligned codes return any offset.
    EXPECT_EQ(rtypalign(-13, 2), -12);
    EXPECT_EQ(rtypalign(-13, 3), -8);
    EXPECT_EQ(rtypalign(INT_MIN, 3), INT_MIN);
    EXPECT_EQ(rtypalign(INT_MIN + 1, 1), INT_MIN + 2);
    EXPECT_EQ(rtypalign(INT_MAX - 7, 3), INT_MAX - 7);
    EXPECT_EQ(rtypalign(INT_MAX - 6, 3), -1);
    EXPECT_EQ(rtypalign(INT_MAX, 1), -1);
    EXPECT_EQ(rtypalign(INT_MAX - 1, 1), INT_MAX - 1);
    EXPECT_EQ(rtypalign(INT_MAX, 0), INT_MAX);
    EXPECT_EQ(rtypalign(INT_MIN, 0), INT_MIN);
    EXPECT_EQ(rtypalign(INT_MAX, 40), 0);
    EXPECT_EQ(rtypalign(INT_MAX, INT_MAX), INT_MAX);
}

TEST(Records, SizesAndAlignmentsAreTheTables)
{
    static_assert(sizeof(decvalue) == 22 && alignof(decvalue) == 2);
    static_assert(sizeof(int8value) == 12 && alignof(int8value) == 4);
    static_assert(sizeof(trw_locator) == 112 && alignof(trw_locator) == 8);
    static_assert(TRW_COLL_RECORD_SIZE == 120 && TRW_COLL_RECORD_ALIGN == 8);
    EXPECT_EQ(rtypmsize(107, 0), static_cast<int>(sizeof(decvalue)));
    EXPECT_EQ(rtypalign(1, 107), static_cast<int>(alignof(decvalue)));
    EXPECT_EQ(rtypmsize(117, 0), static_cast<int>(sizeof(int8value)));
    EXPECT_EQ(rtypalign(1, 117), static_cast<int>(alignof(int8value)));
    EXPECT_EQ(rtypmsize(113, 0), static_cast<int>(sizeof(trw_locator)));
    EXPECT_EQ(rtypalign(1, 113), static_cast<int>(alignof(trw_locator)));
    EXPECT_EQ(rtypmsize(103, 0), static_cast<int>(sizeof(long)));
    EXPECT_EQ(rtypalign(1, 103), static_cast<int>(alignof(long)));
    EXPECT_EQ(rtypmsize(19, 0), TRW_COLL_RECORD_SIZE);
    EXPECT_EQ(rtypalign(1, 19), TRW_COLL_RECORD_ALIGN);
}

// ---- NULL forms ---------------------------------------------------------------------------

namespace {

constexpr size_t kRoom = 160; // bytes around each value: more than any record
constexpr size_t kDecFieldsAt = 2; // the DECIMAL inside DATETIME and INTERVAL

template <typename T> void put(std::vector<unsigned char> &b, size_t at, T v) { std::memcpy(&b[at], &v, sizeof v); }
template <typename T> T get(const std::vector<unsigned char> &b, size_t at)
{
    T v;
    std::memcpy(&v, &b[at], sizeof v);
    return v;
}

void put_decimal_null(std::vector<unsigned char> &b, size_t at)
{
    put<int16_t>(b, at + offsetof(decvalue, exponent), 0);
    put<int16_t>(b, at + offsetof(decvalue, sign), -1);
    put<int16_t>(b, at + offsetof(decvalue, ndigits), 0);
}

// The documented NULL form of a host code written into b at its start.
// False for a code that has none.
bool put_documented_null(int host, std::vector<unsigned char> &b)
{
    switch (host) {
    case 101:
        put<int16_t>(b, 0, -32768);
        return true;
    case 102:
    case 110:
        put<int32_t>(b, 0, INT32_MIN);
        return true;
    case 103:
        put<int64_t>(b, 0, -2147483648LL);
        return true;
    case 104:
        std::memset(&b[0], 0xFF, 4);
        return true;
    case 105:
        std::memset(&b[0], 0xFF, 8);
        return true;
    case 107:
    case 111:
        put_decimal_null(b, 0);
        return true;
    case 112:
    case 115:
        put_decimal_null(b, kDecFieldsAt);
        return true;
    case 113:
        put<int32_t>(b, offsetof(trw_locator, lo_indicator), -1);
        return true;
    case 117:
        put<int16_t>(b, offsetof(int8value, sign), 0);
        put<uint32_t>(b, offsetof(int8value, data), 0);
        put<uint32_t>(b, offsetof(int8value, data) + 4, 0);
        return true;
    case 118:
    case 123:
        put<uint32_t>(b, 32, get<uint32_t>(b, 32) | 0x4u);
        return true;
    case 121:
    case 124:
        put<uint16_t>(b, offsetof(trw_opaque_host, vh_flags),
                      static_cast<uint16_t>(get<uint16_t>(b, offsetof(trw_opaque_host, vh_flags)) | 0x2u));
        return true;
    case 122:
        b[0] = 0xFF;
        return true;
    case 100:
    case 108:
    case 109:
    case 114:
    case 116:
    case 119:
        b[0] = 0;
        return true;
    default:
        return false; // 106, 120 and codes outside the family
    }
}

// The host code whose NULL form a code gets: SQL codes by the documented
// mapping, host codes themselves.
int documented_host(int code)
{
    if (const SqlRow *r = sql_row(code))
        return r->host;
    return code;
}

std::vector<int> null_codes()
{
    std::vector<int> codes;
    for (int c = 0; c <= 51; ++c)
        codes.push_back(c);
    for (int c = 100; c <= 124; ++c)
        codes.push_back(c);
    for (int c : {-5, -1, 52, 99, 125, 150, 0x102, 0x100 | 7, 0x4000 | 101, INT_MIN, INT_MAX})
        codes.push_back(c);
    return codes;
}

std::vector<unsigned char> patterned()
{
    std::vector<unsigned char> b(kRoom);
    for (size_t i = 0; i < kRoom; ++i)
        b[i] = static_cast<unsigned char>(0x11 + i * 7 % 0xE0); // never 0x00 or 0xFF
    return b;
}

// rsetnull at byte `at` of a copy of start; the expected form beside it.
void check_set(int code, const std::vector<unsigned char> &start, size_t at)
{
    std::vector<unsigned char> buf(start.size() + at + 16, 0x5A);
    std::memcpy(&buf[at], start.data(), start.size());
    std::vector<unsigned char> want = start;
    const bool has_null = put_documented_null(documented_host(code), want);
    EXPECT_EQ(rsetnull(code, reinterpret_cast<char *>(&buf[at])), 0) << code;
    for (size_t i = 0; i < at; ++i)
        ASSERT_EQ(buf[i], 0x5A) << "code " << code << ": byte before the value changed";
    for (size_t i = 0; i < start.size(); ++i)
        ASSERT_EQ(buf[at + i], want[i]) << "code " << code << " at " << at << ": byte " << i;
    EXPECT_EQ(risnull(code, reinterpret_cast<char *>(&buf[at])), has_null ? 1 : 0) << code;
}

} // namespace

TEST(NullForms, SetWritesExactlyTheDocumentedBytesIntoAPattern)
{
    for (int code : null_codes())
        for (size_t at : {0, 8, 9}) // odd positions too: no alignment is needed
            check_set(code, patterned(), at);
}

TEST(NullForms, SetWritesExactlyTheDocumentedBytesIntoZeros)
{
    const std::vector<unsigned char> zeros(kRoom, 0);
    for (int code : null_codes())
        for (size_t at : {0, 8, 3})
            check_set(code, zeros, at);
}

TEST(NullForms, SizesOfTheWrittenForms)
{
    // Count the changed bytes of a pattern directly: the widths of the NULL
    // forms, independent of the expected-bytes model above.
    auto changed = [](int code) {
        std::vector<unsigned char> b = patterned();
        const std::vector<unsigned char> before = b;
        rsetnull(code, reinterpret_cast<char *>(b.data()));
        size_t n = 0, last = 0;
        for (size_t i = 0; i < b.size(); ++i)
            if (b[i] != before[i]) {
                ++n;
                last = i;
            }
        return std::pair<size_t, size_t>{n, last};
    };
    EXPECT_EQ(changed(1).first, 2u);
    EXPECT_EQ(changed(2).first, 4u);
    EXPECT_EQ(changed(6).first, 4u);
    EXPECT_EQ(changed(7).first, 4u);
    EXPECT_EQ(changed(110).first, 4u);
    EXPECT_EQ(changed(103).first, 8u);
    EXPECT_EQ(changed(3).first, 8u);
    EXPECT_EQ(changed(4).first, 4u);
    EXPECT_EQ(changed(45).first, 1u);
    EXPECT_EQ(changed(0).first, 1u);
    EXPECT_EQ(changed(106).first, 0u);
    EXPECT_EQ(changed(120).first, 0u);
    // The locator: one 4-byte field, 4-aligned, holding -1.
    auto loc = changed(113);
    EXPECT_EQ(loc.first, 4u);
    EXPECT_EQ((loc.second - 3) % 4, 0u);
    std::vector<unsigned char> b = patterned();
    rsetnull(113, reinterpret_cast<char *>(b.data()));
    EXPECT_EQ(get<int32_t>(b, loc.second - 3), -1);
    EXPECT_LE(loc.second, sizeof(trw_locator) - 1);
    // A DECIMAL's header: six bytes at most, all before the digits.
    EXPECT_LE(changed(5).first, 6u);
    EXPECT_LT(changed(5).second, static_cast<size_t>(offsetof(decvalue, digits)));
    // DATETIME and INTERVAL: never the qualifier's two bytes.
    std::vector<unsigned char> dt = patterned();
    rsetnull(10, reinterpret_cast<char *>(dt.data()));
    EXPECT_EQ(dt[0], patterned()[0]);
    EXPECT_EQ(dt[1], patterned()[1]);
}

TEST(NullForms, TheIntegerHostCodeKeepsItsThirtyTwoBits)
{
    // Code 102 given directly is a 32-bit int: its NULL is 4 bytes, not the
    // 64-bit long that rtoctype(102) names.
    struct {
        int32_t value;
        int32_t next;
    } v = {7, 12345};
    EXPECT_EQ(rsetnull(102, reinterpret_cast<char *>(&v.value)), 0);
    EXPECT_EQ(v.value, INT32_MIN);
    EXPECT_EQ(v.next, 12345);
    EXPECT_EQ(risnull(102, reinterpret_cast<char *>(&v.value)), 1);
    v.next = 0;
    v.value = INT32_MIN;
    EXPECT_EQ(risnull(102, reinterpret_cast<char *>(&v.value)), 1) << "the next 4 bytes are not read";
}

TEST(NullForms, ValuesNextToNullAreNotNull)
{
    auto isnull = [](int code, const void *p) { return risnull(code, static_cast<char *>(const_cast<void *>(p))); };
    const int16_t s = -32767;
    EXPECT_EQ(isnull(101, &s), 0);
    EXPECT_EQ(isnull(1, &s), 0);
    const int32_t i = INT32_MIN + 1;
    for (int code : {2, 6, 7, 102, 110})
        EXPECT_EQ(isnull(code, &i), 0) << code;
    for (int64_t l : std::initializer_list<int64_t>{INT64_MIN, -2147483647LL, 2147483648LL, -2147483649LL}) {
        EXPECT_EQ(isnull(103, &l), 0) << l;
    }
    const int64_t l_null = -2147483648LL;
    EXPECT_EQ(isnull(103, &l_null), 1);
    for (int n : {4, 8}) {
        const int code = n == 4 ? 104 : 105;
        for (int at = 0; at < n; ++at) {
            unsigned char f[8];
            std::memset(f, 0xFF, sizeof f);
            f[at] = 0xFE;
            EXPECT_EQ(isnull(code, f), 0) << code << " " << at;
        }
    }
    decvalue dec{};
    dec.sign = 0; // negative
    dec.ndigits = 1;
    dec.digits[0] = 5;
    EXPECT_EQ(isnull(107, &dec), 0);
    EXPECT_EQ(isnull(8, &dec), 0);
    int8value neg{{1, 0}, -1};
    EXPECT_EQ(isnull(117, &neg), 0);
    EXPECT_EQ(isnull(17, &neg), 0);
    const unsigned char nearly_true = 0xFE;
    EXPECT_EQ(isnull(122, &nearly_true), 0);
    trw_locator loc{};
    EXPECT_EQ(isnull(113, &loc), 0);
    loc.lo_indicator = -2;
    EXPECT_EQ(isnull(113, &loc), 0);
    trw_opaque_host oh{};
    oh.vh_flags = static_cast<int16_t>(0xFFFD);
    EXPECT_EQ(isnull(121, &oh), 0);
    unsigned char coll[TRW_COLL_RECORD_SIZE];
    std::memset(coll, 0xFF, sizeof coll);
    const uint32_t flags = ~0x4u;
    std::memcpy(coll + TRW_COLL_FLAGS_OFFSET, &flags, 4);
    EXPECT_EQ(isnull(19, coll), 0);
    EXPECT_EQ(isnull(123, coll), 0);
}

TEST(NullForms, ZeroedValuesAreNullOnlyWhereTheTableSays)
{
    std::vector<unsigned char> zeros(kRoom, 0);
    for (int code : null_codes()) {
        const int host = documented_host(code);
        const bool expect = host == 117 || host == 100 || host == 108 || host == 109 || host == 114 ||
                            host == 116 || host == 119;
        EXPECT_EQ(risnull(code, reinterpret_cast<char *>(zeros.data())), expect ? 1 : 0) << code;
    }
}

TEST(NullForms, SetThroughTheSqlCodeReadsBackThroughTheHostCode)
{
    for (const SqlRow &r : kSqlRows) {
        if (r.host < 100)
            continue;
        std::vector<unsigned char> b = patterned();
        rsetnull(r.code, reinterpret_cast<char *>(b.data()));
        const int expect = r.host == 120 ? 0 : 1;
        EXPECT_EQ(risnull(r.host, reinterpret_cast<char *>(b.data())), expect) << r.code;
        EXPECT_EQ(risnull(r.code, reinterpret_cast<char *>(b.data())), expect) << r.code;
    }
}

TEST(NullForms, NullPointerAndForeignCodesTouchNothing)
{
    for (int code : codes_to_sweep()) {
        EXPECT_EQ(risnull(code, nullptr), 0) << code;
        EXPECT_EQ(rsetnull(code, nullptr), 0) << code;
    }
    for (int code : {150, -5, 9, 24, 39, 46, 47, 48, 49, 50, 51, 0x102, 0x164, INT_MIN}) {
        std::vector<unsigned char> b = patterned();
        EXPECT_EQ(rsetnull(code, reinterpret_cast<char *>(b.data())), 0) << code;
        EXPECT_EQ(b, patterned()) << code;
        std::vector<unsigned char> z(kRoom, 0);
        EXPECT_EQ(risnull(code, reinterpret_cast<char *>(z.data())), 0) << code;
    }
}

TEST(NullForms, SetKeepsTheOtherFlagBits)
{
    unsigned char coll[TRW_COLL_RECORD_SIZE] = {};
    const uint32_t flags = 0x2000100u;
    std::memcpy(coll + TRW_COLL_FLAGS_OFFSET, &flags, 4);
    rsetnull(22, reinterpret_cast<char *>(coll));
    uint32_t after;
    std::memcpy(&after, coll + TRW_COLL_FLAGS_OFFSET, 4);
    EXPECT_EQ(after, flags | TRW_COLL_ISNULL);
    trw_opaque_host oh{};
    oh.vh_flags = TRW_OPAQUE_ALLOC;
    char data[4] = "abc";
    oh.vh_data = data;
    oh.vh_len = 3;
    rsetnull(124, reinterpret_cast<char *>(&oh));
    EXPECT_EQ(oh.vh_flags, TRW_OPAQUE_ALLOC | TRW_OPAQUE_ISNULL);
    EXPECT_EQ(oh.vh_data, data);
    EXPECT_EQ(oh.vh_len, 3);
    EXPECT_EQ(risnull(124, reinterpret_cast<char *>(&oh)), 1);
}
