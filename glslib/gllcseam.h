// TEMPORARY SEAM: stands in for the locale-name module (file-name scheme,
// path search below TARNWELLDIR, code-set registry, diagnostic log) until it
// lands; then these forward to gl_lc_spec2lc_fname, gl_path_search,
// gl_cs_name2cs_num and gl_message. Internal; not installed.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

#include "gl_ext.h"

namespace gls::lcseam {

// Opens a locale file by relative name: TARNWELLDIR/gls/lc11/<name>, then
// TARNWELLDIR/gls/lc/<name>. Null when neither opens.
inline FILE *search_locale_file(const char *name)
{
    const char *base = _gl_ext_getenv("TARNWELLDIR");
    if (base == nullptr || *base == '\0')
        base = "/usr/tarnwell";
    if (std::strlen(base) > 256)
        return nullptr;
    if (name[0] == '/')
        return _gl_ext_fopen(name, "r");
    for (const char *dir : {"/gls/lc11/", "/gls/lc/"}) {
        std::string path = std::string(base) + dir + name;
        if (FILE *f = _gl_ext_fopen(path.c_str(), "r"))
            return f;
    }
    return nullptr;
}

// Specification to relative file name; false until the registry lands, so
// callers use the text as it stands.
inline bool spec_to_file_name(const char *, char *, size_t) { return false; }

// Code sets are the same when their names are (case ignored).
inline bool same_code_set(const char *a, const char *b) { return strcasecmp(a, b) == 0; }

inline void message(const char *) {}

} // namespace gls::lcseam
