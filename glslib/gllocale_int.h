// Internal interface between the locale file reader (gllcload.cpp) and the
// locale record operations (gllocale.cpp). Not installed.
#pragma once

#include <cstdio>

#include "gl_locale.h"

namespace gls::lc {

// Slot of a loading-interface category number (2..7) in the record.
constexpr int slot_of(int category) { return category - GL_LC_CTYPE; }

extern const char *const kMarkers[GL_LC_CATEGORIES];     // "### LC_CTYPE", ...
extern const char *const kCategoryNames[GL_LC_CATEGORIES]; // "GL_CTYPE", ...

// Header: the three fixed lines, the extra header lines, the code-set name.
// 0 or an error number (11, 51).
int read_header(FILE *f, char codeset[21]);

// Skips lines up to the marker line of a slot. 0 or 11.
int find_marker(FILE *f, int slot);

// Reads the section of a slot into the record (after the marker). 0 or an
// error number; on failure the category's tables are freed.
int read_section(gl_locale *loc, FILE *f, int slot);

// Derived data of NUMERIC, MONETARY, TIME and MESSAGES (wide copies, the
// localeconv record, the era cache). 0 or an error number (57 without CTYPE).
int init_section(gl_locale *loc, int slot);

// Frees a category's tables and makes it empty (names included).
void free_category(gl_locale *loc, int slot);

// Derived data owned by every record itself.
void free_private(gl_locale *loc);
int build_lconv(gl_locale *loc);
int build_era_cache(gl_locale *loc);
void free_era_cache(gl_locale *loc);

// Class-trie decoding of a multibyte string into a new wide string.
uint32_t *to_wide(gl_locale *loc, const char *mb, int *error);

} // namespace gls::lc
