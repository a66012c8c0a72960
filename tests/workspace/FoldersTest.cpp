#include "platform/Paths.h"
#include "support/RecordingPlatform.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>

namespace vimo::test {

class FoldersTest : public ::testing::Test
{
protected:
    InstallationFixture m_fixture;
    VimoWorkspace m_workspace{m_fixture.platform()};

    // A Vimo whose service folder holds only its catalogue file; the test adds folders.
    fs::path addBareVimo(const std::string& id)
    {
        const fs::path folder = m_fixture.serviceFolder(id);
        writeFile(folder / "ver1" / "VimozList.xml",
                  InstallationFixture::catalogueXml(vimoSpec(id)));
        return folder;
    }
    void load()
    {
        m_workspace.setInstallFolder(u16(m_fixture.installFolder()));
        ASSERT_EQ(m_workspace.loadAll(), S_OK);
    }
};

TEST_F(FoldersTest, TakesTheDeepestExistingLevelAndSkipsMissingOnes)
{
    const fs::path full = m_fixture.addVimo(vimoSpec("full"));
    const fs::path noId = addBareVimo("noid");
    fs::create_directories(noId / "ver1" / "content");
    fs::create_directories(noId / "ver1" / "theme" / "noid");
    const fs::path skipVer1 = m_fixture.serviceFolder("skip");
    writeFile(skipVer1 / "ver1" / "VimozList.xml",
              InstallationFixture::catalogueXml(vimoSpec("skip")));
    load();
    // The walk looks at the disk each time: the catalogue file was read, now "ver1" goes.
    fs::rename(skipVer1 / "ver1", skipVer1 / "ver1x");
    fs::create_directories(skipVer1 / "content" / "skip");
    fs::create_directories(skipVer1 / "ver1x" / "theme");
    const fs::path ver1Only = addBareVimo("v1");
    fs::create_directories(ver1Only / "ver1" / "v1"); // the identifier's folder right in ver1
    ASSERT_EQ(m_workspace.addFromFolder(u16(ver1Only)), S_OK);
    const fs::path caseOnly = addBareVimo("cased");
    fs::create_directories(caseOnly / "ver1" / "content" / "CASED");
    ASSERT_EQ(m_workspace.addFromFolder(u16(caseOnly)), S_OK);

    EXPECT_EQ(m_workspace.sourceFolder(u"full"), u16(full / "ver1" / "content" / "full"));
    EXPECT_EQ(m_workspace.iconsFolder(u"full"), u16(full / "ver1" / "theme" / "full"));
    EXPECT_EQ(m_workspace.sourceFolder(u"noid"), u16(noId / "ver1" / "content"));
    EXPECT_EQ(m_workspace.iconsFolder(u"noid"), u16(noId / "ver1" / "theme" / "noid"));
    EXPECT_EQ(m_workspace.sourceFolder(u"skip"), u16(skipVer1 / "content" / "skip"));
    EXPECT_EQ(m_workspace.iconsFolder(u"skip"), u16(skipVer1));
    EXPECT_EQ(m_workspace.sourceFolder(u"v1"), u16(ver1Only / "ver1" / "v1"));
    // The identifier's folder is found in any letter case, as Windows finds it (where Windows
    // finds the name as written by itself, the name is kept as written).
    EXPECT_EQ(m_workspace.sourceFolder(u"cased"),
              u16(caseOnly / "ver1" / "content" / (kOnWindows ? "cased" : "CASED")));
    EXPECT_EQ(m_workspace.sourceFolder(u"unknown"), u"");
    EXPECT_EQ(m_workspace.iconsFolder(u"unknown"), u"");

    // A service folder that went away is still named; opening it is refused.
    fs::remove_all(full);
    EXPECT_EQ(m_workspace.sourceFolder(u"full"), u16(full));
    EXPECT_EQ(m_workspace.openSourceFolder(u"full"), E_INVALIDARG);
}

TEST_F(FoldersTest, OpensExistingFoldersThroughTheDesktop)
{
    RecordingPlatform desktop;
    VimoWorkspace workspace(desktop);
    const fs::path folder = m_fixture.addVimo(vimoSpec("abc"));
    workspace.setInstallFolder(u16(m_fixture.installFolder()));
    ASSERT_EQ(workspace.loadAll(), S_OK);

    EXPECT_EQ(workspace.openSourceFolder(u"abc"), S_OK);
    EXPECT_EQ(workspace.openIconsFolder(u"abc"), S_OK);
    EXPECT_EQ(workspace.openServicesFolder(), S_OK);
    EXPECT_EQ(desktop.opened,
              (std::vector<std::u16string>{
                  u16(folder / "ver1" / "content" / "abc"), u16(folder / "ver1" / "theme" / "abc"),
                  m_fixture.installFolderU16() + u"services" + kPathSeparator}));

    desktop.shellResult = 2; // "file not found"
    EXPECT_EQ(workspace.openSourceFolder(u"abc"), E_FAIL);
    EXPECT_EQ(workspace.lastError().subject, u16(folder / "ver1" / "content" / "abc"));
    EXPECT_EQ(workspace.lastError().reason, "the desktop could not open it (answer 2)");
    desktop.shellResult = 31; // no program is associated with folders
    EXPECT_EQ(workspace.openIconsFolder(u"abc"), E_FAIL);

    // Nothing to open is no failure; a path that is no folder is refused before the desktop.
    desktop.shellResult = 42;
    desktop.opened.clear();
    EXPECT_EQ(workspace.openSourceFolder(u"unknown"), S_OK);
    fs::remove_all(folder / "ver1" / "theme");
    writeFile(folder / "ver1" / "theme", "a file where the folder should be");
    EXPECT_EQ(workspace.iconsFolder(u"abc"), u16(folder / "ver1" / "theme"));
    EXPECT_EQ(workspace.openIconsFolder(u"abc"), E_INVALIDARG);
    fs::remove_all(m_fixture.installFolder() / "services");
    EXPECT_EQ(workspace.openServicesFolder(), E_INVALIDARG);
    EXPECT_TRUE(desktop.opened.empty());

    EXPECT_EQ(VimoWorkspace(desktop).openServicesFolder(), E_INVALIDARG);
}

} // namespace vimo::test
