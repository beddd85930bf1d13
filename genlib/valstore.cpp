// Storing value records into the stored form of a target type (rvaldata):
// the common NULL and TEXT/BYTE checks, then one writer per target type
// code from a table of the 52 codes, then the NOT NULL check of what was
// written. Also the character walk the writers and the text share.
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gentcb.h"
#include "gl_char.h"
#include "glschar.h"
#include "glsenv.h"
#include "osutil.h"
#include "rdate.h"
#include "valint.h"

using namespace valrec_int;

namespace {

constexpr int kNoWriter = -1285;
constexpr int kBlob = -608;
constexpr int kNoFloat = -1222;
constexpr int kNotFinite = -1223;
constexpr int kNotNull = -1225;
constexpr int kPrecision = -1226;
constexpr int kUnsupported = -1260;
constexpr int kTooLong = -1279;
constexpr int kTooLongField = -1207;
constexpr int kCollections = -9602;

// A writer stores v into out as the target type word with length len; it
// sets *null when what it wrote is the target's NULL form.
using Writer = int (*)(valrec *v, unsigned char *out, int type, int len, bool *null);

char *chars(unsigned char *p) { return reinterpret_cast<char *>(p); }

bool is_character(const valrec *v) { return kind(v->vtype) == Kind::Char; }

int write_char(valrec *v, unsigned char *out, int, int len, bool *null)
{
    // A field of no bytes takes nothing, not even a NULL byte.
    if (len <= 0) {
        *null = is_null(v);
        return 0;
    }
    const char pad = (v->vflags & VAL_NULLPAD) != 0 ? '\0' : ' ';
    if (is_null(v)) {
        out[0] = 0;
        std::memset(out + 1, pad, static_cast<size_t>(len - 1));
        *null = true;
        return 0;
    }
    if (is_character(v)) {
        int copied = 0;
        return copy_chars(v->vdata.vchar, v->vlen, chars(out), len, pad, ' ', &copied);
    }
    return rvalstr(v, chars(out), len, 1);
}

int write_varchar(valrec *v, unsigned char *out, int, int len, bool *null)
{
    const int maximum = len & 0xFF;
    if (is_null(v)) {
        out[0] = 1;
        std::memset(out + 1, 0, static_cast<size_t>(maximum));
        *null = true;
        return 0;
    }
    int length = 0;
    if (is_character(v)) {
        const int status = copy_chars(v->vdata.vchar, v->vlen, chars(out + 1), maximum, '\0', '\0', &length);
        if (status != 0)
            return status;
    } else {
        char text[81];
        const int n = value_text(v, text, maximum < 80 ? maximum : 80, false);
        if (n < 0)
            return n;
        if (n > maximum) {
            std::memset(out + 1, '*', static_cast<size_t>(maximum));
            out[0] = static_cast<unsigned char>(maximum);
            return kTooLongField;
        }
        length = trimmed_length(text, n);
        std::memcpy(out + 1, text, static_cast<size_t>(length));
        std::memset(out + 1 + length, 0, static_cast<size_t>(maximum - length));
    }
    out[0] = static_cast<unsigned char>(length);
    return 0;
}

// LVARCHAR bytes of src: at most limit bytes (cut at a character boundary;
// -1279 with ansidb for a longer significant value).
int write_lvarchar_bytes(const char *src, int srclen, unsigned char *out, int limit)
{
    if (src == nullptr || srclen < 0)
        srclen = 0; // an empty value may have no text pointer
    int length = srclen;
    if (limit >= 0 && srclen > limit) {
        if (ansidb != 0 && trimmed_length(src, srclen) > limit)
            return kTooLong;
        length = char_boundary(src, srclen, limit);
    }
    put_opaque_head(out, false, static_cast<uint32_t>(length));
    if (length > 0)
        std::memcpy(out + VAL_OPAQUE_HEAD, src, static_cast<size_t>(length));
    return 0;
}

bool lvarchar_refuses(int code)
{
    return (code >= TRW_SQL_SET && code <= TRW_SQL_FIXUDT) || code == TRW_SQL_SENDRECV || code >= TRW_SQL_IMPEXP;
}

int write_lvarchar(valrec *v, unsigned char *out, int, int len, bool *null)
{
    if (is_null(v)) {
        put_opaque_head(out, true, 0);
        *null = true;
        return 0;
    }
    const int code = code_of(v->vtype);
    // A length bounds every source; only a length of 0 with an LVARCHAR
    // source writes the whole source.
    int limit = len > 0 ? len : VAL_LVARCHAR_DEFAULT;
    if (len <= 0 && code == TRW_SQL_LVARCHAR)
        limit = -1;
    if (is_character(v))
        return write_lvarchar_bytes(v->vdata.vchar, v->vlen, out, limit);
    if (lvarchar_refuses(code))
        return kUnsupported;
    char text[81];
    const int n = value_text(v, text, 80, false);
    if (n < 0)
        return n;
    return write_lvarchar_bytes(text, trimmed_length(text, n), out, limit);
}

int write_boolean(valrec *v, unsigned char *out, int, int, bool *null)
{
    unsigned char value = 0;
    if (is_null(v)) {
        put_opaque_head(out, true, 1);
        out[VAL_OPAQUE_HEAD] = 0;
        *null = true;
        return 0;
    }
    if (code_of(v->vtype) == TRW_SQL_BOOLEAN) {
        value = v->vlen >= 1 ? static_cast<unsigned char>(v->vdata.vchar[0]) : 0;
    } else {
        const int status = tocbool(v, &value);
        if (status != 0)
            return status;
    }
    put_opaque_head(out, false, 1);
    out[VAL_OPAQUE_HEAD] = value;
    return 0;
}

int write_smallint(valrec *v, unsigned char *out, int, int, bool *null)
{
    const int value = toint(v);
    const int status = get_toerrno();
    if (status != 0)
        return status;
    stshort(value, out);
    *null = value == TRW_NULL_SMALLINT;
    return 0;
}

int write_integer(valrec *v, unsigned char *out, int, int, bool *null)
{
    const int value = tolong(v);
    const int status = get_toerrno();
    if (status != 0)
        return status;
    stlong(value, out);
    *null = value == TRW_NULL_INTEGER;
    return 0;
}

int write_date(valrec *v, unsigned char *out, int, int, bool *null)
{
    const int value = todate(v);
    const int status = get_toerrno();
    if (status != 0)
        return status;
    stlong(value, out);
    *null = value == TRW_NULL_INTEGER;
    return 0;
}

int write_int8(valrec *v, unsigned char *out, int, int, bool *null)
{
    int8value value;
    const int status = toint8(v, &value);
    if (status != 0)
        return status;
    stint8(&value, out);
    *null = value.sign == 0;
    return 0;
}

// The NULL flag is looked at before the value: the NULL double is a NaN.
int write_smallfloat(valrec *v, unsigned char *out, int, int, bool *null)
{
    short isnull = 0;
    const double value = todblnull(v, &isnull);
    const int status = get_toerrno();
    if (status != 0)
        return status;
    if (isnull == 0) {
        const double mag = std::fabs(value);
        if (!std::isfinite(value) || (mag != 0 && (mag > FLT_MAX || mag < FLT_MIN)))
            return kNoFloat;
    }
    network_stfltnull(value, out, isnull, float_type());
    *null = isnull != 0;
    return 0;
}

int write_float(valrec *v, unsigned char *out, int, int, bool *null)
{
    short isnull = 0;
    const double value = todblnull(v, &isnull);
    const int status = get_toerrno();
    if (status != 0)
        return status;
    if (isnull == 0 && !std::isfinite(value))
        return kNotFinite;
    network_stdblnull(value, out, isnull, float_type());
    *null = isnull != 0;
    return 0;
}

int stored_length(int word) { return DECLEN((word >> 8) & 0xFF, word & 0xFF); }

int write_datetime(valrec *v, unsigned char *out, int, int len, bool *null)
{
    dt_value value;
    value.dt_qual = static_cast<int16_t>(len);
    const int status = todatetime(v, &value, len);
    if (status != 0)
        return status;
    stdecimal(&value.dt_dec, out, stored_length(len));
    *null = value.dt_dec.sign == -1;
    return 0;
}

int write_interval(valrec *v, unsigned char *out, int, int len, bool *null)
{
    inv_value value;
    value.in_qual = static_cast<int16_t>(len);
    const int status = tointerval(v, &value, len);
    if (status != 0)
        return status;
    stdecimal(&value.in_dec, out, stored_length(len));
    *null = value.in_dec.sign == -1;
    return 0;
}

int write_decimal(valrec *v, unsigned char *out, int type, int len, bool *null)
{
    decvalue value;
    const int status = code_of(type) == TRW_SQL_MONEY ? todecimalmon(v, &value) : todecimal(v, &value);
    if (status != 0)
        return status;
    if (!is_null(v) && value.sign != -1 && chkprec(&value, len) != 0) {
        set_toerrno(kPrecision);
        return kPrecision;
    }
    stdecimal(&value, out, stored_length(len));
    *null = value.sign == -1;
    return 0;
}

int write_blob(valrec *v, unsigned char *out, int, int, bool *null)
{
    if (is_null(v)) {
        tblob blob;
        std::memset(&blob, 0, sizeof blob);
        blob.tb_short1[1] = VAL_BLOB_NULL;
        tblobstore(&blob, out);
        *null = true;
        return 0;
    }
    if (kind(v->vtype) != Kind::Blob)
        return kBlob;
    tblobstore(&v->vdata.vblob, out);
    return 0;
}

bool collection_compatible(int source, int target)
{
    if (source == target || source == TRW_SQL_COLLECTION)
        return true;
    const auto listlike = [](int code) {
        return code == TRW_SQL_SET || code == TRW_SQL_MULTISET || code == TRW_SQL_LIST || code == TRW_SQL_COLLECTION;
    };
    return listlike(source) && listlike(target);
}

int write_collection(valrec *v, unsigned char *out, int type, int len, bool *null)
{
    const int source = code_of(v->vtype);
    const int target = code_of(type);
    if (is_null(v) || source == TRW_SQL_NULL) {
        *null = true;
        return coll_store(v, chars(out), len, true);
    }
    if (!collection_compatible(source, target))
        return kCollections;
    return coll_store(v, chars(out), len, false);
}

int write_opaque(valrec *v, unsigned char *out, int type, int len, bool *null)
{
    if (code_of(v->vtype) != code_of(type) && !is_null(v))
        return kUnsupported;
    if (is_null(v)) {
        put_opaque_head(out, true, 0);
        *null = true;
        return 0;
    }
    // The form never goes past the room given for it.
    if (len > 0 && v->vlen > len - VAL_OPAQUE_HEAD)
        return kTooLongField;
    const int length = v->vlen > 0 && v->vdata.vchar != nullptr ? v->vlen : 0;
    put_opaque_head(out, false, static_cast<uint32_t>(length));
    if (length > 0)
        std::memcpy(out + VAL_OPAQUE_HEAD, v->vdata.vchar, static_cast<size_t>(length));
    return 0;
}

constexpr Writer writer_of(int code)
{
    switch (code) {
    case TRW_SQL_CHAR: case TRW_SQL_NCHAR: return write_char;
    case TRW_SQL_VARCHAR: case TRW_SQL_NVARCHAR: return write_varchar;
    case TRW_SQL_LVARCHAR: return write_lvarchar;
    case TRW_SQL_BOOLEAN: return write_boolean;
    case TRW_SQL_SMALLINT: return write_smallint;
    case TRW_SQL_INTEGER: case TRW_SQL_SERIAL: return write_integer;
    case TRW_SQL_INT8: case TRW_SQL_SERIAL8: return write_int8;
    case TRW_SQL_SMALLFLOAT: return write_smallfloat;
    case TRW_SQL_FLOAT: return write_float;
    case TRW_SQL_DATE: return write_date;
    case TRW_SQL_DATETIME: return write_datetime;
    case TRW_SQL_INTERVAL: return write_interval;
    case TRW_SQL_DECIMAL: case TRW_SQL_MONEY: return write_decimal;
    case TRW_SQL_TEXT: case TRW_SQL_BYTE: return write_blob;
    case TRW_SQL_SET: case TRW_SQL_MULTISET: case TRW_SQL_LIST: case TRW_SQL_ROW: case TRW_SQL_COLLECTION:
        return write_collection;
    case TRW_SQL_VARUDT: case TRW_SQL_FIXUDT: return write_opaque;
    default: return nullptr;
    }
}

struct WriterTable {
    Writer writers[kTypes];
    constexpr WriterTable() : writers()
    {
        for (int i = 0; i < kTypes; ++i)
            writers[i] = writer_of(i);
    }
};
constexpr WriterTable kWriters{};

gl_locale *client_locale()
{
    if (chkglsinit() != 0)
        return nullptr;
    return trw_get_gl_locale_thread();
}

} // namespace

namespace valrec_int {

int char_boundary(const char *s, int len, int limit)
{
    if (limit >= len)
        return len;
    if (limit <= 0)
        return 0;
    gl_locale *loc = client_locale();
    if (loc == nullptr || gl_mb_loc_max(loc) <= 1)
        return limit;
    int at = 0;
    while (at < limit) {
        int n = glsc::char_length(loc, s + at, len - at);
        if (n <= 0)
            n = 1;
        if (at + n > limit)
            break;
        at += n;
    }
    return at;
}

int copy_chars(const char *src, int srclen, char *out, int n, char pad, char cutfill, int *copied)
{
    if (src == nullptr || srclen < 0)
        srclen = 0; // an empty value may have no text pointer
    *copied = 0;
    if (n <= 0)
        return ansidb != 0 && trimmed_length(src, srclen) > 0 ? kTooLong : 0;
    if (srclen > n && ansidb != 0 && trimmed_length(src, srclen) > n)
        return kTooLong;
    const int take = srclen < n ? srclen : n;
    const int whole = take > 0 ? char_boundary(src, srclen, take) : 0;
    if (whole > 0)
        std::memcpy(out, src, static_cast<size_t>(whole));
    // The bytes of a character the cut falls into become blanks.
    std::memset(out + whole, cutfill, static_cast<size_t>(take - whole));
    std::memset(out + take, pad, static_cast<size_t>(n - take));
    *copied = whole;
    return 0;
}

char *terminated_copy(const valrec *v, char *buf, int size, char **heap)
{
    *heap = nullptr;
    // An empty value may have no text pointer at all.
    const int len = v->vlen > 0 && v->vdata.vchar != nullptr ? v->vlen : 0;
    char *text = buf;
    if (len >= size) {
        text = static_cast<char *>(std::malloc(static_cast<size_t>(len) + 1));
        if (text == nullptr)
            return nullptr;
        *heap = text;
    }
    if (len > 0)
        std::memcpy(text, v->vdata.vchar, static_cast<size_t>(len));
    text[len] = '\0';
    return text;
}

} // namespace valrec_int

// A non-NULL value into its own fixed-size type: the value as it stands,
// with the checks its conversion makes. False when the general path must
// take it.
bool store_same(const valrec *v, unsigned char *out, int code, int *status)
{
    *status = 0;
    switch (code) {
    case TRW_SQL_INTEGER: case TRW_SQL_SERIAL:
        if (v->vdata.vint == TRW_NULL_INTEGER)
            return false;
        stlong(v->vdata.vint, out);
        return true;
    case TRW_SQL_DATE:
        if (v->vdata.vint < TRW_DATE_MIN || v->vdata.vint > TRW_DATE_MAX)
            return false;
        stlong(v->vdata.vint, out);
        return true;
    case TRW_SQL_SMALLINT:
        if (v->vdata.vshort == TRW_NULL_SMALLINT)
            return false;
        stshort(v->vdata.vshort, out);
        return true;
    case TRW_SQL_FLOAT:
        if (!std::isfinite(v->vdata.vdouble))
            return false;
        network_stdbl(v->vdata.vdouble, out, float_type());
        return true;
    default:
        return false;
    }
}

extern "C" int rvaldata(valrec *v, char *data, int type, int len)
{
    if (!is_null(v) && code_of(v->vtype) == code_of(type) && (v->vtype & ~(VAL_TYPEMASK | VAL_NOTNULL | VAL_KEEPXID)) == 0) {
        int status = 0;
        if (store_same(v, reinterpret_cast<unsigned char *>(data), code_of(type), &status)) {
            clear_toerrno();
            return status;
        }
    }
    const int code = code_of(type);
    const Writer write = code < kTypes ? kWriters.writers[code] : nullptr;
    if (is_null(v) && (type & VAL_NOTNULL) != 0)
        return kNotNull;
    if (!is_null(v) && kind(v->vtype) == Kind::Blob && kind(type) != Kind::Blob)
        return kBlob;
    clear_toerrno();
    if (write == nullptr)
        return kNoWriter;
    bool null = false;
    const int status = write(v, reinterpret_cast<unsigned char *>(data), type, len, &null);
    if (status == 0 && null && (type & VAL_NOTNULL) != 0)
        return kNotNull;
    if (status != 0)
        set_toerrno(status);
    return status;
}
