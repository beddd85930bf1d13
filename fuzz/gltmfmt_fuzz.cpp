// libFuzzer target for the time formatter: a fuzzed locale choice, output
// size, record (every field any value) and format. Nothing may be written
// beyond the size, every failure is an error number of the formatter, and a
// text it writes and then reads back formats and reads the same way again,
// unless the format holds a fraction of no fixed width (the reader takes every
// digit it meets there, so a field written after it may be read into it) or a
// conversion whose text may read back otherwise (see ambiguous_conversion).
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

// True when the text of some conversion need not read back as written: a
// number zero-padded to a width or given a precision (the writer's precision
// is a least number of digits, the reader's a most: "%03d" writes "013" and
// reads "01", "%.1C" writes "57" and reads "5"), a name cut by a precision
// (cut names may coincide: every Hebrew weekday name starts with the same
// four characters, so the reader finds the first one),
// a weekday in a locale with its own calendar, or conversions that run into
// what follows them.
bool ambiguous_conversion(const std::string &format, bool local_calendar)
{
    for (size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        size_t j = i + 1;
        bool zero = false, width = false, precision = false;
        while (j < format.size() && format[j] != 0 && std::strchr("-0+ #'", format[j]) != nullptr)
            zero |= format[j++] == '0';
        while (j < format.size() && format[j] >= '0' && format[j] <= '9')
            width = true, ++j;
        if (j < format.size() && format[j] == '.')
            precision = true, ++j;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9')
            ++j;
        bool modified = false;
        while (j < format.size() && (format[j] == 'E' || format[j] == 'O' || format[j] == 'i'))
            modified |= format[j++] != 'i';
        if (j == format.size())
            break;
        if ((zero && width) || precision)
            return true;
        // A weekday or a day of the year read with only part of a date is
        // kept as read, while a locale calendar writes the weekday and the
        // day of the year of the date it converts (in the Hebrew calendar a
        // day of the year read with a century and a day of the month is
        // not the day of the year that date has).
        if (local_calendar && std::strchr("aAuwjcx", format[j]) != nullptr)
            return true;
        // Two conversions side by side need not split where they were
        // joined, and neither do an era year (any number of digits) or
        // alternative digits (whole strings: "七", "十二", "七十二") and the
        // digits or characters written after them.
        if (j + 1 < format.size()) {
            unsigned char next = static_cast<unsigned char>(format[j + 1]);
            bool joined = next == '%' && format[j] != '%' && (j + 2 >= format.size() || format[j + 2] != '%');
            if (joined || (modified && (next >= 0x80 || (next >= '0' && next <= '9'))))
                return true;
        }
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
    if (unbounded_fraction(format) || ambiguous_conversion(format, loc->time->calendar != GL_CAL_GREGORIAN))
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
