// Fuzzes the standard DATETIME and INTERVAL text: arbitrary bytes through
// dtcvasc and incvasc for every valid qualifier (the first byte picks the
// type and qualifier; with its top bit set the next two bytes are a raw
// qualifier instead). Every status must be one of the family's; a text that
// parses prints, within the standard text's size, as text that parses back
// to the same value; a failure leaves NULL.
#include <cstdint>
#include <cstring>
#include <string>

#include "dttext_fuzz.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    dttext_fuzz_setup();
    return 0;
}

namespace {

void check_round_trip(bool interval, const decvalue &dec, int qualifier)
{
    char out[DT_TEXT_SIZE + 16];
    std::memset(out, 0x5A, sizeof out);
    const int st = interval ? rinvstr(&dec, qualifier, out) : rdtimestr(&dec, qualifier, out);
    dttext_require(st == 0);
    dttext_require(out[DT_TEXT_SIZE] == 0x5A && std::strlen(out) < DT_TEXT_SIZE);
    decvalue back;
    const int pst = interval ? rstrinv(out, &back, qualifier) : rstrdtime(out, &back, qualifier);
    dttext_require(pst == 0 && dttext_same(back, dec));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool interval = (data[0] & 0x40) != 0;
    int qualifier;
    size_t skip = 1;
    if ((data[0] & 0x80) != 0 && size >= 3) {
        qualifier = static_cast<int16_t>(data[1] << 8 | data[2]);
        skip = 3;
    } else {
        const auto &list = dttext_qualifiers(interval);
        qualifier = list[(data[0] & 0x3F) % list.size()];
        if (size >= 2 && (data[0] & 0x3F) >= list.size()) {
            qualifier = list[data[1] % list.size()];
            skip = 2;
        }
    }
    const std::string text(reinterpret_cast<const char *>(data) + skip, size - skip);
    decvalue dec;
    const int st = interval ? rstrinv(text.c_str(), &dec, qualifier) : rstrdtime(text.c_str(), &dec, qualifier);
    dttext_require(dttext_status_known(st));
    if (_chk_qual(interval, qualifier) != 0) {
        dttext_require(st == -1268);
        return 0;
    }
    if (st != 0) {
        dttext_require(dec.sign == -1);
        return 0;
    }
    check_round_trip(interval, dec, qualifier);
    return 0;
}
