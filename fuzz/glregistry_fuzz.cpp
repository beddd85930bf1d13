// libFuzzer target: the code-set registry reader (as the cache reads it and
// as the sequential lookup does) and, on the same bytes, the parser of
// locale specifications with the registry just read. Properties: when the
// cache reads the text, the cache and the sequential lookup give every name
// of the text the same number; a normal form is its own normal form and
// names the code set of the specification it came from.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "gl_names.h"

namespace {

struct Context {
    int error;
};

FILE *open_bytes(std::string &copy) { return fmemopen(copy.data(), copy.size(), "r"); }

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// The first words of lines, at most 9 spread over the text: the cache read
// from text answers for them as the sequential lookup over the same text
// does.
void lookups_agree(const std::string &text)
{
    std::istringstream lines(text);
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string name;
        // (A number as a name is its own number to the cache when the file
        // does not list it; the sequential lookup answers for listed names.)
        if (!(words >> name) || name[0] == '#' || name.find('\0') != std::string::npos ||
            name.find_first_not_of("0123456789") == std::string::npos)
            continue;
        names.push_back(name);
    }
    std::vector<size_t> picks;
    for (size_t i = 0; i < names.size(); i += names.size() / 8 + 1)
        picks.push_back(i);
    if (!names.empty() && picks.back() != names.size() - 1)
        picks.push_back(names.size() - 1);
    for (size_t i : picks) {
        Context a{0}, b{0};
        unsigned cached = gl_cs_name2cs_num(&a, names[i].c_str(), nullptr);
        std::string copy = text;
        FILE *f = open_bytes(copy);
        if (f == nullptr)
            return;
        unsigned sequential = _gl_registry_lookup_stream(&b, f, names[i].c_str());
        std::fclose(f);
        check(cached == sequential);
    }
}

void normal_form_stable(const std::string &spec)
{
    Context ctx{0};
    char once[GL_OUT_BUFSIZE], twice[GL_OUT_BUFSIZE];
    if (gl_lc_spec2lc_norm(&ctx, spec.c_str(), once, nullptr) != 0)
        return;
    check(std::memchr(once, '\0', sizeof once) != nullptr);
    check(gl_lc_spec2lc_norm(&ctx, once, twice, nullptr) == 0 && std::strcmp(once, twice) == 0);
    check(gl_lc_spec2cs_num(&ctx, once, nullptr) == gl_lc_spec2cs_num(&ctx, spec.c_str(), nullptr));
}

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
    bool cached = false;
    if (FILE *f = open_bytes(copy)) {
        cached = _gl_cache_registry_stream(&ctx, f) == 0;
        std::fclose(f);
    }
    if (cached)
        lookups_agree(text);
    // The cache (read or built in) serves names and specifications.
    gl_cs_name2cs_num(&ctx, "greek", nullptr);
    std::string spec = text.substr(0, text.find('\0'));
    char out[GL_OUT_BUFSIZE];
    char dir[GL_MSG_DNAME_SIZE];
    gl_lc_spec2lc_fname(&ctx, spec.c_str(), out, nullptr, "/d");
    normal_form_stable(spec);
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
