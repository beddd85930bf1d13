/* Characters and multibyte strings of a loaded locale (gl_locale.h).
 *
 * A multibyte character is a byte sequence the locale's class trie accepts:
 * walking the trie byte by byte, flag 1 continues and flag 4 ends a valid
 * character. A wide character (gl_wchar_t) holds the character's bytes, first
 * byte most significant: A4 A2 is 0xA4A2, a single byte is its own value.
 * Wide strings end with the value 0. A multibyte string ends with the
 * locale's terminator: gl_mb_loc_min zero bytes.
 *
 * Single-byte locales use the record's 256-entry tables (_gl_is_ routines);
 * multibyte locales walk the tries (_gl_im_ routines); the gl_ entry points
 * choose between them from the record's single-byte flag.
 *
 * Status: counts are int with -1 for failure, pointers null for failure; the
 * reason is stored in the locale's error number (_gl_ext_errno(loc)):
 *   GL_EILSEQ (1)   invalid sequence, or a wide character the locale lacks
 *   GL_ENULLARG (2) null string argument
 *   GL_ENEGINDEX (4) negative character index or count
 *   GL_EBADSTART (5) start not before the position, end before start
 *   GL_EINVAL (7)   the byte limit ends inside a character; a character that
 *                   is not printable asked for its width
 *   GL_EBADARG (9)  negative length
 *   GL_EIO (13)     stream write or read error
 *   GL_E2BIG (14)   output buffer too small
 *   GL_EEOF (16)    end of file before the first byte of a character
 * Partial output is left in place on failure.
 *
 * Counted forms (_trw_gl_...) take a byte count (wide-character count for
 * wide strings) where -1 means the string is terminated. */
#ifndef TRW_GL_CHAR_H
#define TRW_GL_CHAR_H

#include <stdint.h>
#include <stdio.h>

#include "gl_locale.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t gl_wchar_t;

/* Byte callbacks of gl_getmb and gl_putmb: the next byte (0..255) or -1 at
 * end of input; 0 when the byte was written, -1 on a write error. */
typedef int (*gl_getbyte_fn)(void *data);
typedef int (*gl_putbyte_fn)(int byte, void *data);

/* ---- code-set properties ---- */

/* Longest and shortest character in bytes (1..4), 0 without CTYPE. */
int gl_mb_loc_max(gl_locale *loc);
int gl_mb_loc_min(gl_locale *loc);
/* Writes the terminator (gl_mb_loc_min zero bytes); returns its length. */
int gl_mbsterm(gl_locale *loc, char *s);
/* Length of the terminator when s starts with one, else 0. */
int gl_ismbsterm(gl_locale *loc, const char *s);
/* Output size for case conversion of n bytes: n times the case factor,
 * rounded up. */
int gl_case_conv_outbuflen(gl_locale *loc, int n);

/* ---- character level ---- */

/* Byte length of the character at s reading at most limit bytes (-1: up to
 * the terminator); 0 for the terminator or a null s; -1 (1, 7). */
int gl_full_mblen(gl_locale *loc, const char *s, int limit);
int _trw_gl_full_mblen(gl_locale *loc, const char *s, int limit);
/* As gl_full_mblen, storing the wide value in *out (may be null); a limit
 * of 0 is error 7. */
int gl_full_mbtowc(gl_locale *loc, gl_wchar_t *out, const char *s, int limit);
int _trw_gl_full_mbtowc(gl_locale *loc, gl_wchar_t *out, const char *s, int limit);
/* Writes the bytes of wc (at most 4); returns their count, -1 (1). */
int gl_full_wctomb(gl_locale *loc, char *out, gl_wchar_t wc);
/* The character after the one at s; null (1, 2, 7). */
char *gl_full_mbsnext(gl_locale *loc, const char *s);
char *_trw_gl_full_mbsnext(gl_locale *loc, const char *s, int limit);
/* The start of the character before s, walking from start; null (2, 5, 1). */
char *gl_full_mbsprev(gl_locale *loc, const char *start, const char *s);
/* Offset from start of the character that contains s; *len (may be null)
 * gets its length. -1 (2, 5, 1). */
int gl_full_charoffset(gl_locale *loc, const char *start, const char *s, int *len);
/* Display width: 0 for the terminator, 2 for a "full_width" character, 1
 * for other printable characters; -1 (7 not printable, 1). */
int gl_mbwidth(gl_locale *loc, const char *s);
int gl_wcwidth(gl_locale *loc, gl_wchar_t wc);
/* The class mask of wc or of the character at s ANDed with mask; 0 when it
 * is not a valid character. */
int im_iswctype(gl_locale *loc, gl_wchar_t wc, int mask);
int im_ismctype(gl_locale *loc, const char *s, int mask);
int _trw_gl_im_ismctype(gl_locale *loc, const char *s, int limit, int mask);
int _gl_is_iswctype(gl_locale *loc, gl_wchar_t wc, int mask);
/* Case of one wide character; unchanged when it has no mapping. */
gl_wchar_t _gl_im_towupper(gl_locale *loc, gl_wchar_t wc);
gl_wchar_t _gl_im_towlower(gl_locale *loc, gl_wchar_t wc);
gl_wchar_t _gl_is_towupper(gl_locale *loc, gl_wchar_t wc);
gl_wchar_t _gl_is_towlower(gl_locale *loc, gl_wchar_t wc);
gl_wchar_t gl_towupper(gl_locale *loc, gl_wchar_t wc);
gl_wchar_t gl_towlower(gl_locale *loc, gl_wchar_t wc);
/* Case of the character at src written to dst (at most 4 bytes): source
 * length * 256 + target length; unmapped characters are copied; -1 (1, 2,
 * 7). The terminator gives 0 and writes nothing. */
int _gl_im_tomupper(gl_locale *loc, char *dst, const char *src);
int _gl_im_tomlower(gl_locale *loc, char *dst, const char *src);
int _trw_gl_im_tomupper(gl_locale *loc, char *dst, const char *src, int limit);
int _trw_gl_im_tomlower(gl_locale *loc, char *dst, const char *src, int limit);

/* ---- string level: copy, append ---- */

/* dst, or null (2, 1). The counted source forms copy srclen bytes of whole
 * characters and add the terminator. */
char *gl_full_mbscpy(gl_locale *loc, char *dst, const char *src);
char *_trw_gl_mbscpy(gl_locale *loc, char *dst, const char *src, int srclen);
gl_wchar_t *gl_wcscpy(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src);
gl_wchar_t *_trw_gl_wcscpy(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int srclen);
/* At most n characters; a shorter source is padded with terminators up to
 * n characters; no terminator is added after n copied characters. */
char *gl_mbsncpy(gl_locale *loc, char *dst, const char *src, int n);
char *_trw_gl_mbsncpy(gl_locale *loc, char *dst, const char *src, int srclen, int n);
gl_wchar_t *gl_wcsncpy(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int n);
gl_wchar_t *_trw_gl_wcsncpy(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int srclen,
                            int n);
/* Appends src (its first n characters) and a terminator to dst. */
char *gl_full_mbscat(gl_locale *loc, char *dst, const char *src);
char *_trw_gl_mbscat(gl_locale *loc, char *dst, const char *src, int srclen);
gl_wchar_t *gl_wcscat(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src);
gl_wchar_t *_trw_gl_wcscat(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int srclen);
char *gl_mbsncat(gl_locale *loc, char *dst, const char *src, int n);
char *_trw_gl_mbsncat(gl_locale *loc, char *dst, const char *src, int srclen, int n);
gl_wchar_t *gl_wcsncat(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int n);
gl_wchar_t *_trw_gl_wcsncat(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int srclen,
                            int n);

/* ---- string level: search ---- */

/* First (last) character equal to wc; null when absent (error number 0) or
 * on failure (2, 1). Searching for 0 finds the terminator. */
char *gl_full_mbschr(gl_locale *loc, const char *s, gl_wchar_t wc);
char *_trw_gl_mbschr(gl_locale *loc, const char *s, int len, gl_wchar_t wc);
char *gl_full_mbsrchr(gl_locale *loc, const char *s, gl_wchar_t wc);
char *_trw_gl_mbsrchr(gl_locale *loc, const char *s, int len, gl_wchar_t wc);
gl_wchar_t *gl_wcschr(gl_locale *loc, const gl_wchar_t *s, gl_wchar_t wc);
gl_wchar_t *_trw_gl_wcschr(gl_locale *loc, const gl_wchar_t *s, int len, gl_wchar_t wc);
gl_wchar_t *gl_wcsrchr(gl_locale *loc, const gl_wchar_t *s, gl_wchar_t wc);
gl_wchar_t *_trw_gl_wcsrchr(gl_locale *loc, const gl_wchar_t *s, int len, gl_wchar_t wc);
/* Length in characters of the leading run of characters in (spn) or not
 * in (cspn) set; -1 (2, 1). */
int gl_full_mbsspn(gl_locale *loc, const char *s, const char *set);
int gl_full_mbscspn(gl_locale *loc, const char *s, const char *set);
int _trw_gl_mbsspn(gl_locale *loc, const char *s, int len, const char *set, int setlen);
int _trw_gl_mbscspn(gl_locale *loc, const char *s, int len, const char *set, int setlen);
int gl_wcsspn(gl_locale *loc, const gl_wchar_t *s, const gl_wchar_t *set);
int gl_wcscspn(gl_locale *loc, const gl_wchar_t *s, const gl_wchar_t *set);
int _trw_gl_wcsspn(gl_locale *loc, const gl_wchar_t *s, int len, const gl_wchar_t *set, int setlen);
int _trw_gl_wcscspn(gl_locale *loc, const gl_wchar_t *s, int len, const gl_wchar_t *set, int setlen);
/* First character of s that is in set; null when none (error 0). */
char *gl_full_mbspbrk(gl_locale *loc, const char *s, const char *set);
char *_trw_gl_mbspbrk(gl_locale *loc, const char *s, int len, const char *set, int setlen);
gl_wchar_t *gl_wcspbrk(gl_locale *loc, const gl_wchar_t *s, const gl_wchar_t *set);
gl_wchar_t *_trw_gl_wcspbrk(gl_locale *loc, const gl_wchar_t *s, int len, const gl_wchar_t *set,
                            int setlen);
/* First occurrence of sub (character-aligned); s for an empty sub; null
 * when absent (error 0). */
char *gl_full_mbsmbs(gl_locale *loc, const char *s, const char *sub);
char *_trw_gl_mbsmbs(gl_locale *loc, const char *s, int len, const char *sub, int sublen);
gl_wchar_t *gl_wcswcs(gl_locale *loc, const gl_wchar_t *s, const gl_wchar_t *sub);
gl_wchar_t *_trw_gl_wcswcs(gl_locale *loc, const gl_wchar_t *s, int len, const gl_wchar_t *sub,
                           int sublen);

/* ---- string level: lengths, blanks, width ---- */

/* Characters before the terminator (within len bytes); -1 (2, 1, 7). */
int gl_mbslen(gl_locale *loc, const char *s);
int _gl_im_mbslen(gl_locale *loc, const char *s);
int _gl_is_mbslen(gl_locale *loc, const char *s);
int _trw_gl_im_mbfslen(gl_locale *loc, const char *s, int len);
int gl_wcslen(gl_locale *loc, const gl_wchar_t *s);
/* Bytes with (gl_mbsbytes) or without (_nt) the terminator; 4 * (length +
 * 1) for wide strings. */
int gl_mbsbytes(gl_locale *loc, const char *s);
int gl_mbsbytes_nt(gl_locale *loc, const char *s);
int gl_wcsbytes(gl_locale *loc, const gl_wchar_t *s);
/* Length without the final run of characters of class blank and not cntrl
 * (space and not cntrl for wide strings), in characters or bytes. */
int gl_mbsntslen(gl_locale *loc, const char *s);
int gl_mbsntsbytes(gl_locale *loc, const char *s);
int gl_wcsntslen(gl_locale *loc, const gl_wchar_t *s);
int _trw_gl_mbsntslen(gl_locale *loc, const char *s, int len);
int _trw_gl_mbsntsbytes(gl_locale *loc, const char *s, int len);
int _trw_gl_wcsntslen(gl_locale *loc, const gl_wchar_t *s, int len);
/* Start of that final run (null when there is none, error 0); the trunc
 * forms write the terminator there and return s. */
char *gl_mbsp(gl_locale *loc, const char *s);
char *gl_mbsntstrunc(gl_locale *loc, char *s);
gl_wchar_t *gl_wcsntstrunc(gl_locale *loc, gl_wchar_t *s);
/* Display width of the first n characters (stopping at the terminator), or
 * of the characters before end; -1 (4 negative n, 5 end before s, 7). */
int gl_mbswidth(gl_locale *loc, const char *s, int n);
int gl_mbspwidth(gl_locale *loc, const char *s, const char *end);
int gl_wcswidth(gl_locale *loc, const gl_wchar_t *s, int n);
int gl_wcspwidth(gl_locale *loc, const gl_wchar_t *s, const gl_wchar_t *end);

/* ---- string level: case, conversion, characters by index, compare ---- */

/* Case of a string into dst (room: gl_case_conv_outbuflen of the source
 * bytes plus the terminator); bytes written without the terminator (wide
 * characters for the wide forms); -1 (2, 1). */
int gl_tombsupper(gl_locale *loc, char *dst, const char *src);
int gl_tombslower(gl_locale *loc, char *dst, const char *src);
int gl_towcsupper(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src);
int gl_towcslower(gl_locale *loc, gl_wchar_t *dst, const gl_wchar_t *src);
/* Multibyte to wide: at most max characters (max < 0: no bound; dst null
 * counts only); a terminated source stores the 0 when there is room and the
 * count excludes it. -1 (1, 2, 7). */
int gl_mbstowcs(gl_locale *loc, gl_wchar_t *dst, const char *src, int max);
int _gl_im_mbstowcs(gl_locale *loc, gl_wchar_t *dst, const char *src, int max);
int _gl_is_mbstowcs(gl_locale *loc, gl_wchar_t *dst, const char *src, int max);
int _trw_gl_im_mbfstowcfs(gl_locale *loc, gl_wchar_t *dst, const char *src, int bytes, int max);
int gl_mbstowcslen(gl_locale *loc, const char *src);
/* Wide to multibyte into at most size bytes (dst null: count only); stops
 * before a character that would not fit; a terminated source writes the
 * terminator when it fits. Bytes written without the terminator; -1 (1, 2). */
int gl_full_wcstombs(gl_locale *loc, char *dst, const gl_wchar_t *src, int size);
int _trw_gl_full_wcstombs(gl_locale *loc, char *dst, const gl_wchar_t *src, int count, int size);
/* The i-th character (0 first); getmbsinull stops at the terminator and
 * returns null there. null (2, 4, 1). */
char *gl_full_getmbsi(gl_locale *loc, const char *s, int i);
char *gl_getmbsinull(gl_locale *loc, const char *s, int i);
/* Replaces the i-th character of s (or the one at dst) by the first
 * character of src, shifting the rest of the terminated string. Returns s
 * (dst); null (2, 3, 4, 1). */
char *gl_full_putmbsi(gl_locale *loc, char *s, int i, const char *src);
char *gl_mbcreplace(gl_locale *loc, char *dst, const char *src);
/* Compare by wide value: <0, 0, >0; n limits the characters. On invalid
 * input the error number is set and the result is that of the bytes. */
int gl_full_mbscmp(gl_locale *loc, const char *s1, const char *s2);
int gl_full_mbsncmp(gl_locale *loc, const char *s1, const char *s2, int n);
int _trw_gl_mbscmp(gl_locale *loc, const char *s1, int n1, const char *s2, int n2);
int gl_wcscmp(gl_locale *loc, const gl_wchar_t *s1, const gl_wchar_t *s2);
int gl_wcsncmp(gl_locale *loc, const gl_wchar_t *s1, const gl_wchar_t *s2, int n);
int _trw_gl_wcfscmp(gl_locale *loc, const gl_wchar_t *s1, int n1, const gl_wchar_t *s2, int n2);

/* ---- streams and byte callbacks ---- */

/* Reads one character into out (room for 4 bytes) through getbyte; *len
 * gets its byte count. 0; -1 (16 end before the first byte, 7 end inside
 * the character, 1). */
int gl_getmb(gl_locale *loc, char *out, gl_getbyte_fn getbyte, void *data, int *len);
/* Writes the character at s (limit as gl_full_mblen) through putbyte; the
 * terminator writes its gl_mb_loc_min zero bytes. 0; -1 (13, 1, 7). */
int gl_putmb(gl_locale *loc, const char *s, int limit, gl_putbyte_fn putbyte, void *data, int *len);
/* The same on streams through the stream hooks; fgetwc returns the wide
 * value in *out. 0; -1 (16, 7, 13, 17, 1). */
int gl_full_fgetmb(gl_locale *loc, char *out, FILE *stream, int *len);
int gl_full_fgetwc(gl_locale *loc, gl_wchar_t *out, FILE *stream);
int gl_fputmb(gl_locale *loc, const char *s, FILE *stream);
int gl_fputwc(gl_locale *loc, gl_wchar_t wc, FILE *stream);
/* Reads a line including its newline (the locale's newline character) into
 * dst of size bytes (wide characters), terminated. dst; null (14 no room,
 * 16 end of input before any newline, 13, 7, 1). */
char *gl_fgetmbs(gl_locale *loc, char *dst, int size, FILE *stream);
gl_wchar_t *gl_fgetwcs(gl_locale *loc, gl_wchar_t *dst, int size, FILE *stream);
/* Writes a string without its terminator; bytes written, -1 (13, 1, 2). */
int gl_fputmbs(gl_locale *loc, const char *s, FILE *stream);
int gl_fputwcs(gl_locale *loc, const gl_wchar_t *s, FILE *stream);

#ifdef __cplusplus
}
#endif

#endif
