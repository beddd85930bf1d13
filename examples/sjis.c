/* Code-set conversion through the locale library: UTF-8 text to Shift-JIS
 * and back with gl_cv_open and gl_miconv, using the common code-set names.
 * A backslash and a tilde keep their bytes 5C and 7E in Shift-JIS, as with
 * iconv, so SQL text with a LIKE escape or a Windows path arrives intact;
 * Shift-JIS 5C read back is the YEN SIGN of its charmap. */
#include <stdio.h>
#include <string.h>

#include "gl_conv.h"

static int convert(const char *to, const char *from, const char *in, int inlen, char *out, int size)
{
    gl_cvdesc *cd = NULL;
    if (gl_cv_open(&cd, to, from) < 0) {
        fprintf(stderr, "no conversion from %s to %s (error %d)\n", from, to, cd ? cd->error : -1);
        return -1;
    }
    char *ip = (char *)in, *op = out;
    int il = inlen, ol = size, substituted = 0;
    int status = gl_miconv(cd, &ip, &il, &op, &ol, &substituted);
    int error = cd ? cd->error : 0;
    gl_cv_unload(cd);
    if (status != 0 || substituted) {
        fprintf(stderr, "cannot convert from %s to %s (error %d)\n", from, to, error);
        return -1;
    }
    return (int)(op - out);
}

static void dump(const char *label, const char *bytes, int n)
{
    printf("%-10s", label);
    for (int i = 0; i < n; ++i)
        printf(" %02x", (unsigned char)bytes[i]);
    printf("\n");
}

int main(void)
{
    const char utf8[] = "a\\b~c \xe6\x97\xa5\xe6\x9c\xac"; /* a\b~c and the two kanji of Japan */
    char sjis[64], back[64];
    int n = convert("Shift_JIS", "UTF-8", utf8, (int)strlen(utf8), sjis, sizeof sjis);
    if (n < 0)
        return 1;
    dump("UTF-8", utf8, (int)strlen(utf8));
    dump("Shift-JIS", sjis, n);
    int m = convert("UTF-8", "Shift_JIS", sjis, n, back, sizeof back);
    if (m < 0)
        return 1;
    dump("back", back, m);
    return 0;
}
