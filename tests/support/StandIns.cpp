#include "support/StandIns.h"

#include "support/Fixtures.h"

#include <sstream>
#include <thread>
#include <unistd.h>

namespace vimo::test {

FakeProcessTable::FakeProcessTable(InstallationFixture& fixture)
    : m_fixture(fixture), m_root(fixture.root() / "proc")
{
    fs::create_directories(m_root);
    fixture.platform().setProcessTableRoot(m_root.string());
}

void FakeProcessTable::add(Process process)
{
    const fs::path folder = m_root / std::to_string(process.pid);
    fs::create_directories(folder);
    if (process.comm.empty()) {
        process.comm = process.argv0.substr(process.argv0.find_last_of("/\\") + 1);
    }
    const unsigned uid = process.uid != 0 ? process.uid : static_cast<unsigned>(getuid());
    const std::string id = std::to_string(uid);
    writeFile(folder / "status", "Name:\t" + process.comm.substr(0, 15) + "\nState:\t" +
                                     process.state + " (state)\nUid:\t" + id + "\t" + id + "\t" +
                                     id + "\t" + id + "\n");
    writeFile(folder / "comm", process.comm.substr(0, 15) + "\n");
    writeFile(folder / "cmdline", process.argv0 + std::string(1, '\0'));
    std::string environment = "PATH=/usr/bin" + std::string(1, '\0');
    if (process.winePrefix) {
        environment += "WINEPREFIX=" + *process.winePrefix + std::string(1, '\0');
    }
    if (process.home) {
        environment += "HOME=" + *process.home + std::string(1, '\0');
    }
    writeFile(folder / "environ", environment);
}

void FakeProcessTable::remove(int pid)
{
    fs::remove_all(m_root / std::to_string(pid));
}

int FakeProcessTable::addRunningClient()
{
    Process client;
    client.pid = static_cast<int>(getpid());
    client.argv0 = (m_fixture.installFolder() / "orvo.exe").string();
    client.winePrefix = m_fixture.prefix().string();
    add(client);
    return client.pid;
}

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

bool processListed(int pid)
{
    return fs::exists("/proc/" + std::to_string(pid));
}

bool processAlive(int pid)
{
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

} // namespace vimo::test
