// Character questions on a loaded locale for the client locale environment:
// lengths and classes through the locale's class table (the single-byte
// map, or the class trie of a multibyte code set), display widths and
// lowering through its case tables. Without a locale text is ASCII.
#include "glschar.h"

#include <cstdlib>
#include <cstring>

#include "gl_char.h"
#include "gl_multi.h"

namespace glsc {

namespace {

int ascii_class(unsigned char c)
{
    int mask = 0;
    if (c >= '0' && c <= '9')
        mask |= GL_CLASS_DIGIT;
    if (c == ' ' || c == '\t')
        mask |= GL_CLASS_BLANK;
    if (c == ' ' || (c >= '\t' && c <= '\r'))
        mask |= GL_CLASS_SPACE;
    return mask;
}

bool multibyte(const gl_locale *loc)
{
    return loc != nullptr && !loc->single_byte && loc->class_trie != nullptr;
}

} // namespace

int char_class(gl_locale *loc, const char *s, int limit, int *length)
{
    int len = -1;
    int mask = 0;
    if (limit <= 0) {
        len = -1;
    } else if (*s == '\0') {
        len = 0;
    } else if (!multibyte(loc)) {
        const auto c = static_cast<unsigned char>(*s);
        len = 1;
        mask = loc != nullptr && loc->class_map != nullptr ? loc->class_map[c] : ascii_class(c);
    } else {
        int saved = loc->error;
        int n = 0;
        const void *element = _gl_retrieve_text_multi_limit(reinterpret_cast<const unsigned char *>(s),
                                                            loc->class_trie, limit, &n, loc);
        loc->error = saved;
        if (element != nullptr && n > 0) {
            len = n;
            uint16_t m;
            std::memcpy(&m, element, sizeof m);
            mask = m;
        }
    }
    if (length != nullptr)
        *length = len;
    return len > 0 ? mask : 0;
}

int char_length(gl_locale *loc, const char *s, int limit)
{
    if (limit > 0 && static_cast<unsigned char>(*s) < 0x80 && !multibyte(loc))
        return *s == '\0' ? 0 : 1;
    int len;
    char_class(loc, s, limit, &len);
    return len;
}

int char_width(gl_locale *loc, const char *s, int length)
{
    if (!multibyte(loc) || length <= 1)
        return 1;
    const int width = gl_mbwidth(loc, s);
    return width > 0 ? width : 1;
}

char *lowered_copy(gl_locale *loc, const char *text)
{
    size_t n = std::strlen(text);
    auto *out = static_cast<char *>(std::malloc(n + 1));
    if (out == nullptr)
        return nullptr;
    size_t at = 0;
    while (at < n) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (multibyte(loc)) {
            // Lowering may change a character's length: keep it only when
            // it does not.
            char lowered[8];
            const int lengths = _trw_gl_im_tomlower(loc, lowered, text + at, static_cast<int>(n - at));
            const int from = lengths > 0 ? lengths / 256 : 0;
            if (from > 0 && lengths % 256 == from) {
                std::memcpy(out + at, lowered, static_cast<size_t>(from));
                at += static_cast<size_t>(from);
                continue;
            }
            out[at++] = static_cast<char>(c);
        } else if (loc != nullptr && loc->single_byte && loc->lower_map != nullptr) {
            out[at++] = static_cast<char>(loc->lower_map[c]);
        } else {
            out[at++] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        }
    }
    out[n] = '\0';
    return out;
}

} // namespace glsc
