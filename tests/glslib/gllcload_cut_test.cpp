// Damaged data files: every locale and conversion file of the data tree, cut
// at every section boundary, at random points and every few bytes of the
// small sections, loads with a format error number, never the memory error
// and never a crash. The client then reports a bad locale (-23101), not "no
// memory" (-23102). TRW_TEST_FULL=1 cuts every byte of the small sections
// and many more random points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "decconv.h"
#include "gl_conv.h"
#include "gl_errno.h"
#include "gl_locale.h"
#include "glslib/temp_tree.h"
#include "support/child_process.h"

namespace fs = std::filesystem;
using trwtest::TempTree;

namespace {

bool full_sweep() { return std::getenv("TRW_TEST_FULL") != nullptr && std::strcmp(std::getenv("TRW_TEST_FULL"), "1") == 0; }

std::string data_dir() { return std::getenv("TARNWELLDIR"); }

std::string slurp(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<fs::path> files_with(const std::string &dir, const std::string &ext)
{
    std::vector<fs::path> out;
    for (const auto &e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file() && e.path().extension() == ext)
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

// Offset of the first byte that only white space follows.
size_t content_end(const std::string &s)
{
    size_t n = s.size();
    while (n > 0 && std::isspace(static_cast<unsigned char>(s[n - 1])))
        --n;
    return n;
}

// Section markers of a locale file: offsets of the "### LC_" lines.
std::vector<size_t> markers(const std::string &s)
{
    std::vector<size_t> out;
    for (size_t at = s.find("### LC_"); at != std::string::npos; at = s.find("### LC_", at + 1))
        out.push_back(at);
    return out;
}

std::vector<size_t> random_cuts(size_t size, int count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<size_t> out;
    for (int i = 0; i < count && size > 0; ++i)
        out.push_back(rng() % size);
    return out;
}

// Cut points for whole-file loads: around every marker and at random
// points (fewer in the large multibyte files, whose loads are slow).
std::vector<size_t> whole_file_cuts(const std::string &s, unsigned seed)
{
    std::vector<size_t> cuts = {0, 1, s.size() / 2};
    for (size_t at : markers(s))
        for (long d : {-1L, 0L, 5L, 20L})
            if (static_cast<long>(at) + d >= 0 && at + d < s.size())
                cuts.push_back(at + d);
    int count = full_sweep() ? 400 : s.size() > 200000 ? 6 : 30;
    std::vector<size_t> r = random_cuts(s.size(), count, seed);
    cuts.insert(cuts.end(), r.begin(), r.end());
    return cuts;
}

struct Loaded {
    gl_locale *loc = nullptr;
    char *names = nullptr;
    int error = 0;
    ~Loaded()
    {
        gl_destroystring(names);
        gl_lc_unload(loc);
    }
};

// Loads category (1 = all) of the file named into l's record (a new record
// the first time).
void load(Loaded &l, int category, const std::string &name)
{
    if (l.loc == nullptr) {
        ASSERT_EQ(gl_create_null_locale_4(&l.loc), 0);
    }
    gl_destroystring(l.names);
    l.names = gl_setlocale_4(l.loc, category, name.c_str());
    l.error = l.loc->error;
}

class CutLocale : public testing::TestWithParam<fs::path> {
protected:
    void SetUp() override
    {
        whole = slurp(GetParam());
        ASSERT_EQ(markers(whole).size(), 6u) << GetParam();
    }
    // A name with the path cookie opens the file directly.
    std::string cookie_name(const char *file) const { return tree.root() + "\xff" + file; }
    std::string whole;
    TempTree tree;
};

TEST_P(CutLocale, WholeFileLoadsWithAFormatError)
{
    // The first two lines: a cut there is a wrong version line.
    const size_t version_end = whole.find('\n', whole.find('\n') + 1);
    int failures = 0;
    for (size_t cut : whole_file_cuts(whole, static_cast<unsigned>(whole.size()))) {
        tree.write("c.lco", whole.substr(0, cut));
        Loaded l;
        load(l, 1, cookie_name("c.lco"));
        bool ok = cut >= content_end(whole)
                      ? l.names != nullptr && l.error == 0
                      : l.names == nullptr && (l.error == GL_EFORMAT || (l.error == GL_EVERSION && cut <= version_end));
        if (!ok && ++failures <= 5)
            ADD_FAILURE() << GetParam().filename() << " cut at " << cut << " of " << whole.size() << ": error "
                          << l.error << (l.names != nullptr ? " (loaded)" : "");
    }
    EXPECT_EQ(failures, 0);
}

// NUMERIC, MONETARY, TIME and MESSAGES cut every few bytes (every byte with
// TRW_TEST_FULL=1), each reloaded alone into a locale whose other
// categories come from the whole file.
TEST_P(CutLocale, SmallSectionsLoadWithAFormatError)
{
    const std::vector<size_t> m = markers(whole);
    tree.write("w.lco", whole);
    Loaded l;
    load(l, 1, cookie_name("w.lco"));
    ASSERT_NE(l.names, nullptr) << "error " << l.error;
    const size_t step = full_sweep() ? 1 : 7;
    int failures = 0;
    for (int slot = 2; slot < 6; ++slot) {
        const size_t end = content_end(whole.substr(0, slot + 1 < 6 ? m[slot + 1] : whole.size()));
        for (size_t cut = m[slot]; cut <= end; cut += step) {
            tree.write("c.lco", whole.substr(0, cut));
            load(l, slot + 2, cookie_name("c.lco")); // loading numbers: 4 NUMERIC .. 7 MESSAGES
            bool ok = cut >= end ? l.names != nullptr && l.error == 0 : l.names == nullptr && l.error == GL_EFORMAT;
            if (!ok && ++failures <= 5)
                ADD_FAILURE() << GetParam().filename() << " section " << slot << " cut at " << cut << ": error "
                              << l.error << (l.names != nullptr ? " (loaded)" : "");
        }
    }
    EXPECT_EQ(failures, 0);
}

std::vector<fs::path> locale_files() { return files_with(data_dir() + "/gls/lc11", ".lco"); }

std::string file_label(const testing::TestParamInfo<fs::path> &info)
{
    std::string s = info.param.parent_path().filename().string() + "_" + info.param.stem().string();
    for (char &c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return s;
}

INSTANTIATE_TEST_SUITE_P(DataTree, CutLocale, testing::ValuesIn(locale_files()), file_label);

// Conversion files: a cut anywhere is error 8 (file missing or malformed).
class CutConversion : public testing::TestWithParam<fs::path> {};

TEST_P(CutConversion, LoadsWithTheFileError)
{
    const std::string whole = slurp(GetParam());
    const std::string name = GetParam().filename().string();
    const std::string source = std::to_string(std::stoul(name.substr(0, 4), nullptr, 16));
    const std::string target = std::to_string(std::stoul(name.substr(4, 4), nullptr, 16));
    TempTree tree;
    std::vector<size_t> cuts = {0, 1, whole.find("\n") + 1, whole.size() / 2};
    std::vector<size_t> r = random_cuts(content_end(whole), full_sweep() ? 300 : 30, static_cast<unsigned>(whole.size()));
    cuts.insert(cuts.end(), r.begin(), r.end());
    int failures = 0;
    for (size_t cut : cuts) {
        tree.write(name, whole.substr(0, cut));
        gl_cvdesc *cd = nullptr;
        int r = gl_cv_load(&cd, target.c_str(), source.c_str(), nullptr, tree.root().c_str());
        int error = cd != nullptr ? cd->error : -1;
        gl_cv_unload(cd);
        if ((r != -1 || error != GL_EFILEERR) && ++failures <= 5)
            ADD_FAILURE() << name << " cut at " << cut << " of " << whole.size() << ": result " << r
                          << " error " << error;
    }
    EXPECT_EQ(failures, 0);
}

std::vector<fs::path> conversion_files()
{
    std::vector<fs::path> out;
    for (const fs::path &p : files_with(data_dir() + "/gls/cv9", ".cvo"))
        if (p.filename().string().size() == 12 && p.filename().string().find('_') == std::string::npos)
            out.push_back(p);
    return out;
}

INSTANTIATE_TEST_SUITE_P(DataTree, CutConversion, testing::ValuesIn(conversion_files()),
                         [](const testing::TestParamInfo<fs::path> &info) { return info.param.stem().string(); });

// Values that a whole file carries wrongly: a bad first line, a weight that
// names an expansion beyond the list, a row count below the rows the weight
// trie uses. Each loads with the format error.
TEST(DamagedLocale, WrongValuesLoadWithAFormatError)
{
    const std::string whole = slurp(data_dir() + "/gls/lc11/de_de/0333.lco");
    TempTree tree;
    auto load_text = [&](const std::string &text) {
        tree.write("d.lco", text);
        Loaded l;
        load(l, 1, tree.root() + "\xff" + "d.lco");
        return l.names != nullptr ? 0 : l.error;
    };
    ASSERT_EQ(load_text(whole), 0);
    Loaded good;
    load(good, 1, tree.root() + "\xff" + "d.lco");
    ASSERT_NE(good.names, nullptr);
    EXPECT_EQ(load_text("FILE_TYPE=locale_objext" + whole.substr(whole.find('\n'))), GL_EFORMAT);

    // The collation counts line: "0 rows levels elements expansions maximum".
    const gl_locale *loc = good.loc;
    const std::string counts = "\n0 " + std::to_string(loc->highest_row) + " " + std::to_string(loc->levels) + " " +
                               std::to_string(loc->element_count) + " " + std::to_string(loc->expansion_count) +
                               " " + std::to_string(loc->max_weight) + "\n";
    const size_t at = whole.find(counts, whole.find("### LC_COLLATE"));
    ASSERT_NE(at, std::string::npos) << counts;
    ASSERT_GT(loc->expansion_count, 0);

    // The tokens after it: level flags, elements (count, row, codes),
    // expansions (count, codes), then the first weight.
    std::istringstream in(whole.substr(at + counts.size()));
    std::string token;
    for (int i = 0; i < loc->levels; ++i)
        in >> token;
    for (int i = 0; i < loc->element_count; ++i) {
        in >> token;
        const int k = std::stoi(token, nullptr, 16);
        for (int j = 0; j <= k; ++j)
            in >> token;
    }
    for (int i = 0; i < loc->expansion_count; ++i) {
        in >> token;
        const int k = std::stoi(token, nullptr, 16);
        for (int j = 0; j < k; ++j)
            in >> token;
    }
    in >> std::ws;
    const size_t weight = at + counts.size() + static_cast<size_t>(in.tellg());
    ASSERT_EQ(whole.substr(weight, 4).find_first_not_of("0123456789abcdef"), std::string::npos);
    std::string beyond = whole;
    beyond.replace(weight, 4, "7fff"); // expansion 0x3fff
    EXPECT_EQ(load_text(beyond), GL_EFORMAT);

    std::string fewer_rows = whole;
    const std::string rows = " " + std::to_string(loc->highest_row) + " ";
    fewer_rows.replace(at + 2, rows.size(), " 1 ");
    EXPECT_EQ(load_text(fewer_rows), GL_EFORMAT);

    // Rows enough for the elements but not for the weight trie's values.
    int element_rows = 0;
    for (int i = 0; i < loc->element_count; ++i)
        element_rows = std::max(element_rows, static_cast<int>(loc->elements[i].row));
    ASSERT_LT(element_rows, loc->highest_row);
    std::string fewer_trie_rows = whole;
    fewer_trie_rows.replace(at + 2, rows.size(), " " + std::to_string(element_rows) + " ");
    EXPECT_EQ(load_text(fewer_trie_rows), GL_EFORMAT);

    // A level flag other than 1 (forward) or 2 (backward).
    const size_t flags = at + counts.size();
    ASSERT_EQ(whole.substr(flags, 4), "0001");
    std::string bad_flag = whole;
    bad_flag.replace(flags, 4, "0003");
    EXPECT_EQ(load_text(bad_flag), GL_EFORMAT);

    // A case-pair count below the pairs the case trie names.
    ASSERT_GT(loc->case_pair_count, 1);
    const std::string pair_count = "\n" + std::to_string(loc->case_pair_count) + "\n";
    const size_t pairs_at = whole.find(pair_count, whole.find("### LC_CTYPE"));
    ASSERT_LT(pairs_at, whole.find("### LC_COLLATE"));
    std::string fewer_pairs = whole;
    fewer_pairs.replace(pairs_at, pair_count.size(), "\n1\n");
    EXPECT_EQ(load_text(fewer_pairs), GL_EFORMAT);

    // A header that ends after its version line.
    const size_t version_end = whole.find('\n', whole.find('\n') + 1);
    EXPECT_EQ(load_text(whole.substr(0, version_end + 1)), GL_EFORMAT);
}

// A UTF-8 locale whose decimal point is a byte no UTF-8 character starts
// with: the record cannot hold its wide form and the load fails.
TEST(DamagedLocale, InvalidCharacterInANumericStringFailsTheLoad)
{
    const std::string whole = slurp(data_dir() + "/gls/lc11/en_us/e01c.lco");
    const std::string point = "### LC_NUMERIC\n1 2e\n";
    ASSERT_NE(whole.find(point), std::string::npos);
    TempTree tree;
    std::string damaged = whole;
    damaged.replace(damaged.find(point), point.size(), "### LC_NUMERIC\n1 ff\n");
    tree.write("u.lco", damaged);
    Loaded l;
    load(l, 1, tree.root() + "\xff" + "u.lco");
    EXPECT_EQ(l.names, nullptr);
    EXPECT_EQ(l.error, GL_EILSEQ);
}

// A file that goes on past the 64 MB a locale file may have (white space
// after its CTYPE marker) is a format error, not a read without end.
TEST(DamagedLocale, FileLongerThanALocaleFileMayBeIsAFormatError)
{
    const std::string whole = slurp(data_dir() + "/gls/lc11/de_de/0333.lco");
    const size_t ctype = whole.find("### LC_CTYPE\n");
    ASSERT_NE(ctype, std::string::npos);
    TempTree tree;
    const size_t marker_end = ctype + std::strlen("### LC_CTYPE\n");
    tree.write("l.lco", whole.substr(0, marker_end) + std::string(size_t{65} << 20, ' ') + whole.substr(marker_end));
    Loaded l;
    load(l, 1, tree.root() + "\xff" + "l.lco");
    EXPECT_EQ(l.names, nullptr);
    EXPECT_EQ(l.error, GL_EFORMAT);
}

// A client whose locale file is cut inside its TIME section learns that the
// locale is bad, not that memory ran out.
TEST(CutClientLocale, ReportsTheLocaleNotMemory)
{
    const std::string whole = slurp(data_dir() + "/gls/lc11/de_de/0333.lco");
    std::vector<size_t> m = markers(whole);
    ASSERT_EQ(m.size(), 6u);
    TempTree tree;
    fs::create_directories(tree.path("gls/lc11/de_de"));
    fs::copy(data_dir() + "/gls/cm3", tree.path("gls/cm3"), fs::copy_options::recursive);
    fs::copy(data_dir() + "/gls/lc11/en_us", tree.path("gls/lc11/en_us"), fs::copy_options::recursive);
    for (size_t cut : {m[4] + 40, (m[4] + m[5]) / 2, m[5] - 3}) {
        tree.write("gls/lc11/de_de/0333.lco", whole.substr(0, cut));
        trwtest::ChildResult r = trwtest::run_function([&] {
            setenv("TARNWELLDIR", tree.root().c_str(), 1);
            setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
            decvalue d;
            std::printf("%d", deccvasc("12,50", 5, &d));
            return 0;
        });
        EXPECT_EQ(r.out, "-23101") << "cut at " << cut;
    }
}

} // namespace
