// The glibc oracle: our locale files against the same sources compiled by
// glibc's localedef. For every byte of single-byte code sets: class
// membership and case mapping equal glibc's isxxx_l/toupper_l/tolower_l, and
// the order of all one-character strings by our compare equals the
// order strcoll_l gives (compared pair by pair, ties included).
#include <gtest/gtest.h>

#include <cctype>
#include <cwchar>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl_errno.h"
#include "gl_locale.h"

// glibc's newlocale keeps the search path it builds from LOCPATH for the
// life of the process; the leak checker of the sanitizer builds is told so.
extern "C" const char *__lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace {

struct Case {
    const char *ours;   // our file
    const char *glibc;  // glibc locale name below GLIBC_LOCALES
};

const Case kCases[] = {
    {"en_us/0333.lco", "en_US.ISO-8859-1"}, {"de_de/0333.lco", "de_DE.ISO-8859-1"},
    {"fr_fr/0333.lco", "fr_FR.ISO-8859-1"}, {"ru_ru/0393.lco", "ru_RU.ISO-8859-5"},
    {"pl_pl/0390.lco", "pl_PL.ISO-8859-2"}, {"he_il/0394.lco", "he_IL.ISO-8859-8"},
    {"en_us/04e4.lco", "en_US.CP1252"},
};

struct Pair {
    gl_locale *ours = nullptr;
    locale_t glibc = nullptr;
    explicit Pair(const Case &c)
    {
        setenv("LOCPATH", GLIBC_LOCALES, 1);
        gl_lc_load(&ours, c.ours, nullptr, nullptr);
        glibc = newlocale(LC_ALL_MASK, c.glibc, nullptr);
    }
    ~Pair()
    {
        gl_lc_unload(ours);
        if (glibc)
            freelocale(glibc);
    }
};

int glibc_mask(int c, locale_t l)
{
    int (*const tests[])(int, locale_t) = {isupper_l, islower_l, isalpha_l, isdigit_l, isspace_l, iscntrl_l,
                                           ispunct_l, isgraph_l, isprint_l, isxdigit_l, isblank_l};
    int m = 0;
    for (int i = 0; i < 11; ++i)
        if (tests[i](c, l))
            m |= 1 << i;
    return m;
}

// Whether a byte is a character of the glibc locale's code set. Bytes the
// charmap leaves out (0xA1 in ISO-8859-8, 0x81 in CP1252) are all equal to
// every ignorable character for glibc, while our single-byte tries give them
// the default row; that difference is left out of the comparison.
bool valid_byte(int c, locale_t l)
{
    locale_t old = uselocale(l);
    std::mbstate_t st{};
    wchar_t w;
    char b = static_cast<char>(c);
    size_t n = std::mbrtowc(&w, &b, 1, &st);
    uselocale(old);
    return n == 1;
}

int sign(int v) { return (v > 0) - (v < 0); }

// Order of two single characters by the locale's compare slot.
int row_order(gl_locale *loc, unsigned char a, unsigned char b)
{
    unsigned char sa[2] = {a, 0}, sb[2] = {b, 0};
    return sign(loc->coll_compare(loc, sa, sb));
}

TEST(LocaleOracle, ClassesAndCaseMatchGlibc)
{
    for (const Case &c : kCases) {
        Pair p(c);
        ASSERT_EQ(p.ours->error, 0) << c.ours;
        ASSERT_NE(p.glibc, nullptr) << c.glibc;
        for (int ch = 1; ch < 256; ++ch) {
            EXPECT_EQ(p.ours->class_map[ch] & 0x7FF, glibc_mask(ch, p.glibc)) << c.ours << " byte " << ch;
            EXPECT_EQ(p.ours->upper_map[ch], toupper_l(ch, p.glibc)) << c.ours << " byte " << ch;
            EXPECT_EQ(p.ours->lower_map[ch], tolower_l(ch, p.glibc)) << c.ours << " byte " << ch;
        }
    }
}

TEST(LocaleOracle, SingleCharacterOrderMatchesStrcoll)
{
    for (const Case &c : kCases) {
        Pair p(c);
        ASSERT_NE(p.glibc, nullptr) << c.glibc;
        ASSERT_NE(p.ours->weight_trie, nullptr) << c.ours;
        int differences = 0;
        std::vector<int> chars;
        for (int ch = 1; ch < 256; ++ch)
            if (valid_byte(ch, p.glibc))
                chars.push_back(ch);
        for (int a : chars)
            for (int b : chars) {
                char sa[2] = {static_cast<char>(a), 0}, sb[2] = {static_cast<char>(b), 0};
                int g = sign(strcoll_l(sa, sb, p.glibc)), o = row_order(p.ours, a, b);
                if (g != o && ++differences <= 5)
                    ADD_FAILURE() << c.ours << ": bytes " << a << " and " << b << " glibc " << g << " ours " << o;
            }
        EXPECT_EQ(differences, 0) << c.ours;
    }
}

} // namespace
