// libFuzzer target for collation. The input picks a locale (en_US.8859-1,
// en_US.utf8, ja_JP.ujis, th_TH.thai620) and an output size, then holds two
// texts split at the first 0xFF byte (a zero byte ends each). Both go
// through the compare, counted compare and transform slots and gl_wcsxfrm:
// no byte may be written at or past the output size, the transform returns
// the full key length whatever the size, invalid text gives 0 with
// GL_EILSEQ, and keys of valid text order as the compares do.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl_char.h"
#include "gl_coll.h"
#include "gl_locale.h"

namespace {

gl_locale *locale(int which)
{
    static gl_locale *locs[4] = {};
    static const char *const names[4] = {"en_US.8859-1", "en_US.utf8", "ja_JP.ujis", "th_TH.thai620"};
    if (locs[which] == nullptr && gl_lc_load(&locs[which], names[which], nullptr, nullptr) != 0)
        std::abort();
    return locs[which];
}

int sign(int v) { return (v > 0) - (v < 0); }

// The key of s through the transform slot at a small size, checked.
std::string key(gl_locale *loc, const std::string &s, int size, bool *valid)
{
    const auto *u = reinterpret_cast<const unsigned char *>(s.c_str());
    loc->error = 0;
    int full = loc->coll_transform(loc, nullptr, u, 0);
    *valid = loc->error == 0;
    if (!*valid) {
        if (full != 0 || loc->error != GL_EILSEQ)
            std::abort();
        return {};
    }
    std::vector<unsigned char> small(static_cast<size_t>(size) + 8, 0xEE);
    if (loc->coll_transform(loc, small.data(), u, size) != full)
        std::abort();
    for (size_t i = static_cast<size_t>(size); i < small.size(); ++i)
        if (small[i] != 0xEE)
            std::abort();
    std::string k(static_cast<size_t>(full) + 1, '\0');
    loc->coll_transform(loc, reinterpret_cast<unsigned char *>(k.data()), u, full + 1);
    k.resize(static_cast<size_t>(full));
    return k;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool init = [] {
        setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 0);
        return true;
    }();
    (void)init;
    if (size < 2)
        return 0;
    gl_locale *loc = locale(data[0] & 3);
    int out_size = data[1] % 24;
    std::string rest(reinterpret_cast<const char *>(data + 2), size - 2);
    size_t cut = rest.find('\xff');
    std::string a = rest.substr(0, cut), b = cut == std::string::npos ? std::string() : rest.substr(cut + 1);
    a = a.substr(0, a.find('\0'));
    b = b.substr(0, b.find('\0'));
    bool va, vb;
    std::string ka = key(loc, a, out_size, &va), kb = key(loc, b, out_size, &vb);
    const auto *ua = reinterpret_cast<const unsigned char *>(a.c_str());
    const auto *ub = reinterpret_cast<const unsigned char *>(b.c_str());
    loc->error = 0;
    int c = loc->coll_compare(loc, ua, ub);
    bool valid = loc->error == 0;
    if (valid != (va && vb) || (!valid && (c != 0 || loc->error != GL_EILSEQ)))
        std::abort();
    loc->error = 0;
    int n = loc->coll_ncompare(loc, ua, static_cast<int>(a.size()), ub, static_cast<int>(b.size()));
    if (valid && (sign(n) != sign(c) || sign(ka.compare(kb)) != sign(c)))
        std::abort();
    if (valid) {
        std::vector<gl_wchar_t> w(a.size() + 1);
        if (gl_mbstowcs(loc, w.data(), a.c_str(), static_cast<int>(w.size())) >= 0 && (data[0] & 3) != 3) {
            std::vector<unsigned char> out(static_cast<size_t>(out_size) + 8, 0xEE);
            if (gl_wcsxfrm(loc, out.data(), w.data(), out_size) != static_cast<int>(ka.size()))
                std::abort();
            for (size_t i = static_cast<size_t>(out_size); i < out.size(); ++i)
                if (out[i] != 0xEE)
                    std::abort();
        }
    }
    return 0;
}
