// The OS control block, the classification tables and the old-style
// language mode. Every test runs in a fresh process (first-use state); the
// rebuilt tables are checked against the C library's own classification in
// "C", "C.UTF-8" and glibc-compiled ISO-8859-1 locales.
#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>

#include "osenv.h"
#include "osinit.h"
#include "osqlidbg.h"
#include "osutil.h"
#include "support/child_process.h"

// glibc keeps the locale search path it builds from LOCPATH for the life
// of the process.
extern "C" const char *__lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace {

// The default table, written independently of the library: one class letter
// per byte. U upper, L lower, D digit, S blank, W white space and control,
// C control, P punctuation.
unsigned char expected_default(int c)
{
    static const char kClasses[] =
        "CCCCCCCCCWWWWWCCCCCCCCCCCCCCCCCC" // 0x00-0x1F
        "SPPPPPPPPPPPPPPPDDDDDDDDDDPPPPPP" // 0x20-0x3F
        "PUUUUUUUUUUUUUUUUUUUUUUUUUUPPPPP" // 0x40-0x5F
        "PLLLLLLLLLLLLLLLLLLLLLLLLLLPPPPC" // 0x60-0x7F
        "LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL" // 0x80-0x9F
        "LLLLLLLLLLLLLLPPPPPPPPPPPPPPPPPP" // 0xA0-0xBF
        "PPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPP" // 0xC0-0xDF
        "PPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPP";// 0xE0-0xFF
    switch (kClasses[c]) {
    case 'U': return 0x01;
    case 'L': return 0x02;
    case 'D': return 0x04;
    case 'S': return 0x08;
    case 'W': return 0x28;
    case 'C': return 0x20;
    default: return 0x10;
    }
}

// What a rebuild must give for byte c under the locale.
unsigned char expected_rebuilt(int c, locale_t l)
{
    unsigned char bits = 0;
    bits |= isupper_l(c, l) ? 0x01 : 0;
    bits |= islower_l(c, l) ? 0x02 : 0;
    bits |= isdigit_l(c, l) ? 0x04 : 0;
    bits |= isspace_l(c, l) ? 0x08 : 0;
    bits |= ispunct_l(c, l) ? 0x10 : 0;
    bits |= iscntrl_l(c, l) ? 0x20 : 0;
    bits |= isxdigit_l(c, l) ? 0x40 : 0;
    if (isupper_l(c, l) || islower_l(c, l) || isdigit_l(c, l) || ispunct_l(c, l) || isblank_l(c, l))
        bits |= 0x80;
    return bits;
}

void expect_tables_match(const char *name)
{
    locale_t l = newlocale(LC_CTYPE_MASK, name, nullptr);
    ASSERT_NE(l, nullptr) << name;
    EXPECT_EQ(_ixctype[0], 0);
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(_ixctype[c + 1], expected_rebuilt(c, l)) << name << " byte " << c;
        EXPECT_EQ(_ix2lowmap[c], static_cast<unsigned char>(tolower_l(c, l))) << name << " byte " << c;
        EXPECT_EQ(_ix2upmap[c], static_cast<unsigned char>(toupper_l(c, l))) << name << " byte " << c;
    }
    freelocale(l);
}

TEST(ControlBlock, IsMadeOnceWithItsInitialFields)
{
    ostcb *block = CheckOsInit();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(CheckOsInit(), block);
    EXPECT_EQ(block->connection, -1);
    EXPECT_EQ(block->side, 1);
    EXPECT_EQ(block->api_status, 0);
    EXPECT_EQ(block->flags, 0u);
    EXPECT_EQ(block->trace, &sqlidebug);
    EXPECT_EQ(std::memcmp(block->ctype, _ixctype, sizeof block->ctype), 0);
    EXPECT_EQ(std::memcmp(block->lowmap, _ix2lowmap, sizeof block->lowmap), 0);
    EXPECT_EQ(getoserr(), 0);
    EXPECT_EQ(trw_osgetconn(), -1);
    trw_ossetconn(0x7fff0001);
    EXPECT_EQ(trw_osgetconn(), 0x7fff0001);
}

TEST(ControlBlock, ScratchBufferGrowsIn128ByteSteps)
{
    char *first = allocnbspace(1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CheckOsInit()->scratch_size, 128);
    EXPECT_EQ(allocnbspace(128), first); // not smaller: the same buffer
    EXPECT_EQ(allocnbspace(0), first);
    ASSERT_NE(allocnbspace(129), nullptr);
    EXPECT_EQ(CheckOsInit()->scratch_size, 256);
    ASSERT_NE(allocnbspace(1000), nullptr);
    EXPECT_EQ(CheckOsInit()->scratch_size, 1024);
    std::memset(allocnbspace(1000), 'x', 1000);
    EXPECT_EQ(allocnbspace(-1), nullptr);
    // Sizes whose 128-byte step passes the signed range are refused.
    EXPECT_EQ(allocnbspace(INT_MAX), nullptr);
    EXPECT_EQ(CheckOsInit()->scratch_size, 0);
    ASSERT_NE(allocnbspace(10), nullptr);
    EXPECT_EQ(CheckOsInit()->scratch_size, 128);
}

TEST(Tables, DefaultContentByteForByte)
{
    EXPECT_EQ(_ixctype[0], 0);
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(_ixctype[c + 1], expected_default(c)) << "byte " << c;
}

TEST(Tables, RebuiltFromNamedLocalesAsTheCLibraryClassifies)
{
    setenv("LOCPATH", GLIBC_LOCALES, 1);
    for (const char *name : {"en_US.ISO-8859-1", "de_DE.ISO-8859-1", "C.UTF-8", "C"}) {
        ASSERT_EQ(rldnlsctype(name), 0) << name;
        expect_tables_match(name);
    }
}

TEST(Tables, RefusedLocaleLeavesTheTables)
{
    unsigned char before[258];
    std::memcpy(before, _ixctype, sizeof before);
    EXPECT_EQ(rldnlsctype("xx_NO.such-locale"), OSINIT_ECTYPE);
    EXPECT_EQ(rldnlsctype(nullptr), OSINIT_ECTYPE);
    EXPECT_EQ(std::memcmp(before, _ixctype, sizeof before), 0);
}

TEST(Tables, OsSetlangReloadsTheTables)
{
    setenv("LOCPATH", GLIBC_LOCALES, 1);
    ASSERT_EQ(OS_setlang("LC_CTYPE", "en_US.ISO-8859-1"), 0);
    EXPECT_EQ(_ixctype[0xE9 + 1] & 0x02, 0x02); // e acute is lower case
    EXPECT_EQ(_ix2upmap[0xE9], 0xC9);
    EXPECT_STREQ(OS_getlangvar("LC_CTYPE"), "en_US.ISO-8859-1");
    ASSERT_EQ(OS_setlang("LC_CTYPE", "C"), 0);
    expect_tables_match("C");
    EXPECT_EQ(OS_setlang("LC_CTYPE", "xx_NO.such-locale"), OSINIT_ECTYPE);
}

TEST(Tables, RldctypeWithoutOldStyleModeMarksHighBytesOnce)
{
    unsetenv("DBNLS");
    _ixctype[0x90 + 1] = 0; // disturbed: rldctype puts the marking back
    EXPECT_EQ(rldctype(), 0);
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(_ixctype[c + 1], expected_default(c)) << "byte " << c;
    _ixctype[0x90 + 1] = 0;
    EXPECT_EQ(rldctype(), 0); // once per process
    EXPECT_EQ(_ixctype[0x90 + 1], 0);
}

TEST(Tables, RldctypeInOldStyleModeTakesTheEnvironment)
{
    setenv("LOCPATH", GLIBC_LOCALES, 1);
    setenv("DBNLS", "1", 1);
    setenv("LANG", "C", 1);
    setenv("LC_ALL", "de_DE.ISO-8859-1", 1);
    EXPECT_EQ(rldctype(), 0);
    expect_tables_match("de_DE.ISO-8859-1");
}

// ---- language mode ---------------------------------------------------------

TEST(LanguageMode, DbnlsSetOnlyForExactValues)
{
    for (auto [value, mode] : {std::pair{"1", 1}, {"2", 2}, {"0", 0}, {"12", 0}, {"", 0}, {" 1", 0}}) {
        setenv("DBNLS", value, 1);
        EXPECT_EQ(DBNLSset(), mode) << value;
    }
    unsetenv("DBNLS");
    EXPECT_EQ(DBNLSset(), 0);
}

struct CategoryCase {
    const char *name;
    int failure;
};
constexpr CategoryCase kCategories[] = {{"LC_COLLATE", -7204}, {"LC_CTYPE", -7206}, {"LC_MONETARY", -7207},
                                        {"LC_NUMERIC", -7208}, {"LC_TIME", -7209}};

void unset_categories()
{
    for (const CategoryCase &c : kCategories)
        unsetenv(c.name);
}

// The client locale fixes the categories it finds when it is initialised,
// so each setting is tried in a fresh child process.
int nlsinit_in_child(std::initializer_list<const char *> refused)
{
    auto result = trwtest::run_function([&] {
        unsetenv("DBNLS");
        unset_categories();
        for (const char *name : refused)
            setenv(name, "xx_NO.such-locale", 1);
        const int status = _nlsinit();
        return CheckOsInit()->flags == 0 ? -status % 256 : 255;
    });
    return -result.exit_status;
}

TEST(LanguageMode, EachCategoryReportsItsOwnFailure)
{
    // Exit statuses carry the code modulo 256.
    for (const CategoryCase &c : kCategories)
        EXPECT_EQ(nlsinit_in_child({c.name}), -(-c.failure % 256)) << c.name;
}

TEST(LanguageMode, TheFirstFailureInOrderWins)
{
    EXPECT_EQ(nlsinit_in_child({"LC_TIME", "LC_MONETARY"}), -(7207 % 256));
    EXPECT_EQ(nlsinit_in_child({"LC_TIME", "LC_NUMERIC", "LC_CTYPE"}), -(7206 % 256));
    EXPECT_EQ(nlsinit_in_child({}), 0);
}

TEST(LanguageMode, OldStyleModeSetsTheLocaleAndTheFlag)
{
    setenv("LOCPATH", GLIBC_LOCALES, 1);
    setenv("DBNLS", "2", 1);
    setenv("LANG", "C", 1);
    unset_categories();
    setenv("LC_CTYPE", "en_US.ISO-8859-1", 1);
    EXPECT_EQ(_nlsinit_be(), 2);
    EXPECT_NE(CheckOsInit()->flags & OSTCB_NLS_OSLOCALE, 0u);
    EXPECT_STREQ(setlocale(LC_CTYPE, nullptr), "en_US.ISO-8859-1");
    expect_tables_match("en_US.ISO-8859-1");
    // _nlsinit_be also copied the database settings.
    EXPECT_STREQ(OS_getlangvar("DBNLS"), "2");
    EXPECT_STREQ(OS_getlangvar("LC_CTYPE"), "en_US.ISO-8859-1");
}

TEST(LanguageMode, UnsetCategoriesAreLeftAlone)
{
    unsetenv("DBNLS");
    unset_categories();
    setlocale(LC_NUMERIC, "C.UTF-8");
    EXPECT_EQ(_nlsinit(), 0);
    EXPECT_STREQ(setlocale(LC_NUMERIC, nullptr), "C.UTF-8");
}

TEST(LanguageMode, OldStyleFallbackNameIsNotASystemLocale)
{
    // Without LANG the registry fills the categories with en_US.819, which
    // the C library does not know: the collation is refused first.
    setenv("DBNLS", "1", 1);
    unsetenv("LANG");
    unset_categories();
    EXPECT_EQ(_nlsinit(), -7204);
}

TEST(LanguageMode, Osetcollate)
{
    int error = 0;
    EXPECT_NE(_osetcollate("C", &error), nullptr);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(_osetcollate("xx_NO.such-locale", &error), nullptr);
    EXPECT_EQ(error, -7204);
    error = 0;
    EXPECT_EQ(OS_setlang("LC_COLLATE", "xx_NO.such-locale"), -7204);
}

} // namespace
