// The statement scanner through its public functions: one table of tricky
// texts for chkstmt, gettoken, skipcomments, skipword and gstrqmarks; the
// keyword helpers; the case conversions against the locale library's own
// mapping and glibc's towupper/towlower; and bounds: every function on texts
// in heap buffers of exactly their size in single-byte, UTF-8, EUC-JP and
// Shift-JIS client locales. Each test is a fresh process, so each picks its
// client locale before the first call.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "gl_char.h"
#include "glsenv.h"
#include "sqlstmt.h"

extern "C" const char *__lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace {

void use_client_locale(const char *name)
{
    setenv("CLIENT_LOCALE", name, 1);
    setenv("DB_LOCALE", name, 1);
    ASSERT_EQ(chkglsinit(), 0) << name;
    ASSERT_NE(trw_get_gl_locale_thread(), nullptr);
}

// A heap copy of exactly the text's size, terminator included.
struct Exact {
    std::unique_ptr<char[]> bytes;
    int len;
    explicit Exact(const std::string &s) : bytes(new char[s.size() + 1]), len(static_cast<int>(s.size()))
    {
        std::memcpy(bytes.get(), s.c_str(), s.size() + 1);
    }
    char *get() { return bytes.get(); }
};

std::vector<int> kinds(const std::string &s, int len = -1)
{
    Exact e(s);
    if (len < 0)
        len = e.len;
    std::vector<int> out;
    int pos = 0;
    for (;;) {
        const int before = pos;
        const int kind = gettoken(e.get(), len, &pos);
        out.push_back(kind);
        if (kind < 0)
            break;
        EXPECT_GT(pos, before) << s;
        EXPECT_LE(pos, len) << s;
    }
    EXPECT_EQ(pos, len) << s;
    return out;
}

int chk(const std::string &s) { return chkstmt(Exact(s).get(), static_cast<int>(s.size())); }
int marks(const std::string &s) { return gstrqmarks(Exact(s).get()); }

// ---- chkstmt -----------------------------------------------------------------------

TEST(Chkstmt, RoutineCompleteness)
{
    struct Row {
        const char *text;
        int expected;
    };
    const Row rows[] = {
        {"create procedure p() let a = 1; end procedure;", 0},
        {"create procedure p() let a = 1;", 1},
        {"CREATE PROCEDURE p() LET a = 1; END PROCEDURE;", 0},
        {"Create Function f() returning int; return 1; End Function;", 0},
        {"create function f(a int) returning int external name '/x.so(f)' language c;", 0},
        {"create function f() returning int external name", 0},
        {"create procedure p() external name 'x'", 1},          // only functions are external
        {"create procedure p() end procedure; ", 1},             // trailing blank
        {"create procedure p() end procedure;\n", 1},
        {"create procedure p() end procedure; -- done\n", 1},
        {"create procedure p() end procedure", 1},               // no final ";"
        {"create procedure p() end\n{ between }\nprocedure;", 0},
        {"create procedure p() end -- c\n procedure;", 0},
        {"create procedure p() endprocedure;", 0},                // prefix tests
        {"create procedure p() end x procedure;", 1},
        {"create procedure p() external  name 'x'; end function;", 0},
        {"create function f() external  name 'x';", 1},          // two blanks: not kind 5
        {"create dba procedure p() end procedure;", 0},
        {"create dba function f() end function;", 0},
        {"create {c} procedure p() end procedure;", 0},
        {"create -- c\nprocedure p() end procedure;", 0},
        {"create {unclosed procedure", 1},
        {"create procedure p() { never closed", 1},
        {"create procedure p() -- no newline", 1},
        {"create procedure p() let s = 'end procedure;'; end procedure;", 0},
        {"create procedure p() let s = 'end procedure;';", 1},
        {"create procedure p() let s = 'unclosed; end procedure;", 1},
        {"create procedure p() { end procedure; }", 1},
        {"create table t (a int);", 0},
        {"select * from t;", 0},
        {" create procedure p()", 0},                            // leading white space
        {"create", 0},
        {"create ", 0},
        {"create procedure", 1},
        {"create dba function", 1},
        {"create dba", 0},                                       // nothing after dba
        {"create dba -- c", 1},                                  // unclosed comment after dba
        {"create dba {c", 1},
        {"createXprocedure p()", 1},                             // any seventh character
        {"", 0},
    };
    for (const Row &r : rows)
        EXPECT_EQ(chk(r.text), r.expected) << r.text;
    EXPECT_EQ(chkstmt(nullptr, 10), 0);
}

TEST(Chkstmt, NothingPastTheLengthCounts)
{
    const std::string full = "create procedure p() end procedure;";
    Exact e(full);
    EXPECT_EQ(chkstmt(e.get(), e.len), 0);
    EXPECT_EQ(chkstmt(e.get(), e.len - 1), 1);
    EXPECT_EQ(chkstmt(e.get(), 6), 0) << "no seventh character within the length";
    // A comment closed only past the length is unterminated.
    const std::string comment = "create procedure p() {x} end procedure;";
    EXPECT_EQ(chkstmt(Exact(comment).get(), 23), 1);
    // A keyword that continues past the length is not seen.
    EXPECT_EQ(chkstmt(Exact(full).get(), 30), 1);
}

// ---- gettoken ----------------------------------------------------------------------

TEST(Gettoken, KindsAndPositions)
{
    using V = std::vector<int>;
    EXPECT_EQ(kinds("end procedure ; function"), (V{1, 2, 3, 4, -1}));
    EXPECT_EQ(kinds("ENDX"), (V{1, 0, -1})) << "prefix test, position moved by 3";
    EXPECT_EQ(kinds("external name x"), (V{5, 0, 0, -1}));
    EXPECT_EQ(kinds("external  name"), (V{0, 0, -1}));
    EXPECT_EQ(kinds("externalXname"), (V{5, 0, -1}));
    EXPECT_EQ(kinds("'a''b'"), (V{0, 0, -1})) << "two strings";
    EXPECT_EQ(kinds("'a;b' \"c;d\";"), (V{0, 0, 3, -1}));
    EXPECT_EQ(kinds("'unclosed ; end"), (V{0, -1}));
    EXPECT_EQ(kinds("{ c } end -- x\nend"), (V{1, 1, -1}));
    EXPECT_EQ(kinds("{ never"), (V{-2}));
    EXPECT_EQ(kinds("-- never"), (V{-2}));
    EXPECT_EQ(kinds("a-b - c"), (V{0, 0, 0, -1}));
    EXPECT_EQ(kinds("abc;def{x}ghi--y\n'q'"), (V{0, 3, 0, 0, 0, -1}));
    EXPECT_EQ(kinds("   \t\n\v\f\r"), (V{-1}));
    EXPECT_EQ(kinds(""), (V{-1}));
    EXPECT_EQ(kinds("{ } } }"), (V{0, 0, -1})) << "braces do not nest";
}

TEST(Gettoken, BoundedByTheLength)
{
    using V = std::vector<int>;
    EXPECT_EQ(kinds("procedure", 5), (V{0, -1}));
    EXPECT_EQ(kinds("external name", 12), (V{0, 0, -1}));
    EXPECT_EQ(kinds("{ c }", 4), (V{-2}));
    EXPECT_EQ(kinds("-- c\n", 4), (V{-2}));
    EXPECT_EQ(kinds("'abc'", 3), (V{0, -1}));
    int pos = 7;
    EXPECT_EQ(gettoken("end", 3, &pos), -1);
    EXPECT_EQ(pos, 7) << "a position past the length stays";
}

// ---- skipping ----------------------------------------------------------------------

TEST(Skipping, CommentsWhiteQuotesWords)
{
    std::string s = "  {a} -- b\n\t word";
    Exact e(s);
    char *p = e.get();
    EXPECT_EQ(skipcomments(&p), 0);
    EXPECT_STREQ(p, "word");
    for (const char *open : {"  { never", "-- no newline", " x {"}) {
        Exact u(open);
        char *q = u.get();
        const int r = skipcomments(&q);
        if (open[1] == 'x') {
            EXPECT_EQ(r, 0);
            EXPECT_STREQ(q, "x {");
        } else {
            EXPECT_EQ(r, 1) << open;
            EXPECT_EQ(q, u.get()) << "unchanged";
        }
    }
    EXPECT_STREQ(skipwhite(" \t\n x"), "x");
    EXPECT_STREQ(skipquote("'it''s' rest"), "' rest");
    EXPECT_STREQ(skipquote("\"a'b\" rest"), "\" rest");
    EXPECT_STREQ(skipquote("'open"), "");
    EXPECT_STREQ(skipquote("''"), "'") << "an empty string closes at once";
    EXPECT_STREQ(skipword("ab_1$x+y"), "+y");
    EXPECT_STREQ(skipword("$x"), "x") << "a word does not start with $";
    EXPECT_STREQ(skipword("'a''b'c"), "c");
    EXPECT_STREQ(skipword("'open"), "");
    EXPECT_STREQ(skipword("+-"), "-");
    EXPECT_STREQ(skipword(""), "");
}

// ---- parameter markers -------------------------------------------------------------

TEST(Gstrqmarks, MarkersOutsideQuotesAndComments)
{
    struct Row {
        const char *text;
        int expected;
    };
    const Row rows[] = {
        {"insert into t values (?, '?', ?) -- ?", 2},
        {"insert into t values (?, '?', ?) { ? }", 2},
        {"insert into t values (set{?})", 1},
        {"insert into t values (LIST {?, ?}) { ? }", 3}, // a literal makes later braces text
        {"select \"O'Brien\" from t -- where a = ?", 0},   // comment outside strings only
        {"select 'say \"hi' from t where a = ? -- ?", 1},
        {"select 'a''?''b', ? from t", 1},
        {"select ? /* ? */ , ?", 2},
        {"select ? /* ? ", 1},
        {"select ? -- ?\n, ?", 2},
        {"select '{' , ?", 1},
        {"select ? { { ? } ?", 2},                          // "{ { ? }" is one comment
        {"select ?", 1},
        {"settings ? { ? }", 1},
        {"-", 0},
        {"?'", 1},
        {"", 0},
    };
    for (const Row &r : rows)
        EXPECT_EQ(marks(r.text), r.expected) << r.text;
    EXPECT_EQ(gstrqmarks(nullptr), 0);
}

// ---- keyword helpers ---------------------------------------------------------------

TEST(Keywords, CaseBlindComparisons)
{
    EXPECT_EQ(bycbcmpr("CREATE", "create", 6), 0);
    EXPECT_EQ(bycbcmpr("CREATED", "create", 6), 0);
    EXPECT_EQ(bycbcmpr("CREATED", "create", 7), 1);
    EXPECT_EQ(bycbcmpr("CREAT", "create", 6), -1);
    EXPECT_EQ(bycbcmpr("abc", "abd", 3), -1);
    EXPECT_EQ(bycbcmpr("ABD", "abc", 3), 1);
    EXPECT_EQ(bycbcmpr("a_", "aA", 2), 1) << "'_' against a letter by raw codes";
    EXPECT_EQ(bycbcmpr("", "", 5), 0);
    EXPECT_EQ(bycbcmpr("x", "y", 0), 0);
    const std::string long_a(300, 'a');
    const std::string long_b = std::string(256, 'a') + "b";
    EXPECT_EQ(bycbcmpr(long_a.c_str(), long_b.c_str(), 300), 0) << "256 characters at most";
    EXPECT_EQ(cbncmpr("select", "SELECT *", 6), 0);
    EXPECT_EQ(cbncmpr("select", "SELEC", 6), 1);
    EXPECT_EQ(cbncmpr("ab", "ab", 5), 0);
    EXPECT_EQ(cbncmpr("ab", "abc", 5), 1);
    EXPECT_EQ(cbncmpr("Ab", "ab", 2), 1) << "only the text's capitals are ignored";
}

TEST(Keywords, Extpos)
{
    const char *c1 = "t (a int, b char(10)) extent size 16";
    EXPECT_STREQ(extpos(c1, "extent"), "extent size 16");
    const char *c2 = "t ('(' , a) lock mode row;";
    EXPECT_STREQ(extpos(c2, "lock"), "lock mode row;");
    EXPECT_STREQ(extpos("t (a int) put x;", "extent"), ";");
    EXPECT_STREQ(extpos("t (a int) put x", "extent"), "");
    EXPECT_STREQ(extpos("t of type r under s", "under"), "under s");
    EXPECT_STREQ(extpos("t under s", "under"), "") << "no group and no OF TYPE";
    EXPECT_STREQ(extpos("t (a int", "lock"), "") << "unbalanced group";
    EXPECT_STREQ(extpos("t ('a int) lock", "lock"), "") << "unclosed quote";
}

TEST(Keywords, CollectionLiteralsAndShift)
{
    auto lit = [](const char *s) { return collection_literal(s, s + std::strlen(s) - 1); };
    EXPECT_EQ(lit("LIST {"), 1);
    EXPECT_EQ(lit("set{"), 1);
    EXPECT_EQ(lit("MultiSet \t{1}"), 1);
    EXPECT_EQ(lit("settings {"), 0);
    EXPECT_EQ(lit("list x {"), 0);
    EXPECT_EQ(lit("set"), 0);
    EXPECT_EQ(lit("bag {"), 0);
    const std::string longer = "set" + std::string(200, ' ') + "{";
    EXPECT_EQ(lit(longer.c_str()), 1) << "the copy is allocated";
    char buf[12] = "abcdef";
    rightshift(buf, buf + 5, 3);
    EXPECT_EQ(std::string(buf, 9), "abcabcdef");
    rightshift(buf + 1, buf, 2);
    EXPECT_EQ(std::string(buf, 9), "abcabcdef") << "last before first moves nothing";
}

// ---- case conversions --------------------------------------------------------------

std::string initcap_model(const std::string &s)
{
    std::string out;
    bool in_word = false;
    for (unsigned char c : s) {
        const bool alpha = std::isalpha(c) != 0;
        out += static_cast<char>(!alpha ? c : in_word ? std::tolower(c) : std::toupper(c));
        in_word = alpha;
    }
    return out;
}

// No text is no statement: every scanner answers a null argument without
// reading anything.
TEST(Skipping, NullTextsReadNothing)
{
    int pos = 0;
    EXPECT_EQ(gettoken("select", 6, nullptr), SQLTOK_END);
    EXPECT_EQ(gettoken(nullptr, 6, &pos), SQLTOK_END);
    EXPECT_EQ(pos, 6);
    EXPECT_EQ(skipcomments(nullptr), 0);
    char *none = nullptr;
    EXPECT_EQ(skipcomments(&none), 0);
    EXPECT_EQ(skipwhite(nullptr), nullptr);
    EXPECT_EQ(skipquote(nullptr), nullptr);
    const char empty[] = "";
    EXPECT_EQ(skipquote(empty), empty);
    EXPECT_EQ(skipword(nullptr), nullptr);
    EXPECT_EQ(cbncmpr(nullptr, nullptr, 3), 0);
    EXPECT_EQ(cbncmpr("select", nullptr, 3), 1);
    EXPECT_EQ(cbncmpr(nullptr, "select", 0), 0);
    EXPECT_EQ(extpos(nullptr, "default"), nullptr);
    const char set[] = "set{1}";
    EXPECT_EQ(collection_literal(nullptr, set + 4), 0);
    EXPECT_EQ(collection_literal(set + 4, set), 0);
}

TEST(CaseShift, AsciiAndInitcap)
{
    use_client_locale("en_US.8859-1");
    char text[] = "Hello, World 9_x";
    rupshift(text);
    EXPECT_STREQ(text, "HELLO, WORLD 9_X");
    rdownshift(text);
    EXPECT_STREQ(text, "hello, world 9_x");
    rcaseshift(99, text);
    EXPECT_STREQ(text, "hello, world 9_x");
    rupshift(nullptr);
    char out[32];
    EXPECT_EQ(sqlinitcap("hello wORLD it's", out, sizeof out), 0);
    EXPECT_STREQ(out, "Hello World It'S");
    std::mt19937 rng(7);
    const std::string alphabet = "aZ 'x-Q_9b";
    for (int i = 0; i < 200; ++i) {
        std::string s;
        for (int k = rng() % 20; k > 0; --k)
            s += alphabet[rng() % alphabet.size()];
        std::vector<char> d(s.size() + 1);
        EXPECT_EQ(sqlinitcap(s.c_str(), d.data(), static_cast<int>(d.size())), 0);
        EXPECT_EQ(std::string(d.data()), initcap_model(s)) << s;
    }
}

// Every n from 0 to the length + 2: whole characters, zero fill, nothing
// written past n.
void check_every_n(int code, const std::string &src, const std::string &full)
{
    for (size_t n = 0; n <= src.size() + 2; ++n) {
        std::vector<char> dst(n + 4, '#');
        const int r = code == 0 ? sqlinitcap(src.c_str(), dst.data(), static_cast<int>(n))
                                : sqlcaseshift(code, src.c_str(), dst.data(), static_cast<int>(n));
        EXPECT_EQ(r, 0);
        size_t used = std::strlen(std::string(dst.data(), n).c_str());
        EXPECT_LE(used, n);
        EXPECT_EQ(full.compare(0, used, dst.data(), used), 0) << "a prefix of the full result, n " << n;
        for (size_t i = used; i < n; ++i)
            EXPECT_EQ(dst[i], '\0') << "zero fill, n " << n;
        for (size_t i = n; i < n + 4; ++i)
            EXPECT_EQ(dst[i], '#') << "past n, n " << n;
        if (n >= full.size()) {
            EXPECT_EQ(used, full.size());
        }
    }
}

TEST(CaseShift, Latin1AgainstGlibcAndTheLocale)
{
    use_client_locale("en_US.8859-1");
    setenv("LOCPATH", GLIBC_LOCALES, 1);
    locale_t glibc = newlocale(LC_ALL_MASK, "en_US.ISO-8859-1", nullptr);
    ASSERT_NE(glibc, nullptr);
    gl_locale *loc = trw_get_gl_locale_thread();
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    std::string up(all.size() + 1, '\0'), down(all.size() + 1, '\0');
    ASSERT_EQ(sqlcaseshift(SQL_UPSHIFT, all.c_str(), up.data(), static_cast<int>(up.size())), 0);
    ASSERT_EQ(sqlcaseshift(SQL_DOWNSHIFT, all.c_str(), down.data(), static_cast<int>(down.size())), 0);
    for (int c = 1; c < 256; ++c) {
        const auto u = static_cast<unsigned char>(up[c - 1]);
        const auto d = static_cast<unsigned char>(down[c - 1]);
        EXPECT_EQ(u, gl_towupper(loc, static_cast<gl_wchar_t>(c))) << c;
        EXPECT_EQ(d, gl_towlower(loc, static_cast<gl_wchar_t>(c))) << c;
        EXPECT_EQ(u, static_cast<unsigned>(toupper_l(c, glibc))) << c;
        EXPECT_EQ(d, static_cast<unsigned>(tolower_l(c, glibc))) << c;
    }
    std::string inplace = all;
    rupshift(inplace.data());
    EXPECT_EQ(inplace, up.substr(0, all.size()));
    const std::string word = "stra\xDF" "e \xFF";
    std::string full(word.size() + 1, '\0');
    sqlcaseshift(SQL_UPSHIFT, word.c_str(), full.data(), static_cast<int>(full.size()));
    check_every_n(SQL_UPSHIFT, word, full.c_str());
    freelocale(glibc);
}

// Every character of a small UTF-8 sample against glibc's towupper.
TEST(CaseShift, Utf8AgainstGlibc)
{
    use_client_locale("en_US.utf8");
    setenv("LOCPATH", GLIBC_LOCALES, 1);
    locale_t glibc = newlocale(LC_ALL_MASK, "en_US.UTF-8", nullptr);
    ASSERT_NE(glibc, nullptr);
    const char *samples[] = {"a", "z", "\xC3\xA9", "\xC3\xBF", "\xC4\x81", "\xCE\xB1", "\xD0\xB6", "\xE1\xBA\xA1",
                             "A", "\xC3\x89", "\xCE\x91", "1", "\xE2\x82\xAC"};
    for (const char *s : samples) {
        wchar_t w = 0;
        mbstate_t st{};
        uselocale(glibc);
        std::mbrtowc(&w, s, std::strlen(s), &st);
        char expect_up[8] = {}, expect_down[8] = {};
        st = {};
        ASSERT_NE(std::wcrtomb(expect_up, static_cast<wchar_t>(towupper_l(w, glibc)), &st), static_cast<size_t>(-1))
            << s;
        st = {};
        ASSERT_NE(std::wcrtomb(expect_down, static_cast<wchar_t>(towlower_l(w, glibc)), &st), static_cast<size_t>(-1))
            << s;
        uselocale(LC_GLOBAL_LOCALE);
        char up[8] = {}, down[8] = {};
        ASSERT_EQ(sqlcaseshift(SQL_UPSHIFT, s, up, 7), 0);
        ASSERT_EQ(sqlcaseshift(SQL_DOWNSHIFT, s, down, 7), 0);
        EXPECT_STREQ(up, expect_up) << s;
        EXPECT_STREQ(down, expect_down) << s;
    }
    char out[8];
    EXPECT_EQ(sqlcaseshift(SQL_UPSHIFT, "a\xC3", out, 8), SQL_EBADCHAR);
    EXPECT_EQ(out[0], 'A');
    for (int i = 1; i < 8; ++i)
        EXPECT_EQ(out[i], '\0');
    EXPECT_EQ(sqlinitcap("\xFF", out, 8), SQL_EBADCHAR);
    check_every_n(SQL_UPSHIFT, "\xC3\xA9t\xC3\xA9 \xCE\xB1x", "\xC3\x89T\xC3\x89 \xCE\x91X");
    check_every_n(0, "\xC3\xA9t\xC3\xA9 \xCE\xB1x", "\xC3\x89t\xC3\xA9 \xCE\x91x");
    char text[] = "\xC3\xA9t\xC3\xA9\xFF";
    rupshift(text);
    EXPECT_STREQ(text, "\xC3\x89T\xC3\x89\xFF") << "an invalid byte stays";
    freelocale(glibc);
}

// ---- bounds in several client locales ----------------------------------------------

void walk_everything(const std::string &s)
{
    Exact e(s);
    kinds(s);
    chkstmt(e.get(), e.len);
    char *p = e.get();
    skipcomments(&p);
    for (const char *q = e.get(); *q != '\0';) {
        const char *next = skipword(q);
        ASSERT_GT(next, q);
        ASSERT_LE(next, e.get() + e.len);
        q = skipwhite(next);
    }
    if (*e.get() == '\'' || *e.get() == '"')
        skipquote(e.get());
    EXPECT_LE(gstrqmarks(e.get()), static_cast<int>(std::count(s.begin(), s.end(), '?')));
    bycbcmpr(e.get(), "create", 300);
    cbncmpr("create", e.get(), 300);
    extpos(e.get(), "lock");
    if (e.len > 0)
        collection_literal(e.get(), e.get() + e.len - 1);
    std::vector<char> out(s.size() * 2 + 1);
    sqlcaseshift(SQL_UPSHIFT, e.get(), out.data(), static_cast<int>(out.size()));
    sqlinitcap(e.get(), out.data(), static_cast<int>(out.size()));
    rupshift(e.get());
    rdownshift(e.get());
}

void bounds_in(const char *locale, const std::vector<std::string> &extra)
{
    use_client_locale(locale);
    std::vector<std::string> texts = {
        "", "'", "\"", "{", "-", "--", "create", "create procedure", "create dba function",
        "create procedure p() 'x", "select '?'?", "set {", "list", "x /* ", "'a''", "c\xFF", "\x81",
        "create procedure p() end procedure;", "e", "external nam", "a$", "$",
    };
    texts.insert(texts.end(), extra.begin(), extra.end());
    std::mt19937 rng(11);
    const char *pieces[] = {"create ", "procedure ", "end ", "'", "\"", "{", "}", "--", "\n", "?", ";",
                            "set ", "(", ")", "of type ", "\xA4\xA2", "\x95\x5C", "\xC3", "\xE3\x80\x80", " "};
    for (int i = 0; i < 300; ++i) {
        std::string s;
        for (int k = rng() % 12; k > 0; --k)
            s += pieces[rng() % std::size(pieces)];
        texts.push_back(s);
    }
    for (const std::string &s : texts)
        walk_everything(s);
}

TEST(Bounds, SingleByte) { bounds_in("en_US.8859-1", {"\xE9t\xE9"}); }
TEST(Bounds, Utf8) { bounds_in("en_US.utf8", {"\xC3\xA9", "\xE3\x80\x80x", "\xF0\x9F\x98"}); }
TEST(Bounds, EucJp) { bounds_in("ja_JP.ujis", {"\xA4\xA2\xA1\xA1x", "\x8E"}); }
TEST(Bounds, ShiftJis)
{
    // 0x95 0x5C is one kanji whose second byte is '\\'; 0x83 0x7B ends in '{'.
    bounds_in("ja_JP.sjis", {"\x95\x5C", "\x83\x7B ? }", "'\x83\x7B' ?"});
    EXPECT_EQ(marks("select \x83\x7B ?"), 1) << "a trail byte '{' opens no comment";
    EXPECT_EQ(marks("select '\x95\x5C' ?"), 1);
    EXPECT_STREQ(skipword("\x83\x7B+"), "+") << "one character of two bytes";
    EXPECT_STREQ(skipquote("'\x83\x7B'"), "'");
}

} // namespace
