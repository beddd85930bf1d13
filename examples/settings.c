/* Settings from files. Every setting is an environment variable that the
 * runtime looks up through its settings registry: the process environment
 * wins, then the per-user file .tarnwell in the home directory, then the
 * system file $TARNWELLDIR/etc/tarnwell.rc, then the built-in default. The
 * files are read once, on the first lookup.
 *
 * So that it changes no real file, this program makes a private
 * installation directory: its etc/tarnwell.rc sets CLIENT_LOCALE, DBTEMP
 * and DBDELIMITER, and its gls/ is a link to the installed data tree. It
 * points TARNWELLDIR there before the first lookup. settings.env sets
 * DBTEMP in the environment, which beats the file; DBPRINT comes from the
 * built-in default. A user's own ~/.tarnwell would come between the two. */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "decconv.h"
#include "decimal.h"
#include "osenv.h"

static const char system_file[] =
    "# a system file of this example\n"
    "CLIENT_LOCALE de_DE.8859-1\n"
    "DBTEMP /srv/tmp\n"
    "DBDELIMITER ;\n";

int main(void)
{
    const char *installed = getenv("TARNWELLDIR") ? getenv("TARNWELLDIR") : "/usr/tarnwell";
    char dir[] = "/tmp/trw-settings-XXXXXX", etc[64], rc[80], gls[64], data[1024];
    if (mkdtemp(dir) == NULL)
        return 1;
    snprintf(etc, sizeof etc, "%s/etc", dir);
    snprintf(rc, sizeof rc, "%s/etc/tarnwell.rc", dir);
    snprintf(gls, sizeof gls, "%s/gls", dir);
    snprintf(data, sizeof data, "%s/gls", installed);
    FILE *f = mkdir(etc, 0700) == 0 ? fopen(rc, "w") : NULL;
    int ok = f != NULL && fputs(system_file, f) >= 0;
    if (f != NULL && fclose(f) != 0)
        ok = 0;
    if (ok && symlink(data, gls) == 0 && setenv("TARNWELLDIR", dir, 1) == 0) {
        const char *names[] = {"DBTEMP", "DBDELIMITER", "DBPRINT", "CLIENT_LOCALE"};
        for (int i = 0; i < 4; ++i) {
            const char *value = ggetenv(names[i]);
            printf("%-13s = %s\n", names[i], value ? value : "(not set)");
        }
        /* The client locale of the file reads a decimal comma. */
        decvalue d;
        char text[16] = "";
        int status = deccvasc("2,5", 3, &d);
        if (status == 0)
            dectoasc(&d, text, (int)sizeof text - 1, 2);
        printf("deccvasc(\"2,5\") = %d, %.4s\n", status, text);
    } else {
        ok = 0;
    }
    unlink(gls);
    unlink(rc);
    rmdir(etc);
    rmdir(dir);
    return ok ? 0 : 1;
}
