// The entry points of the optional Unicode service library and the types of
// those the locale library calls. Internal: shared by the loader (gldl.cpp),
// the routines that forward to the service, and the test stub service.
#pragma once

#include <stdint.h>

#include "gl_ext.h"

// Entry points, by name without their "glu_" prefix: those the start-up,
// unloading and glx_* pass-through calls use (with the types below), and
// those the character, collation and conversion routines forward to.
#define GLU_STARTUP_ENTRY_POINTS(X) \
    X(getIcuDataFileName) X(icuErrorName) X(loadIcuData) X(unloadIcuData) \
    X(loadMapData) X(unloadMapData) X(lc_open) X(lc_close) \
    X(getICULocName) X(getICUCvtName) X(ucs32tombs) X(ucs32toucs) \
    X(setMallocFunc) X(setCallocFunc) X(setReallocFunc) X(setFreeFunc) \
    X(setFgetcFunc) X(setFseekFunc) X(setFtellFunc) X(setFerrorFunc) \
    X(setFeofFunc) X(setPrintMessageFunc) X(setMessageLevel) X(setMessageSubLevel)

#define GLU_SERVICE_ENTRY_POINTS(X) \
    X(useIcuCvtCall) X(useIcuLocCall) X(cv_open) X(cv_close) \
    X(lc_clone) X(cv_conv) X(iconv_expansion) X(mb_loc_max) \
    X(mb_loc_min) X(case_conv_outbuflen) X(ismctype) X(isuc32type) \
    X(mbtouc) X(uctomb) X(mbtouc32) X(uc32tomb) \
    X(mblen) X(mbwidth) X(uc32width) X(mbtoupper) \
    X(mbtolower) X(uc32toupper) X(uc32tolower) X(mbstoucs) \
    X(ucstombs) X(mbstoucs32) X(mbsprev) X(mbsnext) \
    X(mbsntsbytes) X(mbstoupper) X(mbstolower) X(ucs32toupper) \
    X(ucs32tolower) X(mbslen) X(mbsbytes) X(ucs32len) \
    X(ucs32uc32) X(mbschr) X(mbswidth) X(ucs32width) \
    X(mbspwidth) X(ucs32pwidth) X(ucscoll) X(ucsxfrm) \
    X(ucs32coll) X(ucs32xfrm) X(mbscoll) X(mbsxfrm) \
    X(mbsCollBound) X(mbsSortKeyCollBound) X(fgetuc32) X(getmb) \
    X(getmbsi) X(putmbsi) X(ucstoucs32)

#define GLU_ENTRY_POINTS(X) GLU_STARTUP_ENTRY_POINTS(X) GLU_SERVICE_ENTRY_POINTS(X)

#define GLU_ENTRY_ENUM(name) GLU_##name,
enum GluEntry { GLU_ENTRY_POINTS(GLU_ENTRY_ENUM) GLU_ENTRY_COUNT };
#undef GLU_ENTRY_ENUM

// The resolved entry point, or null while the service is not running.
extern "C" void (*_gl_glu_entry(GluEntry entry))(void);

// The calling conventions the locale library relies on. Errors come back
// through the 16-bit out-argument (0 for none).
extern "C" {
typedef void (*glu_message_printer)(const char *text);
typedef void (*glu_setMallocFunc_fn)(gl_ext_malloc_fn);
typedef void (*glu_setCallocFunc_fn)(gl_ext_calloc_fn);
typedef void (*glu_setReallocFunc_fn)(gl_ext_realloc_fn);
typedef void (*glu_setFreeFunc_fn)(gl_ext_free_fn);
typedef void (*glu_setStreamFunc_fn)(gl_ext_stream_fn); /* fgetc, ferror, feof */
typedef void (*glu_setFseekFunc_fn)(gl_ext_fseek_fn);
typedef void (*glu_setFtellFunc_fn)(gl_ext_ftell_fn);
typedef void (*glu_setPrintMessageFunc_fn)(glu_message_printer);
typedef void (*glu_setMessageLevel_fn)(int level);
typedef int (*glu_getIcuDataFileName_fn)(char *out, int size, int16_t *err);
typedef void *(*glu_loadData_fn)(const char *dir, const char *name, int16_t *err); /* icu and map data */
typedef void (*glu_unloadData_fn)(void *data, int16_t *err);
typedef const char *(*glu_icuErrorName_fn)(int code);
typedef int (*glu_getName_fn)(void *map, const char *name, char *out, int size, int16_t *err);
typedef void *(*glu_lc_open_fn)(void *map, const char *spec, int category, int16_t *err);
typedef int (*glu_lc_close_fn)(void *service_locale, int16_t *err);
typedef int (*glu_ucs32tombs_fn)(void *service_locale, char *out, int out_size, const uint32_t *in, int in_length,
                                 int16_t *err);
typedef int (*glu_ucs32toucs_fn)(uint16_t *out, int out_size, const uint32_t *in, int in_length, int16_t *err);
typedef int (*glu_useIcuLocCall_fn)(void *map, const char *spec, int category, int16_t *err); /* 1: claimed */
/* Conversions between code-set numbers: the claim (1), the conversion's
 * handle, and a call converting *inlen bytes (out or *out null: counting;
 * outlen null: no limit), advancing the pointers and counts past what was
 * converted; 0, or -1 with 1, 7, 14 or 3 in *err. */
typedef int (*glu_useIcuCvtCall_fn)(void *map, unsigned source, unsigned target, int16_t *err);
typedef void *(*glu_cv_open_fn)(void *map, unsigned source, unsigned target, int16_t *err);
typedef int (*glu_cv_close_fn)(void *conversion, int16_t *err);
typedef int (*glu_cv_conv_fn)(void *conversion, const char **in, int *inlen, char **out, int *outlen,
                              int *substituted, int16_t *err);
typedef double (*glu_iconv_expansion_fn)(void *conversion, int16_t *err);
}
