/* Code-set conversion of the locale library.
 *
 * A conversion is described by a conversion object file (".cvo", text) that
 * maps every character of a source code set to its bytes in a target code
 * set. Loading one gives a descriptor (gl_cvdesc); a null descriptor means
 * that the two code sets are the same and no conversion is needed.
 *
 * The file, as the reader takes it:
 *   FILE_TYPE=codeset_conversion_object
 *   COMPILER_VERSION=9
 *   <key>=<n>            n = number of header lines, these three included;
 *                        the other n-3 lines are skipped
 *   source stateful, target stateful (decimal ints)
 *   four byte sequences: shift-out, shift-in and two more, each a hex digit
 *                        (the length, 0..4) and that many bytes as 2 hex digits
 *   seven decimal ints: target min length, target max length (1..4), two
 *                        reserved, source min length, source max length, a
 *                        flag that suppresses the single-byte table
 *   the expansion factor (decimal floating point)
 *   the conversion trie of the initial source state, then, for a stateful
 *   source, the trie of the shifted state (the multi-level table encoding of
 *   gl_multi.h, keys of at most 4 bytes). Each element is a flag byte and
 *   target_max_len target bytes, written as two hex digits for the flag and
 *   two for each target byte the flag announces.
 *
 * Element flag byte:
 *   0x07  number of target bytes that follow (at most target_max_len)
 *   0x08  the source string terminator: without an input length, conversion
 *         stops after it
 *   0x10  a valid mapping. Every element of a character the conversion
 *         knows carries it; an element without it (the table default, 00,
 *         among them) is an invalid source sequence (GL_EILSEQ)
 *   0x20  a substitution: the target lacks the character and the bytes are
 *         a stand-in; the call reports that a substitution happened
 *   0x40  the target bytes belong to the shifted output state
 *   0x80  the source switches between its two states after this character
 *
 * Errors (the descriptor's error number, _gl_ext_errno(cd)):
 *   GL_EILSEQ (1)  invalid or unmapped input
 *   GL_ENOMEM (3)  memory
 *   GL_EINVAL (7)  the input ends inside a character; a code set without a
 *                  number
 *   GL_EFILEERR (8) conversion file missing or malformed
 *   GL_E2BIG (14)  output space exhausted
 * After an error the pointers and counts describe the converted prefix. */
#ifndef TRW_GL_CONV_H
#define TRW_GL_CONV_H

#include <stdint.h>

#include "gl_multi.h"

#ifdef __cplusplus
extern "C" {
#endif

#define GL_CV_TERMINATOR   0x08
#define GL_CV_VALID        0x10
#define GL_CV_SUBSTITUTION 0x20
#define GL_CV_SHIFTED_OUT  0x40
#define GL_CV_TOGGLE_STATE 0x80
#define GL_CV_LENGTH_MASK  0x07

/* Shift state of a stateful conversion: the caller sets reset to start a new
 * string (the routine clears it) and flush to have the shift-in sequence
 * written when the string ends in the shifted output state. */
typedef struct gl_cv_state {
    int reset;
    int flush;
    int source_state; /* 0 initial, 1 shifted */
    int output_state; /* 0 initial, 1 shifted */
} gl_cv_state;

typedef struct gl_cvdesc gl_cvdesc;

/* A conversion routine, with the arguments of gl_cv_mconv. */
typedef int (*gl_cv_routine)(gl_cvdesc *cd, gl_cv_state *state, char **in, int *inlen, char **out,
                             int *outlen, int *substituted);

typedef struct gl_cv_sequence {
    unsigned char bytes[4];
    int length;
} gl_cv_sequence;

struct gl_cvdesc {
    int error;
    gl_cv_routine routine;       /* stateless conversions */
    unsigned char *sb_table;     /* single-byte to single-byte only: 256 bytes */
    int source_stateful;
    int target_stateful;
    gl_cv_sequence shift_out;    /* enter the shifted state */
    gl_cv_sequence shift_in;     /* return to the initial state */
    gl_cv_sequence sequence3;
    gl_cv_sequence sequence4;
    int target_min_len;
    int target_max_len;
    int reserved1;
    int reserved2;
    int source_min_len;
    int source_max_len;
    int no_sb_table;
    double expansion;
    gl_multi *trie[2];           /* initial and shifted source state */
    void *glu_handle;            /* optional Unicode service */
    int glu_served;
    void *accelerator;           /* private tables of the fast loops */
};

/* Static descriptors handed out on failure; never freed. */
extern gl_cvdesc cd_enomem;  /* error 3 */
extern gl_cvdesc cd_fileerr; /* error 8 */
extern gl_cvdesc cd_einval;  /* error 7 */

/* Loads the conversion from the code set of source_spec to that of
 * target_spec (locale specifications, code-set names or numbers): the file
 * <source 4 hex><target 4 hex>.cvo from directory (when not null) or by the
 * path search of conversion files. registry: code-set registry file or null.
 * 1 loaded; 0 same code set (*out null); -1 with *out a static descriptor or
 * a descriptor whose error number says why (7 no code-set number, 8 file
 * missing or malformed, 3 memory). */
int gl_cv_load(gl_cvdesc **out, const char *target_spec, const char *source_spec,
               const char *registry, const char *directory);
/* As gl_cv_load, by the code-set names of the specifications (the text after
 * '.' up to '@' or a space): equal names, or names of one code-set number,
 * need no conversion (0); otherwise the file named target_source.cvo is
 * loaded, and when there is none, the numbered file. */
int gl_cv_open(gl_cvdesc **out, const char *target_spec, const char *source_spec);
/* Loads <target>_<source>.cvo (the name at most 1023 bytes). 1 or -1. */
int gl_iconv_open(gl_cvdesc **out, const char *target_name, const char *source_name);
/* Frees a descriptor; static descriptors and null are ignored. 0. */
int gl_cv_unload(gl_cvdesc *cd);

/* Converts *inlen bytes at *in (inlen null: up to and including the source
 * terminator) into *outlen bytes at *out (out or *out null: count only,
 * outlen may then be null). The pointers and counts advance past what was
 * converted; *substituted (may be null) is set to 1 when a character was
 * replaced by a stand-in. A null in (or *in) ends a string: a stateful
 * conversion with state->flush writes the shift-in sequence when needed.
 * A null descriptor copies the input. 0; -1 with the descriptor's error
 * number (1, 7, 14; the process-wide one for a null descriptor). */
int gl_cv_mconv(gl_cvdesc *cd, gl_cv_state *state, char **in, int *inlen, char **out, int *outlen,
                int *substituted);
/* gl_cv_mconv without a shift state. */
int gl_miconv(gl_cvdesc *cd, char **in, int *inlen, char **out, int *outlen, int *substituted);
/* The number of output bytes the input converts to (the input pointer and
 * count advance), or -1 with the error number set (1, 7). */
int gl_mconvlen(gl_cvdesc *cd, gl_cv_state *state, char **in, int *inlen, int *substituted);
/* The largest ratio of output bytes to input bytes (1 for null). */
double gl_iconv_expansion(gl_cvdesc *cd);
/* Output bound: the expansion factor rounded up, times length. */
int gl_cv_outbuflen(gl_cvdesc *cd, int length);

#ifdef __cplusplus
}
#endif

#endif
