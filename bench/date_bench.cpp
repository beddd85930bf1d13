// DATE values on the same 1024 random days of 1900 to 2100: the day counts
// (rjulmdy, rmdyjul) against glibc's gmtime_r day split and timegm and ICU's
// Gregorian ucal_setMillis/ucal_get (and ucal_setDate/ucal_getMillis back);
// DATE text under the default format (rdatestr, rstrdate) and by the mask
// 'ddd, mmm dd yyyy' (rfmtdate, rdefmtdate) against glibc's strftime_l /
// strptime_l on its en_US.ISO-8859-1 with "%m/%d/%Y" and "%a, %b %d %Y" and
// ICU's udat_format / udat_parse with "MM/dd/yyyy" and "EEE, MMM dd yyyy".
// Each peer's result is checked equal to ours before timing; the first
// calls (locale, name arrays) are made outside the measured loops.
#include <benchmark/benchmark.h>

#include <array>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "rdate.h"

#ifdef TRW_HAVE_ICU
#include <unicode/ucal.h>
#include <unicode/udat.h>
#include <unicode/ustring.h>
#endif

namespace {

constexpr int kCount = 1024;
constexpr int32_t kUnixEpoch = 25568; // DATE of 1970-01-01
const char *const kMask = "ddd, mmm dd yyyy";
const char *const kGlibcMask = "%a, %b %d %Y";

struct Data {
    locale_t glibc = nullptr;
    std::vector<int32_t> dates;
    std::vector<std::array<int16_t, 3>> triples;
    std::vector<std::string> texts, masked;
    Data()
    {
        setenv("TARNWELLDIR", TRW_DATA_DIR, 0);
        setenv("LOCPATH", GLIBC_LOCALES, 0);
        glibc = newlocale(LC_ALL_MASK, "en_US.ISO-8859-1", nullptr);
        std::mt19937 rng(15);
        std::uniform_int_distribution<int32_t> day(1, 73414); // 1900-01-01 .. 2100-12-31
        char buf[TRW_DATE_TEXT_MAX];
        for (int i = 0; i < kCount; ++i) {
            const int32_t d = day(rng);
            dates.push_back(d);
            std::array<int16_t, 3> mdy{};
            rjulmdy(d, mdy.data());
            triples.push_back(mdy);
            if (rdatestr(d, buf) != 0)
                std::abort();
            texts.push_back(buf);
            if (rfmtdate(d, kMask, buf) != 0)
                std::abort();
            masked.push_back(buf);
        }
    }
};

Data &data()
{
    static Data d;
    return d;
}

std::time_t unix_time(int32_t date) { return static_cast<std::time_t>(date - kUnixEpoch) * 86400; }

void BM_ours_rjulmdy(benchmark::State &state)
{
    const Data &d = data();
    for (auto _ : state)
        for (int32_t date : d.dates) {
            int16_t mdy[3];
            rjulmdy(date, mdy);
            benchmark::DoNotOptimize(mdy);
        }
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_ours_rmdyjul(benchmark::State &state)
{
    const Data &d = data();
    for (auto _ : state)
        for (const auto &mdy : d.triples) {
            int32_t date;
            rmdyjul(mdy.data(), &date);
            benchmark::DoNotOptimize(date);
        }
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_glibc_gmtime_r(benchmark::State &state)
{
    const Data &d = data();
    for (int i = 0; i < kCount; ++i) {
        std::tm tm{};
        const std::time_t t = unix_time(d.dates[static_cast<size_t>(i)]);
        gmtime_r(&t, &tm);
        const auto &mdy = d.triples[static_cast<size_t>(i)];
        if (tm.tm_mon + 1 != mdy[0] || tm.tm_mday != mdy[1] || tm.tm_year + 1900 != mdy[2]) {
            state.SkipWithError("gmtime_r differs");
            return;
        }
    }
    for (auto _ : state)
        for (int32_t date : d.dates) {
            std::tm tm;
            const std::time_t t = unix_time(date);
            benchmark::DoNotOptimize(gmtime_r(&t, &tm));
        }
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_glibc_timegm(benchmark::State &state)
{
    const Data &d = data();
    auto tm_of = [](const std::array<int16_t, 3> &mdy) {
        std::tm tm{};
        tm.tm_mon = mdy[0] - 1;
        tm.tm_mday = mdy[1];
        tm.tm_year = mdy[2] - 1900;
        return tm;
    };
    for (int i = 0; i < kCount; ++i) {
        std::tm tm = tm_of(d.triples[static_cast<size_t>(i)]);
        if (timegm(&tm) != unix_time(d.dates[static_cast<size_t>(i)])) {
            state.SkipWithError("timegm differs");
            return;
        }
    }
    for (auto _ : state)
        for (const auto &mdy : d.triples) {
            std::tm tm = tm_of(mdy);
            benchmark::DoNotOptimize(timegm(&tm));
        }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// Text benchmarks: ours against a peer on the same texts.
template <typename Fn> void text_loop(benchmark::State &state, Fn fn)
{
    for (auto _ : state)
        for (int i = 0; i < kCount; ++i)
            fn(i);
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_ours_rdatestr(benchmark::State &state)
{
    const Data &d = data();
    char buf[TRW_DATE_TEXT_MAX];
    text_loop(state, [&](int i) { benchmark::DoNotOptimize(rdatestr(d.dates[static_cast<size_t>(i)], buf)); });
}

void BM_ours_rstrdate(benchmark::State &state)
{
    const Data &d = data();
    for (int i = 0; i < kCount; ++i) {
        int32_t date = 0;
        if (rstrdate(d.texts[static_cast<size_t>(i)].c_str(), &date) != 0 || date != d.dates[static_cast<size_t>(i)]) {
            state.SkipWithError("rstrdate differs");
            return;
        }
    }
    text_loop(state, [&](int i) {
        int32_t date;
        benchmark::DoNotOptimize(rstrdate(d.texts[static_cast<size_t>(i)].c_str(), &date));
    });
}

void BM_ours_rfmtdate(benchmark::State &state)
{
    const Data &d = data();
    char buf[TRW_DATE_TEXT_MAX];
    text_loop(state, [&](int i) { benchmark::DoNotOptimize(rfmtdate(d.dates[static_cast<size_t>(i)], kMask, buf)); });
}

void BM_ours_rdefmtdate(benchmark::State &state)
{
    const Data &d = data();
    for (int i = 0; i < kCount; ++i) {
        int32_t date = 0;
        if (rdefmtdate(&date, kMask, d.masked[static_cast<size_t>(i)].c_str()) != 0 ||
            date != d.dates[static_cast<size_t>(i)]) {
            state.SkipWithError("rdefmtdate differs");
            return;
        }
    }
    text_loop(state, [&](int i) {
        int32_t date;
        benchmark::DoNotOptimize(rdefmtdate(&date, kMask, d.masked[static_cast<size_t>(i)].c_str()));
    });
}

std::tm tm_of_date(int32_t date)
{
    std::tm tm{};
    const std::time_t t = unix_time(date);
    gmtime_r(&t, &tm);
    return tm;
}

void glibc_format(benchmark::State &state, const char *format, const std::vector<std::string> &want)
{
    const Data &d = data();
    char buf[64];
    for (int i = 0; i < kCount; ++i) {
        std::tm tm = tm_of_date(d.dates[static_cast<size_t>(i)]);
        strftime_l(buf, sizeof buf, format, &tm, d.glibc);
        if (want[static_cast<size_t>(i)] != buf) {
            state.SkipWithError("strftime_l differs");
            return;
        }
    }
    std::vector<std::tm> tms;
    for (int32_t date : d.dates)
        tms.push_back(tm_of_date(date));
    text_loop(state, [&](int i) {
        benchmark::DoNotOptimize(strftime_l(buf, sizeof buf, format, &tms[static_cast<size_t>(i)], d.glibc));
    });
}

void glibc_parse(benchmark::State &state, const char *format, const std::vector<std::string> &texts)
{
    const Data &d = data();
    for (int i = 0; i < kCount; ++i) {
        std::tm tm{};
        strptime_l(texts[static_cast<size_t>(i)].c_str(), format, &tm, d.glibc);
        const std::tm want = tm_of_date(d.dates[static_cast<size_t>(i)]);
        if (tm.tm_year != want.tm_year || tm.tm_mon != want.tm_mon || tm.tm_mday != want.tm_mday) {
            state.SkipWithError("strptime_l differs");
            return;
        }
    }
    text_loop(state, [&](int i) {
        std::tm tm{};
        benchmark::DoNotOptimize(strptime_l(texts[static_cast<size_t>(i)].c_str(), format, &tm, d.glibc));
    });
}

void BM_glibc_strftime_default(benchmark::State &state) { glibc_format(state, "%m/%d/%Y", data().texts); }
void BM_glibc_strptime_default(benchmark::State &state) { glibc_parse(state, "%m/%d/%Y", data().texts); }
void BM_glibc_strftime_mask(benchmark::State &state) { glibc_format(state, kGlibcMask, data().masked); }
void BM_glibc_strptime_mask(benchmark::State &state) { glibc_parse(state, kGlibcMask, data().masked); }

BENCHMARK(BM_ours_rjulmdy);
BENCHMARK(BM_glibc_gmtime_r);
BENCHMARK(BM_ours_rmdyjul);
BENCHMARK(BM_glibc_timegm);
BENCHMARK(BM_ours_rdatestr);
BENCHMARK(BM_glibc_strftime_default);
BENCHMARK(BM_ours_rstrdate);
BENCHMARK(BM_glibc_strptime_default);
BENCHMARK(BM_ours_rfmtdate);
BENCHMARK(BM_glibc_strftime_mask);
BENCHMARK(BM_ours_rdefmtdate);
BENCHMARK(BM_glibc_strptime_mask);

#ifdef TRW_HAVE_ICU

const UChar kUtc[] = {'U', 'T', 'C', 0};

double millis_of(int32_t date) { return static_cast<double>(date - kUnixEpoch) * 86400000.0; }

void BM_icu_ucal_get(benchmark::State &state)
{
    const Data &d = data();
    UErrorCode status = U_ZERO_ERROR;
    UCalendar *cal = ucal_open(kUtc, 3, "en_US", UCAL_GREGORIAN, &status);
    ucal_setGregorianChange(cal, -1e300, &status);
    ucal_clear(cal); // no time of day left from the clock // proleptic, as DATE is
    for (int i = 0; i < kCount; ++i) {
        ucal_setMillis(cal, millis_of(d.dates[static_cast<size_t>(i)]), &status);
        const auto &mdy = d.triples[static_cast<size_t>(i)];
        if (ucal_get(cal, UCAL_MONTH, &status) + 1 != mdy[0] || ucal_get(cal, UCAL_DATE, &status) != mdy[1] ||
            ucal_get(cal, UCAL_EXTENDED_YEAR, &status) != mdy[2] || U_FAILURE(status)) {
            state.SkipWithError("ucal_get differs");
            ucal_close(cal);
            return;
        }
    }
    for (auto _ : state)
        for (int32_t date : d.dates) {
            ucal_setMillis(cal, millis_of(date), &status);
            benchmark::DoNotOptimize(ucal_get(cal, UCAL_EXTENDED_YEAR, &status) + ucal_get(cal, UCAL_MONTH, &status) +
                                     ucal_get(cal, UCAL_DATE, &status));
        }
    state.SetItemsProcessed(state.iterations() * kCount);
    ucal_close(cal);
}

void BM_icu_ucal_getMillis(benchmark::State &state)
{
    const Data &d = data();
    UErrorCode status = U_ZERO_ERROR;
    UCalendar *cal = ucal_open(kUtc, 3, "en_US", UCAL_GREGORIAN, &status);
    ucal_setGregorianChange(cal, -1e300, &status);
    ucal_clear(cal); // no time of day left from the clock
    for (int i = 0; i < kCount; ++i) {
        const auto &mdy = d.triples[static_cast<size_t>(i)];
        ucal_setDate(cal, mdy[2], mdy[0] - 1, mdy[1], &status);
        if (ucal_getMillis(cal, &status) != millis_of(d.dates[static_cast<size_t>(i)]) || U_FAILURE(status)) {
            state.SkipWithError("ucal_getMillis differs");
            ucal_close(cal);
            return;
        }
    }
    for (auto _ : state)
        for (const auto &mdy : d.triples) {
            ucal_setDate(cal, mdy[2], mdy[0] - 1, mdy[1], &status);
            benchmark::DoNotOptimize(ucal_getMillis(cal, &status));
        }
    state.SetItemsProcessed(state.iterations() * kCount);
    ucal_close(cal);
}

UDateFormat *icu_format(const char *pattern)
{
    UChar p[64];
    u_uastrcpy(p, pattern);
    UErrorCode status = U_ZERO_ERROR;
    UDateFormat *f = udat_open(UDAT_PATTERN, UDAT_PATTERN, "en_US", kUtc, 3, p, -1, &status);
    return U_SUCCESS(status) ? f : nullptr;
}

void icu_format_bench(benchmark::State &state, const char *pattern, const std::vector<std::string> &want)
{
    const Data &d = data();
    UDateFormat *f = icu_format(pattern);
    UChar buf[64];
    char text[64];
    for (int i = 0; i < kCount; ++i) {
        UErrorCode status = U_ZERO_ERROR;
        udat_format(f, millis_of(d.dates[static_cast<size_t>(i)]), buf, 64, nullptr, &status);
        u_austrcpy(text, buf);
        if (want[static_cast<size_t>(i)] != text) {
            state.SkipWithError("udat_format differs");
            udat_close(f);
            return;
        }
    }
    text_loop(state, [&](int i) {
        UErrorCode status = U_ZERO_ERROR;
        benchmark::DoNotOptimize(udat_format(f, millis_of(d.dates[static_cast<size_t>(i)]), buf, 64, nullptr, &status));
    });
    udat_close(f);
}

void icu_parse_bench(benchmark::State &state, const char *pattern, const std::vector<std::string> &texts)
{
    const Data &d = data();
    UDateFormat *f = icu_format(pattern);
    std::vector<std::u16string> u;
    for (const std::string &t : texts) {
        UChar buf[64];
        u_uastrcpy(buf, t.c_str());
        u.emplace_back(reinterpret_cast<const char16_t *>(buf));
    }
    for (int i = 0; i < kCount; ++i) {
        UErrorCode status = U_ZERO_ERROR;
        const UDate m = udat_parse(f, reinterpret_cast<const UChar *>(u[static_cast<size_t>(i)].c_str()), -1, nullptr, &status);
        if (U_FAILURE(status) || m != millis_of(d.dates[static_cast<size_t>(i)])) {
            state.SkipWithError("udat_parse differs");
            udat_close(f);
            return;
        }
    }
    text_loop(state, [&](int i) {
        UErrorCode status = U_ZERO_ERROR;
        benchmark::DoNotOptimize(
            udat_parse(f, reinterpret_cast<const UChar *>(u[static_cast<size_t>(i)].c_str()), -1, nullptr, &status));
    });
    udat_close(f);
}

void BM_icu_udat_format_default(benchmark::State &state) { icu_format_bench(state, "MM/dd/yyyy", data().texts); }
void BM_icu_udat_parse_default(benchmark::State &state) { icu_parse_bench(state, "MM/dd/yyyy", data().texts); }
void BM_icu_udat_format_mask(benchmark::State &state) { icu_format_bench(state, "EEE, MMM dd yyyy", data().masked); }
void BM_icu_udat_parse_mask(benchmark::State &state) { icu_parse_bench(state, "EEE, MMM dd yyyy", data().masked); }

BENCHMARK(BM_icu_ucal_get);
BENCHMARK(BM_icu_ucal_getMillis);
BENCHMARK(BM_icu_udat_format_default);
BENCHMARK(BM_icu_udat_parse_default);
BENCHMARK(BM_icu_udat_format_mask);
BENCHMARK(BM_icu_udat_parse_mask);

#endif

} // namespace
