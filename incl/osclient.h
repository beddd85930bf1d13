/* The OS layer's single view upward into the client locale environment.
 *
 * The OS layer sits below the data-type library, yet a few of its answers
 * depend on the client locale (how long a blank-padded range is in a
 * multibyte code set, for one). The client locale initialisation installs a
 * hook set here once it has loaded a locale; until then, or with NULL hooks,
 * the OS layer behaves as if no client locale were loaded. */
#ifndef TRW_OSCLIENT_H
#define TRW_OSCLIENT_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct os_client_locale_hooks {
    /* Trailing-blank length of a range under the client locale, or NULL to
     * strip 0x20 bytes only. Must not return more than n. */
    int (*byleng)(const char *range, int n);
} os_client_locale_hooks;

/* Installs the hook set (NULL removes it). The set must outlive its use. */
void os_set_client_locale_hooks(const os_client_locale_hooks *hooks);

/* The installed hook set, or NULL while no client locale is loaded. */
const os_client_locale_hooks *os_client_locale(void);

#ifdef __cplusplus
}
#endif

#endif
