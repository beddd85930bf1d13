// The message source reader: comments, message numbers and texts with their
// C escapes (the format is described in msgsrc.h).
#include "msgsrc.h"

#include <cstdint>

namespace msgsrc {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The byte of a one-character escape, or -1.
int simple_escape(char c)
{
    constexpr struct {
        char name;
        char byte;
    } kEscapes[] = {{'n', '\n'}, {'t', '\t'}, {'r', '\r'}, {'a', '\a'}, {'b', '\b'}, {'f', '\f'},
                    {'v', '\v'}, {'\\', '\\'}, {'"', '"'}, {'\'', '\''}, {'?', '?'}};
    for (const auto &e : kEscapes)
        if (e.name == c)
            return static_cast<unsigned char>(e.byte);
    return -1;
}

// Reads the escape after a backslash at line[at]: the byte, and at moved
// past it; false with a message when it is not an escape.
bool read_escape(std::string_view line, std::size_t &at, std::string *text, std::string *message)
{
    if (at >= line.size()) {
        *message = "backslash at the end of the line";
        return false;
    }
    const char c = line[at];
    if (const int byte = simple_escape(c); byte >= 0) {
        text->push_back(static_cast<char>(byte));
        ++at;
        return true;
    }
    unsigned value = 0;
    if (c >= '0' && c <= '7') {
        for (int i = 0; i < 3 && at < line.size() && line[at] >= '0' && line[at] <= '7'; ++i)
            value = value * 8 + static_cast<unsigned>(line[at++] - '0');
        if (value > 0xFF) {
            *message = "octal escape above \\377";
            return false;
        }
    } else if (c == 'x') {
        ++at;
        int digits = 0;
        for (; digits < 2 && at < line.size() && hex_value(line[at]) >= 0; ++digits)
            value = value * 16 + static_cast<unsigned>(hex_value(line[at++]));
        if (digits == 0) {
            *message = "\\x without hexadecimal digits";
            return false;
        }
    } else {
        *message = std::string("unknown escape \\") + (c >= 0x20 && c < 0x7F ? std::string(1, c) : "?");
        return false;
    }
    text->push_back(static_cast<char>(value));
    return true;
}

// Reads the signed decimal number at the start of line; at is moved past it.
bool read_number(std::string_view line, std::size_t &at, int32_t *number)
{
    bool negative = false;
    if (at < line.size() && (line[at] == '-' || line[at] == '+'))
        negative = line[at++] == '-';
    const std::size_t digits_start = at;
    int64_t value = 0;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
        value = value * 10 + (line[at++] - '0');
        if (value > int64_t{INT32_MAX} + 1)
            return false;
    }
    if (at == digits_start)
        return false;
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return false;
    *number = static_cast<int32_t>(value);
    return true;
}

// One message line (not blank, not a comment).
bool parse_message(std::string_view line, int line_number, msgcat::Message *out, std::string *message)
{
    std::size_t at = 0;
    while (at < line.size() && is_blank(line[at]))
        ++at;
    if (!read_number(line, at, &out->number)) {
        *message = "expected a message number (a signed 32-bit decimal number)";
        return false;
    }
    if (at < line.size() && !is_blank(line[at])) {
        *message = "expected a blank between the number and the text";
        return false;
    }
    while (at < line.size() && is_blank(line[at]))
        ++at;
    out->text.clear();
    out->line = line_number;
    while (at < line.size()) {
        const char c = line[at++];
        if (c != '\\')
            out->text.push_back(c);
        else if (!read_escape(line, at, &out->text, message))
            return false;
    }
    return true;
}

} // namespace

bool parse(std::string_view text, std::vector<msgcat::Message> *out, Error *error)
{
    out->clear();
    int line_number = 0;
    while (!text.empty()) {
        ++line_number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#')
            continue;
        msgcat::Message message;
        std::string fault;
        if (!parse_message(line, line_number, &message, &fault)) {
            *error = {line_number, fault};
            return false;
        }
        out->push_back(std::move(message));
    }
    return true;
}

} // namespace msgsrc
