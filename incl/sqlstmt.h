/* The SQL statement scanner of the data-type library: white space, comments,
 * quoted strings and words of statement text; whether a CREATE PROCEDURE or
 * CREATE FUNCTION statement is complete; case-blind keyword tests; SET, LIST
 * and MULTISET literals; parameter markers; and the UPSHIFT, DOWNSHIFT and
 * INITCAP case conversions of the client locale.
 *
 * Statement text is multibyte text of the client locale (single-byte ASCII
 * while no client locale can be loaded). Comments are "{...}" and "--" to
 * the next newline inclusive; a "--" comment without a newline is
 * unterminated. Quoted strings run between two equal quotes (' or "); inside,
 * the quote written twice stands for itself. Keyword tests are
 * case-insensitive prefix tests without a word boundary: "ENDX" starts with
 * the keyword END. An invalid byte sequence counts as one character of one
 * byte wherever no error status is given, so no walk ever stalls.
 *
 * Not recognised: slash-star comments (only gstrqmarks knows them), nested
 * braces, bracketed or back-quoted identifiers. */
#ifndef TRW_SQLSTMT_H
#define TRW_SQLSTMT_H

#ifdef __cplusplus
extern "C" {
#endif

/* Token kinds of gettoken. */
#define SQLTOK_UNTERMINATED (-2) /* a comment runs past the length */
#define SQLTOK_END (-1)          /* nothing but white space is left */
#define SQLTOK_OTHER 0           /* a word, a quoted string, any other text */
#define SQLTOK_KW_END 1          /* "end" */
#define SQLTOK_KW_PROCEDURE 2    /* "procedure" */
#define SQLTOK_SEMICOLON 3       /* ";" */
#define SQLTOK_KW_FUNCTION 4     /* "function" */
#define SQLTOK_KW_EXTERNAL 5     /* "external", a character, then "name" */

/* Case conversion codes of rcaseshift and sqlcaseshift. */
#define SQL_UPSHIFT 41
#define SQL_DOWNSHIFT 42

/* Status of sqlcaseshift and sqlinitcap for an invalid character. */
#define SQL_EBADCHAR (-941)

/* 1 when text[0..len) is an unfinished CREATE PROCEDURE or CREATE FUNCTION
 * statement, else 0. A routine is a text that begins with "create" (no
 * leading white space), a seventh character, white space and comments, an
 * optional "dba", and "procedure" or "function". It is complete when it is a
 * function with EXTERNAL NAME, or when END PROCEDURE or END FUNCTION was
 * read and the text ends with the ";" that follows: a complete routine
 * followed by a blank, a newline or a comment is still reported unfinished,
 * so interactive callers trim the text first. An unterminated comment gives
 * 1. Every other text, a null one included, gives 0. */
int chkstmt(const char *text, int len);

/* The next token of text[0..len) from *pos (a byte offset), which moves
 * after it: one of the SQLTOK_ kinds. White space is the OS layer's class
 * "space". A quoted string runs to the next equal quote ('a''b' reads as
 * two strings); one that is not closed ends at len with kind 0. A word ends
 * at white space, ";", "{", "--" or a quote. Kinds -1 and -2 leave *pos at
 * len. Nothing at or past len is read. */
int gettoken(const char *text, int len, int *pos);

/* Skips white space (the client locale's class space) and then comments
 * with the white space after them. 0 with *p moved; 1 for a comment that is
 * not closed (*p unchanged). */
int skipcomments(char **p);

/* First character at or after text that is not white space. */
char *skipwhite(const char *text);

/* From a quote: the closing quote (doubled quotes are skipped), or the
 * terminator when the string is not closed. */
char *skipquote(const char *text);

/* After one word (letters, digits and "_" of the client locale, then also
 * "$"), one quoted string (past its closing quote, or to the end), or one
 * other character of the locale. At the terminator: text itself. */
char *skipword(const char *text);

/* Case-blind comparison of up to n characters of text and keyword, each
 * taken as at most 256 characters: 0 when they agree (or both end
 * together); -1 when the text ends first or its character is smaller; 1
 * otherwise. Letters compare by their lower-case forms, other characters
 * by their codes. Beyond the 256th character the values count as equal. */
int bycbcmpr(const char *text, const char *keyword, int n);

/* 0 when the first n characters of text, lower-cased, equal the lower-case
 * keyword (or both end together before n), else 1. */
int cbncmpr(const char *keyword, const char *text, int n);

/* Where keyword appears among the words of a clause: the search starts
 * after the ")" that closes the first parenthesised group ('...' strings
 * skipped), or, without a group, after "of" "type". The result points at the
 * keyword, at a ";", or at the end of the clause (also for an unbalanced
 * group or an unclosed string). */
char *extpos(const char *clause, const char *keyword);

/* Moves the bytes first..last (inclusive) right by distance; the ranges may
 * overlap. Nothing for distance <= 0 or last before first. */
void rightshift(char *first, char *last, int distance);

/* 1 when first..last (inclusive) is a SET, LIST or MULTISET literal: the
 * word in any case, white space, then "{". Else 0. */
int collection_literal(const char *first, const char *last);

/* The number of "?" parameter markers outside quoted strings and comments
 * ("{...}", "--" to a newline, and slash-star to star-slash); 0 for a
 * null text. A comment opens only outside a quoted string.
 * Once a SET, LIST or MULTISET literal has been seen, every later "{" is
 * ordinary text. */
int gstrqmarks(const char *text);

/* Case conversions of the client locale, in place. A null text is ignored,
 * and nothing changes when the client locale cannot be initialised. When
 * the locale's case mapping may change byte lengths the result is cut to
 * whole characters within the original length. rcaseshift takes
 * SQL_UPSHIFT or SQL_DOWNSHIFT; other codes change nothing. */
void rupshift(char *text);
void rdownshift(char *text);
void rcaseshift(int code, char *text);

/* Converts the terminated src into exactly n bytes of dst: whole characters
 * only, stopping before the output would exceed n bytes; the rest of the n
 * bytes is filled with zero bytes (so a full dst is not terminated). 0, or
 * SQL_EBADCHAR for an invalid character (what was converted before it is
 * kept, the rest zero-filled). Nothing for n <= 0. sqlcaseshift takes
 * SQL_UPSHIFT or SQL_DOWNSHIFT (other codes copy); sqlinitcap upper-cases
 * the first letter of every run of letters and lower-cases the rest, so
 * "it's" gives "It'S". */
int sqlcaseshift(int code, const char *src, char *dst, int n);
int sqlinitcap(const char *src, char *dst, int n);

#ifdef __cplusplus
}
#endif

#endif
