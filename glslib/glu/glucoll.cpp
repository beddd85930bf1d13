// Service locales and collation: glu_lc_open, glu_lc_close, glu_lc_clone,
// glu_mb_loc_max/min, and the compares and sort keys of multibyte, UTF-16
// and UTF-32 text (glu_mbscoll, glu_mbsxfrm, glu_ucscoll, glu_ucsxfrm,
// glu_ucs32coll, glu_ucs32xfrm) and their bounds (glu_mbsCollBound,
// glu_mbsSortKeyCollBound).
//
// A service locale collates with ICU's collator for its ICU locale ID, at
// that language's default strength and with its tailoring. Text is turned
// into UTF-16 (ICU's UTF-8 routine, or the code set's converter) and
// compared with ucol_strcoll (UTF-8 text, once checked well-formed, with
// ucol_strcollUTF8, which orders as ucol_strcoll of its UTF-16); a sort key
// is ucol_getSortKey of the UTF-16, so that key order (strcmp) and compare
// agree. Keys follow the
// locale library's rules: bytes only below the size, the whole length
// returned (without the final 0), a final 0 when room remains.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include "glu_int.h"

namespace glu {

namespace {

constexpr unsigned kUtf8Number = 57372; // the registry's utf8

unsigned spec_codeset(const char *spec)
{
    const char *dot = spec != nullptr ? std::strchr(spec, '.') : nullptr;
    return dot != nullptr ? static_cast<unsigned>(std::strtoul(dot + 1, nullptr, 10)) : 0;
}

int sign(int v) { return (v > 0) - (v < 0); }

// The byte length of UTF-8 text (n bytes, or up to its terminator), or -1
// when it is not well-formed. ASCII runs are checked eight bytes at a time.
int32_t valid_utf8(const unsigned char *s, int n)
{
    // A terminated text is read once: its 0 ends it, and no sequence reads
    // past the 0 (it is not a continuation byte).
    const int32_t length = n >= 0 ? n : INT32_MAX;
    int32_t i = 0;
    while (i < length) {
        if (n < 0 && s[i] == 0)
            return i;
        if (n >= 0 && i + 8 <= length) {
            uint64_t word;
            std::memcpy(&word, s + i, sizeof word);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char b = s[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        // The lead byte gives the sequence's length and the range of its
        // second byte (no overlong forms, surrogates or values past
        // U+10FFFF); the other bytes are 80..BF.
        int32_t len = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
        if (len == 0 || (n >= 0 && i + len > length))
            return -1;
        const unsigned char second = s[i + 1];
        const unsigned char low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
        if (second < low || second > high)
            return -1;
        for (int32_t k = 2; k < len; ++k)
            if ((s[i + k] & 0xC0) != 0x80) // a 0 stops here
                return -1;
        i += len;
    }
    return length;
}

// A key of a UTF-16 text, written by the locale library's rules: straight
// into dst when it fits, else through a buffer cut at the size.
int key_of(const Locale *loc, const UChar *text, int32_t length, unsigned char *dst, int size, int16_t *err)
{
    if (dst != nullptr && size > 0) {
        int32_t need = ucol_getSortKey(loc->collator, text, length, dst, size);
        if (need <= size)
            return need > 0 ? need - 1 : 0; // ICU counts its final 0 and wrote it
    }
    uint8_t local[512];
    uint8_t *buf = local;
    int32_t need = ucol_getSortKey(loc->collator, text, length, buf, sizeof local);
    if (need > static_cast<int32_t>(sizeof local)) {
        buf = static_cast<uint8_t *>(allocate(static_cast<std::size_t>(need)));
        if (buf == nullptr) {
            *err = kEnomem;
            return 0;
        }
        need = ucol_getSortKey(loc->collator, text, length, buf, need);
    }
    int key = need > 0 ? need - 1 : 0; // ICU counts its final 0
    if (dst != nullptr && size > 0) {
        int n = key < size ? key : size;
        std::memcpy(dst, buf, static_cast<std::size_t>(n));
        if (key < size)
            dst[key] = 0;
    }
    if (buf != local)
        release(buf);
    return key;
}

} // namespace

std::mutex &converter_lock()
{
    static std::mutex lock;
    return lock;
}

Utf16::~Utf16()
{
    if (data_ != local_)
        release(data_);
}

bool Utf16::reserve(int32_t n)
{
    if (n <= capacity_)
        return true;
    auto *grown = static_cast<UChar *>(allocate(static_cast<std::size_t>(n) * sizeof(UChar)));
    if (grown == nullptr)
        return false;
    if (data_ != local_)
        release(data_);
    data_ = grown;
    capacity_ = n;
    return true;
}

int16_t error_of(UErrorCode status)
{
    switch (status) {
    case U_TRUNCATED_CHAR_FOUND:
        return kEinval;
    case U_BUFFER_OVERFLOW_ERROR:
        return kE2big;
    case U_MEMORY_ALLOCATION_ERROR:
        return kEnomem;
    default:
        return U_FAILURE(status) ? kEilseq : 0;
    }
}

int16_t Utf16::assign32(const uint32_t *text, int n)
{
    if (text == nullptr)
        return kEinval;
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF32(data_, capacity_, &size_, reinterpret_cast<const UChar32 *>(text), n < 0 ? -1 : n, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            if (!reserve(size_ + 1))
                return kEnomem;
            continue;
        }
        return U_FAILURE(status) ? kEilseq : 0;
    }
    return kEilseq;
}

int16_t Utf16::assign(Locale *loc, const char *text, int n)
{
    if (text == nullptr || loc == nullptr)
        return kEinval;
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        if (loc->utf8) {
            u_strFromUTF8(data_, capacity_, &size_, text, text_length(text, n), &status);
        } else {
            std::lock_guard<std::mutex> hold(converter_lock());
            ucnv_resetToUnicode(loc->converter);
            size_ = ucnv_toUChars(loc->converter, data_, capacity_, text, text_length(text, n), &status);
        }
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            if (!reserve(size_ + 1))
                return kEnomem;
            continue;
        }
        return U_FAILURE(status) ? (status == U_TRUNCATED_CHAR_FOUND ? kEinval : kEilseq) : 0;
    }
    return kEilseq;
}

} // namespace glu

using namespace glu;

GLU_EXPORT int glu_lc_close(void *service_locale, int16_t *err)
{
    *err = 0;
    auto *loc = static_cast<Locale *>(service_locale);
    if (loc == nullptr)
        return -1;
    if (loc->collator != nullptr)
        ucol_close(loc->collator);
    if (loc->converter != nullptr)
        ucnv_close(loc->converter);
    release(loc);
    return 0;
}

GLU_EXPORT void *glu_lc_open(void *map, const char *spec, int category, int16_t *err)
{
    *err = 0;
    const Map *m = static_cast<Map *>(map);
    const LocaleClaim *claim = find_locale(m, spec);
    unsigned codeset = spec_codeset(spec);
    const CodeSet *cs = find_codeset(m, codeset);
    if (claim == nullptr || (claim->categories & (1u << category)) == 0 || (codeset != kUtf8Number && cs == nullptr)) {
        *err = kEinval;
        return nullptr;
    }
    auto *loc = static_cast<Locale *>(hooks.calloc(1, sizeof(Locale)));
    if (loc == nullptr) {
        *err = kEnomem;
        return nullptr;
    }
    UErrorCode status = U_ZERO_ERROR;
    loc->codeset = codeset;
    loc->utf8 = codeset == kUtf8Number;
    loc->collator = ucol_open(claim->icu_id, &status);
    if (U_SUCCESS(status) && !loc->utf8) {
        loc->converter = ucnv_open(cs->icu_name, &status);
        if (U_SUCCESS(status))
            ucnv_setToUCallBack(loc->converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        if (U_SUCCESS(status))
            ucnv_setFromUCallBack(loc->converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    }
    loc->min_len = loc->utf8 ? 1 : cs->min_len;
    loc->max_len = loc->utf8 ? 4 : cs->max_len;
    if (U_FAILURE(status)) {
        message(1, "cannot open the ICU locale %s of %s: %s", claim->icu_id, spec, u_errorName(status));
        int16_t ignored = 0;
        glu_lc_close(loc, &ignored);
        *err = status == U_MEMORY_ALLOCATION_ERROR ? kEnomem : kEfile;
        return nullptr;
    }
    message(3, "opened %s as ICU locale %s", spec, claim->icu_id);
    return loc;
}

GLU_EXPORT void *glu_lc_clone(void *service_locale, int16_t *err)
{
    *err = 0;
    const auto *loc = static_cast<Locale *>(service_locale);
    if (loc == nullptr) {
        *err = kEinval;
        return nullptr;
    }
    auto *copy = static_cast<Locale *>(hooks.calloc(1, sizeof(Locale)));
    if (copy == nullptr) {
        *err = kEnomem;
        return nullptr;
    }
    *copy = *loc;
    UErrorCode status = U_ZERO_ERROR;
    copy->collator = ucol_clone(loc->collator, &status);
    copy->converter = loc->converter != nullptr && U_SUCCESS(status) ? ucnv_clone(loc->converter, &status) : nullptr;
    if (U_FAILURE(status)) {
        int16_t ignored = 0;
        glu_lc_close(copy, &ignored);
        *err = kEnomem;
        return nullptr;
    }
    return copy;
}

GLU_EXPORT int glu_mb_loc_max(void *service_locale, int16_t *err)
{
    *err = 0;
    return service_locale != nullptr ? static_cast<Locale *>(service_locale)->max_len : 1;
}

GLU_EXPORT int glu_mb_loc_min(void *service_locale, int16_t *err)
{
    *err = 0;
    return service_locale != nullptr ? static_cast<Locale *>(service_locale)->min_len : 1;
}

GLU_EXPORT int glu_mbscoll(void *service_locale, const unsigned char *s1, int n1, const unsigned char *s2, int n2,
                           int16_t *err)
{
    auto *loc = static_cast<Locale *>(service_locale);
    if (loc != nullptr && loc->utf8 && s1 != nullptr && s2 != nullptr) { // ICU reads UTF-8 itself
        int32_t l1 = valid_utf8(s1, n1), l2 = l1 >= 0 ? valid_utf8(s2, n2) : -1;
        *err = l2 >= 0 ? 0 : kEilseq;
        UErrorCode status = U_ZERO_ERROR;
        return l2 < 0 ? 0
                      : sign(ucol_strcollUTF8(loc->collator, reinterpret_cast<const char *>(s1), l1,
                                              reinterpret_cast<const char *>(s2), l2, &status));
    }
    Utf16 a, b;
    *err = loc == nullptr ? kEinval : a.assign(loc, reinterpret_cast<const char *>(s1), n1);
    if (*err == 0)
        *err = b.assign(loc, reinterpret_cast<const char *>(s2), n2);
    if (*err != 0)
        return 0;
    return sign(ucol_strcoll(loc->collator, a.data(), a.size(), b.data(), b.size()));
}

GLU_EXPORT int glu_mbsxfrm(void *service_locale, unsigned char *dst, int size, const unsigned char *src, int n,
                           int16_t *err)
{
    auto *loc = static_cast<Locale *>(service_locale);
    Utf16 u;
    *err = loc == nullptr ? kEinval : u.assign(loc, reinterpret_cast<const char *>(src), n);
    return *err == 0 ? key_of(loc, u.data(), u.size(), dst, size, err) : 0;
}

GLU_EXPORT int glu_ucscoll(void *service_locale, const uint16_t *s1, int n1, const uint16_t *s2, int n2,
                           int16_t *err)
{
    auto *loc = static_cast<Locale *>(service_locale);
    *err = loc == nullptr || s1 == nullptr || s2 == nullptr ? kEinval : 0;
    if (*err != 0)
        return 0;
    return sign(ucol_strcoll(loc->collator, reinterpret_cast<const UChar *>(s1), n1,
                             reinterpret_cast<const UChar *>(s2), n2));
}

GLU_EXPORT int glu_ucsxfrm(void *service_locale, unsigned char *dst, int size, const uint16_t *src, int n,
                           int16_t *err)
{
    auto *loc = static_cast<Locale *>(service_locale);
    *err = loc == nullptr || src == nullptr ? kEinval : 0;
    return *err == 0 ? key_of(loc, reinterpret_cast<const UChar *>(src), n, dst, size, err) : 0;
}

GLU_EXPORT int glu_ucs32coll(void *service_locale, const uint32_t *s1, int n1, const uint32_t *s2, int n2,
                             int16_t *err)
{
    auto *loc = static_cast<Locale *>(service_locale);
    Utf16 a, b;
    *err = loc == nullptr ? kEinval : a.assign32(s1, n1);
    if (*err == 0)
        *err = b.assign32(s2, n2);
    if (*err != 0)
        return 0;
    return sign(ucol_strcoll(loc->collator, a.data(), a.size(), b.data(), b.size()));
}

GLU_EXPORT int glu_ucs32xfrm(void *service_locale, unsigned char *dst, int size, const uint32_t *src, int n,
                             int16_t *err)
{
    auto *loc = static_cast<Locale *>(service_locale);
    Utf16 u;
    *err = loc == nullptr ? kEinval : u.assign32(src, n);
    return *err == 0 ? key_of(loc, u.data(), u.size(), dst, size, err) : 0;
}

// The bound of a sort key (ucol_getBound: bound 0 lower, 1 upper, 2 upper
// long) over its first levels; the bound's length without its final 0.
GLU_EXPORT int glu_mbsSortKeyCollBound(const unsigned char *key, int key_length, int bound, int levels,
                                       unsigned char *dst, int size, int16_t *err)
{
    *err = 0;
    if (key == nullptr || bound < 0 || bound > 2 || levels < 1 || size < 0) {
        *err = kEinval;
        return 0;
    }
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucol_getBound(key, key_length < 0 ? -1 : key_length + 1, static_cast<UColBoundMode>(bound),
                              static_cast<uint32_t>(levels), dst, size, &status);
    if (U_FAILURE(status) && status != U_BUFFER_OVERFLOW_ERROR) {
        *err = kEilseq;
        return 0;
    }
    return n > 0 ? n - 1 : 0;
}

// The bound of the sort key of a multibyte text.
GLU_EXPORT int glu_mbsCollBound(void *service_locale, const unsigned char *src, int n, int bound, int levels,
                                unsigned char *dst, int size, int16_t *err)
{
    int length = glu_mbsxfrm(service_locale, nullptr, 0, src, n, err);
    if (*err != 0)
        return 0;
    auto *key = static_cast<unsigned char *>(allocate(static_cast<std::size_t>(length) + 1));
    if (key == nullptr) {
        *err = kEnomem;
        return 0;
    }
    glu_mbsxfrm(service_locale, key, length + 1, src, n, err);
    int r = *err == 0 ? glu_mbsSortKeyCollBound(key, length, bound, levels, dst, size, err) : 0;
    release(key);
    return r;
}
