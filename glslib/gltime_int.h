// Internal interface of the locale library's date and time modules: the
// calendar arithmetic (glcal.cpp), the era rules and the shared pieces of
// the formatter and the parser (gltmera.cpp). Not installed.
#pragma once

#include <cstdint>

#include "gl_time.h"

namespace gls::tm {

// ---- proleptic Gregorian arithmetic (glcal.cpp) ----
bool leap_year(int64_t year);
int month_length(int64_t year, int month);          // month 0..11
int64_t serial_of(int64_t year, int month, int day); // days since 0000-03-01
void civil_of(int64_t serial, int64_t *year, int *month, int *day);
int weekday_of_serial(int64_t serial);
int yearday(int64_t year, int month, int day);
bool valid_gregorian(int64_t year, int64_t month, int64_t day);

// ---- eras (gltmera.cpp) ----

// One era with the dates in astronomical years (a definition's year -n is
// 1 - n) and its interval ordered: lo..hi are serials, hi unbounded for an
// open end. backward: the era runs back in time from its start.
struct Era {
    int64_t start, lo, hi;
    int64_t start_year;
    int start_md; // month * 100 + day of the start
    int direction, offset;
    bool backward;
};

// The era i of the locale's cache, resolved.
Era era_at(gl_locale *loc, int i);
// The first era holding a Gregorian date; -1 when none.
int era_of_date(gl_locale *loc, int64_t year, int month, int day);
// The year within the era of a date it holds.
int64_t era_year(const Era &e, int64_t year, int month, int day);
// The Gregorian year of era year ey on month/day (inverse of era_year).
int64_t year_of_era(const Era &e, int64_t ey, int month, int day);
bool era_holds(const Era &e, int64_t year, int month, int day);

// ---- wide text helpers ----
int wide_len(const gl_wchar_t *s);
constexpr bool is_blank(gl_wchar_t c) { return c == ' ' || c == '\t'; }
constexpr bool is_space(gl_wchar_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr bool is_digit(gl_wchar_t c) { return c >= '0' && c <= '9'; }

// The calendar of a locale's TIME category (Gregorian without one).
int calendar(gl_locale *loc);

// The deepest nesting of locale formats.
constexpr int kMaxDepth = 8;

} // namespace gls::tm

namespace gls::tm {

// One conversion of the format language: "%", flags, width, precision,
// modifier ('E', 'O', or 'i' before Y, y and F), letter, and the digit of
// %Fn (-1 without).
struct Conv {
    bool left = false, zero = false;
    int width = 0;
    int prec = -1;
    gl_wchar_t mod = 0;
    gl_wchar_t letter = 0;
    int fdigit = -1;
};

// Reads a conversion after its "%"; advances p. 0 or GL_ETMFORMAT.
int parse_conversion(const gl_wchar_t *&p, Conv &c);

// The locale's format of %x %X %c %r (letter x, X, c, r), or of its era
// form (when era and the locale has a non-empty one).
const gl_wchar_t *locale_format(const gl_lc_time *t, gl_wchar_t letter, bool era);

// Whether every character of the locale is one byte, its own wide value.
bool byte_per_char(const gl_locale *loc);

// The wide text w as multibyte text with its terminator into out of size
// bytes; *written gets the bytes without the terminator. 0, 14 or 1.
int narrow(gl_locale *loc, const gl_wchar_t *w, char *out, int size, int *written);

// A wide copy of a multibyte text, on the stack when short.
class WideText {
public:
    WideText() = default;
    WideText(const WideText &) = delete;
    WideText &operator=(const WideText &) = delete;
    ~WideText();
    // Decodes s up to its terminator; with lenient, also up to the first
    // invalid character. 0 or an error number (1, 3).
    int assign(gl_locale *loc, const char *s, bool lenient);
    const gl_wchar_t *data() const { return data_; }
    int length() const { return len_; }

private:
    int reserve(int cap);
    gl_wchar_t small_[128];
    gl_wchar_t *data_ = small_;
    int len_ = 0;
    int cap_ = 128;
};

} // namespace gls::tm
