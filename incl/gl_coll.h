/* Collation of a loaded locale (gl_locale.h): string comparison, counted
 * comparison and sort keys by the locale's COLLATE category.
 *
 * A COLLATE category of kind "as_specified" orders strings by up to eight
 * levels of weights. Each character (or collating element, several
 * characters taking one row) has a row of weights; at each level the
 * weights of a string form a sequence, read from the first character on a
 * forward level and from the last on a backward one. Weight 1 is skipped
 * (ignorable at that level); an expansion weight (0x4000 plus an index)
 * stands for the weights of its expansion's characters; a position-
 * sensitive weight (0x8000) compares by its low 14 bits and, when both
 * sides are position-sensitive and equal, by the character's code (1 for a
 * character inside a collating element). The first level whose sequences
 * differ decides; a sequence that ends first is smaller. A character the
 * weight table has no row for sorts after every other character, by its
 * code, at the first level, and is ignorable at the others.
 *
 * A category loaded in code-point mode orders by wide value. A "thai_smo"
 * category orders Thai text: the base text with each preposed vowel
 * (0xE0..0xE4) moved after the character that follows it and the tone and
 * other marks (0xE7..0xEE) left out, compared by bytes, trailing blanks
 * ignored; then the marks, the first mark difference deciding (a mark
 * against no mark is the greater). Compare and sort key agree in both.
 *
 * Sort keys: the levels in order, a byte 1 between two levels, each weight
 * in base 254 with the digits stored as digit + 2, of the value less 2, in
 * as many digits as the category's maximum weight needs (1 below 254, 2
 * below 64516, 3 up to 16387063, 4 up to 4162314255, else 5); a
 * position-sensitive weight is followed by the character code (not less 2)
 * in as many such digits as the code set's range (255, 0xFFFF, 0xFFFFFF,
 * 0xFFFFFFFF) needs. So no key byte before the end is below 2 and two keys
 * compare as their strings do (strcmp, or memcmp over the shorter length
 * and then the length). The transforms write a byte only below the output
 * size but return the length the whole key needs, not counting the final
 * byte 0 they add when room remains (as strxfrm does); a result not below
 * the size means the key was cut.
 *
 * Failures return 0 with the locale's error number set (callers check it):
 *   GL_EILSEQ (1)        invalid multibyte text, a wide value the code set lacks
 *   GL_ENULLARG (2)      null wide string
 *   GL_ENOMEM (3)        memory
 *   GL_EMIXEDCOUNT (56)  one count -1 (terminated) and the other not
 * A successful call leaves the error number as it was.
 *
 * The record's three slots (coll_compare, coll_ncompare, coll_transform)
 * hold the routines the loader chose for the category; call through them
 * or through the gl_ entry points below. */
#ifndef TRW_GL_COLL_H
#define TRW_GL_COLL_H

#include "gl_char.h"
#include "gl_locale.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifndef GL_EMIXEDCOUNT
#define GL_EMIXEDCOUNT 56
#endif

/* ---- compare slots: negative, 0 or positive ---- */
/* The general routine (any code set); the single-byte ones serve the
 * single-byte categories with expansions only, elements only, neither
 * (with or without a backward level), elements and expansions. */
int _gl_im_mbscoll(gl_locale *loc, const unsigned char *s1, const unsigned char *s2);
int _gl_is_mbscoll_exp(gl_locale *loc, const unsigned char *s1, const unsigned char *s2);
int _gl_is_mbscoll_elem(gl_locale *loc, const unsigned char *s1, const unsigned char *s2);
int _gl_is_mbscoll_back(gl_locale *loc, const unsigned char *s1, const unsigned char *s2);
int _gl_is_mbscoll_exp_elem(gl_locale *loc, const unsigned char *s1, const unsigned char *s2);

/* ---- counted compare slots: byte counts, -1 = terminated ---- */
int _trw_gl_im_mbfscoll(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2);
int _trw_gl_is_mbfscoll_exp(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                            int n2);
int _trw_gl_is_mbfscoll_elem(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                             int n2);
int _trw_gl_is_mbfscoll_back(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                             int n2);
int _trw_gl_is_mbfscoll_exp_elem(gl_locale *loc, const unsigned char *s1, int n1,
                                 const unsigned char *s2, int n2);

/* ---- wide strings: counts in characters, -1 = terminated by 0 ---- */
int gl_full_wcscoll(gl_locale *loc, const gl_wchar_t *s1, const gl_wchar_t *s2);
int _trw_gl_full_wcscoll(gl_locale *loc, const gl_wchar_t *s1, int n1, const gl_wchar_t *s2, int n2);

/* ---- sort keys: the key length (may exceed n; 0 on failure) ---- */
/* The key of a terminated multibyte string (the transform slot of the
 * general kind). */
int gl_full_mbsxfrm(gl_locale *loc, unsigned char *dst, const unsigned char *src, int n);
/* The key of a terminated wide string; equal to gl_full_mbsxfrm's of its
 * multibyte form. */
int gl_wcsxfrm(gl_locale *loc, unsigned char *dst, const gl_wchar_t *src, int n);

/* ---- Thai ("thai_smo") ---- */
int _gl_thaismocoll(gl_locale *loc, const unsigned char *s1, const unsigned char *s2);
int _trw_gl_thaismoncoll(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                         int n2);
int _gl_thaismoxfrm(gl_locale *loc, unsigned char *dst, const unsigned char *src, int n);

/* ---- a category the Unicode service serves (kind 3): forwarded to it ---- */
int _gl_glu_mbscoll(gl_locale *loc, const unsigned char *s1, const unsigned char *s2);
int _trw_gl_glu_mbfscoll(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2);
int _gl_glu_mbsxfrm(gl_locale *loc, unsigned char *dst, const unsigned char *src, int n);

#ifdef __cplusplus
}
#endif

#endif
