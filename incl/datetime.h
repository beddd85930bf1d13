/* DATETIME and INTERVAL values: the records, the qualifier that says which
 * time units a value covers, packing of the unit values into a DECIMAL,
 * the value check, extension, the current time, conversions to and from
 * DATE, INTERVAL counts and conversions, and the arithmetic.
 *
 * Qualifier, 16 bits: bits 8-15 the length (decimal digits of the value),
 * bits 4-7 the start unit code, bits 0-3 the end unit code. Unit codes: 0
 * year, 2 month, 4 day, 6 hour, 8 minute, 10 second; as end unit 11 to 15
 * fraction(1) to fraction(5); as start unit 12 fraction. The first field's
 * precision is length - end + start: a DATETIME always has the default (4
 * for a year, 2 otherwise), an INTERVAL 1 to 9 (2 when it starts at
 * fraction). INTERVALs are either year-month (year and month only) or
 * day-time (day onwards). YEAR TO SECOND is 0x0E0A, INTERVAL DAY(9) TO
 * SECOND 0x0F4A. A qualifier outside these rules is refused with -1268 by
 * every function, before anything else is looked at.
 *
 * Packing. The DECIMAL holds the number whose decimal digits are the unit
 * values one after the other, the point after the seconds (units between
 * the end and second count as zero digits). In base-100 pairs: the first
 * field right-aligned in ceil(precision / 2) pairs (a year is century and
 * year of century), then one pair per unit, then the fraction pairs; an odd
 * fraction end keeps the low digit of its last pair 0. The exponent is
 * (length - end + 11) / 2. The unpacked form is that run of pairs, at most
 * 16 bytes. Every producer ends in decload, so a value is in DECIMAL normal
 * form and stored forms of one qualifier compare bytewise in time order. A
 * DATETIME is positive; an INTERVAL's sign is the DECIMAL's; NULL is the
 * DECIMAL's NULL. A NULL operand gives a NULL result and status 0.
 *
 * Statuses: 0; -1204 date out of range; -1263 a unit value out of range;
 * -1265 INTERVAL first field overflow; -1266 incompatible qualifiers; -1267
 * the result is not a valid DATETIME; -1268 invalid qualifier; DECIMAL
 * statuses (-1200, -1201, -1202) as the DECIMAL arithmetic gives them. A
 * failed conversion or operation leaves its output NULL. No function here
 * allocates, except qualtofmt and getdatetimefmt, whose results the caller
 * frees; results may be the same record as an operand. */
#ifndef TRW_DATETIME_H
#define TRW_DATETIME_H

#include <stdint.h>
#include <time.h>

#include "decimal.h"
#include "gl_time.h"

#ifdef __cplusplus
extern "C" {
#endif

/* DATETIME record. 24 bytes. */
typedef struct dt_value {
    int16_t dt_qual;
    decvalue dt_dec;
} dt_value;

/* INTERVAL record. 24 bytes. */
typedef struct inv_value {
    int16_t in_qual;
    decvalue in_dec;
} inv_value;

/* Unit codes. */
#define TU_YEAR 0
#define TU_MONTH 2
#define TU_DAY 4
#define TU_HOUR 6
#define TU_MINUTE 8
#define TU_SECOND 10
#define TU_FRAC 12 /* fraction as start unit */
#define TU_F1 11
#define TU_F2 12
#define TU_F3 13
#define TU_F4 14
#define TU_F5 15

/* Taking a qualifier apart and building one. */
#define TU_LEN(q) (((q) >> 8) & 0xFF)
#define TU_START(q) (((q) >> 4) & 0xF)
#define TU_END(q) ((q) & 0xF)
#define TU_ENCODE(len, s, e) ((((len) & 0xFF) << 8) | (((s) & 0xF) << 4) | ((e) & 0xF))
/* Precision of the first field. */
#define TU_FLEN(q) (TU_LEN(q) - TU_END(q) + TU_START(q))
/* Default first-field precision of a start unit. */
#define TU_DEFPREC(s) ((s) == TU_YEAR ? 4 : 2)
/* A DATETIME qualifier (default precision) and an INTERVAL qualifier with a
 * first field of p digits. */
#define TU_DTENCODE(s, e) TU_ENCODE(TU_DEFPREC(s) + (e) - (s), s, e)
#define TU_IENCODE(p, s, e) TU_ENCODE((p) + (e) - (s), s, e)

/* Digits of each unit, and the carry base into the next higher unit (0:
 * none, for the year; day by the calendar). Indexed by unit code / 2 for
 * codes 0 to 10. */
#define TU_DIGITS_INIT {4, 2, 2, 2, 2, 2}
#define TU_BASES_INIT {0, 12, 0, 24, 60, 60}
#define TU_FRACTION_BASE 100 /* per fraction digit pair */

/* Qualifiers in common use. */
#define DT_YEAR_TO_SECOND 0x0E0A
#define DT_YEAR_TO_DAY 0x0804
#define DT_YEAR_TO_FRAC3 0x110D
#define DT_YEAR_TO_FRAC5 0x130F
#define INV_DAY9_TO_SECOND 0x0F4A

/* Bytes of the unpacked form. */
#define DT_UNPACKED 16

/* SQL type codes rtudesc takes. */
#define DT_SQLTYPE_DATETIME 10
#define DT_SQLTYPE_INTERVAL 14

/* ---- Values and qualifiers ---- */

/* Packs the unpacked pairs of qualifier into dec with the DECIMAL sign (1
 * positive, 0 negative, -1 NULL). 0, -1268, or decload's status. */
int dtpack(decvalue *dec, int qualifier, const unsigned char *bytes, int sign);

/* Unpacks dec into 16 bytes: the pairs that fall on the qualifier's
 * positions, zero elsewhere (NULL and zero give all zeros); nothing outside
 * the 16 bytes is written. 0 or -1268. */
int dtunpack(const decvalue *dec, int qualifier, unsigned char *bytes);

/* 0, or -1268 (also kept as the last conversion error). */
int _chk_qual(int is_interval, int qualifier);

/* The value check: 0 (also for NULL), -1263 for a unit out of range or a
 * non-zero digit outside the qualifier's positions, -1268. */
int chk_dtinv(const decvalue *dec, int qualifier, int is_datetime);

/* Days of the month of the unpacked value whose day pair is at day_position
 * (0: no month, 31; 1: month but no year, February 29; 3: year and month).
 * 0 for a month outside 1 to 12. */
int daysinmonth(const unsigned char *bytes, int day_position);

/* The current time as YEAR TO FRACTION(5) (local time, with the DBTODAY
 * offset when DBTODAY is in force, or the time fixed by rdtsetcurr).
 * Returns DT_YEAR_TO_FRAC5, or a negative status with dec NULL. */
int rdtcurrent(decvalue *dec);

/* The current time in the record's qualifier; a record with an invalid
 * qualifier is given YEAR TO FRACTION(3). 0 or a negative status. */
int dtcurrent(dt_value *dt);

/* Fixes the current time to a copy of the YEAR TO FRACTION(5) value dec, or
 * releases it (null). 0, or -1263 for a value that is not valid (nothing
 * changes). */
int rdtsetcurr(const decvalue *dec);

/* Seconds since the Unix epoch. */
time_t rutccurrent(void);

/* The local time of t in qualifier (units before the start dropped). 0,
 * -1268, -1263 when t has no local time. */
int rdatetime(time_t t, int qualifier, decvalue *out);

/* Extension: units of the target before the source's start come from the
 * current time, units of the source before the target's start are dropped,
 * units after the source's end are 0 (month and day 1); the sign and NULL
 * are kept. 0, -1263 (a source that is not a valid DATETIME, or a result
 * whose day its month does not have), -1268. */
int rdtextend(const decvalue *src, int src_qualifier, decvalue *dst, int dst_qualifier);
int dtextend(const dt_value *src, dt_value *dst);

/* DATETIME to DATE (through YEAR TO DAY): 0, -1204, -1205, -1206, -1268;
 * NULL gives the NULL DATE. DATE to DATETIME: 0, -1210 for a DATE out of
 * range, -1268. */
int rdttodate(const decvalue *dt, int qualifier, int *date);
int rdatedt(int date, decvalue *out, int qualifier);

/* The INTERVAL as a count of its end units (fraction digits after the
 * point, seconds for a fraction end; 0 whole units for a value that starts
 * at fraction). 0, -1263 (not a valid INTERVAL), -1268. */
int rinvtodec(const decvalue *inv, int qualifier, decvalue *count);

/* The count of end units distributed into qualifier's units, truncated to
 * its end. 0, -1265 (first field overflow), -1268. */
int rdectoinv(const decvalue *count, decvalue *out, int qualifier);

/* INTERVAL to INTERVAL; finer units are dropped, not rounded. 0, -1263
 * (the source is not a valid INTERVAL), -1265, -1266 (different classes, or
 * the target ends before the source starts), -1268. */
int rinvcopy(const decvalue *src, int src_qualifier, decvalue *dst, int dst_qualifier);
int invextend(const inv_value *src, inv_value *dst);

/* Broken-down time to DATETIME in the record's qualifier (-1 for a year
 * field of -1900, -1263, -1268) and back (absent units: day 1, the others 0;
 * weekday and day of year when year, month and day are known). */
int tmtodtdec(const gl_tm *tm, dt_value *dt);
int dtdectotm(const dt_value *dt, gl_tm *tm);

/* The unit name ("year" .. "fraction"), "" for a code that is none. */
const char *rtuname(int unit);

/* The qualifier's description, such as "day(5) to fraction(3)", for SQL
 * type 10 (DATETIME) or 14 (INTERVAL); not terminated, at most 32 bytes.
 * Returns its length, or -1268. */
int rtudesc(int sqltype, int qualifier, char *out);

/* Nonzero when USE_DTENV is exactly "1" (read once). */
int get_usedtenv(void);

/* 1 when text is null, empty or all white space, else 0. */
int strisblank(const char *text);

/* ---- Arithmetic ---- */

/* DATETIME plus and minus INTERVAL, in a's qualifier (written to r). 0,
 * -1204, -1263, -1266, -1267, -1268. */
int dtaddinv(const dt_value *a, const inv_value *b, dt_value *r);
int dtsubinv(const dt_value *a, const inv_value *b, dt_value *r);
int rdtaddinv(const decvalue *a, int a_qualifier, const decvalue *b, int b_qualifier, decvalue *r);

/* DATETIME minus DATETIME. dtsub converts to r's qualifier (-1265, -1266).
 * rdtsub gives the result in its own qualifier, written to result_qualifier
 * (when not null): DAY with a's end and length for a DATETIME that starts
 * before day and ends at day or later, else a's qualifier as an INTERVAL. */
int dtsub(const dt_value *a, const dt_value *b, inv_value *r);
int rdtsub(const decvalue *a, int a_qualifier, const decvalue *b, int b_qualifier, decvalue *r,
           int *result_qualifier);

/* INTERVAL times and divided by a number, in r's qualifier: the operand is
 * counted in r's end unit (finer units dropped), scaled by the DECIMAL
 * arithmetic, and the result truncated to the end unit. 0, -1263, -1265,
 * -1266, -1268, DECIMAL statuses (-1202 division by zero; the double
 * forms also -1223 for NaN or infinity). A NULL double (8 bytes 0xFF) is
 * NULL. */
int invmuldec(const inv_value *a, const decvalue *b, inv_value *r);
int invmuldbl(const inv_value *a, double b, inv_value *r);
int invdivdec(const inv_value *a, const decvalue *b, inv_value *r);
int invdivdbl(const inv_value *a, double b, inv_value *r);

/* a / b as a double (the exact ratio of the counts, rounded once). 0,
 * -1202 (b zero), -1266, -1268; a NULL operand gives the NULL double. */
int invdivinv(const inv_value *a, const inv_value *b, double *r);


/* ---- Text ----
 *
 * Standard text. DATETIME: the units of the qualifier in order, the first
 * with its precision in digits (leading zeros kept), every later unit
 * preceded by the delimiter of the unit before it ("-" after year and
 * month, " " after day, ":" after hour and minute, "." after second) and
 * written with 2 digits, the fraction with its n digits: YEAR TO FRACTION(3)
 * is "1999-12-31 23:59:59.123". INTERVAL: one sign position, then the same
 * text with the first field's leading zeros shown as blanks (one digit at
 * least), the "-" of a negative value just before the first digit: DAY(5)
 * TO HOUR of minus 3 days 4 hours is "    -3 04". A qualifier that starts
 * at fraction writes ".ddd". NULL is the empty text.
 *
 * Parsing standard text: leading white space is skipped (an empty or blank
 * text gives NULL and 0); an INTERVAL may then have a "-"; the first field
 * has at most its precision in digits; every later unit may have blanks
 * before its 1 or 2 digits and must be followed by its delimiter unless it
 * is the end unit; a fraction reads at most n digits after its "."; trailing
 * white space is allowed. A DATETIME year of 1 or 2 digits takes its century
 * by the century rule (DBCENTURY, or the per-call rule of the trw_ forms,
 * 'R', 'C', 'F' or 'P'). Statuses, checked in this order: -1268 bad
 * qualifier; -1261 too many digits in the first field; -1262 a character
 * that is neither a digit nor the expected delimiter (also text that ends
 * before the end unit, and a unit without digits); -1263 a third digit, or a
 * value out of range; -1264 text left over; -1271 no point for a qualifier
 * that starts at fraction. Every failure leaves the value NULL. With
 * USE_DTENV exactly "1", a DATETIME is parsed by dtcvfmtasc with the
 * process format limited to its qualifier instead; a failure then leaves the
 * record as it was.
 *
 * Formats. The process DATETIME format is DBTIME if set, else GL_DATETIME,
 * both through the DBTIME rewriting; else the client locale's date-and-time
 * format; else "%iY-%m-%d %H:%M:%S". Every explicit DATETIME format is
 * rewritten too: a trailing "C1" or "J1" (abbreviated era names) or "J2"
 * (full era names) makes %Y and %y era years; H I M R S T d m y without a
 * width get the width 02 and Y 04; a precision is dropped for parsing; %F
 * without a digit gets the digit 2. The locale library's %-format language
 * (gl_time.h) does the rest. A format's qualifier runs from the first to the
 * last unit its conversions cover (%a %A %u %D year to day, %R %T hour to
 * minute / second, %c %x %X %j %r %w year to fraction(2)); a value is
 * extended to it to be formatted, and a parsed value is extended from it to
 * the record's qualifier. Weekday and day of year are filled only when the
 * value has year, month and day.
 *
 * INTERVAL formats: %Y years (default width "%.4d"), %y years mod 100, %m
 * months, %d days, %H hours, %M minutes, %S seconds (each "%.2d"), %I hours
 * less 12 above 12, %F or %F1 .. %F5 the fraction digits (default 2), %%; a
 * width or precision after "%" replaces the default. The format's qualifier
 * runs from its first to its last unit with a first field of 9 digits (2
 * for a fraction start); the value is converted to it (-1265, -1266). A
 * negative value has "-" before the first field written. The process
 * INTERVAL format is DBTIME, else "%Y-%m-%d %H:%M:%S"; when it spans both
 * INTERVAL classes only its conversions within the value's qualifier are
 * used.
 *
 * Further statuses: -1272 empty text; -1273 output missing or too small;
 * -1275 bad width, precision or fraction digit; -1276 bad conversion or a
 * "%" at the end; -1277 text does not match the format; -1211 no memory;
 * -1236, -1237 eras; -23108 and the statuses of the locale environment;
 * -5853 foreign token without equivalent, -5854 foreign token unknown or
 * unterminated literal, -5855 foreign output missing or too small. */

/* Bytes the standard text of any qualifier needs, terminator included; the
 * GL_DATETIME form of dttoasc and rdtimestr needs DT_GLTEXT_SIZE. */
#define DT_TEXT_SIZE 26
#define DT_GLTEXT_SIZE 80

/* Standard text to DATETIME, into the record's qualifier or qualifier. */
int dtcvasc(const char *text, dt_value *dt);
int rstrdtime(const char *text, decvalue *dec, int qualifier);
/* The same with the century rule century for this call ('R', 'C', 'F',
 * 'P'; anything else the process rule); the process rule is put back. */
int trw_rstrdtime(const char *text, decvalue *dec, int qualifier, int century);
int trw_dtcvasc(const char *text, dt_value *dt, int century);
/* Standard text to INTERVAL. */
int incvasc(const char *text, inv_value *inv);
int rstrinv(const char *text, decvalue *dec, int qualifier);
/* DATETIME to standard text (out: DT_TEXT_SIZE bytes), or, when GL_DATETIME
 * is set, by the process format into DT_GLTEXT_SIZE bytes. 0, -1263 (not
 * a valid value), -1268, or a status of the format. */
int dttoasc(const dt_value *dt, char *out);
int rdtimestr(const decvalue *dec, int qualifier, char *out);
/* INTERVAL to standard text (always; out: DT_TEXT_SIZE bytes). */
int intoasc(const inv_value *inv, char *out);
int rinvstr(const decvalue *dec, int qualifier, char *out);

/* Text to DATETIME by a %-format (null: the process format) into the
 * record's qualifier; the record is unchanged on failure. */
int dtcvfmtasc(const char *text, const char *format, dt_value *dt);
int trw_dtcvfmtasc(const char *text, const char *format, dt_value *dt, int century);
/* DATETIME to text by a %-format (null: the process format) into
 * out[0..size), terminator included; NULL gives "". */
int dttofmtasc(const dt_value *dt, char *out, int size, const char *format);
int trw_dttofmtasc(const dt_value *dt, char *out, int size, const char *format, int century);
/* INTERVAL text by an INTERVAL format (null: the process INTERVAL format).
 * The parse converts to the record's qualifier; the record is NULL on
 * failure. */
int incvfmtasc(const char *text, const char *format, inv_value *inv);
int intofmtasc(const inv_value *inv, char *out, int size, const char *format);

/* The process DATETIME format rewritten for formatting, into *format
 * (malloc'd; the caller frees it). 0, -1273 for a null argument, or a
 * status. */
int getdatetimefmt(char **format);
/* A new %-format (malloc'd; the caller frees it) limited to the units of
 * the DATETIME qualifier: the format (null: the process format) rewritten
 * for parsing, %D %R %T and the locale's composite formats expanded, the
 * conversions within the qualifier kept with the literal text just before
 * each kept one after the first. Null on failure (-1268, -1211, ... as the
 * last conversion error, get_toerrno). */
char *qualtofmt(int qualifier, const char *format);
/* The display width of the process DATETIME format: its length expanded
 * for a value with every field at full width; 0 on failure. */
int _dtimedigits(void);

/* The locale library's forms: 0 (the value stored as YEAR TO the format's
 * end unit), or -1 with the client locale's error number set (22 bad
 * format, 41 fields that form no value, the parser's own numbers). The
 * formatter extends the value to YEAR TO the format's end unit and returns
 * the bytes written, or -1 with the error number set. */
int trw_gl_convert_datetime(dt_value *out, const char *text, const char *format);
int trw_gl_format_datetime(char *out, int size, const dt_value *dt, const char *format);

/* A format of another product's TO_CHAR style ("YYYY-MM-DD HH24:MI:SS",
 * tokens in any case, punctuation and white space copied, "..." literals
 * with "" for a quote) rewritten as a %-format into out[0..size); a "%"
 * becomes "%%". 0, -5853, -5854, -5855. */
int trw_to_gl_datetime(const char *foreign, char *out, int size);

#ifdef __cplusplus
}
#endif

#endif
