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
//
// The rest of the pattern from an any-sequence character is tried at every
// later text position. Whether it matches from (text position, pattern
// position) depends on the two positions only, and the positions tried for
// one pattern position after an any-sequence always run from some start to
// the text's end, so one number per pattern position remembers the failures:
// the first text position from which every try failed. Two further cuts
// keep the common cases short without changing any result:
//  - when the rest starts with a literal, only the text positions holding
//    that character can match;
//  - between two any-sequence characters every element takes exactly one
//    text character, so when a try reached the next any-sequence at q and
//    everything from q on failed, a later try that also reaches it (at a
//    position after q, before the text's end) fails too; only the tries in
//    which the text ends inside that stretch remain (the padding rule may
//    make them match).
// The elements skipped so are those an earlier try walked over already, so
// the escape warnings are set as by trying them all.
template <class C> class Direct {
public:
    Direct(const C *t, int tn, const C *p, int pn, const Specials &sp, bool use_locale, bool wide)
        : t_(t), tn_(tn), p_(p), pn_(pn), sp_(sp), use_locale_(use_locale), wide_(wide)
    {
        if (pn_ + 1 <= kStackPositions) {
            fail_from_ = stack_;
        } else {
            fail_from_ = static_cast<int *>(std::malloc(sizeof(int) * (static_cast<size_t>(pn_) + 1)));
            owned_ = fail_from_ != nullptr;
        }
        if (fail_from_ != nullptr)
            for (int i = 0; i <= pn_; ++i)
                fail_from_[i] = tn_;
    }
    Direct(const Direct &) = delete;
    Direct &operator=(const Direct &) = delete;
    ~Direct()
    {
        if (owned_)
            std::free(fail_from_);
    }
    int run() { return match(0, 0) > 0 ? 1 : 0; }

private:
    // The collation of ranges: the client locale, looked up on first use.
    gl_locale *locale() const
    {
        if (use_locale_ && !have_locale_) {
            loc_ = client_locale();
            have_locale_ = true;
        }
        return loc_;
    }

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
                in = in || (c != nullptr ? in_range(locale(), lo, *c, hi, wide_) : lo <= 0x20 && hi >= 0x20);
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

    // Whether the escape at p_[pi] is followed by a character it may escape
    // (so checking it has no side effect).
    bool valid_escape(int pi) const
    {
        if (pi + 1 >= pn_)
            return false;
        uint32_t n = p_[pi + 1];
        return n == sp_.escape || n == sp_.anyseq || n == sp_.anyone || (sp_.matches && (n == '[' || n == ']'));
    }

    // The literal the element at p_[pi] must equal, or false when it is not
    // a plain literal.
    bool literal_at(int pi, uint32_t *c) const
    {
        uint32_t pc = p_[pi];
        if (pc == sp_.escape) {
            if (!valid_escape(pi))
                return false;
            *c = p_[pi + 1];
            return true;
        }
        if (pc == sp_.anyone || pc == sp_.anyseq || (sp_.matches && pc == '['))
            return false;
        *c = pc;
        return true;
    }

    // The next text position from k below limit holding c, or limit.
    int find(int k, int limit, uint32_t c) const
    {
        if constexpr (sizeof(C) == 1) {
            const void *f = std::memchr(t_ + k, static_cast<int>(c), static_cast<size_t>(limit - k));
            return f != nullptr ? static_cast<int>(static_cast<const C *>(f) - t_) : limit;
        } else {
            while (k < limit && t_[k] != c)
                ++k;
            return k;
        }
    }

    // Tries the rest of the pattern from p_[pi] against every text position
    // from ti on that has a character. 1, or -1 when every try failed (with
    // reach_ = ti).
    int any_sequence(int ti, int pi)
    {
        while (pi < pn_ && p_[pi] == sp_.anyseq)
            ++pi;
        if (pi >= pn_)
            return 1;
        int limit = fail_from_ != nullptr && fail_from_[pi] < tn_ ? fail_from_[pi] : tn_;
        uint32_t lit = 0;
        bool literal = literal_at(pi, &lit);
        for (int k = ti; k < limit; ++k) {
            if (literal && (k = find(k, limit, lit)) >= limit)
                break;
            int r = match(k, pi);
            if (r > 0)
                return 1;
            if (r < 0) {
                // The next any-sequence, reached at reach_, failed from there on.
                int last = tn_ - (reach_ - k) - 1;
                if (last > k)
                    k = last;
            }
        }
        if (fail_from_ != nullptr && ti < fail_from_[pi])
            fail_from_[pi] = ti;
        reach_ = ti;
        return -1;
    }

    // 1 match, 0 no match, -1 no match because an any-sequence reached at
    // reach_ failed from there on.
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

    static constexpr int kStackPositions = 64;
    const C *t_;
    int tn_;
    const C *p_;
    int pn_;
    Specials sp_;
    bool use_locale_;
    mutable bool have_locale_ = false;
    mutable gl_locale *loc_ = nullptr;
    bool wide_;
    int reach_ = 0;
    int *fail_from_ = nullptr; // null without memory: every try is made
    bool owned_ = false;
    int stack_[kStackPositions];
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
    Direct<unsigned char> d(reinterpret_cast<const unsigned char *>(text), tn,
                            reinterpret_cast<const unsigned char *>(pattern), pn, sp, sp.matches, false);
    return d.run();
}

int rescwildmatch(const uint32_t *text, const uint32_t *pattern, int anyseq, int anyone, int escape)
{
    Specials sp = specials(anyseq, anyone, escape);
    Direct<uint32_t> d(text, wide_length(text), pattern, wide_length(pattern), sp, sp.matches, true);
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
