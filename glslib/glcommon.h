// Small helpers the locale library's modules share: setting a context's
// error number, text copies and owned buffers on the hook allocator, ASCII
// case folding, and formatted writes through the fwrite hook. Internal; not
// installed.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "gl_errno.h"
#include "gl_ext.h"

namespace gls {

inline void set_error(void *context, int number) { *_gl_ext_errno(context) = number; }

inline int error_of(void *context) { return *_gl_ext_errno(context); }

constexpr char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr bool is_ascii_alpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_ascii_alnum(char c) { return is_ascii_alpha(c) || is_ascii_digit(c); }
constexpr bool is_ascii_xdigit(char c)
{
    return is_ascii_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
// Blank, tab, line feed, vertical tab, form feed or carriage return (9 to
// 13 and 32), as one test of a bit mask; false for EOF.
constexpr bool is_ascii_space(int c)
{
    return static_cast<unsigned>(c) <= ' ' && ((0x100003E00ULL >> c) & 1) != 0;
}
static_assert(is_ascii_space(' ') && is_ascii_space('\t') && is_ascii_space('\n') && is_ascii_space('\v') &&
              is_ascii_space('\f') && is_ascii_space('\r') && !is_ascii_space(EOF) && !is_ascii_space(0) &&
              !is_ascii_space(8) && !is_ascii_space(14) && !is_ascii_space(31) && !is_ascii_space(33));
constexpr int hex_value(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Case-insensitive (ASCII) test that text starts with prefix.
inline bool starts_with_nocase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (ascii_lower(text[i]) != ascii_lower(prefix[i]))
            return false;
    return true;
}

// A block from the hook allocator, freed through the free hook on scope exit
// unless released.
class HookBuffer {
public:
    // A size of 0 allocates nothing.
    explicit HookBuffer(std::size_t size)
        : data_(size != 0 ? static_cast<char *>(_gl_ext_malloc(size)) : nullptr)
    {
    }
    HookBuffer(const HookBuffer &) = delete;
    HookBuffer &operator=(const HookBuffer &) = delete;
    ~HookBuffer() { _gl_ext_free(data_); }
    char *get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }
    char *release()
    {
        char *d = data_;
        data_ = nullptr;
        return d;
    }

private:
    char *data_;
};

// Zero-terminated copy of text on the hook allocator, or null.
inline char *hook_strdup(std::string_view text)
{
    auto *copy = static_cast<char *>(_gl_ext_malloc(text.size() + 1));
    if (copy != nullptr) {
        std::memcpy(copy, text.data(), text.size());
        copy[text.size()] = '\0';
    }
    return copy;
}

// Reads one line of at most size-1 characters through the stream hooks; the
// line end is dropped and the rest of a longer line skipped. False at end of
// file.
inline bool read_line(FILE *f, char *buf, int size)
{
    if (_gl_ext_fgets(buf, size, f) == nullptr)
        return false;
    std::size_t n = std::strlen(buf);
    if (n > 0 && buf[n - 1] == '\n') {
        buf[n - 1] = '\0';
        return true;
    }
    int c;
    while ((c = _gl_ext_getc(f)) != EOF && c != '\n') {
    }
    return true;
}

// Formats into a local buffer (or a hook-allocated one when longer) and
// writes it with the fwrite hook. Returns 0, or -1 when the write fails.
int write_format(FILE *stream, const char *format, ...) __attribute__((format(printf, 2, 3)));

// gl_message of first and second joined.
void message2(const char *first, const char *second);

} // namespace gls
