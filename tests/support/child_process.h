// Runs a program or a function in a child process with its standard output
// sent to a pipe, a file, or closed, and reports what it wrote and how it
// ended. Used by tests of behaviour that ends the process or that depends on
// first-use state.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace trwtest {

enum class Stdout { Pipe, File, Closed };

struct ChildResult {
    std::string out;  // bytes written to standard output (empty when closed)
    int exit_status;  // exit status, or -1 when killed by a signal
};

ChildResult run_program(const std::string &path, const std::vector<std::string> &args,
                        Stdout mode = Stdout::Pipe);
ChildResult run_function(const std::function<int()> &body, Stdout mode = Stdout::Pipe);

} // namespace trwtest
