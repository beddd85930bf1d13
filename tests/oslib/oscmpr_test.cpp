// Comparison of blank-padded character values: the fixed rules as a table,
// the single-byte road against glibc's strcoll_l of the same locale, the
// multibyte road in UTF-8 and EUC-JP with ideographic spaces as padding, and
// nlsbycmpr against strcoll.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <random>
#include <string>

#include "gl_locale.h"
#include "oscmpr.h"
#include "osinit.h"

// glibc keeps the locale search path it builds from LOCPATH for the life
// of the process.
extern "C" const char *__lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

struct Loaded {
    gl_locale *loc = nullptr;
    explicit Loaded(const char *spec) { gl_lc_load(&loc, spec, nullptr, nullptr); }
    ~Loaded() { gl_lc_unload(loc); }
};

int cmp(gl_locale *loc, const std::string &a, const std::string &b, int *error = nullptr)
{
    int dummy = 0;
    return osglsbycmpr(loc, a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                       error != nullptr ? error : &dummy);
}

TEST(CharCompare, BlankAndZeroRules)
{
    Loaded en("en_US.8859-1");
    ASSERT_NE(en.loc, nullptr);
    ASSERT_EQ(en.loc->error, 0);
    struct Case {
        std::string a, b;
        int expected;
    };
    const std::string z1("\0x", 2), z2("\0y", 2);
    const Case cases[] = {
        {"a", "a   ", 0},   {"   ", "b", -1},   {"b", "   ", 1},    {"   ", "", 0},  {"", "", 0},
        {" ", "  ", 0},     {"", "a", -1},      {"a", "", 1},      {z1, z2, 0},    {z1, "", -1},
        {"", z1, 1},        {z1, "a", -1},      {"a", z1, 1},      {"ab", "ab ", 0}, {"a b", "ab", -1 * 2},
    };
    for (const Case &c : cases) {
        if (c.expected == -2) { // only checked for agreement with the reverse order
            EXPECT_EQ(cmp(en.loc, c.a, c.b), -cmp(en.loc, c.b, c.a));
            continue;
        }
        EXPECT_EQ(cmp(en.loc, c.a, c.b), c.expected) << '"' << c.a << "\" \"" << c.b << '"';
    }
    // A length of 0 is not read: a pointer to a zero byte or to a letter alike.
    EXPECT_EQ(osglsbycmpr(en.loc, "q", 0, "", 0, nullptr), 0);
    EXPECT_EQ(osglsbycmpr(en.loc, "q", 0, "b", 1, nullptr), -1);
    EXPECT_EQ(osglsbycmpr(en.loc, nullptr, 0, nullptr, 0, nullptr), 0);
    EXPECT_EQ(osglsbyleng(en.loc, "ab  ", 4), 2);
    EXPECT_EQ(osglsbyleng(nullptr, "ab  ", 4), 2);
    EXPECT_EQ(osglsbyleng(nullptr, "    ", 4), 0);
}

TEST(CharCompare, SingleByteAgreesWithGlibc)
{
    setenv("LOCPATH", GLIBC_LOCALES, 1);
    for (auto [ours, theirs] : {std::pair{"en_US.8859-1", "en_US.ISO-8859-1"}, {"de_DE.8859-1", "de_DE.ISO-8859-1"}}) {
        Loaded l(ours);
        ASSERT_NE(l.loc, nullptr);
        locale_t g = newlocale(LC_ALL_MASK, theirs, nullptr);
        ASSERT_NE(g, nullptr);
        std::mt19937 rng(7);
        const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        auto word = [&] {
            std::string w;
            for (int n = 1 + rng() % 6; n > 0; --n)
                w += letters[rng() % letters.size()];
            return w + std::string(rng() % 4, ' ');
        };
        int compared = 0;
        for (int i = 0; i < 2000; ++i) {
            std::string a = word(), b = word();
            std::string ta = a.substr(0, a.find_last_not_of(' ') + 1), tb = b.substr(0, b.find_last_not_of(' ') + 1);
            int error = 0;
            ASSERT_EQ(cmp(l.loc, a, b, &error), sign(strcoll_l(ta.c_str(), tb.c_str(), g)))
                << ours << " '" << a << "' '" << b << "'";
            EXPECT_EQ(error, 0);
            ++compared;
        }
        EXPECT_EQ(compared, 2000);
        freelocale(g);
    }
}

TEST(CharCompare, MultibyteWithIdeographicSpaces)
{
    struct Case {
        const char *spec;
        std::string space;   // U+3000 in the code set
        std::string kanji1;  // two ideographs in code order
        std::string kanji2;
    };
    const Case cases[] = {{"ja_JP.utf8", "\xE3\x80\x80", "\xE4\xB8\x80", "\xE4\xB8\x81"},
                          {"ja_JP.ujis", "\xA1\xA1", "\xB0\xA1", "\xB0\xA2"}};
    for (const Case &c : cases) {
        Loaded l(c.spec);
        ASSERT_NE(l.loc, nullptr) << c.spec;
        ASSERT_EQ(l.loc->single_byte, 0) << c.spec;
        EXPECT_EQ(cmp(l.loc, c.kanji1, c.kanji1 + c.space + c.space), 0) << c.spec;
        EXPECT_EQ(cmp(l.loc, c.kanji1 + " " + c.space, c.kanji1), 0) << c.spec;
        EXPECT_EQ(cmp(l.loc, c.space + c.space, "   "), 0) << c.spec;
        EXPECT_EQ(cmp(l.loc, c.space, c.kanji1), -1) << c.spec;
        EXPECT_EQ(cmp(l.loc, c.kanji1, c.space), 1) << c.spec;
        const int forward = cmp(l.loc, c.kanji1 + c.space, c.kanji2);
        EXPECT_NE(forward, 0) << c.spec;
        EXPECT_EQ(cmp(l.loc, c.kanji2, c.kanji1 + c.space), -forward) << c.spec;
        EXPECT_EQ(osglsbyleng(l.loc, (c.kanji1 + c.space).data(), static_cast<int>(c.kanji1.size() + c.space.size())),
                  static_cast<int>(c.kanji1.size()));
        // An invalid character: -202 and 0.
        int error = 0;
        EXPECT_EQ(cmp(l.loc, c.kanji1.substr(0, 1) + "a", c.kanji2, &error), 0) << c.spec;
        EXPECT_EQ(error, -202) << c.spec;
    }
}

TEST(CharCompare, NlsbycmprAgreesWithStrcoll)
{
    setenv("LOCPATH", GLIBC_LOCALES, 1);
    ASSERT_NE(setlocale(LC_COLLATE, "de_DE.ISO-8859-1"), nullptr);
    std::mt19937 rng(11);
    const std::string letters = "abcxyzABCXYZ\xE4\xF6\xFC\xC4\xDF 09";
    for (int i = 0; i < 1000; ++i) {
        std::string a, b;
        for (int k = 0; k < 8; ++k) {
            a += letters[rng() % letters.size()];
            b += letters[rng() % letters.size()];
        }
        std::string ta = a.substr(0, a.find_last_not_of(' ') + 1), tb = b.substr(0, b.find_last_not_of(' ') + 1);
        int error = 0;
        ASSERT_EQ(nlsbycmpr(a.data(), b.data(), 8, &error), sign(std::strcoll(ta.c_str(), tb.c_str()))) << a << "|" << b;
        EXPECT_EQ(_oncharcmp(a.data(), 8, b.data(), 3, &error), sign(std::strcoll(ta.c_str(), b.substr(0, 3).substr(0, b.substr(0, 3).find_last_not_of(' ') + 1).c_str())));
    }
    EXPECT_EQ(nlsbycmpr("a", "b", 0, nullptr), 0);
    EXPECT_EQ(nlsbycmpr("a", "b", -3, nullptr), 0);
    EXPECT_EQ(nlsbycmpr(std::string("\0a", 2).data(), std::string("\0b", 2).data(), 2, nullptr), 0);
    EXPECT_EQ(nlsbycmpr(std::string("\0a", 2).data(), "bb", 2, nullptr), -1);
    EXPECT_EQ(nlsbycmpr("bb", std::string("\0a", 2).data(), 2, nullptr), 1);
    EXPECT_EQ(nlsbycmpr("ab  ", "ab", 2, nullptr), 0);
}

TEST(CharCompare, CharInRangeByCodeWithoutAClientLocale)
{
    EXPECT_EQ(CharInRange('b', 'a', 'c'), 1);
    EXPECT_EQ(CharInRange('a', 'a', 'a'), 1);
    EXPECT_EQ(CharInRange('d', 'a', 'c'), 0);
}

} // namespace
