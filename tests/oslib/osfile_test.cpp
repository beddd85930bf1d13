// Paths, files, temporary names, the name list and the user and group
// records. The account tests replace the password, shadow and group lookups
// with test entries, so that the real databases and home directory are never
// read.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "osenv.h"
#include "osfile.h"
#include "osfileint.h"

namespace {

std::string take(char *text)
{
    std::string s = text != nullptr ? text : "<null>";
    std::free(text);
    return s;
}

// ---- paths -----------------------------------------------------------------

struct PathCase {
    const char *what;
    std::string (*call)();
    const char *expected;
    int error; // gerrno after the call
};

const PathCase kPathCases[] = {
    {"gbldpath dir name", [] { return take(gbldpath("/usr/tarnwell", "etc/tarnwell.rc", nullptr)); },
     "/usr/tarnwell/etc/tarnwell.rc", 0},
    {"gbldpath all three", [] { return take(gbldpath("d", "n", ".x")); }, "d/n.x", 0},
    {"gbldpath name only", [] { return take(gbldpath(nullptr, "n", nullptr)); }, "n", 0},
    {"gbldpath dir only", [] { return take(gbldpath("d", nullptr, nullptr)); }, "d/", 0},
    {"gbldpath suffix only", [] { return take(gbldpath(nullptr, nullptr, ".x")); }, ".x", 0},
    {"gbldpath nothing", [] { return take(gbldpath(nullptr, nullptr, nullptr)); }, "<null>", -4},
    {"gcatfpath", [] { return take(gcatfpath("/a", "b")); }, "/a/b", 0},
    {"gcatfpath null dir", [] { return take(gcatfpath(nullptr, "b")); }, "/b", 0},
    {"gcatfpath null name", [] { return take(gcatfpath("/a", nullptr)); }, "/a/", 0},
    {"gcatspath", [] { return take(gcatspath("a", "b")); }, "a:b", 0},
    {"gcatspath empty", [] { return take(gcatspath("a", "")); }, "<null>", -6},
    {"gcatspath null", [] { return take(gcatspath(nullptr, "b")); }, "<null>", -7},
    {"gbasename suffix", [] { return take(gbasename("/a/b/c.ec", ".ec")); }, "c", 0},
    {"gbasename no suffix", [] { return take(gbasename("/a/b/c.ec", nullptr)); }, "c.ec", 0},
    {"gbasename trailing slash", [] { return take(gbasename("/a/b/", nullptr)); }, "<null>", -3},
    {"gbasename lone slash", [] { return take(gbasename("/", nullptr)); }, "<null>", -3},
    {"gbasename suffix is all", [] { return take(gbasename("/a/.ec", ".ec")); }, "<null>", -3},
    {"gbasename suffix inside", [] { return take(gbasename("x.ec.c", ".ec")); }, "x.ec.c", 0},
    {"gbasename no slash", [] { return take(gbasename("file", "le")); }, "fi", 0},
    {"gbasename null", [] { return take(gbasename(nullptr, nullptr)); }, "<null>", -7},
    {"gpathname", [] { return take(gpathname("/a/b/c")); }, "/a/b", 0},
    {"gpathname root", [] { return take(gpathname("/x")); }, "/", 0},
    {"gpathname lone slash", [] { return take(gpathname("/")); }, "/", 0},
    {"gpathname trailing slash", [] { return take(gpathname("/a/b/")); }, "/a/b", 0},
    {"gpathname none", [] { return take(gpathname("x")); }, "<null>", -3},
    {"gpathname null", [] { return take(gpathname(nullptr)); }, "<null>", -7},
};

TEST(Paths, TableOfCases)
{
    for (const PathCase &c : kPathCases) {
        gerrno = 12345;
        EXPECT_EQ(c.call(), c.expected) << c.what;
        EXPECT_EQ(gerrno, c.error) << c.what;
    }
}

std::vector<std::string> walk(const char *list)
{
    std::vector<std::string> out;
    const char *p = list;
    for (int i = 0; i < 10; ++i) {
        char *element = ggetpelm(&p);
        if (element == nullptr) {
            out.push_back("<" + std::to_string(gerrno) + ">");
            break;
        }
        out.push_back(take(element));
    }
    return out;
}

TEST(Paths, PathElements)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(walk("/bin:/usr/bin"), (V{"/bin", "/usr/bin", "<-6>"}));
    EXPECT_EQ(walk("a::b"), (V{"a", "", "b", "<-6>"}));
    EXPECT_EQ(walk(":"), (V{"", "<-6>"}));
    EXPECT_EQ(walk(""), (V{"<-6>"}));
    EXPECT_EQ(ggetpelm(nullptr), nullptr);
    EXPECT_EQ(gerrno, -7);
    const char *none = nullptr;
    EXPECT_EQ(ggetpelm(&none), nullptr);
    EXPECT_EQ(gerrno, -7);
}

// ---- files -------------------------------------------------------------------

class TempDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/trw-osfile-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string path(const std::string &name) const { return dir + "/" + name; }
    void touch(const std::string &name) const { std::ofstream(path(name)) << "x"; }
    std::string dir;
};

TEST_F(TempDir, RemoveAndRename)
{
    touch("a");
    touch("c");
    EXPECT_EQ(grenfile(path("a").c_str(), path("b").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(path("a")));
    EXPECT_TRUE(std::filesystem::exists(path("b")));
    EXPECT_EQ(grenfile(path("b").c_str(), path("c").c_str()), -1);
    EXPECT_EQ(gerrno, EEXIST);
    EXPECT_TRUE(std::filesystem::exists(path("b")));
    EXPECT_EQ(grenfile(path("missing").c_str(), path("d").c_str()), -1);
    EXPECT_EQ(gerrno, ENOENT);
    EXPECT_EQ(grenfile(nullptr, "x"), -1);
    EXPECT_EQ(gerrno, -7);
    EXPECT_EQ(grenfile("x", ""), -1);
    EXPECT_EQ(gerrno, -6);
    EXPECT_EQ(grmfile(path("b").c_str()), 0);
    EXPECT_EQ(grmfile(path("b").c_str()), -1);
    EXPECT_EQ(gerrno, ENOENT);
    EXPECT_EQ(grmfile(nullptr), -1);
    EXPECT_EQ(gerrno, -7);
    EXPECT_EQ(grmfile(""), -1);
    EXPECT_EQ(gerrno, -6);
    EXPECT_EQ(_ofreadable(path("c").c_str()), 1);
    EXPECT_EQ(_ofreadable(path("b").c_str()), 0);
    EXPECT_EQ(_ofreadable(nullptr), 0);
}

TEST_F(TempDir, FileWrappersPassThrough)
{
    const int fd = trw_creat(path("w").c_str(), 0600);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(trw_write(fd, "hello", 5), 5);
    EXPECT_EQ(trw_close(fd), 0);
    const int rd = trw_open(path("w").c_str(), O_RDONLY, 0);
    ASSERT_GE(rd, 0);
    EXPECT_EQ(trw_lseek(rd, 1, SEEK_SET), 1);
    char buf[8] = {};
    EXPECT_EQ(trw_read(rd, buf, sizeof buf), 4);
    EXPECT_STREQ(buf, "ello");
    EXPECT_EQ(trw_close(rd), 0);
    EXPECT_EQ(trw_close(rd), -1);
}

// ---- temporary names -----------------------------------------------------------

pid_t fixed_pid = 4711;
pid_t test_pid() { return fixed_pid; }

TEST_F(TempDir, TempNamesFollowTheCounterAcrossCalls)
{
    osfile::set_temp_pid_source(test_pid);
    touch("aaa04711");
    touch("aab04711");
    std::string t = path("NNNXXXXX");
    EXPECT_EQ(gmktemp(t.data()), t.data());
    EXPECT_EQ(t, path("aac04711"));
    t = path("NNNXXXXX.tmp");
    ASSERT_NE(gmktemp(t.data()), nullptr);
    EXPECT_EQ(t, path("aad04711.tmp")); // continues, not from "aaa"
    osfile::set_temp_counter(26 * 26 * 26 - 1);
    t = path("pre-NNNXXXXX");
    ASSERT_NE(gmktemp(t.data()), nullptr);
    EXPECT_EQ(t, path("pre-zzz04711"));
    t = path("NNNXXXXX");
    ASSERT_NE(gmktemp(t.data()), nullptr);
    EXPECT_EQ(t, path("aac04711")); // wrapped to aaa, skipping existing names
    osfile::set_temp_counter(25);
    t = path("NNNXXXXX");
    ASSERT_NE(gmktemp(t.data()), nullptr);
    EXPECT_EQ(t, path("aaz04711"));
    t = path("NNNXXXXX");
    ASSERT_NE(gmktemp(t.data()), nullptr);
    EXPECT_EQ(t, path("aba04711")); // odometer carry
}

TEST_F(TempDir, TempNamesUseTheLastFiveDigitsOfThePid)
{
    for (auto [pid, digits] : {std::pair{pid_t{7}, "00007"}, {pid_t{12345}, "12345"}, {pid_t{4194304}, "94304"}}) {
        fixed_pid = pid;
        osfile::set_temp_pid_source(test_pid);
        osfile::set_temp_counter(0);
        std::string t = path("NNNXXXXX");
        ASSERT_NE(gmktemp(t.data()), nullptr);
        EXPECT_EQ(t, path(std::string("aaa") + digits));
    }
    osfile::set_temp_pid_source(nullptr);
    std::string t = path("NNNXXXXX");
    ASSERT_NE(gmktemp(t.data()), nullptr);
    char expected[16];
    std::snprintf(expected, sizeof expected, "%05d", static_cast<int>(getpid() % 100000));
    EXPECT_EQ(t.substr(t.size() - 5), expected);
}

TEST_F(TempDir, TempNamesCountDanglingLinksAndNeverLoop)
{
    fixed_pid = 1;
    osfile::set_temp_pid_source(test_pid);
    osfile::set_temp_counter(0);
    ASSERT_EQ(symlink("/nonexistent/target", path("aaa00001").c_str()), 0);
    std::string t = path("NNNXXXXX");
    ASSERT_NE(gmktemp(t.data()), nullptr);
    EXPECT_EQ(t, path("aab00001"));

    for (const char *bad : {"", "NNNXXXX", "/tmp/nothing", "NNXXXXX", "nnnxxxxx"}) {
        std::string b = bad;
        EXPECT_EQ(gmktemp(b.data()), nullptr) << bad;
        EXPECT_EQ(gerrno, -4) << bad;
        EXPECT_EQ(b, bad);
    }
    EXPECT_EQ(gmktemp(nullptr), nullptr);
    EXPECT_EQ(gerrno, -7);
    std::string at_end = path("xNNNXXXXX");
    EXPECT_NE(gmktemp(at_end.data()), nullptr);
    // An unsearchable directory: lstat fails for another reason.
    if (geteuid() != 0) {
        std::filesystem::create_directory(path("closed"));
        chmod(path("closed").c_str(), 0);
        std::string closed = path("closed/NNNXXXXX");
        EXPECT_EQ(gmktemp(closed.data()), nullptr);
        EXPECT_EQ(gerrno, EACCES);
        chmod(path("closed").c_str(), 0700);
    }
}

TEST_F(TempDir, TempNamesStopWhenEveryNameExists)
{
    // Every name of the counter exists (the existence test says so; making
    // 17,576 files is too slow for a unit test): one full turn, then EEXIST.
    static int probes = 0;
    osfile::set_temp_name_stat([](const char *, struct stat *) {
        ++probes;
        return 0;
    });
    osfile::set_temp_counter(100);
    std::string t = path("NNNXXXXX");
    EXPECT_EQ(gmktemp(t.data()), nullptr);
    EXPECT_EQ(gerrno, EEXIST);
    EXPECT_EQ(probes, 26 * 26 * 26);
    EXPECT_EQ(osfile::temp_counter(), 100);
    osfile::set_temp_name_stat(nullptr);
    t = path("NNNXXXXX");
    EXPECT_NE(gmktemp(t.data()), nullptr);
}

// ---- the name list --------------------------------------------------------------

TEST(NameList, GrowsBy16AndFindsTheFirstExactMatch)
{
    os_namelist *list = _ginitnamelist();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->used, 0);
    EXPECT_EQ(list->capacity, 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(_gaddnamelist(list, ("n" + std::to_string(i)).c_str()), i);
    EXPECT_EQ(list->capacity, 16);
    EXPECT_EQ(_gaddnamelist(list, "n3"), 16); // duplicates are added again
    EXPECT_EQ(list->capacity, 32);
    EXPECT_EQ(_gsrchnamelist(list, "n3"), 3);
    EXPECT_EQ(_gsrchnamelist(list, "N3"), -1);
    EXPECT_EQ(_gsrchnamelist(list, "n"), -1);
    EXPECT_EQ(_gsrchnamelist(list, "n15"), 15);
    EXPECT_EQ(_gaddnamelist(list, nullptr), -1);
    EXPECT_EQ(_gaddnamelist(nullptr, "x"), -1);
    EXPECT_EQ(_gsrchnamelist(nullptr, "x"), -1);
    const char name[] = "copied";
    std::string mutable_name = name;
    const int at = _gaddnamelist(list, mutable_name.c_str());
    mutable_name[0] = 'X';
    EXPECT_STREQ(list->names[at], "copied");
    _gfreenamelist(list);
    _gfreenamelist(nullptr);
}

// ---- users and groups --------------------------------------------------------

const std::string kLongLogin(40, 'l');
const std::string kLongPassword(600, 'p');
const std::string kLongHome = "/" + std::string(99, 'h');

passwd make_passwd(const char *name, const char *home)
{
    passwd p{};
    p.pw_name = const_cast<char *>(name);
    p.pw_passwd = const_cast<char *>(kLongPassword.c_str());
    p.pw_uid = 1234;
    p.pw_gid = 99;
    p.pw_dir = const_cast<char *>(home);
    p.pw_shell = const_cast<char *>("/bin/sh");
    return p;
}

passwd by_name_entry;
passwd by_uid_entry;
const char *login_name = nullptr;

char *test_login() { return const_cast<char *>(login_name); }
passwd *test_getpwnam(const char *name)
{
    return std::strcmp(name, kLongLogin.c_str()) == 0 || std::strcmp(name, "short") == 0 ? &by_name_entry : nullptr;
}
passwd *test_getpwuid(uid_t uid) { return uid == getuid() || uid == 1234 ? &by_uid_entry : nullptr; }

class Accounts : public ::testing::Test {
protected:
    void SetUp() override
    {
        by_name_entry = make_passwd(kLongLogin.c_str(), kLongHome.c_str());
        by_uid_entry = make_passwd("byuid", "/home/byuid");
        static const osfile::AccountLookups lookups = {test_login, test_getpwnam, test_getpwuid, nullptr, nullptr,
                                                       nullptr};
        osfile::set_account_lookups(&lookups);
    }
    void TearDown() override { osfile::set_account_lookups(nullptr); }
};

TEST_F(Accounts, UserRecordFieldsAreCut)
{
    os_user user;
    std::memset(&user, 0x55, sizeof user);
    ASSERT_EQ(_osgetpwnam(kLongLogin.c_str(), &user), 0);
    EXPECT_EQ(std::string(user.login), kLongLogin.substr(0, 31));
    EXPECT_EQ(std::string(user.password), kLongPassword.substr(0, 511));
    EXPECT_EQ(std::string(user.home), kLongHome.substr(0, 63));
    EXPECT_STREQ(user.shell, "/bin/sh");
    EXPECT_EQ(user.uid, 1234);
    EXPECT_EQ(user.gid, 99);
    EXPECT_EQ(_osgetpwnam("nobody-here", &user), -1);
    EXPECT_EQ(_osgetpwnam(nullptr, &user), -1);
    ASSERT_EQ(_osgetpwuid(1234, &user), 0);
    EXPECT_STREQ(user.login, "byuid");
    EXPECT_EQ(_osgetpwuid(77777, &user), -1);
    EXPECT_EQ(_osgetpwuid(1234, nullptr), -1);
}

TEST_F(Accounts, RecordLayout)
{
    EXPECT_EQ(offsetof(os_user, password), 32u);
    EXPECT_EQ(offsetof(os_user, uid), 544u);
    EXPECT_EQ(offsetof(os_user, gid), 548u);
    EXPECT_EQ(offsetof(os_user, home), 552u);
    EXPECT_EQ(offsetof(os_user, shell), 616u);
    EXPECT_EQ(offsetof(os_group, password), 32u);
    EXPECT_EQ(offsetof(os_group, gid), 544u);
    EXPECT_EQ(offsetof(os_group, members), 552u);
    EXPECT_EQ(offsetof(os_namelist, capacity), 4u);
    EXPECT_EQ(offsetof(os_namelist, names), 8u);
}

TEST_F(Accounts, HomePathWithAndWithoutALoginName)
{
    login_name = "short";
    EXPECT_EQ(take(ggethomepath()), kLongHome.substr(0, 64));
    login_name = nullptr;
    EXPECT_EQ(take(ggethomepath()), "/home/byuid");
    login_name = "unknown-login"; // no entry for the name: the user id's
    EXPECT_EQ(take(ggethomepath()), "/home/byuid");
    by_uid_entry.pw_dir = nullptr;
    login_name = nullptr;
    EXPECT_EQ(ggethomepath(), nullptr);
    EXPECT_EQ(gerrno, -3);
}

// Shadow entries around a fixed today.
constexpr long kToday = 20000;
spwd shadow_entry;
long test_today() { return kToday; }
spwd *test_getspnam(const char *name) { return std::strcmp(name, "s") == 0 ? &shadow_entry : nullptr; }

TEST_F(Accounts, ShadowEntriesRefusedByAge)
{
    static const osfile::AccountLookups lookups = {nullptr, nullptr, nullptr, test_getspnam, nullptr, test_today};
    osfile::set_account_lookups(&lookups);
    struct Case {
        long expire, lastchange, max;
        bool accepted;
    };
    const Case cases[] = {
        {kToday - 1, kToday - 5, -1, false}, // expired yesterday
        {kToday, kToday - 5, -1, true},      // expires today
        {kToday + 1, kToday - 5, -1, true},  // expires tomorrow
        {0, kToday - 5, -1, true},           // no expiry
        {-1, kToday - 5, -1, true},
        {-1, 0, -1, false},                  // last change 0: must change
        {-1, kToday, 0, true},               // maximum age 0, changed today
        {-1, kToday - 1, 0, false},          // maximum age 0, changed yesterday
        {-1, kToday - 30, 30, true},         // exactly the maximum
        {-1, kToday - 31, 30, false},        // maximum exceeded
    };
    for (const Case &c : cases) {
        shadow_entry = spwd{};
        shadow_entry.sp_namp = const_cast<char *>(kLongLogin.c_str());
        shadow_entry.sp_pwdp = const_cast<char *>(kLongPassword.c_str());
        shadow_entry.sp_expire = c.expire;
        shadow_entry.sp_lstchg = c.lastchange;
        shadow_entry.sp_max = c.max;
        EXPECT_EQ(trw_getspnam("s") != nullptr, c.accepted) << c.expire << " " << c.lastchange << " " << c.max;
        os_user user{};
        EXPECT_EQ(_osgetspnam("s", &user), c.accepted ? 0 : -1);
        if (c.accepted) {
            EXPECT_EQ(std::string(user.login), kLongLogin.substr(0, 31));
            EXPECT_EQ(std::string(user.password), kLongPassword.substr(0, 511));
        }
    }
    EXPECT_EQ(trw_getspnam("other"), nullptr);
    EXPECT_EQ(trw_getspnam(nullptr), nullptr);
}

std::vector<std::string> group_members;
std::vector<char *> member_pointers;
group group_entry;
group *test_getgrgid(gid_t gid)
{
    if (gid != 42)
        return nullptr;
    member_pointers.clear();
    for (std::string &m : group_members)
        member_pointers.push_back(m.data());
    member_pointers.push_back(nullptr);
    group_entry.gr_name = const_cast<char *>(kLongLogin.c_str());
    group_entry.gr_passwd = const_cast<char *>(kLongPassword.c_str());
    group_entry.gr_gid = 42;
    group_entry.gr_mem = member_pointers.data();
    return &group_entry;
}

TEST_F(Accounts, GroupsWithZeroOneAndManyMembers)
{
    static const osfile::AccountLookups lookups = {nullptr, nullptr, nullptr, nullptr, test_getgrgid, nullptr};
    osfile::set_account_lookups(&lookups);
    for (std::size_t count : {0u, 1u, 1000u}) {
        group_members.clear();
        for (std::size_t i = 0; i < count; ++i)
            group_members.push_back(std::string(40, static_cast<char>('a' + i % 26)) + std::to_string(i));
        os_group *g = _osgetgrgid(42);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(std::string(g->name), kLongLogin.substr(0, 31));
        EXPECT_EQ(std::string(g->password), kLongPassword.substr(0, 511));
        EXPECT_EQ(g->gid, 42);
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(std::string(g->members[i]), group_members[i].substr(0, 31)) << i;
        EXPECT_EQ(g->members[count][0], '\0');
        _osfreegroup(g);
    }
    EXPECT_EQ(_osgetgrgid(7), nullptr);
    _osfreegroup(nullptr);
}

} // namespace
