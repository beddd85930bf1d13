// The message compiler as a program: the catalogs it writes (order, form,
// texts with escapes) and the errors it reports, each naming the source and
// the line, with nothing written.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "glslib/temp_tree.h"
#include "msgsrc.h"
#include "support/child_process.h"

namespace {

namespace fs = std::filesystem;

struct Compiled {
    int status;
    std::string errors;
    std::string catalog; // the bytes written, empty when none
};

// Runs msgcomp on source text into a catalog named leaf; standard error is
// collected through a file.
Compiled compile(const trwtest::TempTree &tree, const std::string &source, const std::string &leaf,
                 bool any_table = false)
{
    const std::string src = tree.write("in.msg", source);
    const std::string out = tree.path(leaf);
    fs::remove(out);
    const std::string errors = tree.path("errors.txt");
    const auto result = trwtest::run_function([&] {
        if (std::freopen(errors.c_str(), "w", stderr) == nullptr)
            return 99;
        std::vector<std::string> args = {"msgcomp"};
        if (any_table)
            args.push_back("-a");
        args.push_back(src);
        args.push_back(out);
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(TRW_MSGCOMP, argv.data());
        return 127;
    });
    auto slurp = [](const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    };
    return {result.exit_status, slurp(errors), fs::exists(out) ? slurp(out) : ""};
}

std::string hex(const std::string &bytes)
{
    std::string out;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02x", c);
        out += b;
    }
    return out;
}

} // namespace

TEST(MessageCompiler, WritesSortedShortCatalogs)
{
    trwtest::TempTree tree;
    const auto c = compile(tree, "# two texts\n-1201 small\n\n  -1202 \\x20z\\n\n-1203\n", "convmsg.twm");
    ASSERT_EQ(c.status, 0) << c.errors;
    // fe68, 3 entries; -1203 (empty) at 28, -1202 (" z\n") at 28, -1201 at 31.
    EXPECT_EQ(hex(c.catalog), "fe680003"
                              "fb4d00000000001c"
                              "fb4e00030000001c"
                              "fb4f00050000001f" +
                                  hex(" z\nsmall"));
}

TEST(MessageCompiler, TakesTheLongFormExactlyWhenANumberNeedsIt)
{
    trwtest::TempTree tree;
    auto c = compile(tree, "-32768 low\n32767 high\n", "any.twm", true);
    ASSERT_EQ(c.status, 0) << c.errors;
    EXPECT_EQ(hex(c.catalog.substr(0, 4)), "fe680002");
    c = compile(tree, "-23101 a\n-34394 b\n", "locmsg.twm");
    ASSERT_EQ(c.status, 0) << c.errors;
    EXPECT_EQ(hex(c.catalog.substr(0, 14)), "fe690002ffff79a6000100000018");
}

TEST(MessageCompiler, ErrorsNameTheSourceAndLine)
{
    trwtest::TempTree tree;
    const struct {
        std::string source;
        std::string leaf;
        std::string error;
    } cases[] = {
        {"-1200 a\n# x\n-1201 b\n-1200 c\n", "convmsg.twm", "in.msg:4: error: duplicate message number"},
        {"-1200 a\n-406 memory\n", "convmsg.twm",
         "in.msg:2: error: message -406 belongs to the catalog sqlmsg.twm, not convmsg.twm"},
        {"-1200 a\n-1201 bad \\q escape\n", "convmsg.twm", "in.msg:2: error: unknown escape \\q"},
        {"-1200 ends in \\\n", "convmsg.twm", "in.msg:1: error: backslash at the end of the line"},
        {"\n\nnumber text\n", "convmsg.twm", "in.msg:3: error: expected a message number"},
        {"2147483648 too big\n", "any.twm", "in.msg:1: error: expected a message number"},
        {"-1200x text\n", "convmsg.twm", "in.msg:1: error: expected a blank"},
        {"-1200 \\400\n", "convmsg.twm", "in.msg:1: error: octal escape above \\377"},
        {"-1200 " + std::string(65536, 't') + "\n", "convmsg.twm",
         "in.msg:1: error: message text longer than 65535 bytes"},
    };
    for (const auto &c : cases) {
        const auto result = compile(tree, c.source, c.leaf, c.leaf == "any.twm");
        EXPECT_EQ(result.status, 1) << c.error;
        EXPECT_NE(result.errors.find(tree.path(c.error)), std::string::npos) << result.errors;
        EXPECT_TRUE(result.catalog.empty()) << c.error;
    }
}

TEST(MessageCompiler, RefusesMoreThan65535Messages)
{
    trwtest::TempTree tree;
    std::string source;
    for (int i = 0; i < 65536; ++i)
        source += std::to_string(i - 40000) + " t\n";
    auto result = compile(tree, source, "any.twm", true);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.errors.find(":65536: error: more than 65535 messages"), std::string::npos) << result.errors;
    source.erase(source.rfind('\n', source.size() - 2) + 1);
    result = compile(tree, source, "any.twm", true);
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(hex(result.catalog.substr(0, 4)), "fe69ffff");
}

TEST(MessageSourceReader, KeepsTextsExactly)
{
    std::vector<msgcat::Message> messages;
    msgsrc::Error error;
    ASSERT_TRUE(msgsrc::parse("1\ta\\tb  \r\n+2 \\0\\1x\\x7fq\\'\\\"\\?\n3", &messages, &error));
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text, "a\tb  ");
    EXPECT_EQ(messages[1].number, 2);
    EXPECT_EQ(messages[1].text, std::string("\0\1x\x7fq'\"?", 8));
    EXPECT_EQ(messages[2].text, "");
    EXPECT_EQ(messages[2].line, 3);
}
