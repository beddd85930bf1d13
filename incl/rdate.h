/* DATE values: day counts and their month/day/year triples, the leap-year
 * and weekday rules, today, the century of two-digit years, and DATE text by
 * the process's date format (DBDATE, GL_DATE or the client locale) and by
 * date masks.
 *
 * Representation. A DATE is a signed 32-bit count of days in the proleptic
 * Gregorian calendar: 0 is 1899-12-31, 1 is 1900-01-01, negative values are
 * earlier days. Valid values run from -693594 (0001-01-01) to 2958464
 * (9999-12-31). The NULL DATE is INT32_MIN (-2147483648), outside the range.
 * An mdy triple is three int16_t in the order month (1..12), day (1..31),
 * year (1..9999, four-digit); all three zero stand for the NULL DATE.
 *
 * Date masks (rfmtdate, rdefmtdate) are texts with fields, letters matched
 * without regard to case, the longest form winning at each position:
 *   dd day, mm month number, mmm abbreviated month name, ddd and ww
 *   abbreviated weekday name, yy and yyyy the year (2 or 4 digits),
 *   eyy/eyyyy and nnnnyy/nnnnyyyy the era's full name and era year,
 *   gyy/gyyyy and nyy/nyyyy the era's abbreviated name and era year,
 *   c1, j1 or j2 as the mask's last two characters: the era style of plain
 *   yy/yyyy fields (c1 and j1 abbreviated era names, j2 full names).
 * Every other character, "%" included, is literal text.
 *
 * Century rule of two-digit years (DBCENTURY, read once): 'R' today's
 * century, 'C' the closest of three candidate days to today, 'F' the next
 * day after today, 'P' the last day before today.
 *
 * Statuses: 0 on success, or
 *   -1204 year out of range or year field missing or malformed
 *   -1205 month out of range or month field missing or malformed
 *   -1206 day out of range, or day field missing or malformed; the all-zero
 *         triple when TRW_NOZEROMDY is 1
 *   -1210 DATE out of range on conversion to a triple
 *   -1211 out of memory
 *   -1212 bad format or mask, bad DBDATE, computed century above 99
 *   -1218 text does not match the format
 *   -1236 no era holds the date     -1237 era name not recognised
 *   -1263 a field out of range reported by the locale formatter or parser
 *   -1273 output buffer too small   -1276 bad %-format
 *   -23108 client locale not initialised, or a status of the client locale
 *          environment (glsenv.h) when its initialisation fails.
 * A failure leaves no half-built DATE: rstrdate leaves NULL, the mask and
 * triple conversions leave their output untouched.
 *
 * All state (the century rule, the old-style format string, the name
 * arrays, today) is process-wide and unlocked: callers use these functions
 * from one thread at a time. */
#ifndef TRW_RDATE_H
#define TRW_RDATE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TRW_DATE_NULL INT32_MIN
#define TRW_DATE_MIN (-693594) /* 0001-01-01 */
#define TRW_DATE_MAX 2958464   /* 9999-12-31 */

/* Size rdatestr's output must have. */
#define TRW_DATE_TEXT_MAX 1024

/* Size of the buffer fmtstr fills ("eyyyy/mm/dd" and a terminator). */
#define TRW_FMTSTR_SIZE 12

/* ---- day counts ---- */

/* DATE to {month, day, year}. 0 (NULL gives 0, 0, 0); -1210 for a DATE
 * outside the range, the triple set to 0, 0, 0. */
int rjulmdy(int32_t date, int16_t mdy[3]);
/* {month, day, year} to a DATE, checked year (-1204), month (-1205), day
 * (-1206) in that order; the all-zero triple gives NULL (-1206 when
 * TRW_NOZEROMDY has the integer value 1). *date is written only on
 * success. */
int rmdyjul(const int16_t mdy[3], int32_t *date);
/* 1 for a leap year of the Gregorian calendar, else 0. */
int rleapyear(int year);
/* 0 (Sunday) to 6 (Saturday); 0 for NULL. */
int rdayofweek(int32_t date);

/* ---- today ---- */

/* Today into *today: the rsettoday override if set, else, when DBTODAY
 * holds a valid DATETIME YEAR TO SECOND, the date of the current time
 * running on from that instant, else the local date of the
 * system clock, converted at most once per quarter hour (NULL when the
 * clock cannot be read). */
void rtoday(int32_t *today);
/* Fixes today to *date (also the today of the century rule); null, or a
 * DATE outside the range, releases it and forgets the quarter-hour
 * cache. */
void rsettoday(const int32_t *date);

/* ---- century rule ---- */

/* The process rule 'R', 'C', 'F' or 'P' (DBCENTURY read on the first call;
 * unset or any other value is 'R'). */
int getdbcentury(void);
/* The per-call rule when it is 'R', 'C', 'F' or 'P', else dflt. */
int validate_dbcentury(int percall, int dflt);
/* The century (0..99 or above) of year yy by the process rule for the given
 * month and day (0 meaning today's): -1204, -1205, -1206, -1218 on
 * failure, or a status of the locale environment. */
int getcentury(int month, int day, int year);

/* ---- by the process date format ---- */

/* Formats date by the process format into text (TRW_DATE_TEXT_MAX bytes at
 * least; a longer result fails with -1273). NULL gives "". */
int rdatestr(int32_t date, char *text);
/* Parses text by the process format into *date, which is set to NULL
 * first. An empty or blank text gives NULL. */
int rstrdate(const char *text, int32_t *date);
/* rstrdate with the century rule percall ('R', 'C', 'F', 'P'; anything else
 * the process rule) for this call. */
int trw_strdate(const char *text, int32_t *date, int percall);
/* DATE to the fields of its text by the process format, read back without
 * converting (era years as the era counts them). */
int rgetglsdate(int32_t date, int16_t mdy[3]);
/* DBDATE (default "MDY4/") as an old-style mask ("MDY4/" gives
 * "mm/dd/yyyy") copied into out (TRW_FMTSTR_SIZE bytes); -1212 for a bad
 * DBDATE (out is then ""). */
int fmtstr(char *out);

/* ---- by a mask ---- */

/* Formats date by mask into text (TRW_DATE_TEXT_MAX bytes at least). -1212
 * for a null mask; an empty or all-blank mask writes nothing and gives 0.
 * NULL gives "". */
int rfmtdate(int32_t date, const char *mask, char *text);
/* Parses text by mask into *date; the mask must have a day, a month and a
 * year field (-1212). An empty or blank text gives NULL, or leaves *date
 * unchanged when DHL_RDEFMTDATE is set. */
int rdefmtdate(int32_t *date, const char *mask, const char *text);
/* rdefmtdate with a per-call century rule, as trw_strdate. */
int trw_defmtdate(int32_t *date, const char *mask, const char *text, int percall);

/* ---- by a %-format of the locale library ---- */

/* Parses text by format (leading white space skipped, trailing white space
 * allowed, an empty text gives NULL). */
int dcvfmtasc(int32_t *date, const char *format, const char *text);
/* Formats date by format into text of size bytes. NULL gives "". */
int dtofmtasc(int32_t date, const char *format, char *text, int size);
/* The locale library's forms: the format null means the process format.
 * trw_gl_convert_date returns 0, or -1 with the client locale's error
 * number set (37 day, 40 month, 41 year, 3 memory, 14 room, 9 otherwise);
 * trw_gl_format_date returns the bytes written, or -1 with the error
 * number of the formatter. */
int trw_gl_convert_date(int32_t *date, const char *text, const char *format);
int trw_gl_format_date(char *text, int size, const int32_t *date, const char *format);

/* ---- day and month names ---- */

/* Loads the 7 day names (message 1200), 12 month abbreviations (1201) and
 * 12 month names (1206, 1207) of the message catalog once; 0, or the
 * catalog's status (the next call tries again). */
int _initmdarray(void);
/* Raised to 1 once the four name lists are loaded. */
extern int _inmdflag;
/* The loaded names: kind 0 day names (index 0..6, Sunday first), 1 month
 * abbreviations, 2 full month names (0..11); null when not loaded. */
const char *trw_date_name(int kind, int index);

#ifdef __cplusplus
}
#endif

#endif
