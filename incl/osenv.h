/* The settings registry of the OS layer.
 *
 * Every setting of the runtime is an environment variable. A lookup merges,
 * highest precedence first: the process environment, the values the client
 * locale environment fixed, the per-user file .tarnwell (in the home
 * directory of the password database), the system file etc/tarnwell.rc below
 * TARNWELLDIR, and the built-in defaults of the known-variable table. The
 * registry is loaded by the first registry lookup and lives until
 * gFreeEVars. Texts returned by the lookups belong to the registry or to the
 * process environment: callers never free them. The registry is process-wide
 * and unlocked; load it before threads share the runtime. */
#ifndef TRW_OSENV_H
#define TRW_OSENV_H

#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One row of the known-variable table: name, default value (or NULL) and
 * maximum length (0 = no limit). */
typedef struct os_envdef {
    const char *name;
    const char *defval;
    int maxlen;
} os_envdef;

/* One live registry record. name is the table's text (or the caller's, for
 * user-defined variables); value is owned by the registry (NULL = none).
 * index is the table row, -1 for user-defined variables. */
typedef struct os_envvar {
    const char *name;
    char *value;
    int index;
    int maxlen;
} os_envvar;

/* A user-defined variable for gsetudenv: name and default value (or NULL).
 * An array of them ends with a record whose name is NULL. */
typedef struct os_udenv {
    const char *name;
    const char *defval;
} os_udenv;

/* The database language settings kept for the OS layer's own locale. */
typedef struct os_dbvars {
    char lc_ctype[65];   /* character-class locale name, at most 64 characters */
    char lc_collate[65]; /* collation locale name, at most 64 characters */
    char dbnls[5];       /* DBNLS value, at most 4 characters */
} os_dbvars;

/* A name/value list of settings sent to a server when a session or a
 * connection opens. names point to constant texts; values are owned. */
typedef struct os_evlist {
    int count;
    const char **names;
    char **values;
} os_evlist;

/* The known-variable table: Num_DVals (341) rows, then a row whose name is
 * NULL. A variable's index is its row. */
extern const os_envdef Inf_DVals[];
extern const int Num_DVals;

/* The live registry (read only for callers): Num_EVars records, NULL and 0
 * while the registry is not loaded. */
extern os_envvar *Inf_EVars;
extern int Num_EVars;

/* The database language settings (OS_setlang, OS_resetlang). */
extern os_dbvars Inf_DBVars;

/* Set by every lookup: 0, or one of the codes below. */
extern int gerrno;
#define OSENV_ENOMEM (-2)   /* out of memory */
#define OSENV_ETOOLONG (-4) /* value longer than the variable's maximum */
#define OSENV_EUNKNOWN (-5) /* the registry does not know the name */
#define OSENV_ENONAME (-7)  /* no name given */

/* Indexes of the variables the runtime looks up directly. */
enum os_envindex {
    OSENV_BLANK_STRINGS_NOT_NULL = 46,
    OSENV_CLIENT_LOCALE = 47,
    OSENV_DBCENTURY = 52,
    OSENV_DBDATE = 55,
    OSENV_DBLANG = 57,
    OSENV_DBMONEY = 59,
    OSENV_DBNLS = 60,
    OSENV_DBPATH = 61,
    OSENV_DBTIME = 65,
    OSENV_DBTODAY = 66,
    OSENV_DB_LOCALE = 68,
    OSENV_DHL_RDEFMTDATE = 73,
    OSENV_ENVIGNORE = 122,
    OSENV_GLS8BITFSYS = 126,
    OSENV_GL_DATE = 130,
    OSENV_GL_DATETIME = 131,
    OSENV_LANG = 136,
    OSENV_LC_COLLATE = 137,
    OSENV_LC_CTYPE = 138,
    OSENV_LC_MONETARY = 139,
    OSENV_LC_NUMERIC = 140,
    OSENV_LC_TIME = 141,
    OSENV_SERVER_LOCALE = 250,
    OSENV_SQLIDEBUG = 258,
    OSENV_TARNWELLDIR = 309,
    OSENV_TARNWELLSERVER = 311,
    OSENV_TRW_FREE_FD = 324,
    OSENV_TRW_NOZEROMDY = 330,
    OSENV_TRW_USE_PREC_16 = 334,
    OSENV_USE_DTENV = 337
};

/* Full lookup. The process environment wins (also with an empty value), but
 * a value longer than the variable's maximum gives NULL with gerrno -4; then
 * the client locale's fixed value; then the registry (idx_ggetenv2). index
 * is the variable's table row or -1. Result NULL with gerrno 0 (no value),
 * -2 (registry could not be loaded), -4, -5 (unknown name) or -7 (NULL
 * name). ggetenv and getsesenv are idx_ggetenv(name, -1). */
char *ggetenv(const char *name);
char *getsesenv(const char *name);
char *idx_ggetenv(const char *name, int index);

/* Registry lookup without the locale's fixed values. A process-environment
 * value holding bytes above 0x7F is passed through the client locale's
 * converter when it has one (the converted text stays valid until the value
 * changes or gFreeEVars). Result and gerrno as idx_ggetenv. */
char *ggetenv2(const char *name);
char *idx_ggetenv2(const char *name, int index);

/* The value the client locale environment fixed for CLIENT_LOCALE, DB_LOCALE,
 * DBNLS, DBLANG, LC_CTYPE, LC_COLLATE, LC_NUMERIC, LC_MONETARY, DBMONEY,
 * LC_TIME, DBTIME, DBDATE, GL_DATE or GL_DATETIME (any case); NULL for other
 * names or when none was fixed. */
char *ggetglsenv(const char *name);

/* Process-environment value, else ggetglsenv(name), else NULL. */
char *ggetenv_oledb(const char *name);

/* Loads the registry once. 0; -2 out of memory (nothing is loaded, the next
 * lookup tries again); -4 a configuration file held a value longer than its
 * variable's maximum (a warning names the file and line; what the file set
 * before that line stays, and the registry is loaded). 0 when loaded. */
int greadenv(void);

/* Hands over user-defined variables for the next registry load; the array
 * must stay valid while the registry lives. They have no length limit. */
void gsetudenv(const os_udenv *vars);

/* Sets a registry value (NULL removes it), loading the registry first when
 * needed. 0; -2 out of memory (the old value stays) or the registry could
 * not be loaded; -4 longer than the maximum (nothing changes); -5 unknown
 * name; -7 NULL name. */
int ginsenv(const char *name, const char *value);

/* Sets name=value (name= for a NULL or empty value) in the process
 * environment. 0; -2 out of memory or refused by the environment; -7 NULL
 * or empty name. */
int gputenv(const char *name, const char *value);
int gfeputenv(const char *name, const char *value);

/* Built-in default of a known or user-defined variable: 0 and *defval (NULL
 * when it has none), or -1 for an unknown or NULL name. */
int gdefenv(const char *name, const char **defval);

/* Maximum length of a variable (0 = no limit), or -1 for an unknown or NULL
 * name. */
int ggetmaxlenbyname(const char *name);

/* Frees the registry; the next lookup loads it again. */
void gFreeEVars(void);

/* Database language settings. OS_setlang: LC_COLLATE switches the
 * operating system's collation and stores the name (-7204 when the locale is
 * refused, nothing stored); LC_CTYPE stores the name and reloads the OS
 * character tables (-406 tables not loaded, -7206 locale refused); DBNLS
 * stores the value; other names do nothing. 0 on success. A NULL value counts
 * as empty; over-long values are cut to the field. */
int OS_setlang(const char *name, const char *value);

/* Refreshes DBNLS (or "0"), LC_CTYPE and LC_COLLATE from the lookups (an
 * unset variable stores the empty text). With a nonzero flag, a changed
 * non-empty LC_CTYPE or LC_COLLATE is applied as by OS_setlang. 0 or the
 * first error of OS_setlang. */
int OS_resetlang(int flag);

/* The stored text for LC_COLLATE, LC_CTYPE or DBNLS, else NULL. */
char *OS_getlangvar(const char *name);

/* 1 when a character-class locale name is stored, else 0. */
int OS_IsDbEnvSet(void);

/* The settings list of a new session (64 names) or connection (DBPATH with
 * the given path, 24 names, and the locale names the client locale calls
 * for). Values are copies, converted for the database when the client locale
 * has a converter. 0; -1 out of memory, failed conversion or NULL argument
 * (the list is left empty). Free with _osfreevlist. */
int _oscsevlist(os_evlist *list);
int _oscpevlist(os_evlist *list, const char *dbpath);
void _osfreevlist(os_evlist *list);

/* Puts DBNLS=0, DBMONEY=$., DBDATE=MDY4/ and DBPATH=. into the process
 * environment. */
void _os_clr_env(void);

/* Writes the warning about a too-long value: "WARNING: ", the variable's
 * name and maximum (a maximum below 1 is taken from the table, -1 for an
 * unknown name), and with a file name the file, line and status. A NULL
 * stream is standard error. */
void trw_log_envvar_error_fp(FILE *stream, const char *name, int index, int maxlen,
                             const char *file, int line, int status);
void trw_log_envvar_error_mt_log(const char *name, int index, int maxlen, const char *file,
                                 int line, int status);

/* Formats one line (a newline is added) to the stream, standard error when
 * NULL, and flushes it. A NULL or empty format writes nothing. */
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void trw_log_error(FILE *stream, const char *format, ...);

#ifdef __cplusplus
}
#endif

#endif
