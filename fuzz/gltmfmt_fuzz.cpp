// libFuzzer target for the time formatter: a fuzzed locale choice, output
// size, record (every field any value) and format. Nothing may be written
// beyond the size, every failure is an error number of the formatter, and a
// text it writes and then reads back formats and reads the same way again,
// unless the format holds a fraction of no fixed width (the reader takes every
// digit it meets there, so a field written after it may be read into it) or
// a zero-padded width (the reader takes at most the precision in digits).
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "gltime_fuzz.h"

namespace {

// True when some 'F' of the format is not followed by its digit count (a
// literal F counts too; that only skips inputs).
bool unbounded_fraction(const std::string &format)
{
    for (size_t i = 0; i < format.size(); ++i)
        if (format[i] == 'F' && (i + 1 == format.size() || format[i + 1] < '1' || format[i + 1] > '9'))
            return true;
    return false;
}

// True when some conversion pads with zeros to a width: the reader takes at
// most the precision in digits, so "%04.2y" writes "0024" and reads "00".
bool zero_padded_width(const std::string &format)
{
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        bool zero = false;
        size_t j = i + 1;
        for (; j < format.size() && std::strchr("-0+ #'", format[j]) != nullptr; ++j)
            zero = zero || format[j] == '0';
        if (zero && j < format.size() && format[j] >= '1' && format[j] <= '9')
            return true;
        if (j < format.size() && format[j] == '%')
            i = j;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 51)
        return 0;
    gl_locale *loc = trwfuzz::time_locale(data[0]);
    int out_size = (data[1] | data[2] << 8) % 1200;
    gl_tm rec = trwfuzz::record_of(data + 3, 48);
    std::string format(reinterpret_cast<const char *>(data + 51), size - 51);
    format = format.c_str(); // up to the first zero byte
    std::vector<char> out(static_cast<size_t>(out_size) + 16, '\x5a');
    int n = gl_mbsftime(loc, out.data(), out_size, format.c_str(), &rec);
    for (size_t i = static_cast<size_t>(out_size); i < out.size(); ++i)
        if (out[i] != '\x5a')
            abort();
    if (n == 0 && loc->error != 0) {
        if (!trwfuzz::time_error(loc->error))
            abort();
        return 0;
    }
    if (n < 0 || n >= out_size || out[static_cast<size_t>(n)] != 0)
        abort();
    if (unbounded_fraction(format) || zero_padded_width(format))
        return 0;
    // Format, read back, format again: the second round is stable.
    gl_tm back = rec;
    if (gl_mbsptime(loc, out.data(), format.c_str(), &back, 'R') == nullptr) {
        if (!trwfuzz::time_error(loc->error) && loc->error != 2)
            abort();
        return 0;
    }
    char second[2400], third[2400];
    if (gl_mbsftime(loc, second, sizeof second, format.c_str(), &back) == 0 && loc->error != 0)
        return 0;
    gl_tm again = back;
    if (gl_mbsptime(loc, second, format.c_str(), &again, 'R') == nullptr)
        abort();
    if (gl_mbsftime(loc, third, sizeof third, format.c_str(), &again) == 0 && loc->error != 0)
        abort();
    if (std::strcmp(second, third) != 0)
        abort();
    return 0;
}
