// Internal: what the DATE sources share (rdate.cpp: day counts, today, the
// century rule, the %-format bridge to the locale library and its error
// mapping; rdatefmt.cpp: the process format and masks; rdatescan.cpp: the
// general scan), and the seams tests and fuzz targets use.
#pragma once

#include <cstdint>
#include <ctime>

#include "gl_locale.h"
#include "glsenv.h"
#include "rdate.h"

namespace trw::date {

inline constexpr int kYearError = -1204;
inline constexpr int kMonthError = -1205;
inline constexpr int kDayError = -1206;
inline constexpr int kRangeError = -1210;
inline constexpr int kNoMemory = -1211;
inline constexpr int kBadFormat = -1212;
inline constexpr int kNoMatch = -1218;
inline constexpr int kNoEra = -1236;
inline constexpr int kBadEraName = -1237;
inline constexpr int kFieldRange = -1263;
inline constexpr int kTooSmall = -1273;
inline constexpr int kBadConversion = -1276;
inline constexpr int kNoLocale = -23108;

// The client locale environment, initialised: 0 with *env set, or the
// status of its initialisation (kNoLocale when it gave none).
int locale_ready(GlsEnv **env);

// The SQL error for the locale library's error code after a failed parse
// or format.
int sql_error_of_locale_code(int code);

// The locale library's error code for a DATE status (trw_gl_convert_date).
int locale_code_of_sql_error(int status);

// The century rule in force (the process rule, or a per-call one while a
// call that takes one runs); swapped in and restored by CenturyScope.
int century_rule();
class CenturyScope {
  public:
    explicit CenturyScope(int percall);
    ~CenturyScope();
    CenturyScope(const CenturyScope &) = delete;
    CenturyScope &operator=(const CenturyScope &) = delete;

  private:
    int saved_;
};

// A broken-down time record of a valid DATE (time fields zero).
bool fill_tm(int32_t date, struct gl_tm *rec);

// Formats date by a %-format into out[0..size): 0 or a status.
int format_by(gl_locale *loc, int32_t date, const char *format, char *out, int size);

// Parses text by a %-format (white space around it allowed): 0 with *date
// set (NULL for an empty text), or a status with *date untouched.
int parse_by(gl_locale *loc, const char *format, const char *text, int32_t *date);

// The general scan: text read by three order codes (1 day, 2 month, 3
// year) with an era indicator. mask_mode: the rules of rdefmtdate.
// Success may leave *date untouched (empty text with DHL_RDEFMTDATE).
struct ScanRequest {
    int order[3];
    int era_indicator;
    bool mask_mode;
    bool skip_weekday; // mask mode: the mask writes weekday names
};
int general_scan(GlsEnv *env, const char *text, const ScanRequest &request, int32_t *date);

// The fields of a text by the general scan, as read (no century, no
// conversion); year_digits is the count of year digits. 0 or a status.
struct ScanFields {
    int month, day, year, year_digits;
};
int scan_fields_only(GlsEnv *env, const char *text, const ScanRequest &request, ScanFields *fields);

// A mask turned into a %-format (malloc'd), its recorded fields and era
// indicator. 0 or kNoMemory.
struct CompiledMask {
    char *format;
    int order[3];
    int recorded;
    int era_indicator;
    bool weekday_names;
};
int compile_mask(const GlsEnv *env, const char *mask, CompiledMask *out);

// The old-style mask of a DBDATE value into out (TRW_FMTSTR_SIZE bytes):
// 0 or kBadFormat. Used by fmtstr (getfmt) and its fuzz target.
int dbdate_to_mask(const char *dbdate, char *out);

// DBTODAY: true when it is in force (evaluated once, the state kept in the
// control block): DBTODAY parsed as DATETIME YEAR TO SECOND, its offset
// from the clock kept for the current time; unset or unparsable, invalid.
bool dbtoday_in_force();

// The DATE of the current time, which runs on from DBTODAY, when DBTODAY is
// in force (true), else false.
bool dbtoday_date(int32_t *date);

// Test seam: the clock rtoday reads (seconds since the epoch) and the local
// date of a time; null restores the system clock.
struct Clock {
    std::time_t (*now)();
    bool (*local_date)(std::time_t t, int *year, int *month, int *day);
};
void set_clock(const Clock *clock);

// Forgets the process century rule, so the next getdbcentury reads
// DBCENTURY again (fuzz targets and tests that vary it in one process).
void forget_century_rule();

} // namespace trw::date
