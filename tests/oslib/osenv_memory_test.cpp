// The registry when memory runs out: every allocation of a load, a
// setting, a list or a conversion is made to fail in turn. Each failure must
// be reported (-2, or -1 for the lists), leave nothing half-changed and leak
// nothing; the process always goes on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "osenv_fixture.h"
#include "support/alloc_fail.h"

namespace {

using trwtest::RegistryTest;

// The registry's own value of a variable, without the environment.
const char *registry_value(const char *name)
{
    for (int i = 0; i < Num_EVars; ++i)
        if (std::strcmp(Inf_EVars[i].name, name) == 0)
            return Inf_EVars[i].value;
    return nullptr;
}

class RegistryMemoryTest : public RegistryTest {
protected:
    void TearDown() override
    {
        trwtest::allow_allocations();
        RegistryTest::TearDown();
    }
};

TEST_F(RegistryMemoryTest, CopyingTheBuiltInTableReportsMinus2)
{
    // The first allocations of a load are the ignore list, the registry and
    // the copies of the defaults.
    for (long n = 0; n < 5; ++n) {
        trwtest::start_counting_live_blocks();
        trwtest::fail_allocation_after(n);
        EXPECT_EQ(greadenv(), OSENV_ENOMEM);
        EXPECT_TRUE(trwtest::allocation_failed());
        EXPECT_EQ(Inf_EVars, nullptr);
        EXPECT_EQ(Num_EVars, 0);
        EXPECT_EQ(trwtest::live_blocks(), 0);
    }
    trwtest::fail_allocation_after(0, true);
    EXPECT_EQ(ggetenv("DBTEMP"), nullptr);
    EXPECT_EQ(gerrno, OSENV_ENOMEM);
    EXPECT_EQ(ginsenv("DBTEMP", "/x"), OSENV_ENOMEM);
    trwtest::allow_allocations();
    EXPECT_EQ(std::string(ggetenv("DBTEMP")), "/tmp");
}

TEST_F(RegistryMemoryTest, EveryAllocationOfALoadMayFail)
{
    static const os_udenv vars[] = {{"TRW_MY_SETTING", "mine"}, {nullptr, nullptr}};
    gsetudenv(vars);
    setenv("ENVIGNORE", "DBPATH:TERM", 1);
    setenv("DBNLS", "1", 1);
    write_system_file("DBTEMP /sys\nDBPRINT " + std::string(700, 'p') + "\nLANG de_DE.8859-1\n");
    write_user_file("DBPATH /ignored\nLC_TIME fr_FR.8859-1\nTRW_MY_SETTING user\n");

    bool completed = false;
    for (long n = 0; !completed && n < 1000; ++n) {
        trwtest::start_counting_live_blocks();
        trwtest::fail_allocation_after(n);
        const int status = greadenv();
        completed = !trwtest::allocation_failed();
        trwtest::allow_allocations();
        if (completed) {
            EXPECT_EQ(status, 0);
        } else {
            EXPECT_EQ(status, OSENV_ENOMEM) << "allocation " << n;
        }
        if (Inf_EVars != nullptr) {
            // Whatever was read before the failure stays.
            const std::string dbtemp = text(registry_value("DBTEMP"));
            EXPECT_TRUE(dbtemp == "/tmp" || dbtemp == "/sys") << dbtemp;
            EXPECT_EQ(text(registry_value("DBPATH")), ".");
        }
        gFreeEVars();
        EXPECT_EQ(trwtest::live_blocks(), 0) << "allocation " << n;
    }
    EXPECT_TRUE(completed);
    EXPECT_EQ(std::string(ggetenv("DBPRINT")), std::string(700, 'p'));
    EXPECT_EQ(std::string(ggetenv("LC_TIME")), "fr_FR.8859-1");
    EXPECT_EQ(std::string(ggetenv("LC_CTYPE")), "de_DE.8859-1");
    EXPECT_EQ(std::string(ggetenv("TRW_MY_SETTING")), "user");
}

TEST_F(RegistryMemoryTest, FailedGinsenvKeepsTheOldValue)
{
    ASSERT_EQ(greadenv(), 0);
    const char *before = ggetenv("DBTEMP");
    trwtest::start_counting_live_blocks();
    trwtest::fail_allocation_after(0);
    EXPECT_EQ(ginsenv("DBTEMP", "/new"), OSENV_ENOMEM);
    trwtest::allow_allocations();
    EXPECT_EQ(ggetenv("DBTEMP"), before);
    EXPECT_EQ(std::string(before), "/tmp");
    EXPECT_EQ(trwtest::live_blocks(), 0);
    // The shared empty text and removal need no memory.
    trwtest::fail_allocation_after(0, true);
    EXPECT_EQ(ginsenv("DBTEMP", ""), 0);
    EXPECT_EQ(ginsenv("DBPATH", nullptr), 0);
    trwtest::allow_allocations();
    EXPECT_EQ(std::string(ggetenv("DBTEMP")), "");
}

TEST_F(RegistryMemoryTest, FailedListsAreLeftEmpty)
{
    setenv("DBTIME", "%H", 1);
    setenv("DBDATE", "DMY4/", 1);
    ASSERT_EQ(greadenv(), 0);
    for (int which = 0; which < 2; ++which) {
        bool completed = false;
        for (long n = 0; !completed && n < 100; ++n) {
            os_evlist list{};
            trwtest::start_counting_live_blocks();
            trwtest::fail_allocation_after(n);
            const int status = which == 0 ? _oscsevlist(&list) : _oscpevlist(&list, "db");
            completed = !trwtest::allocation_failed();
            trwtest::allow_allocations();
            if (!completed) {
                EXPECT_EQ(status, -1);
                EXPECT_EQ(list.count, 0);
                EXPECT_EQ(list.names, nullptr);
                EXPECT_EQ(list.values, nullptr);
            }
            _osfreevlist(&list);
            EXPECT_EQ(trwtest::live_blocks(), 0);
        }
        EXPECT_TRUE(completed);
    }
}

TEST_F(RegistryMemoryTest, FailedPutenvLeavesTheEnvironment)
{
    setenv("DBTEMP", "/before", 1);
    for (long n = 0; n < 2; ++n) {
        trwtest::fail_allocation_after(n);
        EXPECT_EQ(gputenv("DBTEMP", "/after"), OSENV_ENOMEM);
        trwtest::allow_allocations();
        EXPECT_EQ(std::string(getenv("DBTEMP")), "/before");
    }
    // Replacing a setting again and again keeps one text alive.
    trwtest::start_counting_live_blocks();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(gputenv("DBTEMP", std::to_string(i).c_str()), 0);
    EXPECT_EQ(std::string(getenv("DBTEMP")), "4");
    EXPECT_EQ(trwtest::live_blocks(), 1);
}

char *copy_converter(const char *value)
{
    char *copy = static_cast<char *>(malloc(std::strlen(value) + 1));
    if (copy != nullptr)
        std::strcpy(copy, value);
    return copy;
}

TEST_F(RegistryMemoryTest, ConversionWithoutMemoryGivesTheValueAsItIs)
{
    os_client_locale_hooks hooks{};
    hooks.convert_env_value = copy_converter;
    os_set_client_locale_hooks(&hooks);
    ASSERT_EQ(greadenv(), 0);
    trwtest::start_counting_live_blocks();
    for (long n = 0; n < 6; ++n) {
        // A new environment value each time, so each lookup converts anew.
        const std::string source = "/caf\xE9" + std::to_string(n);
        setenv("DBTEMP", source.c_str(), 1);
        const long live_before = trwtest::live_blocks();
        trwtest::fail_allocation_after(n);
        const char *value = ggetenv2("DBTEMP");
        const bool failed = trwtest::allocation_failed();
        trwtest::allow_allocations();
        EXPECT_EQ(std::string(value), source);
        if (failed) {
            EXPECT_EQ(value, getenv("DBTEMP"));
            EXPECT_LE(trwtest::live_blocks(), live_before);
        } else {
            EXPECT_NE(value, getenv("DBTEMP"));
        }
    }
    gFreeEVars();
    EXPECT_EQ(trwtest::live_blocks(), 0);
}

TEST_F(RegistryMemoryTest, LookupCostsNoAllocationOnceLoaded)
{
    os_client_locale_hooks hooks{};
    hooks.convert_env_value = copy_converter;
    os_set_client_locale_hooks(&hooks);
    setenv("DBTEMP", "/caf\xE9", 1);
    ASSERT_NE(ggetenv2("DBTEMP"), nullptr);
    const long before = trwtest::allocations_seen();
    for (int i = 0; i < 100; ++i) {
        ggetenv("DBPATH");
        ggetenv2("DBTEMP");
        idx_ggetenv("DBDATE", OSENV_DBDATE);
    }
    EXPECT_EQ(trwtest::allocations_seen(), before);
}

} // namespace
