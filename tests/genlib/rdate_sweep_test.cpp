// Every DATE from 0001-01-01 to 9999-12-31 against a day count kept here by
// walking the calendar one day at a time: rjulmdy, rmdyjul and rdayofweek
// for each day, rleapyear for each year, and rdatestr then rstrdate under the
// default format on a sample of days (every day with TRW_TEST_FULL=1).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "rdate.h"

namespace {

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int mlen(int y, int m)
{
    static const int n[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : n[m - 1];
}

} // namespace

TEST(DateSweep, EveryDayOfTheRange)
{
    const bool full = std::getenv("TRW_TEST_FULL") != nullptr;
    const int text_step = full ? 1 : 997;
    int y = 1, m = 1, d = 1;
    int weekday = 1; // 0001-01-01 was a Monday
    long failures = 0;
    for (int32_t date = TRW_DATE_MIN; date <= TRW_DATE_MAX; ++date) {
        int16_t mdy[3];
        const bool ok = rjulmdy(date, mdy) == 0 && mdy[0] == m && mdy[1] == d && mdy[2] == y;
        int32_t back = 0;
        const int16_t want[3] = {static_cast<int16_t>(m), static_cast<int16_t>(d), static_cast<int16_t>(y)};
        const bool inverse = rmdyjul(want, &back) == 0 && back == date;
        if (!ok || !inverse || rdayofweek(date) != weekday) {
            ADD_FAILURE() << date << " " << y << "-" << m << "-" << d;
            if (++failures > 20)
                return;
        }
        if ((date - TRW_DATE_MIN) % text_step == 0 || date == TRW_DATE_MAX || (m == 2 && d == 29 && y % 100 == 0)) {
            char text[TRW_DATE_TEXT_MAX], want_text[40];
            std::snprintf(want_text, sizeof want_text, "%02d/%02d/%04d", m, d, y);
            ASSERT_EQ(rdatestr(date, text), 0);
            ASSERT_STREQ(text, want_text);
            int32_t parsed = 0;
            ASSERT_EQ(rstrdate(text, &parsed), 0) << text;
            ASSERT_EQ(parsed, date) << text;
        }
        weekday = (weekday + 1) % 7;
        if (++d > mlen(y, m)) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
    EXPECT_EQ(y, 10000);
    for (int year = 1; year <= 9999; ++year)
        ASSERT_EQ(rleapyear(year), leap(year) ? 1 : 0) << year;
}
