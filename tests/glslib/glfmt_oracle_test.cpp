// The number and money format languages against glibc: printf, strtoll,
// strtod and strfmon under glibc's own compilation of the same locale
// sources (gllocale.cmake builds them). A locale whose localeconv fields
// differ from ours is a data question, reported and left out.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <monetary.h>
#include <random>
#include <string>
#include <vector>

#include "gl_monfmt.h"
#include "gl_numfmt.h"
#include "glslib/locale_files.h"

// glibc's newlocale keeps the search path it builds from LOCPATH.
extern "C" const char *__lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace {

struct Case {
    const char *ours;
    const char *glibc;
};

const Case kCases[] = {
    {"en_us/0333.lco", "en_US.ISO-8859-1"}, {"de_de/0333.lco", "de_DE.ISO-8859-1"},
    {"fr_fr/0333.lco", "fr_FR.ISO-8859-1"}, {"ru_ru/0393.lco", "ru_RU.ISO-8859-5"},
    {"pl_pl/0390.lco", "pl_PL.ISO-8859-2"}, {"he_il/0394.lco", "he_IL.ISO-8859-8"},
    {"en_us/04e4.lco", "en_US.CP1252"},     {"en_us/e01c.lco", "en_US.UTF-8"},
    {"ja_jp/e007.lco", "ja_JP.EUC-JP"},     {"ja_jp/e01c.lco", "ja_JP.UTF-8"},
};

int samples(int normal) { return std::getenv("TRW_TEST_FULL") ? normal * 40 : normal; }

struct Pair {
    trwtest::Loaded ours;
    locale_t glibc = nullptr;
    locale_t saved = nullptr;
    explicit Pair(const Case &c) : ours(c.ours)
    {
        setenv("LOCPATH", GLIBC_LOCALES, 1);
        glibc = newlocale(LC_ALL_MASK, c.glibc, nullptr);
        if (glibc != nullptr)
            saved = uselocale(glibc);
    }
    ~Pair()
    {
        if (glibc != nullptr) {
            uselocale(saved);
            freelocale(glibc);
        }
    }
};

int glibc_number(char c) { return c == CHAR_MAX ? INT32_MAX : c; }

// The fields of our derived record that differ from glibc's localeconv.
std::string lconv_differences(const gl_lconv *ours, const struct lconv *g)
{
    std::string out;
    auto text = [&](const char *name, const char *a, const char *b) {
        if (std::strcmp(a, b) != 0)
            out += std::string(name) + " ";
    };
    text("decimal_point", ours->decimal_point, g->decimal_point);
    text("thousands_sep", ours->thousands_sep, g->thousands_sep);
    text("grouping", ours->grouping, g->grouping);
    text("int_curr_symbol", ours->int_curr_symbol, g->int_curr_symbol);
    text("currency_symbol", ours->currency_symbol, g->currency_symbol);
    text("mon_decimal_point", ours->mon_decimal_point, g->mon_decimal_point);
    text("mon_thousands_sep", ours->mon_thousands_sep, g->mon_thousands_sep);
    text("mon_grouping", ours->mon_grouping, g->mon_grouping);
    text("positive_sign", ours->positive_sign, g->positive_sign);
    text("negative_sign", ours->negative_sign, g->negative_sign);
    const int a[] = {ours->int_frac_digits, ours->frac_digits,    ours->p_cs_precedes, ours->p_sep_by_space,
                     ours->n_cs_precedes,   ours->n_sep_by_space, ours->p_sign_posn,   ours->n_sign_posn};
    const char b[] = {g->int_frac_digits, g->frac_digits,    g->p_cs_precedes, g->p_sep_by_space,
                      g->n_cs_precedes,   g->n_sep_by_space, g->p_sign_posn,   g->n_sign_posn};
    for (int i = 0; i < 8; ++i)
        if (a[i] != glibc_number(b[i]))
            out += "number" + std::to_string(i) + " ";
    return out;
}

// The locales whose conventions agree with glibc's, loaded.
template <typename Body> void for_agreeing_locales(Body &&body)
{
    int compared = 0;
    for (const Case &c : kCases) {
        Pair p(c);
        if (p.ours.rc != 0 || p.glibc == nullptr) {
            std::printf("note: %s or %s not available\n", c.ours, c.glibc);
            continue;
        }
        const std::string diff = lconv_differences(gl_localeconv(p.ours.loc), localeconv());
        if (!diff.empty()) {
            std::printf("note: %s differs from glibc's %s in %s\n", c.ours, c.glibc, diff.c_str());
            continue;
        }
        ++compared;
        SCOPED_TRACE(c.glibc);
        body(p.ours.loc);
    }
    EXPECT_GE(compared, 3);
}

std::string flags_of(std::mt19937_64 &rng, const char *allowed)
{
    std::string f;
    for (const char *a = allowed; *a; ++a)
        if (rng() % 3 == 0)
            f += *a;
    return f;
}

int64_t random_integer(std::mt19937_64 &rng)
{
    const int64_t extremes[] = {0, 1, -1, INT32_MAX, INT32_MIN, INT64_MAX, INT64_MIN, 1000, -999, 65535, 32768};
    if (rng() % 4 == 0)
        return extremes[rng() % (sizeof extremes / sizeof extremes[0])];
    return static_cast<int64_t>(rng()) >> (rng() % 63);
}

double random_double(std::mt19937_64 &rng)
{
    const double extremes[] = {0.0, -0.0, 5e-324, 2.2250738585072014e-308, 1.7976931348623157e308, 0.5, 2.5, 1e21,
                               123456789.125, -0.000123};
    if (rng() % 5 == 0)
        return extremes[rng() % (sizeof extremes / sizeof extremes[0])];
    const double mantissa = static_cast<double>(rng() >> 11) / 9007199254740992.0;
    return (rng() % 2 ? -1 : 1) * std::ldexp(mantissa, static_cast<int>(rng() % 200) - 100);
}

} // namespace

TEST(FormatOracle, LocaleconvAgreesWithGlibc)
{
    int agreeing = 0;
    for_agreeing_locales([&](gl_locale *) { ++agreeing; });
    EXPECT_GE(agreeing, 3);
}

TEST(FormatOracle, IntegersMatchPrintf)
{
    std::mt19937_64 rng(2401);
    for_agreeing_locales([&](gl_locale *loc) {
        for (int i = 0; i < samples(3000); ++i) {
            const char conv = "diuoxX"[rng() % 6];
            const bool decimal = conv == 'd' || conv == 'i' || conv == 'u';
            std::string format = "%" + flags_of(rng, decimal ? "'#-0" : "#-0");
            if (rng() % 2)
                format += std::to_string(rng() % 30);
            // glibc counts the separators toward the precision ("%'.6d" of
            // 12463 is "12,463"): grouping with a precision is left out.
            const bool precision = rng() % 3 == 0 && format.find('\'') == std::string::npos;
            if (precision)
                format += "." + std::to_string(rng() % 25);
            const int size = static_cast<int>(rng() % 3); // none, h, l
            format += size == 1 ? "h" : size == 2 ? "l" : "";
            format += conv;
            int64_t v = random_integer(rng);
            if (size != 2)
                v = static_cast<int32_t>(v);
            if (!decimal) // negative values: sign and magnitude here, two's complement in C
                v &= size == 2 ? INT64_MAX : size == 1 ? 0x7fff : 0x7fffffff;
            if (precision && (size == 2 ? v : size == 1 ? static_cast<int16_t>(v) : static_cast<int32_t>(v)) == 0)
                continue; // C writes no digit for a zero with precision 0; "0" here
            char expected[128], got[128];
            if (size == 2) {
                std::snprintf(expected, sizeof expected, format.c_str(), static_cast<long>(v));
                ASSERT_GE(gl_mbsfnum(loc, got, sizeof got, format.c_str(), v), 0) << format;
            } else {
                std::snprintf(expected, sizeof expected, format.c_str(), static_cast<int>(v));
                ASSERT_GE(gl_mbsfnum(loc, got, sizeof got, format.c_str(), static_cast<int>(v)), 0) << format;
            }
            ASSERT_STREQ(got, expected) << format << " of " << v;
        }
    });
}

TEST(FormatOracle, BinaryAndBaseFourMatchAnIndependentConversion)
{
    trwtest::Loaded l("en_us/0333.lco");
    std::mt19937_64 rng(2402);
    for (int i = 0; i < samples(2000); ++i) {
        const uint64_t v = rng() >> (rng() % 64);
        for (const int base : {2, 4}) {
            std::string expected;
            uint64_t m = v;
            do {
                expected.insert(expected.begin(), static_cast<char>('0' + m % base));
                m /= base;
            } while (m != 0);
            char got[80];
            ASSERT_GE(gl_mbsfnum(l.loc, got, sizeof got, base == 2 ? "%lb" : "%lq", static_cast<int64_t>(v)), 0);
            if (static_cast<int64_t>(v) >= 0)
                ASSERT_EQ(got, expected);
            else
                ASSERT_EQ(got[0], '-');
        }
    }
}

TEST(FormatOracle, FloatingMatchesPrintf)
{
    std::mt19937_64 rng(2403);
    for_agreeing_locales([&](gl_locale *loc) {
        for (int i = 0; i < samples(3000); ++i) {
            const char conv = "eEfgG"[rng() % 5];
            std::string format = "%" + flags_of(rng, conv == 'f' ? "'#-0" : "#-0");
            if (rng() % 2)
                format += std::to_string(rng() % 100);
            if (rng() % 2)
                format += "." + std::to_string(rng() % 30);
            format += conv;
            const double v = random_double(rng);
            char expected[1200], got[1200];
            std::snprintf(expected, sizeof expected, format.c_str(), v);
            ASSERT_GE(gl_mbsfnum(loc, got, sizeof got, format.c_str(), v), 0) << format << " " << loc->error;
            ASSERT_STREQ(got, expected) << format << " of " << v;
        }
    });
}

namespace {

// text with the separators dropped and the point made ".".
std::string c_form(const char *text)
{
    const struct lconv *c = localeconv();
    std::string s = text;
    const std::string sep = c->thousands_sep, point = c->decimal_point;
    if (!sep.empty())
        for (size_t at; (at = s.find(sep)) != std::string::npos;)
            s.erase(at, sep.size());
    if (point != "." && !point.empty())
        if (size_t at = s.find(point); at != std::string::npos)
            s.replace(at, point.size(), ".");
    return s;
}

} // namespace

TEST(FormatOracle, PrintedTextsReadBack)
{
    std::mt19937_64 rng(2404);
    for_agreeing_locales([&](gl_locale *loc) {
        for (int i = 0; i < samples(2000); ++i) {
            const bool grouped = rng() % 2;
            const int64_t v = random_integer(rng);
            // A width is the longest field the parser reads: wide enough here.
            const std::string iformat = std::string("%") + (grouped ? "'" : "") + std::to_string(rng() % 25 + 30) + "ld";
            char text[128];
            std::snprintf(text, sizeof text, iformat.c_str(), static_cast<long>(v));
            int64_t back = 0;
            ASSERT_EQ(gl_mbspnum(loc, text, iformat.c_str(), &back), 1) << iformat << " [" << text << "]";
            ASSERT_EQ(back, v) << text;
            char *end = nullptr;
            ASSERT_EQ(gl_mbstol(loc, text, &end, 10, grouped), std::strtoll(c_form(text).c_str(), nullptr, 10))
                << text << " " << loc->error;
            const double d = random_double(rng);
            const char conv = "efg"[rng() % 3];
            const std::string dformat = std::string("%") + (grouped && conv == 'f' ? "'" : "") + "." +
                                        std::to_string(rng() % 20) + conv;
            char dtext[1200];
            std::snprintf(dtext, sizeof dtext, dformat.c_str(), d);
            static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
            const double expected = strtod_l(c_form(dtext).c_str(), nullptr, c_locale);
            if (std::isinf(expected))
                continue; // rounded beyond the largest double: a range error
            double dback = 0;
            ASSERT_EQ(gl_mbspnum(loc, dtext, dformat.c_str(), &dback), 1) << dformat << " [" << dtext << "]";
            ASSERT_EQ(dback, expected) << dtext;
            if (std::fabs(expected) < 1e300 && (expected == 0 || std::fabs(expected) > 1e-300)) {
                ASSERT_EQ(gl_mbstod(loc, dtext, &end, 1), expected) << dtext;
            }
        }
    });
}

TEST(FormatOracle, MoneyMatchesStrfmon)
{
    std::mt19937_64 rng(2405);
    for_agreeing_locales([&](gl_locale *loc) {
        const gl_lconv *c = gl_localeconv(loc);
        const bool multibyte_symbol = [&] {
            for (const char *p = c->currency_symbol; *p; ++p)
                if (static_cast<unsigned char>(*p) >= 0x80)
                    return true;
            return false;
        }();
        std::vector<std::string> flags = {"", "^", "(", "+"};
        if (c->p_sep_by_space == 0 && c->n_sep_by_space == 0)
            flags.push_back("!");
        for (int i = 0; i < samples(1500); ++i) {
            std::string format = "%" + flags[rng() % flags.size()];
            if (!multibyte_symbol && rng() % 3 == 0)
                format += (rng() % 2 ? "-" : "") + std::to_string(rng() % 30);
            const int precision = static_cast<int>(rng() % 6);
            if (rng() % 2)
                format += "." + std::to_string(precision);
            format += "n";
            const int digits = format.find('.') != std::string::npos ? precision
                               : c->frac_digits >= 0 && c->frac_digits <= 15 ? c->frac_digits : 2;
            double scale = std::pow(10.0, digits);
            const int64_t k = static_cast<int64_t>(rng() % 100000000000ull) * (rng() % 2 ? 1 : -1);
            const double amount = static_cast<double>(k) / scale;
            char expected[256], got[256];
            ASSERT_GE(strfmon(expected, sizeof expected, format.c_str(), amount), 0);
            ASSERT_GE(gl_mbsfmon(loc, got, sizeof got, format.c_str(), amount), 0) << format;
            ASSERT_STREQ(got, expected) << format << " of " << amount;
        }
    });
}
