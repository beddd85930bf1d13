// libFuzzer target: the number and money parsers and the text-to-number
// helpers. The first byte chooses the locale and the reader; the rest is a
// format and a text split at the first byte 0x01 (the text alone for the
// helpers). Every "%s" target is as large as the text can fill. End
// positions stay inside the text, and accepted numbers convert to text and
// back to the same value.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl_monfmt.h"
#include "gl_numfmt.h"
#include "glfmt_locales.h"

namespace {

void inside(const char *end, const std::string &text)
{
    if (end != nullptr && (end < text.c_str() || end > text.c_str() + text.size()))
        std::abort();
}

void integers_round_trip(gl_locale *loc, const std::string &text, int grouping)
{
    char *end = nullptr;
    const int64_t v = gl_mbstol(loc, text.c_str(), &end, 10, grouping);
    inside(end, text);
    if (end != text.c_str() && loc->error == 0) {
        char back[128];
        if (gl_ltombs(loc, back, sizeof back, v, 10, grouping) < 0 || gl_mbstol(loc, back, &end, 10, grouping) != v)
            std::abort();
    }
    const uint64_t u = gl_mbstoul(loc, text.c_str(), &end, 16, grouping);
    inside(end, text);
    (void)u;
}

void doubles_round_trip(gl_locale *loc, const std::string &text, int grouping)
{
    char *end = nullptr;
    const double d = gl_mbstod(loc, text.c_str(), &end, grouping);
    inside(end, text);
    if (end != text.c_str() && loc->error == 0 && std::isfinite(d)) {
        char back[64];
        if (gl_mbsfnum(loc, back, sizeof back, "%.17e", d) < 0 || gl_mbstod(loc, back, &end, 0) != d)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    gl_locale *loc = fuzz_locale(data[0]);
    const std::string input(reinterpret_cast<const char *>(data) + 1, size - 1);
    const size_t split = input.find('\x01');
    const std::string format = split == std::string::npos ? "%n" : input.substr(0, split);
    const std::string text = split == std::string::npos ? input : input.substr(split + 1);
    switch ((data[0] >> 2) % 4) {
    case 0: {
        std::vector<std::vector<char>> buffers(GL_FMT_MAX_VALUES, std::vector<char>(text.size() * 4 + 16));
        void *p[GL_FMT_MAX_VALUES];
        for (int i = 0; i < GL_FMT_MAX_VALUES; ++i)
            p[i] = buffers[static_cast<size_t>(i)].data();
        _gl_mbspnum_targets(loc, text.c_str(), format.c_str(), p, GL_FMT_MAX_VALUES);
        break;
    }
    case 1:
        integers_round_trip(loc, text, data[0] & 0x40 ? 1 : 0);
        break;
    case 2:
        doubles_round_trip(loc, text, data[0] & 0x40 ? 1 : 0);
        break;
    default: {
        double amount = 0;
        const char *end = gl_mbspmon(loc, text.c_str(), format.c_str(), &amount);
        inside(end, text);
        break;
    }
    }
    return 0;
}
