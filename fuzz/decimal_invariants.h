// Checks shared by the DECIMAL fuzz targets: a violated property aborts, so
// libFuzzer reports the input.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "decimal.h"

inline void require(bool ok)
{
    if (!ok)
        std::abort();
}

inline void require(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

// Whether a record is in the normal form below (NULL included).
inline bool in_normal_form(const decvalue &d)
{
    if (d.sign == -1)
        return d.exponent == 0 && d.ndigits == 0;
    if ((d.sign != 0 && d.sign != 1) || d.ndigits < 0 || d.ndigits > DEC_NPAIRS || d.exponent < DEC_MINEXP ||
        d.exponent > DEC_MAXEXP)
        return false;
    if (d.ndigits == 0)
        return d.sign == 1 && d.exponent == DEC_MINEXP;
    if (d.digits[0] == 0)
        return false;
    for (int i = 0; i < d.ndigits; ++i)
        if (d.digits[i] > 99)
            return false;
    return true;
}

// A record in normal form: NULL, zero, or pairs 0..99 with no leading zero
// pair and an exponent in range (63 only when clamped by an overflow).
inline void require_normal_form(const decvalue &d)
{
    if (d.sign == -1) {
        require(d.exponent == 0 && d.ndigits == 0);
        return;
    }
    require(d.sign == 0 || d.sign == 1);
    require(d.ndigits >= 0 && d.ndigits <= DEC_NPAIRS);
    require(d.exponent >= DEC_MINEXP && d.exponent <= DEC_MAXEXP + 1);
    if (d.ndigits == 0) {
        require(d.sign == 1 && d.exponent == DEC_MINEXP);
        return;
    }
    require(d.digits[0] != 0);
    for (int i = 0; i < d.ndigits; ++i)
        require(d.digits[i] <= 99);
}
