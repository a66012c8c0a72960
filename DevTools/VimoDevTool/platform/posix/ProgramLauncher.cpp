#include "platform/posix/ProgramLauncher.h"

#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vimo {

namespace {

// The name part of "NAME=value".
std::string variableName(const std::string& entry)
{
    return entry.substr(0, entry.find('='));
}

// A pipe whose ends are both above the standard streams, so that redirecting those in the child
// cannot overwrite them.
bool statusPipe(int fds[2])
{
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        if (fds[i] <= STDERR_FILENO) {
            const int moved = fcntl(fds[i], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
            close(fds[i]);
            fds[i] = moved;
        }
    }
    if (fds[0] < 0 || fds[1] < 0) {
        const int saved = errno;
        for (int i = 0; i < 2; ++i) {
            if (fds[i] >= 0) {
                close(fds[i]);
            }
        }
        errno = saved;
        return false;
    }
    return true;
}

// What the child reports through the status pipe when it cannot run the program.
struct ChildError
{
    int stage; // kChdirStage or kExecStage
    int error; // errno
};
constexpr int kChdirStage = 0;
constexpr int kExecStage = 1;

// Runs in the forked child: only async-signal-safe calls from here on.
[[noreturn]] void execChild(const char* executable, char* const argv[], char* const envp[],
                            const char* workingFolder, int statusFd)
{
    setsid();
    sigset_t all;
    sigemptyset(&all);
    sigprocmask(SIG_SETMASK, &all, nullptr);
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal : {SIGPIPE, SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGCHLD}) {
        sigaction(signal, &byDefault, nullptr);
    }
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (null > STDERR_FILENO) {
            close(null);
        }
    }
    // The tool's own descriptors (X connection, sockets, files) are none of the program's business.
    if (statusFd > STDERR_FILENO + 1) {
        close_range(STDERR_FILENO + 1, static_cast<unsigned>(statusFd - 1), 0);
    }
    close_range(static_cast<unsigned>(statusFd + 1), ~0U, 0);
    ChildError report = {kExecStage, 0};
    if (workingFolder[0] != '\0' && chdir(workingFolder) != 0) {
        report = {kChdirStage, errno};
    } else {
        execve(executable, argv, envp);
        report.error = errno;
    }
    ssize_t written;
    do {
        written = write(statusFd, &report, sizeof report);
    } while (written < 0 && errno == EINTR);
    _exit(127);
}

} // namespace

bool ProgramLauncher::isNativeExecutable(const std::string& path)
{
    struct stat info = {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        access(path.c_str(), X_OK) != 0) {
        return false;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char header[4] = {};
    const ssize_t count = read(fd, header, sizeof header);
    close(fd);
    if (count >= 4 && std::memcmp(header,
                                  "\x7f"
                                  "ELF",
                                  4) == 0) {
        return true;
    }
    return count >= 2 && header[0] == '#' && header[1] == '!';
}

std::string ProgramLauncher::findInPath(const std::string& name, const std::string& searchPath)
{
    if (name.empty() || name.find('/') != std::string::npos) {
        return {};
    }
    std::size_t begin = 0;
    while (begin <= searchPath.size()) {
        std::size_t end = searchPath.find(':', begin);
        if (end == std::string::npos) {
            end = searchPath.size();
        }
        const std::string folder = searchPath.substr(begin, end - begin);
        // An empty entry would mean the current folder: never run whatever happens to lie there.
        if (!folder.empty()) {
            const std::string candidate = folder + "/" + name;
            struct stat info = {};
            if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
        begin = end + 1;
    }
    return {};
}

int ProgramLauncher::spawn(const std::string& executable, const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment,
                           const std::string& workingFolder, Failure& failure)
{
    // Everything the child needs is prepared before fork: after it, only async-signal-safe calls.
    std::vector<std::string> envStrings;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string current(*entry);
        bool replaced = false;
        for (const std::string& added : environment) {
            replaced = replaced || variableName(added) == variableName(current);
        }
        if (!replaced) {
            envStrings.push_back(current);
        }
    }
    envStrings.insert(envStrings.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (std::string& entry : envStrings) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> argStrings(argv);
    std::vector<char*> args;
    for (std::string& arg : argStrings) {
        args.push_back(arg.data());
    }
    args.push_back(nullptr);

    int fds[2];
    if (!statusPipe(fds)) {
        failure = failureFromErrno(errno, fromUtf8(executable));
        return -1;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        failure = failureFromErrno(errno, fromUtf8(executable));
        close(fds[0]);
        close(fds[1]);
        return -1;
    }
    if (pid == 0) {
        close(fds[0]);
        execChild(executable.c_str(), args.data(), envp.data(), workingFolder.c_str(), fds[1]);
    }
    close(fds[1]);
    // The pipe closes on a successful exec; a failed one sends what failed first.
    ChildError report = {};
    ssize_t count;
    do {
        count = read(fds[0], &report, sizeof report);
    } while (count < 0 && errno == EINTR);
    close(fds[0]);
    if (count == static_cast<ssize_t>(sizeof report)) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        failure = failureFromErrno(
            report.error, fromUtf8(report.stage == kChdirStage ? workingFolder : executable));
        return -1;
    }
    return pid;
}

void ProgramLauncher::reapLater(int pid)
{
    try {
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: try once now, and otherwise leave the exit to be collected by
        // whoever inherits the process.
        int status = 0;
        waitpid(pid, &status, WNOHANG);
    }
}

std::optional<int> ProgramLauncher::awaitEarlyExit(int pid, std::chrono::milliseconds patience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return status;
        }
        if (done < 0 && errno != EINTR) {
            return std::nullopt; // someone else collected it
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            reapLater(pid);
            return std::nullopt;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

std::string ProgramLauncher::describeStatus(int status)
{
    if (WIFEXITED(status)) {
        return "exit status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = strsignal(signal);
        return "signal " + std::to_string(signal) + (name ? std::string(" (") + name + ")" : "");
    }
    return "wait status " + std::to_string(status);
}

Failure ProgramLauncher::start(const std::u16string& program,
                               const std::vector<std::u16string>& arguments,
                               const std::u16string& workingFolder, const std::string& wine,
                               const std::string& winePrefix)
{
    const std::string path = toUtf8(program);
    struct stat info = {};
    if (path.empty() || stat(path.c_str(), &info) != 0) {
        return failureFromErrno(path.empty() ? ENOENT : errno, program);
    }
    if (!S_ISREG(info.st_mode)) {
        return Failure{E_FAIL, program, "it is not a file"};
    }
    std::string executable;
    std::vector<std::string> argv;
    std::vector<std::string> environment;
    if (isNativeExecutable(path)) {
        executable = path;
    } else {
        if (wine.empty()) {
            return Failure{E_FAIL, program, "wine was not found on PATH"};
        }
        if (winePrefix.empty()) {
            return Failure{E_INVALIDARG, program, "WINEPREFIX is not an absolute path"};
        }
        executable = wine;
        argv.push_back(executable);
        environment.push_back("WINEPREFIX=" + winePrefix);
    }
    argv.push_back(path);
    for (const std::u16string& argument : arguments) {
        argv.push_back(toUtf8(argument));
    }
    // Wine itself starts at once and ends with a failure status when it cannot run the program;
    // so does a native program that cannot start. An exit with status 0 is a program that did its
    // work (a second start handing over to the first).
    return spawnAndWatch(executable, argv, environment, toUtf8(workingFolder), program,
                         executable == path ? "it ended at once" : "wine ended at once");
}

Failure ProgramLauncher::spawnAndWatch(const std::string& executable,
                                       const std::vector<std::string>& argv,
                                       const std::vector<std::string>& environment,
                                       const std::string& workingFolder,
                                       const std::u16string& subject, const std::string& whatEnded)
{
    Failure failure;
    const int pid = spawn(executable, argv, environment, workingFolder, failure);
    if (pid < 0) {
        return failure;
    }
    const auto status = awaitEarlyExit(pid, kPatience);
    if (status && (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0)) {
        return Failure{E_FAIL, subject, whatEnded + " with " + describeStatus(*status)};
    }
    return {};
}

} // namespace vimo
