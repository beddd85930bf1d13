// Value expressions: comparison of two records in their working type
// (excmp) and MATCHES and LIKE (exmatch, ansi_exescmatch). The compiled
// pattern of the last match is kept and recognised by its content: the
// pattern's bytes and length, the three special characters and the
// normalise flag, together with the client locale and the normaliser it was
// compiled under (a rebuilt normaliser or another locale drops it).
#include <cstdlib>
#include <cstring>

#include "glsenv.h"
#include "rdate.h"
#include "oscmpr.h"
#include "osutil.h"
#include "rwildmat.h"
#include "rwmatch_int.h"
#include "valexint.h"

using namespace valexpr_int;

namespace {

using valrec_int::Kind;
using valrec_int::kind;

// The outcome of bringing two operands to their working type and ordering
// them: a status, or NULL, or the order -1, 0, 1.
struct Order {
    int status = 0;
    bool null = false;
    int order = 0;
};

Order failed(int status) { return {status, true, 0}; }
Order null_order() { return {0, true, 0}; }
template <typename T> Order ordered(T x, T y) { return {0, false, (x > y) - (x < y)}; }

Order order_text(valrec *a, valrec *b)
{
    return {0, false, charcmp(a->vdata.vchar, a->vlen, b->vdata.vchar, b->vlen)};
}

// The locale's collation; an invalid multibyte text counts as equal.
Order order_collated(valrec *a, valrec *b)
{
    int error = 0;
    const int order = osglsbycmpr(nullptr, a->vdata.vchar, a->vlen, b->vdata.vchar, b->vlen, &error);
    if (error == OSCMPR_EINVALID)
        return {0, false, 0};
    if (error != 0)
        return failed(error);
    return {0, false, order};
}

Order order_double(valrec *a, valrec *b, bool as_float)
{
    short na = 0, nb = 0;
    const double x = todblnull(a, &na);
    int status = get_toerrno();
    if (status != 0)
        return failed(status);
    const double y = todblnull(b, &nb);
    if ((status = get_toerrno()) != 0)
        return failed(status);
    if (na || nb)
        return null_order();
    if (as_float)
        return ordered(static_cast<float>(x), static_cast<float>(y));
    return ordered(x, y);
}

Order order_decimals(const decvalue &x, const decvalue &y)
{
    const int c = deccmp(&x, &y);
    return c == -2 ? null_order() : Order{0, false, c};
}

Order order_decimal(valrec *a, valrec *b, bool money)
{
    decvalue x, y;
    int status = money ? todecimalmon(a, &x) : todecimal(a, &x);
    if (status == 0)
        status = money ? todecimalmon(b, &y) : todecimal(b, &y);
    return status != 0 ? failed(status) : order_decimals(x, y);
}

template <typename Convert> Order order_integer(valrec *a, valrec *b, Convert convert, int null_value)
{
    const int x = convert(a);
    int status = get_toerrno();
    if (status != 0)
        return failed(status);
    const int y = convert(b);
    if ((status = get_toerrno()) != 0)
        return failed(status);
    if (x == null_value || y == null_value)
        return null_order();
    return ordered(x, y);
}

Order order_datetime(valrec *a, valrec *b)
{
    const int q = datetime_union(a, b);
    if (q < 0)
        return failed(q);
    dt_value x, y;
    int status = todatetime(a, &x, q);
    if (status == 0)
        status = todatetime(b, &y, q);
    return status != 0 ? failed(status) : order_decimals(x.dt_dec, y.dt_dec);
}

Order order_interval(valrec *a, valrec *b)
{
    const int q = interval_union(a, b);
    if (q < 0)
        return failed(q);
    inv_value x, y;
    int status = tointerval(a, &x, q);
    if (status == 0)
        status = tointerval(b, &y, q);
    return status != 0 ? failed(status) : order_decimals(x.in_dec, y.in_dec);
}

Order order_int8(valrec *a, valrec *b)
{
    int8value x, y;
    int status = toint8(a, &x);
    if (status == 0)
        status = toint8(b, &y);
    if (status != 0)
        return failed(status);
    const int c = trw_int8cmp(&x, &y);
    return c == -2 ? null_order() : Order{0, false, c};
}

bool both_boolean(const valrec *a, const valrec *b)
{
    return kind(a->vtype) == Kind::Boolean && kind(b->vtype) == Kind::Boolean;
}

unsigned char boolean_byte(const valrec *v) { return v->vlen >= 1 ? static_cast<unsigned char>(v->vdata.vchar[0]) : 0; }

// Operands that already hold the working type are ordered as they stand
// (values that are the NULL form, or out of the DATE range, go the long
// way, which reports them). False when no direct order applies.
bool direct_order(int type, const valrec *a, const valrec *b, Order *o)
{
    const Kind ka = kind(a->vtype), kb = kind(b->vtype);
    if (ka != kb)
        return false;
    switch (type) {
    case TRW_SQL_INTEGER:
        if (ka != Kind::Integer || a->vdata.vint == TRW_NULL_INTEGER || b->vdata.vint == TRW_NULL_INTEGER)
            return false;
        *o = ordered(a->vdata.vint, b->vdata.vint);
        return true;
    case TRW_SQL_SMALLINT:
        if (ka != Kind::Small || a->vdata.vshort == TRW_NULL_SMALLINT || b->vdata.vshort == TRW_NULL_SMALLINT)
            return false;
        *o = ordered(a->vdata.vshort, b->vdata.vshort);
        return true;
    case TRW_SQL_DATE: {
        const auto in_range = [](int32_t d) { return d >= TRW_DATE_MIN && d <= TRW_DATE_MAX; };
        if (ka != Kind::Date || !in_range(a->vdata.vint) || !in_range(b->vdata.vint))
            return false;
        *o = ordered(a->vdata.vint, b->vdata.vint);
        return true;
    }
    case TRW_SQL_FLOAT:
        if (ka != Kind::Float || a->vdata.vdouble != a->vdata.vdouble || b->vdata.vdouble != b->vdata.vdouble)
            return false;
        *o = ordered(a->vdata.vdouble, b->vdata.vdouble);
        return true;
    case TRW_SQL_DECIMAL: case TRW_SQL_MONEY:
        if (ka != Kind::Decimal)
            return false;
        *o = order_decimals(a->vdata.vdec, b->vdata.vdec);
        return true;
    default:
        return false;
    }
}

Order order_by_type(int type, valrec *a, valrec *b)
{
    Order direct;
    if (direct_order(type, a, b, &direct))
        return direct;
    if (both_boolean(a, b))
        return ordered(boolean_byte(a), boolean_byte(b));
    switch (type) {
    case TRW_SQL_CHAR: return order_text(a, b);
    case TRW_SQL_NCHAR: return order_collated(a, b);
    case TRW_SQL_FLOAT: return order_double(a, b, false);
    case TRW_SQL_SMALLFLOAT: return order_double(a, b, true);
    case TRW_SQL_DECIMAL: return order_decimal(a, b, false);
    case TRW_SQL_MONEY: return order_decimal(a, b, true);
    case TRW_SQL_DATE: return order_integer(a, b, todate, TRW_NULL_INTEGER);
    case TRW_SQL_DATETIME: return order_datetime(a, b);
    case TRW_SQL_INTERVAL: return order_interval(a, b);
    case TRW_SQL_INT8: return order_int8(a, b);
    case TRW_SQL_INTEGER: return order_integer(a, b, tolong, TRW_NULL_INTEGER);
    default: return order_integer(a, b, toint, TRW_NULL_SMALLINT);
    }
}

bool holds(int op, int order)
{
    switch (op) {
    case EXOP_EQ: return order == 0;
    case EXOP_NE: return order != 0;
    case EXOP_LE: return order <= 0;
    case EXOP_LT: return order < 0;
    case EXOP_GE: return order >= 0;
    default: return order > 0;
    }
}

// ---- MATCHES and LIKE ----

constexpr uint32_t kNoEscape = 0xFFFFFFFFu;

struct KeptPattern {
    char *bytes = nullptr;
    int len = 0;
    uint32_t anyseq = 0, anyone = 0, escape = 0;
    bool normalise = false;
    gl_locale *loc = nullptr;
    unsigned generation = 0;
    relist *list = nullptr;
};

KeptPattern kept;
long compilations = 0;

void drop_kept()
{
    rfreerelist(kept.list);
    std::free(kept.bytes);
    kept = KeptPattern{};
}

struct PatternKey {
    const char *bytes;
    int len;
    uint32_t anyseq, anyone, escape;
    bool normalise;
    gl_locale *loc;
};

bool is_kept(const PatternKey &k)
{
    return kept.list != nullptr && kept.len == k.len && kept.anyseq == k.anyseq && kept.anyone == k.anyone &&
           kept.escape == k.escape && kept.normalise == k.normalise && kept.loc == k.loc &&
           kept.generation == rwm::normaliser_generation() &&
           (k.len == 0 || std::memcmp(kept.bytes, k.bytes, static_cast<size_t>(k.len)) == 0);
}

// The pattern's characters as wide values, terminated; nullptr without
// memory or for invalid text (*status set).
uint32_t *widen(const PatternKey &k, int *status)
{
    auto *w = static_cast<uint32_t *>(std::malloc(sizeof(uint32_t) * (static_cast<size_t>(k.len) + 1)));
    if (w == nullptr) {
        *status = kNoPattern;
        return nullptr;
    }
    int n = k.len;
    if (k.loc != nullptr && !k.loc->single_byte) {
        const int saved = k.loc->error;
        n = _trw_gl_im_mbfstowcfs(k.loc, w, k.bytes, k.len, k.len);
        k.loc->error = saved;
    } else {
        for (int i = 0; i < n; ++i)
            w[i] = static_cast<unsigned char>(k.bytes[i]);
    }
    if (n < 0) {
        std::free(w);
        *status = OSCMPR_EINVALID;
        return nullptr;
    }
    w[n] = 0;
    return w;
}

// The compiled pattern for k: the kept one, or a new one (kept unless its
// compilation set an error; *transient then tells the caller to free it).
relist *compiled(const PatternKey &k, bool *transient, int *status)
{
    *transient = false;
    if (is_kept(k))
        return kept.list;
    uint32_t *w = widen(k, status);
    if (w == nullptr)
        return nullptr;
    set_toerrno(0);
    relist *list = rcnvtorelist(w, static_cast<int>(k.anyseq), static_cast<int>(k.anyone),
                                static_cast<int>(k.escape), k.normalise);
    std::free(w);
    ++compilations;
    const int error = get_toerrno();
    if (list == nullptr) {
        *status = error == 0 || error == -406 ? kNoPattern : error;
        return nullptr;
    }
    if (error != 0) {
        *status = error;
        *transient = true;
        return list;
    }
    char *bytes = static_cast<char *>(std::malloc(static_cast<size_t>(k.len) + 1));
    if (bytes == nullptr) {
        rfreerelist(list);
        *status = kNoPattern;
        return nullptr;
    }
    drop_kept();
    std::memcpy(bytes, k.bytes, static_cast<size_t>(k.len));
    kept = KeptPattern{bytes, k.len, k.anyseq, k.anyone, k.escape, k.normalise, k.loc,
                       rwm::normaliser_generation(), list};
    return list;
}

gl_locale *match_locale() { return chkglsinit() == 0 ? trw_get_gl_locale_thread() : nullptr; }

// 1, 0, or a negative status.
int match_text(valrec *a, valrec *b, uint32_t anyseq, uint32_t anyone, uint32_t escape)
{
    gl_locale *loc = match_locale();
    const bool nchar = ((kinds_of(a) | kinds_of(b)) & EXK_NCHAR) != 0;
    bool normalise = false;
    if (loc != nullptr && !loc->code_ranges && nchar) {
        rwm::ensure_normaliser();
        normalise = rwm::normaliser_has_rules();
    }
    const bool use_compiled = loc != nullptr && (!loc->single_byte || normalise);
    set_toerrno(0);
    if (!use_compiled) {
        const int n = valrec_int::trimmed_length(a->vdata.vchar, a->vlen);
        const int m = valrec_int::trimmed_length(b->vdata.vchar, b->vlen);
        const int r = rescfixstrmatch(a->vdata.vchar, n, b->vdata.vchar, m, static_cast<int>(anyseq),
                                      static_cast<int>(anyone), static_cast<int>(escape));
        const int error = get_toerrno();
        return error != 0 ? error : r;
    }
    const PatternKey key{b->vdata.vchar, b->vlen, anyseq, anyone, escape, normalise, loc};
    bool transient = false;
    int status = 0;
    relist *list = compiled(key, &transient, &status);
    if (list == nullptr)
        return status;
    const int r = rrewildmatch(a->vdata.vchar, a->vlen, list, normalise);
    if (transient)
        rfreerelist(list);
    return status != 0 ? status : r;
}

bool is_text(const valrec *v) { return kind(v->vtype) == Kind::Char; }

bool has_bytes(const valrec *v) { return v->vlen >= 0 && (v->vlen == 0 || v->vdata.vchar != nullptr); }

int match(int op, valrec *a, valrec *b, uint32_t escape, valrec *result)
{
    const bool matches = op == EXOP_MATCHES || op == EXOP_NOTMATCHES;
    const bool like = op == EXOP_LIKE || op == EXOP_NOTLIKE;
    if (!matches && !like)
        return kUndefined;
    if (a == nullptr || b == nullptr || !is_text(a) || !is_text(b))
        return kNotChars;
    if (valrec_int::is_null(a) || valrec_int::is_null(b))
        return finish(result, null_of(TRW_SQL_SMALLINT, VAL_PREC_SMALLINT), 0);
    if (!has_bytes(a) || !has_bytes(b))
        return kNotChars;
    const int r = match_text(a, b, matches ? '*' : '%', matches ? '?' : '_', escape);
    if (r < 0)
        return finish(result, null_of(TRW_SQL_SMALLINT, VAL_PREC_SMALLINT), r);
    const bool inverted = op == EXOP_NOTMATCHES || op == EXOP_NOTLIKE;
    return put_smallint(result, (r != 0) != inverted ? 1 : 0, VAL_PREC_SMALLINT);
}

// The escape character of an escape text: its first character, none for
// a null or empty text.
uint32_t escape_of(const char *escape)
{
    if (escape == nullptr || escape[0] == '\0')
        return kNoEscape;
    gl_locale *loc = match_locale();
    if (loc == nullptr || loc->single_byte)
        return static_cast<unsigned char>(escape[0]);
    uint32_t w[2] = {0, 0};
    const int saved = loc->error;
    const int n = _trw_gl_im_mbfstowcfs(loc, w, escape, static_cast<int>(std::strlen(escape)), 1);
    loc->error = saved;
    return n >= 1 ? w[0] : static_cast<unsigned char>(escape[0]);
}

} // namespace

namespace valexpr_int {

long kept_pattern_compilations() { return compilations; }

void drop_kept_pattern() { drop_kept(); }

} // namespace valexpr_int

extern "C" {

int excmp(int op, valrec *a, valrec *b, valrec *result)
{
    if (!is_comparison(op) || a == nullptr || b == nullptr)
        return kUndefined;
    if (valrec_int::is_null(a) || valrec_int::is_null(b))
        return finish(result, null_of(TRW_SQL_SMALLINT, VAL_PREC_SMALLINT), 0);
    const Order o = order_by_type(extype(op, a, b), a, b);
    if (o.status != 0 || o.null)
        return finish(result, null_of(TRW_SQL_SMALLINT, VAL_PREC_SMALLINT), o.status);
    return put_smallint(result, holds(op, o.order) ? 1 : 0, VAL_PREC_SMALLINT);
}

int exmatch(int op, valrec *a, valrec *b, valrec *result) { return match(op, a, b, '\\', result); }

int ansi_exescmatch(int op, valrec *a, valrec *b, const char *escape, valrec *result)
{
    return match(op, a, b, escape_of(escape), result);
}

} // extern "C"
