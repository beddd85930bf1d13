/* INT8: the 64-bit integer record of the data-type library (also the carrier
 * of SERIAL8 values), its arithmetic, comparison, stored form and the
 * conversions to and from 32- and 64-bit integers, text, DECIMAL, double and
 * float.
 *
 * An int8value holds a value in sign-and-magnitude form: the magnitude in
 * two 32-bit words, data[0] the low and data[1] the high one, and sign 1 for
 * a positive value, -1 for a negative one, 0 for NULL. The magnitude stays
 * below 2^63, so -2^63 cannot be held; an operation whose magnitude would
 * reach 2^63 fails with INT8_OVERFLOW. NULL is sign 0 with both words 0.
 * Zero is a non-NULL record with both words 0 and every zero a function
 * produces has sign 1 (there is no negative zero).
 *
 * Records built by hand (or loaded by ldint8) are read by one rule: sign 0
 * is NULL whatever the words hold, any sign above 0 is positive and any
 * sign below 0 negative; a negative zero is zero; a magnitude of 2^63 or
 * more is read as the unsigned 64-bit number the words hold, and a result
 * that cannot be held is INT8_OVERFLOW.
 *
 * A NULL operand gives a NULL result and status 0 before any other test
 * (so NULL / 0 is NULL). A function that fails leaves its result as it was.
 * Results may be the same record as either operand.
 *
 * Stored form, 10 bytes at any alignment, each field most significant byte
 * first: bytes 0-1 sign, 2-5 data[0] (the low word), 6-9 data[1]. So 1 is
 * 00 01 00 00 00 01 00 00 00 00 and -4294967296 is FF FF 00 00 00 00 00 00
 * 00 01.
 *
 * Text in (trw_int8cvasc): leading blanks, an optional "+" or "-", then
 * digits with the client number format's decimal point (numfmt.h) and its
 * thousands separator between integer digits (skipped, groups are not
 * checked), an optional "e" or "E" exponent, trailing blanks. The value is
 * the number the text writes, truncated toward zero: "12.9" is 12, "1.5e1"
 * 15, "15e-1" 1. "0x" or "0X" introduces up to 16 significant hexadecimal
 * digits read as a 64-bit two's-complement pattern ("0xFFFFFFFFFFFFFFFF" is
 * -1); a written sign is ignored there.
 *
 * Text out: plain digits with a leading "-", in the C locale's form. */
#ifndef TRW_INT8_H
#define TRW_INT8_H

#include <stdint.h>

#include "decimal.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Statuses */
#define INT8_OVERFLOW (-1284)   /* magnitude of 2^63 or more, or does not fit the target */
#define INT8_DIVZERO (-1202)    /* division by zero */
#define INT8_NOTNUMBER (-1213)  /* text is not a number */
#define INT8_NOTSHORT (-1214)   /* does not fit -32767..32767 */
#define INT8_TOOLONG (-1207)    /* text longer than the buffer */
#define INT8_NOTFINITE (-1223)  /* double or float is NaN or infinite */
#define INT8_NULLSERIAL (-2)    /* serial8inc of a NULL */

#define INT8_STORED_LEN 10      /* bytes of the stored form */

typedef struct int8value {
    uint32_t data[2];
    int16_t sign;
} int8value;

/* The constant 1: sign 1, data {1, 0}. Read only. */
extern const int8value const_int8one;

/* r = a + b, a - b, a * b, a / b (the quotient truncated toward zero).
 * 0; INT8_OVERFLOW; trw_int8div also INT8_DIVZERO. */
int trw_int8add(const int8value *a, const int8value *b, int8value *r);
int trw_int8sub(const int8value *a, const int8value *b, int8value *r);
int trw_int8mul(const int8value *a, const int8value *b, int8value *r);
int trw_int8div(const int8value *a, const int8value *b, int8value *r);

/* -1 (a < b), 0, 1 (a > b); -2 when either is NULL. */
int trw_int8cmp(const int8value *a, const int8value *b);

/* As trw_int8cmp with NULL lowest: both NULL 0, only a NULL -1, only b 1. */
int trw_int8cmp_det(const int8value *a, const int8value *b);

/* 1 when the record is not NULL and both words are 0, else 0. */
int trw_int8iszero(const int8value *v);

/* Copies the whole record. */
void trw_int8copy(const int8value *src, int8value *dst);

/* r = v + 1. 0 (a value past the largest wraps to 1); INT8_NULLSERIAL and a
 * NULL result for a NULL record. */
int serial8inc(const int8value *v, int8value *r);

/* The 10-byte stored form. */
void stint8(const int8value *v, void *dst);
void ldint8(const void *src, int8value *v);

/* 32-bit integers. trw_int8cvlong: -2147483648 gives NULL. trw_int8tolong
 * and trw_int8toint4 (the same): NULL gives -2147483648, status 0;
 * INT8_OVERFLOW outside -2147483647..2147483647 (*out unchanged). */
int trw_int8cvlong(int32_t value, int8value *v);
int trw_int8tolong(const int8value *v, int32_t *out);
int trw_int8toint4(const int8value *v, int32_t *out);

/* 16-bit range. trw_int8cvint: -32768 gives NULL, every other int its value
 * (so -2147483648 is NULL too, as for trw_int8cvlong); status 0.
 * trw_int8toint and trw_int8toint2: NULL gives -32768, status 0;
 * INT8_NOTSHORT outside -32767..32767 (*out unchanged). */
int trw_int8cvint(int value, int8value *v);
int trw_int8toint(const int8value *v, int *out);
int trw_int8toint2(const int8value *v, int16_t *out);

/* The raw high or low word as a signed 32-bit bit pattern; -2147483648 for
 * NULL. Status 0. */
int trw_int8high(const int8value *v, int32_t *out);
int trw_int8low(const int8value *v, int32_t *out);

/* 64-bit file offsets. int8cvtarw_off_t: -2147483648 gives NULL (that
 * offset cannot be told from the 32-bit NULL), -2^63 is INT8_OVERFLOW.
 * int8totarw_off_t: NULL gives -2147483648, status 0; INT8_OVERFLOW for a
 * magnitude of 2^63 or more. */
int int8cvtarw_off_t(int64_t offset, int8value *v);
int int8totarw_off_t(const int8value *v, int64_t *out);

/* Text of len bytes (need not be terminated; a NUL among them ends it; the
 * text is never written). An empty text (len 0, or a NUL first) gives NULL.
 * 0; INT8_NOTNUMBER (also for an all-blank text and for len below 0);
 * INT8_OVERFLOW; a negative status of the client locale's initialisation. */
int trw_int8cvasc(const char *text, int len, int8value *v);

/* The value left-aligned in len bytes, padded with blanks, no terminator.
 * NULL: len blanks. 0; INT8_TOOLONG (the len bytes are then all "*") when
 * the text needs more than len bytes. */
int trw_int8toasc(const int8value *v, char *buf, int len);

/* The value and a terminator in at most len bytes. NULL: len blanks, no
 * terminator, status 0. INT8_TOOLONG (the len bytes all "*") when the text
 * and its terminator need more than len bytes. Nothing past len is written. */
int trw_int8tostr(const int8value *v, char *buf, int len);

/* DECIMAL to INT8: the integer part, truncated toward zero (the DECIMAL is
 * not changed; a magnitude below 1 gives 0). NULL gives NULL. 0;
 * INT8_OVERFLOW when the integer part is 2^63 or more. */
int trw_int8cvdec(const decvalue *dec, int8value *v);

/* INT8 to DECIMAL (deccvint8 is the same): exact. NULL gives the NULL
 * DECIMAL. 0. */
int trw_int8todec(const int8value *v, decvalue *dec);
int deccvint8(const int8value *v, decvalue *dec);

/* double and float to INT8, truncated toward zero. 0; INT8_NOTFINITE for
 * NaN and infinities (which includes the all-0xFF NULL double); a NULL
 * float (all bytes 0xFF) gives NULL and 0; INT8_OVERFLOW when the truncated
 * magnitude is 2^63 or more. */
int trw_int8cvdbl(double value, int8value *v);
int trw_int8cvflt(float value, int8value *v);

/* INT8 to double and float, rounded to nearest. NULL gives the NULL double
 * or float (all bytes 0xFF). 0 (every INT8 value lies within the float
 * range, so the float's out-of-range status -1222 does not arise). */
int trw_int8todbl(const int8value *v, double *out);
int trw_int8toflt(const int8value *v, float *out);

#ifdef __cplusplus
}
#endif

#endif
