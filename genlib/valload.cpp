// Loading stored values into value records (rdataval): one loader per SQL
// type code, chosen from a table of the 52 codes; every loader reads only
// the bytes its length allows.
#include <cstring>

#include "gentcb.h"
#include "osutil.h"
#include "valint.h"

using namespace valrec_int;

namespace {

using Loader = int (*)(const unsigned char *data, int len, valrec *v);

constexpr int kNoLoader = -1285;

void set_ind(valrec *v, bool null) { v->vind = static_cast<int16_t>(null ? -1 : 0); }

int load_char(const unsigned char *data, int len, valrec *v)
{
    v->vprec = 0;
    v->vdata.vchar = const_cast<char *>(reinterpret_cast<const char *>(data));
    // A field of no bytes has nothing to read, not even its NULL byte.
    v->vlen = len > 0 ? len : 0;
    set_ind(v, len > 0 && data[0] == 0);
    return 0;
}

int load_varchar(const unsigned char *data, int len, valrec *v)
{
    // The length word keeps the minimum in its high byte and the maximum in
    // its low byte: a corrupt length byte is capped at the maximum.
    const int maximum = len & 0xFF;
    int length = data[0];
    if (maximum != 0 && length > maximum)
        length = maximum;
    v->vprec = 0;
    v->vdata.vchar = const_cast<char *>(reinterpret_cast<const char *>(data + 1));
    v->vlen = length;
    set_ind(v, length == 1 && data[1] == 0);
    return 0;
}

int load_smallint(const unsigned char *data, int, valrec *v)
{
    v->vprec = VAL_PREC_SMALLINT;
    v->vdata.vshort = static_cast<int16_t>((data[0] << 8) | data[1]);
    set_ind(v, v->vdata.vshort == TRW_NULL_SMALLINT);
    return 0;
}

int load_integer(const unsigned char *data, int, valrec *v)
{
    v->vprec = static_cast<int16_t>(code_of(v->vtype) == TRW_SQL_DATE ? 0 : VAL_PREC_INTEGER);
    v->vdata.vint = ldlong(data);
    set_ind(v, v->vdata.vint == TRW_NULL_INTEGER);
    return 0;
}

int load_int8(const unsigned char *data, int, valrec *v)
{
    v->vprec = VAL_PREC_INT8;
    ldint8(data, &v->vdata.vint8);
    set_ind(v, v->vdata.vint8.sign == 0);
    return 0;
}

int load_smallfloat(const unsigned char *data, int, valrec *v)
{
    short ind = 0;
    v->vprec = static_cast<int16_t>(VAL_PREC_SMALLFLOAT);
    v->vdata.vfloat = network_ldfltnull(data, &ind, float_type());
    set_ind(v, ind != 0);
    return 0;
}

int load_float(const unsigned char *data, int, valrec *v)
{
    short ind = 0;
    v->vprec = static_cast<int16_t>(VAL_PREC_FLOAT);
    v->vdata.vdouble = network_lddblnull(data, &ind, float_type());
    set_ind(v, ind != 0);
    return 0;
}

int load_decimal(const unsigned char *data, int len, valrec *v)
{
    v->vprec = static_cast<int16_t>(len);
    // A clamped exponent is kept as the record holds it; loading reports no
    // range status.
    lddecimal(data, DECLEN((len >> 8) & 0xFF, len & 0xFF), &v->vdata.vdec);
    set_ind(v, v->vdata.vdec.sign == -1);
    return 0;
}

int load_blob(const unsigned char *data, int, valrec *v)
{
    v->vprec = 0;
    tblobload(&v->vdata.vblob, data);
    set_ind(v, (v->vdata.vblob.tb_short1[1] & VAL_BLOB_NULL) != 0);
    return 0;
}

int load_collection(const unsigned char *data, int len, valrec *v)
{
    v->vprec = 0;
    const int status = coll_load(reinterpret_cast<const char *>(data), len, v);
    if (status == 0)
        set_ind(v, (v->vdata.vcoll.cl_flags & COLL_ISNULL) != 0);
    return status;
}

// The opaque form: the NULL byte, the 4-byte length and the bytes. With a
// length given, the stored length is capped at the bytes that follow the
// header; a header cut short loads NULL.
int load_opaque(const unsigned char *data, int len, valrec *v)
{
    v->vprec = 0;
    v->vdata.vchar = const_cast<char *>(reinterpret_cast<const char *>(data + VAL_OPAQUE_HEAD));
    if (len > 0 && len < VAL_OPAQUE_HEAD) {
        v->vlen = 0;
        set_ind(v, true);
        return 0;
    }
    int64_t length = static_cast<uint32_t>(ldlong(data + 1));
    if (len > 0 && length > len - VAL_OPAQUE_HEAD)
        length = len - VAL_OPAQUE_HEAD;
    if (length > INT32_MAX)
        length = INT32_MAX;
    v->vlen = static_cast<int32_t>(length);
    set_ind(v, data[0] != 0);
    return 0;
}

constexpr Loader loader_of(int code)
{
    switch (kind_of_code(code)) {
    case Kind::Char: return code == TRW_SQL_LVARCHAR ? load_opaque
                          : (code == TRW_SQL_VARCHAR || code == TRW_SQL_NVARCHAR) ? load_varchar : load_char;
    case Kind::Small: return load_smallint;
    case Kind::Integer: case Kind::Date: return load_integer;
    case Kind::Int8: return load_int8;
    case Kind::SmallFloat: return load_smallfloat;
    case Kind::Float: return load_float;
    case Kind::Decimal: case Kind::DateTime: case Kind::Interval: return load_decimal;
    case Kind::Blob: return load_blob;
    case Kind::Collection: return code == TRW_SQL_COLLECTION ? nullptr : load_collection;
    case Kind::Opaque: case Kind::Boolean: return load_opaque;
    default: return nullptr;
    }
}

struct LoaderTable {
    Loader loaders[kTypes];
    constexpr LoaderTable() : loaders()
    {
        for (int i = 0; i < kTypes; ++i)
            loaders[i] = loader_of(i);
    }
};
constexpr LoaderTable kLoaders{};

} // namespace

extern "C" int rdataval(const char *data, int type, int len, valrec *v)
{
    const int code = code_of(type);
    const Loader load = code < kTypes ? kLoaders.loaders[code] : nullptr;
    if (load == nullptr)
        return kNoLoader;
    v->vtype = static_cast<int16_t>(type);
    if ((type & VAL_KEEPXID) == 0)
        v->vxid = 0;
    return load(reinterpret_cast<const unsigned char *>(data), len, v);
}
