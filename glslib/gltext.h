// A file's text read through the stream hooks into a window that the
// token scanners of the locale file reader refill as they walk it. The
// scanners take exactly the characters their stream counterparts
// (_gl_fscan_hex, _gl_fscan_dec) take from a stream, so a text parses as its
// file does. Internal; not installed.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "gl_multi.h"

namespace gls {

struct Text;

// The stream behind a window that holds only part of a text: the window's
// storage and what has been read. A locale file is read through it in
// pieces as the reader walks it, so that no copy of the whole file is ever
// made (see refill).
struct Feed {
    FILE *stream = nullptr;
    unsigned char *base = nullptr; // the window's storage, from the hook allocator
    std::size_t capacity = 0;
    std::size_t taken = 0;  // bytes the stream has given so far
    bool ended = false;     // the stream has given its last byte
    bool too_long = false;  // it went on past the length a text may have
};

// Moves the unread part of the window (and the byte before it, for unget)
// to the front of the storage and appends what the stream gives next. False
// when nothing could be added: the end of the text.
bool refill(Text &t);

// A window on text; p moves as tokens are taken. With a feed, the window
// is refilled from the stream when a token needs more than it holds;
// without one, [p, end) is the whole text.
struct Text {
    const unsigned char *p = nullptr;
    const unsigned char *end = nullptr;
    Feed *feed = nullptr;

    int get() { return p < end ? *p++ : more() ? *p++ : EOF; }
    void unget(int c)
    {
        if (c != EOF)
            --p;
    }
    bool more() { return feed != nullptr && refill(*this); }
    bool at_end() { return p >= end && !more(); }
    // At least n bytes after p in the window, or all that the text has left.
    void want(std::ptrdiff_t n)
    {
        while (end - p < n && more()) {
        }
    }
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
        int hex = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 16;
        t.hex[c] = static_cast<unsigned char>(hex);
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

// Up to max_digits hexadecimal digits at p (none past end) into *value;
// the position after them. Callers pass a constant count, so that the loop
// of the common case, a window holding more bytes than the count, unrolls
// without a bound check per digit.
inline const unsigned char *hex_digits(const unsigned char *p, const unsigned char *end, int max_digits,
                                       unsigned long *value)
{
    unsigned long v = 0;
    unsigned h;
    if (end - p > max_digits) {
        // Most fields are written at their full width: when every byte is a
        // digit (the non-digit value 16 shows in the union), no byte needs
        // a test of its own.
        unsigned any = 0;
#pragma GCC unroll 16
        for (int i = 0; i < max_digits; ++i) {
            h = kChars.hex[p[i]];
            any |= h;
            v = v * 16 + h;
        }
        if (any < 16) {
            *value = v;
            return p + max_digits;
        }
        v = 0;
        for (int i = 0; i < max_digits; ++i, ++p) {
            if ((h = kChars.hex[*p]) >= 16)
                break;
            v = v * 16 + h;
        }
    } else {
        while (p < end && (h = kChars.hex[*p]) < 16) {
            v = v * 16 + h;
            ++p;
        }
    }
    *value = v;
    return p;
}

// Takes white space, across refills of the window.
inline void skip_space(Text &t)
{
    while ((t.p = past_space(t.p, t.end)) == t.end && t.more()) {
    }
}

// The scanners below as they work at the end of the window, where a token
// may need a refill.
inline bool scan_hex_at_end(Text &t, int max_digits, unsigned long *value)
{
    skip_space(t);
    if (t.end - t.p <= max_digits)
        t.want(max_digits + 1);
    const unsigned char *start = t.p;
    unsigned long v;
    const unsigned char *p = hex_digits(start, t.end, max_digits, &v);
    t.p = p;
    if (p == start)
        return false;
    *value = v;
    return true;
}

inline bool scan_dec_at_end(Text &t, long *value)
{
    skip_space(t);
    if (t.end - t.p < 2)
        t.want(2);
    const unsigned char *p = t.p, *end = t.end;
    bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+'))
        ++p;
    std::size_t digits = 0;
    unsigned long v = 0;
    bool overflow = false;
    for (;;) {
        for (; p < end && static_cast<unsigned>(*p - '0') <= 9; ++p, ++digits) {
            if (v > (static_cast<unsigned long>(LONG_MAX) - 9) / 10)
                overflow = true;
            else
                v = v * 10 + static_cast<unsigned long>(*p - '0');
        }
        // Digits up to the end of the window may go on after it.
        t.p = p;
        if (p < end || !t.more())
            break;
        p = t.p;
        end = t.end;
    }
    if (digits == 0 || overflow)
        return false;
    *value = negative ? -static_cast<long>(v) : static_cast<long>(v);
    return true;
}

// Room the scanners want after a token's white space to take the token
// without looking for the end of the window: more than a sign and the
// digits of any value they can give.
constexpr std::ptrdiff_t kTokenRoom = 24;

// White space, then 1 to max_digits (at most 15) hexadecimal digits. False
// (nothing but the white space taken) when no digit follows.
inline bool scan_hex(Text &t, int max_digits, unsigned long *value)
{
    const unsigned char *p = t.p, *end = t.end;
    if (end - p > 2 * kTokenRoom) {
        const unsigned char *limit = end - kTokenRoom;
        while (p < limit && kChars.space[*p])
            ++p;
        if (p < limit) {
            unsigned long v;
            const unsigned char *after = hex_digits(p, end, max_digits, &v);
            t.p = after;
            if (after == p)
                return false;
            *value = v;
            return true;
        }
    }
    return scan_hex_at_end(t, max_digits, value);
}

// White space, an optional sign and decimal digits. False when no digit
// follows or the value overflows a long (the digits are taken).
inline bool scan_dec(Text &t, long *value)
{
    const unsigned char *p = t.p, *end = t.end;
    if (end - p > 2 * kTokenRoom) {
        // Most numbers of a table are one digit after one blank (a node's
        // flags, a small index).
        if (kChars.space[p[0]] && static_cast<unsigned>(p[1] - '0') <= 9 && kChars.space[p[2]]) {
            *value = p[1] - '0';
            t.p = p + 2;
            return true;
        }
        const unsigned char *limit = end - kTokenRoom;
        while (p < limit && kChars.space[*p])
            ++p;
        if (p < limit) {
            bool negative = *p == '-';
            if (*p == '-' || *p == '+')
                ++p;
            const unsigned char *digits = p;
            unsigned long v = 0;
            bool overflow = false;
            for (; p < limit && static_cast<unsigned>(*p - '0') <= 9; ++p) {
                if (v > (static_cast<unsigned long>(LONG_MAX) - 9) / 10)
                    overflow = true;
                else
                    v = v * 10 + static_cast<unsigned long>(*p - '0');
            }
            // A run of digits that reaches the end of the window may go on
            // after it: the general scan takes it from the start.
            if (p < limit) {
                t.p = p;
                if (p == digits || overflow)
                    return false;
                *value = negative ? -static_cast<long>(v) : static_cast<long>(v);
                return true;
            }
        }
    }
    return scan_dec_at_end(t, value);
}

// Starts a window on an open stream, read through the fgets hook, every
// byte as it stands (zero bytes included): storage from the hook allocator,
// filled with the first pieces. 0 or 3 (memory); the storage is freed with
// close_feed, which leaves the stream open.
int open_feed(FILE *f, Feed &feed, Text &text);
void close_feed(Feed &feed);

// _gl_fscanf_multi of a table of 16-bit elements from text: the same
// encoding, errors and reset on failure. *highest is set to the largest
// element the text gives (the default included): no character of the table
// has a larger value. 0 or an error number.
int scan_multi_u16(Text &text, gl_multi *table, int max_depth, unsigned *highest);

} // namespace gls
