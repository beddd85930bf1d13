// The client locales the format-language fuzz targets run in: single-byte
// (en_US.8859-1), UTF-8 (ja_JP.utf8) and EUC-JP (ja_JP.ujis), loaded once
// from the data tree.
#pragma once

#include <cstdlib>

#include "gl_locale.h"

inline gl_locale *fuzz_locale(unsigned which)
{
    static gl_locale *locales[3] = {};
    static bool loaded = false;
    if (!loaded) {
        setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 0);
        const char *files[3] = {"en_us/0333.lco", "ja_jp/e01c.lco", "ja_jp/e007.lco"};
        for (int i = 0; i < 3; ++i)
            if (gl_lc_load(&locales[i], files[i], nullptr, nullptr) != 0)
                std::abort();
        loaded = true;
    }
    return locales[which % 3];
}
