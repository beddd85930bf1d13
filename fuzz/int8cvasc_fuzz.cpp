// libFuzzer target for INT8 text: the input (up to 4 KiB, in a buffer of
// exactly its length, no terminator) is read by trw_int8cvasc. An accepted
// text's value must write with trw_int8tostr and read back the same; a
// rejected text must leave the record alone. Any exponent costs no more
// than its digits (the fuzzer's timeout catches a loop per power of ten).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "int8.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 1);
    setenv("CLIENT_LOCALE", std::getenv("TRW_FUZZ_LOCALE") ? std::getenv("TRW_FUZZ_LOCALE") : "en_US.8859-1", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    std::unique_ptr<char[]> text(new char[size > 0 ? size : 1]);
    if (size > 0)
        std::memcpy(text.get(), data, size);
    const int8value sentinel = {{0xDEADBEEF, 0x01234567}, 7};
    int8value v = sentinel;
    const int status = trw_int8cvasc(text.get(), static_cast<int>(size), &v);
    if (std::memcmp(text.get(), data, size) != 0)
        std::abort(); // the text was written
    if (status != 0) {
        if (v.data[0] != sentinel.data[0] || v.data[1] != sentinel.data[1] || v.sign != sentinel.sign)
            std::abort();
        return 0;
    }
    if (v.sign == 0)
        return 0;
    if ((v.sign != 1 && v.sign != -1) || v.data[1] >> 31 != 0 || (v.sign == -1 && v.data[0] == 0 && v.data[1] == 0))
        std::abort(); // not a well-formed result
    char buf[22];
    if (trw_int8tostr(&v, buf, sizeof buf) != 0)
        std::abort();
    int8value back = sentinel;
    if (trw_int8cvasc(buf, static_cast<int>(std::strlen(buf)), &back) != 0 || trw_int8cmp(&v, &back) != 0 ||
        back.sign != v.sign)
        std::abort();
    return 0;
}
