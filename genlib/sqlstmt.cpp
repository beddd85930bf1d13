// The SQL statement scanner: white space, comments, quoted strings and words
// (skipwhite, skipcomments, skipquote, skipword), the token reader behind
// the routine-completeness test (gettoken, chkstmt), case-blind keyword
// tests (bycbcmpr, cbncmpr, extpos), collection literals and parameter
// markers (collection_literal, gstrqmarks), and rightshift.
//
// Length-bounded walks (gettoken, chkstmt) never read at or past len;
// terminated walks step over whole characters of the client locale, an
// invalid sequence counting as one byte.
#include "sqlstmt.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "osutil.h"
#include "sqlchars.h"

using sqlscan::ClientChars;

namespace {

// ---- bounded ranges --------------------------------------------------------------

// The white space of gettoken: the OS layer's class "space".
bool os_space(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool fold_equal(unsigned char a, char lower_keyword)
{
    return (a >= 'A' && a <= 'Z' ? a + ('a' - 'A') : a) == static_cast<unsigned char>(lower_keyword);
}

// A text range [at, end) with the client's characters.
struct Range {
    const ClientChars &cc;
    const char *text;
    int at;
    int end;

    bool done() const { return at >= end; }
    unsigned char byte(int offset = 0) const { return static_cast<unsigned char>(text[at + offset]); }
    bool has(int n) const { return end - at >= n; }
    int step() const { return sqlscan::char_step(cc, text + at, end - at); }

    // Case-insensitive prefix test of an ASCII lower-case keyword at
    // at + offset, within the range.
    bool keyword(const char *kw, int offset = 0) const
    {
        const int n = static_cast<int>(std::strlen(kw));
        if (!has(offset + n))
            return false;
        for (int i = 0; i < n; ++i)
            if (!fold_equal(byte(offset + i), kw[i]))
                return false;
        return true;
    }

    bool comment_start() const { return byte() == '{' || (byte() == '-' && has(2) && byte(1) == '-'); }

    // Moves to the first byte equal to c (true) or to the end (false).
    bool find(unsigned char c)
    {
        while (!done()) {
            if (byte() == c)
                return true;
            at += step();
        }
        at = end;
        return false;
    }

    // Skips the comment at the current position: false when it does not
    // end within the range.
    bool skip_comment()
    {
        const unsigned char close = byte() == '{' ? '}' : '\n';
        at += byte() == '{' ? 1 : 2;
        if (!find(close))
            return false;
        ++at;
        return true;
    }

    void skip_os_space()
    {
        while (!done() && os_space(byte()))
            ++at;
    }

    void skip_locale_space()
    {
        while (!done()) {
            int len = 0;
            if ((sqlscan::char_mask(cc, text + at, end - at, &len) & GL_CLASS_SPACE) == 0)
                return;
            at += len;
        }
    }

    // White space and comments, with the locale's or the OS layer's white
    // space; false for an unterminated comment.
    bool skip_space_and_comments(bool locale_space)
    {
        for (;;) {
            if (locale_space)
                skip_locale_space();
            else
                skip_os_space();
            if (done() || !comment_start())
                return true;
            if (!skip_comment())
                return false;
        }
    }
};

// Bytes that may end a word of gettoken: white space, ";", "{", the quotes
// and "-" (which ends it only as "--").
constexpr auto kWordStop = [] {
    std::array<bool, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[c] = c == ' ' || (c >= '\t' && c <= '\r') || c == ';' || c == '{' || c == '\'' || c == '"' || c == '-';
    return t;
}();

bool word_stop(const Range &r)
{
    const unsigned char c = r.byte();
    return kWordStop[c] && (c != '-' || (r.has(2) && r.byte(1) == '-'));
}

int next_token(Range &r)
{
    for (;;) {
        r.skip_os_space();
        if (r.done())
            return SQLTOK_END;
        const unsigned char c = r.byte();
        if (c == '\'' || c == '"') {
            ++r.at;
            if (r.find(c))
                ++r.at;
            return SQLTOK_OTHER;
        }
        if (!r.comment_start())
            break;
        if (!r.skip_comment()) {
            r.at = r.end;
            return SQLTOK_UNTERMINATED;
        }
    }
    struct Keyword {
        const char *text;
        int length;
        int kind;
    };
    static constexpr Keyword kKeywords[] = {
        {"end", 3, SQLTOK_KW_END},
        {"procedure", 9, SQLTOK_KW_PROCEDURE},
        {"function", 8, SQLTOK_KW_FUNCTION},
    };
    const unsigned char first = r.byte() | 0x20;
    if (first == 'e' || first == 'p' || first == 'f') {
        for (const Keyword &k : kKeywords)
            if (r.keyword(k.text)) {
                r.at += k.length;
                return k.kind;
            }
        if (r.keyword("external") && r.keyword("name", 9)) {
            r.at += 8;
            return SQLTOK_KW_EXTERNAL;
        }
    }
    if (r.byte() == ';') {
        ++r.at;
        return SQLTOK_SEMICOLON;
    }
    do
        r.at += r.step();
    while (r.at < r.end && !word_stop(r));
    if (r.at > r.end)
        r.at = r.end;
    return SQLTOK_OTHER;
}

// ---- terminated texts ------------------------------------------------------------

bool is_space_at(const ClientChars &cc, const char *p, int *len)
{
    return (sqlscan::char_mask(cc, p, sqlscan::term_limit(p), len) & GL_CLASS_SPACE) != 0;
}

const char *skip_space(const ClientChars &cc, const char *p)
{
    int len = 0;
    while (*p != '\0' && is_space_at(cc, p, &len))
        p += len;
    return p;
}

int step_at(const ClientChars &cc, const char *p)
{
    return sqlscan::char_step(cc, p, sqlscan::term_limit(p));
}

// The first character equal to the ASCII byte c at or after p, or null.
const char *find_char(const ClientChars &cc, const char *p, char c)
{
    for (; *p != '\0'; p += step_at(cc, p))
        if (*p == c)
            return p;
    return nullptr;
}

const char *quote_end(const ClientChars &cc, const char *p)
{
    const char q = *p++;
    for (; *p != '\0'; p += step_at(cc, p))
        if (*p == q) {
            if (p[1] != q)
                return p;
            ++p;
        }
    return p;
}

bool word_char(const ClientChars &cc, const char *p, int *len)
{
    if (*p == '_') {
        *len = 1;
        return true;
    }
    return (sqlscan::char_mask(cc, p, sqlscan::term_limit(p), len) & (GL_CLASS_ALPHA | GL_CLASS_DIGIT)) != 0;
}

const char *word_end(const ClientChars &cc, const char *p)
{
    if (*p == '\0')
        return p;
    int len = 0;
    if (word_char(cc, p, &len)) {
        p += len;
        while (*p == '$' || (*p != '\0' && word_char(cc, p, &len)))
            p += *p == '$' ? 1 : len;
        return p;
    }
    if (*p == '\'' || *p == '"') {
        const char *e = quote_end(cc, p);
        return *e != '\0' ? e + 1 : e;
    }
    return p + step_at(cc, p);
}

// ---- keyword comparisons ---------------------------------------------------------

constexpr int kWideLimit = 256;

// Up to 256 wide characters of a terminated text; returns the count.
int to_wide(const ClientChars &cc, const char *s, gl_wchar_t *out)
{
    int n = 0;
    while (s != nullptr && *s != '\0' && n < kWideLimit) {
        int len = 0;
        out[n++] = sqlscan::wide_at(cc, s, sqlscan::term_limit(s), &len);
        s += len;
    }
    return n;
}

int compare_wide(const ClientChars &cc, gl_wchar_t a, gl_wchar_t b)
{
    if (sqlscan::wide_alpha(cc, a) && sqlscan::wide_alpha(cc, b)) {
        a = sqlscan::wide_lower(cc, a);
        b = sqlscan::wide_lower(cc, b);
    }
    return a == b ? 0 : a < b ? -1 : 1;
}

// cbncmpr on the client's characters.
int keyword_differs(const ClientChars &cc, const char *keyword, const char *text, int n)
{
    for (int i = 0; i < n; ++i) {
        if (*keyword == '\0' || *text == '\0')
            return *keyword == *text ? 0 : 1;
        int klen = 0;
        int tlen = 0;
        const gl_wchar_t k = sqlscan::wide_at(cc, keyword, sqlscan::term_limit(keyword), &klen);
        const gl_wchar_t t = sqlscan::wide_at(cc, text, sqlscan::term_limit(text), &tlen);
        if (k != t && k != sqlscan::wide_lower(cc, t))
            return 1;
        keyword += klen;
        text += tlen;
    }
    return 0;
}

// ---- collection literals ---------------------------------------------------------

// Whether bytes[0..n) (lowered when fold) is "set", "list" or "multiset",
// white space, then "{".
bool literal_match(const ClientChars &cc, const char *bytes, size_t n, bool fold)
{
    static constexpr const char *kWords[] = {"set", "list", "multiset"};
    for (const char *word : kWords) {
        const size_t wl = std::strlen(word);
        if (n <= wl)
            continue;
        size_t i = 0;
        while (i < wl && (fold ? fold_equal(static_cast<unsigned char>(bytes[i]), word[i]) : bytes[i] == word[i]))
            ++i;
        if (i < wl)
            continue;
        while (i < n) {
            int len = 0;
            const int mask = sqlscan::char_mask(cc, bytes + i, static_cast<int>(n - i), &len);
            if ((mask & GL_CLASS_SPACE) == 0)
                break;
            i += static_cast<size_t>(len);
        }
        return i < n && bytes[i] == '{';
    }
    return false;
}

// ---- parameter markers -----------------------------------------------------------

struct MarkerWalk {
    const ClientChars &cc;
    const char *p;
    const char *next_brace = nullptr; // the next "{" at or after p, or null
    bool literal_seen = false;
    int count = 0;

    void check_literal()
    {
        if (next_brace == nullptr || next_brace < p)
            next_brace = std::strchr(p, '{');
        if (next_brace == nullptr) {
            literal_seen = true; // no "{" is left to be a comment
            return;
        }
        const unsigned char c = static_cast<unsigned char>(*p) | 0x20;
        if (c == 's' || c == 'm' || c == 'l')
            literal_seen = literal_match(cc, p, static_cast<size_t>(next_brace - p + 1), true);
    }

    // Moves p past the first close byte (or star-slash when close is '*'),
    // or to the end.
    void skip_to(char close)
    {
        while (*p != '\0') {
            if (*p == close && (close != '*' || p[1] == '/')) {
                p += close == '*' ? 2 : 1;
                return;
            }
            p += step_at(cc, p);
        }
    }

    // Skips a comment starting at p; false when none starts there.
    bool skip_comment()
    {
        if (*p == '{' && !literal_seen) {
            ++p;
            skip_to('}');
        } else if (p[0] == '-' && p[1] == '-') {
            p += 2;
            skip_to('\n');
        } else if (p[0] == '/' && p[1] == '*') {
            p += 2;
            skip_to('*');
        } else {
            return false;
        }
        return true;
    }

    int run()
    {
        char quote = 0;
        while (*p != '\0') {
            if (quote == 0) {
                if (!literal_seen)
                    check_literal();
                if ((*p == '{' || *p == '-' || *p == '/') && skip_comment())
                    continue;
                if (*p == '?')
                    ++count;
                else if (*p == '\'' || *p == '"')
                    quote = *p;
            } else if (*p == quote) {
                quote = 0;
            }
            p += step_at(cc, p);
        }
        return count;
    }
};

} // namespace

extern "C" {

int gettoken(const char *text, int len, int *pos)
{
    if (pos == nullptr)
        return SQLTOK_END;
    if (text == nullptr || *pos >= len) {
        if (*pos < len)
            *pos = len;
        return SQLTOK_END;
    }
    Range r{sqlscan::client_chars(), text, *pos < 0 ? 0 : *pos, len};
    const int kind = next_token(r);
    *pos = r.at;
    return kind;
}

int chkstmt(const char *text, int len)
{
    if (text == nullptr || len < 7)
        return 0;
    Range r{sqlscan::client_chars(), text, 0, len};
    if (!r.keyword("create"))
        return 0;
    r.at = 6;
    r.at += r.step();
    if (!r.skip_space_and_comments(true))
        return 1;
    if (r.keyword("dba")) {
        r.at += 3;
        if (!r.skip_space_and_comments(true))
            return 1;
    }
    const bool function = !r.keyword("procedure") && r.keyword("function");
    if (!function && !r.keyword("procedure"))
        return 0;
    r.at += function ? 8 : 9;
    bool end_seen = false;
    int previous = SQLTOK_OTHER;
    int last_end = -1;
    for (;;) {
        const int kind = next_token(r);
        if (kind == SQLTOK_UNTERMINATED)
            return 1;
        if (kind == SQLTOK_END)
            break;
        if (kind == SQLTOK_KW_EXTERNAL && function)
            return 0;
        if (previous == SQLTOK_KW_END && (kind == SQLTOK_KW_PROCEDURE || kind == SQLTOK_KW_FUNCTION))
            end_seen = true;
        previous = kind;
        last_end = kind == SQLTOK_SEMICOLON ? r.at : -1;
    }
    return end_seen && last_end == len ? 0 : 1;
}

int skipcomments(char **p)
{
    if (p == nullptr || *p == nullptr)
        return 0;
    const ClientChars &cc = sqlscan::client_chars();
    const char *q = skip_space(cc, *p);
    for (;;) {
        const char *close = nullptr;
        if (*q == '{')
            close = find_char(cc, q + 1, '}');
        else if (q[0] == '-' && q[1] == '-')
            close = find_char(cc, q + 2, '\n');
        else
            break;
        if (close == nullptr)
            return 1;
        q = skip_space(cc, close + 1);
    }
    *p = const_cast<char *>(q);
    return 0;
}

char *skipwhite(const char *text)
{
    if (text == nullptr)
        return nullptr;
    return const_cast<char *>(skip_space(sqlscan::client_chars(), text));
}

char *skipquote(const char *text)
{
    if (text == nullptr || *text == '\0')
        return const_cast<char *>(text);
    return const_cast<char *>(quote_end(sqlscan::client_chars(), text));
}

char *skipword(const char *text)
{
    if (text == nullptr)
        return nullptr;
    return const_cast<char *>(word_end(sqlscan::client_chars(), text));
}

int bycbcmpr(const char *text, const char *keyword, int n)
{
    const ClientChars &cc = sqlscan::client_chars();
    gl_wchar_t a[kWideLimit];
    gl_wchar_t b[kWideLimit];
    const int na = to_wide(cc, text, a);
    const int nb = to_wide(cc, keyword, b);
    for (int i = 0; i < n && i < kWideLimit; ++i) {
        if (i >= na || i >= nb)
            return na == nb ? 0 : i >= na ? -1 : 1;
        if (int c = compare_wide(cc, a[i], b[i]))
            return c;
    }
    return 0;
}

int cbncmpr(const char *keyword, const char *text, int n)
{
    if (keyword == nullptr || text == nullptr)
        return keyword == text || n <= 0 ? 0 : 1;
    return keyword_differs(sqlscan::client_chars(), keyword, text, n);
}

char *extpos(const char *clause, const char *keyword)
{
    if (clause == nullptr)
        return nullptr;
    const ClientChars &cc = sqlscan::client_chars();
    const char *p = clause;
    const char *open = nullptr;
    for (; *p != '\0' && *p != ';'; p += step_at(cc, p)) {
        if (*p == '\'') {
            p = quote_end(cc, p);
            if (*p == '\0')
                return const_cast<char *>(p);
        } else if (*p == '(') {
            open = p;
            break;
        }
    }
    if (open != nullptr) {
        int depth = 0;
        for (p = open; *p != '\0'; p += step_at(cc, p)) {
            if (*p == '\'') {
                p = quote_end(cc, p);
                if (*p == '\0')
                    break;
            } else if (*p == '(') {
                ++depth;
            } else if (*p == ')' && --depth == 0) {
                ++p;
                break;
            }
        }
        if (depth != 0)
            return const_cast<char *>(p + std::strlen(p));
    } else {
        for (p = skip_space(cc, clause); *p != '\0' && *p != ';'; p = skip_space(cc, word_end(cc, p))) {
            if (keyword_differs(cc, "of", p, 2) == 0) {
                const char *next = skip_space(cc, word_end(cc, p));
                if (keyword_differs(cc, "type", next, 4) == 0) {
                    p = word_end(cc, next);
                    break;
                }
            }
        }
    }
    const int n = keyword != nullptr ? static_cast<int>(std::strlen(keyword)) : 0;
    for (p = skip_space(cc, p); *p != '\0' && *p != ';'; p = skip_space(cc, word_end(cc, p)))
        if (n > 0 && keyword_differs(cc, keyword, p, n) == 0)
            break;
    return const_cast<char *>(p);
}

void rightshift(char *first, char *last, int distance)
{
    if (first == nullptr || last == nullptr || last < first || distance <= 0)
        return;
    std::memmove(first + distance, first, static_cast<size_t>(last - first + 1));
}

int collection_literal(const char *first, const char *last)
{
    if (first == nullptr || last == nullptr || last < first)
        return 0;
    const unsigned char c = static_cast<unsigned char>(*first) | 0x20;
    if (c != 's' && c != 'm' && c != 'l')
        return 0;
    const ClientChars &cc = sqlscan::client_chars();
    const size_t n = static_cast<size_t>(last - first + 1);
    char small[100];
    char *copy = n < sizeof small ? small : static_cast<char *>(std::malloc(n));
    if (copy == nullptr)
        return 0;
    for (size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(first[i]);
        copy[i] = static_cast<char>(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
    }
    const bool match = literal_match(cc, copy, n, false);
    if (copy != small)
        std::free(copy);
    return match ? 1 : 0;
}

int gstrqmarks(const char *text)
{
    if (text == nullptr)
        return 0;
    MarkerWalk walk{sqlscan::client_chars(), text};
    return walk.run();
}

} // extern "C"
