// Locale loading by specification (through the registry and the path search
// below TARNWELLDIR), code sets of categories that must agree (58, 12),
// categories without CTYPE (57), malformed eras (49), the diagnostic
// messages of failed sections, memory running out at every allocation of a
// load, the two static failure records, and the Unicode service: started before
// every load, a failed start failing the load, a disabled one changing
// nothing, a running one serving the categories it claims (glx_gluLoc).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "gl_dl.h"
#include "gl_errno.h"
#include "gl_ext.h"
#include "gl_locale.h"
#include "glslib/locale_files.h"
#include "glslib/temp_tree.h"

namespace {

using trwtest::Loaded;
using trwtest::locale_dir;
using trwtest::replace_once;
using trwtest::text_file;

std::string data_root() { return std::getenv("TARNWELLDIR"); }

TEST(LocaleSpec, ShortSpecificationsLoadTheirFiles)
{
    const std::pair<const char *, const char *> cases[] = {
        {"en_US.8859-1", "en_us/0333.lco"}, {"EN_us.819", "en_us/0333.lco"},   {"en_US.0819", "en_us/0333.lco"},
        {"ja_JP.sjis", "ja_jp/e006.lco"},   {"zh_TW.Big5", "zh_tw/e008.lco"},  {"en_US.1252", "en_us/04e4.lco"},
    };
    for (const auto &[spec, file] : cases) {
        Loaded l(spec);
        ASSERT_EQ(l.rc, 0) << spec << " error " << l.loc->error;
        EXPECT_EQ(l.loc->error, 0) << spec;
        for (const gl_lc_catname &n : l.loc->names)
            EXPECT_STREQ(n.file, file) << spec;
    }
}

TEST(LocaleSpec, LongSpecificationLoadsEachCategoryFromItsOwnFile)
{
    Loaded l("GL_CTYPE = en_US.8859-1 ; GL_COLLATE = en_US.819 ; GL_NUMERIC = de_DE.8859-1 ; "
             "GL_MONETARY = fr_FR.8859-1 ; GL_TIME = de_DE.8859-1 ; GL_MESSAGES = en_US.8859-1 ; ");
    ASSERT_EQ(l.rc, 0) << l.loc->error;
    EXPECT_EQ(l.loc->error, 0);
    EXPECT_STREQ(l.loc->names[2].file, "de_de/0333.lco");
    EXPECT_STREQ(l.loc->names[3].file, "fr_fr/0333.lco");
    EXPECT_STREQ(l.loc->time->day[0], "Sonntag");
    EXPECT_STREQ(l.loc->numeric->decimal_point, ",");
    EXPECT_STREQ(l.loc->lconv->decimal_point, ",");
    EXPECT_STREQ(l.loc->messages->text[2], "yes");
}

TEST(LocaleSpec, LocalesAndDirectoriesThatDoNotExist)
{
    for (const char *spec : {"xx_YY.8859-1", "en_US.nosuchset", "en_US.8859-1@euro"}) {
        Loaded l(spec);
        EXPECT_EQ(l.rc, -1) << spec;
        EXPECT_EQ(l.loc->error, GL_EFILEERR) << spec;
        EXPECT_EQ(l.loc->class_trie, nullptr) << spec;
    }
    Loaded in_dir("en_US.8859-1", locale_dir().c_str());
    EXPECT_EQ(in_dir.rc, 0);
    Loaded nowhere("en_US.8859-1", "/nonexistent");
    EXPECT_EQ(nowhere.rc, -1);
    EXPECT_EQ(nowhere.loc->error, GL_EFILEERR);
    // A name text of 312 characters or more is refused before any file.
    gl_locale *loc;
    ASSERT_EQ(gl_create_null_locale_4(&loc), 0);
    EXPECT_EQ(gl_setlocale_4(loc, GL_LC_CTYPE, std::string(312, 'x').c_str()), nullptr);
    EXPECT_EQ(loc->error, GL_EBADARG);
    gl_lc_unload(loc);
}

TEST(LocaleSpec, NativeIsTheDefaultFileOfTheSearchPath)
{
    gl_locale *loc;
    ASSERT_EQ(gl_create_null_locale_4(&loc), 0);
    char *q = gl_setlocale_4(loc, GL_ALL_CATEGORIES, "native");
    ASSERT_NE(q, nullptr) << loc->error;
    EXPECT_NE(std::strstr(q, "GL_COLLATE = native ; "), nullptr) << q;
    gl_destroystring(q);
    EXPECT_EQ(loc->upper_map[unsigned{'q'}], 'Q');
    gl_lc_unload(loc);
}

// ---- Code sets of categories ---------------------------------------------------------

// A scratch directory with en_us/0333.lco as a.lco and, as b.lco, a copy
// whose header names another code set.
struct CodeSetPair {
    trwtest::TempTree tree;
    explicit CodeSetPair(const char *codeset)
    {
        std::string good = text_file(locale_dir() + "/en_us/0333.lco");
        tree.write("a.lco", good);
        tree.write("b.lco", replace_once(good, "\n8859-1\n### LC_CTYPE", std::string("\n") + codeset + "\n### LC_CTYPE"));
    }
};

TEST(LocaleCodeSets, CategoryOfAnotherCodeSetThanCtypeIs58)
{
    for (const char *category : {"GL_COLLATE", "GL_NUMERIC", "GL_MESSAGES"}) {
        CodeSetPair files("cp1252");
        std::string spec = std::string("GL_CTYPE = a.lco ; ") + category + " = b.lco ; ";
        Loaded l(spec, files.tree.root().c_str());
        EXPECT_EQ(l.rc, -1) << category;
        EXPECT_EQ(l.loc->error, GL_ECATCODESET) << category;
        EXPECT_NE(l.loc->class_trie, nullptr) << category; // CTYPE stays loaded
    }
}

TEST(LocaleCodeSets, AnotherNameOfTheSameCodeSetAgrees)
{
    for (const char *alias : {"latin-1", "819", "8859-1"}) {
        CodeSetPair files(alias);
        Loaded l("GL_CTYPE = a.lco ; GL_COLLATE = b.lco ; GL_TIME = b.lco ; ", files.tree.root().c_str());
        EXPECT_EQ(l.rc, 0) << alias << " error " << l.loc->error;
        EXPECT_EQ(l.loc->error, 0) << alias;
    }
}

TEST(LocaleCodeSets, CtypeReplacedUnderOtherCategoriesRecords12)
{
    Loaded l("en_US.8859-1");
    ASSERT_EQ(l.rc, 0);
    char *q = gl_setlocale_4(l.loc, GL_LC_CTYPE, "ru_ru/0393.lco");
    ASSERT_NE(q, nullptr) << l.loc->error; // the load itself completes
    gl_destroystring(q);
    EXPECT_EQ(l.loc->error, GL_ECSMISMATCH);
    EXPECT_EQ(l.loc->upper_map[0xD0], 0xB0); // Cyrillic small a
    q = gl_setlocale_4(l.loc, GL_LC_CTYPE, "en_us/0333.lco");
    ASSERT_NE(q, nullptr);
    gl_destroystring(q);
    EXPECT_EQ(l.loc->error, 0);
}

TEST(LocaleCodeSets, CopiedCategoriesOfTwoCodeSetsRecord12)
{
    Loaded en("en_US.8859-1"), ru("ru_RU.8859-5");
    gl_locale *mixed;
    ASSERT_EQ(gl_create_null_locale_4(&mixed), 0);
    ASSERT_EQ(gl_copy_cat(mixed, ru.loc, GL_LC_CTYPE), 0);
    EXPECT_EQ(mixed->error, 0);
    EXPECT_EQ(gl_copy_cat(mixed, en.loc, GL_LC_MONETARY), 0);
    EXPECT_EQ(mixed->error, GL_ECSMISMATCH);
    gl_free_nonshared_loc(mixed);
}

// ---- Categories without CTYPE, and the diagnostic messages -------------------------

TEST(LocaleMessages, CategoryWithoutCtypeIs57AndSaysSo)
{
    setenv("GLSDEBUG", "on", 1);
    const std::pair<int, const char *> cases[] = {
        {GL_LC_NUMERIC, "Failed to initialize numeric information\n"},
        {GL_LC_MONETARY, "Failed to initialize monetary information\n"},
        {GL_LC_TIME, "Failed to initialize time information\n"},
        {GL_LC_MESSAGES, "Failed to initialize messages information\n"},
    };
    for (const auto &[category, message] : cases) {
        gl_locale *loc;
        ASSERT_EQ(gl_create_null_locale_4(&loc), 0);
        testing::internal::CaptureStdout();
        EXPECT_EQ(gl_setlocale_4(loc, category, "en_us/0333.lco"), nullptr);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(loc->error, GL_ENOCTYPE) << category;
        EXPECT_EQ(loc->numeric, nullptr);
        EXPECT_EQ(loc->monetary, nullptr);
        EXPECT_EQ(loc->time, nullptr);
        EXPECT_EQ(loc->messages, nullptr);
        EXPECT_EQ(loc->names[category - GL_LC_CTYPE].file[0], '\0');
        EXPECT_NE(out.find(std::string("GLS: ") + message), std::string::npos) << out;
        gl_lc_unload(loc);
    }
}

TEST(LocaleMessages, MalformedEraIs49)
{
    setenv("GLSDEBUG", "on", 1);
    std::string good = text_file(locale_dir() + "/ja_jp/e007.lco");
    size_t time = good.find("### LC_TIME\n");
    size_t era = good.find(" 2b3a", time); // the first era definition, "+:..."
    ASSERT_NE(era, std::string::npos);
    trwtest::TempTree tree;
    tree.write("bad.lco", good.substr(0, era) + " 2a3a" + good.substr(era + 5));
    testing::internal::CaptureStdout();
    Loaded l("bad.lco", tree.root().c_str());
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(l.rc, -1);
    EXPECT_EQ(l.loc->error, GL_EERA);
    EXPECT_EQ(l.loc->time, nullptr);
    EXPECT_EQ(l.loc->era_cache, nullptr);
    EXPECT_NE(out.find("GLS: Failed to initialize time information\n"), std::string::npos) << out;
}

TEST(LocaleMessages, FailedSectionsSayWhichAndGiveTheirNumbers)
{
    setenv("GLSDEBUG", "on", 1);
    const std::string good = text_file(locale_dir() + "/en_us/0333.lco");
    struct {
        const char *marker;
        int error;
        const char *message;
    } const cases[] = {
        {"### LC_NUMERIC\n", GL_EFORMAT, "Failed to read numeric information\n"},
        {"### LC_MONETARY\n", GL_EFORMAT, "Failed to read monetary information\n"},
        {"### LC_TIME\n", GL_ECALENDAR, "Failed to read time information\n"},
        {"### LC_MESSAGES\n", GL_EFORMAT, "Failed to read messages information\n"},
    };
    for (const auto &c : cases) {
        trwtest::TempTree tree;
        tree.write("bad.lco", replace_once(good, c.marker, std::string(c.marker) + "#"));
        testing::internal::CaptureStdout();
        Loaded l("bad.lco", tree.root().c_str());
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(l.rc, -1) << c.marker;
        EXPECT_EQ(l.loc->error, c.error) << c.marker;
        EXPECT_NE(out.find(std::string("GLS: ") + c.message), std::string::npos) << out;
    }
}

// ---- Memory running out --------------------------------------------------------------

// The allocation hooks fail from the n-th allocation on.
long allocations_left;
void *counted_malloc(size_t n) { return --allocations_left < 0 ? nullptr : std::malloc(n); }
void *counted_calloc(size_t n, size_t size) { return --allocations_left < 0 ? nullptr : std::calloc(n, size); }
void *counted_realloc(void *p, size_t n) { return --allocations_left < 0 ? nullptr : std::realloc(p, n); }

TEST(LocaleMemory, EveryFailedAllocationIsErrorThreeWithNothingLeaked)
{
    const std::string dir = locale_dir();
    gl_setextfunc(nullptr, GL_EXT_MALLOC, reinterpret_cast<gl_ext_routine>(counted_malloc));
    gl_setextfunc(nullptr, GL_EXT_CALLOC, reinterpret_cast<gl_ext_routine>(counted_calloc));
    gl_setextfunc(nullptr, GL_EXT_REALLOC, reinterpret_cast<gl_ext_routine>(counted_realloc));
    bool loaded = false;
    for (long n = 0; n < 5000 && !loaded; ++n) {
        allocations_left = n;
        gl_locale *loc = nullptr;
        int rc = gl_lc_load(&loc, "en_us/0333.lco", nullptr, dir.c_str());
        loaded = rc == 0 && loc->error == 0;
        if (!loaded) {
            EXPECT_EQ(rc, -1) << n;
            EXPECT_EQ(loc->error, GL_ENOMEM) << n;
        }
        gl_lc_unload(loc);
    }
    allocations_left = 1L << 40;
    EXPECT_TRUE(loaded);
}

// ---- The static failure records --------------------------------------------------------

void *no_memory(size_t, size_t) { return nullptr; }

TEST(LocaleStatic, TwoStaticFailureRecordsStayAsTheyAre)
{
    const std::string dir = locale_dir();
    ASSERT_EQ(gl_setextfunc(nullptr, GL_EXT_CALLOC, reinterpret_cast<gl_ext_routine>(no_memory)), 0);
    gl_locale *oom = nullptr, *oom2 = nullptr;
    EXPECT_EQ(gl_create_null_locale_4(&oom), -1);
    EXPECT_EQ(gl_lc_load(&oom2, "en_US.8859-1", nullptr, nullptr), -1);
    ASSERT_EQ(gl_setextfunc(nullptr, GL_EXT_CALLOC, nullptr), 0);
    ASSERT_NE(oom, nullptr);
    EXPECT_EQ(oom, oom2);
    EXPECT_EQ(oom->error, GL_ENOMEM);

    gl_locale *file_error = nullptr;
    setenv("TARNWELLDIR", "/nonexistent", 1);
    EXPECT_EQ(gl_createlocale_4(&file_error), -1);
    ASSERT_NE(file_error, nullptr);
    EXPECT_NE(file_error, oom);
    EXPECT_EQ(file_error->error, GL_EFILEERR);

    // Operations on them refuse without changing them; freeing ignores them.
    Loaded good("en_us/0333.lco", dir.c_str());
    ASSERT_EQ(good.rc, 0);
    EXPECT_EQ(gl_setlocale_4(oom, GL_LC_CTYPE, "en_us/0333.lco"), nullptr);
    EXPECT_EQ(gl_copy_cat(file_error, good.loc, GL_ALL_CATEGORIES), -1);
    EXPECT_EQ(gl_copy_cat(good.loc, oom, GL_ALL_CATEGORIES), -1);
    gl_lc_unload(oom);
    gl_free_nonshared_loc(file_error);
    EXPECT_EQ(oom->error, GL_ENOMEM);
    EXPECT_EQ(file_error->error, GL_EFILEERR);
    EXPECT_EQ(oom->class_trie, nullptr);
    EXPECT_EQ(file_error->names[0].file[0], '\0');
}

// ---- The Unicode service ----------------------------------------------------------------

TEST(LocaleService, DisabledServiceChangesNothing)
{
    unsetenv("GL_USEGLU");
    gl_useglu(2);
    Loaded l("en_US.utf8");
    ASSERT_EQ(l.rc, 0) << l.loc->error;
    EXPECT_EQ(l.loc->coll_kind, GL_COLL_AS_SPECIFIED);
    for (int category = GL_LC_CTYPE; category <= GL_LC_MESSAGES; ++category)
        EXPECT_EQ(glx_gluLoc(l.loc, category), nullptr) << category;
    EXPECT_EQ(glx_gluLoc(l.loc, GL_ALL_CATEGORIES), nullptr);
    EXPECT_EQ(glx_gluLoc(nullptr, GL_LC_CTYPE), nullptr);
}

TEST(LocaleService, FailedStartFailsTheLoad)
{
    // A library list naming a library that is not there.
    trwtest::TempTree tree;
    tree.write("gls/etc/dllregistry", "libnone.so\n");
    setenv("TARNWELLDIR", tree.root().c_str(), 1);
    setenv("GL_USEGLU", "1", 1);
    gl_useglu(2);
    Loaded l("en_US.8859-1");
    EXPECT_EQ(l.rc, -1);
    EXPECT_EQ(l.loc->error, GL_EFILEERR);
    EXPECT_EQ(l.loc->class_trie, nullptr);
    gl_locale *whole;
    EXPECT_EQ(gl_createlocale_4(&whole), -1);
    EXPECT_EQ(whole->error, GL_EFILEERR);
    gl_lc_unload(whole);
}

// A data tree with the stub service (which claims en_US.utf8 but its
// MESSAGES) beside the build's locale files and registry.
class ServiceTree {
public:
    ServiceTree()
    {
        namespace fs = std::filesystem;
        fs::create_directories(tree.path("gls/dll"));
        fs::create_symlink(GLU_STUB_SERVICE, tree.path("gls/dll/libglu_service.so"));
        fs::create_symlink(data_root() + "/gls/lc11", tree.path("gls/lc11"));
        fs::create_symlink(data_root() + "/gls/cm3", tree.path("gls/cm3"));
        tree.write("gls/etc/dllregistry", "libglu_service.so\n");
        tree.write("gls/etc/stubicu.dat", "icu\n");
        tree.write("gls/etc/locmap", "map\n");
        setenv("TARNWELLDIR", tree.root().c_str(), 1);
        setenv("GL_USEGLU", "1", 1);
        gl_useglu(2);
    }
    ~ServiceTree() { gl_unload_glu(); }
    trwtest::TempTree tree;
};

TEST(LocaleService, RunningServiceServesTheCategoriesItClaims)
{
    ServiceTree service;
    Loaded utf8("en_US.utf8");
    ASSERT_EQ(utf8.rc, 0) << utf8.loc->error;
    ASSERT_EQ(_gl_glu_enabled(), 1);
    void *ctype = glx_gluLoc(utf8.loc, GL_LC_CTYPE);
    EXPECT_NE(ctype, nullptr);
    EXPECT_EQ(glx_gluLoc(utf8.loc, GL_LC_COLLATE), ctype); // one service locale per file
    EXPECT_EQ(glx_gluLoc(utf8.loc, GL_LC_MESSAGES), nullptr);
    EXPECT_EQ(utf8.loc->coll_kind, GL_COLL_UNICODE);
    EXPECT_NE(utf8.loc->class_trie, nullptr); // the file's tables are loaded all the same

    Loaded latin1("en_US.8859-1");
    ASSERT_EQ(latin1.rc, 0);
    EXPECT_EQ(glx_gluLoc(latin1.loc, GL_LC_CTYPE), nullptr);
    EXPECT_EQ(latin1.loc->coll_kind, GL_COLL_AS_SPECIFIED);

    // A borrower shares the owner's service locale and leaves it open.
    gl_locale *borrower;
    ASSERT_EQ(gl_create_null_locale_4(&borrower), 0);
    ASSERT_EQ(gl_copy_cat(borrower, utf8.loc, GL_ALL_CATEGORIES), 0);
    EXPECT_EQ(glx_gluLoc(borrower, GL_LC_COLLATE), ctype);
    EXPECT_EQ(borrower->coll_kind, GL_COLL_UNICODE);
    gl_free_nonshared_loc(borrower);
    EXPECT_EQ(glx_gluLoc(utf8.loc, GL_LC_COLLATE), ctype);

    // Reloading a category releases its service locale first.
    char *q = gl_setlocale_4(utf8.loc, GL_LC_COLLATE, "en_us/0333.lco");
    EXPECT_EQ(q, nullptr); // 8859-1 under a utf8 CTYPE
    EXPECT_EQ(utf8.loc->error, GL_ECATCODESET);
    EXPECT_EQ(glx_gluLoc(utf8.loc, GL_LC_COLLATE), nullptr);
    EXPECT_EQ(glx_gluLoc(utf8.loc, GL_LC_CTYPE), ctype);
}

} // namespace
