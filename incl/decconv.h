/* DECIMAL conversions: text, 32-bit integers, float and double, digit
 * strings of the ecvt/fcvt kind, and the front ends that parse or print a
 * DECIMAL or a double with a number format of the locale library.
 *
 * Text follows the client number format (numfmt.h): its decimal point,
 * thousands separator and grouping, and signs. Every text conversion first
 * initialises the client locale environment (glsenv.h) when that has not
 * been done. Text to DECIMAL keeps the first 32 significant digits (31 when
 * the point falls inside a pair) without rounding and accepts decimal
 * exponents from -129 to 125 ("1e124" is the largest, "1e-130" the
 * smallest): "  12.50" is 12.5, "1,234.5" 1234.5 with "," as separator and
 * grouping 3, "0x1F" 31, "   " NULL, "." zero.
 *
 * NULL values: -2147483648 for 32-bit integers (-32768 for the int forms),
 * a double or float whose bytes are all 0xFF.
 *
 * TRW_USE_PREC_16 = "1" (read once per process) converts double and float
 * to DECIMAL with 16 and 8 significant digits instead of 17 and 9.
 *
 * Statuses: -1200 value too large, -1201 too small, -1213 not a number (the
 * DECIMAL is set to zero), -1223 NaN or infinite, -1207 text longer than
 * the buffer, -1273 caller buffer too small, -406 no memory, -415 bad
 * double format, -23108 the client locale cannot be initialised; the
 * locale environment's statuses (glsenv.h) pass through. */
#ifndef TRW_DECCONV_H
#define TRW_DECCONV_H

#include "decimal.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Text (len bytes, need not be terminated; a NUL byte ends it) to DECIMAL.
 * 0; -1200, -1201; -1213; a negative status of the locale initialisation. */
int deccvasc(const char *text, int len, decvalue *dec);

/* DECIMAL to text, left-aligned and blank-padded in len bytes, not
 * terminated, with places decimal places (-1: as many as the value needs,
 * at least one). Places that do not fit are dropped with rounding, and a
 * value that does not fit then is written in exponent form ("1.5e12"). 0,
 * or -1 when even that does not fit (the buffer is then all "*"). NULL is
 * all blanks. */
int dectoasc(const decvalue *dec, char *buf, int len, int places);

/* dectoasc for values that came from a double: the number format is used
 * as it stands, a negative value is written with the number format's
 * negative sign, and with no integer digits the places after the last
 * non-zero digit are NUL bytes. */
int dbltoasc(const decvalue *dec, char *buf, int len, int places);

/* Digit strings: ndigit significant digits (dececvt) or ndigit digits after
 * the point (decfcvt), rounded half away from zero, with the position of
 * the point in *decpt and 1 in *sign for a negative value. The string lives
 * in a buffer of the data-type library that the next call reuses; NULL
 * without memory. A NULL value gives ndigit blanks. */
char *dececvt(const decvalue *dec, int ndigit, int *decpt, int *sign);
char *decfcvt(const decvalue *dec, int ndigit, int *decpt, int *sign);

/* The same copied into buf (size bytes with the terminator): 0; -1273 too
 * small, size 0 or no memory; -406 no control block. */
int trw_dececvt(const decvalue *dec, int ndigit, int *decpt, int *sign, char *buf, int size);
int trw_decfcvt(const decvalue *dec, int ndigit, int *decpt, int *sign, char *buf, int size);

/* 32-bit integers. dectoint: -1200 outside -32767..32767; dectolong: -1200
 * outside -2147483647..2147483647 (the fraction counts); the fraction is
 * truncated. 0 otherwise. */
int deccvint(int value, decvalue *dec);
int dectoint(const decvalue *dec, int *value);
int deccvlong(int32_t value, decvalue *dec);
int dectolong(const decvalue *dec, int32_t *value);

/* double and float to DECIMAL (17 or 16, 9 or 8 significant digits): 0;
 * -1223 NaN or infinite (this includes the NULL double); -1200, -1201. */
int deccvdbl(double value, decvalue *dec);
int deccvflt(float value, decvalue *dec);

/* DECIMAL to double and float by their text: 0, or the status of the text
 * conversion. NULL gives the NULL double or float. */
int dectodbl(const decvalue *dec, double *value);
int dectoflt(const decvalue *dec, float *value);

/* Locale number formats ("%f", "%'.2f", "%d", ...) for DECIMAL values.
 * format NULL: the client number format (deccvasc, dectoasc). 0, or -1 with
 * the client locale's library error number set: 9 a value that cannot be
 * converted, 22 a format with no floating or integer conversion or more
 * than one. Integer formats take -32767..32767. trw_gl_format_number writes
 * at most size bytes with the terminator. */
int trw_gl_convert_number(decvalue *dec, const char *text, const char *format);
int trw_gl_format_number(char *out, int size, const decvalue *dec, const char *format);

/* A double from text (leading blanks skipped; empty gives the NULL double;
 * "0x..." a 64-bit hexadecimal integer) by a locale format with one
 * floating conversion, or by the system conversion when format is NULL.
 * 0; -1213; the saved locale status (-23108 when none was saved). */
int trw_gl_convert_double(double *value, const char *text, const char *format);

/* A double into text (size bytes with the terminator) by a locale format
 * with one floating conversion ("%e", "%lf", ...), or "%G" when format is
 * NULL, with the client decimal point. 0; -415 bad format or formatter
 * failure; -1207 the text needs more than size - 1 bytes; a locale status
 * as for trw_gl_convert_double. */
int trw_gl_format_double(char *out, int size, double value, const char *format);

/* Text of a double (_gftoasc; _gnftoasc with flag 1) or float (flag 0) in
 * size bytes with the terminator: values of magnitude below 1e-130 or above
 * 1e124 in exponent form, others as DECIMAL text with the places they need.
 * Returns buf, or NULL with the status for get_toerrno (gentcb.h). */
char *_gftoasc(double value, char *buf, int size);
char *_gnftoasc(double value, char *buf, int size, int flag);

#ifdef __cplusplus
}
#endif

#endif
