// Multi-level tables: insertion rules, every lookup form against a plain
// map of the inserted characters, round trips of random tables through the
// text encoding (plain and compressed), and the reader's checks of malformed
// and hostile input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "gl_errno.h"
#include "gl_multi.h"

namespace {

// Byte strings: a basic_string keeps g++ 12 from false bound warnings on vectors.
using Bytes = std::basic_string<unsigned char>;

struct Context {
    int error;
};

struct TableDeleter {
    void operator()(gl_multi *t) const { _gl_free_multi(t); }
};
using Table = std::unique_ptr<gl_multi, TableDeleter>;

Bytes desc(const Bytes &key)
{
    return Bytes(1, static_cast<unsigned char>(key.size())) + key;
}

std::string write_table(gl_multi *t, gl_multi_elem_writer writer = _gl_multi_write_bytes)
{
    char *buffer = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&buffer, &size);
    EXPECT_EQ(_gl_fprintf_multi(out, t, writer), 0);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

// Reads text into a fresh table of element size `size`; the result of the
// read is left in *status.
Table read_table(const std::string &text, int size, int max_depth, int *status,
                 gl_multi_elem_reader reader = _gl_multi_read_bytes)
{
    Table t(_gl_create_multi(size, 0, nullptr));
    std::string copy = text.empty() ? std::string(" ") : text;
    FILE *in = fmemopen(copy.data(), copy.size(), "r");
    *status = _gl_fscanf_multi(in, t.get(), max_depth, reader);
    std::fclose(in);
    return t;
}

TEST(GlMulti, InsertionRefusesPrefixesAndBadKeys)
{
    Table t(_gl_create_multi(2, 0, nullptr));
    uint16_t e = 7;
    EXPECT_EQ(_gl_multi_min_length(t.get()), 4);
    EXPECT_EQ(_gl_multi_max_length(t.get()), 0);
    EXPECT_EQ(_gl_insert_desc_multi(desc({0xA4}).data(), &e, t.get()), 0);
    // A complete character cannot become a prefix, nor get a longer prefix.
    EXPECT_EQ(_gl_insert_desc_multi(desc({0xA4, 0xA2}).data(), &e, t.get()), -1);
    EXPECT_EQ(_gl_multi_err(t.get()), GL_EINVAL);
    EXPECT_EQ(_gl_insert_desc_multi(desc({0xB0, 0xA1}).data(), &e, t.get()), 0);
    EXPECT_EQ(_gl_insert_desc_multi(desc({0xB0}).data(), &e, t.get()), -1);
    unsigned char empty[] = {0};
    unsigned char five[] = {5, 1, 2, 3, 4, 5};
    EXPECT_EQ(_gl_insert_desc_multi(empty, &e, t.get()), -1);
    EXPECT_EQ(_gl_insert_desc_multi(five, &e, t.get()), -1);
    EXPECT_EQ(_gl_multi_min_length(t.get()), 1);
    EXPECT_EQ(_gl_multi_max_length(t.get()), 2);
    // Re-inserting replaces the element.
    uint16_t f = 9;
    EXPECT_EQ(_gl_insert_desc_multi(desc({0xA4}).data(), &f, t.get()), 0);
    EXPECT_EQ(*static_cast<const uint16_t *>(_gl_retrieve_desc_multi(desc({0xA4}).data(), t.get())), 9);
    EXPECT_EQ(_gl_create_multi(0, 0, nullptr), nullptr);
}

TEST(GlMulti, LookupFormsAgreeOnLengthsAndErrors)
{
    uint16_t dflt = 0xEEEE;
    Table t(_gl_create_multi(2, 0, &dflt));
    uint16_t a = 0x41, k = 0xA4A2;
    ASSERT_EQ(_gl_insert_desc_multi(desc({0x41}).data(), &a, t.get()), 0);
    ASSERT_EQ(_gl_insert_desc_multi(desc({0xA4, 0xA2}).data(), &k, t.get()), 0);
    Context ctx{0};
    int length = 0;
    const unsigned char text[] = {0xA4, 0xA2, 0x41, 0x00};
    auto *e = static_cast<const uint16_t *>(_gl_retrieve_text_multi(text, t.get(), &length, &ctx));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(*e, 0xA4A2);
    EXPECT_EQ(length, 2);
    EXPECT_EQ(_gl_retrieve_text_multi_nv(text + 2, t.get(), &ctx), 1);
    EXPECT_EQ(_gl_retrieve_text_multi_nl(text + 3, t.get(), &ctx), nullptr);
    EXPECT_EQ(ctx.error, GL_EILSEQ);
    ctx.error = 0;
    // The limit ends inside the two-byte character.
    EXPECT_EQ(_gl_retrieve_text_multi_limit(text, t.get(), 1, &length, &ctx), nullptr);
    EXPECT_EQ(ctx.error, GL_EINVAL);
    ctx.error = 0;
    EXPECT_EQ(_gl_retrieve_text_multi_limit_nl(text + 2, t.get(), 0, &ctx), nullptr);
    EXPECT_EQ(ctx.error, GL_EINVAL);
    EXPECT_NE(_gl_retrieve_text_multi_limit_nl(text + 2, t.get(), 1, &ctx), nullptr);
    // Wide values: 0xA4A2 walks A4 A2; 0x41 walks the minimum length (1).
    EXPECT_EQ(*static_cast<const uint16_t *>(_gl_retrieve_wchar_multi_nl(&ctx, 0xA4A2, t.get())), 0xA4A2);
    EXPECT_EQ(*static_cast<const uint16_t *>(_gl_retrieve_wchar_multi_nl(&ctx, 0x41, t.get())), 0x41);
    ctx.error = 0;
    EXPECT_EQ(_gl_retrieve_wchar_multi_nl(&ctx, 0xA4, t.get()), nullptr);
    EXPECT_EQ(ctx.error, GL_EILSEQ);
    EXPECT_EQ(_gl_retrieve_wchar_multi_nl(&ctx, 0x41A4A2, t.get()), nullptr);
    // The length-prefixed form wants the whole key to be one character.
    EXPECT_EQ(_gl_retrieve_desc_multi(desc({0xA4}).data(), t.get()), nullptr);
    EXPECT_EQ(_gl_retrieve_desc_multi(desc({0x41, 0x41}).data(), t.get()), nullptr);
}

TEST(GlMulti, WideValueBelowTheMinimumLengthIsPaddedWithZeroBytes)
{
    Table t(_gl_create_multi(2, 0, nullptr));
    uint16_t e = 1;
    ASSERT_EQ(_gl_insert_desc_multi(desc({0x00, 0x41}).data(), &e, t.get()), 0);
    ASSERT_EQ(_gl_multi_min_length(t.get()), 2);
    Context ctx{0};
    EXPECT_NE(_gl_retrieve_wchar_multi_nl(&ctx, 0x41, t.get()), nullptr);
    // Little-endian unit 41 00 is walked 00 41.
    const unsigned char le[] = {0x41, 0x00};
    int length = 0;
    EXPECT_NE(_gl_retrieve_little_endian_unicode_limit(le, t.get(), 2, &length, &ctx), nullptr);
    EXPECT_EQ(length, 2);
    EXPECT_EQ(_gl_retrieve_little_endian_unicode_limit(le, t.get(), 1, &length, &ctx), nullptr);
    EXPECT_EQ(ctx.error, GL_EINVAL);
}

TEST(GlMulti, SingleByteTableReadBackAcceptsEveryByte)
{
    Table t(_gl_create_multi(2, 0, nullptr));
    uint16_t e = 0x0101;
    ASSERT_EQ(_gl_insert_desc_multi(desc({'a'}).data(), &e, t.get()), 0);
    int status;
    Table back = read_table(write_table(t.get(), _gl_multi_write_u16), 2, 4, &status, _gl_multi_read_u16);
    ASSERT_EQ(status, 0);
    Context ctx{0};
    for (int b = 0; b < 256; ++b) {
        unsigned char byte = static_cast<unsigned char>(b);
        auto *v = static_cast<const uint16_t *>(_gl_retrieve_text_multi_limit_nl(&byte, back.get(), 1, &ctx));
        ASSERT_NE(v, nullptr) << b;
        EXPECT_EQ(*v, b == 'a' ? 0x0101 : 0);
    }
}

// ---- random round trips ----

struct Model {
    int size;
    Bytes dflt;
    std::map<Bytes, Bytes> chars;
    std::vector<int> lead_length; // key length by first byte (0: no character)
};

// Expected result of a lookup of bytes with a limit (-1 none): element and
// length, or the error number. Without a limit the bytes are a terminated
// string, which ends at its first run of as many zero bytes as the shortest
// key has: no character goes on past that run, and the run is a character
// only when it is one by itself.
struct Expect {
    std::optional<Bytes> element;
    int length;
    int error;
};

Expect expect(const Model &m, const Bytes &bytes, int limit)
{
    size_t term = 4;
    for (const auto &entry : m.chars)
        term = std::min(term, entry.first.size());
    for (int i = 1; i <= 4; ++i) {
        if (limit >= 0 && i > limit)
            return {std::nullopt, 0, GL_EINVAL};
        Bytes prefix = bytes.substr(0, static_cast<size_t>(i));
        size_t zeros = 0;
        while (zeros < prefix.size() && prefix[prefix.size() - 1 - zeros] == 0)
            ++zeros;
        if (limit < 0 && zeros >= term) {
            const bool all_zero = zeros == prefix.size();
            if (!(all_zero && prefix.size() == term && m.chars.count(prefix) != 0))
                return {std::nullopt, 0, all_zero ? GL_EILSEQ : GL_EINVAL};
        }
        auto it = m.chars.lower_bound(prefix);
        if (it != m.chars.end() && it->first == prefix)
            return {it->second, i, 0};
        if (it == m.chars.end() || !std::equal(prefix.begin(), prefix.end(), it->first.begin()))
            return {std::nullopt, 0, GL_EILSEQ};
    }
    return {std::nullopt, 0, GL_EILSEQ};
}

Model random_model(std::mt19937 &rng, bool single_byte)
{
    Model m;
    std::uniform_int_distribution<int> sizes(0, 4);
    const int element_sizes[] = {1, 2, 3, 5, 8};
    m.size = element_sizes[sizes(rng)];
    auto random_bytes = [&](int n) {
        Bytes b(static_cast<size_t>(n), 0);
        for (auto &x : b)
            x = static_cast<unsigned char>(rng() & (rng() % 3 == 0 ? 0x03 : 0xFF));
        return b;
    };
    m.dflt = random_bytes(m.size);
    m.lead_length.resize(256);
    for (auto &l : m.lead_length)
        l = single_byte ? 1 : static_cast<int>(rng() % 5);
    int count = single_byte ? 40 : 400;
    for (int i = 0; i < count; ++i) {
        int lead = static_cast<int>(rng() % (single_byte ? 256 : 40)) * (single_byte ? 1 : 6) % 256;
        int length = m.lead_length[static_cast<size_t>(lead)];
        if (length == 0)
            continue;
        Bytes key{static_cast<unsigned char>(lead)};
        for (int j = 1; j < length; ++j)
            key.push_back(static_cast<unsigned char>(0xA0 + rng() % 24));
        // Some characters carry the default element, which the writer omits.
        m.chars[key] = rng() % 5 == 0 ? m.dflt : random_bytes(m.size);
    }
    return m;
}

Table build(const Model &m)
{
    Table t(_gl_create_multi(m.size, 0, m.dflt.data()));
    for (auto &[key, element] : m.chars)
        EXPECT_EQ(_gl_insert_desc_multi(desc(key).data(), element.data(), t.get()), 0);
    return t;
}

void check_lookup(const Model &m, const gl_multi *t, const Bytes &bytes, int limit, const char *which)
{
    Expect want = expect(m, bytes, limit);
    Context ctx{0};
    int length = -1;
    const void *got = limit < 0 ? _gl_retrieve_text_multi(bytes.data(), t, &length, &ctx)
                                : _gl_retrieve_text_multi_limit(bytes.data(), t, limit, &length, &ctx);
    if (want.element) {
        ASSERT_NE(got, nullptr) << which;
        EXPECT_EQ(std::memcmp(got, want.element->data(), want.element->size()), 0) << which;
        EXPECT_EQ(length, want.length) << which;
    } else {
        EXPECT_EQ(got, nullptr) << which;
        EXPECT_EQ(ctx.error, want.error) << which;
    }
}

// Every character _gl_foreach_multi visits, with its element; the visit must
// come in byte order.
std::map<Bytes, Bytes> visited(const gl_multi *t, int size)
{
    struct Visit {
        std::map<Bytes, Bytes> out;
        int size;
        bool ordered = true;
    } v{{}, size};
    auto record = [](void *arg, const unsigned char *bytes, int length, const void *element) {
        auto &x = *static_cast<Visit *>(arg);
        Bytes key(bytes, bytes + length);
        x.ordered = x.ordered && (x.out.empty() || x.out.rbegin()->first < key);
        const auto *e = static_cast<const unsigned char *>(element);
        x.out[key] = Bytes(e, e + x.size);
        return 0;
    };
    EXPECT_EQ(_gl_foreach_multi(t, record, &v), 0);
    EXPECT_TRUE(v.ordered);
    return v.out;
}

void round_trip(std::mt19937 &rng, bool single_byte)
{
    Model m = random_model(rng, single_byte);
    Table memory = build(m);
    std::string plain = write_table(memory.get());
    Table compressed_source = build(m);
    ASSERT_EQ(_gl_compress_multi(compressed_source.get()), 0);
    std::string compressed = write_table(compressed_source.get());
    int status;
    Table from_plain = read_table(plain, m.size, 4, &status);
    ASSERT_EQ(status, 0) << plain;
    Table from_compressed = read_table(compressed, m.size, 4, &status);
    ASSERT_EQ(status, 0) << compressed;
    EXPECT_EQ(_gl_multi_max_length(from_plain.get()), _gl_multi_max_length(memory.get()));
    EXPECT_EQ(_gl_multi_min_length(from_compressed.get()), _gl_multi_min_length(memory.get()));
    EXPECT_LE(_gl_multi_node_count(from_compressed.get()), _gl_multi_node_count(from_plain.get()));
    // Writing what was read gives the same text again.
    EXPECT_EQ(write_table(from_plain.get()), plain);
    EXPECT_EQ(write_table(from_compressed.get()), compressed);

    if (single_byte) // written with every byte a character
        for (int b = 0; b < 256; ++b)
            m.chars.try_emplace(Bytes{static_cast<unsigned char>(b)}, m.dflt);
    EXPECT_EQ(visited(from_plain.get(), m.size), m.chars);
    EXPECT_EQ(visited(from_compressed.get(), m.size), m.chars);
    std::vector<Bytes> probes;
    for (auto &entry : m.chars) {
        Bytes p = entry.first;
        p.resize(4, 0xA1);
        probes.push_back(p);
    }
    for (int i = 0; i < 300; ++i) {
        Bytes p(4, 0);
        for (auto &x : p)
            x = static_cast<unsigned char>(rng() % 3 == 0 ? 0xA0 + rng() % 24 : rng());
        probes.push_back(p);
    }
    for (const Bytes &p : probes) {
        for (int limit : {-1, 1, 2, 3}) {
            check_lookup(m, memory.get(), p, limit, "memory");
            check_lookup(m, from_plain.get(), p, limit, "plain");
            check_lookup(m, from_compressed.get(), p, limit, "compressed");
        }
    }
    // Wide values find a character exactly when its length is the one the
    // value implies.
    for (auto &[key, element] : m.chars) {
        uint32_t wc = 0;
        for (unsigned char b : key)
            wc = wc << 8 | b;
        int n = wc > 0xFFFFFF ? 4 : wc > 0xFFFF ? 3 : wc > 0xFF ? 2 : 1;
        n = std::max(n, _gl_multi_min_length(from_compressed.get()));
        Context ctx{0};
        const void *got = _gl_retrieve_wchar_multi_nl(&ctx, wc, from_compressed.get());
        if (n == static_cast<int>(key.size())) {
            ASSERT_NE(got, nullptr);
            EXPECT_EQ(std::memcmp(got, element.data(), element.size()), 0);
        }
    }
}

TEST(GlMulti, RandomTablesRoundTripPlainAndCompressed)
{
    std::mt19937 rng(20240517);
    for (int i = 0; i < 12; ++i)
        round_trip(rng, false);
    for (int i = 0; i < 3; ++i)
        round_trip(rng, true);
}

TEST(GlMulti, VisitStopsWhenAskedAndSkipsNothingElse)
{
    Table t(_gl_create_multi(2, 0, nullptr));
    const uint16_t v = 7;
    for (const Bytes &key : {Bytes{0x41}, Bytes{0xA4, 0xA2}, Bytes{0xA4, 0xA3, 0x01}, Bytes{0x42}})
        ASSERT_EQ(_gl_insert_desc_multi(desc(key).data(), &v, t.get()), 0);
    EXPECT_EQ(visited(t.get(), 2).size(), 4u);
    int calls = 0;
    auto stop_at_third = [](void *arg, const unsigned char *, int, const void *) {
        return ++*static_cast<int *>(arg) == 3 ? 9 : 0;
    };
    EXPECT_EQ(_gl_foreach_multi(t.get(), stop_at_third, &calls), 9);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(_gl_foreach_multi(nullptr, stop_at_third, &calls), 0);
}

// ---- hostile input ----

// A two-level table written by hand: 41 is a character, A4 A2 another.
const char *kTwoLevel = "2 1 1 0000\n"
                        "1 1\n"
                        "41001001" "04" "\n"
                        "a4001001" "01" "\n"
                        "0000000\n"
                        "41001001" "0041" "\n"
                        "0000000\n"
                        "1 1\n"
                        "a2001001" "04" "\n"
                        "0000000\n"
                        "a2001001" "a4a2" "\n"
                        "0000000\n";

TEST(GlMultiReader, ReadsHandWrittenText)
{
    int status;
    Table t = read_table(kTwoLevel, 2, 4, &status, _gl_multi_read_u16);
    ASSERT_EQ(status, 0);
    Context ctx{0};
    const unsigned char k[] = {0xA4, 0xA2};
    auto *v = static_cast<const uint16_t *>(_gl_retrieve_text_multi_nl(k, t.get(), &ctx));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(*v, 0xA4A2);
}

TEST(GlMultiReader, EveryTruncationFailsCleanly)
{
    std::string text = kTwoLevel;
    for (size_t cut = 0; cut + 1 < text.size(); ++cut) {
        int status;
        Table t = read_table(text.substr(0, cut), 2, 4, &status, _gl_multi_read_u16);
        if (status == 0)
            continue; // a cut inside the last terminator can still parse
        EXPECT_EQ(_gl_multi_err(t.get()), GL_EFORMAT) << cut;
        EXPECT_EQ(_gl_multi_node_count(t.get()), 1);
        EXPECT_EQ(_gl_multi_max_length(t.get()), 0);
    }
}

TEST(GlMultiReader, DepthBeyondTheCallersLimitIsErrorTwentyOne)
{
    int status;
    Table t = read_table(kTwoLevel, 2, 1, &status, _gl_multi_read_u16);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(_gl_multi_err(t.get()), GL_ETOODEEP);
    // The header claims one level, the tree holds two.
    std::string lying = kTwoLevel;
    lying[0] = '1';
    t = read_table(lying, 2, 4, &status, _gl_multi_read_u16);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(_gl_multi_err(t.get()), GL_ETOODEEP);
    t = read_table("9 1 0 0000\n0 0\n", 2, 9, &status, _gl_multi_read_u16);
    EXPECT_EQ(_gl_multi_err(t.get()), GL_ETOODEEP);
}

TEST(GlMultiReader, RunsCountsAndIndexesAreChecked)
{
    const char *bad[] = {
        "1 1 0 0000\n1 0\nf0010002" "0404040404040404" "0404040404040404" "\n0000000\n", // run past 256
        "1 1 0 0000\n1 0\n00101001" "04" "\n0000000\n",                                  // length past 256
        "1 1 0 0000\n2 0\n",                                                              // flag not 0/1
        "1 1 2 0000\n1 0\n0000000\n1 0 1 0\n",                                            // index 1 of 1
        "1 1 2 0000\n-1 0\n",                                                             // negative count
        "1 1 2 0000\n0 1\n0000000\n0 1 0 4294967296\n",                                   // index past %u
        "1 1 0 0000\n1 0\n00001001zz\n0000000\n",                                         // not hex
        "-1 1 0 0000\n0 0\n",
        "1 7 0 0000\n0 0\n",
    };
    for (const char *text : bad) {
        int status;
        Table t = read_table(text, 2, 4, &status, _gl_multi_read_u16);
        EXPECT_EQ(status, -1) << text;
        EXPECT_EQ(_gl_multi_err(t.get()), GL_EFORMAT) << text;
    }
    // A data run with repeat 0 is read and dropped.
    int status;
    Table t = read_table("1 1 0 0001\n1 1\n41001001" "04" "\n0000000\n41001000" "0005" "\n0000000\n", 2, 4,
                         &status, _gl_multi_read_u16);
    ASSERT_EQ(status, 0);
    Context ctx{0};
    const unsigned char a[] = {0x41};
    EXPECT_EQ(*static_cast<const uint16_t *>(_gl_retrieve_text_multi_nl(a, t.get(), &ctx)), 1);
}

TEST(GlMultiReader, RefusesANonEmptyTable)
{
    Table t(_gl_create_multi(2, 0, nullptr));
    uint16_t e = 1;
    ASSERT_EQ(_gl_insert_desc_multi(desc({0x41}).data(), &e, t.get()), 0);
    std::string text = kTwoLevel;
    FILE *in = fmemopen(text.data(), text.size(), "r");
    EXPECT_EQ(_gl_fscanf_multi(in, t.get(), 4, _gl_multi_read_u16), -1);
    EXPECT_EQ(_gl_multi_err(t.get()), GL_EINVAL);
    std::fclose(in);
}

TEST(GlMulti, CompressionSharesArraysAndStopsInsertion)
{
    Table t(_gl_create_multi(2, 0, nullptr));
    uint16_t e = 5;
    for (int lead = 0x81; lead <= 0x88; ++lead)
        for (int trail = 0xA1; trail <= 0xA3; ++trail)
            ASSERT_EQ(_gl_insert_desc_multi(desc({static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)})
                                                .data(),
                                            &e, t.get()),
                      0);
    std::string plain = write_table(t.get());
    ASSERT_EQ(_gl_compress_multi(t.get()), 0);
    EXPECT_EQ(_gl_multi_flags(t.get()) & GL_MULTI_COMPRESSED, GL_MULTI_COMPRESSED);
    std::string compressed = write_table(t.get());
    // Eight identical second-level nodes: one flag array, one data array.
    // Root and second level: two flag arrays; one data array for all eight.
    EXPECT_EQ(compressed.find("2 1\n"), compressed.find('\n') + 1) << compressed;
    EXPECT_LT(compressed.size(), plain.size());
    EXPECT_EQ(_gl_insert_desc_multi(desc({0x41}).data(), &e, t.get()), -1);
}

// A stream that takes the first `room` bytes and no byte after, as a full
// device does (a write past the room is short, the next takes nothing).
struct LimitedSink {
    size_t room;
    size_t taken = 0;
};

FILE *limited_stream(LimitedSink &sink)
{
    cookie_io_functions_t io{};
    io.write = [](void *cookie, const char *, size_t n) -> ssize_t {
        auto *s = static_cast<LimitedSink *>(cookie);
        const size_t k = std::min(n, s->room - s->taken);
        s->taken += k;
        return static_cast<ssize_t>(k);
    };
    FILE *f = fopencookie(&sink, "w", io);
    if (f != nullptr)
        std::setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

// A stream that fails at any point of a table's text (plain and
// compressed, both element writers): the writer reports it, and a stream
// with room for the whole text takes exactly that text.
TEST(GlMulti, WriterReportsAStreamThatFailsAtAnyPoint)
{
    Table t(_gl_create_multi(2, 0, nullptr));
    uint16_t e = 7;
    for (const Bytes &key : {Bytes{0x41}, Bytes{0x42}, Bytes{0x81, 0x40}, Bytes{0x81, 0x41}, Bytes{0x82, 0x40, 0x41}}) {
        ++e;
        ASSERT_EQ(_gl_insert_desc_multi(desc(key).data(), &e, t.get()), 0);
    }
    for (int compressed = 0; compressed < 2; ++compressed) {
        if (compressed == 1) {
            ASSERT_EQ(_gl_compress_multi(t.get()), 0);
        }
        for (gl_multi_elem_writer writer : {_gl_multi_write_u16, _gl_multi_write_bytes}) {
            const std::string whole = write_table(t.get(), writer);
            ASSERT_FALSE(whole.empty());
            for (size_t room = 0; room <= whole.size(); ++room) {
                LimitedSink sink{room};
                FILE *f = limited_stream(sink);
                ASSERT_NE(f, nullptr);
                const int status = _gl_fprintf_multi(f, t.get(), writer);
                std::fclose(f);
                EXPECT_EQ(status, room < whole.size() ? -1 : 0) << "room " << room << " compressed " << compressed;
            }
        }
    }
}

// Every entry point given no table, no key or an impossible argument
// refuses it with its documented result, and the writer reports a stream
// that takes no bytes.
TEST(GlMulti, MissingArgumentsAndFailingStreamsAreReported)
{
    Context ctx{0};
    uint16_t e = 3;
    const Bytes key = desc({0x41});
    const unsigned char bytes[] = {0x41, 0};
    EXPECT_EQ(_gl_insert_desc_multi(key.data(), &e, nullptr), -1);
    EXPECT_EQ(_gl_retrieve_desc_multi(key.data(), nullptr), nullptr);
    EXPECT_EQ(_gl_retrieve_text_multi(bytes, nullptr, nullptr, &ctx), nullptr);
    EXPECT_EQ(ctx.error, GL_EINVAL);
    ctx.error = 0;
    EXPECT_EQ(_gl_retrieve_wchar_multi_nl(&ctx, 0x41, nullptr), nullptr);
    EXPECT_EQ(ctx.error, GL_EINVAL);
    ctx.error = 0;
    EXPECT_EQ(_gl_retrieve_little_endian_unicode_limit(bytes, nullptr, 2, nullptr, &ctx), nullptr);
    EXPECT_EQ(ctx.error, GL_EINVAL);
    EXPECT_EQ(_gl_compress_multi(nullptr), -1);
    EXPECT_EQ(_gl_fprintf_multi(stdout, nullptr, _gl_multi_write_bytes), -1);
    EXPECT_EQ(_gl_fscanf_multi(stdin, nullptr, 4, _gl_multi_read_bytes), -1);
    unsigned long v = 0;
    EXPECT_EQ(_gl_fscan_hex(stdin, 0, &v), -1);
    EXPECT_EQ(_gl_fscan_hex(stdin, 16, &v), -1);
    EXPECT_EQ(_gl_multi_write_u16(stdout, &e, 3), -1);

    Table t(_gl_create_multi(2, 0, nullptr));
    ASSERT_EQ(_gl_insert_desc_multi(key.data(), &e, t.get()), 0);
    const unsigned char empty_key[] = {0};
    EXPECT_EQ(_gl_retrieve_desc_multi(empty_key, t.get()), nullptr);
    EXPECT_EQ(_gl_retrieve_desc_multi(nullptr, t.get()), nullptr);
    EXPECT_EQ(_gl_fprintf_multi(stdout, t.get(), nullptr), -1);

    // A full device: the first write that reaches it fails.
    FILE *full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::setvbuf(full, nullptr, _IONBF, 0);
    EXPECT_EQ(_gl_fprintf_multi(full, t.get(), _gl_multi_write_u16), -1);
    EXPECT_EQ(_gl_fprintf_multi(full, t.get(), _gl_multi_write_bytes), -1);
    ASSERT_EQ(_gl_compress_multi(t.get()), 0);
    EXPECT_EQ(_gl_fprintf_multi(full, t.get(), _gl_multi_write_u16), -1);
    EXPECT_EQ(_gl_multi_write_bytes(full, &e, 2), -1);
    std::fclose(full);
}

} // namespace
