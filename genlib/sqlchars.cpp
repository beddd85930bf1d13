// The client locale's characters for the statement scanner and the case
// conversions: a per-locale table of the lead bytes that are whole
// characters (all of them in a single-byte locale, the ASCII range of the
// usual multibyte code sets) with their class masks, and the locale's class
// trie for everything else. The table is rebuilt when the client locale
// record changes.
#include "sqlchars.h"

#include "glschar.h"
#include "glsenv.h"

namespace sqlscan {

namespace {

ClientChars current;
bool built = false;

uint16_t ascii_mask(unsigned char c)
{
    uint16_t m = 0;
    if (c >= 'A' && c <= 'Z')
        m |= GL_CLASS_UPPER | GL_CLASS_ALPHA;
    if (c >= 'a' && c <= 'z')
        m |= GL_CLASS_LOWER | GL_CLASS_ALPHA;
    if (c >= '0' && c <= '9')
        m |= GL_CLASS_DIGIT;
    if (c == ' ' || (c >= '\t' && c <= '\r'))
        m |= GL_CLASS_SPACE;
    if (c == ' ' || c == '\t')
        m |= GL_CLASS_BLANK;
    return m;
}

void build(gl_locale *loc)
{
    current = ClientChars{};
    current.loc = loc;
    current.multibyte = loc != nullptr && !loc->single_byte && loc->class_trie != nullptr;
    for (int c = 0; c < 256; ++c) {
        const auto byte = static_cast<unsigned char>(c);
        if (loc == nullptr) {
            current.single[c] = true;
            current.mask[c] = ascii_mask(byte);
        } else if (!current.multibyte) {
            current.single[c] = true;
            current.mask[c] = loc->class_map != nullptr ? loc->class_map[c] : ascii_mask(byte);
        } else if (c != 0) {
            const char probe[2] = {static_cast<char>(byte), '\0'};
            int len = 0;
            const int mask = glsc::char_class(loc, probe, 1, &len);
            current.single[c] = len == 1;
            current.mask[c] = static_cast<uint16_t>(len == 1 ? mask : 0);
        }
    }
    current.single[0] = true;
    built = true;
}

} // namespace

const ClientChars &client_chars()
{
    // A loaded client locale means the environment is initialised.
    gl_locale *loc = trw_get_gl_locale_thread();
    if (loc == nullptr) {
        chkglsinit();
        loc = trw_get_gl_locale_thread();
    }
    if (!built || loc != current.loc)
        build(loc);
    return current;
}

bool client_locale_loaded()
{
    chkglsinit();
    return trw_get_gl_locale_thread() != nullptr;
}

int multibyte_step(const ClientChars &cc, const char *p, int limit)
{
    const int n = glsc::char_length(cc.loc, p, limit);
    return n > 0 ? n : 1;
}

int multibyte_mask(const ClientChars &cc, const char *p, int limit, int *len)
{
    int n = 0;
    const int mask = glsc::char_class(cc.loc, p, limit, &n);
    *len = n > 0 ? n : 1;
    return n > 0 ? mask : 0;
}

gl_wchar_t wide_at(const ClientChars &cc, const char *p, int limit, int *len)
{
    const int n = char_step(cc, p, limit);
    gl_wchar_t wc = 0;
    for (int i = 0; i < n; ++i)
        wc = (wc << 8) | static_cast<unsigned char>(p[i]);
    *len = n;
    return wc;
}

gl_wchar_t wide_lower(const ClientChars &cc, gl_wchar_t wc)
{
    if (cc.loc == nullptr)
        return wc >= 'A' && wc <= 'Z' ? wc + ('a' - 'A') : wc;
    if (!cc.multibyte)
        return wc < 256 && cc.loc->lower_map != nullptr ? cc.loc->lower_map[wc] : wc;
    const int saved = cc.loc->error;
    const gl_wchar_t lowered = gl_towlower(cc.loc, wc);
    cc.loc->error = saved;
    return lowered;
}

bool wide_alpha(const ClientChars &cc, gl_wchar_t wc)
{
    if (wc < 256 && cc.single[wc])
        return (cc.mask[wc] & GL_CLASS_ALPHA) != 0;
    if (cc.loc == nullptr || !cc.multibyte)
        return false;
    const int saved = cc.loc->error;
    const bool alpha = im_iswctype(cc.loc, wc, GL_CLASS_ALPHA) != 0;
    cc.loc->error = saved;
    return alpha;
}

} // namespace sqlscan
