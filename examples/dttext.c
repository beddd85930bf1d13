/* DATETIME and INTERVAL text: the standard text both ways with its errors,
 * %-formats (an explicit one and the process format of DBTIME), INTERVAL
 * formats with widths and signs, a format limited to a qualifier, another
 * product's TO_CHAR format rewritten, and the current date running on from
 * DBTODAY. The settings are in dttext.env. */
#include <stdio.h>
#include <stdlib.h>

#include "datetime.h"

static void show_dt(const char *text, int qualifier)
{
    dt_value v;
    char out[DT_GLTEXT_SIZE];
    int status;
    v.dt_qual = (int16_t)qualifier;
    status = dtcvasc(text, &v);
    if (status != 0) {
        printf("%-28s error %d\n", text, status);
        return;
    }
    dttoasc(&v, out);
    printf("%-28s %s\n", text, out);
}

static void show_inv(const char *text, int qualifier, const char *format)
{
    inv_value v;
    char out[DT_GLTEXT_SIZE];
    int status;
    v.in_qual = (int16_t)qualifier;
    status = incvasc(text, &v);
    if (status == 0)
        status = intofmtasc(&v, out, (int)sizeof out, format);
    if (status != 0) {
        printf("%-28s error %d\n", text, status);
        return;
    }
    printf("%-28s '%s'\n", format != NULL ? format : "(DBTIME)", out);
}

int main(void)
{
    dt_value v, today;
    inv_value span;
    char out[DT_GLTEXT_SIZE], *format;

    show_dt("1999-12-31 23:59:59", DT_YEAR_TO_SECOND);
    show_dt("  1999-1-2 3:4:5", DT_YEAR_TO_SECOND);
    show_dt("99-07-04", DT_YEAR_TO_DAY);
    show_dt("1999-12-31 23:59", DT_YEAR_TO_SECOND);
    show_dt("1999-02-29", DT_YEAR_TO_DAY);
    show_dt("12345-01", TU_DTENCODE(TU_YEAR, TU_MONTH));

    span.in_qual = (int16_t)TU_IENCODE(5, TU_DAY, TU_HOUR);
    incvasc("-3 04", &span);
    intoasc(&span, out);
    printf("%-28s '%s'\n", "INTERVAL DAY(5) TO HOUR", out);
    show_inv("-5 10:20:30", TU_IENCODE(3, TU_DAY, TU_SECOND), "%d days %H:%M:%S");
    show_inv("-5 10:20:30", TU_IENCODE(3, TU_DAY, TU_SECOND), "%5H hours");
    show_inv("-5 10:20:30", TU_IENCODE(3, TU_DAY, TU_SECOND), NULL);

    v.dt_qual = DT_YEAR_TO_SECOND;
    dtcvasc("2005-03-07 14:05:09", &v);
    dttofmtasc(&v, out, (int)sizeof out, "%A, %B %e %Y at %I:%M %p");
    printf("%-28s %s\n", "explicit format", out);
    dttofmtasc(&v, out, (int)sizeof out, NULL);
    printf("%-28s %s\n", "process format (DBTIME)", out);
    if (dtcvfmtasc("24.12.2010 18:30", NULL, &v) == 0 && dttoasc(&v, out) == 0)
        printf("%-28s %s\n", "parsed by DBTIME", out);
    if (getdatetimefmt(&format) == 0) {
        printf("%-28s %s\n", "DBTIME rewritten", format);
        free(format);
    }
    format = qualtofmt(TU_DTENCODE(TU_HOUR, TU_MINUTE), NULL);
    if (format != NULL) {
        printf("%-28s %s\n", "limited to HOUR TO MINUTE", format);
        free(format);
    }
    if (trw_to_gl_datetime("DD-MON-YYYY HH24:MI \"(100%)\"", out, (int)sizeof out) == 0)
        printf("%-28s %s\n", "foreign format", out);
    printf("%-28s %d\n", "DDD", trw_to_gl_datetime("DDD", out, (int)sizeof out));

    today.dt_qual = DT_YEAR_TO_DAY;
    dtcurrent(&today);
    dttoasc(&today, out);
    printf("%-28s %s\n", "today (DBTODAY)", out);
    return 0;
}
