#include "support/StandIns.h"

#include "support/Fixtures.h"

#include <sstream>
#include <thread>

namespace vimo::test {

void writeScript(const fs::path& path, std::string_view body)
{
    writeFile(path, "#!/bin/sh\n" + std::string(body));
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

void writeRecordingStandIn(const fs::path& path, const fs::path& record, int exitCode)
{
    const std::string file = "'" + record.string() + "'";
    writeScript(path, "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > " + file +
                          "\necho \"cwd=$(pwd)\" >> " + file +
                          "\necho \"WINEPREFIX=$WINEPREFIX\" >> " + file + "\n: > " +
                          file.substr(0, file.size() - 1) + ".done'\nexit " +
                          std::to_string(exitCode) + "\n");
}

std::optional<std::vector<std::string>> waitForRecord(const fs::path& record,
                                                      std::chrono::milliseconds timeout)
{
    fs::path done = record;
    done += ".done";
    if (!waitUntil([&] { return fs::exists(done); }, timeout)) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::istringstream in(readFile(record));
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace vimo::test
