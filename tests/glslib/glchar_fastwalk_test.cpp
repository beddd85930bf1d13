// The whole-string conversions and lengths (gl_mbstowcs, gl_mbslen, the
// counted multibyte-to-wide form, gl_full_wcstombs and its counted form)
// against a model of one-character calls (gl_full_mbtowc, gl_full_wctomb),
// on text built to reach each shortcut of the string walks: ASCII runs of
// every length around eight bytes and four wide characters, three-byte
// UTF-8 characters of fully and partly assigned blocks, two-byte
// characters, invalid and cut sequences; every cut of the text, terminated
// and counted, with and without a character limit; every output size.
// Damaged tables whose keys run on past a zero byte, in terminated walks.
// Each locale is loaded fresh by its test, so the walks' tables are made
// during the test, and one test lets several threads make them at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "gl_char.h"
#include "gl_locale.h"
#include "gl_multi.h"

namespace {

struct Loaded {
    gl_locale *loc = nullptr;
    explicit Loaded(const char *spec)
    {
        setenv("TARNWELLDIR", TRW_TEST_DATA_DIR, 0);
        EXPECT_EQ(gl_lc_load(&loc, spec, nullptr, nullptr), 0) << spec;
    }
    ~Loaded() { gl_lc_unload(loc); }
    Loaded(const Loaded &) = delete;
    Loaded &operator=(const Loaded &) = delete;
};

// The model: characters one at a time from s (bytes >= 0: counted, else up
// to the terminator), at most max of them. The count, or -1 and err.
int model_to_wide(gl_locale *loc, const char *s, int bytes, int max, std::vector<gl_wchar_t> &out, int &err)
{
    out.clear();
    int at = 0;
    for (;;) {
        if ((max >= 0 && static_cast<int>(out.size()) >= max) || (bytes >= 0 && at >= bytes))
            return static_cast<int>(out.size());
        gl_wchar_t wc = 0;
        loc->error = 0;
        const int len = gl_full_mbtowc(loc, &wc, s + at, bytes >= 0 ? bytes - at : -1);
        if (len < 0) {
            err = loc->error;
            return -1;
        }
        if (bytes < 0 && len == 0)
            return static_cast<int>(out.size());
        out.push_back(wc);
        at += len == 0 ? 1 : len;
    }
}

// Pieces of text of a locale: characters the decoder takes (from the
// candidates given) and byte strings it refuses or cuts.
struct Pieces {
    std::vector<std::string> chars;
    std::vector<std::string> bad;
};

Pieces pieces_of(gl_locale *loc, const std::vector<std::string> &candidates)
{
    Pieces p;
    for (const std::string &c : candidates) {
        const int len = gl_full_mblen(loc, c.c_str(), static_cast<int>(c.size()));
        if (len == static_cast<int>(c.size()))
            p.chars.push_back(c);
        else
            p.bad.push_back(c);
    }
    return p;
}

std::string ascii_run(std::mt19937 &rng, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += static_cast<char>(0x20 + rng() % 0x5F);
    return s;
}

// Text of ASCII runs of 0 to 17 bytes between characters, a bad piece now
// and then.
std::string mixed(const Pieces &p, std::mt19937 &rng, int parts, bool spoil)
{
    std::string s;
    for (int i = 0; i < parts; ++i) {
        s += ascii_run(rng, static_cast<int>(rng() % 18));
        const int k = 1 + static_cast<int>(rng() % 3);
        for (int j = 0; j < k; ++j)
            s += p.chars[rng() % p.chars.size()];
        if (spoil && !p.bad.empty() && rng() % 4 == 0)
            s += p.bad[rng() % p.bad.size()];
    }
    return s;
}

// Multibyte to wide and the length on every cut of s, against the model.
void check_cuts(gl_locale *loc, const std::string &s, std::mt19937 &rng, const char *spec)
{
    std::vector<gl_wchar_t> want, got;
    for (size_t cut = 0; cut <= s.size(); ++cut) {
        std::string t = s.substr(0, cut);
        for (int form = 0; form < 2; ++form) {
            const bool counted = form == 0;
            const int bytes = counted ? static_cast<int>(cut) : -1;
            const int max = rng() % 3 == 0 ? static_cast<int>(rng() % (cut + 2)) : -1;
            int want_err = 0;
            const int want_n = model_to_wide(loc, t.c_str(), bytes, max, want, want_err);
            got.assign(t.size() + 2, 0xDEADBEEFu);
            loc->error = 0;
            const int got_n = counted ? _trw_gl_im_mbfstowcfs(loc, got.data(), t.c_str(), bytes, max)
                                      : gl_mbstowcs(loc, got.data(), t.c_str(), max);
            ASSERT_EQ(got_n, want_n) << spec << " cut " << cut << " counted " << counted << " max " << max;
            if (want_n < 0) {
                ASSERT_EQ(loc->error, want_err) << spec << " cut " << cut;
                continue;
            }
            for (size_t k = 0; k < want.size(); ++k)
                ASSERT_EQ(got[k], want[k]) << spec << " cut " << cut << " at " << k;
            if (counted)
                continue;
            // Wide output stops at max characters; the terminator only
            // when there is room for it.
            if (max < 0 || want_n < max)
                ASSERT_EQ(got[static_cast<size_t>(want_n)], 0u) << spec << " cut " << cut;
            else
                ASSERT_EQ(got[static_cast<size_t>(want_n)], 0xDEADBEEFu) << spec << " cut " << cut;
            loc->error = 0;
            if (max < 0) {
                ASSERT_EQ(gl_mbslen(loc, t.c_str()), want_n) << spec << " cut " << cut;
            }
            ASSERT_EQ(_trw_gl_im_mbfstowcfs(loc, nullptr, t.c_str(), -1, max), want_n) << spec << " cut " << cut;
        }
    }
}

// Wide to multibyte of wide, terminated and counted, into every size,
// against gl_full_wctomb one character at a time.
void check_sizes(gl_locale *loc, const std::vector<gl_wchar_t> &wide, const char *spec)
{
    std::string model;
    std::vector<size_t> ends; // bytes after each character
    int lacks = -1;           // first character the locale lacks
    int lacks_err = 0;
    for (size_t k = 0; k < wide.size() && lacks < 0; ++k) {
        char buf[8];
        loc->error = 0;
        const int n = gl_full_wctomb(loc, buf, wide[k]);
        if (n < 0) {
            lacks = static_cast<int>(k);
            lacks_err = loc->error;
            break;
        }
        model.append(buf, static_cast<size_t>(n));
        ends.push_back(model.size());
    }
    std::vector<gl_wchar_t> terminated = wide;
    terminated.push_back(0);
    for (int size = -1; size <= static_cast<int>(model.size()) + 2; ++size) {
        // What fits: whole characters up to size bytes; the conversion
        // fails when it reaches the character the locale lacks.
        size_t fit = 0;
        while (fit < ends.size() && (size < 0 || ends[fit] <= static_cast<size_t>(size)))
            ++fit;
        const bool fails = lacks >= 0 && fit == static_cast<size_t>(lacks);
        const int want = fails ? -1 : fit == 0 ? 0 : static_cast<int>(ends[fit - 1]);
        for (int form = 0; form < 2; ++form) {
            std::string out(model.size() + 8, '#');
            loc->error = 0;
            const int got = form == 0 ? gl_full_wcstombs(loc, out.data(), terminated.data(), size)
                                      : _trw_gl_full_wcstombs(loc, out.data(), wide.data(),
                                                              static_cast<int>(wide.size()), size);
            ASSERT_EQ(got, want) << spec << " size " << size << " form " << form;
            if (got < 0) {
                ASSERT_EQ(loc->error, lacks_err) << spec << " size " << size;
                continue;
            }
            ASSERT_EQ(out.substr(0, static_cast<size_t>(got)), model.substr(0, static_cast<size_t>(got)))
                << spec << " size " << size;
            // A terminated string converted whole gets its terminator when
            // it fits; nothing else is written past the characters.
            const bool term = form == 0 && fit == wide.size() && (size < 0 || got + 1 <= size);
            ASSERT_EQ(out[static_cast<size_t>(got)], term ? '\0' : '#') << spec << " size " << size;
            for (size_t k = static_cast<size_t>(got) + 1; k < out.size(); ++k)
                ASSERT_EQ(out[k], '#') << spec << " size " << size << " at " << k;
            loc->error = 0;
            const int measured = form == 0 ? gl_full_wcstombs(loc, nullptr, terminated.data(), size)
                                           : _trw_gl_full_wcstombs(loc, nullptr, wide.data(),
                                                                   static_cast<int>(wide.size()), size);
            ASSERT_EQ(measured, got) << spec << " size " << size;
        }
    }
}

std::string bytes(std::initializer_list<int> list)
{
    std::string s;
    for (int b : list)
        s += static_cast<char>(b);
    return s;
}

// Candidates: whole blocks of two- and three-byte sequences (fully and
// partly assigned, invalid ones included), a few four-byte ones, and bytes
// that are not characters by themselves.
std::vector<std::string> candidates(std::mt19937 &rng)
{
    std::vector<std::string> out;
    const int leads3[] = {0xE3, 0xE4, 0xE9, 0xEF, 0xE0, 0xED};
    for (int k = 0; k < 600; ++k) {
        const int l = leads3[rng() % 6];
        out.push_back(bytes({l, 0x80 + static_cast<int>(rng() % 0x40), 0x80 + static_cast<int>(rng() % 0x40)}));
    }
    for (int k = 0; k < 600; ++k)
        out.push_back(bytes({0x81 + static_cast<int>(rng() % 0x7E), 0x40 + static_cast<int>(rng() % 0xBF)}));
    for (int k = 0; k < 100; ++k)
        out.push_back(bytes({0x8F, 0xA1 + static_cast<int>(rng() % 0x5E), 0xA1 + static_cast<int>(rng() % 0x5E)}));
    for (int k = 0; k < 50; ++k)
        out.push_back(bytes({0xF0, 0x90 + static_cast<int>(rng() % 0x30), 0x80 + static_cast<int>(rng() % 0x40),
                             0x80 + static_cast<int>(rng() % 0x40)}));
    for (int b = 0x80; b < 0x100; b += 7)
        out.push_back(bytes({b}));
    out.push_back(bytes({0xC0, 0x80}));       // overlong
    out.push_back(bytes({0xED, 0xA0, 0x80})); // a surrogate
    out.push_back(bytes({0xE4, 0xB8}));       // cut
    out.push_back(bytes({0xE4, 0x41, 0x80})); // not a continuation
    return out;
}

void check_locale(const char *spec, unsigned seed)
{
    Loaded l(spec);
    gl_locale *loc = l.loc;
    ASSERT_NE(loc, nullptr);
    std::mt19937 rng(seed);
    const Pieces p = pieces_of(loc, candidates(rng));
    ASSERT_GT(p.chars.size(), 50u) << spec;
    for (int i = 0; i < 60; ++i) {
        const std::string s = mixed(p, rng, 1 + static_cast<int>(rng() % 6), i % 2 == 1);
        check_cuts(loc, s, rng, spec);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    for (int i = 0; i < 80; ++i) {
        std::vector<gl_wchar_t> wide;
        int err = 0;
        const std::string s = mixed(p, rng, 1 + static_cast<int>(rng() % 5), false);
        ASSERT_GE(model_to_wide(loc, s.c_str(), -1, -1, wide, err), 0) << spec;
        if (i % 3 == 1) // a character the locale lacks
            wide.insert(wide.begin() + static_cast<long>(rng() % (wide.size() + 1)),
                        i % 2 == 0 ? 0xE0A080u : 0xFFFFFFFFu);
        check_sizes(loc, wide, spec);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

TEST(FastWalks, Utf8Japanese) { check_locale("ja_JP.utf8", 11); }
TEST(FastWalks, Utf8English) { check_locale("en_US.utf8", 12); }
TEST(FastWalks, EucJp) { check_locale("ja_JP.ujis", 13); }
TEST(FastWalks, ShiftJis) { check_locale("ja_JP.sjis", 14); }

// The first walks of a freshly loaded locale, from several threads at
// once: each gets what one thread alone gets.
TEST(FastWalks, FirstUseFromThreads)
{
    Loaded l("ja_JP.utf8");
    gl_locale *loc = l.loc;
    ASSERT_NE(loc, nullptr);
    std::mt19937 rng(21);
    const Pieces p = pieces_of(loc, candidates(rng));
    std::vector<std::string> texts;
    for (int i = 0; i < 4; ++i)
        texts.push_back(mixed(p, rng, 3000, false));
    std::vector<std::vector<gl_wchar_t>> got(texts.size());
    std::vector<int> counts(texts.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < texts.size(); ++i)
        threads.emplace_back([&, i] {
            got[i].assign(texts[i].size() + 1, 0);
            counts[i] = _trw_gl_im_mbfstowcfs(loc, got[i].data(), texts[i].data(),
                                              static_cast<int>(texts[i].size()), -1);
        });
    for (std::thread &t : threads)
        t.join();
    for (size_t i = 0; i < texts.size(); ++i) {
        std::vector<gl_wchar_t> want;
        int err = 0;
        const int n = model_to_wide(loc, texts[i].c_str(), static_cast<int>(texts[i].size()), -1, want, err);
        ASSERT_EQ(counts[i], n);
        got[i].resize(want.size());
        EXPECT_EQ(got[i], want);
    }
}

} // namespace

// A damaged character table whose keys go on past a zero byte ("\x81\x00",
// "\x82\x00\x41", "\xE4\xB8\x00") must not lead a terminated walk beyond
// the string's terminator: the string ends inside the character there, so
// a terminated string gives what the counted form gives on the bytes before
// its terminator. The strings live in buffers of their exact size, so that
// a read past them is a fault under the address sanitizer and a wrong
// count without it.
class DamagedTable : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(loaded.loc, nullptr);
        table = _gl_create_multi(2, 0, nullptr);
        ASSERT_NE(table, nullptr);
        const uint16_t mask = GL_CLASS_PRINT;
        auto put = [&](std::initializer_list<unsigned char> key) {
            unsigned char desc[1 + GL_MULTI_MAX_KEY] = {static_cast<unsigned char>(key.size())};
            std::copy(key.begin(), key.end(), desc + 1);
            ASSERT_EQ(_gl_insert_desc_multi(desc, &mask, table), 0);
        };
        put({0x00});
        for (int b = 1; b < 0x80; ++b)
            put({static_cast<unsigned char>(b)});
        put({0xC3, 0xA9});
        put({0x81, 0x00});
        put({0x82, 0x00, 0x41});
        put({0xE4, 0xB8, 0x00});
        for (int b = 0x80; b < 0xC0; ++b)
            put({0xE4, 0xB8, static_cast<unsigned char>(b)});
        saved = loaded.loc->class_trie;
        loaded.loc->class_trie = table;
    }
    void TearDown() override
    {
        if (table != nullptr)
            loaded.loc->class_trie = saved;
        _gl_free_multi(table);
    }
    Loaded loaded{"en_US.utf8"};
    gl_multi *table = nullptr;
    gl_multi *saved = nullptr;
};

TEST_F(DamagedTable, TerminatedWalksStopAtTheTerminator)
{
    gl_locale *loc = loaded.loc;
    const std::string texts[] = {"\x81",         "A\x81",        "ABCDEFGHIJ\x81", "\xC3\xA9\x81",
                                 "\x82",         "A\x82",        "\xE4\xB8",       "\xC3\xA9\xE4\xB8",
                                 "\xE4\xB8\xA0", "\xE4\xB8\xA0\x81"};
    for (const std::string &text : texts) {
        const int n = static_cast<int>(text.size());
        std::unique_ptr<char[]> s(new char[text.size() + 1]);
        std::memcpy(s.get(), text.c_str(), text.size() + 1);
        std::vector<gl_wchar_t> want(text.size() + 1), got(text.size() + 1);
        loc->error = 0;
        const int want_n = _trw_gl_im_mbfstowcfs(loc, want.data(), s.get(), n, -1);
        const int want_err = loc->error;
        for (int pass = 0; pass < 2; ++pass) { // the tables' first use, then the filled copy
            loc->error = 0;
            EXPECT_EQ(gl_mbstowcs(loc, got.data(), s.get(), -1), want_n) << text;
            EXPECT_EQ(loc->error, want_err) << text;
            loc->error = 0;
            EXPECT_EQ(gl_mbslen(loc, s.get()), want_n) << text;
            EXPECT_EQ(_trw_gl_im_mbfstowcfs(loc, nullptr, s.get(), -1, -1), want_n) << text;
        }
    }
    // Text that ends inside a character of the damaged keys is cut there.
    std::unique_ptr<char[]> cut(new char[2]{'\x81', '\0'});
    gl_wchar_t wc = 0;
    loc->error = 0;
    EXPECT_EQ(gl_full_mbtowc(loc, &wc, cut.get(), -1), -1);
    EXPECT_EQ(loc->error, GL_EINVAL);
    EXPECT_EQ(gl_mbwidth(loc, cut.get()), -1);
    // The counted form takes a zero byte as data, so the damaged keys are
    // characters there, whichever walk answers.
    const char counted[] = "A\x81\x00" "B\x82\x00" "A\xE4\xB8\x00";
    std::vector<gl_wchar_t> wide(16, 0);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(_trw_gl_im_mbfstowcfs(loc, wide.data(), counted, 10, -1), 5);
        EXPECT_EQ(wide[0], 0x41u);
        EXPECT_EQ(wide[1], 0x8100u);
        EXPECT_EQ(wide[2], 0x42u);
        EXPECT_EQ(wide[3], 0x820041u);
        EXPECT_EQ(wide[4], 0xE4B800u);
    }
}

// The same for a table of two-byte minimum, whose terminator is two zero
// bytes: a key that goes on past them is no character of a terminated
// string.
TEST(DamagedTwoByteTable, TerminatorEndsTheWalk)
{
    Loaded loaded("en_US.utf8");
    gl_locale *loc = loaded.loc;
    ASSERT_NE(loc, nullptr);
    gl_multi *table = _gl_create_multi(2, 0, nullptr);
    ASSERT_NE(table, nullptr);
    const uint16_t mask = GL_CLASS_PRINT;
    const unsigned char keys[][5] = {{2, 0x00, 0x41}, {2, 0x01, 0x00}, {4, 0x00, 0x00, 0x41, 0x41},
                                     {3, 0x02, 0x00, 0x00}};
    for (const auto &key : keys)
        ASSERT_EQ(_gl_insert_desc_multi(key, &mask, table), 0);
    gl_multi *saved = loc->class_trie;
    loc->class_trie = table;
    std::unique_ptr<char[]> s(new char[6]{'\x00', '\x41', '\x01', '\x00', '\x00', '\x00'});
    for (int pass = 0; pass < 2; ++pass) {
        loc->error = 0;
        EXPECT_EQ(gl_mbslen(loc, s.get()), -1);
        EXPECT_EQ(loc->error, GL_EILSEQ);
    }
    std::unique_ptr<char[]> t(new char[4]{'\x02', '\x00', '\x00', '\x00'});
    loc->error = 0;
    EXPECT_EQ(gl_mbslen(loc, t.get()), -1);
    EXPECT_EQ(loc->error, GL_EINVAL);
    loc->class_trie = saved;
    _gl_free_multi(table);
}
