// The whole-string conversions (gl_mbstowcs, gl_mbslen, the counted
// multibyte-to-wide form, gl_full_wcstombs and its counted form) against a
// model built from the one-character functions (gl_full_mbtowc,
// gl_full_wctomb), on random strings of the locale's own characters with
// invalid bytes, cut characters and terminators mixed in: the same count,
// the same wide values and bytes, the same error number, and nothing
// written beyond what the model writes. UTF-8 (two locales), EUC-JP,
// Shift-JIS and a single-byte locale.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gl_char.h"
#include "gl_locale.h"

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

// Characters of the locale: random byte strings of 1 to 4 bytes that the
// one-character decoder takes whole.
std::vector<std::string> some_characters(gl_locale *loc, std::mt19937 &rng)
{
    std::vector<std::string> out;
    for (int tries = 0; tries < 200000 && out.size() < 400; ++tries) {
        std::string s;
        const int n = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < n; ++i)
            s += static_cast<char>(rng() % 2 ? 0x21 + rng() % 0x5E : 0x80 + rng() % 0x80);
        const int len = gl_full_mblen(loc, s.c_str(), static_cast<int>(s.size()));
        if (len > 0)
            out.push_back(s.substr(0, static_cast<size_t>(len)));
    }
    return out;
}

// A string of characters with, now and then, a random byte (often not a
// character), a cut character at the end, or a terminator inside.
std::string random_string(const std::vector<std::string> &chars, std::mt19937 &rng, bool spoil)
{
    std::string s;
    const int n = static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) {
        if (spoil && rng() % 30 == 0)
            s += static_cast<char>(rng() % 256);
        else
            s += chars[rng() % chars.size()];
    }
    if (spoil && rng() % 6 == 0) {
        const std::string &c = chars[rng() % chars.size()];
        s += c.substr(0, c.size() - 1); // cut (empty for one byte)
    }
    return s;
}

// The model of the multibyte-to-wide walk: characters one at a time; stops
// at the end (bytes >= 0), the terminator (bytes < 0) or max characters.
// Returns the count or -1 with the error number in err.
int model_to_wide(gl_locale *loc, const std::string &s, int bytes, int max, std::vector<gl_wchar_t> &out, int &err)
{
    out.clear();
    size_t at = 0;
    for (;;) {
        if (max >= 0 && static_cast<int>(out.size()) >= max)
            return static_cast<int>(out.size());
        if (bytes >= 0 && static_cast<int>(at) >= bytes)
            return static_cast<int>(out.size());
        gl_wchar_t wc = 0;
        const int limit = bytes >= 0 ? bytes - static_cast<int>(at) : -1;
        const int len = gl_full_mbtowc(loc, &wc, s.c_str() + at, limit);
        if (len < 0) {
            err = loc->error;
            return -1;
        }
        if (bytes < 0 && len == 0) {
            out.push_back(0);
            return static_cast<int>(out.size()) - 1;
        }
        out.push_back(wc);
        at += static_cast<size_t>(len == 0 ? 1 : len);
    }
}

void check_locale(const char *spec, unsigned seed)
{
    Loaded l(spec);
    gl_locale *loc = l.loc;
    ASSERT_NE(loc, nullptr);
    std::mt19937 rng(seed);
    const std::vector<std::string> chars = some_characters(loc, rng);
    ASSERT_GT(chars.size(), 20u) << spec;
    for (int i = 0; i < 20000; ++i) {
        const std::string s = random_string(chars, rng, i % 2 == 1);
        const bool counted = rng() % 2 == 0;
        const int bytes = counted ? static_cast<int>(s.size()) : -1;
        const int max = rng() % 4 == 0 ? static_cast<int>(rng() % 20) : -1;
        std::vector<gl_wchar_t> want;
        int want_err = 0;
        const int want_n = model_to_wide(loc, s, bytes, max, want, want_err);
        std::vector<gl_wchar_t> got(s.size() + 2, 0xDEADBEEF);
        loc->error = 0;
        const int got_n = counted ? _trw_gl_im_mbfstowcfs(loc, got.data(), s.c_str(), bytes, max)
                                  : gl_mbstowcs(loc, got.data(), s.c_str(), max);
        ASSERT_EQ(got_n, want_n) << spec << " case " << i;
        if (want_n < 0) {
            ASSERT_EQ(loc->error, want_err) << spec << " case " << i;
            continue;
        }
        for (size_t k = 0; k < want.size() && k < got.size(); ++k)
            ASSERT_EQ(got[k], want[k]) << spec << " case " << i << " at " << k;
        if (!counted && max < 0) {
            ASSERT_EQ(gl_mbslen(loc, s.c_str()), want_n) << spec << " case " << i;
            // Back to bytes, whole or into a size that cuts it.
            const int size = rng() % 3 == 0 ? static_cast<int>(rng() % (s.size() + 2)) : -1;
            std::string model;
            for (int k = 0; k < want_n; ++k) {
                char buf[8];
                const int n = gl_full_wctomb(loc, buf, want[static_cast<size_t>(k)]);
                ASSERT_GT(n, 0);
                if (size >= 0 && static_cast<int>(model.size()) + n > size)
                    break;
                model.append(buf, static_cast<size_t>(n));
            }
            std::string out(s.size() + 8, '#');
            const int written = gl_full_wcstombs(loc, out.data(), want.data(), size);
            ASSERT_EQ(written, static_cast<int>(model.size())) << spec << " case " << i;
            ASSERT_EQ(out.substr(0, model.size()), model);
            const int counted_n = _trw_gl_full_wcstombs(loc, nullptr, want.data(), want_n, size);
            ASSERT_EQ(counted_n, static_cast<int>(model.size()));
        }
    }
    // A wide character the locale lacks stops the conversion with error 1
    // after the ones before it, as the one-character encoder says.
    std::vector<gl_wchar_t> wide = {'a', 'b', 0xFFFFFFFFu, 'c', 0};
    char out[32];
    loc->error = 0;
    char probe[8];
    const int lacks = gl_full_wctomb(loc, probe, 0xFFFFFFFFu);
    const int lacks_err = loc->error;
    loc->error = 0;
    const int n = gl_full_wcstombs(loc, out, wide.data(), sizeof out);
    if (lacks < 0) {
        EXPECT_EQ(n, -1) << spec;
        EXPECT_EQ(loc->error, lacks_err) << spec;
    }
}

TEST(MultibyteWalks, Utf8Japanese) { check_locale("ja_JP.utf8", 1); }
TEST(MultibyteWalks, Utf8English) { check_locale("en_US.utf8", 2); }
TEST(MultibyteWalks, EucJp) { check_locale("ja_JP.ujis", 3); }
TEST(MultibyteWalks, ShiftJis) { check_locale("ja_JP.sjis", 4); }
TEST(MultibyteWalks, SingleByte) { check_locale("en_US.8859-1", 5); }

} // namespace
