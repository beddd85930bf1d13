// The transport stub library, loaded the way a client program would load it:
// its exported symbol set, its dynamic dependencies, and the stub results.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <set>
#include <string>

namespace {

// Lines printed by a command, one string each.
std::set<std::string> command_lines(const std::string &cmd)
{
    std::set<std::string> lines;
    FILE *p = popen(cmd.c_str(), "r");
    if (p == nullptr)
        return lines;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p) != nullptr) {
        std::string line(buf);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        lines.insert(line);
    }
    pclose(p);
    return lines;
}

const char *const kEntryPoints[] = {
    "t_open",     "t_bind",     "t_snd",    "t_rcv",        "t_rcvudata", "t_sndudata",
    "t_alloc",    "t_free",     "t_connect", "t_listen",    "t_accept",   "t_rcvconnect",
    "t_getstate", "t_sync",     "t_optmgmt", "t_error",     "t_look",     "t_sndrel",
    "t_rcvrel",   "t_snddis",   "t_rcvdis", "t_unbind",     "t_close"};

class Tstub : public ::testing::Test {
  protected:
    void SetUp() override
    {
        handle_ = dlopen(TSTUB_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
    }
    void TearDown() override
    {
        if (handle_ != nullptr)
            dlclose(handle_);
    }
    template <typename F> F fn(const char *name)
    {
        return reinterpret_cast<F>(dlsym(handle_, name));
    }
    int &t_errno() { return *static_cast<int *>(dlsym(handle_, "t_errno")); }
    void *handle_ = nullptr;
};

TEST_F(Tstub, ExportsExactlyTheEntryPointsAndTwoVariables)
{
    std::set<std::string> expected(std::begin(kEntryPoints), std::end(kEntryPoints));
    expected.insert("t_errno");
    expected.insert("netdate");
    auto exported = command_lines(std::string("nm -D --defined-only --format=posix ") + TSTUB_PATH +
                                  " | cut -d' ' -f1");
    EXPECT_EQ(exported, expected);
    auto kinds = command_lines(std::string("nm -D --defined-only --format=posix ") + TSTUB_PATH +
                               " | awk '$1 ~ /^t_errno$|^netdate$/ {print $1, $2}'");
    EXPECT_EQ(kinds, (std::set<std::string>{"t_errno B", "netdate D"}));
}

TEST_F(Tstub, NeedsNoOtherLibraryAndHasNoInitialisationCode)
{
    auto dynamic = command_lines(std::string("readelf -d ") + TSTUB_PATH);
    for (const auto &line : dynamic) {
        EXPECT_EQ(line.find("(NEEDED)"), std::string::npos) << line;
        EXPECT_EQ(line.find("(INIT"), std::string::npos) << line;
        EXPECT_EQ(line.find("(FINI"), std::string::npos) << line;
    }
}

TEST_F(Tstub, OpenFailsWithMinus999WhateverTheDevice)
{
    using Open = int (*)(const char *, int, void *);
    auto t_open = fn<Open>("t_open");
    ASSERT_NE(t_open, nullptr);
    for (const char *dev : {"/dev/tcp", "", "/nonexistent", static_cast<const char *>(nullptr)}) {
        t_errno() = 0;
        EXPECT_EQ(t_open(dev, 2, nullptr), -1);
        EXPECT_EQ(t_errno(), -999);
    }
}

TEST_F(Tstub, OtherEntryPointsReturnTheirFirstArgumentAndLeaveErrnoAlone)
{
    t_errno() = 17;
    using OneInt = int (*)(int);
    for (const char *name : {"t_getstate", "t_sync", "t_look", "t_sndrel", "t_rcvrel", "t_unbind",
                             "t_close"}) {
        auto f = fn<OneInt>(name);
        ASSERT_NE(f, nullptr) << name;
        EXPECT_EQ(f(5), 5) << name;
        EXPECT_EQ(f(-3), -3) << name;
    }
    using ThreeArgs = int (*)(int, void *, void *);
    for (const char *name : {"t_bind", "t_connect", "t_optmgmt"})
        EXPECT_EQ(fn<ThreeArgs>(name)(7, nullptr, nullptr), 7) << name;
    using TwoArgs = int (*)(int, void *);
    for (const char *name : {"t_listen", "t_rcvconnect", "t_snddis", "t_rcvdis", "t_sndudata"})
        EXPECT_EQ(fn<TwoArgs>(name)(9, nullptr), 9) << name;
    char buf[4];
    int flags = 0;
    EXPECT_EQ(fn<int (*)(int, char *, unsigned, int)>("t_snd")(3, buf, 4, 0), 3);
    EXPECT_EQ(fn<int (*)(int, char *, unsigned, int *)>("t_rcv")(4, buf, 4, &flags), 4);
    EXPECT_EQ(fn<int (*)(int, void *, int *)>("t_rcvudata")(6, nullptr, &flags), 6);
    EXPECT_EQ(fn<int (*)(int, int, void *)>("t_accept")(8, 1, nullptr), 8);
    EXPECT_EQ(fn<char *(*)(int, int, int)>("t_alloc")(11, 1, 2), reinterpret_cast<char *>(11));
    EXPECT_EQ(fn<int (*)(char *, int)>("t_free")(reinterpret_cast<char *>(12), 1), 12);
    EXPECT_EQ(fn<int (*)(const char *)>("t_error")(reinterpret_cast<const char *>(13)), 13);
    EXPECT_EQ(t_errno(), 17);
}

TEST_F(Tstub, NetdateHoldsTheBuildStampAndIsWritable)
{
    auto *netdate = static_cast<char *>(dlsym(handle_, "netdate"));
    ASSERT_NE(netdate, nullptr);
    EXPECT_STREQ(netdate, "Wed Feb 5 00:13:21 CST 2003");
    EXPECT_EQ(std::strlen(netdate), 27u);
    netdate[0] = 'T';
    EXPECT_EQ(netdate[0], 'T');
    auto sizes = command_lines(std::string("nm -D -S --defined-only --format=posix ") + TSTUB_PATH +
                               " | awk '$1 == \"netdate\" {print $4}'");
    EXPECT_EQ(sizes, (std::set<std::string>{"1c"}));
}

} // namespace
