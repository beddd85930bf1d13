// Locale specifications and data file names: the file-name scheme on the
// documented examples and on every registry name, normal and long forms,
// the refusals (code sets that differ, repeated categories, bad names) and
// inputs longer than the working buffers. The registry is the generated one
// of the build's data tree (TARNWELLDIR).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>

#include "gl_errno.h"
#include "gl_names.h"
#include "glslib/temp_tree.h"

namespace {

struct Context {
    int error;
};

std::string fname(const char *spec, const char *dir = nullptr, int *error = nullptr)
{
    Context ctx{0};
    char out[GL_OUT_BUFSIZE];
    int status = gl_lc_spec2lc_fname(&ctx, spec, out, nullptr, dir);
    if (error != nullptr)
        *error = ctx.error;
    return status == 0 ? std::string(out) : "<" + std::to_string(ctx.error) + ">";
}

std::string norm(const char *spec)
{
    Context ctx{0};
    char out[GL_OUT_BUFSIZE];
    return gl_lc_spec2lc_norm(&ctx, spec, out, nullptr) == 0 ? std::string(out) : "<" + std::to_string(ctx.error) + ">";
}

const std::string kSixEnUs = "GL_CTYPE = en_US.819 ; GL_COLLATE = en_US.819 ; GL_NUMERIC = en_US.819 ; "
                             "GL_MONETARY = en_US.819 ; GL_TIME = en_US.819 ; GL_MESSAGES = en_US.819 ; ";

TEST(GlNames, ShortSpecificationsGiveTheDocumentedFileNames)
{
    EXPECT_EQ(fname("en_US.8859-1"), "en_us/0333.lco");
    EXPECT_EQ(fname("en_us.819"), "en_us/0333.lco");
    EXPECT_EQ(fname("EN_US.0819"), "en_us/0333.lco");
    EXPECT_EQ(fname("EN_us.LATIN-1"), "en_us/0333.lco");
    EXPECT_EQ(fname("en_US.819@euro"), "en_us/0333euro.lco");
    EXPECT_EQ(fname("ja_JP.ujis@Ab1"), "ja_jp/e007Ab1.lco");
    EXPECT_EQ(fname("en_US.819@euros"), "<7>");
    EXPECT_EQ(fname("en_US.819@"), "<7>");
    EXPECT_EQ(fname("en_US.819 "), "<7>");
    EXPECT_EQ(fname("en_US."), "<7>");
    EXPECT_EQ(fname("e1_US.819"), "<7>");
    EXPECT_EQ(fname("en-US.819"), "<7>");
    EXPECT_EQ(fname("en_US.#819"), "<7>");
    EXPECT_EQ(fname("en_US.nosuchset"), "<7>");
    EXPECT_EQ(fname("en_US.819", "/opt/loc"), "/opt/loc\xff" "en_us/0333.lco");
}

TEST(GlNames, CodeSetNamesOfTwentyOneCharactersOnly)
{
    EXPECT_EQ(fname("en_US.000000000000000000819"), "en_us/0333.lco"); // 21 characters
    EXPECT_EQ(fname("en_US.0000000000000000000819"), "<7>");           // 22
    Context ctx{0};
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "0000000000000000000819", nullptr), GL_CS_INVALID);
    EXPECT_EQ(ctx.error, GL_EINVAL);
}

TEST(GlNames, UnknownNamesMapOnlyWhenTheyAreNumbers)
{
    Context ctx{0};
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "12345", nullptr), 12345u);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "65535", nullptr), 65535u);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "70000", nullptr), GL_CS_INVALID);
    EXPECT_EQ(ctx.error, GL_EINVAL);
    ctx.error = 0;
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "foo", nullptr), GL_CS_INVALID);
    EXPECT_EQ(ctx.error, GL_EINVAL);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "", nullptr), GL_CS_INVALID);
    EXPECT_EQ(gl_cs_name2cs_num(&ctx, "UTF8", nullptr), 57372u);
}

TEST(GlNames, EveryRegistryNameGivesItsFileNameAndNormalForm)
{
    ASSERT_EQ(gl_cache_registry(nullptr, nullptr), 0);
    for (const gl_registry_pair *row = gls_canned_registry; row->name != nullptr; ++row) {
        int first = -1; // lookups take the first row of a name
        for (const gl_registry_pair *p = gls_canned_registry; first < 0; ++p)
            if (std::strcmp(p->name, row->name) == 0)
                first = p->number;
        std::string spec = std::string("fr_CA.") + row->name;
        char expect[32];
        std::snprintf(expect, sizeof expect, "fr_ca/%04x.lco", static_cast<unsigned>(first));
        EXPECT_EQ(fname(spec.c_str()), expect) << spec;
        EXPECT_EQ(norm(spec.c_str()), "fr_CA." + std::to_string(first)) << spec;
    }
}

TEST(GlNames, NormalFormsOfShortAndLongSpecifications)
{
    EXPECT_EQ(norm("EN_us.8859-1"), "en_US.819");
    EXPECT_EQ(norm("en_us.819@euro"), "en_US.819@euro");
    std::string mixed = "GL_CTYPE = EN_US.8859-1 ; GL_COLLATE = en_us.819 ; GL_NUMERIC = en_US.latin-1 ; "
                        "GL_MONETARY = en_US.819 ; GL_TIME = de_DE.819 ; GL_MESSAGES = en_US.0819 ; ";
    EXPECT_EQ(norm(mixed.c_str()), "GL_CTYPE = en_US.819 ; GL_COLLATE = en_US.819 ; GL_NUMERIC = en_US.819 ; "
                                   "GL_MONETARY = en_US.819 ; GL_TIME = de_DE.819 ; GL_MESSAGES = en_US.819 ; ");
    // Five entries, a missing last " ; ", or code sets that differ.
    EXPECT_EQ(norm(kSixEnUs.substr(0, kSixEnUs.rfind("GL_MESSAGES")).c_str()), "<7>");
    EXPECT_EQ(norm(kSixEnUs.substr(0, kSixEnUs.size() - 3).c_str()), "<7>");
    std::string differ = kSixEnUs;
    differ.replace(differ.rfind("819"), 3, "1252");
    EXPECT_EQ(norm(differ.c_str()), "<7>");
}

TEST(GlNames, LongSpecificationsToFileNames)
{
    EXPECT_EQ(fname("GL_CTYPE = en_US.819 ; GL_COLLATE = en_US.1252 ; "), "<7>");
    EXPECT_EQ(fname("GL_CTYPE = a ; GL_CTYPE = b ; "), "<7>");
    EXPECT_EQ(fname("GL_CTYPE = en_US.819 ; GL_CTYPE = en_US.819 ; "), "<7>");
    EXPECT_EQ(fname("GL_CTYPE=en_US.819"), "<7>");
    EXPECT_EQ(fname("GL_CTYPE = en_US.819 ; GL_TIME = de_DE.8859-1"),
              "GL_CTYPE = en_us/0333.lco ; GL_TIME = de_de/0333.lco");
    EXPECT_EQ(fname("GL_CTYPE = en_US.819 ; GL_TIME = de_DE.8859-1 ; ", "/d"),
              "GL_CTYPE = /d\xff" "en_us/0333.lco ; GL_TIME = /d\xff" "de_de/0333.lco ; ");
    int error = 0;
    std::string long_dir(GL_DIR_MAX + 1, 'd');
    EXPECT_EQ(fname("en_US.819", long_dir.c_str(), &error), "<8>");
}

TEST(GlNames, CodeSetNumbersOfSpecifications)
{
    Context ctx{0};
    EXPECT_EQ(gl_lc_spec2cs_num(&ctx, "en_US.8859-1", nullptr), 819u);
    EXPECT_EQ(gl_lc_spec2cs_num(&ctx, "8859-1", nullptr), 819u);
    EXPECT_EQ(gl_lc_spec2cs_num(&ctx, "819", nullptr), 819u);
    EXPECT_EQ(gl_lc_spec2cs_num(nullptr, "ja_JP.sjis", nullptr), 57350u);
    EXPECT_EQ(gl_lc_spec2cs_num(&ctx, kSixEnUs.c_str(), nullptr), 819u);
    // A long specification must end right after its last " ; ".
    EXPECT_EQ(gl_lc_spec2cs_num(&ctx, kSixEnUs.substr(0, kSixEnUs.size() - 3).c_str(), nullptr), GL_CS_INVALID);
    EXPECT_EQ(ctx.error, GL_EINVAL);
    EXPECT_EQ(gl_lc_spec2cs_num(nullptr, "GL_CTYPE = en_US.819 ; GL_TIME = en_US.1252 ; ", nullptr), GL_CS_INVALID);
}

TEST(GlNames, ShortToLongAndBack)
{
    Context ctx{0};
    char out[GL_OUT_BUFSIZE];
    ASSERT_EQ(gl_lc_short2lc_long(&ctx, "EN_US.8859-1", out, nullptr), 0);
    EXPECT_STREQ(out, "GL_CTYPE = en_us.8859-1 ; GL_COLLATE = en_us.8859-1 ; GL_NUMERIC = en_us.8859-1 ; "
                      "GL_MONETARY = en_us.8859-1 ; GL_TIME = en_us.8859-1 ; GL_MESSAGES = en_us.8859-1");
    std::string with_end = std::string(out) + " ; ";
    EXPECT_EQ(gl_is_lc_spec(&ctx, out), 0);
    char back[GL_OUT_BUFSIZE];
    ASSERT_EQ(gl_lc_spec2lc_short(&ctx, out, back, nullptr), 0);
    EXPECT_STREQ(back, "en_us.8859-1");
    ASSERT_EQ(gl_lc_spec2lc_norm(&ctx, with_end.c_str(), back, nullptr), 0);
    ASSERT_EQ(gl_lc_spec2category(&ctx, with_end.c_str(), GL_CAT_TIME, back, nullptr), 0);
    EXPECT_STREQ(back, "en_us.8859-1");
    EXPECT_EQ(gl_lc_short2lc_long(&ctx, "de_at", out, nullptr), 0);
    EXPECT_EQ(std::string(out).substr(0, 17), "GL_CTYPE = de_at ");
    EXPECT_EQ(gl_lc_short2lc_long(&ctx, "de_at.nosuchset", nullptr, nullptr), -1);
    EXPECT_EQ(gl_lc_short2lc_long(&ctx, "de_at.819", nullptr, nullptr), 0);

    // Six categories that name different locales have no short form.
    std::string mixed = kSixEnUs;
    mixed.replace(mixed.find("GL_TIME = en_US"), 15, "GL_TIME = de_DE");
    EXPECT_EQ(gl_lc_spec2lc_short(&ctx, mixed.c_str(), back, nullptr), -1);
    ASSERT_EQ(gl_lc_spec2category(&ctx, mixed.c_str(), GL_CAT_TIME, back, nullptr), 0);
    EXPECT_STREQ(back, "de_DE.819");
    EXPECT_EQ(gl_lc_spec2category(&ctx, mixed.c_str(), 7, back, nullptr), -1);
    EXPECT_EQ(gl_lc_spec2category(&ctx, "GL_CTYPE = en_US.819 ; ", GL_CAT_CTYPE, back, nullptr), -1);
    EXPECT_EQ(gl_is_lc_spec(&ctx, "en_US.819"), -1);
    EXPECT_EQ(gl_is_lc_spec(&ctx, "GL_CTYPE = en_US.819 ; junk"), -1);
}

TEST(GlNames, MessageDirectoriesAndConversionFiles)
{
    Context ctx{0};
    char out[GL_OUT_BUFSIZE];
    char dir[GL_MSG_DNAME_SIZE];
    ASSERT_EQ(gl_lc_spec2msg_dname(&ctx, "EN_US.8859-1@euro", dir, nullptr, nullptr), 0);
    EXPECT_STREQ(dir, "en_us/0333");
    std::string spec = kSixEnUs;
    spec.replace(spec.find("GL_MESSAGES = en_US.819"), 23, "GL_MESSAGES = ja_JP.sjis");
    EXPECT_EQ(gl_lc_spec2msg_dname(&ctx, spec.c_str(), dir, nullptr, "/ignored"), -1); // code sets differ
    spec = "GL_CTYPE = ja_JP.sjis ; GL_MESSAGES = ja_JP.shift-jis ; ";
    ASSERT_EQ(gl_lc_spec2msg_dname(&ctx, spec.c_str(), dir, nullptr, "/ignored"), 0);
    EXPECT_STREQ(dir, "ja_jp/e006");
    EXPECT_EQ(gl_lc_spec2msg_dname(&ctx, "GL_CTYPE = ja_JP.sjis ; ", dir, nullptr, nullptr), -1);

    ASSERT_EQ(gl_cs_nums2cv_fname(&ctx, 819, 850, out, nullptr), 0);
    EXPECT_STREQ(out, "03330352.cvo");
    ASSERT_EQ(gl_cs_nums2cv_fname(&ctx, 819, 57372, out, "/cv"), 0);
    EXPECT_STREQ(out, "/cv\xff" "0333e01c.cvo");
    EXPECT_EQ(gl_cs_nums2cv_fname(&ctx, 70000, 819, out, nullptr), -1);
}

TEST(GlNames, FileNamePiecesAndBack)
{
    char lang_terr[6], number[6], modifier[5], spec[18];
    ASSERT_EQ(gl_lc_fname2lc_pieces(nullptr, "EN_us/e01cEuro.lco", lang_terr, number, modifier), 0);
    EXPECT_STREQ(lang_terr, "en_US");
    EXPECT_STREQ(number, "57372");
    EXPECT_STREQ(modifier, "Euro");
    ASSERT_EQ(gl_lc_pieces2lc_spec(nullptr, lang_terr, number, modifier, spec), 0);
    EXPECT_STREQ(spec, "en_US.57372@Euro");
    ASSERT_EQ(gl_lc_fname2lc_pieces(nullptr, "de_de\\0333.lco", lang_terr, number, modifier), 0);
    EXPECT_STREQ(number, "819");
    EXPECT_STREQ(modifier, "");
    ASSERT_EQ(gl_lc_pieces2lc_spec(nullptr, lang_terr, number, modifier, spec), 0);
    EXPECT_STREQ(spec, "de_DE.819");
    Context ctx{0};
    EXPECT_EQ(gl_lc_fname2lc_pieces(&ctx, "en_us/0333euros.lco", lang_terr, number, modifier), -1);
    EXPECT_EQ(ctx.error, GL_EINVAL);
    EXPECT_EQ(gl_lc_fname2lc_pieces(&ctx, "en_us-0333.lco", lang_terr, number, modifier), -1);
    EXPECT_EQ(gl_lc_fname2lc_pieces(&ctx, "en_us/.lco", lang_terr, number, modifier), -1);
    EXPECT_EQ(gl_lc_pieces2lc_spec(&ctx, "en_US", "8x9", nullptr, spec), -1);
    EXPECT_EQ(gl_lc_pieces2lc_spec(&ctx, "en_US", "123456", nullptr, spec), -1);
    ASSERT_EQ(gl_lc_pieces2lc_spec(&ctx, "en_US", "819", "abcdef", spec), 0);
    EXPECT_STREQ(spec, "en_US.819@abcd");
}

TEST(GlNames, LongFileNameFormBackToASpecificationWhenTheFilesExist)
{
    trwtest::TempTree tree;
    tree.write("en_us/0333.lco", "x");
    tree.write("de_de/0333euro.lco", "x");
    std::string form = "GL_CTYPE = en_us/0333.lco ; GL_COLLATE = en_us/0333.lco ; GL_NUMERIC = en_us/0333.lco ; "
                       "GL_MONETARY = de_de/0333euro.lco ; GL_TIME = en_us/0333.lco ; GL_MESSAGES = en_us/0333.lco";
    Context ctx{0};
    char out[GL_OUT_BUFSIZE];
    ASSERT_EQ(gl_lc_fname2lc_spec(&ctx, form.c_str(), out, tree.root().c_str()), 0);
    EXPECT_STREQ(out, "GL_CTYPE = en_US.819 ; GL_COLLATE = en_US.819 ; GL_NUMERIC = en_US.819 ; "
                      "GL_MONETARY = de_DE.819@euro ; GL_TIME = en_US.819 ; GL_MESSAGES = en_US.819 ; ");
    // The same through directory prefixes with the path cookie (a short
    // prefix: the file-name form is cut at 310 bytes).
    ASSERT_EQ(chdir(tree.root().c_str()), 0);
    char prefixed[GL_OUT_BUFSIZE];
    std::string spec(out);
    ASSERT_EQ(gl_lc_spec2lc_fname(&ctx, spec.c_str(), prefixed, nullptr, "."), 0);
    ASSERT_EQ(gl_lc_fname2lc_spec(&ctx, prefixed, out, nullptr), 0);
    EXPECT_EQ(std::string(out), spec);
    std::string missing = form;
    missing.replace(missing.find("de_de/0333euro"), 14, "de_de/0333");
    ctx.error = 0;
    EXPECT_EQ(gl_lc_fname2lc_spec(&ctx, missing.c_str(), out, tree.root().c_str()), -1);
    EXPECT_EQ(ctx.error, GL_EFILEERR);
    // A file that exists but whose name no specification gives.
    tree.write("en_us-0333.lco", "x");
    std::string unnamed = form;
    unnamed.replace(unnamed.find("de_de/0333euro"), 14, "en_us-0333");
    ctx.error = 0;
    EXPECT_EQ(gl_lc_fname2lc_spec(&ctx, unnamed.c_str(), out, tree.root().c_str()), -1);
    EXPECT_EQ(ctx.error, GL_EINVAL);
}

TEST(GlNames, OverlongInputIsCutNeverOverrun)
{
    // 285 bytes and more: the specification is cut to the working buffer.
    std::string spec = kSixEnUs + kSixEnUs + std::string(5000, 'x');
    char out[GL_OUT_BUFSIZE];
    Context ctx{0};
    EXPECT_EQ(gl_lc_spec2lc_fname(&ctx, spec.c_str(), out, nullptr, nullptr), -1);
    EXPECT_EQ(gl_lc_spec2lc_norm(&ctx, spec.c_str(), out, nullptr), -1);
    EXPECT_EQ(gl_lc_spec2cs_num(&ctx, spec.c_str(), nullptr), GL_CS_INVALID);
    // A long form whose entries all fit: output within GL_OUT_BUFSIZE even
    // with a 256-character prefix on every file name.
    std::string dir(GL_DIR_MAX, 'd');
    ASSERT_EQ(gl_lc_spec2lc_fname(&ctx, kSixEnUs.c_str(), out, nullptr, dir.c_str()), 0);
    EXPECT_LT(std::strlen(out), static_cast<size_t>(GL_OUT_BUFSIZE));
    std::string code_set(300, 'a');
    EXPECT_EQ(gl_lc_spec2cs_num(&ctx, code_set.c_str(), nullptr), GL_CS_INVALID);
}

} // namespace
