// The weight engine of the collation module: a string's characters resolved
// to weight rows (collating elements matched first), the weight sequence of
// one level, level compares and sort-key encoding. Shared by the general
// routines (wide strings) and the single-byte ones (bytes as characters).
// Internal; not installed.
#pragma once

#include <cstdint>
#include <cstring>

#include "gl_coll.h"
#include "glcollfast_int.h"
#include "glcommon.h"

namespace gls::coll {

// One collating unit: a character or a collating element. row -1: the
// weight table has no row for the character.
struct Unit {
    int32_t row;
    uint32_t code; // the character's code, 1 for an element
};

// One weight of a level's sequence.
struct Weight {
    int value;     // comparable value (low 14 bits), 2 or more
    bool position; // position-sensitive: ties broken by code
    uint32_t code;
};

// A context for trie lookups whose failures must not touch a locale's error
// number (the first member takes the error).
struct Probe {
    int error = 0;
};

// The row of a character, -1 when the weight table has none.
int32_t row_of(const gl_locale *loc, uint32_t code);

// Single-byte text: the byte count (up to a zero byte when n is -1); -1
// with the error number set (2 null, 1 a byte that is not a character).
int byte_length(gl_locale *loc, const unsigned char *s, int n);

// Digits of a value of at most max in the key encoding (1 to 5).
int key_digits(uint64_t max);

// Appends v in `digits` base-254 digits stored as digit + 2, most significant
// first, writing only below the size; advances *count by digits.
void put_digits(unsigned char *dst, int size, int *count, uint64_t v, int digits);

// Units of a string of n characters, resolved on demand from the front.
template <class C> class Units {
public:
    Units(const gl_locale *loc, const C *s, int n, Unit *buffer)
        : loc_(loc), s_(s), n_(n), u_(buffer), elements_(loc->element_count > 0 ? fast_tables(loc) : nullptr)
    {
    }
    // Whether unit k exists (resolving units up to it).
    bool has(int k)
    {
        while (count_ <= k && pos_ < n_)
            resolve();
        return count_ > k;
    }
    int all()
    {
        while (pos_ < n_)
            resolve();
        return count_;
    }
    const Unit &operator[](int k) const { return u_[k]; }
    const gl_locale *locale() const { return loc_; }

private:
    void resolve()
    {
        uint32_t c = s_[pos_];
        if (loc_->element_count > 0 && starts_element(c) && match_element())
            return;
        u_[count_++] = {row_of(loc_, c), c};
        ++pos_;
    }
    bool starts_element(uint32_t c) const
    {
        return c >= 256 || loc_->element_candidates == nullptr || loc_->element_candidates[c] != 0;
    }
    // The first element in list order that the rest of the string starts with.
    bool match_element()
    {
        const ElementRange r = elements_starting(loc_, elements_, s_[pos_]);
        for (int k = r.first; k < r.last; ++k) {
            const gl_lc_element &el = loc_->elements[r.list != nullptr ? r.list[k] : k];
            if (el.count > n_ - pos_)
                continue;
            int i = 0;
            while (i < el.count && el.codes[i] == s_[pos_ + i])
                ++i;
            if (i == el.count) {
                u_[count_++] = {el.row, 1};
                pos_ += el.count;
                return true;
            }
        }
        return false;
    }

    const gl_locale *loc_;
    const C *s_;
    int n_;
    Unit *u_;
    const FastTables *elements_; // the index of elements by first code, or null
    int pos_ = 0;
    int count_ = 0;
};

// The weight sequence of one level over a string's units.
template <class C> class Sequence {
public:
    Sequence(Units<C> &units, int level)
        : units_(units), loc_(units.locale()), level_(level), backward_(loc_->level_flags[level] == 2)
    {
        if (backward_)
            next_ = units_.all() - 1;
    }
    // The next weight; false at the end of the string.
    bool next(Weight &w)
    {
        for (;;) {
            if (expansion_ != nullptr) {
                if (from_expansion(w))
                    return true;
                continue;
            }
            if (backward_ ? next_ < 0 : !units_.has(next_))
                return false;
            const Unit &u = units_[next_];
            next_ += backward_ ? -1 : 1;
            if (from_unit(u, w))
                return true;
        }
    }

private:
    bool from_unit(const Unit &u, Weight &w)
    {
        if (u.row < 0) {
            // No row: after every other character, by code, at the first level.
            w = {loc_->max_weight + 1, true, u.code};
            return level_ == 0;
        }
        uint16_t raw = loc_->weights[level_][u.row];
        if (raw & GL_WEIGHT_EXPANSION) {
            expansion_ = &loc_->expansions[raw & GL_WEIGHT_VALUE];
            at_ = backward_ ? expansion_->count - 1 : 0;
            return false;
        }
        return plain(raw, u.code, w);
    }
    bool from_expansion(Weight &w)
    {
        if (at_ < 0 || at_ >= expansion_->count) {
            expansion_ = nullptr;
            return false;
        }
        uint32_t c = expansion_->codes[at_];
        at_ += backward_ ? -1 : 1;
        int32_t row = row_of(loc_, c);
        if (row < 0)
            return false; // an expansion naming a character without a row
        uint16_t raw = loc_->weights[level_][row];
        return !(raw & GL_WEIGHT_EXPANSION) && plain(raw, c, w);
    }
    // A weight whose comparable value is 0 or 1 is ignorable.
    static bool plain(uint16_t raw, uint32_t code, Weight &w)
    {
        int v = raw & GL_WEIGHT_VALUE;
        if (v <= GL_WEIGHT_IGNORE)
            return false;
        w = {v, (raw & GL_WEIGHT_POSITION) != 0, code};
        return true;
    }

    Units<C> &units_;
    const gl_locale *loc_;
    int level_;
    bool backward_;
    int next_ = 0;
    const gl_lc_expansion *expansion_ = nullptr;
    int at_ = 0;
};

// Compares two weight streams of one level: -1, 0 or 1. A stream is
// anything with bool next(Weight &).
template <class S> int compare_level(S &sa, S &sb)
{
    for (;;) {
        Weight wa, wb;
        bool ha = sa.next(wa), hb = sb.next(wb);
        if (!ha || !hb)
            return ha == hb ? 0 : ha ? 1 : -1;
        if (wa.value != wb.value)
            return wa.value < wb.value ? -1 : 1;
        if (wa.position && wb.position && wa.code != wb.code)
            return wa.code < wb.code ? -1 : 1;
    }
}

// Compares two strings' units level by level.
template <class C> int compare_units(Units<C> &a, Units<C> &b, int levels)
{
    for (int lv = 0; lv < levels; ++lv) {
        Sequence<C> sa(a, lv), sb(b, lv);
        if (int r = compare_level(sa, sb))
            return r;
    }
    return 0;
}

// Digits of the character codes of a locale's code set.
int code_digits(const gl_locale *loc);

// The sort key of a string's units: its length (without the final 0).
template <class C> int key_of_units(Units<C> &u, unsigned char *dst, int size)
{
    const gl_locale *loc = u.locale();
    const int wd = key_digits(static_cast<uint64_t>(loc->max_weight)), cd = code_digits(loc);
    int count = 0;
    for (int lv = 0; lv < loc->levels; ++lv) {
        if (lv > 0) {
            if (count < size)
                dst[count] = 1;
            ++count;
        }
        Sequence<C> seq(u, lv);
        Weight w;
        while (seq.next(w)) {
            put_digits(dst, size, &count, static_cast<uint64_t>(w.value - 2), wd);
            if (w.position)
                put_digits(dst, size, &count, w.code, cd);
        }
    }
    if (count < size)
        dst[count] = 0;
    return count;
}

// A buffer of n units: on the stack up to 128, else allocated.
class UnitBuffer {
public:
    explicit UnitBuffer(int n)
        : p_(n <= kStack ? stack_ : static_cast<Unit *>(_gl_ext_malloc(sizeof(Unit) * static_cast<size_t>(n))))
    {
    }
    UnitBuffer(const UnitBuffer &) = delete;
    UnitBuffer &operator=(const UnitBuffer &) = delete;
    ~UnitBuffer()
    {
        if (p_ != stack_)
            _gl_ext_free(p_);
    }
    Unit *get() const { return p_; }

private:
    static constexpr int kStack = 128;
    Unit stack_[kStack];
    Unit *p_;
};

} // namespace gls::coll
