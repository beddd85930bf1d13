/* Type codes: the name of an SQL type and the host type that holds it, the
 * memory size, alignment and display width of a few declared columns, and
 * setting and testing NULL in host variables of different types. */
#include <stdio.h>
#include <string.h>

#include "decimal.h"
#include "int8.h"
#include "rtypes.h"

static void column(const char *declared, int len)
{
    char name[32];
    int type;

    /* rstr2type upshifts its argument in place: pass a writable copy. */
    strncpy(name, declared, sizeof name - 1);
    name[sizeof name - 1] = '\0';
    type = rstr2type(name);
    printf("%-9s code %2d \"%s\", host %d, size %3d, width %2d\n", name, type, rtypname(type), rtoctype(type),
           rtypmsize(type, len), rtypwidth(type, len));
}

int main(void)
{
    short small = 42;
    int integer = 7;
    double real = 2.5;
    decvalue dec;
    int8value big;
    char text[8] = "abc";
    int offset = 0;

    column("smallint", 0);
    column("Decimal", 16 * 256 + 2); /* DECIMAL(16,2) */
    column("money", 16 * 256 + 2);   /* MONEY(16,2) */
    column("varchar", 300);          /* the length word's low byte: 44 */
    column("date", 0);
    column("interval", 0x0F4A);      /* INTERVAL DAY(9) TO SECOND */
    column("int8", 0);
    column("char(10)", 10);          /* not a bare type name */

    /* A record of a SMALLINT, a DECIMAL and a FLOAT, laid out by alignment. */
    offset = rtypalign(offset, TRW_SQL_SMALLINT) + rtypmsize(TRW_SQL_SMALLINT, 0);
    offset = rtypalign(offset, TRW_SQL_DECIMAL) + rtypmsize(TRW_SQL_DECIMAL, 0);
    printf("float at offset %d, record ends at %d\n", rtypalign(offset, TRW_SQL_FLOAT),
           rtypalign(offset, TRW_SQL_FLOAT) + rtypmsize(TRW_SQL_FLOAT, 0));

    rsetnull(TRW_SQL_SMALLINT, (char *)&small);
    rsetnull(TRW_HOST_INT, (char *)&integer);
    rsetnull(TRW_SQL_FLOAT, (char *)&real);
    rsetnull(TRW_SQL_DECIMAL, (char *)&dec);
    rsetnull(TRW_SQL_INT8, (char *)&big);
    rsetnull(TRW_SQL_CHAR, text);
    printf("smallint %d, int %d: NULL %d %d\n", small, integer, risnull(TRW_HOST_SHORT, (char *)&small),
           risnull(TRW_HOST_INT, (char *)&integer));
    printf("float, decimal, int8, char NULL: %d %d %d %d\n", risnull(TRW_HOST_DOUBLE, (char *)&real),
           risnull(TRW_SQL_DECIMAL, (char *)&dec), risnull(TRW_HOST_INT8, (char *)&big), risnull(TRW_SQL_CHAR, text));
    integer = -2147483647;
    printf("int -2147483647 NULL: %d\n", risnull(TRW_SQL_INTEGER, (char *)&integer));
    return 0;
}
