/* Dynamic loading and the optional Unicode service of the locale library.
 *
 * tarw_dl* wrap the platform's dynamic loader and keep its messages in a
 * handle record. The Unicode service is a separately shipped library that,
 * when the host allows it (gl_useglu) and GL_USEGLU is 1 or 2, takes over
 * character handling, collation and conversion for the locales it claims.
 * gl_init_glu starts it: it loads the libraries listed one per line in
 * TARNWELLDIR/gls/etc/dllregistry (at most 4, from TARNWELLDIR/gls/dll/),
 * resolves the service's entry points in the last one, hands it the
 * library's memory and stream hooks and loads its data files from gls/etc.
 * The kit's service, libtrwglu.so, is built on ICU where ICU's development
 * files are present. With GL_USEGLU unset (or not 1 or 2) nothing is
 * loaded. With GL_USEGLU=1 or 2 in an installation without the service (no
 * gls/etc/dllregistry at all) the start behaves as if GL_USEGLU were unset,
 * after the message "gl_init_glu_dll: cannot open dllregistry". A list that
 * exists but cannot be read, a listed library that cannot be loaded (mode 2
 * tolerates it) or lacks an entry point fails the start with GL_EFILEERR,
 * and so does every locale load and gl_cv_load, which start it first; the
 * client locale environment then reports -23101.
 * Diagnostics go to gl_message. */
#ifndef TRW_GL_DL_H
#define TRW_GL_DL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A loaded library. Zero it before the first tarw_dlopen. */
typedef struct tarw_dlhandle {
    int error;     /* 0; -1 after a loader error; -2 for a misuse */
    char *errtext; /* copy of the loader's message, or "Internal Error" */
    void *library; /* the platform's handle */
    char *path;    /* copy of the library's path */
} tarw_dlhandle;

/* Mode of tarw_dlopen: immediate binding, symbols visible globally. Any
 * other mode is passed to the platform as it stands. */
#define TARW_DL_NOW_GLOBAL (-99)

/* Opens a library; 0, or -1 with the loader's message in the handle. */
int tarw_dlopen(tarw_dlhandle *handle, const char *path, int mode);
/* Looks a symbol up into *out; 0, or -1 (a handle without library or a
 * null name: error -2 and "Internal Error"). */
int tarw_dlsym(tarw_dlhandle *handle, void **out, const char *name);
/* Stores the loader's message and -1 in the handle; returns errno. */
int tarw_dlerror(tarw_dlhandle *handle);
/* Closes the library and frees the path (and any message); -1 for a handle
 * without library, or when the platform refuses (its message then stays in
 * the handle until the next call). */
int tarw_dlclose(tarw_dlhandle *handle);

/* Records the host's capability for the service: 1 or 2 allow it (the
 * client passes 2), anything else disables it. */
void gl_useglu(int capability);

/* Starts the service when enabled; called before every locale or conversion
 * load. 0 (started, already running, disabled, or no library list
 * installed), or -1 with GL_ENOMEM, GL_EFILEERR (a list unreadable, a data
 * file missing, a library or entry point missing) or the service's own
 * error number in the context. A failed start leaves nothing loaded. */
int gl_init_glu(void *context);

/* Unloads the service's data and closes its libraries; 0, or -1 when a
 * library cannot be closed. */
int gl_unload_glu(void);

/* 1 while the service is running. */
int _gl_glu_enabled(void);

struct gl_locale;

/* The service locale serving a category of a locale record (category
 * numbers of gl_locale.h: 2 CTYPE .. 7 MESSAGES), or null when the service
 * does not serve it (always null while the service is disabled, for a null
 * record and for a category outside 2..7). */
void *glx_gluLoc(const struct gl_locale *locale, int category);

/* Pass-through calls; without a running service they return null, -1 or 0
 * (with GL_EINVAL in the context where there is one). */
void *glx_gluMap(void);
const char *glx_icuErrorName(int code);
int glx_getICULocName(const char *spec, char *out, int size);
int glx_getICUCvtName(const char *codeset, char *out, int size);
void *glx_lc_open(void *context, const char *spec, int category);
int glx_lc_close(void *context, void *service_locale);
int glx_ucs32tombs(void *context, void *service_locale, char *out, int out_size, const uint32_t *in, int in_length);
int glx_ucs32toucs(void *context, uint16_t *out, int out_size, const uint32_t *in, int in_length);

#ifdef __cplusplus
}
#endif

#endif
