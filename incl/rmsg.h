/* Message catalogs: the text of a message number in the user's language.
 *
 * Texts live in binary catalogs below the installation directory, one
 * catalog (leaf name) per component, one directory per language. The leaf
 * comes from the number's range in the catalog table (client table until
 * gen_resetMessageFindFile selects the server one; osmsg.twm when no row
 * matches); the directory from the search below, taken from TARNWELLDIR
 * (once per process, default "/usr/tarnwell"), DBLANG (else LANG when DBNLS
 * is "1" or "2"), CLIENT_LOCALE or the locale name given. The first readable
 * of these paths is the catalog (D is TARNWELLDIR with one "/" after it):
 *   D msg/DBLANG/leaf              D DBLANG/leaf
 *   D msg/<message dir of DBLANG as a locale name>/leaf
 *   D msg/<message dir of the locale>/leaf    D msg/<locale>/leaf
 *   D msg/en_us/0333/leaf    D msg/en_US.8859-1/leaf    D msg/leaf
 *   D msg/english/leaf
 * (a message directory is ll_tt/hhhh, e.g. "de_DE.8859-1" gives
 * "de_de/0333"). A lookup that fails is tried once more with the locale
 * "en_US.8859-1" (unless DBLANG is exactly that); still failing, the buffer
 * receives the cannot-open text (message 32765, else "Cannot open file
 * '%s'\n" with the leaf) or the unknown-number text (message 32766, else
 * "Unknown error message number '%d'\n" with the number). When the client
 * locale environment cannot be initialised, its status is returned with a
 * built-in English text for it (the buffer gets the empty text for a status
 * without one).
 *
 * The open catalog stays open between lookups unless TRW_FREE_FD has a
 * value when it is opened. All state is process-wide and unlocked. */
#ifndef TRW_RMSG_H
#define TRW_RMSG_H

#include <stdint.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Statuses. */
#define RMSG_ENOMEM (-406)    /* the control block cannot be created */
#define RMSG_ENOPEN (-1227)   /* the catalog file cannot be opened */
#define RMSG_ENOTFOUND (-1228) /* the number is not in the catalog */
#define RMSG_EFORMAT (-1229)  /* the file is not a catalog */
#define RMSG_ENOPATH (-1230)  /* no catalog path could be formed */
#define RMSG_EINDEX (-1231)   /* the index or the text is not in the file */
#define RMSG_ETRUNC (-1232)   /* the text was cut to the buffer, or no buffer */

/* Size of the shared text buffer of mmsgtext. */
#define RMSG_TEXT_SIZE 160

/* The text of msgnum into buf (buflen bytes, terminated; a longer text is cut
 * to buflen - 1 bytes and -1232 returned), its full length into *msglen
 * (may be NULL), searched for the locale name locale (NULL: the user's
 * language). 0; -1232 also for a buflen of 0 or below (nothing is written);
 * -406; a status above with the cannot-open or unknown-number text in buf;
 * -1 for the numbers 32765 and 32766 themselves when they fail; a status of
 * the client locale environment (glsenv.h). */
int rgetlmsg_with_locale(int msgnum, char *buf, int16_t buflen, int *msglen, const char *locale);
int rgetlmsg(int msgnum, char *buf, int16_t buflen, int *msglen);
int rget_lmsg(int msgnum, char *buf, int16_t buflen, int *msglen);
int rgetmsg(int msgnum, char *buf, int16_t buflen);

/* A read stream positioned at the text of msgnum, on a descriptor of its
 * own (closing it leaves the catalog open), and the text length. 0; -1227
 * when no stream can be made; -406, -1228 to -1231. */
int rseekmsg(int msgnum, FILE **stream);
int lrseekmsg(int msgnum, int *msglen, FILE **stream);

/* The catalog path the search finds for leaf (malloc'd, the caller frees
 * it), or NULL when no candidate is readable, no path can be formed or
 * memory runs out. */
char *rmsgfname(const char *leaf);

/* The text of msgnum in a shared buffer of RMSG_TEXT_SIZE bytes, filled by
 * rget_lmsg when it does not hold msgnum already. The next call with
 * another number overwrites it. NULL without a control block. */
char *mmsgtext(int msgnum);

/* Takes path as the catalog of every number, instead of the table and the
 * search; NULL or "" returns to them. */
void _setmsgfile(const char *path);

/* Closes the open catalog and frees its caches. */
void rclosemsg(void);

/* Returns the catalog state to its start: closed, no explicit path, the
 * text buffer empty, the client table, the language directory read again. */
void rmsg_init(void);

/* Selects the catalog table: 'c' client, 's' server. Forgets the open
 * catalog's leaf and the text buffer's number. 0, or -1 for another
 * character. */
int gen_resetMessageFindFile(int which);

#ifdef __cplusplus
}
#endif

#endif
