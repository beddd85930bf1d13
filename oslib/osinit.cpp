// The per-process OS control block: CheckOsInit creates it on first use and
// keeps it for the life of the process; getoserr, trw_ossetconn,
// trw_osgetconn and the grow-only scratch buffer allocnbspace read and change
// it. Creation order: the block becomes visible, the SQL wire trace is set
// up (its registry lookup may load the registry, which asks for the block
// and finds it), the status is recorded, and the client locale is
// initialised through the hook the data-type library registered.
#include "osinit.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "osclient.h"
#include "osinitint.h"
#include "osqlidbg.h"
#include "osutil.h"

namespace {

ostcb *the_block = nullptr;

constexpr int kScratchStep = 128;

ostcb *create_block()
{
    auto *block = static_cast<ostcb *>(std::calloc(1, sizeof(ostcb)));
    if (block == nullptr)
        return nullptr;
    block->connection = -1;
    block->side = 1; // this runtime is the client
    std::memcpy(block->ctype, _ixctype, sizeof block->ctype);
    std::memcpy(block->lowmap, _ix2lowmap, sizeof block->lowmap);
    std::memcpy(block->upmap, _ix2upmap, sizeof block->upmap);
    block->trace = &sqlidebug;
    return block;
}

// The scratch size for a request: the old size grown in 128-byte steps
// until it holds n, or -1 when that passes INT_MAX.
long long grown_scratch_size(int old_size, int n)
{
    long long size = old_size > 0 ? old_size : 0;
    if (size < n)
        size += (static_cast<long long>(n) - size + kScratchStep - 1) / kScratchStep * kScratchStep;
    return size > INT_MAX ? -1 : size;
}

} // namespace

namespace osinit {

ostcb *existing_block()
{
    return the_block;
}

ostcb *ensure_block()
{
    ostcb *block = CheckOsInit();
    return block != nullptr ? block : the_block;
}

} // namespace osinit

extern "C" ostcb *CheckOsInit(void)
{
    if (the_block != nullptr)
        return the_block;
    ostcb *block = create_block();
    if (block == nullptr)
        return nullptr;
    the_block = block;
    _sqdbgsetup(block);
    block->api_status = 0;
    if (os_client_locale_init_fn init = os_client_locale_init())
        if (init() != 0)
            return nullptr;
    return block;
}

extern "C" int getoserr(void)
{
    ostcb *block = osinit::ensure_block();
    return block != nullptr ? block->api_status : 0;
}

extern "C" void trw_ossetconn(int32_t connection)
{
    if (ostcb *block = osinit::ensure_block())
        block->connection = connection;
}

extern "C" int32_t trw_osgetconn(void)
{
    ostcb *block = osinit::ensure_block();
    return block != nullptr ? block->connection : 0;
}

extern "C" char *allocnbspace(int size)
{
    ostcb *block = osinit::ensure_block();
    if (block == nullptr || size < 0)
        return nullptr;
    if (block->scratch != nullptr && block->scratch_size >= size)
        return block->scratch;
    const long long grown = grown_scratch_size(block->scratch_size, size);
    std::free(block->scratch);
    block->scratch = nullptr;
    block->scratch_size = 0;
    if (grown < 0)
        return nullptr;
    // A request of 0 still gets one step, so that the result is a buffer.
    const long long bytes = grown > 0 ? grown : kScratchStep;
    block->scratch = static_cast<char *>(std::malloc(static_cast<std::size_t>(bytes)));
    if (block->scratch != nullptr)
        block->scratch_size = static_cast<int32_t>(bytes);
    return block->scratch;
}
