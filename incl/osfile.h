/* Files, paths, the name list and user and group lookups of the OS layer.
 *
 * Texts these functions return are new, from malloc; the caller frees them.
 * On failure they return NULL (or -1) and set gerrno (osenv.h):
 *   OSFILE_ENOMEM  (-2) out of memory
 *   OSFILE_ENONE   (-3) nothing found: no password entry, no directory part,
 *                       no base name
 *   OSFILE_ENOTHING (-4) nothing to build, or no template
 *   OSFILE_EEMPTY  (-6) empty argument
 *   OSFILE_ENULL   (-7) null argument
 * and after a failing system call the system's error number (errno). */
#ifndef TRW_OSFILE_H
#define TRW_OSFILE_H

#include <pwd.h>
#include <shadow.h>
#include <stdint.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

#define OSFILE_ENOMEM (-2)
#define OSFILE_ENONE (-3)
#define OSFILE_ENOTHING (-4)
#define OSFILE_EEMPTY (-6)
#define OSFILE_ENULL (-7)

/* ---- files ---- */

/* unlink: 0, or -1 with gerrno (-7 null, -6 empty name, else errno). */
int grmfile(const char *path);

/* Renames by linking the new name and unlinking the old one (the new name
 * is removed again when the old cannot be). 0, or -1 with gerrno: -7 / -6
 * for a null / empty name, else errno (EEXIST when the new name exists). */
int grenfile(const char *oldpath, const char *newpath);

/* 1 when the process may read the file (access R_OK), else 0. */
int _ofreadable(const char *path);

/* ---- paths ---- */

/* dir "/" name suffix, each part optional ("/" only with dir); NULL with -4
 * when all three are NULL. */
char *gbldpath(const char *dir, const char *name, const char *suffix);

/* dir (when given) "/" name (when given): a NULL dir gives "/name". */
char *gcatfpath(const char *dir, const char *name);

/* first ":" second; NULL with -7 / -6 when either is NULL / empty. */
char *gcatspath(const char *first, const char *second);

/* The next element of a ":"-separated list at *list, which moves past its
 * ":" (or to the end). NULL with -7 for a NULL list or *list, -6 at the end
 * of the list. */
char *ggetpelm(const char **list);

/* The home directory of the login name's password entry (of the real user
 * id without a login name), cut to 64 characters as the settings registry
 * cuts it; NULL with -3 without an entry. */
char *ggethomepath(void);

/* The last path component, cut at the first position from which the rest
 * equals suffix (when given); NULL with -7 (null path) or -3 (empty
 * result). */
char *gbasename(const char *path, const char *suffix);

/* Everything before the last "/" ("/" when that is the first character);
 * NULL with -7 (null path) or -3 (no "/"). */
char *gpathname(const char *path);

/* Fills the first "NNNXXXXX" of the template in place: the five X with the
 * last five digits of the process id (zero padded), the three N with the
 * next value of a process-wide counter "aaa".."zzz" (continuing across calls,
 * wrapping to "aaa"), until no file of that name exists (lstat: a dangling
 * symbolic link counts as existing). Returns the template, or NULL with -7
 * (null), -4 (no marker), EEXIST (every one of the 17,576 names exists) or
 * the errno of a failing lstat. Create the file with O_CREAT | O_EXCL: the
 * name may be taken between this call and the creation. */
char *gmktemp(char *template_text);

/* ---- the name list ---- */

typedef struct os_namelist {
    int used;
    int capacity;
    char **names; /* owned copies */
} os_namelist;

/* A new empty list of capacity 16, or NULL. */
os_namelist *_ginitnamelist(void);
/* Adds a copy of name (duplicates too), growing by 16: its index, or -1
 * (null list or name, or no memory; the list is then as it was). */
int _gaddnamelist(os_namelist *list, const char *name);
/* The first index of a name equal to name (case-sensitive), or -1. */
int _gsrchnamelist(os_namelist *list, const char *name);
/* Frees the copies, the array and the list. */
void _gfreenamelist(os_namelist *list);

/* ---- users and groups ---- */

/* Fields are cut to fit with a terminating zero (31, 511, 63 characters;
 * member names 31). */
typedef struct os_user {
    char login[32];
    char password[512];
    int32_t uid;
    int32_t gid;
    char home[64];
    char shell[64];
} os_user;

typedef struct os_group {
    char name[32];
    char password[512];
    int32_t gid;
    char (*members)[32]; /* member names, ended by an empty slot */
} os_group;

/* The login name of the process (getlogin), or NULL. */
char *trw_getlogin(void);

/* The system's password entry (static storage of the C library), or NULL. */
struct passwd *trw_getpwnam(const char *name);
struct passwd *trw_getpwuid(uid_t uid);

/* The shadow entry, or NULL when there is none or it is refused: an expiry
 * date set (above 0) and before today (UTC days since 1970), a last change
 * of 0, or a maximum age set (0 or more) and passed since the last change. */
struct spwd *trw_getspnam(const char *name);

/* Fill the user record from the password entry: 0, or -1 (no entry, null
 * argument). _osgetspnam fills the login name and the encrypted password
 * from the shadow entry (trw_getspnam). */
int _osgetpwnam(const char *name, os_user *user);
int _osgetpwuid(uid_t uid, os_user *user);
int _osgetspnam(const char *name, os_user *user);

/* A new group record with (members + 1) name slots, or NULL (no group, no
 * memory). Free it with _osfreegroup. */
os_group *_osgetgrgid(gid_t gid);
void _osfreegroup(os_group *group);

/* ---- file system calls, passed through ---- */

int trw_open(const char *path, int flags, int mode);
int trw_creat(const char *path, int mode);
long trw_read(int fd, void *buffer, unsigned long n);
long trw_write(int fd, const void *buffer, unsigned long n);
long trw_lseek(int fd, long offset, int whence);
int trw_close(int fd);

#ifdef __cplusplus
}
#endif

#endif
