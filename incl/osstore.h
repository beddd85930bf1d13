/* Stored forms of primitive values: the byte layouts in which CHAR, VARCHAR,
 * SMALLINT, SMALLFLOAT and FLOAT values, and the descriptor of a TEXT or BYTE
 * value, are kept inside stored rows and message buffers. None of the
 * functions needs an aligned buffer, and none reports an error.
 *
 * CHAR(n): n bytes, the text then blanks (0x20); NULL is n blanks.
 * VARCHAR(n): a length byte (0-255), then n bytes as CHAR(n); NULL is the
 *   length 1 followed by a 0x00 byte.
 * SMALLINT: 2 bytes, most significant first.
 * SMALLFLOAT and FLOAT: IEEE 754 single (4 bytes) and double (8 bytes), in
 *   the host's byte order, or most significant byte first in the network
 *   form; NULL is all bytes 0xFF (fltnull).
 * Large-object descriptor: 56 bytes, every field most significant byte first. */
#ifndef TRW_OSSTORE_H
#define TRW_OSSTORE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The NULL pattern of the stored floats: 8 bytes 0xFF (a single compares
 * with the first 4). */
extern const unsigned char fltnull[8];

/* Float format names: IEEE 754 with the most or the least significant byte
 * first. The network form is always "IEEEM". */
#define OS_FLOAT_IEEEM "IEEEM"
#define OS_FLOAT_IEEEI "IEEEI"

/* The float type that selects the network form in the network_ functions;
 * any other value selects the host form. */
#define OS_FLOAT_NETWORK 1

/* The in-memory descriptor of a TEXT or BYTE value: the fields of the
 * stored descriptor in the same order and widths. The server gives the
 * fields their meaning; this layer only stores and loads them. */
typedef struct tblob {
    int16_t tb_short1[2]; /* stored bytes 0-3 */
    int32_t tb_long1[7];  /* stored bytes 4-31 */
    int16_t tb_short2[4]; /* stored bytes 32-39 */
    int32_t tb_long2[4];  /* stored bytes 40-55 */
} tblob;

/* CHAR: ldchar copies the n-byte field without its trailing 0x20 bytes into
 * dst (n+1 bytes; overlap allowed) and terminates it. stchar writes the text
 * (cut at n) and blanks up to n; a NULL text gives n blanks. */
void ldchar(const char *field, int n, char *dst);
void stchar(const char *text, char *field, int n);

/* VARCHAR: ldvarchar copies min(length byte, n) bytes into dst (n+1 bytes)
 * and terminates it. stvarchar writes the length byte (the low 8 bits of the
 * text's length, which the caller keeps within n and 255) and n bytes as
 * stchar; n <= 0 writes only the length byte; a NULL text writes 01 00. */
void ldvarchar(const char *field, int n, char *dst);
void stvarchar(const char *text, char *field, int n);

/* SMALLINT: the low 16 bits of value, most significant byte first. */
void stshort(int value, void *dst);

/* Floats in the host's form. ldfloat widens the single to double; stfloat
 * rounds to single. The _null variants write the NULL form when isnull is
 * nonzero and set *ind to 1 (NULL) or 0 when loading; a NULL single loads as
 * the float whose bits are all one, a NULL double as the double whose bits
 * are all one. */
double ldfloat(const void *src);
void stfloat(double value, void *dst);
double lddbl(const void *src);
void stdbl(double value, void *dst);
float ldfltnull(const void *src, short *ind);
void stfltnull(double value, void *dst, int isnull);
double lddblnull(const void *src, short *ind);
void stdblnull(double value, void *dst, int isnull);

/* The 56-byte large-object descriptor. tblobstore zero-fills the 56 bytes
 * and writes the fields; tblobload reads them back. */
void tblobstore(const tblob *blob, void *dst);
void tblobload(tblob *blob, const void *src);

/* As their plain twins, in the network form (most significant byte first)
 * when floattype is OS_FLOAT_NETWORK, else in the host's form. */
double network_ldfloat(const void *src, int floattype);
void network_stfloat(double value, void *dst, int floattype);
double network_lddbl(const void *src, int floattype);
void network_stdbl(double value, void *dst, int floattype);
float network_ldfltnull(const void *src, short *ind, int floattype);
void network_stfltnull(double value, void *dst, int isnull, int floattype);
double network_lddblnull(const void *src, short *ind, int floattype);
void network_stdblnull(double value, void *dst, int isnull, int floattype);

#ifdef __cplusplus
}
#endif

#endif
