/* Transport Layer Interface entry points, as the stub library offers them.
 * The structures are only ever passed by pointer, so they stay incomplete. */
#ifndef TRW_TLI_H
#define TRW_TLI_H

#ifdef __cplusplus
extern "C" {
#endif

struct t_info;
struct t_bind;
struct t_call;
struct t_discon;
struct t_optmgmt;
struct t_unitdata;

extern int t_errno;
extern char netdate[28];

int t_open(const char *path, int oflag, struct t_info *info);
int t_bind(int fd, struct t_bind *req, struct t_bind *ret);
int t_snd(int fd, char *buf, unsigned nbytes, int flags);
int t_rcv(int fd, char *buf, unsigned nbytes, int *flags);
int t_rcvudata(int fd, struct t_unitdata *unitdata, int *flags);
int t_sndudata(int fd, struct t_unitdata *unitdata);
char *t_alloc(int fd, int struct_type, int fields);
int t_free(char *ptr, int struct_type);
int t_connect(int fd, struct t_call *sndcall, struct t_call *rcvcall);
int t_listen(int fd, struct t_call *call);
int t_accept(int fd, int resfd, struct t_call *call);
int t_rcvconnect(int fd, struct t_call *call);
int t_getstate(int fd);
int t_sync(int fd);
int t_optmgmt(int fd, struct t_optmgmt *req, struct t_optmgmt *ret);
int t_error(const char *errmsg);
int t_look(int fd);
int t_sndrel(int fd);
int t_rcvrel(int fd);
int t_snddis(int fd, struct t_call *call);
int t_rcvdis(int fd, struct t_discon *discon);
int t_unbind(int fd);
int t_close(int fd);

#ifdef __cplusplus
}
#endif

#endif
