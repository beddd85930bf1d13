// The OS layer's byte classification table _ixctype and its reloads:
// rldctype (once per process, from the environment in the old-style
// language mode) and rldnlsctype (from a named locale). A rebuild maps the C
// library's classification of every byte bit for bit and refills the case
// tables _ix2lowmap and _ix2upmap from tolower and toupper.
#include <cctype>
#include <clocale>

#include "osinit.h"
#include "osinitint.h"
#include "osutil.h"

namespace {

constexpr unsigned char kUpper = 0x01;
constexpr unsigned char kLower = 0x02;
constexpr unsigned char kDigit = 0x04;
constexpr unsigned char kSpace = 0x08;
constexpr unsigned char kPunct = 0x10;
constexpr unsigned char kControl = 0x20;
constexpr unsigned char kHex = 0x40;
constexpr unsigned char kGraphOrBlank = 0x80;

// The default class of byte c: ASCII, with 0x80-0xAD lower case and
// 0xAE-0xFF punctuation.
constexpr unsigned char default_class(unsigned c)
{
    if (c >= 'A' && c <= 'Z')
        return kUpper;
    if (c >= 'a' && c <= 'z')
        return kLower;
    if (c >= '0' && c <= '9')
        return kDigit;
    if (c == ' ')
        return kSpace;
    if (c >= '\t' && c <= '\r')
        return kSpace | kControl;
    if (c < 0x20 || c == 0x7F)
        return kControl;
    if (c < 0x80)
        return kPunct;
    return c <= 0xAD ? kLower : kPunct;
}

constexpr auto kDefaultTable = [] {
    struct Table {
        unsigned char bytes[258];
    } t{};
    for (unsigned c = 0; c < 256; ++c)
        t.bytes[c + 1] = default_class(c);
    return t;
}();
static_assert(kDefaultTable.bytes[0] == 0 && kDefaultTable.bytes[' ' + 1] == kSpace &&
              kDefaultTable.bytes[0xAD + 1] == kLower && kDefaultTable.bytes[0xAE + 1] == kPunct);

void mark_high_bytes()
{
    for (unsigned c = 0x80; c < 256; ++c)
        _ixctype[c + 1] = default_class(c);
}

bool tables_loaded = false;

} // namespace

extern "C" {
unsigned char _ixctype[258] = {
#define ROW(b) kDefaultTable.bytes[b]
#define ROW8(b) ROW(b), ROW(b + 1), ROW(b + 2), ROW(b + 3), ROW(b + 4), ROW(b + 5), ROW(b + 6), ROW(b + 7)
#define ROW64(b) ROW8(b), ROW8(b + 8), ROW8(b + 16), ROW8(b + 24), ROW8(b + 32), ROW8(b + 40), ROW8(b + 48), ROW8(b + 56)
    ROW64(0), ROW64(64), ROW64(128), ROW64(192), ROW(256), ROW(257)
#undef ROW64
#undef ROW8
#undef ROW
};
}

namespace osinit {

void rebuild_tables()
{
    _ixctype[0] = 0;
    for (int c = 0; c < 256; ++c) {
        unsigned char bits = 0;
        bits |= std::isupper(c) ? kUpper : 0;
        bits |= std::islower(c) ? kLower : 0;
        bits |= std::isdigit(c) ? kDigit : 0;
        bits |= std::isspace(c) ? kSpace : 0;
        bits |= std::ispunct(c) ? kPunct : 0;
        bits |= std::iscntrl(c) ? kControl : 0;
        bits |= std::isxdigit(c) ? kHex : 0;
        if (std::isupper(c) || std::islower(c) || std::isdigit(c) || std::ispunct(c) || std::isblank(c))
            bits |= kGraphOrBlank;
        _ixctype[c + 1] = bits;
        _ix2lowmap[c] = static_cast<unsigned char>(std::tolower(c));
        _ix2upmap[c] = static_cast<unsigned char>(std::toupper(c));
    }
}

} // namespace osinit

extern "C" int rldctype(void)
{
    if (tables_loaded)
        return 0;
    if (DBNLSset() == 0) {
        mark_high_bytes();
        tables_loaded = true;
        return 0;
    }
    if (osinit::ensure_block() == nullptr)
        return -1;
    std::setlocale(LC_CTYPE, "");
    osinit::rebuild_tables();
    tables_loaded = true;
    return 0;
}

extern "C" int rldnlsctype(const char *locale)
{
    if (osinit::ensure_block() == nullptr)
        return OSINIT_ENOMEM;
    if (locale == nullptr || std::setlocale(LC_CTYPE, locale) == nullptr)
        return OSINIT_ECTYPE;
    osinit::rebuild_tables();
    return 0;
}
