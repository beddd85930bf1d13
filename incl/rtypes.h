/* SQL type codes, host type codes and NULL values of the data-type library.
 *
 * Two families of codes tag every value. SQL type codes (0 to 51) name the
 * column types of the database; host type codes (100 to 124) name the
 * in-memory representation a client program holds a value in. sqlctype maps
 * an SQL code to the host code that serves it, sqlstype a host code to its
 * SQL code. The functions here name the SQL types, map between the
 * families, give the memory size, alignment and display width of a type,
 * and test and store the NULL value of every host representation. They are
 * table lookups without state; only rstr2type and rtypwidth consult the
 * client locale.
 *
 * A type code is an int. rtypname, trw_typename and rtypwidth look at its
 * low byte only (the higher bits of an SQL type word carry flags: the name
 * of 0x102 is "integer"); every other function takes the full code, so a
 * type word with flag bits is not a code there (rtypmsize(0x102, 0) is 0).
 *
 * NULL values, by host representation:
 *   101 SMALLINT                 the 16-bit value -32768
 *   102 int, 110 DATE            the 32-bit value -2147483648
 *   103 long                     the 64-bit value -2147483648 (not the
 *                                64-bit minimum)
 *   104 float, 105 double        every byte 0xFF (4 and 8 bytes)
 *   107 DECIMAL, 111 MONEY       sign -1 (rsetnull: exponent 0, sign -1,
 *                                ndigits 0)
 *   112 DATETIME, 115 INTERVAL   the embedded DECIMAL's sign -1 (rsetnull
 *                                writes its three header fields, never the
 *                                qualifier)
 *   113 locator                  lo_indicator -1
 *   117 INT8                     sign 0 (rsetnull: sign 0, both words 0)
 *   118 collection, 123 row      bit TRW_COLL_ISNULL of the 32-bit flags word
 *                                at TRW_COLL_FLAGS_OFFSET
 *   121, 124 opaque host record  bit TRW_OPAQUE_ISNULL of vh_flags
 *   122 BOOLEAN                  the byte 0xFF
 *   100, 108, 109, 114, 116, 119 the first byte 0
 *   106, 120                     no NULL value
 * Values are read and written with byte copies, so they need no alignment.
 *
 * Sizes and alignments are those of the LP64 records: DECIMAL 22 (align 2),
 * DATETIME and INTERVAL 24 (align 2: a 16-bit qualifier, then a DECIMAL),
 * INT8 12 (align 4), the locator 112 (align 8), the collection and row
 * records 120 (align 8). */
#ifndef TRW_RTYPES_H
#define TRW_RTYPES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* SQL type codes. */
#define TRW_SQL_CHAR 0
#define TRW_SQL_SMALLINT 1
#define TRW_SQL_INTEGER 2
#define TRW_SQL_FLOAT 3
#define TRW_SQL_SMALLFLOAT 4
#define TRW_SQL_DECIMAL 5
#define TRW_SQL_SERIAL 6
#define TRW_SQL_DATE 7
#define TRW_SQL_MONEY 8
#define TRW_SQL_NULL 9            /* the type of a bare NULL: no name, no host code */
#define TRW_SQL_DATETIME 10
#define TRW_SQL_BYTE 11
#define TRW_SQL_TEXT 12
#define TRW_SQL_VARCHAR 13
#define TRW_SQL_INTERVAL 14
#define TRW_SQL_NCHAR 15
#define TRW_SQL_NVARCHAR 16
#define TRW_SQL_INT8 17
#define TRW_SQL_SERIAL8 18
#define TRW_SQL_SET 19
#define TRW_SQL_MULTISET 20
#define TRW_SQL_LIST 21
#define TRW_SQL_ROW 22
#define TRW_SQL_COLLECTION 23
#define TRW_SQL_UNNAMED_FIRST 24  /* 24 to 39: no name, no host code */
#define TRW_SQL_UNNAMED_LAST 39
#define TRW_SQL_VARUDT 40         /* "variable udt" */
#define TRW_SQL_FIXUDT 41         /* "fixed udt" */
#define TRW_SQL_UNNAMED42 42      /* no name; served by the INT8 record */
#define TRW_SQL_LVARCHAR 43
#define TRW_SQL_SENDRECV 44       /* "send/receive" */
#define TRW_SQL_BOOLEAN 45
#define TRW_SQL_IMPEXP 46         /* "import/export" */
#define TRW_SQL_IMPEXPBIN 47      /* "import/export binary" */
#define TRW_SQL_UNNAMED48 48
#define TRW_SQL_DBSENDRECV 49     /* "dbsend/dbreceive" */
#define TRW_SQL_SRVSENDRECV 50    /* "srvsend/srvreceive" */
#define TRW_SQL_UNNAMED51 51
#define TRW_SQL_MAXTYPE 51
#define TRW_SQL_NTYPES 52

/* Host type codes. */
#define TRW_HOST_CHAR 100         /* character array, NUL-terminated */
#define TRW_HOST_SHORT 101        /* int16_t */
#define TRW_HOST_INT 102          /* int32_t */
#define TRW_HOST_LONG 103         /* long, 64 bits */
#define TRW_HOST_FLOAT 104        /* float */
#define TRW_HOST_DOUBLE 105       /* double */
#define TRW_HOST_UNUSED106 106    /* no representation */
#define TRW_HOST_DECIMAL 107      /* decvalue */
#define TRW_HOST_FIXCHAR 108      /* fixed-length character buffer */
#define TRW_HOST_STRING 109       /* character string */
#define TRW_HOST_DATE 110         /* int32_t day count */
#define TRW_HOST_MONEY 111        /* decvalue */
#define TRW_HOST_DATETIME 112     /* DATETIME record */
#define TRW_HOST_LOCATOR 113      /* trw_locator */
#define TRW_HOST_VARCHAR 114      /* variable character buffer */
#define TRW_HOST_INTERVAL 115     /* INTERVAL record */
#define TRW_HOST_FILE 116         /* large-object file buffer */
#define TRW_HOST_INT8 117         /* int8value */
#define TRW_HOST_COLLECTION 118   /* collection record */
#define TRW_HOST_LVARCHAR 119     /* long variable character buffer */
#define TRW_HOST_FIXBINARY 120    /* fixed-length opaque buffer */
#define TRW_HOST_VARBINARY 121    /* trw_opaque_host */
#define TRW_HOST_BOOLEAN 122      /* one byte */
#define TRW_HOST_ROW 123          /* row record */
#define TRW_HOST_LVARCHARPTR 124  /* trw_opaque_host: LVARCHAR through a pointer */
#define TRW_HOST_FIRST 100
#define TRW_HOST_LAST 124
#define TRW_HOST_NTYPES 25

/* NULL forms. */
#define TRW_NULL_SMALLINT (-32768)
#define TRW_NULL_INTEGER (-2147483647 - 1) /* also DATE, and the 64-bit long */
#define TRW_NULL_FLOATBYTE 0xFF            /* every byte of a float or double */
#define TRW_NULL_BOOLEAN 0xFF
#define TRW_COLL_ISNULL 0x4                /* bit of the collection and row flags word */
#define TRW_OPAQUE_ISNULL 0x2              /* bit of trw_opaque_host.vh_flags */
#define TRW_OPAQUE_ALLOC 0x1               /* vh_flags: the buffer may be reallocated */

/* The collection and row record: 120 bytes, 8-byte aligned; its 32-bit
 * flags word lies at byte 32 (after the 32-bit marker and server handle,
 * the cursor list pointer, the 32-bit length and cardinality, the 16-bit
 * fixed-size flag and the 32-bit element size). The record itself belongs
 * to the collection code, which must keep these three values. */
#define TRW_COLL_RECORD_SIZE 120
#define TRW_COLL_RECORD_ALIGN 8
#define TRW_COLL_FLAGS_OFFSET 32

/* The large-object locator (host code 113, SQL BYTE and TEXT): 112 bytes.
 * lo_indicator is -1 for a NULL value. The fields after lo_type belong to
 * the large-object code; lo_reserved keeps the record's size. */
typedef struct trw_locator {
    int16_t lo_where;       /* where the bytes are kept */
    int32_t lo_indicator;   /* -1 NULL, else 0 or the length before truncation */
    int32_t lo_type;        /* TRW_SQL_BYTE or TRW_SQL_TEXT */
    int32_t lo_size;        /* number of bytes, -1 when not known */
    int32_t lo_status;      /* status of the last operation */
    int32_t lo_flags;
    char *lo_buffer;        /* the bytes, when kept in memory */
    int32_t lo_bufsize;     /* size of lo_buffer */
    int32_t lo_mflags;
    char *lo_fname;         /* the file, when kept in a named file */
    int32_t lo_fd;          /* the file, when kept in an open file */
    int32_t lo_oflags;
    int64_t lo_position;    /* offset in the file */
    void *lo_reserved[6];
} trw_locator;

/* The opaque host record of the variable-length opaque (121) and LVARCHAR
 * pointer (124) host types: the length of the bytes, the buffer and the
 * flags (TRW_OPAQUE_ALLOC, TRW_OPAQUE_ISNULL). */
typedef struct trw_opaque_host {
    int32_t vh_len;
    char *vh_data;
    int16_t vh_flags;
} trw_opaque_host;

/* sqlctype[code]: the host code of SQL code 0..51, -1 for none.
 * sqlstype[code - 100]: the SQL code of host code 100..124, -1 for none
 * (entry 2, code 102, holds 2). */
extern const int16_t sqlctype[TRW_SQL_NTYPES];
extern const int16_t sqlstype[TRW_HOST_NTYPES];

/* The lower-case name of the SQL type in the low byte of type; "" for a
 * code without a name (9, 24 to 39, 42, 48, 51, 52 and above). Never NULL;
 * the text is static and must not be changed. */
char *rtypname(int type);

/* What rtypname(type) returns. xid, the extended type id, names a type only
 * when the first name is missing, which never happens: the empty name is
 * returned as it is. */
char *trw_typename(int type, int xid);

/* The SQL code of a type name: "BYTE" 11, "BOOLEAN" 45, "CHAR" 0,
 * "CHARACTER" 0, "COLLECTION" 23, "DATE" 7, "DECIMAL" 5, "DATETIME" 10,
 * "FLOAT" 3, "INT8" 17, "INT" 2, "INTEGER" 2, "INTERVAL" 14, "LIST" 21,
 * "LVARCHAR" 43, "MONEY" 8, "MULTISET" 20, "NCHAR" 15, "NVARCHAR" 16,
 * "NULL" 9, "ROW" 22, "SERIAL8" 18, "SERIAL" 6, "SET" 19, "SMALLFLOAT" 4,
 * "SMALLINT" 1, "TEXT" 12, "VARCHAR" 13. The name is first upshifted IN
 * PLACE by rupshift (so it must be writable: a string literal faults), then
 * matched whole: a suffix ("CHAR(10)"), a blank, any other name and NULL
 * give -1. */
int rstr2type(char *name);

/* The SQL code of a code: 0..51 themselves, 102 gives 2, 100..124 through
 * sqlstype (-1 for 106), anything else -1. */
int rtosqltype(int code);

/* The host code of a code: 102 gives 103, 0..51 through sqlctype (-1 for
 * those without a host code), anything else is returned unchanged. */
int rtoctype(int code);

/* Bytes a value of SQL or host type code takes in memory; 0 for codes not
 * listed. Sizes that depend on the length word len: len + 1 (0, 15, 100,
 * 109, 116), (len & 0xff) + 1 (13, 16, 114), len (40, 41, 43, 108, 119,
 * 120, 121, 124). A negative len gives 0 in the rows of len + 1 and len,
 * and len INT_MAX gives INT_MAX in the rows of len + 1. Host codes 118 and
 * 123 have size 0 (and alignment 1): size and align collection and row host
 * variables by their SQL code (19 to 23: 120 bytes, 8-aligned). */
int rtypmsize(int code, int len);

/* offset rounded up to the alignment of code: 2 for 1, 5, 8, 10, 14, 101,
 * 107, 111, 112, 115; 4 for 2, 4, 6, 7, 17, 18, 102, 104, 110, 117; 8 for
 * 3, 11, 12, 19..23, 103, 105, 113, 116. 0 (not an offset: "alignment not
 * known here") for the opaque codes 40, 41, 120, 121. Every other code
 * leaves offset unchanged. Negative offsets round up too (-13 to 4 is -12);
 * an offset whose rounded value would exceed INT_MAX gives -1. */
int rtypalign(int offset, int code);

/* Characters needed to display a value of the SQL type in the low byte of
 * type with length word len: 1 6; 2, 6 11; 3, 4 14; 17, 18 20; 45 1;
 * DECIMAL (5) p + N + 6 for a floating scale (255), else p + N + 1 when
 * s != p, else p + N + 2; MONEY (8) p + M + F + B + 1 when s != p, else
 * + 2, where p = (len >> 8) & 0xff, s = len & 0xff, N and M the display
 * widths of the client number format's decimal and monetary points and F,
 * B the byte lengths of its front and back currency texts; DATE (7) the
 * length of the expanded DATE display format (10 for mm/dd/yyyy);
 * DATETIME (10) the expanded length of the DBTIME format when DBTIME is
 * set, else 80 when GL_DATETIME is set, else q; INTERVAL (14) q + 1;
 * VARCHAR, NVARCHAR (13, 16) the low byte of len; 0 for 9, 24 to 39, 42,
 * 44 and 46 and above; len itself for every other type (0, 11, 12, 15,
 * 19 to 23, 40, 41, 43). For a qualifier len, q = digit count (bits 8-15)
 * + (end - start) / 2 truncated toward zero (end = bits 0-3, read as 12
 * when above 10; start = bits 4-7) + 1 when start is 12. 0 for every type
 * when the client locale cannot be initialised. */
int rtypwidth(int type, int len);

/* 1 when the value at value, in the representation of code (an SQL code is
 * mapped through sqlctype, a host code kept), is the NULL value, else 0;
 * 0 for codes outside both families, for 106 and 120, and for a NULL
 * value pointer. */
int risnull(int code, char *value);

/* Stores the NULL value of code (mapped as in risnull) at value, writing
 * only the bytes of the NULL form. Returns 0; does nothing for codes
 * outside both families, for 106 and 120, and for a NULL value pointer. */
int rsetnull(int code, char *value);

#ifdef __cplusplus
}
#endif

#endif
