// TEMPORARY SEAM: stands in for the locale-name module (code-set registry,
// specification parsing, conversion file names, path search, diagnostic log)
// and the start of the optional Unicode service until they land; then these
// forward to gl_lc_spec2cs_num, gl_cs_nums2cv_fname, gl_path_search (kind
// "cv", version "9"), gl_open_file, gl_message and gl_init_glu. Internal;
// not installed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <string>

#include "gl_ext.h"

namespace gls::cvseam {

constexpr uint16_t kInvalidCodeSet = 0xE000;

// Code-set names of the built-in registry the conversion set uses.
struct NamedCodeSet {
    const char *name;
    uint16_t number;
};
constexpr NamedCodeSet kCodeSets[] = {
    {"c", 819},          {"posix", 819},        {"8859-1", 819},      {"latin-1", 819},
    {"pc-latin-1", 850}, {"8859-2", 912},       {"latin-2", 912},     {"cyrillic-8bit", 915},
    {"8859-5", 915},     {"latin-cyrillic", 915}, {"8859-8", 916},    {"latin-hebrew", 916},
    {"8859-6", 1089},    {"latin-arabic", 1089}, {"west-europe", 1252}, {"cp1252", 1252},
    {"sjis", 0xe006},    {"shift-jis", 0xe006}, {"ujis", 0xe007},     {"big5", 0xe008},
    {"big-5", 0xe008},   {"ksc", 0xe00c},       {"ks5601", 0xe00c},   {"cp949", 0xe00c},
    {"gb", 0xe00d},      {"gb2312-80", 0xe00d}, {"guobiao2312", 0xe00d}, {"utf8", 0xe01c},
    {"thai", 0xe01d},    {"thai620", 0xe01d},   {"ascii", 364},       {"eucjp", 5050},
};

// The code-set name of a specification: the text after '.' up to '@', a
// space or the end; a text without '.' is a name itself.
inline std::string code_set_name(const char *spec)
{
    const char *dot = std::strchr(spec, '.');
    const char *p = dot != nullptr ? dot + 1 : spec;
    std::string name;
    while (*p != '\0' && *p != '@' && *p != ' ' && name.size() < 22)
        name += *p++;
    return name;
}

inline uint16_t name_to_number(const std::string &name)
{
    if (name.empty() || name.size() > 21)
        return kInvalidCodeSet;
    for (const NamedCodeSet &cs : kCodeSets)
        if (strcasecmp(cs.name, name.c_str()) == 0)
            return cs.number;
    if (name.find_first_not_of("0123456789") != std::string::npos || name.size() > 5)
        return kInvalidCodeSet;
    unsigned long n = std::stoul(name);
    return n <= 0xFFFF ? static_cast<uint16_t>(n) : kInvalidCodeSet;
}

inline uint16_t spec_to_number(const char *spec)
{
    return spec == nullptr ? kInvalidCodeSet : name_to_number(code_set_name(spec));
}

// Opens a conversion file by relative name below TARNWELLDIR (or
// /usr/tarnwell): gls/cv9/<name>, then gls/cv/<name>. Null when neither
// opens or TARNWELLDIR is longer than 256 characters.
inline FILE *search_conversion_file(const char *name)
{
    const char *base = _gl_ext_getenv("TARNWELLDIR");
    if (base == nullptr || *base == '\0')
        base = "/usr/tarnwell";
    if (std::strlen(base) > 256)
        return nullptr;
    for (const char *dir : {"/gls/cv9/", "/gls/cv/"}) {
        std::string path = std::string(base) + dir + name;
        if (FILE *f = _gl_ext_fopen(path.c_str(), "r"))
            return f;
    }
    return nullptr;
}

// Opens a name whose directory part ends with the path cookie 0xFF.
inline FILE *open_with_cookie(const char *name)
{
    std::string path(name);
    for (char &c : path)
        if (static_cast<unsigned char>(c) == 0xFF)
            c = '/';
    return _gl_ext_fopen(path.c_str(), "r");
}

inline void message(const char *) {}

inline int init_unicode_service(void *) { return 0; }

} // namespace gls::cvseam
