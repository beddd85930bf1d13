// libFuzzer target for rcvarval: arbitrary host records of every code. The
// input: the code (byte 0: SQL codes 0..51 and host codes 100..124 and a
// few beyond), the length (bytes 1-2, signed), an indicator flag (byte 3),
// then the record's bytes, copied into an area large enough for any record
// and ended by a NUL. Pointers inside opaque host records are replaced by
// pointers into the area. A record that is built is written back with
// rvalcvar into a guarded variable of the same code.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hostvar.h"

namespace {

constexpr size_t kArea = 512;
constexpr size_t kGuard = 32;
constexpr unsigned char kGuardByte = 0x3C;

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
    if (status != 0 && status != -1 && status != -1215)
        __builtin_trap();
    if (status != 0)
        return 0;
    if (v.vind != 0 && v.vind != -1)
        __builtin_trap();
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
    rvalcvar(&v, target, code, back_length, &indicator);
    for (size_t i = 0; i < kGuard; ++i)
        if (out[i] != kGuardByte || out[kGuard + kArea + i] != kGuardByte)
            __builtin_trap();
    if (opaque_form) {
        trw_opaque_host h;
        std::memcpy(&h, target, sizeof h);
        if (h.vh_data != nullptr && (h.vh_data < reinterpret_cast<char *>(target) ||
                                     h.vh_data >= reinterpret_cast<char *>(target + kArea)))
            std::free(h.vh_data);
    }
    return 0;
}
