// libFuzzer target: the code-set registry reader (as the cache reads it and
// as the sequential lookup does) and, on the same bytes, the parser of
// locale specifications with the registry just read. Properties: when the
// cache reads the text, the cache and the sequential lookup give every name
// of the text the same number; a normal form is its own normal form and
// names the code set of the specification it came from; the categories
// and the file-name form of a long specification agree with it (see
// long_forms_agree and pieces_agree). The data tree is the installed one,
// so that the path search finds its registry and locale files.
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

// A long specification's categories, one at a time, and its file-name
// form read back: every category has the code set of the whole, and a
// file-name form whose files exist (the data tree's, by the path search, or
// in a directory) reads back as a specification of the same normal form.
void long_forms_agree(const std::string &spec)
{
    Context ctx{0};
    char category[GL_OUT_BUFSIZE], fname[GL_OUT_BUFSIZE], back[GL_OUT_BUFSIZE], norm[GL_OUT_BUFSIZE],
        back_norm[GL_OUT_BUFSIZE];
    const unsigned whole = gl_lc_spec2cs_num(&ctx, spec.c_str(), nullptr);
    for (int c = 0; c <= 7; ++c) {
        const int status = gl_lc_spec2category(&ctx, spec.c_str(), c, category, nullptr);
        check(status == 0 || status == -1);
        if (status == 0)
            check(c >= 1 && c <= 6 && (whole == GL_CS_INVALID || gl_lc_spec2cs_num(&ctx, category, nullptr) == whole));
    }
    // A directory prefix longer than 256 bytes is refused.
    const std::string long_dir(300, 'd');
    check(gl_lc_spec2lc_fname(&ctx, spec.c_str(), fname, nullptr, long_dir.c_str()) == -1);
    check(gl_lc_fname2lc_spec(&ctx, spec.c_str(), back, long_dir.c_str()) == -1);
    char prefixed[GL_OUT_BUFSIZE];
    const bool with_prefix = gl_lc_spec2lc_fname(&ctx, spec.c_str(), prefixed, nullptr, TRW_FUZZ_DATA_DIR "/gls/lc11") == 0;
    if (gl_lc_spec2lc_fname(&ctx, spec.c_str(), fname, nullptr, nullptr) != 0)
        return;
    for (int round = 0; round < 4; ++round) {
        // The file names as they are (by the path search, in the data
        // tree's directory, in a missing one) and with the directory and
        // the path cookie in front.
        static const char *const kDirs[] = {nullptr, TRW_FUZZ_DATA_DIR "/gls/lc11", "/nonexistent", nullptr};
        if (round == 3 && !with_prefix)
            continue;
        if (gl_lc_fname2lc_spec(&ctx, round == 3 ? prefixed : fname, back, kDirs[round]) != 0)
            continue;
        // (A long specification has a normal form only when every entry
        // ends in " ; "; the one read back always has.)
        if (gl_lc_spec2lc_norm(&ctx, spec.c_str(), norm, nullptr) == 0)
            check(gl_lc_spec2lc_norm(&ctx, back, back_norm, nullptr) == 0 && std::strcmp(norm, back_norm) == 0);
    }
}

// A file name taken apart and put together gives a specification whose
// file name has the same pieces.
void pieces_agree(const std::string &fname)
{
    Context ctx{0};
    char lang_terr[6], number[6], modifier[5], spec[18], again[GL_OUT_BUFSIZE];
    char lt2[6], n2[6], m2[5];
    if (gl_lc_fname2lc_pieces(&ctx, fname.c_str(), lang_terr, number, modifier) != 0)
        return;
    if (gl_lc_pieces2lc_spec(&ctx, lang_terr, number, modifier, spec) != 0)
        return;
    if (gl_lc_spec2lc_fname(&ctx, spec, again, nullptr, nullptr) != 0)
        return;
    check(gl_lc_fname2lc_pieces(&ctx, again, lt2, n2, m2) == 0 && std::strcmp(lang_terr, lt2) == 0 &&
          std::strcmp(number, n2) == 0);
}

// No specification or no output: -1 and GL_EINVAL, never a crash.
void null_arguments()
{
    Context ctx{0};
    char out[GL_OUT_BUFSIZE], piece[6];
    check(gl_lc_spec2cs_num(&ctx, nullptr, nullptr) == GL_CS_INVALID);
    check(gl_lc_spec2lc_fname(&ctx, nullptr, out, nullptr, nullptr) == -1);
    check(gl_lc_spec2msg_dname(&ctx, "en_US.819", nullptr, nullptr, nullptr) == -1);
    check(gl_cs_nums2cv_fname(&ctx, 0x10000, 1, out, nullptr) == -1);
    check(gl_cs_nums2cv_fname(&ctx, 1, 2, out, std::string(300, 'd').c_str()) == -1);
    check(gl_lc_fname2lc_pieces(&ctx, nullptr, piece, piece, piece) == -1);
    check(gl_lc_pieces2lc_spec(&ctx, nullptr, "819", nullptr, out) == -1);
    check(gl_lc_spec2lc_norm(&ctx, nullptr, out, nullptr) == -1);
    check(gl_lc_short2lc_long(&ctx, nullptr, out, nullptr) == -1);
    check(gl_lc_spec2lc_short(&ctx, "en_US.819", nullptr, nullptr) == -1);
    check(gl_lc_spec2category(&ctx, nullptr, 1, out, nullptr) == -1);
    check(gl_lc_fname2lc_spec(&ctx, nullptr, out, nullptr) == -1);
    check(gl_lc_pieces2lc_spec(&ctx, "en_US", "8x9", nullptr, out) == -1); // not a number
    check(gl_lc_short2lc_long(&ctx, "en_US", nullptr, nullptr) == 0);      // only checked
    check(ctx.error != 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 0);
    return 0;
}

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
    // A text of no entry (nothing but comments, or a first name too long)
    // leaves no list, and lookups then search the installed registry.
    if (cached && gls_registry_list_cache != nullptr)
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
    long_forms_agree(spec);
    pieces_agree(spec);
    static const bool nulls_checked = (null_arguments(), true);
    (void)nulls_checked;
    gl_free_registry_cache();
    return 0;
}
