#include "archive/InFileStream.h"
#include "archive/OutFileStream.h"
#include "archive/UpdateCallback.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "support/ChildProcesses.h"
#include "support/FaultyFileSystem.h"
#include "support/Fixtures.h"
#include "support/RecordingPlatform.h"
#include "support/ZipReader.h"
#include "workspace/PackageInspector.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <set>

namespace vimo::test {
namespace {

DeveloperConfiguration configuration(StringSet allowed, StringSet ignored = {})
{
    DeveloperConfiguration config;
    config.allowedExtensions = std::move(allowed);
    config.ignoredFiles = std::move(ignored);
    return config;
}

TEST(ClassifyFileTest, IgnoresByExactNameAndPacksByLowercasedExtension)
{
    VimoWorkspace workspace;
    workspace.setConfiguration(configuration({u"html", u"png", u"gz"}, {u"Thumbs.db", u"a.html"}));
    EXPECT_EQ(workspace.classifyFile(nativePath(u"/v/index.html")), FilePackable);
    EXPECT_EQ(workspace.classifyFile(nativePath(u"/v/logo.PNG")), FilePackable);
    EXPECT_EQ(workspace.classifyFile(nativePath(u"/v/archive.tar.gz")), FilePackable);
    EXPECT_EQ(workspace.classifyFile(nativePath(u"/v/notes.txt")), FileNotSupported);
    EXPECT_EQ(workspace.classifyFile(nativePath(u"/v/Thumbs.db")), FileIgnored);
    EXPECT_EQ(workspace.classifyFile(nativePath(u"/v/sub/a.html")), FileIgnored)
        << "the ignore test comes first";
    EXPECT_EQ(workspace.classifyFile(nativePath(u"/v/thumbs.db")), FileNotSupported);
    EXPECT_EQ(workspace.classifyFile(nativePath(u"/v/file.")), FileNotSupported);
    EXPECT_EQ(workspace.classifyFile(u""), FileNotSupported);

    workspace.setConfiguration(
        configuration({u"HTML", u"old", nativePath(u"/v/license")}, {u"thumbs.db"}));
    EXPECT_EQ(workspace.classifyFile(nativePath(u"/v/a.HTML")), FileNotSupported)
        << "allowed values are lowercase";
    EXPECT_EQ(workspace.classifyFile(nativePath(u"/v/Thumbs.db")), FileNotSupported);
    // The extension comes from the whole path: a dotless name takes part of its folder path.
    EXPECT_EQ(workspace.classifyFile(nativePath(u"/v/web.old/readme")), FileNotSupported);
    EXPECT_EQ(workspace.classifyFile(nativePath(u"/v/LICENSE")), FilePackable);
}

TEST(ListFolderFilesTest, ListsDepthFirstInFileNameOrder)
{
    TempDir dir;
    const fs::path root = dir.path() / "orvo1Vimoz";
    for (const char* name : {"b.txt", "A.txt", "a b.txt", "sub/c.txt", "sub/deeper/d.txt",
                             "Sub2/e.txt", ".hidden", "z.txt"}) {
        writeFile(root / name, name);
    }
    fs::create_directories(root / "empty");
    VimoWorkspace workspace;
    const std::u16string r = u16(root);
    PathList expected;
    for (const char16_t* name : {u"/.hidden", u"/a b.txt", u"/A.txt", u"/b.txt", u"/sub/c.txt",
                                 u"/sub/deeper/d.txt", u"/Sub2/e.txt", u"/z.txt"}) {
        expected.push_back(r + nativePath(name));
    }
    EXPECT_EQ(workspace.listFolderFiles(r), expected);
    EXPECT_EQ(workspace.listFolderFiles(r + kPathSeparator), expected);
    EXPECT_TRUE(workspace.listFolderFiles(u16(root / "empty")).empty());
    EXPECT_TRUE(workspace.listFolderFiles(u16(root / "missing")).empty());
    EXPECT_TRUE(workspace.listFolderFiles(u"").empty());
}

TEST(ListFolderFilesTest, FollowsNoFolderLinkAndNoLinkLeadingOutside)
{
    TempDir dir;
    const fs::path root = dir.path() / "vimo";
    writeFile(root / "in.html", "in");
    writeFile(dir.path() / "private" / "secret.html", "secret");
    if (!makeSymlink(root, root / "loop")) {
        GTEST_SKIP() << kNoSymlinks;
    }
    fs::create_symlink(dir.path() / "private", root / "outside folder");
    fs::create_symlink(dir.path() / "private" / "secret.html", root / "secret.html");
    fs::create_symlink(root / "in.html", root / "same.html");
    fs::create_symlink(root / "nowhere", root / "dangling.html");
    VimoWorkspace workspace;
    const PathList files = workspace.listFolderFiles(u16(root));
    EXPECT_EQ(files, (PathList{u16(root / "in.html"), u16(root / "same.html")}));
    // The links that lead out, or nowhere, stay in the full listing so they can be shown.
    PathList outside;
    for (const FolderListing::Entry& entry : workspace.listFolderTree(u16(root)).entries) {
        if (entry.leadsOutside) {
            outside.push_back(entry.path);
        }
    }
    EXPECT_EQ(outside, (PathList{u16(root / "dangling.html"), u16(root / "secret.html")}));
}

const std::string kSystemEngine = "/usr/lib/p7zip/7z.so";

// A fixture installation with the Vimo 42 in the catalogue. The tests that build an archive
// derive UploadPackageTest, which needs Linux's engine and libzip to read the archive back.
class UploadFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VimoSpec spec;
        spec.id = "42";
        m_folder = m_install.addVimo(spec);
        m_workspace.setInstallFolder(m_install.installFolderU16());
        m_workspace.setConfiguration(configuration({u"html", u"png"}, {u"Thumbs.db"}));
    }

    // Reads the catalogue; call after the files are in place.
    void load() { ASSERT_GE(m_workspace.loadAll(), 0); }

    fs::path archive() const { return fs::path(m_folder.string() + ".zip"); }

    // Builds the package and reads the archive back.
    ZipListing build(HRESULT expected = S_OK)
    {
        m_unsupported.clear();
        EXPECT_EQ(m_workspace.buildUploadPackage(u"42", m_unsupported), expected);
        EXPECT_FALSE(moduleIsLoaded(kSystemEngine)) << "the engine is unloaded after every build";
        EXPECT_EQ(UpdateCallback::liveObjects() + InFileStream::liveObjects() +
                      OutFileStream::liveObjects(),
                  0);
        return readZip(archive());
    }

    InstallationFixture m_install;
    VimoWorkspace m_workspace{m_install.platform()};
    fs::path m_folder;
    std::u16string m_unsupported;

    // Why archives cannot be built and read back here; null when they can.
    static const char* cannotPack()
    {
        if (kOnWindows) {
            return "no archive engine for Windows can be had here (Debian has no 7z.dll), nor "
                   "libzip to read an archive back";
        }
        return fs::exists(kSystemEngine)
                   ? nullptr
                   : "the archive engine is not installed (scripts/setup-debian.sh)";
    }
};

// What is refused or answered before any engine is loaded.
class UploadRefusalTest : public UploadFixture
{
};

class UploadPackageTest : public UploadFixture
{
protected:
    void SetUp() override
    {
        if (const char* why = cannotPack()) {
            GTEST_SKIP() << why;
        }
        UploadFixture::SetUp();
    }
};

TEST_F(UploadPackageTest, PacksAllowedFilesUnderTheirMemberNamesAndListsTheOthers)
{
    writeFile(m_folder / "index.html", "<html>root</html>");
    writeFile(m_folder / "logo.PNG", std::string("\x89PNG\0\xff", 6));
    writeFile(m_folder / "notes.txt", "notes");
    writeFile(m_folder / "Thumbs.db", "thumbs");
    writeFile(m_folder / "ver1" / "content" / "img" / "my pic ✓.png", "pic");
    load();
    const ZipListing zip = build();
    ASSERT_TRUE(zip.ok) << zip.error;
    EXPECT_EQ(memberNames(zip),
              (std::vector<std::string>{"orvo42Vimoz/index.html", "orvo42Vimoz/logo.PNG",
                                        "orvo42Vimoz/ver1/content/42/index.html",
                                        "orvo42Vimoz/ver1/content/img/my pic ✓.png",
                                        "orvo42Vimoz/ver1/theme/42/icon.png"}));
    ASSERT_EQ(zip.members.size(), 5u);
    EXPECT_EQ(zip.members[1].content, std::string("\x89PNG\0\xff", 6));
    EXPECT_EQ(zip.members[3].content, "pic");
    EXPECT_EQ(m_unsupported, u"notes.txt, VimozList.xml");
    EXPECT_EQ(m_workspace.uploadArchivePath(u"42"), u16(archive()));
}

// A backslash would become a folder separator in the member name and could stand in for a real
// member: the file is left out of the archive and the copy, and reported like an unsupported one.
TEST_F(UploadPackageTest, LeavesOutNamesWindowsCannotHold)
{
    writeFile(m_folder / "a" / "b.html", "real");
    writeFile(m_folder / "a\\b.html", "impostor");
    writeFile(m_folder / "x\\y" / "c.html", "in a folder with a backslash");
    load();
    const ZipListing zip = build();
    ASSERT_TRUE(zip.ok) << zip.error;
    EXPECT_EQ(memberNames(zip), (std::vector<std::string>{"orvo42Vimoz/a/b.html",
                                                          "orvo42Vimoz/ver1/content/42/index.html",
                                                          "orvo42Vimoz/ver1/theme/42/icon.png"}));
    EXPECT_EQ(zip.members[0].content, "real");
    EXPECT_EQ(m_unsupported, u"a\\b.html, VimozList.xml, c.html");

    const PackageListing listing =
        PackageInspector(m_workspace).inspect(m_workspace.catalogue().at(u"42"));
    std::vector<std::u16string> impossible;
    for (const InspectedFile& file : listing.files) {
        if (file.verdict == Verdict::NameNotPossible) {
            impossible.push_back(file.relative);
        }
    }
    EXPECT_EQ(impossible, (std::vector<std::u16string>{u"a\\b.html", u"x\\y/c.html"}));
    EXPECT_STREQ(PackageInspector::verdictText(Verdict::NameNotPossible),
                 "name not possible on Windows");
    for (const std::u16string& file : m_workspace.listCopyableFiles(u"42")) {
        EXPECT_EQ(file.find(u'\\'), std::u16string::npos) << toUtf8(file);
    }
}

// What lies beside the service folders other than the archives and the folders themselves.
std::vector<std::string> strayFiles(const fs::path& services)
{
    std::vector<std::string> stray;
    for (const auto& entry : fs::directory_iterator(services)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_directory() && !name.ends_with("Vimoz.zip")) {
            stray.push_back(name);
        }
    }
    return stray;
}

// The upload path holds the previous archive or a whole new one, whatever stops a build: a
// file-size limit (reported, as the programs ignore the signal) or a kill at any moment.
TEST_F(UploadPackageTest, AStoppedBuildLeavesThePreviousArchiveOrAWholeNewOne)
{
    if (!canFork()) {
        GTEST_SKIP() << kNoFork;
    }
    std::mt19937 random(11);
    writeFile(m_folder / "ver1" / "content" / "42" / "noise.png", randomBytes(400000, 11));
    load();
    ASSERT_TRUE(build().ok);
    const std::string previous = readFile(archive());
    const fs::path services = m_folder.parent_path();

    // A limit far below the archive's size, in a child so that the limit stays there.
    const int status = runInChild([&] {
        keepRunningPastFileSizeLimit();
        limitFileSize(65536);
        std::u16string unsupported;
        const HRESULT hr = m_workspace.buildUploadPackage(u"42", unsupported);
        const bool named = m_workspace.lastError().reason.find("too large") != std::string::npos;
        return hr < 0 && named ? 3 : 4;
    });
    EXPECT_EQ(status, 3) << "a negative result naming the cause (negative: the signal)";
    EXPECT_EQ(readFile(archive()), previous);
    EXPECT_EQ(strayFiles(services), std::vector<std::string>{});

    // Kills at random moments of a build; every archive seen is the old one or reads whole.
    writeFile(m_folder / "ver1" / "content" / "42" / "more.html", "more");
    std::set<std::string> checked{previous};
    std::uniform_int_distribution<int> delay(0, 25000);
    for (int round = 0; round < 50; ++round) {
        killChildAfter(
            [&] {
                std::u16string unsupported;
                m_workspace.buildUploadPackage(u"42", unsupported);
            },
            std::chrono::microseconds(delay(random)));
        const std::string now = readFile(archive());
        if (checked.insert(now).second) {
            const ZipListing zip = readZip(archive());
            EXPECT_TRUE(zip.ok) << "round " << round << ": " << zip.error;
            EXPECT_EQ(zip.members.size(), 4u);
        }
    }
    // The next build removes what killed ones left behind.
    ASSERT_TRUE(build().ok);
    EXPECT_EQ(strayFiles(services), std::vector<std::string>{});
}

// A file that should be packed and cannot be fails the build, naming it, and the previous archive
// stays; a file that would be left out anyway is left out as before.
TEST_F(UploadPackageTest, AFileThatCannotBePackedFailsTheBuild)
{
    load();
    ASSERT_TRUE(build().ok);
    std::string previous = readFile(archive());
    const struct
    {
        std::string name;
        bool unlistable;    // its folder cannot be read
        std::string reason; // empty when the build succeeds
    } cases[] = {
        {"caf\xe9.html", false, "not valid UTF-8"}, // Latin-1: the engine could not open it by name
        {"caf\xe9.txt", false, ""},                 // not allowed anyway
        {"caf\xc3\xa9.html", false, ""},            // valid UTF-8
        {"sub/page.html", true, "the folder cannot be read: Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = m_folder / "ver1" / "content" / c.name;
        writeFile(file, "text");
        FaultyFileSystem files;
        if (c.unlistable) {
            files.add({kList, u16(file.parent_path()), EACCES});
            m_install.platform().files = &files;
        }
        std::u16string unsupported;
        const HRESULT hr = m_workspace.buildUploadPackage(u"42", unsupported);
        m_install.platform().files = nullptr;
        if (!c.reason.empty()) {
            EXPECT_LT(hr, 0);
            EXPECT_NE(m_workspace.lastError().reason.find(c.reason), std::string::npos)
                << m_workspace.lastError().reason;
            EXPECT_EQ(readFile(archive()), previous);
        } else {
            EXPECT_EQ(hr, S_OK) << m_workspace.lastError().reason;
            previous = readFile(archive());
        }
        fs::remove(file);
    }
}

TEST_F(UploadRefusalTest, AnIdentifierClimbingOutOfItsFolderIsNeverPacked)
{
    const std::string escape = "../../../../" + m_install.root().filename().string() + "/escape";
    const fs::path evil = m_install.installFolder() / "services" / "orvoescapeVimoz";
    writeFile(evil / "ver1" / "VimozList.xml",
              "<vimozList><vimoz><vimo id=\"" + escape +
                  "\" userCreated=\"true\" devStatus=\"dev\"/></vimoz></vimozList>");
    writeFile(evil / "index.html", "<html>escape</html>");
    load();

    std::vector<std::u16string> ids;
    for (const auto& [id, info] : m_workspace.catalogue()) {
        ids.push_back(id);
    }
    EXPECT_EQ(ids, std::vector<std::u16string>{u"42"});
    std::u16string unsupported;
    EXPECT_EQ(m_workspace.buildUploadPackage(fromUtf8(escape), unsupported), S_FALSE);

    if (const char* why = cannotPack()) {
        GTEST_SKIP() << why;
    }
    const ZipListing zip = build();
    ASSERT_TRUE(zip.ok) << zip.error;
    EXPECT_FALSE(zip.members.empty());
    for (const ZipMember& member : zip.members) {
        EXPECT_TRUE(member.name.starts_with("orvo42Vimoz/")) << member.name;
        EXPECT_EQ(member.name.find(".."), std::string::npos) << member.name;
    }
    // The only archive anywhere in the fixture is the one of 42.
    for (const auto& entry : fs::recursive_directory_iterator(m_install.root())) {
        if (entry.path().extension() == ".zip") {
            EXPECT_EQ(entry.path(), archive());
        }
    }
}

TEST_F(UploadPackageTest, ReplacesAnOldArchiveAndLeavesAnUndeletableOneAlone)
{
    load();
    writeFile(archive(), std::string(100000, 'o'));
    ZipListing zip = build();
    ASSERT_TRUE(zip.ok) << zip.error;
    EXPECT_EQ(zip.members.size(), 2u);

    // Writing through a link would create or replace a file outside the services folder.
    TempDir elsewhere;
    fs::remove(archive());
    fs::create_symlink(elsewhere.path() / "target.zip", archive());
    zip = build();
    ASSERT_TRUE(zip.ok) << zip.error;
    EXPECT_FALSE(fs::is_symlink(archive()));
    EXPECT_FALSE(fs::exists(elsewhere.path() / "target.zip"));

    fs::remove(archive());
    writeFile(archive() / "kept.txt", "kept");
    std::u16string unsupported;
    EXPECT_EQ(m_workspace.buildUploadPackage(u"42", unsupported), E_FAIL);
    EXPECT_EQ(readFile(archive() / "kept.txt"), "kept");
}

TEST_F(UploadPackageTest, FailsInAFolderThatCannotBeWritten)
{
    // Injected rather than set with permissions, which the superuser ignores.
    load();
    FaultyFileSystem files;
    files.refuseWrites(u16(m_folder.parent_path()));
    m_install.platform().files = &files;
    std::u16string unsupported;
    EXPECT_EQ(m_workspace.buildUploadPackage(u"42", unsupported), E_FAIL);
    EXPECT_FALSE(fs::exists(archive()));
    EXPECT_NE(m_workspace.lastError().reason.find("Permission denied"), std::string::npos);
    m_install.platform().files = nullptr;
}

TEST_F(UploadRefusalTest, AnswersOneForAnUnknownVimoWithoutTouchingAnything)
{
    load();
    std::u16string unsupported;
    EXPECT_EQ(m_workspace.buildUploadPackage(u"43", unsupported), S_FALSE);
    EXPECT_EQ(m_workspace.buildUploadPackage(u"042", unsupported), S_FALSE);
    EXPECT_TRUE(unsupported.empty());
    EXPECT_FALSE(fs::exists(archive()));
    EXPECT_TRUE(m_workspace.uploadArchivePath(u"43").empty());
}

TEST_F(UploadPackageTest, AVimoWithoutPackableFilesStillGetsAnArchive)
{
    load();
    m_workspace.setConfiguration(configuration({u"js"}, {u"icon.png"}));
    const ZipListing zip = build();
    ASSERT_TRUE(zip.ok) << zip.error;
    EXPECT_TRUE(zip.members.empty());
    EXPECT_EQ(m_unsupported, u"index.html, VimozList.xml");
}

TEST_F(UploadPackageTest, PacksTenThousandFilesAndDeepPathsInListingOrder)
{
    const std::string deep = "ver1/" + std::string(100, 'a') + "/" + std::string(100, 'b') + "/" +
                             std::string(80, 'c') + ".html";
    writeFile(m_folder / deep, "deep");
    for (int i = 0; i < 10000; ++i) {
        writeFile(m_folder / "many" / ("f" + std::to_string(i) + ".html"), std::to_string(i));
    }
    load();
    const ZipListing zip = build();
    ASSERT_TRUE(zip.ok) << zip.error;
    ASSERT_EQ(zip.members.size(), 10003u);
    const PathList files = m_workspace.listFolderFiles(u16(m_folder));
    std::size_t member = 0;
    for (const std::u16string& file : files) {
        if (m_workspace.classifyFile(file) != FilePackable) {
            continue;
        }
        const std::string expected = "orvo42Vimoz/" + toUtf8(file.substr(u16(m_folder).size() + 1));
        ASSERT_EQ(zip.members[member].name, expected);
        ASSERT_EQ(zip.members[member].content, readFile(toFsPath(file)));
        ++member;
    }
    EXPECT_EQ(member, zip.members.size());
    EXPECT_EQ(zip.members[0].name, "orvo42Vimoz/many/f0.html");
    EXPECT_EQ(zip.members[1].name, "orvo42Vimoz/many/f1.html");
    EXPECT_EQ(zip.members[2].name, "orvo42Vimoz/many/f10.html");
    EXPECT_EQ(zip.members[10000].name, "orvo42Vimoz/" + deep);
}

// Random bytes do not compress, so the engine stores them and the archive grows byte for byte
// with the file: the first build finds the archive's overhead.
TEST_F(UploadPackageTest, RefusesArchivesOfFiveMebibytesOrMore)
{
    const std::string pool = randomBytes(kUploadSizeLimit, 42);
    std::string data = pool.substr(0, 5000000);
    const fs::path file = m_folder / "data.png";
    writeFile(file, data);
    load();
    ASSERT_TRUE(build().ok);
    const std::uint64_t overhead = fs::file_size(archive()) - data.size();

    data = pool.substr(0, kUploadSizeLimit - overhead);
    writeFile(file, data);
    ZipListing zip = build(S_FALSE);
    ASSERT_EQ(fs::file_size(archive()), kUploadSizeLimit);
    ASSERT_TRUE(zip.ok) << zip.error << " (a refused archive stays on disk)";

    data.pop_back();
    writeFile(file, data);
    zip = build(S_OK);
    ASSERT_EQ(fs::file_size(archive()), kUploadSizeLimit - 1);
    ASSERT_TRUE(zip.ok) << zip.error;
    EXPECT_TRUE(zip.members[0].content == data);
}

TEST_F(UploadRefusalTest, CopiesTheArchivePathOnlyForAKnownVimoAndAWorkingClipboard)
{
    load();
    FakeClipboard clipboard;
    EXPECT_EQ(m_workspace.copyArchivePathToClipboard(u"42", nullptr), E_UNEXPECTED);
    EXPECT_EQ(m_workspace.copyArchivePathToClipboard(u"7", &clipboard), E_FAIL);
    EXPECT_EQ(clipboard.calls, 0);
    clipboard.accept = false;
    EXPECT_EQ(m_workspace.copyArchivePathToClipboard(u"42", &clipboard), E_FAIL);
    EXPECT_EQ(m_workspace.lastError().reason, "another program holds the clipboard");
    clipboard.accept = true;
    EXPECT_EQ(m_workspace.copyArchivePathToClipboard(u"42", &clipboard), S_OK);
    EXPECT_EQ(clipboard.text, u16(archive()));
    EXPECT_FALSE(fs::exists(archive())) << "the path is named, not built";
}

} // namespace
} // namespace vimo::test
