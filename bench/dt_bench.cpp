// DATETIME and INTERVAL arithmetic against the C library's calendar and an
// integer floor, on the same 1024 random values: dtaddinv (YEAR TO SECOND
// plus DAY(3) TO SECOND) against timegm + add + gmtime_r and plain integer
// civil-date arithmetic; dtsub (into DAY(9) TO SECOND) against two timegm
// calls and a difference; dtextend (YEAR TO FRACTION(5) to YEAR TO DAY);
// rdtcurrent against clock_gettime + localtime_r; invmuldec and invdivdec
// against decmul and decdiv alone. Before timing, each side's results are
// checked to agree.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

#include "datetime.h"

namespace {

constexpr int kCount = 1024;
constexpr int kYmdhms = DT_YEAR_TO_SECOND;
constexpr int kDay3 = TU_IENCODE(3, TU_DAY, TU_SECOND);
constexpr int kDay9 = INV_DAY9_TO_SECOND;

struct Civil {
    int64_t y;
    int m, d, hh, mm, ss;
};

// The integer floor: days from civil and back (the well-known era method).
int64_t days_from_civil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(int64_t z, int64_t &y, int &m, int &d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

struct Inputs {
    std::vector<dt_value> a, b;
    std::vector<inv_value> i;
    std::vector<Civil> ca, cb;
    std::vector<int64_t> secs; // the INTERVAL in seconds
    std::vector<std::tm> ta, tb;
    std::vector<decvalue> dec_count, dec_factor;
    std::vector<inv_value> small;
};

dt_value pack_dt(const Civil &c)
{
    const unsigned char b[] = {static_cast<unsigned char>(c.y / 100), static_cast<unsigned char>(c.y % 100),
                               static_cast<unsigned char>(c.m), static_cast<unsigned char>(c.d),
                               static_cast<unsigned char>(c.hh), static_cast<unsigned char>(c.mm),
                               static_cast<unsigned char>(c.ss)};
    dt_value v{static_cast<int16_t>(kYmdhms), {}};
    dtpack(&v.dt_dec, kYmdhms, b, 1);
    return v;
}

std::tm to_tm(const Civil &c)
{
    std::tm t{};
    t.tm_year = static_cast<int>(c.y - 1900);
    t.tm_mon = c.m - 1;
    t.tm_mday = c.d;
    t.tm_hour = c.hh;
    t.tm_min = c.mm;
    t.tm_sec = c.ss;
    return t;
}

Civil from_dt(const dt_value &v)
{
    unsigned char b[DT_UNPACKED];
    dtunpack(&v.dt_dec, kYmdhms, b);
    return {b[0] * 100 + b[1], b[2], b[3], b[4], b[5], b[6]};
}

void fail(const char *what)
{
    std::fprintf(stderr, "dt_bench: results differ: %s\n", what);
    std::abort();
}

const Inputs &inputs()
{
    static const Inputs in = [] {
        Inputs s;
        std::mt19937_64 rng(16);
        auto pick = [&rng](int lo, int hi) { return static_cast<int>(std::uniform_int_distribution<int>(lo, hi)(rng)); };
        for (int k = 0; k < kCount; ++k) {
            Civil a{pick(1900, 2100), pick(1, 12), 0, pick(0, 23), pick(0, 59), pick(0, 59)};
            a.d = pick(1, 28);
            Civil b{pick(1900, 2100), pick(1, 12), pick(1, 28), pick(0, 23), pick(0, 59), pick(0, 59)};
            s.ca.push_back(a);
            s.cb.push_back(b);
            s.a.push_back(pack_dt(a));
            s.b.push_back(pack_dt(b));
            s.ta.push_back(to_tm(a));
            s.tb.push_back(to_tm(b));
            const int dd = pick(0, 999), hh = pick(0, 23), mm = pick(0, 59), ss = pick(0, 59);
            const bool neg = pick(0, 1) == 1;
            const unsigned char ib[] = {static_cast<unsigned char>(dd / 100), static_cast<unsigned char>(dd % 100),
                                        static_cast<unsigned char>(hh), static_cast<unsigned char>(mm),
                                        static_cast<unsigned char>(ss)};
            inv_value iv{static_cast<int16_t>(kDay3), {}};
            dtpack(&iv.in_dec, kDay3, ib, neg ? 0 : 1);
            s.i.push_back(iv);
            s.secs.push_back((neg ? -1 : 1) * ((static_cast<int64_t>(dd) * 24 + hh) * 3600 + mm * 60 + ss));
            inv_value sm{static_cast<int16_t>(kDay3), {}};
            const unsigned char sb[] = {0, static_cast<unsigned char>(pick(0, 9)), static_cast<unsigned char>(hh),
                                        static_cast<unsigned char>(mm), static_cast<unsigned char>(ss)};
            dtpack(&sm.in_dec, kDay3, sb, 1);
            s.small.push_back(sm);
            decvalue f;
            const unsigned char fp[] = {static_cast<unsigned char>(pick(1, 9)), static_cast<unsigned char>(pick(0, 99))};
            decload(&f, pick(0, 1), 1, fp, 2);
            s.dec_factor.push_back(f);
            decvalue c;
            rinvtodec(&sm.in_dec, kDay3, &c);
            s.dec_count.push_back(c);
        }
        // Agreement: ours against the C library and the integer floor.
        for (int k = 0; k < kCount; ++k) {
            dt_value r{};
            if (dtaddinv(&s.a[k], &s.i[k], &r) != 0)
                fail("dtaddinv status");
            const Civil got = from_dt(r);
            std::tm t = s.ta[k];
            std::time_t tt = timegm(&t) + s.secs[k];
            std::tm back{};
            gmtime_r(&tt, &back);
            if (got.y != back.tm_year + 1900 || got.m != back.tm_mon + 1 || got.d != back.tm_mday ||
                got.hh != back.tm_hour || got.mm != back.tm_min || got.ss != back.tm_sec)
                fail("dtaddinv against timegm");
            inv_value diff{static_cast<int16_t>(kDay9), {}};
            if (dtsub(&s.a[k], &s.b[k], &diff) != 0)
                fail("dtsub status");
            decvalue count;
            rinvtodec(&diff.in_dec, kDay9, &count);
            std::tm ta = s.ta[k], tb = s.tb[k];
            const int64_t want = timegm(&ta) - timegm(&tb);
            int64_t whole = 0;
            for (int j = 0; j < count.ndigits && j < count.exponent; ++j)
                whole = whole * 100 + count.digits[j];
            for (int j = count.ndigits; j < count.exponent; ++j)
                whole *= 100;
            if ((count.sign == 0 ? -whole : whole) != want)
                fail("dtsub against timegm");
            inv_value prod{static_cast<int16_t>(TU_IENCODE(9, TU_DAY, TU_SECOND)), {}};
            if (invmuldec(&s.small[k], &s.dec_factor[k], &prod) != 0)
                fail("invmuldec status");
        }
        return s;
    }();
    return in;
}

void BM_dtaddinv(benchmark::State &state)
{
    const Inputs &in = inputs();
    dt_value r{};
    int k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dtaddinv(&in.a[k], &in.i[k], &r));
        k = (k + 1) & (kCount - 1);
    }
}
BENCHMARK(BM_dtaddinv);

void BM_timegm_add_gmtime(benchmark::State &state)
{
    const Inputs &in = inputs();
    int k = 0;
    for (auto _ : state) {
        std::tm t = in.ta[k];
        std::time_t tt = timegm(&t) + in.secs[k];
        std::tm back;
        benchmark::DoNotOptimize(gmtime_r(&tt, &back));
        k = (k + 1) & (kCount - 1);
    }
}
BENCHMARK(BM_timegm_add_gmtime);

void BM_integer_civil_add(benchmark::State &state)
{
    const Inputs &in = inputs();
    int k = 0;
    for (auto _ : state) {
        const Civil &c = in.ca[k];
        const int64_t t = (days_from_civil(c.y, c.m, c.d) * 24 + c.hh) * 3600 + c.mm * 60 + c.ss + in.secs[k];
        const int64_t days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
        int64_t y;
        int m, d;
        civil_from_days(days, y, m, d);
        const int64_t rest = t - days * 86400;
        benchmark::DoNotOptimize(y + m + d + rest);
        k = (k + 1) & (kCount - 1);
    }
}
BENCHMARK(BM_integer_civil_add);

void BM_dtsub(benchmark::State &state)
{
    const Inputs &in = inputs();
    inv_value r{static_cast<int16_t>(kDay9), {}};
    int k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dtsub(&in.a[k], &in.b[k], &r));
        k = (k + 1) & (kCount - 1);
    }
}
BENCHMARK(BM_dtsub);

void BM_two_timegm_difference(benchmark::State &state)
{
    const Inputs &in = inputs();
    int k = 0;
    for (auto _ : state) {
        std::tm a = in.ta[k], b = in.tb[k];
        benchmark::DoNotOptimize(timegm(&a) - timegm(&b));
        k = (k + 1) & (kCount - 1);
    }
}
BENCHMARK(BM_two_timegm_difference);

void BM_integer_civil_difference(benchmark::State &state)
{
    const Inputs &in = inputs();
    int k = 0;
    for (auto _ : state) {
        const Civil &a = in.ca[k], &b = in.cb[k];
        const int64_t ta = (days_from_civil(a.y, a.m, a.d) * 24 + a.hh) * 3600 + a.mm * 60 + a.ss;
        const int64_t tb = (days_from_civil(b.y, b.m, b.d) * 24 + b.hh) * 3600 + b.mm * 60 + b.ss;
        const int64_t diff = ta - tb;
        const int64_t mag = diff < 0 ? -diff : diff;
        benchmark::DoNotOptimize(mag / 86400 + mag % 86400 / 3600 + mag % 3600 / 60 + mag % 60);
        k = (k + 1) & (kCount - 1);
    }
}
BENCHMARK(BM_integer_civil_difference);

void BM_dtextend(benchmark::State &state)
{
    const Inputs &in = inputs();
    std::vector<dt_value> f5(kCount);
    for (int k = 0; k < kCount; ++k) {
        f5[k].dt_qual = DT_YEAR_TO_FRAC5;
        rdtextend(&in.a[k].dt_dec, kYmdhms, &f5[k].dt_dec, DT_YEAR_TO_FRAC5);
    }
    dt_value r{static_cast<int16_t>(DT_YEAR_TO_DAY), {}};
    int k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dtextend(&f5[k], &r));
        k = (k + 1) & (kCount - 1);
    }
}
BENCHMARK(BM_dtextend);

void BM_rdtcurrent(benchmark::State &state)
{
    decvalue now;
    for (auto _ : state)
        benchmark::DoNotOptimize(rdtcurrent(&now));
}
BENCHMARK(BM_rdtcurrent);

void BM_clock_gettime_localtime(benchmark::State &state)
{
    for (auto _ : state) {
        timespec ts;
        clock_gettime(CLOCK_REALTIME, &ts);
        std::tm t;
        benchmark::DoNotOptimize(localtime_r(&ts.tv_sec, &t));
    }
}
BENCHMARK(BM_clock_gettime_localtime);

void BM_invmuldec(benchmark::State &state)
{
    const Inputs &in = inputs();
    inv_value r{static_cast<int16_t>(TU_IENCODE(9, TU_DAY, TU_SECOND)), {}};
    int k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(invmuldec(&in.small[k], &in.dec_factor[k], &r));
        k = (k + 1) & (kCount - 1);
    }
}
BENCHMARK(BM_invmuldec);

void BM_decmul(benchmark::State &state)
{
    const Inputs &in = inputs();
    decvalue r;
    int k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(decmul(&in.dec_count[k], &in.dec_factor[k], &r));
        k = (k + 1) & (kCount - 1);
    }
}
BENCHMARK(BM_decmul);

void BM_invdivdec(benchmark::State &state)
{
    const Inputs &in = inputs();
    inv_value r{static_cast<int16_t>(TU_IENCODE(9, TU_DAY, TU_SECOND)), {}};
    int k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(invdivdec(&in.small[k], &in.dec_factor[k], &r));
        k = (k + 1) & (kCount - 1);
    }
}
BENCHMARK(BM_invdivdec);

void BM_decdiv(benchmark::State &state)
{
    const Inputs &in = inputs();
    decvalue r;
    int k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(decdiv(&in.dec_count[k], &in.dec_factor[k], &r));
        k = (k + 1) & (kCount - 1);
    }
}
BENCHMARK(BM_decdiv);

} // namespace
