// The type-code functions that consult the client locale: rstr2type (the
// upshift in place, then whole names only) and rtypwidth (the documented
// width table, with the number format of DBMONEY, the DATE format of DBDATE,
// DBTIME and GL_DATETIME, and a client locale that cannot be loaded). Each
// test sets its environment before the first runtime call (a fresh process
// each).
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "glsenv.h"
#include "rtypes.h"

namespace {

void settings(std::initializer_list<std::pair<const char *, const char *>> values)
{
    for (const char *name : gls_setting_names)
        unsetenv(name);
    for (const auto &[name, value] : values)
        setenv(name, value, 1);
}

// rstr2type's names with their codes.
struct Name {
    const char *text;
    int code;
};

const Name kNames[] = {
    {"BYTE", 11},      {"BOOLEAN", 45},    {"CHAR", 0},        {"CHARACTER", 0}, {"COLLECTION", 23},
    {"DATE", 7},       {"DECIMAL", 5},     {"DATETIME", 10},   {"FLOAT", 3},     {"INT8", 17},
    {"INT", 2},        {"INTEGER", 2},     {"INTERVAL", 14},   {"LIST", 21},     {"LVARCHAR", 43},
    {"MONEY", 8},      {"MULTISET", 20},   {"NCHAR", 15},      {"NVARCHAR", 16}, {"NULL", 9},
    {"ROW", 22},       {"SERIAL8", 18},    {"SERIAL", 6},      {"SET", 19},      {"SMALLFLOAT", 4},
    {"SMALLINT", 1},   {"TEXT", 12},       {"VARCHAR", 13},
};

int str2type(const std::string &text, std::string *after = nullptr)
{
    std::vector<char> buf(text.begin(), text.end());
    buf.push_back('\0');
    const int code = rstr2type(buf.data());
    if (after != nullptr)
        *after = buf.data();
    return code;
}

std::string lower(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string mixed(std::string s)
{
    for (size_t i = 0; i < s.size(); i += 2)
        s[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
    return s;
}

// ---- the documented width table --------------------------------------------------------

struct Money {
    int point = 1; // display widths of the decimal and monetary points
    int mon_point = 1;
    int front = 1; // "$." in en_US
    int back = 0;
};

int q_of(int qual)
{
    const int digits = (qual >> 8) & 0xff;
    const int start = (qual >> 4) & 0xf;
    int end = qual & 0xf;
    if (end > 10)
        end = 12;
    return digits + (end - start) / 2 + (start == 12 ? 1 : 0);
}

int documented_width(int type, int len, const Money &m, int date_width, int datetime_width)
{
    const int t = type & 0xff;
    const int p = (len >> 8) & 0xff, s = len & 0xff;
    switch (t) {
    case 1:
        return 6;
    case 2:
    case 6:
        return 11;
    case 3:
    case 4:
        return 14;
    case 5:
        return p + m.point + (s == 255 ? 6 : s != p ? 1 : 2);
    case 7:
        return date_width;
    case 8:
        return p + m.mon_point + m.front + m.back + (s != p ? 1 : 2);
    case 10:
        return datetime_width >= 0 ? datetime_width : q_of(len);
    case 13:
    case 16:
        return len & 0xff;
    case 14:
        return q_of(len) + 1;
    case 17:
    case 18:
        return 20;
    case 45:
        return 1;
    case 9:
    case 42:
    case 44:
        return 0;
    default:
        if ((t >= 24 && t <= 39) || t >= 46)
            return 0;
        return len; // 0, 11, 12, 15, 19 to 23, 40, 41, 43
    }
}

// Length words: DECIMAL and MONEY precisions, DATETIME and INTERVAL
// qualifiers, character lengths.
const int kLengths[] = {0,      1,      44,     255,    256,    300,    0x7FFF, 0x1002, 0x0505,
                        0x20FF, 0x2000, 0x0100, 0x0E0A, 0x0F4A, 0x0568, 0x0804, 0x110D, 0x130F,
                        0x03CD, 0x0222, 0x0B0A, 0x0C4D, 0x4000, -1,     INT_MIN, INT_MAX, -0x0E0A};

void check_every_width(const Money &m, int date_width, int datetime_width = -1)
{
    for (int type = 0; type <= 300; ++type)
        for (int len : kLengths)
            EXPECT_EQ(rtypwidth(type, len), documented_width(type, len, m, date_width, datetime_width))
                << "type " << type << " len " << len;
    for (int flag : {0x100, 0x4000, INT_MIN})
        for (int type : {1, 5, 8, 10, 13, 14})
            EXPECT_EQ(rtypwidth(flag | type, 0x1002), documented_width(type, 0x1002, m, date_width, datetime_width));
}

} // namespace

// ---- rstr2type ----------------------------------------------------------------------------

TEST(Str2type, EveryNameInEveryCaseAndTheBufferIsUpshifted)
{
    settings({});
    for (const Name &n : kNames) {
        for (const std::string &text : {std::string(n.text), lower(n.text), mixed(n.text)}) {
            std::string after;
            EXPECT_EQ(str2type(text, &after), n.code) << text;
            EXPECT_EQ(after, n.text) << text;
        }
    }
    char integer[] = "integer";
    EXPECT_EQ(rstr2type(integer), 2);
    EXPECT_STREQ(integer, "INTEGER");
}

TEST(Str2type, SuffixesBlanksAndNearMisses)
{
    settings({});
    for (const char *text : {"CHAR(10)", "char(10)", "DECIMAL(16,2)", "CHAR ", " CHAR", "INT 8", "INTEGERS",
                             "SERIAL88", "", "DEC", "NUMERIC", "DOUBLE", "CHARA", "CHA", "BOOL", "INTERVAL DAY",
                             "VAR CHAR", "N", "SMALL", "DATE\t", "nul", "collections", "date\xe9", "INT8\n"})
        EXPECT_EQ(str2type(text), -1) << text;
    std::string after;
    EXPECT_EQ(str2type("char(10)", &after), -1);
    EXPECT_EQ(after, "CHAR(10)") << "the buffer is upshifted even when no name matches";
    EXPECT_EQ(rstr2type(nullptr), -1);
    char embedded[] = "int\0eger";
    EXPECT_EQ(rstr2type(embedded), 2) << "the name ends at its terminator";
}

TEST(Str2type, UpperCaseNamesWithALocaleThatCannotLoad)
{
    settings({{"CLIENT_LOCALE", "qq_QQ.8859-1"}});
    for (const Name &n : kNames)
        EXPECT_EQ(str2type(n.text), n.code) << n.text;
    EXPECT_EQ(str2type("CHAR(1)"), -1);
}

// ---- rtypwidth ----------------------------------------------------------------------------

TEST(Typwidth, EveryTypeInTheDefaultLocale)
{
    settings({});
    check_every_width(Money{}, 10);
    EXPECT_EQ(rtypwidth(5, 0x1002), 18);
    EXPECT_EQ(rtypwidth(5, 0x0505), 8);
    EXPECT_EQ(rtypwidth(5, 0x20FF), 39);
    EXPECT_EQ(rtypwidth(8, 0x1002), 19);
    EXPECT_EQ(rtypwidth(14, 0x0F4A), 19);
    EXPECT_EQ(rtypwidth(14, 0x0568), 7);
    EXPECT_EQ(rtypwidth(10, 0x0E0A), 19);
    EXPECT_EQ(rtypwidth(7, 0), 10);
}

TEST(Typwidth, DbmoneyFrontText)
{
    settings({{"DBMONEY", "DM,"}});
    Money m;
    m.front = 2;
    check_every_width(m, 10);
    EXPECT_EQ(rtypwidth(8, 0x1002), 20);
}

TEST(Typwidth, DbmoneyBackText)
{
    settings({{"DBMONEY", ".EUR"}});
    Money m;
    m.front = 0;
    m.back = 3;
    check_every_width(m, 10);
    EXPECT_EQ(rtypwidth(8, 0x1002), 21);
}

TEST(Typwidth, DbdateWithTwoDigitYear)
{
    settings({{"DBDATE", "DMY2/"}});
    check_every_width(Money{}, 8);
    EXPECT_EQ(rtypwidth(7, 0), 8);
}

TEST(Typwidth, DbdateWithoutSeparator)
{
    settings({{"DBDATE", "Y4MD0"}});
    EXPECT_EQ(rtypwidth(7, 0), 8);
}

TEST(Typwidth, GlDatetimeSetGivesEighty)
{
    settings({{"GL_DATETIME", "%Y-%m-%d %H:%M:%S"}});
    check_every_width(Money{}, 10, 80);
    EXPECT_EQ(rtypwidth(10, 0x0E0A), 80);
}

TEST(Typwidth, DbtimeSetGivesItsExpandedLength)
{
    settings({{"DBTIME", "%Y-%m-%d %H:%M"}, {"GL_DATETIME", "%Y"}});
    EXPECT_EQ(rtypwidth(10, 0x0E0A), 16);
    EXPECT_EQ(rtypwidth(10, 0x0804), 16) << "the process format, whatever the qualifier";
    EXPECT_EQ(rtypwidth(14, 0x0F4A), 19) << "INTERVAL keeps q + 1";
}

TEST(Typwidth, ClientLocaleThatCannotLoadGivesZero)
{
    settings({{"CLIENT_LOCALE", "qq_QQ.8859-1"}});
    for (int type = 0; type <= 60; ++type)
        for (int len : {0, 1, 0x1002, 0x0E0A})
            EXPECT_EQ(rtypwidth(type, len), 0) << type << " " << len;
}
