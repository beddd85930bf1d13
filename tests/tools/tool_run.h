// Runs a shell command line for the tool tests and collects its exit status,
// standard output and standard error (through files in a temporary tree).
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "glslib/temp_tree.h"

namespace trwtest {

struct ToolRun {
    int status = -1; // exit status, -1 when killed
    std::string out, err;
};

inline std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs `command` with sh; its output goes to files of tree.
inline ToolRun run_tool(const TempTree &tree, const std::string &command)
{
    const std::string out = tree.path("run.out"), err = tree.path("run.err");
    int raw = std::system(("{ " + command + " ; } >" + out + " 2>" + err).c_str());
    ToolRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = read_file(out);
    r.err = read_file(err);
    return r;
}

// A text quoted for sh.
inline std::string quoted(const std::string &s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace trwtest
