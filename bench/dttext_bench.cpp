// DATETIME and INTERVAL text on the same 1024 random timestamps of 1900 to
// 2100: the standard text of YEAR TO SECOND both ways (dtcvasc, dttoasc),
// the format "%m/%d/%Y %H:%M:%S" both ways (dtcvfmtasc, dttofmtasc), and
// the standard text of INTERVAL DAY(5) TO SECOND (incvasc, intoasc); peers:
// glibc's strptime_l / strftime_l with the same formats in the C and en_US
// locales, ICU's udat_parse / udat_format with "MM/dd/yyyy HH:mm:ss", and
// sscanf / snprintf of six integers. Every peer's result is checked equal
// to ours before timing; the first calls (locale) are made outside the
// measured loops.
#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "datetime.h"

#ifdef TRW_HAVE_ICU
#include <unicode/udat.h>
#include <unicode/ustring.h>
#endif

namespace {

constexpr int kCount = 1024;
const char *const kSlashFormat = "%m/%d/%Y %H:%M:%S";
const char *const kStandardFormat = "%Y-%m-%d %H:%M:%S";
const int kIntervalQual = TU_IENCODE(5, TU_DAY, TU_SECOND);

struct Stamp {
    int year, month, day, hour, minute, second;
};

struct Data {
    locale_t c_locale = nullptr, en_us = nullptr;
    std::vector<Stamp> stamps;
    std::vector<std::tm> tms;
    std::vector<dt_value> values;
    std::vector<inv_value> spans;
    std::vector<std::string> standard, slashed, span_texts;
    Data()
    {
        setenv("TARNWELLDIR", TRW_DATA_DIR, 0);
        setenv("LOCPATH", GLIBC_LOCALES, 0);
        unsetenv("GL_DATETIME");
        unsetenv("USE_DTENV");
        c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
        en_us = newlocale(LC_ALL_MASK, "en_US.ISO-8859-1", nullptr);
        std::mt19937 rng(17);
        std::uniform_int_distribution<long> seconds(-2208988800L, 4133980799L); // 1900 .. 2100
        std::uniform_int_distribution<int> days(0, 99999), secs(0, 86399);
        for (int i = 0; i < kCount; ++i) {
            const std::time_t t = seconds(rng);
            std::tm tm{};
            gmtime_r(&t, &tm);
            tms.push_back(tm);
            stamps.push_back({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
            char buf[DT_GLTEXT_SIZE];
            std::strftime(buf, sizeof buf, kStandardFormat, &tm);
            dt_value v;
            v.dt_qual = DT_YEAR_TO_SECOND;
            if (dtcvasc(buf, &v) != 0)
                std::abort();
            values.push_back(v);
            standard.push_back(buf);
            std::strftime(buf, sizeof buf, kSlashFormat, &tm);
            slashed.push_back(buf);
            const int s = secs(rng);
            std::snprintf(buf, sizeof buf, "%d %02d:%02d:%02d", days(rng), s / 3600, s / 60 % 60, s % 60);
            inv_value span;
            span.in_qual = static_cast<int16_t>(kIntervalQual);
            if (incvasc(buf, &span) != 0 || intoasc(&span, buf) != 0)
                std::abort();
            spans.push_back(span);
            span_texts.push_back(buf);
        }
    }
};

Data &data()
{
    static Data d;
    return d;
}

bool same(const decvalue &a, const decvalue &b)
{
    return a.sign == b.sign && a.exponent == b.exponent && a.ndigits == b.ndigits &&
           std::memcmp(a.digits, b.digits, static_cast<size_t>(a.ndigits)) == 0;
}

template <typename Fn> void loop(benchmark::State &state, Fn fn)
{
    for (auto _ : state)
        for (int i = 0; i < kCount; ++i)
            fn(i);
    state.SetItemsProcessed(state.iterations() * kCount);
}

// ---- ours -----------------------------------------------------------------------------------

void parse_bench(benchmark::State &state, const std::vector<std::string> &texts, const char *format)
{
    const Data &d = data();
    for (int i = 0; i < kCount; ++i) {
        dt_value v;
        v.dt_qual = DT_YEAR_TO_SECOND;
        const int st = format == nullptr ? dtcvasc(texts[static_cast<size_t>(i)].c_str(), &v)
                                         : dtcvfmtasc(texts[static_cast<size_t>(i)].c_str(), format, &v);
        if (st != 0 || !same(v.dt_dec, d.values[static_cast<size_t>(i)].dt_dec)) {
            state.SkipWithError("parse differs");
            return;
        }
    }
    loop(state, [&](int i) {
        dt_value v;
        v.dt_qual = DT_YEAR_TO_SECOND;
        benchmark::DoNotOptimize(format == nullptr ? dtcvasc(texts[static_cast<size_t>(i)].c_str(), &v)
                                                   : dtcvfmtasc(texts[static_cast<size_t>(i)].c_str(), format, &v));
    });
}

void format_bench(benchmark::State &state, const std::vector<std::string> &want, const char *format)
{
    const Data &d = data();
    char out[DT_GLTEXT_SIZE];
    for (int i = 0; i < kCount; ++i) {
        const dt_value &v = d.values[static_cast<size_t>(i)];
        const int st = format == nullptr ? dttoasc(&v, out) : dttofmtasc(&v, out, sizeof out, format);
        if (st != 0 || want[static_cast<size_t>(i)] != out) {
            state.SkipWithError("format differs");
            return;
        }
    }
    loop(state, [&](int i) {
        const dt_value &v = d.values[static_cast<size_t>(i)];
        benchmark::DoNotOptimize(format == nullptr ? dttoasc(&v, out) : dttofmtasc(&v, out, sizeof out, format));
    });
}

void BM_ours_dtcvasc(benchmark::State &state) { parse_bench(state, data().standard, nullptr); }
void BM_ours_dttoasc(benchmark::State &state) { format_bench(state, data().standard, nullptr); }
void BM_ours_dtcvfmtasc(benchmark::State &state) { parse_bench(state, data().slashed, kSlashFormat); }
void BM_ours_dttofmtasc(benchmark::State &state) { format_bench(state, data().slashed, kSlashFormat); }

void BM_ours_incvasc(benchmark::State &state)
{
    const Data &d = data();
    loop(state, [&](int i) {
        inv_value v;
        v.in_qual = static_cast<int16_t>(kIntervalQual);
        benchmark::DoNotOptimize(incvasc(d.span_texts[static_cast<size_t>(i)].c_str(), &v));
    });
}

void BM_ours_intoasc(benchmark::State &state)
{
    const Data &d = data();
    char out[DT_TEXT_SIZE];
    loop(state, [&](int i) { benchmark::DoNotOptimize(intoasc(&d.spans[static_cast<size_t>(i)], out)); });
}

// ---- glibc ----------------------------------------------------------------------------------

void strptime_bench(benchmark::State &state, locale_t loc, const std::vector<std::string> &texts, const char *format)
{
    const Data &d = data();
    for (int i = 0; i < kCount; ++i) {
        std::tm tm{};
        const std::tm &want = d.tms[static_cast<size_t>(i)];
        if (strptime_l(texts[static_cast<size_t>(i)].c_str(), format, &tm, loc) == nullptr ||
            tm.tm_year != want.tm_year || tm.tm_mon != want.tm_mon || tm.tm_mday != want.tm_mday ||
            tm.tm_hour != want.tm_hour || tm.tm_min != want.tm_min || tm.tm_sec != want.tm_sec) {
            state.SkipWithError("strptime_l differs");
            return;
        }
    }
    loop(state, [&](int i) {
        std::tm tm{};
        benchmark::DoNotOptimize(strptime_l(texts[static_cast<size_t>(i)].c_str(), format, &tm, loc));
    });
}

void strftime_bench(benchmark::State &state, locale_t loc, const std::vector<std::string> &want, const char *format)
{
    const Data &d = data();
    char out[64];
    for (int i = 0; i < kCount; ++i) {
        strftime_l(out, sizeof out, format, &d.tms[static_cast<size_t>(i)], loc);
        if (want[static_cast<size_t>(i)] != out) {
            state.SkipWithError("strftime_l differs");
            return;
        }
    }
    loop(state, [&](int i) {
        benchmark::DoNotOptimize(strftime_l(out, sizeof out, format, &d.tms[static_cast<size_t>(i)], loc));
    });
}

void BM_glibc_strptime_standard_C(benchmark::State &s) { strptime_bench(s, data().c_locale, data().standard, kStandardFormat); }
void BM_glibc_strftime_standard_C(benchmark::State &s) { strftime_bench(s, data().c_locale, data().standard, kStandardFormat); }
void BM_glibc_strptime_slash_C(benchmark::State &s) { strptime_bench(s, data().c_locale, data().slashed, kSlashFormat); }
void BM_glibc_strftime_slash_C(benchmark::State &s) { strftime_bench(s, data().c_locale, data().slashed, kSlashFormat); }
void BM_glibc_strptime_slash_en_US(benchmark::State &s) { strptime_bench(s, data().en_us, data().slashed, kSlashFormat); }
void BM_glibc_strftime_slash_en_US(benchmark::State &s) { strftime_bench(s, data().en_us, data().slashed, kSlashFormat); }
void BM_glibc_strptime_standard_en_US(benchmark::State &s) { strptime_bench(s, data().en_us, data().standard, kStandardFormat); }
void BM_glibc_strftime_standard_en_US(benchmark::State &s) { strftime_bench(s, data().en_us, data().standard, kStandardFormat); }

// ---- printf and scanf -----------------------------------------------------------------------

void BM_libc_sscanf_six(benchmark::State &state)
{
    const Data &d = data();
    loop(state, [&](int i) {
        int f[6];
        benchmark::DoNotOptimize(std::sscanf(d.standard[static_cast<size_t>(i)].c_str(), "%d-%d-%d %d:%d:%d", &f[0],
                                             &f[1], &f[2], &f[3], &f[4], &f[5]));
    });
}

void BM_libc_snprintf_six(benchmark::State &state)
{
    const Data &d = data();
    char out[64];
    loop(state, [&](int i) {
        const Stamp &s = d.stamps[static_cast<size_t>(i)];
        benchmark::DoNotOptimize(std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", s.year, s.month,
                                               s.day, s.hour, s.minute, s.second));
    });
}

BENCHMARK(BM_ours_dtcvasc);
BENCHMARK(BM_ours_dttoasc);
BENCHMARK(BM_ours_dtcvfmtasc);
BENCHMARK(BM_ours_dttofmtasc);
BENCHMARK(BM_ours_incvasc);
BENCHMARK(BM_ours_intoasc);
BENCHMARK(BM_glibc_strptime_standard_C);
BENCHMARK(BM_glibc_strftime_standard_C);
BENCHMARK(BM_glibc_strptime_standard_en_US);
BENCHMARK(BM_glibc_strftime_standard_en_US);
BENCHMARK(BM_glibc_strptime_slash_C);
BENCHMARK(BM_glibc_strftime_slash_C);
BENCHMARK(BM_glibc_strptime_slash_en_US);
BENCHMARK(BM_glibc_strftime_slash_en_US);
BENCHMARK(BM_libc_sscanf_six);
BENCHMARK(BM_libc_snprintf_six);

#ifdef TRW_HAVE_ICU

const UChar kUtc[] = {'U', 'T', 'C', 0};

double millis_of(const std::tm &tm)
{
    std::tm copy = tm;
    return static_cast<double>(timegm(&copy)) * 1000.0;
}

UDateFormat *icu_format()
{
    UChar p[64];
    u_uastrcpy(p, "MM/dd/yyyy HH:mm:ss");
    UErrorCode status = U_ZERO_ERROR;
    UDateFormat *f = udat_open(UDAT_PATTERN, UDAT_PATTERN, "en_US", kUtc, 3, p, -1, &status);
    return U_SUCCESS(status) ? f : nullptr;
}

void BM_icu_udat_format(benchmark::State &state)
{
    const Data &d = data();
    UDateFormat *f = icu_format();
    UChar buf[64];
    char text[64];
    for (int i = 0; i < kCount; ++i) {
        UErrorCode status = U_ZERO_ERROR;
        udat_format(f, millis_of(d.tms[static_cast<size_t>(i)]), buf, 64, nullptr, &status);
        u_austrcpy(text, buf);
        if (d.slashed[static_cast<size_t>(i)] != text) {
            state.SkipWithError("udat_format differs");
            udat_close(f);
            return;
        }
    }
    loop(state, [&](int i) {
        UErrorCode status = U_ZERO_ERROR;
        benchmark::DoNotOptimize(udat_format(f, millis_of(d.tms[static_cast<size_t>(i)]), buf, 64, nullptr, &status));
    });
    udat_close(f);
}

void BM_icu_udat_parse(benchmark::State &state)
{
    const Data &d = data();
    UDateFormat *f = icu_format();
    std::vector<std::u16string> u;
    for (const std::string &t : d.slashed) {
        UChar buf[64];
        u_uastrcpy(buf, t.c_str());
        u.emplace_back(reinterpret_cast<const char16_t *>(buf));
    }
    for (int i = 0; i < kCount; ++i) {
        UErrorCode status = U_ZERO_ERROR;
        const UDate m =
            udat_parse(f, reinterpret_cast<const UChar *>(u[static_cast<size_t>(i)].c_str()), -1, nullptr, &status);
        if (U_FAILURE(status) || m != millis_of(d.tms[static_cast<size_t>(i)])) {
            state.SkipWithError("udat_parse differs");
            udat_close(f);
            return;
        }
    }
    loop(state, [&](int i) {
        UErrorCode status = U_ZERO_ERROR;
        benchmark::DoNotOptimize(
            udat_parse(f, reinterpret_cast<const UChar *>(u[static_cast<size_t>(i)].c_str()), -1, nullptr, &status));
    });
    udat_close(f);
}

BENCHMARK(BM_icu_udat_parse);
BENCHMARK(BM_icu_udat_format);

#endif

} // namespace
