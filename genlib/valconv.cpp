// Conversions of value records into plain values of another type: 16- and
// 32-bit integers, DATE, INT8, double, DECIMAL and MONEY, DATETIME,
// INTERVAL and BOOLEAN, and the INT8 remainder (exmod). Each selects its
// rule by the kind of the source's type code; each starts by clearing the
// conversion error and leaves its own error there.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "decconv.h"
#include "gentcb.h"
#include "int8int.h"
#include "numfmt.h"
#include "rdate.h"
#include "valint.h"

using namespace valrec_int;

namespace {

constexpr int kNoMemory = -406;
constexpr int kBlob = -608;
constexpr int kDateRange = -1210;
constexpr int kNotSmall = -1214;
constexpr int kNotInteger = -1215;
constexpr int kBadQualifier = -1268;
constexpr int kUnsupported = -1260;
constexpr int kZeroDivisor = -647;

// Character text up to this length is read from a stack copy.
constexpr int kShortText = 40;

int fail(int status)
{
    set_toerrno(status);
    return status;
}

// Heap copies of character text live only for the call.
struct TextCopy {
    char buf[kShortText + 1];
    char *heap = nullptr;
    char *text = nullptr;
    explicit TextCopy(const valrec *v) { text = terminated_copy(v, buf, sizeof buf, &heap); }
    ~TextCopy() { std::free(heap); }
};

bool is_today(const char *s, int len)
{
    while (len > 0 && s[0] == ' ') {
        ++s;
        --len;
    }
    len = trimmed_length(s, len);
    static const char kToday[] = "today";
    if (len != 5)
        return false;
    for (int i = 0; i < 5; ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != kToday[i])
            return false;
    return true;
}

// The BOOLEAN of a character value: 1 or 0, -1 for any other text. A
// blank-padded CHAR value counts by its significant character.
int boolean_of_text(const valrec *v)
{
    if (trimmed_length(v->vdata.vchar, v->vlen) != 1)
        return -1;
    switch (v->vdata.vchar[0]) {
    case 't': case 'T': return 1;
    case 'f': case 'F': return 0;
    default: return -1;
    }
}

int tolong_checked(valrec *v, int32_t *out)
{
    *out = TRW_NULL_INTEGER;
    if (is_null(v))
        return 0;
    switch (kind(v->vtype)) {
    case Kind::Small:
        *out = v->vdata.vshort;
        return 0;
    case Kind::Integer: case Kind::Date:
        if (v->vdata.vint == TRW_NULL_INTEGER)
            return kNotInteger;
        *out = v->vdata.vint;
        return 0;
    case Kind::Int8:
        return trw_int8tolong(&v->vdata.vint8, out) != 0 ? kNotInteger : 0;
    case Kind::Blob:
        return kBlob;
    case Kind::Opaque: case Kind::Boolean:
        return kUnsupported;
    default: {
        decvalue dec;
        const int status = todecimal(v, &dec);
        if (status != 0)
            return status;
        if (dec.sign == -1)
            return 0;
        int32_t value = 0;
        if (dectolong(&dec, &value) != 0)
            return kNotInteger;
        *out = value;
        return 0;
    }
    }
}

int date_range(int32_t date)
{
    if (date != TRW_DATE_NULL && (date < TRW_DATE_MIN || date > TRW_DATE_MAX))
        return kDateRange;
    return 0;
}

int todate_checked(valrec *v, int32_t *out)
{
    *out = TRW_DATE_NULL;
    if (is_null(v))
        return 0;
    int status = 0;
    int32_t date = TRW_DATE_NULL;
    switch (kind(v->vtype)) {
    case Kind::Char: {
        if (is_today(v->vdata.vchar, v->vlen)) {
            rtoday(&date);
            break;
        }
        TextCopy copy(v);
        if (copy.text == nullptr)
            return kNoMemory;
        status = rstrdate(copy.text, &date);
        break;
    }
    case Kind::DateTime: {
        int value = TRW_DATE_NULL;
        status = rdttodate(&v->vdata.vdec, v->vprec, &value);
        date = value;
        break;
    }
    default:
        status = tolong_checked(v, &date);
        break;
    }
    if (status != 0)
        return status;
    if ((status = date_range(date)) != 0)
        return status;
    *out = date;
    return 0;
}

int decimal_of(valrec *v, decvalue *out, bool money)
{
    null_decimal(out);
    if (is_null(v))
        return 0;
    switch (kind(v->vtype)) {
    case Kind::Char: {
        if (!money)
            return deccvasc(v->vdata.vchar, v->vlen, out);
        // MONEY text: its first 80 bytes through the money reader.
        const int len = v->vlen < 80 ? v->vlen : 80;
        char text[80 * NUMFMT_CHAR_MAX + 1];
        rmondec(v->vdata.vchar, len, text);
        return deccvasc(text, static_cast<int>(std::strlen(text)), out);
    }
    case Kind::Small: return deccvint(v->vdata.vshort, out);
    case Kind::Integer: case Kind::Date: return deccvlong(v->vdata.vint, out);
    case Kind::Float: return deccvdbl(v->vdata.vdouble, out);
    case Kind::SmallFloat: return deccvflt(v->vdata.vfloat, out);
    case Kind::Decimal:
        deccopy(&v->vdata.vdec, out);
        return 0;
    case Kind::Int8: return deccvint8(&v->vdata.vint8, out);
    case Kind::Blob: return kBlob;
    default: return kUnsupported;
    }
}

double double_of(valrec *v, short *isnull, int *status)
{
    *isnull = 1;
    *status = 0;
    if (is_null(v))
        return null_double();
    double value = 0;
    switch (kind(v->vtype)) {
    case Kind::Char: {
        if (trimmed_length(v->vdata.vchar, v->vlen) == 0)
            return null_double();
        TextCopy copy(v);
        if (copy.text == nullptr) {
            *status = kNoMemory;
            return null_double();
        }
        *status = rstod(copy.text, &value);
        if (*status != 0)
            return null_double();
        break;
    }
    case Kind::Small: value = v->vdata.vshort; break;
    case Kind::Integer: case Kind::Date: value = v->vdata.vint; break;
    case Kind::Float: value = v->vdata.vdouble; break;
    case Kind::SmallFloat: value = v->vdata.vfloat; break;
    case Kind::Decimal:
        if ((*status = dectodbl(&v->vdata.vdec, &value)) != 0)
            return null_double();
        break;
    case Kind::Int8: trw_int8todbl(&v->vdata.vint8, &value); break;
    case Kind::Blob: *status = kBlob; return null_double();
    default: *status = kUnsupported; return null_double();
    }
    *isnull = 0;
    return value;
}

int valid_qualifier(bool interval, int qualifier)
{
    const int saved = get_toerrno();
    const int status = _chk_qual(interval ? 1 : 0, qualifier);
    set_toerrno(saved);
    return status != 0 ? kBadQualifier : 0;
}

int datetime_of(valrec *v, dt_value *out, int qualifier)
{
    if (qualifier == 0)
        qualifier = kind(v->vtype) == Kind::DateTime ? static_cast<uint16_t>(v->vprec) : static_cast<uint16_t>(out->dt_qual);
    out->dt_qual = static_cast<int16_t>(qualifier);
    null_decimal(&out->dt_dec);
    if (is_null(v))
        return 0;
    switch (kind(v->vtype)) {
    case Kind::Char: {
        if (valid_qualifier(false, qualifier) != 0)
            return kBadQualifier;
        TextCopy copy(v);
        if (copy.text == nullptr)
            return kNoMemory;
        return dtcvasc(copy.text, out);
    }
    case Kind::Date:
        return rdatedt(v->vdata.vint, &out->dt_dec, qualifier);
    case Kind::DateTime: {
        const int source = static_cast<uint16_t>(v->vprec);
        if (valid_qualifier(false, source) != 0 || valid_qualifier(false, qualifier) != 0)
            return kBadQualifier;
        int status = chk_dtinv(&v->vdata.vdec, source, 1);
        if (status == 0)
            status = rdtextend(&v->vdata.vdec, source, &out->dt_dec, qualifier);
        if (status != 0)
            null_decimal(&out->dt_dec);
        return status;
    }
    case Kind::Blob: return kBlob;
    default: return kUnsupported;
    }
}

int interval_of(valrec *v, inv_value *out, int qualifier)
{
    if (qualifier == 0)
        qualifier = kind(v->vtype) == Kind::Interval ? static_cast<uint16_t>(v->vprec) : static_cast<uint16_t>(out->in_qual);
    out->in_qual = static_cast<int16_t>(qualifier);
    null_decimal(&out->in_dec);
    if (is_null(v))
        return 0;
    switch (kind(v->vtype)) {
    case Kind::Char: {
        if (valid_qualifier(true, qualifier) != 0)
            return kBadQualifier;
        TextCopy copy(v);
        if (copy.text == nullptr)
            return kNoMemory;
        return incvasc(copy.text, out);
    }
    case Kind::Decimal:
        if (code_of(v->vtype) != TRW_SQL_DECIMAL)
            return kUnsupported;
        deccopy(&v->vdata.vdec, &out->in_dec);
        return 0;
    case Kind::Interval: {
        const int source = static_cast<uint16_t>(v->vprec);
        if (valid_qualifier(true, source) != 0 || valid_qualifier(true, qualifier) != 0)
            return kBadQualifier;
        int status = chk_dtinv(&v->vdata.vdec, source, 0);
        if (status == 0)
            status = rinvcopy(&v->vdata.vdec, source, &out->in_dec, qualifier);
        if (status != 0)
            null_decimal(&out->in_dec);
        return status;
    }
    case Kind::Blob: return kBlob;
    default: return kUnsupported;
    }
}

int int8_of(valrec *v, int8value *out)
{
    int8ops::set_null(out);
    if (is_null(v))
        return 0;
    switch (kind(v->vtype)) {
    case Kind::Char: return trw_int8cvasc(v->vdata.vchar, v->vlen, out);
    case Kind::Small: return trw_int8cvint(v->vdata.vshort, out);
    case Kind::Integer: case Kind::Date: return trw_int8cvlong(v->vdata.vint, out);
    case Kind::Float: return trw_int8cvdbl(v->vdata.vdouble, out);
    case Kind::SmallFloat: return trw_int8cvflt(v->vdata.vfloat, out);
    case Kind::Decimal: return trw_int8cvdec(&v->vdata.vdec, out);
    case Kind::Int8:
        trw_int8copy(&v->vdata.vint8, out);
        return 0;
    case Kind::Blob: return kBlob;
    default: return kUnsupported;
    }
}

} // namespace

extern "C" {

int tolong(valrec *v)
{
    clear_toerrno();
    int32_t value = TRW_NULL_INTEGER;
    const int status = tolong_checked(v, &value);
    if (status != 0) {
        fail(status);
        return TRW_NULL_INTEGER;
    }
    return value;
}

int toint(valrec *v)
{
    clear_toerrno();
    if (is_null(v))
        return TRW_NULL_SMALLINT;
    switch (kind(v->vtype)) {
    case Kind::Small:
        // -32768 is the NULL form: a record that holds it without its NULL
        // indicator is refused.
        if (v->vdata.vshort == TRW_NULL_SMALLINT) {
            fail(kNotSmall);
            return TRW_NULL_SMALLINT;
        }
        return v->vdata.vshort;
    case Kind::Blob:
        fail(kBlob);
        return TRW_NULL_SMALLINT;
    case Kind::Opaque: case Kind::Boolean:
        fail(kUnsupported);
        return TRW_NULL_SMALLINT;
    default:
        break;
    }
    int32_t value = TRW_NULL_INTEGER;
    int status = tolong_checked(v, &value);
    if (status == kNotInteger)
        status = kNotSmall;
    if (status != 0) {
        fail(status);
        return TRW_NULL_SMALLINT;
    }
    if (value == TRW_NULL_INTEGER)
        return TRW_NULL_SMALLINT;
    if (value < -32767 || value > 32767) {
        fail(kNotSmall);
        return TRW_NULL_SMALLINT;
    }
    return value;
}

int todate(valrec *v)
{
    clear_toerrno();
    int32_t date = TRW_DATE_NULL;
    const int status = todate_checked(v, &date);
    if (status != 0) {
        fail(status);
        return TRW_DATE_NULL;
    }
    return date;
}

int toint8(valrec *v, int8value *out)
{
    clear_toerrno();
    const int status = int8_of(v, out);
    if (status != 0) {
        int8ops::set_null(out);
        fail(status);
    }
    return status;
}

double todblnull(valrec *v, short *isnull)
{
    clear_toerrno();
    short flag = 1;
    int status = 0;
    const double value = double_of(v, &flag, &status);
    if (isnull != nullptr)
        *isnull = flag;
    if (status != 0)
        fail(status);
    return value;
}

double todouble(valrec *v)
{
    short isnull = 0;
    return todblnull(v, &isnull);
}

int todecimal(valrec *v, decvalue *out)
{
    clear_toerrno();
    const int status = decimal_of(v, out, false);
    if (status == kBlob || status == kUnsupported)
        null_decimal(out);
    return status != 0 ? fail(status) : 0;
}

int todecimalmon(valrec *v, decvalue *out)
{
    clear_toerrno();
    const int status = decimal_of(v, out, true);
    if (status == kBlob || status == kUnsupported)
        null_decimal(out);
    return status != 0 ? fail(status) : 0;
}

int todatetime(valrec *v, dt_value *out, int qualifier)
{
    clear_toerrno();
    const int status = datetime_of(v, out, qualifier);
    return status != 0 ? fail(status) : 0;
}

int tointerval(valrec *v, inv_value *out, int qualifier)
{
    clear_toerrno();
    const int status = interval_of(v, out, qualifier);
    return status != 0 ? fail(status) : 0;
}

int tocbool(valrec *v, unsigned char *out)
{
    clear_toerrno();
    if (is_null(v)) {
        *out = TRW_NULL_BOOLEAN;
        return 0;
    }
    int value = -1;
    switch (kind(v->vtype)) {
    case Kind::Char:
        value = boolean_of_text(v);
        break;
    case Kind::Boolean:
        if (v->vlen >= 1 && static_cast<unsigned char>(v->vdata.vchar[0]) <= 1)
            value = static_cast<unsigned char>(v->vdata.vchar[0]);
        break;
    default:
        break;
    }
    if (value < 0)
        return fail(kUnsupported);
    *out = static_cast<unsigned char>(value);
    return 0;
}

int exmod(valrec *a, valrec *b, valrec *r)
{
    clear_toerrno();
    int8value x, y, remainder;
    int8ops::set_null(&remainder);
    int8ops::set_null(&x);
    int8ops::set_null(&y);
    int status = 0;
    if (!is_null(a) && !is_null(b))
        status = toint8(a, &x);
    if (status == 0 && x.sign != 0)
        status = toint8(b, &y);
    if (status != 0)
        return status;
    r->vtype = TRW_SQL_INT8;
    r->vprec = VAL_PREC_INT8;
    r->vxid = 0;
    if (x.sign == 0 || y.sign == 0) {
        r->vind = -1;
        r->vdata.vint8 = remainder;
        return 0;
    }
    if (trw_int8iszero(&y))
        return fail(kZeroDivisor);
    status = int8ops::divide(&x, &y, nullptr, &remainder);
    if (status != 0)
        return fail(status);
    r->vind = 0;
    r->vdata.vint8 = remainder;
    return 0;
}

} // extern "C"
