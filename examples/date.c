/* DATE: day counts and triples, weekdays and leap years, text by the
 * process date format (DBDATE, set in date.env) and by date masks, the
 * century of two-digit years, and the errors of bad text. */
#include <stdio.h>

#include "rdate.h"

static const char *const weekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                       "Thursday", "Friday", "Saturday"};

int main(void)
{
    const int16_t xmas[3] = {12, 25, 2024};
    int16_t mdy[3];
    int32_t date, parsed;
    char text[TRW_DATE_TEXT_MAX], mask[TRW_FMTSTR_SIZE];

    rmdyjul(xmas, &date);
    printf("%-26s %d\n", "2024-12-25 as a DATE", (int)date);
    printf("%-26s %s\n", "its weekday", weekdays[rdayofweek(date)]);
    rjulmdy(date + 7, mdy);
    printf("%-26s %d/%d/%d\n", "a week later", mdy[0], mdy[1], mdy[2]);
    printf("%-26s %d %d\n", "leap years 2024, 2100", rleapyear(2024), rleapyear(2100));

    fmtstr(mask);
    rdatestr(date, text);
    printf("%-26s %s (%s)\n", "by DBDATE", text, mask);
    rstrdate("31.12.1999", &parsed);
    printf("%-26s %d\n", "31.12.1999 read back", (int)parsed);
    printf("%-26s %d\n", "31.02.1999", rstrdate("31.02.1999", &parsed));
    printf("%-26s %d\n", "31/12", rstrdate("31/12", &parsed));

    rfmtdate(date, "ddd, mmm dd yyyy", text);
    printf("%-26s %s\n", "mask ddd, mmm dd yyyy", text);
    rfmtdate(date, "Day dd of mm, 100% yyyy", text);
    printf("%-26s %s\n", "mask with literal text", text);
    rdefmtdate(&parsed, "mmm dd yyyy", "March 3 2025");
    rfmtdate(parsed, "yyyy-mm-dd", text);
    printf("%-26s %s\n", "March 3 2025 by a mask", text);
    printf("%-26s %d\n", "mask /12/99", rdefmtdate(&parsed, "mm/dd/yy", "/12/99"));

    printf("%-26s %d\n", "century of 1 1 2024", getcentury(1, 1, 2024));
    printf("%-26s %c\n", "century rule", getdbcentury());
    return 0;
}
