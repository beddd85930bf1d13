// Shared by the DATE fuzz targets: the data tree and locale, and the check
// that a status is one the DATE functions may return.
#pragma once

#include <cstdlib>

inline void rdate_fuzz_setup(const char *default_locale)
{
    setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 1);
    const char *locale = std::getenv("TRW_FUZZ_LOCALE");
    setenv("CLIENT_LOCALE", locale != nullptr ? locale : default_locale, 1);
}

inline bool rdate_status_known(int status)
{
    switch (status) {
    case 0: case -1204: case -1205: case -1206: case -1210: case -1211: case -1212: case -1218:
    case -1236: case -1237: case -1263: case -1273: case -1276: case -23108:
        return true;
    default:
        return false;
    }
}
