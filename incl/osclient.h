/* The OS layer's single view upward into the client locale environment.
 *
 * The OS layer sits below the data-type library, yet a few of its answers
 * depend on the client locale (how long a blank-padded range is in a
 * multibyte code set, for one). The client locale initialisation installs a
 * hook set here once it has loaded a locale; until then, or with NULL hooks
 * (or NULL members), the OS layer behaves as if no client locale were loaded:
 * nothing fixed, no converter, not initialised. */
#ifndef TRW_OSCLIENT_H
#define TRW_OSCLIENT_H

#ifdef __cplusplus
extern "C" {
#endif

struct gl_locale;

typedef struct os_client_locale_hooks {
    /* Trailing-blank length of a range under the client locale, or NULL to
     * strip 0x20 bytes only. Must not return more than n. */
    int (*byleng)(const char *range, int n);

    /* The text the locale environment fixed for a locale setting, or NULL
     * when none was fixed. name is one of CLIENT_LOCALE, DB_LOCALE, DBNLS,
     * DBLANG, LC_CTYPE, LC_COLLATE, LC_NUMERIC, LC_MONETARY, DBMONEY, LC_TIME,
     * DBTIME, DBDATE, GL_DATE, GL_DATETIME (upper case). The text belongs to
     * the locale environment and stays valid while it is current. */
    const char *(*fixed_value)(const char *name);

    /* Converts a process-environment value that holds bytes above 0x7F into
     * a new malloc'd text, which the caller frees; NULL when the environment
     * has no converter for such values or the conversion gave nothing. */
    char *(*convert_env_value)(const char *value);

    /* Converts text bound for the database server. 1: *out is a new malloc'd
     * text the caller frees; 0: no conversion is needed (*out untouched);
     * -1: the conversion failed. */
    int (*convert_db_text)(const char *text, char **out);

    /* 1 when the client locale layer was initialised in client mode, with
     * its old-style language mode (0, 1 or 2) in *nls_mode; else 0. */
    int (*client_mode_nls)(int *nls_mode);

    /* The client locale record (a gl_locale of gl_locale.h), or NULL while
     * none is loaded. */
    struct gl_locale *(*client_locale)(void);
} os_client_locale_hooks;

/* Installs the hook set (NULL removes it). The set must outlive its use. */
void os_set_client_locale_hooks(const os_client_locale_hooks *hooks);

/* The installed hook set, or NULL while no client locale is loaded. */
const os_client_locale_hooks *os_client_locale(void);

/* The client locale initialisation that creating the OS control block runs
 * (CheckOsInit, osinit.h): 0 on success, anything else a failure. The
 * data-type library registers it while the program starts, whenever it is
 * linked in; without one the OS layer has no client locale to initialise.
 * NULL removes it. It may call back into the OS layer (the registry, the
 * control block), which finds the block already made. */
typedef int (*os_client_locale_init_fn)(void);
void os_set_client_locale_init(os_client_locale_init_fn init);
os_client_locale_init_fn os_client_locale_init(void);

#ifdef __cplusplus
}
#endif

#endif
