// libFuzzer target: the number and money parsers and the text-to-number
// helpers. The first byte chooses the locale and the reader; the rest is a
// format and a text split at the first byte 0x01 (the text alone for the
// helpers). Every "%s" target is as large as the text can fill. End
// positions stay inside the text, accepted numbers convert to text and
// back to the same value, and the wide readers read ASCII text as the
// multibyte ones do.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl_errno.h"
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

// ASCII text as wide characters (the same characters in every locale);
// false for other text.
bool ascii_wide(const std::string &text, std::vector<gl_wchar_t> *out)
{
    out->clear();
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
        out->push_back(static_cast<unsigned char>(c));
    }
    out->push_back(0);
    return true;
}

// Integers in other bases, valid or not: a base outside 0 and 2..36 reads
// nothing.
void integers_in_base(gl_locale *loc, const std::string &text, int base)
{
    char *end = nullptr;
    gl_mbstol(loc, text.c_str(), &end, base, 0);
    inside(end, text);
    const bool bad = base < 0 || base == 1 || base > 36;
    if (bad && (end != text.c_str() || loc->error == 0))
        std::abort();
    std::vector<gl_wchar_t> w;
    if (ascii_wide(text, &w)) {
        gl_wchar_t *wend = nullptr;
        const uint64_t wide = gl_wcstoul(loc, w.data(), &wend, base, 0);
        const uint64_t narrow = gl_mbstoul(loc, text.c_str(), &end, base, 0);
        if (wide != narrow || wend - w.data() != end - text.c_str())
            std::abort(); // the wide reader reads the same number
    }
}

// Missing texts and formats: nothing read (error 2, a null argument).
void null_arguments(gl_locale *loc)
{
    char *end = nullptr;
    gl_wchar_t *wend = nullptr;
    static const gl_wchar_t wformat[] = {'%', 'd', 0};
    int target = 0;
    void *targets[1] = {&target};
    double amount = 0;
    const bool checks[] = {
        gl_mbstol(loc, nullptr, &end, 10, 0) == 0,
        end == nullptr,
        gl_wcstol(loc, nullptr, &wend, 10, 0) == 0,
        gl_mbstoul(loc, nullptr, &end, 10, 0) == 0,
        gl_wcstoul(loc, nullptr, &wend, 10, 0) == 0,
        gl_mbstod(loc, nullptr, &end, 0) == 2147483647.0,
        gl_wcstod(loc, nullptr, &wend, 0) == 2147483647.0,
        _gl_mbspnum_targets(loc, nullptr, "%d", targets, 1) == -1,
        _gl_wcspnum_targets(loc, nullptr, wformat, targets, 1) == -1,
        gl_mbspnum(loc, "1", nullptr, &target) == -1,
        gl_wcspnum(loc, nullptr, wformat, &target) == -1,
        gl_mbspmon(loc, nullptr, "%n", &amount) == nullptr,
        gl_wcspmon(loc, wformat, nullptr, &amount) == nullptr,
        loc->error == GL_ENULLARG,
    };
    bool refused = true;
    for (std::size_t i = 0; i < sizeof checks / sizeof checks[0]; ++i)
        if (!checks[i]) {
            std::fprintf(stderr, "null argument check %zu failed\n", i);
            refused = false;
        }
    if (!refused)
        std::abort();
}

// A format of at most four conversions read by the variadic parsers with
// four targets: the same count as the array form. Positional conversions
// ("%7$d") may name a later argument than there are conversions, which
// would make the parser read arguments never passed: they are left out.
void variadic_agrees(gl_locale *loc, const std::string &text, const std::string &format, int count)
{
    if (std::count(format.begin(), format.end(), '%') > 4 || format.find('$') != std::string::npos)
        return;
    std::vector<std::vector<char>> buffers(4, std::vector<char>(text.size() * 4 + 16));
    if (gl_mbspnum(loc, text.c_str(), format.c_str(), buffers[0].data(), buffers[1].data(), buffers[2].data(),
                   buffers[3].data()) != count)
        std::abort();
    std::vector<gl_wchar_t> wtext, wformat;
    if (ascii_wide(text, &wtext) && ascii_wide(format, &wformat) &&
        gl_wcspnum(loc, wtext.data(), wformat.data(), buffers[0].data(), buffers[1].data(), buffers[2].data(),
                   buffers[3].data()) != count)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    gl_locale *loc = fuzz_locale(data[0]);
    static const bool nulls_checked = (null_arguments(loc), true);
    (void)nulls_checked;
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
        const int n = _gl_mbspnum_targets(loc, text.c_str(), format.c_str(), p, GL_FMT_MAX_VALUES);
        variadic_agrees(loc, text, format, n);
        std::vector<gl_wchar_t> wtext, wformat;
        if (ascii_wide(text, &wtext) && ascii_wide(format, &wformat)) {
            for (int i = 0; i < GL_FMT_MAX_VALUES; ++i)
                p[i] = buffers[static_cast<size_t>(i)].data();
            if (_gl_wcspnum_targets(loc, wtext.data(), wformat.data(), p, GL_FMT_MAX_VALUES) != n)
                std::abort(); // as many values read from the wide text
        }
        break;
    }
    case 1: {
        integers_round_trip(loc, text, data[0] & 0x40 ? 1 : 0);
        static const int kBases[] = {0, 1, 2, 8, 36, 37, -1};
        integers_in_base(loc, text, kBases[size % 7]);
        break;
    }
    case 2:
        doubles_round_trip(loc, text, data[0] & 0x40 ? 1 : 0);
        break;
    default: {
        double amount = 0;
        const char *end = gl_mbspmon(loc, text.c_str(), format.c_str(), &amount);
        inside(end, text);
        std::vector<gl_wchar_t> wtext, wformat;
        if (ascii_wide(text, &wtext) && ascii_wide(format, &wformat)) {
            double wide_amount = 0;
            const gl_wchar_t *wend = gl_wcspmon(loc, wtext.data(), wformat.data(), &wide_amount);
            if ((wend == nullptr) != (end == nullptr) ||
                (end != nullptr && (wend - wtext.data() != end - text.c_str() ||
                                    std::memcmp(&wide_amount, &amount, sizeof amount) != 0)))
                std::abort(); // the wide reader reads the same amount
        }
        break;
    }
    }
    return 0;
}
