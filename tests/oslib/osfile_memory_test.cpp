// The name list and the path helpers when memory runs out: the list stays
// as it was, the helpers report -2, nothing leaks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "osenv.h"
#include "osfile.h"
#include "support/alloc_fail.h"

namespace {

TEST(NameListMemory, AFailedAddKeepsTheList)
{
    os_namelist *list = _ginitnamelist();
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(_gaddnamelist(list, ("name" + std::to_string(i)).c_str()), i);
    for (long n = 0; n < 2; ++n) { // the copy, then the grown array
        trwtest::start_counting_live_blocks();
        trwtest::fail_allocation_after(n);
        EXPECT_EQ(_gaddnamelist(list, "seventeenth"), -1) << n;
        trwtest::allow_allocations();
        EXPECT_EQ(trwtest::live_blocks(), 0) << n;
        EXPECT_EQ(list->used, 16);
        EXPECT_EQ(list->capacity, 16);
        EXPECT_EQ(_gsrchnamelist(list, "name15"), 15);
    }
    EXPECT_EQ(_gaddnamelist(list, "seventeenth"), 16);
    _gfreenamelist(list);
    for (long n = 0; n < 2; ++n) {
        trwtest::start_counting_live_blocks();
        trwtest::fail_allocation_after(n);
        EXPECT_EQ(_ginitnamelist(), nullptr);
        trwtest::allow_allocations();
        EXPECT_EQ(trwtest::live_blocks(), 0);
    }
}

TEST(PathMemory, HelpersReportMinus2)
{
    trwtest::fail_allocation_after(0, true);
    EXPECT_EQ(gbldpath("a", "b", nullptr), nullptr);
    EXPECT_EQ(gerrno, -2);
    EXPECT_EQ(gcatspath("a", "b"), nullptr);
    EXPECT_EQ(gerrno, -2);
    const char *list = "a:b";
    EXPECT_EQ(ggetpelm(&list), nullptr);
    EXPECT_EQ(gerrno, -2);
    EXPECT_STREQ(list, "a:b"); // not moved
    EXPECT_EQ(gpathname("/a/b"), nullptr);
    EXPECT_EQ(gerrno, -2);
    trwtest::allow_allocations();
}

} // namespace
