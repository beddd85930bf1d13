// The data-type library's control block gentcb: creation on first use, the
// status fields no other family owns (library status, last conversion and
// locale-library errors, float type, long-identifier flag) and the ANSI
// database flag beside it. Without memory for the block the getters and
// setters report -406 (the float type -1, the others 0) and the next call
// tries to create it again.
#include "gentcb.h"

#include "glsenv.h"

#include <cstdlib>
#include <cstring>

extern "C" {
struct gentcb *gentcb = nullptr;
int16_t ansidb = 0;
}

namespace {

constexpr int kNoMemory = -406;

// The block for the conversion-error accessors, created without the library
// check.
struct gentcb *block_without_check()
{
    if (gentcb == nullptr)
        gentcb = gentcb_alloc();
    return gentcb;
}

} // namespace

extern "C" void genfill(struct gentcb *block)
{
    std::memset(block, 0, sizeof *block);
    block->gt_catfd = -1;
}

extern "C" struct gentcb *gentcb_alloc(void)
{
    auto *block = static_cast<struct gentcb *>(std::malloc(sizeof(struct gentcb)));
    if (block != nullptr)
        genfill(block);
    return block;
}

extern "C" int checkGenApi(void)
{
    return 0;
}

extern "C" struct gentcb *CheckGenInit(void)
{
    if (gentcb == nullptr) {
        gentcb = gentcb_alloc();
        if (gentcb != nullptr)
            gentcb->gt_status = checkGenApi();
    }
    return gentcb;
}

extern "C" int getgenerr(void)
{
    const struct gentcb *block = CheckGenInit();
    return block != nullptr ? block->gt_status : 0;
}

extern "C" void set_toerrno(int error)
{
    if (struct gentcb *block = block_without_check())
        block->gt_toerrno = error;
}

extern "C" int get_toerrno(void)
{
    const struct gentcb *block = block_without_check();
    return block != nullptr ? block->gt_toerrno : kNoMemory;
}

extern "C" int set_glserror(int error)
{
    struct gentcb *block = CheckGenInit();
    if (block == nullptr)
        return kNoMemory;
    block->gt_glserror = error;
    return error;
}

extern "C" int get_glserror(void)
{
    const struct gentcb *block = CheckGenInit();
    return block != nullptr ? block->gt_glserror : kNoMemory;
}

extern "C" int trwGEN_setFloatType(int floattype)
{
    if (struct gentcb *block = CheckGenInit())
        block->gt_floattype = floattype;
    return floattype;
}

extern "C" int trwGEN_getFloatType(void)
{
    const struct gentcb *block = CheckGenInit();
    return block != nullptr ? block->gt_floattype : -1;
}

extern "C" int gset_dbver(int version)
{
    if (struct gentcb *block = CheckGenInit())
        block->gt_flags |= GENTCB_LONGID;
    return version;
}

extern "C" int gget_dbver(void)
{
    const struct gentcb *block = CheckGenInit();
    return block != nullptr ? static_cast<int>(block->gt_flags & GENTCB_LONGID) : 0;
}

extern "C" int gen_setansidb(int flag)
{
    ansidb = static_cast<int16_t>(flag);
    return flag;
}

extern "C" void *CheckSaveAreaInit(void)
{
    return CheckGlsEnv()->save_area;
}
