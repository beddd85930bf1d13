// Internal: the locale library's number and money format languages as the
// DECIMAL and MONEY front ends use them (one conversion per format, literal
// text around it), and the classification of a format's conversion.
#pragma once

#include "gl_locale.h"

namespace glsfmt {

enum class Kind {
    kNone,     // no conversion, or one that is neither floating nor integer
    kFloating, // E G e f g
    kInteger,  // X b d i o q u x
    kSeveral,  // more than one conversion
};

// The kind of a number format's conversion: the first "%" not doubled,
// flags " #'+-", a width, an optional precision, the conversion character.
Kind classify(const char *format);

// The number of conversions in a format ("%%" is text).
int conversions(const char *format);

// True when format holds exactly one floating conversion, optionally with
// "l" before the conversion character.
bool one_floating_conversion(const char *format);

// Formatting: bytes written (the terminator not counted, at most size - 1),
// or -1 with the locale's error number set (14 too small, 22 bad format).
int format_number(gl_locale *loc, char *out, int size, const char *format, double value);
int format_integer(gl_locale *loc, char *out, int size, const char *format, long value);
int format_money(gl_locale *loc, char *out, int size, const char *format, double value);

// Parsing: 1 when the value was read, or -1 with the locale's error number
// set (22 text does not match the format, 6 out of range, 46 no digits).
int parse_number(gl_locale *loc, const char *text, const char *format, double *value);
int parse_integer(gl_locale *loc, const char *text, const char *format, long *value);
int parse_money(gl_locale *loc, const char *text, const char *format, double *value);

} // namespace glsfmt
