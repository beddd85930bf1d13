// The SQL wire trace: set-up from SQLIDEBUG, the per-process trace files
// (one per process, children named after the first file), and the text and
// binary dumps of sent and received buffers, fork notes and connection
// records. Records are assembled in one buffer and written with one call so
// that processes sharing a descriptor do not interleave inside a record.
#include "osqlidbg.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "osenv.h"
#include "osinit.h"
#include "osinitint.h"
#include "osstore.h"
#include "osutil.h"

extern "C" {
sqlidebug_state sqlidebug = {0, 0, 0, nullptr, nullptr};
short _sqdbg = SQDBG_OFF;
int _sqdbgfile = 2;
}

namespace {

constexpr int kNoFile = 2;
constexpr int kSlotStep = 10;
constexpr int kTextMax = 80;
constexpr std::size_t kRecordMax = 64 * 1024;

// ---- the process id, cached and refreshed in forked children --------------

pid_t cached_pid = 0;
bool fork_handler_installed = false;

void forget_pid() { cached_pid = 0; }

int current_pid()
{
    if (cached_pid == 0) {
        if (!fork_handler_installed)
            fork_handler_installed = pthread_atfork(nullptr, nullptr, forget_pid) == 0;
        const pid_t pid = getpid();
        if (!fork_handler_installed)
            return pid; // without the handler, ask every time
        cached_pid = pid;
    }
    return cached_pid;
}

// ---- output ----------------------------------------------------------------

void write_all(int fd, const void *data, std::size_t n)
{
    const char *p = static_cast<const char *>(data);
    while (n > 0) {
        const ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

// One record being assembled; written with one call unless it passes the
// buffer, in which case full buffers go out as they fill.
struct Record {
    char bytes[kRecordMax];
    std::size_t used = 0;
    int fd;

    explicit Record(int to) : fd(to) {}
    void flush()
    {
        write_all(fd, bytes, used);
        used = 0;
    }
    void put(const void *data, std::size_t n)
    {
        const char *p = static_cast<const char *>(data);
        while (n > 0) {
            if (used == sizeof bytes)
                flush();
            const std::size_t k = n < sizeof bytes - used ? n : sizeof bytes - used;
            std::memcpy(bytes + used, p, k);
            used += k;
            p += k;
            n -= k;
        }
    }
    void put_text(const char *text) { put(text, std::strlen(text)); }
    void put_u16(unsigned v)
    {
        const unsigned char b[2] = {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
        put(b, 2);
    }
    void put_u32(uint32_t v)
    {
        unsigned char b[4];
        stlong(static_cast<int32_t>(v), b);
        put(b, 4);
    }
};

// One static record buffer: the runtime is used from one thread at a time.
Record &record_for(int fd)
{
    static Record record(kNoFile);
    record.fd = fd;
    record.used = 0;
    return record;
}

void time_stamp(unsigned char out[8])
{
    timeval now{};
    gettimeofday(&now, nullptr);
    stdbl(static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_usec) / 1000000.0, out);
}

bool client_side(const ostcb *tcb) { return tcb == nullptr || tcb->side != 0; }

// ---- files -----------------------------------------------------------------

void stop_tracing()
{
    _sqdbg = SQDBG_OFF;
    _sqdbgfile = kNoFile;
}

// A failed creation: the text dump goes on to standard error, the binary
// one stops with its message.
void creation_failed(const char *message, const char *name)
{
    if (_sqdbg == SQDBG_TEXT) {
        _sqdbgfile = kNoFile;
        return;
    }
    stop_tracing();
    std::fprintf(stderr, message, name);
    std::fflush(stderr);
}

void out_of_memory(int fd)
{
    std::fputs("Out of memory.\n", stdout);
    std::fflush(stdout);
    if (fd != kNoFile)
        close(fd);
    stop_tracing();
}

// The slot to record the process in: index as given, or a new one at the
// end of a table grown by 10 zeroed slots; -1 without memory.
int slot_for(int index)
{
    if (sqlidebug.slots != nullptr && index >= 0 && index < sqlidebug.count)
        return index;
    const int first_new = sqlidebug.slots != nullptr ? sqlidebug.count : 0;
    const int grown = first_new + kSlotStep;
    void *p = std::realloc(sqlidebug.slots, static_cast<std::size_t>(grown) * sizeof(sqlidebug_slot));
    if (p == nullptr)
        return -1;
    sqlidebug.slots = static_cast<sqlidebug_slot *>(p);
    std::memset(sqlidebug.slots + first_new, 0, kSlotStep * sizeof(sqlidebug_slot));
    sqlidebug.count = grown;
    return index >= first_new && index < grown ? index : first_new;
}

void write_file_start(int fd, bool child)
{
    Record &r = record_for(fd);
    if (_sqdbg == SQDBG_BINARY) {
        r.put("SQLI", 4);
        r.put_u32(1);
    }
    if (child) {
        const unsigned char marker[2] = {0x00, 0x6E};
        r.put(marker, 2);
        r.put_u16(static_cast<uint16_t>(sqlidebug.marker));
    }
    r.flush();
}

// ---- records ---------------------------------------------------------------

void write_fork_note(const ostcb *tcb, int child_pid)
{
    Record &r = record_for(_sqdbgfile);
    const bool client = client_side(tcb);
    if (_sqdbg == SQDBG_BINARY) {
        r.put(client ? "SF" : "CF", 2);
        r.put_u32(static_cast<uint32_t>(child_pid));
    } else {
        char line[64];
        std::snprintf(line, sizeof line, "\r\n %s PID %d\r\n",
                      client ? "S->F FORKED PROCESS" : "C->F FORKED PROCESS", child_pid);
        r.put_text(line);
    }
    r.flush();
}

// The text dump of a buffer: header line, "  %2x" per byte, "\r\n" after
// every 16th byte.
void put_text_dump(Record &r, const char *label, uint32_t connection, bool received,
                   const unsigned char *bytes, int n)
{
    char header[96];
    std::snprintf(header, sizeof header, received ? "\r\n %s (%#lx)  %d\r\n" : "\r\n %s (%#lx) %d\r\n",
                  label, static_cast<unsigned long>(connection), n);
    r.put_text(header);
    static constexpr char kHex[] = "0123456789abcdef";
    for (int i = 0; i < n; ++i) {
        const unsigned char b = bytes[i];
        char field[6] = {' ', ' ', b >= 0x10 ? kHex[b >> 4] : ' ', kHex[b & 15], '\r', '\n'};
        r.put(field, (i + 1) % 16 == 0 ? 6 : 4);
    }
}

void write_data_record(const char *tag, const char *label, uint32_t connection, bool received,
                       const unsigned char *bytes, int n)
{
    Record &r = record_for(_sqdbgfile);
    if (_sqdbg == SQDBG_TEXT) {
        put_text_dump(r, label, connection, received, bytes, n);
        r.flush();
        return;
    }
    unsigned char head[14];
    std::memcpy(head, tag, 2);
    stlong(n, head + 2);
    time_stamp(head + 6);
    if (sizeof head + static_cast<std::size_t>(n) <= kRecordMax) {
        r.put(head, sizeof head);
        r.put(bytes, static_cast<std::size_t>(n));
        r.flush();
        return;
    }
    iovec parts[2] = {{head, sizeof head}, {const_cast<unsigned char *>(bytes), static_cast<std::size_t>(n)}};
    const ssize_t w = writev(_sqdbgfile, parts, 2);
    if (w >= 0 && static_cast<std::size_t>(w) < sizeof head + static_cast<std::size_t>(n)) {
        // A short write: finish the record piece by piece.
        std::size_t done = static_cast<std::size_t>(w);
        if (done < sizeof head) {
            write_all(_sqdbgfile, head + done, sizeof head - done);
            done = sizeof head;
        }
        write_all(_sqdbgfile, bytes + (done - sizeof head), sizeof head + static_cast<std::size_t>(n) - done);
    }
}

void dump_buffer(const char *bytes, int length, ostcb *tcb, int32_t connection, bool received)
{
    if (_sqdbg == SQDBG_OFF || length <= 0 || bytes == nullptr)
        return;
    change_sqdbg(current_pid(), tcb);
    if (_sqdbg == SQDBG_OFF)
        return;
    const bool client = client_side(tcb);
    const bool client_to_server = client != received;
    write_data_record(client_to_server ? "CS" : "SC", client_to_server ? "C->S" : "S->C",
                      static_cast<uint32_t>(connection), received,
                      reinterpret_cast<const unsigned char *>(bytes), length);
}

// Appends a connection-record text: length (cut at 80), bytes, padding.
std::size_t put_connect_text(unsigned char *out, const char *text)
{
    const std::size_t n = text != nullptr ? strnlen(text, kTextMax) : 0;
    out[0] = static_cast<unsigned char>(n >> 8);
    out[1] = static_cast<unsigned char>(n);
    if (n > 0)
        std::memcpy(out + 2, text, n);
    std::size_t used = 2 + n;
    if (n % 2 != 0)
        out[used++] = 0;
    return used;
}

} // namespace

extern "C" int fe_open_sqdbgfile(const char *base, int pid, char *fullname)
{
    const int needed = std::snprintf(fullname, SQDBG_NAME_MAX, "%s_%d", base, pid);
    if (needed < 0 || needed >= SQDBG_NAME_MAX)
        return -1;
    const int fd = open(fullname, O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 || ftruncate(fd, 0) != 0) {
        close(fd);
        return -1;
    }
    if (fchown(fd, getuid(), getgid()) != 0) {
        close(fd);
        return -2;
    }
    fchmod(fd, 0600); // a reused file keeps no wider permissions
    return fd;
}

extern "C" int open_sqdbgfile(const char *base, int slot, int pid)
{
    static char fullname[SQDBG_NAME_MAX];
    if (base == nullptr) {
        creation_failed("SQLIDEBUG: Must specify file.\n", "");
        return -1;
    }
    const int fd = fe_open_sqdbgfile(base, pid, fullname);
    if (fd < 0) {
        creation_failed(fd == -2 ? "SQLIDEBUG: Can't change owner on %s.\n"
                                 : "SQLIDEBUG: Can't open file %s.\n",
                        fullname);
        return -1;
    }
    write_file_start(fd, slot != 0);
    if (slot == 0) {
        char *copy = strdup(fullname);
        if (copy == nullptr) {
            out_of_memory(fd);
            return -1;
        }
        std::free(sqlidebug.basename);
        sqlidebug.basename = copy;
    }
    const int index = slot_for(slot);
    if (index < 0) {
        out_of_memory(fd);
        return -1;
    }
    sqlidebug.slots[index].pid = pid;
    sqlidebug.slots[index].tcb = nullptr;
    sqlidebug.slots[index].fd = fd;
    sqlidebug.current = index;
    _sqdbgfile = fd;
    return 0;
}

extern "C" void _sqdbgsetup(ostcb *tcb)
{
    _sqdbg = SQDBG_OFF;
    const char *v = idx_ggetenv("SQLIDEBUG", OSENV_SQLIDEBUG);
    if (v == nullptr)
        return;
    const char *name = nullptr;
    if (v[0] == '1') {
        _sqdbg = SQDBG_TEXT;
        name = v[1] == ':' ? v + 2 : v + 1;
    } else if (v[0] == '2' && v[1] == ':' && v[2] != '\0') {
        _sqdbg = SQDBG_BINARY;
        name = v + 2;
    } else if (v[0] == '2') {
        std::fputs("Invalid syntax for SQLIDEBUG environment variable.\n", stderr);
        std::fflush(stderr);
        return;
    } else {
        return;
    }
    const int pid = current_pid();
    if (open_sqdbgfile(name, 0, pid) == 0)
        sqlidebug.slots[sqlidebug.current].tcb = tcb;
}

extern "C" void change_sqdbg(int pid, ostcb *tcb)
{
    if (_sqdbgfile == kNoFile || sqlidebug.slots == nullptr)
        return;
    if (sqlidebug.current >= 0 && sqlidebug.current < sqlidebug.count &&
        sqlidebug.slots[sqlidebug.current].pid == pid)
        return;
    int free_slot = -1;
    for (int i = 0; i < sqlidebug.count; ++i) {
        if (sqlidebug.slots[i].pid == pid) {
            sqlidebug.current = i;
            _sqdbgfile = sqlidebug.slots[i].fd;
            return;
        }
        if (sqlidebug.slots[i].pid == 0) {
            free_slot = i;
            break;
        }
    }
    write_fork_note(tcb, pid);
    if (open_sqdbgfile(sqlidebug.basename, free_slot, pid) == 0)
        sqlidebug.slots[sqlidebug.current].tcb = tcb;
}

extern "C" void dump_read_buffer(int length, const char *bytes, ostcb *tcb, int32_t connection)
{
    dump_buffer(bytes, length, tcb, connection, true);
}

extern "C" void dump_write_buffer(const char *bytes, int length, ostcb *tcb, int32_t connection)
{
    dump_buffer(bytes, length, tcb, connection, false);
}

extern "C" void dump_tmstamp(void)
{
    unsigned char stamp[8];
    time_stamp(stamp);
    write_all(_sqdbgfile, stamp, sizeof stamp);
}

extern "C" void trace_connect(int kind, const char *first, const char *second, int16_t value)
{
    if (_sqdbg == SQDBG_OFF || kind < 0 || kind > 2)
        return;
    ostcb *tcb = osinit::existing_block();
    change_sqdbg(current_pid(), tcb);
    if (_sqdbg == SQDBG_OFF)
        return;
    unsigned char data[4 + 2 * (2 + kTextMax)];
    data[0] = 0x00;
    data[1] = static_cast<unsigned char>(0x70 + kind);
    data[2] = static_cast<unsigned char>(static_cast<uint16_t>(value) >> 8);
    data[3] = static_cast<unsigned char>(value);
    std::size_t n = 4;
    n += put_connect_text(data + n, first);
    n += put_connect_text(data + n, second);
    write_data_record("CS", "C->S", 0, false, data, static_cast<int>(n));
}
