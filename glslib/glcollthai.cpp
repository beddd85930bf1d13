// Thai collation (a "thai_smo" COLLATE category, code set thai620): one
// order for compare and sort key. The key is the base text followed by the
// marks:
//   - base: the bytes of the text without its marks (0xE7..0xEE), each
//     preposed vowel (0xE0..0xE4) moved after the character that follows it,
//     trailing blanks left out; a byte 1 is written as 1 2;
//   - then 1 1 and, for each mark in text order, its position in the base
//     (counted down from 16387063 in three base-254 digits + 2, so that an
//     earlier mark weighs more) and its mapped value (142..149).
// So the consonants and vowels decide by their bytes; texts that differ only
// by marks are ordered by the first place where their marks differ, by the
// mark values there, a mark outweighing none. The compare builds both keys
// and compares them, so sorting by keys and by compares agree.
// Exports: _gl_thaismocoll, _trw_gl_thaismoncoll, _gl_thaismoxfrm.
#include "glcoll_int.h"

namespace {

using namespace gls;
using namespace gls::coll;

// Mapped values of 0xD0..0xEF; other bytes map to themselves.
constexpr unsigned char kMapped[32] = {208, 128, 209, 129, 130, 131, 132, 133, 134, 135, 136,
                                       219, 220, 221, 222, 223, 224, 225, 226, 227, 228, 229,
                                       230, 142, 143, 144, 145, 146, 147, 148, 149, 239};

constexpr bool is_mark(unsigned char b) { return b >= 0xE7 && b <= 0xEE; }
constexpr bool is_preposed(unsigned char b) { return b >= 0xE0 && b <= 0xE4; }
constexpr unsigned char mapped(unsigned char b) { return b >= 0xD0 && b <= 0xEF ? kMapped[b - 0xD0] : b; }

constexpr uint64_t kLastPosition = 16387063; // three base-254 digits

// Appends bytes to a key, writing only below its size.
struct KeyWriter {
    unsigned char *dst;
    int size;
    int count = 0;
    void put(unsigned char b)
    {
        if (count < size)
            dst[count] = b;
        ++count;
    }
};

// Where the trailing run of blanks and marks of s[0..n) starts.
int trailing_start(const unsigned char *s, int n)
{
    while (n > 0 && (s[n - 1] == ' ' || is_mark(s[n - 1])))
        --n;
    return n;
}

// Writes the base text of s[0..n); returns its length in characters.
int write_base(const unsigned char *s, int n, KeyWriter &w)
{
    int last = trailing_start(s, n);
    int base = 0;
    auto emit = [&](unsigned char b) {
        w.put(b);
        if (b == 1)
            w.put(2);
        ++base;
    };
    for (int i = 0; i < last; ++i) {
        unsigned char b = s[i];
        if (is_mark(b))
            continue;
        if (is_preposed(b) && i + 1 < last && !is_mark(s[i + 1])) {
            emit(s[i + 1]);
            emit(b);
            ++i;
            continue;
        }
        emit(b);
    }
    return base;
}

// The marks of s[0..n) as (position, mapped value) pairs.
void write_marks(const unsigned char *s, int n, KeyWriter &w)
{
    int last = trailing_start(s, n);
    uint64_t position = 0;
    for (int i = 0; i < n; ++i) {
        unsigned char b = s[i];
        if (is_mark(b)) {
            uint64_t p = position > kLastPosition ? kLastPosition : position;
            put_digits(w.dst, w.size, &w.count, kLastPosition - p, 3);
            w.put(mapped(b));
        } else if (i < last) {
            // A preposed vowel and its consonant move together: both count.
            ++position;
        }
    }
}

int thai_key(const unsigned char *s, int n, unsigned char *dst, int size)
{
    KeyWriter w{dst, size < 0 || dst == nullptr ? 0 : size};
    write_base(s, n, w);
    w.put(1);
    w.put(1);
    write_marks(s, n, w);
    if (w.count < w.size)
        w.dst[w.count] = 0;
    return w.count;
}

// A key built on the stack when it fits, else allocated.
class Key {
public:
    Key(const unsigned char *s, int n)
    {
        len_ = thai_key(s, n, stack_, kStack);
        if (len_ >= kStack) {
            p_ = static_cast<unsigned char *>(_gl_ext_malloc(static_cast<size_t>(len_) + 1));
            if (p_ != nullptr)
                thai_key(s, n, p_, len_ + 1);
        }
    }
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;
    ~Key()
    {
        if (p_ != stack_)
            _gl_ext_free(p_);
    }
    const unsigned char *get() const { return p_; }
    int size() const { return len_; }

private:
    static constexpr int kStack = 512;
    unsigned char stack_[kStack];
    unsigned char *p_ = stack_;
    int len_;
};

int thai_compare(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2)
{
    if ((n1 == -1) != (n2 == -1)) {
        set_error(loc, GL_EMIXEDCOUNT);
        return 0;
    }
    int saved = error_of(loc);
    int l1 = byte_length(loc, s1, n1);
    int l2 = l1 < 0 ? -1 : byte_length(loc, s2, n2);
    if (l1 < 0 || l2 < 0)
        return 0;
    set_error(loc, saved);
    Key k1(s1, l1), k2(s2, l2);
    if (k1.get() == nullptr || k2.get() == nullptr) {
        set_error(loc, GL_ENOMEM);
        return 0;
    }
    int n = k1.size() < k2.size() ? k1.size() : k2.size();
    int r = std::memcmp(k1.get(), k2.get(), static_cast<size_t>(n));
    if (r == 0)
        r = k1.size() - k2.size();
    return (r > 0) - (r < 0);
}

} // namespace

extern "C" {

int _gl_thaismocoll(gl_locale *loc, const unsigned char *s1, const unsigned char *s2)
{
    return thai_compare(loc, s1, -1, s2, -1);
}

int _trw_gl_thaismoncoll(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2)
{
    return thai_compare(loc, s1, n1, s2, n2);
}

int _gl_thaismoxfrm(gl_locale *loc, unsigned char *dst, const unsigned char *src, int n)
{
    int saved = error_of(loc);
    int len = byte_length(loc, src, -1);
    if (len < 0)
        return 0;
    set_error(loc, saved);
    return thai_key(src, len, dst, n);
}

} // extern "C"
