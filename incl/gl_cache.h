/* Name caches: case-insensitive prefix trees of names (month, day, era
 * names and the like) that the date and time parser uses to recognise a
 * name at the start of its input.
 *
 * A node holds one key (a byte of a lowered multibyte name, or one lowered
 * wide character), the value of the name that ends there (end set), the
 * next node for the following key ("across") and the next alternative at the
 * same position ("down"). Names are lowered character by character before
 * they are stored, and input is lowered the same way before it is matched.
 * A lookup returns the shortest stored name that prefixes the input; an
 * empty stored name matches when nothing else does.
 *
 * Lowering is the locale's (character functions of the context's locale).
 * Until those are installed with _gl_cache_set_lowering, the ASCII defaults
 * below are used: every byte is a character and only A-Z are lowered. */
#ifndef TRW_GL_CACHE_H
#define TRW_GL_CACHE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct gl_mb_cache {
    unsigned char key;
    int value;
    int end; /* a stored name ends here */
    struct gl_mb_cache *across;
    struct gl_mb_cache *down;
} gl_mb_cache;

typedef struct gl_wc_cache {
    uint32_t key;
    int value;
    int end;
    struct gl_wc_cache *across;
    struct gl_wc_cache *down;
} gl_wc_cache;

/* Lowers the multibyte character at s: writes its lower-case bytes (1 to 4)
 * to out and their count to *out_length, and returns the byte length of the
 * character at s; 0 at the terminator; -1 with GL_EILSEQ in the context for
 * an invalid character. */
typedef int (*gl_cache_mb_lower_fn)(void *context, const unsigned char *s, unsigned char *out,
                                    int *out_length);
/* Lower case of a wide character. */
typedef uint32_t (*gl_cache_wc_lower_fn)(void *context, uint32_t wc);

/* Installs the lowering routines the caches use (null: the ASCII default). */
void _gl_cache_set_lowering(gl_cache_mb_lower_fn mb, gl_cache_wc_lower_fn wc);
int _gl_cache_ascii_mb_lower(void *context, const unsigned char *s, unsigned char *out, int *out_length);
uint32_t _gl_cache_ascii_wc_lower(void *context, uint32_t wc);

/* Adds a terminated name with its value (a name stored again gets the new
 * value). 0; -1 with GL_ENOMEM or GL_EILSEQ in the context's error number. */
int _gl_cache_mb_string(void *context, gl_mb_cache **root, const unsigned char *name, int value);
int _gl_cache_wc_string(void *context, gl_wc_cache **root, const uint32_t *name, int value);

/* Finds a stored name at the start of the terminated text: 0 with *length
 * (bytes of text, or characters for the wide tree) and *value of the
 * shortest match; -1 when no name matches (no error number is set, except
 * GL_EILSEQ from lowering). */
int _gl_validate_mb_string(void *context, const gl_mb_cache *root, const unsigned char *text, int *length,
                           int *value);
int _gl_validate_wc_string(void *context, const gl_wc_cache *root, const uint32_t *text, int *length,
                           int *value);

/* Free a whole tree (null is ignored). */
void _gl_free_mb_cache(gl_mb_cache *root);
void _gl_free_wc_cache(gl_wc_cache *root);

#ifdef __cplusplus
}
#endif

#endif
