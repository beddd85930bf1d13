/* The locale library's number format language: printf- and scanf-like
 * formatting and parsing of numbers in the conventions of a locale's NUMERIC
 * category (decimal point, thousands separator, grouping, its own sign
 * strings), and the locale-aware text-to-number and number-to-text helpers.
 *
 * Every function takes a loaded locale record first (gl_locale.h) and, on
 * failure, stores an error number in it (_gl_ext_errno) before returning -1
 * or the value stated:
 *   1  GL_EILSEQ      a character outside the locale's code set
 *   2  GL_ENULLARG    a null text, format or output
 *   3  GL_ENOMEM      memory for a work buffer could not be allocated
 *   6  GL_ENUMRANGE   value out of range while parsing
 *   7  GL_ENUMGROUP   digits do not follow the grouping
 *   9  GL_EBADARG     base outside 2..36
 *  14  GL_E2BIG       output too small; a floating width of 100 or more
 *  15  GL_EFMTEND     the format ends inside a conversion
 *  22  GL_EFMTMATCH   unknown conversion; positions "n$" not numbering every
 *                     conversion or leaving a number out; more than
 *                     GL_FMT_MAX_VALUES values; in parsing also literal text
 *                     that does not match and a "u" field with a sign
 *  45  GL_EFMTPREC    a bad precision; a floating field followed by other
 *                     characters than blanks within its precision (parsing)
 *  46  GL_ENUMSIGN    a sign with no number after it
 *
 * Format syntax: "%" [n"$"] [flags "'-+ #0"] [width: digits or "*" or
 * "*m$"] ["." digits, "*" or "*m$"; "." before a letter is 0] [size "l" "L"
 * 64-bit, "h" "H" 16-bit] conversion (d i u o x X b q, e E f g G, c, s; "%%"
 * writes "%"). Widths count display columns. Values: no size an int, "h" an
 * int written as 16 bits, "l" an int64_t; floating conversions a double; "c"
 * an int holding one wide character; "s" a multibyte text, "ls" a wide text.
 * Widths, precisions and positions of any length are read saturating.
 *
 * Grouping rule (formatting, parsing and the integer-to-text helpers): from
 * the decimal point leftward the first group has the first size, the next
 * the second, and so on; past the list a last size of -1 stops grouping, 0
 * repeats the size before it, any other last size repeats itself; a count of
 * 0, and any other size of 0 or less, stop grouping there. */
#ifndef TRW_GL_NUMFMT_H
#define TRW_GL_NUMFMT_H

#include <stdint.h>

#include "gl_char.h"
#include "gl_locale.h"

#ifdef __cplusplus
extern "C" {
#endif

#define GL_ENUMRANGE 6
#define GL_ENUMGROUP 7
#define GL_EFMTEND   15
#define GL_EFMTMATCH 22
#define GL_EFMTPREC  45
#define GL_ENUMSIGN  46

/* ---- formatting ---- */

/* Writes the formatted values into out (size bytes, the terminator
 * included; size wide characters for the wide form). Returns the bytes (wide
 * characters) written without the terminator, or -1 (14 no room, 15, 22,
 * 45, 1, 2, 3). A size of 0 or less writes nothing (14). Exponent signs are
 * the category's sign strings ("+" when positive_sign is empty); "o", "x",
 * "X", "b" and "q" of a negative value write negative_sign and the
 * magnitude; "Inf", "-Inf" and "NaN" stand for infinities and NaN. */
int gl_mbsfnum(gl_locale *loc, char *out, int size, const char *format, ...);
int gl_wcsfnum(gl_locale *loc, gl_wchar_t *out, int size, const gl_wchar_t *format, ...);

/* Formats and parsers read at most this many values. */
#define GL_FMT_MAX_VALUES 128

/* Kinds of the values a number format describes. */
#define GL_FMT_INT    1 /* int: no size, "h", "c", and "*" widths */
#define GL_FMT_INT64  2 /* int64_t: "l" */
#define GL_FMT_DOUBLE 3 /* double: e E f g G */
#define GL_FMT_MBS    4 /* const char *: "s" */
#define GL_FMT_WCS    5 /* const gl_wchar_t *: "ls" */

/* One value of a number format. */
typedef struct gl_fmt_value {
    int kind; /* GL_FMT_... */
    union {
        int i;
        int64_t l;
        double d;
        const char *mbs;
        const gl_wchar_t *wcs;
    } v;
} gl_fmt_value;

/* The values a format describes, in the order they are numbered: their
 * count (at most max kinds are stored), or -1 (15, 22, 45, 1, 2, 3). */
int _gl_mbsfnum_kinds(gl_locale *loc, const char *format, int *kinds, int max);
int _gl_wcsfnum_kinds(gl_locale *loc, const gl_wchar_t *format, int *kinds, int max);

/* The formatters over an array of count values whose kinds match the
 * format's (22 when they do not); gl_mbsfnum and gl_wcsfnum read their
 * values into such an array. */
int _gl_mbsfnum_values(gl_locale *loc, char *out, int size, const char *format,
                       const gl_fmt_value *values, int count);
int _gl_wcsfnum_values(gl_locale *loc, gl_wchar_t *out, int size, const gl_wchar_t *format,
                       const gl_fmt_value *values, int count);

/* ---- parsing ---- */

/* Reads text by format, storing through the pointers that follow: int16_t,
 * int or int64_t by the size letter for integers (uint... for "u"), double
 * for floating conversions, a terminated multibyte text for "s" and "c"
 * ("c": the character's bytes and a terminator), a terminated gl_wchar_t
 * text with "l". With "'" a number may hold thousands_sep where the grouping
 * puts it (a text without any is read as well). "*" right after "%" (or the
 * position) reads a field without storing it. "%s" without a width
 * writes without bound, as sscanf does: give it a width or a large buffer.
 * Returns the count of values stored when the format is used up, or when a
 * field cannot be read the count so far with the reader's error number; -1
 * (22 literal text that does not match, unknown conversion, "u" with a
 * sign; 15, 45, 1, 2, 3). */
int gl_mbspnum(gl_locale *loc, const char *text, const char *format, ...);
int gl_wcspnum(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t *format, ...);

/* The parsers over an array of count pointers (22 when the format takes
 * more); gl_mbspnum and gl_wcspnum read their pointers into such an
 * array. */
int _gl_mbspnum_targets(gl_locale *loc, const char *text, const char *format, void *const *targets,
                        int count);
int _gl_wcspnum_targets(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t *format,
                        void *const *targets, int count);

/* ---- text to number ---- */

/* Skip white space, a sign (negative_sign or "-", positive_sign or "+"),
 * then digits of base (0: by prefix as strtol; 2..36). With grouping set,
 * thousands_sep must stand after each group of the grouping (7 and
 * INT64_MAX / UINT64_MAX when one is missing or misplaced); at most 256
 * characters are examined. *end (may be null) is set after the last
 * character used (text when none). Out of range: 6 and the limit. */
int64_t gl_wcstol(gl_locale *loc, const gl_wchar_t *text, gl_wchar_t **end, int base, int grouping);
int64_t gl_mbstol(gl_locale *loc, const char *text, char **end, int base, int grouping);
uint64_t gl_wcstoul(gl_locale *loc, const gl_wchar_t *text, gl_wchar_t **end, int base, int grouping);
uint64_t gl_mbstoul(gl_locale *loc, const char *text, char **end, int base, int grouping);

/* Skip white space, a sign, then digits (with grouping set, separators
 * where the grouping rule puts them; digits without any are read as well;
 * misplaced ones are error 7), the decimal point, fraction digits and an exponent,
 * read by the system's text-to-double conversion. The monetary form takes
 * the MONETARY category's signs, point, separator and grouping when monetary
 * is set. No number: 0 and *end = text (46 after a sign). A range error sets
 * 6 and returns the system's result (plus or minus HUGE_VAL, or the
 * underflowed value). gl_wcstod and gl_mbstod return 2147483647.0 with error
 * 6 for a text without a number (error 46 after a sign) and on overflow; on
 * underflow the system's result with error 6. */
double gl_wcstod_num_mon(gl_locale *loc, const gl_wchar_t *text, gl_wchar_t **end, int grouping,
                         int monetary);
double gl_wcstod(gl_locale *loc, const gl_wchar_t *text, gl_wchar_t **end, int grouping);
double gl_mbstod(gl_locale *loc, const char *text, char **end, int grouping);

/* ---- number to text ---- */

/* Writes value in base 2..36 (capital letters above 9, "-" for negatives,
 * thousands_sep by the grouping rule when grouping is set) into out of size
 * bytes (wide characters). Returns the length needed including the
 * terminator; when that exceeds size the output is empty ("" when size > 0;
 * nothing is written for a size of 0 or less). A base outside 2..36 gives an
 * empty output and -1 (9). */
int gl_ltowcs(gl_locale *loc, gl_wchar_t *out, int size, int64_t value, int base, int grouping);
int gl_ltombs(gl_locale *loc, char *out, int size, int64_t value, int base, int grouping);
int gl_ultowcs(gl_locale *loc, gl_wchar_t *out, int size, uint64_t value, int base, int grouping);
int gl_ultombs(gl_locale *loc, char *out, int size, uint64_t value, int base, int grouping);

#ifdef __cplusplus
}
#endif

#endif
