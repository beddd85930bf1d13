// Value expressions through the public functions: the worked examples,
// the working type of comparisons of text, DATE arithmetic at its limits,
// three-valued AND, OR, NOT as full truth tables, the NULL tests, MATCHES
// and LIKE with the kept compiled pattern (recognised by content, dropped
// when the normaliser is rebuilt), and the date functions for every day of
// a few years against Python's datetime (VALEXPR_DATES).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decconv.h"
#include "gentcb.h"
#include "glsenv.h"
#include "rdate.h"
#include "support/alloc_fail.h"
#include "rwmatch_int.h"
#include "valexint.h"
#include "valexpr.h"

namespace {

valrec make(int type, int prec = 0)
{
    valrec v;
    std::memset(&v, 0, sizeof v);
    v.vtype = static_cast<int16_t>(type);
    v.vprec = static_cast<int16_t>(prec);
    return v;
}

valrec small(int n)
{
    valrec v = make(TRW_SQL_SMALLINT, VAL_PREC_SMALLINT);
    v.vdata.vshort = static_cast<int16_t>(n);
    return v;
}

valrec integer(int n, int type = TRW_SQL_INTEGER)
{
    valrec v = make(type, VAL_PREC_INTEGER);
    v.vdata.vint = n;
    return v;
}

valrec text(const char *s, int type = TRW_SQL_CHAR)
{
    valrec v = make(type);
    v.vdata.vchar = const_cast<char *>(s);
    v.vlen = static_cast<int32_t>(std::strlen(s));
    return v;
}

valrec null_of(int type)
{
    valrec v = make(type);
    v.vind = -1;
    return v;
}

valrec decimal(int64_t scaled, int scale, int prec)
{
    valrec v = make(TRW_SQL_DECIMAL, prec);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(scaled < 0 ? -scaled : scaled));
    std::string digits(buf);
    while (static_cast<int>(digits.size()) <= scale)
        digits = "0" + digits;
    std::string whole = digits.substr(0, digits.size() - static_cast<size_t>(scale));
    std::string frac = digits.substr(digits.size() - static_cast<size_t>(scale));
    if (whole.size() % 2) whole = "0" + whole;
    if (frac.size() % 2) frac += "0";
    std::string all = whole + frac;
    unsigned char pairs[32];
    int n = 0;
    for (size_t i = 0; i < all.size(); i += 2)
        pairs[n++] = static_cast<unsigned char>((all[i] - '0') * 10 + all[i + 1] - '0');
    decload(&v.vdata.vdec, scaled < 0 ? 0 : 1, static_cast<int>(whole.size() / 2), pairs, n);
    return v;
}

bool is_null(const valrec &v) { return v.vind < 0; }

TEST(ValexprOperators, WorkedExamplesOfTypesAndPrecisionWords)
{
    valrec a = small(2), b = small(3), r;
    ASSERT_EQ(exadd(&a, &b, &r), 0);
    EXPECT_EQ(r.vtype, TRW_SQL_DECIMAL);
    EXPECT_EQ(r.vprec, 0x0600);
    int value = 0;
    EXPECT_EQ(dectoint(&r.vdata.vdec, &value), 0);
    EXPECT_EQ(value, 5);

    valrec d1 = decimal(123456, 2, 0x0802), d2 = decimal(123456, 3, 0x0603);
    EXPECT_EQ(exprec(EXOP_ADD, &d1, &d2), 0x0A03);
    EXPECT_EQ(exprec(EXOP_MUL, &d1, &d2), 0x1005);
    EXPECT_EQ(exprec(EXOP_DIV, &d1, &d2), 0x10FF);
    ASSERT_EQ(exmul(&d1, &d2, &r), 0);
    EXPECT_EQ(r.vprec, 0x1005);

    // The result may be the operand itself.
    ASSERT_EQ(exadd(&a, &b, &a), 0);
    EXPECT_EQ(a.vtype, TRW_SQL_DECIMAL);
}

TEST(ValexprOperators, EveryComparisonOfTwoTextsIsWorkedAsText)
{
    valrec a = text("abc"), b = text("abd  "), r;
    const int expected[] = {0, 1, 1, 1, 0, 0}; // = != <= < >= >
    for (int op = EXOP_EQ; op <= EXOP_GT; ++op) {
        EXPECT_EQ(extype(op, &a, &b), TRW_SQL_CHAR) << op;
        ASSERT_EQ(excmp(op, &a, &b, &r), 0) << op;
        EXPECT_EQ(r.vdata.vshort, expected[op - EXOP_EQ]) << op;
    }
    // Blank padding: "ab" equals "ab   ".
    valrec c = text("ab"), d = text("ab   ");
    ASSERT_EQ(excmp(EXOP_EQ, &c, &d, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
    // Text against a number is worked in DECIMAL: "10" > 9.
    valrec ten = text("10"), nine = integer(9);
    EXPECT_EQ(extype(EXOP_GT, &ten, &nine), TRW_SQL_DECIMAL);
    ASSERT_EQ(excmp(EXOP_GT, &ten, &nine, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
    // NCHAR against CHAR by the collation.
    valrec n1 = text("abc", TRW_SQL_NCHAR);
    EXPECT_EQ(extype(EXOP_EQ, &n1, &a), TRW_SQL_NCHAR);
    ASSERT_EQ(excmp(EXOP_EQ, &n1, &a, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
    ASSERT_EQ(excmp(EXOP_LT, &n1, &b, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
    // NULL = 1 is NULL.
    valrec nul = null_of(TRW_SQL_INTEGER), one = integer(1);
    ASSERT_EQ(excmp(EXOP_EQ, &nul, &one, &r), 0);
    EXPECT_TRUE(is_null(r));
    EXPECT_EQ(r.vtype, TRW_SQL_SMALLINT);
}

TEST(ValexprOperators, SmallfloatAgainstFloatAndBooleansCompare)
{
    valrec f = make(TRW_SQL_FLOAT, VAL_PREC_FLOAT), s = make(TRW_SQL_SMALLFLOAT, VAL_PREC_SMALLFLOAT), r;
    f.vdata.vdouble = 0.1;
    s.vdata.vfloat = 0.1f;
    EXPECT_EQ(extype(EXOP_EQ, &f, &s), TRW_SQL_SMALLFLOAT);
    ASSERT_EQ(excmp(EXOP_EQ, &f, &s, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
    char t = 1, u = 0;
    valrec bt = make(TRW_SQL_BOOLEAN), bf = make(TRW_SQL_BOOLEAN);
    bt.vdata.vchar = &t;
    bt.vlen = 1;
    bf.vdata.vchar = &u;
    bf.vlen = 1;
    ASSERT_EQ(excmp(EXOP_NE, &bt, &bf, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
    ASSERT_EQ(excmp(EXOP_EQ, &bt, &bt, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
}

TEST(ValexprOperators, FloatDivisionByZeroAndOverflow)
{
    valrec a = make(TRW_SQL_FLOAT, VAL_PREC_FLOAT), b = make(TRW_SQL_FLOAT, VAL_PREC_FLOAT), r;
    a.vdata.vdouble = 5.0;
    b.vdata.vdouble = 0.0;
    EXPECT_EQ(exdiv(&a, &b, &r), -1202);
    EXPECT_TRUE(is_null(r));
    a.vdata.vdouble = 1e308;
    b.vdata.vdouble = 10;
    EXPECT_EQ(exmul(&a, &b, &r), -1223);
    EXPECT_TRUE(is_null(r));
    // With the decimal calculation on, the same operands are DECIMALs.
    EXPECT_EQ(trw_ex_decimal_calc(1), 0);
    EXPECT_EQ(extype(EXOP_MUL, &a, &b), TRW_SQL_DECIMAL);
    EXPECT_EQ(trw_ex_decimal_calc(0), 1);
    EXPECT_EQ(extype(EXOP_MUL, &a, &b), TRW_SQL_FLOAT);
    EXPECT_EQ(CheckGenInit()->gt_exdeccalc, 0);
}

TEST(ValexprOperators, DateArithmeticIsCheckedInSixtyFourBits)
{
    valrec day = make(TRW_SQL_DATE, VAL_PREC_INTEGER), big = integer(2958464), r;
    day.vdata.vint = 2958464; // 9999-12-31
    valrec one = integer(1);
    EXPECT_EQ(exadd(&day, &one, &r), -1210);
    EXPECT_TRUE(is_null(r));
    EXPECT_EQ(r.vtype, TRW_SQL_DATE);
    // DATE * DATE beyond 32 bits, and a product that would be the NULL value.
    EXPECT_EQ(exmul(&day, &day, &r), -1215);
    EXPECT_TRUE(is_null(r));
    EXPECT_EQ(r.vtype, TRW_SQL_INTEGER);
    valrec half = make(TRW_SQL_DATE), minus = integer(-65536);
    half.vdata.vint = 32768;
    EXPECT_EQ(exmul(&half, &minus, &r), -1215); // -2147483648
    // DATE - DATE is an INTEGER day count; DATE - text reads the text as a date.
    valrec d2 = make(TRW_SQL_DATE);
    d2.vdata.vint = 2958400;
    ASSERT_EQ(exsub(&day, &d2, &r), 0);
    EXPECT_EQ(r.vtype, TRW_SQL_INTEGER);
    EXPECT_EQ(r.vdata.vint, 64);
    valrec d3 = make(TRW_SQL_DATE), when = text("01/02/1900");
    d3.vdata.vint = 10;
    ASSERT_EQ(exsub(&d3, &when, &r), 0);
    EXPECT_EQ(r.vtype, TRW_SQL_INTEGER);
    EXPECT_EQ(r.vdata.vint, 8);
    valrec zero = integer(0);
    EXPECT_EQ(exdiv(&big, &zero, &r), -1202);
    // Unary minus of a DATE is an INTEGER.
    ASSERT_EQ(exneg(&d3, &r), 0);
    EXPECT_EQ(r.vtype, TRW_SQL_INTEGER);
    EXPECT_EQ(r.vdata.vint, -10);
    valrec dt = make(TRW_SQL_DATETIME, DT_YEAR_TO_DAY);
    EXPECT_EQ(exneg(&dt, &r), -1266);
}

TEST(ValexprOperators, IntervalsOfBothClassesDoNotCompare)
{
    valrec ym = make(TRW_SQL_INTERVAL, TU_IENCODE(4, TU_YEAR, TU_MONTH));
    valrec ds = make(TRW_SQL_INTERVAL, INV_DAY9_TO_SECOND), r;
    deccvint(1, &ym.vdata.vdec);
    deccvint(1, &ds.vdata.vdec);
    EXPECT_EQ(excmp(EXOP_EQ, &ym, &ds, &r), -1266);
    EXPECT_EQ(exadd(&ym, &ds, &r), -1266);
    EXPECT_EQ(exmul(&ym, &ds, &r), -1260);
    valrec dt = make(TRW_SQL_DATETIME, DT_YEAR_TO_DAY);
    EXPECT_EQ(exmul(&dt, &ym, &r), -1260);
}

// Truth values by name: T, F, N (NULL), with integer and text operands.
valrec truth(char t, bool as_text)
{
    if (t == 'N')
        return null_of(as_text ? TRW_SQL_CHAR : TRW_SQL_INTEGER);
    if (as_text)
        return text(t == 'T' ? "12" : "0.00");
    return integer(t == 'T' ? 7 : 0);
}

char name_of(const valrec &r) { return is_null(r) ? 'N' : r.vdata.vshort ? 'T' : 'F'; }

TEST(ValexprLogic, ThreeValuedTruthTables)
{
    const char values[] = {'T', 'F', 'N'};
    const char *and_table = "TFNFFFNFN", *or_table = "TTTTFNTNN", *not_table = "FTN";
    for (bool as_text : {false, true})
        for (int i = 0; i < 3; ++i) {
            valrec a = truth(values[i], as_text), r;
            ASSERT_EQ(exnot(&a, &r), 0);
            EXPECT_EQ(name_of(r), not_table[i]);
            for (int j = 0; j < 3; ++j) {
                valrec b = truth(values[j], !as_text);
                ASSERT_EQ(exand(&a, &b, &r), 0);
                EXPECT_EQ(name_of(r), and_table[i * 3 + j]) << values[i] << " AND " << values[j];
                ASSERT_EQ(exor(&a, &b, &r), 0);
                EXPECT_EQ(name_of(r), or_table[i * 3 + j]) << values[i] << " OR " << values[j];
            }
        }
}

TEST(ValexprLogic, TruthOfTextAndTypes)
{
    struct Case {
        const char *s;
        char truth;
    } cases[] = {{"1", 'T'}, {"0", 'F'}, {"0.0", 'F'}, {"007", 'T'}, {"0x", 'F'}, {"abc", 'T'},
                 {" 0", 'F'}, {"  5", 'T'}, {"", 'F'}, {"   ", 'F'}, {"0,5", 'T'}, {"-0", 'T'}};
    for (const Case &c : cases) {
        valrec v = text(c.s), r;
        ASSERT_EQ(cvtosmint(&v, &r), 0);
        EXPECT_EQ(name_of(r), c.truth) << '"' << c.s << '"';
    }
    valrec d = decimal(5, 3, 0x0503), z = decimal(0, 0, 0x0500), r;
    ASSERT_EQ(cvtosmint(&d, &r), 0);
    EXPECT_EQ(name_of(r), 'T');
    ASSERT_EQ(cvtosmint(&z, &r), 0);
    EXPECT_EQ(name_of(r), 'F');
    valrec blob = make(TRW_SQL_TEXT);
    EXPECT_EQ(cvtosmint(&blob, &r), -1260);
}

TEST(ValexprLogic, NullTestsAreNeverNull)
{
    valrec n = null_of(TRW_SQL_DATE), v = integer(0), r;
    ASSERT_EQ(exnull(EXOP_ISNULL, &n, &r), 0);
    EXPECT_EQ(name_of(r), 'T');
    ASSERT_EQ(exnull(EXOP_NOTNULL, &n, &r), 0);
    EXPECT_EQ(name_of(r), 'F');
    ASSERT_EQ(exnull(EXOP_ISNULL, &v, &r), 0);
    EXPECT_EQ(name_of(r), 'F');
    ASSERT_EQ(exnull(EXOP_NOTNULL, &v, &r), 0);
    EXPECT_EQ(name_of(r), 'T');
    EXPECT_EQ(exnull(EXOP_EQ, &v, &r), -1260);
}

int match(int op, const char *t, const char *p)
{
    valrec a = text(t), b = text(p), r;
    const int status = exmatch(op, &a, &b, &r);
    return status != 0 ? status : is_null(r) ? -1 : r.vdata.vshort;
}

TEST(ValexprMatching, MatchesAndLikeOnTheDirectMatcher)
{
    EXPECT_EQ(match(EXOP_MATCHES, "abc", "a*"), 1);
    EXPECT_EQ(match(EXOP_NOTMATCHES, "abc", "a*"), 0);
    EXPECT_EQ(match(EXOP_MATCHES, "abc   ", "a?c"), 1); // trailing blanks of the value
    EXPECT_EQ(match(EXOP_LIKE, "a%", "a\\%"), 1);
    EXPECT_EQ(match(EXOP_LIKE, "ab", "a\\%"), 0);
    EXPECT_EQ(match(EXOP_NOTLIKE, "ab", "a_"), 0);
    valrec one = integer(1), pat = text("1"), r;
    EXPECT_EQ(exmatch(EXOP_MATCHES, &one, &pat, &r), -1203);
    valrec n = null_of(TRW_SQL_CHAR);
    ASSERT_EQ(exmatch(EXOP_LIKE, &n, &pat, &r), 0);
    EXPECT_TRUE(is_null(r));
    valrec a = text("a+b"), p = text("a++b");
    ASSERT_EQ(ansi_exescmatch(EXOP_LIKE, &a, &p, "+", &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
    valrec p2 = text("a+%");
    ASSERT_EQ(ansi_exescmatch(EXOP_LIKE, &a, &p2, "+", &r), 0);
    EXPECT_EQ(r.vdata.vshort, 0);
    valrec p3 = text("a+_b"), a4 = text("a+xb");
    ASSERT_EQ(ansi_exescmatch(EXOP_LIKE, &a4, &p3, nullptr, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
    gen_setansidb(1);
    valrec p4 = text("a\\x");
    EXPECT_EQ(exmatch(EXOP_MATCHES, &a, &p4, &r), -1278);
    gen_setansidb(0);
}

TEST(ValexprMatching, KeptPatternIsKnownByContentNotAddress)
{
    setenv("CLIENT_LOCALE", "en_US.utf8", 1); // multibyte: the compiled matcher
    char pattern[8] = "a*";
    valrec a = text("abc"), b = text(pattern), r;
    ASSERT_EQ(exmatch(EXOP_MATCHES, &a, &b, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
    const long first = valexpr_int::kept_pattern_compilations();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(exmatch(EXOP_MATCHES, &a, &b, &r), 0);
    EXPECT_EQ(valexpr_int::kept_pattern_compilations(), first); // never recompiled
    // Same buffer, new content.
    std::strcpy(pattern, "b*");
    b = text(pattern);
    ASSERT_EQ(exmatch(EXOP_MATCHES, &a, &b, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 0);
    EXPECT_EQ(valexpr_int::kept_pattern_compilations(), first + 1);
    // Same bytes, other special characters: LIKE reads "*" literally.
    std::strcpy(pattern, "a*");
    b = text(pattern);
    ASSERT_EQ(exmatch(EXOP_LIKE, &a, &b, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 0);
    ASSERT_EQ(exmatch(EXOP_MATCHES, &a, &b, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
    // A rebuilt normaliser drops the kept pattern.
    const long before = valexpr_int::kept_pattern_compilations();
    ASSERT_TRUE(rwm::build_normaliser(nullptr, 0));
    ASSERT_EQ(exmatch(EXOP_MATCHES, &a, &b, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
    EXPECT_EQ(valexpr_int::kept_pattern_compilations(), before + 1);
    // Multibyte text.
    valrec e = text("\xc3\xa9t\xc3\xa9"), q = text("?t?");
    ASSERT_EQ(exmatch(EXOP_MATCHES, &e, &q, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
}

TEST(ValexprMatching, PatternWithoutMemoryIsRefusedAndNothingLeaks)
{
    setenv("CLIENT_LOCALE", "en_US.utf8", 1);
    valrec a = text("abc"), b = text("a*"), r;
    ASSERT_EQ(exmatch(EXOP_MATCHES, &a, &b, &r), 0); // the locale is loaded
    valrec c = text("b*");
    trwtest::start_counting_live_blocks();
    trwtest::fail_allocation_after(0, true);
    EXPECT_EQ(exmatch(EXOP_MATCHES, &a, &c, &r), -1211);
    trwtest::allow_allocations();
    EXPECT_TRUE(is_null(r));
    valexpr_int::drop_kept_pattern();
    EXPECT_EQ(trwtest::live_blocks(), 0);
    // After the failure every later pattern compiles and is kept again.
    for (long successes = 0; successes < 8; ++successes) {
        trwtest::fail_allocation_after(successes, true);
        const int status = exmatch(EXOP_MATCHES, &a, &c, &r);
        trwtest::allow_allocations();
        EXPECT_TRUE(status == 0 || status == -1211) << status;
        valexpr_int::drop_kept_pattern();
    }
    ASSERT_EQ(exmatch(EXOP_MATCHES, &a, &c, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 0);
}

TEST(ValexprMatching, AnotherClientLocaleDropsTheKeptPattern)
{
    setenv("CLIENT_LOCALE", "en_US.utf8", 1);
    valrec a = text("abc"), b = text("a?c"), r;
    ASSERT_EQ(exmatch(EXOP_MATCHES, &a, &b, &r), 0);
    const long first = valexpr_int::kept_pattern_compilations();
    GlsEnvLocale request{};
    request.setting[GLS_CLIENT_LOCALE] = "ja_JP.utf8";
    GlsEnv *other = nullptr;
    ASSERT_EQ(CreateGlsEnv(&request, &other, 1), 0);
    GlsEnv *before = SetGlsEnv(other);
    ASSERT_EQ(exmatch(EXOP_MATCHES, &a, &b, &r), 0);
    EXPECT_EQ(r.vdata.vshort, 1);
    EXPECT_EQ(valexpr_int::kept_pattern_compilations(), first + 1);
    ASSERT_EQ(exmatch(EXOP_MATCHES, &a, &b, &r), 0);
    EXPECT_EQ(valexpr_int::kept_pattern_compilations(), first + 1); // kept for this locale
    SetGlsEnv(before);
}

// ---- date functions, every day of a few years ----

struct Day {
    int date, weekday, month, day, year;
};

std::vector<Day> read_days()
{
    std::ifstream in(VALEXPR_DATES);
    std::vector<Day> days;
    Day d;
    while (in >> d.date >> d.weekday >> d.month >> d.day >> d.year)
        days.push_back(d);
    return days;
}

TEST(ValexprDates, EveryDayOfSeveralYearsAgreesWithDatetime)
{
    const std::vector<Day> days = read_days();
    ASSERT_GT(days.size(), 2000u);
    for (const Day &d : days) {
        valrec v = make(TRW_SQL_DATE, VAL_PREC_INTEGER), r;
        v.vdata.vint = d.date;
        ASSERT_EQ(exxmdy(EXOP_DAY, &v, &r), 0);
        EXPECT_EQ(r.vdata.vshort, d.day);
        EXPECT_EQ(r.vprec, EXPREC_DAY);
        ASSERT_EQ(exxmdy(EXOP_MONTH, &v, &r), 0);
        EXPECT_EQ(r.vdata.vshort, d.month);
        ASSERT_EQ(exxmdy(EXOP_YEAR, &v, &r), 0);
        EXPECT_EQ(r.vdata.vshort, d.year);
        EXPECT_EQ(r.vprec, EXPREC_YEAR);
        ASSERT_EQ(exwkday(&v, &r), 0);
        EXPECT_EQ(r.vdata.vshort, d.weekday) << d.date;
        EXPECT_EQ(r.vprec, EXPREC_WEEKDAY);
        valrec m = small(d.month), dd = small(d.day), y = integer(d.year);
        ASSERT_EQ(exmdy(&m, &dd, &y, &r), 0);
        EXPECT_EQ(r.vtype, TRW_SQL_DATE);
        EXPECT_EQ(r.vdata.vint, d.date);
        // EXTEND to YEAR TO MINUTE: the day at 00:00; its DAY is the same.
        valrec ext;
        ASSERT_EQ(exextend(&v, TU_DTENCODE(TU_YEAR, TU_MINUTE), &ext), 0);
        EXPECT_EQ(ext.vtype, TRW_SQL_DATETIME);
        ASSERT_EQ(exxmdy(EXOP_DAY, &ext, &r), 0);
        EXPECT_EQ(r.vdata.vshort, d.day);
        ASSERT_EQ(exwkday(&ext, &r), 0);
        EXPECT_EQ(r.vdata.vshort, d.weekday);
        // EXTEND to MONTH TO DAY keeps month and day.
        ASSERT_EQ(exextend(&v, TU_DTENCODE(TU_MONTH, TU_DAY), &ext), 0);
        unsigned char bytes[DT_UNPACKED];
        ASSERT_EQ(dtunpack(&ext.vdata.vdec, TU_DTENCODE(TU_MONTH, TU_DAY), bytes), 0);
        EXPECT_EQ(bytes[0], d.month);
        EXPECT_EQ(bytes[1], d.day);
    }
}

// A client whose locale counts in the Hebrew calendar: DAY, MONTH and YEAR
// give the numbers its DATE text shows (DBDATE "DMY4/"), and MDY reads them
// back.
TEST(ValexprDates, LocaleCalendarCountsAsTheDateTextDoes)
{
    setenv("CLIENT_LOCALE", "he_IL.8859-8", 1);
    setenv("DBDATE", "DMY4/", 1);
    for (int32_t date = 44000; date < 47000; date += 7) { // 2020 to 2028
        char text[32];
        ASSERT_EQ(rdatestr(date, text), 0);
        int day = 0, month = 0, year = 0;
        ASSERT_EQ(std::sscanf(text, "%d/%d/%d", &day, &month, &year), 3) << text;
        valrec v = make(TRW_SQL_DATE, VAL_PREC_INTEGER), r;
        v.vdata.vint = date;
        ASSERT_EQ(exxmdy(EXOP_DAY, &v, &r), 0);
        EXPECT_EQ(r.vdata.vshort, day) << text;
        ASSERT_EQ(exxmdy(EXOP_MONTH, &v, &r), 0);
        EXPECT_EQ(r.vdata.vshort, month) << text;
        ASSERT_EQ(exxmdy(EXOP_YEAR, &v, &r), 0);
        EXPECT_EQ(r.vdata.vshort, year) << text;
        valrec m = small(month), d = small(day), y = integer(year);
        ASSERT_EQ(exmdy(&m, &d, &y, &r), 0) << text;
        EXPECT_EQ(r.vdata.vint, date) << text;
    }
    valrec m = small(1), d = small(31), y = integer(5785), r;
    EXPECT_EQ(exmdy(&m, &d, &y, &r), -1206);
    m = small(14);
    d = small(1);
    EXPECT_EQ(exmdy(&m, &d, &y, &r), -1205);
    m = small(1);
    y = integer(20000);
    EXPECT_EQ(exmdy(&m, &d, &y, &r), -1204);
}

TEST(ValexprDates, NullsUnitsCurrentAndBadInput)
{
    valrec n = null_of(TRW_SQL_DATE), r;
    ASSERT_EQ(exxmdy(EXOP_MONTH, &n, &r), 0);
    EXPECT_TRUE(is_null(r));
    EXPECT_EQ(r.vprec, EXPREC_MONTH);
    valrec m = small(2), d = small(30), y = integer(2000);
    EXPECT_EQ(exmdy(&m, &d, &y, &r), -1206);
    EXPECT_TRUE(is_null(r));
    ASSERT_EQ(exmdy(&m, &n, &y, &r), 0);
    EXPECT_TRUE(is_null(r));
    // 5 UNITS DAY, 90 UNITS MINUTE into HOUR TO MINUTE, FRACTION moved to SECOND.
    valrec five = integer(5), ninety = integer(90);
    ASSERT_EQ(exunits(&five, TU_IENCODE(3, TU_DAY, TU_DAY), &r), 0);
    EXPECT_EQ(r.vtype, TRW_SQL_INTERVAL);
    unsigned char bytes[DT_UNPACKED];
    ASSERT_EQ(dtunpack(&r.vdata.vdec, TU_IENCODE(3, TU_DAY, TU_DAY), bytes), 0);
    EXPECT_EQ(bytes[0] * 100 + bytes[1], 5);
    ASSERT_EQ(exunits(&ninety, TU_IENCODE(2, TU_HOUR, TU_MINUTE), &r), 0);
    ASSERT_EQ(dtunpack(&r.vdata.vdec, TU_IENCODE(2, TU_HOUR, TU_MINUTE), bytes), 0);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 30);
    ASSERT_EQ(exunits(&five, TU_ENCODE(3, TU_FRAC, TU_F3), &r), 0);
    EXPECT_EQ(TU_START(static_cast<uint16_t>(r.vprec)), TU_SECOND);
    // CURRENT: YEAR TO FRACTION(3) without a qualifier.
    ASSERT_EQ(excurrent(0, &r), 0);
    EXPECT_EQ(r.vtype, TRW_SQL_DATETIME);
    EXPECT_EQ(static_cast<uint16_t>(r.vprec), EX_CURRENT_DEFAULT);
    EXPECT_FALSE(is_null(r));
    ASSERT_EQ(excurrent(TU_DTENCODE(TU_HOUR, TU_SECOND), &r), 0);
    EXPECT_EQ(static_cast<uint16_t>(r.vprec), TU_DTENCODE(TU_HOUR, TU_SECOND));
    EXPECT_EQ(excurrent(0x7FFF, &r), -1268);
    // DATE(text).
    valrec t = text("12/31/1899");
    ASSERT_EQ(extodate(&t, &r), 0);
    EXPECT_EQ(r.vdata.vint, 0);
}

} // namespace
