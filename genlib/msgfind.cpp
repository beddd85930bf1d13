// Finding and opening message catalogs: the catalog tables (number range to
// leaf name), the search for a leaf's file in the user's language with its
// fallbacks, opening a catalog into memory, and positioning at a number by
// the chunked search of msgcat.cpp. The open catalog's header, index and
// (for files up to 16 MiB) texts are read once when it is opened, so a
// lookup in the open catalog makes no system call; its descriptor stays open
// for the streams of rseekmsg and for texts of larger files. The index's
// numbers are hashed at open: when they ascend strictly, the hash finds the
// entry the chunked search would find.
#include "msgint.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <sys/stat.h>
#include <unistd.h>

#include "gl_names.h"
#include "osenv.h"

namespace rmsg {

namespace {

// A row of a catalog table: a nonzero kind, the range of absolute numbers
// and the leaf name. The first row whose range holds the number wins; a row
// of kind 0 ends the table.
struct TableRow {
    int16_t kind;
    int32_t low;
    int32_t high;
    const char *leaf;
};

// The kinds: which part of the kit a row's messages come from.
enum : int16_t { kEnd, kOs, kSql, kConversion, kClientRuntime, kFormat, kLanguage, kCollection, kLocale };

// The client table: the ranges this kit returns or reads. osmsg.twm holds
// the operating-system texts and the two fallback formats 32765 and 32766.
constexpr TableRow kClientTable[] = {
    {kOs, 1, 79, "osmsg.twm"},
    {kSql, 200, 999, "sqlmsg.twm"},
    {kConversion, 1200, 1299, "convmsg.twm"},
    {kClientRuntime, 1800, 1899, "esqlmsg.twm"},
    {kFormat, 5850, 5899, "fmtmsg.twm"},
    {kLanguage, 7200, 7212, "nlsmsg.twm"},
    {kCollection, 9600, 9999, "collmsg.twm"},
    {kLocale, 23100, 23199, "locmsg.twm"},
    {kOs, 32765, 32766, "osmsg.twm"},
    {kLocale, 34390, 34399, "locmsg.twm"},
    {kEnd, 0, 0, nullptr},
};

// The server table: the kit installs no catalogs of its own for server
// programs, whose components read the same texts, so it maps the same ranges
// to the same leaves. The selection is still kept for gen_resetMessageFindFile.
constexpr const TableRow *kServerTable = kClientTable;

constexpr const char *kDefaultLeaf = "osmsg.twm";
constexpr const char *kDefaultDir = "/usr/tarnwell";
constexpr int kSearchLimit = 260;   // longest language or locale name is 259
constexpr int kPathMargin = 20;     // room a path must keep beyond D and the leaf
constexpr std::size_t kImageLimit = 16u << 20; // larger files keep only their index

bool is_set(const char *text) { return text != nullptr && *text != '\0'; }

// The installation directory, looked up once per process.
const char *install_dir(struct gentcb *tcb)
{
    if (tcb->gt_trwdir == nullptr) {
        const char *dir = idx_ggetenv("TARNWELLDIR", OSENV_TARNWELLDIR);
        const char *chosen = is_set(dir) ? dir : kDefaultDir;
        tcb->gt_trwdir = static_cast<char *>(std::malloc(std::strlen(chosen) + 1));
        if (tcb->gt_trwdir != nullptr)
            std::strcpy(tcb->gt_trwdir, chosen);
    }
    return tcb->gt_trwdir;
}

// The language directory: DBLANG, else LANG in the old-style language mode;
// kept once found, looked up again while there is none.
const char *language_dir(struct gentcb *tcb)
{
    if (tcb->msg_langdir == nullptr) {
        const char *lang = idx_ggetenv("DBLANG", OSENV_DBLANG);
        if (!is_set(lang)) {
            const char *nls = idx_ggetenv("DBNLS", OSENV_DBNLS);
            const bool old_style = nls != nullptr && (std::strcmp(nls, "1") == 0 || std::strcmp(nls, "2") == 0);
            lang = old_style ? idx_ggetenv("LANG", OSENV_LANG) : nullptr;
        }
        if (!is_set(lang) || std::strlen(lang) >= kSearchLimit)
            return nullptr;
        tcb->msg_langdir = static_cast<char *>(std::malloc(std::strlen(lang) + 1));
        if (tcb->msg_langdir != nullptr)
            std::strcpy(tcb->msg_langdir, lang);
    }
    return tcb->msg_langdir;
}

// Builds D "/" part "/" ... leaf into path; false when it does not fit.
bool compose(const char *dir, std::initializer_list<const char *> parts, const char *leaf, char *path)
{
    std::size_t at = 0;
    auto add = [&](const char *text, std::size_t length) {
        if (at + length >= static_cast<std::size_t>(kPathSize))
            return false;
        std::memcpy(path + at, text, length);
        at += length;
        return true;
    };
    const std::size_t dir_length = std::strlen(dir);
    if (!add(dir, dir_length))
        return false;
    if ((dir_length == 0 || dir[dir_length - 1] != '/') && !add("/", 1))
        return false;
    for (const char *part : parts)
        if (!add(part, std::strlen(part)) || !add("/", 1))
            return false;
    if (!add(leaf, std::strlen(leaf)))
        return false;
    path[at] = '\0';
    return true;
}

// The message directory ll_tt/hhhh of a locale name into out; false when it
// is not a valid locale name.
bool message_dir(const char *locale, char out[GL_MSG_DNAME_SIZE])
{
    int context = 0;
    return gl_lc_spec2msg_dname(&context, locale, out, nullptr, nullptr) == 0;
}

// Tries one candidate: true (with path kept) when it can be read.
bool readable(const char *dir, std::initializer_list<const char *> parts, const char *leaf, char *path)
{
    if (!compose(dir, parts, leaf, path))
        return false;
    if (access(path, R_OK) != 0)
        return false;
    errno = 0;
    return true;
}

// Reads length bytes at offset of fd into dst: the bytes read.
std::size_t read_at(int fd, unsigned char *dst, std::size_t length, off_t offset)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = pread(fd, dst + done, length - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

// Reads the open descriptor's header and index (and its texts when the file
// is small enough) into the catalog image: 0, -406, -1229 or -1231.
int load_image(struct gentcb *tcb, int fd)
{
    struct stat st;
    std::size_t file_size = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0;
    file_size = std::min<std::size_t>(file_size, UINT32_MAX);
    const std::size_t index_limit = msgcat::kHeaderSize + msgcat::kMaxEntries * msgcat::kLongEntrySize;
    std::size_t want = file_size <= kImageLimit ? file_size : index_limit;
    auto *image = static_cast<unsigned char *>(std::malloc(std::max<std::size_t>(want, 1)));
    if (image == nullptr)
        return kNoMemory;
    const std::size_t got = read_at(fd, image, want, 0);
    if (got < want)
        file_size = got; // the file shrank while it was read
    msgcat::Header header;
    const int status = msgcat::read_header(image, got, file_size, &header);
    if (status != 0) {
        std::free(image);
        return status;
    }
    // A strictly ascending index (what the compiler writes) is searched
    // through a hash of its numbers; any other by chunks.
    const std::size_t capacity = msgcat::lookup_capacity(header.count);
    auto *slots = static_cast<uint32_t *>(std::malloc(2 * capacity * sizeof(uint32_t)));
    if (slots == nullptr) {
        std::free(image);
        return kNoMemory;
    }
    if (!msgcat::build_lookup(image + msgcat::kHeaderSize, header, slots, capacity)) {
        std::free(slots);
        slots = nullptr;
    }
    tcb->gt_catlookup = slots;
    tcb->gt_catlookupsize = static_cast<uint32_t>(capacity);
    tcb->gt_catimage = image;
    tcb->gt_catimagelen = static_cast<uint32_t>(got);
    tcb->gt_catfilelen = static_cast<uint32_t>(file_size);
    tcb->gt_catentsize = header.entry_size;
    tcb->gt_catcount = header.count;
    tcb->gt_catchunk = header.chunk;
    return 0;
}

// Copies text into a name field; false (the field left empty) when it is
// too long to keep.
bool remember(char field[GENTCB_MSG_NAME], const char *text)
{
    const std::size_t length = std::strlen(text);
    field[0] = '\0';
    if (length >= GENTCB_MSG_NAME)
        return false;
    std::memcpy(field, text, length + 1);
    return true;
}

// Opens the catalog of leaf for the locale name, closing the open one.
int open_catalog(struct gentcb *tcb, const char *leaf, const char *locale)
{
    close_catalog(tcb);
    char path[kPathSize];
    const char *name = tcb->gt_msgfile;
    if (name == nullptr) {
        const int found = find_catalog(tcb, leaf, locale, path);
        if (found != 0)
            return found;
        name = path;
    }
    const int fd = open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return kCannotOpen;
    const int status = load_image(tcb, fd);
    if (status != 0) {
        close(fd);
        return status;
    }
    tcb->gt_catfd = fd;
    tcb->gt_catfreefd = idx_ggetenv("TRW_FREE_FD", OSENV_TRW_FREE_FD) != nullptr ? 1 : 0;
    // A leaf or locale name too long to keep is never taken for the open
    // catalog's: the next lookup opens the catalog again.
    if (!remember(tcb->gt_catlocale, locale != nullptr ? locale : "") || !remember(tcb->gt_catleaf, leaf))
        forget_leaf(tcb);
    else
        tcb->gt_catleafptr = leaf;
    return 0;
}

// True when the open catalog is the one of leaf for the locale name (an
// empty locale name is never passed: it stands for the user's language).
bool is_open_for(const struct gentcb *tcb, const char *leaf, const char *locale)
{
    if (tcb->gt_catfd < 0 || tcb->gt_catleaf[0] == '\0')
        return false;
    const bool same_leaf = leaf == tcb->gt_catleafptr || std::strcmp(tcb->gt_catleaf, leaf) == 0;
    const bool same_locale =
        locale == nullptr ? tcb->gt_catlocale[0] == '\0' : std::strcmp(tcb->gt_catlocale, locale) == 0;
    return same_leaf && same_locale;
}

} // namespace

const char *table_leaf(int32_t number, bool server)
{
    const int64_t magnitude = number < 0 ? -static_cast<int64_t>(number) : number;
    for (const TableRow *row = server ? kServerTable : kClientTable; row->kind != kEnd; ++row)
        if (magnitude >= row->low && magnitude <= row->high)
            return row->leaf;
    return kDefaultLeaf;
}

const char *leaf_of(const struct gentcb *tcb, int32_t number)
{
    return tcb->gt_msgfile != nullptr ? tcb->gt_msgfile : table_leaf(number, tcb->gt_msgtable != 0);
}

int find_catalog(struct gentcb *tcb, const char *leaf, const char *locale, char path[kPathSize])
{
    path[0] = '\0';
    const char *dir = install_dir(tcb);
    if (dir == nullptr)
        return kNoMemory;
    const long room = kPathSize - static_cast<long>(std::strlen("/msg//") + std::strlen(dir) + std::strlen(leaf));
    if (room <= kPathMargin)
        return kNoPath;
    const char *lang = locale == nullptr ? language_dir(tcb) : nullptr;
    const char *client = locale != nullptr ? locale : idx_ggetenv("CLIENT_LOCALE", OSENV_CLIENT_LOCALE);
    if (!is_set(client) || std::strlen(client) >= kSearchLimit)
        client = nullptr;
    char lang_dir[GL_MSG_DNAME_SIZE];
    char client_dir[GL_MSG_DNAME_SIZE];
    if (lang != nullptr) {
        if (readable(dir, {"msg", lang}, leaf, path) || readable(dir, {lang}, leaf, path))
            return 0;
        if (message_dir(lang, lang_dir) && readable(dir, {"msg", lang_dir}, leaf, path))
            return 0;
    }
    if (client != nullptr) {
        if (message_dir(client, client_dir) && readable(dir, {"msg", client_dir}, leaf, path))
            return 0;
        if (readable(dir, {"msg", client}, leaf, path))
            return 0;
    }
    if (readable(dir, {"msg", "en_us", "0333"}, leaf, path) || readable(dir, {"msg", kFallbackLocale}, leaf, path) ||
        readable(dir, {"msg"}, leaf, path) || readable(dir, {"msg", "english"}, leaf, path))
        return 0;
    path[0] = '\0';
    return 0;
}

int position(struct gentcb *tcb, int32_t number, const char *locale, msgcat::Entry *entry)
{
    const char *leaf = leaf_of(tcb, number);
    if (!is_open_for(tcb, leaf, locale)) {
        const int status = open_catalog(tcb, leaf, locale);
        if (status != 0)
            return status;
    }
    const msgcat::Header header{tcb->gt_catentsize, tcb->gt_catcount, tcb->gt_catchunk};
    const unsigned char *index = tcb->gt_catimage + msgcat::kHeaderSize;
    const msgcat::ChunkCache cache{&tcb->gt_chunkfirst, &tcb->gt_chunklen, tcb->gt_chunkcache};
    const int status = tcb->gt_catlookup != nullptr
                           ? msgcat::search_lookup(index, header, tcb->gt_catlookup, tcb->gt_catlookupsize, number, entry)
                           : msgcat::search(index, header, number, cache, entry);
    if (status != 0)
        return status;
    return msgcat::check_text(*entry, tcb->gt_catfilelen);
}

int read_text(const struct gentcb *tcb, const msgcat::Entry &entry, uint32_t length, char *dst)
{
    if (static_cast<std::size_t>(entry.offset) + length <= tcb->gt_catimagelen) {
        std::memcpy(dst, tcb->gt_catimage + entry.offset, length);
        return 0;
    }
    const std::size_t got = read_at(tcb->gt_catfd, reinterpret_cast<unsigned char *>(dst), length, entry.offset);
    return got == length ? 0 : msgcat::kBadIndex;
}

void lookup_done(struct gentcb *tcb)
{
    if (tcb->gt_catfreefd != 0)
        close_catalog(tcb);
}

void forget_leaf(struct gentcb *tcb)
{
    tcb->gt_catleaf[0] = '\0';
    tcb->gt_catleafptr = nullptr;
}

void close_catalog(struct gentcb *tcb)
{
    if (tcb->gt_catfd >= 0)
        close(tcb->gt_catfd);
    tcb->gt_catfd = -1;
    std::free(tcb->gt_catimage);
    tcb->gt_catimage = nullptr;
    std::free(tcb->gt_catlookup);
    tcb->gt_catlookup = nullptr;
    tcb->gt_catlookupsize = 0;
    tcb->gt_catimagelen = 0;
    tcb->gt_catfilelen = 0;
    tcb->gt_catentsize = 0;
    tcb->gt_catcount = 0;
    tcb->gt_catchunk = 0;
    tcb->gt_chunkfirst = 0;
    tcb->gt_chunklen = 0;
    tcb->gt_catfreefd = 0;
    tcb->gt_catlocale[0] = '\0';
    forget_leaf(tcb);
}

} // namespace rmsg
