/* Locale names, the code-set registry and data file resolution.
 *
 * A locale is named by a specification. The short form is ll_TT.codeset
 * [@modifier]: two letters, '_', two letters, '.', a code-set name (1 to 21
 * printable characters, not starting with '#'; a registry name in any case or
 * a decimal code-set number) and optionally '@' and 1 to 4 letters or digits.
 * The long form names one short specification per category:
 * "GL_CTYPE = en_US.819 ; GL_COLLATE = en_US.819 ; ..." with " = " and " ; ".
 * Its normal form is ll_TT.<decimal code-set number>[@modifier].
 *
 * Code sets are numbered (unsigned 16-bit); GL_CS_INVALID is returned for a
 * name that cannot be mapped. The registry file gls/cm3/registry below the
 * installation directory lists "name number" lines ('#' starts a comment
 * line); gls_canned_registry is the built-in copy used when the file cannot
 * be read.
 *
 * Data files: locale files ll_tt/hhhhmmmm.lco (code-set number as 4 lower-case
 * hexadecimal digits, then the modifier), message directories ll_tt/hhhh,
 * conversion files sssstttt.cvo; an explicit directory is joined to a
 * relative name by the path cookie byte 0xFF. They are searched below
 * TARNWELLDIR (default /usr/tarnwell) in gls/<kind><version>/ and gls/<kind>/,
 * or in the directories of GL_PATH instead.
 *
 * Every function with a context stores its error number (gl_errno.h) in
 * *_gl_ext_errno(context) on failure: GL_ENOMEM, GL_EINVAL (bad
 * specification, code sets of categories differ, unknown code-set name,
 * output too small), GL_EFILEERR (file not found, TARNWELLDIR or a directory
 * prefix longer than 256), GL_EREGFORMAT, GL_ENOREGISTRY. */
#ifndef TRW_GL_NAMES_H
#define TRW_GL_NAMES_H

#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

#define GL_CS_INVALID 0xE000u

#define GL_CS_NAME_MAX   21   /* longest code-set name */
#define GL_SPEC_BUFSIZE  285  /* specifications are cut to this many bytes */
#define GL_OUT_BUFSIZE   2048 /* size of every specification or file-name output */
#define GL_MSG_DNAME_SIZE 11  /* ll_tt/hhhh and terminator */
#define GL_DIR_MAX       256  /* longest directory prefix or TARNWELLDIR */
#define GL_PATH_COOKIE   '\xff'

/* Category numbers of specifications. */
#define GL_CAT_CTYPE    1
#define GL_CAT_COLLATE  2
#define GL_CAT_TIME     3
#define GL_CAT_MONETARY 4
#define GL_CAT_NUMERIC  5
#define GL_CAT_MESSAGES 6

/* One row of the built-in registry; the table ends with a null name. */
typedef struct gl_registry_pair {
    const char *name;
    int number;
} gl_registry_pair;

/* The built-in registry: 123 rows in the order of the registry file, and the
 * null row. */
#define GL_CANNED_REGISTRY_ROWS 123
extern const gl_registry_pair gls_canned_registry[GL_CANNED_REGISTRY_ROWS + 1];

/* An entry of the registry read from its file. */
typedef struct gl_registry_entry {
    char name[GL_CS_NAME_MAX + 1]; /* lower case */
    int number;                    /* 0..65535 */
    struct gl_registry_entry *next;
} gl_registry_entry;

/* The registry caches: the list read by gl_cache_registry, or, when that
 * failed, gls_canned_registry. At most one is set; both null means every
 * lookup reads the registry file. */
extern gl_registry_entry *gls_registry_list_cache;
extern const gl_registry_pair *gls_registry_array_cache;

/* Code-set number of a name (case ignored; at most 21 characters) from the
 * cache, else from the registry file at registry_path (null: the path
 * search), else the name's own value when it is all digits and at most 65535.
 * GL_CS_INVALID with GL_EINVAL (unknown or too long), GL_ENOREGISTRY (no
 * registry file) or GL_EREGFORMAT (malformed registry). */
unsigned int gl_cs_name2cs_num(void *context, const char *name, const char *registry_path);

/* Reads the registry (registry_path, or the path search when null or empty)
 * into the list cache. 0; -1 with GL_ENOREGISTRY, GL_ENOMEM or GL_EREGFORMAT,
 * after which lookups use gls_canned_registry. */
int gl_cache_registry(void *context, const char *registry_path);

/* Frees the list cache and clears both caches. */
void gl_free_registry_cache(void);

/* Code-set number of a short or long specification, or of a bare code-set
 * name or number; GL_CS_INVALID with GL_EINVAL (context may be null). */
unsigned int gl_lc_spec2cs_num(void *context, const char *spec, const char *registry_path);

/* File-name form of a specification: ll_tt/hhhhmmmm.lco for a short one, or
 * the long form with every entry replaced by its file name; with dir, each
 * file name is preceded by dir and the path cookie. out holds
 * GL_OUT_BUFSIZE bytes. 0 or -1 (GL_EINVAL, GL_EFILEERR for dir over 256). */
int gl_lc_spec2lc_fname(void *context, const char *spec, char *out, const char *registry_path, const char *dir);

/* Message directory ll_tt/hhhh of a short specification, or of the
 * GL_MESSAGES entry of a long one, into out (GL_MSG_DNAME_SIZE bytes). dir is
 * not part of the result. 0 or -1 (GL_EINVAL). */
int gl_lc_spec2msg_dname(void *context, const char *spec, char *out, const char *registry_path, const char *dir);

/* Conversion file name [dir cookie]sssstttt.cvo into out (GL_OUT_BUFSIZE
 * bytes). 0 or -1 (GL_EFILEERR for dir over 256). */
int gl_cs_nums2cv_fname(void *context, unsigned int source, unsigned int target, char *out, const char *dir);

/* Pieces of a locale file name ll_tt/hhhhmmmm.lco: "ll_TT" (6 bytes), the
 * code-set number in decimal (6 bytes), the modifier (5 bytes). 0 or -1
 * (GL_EINVAL; context may be null). */
int gl_lc_fname2lc_pieces(void *context, const char *fname, char *lang_terr, char *number, char *modifier);

/* ll_TT.number[@modifier] from pieces (number: 1 to 5 digits); out holds 18
 * bytes. 0 or -1 (GL_EINVAL; context may be null). */
int gl_lc_pieces2lc_spec(void *context, const char *lang_terr, const char *number, const char *modifier,
                         char *out);

/* Normal form of a short specification, or of a long one with exactly six
 * entries each ending in " ; " (all in one code set). out holds
 * GL_OUT_BUFSIZE bytes. 0 or -1 (GL_EINVAL). */
int gl_lc_spec2lc_norm(void *context, const char *spec, char *out, const char *registry_path);

/* The long form of a short specification (or of ll_tt alone), lowered, in
 * the order CTYPE, COLLATE, NUMERIC, MONETARY, TIME, MESSAGES; out may be
 * null to validate only. 0 or -1 (GL_EINVAL). */
int gl_lc_short2lc_long(void *context, const char *spec, char *out, const char *registry_path);

/* 0 when text is a well-formed long specification, else -1 (GL_EINVAL). */
int gl_is_lc_spec(void *context, const char *text);

/* The common short specification of a long one whose six categories name
 * the same locale (case ignored). 0 or -1 (GL_EINVAL). */
int gl_lc_spec2lc_short(void *context, const char *spec, char *out, const char *registry_path);

/* The short specification of one category (GL_CAT_*) of a long one with all
 * six categories. 0 or -1 (GL_EINVAL). */
int gl_lc_spec2category(void *context, const char *spec, int category, char *out, const char *registry_path);

/* The long specification of a long file-name form whose six files all open
 * (in dir when given, else by the path search). out holds GL_OUT_BUFSIZE
 * bytes. 0 or -1 (GL_EINVAL, GL_EFILEERR). */
int gl_lc_fname2lc_spec(void *context, const char *fname, char *out, const char *dir);

/* Opens a data file read-only: an absolute name or one with a path cookie as
 * it stands, else the first of GL_PATH's directories, or of
 * TARNWELLDIR/gls/<kind><version>/ and TARNWELLDIR/gls/<kind>/, that holds
 * it. Null with GL_EFILEERR or GL_ENOMEM. The _no_ext forms use the platform's
 * fopen and malloc instead of the hooks (the registry is searched so). */
FILE *gl_path_search(void *context, const char *name, const char *kind, const char *version);
FILE *gl_path_search_no_ext(void *context, const char *name, const char *kind, const char *version);

/* The directory in which the path search finds name (allocated with the
 * malloc hook, or with malloc for _no_ext; the caller frees it), or null.
 * The first argument is unused and should be null. */
char *gl_path_search_rpath(void *unused, void *context, const char *name, const char *kind, const char *version);
char *gl_path_search_no_ext_rpath(void *unused, void *context, const char *name, const char *kind,
                                  const char *version);

/* Opens a name holding path cookies (each becomes '/'). Null with
 * GL_EFILEERR or GL_ENOMEM. */
FILE *gl_open_file(void *context, const char *name);

/* Writes a diagnostic line: appended to gls.log in the working directory when
 * GLSLOG begins with "on", and printed as "GLS: text" on standard output when
 * GLSDEBUG begins with "on" (both read once, case ignored). */
void gl_message(const char *text);

/* Internal: the registry readers over an open stream, for tests and fuzzing.
 * _gl_cache_registry_stream replaces the list cache as gl_cache_registry
 * does; _gl_registry_lookup_stream is the sequential lookup of one name. */
int _gl_cache_registry_stream(void *context, FILE *stream);
unsigned int _gl_registry_lookup_stream(void *context, FILE *stream, const char *name);

#ifdef __cplusplus
}
#endif

#endif
