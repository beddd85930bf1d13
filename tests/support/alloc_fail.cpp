// Wrappers of malloc, calloc, realloc and free (linked with --wrap) that can
// make allocations fail on request and count the blocks still live. The
// counting table is fixed-size so that the wrappers never allocate
// themselves; tests use it over short stretches of code.
#include "alloc_fail.h"

#include <cstddef>
#include <cstdint>

extern "C" {
void *__real_malloc(std::size_t size);
void *__real_calloc(std::size_t count, std::size_t size);
void *__real_realloc(void *block, std::size_t size);
void __real_free(void *block);
}

namespace {

long successes_left = -1; // -1: never fail
bool fail_persistently = false;
bool failed = false;
long seen = 0;

// Live blocks in an open-addressed table (linear probing, a tombstone for
// a freed slot) so that long sweeps over thousands of allocations stay fast.
constexpr std::size_t kTracked = 1 << 16;
char freed_marker;
void *const kFreed = &freed_marker;
void *live[kTracked];
bool counting = false;

bool next_allocation_fails()
{
    ++seen;
    if (successes_left < 0)
        return false;
    if (successes_left > 0) {
        --successes_left;
        return false;
    }
    failed = true;
    if (!fail_persistently)
        successes_left = -1;
    return true;
}

std::size_t home_slot(const void *block)
{
    auto bits = reinterpret_cast<std::uintptr_t>(block);
    bits ^= bits >> 17;
    bits *= 0x9E3779B97F4A7C15u;
    return static_cast<std::size_t>(bits >> 16) & (kTracked - 1);
}

void track(void *block)
{
    if (!counting || block == nullptr)
        return;
    std::size_t slot = home_slot(block);
    for (std::size_t probes = 0; probes < kTracked; ++probes, slot = (slot + 1) & (kTracked - 1))
        if (live[slot] == nullptr || live[slot] == kFreed) {
            live[slot] = block;
            return;
        }
}

void untrack(void *block)
{
    if (!counting || block == nullptr)
        return;
    std::size_t slot = home_slot(block);
    for (std::size_t probes = 0; probes < kTracked && live[slot] != nullptr;
         ++probes, slot = (slot + 1) & (kTracked - 1))
        if (live[slot] == block) {
            live[slot] = kFreed;
            return;
        }
}

} // namespace

extern "C" void *__wrap_malloc(std::size_t size)
{
    if (next_allocation_fails())
        return nullptr;
    void *block = __real_malloc(size);
    track(block);
    return block;
}

extern "C" void *__wrap_calloc(std::size_t count, std::size_t size)
{
    if (next_allocation_fails())
        return nullptr;
    void *block = __real_calloc(count, size);
    track(block);
    return block;
}

extern "C" void *__wrap_realloc(void *block, std::size_t size)
{
    if (next_allocation_fails())
        return nullptr;
    void *moved = __real_realloc(block, size);
    if (moved != nullptr) {
        untrack(block);
        track(moved);
    }
    return moved;
}

extern "C" void __wrap_free(void *block)
{
    untrack(block);
    __real_free(block);
}

namespace trwtest {

void fail_allocation_after(long successes, bool persistent)
{
    successes_left = successes;
    fail_persistently = persistent;
    failed = false;
}

void allow_allocations()
{
    successes_left = -1;
}

bool allocation_failed()
{
    return failed;
}

void start_counting_live_blocks()
{
    for (void *&slot : live)
        slot = nullptr;
    counting = true;
}

long live_blocks()
{
    long n = 0;
    for (void *slot : live)
        n += slot != nullptr && slot != kFreed;
    return n;
}

long allocations_seen()
{
    return seen;
}

} // namespace trwtest
