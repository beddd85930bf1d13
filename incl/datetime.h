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
 * allocates; results may be the same record as an operand. */
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

#ifdef __cplusplus
}
#endif

#endif
