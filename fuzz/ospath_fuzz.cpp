// libFuzzer target: the OS layer's path helpers and the SQLIDEBUG value
// parser over arbitrary bytes. The input is split at its first 0x00 into
// texts; the invariants checked: a ggetpelm walk ends, gbldpath has the
// length of its parts, gbasename holds no "/", gpathname is a prefix of its
// path, and the trace set-up only ever creates files inside its own
// temporary directory (the name's "/" are replaced) and never crashes.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "osenv.h"
#include "osfile.h"
#include "osinit.h"
#include "osqlidbg.h"

namespace {

const std::string &trace_dir()
{
    static const std::string dir = [] {
        char pattern[] = "/tmp/trw-ospath-fuzz-XXXXXX";
        const char *made = mkdtemp(pattern);
        if (made == nullptr)
            std::abort();
        return std::string(made);
    }();
    return dir;
}

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void fuzz_paths(const std::string &a, const std::string &b, const std::string &c)
{
    char *built = gbldpath(a.c_str(), b.c_str(), c.c_str());
    check(built != nullptr && std::strlen(built) == a.size() + 1 + b.size() + c.size());
    std::free(built);
    char *cat = gcatfpath(nullptr, b.c_str());
    check(cat != nullptr && std::strlen(cat) == b.size() + 1);
    std::free(cat);
    std::free(gcatspath(a.c_str(), b.c_str()));

    const char *p = a.c_str();
    std::size_t steps = 0;
    while (char *element = ggetpelm(&p)) {
        check(std::strchr(element, ':') == nullptr);
        std::free(element);
        check(++steps <= a.size() + 1);
    }
    check(*p == '\0');

    if (char *base = gbasename(a.c_str(), b.c_str())) {
        check(std::strchr(base, '/') == nullptr && *base != '\0');
        std::free(base);
    }
    if (char *dir = gpathname(a.c_str())) {
        check(std::strcmp(dir, "/") == 0 || a.compare(0, std::strlen(dir), dir) == 0);
        std::free(dir);
    }
}

void fuzz_temp_name(const std::string &text)
{
    std::string t = trace_dir() + "/" + text.substr(0, 64);
    for (std::size_t i = trace_dir().size() + 1; i < t.size(); ++i)
        if (t[i] == '/')
            t[i] = '_';
    const std::string before = t;
    char *result = gmktemp(t.data());
    check(result == nullptr || result == t.data());
    check(t.size() == before.size());
}

void fuzz_sqlidebug(const std::string &value)
{
    // The mode bytes as given, the name moved into the temporary directory.
    std::string v = value.substr(0, 2);
    std::string name = value.size() > 2 ? value.substr(2, 200) : "";
    for (char &ch : name)
        if (ch == '/')
            ch = '_';
    if (v.size() == 2 && v[1] == ':')
        v += trace_dir() + "/" + name;
    else
        v += name;
    setenv("SQLIDEBUG", v.c_str(), 1);
    ostcb *block = CheckOsInit();
    _sqdbgsetup(block);
    check(_sqdbg == SQDBG_OFF || _sqdbg == SQDBG_TEXT || _sqdbg == SQDBG_BINARY);
    if (_sqdbgfile != 2) {
        dump_write_buffer(value.data(), static_cast<int>(value.size()), block, 1);
        dump_read_buffer(-1, value.data(), block, 1);
        trace_connect(static_cast<int>(value.size() % 4), name.c_str(), v.c_str(), 1);
        close(_sqdbgfile);
        _sqdbgfile = 2;
    }
    _sqdbg = SQDBG_OFF;
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(trace_dir(), ignored))
        std::filesystem::remove_all(entry.path(), ignored);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool ready = [] {
        // The registry without any configuration file.
        setenv("TARNWELLDIR", "/nonexistent-tarnwell", 1);
        unsetenv("SQLIDEBUG");
        // Relative trace names ("1") land in the temporary directory.
        // (A failed client locale initialisation makes only the first call
        // report null; the block exists.)
        CheckOsInit();
        return chdir(trace_dir().c_str()) == 0 && CheckOsInit() != nullptr;
    }();
    if (!ready)
        return 0;
    std::string text(reinterpret_cast<const char *>(data), size);
    std::string parts[3];
    std::size_t at = 0;
    for (std::string &part : parts) {
        const std::size_t end = text.find('\0', at);
        part = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    fuzz_paths(parts[0], parts[1], parts[2]);
    fuzz_temp_name(parts[0]);
    fuzz_sqlidebug(parts[1].empty() ? parts[0] : parts[1]);
    return 0;
}
