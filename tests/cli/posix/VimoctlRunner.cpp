#include "VimoctlRunner.h"

#include "support/Fixtures.h"

#include <cerrno>
#include <csignal>
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

void VimoctlRunner::findInstallation(InstallationFixture& install, bool registered)
{
    env["WINEPREFIX"] = (registered ? install.prefix() : install.root() / "nowhere").string();
}

VimoctlResult VimoctlRunner::run(const std::vector<std::string>& args) const
{
    int fds[2];
    const int pid = spawn(args, fds);
    Background running;
    running.m_pid = pid;
    running.m_fds[0] = fds[0];
    running.m_fds[1] = fds[1];
    while (running.m_fds[0] >= 0 || running.m_fds[1] >= 0) {
        running.readAvailable(-1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    running.m_pid = -1;
    running.m_result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return running.m_result;
}

std::unique_ptr<VimoctlRunner::Background>
VimoctlRunner::start(const std::vector<std::string>& args) const
{
    auto running = std::make_unique<Background>();
    running->m_pid = spawn(args, running->m_fds);
    return running;
}

VimoctlRunner::Background::~Background()
{
    if (m_pid > 0) {
        stop(SIGKILL);
    }
    for (int fd : m_fds) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

void VimoctlRunner::Background::readAvailable(int timeoutMs)
{
    pollfd fds[2] = {{m_fds[0], POLLIN, 0}, {m_fds[1], POLLIN, 0}};
    std::string* sinks[2] = {&m_result.out, &m_result.err};
    if (poll(fds, 2, timeoutMs) <= 0) {
        return;
    }
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
            continue;
        }
        char buffer[4096];
        const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
            sinks[i]->append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 ||
                   errno != EINTR) { // end, or EIO from a terminal closed on the other side
            close(fds[i].fd);
            m_fds[i] = -1;
        }
    }
}

bool VimoctlRunner::Background::waitForOutput(const std::string& text,
                                              std::chrono::milliseconds timeout, bool onError)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const std::string& sink = onError ? m_result.err : m_result.out;
    while (sink.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || (m_fds[0] < 0 && m_fds[1] < 0)) {
            return false;
        }
        readAvailable(static_cast<int>(left.count()));
    }
    return true;
}

int VimoctlRunner::Background::stop(int signal)
{
    if (m_pid <= 0) {
        return m_result.exitCode;
    }
    kill(m_pid, signal);
    while (m_fds[0] >= 0 || m_fds[1] >= 0) {
        readAvailable(5000);
    }
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    m_result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m_result.exitCode;
}

int VimoctlRunner::spawn(const std::vector<std::string>& args, int fds[2]) const
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
        if (!outputFile.empty()) {
            const int file = open(outputFile.c_str(), O_WRONLY | O_CLOEXEC);
            if (file < 0) {
                _exit(126);
            }
            dup2(file, outPipe[1]);
        }
        if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0) {
            _exit(126);
        }
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(outPipe[0]);
        close(errPipe[0]);
        close(outPipe[1]);
        close(errPipe[1]);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    fds[0] = outPipe[0];
    fds[1] = errPipe[0];
    return pid;
}

} // namespace vimo::test
