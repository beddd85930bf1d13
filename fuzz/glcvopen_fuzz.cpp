// libFuzzer target for opening conversions by name: after a flag byte, a target
// and a source specification split at the first zero byte (locale names,
// code-set names or numbers, with or without '.' and '@' parts), opened by
// gl_cv_open (names), gl_cv_load (code-set numbers through the registry)
// and gl_iconv_open (the names as given) over the data tree. Properties:
// each gives one of its results (0 with no descriptor, 1 with one, -1 with
// a static descriptor or one carrying its error number); a conversion both
// gl_cv_open and gl_cv_load open converts a text of every byte to the same
// output and status; and what opens unloads. The first byte runs the
// Unicode service (GL_USEGLU=1) when it is odd.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl_conv.h"
#include "gl_dl.h"
#include "gl_errno.h"
#include "gl_names.h"

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void check_result(int rc, gl_cvdesc *cd)
{
    if (rc == 0)
        check(cd == nullptr);
    else if (rc == 1)
        check(cd != nullptr && cd != &cd_fileerr && cd != &cd_enomem && cd != &cd_einval);
    else
        check(rc == -1 && cd != nullptr);
}

// The text of every byte value but 0, converted into a large buffer.
std::string convert_all(gl_cvdesc *cd, int *rc)
{
    std::vector<char> in;
    for (int b = 1; b < 256; ++b)
        in.push_back(static_cast<char>(b));
    std::vector<char> out(in.size() * 8);
    char *ip = in.data(), *op = out.data();
    int il = static_cast<int>(in.size()), ol = static_cast<int>(out.size());
    gl_cv_state state{1, 1, 0, 0};
    *rc = gl_cv_mconv(cd, &state, &ip, &il, &op, &ol, nullptr);
    return std::string(out.data(), static_cast<std::size_t>(op - out.data())) + "/" + std::to_string(il);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (size == 0 || size > 160)
        return 0;
    // The Unicode service runs for inputs whose first byte is odd.
    if (data[0] & 1) {
        gl_useglu(1);
        setenv("GL_USEGLU", "1", 1);
    } else {
        gl_unload_glu();
        gl_useglu(0);
        unsetenv("GL_USEGLU");
    }
    const std::string input(reinterpret_cast<const char *>(data) + 1, size - 1);
    const std::size_t cut = input.find('\0');
    const std::string target = input.substr(0, cut);
    const std::string source = cut == std::string::npos ? std::string() : input.substr(cut + 1).c_str();

    gl_cvdesc *by_name = nullptr, *by_number = nullptr, *as_given = nullptr;
    const int named = gl_cv_open(&by_name, target.c_str(), source.c_str());
    check_result(named, by_name);
    const int numbered = gl_cv_load(&by_number, target.c_str(), source.c_str(), nullptr, nullptr);
    check_result(numbered, by_number);
    const int given = gl_iconv_open(&as_given, target.c_str(), source.c_str());
    check(given == 1 || given == -1);
    check_result(given, as_given);

    if (named == 1 && numbered == 1) {
        int rc_name = 0, rc_number = 0;
        const std::string a = convert_all(by_name, &rc_name), b = convert_all(by_number, &rc_number);
        check(a == b && rc_name == rc_number);
    }
    // No place for the result, no names.
    gl_cvdesc *none = nullptr;
    check(gl_cv_load(nullptr, target.c_str(), source.c_str(), nullptr, nullptr) == -1 &&
          gl_cv_open(nullptr, target.c_str(), source.c_str()) == -1 &&
          gl_iconv_open(nullptr, target.c_str(), source.c_str()) == -1);
    check(gl_cv_open(&none, nullptr, source.c_str()) == -1 && none == &cd_einval);
    check(gl_iconv_open(&none, target.c_str(), nullptr) == -1 && none == &cd_einval);
    check(gl_cv_unload(by_name) == 0 && gl_cv_unload(by_number) == 0 && gl_cv_unload(as_given) == 0);
    return 0;
}
