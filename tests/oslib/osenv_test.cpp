// The settings registry: precedence of the four sources, the configuration
// file syntax, length limits, ENVIGNORE, the old-style language mode,
// indexes, user-defined variables and the client locale's fixed values and
// converter. Every test loads the registry from scratch.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "osenv_fixture.h"

namespace {

using trwtest::RegistryTest;

// ---- precedence ---------------------------------------------------------------

TEST_F(RegistryTest, BuiltInDefaultsWithoutFilesOrTarnwelldir)
{
    unsetenv("TARNWELLDIR");
    EXPECT_EQ(text(ggetenv("DBPRINT")), "lp -s");
    EXPECT_EQ(gerrno, 0);
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/tmp");
    EXPECT_EQ(text(ggetenv("TARNWELLDIR")), "/usr/tarnwell");
    EXPECT_EQ(text(ggetenv("DBDELIMITER")), "|");
    EXPECT_EQ(text(ggetenv("DBPATH")), ".");
    // A known variable without a default has no value, and that is no error.
    EXPECT_EQ(ggetenv("TARNWELLSERVER"), nullptr);
    EXPECT_EQ(gerrno, 0);
}

TEST_F(RegistryTest, UserFileOverridesSystemFileAndEnvironmentOverridesBoth)
{
    write_system_file("DBTEMP /var/tmp\nDBPRINT lpr\n");
    write_user_file("DBTEMP /scratch\n");
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/scratch");
    EXPECT_EQ(text(ggetenv("DBPRINT")), "lpr");
    setenv("DBTEMP", "/x", 1);
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/x");
    EXPECT_EQ(text(ggetenv2("DBTEMP")), "/x");
    // An empty environment value still wins.
    setenv("DBTEMP", "", 1);
    EXPECT_EQ(text(ggetenv("DBTEMP")), "");
    unsetenv("DBTEMP");
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/scratch");
}

const char *fixed_locale_value(const char *name)
{
    if (std::strcmp(name, "DBDATE") == 0)
        return "Y4MD-";
    if (std::strcmp(name, "CLIENT_LOCALE") == 0)
        return "de_DE.8859-1";
    return nullptr;
}

TEST_F(RegistryTest, LocaleFixedValuesComeBetweenEnvironmentAndFiles)
{
    write_user_file("DBDATE DMY4/\nDBTIME %H\n");
    os_client_locale_hooks hooks{};
    hooks.fixed_value = fixed_locale_value;
    os_set_client_locale_hooks(&hooks);

    EXPECT_EQ(text(ggetenv("DBDATE")), "Y4MD-");
    EXPECT_EQ(text(ggetenv2("DBDATE")), "DMY4/"); // the registry alone
    EXPECT_EQ(text(ggetenv("DBTIME")), "%H");     // nothing fixed for it
    setenv("DBDATE", "MDY4/", 1);
    EXPECT_EQ(text(ggetenv("DBDATE")), "MDY4/");

    // ggetglsenv compares names without regard to case and knows 14 names.
    EXPECT_EQ(text(ggetglsenv("client_locale")), "de_DE.8859-1");
    EXPECT_EQ(ggetglsenv("DBPATH"), nullptr);
    EXPECT_EQ(ggetglsenv(nullptr), nullptr);
    // ggetenv_oledb: environment, else the fixed value, never the registry.
    EXPECT_EQ(text(ggetenv_oledb("DBDATE")), "MDY4/");
    EXPECT_EQ(text(ggetenv_oledb("Client_Locale")), "de_DE.8859-1");
    EXPECT_EQ(ggetenv_oledb("DBTIME"), nullptr);

    os_set_client_locale_hooks(nullptr);
    EXPECT_EQ(ggetglsenv("CLIENT_LOCALE"), nullptr);
}

// ---- configuration file syntax ---------------------------------------------------

TEST_F(RegistryTest, CommentsEmptyLinesAndALastLineWithoutNewlineSetNothing)
{
    write_system_file("# DBTEMP /comment\n"
                      "\n"
                      "DBPRINT\tlpr -P  x  \n"
                      "\n"
                      "#\n"
                      "DBTEMP /last-line-without-newline");
    EXPECT_EQ(greadenv(), 0);
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/tmp");
    // The value runs from the first non-blank to the end, trailing blanks kept.
    EXPECT_EQ(text(ggetenv("DBPRINT")), "lpr -P  x  ");
}

TEST_F(RegistryTest, ByteFFEndsTheLineAndTheFile)
{
    write_system_file("DBPRINT lpr\xFF"
                      "DBTEMP /after-the-end\n");
    write_user_file("\xFF"
                    "DBPATH /nowhere\n");
    EXPECT_EQ(text(ggetenv("DBPRINT")), "lpr");
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/tmp");
    EXPECT_EQ(text(ggetenv("DBPATH")), ".");
}

TEST_F(RegistryTest, NameOnlyLinesAndUnknownNames)
{
    write_system_file("NO_SUCH_VARIABLE 12\n"
                      "DBPATH\n"
                      "LANG\n"
                      "  DBTEMP /leading-blank\n"
                      "DBPRINT   \n");
    EXPECT_EQ(greadenv(), 0);
    EXPECT_EQ(text(ggetenv("DBPATH")), "");
    EXPECT_EQ(ggetenv("LANG"), nullptr); // a language name without value is skipped
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/tmp");
    EXPECT_EQ(text(ggetenv("DBPRINT")), ""); // blanks after the name are no value
    EXPECT_EQ(ggetenv("NO_SUCH_VARIABLE"), nullptr);
    EXPECT_EQ(gerrno, OSENV_EUNKNOWN);
}

TEST_F(RegistryTest, LongLinesAreReadWhole)
{
    const std::string value(5000, 'p');
    write_system_file("DBPRINT " + value + "\n" + std::string(300, 'X') + " junk\nDBTEMP /t\n");
    EXPECT_EQ(text(ggetenv("DBPRINT")), value);
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/t");
}

TEST_F(RegistryTest, TooLongValueStopsItsFileButNotTheLoading)
{
    write_system_file("DBTEMP /sys\nTARNWELLSERVER " + std::string(129, 's') +
                      "\nDBPRINT not-read\n");
    write_user_file("DBPATH /user\nTARNWELLSERVER " + std::string(128, 'u') + "\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(greadenv(), 0); // the user file, read last, was fine
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/sys");
    EXPECT_EQ(text(ggetenv("DBPRINT")), "lp -s");
    EXPECT_EQ(text(ggetenv("DBPATH")), "/user");
    EXPECT_EQ(text(ggetenv("TARNWELLSERVER")), std::string(128, 'u'));
    EXPECT_EQ(warning, "WARNING: \n"
                       "Environment variable TARNWELLSERVER is too long (maximum is 128 "
                       "characters).\n"
                       "File: " +
                           root() + "/etc/tarnwell.rc, line: 2, status: -4.\n");
}

TEST_F(RegistryTest, LookupThatLoadsAFileWithATooLongValueStillAnswers)
{
    write_system_file("DBTEMP /sys\n");
    write_user_file("\n# comment\nTARNWELLSERVER " + std::string(200, 'u') + "\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/sys");
    EXPECT_EQ(gerrno, 0);
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_NE(warning.find("line: 3, status: -4."), std::string::npos) << warning;
    EXPECT_EQ(greadenv(), 0);
}

TEST_F(RegistryTest, UserFileIsReadFromTheFirst64CharactersOfTheHomeDirectory)
{
    std::string dir = root() + "/";
    dir += std::string(64 - dir.size(), 'h');
    ASSERT_EQ(dir.size(), 64u);
    std::filesystem::create_directories(dir);
    write_file(dir + "/.tarnwell", "DBTEMP /cut-home\n");
    home() = dir + "-and-more";
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/cut-home");
}

TEST_F(RegistryTest, WithoutPasswordEntryTheUserFileIsInTheWorkingDirectory)
{
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(root());
    write_file(root() + "/.tarnwell", "DBTEMP /cwd\n");
    osenv::set_home_lookup([]() -> const char * { return nullptr; });
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/cwd");
    std::filesystem::current_path(previous);
}

TEST_F(RegistryTest, EnvignoreSkipsFileLinesButNotTheEnvironment)
{
    setenv("ENVIGNORE", "::DBTEMP::DBPATH:", 1);
    write_system_file("DBTEMP /sys\nDBPATH /sys\nDBPRINT lpr\n");
    write_user_file("DBTEMP /user\nDBPATH /user\n");
    setenv("DBPATH", "/env", 1);
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/tmp");
    EXPECT_EQ(text(ggetenv("DBPATH")), "/env");
    EXPECT_EQ(text(ggetenv2("DBPRINT")), "lpr");
}

TEST_F(RegistryTest, FreeingTheRegistryRereadsTheFiles)
{
    write_system_file("DBTEMP /first\n");
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/first");
    write_system_file("DBTEMP /second\n");
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/first");
    gFreeEVars();
    EXPECT_EQ(Inf_EVars, nullptr);
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/second");
}

// ---- limits, errors and indexes ------------------------------------------------

TEST_F(RegistryTest, EnvironmentValueLongerThanTheMaximumIsRefused)
{
    setenv("TARNWELLSERVER", std::string(129, 'a').c_str(), 1);
    EXPECT_EQ(ggetenv("TARNWELLSERVER"), nullptr);
    EXPECT_EQ(gerrno, OSENV_ETOOLONG);
    EXPECT_EQ(idx_ggetenv("TARNWELLSERVER", OSENV_TARNWELLSERVER), nullptr);
    EXPECT_EQ(ggetenv2("TARNWELLSERVER"), nullptr);
    EXPECT_EQ(gerrno, OSENV_ETOOLONG);
    setenv("TARNWELLSERVER", std::string(128, 'a').c_str(), 1);
    EXPECT_EQ(text(ggetenv("TARNWELLSERVER")), std::string(128, 'a'));
    EXPECT_EQ(gerrno, 0);
    // Names outside the table have no limit.
    setenv("TRW_MY_SETTING", std::string(5000, 'a').c_str(), 1);
    EXPECT_EQ(text(ggetenv("TRW_MY_SETTING")), std::string(5000, 'a'));
}

TEST_F(RegistryTest, UnknownAndMissingNames)
{
    EXPECT_EQ(ggetenv("NO_SUCH_VARIABLE"), nullptr);
    EXPECT_EQ(gerrno, OSENV_EUNKNOWN);
    EXPECT_EQ(ggetenv2(nullptr), nullptr);
    EXPECT_EQ(gerrno, OSENV_ENONAME);
    EXPECT_EQ(ggetenv(nullptr), nullptr);
    EXPECT_EQ(gerrno, OSENV_ENONAME);
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/tmp");
    EXPECT_EQ(gerrno, 0);
}

TEST_F(RegistryTest, IndexedLookupsTakeTheRowWithoutComparingTheName)
{
    EXPECT_EQ(text(idx_ggetenv2("DBPATH", OSENV_DBPATH)), ".");
    EXPECT_EQ(text(idx_ggetenv("DBTEMP", -1)), "/tmp");
    // A valid index wins over the name; an index outside the registry finds nothing.
    EXPECT_EQ(text(idx_ggetenv2("DBTEMP", OSENV_DBPATH)), ".");
    EXPECT_EQ(idx_ggetenv2("DBPATH", 100000), nullptr);
    EXPECT_EQ(gerrno, OSENV_EUNKNOWN);
    EXPECT_EQ(idx_ggetenv2("DBPATH", -7), nullptr);
    EXPECT_EQ(gerrno, OSENV_EUNKNOWN);
    ASSERT_EQ(Num_EVars, Num_DVals);
    for (int i = 0; i < Num_DVals; ++i) {
        EXPECT_STREQ(Inf_EVars[i].name, Inf_DVals[i].name);
        EXPECT_EQ(Inf_EVars[i].index, i);
        EXPECT_EQ(Inf_EVars[i].maxlen, Inf_DVals[i].maxlen);
        EXPECT_EQ(text(Inf_EVars[i].value), text(Inf_DVals[i].defval));
    }
}

TEST_F(RegistryTest, DefaultsAndLimitsByName)
{
    const char *value = "untouched";
    EXPECT_EQ(gdefenv("DBPRINT", &value), 0);
    EXPECT_EQ(text(value), "lp -s");
    EXPECT_EQ(gdefenv("TARNWELLSERVER", &value), 0);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(gdefenv("NO_SUCH_VARIABLE", &value), -1);
    EXPECT_EQ(gdefenv(nullptr, &value), -1);
    EXPECT_EQ(ggetmaxlenbyname("TARNWELLDIR"), 256);
    EXPECT_EQ(ggetmaxlenbyname("TARNWELLSERVER"), 128);
    EXPECT_EQ(ggetmaxlenbyname("DBPATH"), 0);
    EXPECT_EQ(ggetmaxlenbyname("NO_SUCH_VARIABLE"), -1);
    EXPECT_EQ(ggetmaxlenbyname(nullptr), -1);
}

// ---- ginsenv -------------------------------------------------------------------------

TEST_F(RegistryTest, GinsenvSetsTheRegistryBelowTheEnvironment)
{
    EXPECT_EQ(ginsenv("DBTEMP", "/ins"), 0);
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/ins");
    EXPECT_EQ(ginsenv("DBTEMP", ""), 0);
    EXPECT_EQ(text(ggetenv("DBTEMP")), "");
    EXPECT_EQ(ginsenv("DBTEMP", nullptr), 0);
    EXPECT_EQ(ggetenv("DBTEMP"), nullptr);
    EXPECT_EQ(gerrno, 0);
    EXPECT_EQ(ginsenv("TARNWELLSERVER", std::string(129, 'x').c_str()), OSENV_ETOOLONG);
    EXPECT_EQ(ginsenv("TARNWELLSERVER", "srv"), 0);
    EXPECT_EQ(ginsenv("TARNWELLSERVER", std::string(129, 'x').c_str()), OSENV_ETOOLONG);
    EXPECT_EQ(text(ggetenv("TARNWELLSERVER")), "srv");
    EXPECT_EQ(ginsenv("NO_SUCH_VARIABLE", "1"), OSENV_EUNKNOWN);
    EXPECT_EQ(ginsenv(nullptr, "1"), OSENV_ENONAME);
    setenv("DBTEMP", "/env", 1);
    EXPECT_EQ(ginsenv("DBTEMP", "/ins"), 0);
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/env");
}

// ---- user-defined variables ------------------------------------------------------

TEST_F(RegistryTest, UserDefinedVariablesJoinTheRegistry)
{
    static const os_udenv vars[] = {
        {"TRW_MY_SETTING", "mine"}, {"TRW_MY_EMPTY", nullptr}, {nullptr, nullptr}};
    gsetudenv(vars);
    write_user_file("TRW_MY_EMPTY " + std::string(1000, 'e') + "\n");
    EXPECT_EQ(text(ggetenv("TRW_MY_SETTING")), "mine");
    EXPECT_EQ(text(ggetenv("TRW_MY_EMPTY")), std::string(1000, 'e'));
    ASSERT_EQ(Num_EVars, Num_DVals + 2);
    EXPECT_EQ(Inf_EVars[Num_DVals].name, vars[0].name); // borrowed, not copied
    EXPECT_EQ(Inf_EVars[Num_DVals].index, -1);
    EXPECT_EQ(ggetmaxlenbyname("TRW_MY_SETTING"), 0);
    const char *value = nullptr;
    EXPECT_EQ(gdefenv("TRW_MY_SETTING", &value), 0);
    EXPECT_EQ(text(value), "mine");
    EXPECT_EQ(ginsenv("TRW_MY_SETTING", "changed"), 0);
    EXPECT_EQ(text(ggetenv("TRW_MY_SETTING")), "changed");
}

// ---- old-style language mode -------------------------------------------------------

TEST_F(RegistryTest, OldStyleModeFillsCategoriesFromLang)
{
    setenv("DBNLS", "1", 1);
    setenv("LANG", "fr_FR.8859-1", 1);
    EXPECT_EQ(greadenv(), 0);
    EXPECT_EQ(text(ggetenv2("LC_TIME")), "fr_FR.8859-1");
    EXPECT_EQ(text(ggetenv2("LC_COLLATE")), "fr_FR.8859-1");
    EXPECT_EQ(text(ggetenv2("LC_CTYPE")), "fr_FR.8859-1");
}

TEST_F(RegistryTest, OldStyleModeWithoutLangUsesTheFallback)
{
    setenv("DBNLS", "2", 1);
    EXPECT_EQ(text(ggetenv2("LC_TIME")), "en_US.819");
    EXPECT_EQ(text(ggetenv2("LC_MONETARY")), "en_US.819");
}

TEST_F(RegistryTest, OldStyleModeKeepsCategoriesAFileSet)
{
    write_system_file("DBNLS 1\nLANG de_DE.8859-1\nLC_TIME fr_FR.8859-1\n");
    EXPECT_EQ(greadenv(), 0);
    EXPECT_EQ(text(ggetenv2("LC_TIME")), "fr_FR.8859-1");
    EXPECT_EQ(text(ggetenv2("LC_NUMERIC")), "de_DE.8859-1"); // the file's LANG
}

TEST_F(RegistryTest, OldStyleModeOverridesAFileCategoryTheEnvironmentSets)
{
    write_system_file("LC_TIME fr_FR.8859-1\n");
    setenv("DBNLS", "1", 1);
    setenv("LANG", "it_IT.8859-1", 1);
    setenv("LC_TIME", "", 1);
    setenv("LC_NUMERIC", "es_ES.8859-1", 1);
    EXPECT_EQ(greadenv(), 0);
    // Set but empty in the environment: the file's value stays, and the
    // environment is given it so the platform's locale functions agree.
    EXPECT_EQ(text(ggetenv2("LC_TIME")), "fr_FR.8859-1");
    EXPECT_EQ(text(getenv("LC_TIME")), "fr_FR.8859-1");
    // Set in the environment: the registry takes LANG.
    EXPECT_EQ(Inf_EVars[OSENV_LC_NUMERIC].value, std::string("it_IT.8859-1"));
}

TEST_F(RegistryTest, OtherDbnlsValuesLeaveTheOldStyleModeOff)
{
    setenv("DBNLS", "3", 1);
    setenv("LANG", "fr_FR.8859-1", 1);
    EXPECT_EQ(ggetenv2("LC_TIME"), nullptr);
    EXPECT_EQ(gerrno, 0);
}

TEST_F(RegistryTest, FileDbnlsOfOtherValuesLeavesTheOldStyleModeOff)
{
    write_system_file("DBNLS 12\n");
    setenv("LANG", "fr_FR.8859-1", 1);
    EXPECT_EQ(ggetenv2("LC_TIME"), nullptr);
    EXPECT_EQ(text(ggetenv2("DBNLS")), "12");
}

// ---- converter of environment values -------------------------------------------------

int conversions;

char *upper_case_copy(const char *value)
{
    ++conversions;
    if (std::strcmp(value, "\xE9-refused") == 0)
        return nullptr;
    char *copy = static_cast<char *>(malloc(std::strlen(value) + 1));
    std::strcpy(copy, value);
    for (char *p = copy; *p != '\0'; ++p)
        if (*p >= 'a' && *p <= 'z')
            *p = static_cast<char>(*p - 'a' + 'A');
    return copy;
}

TEST_F(RegistryTest, EnvironmentValuesWithHighBytesAreConvertedOnceAndKept)
{
    os_client_locale_hooks hooks{};
    hooks.convert_env_value = upper_case_copy;
    os_set_client_locale_hooks(&hooks);
    conversions = 0;

    setenv("DBTEMP", "/plain", 1);
    EXPECT_EQ(text(ggetenv2("DBTEMP")), "/plain");
    EXPECT_EQ(conversions, 0);

    setenv("DBTEMP", "/caf\xE9", 1);
    const char *first = ggetenv2("DBTEMP");
    EXPECT_EQ(text(first), "/CAF\xE9");
    EXPECT_EQ(ggetenv2("DBTEMP"), first);
    EXPECT_EQ(conversions, 1);
    // ggetenv reads the environment as it stands.
    EXPECT_EQ(text(ggetenv("DBTEMP")), "/caf\xE9");

    setenv("DBTEMP", "/th\xE9", 1);
    EXPECT_EQ(text(ggetenv2("DBTEMP")), "/TH\xE9");
    EXPECT_EQ(conversions, 2);

    setenv("DBTEMP", "\xE9-refused", 1);
    EXPECT_EQ(text(ggetenv2("DBTEMP")), "\xE9-refused");

    // The limit applies to the converted text.
    setenv("TARNWELLSERVER", ("\xE9" + std::string(128, 'a')).c_str(), 1);
    EXPECT_EQ(ggetenv2("TARNWELLSERVER"), nullptr);
    EXPECT_EQ(gerrno, OSENV_ETOOLONG);
}

} // namespace
