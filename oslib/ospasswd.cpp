// User and group lookups of the OS layer: the login name, the password and
// shadow entries (trw_getspnam refuses expired accounts and passwords), and
// their copies into the fixed-size user and group records, every field cut
// to its record field with a terminating zero.
#include <grp.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "osfile.h"
#include "osfileint.h"

namespace {

long days_since_epoch() { return static_cast<long>(std::time(nullptr) / 86400); }

const osfile::AccountLookups kSystemLookups = {getlogin, getpwnam, getpwuid, getspnam, getgrgid,
                                               days_since_epoch};
osfile::AccountLookups lookups = kSystemLookups;

// Copies text into a field of N bytes, cut to N - 1 characters.
template <std::size_t N> void put_field(char (&field)[N], const char *text)
{
    const std::size_t n = text != nullptr ? strnlen(text, N - 1) : 0;
    if (n > 0)
        std::memcpy(field, text, n);
    std::memset(field + n, 0, N - n);
}

int fill_user(const passwd *entry, os_user *user)
{
    if (entry == nullptr || user == nullptr)
        return -1;
    put_field(user->login, entry->pw_name);
    put_field(user->password, entry->pw_passwd);
    user->uid = static_cast<int32_t>(entry->pw_uid);
    user->gid = static_cast<int32_t>(entry->pw_gid);
    put_field(user->home, entry->pw_dir);
    put_field(user->shell, entry->pw_shell);
    return 0;
}

} // namespace

namespace osfile {

void set_account_lookups(const AccountLookups *replacement)
{
    lookups = kSystemLookups;
    if (replacement == nullptr)
        return;
    if (replacement->getlogin != nullptr)
        lookups.getlogin = replacement->getlogin;
    if (replacement->getpwnam != nullptr)
        lookups.getpwnam = replacement->getpwnam;
    if (replacement->getpwuid != nullptr)
        lookups.getpwuid = replacement->getpwuid;
    if (replacement->getspnam != nullptr)
        lookups.getspnam = replacement->getspnam;
    if (replacement->getgrgid != nullptr)
        lookups.getgrgid = replacement->getgrgid;
    if (replacement->today != nullptr)
        lookups.today = replacement->today;
}

} // namespace osfile

extern "C" char *trw_getlogin(void)
{
    return lookups.getlogin();
}

extern "C" struct passwd *trw_getpwnam(const char *name)
{
    return name != nullptr ? lookups.getpwnam(name) : nullptr;
}

extern "C" struct passwd *trw_getpwuid(uid_t uid)
{
    return lookups.getpwuid(uid);
}

extern "C" struct spwd *trw_getspnam(const char *name)
{
    spwd *entry = name != nullptr ? lookups.getspnam(name) : nullptr;
    if (entry == nullptr)
        return nullptr;
    const long today = lookups.today();
    if (entry->sp_expire > 0 && entry->sp_expire < today)
        return nullptr;
    if (entry->sp_lstchg == 0)
        return nullptr;
    if (entry->sp_max >= 0 && today - entry->sp_lstchg > entry->sp_max)
        return nullptr;
    return entry;
}

extern "C" int _osgetpwnam(const char *name, os_user *user)
{
    return fill_user(trw_getpwnam(name), user);
}

extern "C" int _osgetpwuid(uid_t uid, os_user *user)
{
    return fill_user(trw_getpwuid(uid), user);
}

extern "C" int _osgetspnam(const char *name, os_user *user)
{
    const spwd *entry = user != nullptr ? trw_getspnam(name) : nullptr;
    if (entry == nullptr)
        return -1;
    put_field(user->login, entry->sp_namp);
    put_field(user->password, entry->sp_pwdp);
    return 0;
}

extern "C" os_group *_osgetgrgid(gid_t gid)
{
    const group *entry = lookups.getgrgid(gid);
    if (entry == nullptr)
        return nullptr;
    std::size_t members = 0;
    while (entry->gr_mem != nullptr && entry->gr_mem[members] != nullptr)
        ++members;
    auto *record = static_cast<os_group *>(std::calloc(1, sizeof(os_group)));
    if (record == nullptr)
        return nullptr;
    record->members = static_cast<char(*)[32]>(std::calloc(members + 1, sizeof *record->members));
    if (record->members == nullptr) {
        std::free(record);
        return nullptr;
    }
    put_field(record->name, entry->gr_name);
    put_field(record->password, entry->gr_passwd);
    record->gid = static_cast<int32_t>(entry->gr_gid);
    for (std::size_t i = 0; i < members; ++i)
        put_field(record->members[i], entry->gr_mem[i]);
    return record;
}

extern "C" void _osfreegroup(os_group *group)
{
    if (group == nullptr)
        return;
    std::free(group->members);
    std::free(group);
}
