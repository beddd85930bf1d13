/* Dates and times of the locale library: the Gregorian, Hebrew and Islamic
 * calendars, the time formatter and parser of the %-format language, the
 * century of two-digit years, and the locale's time-information lists.
 *
 * Records. gl_tm is the broken-down time the date and time routines pass
 * around; gl_caltm is the same record with a second month field, the month
 * name index, right after the month number. The calendar conversions take and
 * give gl_caltm; in the Gregorian and Islamic calendars both month fields
 * are equal. A local date keeps its year the Gregorian way (year - 1900), so
 * a Hebrew year 5784 is held as 3884.
 *
 * Hebrew months: number = 0-based position of the month in its year; name
 * index = entry of the locale's month-name list: 0 Tishri .. 5 Adar, 6 Nisan
 * .. 11 Elul, 12 Adar I, 13 Adar II. In a leap year the numbers run 0 to 12:
 * Tishri to Shevat 0 to 4, Adar I 5 (name 12), Adar II 6 (name 13), Nisan to
 * Elul 7 to 12 (names 6 to 11).
 *
 * Failures store an error number of gl_errno.h (and those listed below) in
 * the locale's error number and return 0, -1 or null as each function says.
 *
 * Formatting (gl_wcsftime, gl_mbsftime): "%", flags "-" (left-justify) and
 * "0" (zero padding of numbers), a minimum width in display columns, "."
 * and a precision (minimum digits of a number; maximum display width of a
 * name, which is cut to fit), an optional "E" (era) or "O" (alternative
 * digits) modifier, ignored when the locale has no eras or no alternative
 * digits, then the conversion letter. Numbers written with "O" count in the
 * base of the number of alternative digits and are not zero-padded.
 * Default precisions: %d %H %I %m %M %S %y %C %g %Ey %D %R %T 2, %j 3,
 * %Y %iY 4, %u %w 1, %F 6 (%F1 .. %F5 choose 1 to 5, truncating), %iF 2.
 * A date of a non-Gregorian locale is converted to the locale's calendar
 * first; a Gregorian date with its month or day out of range gives 30 or 27,
 * a year outside the calendar's range 31, and a locale whose calendar has no
 * conversion ("arabic") 9. Eras are chosen on the Gregorian date. A locale
 * format that refers to itself (more than 8 levels of %x, %c, %EY, ...)
 * fails with 22.
 *
 * Parsing (gl_wcsptime, gl_mbsptime): the same language; blanks of the
 * format match any run of blanks of the text; blanks of the text are skipped
 * before ordinary characters, numbers and names. Digits read by default: 2,
 * %Y 4, %j 3, %Ey 4, %u %w 1, %F any; a precision sets the most. Names are
 * matched without regard to case against the full and the abbreviated list
 * together, the longest match winning; a name's leading blanks are optional.
 * Fields not read keep the caller's values. On failure the record is not
 * touched. */
#ifndef TRW_GL_TIME_H
#define TRW_GL_TIME_H

#include <stdint.h>

#include "gl_char.h"
#include "gl_locale.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Broken-down time. 56 bytes (4 of them padding at the end). */
typedef struct gl_tm {
    int64_t tm_fraction; /* microseconds 0..999999 */
    int32_t tm_sec;      /* 0..59 */
    int32_t tm_min;      /* 0..59 */
    int32_t tm_hour;     /* 0..23 */
    int32_t tm_mday;     /* 1..31 */
    int32_t tm_mon;      /* 0..11 */
    int32_t tm_year;     /* year - 1900 */
    int32_t tm_wday;     /* 0 = Sunday */
    int32_t tm_yday;     /* 0..365 */
    int32_t tm_isdst;    /* daylight flag */
    int32_t tm_glword1;  /* locale-library words, cleared by callers */
    int32_t tm_glword2;
} gl_tm;

/* Calendar record: gl_tm with the month name index after the month. 56
 * bytes. */
typedef struct gl_caltm {
    int64_t tm_fraction;
    int32_t tm_sec;
    int32_t tm_min;
    int32_t tm_hour;
    int32_t tm_mday;
    int32_t tm_mon;      /* month number */
    int32_t tm_monname;  /* month name index */
    int32_t tm_year;
    int32_t tm_wday;
    int32_t tm_yday;
    int32_t tm_isdst;
    int32_t tm_glword1;
    int32_t tm_glword2;
} gl_caltm;

/* Error numbers of the time routines (beside those of gl_errno.h). */
#define GL_ETMNULLFMT  15 /* null format */
#define GL_ETMFORMAT   22 /* bad conversion, or locale formats nested too deep */
#define GL_ETMFRAC     23
#define GL_ETMSEC      24
#define GL_ETMMIN      25
#define GL_ETMHOUR     26
#define GL_ETMDAY      27
#define GL_ETMWDAY     28
#define GL_ETMYDAY     29
#define GL_ETMMON      30
#define GL_ETMYEAR     31
#define GL_ETMNOFRAC   33 /* missing digits of a fraction, second, ... */
#define GL_ETMNOSEC    34
#define GL_ETMNOMIN    35
#define GL_ETMNOHOUR   36
#define GL_ETMNODAY    37
#define GL_ETMBADWDAY  38 /* weekday missing, unknown or not the date's */
#define GL_ETMNOMON    40
#define GL_ETMNOYEAR   41
#define GL_ETMNOERA    42
#define GL_ETMNOMATCH  46
#define GL_ETMNOMONNAME 48

/* ---- calendars ---- */

/* By the locale's calendar: Gregorian copies the record, Hebrew and Islamic
 * convert, "arabic" and unknown calendars fail. 0; -1 with out zeroed. */
int gl_cal_gregorian_to_local(gl_locale *loc, const gl_caltm *in, gl_caltm *out);
int gl_cal_local_to_gregorian(gl_locale *loc, const gl_caltm *in, gl_caltm *out);

/* Accepted: Gregorian 0001-01-01 to 10000-02-23 to Hebrew; Hebrew 18 Tevet
 * 3761 to the end of 14213 to Gregorian; Gregorian 0622-07-18 to
 * 10323-10-20 to Islamic; Islamic years 1 to 9999 to Gregorian. A month
 * number of -1 is taken from the name index. Time-of-day fields, the
 * daylight flag and the locale-library words pass through; weekday and day
 * of year are computed. Gregorian months and days out of range fail. 0; -1
 * with out zeroed. in and out may be the same record. */
int gl_cal_gregorian_to_hebrew(const gl_caltm *in, gl_caltm *out);
int gl_cal_hebrew_to_gregorian(const gl_caltm *in, gl_caltm *out);
int gl_cal_gregorian_to_islamic(const gl_caltm *in, gl_caltm *out);
int gl_cal_islamic_to_gregorian(const gl_caltm *in, gl_caltm *out);

/* Weekday (0 = Sunday) and 0-based day of year of day, 0-based month and
 * full year of the proleptic Gregorian calendar. */
int _gl_gregorian_weekday(int day, int month, int year);
int _gl_gregorian_yearday(int day, int month, int year);

/* Fixed century of two-digit years of the locale's calendar: 57 Hebrew, 14
 * Islamic, 0 otherwise (only the locale is looked at). */
int gl_alt_getcentury(gl_locale *loc, int month, int day, int year, int rule);

/* ---- formatter and parser ---- */

/* Formats rec by format into out. Wide form: size in wide characters with
 * the terminator, result the characters written without it. Multibyte form:
 * size in bytes with the terminator (gl_mb_loc_min bytes), result the bytes
 * written without it. 0 on failure: 14 no room, 15 null format, 22 bad
 * conversion, 23 to 31 a field out of range, 9 no era holds the date or the
 * calendar cannot carry it, 3 memory, 1 a character the locale lacks. */
int gl_wcsftime(gl_locale *loc, gl_wchar_t *out, int size, const gl_wchar_t *format, const gl_tm *rec);
int gl_mbsftime(gl_locale *loc, char *out, int size, const char *format, const gl_tm *rec);

/* Reads text by format into rec; century is the rule for two-digit years
 * ('R', 'C', 'F', 'P'). Returns the position after the consumed text; null
 * with the error number set (15 null argument, 22, 24 to 31, 33 to 48, 9, 3)
 * and rec untouched. */
gl_wchar_t *gl_wcsptime(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t *format, gl_tm *rec,
                        int century);
char *gl_mbsptime(gl_locale *loc, const char *text, const char *format, gl_tm *rec, int century);

/* ---- the rest ---- */

/* Century of a two-digit year by rule 'R' (today's), 'C' (closest), 'F'
 * (future) or 'P' (past); month 1..12 and day 1..31 as the DATE triple has
 * them, each 0 meaning today's; a year above 99 gives year / 100. A
 * non-Gregorian locale has its fixed century (gl_alt_getcentury). -1 with
 * 30 (month), 27 (day), 31 (year outside 0..9999), 9 (no clock). */
int gl_getcentury(gl_locale *loc, int month, int day, int year, int rule);

/* Fixes today (month 1..12, full year) for gl_getcentury; gl_reset_time
 * goes back to the clock (_gl_ext_currdate). Process-wide. */
void gl_set_current_time(int day, int month, int year);
void gl_reset_time(void);

/* Items: 1 full weekday names (7), 2 abbreviated weekday names (7), 3 full
 * month names, 4 abbreviated month names, 5 full era names, 6 abbreviated
 * era names, 7 alternative digits, 8 the am and pm strings (2, possibly
 * empty). *list and each string in it are from malloc, for the caller to
 * free. 0; -1 for an unknown item (9), an empty list (9) or memory (3). */
int gl_mbstimeinfo(gl_locale *loc, int item, char ***list, int *count);

/* The locale's stored format of item 0 (%c), 61 (%x), 62 (%X), 63 (%r), 67
 * (%Ex), 68 (%Ec), 69 (%EX); "" for any other item or without TIME. The text
 * belongs to the locale. */
const char *gl_get_ltime_fmts(gl_locale *loc, int item);

/* Number of eras; -1 for a null locale. */
int gl_get_era_count(gl_locale *loc);

#ifdef __cplusplus
}
#endif

#endif
