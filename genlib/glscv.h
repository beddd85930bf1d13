// Internal: the code-set conversions of the client locale environment.
// Loading a conversion between two locale specifications, unloading it, and
// converting a terminated text into a new buffer.
#pragma once

#include "glsenv.h"

namespace glscv {

// Loads the conversion from the code set of source_spec to that of
// target_spec: 1 loaded (*out set), 0 none needed (*out null), -1 failed
// with *error the locale-library error number (3 memory, 7 no code-set
// number, 8 no conversion file).
int load(gl_cvdesc **out, const char *target_spec, const char *source_spec, int *error);

// Frees a descriptor loaded by load (null is ignored).
void unload(gl_cvdesc *cd);

// Converts a terminated text into a new malloc'd text. 1 converted, 0 no
// conversion needed (cd null; *out untouched), -1 failed.
int convert_text(gl_cvdesc *cd, const char *text, char **out);

} // namespace glscv
