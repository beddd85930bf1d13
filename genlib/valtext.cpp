// Text of value records (rvalstr, rvalstr_16prec, rdatastr) and the text
// readers of the value layer (rstoi, rstol, rstod), with the display
// precisions of FLOAT and SMALLFLOAT values.
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "decconv.h"
#include "gentcb.h"
#include "glsenv.h"
#include "numfmt.h"
#include "rdate.h"
#include "valint.h"

using namespace valrec_int;

extern "C" {
int16_t dbfltprec = 16;
int16_t dbsmfltprec = -1;
}

namespace {

constexpr int kTooLong = -1207;
constexpr int kNotNumber = -1213;
constexpr int kNotFinite = -1223;
constexpr int kUnsupported = -1260;

// Texts of non-character values are built within this many characters.
constexpr int kWork = 80;
// Bytes of the work buffer: room for any DATE text.
constexpr int kBuffer = TRW_DATE_TEXT_MAX;

int finish(char *buf, int len)
{
    len = trimmed_length(buf, len);
    buf[len] = '\0';
    return len;
}

// DECIMAL text of places decimal places within width characters.
int decimal_text(const decvalue *dec, char *buf, int width, int places, bool from_double)
{
    const int status = from_double ? dbltoasc(dec, buf, width, places) : dectoasc(dec, buf, width, places);
    if (status != 0)
        return kTooLong;
    return finish(buf, static_cast<int>(strnlen(buf, static_cast<size_t>(width))));
}

int float_places() { return dbfltprec; }

// FLOAT outside 1e-130..1e124: exponent form with k fraction digits.
int exponent_text(double value, char *buf, int width)
{
    int k = dbfltprec >= 0 && dbfltprec <= 6 ? dbfltprec : 6;
    if (width < k + 9) {
        k = width + (value > 0 ? 1 : 0) - 9;
        if (k < 1)
            k = 0;
    }
    char format[16];
    std::snprintf(format, sizeof format, "%%.%de", k);
    std::snprintf(buf, kWork + 1, format, value);
    if (std::strchr(buf, 'e') == nullptr)
        return kNotFinite;
    if (rdecstr(buf, kWork + 1, 1) != 0)
        return kTooLong;
    return static_cast<int>(std::strlen(buf));
}

int float_text(double value, char *buf, int width)
{
    const double mag = std::fabs(value);
    if (mag != 0 && (mag < 1e-130 || mag > 1e124))
        return exponent_text(value, buf, width);
    decvalue dec;
    const int status = deccvdbl(value, &dec);
    if (status != 0)
        return status;
    return decimal_text(&dec, buf, width, float_places(), true);
}

int float_text_16(double value, char *buf)
{
    if (std::fabs(value) > DBL_MAX) {
        std::snprintf(buf, kWork + 1, "%.16e", value);
        if (rdecstr(buf, kWork + 1, 1) != 0)
            return kTooLong;
        return static_cast<int>(std::strlen(buf));
    }
    if (_gnftoasc(value, buf, kWork + 1, 1) == nullptr) {
        const int status = get_toerrno();
        return status != 0 ? status : kNotFinite;
    }
    return finish(buf, static_cast<int>(std::strlen(buf)));
}

int smallfloat_text(float value, char *buf, int width)
{
    decvalue dec;
    const int status = deccvflt(value, &dec);
    if (status != 0)
        return status;
    return decimal_text(&dec, buf, width, dbsmfltprec == -1 ? dbfltprec : dbsmfltprec, true);
}

bool money_from_dbmoney()
{
    gls_numfmt(nullptr);
    const GlsEnv *env = CheckGlsEnv();
    return env != nullptr && env->state != nullptr && env->state->money.state == NUMFMT_FROM_DBMONEY;
}

// MONEY: the number within the width the currency texts leave, then the
// currency texts around it.
int money_text(const valrec *v, char *buf, int width)
{
    int room = width - rfrontlen() - rbacklen();
    if (room > kWork)
        room = kWork;
    if (room <= 0)
        return kTooLong;
    int scale = v->vprec & 0xFF;
    if (scale == DEC_FLOATING)
        scale = genlcscale();
    char number[kWork + 1];
    if (money_from_dbmoney()) {
        const int len = decimal_text(&v->vdata.vdec, number, room, scale, false);
        if (len < 0)
            return len;
    } else {
        // The locale money formatter, with fewer fraction digits when the
        // number does not fit otherwise.
        int status = trw_gl_format_money(number, room + 1, &v->vdata.vdec, "%^!n");
        for (int k = scale - 1; status != 0 && k >= 0; --k) {
            char format[16];
            std::snprintf(format, sizeof format, "%%^!.%dn", k);
            status = trw_gl_format_money(number, room + 1, &v->vdata.vdec, format);
        }
        if (status != 0)
            return kTooLong;
    }
    rdecmon(number, buf);
    return static_cast<int>(std::strlen(buf));
}

int datetime_text(valrec *v, char *buf, bool interval)
{
    int status;
    if (interval) {
        inv_value value;
        value.in_qual = v->vprec;
        value.in_dec = v->vdata.vdec;
        status = intoasc(&value, buf);
    } else {
        dt_value value;
        value.dt_qual = v->vprec;
        value.dt_dec = v->vdata.vdec;
        status = dttoasc(&value, buf);
    }
    return status != 0 ? status : static_cast<int>(std::strlen(buf));
}

int put_text(const char *text, int len, char *out, int n, int left)
{
    if (n == 0) {
        std::memcpy(out, text, static_cast<size_t>(len));
        out[len] = '\0';
        return 0;
    }
    if (len > n) {
        std::memset(out, '*', static_cast<size_t>(n));
        return kTooLong;
    }
    const int gap = n - len;
    if (left != 0) {
        std::memcpy(out, text, static_cast<size_t>(len));
        std::memset(out + len, ' ', static_cast<size_t>(gap));
    } else {
        std::memset(out, ' ', static_cast<size_t>(gap));
        std::memcpy(out + gap, text, static_cast<size_t>(len));
    }
    return 0;
}

int character_text(const valrec *v, char *out, int n)
{
    // An empty value may have no text pointer at all.
    const int len = v->vlen > 0 && v->vdata.vchar != nullptr ? v->vlen : 0;
    if (n == 0) {
        if (len > 0)
            std::memcpy(out, v->vdata.vchar, static_cast<size_t>(len));
        out[len] = '\0';
        return 0;
    }
    const int take = len < n ? len : n;
    const int whole = len > 0 ? char_boundary(v->vdata.vchar, len, take) : 0;
    if (whole > 0)
        std::memcpy(out, v->vdata.vchar, static_cast<size_t>(whole));
    std::memset(out + whole, ' ', static_cast<size_t>(n - whole));
    return 0;
}

int value_string(valrec *v, char *out, int n, int left, bool prec16)
{
    if (is_null(v)) {
        if (n > 0)
            std::memset(out, ' ', static_cast<size_t>(n));
        else
            out[0] = '\0';
        return 0;
    }
    if (kind(v->vtype) == Kind::Char)
        return character_text(v, out, n);
    char buf[kBuffer];
    const int width = n > 0 && n < kWork ? n : kWork;
    const int len = value_text(v, buf, width, prec16);
    if (len < 0) {
        if (n > 0 && len == kTooLong)
            std::memset(out, '*', static_cast<size_t>(n));
        return len;
    }
    return put_text(buf, len, out, n, left);
}

int read_integer(const char *text, int64_t limit, int64_t *out)
{
    const char *p = text;
    while (*p == ' ')
        ++p;
    if (*p == '\0')
        return 1;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (*p < '0' || *p > '9')
        return kNotNumber;
    int64_t value = 0;
    bool over = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > limit) {
            over = true;
            value = limit + 1;
        }
    }
    // Only blanks and newlines may follow the digits.
    for (; *p != '\0'; ++p)
        if (*p != ' ' && *p != '\n')
            return kNotNumber;
    if (over)
        return -1;
    *out = negative ? -value : value;
    return 0;
}

} // namespace

namespace valrec_int {

int value_text(valrec *v, char *buf, int width, bool prec16)
{
    switch (kind(v->vtype)) {
    case Kind::Small:
        return std::snprintf(buf, kWork + 1, "%d", v->vdata.vshort);
    case Kind::Integer:
        return std::snprintf(buf, kWork + 1, "%d", v->vdata.vint);
    case Kind::Float:
        return prec16 ? float_text_16(v->vdata.vdouble, buf) : float_text(v->vdata.vdouble, buf, width);
    case Kind::SmallFloat:
        return smallfloat_text(v->vdata.vfloat, buf, width);
    case Kind::Decimal: {
        if (code_of(v->vtype) == TRW_SQL_MONEY)
            return money_text(v, buf, width);
        const int scale = v->vprec & 0xFF;
        return decimal_text(&v->vdata.vdec, buf, width, scale == DEC_FLOATING ? dbfltprec : scale, false);
    }
    case Kind::Date: {
        const int status = rdatestr(v->vdata.vint, buf);
        if (status != 0)
            return status;
        v->vlen = static_cast<int32_t>(std::strlen(buf));
        return v->vlen;
    }
    case Kind::DateTime:
        return datetime_text(v, buf, false);
    case Kind::Interval:
        return datetime_text(v, buf, true);
    case Kind::Int8: {
        const int status = trw_int8tostr(&v->vdata.vint8, buf, kWork + 1);
        return status != 0 ? status : static_cast<int>(std::strlen(buf));
    }
    case Kind::Boolean:
        buf[0] = v->vlen >= 1 && v->vdata.vchar[0] != 0 ? 't' : 'f';
        buf[1] = '\0';
        return 1;
    default:
        return kUnsupported;
    }
}

} // namespace valrec_int

extern "C" {

int rvalstr(valrec *v, char *out, int n, int left)
{
    const int status = value_string(v, out, n, left, false);
    if (status != 0)
        set_toerrno(status);
    return status;
}

int rvalstr_16prec(valrec *v, char *out, int n, int left)
{
    const int status = value_string(v, out, n, left, true);
    if (status != 0)
        set_toerrno(status);
    return status;
}

int rdatastr(const char *data, int type, int len, char *out, int n, int left)
{
    valrec v;
    std::memset(&v, 0, sizeof v);
    const int status = rdataval(data, type, len, &v);
    if (status != 0)
        return status;
    const int result = rvalstr(&v, out, n, left);
    // A loaded collection owns its copies.
    if (kind(type) == Kind::Collection)
        trw_coll_free(&v.vdata.vcoll);
    return result;
}

int rstoi(const char *text, int *out)
{
    int64_t value = 0;
    const int status = read_integer(text, 32767, &value);
    if (status == 1) {
        *out = TRW_NULL_SMALLINT;
        return 0;
    }
    if (status != 0)
        return status == -1 ? -1214 : status;
    *out = static_cast<int>(value);
    return 0;
}

int rstol(const char *text, int32_t *out)
{
    int64_t value = 0;
    const int status = read_integer(text, 2147483647, &value);
    if (status == 1) {
        *out = TRW_NULL_INTEGER;
        return 0;
    }
    if (status != 0)
        return status == -1 ? -1215 : status;
    *out = static_cast<int32_t>(value);
    return 0;
}

int rstod(const char *text, double *out)
{
    return trw_gl_convert_double(out, text, "%e");
}

} // extern "C"
