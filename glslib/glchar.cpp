// Character level of the locale library: code-set properties (longest and
// shortest character, terminator), the length and wide value of one
// character, wide to multibyte, next/previous character, classes, case
// mapping of characters and strings, and display width through the
// "full_width" class. Single-byte locales use the record's 256-entry tables
// (_gl_is_ routines); multibyte ones walk the class and case tries.
#include <cmath>
#include <cstring>

#include "glchar_int.h"

using namespace gls::ch;

namespace {

const unsigned char *bytes(const char *s) { return reinterpret_cast<const unsigned char *>(s); }

// Index of the case pair of wc, 0 when it has none. Leaves the error number
// as it was: a character without a case entry is not a failure.
int case_index(gl_locale *loc, gl_wchar_t wc)
{
    if (loc == nullptr || loc->case_trie == nullptr || loc->case_pairs == nullptr)
        return 0;
    int saved = gls::error_of(loc);
    const void *e = _gl_retrieve_wchar_multi_nl(loc, wc, loc->case_trie);
    gls::set_error(loc, saved);
    if (e == nullptr)
        return 0;
    uint16_t index;
    std::memcpy(&index, e, sizeof index);
    return index <= loc->case_pair_count ? index : 0;
}

gl_wchar_t map_case(gl_locale *loc, gl_wchar_t wc, bool upper)
{
    if (loc != nullptr && loc->single_byte && loc->upper_map != nullptr) {
        if (wc > 0xFF)
            return wc;
        return upper ? loc->upper_map[wc] : loc->lower_map[wc];
    }
    int i = case_index(loc, wc);
    if (i == 0)
        return wc;
    auto mapped = static_cast<gl_wchar_t>(upper ? loc->case_pairs[i].upper : loc->case_pairs[i].lower);
    return mapped != 0 ? mapped : wc;
}

// Case of the character at src (at most limit bytes) into dst.
int to_case_char(gl_locale *loc, char *dst, const char *src, int limit, bool upper)
{
    if (dst == nullptr || src == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    Char c;
    if (!decode(loc, bytes(src), limit, c))
        return -1;
    if (c.wc == 0)
        return 0;
    gl_wchar_t mapped = map_case(loc, c.wc, upper);
    unsigned char buf[4];
    int saved = gls::error_of(loc);
    int n = mapped != c.wc ? encode(loc, mapped, buf) : -1;
    gls::set_error(loc, saved);
    if (n < 0) {
        std::memcpy(dst, src, static_cast<size_t>(c.len));
        n = c.len;
    } else {
        std::memcpy(dst, buf, static_cast<size_t>(n));
    }
    return c.len * 256 + n;
}

// Case of a terminated string; bytes written before the terminator.
int to_case_string(gl_locale *loc, char *dst, const char *src, bool upper)
{
    if (dst == nullptr || src == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    if (loc != nullptr && loc->single_byte && loc->upper_map != nullptr) {
        const unsigned char *map = upper ? loc->upper_map : loc->lower_map;
        int n = 0;
        for (; src[n] != '\0'; ++n)
            dst[n] = static_cast<char>(map[static_cast<unsigned char>(src[n])]);
        dst[n] = '\0';
        return n;
    }
    int out = 0;
    MbCursor cur(loc, src, -1);
    int r;
    while ((r = cur.peek()) > 0) {
        int v = to_case_char(loc, dst + out, cur.at(), -1, upper);
        if (v < 0)
            return -1;
        out += v & 0xFF;
        cur.skip();
    }
    if (r < 0)
        return -1;
    std::memset(dst + out, 0, static_cast<size_t>(cur.c.len));
    return out;
}

int to_case_wide(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, bool upper)
{
    if (dst == nullptr || src == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    int n = 0;
    for (; src[n] != 0; ++n)
        dst[n] = map_case(loc, src[n], upper);
    dst[n] = 0;
    return n;
}

} // namespace

namespace gls::ch {

int full_width_mask(const gl_locale *loc)
{
    if (loc == nullptr || loc->classes == nullptr)
        return 0;
    for (int i = 0; i < loc->class_count; ++i)
        if (loc->classes[i].name != nullptr && std::strcmp(loc->classes[i].name, "full_width") == 0)
            return GL_CLASS_EXTRA0 << loc->classes[i].bit;
    return 0;
}

int width_of(gl_locale *loc, uint16_t mask)
{
    if ((mask & GL_CLASS_PRINT) == 0) {
        fail(loc, GL_EINVAL);
        return -1;
    }
    int wide = full_width_mask(loc);
    return wide != 0 && (mask & wide) != 0 ? 2 : 1;
}

} // namespace gls::ch

// ---- code-set properties ----

extern "C" int gl_mb_loc_max(gl_locale *loc)
{
    return has_ctype(loc) ? _gl_multi_max_length(loc->class_trie) : 0;
}

extern "C" int gl_mb_loc_min(gl_locale *loc) { return has_ctype(loc) ? min_len(loc) : 0; }

extern "C" int gl_mbsterm(gl_locale *loc, char *s)
{
    int n = min_len(loc);
    if (s != nullptr)
        std::memset(s, 0, static_cast<size_t>(n));
    return n;
}

extern "C" int gl_ismbsterm(gl_locale *loc, const char *s)
{
    if (s == nullptr)
        return 0;
    int n = min_len(loc);
    for (int i = 0; i < n; ++i)
        if (s[i] != '\0')
            return 0;
    return n;
}

extern "C" int gl_case_conv_outbuflen(gl_locale *loc, int n)
{
    double factor = loc != nullptr && loc->case_factor > 0 ? loc->case_factor : 1.0;
    return static_cast<int>(std::ceil(n * factor));
}

// ---- one character ----

extern "C" int _trw_gl_full_mbtowc(gl_locale *loc, gl_wchar_t *out, const char *s, int limit)
{
    if (s == nullptr)
        return 0;
    if (limit == 0 || limit < -1) {
        fail(loc, limit == 0 ? GL_EINVAL : GL_EBADARG);
        return -1;
    }
    Char c;
    if (!decode(loc, bytes(s), limit, c))
        return -1;
    if (out != nullptr)
        *out = c.wc;
    return c.wc == 0 ? 0 : c.len;
}

extern "C" int gl_full_mbtowc(gl_locale *loc, gl_wchar_t *out, const char *s, int limit)
{
    return _trw_gl_full_mbtowc(loc, out, s, limit);
}

extern "C" int _trw_gl_full_mblen(gl_locale *loc, const char *s, int limit)
{
    return _trw_gl_full_mbtowc(loc, nullptr, s, limit);
}

extern "C" int gl_full_mblen(gl_locale *loc, const char *s, int limit)
{
    return _trw_gl_full_mbtowc(loc, nullptr, s, limit);
}

extern "C" int gl_full_wctomb(gl_locale *loc, char *out, gl_wchar_t wc)
{
    if (out == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    return encode(loc, wc, reinterpret_cast<unsigned char *>(out));
}

extern "C" char *_trw_gl_full_mbsnext(gl_locale *loc, const char *s, int limit)
{
    if (s == nullptr) {
        fail(loc, GL_ENULLARG);
        return nullptr;
    }
    Char c;
    if (!decode(loc, bytes(s), limit < 0 ? -1 : limit, c))
        return nullptr;
    return const_cast<char *>(s) + c.len;
}

extern "C" char *gl_full_mbsnext(gl_locale *loc, const char *s)
{
    return _trw_gl_full_mbsnext(loc, s, -1);
}

extern "C" int gl_full_charoffset(gl_locale *loc, const char *start, const char *s, int *len)
{
    if (start == nullptr || s == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    if (s < start) {
        fail(loc, GL_EBADSTART);
        return -1;
    }
    const char *p = start;
    Char c;
    for (;;) {
        if (!decode(loc, bytes(p), -1, c))
            return -1;
        if (p + c.len > s || c.wc == 0)
            break;
        p += c.len;
    }
    if (len != nullptr)
        *len = c.len;
    return static_cast<int>(p - start);
}

extern "C" char *gl_full_mbsprev(gl_locale *loc, const char *start, const char *s)
{
    if (start == nullptr || s == nullptr) {
        fail(loc, GL_ENULLARG);
        return nullptr;
    }
    if (start >= s) {
        fail(loc, GL_EBADSTART);
        return nullptr;
    }
    const char *p = start;
    Char c;
    for (;;) {
        if (!decode(loc, bytes(p), -1, c))
            return nullptr;
        if (p + c.len >= s)
            return const_cast<char *>(p);
        p += c.len;
    }
}

// ---- classes ----

extern "C" int _gl_is_iswctype(gl_locale *loc, gl_wchar_t wc, int mask)
{
    if (loc == nullptr || loc->class_map == nullptr || wc > 0xFF)
        return 0;
    return loc->class_map[wc] & mask;
}

extern "C" int im_iswctype(gl_locale *loc, gl_wchar_t wc, int mask)
{
    uint16_t m;
    return class_of(loc, wc, m) ? (m & mask) : 0;
}

extern "C" int _trw_gl_im_ismctype(gl_locale *loc, const char *s, int limit, int mask)
{
    if (s == nullptr)
        return 0;
    Char c;
    if (!decode(loc, bytes(s), limit < 0 ? -1 : limit, c))
        return 0;
    return c.mask & mask;
}

extern "C" int im_ismctype(gl_locale *loc, const char *s, int mask)
{
    return _trw_gl_im_ismctype(loc, s, -1, mask);
}

// ---- case ----

extern "C" gl_wchar_t _gl_im_towupper(gl_locale *loc, gl_wchar_t wc)
{
    int i = case_index(loc, wc);
    return i != 0 && loc->case_pairs[i].upper != 0 ? static_cast<gl_wchar_t>(loc->case_pairs[i].upper) : wc;
}

extern "C" gl_wchar_t _gl_im_towlower(gl_locale *loc, gl_wchar_t wc)
{
    int i = case_index(loc, wc);
    return i != 0 && loc->case_pairs[i].lower != 0 ? static_cast<gl_wchar_t>(loc->case_pairs[i].lower) : wc;
}

extern "C" gl_wchar_t _gl_is_towupper(gl_locale *loc, gl_wchar_t wc)
{
    return loc != nullptr && loc->upper_map != nullptr && wc <= 0xFF ? loc->upper_map[wc] : wc;
}

extern "C" gl_wchar_t _gl_is_towlower(gl_locale *loc, gl_wchar_t wc)
{
    return loc != nullptr && loc->lower_map != nullptr && wc <= 0xFF ? loc->lower_map[wc] : wc;
}

extern "C" gl_wchar_t gl_towupper(gl_locale *loc, gl_wchar_t wc) { return map_case(loc, wc, true); }
extern "C" gl_wchar_t gl_towlower(gl_locale *loc, gl_wchar_t wc) { return map_case(loc, wc, false); }

extern "C" int _trw_gl_im_tomupper(gl_locale *loc, char *dst, const char *src, int limit)
{
    return to_case_char(loc, dst, src, limit < 0 ? -1 : limit, true);
}

extern "C" int _trw_gl_im_tomlower(gl_locale *loc, char *dst, const char *src, int limit)
{
    return to_case_char(loc, dst, src, limit < 0 ? -1 : limit, false);
}

extern "C" int _gl_im_tomupper(gl_locale *loc, char *dst, const char *src)
{
    return to_case_char(loc, dst, src, -1, true);
}

extern "C" int _gl_im_tomlower(gl_locale *loc, char *dst, const char *src)
{
    return to_case_char(loc, dst, src, -1, false);
}

extern "C" int gl_tombsupper(gl_locale *loc, char *dst, const char *src)
{
    return to_case_string(loc, dst, src, true);
}

extern "C" int gl_tombslower(gl_locale *loc, char *dst, const char *src)
{
    return to_case_string(loc, dst, src, false);
}

extern "C" int gl_towcsupper(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src)
{
    return to_case_wide(loc, dst, src, true);
}

extern "C" int gl_towcslower(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src)
{
    return to_case_wide(loc, dst, src, false);
}

// ---- width ----

extern "C" int gl_mbwidth(gl_locale *loc, const char *s)
{
    if (s == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    Char c;
    if (!decode(loc, bytes(s), -1, c))
        return -1;
    return c.wc == 0 ? 0 : width_of(loc, c.mask);
}

extern "C" int gl_wcwidth(gl_locale *loc, gl_wchar_t wc)
{
    if (wc == 0)
        return 0;
    uint16_t mask;
    if (!class_of(loc, wc, mask))
        return -1;
    return width_of(loc, mask);
}
