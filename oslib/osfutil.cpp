// Path and file-name helpers of the OS layer: building and splitting paths
// (gbldpath, gcatfpath, gcatspath, ggetpelm, gbasename, gpathname), the
// user's home directory (ggethomepath), temporary names (gmktemp), and the
// file operations grmfile, grenfile and _ofreadable. New texts come from
// malloc; failures set gerrno as osfile.h lists.
#include "osfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "osenv.h"
#include "osfileint.h"

namespace {

constexpr std::size_t kHomeMax = 64; // as the settings registry cuts it

char *fail(int code)
{
    gerrno = code;
    return nullptr;
}

// A new text of the pieces in order, or nullptr with -2.
char *joined(std::initializer_list<std::string_view> pieces)
{
    std::size_t n = 0;
    for (std::string_view p : pieces)
        n += p.size();
    auto *out = static_cast<char *>(std::malloc(n + 1));
    if (out == nullptr)
        return fail(OSFILE_ENOMEM);
    char *at = out;
    for (std::string_view p : pieces) {
        if (!p.empty())
            std::memcpy(at, p.data(), p.size());
        at += p.size();
    }
    *at = '\0';
    gerrno = 0;
    return out;
}

std::string_view view(const char *text) { return text != nullptr ? std::string_view(text) : std::string_view(); }

// ---- temporary names -------------------------------------------------------

constexpr int kCounterValues = 26 * 26 * 26;
constexpr std::string_view kTempMarker = "NNNXXXXX";
int temp_counter_value = 0;
osfile::PidSource temp_pid_source = getpid;
osfile::NameStat temp_name_stat = lstat;

void put_counter(char *at, int value)
{
    at[0] = static_cast<char>('a' + value / 676);
    at[1] = static_cast<char>('a' + value / 26 % 26);
    at[2] = static_cast<char>('a' + value % 26);
}

} // namespace

namespace osfile {

int temp_counter() { return temp_counter_value; }
void set_temp_counter(int value) { temp_counter_value = ((value % kCounterValues) + kCounterValues) % kCounterValues; }
void set_temp_pid_source(PidSource source) { temp_pid_source = source != nullptr ? source : getpid; }
void set_temp_name_stat(NameStat name_stat) { temp_name_stat = name_stat != nullptr ? name_stat : lstat; }

} // namespace osfile

extern "C" int grmfile(const char *path)
{
    gerrno = path == nullptr ? OSFILE_ENULL : *path == '\0' ? OSFILE_EEMPTY : 0;
    if (gerrno != 0)
        return -1;
    if (unlink(path) != 0) {
        gerrno = errno;
        return -1;
    }
    return 0;
}

extern "C" int grenfile(const char *oldpath, const char *newpath)
{
    if (oldpath == nullptr || newpath == nullptr) {
        gerrno = OSFILE_ENULL;
        return -1;
    }
    if (*oldpath == '\0' || *newpath == '\0') {
        gerrno = OSFILE_EEMPTY;
        return -1;
    }
    gerrno = 0;
    if (link(oldpath, newpath) != 0) {
        gerrno = errno;
        return -1;
    }
    if (unlink(oldpath) != 0) {
        gerrno = errno;
        unlink(newpath);
        return -1;
    }
    return 0;
}

extern "C" int _ofreadable(const char *path)
{
    return path != nullptr && access(path, R_OK) == 0 ? 1 : 0;
}

extern "C" char *gbldpath(const char *dir, const char *name, const char *suffix)
{
    if (dir == nullptr && name == nullptr && suffix == nullptr)
        return fail(OSFILE_ENOTHING);
    return joined({view(dir), dir != nullptr ? "/" : "", view(name), view(suffix)});
}

extern "C" char *gcatfpath(const char *dir, const char *name)
{
    return joined({view(dir), "/", view(name)});
}

extern "C" char *gcatspath(const char *first, const char *second)
{
    if (first == nullptr || second == nullptr)
        return fail(OSFILE_ENULL);
    if (*first == '\0' || *second == '\0')
        return fail(OSFILE_EEMPTY);
    return joined({first, ":", second});
}

extern "C" char *ggetpelm(const char **list)
{
    if (list == nullptr || *list == nullptr)
        return fail(OSFILE_ENULL);
    const char *start = *list;
    if (*start == '\0')
        return fail(OSFILE_EEMPTY);
    const char *colon = std::strchr(start, ':');
    const std::size_t n = colon != nullptr ? static_cast<std::size_t>(colon - start) : std::strlen(start);
    char *element = joined({std::string_view(start, n)});
    if (element != nullptr)
        *list = start + n + (colon != nullptr ? 1 : 0);
    return element;
}

extern "C" char *ggethomepath(void)
{
    passwd *entry = nullptr;
    if (const char *login = trw_getlogin())
        entry = trw_getpwnam(login);
    if (entry == nullptr)
        entry = trw_getpwuid(getuid());
    if (entry == nullptr || entry->pw_dir == nullptr)
        return fail(OSFILE_ENONE);
    return joined({std::string_view(entry->pw_dir, strnlen(entry->pw_dir, kHomeMax))});
}

extern "C" char *gbasename(const char *path, const char *suffix)
{
    if (path == nullptr)
        return fail(OSFILE_ENULL);
    const char *slash = std::strrchr(path, '/');
    std::string_view component(slash != nullptr ? slash + 1 : path);
    // The first position from which the rest equals the suffix can only be
    // where the suffix would end the component.
    const std::string_view tail = view(suffix);
    if (!tail.empty() && component.ends_with(tail))
        component.remove_suffix(tail.size());
    if (component.empty())
        return fail(OSFILE_ENONE);
    return joined({component});
}

extern "C" char *gpathname(const char *path)
{
    if (path == nullptr)
        return fail(OSFILE_ENULL);
    const char *slash = std::strrchr(path, '/');
    if (slash == nullptr)
        return fail(OSFILE_ENONE);
    if (slash == path)
        return joined({"/"});
    return joined({std::string_view(path, static_cast<std::size_t>(slash - path))});
}

extern "C" char *gmktemp(char *template_text)
{
    if (template_text == nullptr)
        return fail(OSFILE_ENULL);
    char *marker = std::strstr(template_text, kTempMarker.data());
    if (marker == nullptr)
        return fail(OSFILE_ENOTHING);
    unsigned long pid = static_cast<unsigned long>(temp_pid_source());
    for (int i = 7; i >= 3; --i, pid /= 10)
        marker[i] = static_cast<char>('0' + pid % 10);
    for (int tries = 0; tries < kCounterValues; ++tries) {
        put_counter(marker, temp_counter_value);
        temp_counter_value = (temp_counter_value + 1) % kCounterValues;
        struct stat st {};
        if (temp_name_stat(template_text, &st) != 0) {
            if (errno == ENOENT) {
                gerrno = 0;
                return template_text;
            }
            return fail(errno);
        }
    }
    return fail(EEXIST);
}
