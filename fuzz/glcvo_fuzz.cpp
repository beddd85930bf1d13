// libFuzzer target for the conversion object file reader: the input is
// written as a conversion file and loaded; whatever loads then converts
// every single byte, every two-byte sequence with a few leads, and the input
// itself (counted, terminated, into small exact buffers, with a shift
// state). No input may crash, overrun or allocate without bound; every
// failure is a static descriptor or an error number; counting the output
// gives what converting writes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "gl_conv.h"
#include "gl_errno.h"
#include "gl_names.h"

namespace {

std::string scratch_dir()
{
    static std::string dir = [] {
        setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 0); // the code-set registry
        gl_cache_registry(nullptr, nullptr);
        char tmpl[] = "/tmp/glcvfzXXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    return dir;
}

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// Converts in[0..n) into a buffer of exactly room bytes and checks the
// pointers and counts.
void convert(gl_cvdesc *cd, gl_cv_state *state, const unsigned char *data, size_t n, int room)
{
    std::vector<char> in(data, data + n);
    std::vector<char> out(static_cast<size_t>(room));
    char *ip = in.data(), *op = out.data();
    int il = static_cast<int>(n), ol = room, subst = -1;
    int rc = gl_cv_mconv(cd, state, &ip, &il, &op, &ol, &subst);
    check(ip - in.data() == static_cast<long>(n) - il && il >= 0);
    check(op - out.data() == room - ol && ol >= 0);
    check(subst == 0 || subst == 1);
    if (rc != 0)
        check(cd->error == GL_EILSEQ || cd->error == GL_EINVAL || cd->error == GL_E2BIG);
    else
        check(il == 0);
}

void convert_terminated(gl_cvdesc *cd, const unsigned char *data, size_t n)
{
    std::vector<char> in(data, data + n);
    in.resize(n + 8, '\0');
    char out[64], *ip = in.data(), *op = out;
    int ol = sizeof out;
    gl_cv_mconv(cd, nullptr, &ip, nullptr, &op, &ol, nullptr);
    check(ip <= in.data() + in.size());
}

void exercise(gl_cvdesc *cd, const uint8_t *data, size_t size)
{
    gl_cv_state state{1, 1, 0, 0};
    for (int b = 0; b < 256; ++b) {
        unsigned char one = static_cast<unsigned char>(b);
        convert(cd, &state, &one, 1, 8);
    }
    for (int lead : {0x81, 0xA4, 0xC3, 0xE3, 0xF0})
        for (int b = 0; b < 256; ++b) {
            unsigned char two[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(b)};
            convert(cd, nullptr, two, 2, 3);
        }
    for (int room : {0, 1, 2, 5, 64})
        convert(cd, &state, data, size, room);
    convert_terminated(cd, data, size);
    // Counting gives the length of the unlimited output, or -1 where that
    // fails.
    int il = static_cast<int>(size);
    std::vector<char> in(data, data + size);
    char *ip = in.data();
    const int len = gl_mconvlen(cd, nullptr, &ip, &il, nullptr);
    std::vector<char> out(8 * size + 16);
    ip = in.data();
    il = static_cast<int>(size);
    char *op = out.data();
    int ol = static_cast<int>(out.size());
    const int rc = gl_cv_mconv(cd, nullptr, &ip, &il, &op, &ol, nullptr);
    if (rc == 0 || cd->error != GL_E2BIG)
        check(len == (rc == 0 ? static_cast<int>(op - out.data()) : -1));
    check(gl_cv_outbuflen(cd, 10) >= 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string path = scratch_dir() + "/00010002.cvo";
    FILE *f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    gl_cvdesc *cd = nullptr;
    int rc = gl_cv_load(&cd, "2", "1", nullptr, scratch_dir().c_str());
    if (rc == 1) {
        exercise(cd, data, size < 64 ? size : 64);
    } else {
        check(rc == -1 && (cd == &cd_fileerr || cd == &cd_enomem));
    }
    gl_cv_unload(cd);
    return 0;
}
