/* The locale library's money format language: strfmon-like formatting of
 * amounts (double) in the conventions of a locale's MONETARY category, the
 * parser of such text, and the derived localeconv-style record.
 *
 * Every function takes a loaded locale record first (gl_locale.h) and, on
 * failure, stores an error number in it before returning -1 or null:
 *   1  GL_EILSEQ     a character outside the locale's code set
 *   2  GL_ENULLARG   a null text, format or output
 *   3  GL_ENOMEM     memory for a work buffer could not be allocated
 *   9  GL_EBADARG    an amount that is NaN or infinite; an amount whose sign
 *                    has no layout in the locale (sign_posn, cs_precedes or
 *                    sep_by_space not given or out of range)
 *  14  GL_E2BIG      output too small, or a size of 0 or less
 *  20  GL_EMONCONV   a conversion other than "i" or "n" (formatting)
 *  22  GL_EFMTMATCH  text that does not match the format, a conversion other
 *                    than "i" or "n" (parsing); more than GL_FMT_MAX_VALUES
 *                    conversions
 *
 * Conversion: "%" flags ("=f" fill character f, "^" no grouping, "+" show
 * signs, "(" negative amounts in parentheses, "!" no currency symbol and no
 * blank that would separate it, "-" left-justify), a field width in display
 * columns, "#n" left precision (integer digits the amount is padded to with
 * the fill character; separator places are filled too), ".n" right
 * precision, then "i" (int_curr_symbol, int_frac_digits) or "n"
 * (currency_symbol, frac_digits). A right precision not given is the
 * locale's, or 2 when that is not in 0..15. The amount's "%f" text is rounded
 * half up at the precision (digits beyond the sixth are rendered for
 * precisions above 5). With "+" and "(" together, negative amounts take the
 * parentheses. */
#ifndef TRW_GL_MONFMT_H
#define TRW_GL_MONFMT_H

#include "gl_char.h"
#include "gl_locale.h"
#include "gl_numfmt.h"

#ifdef __cplusplus
extern "C" {
#endif

#define GL_EMONCONV 20

/* Writes the formatted amounts (one double per conversion) into out (size
 * bytes, the terminator included; wide characters for the wide form). The
 * bytes (wide characters) written without the terminator, or -1. */
int gl_mbsfmon(gl_locale *loc, char *out, int size, const char *format, ...);
int gl_wcsfmon(gl_locale *loc, gl_wchar_t *out, int size, const gl_wchar_t *format, ...);

/* The count of amounts a money format takes, or -1 (20, 22, 1, 3). */
int _gl_mbsfmon_count(gl_locale *loc, const char *format);
/* The formatters over an array of count amounts (22 when the format takes
 * more). */
int _gl_mbsfmon_values(gl_locale *loc, char *out, int size, const char *format, const double *values,
                       int count);
int _gl_wcsfmon_values(gl_locale *loc, gl_wchar_t *out, int size, const gl_wchar_t *format,
                       const double *values, int count);

/* Reads text by a format of one money conversion and literal text: both the
 * positive and the negative layout are tried and the longer match taken.
 * Stores the amount in *out and returns the position after the matched
 * text, or null (22, 1, 2, 3). */
const char *gl_mbspmon(gl_locale *loc, const char *text, const char *format, double *out);
const gl_wchar_t *gl_wcspmon(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t *format, double *out);

/* The locale's derived record of NUMERIC and MONETARY conventions, built when
 * the locale was loaded; null (2 null locale). */
const gl_lconv *gl_localeconv(gl_locale *loc);

#ifdef __cplusplus
}
#endif

#endif
