/* External function hooks of the locale library.
 *
 * The locale library never calls the platform's memory, stream, environment
 * or clock routines itself: it calls the _gl_ext_* dispatchers below, which
 * call the routine a host installed in the matching slot with gl_setextfunc,
 * or the gl_ext_* default (the platform routine of the same name) while the
 * slot is empty. A host with its own allocator, files or environment installs
 * its set once, before it uses the library; installing a null routine puts
 * the default back.
 *
 * Contexts: every locale-library operation takes a context first (a locale
 * record, a conversion descriptor, or any record whose first field is an int
 * error number). _gl_ext_errno(context) designates the int that receives the
 * operation's error number (gl_errno.h); by default that is the context's
 * first field, and for a null context one process-wide int. */
#ifndef TRW_GL_EXT_H
#define TRW_GL_EXT_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Hook slots. */
#define GL_EXT_GETENV    0
#define GL_EXT_ERRNO     1
#define GL_EXT_FCLOSE    2
#define GL_EXT_FEOF      3
#define GL_EXT_FERROR    4
#define GL_EXT_FGETC     5
#define GL_EXT_FGETS     6
#define GL_EXT_FOPEN     7
#define GL_EXT_FREE      8
#define GL_EXT_FSEEK     9
#define GL_EXT_FTELL    10
#define GL_EXT_FWRITE   11
#define GL_EXT_GETC     12
#define GL_EXT_MALLOC   13
#define GL_EXT_UNGETC   14
#define GL_EXT_PUTENV   15
#define GL_EXT_CURRDATE 16
#define GL_EXT_CURRTIME 17
#define GL_EXT_CALLOC   18
#define GL_EXT_REALLOC  19
#define GL_EXT_SLOTS    20

/* Current date: month 1..12, day 1..31, four-digit year. */
typedef struct gl_ext_date {
    int16_t month;
    int16_t day;
    int16_t year;
} gl_ext_date;

/* Current time: the broken-down time record of the date and time routines.
 * fraction and the two trailing words are set to 0; the nine fields are
 * those of the platform's struct tm, in its order. 64 bytes. */
typedef struct gl_ext_time {
    int64_t fraction;
    int32_t tm_sec;
    int32_t tm_min;
    int32_t tm_hour;
    int32_t tm_mday;
    int32_t tm_mon;   /* 0..11 */
    int32_t tm_year;  /* years since 1900 */
    int32_t tm_wday;  /* 0 = Sunday */
    int32_t tm_yday;  /* 0..365 */
    int32_t tm_isdst;
    int64_t word1;
    int64_t word2;
} gl_ext_time;

/* A routine of any slot, as gl_setextfunc takes it. The routine must have
 * the type of its slot (the gl_ext_*_fn types below); cast it to this type
 * when installing. */
typedef void (*gl_ext_routine)(void);

typedef char *(*gl_ext_getenv_fn)(const char *name);
typedef int *(*gl_ext_errno_fn)(void *context);
typedef int (*gl_ext_stream_fn)(FILE *stream); /* fclose feof ferror fgetc getc */
typedef char *(*gl_ext_fgets_fn)(char *buffer, int size, FILE *stream);
typedef FILE *(*gl_ext_fopen_fn)(const char *path, const char *mode);
typedef void (*gl_ext_free_fn)(void *block);
typedef int (*gl_ext_fseek_fn)(FILE *stream, long offset, int whence);
typedef long (*gl_ext_ftell_fn)(FILE *stream);
typedef size_t (*gl_ext_fwrite_fn)(const void *data, size_t size, size_t count, FILE *stream);
typedef void *(*gl_ext_malloc_fn)(size_t size);
typedef int (*gl_ext_ungetc_fn)(int c, FILE *stream);
typedef int (*gl_ext_putenv_fn)(char *text);
typedef int (*gl_ext_currdate_fn)(gl_ext_date *out);
typedef int (*gl_ext_currtime_fn)(gl_ext_time *out);
typedef void *(*gl_ext_calloc_fn)(size_t count, size_t size);
typedef void *(*gl_ext_realloc_fn)(void *block, size_t size);

/* Installs routine in slot (0..GL_EXT_SLOTS-1); a null routine restores the
 * default. Returns 0, or -1 with GL_EBADARG (9) in context's error number
 * for a slot outside the table. */
int gl_setextfunc(void *context, int slot, gl_ext_routine routine);

/* Dispatchers: the installed hook of the role, else the default. Results and
 * failure values are those of the platform routine of the same name;
 * _gl_ext_currdate and _gl_ext_currtime return 0, or -1 when the clock
 * cannot be read. _gl_ext_errno never returns null. */
int *_gl_ext_errno(void *context);
char *_gl_ext_getenv(const char *name);
int _gl_ext_putenv(char *text);
void *_gl_ext_malloc(size_t size);
void *_gl_ext_calloc(size_t count, size_t size);
void *_gl_ext_realloc(void *block, size_t size);
void _gl_ext_free(void *block);
FILE *_gl_ext_fopen(const char *path, const char *mode);
int _gl_ext_fclose(FILE *stream);
int _gl_ext_fgetc(FILE *stream);
int _gl_ext_getc(FILE *stream);
int _gl_ext_ungetc(int c, FILE *stream);
char *_gl_ext_fgets(char *buffer, int size, FILE *stream);
size_t _gl_ext_fwrite(const void *data, size_t size, size_t count, FILE *stream);
int _gl_ext_feof(FILE *stream);
int _gl_ext_ferror(FILE *stream);
int _gl_ext_fseek(FILE *stream, long offset, int whence);
long _gl_ext_ftell(FILE *stream);
int _gl_ext_currdate(gl_ext_date *out);
int _gl_ext_currtime(gl_ext_time *out);

/* Defaults: the platform routines. gl_ext_errno returns the context itself
 * (its first field), or one process-wide int for a null context. The date
 * and time come from localtime of the current time. */
int *gl_ext_errno(void *context);
char *gl_ext_getenv(const char *name);
int gl_ext_putenv(char *text);
void *gl_ext_malloc(size_t size);
void *gl_ext_calloc(size_t count, size_t size);
void *gl_ext_realloc(void *block, size_t size);
void gl_ext_free(void *block);
FILE *gl_ext_fopen(const char *path, const char *mode);
int gl_ext_fclose(FILE *stream);
int gl_ext_fgetc(FILE *stream);
int gl_ext_getc(FILE *stream);
int gl_ext_ungetc(int c, FILE *stream);
char *gl_ext_fgets(char *buffer, int size, FILE *stream);
size_t gl_ext_fwrite(const void *data, size_t size, size_t count, FILE *stream);
int gl_ext_feof(FILE *stream);
int gl_ext_ferror(FILE *stream);
int gl_ext_fseek(FILE *stream, long offset, int whence);
long gl_ext_ftell(FILE *stream);
int gl_ext_currdate(gl_ext_date *out);
int gl_ext_currtime(gl_ext_time *out);

/* The data-type library's hook set, which its locale environment installs
 * in every slot (glsenv.h, initgls). They behave as the defaults, except:
 * cl_ext_errno of a null context is a process-wide int of the data-type
 * library; cl_ext_getenv is the settings registry's lookup (ggetenv);
 * cl_ext_putenv splits "NAME=value" at the first '=' (the name cut to 80
 * characters) and sets it in the process environment (gputenv), returning 0,
 * or -1 for a text without '=' or when the setting fails; cl_ext_currdate
 * gives the current date of the DATETIME routines. */
int *cl_ext_errno(void *context);
char *cl_ext_getenv(const char *name);
int cl_ext_putenv(char *text);
void *cl_ext_malloc(size_t size);
void *cl_ext_calloc(size_t count, size_t size);
void *cl_ext_realloc(void *block, size_t size);
void cl_ext_free(void *block);
FILE *cl_ext_fopen(const char *path, const char *mode);
int cl_ext_fclose(FILE *stream);
int cl_ext_fgetc(FILE *stream);
int cl_ext_getc(FILE *stream);
int cl_ext_ungetc(int c, FILE *stream);
char *cl_ext_fgets(char *buffer, int size, FILE *stream);
size_t cl_ext_fwrite(const void *data, size_t size, size_t count, FILE *stream);
int cl_ext_feof(FILE *stream);
int cl_ext_ferror(FILE *stream);
int cl_ext_fseek(FILE *stream, long offset, int whence);
long cl_ext_ftell(FILE *stream);
int cl_ext_currdate(gl_ext_date *out);
int cl_ext_currtime(gl_ext_time *out);

#ifdef __cplusplus
}
#endif

#endif
