// sdkbanner: prints the kit's version banner and exits 0. The command line is
// never looked at; the version-option handler is called as if given "-V".
#include "rprvers.h"

static const char banner[] =
    "Holm Tarnwell CDEV Version 2.81, Holm Tarnwell-ESQL Version 9.53.UC1  ";

int main(int, char **)
{
    sqprvers(2, "-V", banner, nullptr);
    return 0;
}
