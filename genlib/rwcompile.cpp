// MATCHES and LIKE: compiled patterns. rcnvtorelist turns a wide pattern
// into an element list (literal runs, optionally in normal form, any
// sequence, any one, bracket start and end, negation, range dash);
// rrewildmatch matches multibyte text of the client locale against it.
// Exports: rcnvtorelist, rrewildmatch, rfreerelist.
#include <cstring>

#include "gentcb.h"
#include "gl_char.h"
#include "rwildmat.h"
#include "rwmatch_int.h"

using namespace rwm;

namespace {

// ---- compiling ---------------------------------------------------------------------------

class Builder {
public:
    explicit Builder(bool normalise) : normalise_(normalise) {}
    Builder(const Builder &) = delete;
    Builder &operator=(const Builder &) = delete;
    ~Builder()
    {
        rfreerelist(head_);
        std::free(run_);
    }
    bool ok() const { return ok_; }
    bool add(int type, const uint32_t *wcs = nullptr, int count = 0)
    {
        if (!ok_)
            return false;
        auto *e = static_cast<relist *>(std::calloc(1, sizeof(relist)));
        if (e == nullptr || (count > 0 && (e->wcs = static_cast<uint32_t *>(
                                               std::malloc(sizeof(uint32_t) * static_cast<size_t>(count)))) == nullptr)) {
            std::free(e);
            return ok_ = false;
        }
        e->type = type;
        e->count = count;
        if (count > 0)
            std::memcpy(e->wcs, wcs, sizeof(uint32_t) * static_cast<size_t>(count));
        *tail_ = e;
        tail_ = &e->next;
        return true;
    }
    // Characters of the current literal run.
    void push(uint32_t c)
    {
        if (!ok_)
            return;
        if (run_count_ == run_room_) {
            int room = run_room_ ? run_room_ * 2 : 16;
            auto *r = static_cast<uint32_t *>(std::realloc(run_, sizeof(uint32_t) * static_cast<size_t>(room)));
            if (r == nullptr) {
                ok_ = false;
                return;
            }
            run_ = r;
            run_room_ = room;
        }
        run_[run_count_++] = c;
    }
    // Ends the current literal run (in normal form when normalising).
    void flush()
    {
        if (run_count_ == 0 || !ok_)
            return;
        if (!normalise_) {
            add(run_count_, run_, run_count_);
        } else {
            int room = normal_room(run_count_);
            auto *out = static_cast<uint32_t *>(std::malloc(sizeof(uint32_t) * static_cast<size_t>(room + 1)));
            if (out == nullptr) {
                ok_ = false;
                return;
            }
            int n = normalise(run_, run_count_, out, room);
            if (n > 0)
                add(n, out, n);
            std::free(out);
        }
        run_count_ = 0;
    }
    relist *release()
    {
        relist *h = head_;
        head_ = nullptr;
        return h;
    }

private:
    bool normalise_;
    bool ok_ = true;
    relist *head_ = nullptr;
    relist **tail_ = &head_;
    uint32_t *run_ = nullptr;
    int run_count_ = 0;
    int run_room_ = 0;
};

// The members of a bracket set from p[i] (after "[" and "^"); returns the
// position after the set's "]" (or the pattern's end).
int compile_set(Builder &b, const uint32_t *p, int n, int i)
{
    bool single = false; // the last element is a member that may start a range
    bool high = false;   // the next member ends a range
    for (; i < n; ++i) {
        uint32_t c = p[i];
        if (c == ']') {
            b.add(RWM_BREND);
            return i + 1;
        }
        if (c == '-' && single && i + 1 < n && p[i + 1] != ']') {
            b.add(RWM_BRRANGE);
            single = false;
            high = true;
            continue;
        }
        b.add(1, &c, 1);
        single = !high;
        high = false;
    }
    return n;
}

// ---- matching ----------------------------------------------------------------------------

// Whether c has the class blank in the locale (blank and tab without one).
bool is_blank(gl_locale *loc, uint32_t c)
{
    if (loc == nullptr)
        return c == ' ' || c == '\t';
    int saved = loc->error;
    int r = loc->single_byte ? _gl_is_iswctype(loc, c, GL_CLASS_BLANK) : im_iswctype(loc, c, GL_CLASS_BLANK);
    loc->error = saved;
    return r != 0;
}

class Compiled {
public:
    Compiled(gl_locale *loc, const uint32_t *t, int tn, relist **el, int en, bool normalise)
        : loc_(loc), t_(t), tn_(tn), el_(el), en_(en), normalise_(normalise)
    {
    }
    Compiled(const Compiled &) = delete;
    Compiled &operator=(const Compiled &) = delete;
    ~Compiled() { std::free(sequence_failed_); }
    int run() { return match(0, 0); }

private:
    bool blank(uint32_t c) const { return is_blank(loc_, c); }
    bool member_equal(uint32_t m, uint32_t c) const
    {
        if (m == c)
            return true;
        return normalise_ && loc_ != nullptr && !loc_->code_ranges && range_order(loc_, m, c, true) == 0;
    }
    // Tests the bracket starting at element ei against c (null: whether it
    // holds a character of class blank). *next gets the element after it.
    bool holds(int ei, const uint32_t *c, int *next, bool *closed) const
    {
        int i = ei + 1;
        bool negated = i < en_ && el_[i]->type == RWM_BRNOT, in = false;
        if (negated)
            ++i;
        for (; i < en_ && el_[i]->type > 0; ++i) {
            uint32_t lo = el_[i]->wcs[0];
            if (i + 2 < en_ && el_[i + 1]->type == RWM_BRRANGE && el_[i + 2]->type > 0) {
                uint32_t hi = el_[i + 2]->wcs[0];
                in = in || (c != nullptr ? in_range(loc_, lo, *c, hi, true)
                                         : in_range(loc_, lo, ' ', hi, true) || blank(lo) || blank(hi));
                i += 2;
            } else {
                in = in || (c != nullptr ? member_equal(lo, *c) : blank(lo));
            }
        }
        *closed = i < en_ && el_[i]->type == RWM_BREND;
        *next = *closed ? i + 1 : i;
        return in != negated;
    }
    // The text has ended: the remaining elements must match blank padding.
    int ended(int ei) const
    {
        while (ei < en_) {
            const relist *e = el_[ei];
            if (e->type == RWM_END)
                return 1;
            if (e->type == RWM_ANYSEQ) {
                ++ei;
            } else if (e->type > 0) {
                for (int k = 0; k < e->count; ++k)
                    if (!blank(e->wcs[k]))
                        return 0;
                ++ei;
            } else if (e->type == RWM_BRSTART) {
                bool closed;
                if (!holds(ei, nullptr, &ei, &closed))
                    return 0;
            } else {
                return 0;
            }
        }
        return 1;
    }
    int any_sequence(int ti, int ei)
    {
        while (ei < en_ && el_[ei]->type == RWM_ANYSEQ)
            ++ei;
        if (ei >= en_ || el_[ei]->type == RWM_END)
            return 1;
        // A sequence before element ei that failed from text position f on
        // fails from any later position too: it would try a part of the
        // same positions, then the same end. A try that succeeds ends the
        // whole match, so the tries reach an element in increasing
        // positions and each position is tried once per element, not once
        // per sequence that reaches it. (Without memory for the table every
        // try is made.)
        if (sequence_failed_ == nullptr &&
            (sequence_failed_ = static_cast<int *>(std::malloc(sizeof(int) * (static_cast<size_t>(en_) + 1)))) != nullptr)
            for (int i = 0; i <= en_; ++i)
                sequence_failed_[i] = tn_ + 1;
        if (sequence_failed_ != nullptr && ti >= sequence_failed_[ei])
            return 0;
        for (int k = ti; k < tn_; ++k)
            if (match(k, ei))
                return 1;
        const int r = ended(ei);
        if (r == 0 && sequence_failed_ != nullptr && ti < sequence_failed_[ei])
            sequence_failed_[ei] = ti;
        return r;
    }
    int match(int ti, int ei)
    {
        for (;;) {
            if (ei >= en_ || el_[ei]->type == RWM_END)
                return ti >= tn_ ? 1 : 0;
            if (ti >= tn_)
                return ended(ei);
            const relist *e = el_[ei];
            if (e->type > 0) {
                for (int k = 0; k < e->count; ++k, ++ti) {
                    if (ti >= tn_) {
                        for (int j = k; j < e->count; ++j)
                            if (!blank(e->wcs[j]))
                                return 0;
                        return ended(ei + 1);
                    }
                    if (t_[ti] != e->wcs[k])
                        return 0;
                }
                ++ei;
            } else if (e->type == RWM_ANYONE) {
                ++ti, ++ei;
            } else if (e->type == RWM_ANYSEQ) {
                return any_sequence(ti, ei);
            } else if (e->type == RWM_BRSTART) {
                bool closed;
                if (!holds(ei, &t_[ti], &ei, &closed))
                    return 0;
                ++ti;
                if (!closed)
                    return ti >= tn_ ? 1 : 0;
            } else {
                return 0; // a set element outside a set: not made by the compiler
            }
        }
    }

    gl_locale *loc_;
    const uint32_t *t_;
    int tn_;
    relist **el_;
    int en_;
    bool normalise_;
    int *sequence_failed_ = nullptr; // per element: the first text position a sequence before it failed from
};

// The text as wide characters, normalised when asked, its trailing blanks
// cut off by the matcher. Null when the text is invalid (count -1) or
// memory is missing (count -2).
uint32_t *text_of(gl_locale *loc, const char *text, int len, bool normalise, int *count)
{
    auto *w = static_cast<uint32_t *>(std::malloc(sizeof(uint32_t) * (static_cast<size_t>(len) + 1)));
    if (w == nullptr) {
        *count = -2;
        return nullptr;
    }
    int n;
    if (loc == nullptr) {
        for (n = 0; n < len; ++n)
            w[n] = static_cast<unsigned char>(text[n]);
    } else {
        int saved = loc->error;
        n = _trw_gl_im_mbfstowcfs(loc, w, text, len, len);
        loc->error = saved;
    }
    if (n < 0 || !normalise) {
        *count = n;
        if (n < 0)
            std::free(w);
        return n < 0 ? nullptr : w;
    }
    int room = normal_room(n);
    auto *out = static_cast<uint32_t *>(std::malloc(sizeof(uint32_t) * (static_cast<size_t>(room) + 1)));
    if (out == nullptr) {
        std::free(w);
        *count = -2;
        return nullptr;
    }
    *count = rwm::normalise(w, n, out, room);
    std::free(w);
    return out;
}

} // namespace

extern "C" {

relist *rcnvtorelist(const uint32_t *pattern, int anyseq, int anyone, int escape, int normalise)
{
    bool have_normaliser = ensure_normaliser();
    if (normalise && !have_normaliser) {
        set_toerrno(kNoMemory);
        return nullptr;
    }
    Specials sp = specials(anyseq, anyone, escape);
    int n = 0;
    while (pattern != nullptr && pattern[n] != 0)
        ++n;
    Builder b(normalise != 0);
    for (int i = 0; i < n;) {
        uint32_t c = pattern[i];
        if (c == sp.escape) {
            bool has = i + 1 < n;
            if (check_escape(sp, has, has ? pattern[i + 1] : 0) == Escape::EndWithOne) {
                b.flush();
                b.add(RWM_ANYSEQ);
                break;
            }
            b.push(pattern[i + 1]);
            i += 2;
        } else if (c == sp.anyseq || c == sp.anyone) {
            b.flush();
            b.add(c == sp.anyseq ? RWM_ANYSEQ : RWM_ANYONE);
            ++i;
        } else if (sp.matches && c == '[') {
            b.flush();
            b.add(RWM_BRSTART);
            ++i;
            if (i < n && pattern[i] == '^') {
                b.add(RWM_BRNOT);
                ++i;
            }
            i = compile_set(b, pattern, n, i);
        } else {
            b.push(c);
            ++i;
        }
    }
    b.flush();
    b.add(RWM_END);
    if (!b.ok()) {
        set_toerrno(kNoMemory);
        return nullptr;
    }
    return b.release();
}

int rrewildmatch(const char *text, int len, relist *list, int normalise)
{
    if (list == nullptr || (text == nullptr && len > 0))
        return 0;
    if (len < 0)
        len = 0;
    gl_locale *loc = client_locale();
    int tn = 0;
    uint32_t *t = text_of(loc, text != nullptr ? text : "", len, normalise != 0, &tn);
    if (t == nullptr) {
        if (tn == -2)
            set_toerrno(kNoMemory);
        else if (normalise)
            set_toerrno(kBadText);
        return 0;
    }
    int en = 0;
    for (relist *e = list; e != nullptr; e = e->next)
        ++en;
    auto **el = static_cast<relist **>(std::malloc(sizeof(relist *) * static_cast<size_t>(en)));
    if (el == nullptr) {
        std::free(t);
        set_toerrno(kNoMemory);
        return 0;
    }
    int k = 0;
    for (relist *e = list; e != nullptr; e = e->next)
        el[k++] = e;
    // The text's trailing characters of class blank need no match.
    while (tn > 0 && is_blank(loc, t[tn - 1]))
        --tn;
    Compiled m(loc, t, tn, el, en, normalise != 0);
    int r = m.run();
    std::free(el);
    std::free(t);
    return r;
}

void rfreerelist(relist *list)
{
    while (list != nullptr) {
        relist *next = list->next;
        std::free(list->wcs);
        std::free(list);
        list = next;
    }
}

} // extern "C"
