// libFuzzer target: the number and money formatters with the input as the
// format. The first byte chooses the locale and the language, the second the
// output size; every value the format announces gets a value of its kind.
// Nothing may be written beyond the size, a result must be the text's
// length, and no argument is read that the format does not describe (too
// few values or a value of another kind are refused); the wide and the
// variadic forms write what the array form writes. The integer writers run
// on the input's first bytes as a number, against the C library's text.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gl_errno.h"
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

size_t wide_length(const gl_wchar_t *w)
{
    size_t n = 0;
    while (w[n] != 0)
        ++n;
    return n;
}

// The format as wide characters when it is all ASCII (the same characters
// in every locale), else empty.
std::basic_string<gl_wchar_t> ascii_wide(const std::string &format)
{
    std::basic_string<gl_wchar_t> w;
    for (char c : format) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return {};
        w.push_back(static_cast<unsigned char>(c));
    }
    return w;
}

// The wide form writes the same characters as the multibyte one where a
// character is a byte (the single-byte locale, an ASCII format and ASCII
// output), never beyond its size, its result the characters written before
// the terminator. (A "%c" of the character 0 is written as one character,
// which ends the text the multibyte form converts back: no comparison
// then.)
void check_wide(int result, const gl_wchar_t *wide, int wide_result, const char *out, int size, bool same_text)
{
    if (wide_result >= 0 && (wide_result >= size || wide[wide_result] != 0))
        std::abort();
    if (!same_text || result < 0 || wide_result < 0 || wide_length(wide) != static_cast<size_t>(wide_result))
        return;
    bool ascii = true;
    for (int i = 0; i < result; ++i)
        ascii = ascii && static_cast<unsigned char>(out[i]) < 0x80;
    if (!ascii)
        return;
    if (wide_result != result)
        std::abort();
    for (int i = 0; i < result; ++i)
        if (wide[i] != static_cast<unsigned char>(out[i]))
            std::abort();
}

// Integer texts in the bases the input picks: base 10 and 16 without
// grouping as the C library writes them; the length needed counts the
// terminator; a base outside 2..36 fails.
void check_integers(gl_locale *loc, const uint8_t *data, size_t size)
{
    uint64_t u = 0;
    for (size_t i = 0; i < 8 && i + 2 < size; ++i)
        u = u << 8 | data[i + 2];
    const int64_t l = static_cast<int64_t>(u);
    const int base = data[1] % 40;
    const int grouping = data[0] & 0x20 ? 1 : 0;
    char out[400], oracle[80];
    gl_wchar_t wide[400];
    const int need = gl_ultombs(loc, out, sizeof out, u, base, grouping);
    const int wneed = gl_ultowcs(loc, wide, 400, u, base, grouping);
    const int lneed = gl_ltowcs(loc, wide, 400, l, base, grouping);
    if (base < 2 || base > 36) {
        if (need != -1 || wneed != -1 || lneed != -1 || out[0] != '\0' || wide[0] != 0)
            std::abort();
        return;
    }
    if (need < 2 || std::strlen(out) + 1 != static_cast<size_t>(need) || lneed < 2 ||
        wide_length(wide) + 1 != static_cast<size_t>(lneed))
        std::abort();
    if (gl_ultombs(loc, out, need - 1, u, base, grouping) != need || (need > 1 && out[0] != '\0'))
        std::abort(); // too small: empty
    if (gl_ltowcs(loc, nullptr, 0, l, base, grouping) != lneed || gl_ltowcs(loc, wide, 1, l, base, grouping) != lneed ||
        wide[0] != 0 || gl_ultombs(loc, nullptr, 0, u, base, grouping) != need)
        std::abort(); // no room: the length needed, nothing written
    if (grouping == 0 && (base == 10 || base == 16)) {
        std::snprintf(oracle, sizeof oracle, base == 10 ? "%llu" : "%llX", static_cast<unsigned long long>(u));
        gl_ultombs(loc, out, sizeof out, u, base, 0);
        if (std::strcmp(out, oracle) != 0)
            std::abort();
        if (base == 10) {
            std::snprintf(oracle, sizeof oracle, "%lld", static_cast<long long>(l));
            gl_ltombs(loc, out, sizeof out, l, 10, 0);
            if (std::strcmp(out, oracle) != 0)
                std::abort();
        }
    }
}

// The variadic number formatters with the values of a format of at most
// one value: what the array form writes.
int variadic_mbs(gl_locale *loc, char *out, int size, const char *format, const gl_fmt_value *v, int n)
{
    if (n == 0)
        return gl_mbsfnum(loc, out, size, format);
    switch (v[0].kind) {
    case GL_FMT_INT64: return gl_mbsfnum(loc, out, size, format, v[0].v.l);
    case GL_FMT_DOUBLE: return gl_mbsfnum(loc, out, size, format, v[0].v.d);
    case GL_FMT_MBS: return gl_mbsfnum(loc, out, size, format, v[0].v.mbs);
    case GL_FMT_WCS: return gl_mbsfnum(loc, out, size, format, v[0].v.wcs);
    default: return gl_mbsfnum(loc, out, size, format, v[0].v.i);
    }
}

int variadic_wcs(gl_locale *loc, gl_wchar_t *out, int size, const gl_wchar_t *format, const gl_fmt_value *v, int n)
{
    if (n == 0)
        return gl_wcsfnum(loc, out, size, format);
    switch (v[0].kind) {
    case GL_FMT_INT64: return gl_wcsfnum(loc, out, size, format, v[0].v.l);
    case GL_FMT_DOUBLE: return gl_wcsfnum(loc, out, size, format, v[0].v.d);
    case GL_FMT_MBS: return gl_wcsfnum(loc, out, size, format, v[0].v.mbs);
    case GL_FMT_WCS: return gl_wcsfnum(loc, out, size, format, v[0].v.wcs);
    default: return gl_wcsfnum(loc, out, size, format, v[0].v.i);
    }
}

// Missing arguments: -1 (error 2, a null argument) from every formatter,
// also for a null string value.
void null_arguments(gl_locale *loc)
{
    char out[64];
    gl_wchar_t wout[64];
    static const gl_wchar_t wformat[] = {'%', 'd', 0};
    int kinds[4];
    gl_fmt_value none{};
    none.kind = GL_FMT_MBS;
    none.v.mbs = nullptr;
    const double amount = 1.5;
    const bool checks[] = {
        _gl_mbsfnum_kinds(loc, nullptr, kinds, 4) == -1,
        _gl_wcsfnum_kinds(loc, nullptr, kinds, 4) == -1,
        _gl_mbsfnum_values(loc, nullptr, 64, "%d", &none, 1) == -1,
        _gl_wcsfnum_values(loc, wout, 64, nullptr, &none, 1) == -1,
        gl_wcsfnum(loc, nullptr, 64, wformat, 1) == -1,
        _gl_mbsfnum_values(loc, out, sizeof out, "%s", &none, 1) == -1,
        loc->error == GL_ENULLARG,
        _gl_mbsfmon_count(loc, nullptr) == -1,
        _gl_mbsfmon_values(loc, nullptr, 64, "%n", &amount, 1) == -1,
        _gl_wcsfmon_values(loc, wout, 64, nullptr, &amount, 1) == -1,
        gl_wcsfmon(loc, nullptr, 64, wformat, 1.0) == -1,
        gl_mbsfmon(loc, out, 64, nullptr, 1.0) == -1,
        gl_localeconv(nullptr) == nullptr,
    };
    bool refused = true;
    for (std::size_t i = 0; i < sizeof checks / sizeof checks[0]; ++i)
        if (!checks[i]) {
            std::fprintf(stderr, "null argument check %zu failed\n", i);
            refused = false;
        }
    _gl_mbsfnum_kinds(loc, "%ls", kinds, 4);
    gl_fmt_value no_wide{};
    no_wide.kind = GL_FMT_WCS;
    no_wide.v.wcs = nullptr;
    if (!refused || (kinds[0] == GL_FMT_WCS && _gl_mbsfnum_values(loc, out, sizeof out, "%ls", &no_wide, 1) != -1))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    gl_locale *loc = fuzz_locale(data[0]);
    static const bool nulls_checked = (null_arguments(loc), true);
    (void)nulls_checked;
    const bool money = (data[0] & 0x80) != 0;
    const int out_size = data[1] < 200 ? data[1] : 4000;
    const std::string format(reinterpret_cast<const char *>(data) + 2, size - 2);
    // Exactly out_size bytes, so that the address sanitizer sees any write
    // beyond them.
    char *out = static_cast<char *>(std::malloc(out_size > 0 ? out_size : 1));
    if (money) {
        const int n = _gl_mbsfmon_count(loc, format.c_str());
        if (n < 0) {
            // A format the counter refuses is refused by every writer too.
            const std::basic_string<gl_wchar_t> wide_format = ascii_wide(format);
            gl_wchar_t wide[8];
            if (_gl_mbsfmon_values(loc, out, out_size, format.c_str(), nullptr, 0) != -1 ||
                gl_mbsfmon(loc, out, out_size, format.c_str()) != -1 ||
                (!wide_format.empty() && gl_wcsfmon(loc, wide, 8, wide_format.c_str()) != -1))
                std::abort();
        }
        if (n >= 0) {
            double amounts[GL_FMT_MAX_VALUES] = {};
            for (int i = 0; i < n; ++i)
                amounts[i] = value_of(GL_FMT_DOUBLE, static_cast<unsigned>(i) * 7 + data[0]).v.d;
            const int result = _gl_mbsfmon_values(loc, out, out_size, format.c_str(), amounts, n);
            check_output(result, out, out_size);
            if (n == 1) {
                // An amount whose rounding carries into a new leading digit
                // (then the amounts again, for the comparisons below).
                const double nines = 9999.9999;
                check_output(_gl_mbsfmon_values(loc, out, out_size, format.c_str(), &nines, 1), out, out_size);
                check_output(_gl_mbsfmon_values(loc, out, out_size, format.c_str(), amounts, n), out, out_size);
            }
            if (n > 0 && _gl_mbsfmon_values(loc, out, out_size, format.c_str(), amounts, n - 1) != -1)
                std::abort(); // fewer amounts than the format takes
            if (n <= 3) {
                char *again = static_cast<char *>(std::malloc(out_size > 0 ? out_size : 1));
                const int variadic = gl_mbsfmon(loc, again, out_size, format.c_str(), amounts[0], amounts[1], amounts[2]);
                if (variadic != result || (result >= 0 && std::strcmp(again, out) != 0))
                    std::abort(); // the variadic form reads the same amounts
                std::free(again);
            }
            const std::basic_string<gl_wchar_t> wide_format = ascii_wide(format);
            if (!wide_format.empty()) {
                std::basic_string<gl_wchar_t> wide(static_cast<size_t>(out_size > 0 ? out_size : 1), 0);
                const int wide_result =
                    _gl_wcsfmon_values(loc, wide.data(), out_size, wide_format.c_str(), amounts, n);
                check_wide(result, wide.data(), wide_result, out, out_size, data[0] % 3 == 0);
                if (n <= 3 && gl_wcsfmon(loc, wide.data(), out_size, wide_format.c_str(), amounts[0], amounts[1],
                                         amounts[2]) != wide_result)
                    std::abort();
            }
        }
    } else {
        int kinds[GL_FMT_MAX_VALUES];
        const int n = _gl_mbsfnum_kinds(loc, format.c_str(), kinds, GL_FMT_MAX_VALUES);
        if (n < 0) {
            // A format whose values cannot be told is refused by every
            // writer too.
            const std::basic_string<gl_wchar_t> wide_format = ascii_wide(format);
            gl_wchar_t wide[8];
            if (_gl_mbsfnum_values(loc, out, out_size, format.c_str(), nullptr, 0) != -1 ||
                gl_mbsfnum(loc, out, out_size, format.c_str()) != -1 ||
                (!wide_format.empty() && gl_wcsfnum(loc, wide, 8, wide_format.c_str()) != -1))
                std::abort();
        }
        if (n >= 0) {
            gl_fmt_value values[GL_FMT_MAX_VALUES];
            for (int i = 0; i < n; ++i)
                values[i] = value_of(kinds[i], static_cast<unsigned>(i) * 3 + data[0]);
            const int result = _gl_mbsfnum_values(loc, out, out_size, format.c_str(), values, n);
            check_output(result, out, out_size);
            if (n > 0) {
                // Values the format does not describe are refused.
                if (_gl_mbsfnum_values(loc, out, out_size, format.c_str(), values, n - 1) != -1)
                    std::abort();
                gl_fmt_value wrong[GL_FMT_MAX_VALUES];
                std::memcpy(wrong, values, sizeof(gl_fmt_value) * static_cast<size_t>(n));
                wrong[n - 1].kind = kinds[n - 1] == GL_FMT_DOUBLE ? GL_FMT_INT64 : GL_FMT_DOUBLE;
                if (_gl_mbsfnum_values(loc, out, out_size, format.c_str(), wrong, n) != -1)
                    std::abort();
            }
            if (n <= 1) {
                char *again = static_cast<char *>(std::malloc(out_size > 0 ? out_size : 1));
                const int variadic = variadic_mbs(loc, again, out_size, format.c_str(), values, n);
                if (variadic != result || (result >= 0 && std::strcmp(again, out) != 0))
                    std::abort(); // the variadic form reads the same values
                std::free(again);
            }
            const std::basic_string<gl_wchar_t> wide_format = ascii_wide(format);
            int wide_kinds[GL_FMT_MAX_VALUES];
            if (!wide_format.empty()) {
                if (_gl_wcsfnum_kinds(loc, wide_format.c_str(), wide_kinds, GL_FMT_MAX_VALUES) != n ||
                    std::memcmp(wide_kinds, kinds, sizeof(int) * static_cast<size_t>(n)) != 0)
                    std::abort(); // one format, one list of values
                std::basic_string<gl_wchar_t> wide(static_cast<size_t>(out_size > 0 ? out_size : 1), 0);
                const int wide_result =
                    _gl_wcsfnum_values(loc, wide.data(), out_size, wide_format.c_str(), values, n);
                check_wide(result, wide.data(), wide_result, out, out_size, data[0] % 3 == 0);
                if (n <= 1 && variadic_wcs(loc, wide.data(), out_size, wide_format.c_str(), values, n) != wide_result)
                    std::abort();
            }
        }
    }
    std::free(out);
    check_integers(loc, data, size);
    return 0;
}
