// Message lookups end to end, each test a fresh process with its own
// installation tree and settings: the order of the catalog search and its
// fallbacks, DBLANG, DBNLS with LANG, CLIENT_LOCALE and a given locale, the
// retry in English, the cannot-open and unknown-number texts, a client
// locale that fails, buffer edges, the shared text buffer, streams,
// TRW_FREE_FD and descriptor counts, and the table switch.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "msg_support.h"
#include "rmsg.h"
#include "support/child_process.h"

namespace {

using msgtest::InstallTree;
using msgtest::open_descriptors;

void clear_settings()
{
    for (const char *name : {"DBLANG", "LANG", "DBNLS", "CLIENT_LOCALE", "DB_LOCALE", "TRW_FREE_FD", "DBDATE",
                             "GL_DATE", "LC_CTYPE", "LC_COLLATE", "LC_NUMERIC", "LC_MONETARY", "LC_TIME"})
        unsetenv(name);
}

// The text of number, or "status N" when the lookup fails.
std::string text_of(int number, const char *locale = nullptr)
{
    char buf[512];
    int length = -1;
    const int status = rgetlmsg_with_locale(number, buf, sizeof buf, &length, locale);
    if (status != 0)
        return "status " + std::to_string(status) + ": " + buf;
    EXPECT_EQ(length, static_cast<int>(std::strlen(buf)));
    return buf;
}

// The nine candidate directories of the search, in their order, for DBLANG
// "fr_FR.8859-1" and CLIENT_LOCALE "de_DE.8859-1".
const char *const kCandidates[] = {
    "msg/fr_FR.8859-1", "fr_FR.8859-1", "msg/fr_fr/0333", "msg/de_de/0333", "msg/de_DE.8859-1",
    "msg/en_us/0333",   "msg/en_US.8859-1", "msg",      "msg/english",
};

} // namespace

TEST(MessageSearch, EachCandidateWinsOverTheLaterOnes)
{
    for (std::size_t first = 0; first < std::size(kCandidates); ++first) {
        InstallTree tree;
        for (std::size_t k = first; k < std::size(kCandidates); ++k)
            tree.catalog(kCandidates[k], "sqlmsg.twm", {{-406, "from " + std::string(kCandidates[k])}});
        const auto result = trwtest::run_function([&] {
            clear_settings();
            setenv("TARNWELLDIR", tree.root().c_str(), 1);
            setenv("DBLANG", "fr_FR.8859-1", 1);
            setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
            std::fputs(text_of(-406).c_str(), stdout);
            return 0;
        });
        EXPECT_EQ(result.out, "from " + std::string(kCandidates[first])) << "candidate " << first + 1;
    }
}

TEST(MessageSearch, DblangNamesADirectoryBelowMsgOrTheInstallationDirectory)
{
    InstallTree tree;
    clear_settings();
    tree.catalog("custom", "sqlmsg.twm", {{-406, "custom"}});
    tree.catalog("msg/en_us/0333", "sqlmsg.twm", {{-406, "english"}});
    setenv("TARNWELLDIR", (tree.root() + "/").c_str(), 1);
    setenv("DBLANG", "custom", 1);
    EXPECT_EQ(text_of(-406), "custom");
    char *path = rmsgfname("sqlmsg.twm");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::string(path), tree.root() + "/custom/sqlmsg.twm"); // one "/" after the directory
    std::free(path);
}

TEST(MessageSearch, LangCountsOnlyInTheOldStyleLanguageMode)
{
    InstallTree tree;
    tree.catalog("msg/de_DE.8859-1", "sqlmsg.twm", {{-406, "german"}});
    tree.catalog("msg/en_us/0333", "sqlmsg.twm", {{-406, "english"}});
    for (const char *dbnls : {"", "1"}) {
        const auto result = trwtest::run_function([&] {
            clear_settings();
            setenv("TARNWELLDIR", tree.root().c_str(), 1);
            setenv("CLIENT_LOCALE", "en_US.8859-1", 1);
            setenv("LANG", "de_DE.8859-1", 1);
            if (*dbnls != '\0')
                setenv("DBNLS", dbnls, 1);
            std::fputs(text_of(-406).c_str(), stdout);
            return 0;
        });
        EXPECT_EQ(result.out, *dbnls != '\0' ? "german" : "english");
    }
}

TEST(MessageSearch, ClientLocaleFindsItsMessageDirectory)
{
    InstallTree tree;
    clear_settings();
    tree.catalog("msg/de_de/0333", "convmsg.twm", {{-1200, "zu gross"}});
    tree.catalog("msg/en_us/0333", "convmsg.twm", {{-1200, "too large"}, {-1201, "too small"}});
    setenv("TARNWELLDIR", tree.root().c_str(), 1);
    setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
    EXPECT_EQ(text_of(-1200), "zu gross");
    // Missing from the German catalog: the retry in English finds it.
    EXPECT_EQ(text_of(-1201), "too small");
    EXPECT_EQ(text_of(-1200), "zu gross");
}

TEST(MessageSearch, AGivenLocaleAndTheUserLanguageKeepTheirOwnCatalogs)
{
    InstallTree tree;
    clear_settings();
    tree.catalog("msg/fr_fr/0333", "convmsg.twm", {{-1200, "trop grand"}});
    tree.catalog("msg/en_us/0333", "convmsg.twm", {{-1200, "too large"}});
    setenv("TARNWELLDIR", tree.root().c_str(), 1);
    EXPECT_EQ(text_of(-1200, "fr_FR.8859-1"), "trop grand");
    EXPECT_EQ(text_of(-1200), "too large");
    EXPECT_EQ(text_of(-1200, "fr_FR.8859-1"), "trop grand");
}

TEST(MessageSearch, LanguagesWithoutCatalogsFallBackToTheInstalledEnglish)
{
    clear_settings();
    setenv("DBLANG", "nowhere", 1);
    setenv("CLIENT_LOCALE", "ja_JP.ujis", 1);
    EXPECT_EQ(text_of(-1212), "Date conversion format must contain a month, day, and year component.");
    EXPECT_EQ(text_of(1201), "Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec");
}

TEST(MessageSearch, InstallationDirectoryTooLongForAnyPath)
{
    clear_settings();
    std::string dir = "/tmp/" + std::string(230, 'd');
    setenv("TARNWELLDIR", dir.c_str(), 1);
    FILE *stream = nullptr;
    EXPECT_EQ(rseekmsg(-1200, &stream), RMSG_ENOPATH);
    EXPECT_EQ(rmsgfname("convmsg.twm"), nullptr);
}

TEST(MessageTexts, NoCatalogGivesTheBuiltInCannotOpenTextWithTheLeaf)
{
    InstallTree tree;
    clear_settings();
    setenv("TARNWELLDIR", tree.root().c_str(), 1);
    EXPECT_EQ(text_of(-406), "status -1227: Cannot open file 'sqlmsg.twm'\n");
    EXPECT_EQ(text_of(-2147483647 - 1), "status -1227: Cannot open file 'osmsg.twm'\n");
    EXPECT_EQ(text_of(32765), "status -1: ");
    EXPECT_EQ(rmsgfname("sqlmsg.twm"), nullptr);
}

TEST(MessageTexts, MissingNumberGivesTheUnknownNumberTextWithItsSign)
{
    clear_settings();
    EXPECT_EQ(text_of(-1299), "status -1228: Unknown error message number '-1299'\n");
    EXPECT_EQ(text_of(1299), "status -1228: Unknown error message number '1299'\n");
}

TEST(MessageTexts, CatalogFormatsOfTheFailureTextsAreUsedOnlyWhenSafe)
{
    InstallTree tree;
    clear_settings();
    setenv("TARNWELLDIR", tree.root().c_str(), 1);
    tree.catalog("msg/en_us/0333", "osmsg.twm",
                 {{32765, "no catalog %s (100%%)"}, {32766, "number %d%n"}});
    tree.catalog("msg/en_us/0333", "convmsg.twm", {{-1200, "too large"}});
    EXPECT_EQ(text_of(-406), "status -1227: no catalog sqlmsg.twm (100%)");
    EXPECT_EQ(text_of(-1201), "status -1228: Unknown error message number '-1201'\n");
    tree.catalog("msg/en_us/0333", "osmsg.twm", {{32765, "%s %s"}, {32766, "number %d"}});
    rmsg_init();
    EXPECT_EQ(text_of(-406), "status -1227: Cannot open file 'sqlmsg.twm'\n");
    EXPECT_EQ(text_of(-1201), "status -1228: number -1201");
}

TEST(MessageTexts, ClientLocaleThatCannotLoadGivesItsBuiltInText)
{
    clear_settings();
    setenv("CLIENT_LOCALE", "xx_YY.nosuch", 1);
    EXPECT_EQ(text_of(-1200), "status -23101: Unable to load locale categories.");
    char small[10];
    EXPECT_EQ(rgetmsg(-1200, small, sizeof small), -23101);
    EXPECT_STREQ(small, "Unable to");
}

TEST(MessageTexts, BadDbdateGivesTheDateFormatText)
{
    clear_settings();
    setenv("DBDATE", "MDY", 1);
    EXPECT_EQ(text_of(-1200), "status -1212: Date conversion format must contain a month, day, and year component.");
}

TEST(MessageTexts, BufferEdgesWithGuardBytes)
{
    clear_settings();
    const std::string text = "A numeric value is too large.";
    const int n = static_cast<int>(text.size());
    for (int size : {0, 1, 2, n, n + 1, n + 2, -5}) {
        char area[128];
        std::memset(area, '#', sizeof area);
        char *buf = area + 16;
        int length = -7;
        const int status = rgetlmsg(-1200, buf, static_cast<int16_t>(size), &length);
        if (size <= 0) {
            EXPECT_EQ(status, RMSG_ETRUNC);
            EXPECT_EQ(length, -7);
            for (char c : area)
                ASSERT_EQ(c, '#');
            continue;
        }
        const int kept = std::min(n, size - 1);
        EXPECT_EQ(status, n >= size ? RMSG_ETRUNC : 0) << size;
        EXPECT_EQ(length, n);
        EXPECT_EQ(std::string(buf), text.substr(0, kept));
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(area[i], '#');
        for (int i = 16 + kept + 1; i < static_cast<int>(sizeof area); ++i)
            ASSERT_EQ(area[i], '#') << size;
    }
}

TEST(MessageTexts, FailureTextsAreCutToTheBuffer)
{
    clear_settings();
    char area[40];
    std::memset(area, '#', sizeof area);
    EXPECT_EQ(rgetmsg(-1299, area, 10), -1228);
    EXPECT_STREQ(area, "Unknown e");
    EXPECT_EQ(area[10], '#');
}

TEST(MessageTexts, SharedTextBufferIsOverwrittenByTheNextNumber)
{
    clear_settings();
    char *first = mmsgtext(-1200);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first, "A numeric value is too large.");
    char *second = mmsgtext(-1201);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "A numeric value is too small.");
    EXPECT_EQ(mmsgtext(-1201), first);
}

TEST(MessageTexts, SharedTextBufferDoesNotKeepAFailureText)
{
    InstallTree tree;
    clear_settings();
    setenv("TARNWELLDIR", tree.root().c_str(), 1);
    EXPECT_STREQ(mmsgtext(-1200), "Cannot open file 'convmsg.twm'\n");
    tree.catalog("msg/en_us/0333", "convmsg.twm", {{-1200, "found now"}});
    EXPECT_STREQ(mmsgtext(-1200), "found now");
}

TEST(MessageStreams, StreamHasItsOwnDescriptor)
{
    clear_settings();
    FILE *stream = nullptr;
    int length = 0;
    ASSERT_EQ(lrseekmsg(-1202, &length, &stream), 0);
    std::string text(static_cast<std::size_t>(length), '\0');
    ASSERT_EQ(std::fread(text.data(), 1, text.size(), stream), text.size());
    EXPECT_EQ(text, "An attempt was made to divide by zero.");
    const int with_stream = open_descriptors();
    std::fclose(stream);
    EXPECT_EQ(open_descriptors(), with_stream - 1);
    // The catalog itself stays open and readable; a file opened since does
    // not take its place.
    FILE *other = std::tmpfile();
    EXPECT_EQ(text_of(-1201), "A numeric value is too small.");
    ASSERT_EQ(rseekmsg(-1201, &stream), 0);
    char first[4] = {};
    ASSERT_EQ(std::fread(first, 1, 3, stream), 3u);
    EXPECT_STREQ(first, "A n");
    std::fclose(stream);
    std::fclose(other);
    EXPECT_EQ(rseekmsg(-1299, &stream), RMSG_ENOTFOUND);
}

TEST(MessageDescriptors, OneCatalogOpenAcrossSwitches)
{
    clear_settings();
    ASSERT_EQ(text_of(-1200), "A numeric value is too large.");
    const int open = open_descriptors();
    for (int number : {-406, -1200, -23101, -9602, -34394, -1200})
        EXPECT_EQ(text_of(number).rfind("status", 0), std::string::npos) << number;
    EXPECT_EQ(open_descriptors(), open);
    rclosemsg();
    EXPECT_EQ(open_descriptors(), open - 1);
    EXPECT_EQ(text_of(-1200), "A numeric value is too large.");
    EXPECT_EQ(open_descriptors(), open);
}

TEST(MessageDescriptors, FreeFdClosesTheCatalogAfterEachLookup)
{
    clear_settings();
    setenv("TRW_FREE_FD", "", 1);
    const int before = open_descriptors();
    EXPECT_EQ(text_of(-1200), "A numeric value is too large.");
    EXPECT_EQ(text_of(-406), "Memory allocation failed.");
    EXPECT_EQ(text_of(-1299).rfind("status -1228", 0), 0u);
    EXPECT_EQ(open_descriptors(), before);
    FILE *stream = nullptr;
    ASSERT_EQ(rseekmsg(-1200, &stream), 0);
    EXPECT_EQ(open_descriptors(), before + 1);
    char first[4] = {};
    ASSERT_EQ(std::fread(first, 1, 3, stream), 3u);
    EXPECT_STREQ(first, "A n");
    std::fclose(stream);
    EXPECT_EQ(open_descriptors(), before);
}

TEST(MessageTables, ResetReopensTheCatalogAndSelectsTheTable)
{
    InstallTree tree;
    clear_settings();
    setenv("TARNWELLDIR", tree.root().c_str(), 1);
    tree.catalog("msg/en_us/0333", "convmsg.twm", {{-1200, "old"}});
    EXPECT_EQ(text_of(-1200), "old");
    tree.catalog("msg/en_us/0333", "convmsg.twm", {{-1200, "new"}});
    EXPECT_EQ(text_of(-1200), "old"); // the open catalog is kept
    EXPECT_EQ(gen_resetMessageFindFile('x'), -1);
    EXPECT_EQ(gen_resetMessageFindFile('s'), 0);
    EXPECT_EQ(text_of(-1200), "new");
    EXPECT_EQ(gen_resetMessageFindFile('c'), 0);
    EXPECT_EQ(text_of(-1200), "new");
}

TEST(MessageTables, ExplicitCatalogServesEveryNumber)
{
    InstallTree tree;
    clear_settings();
    const std::string path = tree.catalog("", "mine.cat", {{-1200, "mine"}, {7, "seven"}});
    _setmsgfile(path.c_str());
    EXPECT_EQ(text_of(-1200), "mine");
    EXPECT_EQ(text_of(7), "seven");
    EXPECT_EQ(text_of(8), "status -1228: Unknown error message number '8'\n");
    _setmsgfile("");
    EXPECT_EQ(text_of(-1200), "A numeric value is too large.");
    _setmsgfile((tree.root() + "/absent.cat").c_str());
    EXPECT_EQ(text_of(-1200), "status -1227: Cannot open file '" + tree.root() + "/absent.cat'\n");
}

TEST(MessageSearch, LongAndOddLanguageNamesFallBackToEnglish)
{
    clear_settings();
    const std::string english = "A numeric value is too large.";
    for (std::size_t length : {200u, 259u, 260u, 5000u}) {
        const std::string name(length, 'a');
        setenv("DBLANG", name.c_str(), 1);
        rmsg_init();
        EXPECT_EQ(text_of(-1200), english) << length;
        EXPECT_EQ(text_of(-1200, name.c_str()), english) << length;
    }
    for (const char *odd : {"/", "..", "%s%n", "de_DE.8859-1@toolongmodifier", "\xff\xfe"}) {
        setenv("DBLANG", odd, 1);
        rmsg_init();
        EXPECT_EQ(text_of(-1200), english) << odd;
        EXPECT_EQ(text_of(-1200, odd), english) << odd;
    }
}

TEST(MessageSearch, NoRetryWhenDblangIsTheEnglishLocaleItself)
{
    InstallTree tree;
    clear_settings();
    tree.catalog("msg/en_US.8859-1", "convmsg.twm", {{-1200, "first"}});
    tree.catalog("msg/en_us/0333", "convmsg.twm", {{-1200, "second"}, {-1201, "only here"}});
    setenv("TARNWELLDIR", tree.root().c_str(), 1);
    setenv("DBLANG", "en_US.8859-1", 1);
    EXPECT_EQ(text_of(-1200), "first");
    EXPECT_EQ(text_of(-1201), "status -1228: Unknown error message number '-1201'\n");
    setenv("DBLANG", "en_US.819", 1); // kept: the language directory was found
    EXPECT_EQ(text_of(-1201), "only here"); // but the retry is allowed now
}
