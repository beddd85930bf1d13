// trwlocale in fresh processes with the settings a user tries first: the
// defaults, a German client, a Japanese client on an EUC-JP database, the
// common code-set names, a locale that is not installed and a wrong
// installation directory. Then the listing of the installed locales.
#include <gtest/gtest.h>

#include <string>

#include "tools/tool_run.h"

using trwtest::run_tool;
using trwtest::TempTree;

namespace {

const std::string kTool = TRWLOCALE;

// trwlocale with a clean environment: TARNWELLDIR (the data tree, unless
// settings give another) and the settings.
trwtest::ToolRun trwlocale(const TempTree &tree, const std::string &settings, const std::string &args = "")
{
    return run_tool(tree, "env -i PATH=/usr/bin:/bin TARNWELLDIR=" + std::string(std::getenv("TARNWELLDIR")) + " " +
                              settings + " " + kTool + " " + args);
}

void expect_lines(const trwtest::ToolRun &r, std::initializer_list<const char *> lines)
{
    for (const char *line : lines)
        EXPECT_NE(r.out.find(line), std::string::npos) << "missing \"" << line << "\" in:\n" << r.out << r.err;
}

TEST(Trwlocale, ShowsWhatTheEnvironmentSettles)
{
    TempTree tree;
    trwtest::ToolRun r = trwlocale(tree, "");
    EXPECT_EQ(r.status, 0);
    expect_lines(r, {"Client locale: en_US.8859-1 (default)", "file en_us/0333.lco found in",
                     "Conversions: none needed", "Decimal point: '.'", "Date format: %m/%d/%iY"});

    r = trwlocale(tree, "CLIENT_LOCALE=de_DE.8859-1");
    EXPECT_EQ(r.status, 0);
    expect_lines(r, {"Setting CLIENT_LOCALE=de_DE.8859-1", "Client locale: de_DE.8859-1\n",
                     "file de_de/0333.lco found", "Decimal point: ','"});

    r = trwlocale(tree, "CLIENT_LOCALE=ja_JP.sjis DB_LOCALE=ja_JP.ujis");
    EXPECT_EQ(r.status, 0);
    expect_lines(r, {"Client locale: ja_JP.sjis", "Conversions: client to database and back"});

    r = trwlocale(tree, "CLIENT_LOCALE=en_US.UTF-8 DBDATE=Y4MD-");
    EXPECT_EQ(r.status, 0);
    expect_lines(r, {"Client locale: en_US.UTF-8", "file en_us/e01c.lco found", "Date format: %iY-%m-%d"});
}

TEST(Trwlocale, SaysWhyTheEnvironmentFails)
{
    TempTree tree;
    trwtest::ToolRun r = trwlocale(tree, "CLIENT_LOCALE=xx_YY.utf8");
    EXPECT_EQ(r.status, 1);
    expect_lines(r, {"Failed: -23101 (a locale is missing or invalid)", "file xx_yy/e01c.lco not found in",
                     "GLSDEBUG=on"});

    r = trwlocale(tree, "CLIENT_LOCALE=en_US.nosuchset");
    EXPECT_EQ(r.status, 1);
    expect_lines(r, {"Failed: -23101", "not a locale name the registry knows"});

    r = trwlocale(tree, "TARNWELLDIR=" + tree.root());
    EXPECT_EQ(r.status, 1);
    expect_lines(r, {"Failed: -23101"});
    EXPECT_NE(r.out.find("Installation directory: " + tree.root() + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("not found in " + tree.root() + "/gls/lc11"), std::string::npos) << r.out;

    r = trwlocale(tree, "CLIENT_LOCALE=ko_KR.ksc DB_LOCALE=ja_JP.sjis");
    EXPECT_EQ(r.status, 1);
    expect_lines(r, {"Failed: -23104", "conversion 57356 to 57350: file e00ce006.cvo not installed below"});

    r = trwlocale(tree, "DBDATE=XYZ");
    EXPECT_EQ(r.status, 1);
    expect_lines(r, {"Failed: -1212 (DBDATE is invalid)"});

    r = trwlocale(tree, "", "--bogus");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown argument --bogus"), std::string::npos);
    r = trwlocale(tree, "", ">&-");
    EXPECT_EQ(r.status, 1);
}

TEST(Trwlocale, ListsTheInstalledLocales)
{
    TempTree tree;
    trwtest::ToolRun r = trwlocale(tree, "", "-l");
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char *line : {"de_DE.8859-1           8859-1 (819)           de_de/0333.lco",
                             "ja_JP.sjis             sjis (57350)           ja_jp/e006.lco",
                             "en_US.utf8             utf8 (57372)           en_us/e01c.lco"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << " in\n" << r.out;
    // A damaged file is listed as such.
    tree.write("gls/lc11/en_us/0333.lco", "FILE_TYPE=locale_object\nCOMPILER_VERSION=11\n");
    r = trwlocale(tree, "TARNWELLDIR=" + tree.root(), "-l");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("en_us/0333.lco  (does not load: error"), std::string::npos) << r.out;
    r = trwlocale(tree, "", "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: trwlocale"), std::string::npos);
}

} // namespace
