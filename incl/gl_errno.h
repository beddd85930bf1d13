/* Error numbers of the locale library.
 *
 * Every locale-library operation that takes a context (a locale record, a
 * conversion descriptor, or any record whose first field is an int) reports a
 * failure by storing one of these small positive numbers in the integer that
 * _gl_ext_errno(context) designates (gl_ext.h) and returning -1, a null
 * pointer or GL_CS_INVALID. Multi-level tables keep their own error number
 * (_gl_multi_err, gl_multi.h). The data-type library maps them to SQL error
 * numbers. */
#ifndef TRW_GL_ERRNO_H
#define TRW_GL_ERRNO_H

#define GL_EILSEQ        1  /* invalid byte sequence or unmapped character */
#define GL_ENULLARG      2  /* null string argument */
#define GL_ENOMEM        3  /* memory could not be allocated */
#define GL_ENEGINDEX     4  /* negative character index */
#define GL_EBADSTART     5  /* start not before position */
#define GL_EINVAL        7  /* invalid specification or code-set name; incomplete
                               character (input ends inside a character) */
#define GL_EFILEERR      8  /* a data file could not be opened or is malformed;
                               TARNWELLDIR or a directory longer than 256 */
#define GL_EBADARG       9  /* bad hook slot, category number or length */
#define GL_EREGFORMAT   11  /* registry or locale file malformed */
#define GL_EFORMAT      GL_EREGFORMAT
#define GL_ECSMISMATCH  12  /* categories of a locale in different code sets */
#define GL_EIO          13  /* stream read or write error */
#define GL_E2BIG        14  /* output buffer too small */
#define GL_ENOREGISTRY  15  /* the registry file could not be opened */
#define GL_EEOF         16  /* end of file */
#define GL_EREAD        17  /* read failure that is neither end of file nor a
                               stream error */
#define GL_ENOSRCCAT    18  /* source category not loaded */
#define GL_EDSTNOTEMPTY 19  /* destination category not empty */
#define GL_ETOODEEP     21  /* byte-trie table deeper than the caller allows */
#define GL_EERA         49  /* malformed era definition */
#define GL_ECALENDAR    50  /* unknown calendar */
#define GL_EVERSION     51  /* wrong compiler version in a data file */
#define GL_ECATLOAD     55  /* a category could not be loaded */
#define GL_ENOCTYPE     57  /* a category loaded without CTYPE */
#define GL_ECATCODESET  58  /* category code set differs from CTYPE's */

#endif
