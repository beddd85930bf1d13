// libFuzzer target for the loading of the settings registry: the input's
// first byte sets the process environment the loader looks at (DBNLS unset,
// "1", "2" or empty; LANG; LC_COLLATE empty; LC_CTYPE; user-defined
// variables; a home directory with or without a per-user file, or one whose
// name is longer than the loader keeps), the rest is split at bytes 0x01
// into the system file, the per-user file, ENVIGNORE and a TARNWELLSERVER for
// the process environment. The registry is
// freed and loaded from them. Properties: the load ends in one of its
// statuses; a name ENVIGNORE lists keeps its default (the language names
// aside, which the old-style mode settles); in the old-style mode every
// settled category has a value; loading the same files again gives the same
// status and the same registry; and the lookups with client locale hooks
// installed (see check_lookups).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "../oslib/osenvint.h"
#include "osclient.h"
#include "osenv.h"

namespace {

// A home directory whose name passes the 64 bytes the loader keeps: its
// first 64 bytes name the directory the per-user file is looked for in.
std::string cut_home(const std::string &dir)
{
    const std::string prefix = dir + "/home/";
    return prefix + std::string(64 - prefix.size(), 'h');
}

const std::string &work_dir()
{
    static const std::string dir = [] {
        char tmpl[] = "/tmp/osenvfzXXXXXX";
        if (mkdtemp(tmpl) == nullptr)
            std::abort();
        const std::string d = tmpl;
        mkdir((d + "/etc").c_str(), 0700);
        mkdir((d + "/home").c_str(), 0700);
        mkdir(cut_home(d).c_str(), 0700);
        return d;
    }();
    return dir;
}

std::string home_dir = "/nonexistent-tarnwell-home";

const char *fuzz_home() { return home_dir.c_str(); }

void write_file(const std::string &path, const std::string &bytes)
{
    if (std::FILE *out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
}

using Registry = std::vector<std::pair<std::string, std::string>>;

Registry snapshot()
{
    Registry r;
    for (int i = 0; i < Num_EVars; ++i)
        r.emplace_back(Inf_EVars[i].name != nullptr ? Inf_EVars[i].name : "<none>",
                       Inf_EVars[i].value != nullptr ? Inf_EVars[i].value : "<null>");
    return r;
}

bool language_name(const std::string &name)
{
    return name == "DBNLS" || name == "LANG" || name.rfind("LC_", 0) == 0;
}

const os_udenv kUserDefined[] = {{"FUZZ_SETTING", "default"}, {"FUZZ_EMPTY", nullptr}, {nullptr, nullptr}};

const char *const kEnvNames[] = {"DBNLS", "LANG", "LC_COLLATE", "LC_CTYPE", "LC_MONETARY",
                                 "LC_NUMERIC", "LC_TIME", "ENVIGNORE", "TARNWELLSERVER"};

// Client locale hooks of this target: DBDATE and GL_DATE fixed, and values
// with bytes above 0x7F converted by reversing them (those starting with
// 0xFF cannot be converted).
const char *fixed_value(const char *name)
{
    return std::strcmp(name, "DBDATE") == 0 ? "Y4MD-" : std::strcmp(name, "GL_DATE") == 0 ? "%Y %m %d" : nullptr;
}

char *reversed(const char *value)
{
    if (static_cast<unsigned char>(value[0]) == 0xFF)
        return nullptr;
    const std::string r(value);
    char *out = osenv::copy_text(std::string(r.rbegin(), r.rend()).c_str());
    return out;
}

const os_client_locale_hooks kHooks = {nullptr, fixed_value, reversed, nullptr, nullptr, nullptr};

bool has_high_byte(const std::string &s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) > 0x7F)
            return true;
    return false;
}

// The lookups with the hooks installed and TARNWELLSERVER set to value in the
// process environment: the registry lookups see the value converted (the
// same text again while it stays), the others the value as set (refused
// past the maximum), the fixed names their fixed texts in any case.
void check_lookups(const std::string &value)
{
    os_set_client_locale_hooks(&kHooks);
    setenv("TARNWELLSERVER", value.c_str(), 1);
    const std::string r(value.rbegin(), value.rend());
    const bool converts = has_high_byte(value) && static_cast<unsigned char>(value[0]) != 0xFF;
    const int maxlen = ggetmaxlenbyname("TARNWELLSERVER");
    const bool too_long = maxlen > 0 && value.size() > static_cast<std::size_t>(maxlen);
    for (int round = 0; round < 2; ++round) {
        const char *converted = ggetenv2("TARNWELLSERVER");
        const char *again = idx_ggetenv2("TARNWELLSERVER", -1);
        const std::string expected = converts ? r : value;
        const bool refused = maxlen > 0 && expected.size() > static_cast<std::size_t>(maxlen);
        if (refused ? converted != nullptr || gerrno != OSENV_ETOOLONG
                    : converted == nullptr || expected != converted || again != converted)
            std::abort();
        const char *raw = ggetenv("TARNWELLSERVER");
        if (too_long ? raw != nullptr : raw == nullptr || value != raw)
            std::abort();
        const char *session = getsesenv("TARNWELLSERVER");
        const char *oledb = ggetenv_oledb("TARNWELLSERVER");
        if ((session == nullptr) != (raw == nullptr) || oledb == nullptr || value != oledb)
            std::abort();
        setenv("TARNWELLSERVER", (value + "\xe9").c_str(), 1); // a changed value is converted anew
        const char *changed = ggetenv2("TARNWELLSERVER");
        const std::string changed_expected = std::string("\xe9") + r;
        if (changed != nullptr && static_cast<unsigned char>(value[0]) != 0xFF && changed_expected != changed)
            std::abort();
        setenv("TARNWELLSERVER", value.c_str(), 1);
    }
    // A second converted name beside the first: each keeps its own text.
    setenv("DBPATH", "/caf\xe9", 1);
    const char *path = ggetenv2("DBPATH");
    const char *server = ggetenv2("TARNWELLSERVER");
    if (path == nullptr || std::strcmp(path, "\xe9" "fac/") != 0 || ggetenv2("DBPATH") != path ||
        (server != nullptr && ggetenv2("TARNWELLSERVER") != server))
        std::abort();
    unsetenv("DBPATH");
    const char *fixed = ggetglsenv("dbDate"), *date = ggetenv("DBDATE"), *oledb = ggetenv_oledb("GL_DATE");
    if (fixed == nullptr || std::strcmp(fixed, "Y4MD-") != 0 || date != fixed || oledb == nullptr ||
        std::strcmp(oledb, "%Y %m %d") != 0 || ggetglsenv("DBPATH") != nullptr)
        std::abort();
    os_set_client_locale_hooks(nullptr);
    if (ggetglsenv("DBDATE") != nullptr)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("TARNWELLDIR", work_dir().c_str(), 1);
    osenv::set_home_lookup(fuzz_home);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (size == 0 || size > 8192)
        return 0;
    const uint8_t flags = data[0];
    const std::string input(reinterpret_cast<const char *>(data) + 1, size - 1);
    const std::size_t cut1 = input.find('\x01');
    const std::size_t cut2 = cut1 == std::string::npos ? cut1 : input.find('\x01', cut1 + 1);
    const std::string system_file = input.substr(0, cut1);
    const std::string user_file = cut1 == std::string::npos ? "" : input.substr(cut1 + 1, cut2 - cut1 - 1);
    const bool has_ignore = cut2 != std::string::npos;
    const std::size_t cut3 = has_ignore ? input.find('\x01', cut2 + 1) : std::string::npos;
    const std::string ignore = has_ignore ? input.substr(cut2 + 1, cut3 - cut2 - 1).c_str() : "";
    const std::string server = cut3 != std::string::npos ? input.substr(cut3 + 1).c_str() : "";

    for (const char *name : kEnvNames)
        unsetenv(name);
    static const char *const dbnls[] = {nullptr, "1", "2", ""};
    if (dbnls[flags & 3] != nullptr)
        setenv("DBNLS", dbnls[flags & 3], 1);
    if (flags & 4)
        setenv("LANG", "fr_FR.8859-1", 1);
    if (flags & 8)
        setenv("LC_COLLATE", "", 1);
    if (flags & 16)
        setenv("LC_CTYPE", "de_DE.8859-1", 1);
    if (has_ignore)
        setenv("ENVIGNORE", ignore.c_str(), 1);
    gsetudenv(flags & 32 ? kUserDefined : nullptr);
    const std::string &dir = work_dir();
    write_file(dir + "/etc/tarnwell.rc", system_file);
    if (flags & 128) {
        home_dir = cut_home(dir) + "-not-this-one";
        write_file(cut_home(dir) + "/.tarnwell", user_file);
    } else if (flags & 64) {
        home_dir = dir + "/home";
        write_file(home_dir + "/.tarnwell", user_file);
    } else {
        home_dir = "/nonexistent-tarnwell-home";
    }

    gFreeEVars();
    const int status = greadenv();
    if (status != 0 && status != OSENV_ETOOLONG && status != OSENV_ENOMEM)
        std::abort();
    const Registry first = snapshot();

    // ENVIGNORE: the files set none of the names it lists.
    for (std::size_t at = 0; has_ignore && at <= ignore.size();) {
        const std::size_t end = std::min(ignore.find(':', at), ignore.size());
        const std::string name = ignore.substr(at, end - at);
        at = end + 1;
        if (name.empty() || language_name(name) || std::getenv(name.c_str()) != nullptr)
            continue;
        const char *defval = nullptr;
        if (gdefenv(name.c_str(), &defval) != 0)
            continue;
        const char *value = ggetenv2(name.c_str());
        if ((value == nullptr) != (defval == nullptr) || (value != nullptr && std::strcmp(value, defval) != 0))
            std::abort();
    }
    // The old-style mode settles every category to a value.
    if ((flags & 3) == 1 || (flags & 3) == 2) {
        for (const char *name : {"LC_COLLATE", "LC_CTYPE", "LC_MONETARY", "LC_NUMERIC", "LC_TIME"}) {
            const char *value = ggetenv2(name);
            if (status == 0 && (value == nullptr || *value == '\0'))
                std::abort();
        }
    }
    // The lookups agree with the registry where the environment is silent.
    for (const auto &[name, value] : first) {
        if (std::getenv(name.c_str()) != nullptr)
            continue;
        const char *v = idx_ggetenv2(name.c_str(), -1);
        if (value != (v != nullptr ? v : "<null>"))
            std::abort();
    }

    if (!server.empty() && status == 0)
        check_lookups(server);
    unsetenv("TARNWELLSERVER");
    // Names outside the table and the user-defined ones.
    const char *defval = nullptr;
    if (gdefenv("FUZZ_SETTING", &defval) != ((flags & 32) ? 0 : -1) ||
        ggetmaxlenbyname("FUZZ_SETTING") != ((flags & 32) ? 0 : -1) || gdefenv(nullptr, nullptr) != -1 ||
        ggetmaxlenbyname(nullptr) != -1 || ggetenv2("NO_SUCH_SETTING") != nullptr || gerrno != OSENV_EUNKNOWN ||
        ginsenv(nullptr, "x") != OSENV_ENONAME || idx_ggetenv2(nullptr, -1) != nullptr || gerrno != OSENV_ENONAME)
        std::abort();

    // Indexed lookups: an index outside the registry finds nothing; one
    // whose row is not the name's falls back to the name.
    if (std::getenv("DBPATH") == nullptr && (idx_ggetenv2("DBPATH", 1 << 20) != nullptr || gerrno != OSENV_EUNKNOWN))
        std::abort();
    if ((flags & 32) && idx_ggetenv2("FUZZ_SETTING", Num_DVals) != ggetenv2("FUZZ_SETTING"))
        std::abort();
    // The warning writers: the name's maximum from the table, "(Unknown)"
    // for no name, nothing for an empty format.
    char warning[512] = {};
    if (std::FILE *stream = fmemopen(warning, sizeof warning - 1, "w")) {
        trw_log_envvar_error_fp(stream, nullptr, 1 << 20, 0, "fuzz.rc", 3, OSENV_ETOOLONG);
        trw_log_error(stream, "");
        std::fclose(stream);
        if (std::strstr(warning, "(Unknown)") == nullptr || std::strstr(warning, "File: fuzz.rc, line: 3") == nullptr)
            std::abort();
    }

    // The environment a load changed (an empty category it settled) is
    // put back, so that the second load sees the same one.
    if (flags & 8)
        setenv("LC_COLLATE", "", 1);
    gFreeEVars();
    if (greadenv() != status || snapshot() != first)
        std::abort();
    gFreeEVars();
    gsetudenv(nullptr);
    return 0;
}
