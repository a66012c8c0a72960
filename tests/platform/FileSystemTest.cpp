#include "platform/FileSystem.h"
#include "platform/SystemError.h"
#include "support/FaultyFileSystem.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vimo::test {
namespace {

TEST(FileSystemTest, CopyKeepsContentPermissionsAndDate)
{
    TempDir dir;
    FileSystem& files = FileSystem::system();
    const fs::path from = dir.path() / "from.txt";
    writeFile(from, "content");
    fs::permissions(from, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const auto date = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    fs::last_write_time(from, date);
    writeFile(dir.path() / "to.txt", "an older and longer content");

    ASSERT_EQ(files.copyFile(u16(from), u16(dir.path() / "to.txt")), 0);
    EXPECT_EQ(readFile(dir.path() / "to.txt"), "content");
    EXPECT_EQ(fs::status(dir.path() / "to.txt").permissions(), fs::status(from).permissions());
    EXPECT_EQ(fs::last_write_time(dir.path() / "to.txt"), date);
    EXPECT_EQ(files.copyFile(u16(from), u16(from)), EEXIST) << "a file is never copied onto itself";
    EXPECT_EQ(readFile(from), "content");
    EXPECT_EQ(files.copyFile(u16(dir.path() / "missing"), u16(dir.path() / "x")), ENOENT);
}

TEST(FileSystemTest, FolderCreationIsExclusive)
{
    TempDir dir;
    FileSystem& files = FileSystem::system();
    const std::u16string folder = u16(dir.path() / "reserved");
    EXPECT_EQ(files.createFolder(folder), 0);
    EXPECT_EQ(files.createFolder(folder), EEXIST) << "the second caller must not get the name";
    EXPECT_EQ(files.createFolder(u16(dir.path() / "a" / "b")), ENOENT);
}

TEST(FileSystemTest, ReplaceKeepsPermissionsFollowsLinksAndRefusesReadOnlyFiles)
{
    TempDir dir;
    FileSystem& files = FileSystem::system();
    const fs::path target = dir.path() / "file.xml";
    writeFile(target, "old");
    fs::permissions(target,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    fs::create_symlink(target, dir.path() / "link.xml");

    ASSERT_TRUE(files.replaceFile(u16(dir.path() / "link.xml"), "new").empty());
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.xml")) << "the file is replaced, not the link";
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);

    fs::permissions(target, fs::perms::owner_read);
    const Failure refused = files.replaceFile(u16(target), "newer");
    EXPECT_EQ(refused.code, hresultFromWin32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(refused.subject, u16(target));
    EXPECT_EQ(refused.reason, "the file is read-only: Permission denied");
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2)
        << "no temporary file is left behind";
}

TEST(FileSystemTest, ReadingStopsAtTheLimit)
{
    TempDir dir;
    writeFile(dir.path() / "big", std::string(10000, 'x'));
    std::string bytes;
    EXPECT_EQ(FileSystem::system().readFile(u16(dir.path() / "big"), 8192, bytes), EFBIG);
    EXPECT_EQ(FileSystem::system().readFile(u16(dir.path() / "big"), 10001, bytes), 0);
    EXPECT_EQ(bytes.size(), 10000u);
}

// The double makes exactly the chosen operations fail, on the chosen path and below it.
TEST(FaultyFileSystemTest, FailsTheChosenOperationsOnTheChosenPathsOnly)
{
    TempDir dir;
    writeFile(dir.path() / "in" / "a.txt", "a");
    writeFile(dir.path() / "inner.txt", "b");
    const std::u16string in = u16(dir.path() / "in");
    const std::u16string a = u16(dir.path() / "in" / "a.txt");
    const std::u16string sibling = u16(dir.path() / "inner.txt");
    struct Case
    {
        const char* name;
        FileFault fault;
        int readA;       // readFile of in/a.txt
        int readSibling; // readFile of inner.txt, whose name merely starts like "in"
        int writeA;      // replaceFile of in/a.txt
    };
    const Case cases[] = {
        {"refused write", {kWrite, in, EACCES}, 0, 0, EACCES},
        {"full disk", {kWrite, a, ENOSPC}, 0, 0, ENOSPC},
        {"failed read", {kRead, in, EIO}, EIO, 0, 0},
        {"vanished", {kAnyOperation & ~kList, a, ENOENT}, ENOENT, 0, ENOENT},
        {"everywhere", {kRead, u"", EIO}, EIO, EIO, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FaultyFileSystem files{c.fault};
        std::string bytes;
        EXPECT_EQ(files.readFile(a, 1024, bytes), c.readA);
        EXPECT_EQ(files.readFile(sibling, 1024, bytes), c.readSibling);
        const Failure written = files.replaceFile(a, "a");
        EXPECT_EQ(written.code, hresultFromErrno(c.writeA));
        std::vector<DirectoryEntry> entries;
        EXPECT_EQ(files.listFolder(in, entries), 0) << "listings still name the file";
        EXPECT_EQ(entries.size(), 1u);
    }
}

TEST(FaultyFileSystemTest, OpenFilesFailTheirReadsAndWritesAndStreamsSeeTheFullDisk)
{
    TempDir dir;
    writeFile(dir.path() / "a.txt", "abc");
    FaultyFileSystem files;
    files.failReads(u16(dir.path() / "a.txt")).fillDisk(u16(dir.path() / "out"));
    int error = 0;
    const auto reading = files.openForReading(u16(dir.path() / "a.txt"), error);
    ASSERT_TRUE(reading) << "opening still works";
    char buffer[4];
    std::size_t done = 9;
    EXPECT_EQ(reading->read(buffer, sizeof buffer, done), EIO);
    EXPECT_EQ(done, 0u);
    const auto writing =
        files.openForWriting(u16(dir.path() / "out"), CreateMode::CreateAlways, error);
    ASSERT_TRUE(writing);
    EXPECT_EQ(writing->write("x", 1, done), ENOSPC);
    EXPECT_EQ(writing->close(), ENOSPC) << "a full disk shows when the file is closed, too";
    EXPECT_EQ(files.injected(), 3);
}

} // namespace
} // namespace vimo::test
