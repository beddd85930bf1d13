// Multi-level tables (256-way byte tries): creation, insertion, every lookup
// form, a visit of every character, (sharing identical node arrays), freeing, and the text
// encoding of locale and conversion files, whose writer and reader live here
// together so that what one writes the other reads. The reader treats its
// input as untrusted: every count, index and run is checked before use, and
// the tree may be no deeper than the caller allows.
#include "gl_multi.h"

#include <climits>
#include <cstddef>
#include <cstring>

#include "glcommon.h"
#include "gltext.h"

// A node. flags[b] says what byte b means here (gl_multi.h). For bytes
// flagged GL_MULTI_CONTINUE, children[offsets[b]] is the next node. data
// holds 256 elements at the table's stride (entry b at b << stride_shift);
// without it every entry is the default element. In a compressed table
// flag_index and data_index name the shared arrays in the table's lists
// (-1: the node owns the array).
struct gl_multi_node {
    unsigned char *flags;
    unsigned char *offsets;
    gl_multi_node **children;
    int child_count;
    int child_capacity;
    unsigned char *data;
    int flag_index;
    int data_index;
    int pooled; // taken from the table's node pool, freed with it
};

// Nodes a reader creates come from blocks of the table's pool, one
// allocation for many nodes; the pool is freed with the table.
constexpr int kPoolNodes = 128;
struct NodeBlock {
    NodeBlock *next;
    int used;
    gl_multi_node nodes[kPoolNodes];
};

// A list of distinct arrays of a compressed table; ones[i] counts the
// GL_MULTI_CONTINUE entries of flag array i (its number of children).
struct SharedList {
    unsigned char **arrays;
    int *ones;
    int count;
    int capacity;
};

struct gl_multi {
    int max_length;
    int min_length;
    int flags;
    int element_size;
    int stride_shift;
    unsigned char *default_element; // one stride, padding zero
    gl_multi_node *root;
    int flag_arrays;   // arrays created, for statistics
    int data_arrays;
    int offset_arrays;
    int node_count;
    int error;
    SharedList flag_list;
    SharedList data_list;
    NodeBlock *pool;
    void *walker; // flat copy of the nodes for the string walks (glchfast.cpp), made on first use
};

namespace {

constexpr int kBytes = 256;
constexpr int kMaxElementSize = 65536;

// ---- memory ----

template <typename T>
T *hook_calloc(std::size_t count)
{
    return static_cast<T *>(_gl_ext_calloc(count, sizeof(T)));
}

std::size_t data_bytes(const gl_multi *t) { return static_cast<std::size_t>(kBytes) << t->stride_shift; }

unsigned char *entry_at(unsigned char *data, int b, int shift)
{
    return data + (static_cast<std::size_t>(b) << shift);
}
const unsigned char *entry_at(const unsigned char *data, int b, int shift)
{
    return data + (static_cast<std::size_t>(b) << shift);
}

gl_multi_node *new_node(gl_multi *t)
{
    auto *n = hook_calloc<gl_multi_node>(1);
    if (n == nullptr)
        return nullptr;
    n->flag_index = -1;
    n->data_index = -1;
    ++t->node_count;
    return n;
}

// A node from the pool (a new block when the last is full).
gl_multi_node *pooled_node(gl_multi *t)
{
    if (t->pool == nullptr || t->pool->used == kPoolNodes) {
        auto *block = hook_calloc<NodeBlock>(1);
        if (block == nullptr)
            return nullptr;
        block->next = t->pool;
        t->pool = block;
    }
    gl_multi_node *n = &t->pool->nodes[t->pool->used++];
    n->flag_index = -1;
    n->data_index = -1;
    n->pooled = 1;
    ++t->node_count;
    return n;
}

void free_pool(gl_multi *t)
{
    while (NodeBlock *b = t->pool) {
        t->pool = b->next;
        _gl_ext_free(b);
    }
}

unsigned char *new_flag_array(gl_multi *t)
{
    auto *f = hook_calloc<unsigned char>(kBytes);
    if (f != nullptr)
        ++t->flag_arrays;
    return f;
}

// A data array with every entry the default element.
unsigned char *new_data_array(gl_multi *t)
{
    auto *d = static_cast<unsigned char *>(_gl_ext_malloc(data_bytes(t)));
    if (d == nullptr)
        return nullptr;
    // One entry, then copies that double the filled part.
    std::size_t stride = std::size_t{1} << t->stride_shift, total = data_bytes(t);
    std::memcpy(d, t->default_element, stride);
    for (std::size_t filled = stride; filled < total; filled *= 2)
        std::memcpy(d + filled, d, filled);
    ++t->data_arrays;
    return d;
}

// Room for one more child; children are appended in creation order and
// found through the offset array.
bool reserve_child(gl_multi *t, gl_multi_node *n, int wanted)
{
    if (n->offsets == nullptr) {
        n->offsets = hook_calloc<unsigned char>(kBytes);
        if (n->offsets == nullptr)
            return false;
        ++t->offset_arrays;
    }
    if (wanted <= n->child_capacity)
        return true;
    int capacity = n->child_capacity == 0 ? wanted : n->child_capacity * 2;
    if (capacity < wanted)
        capacity = wanted;
    if (capacity > kBytes)
        capacity = kBytes;
    void *grown = _gl_ext_realloc(n->children, static_cast<std::size_t>(capacity) * sizeof(gl_multi_node *));
    if (grown == nullptr)
        return false;
    n->children = static_cast<gl_multi_node **>(grown);
    n->child_capacity = capacity;
    return true;
}

void free_node(gl_multi_node *n)
{
    if (n == nullptr)
        return;
    for (int i = 0; i < n->child_count; ++i)
        free_node(n->children[i]);
    _gl_ext_free(n->children);
    _gl_ext_free(n->offsets);
    if (n->flag_index < 0)
        _gl_ext_free(n->flags);
    if (n->data_index < 0)
        _gl_ext_free(n->data);
    if (!n->pooled)
        _gl_ext_free(n);
}

void free_list(SharedList &list)
{
    for (int i = 0; i < list.count; ++i)
        _gl_ext_free(list.arrays[i]);
    _gl_ext_free(list.arrays);
    _gl_ext_free(list.ones);
    list = SharedList{};
}

// Adds array to the list; its index, or -1 when memory runs out.
int list_append(SharedList &list, unsigned char *array, int ones)
{
    if (list.count == list.capacity) {
        int capacity = list.capacity == 0 ? 8 : list.capacity * 2;
        void *arrays = _gl_ext_realloc(list.arrays, static_cast<std::size_t>(capacity) * sizeof(unsigned char *));
        if (arrays == nullptr)
            return -1;
        list.arrays = static_cast<unsigned char **>(arrays);
        void *counts = _gl_ext_realloc(list.ones, static_cast<std::size_t>(capacity) * sizeof(int));
        if (counts == nullptr)
            return -1;
        list.ones = static_cast<int *>(counts);
        list.capacity = capacity;
    }
    list.arrays[list.count] = array;
    list.ones[list.count] = ones;
    return list.count++;
}

int count_continuations(const unsigned char *flags)
{
    int ones = 0;
    if (flags != nullptr)
        for (int b = 0; b < kBytes; ++b)
            ones += flags[b] == GL_MULTI_CONTINUE;
    return ones;
}

// Back to the state of a fresh table: no nodes but an empty root.
bool reset_table(gl_multi *t)
{
    free_node(t->root);
    free_pool(t);
    free_list(t->flag_list);
    free_list(t->data_list);
    _gl_ext_free(t->walker);
    t->walker = nullptr;
    t->node_count = 0;
    t->root = new_node(t);
    return t->root != nullptr;
}

// ---- lookup ----

struct WalkResult {
    const unsigned char *element; // null on failure
    int length;
    int error;
};

// Whether a walk of a terminated string must stop at byte i of a character
// whose bytes end in zeros zero bytes: the string ends there, so the only
// character that may hold such a run is the terminator itself, exactly that
// many zero bytes long. Keys of a damaged table that go on past the zeros
// would read beyond the string.
inline bool ends_string_inside(int zeros, int term, int i, int flag)
{
    return zeros >= term && !(flag == GL_MULTI_END && i + 1 == term);
}

// Walks bytes[0], bytes[1], ... through the trie, reading at most limit
// bytes (limit < 0: a terminated string, as many as the trie asks for but
// never past its terminator).
WalkResult walk(const gl_multi *t, const unsigned char *bytes, int limit)
{
    if (t == nullptr || bytes == nullptr)
        return {nullptr, 0, GL_EINVAL};
    const gl_multi_node *n = t->root;
    const int term = _gl_multi_terminator_length(t);
    for (int i = 0, zeros = 0;; ++i) {
        if (limit >= 0 && i >= limit)
            return {nullptr, i, GL_EINVAL};
        int b = bytes[i];
        int flag = n->flags != nullptr ? n->flags[b] : 0;
        if (limit < 0) {
            zeros = b == 0 ? zeros + 1 : 0;
            if (ends_string_inside(zeros, term, i, flag))
                return {nullptr, i, zeros == i + 1 ? GL_EILSEQ : GL_EINVAL};
        }
        if (flag == GL_MULTI_END) {
            const unsigned char *e =
                n->data != nullptr ? entry_at(n->data, b, t->stride_shift) : t->default_element;
            return {e, i + 1, 0};
        }
        if (flag != GL_MULTI_CONTINUE)
            return {nullptr, i, GL_EILSEQ};
        n = n->children[n->offsets[b]];
    }
}

const void *report(const WalkResult &r, int *length, void *context)
{
    if (r.element == nullptr) {
        gls::set_error(context, r.error);
        return nullptr;
    }
    if (length != nullptr)
        *length = r.length;
    return r.element;
}

const void *walk_limited(const unsigned char *bytes, const gl_multi *t, int limit, int *length,
                         void *context)
{
    if (limit <= 0) {
        gls::set_error(context, GL_EINVAL);
        return nullptr;
    }
    return report(walk(t, bytes, limit), length, context);
}

// ---- text encoding: tokens ----

void skip_space(FILE *stream, int *c)
{
    do
        *c = _gl_ext_getc(stream);
    while (gls::is_ascii_space(*c));
}

// ---- text encoding: writer ----

// An array of 256 entries as the writer sees it: entry b is `size` bytes at
// base + (b << shift); entries equal to `omit` are not written.
struct ArrayView {
    const unsigned char *base;
    int shift;
    int size;
    const unsigned char *omit;
    bool equal(int a, int b) const
    {
        return std::memcmp(entry_at(base, a, shift), entry_at(base, b, shift), static_cast<std::size_t>(size)) == 0;
    }
    bool omitted(int b) const { return std::memcmp(entry_at(base, b, shift), omit, static_cast<std::size_t>(size)) == 0; }
    int repeats(int b, int cap) const
    {
        int r = 1;
        while (b + r < kBytes && r < cap && equal(b, b + r))
            ++r;
        return r;
    }
};

struct Writer {
    FILE *stream;
    gl_multi *table;
    gl_multi_elem_writer write_element;
    bool ok = true;

    template <typename... Args>
    void format(const char *text, Args... args)
    {
        if (ok && gls::write_format(stream, text, args...) != 0)
            ok = false;
    }
    void text(const char *t)
    {
        if (ok && gls::write_format(stream, "%s", t) != 0)
            ok = false;
    }
    void entry(const ArrayView &v, int b, bool is_flag)
    {
        if (!ok)
            return;
        const unsigned char *e = entry_at(v.base, b, v.shift);
        if (is_flag)
            ok = gls::write_format(stream, "%02x", *e) == 0;
        else
            ok = write_element(stream, e, table->element_size) == 0;
    }

    // Runs: a single entry repeated (4 or more equal entries), else a literal
    // stretch up to the next omitted entry or the next long repeat.
    static constexpr int kMinRepeat = 4;
    void array(const ArrayView &v, bool is_flag)
    {
        int b = 0;
        while (b < kBytes && ok) {
            if (v.omitted(b)) {
                ++b;
                continue;
            }
            int r = v.repeats(b, kBytes);
            if (r >= kMinRepeat) {
                format("%02x%03x%03x", b, 1, r);
                entry(v, b, is_flag);
                text("\n");
                b += r;
                continue;
            }
            int end = b + 1;
            while (end < kBytes && !v.omitted(end) && v.repeats(end, kMinRepeat) < kMinRepeat)
                ++end;
            format("%02x%03x%03x", b, end - b, 1);
            for (int i = b; i < end; ++i)
                entry(v, i, is_flag);
            text("\n");
            b = end;
        }
        text("0000000\n");
    }

    void flag_array(const unsigned char *flags)
    {
        static const unsigned char zero = 0;
        array(ArrayView{flags, 0, 1, &zero}, true);
    }
    void data_array(const unsigned char *data)
    {
        array(ArrayView{data, table->stride_shift, table->element_size, table->default_element}, false);
    }

    void children(const gl_multi_node *n, void (Writer::*node_fn)(const gl_multi_node *))
    {
        if (n->flags == nullptr)
            return;
        for (int b = 0; b < kBytes && ok; ++b)
            if (n->flags[b] == GL_MULTI_CONTINUE)
                (this->*node_fn)(n->children[n->offsets[b]]);
    }

    void plain_node(const gl_multi_node *n)
    {
        format("%d %d\n", n->flags != nullptr, n->data != nullptr);
        if (n->flags != nullptr)
            flag_array(n->flags);
        if (n->data != nullptr)
            data_array(n->data);
        children(n, &Writer::plain_node);
    }

    void compressed_node(const gl_multi_node *n)
    {
        format("%d %d %u %u\n", n->flags != nullptr, n->data != nullptr, static_cast<unsigned>(n->flag_index),
               static_cast<unsigned>(n->data_index));
        children(n, &Writer::compressed_node);
    }

    void compressed_tree()
    {
        format("%d %d\n", table->flag_list.count, table->data_list.count);
        for (int i = 0; i < table->flag_list.count; ++i)
            flag_array(table->flag_list.arrays[i]);
        for (int i = 0; i < table->data_list.count; ++i)
            data_array(table->data_list.arrays[i]);
        compressed_node(table->root);
    }
};

// A single-byte table is written with every root byte a character.
bool mark_every_root_byte(gl_multi *t)
{
    gl_multi_node *root = t->root;
    if (root->flags == nullptr) {
        root->flags = new_flag_array(t);
        if (root->flags == nullptr)
            return false;
        if ((t->flags & GL_MULTI_COMPRESSED) != 0) {
            root->flag_index = list_append(t->flag_list, root->flags, 0);
            if (root->flag_index < 0)
                return false;
        }
    }
    std::memset(root->flags, GL_MULTI_END, kBytes);
    if (root->flag_index >= 0)
        t->flag_list.ones[root->flag_index] = 0;
    return true;
}

// ---- text encoding: reader ----

// Where a reader takes its tokens: a stream through the hooks with the
// caller's element reader, or text in memory with 16-bit elements. The text
// source also notes the largest element it reads.
struct StreamSource {
    FILE *stream;
    gl_multi_elem_reader read_element;
    bool dec(long *v) { return _gl_fscan_dec(stream, v) == 0; }
    bool hex(int digits, unsigned long *v) { return _gl_fscan_hex(stream, digits, v) == 0; }
    bool element(unsigned char *slot, int size) { return read_element(stream, slot, size) == 0; }
};

struct TextSource {
    gls::Text &text;
    unsigned *highest; // the largest element read
    bool dec(long *v) { return gls::scan_dec(text, v); }
    bool hex(int digits, unsigned long *v) { return gls::scan_hex(text, digits, v); }
    bool element(unsigned char *slot, int size)
    {
        unsigned long v;
        if (size != static_cast<int>(sizeof(uint16_t)))
            return false;
        // The writer puts a run's elements side by side: four digits with
        // no white space before them are the element as scan_hex reads it.
        const unsigned char *p = text.p;
        unsigned h0, h1, h2, h3;
        if (text.end - p > 4 &&
            ((h0 = gls::kChars.hex[p[0]]) | (h1 = gls::kChars.hex[p[1]]) | (h2 = gls::kChars.hex[p[2]]) |
             (h3 = gls::kChars.hex[p[3]])) < 16) {
            v = h0 << 12 | h1 << 8 | h2 << 4 | h3;
            text.p = p + 4;
        } else if (!gls::scan_hex(text, 4, &v)) {
            return false;
        }
        auto value = static_cast<uint16_t>(v);
        std::memcpy(slot, &value, sizeof value);
        *highest = value > *highest ? value : *highest;
        return true;
    }
};

template <class Source> struct Reader {
    Source in;
    gl_multi *table;
    int error = 0;

    bool fail(int number)
    {
        if (error == 0)
            error = number;
        return false;
    }

    bool dec(long *v) { return in.dec(v) || fail(GL_EFORMAT); }
    bool hex(int digits, unsigned long *v) { return in.hex(digits, v) || fail(GL_EFORMAT); }
    bool boolean(int *v)
    {
        long n;
        if (!dec(&n))
            return false;
        if (n != 0 && n != 1)
            return fail(GL_EFORMAT);
        *v = static_cast<int>(n);
        return true;
    }

    // One run-encoded array. A run stores its `length` entries `repeat`
    // times back to back from `start`; it must stay inside the 256 entries.
    // A run of repeat 0 is read and dropped; length 0 ends the array.
    template <typename ReadEntry>
    bool array(unsigned char *base, int shift, unsigned char *scratch, ReadEntry read_entry)
    {
        std::size_t stride = std::size_t{1} << shift;
        for (;;) {
            unsigned long start, length, repeat;
            if (!hex(2, &start) || !hex(3, &length) || !hex(3, &repeat))
                return false;
            if (length == 0)
                return true;
            if (start + length * repeat > kBytes || length > kBytes)
                return fail(GL_EFORMAT);
            for (unsigned long i = 0; i < length; ++i) {
                unsigned char *slot =
                    repeat == 0 ? scratch : entry_at(base, static_cast<int>(start + i), shift);
                if (!read_entry(slot))
                    return false;
            }
            // The copies double what is filled until the run stands repeat times.
            unsigned char *run = entry_at(base, static_cast<int>(start), shift);
            const std::size_t total = length * repeat * stride;
            for (std::size_t filled = length * stride; repeat > 1 && filled < total; filled *= 2)
                std::memcpy(run + filled, run, filled < total - filled ? filled : total - filled);
        }
    }

    unsigned char *flag_array()
    {
        unsigned char *flags = new_flag_array(table);
        if (flags == nullptr) {
            fail(GL_ENOMEM);
            return nullptr;
        }
        unsigned char scratch;
        bool ok = array(flags, 0, &scratch, [this](unsigned char *slot) {
            unsigned long v;
            if (!hex(2, &v))
                return false;
            *slot = static_cast<unsigned char>(v);
            return true;
        });
        if (!ok) {
            _gl_ext_free(flags);
            return nullptr;
        }
        return flags;
    }

    unsigned char *data_array()
    {
        // Entries of dropped runs land in scratch: on the stack when small.
        const std::size_t stride = std::size_t{1} << table->stride_shift;
        unsigned char small[16];
        unsigned char *data = new_data_array(table);
        gls::HookBuffer large(stride > sizeof small ? stride : 0);
        if (data == nullptr || (stride > sizeof small && !large)) {
            _gl_ext_free(data);
            fail(GL_ENOMEM);
            return nullptr;
        }
        unsigned char *scratch = stride > sizeof small ? reinterpret_cast<unsigned char *>(large.get()) : small;
        bool ok = array(data, table->stride_shift, scratch,
                        [this](unsigned char *slot) {
                            return in.element(slot, table->element_size) || fail(GL_EFORMAT);
                        });
        if (!ok) {
            _gl_ext_free(data);
            return nullptr;
        }
        return data;
    }

    // Children of a node whose arrays are in place, in increasing byte order;
    // ones: how many bytes continue (its flag array's count).
    bool children(gl_multi_node *n, int depth, int ones, bool (Reader::*node_fn)(gl_multi_node *, int))
    {
        if (ones == 0)
            return true;
        if (depth >= table->max_length)
            return fail(GL_ETOODEEP);
        if (!reserve_child(table, n, ones))
            return fail(GL_ENOMEM);
        for (int b = 0; b < kBytes; ++b) {
            if (n->flags[b] != GL_MULTI_CONTINUE)
                continue;
            gl_multi_node *child = pooled_node(table);
            if (child == nullptr)
                return fail(GL_ENOMEM);
            n->offsets[b] = static_cast<unsigned char>(n->child_count);
            n->children[n->child_count++] = child;
            if (!(this->*node_fn)(child, depth + 1))
                return false;
        }
        return true;
    }

    bool plain_node(gl_multi_node *n, int depth)
    {
        int has_flags, has_data;
        if (!boolean(&has_flags) || !boolean(&has_data))
            return false;
        if (has_flags && (n->flags = flag_array()) == nullptr)
            return false;
        if (has_data && (n->data = data_array()) == nullptr)
            return false;
        return children(n, depth, count_continuations(n->flags), &Reader::plain_node);
    }

    bool shared_index(const SharedList &list, int *index)
    {
        unsigned long v;
        if (!unsigned_dec(&v))
            return false;
        if (index == nullptr)
            return true;
        if (v >= static_cast<unsigned long>(list.count))
            return fail(GL_EFORMAT);
        *index = static_cast<int>(v);
        return true;
    }

    // "%u": an index, or 4294967295 for an absent array.
    bool unsigned_dec(unsigned long *v)
    {
        long n;
        if (!dec(&n))
            return false;
        if (n < 0 || n > static_cast<long>(UINT_MAX))
            return fail(GL_EFORMAT);
        *v = static_cast<unsigned long>(n);
        return true;
    }

    bool compressed_node(gl_multi_node *n, int depth)
    {
        int has_flags, has_data, fi = -1, di = -1;
        if (!boolean(&has_flags) || !boolean(&has_data))
            return false;
        if (!shared_index(table->flag_list, has_flags ? &fi : nullptr) ||
            !shared_index(table->data_list, has_data ? &di : nullptr))
            return false;
        if (has_flags) {
            n->flags = table->flag_list.arrays[fi];
            n->flag_index = fi;
        }
        if (has_data) {
            n->data = table->data_list.arrays[di];
            n->data_index = di;
        }
        return children(n, depth, has_flags ? table->flag_list.ones[fi] : 0, &Reader::compressed_node);
    }

    bool shared_arrays(SharedList &list, long count, unsigned char *(Reader::*read_fn)())
    {
        for (long i = 0; i < count; ++i) {
            unsigned char *array = (this->*read_fn)();
            if (array == nullptr)
                return false;
            if (list_append(list, array, count_continuations(array)) < 0) {
                _gl_ext_free(array);
                return fail(GL_ENOMEM);
            }
        }
        return true;
    }

    bool compressed_tree()
    {
        long flag_count, data_count;
        if (!dec(&flag_count) || !dec(&data_count))
            return false;
        if (flag_count < 0 || data_count < 0)
            return fail(GL_EFORMAT);
        return shared_arrays(table->flag_list, flag_count, &Reader::flag_array) &&
               shared_arrays(table->data_list, data_count, &Reader::data_array) &&
               compressed_node(table->root, 1);
    }

    bool header(int max_depth)
    {
        long max_length, min_length, flags;
        if (!dec(&max_length) || !dec(&min_length) || !dec(&flags))
            return false;
        if (max_length > max_depth || max_length > GL_MULTI_MAX_KEY)
            return fail(GL_ETOODEEP);
        if (max_length < 0 || min_length < 0 || min_length > GL_MULTI_MAX_KEY || flags < 0)
            return fail(GL_EFORMAT);
        if (!in.element(table->default_element, table->element_size))
            return fail(GL_EFORMAT);
        table->max_length = static_cast<int>(max_length);
        table->min_length = static_cast<int>(min_length);
        table->flags = static_cast<int>(flags) & (GL_MULTI_INMEMORY | GL_MULTI_COMPRESSED);
        return true;
    }
};

bool table_is_empty(const gl_multi *t)
{
    const gl_multi_node *r = t->root;
    return r->flags == nullptr && r->data == nullptr && r->child_count == 0 && t->flag_list.count == 0 &&
           t->data_list.count == 0;
}

// ---- compression ----

int find_flag_array(const SharedList &list, const unsigned char *flags)
{
    for (int i = 0; i < list.count; ++i)
        if (std::memcmp(list.arrays[i], flags, kBytes) == 0)
            return i;
    return -1;
}

int find_data_array(const gl_multi *t, const unsigned char *data)
{
    auto size = static_cast<std::size_t>(t->element_size);
    for (int i = 0; i < t->data_list.count; ++i) {
        const unsigned char *listed = t->data_list.arrays[i];
        int b = 0;
        while (b < kBytes &&
               std::memcmp(entry_at(listed, b, t->stride_shift), entry_at(data, b, t->stride_shift), size) == 0)
            ++b;
        if (b == kBytes)
            return i;
    }
    return -1;
}

// Replaces the node's own array by an identical listed one, or lists it.
bool share_array(SharedList &list, unsigned char *&array, int &index, int found, int ones)
{
    if (array == nullptr || index >= 0)
        return true;
    if (found >= 0) {
        _gl_ext_free(array);
        array = list.arrays[found];
        index = found;
        return true;
    }
    index = list_append(list, array, ones);
    return index >= 0;
}

bool compress_node(gl_multi *t, gl_multi_node *n)
{
    if (n->flags != nullptr && n->flag_index < 0 &&
        !share_array(t->flag_list, n->flags, n->flag_index, find_flag_array(t->flag_list, n->flags),
                     count_continuations(n->flags)))
        return false;
    if (n->data != nullptr && n->data_index < 0 &&
        !share_array(t->data_list, n->data, n->data_index, find_data_array(t, n->data), 0))
        return false;
    for (int i = 0; i < n->child_count; ++i)
        if (!compress_node(t, n->children[i]))
            return false;
    return true;
}

} // namespace

// ---- C interface ----

extern "C" gl_multi *_gl_create_multi(int size, int flags, const void *default_element)
{
    if (size < 1 || size > kMaxElementSize)
        return nullptr;
    auto *t = hook_calloc<gl_multi>(1);
    if (t == nullptr)
        return nullptr;
    t->element_size = size;
    while ((1 << t->stride_shift) < size)
        ++t->stride_shift;
    t->min_length = GL_MULTI_MAX_KEY;
    t->max_length = 0;
    (void)flags; // a created table is always an in-memory one
    t->flags = GL_MULTI_INMEMORY;
    t->default_element = hook_calloc<unsigned char>(std::size_t{1} << t->stride_shift);
    t->root = new_node(t);
    if (t->default_element == nullptr || t->root == nullptr) {
        _gl_free_multi(t);
        return nullptr;
    }
    if (default_element != nullptr)
        std::memcpy(t->default_element, default_element, static_cast<std::size_t>(size));
    return t;
}

extern "C" void _gl_free_multi(gl_multi *table)
{
    if (table == nullptr)
        return;
    free_node(table->root);
    free_pool(table);
    free_list(table->flag_list);
    free_list(table->data_list);
    _gl_ext_free(table->default_element);
    _gl_ext_free(table->walker);
    _gl_ext_free(table);
}

// Walks or creates nodes for every byte but the last, then marks the last
// byte as a character and stores the element in the node's data array.
extern "C" int _gl_insert_desc_multi(const unsigned char *key, const void *element, gl_multi *table)
{
    if (table == nullptr)
        return -1;
    table->error = GL_EINVAL;
    if (key == nullptr || element == nullptr || key[0] < 1 || key[0] > GL_MULTI_MAX_KEY ||
        (table->flags & GL_MULTI_INMEMORY) == 0 || (table->flags & GL_MULTI_COMPRESSED) != 0 ||
        table->flag_list.count != 0 || table->data_list.count != 0)
        return -1;
    int length = key[0];
    gl_multi_node *n = table->root;
    _gl_ext_free(table->walker); // a new character makes the flat copy stale
    table->walker = nullptr;
    table->error = GL_ENOMEM;
    for (int i = 1; i <= length; ++i) {
        int b = key[i];
        if (n->flags == nullptr && (n->flags = new_flag_array(table)) == nullptr)
            return -1;
        if (i == length)
            break;
        if (n->flags[b] == GL_MULTI_END) {
            table->error = GL_EINVAL;
            return -1;
        }
        if (n->flags[b] != GL_MULTI_CONTINUE) {
            if (!reserve_child(table, n, n->child_count + 1))
                return -1;
            gl_multi_node *child = new_node(table);
            if (child == nullptr)
                return -1;
            n->offsets[b] = static_cast<unsigned char>(n->child_count);
            n->children[n->child_count++] = child;
            n->flags[b] = GL_MULTI_CONTINUE;
        }
        n = n->children[n->offsets[b]];
    }
    int last = key[length];
    if (n->flags[last] == GL_MULTI_CONTINUE) {
        table->error = GL_EINVAL;
        return -1;
    }
    if (n->data == nullptr && (n->data = new_data_array(table)) == nullptr)
        return -1;
    n->flags[last] = GL_MULTI_END;
    std::memcpy(entry_at(n->data, last, table->stride_shift), element, static_cast<std::size_t>(table->element_size));
    if (length > table->max_length)
        table->max_length = length;
    if (length < table->min_length)
        table->min_length = length;
    table->error = 0;
    return 0;
}

extern "C" const void *_gl_retrieve_desc_multi(const unsigned char *key, const gl_multi *table)
{
    if (key == nullptr || key[0] == 0)
        return nullptr;
    WalkResult r = walk(table, key + 1, key[0]);
    return r.length == key[0] ? r.element : nullptr;
}

extern "C" const void *_gl_retrieve_text_multi(const unsigned char *bytes, const gl_multi *table, int *length,
                                               void *context)
{
    return report(walk(table, bytes, -1), length, context);
}

extern "C" const void *_gl_retrieve_text_multi_nl(const unsigned char *bytes, const gl_multi *table, void *context)
{
    return report(walk(table, bytes, -1), nullptr, context);
}

extern "C" int _gl_retrieve_text_multi_nv(const unsigned char *bytes, const gl_multi *table, void *context)
{
    int length = -1;
    return report(walk(table, bytes, -1), &length, context) != nullptr ? length : -1;
}

extern "C" const void *_gl_retrieve_text_multi_limit(const unsigned char *bytes, const gl_multi *table, int limit,
                                                     int *length, void *context)
{
    return walk_limited(bytes, table, limit, length, context);
}

extern "C" const void *_gl_retrieve_text_multi_limit_nl(const unsigned char *bytes, const gl_multi *table,
                                                        int limit, void *context)
{
    return walk_limited(bytes, table, limit, nullptr, context);
}

namespace {

// The key bytes of a wide character in a table whose keys are at least
// min_length bytes: as many as the character's value needs, at least that.
int wide_key_length(int min_length, uint32_t wc)
{
    if (wc > 0xFFFFFF)
        return 4;
    if (wc > 0xFFFF && min_length < 3)
        return 3;
    if (wc > 0xFF && min_length < 2)
        return 2;
    return min_length;
}

} // namespace

extern "C" const void *_gl_retrieve_wchar_multi_nl(void *context, uint32_t wc, const gl_multi *table)
{
    if (table == nullptr) {
        gls::set_error(context, GL_EINVAL);
        return nullptr;
    }
    const int n = wide_key_length(table->min_length, wc);
    if (n < 1 || n > GL_MULTI_MAX_KEY) {
        gls::set_error(context, GL_EILSEQ);
        return nullptr;
    }
    unsigned char bytes[GL_MULTI_MAX_KEY];
    for (int i = 0; i < n; ++i)
        bytes[i] = static_cast<unsigned char>(wc >> (8 * (n - 1 - i)));
    WalkResult r = walk(table, bytes, n);
    if (r.element == nullptr || r.length != n) {
        gls::set_error(context, GL_EILSEQ);
        return nullptr;
    }
    return r.element;
}

extern "C" const void *_gl_retrieve_little_endian_unicode_limit(const unsigned char *bytes, const gl_multi *table,
                                                                int limit, int *length, void *context)
{
    if (table == nullptr || bytes == nullptr) {
        gls::set_error(context, GL_EINVAL);
        return nullptr;
    }
    int unit = table->min_length == 4 && table->max_length == 4 ? 4 : 2;
    if (limit < unit) {
        gls::set_error(context, GL_EINVAL);
        return nullptr;
    }
    unsigned char reversed[4];
    for (int i = 0; i < unit; ++i)
        reversed[i] = bytes[unit - 1 - i];
    WalkResult r = walk(table, reversed, unit);
    if (r.element == nullptr || r.length != unit) {
        gls::set_error(context, GL_EILSEQ);
        return nullptr;
    }
    if (length != nullptr)
        *length = unit;
    return r.element;
}

extern "C" int _gl_compress_multi(gl_multi *table)
{
    if (table == nullptr)
        return -1;
    if (!compress_node(table, table->root)) {
        table->error = GL_ENOMEM;
        return -1;
    }
    table->flags |= GL_MULTI_COMPRESSED;
    table->error = 0;
    return 0;
}

extern "C" int _gl_fprintf_multi(FILE *stream, gl_multi *table, gl_multi_elem_writer writer)
{
    if (table == nullptr || stream == nullptr || writer == nullptr)
        return -1;
    if (table->max_length == 1 && table->min_length == 1 && !mark_every_root_byte(table)) {
        table->error = GL_ENOMEM;
        return -1;
    }
    Writer w{stream, table, writer};
    w.format("%d %d %d ", table->max_length, table->min_length, table->flags);
    if (w.ok)
        w.ok = writer(stream, table->default_element, table->element_size) == 0;
    w.text("\n");
    if ((table->flags & GL_MULTI_COMPRESSED) != 0)
        w.compressed_tree();
    else
        w.plain_node(table->root);
    table->error = w.ok ? 0 : GL_EIO;
    return w.ok ? 0 : -1;
}

namespace {

// Reads a table from a source into an empty table. A failed read gives the
// table back empty, with the default it had. 0 or an error number.
template <class Source> bool read_table(Source in, gl_multi *table, int max_depth)
{
    std::size_t stride = std::size_t{1} << table->stride_shift;
    gls::HookBuffer saved_default(stride);
    if (!saved_default) {
        table->error = GL_ENOMEM;
        return false;
    }
    std::memcpy(saved_default.get(), table->default_element, stride);
    Reader<Source> r{in, table};
    bool ok = r.header(max_depth);
    if (ok)
        ok = (table->flags & GL_MULTI_COMPRESSED) != 0 ? r.compressed_tree() : r.plain_node(table->root, 1);
    if (ok) {
        table->error = 0;
        return true;
    }
    table->error = r.error;
    table->max_length = 0;
    table->min_length = GL_MULTI_MAX_KEY;
    table->flags = GL_MULTI_INMEMORY;
    std::memcpy(table->default_element, saved_default.get(), stride);
    if (!reset_table(table))
        table->error = GL_ENOMEM;
    return false;
}

} // namespace

extern "C" int _gl_fscanf_multi(FILE *stream, gl_multi *table, int max_depth, gl_multi_elem_reader reader)
{
    if (table == nullptr)
        return -1;
    if (stream == nullptr || reader == nullptr || !table_is_empty(table)) {
        table->error = GL_EINVAL;
        return -1;
    }
    return read_table(StreamSource{stream, reader}, table, max_depth) ? 0 : -1;
}

int gls::scan_multi_u16(Text &text, gl_multi *table, int max_depth, unsigned *highest)
{
    if (table == nullptr)
        return GL_EINVAL;
    if (table->element_size != static_cast<int>(sizeof(uint16_t)) || !table_is_empty(table)) {
        table->error = GL_EINVAL;
        return GL_EINVAL;
    }
    *highest = 0;
    if (read_table(TextSource{text, highest}, table, max_depth))
        return 0;
    return table->error != 0 ? table->error : GL_EFORMAT;
}

extern "C" int _gl_multi_max_length(const gl_multi *table) { return table != nullptr ? table->max_length : 0; }
extern "C" int _gl_multi_min_length(const gl_multi *table) { return table != nullptr ? table->min_length : 0; }

extern "C" int _gl_multi_terminator_length(const gl_multi *table)
{
    const int n = _gl_multi_min_length(table);
    return n < 1 || n > GL_MULTI_MAX_KEY ? 1 : n;
}
extern "C" int _gl_multi_err(const gl_multi *table) { return table != nullptr ? table->error : GL_EINVAL; }
extern "C" int _gl_multi_node_count(const gl_multi *table) { return table != nullptr ? table->node_count : 0; }
extern "C" int _gl_multi_flags(const gl_multi *table) { return table != nullptr ? table->flags : 0; }

namespace {

// Visits the characters below node n, whose path so far is key[0..depth).
int visit_node(const gl_multi *t, const gl_multi_node *n, unsigned char *key, int depth, gl_multi_visit visit,
               void *arg)
{
    if (n == nullptr || n->flags == nullptr)
        return 0;
    for (int b = 0; b < kBytes; ++b) {
        key[depth] = static_cast<unsigned char>(b);
        int stop = 0;
        if (n->flags[b] == GL_MULTI_END)
            stop = visit(arg, key, depth + 1,
                         n->data != nullptr ? entry_at(n->data, b, t->stride_shift) : t->default_element);
        else if (n->flags[b] == GL_MULTI_CONTINUE && depth + 1 < GL_MULTI_MAX_KEY)
            stop = visit_node(t, n->children[n->offsets[b]], key, depth + 1, visit, arg);
        if (stop != 0)
            return stop;
    }
    return 0;
}

} // namespace

extern "C" int _gl_foreach_multi(const gl_multi *table, gl_multi_visit visit, void *arg)
{
    unsigned char key[GL_MULTI_MAX_KEY];
    return table != nullptr && visit != nullptr ? visit_node(table, table->root, key, 0, visit, arg) : 0;
}

// ---- tokens ----

extern "C" int _gl_fscan_hex(FILE *stream, int max_digits, unsigned long *value)
{
    if (max_digits < 1 || max_digits > 15)
        return -1;
    int c;
    skip_space(stream, &c);
    unsigned long v = 0;
    int digits = 0;
    while (digits < max_digits && gls::hex_value(c) >= 0) {
        v = v * 16 + static_cast<unsigned long>(gls::hex_value(c));
        ++digits;
        if (digits < max_digits)
            c = _gl_ext_getc(stream);
    }
    if (digits < max_digits && c != EOF)
        _gl_ext_ungetc(c, stream);
    if (digits == 0)
        return -1;
    *value = v;
    return 0;
}

extern "C" int _gl_fscan_dec(FILE *stream, long *value)
{
    int c;
    skip_space(stream, &c);
    bool negative = c == '-';
    if (c == '-' || c == '+')
        c = _gl_ext_getc(stream);
    unsigned long v = 0;
    int digits = 0;
    bool overflow = false;
    while (c >= '0' && c <= '9') {
        if (v > (static_cast<unsigned long>(LONG_MAX) - 9) / 10)
            overflow = true;
        else
            v = v * 10 + static_cast<unsigned long>(c - '0');
        ++digits;
        c = _gl_ext_getc(stream);
    }
    if (c != EOF)
        _gl_ext_ungetc(c, stream);
    if (digits == 0 || overflow)
        return -1;
    *value = negative ? -static_cast<long>(v) : static_cast<long>(v);
    return 0;
}

extern "C" int _gl_multi_read_u16(FILE *stream, void *element, int size)
{
    unsigned long v;
    if (size != static_cast<int>(sizeof(uint16_t)) || _gl_fscan_hex(stream, 4, &v) != 0)
        return -1;
    auto value = static_cast<uint16_t>(v);
    std::memcpy(element, &value, sizeof value);
    return 0;
}

extern "C" int _gl_multi_write_u16(FILE *stream, const void *element, int size)
{
    if (size != static_cast<int>(sizeof(uint16_t)))
        return -1;
    uint16_t value;
    std::memcpy(&value, element, sizeof value);
    return gls::write_format(stream, "%04x", value);
}

extern "C" int _gl_multi_read_bytes(FILE *stream, void *element, int size)
{
    auto *bytes = static_cast<unsigned char *>(element);
    for (int i = 0; i < size; ++i) {
        unsigned long v;
        if (_gl_fscan_hex(stream, 2, &v) != 0)
            return -1;
        bytes[i] = static_cast<unsigned char>(v);
    }
    return 0;
}

extern "C" int _gl_multi_write_bytes(FILE *stream, const void *element, int size)
{
    auto *bytes = static_cast<const unsigned char *>(element);
    for (int i = 0; i < size; ++i)
        if (gls::write_format(stream, "%02x", bytes[i]) != 0)
            return -1;
    return 0;
}

// ---- string walks ----
// The string functions of a multibyte locale walk every character of a
// string through the trie; these walks do a whole run in one loop, with the
// same outcome per character as _gl_retrieve_text_multi_limit (multibyte to
// wide) and _gl_retrieve_wchar_multi_nl (wide to multibyte). Each stops
// before the first character it cannot take, so that the caller handles
// that one (and its error number) the general way; a walk of a terminated
// string also stops before a key that would run on past its terminator.

extern "C" void **_trw_gl_multi_walker(const gl_multi *t)
{
    return t != nullptr ? &const_cast<gl_multi *>(t)->walker : nullptr;
}

extern "C" int _trw_gl_multi_walk_string(const gl_multi *t, const unsigned char *s, const unsigned char *end,
                                         int max, uint32_t *wcs, const unsigned char **stop)
{
    int count = 0;
    const unsigned char *p = s;
    const gl_multi_node *root = t != nullptr ? t->root : nullptr;
    const unsigned char *root_flags = root != nullptr ? root->flags : nullptr;
    const int term = _gl_multi_terminator_length(t);
    while (root != nullptr && count != max && (end == nullptr || p < end)) {
        // A run of bytes 1..7F that are characters by themselves, in a
        // loop of its own: most text is such runs.
        if (root_flags != nullptr) {
            const int room = max < 0 ? INT_MAX : max - count;
            const int stop_at = end != nullptr && end - p < room ? static_cast<int>(end - p) : room;
            int k = 0;
            for (; k < stop_at; ++k) {
                const unsigned b = p[k];
                if (b - 1 >= 0x7F || root_flags[b] != GL_MULTI_END)
                    break;
                if (wcs != nullptr)
                    wcs[count + k] = b;
            }
            count += k;
            p += k;
            if (count == max || (end != nullptr && p >= end))
                break;
        }
        const gl_multi_node *n = root;
        uint32_t wc = 0;
        int i = 0;
        for (int zeros = 0;; ++i) {
            if (end != nullptr && p + i >= end)
                goto done; // cut character
            const int b = p[i];
            const int flag = n->flags != nullptr ? n->flags[b] : 0;
            if (end == nullptr) {
                zeros = b == 0 ? zeros + 1 : 0;
                if (ends_string_inside(zeros, term, i, flag))
                    goto done;
            }
            wc = (wc << 8) | static_cast<uint32_t>(b);
            if (flag == GL_MULTI_END)
                break;
            if (flag != GL_MULTI_CONTINUE)
                goto done;
            n = n->children[n->offsets[b]];
        }
        if (end == nullptr && wc == 0)
            break; // the terminator
        if (wcs != nullptr)
            wcs[count] = wc;
        ++count;
        p += i + 1;
    }
done:
    *stop = p;
    return count;
}

extern "C" int _trw_gl_multi_walk_wide(const gl_multi *t, const uint32_t *wcs, int count, unsigned char *out,
                                       int size, int *written)
{
    int done = 0, at = 0;
    const int min_length = t != nullptr ? t->min_length : 0;
    const unsigned char *root_flags = t != nullptr && t->root != nullptr ? t->root->flags : nullptr;
    for (; t != nullptr && done < count; ++done) {
        const uint32_t wc = wcs[done];
        // Characters 1..7F of one byte, the common case, without the walk.
        if (min_length == 1 && root_flags != nullptr && wc - 1 < 0x7F && root_flags[wc] == GL_MULTI_END) {
            if (size >= 0 && at + 1 > size)
                break;
            if (out != nullptr)
                out[at] = static_cast<unsigned char>(wc);
            ++at;
            continue;
        }
        const int n = wide_key_length(min_length, wc);
        if (n < 1 || n > GL_MULTI_MAX_KEY || (size >= 0 && at + n > size))
            break;
        unsigned char bytes[GL_MULTI_MAX_KEY];
        for (int i = 0; i < n; ++i)
            bytes[i] = static_cast<unsigned char>(wc >> (8 * (n - 1 - i)));
        const WalkResult r = walk(t, bytes, n);
        if (r.element == nullptr || r.length != n)
            break;
        for (int i = 0; out != nullptr && i < n; ++i)
            out[at + i] = bytes[i];
        at += n;
    }
    *written = at;
    return done;
}
