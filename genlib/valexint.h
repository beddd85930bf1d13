// Internal: what the value-expression modules share: the working type and
// precision word of an operator, the qualifiers of DATETIME and INTERVAL
// operands, and the writing of results (a result is built in a local
// record and copied out last, so it may be the same record as an operand).
#pragma once

#include <cstdint>

#include "gentcb.h"
#include "valexpr.h"
#include "valint.h"

namespace valexpr_int {

constexpr int kDivZero = -1202;
constexpr int kNotChars = -1203;
constexpr int kDateRange = -1210;
constexpr int kNoPattern = -1211;
constexpr int kNoInteger = -1215;
constexpr int kFloatRange = -1223;
constexpr int kUndefined = -1260;
constexpr int kUnits = -1266;
constexpr int kBadQualifier = -1268;

inline bool is_comparison(int op) { return op >= EXOP_EQ && op <= EXOP_GT; }
inline bool is_arithmetic(int op) { return op >= EXOP_ADD && op <= EXOP_DIV; }

inline int kinds_of(const valrec *v) { return v != nullptr ? getkind(v->vtype) : 0; }

// A record of type code and precision word holding NULL.
valrec null_of(int type, int prec);

// A non-NULL SMALLINT result (precision word prec).
valrec smallint_of(int value, int prec);

// Writes the header of a non-NULL result (the value area is the caller's).
inline void put_header(valrec *r, int type, int prec)
{
    r->vtype = static_cast<int16_t>(type);
    r->vind = 0;
    r->vxid = 0;
    r->vprec = static_cast<int16_t>(prec);
    r->vlen = 0;
    r->vflags = 0;
    r->valign = 0;
}

// A SMALLINT result written in place.
inline int put_smallint(valrec *r, int value, int prec)
{
    put_header(r, TRW_SQL_SMALLINT, prec);
    r->vdata.vshort = static_cast<int16_t>(value);
    return 0;
}

// Copies the finished result out; returns status.
inline int finish(valrec *result, const valrec &r, int status)
{
    *result = r;
    return status;
}

// The qualifier a DATETIME, DATE (YEAR TO DAY) or INTERVAL operand brings,
// or -1 for one without.
int operand_qualifier(const valrec *v);

// The union of the qualifiers of a and b as a DATETIME qualifier, or as an
// INTERVAL qualifier with a first field of 9 digits (-1266 for INTERVALs of
// both classes).
int datetime_union(const valrec *a, const valrec *b);
int interval_union(const valrec *a, const valrec *b);

// The INTERVAL qualifier of DATETIME a - DATETIME b.
int difference_qualifier(const valrec *a, const valrec *b);

// The precision word of op on a and b in the working type type.
int exprec_of(int op, valrec *a, valrec *b, int type);

// The decimal-calculation switch.
bool decimal_calc();

// Compilations of MATCHES and LIKE patterns so far, and the dropping of the
// kept one (for tests and benchmarks).
long kept_pattern_compilations();
void drop_kept_pattern();

} // namespace valexpr_int
