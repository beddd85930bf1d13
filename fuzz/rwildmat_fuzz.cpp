// libFuzzer target for MATCHES and LIKE. The input: a flag byte (ANSI
// database, LIKE or MATCHES, normalisation, UTF-8 or single-byte client
// locale), the escape byte, then a pattern and a text split at the first
// 0xFF byte. The pattern and text are handed over in exact-size heap copies
// with no terminator after them, so any read past the given lengths is an
// overflow the sanitizer reports. All four entry points run; the direct
// matchers must agree on single-byte text; lists are freed.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gentcb.h"
#include "glsenv.h"
#include "rwildmat.h"

namespace {

GlsEnv *utf8_env()
{
    static GlsEnv *env = [] {
        GlsEnvLocale request{};
        request.setting[GLS_CLIENT_LOCALE] = "en_US.utf8";
        GlsEnv *e = nullptr;
        return CreateGlsEnv(&request, &e, 1) == 0 ? e : nullptr;
    }();
    return env;
}

void run(const uint8_t *data, size_t size)
{
    if (size < 2)
        return;
    uint8_t flags = data[0];
    int escape = data[1] == 0 ? '\\' : data[1];
    const uint8_t *rest = data + 2;
    size_t n = size - 2;
    const uint8_t *cut = static_cast<const uint8_t *>(std::memchr(rest, 0xFF, n));
    size_t pn = cut ? static_cast<size_t>(cut - rest) : n / 2;
    size_t tstart = cut ? pn + 1 : pn;
    size_t tn = n - tstart;
    bool like = flags & 2, normalise = flags & 4;
    int as = like ? '%' : '*', ao = like ? '_' : '?';
    gen_setansidb(flags & 1);
    SetGlsEnv(flags & 8 ? utf8_env() : nullptr);

    // Exact-size copies: no terminator after the bytes.
    std::vector<char> pattern(rest, rest + pn), text(rest + tstart, rest + tstart + tn);
    int r = rescfixstrmatch(text.data(), static_cast<int>(tn), pattern.data(), static_cast<int>(pn), as, ao, escape);
    if (r != 0 && r != 1)
        std::abort();

    // Wide copies (each byte one character, as far as a zero byte).
    std::vector<uint32_t> wp, wt;
    for (size_t i = 0; i < pn && pattern[i] != 0; ++i)
        wp.push_back(static_cast<unsigned char>(pattern[i]));
    for (size_t i = 0; i < tn && text[i] != 0; ++i)
        wt.push_back(static_cast<unsigned char>(text[i]));
    wp.push_back(0);
    wt.push_back(0);
    int w = rescwildmatch(wt.data(), wp.data(), as, ao, escape);
    if (w != r && !(flags & 8))
        std::abort(); // the two direct matchers follow one set of rules

    std::string tz(text.begin(), text.end()), pz(pattern.begin(), pattern.end());
    int m = rwildmatch(tz.c_str(), pz.c_str(), as, ao);
    if (m < -1 || m > 1)
        std::abort();

    relist *list = rcnvtorelist(wp.data(), as, ao, escape, normalise);
    if (list != nullptr) {
        int c = rrewildmatch(text.data(), static_cast<int>(tn), list, normalise);
        if (c != 0 && c != 1)
            std::abort();
        // A negative length is the empty text; no text with a length, or no
        // list, matches nothing.
        if (rrewildmatch(text.data(), -1, list, normalise) != rrewildmatch("", 0, list, normalise) ||
            rrewildmatch(nullptr, 3, list, normalise) != 0 || rrewildmatch(text.data(), 0, nullptr, 0) != 0)
            std::abort();
        rfreerelist(list);
    }
    SetGlsEnv(nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool init = [] {
        setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 0);
#ifdef RWILDMAT_CLIENT_LOCALE
        setenv("CLIENT_LOCALE", RWILDMAT_CLIENT_LOCALE, 1);
#endif
        return true;
    }();
    (void)init;
    run(data, size);
    return 0;
}
