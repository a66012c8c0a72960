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

// Puts a folder first on PATH (or makes it the only one) while the object lives.
class ScopedPath
{
public:
    explicit ScopedPath(const fs::path& folder, bool only = false);
    ~ScopedPath();
    ScopedPath(const ScopedPath&) = delete;
    ScopedPath& operator=(const ScopedPath&) = delete;

private:
    std::optional<std::string> m_previous;
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
