// The character core the character, string and stream modules share:
// decoding one character of a locale (length, wide value, class mask) from
// its bytes, encoding a wide value back, and cursors that walk terminated or
// counted multibyte and wide strings character by character. Internal; not
// installed.
#pragma once

#include <cstdint>
#include <cstring>

#include "gl_char.h"
#include "glcommon.h"

// Whole-run walks of the character trie (glmulti.cpp). The first decodes
// the characters from s (counted to end, or up to the terminator when end
// is null; at most max, max < 0 no limit), writing their packed bytes to
// wcs when not null; it stops before a character the trie does not take,
// *stop receiving where. The second encodes up to count wide characters
// into out (null: only measures; at most size bytes, size < 0 no limit),
// stopping before one the trie lacks or that does not fit; *written gets
// the bytes. Each returns the characters done.
extern "C" int _trw_gl_multi_walk_string(const gl_multi *t, const unsigned char *s, const unsigned char *end,
                                         int max, uint32_t *wcs, const unsigned char **stop);
extern "C" int _trw_gl_multi_walk_wide(const gl_multi *t, const uint32_t *wcs, int count, unsigned char *out,
                                       int size, int *written);

// The trie walks' flat copy of t (glchfast.cpp), null until made.
extern "C" void **_trw_gl_multi_walker(const gl_multi *t);

namespace gls::ch {

// The same walks as _trw_gl_multi_walk_string and _trw_gl_multi_walk_wide,
// with the same results, through a flat copy of the trie's nodes made on
// first use (glchfast.cpp). The wide walk also takes a terminated string
// (count < 0) and stops at its terminator.
int fast_walk_string(const gl_multi *t, const unsigned char *s, const unsigned char *end, int max, uint32_t *wcs,
                     const unsigned char **stop);
int fast_walk_wide(const gl_multi *t, const uint32_t *wcs, int count, unsigned char *out, int size, int *written);

// The locale's error number, or the process-wide one for a null locale.
inline void fail(gl_locale *loc, int number) { set_error(loc, number); }

inline bool has_ctype(const gl_locale *loc) { return loc != nullptr && loc->class_trie != nullptr; }

// Bytes of the locale's shortest character, which is also its terminator.
inline int min_len(const gl_locale *loc)
{
    return has_ctype(loc) ? _gl_multi_terminator_length(loc->class_trie) : 1;
}

inline gl_wchar_t pack(const unsigned char *s, int len)
{
    gl_wchar_t wc = 0;
    for (int i = 0; i < len; ++i)
        wc = (wc << 8) | s[i];
    return wc;
}

// One decoded character: its byte length (the terminator too), wide value
// and class mask.
struct Char {
    int len;
    gl_wchar_t wc;
    uint16_t mask;
};

// Decodes the character at s reading at most limit bytes (limit < 0: as
// many as the character has). False with the error number set (1, 7).
inline bool decode(gl_locale *loc, const unsigned char *s, int limit, Char &out)
{
    if (!has_ctype(loc)) {
        fail(loc, GL_EILSEQ);
        return false;
    }
    if (loc->single_byte && loc->class_map != nullptr) {
        if (limit == 0) {
            fail(loc, GL_EINVAL);
            return false;
        }
        out = {1, s[0], loc->class_map[s[0]]};
        return true;
    }
    int len = 0;
    const void *e = limit < 0 ? _gl_retrieve_text_multi(s, loc->class_trie, &len, loc)
                              : _gl_retrieve_text_multi_limit(s, loc->class_trie, limit, &len, loc);
    if (e == nullptr)
        return false;
    uint16_t mask;
    std::memcpy(&mask, e, sizeof mask);
    out = {len, pack(s, len), mask};
    return true;
}

// True when the locale's characters are read from its trie (not from the
// class map of a single-byte code set).
inline bool reads_trie(const gl_locale *loc)
{
    return has_ctype(loc) && !(loc->single_byte && loc->class_map != nullptr);
}

// Number of bytes the wide value wc takes in loc.
inline int wide_len(const gl_locale *loc, gl_wchar_t wc)
{
    int n = wc > 0xFFFFFF ? 4 : wc > 0xFFFF ? 3 : wc > 0xFF ? 2 : 1;
    int m = min_len(loc);
    return n < m ? m : n;
}

// Class mask of a wide character; false (error 1) when the locale lacks it.
inline bool class_of(gl_locale *loc, gl_wchar_t wc, uint16_t &mask)
{
    if (!has_ctype(loc)) {
        fail(loc, GL_EILSEQ);
        return false;
    }
    if (loc->single_byte && loc->class_map != nullptr) {
        if (wc > 0xFF) {
            fail(loc, GL_EILSEQ);
            return false;
        }
        mask = loc->class_map[wc];
        return true;
    }
    const void *e = _gl_retrieve_wchar_multi_nl(loc, wc, loc->class_trie);
    if (e == nullptr)
        return false;
    std::memcpy(&mask, e, sizeof mask);
    return true;
}

// Writes the bytes of wc to out; their count, or -1 (error 1).
inline int encode(gl_locale *loc, gl_wchar_t wc, unsigned char *out)
{
    uint16_t mask;
    if (!class_of(loc, wc, mask))
        return -1;
    int n = wide_len(loc, wc);
    for (int i = n - 1; i >= 0; --i, wc >>= 8)
        out[i] = static_cast<unsigned char>(wc & 0xFF);
    return n;
}

// Walks a multibyte string: terminated (end null) or counted.
struct MbCursor {
    gl_locale *loc;
    const unsigned char *p;
    const unsigned char *end; // null: terminated
    Char c{};

    MbCursor(gl_locale *l, const char *s, int len)
        : loc(l), p(reinterpret_cast<const unsigned char *>(s)),
          end(len >= 0 && s != nullptr ? p + len : nullptr)
    {
    }
    // Decodes the character at p into c: 1, 0 at the end of the string
    // (terminator or count reached; c.len is the terminator's length), -1
    // on an invalid or cut character.
    int peek()
    {
        if (end != nullptr) {
            if (p >= end) {
                c = {0, 0, 0};
                return 0;
            }
            return decode(loc, p, static_cast<int>(end - p), c) ? 1 : -1;
        }
        if (!decode(loc, p, -1, c))
            return -1;
        return c.wc == 0 ? 0 : 1;
    }
    void skip() { p += c.len; }
    int next()
    {
        int r = peek();
        if (r > 0)
            skip();
        return r;
    }
    const char *at() const { return reinterpret_cast<const char *>(p); }
};

// Walks a wide string: terminated (len < 0) or counted.
struct WcCursor {
    gl_locale *loc;
    const gl_wchar_t *p;
    const gl_wchar_t *end;
    Char c{};

    WcCursor(gl_locale *l, const gl_wchar_t *s, int len)
        : loc(l), p(s), end(len >= 0 && s != nullptr ? s + len : nullptr)
    {
    }
    int peek()
    {
        if ((end != nullptr && p >= end) || (end == nullptr && *p == 0)) {
            c = {0, 0, 0};
            return 0;
        }
        c = {1, *p, 0};
        return 1;
    }
    void skip() { ++p; }
    int next()
    {
        int r = peek();
        if (r > 0)
            skip();
        return r;
    }
};

// Mask of the extra class named "full_width", 0 when the locale has none.
int full_width_mask(const gl_locale *loc);

// Width of a character of class mask: 2, 1, or -1 (error 7) when it is
// not printable.
int width_of(gl_locale *loc, uint16_t mask);

} // namespace gls::ch
