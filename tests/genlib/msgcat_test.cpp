// Message catalogs as files: random catalogs packed by the test searched
// against a linear scan, index ends that the chunked search must not read
// past, corrupt catalogs, the installed English catalogs against their
// sources, glibc's gencat/catgets as an oracle of the compiler and reader,
// and the built-in texts against the catalog sources.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <nl_types.h>
#include <random>
#include <set>
#include <sstream>
#include <tuple>
#include <string>

#include "msg_support.h"
#include "msgint.h"
#include "msgsrc.h"
#include "rmsg.h"
#include "support/child_process.h"

namespace {

namespace fs = std::filesystem;
using msgtest::pack;
using msgtest::Texts;

constexpr int16_t kBig = 32767;

// A lookup in the explicit catalog: status and text.
std::pair<int, std::string> lookup(int number)
{
    static char buf[kBig];
    int length = -1;
    const int status = rgetlmsg(number, buf, kBig, &length);
    if (status != 0)
        return {status, ""};
    return {status, std::string(buf, static_cast<std::size_t>(length))};
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The messages of one source of data/msg.
std::vector<msgcat::Message> source_messages(const fs::path &source)
{
    std::vector<msgcat::Message> messages;
    msgsrc::Error error;
    EXPECT_TRUE(msgsrc::parse(read_file(source.string()), &messages, &error)) << source << ":" << error.line;
    return messages;
}

std::vector<fs::path> sources()
{
    std::vector<fs::path> all;
    for (const auto &entry : fs::directory_iterator(TRW_MSG_SOURCE_DIR))
        if (entry.path().extension() == ".msg")
            all.push_back(entry.path());
    std::sort(all.begin(), all.end());
    return all;
}

// A random catalog: count distinct numbers drawn around the edges of both
// forms and in small clusters, with texts of 1 to 12 bytes.
Texts random_catalog(std::mt19937 &rng, int count, bool long_form)
{
    const int32_t lo = long_form ? INT32_MIN : -32768;
    const int32_t hi = long_form ? INT32_MAX : 32767;
    std::uniform_int_distribution<int64_t> any(lo, hi);
    std::uniform_int_distribution<int> choice(0, 3);
    std::uniform_int_distribution<int> step(1, 3);
    std::uniform_int_distribution<int> length(1, 12);
    std::set<int32_t> numbers;
    int64_t cluster = any(rng);
    while (static_cast<int>(numbers.size()) < count) {
        switch (choice(rng)) {
        case 0: cluster = any(rng); break;
        case 1: cluster = (choice(rng) & 1) ? lo + choice(rng) : hi - choice(rng); break;
        default: cluster += step(rng); break;
        }
        numbers.insert(static_cast<int32_t>(std::clamp<int64_t>(cluster, lo, hi)));
    }
    Texts entries;
    for (int32_t n : numbers) {
        std::string text(static_cast<std::size_t>(length(rng)), 'a');
        for (char &c : text)
            c = static_cast<char>('a' + rng() % 26);
        entries.emplace_back(n, text);
    }
    return entries;
}

// Searches every number present and the ones between, around and outside
// them, against a linear scan of the entries.
void check_against_scan(const Texts &entries)
{
    std::map<int64_t, std::string> scan(entries.begin(), entries.end());
    std::set<int64_t> probes;
    for (const auto &[n, text] : entries)
        for (int64_t d : {-1, 0, 1})
            probes.insert(n + d);
    for (int64_t edge : {int64_t{INT32_MIN}, int64_t{-32769}, int64_t{-32768}, int64_t{0}, int64_t{32767},
                         int64_t{32768}, int64_t{INT32_MAX}})
        probes.insert(edge);
    for (int64_t probe : probes) {
        if (probe < INT32_MIN || probe > INT32_MAX)
            continue;
        const auto it = scan.find(probe);
        if (it == scan.end()) {
            // Absent numbers through the stream call, which has no retry.
            FILE *stream = nullptr;
            ASSERT_EQ(rseekmsg(static_cast<int>(probe), &stream), RMSG_ENOTFOUND) << probe;
        } else {
            const auto [status, text] = lookup(static_cast<int>(probe));
            ASSERT_EQ(status, 0) << probe;
            ASSERT_EQ(text, it->second) << probe;
        }
    }
}

} // namespace

TEST(MessageCatalogSearch, RandomCatalogsAgreeWithALinearScan)
{
    trwtest::TempTree tree;
    std::mt19937 rng(20261209);
    const int rounds = msgtest::sweep(24, 400);
    std::uniform_int_distribution<int> size(0, 5000);
    for (int round = 0; round < rounds; ++round) {
        const bool long_form = round % 2 == 1;
        const int count = round < 12 ? round : size(rng);
        const Texts entries = random_catalog(rng, count, long_form);
        const std::string path = tree.write("r" + std::to_string(round) + ".cat", pack(entries, long_form));
        _setmsgfile(path.c_str());
        check_against_scan(entries);
        if (HasFailure())
            FAIL() << "round " << round << " with " << count << " entries";
    }
}

TEST(MessageCatalogSearch, ChunksEndAtTheIndex)
{
    trwtest::TempTree tree;
    // Two entries with one-byte texts: a chunk of two read at the second
    // entry would run past the file.
    _setmsgfile(tree.write("small.cat", pack({{1, "a"}, {2, "b"}})).c_str());
    EXPECT_EQ(lookup(2), std::make_pair(0, std::string("b")));
    EXPECT_EQ(lookup(1), std::make_pair(0, std::string("a")));
    // Texts that follow the index and read as an entry for number 77 with
    // the text "x" at offset 0: 77 is not in the catalog.
    std::string texts;
    msgtest::put16(texts, 77);
    msgtest::put16(texts, 1);
    msgtest::put32(texts, 0);
    Texts entries{{10, "x"}, {20, "y"}, {30, texts}};
    _setmsgfile(tree.write("forged.cat", pack(entries)).c_str());
    EXPECT_EQ(lookup(77).first, RMSG_ENOTFOUND);
    EXPECT_EQ(lookup(30), std::make_pair(0, texts));
    // Five entries are one chunk; a thousand are searched in chunks of 8.
    Texts many;
    for (int i = 0; i < 1000; ++i)
        many.emplace_back(i * 3 - 1500, std::to_string(i));
    _setmsgfile(tree.write("many.cat", pack(many)).c_str());
    for (int i = 0; i < 1000; i += 37)
        EXPECT_EQ(lookup(i * 3 - 1500), std::make_pair(0, std::to_string(i)));
    EXPECT_EQ(lookup(-1499).first, RMSG_ENOTFOUND);
}

TEST(MessageCatalogSearch, CorruptCatalogsGiveTheirStatus)
{
    trwtest::TempTree tree;
    const std::string good = pack({{5, "five"}, {6, "six"}});
    struct Case {
        const char *name;
        std::string bytes;
        int status;
    };
    std::string bad_magic = good;
    bad_magic[0] = 0x12;
    bad_magic[1] = 0x34;
    std::string forged_count = good;
    forged_count[3] = 40; // 40 entries of 8 bytes do not fit
    std::string past_end = pack({{5, "five"}});
    past_end[9] = 0x7F; // the text offset points past the end
    std::string long_length = pack({{5, "five"}});
    long_length[7] = 9; // a length of 9 from offset 12 leaves the file
    const Case cases[] = {
        {"bad magic", bad_magic, RMSG_EFORMAT},
        {"empty", "", RMSG_EFORMAT},
        {"three bytes", good.substr(0, 3), RMSG_EFORMAT},
        {"forged count", forged_count, RMSG_EINDEX},
        {"index cut", good.substr(0, 15), RMSG_EINDEX},
        {"offset past the end", past_end, RMSG_EINDEX},
        {"length past the end", long_length, RMSG_EINDEX},
    };
    for (const Case &c : cases) {
        _setmsgfile(tree.write("c.cat", c.bytes).c_str());
        char buf[64];
        std::memset(buf, '#', sizeof buf);
        EXPECT_EQ(rgetmsg(5, buf, sizeof buf), c.status) << c.name;
        EXPECT_EQ(std::string(buf), "Unknown error message number '5'\n") << c.name;
    }
    _setmsgfile(tree.path("directory").c_str());
    fs::create_directory(tree.path("directory"));
    EXPECT_EQ(lookup(5).first, RMSG_EFORMAT);
}

TEST(MessageCatalogSearch, UnsortedAndDuplicateNumbersStayWithinTheFile)
{
    trwtest::TempTree tree;
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        Texts entries;
        const int n = static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i)
            entries.emplace_back(static_cast<int32_t>(rng() % 20) - 10, std::string(1 + rng() % 5, 'q'));
        _setmsgfile(tree.write("u.cat", pack(entries)).c_str());
        for (int number = -12; number <= 12; ++number) {
            const auto [status, text] = lookup(number);
            ASSERT_TRUE(status == 0 || status == RMSG_ENOTFOUND) << status;
            if (status == 0) {
                ASSERT_TRUE(std::find(entries.begin(), entries.end(), std::make_pair(number, text)) !=
                            entries.end());
            }
        }
    }
}

TEST(MessageCatalogSources, EveryMessageReadsBackFromTheInstalledCatalogs)
{
    unsetenv("DBLANG");
    unsetenv("CLIENT_LOCALE");
    int checked = 0;
    for (const fs::path &source : sources()) {
        for (const msgcat::Message &m : source_messages(source)) {
            const auto [status, text] = lookup(m.number);
            EXPECT_EQ(status, 0) << source.filename() << " " << m.number;
            EXPECT_EQ(text, m.text) << source.filename() << " " << m.number;
            ++checked;
        }
    }
    EXPECT_GE(checked, 100);
    // The catalog of -34394 needs the long form.
    const std::string locmsg = read_file(std::string(std::getenv("TARNWELLDIR")) + "/msg/en_us/0333/locmsg.twm");
    ASSERT_GE(locmsg.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(locmsg[1]), 0x69);
}

TEST(MessageCatalogSources, BuiltInTextsMatchTheCatalogSources)
{
    std::map<int, std::string> texts;
    for (const fs::path &source : sources())
        for (const msgcat::Message &m : source_messages(source))
            texts[m.number] = m.text;
    for (const rmsg::BuiltinText &row : rmsg::kInitFailureTexts)
        EXPECT_EQ(texts[row.status], row.text) << row.status;
    EXPECT_EQ(texts[rmsg::kCannotOpenText], rmsg::kCannotOpenBuiltin);
    EXPECT_EQ(texts[rmsg::kUnknownNumberText], rmsg::kUnknownNumberBuiltin);
}

namespace {

// A gencat source of the messages under set 1, numbered from 1 in order;
// every byte that is not plain printable ASCII is written as an octal escape.
std::string gencat_source(const std::vector<msgcat::Message> &messages)
{
    std::string out = "$set 1\n";
    int k = 0;
    for (const msgcat::Message &m : messages) {
        out += std::to_string(++k) + " ";
        for (std::size_t i = 0; i < m.text.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(m.text[i]);
            if (c == '\\')
                out += "\\\\";
            else if (c < 0x21 || c >= 0x7F || (i == 0 && c == ' ')) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\%03o", c);
                out += esc;
            } else
                out.push_back(static_cast<char>(c));
        }
        out += "\n";
    }
    return out;
}

// Compiles source with msgcomp (any table) and with gencat, then compares
// every text of both readers.
void compare_with_catgets(const trwtest::TempTree &tree, const std::string &name, const std::string &source)
{
    const std::string src = tree.write(name + ".msg", source);
    const std::string ours = tree.path(name + ".twm");
    ASSERT_EQ(trwtest::run_program(TRW_MSGCOMP, {"-a", src, ours}).exit_status, 0) << name;
    std::vector<msgcat::Message> messages;
    msgsrc::Error error;
    ASSERT_TRUE(msgsrc::parse(source, &messages, &error));
    const std::string gen_src = tree.write(name + ".gencat", gencat_source(messages));
    const std::string theirs = tree.path(name + ".cat");
    const std::string command = "gencat " + theirs + " " + gen_src;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    nl_catd cd = catopen(theirs.c_str(), 0);
    ASSERT_NE(cd, reinterpret_cast<nl_catd>(-1));
    _setmsgfile(ours.c_str());
    int k = 0;
    for (const msgcat::Message &m : messages) {
        const char *expected = catgets(cd, 1, ++k, "\x01missing");
        const auto [status, text] = lookup(m.number);
        EXPECT_EQ(status, 0) << name << " " << m.number;
        EXPECT_EQ(text, expected) << name << " " << m.number;
    }
    catclose(cd);
}

} // namespace

TEST(MessageCatalogOracle, CatgetsReadsTheSameTextsFromTheSameSources)
{
    if (std::system("gencat --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "gencat is not installed";
    trwtest::TempTree tree;
    for (const fs::path &source : sources())
        compare_with_catgets(tree, source.stem().string(), read_file(source.string()));
    const std::string escapes = "# escapes, an empty text and a long one\n"
                                "1 tab\\there, newline\\n, quote\\\" and backslash\\\\\n"
                                "2 octal \\101\\102\\7 hex \\x41\\x7e\n"
                                "3\n"
                                "4 \\x20leading blank, 100%% and %s\n"
                                "-5 " + std::string(3000, 'L') + "\n"
                                "70000 long-form number\n";
    compare_with_catgets(tree, "escapes", escapes);
}

TEST(MessageCatalogSearch, TextsBeyondTheInMemoryPartOfALargeFile)
{
    // A sparse file of 17 MiB: its index is kept in memory, its texts at the
    // end are read from the file.
    trwtest::TempTree tree;
    constexpr uint32_t kFar = 17u << 20;
    std::string head;
    msgtest::put16(head, 0xFE68);
    msgtest::put16(head, 2);
    for (const auto &[number, offset, length] : {std::tuple{-1, kFar, 3u}, std::tuple{4, kFar + 3, 5u}}) {
        msgtest::put16(head, static_cast<uint32_t>(number) & 0xFFFF);
        msgtest::put16(head, length);
        msgtest::put32(head, offset);
    }
    const std::string path = tree.write("large.cat", head);
    {
        std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(kFar);
        out << "farther";
    }
    _setmsgfile(path.c_str());
    EXPECT_EQ(lookup(-1), std::make_pair(0, std::string("far")));
    EXPECT_EQ(lookup(4).first, RMSG_EINDEX); // 5 bytes from kFar + 3 leave the file
}

TEST(MessageCatalogSources, EveryNumberTheKitReturnsHasAnInstalledText)
{
    unsetenv("DBLANG");
    unsetenv("CLIENT_LOCALE");
    // Ranges of numbers (first, last) the libraries return or read.
    constexpr std::pair<int, int> kRanges[] = {
        {32765, 32766}, {-202, -202},     {-406, -406},     {-415, -415},     {-608, -608},
        {-647, -647},   {-837, -837},     {-941, -941},     {-1207, -1200},   {-1215, -1210},
        {-1218, -1218}, {-1223, -1222},   {-1232, -1225},   {-1237, -1235},   {-1269, -1260},
        {-1273, -1271}, {-1279, -1275},   {-1285, -1284},   {1200, 1201},     {1206, 1207},
        {-7204, -7204}, {-7209, -7206},   {-23104, -23101}, {-23113, -23108}, {-23115, -23115},
        {-1815, -1815}, {-1821, -1821},   {-5855, -5853},   {-9602, -9602},   {-9875, -9875},
        {-9944, -9944}, {-9969, -9969},   {-9974, -9973},   {-9976, -9976},   {-9984, -9978},
        {-9987, -9986}, {-9989, -9989},   {-34394, -34394},
    };
    for (const auto &[first, last] : kRanges)
        for (int n = first; n <= last; ++n) {
            const auto [status, text] = lookup(n);
            EXPECT_EQ(status, 0) << n;
            EXPECT_FALSE(text.empty()) << n;
        }
    EXPECT_EQ(lookup(1200).second, "Sun|Mon|Tue|Wed|Thu|Fri|Sat");
    EXPECT_EQ(lookup(1206).second + "|" + lookup(1207).second,
              "January|February|March|April|May|June|July|August|September|October|November|December");
}
