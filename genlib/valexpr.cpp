// Value expressions, the common part: the kind table of the SQL type codes,
// the working type (extype) and result precision word (exprec) of an
// operator, the decimal-calculation switch kept in the control block, the
// truth value of a record (cvtosmint), three-valued AND, OR and NOT, and the
// NULL tests.
#include <algorithm>
#include <cstring>

#include "gentcb.h"
#include "valexint.h"

namespace valexpr_int {

namespace {

// Kind bits per SQL code 0..51; codes without a row have none.
struct KindTable {
    uint16_t bits[TRW_SQL_NTYPES];
    constexpr KindTable() : bits()
    {
        bits[TRW_SQL_CHAR] = EXK_CHAR;
        bits[TRW_SQL_VARCHAR] = EXK_CHAR;
        bits[TRW_SQL_SMALLINT] = EXK_SMALLINT;
        bits[TRW_SQL_INTEGER] = EXK_INTEGER;
        bits[TRW_SQL_SERIAL] = EXK_INTEGER;
        bits[TRW_SQL_FLOAT] = EXK_FLOAT;
        bits[TRW_SQL_SMALLFLOAT] = EXK_FLOAT | EXK_SMFLOAT;
        bits[TRW_SQL_MONEY] = EXK_MONEY;
        bits[TRW_SQL_DATE] = EXK_DATE;
        bits[TRW_SQL_DECIMAL] = EXK_DECIMAL;
        bits[TRW_SQL_DATETIME] = EXK_DATETIME;
        bits[TRW_SQL_INTERVAL] = EXK_INTERVAL;
        bits[TRW_SQL_NCHAR] = EXK_NCHAR;
        bits[TRW_SQL_NVARCHAR] = EXK_NCHAR;
        bits[TRW_SQL_INT8] = EXK_INT8;
        bits[TRW_SQL_SERIAL8] = EXK_INT8;
    }
};
constexpr KindTable kKindTable{};

constexpr int kTextKinds = EXK_CHAR | EXK_NCHAR;
constexpr int kDateKinds = EXK_DATETIME | EXK_DATE;

// The working type by the eight rules; A and B the kinds of the operands.
int working_type(int op, int A, int B, bool binary)
{
    const int U = A | B;
    if (binary && is_comparison(op)) {
        if ((A & EXK_CHAR) && (B & EXK_CHAR))
            return TRW_SQL_CHAR;
        if ((A & kTextKinds) && (B & kTextKinds))
            return TRW_SQL_NCHAR;
        if (U & EXK_FLOAT)
            return U & EXK_SMFLOAT ? TRW_SQL_SMALLFLOAT : TRW_SQL_FLOAT;
    }
    if (U & EXK_DATETIME)
        return op == EXOP_SUB && (A & kDateKinds) && (B & kDateKinds) ? TRW_SQL_INTERVAL : TRW_SQL_DATETIME;
    if (U & EXK_MONEY)
        return op == EXOP_DIV && (A & EXK_MONEY) && (B & EXK_MONEY) ? TRW_SQL_DECIMAL : TRW_SQL_MONEY;
    if (U & EXK_INTERVAL)
        return U & EXK_DATE ? TRW_SQL_DATETIME : TRW_SQL_INTERVAL;
    if (U & EXK_DATE)
        return TRW_SQL_DATE;
    if (!decimal_calc()) {
        if (op == EXOP_NEG && (U & EXK_SMFLOAT))
            return TRW_SQL_SMALLFLOAT;
        if (U & EXK_FLOAT)
            return TRW_SQL_FLOAT;
    }
    if (is_arithmetic(op))
        return TRW_SQL_DECIMAL;
    if (U & (kTextKinds | EXK_DECIMAL))
        return TRW_SQL_DECIMAL;
    if (U & EXK_FLOAT)
        return TRW_SQL_FLOAT;
    if (U & EXK_INT8)
        return TRW_SQL_INT8;
    if (U & EXK_INTEGER)
        return TRW_SQL_INTEGER;
    return TRW_SQL_SMALLINT;
}

constexpr int kFloating = DEC_FLOATING;
constexpr int kMaxDigits = 32;
constexpr int kPrecFloating32 = (kMaxDigits << 8) | kFloating;

// (p, s) of an operand. Beside a floating operand both operands count
// their precision as integer digits and no scale.
struct Digits {
    int p, s;
    bool floating() const { return s == kFloating; }
};

struct Pair {
    Digits a, b;
    bool floating() const { return a.floating() || b.floating(); }
    int integer_digits(const Digits &d) const { return floating() ? d.p : std::max(d.p - d.s, 0); }
    int scale(const Digits &d) const { return floating() ? 0 : d.s; }
};

Digits digits_of(const valrec *v)
{
    int word;
    switch (valrec_int::code_of(v->vtype)) {
    case TRW_SQL_CHAR: case TRW_SQL_VARCHAR: case TRW_SQL_NCHAR: case TRW_SQL_NVARCHAR: case TRW_SQL_FLOAT:
        word = VAL_PREC_FLOAT;
        break;
    case TRW_SQL_SMALLFLOAT:
        word = VAL_PREC_SMALLFLOAT;
        break;
    case TRW_SQL_SMALLINT:
        word = VAL_PREC_SMALLINT;
        break;
    case TRW_SQL_INTEGER: case TRW_SQL_SERIAL: case TRW_SQL_DATE:
        word = VAL_PREC_INTEGER;
        break;
    case TRW_SQL_INT8: case TRW_SQL_SERIAL8:
        word = VAL_PREC_INT8;
        break;
    case TRW_SQL_DECIMAL: case TRW_SQL_MONEY:
        word = static_cast<uint16_t>(v->vprec);
        if ((word >> 8) == 0)
            word = kPrecFloating32;
        break;
    default:
        word = static_cast<uint16_t>(v->vprec);
        break;
    }
    return {(word >> 8) & 0xFF, word & 0xFF};
}

int word_of(int prec, int scale, bool floating)
{
    if (prec > kMaxDigits - 1)
        return kPrecFloating32;
    return (prec << 8) | (floating ? kFloating : scale);
}

int sum_word(const Pair &d)
{
    const int id = std::max(d.integer_digits(d.a), d.integer_digits(d.b)) + 1;
    const int sc = std::max(d.scale(d.a), d.scale(d.b));
    return word_of(id + sc, sc, d.floating());
}

int product_word(const Pair &d)
{
    const int sc = d.scale(d.a) + d.scale(d.b);
    int prec = d.integer_digits(d.a) + d.integer_digits(d.b) + sc;
    if (sc != 0 && prec < 16)
        prec = 16;
    return word_of(prec, sc, d.floating());
}

int quotient_word(const Digits &a, const Digits &b)
{
    return (std::clamp(a.p + b.p, 16, kMaxDigits) << 8) | kFloating;
}

int numeric_word(int op, const valrec *a, const valrec *b)
{
    const Digits da = digits_of(a);
    if (b == nullptr)
        return (da.p << 8) | da.s;
    const Digits db = digits_of(b);
    switch (op) {
    case EXOP_ADD: case EXOP_SUB: return sum_word({da, db});
    case EXOP_MUL: return product_word({da, db});
    case EXOP_DIV: return quotient_word(da, db);
    default: return VAL_PREC_SMALLINT;
    }
}

int interval_operand_qualifier(const valrec *a, const valrec *b)
{
    if (a != nullptr && kinds_of(a) & EXK_INTERVAL)
        return static_cast<uint16_t>(a->vprec);
    return static_cast<uint16_t>(b->vprec);
}

int datetime_operand_qualifier(const valrec *a, const valrec *b)
{
    const int qa = a != nullptr && (kinds_of(a) & kDateKinds) ? operand_qualifier(a) : -1;
    return qa >= 0 ? qa : operand_qualifier(b);
}

int interval_word(int op, const valrec *a, const valrec *b)
{
    if (b == nullptr)
        return static_cast<uint16_t>(a->vprec);
    if (is_comparison(op))
        return interval_union(a, b);
    if (op == EXOP_SUB && (kinds_of(a) & kDateKinds) && (kinds_of(b) & kDateKinds))
        return difference_qualifier(a, b);
    if (op == EXOP_ADD || op == EXOP_SUB)
        return interval_union(a, b);
    return interval_operand_qualifier(a, b);
}

} // namespace

int operand_qualifier(const valrec *v)
{
    if (v == nullptr)
        return -1;
    switch (valrec_int::code_of(v->vtype)) {
    case TRW_SQL_DATETIME: case TRW_SQL_INTERVAL: return static_cast<uint16_t>(v->vprec);
    case TRW_SQL_DATE: return DT_YEAR_TO_DAY;
    default: return -1;
    }
}

namespace {

// Earlier start and later end of the operands' qualifiers; false when
// neither has one.
bool unit_span(const valrec *a, const valrec *b, int *start, int *end)
{
    int s = 99, e = -1;
    for (const valrec *v : {a, b}) {
        const int q = operand_qualifier(v);
        if (q < 0)
            continue;
        s = std::min(s, TU_START(q));
        e = std::max(e, TU_END(q));
    }
    *start = s;
    *end = e;
    return e >= 0;
}

bool year_month(int q) { return TU_END(q) <= TU_MONTH; }

} // namespace

int datetime_union(const valrec *a, const valrec *b)
{
    int s, e;
    if (!unit_span(a, b, &s, &e))
        return kBadQualifier;
    return TU_DTENCODE(s, e);
}

int interval_union(const valrec *a, const valrec *b)
{
    const int qa = operand_qualifier(a), qb = operand_qualifier(b);
    if (qa >= 0 && qb >= 0 && year_month(qa) != year_month(qb))
        return kUnits;
    int s, e;
    if (!unit_span(a, b, &s, &e))
        return kBadQualifier;
    if (s == TU_FRAC)
        return TU_ENCODE(e - TU_SECOND, TU_FRAC, e);
    return TU_IENCODE(9, s, e);
}

int difference_qualifier(const valrec *a, const valrec *b)
{
    const int u = datetime_union(a, b);
    if (u < 0)
        return u;
    const int s = TU_START(u), e = TU_END(u);
    if (s < TU_DAY && e >= TU_DAY)
        return TU_ENCODE(TU_LEN(u), TU_DAY, e);
    return u;
}

bool decimal_calc()
{
    const struct gentcb *block = CheckGenInit();
    return block != nullptr && block->gt_exdeccalc != 0;
}

valrec null_of(int type, int prec)
{
    valrec r;
    std::memset(&r, 0, sizeof r);
    r.vtype = static_cast<int16_t>(type);
    r.vind = -1;
    r.vprec = static_cast<int16_t>(prec);
    switch (valrec_int::kind(type)) {
    case valrec_int::Kind::Small: r.vdata.vshort = TRW_NULL_SMALLINT; break;
    case valrec_int::Kind::Integer: case valrec_int::Kind::Date: r.vdata.vint = TRW_NULL_INTEGER; break;
    case valrec_int::Kind::Float: r.vdata.vdouble = valrec_int::null_double(); break;
    case valrec_int::Kind::SmallFloat: std::memset(&r.vdata.vfloat, 0xFF, sizeof r.vdata.vfloat); break;
    case valrec_int::Kind::Decimal: case valrec_int::Kind::DateTime: case valrec_int::Kind::Interval:
        valrec_int::null_decimal(&r.vdata.vdec);
        break;
    default: break;
    }
    return r;
}

valrec smallint_of(int value, int prec)
{
    valrec r;
    std::memset(&r, 0, sizeof r);
    r.vtype = TRW_SQL_SMALLINT;
    r.vprec = static_cast<int16_t>(prec);
    r.vdata.vshort = static_cast<int16_t>(value);
    return r;
}

} // namespace valexpr_int

using namespace valexpr_int;

namespace {

// The truth value of a non-NULL record: 1, 0, or a negative status.
int truth_of_text(const char *s, int len)
{
    int i = 0;
    while (i < len && s[i] == ' ')
        ++i;
    if (i == len)
        return 0;
    if (s[i] < '0' || s[i] > '9')
        return 1;
    // The leading number: any non-zero digit before the first character that
    // is neither a digit nor a point or separator makes it non-zero.
    for (; i < len; ++i) {
        const char c = s[i];
        if (c >= '1' && c <= '9')
            return 1;
        if (c != '0' && c != '.' && c != ',')
            break;
    }
    return 0;
}

int truth_of(valrec *v)
{
    using valrec_int::Kind;
    switch (valrec_int::kind(v->vtype)) {
    case Kind::Char: return truth_of_text(v->vdata.vchar, v->vlen);
    case Kind::Small: return v->vdata.vshort != 0;
    case Kind::Integer: case Kind::Date: return v->vdata.vint != 0;
    case Kind::Float: return v->vdata.vdouble != 0;
    case Kind::SmallFloat: return v->vdata.vfloat != 0;
    case Kind::Decimal: case Kind::DateTime: case Kind::Interval: return !dec_is_zero(&v->vdata.vdec);
    case Kind::Int8: return !trw_int8iszero(&v->vdata.vint8);
    case Kind::Boolean: return v->vlen >= 1 && v->vdata.vchar[0] != 0;
    default: return kUndefined;
    }
}

// The truth value of a record: 1, 0, -1 for NULL, or a status below -1.
int truth(valrec *v)
{
    if (valrec_int::is_null(v))
        return -1;
    return truth_of(v);
}

int logic_result(valrec *result, int value)
{
    return finish(result, value < 0 ? null_of(TRW_SQL_SMALLINT, VAL_PREC_SMALLINT)
                                    : smallint_of(value, VAL_PREC_SMALLINT), 0);
}

// AND (want_true false) or OR (true) of two truth values.
int combine(valrec *a, valrec *b, valrec *result, bool is_or)
{
    const int ta = truth(a);
    if (ta < -1)
        return ta;
    const int tb = truth(b);
    if (tb < -1)
        return tb;
    const int decisive = is_or ? 1 : 0;
    if (ta == decisive || tb == decisive)
        return logic_result(result, decisive);
    if (ta < 0 || tb < 0)
        return logic_result(result, -1);
    return logic_result(result, 1 - decisive);
}

} // namespace

extern "C" {

const uint16_t *get_kind_table(void) { return kKindTable.bits; }

int getkind(int type)
{
    const int code = type & VAL_TYPEMASK;
    return code < TRW_SQL_NTYPES ? kKindTable.bits[code] : 0;
}

int extype(int op, valrec *a, valrec *b)
{
    if (a == nullptr)
        return kUndefined;
    return working_type(op, kinds_of(a), kinds_of(b), b != nullptr);
}

int exprec(int op, valrec *a, valrec *b) { return exprec_of(op, a, b, extype(op, a, b)); }

} // extern "C"

int valexpr_int::exprec_of(int op, valrec *a, valrec *b, int type)
{
    if (type < 0)
        return type;
    if (op == EXOP_DAY || op == EXOP_MONTH)
        return EXPREC_DAY;
    if (op == EXOP_YEAR)
        return EXPREC_YEAR;
    const bool operator_with_type = is_comparison(op) || is_arithmetic(op) || op == EXOP_NEG;
    if (!operator_with_type)
        return VAL_PREC_SMALLINT;
    if (is_comparison(op) && type != TRW_SQL_DATETIME && type != TRW_SQL_INTERVAL)
        return VAL_PREC_SMALLINT;
    switch (type) {
    case TRW_SQL_DATE:
        return VAL_PREC_INTEGER;
    case TRW_SQL_DATETIME:
        if (is_comparison(op))
            return b != nullptr ? datetime_union(a, b) : VAL_PREC_SMALLINT;
        return datetime_operand_qualifier(a, b);
    case TRW_SQL_INTERVAL:
        return interval_word(op, a, b);
    default:
        return numeric_word(op, a, b);
    }
}

extern "C" {

int trw_ex_decimal_calc(int on)
{
    struct gentcb *block = CheckGenInit();
    if (block == nullptr)
        return 0;
    const int previous = block->gt_exdeccalc != 0;
    block->gt_exdeccalc = on != 0;
    return previous;
}

int cvtosmint(valrec *a, valrec *result)
{
    const int t = truth(a);
    if (t < -1)
        return t;
    return logic_result(result, t);
}

int exand(valrec *a, valrec *b, valrec *result) { return combine(a, b, result, false); }

int exor(valrec *a, valrec *b, valrec *result) { return combine(a, b, result, true); }

int exnot(valrec *a, valrec *result)
{
    const int t = truth(a);
    if (t < -1)
        return t;
    return logic_result(result, t < 0 ? -1 : 1 - t);
}

int exnull(int op, valrec *a, valrec *result)
{
    if (op != EXOP_ISNULL && op != EXOP_NOTNULL)
        return kUndefined;
    const bool null = valrec_int::is_null(a);
    return finish(result, smallint_of(null == (op == EXOP_ISNULL) ? 1 : 0, VAL_PREC_SMALLINT), 0);
}

} // extern "C"
