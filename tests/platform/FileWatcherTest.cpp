// The file watcher: changes below the folder, folders made later, quiet time, no folder, Ctrl+C.
#include "platform/FileWatcher.h"
#include "platform/Text.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vimo::test {
namespace {

// Waits until the watcher has reported `path`, or it stays quiet for a second.
bool reported(FileWatcher& watcher, const fs::path& path)
{
    std::vector<std::u16string> changed;
    while (watcher.wait(1000, changed) == WatchEvent::Changes) {
        if (std::find(changed.begin(), changed.end(), u16(path)) != changed.end()) {
            return true;
        }
    }
    return false;
}

TEST(FileWatcher, ReportsChangesBelowTheFolderIncludingFoldersMadeLater)
{
    TempDir dir;
    writeFile(dir.path() / "a" / "b" / "old.html", "x");
    const auto watcher = FileWatcher::create();
    ASSERT_TRUE(watcher->watch(u16(dir.path()))) << watcher->failure().describe();

    std::vector<std::u16string> changed;
    EXPECT_EQ(watcher->wait(50, changed), WatchEvent::Timeout);
    EXPECT_TRUE(changed.empty());

    writeFile(dir.path() / "index.html", "x");
    EXPECT_TRUE(reported(*watcher, dir.path() / "index.html"));
    // Wine 8's recursive watch leaves out the folders that were there before it (Windows does not).
    if (!runningUnderWine()) {
        writeFile(dir.path() / "a" / "b" / "old.html", "changed");
        EXPECT_TRUE(reported(*watcher, dir.path() / "a" / "b" / "old.html"));
        fs::remove(dir.path() / "a" / "b" / "old.html");
        EXPECT_TRUE(reported(*watcher, dir.path() / "a" / "b" / "old.html"));
    }
    // A folder made while watching (and one inside it made at once) is watched as well.
    writeFile(dir.path() / "new" / "deeper" / "page.html", "x");
    writeFile(dir.path() / "new" / "deeper" / "page.html", "again");
    EXPECT_TRUE(reported(*watcher, dir.path() / "new" / "deeper" / "page.html"));
    fs::rename(dir.path() / "new", dir.path() / "renamed");
    EXPECT_TRUE(reported(*watcher, dir.path() / "renamed"));
    // The burst over, a wait as long as vimoctl's settle time ends quiet.
    int waits = 0;
    while (watcher->wait(300, changed) == WatchEvent::Changes && ++waits < 10) {
    }
    EXPECT_LT(waits, 10);
}

TEST(FileWatcher, AMissingFolderIsAFailureWithItsCause)
{
    TempDir dir;
    const auto watcher = FileWatcher::create();
    EXPECT_FALSE(watcher->watch(u16(dir.path() / "missing")));
    EXPECT_EQ(watcher->failure().code, static_cast<HRESULT>(0x80070002));
    EXPECT_EQ(watcher->failure().subject, u16(dir.path() / "missing"));
    // The system's own words ("No such file or directory", "File not found"), not a number.
    const std::string& reason = watcher->failure().reason;
    EXPECT_TRUE(!reason.empty() && reason.find("system error") == std::string::npos) << reason;
}

TEST(FileWatcher, AnInterruptEndsTheWaitInsteadOfTheProgram)
{
    TempDir dir;
    const auto watcher = FileWatcher::create();
    ASSERT_TRUE(watcher->watch(u16(dir.path())));
    ASSERT_TRUE(sendInterrupt()); // taken by the watcher while it lives
    std::vector<std::u16string> changed;
    EXPECT_EQ(watcher->wait(5000, changed), WatchEvent::Interrupted);
}

} // namespace
} // namespace vimo::test
