// Fast whole-string walks of a locale's character trie, for the multibyte
// to wide and wide to multibyte conversions and the lengths. Each trie gets
// a flat copy of its nodes on first use: one 32-bit entry per node and byte
// (not a character, end of a character, the next node, or the next node
// when that one only ends characters), and for nodes of the last kind a
// 256-bit set of the bytes that end a character there. A character then
// costs one small table read per byte instead of the walk of the trie's
// flag, offset and child arrays, and the last byte of a multibyte
// character, the one most spread over the tables, is one bit of a set that
// stays in the cache. Whole two-byte characters are also bits of one table
// by their two bytes, and the sets of three-byte UTF-8 characters are
// found by their first two bytes, so that runs of such characters go in
// loops of their own without the walk of the nodes. The copy is made from
// the trie's own lookups, the root at once and deeper nodes on first use up
// to the trie's node count, so it answers exactly as the trie does. Runs of
// ASCII are taken eight bytes (or four wide characters) at a time when the
// root takes every byte 0..7F as a character by itself. Whatever the copy cannot
// answer goes to the trie walks of glmulti.cpp, and the caller handles the
// character they stop before.
#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>

#include "glchar_int.h"

namespace {

// An entry: the kind in the top two bits, an index below.
constexpr uint32_t kKindShift = 30;
constexpr uint32_t kIndexMask = (1u << kKindShift) - 1;
constexpr uint32_t kStop = 0;                 // not a character
constexpr uint32_t kEnd = 1u << kKindShift;   // the last byte of a character
constexpr uint32_t kDown = 2u << kKindShift;  // the next byte is read in node (index); index 0 (the
                                              // root, never a child): that node is not copied yet
constexpr uint32_t kLeaf = 3u << kKindShift;  // the next byte ends a character when in set (index)
constexpr uint32_t kLazy = kDown;
constexpr uint32_t kMaxNodes = 1u << 16;

struct Walker {
    uint32_t capacity; // nodes, and as many sets
    uint32_t nodes;    // nodes copied; changed under the build lock only
    uint32_t sets;     // sets made; the same
    bool ascii;        // the root takes every byte 0..7F as a whole character
    int min_length;
    uint32_t *entries; // capacity * 256
    uint64_t *ends;    // capacity * 4
    // Bit (b0 << 8 | b1): the key b0 b1 leads to a set that holds every
    // byte 80..BF, so that b0 b1 b2 is a character for any such b2 (most
    // three-byte characters of UTF-8).
    uint64_t full[65536 / 64];
    // Bit (b0 << 8 | b1): the key b0 b1 is a whole character (set when the
    // node below b0 is copied), so that a two-byte character is one read
    // of a table that stays in the cache.
    uint64_t pair_ends[65536 / 64];
    // For keys b0 b1 of E0..EF and 80..BF (three-byte characters of
    // UTF-8): 1 + the set of the node below them when it only ends
    // characters, else 0, so that the third byte is found without the walk
    // of the first two nodes.
    uint32_t three_set[16 * 64];
};

std::mutex build_lock;

// Entries and sets are written once (from zero) under the lock and read
// without it: a reader that comes too early sees zero, kStop, and hands the
// character to the trie walk, which decides it exactly.
inline uint32_t ld(const uint32_t *e)
{
    return std::atomic_ref<uint32_t>(*const_cast<uint32_t *>(e)).load(std::memory_order_relaxed);
}
inline uint64_t ld(const uint64_t *e)
{
    return std::atomic_ref<uint64_t>(*const_cast<uint64_t *>(e)).load(std::memory_order_relaxed);
}
template <typename T>
inline void st(T *e, T v)
{
    std::atomic_ref<T>(*e).store(v, std::memory_order_release);
}

struct Scratch {
    int error;
};

// The entry for the key of length bytes, by the trie's own lookup.
uint32_t entry_for(const gl_multi *t, const unsigned char *key, int length)
{
    Scratch scratch{};
    int len = 0;
    const void *e = _gl_retrieve_text_multi_limit(key, t, length, &len, &scratch);
    if (e != nullptr)
        return len == length ? kEnd : kStop;
    return scratch.error == GL_EINVAL && length < GL_MULTI_MAX_KEY ? kLazy : kStop;
}

// Copies the node below prefix[0..depth), under the lock: a set when its
// entries only end characters, else a node. The entry that leads to it, or
// kLazy when the room is used up.
uint32_t fill(Walker *w, const gl_multi *t, const unsigned char *prefix, int depth)
{
    static_assert(GL_MULTI_MAX_KEY <= 4, "keys fit the wide values");
    unsigned char key[GL_MULTI_MAX_KEY];
    if (depth > 0)
        std::memcpy(key, prefix, static_cast<size_t>(depth));
    // A terminated string ends at its first run of min_length zero bytes
    // (one for most code sets): a key that holds such a run is left to the
    // trie walks, unless it is the terminator itself, so that the copy's
    // loops never read on past the run.
    const int term = _gl_multi_terminator_length(t);
    int zeros = 0; // zero bytes at the end of the prefix
    while (zeros < depth && prefix[depth - 1 - zeros] == 0)
        ++zeros;
    uint32_t entry[256];
    bool leaf = depth > 0;
    for (int b = 0; b < 256; ++b) {
        key[depth] = static_cast<unsigned char>(b);
        entry[b] = entry_for(t, key, depth + 1);
        const int run = b == 0 ? zeros + 1 : 0;
        if (run >= term && !(entry[b] == kEnd && depth + 1 == term))
            entry[b] = kStop;
        leaf = leaf && (entry[b] == kEnd || entry[b] == kStop);
    }
    if (depth == 1)
        for (int k = 0; k < 4; ++k) {
            uint64_t bits = 0;
            for (int b = 0; b < 64; ++b)
                bits |= static_cast<uint64_t>(entry[k * 64 + b] == kEnd) << b;
            st(w->pair_ends + prefix[0] * 4 + k, bits);
        }
    if (leaf) {
        if (w->sets >= w->capacity)
            return kLazy;
        const uint32_t index = w->sets++;
        for (int k = 0; k < 4; ++k) {
            uint64_t bits = 0;
            for (int b = 0; b < 64; ++b)
                bits |= static_cast<uint64_t>(entry[k * 64 + b] == kEnd) << b;
            st(w->ends + index * 4 + k, bits);
        }
        if (depth == 2 && ~w->ends[index * 4 + 2] == 0) {
            const unsigned pair = static_cast<unsigned>(prefix[0]) << 8 | prefix[1];
            st(w->full + pair / 64, w->full[pair / 64] | uint64_t{1} << (pair % 64));
        }
        if (depth == 2 && prefix[0] - 0xE0u < 0x10 && (prefix[1] & 0xC0) == 0x80)
            st(w->three_set + ((prefix[0] & 0x0F) << 6 | (prefix[1] & 0x3F)), index + 1);
        return kLeaf | index;
    }
    if (w->nodes >= w->capacity)
        return kLazy;
    const uint32_t index = w->nodes++;
    uint32_t *node = w->entries + (static_cast<size_t>(index) << 8);
    for (int b = 0; b < 256; ++b)
        st(node + b, entry[b]);
    return kDown | index;
}

// The flat copy of t, made (with its root) on first use; null when memory
// runs out.
Walker *walker_of(const gl_multi *t)
{
    void **slot = _trw_gl_multi_walker(t);
    if (slot == nullptr)
        return nullptr;
    std::atomic_ref<void *> ref(*slot);
    if (void *w = ref.load(std::memory_order_acquire))
        return static_cast<Walker *>(w);
    std::lock_guard<std::mutex> guard(build_lock);
    if (void *w = ref.load(std::memory_order_acquire))
        return static_cast<Walker *>(w);
    const int count = _gl_multi_node_count(t);
    const uint32_t capacity = count < 1                                 ? 1
                              : static_cast<uint32_t>(count) < kMaxNodes ? static_cast<uint32_t>(count)
                                                                          : kMaxNodes;
    const size_t header = (sizeof(Walker) + 63) & ~size_t{63};
    const size_t entry_bytes = (static_cast<size_t>(capacity) << 8) * sizeof(uint32_t);
    void *mem = _gl_ext_calloc(1, header + entry_bytes + static_cast<size_t>(capacity) * 4 * sizeof(uint64_t));
    if (mem == nullptr)
        return nullptr;
    auto *w = static_cast<Walker *>(mem);
    w->capacity = capacity;
    w->entries = reinterpret_cast<uint32_t *>(static_cast<unsigned char *>(mem) + header);
    w->ends = reinterpret_cast<uint64_t *>(static_cast<unsigned char *>(mem) + header + entry_bytes);
    w->min_length = _gl_multi_min_length(t);
    fill(w, t, nullptr, 0);
    w->ascii = true;
    for (int b = 0; b < 0x80; ++b)
        w->ascii = w->ascii && w->entries[b] == kEnd;
    ref.store(w, std::memory_order_release);
    return w;
}

// Copies the node a kLazy entry leads to (the key so far is
// prefix[0..depth)); the entry again, still kLazy when no copy can be made.
uint32_t descend(Walker *w, const gl_multi *t, uint32_t *entry, const unsigned char *prefix, int depth)
{
    std::lock_guard<std::mutex> guard(build_lock);
    uint32_t e = ld(entry);
    if (e != kLazy)
        return e;
    e = fill(w, t, prefix, depth);
    if (e != kLazy)
        st(entry, e);
    return e;
}

inline bool in_set(const uint64_t *ends, uint32_t e, unsigned b)
{
    return ((ld(ends + (e & kIndexMask) * 4 + (b >> 6)) >> (b & 63)) & 1) != 0;
}

constexpr uint64_t kHigh = 0x8080808080808080ULL;

} // namespace

namespace {

inline bool full_pair(const Walker *w, unsigned pair) { return ((ld(w->full + pair / 64) >> (pair % 64)) & 1) != 0; }
inline bool whole_pair(const Walker *w, unsigned pair)
{
    return ((ld(w->pair_ends + pair / 64) >> (pair % 64)) & 1) != 0;
}
// The n bytes of the packed value wc at out, its first byte the most
// significant.
inline void put_bytes(unsigned char *out, uint32_t wc, int n)
{
    for (int i = 0; i < n; ++i)
        out[i] = static_cast<unsigned char>(wc >> (8 * (n - 1 - i)));
}

// Whether b0 b1 b2 is a whole character by three_set (b0 E0..EF, b1
// 80..BF).
inline bool whole_three(const Walker *w, unsigned b0, unsigned b1, unsigned b2)
{
    const uint32_t set = ld(w->three_set + ((b0 & 0x0F) << 6 | (b1 & 0x3F)));
    return set != 0 && ((ld(w->ends + (set - 1) * 4 + (b2 >> 6)) >> (b2 & 63)) & 1) != 0;
}

// The string walk in one of its forms: counted (else terminated), with
// wide output, with a limit on the characters.
template <bool kCounted, bool kWrite, bool kMax>
int walk_string(Walker *w, const gl_multi *t, const unsigned char *s, const unsigned char *end, int max, uint32_t *wcs,
                const unsigned char **stop)
{
    uint32_t *const entries = w->entries;
    const uint64_t *const ends = w->ends;
    const bool ascii = w->ascii;
    const unsigned char *p = s;
    // Where eight-byte ASCII runs must stop: the end, or the first zero
    // byte of a terminated string.
    const unsigned char *run_end =
        !ascii ? s : kCounted ? end : s + std::strlen(reinterpret_cast<const char *>(s));
    int count = 0;
    for (;;) {
        if ((kMax && count == max) || (kCounted && p >= end))
            break;
        const unsigned b0 = p[0];
        if (b0 < 0x80 && ascii) {
            if (p + 8 <= run_end && (!kMax || max - count >= 8)) {
                uint64_t word;
                std::memcpy(&word, p, 8);
                if ((word & kHigh) == 0) {
                    if (kWrite)
                        for (int k = 0; k < 8; ++k)
                            wcs[count + k] = p[k];
                    p += 8;
                    count += 8;
                    continue;
                }
            }
            if (!kCounted && b0 == 0)
                break; // the terminator
            if (kWrite)
                wcs[count] = b0;
            ++count;
            ++p;
            continue;
        }
        if (b0 >= 0x80) {
            // A run of two- and three-byte characters the tables answer at
            // once (a lead byte 80..FF is neither ASCII nor the
            // terminator, so the next byte may be read, and the one after
            // it when that is no terminator either).
            const unsigned char *q = p;
            int c = count;
            while ((!kCounted || end - q >= 3) && (!kMax || c < max)) {
                const unsigned lead = q[0];
                if (lead < 0x80)
                    break;
                const unsigned pair = lead << 8 | q[1];
                if (full_pair(w, pair) && (q[2] & 0xC0) == 0x80) {
                    if (kWrite)
                        wcs[c] = pair << 8 | q[2];
                    ++c;
                    q += 3;
                } else if (whole_pair(w, pair)) {
                    if (kWrite)
                        wcs[c] = pair;
                    ++c;
                    q += 2;
                } else if (lead - 0xE0 < 0x10 && (q[1] & 0xC0) == 0x80 && whole_three(w, lead, q[1], q[2])) {
                    if (kWrite)
                        wcs[c] = pair << 8 | q[2];
                    ++c;
                    q += 3;
                } else {
                    break;
                }
            }
            if (q != p) {
                p = q;
                count = c;
                continue;
            }
        }
        uint32_t *at = entries + b0;
        uint32_t e = ld(at);
        if (e > kLazy && (!kCounted || end - p >= 3) && full_pair(w, b0 << 8 | p[1]) && (p[2] & 0xC0) == 0x80) {
            if (kWrite)
                wcs[count] = b0 << 16 | static_cast<unsigned>(p[1]) << 8 | p[2];
            ++count;
            p += 3;
            continue;
        }
        // (A whole pair has a copied node below b0: b0 leads there.)
        if (e > kLazy && (!kCounted || end - p >= 2) && whole_pair(w, b0 << 8 | p[1])) {
            if (kWrite)
                wcs[count] = b0 << 8 | p[1];
            ++count;
            p += 2;
            continue;
        }
        uint32_t wc = b0;
        bool zero = b0 == 0; // a zero byte read: the copy may have left the key to the trie walk
        int i = 1;
        while (e != kEnd) {
            if (e == kStop) {
                if (zero)
                    goto general;
                goto done;
            }
            if (e == kLazy) {
                e = descend(w, t, at, p, i);
                if (e == kLazy)
                    goto general;
                continue;
            }
            if (kCounted && p + i >= end)
                goto done; // cut character
            const unsigned b = p[i++];
            zero = zero || b == 0;
            wc = (wc << 8) | b;
            if (e >= kLeaf) {
                if (!in_set(ends, e, b)) {
                    if (zero)
                        goto general;
                    goto done;
                }
                break;
            }
            at = entries + (static_cast<size_t>(e & kIndexMask) << 8) + b;
            e = ld(at);
        }
        if (!kCounted && wc == 0)
            break; // the terminator
        if (kWrite)
            wcs[count] = wc;
        ++count;
        p += i;
    }
done:
    *stop = p;
    return count;
general: {
    const int rest = kMax ? max - count : -1;
    return count + _trw_gl_multi_walk_string(t, p, end, rest, kWrite ? wcs + count : nullptr, stop);
}
}

// The copy's answer for the key bytes[0..n): 1, 0, or -1 when a node it
// needs cannot be copied.
int copied_key(Walker *w, const gl_multi *t, unsigned char *bytes, int n)
{
    uint32_t *entry = w->entries + bytes[0];
    uint32_t e = ld(entry);
    for (int i = 1;;) {
        if (e == kEnd || e == kStop)
            return e == kEnd && i == n ? 1 : 0;
        if (e == kLazy) {
            e = descend(w, t, entry, bytes, i);
            if (e == kLazy)
                return -1;
            continue;
        }
        if (i == n)
            return 0; // the key is only the start of a character
        const unsigned b = bytes[i++];
        if (e >= kLeaf)
            return i == n && in_set(w->ends, e, b) ? 1 : 0;
        entry = w->entries + (static_cast<size_t>(e & kIndexMask) << 8) + b;
        e = ld(entry);
    }
}

// Whether the key of n bytes of wc (written to bytes) is a whole character
// of the copy: 1, 0, or -1 when the trie must answer (a node it needs
// cannot be copied, or the copy refuses a key with a zero byte, which it
// may leave to the trie walks). Out of line, so that the loop of the
// common cases keeps its registers.
[[gnu::noinline]] int wide_key(Walker *w, const gl_multi *t, uint32_t wc, int n, unsigned char *bytes)
{
    bool zero = false;
    for (int i = 0; i < n; ++i) {
        bytes[i] = static_cast<unsigned char>(wc >> (8 * (n - 1 - i)));
        zero = zero || bytes[i] == 0;
    }
    const int whole = copied_key(w, t, bytes, n);
    return whole == 0 && zero ? -1 : whole;
}

// The wide walk in one of its forms: with output, with a size limit, up
// to the terminator (count < 0) or count characters.
template <bool kWrite, bool kSized, bool kTerminated>
int walk_wide(Walker *w, const gl_multi *t, const uint32_t *wcs, int count, unsigned char *out, int size,
              int *written)
{
    uint32_t *const entries = w->entries;
    const uint64_t *const ends = w->ends;
    const int min_length = w->min_length;
    const bool ascii = w->ascii && min_length == 1;
    int done = 0, at = 0;
    for (; kTerminated || done < count; ++done) {
        // Runs of two- and three-byte characters the tables answer at
        // once, while the room holds four bytes (ASCII and the rest go
        // below).
        if (ascii) {
            for (; (kTerminated || done < count) && (!kSized || size - at >= 4); ++done) {
                const uint32_t v = wcs[done];
                if (v - 0x100 < 0xFF00 && whole_pair(w, v)) {
                    if (kWrite)
                        put_bytes(out + at, v, 2);
                    at += 2;
                } else if (v - 0x10000 < 0xFF0000 &&
                           (((v & 0xC0) == 0x80 && full_pair(w, (v >> 8) & 0xFFFF)) ||
                            ((v >> 16) - 0xE0 < 0x10 && (v & 0xC000) == 0x8000 &&
                             whole_three(w, v >> 16, (v >> 8) & 0xFF, v & 0xFF)))) {
                    if (kWrite)
                        put_bytes(out + at, v, 3);
                    at += 3;
                } else {
                    break;
                }
            }
            if (!kTerminated && done >= count)
                break;
        }
        const uint32_t wc = wcs[done];
        if (kTerminated && wc == 0)
            break;
        if (wc < 0x80 && ascii) {
            // The run of ASCII from here, one byte each, as far as the room
            // goes (a terminated string is read no further than its
            // terminator).
            int stop_at = kTerminated ? INT_MAX : count;
            if (kSized && size - at < stop_at - done)
                stop_at = done + (size - at);
            if (done == stop_at)
                break;
            int k = done;
            do {
                if (kWrite)
                    out[at + (k - done)] = static_cast<unsigned char>(wcs[k]);
                ++k;
            } while (k < stop_at && (kTerminated ? wcs[k] - 1 < 0x7F : wcs[k] < 0x80));
            at += k - done;
            done = k - 1;
            continue;
        }
        const int n = wc > 0xFFFFFF                   ? 4
                      : wc > 0xFFFF && min_length < 3 ? 3
                      : wc > 0xFF && min_length < 2   ? 2
                                                      : min_length;
        if (n < 1 || n > GL_MULTI_MAX_KEY || (kSized && at + n > size))
            break;
        if (n == 3 && (wc & 0xC0) == 0x80 && full_pair(w, (wc >> 8) & 0xFFFF)) {
            if (kWrite)
                put_bytes(out + at, wc, 3);
            at += 3;
            continue;
        }
        if (n == 2 && whole_pair(w, wc)) {
            if (kWrite)
                put_bytes(out + at, wc, 2);
            at += 2;
            continue;
        }
        if (n == 1 && ld(entries + wc) == kEnd) {
            if (kWrite)
                out[at] = static_cast<unsigned char>(wc);
            ++at;
            continue;
        }
        if (n == 3) {
            // Through the copied node of the first two bytes.
            const uint32_t e0 = ld(entries + (wc >> 16));
            if (e0 > kLazy && e0 < kLeaf) {
                const uint32_t e1 = ld(entries + (static_cast<size_t>(e0 & kIndexMask) << 8) + ((wc >> 8) & 0xFF));
                if (e1 >= kLeaf && in_set(ends, e1, wc & 0xFF)) {
                    if (kWrite)
                        put_bytes(out + at, wc, 3);
                    at += 3;
                    continue;
                }
            }
        }
        unsigned char bytes[GL_MULTI_MAX_KEY];
        const int whole = wide_key(w, t, wc, n, bytes);
        if (whole < 0) {
            int rest = 0;
            int left = count - done;
            if (kTerminated)
                for (left = 0; wcs[done + left] != 0; ++left) {
                }
            const int more = _trw_gl_multi_walk_wide(t, wcs + done, left, kWrite ? out + at : nullptr,
                                                     kSized ? size - at : -1, &rest);
            *written = at + rest;
            return done + more;
        }
        if (whole == 0)
            break;
        if (kWrite)
            for (int i = 0; i < n; ++i)
                out[at + i] = bytes[i];
        at += n;
    }
    *written = at;
    return done;
}

} // namespace

namespace gls::ch {

int fast_walk_string(const gl_multi *t, const unsigned char *s, const unsigned char *end, int max, uint32_t *wcs,
                     const unsigned char **stop)
{
    Walker *w = walker_of(t);
    if (w == nullptr)
        return _trw_gl_multi_walk_string(t, s, end, max, wcs, stop);
    using Fn = int (*)(Walker *, const gl_multi *, const unsigned char *, const unsigned char *, int, uint32_t *,
                       const unsigned char **);
    static constexpr Fn kForms[8] = {
        walk_string<false, false, false>, walk_string<false, false, true>, walk_string<false, true, false>,
        walk_string<false, true, true>,   walk_string<true, false, false>, walk_string<true, false, true>,
        walk_string<true, true, false>,   walk_string<true, true, true>,
    };
    const int form = (end != nullptr ? 4 : 0) | (wcs != nullptr ? 2 : 0) | (max >= 0 ? 1 : 0);
    return kForms[form](w, t, s, end, max, wcs, stop);
}

int fast_walk_wide(const gl_multi *t, const uint32_t *wcs, int count, unsigned char *out, int size, int *written)
{
    Walker *w = walker_of(t);
    if (w == nullptr) {
        if (count < 0)
            for (count = 0; wcs[count] != 0; ++count) {
            }
        return _trw_gl_multi_walk_wide(t, wcs, count, out, size, written);
    }
    using Fn = int (*)(Walker *, const gl_multi *, const uint32_t *, int, unsigned char *, int, int *);
    static constexpr Fn kForms[8] = {
        walk_wide<false, false, false>, walk_wide<false, false, true>, walk_wide<false, true, false>,
        walk_wide<false, true, true>,   walk_wide<true, false, false>, walk_wide<true, false, true>,
        walk_wide<true, true, false>,   walk_wide<true, true, true>,
    };
    const int form = (out != nullptr ? 4 : 0) | (size >= 0 ? 2 : 0) | (count < 0 ? 1 : 0);
    return kForms[form](w, t, wcs, count, out, size, written);
}

} // namespace gls::ch
