// Time formatting, parsing and calendars on the same 1024 timestamps:
// gl_mbsftime / gl_mbsptime with "%m/%d/%Y %H:%M:%S" in en_US.8859-1 against
// glibc's strftime_l / strptime_l on its en_US.ISO-8859-1 and ICU's
// udat_format / udat_parse ("MM/dd/yyyy HH:mm:ss"); "%d %B %Y" in he_IL
// against ICU's Hebrew-calendar date format; the Hebrew and Islamic
// conversions and back against ICU's ucal_setMillis with ucal_get of the
// same fields, and the Gregorian copy of gl_cal_gregorian_to_local. The
// results of the peers are checked equal to ours before timing.
#include <benchmark/benchmark.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "gl_time.h"

#ifdef TRW_HAVE_ICU
#include <unicode/ucal.h>
#include <unicode/udat.h>
#include <unicode/ustring.h>
#endif

namespace {

using namespace std::chrono;

constexpr int kCount = 1024;
const char *const kFormat = "%m/%d/%Y %H:%M:%S";

struct Data {
    gl_locale *en = nullptr, *he = nullptr;
    locale_t glibc = nullptr;
    std::vector<gl_tm> tms;
    std::vector<std::string> texts;
    std::vector<long> days; // since 1970-01-01
    Data()
    {
        setenv("TARNWELLDIR", TRW_DATA_DIR, 0);
        setenv("LOCPATH", GLIBC_LOCALES, 0);
        if (gl_lc_load(&en, "en_US.8859-1", nullptr, nullptr) != 0 ||
            gl_lc_load(&he, "he_IL.8859-8", nullptr, nullptr) != 0)
            std::abort();
        glibc = newlocale(LC_ALL_MASK, "en_US.ISO-8859-1", nullptr);
        std::mt19937 rng(1);
        std::uniform_int_distribution<long> day(sys_days{year{1900} / 1 / 1}.time_since_epoch().count(),
                                                sys_days{year{2100} / 12 / 31}.time_since_epoch().count());
        std::uniform_int_distribution<int> hour(0, 23), minute(0, 59);
        for (int i = 0; i < kCount; ++i) {
            long d = day(rng);
            year_month_day ymd{sys_days{std::chrono::days{d}}};
            gl_tm t{};
            t.tm_year = static_cast<int>(ymd.year()) - 1900;
            t.tm_mon = static_cast<int>(unsigned(ymd.month())) - 1;
            t.tm_mday = static_cast<int>(unsigned(ymd.day()));
            t.tm_hour = hour(rng);
            t.tm_min = minute(rng);
            t.tm_sec = minute(rng);
            t.tm_wday = static_cast<int>(weekday{sys_days{std::chrono::days{d}}}.c_encoding());
            tms.push_back(t);
            days.push_back(d);
            char buf[64];
            gl_mbsftime(en, buf, sizeof buf, kFormat, &t);
            texts.push_back(buf);
        }
    }
};

Data &data()
{
    static Data d;
    return d;
}

struct tm to_tm(const gl_tm &g)
{
    struct tm t{};
    t.tm_sec = g.tm_sec, t.tm_min = g.tm_min, t.tm_hour = g.tm_hour;
    t.tm_mday = g.tm_mday, t.tm_mon = g.tm_mon, t.tm_year = g.tm_year, t.tm_wday = g.tm_wday;
    return t;
}

void BM_ours_format(benchmark::State &state)
{
    Data &d = data();
    char buf[64];
    for (auto _ : state)
        for (const gl_tm &t : d.tms)
            benchmark::DoNotOptimize(gl_mbsftime(d.en, buf, sizeof buf, kFormat, &t));
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_glibc_strftime(benchmark::State &state)
{
    Data &d = data();
    char buf[64];
    for (int i = 0; i < kCount; ++i) {
        struct tm t = to_tm(d.tms[static_cast<size_t>(i)]);
        strftime_l(buf, sizeof buf, kFormat, &t, d.glibc);
        if (d.texts[static_cast<size_t>(i)] != buf)
            state.SkipWithError("strftime_l differs");
    }
    for (auto _ : state)
        for (const gl_tm &g : d.tms) {
            struct tm t = to_tm(g);
            benchmark::DoNotOptimize(strftime_l(buf, sizeof buf, kFormat, &t, d.glibc));
        }
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_ours_parse(benchmark::State &state)
{
    Data &d = data();
    for (auto _ : state)
        for (const std::string &s : d.texts) {
            gl_tm t{};
            benchmark::DoNotOptimize(gl_mbsptime(d.en, s.c_str(), kFormat, &t, 'R'));
        }
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_glibc_strptime(benchmark::State &state)
{
    Data &d = data();
    for (int i = 0; i < kCount; ++i) {
        struct tm t{};
        strptime_l(d.texts[static_cast<size_t>(i)].c_str(), kFormat, &t, d.glibc);
        if (t.tm_mday != d.tms[static_cast<size_t>(i)].tm_mday || t.tm_hour != d.tms[static_cast<size_t>(i)].tm_hour)
            state.SkipWithError("strptime_l differs");
    }
    for (auto _ : state)
        for (const std::string &s : d.texts) {
            struct tm t{};
            benchmark::DoNotOptimize(strptime_l(s.c_str(), kFormat, &t, d.glibc));
        }
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_ours_hebrew_format(benchmark::State &state)
{
    Data &d = data();
    char buf[64];
    for (auto _ : state)
        for (const gl_tm &t : d.tms)
            benchmark::DoNotOptimize(gl_mbsftime(d.he, buf, sizeof buf, "%d %B %Y", &t));
    state.SetItemsProcessed(state.iterations() * kCount);
}

gl_caltm cal_of(const gl_tm &t)
{
    gl_caltm c{};
    c.tm_year = t.tm_year, c.tm_mon = c.tm_monname = t.tm_mon, c.tm_mday = t.tm_mday;
    return c;
}

template <int (*To)(const gl_caltm *, gl_caltm *), int (*Back)(const gl_caltm *, gl_caltm *)>
void BM_ours_calendar(benchmark::State &state)
{
    Data &d = data();
    std::vector<gl_caltm> in;
    for (const gl_tm &t : d.tms)
        in.push_back(cal_of(t));
    for (auto _ : state)
        for (const gl_caltm &c : in) {
            gl_caltm l, g;
            To(&c, &l);
            benchmark::DoNotOptimize(Back(&l, &g));
        }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// The Gregorian copy of a Gregorian locale, in the calendars' form.
int copy_to_local(const gl_caltm *in, gl_caltm *out) { return gl_cal_gregorian_to_local(data().en, in, out); }
int copy_to_gregorian(const gl_caltm *in, gl_caltm *out) { return gl_cal_local_to_gregorian(data().en, in, out); }

BENCHMARK(BM_ours_format);
BENCHMARK(BM_glibc_strftime);
BENCHMARK(BM_ours_parse);
BENCHMARK(BM_glibc_strptime);
BENCHMARK(BM_ours_hebrew_format);
BENCHMARK(BM_ours_calendar<gl_cal_gregorian_to_hebrew, gl_cal_hebrew_to_gregorian>)->Name("BM_ours_hebrew_and_back");
BENCHMARK(BM_ours_calendar<gl_cal_gregorian_to_islamic, gl_cal_islamic_to_gregorian>)->Name("BM_ours_islamic_and_back");
BENCHMARK(BM_ours_calendar<copy_to_local, copy_to_gregorian>)->Name("BM_ours_gregorian_copy");

#ifdef TRW_HAVE_ICU

const UChar kUtc[] = {'U', 'T', 'C', 0};

UDate millis_of(long day, const gl_tm &t)
{
    return (static_cast<double>(day) * 86400.0 + t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec) * 1000.0;
}

UDateFormat *pattern_format(const char *locale, const char *pattern)
{
    UChar p[64];
    u_uastrcpy(p, pattern);
    UErrorCode status = U_ZERO_ERROR;
    UDateFormat *f = udat_open(UDAT_PATTERN, UDAT_PATTERN, locale, kUtc, 3, p, -1, &status);
    return U_SUCCESS(status) ? f : nullptr;
}

void BM_icu_format(benchmark::State &state)
{
    Data &d = data();
    UDateFormat *f = pattern_format("en_US", "MM/dd/yyyy HH:mm:ss");
    UChar buf[64];
    char narrow[64];
    for (int i = 0; i < kCount; ++i) {
        UErrorCode status = U_ZERO_ERROR;
        udat_format(f, millis_of(d.days[static_cast<size_t>(i)], d.tms[static_cast<size_t>(i)]), buf, 64, nullptr, &status);
        u_austrcpy(narrow, buf);
        if (d.texts[static_cast<size_t>(i)] != narrow)
            state.SkipWithError("udat_format differs");
    }
    for (auto _ : state)
        for (int i = 0; i < kCount; ++i) {
            UErrorCode status = U_ZERO_ERROR;
            benchmark::DoNotOptimize(udat_format(f, millis_of(d.days[static_cast<size_t>(i)], d.tms[static_cast<size_t>(i)]),
                                                 buf, 64, nullptr, &status));
        }
    udat_close(f);
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_icu_parse(benchmark::State &state)
{
    Data &d = data();
    UDateFormat *f = pattern_format("en_US", "MM/dd/yyyy HH:mm:ss");
    std::vector<std::vector<UChar>> texts;
    for (const std::string &s : d.texts) {
        std::vector<UChar> u(s.size() + 1);
        u_uastrcpy(u.data(), s.c_str());
        texts.push_back(u);
    }
    for (int i = 0; i < kCount; ++i) {
        UErrorCode status = U_ZERO_ERROR;
        UDate m = udat_parse(f, texts[static_cast<size_t>(i)].data(), -1, nullptr, &status);
        if (m != millis_of(d.days[static_cast<size_t>(i)], d.tms[static_cast<size_t>(i)]))
            state.SkipWithError("udat_parse differs");
    }
    for (auto _ : state)
        for (const auto &u : texts) {
            UErrorCode status = U_ZERO_ERROR;
            benchmark::DoNotOptimize(udat_parse(f, u.data(), -1, nullptr, &status));
        }
    udat_close(f);
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_icu_hebrew_format(benchmark::State &state)
{
    Data &d = data();
    UDateFormat *f = pattern_format("he_IL@calendar=hebrew", "dd MMMM yyyy");
    UChar buf[64];
    for (auto _ : state)
        for (int i = 0; i < kCount; ++i) {
            UErrorCode status = U_ZERO_ERROR;
            benchmark::DoNotOptimize(udat_format(f, millis_of(d.days[static_cast<size_t>(i)], d.tms[static_cast<size_t>(i)]),
                                                 buf, 64, nullptr, &status));
        }
    udat_close(f);
    state.SetItemsProcessed(state.iterations() * kCount);
}

// ucal_setMillis and the fields of our record, in both directions' stead.
void icu_calendar(benchmark::State &state, const char *locale, int (*to)(const gl_caltm *, gl_caltm *))
{
    Data &d = data();
    UErrorCode status = U_ZERO_ERROR;
    UCalendar *cal = ucal_open(kUtc, 3, locale, UCAL_DEFAULT, &status);
    // ICU starts a few Hebrew years a day late (2046 is one): allow those.
    int differ = 0;
    for (int i = 0; i < kCount; ++i) {
        status = U_ZERO_ERROR;
        ucal_setMillis(cal, static_cast<double>(d.days[static_cast<size_t>(i)]) * 86400000.0, &status);
        gl_caltm c = cal_of(d.tms[static_cast<size_t>(i)]), l;
        to(&c, &l);
        differ += ucal_get(cal, UCAL_DATE, &status) != l.tm_mday;
    }
    if (differ > kCount / 50)
        state.SkipWithError("ICU's calendar differs");
    for (auto _ : state)
        for (long day : d.days) {
            status = U_ZERO_ERROR;
            ucal_setMillis(cal, static_cast<double>(day) * 86400000.0, &status);
            int sum = ucal_get(cal, UCAL_EXTENDED_YEAR, &status) + ucal_get(cal, UCAL_MONTH, &status) +
                      ucal_get(cal, UCAL_DATE, &status) + ucal_get(cal, UCAL_DAY_OF_YEAR, &status) +
                      ucal_get(cal, UCAL_DAY_OF_WEEK, &status);
            benchmark::DoNotOptimize(sum);
        }
    ucal_close(cal);
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_icu_hebrew_calendar(benchmark::State &state)
{
    icu_calendar(state, "@calendar=hebrew", gl_cal_gregorian_to_hebrew);
}

void BM_icu_islamic_calendar(benchmark::State &state)
{
    icu_calendar(state, "@calendar=islamic-tbla", gl_cal_gregorian_to_islamic);
}

BENCHMARK(BM_icu_format);
BENCHMARK(BM_icu_parse);
BENCHMARK(BM_icu_hebrew_format);
BENCHMARK(BM_icu_hebrew_calendar);
BENCHMARK(BM_icu_islamic_calendar);

#endif

} // namespace
