// Fast loops of the stateless conversions. A single-byte conversion runs
// through its 256-byte table, eight bytes at a time, while no byte needs
// attention. A multibyte conversion walks flat copies of the trie's nodes
// (each byte value: the packed target bytes and their length, or "descend",
// or "let the per-character step decide"); the copies are made from trie
// lookups, the root at load time and deeper nodes on first use, up to a
// bounded number. Runs of ASCII that map to themselves are copied eight
// bytes at a time. Anything unusual (invalid or cut input, a substitution,
// the terminator, too little room) goes to the per-character step, which
// decides exactly as without these tables.
#include <climits>
#include <cstring>

#include "glcommon.h"
#include "glcv_int.h"

namespace gls::cv {

namespace {

enum Kind : uint8_t { kSlow = 0, kPlain = 1, kDescend = 2 };

struct FastEntry {
    uint32_t bytes; // target bytes in output order, unused ones zero
    uint8_t len;
    uint8_t kind;
    uint8_t pad[2];
};
static_assert(sizeof(FastEntry) == 8, "entries pack into eight bytes");

struct FastNode {
    FastEntry entry[256];
    FastNode *child[256];
};

// Single-byte attention bits: the byte has no plain one-byte mapping; the
// byte is the terminator.
constexpr unsigned char kNotPlain = 1;
constexpr unsigned char kTerminator = 2;

constexpr int kMaxNodes = 1024;

struct Accelerator {
    FastNode *root;
    int nodes;
    bool ascii_identity; // bytes 01..7F convert to themselves
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
        if (scratch.error == GL_EINVAL && depth + 1 < GL_MULTI_MAX_KEY)
            fe.kind = kDescend;
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

FastNode *build_node(gl_cvdesc *cd, Accelerator *a, const unsigned char *prefix, int depth)
{
    if (a->nodes >= kMaxNodes)
        return nullptr;
    auto *node = static_cast<FastNode *>(_gl_ext_calloc(1, sizeof(FastNode)));
    if (node == nullptr)
        return nullptr;
    ++a->nodes;
    unsigned char key[GL_MULTI_MAX_KEY];
    if (depth > 0)
        std::memcpy(key, prefix, static_cast<size_t>(depth));
    for (int b = 0; b < 256; ++b) {
        key[depth] = static_cast<unsigned char>(b);
        node->entry[b] = entry_for(cd, key, depth);
    }
    return node;
}

void free_node(FastNode *node)
{
    if (node == nullptr)
        return;
    for (FastNode *c : node->child)
        free_node(c);
    _gl_ext_free(node);
}

bool all_ascii_identity(const FastNode *root)
{
    for (int b = 1; b < 0x80; ++b) {
        const FastEntry &e = root->entry[b];
        if (e.kind != kPlain || e.len != 1 || e.bytes != static_cast<uint32_t>(b))
            return false;
    }
    return true;
}

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

constexpr uint64_t kHigh = 0x8080808080808080ULL;
constexpr uint64_t kOnes = 0x0101010101010101ULL;

// Eight bytes of ASCII without a zero byte.
inline bool plain_ascii8(const unsigned char *p)
{
    uint64_t w;
    std::memcpy(&w, p, 8);
    return ((w & kHigh) | ((w - kOnes) & ~w & kHigh)) == 0;
}

// Local copies of a job's cursor for the loops.
struct Cursor {
    const unsigned char *in;
    unsigned char *out;
    long long room; // LLONG_MAX when unlimited
    long long produced;

    explicit Cursor(const Job &job)
        : in(job.in), out(job.out), room(job.room < 0 ? LLONG_MAX : job.room), produced(job.produced)
    {
    }
    void store(Job &job) const
    {
        job.in = in;
        job.out = out;
        if (job.room >= 0)
            job.room = room;
        job.produced = produced;
    }
};

// Hands one character to the per-character step. 0 to go on, 1 when the
// terminator ended the input, or the error number (as a negative value).
int slow_step(gl_cvdesc *cd, Job &job, Cursor &c)
{
    c.store(job);
    int r = step(cd, nullptr, job, Mode{});
    if (r != 0)
        return -r;
    c = Cursor(job);
    return job.done ? 1 : 0;
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
    a->root = build_node(cd, a, nullptr, 0);
    if (a->root == nullptr)
        return false;
    a->ascii_identity = all_ascii_identity(a->root);
    return true;
}

void free_accelerator(gl_cvdesc *cd)
{
    auto *a = static_cast<Accelerator *>(cd->accelerator);
    if (a == nullptr)
        return;
    free_node(a->root);
    _gl_ext_free(a);
    cd->accelerator = nullptr;
}

int run_single_byte(gl_cvdesc *cd, Job &job)
{
    auto *a = static_cast<Accelerator *>(cd->accelerator);
    if (a == nullptr || cd->sb_table == nullptr)
        return run_plain(cd, job);
    const unsigned char *table = cd->sb_table;
    const unsigned char *attention = a->attention;
    const unsigned char stop = job.in_end != nullptr ? kNotPlain : kNotPlain | kTerminator;
    Cursor c(job);
    for (;;) {
        long long avail = job.guard - c.in;
        long long n = avail < c.room ? avail : c.room;
        long long i = 0;
        if (job.in_end != nullptr) {
            for (; i + 8 <= n; i += 8) {
                const unsigned char *p = c.in + i;
                unsigned char any = attention[p[0]] | attention[p[1]] | attention[p[2]] | attention[p[3]] |
                                    attention[p[4]] | attention[p[5]] | attention[p[6]] | attention[p[7]];
                if ((any & stop) != 0)
                    break;
                if (c.out != nullptr)
                    for (int k = 0; k < 8; ++k)
                        c.out[i + k] = table[p[k]];
            }
        }
        for (; i < n && (attention[c.in[i]] & stop) == 0; ++i)
            if (c.out != nullptr)
                c.out[i] = table[c.in[i]];
        c.in += i;
        if (c.out != nullptr)
            c.out += i;
        c.room -= i;
        c.produced += i;
        if (i == avail)
            break;
        int r = slow_step(cd, job, c);
        if (r != 0)
            return r > 0 ? 0 : -r;
    }
    c.store(job);
    return 0;
}

int run_multibyte(gl_cvdesc *cd, Job &job)
{
    auto *a = static_cast<Accelerator *>(cd->accelerator);
    if (a == nullptr || a->root == nullptr)
        return run_plain(cd, job);
    const unsigned char *end = job.guard;
    const bool ascii = a->ascii_identity && job.in_end != nullptr;
    Cursor c(job);
    while (c.in < end) {
        if (ascii && end - c.in >= 8 && c.room >= 8 && plain_ascii8(c.in)) {
            if (c.out != nullptr) {
                std::memcpy(c.out, c.in, 8);
                c.out += 8;
            }
            c.in += 8;
            c.room -= 8;
            c.produced += 8;
            continue;
        }
        FastNode *node = a->root;
        const FastEntry *e = &node->entry[c.in[0]];
        int depth = 1;
        while (e->kind == kDescend && c.in + depth < end) {
            FastNode *&child = node->child[c.in[depth - 1]];
            if (child == nullptr && (child = build_node(cd, a, c.in, depth)) == nullptr)
                break;
            node = child;
            e = &node->entry[c.in[depth]];
            ++depth;
        }
        if (e->kind != kPlain || c.room < e->len) {
            int r = slow_step(cd, job, c);
            if (r != 0)
                return r > 0 ? 0 : -r;
            continue;
        }
        if (c.out != nullptr) {
            if (c.room >= 4)
                std::memcpy(c.out, &e->bytes, 4);
            else
                std::memcpy(c.out, &e->bytes, e->len);
            c.out += e->len;
        }
        c.in += depth;
        c.room -= e->len;
        c.produced += e->len;
    }
    c.store(job);
    return 0;
}

} // namespace gls::cv
