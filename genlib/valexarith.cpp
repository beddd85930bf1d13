// Value expressions: the arithmetic operators +, -, *, / (exadd, exsub,
// exmul, exdiv) by working type, and unary minus (exneg). FLOAT in double
// arithmetic, DECIMAL and MONEY with the DECIMAL arithmetic (products and
// quotients fitted to their precision word), DATE as day counts computed in
// 64 bits and checked against the DATE and INTEGER ranges, DATETIME and
// INTERVAL with the DATETIME arithmetic.
#include <cmath>
#include <cstring>

#include "decconv.h"
#include "rdate.h"
#include "valexint.h"

using namespace valexpr_int;

namespace {

using valrec_int::Kind;
using valrec_int::kind;

constexpr int kDecimalTooLarge = -1200;

struct Operation {
    int op;
    valrec *a, *b;
    int type; // working type
    int prec; // exprec
};

valrec value_of(int type, int prec)
{
    valrec r;
    std::memset(&r, 0, sizeof r);
    r.vtype = static_cast<int16_t>(type);
    r.vprec = static_cast<int16_t>(prec);
    return r;
}

// A failure: the NULL of the result type and the status.
int fail(valrec *result, int type, int prec, int status) { return finish(result, null_of(type, prec), status); }

bool is_date_like(const valrec *v) { return (kinds_of(v) & (EXK_DATE | EXK_CHAR | EXK_NCHAR)) != 0; }
bool is_datetime_like(const valrec *v) { return (kinds_of(v) & (EXK_DATETIME | EXK_DATE)) != 0; }
bool is_interval(const valrec *v) { return (kinds_of(v) & EXK_INTERVAL) != 0; }

// DATE - DATE (or text), and * and /, give an INTEGER; + and - of a number
// give a DATE.
int date_result_type(const Operation &o)
{
    if (o.op == EXOP_MUL || o.op == EXOP_DIV)
        return TRW_SQL_INTEGER;
    if (o.op == EXOP_SUB && is_date_like(o.a) && is_date_like(o.b))
        return TRW_SQL_INTEGER;
    return TRW_SQL_DATE;
}

int result_type(const Operation &o) { return o.type == TRW_SQL_DATE ? date_result_type(o) : o.type; }

// ---- FLOAT ----

// A FLOAT operand's value as it stands, else the conversion's.
double double_operand(valrec *v, short *null, int *status)
{
    if (kind(v->vtype) == Kind::Float) {
        *null = 0;
        return v->vdata.vdouble;
    }
    const double x = todblnull(v, null);
    *status = get_toerrno();
    return x;
}

int float_arith(const Operation &o, valrec *result)
{
    short na = 0, nb = 0;
    int status = 0;
    const double x = double_operand(o.a, &na, &status);
    const double y = status == 0 ? double_operand(o.b, &nb, &status) : 0;
    if (status != 0)
        return fail(result, o.type, o.prec, status);
    if (na || nb)
        return fail(result, o.type, o.prec, 0);
    double r;
    switch (o.op) {
    case EXOP_ADD: r = x + y; break;
    case EXOP_SUB: r = x - y; break;
    case EXOP_MUL: r = x * y; break;
    default:
        if (y == 0)
            return fail(result, o.type, o.prec, kDivZero);
        r = x / y;
        break;
    }
    if (!std::isfinite(r))
        return fail(result, o.type, o.prec, kFloatRange);
    put_header(result, o.type, o.prec);
    result->vdata.vdouble = r;
    return 0;
}

// ---- DECIMAL and MONEY ----

// A DECIMAL or MONEY operand as it stands, integers by their exact
// conversion, others by the conversion of their type into *room.
const decvalue *decimal_operand(valrec *v, bool money, decvalue *room, int *status)
{
    switch (kind(v->vtype)) {
    case Kind::Decimal:
        return &v->vdata.vdec;
    case Kind::Integer:
        if (v->vdata.vint != TRW_NULL_INTEGER) {
            *status = deccvlong(v->vdata.vint, room);
            return room;
        }
        break;
    case Kind::Small:
        if (v->vdata.vshort != TRW_NULL_SMALLINT) {
            *status = deccvint(v->vdata.vshort, room);
            return room;
        }
        break;
    default:
        break;
    }
    *status = money ? todecimalmon(v, room) : todecimal(v, room);
    return room;
}

int decimal_arith(const Operation &o, valrec *result)
{
    const bool money = o.type == TRW_SQL_MONEY;
    decvalue xr, yr;
    int status = 0;
    const decvalue *x = decimal_operand(o.a, money, &xr, &status);
    const decvalue *y = status == 0 ? decimal_operand(o.b, money, &yr, &status) : nullptr;
    if (status != 0)
        return fail(result, o.type, o.prec, status);
    decvalue value;
    decvalue *r = &value;
    switch (o.op) {
    case EXOP_ADD: status = decadd(x, y, r); break;
    case EXOP_SUB: status = decsub(x, y, r); break;
    case EXOP_MUL: status = decmul(x, y, r); break;
    default: status = decdiv(x, y, r); break;
    }
    const bool fitted = o.op == EXOP_MUL || o.op == EXOP_DIV;
    if (status == 0 && fitted && r->sign != -1 && chkprec(r, o.prec) != 0)
        status = kDecimalTooLarge;
    if (status != 0)
        return fail(result, o.type, o.prec, status);
    put_header(result, o.type, o.prec);
    result->vdata.vdec = value;
    if (value.sign == -1)
        result->vind = -1;
    return 0;
}

// ---- DATE ----

// A day count or number of an operand: 0, or a status; *null for NULL.
int day_operand(valrec *v, int64_t *out, bool *null)
{
    const Kind k = kind(v->vtype);
    const int32_t held = v->vdata.vint;
    if ((k == Kind::Date && held >= TRW_DATE_MIN && held <= TRW_DATE_MAX) ||
        (k == Kind::Integer && held != TRW_NULL_INTEGER)) {
        *out = held; // already a day count or a number
        return 0;
    }
    const int32_t value = is_date_like(v) ? todate(v) : tolong(v);
    const int status = get_toerrno();
    if (status != 0)
        return status;
    *null = *null || value == TRW_NULL_INTEGER;
    *out = value;
    return 0;
}

int date_arith(const Operation &o, valrec *result)
{
    const int type = date_result_type(o);
    int64_t x = 0, y = 0;
    bool null = false;
    int status = day_operand(o.a, &x, &null);
    if (status == 0)
        status = day_operand(o.b, &y, &null);
    if (status != 0 || null)
        return fail(result, type, o.prec, status);
    int64_t r;
    switch (o.op) {
    case EXOP_ADD: r = x + y; break;
    case EXOP_SUB: r = x - y; break;
    case EXOP_MUL: r = x * y; break;
    default:
        if (y == 0)
            return fail(result, type, o.prec, kDivZero);
        r = x / y;
        break;
    }
    if (type == TRW_SQL_DATE && (r < TRW_DATE_MIN || r > TRW_DATE_MAX))
        return fail(result, type, o.prec, kDateRange);
    if (type == TRW_SQL_INTEGER && (r <= INT32_MIN || r > INT32_MAX))
        return fail(result, type, o.prec, kNoInteger);
    put_header(result, type, o.prec);
    result->vdata.vint = static_cast<int32_t>(r);
    return 0;
}

// ---- DATETIME and INTERVAL ----

int to_datetime_own(valrec *v, dt_value *out) { return todatetime(v, out, operand_qualifier(v)); }

int datetime_arith(const Operation &o, valrec *result)
{
    valrec *dt = is_datetime_like(o.a) ? o.a : o.b;
    valrec *inv = dt == o.a ? o.b : o.a;
    const bool add = o.op == EXOP_ADD && is_datetime_like(dt) && is_interval(inv);
    const bool sub = o.op == EXOP_SUB && is_datetime_like(o.a) && is_interval(o.b);
    if (!add && !sub)
        return fail(result, o.type, o.prec, kUndefined);
    dt_value x;
    inv_value y;
    int status = to_datetime_own(dt, &x);
    if (status == 0)
        status = tointerval(inv, &y, 0);
    valrec out = value_of(o.type, o.prec);
    dt_value r{};
    if (status == 0)
        status = add ? dtaddinv(&x, &y, &r) : dtsubinv(&x, &y, &r);
    if (status != 0)
        return fail(result, o.type, o.prec, status);
    out.vdata.vdec = r.dt_dec;
    out.vprec = r.dt_qual;
    out.vind = r.dt_dec.sign == -1 ? -1 : 0;
    return finish(result, out, 0);
}

int interval_out(const Operation &o, const inv_value &r, valrec *result)
{
    valrec out = value_of(o.type, o.prec);
    out.vdata.vdec = r.in_dec;
    out.vind = r.in_dec.sign == -1 ? -1 : 0;
    return finish(result, out, 0);
}

int datetime_difference(const Operation &o, valrec *result)
{
    const int u = datetime_union(o.a, o.b);
    dt_value x, y;
    int status = u < 0 ? u : todatetime(o.a, &x, u);
    if (status == 0)
        status = todatetime(o.b, &y, u);
    inv_value r{};
    r.in_qual = static_cast<int16_t>(o.prec);
    if (status == 0)
        status = dtsub(&x, &y, &r);
    return status != 0 ? fail(result, o.type, o.prec, status) : interval_out(o, r, result);
}

// INTERVAL + and -: both in the result qualifier, counted in its end unit.
int interval_sum(const Operation &o, valrec *result)
{
    const int other_kinds = kinds_of(is_interval(o.a) ? o.b : o.a);
    if (!(other_kinds & (EXK_INTERVAL | EXK_CHAR | EXK_NCHAR)))
        return fail(result, o.type, o.prec, kUndefined);
    inv_value x, y;
    decvalue cx, cy, sum;
    int status = tointerval(o.a, &x, o.prec);
    if (status == 0)
        status = tointerval(o.b, &y, o.prec);
    if (status == 0)
        status = rinvtodec(&x.in_dec, o.prec, &cx);
    if (status == 0)
        status = rinvtodec(&y.in_dec, o.prec, &cy);
    if (status == 0)
        status = o.op == EXOP_ADD ? decadd(&cx, &cy, &sum) : decsub(&cx, &cy, &sum);
    inv_value r{};
    r.in_qual = static_cast<int16_t>(o.prec);
    if (status == 0)
        status = rdectoinv(&sum, &r.in_dec, o.prec);
    return status != 0 ? fail(result, o.type, o.prec, status) : interval_out(o, r, result);
}

// INTERVAL times a number (either order) and divided by one.
int interval_scale(const Operation &o, valrec *result)
{
    valrec *inv = is_interval(o.a) ? o.a : o.b;
    valrec *num = inv == o.a ? o.b : o.a;
    const bool numeric = !(kinds_of(num) & (EXK_INTERVAL | EXK_DATETIME | EXK_DATE));
    if (!numeric || (o.op == EXOP_DIV && inv != o.a))
        return fail(result, o.type, o.prec, kUndefined);
    inv_value x;
    decvalue d;
    int status = tointerval(inv, &x, 0);
    if (status == 0)
        status = todecimal(num, &d);
    inv_value r{};
    r.in_qual = static_cast<int16_t>(o.prec);
    if (status == 0)
        status = o.op == EXOP_MUL ? invmuldec(&x, &d, &r) : invdivdec(&x, &d, &r);
    return status != 0 ? fail(result, o.type, o.prec, status) : interval_out(o, r, result);
}

int interval_arith(const Operation &o, valrec *result)
{
    if (o.op == EXOP_SUB && is_datetime_like(o.a) && is_datetime_like(o.b))
        return datetime_difference(o, result);
    if (o.op == EXOP_ADD || o.op == EXOP_SUB)
        return interval_sum(o, result);
    return interval_scale(o, result);
}

int arith(int op, valrec *a, valrec *b, valrec *result)
{
    if (a == nullptr || b == nullptr)
        return kUndefined;
    const int working = extype(op, a, b);
    Operation o{op, a, b, working, exprec_of(op, a, b, working)};
    const int type = result_type(o);
    if (valrec_int::is_null(a) || valrec_int::is_null(b))
        return fail(result, type, o.prec < 0 ? 0 : o.prec, 0);
    if (o.prec < 0)
        return fail(result, type, 0, o.prec);
    switch (o.type) {
    case TRW_SQL_FLOAT: case TRW_SQL_SMALLFLOAT: return float_arith(o, result);
    case TRW_SQL_DECIMAL: case TRW_SQL_MONEY: return decimal_arith(o, result);
    case TRW_SQL_DATE: return date_arith(o, result);
    case TRW_SQL_DATETIME: return datetime_arith(o, result);
    case TRW_SQL_INTERVAL: return interval_arith(o, result);
    default: return fail(result, type, o.prec, kUndefined);
    }
}

// ---- unary minus ----

void negate_decimal(decvalue *d)
{
    if (!dec_is_zero(d) && d->sign != -1)
        d->sign = d->sign == 0 ? 1 : 0;
}

// The negated value of a non-NULL operand into out; false for a type
// without a minus.
bool negate(const valrec *a, valrec *out)
{
    switch (kind(a->vtype)) {
    case Kind::Small:
        // The NULL form in a record not marked NULL stays NULL.
        if (a->vdata.vshort == TRW_NULL_SMALLINT)
            *out = null_of(out->vtype, out->vprec);
        else
            out->vdata.vshort = static_cast<int16_t>(-a->vdata.vshort);
        return true;
    case Kind::Integer: case Kind::Date:
        if (a->vdata.vint == TRW_NULL_INTEGER)
            *out = null_of(out->vtype, out->vprec);
        else
            out->vdata.vint = -a->vdata.vint;
        return true;
    case Kind::Float: out->vdata.vdouble = -a->vdata.vdouble; return true;
    case Kind::SmallFloat:
        if (out->vtype == TRW_SQL_FLOAT)
            out->vdata.vdouble = -static_cast<double>(a->vdata.vfloat);
        else
            out->vdata.vfloat = -a->vdata.vfloat;
        return true;
    case Kind::Decimal: case Kind::Interval:
        out->vdata.vdec = a->vdata.vdec;
        negate_decimal(&out->vdata.vdec);
        return true;
    case Kind::Int8:
        out->vdata.vint8 = a->vdata.vint8;
        if (!trw_int8iszero(&a->vdata.vint8))
            out->vdata.vint8.sign = static_cast<int16_t>(a->vdata.vint8.sign > 0 ? -1 : 1);
        return true;
    default:
        return false;
    }
}

bool has_minus(const valrec *a)
{
    switch (kind(a->vtype)) {
    case Kind::Small: case Kind::Integer: case Kind::Date: case Kind::Float: case Kind::SmallFloat:
    case Kind::Decimal: case Kind::Interval: case Kind::Int8:
        return true;
    default:
        return false;
    }
}

} // namespace

extern "C" {

int exadd(valrec *a, valrec *b, valrec *result) { return arith(EXOP_ADD, a, b, result); }
int exsub(valrec *a, valrec *b, valrec *result) { return arith(EXOP_SUB, a, b, result); }
int exmul(valrec *a, valrec *b, valrec *result) { return arith(EXOP_MUL, a, b, result); }
int exdiv(valrec *a, valrec *b, valrec *result) { return arith(EXOP_DIV, a, b, result); }

int exneg(valrec *a, valrec *result)
{
    if (a == nullptr || !has_minus(a))
        return kUnits;
    const int working = extype(EXOP_NEG, a, nullptr);
    const int type = kind(a->vtype) == Kind::Date ? TRW_SQL_INTEGER : working;
    const int prec = exprec(EXOP_NEG, a, nullptr);
    if (valrec_int::is_null(a))
        return finish(result, null_of(type, prec), 0);
    valrec out = value_of(type, prec);
    negate(a, &out);
    return finish(result, out, 0);
}

} // extern "C"
