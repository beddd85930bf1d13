// Shared by the DATETIME and INTERVAL text fuzz targets: the data tree, the
// valid qualifiers, and the statuses the text functions may return.
#pragma once

#include <cstdlib>
#include <cstring>
#include <vector>

#include "datetime.h"

inline void dttext_fuzz_setup()
{
    setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 1);
    unsetenv("USE_DTENV");
    unsetenv("GL_DATETIME");
    unsetenv("DBTIME");
    // A fixed current time, so that extensions are reproducible.
    dt_value now;
    now.dt_qual = DT_YEAR_TO_FRAC5;
    if (dtcvasc("2026-06-15 12:34:56.78901", &now) == 0)
        rdtsetcurr(&now.dt_dec);
}

// Every valid DATETIME (interval false) or INTERVAL qualifier.
inline const std::vector<int> &dttext_qualifiers(bool interval)
{
    static std::vector<int> dt, inv;
    if (dt.empty())
        for (int q = 1; q < 0x2000; ++q) {
            if (_chk_qual(0, q) == 0)
                dt.push_back(q);
            if (_chk_qual(1, q) == 0)
                inv.push_back(q);
        }
    return interval ? inv : dt;
}

inline bool dttext_status_known(int status)
{
    if (status == 0 || (status <= -1261 && status >= -1277))
        return true;
    switch (status) {
    case -1211: case -1236: case -1237: case -23108: case -5853: case -5854: case -5855:
        return true;
    default:
        return false;
    }
}

inline void dttext_require(bool ok)
{
    if (!ok)
        std::abort();
}

inline bool dttext_same(const decvalue &a, const decvalue &b)
{
    if (a.sign == -1 || b.sign == -1)
        return a.sign == b.sign;
    return a.sign == b.sign && a.exponent == b.exponent && a.ndigits == b.ndigits &&
           std::memcmp(a.digits, b.digits, static_cast<size_t>(a.ndigits)) == 0;
}
