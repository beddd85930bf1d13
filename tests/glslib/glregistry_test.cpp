// The code-set registry: the generated registry file against the built-in
// table, the reader's handling of malformed files (as the cache reads them
// and as the sequential lookup does), and the fallback to the built-in
// table.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "gl_errno.h"
#include "gl_names.h"
#include "glslib/temp_tree.h"

namespace {

struct Context {
    int error;
};

TEST(GlRegistry, GeneratedFileHoldsTheBuiltInTableInOrder)
{
    Context ctx{0};
    ASSERT_EQ(gl_cache_registry(&ctx, nullptr), 0) << ctx.error;
    ASSERT_EQ(gls_registry_array_cache, nullptr);
    const gl_registry_entry *e = gls_registry_list_cache;
    int rows = 0;
    for (const gl_registry_pair *p = gls_canned_registry; p->name != nullptr; ++p, ++rows) {
        ASSERT_NE(e, nullptr) << p->name;
        EXPECT_STREQ(e->name, p->name);
        EXPECT_EQ(e->number, p->number) << p->name;
        e = e->next;
    }
    EXPECT_EQ(rows, 123);
    // The aliases users type follow the built-in rows; each names a code set
    // the table knows.
    for (; e != nullptr; e = e->next) {
        bool known = false;
        for (const gl_registry_pair *p = gls_canned_registry; p->name != nullptr; ++p)
            known = known || p->number == e->number;
        EXPECT_TRUE(known) << e->name;
    }
    gl_free_registry_cache();
    EXPECT_EQ(gls_registry_list_cache, nullptr);
}

TEST(GlRegistry, BuiltInTableSpotChecks)
{
    EXPECT_STREQ(gls_canned_registry[0].name, "ebcdic");
    EXPECT_EQ(gls_canned_registry[0].number, 37);
    int greek = 0;
    for (const gl_registry_pair *p = gls_canned_registry; p->name != nullptr; ++p)
        greek += std::strcmp(p->name, "greek") == 0;
    EXPECT_EQ(greek, 2);
    EXPECT_STREQ(gls_canned_registry[122].name, "qa-unix-big5");
    EXPECT_EQ(gls_canned_registry[122].number, 57387);
    EXPECT_EQ(gls_canned_registry[123].name, nullptr);
}

TEST(GlRegistry, LookupsWithoutCacheReadTheFile)
{
    Context ctx{0};
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "CCSID28709", nullptr), 29709u);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "Greek", nullptr), 737u);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "qa-unix-big5", nullptr), 57387u);
    EXPECT_EQ(ctx.error, 0);
}

TEST(GlRegistry, MissingRegistryFallsBackToTheBuiltInTable)
{
    setenv("TARNWELLDIR", "/nonexistent/tarnwell", 1);
    Context ctx{0};
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "utf8", nullptr), GL_CS_INVALID);
    EXPECT_EQ(ctx.error, GL_ENOREGISTRY);
    ctx.error = 0;
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "819", nullptr), GL_CS_INVALID);
    EXPECT_EQ(ctx.error, GL_ENOREGISTRY);
    EXPECT_EQ(gl_cache_registry(&ctx, nullptr), -1);
    EXPECT_EQ(ctx.error, GL_ENOREGISTRY);
    EXPECT_EQ(gls_registry_array_cache, gls_canned_registry);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "UTF8", nullptr), 57372u);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "819", nullptr), 819u);
    EXPECT_EQ(gl_cache_registry(&ctx, "/nonexistent/registry"), -1);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "ccsid28709", nullptr), 29709u);
}

// A registry file in a temporary tree, read by explicit path.
struct RegistryFile {
    explicit RegistryFile(const std::string &text) : path(tree.write("registry", text)) {}
    trwtest::TempTree tree;
    std::string path;
};

unsigned lookup(const RegistryFile &f, const char *name, int *error)
{
    Context ctx{0};
    unsigned n = gl_cs_name2cs_num(&ctx, name, f.path.c_str());
    *error = ctx.error;
    return n;
}

TEST(GlRegistry, CommentsBlanksAndTheRestOfTheLine)
{
    RegistryFile f("# comment\n\n   \t# indented comment\nAlpha 10 ignored words\n  beta\t\t20\n"
                   "gamma\n30\n#last\n");
    Context ctx{0};
    ASSERT_EQ(gl_cache_registry(&ctx, f.path.c_str()), 0);
    const gl_registry_entry *e = gls_registry_list_cache;
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->name, "alpha");
    EXPECT_EQ(e->number, 10);
    ASSERT_NE(e = e->next, nullptr);
    EXPECT_STREQ(e->name, "beta");
    ASSERT_NE(e = e->next, nullptr);
    EXPECT_STREQ(e->name, "gamma"); // the number may follow on the next line
    EXPECT_EQ(e->number, 30);
    EXPECT_EQ(e->next, nullptr);
    gl_free_registry_cache();
    int error;
    EXPECT_EQ(lookup(f, "BETA", &error), 20u);
    EXPECT_EQ(lookup(f, "gamma", &error), 30u);
}

// An entry whose number stands on a later line ends there, the rest of that
// line ignored; the sequential lookup once skipped only the name's line and
// read the number's line as an entry of its own, so the file's names meant
// other numbers with the cache than without.
TEST(GlRegistry, SequentialLookupReadsEntriesAsTheCacheDoes)
{
    RegistryFile f("first\n8859-6 1089\nafter 5\n");
    int error;
    EXPECT_EQ(lookup(f, "first", &error), 8859u);
    EXPECT_EQ(lookup(f, "8859-6", &error), GL_CS_INVALID);
    EXPECT_EQ(error, GL_EINVAL);
    EXPECT_EQ(lookup(f, "after", &error), 5u);
    Context ctx{0};
    ASSERT_EQ(gl_cache_registry(&ctx, f.path.c_str()), 0);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "first", nullptr), 8859u);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "8859-6", nullptr), GL_CS_INVALID);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "after", nullptr), 5u);
    gl_free_registry_cache();
}

TEST(GlRegistry, LastLineWithoutLineEnd)
{
    RegistryFile f("one 1\ntwo 2");
    int error;
    // The sequential lookup: a name on that line is found...
    EXPECT_EQ(lookup(f, "two", &error), 2u);
    // ...any other name runs into the unfinished line.
    EXPECT_EQ(lookup(f, "three", &error), GL_CS_INVALID);
    EXPECT_EQ(error, GL_EREGFORMAT);
    EXPECT_EQ(lookup(f, "99", &error), GL_CS_INVALID);
    EXPECT_EQ(error, GL_EREGFORMAT);
    // The cache reads it completely.
    Context ctx{0};
    ASSERT_EQ(gl_cache_registry(&ctx, f.path.c_str()), 0);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "two", nullptr), 2u);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "99", nullptr), 99u);
}

TEST(GlRegistry, NameWithoutNumberIsAFormatError)
{
    RegistryFile f("one 1\nbroken\ntwo 2\n");
    int error;
    EXPECT_EQ(lookup(f, "one", &error), 1u);
    EXPECT_EQ(lookup(f, "broken", &error), GL_CS_INVALID);
    EXPECT_EQ(error, GL_EREGFORMAT);
    Context ctx{0};
    EXPECT_EQ(gl_cache_registry(&ctx, f.path.c_str()), -1);
    EXPECT_EQ(ctx.error, GL_EREGFORMAT);
    EXPECT_EQ(gls_registry_list_cache, nullptr);
    EXPECT_EQ(gls_registry_array_cache, gls_canned_registry);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "one", nullptr), GL_CS_INVALID);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "latin-1", nullptr), 819u);
}

TEST(GlRegistry, OverlongNameEndsTheFileAndNumbersWrap)
{
    RegistryFile f("big 65536\nbigger 131073\nabcdefghijklmnopqrstu 21\nabcdefghijklmnopqrstuv 22\nafter 1\n");
    int error;
    EXPECT_EQ(lookup(f, "big", &error), 0u);
    EXPECT_EQ(lookup(f, "bigger", &error), 1u);
    EXPECT_EQ(lookup(f, "abcdefghijklmnopqrstu", &error), 21u);
    EXPECT_EQ(lookup(f, "after", &error), GL_CS_INVALID);
    EXPECT_EQ(error, GL_EINVAL);
    Context ctx{0};
    ASSERT_EQ(gl_cache_registry(&ctx, f.path.c_str()), 0);
    int count = 0;
    for (const gl_registry_entry *e = gls_registry_list_cache; e != nullptr; e = e->next)
        ++count;
    EXPECT_EQ(count, 3);
}

// A file that yields no entry (comments, then a first name too long) is
// read without error but caches nothing: lookups go on reading the
// installed registry, not that file.
TEST(GlRegistry, FileOfNoEntryCachesNothing)
{
    RegistryFile f("# comment only\n\nabcdefghijklmnopqrstuvw 22\ngreek 1\n");
    Context ctx{0};
    ASSERT_EQ(gl_cache_registry(&ctx, f.path.c_str()), 0);
    EXPECT_EQ(gls_registry_list_cache, nullptr);
    EXPECT_EQ(gls_registry_array_cache, nullptr);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "Greek", nullptr), 737u);
    EXPECT_EQ(ctx.error, 0);
}

// The reader takes the file in blocks, and the list's entries come in
// blocks too: names, numbers, comments and line ends that straddle a read
// block's end at every offset, in a list long enough for several blocks of
// entries, read as the plain text says, by the cache and by the lookup.
TEST(GlRegistry, EntriesAcrossTheReaderBlocks)
{
    for (int shift = 0; shift < 48; ++shift) {
        std::string text = "#" + std::string(4050 + shift, 'c') + "\n";
        std::vector<std::pair<std::string, int>> entries;
        for (int i = 0; i < 150; ++i) {
            std::string name = "cs" + std::to_string(i * 7) + (i % 3 == 0 ? "-Long-Name" : "");
            int number = (i * 389) % 65536;
            entries.emplace_back(name, number);
            text += name + (i % 4 == 0 ? " \n\t" : "   ") + std::to_string(number) + (i % 5 == 0 ? " # note\n" : "\n");
            if (i % 10 == 9)
                text += "# " + std::string(static_cast<std::size_t>(i), 'x') + "\n";
        }
        RegistryFile f(text);
        Context ctx{0};
        ASSERT_EQ(gl_cache_registry(&ctx, f.path.c_str()), 0) << shift;
        const gl_registry_entry *e = gls_registry_list_cache;
        for (const auto &[name, number] : entries) {
            ASSERT_NE(e, nullptr) << shift << " " << name;
            std::string lowered = name;
            for (char &c : lowered)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_EQ(e->name, lowered) << shift;
            EXPECT_EQ(e->number, number) << shift << " " << name;
            e = e->next;
        }
        EXPECT_EQ(e, nullptr) << shift;
        gl_free_registry_cache();
        for (std::size_t i : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{63}, std::size_t{64},
                              std::size_t{149}}) {
            int error = 0;
            EXPECT_EQ(lookup(f, entries[i].first.c_str(), &error), static_cast<unsigned>(entries[i].second))
                << shift << " " << entries[i].first;
            EXPECT_EQ(error, 0);
        }
    }
}

TEST(GlRegistry, BinaryJunkIsAFormatErrorNotAHang)
{
    RegistryFile f(std::string("one 1\n\x01\x80zz 3\n", 13));
    int error;
    EXPECT_EQ(lookup(f, "zz", &error), GL_CS_INVALID);
    EXPECT_EQ(error, GL_EREGFORMAT);
    Context ctx{0};
    EXPECT_EQ(gl_cache_registry(&ctx, f.path.c_str()), -1);
    EXPECT_EQ(ctx.error, GL_EREGFORMAT);
}

} // namespace
