/* MATCHES and LIKE pattern matching.
 *
 * One engine serves both languages; the caller names the three special
 * characters: the any-sequence character ("*" for MATCHES, "%" for LIKE),
 * the any-one character ("?", "_") and the escape. Bracket sets ("[...]",
 * with "^" right after "[" negating and ranges x-y, compared by the client
 * locale's collation, or by code value where it collates by code value)
 * exist only when the any-sequence character is "*". Inside a set every
 * character is a member (the escape too).
 *
 * Escapes: after the escape the next character must be the escape, the
 * any-sequence or any-one character, or (MATCHES) "[" or "]". Any other
 * character, or an escape ending the pattern: in an ANSI database (ansidb,
 * gen_setansidb) -1278 is set through set_toerrno and matching ends with 1
 * (callers test the error number); otherwise the control block's gt_escwarn
 * is set and the character is taken literally, except that an escape
 * ending the pattern ends matching with 1.
 *
 * Direct matchers (rescfixstrmatch, rescwildmatch, rwildmatch): when the
 * text ends, the rest of the pattern must match blank padding: each element
 * an any-sequence character, a blank, an escaped blank or a set holding the
 * blank (0x20 by code value). Text left after the pattern ends, blanks
 * included, gives 0.
 *
 * Compiled matcher (rcnvtorelist, rrewildmatch): the text's trailing
 * characters of class blank need no match; any-one never matches them.
 * When the text has ended the remaining elements must each be an
 * any-sequence, a literal of blanks, or a set holding a blank character
 * (a negated set: holding none); so an empty text matches "%".
 *
 * The work of a match is bounded by the text length times the pattern
 * length: a failed attempt at a (text, pattern) position is never repeated.
 *
 * Wide texts are the client locale's wide values (gl_char.h) ended by 0. */
#ifndef TRW_RWILDMAT_H
#define TRW_RWILDMAT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Element types of a compiled pattern; a literal run has its length (> 0). */
#define RWM_ANYSEQ   -1
#define RWM_ANYONE   -2
#define RWM_BRSTART  -3
#define RWM_BREND    -4
#define RWM_BRNOT    -5
#define RWM_BRRANGE  -6
#define RWM_END       0

typedef struct relist {
    int32_t type;          /* RWM_..., or the length of a literal run */
    uint32_t *wcs;         /* the literal's wide characters, else NULL */
    int32_t count;         /* their number */
    struct relist *next;   /* NULL after the RWM_END element */
} relist;

/* Multibyte text and pattern in the client locale, escape the backslash:
 * 1 match, 0 no match, -1 invalid text or no memory (-202 or -406 set). */
int rwildmatch(const char *text, const char *pattern, int anyseq, int anyone);

/* Wide text and pattern: 1 or 0. */
int rescwildmatch(const uint32_t *text, const uint32_t *pattern, int anyseq, int anyone, int escape);

/* Counted bytes: the text ends after n bytes or at a zero byte, the pattern
 * after m bytes or at a zero byte. 1 or 0. */
int rescfixstrmatch(const char *text, int n, const char *pattern, int m, int anyseq, int anyone, int escape);

/* Compiles a wide pattern, its literal runs in normal form when normalise
 * is set (the normaliser of the client locale is built on the first
 * compilation). The list (free it with rfreerelist), or NULL with -406 set. */
relist *rcnvtorelist(const uint32_t *pattern, int anyseq, int anyone, int escape, int normalise);

/* Multibyte text of len bytes in the client locale against a compiled
 * pattern: 1 or 0 (invalid text gives 0, and -202 when normalising). */
int rrewildmatch(const char *text, int len, relist *list, int normalise);

void rfreerelist(relist *list);

#ifdef __cplusplus
}
#endif

#endif
