/* INT8: reading text into the 64-bit integer record, arithmetic at the edge
 * of its range, the quotient with its truncation, NULL, the 10-byte stored
 * form, and the conversion to DECIMAL. */
#include <stdio.h>
#include <string.h>

#include "decconv.h"
#include "int8.h"

static void show(const char *what, const int8value *v)
{
    char text[24];
    trw_int8tostr(v, text, (int)sizeof text);
    printf("%-22s %s\n", what, v->sign == 0 ? "NULL" : text);
}

int main(void)
{
    int8value big, seven, r, null;
    unsigned char stored[INT8_STORED_LEN];
    decvalue dec;
    char dectext[32];
    int i;

    trw_int8cvasc("9223372036854775807", 19, &big);
    trw_int8cvasc("  -7 ", 5, &seven);
    show("largest", &big);
    printf("%-22s %d\n", "largest + 1", trw_int8add(&big, &const_int8one, &r));
    trw_int8div(&big, &seven, &r);
    show("largest / -7", &r);
    trw_int8cvasc("1.5e1", 5, &r);
    show("\"1.5e1\"", &r);
    trw_int8cvasc("0xFFFFFFFFFFFFFFFF", 18, &r);
    show("\"0xFFFFFFFFFFFFFFFF\"", &r);
    serial8inc(&big, &r);
    show("serial8inc(largest)", &r);

    trw_int8cvlong(-2147483647 - 1, &null); /* the 32-bit NULL */
    printf("%-22s %d\n", "NULL < -7 (det)", trw_int8cmp_det(&null, &seven));
    trw_int8mul(&null, &seven, &r);
    show("NULL * -7", &r);

    trw_int8cvasc("-4294967296", 11, &r);
    stint8(&r, stored);
    printf("%-22s", "stored -4294967296");
    for (i = 0; i < INT8_STORED_LEN; ++i)
        printf(" %02X", stored[i]);
    printf("\n");

    trw_int8todec(&big, &dec);
    dectoasc(&dec, dectext, (int)sizeof dectext - 1, 0);
    dectext[sizeof dectext - 1] = '\0';
    printf("%-22s %.*s\n", "as DECIMAL", (int)strcspn(dectext, " "), dectext);
    return 0;
}
