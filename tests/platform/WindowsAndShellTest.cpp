#include "platform/Text.h"
#include "platform/posix/DesktopShell.h"
#include "platform/posix/X11WindowList.h"
#include "support/Fixtures.h"
#include "support/StandIns.h"
#include "support/XWindows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace vimo::test {

namespace {

std::vector<std::u16string> allTitles(const std::optional<std::string>& display)
{
    std::vector<std::u16string> titles;
    X11WindowList::enumerateTitles(display, [&](const std::u16string& title) {
        titles.push_back(title);
        return true;
    });
    return titles;
}

bool contains(const std::vector<std::u16string>& titles, const std::u16string& title)
{
    return std::find(titles.begin(), titles.end(), title) != titles.end();
}

std::optional<std::string> testDisplay()
{
    const char* display = std::getenv("DISPLAY");
    return display && *display ? std::optional<std::string>(display) : std::nullopt;
}

} // namespace

TEST(X11WindowList, NoDisplayMeansNoWindows)
{
    EXPECT_TRUE(allTitles(std::nullopt).empty());
    EXPECT_TRUE(allTitles(std::string()).empty());
    EXPECT_TRUE(allTitles(std::string(":9876")).empty()); // no server there
}

TEST(X11WindowList, ReadsTheTitlesOfTopLevelAndFramedClientWindows)
{
    const auto display = testDisplay();
    if (!display) {
        GTEST_SKIP() << "DISPLAY is not set; the window tests need an X server (Xvfb)";
    }
    XTestDisplay x(*display);
    ASSERT_TRUE(x.isOpen());
    // Titles unique to this process: other tests may have windows on the same server.
    const std::string tag = std::to_string(getpid());
    x.createWindow("plain-" + tag);
    x.createWindow("fallback-" + tag, "utf8-\xC3\xA9-" + tag);
    x.createWindow("latin1-\xE9-" + tag);
    const unsigned long frame = x.createWindow(std::nullopt);
    x.createWindow("framed-" + tag, std::nullopt, frame, true);

    const auto titles = allTitles(display);
    EXPECT_TRUE(contains(titles, fromUtf8("plain-" + tag)));
    EXPECT_TRUE(contains(titles, u"utf8-\u00E9-" + fromUtf8(tag))); // _NET_WM_NAME wins
    EXPECT_FALSE(contains(titles, fromUtf8("fallback-" + tag)));
    EXPECT_TRUE(contains(titles, u"latin1-\u00E9-" + fromUtf8(tag)));
    // A frame stands for the client inside it, as a window manager without a client list has it.
    EXPECT_TRUE(contains(titles, fromUtf8("framed-" + tag)));

    int visited = 0;
    X11WindowList::enumerateTitles(display, [&](const std::u16string&) { return ++visited < 2; });
    EXPECT_EQ(visited, 2);
}

TEST(X11WindowList, TakesTheClientListAndSkipsWindowsThatVanished)
{
    // This changes the root window: on a server of its own, so other window tests are not upset.
    if (!testDisplay()) {
        GTEST_SKIP() << "DISPLAY is not set; the window tests need an X server (Xvfb)";
    }
    PrivateXServer server;
    if (!server.isRunning()) {
        GTEST_SKIP() << "could not start a private Xvfb";
    }
    XTestDisplay x(server.displayName());
    ASSERT_TRUE(x.isOpen());
    const unsigned long first = x.createWindow("first");
    x.createWindow("not listed");
    const unsigned long gone = x.createWindow("gone");
    const unsigned long last = x.createWindow(std::nullopt, "last");
    x.destroyWindow(gone);
    x.setClientList({first, gone, last});
    // The vanished window answers with an X error, which must neither end the program nor
    // stop the listing; it has no title.
    const auto titles = allTitles(server.displayName());
    EXPECT_EQ(titles, (std::vector<std::u16string>{u"first", u"", u"last"}));

    x.removeClientList();
    EXPECT_EQ(allTitles(server.displayName()),
              (std::vector<std::u16string>{u"first", u"not listed", u"last"}));
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
    ScopedPath path(m_bin, true);
    EXPECT_EQ(DesktopShell::open(u"/some folder"), 31); // no xdg-open at all

    const std::vector<std::pair<int, int>> cases = {{0, 42}, {3, 31}, {2, 2}, {4, 4}, {1, 1}};
    for (const auto& [exitCode, expected] : cases) {
        SCOPED_TRACE(exitCode);
        standIn("xdg-open", exitCode);
        const int result = DesktopShell::open(u"/some folder/\u00E9");
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
    ScopedPath path(m_bin);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_GT(DesktopShell::open(u"http://example.invalid/"), 32);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LT(waited, std::chrono::milliseconds(2400));
    const int pid = std::atoi(readFile(m_dir.path() / "pid").c_str());
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(waitUntil([&] { return !processListed(pid); }, std::chrono::seconds(3)));
}

TEST_F(DesktopShellTest, SendsClientCommandsThroughWineStartElseThroughXdgOpen)
{
    ScopedPath path(m_bin, true);
    standIn("wine", 0);
    EXPECT_GT(DesktopShell::openClientCommand(u"orvo:reloadVimoList", "/the/prefix"), 32);
    auto lines = record();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "start");
    EXPECT_EQ(lines[1], "orvo:reloadVimoList");
    EXPECT_EQ(lines[3], "WINEPREFIX=/the/prefix");

    standIn("wine", 5);
    EXPECT_EQ(DesktopShell::openClientCommand(u"orvo:refresh_packages", "/the/prefix"), 5);

    fs::remove(m_bin / "wine");
    standIn("xdg-open", 0);
    EXPECT_GT(DesktopShell::openClientCommand(u"orvo:refresh_packages", "/the/prefix"), 32);
    lines = record();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "orvo:refresh_packages");
}

} // namespace vimo::test
