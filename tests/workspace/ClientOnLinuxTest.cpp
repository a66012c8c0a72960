// The client through Linux itself: found in the process table, started and sent commands
// through stand-in scripts and Wine, its windows counted on an X server.

#include "platform/Text.h"
#include "support/Fixtures.h"
#include "support/StandIns.h"
#include "support/XWindows.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace vimo::test {

class ClientLaunchTest : public ::testing::Test
{
protected:
    InstallationFixture m_fixture;
    fs::path m_bin = m_fixture.root() / "bin";
    fs::path m_record = m_fixture.root() / "record";
    VimoWorkspace m_workspace{m_fixture.platform()};

    void SetUp() override
    {
        fs::create_directories(m_bin);
        m_fixture.platform().env["PATH"] = m_bin.string();            // no wine but the test's own
        m_workspace.setInstallFolder(u16(m_fixture.installFolder())); // no trailing separator
    }
    fs::path client() const { return m_fixture.installFolder() / "orvo.exe"; }
};

TEST_F(ClientLaunchTest, StartsTheClientFromTheInstallationFolder)
{
    writeRecordingStandIn(client(), m_record, 0);
    ASSERT_EQ(m_workspace.LaunchClient(), S_OK) << m_workspace.lastError().describe();
    auto lines = waitForRecord(m_record);
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->at(0), "cwd=" + m_fixture.installFolder().string());

    fs::remove(m_record.string() + ".done");
    ASSERT_EQ(m_workspace.LaunchSecondClient(), S_OK);
    lines = waitForRecord(m_record);
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->at(0), "MultiInstance");
    EXPECT_EQ(lines->at(1), "cwd=" + m_fixture.installFolder().string());

    // A Windows program goes through wine, in the installation's prefix.
    writeFile(client(), std::string("MZ\x90\0", 4));
    writeRecordingStandIn(m_bin / "wine", m_record, 0);
    fs::remove(m_record.string() + ".done");
    ASSERT_EQ(m_workspace.LaunchSecondClient(), S_OK) << m_workspace.lastError().describe();
    lines = waitForRecord(m_record);
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (std::vector<std::string>{client().string(), "MultiInstance",
                                                "cwd=" + m_fixture.installFolder().string(),
                                                "WINEPREFIX=" + m_fixture.prefix().string()}));
}

TEST_F(ClientLaunchTest, AFailedLaunchFailsWithItsCause)
{
    VimoWorkspace noInstallation(m_fixture.platform());
    EXPECT_EQ(noInstallation.LaunchClient(), S_FALSE);
    EXPECT_EQ(noInstallation.LaunchSecondClient(), S_FALSE);

    struct Case
    {
        const char* what;
        std::function<void()> arrange;
        std::string cause;
    };
    const std::string windowsProgram("MZ\x90\0", 4);
    const std::vector<Case> cases = {
        {"no client program", [&] { fs::remove(client()); }, "No such file or directory"},
        {"no wine on PATH", [&] { writeFile(client(), windowsProgram); },
         "wine was not found on PATH"},
        {"wine refuses the program",
         [&] {
             writeFile(client(), "not a program");
             writeScript(m_bin / "wine", "exit 1\n");
         },
         "wine ended at once with exit status 1"},
        {"a native client that fails at once",
         [&] {
             fs::remove(m_bin / "wine");
             writeScript(client(), "exit 3\n");
         },
         "it ended at once with exit status 3"},
        {"a native client killed at once", [&] { writeScript(client(), "kill -9 $$\n"); },
         "it ended at once with signal 9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        for (HRESULT hr : {m_workspace.LaunchClient(), m_workspace.LaunchSecondClient()}) {
            EXPECT_EQ(hr, E_FAIL);
            EXPECT_EQ(m_workspace.lastError().code, E_FAIL);
            EXPECT_EQ(m_workspace.lastError().subject, u16(client()));
            EXPECT_NE(m_workspace.lastError().reason.find(c.cause), std::string::npos)
                << m_workspace.lastError().describe();
        }
    }

    // A client that hands over to the one already running ends at once with status 0: started.
    writeScript(client(), "exit 0\n");
    EXPECT_EQ(m_workspace.LaunchClient(), S_OK);
    EXPECT_TRUE(m_workspace.lastError().empty());
}

TEST(ClientProbe, CountsOnlyAClientOfThisUserInTheInstallationsPrefix)
{
    InstallationFixture fixture;
    FakeProcessTable processes(fixture);
    const fs::path home = fixture.root() / "home";
    fs::create_directories(home);
    fs::create_directory_symlink(fixture.prefix(), home / ".wine");
    fs::create_directory_symlink(fixture.prefix(), fixture.root() / "link");
    const std::string prefix = fixture.prefix().string();
    const std::string elsewhere = (fixture.root() / "other-prefix").string();
    const unsigned otherUser = static_cast<unsigned>(getuid()) + 1;

    struct Case
    {
        const char* what;
        FakeProcessTable::Process process;
        bool running;
    };
    const std::vector<Case> cases = {
        {"Unix path",
         {.pid = 1001, .argv0 = "/x/drive_c/Orvo/orvo.exe", .winePrefix = prefix},
         true},
        {"Windows path, other case",
         {.pid = 1002,
          .argv0 = "C:\\Orvo\\ORVO.EXE",
          .comm = "wine64-preload",
          .winePrefix = prefix},
         true},
        {"prefix through a link",
         {.pid = 1003, .argv0 = "orvo.exe", .winePrefix = (fixture.root() / "link").string()},
         true},
        {"prefix with a trailing slash",
         {.pid = 1004, .argv0 = "orvo.exe", .winePrefix = prefix + "/"},
         true},
        {"Wine's default prefix", {.pid = 1005, .argv0 = "orvo.exe", .home = home.string()}, true},
        {"another prefix", {.pid = 1006, .argv0 = "orvo.exe", .winePrefix = elsewhere}, false},
        {"a relative prefix", {.pid = 1007, .argv0 = "orvo.exe", .winePrefix = "prefix"}, false},
        {"another user",
         {.pid = 1008, .argv0 = "orvo.exe", .winePrefix = prefix, .uid = otherUser},
         false},
        {"a zombie", {.pid = 1009, .argv0 = "orvo.exe", .winePrefix = prefix, .state = 'Z'}, false},
        {"another program", {.pid = 1010, .argv0 = "orvo.exe.so", .winePrefix = prefix}, false},
        {"a name that only begins alike",
         {.pid = 1011, .argv0 = "C:\\orvo.exe2", .winePrefix = prefix},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        processes.add(c.process);
        VimoWorkspace workspace(fixture.platform());
        EXPECT_EQ(workspace.IsClientRunning(), c.running);
        processes.remove(c.process.pid);
    }

    // A relative WINEPREFIX names no prefix: no client runs in it.
    processes.addRunningClient();
    VimoWorkspace workspace(fixture.platform());
    EXPECT_TRUE(workspace.IsClientRunning());
    fixture.platform().env["WINEPREFIX"] = "prefix";
    EXPECT_FALSE(workspace.IsClientRunning());
}

TEST(ClientNotifications, GoToARunningClientOnlyAndCarryTheCause)
{
    InstallationFixture fixture;
    FakeProcessTable processes(fixture);
    VimoWorkspace workspace(fixture.platform());
    workspace.setInstallFolder(u16(fixture.installFolder()));
    const fs::path bin = fixture.root() / "bin";
    const fs::path record = fixture.root() / "record";
    fixture.platform().env["PATH"] = bin.string();

    // Not running: nothing is sent, so no Wine starts in the prefix just to deliver it.
    writeRecordingStandIn(bin / "wine", record, 0);
    EXPECT_EQ(workspace.NotifyReloadVimoList(), S_OK);
    EXPECT_EQ(workspace.NotifyRefreshPackages(), S_OK);
    EXPECT_FALSE(fs::exists(record));

    processes.addRunningClient();
    EXPECT_EQ(workspace.NotifyReloadVimoList(), S_OK);
    auto lines = waitForRecord(record);
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (std::vector<std::string>{"start", "orvo:reloadVimoList",
                                                "cwd=" + fs::current_path().string(),
                                                "WINEPREFIX=" + fixture.prefix().string()}));

    writeRecordingStandIn(bin / "wine", record, 1);
    EXPECT_EQ(workspace.NotifyRefreshPackages(), E_FAIL);
    EXPECT_EQ(workspace.lastError().subject, u"orvo:refresh_packages");
    EXPECT_EQ(workspace.lastError().reason, "wine start ended with exit status 1");
    lines = waitForRecord(record);
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->at(1), "orvo:refresh_packages");

    fs::remove(bin / "wine");
    EXPECT_EQ(workspace.NotifyReloadVimoList(), E_FAIL);
    EXPECT_EQ(workspace.lastError().reason, "not delivered: wine was not found on PATH");
    EXPECT_EQ(workspace.NotifyReloadVimoList(), E_FAIL);
}

TEST(ClientWindows, CountsTheSessionsWindowsWhoseWholeTitleIsTheClientsName)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        GTEST_SKIP() << "DISPLAY is not set; the window tests need an X server (Xvfb)";
    }
    InstallationFixture fixture;
    FakeProcessTable processes(fixture);
    // This test process's id: no window of another test on the same server carries it.
    const int pid = processes.addRunningClient();
    VimoWorkspace workspace(fixture.platform());
    XTestDisplay x(display);
    ASSERT_TRUE(x.isOpen());
    const unsigned long first = x.createWindow("ORVO", pid);
    x.createWindow("ORVO 2", pid);
    x.createWindow("xORVO", pid);
    x.createWindow("ORVO", 0);       // no process: not the session's
    x.createWindow("ORVO", pid + 1); // another process, not in the session
    EXPECT_FALSE(workspace.HasSecondClientWindow());
    XTestDisplay::WindowSpec hidden;
    hidden.netWmName = "orvo";
    hidden.pid = pid;
    hidden.mapped = false; // a client minimised to the tray still has its window
    const unsigned long second = x.createWindow(hidden);
    EXPECT_TRUE(workspace.HasSecondClientWindow());
    x.createWindow("Orvo", pid);
    EXPECT_TRUE(workspace.HasSecondClientWindow());
    x.destroyWindow(first);
    x.destroyWindow(second);
    EXPECT_FALSE(workspace.HasSecondClientWindow());

    // The same windows seen for another prefix, or without an X server: none.
    x.createWindow("ORVO", pid);
    EXPECT_TRUE(workspace.HasSecondClientWindow());
    fixture.platform().env["WINEPREFIX"] = (fixture.root() / "other").string();
    EXPECT_FALSE(workspace.HasSecondClientWindow());
    fixture.platform().env["WINEPREFIX"] = fixture.prefix().string();
    fixture.platform().env["DISPLAY"] = std::nullopt;
    EXPECT_FALSE(workspace.HasSecondClientWindow());
}

} // namespace vimo::test
