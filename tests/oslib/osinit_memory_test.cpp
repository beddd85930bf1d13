// The OS control block when memory runs out: without a block the registry,
// the character-class switch and the language mode report it; the block is
// made by the first call that finds memory again.
#include <gtest/gtest.h>

#include "osenv.h"
#include "osinit.h"
#include "support/alloc_fail.h"

namespace {

TEST(ControlBlockMemory, NoBlockWithoutMemory)
{
    trwtest::fail_allocation_after(0, true);
    EXPECT_EQ(CheckOsInit(), nullptr);
    EXPECT_EQ(OS_setlang("LC_CTYPE", "C"), -406);
    EXPECT_EQ(rldnlsctype("C"), -406);
    EXPECT_EQ(_nlsinit(), -406);
    EXPECT_EQ(greadenv(), OSENV_ENOMEM);
    EXPECT_EQ(allocnbspace(10), nullptr);
    EXPECT_EQ(trw_osgetconn(), 0);
    trwtest::allow_allocations();
    ostcb *block = CheckOsInit();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->connection, -1);
    EXPECT_EQ(OS_setlang("LC_CTYPE", "C"), 0);
}

TEST(ControlBlockMemory, ScratchBufferFailureLeavesSizeZero)
{
    ASSERT_NE(CheckOsInit(), nullptr);
    ASSERT_NE(allocnbspace(10), nullptr);
    trwtest::fail_allocation_after(0);
    EXPECT_EQ(allocnbspace(1000), nullptr);
    trwtest::allow_allocations();
    EXPECT_EQ(CheckOsInit()->scratch_size, 0);
    EXPECT_EQ(CheckOsInit()->scratch, nullptr);
    EXPECT_NE(allocnbspace(1000), nullptr);
}

} // namespace
