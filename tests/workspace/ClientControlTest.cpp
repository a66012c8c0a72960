#include "platform/Text.h"
#include "support/Fixtures.h"
#include "support/StandIns.h"
#include "support/XWindows.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vimo::test {

namespace {

// The real platform, except that whether the client runs is the test's choice: the real probe
// would see stand-in clients that other tests run at the same time.
class ClientStatePlatform : public TestPlatform
{
public:
    bool isProgramRunning(const std::u16string& name) const override
    {
        probed.push_back(name);
        return running;
    }
    bool running = false;
    mutable std::vector<std::u16string> probed;
};

} // namespace

class ClientLaunchTest : public ::testing::Test
{
protected:
    InstallationFixture m_fixture;
    fs::path m_record = m_fixture.root() / "record";
    fs::path m_running = m_fixture.root() / "running";

    // A client that records how it was started and runs while the marker file is there (so it
    // ends with the test's folder, whatever happens).
    void installStandInClient()
    {
        writeFile(m_running, "");
        const std::string record = "'" + m_record.string() + "'";
        writeScript(m_fixture.installFolder() / "orvo.exe",
                    "for a in \"$@\"; do echo \"$a\"; done > " + record +
                        ".tmp\necho \"cwd=$(pwd)\" >> " + record + ".tmp\nmv " + record + ".tmp " +
                        record + "\nwhile [ -e '" + m_running.string() +
                        "' ]; do sleep 0.02; done\n");
    }
    void TearDown() override { fs::remove(m_running); }
};

TEST_F(ClientLaunchTest, StartsTheClientFromTheInstallationAndTheProbeSeesIt)
{
    installStandInClient();
    VimoWorkspace workspace(m_fixture.platform());
    workspace.setInstallFolder(u16(m_fixture.installFolder())); // no trailing separator given
    ASSERT_EQ(workspace.LaunchClient(), S_OK);
    ASSERT_TRUE(waitUntil([&] { return fs::exists(m_record); }, std::chrono::seconds(5)));
    EXPECT_EQ(readFile(m_record), "cwd=" + m_fixture.installFolder().string() + "\n");
    EXPECT_TRUE(workspace.IsClientRunning());

    fs::remove(m_record);
    ASSERT_EQ(workspace.LaunchSecondClient(), S_OK);
    ASSERT_TRUE(waitUntil([&] { return fs::exists(m_record); }, std::chrono::seconds(5)));
    EXPECT_EQ(readFile(m_record),
              "MultiInstance\ncwd=" + m_fixture.installFolder().string() + "\n");
}

TEST_F(ClientLaunchTest, NothingStartsWithoutAnInstallationAndAMissingClientFails)
{
    VimoWorkspace workspace(m_fixture.platform());
    EXPECT_EQ(workspace.LaunchClient(), S_FALSE);
    EXPECT_EQ(workspace.LaunchSecondClient(), S_FALSE);
    workspace.setInstallFolder(u16(m_fixture.installFolder()));
    EXPECT_EQ(workspace.LaunchClient(), E_FAIL); // no orvo.exe there
    EXPECT_EQ(workspace.LaunchSecondClient(), E_FAIL);
}

TEST(ClientNotifications, GoToARunningClientOnlyAndReportTheShellsAnswer)
{
    InstallationFixture fixture;
    ClientStatePlatform platform;
    platform.env["WINEPREFIX"] = fixture.prefix().string();
    VimoWorkspace workspace(platform);
    workspace.setInstallFolder(u16(fixture.installFolder()));
    const fs::path bin = fixture.root() / "bin";
    const fs::path record = fixture.root() / "record";
    ScopedPath path(bin, true);

    writeRecordingStandIn(bin / "wine", record, 0);
    EXPECT_EQ(workspace.NotifyReloadVimoList(), S_OK);
    EXPECT_EQ(workspace.NotifyRefreshPackages(), S_OK);
    EXPECT_EQ(platform.probed, (std::vector<std::u16string>{u"orvo.exe", u"orvo.exe"}));
    EXPECT_FALSE(fs::exists(record)); // the client does not run: nothing was sent

    platform.running = true;
    EXPECT_EQ(workspace.NotifyReloadVimoList(), S_OK);
    auto lines = waitForRecord(record);
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 4u);
    EXPECT_EQ((*lines)[0], "start");
    EXPECT_EQ((*lines)[1], "orvo:reloadVimoList");
    EXPECT_EQ((*lines)[3], "WINEPREFIX=" + fixture.prefix().string());

    writeRecordingStandIn(bin / "wine", record, 1);
    EXPECT_EQ(workspace.NotifyRefreshPackages(), E_FAIL);
    lines = waitForRecord(record);
    ASSERT_TRUE(lines);
    EXPECT_EQ((*lines)[1], "orvo:refresh_packages");
}

TEST(ClientWindows, CountsWindowsWhoseWholeTitleIsTheClientsName)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        GTEST_SKIP() << "DISPLAY is not set; the window tests need an X server (Xvfb)";
    }
    XTestDisplay x(display);
    ASSERT_TRUE(x.isOpen());
    VimoWorkspace workspace;
    const unsigned long first = x.createWindow("ORVO");
    x.createWindow("ORVO 2");
    x.createWindow("xORVO");
    EXPECT_FALSE(workspace.HasSecondClientWindow());
    const unsigned long second = x.createWindow(std::nullopt, "orvo");
    EXPECT_TRUE(workspace.HasSecondClientWindow());
    x.createWindow("Orvo");
    EXPECT_TRUE(workspace.HasSecondClientWindow());
    x.destroyWindow(first);
    x.destroyWindow(second);
    EXPECT_FALSE(workspace.HasSecondClientWindow());

    // Without an X server there are no windows.
    TestPlatform noDisplay;
    noDisplay.env["DISPLAY"] = std::nullopt;
    EXPECT_FALSE(VimoWorkspace(noDisplay).HasSecondClientWindow());
}

} // namespace vimo::test
