// The stand-ins that need Linux itself: a process table in the shape of /proc.

#include "support/Fixtures.h"
#include "support/StandIns.h"

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
