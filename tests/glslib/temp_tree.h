// A temporary directory tree for tests that need data files on disk,
// removed with everything in it when the object goes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace trwtest {

class TempTree {
public:
    TempTree()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "glstest.XXXXXX").string();
        root_ = mkdtemp(pattern.data());
    }
    ~TempTree()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempTree(const TempTree &) = delete;
    TempTree &operator=(const TempTree &) = delete;

    const std::string &root() const { return root_; }
    std::string path(const std::string &relative) const { return root_ + "/" + relative; }

    // Writes text to root/relative, creating the directories on the way.
    std::string write(const std::string &relative, const std::string &text) const
    {
        std::string full = path(relative);
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary) << text;
        return full;
    }

private:
    std::string root_;
};

} // namespace trwtest
