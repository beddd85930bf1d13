/* The OS control block, the OS layer's byte classification tables and the
 * old-style language mode.
 *
 * The control block (ostcb) exists once per process: the first OS-layer call
 * that needs it (CheckOsInit) creates it and it is never freed. Creating it
 * sets up the SQL wire trace (osqlidbg.h) and then initialises the client
 * locale through the hook osclient.h offers; the registry's first load and
 * the client locale initialisation reach CheckOsInit in turn, and a call made
 * while the block is being built finds it already.
 *
 * _ixctype describes byte c in entry c + 1 (entry 0, end-of-file, is 0):
 *   0x01 upper case   0x02 lower case   0x04 digit      0x08 white space
 *   0x10 punctuation  0x20 control      0x40 hexadecimal digit (rebuilt only)
 *   0x80 upper, lower, digit, punctuation or blank (rebuilt only)
 * By default it holds the ASCII classes, 0x80-0xAD lower case and 0xAE-0xFF
 * punctuation. rldctype, rldnlsctype and _nlsinit change the host program's
 * own C-library locale (setlocale) and rebuild _ixctype, _ix2lowmap and
 * _ix2upmap from the C library's classification of every byte.
 *
 * Status values: 0 success; -1 no control block where a function says so;
 * -406 memory; -7204 collation, -7206 character classes, -7207 monetary,
 * -7208 numeric, -7209 time locale refused by the operating system. */
#ifndef TRW_OSINIT_H
#define TRW_OSINIT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct sqlidebug_state;

/* Flag word: the old-style language mode set the operating system's locale. */
#define OSTCB_NLS_OSLOCALE (1u << 2)

#define OSINIT_ENOMEM (-406)
#define OSINIT_ECOLLATE (-7204)
#define OSINIT_ECTYPE (-7206)
#define OSINIT_EMONETARY (-7207)
#define OSINIT_ENUMERIC (-7208)
#define OSINIT_ETIME (-7209)

typedef struct ostcb {
    int32_t connection;             /* current connection identifier, -1 at first */
    char *scratch;                  /* grow-only scratch buffer (allocnbspace) */
    int32_t scratch_size;           /* its size in bytes, 0 without a buffer */
    uint32_t flags;                 /* OSTCB_NLS_OSLOCALE */
    int32_t api_status;             /* the OS API status, always 0 */
    unsigned char ctype[258];       /* _ixctype as it was at creation */
    unsigned char lowmap[257];      /* _ix2lowmap as it was at creation */
    unsigned char upmap[257];       /* _ix2upmap as it was at creation */
    struct sqlidebug_state *trace;  /* the process's trace state (sqlidebug) */
    int32_t side;                   /* nonzero on the client side: 1 here */
} ostcb;

/* The control block, created on the first call. NULL when it cannot be
 * allocated, and once (for the call that created it) when the client locale
 * initialisation failed; the block then stays and later calls return it
 * without trying the initialisation again. */
ostcb *CheckOsInit(void);

/* The OS API status: 0. */
int getoserr(void);

/* Stores the current connection identifier (nothing without a control block)
 * / returns it (0 without a control block). */
void trw_ossetconn(int32_t connection);
int32_t trw_osgetconn(void);

/* The scratch buffer, at least size bytes. A buffer that is not smaller is
 * returned as it is; a smaller one is replaced by one grown from the old size
 * in steps of 128 bytes (its contents are not kept). NULL for a negative or
 * too large size, without a control block, or when memory runs out (the size
 * is then 0). */
char *allocnbspace(int size);

extern unsigned char _ixctype[258];

/* Loads the classification tables once per process: with DBNLS exactly "1"
 * or "2" the character classes come from the environment (setlocale of
 * LC_CTYPE to "") and the tables are rebuilt; otherwise 0x80-0xAD are marked
 * lower case and 0xAE-0xFF punctuation. 0, or -1 when the tables cannot be
 * rebuilt (no control block). */
int rldctype(void);

/* Sets the operating system's character classes to the locale and rebuilds
 * the tables: 0, -7206 (locale refused, tables unchanged) or -406 (no
 * control block). */
int rldnlsctype(const char *locale);

/* 1 or 2 when DBNLS is exactly "1" or "2", else 0. */
int DBNLSset(void);

/* The old-style language mode: sets LC_COLLATE, LC_CTYPE, LC_MONETARY,
 * LC_NUMERIC and LC_TIME, in this order, from their lookups (an unset one is
 * left alone) and rebuilds the tables after LC_CTYPE. The mode (0, 1 or 2);
 * the first failure (-7204, -7206, -7207, -7208, -7209); -406 without a
 * control block. In modes 1 and 2 success sets OSTCB_NLS_OSLOCALE. */
int _nlsinit(void);

/* _nlsinit, and in modes 1 and 2 OS_resetlang(0) as well. */
int _nlsinit_be(void);

/* Sets the operating system's collation to the locale: non-NULL on success,
 * else NULL with -7204 in *error (when error is not NULL). */
char *_osetcollate(const char *locale, int *error);

#ifdef __cplusplus
}
#endif

#endif
