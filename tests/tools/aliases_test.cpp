// The common code-set names of data/codeset-aliases.list, written into the
// registry file by mkregistry: every alias of an installed locale's code set
// loads the same locale file as the kit's own name (each in a fresh
// process, since the locale environment is set up once per process), and
// gl_cv_open takes them. mkregistry refuses lists that could not work.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gl_conv.h"
#include "gl_names.h"
#include "glsenv.h"
#include "support/child_process.h"
#include "tools/tool_run.h"

namespace {

struct Alias {
    std::string alias, target;
};

std::vector<Alias> aliases()
{
    std::ifstream in(TRW_SOURCE_DIR "/data/codeset-aliases.list");
    std::vector<Alias> out;
    for (std::string line; std::getline(in, line);) {
        std::istringstream f(line);
        Alias a;
        if (f >> a.alias >> a.target && a.alias[0] != '#')
            out.push_back(a);
    }
    return out;
}

// Installed locales: "ll_TT.codeset" of data/locales.list.
std::vector<std::string> locales()
{
    std::ifstream in(TRW_SOURCE_DIR "/data/locales.list");
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) {
        std::istringstream f(line);
        std::string name;
        if (f >> name && name[0] != '#')
            out.push_back(name);
    }
    return out;
}

unsigned number(const std::string &name)
{
    int context[4] = {};
    return gl_cs_name2cs_num(context, name.c_str(), nullptr);
}

// The CTYPE file the client locale environment loads for CLIENT_LOCALE=spec,
// in a fresh process; "status N" when it fails.
std::string client_file(const std::string &spec)
{
    trwtest::ChildResult r = trwtest::run_function([&] {
        setenv("CLIENT_LOCALE", spec.c_str(), 1);
        unsetenv("DB_LOCALE");
        int status = chkglsinit();
        if (status != 0 || CheckGlsEnv()->locale == nullptr)
            std::printf("status %d", status);
        else
            std::printf("%s", CheckGlsEnv()->locale->names[0].file);
        return 0;
    });
    return r.out;
}

TEST(Aliases, LoadTheSameLocaleFileAsTheKitsName)
{
    int checked = 0;
    for (const std::string &locale : locales()) {
        std::string lang = locale.substr(0, locale.find('.'));
        unsigned cs = number(locale.substr(locale.find('.') + 1));
        std::string expected = client_file(locale);
        ASSERT_EQ(expected.find("status"), std::string::npos) << locale << ": " << expected;
        for (const Alias &a : aliases()) {
            if (number(a.alias) != cs)
                continue;
            EXPECT_EQ(number(a.alias), number(a.target)) << a.alias;
            EXPECT_EQ(client_file(lang + "." + a.alias), expected) << lang << "." << a.alias;
            ++checked;
        }
    }
    EXPECT_GE(checked, 30);
}

TEST(Aliases, EveryAliasIsInTheRegistryFileAndCaseIsIgnored)
{
    for (const Alias &a : aliases()) {
        unsigned n = number(a.target);
        EXPECT_NE(n, GL_CS_INVALID) << a.target;
        EXPECT_EQ(number(a.alias), n) << a.alias;
        std::string upper = a.alias;
        for (char &c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(number(upper), n) << upper;
    }
    // The built-in table, used when the registry file is missing, keeps
    // only the kit's own names.
    for (const gl_registry_pair *p = gls_canned_registry; p->name != nullptr; ++p)
        EXPECT_NE(std::string(p->name), "utf-8");
}

TEST(Aliases, CodeSetConversionsTakeThem)
{
    const char *const pairs[][2] = {{"UTF-8", "Shift_JIS"}, {"EUC-JP", "UTF-8"},   {"ISO-8859-1", "utf-8"},
                                    {"latin1", "UTF-8"},    {"windows-1252", "UTF8"}, {"GB2312", "UTF-8"},
                                    {"EUC-KR", "UTF-8"},    {"Big5", "UTF-8"},       {"TIS-620", "UTF-8"}};
    for (const auto &p : pairs) {
        gl_cvdesc *cd = nullptr;
        EXPECT_EQ(gl_cv_open(&cd, p[0], p[1]), 1) << p[1] << " to " << p[0];
        gl_cv_unload(cd);
    }
    gl_cvdesc *cd = nullptr;
    EXPECT_EQ(gl_cv_open(&cd, "ISO8859-1", "latin1"), 0); // one code set
    EXPECT_EQ(cd, nullptr);
}

// mkregistry refuses an alias list that could not work, naming the line.
TEST(Aliases, MkregistryRefusesBrokenLists)
{
    trwtest::TempTree tree;
    struct Case {
        const char *list, *message;
    } cases[] = {
        {"EUCJP ujis\n", "built-in name of another code set"},
        {"my-set nosuchname\n", "not a name of the built-in registry"},
        {"abcdefghijklmnopqrstuv utf8\n", "not 1 to 21 printable characters"},
        {"UTF-8 utf8\nutf-8 utf8\n", "listed twice"},
        {"UTF-8\n", "expected ALIAS KIT-NAME"},
    };
    for (const Case &c : cases) {
        tree.write("list", c.list);
        trwtest::ToolRun r = trwtest::run_tool(tree, std::string(MKREGISTRY) + " " + tree.path("reg") + " " +
                                                         tree.path("list"));
        EXPECT_EQ(r.status, 1) << c.list;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.list << ": " << r.err;
    }
    tree.write("list", "# comment\n\nUTF-8 utf8\nsjis sjis\n");
    trwtest::ToolRun r = trwtest::run_tool(tree, std::string(MKREGISTRY) + " " + tree.path("reg") + " " +
                                                     tree.path("list"));
    EXPECT_EQ(r.status, 0) << r.err;
    std::string reg = trwtest::read_file(tree.path("reg"));
    EXPECT_NE(reg.find("\nutf-8                 57372 # utf8\n"), std::string::npos) << reg;
    int context[4] = {};
    EXPECT_EQ(gl_cs_name2cs_num(context, "Utf-8", tree.path("reg").c_str()), 57372u);
}

} // namespace
