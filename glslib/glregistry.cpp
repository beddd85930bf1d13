// The code-set registry: the built-in table gls_canned_registry, the reader
// of the registry file (gls/cm3/registry: "name number" lines, '#' comment
// lines), the list cache filled by gl_cache_registry, and the mapping of a
// code-set name to its number (gl_cs_name2cs_num). The file is opened and
// read with the platform's stdio calls; list entries come from the hooks.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string_view>

#include "gl_names.h"
#include "glcommon.h"
#include "glversion.h"

// The built-in registry, in the order of the registry file, one code-set
// number per line. Lookups take the first match, so the repeated "greek" is
// harmless. tools/mkregistry writes the shipped registry file from this
// table, so the two cannot disagree.
extern "C" constexpr gl_registry_pair gls_canned_registry[GL_CANNED_REGISTRY_ROWS + 1] = {
    {"ebcdic", 37}, {"ebcdic-us", 37},
    {"ascii", 364},
    {"unitedstates", 437}, {"cp437", 437},
    {"greek", 737}, {"greek", 737},
    {"8859-7", 813}, {"latin-greek", 813},
    {"c", 819}, {"posix", 819}, {"8859-1", 819}, {"latin-1", 819},
    {"korhstextsbcs", 833}, {"ccsid833", 833},
    {"korhstdbcs", 834}, {"ccsid834", 834},
    {"tchhstdbcs", 835}, {"ccsid835", 835},
    {"schhstextsbcs", 836}, {"ccsid836", 836},
    {"schhstdbcs", 837}, {"ccsid837", 837},
    {"pc-latin-1", 850},
    {"pc-latin-2", 852},
    {"pc-data-hebrew", 856}, {"pc-hebrew-saa", 856},
    {"pc-cyrillic", 866}, {"cis-1", 866}, {"pc866", 866},
    {"8859-2", 912}, {"latin-2", 912},
    {"cyrillic-8bit", 915}, {"8859-5", 915}, {"latin-cyrillic", 915},
    {"8859-8", 916}, {"latin-hebrew", 916},
    {"8859-9", 920}, {"latin-5", 920},
    {"ccsid932", 932}, {"sjis-s", 932}, {"pc-sjis", 932},
    {"korhstmxexsbcs", 933}, {"csid933", 933},
    {"schmxexsbcs", 935}, {"ccsid935", 935},
    {"tchhstmxexsbcs", 937}, {"ccsid937", 937},
    {"iso-7-german", 1011}, {"646de", 1011},
    {"iso-7-danish", 1017},
    {"pc1046", 1046}, {"arabic-pc", 1046},
    {"8859-6", 1089}, {"latin-arabic", 1089},
    {"east-europe", 1250}, {"cp1250", 1250},
    {"pc-slavic", 1251}, {"cp1251", 1251},
    {"west-europe", 1252}, {"cp1252", 1252},
    {"pc-greek", 1253}, {"cp1253", 1253},
    {"pc-latin5", 1254}, {"cp1254", 1254}, {"pc-turkish", 1254},
    {"pc-hebrew", 1255}, {"cp1255", 1255},
    {"pc-arabic", 1256}, {"cp1256", 1256},
    {"eucjp", 5050},
    {"tchhstexsbcs", 28709},
    {"ccsid28709", 29709},
    {"8859-3", 57346}, {"latin-3", 57346},
    {"8859-4", 57347}, {"latin-4", 57347},
    {"unicode", 57349},
    {"sjis", 57350}, {"shift-jis", 57350},
    {"ujis", 57351},
    {"big5", 57352}, {"big-5", 57352},
    {"sbig5", 57353}, {"shift-big-5", 57353},
    {"ccdc", 57354},
    {"cccii", 57355},
    {"ksc", 57356}, {"ks5601", 57356}, {"cp949", 57356},
    {"gb", 57357}, {"gb2312-80", 57357}, {"guobiao2312", 57357},
    {"chngcase", 57358},
    {"banga", 57359},
    {"shift1", 57360},
    {"rot13", 57361},
    {"swap0to9", 57362},
    {"pcwin", 57363},
    {"qacvtest", 57365},
    {"swap09-nl", 57366},
    {"qa-unix-client", 57367},
    {"qa-unix-server", 57368},
    {"qa-win-client", 57369},
    {"mik", 57370},
    {"utf8", 57372},
    {"thai", 57373}, {"thai620", 57373},
    {"sopstw", 57374},
    {"euctw", 57375}, {"cns", 57375},
    {"tst", 57376},
    {"qa-win-950", 57377},
    {"cns-extended", 57378}, {"eucxtw", 57378},
    {"qa-win-932", 57379},
    {"koi-8", 57382},
    {"csk", 57383},
    {"mazovia", 57384}, {"maz", 57384},
    {"roman8", 57385},
    {"qa-win-unicode", 57386},
    {"qa-unix-big5", 57387},
    {nullptr, 0},
};

namespace {

constexpr bool canned_table_is_well_formed()
{
    for (std::size_t i = 0; i < GL_CANNED_REGISTRY_ROWS; ++i) {
        std::string_view name = gls_canned_registry[i].name;
        if (name.empty() || name.size() > GL_CS_NAME_MAX)
            return false;
        for (char c : name)
            if (c <= ' ' || c > '~' || gls::ascii_lower(c) != c)
                return false;
        if (gls_canned_registry[i].number < 0 || gls_canned_registry[i].number > 0xFFFF)
            return false;
    }
    return gls_canned_registry[GL_CANNED_REGISTRY_ROWS].name == nullptr;
}
static_assert(std::size(gls_canned_registry) == 124, "123 registry rows and the end row");
static_assert(canned_table_is_well_formed(), "registry names are 1 to 21 lower-case printable characters");

} // namespace

extern "C" {
gl_registry_entry *gls_registry_list_cache = nullptr;
const gl_registry_pair *gls_registry_array_cache = nullptr;
}

namespace {

// Reader of the registry file's items. The file is taken in blocks with
// fread and walked in memory: the reader may read past the last item it
// returns, so the stream's position afterwards is not defined.
class RegistryReader {
public:
    explicit RegistryReader(FILE *stream) : stream_(stream) {}
    RegistryReader(const RegistryReader &) = delete;
    RegistryReader &operator=(const RegistryReader &) = delete;

    enum class Name { Read, End, TooLong, Invalid };

    // Skips white space and comment lines, then reads a name (lowered) into
    // out. A name over 21 characters ends the reading as the end of the file
    // does; a byte that can start no name is Invalid.
    Name next_name(char (&out)[GL_CS_NAME_MAX + 1])
    {
        int c = skip_space();
        while (c == '#') {
            if (!skip_line())
                return Name::End;
            c = skip_space();
        }
        if (c == EOF)
            return Name::End;
        if (!printable(c))
            return Name::Invalid;
        // The name is copied with local pointers: the stores into out
        // might alias the reader's own, which would then be reloaded at
        // every byte.
        int length = 0;
        out[length++] = gls::ascii_lower(static_cast<char>(c));
        for (;;) {
            const unsigned char *p = next_;
            const unsigned char *const end = end_;
            for (; p != end && printable(*p); ++p) {
                if (length == GL_CS_NAME_MAX)
                    return Name::TooLong;
                out[length++] = gls::ascii_lower(static_cast<char>(*p));
            }
            next_ = p;
            if (p != end || !refill())
                break;
        }
        out[length] = '\0';
        return Name::Read;
    }

    // The number after a name (white space, line ends included, between
    // them), accumulated modulo 65536; false when no digit follows.
    bool number(int *value)
    {
        int c = skip_space();
        if (c < '0' || c > '9') {
            unget(c);
            return false;
        }
        unsigned v = static_cast<unsigned>(c - '0');
        for (;;) {
            const unsigned char *p = next_;
            const unsigned char *const end = end_;
            for (; p != end && *p >= '0' && *p <= '9'; ++p)
                v = (v * 10 + static_cast<unsigned>(*p - '0')) & 0xFFFFu;
            next_ = p;
            if (p != end || !refill())
                break;
        }
        *value = static_cast<int>(v);
        return true;
    }

    // Skips the rest of the line; false when the file ends first.
    bool skip_line()
    {
        for (;;) {
            if (const void *end = std::memchr(next_, '\n', static_cast<std::size_t>(end_ - next_))) {
                next_ = static_cast<const unsigned char *>(end) + 1;
                return true;
            }
            if (!refill())
                return false;
        }
    }

private:
    static bool printable(int c) { return c > ' ' && c < 0x7F; }

    // Gives back the byte skip_space() just returned (nothing for EOF): it
    // is still in the block, since skip_space refills only before a byte.
    void unget(int c)
    {
        if (c != EOF)
            --next_;
    }

    bool refill()
    {
        std::size_t n = std::fread(block_, 1, sizeof block_, stream_);
        next_ = block_;
        end_ = block_ + n;
        return n != 0;
    }

    // The first byte after white space (the columns of the file are padded
    // with runs of blanks), or EOF.
    int skip_space()
    {
        for (;;) {
            while (next_ != end_ && gls::is_ascii_space(*next_))
                ++next_;
            if (next_ != end_)
                return *next_++;
            if (!refill())
                return EOF;
        }
    }

    FILE *stream_;
    unsigned char block_[4096];
    const unsigned char *next_ = block_;
    const unsigned char *end_ = block_;
};

// The list's entries are allocated kEntriesPerBlock at a time, in list
// order, so that each block's first entry is where the block starts and
// its last slot's next pointer (null in a block not filled) leads to the
// next block.
constexpr std::size_t kEntriesPerBlock = 64;

void free_list(gl_registry_entry *list)
{
    while (list != nullptr) {
        gl_registry_entry *next = list[kEntriesPerBlock - 1].next;
        _gl_ext_free(list);
        list = next;
    }
}

// Reads every entry into a new list; 0 or an error number. A last line
// without line end is read normally.
int read_registry_list(FILE *stream, gl_registry_entry **out)
{
    RegistryReader reader(stream);
    gl_registry_entry *head = nullptr;
    gl_registry_entry **tail = &head;
    gl_registry_entry *block = nullptr;
    std::size_t used = kEntriesPerBlock;
    for (;;) {
        char name[GL_CS_NAME_MAX + 1];
        RegistryReader::Name got = reader.next_name(name);
        if (got == RegistryReader::Name::End || got == RegistryReader::Name::TooLong)
            break;
        int number = 0;
        int error = got == RegistryReader::Name::Invalid || !reader.number(&number) ? GL_EREGFORMAT : 0;
        if (error == 0 && used == kEntriesPerBlock) {
            block = static_cast<gl_registry_entry *>(_gl_ext_calloc(kEntriesPerBlock, sizeof(gl_registry_entry)));
            used = 0;
            if (block == nullptr)
                error = GL_ENOMEM;
        }
        if (error != 0) {
            free_list(head);
            return error;
        }
        gl_registry_entry *entry = &block[used++];
        std::memcpy(entry->name, name, sizeof name);
        entry->number = number;
        *tail = entry;
        tail = &entry->next;
        reader.skip_line();
    }
    *out = head;
    return 0;
}

enum class Lookup { Found, Absent, Malformed };

// The sequential lookup of a lowered name in the file.
Lookup lookup_in_file(FILE *stream, const char *name, int *number)
{
    RegistryReader reader(stream);
    for (;;) {
        char entry[GL_CS_NAME_MAX + 1];
        RegistryReader::Name got = reader.next_name(entry);
        if (got == RegistryReader::Name::End || got == RegistryReader::Name::TooLong)
            return Lookup::Absent;
        if (got == RegistryReader::Name::Invalid)
            return Lookup::Malformed;
        if (std::strcmp(entry, name) == 0)
            return reader.number(number) ? Lookup::Found : Lookup::Malformed;
        // Another entry: its number too (it may stand on a later line), then
        // the rest of that line, as the cache reads the file.
        int skipped;
        if (!reader.number(&skipped) || !reader.skip_line())
            return Lookup::Malformed;
    }
}

bool lookup_in_cache(const char *name, int *number)
{
    for (const gl_registry_entry *e = gls_registry_list_cache; e != nullptr; e = e->next)
        if (std::strcmp(e->name, name) == 0) {
            *number = e->number;
            return true;
        }
    if (gls_registry_array_cache != nullptr)
        for (const gl_registry_pair *p = gls_registry_array_cache; p->name != nullptr; ++p)
            if (std::strcmp(p->name, name) == 0) {
                *number = p->number;
                return true;
            }
    return false;
}

// Opens the registry file: path, or the path search when null or empty.
// On failure *memory_failed tells whether memory ran out during the search.
FILE *open_registry(void *context, const char *path, bool *memory_failed)
{
    *memory_failed = false;
    if (path != nullptr && *path != '\0')
        return std::fopen(path, "r");
    int saved = gls::error_of(context);
    gls::set_error(context, 0);
    FILE *stream = gl_path_search_no_ext(context, "registry", "cm", gl_cm_version());
    *memory_failed = stream == nullptr && gls::error_of(context) == GL_ENOMEM;
    gls::set_error(context, stream != nullptr ? saved : gls::error_of(context));
    return stream;
}

// The name lowered into out; false when it is empty or over 21 characters.
bool lowered_name(const char *name, char (&out)[GL_CS_NAME_MAX + 1])
{
    std::size_t length = name != nullptr ? strnlen(name, GL_CS_NAME_MAX + 1) : 0;
    if (length == 0 || length > GL_CS_NAME_MAX)
        return false;
    for (std::size_t i = 0; i < length; ++i)
        out[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    out[length] = '\0';
    return true;
}

// A name of decimal digits only, up to 65535, is its own number.
bool number_name(const char *name, unsigned *number)
{
    unsigned v = 0;
    for (const char *p = name; *p != '\0'; ++p) {
        if (!gls::is_ascii_digit(*p))
            return false;
        v = v * 10 + static_cast<unsigned>(*p - '0');
        if (v > 0xFFFF)
            return false;
    }
    *number = v;
    return true;
}

unsigned finish_lookup(void *context, const char *lowered, Lookup result, int number)
{
    if (result == Lookup::Found)
        return static_cast<unsigned>(number);
    if (result == Lookup::Malformed) {
        gls::set_error(context, GL_EREGFORMAT);
        return GL_CS_INVALID;
    }
    unsigned own;
    if (number_name(lowered, &own))
        return own;
    gls::set_error(context, GL_EINVAL);
    return GL_CS_INVALID;
}

} // namespace

extern "C" unsigned int gl_cs_name2cs_num(void *context, const char *name, const char *registry_path)
{
    char lowered[GL_CS_NAME_MAX + 1];
    if (!lowered_name(name, lowered)) {
        gls::set_error(context, GL_EINVAL);
        return GL_CS_INVALID;
    }
    int number = 0;
    if (gls_registry_list_cache != nullptr || gls_registry_array_cache != nullptr) {
        Lookup result = lookup_in_cache(lowered, &number) ? Lookup::Found : Lookup::Absent;
        return finish_lookup(context, lowered, result, number);
    }
    bool memory_failed;
    FILE *stream = open_registry(context, registry_path, &memory_failed);
    if (stream == nullptr) {
        if (context != nullptr && !memory_failed)
            gls::set_error(context, GL_ENOREGISTRY);
        return GL_CS_INVALID;
    }
    Lookup result = lookup_in_file(stream, lowered, &number);
    std::fclose(stream);
    return finish_lookup(context, lowered, result, number);
}

extern "C" unsigned int _gl_registry_lookup_stream(void *context, FILE *stream, const char *name)
{
    char lowered[GL_CS_NAME_MAX + 1];
    if (stream == nullptr || !lowered_name(name, lowered)) {
        gls::set_error(context, GL_EINVAL);
        return GL_CS_INVALID;
    }
    int number = 0;
    Lookup result = lookup_in_file(stream, lowered, &number);
    if (result == Lookup::Absent)
        return GL_CS_INVALID;
    return finish_lookup(context, lowered, result, number);
}

extern "C" void gl_free_registry_cache(void)
{
    free_list(gls_registry_list_cache);
    gls_registry_list_cache = nullptr;
    gls_registry_array_cache = nullptr;
}

extern "C" int _gl_cache_registry_stream(void *context, FILE *stream)
{
    gl_free_registry_cache();
    gl_registry_entry *list = nullptr;
    int error = stream != nullptr ? read_registry_list(stream, &list) : GL_ENOREGISTRY;
    if (error != 0) {
        gls::set_error(context, error);
        gls_registry_array_cache = gls_canned_registry;
        return -1;
    }
    gls_registry_list_cache = list;
    return 0;
}

extern "C" int gl_cache_registry(void *context, const char *registry_path)
{
    gl_free_registry_cache();
    bool memory_failed;
    FILE *stream = open_registry(context, registry_path, &memory_failed);
    if (memory_failed) {
        gls_registry_array_cache = gls_canned_registry;
        return -1;
    }
    int status = _gl_cache_registry_stream(context, stream);
    if (stream != nullptr)
        std::fclose(stream);
    return status;
}
