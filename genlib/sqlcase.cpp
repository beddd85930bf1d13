// UPSHIFT, DOWNSHIFT and INITCAP on the client locale: rupshift,
// rdownshift, rcaseshift (in place), sqlcaseshift and sqlinitcap (into a
// destination of exactly n bytes). Single-byte locales map bytes through the
// locale's case tables; multibyte locales convert character by character,
// and a conversion may change a character's byte length.
#include <cstdlib>
#include <cstring>

#include "glschar.h"
#include "sqlchars.h"
#include "sqlstmt.h"

using sqlscan::ClientChars;

namespace {

enum class Case { Upper, Lower, Keep };

Case case_of(int code)
{
    return code == SQL_UPSHIFT ? Case::Upper : code == SQL_DOWNSHIFT ? Case::Lower : Case::Keep;
}

unsigned char ascii_case(unsigned char c, Case to)
{
    if (to == Case::Upper && c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - ('a' - 'A'));
    if (to == Case::Lower && c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + ('a' - 'A'));
    return c;
}

// Converts the character at src (limit bytes available) into out (room for
// 8 bytes): its source length, with *written set; -1 for an invalid one.
int convert_char(const ClientChars &cc, const char *src, int limit, Case to, char *out, int *written)
{
    const auto c = static_cast<unsigned char>(*src);
    if (!cc.multibyte || cc.single[c]) {
        const unsigned char *map = nullptr;
        if (cc.loc != nullptr && !cc.multibyte)
            map = to == Case::Upper ? cc.loc->upper_map : to == Case::Lower ? cc.loc->lower_map : nullptr;
        out[0] = static_cast<char>(to == Case::Keep ? c : map != nullptr ? map[c] : ascii_case(c, to));
        *written = 1;
        return 1;
    }
    if (to == Case::Keep) {
        const int len = glsc::char_length(cc.loc, src, limit);
        if (len <= 0)
            return -1;
        std::memcpy(out, src, static_cast<size_t>(len));
        *written = len;
        return len;
    }
    const int saved = cc.loc->error;
    const int lengths = to == Case::Upper ? _trw_gl_im_tomupper(cc.loc, out, src, limit)
                                          : _trw_gl_im_tomlower(cc.loc, out, src, limit);
    cc.loc->error = saved;
    if (lengths <= 0)
        return -1;
    *written = lengths % 256;
    return lengths / 256;
}

// The case a character takes: fixed, or by its place in a run of letters.
struct CaseRule {
    Case fixed;
    bool initcap;
    bool in_word = false;

    Case next(const ClientChars &cc, const char *src, int limit)
    {
        if (!initcap)
            return fixed;
        int len = 0;
        const bool alpha = (sqlscan::char_mask(cc, src, limit, &len) & GL_CLASS_ALPHA) != 0;
        const bool first = alpha && !in_word;
        in_word = alpha;
        return !alpha ? Case::Keep : first ? Case::Upper : Case::Lower;
    }
};

// Converts the terminated src into dst[0..n) by the rule, zero-filling the
// rest: 0 or SQL_EBADCHAR.
int convert_into(const char *src, char *dst, int n, CaseRule rule)
{
    if (n <= 0 || dst == nullptr)
        return 0;
    const ClientChars &cc = sqlscan::client_chars();
    int out = 0;
    int status = 0;
    const char *p = src != nullptr ? src : "";
    if (!cc.multibyte && !rule.initcap && rule.fixed != Case::Keep && cc.loc != nullptr) {
        const unsigned char *map = rule.fixed == Case::Upper ? cc.loc->upper_map : cc.loc->lower_map;
        for (; out < n && p[out] != '\0'; ++out) {
            const auto c = static_cast<unsigned char>(p[out]);
            dst[out] = static_cast<char>(map != nullptr ? map[c] : ascii_case(c, rule.fixed));
        }
        std::memset(dst + out, 0, static_cast<size_t>(n - out));
        return 0;
    }
    const int total = static_cast<int>(std::strlen(p));
    while (*p != '\0') {
        const int limit = total - static_cast<int>(p - src);
        char buffer[8];
        int written = 0;
        const int read = convert_char(cc, p, limit, rule.next(cc, p, limit), buffer, &written);
        if (read <= 0) {
            status = SQL_EBADCHAR;
            break;
        }
        if (written > n - out)
            break;
        std::memcpy(dst + out, buffer, static_cast<size_t>(written));
        out += written;
        p += read;
    }
    std::memset(dst + out, 0, static_cast<size_t>(n - out));
    return status;
}

// Converts text in place, keeping only the whole characters that fit in
// its original length. Invalid bytes stay as they are.
void convert_in_place(const ClientChars &cc, char *text, Case to)
{
    const int length = static_cast<int>(std::strlen(text));
    const bool may_grow = cc.multibyte && gl_case_conv_outbuflen(cc.loc, length) != length;
    char *out = text;
    if (may_grow) {
        out = static_cast<char *>(std::malloc(static_cast<size_t>(gl_case_conv_outbuflen(cc.loc, length)) + 8));
        if (out == nullptr)
            return;
    }
    int at = 0;
    int put = 0;
    while (at < length) {
        char buffer[8];
        int written = 0;
        int read = convert_char(cc, text + at, length - at, to, buffer, &written);
        if (read <= 0) {
            read = 1;
            written = 1;
            buffer[0] = text[at];
        } else if (!may_grow && written != read) {
            written = read; // keep a character whose case is longer or shorter
            std::memcpy(buffer, text + at, static_cast<size_t>(read));
        }
        if (put + written > length)
            break;
        std::memcpy(out + put, buffer, static_cast<size_t>(written));
        put += written;
        at += read;
    }
    if (may_grow) {
        std::memcpy(text, out, static_cast<size_t>(put));
        std::free(out);
    }
    text[put] = '\0';
}

} // namespace

extern "C" {

void rcaseshift(int code, char *text)
{
    const Case to = case_of(code);
    if (text == nullptr || to == Case::Keep || !sqlscan::client_locale_loaded())
        return;
    const ClientChars &cc = sqlscan::client_chars();
    if (!cc.multibyte) {
        const unsigned char *map = to == Case::Upper ? cc.loc->upper_map : cc.loc->lower_map;
        for (auto *p = reinterpret_cast<unsigned char *>(text); *p != '\0'; ++p)
            *p = map != nullptr ? map[*p] : ascii_case(*p, to);
        return;
    }
    convert_in_place(cc, text, to);
}

void rupshift(char *text)
{
    rcaseshift(SQL_UPSHIFT, text);
}

void rdownshift(char *text)
{
    rcaseshift(SQL_DOWNSHIFT, text);
}

int sqlcaseshift(int code, const char *src, char *dst, int n)
{
    return convert_into(src, dst, n, CaseRule{case_of(code), false});
}

int sqlinitcap(const char *src, char *dst, int n)
{
    return convert_into(src, dst, n, CaseRule{Case::Keep, true});
}

} // extern "C"
