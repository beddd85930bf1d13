// Collation on hand-made COLLATE sections (written into a copy of the
// en_US.8859-1 file, beside its real CTYPE), against a model of the rules
// in this file: expansions, elements, a backward level, their
// combinations (each selects its own routine), two-digit weights,
// position-sensitive weights and code-point mode; exact key bytes and every
// output size. Then the Thai category, error numbers and the slots of the
// kit's locales.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "gl_coll.h"
#include "locale_files.h"
#include "temp_tree.h"

namespace {

using trwtest::Loaded;

// A COLLATE table over single bytes, and the model of its order.
struct Table {
    int levels = 3;
    int mode = 0;
    int max_weight = 0;
    std::vector<int> dirs{1, 1, 1};
    std::vector<std::vector<uint16_t>> rows{{1, 1, 1}}; // row 0: bytes without a row of their own
    std::map<int, int> row_of;                          // byte -> row
    std::vector<std::string> expansions;
    std::vector<std::pair<std::string, int>> elements;

    int add_row(std::vector<uint16_t> w)
    {
        rows.push_back(w);
        return static_cast<int>(rows.size()) - 1;
    }
    void set(char c, std::vector<uint16_t> w) { row_of[static_cast<unsigned char>(c)] = add_row(w); }
    uint16_t expansion(const std::string &s)
    {
        expansions.push_back(s);
        return static_cast<uint16_t>(0x4000 | (expansions.size() - 1));
    }

    std::string section() const
    {
        std::string s = "### LC_COLLATE\nas_specified\n1 1 0\n0000\n1 1\n0000110004\n0000000\n00100001";
        char buf[64];
        for (int b = 0; b < 256; ++b) {
            auto it = row_of.find(b);
            std::snprintf(buf, sizeof buf, "%04x", it == row_of.end() ? 0 : it->second);
            s += buf;
        }
        int mw = max_weight;
        for (const auto &r : rows)
            for (uint16_t w : r)
                if (!(w & 0x4000) && (w & 0x3FFF) > mw)
                    mw = w & 0x3FFF;
        std::snprintf(buf, sizeof buf, "\n0000000\n%d %zu %d %zu %zu %d\n", mode, rows.size() - 1, levels,
                      elements.size(), expansions.size(), mw);
        s += buf;
        for (int d : dirs)
            s += (d == 1 ? "0001 " : "0002 ");
        s += "\n";
        for (const auto &e : elements) {
            std::snprintf(buf, sizeof buf, "%zx %04x", e.first.size(), e.second);
            s += buf;
            for (unsigned char c : e.first) {
                std::snprintf(buf, sizeof buf, " %08x", c);
                s += buf;
            }
            s += "\n";
        }
        for (const auto &x : expansions) {
            std::snprintf(buf, sizeof buf, "%zx", x.size());
            s += buf;
            for (unsigned char c : x) {
                std::snprintf(buf, sizeof buf, " %08x", c);
                s += buf;
            }
            s += "\n";
        }
        for (const auto &r : rows) {
            for (uint16_t w : r) {
                std::snprintf(buf, sizeof buf, "%04x ", w);
                s += buf;
            }
            s += "\n";
        }
        return s;
    }
    int maximum() const
    {
        int mw = max_weight;
        for (const auto &r : rows)
            for (uint16_t w : r)
                if (!(w & 0x4000) && (w & 0x3FFF) > mw)
                    mw = w & 0x3FFF;
        return mw;
    }

    // ---- the model ----
    struct W {
        int value;
        bool pos;
        unsigned code;
    };
    std::vector<W> level(const std::string &s, int lv) const
    {
        std::vector<std::pair<int, unsigned>> units; // row, code
        for (size_t i = 0; i < s.size();) {
            bool matched = false;
            for (const auto &e : elements)
                if (s.compare(i, e.first.size(), e.first) == 0) {
                    units.push_back({e.second, 1});
                    i += e.first.size();
                    matched = true;
                    break;
                }
            if (!matched) {
                unsigned char c = static_cast<unsigned char>(s[i++]);
                auto it = row_of.find(c);
                units.push_back({it == row_of.end() ? 0 : it->second, c});
            }
        }
        if (dirs[lv] == 2)
            std::reverse(units.begin(), units.end());
        std::vector<W> out;
        auto plain = [&](uint16_t w, unsigned code) {
            if ((w & 0x3FFF) > 1)
                out.push_back({w & 0x3FFF, (w & 0x8000) != 0, code});
        };
        for (auto [row, code] : units) {
            uint16_t w = rows[row][lv];
            if (w & 0x4000) {
                std::string x = expansions[w & 0x3FFF];
                if (dirs[lv] == 2)
                    std::reverse(x.begin(), x.end());
                for (unsigned char c : x) {
                    auto it = row_of.find(c);
                    plain(rows[it == row_of.end() ? 0 : it->second][lv], c);
                }
            } else {
                plain(w, code);
            }
        }
        return out;
    }
    int compare(const std::string &a, const std::string &b) const
    {
        if (mode != 0)
            return a < b ? -1 : a > b ? 1 : 0;
        for (int lv = 0; lv < levels; ++lv) {
            std::vector<W> x = level(a, lv), y = level(b, lv);
            for (size_t i = 0; i < x.size() && i < y.size(); ++i) {
                if (x[i].value != y[i].value)
                    return x[i].value < y[i].value ? -1 : 1;
                if (x[i].pos && y[i].pos && x[i].code != y[i].code)
                    return x[i].code < y[i].code ? -1 : 1;
            }
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
        }
        return 0;
    }
    static void digits(std::string &k, unsigned long v, int n)
    {
        std::string d;
        for (int i = 0; i < n; ++i, v /= 254)
            d.insert(d.begin(), static_cast<char>(v % 254 + 2));
        k += d;
    }
    std::string key(const std::string &s) const
    {
        if (mode != 0)
            return s;
        int mw = maximum(), wd = mw < 254 ? 1 : mw < 64516 ? 2 : 3;
        std::string k;
        for (int lv = 0; lv < levels; ++lv) {
            if (lv > 0)
                k += '\1';
            for (const W &w : level(s, lv)) {
                digits(k, static_cast<unsigned long>(w.value - 2), wd);
                if (w.pos)
                    digits(k, w.code, 2); // single-byte code set: range 255
            }
        }
        return k;
    }
};

// The base table: a..f ordered at level 1 with A..F equal to them there and
// after them at level 3; i and j share level 1 and differ at level 2; "-"
// and "'" ignorable at the first two levels.
Table base_table()
{
    Table t;
    const char *lower = "abcdefij";
    const uint16_t l1[] = {10, 20, 30, 40, 50, 60, 70, 70};
    const uint16_t l2[] = {5, 5, 5, 5, 5, 5, 5, 6};
    for (int i = 0; lower[i]; ++i) {
        t.set(lower[i], {l1[i], l2[i], 5});
        t.set(static_cast<char>(lower[i] - 'a' + 'A'), {l1[i], l2[i], 6});
    }
    t.set('-', {1, 1, 8});
    t.set('\'', {1, 1, 9});
    t.set(' ', {3, 5, 5});
    return t;
}

struct Loaded2 {
    trwtest::TempTree tree;
    gl_locale *loc = nullptr;
    explicit Loaded2(const Table &t)
    {
        std::string text = trwtest::text_file(trwtest::locale_dir() + "/en_us/0333.lco");
        size_t a = text.find("### LC_COLLATE"), b = text.find("### LC_NUMERIC");
        text.replace(a, b - a, t.section());
        tree.write("hand.lco", text);
        gl_lc_load(&loc, "hand.lco", nullptr, (tree.root() + "/").c_str());
    }
    ~Loaded2() { gl_lc_unload(loc); }
};

int sign(int v) { return (v > 0) - (v < 0); }

// Random strings over the table's characters; compares signs and keys with
// the model, and keys at every output size.
void check_table(const Table &t, const std::string &alphabet, int (*expected)(gl_locale *, const unsigned char *,
                                                                             const unsigned char *))
{
    Loaded2 l(t);
    ASSERT_NE(l.loc, nullptr);
    ASSERT_EQ(l.loc->error, 0);
    if (expected != nullptr) {
        EXPECT_EQ(l.loc->coll_compare, expected);
    }
    std::mt19937 rng(4);
    std::vector<std::string> words;
    for (int i = 0; i < 300; ++i) {
        std::string w;
        for (int n = static_cast<int>(rng() % 7); n > 0; --n)
            w += alphabet[rng() % alphabet.size()];
        words.push_back(w);
    }
    int bad = 0;
    for (size_t i = 0; i < words.size() && bad < 5; ++i)
        for (size_t j = 0; j < words.size() && bad < 5; j += 7) {
            const std::string &a = words[i], &b = words[(i + j) % words.size()];
            const auto *ua = reinterpret_cast<const unsigned char *>(a.c_str());
            const auto *ub = reinterpret_cast<const unsigned char *>(b.c_str());
            int want = t.compare(a, b);
            int got[] = {l.loc->coll_compare(l.loc, ua, ub), _gl_im_mbscoll(l.loc, ua, ub),
                         l.loc->coll_ncompare(l.loc, ua, static_cast<int>(a.size()), ub, static_cast<int>(b.size()))};
            for (int g : got)
                if (sign(g) != want && ++bad)
                    ADD_FAILURE() << "\"" << a << "\" vs \"" << b << "\": model " << want << " ours " << g;
        }
    for (size_t i = 0; i < words.size() && bad < 5; i += 3) {
        const std::string &w = words[i];
        std::string want = t.key(w);
        const auto *uw = reinterpret_cast<const unsigned char *>(w.c_str());
        EXPECT_EQ(l.loc->coll_transform(l.loc, nullptr, uw, 0), static_cast<int>(want.size()));
        for (size_t size = 0; size <= want.size() + 1; ++size) {
            std::vector<unsigned char> buf(want.size() + 4, 0xEE);
            int n = l.loc->coll_transform(l.loc, buf.data(), uw, static_cast<int>(size));
            ASSERT_EQ(n, static_cast<int>(want.size()));
            for (size_t k = 0; k < buf.size(); ++k) {
                int expect = k < size && k < want.size() ? static_cast<unsigned char>(want[k])
                             : k < size && k == want.size() ? 0
                                                            : 0xEE;
                if (buf[k] != expect && ++bad <= 5)
                    ADD_FAILURE() << "key of \"" << w << "\" size " << size << " byte " << k << ": " << int(buf[k])
                                  << " want " << expect;
            }
        }
    }
}

const std::string kLetters = "abcdefijABCDEFIJ-' ";

TEST(CollationTables, NoneOfTheThreeAndBackwardOnly)
{
    Table t = base_table();
    check_table(t, kLetters, _gl_is_mbscoll_back);
    t.dirs[1] = 2;
    t.set('k', {70, 7, 5});
    check_table(t, kLetters + "k", _gl_is_mbscoll_back);
}

TEST(CollationTables, ExpansionsOnly)
{
    Table t = base_table();
    t.set('x', {t.expansion("ab"), t.expansion("ab"), 7}); // x sorts as "ab" on two levels
    t.set('y', {t.expansion("fe"), 5, 5});
    check_table(t, kLetters + "xy", _gl_is_mbscoll_exp);
    Loaded2 l(t);
    EXPECT_EQ(_gl_im_mbscoll(l.loc, reinterpret_cast<const unsigned char *>("xa"),
                             reinterpret_cast<const unsigned char *>("abb")),
              -1);
}

TEST(CollationTables, ElementsOnlyAndWithExpansions)
{
    Table t = base_table();
    int ch = t.add_row({35, 5, 5});
    t.elements.push_back({"ch", ch});
    t.elements.push_back({"c", t.add_row({33, 5, 5})}); // list order: "ch" first
    check_table(t, kLetters + "hh", _gl_is_mbscoll_elem);
    t.set('x', {t.expansion("ab"), 5, 7});
    check_table(t, kLetters + "hx", _gl_is_mbscoll_exp_elem);
    t.dirs[1] = 2;
    check_table(t, kLetters + "hx", _gl_im_mbscoll);
}

TEST(CollationTables, TwoDigitWeightsAndPositionSensitive)
{
    Table t = base_table();
    t.set('z', {300, 5, 5});
    t.set('q', {2, 5, 5});
    check_table(t, kLetters + "zq", nullptr);
    Loaded2 l(t);
    unsigned char key[16] = {};
    ASSERT_GE(gl_full_mbsxfrm(l.loc, key, reinterpret_cast<const unsigned char *>("q"), sizeof key), 2);
    EXPECT_EQ(key[0], 2);
    EXPECT_EQ(key[1], 2);
    // Position-sensitive weights: equal values tie by the character's code.
    Table p = base_table();
    p.set('m', {0x8000 | 80, 5, 5});
    p.set('n', {0x8000 | 80, 5, 5});
    p.set('o', {80, 5, 5});
    int e = p.add_row({0x8000 | 80, 5, 5});
    p.elements.push_back({"mm", e});
    check_table(p, kLetters + "mno", nullptr);
}

TEST(CollationTables, CodePointMode)
{
    Table t = base_table();
    t.mode = 1;
    check_table(t, kLetters + "xyz", nullptr);
}

TEST(CollationErrors, CountsNullsAndInvalidText)
{
    Loaded l("ja_JP.ujis");
    ASSERT_EQ(l.rc, 0);
    const auto *a = reinterpret_cast<const unsigned char *>("abc");
    l.loc->error = 0;
    EXPECT_EQ(l.loc->coll_ncompare(l.loc, a, -1, a, 2), 0);
    EXPECT_EQ(l.loc->error, GL_EMIXEDCOUNT);
    l.loc->error = 0;
    EXPECT_EQ(gl_full_wcscoll(l.loc, nullptr, nullptr), 0);
    EXPECT_EQ(l.loc->error, GL_ENULLARG);
    l.loc->error = 0;
    const auto *bad = reinterpret_cast<const unsigned char *>("a\xa4");
    EXPECT_EQ(l.loc->coll_compare(l.loc, bad, a), 0);
    EXPECT_EQ(l.loc->error, GL_EILSEQ);
    l.loc->error = 0;
    EXPECT_EQ(l.loc->coll_transform(l.loc, nullptr, bad, 0), 0);
    EXPECT_EQ(l.loc->error, GL_EILSEQ);
    // Long strings go through allocated buffers.
    std::string x(1000, 'a'), y = x;
    y[999] = 'b';
    l.loc->error = 0;
    EXPECT_LT(l.loc->coll_compare(l.loc, reinterpret_cast<const unsigned char *>(x.c_str()),
                                  reinterpret_cast<const unsigned char *>(y.c_str())),
              0);
    EXPECT_EQ(l.loc->error, 0);
}

// ---- Thai ----------------------------------------------------------------------------------

int thai(gl_locale *loc, const std::string &a, const std::string &b)
{
    return sign(loc->coll_compare(loc, reinterpret_cast<const unsigned char *>(a.c_str()),
                                  reinterpret_cast<const unsigned char *>(b.c_str())));
}

std::string thai_key(gl_locale *loc, const std::string &s)
{
    int n = loc->coll_transform(loc, nullptr, reinterpret_cast<const unsigned char *>(s.c_str()), 0);
    std::string k(static_cast<size_t>(n) + 1, '\0');
    loc->coll_transform(loc, reinterpret_cast<unsigned char *>(k.data()),
                        reinterpret_cast<const unsigned char *>(s.c_str()), n + 1);
    k.resize(n);
    return k;
}

TEST(ThaiCollation, MarksVowelsAndBlanks)
{
    Loaded l("th_TH.thai620");
    ASSERT_EQ(l.rc, 0);
    EXPECT_EQ(l.loc->coll_compare, _gl_thaismocoll);
    gl_locale *t = l.loc;
    const std::string ka = "\xa1", kha = "\xa2", tone1 = "\xe8", tone2 = "\xe9", e = "\xe0", aa = "\xd2";
    // Differing only by the tone mark at one place: by the mark bytes.
    EXPECT_EQ(thai(t, ka + tone1 + aa, ka + tone2 + aa), -1);
    // A mark makes a text greater than the same text without it.
    EXPECT_EQ(thai(t, ka + aa, ka + tone1 + aa), -1);
    // A later consonant difference outweighs an earlier mark.
    EXPECT_EQ(thai(t, ka + tone2 + ka, ka + tone1 + kha), -1);
    // A preposed vowel is compared after its consonant.
    EXPECT_EQ(thai(t, e + ka, ka + aa), 1);  // ka e  >  ka aa (0xE0 > 0xD2)
    EXPECT_EQ(thai(t, e + ka, kha), -1);     // the consonant first
    // Trailing blanks compare equal.
    EXPECT_EQ(thai(t, ka + aa + "  ", ka + aa), 0);
    // Keys order as the compares do, also past 256 bytes (marks take four
    // bytes each in the key).
    std::string long1, long2;
    for (int i = 0; i < 200; ++i)
        long1 += ka + tone1, long2 += ka + tone1;
    long2 += tone1;
    EXPECT_EQ(thai(t, long1, long2), -1);
    EXPECT_LT(thai_key(t, long1), thai_key(t, long2));
    EXPECT_GT(thai_key(t, long1).size(), 256u);
    unsigned char small[8];
    std::memset(small, 0xEE, sizeof small);
    int n = t->coll_transform(t, small, reinterpret_cast<const unsigned char *>(long1.c_str()), 4);
    EXPECT_EQ(n, static_cast<int>(thai_key(t, long1).size()));
    EXPECT_EQ(small[4], 0xEE);
}

TEST(ThaiCollation, KeysAgreeWithCompares)
{
    Loaded l("th_TH.thai620");
    ASSERT_EQ(l.rc, 0);
    std::mt19937 rng(620);
    const unsigned char chars[] = {0xa1, 0xa2, 0xa7, 0xc1, 0xd1, 0xd2, 0xd4, 0xe0, 0xe1, 0xe8,
                                   0xe9, 0xea, 0xec, 0xed, ' ', 'a', 0x01};
    std::vector<std::string> w;
    for (int i = 0; i < 400; ++i) {
        std::string s;
        for (int n = static_cast<int>(rng() % 8); n > 0; --n)
            s += static_cast<char>(chars[rng() % sizeof chars]);
        w.push_back(s);
    }
    int bad = 0;
    for (size_t i = 0; i < w.size(); ++i)
        for (size_t j = i; j < w.size(); j += 13) {
            int c = thai(l.loc, w[i], w[j]);
            int k = sign(thai_key(l.loc, w[i]).compare(thai_key(l.loc, w[j])));
            int r = thai(l.loc, w[j], w[i]);
            if ((c != k || c != -r) && ++bad <= 5)
                ADD_FAILURE() << i << " " << j << ": compare " << c << " keys " << k << " reversed " << r;
        }
}

TEST(CollationSlots, EveryKitLocaleGetsARoutine)
{
    for (const char *name : {"en_US.8859-1", "de_DE.8859-1", "ru_RU.8859-5", "en_US.utf8", "ja_JP.sjis",
                             "zh_TW.big5", "th_TH.thai620", "he_IL.8859-8", "ar_SA.8859-6"}) {
        Loaded l(name);
        ASSERT_EQ(l.rc, 0) << name;
        const auto *a = reinterpret_cast<const unsigned char *>("abc");
        const auto *b = reinterpret_cast<const unsigned char *>("abd");
        EXPECT_LT(l.loc->coll_compare(l.loc, a, b), 0) << name;
        EXPECT_GT(l.loc->coll_ncompare(l.loc, b, 3, a, 3), 0) << name;
        EXPECT_EQ(l.loc->coll_ncompare(l.loc, a, 2, b, 2), 0) << name;
        EXPECT_GT(l.loc->coll_transform(l.loc, nullptr, a, 0), 0) << name;
    }
}

} // namespace

namespace {

TEST(CollationExpansions, LigaturesSortAsTheirLetters)
{
    Loaded l("de_DE.8859-1");
    ASSERT_EQ(l.rc, 0);
    ASSERT_GT(l.loc->expansion_count, 0);
    auto cmp = [&](const char *a, const char *b) {
        return sign(l.loc->coll_compare(l.loc, reinterpret_cast<const unsigned char *>(a),
                                        reinterpret_cast<const unsigned char *>(b)));
    };
    EXPECT_EQ(cmp("\xdf" "a", "ssb"), -1); // ßa before ssb
    EXPECT_EQ(cmp("\xe6" "b", "af"), -1);  // æb before af
    EXPECT_EQ(cmp("st", "\xdf" "a"), 1);   // ß is s s at the first level
    EXPECT_EQ(cmp("\xbd", "13"), -1);      // ½ is 1, 2 at the first level
    EXPECT_EQ(cmp("\xbd", "11"), 1);
}

} // namespace

extern "C" int _trw_gl_coll_fast_paths(int on);

namespace {

// The fast paths (tables of rows, streamed levels) against the general
// engine on random words: compares, counted compares on prefixes, wide
// compares and sort keys (also cut by small output sizes) must be the same.
// Latin-1 text in UTF-8; the marker bytes 1 to 3 stand for characters
// beyond Latin-1 (see kBeyond).
const char *const kBeyond[] = {
    "",
    "\xe2\x82\xac",             // the euro sign: beyond the fast tables
    "\xe1\xa6\xba\xe1\xa6\x94", // a collating element of two three-byte characters
    "\xe1\xa6\xba",             // its first character alone
};

std::string to_utf8_text(const std::string &latin1)
{
    std::string out;
    for (unsigned char c : latin1) {
        if (c >= 1 && c <= 3) {
            out += kBeyond[c];
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

struct Outcome {
    int compare, ncompare, wcompare, error;
    std::vector<unsigned char> key, wkey, cut;
    int key_len, wkey_len, cut_len;
    bool operator==(const Outcome &) const = default;
};

Outcome outcome(gl_locale *loc, const std::string &a, const std::string &b, int cut_at)
{
    const auto *pa = reinterpret_cast<const unsigned char *>(a.c_str());
    const auto *pb = reinterpret_cast<const unsigned char *>(b.c_str());
    Outcome o{};
    loc->error = 0;
    o.compare = sign(loc->coll_compare(loc, pa, pb));
    o.ncompare = sign(loc->coll_ncompare(loc, pa, static_cast<int>(a.size()) / 2, pb, static_cast<int>(b.size())));
    std::vector<gl_wchar_t> wa(a.size() + 1), wb(b.size() + 1);
    if (gl_mbstowcs(loc, wa.data(), a.c_str(), static_cast<int>(wa.size())) >= 0 &&
        gl_mbstowcs(loc, wb.data(), b.c_str(), static_cast<int>(wb.size())) >= 0)
        o.wcompare = sign(gl_full_wcscoll(loc, wa.data(), wb.data()));
    o.key.assign(600, 0xEE);
    o.key_len = gl_full_mbsxfrm(loc, o.key.data(), pa, static_cast<int>(o.key.size()));
    o.cut.assign(64, 0xEE);
    o.cut_len = gl_full_mbsxfrm(loc, o.cut.data(), pa, cut_at);
    if (gl_mbstowcs(loc, wa.data(), a.c_str(), static_cast<int>(wa.size())) >= 0) {
        o.wkey.assign(600, 0xEE);
        o.wkey_len = gl_wcsxfrm(loc, o.wkey.data(), wa.data(), static_cast<int>(o.wkey.size()));
    }
    o.error = loc->error;
    return o;
}

TEST(CollationFastPaths, AgreeWithTheGeneralEngine)
{
    const std::string pool = std::string("abcdeflmnoszABLSZ -'09") + "\xb7\xdf\xe6\xc6\xbd\xe1\xe9\xc9\xf6\xd6\xfc\xe7\xf1";
    for (const char *name : {"en_US.8859-1", "de_DE.8859-1", "fr_FR.8859-1", "en_US.utf8", "ja_JP.ujis"}) {
        Loaded l(name);
        ASSERT_EQ(l.rc, 0) << name;
        bool utf8 = std::string(name).find("utf8") != std::string::npos;
        bool ujis = std::string(name).find("ujis") != std::string::npos;
        std::mt19937 rng(7);
        auto word = [&] {
            std::string s;
            int n = static_cast<int>(rng() % 24);
            for (int i = 0; i < n; ++i) {
                unsigned r = rng() % 100;
                if (r < 6)
                    s += "l\xb7"; // a collating element where the locale has it
                else if (r < 9 && utf8)
                    s += static_cast<char>(1 + rng() % 3); // beyond the fast tables
                else if (r < 10)
                    s += static_cast<char>(0x80 + rng() % 0x80); // often invalid text
                else
                    s += pool[rng() % pool.size()];
            }
            if (ujis) // ASCII only and the invalid bytes
                for (char &c : s)
                    if (static_cast<unsigned char>(c) >= 0x80)
                        c = 'q';
            return utf8 ? to_utf8_text(s) : s;
        };
        int pairs = 0, differing = 0;
        for (int i = 0; i < 1500; ++i) {
            std::string a = word(), b = word();
            if (i % 3 == 0)
                b = a.substr(0, a.size() / 2) + b; // a common prefix
            int cut = static_cast<int>(rng() % 40);
            _trw_gl_coll_fast_paths(1);
            Outcome fast = outcome(l.loc, a, b, cut);
            _trw_gl_coll_fast_paths(0);
            Outcome general = outcome(l.loc, a, b, cut);
            _trw_gl_coll_fast_paths(1);
            ASSERT_TRUE(fast == general) << name << " [" << a << "] [" << b << "] cut " << cut;
            ++pairs;
            differing += fast.compare != 0;
        }
        EXPECT_GT(differing, pairs / 2) << name;
    }
}

} // namespace
