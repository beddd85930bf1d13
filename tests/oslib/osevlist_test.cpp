// What leaves the registry: the session and connection lists, the process
// environment (gputenv, _os_clr_env), the database language settings and the
// warning texts.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "osdefenv.h"
#include "osenv_fixture.h"

namespace {

using trwtest::RegistryTest;

std::vector<std::string> list_names(const os_evlist &list)
{
    return std::vector<std::string>(list.names, list.names + list.count);
}

std::string value_of(const os_evlist &list, const std::string &name)
{
    for (int i = 0; i < list.count; ++i)
        if (name == list.names[i])
            return list.values[i];
    return "<absent>";
}

// ---- session list ----------------------------------------------------------------

TEST_F(RegistryTest, SessionListHoldsTheSessionNamesWithValuesInOrder)
{
    for (const char *name : osenv::kSessionNames)
        unsetenv(name);
    setenv("TZ", "UTC", 1);
    setenv("DBTIME", "%H:%M", 1);
    setenv("GL_USEGLU", "0", 1);
    write_system_file("DBCENTURY C\n");

    os_evlist list{};
    ASSERT_EQ(_oscsevlist(&list), 0);
    // DBTEMP and SUBQCACHESZ have built-in defaults.
    EXPECT_EQ(list_names(list), (std::vector<std::string>{"DBTIME", "DBTEMP", "TZ", "SUBQCACHESZ",
                                                         "DBCENTURY", "NODEFDAC", "GL_USEGLU"}));
    EXPECT_EQ(value_of(list, "DBTIME"), "%H:%M");
    EXPECT_EQ(value_of(list, "DBCENTURY"), "C");
    EXPECT_EQ(value_of(list, "SUBQCACHESZ"), "10");
    // Values are copies owned by the list.
    EXPECT_NE(list.values[0], getenv("DBTIME"));
    _osfreevlist(&list);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.names, nullptr);
    EXPECT_EQ(_oscsevlist(nullptr), -1);
}

// ---- connection list ---------------------------------------------------------------

std::vector<std::string> connection_names_with_defaults(std::vector<std::string> extra)
{
    std::vector<std::string> names{"DBPATH", "SINGLELEVEL", "LKNOTIFY", "LOCKDOWN", "NODEFDAC"};
    names.insert(names.end(), extra.begin(), extra.end());
    return names;
}

int client_mode_nls_value = -1; // -1: not initialised in client mode

int client_mode(int *nls_mode)
{
    if (client_mode_nls_value < 0)
        return 0;
    *nls_mode = client_mode_nls_value;
    return 1;
}

class ConnectionListTest : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        for (const char *name : osenv::kConnectionNames)
            unsetenv(name);
        hooks.client_mode_nls = client_mode;
        os_set_client_locale_hooks(&hooks);
    }
    os_client_locale_hooks hooks{};
};

TEST_F(ConnectionListTest, StartsWithTheCallersPathEvenWhenDbpathIsSet)
{
    setenv("DBPATH", "/env/path", 1);
    client_mode_nls_value = -1;
    setenv("DB_LOCALE", "en_US.819", 1);
    os_evlist list{};
    ASSERT_EQ(_oscpevlist(&list, "//server/db"), 0);
    EXPECT_EQ(list_names(list), connection_names_with_defaults({}));
    EXPECT_EQ(std::string(list.values[0]), "//server/db");
    _osfreevlist(&list);
    EXPECT_EQ(_oscpevlist(&list, nullptr), -1);
    EXPECT_EQ(list.count, 0);
}

TEST_F(ConnectionListTest, ClientModeAddsDbLocaleOnly)
{
    client_mode_nls_value = 0;
    setenv("DBDATE", "DMY4/", 1);
    setenv("LC_TIME", "fr_FR.8859-1", 1);
    os_evlist list{};
    ASSERT_EQ(_oscpevlist(&list, "db"), 0);
    EXPECT_EQ(list_names(list), (std::vector<std::string>{"DBPATH", "DBDATE", "SINGLELEVEL",
                                                         "LKNOTIFY", "LOCKDOWN", "NODEFDAC"}));
    _osfreevlist(&list);
    setenv("DB_LOCALE", "de_DE.8859-1", 1);
    ASSERT_EQ(_oscpevlist(&list, "db"), 0);
    EXPECT_EQ(list.names[list.count - 1], std::string("DB_LOCALE"));
    EXPECT_EQ(value_of(list, "DB_LOCALE"), "de_DE.8859-1");
    _osfreevlist(&list);
}

TEST_F(ConnectionListTest, OldStyleClientModeAddsEveryLocaleNameWithAValue)
{
    client_mode_nls_value = 1;
    setenv("DBNLS", "1", 1);
    setenv("LANG", "fr_FR.8859-1", 1);
    os_evlist list{};
    ASSERT_EQ(_oscpevlist(&list, "db"), 0);
    // The registry filled the five categories from LANG.
    EXPECT_EQ(list_names(list),
              connection_names_with_defaults({"DBNLS", "LC_CTYPE", "LC_COLLATE", "LC_NUMERIC",
                                              "LC_MONETARY", "LC_TIME"}));
    EXPECT_EQ(value_of(list, "LC_MONETARY"), "fr_FR.8859-1");
    _osfreevlist(&list);
}

int db_conversions;

int convert_for_server(const char *text, char **out)
{
    ++db_conversions;
    if (std::strcmp(text, "refuse") == 0)
        return -1;
    if (std::strcmp(text, "as-is") == 0)
        return 0;
    *out = static_cast<char *>(malloc(std::strlen(text) + 3));
    std::sprintf(*out, "<%s>", text);
    return 1;
}

TEST_F(ConnectionListTest, ValuesGoThroughTheDatabaseConverter)
{
    hooks.convert_db_text = convert_for_server;
    client_mode_nls_value = -1;
    setenv("DBDATE", "as-is", 1);
    os_evlist list{};
    ASSERT_EQ(_oscpevlist(&list, "db"), 0);
    EXPECT_EQ(value_of(list, "DBPATH"), "<db>");
    EXPECT_EQ(value_of(list, "DBDATE"), "as-is");
    EXPECT_EQ(value_of(list, "LKNOTIFY"), "<yes>");
    _osfreevlist(&list);

    setenv("DBDATE", "refuse", 1);
    EXPECT_EQ(_oscpevlist(&list, "db"), -1);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.values, nullptr);
    EXPECT_EQ(_oscpevlist(&list, "refuse"), -1);
}

// ---- process environment -------------------------------------------------------------

TEST_F(RegistryTest, GputenvSetsTheProcessEnvironmentAboveTheRegistry)
{
    write_system_file("DBTEMP /sys\n");
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/sys");
    EXPECT_EQ(gputenv("DBTEMP", "/put"), 0);
    EXPECT_EQ(text(getenv("DBTEMP")), "/put");
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/put");
    EXPECT_EQ(gfeputenv("DBTEMP", nullptr), 0);
    EXPECT_EQ(text(getenv("DBTEMP")), "");
    EXPECT_EQ(gfeputenv("DBTEMP", ""), 0);
    EXPECT_EQ(text(getenv("DBTEMP")), "");
    EXPECT_EQ(gputenv(nullptr, "x"), OSENV_ENONAME);
    EXPECT_EQ(gputenv("", "x"), OSENV_ENONAME);
}

TEST_F(RegistryTest, ClearingTheEnvironmentPutsFourSettings)
{
    setenv("DBMONEY", "DM", 1);
    _os_clr_env();
    EXPECT_EQ(text(getenv("DBNLS")), "0");
    EXPECT_EQ(text(getenv("DBMONEY")), "$.");
    EXPECT_EQ(text(getenv("DBDATE")), "MDY4/");
    EXPECT_EQ(text(getenv("DBPATH")), ".");
    EXPECT_EQ(gputenv("DBMONEY", "EUR"), 0);
    _os_clr_env();
    EXPECT_EQ(text(getenv("DBMONEY")), "$.");
}

// ---- database language settings -----------------------------------------------------

TEST(LanguageSettings, SetStoreAndCut)
{
    EXPECT_EQ(OS_IsDbEnvSet(), 0);
    EXPECT_EQ(OS_setlang("LC_COLLATE", "C"), 0);
    EXPECT_STREQ(OS_getlangvar("LC_COLLATE"), "C");
    // A refused collation is not stored.
    EXPECT_EQ(OS_setlang("LC_COLLATE", "xx_NO.such-locale"), -7204);
    EXPECT_STREQ(OS_getlangvar("LC_COLLATE"), "C");
    // A character-class locale is stored, then the tables are reloaded.
    EXPECT_EQ(OS_setlang("LC_CTYPE", "xx_NO.such-locale"), -7206);
    EXPECT_STREQ(OS_getlangvar("LC_CTYPE"), "xx_NO.such-locale");
    EXPECT_EQ(OS_IsDbEnvSet(), 1);
    EXPECT_EQ(OS_setlang("LC_CTYPE", "C"), 0);
    EXPECT_EQ(OS_setlang("DBNLS", "123456"), 0);
    EXPECT_STREQ(OS_getlangvar("DBNLS"), "1234");
    EXPECT_EQ(OS_setlang("LC_CTYPE", std::string(100, 'c').c_str()), -7206);
    EXPECT_EQ(std::string(OS_getlangvar("LC_CTYPE")), std::string(64, 'c'));
    EXPECT_EQ(OS_setlang("LC_TIME", "C"), 0);
    EXPECT_EQ(OS_getlangvar("LC_TIME"), nullptr);
    EXPECT_EQ(OS_getlangvar(nullptr), nullptr);
    EXPECT_EQ(OS_setlang(nullptr, "C"), 0);
}

TEST_F(RegistryTest, ResetlangCopiesTheLookups)
{
    setenv("LC_CTYPE", "C", 1);
    write_system_file("LC_COLLATE POSIX\n");
    EXPECT_EQ(OS_resetlang(0), 0);
    EXPECT_STREQ(OS_getlangvar("DBNLS"), "0");
    EXPECT_STREQ(OS_getlangvar("LC_CTYPE"), "C");
    EXPECT_STREQ(OS_getlangvar("LC_COLLATE"), "POSIX");
    // Reloaded in the old-style mode without LANG, the registry fills
    // LC_CTYPE with the fallback; applying it reports the refused locale
    // first, and the refused collation is not stored.
    gFreeEVars();
    unsetenv("LC_CTYPE");
    setenv("DBNLS", "2", 1);
    setenv("LC_COLLATE", "xx_NO.such-locale", 1);
    EXPECT_EQ(OS_resetlang(1), -7206);
    EXPECT_STREQ(OS_getlangvar("DBNLS"), "2");
    EXPECT_STREQ(OS_getlangvar("LC_CTYPE"), "en_US.819");
    EXPECT_STREQ(OS_getlangvar("LC_COLLATE"), "POSIX");
    // Without the flag the lookups are copied as they are.
    EXPECT_EQ(OS_resetlang(0), 0);
    EXPECT_STREQ(OS_getlangvar("LC_COLLATE"), "xx_NO.such-locale");
}

// ---- warnings --------------------------------------------------------------------------

std::string logged(void (*write)(std::FILE *))
{
    std::FILE *stream = std::tmpfile();
    write(stream);
    std::rewind(stream);
    std::string out;
    for (int c; (c = std::fgetc(stream)) != EOF;)
        out += static_cast<char>(c);
    std::fclose(stream);
    return out;
}

TEST(Warnings, TooLongTextTakesTheTablesMaximum)
{
    EXPECT_EQ(logged([](std::FILE *f) {
                  trw_log_envvar_error_fp(f, "TARNWELLSERVER", -1, 0, nullptr, 0, 0);
              }),
              "WARNING: \nEnvironment variable TARNWELLSERVER is too long (maximum is 128 "
              "characters).\n");
    EXPECT_EQ(logged([](std::FILE *f) {
                  trw_log_envvar_error_fp(f, "ANY", OSENV_TARNWELLDIR, -3, "rc", 7, -4);
              }),
              "WARNING: \nEnvironment variable ANY is too long (maximum is 256 characters).\n"
              "File: rc, line: 7, status: -4.\n");
    EXPECT_EQ(logged([](std::FILE *f) {
                  trw_log_envvar_error_fp(f, nullptr, -1, 0, nullptr, 0, 0);
              }),
              "WARNING: \nEnvironment variable (Unknown) is too long (maximum is -1 "
              "characters).\n");
    EXPECT_EQ(logged([](std::FILE *f) {
                  trw_log_envvar_error_fp(f, "NO_SUCH", -1, 12, nullptr, 0, 0);
              }),
              "WARNING: \nEnvironment variable NO_SUCH is too long (maximum is 12 "
              "characters).\n");
}

TEST(Warnings, LogErrorWritesOneLineOrNothing)
{
    EXPECT_EQ(logged([](std::FILE *f) { trw_log_error(f, "%s=%d", "a", 1); }), "a=1\n");
    // Called through a plain pointer: the compiler's format check would
    // refuse the empty and the missing format that are under test here.
    static void (*const log)(std::FILE *, const char *, ...) = trw_log_error;
    EXPECT_EQ(logged([](std::FILE *f) { log(f, ""); }), "");
    EXPECT_EQ(logged([](std::FILE *f) { log(f, nullptr); }), "");
    testing::internal::CaptureStderr();
    trw_log_envvar_error_mt_log("DBPATH", OSENV_DBPATH, 9, "f", 1, -4);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "WARNING: \nEnvironment variable DBPATH is too long (maximum is 9 characters).\n"
              "File: f, line: 1, status: -4.\n");
}

} // namespace
