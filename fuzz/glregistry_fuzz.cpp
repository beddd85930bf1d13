// libFuzzer target: the code-set registry reader (as the cache reads it and
// as the sequential lookup does) and, on the same bytes, the parser of
// locale specifications with the registry just read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "gl_names.h"

namespace {

struct Context {
    int error;
};

FILE *open_bytes(std::string &copy) { return fmemopen(copy.data(), copy.size(), "r"); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    std::string text(reinterpret_cast<const char *>(data), size);
    Context ctx{0};

    std::string copy = text;
    if (FILE *f = open_bytes(copy)) {
        _gl_registry_lookup_stream(&ctx, f, "utf8");
        std::fclose(f);
    }
    copy = text;
    if (FILE *f = open_bytes(copy)) {
        _gl_cache_registry_stream(&ctx, f);
        std::fclose(f);
    }
    // The cache (read or built in) serves names and specifications.
    gl_cs_name2cs_num(&ctx, "greek", nullptr);
    std::string spec = text.substr(0, text.find('\0'));
    char out[GL_OUT_BUFSIZE];
    char dir[GL_MSG_DNAME_SIZE];
    gl_lc_spec2lc_fname(&ctx, spec.c_str(), out, nullptr, "/d");
    gl_lc_spec2lc_norm(&ctx, spec.c_str(), out, nullptr);
    gl_lc_spec2msg_dname(&ctx, spec.c_str(), dir, nullptr, nullptr);
    gl_lc_spec2cs_num(&ctx, spec.c_str(), nullptr);
    gl_lc_short2lc_long(&ctx, spec.c_str(), out, nullptr);
    gl_lc_spec2lc_short(&ctx, spec.c_str(), out, nullptr);
    gl_is_lc_spec(&ctx, spec.c_str());
    char lang_terr[6], number[6], modifier[5];
    gl_lc_fname2lc_pieces(&ctx, spec.c_str(), lang_terr, number, modifier);
    gl_free_registry_cache();
    return 0;
}
