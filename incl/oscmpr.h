/* Comparison of SQL character values (CHAR, VARCHAR) under a locale of the
 * locale library (gl_locale.h) or under the operating system's collation.
 *
 * Values are byte ranges padded with blanks; trailing blanks do not count.
 * The copies a comparison makes live in the OS control block's scratch
 * buffer (allocnbspace), which the next comparison reuses.
 *
 * Errors go to *error (when error is not NULL) with the result 0:
 *   -202    an invalid character in a multibyte value
 *   -23102  memory inside the locale library
 *   -1211   the scratch buffer could not be had */
#ifndef TRW_OSCMPR_H
#define TRW_OSCMPR_H

#include "gl_char.h"
#include "gl_locale.h"

#ifdef __cplusplus
extern "C" {
#endif

#define OSCMPR_EINVALID (-202)
#define OSCMPR_ENOMEM (-23102)
#define OSCMPR_ESCRATCH (-1211)

/* -1, 0 or 1 by the locale's collation (a NULL locale: the client locale;
 * without one, or for a locale that collates by code value, by charcmp).
 * Values that are all blank compare equal; a value whose first byte is 0 (or
 * whose length is 0) sorts first; a single-byte value ends at a zero byte. */
int osglsbycmpr(gl_locale *loc, const char *a, int la, const char *b, int lb, int *error);

/* Length of text[0..n) without trailing blanks in the locale (the final run
 * of characters of class blank and not cntrl); without a locale, or in a
 * single-byte one, without trailing 0x20 bytes. */
int osglsbyleng(gl_locale *loc, const char *text, int n);

/* -1, 0 or 1 by the operating system's collation (strcoll) of the two values
 * without their trailing blanks; nlsbycmpr gives 0 for n <= 0. A value whose
 * first byte is 0 sorts first. */
int nlsbycmpr(const char *a, const char *b, int n, int *error);
int _oncharcmp(const char *a, int la, const char *b, int lb, int *error);

/* 1 when low <= c <= high by the client locale's collation (by code value
 * without a client locale), else 0. */
int CharInRange(gl_wchar_t c, gl_wchar_t low, gl_wchar_t high);

#ifdef __cplusplus
}
#endif

#endif
