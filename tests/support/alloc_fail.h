// Fault injection and leak counting for the heap allocations of the code
// linked statically into a test program (the runtime libraries and the test
// itself; allocations inside the C library are not seen). The program must
// link tests/support/alloc_fail.cpp with
//   -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free
// so that those calls reach the wrappers defined there.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace trwtest {

// From now on, let `successes` allocations succeed; the ones after fail: only
// the next one, or every one until allow_allocations() when `persistent`.
void fail_allocation_after(long successes, bool persistent = false);
void allow_allocations();

// Whether an injected failure has happened since fail_allocation_after.
bool allocation_failed();

// Counts the blocks allocated from now on that are still live.
void start_counting_live_blocks();
long live_blocks();

// Allocations seen (successful or not) since the program started.
long allocations_seen();

// One run of an allocation sweep: the allocation with index `at` (0 the
// first) fails, alone or with every one after it (`persistent`).
struct SweepRun {
    long at;
    bool persistent;
    bool failed; // whether the run met an injected failure
    long kept;   // blocks the run leaves live on purpose (set by verify)
};

inline std::string describe(const SweepRun &run)
{
    return "allocation " + std::to_string(run.at) + (run.persistent ? " and every later one" : " alone") +
           " failing";
}

// Sweeps a call over its allocations. For n = 0, 1, ... until a run meets no
// injected failure, the n-th allocation of `call` fails, first alone and then
// with every later one; the persistent run at n = 0 is the one where every
// allocation fails. Each run starts counting live blocks, runs `setup`
// (allocations allowed), `call` (with the failure armed), then `verify(run)`,
// which judges the result, releases everything the setup and a successful
// call made, and sets run.kept to the number of blocks that stay live on
// purpose (texts handed to the process environment, records that live for
// the process); no other block may be live afterwards. Returns the number of allocations the call
// made when nothing failed.
template <typename Setup, typename Call, typename Verify>
long sweep_allocations(Setup setup, Call call, Verify verify, long limit = 20000)
{
    long completed_at = -1;
    for (bool persistent : {false, true}) {
        for (long n = 0; n <= limit; ++n) {
            start_counting_live_blocks();
            setup();
            fail_allocation_after(n, persistent);
            call();
            SweepRun run{n, persistent, allocation_failed(), 0};
            allow_allocations();
            {
                SCOPED_TRACE(describe(run));
                verify(run);
                EXPECT_EQ(live_blocks(), run.kept);
            }
            if (!run.failed) {
                if (completed_at >= 0 && completed_at != n)
                    ADD_FAILURE() << "the call made " << completed_at << " allocations, then " << n;
                completed_at = n;
                break;
            }
            if (n == limit)
                ADD_FAILURE() << "allocations never stopped failing";
        }
    }
    return completed_at;
}

} // namespace trwtest
