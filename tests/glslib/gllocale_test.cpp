// Locale loading: every locale file the build makes loads; a whole-file load
// equals per-category loads; malformed files give their error numbers and
// leave valid empty categories; categories of different code sets; sharing
// categories with gl_copy_cat (leaks show under the sanitizers).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gl_errno.h"
#include "gl_locale.h"
#include "glslib/locale_files.h"

namespace fs = std::filesystem;
using trwtest::Loaded;
using trwtest::replace_once;
using trwtest::text_file;

namespace {

static_assert(offsetof(gl_locale, error) == 0, "the error number is the record's first field");

std::string data_dir() { return trwtest::locale_dir(); }

std::vector<std::string> locale_files()
{
    std::vector<std::string> out;
    for (const auto &e : fs::recursive_directory_iterator(data_dir()))
        if (e.is_regular_file() && e.path().extension() == ".lco")
            out.push_back(fs::relative(e.path(), data_dir()).string());
    std::sort(out.begin(), out.end());
    return out;
}

// A scratch directory holding a copy of a locale file, changed by `edit`.
struct Scratch {
    fs::path dir;
    Scratch()
    {
        char tmpl[] = "/tmp/gllocale_testXXXXXX";
        dir = mkdtemp(tmpl);
    }
    ~Scratch() { fs::remove_all(dir); }
    std::string write(const std::string &name, const std::string &content)
    {
        std::ofstream(dir / name) << content;
        return name;
    }
};


void expect_empty_categories(const gl_locale *loc)
{
    for (const gl_lc_catname &n : loc->names)
        EXPECT_EQ(n.file[0], '\0');
    EXPECT_EQ(loc->class_trie, nullptr);
    EXPECT_EQ(loc->weight_trie, nullptr);
    EXPECT_EQ(loc->numeric, nullptr);
    EXPECT_EQ(loc->time, nullptr);
}

TEST(LocaleLoad, EveryGeneratedFileLoads)
{
    auto files = locale_files();
    ASSERT_GE(files.size(), 17u);
    for (const std::string &f : files) {
        Loaded l(f);
        ASSERT_EQ(l.rc, 0) << f << " error " << l.loc->error;
        EXPECT_EQ(l.loc->error, 0) << f;
        for (const gl_lc_catname &n : l.loc->names)
            EXPECT_STREQ(n.file, f.c_str());
        EXPECT_NE(l.loc->class_trie, nullptr) << f;
        EXPECT_NE(l.loc->coll_kind, GL_COLL_NONE) << f;
        ASSERT_NE(l.loc->time, nullptr) << f;
        EXPECT_EQ(l.loc->time->mon_count, l.loc->time->abmon_count) << f;
        ASSERT_NE(l.loc->messages, nullptr) << f;
        EXPECT_NE(l.loc->messages->text[0][0], '\0') << f;
    }
}

TEST(LocaleLoad, SingleByteTablesMatchTrieData)
{
    Loaded l("en_us/0333.lco");
    ASSERT_EQ(l.rc, 0);
    ASSERT_TRUE(l.loc->single_byte);
    EXPECT_EQ(l.loc->upper_map[unsigned{'a'}], 'A');
    EXPECT_EQ(l.loc->lower_map[unsigned{'A'}], 'a');
    EXPECT_EQ(l.loc->upper_map[0xE9], 0xC9);  // e acute
    EXPECT_EQ(l.loc->upper_map[0xFF], 0xFF);  // y diaeresis: its capital is not in Latin-1
    EXPECT_EQ(l.loc->class_map[unsigned{'7'}] & GL_CLASS_DIGIT, GL_CLASS_DIGIT);
    EXPECT_EQ(l.loc->class_map[unsigned{' '}] & (GL_CLASS_SPACE | GL_CLASS_BLANK), GL_CLASS_SPACE | GL_CLASS_BLANK);
    EXPECT_EQ(l.loc->class_map[0xE9] & GL_CLASS_LOWER, GL_CLASS_LOWER);
    EXPECT_STREQ(l.loc->numeric->decimal_point, ".");
    EXPECT_STREQ(l.loc->monetary->currency_symbol, "$");
    EXPECT_EQ(l.loc->monetary->frac_digits, 2);
    EXPECT_STREQ(l.loc->time->mon[0], "January");
    EXPECT_STREQ(l.loc->time->d_fmt, "%m/%d/%Y");
    EXPECT_EQ(l.loc->time->calendar, GL_CAL_GREGORIAN);
    EXPECT_EQ(l.loc->case_factor, 1.0);
    ASSERT_NE(l.loc->lconv, nullptr);
    EXPECT_STREQ(l.loc->lconv->thousands_sep, ",");
    EXPECT_EQ(l.loc->lconv->grouping[0], 3);
}

TEST(LocaleLoad, MultibyteLocaleKeepsWideCopies)
{
    Loaded l("ja_jp/e007.lco");  // ujis
    ASSERT_EQ(l.rc, 0);
    EXPECT_FALSE(l.loc->single_byte);
    EXPECT_EQ(l.loc->upper_map, nullptr);
    const gl_lc_time *t = l.loc->time;
    ASSERT_GT(t->era_count, 0);
    ASSERT_NE(l.loc->era_cache, nullptr);
    EXPECT_EQ(l.loc->era_cache[0].direction, 1);
    EXPECT_EQ(l.loc->era_cache[0].start_year, 2020);
    EXPECT_TRUE(l.loc->era_cache[0].open_end);
    EXPECT_STREQ(l.loc->era_cache[0].name, l.loc->era_cache[0].abbreviation);
    // Wide copies pack each character's bytes.
    const unsigned char *mb = reinterpret_cast<const unsigned char *>(t->mon[0]);
    EXPECT_EQ(t->w_mon[0][0], static_cast<uint32_t>(mb[0]));
    EXPECT_EQ(t->w_mon[0][1], static_cast<uint32_t>(mb[1] << 8 | mb[2]));
    EXPECT_GT(t->alt_digit_count, 10);
    EXPECT_NE(gl_ctype(l.loc, "full_width"), 0);
}

TEST(LocaleLoad, CalendarsAndThaiCollationFromOverlays)
{
    Loaded he("he_il/0394.lco"), ar("ar_sa/0441.lco"), th("th_th/e01d.lco");
    ASSERT_EQ(he.rc, 0);
    ASSERT_EQ(ar.rc, 0);
    ASSERT_EQ(th.rc, 0);
    EXPECT_EQ(he.loc->time->calendar, GL_CAL_HEBREW);
    EXPECT_EQ(he.loc->time->mon_count, 14);
    EXPECT_EQ(ar.loc->time->calendar, GL_CAL_ISLAMIC);
    EXPECT_EQ(th.loc->coll_kind, GL_COLL_THAI_SMO);
    EXPECT_EQ(th.loc->weight_trie, nullptr);
}

TEST(LocaleLoad, WholeFileEqualsPerCategoryLoads)
{
    gl_locale *whole = nullptr;
    ASSERT_EQ(gl_createlocale2_4(&whole, (data_dir() + "/").c_str()), 0) << whole->error;
    Loaded parts("en_us/0333.lco");
    ASSERT_EQ(parts.rc, 0);
    const gl_locale *a = whole, *b = parts.loc;
    EXPECT_EQ(std::memcmp(a->upper_map, b->upper_map, 256), 0);
    EXPECT_EQ(std::memcmp(a->lower_map, b->lower_map, 256), 0);
    EXPECT_EQ(std::memcmp(a->class_map, b->class_map, 512), 0);
    EXPECT_EQ(a->case_pair_count, b->case_pair_count);
    EXPECT_EQ(a->class_count, b->class_count);
    EXPECT_EQ(a->levels, b->levels);
    ASSERT_EQ(a->highest_row, b->highest_row);
    for (int lv = 0; lv < a->levels; ++lv)
        EXPECT_EQ(std::memcmp(a->weights[lv], b->weights[lv], (a->highest_row + 1) * 2), 0);
    EXPECT_EQ(a->element_count, b->element_count);
    EXPECT_STREQ(a->numeric->thousands_sep, b->numeric->thousands_sep);
    EXPECT_STREQ(a->monetary->int_curr_symbol, b->monetary->int_curr_symbol);
    for (int i = 0; i < 12; ++i)
        EXPECT_STREQ(a->time->mon[i], b->time->mon[i]);
    EXPECT_STREQ(a->time->t_fmt_ampm, b->time->t_fmt_ampm);
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(a->messages->text[i], b->messages->text[i]);
    for (const gl_lc_catname &n : a->names)
        EXPECT_STREQ(n.file, "default.lco");
    gl_lc_unload(whole);
}

TEST(LocaleLoad, QueryTextNamesEveryCategory)
{
    Loaded l("en_us/0333.lco");
    char *q = gl_setlocale_4(l.loc, GL_ALL_CATEGORIES, nullptr);
    ASSERT_NE(q, nullptr);
    EXPECT_STREQ(q, "GL_CTYPE = en_us/0333.lco ; GL_COLLATE = en_us/0333.lco ; GL_NUMERIC = en_us/0333.lco ; "
                    "GL_MONETARY = en_us/0333.lco ; GL_TIME = en_us/0333.lco ; GL_MESSAGES = en_us/0333.lco ; ");
    gl_destroystring(q);
    q = gl_setlocale_4(l.loc, GL_LC_TIME, "de_de/0333.lco");
    ASSERT_NE(q, nullptr);
    EXPECT_STREQ(q, "de_de/0333.lco");
    gl_destroystring(q);
    EXPECT_EQ(l.loc->time->day[0][0], 'S');  // Sonntag
    EXPECT_EQ(gl_setlocale_4(l.loc, 8, nullptr), nullptr);
    EXPECT_EQ(l.loc->error, GL_EBADARG);
}

TEST(LocaleLoad, EnvironmentChoosesFilesWhenNoNamesGiven)
{
    setenv("GL_ALL", "", 1);
    setenv("GL_COLLATE", "fr_fr/0333.lco", 1);
    setenv("GL_LANG", "de_de/0333.lco", 1);
    gl_locale *loc;
    ASSERT_EQ(gl_create_null_locale_4(&loc), 0);
    char *q = gl_setlocale_4(loc, GL_ALL_CATEGORIES, "");
    ASSERT_NE(q, nullptr) << loc->error;
    EXPECT_NE(std::strstr(q, "GL_COLLATE = fr_fr/0333.lco"), nullptr) << q;
    EXPECT_NE(std::strstr(q, "GL_CTYPE = de_de/0333.lco"), nullptr) << q;
    gl_destroystring(q);
    gl_lc_unload(loc);
}

TEST(LocaleLoad, CategoriesOfDifferentCodeSets)
{
    // COLLATE of another code set than CTYPE's is refused.
    Loaded l("GL_CTYPE = en_us/0333.lco ; GL_COLLATE = ru_ru/0393.lco ; ");
    EXPECT_EQ(l.rc, -1);
    EXPECT_EQ(l.loc->error, GL_ECATCODESET);
    EXPECT_EQ(l.loc->weight_trie, nullptr);
}

TEST(LocaleLoad, MissingFileIsAFileError)
{
    Loaded l("xx_xx/0333.lco");
    EXPECT_EQ(l.rc, -1);
    EXPECT_EQ(l.loc->error, GL_EFILEERR);
    gl_locale *loc;
    // A directory without default.lco falls back to the search path.
    EXPECT_EQ(gl_createlocale2_4(&loc, "/nonexistent/"), 0);
    gl_lc_unload(loc);
    setenv("TARNWELLDIR", "/nonexistent", 1);
    EXPECT_EQ(gl_createlocale2_4(&loc, "/nonexistent/"), -1);
    EXPECT_EQ(loc->error, GL_EFILEERR);
    gl_lc_unload(loc);  // the static record is ignored
    EXPECT_EQ(gl_createlocale2_4(&loc, std::string(200, 'x').c_str()), -1);
    EXPECT_EQ(loc->error, GL_EFILEERR);
}

struct Malformed {
    const char *what;
    const char *from;
    const char *to;
    int error;
};

TEST(LocaleLoad, MalformedFilesGiveTheirErrorNumbers)
{
    const std::string good = text_file(data_dir() + "/en_us/0333.lco");
    const Malformed cases[] = {
        {"file type", "FILE_TYPE=locale_object", "FILE_TYPE=locale", GL_EFORMAT},
        {"compiler version", "COMPILER_VERSION=11", "COMPILER_VERSION=10", GL_EVERSION},
        {"missing marker", "### LC_MONETARY", "### LC_MONEY", GL_EFORMAT},
        {"collation kind", "as_specified", "as_written", GL_EFORMAT},
        {"calendar", "gregorian", "julian", GL_ECALENDAR},
        {"trie depth", "### LC_CTYPE\n1 1", "### LC_CTYPE\n5 1", GL_ETOODEEP},
        {"string without space", "### LC_NUMERIC\n1 2e", "### LC_NUMERIC\n1x2e", GL_EFILEERR},
        {"group count", "### LC_NUMERIC\n1 2e\n1 2c\n2 3 3", "### LC_NUMERIC\n1 2e\n1 2c\n16 3 3", GL_ENEGINDEX},
        {"named class bit", "\n0 combining\n", "\n7 combining\n", GL_EFORMAT},
        {"level count", "\n0 257 4 ", "\n0 257 9 ", GL_EFORMAT},
        {"month count", "\n12\n7 4a", "\n40\n7 4a", GL_EFORMAT},
    };
    for (const Malformed &m : cases) {
        Scratch s;
        std::string name = s.write("bad.lco", replace_once(good, m.from, m.to));
        Loaded l(name, s.dir.c_str());
        EXPECT_EQ(l.rc, -1) << m.what;
        EXPECT_EQ(l.loc->error, m.error) << m.what;
        // The record stays valid: a failed category is empty, and the
        // record can be queried and freed.
        char *q = gl_setlocale_4(l.loc, GL_ALL_CATEGORIES, nullptr);
        EXPECT_NE(q, nullptr);
        gl_destroystring(q);

        gl_locale *whole = nullptr;
        s.write("default.lco", replace_once(good, m.from, m.to));
        EXPECT_EQ(gl_createlocale2_4(&whole, (s.dir.string() + "/").c_str()), -1) << m.what;
        EXPECT_EQ(whole->error, m.error) << m.what;
        expect_empty_categories(whole);
        gl_lc_unload(whole);
    }
}

TEST(LocaleLoad, ForgedRowIndexIsRefused)
{
    // A weight trie pointing past the last row.
    const std::string good = text_file(data_dir() + "/en_us/0333.lco");
    Scratch s;
    std::string bad = replace_once(good, "\n0 257 4 ", "\n0 3 4 ");
    Loaded l(s.write("bad.lco", bad), s.dir.c_str());
    EXPECT_EQ(l.rc, -1);
    EXPECT_EQ(l.loc->error, GL_EFORMAT);
}

TEST(LocaleLoad, EmptyFactorLineMeansFour)
{
    const std::string good = text_file(data_dir() + "/en_us/0333.lco");
    Scratch s;
    Loaded l(s.write("f.lco", replace_once(good, "000000de 000000fe 1\n", "000000de 000000fe\n")),
             s.dir.c_str());
    ASSERT_EQ(l.rc, 0);
    EXPECT_EQ(l.loc->case_factor, 4.0);
}

TEST(LocaleCopy, SharingThenFreeingBorrowerFirst)
{
    Loaded owner("en_us/0333.lco");
    ASSERT_EQ(owner.rc, 0);
    gl_locale *borrower;
    ASSERT_EQ(gl_create_null_locale_4(&borrower), 0);
    ASSERT_EQ(gl_copy_cat(borrower, owner.loc, GL_ALL_CATEGORIES), 0) << borrower->error;
    EXPECT_EQ(borrower->class_trie, owner.loc->class_trie);
    EXPECT_EQ(borrower->weights[0], owner.loc->weights[0]);
    EXPECT_EQ(borrower->time, owner.loc->time);
    EXPECT_NE(borrower->numeric, owner.loc->numeric);
    EXPECT_STREQ(borrower->numeric->decimal_point, ".");
    EXPECT_NE(borrower->era_cache, owner.loc->era_cache == nullptr ? reinterpret_cast<gl_lc_era *>(1) : nullptr);
    EXPECT_EQ(std::memcmp(borrower->upper_map, owner.loc->upper_map, 256), 0);
    // The destination must be empty.
    EXPECT_EQ(gl_copy_cat(borrower, owner.loc, GL_LC_CTYPE), -1);
    EXPECT_EQ(borrower->error, GL_EDSTNOTEMPTY);
    gl_free_nonshared_loc(borrower);
    EXPECT_STREQ(owner.loc->time->mon[1], "February");
}

TEST(LocaleCopy, SourceMustBeLoaded)
{
    gl_locale *a, *b;
    ASSERT_EQ(gl_create_null_locale_4(&a), 0);
    ASSERT_EQ(gl_create_null_locale_4(&b), 0);
    EXPECT_EQ(gl_copy_cat(b, a, GL_LC_TIME), -1);
    EXPECT_EQ(b->error, GL_ENOSRCCAT);
    EXPECT_EQ(gl_copy_cat(b, a, 0), -1);
    EXPECT_EQ(b->error, GL_EBADARG);
    gl_lc_unload(a);
    gl_lc_unload(b);
}

TEST(LocaleCopy, EraCacheRebuiltForTheBorrower)
{
    Loaded owner("ja_jp/e01c.lco");
    ASSERT_EQ(owner.rc, 0);
    gl_locale *b;
    ASSERT_EQ(gl_create_null_locale_4(&b), 0);
    ASSERT_EQ(gl_copy_cat(b, owner.loc, GL_LC_CTYPE), 0);
    ASSERT_EQ(gl_copy_cat(b, owner.loc, GL_LC_TIME), 0);
    ASSERT_NE(b->era_cache, nullptr);
    EXPECT_NE(b->era_cache, owner.loc->era_cache);
    EXPECT_STREQ(b->era_cache[1].name, owner.loc->era_cache[1].name);
    // Unloading a borrower with gl_lc_unload leaves the owner's tables alone.
    gl_lc_unload(b);
    EXPECT_EQ(owner.loc->time->era_count, owner.loc->time->era_count);
}

TEST(LocaleClasses, NamesToMasks)
{
    Loaded l("ja_jp/e006.lco");
    EXPECT_EQ(gl_ctype(l.loc, "alpha"), GL_CLASS_ALPHA);
    EXPECT_EQ(gl_ctype(l.loc, "alnum"), GL_CLASS_ALNUM);
    EXPECT_EQ(gl_ctype(l.loc, "blank"), GL_CLASS_BLANK);
    EXPECT_EQ(gl_ctype(l.loc, "full_width"), GL_CLASS_EXTRA0);
    EXPECT_EQ(gl_ctype(l.loc, "jhira"), GL_CLASS_EXTRA0 << 2);
    EXPECT_EQ(gl_ctype(l.loc, "nonesuch"), 0);
}

} // namespace
