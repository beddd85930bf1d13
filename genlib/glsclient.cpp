// Client-side character routines of the data-type library on the current
// client locale: is8bitstr, wbyleng, mbcharcopy, glsmbsnlen,
// glsmbsnbytelen, dbcslswdw, and the locale-aware trailing-blank length the
// OS layer's byleng hook calls. Also the record (trw_gls_client) into which
// the client locale environment copies its current locales and conversions.
#include <cstring>

#include "glsclient.h"
#include "osutil.h"

namespace {

trw_gls_client_env client_env{};

gl_locale *locale_or_client(gl_locale *loc) { return loc != nullptr ? loc : client_env.client_locale; }

bool multibyte(gl_locale *loc) { return loc != nullptr && loc->class_trie != nullptr && !loc->single_byte; }

// Length of the character at s reading at most limit bytes: > 0, 0 for the
// terminator, -1 for invalid or cut input. Single-byte without a locale.
int char_len(gl_locale *loc, const char *s, int limit)
{
    if (!multibyte(loc))
        return limit <= 0 ? -1 : s[0] == '\0' ? 0 : 1;
    return gl_full_mblen(loc, s, limit);
}

// Whole characters in at most n bytes: characters counted and bytes
// covered; false on invalid input.
bool count_within(gl_locale *loc, const char *s, int n, int &chars, int &bytes)
{
    chars = 0;
    bytes = 0;
    while (bytes < n) {
        int len = char_len(loc, s + bytes, n - bytes);
        if (len == 0)
            break;
        if (len < 0) {
            if (multibyte(loc) && loc->error == GL_EINVAL)
                break; // a character cut by n
            return false;
        }
        bytes += len;
        ++chars;
    }
    return true;
}

} // namespace

extern "C" trw_gls_client_env *trw_gls_client(void) { return &client_env; }

extern "C" int is8bitstr(const char *s)
{
    if (s == nullptr)
        return 0;
    for (; *s != '\0'; ++s)
        if ((static_cast<unsigned char>(*s) & 0x80) != 0)
            return 1;
    return 0;
}

extern "C" int wbyleng(const gl_wchar_t *wcs, int n)
{
    if (wcs == nullptr || n <= 0)
        return 0;
    while (n > 0 && wcs[n - 1] == 0x20)
        --n;
    return n;
}

extern "C" gl_wchar_t mbcharcopy(gl_locale *loc, const char *src, char *dst, int *len)
{
    loc = locale_or_client(loc);
    int n = 1;
    gl_wchar_t wc = static_cast<unsigned char>(src[0]);
    if (multibyte(loc)) {
        int k = gl_full_mbtowc(loc, &wc, src, -1);
        if (k > 0)
            n = k;
        else if (k == 0)
            n = gl_mb_loc_min(loc);
        else
            wc = static_cast<unsigned char>(src[0]);
    }
    std::memcpy(dst, src, static_cast<size_t>(n));
    if (len != nullptr)
        *len = n;
    return wc;
}

extern "C" int glsmbsnlen(gl_locale *loc, const char *s, int n)
{
    if (s == nullptr)
        return -1;
    int chars, bytes;
    return count_within(locale_or_client(loc), s, n, chars, bytes) ? chars : -1;
}

extern "C" int glsmbsnbytelen(gl_locale *loc, const char *s, int n)
{
    if (s == nullptr)
        return -1;
    int chars, bytes;
    return count_within(locale_or_client(loc), s, n, chars, bytes) ? bytes : -1;
}

extern "C" int dbcslswdw(const char *s, int columns, gl_locale *loc)
{
    if (s == nullptr || columns <= 0)
        return 0;
    loc = locale_or_client(loc);
    int bytes = 0, used = 0;
    for (;;) {
        int len = char_len(loc, s + bytes, 4);
        if (len <= 0)
            return bytes;
        int w = multibyte(loc) ? gl_mbwidth(loc, s + bytes) : 1;
        if (w < 1)
            w = 1;
        if (used + w > columns)
            return bytes;
        used += w;
        bytes += len;
    }
}

// Class test of the character at s: the per-byte table of a single-byte
// locale, else the multibyte class test.
static bool trailing_blank(gl_locale *loc, const char *s, int len)
{
    int mask = loc->class_map != nullptr ? loc->class_map[static_cast<unsigned char>(s[0])]
                                         : _trw_gl_im_ismctype(loc, s, len, 0xFFFF);
    return (mask & GL_CLASS_BLANK) != 0 && (mask & GL_CLASS_CNTRL) == 0;
}

extern "C" int trw_gls_byleng(const char *range, int n)
{
    gl_locale *loc = client_env.client_locale;
    if (!multibyte(loc))
        return trw_byleng(range, n);
    int at = 0, run = -1;
    while (at < n) {
        int limit = n - at < 4 ? n - at : 4;
        int len = gl_full_mblen(loc, range + at, limit);
        if (len < 0)
            break;
        if (len == 0) { // a zero byte: one byte, the run stays as it is
            ++at;
            continue;
        }
        if (trailing_blank(loc, range + at, len)) {
            if (run < 0)
                run = at;
        } else {
            run = -1;
        }
        at += len;
    }
    return run >= 0 ? run : at;
}

extern "C" const os_client_locale_hooks *trw_gls_os_hooks(void)
{
    static const os_client_locale_hooks hooks = {trw_gls_byleng, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &hooks;
}
