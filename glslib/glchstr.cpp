// String level of the locale library on multibyte and wide strings: copy and
// append (whole or n characters), search for a character, a set or a
// substring, lengths in characters and bytes, trailing-blank lengths and
// truncation, display widths, multibyte <-> wide conversion, characters by
// index and their replacement, and comparison by wide value. Each algorithm
// is written once over a cursor (glchar_int.h) that walks terminated or
// counted strings of either kind.
#include <cstring>
#include <type_traits>

#include "glchar_int.h"

using namespace gls::ch;

namespace {

template <typename T>
bool null_arg(gl_locale *loc, const T *p)
{
    if (p != nullptr)
        return false;
    fail(loc, GL_ENULLARG);
    return true;
}

// Bytes of the whole characters of a multibyte string (terminator
// excluded) and, in term, the terminator's length (0 for a counted string).
int measure(gl_locale *loc, const char *s, int len, int *term)
{
    MbCursor cur(loc, s, len);
    int r;
    while ((r = cur.next()) > 0) {
    }
    if (r < 0)
        return -1;
    if (term != nullptr)
        *term = len < 0 ? cur.c.len : 0;
    return static_cast<int>(cur.at() - s);
}

int wide_length(const gl_wchar_t *s, int len)
{
    if (len >= 0)
        return len;
    int n = 0;
    while (s[n] != 0)
        ++n;
    return n;
}

// Appends the characters of src (at most max of them; max < 0: all) at
// dst and the terminator. dst, or null.
char *put_chars(gl_locale *loc, char *dst, const char *src, int srclen, int max)
{
    MbCursor cur(loc, src, srclen);
    int r = 0;
    for (int n = 0; max < 0 || n < max; ++n)
        if ((r = cur.next()) <= 0)
            break;
    if (r < 0)
        return nullptr;
    auto bytes = static_cast<size_t>(cur.at() - src);
    std::memmove(dst, src, bytes);
    gl_mbsterm(loc, dst + bytes);
    return dst;
}

// Copies up to n characters and pads with terminators up to n characters.
char *copy_n(gl_locale *loc, char *dst, const char *src, int srclen, int n)
{
    if (null_arg(loc, dst) || null_arg(loc, src))
        return nullptr;
    if (n < 0) {
        fail(loc, GL_ENEGINDEX);
        return nullptr;
    }
    MbCursor cur(loc, src, srclen);
    int copied = 0, r = 0;
    while (copied < n && (r = cur.next()) > 0)
        ++copied;
    if (r < 0)
        return nullptr;
    auto bytes = static_cast<size_t>(cur.at() - src);
    std::memmove(dst, src, bytes);
    for (char *p = dst + bytes; copied < n; ++copied)
        p += gl_mbsterm(loc, p);
    return dst;
}

gl_wchar_t *copy_wide(gl_wchar_t *dst, const gl_wchar_t *src, int srclen, int max, bool pad)
{
    int n = wide_length(src, srclen);
    int k = max >= 0 && max < n ? max : n;
    std::memmove(dst, src, static_cast<size_t>(k) * sizeof *dst);
    if (!pad)
        dst[k] = 0;
    for (; pad && k < max; ++k)
        dst[k] = 0;
    return dst;
}

// ---- search ----

template <typename Cursor, typename Ptr>
Ptr find_char(gl_locale *loc, Cursor cur, gl_wchar_t wc, bool last)
{
    Ptr found = nullptr;
    int r;
    for (;;) {
        auto *at = cur.p;
        if ((r = cur.next()) <= 0)
            break;
        if (cur.c.wc == wc) {
            found = const_cast<Ptr>(reinterpret_cast<const std::remove_pointer_t<Ptr> *>(at));
            if (!last)
                return found;
        }
    }
    if (r < 0)
        return nullptr;
    if (wc == 0 && cur.end == nullptr)
        return const_cast<Ptr>(reinterpret_cast<const std::remove_pointer_t<Ptr> *>(cur.p));
    if (found == nullptr)
        fail(loc, 0);
    return found;
}

// Whether wc is a character of set: 1, 0, or -1 on an invalid set.
template <typename Cursor>
int in_set(Cursor set, gl_wchar_t wc)
{
    int r;
    while ((r = set.next()) > 0)
        if (set.c.wc == wc)
            return 1;
    return r;
}

// Walks s while its characters are (want 1) or are not (want 0) in set.
// Characters passed, or -1; stop receives where the walk stopped.
template <typename Cursor>
int span(Cursor cur, const Cursor &set, int want, decltype(Cursor::p) *stop)
{
    int n = 0, r;
    while ((r = cur.peek()) > 0) {
        int in = in_set(set, cur.c.wc);
        if (in < 0)
            return -1;
        if (in != want)
            break;
        cur.skip();
        ++n;
    }
    if (r < 0)
        return -1;
    if (stop != nullptr)
        *stop = r > 0 ? cur.p : nullptr;
    return n;
}

template <typename Cursor, typename Ptr>
Ptr first_of(gl_locale *loc, Cursor cur, const Cursor &set)
{
    decltype(Cursor::p) stop = nullptr;
    if (span(cur, set, 0, &stop) < 0)
        return nullptr;
    if (stop == nullptr)
        fail(loc, 0);
    return const_cast<Ptr>(reinterpret_cast<const std::remove_pointer_t<Ptr> *>(stop));
}

template <typename Cursor, typename Ptr>
Ptr find_sub(gl_locale *loc, Cursor cur, Cursor sub)
{
    Cursor check = sub;
    int r;
    while ((r = check.next()) > 0) {
    }
    if (r < 0)
        return nullptr;
    for (;;) {
        Cursor a = cur, b = sub;
        int ra = 1, rb;
        while ((rb = b.peek()) > 0 && (ra = a.peek()) > 0 && a.c.wc == b.c.wc) {
            a.skip();
            b.skip();
        }
        if (rb == 0)
            return const_cast<Ptr>(reinterpret_cast<const std::remove_pointer_t<Ptr> *>(cur.p));
        if (ra < 0 || (r = cur.next()) < 0)
            return nullptr;
        if (r == 0) {
            fail(loc, 0);
            return nullptr;
        }
    }
}

// ---- lengths ----

template <typename Cursor>
int count_chars(Cursor cur)
{
    int n = 0, r;
    while ((r = cur.next()) > 0)
        ++n;
    return r < 0 ? -1 : n;
}

// Length without the final run of trailing characters: characters or
// units (bytes, wide characters) before the run. run_start receives its
// start (null when there is none).
template <typename Cursor, typename Pred>
int nts_length(Cursor cur, Pred trailing, bool in_chars, decltype(Cursor::p) *run_start)
{
    auto *start = cur.p;
    decltype(Cursor::p) run = nullptr;
    int chars = 0, run_chars = 0, r;
    while ((r = cur.peek()) > 0) {
        int t = trailing(cur.c);
        if (t < 0)
            return -1;
        if (t == 0)
            run = nullptr;
        else if (run == nullptr) {
            run = cur.p;
            run_chars = chars;
        }
        cur.skip();
        ++chars;
    }
    if (r < 0)
        return -1;
    if (run_start != nullptr)
        *run_start = run;
    if (in_chars)
        return run != nullptr ? run_chars : chars;
    return static_cast<int>((run != nullptr ? run : cur.p) - start);
}

int mb_trailing(const Char &c)
{
    return (c.mask & GL_CLASS_BLANK) != 0 && (c.mask & GL_CLASS_CNTRL) == 0;
}

struct WideTrailing {
    gl_locale *loc;
    int operator()(const Char &c) const
    {
        uint16_t mask;
        if (!class_of(loc, c.wc, mask))
            return -1;
        return (mask & GL_CLASS_SPACE) != 0 && (mask & GL_CLASS_CNTRL) == 0;
    }
};

int mb_nts(gl_locale *loc, const char *s, int len, bool in_chars)
{
    if (null_arg(loc, s))
        return -1;
    return nts_length(MbCursor(loc, s, len), mb_trailing, in_chars, nullptr);
}

// ---- width ----

template <typename Cursor>
int width_sum(gl_locale *loc, Cursor cur, int n, decltype(Cursor::p) end)
{
    int total = 0, r = 0;
    for (int k = 0; (n < 0 || k < n) && (end == nullptr || cur.p < end); ++k) {
        if ((r = cur.next()) <= 0)
            break;
        uint16_t mask = cur.c.mask;
        if (sizeof(*cur.p) != 1 && !class_of(loc, cur.c.wc, mask))
            return -1;
        int w = width_of(loc, mask);
        if (w < 0)
            return -1;
        total += w;
    }
    return r < 0 ? -1 : total;
}

// ---- conversion ----

// Multibyte to wide, shared by the terminated and counted forms. Lead bytes
// that are whole characters by themselves are remembered for the call, so
// that long runs of them cost one table read each.
int to_wide(gl_locale *loc, gl_wchar_t *dst, const char *src, int bytes, int max)
{
    if (null_arg(loc, src))
        return -1;
    if (bytes < -1) {
        fail(loc, GL_EBADARG);
        return -1;
    }
    const auto *p = reinterpret_cast<const unsigned char *>(src);
    const unsigned char *end = bytes >= 0 ? p + bytes : nullptr;
    int n = 0;
    // The run the trie takes in one walk; the loop below goes on from
    // where it stopped (the end, the terminator, or a character to fail on).
    if (reads_trie(loc))
        n = fast_walk_string(loc->class_trie, p, end, max, dst, &p);
    unsigned char single[256] = {}; // 0 unknown, 1 whole character, 2 longer
    bool terminated = bytes < 0;
    bool one_byte_term = min_len(loc) == 1;
    while (max < 0 || n < max) {
        if (end != nullptr && p >= end)
            return n;
        unsigned char b = *p;
        if (single[b] == 1 && !(terminated && b == 0)) {
            if (dst != nullptr)
                dst[n] = b;
            ++p;
            ++n;
            continue;
        }
        Char c;
        if (!decode(loc, p, end != nullptr ? static_cast<int>(end - p) : -1, c))
            return -1;
        if (single[b] == 0 && one_byte_term)
            single[b] = c.len == 1 ? 1 : 2;
        if (terminated && c.wc == 0) {
            if (dst != nullptr)
                dst[n] = 0;
            return n;
        }
        if (dst != nullptr)
            dst[n] = c.wc;
        p += c.len;
        ++n;
    }
    return n;
}

int to_multibyte(gl_locale *loc, char *dst, const gl_wchar_t *src, int count, int size)
{
    if (null_arg(loc, src))
        return -1;
    int n = count;
    int out = 0, i = 0;
    // The run the trie takes in one walk (a terminated string measured on
    // the way); the loop goes on from there.
    if (reads_trie(loc))
        i = fast_walk_wide(loc->class_trie, src, count, reinterpret_cast<unsigned char *>(dst), size, &out);
    if (n < 0)
        n = i + wide_length(src + i, -1);
    unsigned char buf[4];
    for (; i < n; ++i) {
        int k = encode(loc, src[i], buf);
        if (k < 0)
            return -1;
        if (size >= 0 && out + k > size)
            return out;
        if (dst != nullptr)
            std::memcpy(dst + out, buf, static_cast<size_t>(k));
        out += k;
    }
    int term = min_len(loc);
    if (count < 0 && (size < 0 || out + term <= size) && dst != nullptr)
        std::memset(dst + out, 0, static_cast<size_t>(term));
    return out;
}

// ---- comparison ----

template <typename Cursor>
int compare(Cursor a, Cursor b, int n)
{
    for (int k = 0; n < 0 || k < n; ++k) {
        int ra = a.peek(), rb = b.peek();
        if (ra < 0 || rb < 0) // invalid input: order by the failing side
            return (ra < 0 ? 1 : 0) - (rb < 0 ? 1 : 0);
        if (ra == 0 || rb == 0)
            return ra - rb;
        if (a.c.wc != b.c.wc)
            return a.c.wc < b.c.wc ? -1 : 1;
        a.skip();
        b.skip();
    }
    return 0;
}

char *char_at(gl_locale *loc, const char *s, int i, bool stop_at_term)
{
    if (null_arg(loc, s))
        return nullptr;
    if (i < 0) {
        fail(loc, GL_ENEGINDEX);
        return nullptr;
    }
    MbCursor cur(loc, s, -1);
    for (int k = 0; k < i; ++k) {
        int r = cur.peek();
        if (r < 0)
            return nullptr;
        if (r == 0 && stop_at_term) {
            fail(loc, 0);
            return nullptr;
        }
        cur.skip();
    }
    if (stop_at_term) {
        int r = cur.peek();
        if (r <= 0) {
            if (r == 0)
                fail(loc, 0);
            return nullptr;
        }
    }
    return const_cast<char *>(cur.at());
}

} // namespace

// ---- copy and append ----

extern "C" char *gl_full_mbscpy(gl_locale *loc, char *dst, const char *src)
{
    return _trw_gl_mbscpy(loc, dst, src, -1);
}

extern "C" char *_trw_gl_mbscpy(gl_locale *loc, char *dst, const char *src, int srclen)
{
    if (null_arg(loc, dst) || null_arg(loc, src))
        return nullptr;
    return put_chars(loc, dst, src, srclen, -1);
}

extern "C" gl_wchar_t *gl_wcscpy(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src)
{
    return _trw_gl_wcscpy(loc, dst, src, -1);
}

extern "C" gl_wchar_t *_trw_gl_wcscpy(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int srclen)
{
    if (null_arg(loc, dst) || null_arg(loc, src))
        return nullptr;
    return copy_wide(dst, src, srclen, -1, false);
}

extern "C" char *gl_mbsncpy(gl_locale *loc, char *dst, const char *src, int n)
{
    return copy_n(loc, dst, src, -1, n);
}

extern "C" char *_trw_gl_mbsncpy(gl_locale *loc, char *dst, const char *src, int srclen, int n)
{
    return copy_n(loc, dst, src, srclen, n);
}

extern "C" gl_wchar_t *gl_wcsncpy(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int n)
{
    return _trw_gl_wcsncpy(loc, dst, src, -1, n);
}

extern "C" gl_wchar_t *_trw_gl_wcsncpy(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int srclen,
                                       int n)
{
    if (null_arg(loc, dst) || null_arg(loc, src))
        return nullptr;
    if (n < 0) {
        fail(loc, GL_ENEGINDEX);
        return nullptr;
    }
    return copy_wide(dst, src, srclen, n, true);
}

static char *append(gl_locale *loc, char *dst, const char *src, int srclen, int n)
{
    if (null_arg(loc, dst) || null_arg(loc, src))
        return nullptr;
    if (n < -1) {
        fail(loc, GL_ENEGINDEX);
        return nullptr;
    }
    int end = measure(loc, dst, -1, nullptr);
    if (end < 0 || put_chars(loc, dst + end, src, srclen, n) == nullptr)
        return nullptr;
    return dst;
}

static gl_wchar_t *append_wide(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int srclen, int n)
{
    if (null_arg(loc, dst) || null_arg(loc, src))
        return nullptr;
    copy_wide(dst + wide_length(dst, -1), src, srclen, n, false);
    return dst;
}

extern "C" char *gl_full_mbscat(gl_locale *loc, char *dst, const char *src)
{
    return append(loc, dst, src, -1, -1);
}
extern "C" char *_trw_gl_mbscat(gl_locale *loc, char *dst, const char *src, int srclen)
{
    return append(loc, dst, src, srclen, -1);
}
extern "C" char *gl_mbsncat(gl_locale *loc, char *dst, const char *src, int n)
{
    return n < 0 ? (fail(loc, GL_ENEGINDEX), nullptr) : append(loc, dst, src, -1, n);
}
extern "C" char *_trw_gl_mbsncat(gl_locale *loc, char *dst, const char *src, int srclen, int n)
{
    return n < 0 ? (fail(loc, GL_ENEGINDEX), nullptr) : append(loc, dst, src, srclen, n);
}
extern "C" gl_wchar_t *gl_wcscat(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src)
{
    return append_wide(loc, dst, src, -1, -1);
}
extern "C" gl_wchar_t *_trw_gl_wcscat(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int srclen)
{
    return append_wide(loc, dst, src, srclen, -1);
}
extern "C" gl_wchar_t *gl_wcsncat(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int n)
{
    return n < 0 ? (fail(loc, GL_ENEGINDEX), nullptr) : append_wide(loc, dst, src, -1, n);
}
extern "C" gl_wchar_t *_trw_gl_wcsncat(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int srclen,
                                       int n)
{
    return n < 0 ? (fail(loc, GL_ENEGINDEX), nullptr) : append_wide(loc, dst, src, srclen, n);
}

// ---- search ----

#define TRW_MB(s, len) MbCursor(loc, s, len)
#define TRW_WC(s, len) WcCursor(loc, s, len)

extern "C" char *_trw_gl_mbschr(gl_locale *loc, const char *s, int len, gl_wchar_t wc)
{
    return null_arg(loc, s) ? nullptr : find_char<MbCursor, char *>(loc, TRW_MB(s, len), wc, false);
}
extern "C" char *gl_full_mbschr(gl_locale *loc, const char *s, gl_wchar_t wc)
{
    return _trw_gl_mbschr(loc, s, -1, wc);
}
extern "C" char *_trw_gl_mbsrchr(gl_locale *loc, const char *s, int len, gl_wchar_t wc)
{
    return null_arg(loc, s) ? nullptr : find_char<MbCursor, char *>(loc, TRW_MB(s, len), wc, true);
}
extern "C" char *gl_full_mbsrchr(gl_locale *loc, const char *s, gl_wchar_t wc)
{
    return _trw_gl_mbsrchr(loc, s, -1, wc);
}
extern "C" gl_wchar_t *_trw_gl_wcschr(gl_locale *loc, const gl_wchar_t *s, int len, gl_wchar_t wc)
{
    return null_arg(loc, s) ? nullptr : find_char<WcCursor, gl_wchar_t *>(loc, TRW_WC(s, len), wc, false);
}
extern "C" gl_wchar_t *gl_wcschr(gl_locale *loc, const gl_wchar_t *s, gl_wchar_t wc)
{
    return _trw_gl_wcschr(loc, s, -1, wc);
}
extern "C" gl_wchar_t *_trw_gl_wcsrchr(gl_locale *loc, const gl_wchar_t *s, int len, gl_wchar_t wc)
{
    return null_arg(loc, s) ? nullptr : find_char<WcCursor, gl_wchar_t *>(loc, TRW_WC(s, len), wc, true);
}
extern "C" gl_wchar_t *gl_wcsrchr(gl_locale *loc, const gl_wchar_t *s, gl_wchar_t wc)
{
    return _trw_gl_wcsrchr(loc, s, -1, wc);
}

extern "C" int _trw_gl_mbsspn(gl_locale *loc, const char *s, int len, const char *set, int setlen)
{
    return null_arg(loc, s) || null_arg(loc, set) ? -1 : span(TRW_MB(s, len), TRW_MB(set, setlen), 1, nullptr);
}
extern "C" int _trw_gl_mbscspn(gl_locale *loc, const char *s, int len, const char *set, int setlen)
{
    return null_arg(loc, s) || null_arg(loc, set) ? -1 : span(TRW_MB(s, len), TRW_MB(set, setlen), 0, nullptr);
}
extern "C" int gl_full_mbsspn(gl_locale *loc, const char *s, const char *set)
{
    return _trw_gl_mbsspn(loc, s, -1, set, -1);
}
extern "C" int gl_full_mbscspn(gl_locale *loc, const char *s, const char *set)
{
    return _trw_gl_mbscspn(loc, s, -1, set, -1);
}
extern "C" int _trw_gl_wcsspn(gl_locale *loc, const gl_wchar_t *s, int len, const gl_wchar_t *set, int setlen)
{
    return null_arg(loc, s) || null_arg(loc, set) ? -1 : span(TRW_WC(s, len), TRW_WC(set, setlen), 1, nullptr);
}
extern "C" int _trw_gl_wcscspn(gl_locale *loc, const gl_wchar_t *s, int len, const gl_wchar_t *set, int setlen)
{
    return null_arg(loc, s) || null_arg(loc, set) ? -1 : span(TRW_WC(s, len), TRW_WC(set, setlen), 0, nullptr);
}
extern "C" int gl_wcsspn(gl_locale *loc, const gl_wchar_t *s, const gl_wchar_t *set)
{
    return _trw_gl_wcsspn(loc, s, -1, set, -1);
}
extern "C" int gl_wcscspn(gl_locale *loc, const gl_wchar_t *s, const gl_wchar_t *set)
{
    return _trw_gl_wcscspn(loc, s, -1, set, -1);
}

extern "C" char *_trw_gl_mbspbrk(gl_locale *loc, const char *s, int len, const char *set, int setlen)
{
    if (null_arg(loc, s) || null_arg(loc, set))
        return nullptr;
    return first_of<MbCursor, char *>(loc, TRW_MB(s, len), TRW_MB(set, setlen));
}
extern "C" char *gl_full_mbspbrk(gl_locale *loc, const char *s, const char *set)
{
    return _trw_gl_mbspbrk(loc, s, -1, set, -1);
}
extern "C" gl_wchar_t *_trw_gl_wcspbrk(gl_locale *loc, const gl_wchar_t *s, int len, const gl_wchar_t *set,
                                       int setlen)
{
    if (null_arg(loc, s) || null_arg(loc, set))
        return nullptr;
    return first_of<WcCursor, gl_wchar_t *>(loc, TRW_WC(s, len), TRW_WC(set, setlen));
}
extern "C" gl_wchar_t *gl_wcspbrk(gl_locale *loc, const gl_wchar_t *s, const gl_wchar_t *set)
{
    return _trw_gl_wcspbrk(loc, s, -1, set, -1);
}

extern "C" char *_trw_gl_mbsmbs(gl_locale *loc, const char *s, int len, const char *sub, int sublen)
{
    if (null_arg(loc, s) || null_arg(loc, sub))
        return nullptr;
    return find_sub<MbCursor, char *>(loc, TRW_MB(s, len), TRW_MB(sub, sublen));
}
extern "C" char *gl_full_mbsmbs(gl_locale *loc, const char *s, const char *sub)
{
    return _trw_gl_mbsmbs(loc, s, -1, sub, -1);
}
extern "C" gl_wchar_t *_trw_gl_wcswcs(gl_locale *loc, const gl_wchar_t *s, int len, const gl_wchar_t *sub,
                                      int sublen)
{
    if (null_arg(loc, s) || null_arg(loc, sub))
        return nullptr;
    return find_sub<WcCursor, gl_wchar_t *>(loc, TRW_WC(s, len), TRW_WC(sub, sublen));
}
extern "C" gl_wchar_t *gl_wcswcs(gl_locale *loc, const gl_wchar_t *s, const gl_wchar_t *sub)
{
    return _trw_gl_wcswcs(loc, s, -1, sub, -1);
}

// ---- lengths ----

extern "C" int _trw_gl_im_mbfslen(gl_locale *loc, const char *s, int len)
{
    return null_arg(loc, s) ? -1 : to_wide(loc, nullptr, s, len, -1);
}
extern "C" int _gl_im_mbslen(gl_locale *loc, const char *s) { return _trw_gl_im_mbfslen(loc, s, -1); }
extern "C" int _gl_is_mbslen(gl_locale *loc, const char *s)
{
    return null_arg(loc, s) ? -1 : static_cast<int>(std::strlen(s));
}
extern "C" int gl_mbslen(gl_locale *loc, const char *s)
{
    return loc != nullptr && loc->single_byte ? _gl_is_mbslen(loc, s) : _gl_im_mbslen(loc, s);
}
extern "C" int gl_wcslen(gl_locale *loc, const gl_wchar_t *s)
{
    return null_arg(loc, s) ? -1 : wide_length(s, -1);
}

extern "C" int gl_mbsbytes_nt(gl_locale *loc, const char *s)
{
    return null_arg(loc, s) ? -1 : measure(loc, s, -1, nullptr);
}
extern "C" int gl_mbsbytes(gl_locale *loc, const char *s)
{
    int term = 0;
    int n = null_arg(loc, s) ? -1 : measure(loc, s, -1, &term);
    return n < 0 ? -1 : n + term;
}
extern "C" int gl_wcsbytes(gl_locale *loc, const gl_wchar_t *s)
{
    return null_arg(loc, s) ? -1 : 4 * (wide_length(s, -1) + 1);
}

extern "C" int gl_mbsntslen(gl_locale *loc, const char *s) { return mb_nts(loc, s, -1, true); }
extern "C" int gl_mbsntsbytes(gl_locale *loc, const char *s) { return mb_nts(loc, s, -1, false); }
extern "C" int _trw_gl_mbsntslen(gl_locale *loc, const char *s, int len) { return mb_nts(loc, s, len, true); }
extern "C" int _trw_gl_mbsntsbytes(gl_locale *loc, const char *s, int len) { return mb_nts(loc, s, len, false); }
extern "C" int _trw_gl_wcsntslen(gl_locale *loc, const gl_wchar_t *s, int len)
{
    return null_arg(loc, s) ? -1 : nts_length(TRW_WC(s, len), WideTrailing{loc}, true, nullptr);
}
extern "C" int gl_wcsntslen(gl_locale *loc, const gl_wchar_t *s) { return _trw_gl_wcsntslen(loc, s, -1); }

extern "C" char *gl_mbsp(gl_locale *loc, const char *s)
{
    if (null_arg(loc, s))
        return nullptr;
    const unsigned char *run = nullptr;
    if (nts_length(TRW_MB(s, -1), mb_trailing, true, &run) < 0)
        return nullptr;
    if (run == nullptr)
        fail(loc, 0);
    return reinterpret_cast<char *>(const_cast<unsigned char *>(run));
}
extern "C" char *gl_mbsntstrunc(gl_locale *loc, char *s)
{
    if (null_arg(loc, s))
        return nullptr;
    const unsigned char *run = nullptr;
    if (nts_length(TRW_MB(s, -1), mb_trailing, true, &run) < 0)
        return nullptr;
    if (run != nullptr)
        gl_mbsterm(loc, s + (reinterpret_cast<const char *>(run) - s));
    return s;
}
extern "C" gl_wchar_t *gl_wcsntstrunc(gl_locale *loc, gl_wchar_t *s)
{
    if (null_arg(loc, s))
        return nullptr;
    int n = nts_length(TRW_WC(s, -1), WideTrailing{loc}, true, nullptr);
    if (n < 0)
        return nullptr;
    s[n] = 0;
    return s;
}

// ---- width ----

extern "C" int gl_mbswidth(gl_locale *loc, const char *s, int n)
{
    if (null_arg(loc, s))
        return -1;
    if (n < 0) {
        fail(loc, GL_ENEGINDEX);
        return -1;
    }
    return width_sum(loc, TRW_MB(s, -1), n, nullptr);
}
extern "C" int gl_mbspwidth(gl_locale *loc, const char *s, const char *end)
{
    if (null_arg(loc, s) || null_arg(loc, end))
        return -1;
    if (end < s) {
        fail(loc, GL_EBADSTART);
        return -1;
    }
    return width_sum(loc, TRW_MB(s, -1), -1, reinterpret_cast<const unsigned char *>(end));
}
extern "C" int gl_wcswidth(gl_locale *loc, const gl_wchar_t *s, int n)
{
    if (null_arg(loc, s))
        return -1;
    if (n < 0) {
        fail(loc, GL_ENEGINDEX);
        return -1;
    }
    return width_sum(loc, TRW_WC(s, -1), n, nullptr);
}
extern "C" int gl_wcspwidth(gl_locale *loc, const gl_wchar_t *s, const gl_wchar_t *end)
{
    if (null_arg(loc, s) || null_arg(loc, end))
        return -1;
    if (end < s) {
        fail(loc, GL_EBADSTART);
        return -1;
    }
    return width_sum(loc, TRW_WC(s, -1), -1, end);
}

// ---- conversion ----

extern "C" int _trw_gl_im_mbfstowcfs(gl_locale *loc, gl_wchar_t *dst, const char *src, int bytes, int max)
{
    return to_wide(loc, dst, src, bytes, max);
}
extern "C" int _gl_im_mbstowcs(gl_locale *loc, gl_wchar_t *dst, const char *src, int max)
{
    return to_wide(loc, dst, src, -1, max);
}
extern "C" int _gl_is_mbstowcs(gl_locale *loc, gl_wchar_t *dst, const char *src, int max)
{
    if (null_arg(loc, src))
        return -1;
    const auto *p = reinterpret_cast<const unsigned char *>(src);
    int n = 0;
    for (; (max < 0 || n < max) && p[n] != 0; ++n)
        if (dst != nullptr)
            dst[n] = p[n];
    if (dst != nullptr && (max < 0 || n < max))
        dst[n] = 0;
    return n;
}
extern "C" int gl_mbstowcs(gl_locale *loc, gl_wchar_t *dst, const char *src, int max)
{
    return loc != nullptr && loc->single_byte ? _gl_is_mbstowcs(loc, dst, src, max)
                                              : _gl_im_mbstowcs(loc, dst, src, max);
}
extern "C" int gl_mbstowcslen(gl_locale *loc, const char *src) { return to_wide(loc, nullptr, src, -1, -1); }

extern "C" int _trw_gl_full_wcstombs(gl_locale *loc, char *dst, const gl_wchar_t *src, int count, int size)
{
    return to_multibyte(loc, dst, src, count, size);
}
extern "C" int gl_full_wcstombs(gl_locale *loc, char *dst, const gl_wchar_t *src, int size)
{
    return to_multibyte(loc, dst, src, -1, size);
}

// ---- characters by index ----

extern "C" char *gl_full_getmbsi(gl_locale *loc, const char *s, int i) { return char_at(loc, s, i, false); }
extern "C" char *gl_getmbsinull(gl_locale *loc, const char *s, int i) { return char_at(loc, s, i, true); }

extern "C" char *gl_mbcreplace(gl_locale *loc, char *dst, const char *src)
{
    if (null_arg(loc, dst) || null_arg(loc, src))
        return nullptr;
    Char old_c, new_c;
    const auto *d = reinterpret_cast<const unsigned char *>(dst);
    if (!decode(loc, d, -1, old_c) || !decode(loc, reinterpret_cast<const unsigned char *>(src), -1, new_c))
        return nullptr;
    int term = 0;
    int rest = measure(loc, dst + old_c.len, -1, &term);
    if (rest < 0)
        return nullptr;
    gls::HookBuffer tail(static_cast<size_t>(rest + term + 4));
    if (!tail) {
        fail(loc, GL_ENOMEM);
        return nullptr;
    }
    std::memcpy(tail.get(), dst + old_c.len, static_cast<size_t>(rest + term));
    std::memmove(dst, src, static_cast<size_t>(new_c.len));
    std::memcpy(dst + new_c.len, tail.get(), static_cast<size_t>(rest + term));
    return dst;
}

extern "C" char *gl_full_putmbsi(gl_locale *loc, char *s, int i, const char *src)
{
    char *at = gl_getmbsinull(loc, s, i);
    if (at == nullptr) {
        if (s != nullptr && i >= 0 && gls::error_of(loc) == 0)
            fail(loc, GL_ENEGINDEX);
        return nullptr;
    }
    return gl_mbcreplace(loc, at, src) != nullptr ? s : nullptr;
}

// ---- comparison ----

extern "C" int _trw_gl_mbscmp(gl_locale *loc, const char *s1, int n1, const char *s2, int n2)
{
    if (null_arg(loc, s1) || null_arg(loc, s2))
        return 0;
    return compare(TRW_MB(s1, n1), TRW_MB(s2, n2), -1);
}
extern "C" int gl_full_mbscmp(gl_locale *loc, const char *s1, const char *s2)
{
    return _trw_gl_mbscmp(loc, s1, -1, s2, -1);
}
extern "C" int gl_full_mbsncmp(gl_locale *loc, const char *s1, const char *s2, int n)
{
    if (null_arg(loc, s1) || null_arg(loc, s2))
        return 0;
    return compare(TRW_MB(s1, -1), TRW_MB(s2, -1), n < 0 ? 0 : n);
}
extern "C" int _trw_gl_wcfscmp(gl_locale *loc, const gl_wchar_t *s1, int n1, const gl_wchar_t *s2, int n2)
{
    if (null_arg(loc, s1) || null_arg(loc, s2))
        return 0;
    return compare(TRW_WC(s1, n1), TRW_WC(s2, n2), -1);
}
extern "C" int gl_wcscmp(gl_locale *loc, const gl_wchar_t *s1, const gl_wchar_t *s2)
{
    return _trw_gl_wcfscmp(loc, s1, -1, s2, -1);
}
extern "C" int gl_wcsncmp(gl_locale *loc, const gl_wchar_t *s1, const gl_wchar_t *s2, int n)
{
    if (null_arg(loc, s1) || null_arg(loc, s2))
        return 0;
    return compare(TRW_WC(s1, -1), TRW_WC(s2, -1), n < 0 ? 0 : n);
}
