// Character routines of a service locale: one character decoded or encoded
// (glu_mblen, glu_mbtouc32, glu_uc32tomb, ...), classes, widths and case by
// ICU's character properties, and the string forms built on them. Text is
// in the locale's code set: UTF-8 by ICU's UTF-8 macros, any other code set
// by its converter (serialised, ICU converters are not shared between
// threads). Errors: 1 invalid text, 7 text ending inside a character or a
// bad argument, 14 output too small. Counts of -1 mean a terminated text.
#include <cstring>
#include <mutex>
#include <string>

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include "gl_locale.h"
#include "glu_int.h"

namespace glu {

namespace {

Locale *locale_of(void *service_locale) { return static_cast<Locale *>(service_locale); }

// One character at s (at most limit bytes): its length (0 at a terminator
// of a terminated text), or -1 with *err set.
int decode(Locale *loc, const char *s, int limit, UChar32 &c, int16_t *err)
{
    if (loc == nullptr || s == nullptr) {
        *err = kEinval;
        return -1;
    }
    if (limit < 0) {
        if (*s == '\0') {
            c = 0;
            return 0;
        }
        limit = static_cast<int>(strnlen(s, static_cast<std::size_t>(loc->max_len)));
    }
    if (limit == 0) {
        *err = kEinval;
        return -1;
    }
    if (loc->utf8) {
        int32_t i = 0;
        U8_NEXT(reinterpret_cast<const uint8_t *>(s), i, limit, c);
        if (c < 0) {
            auto lead = static_cast<uint8_t>(s[0]);
            *err = lead >= 0xC2 && lead <= 0xF4 && U8_COUNT_TRAIL_BYTES(lead) + 1 > limit && i == limit ? kEinval : kEilseq;
            return -1;
        }
        return i;
    }
    std::lock_guard<std::mutex> hold(converter_lock());
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetToUnicode(loc->converter);
    const char *p = s;
    c = ucnv_getNextUChar(loc->converter, &p, s + limit, &status);
    if (U_FAILURE(status)) {
        *err = error_of(status);
        return -1;
    }
    return static_cast<int>(p - s);
}

// Writes c in the locale's code set: its length, or -1 with *err set.
int encode(Locale *loc, UChar32 c, char *out, int size, int16_t *err)
{
    char local[8];
    int n = 0;
    if (loc == nullptr || c < 0 || c > 0x10FFFF || U_IS_SURROGATE(c)) {
        *err = loc == nullptr ? kEinval : kEilseq;
        return -1;
    }
    if (loc->utf8) {
        U8_APPEND_UNSAFE(reinterpret_cast<uint8_t *>(local), n, c);
    } else {
        UChar units[2];
        int32_t k = 0;
        U16_APPEND_UNSAFE(units, k, c);
        std::lock_guard<std::mutex> hold(converter_lock());
        UErrorCode status = U_ZERO_ERROR;
        ucnv_resetFromUnicode(loc->converter);
        n = ucnv_fromUChars(loc->converter, local, sizeof local, units, k, &status);
        if (U_FAILURE(status)) {
            *err = kEilseq;
            return -1;
        }
    }
    if (out != nullptr) {
        if (size < n) {
            *err = kE2big;
            return -1;
        }
        std::memcpy(out, local, static_cast<std::size_t>(n));
    }
    return n;
}

int class_mask(UChar32 c)
{
    int m = 0;
    m |= u_isupper(c) ? GL_CLASS_UPPER : 0;
    m |= u_islower(c) ? GL_CLASS_LOWER : 0;
    m |= u_isalpha(c) ? GL_CLASS_ALPHA : 0;
    m |= u_isdigit(c) ? GL_CLASS_DIGIT : 0;
    m |= u_isspace(c) ? GL_CLASS_SPACE : 0;
    m |= u_iscntrl(c) ? GL_CLASS_CNTRL : 0;
    m |= u_ispunct(c) || (u_isgraph(c) && !u_isalnum(c)) ? GL_CLASS_PUNCT : 0;
    m |= u_isgraph(c) ? GL_CLASS_GRAPH : 0;
    m |= u_isprint(c) ? GL_CLASS_PRINT : 0;
    m |= u_isxdigit(c) ? GL_CLASS_XDIGIT : 0;
    m |= u_isblank(c) ? GL_CLASS_BLANK : 0;
    return m;
}

// Display columns: 0 for the terminator and marks, 2 for wide and full-width
// characters, -1 for controls, else 1.
int width(UChar32 c)
{
    if (c == 0)
        return 0;
    if (u_iscntrl(c))
        return -1;
    int8_t type = u_charType(c);
    if (type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK || type == U_FORMAT_CHAR)
        return 0;
    int ea = u_getIntPropertyValue(c, UCHAR_EAST_ASIAN_WIDTH);
    return ea == U_EA_WIDE || ea == U_EA_FULLWIDTH ? 2 : 1;
}

// Calls each(c, offset, length) for the characters of s (n bytes, or up to
// the terminator); false stops. The bytes walked, or -1 with *err set.
template <typename Each>
int walk(Locale *loc, const char *s, int n, int16_t *err, Each each)
{
    int at = 0;
    while (n < 0 || at < n) {
        UChar32 c;
        int len = decode(loc, s + at, n < 0 ? -1 : n - at, c, err);
        if (len < 0)
            return -1;
        if (len == 0 || !each(c, at, len))
            break;
        at += len;
    }
    return at;
}

int string_width(Locale *loc, const char *s, int n, bool printable_only, int16_t *err)
{
    int total = 0;
    int r = walk(loc, s, n, err, [&](UChar32 c, int, int) {
        int w = width(c);
        total += w < 0 ? (printable_only ? 0 : 1) : w;
        return true;
    });
    return r < 0 ? -1 : total;
}

template <typename Map>
int map_string(Locale *loc, char *out, int size, const char *s, int n, int16_t *err, Map map)
{
    int written = 0;
    int r = walk(loc, s, n, err, [&](UChar32 c, int, int) {
        int k = encode(loc, map(c), out != nullptr ? out + written : nullptr, size - written, err);
        if (k < 0)
            return false;
        written += k;
        return true;
    });
    if (r < 0 || *err != 0)
        return -1;
    if (out != nullptr && written < size)
        out[written] = '\0';
    return written;
}

int copy_units(UChar *out, int size, const UChar *in, int32_t n, int16_t *err)
{
    if (out != nullptr) {
        if (size < n) {
            *err = kE2big;
            return -1;
        }
        std::memcpy(out, in, static_cast<std::size_t>(n) * sizeof(UChar));
        if (n < size)
            out[n] = 0;
    }
    return n;
}

int ucs32_length(const uint32_t *s, int n) { return n >= 0 ? n : static_cast<int>(std::char_traits<char32_t>::length(reinterpret_cast<const char32_t *>(s))); }

} // namespace

} // namespace glu

using namespace glu;

GLU_EXPORT int glu_mblen(void *svc, const char *s, int n, int16_t *err)
{
    *err = 0;
    UChar32 c;
    return decode(locale_of(svc), s, n, c, err);
}

GLU_EXPORT int glu_mbsnext(void *svc, const char *s, int n, int16_t *err) { return glu_mblen(svc, s, n, err); }

GLU_EXPORT int glu_mbtouc32(void *svc, uint32_t *out, const char *s, int n, int16_t *err)
{
    *err = 0;
    UChar32 c = 0;
    int len = decode(locale_of(svc), s, n, c, err);
    if (len >= 0 && out != nullptr)
        *out = static_cast<uint32_t>(c);
    return len;
}

GLU_EXPORT int glu_mbtouc(void *svc, uint16_t *out, const char *s, int n, int16_t *err)
{
    uint32_t c = 0;
    int len = glu_mbtouc32(svc, &c, s, n, err);
    if (len >= 0 && c > 0xFFFF) {
        *err = kEilseq;
        return -1;
    }
    if (len >= 0 && out != nullptr)
        *out = static_cast<uint16_t>(c);
    return len;
}

GLU_EXPORT int glu_uc32tomb(void *svc, char *out, int size, uint32_t c, int16_t *err)
{
    *err = 0;
    return encode(locale_of(svc), static_cast<UChar32>(c), out, size, err);
}

GLU_EXPORT int glu_uctomb(void *svc, char *out, int size, uint16_t c, int16_t *err)
{
    return glu_uc32tomb(svc, out, size, c, err);
}

GLU_EXPORT int glu_uc32width(void *, uint32_t c, int16_t *err)
{
    *err = 0;
    return width(static_cast<UChar32>(c));
}

GLU_EXPORT int glu_mbwidth(void *svc, const char *s, int n, int16_t *err)
{
    *err = 0;
    UChar32 c;
    return decode(locale_of(svc), s, n, c, err) < 0 ? -1 : width(c);
}

GLU_EXPORT int glu_isuc32type(void *, uint32_t c, int mask, int16_t *err)
{
    *err = 0;
    return class_mask(static_cast<UChar32>(c)) & mask;
}

GLU_EXPORT int glu_ismctype(void *svc, const char *s, int n, int mask, int16_t *err)
{
    *err = 0;
    UChar32 c;
    return decode(locale_of(svc), s, n, c, err) <= 0 ? 0 : class_mask(c) & mask;
}

GLU_EXPORT uint32_t glu_uc32toupper(void *, uint32_t c, int16_t *err)
{
    *err = 0;
    return static_cast<uint32_t>(u_toupper(static_cast<UChar32>(c)));
}

GLU_EXPORT uint32_t glu_uc32tolower(void *, uint32_t c, int16_t *err)
{
    *err = 0;
    return static_cast<uint32_t>(u_tolower(static_cast<UChar32>(c)));
}

GLU_EXPORT int glu_mbtoupper(void *svc, char *out, int size, const char *s, int n, int16_t *err)
{
    *err = 0;
    UChar32 c;
    return decode(locale_of(svc), s, n, c, err) < 0 ? -1 : encode(locale_of(svc), u_toupper(c), out, size, err);
}

GLU_EXPORT int glu_mbtolower(void *svc, char *out, int size, const char *s, int n, int16_t *err)
{
    *err = 0;
    UChar32 c;
    return decode(locale_of(svc), s, n, c, err) < 0 ? -1 : encode(locale_of(svc), u_tolower(c), out, size, err);
}

GLU_EXPORT int glu_mbstoupper(void *svc, char *out, int size, const char *s, int n, int16_t *err)
{
    *err = 0;
    return map_string(locale_of(svc), out, size, s, n, err, [](UChar32 c) { return u_toupper(c); });
}

GLU_EXPORT int glu_mbstolower(void *svc, char *out, int size, const char *s, int n, int16_t *err)
{
    *err = 0;
    return map_string(locale_of(svc), out, size, s, n, err, [](UChar32 c) { return u_tolower(c); });
}

GLU_EXPORT int glu_ucs32toupper(void *, uint32_t *s, int n, int16_t *err)
{
    *err = 0;
    int len = s != nullptr ? ucs32_length(s, n) : 0;
    for (int i = 0; i < len; ++i)
        s[i] = static_cast<uint32_t>(u_toupper(static_cast<UChar32>(s[i])));
    return len;
}

GLU_EXPORT int glu_ucs32tolower(void *, uint32_t *s, int n, int16_t *err)
{
    *err = 0;
    int len = s != nullptr ? ucs32_length(s, n) : 0;
    for (int i = 0; i < len; ++i)
        s[i] = static_cast<uint32_t>(u_tolower(static_cast<UChar32>(s[i])));
    return len;
}

GLU_EXPORT int glu_case_conv_outbuflen(void *svc, int n, int16_t *err)
{
    *err = 0;
    Locale *loc = locale_of(svc);
    // A character's case partner needs at most the code set's longest
    // character.
    int max = loc != nullptr ? loc->max_len : 4;
    int min = loc != nullptr && loc->min_len > 0 ? loc->min_len : 1;
    return n < 0 ? 0 : (n / min + 1) * max;
}

GLU_EXPORT int glu_mbstoucs(void *svc, uint16_t *out, int size, const char *s, int n, int16_t *err)
{
    Utf16 u;
    *err = u.assign(locale_of(svc), s, n);
    return *err != 0 ? -1 : copy_units(reinterpret_cast<UChar *>(out), size, u.data(), u.size(), err);
}

GLU_EXPORT int glu_ucstombs(void *svc, char *out, int size, const uint16_t *in, int n, int16_t *err)
{
    *err = 0;
    if (in == nullptr) {
        *err = kEinval;
        return -1;
    }
    int len = n >= 0 ? n : u_strlen(reinterpret_cast<const UChar *>(in));
    int written = 0;
    for (int32_t i = 0; i < len;) {
        UChar32 c;
        U16_NEXT(in, i, len, c);
        int k = encode(locale_of(svc), c, out != nullptr ? out + written : nullptr, size - written, err);
        if (k < 0)
            return -1;
        written += k;
    }
    if (out != nullptr && written < size)
        out[written] = '\0';
    return written;
}

GLU_EXPORT int glu_mbstoucs32(void *svc, uint32_t *out, int size, const char *s, int n, int16_t *err)
{
    *err = 0;
    int count = 0;
    int r = walk(locale_of(svc), s, n, err, [&](UChar32 c, int, int) {
        if (out != nullptr && count < size)
            out[count] = static_cast<uint32_t>(c);
        ++count;
        return true;
    });
    if (r < 0)
        return -1;
    if (out != nullptr && count > size) {
        *err = kE2big;
        return -1;
    }
    if (out != nullptr && count < size)
        out[count] = 0;
    return count;
}

GLU_EXPORT int glu_ucs32tombs(void *svc, char *out, int size, const uint32_t *in, int n, int16_t *err)
{
    *err = 0;
    if (in == nullptr) {
        *err = kEinval;
        return -1;
    }
    int len = ucs32_length(in, n), written = 0;
    for (int i = 0; i < len; ++i) {
        int k = encode(locale_of(svc), static_cast<UChar32>(in[i]), out != nullptr ? out + written : nullptr,
                       size - written, err);
        if (k < 0)
            return -1;
        written += k;
    }
    if (out != nullptr && written < size)
        out[written] = '\0';
    return written;
}

GLU_EXPORT int glu_ucs32toucs(uint16_t *out, int size, const uint32_t *in, int n, int16_t *err)
{
    Utf16 u;
    *err = u.assign32(in, n);
    return *err != 0 ? -1 : copy_units(reinterpret_cast<UChar *>(out), size, u.data(), u.size(), err);
}

GLU_EXPORT int glu_ucstoucs32(uint32_t *out, int size, const uint16_t *in, int n, int16_t *err)
{
    *err = 0;
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strToUTF32(reinterpret_cast<UChar32 *>(out), out != nullptr ? size : 0, &length,
                 reinterpret_cast<const UChar *>(in), n, &status);
    if (U_FAILURE(status) && !(out == nullptr && status == U_BUFFER_OVERFLOW_ERROR)) {
        *err = error_of(status);
        return -1;
    }
    return length;
}

GLU_EXPORT int glu_mbsprev(void *svc, const char *start, const char *pos, int16_t *err)
{
    *err = 0;
    if (start == nullptr || pos == nullptr || pos <= start) {
        *err = kEinval;
        return -1;
    }
    int previous = -1;
    int r = walk(locale_of(svc), start, static_cast<int>(pos - start), err, [&](UChar32, int at, int) {
        previous = at;
        return true;
    });
    return r < 0 ? -1 : previous;
}

GLU_EXPORT int glu_mbsntsbytes(void *svc, const char *s, int n, int16_t *err)
{
    *err = 0;
    int end = 0;
    int r = walk(locale_of(svc), s, n, err, [&](UChar32 c, int at, int len) {
        if (!(u_isblank(c) && !u_iscntrl(c)))
            end = at + len;
        return true;
    });
    return r < 0 ? -1 : end;
}

GLU_EXPORT int glu_mbslen(void *svc, const char *s, int n, int16_t *err)
{
    *err = 0;
    int count = 0;
    int r = walk(locale_of(svc), s, n, err, [&](UChar32, int, int) { return ++count, true; });
    return r < 0 ? -1 : count;
}

// The bytes of the first `characters` characters of s.
GLU_EXPORT int glu_mbsbytes(void *svc, const char *s, int characters, int16_t *err)
{
    *err = 0;
    int count = 0;
    return walk(locale_of(svc), s, -1, err, [&](UChar32, int, int) { return count++ < characters; });
}

GLU_EXPORT int glu_ucs32len(void *, const uint32_t *s, int16_t *err)
{
    *err = s == nullptr ? kEinval : 0;
    return s != nullptr ? ucs32_length(s, -1) : -1;
}

GLU_EXPORT int glu_ucs32uc32(void *, const uint32_t *s, int n, uint32_t c, int16_t *err)
{
    *err = 0;
    int len = s != nullptr ? ucs32_length(s, n) : 0;
    for (int i = 0; i < len; ++i)
        if (s[i] == c)
            return i;
    return -1;
}

GLU_EXPORT int glu_mbschr(void *svc, const char *s, int n, uint32_t c, int16_t *err)
{
    *err = 0;
    int found = -1;
    int r = walk(locale_of(svc), s, n, err, [&](UChar32 d, int at, int) {
        if (static_cast<uint32_t>(d) == c)
            found = at;
        return found < 0;
    });
    return r < 0 ? -1 : found;
}

GLU_EXPORT int glu_mbswidth(void *svc, const char *s, int n, int16_t *err)
{
    *err = 0;
    return string_width(locale_of(svc), s, n, false, err);
}

// Widths counting only what prints (controls count 0, not 1).
GLU_EXPORT int glu_mbspwidth(void *svc, const char *s, int n, int16_t *err)
{
    *err = 0;
    return string_width(locale_of(svc), s, n, true, err);
}

GLU_EXPORT int glu_ucs32width(void *, const uint32_t *s, int n, int16_t *err)
{
    *err = 0;
    int total = 0, len = s != nullptr ? ucs32_length(s, n) : 0;
    for (int i = 0; i < len; ++i)
        total += width(static_cast<UChar32>(s[i])) < 0 ? 1 : width(static_cast<UChar32>(s[i]));
    return total;
}

GLU_EXPORT int glu_ucs32pwidth(void *, const uint32_t *s, int n, int16_t *err)
{
    *err = 0;
    int total = 0, len = s != nullptr ? ucs32_length(s, n) : 0;
    for (int i = 0; i < len; ++i)
        total += width(static_cast<UChar32>(s[i])) < 0 ? 0 : width(static_cast<UChar32>(s[i]));
    return total;
}

// One character read from a stream through the host's fgetc hook into out
// (size bytes): its length, 0 at end of file, or -1.
GLU_EXPORT int glu_getmb(void *svc, FILE *f, char *out, int size, int16_t *err)
{
    *err = 0;
    Locale *loc = locale_of(svc);
    if (loc == nullptr || f == nullptr || out == nullptr || size < 1) {
        *err = kEinval;
        return -1;
    }
    for (int n = 0; n < size && n < loc->max_len;) {
        int c = hooks.fgetc(f);
        if (c == EOF) {
            if (n > 0)
                *err = kEinval;
            return n > 0 ? -1 : 0;
        }
        out[n++] = static_cast<char>(c);
        UChar32 d;
        int16_t probe = 0;
        if (decode(loc, out, n, d, &probe) == n)
            return n;
        if (probe != kEinval) {
            *err = probe;
            return -1;
        }
    }
    *err = size < loc->max_len ? kE2big : kEilseq;
    return -1;
}

GLU_EXPORT uint32_t glu_fgetuc32(void *svc, FILE *f, int16_t *err)
{
    char bytes[8];
    int n = glu_getmb(svc, f, bytes, sizeof bytes, err);
    uint32_t c = 0xFFFFFFFFu;
    if (n > 0 && glu_mbtouc32(svc, &c, bytes, n, err) < 0)
        c = 0xFFFFFFFFu;
    return c;
}

// Characters read from a stream up to a newline (kept) or size - 1 bytes,
// terminated: the bytes read, 0 at end of file, or -1.
GLU_EXPORT int glu_getmbsi(void *svc, FILE *f, char *out, int size, int16_t *err)
{
    *err = 0;
    int at = 0;
    while (out != nullptr && at + 1 < size) {
        int k = glu_getmb(svc, f, out + at, size - 1 - at, err);
        if (k <= 0) {
            if (k < 0 && *err == kE2big)
                *err = 0;
            break;
        }
        at += k;
        if (out[at - 1] == '\n')
            break;
    }
    if (out != nullptr && size > 0)
        out[at] = '\0';
    return *err != 0 ? -1 : at;
}

// Writes character c into dst at byte index `at` (size bytes in all): the
// index after it, or -1.
GLU_EXPORT int glu_putmbsi(void *svc, char *dst, int size, int at, uint32_t c, int16_t *err)
{
    *err = 0;
    if (dst == nullptr || at < 0 || at > size) {
        *err = kEinval;
        return -1;
    }
    int k = glu_uc32tomb(svc, dst + at, size - at, c, err);
    return k < 0 ? -1 : at + k;
}
