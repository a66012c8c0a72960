#include "support/ChildProcesses.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vimo::test {

bool canFork()
{
    return true;
}

int runInChild(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

void killChildAfter(const std::function<void()>& body, std::chrono::microseconds delay)
{
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

std::vector<std::string> runTogether(int count, const std::function<std::string()>& body)
{
    int results[2];
    int start[2];
    if (::pipe(results) != 0 || ::pipe(start) != 0) {
        return {};
    }
    for (int i = 0; i < count; ++i) {
        if (::fork() == 0) {
            ::close(start[1]);
            char go = 0;
            [[maybe_unused]] const ssize_t none = ::read(start[0], &go, 1); // until all start
            const std::string line = body() + "\n";
            [[maybe_unused]] const ssize_t written = ::write(results[1], line.data(), line.size());
            ::_exit(0);
        }
    }
    ::close(start[0]);
    ::close(start[1]);
    ::close(results[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(results[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(results[0]);
    while (::waitpid(-1, nullptr, 0) > 0) {
    }
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

void limitFileSize(std::uint64_t bytes)
{
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

long endedProcessId()
{
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    return ended;
}

long runningProcessId()
{
    return 1; // init runs as long as the system does
}

} // namespace vimo::test
