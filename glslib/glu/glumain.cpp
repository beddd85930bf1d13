// The Unicode service's set-up: the host's hooks and message printer
// (glu_set*Func, glu_setMessageLevel/SubLevel), ICU's allocator routed to
// them, the ICU data file (the ICU version the service was built with,
// checked against the ICU it runs with) and the mapping file locmap (which
// locales, categories and code-set pairs the service claims), and the
// queries on them (glu_useIcuLocCall, glu_useIcuCvtCall, glu_getICULocName,
// glu_getICUCvtName, glu_icuErrorName).
//
// Both files are read defensively: lines of at most 255 bytes, every field
// checked, a closing "end" line (a file cut short lacks it); a damaged file
// is error 8 with a message naming the line. A locmap entry naming a locale
// or converter ICU does not know is left unclaimed, with a warning.
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include <unicode/uclean.h>
#include <unicode/uloc.h>
#include <unicode/utypes.h>
#include <unicode/uversion.h>

#include "glu_int.h"

namespace glu {

namespace {
int close_file(FILE *f) { return std::fclose(f); }
FILE *open_file(const char *path, const char *mode) { return std::fopen(path, mode); }
} // namespace

Hooks hooks = {std::malloc, std::calloc, std::realloc, std::free, std::fgetc, std::fseek,
               std::ftell, std::ferror, std::feof,  open_file,   close_file};

namespace {

glu_message_printer printer = nullptr;
int message_level = 0;
int message_sub_level = 0;
bool icu_memory_routed = false;

void *icu_alloc(const void *, size_t size) { return hooks.malloc(size); }
void *icu_realloc(const void *, void *block, size_t size) { return hooks.realloc(block, size); }
void icu_free(const void *, void *block) { hooks.free(block); }

constexpr const char *kCategoryNames[] = {"CTYPE", "COLLATE", "NUMERIC", "MONETARY", "TIME", "MESSAGES"};
constexpr int kFirstCategory = 2;
constexpr int kLineMax = 256;
constexpr long kMaxLines = 100000;

// Lines of a data file read through the stream hooks.
class LineReader {
public:
    explicit LineReader(FILE *f) : f_(f) {}
    // False at end of file. A line longer than the limit, a 0 byte or a
    // read error marks the file damaged.
    bool next(char *line)
    {
        int n = 0, c;
        while ((c = hooks.fgetc(f_)) != EOF && c != '\n') {
            if (n == kLineMax - 1 || c == 0) {
                damaged = true;
                return false;
            }
            line[n++] = static_cast<char>(c);
        }
        line[n] = '\0';
        if (c == EOF && (hooks.ferror(f_) || n > 0)) // a last line without its end
            damaged = true;
        if (c == EOF)
            return false;
        ++number;
        return number <= kMaxLines || (damaged = true, false);
    }
    long number = 0;
    bool damaged = false;

private:
    FILE *f_;
};

// Splits a line into at most max blank-separated fields; the count, or -1
// for more.
int split(char *line, char **fields, int max)
{
    int n = 0;
    for (char *p = line;;) {
        while (*p == ' ' || *p == '\t' || *p == '\r')
            *p++ = '\0';
        if (*p == '\0')
            return n;
        if (n == max)
            return -1;
        fields[n++] = p;
        while (*p != '\0' && *p != ' ' && *p != '\t' && *p != '\r')
            ++p;
    }
}

bool is_comment(const char *line)
{
    while (*line == ' ' || *line == '\t')
        ++line;
    return *line == '#';
}

bool copy_field(char *out, std::size_t size, const char *field)
{
    std::size_t n = std::strlen(field);
    if (n == 0 || n >= size)
        return false;
    std::memcpy(out, field, n + 1);
    return true;
}

bool parse_number(const char *field, unsigned &out)
{
    char *end = nullptr;
    unsigned long v = std::strtoul(field, &end, 10);
    if (end == field || *end != '\0' || field[0] == '-' || v == 0 || v >= 0xFFFFFFFFul)
        return false;
    out = static_cast<unsigned>(v);
    return true;
}

bool parse_categories(char *field, unsigned &mask)
{
    mask = 0;
    char *rest = nullptr;
    for (char *name = strtok_r(field, ",", &rest); name != nullptr; name = strtok_r(nullptr, ",", &rest)) {
        int found = -1;
        for (int i = 0; i < 6; ++i)
            if (strcasecmp(name, kCategoryNames[i]) == 0)
                found = i;
        if (found < 0)
            return false;
        mask |= 1u << (found + kFirstCategory);
    }
    return mask != 0;
}

template <typename T>
bool append(T *&array, int &count, const T &value)
{
    if ((count & (count - 1)) == 0) { // grows at powers of two
        std::size_t room = count == 0 ? 4 : static_cast<std::size_t>(count) * 2;
        void *grown = hooks.realloc(array, room * sizeof(T));
        if (grown == nullptr)
            return false;
        array = static_cast<T *>(grown);
    }
    array[count++] = value;
    return true;
}

// A locale ICU has data for: the ID or its language among ICU's locales.
bool known_locale(const char *id)
{
    char language[16];
    UErrorCode status = U_ZERO_ERROR;
    uloc_getLanguage(id, language, sizeof language, &status);
    if (U_FAILURE(status) || language[0] == '\0')
        return false;
    for (int32_t i = 0, n = uloc_countAvailable(); i < n; ++i) {
        const char *available = uloc_getAvailable(i);
        if (strcasecmp(available, id) == 0 || strcasecmp(available, language) == 0)
            return true;
    }
    return false;
}

// Character lengths of a converter; false when ICU does not know it.
bool converter_lengths(const char *name, int &min_len, int &max_len)
{
    UErrorCode status = U_ZERO_ERROR;
    if (ucnv_countAliases(name, &status) == 0 || U_FAILURE(status))
        return false;
    UConverter *c = ucnv_open(name, &status);
    if (U_FAILURE(status))
        return false;
    min_len = ucnv_getMinCharSize(c);
    max_len = ucnv_getMaxCharSize(c);
    ucnv_close(c);
    return true;
}

enum class Parsed { Ok, Skipped, Damaged, NoMemory };

Parsed parse_locale(Map *map, char **f, int n)
{
    LocaleClaim claim{};
    if (n != 4 || !copy_field(claim.spec, sizeof claim.spec, f[1]) || !parse_categories(f[2], claim.categories) ||
        !copy_field(claim.icu_id, sizeof claim.icu_id, f[3]))
        return Parsed::Damaged;
    if (!known_locale(claim.icu_id)) {
        message(2, "locmap: ICU has no locale %s; %s is left unclaimed", claim.icu_id, claim.spec);
        return Parsed::Skipped;
    }
    return append(map->locales, map->locale_count, claim) ? Parsed::Ok : Parsed::NoMemory;
}

Parsed parse_converter(Map *map, char **f, int n)
{
    CodeSet cs{};
    if (n != 4 || !parse_number(f[1], cs.number) || !copy_field(cs.kit_name, sizeof cs.kit_name, f[2]) ||
        !copy_field(cs.icu_name, sizeof cs.icu_name, f[3]))
        return Parsed::Damaged;
    if (!converter_lengths(cs.icu_name, cs.min_len, cs.max_len)) {
        message(2, "locmap: ICU has no converter %s; code set %u is left unclaimed", cs.icu_name, cs.number);
        return Parsed::Skipped;
    }
    return append(map->codesets, map->codeset_count, cs) ? Parsed::Ok : Parsed::NoMemory;
}

Parsed parse_pair(Map *map, char **f, int n)
{
    Pair p{};
    if (n != 3 || !parse_number(f[1], p.source) || !parse_number(f[2], p.target) || p.source == p.target)
        return Parsed::Damaged;
    if (find_codeset(map, p.source) == nullptr || find_codeset(map, p.target) == nullptr) {
        message(2, "locmap: pair %u %u names a code set without converter; left unclaimed", p.source, p.target);
        return Parsed::Skipped;
    }
    return append(map->pairs, map->pair_count, p) ? Parsed::Ok : Parsed::NoMemory;
}

void free_map(Map *map)
{
    if (map == nullptr)
        return;
    release(map->locales);
    release(map->codesets);
    release(map->pairs);
    release(map);
}

FILE *open_data(const char *dir, const char *name, int16_t *err)
{
    char path[1400];
    int n = std::snprintf(path, sizeof path, "%s/%s", dir != nullptr ? dir : "", name != nullptr ? name : "");
    FILE *f = n > 0 && n < static_cast<int>(sizeof path) && name != nullptr ? hooks.fopen(path, "r") : nullptr;
    if (f == nullptr) {
        message(1, "cannot open %s", path);
        *err = kEfile;
    }
    return f;
}

// Reads locmap's lines into map. 0 or an error number.
int16_t read_map(FILE *f, Map *map)
{
    LineReader reader(f);
    char line[kLineMax];
    char *fields[5];
    bool header = false, ended = false;
    while (!ended && reader.next(line)) {
        if (is_comment(line))
            continue;
        int n = split(line, fields, 5);
        if (n == 0)
            continue;
        Parsed r = Parsed::Damaged;
        if (!header)
            r = n == 2 && std::strcmp(fields[0], "TRWGLU-LOCMAP") == 0 && std::strcmp(fields[1], "1") == 0
                    ? Parsed::Ok
                    : Parsed::Damaged;
        else if (n == 1 && std::strcmp(fields[0], "end") == 0)
            r = Parsed::Ok, ended = true;
        else if (n > 0 && std::strcmp(fields[0], "locale") == 0)
            r = parse_locale(map, fields, n);
        else if (n > 0 && std::strcmp(fields[0], "converter") == 0)
            r = parse_converter(map, fields, n);
        else if (n > 0 && std::strcmp(fields[0], "pair") == 0)
            r = parse_pair(map, fields, n);
        header = true;
        if (r == Parsed::NoMemory)
            return kEnomem;
        if (r == Parsed::Damaged) {
            message(1, "locmap: line %ld is damaged", reader.number);
            return kEfile;
        }
    }
    if (!ended || reader.damaged) {
        message(1, "locmap: damaged or cut short after line %ld", reader.number);
        return kEfile;
    }
    return 0;
}

// The ICU data file: "TRWGLU-ICUDATA 1", "icu MAJOR.MINOR", "unicode X.Y",
// "end". The major version must be the one the service was built with and
// the one it runs with.
struct IcuData {
    int major;
};
IcuData icu_data_marker;

int16_t read_icu_data(FILE *f)
{
    LineReader reader(f);
    char line[kLineMax];
    char *fields[3];
    int state = 0; // lines seen in order
    int major = -1;
    while (state < 4 && reader.next(line)) {
        if (is_comment(line))
            continue;
        int n = split(line, fields, 3);
        if (n == 0)
            continue;
        bool ok = false;
        if (state == 0)
            ok = n == 2 && std::strcmp(fields[0], "TRWGLU-ICUDATA") == 0 && std::strcmp(fields[1], "1") == 0;
        else if (state == 1 && n == 2 && std::strcmp(fields[0], "icu") == 0) {
            char *end = nullptr;
            long v = std::strtol(fields[1], &end, 10);
            ok = end != fields[1] && (*end == '.' || *end == '\0') && v > 0 && v < 1000;
            major = static_cast<int>(v);
        } else if (state == 2)
            ok = n == 2 && std::strcmp(fields[0], "unicode") == 0;
        else if (state == 3)
            ok = n == 1 && std::strcmp(fields[0], "end") == 0;
        if (!ok) {
            message(1, "ICU data file: line %ld is damaged", reader.number);
            return kEfile;
        }
        ++state;
    }
    if (state < 4 || reader.damaged) {
        message(1, "ICU data file: damaged or cut short");
        return kEfile;
    }
    UVersionInfo running;
    u_getVersion(running);
    if (major != U_ICU_VERSION_MAJOR_NUM || running[0] != U_ICU_VERSION_MAJOR_NUM) {
        message(1, "ICU data file: built for ICU %d, service built with ICU %d, running with ICU %d", major,
                U_ICU_VERSION_MAJOR_NUM, running[0]);
        return kEfile;
    }
    icu_data_marker.major = major;
    return 0;
}

int copy_name(const char *name, char *out, int size, int16_t *err)
{
    int n = static_cast<int>(std::strlen(name));
    if (out == nullptr || size <= n) {
        *err = kE2big;
        return -1;
    }
    std::memcpy(out, name, static_cast<std::size_t>(n) + 1);
    return n;
}

} // namespace

void *allocate(std::size_t size) { return hooks.malloc(size); }
void release(void *block)
{
    if (block != nullptr)
        hooks.free(block);
}

void route_icu_memory()
{
    if (icu_memory_routed)
        return;
    UErrorCode status = U_ZERO_ERROR;
    u_setMemoryFunctions(nullptr, icu_alloc, icu_realloc, icu_free, &status);
    icu_memory_routed = U_SUCCESS(status);
    if (!icu_memory_routed)
        message(2, "ICU's allocator stays its own: %s", u_errorName(status));
}

void message(int level, const char *format, ...)
{
    if (printer == nullptr || (message_level & (1 << (level - 1))) == 0 || (level == 3 && message_sub_level < 2))
        return;
    char text[512];
    int head = std::snprintf(text, sizeof text, "trwglu: ");
    va_list args;
    va_start(args, format);
    std::vsnprintf(text + head, sizeof text - static_cast<std::size_t>(head), format, args);
    va_end(args);
    printer(text);
}

const LocaleClaim *find_locale(const Map *map, const char *spec)
{
    if (map == nullptr || spec == nullptr)
        return nullptr;
    for (int i = 0; i < map->locale_count; ++i)
        if (strcasecmp(map->locales[i].spec, spec) == 0)
            return &map->locales[i];
    return nullptr;
}

const CodeSet *find_codeset(const Map *map, unsigned number)
{
    if (map == nullptr)
        return nullptr;
    for (int i = 0; i < map->codeset_count; ++i)
        if (map->codesets[i].number == number)
            return &map->codesets[i];
    return nullptr;
}

bool claims_pair(const Map *map, unsigned source, unsigned target)
{
    if (map == nullptr)
        return false;
    for (int i = 0; i < map->pair_count; ++i)
        if (map->pairs[i].source == source && map->pairs[i].target == target)
            return true;
    return false;
}

} // namespace glu

using namespace glu;

GLU_EXPORT void glu_setMallocFunc(gl_ext_malloc_fn fn) { hooks.malloc = fn != nullptr ? fn : std::malloc; }
GLU_EXPORT void glu_setCallocFunc(gl_ext_calloc_fn fn) { hooks.calloc = fn != nullptr ? fn : std::calloc; }
GLU_EXPORT void glu_setReallocFunc(gl_ext_realloc_fn fn) { hooks.realloc = fn != nullptr ? fn : std::realloc; }
GLU_EXPORT void glu_setFreeFunc(gl_ext_free_fn fn) { hooks.free = fn != nullptr ? fn : std::free; }
GLU_EXPORT void glu_setFgetcFunc(gl_ext_stream_fn fn) { hooks.fgetc = fn != nullptr ? fn : std::fgetc; }
GLU_EXPORT void glu_setFseekFunc(gl_ext_fseek_fn fn) { hooks.fseek = fn != nullptr ? fn : std::fseek; }
GLU_EXPORT void glu_setFtellFunc(gl_ext_ftell_fn fn) { hooks.ftell = fn != nullptr ? fn : std::ftell; }
GLU_EXPORT void glu_setFerrorFunc(gl_ext_stream_fn fn) { hooks.ferror = fn != nullptr ? fn : std::ferror; }
GLU_EXPORT void glu_setFeofFunc(gl_ext_stream_fn fn) { hooks.feof = fn != nullptr ? fn : std::feof; }
GLU_EXPORT void glu_setFopenFunc(gl_ext_fopen_fn fn) { hooks.fopen = fn != nullptr ? fn : open_file; }
GLU_EXPORT void glu_setFcloseFunc(gl_ext_stream_fn fn) { hooks.fclose = fn != nullptr ? fn : close_file; }
GLU_EXPORT void glu_setPrintMessageFunc(glu_message_printer fn) { printer = fn; }
GLU_EXPORT void glu_setMessageLevel(int level) { message_level = level; }
GLU_EXPORT void glu_setMessageSubLevel(int level) { message_sub_level = level; }

GLU_EXPORT int glu_getIcuDataFileName(char *out, int size, int16_t *err)
{
    *err = 0;
    return copy_name("trwglu.dat", out, size, err) < 0 ? -1 : 0;
}

GLU_EXPORT const char *glu_icuErrorName(int code) { return u_errorName(static_cast<UErrorCode>(code)); }

GLU_EXPORT void *glu_loadIcuData(const char *dir, const char *name, int16_t *err)
{
    *err = 0;
    route_icu_memory();
    FILE *f = open_data(dir, name, err);
    if (f == nullptr)
        return nullptr;
    *err = read_icu_data(f);
    hooks.fclose(f);
    return *err == 0 ? &icu_data_marker : nullptr;
}

GLU_EXPORT void glu_unloadIcuData(void *, int16_t *err) { *err = 0; }

GLU_EXPORT void *glu_loadMapData(const char *dir, const char *name, int16_t *err)
{
    *err = 0;
    route_icu_memory();
    FILE *f = open_data(dir, name, err);
    if (f == nullptr)
        return nullptr;
    auto *map = static_cast<Map *>(hooks.calloc(1, sizeof(Map)));
    *err = map != nullptr ? read_map(f, map) : kEnomem;
    hooks.fclose(f);
    if (*err != 0) {
        free_map(map);
        return nullptr;
    }
    message(3, "locmap: %d locales, %d code sets, %d pairs", map->locale_count, map->codeset_count,
            map->pair_count);
    return map;
}

GLU_EXPORT void glu_unloadMapData(void *map, int16_t *err)
{
    *err = 0;
    free_map(static_cast<Map *>(map));
}

GLU_EXPORT int glu_useIcuLocCall(void *map, const char *spec, int category, int16_t *err)
{
    *err = 0;
    const LocaleClaim *claim = find_locale(static_cast<Map *>(map), spec);
    return claim != nullptr && category >= 0 && category < 32 && (claim->categories & (1u << category)) != 0;
}

GLU_EXPORT int glu_useIcuCvtCall(void *map, unsigned source, unsigned target, int16_t *err)
{
    *err = 0;
    return claims_pair(static_cast<Map *>(map), source, target) ? 1 : 0;
}

GLU_EXPORT int glu_getICULocName(void *map, const char *spec, char *out, int size, int16_t *err)
{
    *err = 0;
    const LocaleClaim *claim = find_locale(static_cast<Map *>(map), spec);
    if (claim == nullptr) {
        *err = kEinval;
        return -1;
    }
    return copy_name(claim->icu_id, out, size, err) < 0 ? -1 : 0;
}

// A code set by its number (decimal text), its kit name or its ICU name.
GLU_EXPORT int glu_getICUCvtName(void *map, const char *codeset, char *out, int size, int16_t *err)
{
    *err = 0;
    const Map *m = static_cast<Map *>(map);
    unsigned number = 0;
    const CodeSet *cs = nullptr;
    if (codeset != nullptr && parse_number(codeset, number))
        cs = find_codeset(m, number);
    for (int i = 0; cs == nullptr && m != nullptr && codeset != nullptr && i < m->codeset_count; ++i)
        if (strcasecmp(m->codesets[i].kit_name, codeset) == 0 || ucnv_compareNames(m->codesets[i].icu_name, codeset) == 0)
            cs = &m->codesets[i];
    if (cs == nullptr) {
        *err = kEinval;
        return -1;
    }
    return copy_name(cs->icu_name, out, size, err) < 0 ? -1 : 0;
}
