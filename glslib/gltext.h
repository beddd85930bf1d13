// A file's text read into memory through the stream hooks, and the token
// scanners the locale file reader walks it with. The scanners take exactly
// the characters their stream counterparts (_gl_fscan_hex, _gl_fscan_dec)
// take from a stream, so a text parses as its file does. Internal; not
// installed.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "gl_multi.h"

namespace gls {

// A window on text in memory; p moves as tokens are taken.
struct Text {
    const unsigned char *p = nullptr;
    const unsigned char *end = nullptr;

    int get() { return p < end ? *p++ : EOF; }
    void unget(int c)
    {
        if (c != EOF)
            --p;
    }
    bool at_end() const { return p >= end; }
};

// Per byte: its hexadecimal value (16 when it is no digit) and whether it is
// white space.
struct CharTable {
    unsigned char hex[256];
    bool space[256];
};

constexpr CharTable make_char_table()
{
    CharTable t{};
    for (int c = 0; c < 256; ++c) {
        t.hex[c] = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 16;
        t.space[c] = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }
    return t;
}

inline constexpr CharTable kChars = make_char_table();

// The scanners walk local pointers: a byte read through t.p could be t.p
// itself as far as the compiler knows, which would make it reload t.p at
// every byte.
inline const unsigned char *past_space(const unsigned char *p, const unsigned char *end)
{
    while (p < end && kChars.space[*p])
        ++p;
    return p;
}

// White space, then 1 to max_digits hexadecimal digits. False (nothing but
// the white space taken) when no digit follows.
inline bool scan_hex(Text &t, int max_digits, unsigned long *value)
{
    const unsigned char *p = past_space(t.p, t.end), *start = p;
    const unsigned char *stop = t.end - p > max_digits ? p + max_digits : t.end;
    unsigned long v = 0;
    unsigned h;
    while (p < stop && (h = kChars.hex[*p]) < 16) {
        v = v * 16 + h;
        ++p;
    }
    t.p = p;
    if (p == start)
        return false;
    *value = v;
    return true;
}

// White space, an optional sign and decimal digits. False when no digit
// follows or the value overflows a long (the digits are taken).
inline bool scan_dec(Text &t, long *value)
{
    const unsigned char *p = past_space(t.p, t.end), *end = t.end;
    bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+'))
        ++p;
    const unsigned char *digits = p;
    unsigned long v = 0;
    bool overflow = false;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        if (v > (static_cast<unsigned long>(LONG_MAX) - 9) / 10)
            overflow = true;
        else
            v = v * 10 + static_cast<unsigned long>(*p - '0');
    }
    t.p = p;
    if (p == digits || overflow)
        return false;
    *value = negative ? -static_cast<long>(v) : static_cast<long>(v);
    return true;
}

// Reads the rest of a stream into a new buffer from the hook allocator,
// through the fgets hook, every byte as it stands (zero bytes included).
// 0, 3 (memory) or 11 (longer than a locale file may be); *data is freed
// with _gl_ext_free.
int read_stream(FILE *f, unsigned char **data, std::size_t *size);

// _gl_fscanf_multi of a table of 16-bit elements from text: the same
// encoding, errors and reset on failure. *highest is set to the largest
// element the text gives (the default included): no character of the table
// has a larger value. 0 or an error number.
int scan_multi_u16(Text &text, gl_multi *table, int max_depth, unsigned *highest);

} // namespace gls
