/* Version texts of the locale library and of its data directories. */
#ifndef TRW_GLVERSION_H
#define TRW_GLVERSION_H

#ifdef __cplusplus
extern "C" {
#endif

const char *gl_version(void);    /* "glslib-4.00.FC1" */
const char *gl_cm_version(void); /* "3": code-set registry directory gls/cm3 */
const char *gl_lc_version(void); /* "11": locale files below gls/lc11 */
const char *gl_cv_version(void); /* "9": conversion files below gls/cv9 */

#ifdef __cplusplus
}
#endif

#endif
