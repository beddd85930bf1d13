/* Value records: one SQL value of any type in a generic record, loaded from
 * and stored into the stored (column or wire) form of its type, converted
 * into the value of another type, and turned into text.
 *
 * A valrec holds its value in vdata, chosen by the SQL type code in the low
 * byte of vtype (rtypes.h):
 *   SMALLINT                      vshort
 *   INTEGER, SERIAL, DATE         vint (DATE as its day count, rdate.h)
 *   SMALLFLOAT                    vfloat
 *   FLOAT                         vdouble
 *   DECIMAL, MONEY                vdec, vprec the precision word
 *   DATETIME, INTERVAL            vdec, vprec the qualifier (datetime.h)
 *   INT8, SERIAL8                 vint8
 *   CHAR, NCHAR, VARCHAR,         vchar points at vlen bytes (not
 *   NVARCHAR, LVARCHAR              terminated); the bytes are borrowed:
 *                                   loading points into the stored bytes
 *   opaque 40 and 41, BOOLEAN     vchar and vlen as for characters (the
 *                                   bytes of the opaque form); a BOOLEAN's
 *                                   one byte is 1 (true) or 0 (false)
 *   TEXT, BYTE                    vblob, the large-object descriptor
 *   SET, MULTISET, LIST, ROW,     vcoll, the collection record
 *   COLLECTION                      (collection.h); a collection loaded by
 *                                   rdataval owns its copies: release it
 *                                   with trw_coll_free
 * vind is negative for NULL and 0 otherwise.
 *
 * Type words: the low byte the SQL type code; VAL_NOTNULL (0x100) marks a
 * NOT NULL target when storing; VAL_KEEPXID (0x800) keeps vxid when
 * loading (loading clears it otherwise).
 *
 * Stored forms (rdataval reads them, rvaldata writes them):
 *   CHAR(n), NCHAR(n)       n bytes; NULL when the first byte is 0 (stored
 *                           as a 0 byte and n - 1 blanks)
 *   VARCHAR, NVARCHAR       a length byte, then the bytes; the length word
 *                           holds the minimum in its high byte and the
 *                           maximum m in its low byte; NULL is length 1 and
 *                           a 0 byte; storing zero-fills up to m bytes
 *   SMALLINT, INTEGER,      2 and 4 bytes, most significant first; NULL
 *   SERIAL, DATE            -32768 and -2147483648
 *   INT8, SERIAL8           the 10-byte form of int8.h; NULL sign 0
 *   SMALLFLOAT, FLOAT       the float forms of osstore.h in the float type
 *                           kept in the control block; NULL all bytes 0xFF
 *   DECIMAL, MONEY,         the packed form of decimal.h, of the stored
 *   DATETIME, INTERVAL      length of the precision word or qualifier
 *                           (DECLEN of its high and low bytes)
 *   TEXT, BYTE              the 56-byte descriptor of osstore.h; NULL when
 *                           bit VAL_BLOB_NULL is set in tb_short1[1]
 *   LVARCHAR, BOOLEAN,      the opaque form: a NULL byte (1 NULL, 0 a
 *   opaque 40 and 41        value), a 4-byte length (most significant
 *                           first), the bytes
 *   SET, MULTISET, LIST,    the stored collection form (stcollection,
 *   ROW                     ldcollection), with the names of the connected
 *                           server's identifier length (gget_dbver)
 *
 * Statuses: 0; -406 memory; -608 a TEXT or BYTE value where another type is
 * required; -1207 text longer than its field; -1210 DATE out of range;
 * -1213 text is not a number; -1214 does not fit a SMALLINT; -1215 does not
 * fit an INTEGER; -1222 does not fit a SMALLFLOAT; -1223 NaN or infinite
 * FLOAT; -1225 NULL into a NOT NULL target; -1226 more integer digits than
 * the target's precision; -1260 conversion not supported; -1268 invalid
 * qualifier; -1279 character value too long for its target in an ANSI
 * database (ansidb, gentcb.h); -1285 a type code without a loader or
 * writer; -9602 incompatible collection types; the statuses of the DECIMAL,
 * INT8, DATE, DATETIME and collection functions pass through.
 *
 * Every conversion first sets the conversion error (get_toerrno, gentcb.h)
 * to 0 and leaves its own error there. All state is process-wide and
 * unlocked: callers use these functions from one thread at a time. */
#ifndef TRW_VALREC_H
#define TRW_VALREC_H

#include <stdint.h>

#include "collection.h"
#include "datetime.h"
#include "decimal.h"
#include "int8.h"
#include "osstore.h"
#include "rtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Type-word flags. */
#define VAL_TYPEMASK 0xFF
#define VAL_NOTNULL 0x100 /* storing: the target takes no NULL */
#define VAL_KEEPXID 0x800 /* loading: vxid is kept */

/* vflags: a CHAR target is padded with NUL bytes instead of blanks. */
#define VAL_NULLPAD 0x20

/* Bit of tblob.tb_short1[1] that marks a NULL TEXT or BYTE value. */
#define VAL_BLOB_NULL 0x1

/* Precision words loading sets. */
#define VAL_PREC_SMALLINT 0x0500
#define VAL_PREC_INTEGER 0x0A00
#define VAL_PREC_INT8 0x1300
#define VAL_PREC_SMALLFLOAT 0x08FF
#define VAL_PREC_FLOAT 0x10FF

/* Bytes of the opaque form before its data: the NULL byte and the length. */
#define VAL_OPAQUE_HEAD 5

/* The LVARCHAR length taken when storing into a length of 0. */
#define VAL_LVARCHAR_DEFAULT 2048

typedef struct valrec {
    int16_t vtype;  /* type word */
    int16_t vind;   /* negative: NULL */
    int32_t vxid;   /* extended type identifier */
    int16_t vprec;  /* precision word or qualifier */
    union {
        int16_t vshort;
        int32_t vint;
        float vfloat;
        double vdouble;
        decvalue vdec;
        int8value vint8;
        char *vchar;
        tblob vblob;
        trw_collection vcoll;
    } vdata;
    int32_t vlen;   /* bytes of character and opaque data */
    int16_t vflags; /* VAL_NULLPAD */
    int16_t valign; /* alignment of an opaque value in its stored form */
} valrec;

#ifdef __cplusplus
#define VAL_STATIC_ASSERT static_assert
#else
#define VAL_STATIC_ASSERT _Static_assert
#endif
VAL_STATIC_ASSERT(__builtin_offsetof(valrec, vtype) == 0, "valrec vtype");
VAL_STATIC_ASSERT(__builtin_offsetof(valrec, vind) == 2, "valrec vind");
VAL_STATIC_ASSERT(__builtin_offsetof(valrec, vxid) == 4, "valrec vxid");
VAL_STATIC_ASSERT(__builtin_offsetof(valrec, vprec) == 8, "valrec vprec");
VAL_STATIC_ASSERT(__builtin_offsetof(valrec, vdata) == 16, "valrec vdata");
VAL_STATIC_ASSERT(__builtin_offsetof(valrec, vlen) == 16 + TRW_COLL_RECORD_SIZE, "valrec vlen");
VAL_STATIC_ASSERT(__builtin_offsetof(valrec, vflags) == 20 + TRW_COLL_RECORD_SIZE, "valrec vflags");
VAL_STATIC_ASSERT(__builtin_offsetof(valrec, valign) == 22 + TRW_COLL_RECORD_SIZE, "valrec valign");
VAL_STATIC_ASSERT(sizeof(valrec) == 24 + TRW_COLL_RECORD_SIZE, "valrec size");

/* Display precisions of FLOAT and SMALLFLOAT text: dbfltprec (initially 16)
 * decimal places of a FLOAT, dbsmfltprec (initially -1: dbfltprec) of a
 * SMALLFLOAT. Client programs may set them. */
extern int16_t dbfltprec;
extern int16_t dbsmfltprec;

/* Loads the stored bytes of type (a type word) into v. len is the length
 * of the stored form: the precision word (DECIMAL, MONEY), the qualifier
 * (DATETIME, INTERVAL), the length (CHAR, NCHAR; 0 or less loads an empty
 * value), the length word (VARCHAR, NVARCHAR), the bytes available (opaque
 * forms and collections; 0: the stored length is trusted). Character data
 * is not copied. 0; -1285; the collection loader's error. */
int rdataval(const char *data, int type, int len, valrec *v);

/* Stores v into data as type (a type word) of length len (as rdataval; for
 * collections and opaque types the room in data, 0 for no limit; for
 * LVARCHAR the most bytes taken, 0 for 2048 or a whole LVARCHAR source).
 * 0 or a status above. */
int rvaldata(valrec *v, char *data, int type, int len);

/* Conversions. toint, tolong and todate give their NULL for NULL and for
 * an error (read the error with get_toerrno). */
int toint(valrec *v);
int tolong(valrec *v);
int todate(valrec *v);
int toint8(valrec *v, int8value *out);
double todouble(valrec *v);
double todblnull(valrec *v, short *isnull);
int todecimal(valrec *v, decvalue *out);
int todecimalmon(valrec *v, decvalue *out);
int todatetime(valrec *v, dt_value *out, int qualifier);
int tointerval(valrec *v, inv_value *out, int qualifier);
int tocbool(valrec *v, unsigned char *out);

/* The remainder of a / b (the sign of a) as an INT8 value in r: 0; -647
 * for a zero divisor; a conversion status. A NULL operand gives a NULL of
 * type INT8. */
int exmod(valrec *a, valrec *b, valrec *r);

/* Text readers: 0 or a status; an empty text gives the NULL value. */
int rstoi(const char *text, int *out);
int rstol(const char *text, int32_t *out);
int rstod(const char *text, double *out);

/* The text of v in out: n above 0 writes a field of exactly n characters
 * (left-justified when left is non-zero, else right-justified; character
 * values are always left-aligned), without a terminator; n of 0 writes
 * the text and a terminator (out must hold 81 bytes, or vlen + 1 for
 * character values). A text longer than n fills the field with "*" and
 * gives -1207. rvalstr_16prec writes FLOAT values with their 16 and 17
 * significant digits. rdatastr loads the stored bytes first. */
int rvalstr(valrec *v, char *out, int n, int left);
int rvalstr_16prec(valrec *v, char *out, int n, int left);
int rdatastr(const char *data, int type, int len, char *out, int n, int left);

#ifdef __cplusplus
}
#endif

#endif
