/* Host variables and value expressions: a price held in a DECIMAL host
 * variable and a quantity in an int are taken into value records, the
 * expression price * quantity + 0.5 is evaluated with the working type and
 * precision word the operators choose, the total is compared and written
 * back into a DECIMAL(8,2) host variable (rounded), into a character buffer
 * that is too short (cut, with the indicator) and into an int; a NULL
 * quantity makes the total NULL, and a LIKE tests a name. */
#include <stdio.h>
#include <string.h>

#include "decconv.h"
#include "hostvar.h"
#include "valexpr.h"

static void show_decimal(const char *what, const decvalue *d)
{
    char text[40];
    if (d->sign == -1) {
        printf("%-24s NULL\n", what);
        return;
    }
    dectoasc(d, text, (int)sizeof text - 1, -1);
    text[sizeof text - 1] = '\0';
    printf("%-24s %s\n", what, strtok(text, " "));
}

int main(void)
{
    decvalue price, total_host;
    int32_t quantity = 3, as_int = 0;
    short indicator = 0;
    char half_text[] = "0.5", name[] = "gearbox", pattern[] = "gear%", narrow[6];
    valrec vprice, vquantity, vhalf, product, total, ten, truth, vname, vpattern;
    int status;

    deccvasc("19.995", 6, &price);
    rcvarval(&price, TRW_HOST_DECIMAL, &vprice, 0x0703, NULL); /* DECIMAL(7,3) */
    rcvarval(&quantity, TRW_HOST_INT, &vquantity, 0, NULL);
    rcvarval(half_text, TRW_HOST_STRING, &vhalf, 0, NULL);

    printf("%-24s %d\n", "working type of *", extype(EXOP_MUL, &vprice, &vquantity));
    printf("%-24s 0x%04X\n", "precision word of *", exprec(EXOP_MUL, &vprice, &vquantity));
    exmul(&vprice, &vquantity, &product);
    status = exadd(&product, &vhalf, &total);
    printf("%-24s %d, precision 0x%04X\n", "product + '0.5'", status, (unsigned)(uint16_t)total.vprec);
    show_decimal("total", &total.vdata.vdec);

    rcvarval(&quantity, TRW_HOST_INT, &ten, 0, NULL);
    ten.vdata.vint = 10;
    excmp(EXOP_GT, &total, &ten, &truth);
    printf("%-24s %d\n", "total > 10", truth.vdata.vshort);

    status = rvalcvar(&total, &total_host, TRW_HOST_DECIMAL, 0x0802, &indicator);
    printf("%-24s %d\n", "into DECIMAL(8,2)", status);
    show_decimal("host DECIMAL(8,2)", &total_host);
    status = rvalcvar(&total, &total_host, TRW_HOST_DECIMAL, 0x0201, &indicator);
    printf("%-24s %d\n", "into DECIMAL(2,1)", status);
    status = rvalcvar(&total, narrow, TRW_HOST_CHAR, (int)sizeof narrow, &indicator);
    printf("%-24s %d \"%s\" indicator %d\n", "into char[6]", status, narrow, indicator);
    status = rvalcvar(&total, &as_int, TRW_HOST_INT, 0, &indicator);
    printf("%-24s %d %d\n", "into int", status, as_int);

    indicator = -1;
    rcvarval(&quantity, TRW_HOST_INT, &vquantity, 0, &indicator);
    exmul(&vprice, &vquantity, &product);
    rvalcvar(&product, &as_int, TRW_HOST_INT, 0, &indicator);
    printf("%-24s %d, int %d\n", "NULL quantity: indicator", indicator, as_int);

    rcvarval(name, TRW_HOST_STRING, &vname, 0, NULL);
    rcvarval(pattern, TRW_HOST_STRING, &vpattern, 0, NULL);
    exmatch(EXOP_LIKE, &vname, &vpattern, &truth);
    printf("%-24s %d\n", "'gearbox' LIKE 'gear%'", truth.vdata.vshort);
    return 0;
}
