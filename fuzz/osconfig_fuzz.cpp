// libFuzzer target: the configuration-file reader of the settings registry
// over arbitrary bytes (binary garbage, huge lines, missing newlines, names
// without values, values at and past their limits), read into a loaded
// registry, followed by lookups of what it may have set.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool loaded = load_registry_without_files();
    if (!loaded || size == 0)
        return 0;
    std::vector<std::uint8_t> copy(data, data + size);
    std::FILE *stream = fmemopen(copy.data(), copy.size(), "r");
    if (stream == nullptr)
        return 0;
    int line = 0;
    const int status = osenv::read_config_stream(stream, "fuzz.rc", &line);
    std::fclose(stream);
    if (status != 0 && status != OSENV_ETOOLONG && status != OSENV_ENOMEM)
        std::abort();
    if (line < 0 || static_cast<std::size_t>(line) > size)
        std::abort();
    for (const char *name : {"DBPATH", "TARNWELLSERVER", "LANG", "DBNLS", "TRWCONFIG"})
        ggetenv(name);
    return 0;
}
