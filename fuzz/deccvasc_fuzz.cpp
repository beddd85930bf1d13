// libFuzzer target for DECIMAL text: the input, of any length and without a
// terminator, is read by deccvasc. Whatever it accepts must write back with
// dectoasc, read again to the same value, and write again to the same text;
// dectoasc and the digit strings must stay within buffers of any size.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "decconv.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 1);
    setenv("CLIENT_LOCALE", std::getenv("TRW_FUZZ_LOCALE") ? std::getenv("TRW_FUZZ_LOCALE") : "en_US.8859-1", 1);
    return 0;
}

namespace {

std::string written(const decvalue &dec)
{
    char buf[300];
    if (dectoasc(&dec, buf, sizeof buf, -1) != 0)
        std::abort();
    std::string s(buf, sizeof buf);
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An exact-size copy, so that reading past the length is caught.
    std::unique_ptr<char[]> text(new char[size > 0 ? size : 1]);
    if (size > 0)
        std::memcpy(text.get(), data, size);
    decvalue dec;
    if (deccvasc(text.get(), static_cast<int>(size), &dec) != 0 || dec.sign == -1)
        return 0;
    const std::string first = written(dec);
    decvalue again;
    if (deccvasc(first.c_str(), static_cast<int>(first.size()), &again) != 0 || deccmp(&dec, &again) != 0)
        std::abort();
    if (written(again) != first)
        std::abort();
    const int len = size > 0 ? data[0] % 48 : 0;
    std::unique_ptr<char[]> small(new char[len > 0 ? len : 1]);
    dectoasc(&dec, small.get(), len, size > 1 ? data[1] % 40 - 1 : -1);
    int point;
    int sign;
    dececvt(&dec, len, &point, &sign);
    decfcvt(&dec, len, &point, &sign);
    return 0;
}
