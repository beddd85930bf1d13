/* The client locale environment of the data-type library.
 *
 * An environment record (GlsEnv) holds the client locale, the database
 * locale, the code-set conversions between them, the date format taken from
 * DBDATE, GL_DATE or the locale, the client number format, and the fifteen
 * settings it was made from. The built-in default record gls_env is current
 * until another is made current; it is initialised lazily by chkglsinit,
 * which every locale-dependent operation of the data-type library calls
 * first. Settings are read through the settings registry (osenv.h); a record
 * made with CreateGlsEnv uses the settings it was made from instead.
 *
 * With nothing set, both locales are "en_US.8859-1", no conversion is
 * loaded, and the date format is "%m/%d/%iY". CLIENT_LOCALE and DB_LOCALE
 * name locales (ll_TT.codeset[@modifier]); with DBNLS "1" or "2" and no
 * CLIENT_LOCALE the categories come from LC_CTYPE, LC_COLLATE, LC_NUMERIC,
 * LC_MONETARY and LC_TIME. DBDATE ("MDY4/", "DMY2-", "Y4MD.", "GY2MD/", ...)
 * wins over GL_DATE (a date format of the locale's format language).
 *
 * Statuses (getiniterr maps locale-library errors to them):
 *   -23101 locale missing or invalid (the operating-system names were tried)
 *   -23102 no memory                 -23104 conversion could not be loaded
 *   -23109 DBNLS set but an LC_ setting missing
 *   -23110 locale-library failure    -23111 invalid mode
 *   -23115 categories in different code sets
 *   -34394 the client code set does not keep ASCII single-byte
 *   -406 no memory for a record      254 no memory for the DBNLS settings
 *   -1211, -1212, -1218 the date format (no memory, bad DBDATE, no output)
 * The records are process-wide and unlocked: one current record per
 * process, used from one thread at a time. */
#ifndef TRW_GLSENV_H
#define TRW_GLSENV_H

#include "gl_locale.h"
#include "numfmt.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct gl_cvdesc gl_cvdesc;

#define GLS_MODE_CLIENT 1 /* front end */
#define GLS_MODE_SERVER 2 /* back end */

#define GLS_CAT_SPEC_MAX 36 /* characters of a per-category specification */
#define GLS_NCATEGORIES 6   /* CTYPE, COLLATE, NUMERIC, MONETARY, TIME, MESSAGES */
#define GLS_DTFMT_FIELDS 11 /* DATETIME qualifier fields of the format table */
#define GLS_SAVE_AREA_SIZE 236
#define GLS_SPEC_LIMIT 285  /* longest locale specification accepted */

/* Statuses. */
#define GLS_ELOCALE (-23101)
#define GLS_ENOMEM (-23102)
#define GLS_ECONVLOAD (-23104)
#define GLS_ENOINIT (-23108)
#define GLS_ENLSVAR (-23109)
#define GLS_ELIBRARY (-23110)
#define GLS_EMODE (-23111)
#define GLS_ECODESET (-23115)
#define GLS_ENOTASCII (-34394)

/* The fifteen settings of a record, in this order; each has the defaulted
 * bit 1 << index (CLIENT_LOCALE 0x1 ... GL_DATETIME 0x4000). */
enum gls_setting {
    GLS_CLIENT_LOCALE,
    GLS_DB_LOCALE,
    GLS_DBNLS,
    GLS_DBLANG,
    GLS_LANG,
    GLS_LC_CTYPE,
    GLS_LC_COLLATE,
    GLS_LC_NUMERIC,
    GLS_LC_MONETARY,
    GLS_LC_TIME,
    GLS_DBTIME,
    GLS_DBMONEY,
    GLS_DBDATE,
    GLS_GL_DATE,
    GLS_GL_DATETIME,
    GLS_NSETTINGS
};

/* The names of the settings, by index. */
extern const char *const gls_setting_names[GLS_NSETTINGS];

/* A cache of lowered names: a list of blocks, each a count and the names. */
typedef struct gls_name_block {
    struct gls_name_block *next;
    int count;
    char **names;
} gls_name_block;

/* The state record of an environment. */
typedef struct GlsState {
    int mode;         /* GLS_MODE_CLIENT or GLS_MODE_SERVER */
    int init_mask;    /* the modes initialised (bit = mode) */
    int in_progress;  /* an initialisation is running */
    gl_locale *db_locale;     /* the client locale itself when the code sets agree */
    gl_locale *server_locale; /* front end: the client locale */
    gl_locale *saved_client_locale;
    gl_cvdesc *client_to_db;  /* NULL: no conversion needed */
    gl_cvdesc *db_to_client;
    gl_cvdesc *fname_cv;      /* back end: "en_US.819" to the server code set */
    gl_cvdesc *fchar_cv;      /* back end: the server code set to "en_US.819" */
    gl_cvdesc *saved_cv[4];
    char *gl_date;            /* the date format in use */
    int date_order[3];        /* 1 day, 2 month, 3 year */
    int date_era;             /* era or calendar indicator, 0..3 */
    int date_from_dbdate;     /* 1: DBDATE or the built-in default */
    int gregorian;            /* the TIME category's calendar is gregorian */
    int nls_mode;             /* DBNLS: 0, 1 or 2 */
    char cat_spec[GLS_NCATEGORIES][GLS_CAT_SPEC_MAX + 1];
    int cat_from_file[GLS_NCATEGORIES]; /* 1 locale file, 0 OS fallback */
    gls_name_block *abmon_names;
    gls_name_block *mon_names;
    gls_name_block *era_names;  /* full and abbreviated, lowered */
    char *setting[GLS_NSETTINGS]; /* owned copies or NULL */
    unsigned int defaulted;       /* bit 1 << setting: filled in by default */
    int own_settings;         /* 1: a created record, read its own settings */
    int error;                /* the last initialisation status */
    char *db_spec;            /* the database locale specification in use */
    gls_money_state money;    /* the client number format */
} GlsState;

typedef struct GlsEnv {
    gl_locale *locale; /* the client locale */
    GlsState *state;
    /* DATETIME display formats by (first field, last field) */
    char *dtfmt[GLS_DTFMT_FIELDS][GLS_DTFMT_FIELDS];
    void *save_area;   /* GLS_SAVE_AREA_SIZE bytes */
    struct GlsEnv *next;
} GlsEnv;

/* A request: the fifteen settings as texts (NULL = not given). The texts
 * are borrowed. */
typedef struct GlsEnvLocale {
    const char *setting[GLS_NSETTINGS];
} GlsEnvLocale;

/* The default record, the number of records (the default counts one) and
 * the list of created records. */
extern GlsEnv gls_env;
extern int glsenv_count;
extern GlsEnv *GlsEnv_List;

/* The current record (gls_env until another is made current). */
GlsEnv *CheckGlsEnv(void);
/* Makes env current (NULL: gls_env); returns the record that was current. */
GlsEnv *SetGlsEnv(GlsEnv *env);
GlsEnv *trw_get_glsenv_thread(void);
/* The current record's client locale, NULL while it is not loaded. */
gl_locale *trw_get_gl_locale_thread(void);

/* Initialises the current record for mode 1 (front end) or 2 (back end):
 * 0 (also when that mode is initialised already), or a status above. */
int initgls(int mode);
/* initgls with the record's mode unless it is initialised or an
 * initialisation is running: 0 or a status above. */
int chkglsinit(void);
/* initgls, then the client number format (rmoninit). */
int thr_initgls(int mode);
/* chkglsinit: 0, or -1 (also when no client locale exists) with the client
 * locale's library error adjusted (7 becomes 9, 11 becomes 8). */
int trw_gl_init(void);
/* Releases the current record's locales, conversions, caches and date
 * format, and the registry cache; the record is uninitialised again. */
void freegls(void);

/* A new record from a request (settings it lacks are taken from the
 * environment), initialised at once when initialise is non-zero, appended
 * to GlsEnv_List. 0 with *out set; -406 no memory; the initialisation's
 * status (the record is freed then). */
int CreateGlsEnv(const GlsEnvLocale *request, GlsEnv **out, int initialise);
/* Makes env current and initialises it with its mode and its number
 * format. 0, or a status with the previous record current again. */
int InitGlsEnv(GlsEnv *env);
/* A listed record whose settings match the request (CompareLocale): 0 with
 * *out set, -1 with *out NULL when none matches. */
int CheckExistingGlsEnv(const GlsEnvLocale *request, GlsEnv **out);
/* 0 when the request matches the record's settings (case ignored; a
 * setting the request leaves NULL matches one the record filled in by
 * default), else -1. A NULL request matches; a NULL record does not. */
int CompareLocale(const GlsEnv *env, const GlsEnvLocale *request);
/* Frees every created record and makes gls_env current and uninitialised. */
void FreeAllGlsEnv(void);
/* Fills a request from the current environment values. 0, -1 for NULL. */
int CreateGlsEnvLocale(GlsEnvLocale *request);

/* Settles the date format of env (NULL: current): 0, -1211, -1212. */
int getglsfmt(GlsEnv *env);
/* The date format of a DBDATE value (malloc'd into *out), the field order
 * (1 day, 2 month, 3 year) and the era indicator. 0; -1212 invalid DBDATE;
 * -1218 a NULL output argument; -1211 no memory. */
int dbdate_to_gl_date(const char *dbdate, char **out, int order[3], int *indicator);

/* Loads a locale specification into *out: 0, or -23101 (also for NULL or
 * a specification over 285 characters), -23102, -23110, -23115. When the
 * locale files are missing or unreadable, the operating-system names
 * ("os/" + specification) are tried once. from_file (may be NULL) gets,
 * per category, 1 when it came from a locale file, 0 from the fallback. */
int get_locale(const char *spec, gl_locale **out, int from_file[GLS_NCATEGORIES]);

/* The status for a locale-library error number (see above); other values
 * pass unchanged. */
int getiniterr(int error);

/* Reads GLS8BITFSYS: "1" allows 8-bit file names, "0" forbids them,
 * anything else leaves the flag. Returns the flag. */
int set8bitfsys(void);
/* 1 when 8-bit file names are allowed. */
int gls_8bit_file_names(void);

/* The locale specification of a code-set alias ("ascii", "sjis", ...), or
 * NULL. */
const char *getalsloc(const char *name);

#ifdef __cplusplus
}
#endif

#endif
