#include "workspace/VimoWorkspace.h"

#include "platform/SystemError.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

namespace vimo::test {
namespace {

// The text of a saved file without the white space between elements: MSXML (Windows) lays a
// saved file out its own way, the libxml2 adapter (Linux) keeps the file's layout to the byte.
std::string asSaved(const std::string& text)
{
    if (!kOnWindows) {
        return text;
    }
    std::string result;
    std::size_t pending = 0; // start of a run of white space after '>'
    bool afterTag = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (afterTag && (c == ' ' || c == '\n' || c == '\r' || c == '\t')) {
            continue;
        }
        if (afterTag && c != '<') {
            result += text.substr(pending, i - pending); // white space inside text is kept
        }
        afterTag = c == '>';
        pending = i + 1;
        result += c;
    }
    return result;
}

class ClientFilesTest : public ::testing::Test
{
protected:
    ClientFilesTest() : workspace(fixture.platform())
    {
        workspace.setInstallFolder(fixture.installFolderU16());
        VimoSpec spec;
        spec.id = "demo";
        fixture.addVimo(spec);
        EXPECT_EQ(workspace.loadAll(), S_OK);
    }

    fs::path cacheFile() const { return fixture.serviceFolder("demo") / "ver1" / "VimoList.bin"; }
    fs::path configFile() const
    {
        return fixture.packageFolder("demo") / "Vimoz" / "VimoConfig.xml";
    }
    std::u16string package() const { return u16(fixture.packageFolder("demo")); }

    InstallationFixture fixture;
    VimoWorkspace workspace;
};

TEST_F(ClientFilesTest, RemoveVimoListCache)
{
    writeFile(cacheFile(), "cache");
    EXPECT_EQ(workspace.removeVimoListCache(u"Demo"), S_FALSE);
    EXPECT_TRUE(fs::exists(cacheFile()));

    EXPECT_EQ(workspace.removeVimoListCache(u"demo"), S_OK);
    EXPECT_FALSE(fs::exists(cacheFile()));
    EXPECT_EQ(workspace.removeVimoListCache(u"demo"), S_OK); // nothing left to delete

    // What cannot be deleted stays, without a failure; a folder is never removed.
    fs::create_directories(cacheFile());
    EXPECT_EQ(workspace.removeVimoListCache(u"demo"), S_OK);
    EXPECT_TRUE(fs::is_directory(cacheFile()));

    fs::remove_all(fixture.serviceFolder("demo") / "ver1");
    EXPECT_EQ(workspace.removeVimoListCache(u"demo"), S_OK);
    EXPECT_FALSE(fs::exists(fixture.serviceFolder("demo") / "ver1"));
}

TEST_F(ClientFilesTest, DisableReloadChangesEveryMatchingSetting)
{
    writeFile(configFile(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<r>\n  <!-- settings -->\n  <is>\n"
                            "    <i Key=\"Title\" Value=\"1\"/>\n"
                            "    <i Value=\"1\" Key=\"enablereload\" Note=\"n\"/>\n"
                            "    <i Key=\"EnableReload\"/>\n"
                            "    <j Key=\"EnableReload\" Value=\"1\"/>\n"
                            "  </is>\n</r>\n");
    ASSERT_EQ(workspace.disableReload(package()), S_OK);
    EXPECT_EQ(asSaved(readFile(configFile())),
              asSaved("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<r>\n  <!-- settings -->\n  <is>\n"
                      "    <i Key=\"Title\" Value=\"1\"/>\n"
                      "    <i Key=\"enablereload\" Note=\"n\" Value=\"0\"/>\n"
                      "    <i Key=\"EnableReload\" Value=\"0\"/>\n"
                      "    <j Key=\"EnableReload\" Value=\"1\"/>\n"
                      "  </is>\n</r>\n"));
}

TEST_F(ClientFilesTest, DisableReloadAddsTheSettingWhenMissing)
{
    writeFile(configFile(), "<cfg><r><is><i Key=\"Title\" Value=\"x\"/></is></r></cfg>");
    ASSERT_EQ(workspace.disableReload(package()), S_OK);
    EXPECT_EQ(readFile(configFile()), "<cfg><r><is><i Key=\"Title\" Value=\"x\"/>"
                                      "<i Key=\"EnableReload\" Value=\"0\"/></is></r></cfg>\n");

    writeFile(configFile(), "<r><is/></r>");
    ASSERT_EQ(workspace.disableReload(package()), S_OK);
    EXPECT_EQ(readFile(configFile()), "<r><is><i Key=\"EnableReload\" Value=\"0\"/></is></r>\n");
}

TEST_F(ClientFilesTest, DisableReloadFailuresLeaveTheFileAsItWas)
{
    struct Case
    {
        const char* what;
        std::string text;
        HRESULT expected;
    };
    const std::vector<Case> cases = {
        {"not well-formed", "<r><is>", E_FAIL},
        {"empty", "", E_FAIL},
        {"unknown encoding", "<?xml version=\"1.0\" encoding=\"x-none\"?><r><is/></r>", E_FAIL},
        {"external entity",
         "<!DOCTYPE r [<!ENTITY p SYSTEM \"file:///etc/passwd\">]><r><is><i Key=\"&p;\"/></is></r>",
         E_FAIL},
        {"settings under another parent", "<r><x><is><i Key=\"EnableReload\"/></is></x></r>",
         E_POINTER},
        {"no settings element", "<r/>", E_POINTER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(configFile(), c.text);
        EXPECT_EQ(workspace.disableReload(package()), c.expected);
        EXPECT_EQ(readFile(configFile()), c.text);
    }

    fs::remove(configFile());
    EXPECT_EQ(workspace.disableReload(package()), E_FAIL);
    EXPECT_FALSE(fs::exists(configFile()));
}

TEST_F(ClientFilesTest, DisableReloadReportsTheSystemError)
{
    const std::string original = InstallationFixture::vimoConfigXml();
    fs::permissions(configFile(), fs::perms(0444));
    EXPECT_EQ(workspace.disableReload(package()), hresultFromErrno(EACCES));
    EXPECT_EQ(readFile(configFile()), original);

    fs::permissions(configFile(), fs::perms(0644));
    fs::remove(configFile());
    fs::create_directories(configFile());
    // Windows answers "access denied" for a folder opened as a file.
    EXPECT_EQ(workspace.disableReload(package()), hresultFromErrno(kOnWindows ? EACCES : EISDIR));
}

} // namespace
} // namespace vimo::test
