/* DATETIME and INTERVAL: values built from their units, the qualifier's
 * description, calendar arithmetic (month ends, leap days, the DATE range),
 * the difference of two DATETIMEs, INTERVAL conversion with its truncation
 * and overflow, scaling, ratios, and a fixed current time. The text forms
 * are printed here from the unpacked units. */
#include <stdio.h>
#include <string.h>

#include "datetime.h"

/* Packs units (the first field whole, then one value per unit, the fraction
 * as its digits) into a value of qualifier q. */
static void build(decvalue *d, int q, const long *units, int negative)
{
    unsigned char bytes[DT_UNPACKED] = {0};
    int start = TU_START(q), end = TU_END(q);
    int prec = TU_FLEN(q), first = (prec + 1) / 2, pos = 0, i = 0, code;
    long f = units[i++];
    int k;
    if (start != TU_FRAC) {
        for (k = first - 1; k >= 0; --k) {
            bytes[k] = (unsigned char)(f % 100);
            f /= 100;
        }
        pos = first;
        for (code = start + 2; code <= (end < 10 ? end : 10); code += 2)
            bytes[pos++] = (unsigned char)units[i++];
        f = end > 10 ? units[i] : 0;
    }
    if (end > 10) {
        int n = end - 10, scale = (n % 2) ? 10 : 1;
        long digits = f * scale; /* an even number of digits */
        int pairs = (n + 1) / 2;
        for (k = pairs - 1; k >= 0; --k) {
            bytes[pos + k] = (unsigned char)(digits % 100);
            digits /= 100;
        }
    }
    dtpack(d, q, bytes, negative ? 0 : 1);
}

static void show(const char *what, const decvalue *d, int q, int is_interval, int status)
{
    unsigned char b[DT_UNPACKED];
    char desc[40];
    int n = rtudesc(is_interval ? DT_SQLTYPE_INTERVAL : DT_SQLTYPE_DATETIME, q, desc);
    int start = TU_START(q), end = TU_END(q), pos, code;
    printf("%-30s ", what);
    if (status != 0) {
        printf("error %d\n", status);
        return;
    }
    if (d->sign == -1) {
        printf("NULL\n");
        return;
    }
    dtunpack(d, q, b);
    if (is_interval && d->sign == 0)
        printf("-");
    if (start != TU_FRAC) {
        long first = 0;
        int k, nfirst = (TU_FLEN(q) + 1) / 2;
        for (k = 0; k < nfirst; ++k)
            first = first * 100 + b[k];
        printf("%0*ld", start == TU_YEAR && !is_interval ? 4 : 1, first);
        pos = nfirst;
        for (code = start + 2; code <= (end < 10 ? end : 10); code += 2)
            printf("%s%02d", code <= TU_DAY ? "-" : (code == TU_HOUR ? " " : ":"), b[pos++]);
        if (end > 10)
            printf(".");
    } else {
        pos = 0;
        printf(".");
    }
    if (end > 10) {
        char digits[8];
        int k;
        for (k = 0; k < 3; ++k)
            sprintf(digits + 2 * k, "%02d", b[pos + k]);
        printf("%.*s", end - 10, digits);
    }
    printf("  (%.*s)\n", n, desc);
}

int main(void)
{
    const int ymd = DT_YEAR_TO_DAY, ymds = DT_YEAR_TO_SECOND;
    const int mon = TU_IENCODE(2, TU_MONTH, TU_MONTH), days = TU_IENCODE(3, TU_DAY, TU_DAY);
    const int hm = TU_IENCODE(2, TU_HOUR, TU_MINUTE), h3m = TU_IENCODE(3, TU_HOUR, TU_MINUTE);
    const long jan31[] = {1999, 1, 31}, dec31[] = {1999, 12, 31}, one[] = {1};
    const long march1[] = {2000, 3, 1, 0, 0, 0}, feb28[] = {2000, 2, 28, 12, 30, 15};
    const long t1030[] = {10, 30}, d10h12[] = {10, 12}, s3[] = {3, 4, 5, 6, 5}, now[] = {2026, 12, 9, 8, 15, 0, 12345};
    dt_value a, r, b;
    inv_value i, o;
    decvalue fixed;
    double ratio;
    int date, st;

    a.dt_qual = (int16_t)ymd;
    build(&a.dt_dec, ymd, jan31, 0);
    show("1999-01-31", &a.dt_dec, ymd, 0, 0);
    i.in_qual = (int16_t)mon;
    build(&i.in_dec, mon, one, 0);
    st = dtaddinv(&a, &i, &r);
    show("  + 1 month", &r.dt_dec, ymd, 0, st);

    build(&a.dt_dec, ymd, dec31, 0);
    i.in_qual = (int16_t)days;
    build(&i.in_dec, days, one, 0);
    st = dtaddinv(&a, &i, &r);
    show("1999-12-31 + 1 day", &r.dt_dec, ymd, 0, st);
    rdttodate(&r.dt_dec, ymd, &date);
    printf("%-30s %d\n", "  as a DATE", date);

    a.dt_qual = b.dt_qual = (int16_t)ymds;
    build(&a.dt_dec, ymds, march1, 0);
    build(&b.dt_dec, ymds, feb28, 0);
    o.in_qual = (int16_t)INV_DAY9_TO_SECOND;
    st = dtsub(&b, &a, &o);
    show("2000-02-28 12:30:15 - 03-01", &o.in_dec, o.in_qual, 1, st);

    i.in_qual = (int16_t)TU_IENCODE(2, TU_DAY, TU_F1);
    build(&i.in_dec, i.in_qual, s3, 0);
    show("an INTERVAL", &i.in_dec, i.in_qual, 1, 0);
    o.in_qual = (int16_t)h3m;
    st = invextend(&i, &o);
    show("  as HOUR(3) TO MINUTE", &o.in_dec, o.in_qual, 1, st);
    o.in_qual = (int16_t)TU_IENCODE(3, TU_MINUTE, TU_MINUTE);
    st = invextend(&i, &o);
    show("  as MINUTE(3) TO MINUTE", &o.in_dec, o.in_qual, 1, st);

    i.in_qual = (int16_t)hm;
    build(&i.in_dec, hm, t1030, 0);
    o.in_qual = (int16_t)hm;
    st = invmuldbl(&i, 2.0, &o);
    show("10:30 * 2", &o.in_dec, hm, 1, st);
    st = invmuldbl(&i, 10.0, &o);
    show("10:30 * 10", &o.in_dec, hm, 1, st);
    st = invdivdbl(&i, -4.0, &o);
    show("10:30 / -4", &o.in_dec, hm, 1, st);
    o.in_qual = (int16_t)TU_IENCODE(2, TU_DAY, TU_HOUR);
    build(&o.in_dec, o.in_qual, d10h12, 0);
    invdivinv(&o, &i, &ratio);
    printf("%-30s %g\n", "10 12 / 10:30", ratio);

    build(&fixed, DT_YEAR_TO_FRAC5, now, 0);
    rdtsetcurr(&fixed);
    r.dt_qual = (int16_t)DT_YEAR_TO_FRAC3;
    st = dtcurrent(&r);
    show("the fixed current time", &r.dt_dec, r.dt_qual, 0, st);
    rdtsetcurr(NULL);
    printf("%-30s %d\n", "INTERVAL YEAR TO SECOND", _chk_qual(1, ymds));
    return 0;
}
