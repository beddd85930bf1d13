/* The typical call of a client program: text to DECIMAL, arithmetic, and
 * back to text, in the client locale (en_US.8859-1 when CLIENT_LOCALE is not
 * set). The first call that needs the locale sets up the client locale
 * environment; when that fails, the status says why (-23101: the locale
 * files were not found: is TARNWELLDIR the installation directory?). */
#include <stdio.h>
#include <string.h>

#include "decconv.h"
#include "decimal.h"

static int show(const char *label, const decvalue *value)
{
    char text[40];
    int status = dectoasc(value, text, (int)sizeof text - 1, 2);
    if (status != 0)
        return status;
    text[sizeof text - 1] = '\0';
    for (size_t n = strlen(text); n > 0 && text[n - 1] == ' '; --n) /* dectoasc pads with blanks */
        text[n - 1] = '\0';
    printf("%-9s %s\n", label, text);
    return 0;
}

int main(void)
{
    decvalue price, quantity, total, tax_rate, tax;
    int status = deccvasc("12.50", 5, &price);
    if (status != 0) {
        fprintf(stderr, "deccvasc failed: %d\n", status);
        return 1;
    }
    if (deccvasc("3", 1, &quantity) != 0 || deccvasc("0.19", 4, &tax_rate) != 0)
        return 1;
    if (decmul(&price, &quantity, &total) != 0 || decmul(&total, &tax_rate, &tax) != 0)
        return 1;
    if (show("price", &price) != 0 || show("total", &total) != 0 || show("tax", &tax) != 0)
        return 1;
    if (decadd(&total, &tax, &total) != 0 || show("to pay", &total) != 0)
        return 1;
    return 0;
}
