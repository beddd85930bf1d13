/* Locale records of the locale library: loading locale files (".lco") into a
 * record, per category or whole, copying categories between records, and
 * freeing them.
 *
 * A locale record holds, per category, the tables read from locale files:
 * character classes and case mapping (CTYPE), collation weights (COLLATE),
 * numeric and monetary conventions (NUMERIC, MONETARY), date and time
 * conventions (TIME) and answer strings (MESSAGES). Its first field is the
 * library's error number (gl_errno.h): operations store a number there and
 * return -1 or null. Every table a record points to was validated when it was
 * read, so lookups may trust indexes and counts.
 *
 * Strings are kept as multibyte text of the locale's code set, each followed
 * by four zero bytes, and as a wide copy (one uint32_t per character, the
 * character's bytes first byte most significant, ended by 0). */
#ifndef TRW_GL_LOCALE_H
#define TRW_GL_LOCALE_H

#include <stdint.h>

#include "gl_errno.h"
#include "gl_multi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Category numbers of the loading interface. */
#define GL_ALL_CATEGORIES 1
#define GL_LC_CTYPE       2
#define GL_LC_COLLATE     3
#define GL_LC_NUMERIC     4
#define GL_LC_MONETARY    5
#define GL_LC_TIME        6
#define GL_LC_MESSAGES    7
#define GL_LC_CATEGORIES  6 /* slots per record, CTYPE first */

/* Class masks. Extra named classes with bit b (0..4) have mask 0x0800 << b. */
#define GL_CLASS_UPPER  0x0001
#define GL_CLASS_LOWER  0x0002
#define GL_CLASS_ALPHA  0x0004
#define GL_CLASS_DIGIT  0x0008
#define GL_CLASS_SPACE  0x0010
#define GL_CLASS_CNTRL  0x0020
#define GL_CLASS_PUNCT  0x0040
#define GL_CLASS_GRAPH  0x0080
#define GL_CLASS_PRINT  0x0100
#define GL_CLASS_XDIGIT 0x0200
#define GL_CLASS_BLANK  0x0400
#define GL_CLASS_ALNUM  0x000C
#define GL_CLASS_EXTRA0 0x0800

/* Collation kinds. */
#define GL_COLL_NONE         0
#define GL_COLL_AS_SPECIFIED 1
#define GL_COLL_THAI_SMO     2
#define GL_COLL_UNICODE      3

/* Collation weights: 1 = ignorable at that level; flag bits beside 14 bits. */
#define GL_WEIGHT_IGNORE    0x0001
#define GL_WEIGHT_POSITION  0x8000
#define GL_WEIGHT_EXPANSION 0x4000
#define GL_WEIGHT_VALUE     0x3FFF
#define GL_MAX_LEVELS       8

/* Calendars of the TIME category. */
#define GL_CAL_GREGORIAN 1
#define GL_CAL_HEBREW    2
#define GL_CAL_ISLAMIC   3
#define GL_CAL_ARABIC    4

typedef struct gl_locale gl_locale;

/* Collation entry points chosen at load: compare two terminated strings;
 * compare two counted strings (-1 = terminated); transform into dst (size
 * n), returning the length the full transform needs. */
typedef int (*gl_coll_compare)(gl_locale *loc, const unsigned char *s1, const unsigned char *s2);
typedef int (*gl_coll_ncompare)(gl_locale *loc, const unsigned char *s1, int n1,
                                const unsigned char *s2, int n2);
typedef int (*gl_coll_transform)(gl_locale *loc, unsigned char *dst, const unsigned char *src,
                                 int n);

typedef struct gl_lc_class {
    int bit;     /* 0..4 */
    char *name;
} gl_lc_class;

typedef struct gl_lc_casepair {
    int upper;   /* wide characters */
    int lower;
} gl_lc_casepair;

typedef struct gl_lc_expansion {
    int count;
    uint32_t *codes; /* wide characters */
} gl_lc_expansion;

typedef struct gl_lc_element {
    int count;
    uint32_t *codes;
    uint16_t row;
} gl_lc_element;

typedef struct gl_lc_strpair {
    char *first;
    char *last;
} gl_lc_strpair;

/* NUMERIC section. */
typedef struct gl_lc_numeric {
    char *decimal_point;
    char *thousands_sep;
    int grouping_count;
    int grouping[15];
    char *positive_sign;
    char *negative_sign;
    uint32_t *w_decimal_point;
    uint32_t *w_thousands_sep;
    uint32_t *w_positive_sign;
    uint32_t *w_negative_sign;
} gl_lc_numeric;

/* MONETARY section; the eight numbers are INT32_MAX when not given. */
typedef struct gl_lc_monetary {
    char *int_curr_symbol;
    char *currency_symbol;
    char *mon_decimal_point;
    char *mon_thousands_sep;
    int mon_grouping_count;
    int mon_grouping[15];
    char *positive_sign;
    char *negative_sign;
    int int_frac_digits;
    int frac_digits;
    int p_cs_precedes;
    int p_sep_by_space;
    int n_cs_precedes;
    int n_sep_by_space;
    int p_sign_posn;
    int n_sign_posn;
    uint32_t *w_int_curr_symbol;
    uint32_t *w_currency_symbol;
    uint32_t *w_mon_decimal_point;
    uint32_t *w_mon_thousands_sep;
    uint32_t *w_positive_sign;
    uint32_t *w_negative_sign;
} gl_lc_monetary;

/* The localeconv-style record derived from NUMERIC and MONETARY. Its texts
 * point into the category records (empty texts when a category is not
 * loaded); groupings are C-locale strings of sizes ended by 0. */
typedef struct gl_lconv {
    const char *decimal_point;
    const char *thousands_sep;
    char grouping[16];
    const char *int_curr_symbol;
    const char *currency_symbol;
    const char *mon_decimal_point;
    const char *mon_thousands_sep;
    char mon_grouping[16];
    const char *positive_sign;
    const char *negative_sign;
    const uint32_t *w_decimal_point;
    const uint32_t *w_thousands_sep;
    const uint32_t *w_int_curr_symbol;
    const uint32_t *w_currency_symbol;
    const uint32_t *w_mon_decimal_point;
    const uint32_t *w_mon_thousands_sep;
    const uint32_t *w_positive_sign;
    const uint32_t *w_negative_sign;
    int int_frac_digits;
    int frac_digits;
    int p_cs_precedes;
    int p_sep_by_space;
    int n_cs_precedes;
    int n_sep_by_space;
    int p_sign_posn;
    int n_sign_posn;
} gl_lconv;

/* MESSAGES section: yesexpr, noexpr, yesstr, nostr. */
typedef struct gl_lc_messages {
    char *text[4];
    uint32_t *w_text[4];
} gl_lc_messages;

/* One era of the TIME section, parsed from its definition. */
typedef struct gl_lc_era {
    int direction;   /* +1 or -1 */
    int offset;
    int start_day, start_month, start_year;
    int end_day, end_month, end_year;
    int open_end;    /* 1: the era has no end date */
    char *name;
    char *abbreviation;
    char *format;
    uint32_t *w_name;
    uint32_t *w_abbreviation;
    uint32_t *w_format;
} gl_lc_era;

/* TIME section. Formats: d_t_fmt (%c), d_fmt (%x), t_fmt (%X), t_fmt_ampm
 * (%r), era_d_fmt (%Ex), era_t_fmt (%EX), era_d_t_fmt (%Ec). */
typedef struct gl_lc_time {
    int calendar;                 /* GL_CAL_... */
    char *abday[7];
    char *day[7];
    int abmon_count;
    char **abmon;
    int mon_count;                /* months used for range checks */
    char **mon;
    char *d_t_fmt, *d_fmt, *t_fmt;
    char *am, *pm;
    char *t_fmt_ampm;
    int era_count;
    char **era;                   /* definitions as read */
    char *era_d_fmt, *era_t_fmt, *era_d_t_fmt;
    int alt_digit_count;
    char **alt_digits;
    uint32_t *w_abday[7];
    uint32_t *w_day[7];
    uint32_t **w_abmon;
    uint32_t **w_mon;
    uint32_t *w_d_t_fmt, *w_d_fmt, *w_t_fmt;
    uint32_t *w_am, *w_pm;
    uint32_t *w_t_fmt_ampm;
    uint32_t *w_era_d_fmt, *w_era_t_fmt, *w_era_d_t_fmt;
    uint32_t **w_alt_digits;
} gl_lc_time;

/* Names of one category: the code set read from its file and the file it
 * was loaded from, each with a wide copy. */
typedef struct gl_lc_catname {
    char codeset[21];
    uint32_t w_codeset[21];
    char file[32];
    uint32_t w_file[32];
} gl_lc_catname;

struct gl_locale {
    /* 1 */ int error;
    /* 2 */ gl_coll_compare coll_compare;
    gl_coll_ncompare coll_ncompare;
    gl_coll_transform coll_transform;
    /* 3 */ double case_factor;
    double case_factor2;
    /* 4: single-byte code sets only */
    unsigned char *upper_map;
    unsigned char *lower_map;
    uint16_t *class_map;
    /* 5 */ int single_byte;
    int code_ranges;
    /* 6: equivalence classes (null-terminated lists), built on first use:
     * see gl_lc_equivalences */
    char **equiv_classes;
    gl_lc_strpair *equiv_bounds;
    /* 7: CTYPE */
    gl_multi *class_trie;
    int class_count;
    gl_lc_class *classes;
    gl_multi *case_trie;
    int case_pair_count;
    gl_lc_casepair *case_pairs;   /* indexes 1..case_pair_count */
    /* 8: COLLATE */
    gl_multi *weight_trie;
    int levels;
    int highest_row;
    int expansion_count;
    int element_count;
    int max_weight;
    int level_flags[GL_MAX_LEVELS];   /* 1 forward, 2 backward */
    uint16_t *weights[GL_MAX_LEVELS]; /* highest_row + 1 each */
    gl_lc_expansion *expansions;
    gl_lc_element *elements;
    int coll_mode;
    gl_lc_expansion **expansion_candidates[GL_MAX_LEVELS]; /* 256 each, or null */
    int *element_candidates;                              /* 256, or null */
    int coll_kind;
    int longest_sequence;
    /* 9 */ gl_lc_numeric *numeric;
    gl_lc_monetary *monetary;
    gl_lc_messages *messages;
    gl_lconv *lconv;
    /* 10 */ gl_lc_time *time;
    gl_lc_era *era_cache;
    /* 11 */ gl_lc_catname names[GL_LC_CATEGORIES];
    /* 12 */ void *glu_handle[GL_LC_CATEGORIES];
    int glu_served[GL_LC_CATEGORIES];
    /* categories whose tables belong to another record (gl_copy_cat) */
    int borrowed[GL_LC_CATEGORIES];
};

/* New record with every category empty. 0; -1 with *out the static
 * out-of-memory record (error 3). */
int gl_create_null_locale_4(gl_locale **out);

/* Whole locale from "default.lco": in the directory given (its text ends
 * with '/'), else by the path search. 0; -1 with *out the static
 * file-error record (error 8) when the directory is too long or no file
 * opens, or the out-of-memory record (3); -1 with *out a valid record whose
 * error number tells what failed in the file (11, 51, 21, 8, 3, ...). */
int gl_createlocale_4(gl_locale **out);
int gl_createlocale2_4(gl_locale **out, const char *directory);

/* Loads every category named by a specification (short, long, or file-name
 * form) into a new record. 0 (check the error number for 12: categories of
 * different code sets); -1 with the record's error number set (8 file, 9
 * bad name, 11 format, 51 version, 55 category, 57 no CTYPE, 58 code set
 * differs from CTYPE's, 3 memory, ...). */
int gl_lc_load(gl_locale **out, const char *specification, const char *registry,
               const char *directory);

/* Loads the category (1 = all) from the file names in names (a short
 * file name, or "GL_CTYPE = f ; ..."), or from the environment when names
 * is empty; null only queries. Returns a newly allocated text naming the
 * current files (free it with gl_destroystring), or null with the error
 * number set (9 bad category or names of 312 characters or more, and those
 * of gl_lc_load). */
char *gl_setlocale_4(gl_locale *loc, int category, const char *names);

/* Frees a text returned by gl_setlocale_4. */
void gl_destroystring(char *text);

/* Lets dst share src's tables for a category (1 = all). 0; -1 with error
 * 18 (source category not loaded), 19 (destination category not empty), 9
 * (bad category), 3 (memory). The error number may then be 12 as after a
 * load. Free dst before src. */
int gl_copy_cat(gl_locale *dst, gl_locale *src, int category);

/* Frees a record and the tables it owns (a record's borrowed tables stay
 * with their owner). The static failure records and null are ignored. */
void gl_lc_unload(gl_locale *loc);

/* Frees a record and only what it owns privately, for records whose
 * tables were borrowed with gl_copy_cat. */
void gl_free_nonshared_loc(gl_locale *loc);

/* Mask of a class name ("alpha", "alnum", an extra class), 0 if unknown. */
int gl_ctype(gl_locale *loc, const char *name);

/* Builds the equivalence-class lists (equiv_classes, equiv_bounds) of the
 * record's COLLATE category unless they exist: a load leaves them to the
 * first operation that needs them. Categories without them (code-point
 * mode, Thai, none loaded) keep null lists. 0, or -1 with error 3. */
int gl_lc_equivalences(gl_locale *loc);

#ifdef __cplusplus
}
#endif

#endif
