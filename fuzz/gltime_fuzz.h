// Shared pieces of the time fuzz targets: the four locales they run in,
// records from raw bytes, and the error numbers the time routines may give.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gl_time.h"

namespace trwfuzz {

inline gl_locale *time_locale(unsigned pick)
{
    static gl_locale *locs[4];
    static bool loaded = false;
    if (!loaded) {
        setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 0);
        const char *names[4] = {"en_US.8859-1", "ja_JP.utf8", "he_IL.8859-8", "th_TH.thai620"};
        for (int i = 0; i < 4; ++i)
            if (gl_lc_load(&locs[i], names[i], nullptr, nullptr) != 0)
                abort();
        loaded = true;
    }
    return locs[pick % 4];
}

// A record from 48 bytes (fewer are zero-filled).
inline gl_tm record_of(const uint8_t *data, size_t size)
{
    uint8_t raw[48] = {};
    std::memcpy(raw, data, size < sizeof raw ? size : sizeof raw);
    gl_tm t{};
    std::memcpy(&t.tm_fraction, raw, 8);
    std::memcpy(&t.tm_sec, raw + 8, 40);
    return t;
}

inline bool time_error(int e)
{
    return e == 1 || e == 3 || e == 9 || e == 14 || e == 15 || e == 22 || (e >= 23 && e <= 31) ||
           (e >= 33 && e <= 38) || e == 40 || e == 41 || e == 42 || e == 46 || e == 48;
}

} // namespace trwfuzz
