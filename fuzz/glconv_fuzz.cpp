// libFuzzer target for the conversion routines: fuzzed bytes go through one
// of several generated conversions (the first byte chooses it and the
// output size) into an output buffer of exactly that size; the result must
// equal converting the same bytes in two pieces, and pointers and counts
// must describe exactly what was converted, and text converted between
// 8859-1 and UTF-8 must convert back unchanged. The conversions come from the
// data tree the build lays out.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl_conv.h"
#include "gl_errno.h"

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

struct Pair {
    const char *target, *source;
};
constexpr Pair kPairs[] = {{"utf8", "8859-1"}, {"8859-1", "utf8"}, {"utf8", "sjis"}, {"sjis", "utf8"},
                           {"1252", "8859-1"}, {"sjis", "ujis"},   {"big5", "utf8"}, {"utf8", "ksc"}};
constexpr int kCount = sizeof kPairs / sizeof kPairs[0];

gl_cvdesc *descriptor(int i)
{
    static gl_cvdesc *loaded[kCount] = {};
    if (loaded[i] == nullptr) {
        setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 0);
        if (gl_cv_load(&loaded[i], kPairs[i].target, kPairs[i].source, nullptr, nullptr) != 1)
            std::abort();
    }
    return loaded[i];
}

struct Run {
    int rc, error, consumed;
    std::string out;
    bool substituted;
};

Run run(gl_cvdesc *cd, const char *in, int n, int room)
{
    std::vector<char> out(static_cast<size_t>(room));
    char *ip = const_cast<char *>(in), *op = out.data();
    int il = n, ol = room, substituted = 0;
    int rc = gl_miconv(cd, &ip, &il, &op, &ol, &substituted);
    check(ip - in == n - il && il >= 0 && op - out.data() == room - ol && ol >= 0);
    Run r{rc, rc != 0 ? cd->error : 0, n - il, std::string(out.data(), op), substituted != 0};
    if (rc != 0)
        check(r.error == GL_EILSEQ || r.error == GL_EINVAL || r.error == GL_E2BIG);
    else
        check(il == 0);
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    gl_cvdesc *cd = descriptor(data[0] % kCount);
    int room = data[1];
    std::vector<char> in(data + 2, data + size);
    const int n = static_cast<int>(in.size());
    Run whole = run(cd, in.data(), n, room);
    // The same bytes in two pieces, the second where the first stopped.
    int cut = n / 2;
    Run first = run(cd, in.data(), cut, room);
    if (first.rc != 0 && first.error != GL_EINVAL) {
        // A failure inside the first half is the same failure for the whole.
        check(whole.rc == first.rc && whole.error == first.error && whole.consumed == first.consumed &&
              whole.out == first.out);
    } else if (first.rc == 0 && whole.rc == 0) {
        Run second = run(cd, in.data() + cut, n - cut, room - static_cast<int>(first.out.size()));
        check(second.rc == 0 && first.out + second.out == whole.out);
    }
    // Counting only gives the length of the unlimited output.
    char *ip = in.data();
    int il = n;
    int len = gl_mconvlen(cd, nullptr, &ip, &il, nullptr);
    Run unlimited = run(cd, in.data(), n, 4 * n + 4);
    check(len == (unlimited.rc == 0 ? static_cast<int>(unlimited.out.size()) : -1));
    // 8859-1 and UTF-8 are each other's inverse: what converts one way
    // converts back to the bytes it came from, unless a stand-in replaced a
    // character.
    const int pair = data[0] % kCount;
    if ((pair == 0 || pair == 1) && unlimited.rc == 0 && !unlimited.substituted) {
        Run back = run(descriptor(1 - pair), unlimited.out.data(), static_cast<int>(unlimited.out.size()), n + 4);
        check(back.rc == 0 && back.out == std::string(in.data(), in.size()));
    }
    return 0;
}
