// Fuzzes the DATETIME and INTERVAL formats: arbitrary format bytes and
// sizes 0 to 100 through dttofmtasc, dtcvfmtasc, intofmtasc, incvfmtasc,
// qualtofmt and trw_to_gl_datetime, with every output buffer followed by a
// guard. Input: byte 0 the operation, byte 1 the size, byte 2 the
// qualifier, then the format, a zero byte and the text. Every status must
// be one of the family's, nothing may be written past the size, a success
// must be terminated within it, and no format copy may leak (LeakSanitizer).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dttext_fuzz.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    dttext_fuzz_setup();
    return 0;
}

namespace {

constexpr unsigned char kGuard = 0xA5;

struct Guarded {
    std::vector<unsigned char> bytes;
    int size;
    explicit Guarded(int n) : bytes(static_cast<size_t>(n) + 16, kGuard), size(n) {}
    char *data() { return reinterpret_cast<char *>(bytes.data()); }
    void check(int status)
    {
        for (size_t i = static_cast<size_t>(size); i < bytes.size(); ++i)
            dttext_require(bytes[i] == kGuard);
        if (status == 0 && size > 0)
            dttext_require(std::memchr(bytes.data(), 0, static_cast<size_t>(size)) != nullptr);
    }
};

dt_value sample_datetime(int qualifier)
{
    dt_value v;
    v.dt_qual = static_cast<int16_t>(qualifier);
    dtcurrent(&v);
    return v;
}

inv_value sample_interval(int qualifier, uint8_t seed)
{
    inv_value v;
    v.in_qual = static_cast<int16_t>(qualifier);
    const unsigned char pairs[3] = {static_cast<unsigned char>(seed % 100), 7, 42};
    decvalue count;
    decload(&count, seed & 1, 2, pairs, 3);
    if (rdectoinv(&count, &v.in_dec, qualifier) != 0) {
        decload(&count, 1, 1, pairs + 1, 1);
        rdectoinv(&count, &v.in_dec, qualifier);
    }
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const int op = data[0] % 6;
    const int out_size = data[1] % 101;
    const std::string rest(reinterpret_cast<const char *>(data) + 3, size - 3);
    const size_t zero = rest.find('\0');
    const std::string format = rest.substr(0, zero);
    const std::string text = zero == std::string::npos ? std::string() : rest.substr(zero + 1);
    const bool interval = op == 2 || op == 3;
    const auto &list = dttext_qualifiers(interval);
    const int qualifier = list[data[2] % list.size()];
    const char *fmt = (data[0] & 0x80) != 0 ? nullptr : format.c_str();
    Guarded out(out_size);
    int status = 0;
    switch (op) {
    case 0: {
        const dt_value v = sample_datetime(qualifier);
        status = dttofmtasc(&v, out.size > 0 ? out.data() : nullptr, out.size, fmt);
        out.check(status);
        break;
    }
    case 1: {
        dt_value v = sample_datetime(qualifier);
        const dt_value before = v;
        status = dtcvfmtasc(text.c_str(), fmt, &v);
        if (status != 0)
            dttext_require(std::memcmp(&before, &v, sizeof v) == 0);
        break;
    }
    case 2: {
        const inv_value v = sample_interval(qualifier, data[1]);
        status = intofmtasc(&v, out.data(), out.size, fmt);
        out.check(status);
        if (status == 0 && fmt != nullptr) {
            // What intofmtasc wrote, incvfmtasc reads (when it has digits).
            inv_value back;
            back.in_qual = static_cast<int16_t>(qualifier);
            dttext_require(dttext_status_known(incvfmtasc(out.data(), fmt, &back)));
        }
        break;
    }
    case 3: {
        inv_value v;
        v.in_qual = static_cast<int16_t>(qualifier);
        status = incvfmtasc(text.c_str(), fmt, &v);
        if (status != 0)
            dttext_require(v.in_dec.sign == -1);
        break;
    }
    case 4: {
        char *limited = qualtofmt(qualifier, fmt);
        if (limited != nullptr) {
            dt_value v = sample_datetime(qualifier);
            char buffer[128];
            dttext_require(dttext_status_known(dttofmtasc(&v, buffer, sizeof buffer, limited)));
        }
        std::free(limited);
        break;
    }
    default:
        status = trw_to_gl_datetime(format.c_str(), out.size > 0 ? out.data() : nullptr, out.size);
        out.check(status);
        if (status == 0) {
            const dt_value v = sample_datetime(DT_YEAR_TO_SECOND);
            char buffer[256];
            dttext_require(dttext_status_known(dttofmtasc(&v, buffer, sizeof buffer, out.data())));
        }
        break;
    }
    dttext_require(dttext_status_known(status));
    return 0;
}
