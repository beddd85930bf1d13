// libFuzzer target for the locale file reader: the input is written as a
// locale file and loaded whole (as default.lco) and as a single category
// chosen by its first byte; whatever loads is then looked up for every
// character its tries accept and every table the record keeps. No input may
// crash, overrun or allocate without bound; every failure is an error number.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "gl_locale.h"

namespace {

std::string scratch_dir()
{
    static std::string dir = [] {
        char tmpl[] = "/tmp/glfzXXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    return dir;
}

// Looks every one- and two-byte sequence up in each trie and reads the
// tables the values index.
void touch_everything(gl_locale *loc)
{
    unsigned sink = 0;
    for (unsigned a = 0; a < 256; ++a) {
        for (unsigned b = 0; b < 257; ++b) {
            unsigned char key[3] = {static_cast<unsigned char>(b == 256 ? 1 : 2), static_cast<unsigned char>(a),
                                    static_cast<unsigned char>(b)};
            if (b == 256)
                key[1] = static_cast<unsigned char>(a);
            if (loc->case_trie) {
                if (const void *v = _gl_retrieve_desc_multi(key, loc->case_trie)) {
                    uint16_t idx;
                    std::memcpy(&idx, v, 2);
                    if (idx)
                        sink += static_cast<unsigned>(loc->case_pairs[idx].upper);
                }
            }
            if (loc->weight_trie) {
                if (const void *v = _gl_retrieve_desc_multi(key, loc->weight_trie)) {
                    uint16_t row;
                    std::memcpy(&row, v, 2);
                    for (int lv = 0; lv < loc->levels; ++lv)
                        sink += loc->weights[lv][row];
                }
            }
            if (loc->class_trie)
                sink += _gl_retrieve_desc_multi(key, loc->class_trie) != nullptr;
        }
    }
    if (loc->class_map)
        for (int c = 0; c < 256; ++c)
            sink += loc->class_map[c] + loc->upper_map[c] + loc->lower_map[c];
    if (loc->time)
        for (int i = 0; i < loc->time->mon_count; ++i)
            sink += static_cast<unsigned char>(loc->time->mon[i][0]);
    gl_lc_equivalences(loc);
    for (char **p = loc->equiv_classes; p && *p; ++p)
        sink += static_cast<unsigned char>(**p);
    volatile unsigned keep = sink;
    static_cast<void>(keep);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const std::string dir = scratch_dir();
    const std::string path = dir + "/default.lco";
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    gl_locale *loc = nullptr;
    gl_createlocale2_4(&loc, (dir + "/").c_str());
    if (loc->error == 0)
        touch_everything(loc);
    gl_lc_unload(loc);

    int category = GL_LC_CTYPE + data[0] % GL_LC_CATEGORIES;
    if (gl_create_null_locale_4(&loc) == 0) {
        char *q = gl_setlocale_4(loc, GL_LC_CTYPE, path.c_str());
        gl_destroystring(q);
        if (category != GL_LC_CTYPE) {
            q = gl_setlocale_4(loc, category, path.c_str());
            gl_destroystring(q);
        }
        touch_everything(loc);
        gl_lc_unload(loc);
    }
    return 0;
}
