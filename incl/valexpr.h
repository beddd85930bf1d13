/* Value expressions: SQL operators evaluated on value records (valrec.h)
 * on the client side: comparisons, MATCHES and LIKE, arithmetic, unary
 * minus, AND, OR, NOT, the NULL tests and the date functions DAY, MONTH,
 * YEAR, WEEKDAY, MDY, DATE, EXTEND, UNITS and CURRENT.
 *
 * Each operator finds a working type from the kinds of its operands
 * (extype), converts the operands to it (valrec.h conversions), computes,
 * and writes a result record whose type and precision word (exprec) it sets.
 * Results are written last, so a result may be the same record as an
 * operand. A NULL operand gives a NULL result and status 0, except in AND,
 * OR and the NULL tests; a failed operation leaves a NULL result.
 *
 * Kind bits (get_kind_table, 52 entries by SQL code): EXK_CHAR CHAR and
 * VARCHAR; EXK_SMALLINT; EXK_INTEGER INTEGER and SERIAL; EXK_FLOAT FLOAT and
 * SMALLFLOAT; EXK_MONEY; EXK_DATE; EXK_DECIMAL; EXK_DATETIME; EXK_INTERVAL;
 * EXK_SMFLOAT SMALLFLOAT as well; EXK_NCHAR NCHAR and NVARCHAR; EXK_INT8
 * INT8 and SERIAL8. Other codes have none.
 *
 * Working type (extype), the first rule that applies (U: the union of both
 * operands' kinds):
 *   1. comparisons 46..51: both character: CHAR; both NCHAR, or character
 *      and NCHAR: NCHAR; any float: SMALLFLOAT when either is a SMALLFLOAT,
 *      else FLOAT;
 *   2. a DATETIME: INTERVAL for a subtraction of two DATETIMEs or DATEs,
 *      else DATETIME;
 *   3. MONEY: DECIMAL for MONEY / MONEY, else MONEY;
 *   4. an INTERVAL: DATETIME with a DATE, else INTERVAL;
 *   5. a DATE: DATE;
 *   6. decimal calculation off (trw_ex_decimal_calc): unary minus of a
 *      SMALLFLOAT: SMALLFLOAT; any float: FLOAT;
 *   7. arithmetic 58..61: DECIMAL;
 *   8. character, DECIMAL or NCHAR: DECIMAL; float: FLOAT; INT8: INT8;
 *      INTEGER: INTEGER; otherwise SMALLINT.
 *
 * Precision word (exprec): each operand gives (p, s): CHAR, NCHAR, FLOAT
 * (16, floating), SMALLFLOAT (8, floating), SMALLINT (5,0), INTEGER, SERIAL
 * and DATE (10,0), INT8 (19,0), DECIMAL and MONEY their own word (a word of
 * precision 0: the floating DECIMAL(32)). + and -: integer digits the
 * larger plus 1 (a floating operand counts its precision as integer digits
 * and scale 0), scale the larger; *: the sums, and a result with a scale
 * and a precision below 16 gets 16; both: above 31 digits the result is
 * (32, floating), a floating operand makes it floating. /: the sum of both
 * precisions within 16..32, floating. A DATE working type gives (10,0), a
 * comparison, logic and NULL test the SMALLINT result's (5,0). DATETIME and
 * INTERVAL (a DATE counting as DATETIME YEAR TO DAY): comparisons and
 * INTERVAL + and - the union of both qualifiers (the earlier start, the
 * later end; an INTERVAL union has a first field of 9 digits); DATETIME -
 * DATETIME an INTERVAL starting at DAY, with the union's end and length,
 * when the union starts before DAY and ends at DAY or later, else the union
 * read as an INTERVAL; DATETIME +/- INTERVAL the DATETIME's qualifier;
 * INTERVAL times or divided by a number the INTERVAL's.
 *
 * Statuses: 0; -1202 division by zero; -1203 MATCHES or LIKE on values that
 * are not character; -1210 a DATE result outside -693594..2958464; -1211 no
 * memory for the kept pattern; -1215 an INTEGER result beyond 32 bits;
 * -1223 a float result out of range; -1260 the operator is not defined for these
 * types; -1266 INTERVALs of the year-month and day-time classes together,
 * or unary minus of a type without one; -1268 a bad qualifier; -1278 a bad
 * escape in an ANSI database; -1200 (also a DECIMAL product or quotient
 * beyond its precision word), -1201; and the
 * conversion errors of valrec.h as they are.
 *
 * State: the decimal-calculation switch is kept in the control block
 * (gentcb.h); the compiled pattern of the last MATCHES or LIKE is kept for
 * the process and reused when the pattern's bytes, length, special
 * characters and normalise flag are the same and neither the client locale
 * nor its normaliser has changed. Callers use these functions from one
 * thread at a time. */
#ifndef TRW_VALEXPR_H
#define TRW_VALEXPR_H

#include <stdint.h>

#include "valrec.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Operator codes. */
#define EXOP_NEG 26
#define EXOP_ISNULL 27
#define EXOP_NOTNULL 28
#define EXOP_EQ 46
#define EXOP_NE 47
#define EXOP_LE 48
#define EXOP_LT 49
#define EXOP_GE 50
#define EXOP_GT 51
#define EXOP_MATCHES 52
#define EXOP_NOTMATCHES 53
#define EXOP_LIKE 56
#define EXOP_NOTLIKE 57
#define EXOP_ADD 58
#define EXOP_SUB 59
#define EXOP_MUL 60
#define EXOP_DIV 61
#define EXOP_DAY 69
#define EXOP_MONTH 70
#define EXOP_YEAR 71

/* Kind bits. */
#define EXK_CHAR 0x001
#define EXK_SMALLINT 0x002
#define EXK_INTEGER 0x004
#define EXK_FLOAT 0x008
#define EXK_MONEY 0x010
#define EXK_DATE 0x020
#define EXK_DECIMAL 0x040
#define EXK_DATETIME 0x080
#define EXK_INTERVAL 0x100
#define EXK_SMFLOAT 0x200
#define EXK_NCHAR 0x400
#define EXK_INT8 0x800

/* Precision words of the date functions' SMALLINT results. */
#define EXPREC_DAY 0x0200
#define EXPREC_MONTH 0x0200
#define EXPREC_YEAR 0x0400
#define EXPREC_WEEKDAY 0x0100

/* The qualifier of CURRENT without one: YEAR TO FRACTION(3). */
#define EX_CURRENT_DEFAULT 4365

/* The kind table and the kinds of the SQL code in type's low byte (0 for
 * codes above 51). */
const uint16_t *get_kind_table(void);
int getkind(int type);

/* Working type and precision word of op on a and b (b null for unary
 * operators); -1260 from extype for a null a. */
int extype(int op, valrec *a, valrec *b);
int exprec(int op, valrec *a, valrec *b);

/* Sets the decimal-calculation switch (FLOAT arithmetic done in DECIMAL);
 * returns the previous setting (0 or 1). */
int trw_ex_decimal_calc(int on);

/* Comparison 46..51: SMALLINT 1 or 0. */
int excmp(int op, valrec *a, valrec *b, valrec *result);

/* MATCHES, NOT MATCHES, LIKE, NOT LIKE (52, 53, 56, 57) of the text a
 * against the pattern b: SMALLINT 1 or 0. exmatch escapes with "\";
 * ansi_exescmatch with the first character of escape (none when escape is
 * null or empty). */
int exmatch(int op, valrec *a, valrec *b, valrec *result);
int ansi_exescmatch(int op, valrec *a, valrec *b, const char *escape, valrec *result);

/* Arithmetic and unary minus. */
int exadd(valrec *a, valrec *b, valrec *result);
int exsub(valrec *a, valrec *b, valrec *result);
int exmul(valrec *a, valrec *b, valrec *result);
int exdiv(valrec *a, valrec *b, valrec *result);
int exneg(valrec *a, valrec *result);

/* Truth value of a as SMALLINT 1, 0 or NULL: character text whose first
 * non-blank character is a digit is false when its leading number has no
 * non-zero digit; other text is true, empty or all-blank text false;
 * numbers, DECIMAL, MONEY, DATE, DATETIME, INTERVAL and INT8 are true when
 * non-zero, a BOOLEAN by its byte; other types -1260. */
int cvtosmint(valrec *a, valrec *result);

/* Three-valued AND, OR, NOT of truth values (cvtosmint). */
int exand(valrec *a, valrec *b, valrec *result);
int exor(valrec *a, valrec *b, valrec *result);
int exnot(valrec *a, valrec *result);

/* IS NULL (27), IS NOT NULL (28): SMALLINT 1 or 0, never NULL; -1260 for
 * another op. */
int exnull(int op, valrec *a, valrec *result);

/* DAY, MONTH, YEAR (69..71) of a DATE, a DATETIME (its YEAR TO DAY part)
 * or a value todate reads; WEEKDAY 0 (Sunday) to 6. SMALLINT results. */
int exxmdy(int op, valrec *a, valrec *result);
int exwkday(valrec *a, valrec *result);

/* MDY: a DATE from month, day and year values. */
int exmdy(valrec *month, valrec *day, valrec *year, valrec *result);

/* DATE(a): todate of a. */
int extodate(valrec *a, valrec *result);

/* EXTEND(a, qualifier): a as DATETIME in qualifier. */
int exextend(valrec *a, int qualifier, valrec *result);

/* a UNITS: a as DECIMAL, a count of the qualifier's end unit, as an
 * INTERVAL of qualifier (a start at FRACTION is moved to SECOND). */
int exunits(valrec *a, int qualifier, valrec *result);

/* CURRENT: the current time in qualifier (0: YEAR TO FRACTION(3)). */
int excurrent(int qualifier, valrec *result);

#ifdef __cplusplus
}
#endif

#endif
