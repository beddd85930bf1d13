// Text for the conversion and multibyte-string benchmarks: realistic mixed
// text drawn from the whole repertoire of glibc's charmaps
// (/usr/share/i18n/charmaps), limited to the characters the peers convert
// alike, and the peers' conversions used to check results.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <random>
#include <string>
#include <vector>

#ifdef TRW_HAVE_ICU
#include <unicode/ucnv.h>
#endif

namespace mixedtext {

constexpr size_t kTextSize = 1 << 20;

// The characters of a glibc charmap (/usr/share/i18n/charmaps/NAME.gz) as
// byte strings, read through gzip; those at or above first_byte only.
inline std::vector<std::string> charmap_chars(const char *name, int first_byte)
{
    std::string cmd = std::string("gzip -dc /usr/share/i18n/charmaps/") + name + ".gz";
    FILE *f = popen(cmd.c_str(), "r");
    std::vector<std::string> out;
    if (f == nullptr)
        return out;
    char line[512];
    bool in_map = false;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, "CHARMAP", 7) == 0)
            in_map = true;
        else if (std::strncmp(line, "END CHARMAP", 11) == 0)
            in_map = false;
        else if (in_map && line[0] == '<') {
            std::string bytes;
            for (const char *p = std::strstr(line, "/x"); p != nullptr && p[0] == '/' && p[1] == 'x'; p += 4)
                bytes += static_cast<char>(std::strtol(std::string(p + 2, 2).c_str(), nullptr, 16));
            if (!bytes.empty() && static_cast<unsigned char>(bytes[0]) >= first_byte)
                out.push_back(bytes);
        }
    }
    pclose(f);
    return out;
}

inline std::string iconv_convert(const char *to, const char *from, const std::string &in, bool &ok)
{
    iconv_t cd = iconv_open(to, from);
    std::string out(in.size() * 4 + 16, '\0');
    char *ip = const_cast<char *>(in.data()), *op = out.data();
    size_t il = in.size(), ol = out.size();
    ok = cd != reinterpret_cast<iconv_t>(-1) && iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && il == 0;
    if (cd != reinterpret_cast<iconv_t>(-1))
        iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
}

#ifdef TRW_HAVE_ICU
// ICU's conversion, stopping (ok false) at a character it lacks instead of
// substituting.
inline std::string icu_convert(const char *to, const char *from, const std::string &in, bool &ok)
{
    UErrorCode err = U_ZERO_ERROR;
    UConverter *t = ucnv_open(to, &err), *f = ucnv_open(from, &err);
    std::string out(in.size() * 4 + 16, '\0');
    ok = false;
    if (U_SUCCESS(err)) {
        ucnv_setToUCallBack(f, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        ucnv_setFromUCallBack(t, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        const char *ip = in.data();
        char *op = out.data();
        ucnv_convertEx(t, f, &op, out.data() + out.size(), &ip, in.data() + in.size(), nullptr, nullptr, nullptr,
                       nullptr, true, true, &err);
        ok = U_SUCCESS(err);
        out.resize(ok ? static_cast<size_t>(op - out.data()) : 0);
    }
    if (t != nullptr)
        ucnv_close(t);
    if (f != nullptr)
        ucnv_close(f);
    return out;
}
#endif

// What from -> to makes of s with iconv and (when built with it) ICU, or ""
// when either refuses it.
inline std::string both_peers(const char *to, const char *from, const char *icu_to, const char *icu_from, const std::string &s)
{
    bool ok = false;
    std::string a = iconv_convert(to, from, s, ok);
    if (!ok)
        return "";
#ifdef TRW_HAVE_ICU
    std::string b = icu_convert(icu_to, icu_from, s, ok);
    if (!ok || a != b)
        return "";
#else
    (void)icu_to;
    (void)icu_from;
#endif
    return a;
}

// The characters of a charmap both peers convert to UTF-8 alike and back:
// the repertoire the checked texts draw from.
inline std::vector<std::string> shared_repertoire(const char *charmap, const char *iconv_name, const char *icu_name,
                                           int first_byte)
{
    std::vector<std::string> out;
    for (const std::string &c : charmap_chars(charmap, first_byte)) {
        const std::string u = both_peers("UTF-8", iconv_name, "UTF-8", icu_name, c);
        if (!u.empty() && both_peers(iconv_name, "UTF-8", icu_name, "UTF-8", u) == c)
            out.push_back(c);
    }
    return out;
}

// Mixed text over the whole repertoire of a charmap from first_byte up
// (half-width kana, symbols, kana, level-1 and level-2 kanji for
// Shift-JIS; every letter and sign of A0..FF for Latin-1), drawn uniformly:
// mostly ASCII (SQL-like words with 1 to 6 such characters after every six)
// or mostly not (runs of 4 to 15 with a separator or a number between).
inline std::string mixed_in(const char *charmap, const char *iconv_name, const char *icu_name, int first_byte,
                     bool mostly_ascii)
{
    std::vector<std::string> chars = shared_repertoire(charmap, iconv_name, icu_name, first_byte);
    std::string s;
    std::mt19937 rng(13);
    static const char *const kAscii[] = {"select ", "name", ", ", "amount", " from ", "orders", " where ", "id",
                                         " = ", "1042", "; ", "  ", "update ", "set ", "'", "(", ")", "2026-12-09"};
    constexpr size_t n_ascii = sizeof kAscii / sizeof *kAscii;
    while (s.size() < kTextSize) {
        if (mostly_ascii) {
            for (int k = 0; k < 6; ++k)
                s += kAscii[rng() % n_ascii];
            for (int k = static_cast<int>(1 + rng() % 6); k > 0; --k)
                s += chars[rng() % chars.size()];
        } else {
            for (int k = static_cast<int>(4 + rng() % 12); k > 0; --k)
                s += chars[rng() % chars.size()];
            s += kAscii[rng() % 4 == 0 ? 9 : 2];
        }
    }
    return s;
}

}  // namespace mixedtext
