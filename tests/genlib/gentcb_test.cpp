// The data-type library's control block: its first state, the accessors,
// and what happens when the block cannot be allocated (the allocator is
// wrapped so that allocations can be made to fail).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "gentcb.h"
#include "support/alloc_fail.h"

namespace {

static_assert(offsetof(gentcb_t, gt_status) == 0 && offsetof(gentcb_t, gt_toerrno) == 4 &&
              offsetof(gentcb_t, gt_glserror) == 8 && offsetof(gentcb_t, gt_floattype) == 12 &&
              offsetof(gentcb_t, gt_flags) == 16 && offsetof(gentcb_t, gt_catfd) == 20);
static_assert(sizeof(ansidb) == 2);

TEST(Gentcb, AFreshProcessStartsAtZero)
{
    EXPECT_EQ(gentcb, nullptr);
    EXPECT_EQ(get_toerrno(), 0);
    EXPECT_EQ(get_glserror(), 0);
    EXPECT_EQ(getgenerr(), 0);
    EXPECT_EQ(trwGEN_getFloatType(), 0);
    EXPECT_EQ(gget_dbver(), 0);
    ASSERT_NE(gentcb, nullptr);
    EXPECT_EQ(CheckGenInit(), gentcb);
    EXPECT_EQ(gentcb->gt_catfd, -1);
    EXPECT_EQ(ansidb, 0);
}

TEST(Gentcb, AccessorsStoreTheirValues)
{
    set_toerrno(-1213);
    EXPECT_EQ(get_toerrno(), -1213);
    set_toerrno(0);
    EXPECT_EQ(get_toerrno(), 0);
    EXPECT_EQ(set_glserror(12), 12);
    EXPECT_EQ(get_glserror(), 12);
    EXPECT_EQ(trwGEN_setFloatType(1), 1);
    EXPECT_EQ(trwGEN_getFloatType(), 1);
    EXPECT_EQ(gset_dbver(0), 0);
    EXPECT_EQ(gget_dbver(), GENTCB_LONGID);
    EXPECT_EQ(gset_dbver(7), 7);
    EXPECT_EQ(gget_dbver(), GENTCB_LONGID); // never cleared
    EXPECT_EQ(gen_setansidb(1), 1);
    EXPECT_EQ(ansidb, 1);
    EXPECT_EQ(gen_setansidb(0), 0);
    EXPECT_EQ(ansidb, 0);
    EXPECT_NE(CheckSaveAreaInit(), nullptr);
    EXPECT_EQ(CheckSaveAreaInit(), CheckSaveAreaInit());
}

TEST(Gentcb, FillGivesZerosAndNoCatalog)
{
    gentcb_t block;
    std::memset(&block, 0x5A, sizeof block);
    genfill(&block);
    EXPECT_EQ(block.gt_status, 0);
    EXPECT_EQ(block.gt_flags, 0u);
    EXPECT_EQ(block.gt_catfd, -1);
    gentcb_t *fresh = gentcb_alloc();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(std::memcmp(fresh, &block, sizeof block), 0);
    std::free(fresh);
    EXPECT_EQ(checkGenApi(), 0);
}

TEST(Gentcb, WithoutMemoryTheAccessorsReportAndTheNextCallRetries)
{
    trwtest::fail_allocation_after(0, true);
    EXPECT_EQ(CheckGenInit(), nullptr);
    EXPECT_EQ(gentcb_alloc(), nullptr);
    EXPECT_EQ(get_glserror(), -406);
    EXPECT_EQ(set_glserror(5), -406);
    EXPECT_EQ(get_toerrno(), -406);
    set_toerrno(-1213); // nothing to store it in
    EXPECT_EQ(trwGEN_getFloatType(), -1);
    EXPECT_EQ(trwGEN_setFloatType(1), 1);
    EXPECT_EQ(getgenerr(), 0);
    EXPECT_EQ(gset_dbver(3), 3);
    EXPECT_EQ(gget_dbver(), 0);
    EXPECT_EQ(gen_setansidb(1), 1);
    EXPECT_EQ(gentcb, nullptr);
    trwtest::allow_allocations();
    EXPECT_EQ(get_toerrno(), 0);
    EXPECT_NE(gentcb, nullptr);
    EXPECT_EQ(trwGEN_getFloatType(), 0);
}

} // namespace
