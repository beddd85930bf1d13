// Helpers of the locale loading tests: the locale files of the data tree
// (TARNWELLDIR), a record loaded and freed with its scope, and edited copies
// of a file's text.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "gl_locale.h"

namespace trwtest {

// The locale files of the data tree the build lays out.
inline std::string locale_dir() { return std::string(std::getenv("TARNWELLDIR")) + "/gls/lc11"; }

// A record loaded by gl_lc_load, freed with the object.
struct Loaded {
    gl_locale *loc = nullptr;
    int rc = 0;
    explicit Loaded(const std::string &spec, const char *dir = nullptr)
    {
        rc = gl_lc_load(&loc, spec.c_str(), nullptr, dir);
    }
    ~Loaded() { gl_lc_unload(loc); }
    Loaded(const Loaded &) = delete;
    Loaded &operator=(const Loaded &) = delete;
};

inline std::string text_file(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// s with the first `from` replaced by `to` (a failure when there is none).
inline std::string replace_once(std::string s, const std::string &from, const std::string &to)
{
    size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        s.replace(at, from.size(), to);
    return s;
}

} // namespace trwtest
