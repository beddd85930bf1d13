// Collation fast paths: the per-category tables (rows of the one- and
// two-byte codes, which byte sequences are characters, which codes start a
// collating element), kept in a process-wide list keyed by the tries they
// were built from and dropped when the loader frees those; and the level
// compares and sort keys over them, streaming each level's weights so a
// compare stops at the first difference.
#include "glcollfast_int.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "gl_ext.h"
#include "glcoll_int.h"

namespace gls::coll {

bool fast_paths_enabled = true;

namespace {

constexpr int kTwoByteLow = 0xC0, kTwoByteHigh = 0xDF;

inline bool two_byte_index(uint32_t c, int *index)
{
    uint32_t lead = c >> 8, trail = c & 0xFF;
    if (c > 0xFFFF || lead < kTwoByteLow || lead > kTwoByteHigh || trail < 0x80 || trail > 0xBF)
        return false;
    *index = static_cast<int>((lead - kTwoByteLow) * 64 + (trail - 0x80));
    return true;
}

// A byte sequence of exactly len bytes that the class trie takes as one
// character.
bool is_character(const gl_locale *loc, const unsigned char *bytes, int len)
{
    Probe probe;
    int k = 0;
    return _gl_retrieve_text_multi_limit(bytes, loc->class_trie, len, &k, &probe) != nullptr && k == len;
}

// Marks the codes of the tables that start an element and lists those
// elements per code, in list order. False without memory.
bool mark_elements(const gl_locale *loc, FastTables *ft)
{
    auto slot = [ft](uint32_t c, int32_t **first, int32_t **last, unsigned char **flag) {
        int x;
        if (c < 256) {
            *first = &ft->elem_first1[c], *last = &ft->elem_last1[c], *flag = &ft->elem1[c];
            return true;
        }
        if (two_byte_index(c, &x)) {
            *first = &ft->elem_first2[x], *last = &ft->elem_last2[x], *flag = &ft->elem2[x];
            return true;
        }
        return false;
    };
    int32_t *first, *last;
    unsigned char *flag;
    int listed = 0, others = 0;
    for (int e = 0; e < loc->element_count; ++e)
        if (loc->elements[e].count > 0) {
            if (!slot(loc->elements[e].codes[0], &first, &last, &flag)) {
                ++others;
                continue;
            }
            ++*last; // counts first
            *flag = 1;
            ++listed;
        }
    if (others > 0) {
        ft->elem_other = static_cast<int32_t *>(_gl_ext_malloc(sizeof(int32_t) * static_cast<size_t>(others)));
        if (ft->elem_other == nullptr)
            return false;
        for (int e = 0; e < loc->element_count; ++e)
            if (loc->elements[e].count > 0 && !slot(loc->elements[e].codes[0], &first, &last, &flag))
                ft->elem_other[ft->elem_other_count++] = e;
        const gl_lc_element *elements = loc->elements;
        std::sort(ft->elem_other, ft->elem_other + others, [elements](int32_t a, int32_t b) {
            return elements[a].codes[0] != elements[b].codes[0] ? elements[a].codes[0] < elements[b].codes[0] : a < b;
        });
    }
    if (listed == 0)
        return true;
    ft->elem_list = static_cast<int32_t *>(_gl_ext_malloc(sizeof(int32_t) * static_cast<size_t>(listed)));
    if (ft->elem_list == nullptr)
        return false;
    int at = 0;
    for (int i = 0; i < 256 + 32 * 64; ++i) {
        int32_t *f = i < 256 ? &ft->elem_first1[i] : &ft->elem_first2[i - 256];
        int32_t *l = i < 256 ? &ft->elem_last1[i] : &ft->elem_last2[i - 256];
        int count = *l;
        *f = *l = at;
        at += count;
    }
    for (int e = 0; e < loc->element_count; ++e)
        if (loc->elements[e].count > 0 && slot(loc->elements[e].codes[0], &first, &last, &flag))
            ft->elem_list[(*last)++] = e;
    return true;
}

// Whether a collating element matches the text at position i (the general
// engine then takes it as one unit, which the fast paths do not model).
template <class C> bool element_at(const gl_locale *loc, const FastTables *ft, const C *s, int n, int i)
{
    const ElementRange r = elements_starting(loc, ft, s[i]);
    for (int k = r.first; k < r.last; ++k) {
        int e = r.list != nullptr ? r.list[k] : k;
        const gl_lc_element &el = loc->elements[e];
        if (el.count > n - i)
            continue;
        int j = 0;
        while (j < el.count && el.codes[j] == s[i + j])
            ++j;
        if (j == el.count)
            return true;
    }
    return false;
}

FastTables *build(const gl_locale *loc)
{
    auto *ft = static_cast<FastTables *>(_gl_ext_calloc(1, sizeof(FastTables)));
    if (ft == nullptr)
        return nullptr;
    ft->weight_trie = loc->weight_trie;
    ft->class_trie = loc->class_trie;
    ft->multibyte_ok = loc->class_trie != nullptr && _gl_multi_min_length(loc->class_trie) == 1;
    for (uint32_t c = 0; c < 256; ++c) {
        ft->row1[c] = row_of(loc, c);
        unsigned char b = static_cast<unsigned char>(c);
        ft->char1[c] = loc->class_trie != nullptr && is_character(loc, &b, 1);
    }
    for (int i = 0; i < 32 * 64; ++i) {
        unsigned char bytes[2] = {static_cast<unsigned char>(kTwoByteLow + i / 64),
                                  static_cast<unsigned char>(0x80 + i % 64)};
        uint32_t c = static_cast<uint32_t>(bytes[0]) << 8 | bytes[1];
        ft->row2[i] = row_of(loc, c);
        ft->char2[i] = loc->class_trie != nullptr && is_character(loc, bytes, 2);
    }
    if (!mark_elements(loc, ft)) {
        _gl_ext_free(ft->elem_other);
        _gl_ext_free(ft);
        return nullptr;
    }
    return ft;
}

// Every table built, and a count of the forgets: a thread's last table is
// trusted while no table was forgotten since it found it.
struct Registry {
    std::mutex lock;
    FastTables **tables = nullptr;
    int count = 0, room = 0;
};
Registry &registry()
{
    static Registry *r = new Registry; // never destroyed: used up to the process's end
    return *r;
}
std::atomic<unsigned long> forgets{0};

struct LastUsed {
    const void *weight_trie = nullptr, *class_trie = nullptr;
    unsigned long forgets = ~0UL;
    const FastTables *tables = nullptr;
};
thread_local LastUsed last_used;

const FastTables *find_or_build(const gl_locale *loc)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    for (int i = 0; i < r.count; ++i)
        if (r.tables[i]->weight_trie == loc->weight_trie && r.tables[i]->class_trie == loc->class_trie)
            return r.tables[i];
    if (r.count == r.room) {
        int room = r.room ? r.room * 2 : 8;
        auto **t = static_cast<FastTables **>(_gl_ext_realloc(r.tables, sizeof(FastTables *) * static_cast<size_t>(room)));
        if (t == nullptr)
            return nullptr;
        r.tables = t;
        r.room = room;
    }
    FastTables *ft = build(loc);
    if (ft != nullptr)
        r.tables[r.count++] = ft;
    return ft;
}

// ---- weights streamed from the tables ----

inline int32_t row_at(const gl_locale *loc, const FastTables *ft, uint32_t c)
{
    int i;
    if (c < 256)
        return ft->row1[c];
    if (two_byte_index(c, &i))
        return ft->row2[i];
    return row_of(loc, c);
}

// A text as codes and their rows.
struct Text {
    const uint32_t *codes;
    const int32_t *rows;
    int n;
    uint32_t code(int i) const { return codes[i]; }
    int32_t row(int i) const { return rows[i]; }
};
// Single-byte text: bytes as codes, rows from the table.
struct Bytes {
    const unsigned char *s;
    const int32_t *row1;
    int n;
    uint32_t code(int i) const { return s[i]; }
    int32_t row(int i) const { return row1[s[i]]; }
};

// The weight sequence of one level, as the general engine's Sequence.
template <class T> class Stream {
public:
    Stream(const gl_locale *loc, const FastTables *ft, const T &t, int level)
        : loc_(loc), ft_(ft), t_(t), weights_(loc->weights[level]), first_(level == 0),
          backward_(loc->level_flags[level] == 2), i_(backward_ ? t.n - 1 : 0)
    {
    }
    bool next(Weight &w)
    {
        for (;;) {
            if (expansion_ != nullptr) {
                if (at_ < 0 || at_ >= expansion_->count) {
                    expansion_ = nullptr;
                    continue;
                }
                uint32_t c = expansion_->codes[at_];
                at_ += backward_ ? -1 : 1;
                int32_t row = row_at(loc_, ft_, c);
                if (row < 0)
                    continue;
                uint16_t raw = weights_[row];
                if (!(raw & GL_WEIGHT_EXPANSION) && plain(raw, c, w))
                    return true;
                continue;
            }
            if (backward_ ? i_ < 0 : i_ >= t_.n)
                return false;
            uint32_t c = t_.code(i_);
            int32_t row = t_.row(i_);
            i_ += backward_ ? -1 : 1;
            if (row < 0) {
                if (first_) {
                    w = {loc_->max_weight + 1, true, c};
                    return true;
                }
                continue;
            }
            uint16_t raw = weights_[row];
            if (raw & GL_WEIGHT_EXPANSION) {
                expansion_ = &loc_->expansions[raw & GL_WEIGHT_VALUE];
                at_ = backward_ ? expansion_->count - 1 : 0;
                continue;
            }
            if (plain(raw, c, w))
                return true;
        }
    }

private:
    static bool plain(uint16_t raw, uint32_t code, Weight &w)
    {
        int v = raw & GL_WEIGHT_VALUE;
        if (v <= GL_WEIGHT_IGNORE)
            return false;
        w = {v, (raw & GL_WEIGHT_POSITION) != 0, code};
        return true;
    }

    const gl_locale *loc_;
    const FastTables *ft_;
    const T &t_;
    const uint16_t *weights_;
    bool first_, backward_;
    int i_;
    const gl_lc_expansion *expansion_ = nullptr;
    int at_ = 0;
};

template <class T> int compare_texts(const gl_locale *loc, const FastTables *ft, const T &a, const T &b)
{
    for (int lv = 0; lv < loc->levels; ++lv) {
        Stream<T> sa(loc, ft, a, lv), sb(loc, ft, b, lv);
        if (int r = compare_level(sa, sb))
            return r;
    }
    return 0;
}

// Appends v in digits base-254 digits (each + 2), writing below size only.
inline void put(unsigned char *dst, int size, int &count, uint64_t v, int digits)
{
    if (digits == 1) {
        if (count < size)
            dst[count] = static_cast<unsigned char>(v % 254 + 2);
        ++count;
        return;
    }
    if (digits == 2) {
        if (count < size)
            dst[count] = static_cast<unsigned char>(v / 254 % 254 + 2);
        if (count + 1 < size)
            dst[count + 1] = static_cast<unsigned char>(v % 254 + 2);
        count += 2;
        return;
    }
    put_digits(dst, size, &count, v, digits);
}

template <class T> int key_of_text(const gl_locale *loc, const FastTables *ft, const T &t, unsigned char *dst, int size)
{
    const int wd = key_digits(static_cast<uint64_t>(loc->max_weight)), cd = code_digits(loc);
    int count = 0;
    for (int lv = 0; lv < loc->levels; ++lv) {
        if (lv > 0) {
            if (count < size)
                dst[count] = 1;
            ++count;
        }
        Stream<T> seq(loc, ft, t, lv);
        Weight w;
        while (seq.next(w)) {
            put(dst, size, count, static_cast<uint64_t>(w.value - 2), wd);
            if (w.position)
                put(dst, size, count, w.code, cd);
        }
    }
    if (count < size)
        dst[count] = 0;
    return count;
}

constexpr int kChars = 128;

inline bool starts_candidate(const FastTables *ft, uint32_t c)
{
    int x;
    return c < 256 ? ft->elem1[c] != 0 : two_byte_index(c, &x) ? ft->elem2[x] != 0 : true;
}

// Decodes multibyte text by the tables (n bytes, or up to a zero byte when
// n is -1) into codes and rows; false for anything the tables do not hold
// (the general path then converts it, with its errors).
bool decode(const gl_locale *loc, const FastTables *ft, const unsigned char *s, int n, uint32_t *codes,
            int32_t *rows, int *count)
{
    if (s == nullptr || !ft->multibyte_ok || n < -1)
        return false;
    bool elements = loc->element_count > 0, candidates = false;
    int k = 0;
    for (int i = 0; n < 0 || i < n;) {
        unsigned char b = s[i];
        if (n < 0 && b == 0)
            break;
        if (k == kChars)
            return false;
        if (ft->char1[b]) {
            candidates = candidates || (elements && ft->elem1[b]);
            codes[k] = b;
            rows[k++] = ft->row1[b];
            ++i;
            continue;
        }
        if (b < kTwoByteLow || b > kTwoByteHigh || (n >= 0 && i + 1 >= n))
            return false;
        unsigned char t = s[i + 1];
        if (t < 0x80 || t > 0xBF)
            return false;
        int x = (b - kTwoByteLow) * 64 + (t - 0x80);
        if (!ft->char2[x])
            return false;
        candidates = candidates || (elements && ft->elem2[x]);
        codes[k] = static_cast<uint32_t>(b) << 8 | t;
        rows[k++] = ft->row2[x];
        i += 2;
    }
    for (int i = 0; candidates && i < k; ++i)
        if (starts_candidate(ft, codes[i]) && element_at(loc, ft, codes, k, i))
            return false;
    *count = k;
    return true;
}

// Rows of wide text; false when an element could start in it or it is too
// long for the buffers.
bool rows_of(const gl_locale *loc, const FastTables *ft, const uint32_t *s, int n, int32_t *rows)
{
    if (n > kChars)
        return false;
    for (int i = 0; i < n; ++i) {
        uint32_t c = s[i];
        if (loc->element_count > 0 && starts_candidate(ft, c) && element_at(loc, ft, s, n, i))
            return false;
        rows[i] = row_at(loc, ft, c);
    }
    return true;
}

} // namespace

ElementRange elements_starting(const gl_locale *loc, const FastTables *ft, uint32_t c)
{
    int x;
    if (ft == nullptr)
        return {nullptr, 0, loc->element_count};
    if (c < 256)
        return {ft->elem_list, ft->elem_first1[c], ft->elem_last1[c]};
    if (two_byte_index(c, &x))
        return {ft->elem_list, ft->elem_first2[x], ft->elem_last2[x]};
    const int32_t *begin = ft->elem_other, *end = begin + ft->elem_other_count;
    const gl_lc_element *elements = loc->elements;
    const int32_t *lo = std::lower_bound(begin, end, c, [elements](int32_t e, uint32_t code) {
        return elements[e].codes[0] < code;
    });
    const int32_t *hi = std::upper_bound(lo, end, c, [elements](uint32_t code, int32_t e) {
        return code < elements[e].codes[0];
    });
    return {ft->elem_other, static_cast<int>(lo - begin), static_cast<int>(hi - begin)};
}

const FastTables *fast_tables(const gl_locale *loc)
{
    if (!fast_paths_enabled || loc->weight_trie == nullptr || loc->coll_mode != 0 || loc->levels <= 0)
        return nullptr;
    LastUsed &last = last_used;
    unsigned long now = forgets.load(std::memory_order_acquire);
    if (last.tables != nullptr && last.weight_trie == loc->weight_trie && last.class_trie == loc->class_trie &&
        last.forgets == now)
        return last.tables;
    const FastTables *ft = find_or_build(loc);
    if (ft != nullptr)
        last = {loc->weight_trie, loc->class_trie, now, ft};
    return ft;
}

void forget_fast_tables(const gl_locale *loc)
{
    if (loc->weight_trie == nullptr && loc->class_trie == nullptr)
        return;
    Registry &r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    int kept = 0;
    for (int i = 0; i < r.count; ++i) {
        FastTables *ft = r.tables[i];
        if ((loc->weight_trie != nullptr && ft->weight_trie == loc->weight_trie) ||
            (loc->class_trie != nullptr && ft->class_trie == loc->class_trie)) {
            _gl_ext_free(ft->elem_list);
            _gl_ext_free(ft->elem_other);
            _gl_ext_free(ft);
        }
        else
            r.tables[kept++] = ft;
    }
    if (kept != r.count) {
        r.count = kept;
        forgets.fetch_add(1, std::memory_order_release);
    }
}

bool fast_byte_compare(const gl_locale *loc, const FastTables *ft, const unsigned char *s1, int n1,
                       const unsigned char *s2, int n2, bool candidates, int *result)
{
    if (candidates && loc->element_count > 0) {
        for (int i = 0; i < n1; ++i)
            if (ft->elem1[s1[i]] && element_at(loc, ft, s1, n1, i))
                return false;
        for (int i = 0; i < n2; ++i)
            if (ft->elem1[s2[i]] && element_at(loc, ft, s2, n2, i))
                return false;
    }
    Bytes a{s1, ft->row1, n1}, b{s2, ft->row1, n2};
    *result = compare_texts(loc, ft, a, b);
    return true;
}

bool fast_multibyte_compare(const gl_locale *loc, const FastTables *ft, const unsigned char *s1, int n1,
                            const unsigned char *s2, int n2, int *result)
{
    uint32_t c1[kChars], c2[kChars];
    int32_t r1[kChars], r2[kChars];
    int k1, k2;
    if (!decode(loc, ft, s1, n1, c1, r1, &k1) || !decode(loc, ft, s2, n2, c2, r2, &k2))
        return false;
    Text a{c1, r1, k1}, b{c2, r2, k2};
    *result = compare_texts(loc, ft, a, b);
    return true;
}

bool fast_wide_compare(const gl_locale *loc, const FastTables *ft, const uint32_t *s1, int n1, const uint32_t *s2,
                       int n2, int *result)
{
    int32_t r1[kChars], r2[kChars];
    if (!rows_of(loc, ft, s1, n1, r1) || !rows_of(loc, ft, s2, n2, r2))
        return false;
    Text a{s1, r1, n1}, b{s2, r2, n2};
    *result = compare_texts(loc, ft, a, b);
    return true;
}

int fast_multibyte_key(const gl_locale *loc, const FastTables *ft, unsigned char *dst, const unsigned char *src,
                       int size)
{
    uint32_t c[kChars];
    int32_t r[kChars];
    int k;
    if (!decode(loc, ft, src, -1, c, r, &k))
        return -1;
    Text t{c, r, k};
    return key_of_text(loc, ft, t, dst, size);
}

int fast_wide_key(const gl_locale *loc, const FastTables *ft, unsigned char *dst, const uint32_t *src, int n,
                  int size)
{
    int32_t r[kChars];
    if (!rows_of(loc, ft, src, n, r))
        return -1;
    Text t{src, r, n};
    return key_of_text(loc, ft, t, dst, size);
}

} // namespace gls::coll

extern "C" int _trw_gl_coll_fast_paths(int on)
{
    int old = gls::coll::fast_paths_enabled;
    gls::coll::fast_paths_enabled = on != 0;
    return old;
}
