// DATETIME %-formats against glibc's strftime_l and strptime_l on glibc's
// own en_US locale compiled from the same source as ours: random values and
// random formats of %Y %m %d %e %H %I %p %M %S %y %j %a %A %b %B %D %R %T and
// literal text through dttofmtasc; glibc's text, with its names in random
// case, read back by dtcvfmtasc and by strptime_l; too small outputs with a
// guard after the size; weekdays that do not match the date.
#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "datetime.h"

extern "C" const char *__lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace {

int samples(int normal)
{
    const char *v = std::getenv("TRW_TEST_FULL");
    return v != nullptr && std::strcmp(v, "1") == 0 ? normal * 50 : normal;
}

struct Glibc {
    locale_t loc = nullptr;
    Glibc()
    {
        setenv("LOCPATH", GLIBC_LOCALES, 1);
        loc = newlocale(LC_ALL_MASK, "en_US.ISO-8859-1", nullptr);
    }
    ~Glibc()
    {
        if (loc != nullptr)
            freelocale(loc);
    }
};

struct Value {
    int year, month, day, hour, minute, second;
};

Value random_value(std::mt19937 &rng, int first_year = 1000, int last_year = 9999)
{
    static const int kLen[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    Value v{};
    v.year = std::uniform_int_distribution<int>(first_year, last_year)(rng);
    v.month = std::uniform_int_distribution<int>(1, 12)(rng);
    const bool leap = (v.year % 4 == 0 && v.year % 100 != 0) || v.year % 400 == 0;
    v.day = std::uniform_int_distribution<int>(1, kLen[v.month - 1] + (v.month == 2 && leap ? 1 : 0))(rng);
    v.hour = std::uniform_int_distribution<int>(0, 23)(rng);
    v.minute = std::uniform_int_distribution<int>(0, 59)(rng);
    v.second = std::uniform_int_distribution<int>(0, 59)(rng);
    return v;
}

dt_value to_dt(const Value &v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", v.year, v.month, v.day, v.hour, v.minute,
                  v.second);
    dt_value dt;
    dt.dt_qual = DT_YEAR_TO_SECOND;
    EXPECT_EQ(dtcvasc(text, &dt), 0) << text;
    return dt;
}

std::tm to_tm(const Value &v)
{
    std::tm t{};
    t.tm_year = v.year - 1900;
    t.tm_mon = v.month - 1;
    t.tm_mday = v.day;
    t.tm_hour = v.hour;
    t.tm_min = v.minute;
    t.tm_sec = v.second;
    std::tm copy = t;
    copy.tm_isdst = 0;
    // timegm gives weekday and day of year for the proleptic calendar.
    const time_t when = timegm(&copy);
    std::tm back{};
    gmtime_r(&when, &back);
    t.tm_wday = back.tm_wday;
    t.tm_yday = back.tm_yday;
    return t;
}

const char *const kConversions[] = {"%Y", "%m", "%d", "%e", "%H", "%I", "%p", "%M", "%S", "%y",
                                    "%j", "%a", "%A", "%b", "%B", "%D", "%R", "%T"};
const char *const kLiterals[] = {" ", "-", "/", ":", ", ", " at ", "T", "|", ""};

std::string random_format(std::mt19937 &rng)
{
    std::string f;
    const int n = std::uniform_int_distribution<int>(1, 6)(rng);
    for (int i = 0; i < n; ++i) {
        f += kConversions[rng() % std::size(kConversions)];
        f += kLiterals[rng() % std::size(kLiterals)];
    }
    return f;
}

TEST(DtOracle, FormatsLikeStrftime)
{
    Glibc g;
    ASSERT_NE(g.loc, nullptr);
    unsetenv("GL_DATETIME");
    unsetenv("DBTIME");
    std::mt19937 rng(1701);
    int mismatches = 0;
    for (int i = 0; i < samples(3000); ++i) {
        const Value v = random_value(rng);
        const std::string format = random_format(rng);
        const std::tm t = to_tm(v);
        char want[256], got[256];
        ASSERT_GT(strftime_l(want, sizeof want, format.c_str(), &t, g.loc), 0u) << format;
        const dt_value dt = to_dt(v);
        ASSERT_EQ(dttofmtasc(&dt, got, sizeof got, format.c_str()), 0) << format;
        if (std::strcmp(want, got) != 0 && ++mismatches < 10)
            ADD_FAILURE() << format << ": glibc '" << want << "' ours '" << got << "'";
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(DtOracle, TooSmallOutputsLeaveTheGuard)
{
    std::mt19937 rng(77);
    for (int i = 0; i < 200; ++i) {
        const dt_value dt = to_dt(random_value(rng));
        const std::string format = random_format(rng);
        char full[256];
        ASSERT_EQ(dttofmtasc(&dt, full, sizeof full, format.c_str()), 0);
        const int len = static_cast<int>(std::strlen(full));
        for (int size = 1; size <= len + 1; ++size) {
            std::vector<char> out(static_cast<size_t>(size) + 1, '#');
            const int st = dttofmtasc(&dt, out.data(), size, format.c_str());
            EXPECT_EQ(out[static_cast<size_t>(size)], '#') << format << " size " << size;
            if (size > len)
                EXPECT_EQ(st, 0);
            else
                EXPECT_EQ(st, -1273) << format << " size " << size;
        }
    }
}

// Literal text without letters, which keep their case in the text.
const char *const kSeparators[] = {" ", "-", "/", ":", ", ", "|", " - "};

// Formats that give every unit of YEAR TO SECOND once, in random order.
std::string random_full_format(std::mt19937 &rng, bool *two_digit_year)
{
    std::vector<std::string> parts = {rng() % 2 ? "%Y" : "%y", rng() % 3 == 0 ? "%m" : (rng() % 2 ? "%b" : "%B"),
                                      rng() % 2 ? "%d" : "%e", "%M", "%S"};
    *two_digit_year = parts[0] == "%y";
    parts.push_back(rng() % 2 ? "%H" : "%I %p");
    std::shuffle(parts.begin(), parts.end(), rng);
    std::string f = rng() % 3 == 0 ? (rng() % 2 ? "%a " : "%A, ") : "";
    for (size_t i = 0; i < parts.size(); ++i)
        f += parts[i] + (i + 1 < parts.size() ? kSeparators[rng() % std::size(kSeparators)] : "");
    return f;
}

void scramble_case(std::string &text, std::mt19937 &rng)
{
    for (char &c : text)
        if (std::isalpha(static_cast<unsigned char>(c)))
            c = static_cast<char>(rng() % 2 ? std::toupper(c) : std::tolower(c));
}

TEST(DtOracle, ParsesWhatStrftimeWritesLikeStrptime)
{
    Glibc g;
    ASSERT_NE(g.loc, nullptr);
    unsetenv("USE_DTENV");
    std::mt19937 rng(4242);
    int mismatches = 0;
    for (int i = 0; i < samples(2000); ++i) {
        bool two_digit = false;
        const std::string format = random_full_format(rng, &two_digit);
        // Two-digit years: the years glibc and today's century agree on.
        const Value v = two_digit ? random_value(rng, 2000, 2068) : random_value(rng);
        const std::tm t = to_tm(v);
        char text[256];
        ASSERT_GT(strftime_l(text, sizeof text, format.c_str(), &t, g.loc), 0u);
        std::string scrambled = text;
        scramble_case(scrambled, rng);
        std::tm back{};
        const char *end = strptime_l(scrambled.c_str(), format.c_str(), &back, g.loc);
        ASSERT_NE(end, nullptr) << format << " " << scrambled;
        dt_value dt;
        dt.dt_qual = DT_YEAR_TO_SECOND;
        const int st = dtcvfmtasc((scrambled + "  ").c_str(), format.c_str(), &dt);
        char ours[32] = "";
        if (st == 0)
            dttoasc(&dt, ours);
        char theirs[96];
        std::snprintf(theirs, sizeof theirs, "%04d-%02d-%02d %02d:%02d:%02d", back.tm_year + 1900, back.tm_mon + 1,
                      back.tm_mday, back.tm_hour, back.tm_min, back.tm_sec);
        if ((st != 0 || std::strcmp(ours, theirs) != 0) && ++mismatches < 10)
            ADD_FAILURE() << format << " '" << scrambled << "': status " << st << " ours " << ours << " glibc "
                          << theirs;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(DtOracle, BadTextsAreRefused)
{
    dt_value dt;
    dt.dt_qual = DT_YEAR_TO_SECOND;
    // 2005-03-07 is a Monday.
    EXPECT_EQ(dtcvfmtasc("Tuesday 2005-03-07 10:00:00", "%A %Y-%m-%d %H:%M:%S", &dt), -1277);
    EXPECT_EQ(dtcvfmtasc("Monday 2005-03-07 10:00:00", "%A %Y-%m-%d %H:%M:%S", &dt), 0);
    EXPECT_EQ(dtcvfmtasc("Mon 2005-03-07 10:00:00 and more", "%a %Y-%m-%d %H:%M:%S", &dt), -1263);
    // An unknown month name (locale code 48) is in no row of the mapping.
    EXPECT_EQ(dtcvfmtasc("Mrz 07 2005 10:00:00", "%b %d %Y %H:%M:%S", &dt), -1263);
    EXPECT_EQ(dtcvfmtasc("2005-03-07 10:00:00", "%Y-%m-%d %H:%M:%K", &dt), -1276);
    EXPECT_EQ(dtcvfmtasc("2005-03-07 13:00:00 PM", "%Y-%m-%d %I:%M:%S %p", &dt), -1263);
    EXPECT_EQ(dtcvfmtasc("2005-03-07 10:61:00", "%Y-%m-%d %H:%M:%S", &dt), -1263);
}


// The plain numeric formats ("%Y-%m-%d", written directly) against the same
// formats with explicit widths ("%04Y-%02m-%02d", through the locale
// formatter and parser): equal texts, statuses and values, also for
// mutilated texts and small sizes.
TEST(DtOracle, NumericFormatsAgreeWithTheLocaleFormatter)
{
    static const char *const kLetters[] = {"Y", "m", "d", "H", "M", "S"};
    static const char *const kWidths[] = {"04", "02", "02", "02", "02", "02"};
    static const char *const kSeps[] = {"-", "/", " ", ":", "", "  ", "T", "."};
    // Units a format does not give come from the current time: fix it.
    dt_value now;
    now.dt_qual = DT_YEAR_TO_FRAC5;
    ASSERT_EQ(dtcvasc("2026-06-15 12:34:56.78901", &now), 0);
    ASSERT_EQ(rdtsetcurr(&now.dt_dec), 0);
    std::mt19937 rng(99);
    int mismatches = 0;
    for (int i = 0; i < samples(3000); ++i) {
        std::string fast, general;
        const int n = std::uniform_int_distribution<int>(1, 7)(rng);
        for (int k = 0; k < n; ++k) {
            const int slot = static_cast<int>(rng() % 6);
            const char *sep = kSeps[rng() % std::size(kSeps)];
            fast += std::string("%") + kLetters[slot] + sep;
            general += std::string("%") + kWidths[slot] + kLetters[slot] + sep;
        }
        const int start = static_cast<int>(rng() % 6) * 2, end = start + static_cast<int>(rng() % (11 - start)) / 2 * 2;
        dt_value v = to_dt(random_value(rng, 1, 9999));
        dt_value value;
        value.dt_qual = static_cast<int16_t>(TU_DTENCODE(start, end));
        ASSERT_EQ(dtextend(&v, &value), 0);
        const int size = static_cast<int>(rng() % 40) + 1;
        char a[64], b[64];
        const int sa = dttofmtasc(&value, a, size, fast.c_str());
        const int sb = dttofmtasc(&value, b, size, general.c_str());
        if ((sa != sb || (sa == 0 && std::strcmp(a, b) != 0)) && ++mismatches < 10)
            ADD_FAILURE() << fast << " size " << size << ": " << sa << " '" << a << "' vs " << sb << " '" << b << "'";
        char text[64];
        if (dttofmtasc(&value, text, sizeof text, general.c_str()) != 0)
            continue;
        std::string input = text;
        const int mutate = static_cast<int>(rng() % 4);
        if (mutate == 1 && !input.empty())
            input[rng() % input.size()] = "0 9x:"[rng() % 5];
        else if (mutate == 2)
            input.insert(rng() % (input.size() + 1), " ");
        else if (mutate == 3 && !input.empty())
            input.erase(rng() % input.size(), 1);
        dt_value pa, pb;
        pa.dt_qual = pb.dt_qual = static_cast<int16_t>(TU_DTENCODE(start, end));
        pa.dt_dec = pb.dt_dec = value.dt_dec;
        const int qa = dtcvfmtasc(input.c_str(), fast.c_str(), &pa);
        const int qb = dtcvfmtasc(input.c_str(), general.c_str(), &pb);
        const decvalue &da = pa.dt_dec, &db = pb.dt_dec;
        const bool same_value = da.sign == db.sign && da.exponent == db.exponent && da.ndigits == db.ndigits &&
                                std::memcmp(da.digits, db.digits, static_cast<size_t>(da.ndigits)) == 0;
        if ((qa != qb || !same_value) && ++mismatches < 10)
            ADD_FAILURE() << fast << " '" << input << "': " << qa << " vs " << qb;
    }
    EXPECT_EQ(mismatches, 0);
}

} // namespace
