/* Exact DECIMAL values: the decvalue record, its normal form, the packed
 * stored form, precision words and the arithmetic.
 *
 * A decvalue holds up to 32 significant decimal digits as 16 base-100 digit
 * pairs. The pairs are read as the base-100 fraction 0.d0 d1 d2 ... and
 * multiplied by 100 to the power `exponent`:
 *
 *     value = sum over i < ndigits of digits[i] * 100^(exponent - 1 - i)
 *
 * so 12.5 is exponent 1, digits {12, 50}; 0.05 is exponent 0, digits {5};
 * 1200 is exponent 2, digits {12}.
 *
 * Normal form, produced by decload and returned by every operation here:
 *   - digits[0] is not 0 when ndigits is above 0;
 *   - no trailing zero pair, except that a value rounded to 16 pairs keeps
 *     all 16 (a rounding carry may leave zero pairs at the end);
 *   - zero is ndigits 0, exponent -64, sign 1 (a zero result is positive);
 *   - NULL is sign -1, exponent 0, ndigits 0;
 *   - the exponent lies in -64..62; results that fall outside are clamped to
 *     -64 (status DEC_UNDERFLOW) or 63 (status DEC_OVERFLOW), digits kept.
 * Digit bytes beyond ndigits are not part of the value.
 *
 * sign is 1 for positive, 0 for negative and -1 for NULL; any other value
 * reads as positive. A NULL operand gives a NULL result with status 0.
 *
 * Records built by hand are read defensively, never outside the record:
 * ndigits below 0 reads as 0 and above 16 as 16, a digit byte above 99 reads
 * as 99, and the arithmetic and comparison read an operand in normal form
 * (leading and trailing zero pairs ignored, a zero of either sign is zero),
 * so a divisor whose first pair is 0 divides by the value it holds.
 *
 * Results may be the same record as an operand. No function allocates or
 * keeps state between calls.
 *
 * Precision word of a declared DECIMAL(p,s): p * 256 + s, s 255 for a
 * floating DECIMAL(p). Its stored form takes (p + (s & 1) + 3) / 2 bytes.
 *
 * Stored form of n bytes: byte 0 is 0x80 | ((exponent + 64) & 0x7F) for a
 * positive value or zero, and that byte XOR 0xFF for a negative value; bytes
 * 1 to n-1 hold the pairs padded with 0 bytes, base-100 complemented for a
 * negative value (deccomplement). NULL is n zero bytes. Stored forms of one
 * length compare bytewise (unsigned) in numeric order, NULL lowest. */
#ifndef TRW_DECIMAL_H
#define TRW_DECIMAL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define DEC_NPAIRS 16        /* digit pairs in a record: 32 decimal digits */
#define DEC_MINEXP (-64)     /* smallest exponent; also the exponent of zero */
#define DEC_MAXEXP 62        /* largest exponent */
#define DEC_STORED_MIN 2     /* shortest stored form a precision word gives */
#define DEC_STORED_MAX 18    /* longest: the floating DECIMAL(32) */
#define DEC_FLOATING 255     /* scale byte of a floating DECIMAL(p) */

/* Statuses */
#define DEC_OVERFLOW (-1200)  /* exponent above 62: record left with 63 */
#define DEC_UNDERFLOW (-1201) /* exponent below -64: record left with -64 */
#define DEC_DIVZERO (-1202)   /* division by zero: result is zero */

typedef struct decvalue {
    int16_t exponent;
    int16_t sign;
    int16_t ndigits;
    unsigned char digits[DEC_NPAIRS];
} decvalue;

/* Stored length of a precision word (p,s). */
#define DECLEN(p, s) (((p) + ((s) & 1) + 3) / 2)

/* The normalising loader every producer ends in. Fills dec from a run of
 * count pairs with the given sign (1, 0, or -1 for NULL) and exponent (the
 * exponent of the run read as a fraction): strips leading and trailing zero
 * pairs, rounds to 16 pairs by the 17th (half away from zero; later pairs
 * play no part) and checks the range. A pair byte above 99 reads as 99; a
 * negative count reads as 0. The run is not changed.
 * Returns 0, DEC_OVERFLOW or DEC_UNDERFLOW; a zero or NULL result is always 0. */
int decload(decvalue *dec, int sign, int exponent, const unsigned char *pairs, int count);

/* Loads the stored form of n bytes. Reads at most 18 bytes (17 pairs, the
 * 17th rounding the 16th); a length below 2 reads the missing bytes as 0, so
 * it loads NULL or zero. A pair byte above 99 reads as 99.
 * Returns 0, DEC_OVERFLOW or DEC_UNDERFLOW (as decload). */
int lddecimal(const void *src, int n, decvalue *dec);

/* Stores dec into n bytes, rounding half away from zero by the first pair
 * that does not fit (never reported). A length below 2 writes the first n
 * bytes of the 2-byte form; a length above 18 pads with 0 bytes. When the
 * rounding carry would raise an exponent byte already at its top (a record
 * clamped by DEC_OVERFLOW), the pairs are left unrounded instead. */
void stdecimal(const decvalue *dec, void *dst, int n);

/* Base-100 complement of count pair bytes in place: trailing 0 bytes stay 0,
 * the last non-zero byte b becomes 100 - b and every byte before it 99 - b
 * (bytes above 99 wrap modulo 256). It is its own inverse on pairs 0..99. */
void deccomplement(unsigned char *pairs, int count);

/* Measured precision word: precision * 256 + scale; 0 for NULL and zero. */
int dec2prec(const decvalue *dec);

/* As dec2prec, with the precision raised to at least the scale. */
int decprec(const decvalue *dec);

/* Copies the three header fields and ndigits pairs (at most 16). */
void deccopy(const decvalue *src, decvalue *dst);

/* 1 when ndigits is 0 or less and exponent is -64, else 0. */
int dec_is_zero(const decvalue *dec);

/* Fits dec (rounded in place where the scale asks for it) to the precision
 * word precword. Returns 0 when it fits, -1 when it has more integer digits
 * than the declaration holds. */
int chkprec(decvalue *dec, int precword);

/* r = a + b, a - b, a * b, a / b. Each returns 0, DEC_OVERFLOW or
 * DEC_UNDERFLOW; decdiv also DEC_DIVZERO (result zero) when b is zero and
 * neither operand is NULL. A NULL operand gives NULL and 0.
 * Addition works in a 17-pair run aligned on the larger operand: pairs of
 * the smaller beyond it are dropped unrounded. Division truncates the
 * quotient to 18 pairs. The result is then rounded to 16 pairs (decload). */
int decadd(const decvalue *a, const decvalue *b, decvalue *r);
int decsub(const decvalue *a, const decvalue *b, decvalue *r);
int decmul(const decvalue *a, const decvalue *b, decvalue *r);
int decdiv(const decvalue *a, const decvalue *b, decvalue *r);

/* -1 (a < b), 0 (equal, trailing zero pairs ignored), 1 (a > b), or -2 when
 * either is NULL. */
int deccmp(const decvalue *a, const decvalue *b);

/* Rounds dec in place to s decimal places, half away from zero; s may be
 * negative (tens, hundreds, ...). NULL stays NULL; overflow is not reported. */
void decround(decvalue *dec, int s);

/* Truncates dec in place toward zero to s decimal places (s may be
 * negative). A NULL record stays NULL for s of 1 or more and becomes zero
 * for s of 0 or less. */
void dectrunc(decvalue *dec, int s);

#ifdef __cplusplus
}
#endif

#endif
