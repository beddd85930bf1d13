// Value records with allocations failing (allocator wrapped): every
// allocation of a long text's heap copy and of a loaded collection fails
// in turn; each call then reports -406 with nothing half-made reported as
// success, and nothing is left allocated.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "gentcb.h"
#include "genlib/valrec_support.h"
#include "support/alloc_fail.h"
#include "valrec.h"

using namespace valtest;

namespace {

// Runs call with the k-th allocation failing for k = 0, 1, ... until a run
// sees no failure; check judges each result.
template <typename Call, typename Check> void each_failure(Call call, Check check)
{
    for (long k = 0; k < 64; ++k) {
        trwtest::start_counting_live_blocks();
        trwtest::fail_allocation_after(k, true);
        const auto result = call();
        const bool failed = trwtest::allocation_failed();
        trwtest::allow_allocations();
        check(result, failed);
        if (!failed)
            return;
    }
    ADD_FAILURE() << "allocations never stopped failing";
}

TEST(ValrecAlloc, LongTextCopies)
{
    const std::string date = "01/02/1900" + std::string(50, ' ');
    const std::string number = "1.5" + std::string(60, ' ');
    valrec d = text_record(TRW_SQL_CHAR, date.c_str());
    valrec n = text_record(TRW_SQL_CHAR, number.c_str());
    ASSERT_EQ(todate(&d), 2); // the locale is set up before failures start
    ASSERT_EQ(todouble(&n), 1.5);
    each_failure([&] { return todate(&d); },
                 [](int r, bool failed) {
                     if (failed) {
                         EXPECT_EQ(r, TRW_NULL_INTEGER);
                         EXPECT_EQ(get_toerrno(), -406);
                     } else {
                         EXPECT_EQ(r, 2);
                     }
                     EXPECT_EQ(trwtest::live_blocks(), 0);
                 });
    each_failure([&] { return todouble(&n); },
                 [](double r, bool failed) {
                     if (failed) {
                         EXPECT_EQ(get_toerrno(), -406);
                     } else {
                         EXPECT_EQ(r, 1.5);
                     }
                     EXPECT_EQ(trwtest::live_blocks(), 0);
                 });
    Out out(4);
    each_failure([&] { return rvaldata(&d, out.data(), TRW_SQL_DATE, 0); },
                 [&](int r, bool failed) {
                     EXPECT_EQ(r, failed ? -406 : 0);
                     EXPECT_TRUE(out.guards_intact());
                 });
}

TEST(ValrecAlloc, CollectionLoading)
{
    // SET of INTEGER with three elements, short names.
    Bytes form;
    auto put = [&form](const Bytes &b) { form.insert(form.end(), b.begin(), b.end()); };
    Bytes body;
    auto be2 = [](int x) { return be(static_cast<uint16_t>(x), 2); };
    auto add = [&body](const Bytes &b) { body.insert(body.end(), b.begin(), b.end()); };
    add(be(1, 4));
    add(be2(0));
    add(Bytes(18, 0));
    add(be2(2));
    for (int i = 0; i < 2; ++i) {
        add(be2(i));
        add(be2(i));
        add(be2(0));
        add(be2(0));
        add(Bytes(18, 0));
        add(be2(i));
        add(be2(i == 0 ? TRW_SQL_SET : TRW_SQL_INTEGER));
        add(be2(0));
        add(be(0, 4));
        add(be2(0));
        add(be2(0));
        add(Bytes(18, 0));
        add(be2(0));
        add(Bytes(18, 0));
        add(be2(0));
        add(be(0, 4));
    }
    add(be(0, 4));
    add(be(12, 4));
    add(be(0, 4));
    add(be(1, 4));
    add(be(2, 4));
    add(be(3, 4));
    put(be(body.size(), 4));
    put(body);
    ASSERT_NE(CheckGenInit(), nullptr); // the control block lives on
    each_failure(
        [&] {
            valrec v = record(0);
            const int status = rdataval(reinterpret_cast<const char *>(form.data()), TRW_SQL_SET,
                                        static_cast<int>(form.size()), &v);
            const int cardinality = status == 0 ? v.vdata.vcoll.cl_cardinality : -1;
            if (status == 0)
                trw_coll_free(&v.vdata.vcoll);
            return status == 0 ? cardinality : status;
        },
        [](int r, bool failed) {
            EXPECT_EQ(r, failed ? -406 : 3);
            EXPECT_EQ(trwtest::live_blocks(), 0);
        });
}

} // namespace
