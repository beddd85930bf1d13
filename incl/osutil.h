/* Byte and string primitives of the OS layer.
 *
 * Texts are zero-terminated; ranges are a pointer and a 32-bit signed length
 * and need no terminator. The source operand always comes first. SQL
 * character data is padded with blanks (0x20), so the length and comparison
 * operations below that say so ignore trailing blanks. Stored integers are
 * big-endian at any alignment. None of these functions reports an error; only
 * cmprstr accepts null pointers. */
#ifndef TRW_OSUTIL_H
#define TRW_OSUTIL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Case tables indexed by the unsigned byte value (257 entries). By default
 * they fold only ASCII letters. */
extern unsigned char _ix2lowmap[257];
extern unsigned char _ix2upmap[257];

/* Value of the leading decimal digits; 0 when the text starts otherwise. No
 * sign, no white space; the 32-bit arithmetic wraps. */
int isatol(const char *text);

void stcat(const char *src, char *dst);   /* appends src to dst */
void stcopy(const char *src, char *dst);  /* copies src with its terminator */
int stleng(const char *text);             /* bytes before the terminator */
int stnleng(const char *text, int limit); /* at most limit; never reads past it */

/* -1, 0 or 1 by unsigned byte order. stcmpri folds through _ix2lowmap. */
int stcmpr(const char *a, const char *b);
int stcmpri(const char *a, const char *b);

/* First byte equal to c (as a signed char), or NULL; never finds the terminator. */
char *stchr(const char *text, int c);

/* Compares the first words (ended by a terminator or blank) of two texts,
 * at most limit positions: 0 when they agree, else -1. Both NULL: 0; one NULL: -1. */
int cmprstr(const char *a, const char *b, int limit);

/* SQL comparison of two blank-padded character values: -1, 0 or 1. */
int charcmp(const char *a, int la, const char *b, int lb);

/* Unsigned byte comparison of n bytes: -1, 0 or 1; 0 for n <= 0. */
int bycmpr(const void *a, const void *b, int n);

void bycopy(const void *src, void *dst, int n);  /* memmove semantics */
void bylcopy(const void *src, void *dst, int n); /* memmove semantics */
void byfill(void *dst, int n, int byte);

/* Length without trailing blanks. byleng follows the client locale (a
 * multibyte blank such as the ideographic space counts as padding);
 * trw_byleng strips 0x20 bytes only. Neither exceeds n. */
int byleng(const char *range, int n);
int trw_byleng(const char *range, int n);

/* Cuts trailing blanks off text in place; a negative n means stleng(text). */
void _sttrmrt(char *text, int n);

/* 1 when all n bytes equal c (compared as signed chars; also for n <= 0), else 0. */
int _gIsRangeFilled(const char *range, int n, int c);

int ldlong(const void *src);           /* 4 big-endian bytes */
void stlong(int32_t value, void *dst); /* low 32 bits, big-endian */
int64_t ldptr(const void *src);        /* 8 big-endian bytes */
void stptr(int64_t value, void *dst);

#ifdef __cplusplus
}
#endif

#endif
