#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "support/Fixtures.h"
#include "support/StandIns.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vimo::test {

namespace {

// On Windows the registry is the system's own (the fixture's table in the tests), and its file
// system finds names in any letter case by itself.
constexpr const char* kWineRegistryOnly = "Linux only: Wine's system.reg and its drive mapping";
constexpr const char* kCaseSensitiveOnly =
    "Linux only: letter case on a file system that tells names apart by it";

class Installation : public ::testing::Test
{
protected:
    HRESULT locateWith(const std::string& valueLine)
    {
        fixture.writeSystemReg(InstallationFixture::systemRegWith(valueLine));
        return workspace.locateInstallation();
    }
    std::u16string driveC() const { return u16(fixture.prefix() / "drive_c"); }

    InstallationFixture fixture;
    VimoWorkspace workspace{fixture.platform()};
};

} // namespace

TEST_F(Installation, FoundThroughThePrefixRegistry)
{
    EXPECT_EQ(workspace.locateInstallation(), S_OK);
    EXPECT_EQ(workspace.installFolder(), fixture.installFolderU16());
    EXPECT_EQ(workspace.servicesFolder(),
              fixture.installFolderU16() + u"services" + kPathSeparator);
}

// The value as the client's installer may have left it, in the registry of the system.
TEST_F(Installation, TakesTheValueOnlyAsAStringWithItsTerminatingZero)
{
    const std::u16string separator(1, kPathSeparator);
    auto folder = [this, separator](const std::u16string& windowsPath) {
        return fixture.platform().nativePathFromWindows(windowsPath) + separator;
    };
    struct Case
    {
        std::u16string name;
        RegistryValue value;
        std::u16string folder; // empty: none, for `cause`
        std::string cause;
    };
    const Case cases[] = {
        {u"InstallLocation", registryString(u"C:\\Orvo\\"), folder(u"C:\\Orvo"), ""},
        {u"InstallLocation", registryString(u"%ProgramFiles%\\Orvo", REG_EXPAND_SZ),
         folder(u"%ProgramFiles%\\Orvo"), ""},
        {u"InstallLocation", {REG_DWORD, {1, 0, 0, 0}}, u"", "not a string (registry type 4)"},
        {u"InstallLocation", {REG_SZ, {0x43, 0, 0x3a}}, u"", "odd or empty length"},
        {u"InstallLocation",
         {REG_SZ, {0x43, 0, 0x3a, 0}},
         u"",
         "does not end with a terminating zero"},
        {u"InstallLocation",
         {REG_EXPAND_SZ, {0, 0, 0x43, 0, 0, 0}},
         u"",
         "InstallLocation is empty"},
        {u"OtherLocation", registryString(u"C:\\Orvo"), u"", "no value \"InstallLocation\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cause);
        fixture.registerUninstallValue(c.name, c.value);
        EXPECT_EQ(workspace.locateInstallation(), c.folder.empty() ? E_FAIL : S_OK);
        EXPECT_EQ(workspace.installFolder(), c.folder);
        EXPECT_EQ(workspace.lastError().subject,
                  c.folder.empty() ? fixture.platform().registryLocation() : u"");
        EXPECT_NE(workspace.lastError().reason.find(c.cause), std::string::npos)
            << workspace.lastError().reason;
    }
}

TEST_F(Installation, OneSeparatorAtTheEnd)
{
    if (kOnWindows) {
        GTEST_SKIP() << kWineRegistryOnly;
    }
    EXPECT_EQ(locateWith("\"InstallLocation\"=\"C:\\\\Program Files\\\\Orvo\\\\\""), S_OK);
    EXPECT_EQ(workspace.installFolder(), fixture.installFolderU16());
    // Letter case of the stored path does not matter, as on Windows.
    EXPECT_EQ(locateWith("\"InstallLocation\"=\"c:\\\\PROGRAM FILES\\\\orvo\""), S_OK);
    EXPECT_EQ(workspace.installFolder(), fixture.installFolderU16());
}

TEST_F(Installation, ExpandableStringsAreNotExpanded)
{
    if (kOnWindows) {
        GTEST_SKIP() << kWineRegistryOnly;
    }
    EXPECT_EQ(locateWith("\"InstallLocation\"=str(2):\"%ProgramFiles%\\\\Orvo\""), S_OK);
    EXPECT_EQ(workspace.installFolder(), u"%ProgramFiles%/Orvo/");
}

TEST_F(Installation, RawStringBytesOverSeveralLines)
{
    if (kOnWindows) {
        GTEST_SKIP() << kWineRegistryOnly;
    }
    // "C:\Orvo" as UTF-16LE with its terminating zero, as regedit exports it.
    const std::string value = "\"InstallLocation\"=hex(2):43,00,3a,00,5c,00,\\\n"
                              "  4f,00,72,00,76,00,6f,00,00,00";
    EXPECT_EQ(locateWith(value), S_OK);
    // A folder that does not exist (any more) is accepted as it stands.
    EXPECT_EQ(workspace.installFolder(), driveC() + u"/Orvo/");
}

TEST_F(Installation, BadValuesMeanNoInstallationAndTheCauseNamesThePrefix)
{
    if (kOnWindows) {
        GTEST_SKIP() << kWineRegistryOnly;
    }
    ASSERT_EQ(workspace.locateInstallation(), S_OK);
    const std::pair<const char*, const char*> bad[] = {
        {"\"InstallLocation\"=\"\"", "InstallLocation is empty"},
        {"\"InstallLocation\"=dword:00000001", "not a string (registry type 4)"},
        {"\"InstallLocation\"=hex:43,00,00,00", "not a string (registry type 3)"},
        {"\"InstallLocation\"=str(7):\"C:\\\\Orvo\"", "not a string (registry type 7)"},
        {"\"InstallLocation\"=hex(1):43,00,3a,00,00", "odd or empty length"},
        {"\"InstallLocation\"=hex(1):43,00,3a,00", "does not end with a terminating zero"},
        {"\"InstallLocation\"=hex(2):00,00,43,00,00,00", "InstallLocation is empty"},
        {"\"InstallLocation\"=hex(2):", "odd or empty length"},
        {"\"OtherLocation\"=\"C:\\\\Orvo\"", "no value \"InstallLocation\""},
    };
    for (const auto& [line, cause] : bad) {
        SCOPED_TRACE(line);
        EXPECT_EQ(locateWith(line), E_FAIL);
        // A failed search replaces what an earlier one found.
        EXPECT_EQ(workspace.installFolder(), u"");
        EXPECT_EQ(workspace.lastError().subject, u16(fixture.prefix()));
        EXPECT_NE(workspace.lastError().reason.find(cause), std::string::npos)
            << workspace.lastError().reason;
    }
    EXPECT_EQ(workspace.locateInstallation(), E_FAIL);
    fixture.writeSystemReg(
        InstallationFixture::systemRegWith("\"InstallLocation\"=\"C:\\\\Orvo\""));
    EXPECT_EQ(workspace.locateInstallation(), S_OK);
    EXPECT_TRUE(workspace.lastError().empty());
}

TEST_F(Installation, ARelativePrefixIsRefused)
{
    if (kOnWindows) {
        GTEST_SKIP() << kWineRegistryOnly;
    }
    // Wine refuses such a prefix; it must not silently become ~/.wine.
    fixture.platform().env["HOME"] = fixture.root().string();
    fs::create_directory_symlink(fixture.prefix(), fixture.root() / ".wine");
    fixture.platform().env["WINEPREFIX"] = "prefix";
    EXPECT_EQ(workspace.locateInstallation(), E_INVALIDARG);
    EXPECT_EQ(workspace.installFolder(), u"");
    EXPECT_EQ(workspace.lastError().subject, u"prefix");
    EXPECT_EQ(workspace.lastError().reason,
              "WINEPREFIX must be an absolute path, as Wine requires");

    // No WINEPREFIX at all is Wine's default, ~/.wine.
    fixture.platform().env["WINEPREFIX"] = std::nullopt;
    EXPECT_EQ(workspace.locateInstallation(), S_OK);
}

TEST_F(Installation, AFolderThatLeadsNowhereIsNamedWithTheReason)
{
    if (kOnWindows) {
        GTEST_SKIP() << kWineRegistryOnly;
    }
    fs::create_directories(fixture.installFolder());
    const struct
    {
        std::string location; // as system.reg writes it
        std::string reason;   // empty when the folder is fine
    } cases[] = {
        {"C:\\\\Program Files\\\\Orvo", ""},
        {"C:\\\\Program Files\\\\..\\\\Program Files\\\\.\\\\Orvo", ""},
        {"C:\\\\Program Files\\\\Missing", "the installation folder does not exist"},
        // Above the drive's root the path leaves the prefix, even where a folder exists.
        {"C:\\\\..\\\\..\\\\..", "climbs out of its drive"},
        {"C:\\\\Program Files\\\\..\\\\..\\\\drive_c\\\\Program Files\\\\Orvo", "climbs out"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location);
        // The window takes any folder it finds, as before.
        ASSERT_EQ(locateWith("\"InstallLocation\"=\"" + c.location + "\""), S_OK);
        const HRESULT checked = workspace.checkInstallFolder();
        if (c.reason.empty()) {
            EXPECT_EQ(checked, S_OK);
            EXPECT_TRUE(workspace.lastError().empty());
            continue;
        }
        EXPECT_TRUE(failed(checked));
        EXPECT_EQ(workspace.lastError().subject, workspace.installFolder());
        EXPECT_NE(workspace.lastError().reason.find(c.reason), std::string::npos)
            << workspace.lastError().reason;
    }
}

TEST_F(Installation, OnlyTheThirtyTwoBitViewCounts)
{
    if (kOnWindows) {
        GTEST_SKIP() << kWineRegistryOnly;
    }
    fixture.writeSystemReg(kRegHeader64 + "[Software\\\\" + kRegUninstallKey + "]\n" +
                           "\"InstallLocation\"=\"C:\\\\Program Files\\\\Orvo\"\n");
    EXPECT_EQ(workspace.locateInstallation(), E_FAIL);

    // A 32-bit prefix has no redirection.
    fixture.writeSystemReg("WINE REGISTRY Version 2\n#arch=win32\n[Software\\\\" +
                           kRegUninstallKey +
                           "]\n\"InstallLocation\"=\"C:\\\\Program Files\\\\Orvo\"\n");
    EXPECT_EQ(workspace.locateInstallation(), S_OK);
    EXPECT_EQ(workspace.installFolder(), fixture.installFolderU16());
}

TEST_F(Installation, MissingRegistryFileOrKey)
{
    if (kOnWindows) {
        GTEST_SKIP() << kWineRegistryOnly;
    }
    fixture.writeSystemReg("WINE REGISTRY Version 2\n#arch=win64\n[Software\\\\Other] 1\n");
    EXPECT_EQ(workspace.locateInstallation(), E_FAIL);
    EXPECT_EQ(workspace.lastError().reason,
              "no Orvo installation found: system.reg has no key HKEY_LOCAL_MACHINE\\SOFTWARE\\"
              "Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
              "{3F9A1C27-58D4-4B0E-9C61-2D7E84A5B0F3}");
    fixture.writeSystemReg("REGEDIT4\n");
    EXPECT_EQ(workspace.locateInstallation(), E_FAIL);
    EXPECT_EQ(workspace.lastError().reason,
              "no Orvo installation found: system.reg is not a Wine registry file");

    fs::remove(fixture.prefix() / "system.reg");
    EXPECT_EQ(workspace.locateInstallation(), E_FAIL);
    EXPECT_TRUE(workspace.installFolder().empty());
    EXPECT_EQ(workspace.lastError().subject, u16(fixture.prefix()));
    EXPECT_EQ(workspace.lastError().reason,
              "no Orvo installation found: " + (fixture.prefix() / "system.reg").string() +
                  " cannot be read: No such file or directory");
}

TEST(InstallationPaths, TrailingSeparatorAndServicesFolder)
{
    const std::u16string s(1, kPathSeparator);
    EXPECT_EQ(VimoWorkspace::withTrailingBackslash(u""), u"");
    EXPECT_EQ(VimoWorkspace::withTrailingBackslash(u"/opt/Orvo"), u"/opt/Orvo" + s);
    EXPECT_EQ(VimoWorkspace::withTrailingBackslash(u"/opt/Orvo" + s), u"/opt/Orvo" + s);

    TestPlatform platform;
    VimoWorkspace workspace(platform);
    workspace.setInstallFolder(u"/d/Orvo");
    EXPECT_EQ(workspace.installFolder(), u"/d/Orvo" + s);
    EXPECT_EQ(workspace.servicesFolder(), u"/d/Orvo" + s + u"services" + s);
    EXPECT_EQ(workspace.packagesFolder(), u"/d/Orvo" + s + u"packages" + s);
}

// Windows finds every name below the installation folder in any letter case, and so does the
// tool; what it creates takes the case it gives.
TEST(InstallationLetterCase, NamesBelowTheInstallationAreFoundInAnyCase)
{
    if (kOnWindows) {
        GTEST_SKIP() << kCaseSensitiveOnly;
    }
    InstallationFixture fixture;
    const fs::path install = fixture.installFolder();
    fs::remove_all(install / "services");
    fs::remove_all(install / "packages");
    VimoSpec dev = vimoSpec("dev1");
    VimoSpec published = vimoSpec("pub1", "published");
    VimoSpec marked = vimoSpec("gone");
    const fs::path services = install / "Services";
    const fs::path packages = install / "PACKAGES";
    for (const VimoSpec& spec : {dev, published, marked}) {
        const fs::path folder = services / ("orvo" + spec.id + "Vimoz") / "Ver1";
        writeFile(folder / "vimozlist.XML", InstallationFixture::catalogueXml(spec));
        writeFile(folder / "Content" / spec.id / "index.html", "<html></html>");
        writeFile(packages / spec.id / "vimoz" / "vimoconfig.xml",
                  InstallationFixture::vimoConfigXml());
    }
    writeFile(services / "orvodev1Vimoz" / "Ver1" / "vimolist.BIN", "cache");
    writeFile(packages / "gone" / "GONE.Rmv", "");
    writeRecordingStandIn(install / "Orvo.exe", fixture.root() / "started", 0);

    TestPlatform& platform = fixture.platform();
    platform.clock = 1700000000;
    VimoWorkspace workspace(platform);
    ASSERT_EQ(workspace.locateInstallation(), S_OK);
    DeveloperConfiguration configuration;
    configuration.allowedExtensions = {u"xml", u"html", u"XML"};
    workspace.setConfiguration(configuration);

    EXPECT_EQ(workspace.servicesFolder(), u16(services) + u"/");
    ASSERT_EQ(workspace.loadAll(), S_OK) << workspace.lastError().describe();
    EXPECT_EQ(workspace.catalogue().size(), 2u); // the marked Vimo stays out
    EXPECT_TRUE(workspace.hasPackageMarker(u16(services / "orvogoneVimoz")));
    EXPECT_EQ(workspace.sourceFolder(u"dev1"),
              u16(services / "orvodev1Vimoz" / "Ver1" / "Content" / "dev1"));

    VimoInfo info;
    ASSERT_EQ(workspace.getVimo(u"dev1", info), S_OK);
    info.name = u"Renamed";
    ASSERT_EQ(workspace.writeVimo(u"dev1", info), S_OK) << workspace.lastError().describe();
    EXPECT_NE(readFile(services / "orvodev1Vimoz" / "Ver1" / "vimozlist.XML").find("Renamed"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(services / "orvodev1Vimoz" / "ver1"));
    ASSERT_EQ(workspace.removeVimoListCache(u"dev1"), S_OK);
    EXPECT_FALSE(fs::exists(services / "orvodev1Vimoz" / "Ver1" / "vimolist.BIN"));
    ASSERT_EQ(workspace.disableReload(workspace.packagesFolder() + u"dev1"), S_OK)
        << workspace.lastError().describe();
    EXPECT_NE(readFile(packages / "dev1" / "vimoz" / "vimoconfig.xml").find("Value=\"0\""),
              std::string::npos);

    // A copy goes into the existing folders, under the names the tool gives.
    std::u16string copyId;
    ASSERT_EQ(workspace.createDevelopmentCopy(u"pub1", copyId), S_OK)
        << workspace.lastError().describe();
    EXPECT_TRUE(fs::exists(services / ("orvo" + toUtf8(copyId) + "Vimoz")));
    EXPECT_TRUE(fs::exists(packages / toUtf8(copyId)));
    EXPECT_FALSE(fs::exists(install / "services"));
    EXPECT_FALSE(fs::exists(install / "packages"));

    ASSERT_EQ(workspace.LaunchClient(), S_OK) << workspace.lastError().describe();
    EXPECT_TRUE(waitForRecord(fixture.root() / "started"));
}

TEST(InstallationLetterCase, ResolvesEachNameAsWindowsWould)
{
    if (kOnWindows) {
        GTEST_SKIP() << kCaseSensitiveOnly;
    }
    TempDir dir;
    const fs::path base = dir.path();
    fs::create_directories(base / "Ver1" / "Content");
    fs::create_directories(base / "both");
    fs::create_directories(base / "BOTH");
    fs::create_directory_symlink(base / "nowhere", base / "Dangling");
    const std::u16string b = u16(base);
    const std::vector<std::pair<std::u16string, std::u16string>> cases = {
        {u"ver1/content/x.html", b + u"/Ver1/Content/x.html"}, // found, then kept as given
        {u"VER1/missing/CONTENT", b + u"/Ver1/missing/CONTENT"},
        {u"Both", b + u"/BOTH"},         // the first in the folder's order
        {u"both", b + u"/both"},         // the name as written wins
        {u"dangling", b + u"/Dangling"}, // an entry, even when it leads nowhere
        {u"ver1/", b + u"/Ver1/"},
        {u"//ver1", b + u"/Ver1"},
        {u"", b},
    };
    for (const auto& [relative, expected] : cases) {
        SCOPED_TRACE(toUtf8(relative));
        EXPECT_EQ(FileSystem::system().resolveBelow(b, relative), expected);
        // A folder given with its trailing separator gives the same.
        EXPECT_EQ(FileSystem::system().resolveBelow(b + u"/", relative),
                  relative.empty() ? b + u"/" : expected);
    }
    EXPECT_EQ(FileSystem::system().resolveBelow(u"", u"ver1/x"),
              u"ver1/x"); // no folder: nothing is looked up
}

TEST(InstallationLetterCase, FindsOneEntryAsWindowsWould)
{
    if (kOnWindows) {
        GTEST_SKIP() << kCaseSensitiveOnly;
    }
    TempDir dir;
    const fs::path base = dir.path();
    for (const char* name : {"exact.rmv", "EXACT.RMV", "Only.Rmv", "zeta.rmv", "ZETA.rmv"}) {
        writeFile(base / name, "");
    }
    fs::create_directory_symlink(base / "nowhere", base / "Gone");
    struct Case
    {
        std::u16string name;
        std::u16string found; // empty: none
    };
    const std::vector<Case> cases = {
        {u"exact.rmv", u"exact.rmv"}, // the name as written wins over one sorted before it
        {u"Exact.Rmv", u"EXACT.RMV"}, // else the first in the folder's order
        {u"zeta.RMV", u"ZETA.rmv"},
        {u"only.rmv", u"Only.Rmv"},
        {u"gone", u"Gone"}, // an entry, even when it leads nowhere
        {u"only.rm", u""},  // whole names only
        {u"only.rmvx", u""},
        {u".", u""},
        {u"..", u""},
        {u"missing", u""},
    };
    FileSystem& files = FileSystem::system();
    for (const Case& c : cases) {
        SCOPED_TRACE(toUtf8(c.name));
        // The system's own reading of the folder and the generic one over listFolder agree.
        std::u16string own;
        std::u16string generic;
        EXPECT_EQ(files.findEntry(u16(base), c.name, own), c.found.empty() ? ENOENT : 0);
        EXPECT_EQ(files.FileSystem::findEntry(u16(base), c.name, generic),
                  c.found.empty() ? ENOENT : 0);
        if (!c.found.empty()) {
            EXPECT_EQ(own, c.found);
            EXPECT_EQ(generic, c.found);
        }
    }
    std::u16string unused;
    EXPECT_EQ(files.findEntry(u16(base / "absent"), u"x", unused), ENOENT);
    EXPECT_EQ(files.findEntry(u16(base / "Only.Rmv"), u"x", unused), ENOTDIR);
}

} // namespace vimo::test
