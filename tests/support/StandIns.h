#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vimo::test {

namespace fs = std::filesystem;

class InstallationFixture;

// A process table of the test's own, in the shape of /proc, for the platform's process seam.
// Linux only, as are processAlive and processListed below (support/posix).
class FakeProcessTable
{
public:
    // A table in the fixture's folder, which the fixture's platform then reads.
    explicit FakeProcessTable(InstallationFixture& fixture);
    const fs::path& root() const { return m_root; }

    struct Process
    {
        int pid = 0;
        std::string argv0{};                     // the command line's first word
        std::string comm{};                      // defaults to the last component of argv0
        std::optional<std::string> winePrefix{}; // WINEPREFIX in its environment
        std::optional<std::string> home{};       // HOME in its environment
        unsigned uid = 0;                        // defaults to this process's user
        char state = 'S';                        // 'Z' for a zombie
    };
    void add(Process process);
    void remove(int pid);
    // Lists a running client ("orvo.exe" in the fixture's prefix) with this process's id, and
    // returns that id: no other test's fake process or window carries it.
    int addRunningClient();

private:
    const InstallationFixture& m_fixture;
    fs::path m_root;
};

// Writes an executable /bin/sh script with `body` after the "#!" line.
void writeScript(const fs::path& path, std::string_view body);

// A stand-in program that writes its arguments (one a line), then "cwd=" and "WINEPREFIX="
// lines, into `record`, touches `record` + ".done", and exits with `exitCode`. Uses shell
// built-ins only, so it runs with any PATH.
void writeRecordingStandIn(const fs::path& path, const fs::path& record, int exitCode);

// The lines of a record file once its ".done" marker is there; nothing after `timeout`.
std::optional<std::vector<std::string>>
waitForRecord(const fs::path& record, std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Polls `condition` until it holds or `timeout` passes.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// Whether a process with this id exists and has not ended (a zombie counts as ended).
bool processAlive(int pid);
// Whether /proc still lists the process, zombie or not.
bool processListed(int pid);

} // namespace vimo::test
