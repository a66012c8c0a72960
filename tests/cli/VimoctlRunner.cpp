#include "VimoctlRunner.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace vimo::test {

VimoctlRunner::VimoctlRunner() : VimoctlRunner(VIMOCTL_PROGRAM) {}

VimoctlRunner::VimoctlRunner(std::filesystem::path program) : m_program(std::move(program))
{
    // Nothing of the machine: no program to find, no home, no display, no processes.
    env["PATH"] = "";
    env["HOME"] = "/nonexistent";
    env["VIMO_TEST_PROCESS_TABLE"] = "";
    // The suite's run mark, so that a check after the suite can find what it left running.
    if (const char* run = std::getenv("VIMO_TEST_RUN")) {
        env["VIMO_TEST_RUN"] = run;
    }
}

pid_t VimoctlRunner::spawn(const std::vector<std::string>& args, int out, int err,
                           std::initializer_list<int> closeInChild) const
{
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : env) {
        envStrings.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& entry : envStrings) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string program = m_program.string();
    std::vector<std::string> argStrings = args;
    std::vector<char*> argv{program.data()};
    for (std::string& arg : argStrings) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        int output = out;
        if (!outputFile.empty()) {
            output = open(outputFile.c_str(), O_WRONLY | O_CLOEXEC);
            if (output < 0) {
                _exit(126);
            }
        }
        dup2(output, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        for (const int fd : closeInChild) {
            close(fd);
        }
        if (out != STDOUT_FILENO && out != err) {
            close(out);
        }
        if (err != STDERR_FILENO) {
            close(err);
        }
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

pid_t VimoctlRunner::start(const std::vector<std::string>& args) const
{
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) {
        throw std::runtime_error("/dev/null cannot be opened");
    }
    const pid_t pid = spawn(args, null, null, {});
    close(null);
    return pid;
}

VimoctlResult VimoctlRunner::run(const std::vector<std::string>& args) const
{
    int outPipe[2];
    int errPipe[2];
    if (terminal) {
        if (openpty(&outPipe[0], &outPipe[1], nullptr, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
    } else if (pipe(outPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    if (pipe(errPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t pid = spawn(args, outPipe[1], errPipe[1], {outPipe[0], errPipe[0]});
    close(outPipe[1]);
    close(errPipe[1]);

    VimoctlResult result;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else { // end of file, or EIO from a terminal whose other side is closed
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace vimo::test
