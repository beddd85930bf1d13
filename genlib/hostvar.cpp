// Host variables: rcvarval turns a client program's variable of a host type
// into a value record without converting it; rvalcvar converts a value
// record into a host variable of any host type, with NULL and truncation
// reported through the 16-bit indicator. Host values are read and written
// with byte copies, so host variables need no alignment. Each host type has
// one row in a table of readers and one in a table of writers.
#include "hostvar.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gentcb.h"
#include "osenv.h"
#include "rdate.h"
#include "valint.h"

namespace {

using valrec_int::Kind;
using valrec_int::kind;

constexpr int kBadHost = -1;
constexpr int kNoInteger = -1215;
constexpr int kNoFloat = -1222;
constexpr int kNoPrecision = -1226;
constexpr int kTooShort = -1235;
constexpr int kUnsupported = -1260;
constexpr int kNotBlob = -1269;
constexpr int kNoRealloc = -837;
constexpr int kBufferSmall = -1821;
constexpr int kRecordSize = 22; // a decvalue: the length some callers pass for DECIMAL and MONEY

template <typename T> T read_host(const void *host)
{
    T value;
    std::memcpy(&value, host, sizeof value);
    return value;
}

template <typename T> void write_host(void *host, T value) { std::memcpy(host, &value, sizeof value); }

// The host type that serves a code: host codes as they are, SQL codes
// through sqlctype with SQL INTEGER and SERIAL on the 32-bit int; -1 for
// none.
int host_type_of(int code)
{
    if (code >= TRW_HOST_FIRST && code <= TRW_HOST_LAST)
        return code == TRW_HOST_UNUSED106 ? -1 : code;
    if (code < 0 || code > TRW_SQL_MAXTYPE)
        return -1;
    return sqlctype[code];
}

// The SQL type a code gives the record: SQL codes themselves, host 102 and
// 103 INTEGER, the others through sqlstype, 116 itself; -1 for none.
int sql_type_of(int code)
{
    if (code >= 0 && code <= TRW_SQL_MAXTYPE)
        return code;
    if (code == TRW_HOST_FILE)
        return TRW_HOST_FILE;
    if (code == TRW_HOST_INT)
        return TRW_SQL_INTEGER;
    if (code >= TRW_HOST_FIRST && code <= TRW_HOST_LAST)
        return sqlstype[code - TRW_HOST_FIRST];
    return -1;
}

bool is_lvarchar_code(int code)
{
    return code == TRW_SQL_LVARCHAR || code == TRW_HOST_LVARCHAR || code == TRW_HOST_LVARCHARPTR;
}

// ---- host variable to value record ----

struct ReadArgs {
    const void *host;
    int length;
    valrec *v;
};

int read_short(const ReadArgs &a)
{
    a.v->vdata.vshort = read_host<int16_t>(a.host);
    a.v->vprec = VAL_PREC_SMALLINT;
    return 0;
}

int read_int(const ReadArgs &a)
{
    a.v->vdata.vint = read_host<int32_t>(a.host);
    a.v->vprec = VAL_PREC_INTEGER;
    return 0;
}

int read_long(const ReadArgs &a)
{
    a.v->vdata.vint = static_cast<int32_t>(read_host<int64_t>(a.host));
    a.v->vprec = VAL_PREC_INTEGER;
    return 0;
}

int read_float(const ReadArgs &a)
{
    a.v->vdata.vfloat = read_host<float>(a.host);
    return 0;
}

int read_double(const ReadArgs &a)
{
    a.v->vdata.vdouble = read_host<double>(a.host);
    return 0;
}

bool decimal_sound(const decvalue &d) { return d.ndigits >= 0 && d.ndigits <= DEC_NPAIRS; }

int read_decimal(const ReadArgs &a)
{
    const auto d = read_host<decvalue>(a.host);
    if (!decimal_sound(d))
        return kBadHost;
    a.v->vdata.vdec = d;
    const bool declared = a.length != 0 && a.length != kRecordSize;
    a.v->vprec = static_cast<int16_t>(declared ? a.length : HV_PREC_FLOATING);
    return 0;
}

int read_dtinv(const ReadArgs &a)
{
    const auto d = read_host<dt_value>(a.host); // inv_value has the same layout
    if (!decimal_sound(d.dt_dec))
        return kBadHost;
    a.v->vdata.vdec = d.dt_dec;
    a.v->vprec = d.dt_qual;
    return 0;
}

int read_date(const ReadArgs &a)
{
    a.v->vdata.vint = read_host<int32_t>(a.host);
    a.v->vprec = VAL_PREC_INTEGER;
    return 0;
}

int read_int8(const ReadArgs &a)
{
    a.v->vdata.vint8 = read_host<int8value>(a.host);
    a.v->vprec = VAL_PREC_INT8;
    return 0;
}

int read_record(const ReadArgs &a)
{
    std::memcpy(&a.v->vdata.vcoll, a.host, TRW_COLL_RECORD_SIZE);
    return 0;
}

int read_locator(const ReadArgs &a)
{
    a.v->vdata.vchar = static_cast<char *>(const_cast<void *>(a.host));
    a.v->vlen = static_cast<int32_t>(sizeof(trw_locator));
    a.v->vflags = HV_LOCATOR;
    return 0;
}

// Buffers of a counted length: fixed character, file, fixed opaque.
int read_counted(const ReadArgs &a)
{
    if (a.length < 0)
        return kBadHost;
    a.v->vdata.vchar = static_cast<char *>(const_cast<void *>(a.host));
    a.v->vlen = a.length;
    return 0;
}

int read_boolean(const ReadArgs &a)
{
    a.v->vdata.vchar = static_cast<char *>(const_cast<void *>(a.host));
    a.v->vlen = 1;
    return 0;
}

int read_string(const ReadArgs &a)
{
    a.v->vdata.vchar = static_cast<char *>(const_cast<void *>(a.host));
    a.v->vlen = static_cast<int32_t>(std::strlen(a.v->vdata.vchar));
    return 0;
}

// 100, 114, 119: the string length, or the bytes before a NUL within length.
int read_chars(const ReadArgs &a)
{
    if (a.length <= 0)
        return read_string(a);
    const void *nul = std::memchr(a.host, 0, static_cast<size_t>(a.length));
    a.v->vdata.vchar = static_cast<char *>(const_cast<void *>(a.host));
    a.v->vlen = nul != nullptr ? static_cast<int32_t>(static_cast<const char *>(nul) - a.v->vdata.vchar) : a.length;
    return 0;
}

int read_opaque_host(const ReadArgs &a)
{
    const auto h = read_host<trw_opaque_host>(a.host);
    if (h.vh_len < 0 || (h.vh_len > 0 && h.vh_data == nullptr))
        return kBadHost;
    a.v->vdata.vchar = h.vh_data;
    a.v->vlen = h.vh_len;
    return 0;
}

using Reader = int (*)(const ReadArgs &);

// Row per host code 100..124.
constexpr Reader kReaders[TRW_HOST_NTYPES] = {
    read_chars,       // 100 CHAR
    read_short,       // 101
    read_int,         // 102
    read_long,        // 103
    read_float,       // 104
    read_double,      // 105
    nullptr,          // 106
    read_decimal,     // 107
    read_counted,     // 108 fixed character buffer
    read_string,      // 109
    read_date,        // 110
    read_decimal,     // 111
    read_dtinv,       // 112
    read_locator,     // 113
    read_chars,       // 114
    read_dtinv,       // 115
    read_counted,     // 116 file buffer
    read_int8,        // 117
    read_record,      // 118
    read_chars,       // 119
    read_counted,     // 120 fixed opaque
    read_opaque_host, // 121
    read_boolean,     // 122
    read_record,      // 123
    read_opaque_host, // 124
};

// A NULL host value into the record.
void null_record(valrec *v, int host_type, const void *host, int length)
{
    v->vind = -1;
    switch (host_type) {
    case TRW_HOST_CHAR: case TRW_HOST_FIXCHAR: case TRW_HOST_STRING: case TRW_HOST_VARCHAR:
    case TRW_HOST_LVARCHAR: case TRW_HOST_FILE:
        v->vdata.vchar = static_cast<char *>(const_cast<void *>(host));
        v->vlen = length;
        break;
    case TRW_HOST_LOCATOR:
        v->vdata.vblob.tb_short1[1] = VAL_BLOB_NULL;
        break;
    case TRW_HOST_COLLECTION: case TRW_HOST_ROW:
        if (host != nullptr)
            std::memcpy(&v->vdata.vcoll, host, TRW_COLL_RECORD_SIZE);
        break;
    case TRW_HOST_DECIMAL: case TRW_HOST_MONEY: case TRW_HOST_DATETIME: case TRW_HOST_INTERVAL:
        valrec_int::null_decimal(&v->vdata.vdec);
        if (host_type == TRW_HOST_DATETIME || host_type == TRW_HOST_INTERVAL)
            v->vprec = host != nullptr ? read_host<dt_value>(host).dt_qual : 0;
        break;
    case TRW_HOST_INT8:
        v->vdata.vint8 = int8value{{0, 0}, 0};
        break;
    default:
        break;
    }
}

// ---- value record to host variable ----

struct WriteArgs {
    valrec *v;
    void *host;
    int host_type;
    int length;
    bool cut = false;     // a character source was cut
    int32_t srclen = 0;   // its length
};

int status_now() { return get_toerrno(); }

int write_short(WriteArgs &a)
{
    const int value = toint(a.v);
    const int status = status_now();
    if (status == 0)
        write_host(a.host, static_cast<int16_t>(value));
    return status;
}

int write_int(WriteArgs &a)
{
    const int32_t value = tolong(a.v);
    const int status = status_now();
    if (status == 0)
        write_host(a.host, value);
    return status;
}

// A long holds every INT8 value; -2147483648 is the long's NULL.
int write_long(WriteArgs &a)
{
    int8value i8;
    int status = toint8(a.v, &i8);
    int64_t value = 0;
    if (status == 0 && (status = int8totarw_off_t(&i8, &value)) == 0 && value == TRW_NULL_INTEGER)
        status = kNoInteger;
    if (status == INT8_OVERFLOW)
        status = kNoInteger;
    if (status == 0)
        write_host(a.host, static_cast<long>(value));
    else
        set_toerrno(status);
    return status;
}

int write_float(WriteArgs &a)
{
    const double value = todouble(a.v);
    int status = status_now();
    const double mag = std::fabs(value);
    if (status == 0 && (!std::isfinite(value) || mag > FLT_MAX || (mag != 0 && mag < FLT_MIN)))
        status = kNoFloat;
    if (status == 0)
        write_host(a.host, static_cast<float>(value));
    else
        set_toerrno(status);
    return status;
}

int write_double(WriteArgs &a)
{
    const double value = todouble(a.v);
    const int status = status_now();
    if (status == 0)
        write_host(a.host, value);
    return status;
}

// DECIMAL and MONEY: converted, then fitted to the declared precision word
// (chkprec rounds to its scale) unless the length declares none.
int write_decimal(WriteArgs &a)
{
    decvalue d;
    int status = 0;
    if (kind(a.v->vtype) == Kind::Decimal)
        d = a.v->vdata.vdec; // DECIMAL and MONEY sources as they stand
    else
        status = a.host_type == TRW_HOST_MONEY ? todecimalmon(a.v, &d) : todecimal(a.v, &d);
    const bool declared = a.length != 0 && a.length != kRecordSize;
    if (status == 0 && declared && d.sign != -1 && chkprec(&d, a.length) != 0)
        status = kNoPrecision;
    if (status == 0)
        write_host(a.host, d);
    else
        set_toerrno(status);
    return status;
}

int write_date(WriteArgs &a)
{
    const int32_t value = todate(a.v);
    const int status = status_now();
    if (status == 0)
        write_host(a.host, value);
    return status;
}

// DATETIME and INTERVAL: in the qualifier length, else the host record's.
int write_dtinv(WriteArgs &a)
{
    auto rec = read_host<dt_value>(a.host);
    const bool interval = a.host_type == TRW_HOST_INTERVAL;
    int qualifier = a.length != 0 ? a.length : rec.dt_qual;
    if (_chk_qual(interval, qualifier) != 0)
        qualifier = a.length;
    set_toerrno(0);
    int status;
    if (interval) {
        inv_value inv;
        inv.in_qual = rec.dt_qual;
        status = tointerval(a.v, &inv, qualifier);
        rec.dt_qual = inv.in_qual;
        rec.dt_dec = inv.in_dec;
    } else {
        status = todatetime(a.v, &rec, qualifier);
    }
    if (status == 0)
        write_host(a.host, rec);
    return status;
}

int write_int8(WriteArgs &a)
{
    int8value i8;
    const int status = toint8(a.v, &i8);
    if (status == 0)
        write_host(a.host, i8);
    return status;
}

int write_record(WriteArgs &a)
{
    if (kind(a.v->vtype) != Kind::Collection)
        return kUnsupported;
    std::memcpy(a.host, &a.v->vdata.vcoll, TRW_COLL_RECORD_SIZE);
    return 0;
}

int write_locator(WriteArgs &a)
{
    if (kind(a.v->vtype) != Kind::Blob)
        return kNotBlob;
    if ((a.v->vflags & HV_LOCATOR) == 0 || a.v->vdata.vchar == nullptr)
        return kUnsupported; // a stored descriptor, not a locator
    std::memcpy(a.host, a.v->vdata.vchar, sizeof(trw_locator));
    return 0;
}

int write_file(WriteArgs &a)
{
    const bool chars = kind(a.v->vtype) == Kind::Char || valrec_int::code_of(a.v->vtype) == TRW_HOST_FILE;
    if (!chars)
        return kNotBlob;
    if (a.length < a.v->vlen || a.v->vlen < 0)
        return kTooShort;
    std::memset(a.host, ' ', static_cast<size_t>(a.length));
    if (a.v->vlen > 0)
        std::memcpy(a.host, a.v->vdata.vchar, static_cast<size_t>(a.v->vlen));
    return 0;
}

int write_fixed_opaque(WriteArgs &a)
{
    if (valrec_int::code_of(a.v->vtype) != TRW_SQL_FIXUDT)
        return kUnsupported;
    if (a.length < a.v->vlen || a.v->vlen < 0)
        return kBufferSmall;
    if (a.v->vlen > 0)
        std::memcpy(a.host, a.v->vdata.vchar, static_cast<size_t>(a.v->vlen));
    return 0;
}

// 121 (opaque sources) and 124 (LVARCHAR sources): the trw_opaque_host
// record, its buffer grown when it may be.
int write_opaque_host(WriteArgs &a)
{
    const int code = valrec_int::code_of(a.v->vtype);
    const bool lvarchar = a.host_type == TRW_HOST_LVARCHARPTR;
    const bool fits = lvarchar ? code == TRW_SQL_LVARCHAR : kind(a.v->vtype) == Kind::Opaque;
    if (!fits || a.v->vlen < 0)
        return kUnsupported;
    auto h = read_host<trw_opaque_host>(a.host);
    const int64_t size = static_cast<int64_t>(a.v->vlen) + (lvarchar ? 1 : 0);
    const int64_t room = h.vh_data != nullptr && h.vh_len > 0 ? h.vh_len : 0;
    if (room < size) {
        if ((h.vh_flags & TRW_OPAQUE_ALLOC) == 0)
            return kBufferSmall;
        // A new buffer, filled before the old one goes: the value may be
        // the old buffer's own bytes.
        char *grown = static_cast<char *>(std::malloc(static_cast<size_t>(size)));
        if (grown == nullptr) {
            h.vh_len = 0;
            write_host(a.host, h);
            return kNoRealloc;
        }
        if (a.v->vlen > 0)
            std::memcpy(grown, a.v->vdata.vchar, static_cast<size_t>(a.v->vlen));
        std::free(h.vh_data);
        h.vh_data = grown;
    } else if (a.v->vlen > 0) {
        std::memmove(h.vh_data, a.v->vdata.vchar, static_cast<size_t>(a.v->vlen));
    }
    if (lvarchar)
        h.vh_data[a.v->vlen] = '\0';
    h.vh_len = a.v->vlen;
    h.vh_flags = static_cast<int16_t>(h.vh_flags & ~TRW_OPAQUE_ISNULL);
    write_host(a.host, h);
    return 0;
}

int write_boolean(WriteArgs &a)
{
    unsigned char b = 0;
    const int status = tocbool(a.v, &b);
    if (status == 0)
        write_host(a.host, b);
    return status;
}

// ---- character targets ----

bool is_char_source(const valrec *v) { return kind(v->vtype) == Kind::Char; }

bool blank_strings_not_null() { return ggetenv("BLANK_STRINGS_NOT_NULL") != nullptr; }

// The value's text in a field of exactly n characters (n above 0) at out,
// left-justified, noting a cut character source.
int field_text(WriteArgs &a, char *out, int n)
{
    if (is_char_source(a.v) && a.v->vlen > n) {
        a.cut = true;
        a.srclen = a.v->vlen;
    }
    if (n == 0)
        return 0;
    return rvalstr(a.v, out, n, 1);
}

// The whole text, terminated, at out (which holds it: the caller gave no
// length).
int whole_text(WriteArgs &a, char *out) { return rvalstr(a.v, out, 0, 1); }

int trailing_trimmed(char *out, int n)
{
    while (n > 0 && out[n - 1] == ' ')
        --n;
    return n;
}

// 100 (keep_blanks) and 109: length - 1 characters and a NUL.
int write_terminated(WriteArgs &a, bool string)
{
    char *out = static_cast<char *>(a.host);
    const int n = a.length;
    if (n < 0)
        return kTooShort;
    int status = 0;
    int end;
    if (n == 0) {
        status = whole_text(a, out);
        end = status == 0 ? static_cast<int>(std::strlen(out)) : 0;
    } else {
        end = n - 1;
        status = field_text(a, out, end);
        if (n == 1 && status == 0)
            status = kTooShort;
    }
    if (string) {
        end = trailing_trimmed(out, end);
        if (end == 0 && n != 1 && blank_strings_not_null())
            out[end++] = ' ';
    }
    out[end] = '\0';
    return status;
}

int write_fixed_chars(WriteArgs &a)
{
    if (a.length < 0)
        return kTooShort;
    return field_text(a, static_cast<char *>(a.host), a.length);
}

// 114 and 119: at most length bytes of the text, then a NUL.
int write_varchar(WriteArgs &a)
{
    char *out = static_cast<char *>(a.host);
    const int n = a.length;
    if (n < 0)
        return kTooShort;
    if (kind(a.v->vtype) == Kind::Date) {
        char text[TRW_DATE_TEXT_MAX];
        const int status = rvalstr(a.v, text, 0, 1);
        if (status != 0)
            return status;
        const int len = static_cast<int>(std::strlen(text));
        const int end = len < n ? len : n;
        std::memcpy(out, text, static_cast<size_t>(end));
        out[end] = '\0';
        return 0;
    }
    if (is_char_source(a.v)) {
        const int end = a.v->vlen < n ? a.v->vlen : n;
        const int status = field_text(a, out, end);
        out[end] = '\0';
        return status;
    }
    if (n == 0) {
        out[0] = '\0';
        return kTooShort;
    }
    const int status = field_text(a, out, n);
    out[trailing_trimmed(out, n)] = '\0';
    return status;
}

int write_char100(WriteArgs &a) { return write_terminated(a, false); }
int write_string109(WriteArgs &a) { return write_terminated(a, true); }

using Writer = int (*)(WriteArgs &);

// Row per host code 100..124.
constexpr Writer kWriters[TRW_HOST_NTYPES] = {
    write_char100,      // 100
    write_short,        // 101
    write_int,          // 102
    write_long,         // 103
    write_float,        // 104
    write_double,       // 105
    nullptr,            // 106
    write_decimal,      // 107
    write_fixed_chars,  // 108
    write_string109,    // 109
    write_date,         // 110
    write_decimal,      // 111
    write_dtinv,        // 112
    write_locator,      // 113
    write_varchar,      // 114
    write_dtinv,        // 115
    write_file,         // 116
    write_int8,         // 117
    write_record,       // 118
    write_varchar,      // 119
    write_fixed_opaque, // 120
    write_opaque_host,  // 121
    write_boolean,      // 122
    write_record,       // 123
    write_opaque_host,  // 124
};

// The NULL of the host type; counted buffers of no length get nothing.
void store_null(valrec *v, void *host, int host_type, int length)
{
    if ((host_type == TRW_HOST_COLLECTION || host_type == TRW_HOST_ROW) && kind(v->vtype) == Kind::Collection)
        std::memcpy(host, &v->vdata.vcoll, TRW_COLL_RECORD_SIZE);
    const bool counted = host_type == TRW_HOST_FIXCHAR || host_type == TRW_HOST_FILE;
    const bool terminated = host_type == TRW_HOST_CHAR || host_type == TRW_HOST_STRING;
    if ((counted && length <= 0) || (terminated && length < 0))
        return;
    rsetnull(host_type, static_cast<char *>(host));
}

short indicator_of(const WriteArgs &a, int status)
{
    if (a.cut)
        return static_cast<short>(a.srclen > HV_INDICATOR_MAX ? HV_INDICATOR_MAX : a.srclen);
    return static_cast<short>(status != 0 ? 1 : 0);
}

} // namespace

extern "C" {

int rcvarval(void *host, int type, valrec *v, int length, short *indicator)
{
    int host_type = host_type_of(type);
    const int sql_type = sql_type_of(type);
    if (v == nullptr || host_type < 0 || sql_type < 0)
        return kBadHost;
    if (is_lvarchar_code(type) && length == 0)
        host_type = TRW_HOST_LVARCHARPTR;
    const bool null = (indicator != nullptr && *indicator < 0) ||
                      (host != nullptr && risnull(host_type, static_cast<char *>(host)));
    if (!null && host == nullptr)
        return kBadHost;
    if (!null && host_type == TRW_HOST_LONG) {
        const int64_t value = read_host<int64_t>(host);
        if (value < INT32_MIN || value > INT32_MAX)
            return kNoInteger;
    }
    std::memset(v, 0, sizeof *v);
    v->vtype = static_cast<int16_t>(sql_type);
    if (null) {
        null_record(v, host_type, host, length);
        return 0;
    }
    const int status = kReaders[host_type - TRW_HOST_FIRST](ReadArgs{host, length, v});
    if (status != 0)
        std::memset(v, 0, sizeof *v);
    return status;
}

int rvalcvar(valrec *v, void *host, int type, int length, short *indicator)
{
    set_toerrno(0);
    int host_type = host_type_of(type);
    if (is_lvarchar_code(type) && length == 0)
        host_type = TRW_HOST_LVARCHARPTR; // the pointer form, as rcvarval reads it
    if (v == nullptr || host == nullptr || host_type < 0)
        return kBadHost;
    if (valrec_int::is_null(v)) {
        store_null(v, host, host_type, length);
        if (indicator != nullptr)
            *indicator = -1;
        return 0;
    }
    // An empty character value may have no bytes at all; the text writer
    // is handed an empty text instead of a null pointer.
    valrec empty;
    if (kind(v->vtype) == Kind::Char && v->vlen <= 0 && v->vdata.vchar == nullptr) {
        empty = *v;
        empty.vdata.vchar = const_cast<char *>("");
        empty.vlen = 0;
        v = &empty;
    }
    WriteArgs args{v, host, host_type, length};
    int status = kWriters[host_type - TRW_HOST_FIRST](args);
    if (status != 0 && get_toerrno() == 0)
        set_toerrno(status);
    if (indicator != nullptr)
        *indicator = indicator_of(args, status);
    return status;
}

} // extern "C"
