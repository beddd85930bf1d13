// Differential test of every generated conversion file against glibc's
// iconv: each single character of the source code set (a sample of the
// four-byte UTF-8 ones), random valid strings, strings cut inside a
// character, invalid bytes and small output buffers. Output bytes, consumed
// input, error numbers (1, 7, 14) and substitution flags are compared.
// Differences fall in explained classes (see Explained below); any other
// difference fails. Then round trips through utf8.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iconv.h>
#include <map>
#include <random>
#include <set>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gl_conv.h"
#include "gl_errno.h"

namespace fs = std::filesystem;

namespace {

std::string cv_dir()
{
    static const bool set = setenv("TARNWELLDIR", TRW_TEST_DATA_DIR, 0) == 0;
    static_cast<void>(set);
    return std::string(std::getenv("TARNWELLDIR")) + "/gls/cv9";
}

// Code-set number -> glibc iconv name and registry name.
struct CodeSet {
    const char *iconv;
    const char *name;
};
const std::map<std::string, CodeSet> kCodeSets = {
    {"0333", {"ISO-8859-1", "8859-1"}}, {"e01c", {"UTF-8", "utf8"}},    {"04e4", {"CP1252", "1252"}},
    {"0352", {"IBM850", "850"}},         {"0390", {"ISO-8859-2", "8859-2"}}, {"0393", {"ISO-8859-5", "8859-5"}},
    {"0441", {"ISO-8859-6", "8859-6"}}, {"0394", {"ISO-8859-8", "8859-8"}}, {"e007", {"EUC-JP", "ujis"}},
    {"e006", {"SHIFT_JIS", "sjis"}},     {"e008", {"BIG5", "big5"}},          {"e00d", {"GB2312", "gb"}},
    {"e00c", {"EUC-KR", "ksc"}},         {"e01d", {"TIS-620", "thai620"}},
};

using Bytes = std::string;

struct Outcome {
    int error = 0; // 0, GL_EILSEQ, GL_EINVAL, GL_E2BIG
    size_t consumed = 0;
    Bytes out;
    int substituted = 0;
    bool operator==(const Outcome &o) const
    {
        return error == o.error && consumed == o.consumed && out == o.out;
    }
};

std::ostream &operator<<(std::ostream &os, const Outcome &o)
{
    os << "error " << o.error << " consumed " << o.consumed << " out";
    for (unsigned char c : o.out)
        os << ' ' << std::hex << int(c) << std::dec;
    return os << " subst " << o.substituted;
}

Outcome ours(gl_cvdesc *cd, const Bytes &in, size_t room)
{
    Outcome o;
    std::vector<char> buf(room + 1);
    char *ip = const_cast<char *>(in.data()), *op = buf.data();
    int il = static_cast<int>(in.size()), ol = static_cast<int>(room);
    if (gl_miconv(cd, &ip, &il, &op, &ol, &o.substituted) != 0)
        o.error = cd->error;
    o.consumed = in.size() - static_cast<size_t>(il);
    o.out.assign(buf.data(), op);
    EXPECT_EQ(ip, in.data() + o.consumed);
    EXPECT_EQ(ol, static_cast<int>(room - o.out.size()));
    return o;
}

Outcome glibc(iconv_t cd, const Bytes &in, size_t room)
{
    Outcome o;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> buf(room + 1);
    char *ip = const_cast<char *>(in.data()), *op = buf.data();
    size_t il = in.size(), ol = room;
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1))
        o.error = errno == EILSEQ ? GL_EILSEQ : errno == EINVAL ? GL_EINVAL : errno == E2BIG ? GL_E2BIG : -errno;
    o.consumed = in.size() - il;
    o.out.assign(buf.data(), op);
    return o;
}

// Every source character of the descriptor's initial trie.
void enumerate(gl_multi *trie, Bytes prefix, std::vector<Bytes> &out)
{
    if (prefix.size() == 3 && prefix[0] != '\0' && std::hash<Bytes>{}(prefix) % 16 != 0)
        return;
    for (int b = 0; b < 256; ++b) {
        Bytes key = prefix + static_cast<char>(b);
        struct {
            int error;
        } ctx{};
        int len = 0;
        const auto *e = static_cast<const unsigned char *>(_gl_retrieve_text_multi_limit(
            reinterpret_cast<const unsigned char *>(key.data()), trie, static_cast<int>(key.size()), &len, &ctx));
        if (e != nullptr) {
            if (e[0] & GL_CV_VALID)
                out.push_back(key);
        } else if (ctx.error == GL_EINVAL && key.size() < 4) {
            enumerate(trie, key, out);
        }
    }
}

// Classes of differences, each with its reason:
//  - stand_in: the target lacks the character. The file maps it to a
//    stand-in marked as a substitution (the caller learns of it through the
//    flag); iconv refuses it with EILSEQ.
//  - charmap: the charmaps this system is built from map the character to
//    another Unicode character than glibc's converter does. None is left:
//    where glibc converts a Unicode character the target's charmap lacks
//    (Shift-JIS U+005C, U+007E, U+FFE0-U+FFE2; EUC-JP U+00A5, U+203E;
//    EUC-KR U+20A9), the conversion compiler takes the one-way mappings of
//    data/oneway-mappings.list, and conversions out of those code sets keep
//    to the charmaps (Shift-JIS 5C is YEN SIGN, as in glibc).
//  - glibc_only: a byte sequence glibc's converter accepts that the charmap
//    does not define (user-defined areas, unassigned code points); this
//    system refuses it with GL_EILSEQ.
struct Tally {
    int same = 0, stand_in = 0, charmap = 0, glibc_only = 0, other = 0;
    std::vector<std::string> samples;
};

class Generated : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        std::string f = GetParam();
        src = kCodeSets.at(f.substr(0, 4));
        dst = kCodeSets.at(f.substr(4, 4));
        ASSERT_EQ(gl_cv_load(&cd, dst.name, src.name, nullptr, nullptr), 1) << f;
        ref = iconv_open(dst.iconv, src.iconv);
        ASSERT_NE(ref, reinterpret_cast<iconv_t>(-1));
        enumerate(cd->trie[0], "", chars);
        ASSERT_GT(chars.size(), 100u);
    }
    void TearDown() override
    {
        gl_cv_unload(cd);
        if (ref != reinterpret_cast<iconv_t>(-1))
            iconv_close(ref);
    }
    CodeSet src{}, dst{};
    gl_cvdesc *cd = nullptr;
    iconv_t ref = reinterpret_cast<iconv_t>(-1);
    std::vector<Bytes> chars;
};

std::string hex(const Bytes &b)
{
    std::string s;
    char x[4];
    for (unsigned char c : b) {
        std::snprintf(x, sizeof x, "%02x", c);
        s += x;
    }
    return s;
}

TEST_P(Generated, AgreesWithIconv)
{
    Tally t;
    std::vector<Bytes> agreeing;
    for (const Bytes &c : chars) {
        Outcome a = ours(cd, c, 16), b = glibc(ref, c, 16);
        if (a == b && a.substituted == 0) {
            ++t.same;
            if (c != Bytes(1, '\0'))
                agreeing.push_back(c);
        } else if (a.substituted && a.error == 0 && b.error == GL_EILSEQ) {
            ++t.stand_in;
        } else if (a.error == 0 && b.error == 0 && a.consumed == b.consumed) {
            ++t.charmap;
            if (t.samples.size() < 4)
                t.samples.push_back(hex(c) + "->" + hex(a.out) + "/" + hex(b.out));
        } else {
            ++t.other;
            ADD_FAILURE() << "character " << hex(c) << ": ours " << a << ", iconv " << b;
            if (t.other > 5)
                break;
        }
    }
    // Single-byte sources: every byte; the ones outside the charmap.
    if (cd->source_max_len == 1)
        for (int v = 0; v < 256; ++v) {
            Bytes c(1, static_cast<char>(v));
            Outcome a = ours(cd, c, 16), b = glibc(ref, c, 16);
            if (a.error == GL_EILSEQ && b.error == 0) {
                ++t.glibc_only;
            } else if (a.error == GL_EILSEQ) {
                EXPECT_EQ(b.error, GL_EILSEQ) << hex(c);
            }
        }
    std::cout << GetParam() << ": " << t.same << " same, " << t.stand_in << " stand-ins, " << t.charmap
              << " charmap differences, " << t.glibc_only << " only glibc accepts";
    for (const std::string &s : t.samples)
        std::cout << ' ' << s;
    std::cout << '\n';
    EXPECT_EQ(t.other, 0);
    // What still differs is the stand-ins and what only glibc accepts.
    EXPECT_EQ(t.charmap, 0) << "charmap differences";

    // Random strings of agreeing characters, whole, cut, with invalid
    // bytes, and into small buffers.
    ASSERT_FALSE(agreeing.empty());
    std::mt19937 rng(12345);
    for (int round = 0; round < 300; ++round) {
        Bytes s;
        std::vector<size_t> starts;
        int n = 1 + static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) {
            starts.push_back(s.size());
            s += agreeing[rng() % agreeing.size()];
        }
        Outcome a = ours(cd, s, s.size() * 4 + 8), b = glibc(ref, s, s.size() * 4 + 8);
        ASSERT_EQ(a, b) << hex(s);
        ASSERT_EQ(a.substituted, 0);
        // Cut inside the last character when it has several bytes.
        if (s.size() - starts.back() > 1) {
            Bytes cut = s.substr(0, s.size() - 1);
            Outcome ca = ours(cd, cut, 256), cb = glibc(ref, cut, 256);
            ASSERT_EQ(ca, cb) << "cut " << hex(cut);
            ASSERT_EQ(ca.error, GL_EINVAL);
        }
        // Output space a few bytes short.
        size_t room = a.out.size() - std::min<size_t>(a.out.size(), 1 + rng() % 4);
        Outcome sa = ours(cd, s, room), sb = glibc(ref, s, room);
        ASSERT_EQ(sa, sb) << "room " << room << ' ' << hex(s);
        if (room < a.out.size()) {
            ASSERT_EQ(sa.error, GL_E2BIG);
        }
        // An invalid byte in the middle (0xFF is no character in any of
        // these code sets, nor a lead byte).
        if (cd->source_max_len > 1) {
            size_t at = starts[rng() % starts.size()];
            Bytes bad = s.substr(0, at) + '\xFF' + s.substr(at);
            Outcome ia = ours(cd, bad, bad.size() * 4 + 8), ib = glibc(ref, bad, bad.size() * 4 + 8);
            ASSERT_EQ(ia, ib) << "invalid at " << at << ' ' << hex(bad);
            ASSERT_EQ(ia.error, GL_EILSEQ);
        }
    }
}

std::vector<std::string> generated_files()
{
    std::vector<std::string> out;
    for (const auto &e : fs::directory_iterator(cv_dir())) {
        std::string n = e.path().filename().string();
        if (n.size() == 12 && n.find('_') == std::string::npos && e.path().extension() == ".cvo")
            out.push_back(n.substr(0, 8));
    }
    std::sort(out.begin(), out.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(Files, Generated, testing::ValuesIn(generated_files()));

// ---- round trips through utf8 ----

class RoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(RoundTrip, ThroughUtf8IsLossless)
{
    cv_dir();
    const std::string name = GetParam();
    gl_cvdesc *to = nullptr, *from = nullptr;
    ASSERT_EQ(gl_iconv_open(&to, "utf8", name.c_str()), 1);
    ASSERT_EQ(gl_iconv_open(&from, name.c_str(), "utf8"), 1);
    std::vector<Bytes> chars;
    enumerate(to->trie[0], "", chars);
    Bytes all;
    for (const Bytes &c : chars) {
        Outcome u = ours(to, c, 16);
        ASSERT_EQ(u.error, 0) << hex(c);
        ASSERT_EQ(u.substituted, 0) << hex(c);
        Outcome back = ours(from, u.out, 16);
        ASSERT_EQ(back.error, 0) << hex(c);
        EXPECT_EQ(back.out, c) << hex(c) << " via " << hex(u.out);
        EXPECT_EQ(back.substituted, 0);
        all += c;
    }
    // The whole repertoire in one call each way.
    Outcome u = ours(to, all, all.size() * 4);
    ASSERT_EQ(u.error, 0);
    Outcome back = ours(from, u.out, all.size());
    EXPECT_EQ(back.error, 0);
    EXPECT_TRUE(back.out == all);
    gl_cv_unload(to);
    gl_cv_unload(from);
}

INSTANTIATE_TEST_SUITE_P(CodeSets, RoundTrip,
                         testing::Values("8859-1", "1252", "850", "8859-2", "8859-5", "8859-6", "8859-8",
                                         "ujis", "sjis", "big5", "gb", "ksc", "thai620"),
                         [](const testing::TestParamInfo<std::string> &p) {
                             std::string n = p.param;
                             for (char &c : n)
                                 if (c == '-')
                                     c = '_';
                             return n;
                         });

} // namespace

// ---- one-way mappings ----

// Every line of data/oneway-mappings.list: UTF-8 converts to the listed
// bytes as iconv does, without a substitution; the bytes convert back to
// the character of the charmap (not the one-way source), as iconv does.
TEST(OneWay, IntoTheCodeSetAsIconvAndBackByTheCharmap)
{
    std::ifstream list(TRW_SOURCE_DIR "/data/oneway-mappings.list");
    ASSERT_TRUE(list.good());
    std::map<std::string, std::string> name_of; // iconv name -> registry name
    for (const auto &[number, cs] : kCodeSets)
        name_of[cs.iconv] = cs.name;
    int lines = 0;
    for (std::string line; std::getline(list, line);) {
        std::istringstream fields(line);
        std::string charmap, ucs, hexbytes;
        if (!(fields >> charmap) || charmap[0] == '#')
            continue;
        ASSERT_TRUE(fields >> ucs >> hexbytes) << line;
        ASSERT_TRUE(name_of.count(charmap)) << line;
        ++lines;
        char32_t u = static_cast<char32_t>(std::stoul(ucs.substr(2), nullptr, 16));
        std::string utf8;
        if (u < 0x80) {
            utf8 = std::string(1, static_cast<char>(u));
        } else if (u < 0x800) {
            utf8 = {static_cast<char>(0xC0 | (u >> 6)), static_cast<char>(0x80 | (u & 0x3F))};
        } else {
            utf8 = {static_cast<char>(0xE0 | (u >> 12)), static_cast<char>(0x80 | ((u >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (u & 0x3F))};
        }
        gl_cvdesc *to = nullptr, *from = nullptr;
        ASSERT_EQ(gl_cv_load(&to, name_of[charmap].c_str(), "utf8", nullptr, nullptr), 1) << line;
        ASSERT_EQ(gl_cv_load(&from, "utf8", name_of[charmap].c_str(), nullptr, nullptr), 1) << line;
        iconv_t ref_to = iconv_open(charmap.c_str(), "UTF-8"), ref_from = iconv_open("UTF-8", charmap.c_str());
        Outcome a = ours(to, utf8, 16), b = glibc(ref_to, utf8, 16);
        EXPECT_EQ(a, b) << line;
        EXPECT_EQ(a.substituted, 0) << line;
        EXPECT_EQ(hex(a.out), [&] {
            std::string h = hexbytes;
            for (char &c : h)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return h;
        }()) << line;
        Outcome back = ours(from, a.out, 16), ref_back = glibc(ref_from, a.out, 16);
        EXPECT_EQ(back, ref_back) << line;
        EXPECT_NE(back.out, utf8) << line << ": one way only";
        iconv_close(ref_to);
        iconv_close(ref_from);
        gl_cv_unload(to);
        gl_cv_unload(from);
    }
    EXPECT_GE(lines, 8);
}
