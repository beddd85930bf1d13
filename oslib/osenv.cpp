// The settings registry: one lookup for every setting of the runtime. A value
// comes from the process environment, else from what the client locale fixed,
// else from the registry, which holds the built-in defaults of Inf_DVals
// overlaid by the system file $TARNWELLDIR/etc/tarnwell.rc and then the
// per-user file .tarnwell in the password database's home directory.
// Exports the lookups (ggetenv family), greadenv, ginsenv, gsetudenv,
// gdefenv, ggetmaxlenbyname, gFreeEVars and the warning writers. The
// registry is loaded by the first lookup and kept until gFreeEVars; a
// failed allocation is reported as -2, never by ending the process.
#include "osenv.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "osenvint.h"
#include "osinit.h"
#include "osinitint.h"

extern "C" {
int gerrno = 0;
os_envvar *Inf_EVars = nullptr;
int Num_EVars = 0;
}

namespace {

constexpr int kOk = 0;
constexpr int kNoMemory = OSENV_ENOMEM;
constexpr int kTooLong = OSENV_ETOOLONG;
constexpr int kUnknown = OSENV_EUNKNOWN;
constexpr int kNoName = OSENV_ENONAME;

// The one empty value every record with an empty text shares; never freed.
char shared_empty[1] = "";

// User-defined variables for the next load (gsetudenv).
const os_udenv *Inf_UDVars = nullptr;

// ---- language names ------------------------------------------------------

// A language name set by a configuration file records its flag for the rest
// of the loading; DBNLS records its flag only for the old-style values.
struct LanguageName {
    const char *name;
    unsigned flag;
};
constexpr unsigned kOldStyleFlag = 1;
constexpr unsigned kLangFlag = 2;
constexpr LanguageName kLanguageNames[] = {
    {"DBNLS", kOldStyleFlag}, {"LANG", kLangFlag},       {"LC_COLLATE", 4}, {"LC_CTYPE", 8},
    {"LC_MONETARY", 16},      {"LC_NUMERIC", 32},        {"LC_TIME", 64},
};
// The categories the old-style mode settles, in the order it settles them.
constexpr const LanguageName *kOldStyleCategories[] = {
    &kLanguageNames[2], &kLanguageNames[3], &kLanguageNames[4], &kLanguageNames[5],
    &kLanguageNames[6]};
constexpr const char *kOldStyleFallback = "en_US.819";

unsigned language_flags = 0; // flags recorded during the current loading

const LanguageName *language_name(const char *name)
{
    for (const LanguageName &l : kLanguageNames)
        if (std::strcmp(l.name, name) == 0)
            return &l;
    return nullptr;
}

bool is_old_style_value(const char *value)
{
    return value != nullptr && (std::strcmp(value, "1") == 0 || std::strcmp(value, "2") == 0);
}

const char *non_empty(const char *text)
{
    return text != nullptr && *text != '\0' ? text : nullptr;
}

// ---- ignore list (ENVIGNORE), alive only while the files are read --------

osenv::TextList ignore_list;

bool ignore_list_add(const char *name, std::size_t length)
{
    if (!ignore_list.reserve_one())
        return false;
    char *copy = static_cast<char *>(std::malloc(length + 1));
    if (copy == nullptr)
        return false;
    std::memcpy(copy, name, length);
    copy[length] = '\0';
    ignore_list.texts[ignore_list.count++] = copy;
    return true;
}

bool is_ignored(const char *name)
{
    for (int i = 0; i < ignore_list.count; ++i)
        if (std::strcmp(ignore_list.texts[i], name) == 0)
            return true;
    return false;
}

// ENVIGNORE: names separated by ":", empty pieces skipped.
bool read_envignore()
{
    const char *list = std::getenv("ENVIGNORE");
    if (list == nullptr)
        return true;
    while (*list != '\0') {
        const char *end = std::strchr(list, ':');
        const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - list)
                                                  : std::strlen(list);
        if (length > 0 && !ignore_list_add(list, length))
            return false;
        list += length + (end != nullptr ? 1 : 0);
    }
    return true;
}

// ---- known-variable table -------------------------------------------------

// The row of a known name in the table (which is in ascending byte order),
// or -1.
int known_index(const char *name)
{
    if (name == nullptr)
        return -1;
    int low = 0, high = Num_DVals;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        const int order = std::strcmp(Inf_DVals[mid].name, name);
        if (order == 0)
            return mid;
        if (order < 0)
            low = mid + 1;
        else
            high = mid;
    }
    return -1;
}

// The table row of a variable: directly by a valid index, else by name.
const os_envdef *known_row(const char *name, int index)
{
    if (index >= 0 && index < Num_DVals)
        return &Inf_DVals[index];
    const int row = known_index(name);
    return row >= 0 ? &Inf_DVals[row] : nullptr;
}

const os_udenv *user_defined(const char *name)
{
    for (const os_udenv *u = Inf_UDVars; u != nullptr && u->name != nullptr; ++u)
        if (std::strcmp(u->name, name) == 0)
            return u;
    return nullptr;
}

bool exceeds(const char *value, int maxlen)
{
    return maxlen > 0 && value != nullptr && std::strlen(value) > static_cast<std::size_t>(maxlen);
}

// ---- registry records ------------------------------------------------------

void release_value(char *value)
{
    if (value != shared_empty)
        std::free(value);
}

bool same_value(const char *a, const char *b)
{
    if (a == nullptr || b == nullptr)
        return a == b;
    return std::strcmp(a, b) == 0;
}

// Sets a record's value: NULL removes it, "" takes the shared empty text,
// anything else a new copy. On failure the record keeps its old value.
int set_record_value(os_envvar &record, const char *value)
{
    if (exceeds(value, record.maxlen))
        return kTooLong;
    if (same_value(record.value, value))
        return kOk;
    char *fresh = nullptr;
    if (value != nullptr) {
        fresh = *value == '\0' ? shared_empty : osenv::copy_text(value);
        if (fresh == nullptr)
            return kNoMemory;
    }
    release_value(record.value);
    record.value = fresh;
    return kOk;
}

// The registry's first Num_DVals records are the table's rows in its order,
// so a known name is found by bisection of the table; the user-defined
// records after them are searched in turn.
os_envvar *find_record(const char *name)
{
    const int row = known_index(name);
    if (row >= 0 && row < Num_EVars && Inf_EVars[row].name != nullptr && std::strcmp(Inf_EVars[row].name, name) == 0)
        return &Inf_EVars[row];
    const int first = row < 0 ? std::min(Num_DVals, Num_EVars) : 0;
    for (int i = first; i < Num_EVars; ++i)
        if (Inf_EVars[i].name != nullptr && std::strcmp(Inf_EVars[i].name, name) == 0)
            return &Inf_EVars[i];
    return nullptr;
}

int set_named_value(const char *name, const char *value)
{
    os_envvar *record = find_record(name);
    return record != nullptr ? set_record_value(*record, value) : kUnknown;
}

const char *registry_value(const char *name)
{
    const os_envvar *record = find_record(name);
    return record != nullptr ? record->value : nullptr;
}

void free_records(os_envvar *records, int count)
{
    for (int i = 0; i < count; ++i)
        release_value(records[i].value);
    std::free(records);
}

int count_user_defined()
{
    int n = 0;
    for (const os_udenv *u = Inf_UDVars; u != nullptr && u->name != nullptr; ++u)
        ++n;
    return n;
}

// A new registry: the known-variable table followed by the user-defined
// variables, each with its default value. Nothing is kept on failure.
int build_registry(os_envvar **out, int *out_count)
{
    const int user_count = count_user_defined();
    const int total = Num_DVals + user_count;
    auto *records = static_cast<os_envvar *>(std::calloc(total, sizeof(os_envvar)));
    if (records == nullptr)
        return kNoMemory;
    for (int i = 0; i < total; ++i) {
        const bool known = i < Num_DVals;
        const os_udenv *u = known ? nullptr : &Inf_UDVars[i - Num_DVals];
        records[i].name = known ? Inf_DVals[i].name : u->name;
        records[i].index = known ? i : -1;
        records[i].maxlen = known ? Inf_DVals[i].maxlen : 0;
        const int status = set_record_value(records[i], known ? Inf_DVals[i].defval : u->defval);
        if (status != kOk) {
            free_records(records, i + 1);
            return status;
        }
    }
    *out = records;
    *out_count = total;
    return kOk;
}

// ---- values converted for the client locale ---------------------------------

// A process-environment value converted by the client locale, kept until the
// environment value changes or the registry is freed.
struct Converted {
    Converted *next;
    char *name;
    char *source;
    char *text;
};
Converted *converted_values = nullptr;

void free_converted(Converted *c)
{
    std::free(c->name);
    std::free(c->source);
    std::free(c->text);
    std::free(c);
}

void forget_converted_values()
{
    while (converted_values != nullptr) {
        Converted *next = converted_values->next;
        free_converted(converted_values);
        converted_values = next;
    }
}

bool has_high_byte(const char *text)
{
    for (; *text != '\0'; ++text)
        if (static_cast<unsigned char>(*text) > 0x7F)
            return true;
    return false;
}

// The environment value as the client locale wants to see it: converted when
// the locale has a converter and the value holds a byte above 0x7F, else the
// value itself (also when conversion or its bookkeeping fails).
const char *converted_env_value(const char *name, const char *value)
{
    auto convert = osenv::client_hook(&os_client_locale_hooks::convert_env_value);
    if (convert == nullptr || !has_high_byte(value))
        return value;
    Converted **link = &converted_values;
    while (*link != nullptr && std::strcmp((*link)->name, name) != 0)
        link = &(*link)->next;
    if (*link != nullptr && std::strcmp((*link)->source, value) == 0)
        return (*link)->text;
    if (*link != nullptr) {
        Converted *stale = *link;
        *link = stale->next;
        free_converted(stale);
    }
    auto *entry = static_cast<Converted *>(std::calloc(1, sizeof(Converted)));
    if (entry == nullptr)
        return value;
    entry->name = osenv::copy_text(name);
    entry->source = osenv::copy_text(value);
    entry->text = entry->name != nullptr && entry->source != nullptr ? convert(value) : nullptr;
    if (entry->text == nullptr) {
        free_converted(entry);
        return value;
    }
    entry->next = converted_values;
    converted_values = entry;
    return entry->text;
}

// ---- configuration files ----------------------------------------------------

// White space by the OS layer's classification table.
bool is_space(unsigned char c)
{
    return (_ixctype[c + 1] & 0x08) != 0;
}

// Applies one line "NAME value": 0 to go on, -2 or -4 to stop the file.
int apply_config_line(char *line, const char *file_name, int line_number)
{
    char *p = line;
    while (*p != '\0' && !is_space(static_cast<unsigned char>(*p)))
        ++p;
    if (*p != '\0') {
        *p++ = '\0';
        while (*p != '\0' && is_space(static_cast<unsigned char>(*p)))
            ++p;
    }
    const char *name = line;
    const char *value = p;
    if (is_ignored(name))
        return kOk;
    const LanguageName *language = language_name(name);
    if (language != nullptr && *value == '\0')
        return kOk;
    const int status = set_named_value(name, value);
    if (status == kTooLong) {
        const os_envdef *row = known_row(name, -1);
        trw_log_envvar_error_mt_log(name, row != nullptr ? static_cast<int>(row - Inf_DVals) : -1,
                                    0, file_name, line_number, status);
    }
    if (status == kOk && language != nullptr &&
        (language->flag != kOldStyleFlag || is_old_style_value(value)))
        language_flags |= language->flag;
    return status == kUnknown ? kOk : status;
}

// The line being read, terminated; grows as a line needs more.
struct LineBuffer {
    char *data = nullptr;
    std::size_t size = 0;
    std::size_t used = 0;

    ~LineBuffer() { std::free(data); }
    bool grow()
    {
        const std::size_t grown = size == 0 ? 128 : size * 2;
        void *p = std::realloc(data, grown);
        if (p == nullptr)
            return false;
        data = static_cast<char *>(p);
        size = grown;
        return true;
    }
    void clear()
    {
        used = 0;
        data[0] = '\0';
    }
    bool push(char c)
    {
        if (used + 1 >= size && !grow())
            return false;
        data[used++] = c;
        data[used] = '\0';
        return true;
    }
};

constexpr int kStopByte = 0xFF;

enum class LineEnd { Newline, StopByte, EndOfFile };

// Reads the rest of a line whose first byte is first, into buffer (when not
// null). Reports how the line ended; false when memory ran out.
bool read_line(std::FILE *stream, int first, LineBuffer *buffer, LineEnd *end)
{
    for (int c = first;; c = std::getc(stream)) {
        if (c == '\n' || c == kStopByte || c == EOF) {
            *end = c == '\n' ? LineEnd::Newline
                             : (c == kStopByte ? LineEnd::StopByte : LineEnd::EndOfFile);
            return true;
        }
        if (buffer != nullptr && !buffer->push(static_cast<char>(c)))
            return false;
    }
}

int read_config_lines(std::FILE *stream, const char *file_name, int *line)
{
    LineBuffer buffer;
    if (!buffer.grow())
        return kNoMemory;
    for (int c = std::getc(stream); c != EOF; c = std::getc(stream)) {
        ++*line;
        if (c == '\n')
            continue;
        const bool comment = c == '#';
        buffer.clear();
        LineEnd end;
        if (!read_line(stream, c, comment ? nullptr : &buffer, &end))
            return kNoMemory;
        if (end == LineEnd::EndOfFile)
            break; // a last line without a newline is not used
        if (!comment) {
            const int status = apply_config_line(buffer.data, file_name, *line);
            if (status != kOk)
                return status;
        }
        if (end == LineEnd::StopByte)
            break;
    }
    return kOk;
}

// Reads one configuration file; a file that cannot be opened counts as empty.
int ldcffile(const char *path)
{
    std::FILE *stream = std::fopen(path, "r");
    if (stream == nullptr)
        return kOk;
    int line = 0;
    const int status = read_config_lines(stream, path, &line);
    std::fclose(stream);
    return status;
}

// directory + "/" + name in new memory, the directory cut to at most dir_max
// bytes; just name without a directory.
char *join_path(const char *directory, std::size_t dir_max, const char *name)
{
    const std::size_t dir_length = directory != nullptr ? strnlen(directory, dir_max) : 0;
    const std::size_t name_length = std::strlen(name);
    auto *path = static_cast<char *>(std::malloc(dir_length + 1 + name_length + 1));
    if (path == nullptr)
        return nullptr;
    char *p = path;
    if (directory != nullptr) {
        std::memcpy(p, directory, dir_length);
        p += dir_length;
        *p++ = '/';
    }
    std::memcpy(p, name, name_length + 1);
    return path;
}

int read_config_file(const char *directory, std::size_t dir_max, const char *name)
{
    char *path = join_path(directory, dir_max, name);
    if (path == nullptr)
        return kNoMemory;
    const int status = ldcffile(path);
    std::free(path);
    return status;
}

const char *passwd_home()
{
    const passwd *entry = nullptr;
    if (const char *login = getlogin())
        entry = getpwnam(login);
    if (entry == nullptr)
        entry = getpwuid(getuid());
    return entry != nullptr ? entry->pw_dir : nullptr;
}

osenv::HomeLookup home_lookup = passwd_home;

constexpr std::size_t kHomeMax = 64;

int read_system_file()
{
    const char *dir = std::getenv("TARNWELLDIR");
    return read_config_file(dir != nullptr ? dir : "/usr/tarnwell", static_cast<std::size_t>(-1),
                            "etc/tarnwell.rc");
}

int read_user_file()
{
    return read_config_file(home_lookup(), kHomeMax, ".tarnwell");
}

// ---- old-style language mode --------------------------------------------------

bool old_style_mode()
{
    return is_old_style_value(std::getenv("DBNLS")) || (language_flags & kOldStyleFlag) != 0;
}

// Settles one locale category for the old-style mode: a value a file set
// stays unless the process environment sets the category; otherwise the
// category takes LANG (environment first, then a file's), or en_US.819.
int gnlsenv(const LanguageName &category)
{
    const char *lang = non_empty(std::getenv("LANG"));
    if (lang == nullptr && (language_flags & kLangFlag) != 0)
        lang = non_empty(registry_value("LANG"));
    const char *env_value = std::getenv(category.name);
    const bool env_unset = non_empty(env_value) == nullptr;
    if (!env_unset || (language_flags & category.flag) == 0 ||
        non_empty(registry_value(category.name)) == nullptr) {
        const int status = set_named_value(category.name, lang != nullptr ? lang : kOldStyleFallback);
        if (status != kOk)
            return status;
    }
    if (env_value != nullptr && *env_value == '\0')
        return gfeputenv(category.name, registry_value(category.name));
    return kOk;
}

int settle_old_style_categories()
{
    for (const LanguageName *category : kOldStyleCategories) {
        const int status = gnlsenv(*category);
        if (status != kOk)
            return status;
    }
    return kOk;
}

// Reads the configuration files into the new registry, then settles the
// old-style language mode. Returns the last result.
int read_configuration()
{
    language_flags = 0;
    int status = read_system_file();
    if (status != kOk && status != kTooLong)
        return status;
    status = read_user_file();
    if (status != kOk && status != kTooLong)
        return status;
    if (old_style_mode()) {
        const int settled = settle_old_style_categories();
        if (settled != kOk)
            return settled;
    }
    return status;
}

// Loads the registry when needed; false when it still does not exist.
bool registry_loaded()
{
    if (Inf_EVars == nullptr)
        greadenv();
    return Inf_EVars != nullptr;
}

// A registry record by index (used when it still names that row) or name.
os_envvar *registry_record(const char *name, int index)
{
    if (index == -1)
        return find_record(name);
    if (index < 0 || index >= Num_EVars)
        return nullptr;
    os_envvar &record = Inf_EVars[index];
    if (record.name != nullptr && record.index == index)
        return &record;
    return find_record(name);
}

// A process-environment value, refused (gerrno -4) when longer than the
// variable's maximum.
char *checked_env_value(const char *name, int index, const char *value)
{
    const os_envdef *row = known_row(name, index);
    if (row != nullptr && exceeds(value, row->maxlen)) {
        gerrno = kTooLong;
        return nullptr;
    }
    return const_cast<char *>(value);
}

const char *env_value(const char *name)
{
    return name != nullptr ? std::getenv(name) : nullptr;
}

// The names whose values the client locale environment may fix, in the
// order they are compared.
constexpr const char *kLocaleFixedNames[] = {
    "CLIENT_LOCALE", "DB_LOCALE",   "DBNLS",   "DBLANG", "LC_CTYPE", "LC_COLLATE", "LC_NUMERIC",
    "LC_MONETARY",   "DBMONEY",     "LC_TIME", "DBTIME", "DBDATE",   "GL_DATE",    "GL_DATETIME"};

} // namespace

namespace osenv {

bool TextList::reserve_one()
{
    if (count < capacity)
        return true;
    const int grown = capacity + 16;
    void *p = std::realloc(texts, static_cast<std::size_t>(grown) * sizeof(char *));
    if (p == nullptr)
        return false;
    texts = static_cast<char **>(p);
    capacity = grown;
    return true;
}

void TextList::free_all()
{
    for (int i = 0; i < count; ++i)
        std::free(texts[i]);
    std::free(texts);
    *this = TextList{};
}

char *copy_text(const char *text)
{
    const std::size_t size = std::strlen(text) + 1;
    auto *copy = static_cast<char *>(std::malloc(size));
    if (copy != nullptr)
        std::memcpy(copy, text, size);
    return copy;
}

bool same_text_any_case(const char *a, const char *b)
{
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    for (; *a != '\0' && fold(*a) == fold(*b); ++a, ++b) {
    }
    return fold(*a) == fold(*b);
}

void set_home_lookup(HomeLookup lookup)
{
    home_lookup = lookup != nullptr ? lookup : passwd_home;
}

int read_config_stream(std::FILE *stream, const char *file_name, int *line)
{
    return read_config_lines(stream, file_name, line);
}

} // namespace osenv

// ---- loading and freeing ---------------------------------------------------------

extern "C" int greadenv(void)
{
    // The registry needs the OS control block (whose creation may itself
    // load the registry, through the trace set-up's lookup).
    if (osinit::ensure_block() == nullptr)
        return kNoMemory;
    if (Inf_EVars != nullptr)
        return kOk;
    if (!ignore_list.reserve_one())
        return kNoMemory;
    os_envvar *records = nullptr;
    int count = 0;
    int status = build_registry(&records, &count);
    if (status == kOk && !read_envignore()) {
        free_records(records, count);
        status = kNoMemory;
    }
    if (status == kOk) {
        Inf_EVars = records;
        Num_EVars = count;
        status = read_configuration();
    }
    ignore_list.free_all();
    return status;
}

extern "C" void gFreeEVars(void)
{
    free_records(Inf_EVars, Num_EVars);
    Inf_EVars = nullptr;
    Num_EVars = 0;
    forget_converted_values();
}

extern "C" void gsetudenv(const os_udenv *vars)
{
    Inf_UDVars = vars;
}

extern "C" int ginsenv(const char *name, const char *value)
{
    if (name == nullptr)
        return kNoName;
    if (!registry_loaded())
        return kNoMemory;
    return set_named_value(name, value);
}

// ---- lookups ------------------------------------------------------------------------

extern "C" char *idx_ggetenv2(const char *name, int index)
{
    gerrno = kOk;
    if (!registry_loaded()) {
        gerrno = kNoMemory;
        return nullptr;
    }
    if (const char *value = env_value(name))
        return checked_env_value(name, index, converted_env_value(name, value));
    if (name == nullptr) {
        gerrno = kNoName;
        return nullptr;
    }
    const os_envvar *record = registry_record(name, index);
    if (record == nullptr) {
        gerrno = kUnknown;
        return nullptr;
    }
    return record->value;
}

extern "C" char *ggetenv2(const char *name)
{
    return idx_ggetenv2(name, -1);
}

extern "C" char *ggetglsenv(const char *name)
{
    gerrno = kOk;
    auto fixed_value = osenv::client_hook(&os_client_locale_hooks::fixed_value);
    if (name == nullptr || fixed_value == nullptr)
        return nullptr;
    for (const char *known : kLocaleFixedNames)
        if (osenv::same_text_any_case(name, known))
            return const_cast<char *>(fixed_value(known));
    return nullptr;
}

extern "C" char *idx_ggetenv(const char *name, int index)
{
    gerrno = kOk;
    if (const char *value = env_value(name))
        return checked_env_value(name, index, value);
    if (char *fixed = ggetglsenv(name))
        return fixed;
    return idx_ggetenv2(name, index);
}

extern "C" char *ggetenv(const char *name)
{
    return idx_ggetenv(name, -1);
}

extern "C" char *getsesenv(const char *name)
{
    return idx_ggetenv(name, -1);
}

extern "C" char *ggetenv_oledb(const char *name)
{
    gerrno = kOk;
    if (const char *value = env_value(name))
        return const_cast<char *>(value);
    return ggetglsenv(name);
}

extern "C" int gdefenv(const char *name, const char **defval)
{
    if (name == nullptr)
        return -1;
    const char *found = nullptr;
    if (const os_envdef *row = known_row(name, -1))
        found = row->defval;
    else if (const os_udenv *u = user_defined(name))
        found = u->defval;
    else
        return -1;
    if (defval != nullptr)
        *defval = found;
    return 0;
}

extern "C" int ggetmaxlenbyname(const char *name)
{
    if (name == nullptr)
        return -1;
    if (const os_envdef *row = known_row(name, -1))
        return row->maxlen;
    return user_defined(name) != nullptr ? 0 : -1;
}

// ---- warnings ---------------------------------------------------------------------------

extern "C" void trw_log_error(FILE *stream, const char *format, ...)
{
    if (format == nullptr || *format == '\0')
        return;
    FILE *out = stream != nullptr ? stream : stderr;
    va_list args;
    va_start(args, format);
    std::vfprintf(out, format, args);
    va_end(args);
    std::fputc('\n', out);
    std::fflush(out);
}

extern "C" void trw_log_envvar_error_fp(FILE *stream, const char *name, int index, int maxlen,
                                        const char *file, int line, int status)
{
    if (maxlen < 1) {
        const os_envdef *row = known_row(name, index);
        maxlen = row != nullptr ? row->maxlen : -1;
    }
    trw_log_error(stream, "WARNING: ");
    trw_log_error(stream, "Environment variable %s is too long (maximum is %d characters).",
                  name != nullptr ? name : "(Unknown)", maxlen);
    if (file != nullptr)
        trw_log_error(stream, "File: %s, line: %d, status: %d.", file, line, status);
}

extern "C" void trw_log_envvar_error_mt_log(const char *name, int index, int maxlen,
                                            const char *file, int line, int status)
{
    trw_log_envvar_error_fp(nullptr, name, index, maxlen, file, line, status);
}
