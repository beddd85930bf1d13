// Child-process runner for tests: fork, redirect descriptor 1, wait, collect.
#include "support/child_process.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace trwtest {
namespace {

std::string read_all(int fd)
{
    std::string data;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        data.append(buf, static_cast<size_t>(n));
    return data;
}

ChildResult run(const std::function<void()> &in_child, Stdout mode)
{
    int fds[2] = {-1, -1};
    char path[] = "/tmp/trwtest-stdout-XXXXXX";
    int file = -1;
    if (mode == Stdout::Pipe && pipe(fds) != 0)
        return {"", -2};
    if (mode == Stdout::File && (file = mkstemp(path)) < 0)
        return {"", -2};
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (mode == Stdout::Pipe) {
            dup2(fds[1], 1);
            close(fds[0]);
            close(fds[1]);
        } else if (mode == Stdout::File) {
            dup2(file, 1);
            close(file);
        } else {
            close(1);
        }
        in_child();
        _exit(127);
    }
    ChildResult result{"", -1};
    if (mode == Stdout::Pipe) {
        close(fds[1]);
        result.out = read_all(fds[0]);
        close(fds[0]);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (mode == Stdout::File) {
        lseek(file, 0, SEEK_SET);
        result.out = read_all(file);
        close(file);
        unlink(path);
    }
    result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace

ChildResult run_program(const std::string &path, const std::vector<std::string> &args,
                        Stdout mode)
{
    return run(
        [&] {
            std::vector<char *> argv;
            argv.push_back(const_cast<char *>(path.c_str()));
            for (const auto &a : args)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(path.c_str(), argv.data());
        },
        mode);
}

ChildResult run_function(const std::function<int()> &body, Stdout mode)
{
    return run([&] { std::exit(body()); }, mode);
}

} // namespace trwtest
