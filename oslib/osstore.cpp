// Stored forms of primitive values: fixed and counted character fields,
// 2-byte integers, IEEE single and double floats with their NULL form, and
// the 56-byte large-object descriptor. Every value is copied byte by byte, so
// no buffer needs alignment. Floats are kept in the host's byte order, or in
// the network form (most significant byte first) when the caller's float
// type asks for it.
#include "osstore.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "osutil.h"

extern "C" const unsigned char fltnull[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

namespace {

// The host's float format, fixed when the system is built for it.
constexpr std::string_view kHostFloatFormat =
    std::endian::native == std::endian::big ? OS_FLOAT_IEEEM : OS_FLOAT_IEEEI;
constexpr std::string_view kNetworkFloatFormat = OS_FLOAT_IEEEM;

enum class ByteOrder { Host, Reversed };

// The byte order of a float type: the network form reverses the bytes only
// on a least-significant-first host; other hosts are left as they are.
constexpr ByteOrder byte_order(int floattype)
{
    if (floattype != OS_FLOAT_NETWORK || kHostFloatFormat == kNetworkFloatFormat)
        return ByteOrder::Host;
    return kHostFloatFormat == OS_FLOAT_IEEEI ? ByteOrder::Reversed : ByteOrder::Host;
}

template <typename T> T load(const void *src, ByteOrder order)
{
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, src, sizeof(T));
    if (order == ByteOrder::Reversed)
        std::reverse(bytes, bytes + sizeof(T));
    return std::bit_cast<T>(bytes);
}

template <typename T> void store(T value, void *dst, ByteOrder order)
{
    auto bytes = std::bit_cast<std::array<unsigned char, sizeof(T)>>(value);
    if (order == ByteOrder::Reversed)
        std::reverse(bytes.begin(), bytes.end());
    std::memcpy(dst, bytes.data(), sizeof(T));
}

bool is_null_pattern(const void *src, std::size_t width)
{
    return std::memcmp(src, fltnull, width) == 0;
}

void set_indicator(short *ind, bool isnull)
{
    if (ind != nullptr)
        *ind = isnull ? 1 : 0;
}

float load_single_or_null(const void *src, short *ind, ByteOrder order)
{
    const bool isnull = is_null_pattern(src, 4);
    set_indicator(ind, isnull);
    return isnull ? std::bit_cast<float>(~std::uint32_t{0}) : load<float>(src, order);
}

double load_double_or_null(const void *src, short *ind, ByteOrder order)
{
    set_indicator(ind, is_null_pattern(src, 8));
    return load<double>(src, order);
}

template <typename T> void store_or_null(double value, void *dst, int isnull, ByteOrder order)
{
    if (isnull != 0)
        std::memcpy(dst, fltnull, sizeof(T));
    else
        store<T>(static_cast<T>(value), dst, order);
}

// Big-endian integer fields of the large-object descriptor.
void store_be(std::uint32_t value, unsigned char *dst, std::size_t width)
{
    for (std::size_t i = width; i-- > 0; value >>= 8)
        dst[i] = static_cast<unsigned char>(value);
}

std::uint32_t load_be(const unsigned char *src, std::size_t width)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = value << 8 | src[i];
    return value;
}

// The descriptor's field groups in stored order: where each group starts
// (the same offset in the record and in the stored form), its field width
// and count.
struct BlobGroup {
    std::size_t record_offset;
    std::size_t width;
    std::size_t count;
};
constexpr BlobGroup kBlobGroups[] = {
    {offsetof(tblob, tb_short1), 2, 2},
    {offsetof(tblob, tb_long1), 4, 7},
    {offsetof(tblob, tb_short2), 2, 4},
    {offsetof(tblob, tb_long2), 4, 4},
};
constexpr std::size_t kBlobSize = 56;

static_assert(sizeof(tblob) == kBlobSize && offsetof(tblob, tb_long1) == 4 &&
                  offsetof(tblob, tb_short2) == 32 && offsetof(tblob, tb_long2) == 40,
              "the record has the stored form's field offsets");

// Reads one field of the record as an unsigned value of its width.
std::uint32_t record_field(const unsigned char *record, std::size_t width)
{
    if (width == 2) {
        std::int16_t v;
        std::memcpy(&v, record, 2);
        return static_cast<std::uint16_t>(v);
    }
    std::int32_t v;
    std::memcpy(&v, record, 4);
    return static_cast<std::uint32_t>(v);
}

void set_record_field(unsigned char *record, std::size_t width, std::uint32_t value)
{
    if (width == 2) {
        const auto v = static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
        std::memcpy(record, &v, 2);
    } else {
        const auto v = static_cast<std::int32_t>(value);
        std::memcpy(record, &v, 4);
    }
}

} // namespace

extern "C" void ldchar(const char *field, int n, char *dst)
{
    const int k = n > 0 ? trw_byleng(field, n) : 0;
    if (k > 0)
        std::memmove(dst, field, static_cast<std::size_t>(k));
    dst[k] = '\0';
}

extern "C" void stchar(const char *text, char *field, int n)
{
    for (int i = 0; i < n; ++i)
        field[i] = text != nullptr && *text != '\0' ? *text++ : ' ';
}

extern "C" void ldvarchar(const char *field, int n, char *dst)
{
    const int length = static_cast<unsigned char>(field[0]);
    const int k = std::max(0, std::min(length, n));
    if (k > 0)
        std::memmove(dst, field + 1, static_cast<std::size_t>(k));
    dst[k] = '\0';
}

extern "C" void stvarchar(const char *text, char *field, int n)
{
    if (text == nullptr) {
        field[0] = 1;
        field[1] = '\0';
        return;
    }
    field[0] = static_cast<char>(std::strlen(text) & 0xFF);
    stchar(text, field + 1, n);
}

extern "C" void stshort(int value, void *dst)
{
    store_be(static_cast<std::uint32_t>(value), static_cast<unsigned char *>(dst), 2);
}

extern "C" double network_ldfloat(const void *src, int floattype)
{
    return load<float>(src, byte_order(floattype));
}

extern "C" void network_stfloat(double value, void *dst, int floattype)
{
    store<float>(static_cast<float>(value), dst, byte_order(floattype));
}

extern "C" double network_lddbl(const void *src, int floattype)
{
    return load<double>(src, byte_order(floattype));
}

extern "C" void network_stdbl(double value, void *dst, int floattype)
{
    store<double>(value, dst, byte_order(floattype));
}

extern "C" float network_ldfltnull(const void *src, short *ind, int floattype)
{
    return load_single_or_null(src, ind, byte_order(floattype));
}

extern "C" void network_stfltnull(double value, void *dst, int isnull, int floattype)
{
    store_or_null<float>(value, dst, isnull, byte_order(floattype));
}

extern "C" double network_lddblnull(const void *src, short *ind, int floattype)
{
    return load_double_or_null(src, ind, byte_order(floattype));
}

extern "C" void network_stdblnull(double value, void *dst, int isnull, int floattype)
{
    store_or_null<double>(value, dst, isnull, byte_order(floattype));
}

// The plain operations are the network ones with the host's form.
constexpr int kHostForm = 0;

extern "C" double ldfloat(const void *src)
{
    return network_ldfloat(src, kHostForm);
}

extern "C" void stfloat(double value, void *dst)
{
    network_stfloat(value, dst, kHostForm);
}

extern "C" double lddbl(const void *src)
{
    return network_lddbl(src, kHostForm);
}

extern "C" void stdbl(double value, void *dst)
{
    network_stdbl(value, dst, kHostForm);
}

extern "C" float ldfltnull(const void *src, short *ind)
{
    return network_ldfltnull(src, ind, kHostForm);
}

extern "C" void stfltnull(double value, void *dst, int isnull)
{
    network_stfltnull(value, dst, isnull, kHostForm);
}

extern "C" double lddblnull(const void *src, short *ind)
{
    return network_lddblnull(src, ind, kHostForm);
}

extern "C" void stdblnull(double value, void *dst, int isnull)
{
    network_stdblnull(value, dst, isnull, kHostForm);
}

// The record's fields lie at the offsets of the stored form, so one offset
// serves both sides.
extern "C" void tblobstore(const tblob *blob, void *dst)
{
    auto *out = static_cast<unsigned char *>(dst);
    std::memset(out, 0, kBlobSize);
    const auto *record = reinterpret_cast<const unsigned char *>(blob);
    for (const BlobGroup &g : kBlobGroups)
        for (std::size_t at = g.record_offset; at < g.record_offset + g.count * g.width; at += g.width)
            store_be(record_field(record + at, g.width), out + at, g.width);
}

extern "C" void tblobload(tblob *blob, const void *src)
{
    const auto *in = static_cast<const unsigned char *>(src);
    auto *record = reinterpret_cast<unsigned char *>(blob);
    for (const BlobGroup &g : kBlobGroups)
        for (std::size_t at = g.record_offset; at < g.record_offset + g.count * g.width; at += g.width)
            set_record_field(record + at, g.width, load_be(in + at, g.width));
}
