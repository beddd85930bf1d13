// Collation by the weights of a COLLATE category: the general multibyte
// routines (strings converted to wide characters), the single-byte routines
// (bytes taken as characters, with the element candidate table), the wide
// forms, sort keys, code-point mode and the forwarding of a category the
// Unicode service serves.
// Exports: _gl_im_mbscoll, _gl_is_mbscoll_exp, _gl_is_mbscoll_elem,
// _gl_is_mbscoll_back, _gl_is_mbscoll_exp_elem, _trw_gl_im_mbfscoll,
// _trw_gl_is_mbfscoll_exp, _trw_gl_is_mbfscoll_elem, _trw_gl_is_mbfscoll_back,
// _trw_gl_is_mbfscoll_exp_elem, gl_full_wcscoll, _trw_gl_full_wcscoll,
// gl_full_mbsxfrm, gl_wcsxfrm, _gl_glu_mbscoll, _trw_gl_glu_mbfscoll,
// _gl_glu_mbsxfrm.
#include "glcoll_int.h"
#include "glcollfast_int.h"

#include <cstdlib>

#include "gl_dl.h"
#include "glu.h"

namespace gls::coll {

int32_t row_of(const gl_locale *loc, uint32_t code)
{
    Probe probe;
    const void *e = _gl_retrieve_wchar_multi_nl(&probe, code, loc->weight_trie);
    if (e == nullptr)
        return -1;
    uint16_t row;
    std::memcpy(&row, e, sizeof row);
    return row <= loc->highest_row ? row : -1;
}

int key_digits(uint64_t max)
{
    constexpr uint64_t kLimits[] = {254, 64516, 16387064, 4162314256ULL};
    int d = 1;
    for (uint64_t limit : kLimits) {
        if (max < limit)
            return d;
        ++d;
    }
    return d;
}

void put_digits(unsigned char *dst, int size, int *count, uint64_t v, int digits)
{
    for (int i = digits - 1; i >= 0; --i) {
        uint64_t p = 1;
        for (int k = 0; k < i; ++k)
            p *= 254;
        if (*count < size)
            dst[*count] = static_cast<unsigned char>((v / p) % 254 + 2);
        ++*count;
    }
}

int code_digits(const gl_locale *loc)
{
    constexpr uint64_t kRanges[] = {0xFF, 0xFFFF, 0xFFFFFF, 0xFFFFFFFF};
    int len = loc->class_trie != nullptr ? _gl_multi_max_length(loc->class_trie) : 1;
    len = len < 1 ? 1 : len > 4 ? 4 : len;
    return key_digits(kRanges[len - 1]);
}

// Single-byte text: the byte count (terminated at a zero byte when n is -1);
// -1 with GL_EILSEQ when a byte is not a character of the code set.
int byte_length(gl_locale *loc, const unsigned char *s, int n)
{
    if (s == nullptr) {
        gls::set_error(loc, GL_ENULLARG);
        return -1;
    }
    int len = n >= 0 ? n : static_cast<int>(std::strlen(reinterpret_cast<const char *>(s)));
    for (int i = 0; i < len; ++i) {
        if (loc->class_map != nullptr && loc->class_map[s[i]] != 0)
            continue;
        Probe probe;
        int k = 0;
        if (loc->class_trie == nullptr ||
            _gl_retrieve_text_multi_limit(s + i, loc->class_trie, 1, &k, &probe) == nullptr) {
            gls::set_error(loc, GL_EILSEQ);
            return -1;
        }
    }
    return len;
}

} // namespace gls::coll

using namespace gls;
using namespace gls::coll;

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

// Counted arguments: both -1 or neither (error 56).
bool mixed_counts(gl_locale *loc, int n1, int n2)
{
    if ((n1 == -1) == (n2 == -1))
        return false;
    set_error(loc, GL_EMIXEDCOUNT);
    return true;
}

// A multibyte string as wide characters: on the stack up to 128, else
// allocated. ok is false with the error number set (1, 2, 3).
class Wide {
public:
    Wide(gl_locale *loc, const unsigned char *s, int bytes) { ok_ = convert(loc, s, bytes); }
    Wide(const Wide &) = delete;
    Wide &operator=(const Wide &) = delete;
    ~Wide()
    {
        if (p_ != stack_)
            _gl_ext_free(p_);
    }
    bool ok() const { return ok_; }
    const gl_wchar_t *get() const { return p_; }
    int size() const { return n_; }

private:
    bool convert(gl_locale *loc, const unsigned char *s, int bytes)
    {
        const char *src = reinterpret_cast<const char *>(s);
        int saved = error_of(loc);
        n_ = _trw_gl_im_mbfstowcfs(loc, stack_, src, bytes, kStack);
        if (n_ == kStack) {
            int all = _trw_gl_im_mbfstowcfs(loc, nullptr, src, bytes, -1);
            if (all > kStack) {
                p_ = static_cast<gl_wchar_t *>(_gl_ext_malloc(sizeof(gl_wchar_t) * (static_cast<size_t>(all) + 1)));
                if (p_ == nullptr) {
                    p_ = stack_;
                    set_error(loc, GL_ENOMEM);
                    return false;
                }
                n_ = _trw_gl_im_mbfstowcfs(loc, p_, src, bytes, all);
            }
        }
        if (n_ >= 0) {
            set_error(loc, saved);
            return true;
        }
        int e = error_of(loc);
        set_error(loc, e == GL_ENULLARG || e == GL_ENOMEM ? e : GL_EILSEQ);
        return false;
    }

    static constexpr int kStack = 128;
    gl_wchar_t stack_[kStack];
    gl_wchar_t *p_ = stack_;
    int n_ = 0;
    bool ok_;
};

bool code_point_mode(const gl_locale *loc) { return loc->coll_mode != 0 || loc->weight_trie == nullptr; }

// Compares two strings of characters (wide values or bytes) by the weights.
template <class C> int weigh(gl_locale *loc, const C *s1, int n1, const C *s2, int n2)
{
    UnitBuffer b1(n1), b2(n2);
    if (b1.get() == nullptr || b2.get() == nullptr) {
        set_error(loc, GL_ENOMEM);
        return 0;
    }
    Units<C> u1(loc, s1, n1, b1.get()), u2(loc, s2, n2, b2.get());
    return compare_units(u1, u2, loc->levels);
}

// Code-value order of two strings of characters; a shorter string is smaller.
template <class C> int by_code(const C *s1, int n1, const C *s2, int n2)
{
    int n = n1 < n2 ? n1 : n2;
    for (int i = 0; i < n; ++i)
        if (s1[i] != s2[i])
            return s1[i] < s2[i] ? -1 : 1;
    return sign(n1 - n2);
}

int wide_compare(gl_locale *loc, const gl_wchar_t *s1, int n1, const gl_wchar_t *s2, int n2)
{
    if (code_point_mode(loc))
        return _trw_gl_wcfscmp(loc, s1, n1, s2, n2);
    int r;
    if (const FastTables *ft = fast_tables(loc); ft != nullptr && fast_wide_compare(loc, ft, s1, n1, s2, n2, &r))
        return r;
    return weigh(loc, s1, n1, s2, n2);
}

int wide_length(const gl_wchar_t *s, int n)
{
    if (n >= 0)
        return n;
    int k = 0;
    while (s[k] != 0)
        ++k;
    return k;
}

int byte_compare(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2)
{
    if (mixed_counts(loc, n1, n2))
        return 0;
    if (!code_point_mode(loc) && loc->class_map != nullptr && s1 != nullptr && s2 != nullptr)
        if (const FastTables *ft = fast_tables(loc); ft != nullptr) {
            // One pass over each text: its length, that every byte is a
            // character, and whether a collating element may start in it.
            bool candidates = false;
            int len[2];
            const unsigned char *text[2] = {s1, s2};
            int count[2] = {n1, n2};
            bool valid = true;
            for (int k = 0; k < 2 && valid; ++k) {
                const unsigned char *t = text[k];
                int i = 0;
                for (; count[k] < 0 || i < count[k]; ++i) {
                    unsigned char b = t[i];
                    if (count[k] < 0 && b == 0)
                        break;
                    if (loc->class_map[b] == 0) {
                        valid = false; // the general path decides, with its error
                        break;
                    }
                    candidates |= ft->elem1[b] != 0;
                }
                len[k] = i;
            }
            int r;
            if (valid && fast_byte_compare(loc, ft, s1, len[0], s2, len[1], candidates, &r))
                return r;
        }
    int saved = error_of(loc);
    int l1 = byte_length(loc, s1, n1);
    int l2 = l1 < 0 ? -1 : byte_length(loc, s2, n2);
    if (l1 < 0 || l2 < 0)
        return 0;
    int r;
    if (code_point_mode(loc)) {
        r = by_code(s1, l1, s2, l2);
    } else {
        const FastTables *ft = fast_tables(loc);
        if (ft == nullptr || !fast_byte_compare(loc, ft, s1, l1, s2, l2, true, &r))
            r = weigh(loc, s1, l1, s2, l2);
    }
    if (error_of(loc) == 0)
        set_error(loc, saved);
    return r;
}

int multibyte_compare(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2)
{
    if (mixed_counts(loc, n1, n2))
        return 0;
    int r;
    if (!code_point_mode(loc))
        if (const FastTables *ft = fast_tables(loc);
            ft != nullptr && fast_multibyte_compare(loc, ft, s1, n1, s2, n2, &r))
            return r;
    Wide w1(loc, s1, n1);
    if (!w1.ok())
        return 0;
    Wide w2(loc, s2, n2);
    if (!w2.ok())
        return 0;
    return wide_compare(loc, w1.get(), w1.size(), w2.get(), w2.size());
}

// Code-point mode key: the multibyte form of the characters.
int text_key(gl_locale *loc, unsigned char *dst, const gl_wchar_t *s, int n, int size)
{
    int count = 0;
    for (int i = 0; i < n; ++i) {
        char bytes[4];
        int k = gl_full_wctomb(loc, bytes, s[i]);
        if (k < 0) {
            set_error(loc, GL_EILSEQ);
            return 0;
        }
        for (int j = 0; j < k; ++j, ++count)
            if (count < size)
                dst[count] = static_cast<unsigned char>(bytes[j]);
    }
    if (count < size)
        dst[count] = 0;
    return count;
}

int wide_key(gl_locale *loc, unsigned char *dst, const gl_wchar_t *s, int n, int size)
{
    if (size < 0 || (dst == nullptr && size > 0))
        size = 0;
    if (code_point_mode(loc))
        return text_key(loc, dst, s, n, size);
    if (const FastTables *ft = fast_tables(loc); ft != nullptr) {
        int k = fast_wide_key(loc, ft, dst, s, n, size);
        if (k >= 0)
            return k;
    }
    UnitBuffer b(n);
    if (b.get() == nullptr) {
        set_error(loc, GL_ENOMEM);
        return 0;
    }
    Units<gl_wchar_t> u(loc, s, n, b.get());
    return key_of_units(u, dst, size);
}

// ---- the Unicode service ---------------------------------------------------------------

typedef int (*glu_mbscoll_fn)(void *service_locale, const unsigned char *s1, int n1, const unsigned char *s2,
                              int n2, int16_t *err);
typedef int (*glu_mbsxfrm_fn)(void *service_locale, unsigned char *dst, int size, const unsigned char *src,
                              int n, int16_t *err);

// The service's result, or the code-value order when it does not answer.
int service_compare(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2)
{
    auto fn = reinterpret_cast<glu_mbscoll_fn>(_gl_glu_entry(GLU_mbscoll));
    void *svc = glx_gluLoc(loc, GL_LC_COLLATE);
    if (fn == nullptr || svc == nullptr)
        return multibyte_compare(loc, s1, n1, s2, n2);
    int16_t err = 0;
    int r = fn(svc, s1, n1, s2, n2, &err);
    if (err != 0) {
        set_error(loc, err > 0 ? err : GL_EILSEQ);
        return 0;
    }
    return sign(r);
}

} // namespace

extern "C" {

// ---- general routines --------------------------------------------------------------------

int _gl_im_mbscoll(gl_locale *loc, const unsigned char *s1, const unsigned char *s2)
{
    return multibyte_compare(loc, s1, -1, s2, -1);
}

int _trw_gl_im_mbfscoll(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2)
{
    return multibyte_compare(loc, s1, n1, s2, n2);
}

int _trw_gl_full_wcscoll(gl_locale *loc, const gl_wchar_t *s1, int n1, const gl_wchar_t *s2, int n2)
{
    if (mixed_counts(loc, n1, n2))
        return 0;
    if (s1 == nullptr || s2 == nullptr) {
        set_error(loc, GL_ENULLARG);
        return 0;
    }
    return wide_compare(loc, s1, wide_length(s1, n1), s2, wide_length(s2, n2));
}

int gl_full_wcscoll(gl_locale *loc, const gl_wchar_t *s1, const gl_wchar_t *s2)
{
    return _trw_gl_full_wcscoll(loc, s1, -1, s2, -1);
}

int gl_wcsxfrm(gl_locale *loc, unsigned char *dst, const gl_wchar_t *src, int n)
{
    if (src == nullptr) {
        set_error(loc, GL_ENULLARG);
        return 0;
    }
    return wide_key(loc, dst, src, wide_length(src, -1), n);
}

int gl_full_mbsxfrm(gl_locale *loc, unsigned char *dst, const unsigned char *src, int n)
{
    if (!code_point_mode(loc))
        if (const FastTables *ft = fast_tables(loc); ft != nullptr) {
            int size = n < 0 || (dst == nullptr && n > 0) ? 0 : n;
            int k = fast_multibyte_key(loc, ft, dst, src, size);
            if (k >= 0)
                return k;
        }
    Wide w(loc, src, -1);
    if (!w.ok())
        return 0;
    return wide_key(loc, dst, w.get(), w.size(), n);
}

// ---- single-byte routines ----------------------------------------------------------------
// One engine serves the four: expansions are met through their weights, and
// element matching is tried only where the candidate table marks a byte.

int _gl_is_mbscoll_exp(gl_locale *loc, const unsigned char *s1, const unsigned char *s2)
{
    return byte_compare(loc, s1, -1, s2, -1);
}
int _gl_is_mbscoll_elem(gl_locale *loc, const unsigned char *s1, const unsigned char *s2)
{
    return byte_compare(loc, s1, -1, s2, -1);
}
int _gl_is_mbscoll_back(gl_locale *loc, const unsigned char *s1, const unsigned char *s2)
{
    return byte_compare(loc, s1, -1, s2, -1);
}
int _gl_is_mbscoll_exp_elem(gl_locale *loc, const unsigned char *s1, const unsigned char *s2)
{
    return byte_compare(loc, s1, -1, s2, -1);
}
int _trw_gl_is_mbfscoll_exp(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2)
{
    return byte_compare(loc, s1, n1, s2, n2);
}
int _trw_gl_is_mbfscoll_elem(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2)
{
    return byte_compare(loc, s1, n1, s2, n2);
}
int _trw_gl_is_mbfscoll_back(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2)
{
    return byte_compare(loc, s1, n1, s2, n2);
}
int _trw_gl_is_mbfscoll_exp_elem(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                                 int n2)
{
    return byte_compare(loc, s1, n1, s2, n2);
}

// ---- the Unicode service's routines (collation kind 3) -----------------------------------

int _gl_glu_mbscoll(gl_locale *loc, const unsigned char *s1, const unsigned char *s2)
{
    return service_compare(loc, s1, -1, s2, -1);
}

int _trw_gl_glu_mbfscoll(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2)
{
    if (mixed_counts(loc, n1, n2))
        return 0;
    return service_compare(loc, s1, n1, s2, n2);
}

int _gl_glu_mbsxfrm(gl_locale *loc, unsigned char *dst, const unsigned char *src, int n)
{
    auto fn = reinterpret_cast<glu_mbsxfrm_fn>(_gl_glu_entry(GLU_mbsxfrm));
    void *svc = glx_gluLoc(loc, GL_LC_COLLATE);
    if (fn == nullptr || svc == nullptr)
        return gl_full_mbsxfrm(loc, dst, src, n);
    int16_t err = 0;
    int r = fn(svc, dst, n, src, -1, &err);
    if (err != 0 || r < 0) {
        set_error(loc, err > 0 ? err : GL_EILSEQ);
        return 0;
    }
    return r;
}

} // extern "C"
