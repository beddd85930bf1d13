// Thin wrappers of the file system calls for client programs: the arguments
// go to open, creat, read, write, lseek and close unchanged, and so do their
// results.
#include <fcntl.h>
#include <unistd.h>

#include "osfile.h"

extern "C" int trw_open(const char *path, int flags, int mode)
{
    return open(path, flags, static_cast<mode_t>(mode));
}

extern "C" int trw_creat(const char *path, int mode)
{
    return creat(path, static_cast<mode_t>(mode));
}

extern "C" long trw_read(int fd, void *buffer, unsigned long n)
{
    return read(fd, buffer, n);
}

extern "C" long trw_write(int fd, const void *buffer, unsigned long n)
{
    return write(fd, buffer, n);
}

extern "C" long trw_lseek(int fd, long offset, int whence)
{
    return lseek(fd, offset, whence);
}

extern "C" int trw_close(int fd)
{
    return close(fd);
}
