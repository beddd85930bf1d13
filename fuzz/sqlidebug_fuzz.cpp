// libFuzzer target for the SQL wire trace: the first byte picks a SQLIDEBUG
// value (text or binary dump, with and without the colon, the invalid forms,
// names that cannot be created: a missing directory, a name too long, a file
// with a second link) and the side of the control block, the second the
// child marker; the rest is a list of steps (a buffer received or sent, a
// switch to a forked child's process id, a connection record, a time
// stamp). Afterwards every trace file is read back: the binary stream and
// the text dump must decode into exactly the records the steps asked for,
// in order, in the file of the process that was current, and every child's
// file must start with its marker.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../oslib/osenvint.h"
#include "osenv.h"
#include "osinit.h"
#include "osqlidbg.h"

namespace {

// Process ids above the kernel's largest: never a real process.
constexpr int kFakePid = 5000000;

std::string trace_dir()
{
    static const std::string dir = [] {
        char tmpl[] = "/tmp/sqdbgfzXXXXXX";
        if (mkdtemp(tmpl) == nullptr)
            std::abort();
        return std::string(tmpl);
    }();
    return dir;
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

uint32_t be32(const std::string &s, std::size_t at)
{
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 |
           uint32_t(uint8_t(s[at + 2])) << 8 | uint32_t(uint8_t(s[at + 3]));
}

// What one file should hold: the marker (children), then records: a data
// record ('D': tag, bytes), a fork note ('F': child id) or a bare time
// stamp ('T').
struct Expected {
    char kind;
    std::string tag;
    std::string bytes;
    int pid = 0;
};

struct Model {
    bool binary = false;
    bool tracing = false;
    std::string base;
    int current = 0;
    std::vector<int> order; // the pids in the order their files were made
    std::map<int, std::vector<Expected>> files;
};

// The trace file of a process: BASE_PID for the first, and for a child the
// first file's name, "_" and the child's id.
std::string file_of(const Model &model, int pid)
{
    const std::string first = model.base + "_" + std::to_string(model.order.front());
    return pid == model.order.front() ? first : first + "_" + std::to_string(pid);
}

// Forgets the trace of the last input: files closed and removed, the
// process table released.
void reset_trace(const Model &model)
{
    for (int i = 0; sqlidebug.slots != nullptr && i < sqlidebug.count; ++i)
        if (sqlidebug.slots[i].pid != 0 && sqlidebug.slots[i].fd > 2)
            close(sqlidebug.slots[i].fd);
    std::free(sqlidebug.slots);
    std::free(sqlidebug.basename);
    sqlidebug = sqlidebug_state{0, 0, 0, nullptr, nullptr};
    _sqdbg = SQDBG_OFF;
    _sqdbgfile = 2;
    for (int pid : model.order)
        unlink(file_of(model, pid).c_str());
}

int hex_digit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Decodes the text dump of one buffer starting at "at" (the "\r\n " before
// its label); false when it is not one.
bool decode_text_record(const std::string &s, std::size_t &at, std::string &label, std::string &bytes)
{
    if (s.compare(at, 3, "\r\n ") != 0)
        return false;
    const std::size_t open = s.find(" (", at + 3);
    if (open == std::string::npos)
        return false;
    label = s.substr(at + 3, open - at - 3);
    const std::size_t close = s.find(')', open);
    if (close == std::string::npos)
        return false;
    std::size_t p = close + 1;
    while (p < s.size() && s[p] == ' ')
        ++p;
    const std::size_t eol = s.find("\r\n", p);
    if (eol == std::string::npos)
        return false;
    const int n = std::atoi(s.substr(p, eol - p).c_str());
    p = eol + 2;
    bytes.clear();
    for (int i = 0; i < n; ++i) {
        if (p + 4 > s.size() || s[p] != ' ' || s[p + 1] != ' ')
            return false;
        const int high = s[p + 2] == ' ' ? 0 : hex_digit(s[p + 2]), low = hex_digit(s[p + 3]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<char>(high << 4 | low));
        p += 4;
        if ((i + 1) % 16 == 0) {
            if (s.compare(p, 2, "\r\n") != 0)
                return false;
            p += 2;
        }
    }
    at = p;
    return true;
}

void check_file(const Model &model, int pid, bool child, bool client)
{
    const std::string s = read_file(file_of(model, pid));
    std::size_t at = 0;
    if (model.binary) {
        if (s.compare(0, 8, std::string("SQLI\0\0\0\1", 8)) != 0)
            std::abort();
        at = 8;
    }
    if (child) {
        if (s.size() < at + 4 || s[at] != 0 || s[at + 1] != 0x6E ||
            static_cast<int16_t>(uint8_t(s[at + 2]) << 8 | uint8_t(s[at + 3])) != sqlidebug.marker)
            std::abort();
        at += 4;
    }
    for (const Expected &e : model.files.at(pid)) {
        if (e.kind == 'T') {
            at += 8;
        } else if (model.binary && e.kind == 'D') {
            if (s.size() < at + 14 || s.compare(at, 2, e.tag) != 0 || be32(s, at + 2) != e.bytes.size() ||
                s.compare(at + 14, e.bytes.size(), e.bytes) != 0)
                std::abort();
            at += 14 + e.bytes.size();
        } else if (model.binary) {
            if (s.size() < at + 6 || s.compare(at, 2, client ? "SF" : "CF") != 0 ||
                be32(s, at + 2) != static_cast<uint32_t>(e.pid))
                std::abort();
            at += 6;
        } else if (e.kind == 'D') {
            std::string label, bytes;
            if (!decode_text_record(s, at, label, bytes) || label != (e.tag == "CS" ? "C->S" : "S->C") ||
                bytes != e.bytes)
                std::abort();
        } else {
            const std::string note = std::string("\r\n ") + (client ? "S->F" : "C->F") + " FORKED PROCESS PID " +
                                     std::to_string(e.pid) + "\r\n";
            if (s.compare(at, note.size(), note) != 0)
                std::abort();
            at += note.size();
        }
    }
    if (at != s.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("TARNWELLDIR", "/nonexistent-tarnwell", 1);
    osenv::set_home_lookup([] { return "/nonexistent-tarnwell-home"; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (size < 2 || size > 4096)
        return 0;
    const std::string dir = trace_dir();
    const int pid = getpid();
    // "1" alone traces into "_PID" in the current directory: the trace
    // directory while the input runs.
    const int here = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (here < 0 || chdir(dir.c_str()) != 0)
        std::abort();
    Model model;
    std::string value;
    switch (data[0] % 10) {
    case 0: value = "1:" + dir + "/t"; model.base = dir + "/t"; break;
    case 1: value = "2:" + dir + "/b"; model.base = dir + "/b"; model.binary = true; break;
    case 2: value = "1" + dir + "/n"; model.base = dir + "/n"; break;
    case 3: value = "2"; break;
    case 4: value = "2:"; break;
    case 5: value = "1"; model.base = ""; break;                // "_PID" here
    case 6: value = "2:" + dir + "/missing/b"; break;           // no such directory
    case 7: value = "2:" + std::string(SQDBG_NAME_MAX, 'x'); break; // does not fit
    case 8: {                                                    // a second link
        const std::string name = dir + "/l_" + std::to_string(pid);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT, 0600);
        if (fd >= 0)
            close(fd);
        (void)link(name.c_str(), (dir + "/l2").c_str());
        value = "2:" + dir + "/l";
        break;
    }
    default: value = "1:" + dir + "/missing/t"; break;          // text: on to standard error
    }
    if (ginsenv("SQLIDEBUG", value.c_str()) != 0)
        std::abort();
    ostcb block{};
    block.side = data[0] & 0x80 ? 0 : 1;
    const bool client = block.side != 0;
    ostcb *tcb = data[0] & 0x40 ? nullptr : &block;
    const bool tcb_client = tcb == nullptr || client;
    sqlidebug.marker = static_cast<int16_t>(data[1] * 257);
    _sqdbgsetup(tcb);
    model.tracing = !model.base.empty() || data[0] % 10 == 5;
    if (model.tracing) {
        if (_sqdbg != (model.binary ? SQDBG_BINARY : SQDBG_TEXT) || _sqdbgfile == 2)
            std::abort();
        model.current = pid;
        model.order.push_back(pid);
        model.files[pid];
    } else if (_sqdbgfile != 2 || (data[0] % 10 != 9 && _sqdbg != SQDBG_OFF)) {
        std::abort(); // a refused file leaves no trace open
    } else if (data[0] % 10 == 3 && (open_sqdbgfile(nullptr, 0, pid) != -1 || _sqdbg != SQDBG_OFF)) {
        std::abort(); // no name: no file
    }

    std::size_t i = 2;
    // One buffer an input that passes the 64 KB record buffer, just past it:
    // a text dump takes four bytes and more a byte, a binary one one.
    bool grown = false;
    const std::size_t past_record = model.binary ? 66000 : 17000;
    while (i < size) {
        const uint8_t op = data[i++];
        const std::size_t n = i < size ? data[i++] : 0;
        std::string bytes(reinterpret_cast<const char *>(data) + i, std::min(n, size - i));
        i += bytes.size();
        switch (op % 5) {
        case 0:
        case 1: {
            const bool received = op % 5 == 0;
            if (op & 0x80 && !bytes.empty() && model.tracing && !grown) { // past the record buffer
                while (bytes.size() < past_record)
                    bytes += bytes;
                grown = true;
            }
            if (received)
                dump_read_buffer(static_cast<int>(bytes.size()), bytes.data(), tcb, op);
            else
                dump_write_buffer(bytes.data(), static_cast<int>(bytes.size()), tcb, op);
            if (model.tracing && !bytes.empty()) {
                model.current = pid;
                model.files[pid].push_back({'D', tcb_client != received ? "CS" : "SC", bytes});
            }
            break;
        }
        case 2: {
            const int child = kFakePid + op % 16;
            change_sqdbg(child, tcb);
            if (model.tracing && child != model.current) {
                if (model.files.count(child) == 0) {
                    model.files[model.current].push_back({'F', "", "", child});
                    model.order.push_back(child);
                    model.files[child];
                }
                model.current = child;
            }
            break;
        }
        case 3: {
            const int kind = op % 4;
            const std::string second = bytes.substr(bytes.size() / 2);
            const std::string first = bytes.substr(0, bytes.size() / 2);
            const int16_t v = static_cast<int16_t>(op * 131);
            trace_connect(kind, first.c_str(), op & 0x80 ? nullptr : second.c_str(), v);
            if (model.tracing && kind < 3) {
                std::string record{'\0', static_cast<char>(0x70 + kind), static_cast<char>(uint16_t(v) >> 8),
                                   static_cast<char>(v)};
                for (std::string text : {first, op & 0x80 ? std::string() : second}) {
                    text = text.substr(0, std::min(text.find('\0'), std::size_t{80}));
                    record += static_cast<char>(text.size() >> 8);
                    record += static_cast<char>(text.size());
                    record += text;
                    if (text.size() % 2 != 0)
                        record += '\0';
                }
                model.current = pid;
                model.files[pid].push_back({'D', "CS", record}); // always as sent
            }
            break;
        }
        default:
            if (model.tracing) {
                dump_tmstamp();
                model.files[model.current].push_back({'T', "", ""});
            }
            break;
        }
    }
    if (model.tracing) {
        for (int p : model.order)
            check_file(model, p, p != pid, tcb_client);
    }
    reset_trace(model);
    if (data[0] % 10 == 8) {
        unlink((dir + "/l_" + std::to_string(pid)).c_str());
        unlink((dir + "/l2").c_str());
    }
    if (fchdir(here) != 0)
        std::abort();
    close(here);
    return 0;
}
