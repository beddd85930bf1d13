// Helpers of the message catalog tests: catalogs packed byte by byte (not by
// the compiler), installation trees with the locale files linked in, and
// the descriptor count of the process.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "glslib/temp_tree.h"

namespace msgtest {

using Texts = std::vector<std::pair<int32_t, std::string>>;

inline void put16(std::string &out, uint32_t v)
{
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v));
}

inline void put32(std::string &out, uint32_t v)
{
    put16(out, v >> 16);
    put16(out, v & 0xFFFF);
}

// A catalog of the entries in the order given (the caller sorts them), in
// the long form when asked.
inline std::string pack(const Texts &entries, bool long_form = false)
{
    const std::size_t entry_size = long_form ? 10 : 8;
    std::string out;
    put16(out, long_form ? 0xFE69 : 0xFE68);
    put16(out, static_cast<uint32_t>(entries.size()));
    uint32_t offset = static_cast<uint32_t>(4 + entries.size() * entry_size);
    for (const auto &[number, text] : entries) {
        if (long_form)
            put32(out, static_cast<uint32_t>(number));
        else
            put16(out, static_cast<uint32_t>(number) & 0xFFFF);
        put16(out, static_cast<uint32_t>(text.size()));
        put32(out, offset);
        offset += static_cast<uint32_t>(text.size());
    }
    for (const auto &entry : entries)
        out += entry.second;
    return out;
}

// A temporary installation directory holding the build's locale files (a
// link to its gls directory) and catalogs the test writes.
class InstallTree : public trwtest::TempTree {
public:
    InstallTree()
    {
        std::filesystem::create_directory_symlink(std::string(std::getenv("TARNWELLDIR")) + "/gls", path("gls"));
    }
    // Writes a catalog of the entries, sorted, as root/dir/leaf (dir may be
    // empty).
    std::string catalog(const std::string &dir, const std::string &leaf, Texts entries) const
    {
        std::sort(entries.begin(), entries.end());
        return write(dir.empty() ? leaf : dir + "/" + leaf, pack(entries));
    }
};

// The number of open descriptors of the process.
inline int open_descriptors()
{
    int n = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

// The size of the random sweeps: a sample unless TRW_TEST_FULL=1.
inline int sweep(int sample, int full)
{
    const char *all = std::getenv("TRW_TEST_FULL");
    return all != nullptr && std::string(all) == "1" ? full : sample;
}

} // namespace msgtest
