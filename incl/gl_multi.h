/* Multi-level tables: 256-way byte tries that map a character, given as its
 * byte sequence or as its packed wide value, to a fixed-size element.
 *
 * A node holds a flag per byte value: 1 = the byte continues a longer
 * character (descend to the child for that byte), 4 = a character ends at
 * this byte (its element is the node's data entry for the byte, or the
 * table's default element when the node has no data array), anything else =
 * the byte is invalid here. Keys are 1 to 4 bytes long.
 *
 * Tables are built in memory (_gl_create_multi, _gl_insert_desc_multi) by the
 * data compilers, which write them in the text encoding of locale and
 * conversion files (_gl_fprintf_multi); the loaders read that encoding back
 * (_gl_fscanf_multi). _gl_compress_multi lets nodes share identical flag and
 * data arrays; a compressed table is written in the compressed form.
 *
 * All memory and stream access goes through the hooks of gl_ext.h. A table's
 * own error number (_gl_multi_err) tells why its last operation failed:
 * GL_ENOMEM, GL_EINVAL (refused key or argument), GL_EFORMAT (malformed
 * text), GL_ETOODEEP (text deeper than the caller allows), GL_EIO (write
 * error). Lookups report through the context's error number instead:
 * GL_EILSEQ (1) for an invalid sequence, GL_EINVAL (7) when the byte limit
 * ends inside a character. */
#ifndef TRW_GL_MULTI_H
#define TRW_GL_MULTI_H

#include <stdint.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

#define GL_MULTI_INMEMORY   0x1 /* built in memory: insertions may create nodes */
#define GL_MULTI_COMPRESSED 0x2 /* node arrays are shared */
#define GL_MULTI_MAX_KEY    4   /* longest key (character) in bytes */

/* Node flag values. */
#define GL_MULTI_CONTINUE 1
#define GL_MULTI_END      4

typedef struct gl_multi gl_multi; /* opaque */

/* Element reader and writer of the text encoding: read one element of size
 * bytes from stream into element, or write one; 0, or -1 on malformed input
 * or a write error. They must use the stream hooks (_gl_ext_getc ...). */
typedef int (*gl_multi_elem_reader)(FILE *stream, void *element, int size);
typedef int (*gl_multi_elem_writer)(FILE *stream, const void *element, int size);

/* Empty in-memory table of elements of size bytes (1..65536); default_element
 * (size bytes, or null for all zero) is the element of characters whose node
 * has no data array. The minimum key length starts at 4, the maximum at 0.
 * flags may add GL_MULTI_INMEMORY only. Null when memory runs out or size is
 * out of range. */
gl_multi *_gl_create_multi(int size, int flags, const void *default_element);

/* Inserts the character key[1..key[0]] (1 to 4 bytes) with a copy of element.
 * 0; -1 with GL_EINVAL when the key length is out of range, a byte on the
 * path is already a complete character, the character is already a prefix
 * of a longer one, or the table is not an uncompressed in-memory table;
 * -1 with GL_ENOMEM. Re-inserting a character replaces its element. */
int _gl_insert_desc_multi(const unsigned char *key, const void *element, gl_multi *table);

/* Lookups. Each returns the character's element (inside the table, valid
 * until it is freed) or null. The length-prefixed form returns null without
 * touching any error number. The text forms read as many bytes as the
 * character has (at most the table's maximum key length); the _limit forms
 * read at most limit bytes (0 or less: GL_EINVAL at once). length receives
 * the character's byte count; _nv returns it (or -1) instead of the element. */
const void *_gl_retrieve_desc_multi(const unsigned char *key, const gl_multi *table);
const void *_gl_retrieve_text_multi(const unsigned char *bytes, const gl_multi *table,
                                    int *length, void *context);
const void *_gl_retrieve_text_multi_nl(const unsigned char *bytes, const gl_multi *table,
                                       void *context);
int _gl_retrieve_text_multi_nv(const unsigned char *bytes, const gl_multi *table, void *context);
const void *_gl_retrieve_text_multi_limit(const unsigned char *bytes, const gl_multi *table,
                                          int limit, int *length, void *context);
const void *_gl_retrieve_text_multi_limit_nl(const unsigned char *bytes, const gl_multi *table,
                                             int limit, void *context);
/* By packed wide value (first byte most significant): 4 key bytes above
 * 0xFFFFFF, at least 3 above 0xFFFF, at least 2 above 0xFF, else the table's
 * minimum key length; the value must be exactly one character of that many
 * bytes (GL_EILSEQ otherwise). */
const void *_gl_retrieve_wchar_multi_nl(void *context, uint32_t wc, const gl_multi *table);
/* One little-endian Unicode unit: 2 bytes (4 when the table's minimum and
 * maximum key lengths are both 4), walked from its last byte to its first;
 * length receives the unit size. A limit below the unit is GL_EINVAL. */
const void *_gl_retrieve_little_endian_unicode_limit(const unsigned char *bytes,
                                                     const gl_multi *table, int limit,
                                                     int *length, void *context);

/* Visits every character of the table in byte order: visit(arg, bytes,
 * length, element) for each; a non-zero result stops the visit and is
 * returned. 0 after a complete visit (or for a null table). */
typedef int (*gl_multi_visit)(void *arg, const unsigned char *bytes, int length, const void *element);
int _gl_foreach_multi(const gl_multi *table, gl_multi_visit visit, void *arg);

/* Writes the table's text encoding (plain, or compressed when the table is);
 * a table whose maximum and minimum key lengths are both 1 first gets every
 * root byte marked as a character. 0, or -1 with GL_EIO or GL_ENOMEM. */
int _gl_fprintf_multi(FILE *stream, gl_multi *table, gl_multi_elem_writer writer);

/* Reads a table's text encoding into table, which must be empty (just
 * created with the element size the encoding uses). max_depth is the
 * longest key the caller accepts (at most 4). 0, or -1 with GL_ETOODEEP when
 * the encoding declares or holds longer keys, GL_EFORMAT for malformed text
 * (every count, index and run is checked), GL_ENOMEM, GL_EINVAL for a
 * non-empty table; a failed read leaves the table empty. */
int _gl_fscanf_multi(FILE *stream, gl_multi *table, int max_depth, gl_multi_elem_reader reader);

/* Shares identical flag arrays and data arrays between nodes and marks the
 * table compressed. 0, or -1 with GL_ENOMEM (the table stays usable). */
int _gl_compress_multi(gl_multi *table);

/* Frees the table (shared arrays once). Null is ignored. */
void _gl_free_multi(gl_multi *table);

int _gl_multi_max_length(const gl_multi *table);
int _gl_multi_min_length(const gl_multi *table);

/* Zero bytes that end a terminated string of the table's characters: its
 * shortest key, 1 to GL_MULTI_MAX_KEY (1 for a null or odd table). */
int _gl_multi_terminator_length(const gl_multi *table);

int _gl_multi_err(const gl_multi *table);
int _gl_multi_node_count(const gl_multi *table);
int _gl_multi_flags(const gl_multi *table);

/* Token readers for element readers and other text loaders, on the stream
 * hooks: white space is skipped first. _gl_fscan_hex reads 1 to max_digits
 * hexadecimal digits (either case); _gl_fscan_dec an optionally signed
 * decimal number that fits a long. 0, or -1 (no digit, end of file, overflow). */
int _gl_fscan_hex(FILE *stream, int max_digits, unsigned long *value);
int _gl_fscan_dec(FILE *stream, long *value);

/* The element reader and writer of 16-bit tables (character classes, case
 * indexes, collation rows): four hexadecimal digits, an unsigned 16-bit value
 * in host order. */
int _gl_multi_read_u16(FILE *stream, void *element, int size);
int _gl_multi_write_u16(FILE *stream, const void *element, int size);

/* The element reader and writer of tables of raw bytes: two hexadecimal
 * digits per byte, in memory order, any size. */
int _gl_multi_read_bytes(FILE *stream, void *element, int size);
int _gl_multi_write_bytes(FILE *stream, const void *element, int size);

#ifdef __cplusplus
}
#endif

#endif
