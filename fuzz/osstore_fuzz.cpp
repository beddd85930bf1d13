// libFuzzer target: the loaders of stored primitive values over arbitrary
// bytes. Loading never reads past the field, and storing what was loaded
// gives the field back where the layout allows it.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "osstore.h"

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void char_fields(const std::uint8_t *data, std::size_t size)
{
    // The first byte is the width; the field is exactly the rest.
    const int n = static_cast<int>(std::min<std::size_t>(data[0], size - 1));
    const char *field = reinterpret_cast<const char *>(data + 1);
    std::vector<char> field_copy(field, field + n);
    std::vector<char> text(static_cast<std::size_t>(n) + 1);
    ldchar(field_copy.data(), n, text.data());
    const std::size_t length = std::strlen(text.data());
    check(length <= static_cast<std::size_t>(n));
    if (n > 0 && std::memchr(field_copy.data(), 0, n) == nullptr) {
        std::vector<char> again(static_cast<std::size_t>(n));
        stchar(text.data(), again.data(), n);
        check(std::memcmp(again.data(), field_copy.data(), n) == 0);
    }
    if (n >= 1) {
        std::vector<char> out(static_cast<std::size_t>(n));
        ldvarchar(field_copy.data(), n - 1, out.data());
        check(std::strlen(out.data()) <= static_cast<std::size_t>(n - 1));
    }
}

void numbers(const std::uint8_t *data, std::size_t size)
{
    if (size < 8)
        return;
    std::vector<std::uint8_t> field(data, data + 8); // exact size: overreads are caught
    short ind = -1;
    for (int type : {0, OS_FLOAT_NETWORK}) {
        const double d = network_lddbl(field.data(), type);
        network_lddblnull(field.data(), &ind, type);
        check(ind == 0 || ind == 1);
        network_ldfltnull(field.data(), &ind, type);
        check(ind == 0 || ind == 1);
        std::uint8_t again[8];
        network_stdbl(d, again, type);
        check(std::memcmp(again, field.data(), 8) == 0);
        static_cast<void>(network_ldfloat(field.data(), type));
    }
}

void blobs(const std::uint8_t *data, std::size_t size)
{
    if (size < 56)
        return;
    std::vector<std::uint8_t> field(data, data + 56);
    tblob blob;
    tblobload(&blob, field.data());
    std::uint8_t again[56];
    tblobstore(&blob, again);
    check(std::memcmp(again, field.data(), 56) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    char_fields(data, size);
    numbers(data, size);
    blobs(data, size);
    return 0;
}
