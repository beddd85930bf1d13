// libFuzzer target: the text reader of multi-level tables. The first byte
// chooses the element size and the caller's depth limit; a table that reads
// is written back, read again, and both must answer every probe alike. Its
// characters are then inserted one by one into a new table, which is
// compressed, written and read again: every character keeps its element.
// The whole-run walks over the input bytes and their wide values agree with
// the one-character lookups, as do their flat-copy forms; walks of the
// bytes as a terminated string read nothing past the terminator.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gl_multi.h"
#include "glchar_int.h"

namespace {

struct Context {
    int error;
};

gl_multi *read_table(std::string text, int size, int depth)
{
    gl_multi *t = _gl_create_multi(size, 0, nullptr);
    FILE *in = fmemopen(text.data(), text.size(), "r");
    if (in == nullptr || t == nullptr) {
        if (in != nullptr)
            std::fclose(in);
        _gl_free_multi(t);
        return nullptr;
    }
    int status = _gl_fscanf_multi(in, t, depth, size == 2 ? _gl_multi_read_u16 : _gl_multi_read_bytes);
    std::fclose(in);
    if (status != 0) {
        if (_gl_multi_err(t) == 0 || _gl_multi_node_count(t) != 1)
            std::abort(); // a failed read reports why and leaves the table empty
        _gl_free_multi(t);
        return nullptr;
    }
    if (_gl_multi_max_length(t) > depth)
        std::abort();
    return t;
}

std::string write_table(gl_multi *t, int size)
{
    char *buffer = nullptr;
    size_t length = 0;
    FILE *out = open_memstream(&buffer, &length);
    _gl_fprintf_multi(out, t, size == 2 ? _gl_multi_write_u16 : _gl_multi_write_bytes);
    std::fclose(out);
    std::string text(buffer, length);
    std::free(buffer);
    return text;
}

void require(bool ok, int line = __builtin_LINE())
{
    if (!ok) {
        std::fprintf(stderr, "glmulti_fuzz: property of line %d fails\n", line);
        std::abort();
    }
}

// The characters of a table and their elements, in byte order.
struct Entry {
    unsigned char key[1 + GL_MULTI_MAX_KEY];
    std::string element;
};

std::vector<Entry> characters(const gl_multi *t, int size)
{
    struct Visit {
        std::vector<Entry> out;
        int size;
    } v{{}, size};
    _gl_foreach_multi(
        t,
        [](void *arg, const unsigned char *bytes, int length, const void *element) {
            auto *v = static_cast<Visit *>(arg);
            if (length < 1 || length > GL_MULTI_MAX_KEY || v->out.size() > 4096)
                return 1;
            Entry e{};
            e.key[0] = static_cast<unsigned char>(length);
            std::memcpy(e.key + 1, bytes, static_cast<size_t>(length));
            e.element.assign(static_cast<const char *>(element), static_cast<size_t>(v->size));
            v->out.push_back(e);
            return 0;
        },
        &v);
    return v.out;
}

// Every entry is a character of t with its element.
void holds_all(const gl_multi *t, const std::vector<Entry> &entries, int size)
{
    for (const Entry &e : entries) {
        const void *got = _gl_retrieve_desc_multi(e.key, t);
        require(got != nullptr && std::memcmp(got, e.element.data(), static_cast<size_t>(size)) == 0);
    }
}

// The table rebuilt by insertion, compressed, written and read back.
void rebuild(const gl_multi *t, int size, int depth)
{
    const std::vector<Entry> entries = characters(t, size);
    if (entries.size() > 4096)
        return;
    gl_multi *built = _gl_create_multi(size, 0, nullptr);
    require(built != nullptr);
    for (const Entry &e : entries)
        require(_gl_insert_desc_multi(e.key, e.element.data(), built) == 0);
    holds_all(built, entries, size);
    require(_gl_compress_multi(built) == 0);
    holds_all(built, entries, size);
    // A table of one-byte characters only is written with every byte a
    // character; any other reads back with exactly its characters.
    const bool one_byte = _gl_multi_max_length(built) == 1 && _gl_multi_min_length(built) == 1;
    gl_multi *again = read_table(write_table(built, size), size, depth > _gl_multi_max_length(built) ? depth : 4);
    require(again != nullptr);
    holds_all(again, entries, size);
    if (!one_byte)
        require(characters(again, size).size() == entries.size());
    _gl_free_multi(again);
    _gl_free_multi(built);
}

// The zero bytes that end a terminated string of t's characters.
int terminator_length(const gl_multi *t)
{
    const int n = _gl_multi_min_length(t);
    return n < 1 || n > GL_MULTI_MAX_KEY ? 1 : n;
}

// Whether the key of length bytes at p holds a run of term zero bytes
// other than as the whole terminator: no character of a terminated string,
// which ends at such a run.
bool runs_past_terminator(const unsigned char *p, int length, int term)
{
    for (int i = 0, zeros = 0; i < length; ++i) {
        zeros = p[i] == 0 ? zeros + 1 : 0;
        if (zeros >= term && !(i == length - 1 && length == term))
            return true;
    }
    return false;
}

// Every other text lookup at p gives what the limited one gave (element e
// of length bytes, or none): the forms without a limit, which read a
// terminated string, only where the bytes after p hold a longest character
// and that character does not run past a terminator.
void other_forms_agree(const gl_multi *t, const unsigned char *p, const unsigned char *end, const void *e, int length)
{
    Context ctx{0};
    const int left = static_cast<int>(end - p);
    require(_gl_retrieve_text_multi_limit_nl(p, t, left, &ctx) == e);
    if (left < _gl_multi_max_length(t))
        return;
    if (e != nullptr && runs_past_terminator(p, length, terminator_length(t)))
        e = nullptr;
    int l = 0;
    const void *got = _gl_retrieve_text_multi(p, t, &l, &ctx);
    require(got == e && (e == nullptr || l == length));
    require(_gl_retrieve_text_multi_nl(p, t, &ctx) == e);
    require(_gl_retrieve_text_multi_nv(p, t, &ctx) == (e == nullptr ? -1 : length));
}

// The run walks against one lookup per character.
void walks(const gl_multi *t, const unsigned char *s, size_t n)
{
    const unsigned char *end = s + n;
    std::vector<uint32_t> wcs(n + 1), fast(n + 1);
    const unsigned char *stop = nullptr, *fast_stop = nullptr;
    const int count = _trw_gl_multi_walk_string(t, s, end, -1, wcs.data(), &stop);
    const int fast_count = gls::ch::fast_walk_string(t, s, end, -1, fast.data(), &fast_stop);
    require(count == fast_count && stop == fast_stop && std::memcmp(wcs.data(), fast.data(), sizeof(uint32_t) * count) == 0);
    Context ctx{0};
    const unsigned char *p = s;
    for (int k = 0; k < count; ++k) {
        int length = 0;
        const void *e = _gl_retrieve_text_multi_limit(p, t, static_cast<int>(end - p), &length, &ctx);
        require(e != nullptr);
        require(length >= 1 && wcs[static_cast<size_t>(k)] == gls::ch::pack(p, length));
        other_forms_agree(t, p, end, e, length);
        p += length;
    }
    int length = 0;
    require(p == stop && (p == end || _gl_retrieve_text_multi_limit(p, t, static_cast<int>(end - p), &length, &ctx) == nullptr));
    if (p != end)
        other_forms_agree(t, p, end, nullptr, -1);
    require(_gl_retrieve_text_multi_limit(s, t, 0, &length, &ctx) == nullptr);

    // Back to bytes: the characters whose wide value the table takes.
    std::vector<unsigned char> out(4 * n + 4), fast_out(4 * n + 4);
    int written = 0, fast_written = 0;
    const int done = _trw_gl_multi_walk_wide(t, wcs.data(), count, out.data(), -1, &written);
    const int fast_done = gls::ch::fast_walk_wide(t, wcs.data(), count, fast_out.data(), -1, &fast_written);
    require(done == fast_done && written == fast_written &&
            std::memcmp(out.data(), fast_out.data(), static_cast<size_t>(written)) == 0);
    int k = 0;
    while (k < count && _gl_retrieve_wchar_multi_nl(&ctx, wcs[static_cast<size_t>(k)], t) != nullptr)
        ++k;
    require(done == k);
    // With room for half of it: both stop before the first that does not fit.
    const int room = written / 2;
    int half = 0, fast_half = 0;
    const int part = _trw_gl_multi_walk_wide(t, wcs.data(), count, out.data(), room, &half);
    const int fast_part = gls::ch::fast_walk_wide(t, wcs.data(), count, fast_out.data(), room, &fast_half);
    require(part == fast_part && half == fast_half && half <= room && part <= done &&
            std::memcmp(out.data(), fast_out.data(), static_cast<size_t>(half)) == 0);
}

// The run walks of a terminated string, the bytes s[0..n) followed by a
// terminator in a buffer of its exact size (a read past it is a fault):
// both forms agree, and with a one-byte terminator they give what the
// counted walk gives on the bytes before the first zero byte.
void terminated_walks(const gl_multi *t, const unsigned char *s, size_t n)
{
    const int term = terminator_length(t);
    std::unique_ptr<unsigned char[]> text(new unsigned char[n + static_cast<size_t>(term)]());
    std::memcpy(text.get(), s, n);
    std::vector<uint32_t> wcs(n + 1), fast(n + 1), counted(n + 1);
    const unsigned char *stop = nullptr, *fast_stop = nullptr, *counted_stop = nullptr;
    const int count = _trw_gl_multi_walk_string(t, text.get(), nullptr, -1, wcs.data(), &stop);
    const int fast_count = gls::ch::fast_walk_string(t, text.get(), nullptr, -1, fast.data(), &fast_stop);
    require(count == fast_count && stop == fast_stop &&
            std::memcmp(wcs.data(), fast.data(), sizeof(uint32_t) * count) == 0);
    if (term != 1)
        return;
    const unsigned char *end = text.get() + std::strlen(reinterpret_cast<const char *>(text.get()));
    const int counted_count = _trw_gl_multi_walk_string(t, text.get(), end, -1, counted.data(), &counted_stop);
    require(count == counted_count && stop == counted_stop &&
            std::memcmp(wcs.data(), counted.data(), sizeof(uint32_t) * count) == 0);
    // A character lookup at the stop reads no further than the terminator.
    Context ctx{0};
    int length = 0;
    const void *e = _gl_retrieve_text_multi(stop, t, &length, &ctx);
    require(e == nullptr || stop + length <= end + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    static constexpr int kSizes[] = {1, 2, 3, 5};
    int element_size = kSizes[data[0] & 3];
    int depth = 1 + ((data[0] >> 2) & 3);
    std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    gl_multi *first = read_table(text, element_size, depth);
    if (first == nullptr)
        return 0;
    gl_multi *second = read_table(write_table(first, element_size), element_size, depth);
    if (second == nullptr)
        std::abort(); // what the writer writes, the reader reads
    // Probe with every window of the input bytes.
    Context ctx{0};
    for (size_t i = 0; i + 4 <= text.size() && i < 512; ++i) {
        auto *probe = reinterpret_cast<const unsigned char *>(text.data() + i);
        int la = -1, lb = -1;
        const void *a = _gl_retrieve_text_multi_limit(probe, first, 4, &la, &ctx);
        const void *b = _gl_retrieve_text_multi_limit(probe, second, 4, &lb, &ctx);
        if ((a == nullptr) != (b == nullptr) || (a != nullptr && (la != lb || std::memcmp(a, b, element_size) != 0)))
            std::abort();
    }
    rebuild(first, element_size, depth);
    walks(first, reinterpret_cast<const unsigned char *>(text.data()), text.size() < 1024 ? text.size() : 1024);
    terminated_walks(first, reinterpret_cast<const unsigned char *>(text.data()),
                     text.size() < 1024 ? text.size() : 1024);
    // And over a text of the table's own characters, its last one cut.
    std::string own;
    for (const Entry &e : characters(first, element_size))
        if (own.size() < 1024)
            own.append(reinterpret_cast<const char *>(e.key + 1), e.key[0]);
    if (!own.empty())
        walks(first, reinterpret_cast<const unsigned char *>(own.data()), own.size() - 1);
    _gl_free_multi(first);
    _gl_free_multi(second);
    return 0;
}
