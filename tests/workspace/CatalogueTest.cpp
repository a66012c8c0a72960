#include "workspace/VimoWorkspace.h"

#include "platform/SystemError.h"
#include "platform/Text.h"
#include "support/FaultyFileSystem.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace vimo::test {
namespace {

// A fixture Vimo with the given fields changed ("field=value" pairs).
VimoSpec vimoSpec(const std::string& id,
                  std::initializer_list<std::pair<std::string, std::string>> fields = {})
{
    VimoSpec spec;
    spec.id = id;
    for (const auto& [field, value] : fields) {
        if (field == "name") {
            spec.name = value;
        } else if (field == "type") {
            spec.type = value;
        } else if (field == "devStatus") {
            spec.devStatus = value;
        } else if (field == "userCreated") {
            spec.userCreated = value;
        } else {
            ADD_FAILURE() << "unknown field " << field;
        }
    }
    return spec;
}

class CatalogueTest : public ::testing::Test
{
protected:
    CatalogueTest() : workspace(fixture.platform())
    {
        workspace.setInstallFolder(fixture.installFolderU16());
    }

    // A service folder whose catalogue file holds `xml` as it stands.
    fs::path rawVimo(const std::string& id, const std::string& xml)
    {
        const fs::path folder = fixture.serviceFolder(id);
        writeFile(folder / "ver1" / "VimozList.xml", xml);
        return folder;
    }

    static std::vector<std::u16string> keys(const VimoMap& map)
    {
        std::vector<std::u16string> result;
        for (const auto& [id, info] : map) {
            result.push_back(id);
        }
        return result;
    }

    InstallationFixture fixture;
    VimoWorkspace workspace;
};

TEST_F(CatalogueTest, ReadsRecordsAndSplitsThemIntoViews)
{
    fixture.addVimo(vimoSpec("a1", {{"name", "Lower"}, {"devStatus", "dev"}}));
    fixture.addVimo(vimoSpec("B1", {{"name", "Upper"}, {"devStatus", "deployed"}}));
    fixture.addVimo(vimoSpec("x10", {{"devStatus", "Dev"}, {"userCreated", "TRUE"}}));
    fixture.addVimo(vimoSpec("x9", {{"type", "DHTML"}, {"devStatus", "other"}}));
    fixture.addVimo(vimoSpec("theirs", {{"userCreated", "false"}}));
    fixture.addVimo(vimoSpec("unmarked", {{"userCreated", ""}}));
    rawVimo("fields", "<vimozList><vimoz>"
                      "<vimo id=\"fields\" name=\"N &amp; &lt;\" desc=\"D\" width=\" 300\" "
                      "height=\"-5\" url=\"u\" requiresInvitation=\"TRUE\" type=\"dhtml\" "
                      "devStatus=\"dev\" userCreated=\"true\" pluginKey=\"k\"/>"
                      "<vimo id=\"second\" userCreated=\"true\"/>"
                      "</vimoz></vimozList>");
    rawVimo("sparse", "<vimozList><vimoz><vimo id=\"sparse\" userCreated=\"true\" "
                      "width=\"640px\" height=\"abc\"/></vimoz></vimozList>");
    writeFile(fixture.installFolder() / "services" / "stray.txt", "not a folder");
    fs::create_directories(fixture.serviceFolder("empty"));

    ASSERT_EQ(workspace.loadAll(), S_OK);
    EXPECT_EQ(keys(workspace.catalogue()),
              (std::vector<std::u16string>{u"B1", u"a1", u"fields", u"sparse", u"x10", u"x9"}));
    EXPECT_EQ(keys(workspace.GetDevVimos()),
              (std::vector<std::u16string>{u"a1", u"fields", u"x10"}));
    EXPECT_EQ(keys(workspace.GetPublishedVimos()),
              (std::vector<std::u16string>{u"B1", u"sparse", u"x9"}));

    VimoInfo info;
    ASSERT_EQ(workspace.getVimo(u"fields", info), S_OK);
    EXPECT_EQ(info.name, u"N & <");
    EXPECT_EQ(info.desc, u"D");
    EXPECT_EQ(info.width, 300);
    EXPECT_EQ(info.height, -5);
    EXPECT_EQ(info.url, u"u");
    EXPECT_TRUE(info.requiresInvitation);
    EXPECT_TRUE(info.isDhtml);
    EXPECT_TRUE(info.isDev);
    EXPECT_EQ(info.folder, u16(fixture.serviceFolder("fields")));

    ASSERT_EQ(workspace.getVimo(u"sparse", info), S_OK);
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 0);
    EXPECT_EQ(info.name, u"");
    EXPECT_FALSE(info.isDhtml);

    ASSERT_EQ(workspace.getVimo(u"x9", info), S_OK);
    EXPECT_TRUE(info.isDhtml);
    EXPECT_FALSE(info.isDev);

    VimoInfo untouched;
    untouched.name = u"keep";
    EXPECT_EQ(workspace.getVimo(u"X9", untouched), S_FALSE);
    EXPECT_EQ(untouched.name, u"keep");
}

TEST_F(CatalogueTest, MissingServicesFolderGivesAnEmptyCatalogue)
{
    fixture.addVimo(vimoSpec("a"));
    ASSERT_EQ(workspace.loadAll(), S_OK);
    ASSERT_EQ(workspace.catalogue().size(), 1u);

    fs::remove_all(fixture.installFolder() / "services");
    EXPECT_EQ(workspace.loadAll(), S_FALSE);
    EXPECT_TRUE(workspace.catalogue().empty());
}

TEST_F(CatalogueTest, PackageMarkerLeavesAVimoOut)
{
    fixture.addVimo(vimoSpec("abc"));
    EXPECT_EQ(workspace.addFromFolder(u16(fixture.serviceFolder("abc"))), S_OK);
    EXPECT_EQ(workspace.catalogue().size(), 1u);

    writeFile(fixture.packageFolder("abc") / "abc.rmv", "");
    EXPECT_TRUE(workspace.hasPackageMarker(u16(fixture.serviceFolder("abc"))));
    ASSERT_EQ(workspace.loadAll(), S_OK);
    EXPECT_TRUE(workspace.catalogue().empty());

    // The marker is found in any letter case, as Windows finds it; a marker of another name, or
    // a folder without the service name's shape, counts for nothing.
    fs::rename(fixture.packageFolder("abc") / "abc.rmv", fixture.packageFolder("abc") / "ABC.RMV");
    EXPECT_TRUE(workspace.hasPackageMarker(u16(fixture.serviceFolder("abc"))));
    fs::rename(fixture.packageFolder("abc") / "ABC.RMV", fixture.packageFolder("abc") / "abd.rmv");
    EXPECT_FALSE(workspace.hasPackageMarker(u16(fixture.serviceFolder("abc"))));
    fixture.addVimo(vimoSpec("")); // the folder "orvoVimoz"
    writeFile(fixture.installFolder() / "packages" / ".rmv", "");
    EXPECT_FALSE(workspace.hasPackageMarker(u16(fixture.serviceFolder(""))));
    EXPECT_FALSE(workspace.hasPackageMarker(u16(fixture.installFolder() / "services" / "abc")));
    ASSERT_EQ(workspace.loadAll(), S_OK);
    EXPECT_EQ(workspace.catalogue().size(), 1u);
    EXPECT_EQ(workspace.leftOutFolders().size(), 1u); // read, and left out for its empty identifier
}

// The system's file system, counting the folders read in search of a name.
class CountingFileSystem : public FaultyFileSystem
{
public:
    int findEntry(const std::u16string& folder, std::u16string_view name,
                  std::u16string& found) override
    {
        ++searches;
        return FaultyFileSystem::findEntry(folder, name, found);
    }

    int searches = 0;
};

// A package folder read once without its marker is read again only when its entries change, and
// only once they have settled on the file system's clock.
TEST(CatalogueMarkers, RepeatedReadsSeeEveryChangeOfAPackage)
{
    const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    using Change = std::function<void(InstallationFixture&)>;
    const auto write = [](const std::string& relative) {
        return [relative](InstallationFixture& f) {
            writeFile(f.installFolder() / "packages" / relative, "");
        };
    };
    const Change none = [](InstallationFixture&) {};
    struct Case
    {
        const char* name;
        std::int64_t clock;
        Change before; // before the first read
        Change change; // between the two reads
        std::size_t vimos;
        int searches; // package folders read in the second read
    };
    const std::vector<Case> cases = {
        {"settled and unchanged", now + 60, none, none, 1, 0},
        {"marker added", now + 60, none, write("abc/abc.rmv"), 0, 1},
        {"marker added in another case", now + 60, none, write("abc/ABC.Rmv"), 0, 1},
        {"marker removed", now + 60, write("abc/abc.rmv"),
         [](InstallationFixture& f) { fs::remove(f.packageFolder("abc") / "abc.rmv"); }, 1, 1},
        {"folder replaced by one in another case", now + 60, none,
         [](InstallationFixture& f) {
             fs::remove_all(f.packageFolder("abc"));
             writeFile(f.installFolder() / "packages" / "ABC" / "abc.RMV", "");
         },
         0, 1},
        {"changed too recently to vouch for", now, none, none, 1, 1},
        {"clock behind the folder", now - 3600, none, none, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallationFixture fixture;
        CountingFileSystem files;
        TestPlatform platform;
        platform.files = &files;
        platform.clock = c.clock;
        fixture.addVimo(vimoSpec("abc"));
        c.before(fixture);
        VimoWorkspace workspace(platform);
        workspace.setInstallFolder(fixture.installFolderU16());
        ASSERT_EQ(workspace.loadAll(), S_OK);
        c.change(fixture);
        files.searches = 0;
        ASSERT_EQ(workspace.loadAll(), S_OK);
        EXPECT_EQ(workspace.catalogue().size(), c.vimos);
        EXPECT_EQ(files.searches, c.searches);
    }
}

TEST_F(CatalogueTest, OfTwoFoldersWithOneIdentifierTheRuleNamedOneElseTheLaterIsKept)
{
    // Service folders are read in name order: "a…" before "orvo…" before "z…".
    struct Case
    {
        const char* first;
        const char* second;
        const char* kept;
        const char* why;
    };
    const Case cases[] = {
        {"orvosameVimoz", "zsame", "orvosameVimoz", "its name follows the rule"},
        {"asame", "orvosameVimoz", "orvosameVimoz", "its name follows the rule"},
        {"asame", "zsame", "zsame", "it was read later"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first + std::string(" / ") + c.second);
        fs::remove_all(fixture.installFolder() / "services");
        const fs::path services = fixture.installFolder() / "services";
        for (const char* folder : {c.first, c.second}) {
            writeFile(services / folder / "ver1" / "VimozList.xml",
                      InstallationFixture::catalogueXml(vimoSpec("same", {{"name", folder}})));
        }
        ASSERT_EQ(workspace.loadAll(), S_OK);
        VimoInfo info;
        ASSERT_EQ(workspace.getVimo(u"same", info), S_OK);
        EXPECT_EQ(info.name, fromUtf8(c.kept));
        EXPECT_EQ(info.folder, u16(services / c.kept));
        ASSERT_EQ(workspace.leftOutFolders().size(), 1u);
        const LeftOutFolder& left = workspace.leftOutFolders()[0];
        EXPECT_EQ(left.folder,
                  u16(services / (c.kept == std::string(c.first) ? c.second : c.first)));
        EXPECT_EQ(left.id, u"same");
        EXPECT_NE(left.reason.find((services / c.kept).string() +
                                   ", which the catalogue keeps: " + c.why),
                  std::string::npos)
            << left.reason;
        // The same folder read again is no second claim.
        EXPECT_EQ(workspace.addFromFolder(info.folder), S_OK);
        EXPECT_EQ(workspace.leftOutFolders().size(), 1u);
    }
}

TEST_F(CatalogueTest, BadCatalogueFileStopsTheScan)
{
    struct Case
    {
        std::string text;
        HRESULT expected;
    };
    std::string bomb = "<!DOCTYPE vimozList [<!ENTITY a \"aaaaaaaaaa\">";
    std::string previous = "a";
    for (int level = 0; level < 9; ++level) {
        const std::string name = "e" + std::to_string(level);
        bomb += "<!ENTITY " + name + " \"" + std::string(10, ' ');
        for (int i = 0; i < 10; ++i) {
            bomb += "&" + previous + ";";
        }
        bomb += "\">";
        previous = name;
    }
    bomb += "]><vimozList><vimoz><vimo userCreated=\"true\" name=\"&" + previous +
            ";\"/></vimoz>"
            "</vimozList>";
    const std::vector<Case> cases = {
        {"<vimozList><vimoz><vimo userCreated=\"true\"", E_UNEXPECTED},
        {"", E_UNEXPECTED},
        {"<?xml version=\"1.0\" encoding=\"no-such\"?><vimozList/>", E_UNEXPECTED},
        {"<vimozList><vimoz><vimo name=\"caf\xE9\" userCreated=\"true\"/></vimoz></vimozList>",
         E_UNEXPECTED},
        {"<!DOCTYPE vimozList [<!ENTITY p SYSTEM \"file:///etc/passwd\">]>"
         "<vimozList><vimoz><vimo userCreated=\"true\" name=\"x\">&p;</vimo></vimoz></vimozList>",
         E_UNEXPECTED},
        {bomb, E_UNEXPECTED},
        {"<vimozList><vimoz/></vimozList>", E_POINTER},
        {"<other><vimo userCreated=\"true\"/></other>", E_POINTER},
    };
    fixture.addVimo(vimoSpec("a-good"));
    fixture.addVimo(vimoSpec("z-later"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        rawVimo("m-bad", c.text);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(workspace.loadAll(), c.expected);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        // What was read before stays; the scan went no further.
        EXPECT_EQ(keys(workspace.catalogue()), std::vector<std::u16string>{u"a-good"});
        EXPECT_EQ(readFile(fixture.serviceFolder("m-bad") / "ver1" / "VimozList.xml"), c.text);
    }
}

TEST_F(CatalogueTest, UnreadableCatalogueGivesTheSystemError)
{
    // Root reads any file, so the file is made unreadable by putting a folder in its place.
    fs::create_directories(fixture.serviceFolder("dir") / "ver1" / "VimozList.xml");
    // Windows answers "access denied" for a folder opened as a file.
    const HRESULT folder = hresultFromErrno(kOnWindows ? EACCES : EISDIR);
    EXPECT_EQ(workspace.addFromFolder(u16(fixture.serviceFolder("dir"))), folder);
    EXPECT_EQ(workspace.loadAll(), folder);
}

TEST_F(CatalogueTest, FolderWithoutCatalogueIsSkipped)
{
    fs::create_directories(fixture.serviceFolder("bare") / "ver1");
    EXPECT_EQ(workspace.addFromFolder(u16(fixture.serviceFolder("bare"))), S_FALSE);
    EXPECT_EQ(workspace.addFromFolder(u16(fixture.serviceFolder("nowhere"))), S_FALSE);
    writeFile(fixture.serviceFolder("fileInPlace") / "ver1", "a file where a folder belongs");
    EXPECT_EQ(workspace.addFromFolder(u16(fixture.serviceFolder("fileInPlace"))), S_FALSE);
    writeFile(fixture.packageFolder("marked") / "marked.rmv", "");
    fs::create_directories(fixture.serviceFolder("marked"));
    EXPECT_EQ(workspace.addFromFolder(u16(fixture.serviceFolder("marked"))), S_FALSE);
    fixture.addVimo(vimoSpec("notMine", {{"userCreated", "yes"}}));
    EXPECT_EQ(workspace.addFromFolder(u16(fixture.serviceFolder("notMine"))), S_FALSE);
    EXPECT_EQ(workspace.loadAll(), S_OK);
    EXPECT_TRUE(workspace.catalogue().empty());
}

TEST_F(CatalogueTest, IdentifiersThatCouldNameAPathElsewhereAreLeftOutWithTheReason)
{
    // The identifier attribute, what the entry reads as, and the reason's gist.
    const struct
    {
        std::string attribute; // as the file writes it
        std::u16string id;
        std::string reason;
    } cases[] = {
        {"id=\"../../../../tmp/evil\"", u"../../../../tmp/evil", "holds \"/\""},
        {"id=\"a/b\"", u"a/b", "holds \"/\""},
        {"id=\"a\\b\"", u"a\\b", "holds \"\\\""},
        {"id=\".\"", u".", "is \".\""},
        {"id=\"..\"", u"..", "is \"..\""},
        {"id=\"\"", u"", "is empty"},
        {"", u"", "is empty"}, // no identifier at all
        {"id=\"tab&#9;id\"", u"tab\tid", "control character U+0009"},
        {"id=\"line&#10;id\"", u"line\nid", "control character U+000A"},
        {"id=\"del\x7f\"", u"del\x7f", "control character U+007F"},
        {"id=\"next\xc2\x85\"", u"next\x85", "control character U+0085"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attribute);
        fs::remove_all(fixture.installFolder() / "services");
        fixture.addVimo(vimoSpec("good"));
        const fs::path folder = rawVimo("bad", "<vimozList><vimoz><vimo " + c.attribute +
                                                   " userCreated=\"true\"/></vimoz></vimozList>");
        ASSERT_EQ(workspace.loadAll(), S_OK);
        EXPECT_EQ(keys(workspace.catalogue()), std::vector<std::u16string>{u"good"});
        ASSERT_EQ(workspace.leftOutFolders().size(), 1u);
        const LeftOutFolder& left = workspace.leftOutFolders()[0];
        EXPECT_EQ(left.folder, u16(folder));
        EXPECT_EQ(left.id, c.id);
        EXPECT_NE(left.reason.find(c.reason), std::string::npos) << left.reason;
        EXPECT_EQ(workspace.addFromFolder(u16(folder)), S_FALSE);
    }

    // Dots inside a name are no path; a new read forgets what the last one left out.
    fs::remove_all(fixture.installFolder() / "services");
    for (const char* id : {"a..b", ".hidden", "x.y."}) {
        fixture.addVimo(vimoSpec(id));
    }
    ASSERT_EQ(workspace.loadAll(), S_OK);
    EXPECT_EQ(workspace.catalogue().size(), 3u);
    EXPECT_TRUE(workspace.leftOutFolders().empty());
}

} // namespace
} // namespace vimo::test
