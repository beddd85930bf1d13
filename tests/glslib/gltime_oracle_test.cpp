// The time formatter and parser against glibc's strftime_l on glibc's own
// compiled locales of the same sources and code sets: every conversion the
// two languages share on random dates of the years 1000 to 9999 at every
// hour, the locale formats, the eras of ja_JP, zh_TW and th_TH, the
// information lists against nl_langinfo_l, and text written by glibc read
// back by our parser. Where the languages differ by rule (years below 1000,
// %g, flags and widths, %O) glibc is left out. The local calendars of he_IL
// and ar_SA are checked against the calendar conversions and the locale's
// month names.
#include <gtest/gtest.h>

#include <langinfo.h>

#include <array>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "gl_time.h"

extern "C" const char *__lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace {

using namespace std::chrono;

bool full_run()
{
    const char *v = std::getenv("TRW_TEST_FULL");
    return v != nullptr && std::strcmp(v, "1") == 0;
}

struct Pair {
    const char *ours, *glibc;
};

const Pair kPairs[] = {
    {"en_US.8859-1", "en_US.ISO-8859-1"}, {"de_DE.8859-1", "de_DE.ISO-8859-1"}, {"fr_FR.8859-1", "fr_FR.ISO-8859-1"},
    {"ru_RU.8859-5", "ru_RU.ISO-8859-5"}, {"pl_PL.8859-2", "pl_PL.ISO-8859-2"}, {"ja_JP.utf8", "ja_JP.UTF-8"},
    {"zh_TW.big5", "zh_TW.BIG5"},         {"th_TH.thai620", "th_TH.TIS-620"},
};

struct Both {
    gl_locale *ours = nullptr;
    locale_t glibc = nullptr;
    explicit Both(const Pair &p)
    {
        setenv("LOCPATH", GLIBC_LOCALES, 1);
        EXPECT_EQ(gl_lc_load(&ours, p.ours, nullptr, nullptr), 0) << p.ours;
        glibc = newlocale(LC_ALL_MASK, p.glibc, nullptr);
        EXPECT_NE(glibc, nullptr) << p.glibc;
    }
    ~Both()
    {
        gl_lc_unload(ours);
        if (glibc)
            freelocale(glibc);
    }
    bool ok() const { return ours != nullptr && glibc != nullptr; }
};

gl_tm date(int y, int m0, int d, int hour = 0, int min = 0, int sec = 0)
{
    sys_days day{year{y} / (m0 + 1) / d};
    gl_tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = m0;
    t.tm_mday = d;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_sec = sec;
    t.tm_wday = static_cast<int>(weekday{day}.c_encoding());
    t.tm_yday = static_cast<int>((day - sys_days{year{y} / 1 / 1}).count());
    return t;
}

struct tm to_tm(const gl_tm &g)
{
    struct tm t{};
    t.tm_sec = g.tm_sec;
    t.tm_min = g.tm_min;
    t.tm_hour = g.tm_hour;
    t.tm_mday = g.tm_mday;
    t.tm_mon = g.tm_mon;
    t.tm_year = g.tm_year;
    t.tm_wday = g.tm_wday;
    t.tm_yday = g.tm_yday;
    return t;
}

std::string ours(gl_locale *loc, const char *format, const gl_tm &t)
{
    char buf[1024];
    int n = gl_mbsftime(loc, buf, sizeof buf, format, &t);
    if (n == 0 && loc->error != 0)
        return "error " + std::to_string(loc->error);
    return std::string(buf, static_cast<size_t>(n));
}

std::string theirs(locale_t l, const char *format, const gl_tm &t)
{
    char buf[1024];
    struct tm tm = to_tm(t);
    size_t n = strftime_l(buf, sizeof buf, format, &tm, l);
    return std::string(buf, n);
}

gl_tm random_date(std::mt19937 &rng)
{
    std::uniform_int_distribution<int> y(1000, 9999), m(0, 11), d(1, 31), ms(0, 59);
    int yy = y(rng), mm = m(rng);
    int dd = std::min(d(rng), static_cast<int>(unsigned(year_month_day_last{year{yy} / month(mm + 1) / last}.day())));
    return date(yy, mm, dd, 0, ms(rng), ms(rng));
}

// Whether a format uses only the conversions both languages share.
bool shared_only(const char *f)
{
    for (; *f; ++f)
        if (*f == '%' && (*++f == 0 || std::strchr("aAbBhdemyYjHIMSpDRTnt%Cuw", *f) == nullptr))
            return false;
    return true;
}

TEST(GlTimeOracle, SharedConversions)
{
    const char *convs[] = {"%a", "%A", "%b", "%B", "%h", "%d", "%e", "%m", "%y", "%Y", "%j", "%H", "%I", "%M",
                           "%S", "%p", "%D", "%R", "%T", "%n", "%t", "%%", "%C", "%u", "%w"};
    int dates = full_run() ? 2000 : 60;
    for (const Pair &p : kPairs) {
        Both b(p);
        ASSERT_TRUE(b.ok());
        std::mt19937 rng(7);
        for (int i = 0; i < dates; ++i) {
            gl_tm t = random_date(rng);
            for (t.tm_hour = 0; t.tm_hour < 24; ++t.tm_hour)
                for (const char *c : convs)
                    ASSERT_EQ(ours(b.ours, c, t), theirs(b.glibc, c, t)) << p.ours << " " << c << " year "
                                                                         << t.tm_year + 1900 << " hour " << t.tm_hour;
        }
    }
}

TEST(GlTimeOracle, LocaleFormats)
{
    struct Item {
        const char *conv;
        int ours;
        nl_item glibc;
    } items[] = {{"%x", 61, D_FMT}, {"%X", 62, T_FMT}, {"%c", 0, D_T_FMT}, {"%r", 63, T_FMT_AMPM}};
    for (const Pair &p : kPairs) {
        Both b(p);
        ASSERT_TRUE(b.ok());
        std::mt19937 rng(11);
        for (int i = 0; i < 50; ++i) {
            gl_tm t = random_date(rng);
            t.tm_hour = i % 24;
            for (const Item &it : items) {
                const char *stored = gl_get_ltime_fmts(b.ours, it.ours);
                // glibc puts its own default in place of an empty format.
                if (*stored != 0 && std::strcmp(stored, nl_langinfo_l(it.glibc, b.glibc)) == 0 && shared_only(stored))
                    ASSERT_EQ(ours(b.ours, it.conv, t), theirs(b.glibc, it.conv, t)) << p.ours << " " << it.conv;
                else
                    ASSERT_EQ(ours(b.ours, it.conv, t), ours(b.ours, stored, t)) << p.ours << " " << it.conv;
            }
        }
    }
}

// %EC %Ey %EY on the first and last day of every era and around them.
void compare_eras(const Pair &p, const std::vector<gl_tm> &dates)
{
    Both b(p);
    ASSERT_TRUE(b.ok());
    for (const gl_tm &t : dates)
        for (const char *c : {"%EC", "%Ey", "%EY", "%EC%Ey"})
            ASSERT_EQ(ours(b.ours, c, t), theirs(b.glibc, c, t)) << p.ours << " " << c << " " << t.tm_year + 1900 << "-"
                                                                 << t.tm_mon + 1 << "-" << t.tm_mday;
}

TEST(GlTimeOracle, ErasOfJapan)
{
    std::vector<gl_tm> dates;
    int bounds[][3] = {{2020, 0, 1},  {2019, 11, 31}, {2019, 4, 1},  {2019, 3, 30}, {1990, 0, 1},  {1989, 11, 31},
                       {1989, 0, 8},  {1989, 0, 7},   {1927, 0, 1},  {1926, 11, 31}, {1926, 11, 25}, {1926, 11, 24},
                       {1913, 0, 1},  {1912, 11, 31}, {1912, 6, 30}, {1912, 6, 29}, {1873, 0, 1},  {1872, 11, 31},
                       {1, 0, 1},     {9999, 11, 31}, {1500, 5, 15}, {2024, 2, 5}};
    for (auto &d : bounds)
        dates.push_back(date(d[0], d[1], d[2]));
    dates.push_back(date(0, 11, 31)); // 1 BC: the era that runs back
    dates.push_back(date(0, 0, 1));
    compare_eras({"ja_JP.utf8", "ja_JP.UTF-8"}, dates);
}

TEST(GlTimeOracle, ErasOfTaiwanAndThailand)
{
    std::vector<gl_tm> dates;
    for (int y = 1850; y <= 2100; y += 7)
        dates.push_back(date(y, (y * 5) % 12, 1 + y % 28));
    for (auto &d : {std::array<int, 3>{1911, 11, 31}, {1911, 0, 1}, {1912, 0, 1}, {1912, 11, 31}, {1913, 0, 1},
                    {1873, 5, 1}, {1, 0, 1}})
        dates.push_back(date(d[0], d[1], d[2]));
    compare_eras({"zh_TW.big5", "zh_TW.BIG5"}, dates);
    compare_eras({"th_TH.thai620", "th_TH.TIS-620"}, dates);
    Both b({"th_TH.thai620", "th_TH.TIS-620"});
    EXPECT_EQ(ours(b.ours, "%Ey", date(2024, 0, 1)), "2567");
}

// The lists against nl_langinfo_l; the wide formatter against the
// multibyte one.
TEST(GlTimeOracle, InformationLists)
{
    for (const Pair &p : kPairs) {
        Both b(p);
        ASSERT_TRUE(b.ok());
        auto check = [&](int item, const std::vector<std::string> &want) {
            char **list = nullptr;
            int n = 0;
            int r = gl_mbstimeinfo(b.ours, item, &list, &n);
            if (want.empty()) {
                EXPECT_EQ(r, -1) << p.ours << " item " << item;
                return;
            }
            ASSERT_EQ(r, 0) << p.ours << " item " << item;
            ASSERT_EQ(n, static_cast<int>(want.size())) << p.ours << " item " << item;
            for (int i = 0; i < n; ++i) {
                EXPECT_EQ(list[i], want[static_cast<size_t>(i)]) << p.ours << " item " << item << " " << i;
                free(list[i]);
            }
            free(list);
        };
        std::vector<std::string> day, abday, mon, abmon, ampm, eras, alts;
        for (int i = 0; i < 7; ++i) {
            day.push_back(nl_langinfo_l(DAY_1 + i, b.glibc));
            abday.push_back(nl_langinfo_l(ABDAY_1 + i, b.glibc));
        }
        for (int i = 0; i < 12; ++i) {
            mon.push_back(nl_langinfo_l(MON_1 + i, b.glibc));
            abmon.push_back(nl_langinfo_l(ABMON_1 + i, b.glibc));
        }
        ampm = {nl_langinfo_l(AM_STR, b.glibc), nl_langinfo_l(PM_STR, b.glibc)};
        for (const char *e = nl_langinfo_l(ERA, b.glibc); *e; e += std::strlen(e) + 1) {
            std::string def = e;
            size_t at = 0;
            for (int k = 0; k < 4; ++k)
                at = def.find(':', at) + 1;
            eras.push_back(def.substr(at, def.find(':', at) - at));
        }
        const char *a = nl_langinfo_l(ALT_DIGITS, b.glibc);
        for (int i = 0; i < 100 && *a; ++i, a += std::strlen(a) + 1)
            alts.push_back(a);
        check(1, day);
        check(2, abday);
        check(3, mon);
        check(4, abmon);
        check(5, eras);
        check(7, alts);
        check(8, ampm);
        EXPECT_EQ(gl_get_era_count(b.ours), static_cast<int>(eras.size()));
        // Wide and multibyte formatting agree.
        gl_tm t = date(2024, 2, 5, 13, 7, 9);
        const char *f = "%A %B %d %Y %p %x %X %c %EC";
        std::vector<gl_wchar_t> wf(64), wout(512);
        ASSERT_GT(gl_mbstowcs(b.ours, wf.data(), f, 64), 0);
        int n = gl_wcsftime(b.ours, wout.data(), 512, wf.data(), &t);
        ASSERT_GT(n, 0);
        char back[1024];
        ASSERT_GE(gl_full_wcstombs(b.ours, back, wout.data(), sizeof back), 0);
        EXPECT_EQ(ours(b.ours, f, t), back) << p.ours;
    }
}

struct Read {
    bool ok;
    gl_tm t;
};

// Text written by glibc is read back to the same fields; unread fields keep
// their values and the weekday and day of year are computed.
TEST(GlTimeOracle, ParserReadsGlibcText)
{
    const char *formats[] = {"%Y-%m-%d %H:%M:%S", "%d %B %Y", "%d %b %Y", "%A %d %B %Y", "%a %d %b %Y %H:%M:%S",
                             "%I:%M:%S %p",       "%x",       "%X"};
    int dates = full_run() ? 3000 : 100;
    for (const Pair &p : kPairs) {
        Both b(p);
        ASSERT_TRUE(b.ok());
        std::mt19937 rng(3);
        for (int i = 0; i < dates; ++i) {
            gl_tm t = random_date(rng);
            t.tm_hour = i % 24;
            std::vector<const char *> fs(std::begin(formats), std::end(formats));
            if (std::strcmp(p.ours, "ja_JP.utf8") == 0)
                fs.push_back("%EC%Ey/%m/%d");
            for (const char *f : fs) {
                const char *ourf = f;
                if (std::strcmp(f, "%x") == 0 || std::strcmp(f, "%X") == 0) {
                    if (std::strcmp(gl_get_ltime_fmts(b.ours, f[1] == 'x' ? 61 : 62),
                                    nl_langinfo_l(f[1] == 'x' ? D_FMT : T_FMT, b.glibc)) != 0)
                        continue;
                }
                if (std::strcmp(f, "%I:%M:%S %p") == 0 && *nl_langinfo_l(AM_STR, b.glibc) == 0)
                    continue;
                if (std::strcmp(p.ours, "th_TH.thai620") == 0 && std::strcmp(f, "%x") == 0)
                    continue; // a Buddhist year with the Gregorian month: checked by the era tests
                std::string text = theirs(b.glibc, f, t);
                gl_tm r{};
                r.tm_fraction = 77;
                r.tm_isdst = 1;
                r.tm_glword2 = 5;
                r.tm_wday = 9;
                r.tm_yday = 999;
                r.tm_hour = 33;
                r.tm_mday = 1;
                bool date_read = std::strchr(f, 'd') != nullptr || f[1] == 'x';
                char *end = gl_mbsptime(b.ours, text.c_str(), ourf, &r, 'R');
                ASSERT_NE(end, nullptr) << p.ours << " " << f << " [" << text << "] error " << b.ours->error;
                EXPECT_EQ(*end, 0) << p.ours << " " << f;
                EXPECT_EQ(r.tm_fraction, 77);
                EXPECT_EQ(r.tm_isdst, 1);
                EXPECT_EQ(r.tm_glword2, 5);
                if (date_read) {
                    ASSERT_EQ(r.tm_year, t.tm_year) << p.ours << " " << f << " [" << text << "]";
                    ASSERT_EQ(r.tm_mon, t.tm_mon) << p.ours << " " << f << " [" << text << "]";
                    ASSERT_EQ(r.tm_mday, t.tm_mday) << p.ours << " " << f;
                    ASSERT_EQ(r.tm_wday, t.tm_wday) << p.ours << " " << f;
                    ASSERT_EQ(r.tm_yday, t.tm_yday) << p.ours << " " << f;
                } else {
                    EXPECT_EQ(r.tm_wday, 9);
                    EXPECT_EQ(r.tm_yday, 999);
                }
                if (std::strchr(f, 'H') != nullptr || std::strchr(f, 'I') != nullptr || f[1] == 'X') {
                    ASSERT_EQ(r.tm_hour, t.tm_hour) << p.ours << " " << f << " [" << text << "]";
                    ASSERT_EQ(r.tm_min, t.tm_min);
                } else {
                    EXPECT_EQ(r.tm_hour, 33);
                }
            }
        }
    }
}

// he_IL and ar_SA format in their calendars with their month names, and
// read the text back to the Gregorian date.
void local_calendar(const char *name, int (*to_local)(const gl_caltm *, gl_caltm *), int first_year, int century)
{
    gl_locale *loc = nullptr;
    ASSERT_EQ(gl_lc_load(&loc, name, nullptr, nullptr), 0);
    char **mon = nullptr, **abday = nullptr;
    int nmon = 0, nday = 0;
    ASSERT_EQ(gl_mbstimeinfo(loc, 3, &mon, &nmon), 0);
    ASSERT_EQ(gl_mbstimeinfo(loc, 2, &abday, &nday), 0);
    long first = sys_days{year{first_year} / 1 / 1}.time_since_epoch().count() + 200;
    long last = sys_days{year{9999} / 12 / 31}.time_since_epoch().count();
    int step = full_run() ? 1 : 97;
    for (long day = first; day <= last; day += step) {
        year_month_day ymd{sys_days{days{day}}};
        gl_tm g = date(static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.month())) - 1,
                       static_cast<int>(unsigned(ymd.day())));
        gl_caltm in{}, l{};
        in.tm_year = g.tm_year, in.tm_mon = in.tm_monname = g.tm_mon, in.tm_mday = g.tm_mday;
        ASSERT_EQ(to_local(&in, &l), 0);
        if (l.tm_year + 1900 > 9999) // %Y writes four digits at most
            break;
        char want[256];
        std::snprintf(want, sizeof want, "%02d %s %04d %s", l.tm_mday, mon[l.tm_monname], l.tm_year + 1900,
                      abday[l.tm_wday]);
        ASSERT_EQ(ours(loc, "%d %B %Y %a", g), want) << name << " " << day;
        gl_tm back{};
        ASSERT_NE(gl_mbsptime(loc, want, "%d %B %Y %a", &back, 'R'), nullptr) << name << " " << want;
        ASSERT_EQ(back.tm_year, g.tm_year) << want;
        ASSERT_EQ(back.tm_mon, g.tm_mon) << want;
        ASSERT_EQ(back.tm_mday, g.tm_mday) << want;
        ASSERT_EQ(back.tm_wday, g.tm_wday) << want;
        // A two-digit year takes the calendar's fixed century.
        if ((l.tm_year + 1900) / 100 != century)
            continue;
        std::string two = ours(loc, "%d %B %y", g);
        back = {};
        ASSERT_NE(gl_mbsptime(loc, two.c_str(), "%d %B %y", &back, 'C'), nullptr) << two;
        EXPECT_EQ(back.tm_year, g.tm_year) << two;
    }
    for (int i = 0; i < nmon; ++i)
        free(mon[i]);
    for (int i = 0; i < nday; ++i)
        free(abday[i]);
    free(mon);
    free(abday);
    gl_lc_unload(loc);
}

TEST(GlTimeLocalCalendars, HebrewThroughHeIL)
{
    local_calendar("he_IL.8859-8", gl_cal_gregorian_to_hebrew, 1, 57);
}

TEST(GlTimeLocalCalendars, IslamicThroughArSA)
{
    local_calendar("ar_SA.8859-6", gl_cal_gregorian_to_islamic, 623, 14);
}

} // namespace
