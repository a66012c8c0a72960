#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "support/ChildProcesses.h"
#include "support/FaultyFileSystem.h"
#include "support/Fixtures.h"
#include "support/RecordingPlatform.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace vimo::test {

namespace {

constexpr std::int64_t kClock = 1215000000;

// Every path below a folder, relative to it, links included, so that "nothing was written"
// can be checked.
std::set<std::string> tree(const fs::path& folder)
{
    std::set<std::string> paths;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        paths.insert(fs::relative(it->path(), folder).generic_string());
    }
    return paths;
}

} // namespace

class DevelopmentCopyTest : public ::testing::Test
{
protected:
    InstallationFixture m_fixture;
    RecordingPlatform m_platform;
    VimoWorkspace m_workspace{m_platform};

    void SetUp() override
    {
        m_platform.env["WINEPREFIX"] = m_fixture.prefix().string();
        m_platform.clock = kClock;
        m_platform.clientRunning = true; // refresh requests reach the client and are counted
        DeveloperConfiguration configuration;
        configuration.allowedExtensions = {u"xml", u"html", u"png", u"js"};
        configuration.ignoredFiles = {u"Thumbs.db"};
        m_workspace.setConfiguration(configuration);
        m_workspace.setInstallFolder(u16(m_fixture.installFolder()));
    }
    fs::path services() const { return m_fixture.installFolder() / "services"; }
    fs::path packages() const { return m_fixture.installFolder() / "packages"; }
    void load() { ASSERT_EQ(m_workspace.loadAll(), S_OK); }
    std::string newId(std::int64_t seconds) const
    {
        return "dev_user_vimo_" + std::to_string(seconds);
    }
};

TEST_F(DevelopmentCopyTest, CopiesThePackableFilesAndThePackageUnderANewIdentifier)
{
    const fs::path source = m_fixture.addVimo(vimoSpec("abc", "published"));
    writeFile(source / "notes.doc", "not allowed");
    writeFile(source / "ver1" / "content" / "abc" / "Thumbs.db", "ignored");
    writeFile(source / "ver1" / "content" / "abc" / "js" / "abc.js", "var abc;");
    writeFile(m_fixture.packageFolder("abc") / "abc.dat", "package data");
    load();
    const auto sourceTree = tree(source);

    std::u16string id;
    ASSERT_EQ(m_workspace.createDevelopmentCopy(u"abc", id), S_OK);
    const std::string n = newId(kClock);
    EXPECT_EQ(id, fromUtf8(n));
    const fs::path copy = m_fixture.serviceFolder(n);
    EXPECT_EQ(tree(copy), (std::set<std::string>{
                              "ver1", "ver1/VimozList.xml", "ver1/content", "ver1/content/" + n,
                              "ver1/content/" + n + "/index.html", "ver1/content/" + n + "/js",
                              "ver1/content/" + n + "/js/" + n + ".js", "ver1/theme",
                              "ver1/theme/" + n, "ver1/theme/" + n + "/icon.png"}));
    EXPECT_EQ(readFile(copy / "ver1" / "content" / n / "js" / (n + ".js")), "var abc;");
    EXPECT_EQ(tree(source), sourceTree); // the published Vimo is left as it was

    const fs::path package = m_fixture.packageFolder(n);
    EXPECT_EQ(readFile(package / (n + ".dat")), "package data");
    const std::string config = readFile(package / "Vimoz" / "VimoConfig.xml");
    EXPECT_NE(config.find("\"EnableReload\" Value=\"0\""), std::string::npos) << config;
    EXPECT_NE(readFile(m_fixture.packageFolder("abc") / "Vimoz" / "VimoConfig.xml")
                  .find("\"EnableReload\" Value=\"1\""),
              std::string::npos);

    EXPECT_EQ(m_platform.clientCommands, std::vector<std::u16string>{u"orvo:refresh_packages"});
    VimoInfo info;
    ASSERT_EQ(m_workspace.getVimo(id, info), S_OK);
    EXPECT_TRUE(info.isDev);
    EXPECT_EQ(info.folder, u16(copy));
    const std::string catalogue = readFile(copy / "ver1" / "VimozList.xml");
    EXPECT_NE(catalogue.find("id=\"" + n + "\""), std::string::npos) << catalogue;
    EXPECT_NE(catalogue.find("devStatus=\"dev\""), std::string::npos) << catalogue;
}

TEST_F(DevelopmentCopyTest, ATakenIdentifierIsCountedUpUntilFree)
{
    m_fixture.addVimo(vimoSpec("abc", "published"));
    // Something of the next seconds' names exists already: a stray package folder and an entry
    // whose folder is named otherwise.
    fs::create_directories(packages() / newId(kClock + 1));
    VimoSpec other = vimoSpec(newId(kClock + 2), "dev", false);
    writeFile(services() / "orvoOtherVimoz" / "ver1" / "VimozList.xml",
              InstallationFixture::catalogueXml(other));
    load();

    std::u16string first;
    std::u16string second;
    ASSERT_EQ(m_workspace.createDevelopmentCopy(u"abc", first), S_OK);
    // The same second again: the first copy's folders must not be overwritten.
    writeFile(m_fixture.serviceFolder(newId(kClock)) / "ver1" / "content" / newId(kClock) /
                  "edited.html",
              "the developer's work");
    ASSERT_EQ(m_workspace.createDevelopmentCopy(u"abc", second), S_OK);
    EXPECT_EQ(first, fromUtf8(newId(kClock)));
    EXPECT_EQ(second, fromUtf8(newId(kClock + 3)));
    EXPECT_TRUE(fs::exists(m_fixture.serviceFolder(newId(kClock + 3)) / "ver1" / "VimozList.xml"));
    EXPECT_EQ(readFile(m_fixture.serviceFolder(newId(kClock)) / "ver1" / "content" / newId(kClock) /
                       "edited.html"),
              "the developer's work");
    EXPECT_TRUE(fs::is_empty(packages() / newId(kClock + 1)));

    // Copying an under-development copy made in this very second: its own name is taken.
    std::u16string third;
    m_platform.clock = kClock + 3;
    ASSERT_EQ(m_workspace.createDevelopmentCopy(second, third), S_OK);
    EXPECT_EQ(third, fromUtf8(newId(kClock + 4)));
}

TEST_F(DevelopmentCopyTest, TheInstallationsOwnPathIsNeverRewritten)
{
    // The identifier "Orvo" is also a folder name in the installation's path ("…/Orvo/").
    const fs::path source = m_fixture.addVimo(vimoSpec("Orvo", "published"));
    writeFile(m_fixture.packageFolder("Orvo") / "Orvo.dat", "x");
    // A package folder named in another letter case than the identifier is written in.
    m_fixture.addVimo(vimoSpec("abc", "published", false));
    writeFile(packages() / "ABC" / "Vimoz" / "VimoConfig.xml",
              InstallationFixture::vimoConfigXml());
    writeFile(packages() / "ABC" / "abc.dat", "a");
    load();
    const auto sourcePackage = tree(packages() / "ABC");
    std::u16string id;
    ASSERT_EQ(m_workspace.createDevelopmentCopy(u"Orvo", id), S_OK);
    const std::string n = newId(kClock);
    EXPECT_TRUE(fs::exists(m_fixture.serviceFolder(n) / "ver1" / "content" / n / "index.html"));
    EXPECT_TRUE(fs::exists(m_fixture.packageFolder(n) / (n + ".dat")));
    EXPECT_FALSE(fs::exists(m_fixture.installFolder().parent_path() / n));
    EXPECT_TRUE(fs::exists(source / "ver1" / "content" / "Orvo" / "index.html"));

    ASSERT_EQ(m_workspace.createDevelopmentCopy(u"abc", id), S_OK);
    const std::string m = newId(kClock + 1);
    EXPECT_EQ(readFile(m_fixture.packageFolder(m) / (m + ".dat")), "a");
    EXPECT_TRUE(fs::exists(m_fixture.packageFolder(m) / "Vimoz" / "VimoConfig.xml"));
    EXPECT_EQ(tree(packages() / "ABC"), sourcePackage);
}

TEST_F(DevelopmentCopyTest, RefusesSourcesThatWouldWriteOutsideOrOntoThemselves)
{
    // A catalogue entry whose folder name does not hold its identifier: every file would map
    // onto itself.
    writeFile(services() / "orvoElsewhereVimoz" / "ver1" / "VimozList.xml",
              InstallationFixture::catalogueXml(vimoSpec("xyz", "published")));
    writeFile(services() / "orvoElsewhereVimoz" / "index.html", "keep");
    fs::create_directories(packages() / "xyz");
    writeFile(packages() / "xyz" / "xyz.dat", "keep");
    // Identifiers that could name paths elsewhere.
    writeFile(services() / "orvo..Vimoz" / "ver1" / "VimozList.xml",
              InstallationFixture::catalogueXml(vimoSpec("..", "published")));
    writeFile(services() / "orvoa_bVimoz" / "ver1" / "VimozList.xml",
              InstallationFixture::catalogueXml(vimoSpec("../a", "published")));
    load();
    const auto before = tree(m_fixture.root());

    for (const std::u16string& bad :
         {std::u16string(u".."), std::u16string(u"../a"), std::u16string(u"a/b"),
          std::u16string(u"a\\b"), std::u16string(u"a\0b", 3), std::u16string()}) {
        std::u16string id;
        EXPECT_EQ(m_workspace.createDevelopmentCopy(bad, id), E_INVALIDARG) << toUtf8(bad);
        EXPECT_EQ(id, u"");
    }
    std::u16string id;
    EXPECT_TRUE(failed(m_workspace.createDevelopmentCopy(u"xyz", id)));
    EXPECT_EQ(id, u"");
    EXPECT_EQ(tree(m_fixture.root()), before);
    EXPECT_EQ(readFile(services() / "orvoElsewhereVimoz" / "index.html"), "keep");
    EXPECT_TRUE(m_platform.clientCommands.empty());

    // The same guards hold for the single steps.
    const fs::path file = services() / "orvoElsewhereVimoz" / "index.html";
    EXPECT_TRUE(failed(m_workspace.copyOneFile(u16(file), u16(file))));
    fs::create_hard_link(file, services() / "orvoElsewhereVimoz" / "link.html");
    EXPECT_TRUE(failed(
        m_workspace.copyOneFile(u16(file), u16(services() / "orvoElsewhereVimoz" / "link.html"))));
    EXPECT_TRUE(failed(m_workspace.copyFiles({u16(file)}, u"xyz", u"new")));
    EXPECT_EQ(readFile(file), "keep");
    EXPECT_EQ(m_workspace.copyFiles({u16(file)}, u"Elsewhere", u"../x"), E_INVALIDARG);
    EXPECT_EQ(m_workspace.copyPackage(u"..", u"x"), E_INVALIDARG);
    EXPECT_EQ(m_workspace.copyFiles({u16(m_fixture.root() / "outside")}, u"outside", u"x"),
              E_INVALIDARG);
}

TEST_F(DevelopmentCopyTest, SymbolicLinksFollowTheListingRule)
{
    const fs::path source = m_fixture.addVimo(vimoSpec("abc", "published"));
    writeFile(m_fixture.root() / "secret.html", "outside the Vimo");
    if (!makeSymlink(m_fixture.root() / "secret.html", source / "ver1" / "secret.html")) {
        GTEST_SKIP() << kNoSymlinks;
    }
    fs::create_symlink("content/abc/index.html", source / "ver1" / "inside.html");
    fs::create_directory_symlink(source / "ver1", source / "ver1" / "content" / "abc" / "loop");
    load();
    std::u16string id;
    ASSERT_EQ(m_workspace.createDevelopmentCopy(u"abc", id), S_OK);
    const fs::path copy = m_fixture.serviceFolder(toUtf8(id));
    EXPECT_FALSE(fs::exists(copy / "ver1" / "secret.html"));
    EXPECT_FALSE(fs::exists(copy / "ver1" / "content" / toUtf8(id) / "loop"));
    // A link to a file of the Vimo is copied as the file it leads to.
    EXPECT_EQ(readFile(copy / "ver1" / "inside.html"),
              readFile(source / "ver1" / "content" / "abc" / "index.html"));
    EXPECT_FALSE(fs::is_symlink(copy / "ver1" / "inside.html"));
}

TEST_F(DevelopmentCopyTest, AFailureMidwayLeavesNothingBehind)
{
    const std::string n = newId(kClock);
    struct Case
    {
        const char* source;
        std::function<void(const fs::path& service, const fs::path& package)> spoil;
        std::string cause; // the end of the failure's subject
    };
    const Case cases[] = {
        // Half of the service folder copied: a file whose name takes the copy's identifier
        // would land on a folder that was copied before it.
        {"fileclash",
         [&](const fs::path& service, const fs::path&) {
             writeFile(service / "ver1" / (n + ".html") / "page.html", "in a folder");
             writeFile(service / "ver1" / "fileclash.html", "a file");
         },
         "/ver1/" + n + ".html"},
        {"nopackage", [](const fs::path&, const fs::path& package) { fs::remove_all(package); },
         "/packages/nopackage"},
        {"emptypackage",
         [](const fs::path&, const fs::path& package) {
             fs::remove_all(package);
             fs::create_directories(package / "Vimoz");
         },
         "/packages/emptypackage"},
        // Both folders copied; the copied plug-in configuration cannot be read.
        {"badconfig",
         [](const fs::path&, const fs::path& package) {
             writeFile(package / "Vimoz" / "VimoConfig.xml", "<r><is>");
         },
         "/Vimoz/VimoConfig.xml"},
    };
    for (const Case& c : cases) {
        c.spoil(m_fixture.addVimo(vimoSpec(c.source, "published")),
                m_fixture.packageFolder(c.source));
    }
    load();
    const auto before = tree(m_fixture.root());
    const VimoMap catalogue = m_workspace.catalogue();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        std::u16string id;
        EXPECT_TRUE(failed(m_workspace.createDevelopmentCopy(fromUtf8(c.source), id)));
        const std::u16string subject = m_workspace.lastError().subject;
        EXPECT_TRUE(subject.ends_with(nativePath(fromUtf8(c.cause)))) << toUtf8(subject);
        EXPECT_EQ(id, fromUtf8(n)); // the output is set once copying began
        EXPECT_EQ(tree(m_fixture.root()), before);
        EXPECT_EQ(m_workspace.catalogue(), catalogue);
    }
    EXPECT_TRUE(m_platform.clientCommands.empty()); // never told about packages not copied
}

TEST_F(DevelopmentCopyTest, WhatKilledCopiesLeftIsRemovedByTheNextCopy)
{
    m_fixture.addVimo(vimoSpec("abc", "published"));
    const long ended = endedProcessId();
    const auto stage = [](const std::string& name, long owner) {
        return "." + name + "." + std::to_string(owner) + ".0.tmp";
    };
    const auto service = [&](std::int64_t seconds) { return "orvo" + newId(seconds) + "Vimoz"; };
    const auto copyTree = [](const fs::path& from, const fs::path& to) {
        fs::copy(from, to, fs::copy_options::recursive);
    };
    // Killed just before its service folder was moved over its reservation: the staging folder
    // holds a catalogue file of the published Vimo's identifier, the package is in place.
    copyTree(m_fixture.serviceFolder("abc"), services() / stage(service(kClock - 9), ended));
    fs::create_directory(services() / service(kClock - 9));
    copyTree(m_fixture.packageFolder("abc"), packages() / newId(kClock - 9));
    copyTree(m_fixture.packageFolder("abc"), packages() / stage(newId(kClock - 8), ended));
    // A copy that this process is still making, and an empty folder of the developer's.
    fs::create_directory(services() / stage(service(kClock - 7), currentProcessId()));
    fs::create_directory(services() / service(kClock - 7));
    fs::create_directory(services() / service(kClock - 6));
    load();
    EXPECT_EQ(m_workspace.catalogue().size(), 1u);

    std::u16string id;
    ASSERT_EQ(m_workspace.createDevelopmentCopy(u"abc", id), S_OK);
    EXPECT_EQ(id, fromUtf8(newId(kClock)));
    std::set<std::string> names;
    for (const fs::path& folder : {services(), packages()}) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
    }
    EXPECT_EQ(names,
              (std::set<std::string>{"orvoabcVimoz", stage(service(kClock - 7), currentProcessId()),
                                     service(kClock - 7), service(kClock - 6), service(kClock),
                                     "abc", newId(kClock)}));
}

TEST_F(DevelopmentCopyTest, CopiesStartedAtOnceGetDistinctIdentifiers)
{
    if (!canFork()) {
        GTEST_SKIP() << kNoFork;
    }
    m_fixture.addVimo(vimoSpec("abc", "published"));
    writeFile(m_fixture.packageFolder("abc") / "abc.dat", "x");
    load();
    // Rounds of copies in processes of their own, started together on the same second.
    constexpr int kRounds = 4;
    constexpr int kCopies = 3;
    std::vector<std::string> lines;
    for (int round = 0; round < kRounds; ++round) {
        for (std::string& line : runTogether(kCopies, [&] {
                 std::u16string id;
                 m_workspace.createDevelopmentCopy(u"abc", id);
                 return toUtf8(id);
             })) {
            lines.push_back(std::move(line));
        }
    }
    load();
    std::set<std::string> ids;
    for (const std::string& n : lines) {
        ids.insert(n);
        VimoInfo info;
        EXPECT_EQ(m_workspace.getVimo(fromUtf8(n), info), S_OK) << n;
        EXPECT_TRUE(info.isDev && fs::exists(m_fixture.packageFolder(n) / (n + ".dat"))) << n;
    }
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(kRounds * kCopies));
}

TEST_F(DevelopmentCopyTest, CatalogueFileProblemsEndTheCopyWithoutAnEntry)
{
    // No catalogue file copied (xml not allowed): done, but nothing to list.
    m_fixture.addVimo(vimoSpec("abc", "published"));
    load();
    DeveloperConfiguration noXml = m_workspace.configuration();
    noXml.allowedExtensions.erase(u"xml");
    m_workspace.setConfiguration(noXml);
    std::u16string id;
    EXPECT_EQ(m_workspace.createDevelopmentCopy(u"abc", id), S_OK);
    EXPECT_FALSE(fs::exists(m_fixture.serviceFolder(toUtf8(id)) / "ver1" / "VimozList.xml"));
    EXPECT_TRUE(fs::exists(m_fixture.serviceFolder(toUtf8(id)) / "ver1" / "content"));
    EXPECT_EQ(m_workspace.catalogue().count(id), 0u);

    // Nothing packable at all: nothing is touched.
    DeveloperConfiguration nothing;
    m_workspace.setConfiguration(nothing);
    const auto before = tree(m_fixture.root());
    std::u16string none;
    EXPECT_EQ(m_workspace.createDevelopmentCopy(u"abc", none), E_FAIL);
    EXPECT_EQ(none, u"");
    EXPECT_EQ(m_workspace.createDevelopmentCopy(u"unknown", none), E_FAIL);
    EXPECT_EQ(tree(m_fixture.root()), before);
}

TEST_F(DevelopmentCopyTest, CopyingAFileCreatesFoldersAndOverwritesReadOnlyFiles)
{
    const fs::path source = m_fixture.root() / "source.txt";
    writeFile(source, "new content");
    const fs::path deep = services() / "a" / "b" / "c" / "d" / "file.txt";
    EXPECT_EQ(m_workspace.copyOneFile(u16(source), u16(deep)), S_OK);
    EXPECT_EQ(readFile(deep), "new content");

    const fs::path readOnly = services() / "readonly.txt";
    writeFile(readOnly, "old");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
    writeFile(source, "replacement");
    EXPECT_EQ(m_workspace.copyOneFile(u16(source), u16(readOnly)), S_OK);
    EXPECT_EQ(readFile(readOnly), "replacement");

    // A link at the destination is replaced, never written through.
    const fs::path victim = m_fixture.root() / "victim.txt";
    writeFile(victim, "untouched");
    if (!makeSymlink(victim, services() / "link.txt")) {
        GTEST_SKIP() << kNoSymlinks;
    }
    EXPECT_EQ(m_workspace.copyOneFile(u16(source), u16(services() / "link.txt")), S_OK);
    EXPECT_EQ(readFile(victim), "untouched");
    EXPECT_EQ(readFile(services() / "link.txt"), "replacement");
}

TEST_F(DevelopmentCopyTest, FailuresCarryTheSystemsCauseAndKeepWhatWasCopied)
{
    const fs::path a = m_fixture.serviceFolder("abc") / "a.txt";
    const fs::path b = m_fixture.serviceFolder("abc") / "sub" / "b.txt";
    const fs::path c = m_fixture.serviceFolder("abc") / "c.txt";
    writeFile(a, "a");
    writeFile(c, "c");
    // A regular file where the destination needs a folder: ENOTDIR on Linux, "not found" on
    // Windows.
    writeFile(m_fixture.serviceFolder("new") / "sub", "in the way");
    fs::create_directories(m_fixture.serviceFolder("abc") / "sub");
    writeFile(b, "b");
    EXPECT_EQ(m_workspace.copyFiles({u16(a), u16(b), u16(c)}, u"abc", u"new"),
              hresultFromWin32(kOnWindows ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(readFile(m_fixture.serviceFolder("new") / "a.txt"), "a");
    EXPECT_FALSE(fs::exists(m_fixture.serviceFolder("new") / "c.txt"));

    EXPECT_EQ(m_workspace.copyOneFile(u16(m_fixture.root() / "missing"), u16(services() / "x")),
              hresultFromWin32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(m_workspace.copyFiles({}, u"abc", u"new"), S_OK);
}

TEST_F(DevelopmentCopyTest, AFolderThatCannotBeWrittenIsAnAccessFailure)
{
    // Injected rather than set with permissions, which the superuser ignores.
    const fs::path a = m_fixture.root() / "a.txt";
    writeFile(a, "a");
    fs::create_directories(services() / "locked");
    FaultyFileSystem files;
    files.refuseWrites(u16(services() / "locked"));
    m_platform.files = &files;
    EXPECT_EQ(m_workspace.copyOneFile(u16(a), u16(services() / "locked" / "x")),
              hresultFromWin32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(m_workspace.lastError().subject, u16(services() / "locked" / "x"));
    EXPECT_FALSE(fs::exists(services() / "locked" / "x"));
    m_platform.files = nullptr;
}

TEST(DevelopmentCopyPaths, ParentsTrimsAndFolderChains)
{
    EXPECT_EQ(VimoWorkspace::parentFolder(nativePath(u"/a/b/c.txt")), nativePath(u"/a/b"));
    EXPECT_EQ(VimoWorkspace::parentFolder(nativePath(u"/a/b/")), nativePath(u"/a/b"));
    EXPECT_EQ(VimoWorkspace::parentFolder(nativePath(u"/a")), u"");
    EXPECT_EQ(VimoWorkspace::parentFolder(u"name"), u"");
    EXPECT_EQ(VimoWorkspace::trimTrailingBackslashes(nativePath(u"/a/b//")), nativePath(u"/a/b"));
    EXPECT_EQ(VimoWorkspace::trimTrailingBackslashes(nativePath(u"/a/b")), nativePath(u"/a/b"));
    EXPECT_EQ(VimoWorkspace::trimTrailingBackslashes(nativePath(u"//")), u"");

    TempDir dir;
    const fs::path deep = dir.path() / "x" / "y" / "z";
    EXPECT_TRUE(VimoWorkspace::createFolderChain(FileSystem::system(), u16(deep) + kPathSeparator));
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_FALSE(
        VimoWorkspace::createFolderChain(FileSystem::system(), u16(deep))); // exists already
    writeFile(dir.path() / "file", "");
    EXPECT_FALSE(
        VimoWorkspace::createFolderChain(FileSystem::system(), u16(dir.path() / "file" / "sub")));
    EXPECT_FALSE(VimoWorkspace::createFolderChain(FileSystem::system(), u""));
}

} // namespace vimo::test
