// Internal: the client locale's characters as the statement scanner and the
// case conversions see them. One table per loaded client locale tells, for
// every lead byte, whether it is a whole character by itself and its class
// mask; other lead bytes go through the locale's class trie. Without a
// client locale text is single-byte ASCII.
#pragma once

#include <cstdint>
#include <cstring>

#include "gl_char.h"
#include "gl_locale.h"

namespace sqlscan {

struct ClientChars {
    gl_locale *loc = nullptr;  // null: ASCII
    bool multibyte = false;
    bool single[256] = {};     // the byte is a whole character
    uint16_t mask[256] = {};   // its class mask when single
};

// The characters of the current client locale, initialising the locale
// environment when needed. Never null.
const ClientChars &client_chars();

// True when the client locale environment has a client locale.
bool client_locale_loaded();

// The same for lead bytes that are not whole characters by themselves.
int multibyte_step(const ClientChars &cc, const char *p, int limit);
int multibyte_mask(const ClientChars &cc, const char *p, int limit, int *len);

// Bytes of the character at p, reading at most limit bytes (limit >= 1);
// an invalid or cut sequence is one byte.
inline int char_step(const ClientChars &cc, const char *p, int limit)
{
    return cc.single[static_cast<unsigned char>(*p)] ? 1 : multibyte_step(cc, p, limit);
}

// Class mask of the character at p (0 for an invalid one); *len gets
// char_step.
inline int char_mask(const ClientChars &cc, const char *p, int limit, int *len)
{
    const auto c = static_cast<unsigned char>(*p);
    if (cc.single[c]) {
        *len = 1;
        return cc.mask[c];
    }
    return multibyte_mask(cc, p, limit, len);
}

// Bytes available for one character of a terminated text at p (1..4; p is
// not at the terminator).
inline int term_limit(const char *p)
{
    return static_cast<int>(strnlen(p, 4));
}

// The wide character at p (its bytes, first most significant) and its
// length; an invalid sequence is its first byte alone.
gl_wchar_t wide_at(const ClientChars &cc, const char *p, int limit, int *len);

// Lower case of a wide character and whether it is a letter.
gl_wchar_t wide_lower(const ClientChars &cc, gl_wchar_t wc);
bool wide_alpha(const ClientChars &cc, gl_wchar_t wc);

} // namespace sqlscan
