/* The client side of characters and code-set conversion in the data-type
 * library: character routines on the current client locale, the
 * locale-aware trailing-blank length for the OS layer, and the conversion
 * front end (buffer strategies, converting file-system calls and formatted
 * printing).
 *
 * trw_gls_client() holds the client and server locales and the conversion
 * descriptors of the current client locale environment record (glsenv.h):
 * initgls, SetGlsEnv and freegls copy the record's fields into it. The
 * routines here read it as they find it and do not set up the environment
 * themselves: before the first initialisation (chkglsinit, which every
 * locale-dependent DECIMAL or DATE call makes) every field is null, and
 * text is then treated as single-byte and conversions as not needed. Tests
 * may install their own locales and descriptors in it.
 *
 * Status of the conversion front end: a byte count (>= 0), or
 *   TRW_GCV_EBADARG  -23112 null input, or a size or length not positive
 *   TRW_GCV_ENOMEM   -23102 memory
 *   TRW_GCV_EILSEQ   -23103 invalid input or a character cut at the end
 *   TRW_GCV_ECONV    -23113 any other conversion failure (too little room
 *                           where truncation is not allowed, a failed load)
 * each also stored in the client error slot (trw_gls_client()->error). */
#ifndef TRW_GLSCLIENT_H
#define TRW_GLSCLIENT_H

#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>

#include "gl_char.h"
#include "gl_conv.h"
#include "gl_locale.h"
#include "osclient.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TRW_GCV_EBADARG (-23112)
#define TRW_GCV_ENOMEM  (-23102)
#define TRW_GCV_EILSEQ  (-23103)
#define TRW_GCV_ECONV   (-23113)

typedef struct trw_gls_client_env {
    gl_locale *client_locale;
    gl_locale *server_locale;  /* the code set of files read with gcvgetc */
    gl_cvdesc *client_to_db;
    gl_cvdesc *db_to_client;   /* "%S" arguments of the RQ5CL printing */
    gl_cvdesc *file_name_cv;   /* en_US.819 -> server code set: path names */
    gl_cvdesc *file_char_cv;   /* server code set -> en_US.819: file bytes */
    int error;                 /* the client error slot */
} trw_gls_client_env;

/* The current client environment; never null. */
trw_gls_client_env *trw_gls_client(void);

/* ---- characters on the current client locale ---- */

/* 1 when any byte of the terminated text has its top bit set, else 0. */
int is8bitstr(const char *s);
/* Wide characters of wcs[0..n) before its trailing run of spaces (0x20). */
int wbyleng(const gl_wchar_t *wcs, int n);
/* Copies the character at src (loc null: the client locale) to dst and
 * returns its wide value; *len gets the bytes copied. An invalid byte is
 * copied alone (*len 1, its value returned, the locale's error set). */
gl_wchar_t mbcharcopy(gl_locale *loc, const char *src, char *dst, int *len);
/* Characters in at most n bytes of s, stopping at the terminator; a
 * character cut by n is not counted. -1 on invalid input. */
int glsmbsnlen(gl_locale *loc, const char *s, int n);
/* Bytes of the whole characters in at most n bytes of s (stopping at the
 * terminator). -1 on invalid input. */
int glsmbsnbytelen(gl_locale *loc, const char *s, int n);
/* Bytes of the longest prefix of s whose display width fits in columns
 * (characters that are not printable count one column; invalid input ends
 * the prefix). */
int dbcslswdw(const char *s, int columns, gl_locale *loc);

/* Length of range[0..n) without trailing blanks under the client locale:
 * trailing 0x20 bytes in a single-byte locale (or with none loaded);
 * otherwise, walking characters, the start of the final run of characters
 * of class blank and not cntrl (an ideographic space counts, a tab does
 * not). Never more than n. */
int trw_gls_byleng(const char *range, int n);
/* The OS-layer hook set that carries trw_gls_byleng. */
const os_client_locale_hooks *trw_gls_os_hooks(void);

/* ---- conversion front end ---- */

/* Loads the conversion, converts in[0..inlen) (inlen -1: a terminated
 * string, terminator included) into out, unloads. Bytes written, or the
 * negated library error number (-14 too little room, -1 invalid, -7 cut,
 * -8 no conversion file). */
int trw_gl_cv_mconv(gl_cv_state *state, char *out, int outspace, const char *target_spec,
                    const char *in, int inlen, const char *source_spec);
/* Output bound for length bytes; -1 when the conversion cannot load. */
int trw_gl_cv_outbuflen(const char *target_spec, const char *source_spec, int length);
/* 1 when the code sets differ, 0 when equal, -1 when either has no number. */
int trw_gl_conv_needed(const char *spec1, const char *spec2);
/* The 256-byte table of a single-byte conversion (the identity for one code
 * set). 0, or -1 when the conversion is not single-byte or cannot load. */
int trw_gl_cv_sb2sb_table(const char *target_spec, const char *source_spec, unsigned char *out);

/* Buffer strategies. length: the input bytes, or null for a terminated
 * string (the output is then terminated too and the terminator is not
 * counted). A null descriptor copies the input. The output size for n input
 * bytes is n times the expansion factor rounded up (+1 for a string). */
/* Into dst[0..dstsize): bytes written; too little room is no error: the
 * converted prefix is kept and *truncated set to 1. */
int gcv_extbuf(gl_cvdesc *cd, const char *src, const int *length, char *dst, int dstsize, int *truncated);
/* In place through a temporary; at most size bytes are copied back. */
int gcv_inplace(gl_cvdesc *cd, char *str, const int *length, int size, int *truncated);
/* Into a new buffer (malloc; the caller frees it). */
int gcv_malloc(gl_cvdesc *cd, const char *src, const int *length, char **out);
/* Into a buffer the caller keeps between calls, grown with realloc. */
typedef struct gcv_buffer {
    int size;
    char *data;
} gcv_buffer;
int gcv_reuse(gl_cvdesc *cd, const char *src, const int *length, gcv_buffer *buffer);
/* Output sizes only. */
int gcv_lenonly(gl_cvdesc *cd, int length);
int gcv_len(gl_cvdesc *cd, const char *src, const int *length);

/* Platform calls whose path arguments are first converted with the
 * file-name conversion (into 261 bytes; 1025 for gcvchdir); a failed or
 * truncated conversion makes the call fail (-1, or null). */
FILE *gcvfopen(const char *path, const char *mode);
int gcvlink(const char *from, const char *to);
int gcvunlink(const char *path);
int gcvcreat(const char *path, mode_t mode);
int gcvopen(const char *path, int flags, ...);
int gcvaccess(const char *path, int mode);
int gcvstat(const char *path, struct stat *st);
int gcvchdir(const char *path);
/* Reads one character of the server locale from stream, converts it with
 * the file-character conversion and returns its bytes one per call; EOF at
 * end of file, TRW_GCV_EILSEQ when it cannot convert. */
int gcvgetc(FILE *stream);
/* Replaces each of count strings by a converted copy (malloc; the caller
 * frees the copies). 0 or a front-end error. */
int gcvargs(gl_cvdesc *cd, int count, char **values);

/* Formatted printing. gcvfprintf converts the format and each "%s" argument
 * with the file-name conversion (at most 15 arguments). The RQ5CL forms
 * convert "%S" arguments from the database to the client code set and print
 * them as "%s"; the allarg forms convert every "%s" and "%S" argument.
 * Characters printed, or -1. "%n" is refused. */
int gcvfprintf(FILE *stream, const char *format, ...);
int gcvargRQ5CLfprintf(FILE *stream, const char *format, ...);
int gcvargRQ5CLprintf(const char *format, ...);
int gcvallargRQ5CLfprintf(FILE *stream, const char *format, ...);
int gcvallargRQ5CLprintf(const char *format, ...);

#ifdef __cplusplus
}
#endif

#endif
