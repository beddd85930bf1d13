// libFuzzer target for rvalcvar: a character value of arbitrary bytes (and
// type) written into every host type at an arbitrary length. The input: the
// host type (byte 0, modulo 25 from 100), the length (bytes 1-2, signed,
// kept to -8..500), the source type (byte 3), then the value's bytes. The
// host variable lies between guard bytes that must stay untouched; opaque
// records may grow their buffer, which is freed. A CHAR or VARCHAR value
// written into a fixed character buffer is its bytes, cut or blank-padded to
// the buffer, with the indicator 0 or, when cut, the value's length.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hostvar.h"

namespace {

constexpr size_t kGuard = 32;
constexpr unsigned char kGuardByte = 0xC3;
constexpr int kCharTypes[] = {TRW_SQL_CHAR, TRW_SQL_VARCHAR, TRW_SQL_NCHAR, TRW_SQL_NVARCHAR, TRW_SQL_LVARCHAR,
                              TRW_SQL_FIXUDT, TRW_SQL_VARUDT, TRW_SQL_BOOLEAN};

void require(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "hostvar_out: %s\n", what);
        std::abort();
    }
}

// Bytes a host variable of the type may take at this length.
size_t room(int host, int length, size_t srclen)
{
    const size_t n = length > 0 ? static_cast<size_t>(length) : 0;
    switch (host) {
    case TRW_HOST_CHAR: case TRW_HOST_STRING: return length == 0 ? srclen + 1 : n;
    case TRW_HOST_VARCHAR: case TRW_HOST_LVARCHAR: return n + 1;
    case TRW_HOST_FIXCHAR: case TRW_HOST_FILE: case TRW_HOST_FIXBINARY: return n;
    case TRW_HOST_VARBINARY: case TRW_HOST_LVARCHARPTR: return sizeof(trw_opaque_host);
    case TRW_HOST_COLLECTION: case TRW_HOST_ROW: return TRW_COLL_RECORD_SIZE;
    default: return static_cast<size_t>(rtypmsize(host, length));
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
    int host = TRW_HOST_FIRST + data[0] % TRW_HOST_NTYPES;
    int length = static_cast<int16_t>(data[1] | data[2] << 8);
    length = length < -8 ? -8 : length > 500 ? 500 : length;
    const int source = kCharTypes[data[3] % (sizeof kCharTypes / sizeof kCharTypes[0])];
    std::vector<char> bytes(data + 4, data + size); // exact size: no terminator after it
    valrec v;
    std::memset(&v, 0, sizeof v);
    v.vtype = static_cast<int16_t>(source);
    v.vdata.vchar = bytes.data();
    v.vlen = static_cast<int32_t>(bytes.size());
    if (host == TRW_HOST_LVARCHAR && length == 0)
        host = TRW_HOST_LVARCHARPTR; // the form rvalcvar takes then
    const size_t n = room(host, length, bytes.size() + 80);
    std::vector<unsigned char> area(n + 2 * kGuard, kGuardByte);
    unsigned char *target = area.data() + kGuard;
    trw_opaque_host h{0, nullptr, static_cast<int16_t>(data[3] & 0x80 ? TRW_OPAQUE_ALLOC : 0)};
    if (host == TRW_HOST_VARBINARY || host == TRW_HOST_LVARCHARPTR)
        std::memcpy(target, &h, sizeof h);
    short indicator = 0;
    const int status = rvalcvar(&v, target, host, length, &indicator);
    for (size_t i = 0; i < kGuard; ++i)
        require(area[i] == kGuardByte && area[kGuard + n + i] == kGuardByte, "guard bytes overwritten");
    // A value that is not NULL never reads as NULL; statuses are errors.
    require(status <= 0 && indicator >= 0, "status or indicator");
    if (host == TRW_HOST_FIXCHAR && length >= 0 && (source == TRW_SQL_CHAR || source == TRW_SQL_VARCHAR)) {
        require(status == 0, "a character value does not fit a fixed buffer");
        const size_t len = static_cast<size_t>(length), have = bytes.size();
        const size_t kept = have < len ? have : len;
        require(kept == 0 || std::memcmp(target, bytes.data(), kept) == 0, "fixed buffer does not start with the value");
        for (size_t i = kept; i < len; ++i)
            require(target[i] == ' ', "fixed buffer is not blank-padded");
        const size_t cut_indicator = have < HV_INDICATOR_MAX ? have : HV_INDICATOR_MAX;
        require(indicator == (have > len ? static_cast<short>(cut_indicator) : 0), "indicator of a fixed buffer");
    }
    if (host == TRW_HOST_VARBINARY || host == TRW_HOST_LVARCHARPTR) {
        std::memcpy(&h, target, sizeof h);
        std::free(h.vh_data);
    }
    return 0;
}
