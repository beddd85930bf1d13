// Internal: what the modules of the client locale environment share (the
// record helpers of glsenv.cpp, the locale state of glsinit.cpp, the date
// format state of glsdate.cpp and the number format cache of numfmt.cpp).
#pragma once

#include "glsenv.h"

namespace glsenv {

// Replaces a setting of a state record with a copy of value (null clears
// it) and sets or clears its defaulted bit. False without memory (the old
// value is gone then).
bool set_setting(GlsState *state, int index, const char *value, bool defaulted);

// The setting's text, or null.
inline const char *setting(const GlsState *state, int index) { return state->setting[index]; }

// Frees a record's locales, conversions, date format and caches, leaving
// it uninitialised (glsinit.cpp).
void free_locale_state(GlsEnv *env);

// Frees the date format and the name caches of a state record (glsdate.cpp).
void free_date_state(GlsState *state);

// Hands the current record's locales and conversions to the client side of
// characters and conversion (glsclient.h).
void publish(const GlsEnv *env);

// Installs the OS layer's hooks into the client locale (once).
void install_os_hooks();

// Installs the data-type library's hook set (cl_ext_*) into the locale
// library (clext.cpp).
void install_client_hooks();

// Forgets the cached number format of the current record (numfmt.cpp);
// called whenever the current record or its locale changes.
void forget_numfmt();

// The process-wide error number of locale-library calls without a context.
int *null_context_errno();

} // namespace glsenv
