// The glibc oracle for collation: words of each locale's code set sorted by
// glibc's strcoll_l (the same sources compiled by glibc's localedef); every
// neighbouring pair and a few thousand random pairs must agree in sign with
// our slots, the general routine, the counted forms (also on cut copies),
// the wide forms and the byte order of our sort keys, and the three keys
// must be identical.
//
// Left out: characters the compiler's exception list tags folded, unordered
// or approximate (not ordered as glibc orders them). Characters tagged
// expansion (exact at the first level through an expansion, ß as s s,
// approximated below it) count only in pairs that glibc decides at the
// first level (its keys differ before the first byte 1); the others, and
// the pairs on which glibc's strcoll_l and strxfrm_l disagree, are skipped. zh_CN's punctuation is ignorable at the first levels and ordered
// by its position at the last one in glibc, which the compiled file does not
// carry: there the words hold no such characters. The counts are printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "gl_char.h"
#include "gl_coll.h"
#include "gl_locale.h"

extern "C" const char *__lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace {

struct Case {
    const char *ours;
    const char *glibc;
    bool ignorables = true; // words may hold characters ignorable at the first level
};

const Case kCases[] = {
    {"en_US.8859-1", "en_US.ISO-8859-1"}, {"de_DE.8859-1", "de_DE.ISO-8859-1"},
    {"fr_FR.8859-1", "fr_FR.ISO-8859-1"}, {"pl_PL.8859-2", "pl_PL.ISO-8859-2"},
    {"ru_RU.8859-5", "ru_RU.ISO-8859-5"}, {"en_US.utf8", "en_US.UTF-8"},
    {"ja_JP.ujis", "ja_JP.EUC-JP"},       {"ja_JP.utf8", "ja_JP.UTF-8"},
    {"ko_KR.ksc", "ko_KR.EUC-KR"},        {"zh_CN.gb", "zh_CN.GB2312", false},
};

int sign(int v) { return (v > 0) - (v < 0); }

bool full_run() { return std::getenv("TRW_TEST_FULL") != nullptr; }

std::string utf8(uint32_t u)
{
    std::string s;
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
    return s;
}

// Candidate characters of a code set, as byte strings.
std::vector<std::string> candidates(const std::string &codeset_name)
{
    std::vector<std::string> out;
    bool utf = codeset_name.find("utf8") != std::string::npos;
    bool single = codeset_name.find("8859") != std::string::npos;
    if (single) {
        for (int b = 0x20; b < 256; ++b)
            out.emplace_back(1, static_cast<char>(b));
    } else if (utf) {
        for (uint32_t u = 0x20; u < 0x250; ++u)
            out.push_back(utf8(u));
        for (uint32_t u : {0x391u, 0x3B1u, 0x3B2u, 0x410u, 0x430u, 0x451u, 0x3042u, 0x30A2u, 0x4E00u})
            out.push_back(utf8(u));
    } else {
        for (int b = 0x20; b < 0x7F; ++b)
            out.emplace_back(1, static_cast<char>(b));
        for (int lead : {0xA4, 0xA5, 0xB0, 0xC1})
            for (int t = 0xA1; t < 0xFF; ++t)
                out.push_back(std::string{static_cast<char>(lead), static_cast<char>(t)});
    }
    return out;
}

// The exception list the compiler wrote beside the locale: the characters
// with the tag (or, for an empty tag, with any tag but "expansion").
std::set<std::string> exceptions(const std::string &name, const std::string &wanted)
{
    std::set<std::string> out;
    std::ifstream in(std::string(LOCALE_BUILD_DIR) + "/" + name + ".folded");
    std::string hex, tag;
    while (in >> hex >> tag) {
        std::string bytes;
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        if (wanted.empty() ? tag != "expansion" : tag == wanted)
            out.insert(bytes);
    }
    return out;
}

struct Oracle {
    gl_locale *ours = nullptr;
    locale_t glibc = nullptr;
    std::vector<std::string> alphabet, ignorables;
    std::map<std::string, std::vector<std::string>> classes; // first-level segment -> characters
    std::set<std::string> expanding;                         // tagged "expansion"
    int excluded = 0;

    explicit Oracle(const Case &c)
    {
        setenv("LOCPATH", GLIBC_LOCALES, 1);
        gl_lc_load(&ours, c.ours, nullptr, nullptr);
        glibc = newlocale(LC_ALL_MASK, c.glibc, nullptr);
    }
    ~Oracle()
    {
        gl_lc_unload(ours);
        if (glibc)
            freelocale(glibc);
    }

    std::string key(const std::string &s) const
    {
        std::string k(s.size() * 16 + 64, '\0');
        size_t n = strxfrm_l(k.data(), s.c_str(), k.size(), glibc);
        if (n >= k.size()) {
            k.resize(n + 1);
            n = strxfrm_l(k.data(), s.c_str(), k.size(), glibc);
        }
        k.resize(n);
        return k;
    }
    std::string first_segment(const std::string &s) const
    {
        std::string k = key(s);
        return k.substr(0, k.find('\1'));
    }
    bool glibc_char(const std::string &s) const
    {
        locale_t old = uselocale(glibc);
        std::mbstate_t st{};
        wchar_t w;
        size_t n = std::mbrtowc(&w, s.data(), s.size(), &st);
        bool ok = n == s.size() && std::iswprint(w);
        uselocale(old);
        return ok;
    }
    bool holds_expanding(const std::string &s) const
    {
        for (const std::string &e : expanding)
            if (s.find(e) != std::string::npos)
                return true;
        return false;
    }
    void build_alphabet(const std::string &name, bool keep_ignorables)
    {
        std::set<std::string> skip = exceptions(name, "");
        expanding = exceptions(name, "expansion");
        std::vector<std::string> valid;
        for (const std::string &c : candidates(name)) {
            if (!glibc_char(c) || gl_full_mblen(ours, c.c_str(), -1) != static_cast<int>(c.size()))
                continue;
            valid.push_back(c);
        }
        for (const std::string &c : valid) {
            std::string seg = first_segment(c);
            if (skip.count(c)) {
                ++excluded;
                continue;
            }
            if (seg.empty() && !keep_ignorables) {
                ++excluded;
                continue;
            }
            if (seg.empty())
                ignorables.push_back(c);
            else
                alphabet.push_back(c);
            classes[seg].push_back(c);
        }
    }
};

// About a thousand words: random words, variants of base words (characters
// exchanged within their first-level class, ignorables inserted) and groups
// sharing 12 to 18 characters.
std::vector<std::string> words(const Oracle &o, std::mt19937 &rng, int count)
{
    std::vector<std::string> out;
    auto pick = [&](const std::vector<std::string> &v) { return v[rng() % v.size()]; };
    auto random_word = [&](int len) {
        std::vector<std::string> w;
        for (int i = 0; i < len; ++i)
            w.push_back(pick(o.alphabet));
        return w;
    };
    auto join = [](const std::vector<std::string> &w) {
        std::string s;
        for (const std::string &c : w)
            s += c;
        return s;
    };
    while (static_cast<int>(out.size()) < count) {
        std::vector<std::string> base = random_word(1 + rng() % 10);
        out.push_back(join(base));
        for (int v = 0; v < 3; ++v) {
            std::vector<std::string> w = base;
            for (std::string &c : w) {
                const auto &cls = o.classes.at(o.first_segment(c));
                if (rng() % 2)
                    c = pick(cls);
            }
            if (!o.ignorables.empty() && rng() % 2)
                w.insert(w.begin() + rng() % (w.size() + 1), pick(o.ignorables));
            out.push_back(join(w));
        }
        std::vector<std::string> prefix = random_word(12 + rng() % 7);
        for (int g = 0; g < 3; ++g) {
            std::vector<std::string> w = prefix;
            std::vector<std::string> tail = random_word(rng() % 4);
            w.insert(w.end(), tail.begin(), tail.end());
            out.push_back(join(w));
        }
    }
    return out;
}

struct Counts {
    int pairs = 0, skipped = 0, disagreements = 0;
};

std::string our_key(gl_locale *loc, int (*fn)(gl_locale *, unsigned char *, const unsigned char *, int),
                    const std::string &s)
{
    int n = fn(loc, nullptr, reinterpret_cast<const unsigned char *>(s.c_str()), 0);
    std::string k(static_cast<size_t>(n) + 1, '\0');
    fn(loc, reinterpret_cast<unsigned char *>(k.data()), reinterpret_cast<const unsigned char *>(s.c_str()), n + 1);
    k.resize(n);
    return k;
}

std::string wide_key(gl_locale *loc, const std::vector<gl_wchar_t> &w)
{
    int n = gl_wcsxfrm(loc, nullptr, w.data(), 0);
    std::string k(static_cast<size_t>(n) + 1, '\0');
    gl_wcsxfrm(loc, reinterpret_cast<unsigned char *>(k.data()), w.data(), n + 1);
    k.resize(n);
    return k;
}

std::vector<gl_wchar_t> widen(gl_locale *loc, const std::string &s)
{
    std::vector<gl_wchar_t> w(s.size() + 1);
    int n = gl_mbstowcs(loc, w.data(), s.c_str(), static_cast<int>(w.size()));
    w.resize(n < 0 ? 0 : n);
    w.push_back(0);
    return w;
}

void check_pair(Oracle &o, const std::string &a, const std::string &b, Counts &c, const char *name)
{
    int g = sign(strcoll_l(a.c_str(), b.c_str(), o.glibc));
    if (g != sign(o.key(a).compare(o.key(b))) ||
        ((o.holds_expanding(a) || o.holds_expanding(b)) && o.first_segment(a) == o.first_segment(b))) {
        ++c.skipped;
        return;
    }
    ++c.pairs;
    gl_locale *loc = o.ours;
    const auto *ua = reinterpret_cast<const unsigned char *>(a.c_str());
    const auto *ub = reinterpret_cast<const unsigned char *>(b.c_str());
    int na = static_cast<int>(a.size()), nb = static_cast<int>(b.size());
    std::vector<gl_wchar_t> wa = widen(loc, a), wb = widen(loc, b);
    std::string ka = our_key(loc, loc->coll_transform, a), kb = our_key(loc, loc->coll_transform, b);
    int results[] = {loc->coll_compare(loc, ua, ub),
                     _gl_im_mbscoll(loc, ua, ub),
                     loc->coll_ncompare(loc, ua, na, ub, nb),
                     _trw_gl_im_mbfscoll(loc, ua, na, ub, nb),
                     gl_full_wcscoll(loc, wa.data(), wb.data()),
                     _trw_gl_full_wcscoll(loc, wa.data(), static_cast<int>(wa.size()) - 1, wb.data(),
                                          static_cast<int>(wb.size()) - 1),
                     ka.compare(kb)};
    bool bad = false;
    for (int r : results)
        bad = bad || sign(r) != g;
    bad = bad || ka != our_key(loc, gl_full_mbsxfrm, a) || ka != wide_key(loc, wa);
    if (bad && ++c.disagreements <= 5) {
        std::string detail;
        for (int r : results)
            detail += " " + std::to_string(sign(r));
        ADD_FAILURE() << name << ": \"" << a << "\" vs \"" << b << "\" glibc " << g << " ours" << detail;
    }
}

// A prefix of s cut at a character boundary after at most limit bytes.
std::string cut(gl_locale *loc, const std::string &s, size_t limit)
{
    size_t at = 0;
    while (at < s.size()) {
        int n = gl_full_mblen(loc, s.c_str() + at, -1);
        if (n <= 0 || at + n > limit)
            break;
        at += n;
    }
    return s.substr(0, at);
}

void check_prefixes(Oracle &o, const std::string &a, const std::string &b, std::mt19937 &rng, Counts &c,
                    const char *name)
{
    std::string pa = cut(o.ours, a, rng() % (a.size() + 1)), pb = cut(o.ours, b, rng() % (b.size() + 1));
    int g = sign(strcoll_l(pa.c_str(), pb.c_str(), o.glibc));
    if (g != sign(o.key(pa).compare(o.key(pb))) ||
        ((o.holds_expanding(pa) || o.holds_expanding(pb)) && o.first_segment(pa) == o.first_segment(pb)))
        return;
    gl_locale *loc = o.ours;
    const auto *ua = reinterpret_cast<const unsigned char *>(a.c_str());
    const auto *ub = reinterpret_cast<const unsigned char *>(b.c_str());
    int r1 = loc->coll_ncompare(loc, ua, static_cast<int>(pa.size()), ub, static_cast<int>(pb.size()));
    int r2 = _trw_gl_im_mbfscoll(loc, ua, static_cast<int>(pa.size()), ub, static_cast<int>(pb.size()));
    if ((sign(r1) != g || sign(r2) != g) && ++c.disagreements <= 5)
        ADD_FAILURE() << name << ": prefixes \"" << pa << "\" vs \"" << pb << "\" glibc " << g;
}

TEST(CollationOracle, WordsOrderAsGlibcOrdersThem)
{
    for (const Case &cs : kCases) {
        Oracle o(cs);
        ASSERT_NE(o.glibc, nullptr) << cs.glibc;
        ASSERT_EQ(o.ours->error, 0) << cs.ours;
        o.build_alphabet(cs.ours, cs.ignorables);
        ASSERT_GT(o.alphabet.size(), 20u) << cs.ours;
        std::mt19937 rng(19);
        std::vector<std::string> w = words(o, rng, full_run() ? 4000 : 1000);
        std::sort(w.begin(), w.end(), [&](const std::string &x, const std::string &y) {
            return strcoll_l(x.c_str(), y.c_str(), o.glibc) < 0;
        });
        Counts c;
        for (size_t i = 0; i + 1 < w.size(); ++i)
            check_pair(o, w[i], w[i + 1], c, cs.ours);
        for (int i = 0; i < (full_run() ? 20000 : 3000); ++i) {
            const std::string &a = w[rng() % w.size()], &b = w[rng() % w.size()];
            check_pair(o, a, b, c, cs.ours);
            if (i % 4 == 0)
                check_prefixes(o, a, b, rng, c, cs.ours);
        }
        std::printf("%s: %zu characters (%zu expansions), %d left out, %d pairs, %d skipped, %d disagreements\n",
                    cs.ours, o.alphabet.size() + o.ignorables.size(), o.expanding.size(), o.excluded, c.pairs, c.skipped,
                    c.disagreements);
        EXPECT_EQ(c.disagreements, 0) << cs.ours;
    }
}

} // namespace
