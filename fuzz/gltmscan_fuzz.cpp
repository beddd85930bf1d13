// libFuzzer target for the time parser: a fuzzed locale choice, century
// rule, format and text (split at the first zero byte). The end it returns
// lies within the text, a failure leaves the record untouched with an error
// number of the parser, and a success gives fields in their ranges.
#include <cstdint>
#include <cstring>
#include <string>

#include "gltime_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    gl_locale *loc = trwfuzz::time_locale(data[0]);
    const char rules[4] = {'R', 'C', 'F', 'P'};
    int rule = rules[data[1] % 4];
    std::string rest(reinterpret_cast<const char *>(data + 2), size - 2);
    size_t cut = rest.find('\0');
    std::string format = rest.substr(0, cut);
    std::string text = cut == std::string::npos ? std::string() : rest.substr(cut + 1);
    text = text.c_str();
    gl_tm rec{}, start{};
    rec.tm_mday = start.tm_mday = 1;
    char *end = gl_mbsptime(loc, text.c_str(), format.c_str(), &rec, rule);
    if (end == nullptr) {
        if (!trwfuzz::time_error(loc->error) || std::memcmp(&rec, &start, sizeof rec) != 0)
            abort();
        return 0;
    }
    if (end < text.c_str() || end > text.c_str() + text.size())
        abort();
    if (rec.tm_sec < 0 || rec.tm_sec > 59 || rec.tm_min < 0 || rec.tm_min > 59 || rec.tm_hour < 0 ||
        rec.tm_hour > 23 || rec.tm_mday < 1 || rec.tm_mday > 31 || rec.tm_fraction < 0 ||
        rec.tm_fraction > 999999 || rec.tm_wday < 0 || rec.tm_wday > 6)
        abort();
    return 0;
}
