// MATCHES and LIKE: the escape rule, range order, and the direct matchers on
// counted bytes (rescfixstrmatch) and on wide text (rescwildmatch, with
// rwildmatch converting multibyte text in the client locale).
// Exports: rwildmatch, rescwildmatch, rescfixstrmatch.
#include "rwildmat.h"

#include <cstring>

#include "gentcb.h"
#include "gl_char.h"
#include "gl_coll.h"
#include "glsenv.h"
#include "rwmatch_int.h"

namespace rwm {

Escape check_escape(const Specials &sp, bool has_next, uint32_t next)
{
    bool valid = has_next && (next == sp.escape || next == sp.anyseq || next == sp.anyone ||
                              (sp.matches && (next == '[' || next == ']')));
    if (valid)
        return Escape::Literal;
    if (ansidb) {
        set_toerrno(kBadEscape);
        return Escape::EndWithOne;
    }
    if (gentcb_t *block = CheckGenInit())
        block->gt_escwarn = 1;
    return has_next ? Escape::Literal : Escape::EndWithOne;
}

gl_locale *client_locale()
{
    if (chkglsinit() != 0)
        return nullptr;
    return trw_get_gl_locale_thread();
}

int range_order(gl_locale *loc, uint32_t a, uint32_t b, bool wide)
{
    int by_code = (a > b) - (a < b);
    if (loc == nullptr || loc->code_ranges || a == b)
        return by_code;
    int saved = loc->error;
    loc->error = 0;
    int r;
    if (wide) {
        r = _trw_gl_full_wcscoll(loc, &a, 1, &b, 1);
    } else {
        unsigned char ba = static_cast<unsigned char>(a), bb = static_cast<unsigned char>(b);
        r = loc->coll_ncompare(loc, &ba, 1, &bb, 1);
    }
    bool failed = loc->error != 0;
    loc->error = saved;
    return failed ? by_code : (r > 0) - (r < 0);
}

} // namespace rwm

using namespace rwm;

namespace {

// One bracket set read from a pattern: where it ends and what it holds.
struct Set {
    int end;      // pattern position after the set
    bool closed;  // ended by "]"
    bool negated;
};

// The direct matcher over a text and a pattern of characters C.
template <class C> class Direct {
public:
    Direct(const C *t, int tn, const C *p, int pn, const Specials &sp, gl_locale *loc, bool wide)
        : t_(t), tn_(tn), p_(p), pn_(pn), sp_(sp), loc_(loc), wide_(wide), failed_(tn + 1, pn + 1)
    {
    }
    int run() { return match(0, 0); }

private:
    // Reads the set at p_[pi] == '[' and tests c (or, when c is null, the
    // blank padding by code value). -1: no set can start here ("[" ending
    // the pattern, "[]").
    int set_holds(int pi, const uint32_t *c, Set &s) const
    {
        int q = pi + 1;
        if (q >= pn_ || p_[q] == ']')
            return -1;
        s.negated = p_[q] == '^';
        if (s.negated)
            ++q;
        bool in = false;
        while (q < pn_ && p_[q] != ']') {
            uint32_t lo = p_[q];
            if (q + 2 < pn_ && p_[q + 1] == '-' && p_[q + 2] != ']') {
                uint32_t hi = p_[q + 2];
                in = in || (c != nullptr ? in_range(loc_, lo, *c, hi, wide_) : lo <= 0x20 && hi >= 0x20);
                q += 3;
            } else {
                in = in || (c != nullptr ? lo == *c : lo == 0x20);
                ++q;
            }
        }
        s.closed = q < pn_;
        s.end = s.closed ? q + 1 : pn_;
        return in != s.negated ? 1 : 0;
    }

    // The text has ended: the rest of the pattern must match blank padding.
    int at_end(int pi) const
    {
        while (pi < pn_) {
            uint32_t c = p_[pi];
            if (c == sp_.escape) {
                if (check_escape(sp_, pi + 1 < pn_, pi + 1 < pn_ ? p_[pi + 1] : 0) == Escape::EndWithOne)
                    return 1;
                if (p_[pi + 1] != ' ')
                    return 0;
                pi += 2;
            } else if (c == sp_.anyseq || c == ' ') {
                ++pi;
            } else if (sp_.matches && c == '[') {
                Set s;
                if (set_holds(pi, nullptr, s) != 1)
                    return 0;
                pi = s.end;
            } else {
                return 0;
            }
        }
        return 1;
    }

    // Tries the rest of the pattern from p_[pi] against every text position
    // from ti on that has a character.
    int any_sequence(int ti, int pi)
    {
        while (pi < pn_ && p_[pi] == sp_.anyseq)
            ++pi;
        if (pi >= pn_)
            return 1;
        for (int k = ti; k < tn_; ++k) {
            if (failed_.seen(k, pi))
                continue;
            if (match(k, pi))
                return 1;
            failed_.mark(k, pi);
        }
        return 0;
    }

    int match(int ti, int pi)
    {
        for (;;) {
            if (ti >= tn_)
                return at_end(pi);
            if (pi >= pn_)
                return 0;
            uint32_t pc = p_[pi], tc = t_[ti];
            if (pc == sp_.escape) {
                bool has = pi + 1 < pn_;
                if (check_escape(sp_, has, has ? p_[pi + 1] : 0) == Escape::EndWithOne)
                    return 1;
                if (tc != p_[pi + 1])
                    return 0;
                ++ti, pi += 2;
            } else if (pc == sp_.anyseq) {
                return any_sequence(ti, pi);
            } else if (sp_.matches && pc == '[') {
                Set s;
                if (set_holds(pi, &tc, s) != 1)
                    return 0;
                if (!s.closed)
                    return ti + 1 == tn_ ? 1 : 0;
                ++ti, pi = s.end;
            } else if (pc == sp_.anyone || pc == tc) {
                ++ti, ++pi;
            } else {
                return 0;
            }
        }
    }

    const C *t_;
    int tn_;
    const C *p_;
    int pn_;
    Specials sp_;
    gl_locale *loc_;
    bool wide_;
    Failed failed_;
};

int bounded_length(const char *s, int n)
{
    if (s == nullptr || n <= 0)
        return 0;
    const void *z = std::memchr(s, 0, static_cast<size_t>(n));
    return z != nullptr ? static_cast<int>(static_cast<const char *>(z) - s) : n;
}

int wide_length(const uint32_t *s)
{
    int n = 0;
    while (s != nullptr && s[n] != 0)
        ++n;
    return n;
}

// A multibyte text of the client locale as wide characters (malloc), or
// null with the error set.
uint32_t *widen(gl_locale *loc, const char *s)
{
    size_t room = std::strlen(s) + 1;
    auto *w = static_cast<uint32_t *>(std::malloc(room * sizeof(uint32_t)));
    if (w == nullptr) {
        set_toerrno(kNoMemory);
        return nullptr;
    }
    int saved = loc->error;
    int n = gl_mbstowcs(loc, w, s, static_cast<int>(room));
    loc->error = saved;
    if (n < 0) {
        std::free(w);
        set_toerrno(kBadText);
        return nullptr;
    }
    w[n] = 0;
    return w;
}

} // namespace

extern "C" {

int rescfixstrmatch(const char *text, int n, const char *pattern, int m, int anyseq, int anyone, int escape)
{
    int tn = bounded_length(text, n), pn = bounded_length(pattern, m);
    Specials sp = specials(anyseq & 0xFF, anyone & 0xFF, escape & 0xFF);
    gl_locale *loc = sp.matches ? client_locale() : nullptr;
    Direct<unsigned char> d(reinterpret_cast<const unsigned char *>(text), tn,
                            reinterpret_cast<const unsigned char *>(pattern), pn, sp, loc, false);
    return d.run();
}

int rescwildmatch(const uint32_t *text, const uint32_t *pattern, int anyseq, int anyone, int escape)
{
    Specials sp = specials(anyseq, anyone, escape);
    gl_locale *loc = sp.matches ? client_locale() : nullptr;
    Direct<uint32_t> d(text, wide_length(text), pattern, wide_length(pattern), sp, loc, true);
    return d.run();
}

int rwildmatch(const char *text, const char *pattern, int anyseq, int anyone)
{
    gl_locale *loc = client_locale();
    if (loc == nullptr || text == nullptr || pattern == nullptr) {
        set_toerrno(loc == nullptr ? kNoMemory : kBadText);
        return -1;
    }
    uint32_t *wt = widen(loc, text);
    if (wt == nullptr)
        return -1;
    uint32_t *wp = widen(loc, pattern);
    if (wp == nullptr) {
        std::free(wt);
        return -1;
    }
    int r = rescwildmatch(wt, wp, anyseq, anyone, '\\');
    std::free(wt);
    std::free(wp);
    return r;
}

} // extern "C"
