// libFuzzer target for the DBDATE rewritings: the old-style mask of fmtstr
// into a heap buffer of exactly its 12 bytes, and dbdate_to_gl_date's
// %-format. A rejection must be -1212, the mask must stay terminated inside
// its buffer, and an accepted mask must compile back to a mask with a day, a
// month and a year.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "glsenv.h"
#include "rdate_fuzz.h"
#include "rdateint.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    rdate_fuzz_setup("en_US.8859-1");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 64)
        return 0;
    const std::string value(reinterpret_cast<const char *>(data), size);
    std::unique_ptr<char[]> mask(new char[TRW_FMTSTR_SIZE]);
    const int status = trw::date::dbdate_to_mask(value.c_str(), mask.get());
    if (status != 0 && status != -1212)
        std::abort();
    if (std::memchr(mask.get(), '\0', TRW_FMTSTR_SIZE) == nullptr)
        std::abort();
    char *format = nullptr;
    int order[3], indicator = 0;
    const int gl_status = dbdate_to_gl_date(value.c_str(), &format, order, &indicator);
    if (gl_status != 0 && gl_status != -1212)
        std::abort();
    std::free(format);
    if (status == 0) {
        GlsEnv *env;
        if (trw::date::locale_ready(&env) != 0)
            std::abort();
        trw::date::CompiledMask compiled;
        if (trw::date::compile_mask(env, mask.get(), &compiled) != 0)
            std::abort();
        std::free(compiled.format);
        bool seen[4] = {};
        for (int i = 0; i < compiled.recorded; ++i)
            seen[compiled.order[i]] = true;
        if (compiled.recorded != 3 || !seen[1] || !seen[2] || !seen[3])
            std::abort();
    }
    return 0;
}
