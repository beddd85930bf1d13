// Internal: the character questions the client locale environment, the
// number format and the DECIMAL text conversions ask of a loaded locale
// (character length, digit and blank classes, display width, lower case).
// Text is single-byte ASCII when no locale is given.
#pragma once

#include "gl_locale.h"

namespace glsc {

// Bytes of the character at s, reading at most limit bytes: above 0; 0 at
// the terminator; -1 for an invalid or cut character.
int char_length(gl_locale *loc, const char *s, int limit);

// Class mask (GL_CLASS_*) of the character at s; 0 for an invalid one.
// *length (may be null) receives char_length.
int char_class(gl_locale *loc, const char *s, int limit, int *length);

// Display columns of a valid character.
int char_width(gl_locale *loc, const char *s, int length);

// A lowered copy of a terminated text (malloc), or null without memory.
char *lowered_copy(gl_locale *loc, const char *text);

} // namespace glsc
