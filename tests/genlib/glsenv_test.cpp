// The client locale environment end to end, each test a fresh process with
// its own settings: defaults, CLIENT_LOCALE, DB_LOCALE, DBNLS with and
// without LANG, missing locales and the operating-system retry, the date
// format, created records, the hooks installed into the locale library and
// the OS layer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "decconv.h"
#include "gl_ext.h"
#include "gl_names.h"
#include "glsenv.h"
#include "osclient.h"
#include "osenv.h"
#include "osutil.h"

namespace {

namespace fs = std::filesystem;

void clear_locale_settings()
{
    for (const char *name : gls_setting_names)
        unsetenv(name);
    unsetenv("SERVER_LOCALE");
}

std::string decimal_text(const decvalue &dec, int places = -1)
{
    char buf[40];
    EXPECT_EQ(dectoasc(&dec, buf, sizeof buf - 1, places), 0);
    buf[sizeof buf - 1] = '\0';
    std::string s(buf);
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

const GlsState &state() { return *CheckGlsEnv()->state; }

// A data tree with the registry and one locale file placed under another
// name, for the operating-system retry.
std::string tree_with_os_locale(const std::string &os_name)
{
    const fs::path built = std::getenv("TARNWELLDIR");
    const fs::path root = fs::temp_directory_path() / ("trw_glsenv_" + std::to_string(getpid()));
    fs::create_directories(root / "gls/cm3");
    fs::create_directories(root / "gls/lc11/os");
    fs::copy_file(built / "gls/cm3/registry", root / "gls/cm3/registry", fs::copy_options::overwrite_existing);
    fs::copy_file(built / "gls/lc11/de_de/0333.lco", root / "gls/lc11/os" / os_name,
                  fs::copy_options::overwrite_existing);
    return root.string();
}

} // namespace

TEST(GlsEnvDefaults, NothingSetGivesEnglishLocalesNoConversionsAndUsDates)
{
    clear_locale_settings();
    ASSERT_EQ(chkglsinit(), 0);
    const GlsEnv *env = CheckGlsEnv();
    ASSERT_NE(env->locale, nullptr);
    EXPECT_STREQ(env->locale->names[0].file, "en_us/0333.lco");
    EXPECT_EQ(state().db_locale, env->locale);
    EXPECT_EQ(state().client_to_db, nullptr);
    EXPECT_EQ(state().db_to_client, nullptr);
    EXPECT_STREQ(state().gl_date, "%m/%d/%iY");
    EXPECT_EQ(state().date_order[0], 2);
    EXPECT_EQ(state().date_order[1], 1);
    EXPECT_EQ(state().date_order[2], 3);
    EXPECT_EQ(state().date_from_dbdate, 1);
    EXPECT_EQ(state().gregorian, 1);
    for (int c = 0; c < GLS_NCATEGORIES; ++c) {
        EXPECT_STREQ(state().cat_spec[c], "en_US.819");
        EXPECT_EQ(state().cat_from_file[c], 1);
    }
    EXPECT_STREQ(state().db_spec, "en_US.819");
    // The defaulted CLIENT_LOCALE is what the registry now reports.
    EXPECT_STREQ(ggetenv("CLIENT_LOCALE"), "en_US.8859-1");
    EXPECT_EQ(state().defaulted & 0x1u, 0x1u);
    EXPECT_EQ(ggetenv("DB_LOCALE"), nullptr);
    EXPECT_EQ(trw_gl_init(), 0);
    EXPECT_EQ(trw_get_gl_locale_thread(), env->locale);
    EXPECT_EQ(trw_get_glsenv_thread(), env);
}

TEST(GlsEnvTypicalCall, FirstDecimalConversionSettlesTheWholeEnvironment)
{
    clear_locale_settings();
    EXPECT_EQ(CheckGlsEnv()->locale, nullptr);
    EXPECT_EQ(os_client_locale(), nullptr);
    decvalue dec;
    ASSERT_EQ(deccvasc("12.50", 5, &dec), 0);
    EXPECT_EQ(dec.exponent, 1);
    EXPECT_EQ(dec.ndigits, 2);
    EXPECT_EQ(dec.digits[0], 12);
    EXPECT_EQ(dec.digits[1], 50);
    EXPECT_NE(Inf_EVars, nullptr) << "the registry is loaded";
    EXPECT_NE(CheckGlsEnv()->locale, nullptr);
    EXPECT_EQ(state().init_mask, GLS_MODE_CLIENT);
    EXPECT_STREQ(state().gl_date, "%m/%d/%iY");
    EXPECT_NE(os_client_locale(), nullptr) << "the OS layer's hooks are installed";
    EXPECT_STREQ(state().money.fmt.decimal_point, ".");
    EXPECT_EQ(state().money.state, NUMFMT_FROM_DBMONEY) << "en_US without DBMONEY reads as \"$.\"";
    EXPECT_EQ(decimal_text(dec), "12.5");
}

TEST(GlsEnvClientLocale, GermanClientReadsAndWritesAComma)
{
    clear_locale_settings();
    setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
    decvalue dec;
    ASSERT_EQ(deccvasc("12,50", 5, &dec), 0);
    EXPECT_EQ(decimal_text(dec), "12,5");
    EXPECT_EQ(decimal_text(dec, 2), "12,50");
    ASSERT_EQ(deccvasc("1.234,5", 7, &dec), 0);
    EXPECT_EQ(decimal_text(dec), "1234,5");
    EXPECT_EQ(deccvasc("12.50", 5, &dec), -1213) << "12.50 is not grouped by threes";
    EXPECT_STREQ(CheckGlsEnv()->locale->names[2].file, "de_de/0333.lco");
    EXPECT_STREQ(ggetenv("DB_LOCALE"), "de_DE.819") << "the database locale defaults to the client's";
    EXPECT_EQ(state().defaulted & 0x2u, 0x2u);
    EXPECT_EQ(state().client_to_db, nullptr);
    // The German date format of the locale, not the built-in one.
    EXPECT_STREQ(state().gl_date, "%d.%m.%Y");
    EXPECT_EQ(state().date_from_dbdate, 0);
    EXPECT_EQ(state().date_order[0], 1);
    EXPECT_EQ(state().date_order[1], 2);
}

TEST(GlsEnvClientLocale, DbmoneyOverridesTheLocalePoint)
{
    clear_locale_settings();
    setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
    setenv("DBMONEY", "EUR.", 1);
    decvalue dec;
    ASSERT_EQ(deccvasc("12.50", 5, &dec), 0);
    EXPECT_EQ(decimal_text(dec), "12.5");
    EXPECT_EQ(deccvasc("12,50", 5, &dec), -1213);
    ASSERT_EQ(deccvasc("1,234.5", 7, &dec), 0);
    EXPECT_EQ(decimal_text(dec), "1234.5");
    EXPECT_STREQ(state().money.fmt.locale_decimal_point, ",");
}

TEST(GlsEnvClientLocale, LongClientLocaleKeeps36CharactersPerCategory)
{
    clear_locale_settings();
    const std::string forty(40, 'x');
    setenv("CLIENT_LOCALE", forty.c_str(), 1);
    EXPECT_EQ(chkglsinit(), GLS_ELOCALE);
    EXPECT_EQ(std::string(state().cat_spec[0]), forty.substr(0, 36));
    EXPECT_EQ(state().error, GLS_ELOCALE);
    decvalue dec;
    EXPECT_EQ(deccvasc("1", 1, &dec), GLS_ELOCALE);
    EXPECT_EQ(trw_gl_init(), -1);
}

TEST(GlsEnvClientLocale, OverlongAndOddSpecificationsAreRefused)
{
    clear_locale_settings();
    gl_locale *loc = nullptr;
    const std::string huge(5000, 'a');
    EXPECT_EQ(get_locale(huge.c_str(), &loc, nullptr), GLS_ELOCALE);
    EXPECT_EQ(loc, nullptr);
    EXPECT_EQ(get_locale(nullptr, &loc, nullptr), GLS_ELOCALE);
    const std::string long_form = "GL_CTYPE = " + std::string(300, 'q') + " ; ";
    EXPECT_EQ(get_locale(long_form.c_str(), &loc, nullptr), GLS_ELOCALE);
    EXPECT_EQ(get_locale("GL_CTYPE = ; = ;;", &loc, nullptr), GLS_ELOCALE);
    EXPECT_EQ(get_locale("\xff\xfe.\x01", &loc, nullptr), GLS_ELOCALE);
}

TEST(GlsEnvMissingLocale, MissingFileGives23101AfterTheRetry)
{
    clear_locale_settings();
    setenv("CLIENT_LOCALE", "xx_YY.8859-1", 1);
    EXPECT_EQ(chkglsinit(), GLS_ELOCALE);
    EXPECT_EQ(CheckGlsEnv()->locale, nullptr);
    decvalue dec;
    EXPECT_EQ(deccvasc("1.5", 3, &dec), GLS_ELOCALE);
    EXPECT_EQ(dec_is_zero(&dec), 1);
    // A later call tries again.
    EXPECT_EQ(chkglsinit(), GLS_ELOCALE);
}

TEST(GlsEnvMissingLocale, RetryLoadsTheOperatingSystemNames)
{
    clear_locale_settings();
    const std::string root = tree_with_os_locale("xx_YY.8859-1");
    setenv("TARNWELLDIR", root.c_str(), 1);
    setenv("CLIENT_LOCALE", "xx_YY.8859-1", 1);
    ASSERT_EQ(chkglsinit(), 0);
    EXPECT_STREQ(CheckGlsEnv()->locale->names[0].file, "os/xx_YY.8859-1");
    for (int c = 0; c < GLS_NCATEGORIES; ++c) {
        EXPECT_EQ(state().cat_from_file[c], 0);
        EXPECT_STREQ(state().cat_spec[c], "xx_YY.8859-1") << "no normal form for fallback categories";
    }
    decvalue dec;
    ASSERT_EQ(deccvasc("2,5", 3, &dec), 0) << "the fallback file is the German one";
    fs::remove_all(root);
}

TEST(GlsEnvNls, DbnlsWithLangLoadsTheLongSpecification)
{
    clear_locale_settings();
    setenv("DBNLS", "1", 1);
    setenv("LANG", "de_DE.8859-1", 1);
    ASSERT_EQ(chkglsinit(), 0);
    EXPECT_EQ(state().nls_mode, 1);
    for (int c = 0; c < GLS_NCATEGORIES; ++c)
        EXPECT_STREQ(state().cat_spec[c], "de_DE.819");
    EXPECT_STREQ(CheckGlsEnv()->locale->names[4].file, "de_de/0333.lco");
    EXPECT_STREQ(ggetenv("LC_NUMERIC"), "de_DE.8859-1");
    decvalue dec;
    ASSERT_EQ(deccvasc("0,5", 3, &dec), 0);
    int nls = -1;
    ASSERT_NE(os_client_locale(), nullptr);
    EXPECT_EQ(os_client_locale()->client_mode_nls(&nls), 1);
    EXPECT_EQ(nls, 1);
}

TEST(GlsEnvNls, DbnlsWithoutLangUsesTheRegistryDefault)
{
    clear_locale_settings();
    setenv("DBNLS", "1", 1);
    unsetenv("LANG");
    ASSERT_EQ(chkglsinit(), 0);
    EXPECT_STREQ(ggetenv2("LC_TIME"), "en_US.819");
    EXPECT_STREQ(state().setting[GLS_LC_CTYPE], "en_US.819");
    EXPECT_STREQ(CheckGlsEnv()->locale->names[0].file, "en_us/0333.lco");
    EXPECT_EQ(state().defaulted & 0x1u, 0u) << "CLIENT_LOCALE stays unset in this mode";
    EXPECT_EQ(ggetenv("CLIENT_LOCALE"), nullptr);
}

TEST(GlsEnvNls, ClientLocaleWithDbnlsRecordsTheLcSettings)
{
    clear_locale_settings();
    setenv("DBNLS", "2", 1);
    setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
    ASSERT_EQ(chkglsinit(), 0);
    EXPECT_STREQ(state().setting[GLS_LC_MONETARY], "de_DE.819");
    EXPECT_NE(state().defaulted & (1u << GLS_LC_MONETARY), 0u);
    EXPECT_EQ(state().defaulted & (1u << GLS_DB_LOCALE), 0u) << "DB_LOCALE is not defaulted in this mode";
}

TEST(GlsEnvNls, MissingLcSettingGives23109)
{
    clear_locale_settings();
    GlsEnvLocale request{};
    request.setting[GLS_DBNLS] = "1";
    GlsEnv *env = nullptr;
    EXPECT_EQ(CreateGlsEnv(&request, &env, 1), GLS_ENLSVAR);
    EXPECT_EQ(env, nullptr);
    EXPECT_EQ(CheckGlsEnv(), &gls_env);
    EXPECT_EQ(glsenv_count, 1);
}

TEST(GlsEnvDatabase, AnotherCodeSetLoadsBothConversions)
{
    clear_locale_settings();
    setenv("CLIENT_LOCALE", "en_US.8859-1", 1);
    setenv("DB_LOCALE", "en_US.utf8", 1);
    ASSERT_EQ(chkglsinit(), 0);
    ASSERT_NE(state().client_to_db, nullptr);
    ASSERT_NE(state().db_to_client, nullptr);
    ASSERT_NE(state().db_locale, nullptr);
    EXPECT_NE(state().db_locale, CheckGlsEnv()->locale);
    EXPECT_STREQ(state().db_locale->names[0].file, "en_us/e01c.lco");
    // Text bound for the server goes through the client-to-database
    // conversion, as the session lists of the registry send it.
    char *converted = nullptr;
    ASSERT_EQ(os_client_locale()->convert_db_text("caf\xe9", &converted), 1);
    EXPECT_STREQ(converted, "caf\xc3\xa9");
    std::free(converted);
    setenv("DBTEMP", "/tmp/caf\xe9", 1);
    os_evlist list{};
    ASSERT_EQ(_oscsevlist(&list), 0);
    _osfreevlist(&list);
    EXPECT_EQ(os_client_locale()->convert_env_value("caf\xe9"), nullptr) << "no conversion for settings";
    freegls();
    EXPECT_EQ(state().client_to_db, nullptr);
}

TEST(GlsEnvDatabase, UnknownDatabaseCodeSetNeedsNoConversion)
{
    clear_locale_settings();
    setenv("CLIENT_LOCALE", "en_US.8859-1", 1);
    setenv("DB_LOCALE", "en_US.nosuchset", 1);
    ASSERT_EQ(chkglsinit(), 0);
    EXPECT_EQ(state().client_to_db, nullptr);
    EXPECT_EQ(state().db_locale, CheckGlsEnv()->locale);
}

TEST(GlsEnvDatabase, SameCodeSetSharesTheClientLocale)
{
    clear_locale_settings();
    setenv("CLIENT_LOCALE", "en_US.8859-1", 1);
    setenv("DB_LOCALE", "de_DE.819", 1);
    ASSERT_EQ(chkglsinit(), 0);
    EXPECT_EQ(state().client_to_db, nullptr);
    EXPECT_EQ(state().db_locale, CheckGlsEnv()->locale);
    EXPECT_STREQ(ggetenv("DB_LOCALE"), "de_DE.819");
    EXPECT_EQ(state().defaulted & 0x2u, 0u);
}

TEST(GlsEnvDates, DbdateWinsOverGlDate)
{
    clear_locale_settings();
    setenv("DBDATE", "DMY4-", 1);
    setenv("GL_DATE", "%Y %m %d", 1);
    ASSERT_EQ(chkglsinit(), 0);
    EXPECT_STREQ(state().gl_date, "%d-%m-%iY");
    EXPECT_EQ(state().date_from_dbdate, 1);
    EXPECT_EQ(CompareLocale(CheckGlsEnv(), nullptr), 0);
}

TEST(GlsEnvDates, GlDateIsUsedAsItStands)
{
    clear_locale_settings();
    setenv("GL_DATE", "%Y %m %d", 1);
    ASSERT_EQ(chkglsinit(), 0);
    EXPECT_STREQ(state().gl_date, "%Y %m %d");
    EXPECT_EQ(state().date_from_dbdate, 0);
    EXPECT_EQ(state().date_order[0], 3);
    EXPECT_EQ(state().date_order[1], 2);
    EXPECT_EQ(state().date_order[2], 1);
}

TEST(GlsEnvDates, BadDbdateFailsTheInitialisation)
{
    clear_locale_settings();
    setenv("DBDATE", "MDY", 1);
    EXPECT_EQ(chkglsinit(), -1212);
    decvalue dec;
    EXPECT_EQ(deccvasc("1", 1, &dec), -1212);
}

TEST(GlsEnvDates, MonthNameCachesHoldLoweredAndEnglishNames)
{
    clear_locale_settings();
    setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
    ASSERT_EQ(chkglsinit(), 0);
    const gls_name_block *months = state().mon_names;
    ASSERT_NE(months, nullptr);
    EXPECT_EQ(months->count, 12);
    EXPECT_STREQ(months->names[2], "m\xe4rz");
    ASSERT_NE(months->next, nullptr) << "gregorian: the English names follow";
    EXPECT_STREQ(months->next->names[11], "december");
    ASSERT_NE(state().abmon_names, nullptr);
    EXPECT_STREQ(state().abmon_names->names[0], "jan");
}

TEST(DbdateTranslation, EveryFormOfTheTable)
{
    struct Case {
        const char *dbdate;
        const char *format;
        int order[3];
        int indicator;
    };
    const Case cases[] = {
        {"DMY4-", "%d-%m-%iY", {1, 2, 3}, 0},
        {"Y2MD/", "%iy/%m/%d", {3, 2, 1}, 0},
        {"MDY40", "%m%d%iY", {2, 1, 3}, 0},
        {"GY2MD/", "%Eg%02.2Ey/%m/%d", {3, 2, 1}, 3},
        {"EY4MD.", "%EC%04.4Ey.%m.%d", {3, 2, 1}, 3},
        {"NYMD,", "%Eg%02.2Ey,%m,%d", {3, 2, 1}, 1},
        {"mdy4", "%m/%d/%iY", {2, 1, 3}, 0},
        {"MDYY", "%m/%d/%iy", {2, 1, 3}, 0},
        {"MDY4/C1", "%m/%d/%Eg%04.4Ey", {2, 1, 3}, 2},
        {"MDY2-J2", "%m-%d-%EC%02.2Ey", {2, 1, 3}, 1},
        {"DMY4x", "%d/%m/%iY", {1, 2, 3}, 0},
    };
    for (const Case &c : cases) {
        char *format = nullptr;
        int order[3] = {};
        int indicator = -1;
        ASSERT_EQ(dbdate_to_gl_date(c.dbdate, &format, order, &indicator), 0) << c.dbdate;
        EXPECT_STREQ(format, c.format) << c.dbdate;
        EXPECT_EQ(order[0], c.order[0]) << c.dbdate;
        EXPECT_EQ(order[1], c.order[1]) << c.dbdate;
        EXPECT_EQ(order[2], c.order[2]) << c.dbdate;
        EXPECT_EQ(indicator, c.indicator) << c.dbdate;
        std::free(format);
    }
}

TEST(DbdateTranslation, InvalidFormsAndMissingOutputs)
{
    char *format = nullptr;
    int order[3];
    int indicator;
    for (const char *bad : {"", "MDY", "MD", "MMY4", "XDY4", "EMDY4", "DY4", "Y4Y4D"}) {
        EXPECT_EQ(dbdate_to_gl_date(bad, &format, order, &indicator), -1212) << bad;
        EXPECT_EQ(format, nullptr);
    }
    EXPECT_EQ(dbdate_to_gl_date(nullptr, &format, order, &indicator), -1212);
    EXPECT_EQ(dbdate_to_gl_date("MDY4", nullptr, order, &indicator), -1218);
    EXPECT_EQ(dbdate_to_gl_date("MDY4", &format, nullptr, &indicator), -1218);
    EXPECT_EQ(dbdate_to_gl_date("MDY4", &format, order, nullptr), -1218);
    const std::string huge = "MDY4/" + std::string(100000, 'C');
    ASSERT_EQ(dbdate_to_gl_date(huge.c_str(), &format, order, &indicator), 0);
    EXPECT_STREQ(format, "%m/%d/%iY");
    std::free(format);
}

TEST(GlsEnvRecords, CreatedRecordsSwitchTheNumberFormat)
{
    clear_locale_settings();
    GlsEnvLocale german{};
    german.setting[GLS_CLIENT_LOCALE] = "de_DE.8859-1";
    GlsEnv *env = nullptr;
    ASSERT_EQ(CreateGlsEnv(&german, &env, 1), 0);
    ASSERT_NE(env, nullptr);
    EXPECT_EQ(CheckGlsEnv(), env);
    EXPECT_EQ(glsenv_count, 2);
    EXPECT_EQ(GlsEnv_List, env);
    decvalue dec;
    ASSERT_EQ(deccvasc("2,5", 3, &dec), 0);
    EXPECT_EQ(decimal_text(dec), "2,5");
    EXPECT_EQ(SetGlsEnv(nullptr), env);
    ASSERT_EQ(deccvasc("2.5", 3, &dec), 0);
    EXPECT_EQ(decimal_text(dec), "2.5");

    GlsEnv *found = nullptr;
    EXPECT_EQ(CheckExistingGlsEnv(&german, &found), 0);
    EXPECT_EQ(found, env);
    GlsEnvLocale english{};
    english.setting[GLS_CLIENT_LOCALE] = "en_US.8859-1";
    EXPECT_EQ(CheckExistingGlsEnv(&english, &found), -1);
    EXPECT_EQ(found, nullptr);
    GlsEnvLocale from_environment{};
    EXPECT_EQ(CreateGlsEnvLocale(&from_environment), 0);
    EXPECT_STREQ(from_environment.setting[GLS_CLIENT_LOCALE], "en_US.8859-1");

    EXPECT_EQ(InitGlsEnv(env), 0);
    EXPECT_EQ(CheckGlsEnv(), env);
    FreeAllGlsEnv();
    EXPECT_EQ(CheckGlsEnv(), &gls_env);
    EXPECT_EQ(GlsEnv_List, nullptr);
    EXPECT_EQ(glsenv_count, 1);
    ASSERT_EQ(deccvasc("3.5", 3, &dec), 0) << "the default record initialises again";
}

TEST(GlsEnvRecords, FailedInitialisationKeepsThePreviousRecord)
{
    clear_locale_settings();
    ASSERT_EQ(chkglsinit(), 0);
    GlsEnvLocale missing{};
    missing.setting[GLS_CLIENT_LOCALE] = "zz_ZZ.8859-1";
    GlsEnv *env = nullptr;
    ASSERT_EQ(CreateGlsEnv(&missing, &env, 0), 0);
    EXPECT_EQ(InitGlsEnv(env), GLS_ELOCALE);
    EXPECT_EQ(CheckGlsEnv(), &gls_env);
    EXPECT_EQ(CreateGlsEnv(&missing, &env, 1), GLS_ELOCALE);
    EXPECT_EQ(glsenv_count, 2);
    FreeAllGlsEnv();
}

TEST(GlsEnvRecords, CompareLocaleRules)
{
    clear_locale_settings();
    ASSERT_EQ(chkglsinit(), 0);
    const GlsEnv *env = CheckGlsEnv();
    GlsEnvLocale request{};
    EXPECT_EQ(CompareLocale(env, nullptr), 0);
    EXPECT_EQ(CompareLocale(nullptr, &request), -1);
    EXPECT_EQ(CompareLocale(env, &request), 0) << "a null CLIENT_LOCALE matches the defaulted one";
    request.setting[GLS_CLIENT_LOCALE] = "EN_us.8859-1";
    EXPECT_EQ(CompareLocale(env, &request), 0) << "case is ignored";
    request.setting[GLS_CLIENT_LOCALE] = "de_DE.8859-1";
    EXPECT_EQ(CompareLocale(env, &request), -1);
    request.setting[GLS_CLIENT_LOCALE] = nullptr;
    request.setting[GLS_LC_CTYPE] = "ja_JP.ujis";
    EXPECT_EQ(CompareLocale(env, &request), 0) << "LC_ settings count only when both have DBNLS";
    request.setting[GLS_DBMONEY] = "DM,";
    EXPECT_EQ(CompareLocale(env, &request), -1);
}

TEST(GlsEnvModes, BackEndAndInvalidModes)
{
    clear_locale_settings();
    EXPECT_EQ(initgls(3), GLS_EMODE);
    EXPECT_EQ(initgls(0), GLS_EMODE);
    ASSERT_EQ(initgls(GLS_MODE_SERVER), 0);
    EXPECT_STREQ(ggetenv2("SERVER_LOCALE"), "en_US.819");
    EXPECT_STREQ(state().cat_spec[0], "en_US.819");
    EXPECT_EQ(state().fname_cv, nullptr);
    EXPECT_EQ(initgls(GLS_MODE_SERVER), 0);
    int nls = -1;
    EXPECT_EQ(os_client_locale()->client_mode_nls(&nls), 0) << "not in client mode";
    freegls();
    EXPECT_EQ(state().init_mask, 0);
    EXPECT_EQ(CheckGlsEnv()->locale, nullptr);
}

TEST(GlsEnvModes, FreeglsThenChkglsinitLoadsAgain)
{
    clear_locale_settings();
    ASSERT_EQ(chkglsinit(), 0);
    freegls();
    EXPECT_EQ(CheckGlsEnv()->locale, nullptr);
    setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
    ASSERT_EQ(chkglsinit(), 0);
    EXPECT_STREQ(CheckGlsEnv()->locale->names[0].file, "de_de/0333.lco");
}

TEST(GlsEnvHooks, LocaleLibraryReachesTheRegistryThroughTheClientHooks)
{
    clear_locale_settings();
    unsetenv("DBPRINT");
    EXPECT_EQ(_gl_ext_getenv("DBPRINT"), nullptr) << "before: the platform environment";
    ASSERT_EQ(chkglsinit(), 0);
    EXPECT_STREQ(_gl_ext_getenv("DBPRINT"), "lp -s") << "after: the registry's default";
    EXPECT_EQ(_gl_ext_errno(nullptr), cl_ext_errno(nullptr));
    char text[] = "TRW_HOOK_TEST=on";
    EXPECT_EQ(_gl_ext_putenv(text), 0);
    EXPECT_STREQ(std::getenv("TRW_HOOK_TEST"), "on");
    char bare[] = "NAME";
    EXPECT_EQ(cl_ext_putenv(bare), -1);
    EXPECT_EQ(cl_ext_putenv(nullptr), -1);
    gl_ext_date today{};
    ASSERT_EQ(_gl_ext_currdate(&today), 0);
    EXPECT_GE(today.year, 2024);
    EXPECT_GE(today.month, 1);
    EXPECT_LE(today.month, 12);
}

TEST(GlsEnvHooks, OsLayerSeesFixedValuesAndTheClientMode)
{
    clear_locale_settings();
    setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
    ASSERT_EQ(chkglsinit(), 0);
    EXPECT_STREQ(ggetglsenv("db_locale"), "de_DE.819");
    EXPECT_STREQ(ggetglsenv("CLIENT_LOCALE"), "de_DE.8859-1");
    EXPECT_EQ(ggetglsenv("DBPATH"), nullptr);
    os_evlist list{};
    ASSERT_EQ(_oscpevlist(&list, "/db"), 0);
    bool has_db_locale = false;
    for (int i = 0; i < list.count; ++i)
        has_db_locale = has_db_locale || std::strcmp(list.names[i], "DB_LOCALE") == 0;
    EXPECT_TRUE(has_db_locale);
    _osfreevlist(&list);
    EXPECT_EQ(byleng("ab  ", 4), 2);
    EXPECT_EQ(byleng("    ", 4), 0);
}

TEST(GlsEnvMisc, AliasesErrorsAndEightBitFileNames)
{
    EXPECT_STREQ(getalsloc("ascii"), "en_US.8859-1");
    EXPECT_STREQ(getalsloc("ksc1"), "ko_KR.ksc");
    EXPECT_STREQ(getalsloc("ujis"), "ja_JP.ujis");
    EXPECT_EQ(getalsloc("ASCII"), nullptr);
    EXPECT_EQ(getalsloc(nullptr), nullptr);
    const int mapping[][2] = {{3, -23102},  {-2, -23102}, {8, -23101},  {9, -23101},  {11, -23101},
                              {21, -23101}, {12, -23115}, {58, -23115}, {-1, -23110}, {-3, -23110},
                              {-8, -23110}, {7, 7},       {-9, -9},     {0, 0}};
    for (const auto &m : mapping)
        EXPECT_EQ(getiniterr(m[0]), m[1]) << m[0];
    unsetenv("GLS8BITFSYS");
    EXPECT_EQ(set8bitfsys(), 0);
    setenv("GLS8BITFSYS", "1", 1);
    EXPECT_EQ(set8bitfsys(), 1);
    setenv("GLS8BITFSYS", "yes", 1);
    EXPECT_EQ(set8bitfsys(), 1);
    setenv("GLS8BITFSYS", "0", 1);
    EXPECT_EQ(set8bitfsys(), 0);
    EXPECT_EQ(gls_8bit_file_names(), 0);
}

TEST(GlsEnvReadme, WorkedExample)
{
    clear_locale_settings();
    setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
    setenv("DB_LOCALE", "en_US.utf8", 1);
    setenv("DBMONEY", ".EUR", 1);
    setenv("DBDATE", "DMY4.", 1);
    decvalue d;
    ASSERT_EQ(deccvasc("1,234.50", 8, &d), 0);
    char text[16];
    ASSERT_EQ(dectoasc(&d, text, sizeof text, 2), 0);
    EXPECT_EQ(std::string(text, sizeof text), "1234.50         ");
    char money[32];
    ASSERT_EQ(trw_gl_format_money(money, sizeof money, &d, nullptr), 0);
    EXPECT_STREQ(money, "1234.50EUR");
    EXPECT_STREQ(state().gl_date, "%d.%m.%iY");
    ASSERT_NE(state().client_to_db, nullptr);
    char *sent = nullptr;
    ASSERT_EQ(os_client_locale()->convert_db_text("\xe4", &sent), 1);
    EXPECT_STREQ(sent, "\xc3\xa4");
    std::free(sent);
}

TEST(GlsEnvMultibyte, ShiftJisClientKeepsAsciiAndTrimsIdeographicBlanks)
{
    clear_locale_settings();
    setenv("CLIENT_LOCALE", "ja_JP.sjis", 1);
    ASSERT_EQ(chkglsinit(), 0);
    EXPECT_EQ(CheckGlsEnv()->locale->single_byte, 0);
    decvalue dec;
    ASSERT_EQ(deccvasc("12.5", 4, &dec), 0);
    EXPECT_EQ(decimal_text(dec), "12.5");
    // An ideographic space (0x8140) is a trailing blank; a kanji whose
    // second byte is 0x20-like is not cut.
    EXPECT_EQ(byleng("ab\x81\x40 ", 5), 2);
    EXPECT_EQ(byleng("\x95\x5c", 2), 2);
    const gls_name_block *months = state().mon_names;
    ASSERT_NE(months, nullptr);
    EXPECT_GE(months->count, 12);
}
