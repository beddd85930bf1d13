/* Includes every public header as C11 and calls one function of each. */
#include "decimal.h"
#include "glversion.h"
#include "osclient.h"
#include "osutil.h"
#include "rprvers.h"

#include <stdio.h>
#include <string.h>

static int failures;

static void check(int ok, const char *what)
{
    if (!ok) {
        fprintf(stderr, "failed: %s\n", what);
        ++failures;
    }
}

int main(void)
{
    unsigned char four[4];
    unsigned char one_pair[1] = {5};
    decvalue half;
    stlong(-2, four);
    check(ldlong(four) == -2, "osutil stlong/ldlong");
    check(os_client_locale() == NULL, "osclient no hooks");
    check(strcmp(gl_version(), "glslib-4.00.FC1") == 0, "glversion");
    check(sqprvers(1, "-V", "x", NULL) == 0, "rprvers returns");
    check(decload(&half, 1, 0, one_pair, 1) == 0 && dec2prec(&half) == 0x102, "decimal decload");
    printf("%d passed, %d failed\n", 5 - failures, failures);
    return failures != 0;
}
