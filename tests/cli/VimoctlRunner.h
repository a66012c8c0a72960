#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vimo::test {

class InstallationFixture;

// What one run of vimoctl gave back.
struct VimoctlResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built vimoctl program as a child process with an environment of the test's making
// (nothing inherited but what is set here), and collects its output. Lines end in "\n" on every
// system: Windows' text mode writes "\r\n", which the runner reads back as "\n".
class VimoctlRunner
{
public:
    VimoctlRunner();
    // Runs another program the same way (a validator, a packaging tool).
    explicit VimoctlRunner(std::filesystem::path program);

    // Variables of the child's environment; PATH (empty), HOME (a folder that does not exist)
    // and VIMO_TEST_PROCESS_TABLE (none) have defaults. On Windows the system's own folder
    // (SystemRoot, windir) is passed on as well: COM and Winsock need it.
    std::map<std::string, std::string> env;
    // The child's working folder; the test's own when empty.
    std::filesystem::path workingFolder;
    // Standard output goes to a pseudo-terminal instead of a pipe (Linux only).
    bool terminal = false;
    // Standard output goes to this file (opened for writing) instead of a pipe (Linux only).
    std::filesystem::path outputFile;

    // Makes the program find the installation as `install` registered it (its prefix's
    // system.reg on Linux, its platform's registry table on Windows), or none at all.
    void findInstallation(InstallationFixture& install, bool registered = true);

    VimoctlResult run(const std::vector<std::string>& args) const;

    // A run that goes on while the test acts (vimoctl watch); Linux only.
    class Background
    {
    public:
        ~Background(); // ends the program if the test did not
        // Reads output until standard output (or error) holds `text`; false after `timeout`.
        bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout,
                           bool onError = false);
        // Sends `signal`, waits for the end and returns the exit code (-1: ended by a signal).
        int stop(int signal);
        const std::string& out() const { return m_result.out; }
        const std::string& err() const { return m_result.err; }

    private:
        friend class VimoctlRunner;
        void readAvailable(int timeoutMs);
        int m_pid = -1;
        int m_fds[2] = {-1, -1};
        VimoctlResult m_result;
    };
    std::unique_ptr<Background> start(const std::vector<std::string>& args) const;

private:
    // Starts the program with its output on pipes (or a terminal); the reading ends go to `fds`.
    int spawn(const std::vector<std::string>& args, int fds[2]) const;

    std::filesystem::path m_program;
};

} // namespace vimo::test
