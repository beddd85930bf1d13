// The SQL wire trace, written and read back byte for byte: the set-up
// values, the binary stream (header, data, connection and fork records),
// the text dump, forked children and grandchildren, and the refusals of the
// trace file. Each test is a fresh process that sets SQLIDEBUG before the
// first OS-layer call and works in its own temporary directory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "decconv.h"
#include "glsenv.h"
#include "osclient.h"
#include "osenv.h"
#include "osinit.h"
#include "osqlidbg.h"

namespace {

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

uint32_t be32(const std::string &s, std::size_t at)
{
    return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) |
           (uint32_t(uint8_t(s[at + 2])) << 8) | uint32_t(uint8_t(s[at + 3]));
}

double now_seconds()
{
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return double(tv.tv_sec) + double(tv.tv_usec) / 1e6;
}

// One record of the binary stream.
struct Record {
    std::string tag;
    uint32_t value = 0; // data length, or the child's process id
    double stamp = 0;
    std::string data;
};

// Parses a binary trace file; fails the test on any malformed byte.
std::vector<Record> parse_binary(const std::string &bytes, bool child)
{
    std::vector<Record> out;
    EXPECT_GE(bytes.size(), 8u);
    if (bytes.size() < 8)
        return out;
    EXPECT_EQ(bytes.substr(0, 4), "SQLI");
    EXPECT_EQ(be32(bytes, 4), 1u);
    std::size_t at = 8;
    if (child) {
        EXPECT_EQ(bytes.substr(at, 4), std::string("\x00\x6E\x00\x00", 4));
        at += 4;
    }
    while (at < bytes.size()) {
        Record r;
        r.tag = bytes.substr(at, 2);
        if (r.tag == "SF" || r.tag == "CF") {
            r.value = be32(bytes, at + 2);
            at += 6;
        } else {
            EXPECT_TRUE(r.tag == "CS" || r.tag == "SC") << r.tag;
            if (at + 14 > bytes.size()) {
                ADD_FAILURE() << "cut record";
                break;
            }
            r.value = be32(bytes, at + 2);
            std::memcpy(&r.stamp, bytes.data() + at + 6, 8); // host byte order
            r.data = bytes.substr(at + 14, r.value);
            EXPECT_EQ(r.data.size(), r.value);
            at += 14 + r.value;
        }
        out.push_back(r);
    }
    return out;
}

// The text dump of one buffer, built independently.
std::string text_dump(const std::string &label, const std::string &conn, bool received, const std::string &bytes)
{
    std::string s = "\r\n " + label + " (" + conn + ")" + (received ? "  " : " ") + std::to_string(bytes.size()) + "\r\n";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char field[8];
        std::snprintf(field, sizeof field, "  %2x", unsigned(uint8_t(bytes[i])));
        s += field;
        if ((i + 1) % 16 == 0)
            s += "\r\n";
    }
    return s;
}

std::string connect_data(int kind, const std::string &a, const std::string &b, uint16_t value)
{
    std::string s{'\0', char(0x70 + kind), char(value >> 8), char(value & 0xFF)};
    for (std::string t : {a, b}) {
        t = t.substr(0, 80);
        s += char(t.size() >> 8);
        s += char(t.size() & 0xFF);
        s += t;
        if (t.size() % 2)
            s += '\0';
    }
    return s;
}

class Trace : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/trw-sqlidebug-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(chdir(dir.c_str()), 0);
        err_path = dir + "/stderr.txt";
        saved_err = dup(2);
        const int fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        close(fd);
    }
    void TearDown() override
    {
        dup2(saved_err, 2);
        close(saved_err);
        ASSERT_EQ(chdir("/"), 0);
        std::filesystem::remove_all(dir);
    }
    // Sets SQLIDEBUG and makes the control block, which sets up the trace.
    void start(const std::string &value)
    {
        setenv("SQLIDEBUG", value.c_str(), 1);
        ASSERT_NE(CheckOsInit(), nullptr);
    }
    std::string own_file(const std::string &base) const { return base + "_" + std::to_string(getpid()); }
    std::string err() const
    {
        std::fflush(stderr);
        return read_file(err_path);
    }
    std::string dir, err_path;
    int saved_err = -1;
};

// ---- set-up ---------------------------------------------------------------------

struct SetupCase {
    const char *value;
    short mode;
    const char *file; // relative to the directory, "" for none
    const char *message;
};

TEST_F(Trace, SetupValues)
{
    const std::string pid = std::to_string(getpid());
    const SetupCase cases[] = {
        {"1", SQDBG_TEXT, "_", ""},
        {"1:", SQDBG_TEXT, "_", ""},
        {"1:name", SQDBG_TEXT, "name_", ""},
        {"1name", SQDBG_TEXT, "name_", ""},
        {"2", SQDBG_OFF, "", "Invalid syntax for SQLIDEBUG environment variable.\n"},
        {"2:", SQDBG_OFF, "", "Invalid syntax for SQLIDEBUG environment variable.\n"},
        {"2x", SQDBG_OFF, "", "Invalid syntax for SQLIDEBUG environment variable.\n"},
        {"2:bin", SQDBG_BINARY, "bin_", ""},
        {"3", SQDBG_OFF, "", ""},
        {"x", SQDBG_OFF, "", ""},
        {"", SQDBG_OFF, "", ""},
    };
    // The set-up is run directly for each value (the control block's own
    // creation runs it once, for the first).
    for (const SetupCase &c : cases) {
        setenv("SQLIDEBUG", c.value, 1);
        ASSERT_EQ(ftruncate(2, 0), 0);
        lseek(2, 0, SEEK_SET);
        _sqdbgsetup(CheckOsInit());
        EXPECT_EQ(_sqdbg, c.mode) << c.value;
        EXPECT_EQ(err(), c.message) << c.value;
        if (*c.file != '\0') {
            const std::string name = dir + "/" + c.file + pid;
            EXPECT_TRUE(std::filesystem::exists(name)) << c.value;
            EXPECT_EQ(std::string(sqlidebug.basename), name.substr(dir.size() + 1)) << c.value;
            EXPECT_NE(_sqdbgfile, 2);
            EXPECT_EQ(sqlidebug.slots[0].pid, getpid());
            EXPECT_EQ(read_file(name), c.mode == SQDBG_BINARY ? std::string("SQLI\0\0\0\1", 8) : "") << c.value;
            std::filesystem::remove(name);
        }
    }
}

TEST_F(Trace, FirstFileAndSlot)
{
    start("2:" + dir + "/trc");
    EXPECT_EQ(_sqdbg, SQDBG_BINARY);
    EXPECT_EQ(sqlidebug.count, 10);
    EXPECT_EQ(sqlidebug.current, 0);
    EXPECT_EQ(sqlidebug.marker, 0);
    EXPECT_EQ(sqlidebug.slots[0].pid, getpid());
    EXPECT_EQ(sqlidebug.slots[0].tcb, CheckOsInit());
    EXPECT_EQ(sqlidebug.slots[0].fd, _sqdbgfile);
    for (int i = 1; i < 10; ++i)
        EXPECT_EQ(sqlidebug.slots[i].pid, 0);
    EXPECT_EQ(std::string(sqlidebug.basename), own_file(dir + "/trc"));
    EXPECT_EQ(CheckOsInit()->trace, &sqlidebug);
    struct stat st {};
    ASSERT_EQ(stat(own_file(dir + "/trc").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_uid, getuid());
    EXPECT_EQ(st.st_gid, getgid());
    EXPECT_NE(fcntl(_sqdbgfile, F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_EQ(err(), "");
}

// ---- binary records -------------------------------------------------------------

TEST_F(Trace, BinaryRecordsReadBack)
{
    start("2:" + dir + "/trc");
    const double before = now_seconds();
    ostcb *client = CheckOsInit();
    ostcb server = *client;
    server.side = 0;
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    dump_write_buffer("hello", 5, client, 7);
    dump_read_buffer(3, "abc", client, 7);
    dump_write_buffer("xy", 2, &server, 7);
    dump_read_buffer(1, "z", &server, 7);
    dump_write_buffer(all.data(), 256, nullptr, -1);
    dump_write_buffer("never", 0, client, 1);
    dump_write_buffer("never", -5, client, 1);
    dump_read_buffer(-1, "never", client, 1);
    dump_read_buffer(0, "never", client, 1);
    dump_write_buffer(nullptr, 5, client, 1);
    std::string big(1 << 20, 'm');
    big[12345] = 'q';
    dump_write_buffer(big.data(), int(big.size()), client, 1);
    const double after = now_seconds();

    const auto records = parse_binary(read_file(own_file(dir + "/trc")), false);
    ASSERT_EQ(records.size(), 6u);
    const char *tags[] = {"CS", "SC", "SC", "CS", "CS", "CS"};
    const std::string datas[] = {"hello", "abc", "xy", "z", all, big};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].tag, tags[i]) << i;
        EXPECT_EQ(records[i].data, datas[i]) << i;
        EXPECT_GE(records[i].stamp, before - 1e-3) << i;
        EXPECT_LE(records[i].stamp, after + 1e-3) << i;
    }
}

TEST_F(Trace, ConnectionRecords)
{
    start("2:" + dir + "/trc");
    std::vector<std::string> expected;
    for (std::size_t n : {0u, 1u, 79u, 80u, 81u})
        for (int kind = 0; kind < 3; ++kind) {
            std::string a(n, char('a' + kind)), b(80 - (n > 80 ? 80 : n), 'B');
            trace_connect(kind, a.c_str(), b.c_str(), int16_t(0x1234 + n));
            expected.push_back(connect_data(kind, a, b, uint16_t(0x1234 + n)));
        }
    trace_connect(1, nullptr, nullptr, -1);
    expected.push_back(connect_data(1, "", "", 0xFFFF));
    trace_connect(3, "not", "traced", 0);
    trace_connect(-1, "not", "traced", 0);
    const auto records = parse_binary(read_file(own_file(dir + "/trc")), false);
    ASSERT_EQ(records.size(), expected.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].tag, "CS");
        EXPECT_EQ(records[i].data, expected[i]) << i;
        EXPECT_EQ(records[i].data.size() % 2, 0u);
    }
    EXPECT_EQ(records[6].data.size(), 8u + 80u + 2u); // 79 bytes padded to 80, "B" once padded to 2
}

// ---- text dumps -------------------------------------------------------------------

TEST_F(Trace, TextDumpsByteForByte)
{
    start("1:" + dir + "/txt");
    std::string expected;
    ostcb *client = CheckOsInit();
    for (int n : {0, 1, 15, 16, 17, 32, 33}) {
        std::string bytes;
        for (int i = 0; i < n; ++i)
            bytes += char(0x0A + i * 7);
        dump_write_buffer(bytes.data(), n, client, 0x2a);
        dump_read_buffer(n, bytes.data(), client, 0x2a);
        if (n > 0)
            expected += text_dump("C->S", "0x2a", false, bytes) + text_dump("S->C", "0x2a", true, bytes);
    }
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    ostcb server = *client;
    server.side = 0;
    dump_read_buffer(256, all.data(), &server, -1);
    expected += text_dump("C->S", "0xffffffff", true, all);
    dump_write_buffer(all.data(), 256, &server, 0);
    expected += text_dump("S->C", "0", false, all);
    trace_connect(2, "srv", "db", 5);
    expected += text_dump("C->S", "0", false, connect_data(2, "srv", "db", 5));
    EXPECT_EQ(read_file(own_file(dir + "/txt")), expected);
    // The Part's examples.
    EXPECT_NE(expected.find("\r\n S->C (0x2a)  17\r\n"), std::string::npos);
    EXPECT_EQ(text_dump("x", "0", true, "\x0a").substr(text_dump("x", "0", true, "").size()), "   a");
}

// ---- forks -------------------------------------------------------------------------

TEST_F(Trace, ChildAndGrandchildFilesInBothModes)
{
    for (const char *mode : {"2:", "1:"}) {
        const bool binary = mode[0] == '2';
        const std::string base = dir + "/" + (binary ? "bin" : "txt");
        setenv("SQLIDEBUG", (mode + base).c_str(), 1);
        _sqdbgsetup(CheckOsInit());
        const std::string first = own_file(base);
        dump_write_buffer("parent", 6, CheckOsInit(), 1);
        int pipefd[2];
        ASSERT_EQ(pipe(pipefd), 0);
        const pid_t child = fork();
        if (child == 0) {
            dump_write_buffer("child", 5, CheckOsInit(), 2);
            const pid_t grandchild = fork();
            if (grandchild == 0) {
                dump_read_buffer(10, "grandchild", CheckOsInit(), 3);
                _exit(0);
            }
            int status = 0;
            waitpid(grandchild, &status, 0);
            const int32_t g = grandchild;
            (void)!write(pipefd[1], &g, sizeof g);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        int32_t grandchild = 0;
        ASSERT_EQ(read(pipefd[0], &grandchild, sizeof grandchild), 4);
        close(pipefd[0]);
        close(pipefd[1]);

        const std::string parent_bytes = read_file(first);
        const std::string child_bytes = read_file(first + "_" + std::to_string(child));
        const std::string grand_bytes = read_file(first + "_" + std::to_string(grandchild));
        if (binary) {
            auto p = parse_binary(parent_bytes, false);
            ASSERT_EQ(p.size(), 2u);
            EXPECT_EQ(p[0].data, "parent");
            EXPECT_EQ(p[1].tag, "SF");
            EXPECT_EQ(p[1].value, uint32_t(child));
            auto c = parse_binary(child_bytes, true);
            ASSERT_EQ(c.size(), 2u);
            EXPECT_EQ(c[0].tag, "CS");
            EXPECT_EQ(c[0].data, "child");
            EXPECT_EQ(c[1].tag, "SF");
            EXPECT_EQ(c[1].value, uint32_t(grandchild));
            auto g = parse_binary(grand_bytes, true);
            ASSERT_EQ(g.size(), 1u);
            EXPECT_EQ(g[0].tag, "SC");
            EXPECT_EQ(g[0].data, "grandchild");
        } else {
            EXPECT_EQ(parent_bytes, text_dump("C->S", "0x1", false, "parent") + "\r\n S->F FORKED PROCESS PID " +
                                        std::to_string(child) + "\r\n");
            EXPECT_EQ(child_bytes, std::string("\0n\0\0", 4) + text_dump("C->S", "0x2", false, "child") +
                                       "\r\n S->F FORKED PROCESS PID " + std::to_string(grandchild) + "\r\n");
            EXPECT_EQ(grand_bytes, std::string("\0n\0\0", 4) + text_dump("S->C", "0x3", true, "grandchild"));
        }
    }
}

TEST_F(Trace, ServerSideForkNote)
{
    start("2:" + dir + "/trc");
    ostcb server = *CheckOsInit();
    server.side = 0;
    const pid_t child = fork();
    if (child == 0) {
        dump_write_buffer("c", 1, &server, 0);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    auto p = parse_binary(read_file(own_file(dir + "/trc")), false);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].tag, "CF");
    auto c = parse_binary(read_file(own_file(dir + "/trc") + "_" + std::to_string(child)), true);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].tag, "SC");
}

// Twelve generations: each child inherits its ancestors' slots, so the
// table grows past its first 10.
TEST_F(Trace, ChainOfGenerationsGrowsTheTable)
{
    start("2:" + dir + "/trc");
    const std::string first = own_file(dir + "/trc");
    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    constexpr int kGenerations = 12;
    for (int generation = 0; generation <= kGenerations; ++generation) {
        const std::string text = "gen" + std::to_string(generation);
        dump_write_buffer(text.data(), int(text.size()), CheckOsInit(), generation);
        if (generation > 0) {
            const int32_t report[3] = {generation, int32_t(getpid()), sqlidebug.count};
            (void)!write(pipefd[1], report, sizeof report);
        }
        if (generation == kGenerations)
            _exit(0);
        const pid_t child = fork();
        if (child != 0) {
            int status = 0;
            waitpid(child, &status, 0);
            if (generation > 0)
                _exit(0);
            break;
        }
    }
    close(pipefd[1]);
    int32_t report[3];
    std::vector<int32_t> pids{getpid()};
    while (read(pipefd[0], report, sizeof report) == sizeof report) {
        EXPECT_EQ(report[2], report[0] < 10 ? 10 : 20) << "generation " << report[0];
        pids.push_back(report[1]);
    }
    close(pipefd[0]);
    ASSERT_EQ(pids.size(), std::size_t(kGenerations + 1));
    for (int generation = 0; generation <= kGenerations; ++generation) {
        const std::string name = generation == 0 ? first : first + "_" + std::to_string(pids[generation]);
        auto records = parse_binary(read_file(name), generation > 0);
        ASSERT_EQ(records.size(), generation < kGenerations ? 2u : 1u) << generation;
        EXPECT_EQ(records[0].data, "gen" + std::to_string(generation));
        if (generation < kGenerations) {
            EXPECT_EQ(records[1].tag, "SF");
            EXPECT_EQ(records[1].value, uint32_t(pids[generation + 1]));
        }
    }
}

// ---- refused and failing files -------------------------------------------------------

TEST_F(Trace, UnwritablePlacesInBothModes)
{
    const std::string base = dir + "/missing/trc";
    start("2:" + base);
    EXPECT_EQ(_sqdbg, SQDBG_OFF);
    EXPECT_EQ(_sqdbgfile, 2);
    EXPECT_EQ(err(), "SQLIDEBUG: Can't open file " + own_file(base) + ".\n");
    dump_write_buffer("x", 1, CheckOsInit(), 0); // nothing, no crash

    setenv("SQLIDEBUG", ("1:" + base).c_str(), 1);
    ASSERT_EQ(ftruncate(2, 0), 0);
    lseek(2, 0, SEEK_SET);
    _sqdbgsetup(CheckOsInit());
    EXPECT_EQ(_sqdbg, SQDBG_TEXT);
    EXPECT_EQ(_sqdbgfile, 2);
    EXPECT_EQ(err(), ""); // the text dump goes on to standard error silently
    dump_write_buffer("\x01", 1, CheckOsInit(), 0);
    EXPECT_EQ(err(), text_dump("C->S", "0", false, "\x01"));
}

TEST_F(Trace, OverlongAndOddNames)
{
    const std::string base = dir + "/" + std::string(5000, 'n');
    start("2:" + base);
    EXPECT_EQ(_sqdbg, SQDBG_OFF);
    EXPECT_EQ(err().rfind("SQLIDEBUG: Can't open file ", 0), 0u);
    setenv("SQLIDEBUG", ("2:" + dir + "/100%s%n").c_str(), 1);
    _sqdbgsetup(CheckOsInit());
    EXPECT_EQ(_sqdbg, SQDBG_BINARY);
    EXPECT_TRUE(std::filesystem::exists(own_file(dir + "/100%s%n")));
    _sqdbg = SQDBG_BINARY;
    EXPECT_EQ(open_sqdbgfile(nullptr, 0, getpid()), -1);
    EXPECT_EQ(_sqdbg, SQDBG_OFF);
    EXPECT_NE(err().find("SQLIDEBUG: Must specify file.\n"), std::string::npos);
}

TEST_F(Trace, ExistingFileIsTruncatedButLinksAreRefused)
{
    const std::string base = dir + "/trc";
    const std::string name = own_file(base);
    {
        std::ofstream(name) << std::string(1000, 'o');
    }
    chmod(name.c_str(), 0644);
    start("2:" + base);
    EXPECT_EQ(_sqdbg, SQDBG_BINARY);
    EXPECT_EQ(read_file(name), std::string("SQLI\0\0\0\1", 8));
    struct stat st {};
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    // A symbolic link at the name: refused, the target untouched.
    const std::string victim = dir + "/victim";
    std::ofstream(victim) << "keep";
    std::filesystem::remove(name);
    ASSERT_EQ(symlink(victim.c_str(), name.c_str()), 0);
    ASSERT_EQ(ftruncate(2, 0), 0);
    lseek(2, 0, SEEK_SET);
    _sqdbgsetup(CheckOsInit());
    EXPECT_EQ(_sqdbg, SQDBG_OFF);
    EXPECT_EQ(read_file(victim), "keep");
    EXPECT_EQ(err(), "SQLIDEBUG: Can't open file " + name + ".\n");

    // A hard link at the name: refused too.
    std::filesystem::remove(name);
    ASSERT_EQ(link(victim.c_str(), name.c_str()), 0);
    ASSERT_EQ(ftruncate(2, 0), 0);
    lseek(2, 0, SEEK_SET);
    _sqdbgsetup(CheckOsInit());
    EXPECT_EQ(_sqdbg, SQDBG_OFF);
    EXPECT_EQ(read_file(victim), "keep");
    EXPECT_EQ(err(), "SQLIDEBUG: Can't open file " + name + ".\n");

    // A directory at the name.
    std::filesystem::remove(name);
    std::filesystem::create_directory(name);
    _sqdbgsetup(CheckOsInit());
    EXPECT_EQ(_sqdbg, SQDBG_OFF);
}

TEST_F(Trace, TracingOffWritesNothing)
{
    start("3");
    EXPECT_EQ(_sqdbg, SQDBG_OFF);
    dump_write_buffer("x", 1, CheckOsInit(), 0);
    dump_read_buffer(1, "x", CheckOsInit(), 0);
    trace_connect(0, "a", "b", 0);
    EXPECT_EQ(err(), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
}

// ---- first use -------------------------------------------------------------------------

// Whichever call comes first, the trace is set up once: one file, one slot,
// the same state.
void expect_set_up_once(const std::string &dir)
{
    EXPECT_EQ(_sqdbg, SQDBG_BINARY);
    EXPECT_EQ(sqlidebug.count, 10);
    EXPECT_EQ(sqlidebug.slots[0].pid, getpid());
    EXPECT_EQ(sqlidebug.slots[1].pid, 0);
    EXPECT_EQ(sqlidebug.slots[0].tcb, CheckOsInit());
    EXPECT_NE(Inf_EVars, nullptr);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 2);
    EXPECT_EQ(read_file(dir + "/first_" + std::to_string(getpid())), std::string("SQLI\0\0\0\1", 8));
}

TEST_F(Trace, FirstUseThroughGgetenv)
{
    setenv("SQLIDEBUG", ("2:" + dir + "/first").c_str(), 1);
    EXPECT_NE(ggetenv("DBTEMP"), nullptr);
    expect_set_up_once(dir);
}

TEST_F(Trace, FirstUseThroughTheRegistryFile)
{
    // SQLIDEBUG from the system configuration file: the trace set-up's
    // lookup loads the registry inside the control block's creation.
    const std::string root = dir + "/root";
    std::filesystem::create_directories(root + "/etc");
    std::ofstream(root + "/etc/tarnwell.rc") << "SQLIDEBUG 2:" << dir << "/first\n";
    setenv("TARNWELLDIR", root.c_str(), 1);
    unsetenv("SQLIDEBUG");
    os_set_client_locale_init(nullptr);
    EXPECT_EQ(greadenv(), 0);
    EXPECT_EQ(_sqdbg, SQDBG_BINARY);
    EXPECT_EQ(sqlidebug.count, 10);
    EXPECT_TRUE(std::filesystem::exists(dir + "/first_" + std::to_string(getpid())));
}

TEST_F(Trace, FirstUseThroughChkglsinit)
{
    setenv("SQLIDEBUG", ("2:" + dir + "/first").c_str(), 1);
    EXPECT_EQ(chkglsinit(), 0);
    expect_set_up_once(dir);
}

TEST_F(Trace, FirstUseThroughCheckOsInit)
{
    setenv("SQLIDEBUG", ("2:" + dir + "/first").c_str(), 1);
    ASSERT_NE(CheckOsInit(), nullptr);
    expect_set_up_once(dir);
    EXPECT_NE(CheckGlsEnv()->locale, nullptr); // the client locale was initialised
}

TEST_F(Trace, FirstUseThroughDeccvasc)
{
    setenv("SQLIDEBUG", ("2:" + dir + "/first").c_str(), 1);
    decvalue d;
    EXPECT_EQ(deccvasc("12.50", 5, &d), 0);
    expect_set_up_once(dir);
}

TEST_F(Trace, FirstUseThroughOsSetlang)
{
    setenv("SQLIDEBUG", ("2:" + dir + "/first").c_str(), 1);
    EXPECT_EQ(OS_setlang("LC_CTYPE", "C"), 0);
    expect_set_up_once(dir);
}

} // namespace
