// libFuzzer target: the number and money formatters with the input as the
// format. The first byte chooses the locale and the language, the second the
// output size; every value the format announces gets a value of its kind.
// Nothing may be written beyond the size, a result must be the text's
// length, and no argument is read that the format does not describe.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gl_monfmt.h"
#include "gl_numfmt.h"
#include "glfmt_locales.h"

namespace {

const gl_wchar_t kWide[] = {'w', 0x3042, 'x', 0};

gl_fmt_value value_of(int kind, unsigned i)
{
    static const int ints[] = {0, 1, -1, 7, -7, 99, 300, INT32_MAX, INT32_MIN, 0xe697a5, 'a'};
    static const int64_t longs[] = {0, -1, INT64_MAX, INT64_MIN, 1234567};
    static const double doubles[] = {0.0, -0.0, 1e308, -1e308, 5e-324, NAN, INFINITY, -INFINITY, 1234.5, -0.125};
    static const char *const texts[] = {"", "ab", "\xe6\x97\xa5\xe6\x9c\xac", "\xa4\xa2\xa4\xa4", "\xff"};
    gl_fmt_value v{};
    v.kind = kind;
    switch (kind) {
    case GL_FMT_INT64: v.v.l = longs[i % 5]; break;
    case GL_FMT_DOUBLE: v.v.d = doubles[i % 10]; break;
    case GL_FMT_MBS: v.v.mbs = texts[i % 5]; break;
    case GL_FMT_WCS: v.v.wcs = kWide; break;
    default: v.v.i = ints[i % 11]; break;
    }
    return v;
}

void check_output(int result, const char *out, int size)
{
    if (result >= 0 && (result >= size || std::strlen(out) != static_cast<size_t>(result)))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    gl_locale *loc = fuzz_locale(data[0]);
    const bool money = (data[0] & 0x80) != 0;
    const int out_size = data[1] < 200 ? data[1] : 4000;
    const std::string format(reinterpret_cast<const char *>(data) + 2, size - 2);
    // Exactly out_size bytes, so that the address sanitizer sees any write
    // beyond them.
    char *out = static_cast<char *>(std::malloc(out_size > 0 ? out_size : 1));
    if (money) {
        const int n = _gl_mbsfmon_count(loc, format.c_str());
        if (n >= 0) {
            double amounts[GL_FMT_MAX_VALUES];
            for (int i = 0; i < n; ++i)
                amounts[i] = value_of(GL_FMT_DOUBLE, static_cast<unsigned>(i) * 7 + data[0]).v.d;
            check_output(_gl_mbsfmon_values(loc, out, out_size, format.c_str(), amounts, n), out, out_size);
        }
    } else {
        int kinds[GL_FMT_MAX_VALUES];
        const int n = _gl_mbsfnum_kinds(loc, format.c_str(), kinds, GL_FMT_MAX_VALUES);
        if (n >= 0) {
            gl_fmt_value values[GL_FMT_MAX_VALUES];
            for (int i = 0; i < n; ++i)
                values[i] = value_of(kinds[i], static_cast<unsigned>(i) * 3 + data[0]);
            check_output(_gl_mbsfnum_values(loc, out, out_size, format.c_str(), values, n), out, out_size);
        }
    }
    std::free(out);
    return 0;
}
