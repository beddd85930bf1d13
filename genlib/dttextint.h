// Internal: what the DATETIME and INTERVAL text sources share (dttext.cpp:
// the standard text; dtfmt.cpp: formats, the DBTIME rewriting, the process
// formats and the display-format table of the locale environment).
#pragma once

#include "datetime.h"
#include "glsenv.h"

namespace trw::dt {

inline constexpr int kFirstTooLong = -1261;
inline constexpr int kBadDelimiter = -1262;
inline constexpr int kLeftOver = -1264;
inline constexpr int kNoPoint = -1271;
inline constexpr int kEmptyText = -1272;
inline constexpr int kTooSmall = -1273;
inline constexpr int kBadWidth = -1275;
inline constexpr int kBadConversion = -1276;
inline constexpr int kNoMatch = -1277;
inline constexpr int kNoMemory = -1211;
inline constexpr int kNoEquivalent = -5853;
inline constexpr int kUnknownToken = -5854;
inline constexpr int kForeignTooSmall = -5855;

// Bytes the standard text of any qualifier needs, terminator included (an
// INTERVAL DAY(9) TO FRACTION(5) has 25 characters).
inline constexpr int kStandardTextMax = 26;
// Bytes of the text dttoasc writes by the process format when GL_DATETIME
// is set, terminator included.
inline constexpr int kGlDatetimeSize = 80;

// The standard parse of text into dec in qualifier, DATETIME or INTERVAL.
// Every failure leaves dec NULL, except a DATETIME parse by the USE_DTENV
// format, which leaves dec as it was. 0 or a status.
int rstrdinv(const char *text, decvalue *dec, int qualifier, bool datetime);

// The standard text of a value (no GL_DATETIME); out has kStandardTextMax
// bytes. 0, -1263 (not a valid value; out ""), -1268.
int standard_text(const decvalue *dec, int qualifier, bool datetime, char *out);

// Parses text by the cached format of qualifier (USE_DTENV): 0 or a status,
// dec untouched on failure.
int parse_by_dtenv(const char *text, decvalue *dec, int qualifier);

// Formats by the process format into out[0..size): 0 or a status.
int format_by_process(const decvalue *dec, int qualifier, char *out, int size);

// True when GL_DATETIME is set (not empty) in the current locale
// environment.
bool gl_datetime_set();

// The display-format table of env: every (start, end) pair filled with the
// process format limited to it when DBTIME or GL_DATETIME is in use, else
// emptied. 0 or -1211 (the table is empty then).
int cache_dtimequals(GlsEnv *env);

// Frees the entries of env's display-format table.
void free_dtimequals(GlsEnv *env);

} // namespace trw::dt
