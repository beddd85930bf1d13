// Fast loops of the stateless conversions. A single-byte conversion runs
// through its 256-byte table, eight bytes at a time, while no byte needs
// attention. A multibyte conversion walks flat copies of the trie's nodes
// (each byte value: the packed target bytes and their length, or "descend",
// or "let the per-character step decide"); the copies are made from trie
// lookups, the root at load time and deeper nodes on first use, up to a
// bounded number. Runs of ASCII that map to themselves are copied eight
// bytes at a time. A source laid out as UTF-8 also gets compact tables of
// its two- and three-byte characters by code-point bits (the latter in
// blocks of 64 made on first use), read without the walk of the nodes.
// With SSE2, ASCII goes sixteen bytes at a time, and the two conversions
// between Latin-1 and UTF-8 (when their tables hold exactly the bit
// arithmetic of UTF-8 for 80..FF) take runs of two-byte characters eight
// or sixteen at a time. Anything unusual (invalid or cut input, a
// substitution, the terminator, too little room) goes to the per-character
// step, which decides exactly as without these tables.
#include <climits>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#define TRW_CV_SSE2 1
#endif

#include "glcommon.h"
#include "glcv_int.h"

namespace gls::cv {

namespace {

enum Kind : uint8_t { kSlow = 0, kPlain = 1, kDescend = 2, kBuild = 3 };

// kPlain: bytes holds the target bytes in output order (unused ones zero).
// kDescend: bytes holds the byte offset of the child node in the arena (its
// index times the node size); a child not built yet is the sentinel node,
// whose entries are all kBuild.
struct FastEntry {
    uint32_t bytes;
    uint8_t len;
    uint8_t kind;
    uint8_t pad[2];
};
static_assert(sizeof(FastEntry) == 8, "entries pack into eight bytes");

struct FastNode {
    FastEntry entry[256];
};

// Single-byte attention bits: the byte has no plain one-byte mapping; the
// byte is the terminator.
constexpr unsigned char kNotPlain = 1;
constexpr unsigned char kTerminator = 2;

constexpr int kMaxNodes = 1024;
constexpr int kMaxExceptions = 3;
constexpr uint32_t kRoot = 0;
constexpr uint32_t kSentinel = 1;

// A UTF-8 source's characters by their bits: value = the target bytes in
// output order | their count << 24, 0 = let the general loop decide.
constexpr int kThreeNone = 1; // block_of: no character of three bytes here
struct Utf8Tables {
    uint32_t two[32 * 64];       // lead C0..DF, then 80..BF
    uint16_t block_of[16 * 64];  // lead E0..EF, then 80..BF: 0 not made yet,
                                 // kThreeNone, or k for blocks[k - 2]
    int block_count;
    uint32_t blocks[16 * 64][64]; // the third byte 80..BF
};

struct Accelerator {
    Utf8Tables *utf8; // null unless the source is laid out as UTF-8
    FastNode *arena; // nodes by index: the root, the sentinel, the rest
    int node_count;
    int capacity;
    // Runs of ASCII convert to themselves, but for at most three bytes
    // (each repeated in all eight bytes of a word).
    bool ascii_runs;
    // The root maps every byte 80..FF to its two-byte UTF-8 form (a
    // single-byte source read as Latin-1, into UTF-8).
    bool latin1_to_utf8;
    // Every character C2 80..C3 BF converts to the one byte of its code
    // point (UTF-8 into Latin-1).
    bool utf8_to_latin1;
    int exception_count;
    uint64_t exceptions[kMaxExceptions];
    unsigned char attention[256];
};

struct Scratch {
    int error;
};

// The entry for one trie lookup of key[0..depth].
FastEntry entry_for(gl_cvdesc *cd, const unsigned char *key, int depth)
{
    Scratch scratch{};
    int len = 0;
    const auto *e = static_cast<const unsigned char *>(
        _gl_retrieve_text_multi_limit(key, cd->trie[0], depth + 1, &len, &scratch));
    FastEntry fe{};
    if (e == nullptr) {
        if (scratch.error == GL_EINVAL && depth + 1 < GL_MULTI_MAX_KEY) {
            fe.kind = kDescend;
            fe.bytes = kSentinel * sizeof(FastNode);
        }
        return fe;
    }
    int flag = e[0], n = flag & GL_CV_LENGTH_MASK;
    if ((flag & GL_CV_VALID) == 0 || (flag & (GL_CV_TERMINATOR | GL_CV_SUBSTITUTION)) != 0 || n > 4 ||
        n > cd->target_max_len)
        return fe;
    std::memcpy(&fe.bytes, e + 1, static_cast<size_t>(n));
    fe.len = static_cast<uint8_t>(n);
    fe.kind = kPlain;
    return fe;
}

// Appends a node to the arena; its index, or -1 (no memory, or the bound
// reached). The arena may move.
int new_node(Accelerator *a)
{
    if (a->node_count >= kMaxNodes)
        return -1;
    if (a->node_count == a->capacity) {
        int capacity = a->capacity == 0 ? 8 : a->capacity * 2;
        if (capacity > kMaxNodes)
            capacity = kMaxNodes;
        void *grown = _gl_ext_realloc(a->arena, static_cast<size_t>(capacity) * sizeof(FastNode));
        if (grown == nullptr)
            return -1;
        a->arena = static_cast<FastNode *>(grown);
        a->capacity = capacity;
    }
    return a->node_count++;
}

// Fills node index with the entries below prefix[0..depth).
void fill_node(gl_cvdesc *cd, Accelerator *a, int index, const unsigned char *prefix, int depth)
{
    unsigned char key[GL_MULTI_MAX_KEY];
    if (depth > 0)
        std::memcpy(key, prefix, static_cast<size_t>(depth));
    for (int b = 0; b < 256; ++b) {
        key[depth] = static_cast<unsigned char>(b);
        a->arena[index].entry[b] = entry_for(cd, key, depth);
    }
}

// The root and the sentinel.
bool build_first_nodes(gl_cvdesc *cd, Accelerator *a)
{
    if (new_node(a) != static_cast<int>(kRoot) || new_node(a) != static_cast<int>(kSentinel))
        return false;
    fill_node(cd, a, kRoot, nullptr, 0);
    for (FastEntry &e : a->arena[kSentinel].entry)
        e = FastEntry{0, 0, kBuild, {0, 0}};
    return true;
}

// Builds the first missing node on the path of the character at in (at most
// avail bytes). False when nothing was built.
bool build_path(gl_cvdesc *cd, Accelerator *a, const unsigned char *in, long long avail)
{
    uint32_t node = kRoot;
    for (int depth = 0; depth + 1 < avail && depth + 1 < GL_MULTI_MAX_KEY; ++depth) {
        const FastEntry &e = a->arena[node].entry[in[depth]];
        if (e.kind != kDescend)
            return false;
        if (e.bytes != kSentinel * sizeof(FastNode)) {
            node = e.bytes / sizeof(FastNode);
            continue;
        }
        int child = new_node(a);
        if (child < 0)
            return false;
        fill_node(cd, a, child, in, depth + 1);
        a->arena[node].entry[in[depth]].bytes = static_cast<uint32_t>(child * sizeof(FastNode));
        return true;
    }
    return false;
}

constexpr uint64_t kHigh = 0x8080808080808080ULL;
constexpr uint64_t kOnes = 0x0101010101010101ULL;

inline uint64_t zero_bytes(uint64_t w) { return (w - kOnes) & ~w & kHigh; }

// Which ASCII bytes the root maps to themselves; runs of them are copied
// when at most kMaxExceptions bytes (besides 0) do not.
void find_ascii_runs(Accelerator *a)
{
    const FastNode *root = &a->arena[kRoot];
    a->exception_count = 0;
    a->ascii_runs = false;
    for (int b = 1; b < 0x80; ++b) {
        const FastEntry &e = root->entry[b];
        if (e.kind == kPlain && e.len == 1 && e.bytes == static_cast<uint32_t>(b))
            continue;
        if (a->exception_count == kMaxExceptions)
            return;
        a->exceptions[a->exception_count++] = kOnes * static_cast<uint64_t>(b);
    }
    a->ascii_runs = true;
}

// Eight bytes of ASCII, none of them zero or an exception.
inline bool ascii_run8(const Accelerator *a, const unsigned char *p)
{
    uint64_t w;
    std::memcpy(&w, p, 8);
    uint64_t bad = (w & kHigh) | zero_bytes(w);
    for (int i = 0; i < a->exception_count; ++i)
        bad |= zero_bytes(w ^ a->exceptions[i]);
    return bad == 0;
}

// Copies eight bytes of ASCII at once when the next eight are plain
// characters of the source and both the input and the room hold them.
template <bool kWrite>
inline bool copy_ascii8(const Accelerator *a, const unsigned char *&in, const unsigned char *end,
                        unsigned char *&out, long long &room)
{
    if (end - in < 8 || room < 8 || !ascii_run8(a, in))
        return false;
    if (kWrite) {
        std::memcpy(out, in, 8);
        out += 8;
    }
    in += 8;
    room -= 8;
    return true;
}

#if TRW_CV_SSE2
inline __m128i load16(const unsigned char *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
inline void store16(unsigned char *p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }

// The bytes of a block of sixteen that end a run of ASCII: high bytes,
// zero, and the exceptions, as one bit each.
inline unsigned ascii_stops16(const Accelerator *a, __m128i v)
{
    __m128i stop = _mm_or_si128(v, _mm_cmpeq_epi8(v, _mm_setzero_si128()));
    for (int i = 0; i < a->exception_count; ++i)
        stop = _mm_or_si128(stop, _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(a->exceptions[i] & 0xFF))));
    return static_cast<unsigned>(_mm_movemask_epi8(stop));
}

// Copies the run of ASCII at in, whole blocks of sixteen and then the
// start of the block that ends it (each block written whole), while input
// and room hold sixteen bytes; false when there is none. The blocks of
// sixteen advance by a constant, so that the loads of a long run do not
// wait for the bits of the one before.
template <bool kWrite>
inline bool copy_ascii16(const Accelerator *a, const unsigned char *&in, const unsigned char *end,
                         unsigned char *&out, long long &room)
{
    const unsigned char *const start = in;
    while (end - in >= 16 && room >= 16) {
        const __m128i v = load16(in);
        const unsigned stops = ascii_stops16(a, v);
        const int k = stops == 0 ? 16 : __builtin_ctz(stops);
        if (kWrite) {
            store16(out, v);
            out += k;
        }
        in += k;
        room -= k;
        if (k < 16)
            break;
    }
    return in != start;
}

// The pairs of lead and second byte in the 16-bit lanes of v (lead in the
// low byte) as the bytes of their code points, in the low eight bytes:
// ((lead & 3) << 6) | (second & 3F).
inline __m128i latin1_of_pairs(__m128i v)
{
    const __m128i top = _mm_and_si128(_mm_slli_epi16(v, 6), _mm_set1_epi16(0x00C0));
    const __m128i low = _mm_and_si128(_mm_srli_epi16(v, 8), _mm_set1_epi16(0x003F));
    return _mm_packus_epi16(_mm_or_si128(top, low), _mm_setzero_si128());
}

// Bits of the 16-bit lanes of v (two a lane) that hold a lead C2 or C3 and
// a byte 80..BF.
inline unsigned latin1_pair_bits(__m128i v)
{
    const __m128i masked = _mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xC0FE)));
    const __m128i pairs = _mm_cmpeq_epi16(masked, _mm_set1_epi16(static_cast<short>(0x80C2)));
    return static_cast<unsigned>(_mm_movemask_epi8(pairs));
}

// UTF-8 into Latin-1: the characters C2 80..C3 BF at in, up to eight a
// block of sixteen bytes, each to the one byte of its code point; when they
// end at a plain ASCII byte (a space between words) that more of them
// follow, that byte and those (found in the lanes of odd offset) go along
// in the same block. Eight bytes written a block; the run goes on while
// blocks end at another such byte or take eight. False when in starts none.
template <bool kWrite>
inline bool latin1_pairs8(const Accelerator *a, bool ascii, const unsigned char *&in, const unsigned char *end,
                          unsigned char *&out, long long &room)
{
    const unsigned char *const start = in;
    const __m128i lane = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    while (end - in >= 16 && room >= 8) {
        const __m128i v = load16(in);
        const unsigned even = latin1_pair_bits(v);
        if (even == 0xFFFF) {
            // Eight pairs: a constant step, so that a long run does not
            // wait for the bits of the block before.
            if (kWrite) {
                _mm_storel_epi64(reinterpret_cast<__m128i *>(out), latin1_of_pairs(v));
                out += 8;
            }
            in += 16;
            room -= 8;
            continue;
        }
        const __m128i w = _mm_srli_si128(v, 1); // the pairs of odd offset (the last one never whole)
        const unsigned odd = latin1_pair_bits(w);
        const unsigned p = static_cast<unsigned>(__builtin_ctz(~even)) / 2; // 0..7
        const unsigned at = 2 * p;
        const unsigned plain = ascii ? ~ascii_stops16(a, v) & 0xFFFF : 0;
        // Pairs of odd offset from at + 1 (at most 7 - p of them).
        const unsigned q = static_cast<unsigned>(__builtin_ctz(~(odd >> at))) / 2;
        const unsigned joined = ((plain >> at) & 1) != 0 && q > 0 ? 1 : 0;
        if (p == 0 && joined == 0)
            break;
        const unsigned produced = p + joined * (1 + q);
        if (kWrite) {
            // Lanes before p from the even pairs, lane p the ASCII byte,
            // lanes after it from the odd pairs (moved up one lane).
            const __m128i before = _mm_cmplt_epi8(lane, _mm_set1_epi8(static_cast<char>(p)));
            const __m128i bytes = _mm_or_si128(_mm_and_si128(before, latin1_of_pairs(v)),
                                               _mm_andnot_si128(before, _mm_slli_si128(latin1_of_pairs(w), 1)));
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out), bytes);
            out[p] = in[at]; // the ASCII byte, or a byte past the output within the room
            out += produced;
        }
        in += at + joined * (1 + 2 * q);
        room -= produced;
        if (joined == 0)
            break;
    }
    return in != start;
}

// Latin-1 into UTF-8: the run of bytes 80..FF at in, sixteen at a time and
// then those that start the block that ends it, each to its two bytes (32
// bytes written a block); false when in starts none.
template <bool kWrite>
inline bool latin1_expand16(const unsigned char *&in, const unsigned char *end, unsigned char *&out, long long &room)
{
    const unsigned char *const start = in;
    while (end - in >= 16 && room >= 32) {
        const __m128i v = load16(in);
        const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
        const int n = high == 0xFFFF ? 16 : __builtin_ctz(~high);
        if (kWrite) {
            const __m128i lead = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(v, 6), _mm_set1_epi8(0x03)),
                                              _mm_set1_epi8(static_cast<char>(0xC0)));
            const __m128i trail =
                _mm_or_si128(_mm_and_si128(v, _mm_set1_epi8(0x3F)), _mm_set1_epi8(static_cast<char>(0x80)));
            store16(out, _mm_unpacklo_epi8(lead, trail));
            store16(out + 16, _mm_unpackhi_epi8(lead, trail));
            out += 2 * n;
        }
        in += n;
        room -= 2 * n;
        if (n < 16)
            break;
    }
    return in != start;
}
#else
template <bool kWrite>
inline bool copy_ascii16(const Accelerator *, const unsigned char *&, const unsigned char *, unsigned char *&,
                         long long &)
{
    return false;
}
template <bool kWrite>
inline bool latin1_pairs8(const Accelerator *, bool, const unsigned char *&, const unsigned char *, unsigned char *&,
                          long long &)
{
    return false;
}
template <bool kWrite>
inline bool latin1_expand16(const unsigned char *&, const unsigned char *, unsigned char *&, long long &)
{
    return false;
}
#endif

void fill_attention(gl_cvdesc *cd, Accelerator *a)
{
    for (int b = 0; b < 256; ++b) {
        auto key = static_cast<unsigned char>(b);
        Scratch scratch{};
        int len = 0;
        const auto *e = static_cast<const unsigned char *>(
            _gl_retrieve_text_multi_limit(&key, cd->trie[0], 1, &len, &scratch));
        int flag = e != nullptr ? e[0] : 0;
        bool plain = (flag & GL_CV_VALID) != 0 && (flag & GL_CV_SUBSTITUTION) == 0 &&
                     (flag & GL_CV_LENGTH_MASK) == 1;
        a->attention[b] = static_cast<unsigned char>((plain ? 0 : kNotPlain) |
                                                     ((flag & GL_CV_TERMINATOR) != 0 ? kTerminator : 0));
    }
}

// The value of the character key[0..n) in the Utf8Tables, by the trie.
uint32_t packed_for(gl_cvdesc *cd, const unsigned char *key, int n)
{
    Scratch scratch{};
    int len = 0;
    const auto *e =
        static_cast<const unsigned char *>(_gl_retrieve_text_multi_limit(key, cd->trie[0], n, &len, &scratch));
    if (e == nullptr || len != n)
        return 0;
    const int flag = e[0], k = flag & GL_CV_LENGTH_MASK;
    if ((flag & GL_CV_VALID) == 0 || (flag & (GL_CV_TERMINATOR | GL_CV_SUBSTITUTION)) != 0 || k < 1 || k > 3 ||
        k > cd->target_max_len)
        return 0;
    uint32_t bytes = 0;
    std::memcpy(&bytes, e + 1, static_cast<size_t>(k));
    return bytes | static_cast<uint32_t>(k) << 24;
}

// A source is laid out as UTF-8 when C3 and E3 81 start longer characters
// and 80 is none (the tables answer from the trie whatever it holds; this
// only decides whether they are worth making).
bool utf8_layout(gl_cvdesc *cd, const Accelerator *a)
{
    if (cd->source_max_len < 3 || cd->source_min_len != 1)
        return false;
    const FastNode *root = &a->arena[kRoot];
    if (root->entry[0xC3].kind != kDescend || root->entry[0xE3].kind != kDescend || root->entry[0x80].kind != kSlow)
        return false;
    static const unsigned char kKey[2] = {0xE3, 0x81};
    return entry_for(cd, kKey, 1).kind == kDescend;
}

bool build_utf8_tables(gl_cvdesc *cd, Accelerator *a)
{
    auto *u = static_cast<Utf8Tables *>(_gl_ext_calloc(1, sizeof(Utf8Tables)));
    if (u == nullptr)
        return false;
    for (int i = 0; i < 32 * 64; ++i) {
        const unsigned char key[2] = {static_cast<unsigned char>(0xC0 + i / 64), static_cast<unsigned char>(0x80 + i % 64)};
        u->two[i] = packed_for(cd, key, 2);
    }
    a->utf8 = u;
    a->utf8_to_latin1 = cd->target_max_len == 1;
    for (uint32_t cp = 0x80; cp < 0x100; ++cp)
        a->utf8_to_latin1 = a->utf8_to_latin1 && u->two[(cp >> 6) << 6 | (cp & 0x3F)] == (cp | 1u << 24);
    return true;
}

// Whether the root of a single-byte source maps 80..FF as Latin-1 into
// UTF-8.
bool find_latin1_to_utf8(const gl_cvdesc *cd, const Accelerator *a)
{
    if (cd->source_max_len != 1 || cd->target_max_len < 2)
        return false;
    for (uint32_t b = 0x80; b < 0x100; ++b) {
        const FastEntry &e = a->arena[kRoot].entry[b];
        if (e.kind != kPlain || e.len != 2 || e.bytes != ((0xC0 | b >> 6) | (0x80 | (b & 0x3F)) << 8))
            return false;
    }
    return true;
}

// Makes the block of three-byte characters of index (lead E0..EF, second
// byte 80..BF, as in block_of); its block_of value.
int make_block(gl_cvdesc *cd, Utf8Tables *u, int index)
{
    unsigned char key[3] = {static_cast<unsigned char>(0xE0 + index / 64), static_cast<unsigned char>(0x80 + index % 64),
                            0};
    uint32_t *block = u->blocks[u->block_count];
    uint32_t any = 0;
    for (int b = 0; b < 64; ++b) {
        key[2] = static_cast<unsigned char>(0x80 + b);
        block[b] = packed_for(cd, key, 3);
        any |= block[b];
    }
    u->block_of[index] = static_cast<uint16_t>(any != 0 ? 2 + u->block_count++ : kThreeNone);
    return u->block_of[index];
}

} // namespace

bool build_accelerator(gl_cvdesc *cd)
{
    auto *a = static_cast<Accelerator *>(_gl_ext_calloc(1, sizeof(Accelerator)));
    if (a == nullptr)
        return false;
    cd->accelerator = a;
    if (cd->routine == routine_single_byte) {
        fill_attention(cd, a);
        return true;
    }
    if (!build_first_nodes(cd, a))
        return false;
    find_ascii_runs(a);
    a->latin1_to_utf8 = find_latin1_to_utf8(cd, a);
    if (utf8_layout(cd, a) && !build_utf8_tables(cd, a))
        return false;
    return true;
}

void free_accelerator(gl_cvdesc *cd)
{
    auto *a = static_cast<Accelerator *>(cd->accelerator);
    if (a == nullptr)
        return;
    _gl_ext_free(a->utf8);
    _gl_ext_free(a->arena);
    _gl_ext_free(a);
    cd->accelerator = nullptr;
}

namespace {

// The fast loops keep the cursor in locals; Sync writes it back to the job
// around a call of the per-character step and reads it again after.
struct Sync {
    Job &job;
    const bool unlimited;
    long long room0;
    long long produced0;

    explicit Sync(Job &j) : job(j), unlimited(j.room < 0), room0(0), produced0(0) {}
    void load(const unsigned char *&in, unsigned char *&out, long long &room)
    {
        in = job.in;
        out = job.out;
        room = unlimited ? LLONG_MAX : job.room;
        room0 = room;
        produced0 = job.produced;
    }
    void store(const unsigned char *in, unsigned char *out, long long room)
    {
        job.in = in;
        job.out = out;
        if (!unlimited)
            job.room = room;
        job.produced = produced0 + (room0 - room);
    }
    // One character through the step: 0 to go on, 1 after the terminator,
    // or the error number as a negative value.
    int step_one(gl_cvdesc *cd, const unsigned char *&in, unsigned char *&out, long long &room)
    {
        store(in, out, room);
        int r = step(cd, nullptr, job, Mode{});
        load(in, out, room);
        if (r != 0)
            return -r;
        return job.done ? 1 : 0;
    }
};

template <bool kWrite>
int single_byte_loop(gl_cvdesc *cd, const Accelerator *a, Job &job)
{
    const unsigned char *table = cd->sb_table;
    const unsigned char *attention = a->attention;
    const unsigned char stop = job.in_end != nullptr ? kNotPlain : kNotPlain | kTerminator;
    Sync sync(job);
    const unsigned char *in;
    unsigned char *out;
    long long room;
    sync.load(in, out, room);
    for (;;) {
        long long avail = job.guard - in;
        long long n = avail < room ? avail : room;
        long long i = 0;
        if (job.in_end != nullptr) {
            for (; i + 8 <= n; i += 8) {
                const unsigned char *p = in + i;
                unsigned char any = attention[p[0]] | attention[p[1]] | attention[p[2]] | attention[p[3]] |
                                    attention[p[4]] | attention[p[5]] | attention[p[6]] | attention[p[7]];
                if ((any & stop) != 0)
                    break;
                if (kWrite)
                    for (int k = 0; k < 8; ++k)
                        out[i + k] = table[p[k]];
            }
        }
        for (; i < n && (attention[in[i]] & stop) == 0; ++i)
            if (kWrite)
                out[i] = table[in[i]];
        in += i;
        if (kWrite)
            out += i;
        room -= i;
        if (i == avail)
            break;
        int r = sync.step_one(cd, in, out, room);
        if (r != 0)
            return r > 0 ? 0 : -r;
    }
    sync.store(in, out, room);
    return 0;
}

// The entry for byte b in the child node of a kDescend entry.
inline const FastEntry *child(const FastNode *arena, const FastEntry &e, unsigned b)
{
    return reinterpret_cast<const FastEntry *>(reinterpret_cast<const char *>(arena) + e.bytes) + b;
}

template <bool kWrite>
inline void emit(const FastEntry &e, int depth, const unsigned char *&in, unsigned char *&out, long long &room,
                 bool whole_word)
{
    if (kWrite) {
        std::memcpy(out, &e.bytes, whole_word ? 4 : e.len);
        out += e.len;
    }
    in += depth;
    room -= e.len;
}

// Characters of a UTF-8 source through the Utf8Tables, ASCII through the
// root (runs of it eight bytes at a time when ascii), while the room holds
// four bytes; stops before anything else.
template <bool kWrite>
void utf8_run(gl_cvdesc *cd, const Accelerator *a, bool ascii, const FastNode *root, const unsigned char *&in,
              const unsigned char *end, unsigned char *&out, long long &room)
{
    Utf8Tables *const u = a->utf8;
    const bool single = cd->target_max_len == 1;
    while (room >= 4 && in < end) {
        const unsigned b0 = in[0];
        uint32_t v;
        int n;
        if (b0 < 0x80) {
            if (ascii && (copy_ascii16<kWrite>(a, in, end, out, room) || copy_ascii8<kWrite>(a, in, end, out, room)))
                continue;
            const FastEntry &e = root->entry[b0];
            if (e.kind != kPlain || e.len != 1)
                return;
            v = e.bytes | 1u << 24;
            n = 1;
        } else if (b0 < 0xC0 || end - in < 2 || (in[1] & 0xC0) != 0x80) {
            return;
        } else if (b0 < 0xE0) {
            if (a->utf8_to_latin1 && latin1_pairs8<kWrite>(a, ascii, in, end, out, room))
                continue;
            // A run of two-byte characters in a loop of its own: the
            // letters of most alphabets.
            const unsigned char *p = in;
            unsigned char *o = out;
            long long r = room;
            unsigned lead = b0;
            do {
                v = u->two[(lead - 0xC0) << 6 | (p[1] & 0x3Fu)];
                if (v == 0)
                    break;
                // (Into a single-byte code set every character is one byte.)
                const uint32_t len = single ? 1 : v >> 24;
                if (kWrite) {
                    std::memcpy(o, &v, 4);
                    o += len;
                }
                r -= len;
                p += 2;
                if (r < 4 || end - p < 2)
                    break;
                lead = p[0];
            } while (lead - 0xC0 < 0x20 && (p[1] & 0xC0) == 0x80);
            in = p;
            out = o;
            room = r;
            if (v == 0)
                return;
            continue;
        } else if (b0 < 0xF0 && end - in >= 3 && (in[2] & 0xC0) == 0x80) {
            // A run of three-byte characters in a loop of its own: kana
            // and ideographs.
            const unsigned char *p = in;
            unsigned char *o = out;
            long long r = room;
            unsigned lead = b0;
            v = 0;
            for (;;) {
                const int index = static_cast<int>((lead & 0x0F) << 6 | (p[1] & 0x3Fu));
                int block = u->block_of[index];
                if (block == 0)
                    block = make_block(cd, u, index);
                v = block == kThreeNone ? 0 : u->blocks[block - 2][p[2] & 0x3F];
                if (v == 0)
                    break;
                const uint32_t len = v >> 24;
                if (kWrite) {
                    std::memcpy(o, &v, 4); // within the room, as below
                    o += len;
                }
                r -= len;
                p += 3;
                if (r < 4 || end - p < 3)
                    break;
                lead = p[0];
                if (lead - 0xE0 >= 0x10 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80)
                    break;
            }
            if (p == in)
                return;
            in = p;
            out = o;
            room = r;
            continue;
        } else {
            return;
        }
        if (v == 0)
            return;
        const uint32_t len = v >> 24;
        if (kWrite) {
            std::memcpy(out, &v, 4); // within the room; the bytes past len are written over next
            out += len;
        }
        room -= len;
        in += n;
    }
}

template <bool kWrite>
int multibyte_loop(gl_cvdesc *cd, Accelerator *a, Job &job)
{
    Utf8Tables *const utf8 = a->utf8;
    const FastNode *arena = a->arena;
    const FastNode *root = &arena[kRoot];
    const unsigned char *end = job.guard;
    const bool ascii = a->ascii_runs && job.in_end != nullptr;
    const bool latin1 = a->latin1_to_utf8;
    Sync sync(job);
    const unsigned char *in;
    unsigned char *out;
    long long room;
    sync.load(in, out, room);
    while (in < end) {
        if (utf8 != nullptr) {
            utf8_run<kWrite>(cd, a, ascii, root, in, end, out, room);
            if (in >= end)
                break;
            goto one_character;
        }
        {
            const unsigned b = in[0];
            if (b < 0x80 && ascii &&
                (copy_ascii16<kWrite>(a, in, end, out, room) || copy_ascii8<kWrite>(a, in, end, out, room)))
                continue;
            if (b >= 0x80 && latin1 && latin1_expand16<kWrite>(in, end, out, room))
                continue;
            // Characters of one to three bytes whose nodes are built, until
            // something needs attention, the room or the input gets short, or
            // two ASCII bytes in a row may start a run.
            const unsigned char *safe_end = end - 2;
            while (in < safe_end && room >= 4) {
                const FastEntry *e1 = &root->entry[in[0]];
                if (e1->kind == kPlain) {
                    emit<kWrite>(*e1, 1, in, out, room, true);
                    if (ascii && (in[-1] | in[0]) < 0x80)
                        break;
                    continue;
                }
                if (e1->kind != kDescend)
                    break;
                const FastEntry *e2 = child(arena, *e1, in[1]);
                if (e2->kind == kPlain) {
                    // A run of two-byte characters (letters of UTF-8 and of
                    // the double-byte code sets), of any lead bytes.
                    do {
                        emit<kWrite>(*e2, 2, in, out, room, true);
                        if (in >= safe_end || room < 4)
                            break;
                        e1 = &root->entry[in[0]];
                        if (e1->kind != kDescend)
                            break;
                        e2 = child(arena, *e1, in[1]);
                    } while (e2->kind == kPlain);
                    continue;
                }
                if (e2->kind != kDescend)
                    break;
                const FastEntry *e3 = child(arena, *e2, in[2]);
                if (e3->kind != kPlain)
                    break;
                emit<kWrite>(*e3, 3, in, out, room, true);
            }
        }
    one_character:
        if (in >= end)
            break;
        const FastEntry *e = &root->entry[in[0]];
        int depth = 1;
        while (e->kind == kDescend && in + depth < end) {
            e = child(arena, *e, in[depth]);
            ++depth;
        }
        if (e->kind == kPlain && room >= 4) {
            emit<kWrite>(*e, depth, in, out, room, true);
            continue;
        }
        if (e->kind == kBuild && build_path(cd, a, in, end - in)) {
            arena = a->arena; // the arena may have moved
            root = &arena[kRoot];
            continue;
        }
        if (e->kind == kPlain && room >= e->len) {
            emit<kWrite>(*e, depth, in, out, room, false);
            continue;
        }
        int r = sync.step_one(cd, in, out, room);
        if (r != 0)
            return r > 0 ? 0 : -r;
    }
    sync.store(in, out, room);
    return 0;
}

} // namespace

int run_single_byte(gl_cvdesc *cd, Job &job)
{
    auto *a = static_cast<Accelerator *>(cd->accelerator);
    if (a == nullptr || cd->sb_table == nullptr)
        return run_plain(cd, job);
    return job.out != nullptr ? single_byte_loop<true>(cd, a, job) : single_byte_loop<false>(cd, a, job);
}

int run_multibyte(gl_cvdesc *cd, Job &job)
{
    auto *a = static_cast<Accelerator *>(cd->accelerator);
    if (a == nullptr || a->node_count < 2)
        return run_plain(cd, job);
    return job.out != nullptr ? multibyte_loop<true>(cd, a, job) : multibyte_loop<false>(cd, a, job);
}

} // namespace gls::cv
