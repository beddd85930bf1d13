// What the MATCHES and LIKE modules share: the special characters of a
// pattern, the escape rule, range order by the client locale's collation,
// the failed-attempt memory that keeps matching polynomial, and the
// normaliser. Internal; not installed.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "gl_locale.h"

namespace rwm {

constexpr int kBadEscape = -1278;
constexpr int kNoMemory = -406;
constexpr int kBadText = -202;

struct Specials {
    uint32_t anyseq, anyone, escape;
    bool matches; // MATCHES: bracket sets exist
};

inline Specials specials(int anyseq, int anyone, int escape)
{
    return {static_cast<uint32_t>(anyseq), static_cast<uint32_t>(anyone), static_cast<uint32_t>(escape),
            anyseq == '*'};
}

// What an escape at some pattern position does.
enum class Escape { Literal, EndWithOne };

// Checks the character after an escape (next, or none when the escape ends
// the pattern), sets -1278 or the warning flag as the rule says, and tells
// whether the character is taken literally or matching ends with 1.
Escape check_escape(const Specials &sp, bool has_next, uint32_t next);

// The client locale, or null when there is none.
gl_locale *client_locale();

// Order of two characters for ranges: by the locale's collation, by code
// value when it collates by code value (or when there is no locale, or the
// locale cannot compare them). wide: the characters are wide values, else
// single bytes.
int range_order(gl_locale *loc, uint32_t a, uint32_t b, bool wide);

inline bool in_range(gl_locale *loc, uint32_t lo, uint32_t c, uint32_t hi, bool wide)
{
    return range_order(loc, lo, c, wide) <= 0 && range_order(loc, c, hi, wide) <= 0;
}

// ---- the normaliser (rwnormal.cpp) ----

// A sequence and its replacement (empty for a sequence whose normal form
// is empty), as wide characters.
struct NormalRule {
    const uint32_t *from;
    int from_count;
    const uint32_t *to;
    int to_count;
};

// Builds the process-wide normaliser from rules (replacing any previous
// one); false without memory.
bool build_normaliser(const NormalRule *rules, int count);

// Builds the normaliser from the client locale when none exists yet: the
// characters ignorable at every level have an empty normal form. False
// without memory.
bool ensure_normaliser();

// Drops the normaliser.
void drop_normaliser();

// Writes the normal form of in[0..n) to out (room characters at most);
// returns the characters written.
int normalise(const uint32_t *in, int n, uint32_t *out, int room);

// Room a normal form of n characters may need: ceil(n + n * r).
int normal_room(int n);

// Changes whenever the normaliser is built or dropped, so that a kept
// compiled pattern can tell that its literals' normal forms are stale.
unsigned normaliser_generation();

// Whether the normaliser holds any sequence (the locale has ignorable or
// replaced sequences).
bool normaliser_has_rules();

} // namespace rwm
