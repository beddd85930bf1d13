// DATETIME and INTERVAL through the public functions: qualifiers (the
// worked values, every one of the 65,536 codes against every function),
// packing and hand-made DECIMALs, the value check, extension, INTERVAL
// conversions, the arithmetic's rules and the mended faults, the current
// time against the system clock, the calendar sweep against Python's
// calendar, and properties of addition, subtraction and stored forms. Each
// TEST runs in a fresh process with TZ fixed (dt.cmake).
#include <sys/time.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datetime.h"
#include "gentcb.h"
#include "gl_ext.h"

namespace {

constexpr int kYearToSecond = 0x0E0A, kYearToDay = 0x0804, kYearToF3 = 0x110D, kYearToF5 = 0x130F;
constexpr int kDay9ToSecond = 0x0F4A;

// A value from its units, packed by the test itself: the digits of the units
// one after the other (the first field padded to its precision, the
// fraction to its digits), an even number of digits before the point after
// the second.
decvalue make(int q, std::initializer_list<int64_t> units, bool negative = false)
{
    const int len = TU_LEN(q), s = TU_START(q), e = TU_END(q);
    const int prec = len - e + s;
    const int frac = e > 10 ? e - 10 : 0;
    auto padded = [](int64_t u, int width) {
        std::string text = std::to_string(u);
        return std::string(static_cast<size_t>(std::max(0, width - static_cast<int>(text.size()))), '0') + text;
    };
    std::string digits;
    const int64_t *u = units.begin();
    size_t whole_units = s == TU_FRAC ? 0 : static_cast<size_t>((std::min(e, 10) - s) / 2 + 1);
    EXPECT_EQ(units.size(), whole_units + (frac > 0 ? 1 : 0));
    for (size_t i = 0; i < whole_units; ++i)
        digits += padded(u[i], i == 0 ? prec + prec % 2 : 2);
    if (s != TU_FRAC)
        digits += std::string(static_cast<size_t>(10 - std::min(e, 10)), '0');
    const int before_point = static_cast<int>(digits.size());
    if (frac > 0)
        digits += padded(u[whole_units], frac);
    if (digits.size() % 2 == 1)
        digits += "0";
    std::vector<unsigned char> pairs;
    for (size_t k = 0; k < digits.size(); k += 2)
        pairs.push_back(static_cast<unsigned char>(std::stoi(digits.substr(k, 2))));
    decvalue d;
    decload(&d, negative ? 0 : 1, before_point / 2, pairs.data(), static_cast<int>(pairs.size()));
    return d;
}

bool same(const decvalue &a, const decvalue &b)
{
    if (a.sign == -1 || b.sign == -1)
        return a.sign == b.sign;
    return a.sign == b.sign && a.exponent == b.exponent && a.ndigits == b.ndigits &&
           std::memcmp(a.digits, b.digits, static_cast<size_t>(a.ndigits)) == 0;
}

std::vector<int> unpacked(const decvalue &d, int q)
{
    unsigned char bytes[DT_UNPACKED];
    EXPECT_EQ(dtunpack(&d, q, bytes), 0);
    return {bytes, bytes + DT_UNPACKED};
}

decvalue null_dec()
{
    decvalue d{};
    d.sign = -1;
    return d;
}

// ---- qualifiers ----

TEST(DtQualifier, WorkedValuesAndMacros)
{
    EXPECT_EQ(TU_DTENCODE(TU_YEAR, TU_SECOND), 0x0E0A);
    EXPECT_EQ(TU_DTENCODE(TU_YEAR, TU_DAY), 0x0804);
    EXPECT_EQ(TU_DTENCODE(TU_YEAR, TU_F3), 0x110D);
    EXPECT_EQ(TU_DTENCODE(TU_YEAR, TU_F5), 0x130F);
    EXPECT_EQ(TU_IENCODE(9, TU_DAY, TU_SECOND), 0x0F4A);
    EXPECT_EQ(TU_LEN(TU_IENCODE(5, TU_DAY, TU_SECOND)), 11);
    EXPECT_EQ(TU_FLEN(0x0F4A), 9);
    EXPECT_EQ(TU_START(0x0F4A), TU_DAY);
    EXPECT_EQ(TU_END(0x110D), TU_F3);
    EXPECT_EQ(_chk_qual(0, kYearToSecond), 0);
    EXPECT_EQ(_chk_qual(1, kYearToSecond), -1268);
    EXPECT_EQ(get_toerrno(), -1268);
    EXPECT_EQ(_chk_qual(1, kDay9ToSecond), 0);
    EXPECT_EQ(_chk_qual(0, kDay9ToSecond), -1268); // a DATETIME has the default precision
    EXPECT_EQ(_chk_qual(0, TU_ENCODE(1, TU_FRAC, TU_F1)), 0); // fraction to fraction(1)
    EXPECT_EQ(_chk_qual(1, TU_ENCODE(1, TU_FRAC, TU_F1)), 0);
    EXPECT_EQ(_chk_qual(1, TU_IENCODE(4, TU_YEAR, TU_MONTH)), 0);
    EXPECT_EQ(_chk_qual(1, TU_IENCODE(2, TU_MONTH, TU_DAY)), -1268); // mixes the classes
    EXPECT_STREQ(rtuname(TU_YEAR), "year");
    EXPECT_STREQ(rtuname(TU_SECOND), "second");
    EXPECT_STREQ(rtuname(TU_F3), "fraction");
    EXPECT_STREQ(rtuname(7), "");
    const int digits[] = TU_DIGITS_INIT, bases[] = TU_BASES_INIT;
    EXPECT_EQ(digits[0], 4);
    EXPECT_EQ(bases[TU_HOUR / 2], 24);
}

TEST(DtQualifier, RefusesQualifiersNoValueCanHave)
{
    for (int q : {0x000A, 0x0E1A, 0x0E0B, 0x0E09, 0x0EE0, 0x1E4A, -0x0E0A, 0x10000 + 0x0E0A}) {
        EXPECT_EQ(_chk_qual(0, q), -1268) << std::hex << q;
        EXPECT_EQ(_chk_qual(1, q), -1268) << std::hex << q;
    }
    EXPECT_EQ(_chk_qual(1, TU_IENCODE(10, TU_DAY, TU_SECOND)), -1268); // first field above 9 digits
    EXPECT_EQ(_chk_qual(1, TU_IENCODE(0, TU_DAY, TU_SECOND)), -1268);
    EXPECT_EQ(_chk_qual(1, TU_IENCODE(3, TU_FRAC, TU_F3)), -1268); // a fraction start has 2
    EXPECT_EQ(_chk_qual(0, TU_ENCODE(5 + 10, TU_YEAR, TU_SECOND)), -1268);
    EXPECT_EQ(_chk_qual(0, TU_ENCODE(3 + 4, TU_HOUR, TU_SECOND)), -1268);
}

// Every code as a qualifier, for every function that takes one: -1268 for
// each invalid one, and no output written outside its record.
TEST(DtQualifier, EveryCodeIntoEveryFunction)
{
    int valid_dt = 0, valid_inv = 0;
    const decvalue dt = make(kYearToF5, {2024, 2, 29, 12, 30, 45, 12345});
    const decvalue inv = make(kDay9ToSecond, {3, 4, 5, 6});
    for (int q = -1; q <= 0xFFFF; ++q) {
        const bool ok_dt = _chk_qual(0, q) == 0, ok_inv = _chk_qual(1, q) == 0;
        valid_dt += ok_dt;
        valid_inv += ok_inv;
        struct {
            unsigned char before[8];
            decvalue d;
            unsigned char after[8];
        } out{};
        std::memset(&out, 0x5A, sizeof out);
        unsigned char bytes[DT_UNPACKED + 4];
        std::memset(bytes, 0x5A, sizeof bytes);
        const int st_unpack = dtunpack(&dt, q, bytes);
        EXPECT_EQ(bytes[DT_UNPACKED], 0x5A);
        EXPECT_EQ(st_unpack == 0, ok_dt || ok_inv) << q;
        EXPECT_EQ(rdtextend(&dt, kYearToF5, &out.d, q) == -1268, !ok_dt) << q;
        EXPECT_EQ(rinvcopy(&inv, kDay9ToSecond, &out.d, q) == -1268, !ok_inv) << q;
        EXPECT_EQ(rdtaddinv(&dt, kYearToF5, &inv, q, &out.d) == -1268, !ok_inv) << q;
        EXPECT_EQ(rdtaddinv(&dt, q, &inv, kDay9ToSecond, &out.d) == -1268, !ok_dt) << q;
        int rq = 0;
        EXPECT_EQ(rdtsub(&dt, q, &dt, kYearToF5, &out.d, &rq) == -1268, !ok_dt) << q;
        EXPECT_EQ(rinvtodec(&inv, q, &out.d) == -1268, !ok_inv) << q;
        EXPECT_EQ(rdectoinv(&inv, &out.d, q) == -1268, !ok_inv) << q;
        EXPECT_EQ(chk_dtinv(&dt, q, 1) == -1268, !ok_dt) << q;
        EXPECT_EQ(rdatedt(1, &out.d, q) == -1268, !ok_dt) << q;
        int date = 0;
        EXPECT_EQ(rdttodate(&dt, q, &date) == -1268, !ok_dt) << q;
        char text[40];
        std::memset(text, 0x5A, sizeof text);
        const int n = rtudesc(DT_SQLTYPE_INTERVAL, q, text);
        EXPECT_EQ(n == -1268, !ok_inv) << q;
        if (n >= 0) {
            EXPECT_LE(n, 32);
        }
        EXPECT_EQ(rtudesc(DT_SQLTYPE_DATETIME, q, text) == -1268, !ok_dt) << q;
        for (unsigned char c : out.before)
            EXPECT_EQ(c, 0x5A);
        for (unsigned char c : out.after)
            EXPECT_EQ(c, 0x5A);
        if (ok_dt || ok_inv) {
            EXPECT_LE(TU_LEN(q), 20);
        }
    }
    // DATETIME: 11 + 10 + ... + 5 start and end pairs; INTERVAL: 3
    // year-month and 30 day-time pairs with 9 precisions, 5 fraction starts.
    EXPECT_EQ(valid_dt, 56);
    EXPECT_EQ(valid_inv, 3 * 9 + 30 * 9 + 5);
}

TEST(DtQualifier, Descriptions)
{
    char text[40];
    int n = rtudesc(DT_SQLTYPE_INTERVAL, TU_IENCODE(5, TU_DAY, TU_F3), text);
    EXPECT_EQ(std::string(text, static_cast<size_t>(n)), "day(5) to fraction(3)");
    n = rtudesc(DT_SQLTYPE_DATETIME, kYearToSecond, text);
    EXPECT_EQ(std::string(text, static_cast<size_t>(n)), "year to second");
    n = rtudesc(DT_SQLTYPE_INTERVAL, TU_IENCODE(2, TU_HOUR, TU_MINUTE), text);
    EXPECT_EQ(std::string(text, static_cast<size_t>(n)), "hour to minute");
    n = rtudesc(DT_SQLTYPE_INTERVAL, TU_IENCODE(4, TU_YEAR, TU_MONTH), text);
    EXPECT_EQ(std::string(text, static_cast<size_t>(n)), "year to month");
    EXPECT_EQ(rtudesc(DT_SQLTYPE_INTERVAL, TU_IENCODE(4, TU_YEAR, TU_DAY), text), -1268);
    EXPECT_EQ(rtudesc(5, kYearToSecond, text), -1268);
}

// ---- packing ----

TEST(DtPacking, WorkedExamplesAndNormalForm)
{
    const unsigned char ymdhms[] = {19, 99, 12, 31, 23, 59, 58};
    decvalue d;
    ASSERT_EQ(dtpack(&d, kYearToSecond, ymdhms, 1), 0);
    EXPECT_EQ(d.exponent, 7);
    EXPECT_EQ(d.ndigits, 7);
    EXPECT_EQ(0, std::memcmp(d.digits, ymdhms, 7));
    EXPECT_TRUE(same(d, make(kYearToSecond, {1999, 12, 31, 23, 59, 58})));
    const unsigned char hm[] = {1, 23, 45};
    ASSERT_EQ(dtpack(&d, TU_IENCODE(3, TU_HOUR, TU_MINUTE), hm, 1), 0);
    EXPECT_EQ(d.exponent, 4);
    EXPECT_EQ(d.ndigits, 3);
    // YEAR TO DAY 2000-01-01 ends in zero pairs: the normal form drops them
    const unsigned char ymd[] = {20, 0, 1, 1};
    ASSERT_EQ(dtpack(&d, kYearToDay, ymd, 1), 0);
    EXPECT_EQ(d.exponent, 7);
    EXPECT_EQ(d.ndigits, 4);
    EXPECT_EQ(unpacked(d, kYearToDay), (std::vector<int>{20, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // an odd fraction end keeps the low digit of its last pair zero
    const unsigned char f3[] = {20, 24, 1, 2, 3, 4, 5, 12, 37};
    ASSERT_EQ(dtpack(&d, kYearToF3, f3, 1), 0);
    EXPECT_EQ(d.digits[d.ndigits - 1], 30);
    EXPECT_EQ(chk_dtinv(&d, kYearToF3, 1), 0);
    const decvalue null = null_dec();
    EXPECT_EQ(unpacked(null, kYearToSecond), std::vector<int>(16, 0));
}

TEST(DtPacking, HandMadeDecimalsStayInsideTheUnpackedBytes)
{
    decvalue d{};
    d.sign = 1;
    d.exponent = 40; // far above the qualifier's
    d.ndigits = 16;
    for (auto &digit : d.digits)
        digit = 250;
    unsigned char bytes[DT_UNPACKED + 8];
    std::memset(bytes, 0x5A, sizeof bytes);
    EXPECT_EQ(dtunpack(&d, kYearToSecond, bytes), 0);
    for (int i = DT_UNPACKED; i < DT_UNPACKED + 8; ++i)
        EXPECT_EQ(bytes[i], 0x5A);
    EXPECT_EQ(chk_dtinv(&d, kYearToSecond, 1), -1263);
    d.exponent = -40; // digits finer than the end
    EXPECT_EQ(dtunpack(&d, kYearToSecond, bytes), 0);
    EXPECT_EQ(chk_dtinv(&d, kYearToSecond, 1), -1263);
    d.ndigits = 200;
    EXPECT_EQ(dtunpack(&d, kYearToSecond, bytes), 0);
    // a valid value plus one digit beyond its end
    decvalue v = make(kYearToDay, {1999, 12, 31});
    v.digits[v.ndigits++] = 5;
    EXPECT_EQ(chk_dtinv(&v, kYearToDay, 1), -1263);
    // an odd INTERVAL first field with a pad digit
    decvalue wide = make(TU_IENCODE(4, TU_HOUR, TU_MINUTE), {1234, 5});
    EXPECT_EQ(chk_dtinv(&wide, TU_IENCODE(3, TU_HOUR, TU_MINUTE), 0), -1263);
}

// ---- the value check ----

TEST(DtValueCheck, CalendarAndUnitLimits)
{
    const int md = TU_DTENCODE(TU_MONTH, TU_DAY);
    decvalue d = make(md, {2, 29});
    EXPECT_EQ(chk_dtinv(&d, md, 1), 0); // no year: February has 29
    d = make(md, {2, 30});
    EXPECT_EQ(chk_dtinv(&d, md, 1), -1263);
    d = make(kYearToDay, {1900, 2, 29});
    EXPECT_EQ(chk_dtinv(&d, kYearToDay, 1), -1263);
    d = make(kYearToDay, {2000, 2, 29});
    EXPECT_EQ(chk_dtinv(&d, kYearToDay, 1), 0);
    const int dd = TU_DTENCODE(TU_DAY, TU_DAY);
    d = make(dd, {31});
    EXPECT_EQ(chk_dtinv(&d, dd, 1), 0);
    d = make(kYearToSecond, {0, 1, 1, 0, 0, 0});
    EXPECT_EQ(chk_dtinv(&d, kYearToSecond, 1), -1263);
    d = make(kYearToSecond, {2000, 1, 1, 24, 0, 0});
    EXPECT_EQ(chk_dtinv(&d, kYearToSecond, 1), -1263);
    const int ym = TU_IENCODE(4, TU_YEAR, TU_MONTH);
    d = make(ym, {9999, 11});
    EXPECT_EQ(chk_dtinv(&d, ym, 0), 0);
    d = make(ym, {9999, 12});
    EXPECT_EQ(chk_dtinv(&d, ym, 0), -1263);
    const int hh = TU_IENCODE(5, TU_HOUR, TU_HOUR);
    d = make(hh, {99999});
    EXPECT_EQ(chk_dtinv(&d, hh, 0), 0); // a first field has no other limit
    unsigned char bytes[DT_UNPACKED] = {20, 0, 2, 29};
    EXPECT_EQ(daysinmonth(bytes, 3), 29);
    bytes[1] = 1;
    EXPECT_EQ(daysinmonth(bytes, 3), 28);
    EXPECT_EQ(daysinmonth(bytes, 0), 31);
    bytes[0] = 2;
    EXPECT_EQ(daysinmonth(bytes, 1), 29);
}

// ---- extension and conversions ----

TEST(DtExtension, UnitsFromNowDroppedAndDefaulted)
{
    const decvalue fixed = make(kYearToF5, {2024, 7, 14, 10, 20, 30, 12340});
    ASSERT_EQ(rdtsetcurr(&fixed), 0);
    const int hm = TU_DTENCODE(TU_HOUR, TU_MINUTE);
    const decvalue t = make(hm, {9, 45});
    decvalue r;
    ASSERT_EQ(rdtextend(&t, hm, &r, kYearToSecond), 0);
    EXPECT_TRUE(same(r, make(kYearToSecond, {2024, 7, 14, 9, 45, 0})));
    const int ymo = TU_DTENCODE(TU_YEAR, TU_MONTH);
    const decvalue m = make(ymo, {1999, 4});
    ASSERT_EQ(rdtextend(&m, ymo, &r, kYearToDay), 0);
    EXPECT_TRUE(same(r, make(kYearToDay, {1999, 4, 1})));
    // finer fraction truncated, units before the target's start dropped
    const decvalue f5 = make(kYearToF5, {2001, 2, 3, 4, 5, 6, 98765});
    const int hf3 = TU_DTENCODE(TU_HOUR, TU_F3);
    ASSERT_EQ(rdtextend(&f5, kYearToF5, &r, hf3), 0);
    EXPECT_TRUE(same(r, make(hf3, {4, 5, 6, 987})));
    // the record form, in place, keeps NULL
    dt_value rec{static_cast<int16_t>(kYearToF5), null_dec()};
    dt_value out{static_cast<int16_t>(kYearToDay), {}};
    EXPECT_EQ(dtextend(&rec, &out), 0);
    EXPECT_EQ(out.dt_dec.sign, -1);
    EXPECT_EQ(rdtsetcurr(nullptr), 0);
}

TEST(DtConversion, DatesAndBrokenDownTime)
{
    decvalue r;
    ASSERT_EQ(rdatedt(1, &r, kYearToSecond), 0);
    EXPECT_TRUE(same(r, make(kYearToSecond, {1900, 1, 1, 0, 0, 0})));
    int date = 0;
    ASSERT_EQ(rdttodate(&r, kYearToSecond, &date), 0);
    EXPECT_EQ(date, 1);
    EXPECT_EQ(rdatedt(2958465, &r, kYearToDay), -1210);
    EXPECT_EQ(r.sign, -1);
    EXPECT_EQ(rdatedt(INT32_MIN, &r, kYearToDay), 0);
    EXPECT_EQ(r.sign, -1);
    EXPECT_EQ(rdttodate(&r, kYearToDay, &date), 0);
    EXPECT_EQ(date, INT32_MIN);

    dt_value dt{static_cast<int16_t>(kYearToF3), {}};
    gl_tm tm{};
    tm.tm_year = 124;
    tm.tm_mon = 1;
    tm.tm_mday = 29;
    tm.tm_hour = 13;
    tm.tm_min = 14;
    tm.tm_sec = 15;
    tm.tm_fraction = 123456;
    ASSERT_EQ(tmtodtdec(&tm, &dt), 0);
    EXPECT_TRUE(same(dt.dt_dec, make(kYearToF3, {2024, 2, 29, 13, 14, 15, 123})));
    gl_tm back{};
    back.tm_glword1 = 9;
    ASSERT_EQ(dtdectotm(&dt, &back), 0);
    EXPECT_EQ(back.tm_fraction, 123000);
    EXPECT_EQ(back.tm_mday, 29);
    EXPECT_EQ(back.tm_wday, 4); // a Thursday
    EXPECT_EQ(back.tm_yday, 59);
    EXPECT_EQ(back.tm_glword1, 0);
    tm.tm_year = -1900;
    EXPECT_EQ(tmtodtdec(&tm, &dt), -1);
    tm.tm_year = 101;
    tm.tm_mday = 29; // 2001-02-29
    EXPECT_EQ(tmtodtdec(&tm, &dt), -1263);
    dt_value hm{static_cast<int16_t>(TU_DTENCODE(TU_HOUR, TU_MINUTE)), make(TU_DTENCODE(TU_HOUR, TU_MINUTE), {7, 8})};
    ASSERT_EQ(dtdectotm(&hm, &back), 0);
    EXPECT_EQ(back.tm_hour, 7);
    EXPECT_EQ(back.tm_mday, 1);
    EXPECT_EQ(back.tm_sec, 0);
}

TEST(DtInterval, CountsAndConversions)
{
    const int d2s = TU_IENCODE(2, TU_DAY, TU_SECOND), d2f1 = TU_IENCODE(2, TU_DAY, TU_F1);
    const int h3m = TU_IENCODE(3, TU_HOUR, TU_MINUTE), h2m = TU_IENCODE(2, TU_HOUR, TU_MINUTE);
    const decvalue v = make(d2f1, {3, 4, 5, 6, 5});
    decvalue r;
    ASSERT_EQ(rinvcopy(&v, d2f1, &r, h3m), 0);
    EXPECT_TRUE(same(r, make(h3m, {76, 5})));
    const decvalue hundred = make(h3m, {100, 0});
    EXPECT_EQ(rinvcopy(&hundred, h3m, &r, h2m), -1265);
    EXPECT_EQ(r.sign, -1);
    const int ym = TU_IENCODE(4, TU_YEAR, TU_MONTH);
    const decvalue months = make(ym, {1, 2});
    EXPECT_EQ(rinvcopy(&months, ym, &r, TU_IENCODE(2, TU_DAY, TU_HOUR)), -1266);
    EXPECT_EQ(rinvcopy(&v, d2f1, &r, TU_IENCODE(2, TU_HOUR, TU_HOUR)), 0);
    EXPECT_EQ(rinvcopy(&v, d2f1, &r, TU_IENCODE(2, TU_FRAC, TU_F2)), -1265); // seconds do not fit
    EXPECT_EQ(rinvcopy(&v, d2f1, &r, TU_IENCODE(2, TU_SECOND, TU_SECOND)), -1265);
    // the count of end units, negative
    const decvalue neg = make(d2s, {1, 0, 0, 1}, true);
    ASSERT_EQ(rinvtodec(&neg, d2s, &r), 0);
    decvalue want;
    const unsigned char p[] = {8, 64, 1};
    decload(&want, 0, 3, p, 3);
    EXPECT_TRUE(same(r, want));
    decvalue back;
    ASSERT_EQ(rdectoinv(&r, &back, d2s), 0);
    EXPECT_TRUE(same(back, neg));
    // beyond 64 bits
    decvalue huge;
    const unsigned char big[] = {1};
    decload(&huge, 1, 11, big, 1);
    EXPECT_EQ(rdectoinv(&huge, &back, TU_IENCODE(9, TU_SECOND, TU_SECOND)), -1265);
    EXPECT_EQ(back.sign, -1);
    inv_value a{static_cast<int16_t>(d2f1), v}, out{static_cast<int16_t>(h3m), {}};
    EXPECT_EQ(invextend(&a, &out), 0);
    EXPECT_TRUE(same(out.in_dec, make(h3m, {76, 5})));
}

// ---- arithmetic ----

TEST(DtArithmetic, EdgesOfTheRules)
{
    dt_value a{static_cast<int16_t>(kYearToDay), make(kYearToDay, {1999, 1, 31})}, r{};
    const int mm = TU_IENCODE(2, TU_MONTH, TU_MONTH), dd3 = TU_IENCODE(3, TU_DAY, TU_DAY);
    inv_value month{static_cast<int16_t>(mm), make(mm, {1})};
    EXPECT_EQ(dtaddinv(&a, &month, &r), -1267); // 1999-02-31 is not clipped
    EXPECT_EQ(r.dt_dec.sign, -1);
    a.dt_dec = make(kYearToDay, {1999, 12, 31});
    inv_value day{static_cast<int16_t>(dd3), make(dd3, {1})};
    ASSERT_EQ(dtaddinv(&a, &day, &r), 0);
    EXPECT_TRUE(same(r.dt_dec, make(kYearToDay, {2000, 1, 1})));
    EXPECT_EQ(r.dt_qual, kYearToDay);
    ASSERT_EQ(dtsubinv(&r, &day, &r), 0);
    EXPECT_TRUE(same(r.dt_dec, a.dt_dec));
    const int hm = TU_DTENCODE(TU_HOUR, TU_MINUTE), m2 = TU_IENCODE(2, TU_MINUTE, TU_MINUTE);
    dt_value t{static_cast<int16_t>(hm), make(hm, {23, 30})};
    inv_value mins{static_cast<int16_t>(m2), make(m2, {45})};
    EXPECT_EQ(dtaddinv(&t, &mins, &r), -1267);
    // the DATE limits
    a.dt_dec = make(kYearToDay, {9999, 12, 31});
    EXPECT_EQ(dtaddinv(&a, &day, &r), -1204);
    a.dt_dec = make(kYearToDay, {1, 1, 1});
    EXPECT_EQ(dtsubinv(&a, &day, &r), -1204);
    // a year-month INTERVAL added to a DATETIME with a day adds its months
    const int ym = TU_IENCODE(4, TU_YEAR, TU_MONTH);
    a.dt_dec = make(kYearToDay, {1999, 1, 15});
    inv_value yms{static_cast<int16_t>(ym), make(ym, {1, 2})};
    ASSERT_EQ(dtaddinv(&a, &yms, &r), 0);
    EXPECT_TRUE(same(r.dt_dec, make(kYearToDay, {2000, 3, 15})));
    // a DATETIME without a year counts in a leap year
    const int md = TU_DTENCODE(TU_MONTH, TU_DAY);
    dt_value feb{static_cast<int16_t>(md), make(md, {2, 28})};
    const int d2 = TU_IENCODE(2, TU_DAY, TU_DAY);
    inv_value one{static_cast<int16_t>(d2), make(d2, {1})};
    ASSERT_EQ(dtaddinv(&feb, &one, &r), 0);
    EXPECT_TRUE(same(r.dt_dec, make(md, {2, 29})));
    feb.dt_dec = make(md, {12, 31});
    EXPECT_EQ(dtaddinv(&feb, &one, &r), -1267); // the year would change
    // incompatible units, and the check order
    inv_value hours{static_cast<int16_t>(TU_IENCODE(2, TU_HOUR, TU_HOUR)), make(TU_IENCODE(2, TU_HOUR, TU_HOUR), {1})};
    EXPECT_EQ(dtaddinv(&a, &hours, &r), -1266);
    dt_value null_dt{static_cast<int16_t>(kYearToDay), null_dec()};
    EXPECT_EQ(dtaddinv(&null_dt, &hours, &r), 0); // NULL before units
    EXPECT_EQ(r.dt_dec.sign, -1);
    null_dt.dt_qual = 0x000A;
    EXPECT_EQ(dtaddinv(&null_dt, &hours, &r), -1268); // qualifiers before NULL
}

TEST(DtArithmetic, SubtractionScalingAndRatios)
{
    const dt_value a{static_cast<int16_t>(kYearToSecond), make(kYearToSecond, {2000, 3, 1, 0, 0, 0})};
    const dt_value b{static_cast<int16_t>(kYearToSecond), make(kYearToSecond, {2000, 2, 28, 0, 0, 0})};
    decvalue r;
    int rq = 0;
    ASSERT_EQ(rdtsub(&a.dt_dec, a.dt_qual, &b.dt_dec, b.dt_qual, &r, &rq), 0);
    EXPECT_EQ(rq, TU_IENCODE(8, TU_DAY, TU_SECOND));
    EXPECT_TRUE(same(r, make(rq, {2, 0, 0, 0})));
    inv_value diff{static_cast<int16_t>(kDay9ToSecond), {}};
    ASSERT_EQ(dtsub(&b, &a, &diff), 0);
    EXPECT_TRUE(same(diff.in_dec, make(kDay9ToSecond, {2, 0, 0, 0}, true)));
    diff.in_qual = static_cast<int16_t>(TU_IENCODE(4, TU_YEAR, TU_MONTH));
    EXPECT_EQ(dtsub(&a, &b, &diff), -1266);

    const int h2m = TU_IENCODE(2, TU_HOUR, TU_MINUTE);
    const inv_value t{static_cast<int16_t>(h2m), make(h2m, {10, 30})};
    inv_value out{static_cast<int16_t>(h2m), {}};
    ASSERT_EQ(invmuldbl(&t, 2.0, &out), 0);
    EXPECT_TRUE(same(out.in_dec, make(h2m, {21, 0})));
    EXPECT_EQ(invmuldbl(&t, 10.0, &out), -1265);
    EXPECT_EQ(out.in_dec.sign, -1);
    // the operand is counted before its scaling, not fitted to the output
    const int h3m = TU_IENCODE(3, TU_HOUR, TU_MINUTE);
    const inv_value hundred{static_cast<int16_t>(h3m), make(h3m, {100, 0})};
    ASSERT_EQ(invmuldbl(&hundred, 0.5, &out), 0);
    EXPECT_TRUE(same(out.in_dec, make(h2m, {50, 0})));
    decvalue zero;
    decload(&zero, 1, 0, nullptr, 0);
    EXPECT_EQ(invdivdec(&t, &zero, &out), -1202);
    EXPECT_EQ(out.in_dec.sign, -1);
    double nulld;
    std::memset(&nulld, 0xFF, sizeof nulld);
    EXPECT_EQ(invmuldbl(&t, nulld, &out), 0);
    EXPECT_EQ(out.in_dec.sign, -1);
    ASSERT_EQ(invdivdbl(&t, 4.0, &out), 0);
    EXPECT_TRUE(same(out.in_dec, make(h2m, {2, 37}))); // 2:37.5 truncated

    // ratios: DAY TO HOUR over HOUR TO MINUTE, and a first field that the
    // earlier operand's precision would not hold
    const int d2h = TU_IENCODE(2, TU_DAY, TU_HOUR), h5m = TU_IENCODE(5, TU_HOUR, TU_MINUTE);
    const inv_value days{static_cast<int16_t>(d2h), make(d2h, {1, 12})};
    const inv_value hm{static_cast<int16_t>(h2m), make(h2m, {9, 0})};
    double ratio = 0;
    ASSERT_EQ(invdivinv(&days, &hm, &ratio), 0);
    EXPECT_DOUBLE_EQ(ratio, 4.0);
    const inv_value big{static_cast<int16_t>(h5m), make(h5m, {99999, 0})};
    ASSERT_EQ(invdivinv(&big, &days, &ratio), 0);
    EXPECT_DOUBLE_EQ(ratio, 99999.0 / 36.0);
    const inv_value ym{static_cast<int16_t>(TU_IENCODE(4, TU_YEAR, TU_MONTH)), make(TU_IENCODE(4, TU_YEAR, TU_MONTH), {1, 0})};
    EXPECT_EQ(invdivinv(&ym, &days, &ratio), -1266);
    const inv_value null_inv{static_cast<int16_t>(h2m), null_dec()};
    EXPECT_EQ(invdivinv(&null_inv, &days, &ratio), 0);
    uint64_t bits;
    std::memcpy(&bits, &ratio, sizeof bits);
    EXPECT_EQ(bits, ~uint64_t{0});
}

// ---- the current time ----

decvalue local_value(const timeval &tv)
{
    std::tm tm{};
    const std::time_t sec = tv.tv_sec;
    localtime_r(&sec, &tm);
    return make(kYearToF5, {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                            tv.tv_usec / 10});
}

TEST(DtCurrent, LiesBetweenTwoClockReadings)
{
    for (int i = 0; i < 200; ++i) {
        timeval before{}, after{};
        decvalue now;
        gettimeofday(&before, nullptr);
        ASSERT_EQ(rdtcurrent(&now), kYearToF5);
        gettimeofday(&after, nullptr);
        const decvalue lo = local_value(before), hi = local_value(after);
        EXPECT_LE(deccmp(&lo, &now), 0);
        EXPECT_LE(deccmp(&now, &hi), 0);
        EXPECT_EQ(chk_dtinv(&now, kYearToF5, 1), 0);
        if (now.ndigits == 10) {
            EXPECT_EQ(now.digits[9] % 10, 0); // the sixth digit dropped
        }
    }
    const time_t t0 = std::time(nullptr);
    const time_t t = rutccurrent();
    EXPECT_GE(t, t0);
    EXPECT_LE(t, std::time(nullptr));
}

TEST(DtCurrent, InEveryQualifierAndThroughTheLocaleHook)
{
    for (int q : {kYearToSecond, kYearToDay, kYearToF3, TU_DTENCODE(TU_HOUR, TU_F5), TU_DTENCODE(TU_MONTH, TU_DAY)}) {
        dt_value d{static_cast<int16_t>(q), {}};
        ASSERT_EQ(dtcurrent(&d), 0);
        EXPECT_EQ(chk_dtinv(&d.dt_dec, q, 1), 0);
    }
    dt_value bad{0x000A, {}};
    set_toerrno(-5);
    ASSERT_EQ(dtcurrent(&bad), 0);
    EXPECT_EQ(bad.dt_qual, kYearToF3);
    EXPECT_EQ(get_toerrno(), 0);
    // the locale library's current date is the current DATETIME's
    decvalue now;
    gl_ext_date date{};
    ASSERT_EQ(rdtcurrent(&now), kYearToF5);
    ASSERT_EQ(cl_ext_currdate(&date), 0);
    const std::vector<int> u = unpacked(now, kYearToF5);
    const bool midnight_passed = u[3] != date.day;
    if (!midnight_passed) {
        EXPECT_EQ(date.year, u[0] * 100 + u[1]);
        EXPECT_EQ(date.month, u[2]);
    }
}

TEST(DtCurrent, FixedTimeAndTheDbtodayOffset)
{
    const decvalue fixed = make(kYearToF5, {1999, 12, 31, 23, 59, 59, 99990});
    ASSERT_EQ(rdtsetcurr(&fixed), 0);
    decvalue now;
    ASSERT_EQ(rdtcurrent(&now), kYearToF5);
    EXPECT_TRUE(same(now, fixed));
    gl_ext_date date{};
    ASSERT_EQ(cl_ext_currdate(&date), 0);
    EXPECT_EQ(date.year, 1999);
    EXPECT_EQ(date.day, 31);
    const decvalue bad = make(kYearToF5, {1999, 2, 30, 0, 0, 0, 0});
    EXPECT_EQ(rdtsetcurr(&bad), -1263);
    ASSERT_EQ(rdtcurrent(&now), kYearToF5);
    EXPECT_TRUE(same(now, fixed));
    ASSERT_EQ(rdtsetcurr(nullptr), 0);
    // an offset in force moves the clock: ten days back
    struct gentcb *block = CheckGenInit();
    ASSERT_NE(block, nullptr);
    block->gt_dbtoday_state = GENTCB_DBTODAY_VALID;
    block->gt_dbtoday_invqual = static_cast<int16_t>(kDay9ToSecond);
    block->gt_dbtoday_inv = make(kDay9ToSecond, {10, 0, 0, 0}, true);
    timeval tv{};
    gettimeofday(&tv, nullptr);
    ASSERT_EQ(rdtcurrent(&now), kYearToF5);
    tv.tv_sec -= 10 * 86400 + 5;
    const decvalue earliest = local_value(tv);
    tv.tv_sec += 10;
    const decvalue latest = local_value(tv);
    EXPECT_LE(deccmp(&earliest, &now), 0);
    EXPECT_LE(deccmp(&now, &latest), 0);
}

TEST(DtCurrent, UseDtenvIsReadOnce)
{
    setenv("USE_DTENV", "1", 1);
    EXPECT_NE(get_usedtenv(), 0);
    setenv("USE_DTENV", "0", 1);
    EXPECT_NE(get_usedtenv(), 0);
    EXPECT_EQ(strisblank(" \t\n"), 1);
    EXPECT_EQ(strisblank(""), 1);
    EXPECT_EQ(strisblank(" x "), 0);
}

TEST(DtCurrent, UseDtenvOtherValues)
{
    setenv("USE_DTENV", "1 ", 1);
    EXPECT_EQ(get_usedtenv(), 0);
}

// ---- the calendar, every day ----

bool full_sweep()
{
    const char *v = std::getenv("TRW_TEST_FULL");
    return v != nullptr && std::strcmp(v, "1") == 0;
}

TEST(DtCalendar, EveryDayRoundTripsAndMonthEndsCarry)
{
    std::ifstream in(DT_MONTH_LENGTHS);
    ASSERT_TRUE(in);
    std::vector<int> lengths;
    for (int n; in >> n;)
        lengths.push_back(n);
    ASSERT_EQ(lengths.size(), 9999u * 12u);
    const int step = full_sweep() ? 1 : 97;
    const int d2 = TU_IENCODE(2, TU_DAY, TU_DAY);
    const inv_value one{static_cast<int16_t>(d2), make(d2, {1})};
    int checked = 0;
    for (int day = -693594; day <= 2958464; day += step) {
        decvalue v;
        ASSERT_EQ(rdatedt(day, &v, kYearToDay), 0) << day;
        int back = 0;
        ASSERT_EQ(rdttodate(&v, kYearToDay, &back), 0);
        ASSERT_EQ(back, day);
        ++checked;
    }
    // every month end: its length against the calendar, plus one day is the
    // first of the next month
    for (int y = 1; y <= 9999; y += full_sweep() ? 1 : 7) {
        for (int m = 1; m <= 12; ++m) {
            const int len = lengths[static_cast<size_t>((y - 1) * 12 + m - 1)];
            unsigned char bytes[DT_UNPACKED] = {static_cast<unsigned char>(y / 100),
                                                static_cast<unsigned char>(y % 100), static_cast<unsigned char>(m)};
            ASSERT_EQ(daysinmonth(bytes, 3), len) << y << "-" << m;
            dt_value end{static_cast<int16_t>(kYearToDay), make(kYearToDay, {y, m, len})}, next{};
            ASSERT_EQ(chk_dtinv(&end.dt_dec, kYearToDay, 1), 0);
            decvalue over = make(kYearToDay, {y, m, len + 1});
            ASSERT_EQ(chk_dtinv(&over, kYearToDay, 1), -1263);
            const int st = dtaddinv(&end, &one, &next);
            if (y == 9999 && m == 12) {
                EXPECT_EQ(st, -1204);
                continue;
            }
            ASSERT_EQ(st, 0);
            EXPECT_TRUE(same(next.dt_dec, make(kYearToDay, {m == 12 ? y + 1 : y, m == 12 ? 1 : m + 1, 1})));
        }
    }
    EXPECT_GT(checked, 30000);
}

// ---- properties ----

TEST(DtProperties, AdditionSubtractionAndStoredOrder)
{
    std::mt19937_64 rng(16);
    auto pick = [&rng](int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(rng); };
    const int quals[] = {kYearToSecond, kYearToF5, kYearToDay, TU_DTENCODE(TU_YEAR, TU_MINUTE)};
    const int invs[] = {kDay9ToSecond, TU_IENCODE(3, TU_DAY, TU_SECOND), TU_IENCODE(5, TU_HOUR, TU_F3),
                        TU_IENCODE(9, TU_SECOND, TU_F5), TU_IENCODE(4, TU_DAY, TU_DAY)};
    int done = 0;
    for (int i = 0; i < 20000; ++i) {
        const int q = quals[i % 4];
        const int iq = invs[pick(0, 4)];
        if (TU_END(iq) > TU_END(q))
            continue;
        const int64_t y = pick(1, 9999), m = pick(1, 12), d = pick(1, 28);
        dt_value a{static_cast<int16_t>(q), {}};
        switch (q) {
        case kYearToSecond: a.dt_dec = make(q, {y, m, d, pick(0, 23), pick(0, 59), pick(0, 59)}); break;
        case kYearToF5: a.dt_dec = make(q, {y, m, d, pick(0, 23), pick(0, 59), pick(0, 59), pick(0, 99999)}); break;
        case kYearToDay: a.dt_dec = make(q, {y, m, d}); break;
        default: a.dt_dec = make(q, {y, m, d, pick(0, 23), pick(0, 59)}); break;
        }
        inv_value iv{static_cast<int16_t>(iq), {}};
        const bool neg = pick(0, 1) == 1;
        switch (iq) {
        case kDay9ToSecond: iv.in_dec = make(iq, {pick(0, 999999), pick(0, 23), pick(0, 59), pick(0, 59)}, neg); break;
        case TU_IENCODE(3, TU_DAY, TU_SECOND): iv.in_dec = make(iq, {pick(0, 999), pick(0, 23), pick(0, 59), pick(0, 59)}, neg); break;
        case TU_IENCODE(5, TU_HOUR, TU_F3): iv.in_dec = make(iq, {pick(0, 99999), pick(0, 59), pick(0, 59), pick(0, 999)}, neg); break;
        case TU_IENCODE(9, TU_SECOND, TU_F5): iv.in_dec = make(iq, {pick(0, 999999999), pick(0, 99999)}, neg); break;
        default: iv.in_dec = make(iq, {pick(0, 9999)}, neg); break;
        }
        dt_value sum{}, back{};
        if (dtaddinv(&a, &iv, &sum) != 0)
            continue;
        ASSERT_EQ(dtsubinv(&sum, &iv, &back), 0);
        EXPECT_TRUE(same(back.dt_dec, a.dt_dec));
        inv_value diff{static_cast<int16_t>(iq), {}};
        ASSERT_EQ(dtsub(&sum, &a, &diff), 0);
        decvalue izero = iv.in_dec;
        EXPECT_TRUE(same(diff.in_dec, izero)) << i;
        // stored forms of one qualifier sort as the values do
        unsigned char sa[12], sb[12];
        const int n = (TU_LEN(q) + 3) / 2;
        stdecimal(&a.dt_dec, sa, n);
        stdecimal(&sum.dt_dec, sb, n);
        const int cmp = std::memcmp(sa, sb, static_cast<size_t>(n));
        const int vcmp = deccmp(&a.dt_dec, &sum.dt_dec);
        EXPECT_EQ(cmp < 0 ? -1 : (cmp > 0 ? 1 : 0), vcmp);
        ++done;
    }
    EXPECT_GT(done, 5000);
}

} // namespace
