// The inotify file watcher: changes below the folder, folders made later, quiet time, no folder.
#include "platform/FileWatcher.h"
#include "platform/Text.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

namespace vimo::test {
namespace {

// Waits until the watcher has reported `path`, or it stays quiet for a second.
bool reported(FileWatcher& watcher, const fs::path& path)
{
    std::vector<std::u16string> changed;
    while (watcher.wait(1000, changed) == WatchEvent::Changes) {
        if (std::find(changed.begin(), changed.end(), fromUtf8(path.string())) != changed.end()) {
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
    ASSERT_TRUE(watcher->watch(fromUtf8(dir.path().string()))) << watcher->failure().describe();

    std::vector<std::u16string> changed;
    EXPECT_EQ(watcher->wait(50, changed), WatchEvent::Timeout);
    EXPECT_TRUE(changed.empty());

    writeFile(dir.path() / "a" / "b" / "old.html", "changed");
    EXPECT_TRUE(reported(*watcher, dir.path() / "a" / "b" / "old.html"));
    fs::remove(dir.path() / "a" / "b" / "old.html");
    EXPECT_TRUE(reported(*watcher, dir.path() / "a" / "b" / "old.html"));
    // A folder made while watching (and one inside it made at once) is watched as well.
    writeFile(dir.path() / "new" / "deeper" / "page.html", "x");
    writeFile(dir.path() / "new" / "deeper" / "page.html", "again");
    EXPECT_TRUE(reported(*watcher, dir.path() / "new" / "deeper" / "page.html"));
    fs::rename(dir.path() / "new", dir.path() / "renamed");
    EXPECT_TRUE(reported(*watcher, dir.path() / "renamed"));
}

TEST(FileWatcher, AMissingFolderIsAFailureWithItsCause)
{
    TempDir dir;
    const auto watcher = FileWatcher::create();
    EXPECT_FALSE(watcher->watch(fromUtf8((dir.path() / "missing").string())));
    EXPECT_EQ(watcher->failure().code, static_cast<HRESULT>(0x80070002));
    EXPECT_NE(watcher->failure().describe().find("missing: No such file or directory"),
              std::string::npos)
        << watcher->failure().describe();
}

TEST(FileWatcher, AnInterruptEndsTheWaitInsteadOfTheProgram)
{
    TempDir dir;
    const auto watcher = FileWatcher::create();
    ASSERT_TRUE(watcher->watch(fromUtf8(dir.path().string())));
    raise(SIGINT); // blocked while the watcher lives, so it waits for the watcher to read it
    std::vector<std::u16string> changed;
    EXPECT_EQ(watcher->wait(5000, changed), WatchEvent::Interrupted);
}

} // namespace
} // namespace vimo::test
