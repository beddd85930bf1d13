// Locale records: creation, whole-file and per-category loading, the query
// text of the loaded files, sharing categories between records, freeing, and
// what a load derives (wide copies, the localeconv record, the era cache, the
// single-byte fast tables, the choice of collation routines).
// Exports: gl_create_null_locale_4, gl_createlocale_4, gl_createlocale2_4,
// gl_lc_load, gl_setlocale_4, gl_destroystring, gl_copy_cat, gl_lc_unload,
// gl_free_nonshared_loc, gl_ctype, glx_gluLoc (the service locale of a
// category).
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "gl_coll.h"
#include "gl_dl.h"
#include "gl_names.h"
#include "gllocale_int.h"
#include "glcommon.h"
#include "glu.h"

namespace {

gl_locale oom_locale = [] { gl_locale l{}; l.error = GL_ENOMEM; return l; }();
gl_locale file_error_locale = [] { gl_locale l{}; l.error = GL_EFILEERR; return l; }();

bool is_static(const gl_locale *loc) { return loc == &oom_locale || loc == &file_error_locale; }

constexpr int kNameMax = 31; // file names are kept in 32 bytes

} // namespace

namespace gls::lc {

namespace {

// ---- Wide copies and derived records ---------------------------------------------------

struct WideJob {
    gl_locale *loc;
    int error = 0;
    void copy(const char *mb, uint32_t **out)
    {
        if (error == 0 && (*out = to_wide(loc, mb, &error)) == nullptr && error == 0)
            error = GL_ENOMEM;
    }
    void list(char **mb, int n, uint32_t ***out)
    {
        if (error != 0)
            return;
        *out = static_cast<uint32_t **>(_gl_ext_calloc(n > 0 ? n : 1, sizeof(uint32_t *)));
        if (*out == nullptr) {
            error = GL_ENOMEM;
            return;
        }
        for (int i = 0; i < n; ++i)
            copy(mb[i], &(*out)[i]);
    }
};

int init_numeric(gl_locale *loc)
{
    gl_lc_numeric *n = loc->numeric;
    WideJob w{loc};
    w.copy(n->decimal_point, &n->w_decimal_point);
    w.copy(n->thousands_sep, &n->w_thousands_sep);
    w.copy(n->positive_sign, &n->w_positive_sign);
    w.copy(n->negative_sign, &n->w_negative_sign);
    return w.error ? w.error : build_lconv(loc);
}

int init_monetary(gl_locale *loc)
{
    gl_lc_monetary *m = loc->monetary;
    WideJob w{loc};
    w.copy(m->int_curr_symbol, &m->w_int_curr_symbol);
    w.copy(m->currency_symbol, &m->w_currency_symbol);
    w.copy(m->mon_decimal_point, &m->w_mon_decimal_point);
    w.copy(m->mon_thousands_sep, &m->w_mon_thousands_sep);
    w.copy(m->positive_sign, &m->w_positive_sign);
    w.copy(m->negative_sign, &m->w_negative_sign);
    return w.error ? w.error : build_lconv(loc);
}

int init_time(gl_locale *loc)
{
    gl_lc_time *t = loc->time;
    WideJob w{loc};
    for (int i = 0; i < 7; ++i) {
        w.copy(t->abday[i], &t->w_abday[i]);
        w.copy(t->day[i], &t->w_day[i]);
    }
    w.list(t->abmon, t->abmon_count, &t->w_abmon);
    w.list(t->mon, t->mon_count, &t->w_mon);
    w.list(t->alt_digits, t->alt_digit_count, &t->w_alt_digits);
    char *fmts[] = {t->d_t_fmt, t->d_fmt, t->t_fmt, t->am, t->pm, t->t_fmt_ampm, t->era_d_fmt, t->era_t_fmt,
                    t->era_d_t_fmt};
    uint32_t **wides[] = {&t->w_d_t_fmt, &t->w_d_fmt, &t->w_t_fmt, &t->w_am, &t->w_pm, &t->w_t_fmt_ampm,
                          &t->w_era_d_fmt, &t->w_era_t_fmt, &t->w_era_d_t_fmt};
    for (size_t i = 0; i < sizeof fmts / sizeof fmts[0]; ++i)
        w.copy(fmts[i], wides[i]);
    return w.error ? w.error : build_era_cache(loc);
}

int init_messages(gl_locale *loc)
{
    WideJob w{loc};
    for (int i = 0; i < 4; ++i)
        w.copy(loc->messages->text[i], &loc->messages->w_text[i]);
    return w.error;
}

// ---- Eras --------------------------------------------------------------------------------

// Reads a signed decimal number up to a delimiter; advances p past it.
bool era_number(const char *&p, char delimiter, int *out)
{
    char *end = nullptr;
    long v = std::strtol(p, &end, 10);
    if (end == p || *end != delimiter || v < -999999 || v > 999999)
        return false;
    *out = static_cast<int>(v);
    p = end + 1;
    return true;
}

bool era_date(const char *&p, int *y, int *m, int *d)
{
    return era_number(p, '/', y) && era_number(p, '/', m) && era_number(p, ':', d) && *m >= 1 &&
           *m <= 12 && *d >= 1 && *d <= 31;
}

// The text up to the next ':' (or the end when last), as a new string; p
// moves past it only when the copy is made, so that a failed copy can be
// told from a missing ':'.
char *era_field(const char *&p, bool last)
{
    const char *end = last ? p + std::strlen(p) : std::strchr(p, ':');
    if (end == nullptr)
        return nullptr;
    char *s = static_cast<char *>(_gl_ext_calloc(end - p + 4, 1));
    if (s != nullptr)
        std::memcpy(s, p, end - p);
    p = s == nullptr ? p : *end ? end + 1 : end;
    return s;
}

} // namespace

void free_era_cache(gl_locale *loc)
{
    if (loc->era_cache == nullptr)
        return;
    int n = loc->time != nullptr ? loc->time->era_count : 0;
    for (int i = 0; i < n; ++i) {
        gl_lc_era &e = loc->era_cache[i];
        for (void *p : {static_cast<void *>(e.name), static_cast<void *>(e.abbreviation),
                        static_cast<void *>(e.format), static_cast<void *>(e.w_name),
                        static_cast<void *>(e.w_abbreviation), static_cast<void *>(e.w_format)})
            _gl_ext_free(p);
    }
    _gl_ext_free(loc->era_cache);
    loc->era_cache = nullptr;
}

namespace {

int parse_era(gl_locale *loc, const char *p, gl_lc_era &e)
{
    if ((p[0] != '+' && p[0] != '-') || p[1] != ':')
        return GL_EERA;
    e.direction = p[0] == '+' ? 1 : -1;
    p += 2;
    if (!era_number(p, ':', &e.offset) || !era_date(p, &e.start_year, &e.start_month, &e.start_day))
        return GL_EERA;
    if ((p[0] == '+' || p[0] == '-') && p[1] == '*' && p[2] == ':') {
        e.open_end = 1;
        p += 3;
    } else if (!era_date(p, &e.end_year, &e.end_month, &e.end_day)) {
        return GL_EERA;
    }
    e.name = era_field(p, false);
    e.abbreviation = e.name ? era_field(p, false) : nullptr;
    e.format = e.abbreviation ? era_field(p, true) : nullptr;
    if (e.format == nullptr)
        return e.abbreviation == nullptr && std::strchr(p, ':') == nullptr ? GL_EERA : GL_ENOMEM;
    WideJob w{loc};
    w.copy(e.name, &e.w_name);
    w.copy(e.abbreviation, &e.w_abbreviation);
    w.copy(e.format, &e.w_format);
    return w.error;
}

} // namespace

int build_era_cache(gl_locale *loc)
{
    free_era_cache(loc);
    const gl_lc_time *t = loc->time;
    if (t == nullptr || t->era_count == 0)
        return 0;
    loc->era_cache = static_cast<gl_lc_era *>(_gl_ext_calloc(t->era_count, sizeof(gl_lc_era)));
    if (loc->era_cache == nullptr)
        return GL_ENOMEM;
    for (int i = 0; i < t->era_count; ++i)
        if (int e = parse_era(loc, t->era[i], loc->era_cache[i])) {
            free_era_cache(loc);
            return e;
        }
    return 0;
}

int build_lconv(gl_locale *loc)
{
    if (loc->lconv == nullptr &&
        (loc->lconv = static_cast<gl_lconv *>(_gl_ext_calloc(1, sizeof(gl_lconv)))) == nullptr)
        return GL_ENOMEM;
    static const char empty[4] = {};
    static const uint32_t wempty[1] = {};
    gl_lconv &c = *loc->lconv;
    c = gl_lconv{};
    const gl_lc_numeric *n = loc->numeric;
    const gl_lc_monetary *m = loc->monetary;
    auto grouping = [](char *out, const int *sizes, int count) {
        for (int i = 0; i < count && i < 15; ++i)
            out[i] = static_cast<char>(sizes[i] < 0 ? 127 : sizes[i]);
    };
    c.decimal_point = n ? n->decimal_point : empty;
    c.thousands_sep = n ? n->thousands_sep : empty;
    c.w_decimal_point = n && n->w_decimal_point ? n->w_decimal_point : wempty;
    c.w_thousands_sep = n && n->w_thousands_sep ? n->w_thousands_sep : wempty;
    if (n)
        grouping(c.grouping, n->grouping, n->grouping_count);
    c.int_curr_symbol = m ? m->int_curr_symbol : empty;
    c.currency_symbol = m ? m->currency_symbol : empty;
    c.mon_decimal_point = m ? m->mon_decimal_point : empty;
    c.mon_thousands_sep = m ? m->mon_thousands_sep : empty;
    c.positive_sign = m ? m->positive_sign : empty;
    c.negative_sign = m ? m->negative_sign : empty;
    c.w_int_curr_symbol = m && m->w_int_curr_symbol ? m->w_int_curr_symbol : wempty;
    c.w_currency_symbol = m && m->w_currency_symbol ? m->w_currency_symbol : wempty;
    c.w_mon_decimal_point = m && m->w_mon_decimal_point ? m->w_mon_decimal_point : wempty;
    c.w_mon_thousands_sep = m && m->w_mon_thousands_sep ? m->w_mon_thousands_sep : wempty;
    c.w_positive_sign = m && m->w_positive_sign ? m->w_positive_sign : wempty;
    c.w_negative_sign = m && m->w_negative_sign ? m->w_negative_sign : wempty;
    if (m)
        grouping(c.mon_grouping, m->mon_grouping, m->mon_grouping_count);
    int *dst[] = {&c.int_frac_digits, &c.frac_digits,    &c.p_cs_precedes, &c.p_sep_by_space,
                  &c.n_cs_precedes,   &c.n_sep_by_space, &c.p_sign_posn,   &c.n_sign_posn};
    const int src[] = {m ? m->int_frac_digits : INT32_MAX, m ? m->frac_digits : INT32_MAX,
                       m ? m->p_cs_precedes : INT32_MAX,   m ? m->p_sep_by_space : INT32_MAX,
                       m ? m->n_cs_precedes : INT32_MAX,   m ? m->n_sep_by_space : INT32_MAX,
                       m ? m->p_sign_posn : INT32_MAX,     m ? m->n_sign_posn : INT32_MAX};
    for (int i = 0; i < 8; ++i)
        *dst[i] = src[i];
    return 0;
}

int init_section(gl_locale *loc, int slot)
{
    static int (*const inits[GL_LC_CATEGORIES])(gl_locale *) = {nullptr,       nullptr,   init_numeric,
                                                                 init_monetary, init_time, init_messages};
    static const char *const failures[GL_LC_CATEGORIES] = {
        nullptr, nullptr, "Failed to initialize numeric information\n",
        "Failed to initialize monetary information\n", "Failed to initialize time information\n",
        "Failed to initialize messages information\n"};
    if (inits[slot] == nullptr)
        return 0;
    int e = (loc->class_trie == nullptr || _gl_multi_max_length(loc->class_trie) < 1) ? GL_ENOCTYPE
                                                                                       : inits[slot](loc);
    if (e != 0) {
        gl_message(failures[slot]);
        free_category(loc, slot);
        if (slot == 2 || slot == 3)
            build_lconv(loc);
    }
    return e;
}

void free_private(gl_locale *loc)
{
    _gl_ext_free(loc->upper_map);
    _gl_ext_free(loc->lower_map);
    _gl_ext_free(loc->class_map);
    _gl_ext_free(loc->lconv);
    free_era_cache(loc);
    loc->upper_map = loc->lower_map = nullptr;
    loc->class_map = nullptr;
    loc->lconv = nullptr;
}

} // namespace gls::lc

using namespace gls;
using namespace gls::lc;

namespace {

// ---- Collation routines ------------------------------------------------------------------
// A record without a COLLATE category compares by character code value (the
// wide value of each character, a byte where CTYPE is missing too); the
// other kinds get the routines of the collation modules (gl_coll.h).

int next_code(gl_locale *loc, const unsigned char *&s, const unsigned char *end, uint32_t *code)
{
    if (s >= end || *s == 0)
        return 0;
    int len = 1;
    if (loc->class_trie != nullptr) {
        int e = 0;
        if (_gl_retrieve_text_multi_limit(s, loc->class_trie, static_cast<int>(end - s), &len, &e) == nullptr ||
            len <= 0)
            len = 1;
    }
    uint32_t v = 0;
    for (int i = 0; i < len; ++i)
        v = (v << 8) | s[i];
    s += len;
    *code = v;
    return 1;
}

int code_value_ncompare(gl_locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2)
{
    const unsigned char *e1 = s1 + (n1 < 0 ? std::strlen(reinterpret_cast<const char *>(s1)) : n1);
    const unsigned char *e2 = s2 + (n2 < 0 ? std::strlen(reinterpret_cast<const char *>(s2)) : n2);
    for (;;) {
        uint32_t a = 0, b = 0;
        int ha = next_code(loc, s1, e1, &a), hb = next_code(loc, s2, e2, &b);
        if (!ha || !hb)
            return ha - hb;
        if (a != b)
            return a < b ? -1 : 1;
    }
}

int code_value_compare(gl_locale *loc, const unsigned char *s1, const unsigned char *s2)
{
    return code_value_ncompare(loc, s1, -1, s2, -1);
}

int code_value_transform(gl_locale *, unsigned char *dst, const unsigned char *src, int n)
{
    int len = static_cast<int>(std::strlen(reinterpret_cast<const char *>(src)));
    if (dst != nullptr && n > len)
        std::memcpy(dst, src, len + 1);
    return len;
}

struct CollRoutines {
    gl_coll_compare compare;
    gl_coll_ncompare ncompare;
    gl_coll_transform transform;
};

// Routine kinds, in the order of the table below.
enum CollKind { CodeValueKind, ThaiKind, UnicodeKind, SbExpansion, SbElement, SbBackward, SbElementExpansion,
                Multibyte, kCollKinds };

constexpr CollRoutines kCollRoutines[kCollKinds] = {
    {code_value_compare, code_value_ncompare, code_value_transform},
    {_gl_thaismocoll, _trw_gl_thaismoncoll, _gl_thaismoxfrm},
    {_gl_glu_mbscoll, _trw_gl_glu_mbfscoll, _gl_glu_mbsxfrm},
    {_gl_is_mbscoll_exp, _trw_gl_is_mbfscoll_exp, gl_full_mbsxfrm},
    {_gl_is_mbscoll_elem, _trw_gl_is_mbfscoll_elem, gl_full_mbsxfrm},
    {_gl_is_mbscoll_back, _trw_gl_is_mbfscoll_back, gl_full_mbsxfrm},
    {_gl_is_mbscoll_exp_elem, _trw_gl_is_mbfscoll_exp_elem, gl_full_mbsxfrm},
    {_gl_im_mbscoll, _trw_gl_im_mbfscoll, gl_full_mbsxfrm},
};

CollKind select_collation(const gl_locale *loc)
{
    if (loc->coll_kind == GL_COLL_NONE)
        return CodeValueKind;
    if (loc->coll_kind == GL_COLL_THAI_SMO)
        return ThaiKind;
    if (loc->coll_kind == GL_COLL_UNICODE)
        return UnicodeKind;
    if (!loc->single_byte)
        return Multibyte;
    bool elements = loc->element_count > 0, expansions = loc->expansion_count > 0, backward = false;
    for (int lv = 0; lv < loc->levels; ++lv)
        backward = backward || loc->level_flags[lv] == 2;
    if (expansions && !elements && !backward)
        return SbExpansion;
    if (elements && !expansions && !backward)
        return SbElement;
    if (!elements && !expansions)
        return SbBackward;
    if (elements && expansions && !backward)
        return SbElementExpansion;
    return Multibyte;
}

// ---- Finishing a load ---------------------------------------------------------------------

uint16_t trie_value(const gl_multi *t, unsigned char byte)
{
    int len = 0, e = 0;
    const void *v = t ? _gl_retrieve_text_multi_limit(&byte, t, 1, &len, &e) : nullptr;
    uint16_t out = 0;
    if (v != nullptr && len == 1)
        std::memcpy(&out, v, sizeof out);
    return out;
}

int build_fast_tables(gl_locale *loc)
{
    loc->upper_map = static_cast<unsigned char *>(_gl_ext_malloc(256));
    loc->lower_map = static_cast<unsigned char *>(_gl_ext_malloc(256));
    loc->class_map = static_cast<uint16_t *>(_gl_ext_malloc(256 * sizeof(uint16_t)));
    if (!loc->upper_map || !loc->lower_map || !loc->class_map)
        return GL_ENOMEM;
    for (int c = 0; c < 256; ++c) {
        unsigned char b = static_cast<unsigned char>(c);
        loc->class_map[c] = trie_value(loc->class_trie, b);
        uint16_t idx = trie_value(loc->case_trie, b);
        const gl_lc_casepair *p = idx ? &loc->case_pairs[idx] : nullptr;
        loc->upper_map[c] = p && p->upper >= 0 && p->upper < 256 ? static_cast<unsigned char>(p->upper) : b;
        loc->lower_map[c] = p && p->lower >= 0 && p->lower < 256 ? static_cast<unsigned char>(p->lower) : b;
    }
    return 0;
}

// Whether two code-set names of category files name one code set: the same
// name (case ignored), or names the registry maps to the same number. The
// lookup keeps its error to itself; a name it cannot map matches only itself.
bool same_code_set(const char *a, const char *b)
{
    if (strcasecmp(a, b) == 0)
        return true;
    int scratch = 0;
    unsigned na = gl_cs_name2cs_num(&scratch, a, nullptr);
    unsigned nb = gl_cs_name2cs_num(&scratch, b, nullptr);
    return na != GL_CS_INVALID && na == nb;
}

void wide_name(const char *from, uint32_t *to, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        to[i] = static_cast<unsigned char>(from[i]);
}

// Returns -1 on memory failure (error 3); otherwise 0, with error 12 when the
// categories' code sets differ.
int finish_load(gl_locale *loc)
{
    _gl_ext_free(loc->upper_map);
    _gl_ext_free(loc->lower_map);
    _gl_ext_free(loc->class_map);
    loc->upper_map = loc->lower_map = nullptr;
    loc->class_map = nullptr;
    loc->single_byte = loc->class_trie != nullptr && _gl_multi_max_length(loc->class_trie) == 1;
    if (loc->single_byte && build_fast_tables(loc) != 0) {
        loc->error = GL_ENOMEM;
        return -1;
    }
    const CollRoutines &r = kCollRoutines[select_collation(loc)];
    loc->coll_compare = r.compare;
    loc->coll_ncompare = r.ncompare;
    loc->coll_transform = r.transform;
    bool mismatch = false;
    for (int slot = 1; slot <= 4; ++slot)
        if (loc->names[slot].codeset[0] != '\0' &&
            !same_code_set(loc->names[0].codeset, loc->names[slot].codeset))
            mismatch = true;
    loc->error = mismatch ? GL_ECSMISMATCH : 0;
    for (gl_lc_catname &n : loc->names) {
        wide_name(n.codeset, n.w_codeset, sizeof n.codeset);
        wide_name(n.file, n.w_file, sizeof n.file);
    }
    return 0;
}

// ---- Loading -----------------------------------------------------------------------------

// The file name of a category from a names text (see gl_setlocale_4), or
// from the environment. 0, 8 (name too long), or -1 to skip the category.
int choose_name(const char *names, int slot, char out[kNameMax + 1])
{
    const char *cat = kCategoryNames[slot];
    if (names != nullptr && *names != '\0') {
        const char *at = std::strstr(names, cat);
        if (at == nullptr) {
            if (std::strstr(names, "GL_") != nullptr)
                return -1;
            if (std::strlen(names) > kNameMax)
                return GL_EFILEERR;
            std::strcpy(out, names);
            return 0;
        }
        const char *eq = std::strchr(at, '=');
        if (eq == nullptr)
            return GL_EBADARG;
        ++eq;
        while (*eq == ' ')
            ++eq;
        size_t n = 0;
        while (eq[n] != '\0' && eq[n] != ' ' && eq[n] != ';')
            ++n;
        if (n == 0 || n > kNameMax)
            return GL_EFILEERR;
        std::memcpy(out, eq, n);
        out[n] = '\0';
        return 0;
    }
    const char *env = nullptr;
    for (const char *var : {"GL_ALL", cat, "GL_LANG"}) {
        const char *v = _gl_ext_getenv(var);
        if (v != nullptr && *v != '\0') {
            env = v;
            break;
        }
    }
    if (env == nullptr)
        env = "default.lco";
    if (std::strlen(env) > kNameMax)
        return GL_EFILEERR;
    std::strcpy(out, env);
    return 0;
}

// Opens a category's file: directory/name when a directory is given, else
// by the path search ("native" is then default.lco). 0 or an error number.
int open_locale_file(gl_locale *loc, const char *name, const char *directory, FILE **out)
{
    if (directory != nullptr && *directory != '\0') {
        size_t n = std::strlen(directory) + std::strlen(name) + 2;
        HookBuffer path(n);
        if (!path)
            return GL_ENOMEM;
        std::snprintf(path.get(), n, "%s/%s", directory, name);
        *out = _gl_ext_fopen(path.get(), "r");
    } else {
        *out = gl_path_search(loc, std::strcmp(name, "native") == 0 ? "default.lco" : name, "lc", "11");
    }
    return *out != nullptr ? 0 : loc->error == GL_ENOMEM ? GL_ENOMEM : GL_EFILEERR;
}

// The service handle a record already holds for a file, or null.
void *service_handle_of(const gl_locale *loc, const char *file)
{
    for (int s = 0; s < GL_LC_CATEGORIES; ++s)
        if (loc->glu_served[s] && loc->glu_handle[s] != nullptr && std::strcmp(loc->names[s].file, file) == 0)
            return loc->glu_handle[s];
    return nullptr;
}

// Offers a loaded category to the Unicode service: when it runs and claims
// the normal specification of the category's file, the category is served
// by a service locale (one per file, shared by the categories loaded from
// it) and a served COLLATE collates by the service. A claimed locale the
// service then cannot open stays with the file's tables.
void offer_to_service(gl_locale *loc, int slot, const char *file)
{
    auto claims = reinterpret_cast<glu_useIcuLocCall_fn>(_gl_glu_entry(GLU_useIcuLocCall));
    if (claims == nullptr)
        return;
    char lang_terr[6], number[6], modifier[5], spec[18];
    if (gl_lc_fname2lc_pieces(nullptr, file, lang_terr, number, modifier) != 0 ||
        gl_lc_pieces2lc_spec(nullptr, lang_terr, number, modifier[0] ? modifier : nullptr, spec) != 0)
        return;
    int16_t err = 0;
    const int category = slot + GL_LC_CTYPE;
    if (claims(glx_gluMap(), spec, category, &err) != 1)
        return;
    void *handle = service_handle_of(loc, file);
    if (handle == nullptr) {
        int scratch = 0;
        handle = glx_lc_open(&scratch, spec, category);
    }
    if (handle == nullptr) {
        message2("Unicode service could not open locale ", spec);
        return;
    }
    loc->glu_handle[slot] = handle;
    loc->glu_served[slot] = 1;
    if (slot == slot_of(GL_LC_COLLATE))
        loc->coll_kind = GL_COLL_UNICODE;
}

// The file the previous category of a load came from, kept open after that
// category's section while the next category names the same file: the
// markers follow each other in file order, so a load of every category from
// one file reads it once instead of scanning it from the top for each.
struct OpenFile {
    FILE *stream = nullptr;
    Feed feed;
    Text text;
    char name[kNameMax + 1] = {};
    char codeset[21] = {};
    OpenFile() = default;
    OpenFile(const OpenFile &) = delete;
    OpenFile &operator=(const OpenFile &) = delete;
    ~OpenFile() { close(); }
    bool is_open() const { return stream != nullptr; }
    // A stream that went on past the length of a locale file.
    bool too_long() const { return feed.too_long; }
    void close()
    {
        if (stream != nullptr)
            _gl_ext_fclose(stream);
        close_feed(feed);
        stream = nullptr;
        text = Text{};
        name[0] = '\0';
    }
};

// Starts reading an open stream into file, which closes it. 0 or an error
// number.
int take_text(FILE *f, OpenFile &file)
{
    file.stream = f;
    return open_feed(f, file.feed, file.text);
}

// Positions `file` at the marker of a slot in the file `name`: after the
// previous section when the file is still open, else from a fresh open and
// its header. The header's code set must be CTYPE's (58). 0 or an error.
int seek_section(gl_locale *loc, OpenFile &file, const char *name, const char *directory, int slot)
{
    if (file.is_open() && std::strcmp(file.name, name) == 0) {
        if (slot > 0 && loc->names[0].codeset[0] != '\0' && !same_code_set(file.codeset, loc->names[0].codeset))
            return GL_ECATCODESET;
        if (find_marker(file.text, slot) == 0)
            return 0;
    }
    file.close();
    FILE *f = nullptr;
    if (int e = open_locale_file(loc, name, directory, &f))
        return e;
    if (int e = take_text(f, file))
        return e;
    std::strcpy(file.name, name);
    if (int e = read_header(file.text, file.codeset))
        return e;
    if (slot > 0 && loc->names[0].codeset[0] != '\0' && !same_code_set(file.codeset, loc->names[0].codeset))
        return GL_ECATCODESET;
    return find_marker(file.text, slot);
}

int load_category(gl_locale *loc, OpenFile &file, int slot, const char *names, const char *directory)
{
    char name[kNameMax + 1];
    int e = choose_name(names, slot, name);
    if (e != 0)
        return e;
    free_category(loc, slot);
    e = seek_section(loc, file, name, directory, slot);
    if (e == 0) {
        std::memcpy(loc->names[slot].codeset, file.codeset, sizeof file.codeset);
        e = read_section(loc, file.text, slot);
    }
    if (e == 0 && file.too_long())
        e = GL_EFORMAT;
    if (e == 0)
        e = init_section(loc, slot);
    if (e != 0) {
        file.close();
        free_category(loc, slot);
        return e;
    }
    offer_to_service(loc, slot, name);
    std::memcpy(loc->names[slot].file, name, std::strlen(name) + 1);
    return 0;
}

// Starts the Unicode service (a no-op when it runs or is disabled) before a
// load; a failed start fails the load. 0 or -1 with the error number set.
int start_service(gl_locale *loc)
{
    loc->error = 0;
    if (gl_init_glu(loc) == 0)
        return 0;
    if (loc->error == 0)
        loc->error = GL_EFILEERR;
    return -1;
}

int load_categories(gl_locale *loc, int category, const char *names, const char *directory)
{
    if (category < GL_ALL_CATEGORIES || category > GL_LC_MESSAGES ||
        (names != nullptr && std::strlen(names) >= 312)) {
        loc->error = GL_EBADARG;
        return -1;
    }
    if (int e = start_service(loc))
        return e;
    int first = category == GL_ALL_CATEGORIES ? 0 : slot_of(category);
    int last = category == GL_ALL_CATEGORIES ? GL_LC_CATEGORIES - 1 : first;
    OpenFile file;
    for (int slot = first; slot <= last; ++slot) {
        loc->error = 0;
        int e = load_category(loc, file, slot, names, directory);
        if (e == -1)
            continue;
        if (e != 0) {
            loc->error = e;
            finish_load(loc);
            loc->error = e;
            return -1;
        }
    }
    return finish_load(loc);
}

char *query_text(gl_locale *loc, int category)
{
    size_t n = 1;
    for (int s = 0; s < GL_LC_CATEGORIES; ++s)
        n += std::strlen(kCategoryNames[s]) + std::strlen(loc->names[s].file) + 6;
    char *out = static_cast<char *>(_gl_ext_malloc(n));
    if (out == nullptr) {
        loc->error = GL_ENOMEM;
        return nullptr;
    }
    if (category != GL_ALL_CATEGORIES) {
        std::strcpy(out, loc->names[slot_of(category)].file);
        return out;
    }
    out[0] = '\0';
    for (int s = 0; s < GL_LC_CATEGORIES; ++s) {
        std::strcat(out, kCategoryNames[s]);
        std::strcat(out, " = ");
        std::strcat(out, loc->names[s].file);
        std::strcat(out, " ; ");
    }
    return out;
}

int whole_file(gl_locale *loc, OpenFile &f)
{
    char codeset[21] = {};
    if (int e = read_header(f.text, codeset))
        return e;
    for (gl_lc_catname &n : loc->names)
        std::memcpy(n.codeset, codeset, sizeof codeset);
    for (int slot = 0; slot < GL_LC_CATEGORIES; ++slot) {
        if (int e = find_marker(f.text, slot))
            return e;
        if (int e = read_section(loc, f.text, slot))
            return e;
        if (f.too_long())
            return GL_EFORMAT;
        if (int e = init_section(loc, slot))
            return e;
    }
    return 0;
}

void free_record_tables(gl_locale *loc)
{
    for (int slot = 0; slot < GL_LC_CATEGORIES; ++slot)
        free_category(loc, slot);
    free_private(loc);
}

// ---- Sharing categories -------------------------------------------------------------------

char *dup_text(const char *s)
{
    size_t n = s ? std::strlen(s) : 0;
    auto *d = static_cast<char *>(_gl_ext_calloc(n + 4, 1));
    if (d != nullptr && n)
        std::memcpy(d, s, n);
    return d;
}

uint32_t *dup_wide(const uint32_t *w)
{
    size_t n = 0;
    while (w && w[n])
        ++n;
    auto *d = static_cast<uint32_t *>(_gl_ext_calloc(n + 1, sizeof(uint32_t)));
    if (d != nullptr && n)
        std::memcpy(d, w, n * sizeof(uint32_t));
    return d;
}

// Copies of the strings of a NUMERIC, MONETARY or MESSAGES record, with their
// wide copies; false when memory runs out (the copies made stay in dst).
template <size_t N> bool dup_strings(char *(&mb)[N], uint32_t *(&wide)[N])
{
    bool ok = true;
    for (size_t i = 0; i < N; ++i) {
        mb[i] = dup_text(mb[i]);
        wide[i] = dup_wide(wide[i]);
        ok = ok && mb[i] && wide[i];
    }
    return ok;
}

int copy_numeric(gl_locale *dst, const gl_locale *src)
{
    auto *n = static_cast<gl_lc_numeric *>(_gl_ext_malloc(sizeof(gl_lc_numeric)));
    if (n == nullptr)
        return GL_ENOMEM;
    *n = *src->numeric;
    dst->numeric = n;
    char *mb[] = {n->decimal_point, n->thousands_sep, n->positive_sign, n->negative_sign};
    uint32_t *w[] = {n->w_decimal_point, n->w_thousands_sep, n->w_positive_sign, n->w_negative_sign};
    bool ok = dup_strings(mb, w);
    n->decimal_point = mb[0], n->thousands_sep = mb[1], n->positive_sign = mb[2], n->negative_sign = mb[3];
    n->w_decimal_point = w[0], n->w_thousands_sep = w[1], n->w_positive_sign = w[2], n->w_negative_sign = w[3];
    return ok ? build_lconv(dst) : GL_ENOMEM;
}

int copy_monetary(gl_locale *dst, const gl_locale *src)
{
    auto *m = static_cast<gl_lc_monetary *>(_gl_ext_malloc(sizeof(gl_lc_monetary)));
    if (m == nullptr)
        return GL_ENOMEM;
    *m = *src->monetary;
    dst->monetary = m;
    char **mbp[] = {&m->int_curr_symbol, &m->currency_symbol, &m->mon_decimal_point, &m->mon_thousands_sep,
                    &m->positive_sign, &m->negative_sign};
    uint32_t **wp[] = {&m->w_int_curr_symbol, &m->w_currency_symbol, &m->w_mon_decimal_point,
                       &m->w_mon_thousands_sep, &m->w_positive_sign, &m->w_negative_sign};
    char *mb[6];
    uint32_t *w[6];
    for (int i = 0; i < 6; ++i)
        mb[i] = *mbp[i], w[i] = *wp[i];
    bool ok = dup_strings(mb, w);
    for (int i = 0; i < 6; ++i)
        *mbp[i] = mb[i], *wp[i] = w[i];
    return ok ? build_lconv(dst) : GL_ENOMEM;
}

int copy_messages(gl_locale *dst, const gl_locale *src)
{
    auto *m = static_cast<gl_lc_messages *>(_gl_ext_malloc(sizeof(gl_lc_messages)));
    if (m == nullptr)
        return GL_ENOMEM;
    *m = *src->messages;
    dst->messages = m;
    return dup_strings(m->text, m->w_text) ? 0 : GL_ENOMEM;
}

void share_ctype(gl_locale *dst, const gl_locale *src)
{
    dst->class_trie = src->class_trie;
    dst->class_count = src->class_count;
    dst->classes = src->classes;
    dst->case_trie = src->case_trie;
    dst->case_pair_count = src->case_pair_count;
    dst->case_pairs = src->case_pairs;
    dst->case_factor = src->case_factor;
}

void share_collate(gl_locale *dst, const gl_locale *src)
{
    dst->code_ranges = src->code_ranges;
    dst->equiv_classes = src->equiv_classes;
    dst->equiv_bounds = src->equiv_bounds;
    dst->weight_trie = src->weight_trie;
    dst->levels = src->levels;
    dst->highest_row = src->highest_row;
    dst->expansion_count = src->expansion_count;
    dst->element_count = src->element_count;
    dst->max_weight = src->max_weight;
    for (int lv = 0; lv < GL_MAX_LEVELS; ++lv) {
        dst->level_flags[lv] = src->level_flags[lv];
        dst->weights[lv] = src->weights[lv];
        dst->expansion_candidates[lv] = src->expansion_candidates[lv];
    }
    dst->expansions = src->expansions;
    dst->elements = src->elements;
    dst->coll_mode = src->coll_mode;
    dst->element_candidates = src->element_candidates;
    dst->coll_kind = src->coll_kind;
    dst->longest_sequence = src->longest_sequence;
}

// Shares CTYPE, COLLATE and TIME tables (the era cache is rebuilt for dst);
// copies NUMERIC, MONETARY and MESSAGES.
int copy_slot(gl_locale *dst, gl_locale *src, int slot)
{
    free_category(dst, slot);
    int e = 0;
    switch (slot) {
    case 0: share_ctype(dst, src); break;
    case 1:
        // Shared lists must be the source's own: build them there first.
        e = equivalences(src);
        share_collate(dst, src);
        break;
    case 2: e = src->numeric ? copy_numeric(dst, src) : 0; break;
    case 3: e = src->monetary ? copy_monetary(dst, src) : 0; break;
    case 4: dst->time = src->time; break;
    default: e = src->messages ? copy_messages(dst, src) : 0; break;
    }
    dst->borrowed[slot] = slot == 0 || slot == 1 || slot == 4;
    if (dst->borrowed[slot]) {
        dst->glu_handle[slot] = src->glu_handle[slot];
        dst->glu_served[slot] = src->glu_served[slot];
    }
    if (e == 0 && slot == 4)
        e = build_era_cache(dst);
    if (e != 0) {
        free_category(dst, slot);
        return e;
    }
    dst->names[slot] = src->names[slot];
    return 0;
}

} // namespace

extern "C" {

int gl_create_null_locale_4(gl_locale **out)
{
    auto *loc = static_cast<gl_locale *>(_gl_ext_calloc(1, sizeof(gl_locale)));
    if (loc == nullptr) {
        *out = &oom_locale;
        return -1;
    }
    loc->case_factor = 1.0;
    loc->case_factor2 = 1.0;
    loc->coll_compare = code_value_compare;
    loc->coll_ncompare = code_value_ncompare;
    loc->coll_transform = code_value_transform;
    *out = loc;
    return 0;
}

int gl_createlocale_4(gl_locale **out) { return gl_createlocale2_4(out, nullptr); }

int gl_createlocale2_4(gl_locale **out, const char *directory)
{
    static const char kDefault[] = "default.lco";
    if (directory != nullptr && std::strlen(directory) > 127 - (sizeof kDefault - 1)) {
        *out = &file_error_locale;
        return -1;
    }
    gl_locale *loc;
    if (gl_create_null_locale_4(&loc) != 0) {
        *out = loc;
        return -1;
    }
    if (start_service(loc) != 0) {
        *out = loc;
        return -1;
    }
    FILE *f = nullptr;
    if (directory != nullptr && *directory != '\0') {
        char path[128];
        std::snprintf(path, sizeof path, "%s%s", directory, kDefault);
        f = _gl_ext_fopen(path, "r");
    }
    if (f == nullptr)
        f = gl_path_search(loc, kDefault, "lc", "11");
    if (f == nullptr) {
        *out = loc->error == GL_ENOMEM ? &oom_locale : &file_error_locale;
        gl_lc_unload(loc);
        return -1;
    }
    OpenFile file;
    int e = take_text(f, file);
    if (e == 0)
        e = whole_file(loc, file);
    file.close();
    *out = loc;
    if (e != 0) {
        free_record_tables(loc);
        loc->error = e;
        return -1;
    }
    for (gl_lc_catname &n : loc->names)
        std::strcpy(n.file, kDefault);
    return finish_load(loc);
}

int gl_lc_load(gl_locale **out, const char *specification, const char *registry, const char *directory)
{
    gl_locale *loc;
    if (gl_create_null_locale_4(&loc) != 0) {
        *out = loc;
        return -1;
    }
    *out = loc;
    if (specification == nullptr) {
        loc->error = GL_EBADARG;
        return -1;
    }
    // A specification becomes its file-name form; a text that is not one
    // (a file name, or a long form of file names) is used as it stands.
    HookBuffer names(GL_OUT_BUFSIZE);
    if (!names) {
        loc->error = GL_ENOMEM;
        return -1;
    }
    int scratch = 0;
    if (gl_lc_spec2lc_fname(&scratch, specification, names.get(), registry, nullptr) != 0)
        return scratch == GL_ENOMEM ? (loc->error = GL_ENOMEM, -1) : load_categories(loc, GL_ALL_CATEGORIES, specification, directory);
    return load_categories(loc, GL_ALL_CATEGORIES, names.get(), directory);
}

char *gl_setlocale_4(gl_locale *loc, int category, const char *names)
{
    if (loc == nullptr || is_static(loc))
        return nullptr;
    if (category < GL_ALL_CATEGORIES || category > GL_LC_MESSAGES) {
        loc->error = GL_EBADARG;
        return nullptr;
    }
    if (names != nullptr && load_categories(loc, category, names, nullptr) != 0)
        return nullptr;
    return query_text(loc, category);
}

void gl_destroystring(char *text) { _gl_ext_free(text); }

int gl_copy_cat(gl_locale *dst, gl_locale *src, int category)
{
    if (dst == nullptr || src == nullptr || is_static(dst) || is_static(src))
        return -1;
    if (category < GL_ALL_CATEGORIES || category > GL_LC_MESSAGES) {
        dst->error = GL_EBADARG;
        return -1;
    }
    int first = category == GL_ALL_CATEGORIES ? 0 : slot_of(category);
    int last = category == GL_ALL_CATEGORIES ? GL_LC_CATEGORIES - 1 : first;
    for (int s = first; s <= last; ++s) {
        if (src->names[s].codeset[0] == '\0' || src->names[s].file[0] == '\0') {
            dst->error = GL_ENOSRCCAT;
            return -1;
        }
        if (dst->names[s].codeset[0] != '\0' || dst->names[s].file[0] != '\0') {
            dst->error = GL_EDSTNOTEMPTY;
            return -1;
        }
    }
    for (int s = first; s <= last; ++s)
        if (int e = copy_slot(dst, src, s)) {
            dst->error = e;
            return -1;
        }
    return finish_load(dst);
}

void gl_lc_unload(gl_locale *loc)
{
    if (loc == nullptr || is_static(loc))
        return;
    free_record_tables(loc);
    _gl_ext_free(loc);
}

void gl_free_nonshared_loc(gl_locale *loc) { gl_lc_unload(loc); }

void *glx_gluLoc(const gl_locale *loc, int category)
{
    if (loc == nullptr || category < GL_LC_CTYPE || category > GL_LC_MESSAGES)
        return nullptr;
    int slot = slot_of(category);
    return loc->glu_served[slot] ? loc->glu_handle[slot] : nullptr;
}

int gl_ctype(gl_locale *loc, const char *name)
{
    static const char *const names[] = {"upper", "lower", "alpha", "digit", "space", "cntrl",
                                        "punct", "graph", "print", "xdigit", "blank"};
    if (name == nullptr)
        return 0;
    for (int i = 0; i < 11; ++i)
        if (std::strcmp(name, names[i]) == 0)
            return 1 << i;
    if (std::strcmp(name, "alnum") == 0)
        return GL_CLASS_ALNUM;
    if (loc == nullptr || is_static(loc))
        return 0;
    for (int i = 0; i < loc->class_count; ++i)
        if (std::strcmp(name, loc->classes[i].name) == 0)
            return GL_CLASS_EXTRA0 << loc->classes[i].bit;
    return 0;
}

int gl_lc_equivalences(gl_locale *loc)
{
    if (loc == nullptr || is_static(loc))
        return -1;
    if (int e = equivalences(loc)) {
        loc->error = e;
        return -1;
    }
    return 0;
}

} // extern "C"
