/* The client number format: the decimal point, thousands separator,
 * grouping, signs and currency texts with which the data-type library writes
 * and reads DECIMAL and MONEY text.
 *
 * The format is built once per locale environment, on its first use, from
 * DBMONEY when that is set (not empty) and otherwise from the NUMERIC and
 * MONETARY categories of the client locale; an unset DBMONEY with a client
 * locale whose name begins "en_US" counts as "$.". DBMONEY is a front text,
 * an optional separator ("." or ",", which becomes the decimal point) and a
 * back text: "$." gives "$1234.50", "DM," gives "DM1234,50", ".EUR" gives
 * "1234.50EUR". Digits in the front text are kept as "*", digits in the back
 * text are dropped; each text keeps at most 28 bytes. The thousands
 * separator is then "." when the decimal point is "," and "," otherwise.
 *
 * Every string field holds one character of the client code set (up to 8
 * bytes) and a terminator, with its byte length beside it, except the
 * currency symbols (up to 64 bytes). Groupings follow the C-locale
 * convention: each byte a group size, 0 repeats the size before it, -1 (or
 * 127) ends grouping. The eight monetary numbers are 127 when the locale
 * does not give them. */
#ifndef TRW_NUMFMT_H
#define TRW_NUMFMT_H

#include "decimal.h"
#include "gl_locale.h"

#ifdef __cplusplus
extern "C" {
#endif

#define NUMFMT_CHAR_MAX 8     /* bytes of one character field */
#define NUMFMT_SYMBOL_MAX 64  /* bytes of a currency symbol */
#define NUMFMT_GROUPS 3       /* group sizes kept */
#define NUMFMT_MONEY_TEXT 28  /* bytes of a DBMONEY front or back text */

typedef struct numfmt {
    char decimal_point[NUMFMT_CHAR_MAX + 1];
    int decimal_point_len;
    int decimal_point_width;
    char thousands_sep[NUMFMT_CHAR_MAX + 1];
    int thousands_sep_len;
    signed char grouping[NUMFMT_GROUPS + 1];
    char int_curr_symbol[NUMFMT_SYMBOL_MAX + 1];
    char currency_symbol[NUMFMT_SYMBOL_MAX + 1];
    char mon_decimal_point[NUMFMT_CHAR_MAX + 1];
    int mon_decimal_point_len;
    int mon_decimal_point_width;
    char mon_thousands_sep[NUMFMT_CHAR_MAX + 1];
    int mon_thousands_sep_len;
    signed char mon_grouping[NUMFMT_GROUPS + 1];
    char positive_sign[NUMFMT_CHAR_MAX + 1];
    int positive_sign_len;
    char negative_sign[NUMFMT_CHAR_MAX + 1];
    int negative_sign_len;
    signed char int_frac_digits;
    signed char frac_digits;
    signed char p_cs_precedes;
    signed char p_sep_by_space;
    signed char n_cs_precedes;
    signed char n_sep_by_space;
    signed char p_sign_posn;
    signed char n_sign_posn;
    /* The NUMERIC category's decimal point, kept when DBMONEY chose another. */
    char locale_decimal_point[NUMFMT_CHAR_MAX + 1];
    int locale_decimal_point_len;
} numfmt;

/* The money part of a locale environment's state: the format, the currency
 * texts written before and after a MONEY value, the DBMONEY value last used
 * (an owned copy, or NULL) and how the format was built. */
#define NUMFMT_NOT_BUILT 0
#define NUMFMT_FROM_DBMONEY 1
#define NUMFMT_FROM_LOCALE 2

typedef struct gls_money_state {
    numfmt fmt;
    char front_symbol[NUMFMT_MONEY_TEXT + 1];
    char back_symbol[NUMFMT_MONEY_TEXT + 1];
    char *dbmoney;
    int state;
} gls_money_state;

struct GlsEnv;

/* Builds the number format of a locale environment (NULL: the current one)
 * on its first use; later calls do nothing. Initialises the environment
 * first when it is the current one. Building never fails: an invalid point
 * falls back to ".", invalid separators become empty, invalid signs "+" and
 * "-". Returns 0, or the negative status of the locale initialisation
 * (nothing is built then). */
int rmoninit(struct GlsEnv *env);

/* The current environment's number format, initialising the environment
 * and building the format when needed; never NULL: while the locale cannot
 * be initialised, a plain format ("." and "-") stands in. *status (may be
 * NULL) receives the initialisation's result. */
const numfmt *gls_numfmt(int *status);

/* Fills the current environment's format from the client locale's derived
 * record and returns that record; NULL when no locale is loaded. */
const gl_lconv *getdbmoney(void);

/* Copies a derived locale record into the current environment's format
 * (points, separators, groupings, symbols cut to 64 bytes, signs, the eight
 * monetary numbers); returns the record, or NULL for a NULL record. */
const gl_lconv *init_local_lconv(const gl_lconv *lconv);

/* frac_digits of the current format, between 0 and 32. */
int genlcscale(void);

/* Byte lengths of the front and back currency texts. */
int rfrontlen(void);
int rbacklen(void);

/* Copies src into dst (dstsize bytes) character by character, writing
 * `point` (pointlen bytes) as `replacement` (replacementlen bytes) and
 * dropping the current thousands separator. At most dstsize source bytes
 * are examined. 0, or -1273 when source is left over (dst then holds an
 * unterminated prefix). */
int gdecimalpoint(const char *src, const char *point, int pointlen, const char *replacement,
                  int replacementlen, char *dst, int dstsize);

/* Turns "." in text (a buffer of size bytes, changed in place) into the
 * current decimal point. With flag 0, a text that does not fit is cut at
 * its decimal point. 0; -1273 the text does not fit (text unchanged);
 * -406 no memory. */
int rdecstr(char *text, int size, int flag);

/* As gdecimalpoint with the current decimal point turned into ".". */
int gDecstrtoANSI(const char *src, char *dst, int size);

/* MONEY text from DECIMAL text: the front text, the text with each decimal
 * point written as the monetary one, the back text and a terminator. out
 * must hold strlen(text) + 8 + front and back lengths + 1 bytes. */
void rdecmon(const char *text, char *out);

/* DECIMAL text from len bytes of MONEY text: leading blanks and the front
 * text skipped, copied up to the first byte of the back text with the
 * monetary point written as the decimal point and monetary separators
 * dropped. out must hold len * 8 + 1 bytes (at most len characters, each
 * at most one point long). An empty remainder gives an empty text. */
void rmondec(const char *text, int len, char *out);

/* MONEY conversions of the client. format NULL: the client number format
 * (DBMONEY or the locale); otherwise a locale money format with at most one
 * conversion (locale error 22 otherwise). 0, or -1 with the locale error
 * number of the client locale set: 9 a value that cannot be converted, 14
 * out of range (text to MONEY), 22 a bad format. -1 also when the client
 * locale cannot be initialised. trw_gl_format_money writes at most size
 * bytes with the terminator (size 0 or above 80 means 80). */
int trw_gl_convert_money(decvalue *dec, const char *text, const char *format);
int trw_gl_format_money(char *out, int size, const decvalue *dec, const char *format);

#ifdef __cplusplus
}
#endif

#endif
