// libFuzzer target for the locale file reader: the input is written as a
// locale file and loaded whole (as default.lco) and as a single category
// chosen by its first byte; whatever loads is then looked up for the keys
// its tries may hold and every table the record keeps. No input may crash,
// overrun or allocate without bound; every failure is an error number.
// Properties of what loads: every trie value indexes its table, and the
// collation orders texts (a text equals itself; swapped texts, swapped
// order).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// The keys probed: every single byte, and every second byte after the lead
// bytes of the multibyte code sets (EUC, Shift-JIS, Big5, UTF-8 two- and
// three-byte forms), as the tries take them (length first).
template <typename F> void for_each_key(F f)
{
    static const unsigned char leads[] = {0x81, 0x8e, 0x8f, 0xa4, 0xb0, 0xc3, 0xe3, 0xf0};
    for (unsigned a = 0; a < 256; ++a) {
        const unsigned char one[2] = {1, static_cast<unsigned char>(a)};
        f(one);
        for (unsigned char lead : leads) {
            const unsigned char two[3] = {2, lead, static_cast<unsigned char>(a)};
            f(two);
        }
    }
}

// Looks the keys up in each trie and checks that every value indexes its
// table (case pairs 1..case_pair_count, weight rows 0..highest_row), then
// reads the tables the record keeps.
void check_tables(gl_locale *loc)
{
    check(loc->levels >= 0 && loc->levels <= GL_MAX_LEVELS);
    unsigned sink = 0;
    for_each_key([&](const unsigned char *key) {
        if (loc->case_trie) {
            if (const void *v = _gl_retrieve_desc_multi(key, loc->case_trie)) {
                uint16_t idx;
                std::memcpy(&idx, v, 2);
                check(idx <= loc->case_pair_count);
                if (idx)
                    sink += static_cast<unsigned>(loc->case_pairs[idx].upper);
            }
        }
        if (loc->weight_trie) {
            if (const void *v = _gl_retrieve_desc_multi(key, loc->weight_trie)) {
                uint16_t row;
                std::memcpy(&row, v, 2);
                check(row <= loc->highest_row);
                for (int lv = 0; lv < loc->levels; ++lv)
                    sink += loc->weights[lv][row];
            }
        }
        if (loc->class_trie)
            sink += _gl_retrieve_desc_multi(key, loc->class_trie) != nullptr;
    });
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

int sign(int v) { return (v > 0) - (v < 0); }

// The collation of a loaded record orders texts: a valid text equals
// itself, and swapping two valid texts swaps the order. The texts are
// pieces of the input.
void check_order(gl_locale *loc, const uint8_t *data, size_t size)
{
    if (loc->coll_compare == nullptr || size < 3)
        return;
    const size_t half = size / 2 < 24 ? size / 2 : 24;
    std::string a(reinterpret_cast<const char *>(data), half), b(reinterpret_cast<const char *>(data) + half, half);
    a = a.c_str();
    b = b.c_str();
    const auto *ua = reinterpret_cast<const unsigned char *>(a.c_str());
    const auto *ub = reinterpret_cast<const unsigned char *>(b.c_str());
    loc->error = 0;
    const int self = loc->coll_compare(loc, ua, ua);
    if (loc->error != 0)
        return;
    check(self == 0);
    const int ab = loc->coll_compare(loc, ua, ub);
    if (loc->error != 0)
        return;
    const int ba = loc->coll_compare(loc, ub, ua);
    check(loc->error == 0 && sign(ab) == -sign(ba));
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
        check_tables(loc);
    if (loc->error == 0)
        check_order(loc, data + 1, size - 1);
    gl_lc_unload(loc);

    int category = GL_LC_CTYPE + data[0] % GL_LC_CATEGORIES;
    if (gl_create_null_locale_4(&loc) == 0) {
        char *q = gl_setlocale_4(loc, GL_LC_CTYPE, path.c_str());
        gl_destroystring(q);
        if (category != GL_LC_CTYPE) {
            q = gl_setlocale_4(loc, category, path.c_str());
            gl_destroystring(q);
        }
        check_tables(loc);
        gl_lc_unload(loc);
    }
    return 0;
}
