// libFuzzer target for the loading of the settings registry: the input's
// first byte sets the process environment the loader looks at (DBNLS unset,
// "1", "2" or empty; LANG; LC_COLLATE empty; LC_CTYPE; user-defined
// variables; a home directory with or without a per-user file, or one whose
// name is longer than the loader keeps), the rest is split at bytes 0x01
// into the system file, the per-user file and ENVIGNORE. The registry is
// freed and loaded from them. Properties: the load ends in one of its
// statuses; a name ENVIGNORE lists keeps its default (the language names
// aside, which the old-style mode settles); in the old-style mode every
// settled category has a value; loading the same files again gives the same
// status and the same registry.
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
                                 "LC_NUMERIC", "LC_TIME", "ENVIGNORE"};

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
    const std::string ignore = has_ignore ? input.substr(cut2 + 1).c_str() : "";

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
