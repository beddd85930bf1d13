// Fault injection and leak counting for the heap allocations of the code
// linked statically into a test program (the runtime libraries and the test
// itself; allocations inside the C library are not seen). The program must
// link tests/support/alloc_fail.cpp with
//   -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free
// so that those calls reach the wrappers defined there.
#pragma once

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

} // namespace trwtest
