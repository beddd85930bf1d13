// trwconv against glibc's iconv: for every installed conversion, text of
// the characters both code sets share (over a megabyte, so characters
// straddle the tool's read blocks) converts to the same bytes; text of every
// character of the source stops at the same byte offset with what came
// before it written. Then bad input and bad use: invalid, unconvertible
// and incomplete characters, unknown code sets, missing and unreadable
// files, closed output.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tools/tool_run.h"

namespace fs = std::filesystem;
using trwtest::quoted;
using trwtest::run_tool;
using trwtest::TempTree;

namespace {

const std::string kTool = TRWCONV;

// Code-set number (4 hex digits) -> glibc iconv name and the kit's name.
struct CodeSet {
    const char *iconv;
    const char *name;
};
const std::map<std::string, CodeSet> kCodeSets = {
    {"0333", {"ISO-8859-1", "8859-1"}}, {"e01c", {"UTF-8", "utf8"}},     {"04e4", {"CP1252", "1252"}},
    {"0352", {"IBM850", "850"}},         {"0390", {"ISO-8859-2", "8859-2"}}, {"0393", {"ISO-8859-5", "8859-5"}},
    {"0441", {"ISO-8859-6", "8859-6"}}, {"0394", {"ISO-8859-8", "8859-8"}}, {"e007", {"EUC-JP", "ujis"}},
    {"e006", {"SHIFT_JIS", "sjis"}},     {"e008", {"BIG5", "big5"}},          {"e00d", {"GB2312", "gb"}},
    {"e00c", {"EUC-KR", "ksc"}},         {"e01d", {"TIS-620", "thai620"}},
};

// Every BMP character but controls, surrogates, the private use area and
// the non-characters, as UTF-8 in lines of 64.
std::string bmp_text()
{
    std::string s;
    int n = 0;
    for (unsigned u = 0x20; u < 0x10000; ++u) {
        if ((u >= 0x7F && u < 0xA0) || (u >= 0xD800 && u < 0xF900) || u >= 0xFFFE)
            continue;
        if (u < 0x80) {
            s += static_cast<char>(u);
        } else if (u < 0x800) {
            s += static_cast<char>(0xC0 | (u >> 6));
            s += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            s += static_cast<char>(0xE0 | (u >> 12));
            s += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (u & 0x3F));
        }
        if (++n % 64 == 0)
            s += '\n';
    }
    return s + '\n';
}

long offset_in(const std::string &text, const std::string &pattern)
{
    std::smatch m;
    return std::regex_search(text, m, std::regex(pattern + " ([0-9]+)")) ? std::stol(m[1]) : -1;
}

class AgainstIconv : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        src = kCodeSets.at(GetParam().substr(0, 4));
        dst = kCodeSets.at(GetParam().substr(4, 4));
        tree.write("bmp.txt", bmp_text());
    }
    std::string iconv(const std::string &from, const std::string &to, const std::string &in, const std::string &out,
                      bool omit)
    {
        return std::string("iconv ") + (omit ? "-c " : "") + "-f " + from + " -t " + to + " " + tree.path(in) + " >" +
               tree.path(out) + " 2>/dev/null";
    }
    CodeSet src{}, dst{};
    TempTree tree;
};

TEST_P(AgainstIconv, SharedCharactersConvertAlike)
{
    // The characters of the source that the target has too.
    std::string make = iconv("UTF-8", dst.iconv, "bmp.txt", "t.txt", true) + "; " +
                       iconv(dst.iconv, "UTF-8", "t.txt", "u.txt", false) + "; " +
                       iconv("UTF-8", src.iconv, "u.txt", "s.txt", true);
    run_tool(tree, make);
    std::string shared = trwtest::read_file(tree.path("s.txt"));
    ASSERT_GT(shared.size(), 100u);
    std::string big;
    while (big.size() < (1u << 20) + 4096)
        big += shared;
    tree.write("in.txt", big);
    trwtest::ToolRun ref = run_tool(tree, iconv(src.iconv, dst.iconv, "in.txt", "ref.out", false));
    ASSERT_EQ(ref.status, 0) << "iconv refuses the shared characters";
    trwtest::ToolRun ours =
        run_tool(tree, kTool + " -f " + src.name + " -t " + dst.name + " " + quoted(tree.path("in.txt")));
    EXPECT_EQ(ours.status, 0) << ours.err;
    EXPECT_TRUE(ours.out == trwtest::read_file(tree.path("ref.out"))) << "output differs from iconv's";
}

TEST_P(AgainstIconv, EveryCharacterStopsWhereIconvStops)
{
    run_tool(tree, iconv("UTF-8", src.iconv, "bmp.txt", "all.txt", true));
    trwtest::ToolRun ref = run_tool(tree, "iconv -f " + std::string(src.iconv) + " -t " + dst.iconv + " " +
                                              tree.path("all.txt"));
    trwtest::ToolRun ours =
        run_tool(tree, kTool + " -f " + src.name + " -t " + dst.name + " " + quoted(tree.path("all.txt")));
    EXPECT_EQ(ours.status != 0, ref.status != 0) << ours.err << " / " << ref.err;
    EXPECT_TRUE(ours.out == ref.out) << "output differs from iconv's: " << ours.out.size() << " bytes, iconv "
                                     << ref.out.size();
    if (ref.status != 0) {
        EXPECT_EQ(offset_in(ours.err, "byte offset"), offset_in(ref.err, "position")) << ours.err << ref.err;
    }
}

std::vector<std::string> installed_conversions()
{
    std::vector<std::string> out;
    for (const auto &e : fs::directory_iterator(std::string(std::getenv("TARNWELLDIR")) + "/gls/cv9")) {
        std::string n = e.path().filename().string();
        if (n.size() == 12 && n.find('_') == std::string::npos)
            out.push_back(n.substr(0, 8));
    }
    std::sort(out.begin(), out.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(Installed, AgainstIconv, testing::ValuesIn(installed_conversions()),
                         [](const testing::TestParamInfo<std::string> &info) { return info.param; });

// Bad input: a message on standard error with the byte offset, what came
// before written, exit status 1.
TEST(Trwconv, BadInputStopsWithTheOffset)
{
    TempTree tree;
    struct Case { // input: a printf format (octal escapes)
        const char *input, *from, *to, *out, *message;
        long offset;
    } cases[] = {
        {"ab\\377c", "UTF-8", "latin1", "ab", "invalid input at byte offset", 2},
        {"a\\303\\251\\342\\202\\254b", "UTF-8", "ISO-8859-1", "a\xe9", "cannot convert the character at byte offset", 3},
        {"xy\\346\\227", "utf8", "sjis", "xy", "incomplete character at the end, byte offset", 2},
        {"\\202", "sjis", "utf8", "", "incomplete character at the end, byte offset", 0},
    };
    for (const Case &c : cases) {
        trwtest::ToolRun r = run_tool(tree, std::string("printf '") + c.input + "' | " + kTool + " -f " + c.from +
                                                " -t " + c.to);
        EXPECT_EQ(r.status, 1) << c.input;
        EXPECT_EQ(r.out, c.out) << c.input;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(offset_in(r.err, "byte offset"), c.offset) << r.err;
    }
    // Offsets count within each file, and the file is named.
    tree.write("good.txt", "abc");
    tree.write("bad.txt", "a\xff");
    trwtest::ToolRun r = run_tool(tree, kTool + " -f utf8 -t 8859-1 " + tree.path("good.txt") + " " +
                                            tree.path("bad.txt"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "abca");
    EXPECT_NE(r.err.find("bad.txt: invalid input at byte offset 1"), std::string::npos) << r.err;
}

// Bad use: unknown names, missing or unreadable files, closed or
// unwritable output, wrong options; never a crash, never a silent success.
TEST(Trwconv, BadUseFailsWithAMessage)
{
    TempTree tree;
    struct Case {
        std::string command;
        int status;
        const char *message;
    } cases[] = {
        {"echo hi | " + kTool + " -f utf8 -t no-such-set", 2, "unknown code set 'no-such-set'"},
        {"echo hi | " + kTool + " -f utf8 -t koi8-r", 2, "no conversion from utf8 to koi8-r"},
        {kTool + " -f utf8 -t 8859-1 " + tree.path("missing.txt"), 1, "No such file or directory"},
        {kTool + " -f utf8 -t 8859-1 " + tree.root(), 1, "Is a directory"},
        {"echo hi | " + kTool + " -f utf8 -t 8859-1 >&-", 1, "cannot write the output"},
        {"echo hi | " + kTool + " -f utf8 -t 8859-1 -o " + tree.path("no/such/dir/out"), 1, "No such file"},
        {kTool + " -f utf8", 2, "both -f FROM and -t TO are needed"},
        {kTool + " -x", 2, "unknown option -x"},
        {kTool + " -f", 2, "needs a value"},
    };
    for (const Case &c : cases) {
        trwtest::ToolRun r = run_tool(tree, c.command);
        EXPECT_EQ(r.status, c.status) << c.command;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.command << ": " << r.err;
    }
    trwtest::ToolRun r = run_tool(tree, "head -c 100000 /dev/urandom | " + kTool + " -f sjis -t utf8 >/dev/null");
    EXPECT_TRUE(r.status == 0 || r.status == 1) << r.status;
    EXPECT_EQ(r.status == 1, !r.err.empty());
}

TEST(Trwconv, CommonNamesHelpAndListing)
{
    TempTree tree;
    trwtest::ToolRun r = run_tool(tree, "printf 'a\\\\b~c' | " + kTool + " -f UTF-8 -t Shift_JIS | od -An -tx1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, " 61 5c 62 7e 63\n");
    r = run_tool(tree, "printf 'x' | " + kTool + " -f ISO-8859-1 -t latin1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "x");
    r = run_tool(tree, kTool + " --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: trwconv -f FROM -t TO"), std::string::npos);
    r = run_tool(tree, kTool + " -l");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("57350: sjis shift-jis shift_jis"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  utf8 -> 8859-1 "), std::string::npos) << r.out;
    r = run_tool(tree, "TARNWELLDIR=" + tree.root() + " " + kTool + " -l");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no conversion files found below " + tree.root() + "/gls/cv9"), std::string::npos) << r.err;
}

} // namespace
