// Finding data files: the directories tried and their order (seen through
// the GLSDEBUG messages), GL_PATH, path cookies, absolute names, the
// TARNWELLDIR limit, and the gls.log diagnostic log.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gl_errno.h"
#include "gl_ext.h"
#include "gl_names.h"
#include "glslib/temp_tree.h"
#include "support/child_process.h"

namespace {

struct Context {
    int error;
};

// Runs a search in a child with GLSDEBUG on and returns the messages it
// printed, one per line.
std::vector<std::string> messages_of(const std::function<void()> &body)
{
    auto result = trwtest::run_function([&] {
        setenv("GLSDEBUG", "ON", 1);
        body();
        std::fflush(stdout);
        return 0;
    });
    std::vector<std::string> lines;
    std::istringstream in(result.out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The messages of one search.
std::vector<std::string> search_messages(const char *name, const char *kind, const char *version)
{
    return messages_of([=] {
        Context ctx{0};
        if (FILE *f = gl_path_search(&ctx, name, kind, version))
            std::fclose(f);
    });
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(GlPath, VersionedDirectoryFirstThenThePlainOne)
{
    trwtest::TempTree tree;
    tree.write("gls/lc/only-plain.lco", "plain");
    tree.write("gls/lc11/both.lco", "versioned");
    tree.write("gls/lc/both.lco", "plain");
    setenv("TARNWELLDIR", tree.root().c_str(), 1);
    unsetenv("GL_PATH");
    auto lines = search_messages("only-plain.lco", "lc", "11");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "GLS: Could not open: " + tree.root() + "/gls/lc11/only-plain.lco");
    EXPECT_EQ(lines[1], "GLS: Opened: " + tree.root() + "/gls/lc/only-plain.lco");

    Context ctx{0};
    char *dir = gl_path_search_rpath(nullptr, &ctx, "both.lco", "lc", "11");
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(std::string(dir), tree.root() + "/gls/lc11");
    _gl_ext_free(dir);
    dir = gl_path_search_no_ext_rpath(nullptr, &ctx, "only-plain.lco", "lc", "11");
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(std::string(dir), tree.root() + "/gls/lc");
    std::free(dir);
    EXPECT_EQ(gl_path_search(&ctx, "absent.lco", "lc", "11"), nullptr);
    EXPECT_EQ(ctx.error, GL_EFILEERR);
}

TEST(GlPath, GlPathReplacesTheDefaultDirectories)
{
    trwtest::TempTree tree;
    tree.write("gls/lc11/f", "x");
    setenv("TARNWELLDIR", tree.root().c_str(), 1);
    setenv("GL_PATH", "/a::/b", 1);
    auto lines = messages_of([] {
        Context ctx{0};
        if (gl_path_search(&ctx, "f", "lc", "11") != nullptr || ctx.error != GL_EFILEERR)
            std::printf("unexpected\n");
    });
    EXPECT_EQ(lines, (std::vector<std::string>{"GLS: Could not open: /a/f", "GLS: Could not open: /b/f"}));
    setenv("GL_PATH", (":" + tree.root() + "/gls/lc11").c_str(), 1);
    Context ctx{0};
    char *dir = gl_path_search_rpath(nullptr, &ctx, "f", "ignored", nullptr);
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(std::string(dir), tree.root() + "/gls/lc11");
    _gl_ext_free(dir);
}

TEST(GlPath, OverlongTarnwelldirFailsBeforeAnyOpen)
{
    setenv("TARNWELLDIR", std::string(257, 'x').c_str(), 1);
    auto lines = messages_of([] {
        Context ctx{0};
        if (gl_path_search(&ctx, "/etc/hostname", "lc", "11") != nullptr || ctx.error != GL_EFILEERR)
            std::printf("unexpected\n");
    });
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "GLS: Environment variable TARNWELLDIR cannot be greater than 256 characters"}));
    setenv("TARNWELLDIR", ("/" + std::string(255, 'x')).c_str(), 1);
    Context ctx{0};
    EXPECT_EQ(gl_path_search(&ctx, "f", "lc", "11"), nullptr);
    EXPECT_EQ(ctx.error, GL_EFILEERR);
}

TEST(GlPath, AbsoluteAndCookieNamesAreOpenedAsTheyStand)
{
    trwtest::TempTree tree;
    std::string file = tree.write("sub/dir/name.cvo", "cvo");
    setenv("GL_PATH", "/nonexistent", 1);
    Context ctx{0};
    char *dir = gl_path_search_rpath(nullptr, &ctx, file.c_str(), "cv", "9");
    ASSERT_NE(dir, nullptr);
    EXPECT_STREQ(dir, "/");
    _gl_ext_free(dir);
    std::string cookie = tree.root() + "\xff" "sub\xff" "dir\xff" "name.cvo";
    FILE *f = gl_open_file(&ctx, cookie.c_str());
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    dir = gl_path_search_rpath(nullptr, &ctx, cookie.c_str(), "cv", "9");
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(std::string(dir), tree.root() + "/sub/dir");
    _gl_ext_free(dir);
    ctx.error = 0;
    EXPECT_EQ(gl_open_file(&ctx, (tree.root() + "\xff" "missing").c_str()), nullptr);
    EXPECT_EQ(ctx.error, GL_EFILEERR);
}

TEST(GlPath, DefaultBaseWithoutTarnwelldir)
{
    unsetenv("TARNWELLDIR");
    unsetenv("GL_PATH");
    auto lines = search_messages("no-such-file-here", "cm", "3");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "GLS: Could not open: /usr/tarnwell/gls/cm3/no-such-file-here");
    EXPECT_EQ(lines[1], "GLS: Could not open: /usr/tarnwell/gls/cm/no-such-file-here");
}

TEST(GlMessage, GlslogAppendsToGlsLogInTheWorkingDirectory)
{
    trwtest::TempTree tree;
    ASSERT_EQ(chdir(tree.root().c_str()), 0);
    setenv("GLSLOG", "On please", 1);
    unsetenv("GLSDEBUG");
    gl_message("first");
    gl_message("second");
    std::string log = read_file(tree.path("gls.log"));
    ASSERT_EQ(log.substr(0, 21), "----\nGLS log started ");
    std::size_t body = log.find("----\n", 5);
    ASSERT_NE(body, std::string::npos);
    EXPECT_EQ(log.substr(body), "----\nfirst\nsecond\n");
    // The date line is ctime's: "Www Mmm dd hh:mm:ss yyyy\n".
    EXPECT_EQ(body - 21, 25u) << log;
}

TEST(GlMessage, OffByDefault)
{
    trwtest::TempTree tree;
    ASSERT_EQ(chdir(tree.root().c_str()), 0);
    unsetenv("GLSLOG");
    auto lines = messages_of([] {
        unsetenv("GLSDEBUG");
        gl_message("quiet");
    });
    EXPECT_TRUE(lines.empty());
    gl_message("quiet");
    EXPECT_FALSE(std::ifstream(tree.path("gls.log")).good());
}

} // namespace
