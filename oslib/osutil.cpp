// Byte and string primitives: zero-terminated texts (st*), counted byte ranges
// (by*), blank-padded SQL character data, and big-endian stored integers.
// Integers are assembled byte by byte so that unaligned buffers work
// everywhere; lengths and counts are 32-bit signed throughout.
#include "osutil.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "osclient.h"

namespace {

constexpr unsigned char kBlank = 0x20;

constexpr unsigned char ascii_lower(unsigned c)
{
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
}
constexpr unsigned char ascii_upper(unsigned c)
{
    return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
}

inline unsigned char ub(const char *p, std::ptrdiff_t i)
{
    return static_cast<unsigned char>(p[i]);
}

} // namespace

// 16 consecutive entries of a case table starting at byte value b.
#define CASE_ROW(f, b)                                                                     \
    f(b), f(b + 1), f(b + 2), f(b + 3), f(b + 4), f(b + 5), f(b + 6), f(b + 7), f(b + 8),   \
        f(b + 9), f(b + 10), f(b + 11), f(b + 12), f(b + 13), f(b + 14), f(b + 15)
#define CASE_TABLE(f)                                                                      \
    {CASE_ROW(f, 0x00), CASE_ROW(f, 0x10), CASE_ROW(f, 0x20), CASE_ROW(f, 0x30),             \
     CASE_ROW(f, 0x40), CASE_ROW(f, 0x50), CASE_ROW(f, 0x60), CASE_ROW(f, 0x70),             \
     CASE_ROW(f, 0x80), CASE_ROW(f, 0x90), CASE_ROW(f, 0xA0), CASE_ROW(f, 0xB0),             \
     CASE_ROW(f, 0xC0), CASE_ROW(f, 0xD0), CASE_ROW(f, 0xE0), CASE_ROW(f, 0xF0), 0}

// Default case tables: ASCII letters only; the 257th entry is unused.
extern "C" {
unsigned char _ix2lowmap[257] = CASE_TABLE(ascii_lower);
unsigned char _ix2upmap[257] = CASE_TABLE(ascii_upper);
}

#undef CASE_TABLE
#undef CASE_ROW

extern "C" int isatol(const char *text)
{
    // Unsigned arithmetic gives the documented 32-bit wrap without overflow.
    std::uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10u + static_cast<std::uint32_t>(*text - '0');
    return static_cast<int>(value);
}

extern "C" void stcat(const char *src, char *dst)
{
    std::strcat(dst, src);
}

extern "C" void stcopy(const char *src, char *dst)
{
    std::strcpy(dst, src);
}

extern "C" int stleng(const char *text)
{
    return static_cast<int>(std::strlen(text));
}

extern "C" int stnleng(const char *text, int limit)
{
    int n = 0;
    while (n < limit && text[n] != '\0')
        ++n;
    return n;
}

extern "C" int stcmpr(const char *a, const char *b)
{
    for (std::ptrdiff_t i = 0;; ++i) {
        if (a[i] != b[i])
            return ub(a, i) < ub(b, i) ? -1 : 1;
        if (a[i] == '\0')
            return 0;
    }
}

extern "C" int stcmpri(const char *a, const char *b)
{
    for (std::ptrdiff_t i = 0;; ++i) {
        unsigned char la = _ix2lowmap[ub(a, i)];
        unsigned char lb = _ix2lowmap[ub(b, i)];
        if (la != lb)
            return la < lb ? -1 : 1;
        if (a[i] == '\0')
            return 0;
    }
}

extern "C" char *stchr(const char *text, int c)
{
    for (; *text != '\0'; ++text)
        if (static_cast<signed char>(*text) == c)
            return const_cast<char *>(text);
    return nullptr;
}

extern "C" int cmprstr(const char *a, const char *b, int limit)
{
    if (a == nullptr || b == nullptr)
        return a == b ? 0 : -1;
    auto ends_word = [](char c) { return c == '\0' || c == ' '; };
    for (int i = 0; i < limit; ++i) {
        if (ends_word(a[i]) || ends_word(b[i]))
            return ends_word(a[i]) && ends_word(b[i]) ? 0 : -1;
        if (a[i] != b[i])
            return -1;
    }
    return 0;
}

extern "C" int bycmpr(const void *a, const void *b, int n)
{
    const auto *pa = static_cast<const unsigned char *>(a);
    const auto *pb = static_cast<const unsigned char *>(b);
    for (int i = 0; i < n; ++i)
        if (pa[i] != pb[i])
            return pa[i] > pb[i] ? 1 : -1;
    return 0;
}

extern "C" int charcmp(const char *a, int la, const char *b, int lb)
{
    int m = la < lb ? la : lb;
    int r = bycmpr(a, b, m);
    if (la == lb || r != 0)
        return r;
    // The shorter value counts as blank-padded: the first non-blank byte of
    // the longer value's tail decides against the pad.
    const char *tail = la > lb ? a : b;
    int longer = la > lb ? la : lb;
    for (int i = m; i < longer; ++i) {
        unsigned char t = ub(tail, i);
        if (t == kBlank)
            continue;
        int s = t > kBlank ? 1 : -1;
        return la > lb ? s : -s;
    }
    return 0;
}

extern "C" void bycopy(const void *src, void *dst, int n)
{
    if (n > 0)
        std::memmove(dst, src, static_cast<std::size_t>(n));
}

extern "C" void bylcopy(const void *src, void *dst, int n)
{
    bycopy(src, dst, n);
}

extern "C" void byfill(void *dst, int n, int byte)
{
    if (n > 0)
        std::memset(dst, static_cast<unsigned char>(byte), static_cast<std::size_t>(n));
}

extern "C" int trw_byleng(const char *range, int n)
{
    while (n > 0 && ub(range, n - 1) == kBlank)
        --n;
    return n > 0 ? n : 0;
}

extern "C" int byleng(const char *range, int n)
{
    // A loaded multibyte client locale measures its own blanks; otherwise
    // (no client locale, or a single-byte one) only 0x20 is padding.
    const os_client_locale_hooks *client = os_client_locale();
    if (client != nullptr && client->byleng != nullptr) {
        int k = client->byleng(range, n);
        return k < 0 ? 0 : (k > n ? n : k);
    }
    return trw_byleng(range, n);
}

extern "C" void _sttrmrt(char *text, int n)
{
    if (n < 0)
        n = stleng(text);
    int k = trw_byleng(text, n);
    if (k < n)
        text[k] = '\0';
}

extern "C" int _gIsRangeFilled(const char *range, int n, int c)
{
    for (int i = 0; i < n; ++i)
        if (static_cast<signed char>(range[i]) != c)
            return 0;
    return 1;
}

extern "C" int ldlong(const void *src)
{
    const auto *p = static_cast<const unsigned char *>(src);
    std::uint32_t v = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                      (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
    return static_cast<std::int32_t>(v);
}

extern "C" void stlong(std::int32_t value, void *dst)
{
    auto *p = static_cast<unsigned char *>(dst);
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 3; i >= 0; --i, v >>= 8)
        p[i] = static_cast<unsigned char>(v);
}

extern "C" std::int64_t ldptr(const void *src)
{
    const auto *p = static_cast<const unsigned char *>(src);
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | p[i];
    return static_cast<std::int64_t>(v);
}

extern "C" void stptr(std::int64_t value, void *dst)
{
    auto *p = static_cast<unsigned char *>(dst);
    auto v = static_cast<std::uint64_t>(value);
    for (int i = 7; i >= 0; --i, v >>= 8)
        p[i] = static_cast<unsigned char>(v);
}
