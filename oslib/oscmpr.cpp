// Comparison of blank-padded character values: osglsbycmpr and osglsbyleng
// under a locale of the locale library, nlsbycmpr and _oncharcmp under the
// operating system's collation (strcoll), and CharInRange under the client
// locale. The copies handed to the collation live in the OS control block's
// scratch buffer.
#include "oscmpr.h"

#include <cstring>

#include "gl_coll.h"
#include "osclient.h"
#include "osinit.h"
#include "osutil.h"

namespace {

int sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

int report(int *error, int code)
{
    if (error != nullptr)
        *error = code;
    return 0;
}

gl_locale *client_locale()
{
    const os_client_locale_hooks *hooks = os_client_locale();
    return hooks != nullptr && hooks->client_locale != nullptr ? hooks->client_locale() : nullptr;
}

bool collates_by_code(const gl_locale *loc)
{
    return loc == nullptr || loc->coll_kind == GL_COLL_NONE ||
           (loc->coll_kind == GL_COLL_AS_SPECIFIED && (loc->coll_mode != 0 || loc->weight_trie == nullptr));
}

bool multibyte(const gl_locale *loc) { return loc != nullptr && !loc->single_byte; }

// The first byte of a value, 0 for an empty one (which is not read).
unsigned char first_byte(const char *v, int n) { return n > 0 ? static_cast<unsigned char>(v[0]) : 0; }

// Rule for leading zero bytes: 2 when it does not decide, else the result.
int by_zero_first_bytes(const char *a, int la, const char *b, int lb)
{
    const bool za = first_byte(a, la) == 0, zb = first_byte(b, lb) == 0;
    if (za && zb) {
        if ((la > 0) == (lb > 0))
            return 0;
        return lb > 0 ? 1 : -1;
    }
    if (za)
        return -1;
    return zb ? 1 : 2;
}

// Empty values after trimming: 2 when neither is empty.
int by_emptiness(int na, int nb)
{
    if (na == 0 || nb == 0)
        return na == nb ? 0 : na == 0 ? -1 : 1;
    return 2;
}

int locale_failure(gl_locale *loc, int *error)
{
    return report(error, loc->error == GL_ENOMEM ? OSCMPR_ENOMEM : OSCMPR_EINVALID);
}

int compare_multibyte(gl_locale *loc, const char *a, int la, const char *b, int lb, int *error)
{
    const long long wide_bytes = (static_cast<long long>(la) + lb + 2) * static_cast<long long>(sizeof(gl_wchar_t));
    char *scratch = wide_bytes <= 0x7FFFFFFF ? allocnbspace(static_cast<int>(wide_bytes)) : nullptr;
    if (scratch == nullptr)
        return report(error, OSCMPR_ESCRATCH);
    auto *wa = reinterpret_cast<gl_wchar_t *>(scratch);
    gl_wchar_t *wb = wa + la + 1;
    const int saved = loc->error;
    loc->error = 0;
    const int ca = la > 0 ? _trw_gl_im_mbfstowcfs(loc, wa, a, la, la) : 0;
    const int cb = ca >= 0 && lb > 0 ? _trw_gl_im_mbfstowcfs(loc, wb, b, lb, lb) : 0;
    if (ca < 0 || cb < 0)
        return locale_failure(loc, error);
    const int na = ca > 0 ? _trw_gl_wcsntslen(loc, wa, ca) : 0;
    const int nb = cb > 0 ? _trw_gl_wcsntslen(loc, wb, cb) : 0;
    if (na < 0 || nb < 0)
        return locale_failure(loc, error);
    if (int decided = by_emptiness(na, nb); decided != 2)
        return decided;
    const int result = _trw_gl_full_wcscoll(loc, wa, na, wb, nb);
    if (loc->error != 0)
        return locale_failure(loc, error);
    loc->error = saved;
    return sign(result);
}

// Copies both ranges, terminated, into the scratch buffer (a zero byte
// inside a range ends its copy for the collation). False without a buffer.
bool scratch_copies(const char *a, int na, const char *b, int nb, char **ca, char **cb)
{
    char *scratch = allocnbspace(na + nb + 2);
    if (scratch == nullptr)
        return false;
    std::memcpy(scratch, a, static_cast<std::size_t>(na));
    scratch[na] = '\0';
    std::memcpy(scratch + na + 1, b, static_cast<std::size_t>(nb));
    scratch[na + 1 + nb] = '\0';
    *ca = scratch;
    *cb = scratch + na + 1;
    return true;
}

int compare_single_byte(gl_locale *loc, const char *a, int la, const char *b, int lb, int *error)
{
    const int na = trw_byleng(a, la), nb = trw_byleng(b, lb);
    if (int decided = by_emptiness(na, nb); decided != 2)
        return decided;
    char *ca = nullptr, *cb = nullptr;
    if (!scratch_copies(a, na, b, nb, &ca, &cb))
        return report(error, OSCMPR_ESCRATCH);
    const int saved = loc->error;
    loc->error = 0;
    const int result = loc->coll_compare(loc, reinterpret_cast<const unsigned char *>(ca),
                                         reinterpret_cast<const unsigned char *>(cb));
    if (loc->error != 0)
        return locale_failure(loc, error);
    loc->error = saved;
    return sign(result);
}

int os_collation(const char *a, int la, const char *b, int lb, int *error)
{
    if (int decided = by_zero_first_bytes(a, la, b, lb); decided != 2)
        return decided;
    char *ca = nullptr, *cb = nullptr;
    if (!scratch_copies(a, trw_byleng(a, la), b, trw_byleng(b, lb), &ca, &cb))
        return report(error, OSCMPR_ESCRATCH);
    return sign(std::strcoll(ca, cb));
}

} // namespace

extern "C" int osglsbyleng(gl_locale *loc, const char *text, int n)
{
    if (text == nullptr || n <= 0)
        return 0;
    if (!multibyte(loc))
        return trw_byleng(text, n);
    const int saved = loc->error;
    const int length = _trw_gl_mbsntsbytes(loc, text, n);
    loc->error = saved;
    return length >= 0 && length <= n ? length : trw_byleng(text, n);
}

extern "C" int osglsbycmpr(gl_locale *loc, const char *a, int la, const char *b, int lb, int *error)
{
    la = a != nullptr && la > 0 ? la : 0;
    lb = b != nullptr && lb > 0 ? lb : 0;
    if (loc == nullptr)
        loc = client_locale();
    if (collates_by_code(loc))
        return sign(charcmp(a, la, b, lb));
    if (osglsbyleng(loc, a, la) == 0 && osglsbyleng(loc, b, lb) == 0)
        return 0;
    if (int decided = by_zero_first_bytes(a, la, b, lb); decided != 2)
        return decided;
    return multibyte(loc) ? compare_multibyte(loc, a, la, b, lb, error)
                          : compare_single_byte(loc, a, la, b, lb, error);
}

extern "C" int nlsbycmpr(const char *a, const char *b, int n, int *error)
{
    if (n <= 0 || a == nullptr || b == nullptr)
        return 0;
    return os_collation(a, n, b, n, error);
}

extern "C" int _oncharcmp(const char *a, int la, const char *b, int lb, int *error)
{
    la = a != nullptr && la > 0 ? la : 0;
    lb = b != nullptr && lb > 0 ? lb : 0;
    return os_collation(a, la, b, lb, error);
}

extern "C" int CharInRange(gl_wchar_t c, gl_wchar_t low, gl_wchar_t high)
{
    gl_locale *loc = client_locale();
    if (collates_by_code(loc))
        return low <= c && c <= high ? 1 : 0;
    const int saved = loc->error;
    const bool in = _trw_gl_full_wcscoll(loc, &low, 1, &c, 1) <= 0 && _trw_gl_full_wcscoll(loc, &c, 1, &high, 1) <= 0;
    loc->error = saved;
    return in ? 1 : 0;
}
