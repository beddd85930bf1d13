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

#ifdef __cplusplus
extern "C" {
#endif

/* Bit of gt_flags: the connected server takes long identifiers, so
 * collection type descriptions use 128-byte names instead of 18-byte ones. */
#define GENTCB_LONGID 0x10

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

    /* MATCHES and LIKE: set when a pattern escaped a character that needs
     * no escape outside an ANSI database (rwildmat.h). */
    int32_t gt_escwarn;

    /* The groups of the other families follow here. */
} gentcb_t;

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
