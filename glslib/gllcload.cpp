// Locale file reader: the header, the section markers and the six section
// bodies (CTYPE, COLLATE, NUMERIC, MONETARY, TIME, MESSAGES) of a ".lco"
// file, read through the stream hooks into a locale record. Locale files are
// untrusted: every count and index is checked against the tables it refers
// to before the record keeps them, so later lookups need no checks.
// Exports (internal): read_header, find_marker, read_section, free_category,
// to_wide.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gl_dl.h"
#include "gl_names.h"
#include "gllocale_int.h"
#include "glcommon.h"
#include "glcollfast_int.h"
#include "gltext.h"

namespace gls::lc {

const char *const kMarkers[GL_LC_CATEGORIES] = {"### LC_CTYPE",    "### LC_COLLATE",
                                                "### LC_NUMERIC",  "### LC_MONETARY",
                                                "### LC_TIME",     "### LC_MESSAGES"};
const char *const kCategoryNames[GL_LC_CATEGORIES] = {"GL_CTYPE",    "GL_COLLATE", "GL_NUMERIC",
                                                      "GL_MONETARY", "GL_TIME",    "GL_MESSAGES"};

namespace {

// Limits on counts a file may give; beyond them the file is malformed.
constexpr long kMaxString = 4096;
constexpr long kMaxCasePairs = 0xFFFF;
constexpr long kMaxRows = 0xFFFF;
constexpr long kMaxElements = 0xFFFF;
constexpr long kMaxExpansions = GL_WEIGHT_VALUE + 1;
constexpr long kMaxEras = 1024;
constexpr long kMaxAltDigits = 100;
constexpr int kMaxExtraClasses = 5;

template <class T> T *alloc_zeroed(size_t n)
{
    return static_cast<T *>(_gl_ext_calloc(n == 0 ? 1 : n, sizeof(T)));
}

// ---- Lines and tokens ------------------------------------------------------

using gls::Text;
using gls::scan_dec;
using gls::scan_hex;
using gls::scan_multi_u16;

// The line of a stream read by gls::read_line (glcommon.h), on text: the
// characters fgets would give with size bytes, up to a zero byte, the line
// end dropped; the rest of a longer line skipped. False at the end.
bool read_line(Text &f, char *buf, int size)
{
    if (f.at_end())
        return false;
    f.want(size);
    const unsigned char *start = f.p;
    std::size_t limit = std::min(static_cast<std::size_t>(size - 1), static_cast<std::size_t>(f.end - f.p));
    const void *nl = std::memchr(start, '\n', limit);
    f.p += nl != nullptr ? static_cast<const unsigned char *>(nl) - start + 1 : static_cast<std::ptrdiff_t>(limit);
    std::size_t n = strnlen(reinterpret_cast<const char *>(start), static_cast<std::size_t>(f.p - start));
    std::memcpy(buf, start, n);
    buf[n] = '\0';
    if (n > 0 && buf[n - 1] == '\n') {
        buf[n - 1] = '\0';
        return true;
    }
    int c;
    while ((c = f.get()) != EOF && c != '\n') {
    }
    return true;
}

bool read_dec(Text &f, long lo, long hi, long *v)
{
    return scan_dec(f, v) && *v >= lo && *v <= hi;
}

bool read_hex(Text &f, int digits, unsigned long *v) { return scan_hex(f, digits, v); }

// A word up to white space, at most size-1 characters.
bool read_word(Text &f, char *buf, int size)
{
    int c;
    while ((c = f.get()) != EOF && is_ascii_space(c)) {
    }
    int n = 0;
    while (c != EOF && !is_ascii_space(c)) {
        if (n == size - 1)
            return false;
        buf[n++] = static_cast<char>(c);
        c = f.get();
    }
    if (c != EOF)
        f.unget(c);
    buf[n] = '\0';
    return n > 0;
}

// A string: decimal length, then (when positive) one space and that many
// bytes as hexadecimal pairs. The copy ends in four zero bytes. 0, 8 (another
// character than the space), 11 (malformed or cut short), 3 (memory).
int read_string(Text &f, char **out)
{
    long len;
    *out = nullptr;
    if (!read_dec(f, 0, kMaxString, &len))
        return GL_EFORMAT;
    char *s = alloc_zeroed<char>(len + 4);
    if (s == nullptr)
        return GL_ENOMEM;
    if (len > 0) {
        int c = f.get();
        if (c != ' ') {
            _gl_ext_free(s);
            return c == EOF ? GL_EFORMAT : GL_EFILEERR; // a file cut after the length
        }
    }
    for (long i = 0; i < len; ++i) {
        int hi = hex_value(f.get()), lo = hex_value(f.get());
        if (hi < 0 || lo < 0) {
            _gl_ext_free(s);
            return GL_EFORMAT;
        }
        s[i] = static_cast<char>(hi * 16 + lo);
    }
    *out = s;
    return 0;
}

int read_strings(Text &f, char **out, int n)
{
    for (int i = 0; i < n; ++i)
        if (int e = read_string(f, &out[i]))
            return e;
    return 0;
}

// A group list: count (at most 15, else error 4) and sizes.
int read_grouping(Text &f, int *count, int sizes[15])
{
    long n;
    if (!scan_dec(f, &n))
        return GL_EFORMAT;
    if (n < 0 || n > 15)
        return GL_ENEGINDEX;
    for (long i = 0; i < n; ++i) {
        long v;
        if (!read_dec(f, -1, 127, &v))
            return GL_EFORMAT;
        sizes[i] = static_cast<int>(v);
    }
    *count = static_cast<int>(n);
    return 0;
}

// ---- Tries ----------------------------------------------------------------------

// A trie of 16-bit values; *highest: no character has a larger value.
int read_trie(Text &f, gl_multi **out, unsigned *highest)
{
    *out = _gl_create_multi(sizeof(uint16_t), 0, nullptr);
    if (*out == nullptr)
        return GL_ENOMEM;
    return scan_multi_u16(f, *out, GL_MULTI_MAX_KEY, highest);
}

struct ProbeContext {
    int error;
};

// Visits every character of a trie in byte order: visit(bytes, length,
// value) returns false to stop. False when stopped.
template <class Visit> bool walk_trie(const gl_multi *t, Visit &&visit)
{
    auto trampoline = [](void *arg, const unsigned char *bytes, int length, const void *element) {
        uint16_t v;
        std::memcpy(&v, element, sizeof v);
        return (*static_cast<Visit *>(arg))(bytes, length, v) ? 0 : 1;
    };
    return _gl_foreach_multi(t, trampoline, &visit) == 0;
}

// True when no character of the trie has a value above limit. The largest
// element read bounds them all, so only a trie holding a larger element
// somewhere (in a valid file, never) is walked.
bool trie_values_within(const gl_multi *t, unsigned highest_read, unsigned limit)
{
    return highest_read <= limit ||
           walk_trie(t, [&](const unsigned char *, int, uint16_t v) { return v <= limit; });
}

// ---- CTYPE -------------------------------------------------------------------------

int read_ctype(gl_locale *loc, Text &f)
{
    unsigned highest = 0;
    if (int e = read_trie(f, &loc->class_trie, &highest))
        return e;
    long n;
    if (!read_dec(f, 0, kMaxExtraClasses, &n))
        return GL_EFORMAT;
    loc->classes = alloc_zeroed<gl_lc_class>(n);
    if (loc->classes == nullptr)
        return GL_ENOMEM;
    for (long i = 0; i < n; ++i) {
        long bit;
        char name[128];
        if (!read_dec(f, 0, kMaxExtraClasses - 1, &bit) || !read_word(f, name, sizeof name))
            return GL_EFORMAT;
        loc->classes[i].bit = static_cast<int>(bit);
        if ((loc->classes[i].name = hook_strdup(name)) == nullptr)
            return GL_ENOMEM;
        loc->class_count = static_cast<int>(i + 1);
    }
    if (int e = read_trie(f, &loc->case_trie, &highest))
        return e;
    long pairs;
    if (!read_dec(f, 0, kMaxCasePairs, &pairs))
        return GL_EFORMAT;
    loc->case_pairs = alloc_zeroed<gl_lc_casepair>(pairs + 1);
    if (loc->case_pairs == nullptr)
        return GL_ENOMEM;
    Text t = f;
    for (long i = 1; i <= pairs; ++i) {
        unsigned long up, low;
        if (!read_hex(t, 8, &up) || !read_hex(t, 8, &low))
            return GL_EFORMAT;
        loc->case_pairs[i] = {static_cast<int>(up), static_cast<int>(low)};
    }
    f = t;
    loc->case_pair_count = static_cast<int>(pairs);
    if (!trie_values_within(loc->case_trie, highest, static_cast<unsigned>(pairs)))
        return GL_EFORMAT;
    // The rest of the line: the case-conversion factor, 4.0 when empty.
    char rest[64];
    int len = 0, c;
    while ((c = f.get()) != EOF && c != '\n')
        if (len < static_cast<int>(sizeof rest) - 1)
            rest[len++] = static_cast<char>(c);
    rest[len] = '\0';
    char *end = nullptr;
    double factor = std::strtod(rest, &end);
    bool blank = true;
    for (int i = 0; i < len; ++i)
        blank = blank && is_ascii_space(rest[i]);
    loc->case_factor = blank ? 4.0 : (end != rest && std::isfinite(factor) && factor > 0) ? factor : 4.0;
    return 0;
}

// ---- COLLATE -------------------------------------------------------------------------

int read_codes(Text &f, int k, uint32_t **out)
{
    *out = alloc_zeroed<uint32_t>(k);
    if (*out == nullptr)
        return GL_ENOMEM;
    Text t = f;
    for (int i = 0; i < k; ++i) {
        unsigned long v;
        if (!read_hex(t, 8, &v))
            return GL_EFORMAT;
        (*out)[i] = static_cast<uint32_t>(v);
    }
    f = t;
    return 0;
}

int read_sequences(gl_locale *loc, Text &f)
{
    for (int i = 0; i < loc->element_count; ++i) {
        unsigned long k, row;
        if (!read_hex(f, 1, &k) || k == 0 || !read_hex(f, 4, &row) ||
            row > static_cast<unsigned long>(loc->highest_row))
            return GL_EFORMAT;
        gl_lc_element &el = loc->elements[i];
        el.count = static_cast<int>(k);
        el.row = static_cast<uint16_t>(row);
        if (int e = read_codes(f, el.count, &el.codes))
            return e;
        loc->longest_sequence = el.count > loc->longest_sequence ? el.count : loc->longest_sequence;
    }
    for (int i = 0; i < loc->expansion_count; ++i) {
        unsigned long k;
        if (!read_hex(f, 1, &k) || k == 0)
            return GL_EFORMAT;
        gl_lc_expansion &ex = loc->expansions[i];
        ex.count = static_cast<int>(k);
        if (int e = read_codes(f, ex.count, &ex.codes))
            return e;
        loc->longest_sequence = ex.count > loc->longest_sequence ? ex.count : loc->longest_sequence;
    }
    return 0;
}

// The weight table is most of a large COLLATE section. Its usual form is
// taken through pointers of this function's own, which the compiler keeps in
// registers (a scan through the window could move them); anything else, and
// the end of the window, goes through the general scanner.
int read_weights(gl_locale *loc, Text &f)
{
    const size_t rows = static_cast<size_t>(loc->highest_row) + 1;
    const int levels = loc->levels;
    uint16_t *weights[GL_MAX_LEVELS] = {};
    for (int lv = 0; lv < levels; ++lv)
        if ((weights[lv] = loc->weights[lv] = alloc_zeroed<uint16_t>(rows)) == nullptr)
            return GL_ENOMEM;
    const unsigned long expansions = static_cast<unsigned long>(loc->expansion_count);
    const auto &hex = gls::kChars.hex;
    const auto &space = gls::kChars.space;
    Text t = f;
    const unsigned char *p = t.p, *end = t.end; // t.p and t.end between slow scans
    for (size_t r = 0; r < rows; ++r)
        for (int lv = 0; lv < levels; ++lv) {
            // A row as the compiler writes it: each weight after one space
            // (the first of a row after the line end too), four digits.
            unsigned long w;
            unsigned h0, h1, h2, h3;
            if (end - p > 8 && space[p[0]] &&
                ((h0 = hex[p[1]]) | (h1 = hex[p[2]]) | (h2 = hex[p[3]]) | (h3 = hex[p[4]])) < 16) {
                w = h0 << 12 | h1 << 8 | h2 << 4 | h3;
                p += 5;
            } else {
                t.p = p;
                if (!scan_hex(t, 4, &w))
                    return GL_EFORMAT;
                p = t.p;
                end = t.end;
            }
            if ((w & GL_WEIGHT_EXPANSION) && (w & GL_WEIGHT_VALUE) >= expansions)
                return GL_EFORMAT;
            weights[lv][r] = static_cast<uint16_t>(w);
        }
    t.p = p;
    f = t;
    return 0;
}

// Expansion candidates per level and element starts, for code points 0..255.
int build_candidates(gl_locale *loc)
{
    if (loc->element_count > 0) {
        if ((loc->element_candidates = alloc_zeroed<int>(256)) == nullptr)
            return GL_ENOMEM;
        for (int i = 0; i < loc->element_count; ++i)
            if (loc->elements[i].codes[0] < 256)
                loc->element_candidates[loc->elements[i].codes[0]] = 1;
    }
    if (loc->expansion_count == 0)
        return 0;
    for (int lv = 0; lv < loc->levels; ++lv)
        if ((loc->expansion_candidates[lv] = alloc_zeroed<gl_lc_expansion *>(256)) == nullptr)
            return GL_ENOMEM;
    for (uint32_t c = 0; c < 256; ++c) {
        ProbeContext ctx{0};
        const void *e = _gl_retrieve_wchar_multi_nl(&ctx, c, loc->weight_trie);
        if (e == nullptr)
            continue;
        uint16_t row;
        std::memcpy(&row, e, sizeof row);
        for (int lv = 0; lv < loc->levels; ++lv) {
            uint16_t w = loc->weights[lv][row];
            if (w & GL_WEIGHT_EXPANSION)
                loc->expansion_candidates[lv][c] = &loc->expansions[w & GL_WEIGHT_VALUE];
        }
    }
    return 0;
}

// Equivalence classes: characters whose rows agree on the first level form
// one class (rows with a position-sensitive weight take no part); the
// characters ignorable on every level form a list of their own, first.
// Members keep byte order within a class.
struct EquivMember {
    uint32_t key; // 0: ignorable everywhere, else first-level weight + 1
    unsigned char bytes[GL_MULTI_MAX_KEY];
    unsigned char length;
};

char *join_members(const EquivMember *first, const EquivMember *last)
{
    size_t total = 0;
    for (const EquivMember *m = first; m != last; ++m)
        total += m->length;
    char *s = alloc_zeroed<char>(total + 4);
    if (s != nullptr)
        for (char *p = s; first != last; p += first->length, ++first)
            std::memcpy(p, first->bytes, first->length);
    return s;
}

int build_equivalences(gl_locale *loc)
{
    // The class key of each row (kNoClass for position-sensitive rows).
    constexpr uint32_t kNoClass = UINT32_MAX;
    const size_t rows = static_cast<size_t>(loc->highest_row) + 1;
    std::vector<uint32_t> row_key(rows);
    for (size_t row = 0; row < rows; ++row) {
        bool position = false, ignorable = true;
        for (int lv = 0; lv < loc->levels; ++lv) {
            position = position || (loc->weights[lv][row] & GL_WEIGHT_POSITION);
            ignorable = ignorable && loc->weights[lv][row] == GL_WEIGHT_IGNORE;
        }
        row_key[row] = position ? kNoClass : ignorable ? 0u : loc->weights[0][row] + 1u;
    }
    std::vector<EquivMember> members;
    members.reserve(rows);
    walk_trie(loc->weight_trie, [&](const unsigned char *key, int len, uint16_t row) {
        // The terminator is no member: it would end the member strings.
        if (row_key[row] != kNoClass && !(len == 1 && key[0] == 0)) {
            EquivMember m{row_key[row], {}, static_cast<unsigned char>(len)};
            std::memcpy(m.bytes, key, static_cast<size_t>(len));
            members.push_back(m);
        }
        return true;
    });
    // Grouped by key with a counting sort (stable: byte order within a class).
    uint32_t top = 0;
    for (const EquivMember &m : members)
        top = std::max(top, m.key);
    std::vector<uint32_t> next(static_cast<size_t>(top) + 2, 0);
    for (const EquivMember &m : members)
        ++next[m.key + 1];
    size_t groups = 0;
    for (uint32_t k = 1; k < next.size(); ++k) {
        groups += next[k] != 0;
        next[k] += next[k - 1];
    }
    {
        std::vector<EquivMember> sorted(members.size());
        for (const EquivMember &m : members)
            sorted[next[m.key]++] = m;
        members.swap(sorted);
    }
    loc->equiv_classes = alloc_zeroed<char *>(groups + 1);
    loc->equiv_bounds = alloc_zeroed<gl_lc_strpair>(groups + 1);
    if (loc->equiv_classes == nullptr || loc->equiv_bounds == nullptr)
        return GL_ENOMEM;
    size_t g = 0;
    for (size_t i = 0; i < members.size();) {
        size_t j = i;
        while (j < members.size() && members[j].key == members[i].key)
            ++j;
        char *all = join_members(&members[i], &members[j]);
        char *first = join_members(&members[i], &members[i + 1]);
        char *last = join_members(&members[j - 1], &members[j]);
        if (all == nullptr || first == nullptr || last == nullptr) {
            for (char *p : {all, first, last})
                _gl_ext_free(p);
            return GL_ENOMEM; // the lists end before this class
        }
        loc->equiv_classes[g] = all;
        loc->equiv_bounds[g] = {first, last};
        ++g;
        i = j;
    }
    return 0;
}

int read_collate_body(gl_locale *loc, Text &f)
{
    unsigned highest = 0;
    if (int e = read_trie(f, &loc->weight_trie, &highest))
        return e;
    long mode, rows, levels, elements, expansions, maxw;
    if (!scan_dec(f, &mode) || !read_dec(f, 0, kMaxRows, &rows) ||
        !read_dec(f, 1, GL_MAX_LEVELS, &levels) || !read_dec(f, 0, kMaxElements, &elements) ||
        !read_dec(f, 0, kMaxExpansions, &expansions) || !read_dec(f, 0, 0xFFFF, &maxw))
        return GL_EFORMAT;
    loc->coll_mode = static_cast<int>(mode);
    loc->highest_row = static_cast<int>(rows);
    loc->levels = static_cast<int>(levels);
    loc->max_weight = static_cast<int>(maxw);
    for (int lv = 0; lv < loc->levels; ++lv) {
        unsigned long flag;
        if (!read_hex(f, 4, &flag) || (flag != 1 && flag != 2))
            return GL_EFORMAT;
        loc->level_flags[lv] = static_cast<int>(flag);
    }
    loc->elements = alloc_zeroed<gl_lc_element>(elements);
    loc->expansions = alloc_zeroed<gl_lc_expansion>(expansions);
    if (loc->elements == nullptr || loc->expansions == nullptr)
        return GL_ENOMEM;
    loc->element_count = static_cast<int>(elements);
    loc->expansion_count = static_cast<int>(expansions);
    if (int e = read_sequences(loc, f))
        return e;
    if (int e = read_weights(loc, f))
        return e;
    if (!trie_values_within(loc->weight_trie, highest, static_cast<unsigned>(rows)))
        return GL_EFORMAT;
    loc->code_ranges = loc->coll_mode != 0;
    // The equivalence classes are built on first use (equivalences below):
    // they need nothing but the weights and the trie values checked above.
    return build_candidates(loc);
}

int read_collate(gl_locale *loc, Text &f)
{
    char kind[32];
    if (!read_word(f, kind, sizeof kind))
        return GL_EFORMAT;
    if (std::strcmp(kind, "thai_smo") == 0) {
        loc->coll_kind = GL_COLL_THAI_SMO;
        return 0;
    }
    if (std::strcmp(kind, "as_specified") != 0)
        return GL_EFORMAT;
    loc->coll_kind = GL_COLL_AS_SPECIFIED;
    return read_collate_body(loc, f);
}

// ---- NUMERIC, MONETARY, MESSAGES ----------------------------------------------------

int read_numeric(gl_locale *loc, Text &f)
{
    gl_lc_numeric *n = loc->numeric = alloc_zeroed<gl_lc_numeric>(1);
    if (n == nullptr)
        return GL_ENOMEM;
    if (int e = read_string(f, &n->decimal_point))
        return e;
    if (int e = read_string(f, &n->thousands_sep))
        return e;
    if (int e = read_grouping(f, &n->grouping_count, n->grouping))
        return e;
    if (int e = read_string(f, &n->positive_sign))
        return e;
    return read_string(f, &n->negative_sign);
}

int read_monetary(gl_locale *loc, Text &f)
{
    gl_lc_monetary *m = loc->monetary = alloc_zeroed<gl_lc_monetary>(1);
    if (m == nullptr)
        return GL_ENOMEM;
    int *numbers[] = {&m->int_frac_digits, &m->frac_digits,    &m->p_cs_precedes, &m->p_sep_by_space,
                      &m->n_cs_precedes,   &m->n_sep_by_space, &m->p_sign_posn,   &m->n_sign_posn};
    for (int *p : numbers)
        *p = INT32_MAX;
    char **first[] = {&m->int_curr_symbol, &m->currency_symbol, &m->mon_decimal_point,
                      &m->mon_thousands_sep};
    for (char **p : first)
        if (int e = read_string(f, p))
            return e;
    if (int e = read_grouping(f, &m->mon_grouping_count, m->mon_grouping))
        return e;
    if (int e = read_string(f, &m->positive_sign))
        return e;
    if (int e = read_string(f, &m->negative_sign))
        return e;
    for (int *p : numbers) {
        long v;
        if (!read_dec(f, INT32_MIN, INT32_MAX, &v))
            return GL_EFORMAT;
        *p = static_cast<int>(v);
    }
    return 0;
}

int read_messages(gl_locale *loc, Text &f)
{
    loc->messages = alloc_zeroed<gl_lc_messages>(1);
    if (loc->messages == nullptr)
        return GL_ENOMEM;
    return read_strings(f, loc->messages->text, 4);
}

// ---- TIME ----------------------------------------------------------------------------

int read_calendar(Text &f, int *calendar)
{
    static const char *const names[] = {"gregorian", "hebrew", "islamic", "arabic"};
    char word[32];
    bool read = read_word(f, word, sizeof word);
    int next = f.get();
    if (next == EOF)
        return GL_EFORMAT; // cut inside or right after the calendar name
    f.unget(next);
    if (!read)
        return GL_ECALENDAR;
    for (int i = 0; i < 4; ++i)
        if (std::strcmp(word, names[i]) == 0) {
            *calendar = i + 1;
            return 0;
        }
    return GL_ECALENDAR;
}

// A counted list of strings. A string that cannot be read keeps its own
// error number: a damaged or cut file is a format error, not memory
// exhaustion.
int read_time_list(Text &f, long lo, long hi, int *count, char ***out)
{
    long n;
    if (!read_dec(f, lo, hi, &n))
        return GL_EFORMAT;
    if ((*out = alloc_zeroed<char *>(n)) == nullptr)
        return GL_ENOMEM;
    *count = static_cast<int>(n);
    return read_strings(f, *out, static_cast<int>(n));
}

int read_time(gl_locale *loc, Text &f)
{
    gl_lc_time *t = loc->time = alloc_zeroed<gl_lc_time>(1);
    if (t == nullptr)
        return GL_ENOMEM;
    if (int e = read_calendar(f, &t->calendar))
        return e;
    if (int e = read_strings(f, t->abday, 7))
        return e;
    if (int e = read_strings(f, t->day, 7))
        return e;
    if (int e = read_time_list(f, 12, 14, &t->abmon_count, &t->abmon))
        return e;
    if (int e = read_time_list(f, 12, 14, &t->mon_count, &t->mon))
        return e;
    char **fmts[] = {&t->d_t_fmt, &t->d_fmt, &t->t_fmt, &t->am, &t->pm, &t->t_fmt_ampm};
    for (char **p : fmts)
        if (int e = read_string(f, p))
            return e;
    if (int e = read_time_list(f, 0, kMaxEras, &t->era_count, &t->era))
        return e;
    char **era_fmts[] = {&t->era_d_fmt, &t->era_t_fmt, &t->era_d_t_fmt};
    for (char **p : era_fmts)
        if (int e = read_string(f, p))
            return e;
    return read_time_list(f, 0, kMaxAltDigits, &t->alt_digit_count, &t->alt_digits);
}

// ---- Freeing -------------------------------------------------------------------------

void free_list(char **list, int n)
{
    if (list == nullptr)
        return;
    for (int i = 0; i < n; ++i)
        _gl_ext_free(list[i]);
    _gl_ext_free(list);
}

void free_wide_list(uint32_t **list, int n)
{
    free_list(reinterpret_cast<char **>(list), n);
}

void free_ctype(gl_locale *loc)
{
    gls::coll::forget_fast_tables(loc);
    _gl_free_multi(loc->class_trie);
    _gl_free_multi(loc->case_trie);
    for (int i = 0; i < loc->class_count; ++i)
        _gl_ext_free(loc->classes[i].name);
    _gl_ext_free(loc->classes);
    _gl_ext_free(loc->case_pairs);
    loc->class_trie = loc->case_trie = nullptr;
    loc->classes = nullptr;
    loc->case_pairs = nullptr;
    loc->class_count = loc->case_pair_count = 0;
    loc->case_factor = 1.0;
}

void free_equivalences(gl_locale *loc)
{
    if (loc->equiv_classes != nullptr)
        for (char **p = loc->equiv_classes; *p != nullptr; ++p)
            _gl_ext_free(*p);
    if (loc->equiv_bounds != nullptr)
        for (gl_lc_strpair *p = loc->equiv_bounds; p->first != nullptr; ++p) {
            _gl_ext_free(p->first);
            _gl_ext_free(p->last);
        }
    _gl_ext_free(loc->equiv_classes);
    _gl_ext_free(loc->equiv_bounds);
    loc->equiv_classes = nullptr;
    loc->equiv_bounds = nullptr;
}

void free_collate(gl_locale *loc)
{
    gls::coll::forget_fast_tables(loc);
    _gl_free_multi(loc->weight_trie);
    for (int lv = 0; lv < GL_MAX_LEVELS; ++lv) {
        _gl_ext_free(loc->weights[lv]);
        _gl_ext_free(loc->expansion_candidates[lv]);
        loc->weights[lv] = nullptr;
        loc->expansion_candidates[lv] = nullptr;
        loc->level_flags[lv] = 0;
    }
    for (int i = 0; loc->elements != nullptr && i < loc->element_count; ++i)
        _gl_ext_free(loc->elements[i].codes);
    for (int i = 0; loc->expansions != nullptr && i < loc->expansion_count; ++i)
        _gl_ext_free(loc->expansions[i].codes);
    _gl_ext_free(loc->elements);
    _gl_ext_free(loc->expansions);
    _gl_ext_free(loc->element_candidates);
    free_equivalences(loc);
    loc->weight_trie = nullptr;
    loc->elements = nullptr;
    loc->expansions = nullptr;
    loc->element_candidates = nullptr;
    loc->levels = loc->highest_row = loc->expansion_count = loc->element_count = 0;
    loc->max_weight = loc->coll_mode = loc->coll_kind = loc->longest_sequence = 0;
    loc->code_ranges = 0;
}

void free_numeric(gl_locale *loc)
{
    if (gl_lc_numeric *n = loc->numeric) {
        for (char *s : {n->decimal_point, n->thousands_sep, n->positive_sign, n->negative_sign})
            _gl_ext_free(s);
        for (uint32_t *w : {n->w_decimal_point, n->w_thousands_sep, n->w_positive_sign, n->w_negative_sign})
            _gl_ext_free(w);
        _gl_ext_free(n);
    }
    loc->numeric = nullptr;
}

void free_monetary(gl_locale *loc)
{
    if (gl_lc_monetary *m = loc->monetary) {
        for (char *s : {m->int_curr_symbol, m->currency_symbol, m->mon_decimal_point, m->mon_thousands_sep,
                        m->positive_sign, m->negative_sign})
            _gl_ext_free(s);
        for (uint32_t *w : {m->w_int_curr_symbol, m->w_currency_symbol, m->w_mon_decimal_point,
                            m->w_mon_thousands_sep, m->w_positive_sign, m->w_negative_sign})
            _gl_ext_free(w);
        _gl_ext_free(m);
    }
    loc->monetary = nullptr;
}

void free_time(gl_locale *loc)
{
    if (gl_lc_time *t = loc->time) {
        for (int i = 0; i < 7; ++i) {
            _gl_ext_free(t->abday[i]);
            _gl_ext_free(t->day[i]);
            _gl_ext_free(t->w_abday[i]);
            _gl_ext_free(t->w_day[i]);
        }
        free_list(t->abmon, t->abmon_count);
        free_list(t->mon, t->mon_count);
        free_list(t->era, t->era_count);
        free_list(t->alt_digits, t->alt_digit_count);
        free_wide_list(t->w_abmon, t->abmon_count);
        free_wide_list(t->w_mon, t->mon_count);
        free_wide_list(t->w_alt_digits, t->alt_digit_count);
        for (char *s : {t->d_t_fmt, t->d_fmt, t->t_fmt, t->am, t->pm, t->t_fmt_ampm, t->era_d_fmt,
                        t->era_t_fmt, t->era_d_t_fmt})
            _gl_ext_free(s);
        for (uint32_t *w : {t->w_d_t_fmt, t->w_d_fmt, t->w_t_fmt, t->w_am, t->w_pm, t->w_t_fmt_ampm,
                            t->w_era_d_fmt, t->w_era_t_fmt, t->w_era_d_t_fmt})
            _gl_ext_free(w);
        _gl_ext_free(t);
    }
    loc->time = nullptr;
}

void free_messages(gl_locale *loc)
{
    if (gl_lc_messages *m = loc->messages) {
        for (int i = 0; i < 4; ++i) {
            _gl_ext_free(m->text[i]);
            _gl_ext_free(m->w_text[i]);
        }
        _gl_ext_free(m);
    }
    loc->messages = nullptr;
}

} // namespace

// ---- Exported to gllocale.cpp -------------------------------------------------------

int read_header(Text &f, char codeset[21])
{
    char line[128];
    if (!read_line(f, line, sizeof line) || std::strcmp(line, "FILE_TYPE=locale_object") != 0)
        return GL_EFORMAT;
    if (!read_line(f, line, sizeof line) || std::strcmp(line, "COMPILER_VERSION=11") != 0)
        return GL_EVERSION;
    if (!read_line(f, line, sizeof line))
        return GL_EFORMAT;
    const char *eq = std::strchr(line, '=');
    char *end = nullptr;
    long n = eq ? std::strtol(eq + 1, &end, 10) : -1;
    if (eq == nullptr || end == eq + 1 || n < 3 || n > 1024)
        return GL_EFORMAT;
    for (long i = 3; i < n; ++i)
        if (!read_line(f, line, sizeof line))
            return GL_EFORMAT;
    char name[32];
    if (!read_word(f, name, 21))
        return GL_EFORMAT;
    std::strcpy(codeset, name);
    return 0;
}

int find_marker(Text &f, int slot)
{
    char line[128];
    while (read_line(f, line, sizeof line))
        if (std::strcmp(line, kMarkers[slot]) == 0)
            return 0;
    return GL_EFORMAT;
}

int read_section(gl_locale *loc, Text &f, int slot)
{
    static int (*const readers[GL_LC_CATEGORIES])(gl_locale *, Text &) = {
        read_ctype, read_collate, read_numeric, read_monetary, read_time, read_messages};
    static const char *const failures[GL_LC_CATEGORIES] = {
        nullptr, nullptr, "Failed to read numeric information\n", "Failed to read monetary information\n",
        "Failed to read time information\n", "Failed to read messages information\n"};
    int e = readers[slot](loc, f);
    if (e != 0) {
        if (failures[slot] != nullptr)
            gl_message(failures[slot]);
        free_category(loc, slot);
    }
    return e;
}

namespace {

// Forgets a category's service locale, and closes it when the record owns it
// and no other category of the record uses it.
void release_service_locale(gl_locale *loc, int slot)
{
    void *handle = loc->glu_handle[slot];
    loc->glu_handle[slot] = nullptr;
    loc->glu_served[slot] = 0;
    if (handle == nullptr || loc->borrowed[slot])
        return;
    for (int s = 0; s < GL_LC_CATEGORIES; ++s)
        if (loc->glu_handle[s] == handle && !loc->borrowed[s])
            return;
    int scratch = 0;
    glx_lc_close(&scratch, handle);
}

} // namespace

void free_category(gl_locale *loc, int slot)
{
    static void (*const freers[GL_LC_CATEGORIES])(gl_locale *) = {
        free_ctype, free_collate, free_numeric, free_monetary, free_time, free_messages};
    release_service_locale(loc, slot);
    if (slot == 4)
        free_era_cache(loc);
    if (loc->borrowed[slot]) {
        // Tables of another record: forget them, never free them.
        loc->borrowed[slot] = 0;
        switch (slot) {
        case 0:
            loc->class_trie = loc->case_trie = nullptr;
            loc->classes = nullptr;
            loc->case_pairs = nullptr;
            loc->class_count = loc->case_pair_count = 0;
            break;
        case 1:
            loc->weight_trie = nullptr;
            loc->elements = nullptr;
            loc->expansions = nullptr;
            loc->element_candidates = nullptr;
            loc->equiv_classes = nullptr;
            loc->equiv_bounds = nullptr;
            for (int lv = 0; lv < GL_MAX_LEVELS; ++lv) {
                loc->weights[lv] = nullptr;
                loc->expansion_candidates[lv] = nullptr;
            }
            loc->element_count = loc->expansion_count = 0;
            break;
        case 4:
            loc->time = nullptr;
            break;
        default:
            break;
        }
    }
    freers[slot](loc);
    std::memset(&loc->names[slot], 0, sizeof loc->names[slot]);
}

int equivalences(gl_locale *loc)
{
    if (loc->equiv_classes != nullptr || loc->borrowed[1] || loc->coll_kind != GL_COLL_AS_SPECIFIED ||
        loc->coll_mode == 1 || loc->weight_trie == nullptr)
        return 0;
    int e = build_equivalences(loc);
    if (e != 0)
        free_equivalences(loc);
    return e;
}

uint32_t *to_wide(gl_locale *loc, const char *mb, int *error)
{
    if (loc->class_trie == nullptr) {
        *error = GL_ENOCTYPE;
        return nullptr;
    }
    size_t n = mb != nullptr ? std::strlen(mb) : 0;
    uint32_t *w = alloc_zeroed<uint32_t>(n + 1);
    if (w == nullptr) {
        *error = GL_ENOMEM;
        return nullptr;
    }
    size_t i = 0, k = 0;
    while (i < n) {
        ProbeContext ctx{0};
        int len = 0;
        if (_gl_retrieve_text_multi_limit(reinterpret_cast<const unsigned char *>(mb + i), loc->class_trie,
                                          static_cast<int>(n - i), &len, &ctx) == nullptr || len <= 0) {
            _gl_ext_free(w);
            *error = ctx.error ? ctx.error : GL_EILSEQ;
            return nullptr;
        }
        uint32_t v = 0;
        for (int b = 0; b < len; ++b)
            v = (v << 8) | static_cast<unsigned char>(mb[i + b]);
        w[k++] = v;
        i += static_cast<size_t>(len);
    }
    return w;
}

} // namespace gls::lc

namespace gls {

namespace {

// Locale files are far smaller; a longer stream is no locale file.
constexpr std::size_t kMaxStream = std::size_t{64} << 20;
// Bytes asked of one fgets call; lines longer than this come in pieces.
constexpr int kPiece = 4096;
// The window: room for the unread part a token may need (a line of the
// header, the digits of a number) and a few pieces after it. A larger one
// saves no time (a refill moves only that unread part) and costs pages a
// fresh process must have mapped.
constexpr std::size_t kWindow = std::size_t{16} << 10;

} // namespace

int open_feed(FILE *f, Feed &feed, Text &text)
{
    feed = Feed{};
    feed.stream = f;
    feed.base = static_cast<unsigned char *>(_gl_ext_malloc(kWindow));
    if (feed.base == nullptr)
        return GL_ENOMEM;
    feed.capacity = kWindow;
    text = Text{feed.base, feed.base, &feed};
    refill(text);
    return 0;
}

void close_feed(Feed &feed)
{
    _gl_ext_free(feed.base);
    feed = Feed{};
}

// The free part of the storage is filled with line ends before the pieces
// are read into it, so the zero fgets ends its piece with is the last zero
// byte of the piece's room even when the piece holds zero bytes of its own.
bool refill(Text &t)
{
    Feed &feed = *t.feed;
    if (feed.ended)
        return false;
    unsigned char *base = feed.base;
    const std::size_t keep = t.p > base ? 1 : 0; // the byte before p, for unget
    const std::size_t unread = static_cast<std::size_t>(t.end - t.p);
    std::memmove(base, t.p - keep, unread + keep);
    t.p = base + keep;
    std::size_t n = keep + unread;
    if (feed.capacity - n < static_cast<std::size_t>(kPiece)) {
        t.end = base + n;
        return false;
    }
    std::memset(base + n, '\n', feed.capacity - n);
    const std::size_t before = n;
    while (feed.capacity - n >= static_cast<std::size_t>(kPiece)) {
        char *piece = reinterpret_cast<char *>(base + n);
        if (_gl_ext_fgets(piece, kPiece, feed.stream) == nullptr) {
            feed.ended = true;
            break;
        }
        std::size_t len = std::strlen(piece);
        if ((len == 0 || piece[len - 1] != '\n') && len != static_cast<std::size_t>(kPiece - 1)) {
            // A zero byte inside the piece, or the last line without its end.
            len = kPiece - 1;
            while (len > 0 && piece[len] != '\0')
                --len;
        }
        n += len;
        feed.taken += len;
        if (feed.taken > kMaxStream) {
            feed.ended = feed.too_long = true;
            break;
        }
    }
    t.end = base + n;
    return n > before;
}

} // namespace gls
