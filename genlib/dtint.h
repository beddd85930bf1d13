// The working form of DATETIME and INTERVAL values shared by the value
// functions (dtvalue.cpp) and the arithmetic (dtarith.cpp).
//
// A checked qualifier becomes a Layout: where each unit sits in the unpacked
// pairs. A value is worked on as Fields, one integer per unit slot: 0 year,
// 1 month, 2 day, 3 hour, 4 minute, 5 second, 6 to 8 the fraction pairs
// (digits 1-2, 3-4, 5-6). The first field of a value holds its whole first
// field (a year 1999, an INTERVAL DAY(9) 123456789); only the slots from
// first to last mean anything.
#ifndef TRW_GENLIB_DTINT_H
#define TRW_GENLIB_DTINT_H

#include <cstdint>

#include "datetime.h"

namespace trw::dt {

inline constexpr int kBadQualifier = -1268;
inline constexpr int kBadValue = -1263;
inline constexpr int kOverflow = -1265;
inline constexpr int kIncompatible = -1266;
inline constexpr int kBadResult = -1267;
inline constexpr int kDateRange = -1204;

inline constexpr int kSlots = 9;
inline constexpr int kSecondSlot = 5;
inline constexpr int kFractionSlot = 6;

// The year a DATETIME without a year counts its days in: a leap year, so
// that February 29 exists, as the value check lets it.
inline constexpr int kYearlessYear = 2000;

struct Layout {
    int length, start, end; // as in the qualifier
    int precision;          // digits of the first field
    int first, last;        // slots of the first and the last unit
    int first_bytes;        // pairs of the first field
    int nbytes;             // pairs of the whole value
    int exponent;           // DECIMAL exponent of the packed value
    int frac_digits;        // 0 to 5
    bool interval;
};

struct Fields {
    int64_t v[kSlots];
};

// Carry base into the next higher slot: 12 months, (day: calendar), 24, 60,
// 60, 100 per fraction pair; 0 for the year and the day.
inline constexpr int64_t kSlotBase[kSlots] = {0, 12, 0, 24, 60, 60, 100, 100, 100};

// The layout of a valid qualifier; false for an invalid one (no error kept).
bool make_layout(int qualifier, bool interval, Layout &out);

// The Layout check with the -1268 record of _chk_qual.
int checked_layout(int qualifier, bool interval, Layout &out);

// Unpacks dec onto the layout's pairs (16 bytes, zero elsewhere). Returns
// true when a non-zero digit of dec falls outside the value's digits
// (outside the pairs, the pad digit of an odd first field, the low digit of
// an odd fraction end).
bool unpack_pairs(const decvalue *dec, const Layout &layout, unsigned char *bytes);
void pairs_to_fields(const unsigned char *bytes, const Layout &layout, Fields &fields);
// false when the first field does not fit its precision or a later slot is
// outside 0 to 99; an odd fraction end loses its low digit.
bool fields_to_pairs(const Fields &fields, const Layout &layout, unsigned char *bytes);
// The unit value check on fields.
bool fields_valid(const Fields &fields, const Layout &layout, bool datetime);
// Packs fields with the DECIMAL sign; false (dec NULL) when they do not fit.
bool pack_fields(const Fields &fields, const Layout &layout, int sign, decvalue *dec);

// dec unpacked to fields; false when it is not a valid value of the layout.
bool value_fields(const decvalue *dec, const Layout &layout, bool datetime, Fields &fields);

inline bool is_null(const decvalue *dec) { return dec->sign == -1; }
inline bool is_negative(const decvalue *dec) { return dec->sign == 0; }
void set_null(decvalue *dec);

// The value counted in whole units of time slot unit (0 to 5) with the
// fraction pairs kept to frac_digits digits: units finer than that are
// dropped, never rounded; units the value does not have count 0.
struct Count {
    bool negative;
    uint64_t whole;
    int frac[3];
};
Count count_fields(const Fields &fields, const Layout &layout, int unit, int frac_digits);

// A count distributed into the layout's units; -1265 when the first field
// cannot hold it.
int distribute(const Count &count, const Layout &layout, Fields &fields);

// A Count as a DECIMAL, and a DECIMAL (truncated) as a Count; the latter
// fails with -1265 beyond 64 bits.
int count_to_decimal(const Count &count, decvalue *dec);
int decimal_to_count(const decvalue *dec, Count &count);

// The time slot a layout's end counts in (its end slot, second for a
// fraction end).
inline int count_unit(const Layout &layout) { return layout.last < kFractionSlot ? layout.last : kSecondSlot; }

// Rank of a start or end unit for comparisons: fraction codes 11 to 15 rank
// as the fraction unit 12.
inline int unit_rank(int code) { return code > 10 ? 12 : code; }

// INTERVAL conversion rules: 0 or -1266.
int check_interval_units(const Layout &from, const Layout &to);

// The DBTODAY offset in force (an INTERVAL DAY(9) TO SECOND) for the current
// time: true and the offset when DBTODAY holds a valid DATETIME. DBTODAY is
// evaluated once, by the DATE code (trw::date::dbtoday_in_force).
bool dbtoday_offset(inv_value *offset);

} // namespace trw::dt

#endif
