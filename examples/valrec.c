/* Value records: a row of stored column values loaded into generic value
 * records, converted into other column types on the way back (with the
 * errors a target refuses with), and shown as text in fixed-width fields. */
#include <stdio.h>
#include <string.h>

#include "decconv.h"
#include "gentcb.h"
#include "rdate.h"
#include "valrec.h"

static void hex(const char *what, const unsigned char *bytes, int n)
{
    int i;
    printf("%-26s", what);
    for (i = 0; i < n; ++i)
        printf(" %02X", bytes[i]);
    printf("\n");
}

static void field(const char *what, valrec *v, int n, int left)
{
    char out[81];
    int status = rvalstr(v, out, n, left);
    printf("%-26s [%.*s] %d\n", what, n, out, status);
}

int main(void)
{
    /* A stored row: INTEGER -42, DECIMAL(5,2) 12.35, CHAR(6) "abc   ". */
    const unsigned char integer[4] = {0xFF, 0xFF, 0xFF, 0xD6};
    const unsigned char decimal[4] = {0xC1, 0x0C, 0x23, 0x00};
    const char chars[6] = {'a', 'b', 'c', ' ', ' ', ' '};
    unsigned char out[16];
    char text[81];
    valrec a, b, c, t;

    memset(&a, 0, sizeof a);
    memset(&b, 0, sizeof b);
    memset(&c, 0, sizeof c);
    rdataval((const char *)integer, TRW_SQL_INTEGER, 0, &a);
    rdataval((const char *)decimal, TRW_SQL_DECIMAL, (5 << 8) | 2, &b);
    rdataval(chars, TRW_SQL_CHAR, 6, &c);

    field("INTEGER right in 8", &a, 8, 0);
    field("DECIMAL(5,2) left in 8", &b, 8, 1);
    field("CHAR(6) in 4", &c, 4, 0);
    field("INTEGER in 2", &a, 2, 0);

    printf("%-26s %d\n", "INTEGER into SMALLINT", rvaldata(&a, (char *)out, TRW_SQL_SMALLINT, 0));
    hex("  stored", out, 2);
    printf("%-26s %d\n", "DECIMAL into INTEGER", rvaldata(&b, (char *)out, TRW_SQL_INTEGER, 0));
    hex("  stored (truncated)", out, 4);
    printf("%-26s %d\n", "DECIMAL into DECIMAL(3,1)", rvaldata(&b, (char *)out, TRW_SQL_DECIMAL, (3 << 8) | 1));
    hex("  stored 12.4", out, DECLEN(3, 1));
    printf("%-26s %d\n", "DECIMAL into DECIMAL(2,1)", rvaldata(&b, (char *)out, TRW_SQL_DECIMAL, (2 << 8) | 1));
    printf("%-26s %d\n", "CHAR into INTEGER", rvaldata(&c, (char *)out, TRW_SQL_INTEGER, 0));
    printf("%-26s %d\n", "CHAR into CHAR(2)", rvaldata(&c, (char *)out, TRW_SQL_CHAR, 2));
    gen_setansidb(1);
    printf("%-26s %d\n", "  in an ANSI database", rvaldata(&c, (char *)out, TRW_SQL_CHAR, 2));
    gen_setansidb(0);

    memset(&t, 0, sizeof t);
    t.vtype = TRW_SQL_CHAR;
    t.vdata.vchar = (char *)"1999-12-31 23:59:58";
    t.vlen = (int)strlen(t.vdata.vchar);
    printf("%-26s %d\n", "text into DATETIME", rvaldata(&t, (char *)out, TRW_SQL_DATETIME, DT_YEAR_TO_SECOND));
    rdatastr((const char *)out, TRW_SQL_DATETIME, DT_YEAR_TO_SECOND, text, 0, 0);
    printf("%-26s %s\n", "  as text", text);
    rdataval((const char *)out, TRW_SQL_DATETIME, DT_YEAR_TO_SECOND, &a);
    printf("%-26s %d\n", "  as DATE (day count)", todate(&a));

    t.vind = -1;
    printf("%-26s %d\n", "NULL into NOT NULL", rvaldata(&t, (char *)out, TRW_SQL_FLOAT | VAL_NOTNULL, 0));
    printf("%-26s %d\n", "NULL into FLOAT", rvaldata(&t, (char *)out, TRW_SQL_FLOAT, 0));
    hex("  stored", out, 8);
    return 0;
}
