// Locale specifications and the names of data files: parsing short
// (ll_TT.codeset@mod) and long ("GL_CTYPE = ... ; ") specifications, their
// code-set numbers and normal forms, locale file names (ll_tt/hhhhmmmm.lco),
// message directory names, conversion file names (sssstttt.cvo) and the way
// back from a file name to a specification. Inputs are cut to the working
// buffer sizes; outputs are checked against GL_OUT_BUFSIZE, never overrun.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "gl_names.h"
#include "glcommon.h"

namespace {

using std::string_view;

constexpr std::size_t kSpecLimit = GL_SPEC_BUFSIZE - 1;   // characters kept of a specification
constexpr std::size_t kFnameSpecLimit = 310 - 1;          // of a long file-name form
constexpr std::size_t kFnameSize = 19;                    // ll_tt/hhhhmmmm.lco and terminator
constexpr int kCategories = 6;
constexpr char kCookie = GL_PATH_COOKIE;

// Category names of long specifications with their numbers; the order is
// the one of the long form gl_lc_short2lc_long writes.
struct Category {
    string_view name;
    int number;
};
constexpr std::array<Category, kCategories> kCategoryOrder{{
    {"GL_CTYPE", GL_CAT_CTYPE},
    {"GL_COLLATE", GL_CAT_COLLATE},
    {"GL_NUMERIC", GL_CAT_NUMERIC},
    {"GL_MONETARY", GL_CAT_MONETARY},
    {"GL_TIME", GL_CAT_TIME},
    {"GL_MESSAGES", GL_CAT_MESSAGES},
}};

string_view category_name(int number)
{
    for (const Category &c : kCategoryOrder)
        if (c.number == number)
            return c.name;
    return {};
}

// The category whose name starts text, or 0.
int category_at(string_view text)
{
    for (const Category &c : kCategoryOrder)
        if (text.substr(0, c.name.size()) == c.name)
            return c.number;
    return 0;
}

string_view cut(const char *text, std::size_t limit) { return string_view(text, strnlen(text, limit)); }

// Output with a fixed capacity; an overflowing write marks it failed.
class Out {
public:
    Out(char *buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}
    Out &operator<<(string_view text)
    {
        if (ok_ && length_ + text.size() < capacity_) {
            text.copy(buffer_ + length_, text.size());
            length_ += text.size();
        } else {
            ok_ = false;
        }
        return *this;
    }
    bool finish()
    {
        if (ok_)
            buffer_[length_] = '\0';
        return ok_;
    }

private:
    char *buffer_;
    std::size_t capacity_;
    std::size_t length_ = 0;
    bool ok_ = true;
};

// ---- short specifications ----

struct ShortSpec {
    string_view lang;     // two letters as written
    string_view terr;
    string_view codeset;  // 1 to 21 printable characters
    string_view modifier; // 0 to 4 letters or digits
};

bool printable(char c) { return c > ' ' && c < 0x7F; }

bool lang_terr_at(string_view text)
{
    return text.size() >= 5 && gls::is_ascii_alpha(text[0]) && gls::is_ascii_alpha(text[1]) && text[2] == '_' &&
           gls::is_ascii_alpha(text[3]) && gls::is_ascii_alpha(text[4]);
}

// Parses the whole of text as ll_TT.codeset[@modifier].
bool parse_short(string_view text, ShortSpec *out)
{
    if (!lang_terr_at(text) || text.size() < 7 || text[5] != '.')
        return false;
    out->lang = text.substr(0, 2);
    out->terr = text.substr(3, 2);
    std::size_t at = 6;
    std::size_t start = at;
    while (at < text.size() && text[at] != '@' && !gls::is_ascii_space(text[at])) {
        if (!printable(text[at]))
            return false;
        ++at;
    }
    out->codeset = text.substr(start, at - start);
    if (out->codeset.empty() || out->codeset.size() > GL_CS_NAME_MAX || out->codeset[0] == '#')
        return false;
    out->modifier = {};
    if (at < text.size() && text[at] == '@') {
        start = ++at;
        while (at < text.size() && gls::is_ascii_alnum(text[at]))
            ++at;
        out->modifier = text.substr(start, at - start);
        if (out->modifier.empty() || out->modifier.size() > 4)
            return false;
    }
    return at == text.size();
}

unsigned codeset_number(void *context, string_view codeset, const char *registry_path)
{
    char name[GL_CS_NAME_MAX + 1];
    std::memcpy(name, codeset.data(), codeset.size());
    name[codeset.size()] = '\0';
    return gl_cs_name2cs_num(context, name, registry_path);
}

// The relative locale file name of a parsed short specification.
void short_fname(const ShortSpec &s, unsigned number, char (&out)[kFnameSize])
{
    char modifier[5] = {};
    s.modifier.copy(modifier, sizeof modifier - 1);
    std::snprintf(out, sizeof out, "%c%c_%c%c/%04x%s.lco", gls::ascii_lower(s.lang[0]), gls::ascii_lower(s.lang[1]),
                  gls::ascii_lower(s.terr[0]), gls::ascii_lower(s.terr[1]), number, modifier);
}

// The error of a code set that could not be mapped: GL_ENOMEM when memory
// ran out while the registry was searched, else GL_EINVAL.
int mapping_error(void *context) { return gls::error_of(context) == GL_ENOMEM ? GL_ENOMEM : GL_EINVAL; }

// Parses and maps a short specification; GL_CS_INVALID (with GL_EINVAL)
// when it is malformed or its code set unknown, or with GL_ENOMEM kept when
// memory ran out while the registry was searched.
unsigned short_number(void *context, string_view text, const char *registry_path, ShortSpec *spec)
{
    if (!parse_short(text, spec)) {
        gls::set_error(context, GL_EINVAL);
        return GL_CS_INVALID;
    }
    unsigned number = codeset_number(context, spec->codeset, registry_path);
    if (number == GL_CS_INVALID)
        gls::set_error(context, mapping_error(context));
    return number;
}

// ---- long specifications ----

struct Entry {
    int category;
    string_view value;   // up to the next " ; " or the end
    bool separator;      // " ; " follows
};

struct LongSpec {
    std::array<Entry, kCategories> entries;
    int count = 0;
    bool ends_after_separator() const { return count > 0 && entries[static_cast<std::size_t>(count - 1)].separator; }
    const Entry *find(int category) const
    {
        for (int i = 0; i < count; ++i)
            if (entries[static_cast<std::size_t>(i)].category == category)
                return &entries[static_cast<std::size_t>(i)];
        return nullptr;
    }
};

bool is_long(string_view text) { return category_at(text) != 0; }

// Splits text into category entries: a category name, " = ", a value, then
// " ; " or the end. Refuses an unknown or repeated category, a missing " = "
// and an empty value.
bool parse_long(string_view text, LongSpec *out)
{
    out->count = 0;
    while (!text.empty()) {
        int category = category_at(text);
        if (category == 0 || out->find(category) != nullptr)
            return false;
        text.remove_prefix(category_name(category).size());
        if (text.substr(0, 3) != " = ")
            return false;
        text.remove_prefix(3);
        std::size_t end = text.find(" ; ");
        Entry e{category, text.substr(0, end), end != string_view::npos};
        if (e.value.empty())
            return false;
        text.remove_prefix(e.separator ? end + 3 : text.size());
        out->entries[static_cast<std::size_t>(out->count++)] = e;
    }
    return out->count > 0;
}

bool six_categories(const LongSpec &spec) { return spec.count == kCategories; }

// Maps every entry of a long specification as a short specification; all
// must share one code set. GL_CS_INVALID with GL_EINVAL otherwise.
unsigned long_number(void *context, const LongSpec &spec, const char *registry_path)
{
    unsigned first = GL_CS_INVALID;
    for (int i = 0; i < spec.count; ++i) {
        ShortSpec s;
        unsigned n = short_number(context, spec.entries[static_cast<std::size_t>(i)].value, registry_path, &s);
        if (n == GL_CS_INVALID || (i > 0 && n != first)) {
            gls::set_error(context, n == GL_CS_INVALID ? mapping_error(context) : GL_EINVAL);
            return GL_CS_INVALID;
        }
        first = n;
    }
    return first;
}

bool refuse(void *context, int error = GL_EINVAL)
{
    gls::set_error(context, error);
    return false;
}

int fail(void *context, int error = GL_EINVAL)
{
    gls::set_error(context, error);
    return -1;
}

// 0, or -1 with GL_EINVAL (an output that did not fit).
int result(void *context, bool ok) { return ok ? 0 : fail(context); }

// A directory prefix: null or empty means none; longer than 256 is refused.
bool prefix_ok(void *context, const char *dir, string_view *prefix)
{
    *prefix = dir != nullptr ? string_view(dir) : string_view{};
    return prefix->size() <= GL_DIR_MAX || refuse(context, GL_EFILEERR);
}

void write_prefixed(Out &out, string_view prefix, string_view name)
{
    if (!prefix.empty())
        out << prefix << string_view(&kCookie, 1);
    out << name;
}

// The file-name form of a specification into out.
bool spec_to_fname(void *context, string_view text, Out &out, const char *registry_path, string_view prefix)
{
    char fname[kFnameSize];
    ShortSpec s;
    if (!is_long(text)) {
        unsigned n = short_number(context, text, registry_path, &s);
        if (n == GL_CS_INVALID)
            return false;
        short_fname(s, n, fname);
        write_prefixed(out, prefix, fname);
        return out.finish() || refuse(context);
    }
    LongSpec spec;
    if (!parse_long(text, &spec))
        return refuse(context);
    unsigned first = GL_CS_INVALID;
    for (int i = 0; i < spec.count; ++i) {
        const Entry &e = spec.entries[static_cast<std::size_t>(i)];
        unsigned n = short_number(context, e.value, registry_path, &s);
        if (n == GL_CS_INVALID || (i > 0 && n != first))
            return refuse(context, n == GL_CS_INVALID ? mapping_error(context) : GL_EINVAL);
        first = n;
        short_fname(s, n, fname);
        out << category_name(e.category) << " = ";
        write_prefixed(out, prefix, fname);
        if (e.separator)
            out << " ; ";
    }
    return out.finish() || refuse(context);
}

// The normal form of one short specification: through its file name and
// the pieces of that name.
bool short_to_norm(void *context, string_view text, const char *registry_path, char (&out)[18], unsigned *number)
{
    ShortSpec s;
    *number = short_number(context, text, registry_path, &s);
    if (*number == GL_CS_INVALID)
        return false;
    char fname[kFnameSize], lang_terr[6], digits[6], modifier[5];
    short_fname(s, *number, fname);
    return gl_lc_fname2lc_pieces(context, fname, lang_terr, digits, modifier) == 0 &&
           gl_lc_pieces2lc_spec(context, lang_terr, digits, modifier, out) == 0;
}

// A long specification with all six categories, each value starting with a
// letter.
bool six_lettered_entries(void *context, string_view text, LongSpec *spec)
{
    if (!parse_long(text, spec) || !six_categories(*spec))
        return refuse(context);
    for (const Entry &e : spec->entries)
        if (!gls::is_ascii_alpha(e.value[0]))
            return refuse(context);
    return true;
}

bool copy_out(void *context, string_view text, char *out)
{
    Out o(out, GL_OUT_BUFSIZE);
    o << text;
    return o.finish() || refuse(context);
}

// Opens one file of a long file-name form to check that it exists.
bool file_exists(void *context, string_view name, const char *dir)
{
    char path[GL_DIR_MAX + 1 + kFnameSpecLimit + 1];
    FILE *f;
    std::snprintf(path, sizeof path, "%.*s", static_cast<int>(name.size()), name.data());
    if (name.find(kCookie) != string_view::npos) {
        f = gl_open_file(context, path);
    } else if (dir != nullptr && *dir != '\0') {
        std::snprintf(path, sizeof path, "%s/%.*s", dir, static_cast<int>(name.size()), name.data());
        f = _gl_ext_fopen(path, "r");
        if (f == nullptr)
            gls::set_error(context, GL_EFILEERR);
    } else {
        f = gl_path_search(context, path, "lc", "11");
    }
    if (f == nullptr)
        return false;
    _gl_ext_fclose(f);
    return true;
}

} // namespace

extern "C" unsigned int gl_lc_spec2cs_num(void *context, const char *spec, const char *registry_path)
{
    if (spec == nullptr) {
        if (context != nullptr)
            gls::set_error(context, GL_EINVAL);
        return GL_CS_INVALID;
    }
    string_view text = cut(spec, kSpecLimit);
    unsigned number;
    if (is_long(text)) {
        LongSpec parsed;
        number = parse_long(text, &parsed) && parsed.ends_after_separator()
                     ? long_number(context, parsed, registry_path)
                     : GL_CS_INVALID;
    } else {
        ShortSpec s;
        char name[GL_SPEC_BUFSIZE];
        std::memcpy(name, text.data(), text.size());
        name[text.size()] = '\0';
        number = parse_short(text, &s) ? codeset_number(context, s.codeset, registry_path)
                                       : gl_cs_name2cs_num(context, name, registry_path);
    }
    if (number == GL_CS_INVALID && context != nullptr)
        gls::set_error(context, mapping_error(context));
    return number;
}

extern "C" int gl_lc_spec2lc_fname(void *context, const char *spec, char *out, const char *registry_path,
                                   const char *dir)
{
    string_view prefix;
    if (spec == nullptr || out == nullptr)
        return fail(context);
    if (!prefix_ok(context, dir, &prefix))
        return -1;
    Out o(out, GL_OUT_BUFSIZE);
    return spec_to_fname(context, cut(spec, kSpecLimit), o, registry_path, prefix) ? 0 : -1;
}

extern "C" int gl_lc_spec2msg_dname(void *context, const char *spec, char *out, const char *registry_path,
                                    const char *)
{
    char fname[GL_OUT_BUFSIZE];
    if (spec == nullptr || out == nullptr)
        return fail(context);
    Out o(fname, sizeof fname);
    if (!spec_to_fname(context, cut(spec, kSpecLimit), o, registry_path, {}))
        return -1;
    string_view name(fname);
    if (is_long(name)) {
        std::size_t at = name.find("GL_MESSAGES = ");
        if (at == string_view::npos)
            return fail(context);
        name.remove_prefix(at + std::strlen("GL_MESSAGES = "));
    }
    constexpr std::size_t kDirLength = sizeof "ll_TT/E000" - 1;
    std::memcpy(out, name.data(), kDirLength);
    out[kDirLength] = '\0';
    return 0;
}

extern "C" int gl_cs_nums2cv_fname(void *context, unsigned int source, unsigned int target, char *out,
                                   const char *dir)
{
    string_view prefix;
    if (out == nullptr || source > 0xFFFF || target > 0xFFFF)
        return fail(context);
    if (!prefix_ok(context, dir, &prefix))
        return -1;
    char name[16];
    std::snprintf(name, sizeof name, "%04x%04x.cvo", source, target);
    Out o(out, GL_OUT_BUFSIZE);
    write_prefixed(o, prefix, name);
    return result(context, o.finish());
}

extern "C" int gl_lc_fname2lc_pieces(void *context, const char *fname, char *lang_terr, char *number,
                                     char *modifier)
{
    if (fname == nullptr || lang_terr == nullptr || number == nullptr || modifier == nullptr)
        return fail(context);
    string_view text = cut(fname, kSpecLimit);
    if (!lang_terr_at(text) || text.size() < 6 || (text[5] != '/' && text[5] != '\\'))
        return fail(context);
    std::size_t at = 6;
    unsigned value = 0;
    while (at < text.size() && at < 10 && gls::hex_value(text[at]) >= 0)
        value = value * 16 + static_cast<unsigned>(gls::hex_value(text[at++]));
    std::size_t mod_end = text.find('.', at);
    if (at == 6 || (mod_end == string_view::npos ? text.size() : mod_end) - at > 4)
        return fail(context);
    string_view mod = text.substr(at, mod_end - at);
    std::snprintf(lang_terr, 6, "%c%c_%c%c", gls::ascii_lower(text[0]), gls::ascii_lower(text[1]),
                  gls::ascii_upper(text[3]), gls::ascii_upper(text[4]));
    std::snprintf(number, 6, "%u", static_cast<unsigned>(static_cast<std::uint16_t>(value)));
    std::snprintf(modifier, 5, "%.*s", static_cast<int>(mod.size()), mod.data());
    return 0;
}

extern "C" int gl_lc_pieces2lc_spec(void *context, const char *lang_terr, const char *number,
                                    const char *modifier, char *out)
{
    if (lang_terr == nullptr || number == nullptr || out == nullptr)
        return fail(context);
    string_view lt(lang_terr), digits(number);
    bool ok = lt.size() == 5 && lang_terr_at(lt) && !digits.empty() && digits.size() <= 5;
    for (char c : digits)
        ok = ok && gls::is_ascii_xdigit(c);
    if (!ok)
        return fail(context);
    if (modifier != nullptr && *modifier != '\0')
        std::snprintf(out, 18, "%s.%s@%.4s", lang_terr, number, modifier);
    else
        std::snprintf(out, 18, "%s.%s", lang_terr, number);
    return 0;
}

extern "C" int gl_lc_spec2lc_norm(void *context, const char *spec, char *out, const char *registry_path)
{
    if (spec == nullptr || out == nullptr)
        return fail(context);
    string_view text = cut(spec, kSpecLimit);
    char norm[18];
    unsigned number;
    if (!is_long(text))
        return short_to_norm(context, text, registry_path, norm, &number) && copy_out(context, norm, out) ? 0 : -1;
    LongSpec parsed;
    if (!parse_long(text, &parsed) || !six_categories(parsed) || !parsed.ends_after_separator())
        return fail(context);
    Out o(out, GL_OUT_BUFSIZE);
    unsigned first = GL_CS_INVALID;
    for (const Entry &e : parsed.entries) {
        if (!e.separator || !short_to_norm(context, e.value, registry_path, norm, &number) ||
            (first != GL_CS_INVALID && number != first))
            return fail(context);
        first = number;
        o << category_name(e.category) << " = " << norm << " ; ";
    }
    return result(context, o.finish());
}

extern "C" int gl_lc_short2lc_long(void *context, const char *spec, char *out, const char *registry_path)
{
    if (spec == nullptr)
        return fail(context);
    string_view text = cut(spec, kSpecLimit);
    ShortSpec s;
    bool lang_terr_only = text.size() == 5 && lang_terr_at(text);
    if (!lang_terr_only && short_number(context, text, registry_path, &s) == GL_CS_INVALID)
        return -1;
    if (out == nullptr)
        return 0;
    char lowered[GL_SPEC_BUFSIZE];
    for (std::size_t i = 0; i < text.size(); ++i)
        lowered[i] = gls::ascii_lower(text[i]);
    string_view value(lowered, text.size());
    Out o(out, GL_OUT_BUFSIZE);
    for (std::size_t i = 0; i < kCategoryOrder.size(); ++i)
        o << (i > 0 ? " ; " : "") << kCategoryOrder[i].name << " = " << value;
    return result(context, o.finish());
}

extern "C" int gl_is_lc_spec(void *context, const char *text)
{
    LongSpec parsed;
    bool ok = text != nullptr && parse_long(cut(text, kSpecLimit), &parsed);
    for (int i = 0; ok && i < parsed.count; ++i) {
        ShortSpec s;
        ok = parse_short(parsed.entries[static_cast<std::size_t>(i)].value, &s);
    }
    return result(context, ok);
}

extern "C" int gl_lc_spec2lc_short(void *context, const char *spec, char *out, const char *registry_path)
{
    LongSpec parsed;
    if (spec == nullptr || out == nullptr || !six_lettered_entries(context, cut(spec, kSpecLimit), &parsed))
        return fail(context);
    string_view first = parsed.entries[0].value;
    for (const Entry &e : parsed.entries)
        if (e.value.size() != first.size() || !gls::starts_with_nocase(e.value, first))
            return fail(context);
    ShortSpec s;
    if (short_number(context, first, registry_path, &s) == GL_CS_INVALID)
        return -1;
    return copy_out(context, first, out) ? 0 : -1;
}

extern "C" int gl_lc_spec2category(void *context, const char *spec, int category, char *out, const char *)
{
    LongSpec parsed;
    if (spec == nullptr || out == nullptr || category_name(category).empty() ||
        !six_lettered_entries(context, cut(spec, kSpecLimit), &parsed))
        return fail(context);
    return copy_out(context, parsed.find(category)->value, out) ? 0 : -1;
}

extern "C" int gl_lc_fname2lc_spec(void *context, const char *fname, char *out, const char *dir)
{
    LongSpec parsed;
    if (fname == nullptr || out == nullptr || !parse_long(cut(fname, kFnameSpecLimit), &parsed) ||
        !six_categories(parsed))
        return fail(context);
    if (dir != nullptr && std::strlen(dir) > GL_DIR_MAX)
        return fail(context, GL_EFILEERR);
    Out o(out, GL_OUT_BUFSIZE);
    for (const Entry &e : parsed.entries) {
        if (!file_exists(context, e.value, dir))
            return -1;
        string_view relative = e.value.substr(e.value.rfind(kCookie) + 1);
        char name[kFnameSpecLimit + 1], lang_terr[6], digits[6], modifier[5], spec[18];
        std::snprintf(name, sizeof name, "%.*s", static_cast<int>(relative.size()), relative.data());
        if (gl_lc_fname2lc_pieces(context, name, lang_terr, digits, modifier) != 0 ||
            gl_lc_pieces2lc_spec(context, lang_terr, digits, modifier, spec) != 0)
            return -1;
        o << category_name(e.category) << " = " << spec << " ; ";
    }
    return result(context, o.finish());
}
