// Internal interface between the locale file reader (gllcload.cpp) and the
// locale record operations (gllocale.cpp). Not installed.
#pragma once

#include <cstdio>

#include "gl_locale.h"
#include "gltext.h"

namespace gls::lc {

using gls::Text;

// Slot of a loading-interface category number (2..7) in the record.
constexpr int slot_of(int category) { return category - GL_LC_CTYPE; }

extern const char *const kMarkers[GL_LC_CATEGORIES];     // "### LC_CTYPE", ...
extern const char *const kCategoryNames[GL_LC_CATEGORIES]; // "GL_CTYPE", ...

// A locale file's text, read through the stream hooks in pieces as the
// readers below walk it (open_feed, gltext.h).
// Header: the three fixed lines, the extra header lines, the code-set name.
// 0 or an error number (11, 51).
int read_header(Text &f, char codeset[21]);

// Skips lines up to the marker line of a slot. 0 or 11.
int find_marker(Text &f, int slot);

// Reads the section of a slot into the record (after the marker). 0 or an
// error number; on failure the category's tables are freed.
int read_section(gl_locale *loc, Text &f, int slot);

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

// The equivalence-class lists of an owned COLLATE category, built on first
// use (nothing to do when built, borrowed, or not wanted by the category).
// 0 or 3; on failure the lists stay null.
int equivalences(gl_locale *loc);

// Class-trie decoding of a multibyte string into a new wide string.
uint32_t *to_wide(gl_locale *loc, const char *mb, int *error);

} // namespace gls::lc
