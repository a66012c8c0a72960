#pragma once

// What the benchmark programs share: timing, writing their input files, a scratch folder.

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace vimo::bench {

using Clock = std::chrono::steady_clock;

// Seconds of wall-clock time since `start`.
double secondsSince(Clock::time_point start);

// Writes `bytes` to the file, making its folders first; throws std::runtime_error on failure.
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// Runs `body` on a new scratch folder under the system's temporary folder, named from `name`,
// and removes the folder afterwards, whatever happened. Returns what `body` returns, or 1 when
// the folder cannot be made or `body` throws (the error is printed).
int runInScratchFolder(const std::string& name,
                       const std::function<int(const std::filesystem::path& root)>& body);

} // namespace vimo::bench
