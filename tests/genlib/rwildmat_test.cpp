// MATCHES and LIKE: the examples of the rules, a model written from the
// rules (rwildmat_model.h) on generated cases for all four entry points,
// SQLite's GLOB and LIKE and glibc's fnmatch where their meaning coincides
// with ours, ranges by the client locale's collation, escapes in and out of
// an ANSI database, the normaliser on hand-made lists, and patterns that
// take exponential time in a backtracking matcher. Each test is its own
// process: the client locale is set up on first use.
#include <gtest/gtest.h>

#include <fnmatch.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gentcb.h"
#include "rwildmat.h"
#include "rwildmat_model.h"
#include "rwmatch_int.h"

#ifdef TRW_HAVE_SQLITE
#include <sqlite3.h>
#endif

namespace {

using rwmodel::Model;
using rwmodel::Text;

bool full_run() { return std::getenv("TRW_TEST_FULL") != nullptr; }

Text wide(const std::string &s)
{
    Text t;
    for (unsigned char c : s)
        t += static_cast<char32_t>(c);
    return t;
}

std::vector<uint32_t> wz(const std::string &s)
{
    std::vector<uint32_t> w;
    for (unsigned char c : s)
        w.push_back(c);
    w.push_back(0);
    return w;
}

int fixmatch(const std::string &t, const std::string &p, int as, int ao, int esc = '\\')
{
    return rescfixstrmatch(t.data(), static_cast<int>(t.size()), p.data(), static_cast<int>(p.size()), as, ao, esc);
}

int widematch(const std::string &t, const std::string &p, int as, int ao, int esc = '\\')
{
    return rescwildmatch(wz(t).data(), wz(p).data(), as, ao, esc);
}

int compiledmatch(const std::string &t, const std::string &p, int as, int ao, int esc = '\\', int norm = 0)
{
    relist *l = rcnvtorelist(wz(p).data(), as, ao, esc, norm);
    EXPECT_NE(l, nullptr);
    int r = rrewildmatch(t.data(), static_cast<int>(t.size()), l, norm);
    rfreerelist(l);
    return r;
}

TEST(Matching, ExamplesOfTheRules)
{
    struct Ex {
        const char *text, *pattern;
        bool like;
        int direct, compiled;
    };
    const Ex cases[] = {
        {"ab", "ab*", false, 1, 1},      {"abcd", "ab*", false, 1, 1},  {"abc", "a?c", false, 1, 1},
        {"ac", "a?c", false, 0, 0},      {"bx", "[a-c]x", false, 1, 1}, {"bx", "[^a-c]x", false, 0, 0},
        {"a*", "a\\*", false, 1, 1},     {"ab", "a\\*", false, 0, 0},   {"a", "a%", true, 1, 1},
        {"a", "a_", true, 0, 0},         {"[a]", "[a]", true, 1, 1},    {"a", "[a]", true, 0, 0},
        {"ab", "ab  ", false, 1, 1},     {"ab ", "ab", false, 0, 1},    {"ab  ", "ab?", false, 0, 0},
        {"a", "a[ b]", false, 1, 1},     {"ab", "ab% ", true, 1, 1},    {"", "%", true, 1, 1},
        {"x\t", "*?* ", false, 1, 1},
    };
    for (const Ex &e : cases) {
        int as = e.like ? '%' : '*', ao = e.like ? '_' : '?';
        EXPECT_EQ(fixmatch(e.text, e.pattern, as, ao), e.direct) << e.text << " / " << e.pattern;
        EXPECT_EQ(widematch(e.text, e.pattern, as, ao), e.direct) << e.text << " / " << e.pattern;
        EXPECT_EQ(compiledmatch(e.text, e.pattern, as, ao), e.compiled) << e.text << " / " << e.pattern;
    }
    EXPECT_EQ(rwildmatch("abcd", "ab*", '*', '?'), 1);
    EXPECT_EQ(rwildmatch("a\\b", "a\\\\b", '*', '?'), 1);
}

TEST(Matching, EscapesOutsideAndInsideAnAnsiDatabase)
{
    gen_setansidb(0);
    set_toerrno(0);
    CheckGenInit()->gt_escwarn = 0;
    EXPECT_EQ(fixmatch("x", "\\x", '*', '?'), 1);
    EXPECT_EQ(CheckGenInit()->gt_escwarn, 1);
    EXPECT_EQ(get_toerrno(), 0);
    EXPECT_EQ(fixmatch("y", "\\x", '*', '?'), 0);
    // A lone trailing escape ends matching with 1.
    EXPECT_EQ(fixmatch("abzzz", "ab\\", '*', '?'), 1);
    EXPECT_EQ(fixmatch("ab", "ab\\", '*', '?'), 1);

    gen_setansidb(1);
    set_toerrno(0);
    EXPECT_EQ(fixmatch("q", "\\x", '*', '?'), 1);
    EXPECT_EQ(get_toerrno(), -1278);
    set_toerrno(0);
    EXPECT_EQ(widematch("q", "\\x", '%', '_'), 1);
    EXPECT_EQ(get_toerrno(), -1278);
    set_toerrno(0);
    relist *l = rcnvtorelist(wz("a\\xb").data(), '%', '_', '\\', 0);
    EXPECT_EQ(get_toerrno(), -1278);
    EXPECT_EQ(rrewildmatch("azzz", 4, l, 0), 1);
    EXPECT_EQ(rrewildmatch("bzzz", 4, l, 0), 0);
    rfreerelist(l);
    // Valid escapes set nothing; "[" and "]" need none in LIKE.
    set_toerrno(0);
    EXPECT_EQ(fixmatch("a[", "a\\[", '*', '?'), 1);
    EXPECT_EQ(get_toerrno(), 0);
    EXPECT_EQ(fixmatch("a[", "a\\[", '%', '_'), 1);
    EXPECT_EQ(get_toerrno(), -1278);
    gen_setansidb(0);
}

TEST(Matching, RangesFollowTheClientLocalesCollation)
{
    // en_US.8859-1: A and a-acute sort between a and b, B after b.
    EXPECT_EQ(fixmatch("A", "[a-b]", '*', '?'), 1);
    EXPECT_EQ(fixmatch("\xe1", "[a-b]", '*', '?'), 1);
    EXPECT_EQ(fixmatch("B", "[a-b]", '*', '?'), 0);
    EXPECT_EQ(widematch("A", "[a-b]", '*', '?'), 1);
    EXPECT_EQ(compiledmatch("\xe1", "[a-b]", '*', '?'), 1);
    EXPECT_EQ(compiledmatch("B", "[a-b]", '*', '?'), 0);
    EXPECT_EQ(fixmatch("b", "[c-a]", '*', '?'), 0);
}

TEST(Matching, Utf8ClientLocale)
{
    setenv("CLIENT_LOCALE", "en_US.utf8", 1);
    EXPECT_EQ(rwildmatch("\xc3\xa9t\xc3\xa9", "?t?", '*', '?'), 1);
    EXPECT_EQ(rwildmatch("\xc3\xa9t\xc3\xa9", "??t??", '*', '?'), 0);
    set_toerrno(0);
    EXPECT_EQ(rwildmatch("\xc3(", "*", '*', '?'), -1);
    EXPECT_EQ(get_toerrno(), -202);
    relist *l = rcnvtorelist(wz("a%").data(), '%', '_', '\\', 0);
    EXPECT_EQ(rrewildmatch("a\xff", 2, l, 0), 0);
    EXPECT_EQ(rrewildmatch("a\xc3\xa9", 3, l, 0), 1);
    rfreerelist(l);
    // Ranges by collation on wide values.
    std::vector<uint32_t> t = {0xC3A1, 0}, p = wz("[a-b]");
    EXPECT_EQ(rescwildmatch(t.data(), p.data(), '*', '?', '\\'), 1);
}

// Generated cases over an alphabet of letters, blanks, tabs and the special
// characters of both languages.
std::string random_string(std::mt19937 &rng, const std::string &alphabet, int max)
{
    std::string s;
    int n = static_cast<int>(rng() % (max + 1));
    for (int i = 0; i < n; ++i)
        s += alphabet[rng() % alphabet.size()];
    return s;
}

TEST(Matching, DirectAndCompiledMatchersAgreeWithTheModel)
{
    std::mt19937 rng(1909);
    const std::string text_chars = "abcab \t*?%_[]^-\\";
    const std::string pattern_chars = "abcab \t*?%_[]^-\\ab*%";
    int cases = full_run() ? 200000 : 20000, differences = 0, matched = 0;
    for (int i = 0; i < cases && differences < 10; ++i) {
        bool like = rng() % 2, ansi = rng() % 4 == 0;
        int as = like ? '%' : '*', ao = like ? '_' : '?';
        std::string t = random_string(rng, text_chars, 7), p = random_string(rng, pattern_chars, 7);
        gen_setansidb(ansi);
        Model m{static_cast<char32_t>(as), static_cast<char32_t>(ao), U'\\', ansi};
        int want = m.direct(wide(t), 0, wide(p), 0);
        set_toerrno(0);
        CheckGenInit()->gt_escwarn = 0;
        int got_fix = fixmatch(t, p, as, ao);
        bool bad = get_toerrno() == -1278, warned = CheckGenInit()->gt_escwarn != 0;
        int got_wide = widematch(t, p, as, ao);
        Model c{static_cast<char32_t>(as), static_cast<char32_t>(ao), U'\\', ansi};
        int want_compiled = c.compiled_match(wide(t), wide(p));
        int got_compiled = compiledmatch(t, p, as, ao);
        matched += want + want_compiled;
        if (got_fix != want || got_wide != want || bad != m.bad || warned != m.warned ||
            got_compiled != want_compiled) {
            ++differences;
            ADD_FAILURE() << "text \"" << t << "\" pattern \"" << p << "\" " << (like ? "LIKE" : "MATCHES")
                          << (ansi ? " ansi" : "") << ": model " << want << "/" << want_compiled << " ours "
                          << got_fix << " " << got_wide << "/" << got_compiled << " errors " << bad << warned
                          << " model " << m.bad << m.warned;
        }
    }
    std::printf("%d cases, %d matches\n", cases, matched);
    EXPECT_GT(matched, cases / 10);
    gen_setansidb(0);
}

TEST(Matching, CountedTextEndsAtItsLengthOrAZeroByte)
{
    const char text[] = "abcXYZ";
    EXPECT_EQ(rescfixstrmatch(text, 3, "abc", 3, '*', '?', '\\'), 1);
    EXPECT_EQ(rescfixstrmatch(text, 3, "abc*", 3, '*', '?', '\\'), 1);
    EXPECT_EQ(rescfixstrmatch(text, 6, "abc", 3, '*', '?', '\\'), 0);
    EXPECT_EQ(rescfixstrmatch("ab\0cd", 5, "ab", 2, '*', '?', '\\'), 1);
    EXPECT_EQ(rescfixstrmatch("abcd", 4, "ab\0zz", 5, '*', '?', '\\'), 0);
    EXPECT_EQ(rescfixstrmatch("ab", 2, "ab\0zz", 5, '*', '?', '\\'), 1);
    EXPECT_EQ(rescfixstrmatch(text, 0, "*", 1, '*', '?', '\\'), 1);
    EXPECT_EQ(rescfixstrmatch(text, 0, "?", 1, '*', '?', '\\'), 0);
}

TEST(Matching, AgreesWithFnmatchAndSqlite)
{
    std::mt19937 rng(77);
    const std::string text_chars = "abcdab";
    const std::string glob_chars = "abcd*?[]-^ab";
    int differences = 0, compared = 0, matched = 0;
    for (int i = 0; i < (full_run() ? 100000 : 10000) && differences < 10; ++i) {
        std::string t = random_string(rng, text_chars, 8), p = random_string(rng, glob_chars, 7);
        // Only closed sets whose members are letters or ranges of letters.
        bool well_formed = true;
        for (size_t k = 0; k < p.size() && well_formed; ++k)
            if (p[k] == '[') {
                size_t e = p.find(']', k + 1);
                if (e == std::string::npos || e == k + 1 || (e == k + 2 && p[k + 1] == '^'))
                    well_formed = false;
                else {
                    for (size_t j = k + 1; j < e; ++j)
                        if (p[j] == '[' || (p[j] == '^' && j != k + 1) ||
                            (p[j] == '-' && (j == k + 1 || j + 1 == e || p[j - 1] == '^' || p[j - 1] == '-')))
                            well_formed = false;
                    k = e;
                }
            } else if (p[k] == ']' || p[k] == '^' || p[k] == '-') {
                well_formed = false;
            }
        if (!well_formed)
            continue;
        int ours = fixmatch(t, p, '*', '?');
        int fn = fnmatch(p.c_str(), t.c_str(), 0) == 0;
        ++compared;
        matched += ours;
        bool bad = ours != fn;
#ifdef TRW_HAVE_SQLITE
        bad = bad || ours != (sqlite3_strglob(p.c_str(), t.c_str()) == 0);
        std::string lp = p;
        if (lp.find('[') == std::string::npos) {
            for (char &c : lp)
                c = c == '*' ? '%' : c == '?' ? '_' : c;
            bad = bad || fixmatch(t, lp, '%', '_') != (sqlite3_strlike(lp.c_str(), t.c_str(), '\\') == 0);
        }
#endif
        if (bad && ++differences)
            ADD_FAILURE() << "text \"" << t << "\" pattern \"" << p << "\" ours " << ours << " fnmatch " << fn;
    }
    std::printf("%d patterns compared, %d matched\n", compared, matched);
    EXPECT_GT(matched, compared / 20);
}

TEST(Matching, ManyAnySequencesTakePolynomialTime)
{
    std::string as(3000, 'a');
    EXPECT_EQ(fixmatch(as, "*a*a*a*a*a*a*a*a*a*a*a*b", '*', '?'), 0);
    EXPECT_EQ(widematch(as, "%a%a%a%a%a%a%a%a%a%a%b", '%', '_'), 0);
    EXPECT_EQ(compiledmatch(as, "*a*a*a*a*a*a*a*a*a*a*b", '*', '?'), 0);
    EXPECT_EQ(fixmatch(as + "b", "*a*a*a*a*a*a*a*a*a*a*a*b", '*', '?'), 1);
    EXPECT_EQ(compiledmatch(as + "b", "*a*a*a*a*a*a*a*a*a*a*b", '*', '?'), 1);
}

TEST(Matching, NormaliserOnHandMadeLists)
{
    // "-" is deleted, "ae" reads as "a", "ss" as "b", "s" alone stays.
    const uint32_t dash[] = {'-'}, ae[] = {'a', 'e'}, a[] = {'a'}, ss[] = {'s', 's'}, b[] = {'b'};
    const rwm::NormalRule rules[] = {{dash, 1, nullptr, 0}, {ae, 2, a, 1}, {ss, 2, b, 1}};
    ASSERT_TRUE(rwm::build_normaliser(rules, 3));
    uint32_t out[32];
    std::vector<uint32_t> in = wz("m-aess-as");
    int n = rwm::normalise(in.data(), static_cast<int>(in.size()) - 1, out, 32);
    EXPECT_EQ(std::u32string(reinterpret_cast<char32_t *>(out), n), U"mabas");
    // Output stops when the room is used up.
    EXPECT_EQ(rwm::normalise(in.data(), static_cast<int>(in.size()) - 1, out, 2), 2);
    // The pattern's literals and the text reach the same normal form.
    relist *l = rcnvtorelist(wz("str-ae*").data(), '*', '?', '\\', 1);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->type, 4);
    EXPECT_EQ(rrewildmatch("s-tra", 5, l, 1), 1);
    EXPECT_EQ(rrewildmatch("straex", 6, l, 1), 1);
    EXPECT_EQ(rrewildmatch("strbx", 5, l, 1), 0);
    EXPECT_EQ(rrewildmatch("s-tra", 5, l, 0), 0);
    rfreerelist(l);
    // Longest sequences first, one character copied where none matches.
    in = wz("sssa");
    n = rwm::normalise(in.data(), 4, out, 32);
    EXPECT_EQ(std::u32string(reinterpret_cast<char32_t *>(out), n), U"bsa");
    rwm::drop_normaliser();
}

} // namespace

namespace {

// Patterns of many any-sequence characters against longer texts, where the
// direct matchers skip tries (a literal after an any-sequence, a later
// any-sequence that failed from some position on) and where the padding rule
// lets an earlier any-sequence match a text's end: the model decides. The
// compiled matcher, which remembers from which position an any-sequence
// before each element failed, is held to the model's compiled rules.
TEST(Matching, SkippedTriesKeepTheModelsResults)
{
    std::mt19937 rng(1919);
    const std::string text_chars = "aab \t";
    const std::string pattern_chars = "aab ****??[\\";
    int cases = full_run() ? 100000 : 10000, differences = 0, matched = 0;
    for (int i = 0; i < cases && differences < 10; ++i) {
        bool like = rng() % 2;
        int as = like ? '%' : '*', ao = like ? '_' : '?';
        std::string t = random_string(rng, text_chars, 24), p = random_string(rng, pattern_chars, 10);
        if (like)
            for (char &c : p)
                c = c == '*' ? '%' : c == '?' ? '_' : c;
        gen_setansidb(0);
        Model m{static_cast<char32_t>(as), static_cast<char32_t>(ao), U'\\', false};
        int want = m.direct(wide(t), 0, wide(p), 0);
        CheckGenInit()->gt_escwarn = 0;
        int got_fix = fixmatch(t, p, as, ao);
        bool warned = CheckGenInit()->gt_escwarn != 0;
        int got_wide = widematch(t, p, as, ao);
        Model c{static_cast<char32_t>(as), static_cast<char32_t>(ao), U'\\', false};
        int want_compiled = c.compiled_match(wide(t), wide(p));
        int got_compiled = compiledmatch(t, p, as, ao);
        matched += want;
        if (got_fix != want || got_wide != want || warned != m.warned || got_compiled != want_compiled) {
            ++differences;
            ADD_FAILURE() << "text \"" << t << "\" pattern \"" << p << "\": model " << want << "/" << want_compiled
                          << " ours " << got_fix << " " << got_wide << "/" << got_compiled << " warned " << warned
                          << " model " << m.warned;
        }
    }
    EXPECT_GT(matched, cases / 20);
}

} // namespace
