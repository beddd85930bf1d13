/* Host variables: a client program's variable of a host type (100 to 124,
 * rtypes.h) turned into a value record (valrec.h) without converting the
 * value, and a value record written into a host variable of any host type,
 * converted on the way, with NULL and truncation reported through a 16-bit
 * indicator.
 *
 * rcvarval(host, type, v, length, indicator): type is an SQL code (0..51,
 * mapped to the host type that serves it) or a host code. The record's type
 * is the SQL type of the code (host 102 and 103: INTEGER; 116 keeps 116).
 * The value is NULL when the indicator is given and negative, or when the
 * host value is its type's NULL (risnull). By host type:
 *   101 SMALLINT (5,0); 102 int and 103 long INTEGER (10,0) (a long outside
 *   the INTEGER range is -1215 and builds nothing); 104 float, 105 double
 *   precision word 0; 107 DECIMAL, 111 MONEY copied, precision word the
 *   length argument (0 and 22, the record's size, read as the floating
 *   DECIMAL(32), 0x20FF); 108 fixed buffer: length bytes; 109 string: its
 *   string length; 100, 114, 119: the string length when length is 0 or
 *   less, else the bytes before the first NUL within length; 110 DATE
 *   (10,0); 112 DATETIME, 115 INTERVAL: the record's DECIMAL and qualifier;
 *   113 locator: the record points at the locator (HV_LOCATOR in vflags);
 *   116 file buffer: pointer and length; 117 INT8 (19,0); 118 collection and
 *   123 row: the 120-byte record copied; 120 fixed opaque and 122 BOOLEAN:
 *   pointer and length (a BOOLEAN is one byte); 121 variable opaque and 124
 *   LVARCHAR pointer: length and bytes of the trw_opaque_host record. The
 *   LVARCHAR codes 43 and 119 with length 0 take the trw_opaque_host form
 *   of 124. Character bytes are borrowed, not copied.
 *   Returns 0, or -1 for an unknown code, a null host pointer with a value
 *   that is not NULL, a DECIMAL record whose ndigits lies outside 0..16, or
 *   a negative length of a counted buffer; -1215 as above.
 *
 * rvalcvar(v, host, type, length, indicator): type is a host code or an SQL
 * code (mapped to its host type; SQL INTEGER and SERIAL and code 102 write
 * a 32-bit int, only 103 writes 64 bits). A NULL value stores the type's
 * NULL (rsetnull; collections and rows also get their record copied) and
 * the indicator -1. Otherwise, by host type:
 *   101 int16_t; 102 int32_t; 103 long (every INT8 value but -2147483648,
 *   the long's NULL, which is -1215); 104 float (-1222 beyond a float's
 *   range, variable untouched); 105 double; 107, 111: DECIMAL, fitted to the
 *   precision word length (unless 0 or 22) with the target's rounding,
 *   -1226 when the integer digits do not fit; 110 DATE; 112, 115: DATETIME
 *   and INTERVAL in the qualifier length (0: the record's own qualifier,
 *   else the value's); 113 the source's locator (-1269 for a source that is
 *   not BYTE or TEXT); 116 file buffer of length bytes (-1269 for a source
 *   that is not character, -1235 when it is shorter than the value), blank
 *   filled; 117 INT8; 118, 123 the 120-byte record; 120 fixed opaque buffer
 *   of length bytes (-1260 unless the source is a fixed opaque value, -1821
 *   when too small); 121, 124 trw_opaque_host (121 takes opaque values, 124
 *   LVARCHAR values, else -1260): a buffer smaller than the value (plus a
 *   NUL for LVARCHAR; the buffer's size is vh_len) is reallocated when
 *   vh_flags has TRW_OPAQUE_ALLOC (-837 without memory, vh_len 0), else
 *   -1821; vh_len becomes the value's length and TRW_OPAQUE_ISNULL is
 *   cleared; 122 BOOLEAN byte.
 *   Character targets (the value's text, left-justified):
 *     100 buffer of length bytes: length - 1 characters blank-padded and a
 *         NUL; length 0 the whole text and a NUL; length 1 an empty string
 *         and -1235; a negative length -1235 (nothing written);
 *     109 string: as 100, then trailing blanks removed; an all-blank value
 *         is one blank when BLANK_STRINGS_NOT_NULL is set, else empty;
 *     108 fixed buffer: exactly length characters, blank-padded, no NUL
 *         (negative -1235);
 *     114 VARCHAR, 119 LVARCHAR buffer: length is the declared length (the
 *         buffer holds one byte more): at most length bytes of the text and
 *         a NUL, blanks kept for character and DATE sources.
 *     The indicator becomes the source length (at most 32767) when a
 *     character source was cut, else 1 after an error and 0.
 *   Returns 0 or the conversion error (valrec.h statuses, -837, -1222,
 *   -1226, -1235, -1260, -1269, -1821); -1 for a null record or host
 *   pointer or a code that is no host type. The conversion error
 *   (get_toerrno) is reset first. */
#ifndef TRW_HOSTVAR_H
#define TRW_HOSTVAR_H

#include "valrec.h"

#ifdef __cplusplus
extern "C" {
#endif

/* vflags of a BYTE or TEXT record made by rcvarval from a locator: vdata's
 * pointer (vchar) points at the trw_locator. */
#define HV_LOCATOR 0x40

/* The precision word rcvarval gives a DECIMAL or MONEY host variable
 * declared without one (length 0 or 22): the floating DECIMAL(32). */
#define HV_PREC_FLOATING 0x20FF

/* The highest value the indicator reports for a cut character value. */
#define HV_INDICATOR_MAX 32767

int rcvarval(void *host, int type, valrec *v, int length, short *indicator);
int rvalcvar(valrec *v, void *host, int type, int length, short *indicator);

#ifdef __cplusplus
}
#endif

#endif
