#include "platform/Text.h"
#include "platform/posix/DesktopShell.h"
#include "platform/posix/X11WindowList.h"
#include "support/Fixtures.h"
#include "support/StandIns.h"
#include "support/XWindows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

namespace vimo::test {

namespace {

// The titles of the windows whose process `inSession` accepts.
std::vector<std::u16string> titles(const std::optional<std::string>& display,
                                   const std::function<bool(int)>& inSession)
{
    std::vector<std::u16string> result;
    X11WindowList::enumerateTitles(display, inSession, [&](const std::u16string& title) {
        result.push_back(title);
        return true;
    });
    return result;
}

} // namespace

TEST(X11WindowList, NoDisplayMeansNoWindows)
{
    const auto any = [](int) { return true; };
    EXPECT_TRUE(titles(std::nullopt, any).empty());
    EXPECT_TRUE(titles(std::string(), any).empty());
    EXPECT_TRUE(titles(std::string(":9876"), any).empty()); // no server there
}

TEST(X11WindowList, SeesEveryWindowOfTheSessionAsEnumWindowsWould)
{
    // Windows of every shape on a server of the test's own: the root window's client list is
    // changed, and no other test's windows are there.
    PrivateXServer server;
    if (!server.isRunning()) {
        GTEST_SKIP() << "could not start a private Xvfb";
    }
    XTestDisplay x(server.displayName());
    ASSERT_TRUE(x.isOpen());
    const int session = 4242;
    const int stranger = 4343;
    using Spec = XTestDisplay::WindowSpec;
    x.createWindow(Spec{.wmName = "plain", .pid = session});
    // _NET_WM_NAME wins over WM_NAME.
    x.createWindow(Spec{.wmName = "fallback", .netWmName = "utf8-\xC3\xA9", .pid = session});
    x.createWindow(Spec{.wmName = "latin1-\xE9", .pid = session});
    x.createWindow(Spec{.wmName = "hidden", .pid = session, .mapped = false});
    x.createWindow(Spec{.wmName = "no process"});
    x.createWindow(Spec{.wmName = "stranger", .pid = stranger});
    // A window manager's frame (no process) with the client inside it.
    const unsigned long frame = x.createWindow(Spec{});
    x.createWindow(Spec{.wmName = "framed", .pid = session, .parent = frame});
    // Wine's virtual desktop: the program's windows are children of the desktop window.
    const unsigned long desktop =
        x.createWindow(Spec{.wmName = "Default - Wine desktop", .pid = session});
    x.createWindow(Spec{.wmName = "in desktop", .pid = session, .parent = desktop});
    x.createWindow(
        Spec{.wmName = "hidden in desktop", .pid = session, .parent = desktop, .mapped = false});
    const unsigned long gone = x.createWindow(Spec{.wmName = "gone", .pid = session});
    // A window manager that exited left an empty or stale client list: it is not trusted.
    x.setClientList({gone});
    x.destroyWindow(gone);

    std::vector<int> asked;
    const auto inSession = [&](int pid) {
        asked.push_back(pid);
        return pid == session;
    };
    auto seen = titles(server.displayName(), inSession);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"Default - Wine desktop", u"framed", u"hidden",
                                                 u"hidden in desktop", u"in desktop",
                                                 u"latin1-\u00E9", u"plain", u"utf8-\u00E9"}));
    // Each process is looked up once.
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<int>{session, stranger}));

    x.setClientList({});
    EXPECT_EQ(titles(server.displayName(), inSession).size(), 8u);
    int visited = 0;
    X11WindowList::enumerateTitles(server.displayName(), inSession,
                                   [&](const std::u16string&) { return ++visited < 2; });
    EXPECT_EQ(visited, 2);
}

class DesktopShellTest : public ::testing::Test
{
protected:
    TempDir m_dir;
    fs::path m_bin = m_dir.path() / "bin";
    fs::path m_record = m_dir.path() / "record";

    void SetUp() override { fs::create_directories(m_bin); }

    void standIn(const std::string& name, int exitCode)
    {
        fs::remove(m_record);
        fs::remove(m_record.string() + ".done");
        writeRecordingStandIn(m_bin / name, m_record, exitCode);
    }
    std::vector<std::string> record()
    {
        return waitForRecord(m_record, std::chrono::seconds(1))
            .value_or(std::vector<std::string>{});
    }
};

TEST_F(DesktopShellTest, MapsTheOpenersExitToTheShellsNumbers)
{
    EXPECT_EQ(DesktopShell::open(u"/some folder", ""), 31); // no xdg-open at all

    const std::vector<std::pair<int, int>> cases = {{0, 42}, {3, 31}, {2, 2}, {4, 4}, {1, 1}};
    for (const auto& [exitCode, expected] : cases) {
        SCOPED_TRACE(exitCode);
        standIn("xdg-open", exitCode);
        const int result =
            DesktopShell::open(u"/some folder/\u00E9", (m_bin / "xdg-open").string());
        if (expected > 32) {
            EXPECT_GT(result, 32);
        } else {
            EXPECT_EQ(result, expected);
        }
        const auto lines = record();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "/some folder/\xC3\xA9");
    }
}

TEST_F(DesktopShellTest, AnOpenerStillRunningAfterTwoSecondsIsSuccessAndIsCollectedLater)
{
    writeScript(m_bin / "xdg-open",
                "echo $$ > '" + (m_dir.path() / "pid").string() + "'\nsleep 2.4\nexit 4\n");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_GT(DesktopShell::open(u"http://example.invalid/", (m_bin / "xdg-open").string()), 32);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    const int pid = std::atoi(readFile(m_dir.path() / "pid").c_str());
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(waitUntil([&] { return !processListed(pid); }, std::chrono::seconds(5)));
}

TEST_F(DesktopShellTest, SendsClientCommandsThroughWineStartOnly)
{
    const std::string wine = (m_bin / "wine").string();
    standIn("wine", 0);
    EXPECT_TRUE(
        DesktopShell::openClientCommand(u"orvo:reloadVimoList", wine, "/the/prefix").empty());
    auto lines = record();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "start");
    EXPECT_EQ(lines[1], "orvo:reloadVimoList");
    EXPECT_EQ(lines[3], "WINEPREFIX=/the/prefix");

    standIn("wine", 5);
    Failure failure =
        DesktopShell::openClientCommand(u"orvo:refresh_packages", wine, "/the/prefix");
    EXPECT_EQ(failure.code, E_FAIL);
    EXPECT_EQ(failure.subject, u"orvo:refresh_packages");
    EXPECT_EQ(failure.reason, "wine start ended with exit status 5");

    // Without wine the command is not handed to the desktop's opener instead.
    standIn("xdg-open", 0);
    failure = DesktopShell::openClientCommand(u"orvo:refresh_packages", "", "/the/prefix");
    EXPECT_EQ(failure.reason, "not delivered: wine was not found on PATH");
    EXPECT_TRUE(record().empty());
}

} // namespace vimo::test
