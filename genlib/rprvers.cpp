// Version-option handler: prints the caller's banner when asked with -V or -v
// and ends the process. The two writes go straight to descriptor 1 so the
// output is complete before exit; their results are deliberately ignored.
#include "rprvers.h"

#include <cstdlib>
#include <unistd.h>

#include "osutil.h"

extern "C" int sqprvers(int count, const char *option, const char *banner, void *)
{
    if (count != 2)
        return 0;
    if (stcmpr(option, "-V") != 0 && stcmpr(option, "-v") != 0)
        return 0;
    static const char newline = '\n';
    if (write(1, banner, static_cast<size_t>(stleng(banner))) < 0) {
        // a closed or broken descriptor is not reported
    }
    if (write(1, &newline, 1) < 0) {
    }
    std::exit(0);
}
