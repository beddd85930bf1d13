// libFuzzer target for the Unicode service (GL_USEGLU=1 over the built data
// tree). The first byte picks what runs and the second an output size
// (0..63); the rest holds two texts split at the first 0xFF byte.
//   0-1: served collation (en_US.utf8, ja_JP.utf8): compare, counted
//        compare and transform; nothing written at or past the size, the
//        full key length returned, invalid text gives 0 with error 1, and
//        key order equals compare order;
//   2-5: served conversions (8859-1 -> sjis, sjis -> 8859-1, big5 -> ujis,
//        utf8 -> koi8-r) into the small output: nothing written past it,
//        errors only 1, 7 or 14, the input advanced within its bounds, and
//        what was written a prefix of the unlimited conversion;
//   6:   the text as a locmap file, read by the service's glu_loadMapData:
//        a map or error 8 (3 for memory), never a crash.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl_coll.h"
#include "gl_conv.h"
#include "gl_dl.h"
#include "gl_errno.h"
#include "gl_locale.h"

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

struct Served {
    gl_locale *locales[2] = {};
    gl_cvdesc *conversions[4] = {};
    void *(*load_map)(const char *, const char *, int16_t *) = nullptr;
    void (*unload_map)(void *, int16_t *) = nullptr;
    std::string dir;
};

Served &served()
{
    static Served s = [] {
        Served r;
        setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 0);
        setenv("GL_USEGLU", "1", 1);
        gl_useglu(2);
        const char *names[2] = {"en_US.utf8", "ja_JP.utf8"};
        for (int i = 0; i < 2; ++i)
            if (gl_lc_load(&r.locales[i], names[i], nullptr, nullptr) != 0 || r.locales[i]->coll_kind != GL_COLL_UNICODE)
                std::abort();
        const char *pairs[4][2] = {{"ja_JP.sjis", "de_DE.8859-1"},
                                   {"de_DE.8859-1", "ja_JP.sjis"},
                                   {"ja_JP.ujis", "zh_TW.big5"},
                                   {"ru_RU.koi8-r", "en_US.utf8"}};
        for (int i = 0; i < 4; ++i)
            if (gl_cv_load(&r.conversions[i], pairs[i][0], pairs[i][1], nullptr, nullptr) != 1 ||
                r.conversions[i]->glu_served != 1)
                std::abort();
        void *lib = dlopen((std::string(TRW_FUZZ_DATA_DIR) + "/gls/dll/libtrwglu.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (lib == nullptr)
            std::abort();
        r.load_map = reinterpret_cast<void *(*)(const char *, const char *, int16_t *)>(dlsym(lib, "glu_loadMapData"));
        r.unload_map = reinterpret_cast<void (*)(void *, int16_t *)>(dlsym(lib, "glu_unloadMapData"));
        char pattern[] = "/tmp/glufuzz.XXXXXX";
        if (r.load_map == nullptr || r.unload_map == nullptr || mkdtemp(pattern) == nullptr)
            std::abort();
        r.dir = pattern;
        return r;
    }();
    return s;
}

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

void collate(gl_locale *loc, const std::string &a, const std::string &b, int size)
{
    bool va = false, vb = false;
    std::string ka = key(loc, a, size, &va), kb = key(loc, b, size, &vb);
    const auto *ua = reinterpret_cast<const unsigned char *>(a.c_str());
    const auto *ub = reinterpret_cast<const unsigned char *>(b.c_str());
    loc->error = 0;
    int c = sign(loc->coll_compare(loc, ua, ub));
    int n = sign(loc->coll_ncompare(loc, ua, static_cast<int>(a.size()), ub, static_cast<int>(b.size())));
    if (!(va && vb)) {
        if (loc->error != GL_EILSEQ)
            std::abort();
        return;
    }
    if (loc->error != 0 || c != n || c != sign(std::strcmp(ka.c_str(), kb.c_str())))
        std::abort();
}

void convert(gl_cvdesc *cd, const std::string &text, int size)
{
    std::string full(text.size() * 4 + 8, '\0');
    char *ip = const_cast<char *>(text.data()), *op = full.data();
    int il = static_cast<int>(text.size()), ol = static_cast<int>(full.size());
    int full_rc = gl_cv_mconv(cd, nullptr, &ip, &il, &op, &ol, nullptr);
    full.resize(static_cast<size_t>(op - full.data()));
    std::vector<char> out(static_cast<size_t>(size) + 8, '\x5a');
    ip = const_cast<char *>(text.data()), op = out.data();
    il = static_cast<int>(text.size()), ol = size;
    cd->error = 0;
    int rc = gl_cv_mconv(cd, nullptr, &ip, &il, &op, &ol, nullptr);
    auto written = static_cast<size_t>(op - out.data());
    if (written > static_cast<size_t>(size) || ol != size - static_cast<int>(written) || ip < text.data() ||
        ip > text.data() + text.size() || il != static_cast<int>(text.data() + text.size() - ip))
        std::abort();
    for (size_t i = static_cast<size_t>(size); i < out.size(); ++i)
        if (out[i] != '\x5a')
            std::abort();
    if (rc != 0 && cd->error != GL_EILSEQ && cd->error != GL_EINVAL && cd->error != GL_E2BIG)
        std::abort();
    if (full.compare(0, written, out.data(), written) != 0 || (rc == 0 && full_rc != 0))
        std::abort();
}

void read_locmap(Served &s, const uint8_t *data, size_t size)
{
    std::string path = s.dir + "/locmap";
    FILE *f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    int16_t err = 0;
    void *map = s.load_map(s.dir.c_str(), "locmap", &err);
    if ((map == nullptr) == (err == 0) || (err != 0 && err != 8 && err != 3))
        std::abort();
    if (map != nullptr)
        s.unload_map(map, &err);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    Served &s = served();
    const int what = data[0] % 7, out_size = data[1] % 64;
    if (what == 6) {
        read_locmap(s, data + 2, size - 2);
        return 0;
    }
    std::string rest(reinterpret_cast<const char *>(data + 2), size - 2);
    size_t cut = rest.find('\xff');
    std::string a = rest.substr(0, cut), b = cut == std::string::npos ? std::string() : rest.substr(cut + 1);
    a = a.substr(0, a.find('\0'));
    b = b.substr(0, b.find('\0'));
    if (what < 2)
        collate(s.locales[what], a, b, out_size);
    else
        convert(s.conversions[what - 2], rest, out_size);
    return 0;
}
