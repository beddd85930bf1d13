/* The data-type library's control block: its per-process working state,
 * created by the first call that needs it and never freed. The block starts
 * filled with zero bytes, except that the message catalog descriptor is -1.
 * Each family of the library keeps its own fields here, in a group of its
 * own; a new group is appended at the end and starts at zero with no further
 * code. The block is process-wide and unlocked: callers use the library
 * from one thread at a time. */
#ifndef TRW_GENTCB_H
#define TRW_GENTCB_H

#include <stdint.h>

#include "decimal.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Bit of gt_flags: the connected server takes long identifiers, so
 * collection type descriptions use 128-byte names instead of 18-byte ones. */
#define GENTCB_LONGID 0x10

/* Sizes of the message catalog group: names of a leaf or a locale (259
 * characters and a terminator), the chunk cache (8 entries of 10 bytes) and
 * the shared text buffer. */
#define GENTCB_MSG_NAME 260
#define GENTCB_MSG_CHUNK 80
#define GENTCB_MSG_TEXT 160

typedef struct gentcb {
    /* Status of the library. */
    int32_t gt_status;   /* result of the library check (getgenerr) */
    int32_t gt_toerrno;  /* error of the last value conversion */
    int32_t gt_glserror; /* last locale-library error, as recorded here */
    int32_t gt_floattype; /* 1: stored floats in the network form */
    uint32_t gt_flags;   /* GENTCB_LONGID */

    /* Message catalogs. */
    int32_t gt_catfd; /* descriptor of the open message catalog, -1 when none */

    /* DECIMAL conversions: the work buffer of the digit-string functions
     * (dececvt, decfcvt, dectoasc) and the TRW_USE_PREC_16 answer. */
    char *gt_decbuf;        /* malloc'd, or NULL before the first use */
    int32_t gt_decbuf_size; /* bytes of gt_decbuf */
    int32_t gt_prec16;      /* 0 not read yet, 1 "1", 2 anything else */

    /* Message catalogs: the open catalog (its descriptor is gt_catfd above)
     * and the caches of the catalog search. Texts are terminated. */
    char gt_catleaf[GENTCB_MSG_NAME];   /* leaf the open catalog was opened for, "" none */
    char gt_catlocale[GENTCB_MSG_NAME]; /* locale name it was opened for, "" the user's */
    const char *gt_catleafptr; /* the leaf text it was opened with (a table row's) */
    int32_t gt_catentsize;  /* 8 or 10 bytes per index entry */
    int32_t gt_catcount;    /* N, entries of the index */
    int32_t gt_catchunk;    /* C, the smaller of N and 8 */
    int32_t gt_chunkfirst;  /* index of the first cached entry */
    int32_t gt_chunklen;    /* entries in the chunk cache, 0 when empty */
    unsigned char gt_chunkcache[GENTCB_MSG_CHUNK]; /* the last entries read */
    unsigned char *gt_catimage; /* malloc'd: the catalog's bytes from offset 0 */
    uint32_t gt_catimagelen;    /* bytes of gt_catimage */
    uint32_t *gt_catlookup;     /* malloc'd hash of the numbers when they ascend, else NULL */
    uint32_t gt_catlookupsize;  /* its slots (a power of two) */
    uint32_t gt_catfilelen;     /* bytes of the catalog file */
    int32_t gt_catfreefd;       /* 1: TRW_FREE_FD was set when it was opened */
    char *gt_msgfile;       /* explicit catalog path (_setmsgfile), malloc'd or NULL */
    char *gt_trwdir;        /* installation directory, malloc'd once, or NULL */
    char *msg_langdir;      /* language directory (DBLANG, LANG), malloc'd or NULL */
    int32_t gt_msgtable;    /* catalog table in force: 0 client, 1 server */
    int32_t gt_msgnum;      /* number whose text gt_msgtext holds, 0 none */
    char gt_msgtext[GENTCB_MSG_TEXT]; /* the shared text buffer of mmsgtext */
    /* MATCHES and LIKE: set when a pattern escaped a character that needs
     * no escape outside an ANSI database (rwildmat.h). */
    int32_t gt_escwarn;

    /* The groups of the other families follow here. */

    /* DATETIME and INTERVAL (datetime.h): the current time fixed by
     * rdtsetcurr, the DBTODAY offset as an INTERVAL DAY(9) TO SECOND (added
     * to the clock while DBTODAY is in force), and the USE_DTENV answer. */
    int32_t gt_dtfixedset;        /* 1: gt_dtfixed is the current time */
    decvalue gt_dtfixed;          /* a YEAR TO FRACTION(5) value */
    int16_t gt_dbtoday_invqual;   /* qualifier of gt_dbtoday_inv (0x0F4A) */
    decvalue gt_dbtoday_inv;      /* DBTODAY minus the clock */
    int32_t gt_usedtenv;          /* 0 not read yet, 1 "1", 2 anything else */
    /* DATE today (rdate.h): the rsettoday override, the quarter-hour cache
     * of the clock, and the DBTODAY state. gt_dbtoday_state is 0 while
     * DBTODAY has not been looked at, else one of GENTCB_DBTODAY_*; while it
     * is valid, gt_dbtoday_inv of the DATETIME group holds DBTODAY minus the
     * clock at its evaluation. */
    int32_t gt_today_set;      /* 1: gt_today_value overrides the clock */
    int32_t gt_today_value;    /* the override DATE */
    int64_t gt_today_quarter;  /* time / 900 of the cached DATE, 0 none */
    int32_t gt_today_cached;   /* the DATE computed for gt_today_quarter */
    int32_t gt_dbtoday_state;  /* GENTCB_DBTODAY_* bits */
    int32_t gt_dbtoday_date;   /* the DATE last derived from DBTODAY */

    /* Value expressions (valexpr.h): 1 when FLOAT and SMALLFLOAT operands
     * of arithmetic are computed in DECIMAL (trw_ex_decimal_calc). */
    int32_t gt_exdeccalc;
} gentcb_t;

/* DBTODAY state flags (gt_dbtoday_state). */
#define GENTCB_DBTODAY_EVALUATING 0x1
#define GENTCB_DBTODAY_VALID 0x2
#define GENTCB_DBTODAY_INVALID 0x4
#define GENTCB_DBTODAY_UNSET 0x8

/* The process-wide block, NULL until created. */
extern struct gentcb *gentcb;

/* Nonzero when the connected database is in ANSI mode. */
extern int16_t ansidb;

/* The block, created (with the library check) on the first call; NULL when
 * it cannot be allocated (the next call tries again). */
struct gentcb *CheckGenInit(void);

/* A new block filled as described above, or NULL without memory. */
struct gentcb *gentcb_alloc(void);

/* Fills a block: zero bytes throughout, the catalog descriptor -1. */
void genfill(struct gentcb *block);

/* The library check: 0. */
int checkGenApi(void);

/* The library status; 0 without a block. */
int getgenerr(void);

/* The error of the last conversion. set_toerrno stores it (nothing is stored
 * without memory for the block); get_toerrno returns it, -406 when the block
 * cannot be created. */
void set_toerrno(int error);
int get_toerrno(void);

/* The last locale-library error: set_glserror stores and returns it,
 * get_glserror returns it; both give -406 without a block. */
int set_glserror(int error);
int get_glserror(void);

/* The float type of stored floats: the setter stores it when the block
 * exists and returns its argument; the getter gives -1 without a block. */
int trwGEN_setFloatType(int floattype);
int trwGEN_getFloatType(void);

/* gset_dbver sets the long-identifier flag (it is never cleared) when the
 * block exists and returns its argument; gget_dbver gives GENTCB_LONGID or
 * 0, and 0 without a block. */
int gset_dbver(int version);
int gget_dbver(void);

/* Sets ansidb; returns the flag. */
int gen_setansidb(int flag);

/* The save area of the current locale environment (236 bytes). */
void *CheckSaveAreaInit(void);

#ifdef __cplusplus
}
#endif

#endif
