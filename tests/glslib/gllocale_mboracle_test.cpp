// The glibc oracle for the multibyte locales (and Thai): our locale files,
// loaded by specification, against the same sources compiled by glibc's
// localedef. For every character of the code set (every byte sequence glibc
// accepts as one character; for UTF-8 every code point outside the
// surrogates): the character is in our class trie exactly when glibc gives
// it a class or it is a character of the charmap, its class membership and
// case mapping equal glibc's isw*_l/towupper_l/towlower_l, and the order of
// all one-character strings by our compare equals the order strcoll_l
// gives, checked along glibc's sorted order (sorted by strxfrm_l keys, every
// neighbouring pair compared with strcoll_l). The differences the test allows
// are listed at kKnownDifferences with their reasons.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <fstream>
#include <map>
#include <set>
#include <unordered_set>
#include <string>
#include <vector>

#include "gl_errno.h"
#include "gl_locale.h"

// glibc's newlocale keeps the search path it builds from LOCPATH for the
// life of the process; the leak checker of the sanitizer builds is told so.
extern "C" const char *__lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace {

struct Case {
    const char *spec;   // our locale, loaded by specification
    const char *glibc;  // glibc locale name below GLIBC_LOCALES
    const char *folded; // the compiler's list of folded characters, or null
};

const Case kCases[] = {
    {"ja_JP.ujis", "ja_JP.EUC-JP", nullptr},    {"ja_JP.sjis", "ja_JP.SHIFT_JIS", nullptr},
    {"ja_JP.utf8", "ja_JP.UTF-8", nullptr},     {"zh_TW.big5", "zh_TW.BIG5", nullptr},
    {"zh_CN.gb", "zh_CN.GB2312", nullptr},      {"ko_KR.ksc", "ko_KR.EUC-KR", nullptr},
    {"en_US.utf8", "en_US.UTF-8", nullptr},     {"th_TH.thai620", "th_TH.TIS-620", nullptr},
};

struct Pair {
    gl_locale *ours = nullptr;
    locale_t glibc = nullptr;
    bool utf8 = false;
    explicit Pair(const Case &c)
    {
        setenv("LOCPATH", GLIBC_LOCALES, 1);
        gl_lc_load(&ours, c.spec, nullptr, nullptr);
        glibc = newlocale(LC_ALL_MASK, c.glibc, nullptr);
        utf8 = std::strstr(c.glibc, "UTF-8") != nullptr;
    }
    ~Pair()
    {
        gl_lc_unload(ours);
        if (glibc)
            freelocale(glibc);
    }
};

uint32_t packed(const std::string &bytes)
{
    uint32_t v = 0;
    for (unsigned char b : bytes)
        v = v << 8 | b;
    return v;
}

// Our value of a character in a 16-bit trie, or -1 when the trie has no such
// character (of exactly these bytes).
int trie_value(const gl_multi *t, const std::string &bytes)
{
    if (t == nullptr || bytes.empty() || bytes.size() > 4)
        return -1;
    unsigned char key[5] = {static_cast<unsigned char>(bytes.size())};
    std::memcpy(key + 1, bytes.data(), bytes.size());
    const void *v = _gl_retrieve_desc_multi(key, t);
    if (v == nullptr)
        return -1;
    uint16_t out;
    std::memcpy(&out, v, sizeof out);
    return out;
}

// ---- The characters of a code set, as glibc reads them ----------------------------

std::string utf8_of(uint32_t u)
{
    std::string s;
    if (u < 0x80) {
        s += static_cast<char>(u);
    } else if (u < 0x800) {
        s += static_cast<char>(0xC0 | u >> 6);
        s += static_cast<char>(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        s += static_cast<char>(0xE0 | u >> 12);
        s += static_cast<char>(0x80 | (u >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | u >> 18);
        s += static_cast<char>(0x80 | (u >> 12 & 0x3F));
        s += static_cast<char>(0x80 | (u >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (u & 0x3F));
    }
    return s;
}

struct GlibcChar {
    std::string bytes;
    wchar_t wc;
};

// Every byte sequence of 1 to 3 bytes that glibc's mbrtowc reads as exactly
// one character (longer sequences are tried only below an incomplete
// prefix); for UTF-8, every code point but the surrogates and NUL.
std::vector<GlibcChar> glibc_characters(const Pair &p)
{
    std::vector<GlibcChar> out;
    if (p.utf8) {
        for (uint32_t u = 1; u <= 0x10FFFF; ++u)
            if (u < 0xD800 || u > 0xDFFF)
                out.push_back({utf8_of(u), static_cast<wchar_t>(u)});
        return out;
    }
    locale_t old = uselocale(p.glibc);
    std::vector<std::string> prefixes{""};
    for (int len = 1; len <= 3 && !prefixes.empty(); ++len) {
        std::vector<std::string> longer;
        for (const std::string &pre : prefixes)
            for (int b = len == 1 ? 1 : 0; b < 256; ++b) {
                std::string s = pre + static_cast<char>(b);
                std::mbstate_t st{};
                wchar_t wc = 0;
                size_t n = std::mbrtowc(&wc, s.data(), s.size(), &st);
                if (n == s.size())
                    out.push_back({s, wc});
                else if (n == static_cast<size_t>(-2))
                    longer.push_back(s);
            }
        prefixes.swap(longer);
    }
    uselocale(old);
    return out;
}

// The bytes of a wide character in the current (glibc) locale, or "" when
// the code set lacks it; `self` when the character is the one of `self`.
std::string glibc_bytes(wint_t wc, const GlibcChar &self)
{
    if (static_cast<wchar_t>(wc) == self.wc)
        return self.bytes;
    char buf[MB_LEN_MAX];
    std::mbstate_t st{};
    size_t n = std::wcrtomb(buf, static_cast<wchar_t>(wc), &st);
    return n == static_cast<size_t>(-1) ? std::string() : std::string(buf, n);
}

int glibc_mask(wchar_t wc, locale_t l)
{
    int (*const tests[])(wint_t, locale_t) = {iswupper_l, iswlower_l, iswalpha_l,  iswdigit_l,
                                              iswspace_l, iswcntrl_l, iswpunct_l,  iswgraph_l,
                                              iswprint_l, iswxdigit_l, iswblank_l};
    int m = 0;
    for (int i = 0; i < 11; ++i)
        if (tests[i](static_cast<wint_t>(wc), l))
            m |= 1 << i;
    return m;
}

// ---- Our side ---------------------------------------------------------------------

// Upper and lower case of a character as packed values (itself when unmapped).
std::pair<uint32_t, uint32_t> our_case(const gl_locale *loc, const std::string &bytes)
{
    int idx = trie_value(loc->case_trie, bytes);
    if (idx <= 0)
        return {packed(bytes), packed(bytes)};
    const gl_lc_casepair &p = loc->case_pairs[idx];
    return {static_cast<uint32_t>(p.upper), static_cast<uint32_t>(p.lower)};
}

int sign(int v) { return (v > 0) - (v < 0); }

// Every character of a trie, as its bytes: each byte of a node is probed
// with a lookup limited to the node's depth; a limit reached inside a
// character (GL_EINVAL) means descend.
void walk(const gl_multi *t, std::string &prefix, std::vector<std::string> &out)
{
    for (int b = 0; b < 256; ++b) {
        prefix.push_back(static_cast<char>(b));
        struct {
            int error;
        } ctx{0};
        int len = 0;
        const auto *bytes = reinterpret_cast<const unsigned char *>(prefix.data());
        const int limit = static_cast<int>(prefix.size());
        if (_gl_retrieve_text_multi_limit(bytes, t, limit, &len, &ctx) != nullptr && len == limit)
            out.push_back(prefix);
        else if (ctx.error == GL_EINVAL && prefix.size() < 4)
            walk(t, prefix, out);
        prefix.pop_back();
    }
}

std::vector<std::string> our_characters(const gl_multi *t)
{
    std::vector<std::string> out;
    std::string prefix;
    walk(t, prefix, out);
    // NUL is a character of every code set but not one of glibc's strings.
    out.erase(std::remove(out.begin(), out.end(), std::string(1, '\0')), out.end());
    return out;
}

// ---- Differences allowed, by reason -------------------------------------------------

// A count of differences of one kind in one locale, and why.
struct KnownDifference {
    const char *spec;
    const char *kind;
    int count;
    const char *reason;
};

const KnownDifference kKnownDifferences[] = {
    {"zh_TW.big5", "presence", 10,
     "glibc's BIG5 converter decodes /xa2/xcc, /xa2/xce (duplicates of /xa4/x51, /xa4/xca) and eight ETEN "
     "box-drawing codes /xf9/xe9.. that the BIG5 charmap marks %IRREVERSIBLE%: not characters of the "
     "charmap our files are compiled from"},
};

int allowed(const char *spec, const char *kind)
{
    for (const KnownDifference &d : kKnownDifferences)
        if (d.spec != nullptr && std::strcmp(d.spec, spec) == 0 && std::strcmp(d.kind, kind) == 0)
            return d.count;
    return 0;
}

// Counts differences of one kind and reports the first few.
struct Tally {
    const char *spec;
    const char *kind;
    int count = 0;
    void add(const std::string &what)
    {
        if (++count <= 5)
            std::fprintf(stderr, "%s %s: %s\n", spec, kind, what.c_str());
    }
    ~Tally() { EXPECT_EQ(count, allowed(spec, kind)) << spec << " " << kind; }
};

std::string hex(const std::string &bytes)
{
    std::string s;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02x", c);
        s += b;
    }
    return s;
}

TEST(LocaleMultibyteOracle, ClassesAndCaseMatchGlibc)
{
    for (const Case &c : kCases) {
        Pair p(c);
        ASSERT_EQ(p.ours->error, 0) << c.spec;
        ASSERT_NE(p.glibc, nullptr) << c.glibc;
        Tally presence{c.spec, "presence"}, classes{c.spec, "classes"}, upper{c.spec, "upper"},
            lower{c.spec, "lower"};
        const std::vector<GlibcChar> chars = glibc_characters(p);
        locale_t old = uselocale(p.glibc);
        for (const GlibcChar &g : chars) {
            int mask = trie_value(p.ours->class_trie, g.bytes);
            int gm = glibc_mask(g.wc, p.glibc);
            if (mask < 0) {
                if (gm != 0)
                    presence.add(hex(g.bytes) + " missing");
                continue;
            }
            if ((mask & 0x7FF) != gm)
                classes.add(hex(g.bytes) + " ours " + std::to_string(mask & 0x7FF) + " glibc " + std::to_string(gm));
            auto [up, low] = our_case(p.ours, g.bytes);
            std::string gu = glibc_bytes(towupper_l(static_cast<wint_t>(g.wc), p.glibc), g);
            std::string gl = glibc_bytes(towlower_l(static_cast<wint_t>(g.wc), p.glibc), g);
            if (up != packed(gu.empty() ? g.bytes : gu))
                upper.add(hex(g.bytes) + " -> " + hex(gu));
            if (low != packed(gl.empty() ? g.bytes : gl))
                lower.add(hex(g.bytes) + " -> " + hex(gl));
        }
        // Characters only we have: none, but for the bytes a single-byte
        // code set leaves undefined (TIS-620 0x80..0xA0, 0xDB..0xDE,
        // 0xFC..0xFF), which single-byte tries keep as characters without
        // class or case.
        uselocale(old);
        std::unordered_set<std::string> theirs(chars.size());
        for (const GlibcChar &g : chars)
            theirs.insert(g.bytes);
        for (const std::string &b : our_characters(p.ours->class_trie))
            if (!theirs.count(b) && (!p.ours->single_byte || trie_value(p.ours->class_trie, b) != 0 ||
                                     trie_value(p.ours->case_trie, b) != 0))
                presence.add(hex(b) + " not a character for glibc");
    }
}

// What the locale compiler says of a locale's collation (a list beside its
// build stamp): the characters whose weights it folded, and those the
// collation order leaves out.
struct CollationNotes {
    std::unordered_set<std::string> folded, unordered;
};

CollationNotes collation_notes(const char *spec)
{
    CollationNotes out;
    std::ifstream in(std::string(LOCALE_BUILD_DIR) + "/" + spec + ".folded");
    std::string hexbytes, what;
    while (in >> hexbytes >> what) {
        std::string bytes;
        for (size_t i = 0; i + 1 < hexbytes.size(); i += 2)
            bytes += static_cast<char>(std::stoi(hexbytes.substr(i, 2), nullptr, 16));
        // Approximated characters (a first level the file cannot hold) are
        // left out like unordered ones: their single ranked weight does not
        // order against the expansions of other characters.
        if (what == "folded")
            out.folded.insert(bytes);
        else if (what == "unordered" || what == "approximate")
            out.unordered.insert(bytes);
    }
    return out;
}

struct Ranked {
    std::string bytes;
    std::string key; // glibc's strxfrm_l
    int row;         // ours
};

// The characters of both sides with glibc's sort keys and our rows, in
// glibc's order.
std::vector<Ranked> glibc_order(const Pair &p, const std::unordered_set<std::string> &left_out)
{
    std::vector<Ranked> out;
    for (const GlibcChar &g : glibc_characters(p)) {
        int row = trie_value(p.ours->weight_trie, g.bytes);
        if (row < 0 || left_out.count(g.bytes))
            continue;
        size_t n = strxfrm_l(nullptr, g.bytes.c_str(), 0, p.glibc);
        std::string key(n + 1, '\0');
        strxfrm_l(key.data(), g.bytes.c_str(), n + 1, p.glibc);
        key.resize(n);
        out.push_back({g.bytes, std::move(key), row});
    }
    std::sort(out.begin(), out.end(), [](const Ranked &a, const Ranked &b) {
        return a.key != b.key ? a.key < b.key : a.bytes < b.bytes;
    });
    return out;
}

// Differences between neighbours of glibc's order of the characters in
// `order`; those between two folded characters are counted apart.
void compare_neighbours(const Pair &p, const std::vector<const Ranked *> &order, const CollationNotes &notes,
                        Tally &diff, size_t *folded_pairs)
{
    for (size_t i = 0; i + 1 < order.size(); ++i) {
        const Ranked &a = *order[i], &b = *order[i + 1];
        int g = sign(strcoll_l(a.bytes.c_str(), b.bytes.c_str(), p.glibc));
        int o = sign(p.ours->coll_compare(p.ours, reinterpret_cast<const unsigned char *>(a.bytes.c_str()),
                                           reinterpret_cast<const unsigned char *>(b.bytes.c_str())));
        if (o == g)
            continue;
        if (notes.folded.count(a.bytes) && notes.folded.count(b.bytes))
            ++*folded_pairs;
        else
            diff.add(hex(a.bytes) + " then " + hex(b.bytes) + ": glibc " + std::to_string(g) + " ours " +
                     std::to_string(o));
    }
}

// Our order agrees with glibc's when it agrees on every neighbouring pair of
// glibc's order: both are total preorders. Characters the collation source
// does not name are not compared: glibc collates them by a fallback of its
// own, byte by byte as unknown bytes (each weighing as U+0001 does in ja_JP
// and ko_KR, ignorable on the first levels under ISO 14651), so they sort
// near the start by their byte count; we put them where the source's
// UNDEFINED line stands, as POSIX says, or after every named character when
// it has none (as in ISO 14651, which names neither Han nor Hangul
// syllables).
// Where the compiler folded weights (en_US.utf8), two folded neighbours may
// tie or swap by a lower level; every other neighbour, and the characters
// that are not folded among themselves, must agree exactly.
TEST(LocaleMultibyteOracle, SingleCharacterOrderMatchesStrcoll)
{
    for (const Case &c : kCases) {
        Pair p(c);
        ASSERT_EQ(p.ours->error, 0) << c.spec;
        ASSERT_NE(p.glibc, nullptr) << c.glibc;
        if (p.ours->coll_kind == GL_COLL_THAI_SMO)
            continue; // th_TH: the Thai routines order it, not weight rows
        ASSERT_NE(p.ours->weight_trie, nullptr) << c.spec;
        const CollationNotes notes = collation_notes(c.spec);
        const std::vector<Ranked> ranked = glibc_order(p, notes.unordered);
        std::vector<const Ranked *> ordered, exact;
        Tally inconsistent{c.spec, "strcoll against strxfrm"};
        for (size_t i = 0; i < ranked.size(); ++i) {
            if (i + 1 < ranked.size()) {
                const Ranked &a = ranked[i], &b = ranked[i + 1];
                int g = sign(strcoll_l(a.bytes.c_str(), b.bytes.c_str(), p.glibc));
                if (g != (a.key == b.key ? 0 : -1))
                    inconsistent.add(hex(a.bytes) + " " + hex(b.bytes));
            }
            ordered.push_back(&ranked[i]);
            if (!notes.folded.count(ranked[i].bytes))
                exact.push_back(&ranked[i]);
        }
        Tally order_diff{c.spec, "order"}, exact_diff{c.spec, "order of characters not folded"};
        size_t folded_pairs = 0, unused = 0;
        compare_neighbours(p, ordered, notes, order_diff, &folded_pairs);
        compare_neighbours(p, exact, CollationNotes{}, exact_diff, &unused);
        std::fprintf(stderr, "%s: %zu characters compared, %zu not named by the source, %zu folded (%zu neighbours differ)\n",
                     c.spec, ordered.size(), notes.unordered.size(), notes.folded.size(), folded_pairs);
        EXPECT_GT(exact.size(), 1000u) << c.spec;
    }
}

} // namespace
