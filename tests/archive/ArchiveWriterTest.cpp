#include "archive/ArchiveWriter.h"
#include "archive/InFileStream.h"
#include "archive/OutFileStream.h"
#include "archive/UpdateCallback.h"
#include "platform/Text.h"
#include "support/Fixtures.h"
#include "support/ZipReader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vimo::test {
namespace {

// Linux's engine, packing for real; the refusals and the search are EngineLoadingTest's.
const std::string kSystemEngine = "/usr/lib/p7zip/7z.so";

std::vector<std::u16string> systemEngine()
{
    return {u16(kSystemEngine)};
}

long liveEngineObjects()
{
    return UpdateCallback::liveObjects() + InFileStream::liveObjects() +
           OutFileStream::liveObjects();
}

class ArchiveWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!fs::exists(kSystemEngine)) {
            GTEST_SKIP() << "the archive engine is not installed (scripts/setup-debian.sh)";
        }
        ASSERT_FALSE(moduleIsLoaded(kSystemEngine));
    }
    TempDir dir;
};

TEST_F(ArchiveWriterTest, ChecksCallsAndArgumentsBeforeWriting)
{
    ArchiveWriter writer(systemEngine());
    const fs::path file = dir.path() / "a.txt";
    writeFile(file, "a");
    EXPECT_EQ(writer.addFile(u16(file), u"a.txt"), E_UNEXPECTED);
    EXPECT_EQ(writer.create(u16(dir.path() / "a.zip")), E_UNEXPECTED);
    ASSERT_EQ(writer.init(ArchiveFormatZip), S_OK);
    EXPECT_EQ(writer.addFile(u"", u"a.txt"), E_INVALIDARG);
    EXPECT_EQ(writer.addFile(u16(dir.path() / "missing.txt"), u"m.txt"), E_INVALIDARG);
    EXPECT_EQ(writer.create(u""), E_INVALIDARG);
    EXPECT_FALSE(fs::exists(dir.path() / "a.zip"));
}

TEST_F(ArchiveWriterTest, WritesMembersInQueueOrderWithTheirExactContents)
{
    std::string big(17 * 1024 * 1024 + 123, '\0'); // more than one 16 MiB read
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>((i * 7919) >> 5);
    }
    std::string binary;
    for (int i = 0; i < 256; ++i) {
        binary.push_back(static_cast<char>(i));
    }
    const std::string deepFolder =
        "sub folder/" + std::string(120, 'd') + "/" + std::string(120, 'e');
    const std::string deepName = deepFolder + "/" + std::string(40, 'f') + ".txt";
    writeFile(dir.path() / "src" / "z last.html", "<p>z</p>");
    writeFile(dir.path() / "src" / "big.bin", big);
    writeFile(dir.path() / "src" / "bytes.bin", binary);
    writeFile(dir.path() / "src" / "Grüße ✓.txt", "non-ascii");
    writeFile(dir.path() / "src" / deepName, "deep");
    writeFile(dir.path() / "src" / "empty.txt", "");
    const fs::path archive = dir.path() / "out.zip";
    {
        ArchiveWriter writer(systemEngine());
        ASSERT_EQ(writer.init(ArchiveFormatZip), S_OK);
        EXPECT_TRUE(moduleIsLoaded(kSystemEngine));
        const auto src = [&](const std::string& name) { return u16(dir.path() / "src" / name); };
        ASSERT_EQ(writer.addFile(src("z last.html"), u"root\\z last.html"), S_OK);
        ASSERT_EQ(writer.addFile(src("big.bin"), u"root/data/big.bin"), S_OK);
        ASSERT_EQ(writer.addFile(src("bytes.bin"), u""), S_OK);
        ASSERT_EQ(writer.addFile(src("Grüße ✓.txt"), u"root/Grüße ✓.txt"), S_OK);
        ASSERT_EQ(writer.addFile(src(deepName), u"root/" + u16(deepName)), S_OK);
        ASSERT_EQ(writer.addFile(src("empty.txt"), u"root/empty.txt"), S_OK);
        ASSERT_EQ(writer.create(u16(archive)), S_OK);
        EXPECT_EQ(liveEngineObjects(), 0);
    }
    EXPECT_FALSE(moduleIsLoaded(kSystemEngine));
    EXPECT_EQ(liveEngineObjects(), 0);

    const ZipListing zip = readZip(archive);
    ASSERT_TRUE(zip.ok) << zip.error;
    ASSERT_EQ(zip.members.size(), 6u);
    EXPECT_EQ(zip.members[0].name, "root/z last.html");
    EXPECT_EQ(zip.members[0].content, "<p>z</p>");
    EXPECT_EQ(zip.members[1].name, "root/data/big.bin");
    EXPECT_EQ(zip.members[1].size, big.size());
    EXPECT_TRUE(zip.members[1].content == big);
    EXPECT_EQ(zip.members[2].name, "bytes.bin");
    EXPECT_EQ(zip.members[2].content, binary);
    EXPECT_EQ(zip.members[3].name, "root/Grüße ✓.txt");
    EXPECT_EQ(zip.members[4].name, "root/" + deepName);
    EXPECT_GT(zip.members[4].name.size(), 260u);
    EXPECT_EQ(zip.members[4].content, "deep");
    EXPECT_EQ(zip.members[5].name, "root/empty.txt");
    EXPECT_EQ(zip.members[5].content, "");
}

TEST_F(ArchiveWriterTest, GivesMembersTheirFilesDatesAndReadOnlyBit)
{
    const fs::path file = dir.path() / "old.txt";
    writeFile(file, "old");
    const timespec times[2] = {{978307200, 0}, {978307200, 0}}; // 2001-01-01
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    const fs::path archive = dir.path() / "dates.zip";
    {
        ArchiveWriter writer(systemEngine());
        ASSERT_EQ(writer.init(ArchiveFormatZip), S_OK);
        ASSERT_EQ(writer.addFile(u16(file), u"old.txt"), S_OK);
        ASSERT_EQ(writer.create(u16(archive)), S_OK);
    }
    const ZipListing zip = readZip(archive);
    ASSERT_TRUE(zip.ok) << zip.error;
    ASSERT_EQ(zip.members.size(), 1u);
    EXPECT_EQ(zip.members[0].year, 2001);
    EXPECT_EQ(zip.members[0].externalAttributes & 0xFF, 0x21u); // read-only, archive
}

// Unpacking programs give a member the mode stored with it; without one, nobody may read it.
TEST_F(ArchiveWriterTest, StoresEachFilesUnixModeBesideItsWindowsAttributes)
{
    struct Case
    {
        const char* name;
        fs::perms mode;
        std::uint32_t windowsBits;
    };
    const Case cases[] = {
        {"plain.html", fs::perms(0644), 0x20},
        {"tool.sh", fs::perms(0755), 0x20},
        {"private.txt", fs::perms(0600), 0x20},
        {"readonly.png", fs::perms(0444), 0x21},
    };
    const fs::path archive = dir.path() / "modes.zip";
    {
        ArchiveWriter writer(systemEngine());
        ASSERT_EQ(writer.init(ArchiveFormatZip), S_OK);
        for (const Case& c : cases) {
            const fs::path file = dir.path() / c.name;
            writeFile(file, c.name);
            fs::permissions(file, c.mode);
            ASSERT_EQ(writer.addFile(u16(file), fromUtf8(c.name)), S_OK);
        }
        ASSERT_EQ(writer.create(u16(archive)), S_OK);
    }
    const ZipListing zip = readZip(archive);
    ASSERT_TRUE(zip.ok) << zip.error;
    ASSERT_EQ(zip.members.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(zip.members[i].hostSystem, 3); // made by Unix, so the mode is honoured
        EXPECT_EQ(zip.members[i].externalAttributes >> 16,
                  0100000u | static_cast<std::uint32_t>(cases[i].mode));
        EXPECT_EQ(zip.members[i].externalAttributes & 0xFF, cases[i].windowsBits);
    }
}

TEST_F(ArchiveWriterTest, AnEmptyQueueStillMakesAnArchive)
{
    const fs::path archive = dir.path() / "empty.zip";
    writeFile(archive, std::string(10000, 'x')); // an older, longer file is replaced
    {
        ArchiveWriter writer(systemEngine());
        ASSERT_EQ(writer.init(ArchiveFormatZip), S_OK);
        ASSERT_EQ(writer.create(u16(archive)), S_OK);
    }
    const ZipListing zip = readZip(archive);
    ASSERT_TRUE(zip.ok) << zip.error;
    EXPECT_TRUE(zip.members.empty());
    EXPECT_LT(fs::file_size(archive), 100u);
}

// A queued file that can no longer be packed fails the archive, which is then not touched: an
// upload that silently lacks a file is worse than none.
TEST_F(ArchiveWriterTest, FailsForAFileThatCannotBePackedAndWritesNothing)
{
    struct Case
    {
        const char* name;
        std::function<void(const fs::path&)> make;   // before it is queued
        std::function<void(const fs::path&)> change; // after it is queued
        const char* reason;
    };
    const auto plain = [](const fs::path& p) { writeFile(p, "gone"); };
    const auto nothing = [](const fs::path&) {};
    const Case cases[] = {
        {"gone.txt", plain, [](const fs::path& p) { fs::remove(p); }, "No such file"},
        {"pipe.txt", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, nothing,
         "not a regular file"},
        {"sock.txt",
         [](const fs::path& p) {
             const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             std::snprintf(address.sun_path, sizeof address.sun_path, "%s", p.c_str());
             ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
             ::close(sock);
         },
         nothing, "cannot be packed"},
    };
    writeFile(dir.path() / "keep.txt", "keep");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path bad = dir.path() / c.name;
        c.make(bad);
        const fs::path archive = dir.path() / "out.zip";
        {
            ArchiveWriter writer(systemEngine());
            ASSERT_EQ(writer.init(ArchiveFormatZip), S_OK);
            ASSERT_EQ(writer.addFile(u16(dir.path() / "keep.txt"), u"keep.txt"), S_OK);
            ASSERT_EQ(writer.addFile(u16(bad), u16(fs::path(c.name))), S_OK);
            c.change(bad);
            EXPECT_LT(writer.create(u16(archive)), 0);
            EXPECT_EQ(writer.lastError().subject, u16(bad));
            EXPECT_NE(writer.lastError().reason.find(c.reason), std::string::npos)
                << writer.lastError().reason;
        }
        EXPECT_FALSE(fs::exists(archive));
        EXPECT_EQ(fs::exists(bad), std::string(c.name) != "gone.txt")
            << "a vanished file is never recreated";
        EXPECT_EQ(liveEngineObjects(), 0);
    }
}

TEST_F(ArchiveWriterTest, FailsWhenTheArchiveCannotBeWritten)
{
    writeFile(dir.path() / "a.txt", "a");
    writeFile(dir.path() / "plain", "not a folder");
    fs::create_directories(dir.path() / "taken.zip" / "inside");
    ArchiveWriter writer(systemEngine());
    ASSERT_EQ(writer.init(ArchiveFormatZip), S_OK);
    ASSERT_EQ(writer.addFile(u16(dir.path() / "a.txt"), u"a.txt"), S_OK);
    EXPECT_EQ(writer.create(u16(dir.path() / "plain" / "a.zip")), E_FAIL);
    EXPECT_EQ(writer.create(u16(dir.path() / "taken.zip")), E_FAIL);
    EXPECT_TRUE(fs::is_directory(dir.path() / "taken.zip" / "inside"));
    if (fs::exists("/dev/full")) {
        // A full disk is a failure, never an archive reported as written.
        EXPECT_EQ(writer.create(u"/dev/full"), hresultFromWin32(ERROR_DISK_FULL));
    }
    EXPECT_EQ(liveEngineObjects(), 0);
}

} // namespace
} // namespace vimo::test
