#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/SystemError.h"
#include "platform/Text.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <limits>
#include <map>
#include <optional>

namespace vimo::test {

TEST(Text, Utf16RoundTripKeepsEveryPlane)
{
    const std::u16string text = u"a<&\"é€\U0001F600z";
    EXPECT_EQ(fromUtf8(toUtf8(text)), text);
    EXPECT_EQ(toUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(Text, IllFormedInputBecomesReplacementCharacters)
{
    EXPECT_EQ(fromUtf8("a\xFF"
                       "b"),
              u"a\uFFFDb");
    EXPECT_EQ(fromUtf8("\xC3"), u"\uFFFD");     // truncated sequence
    EXPECT_EQ(fromUtf8("\xC0\xAF"), u"\uFFFD"); // an overlong "/" never becomes a separator
    EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD"); // lone surrogate
}

TEST(Text, LeadingIntegerRule)
{
    EXPECT_EQ(parseLeadingInteger(u" 300"), 300);
    EXPECT_EQ(parseLeadingInteger(u"-5"), -5);
    EXPECT_EQ(parseLeadingInteger(u"+7"), 7);
    EXPECT_EQ(parseLeadingInteger(u"640px"), 640);
    EXPECT_EQ(parseLeadingInteger(u"\t\n 64chars"), 64);
    EXPECT_EQ(parseLeadingInteger(u"abc"), 0);
    EXPECT_EQ(parseLeadingInteger(u""), 0);
    EXPECT_EQ(parseLeadingInteger(u"- 5"), 0);
    // Overflow saturates instead of wrapping into a wrong value.
    EXPECT_EQ(parseLeadingInteger(u"99999999999999999999"),
              std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(parseLeadingInteger(u"-99999999999999999999"),
              std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(parseLeadingInteger(u"-2147483648"), std::numeric_limits<std::int32_t>::min());
}

TEST(Text, CaseFoldingTouchesAsciiOnly)
{
    EXPECT_EQ(toLowerAscii(u"ÀBC"), u"Àbc");
    EXPECT_TRUE(equalsIgnoreAsciiCase(u"TRUE", u"true"));
    EXPECT_FALSE(equalsIgnoreAsciiCase(u"É", u"é"));
}

TEST(Text, ReplaceAllIsLeftToRightAndNonOverlapping)
{
    EXPECT_EQ(replaceAll(u"aaa", u"aa", u"b"), u"ba");
    EXPECT_EQ(replaceAll(u"x/abc/abc.dat", u"abc", u"N"), u"x/N/N.dat");
    EXPECT_EQ(replaceAll(u"abc", u"", u"N"), u"abc");
}

TEST(SystemErrors, DistinctCausesStayDistinguishable)
{
    EXPECT_EQ(hresultFromErrno(0), S_OK);
    EXPECT_EQ(hresultFromErrno(ENOENT), hresultFromWin32(2));
    EXPECT_EQ(hresultFromErrno(EACCES), hresultFromWin32(5));
    EXPECT_EQ(hresultFromErrno(EPERM), hresultFromWin32(5));
    EXPECT_EQ(hresultFromErrno(ENOSPC), static_cast<HRESULT>(0x80070070u));
    EXPECT_EQ(hresultFromErrno(EROFS), hresultFromWin32(19));
    EXPECT_EQ(hresultFromErrno(ENOTDIR), hresultFromWin32(3));
    EXPECT_EQ(hresultFromErrno(EIO), hresultFromWin32(31));
    EXPECT_TRUE(failed(hresultFromErrno(EEXIST)));
}

TEST(Paths, ListingIsSortedLikeTheWindowsFileSystem)
{
    TempDir dir;
    for (const char* name : {"b", "B1", "a", "_x", "A0", "z"}) {
        writeFile(dir.path() / name, "");
    }
    std::filesystem::create_directory(dir.path() / "sub");
    FileSystem& files = FileSystem::system();
    std::vector<DirectoryEntry> entries;
    ASSERT_EQ(files.listFolder(u16(dir.path()), entries), 0);
    std::vector<std::u16string> names;
    for (const auto& entry : entries) {
        names.push_back(entry.name);
    }
    // Upper-cased comparison puts "_" (0x5F) after letters, as NTFS does.
    EXPECT_EQ(names, (std::vector<std::u16string>{u"a", u"A0", u"b", u"B1", u"sub", u"z", u"_x"}));
    EXPECT_TRUE(entries.at(4).isDirectory);
    EXPECT_EQ(files.listFolder(u16(dir.path() / "missing"), entries), ENOENT);
}

TEST(Paths, ResolvesInsideFollowsLinks)
{
    TempDir dir;
    FileSystem& files = FileSystem::system();
    writeFile(dir.path() / "inner" / "file.txt", "x");
    writeFile(dir.path() / "secret.txt", "x");
    if (!makeSymlink(dir.path() / "secret.txt", dir.path() / "inner" / "out.txt")) {
        GTEST_SKIP() << kNoSymlinks;
    }
    ASSERT_TRUE(makeSymlink("file.txt", dir.path() / "inner" / "in.txt"));
    EXPECT_TRUE(
        files.resolvesInside(u16(dir.path() / "inner" / "in.txt"), u16(dir.path() / "inner")));
    EXPECT_FALSE(
        files.resolvesInside(u16(dir.path() / "inner" / "out.txt"), u16(dir.path() / "inner")));
    // A sibling whose name merely starts with the folder's name is outside.
    writeFile(dir.path() / "inner2" / "f", "x");
    EXPECT_FALSE(files.resolvesInside(u16(dir.path() / "inner2" / "f"), u16(dir.path() / "inner")));
    EXPECT_FALSE(files.exists(u""));
    EXPECT_TRUE(files.isDirectory(u16(dir.path())));
}

// Each system's rows run on that system; the other system's variables never count.
TEST(Paths, UserCacheFolderComesFromTheSystemsOwnVariables)
{
    using Env = std::map<std::string, std::optional<std::string>>;
    const struct
    {
        bool windows;
        Env env;
        std::u16string folder; // empty: none, with a reason
    } cases[] = {
        {false, {{"XDG_CACHE_HOME", "/x/cache"}, {"HOME", "/home/me"}}, u"/x/cache"},
        {false, {{"XDG_CACHE_HOME", "cache"}, {"HOME", "/home/me"}}, u"/home/me/.cache"},
        {false, {{"XDG_CACHE_HOME", std::nullopt}, {"HOME", "/home/me"}}, u"/home/me/.cache"},
        {false, {{"XDG_CACHE_HOME", ""}, {"HOME", std::nullopt}, {"LOCALAPPDATA", "/l"}}, u""},
        {true,
         {{"LOCALAPPDATA", "C:\\Users\\Zo\xC3\xAB\\AppData\\Local"}, {"XDG_CACHE_HOME", "C:\\x"}},
         u"C:\\Users\\Zo\u00eb\\AppData\\Local"},
        {true, {{"LOCALAPPDATA", "AppData\\Local"}, {"HOME", "C:\\h"}}, u""},
        {true, {{"LOCALAPPDATA", std::nullopt}, {"XDG_CACHE_HOME", "C:\\x"}}, u""},
    };
    for (const auto& c : cases) {
        if (c.windows != kOnWindows) {
            continue;
        }
        TestPlatform platform;
        platform.env = c.env;
        std::string whyNone;
        EXPECT_EQ(platform.userCacheFolder(whyNone), c.folder) << toUtf8(c.folder);
        EXPECT_EQ(whyNone.empty(), !c.folder.empty()) << whyNone;
    }
}

} // namespace vimo::test
