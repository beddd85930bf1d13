/* The SQL wire trace: a record of the raw traffic between the client and the
 * database server, asked for by the setting SQLIDEBUG and set up when the OS
 * control block (osinit.h) is created.
 *
 * SQLIDEBUG: "1" or "1:NAME" gives the text dump (mode 4) into NAME_PID
 * ("1" alone: "_PID" in the current directory); "2:NAME" the binary stream
 * (mode 8) into NAME_PID; "2" or "2:" write "Invalid syntax for SQLIDEBUG
 * environment variable." to standard error; anything else traces nothing.
 * A forked child traces into BASE_PID, BASE being the first process's file,
 * after a fork note in its parent's file.
 *
 * Binary stream, integers most significant byte first:
 *   header   "SQLI", format 1 (4 bytes)
 *   data     tag "SC" or "CS", length n (4), time stamp (8: seconds since
 *            1970 as a double stored with stdbl, host byte order), n bytes
 *   fork     "SF" (client side) or "CF", child process id (4)
 * A child's file starts (after the header in binary mode) with 0x00 0x6E and
 * the 16-bit marker field. The connection record that trace_connect writes
 * is a "CS" data record: kind 0x0070 + kind, the caller's 16-bit value, then
 * two texts each as a 16-bit length (at most 80) and the bytes, padded with
 * one 0x00 to even length.
 *
 * Text dump per buffer: "\r\n LABEL (CONN) N\r\n" (received buffers: two
 * blanks before N), then "  %2x" per byte with "\r\n" after every 16th; no
 * final line end. A fork is "\r\n S->F FORKED PROCESS PID N\r\n" (C->F on
 * the server side). Each record goes out with one write call (a record of
 * more than 64 KiB of text in 64 KiB pieces).
 *
 * Trace files are created owner-only (0600, close-on-exec) and given the
 * real user and group of the process through the descriptor; an existing
 * name is reused only when it is a regular file with one link (never through
 * a symbolic link), and is truncated then. Failures are reported on standard
 * error (memory: standard output), never to the caller. The state is
 * process-wide and unlocked. */
#ifndef TRW_OSQLIDBG_H
#define TRW_OSQLIDBG_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct ostcb;

#define SQDBG_OFF 0
#define SQDBG_TEXT 4
#define SQDBG_BINARY 8

/* One traced process: its id (0: the slot is free), its OS control block and
 * its trace descriptor. */
typedef struct sqlidebug_slot {
    int32_t pid;
    struct ostcb *tcb;
    int32_t fd;
} sqlidebug_slot;

typedef struct sqlidebug_state {
    int32_t current;        /* the slot of the running process */
    int32_t count;          /* slots in the table (10 more at a time) */
    int16_t marker;         /* written after a child's marker; 0 unless set */
    char *basename;         /* the first process's trace file name */
    sqlidebug_slot *slots;  /* the process table, NULL before the first file */
} sqlidebug_state;

extern sqlidebug_state sqlidebug;
extern short _sqdbg;    /* SQDBG_OFF, SQDBG_TEXT or SQDBG_BINARY */
extern int _sqdbgfile;  /* the trace descriptor; 2: no trace file */

/* Reads SQLIDEBUG (registry lookup by index) and opens the first file. */
void _sqdbgsetup(struct ostcb *tcb);

/* Opens BASE_PID and records the process in the slot (0 for the first
 * process, -1 to find or make room). 0, or -1 when no file was opened (the
 * mode's message written). */
int open_sqdbgfile(const char *base, int slot, int pid);

/* Creates BASE_PID and writes its name into fullname (room for
 * SQDBG_NAME_MAX bytes). The descriptor; -1 when it cannot be created (also
 * for a name that does not fit); -2 when its owner cannot be changed (the
 * file stays, the descriptor is closed). */
#define SQDBG_NAME_MAX 4096
int fe_open_sqdbgfile(const char *base, int pid, char *fullname);

/* Switches to the trace file of process pid, writing the fork note to the
 * current file and creating the child's file the first time. */
void change_sqdbg(int pid, struct ostcb *tcb);

/* Trace a received / sent buffer of the connection. Nothing for a length of
 * 0 or less, or a NULL buffer. The control block's side flag chooses the
 * labels; NULL counts as the client side. */
void dump_read_buffer(int length, const char *bytes, struct ostcb *tcb, int32_t connection);
void dump_write_buffer(const char *bytes, int length, struct ostcb *tcb, int32_t connection);

/* Writes the 8-byte time stamp to the trace file. */
void dump_tmstamp(void);

/* Traces a connection record of kind 0, 1 or 2 (other kinds: nothing);
 * NULL texts count as empty. */
void trace_connect(int kind, const char *first, const char *second, int16_t value);

#ifdef __cplusplus
}
#endif

#endif
