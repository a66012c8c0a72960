#pragma once

#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

namespace vimo::test {

// What one run of vimoctl gave back.
struct VimoctlResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built vimoctl program as a child process with an environment of the test's making
// (nothing inherited but what is set here), and collects its output.
class VimoctlRunner
{
public:
    VimoctlRunner();
    // Runs another program the same way (a validator, a packaging tool).
    explicit VimoctlRunner(std::filesystem::path program);

    // Variables of the child's environment; PATH (empty), HOME (a folder that does not exist)
    // and VIMO_TEST_PROCESS_TABLE (none) have defaults.
    std::map<std::string, std::string> env;
    // Standard output goes to a pseudo-terminal instead of a pipe.
    bool terminal = false;
    // Standard output goes to this file (opened for writing) instead of a pipe.
    std::filesystem::path outputFile;

    VimoctlResult run(const std::vector<std::string>& args) const;
    // Starts vimoctl with its output discarded and returns at once; the caller waits for it.
    pid_t start(const std::vector<std::string>& args) const;

private:
    // Forks and runs vimoctl with standard output and error on `out` and `err`.
    pid_t spawn(const std::vector<std::string>& args, int out, int err,
                std::initializer_list<int> closeInChild) const;

    std::filesystem::path m_program;
};

} // namespace vimo::test
