// Internal: what the DECIMAL conversion modules share: the rounded digit
// string of a value (held in the record's 32 digits plus implied zeros, so
// that any count of places costs nothing), loading a decimal digit run into
// a record, the number format as it stands, and the locale error setter.
#pragma once

#include <cstddef>

#include "decimal.h"
#include "numfmt.h"

namespace decconv {

// A digit string of count digits: the first n are held in d, the rest are
// zeros. point: digits before the decimal point (may be negative or above
// count); negative: the value is below zero.
struct Digits {
    char d[34];
    int n;
    long count;
    int point;
    bool negative;

    char at(long i) const { return i >= 0 && i < n ? d[i] : '0'; }
};

// The digits of a non-NULL value rounded half away from zero to ndigit
// significant digits (fixed false) or to ndigit places (fixed true; a count
// below zero gives the single digit "0" with point 0).
void make_digits(const decvalue *dec, long ndigit, bool fixed, Digits &out);

// Loads count decimal digits (values 0..9, the first not 0) read as
// 0.d1 d2 ... times 10 to the power exp10 into dec; at most 32 digits are
// used (31 when exp10 is odd), without rounding. Returns decload's status.
int load_decimal_digits(decvalue *dec, bool negative, const unsigned char *digits, int count, long exp10);

// Zero and NULL records.
void set_zero(decvalue *dec);
void set_null(decvalue *dec);

// The format of the current record once it is built; null until then (and
// again after the locale environment changes). Where it is set, it is what
// gls_numfmt returns, with status 0: the conversions test it in line first.
extern const numfmt *ready_format;

// The current number format without initialising anything: the built one,
// or the plain one ("." and "-") while none is built.
const numfmt &format_as_is();

// MONEY text of DECIMAL text (rdecmon) into out, outsize bytes with the
// terminator: its length, or -1 (out empty) when it does not fit.
int money_text(const char *text, char *out, size_t outsize);

// Stores a locale-library error number for the client locale (or the
// process-wide slot without one).
void set_locale_error(int error);

} // namespace decconv
