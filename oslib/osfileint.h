// Internal interface of the file, path and user helpers for the OS layer's
// tests; not part of the public API.
#pragma once

#include <grp.h>
#include <pwd.h>
#include <shadow.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace osfile {

// gmktemp's process-wide counter as a number 0 (aaa) to 17,575 (zzz), and
// the process id it uses (nullptr restores getpid).
int temp_counter();
void set_temp_counter(int value);
using PidSource = pid_t (*)();
void set_temp_pid_source(PidSource source);
// The existence test of the names (nullptr restores lstat).
using NameStat = int (*)(const char *path, struct stat *st);
void set_temp_name_stat(NameStat name_stat);

// The lookups of the user and group helpers; the tests replace them so that
// they never read the real password, shadow or group database. A member left
// null keeps the system's call; set_account_lookups(nullptr) restores all.
struct AccountLookups {
    char *(*getlogin)();
    passwd *(*getpwnam)(const char *name);
    passwd *(*getpwuid)(uid_t uid);
    spwd *(*getspnam)(const char *name);
    group *(*getgrgid)(gid_t gid);
    long (*today)(); // days since 1970-01-01 (UTC)
};
void set_account_lookups(const AccountLookups *lookups);

} // namespace osfile
