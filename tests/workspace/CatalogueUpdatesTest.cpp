#include "workspace/VimoWorkspace.h"

#include "platform/SystemError.h"
#include "platform/Text.h"
#include "support/ChildProcesses.h"
#include "support/Fixtures.h"
#include "xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <set>

namespace vimo::test {
namespace {

const std::string kEntry =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- written by the client -->\n"
    "<vimozList version=\"3\">\n"
    "  <vimoz>\n"
    "    <vimo id=\"pub\" name=\"Old\" desc=\"Old desc\" width=\"400\" height=\"300\" url=\"u\" "
    "requiresInvitation=\"TRUE\" type=\"html\" devStatus=\"deployed\" userCreated=\"true\" "
    "pluginKey=\"secret\" extra=\"kept\"/>\n"
    "    <vimo id=\"second\" name=\"Untouched\"/>\n"
    "  </vimoz>\n"
    "</vimozList>\n";

class CatalogueUpdatesTest : public ::testing::Test
{
protected:
    CatalogueUpdatesTest() : workspace(fixture.platform())
    {
        workspace.setInstallFolder(fixture.installFolderU16());
        writeFile(catalogueFile(), kEntry);
        EXPECT_EQ(workspace.loadAll(), S_OK);
    }

    fs::path catalogueFile(const std::string& id = "pub") const
    {
        return fixture.serviceFolder(id) / "ver1" / "VimozList.xml";
    }

    // The first vimo element of a catalogue file, read back independently of the workspace.
    std::u16string attributeInFile(const std::u16string& name, const std::string& id = "pub")
    {
        XmlDocument doc;
        EXPECT_EQ(doc.loadFile(u16(catalogueFile(id))), S_OK);
        const XmlNode vimo = doc.documentElement().selectSingleNode(u"//vimozList/vimoz/vimo");
        return vimo.attribute(name).value_or(u"<absent>");
    }

    VimoInfo stored(const std::u16string& id = u"pub")
    {
        VimoInfo info;
        EXPECT_EQ(workspace.getVimo(id, info), S_OK);
        return info;
    }

    InstallationFixture fixture;
    VimoWorkspace workspace;
};

TEST_F(CatalogueUpdatesTest, WriteVimoRewritesTheOwnedAttributesOnly)
{
    VimoInfo info = stored();
    EXPECT_TRUE(info.requiresInvitation);
    EXPECT_FALSE(info.isDhtml);
    info.name = u"New <name> & \"quotes\" \u00e9\U0001F600";
    info.desc = u"";
    info.width = -20;
    info.height = 0;
    info.url = u"http://example.invalid/a?b=1&c=2";
    info.isDev = true;
    ASSERT_EQ(workspace.writeVimo(u"pub", info), S_OK);

    EXPECT_EQ(attributeInFile(u"name"), info.name);
    EXPECT_EQ(attributeInFile(u"desc"), u"");
    EXPECT_EQ(attributeInFile(u"width"), u"-20");
    EXPECT_EQ(attributeInFile(u"height"), u"0");
    EXPECT_EQ(attributeInFile(u"url"), info.url);
    EXPECT_EQ(attributeInFile(u"requiresInvitation"), u"true");
    EXPECT_EQ(attributeInFile(u"type"), u"localDhtml");
    EXPECT_EQ(attributeInFile(u"devStatus"), u"dev");
    EXPECT_EQ(attributeInFile(u"pluginKey"), u"<absent>");
    EXPECT_EQ(attributeInFile(u"id"), u"pub");
    EXPECT_EQ(attributeInFile(u"userCreated"), u"true");
    EXPECT_EQ(attributeInFile(u"extra"), u"kept");
    EXPECT_EQ(stored(), info);

    // The rest of the document and its comment stay; MSXML writes its own layout (on Windows),
    // libxml2 keeps the file's.
    const std::string text = readFile(catalogueFile());
    if (kOnWindows) {
        EXPECT_NE(text.find("<!-- written by the client -->"), std::string::npos) << text;
        EXPECT_NE(text.find("<vimo id=\"second\" name=\"Untouched\"/>"), std::string::npos) << text;
    } else {
        EXPECT_TRUE(text.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                     "<!-- written by the client -->\n<vimozList version=\"3\">\n"
                                     "  <vimoz>\n    <vimo id=\"pub\""))
            << text;
        EXPECT_NE(text.find("\n    <vimo id=\"second\" name=\"Untouched\"/>\n  </vimoz>\n"),
                  std::string::npos);
    }

    // The record reads back the same, and a second write without pluginKey is no failure.
    ASSERT_EQ(workspace.loadAll(), S_OK);
    EXPECT_EQ(stored(), info);
    info.isDhtml = true;
    info.requiresInvitation = false;
    ASSERT_EQ(workspace.writeVimo(u"pub", info), S_OK);
    EXPECT_EQ(attributeInFile(u"type"), u"dhtml");
    EXPECT_EQ(attributeInFile(u"requiresInvitation"), u"false");
}

TEST_F(CatalogueUpdatesTest, UnknownIdentifierTouchesNothing)
{
    VimoInfo info = stored();
    info.name = u"Other";
    EXPECT_EQ(workspace.writeVimo(u"PUB", info), S_FALSE);
    EXPECT_EQ(workspace.markUnderDevelopment(u"nope"), S_FALSE);
    EXPECT_EQ(readFile(catalogueFile()), kEntry);
    EXPECT_EQ(workspace.catalogue().size(), 1u);
}

// The record in memory changes only once the file holds it, so that after any failure the
// tool shows what is on disk.
TEST_F(CatalogueUpdatesTest, FailedWriteKeepsMemoryAndFileAsTheyWere)
{
    const VimoInfo before = stored();
    VimoInfo edited = before;
    edited.name = u"Edited";

    struct Case
    {
        const char* what;
        std::string text;
        HRESULT expected;
    };
    const std::vector<Case> cases = {
        {"not well-formed", "<vimozList><vimoz><vimo id=\"pub\"", E_FAIL},
        {"empty", "", E_FAIL},
        {"external entity",
         "<!DOCTYPE vimozList [<!ENTITY p SYSTEM \"/etc/passwd\">]><vimozList><vimoz>"
         "<vimo id=\"pub\">&p;</vimo></vimoz></vimozList>",
         E_FAIL},
        {"no vimo element", "<vimozList><vimoz/></vimozList>", E_POINTER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(catalogueFile(), c.text);
        EXPECT_EQ(workspace.writeVimo(u"pub", edited), c.expected);
        EXPECT_EQ(stored(), before);
        EXPECT_EQ(readFile(catalogueFile()), c.text);
    }

    fs::remove(catalogueFile());
    EXPECT_EQ(workspace.writeVimo(u"pub", edited), E_FAIL);
    EXPECT_EQ(stored(), before);
    EXPECT_FALSE(fs::exists(catalogueFile()));
}

TEST_F(CatalogueUpdatesTest, UnwritableFileGivesTheSystemError)
{
    const VimoInfo before = stored();
    VimoInfo edited = before;
    edited.name = u"Edited";

    // A file without write permission is read-only for everyone, the superuser included.
    fs::permissions(catalogueFile(), fs::perms(0444));
    EXPECT_EQ(workspace.writeVimo(u"pub", edited), hresultFromErrno(EACCES));
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(readFile(catalogueFile()), kEntry);
    EXPECT_EQ(workspace.setCatalogueId(u"new", u16(fixture.serviceFolder("pub"))),
              hresultFromErrno(EACCES));
    EXPECT_EQ(readFile(catalogueFile()), kEntry);

    // A folder in the file's place cannot be read.
    fs::permissions(catalogueFile(), fs::perms::owner_write, fs::perm_options::add);
    fs::remove(catalogueFile());
    fs::create_directories(catalogueFile());
    EXPECT_EQ(workspace.writeVimo(u"pub", edited), hresultFromErrno(kOnWindows ? EACCES : EISDIR));
    EXPECT_EQ(stored(), before);
}

TEST_F(CatalogueUpdatesTest, MarkUnderDevelopmentWritesDevStatus)
{
    ASSERT_FALSE(stored().isDev);
    ASSERT_EQ(workspace.markUnderDevelopment(u"pub"), S_OK);
    EXPECT_TRUE(stored().isDev);
    EXPECT_EQ(attributeInFile(u"devStatus"), u"dev");
    EXPECT_EQ(attributeInFile(u"name"), u"Old");
    EXPECT_EQ(attributeInFile(u"pluginKey"), u"<absent>");
    EXPECT_EQ(workspace.GetDevVimos().size(), 1u);
    EXPECT_TRUE(workspace.GetPublishedVimos().empty());
}

TEST_F(CatalogueUpdatesTest, SetCatalogueIdGivesACopyItsIdentifier)
{
    const fs::path copy = fixture.serviceFolder("dev_user_vimo_1");
    fs::copy(fixture.serviceFolder("pub"), copy, fs::copy_options::recursive);

    ASSERT_EQ(workspace.setCatalogueId(u"dev_user_vimo_1", u16(copy)), S_OK);
    EXPECT_EQ(attributeInFile(u"id", "dev_user_vimo_1"), u"dev_user_vimo_1");
    EXPECT_EQ(attributeInFile(u"pluginKey", "dev_user_vimo_1"), u"secret");
    EXPECT_EQ(workspace.catalogue().size(), 1u); // the catalogue is not touched

    ASSERT_EQ(workspace.addFromFolder(u16(copy)), S_OK);
    ASSERT_EQ(workspace.markUnderDevelopment(u"dev_user_vimo_1"), S_OK);
    const VimoInfo info = stored(u"dev_user_vimo_1");
    EXPECT_TRUE(info.isDev);
    EXPECT_EQ(info.folder, u16(copy));
    EXPECT_EQ(attributeInFile(u"devStatus", "dev_user_vimo_1"), u"dev");
    EXPECT_EQ(attributeInFile(u"devStatus"), u"deployed"); // the original stays published
}

TEST_F(CatalogueUpdatesTest, SetCatalogueIdFailures)
{
    const fs::path folder = fixture.serviceFolder("other");
    EXPECT_EQ(workspace.setCatalogueId(u"x", u16(folder)), S_FALSE);
    EXPECT_EQ(workspace.addFromFolder(u16(folder)), S_FALSE);
    EXPECT_EQ(workspace.markUnderDevelopment(u"x"), S_FALSE);

    writeFile(catalogueFile("other"), "<vimozList>");
    EXPECT_EQ(workspace.setCatalogueId(u"x", u16(folder)), E_UNEXPECTED);
    EXPECT_EQ(readFile(catalogueFile("other")), "<vimozList>");
    writeFile(catalogueFile("other"), "<vimozList/>");
    EXPECT_EQ(workspace.setCatalogueId(u"x", u16(folder)), E_POINTER);
    EXPECT_EQ(readFile(catalogueFile("other")), "<vimozList/>");
}

// Such a text would be written and then stop every later start; it is refused unwritten.
TEST_F(CatalogueUpdatesTest, RefusesTextThatXmlCannotHold)
{
    struct Case
    {
        std::u16string VimoInfo::*field;
        std::u16string value;
        const char* reason;
    };
    const Case cases[] = {
        {&VimoInfo::name, u"A\u000Bb", "the name holds U+000B at character 2"},
        {&VimoInfo::name, u"\u000C", "the name holds U+000C at character 1"},
        {&VimoInfo::desc, u"\U0001F600x\u001B", "the description holds U+001B at character 3"},
        {&VimoInfo::desc, u"ab\uFFFE", "the description holds U+FFFE at character 3"},
        {&VimoInfo::url, u"http://x/\uFFFF", "the address holds U+FFFF at character 10"},
        {&VimoInfo::name, std::u16string(u"half ") + char16_t(0xD800), "U+D800 at character 6"},
    };
    const std::string before = readFile(catalogueFile());
    const VimoInfo original = stored();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        VimoInfo info = original;
        info.*c.field = c.value;
        EXPECT_EQ(workspace.writeVimo(u"pub", info), E_INVALIDARG);
        EXPECT_NE(workspace.lastError().reason.find(c.reason), std::string::npos)
            << workspace.lastError().reason;
        EXPECT_EQ(workspace.lastError().subject, u16(catalogueFile()));
        EXPECT_EQ(readFile(catalogueFile()), before);
        EXPECT_TRUE(stored() == original);
    }
    // Tab, line feed and carriage return are characters XML holds.
    VimoInfo info = original;
    info.desc = u"a\tb\nc\rd";
    ASSERT_EQ(workspace.writeVimo(u"pub", info), S_OK) << workspace.lastError().describe();
    EXPECT_EQ(attributeInFile(u"desc"), info.desc);
}

// A killed save leaves its temporary file; the next save in the folder removes it when its
// process is gone, and no listing ever takes the tool's own temporary files for a Vimo's.
TEST_F(CatalogueUpdatesTest, RemovesTemporaryFilesOfEndedSavesAndNeverListsThem)
{
    const long ended = endedProcessId();
    const fs::path folder = catalogueFile().parent_path();
    const struct
    {
        std::string name;
        bool removed;
    } temporaries[] = {
        {".VimozList.xml." + std::to_string(ended) + ".0.tmp", true},
        {".VimozList.xml." + std::to_string(runningProcessId()) + ".3.tmp", false}, // still runs
        {".VimozList.xml.x.0.tmp", false},                         // not one of ours
        {".other.xml." + std::to_string(ended) + ".0.tmp", false}, // another file's
    };
    for (const auto& t : temporaries) {
        writeFile(folder / t.name, "partial");
    }
    const PathList listed = workspace.listFolderFiles(u16(fixture.serviceFolder("pub")));
    for (const auto& t : temporaries) {
        const bool ours = t.name != ".VimozList.xml.x.0.tmp";
        EXPECT_EQ(std::count(listed.begin(), listed.end(), u16(folder / t.name)), ours ? 0 : 1)
            << t.name;
    }
    ASSERT_EQ(workspace.writeVimo(u"pub", stored()), S_OK);
    for (const auto& t : temporaries) {
        EXPECT_EQ(fs::exists(folder / t.name), !t.removed) << t.name;
    }
}

// Killed at any moment of a save, the catalogue file is the old one or the new one, and reads.
TEST_F(CatalogueUpdatesTest, ASaveKilledAtAnyPointLeavesTheOldFileOrTheNew)
{
    if (!canFork()) {
        GTEST_SKIP() << kNoFork;
    }
    const fs::path folder = catalogueFile().parent_path();
    // Kills spread over a few saves' time: a save reads its bytes back and syncs them.
    const auto began = std::chrono::steady_clock::now();
    ASSERT_EQ(workspace.writeVimo(u"pub", stored()), S_OK);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - began);
    std::mt19937 random(20261208);
    std::uniform_int_distribution<long long> delay(
        0, std::clamp<long long>(took.count() * 3, 2000, 200000));
    std::set<std::u16string> seen;
    // At least 60 kills, and more on a busy machine until one of them came after a whole save.
    for (int kill = 0; kill < 60 || (seen.size() < 2 && kill < 300); ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        killChildAfter(
            [&] {
                VimoInfo info = stored();
                for (int save = 0;; ++save) {
                    info.name = save % 2 ? u"Odd" : u"Even";
                    workspace.writeVimo(u"pub", info);
                }
            },
            std::chrono::microseconds(delay(random)));
        const std::u16string name = attributeInFile(u"name");
        EXPECT_TRUE(name == u"Old" || name == u"Odd" || name == u"Even") << toUtf8(name);
        seen.insert(name);
    }
    EXPECT_GT(seen.size(), 1u) << "the killed children saved";
    // The next save removes what the killed ones left.
    ASSERT_EQ(workspace.writeVimo(u"pub", stored()), S_OK);
    for (const auto& entry : fs::directory_iterator(folder)) {
        EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp")) << entry.path();
    }
}

} // namespace
} // namespace vimo::test
