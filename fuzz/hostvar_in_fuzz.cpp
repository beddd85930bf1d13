// libFuzzer target for rcvarval: arbitrary host records of every code. The
// input: the code (byte 0: SQL codes 0..51 and host codes 100..124 and a
// few beyond), the length (bytes 1-2, signed), an indicator flag (byte 3),
// then the record's bytes, copied into an area large enough for any record
// and ended by a NUL. Pointers inside opaque host records are replaced by
// pointers into the area. A record that is built is written back with
// rvalcvar into a guarded variable of the same code. Properties: statuses
// are rcvarval's; the guards stay untouched; a value of a fixed-size
// numeric, DATE (inside the DATE range) or fixed character host variable
// that is not NULL writes back to exactly the bytes it was read from.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hostvar.h"
#include "rdate.h"

namespace {

constexpr size_t kArea = 512;
constexpr size_t kGuard = 32;
constexpr unsigned char kGuardByte = 0x3C;

void require(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "hostvar_in: %s\n", what);
        std::abort();
    }
}

// Bytes of a host variable whose value goes in and out unchanged, 0 for
// the other codes.
size_t identity_size(int code, int length)
{
    switch (code) {
    case TRW_HOST_SHORT: return sizeof(int16_t);
    case TRW_HOST_INT: case TRW_HOST_DATE: return sizeof(int32_t);
    case TRW_HOST_LONG: return sizeof(long);
    case TRW_HOST_DOUBLE: return sizeof(double);
    case TRW_HOST_FIXCHAR: return length > 0 ? static_cast<size_t>(length) : 0;
    default: return 0;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool init = [] {
        setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 0);
        return true;
    }();
    (void)init;
    if (size < 4)
        return 0;
    const int code = data[0] < 52 ? data[0] : 48 + data[0] % 80; // 0..51, then 48..127
    int length = static_cast<int16_t>(data[1] | data[2] << 8);
    length = length > static_cast<int>(kArea) - 1 ? static_cast<int>(kArea) - 1 : length;
    alignas(16) unsigned char area[kArea + 1] = {};
    const size_t n = size - 4 < kArea ? size - 4 : kArea;
    std::memcpy(area, data + 4, n);
    const bool opaque_form = code == TRW_HOST_VARBINARY || code == TRW_HOST_LVARCHARPTR || code == TRW_SQL_VARUDT ||
                             code == TRW_SQL_SENDRECV ||
                             ((code == TRW_SQL_LVARCHAR || code == TRW_HOST_LVARCHAR) && length == 0);
    if (opaque_form) {
        trw_opaque_host h;
        std::memcpy(&h, area, sizeof h);
        h.vh_data = reinterpret_cast<char *>(area + 64);
        h.vh_len = h.vh_len < 0 ? h.vh_len : h.vh_len % 256;
        h.vh_flags = static_cast<int16_t>(h.vh_flags & ~TRW_OPAQUE_ALLOC);
        std::memcpy(area, &h, sizeof h);
    }
    short indicator = static_cast<short>(data[3] & 1 ? -1 : 0);
    valrec v;
    std::memset(&v, 0x77, sizeof v);
    const int status = rcvarval(area, code, &v, length, data[3] & 2 ? &indicator : nullptr);
    require(status == 0 || status == -1 || status == -1215, "rcvarval status");
    if (status != 0)
        return 0;
    require(v.vind == 0 || v.vind == -1, "indicator of the record");
    std::vector<unsigned char> out(kArea + 2 * kGuard, kGuardByte);
    unsigned char *target = out.data() + kGuard;
    std::memset(target, 0, kArea);
    int back_length = length;
    if (code == TRW_HOST_CHAR || code == TRW_HOST_STRING || code == TRW_SQL_CHAR || code == TRW_SQL_NCHAR)
        back_length = length <= 0 || length > static_cast<int>(kArea) ? static_cast<int>(kArea) : length;
    if (code == TRW_HOST_VARCHAR || code == TRW_SQL_VARCHAR || code == TRW_SQL_NVARCHAR || code == TRW_HOST_LVARCHAR)
        back_length = length < 0 || length >= static_cast<int>(kArea) ? static_cast<int>(kArea) - 1 : length;
    if (code == TRW_HOST_FIXCHAR || code == TRW_HOST_FILE || code == TRW_HOST_FIXBINARY)
        back_length = length < 0 ? length : length > static_cast<int>(kArea) ? static_cast<int>(kArea) : length;
    const int back = rvalcvar(&v, target, code, back_length, &indicator);
    for (size_t i = 0; i < kGuard; ++i)
        require(out[i] == kGuardByte && out[kGuard + kArea + i] == kGuardByte, "guard bytes overwritten");
    bool in_range = true;
    if (code == TRW_HOST_DATE) {
        int32_t day;
        std::memcpy(&day, area, sizeof day);
        in_range = day >= TRW_DATE_MIN && day <= TRW_DATE_MAX;
    }
    if (const size_t same = identity_size(code, length); same > 0 && v.vind == 0 && in_range) {
        require(back == 0, "a value read from a host variable does not write back");
        require(std::memcmp(target, area, same) == 0, "a value read from a host variable writes back otherwise");
    }
    if (opaque_form) {
        trw_opaque_host h;
        std::memcpy(&h, target, sizeof h);
        if (h.vh_data != nullptr && (h.vh_data < reinterpret_cast<char *>(target) ||
                                     h.vh_data >= reinterpret_cast<char *>(target + kArea)))
            std::free(h.vh_data);
    }
    return 0;
}
