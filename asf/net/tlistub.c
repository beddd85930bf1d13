/* Transport Layer Interface stubs: opening an endpoint always fails with
 * t_errno -999; every other entry point hands back its first argument and
 * does nothing else. Built freestanding: no C library, no start-up code. */
#include <stdint.h>

#include "tli.h"

int t_errno = 0;

int t_open(const char *path, int oflag, struct t_info *info)
{
    (void)path;
    (void)oflag;
    (void)info;
    t_errno = -999;
    return -1;
}

int t_bind(int fd, struct t_bind *req, struct t_bind *ret) { (void)req; (void)ret; return fd; }
int t_snd(int fd, char *buf, unsigned nbytes, int flags) { (void)buf; (void)nbytes; (void)flags; return fd; }
int t_rcv(int fd, char *buf, unsigned nbytes, int *flags) { (void)buf; (void)nbytes; (void)flags; return fd; }
int t_rcvudata(int fd, struct t_unitdata *unitdata, int *flags) { (void)unitdata; (void)flags; return fd; }
int t_sndudata(int fd, struct t_unitdata *unitdata) { (void)unitdata; return fd; }
char *t_alloc(int fd, int struct_type, int fields) { (void)struct_type; (void)fields; return (char *)(intptr_t)fd; }
int t_free(char *ptr, int struct_type) { (void)struct_type; return (int)(intptr_t)ptr; }
int t_connect(int fd, struct t_call *sndcall, struct t_call *rcvcall) { (void)sndcall; (void)rcvcall; return fd; }
int t_listen(int fd, struct t_call *call) { (void)call; return fd; }
int t_accept(int fd, int resfd, struct t_call *call) { (void)resfd; (void)call; return fd; }
int t_rcvconnect(int fd, struct t_call *call) { (void)call; return fd; }
int t_getstate(int fd) { return fd; }
int t_sync(int fd) { return fd; }
int t_optmgmt(int fd, struct t_optmgmt *req, struct t_optmgmt *ret) { (void)req; (void)ret; return fd; }
int t_error(const char *errmsg) { return (int)(intptr_t)errmsg; }
int t_look(int fd) { return fd; }
int t_sndrel(int fd) { return fd; }
int t_rcvrel(int fd) { return fd; }
int t_snddis(int fd, struct t_call *call) { (void)call; return fd; }
int t_rcvdis(int fd, struct t_discon *discon) { (void)discon; return fd; }
int t_unbind(int fd) { return fd; }
int t_close(int fd) { return fd; }
