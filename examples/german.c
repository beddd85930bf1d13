/* A German client: with CLIENT_LOCALE=de_DE.8859-1 (see german.env) the
 * client number format takes the locale's decimal comma, so DECIMAL text is
 * read and written with a comma. The database locale follows the client
 * locale when DB_LOCALE is not set; both are Latin-1, so no code-set
 * conversion is loaded. */
#include <stdio.h>
#include <string.h>

#include "decconv.h"
#include "decimal.h"

static void trim(char *text)
{
    for (size_t n = strlen(text); n > 0 && text[n - 1] == ' '; --n)
        text[n - 1] = '\0';
}

int main(void)
{
    static const char *const inputs[] = {"1234,5", "0,07", "-3,25"};
    decvalue sum, value;
    char text[32];
    if (deccvint(0, &sum) != 0)
        return 1;
    for (size_t i = 0; i < sizeof inputs / sizeof inputs[0]; ++i) {
        int status = deccvasc(inputs[i], (int)strlen(inputs[i]), &value);
        if (status != 0) {
            fprintf(stderr, "deccvasc(\"%s\") failed: %d\n", inputs[i], status);
            return 1;
        }
        if (decadd(&sum, &value, &sum) != 0)
            return 1;
        memset(text, 0, sizeof text);
        dectoasc(&value, text, (int)sizeof text - 1, -1);
        trim(text);
        printf("read %-8s -> %s\n", inputs[i], text);
    }
    memset(text, 0, sizeof text);
    dectoasc(&sum, text, (int)sizeof text - 1, 2);
    trim(text);
    printf("sum %s\n", text);
    return 0;
}
