// A model of MATCHES and LIKE written from the rules, for the tests: plain
// recursion over strings (exponential, so only for short cases), code-value
// ranges, blank and tab as the blank class. It reports whether matching
// reached a bad escape in an ANSI database or a warned escape otherwise.
#pragma once

#include <cstdint>
#include <string>

namespace rwmodel {

using Text = std::u32string;

struct Model {
    char32_t anyseq, anyone, escape;
    bool ansi = false;
    bool bad = false;    // -1278 would be set
    bool warned = false; // the warning flag would be set

    bool matches() const { return anyseq == U'*'; }

    // 0: literal (the escaped character), 1: matching ends with 1.
    int escape_at(const Text &p, size_t i)
    {
        bool has = i + 1 < p.size();
        char32_t n = has ? p[i + 1] : 0;
        if (has && (n == escape || n == anyseq || n == anyone || (matches() && (n == U'[' || n == U']'))))
            return 0;
        if (ansi) {
            bad = true;
            return 1;
        }
        warned = true;
        return has ? 0 : 1;
    }

    // A bracket set at p[i] == '[': -1 none; else whether c (or, for c == 0,
    // the blank by code) is in it; end and closed describe it.
    int set(const Text &p, size_t i, char32_t c, size_t &end, bool &closed) const
    {
        size_t q = i + 1;
        if (q >= p.size() || p[q] == U']')
            return -1;
        bool neg = p[q] == U'^';
        if (neg)
            ++q;
        bool in = false;
        char32_t probe = c == 0 ? U' ' : c;
        while (q < p.size() && p[q] != U']') {
            if (q + 2 < p.size() && p[q + 1] == U'-' && p[q + 2] != U']') {
                in = in || (p[q] <= probe && probe <= p[q + 2]);
                q += 3;
            } else {
                in = in || p[q] == probe;
                ++q;
            }
        }
        closed = q < p.size();
        end = closed ? q + 1 : p.size();
        return in != neg;
    }

    // Direct matcher (rule 2).
    int direct(const Text &t, size_t ti, const Text &p, size_t pi)
    {
        if (ti >= t.size()) {
            while (pi < p.size()) {
                if (p[pi] == escape) {
                    if (escape_at(p, pi))
                        return 1;
                    if (p[pi + 1] != U' ')
                        return 0;
                    pi += 2;
                } else if (p[pi] == anyseq || p[pi] == U' ') {
                    ++pi;
                } else if (matches() && p[pi] == U'[') {
                    size_t end;
                    bool closed;
                    if (set(p, pi, 0, end, closed) != 1)
                        return 0;
                    pi = end;
                } else {
                    return 0;
                }
            }
            return 1;
        }
        if (pi >= p.size())
            return 0;
        char32_t c = p[pi];
        if (c == escape) {
            if (escape_at(p, pi))
                return 1;
            return t[ti] == p[pi + 1] ? direct(t, ti + 1, p, pi + 2) : 0;
        }
        if (c == anyseq) {
            while (pi < p.size() && p[pi] == anyseq)
                ++pi;
            if (pi >= p.size())
                return 1;
            for (size_t k = ti; k < t.size(); ++k)
                if (direct(t, k, p, pi))
                    return 1;
            return 0;
        }
        if (matches() && c == U'[') {
            size_t end;
            bool closed;
            if (set(p, pi, t[ti], end, closed) != 1)
                return 0;
            if (!closed)
                return ti + 1 == t.size();
            return direct(t, ti + 1, p, end);
        }
        if (c == anyone || c == t[ti])
            return direct(t, ti + 1, p, pi + 1);
        return 0;
    }

    static bool blank(char32_t c) { return c == U' ' || c == U'\t'; }

    // Compiled matcher (rule 6, the text's trailing blanks cut, rule 6.6
    // deciding wherever the text has ended, empty texts included). Works
    // on the pattern text directly: escapes inside sets are members.
    int ended(const Text &p, size_t pi)
    {
        while (pi < p.size()) {
            char32_t c = p[pi];
            if (c == escape) {
                if (escape_at(p, pi))
                    return 1;
                if (!blank(p[pi + 1]))
                    return 0;
                pi += 2;
            } else if (c == anyseq || blank(c)) {
                ++pi;
            } else if (matches() && c == U'[') {
                if (!set_blank(p, pi, pi))
                    return 0;
            } else {
                return 0;
            }
        }
        return 1;
    }
    // Whether the set at p[pi] holds a blank-class character; pi moves past it.
    bool set_blank(const Text &p, size_t pi, size_t &next) const
    {
        size_t q = pi + 1;
        bool neg = q < p.size() && p[q] == U'^';
        if (neg)
            ++q;
        bool in = false;
        bool first = true;
        while (q < p.size() && (p[q] != U']')) {
            if (q + 2 < p.size() && p[q + 1] == U'-' && p[q + 2] != U']') {
                in = in || (p[q] <= U' ' && U' ' <= p[q + 2]) || blank(p[q]) || blank(p[q + 2]);
                q += 3;
            } else {
                in = in || blank(p[q]);
                ++q;
            }
            first = false;
        }
        (void)first;
        next = q < p.size() ? q + 1 : p.size();
        return in != neg;
    }
    int compiled(const Text &t, size_t ti, const Text &p, size_t pi)
    {
        if (pi >= p.size())
            return ti >= t.size();
        if (ti >= t.size())
            return ended(p, pi);
        char32_t c = p[pi];
        if (c == escape) {
            if (escape_at(p, pi))
                return 1;
            return t[ti] == p[pi + 1] ? compiled(t, ti + 1, p, pi + 2) : 0;
        }
        if (c == anyseq) {
            while (pi < p.size() && p[pi] == anyseq)
                ++pi;
            if (pi >= p.size())
                return 1;
            for (size_t k = ti; k < t.size(); ++k)
                if (compiled(t, k, p, pi))
                    return 1;
            return ended(p, pi);
        }
        if (matches() && c == U'[') {
            size_t q = pi + 1;
            bool neg = q < p.size() && p[q] == U'^';
            if (neg)
                ++q;
            bool in = false;
            while (q < p.size() && p[q] != U']') {
                if (q + 2 < p.size() && p[q + 1] == U'-' && p[q + 2] != U']') {
                    in = in || (p[q] <= t[ti] && t[ti] <= p[q + 2]);
                    q += 3;
                } else {
                    in = in || p[q] == t[ti];
                    ++q;
                }
            }
            if (in == neg)
                return 0;
            if (q >= p.size())
                return ti + 1 >= t.size();
            return compiled(t, ti + 1, p, q + 1);
        }
        if (c == anyone || c == t[ti])
            return compiled(t, ti + 1, p, pi + 1);
        return 0;
    }
    int compiled_match(Text t, const Text &p)
    {
        while (!t.empty() && blank(t.back()))
            t.pop_back();
        return compiled(t, 0, p, 0);
    }
};

} // namespace rwmodel
