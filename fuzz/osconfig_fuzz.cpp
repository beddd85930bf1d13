// libFuzzer target: the configuration-file reader of the settings registry
// over arbitrary bytes (binary garbage, huge lines, missing newlines, names
// without values, values at and past their limits), read into a loaded
// registry, followed by lookups of what it may have set; a second reading of
// the same bytes must change nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../oslib/osenvint.h"
#include "osenv.h"

namespace {

bool load_registry_without_files()
{
    setenv("TARNWELLDIR", "/nonexistent-tarnwell", 1);
    osenv::set_home_lookup([] { return "/nonexistent-tarnwell-home"; });
    return greadenv() == 0;
}

int read_bytes(const std::vector<std::uint8_t> &bytes, int *line)
{
    std::vector<std::uint8_t> copy = bytes;
    std::FILE *stream = fmemopen(copy.data(), copy.size(), "r");
    if (stream == nullptr)
        std::abort();
    *line = 0;
    const int status = osenv::read_config_stream(stream, "fuzz.rc", line);
    std::fclose(stream);
    return status;
}

// What the lookups give for the names a settings file may set.
std::vector<std::string> lookups()
{
    std::vector<std::string> values;
    for (const char *name : {"DBPATH", "TARNWELLSERVER", "LANG", "DBNLS", "TRWCONFIG", "CLIENT_LOCALE", "DBDATE",
                             "DBMONEY"}) {
        const char *v = ggetenv(name);
        values.emplace_back(v != nullptr ? v : "<unset>");
    }
    return values;
}

} // namespace

// Properties: a status of the reader, a line count within the text, and
// reading the same file again gives the same status and line count and
// changes no setting.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool loaded = load_registry_without_files();
    if (!loaded || size == 0)
        return 0;
    const std::vector<std::uint8_t> bytes(data, data + size);
    int line = 0;
    const int status = read_bytes(bytes, &line);
    if (status != 0 && status != OSENV_ETOOLONG && status != OSENV_ENOMEM)
        std::abort();
    if (line < 0 || static_cast<std::size_t>(line) > size)
        std::abort();
    const std::vector<std::string> first = lookups();
    int again_line = 0;
    if (read_bytes(bytes, &again_line) != status || again_line != line || lookups() != first)
        std::abort();
    return 0;
}
