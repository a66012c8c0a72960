// Runs the real vimoctl against temporary installations and the loopback configuration server.
#include "VimoctlRunner.h"

#include "Version.h"

#include "platform/Text.h"
#include "support/ConfigServer.h"
#include "support/Fixtures.h"
#include "support/StandIns.h"
#include "support/ZipReader.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <random>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vimo::test {
namespace {

using Json = nlohmann::json;

// Exactly one JSON document; throws on anything else.
Json parseJson(const std::string& text)
{
    return Json::parse(text);
}

VimoSpec vimo(const std::string& id, const std::string& name)
{
    VimoSpec spec;
    spec.id = id;
    spec.name = name;
    return spec;
}

// Two Vimos under development (a local and a web one) and a published one, with files of every
// verdict in the local one.
void populate(InstallationFixture& install)
{
    install.addVimo(vimo("dev1", "Alpha"));
    VimoSpec web = vimo("dev2", "Beta");
    web.url = "https://example.org/app/index.html";
    web.type = "dhtml";
    install.addVimo(web);
    VimoSpec published = vimo("pub1", "Gamma");
    published.devStatus = "deployed";
    install.addVimo(published);
    VimoSpec foreign = vimo("other", "Not mine");
    foreign.userCreated = "false";
    install.addVimo(foreign);
    const fs::path dev1 = install.serviceFolder("dev1");
    writeFile(dev1 / "notes.txt", "not for upload\n");
    writeFile(dev1 / "Thumbs.db", "thumbs");
    writeFile(dev1 / "ver1" / "content" / "dev1" / "style.css", "body { margin: 0 }\n");
    writeFile(dev1 / "ver1" / "VimoList.bin", "cache");
}

class VimoctlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        populate(install);
        runner.env["WINEPREFIX"] = install.prefix().string();
        runner.env["ORVO_DEVELOPER_SERVER"] = server.baseUrl();
        runner.env["HOME"] = install.root().string();
        runner.env["PATH"] = (install.root() / "bin").string();
        runner.env["VIMO_TEST_PROCESS_TABLE"] = processes.root().string();
    }

    VimoctlResult run(const std::vector<std::string>& args) const { return runner.run(args); }

    // The same installation, driven in this process the way the window drives the model.
    struct Twin
    {
        InstallationFixture install;
        VimoWorkspace workspace{install.platform()};
    };
    std::unique_ptr<Twin> makeTwin() const
    {
        auto twin = std::make_unique<Twin>();
        populate(twin->install);
        twin->install.platform().env["ORVO_DEVELOPER_SERVER"] = server.baseUrl();
        EXPECT_GE(twin->workspace.locateInstallation(), 0);
        EXPECT_GE(twin->workspace.loadDeveloperConfiguration(), 0);
        EXPECT_GE(twin->workspace.loadAll(), 0);
        return twin;
    }

    std::string catalogueText(const std::string& id) const
    {
        return readFile(install.serviceFolder(id) / "ver1" / "VimozList.xml");
    }

    InstallationFixture install;
    FakeProcessTable processes{install};
    ConfigServer server;
    VimoctlRunner runner;
};

std::size_t lineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(VimoctlTest, HelpDescribesEveryCommandWithoutAnInstallation)
{
    runner.env["WINEPREFIX"] = (install.root() / "nowhere").string();
    const VimoctlResult overview = run({"--help"});
    EXPECT_EQ(overview.exitCode, 0);
    for (const char* name :
         {"list", "show", "set", "copy", "files", "pack", "check", "open", "run"}) {
        EXPECT_NE(overview.out.find(std::string("  ") + name + " "), std::string::npos) << name;
        const VimoctlResult one = run({"help", name});
        EXPECT_EQ(one.exitCode, 0) << name;
        EXPECT_EQ(one.out.rfind(std::string("Usage: vimoctl ") + name, 0), 0u) << one.out;
        EXPECT_EQ(run({name, "--help"}).out, one.out);
    }
    EXPECT_NE(run({"help", "set"}).out.find("--no-interactive"), std::string::npos);
    EXPECT_TRUE(overview.err.empty());
}

TEST_F(VimoctlTest, BadInputIsRefusedInOneLineAndWritesNothing)
{
    const std::string before = catalogueText("dev1");
    const std::string publishedBefore = catalogueText("pub1");
    constexpr int kUsage = 64;
    constexpr int kRefused = 1;
    struct Case
    {
        std::vector<std::string> args;
        int exitCode;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"frobnicate"}, kUsage, "unknown command \"frobnicate\" (see vimoctl --help)"},
        {{"lsit"}, kUsage, "unknown command \"lsit\"; did you mean \"list\"?"},
        {{"pakc", "dev1"}, kUsage, "did you mean \"pack\"?"},
        {{"help", "frobnicate"}, kUsage, "unknown command \"frobnicate\""},
        {{"list", "--colour"}, kUsage, "unknown option --colour"},
        {{"show"}, kUsage, "missing the Vimo identifier"},
        {{"show", "dev1", "dev2"}, kUsage, "unexpected argument \"dev2\""},
        {{"set", "dev1", "--width"}, kUsage, "--width needs a value"},
        {{"set", "dev1", "--width", "640px"}, kUsage, "not \"640px\""},
        {{"set", "dev1", "--height=-5"}, kUsage, "not \"-5\""},
        {{"set", "dev1", "--width", ""}, kUsage, "not \"\""},
        // An option is never taken as the value of the one before it.
        {{"set", "dev1", "--desc", "--json"}, kUsage, "--desc needs a value (TEXT)"},
        {{"set", "dev1", "--name", "-q"}, kUsage, "write --name=-q"},
        {{"set", "dev1", "--local", "--web", "http://x"}, kUsage, "exclude each other"},
        {{"set", "dev1", "--name", "A", "--name", "B"}, kUsage, "given twice"},
        {{"list", "--dev", "--published"}, kUsage, "exclude each other"},
        {{"run", "--second=yes"}, kUsage, "takes no value"},
        {{"set", "dev1", "--desc", "bell\x07"}, kRefused, "control character U+0007"},
        {{"show", "nope"}, kRefused, "no Vimo \"nope\" in the catalogue"},
        {{"set", "pub1", "--name", "X"}, kRefused, "is published"},
        {{"copy", "dev1"}, kRefused, "already under development"},
    };
    for (const Case& c : cases) {
        const VimoctlResult result = run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.says;
        if (std::find(c.args.begin(), c.args.end(), "--json") != c.args.end()) {
            EXPECT_EQ(parseJson(result.out)["error"]["exitCode"], c.exitCode) << result.out;
        } else {
            EXPECT_TRUE(result.out.empty()) << c.says << ": " << result.out;
        }
        EXPECT_EQ(lineCount(result.err), 1u) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    }
    EXPECT_EQ(catalogueText("dev1"), before);
    EXPECT_EQ(catalogueText("pub1"), publishedBefore);
    // A value that starts with "-" is taken when attached.
    EXPECT_EQ(run({"set", "dev1", "--desc=--json"}).exitCode, 0);
    EXPECT_EQ(parseJson(run({"show", "dev1", "--json"}).out)["desc"], "--json");
}

TEST_F(VimoctlTest, BareCallPrintsTheUsageAndEveryOptionIsDocumented)
{
    const VimoctlResult bare = run({});
    EXPECT_EQ(bare.exitCode, 64);
    EXPECT_TRUE(bare.out.empty());
    EXPECT_EQ(bare.err.rfind("Usage: vimoctl", 0), 0u) << bare.err;

    const VimoctlResult help = run({"--help"});
    for (const char* variable : {"WINEPREFIX", "ORVO_DEVELOPER_SERVER", "ORVO_CONTENT_SERVER",
                                 "XDG_CACHE_HOME", "NO_COLOR", "64  usage error"}) {
        EXPECT_NE(help.out.find(variable), std::string::npos) << variable;
    }
    for (const auto& args : {std::vector<std::string>{"--version"}, {"-V"}}) {
        const VimoctlResult version = run(args);
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_EQ(version.out, "vimoctl " VIMO_VERSION "\n");
    }
}

TEST_F(VimoctlTest, StartUpFailuresShowTheWindowsMessagesAndExit2)
{
    runner.env["WINEPREFIX"] = (install.root() / "nowhere").string();
    VimoctlResult result = run({"list"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("In order to be able to use the Open Vimoz Developer tool you first "
                              "need to install Orvo 6.5 and above."),
              std::string::npos);

    runner.env["WINEPREFIX"] = install.prefix().string();
    server.setConfiguration("<broken");
    result = run({"list", "--json"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("Failed to initialize Vimo Dev Tool. Exiting..."), std::string::npos);
    Json doc = parseJson(result.out);
    EXPECT_EQ(doc["error"]["exitCode"].get<long long>(), 2);

    // A catalogue file that does not parse fails start-up the same way.
    server.setConfiguration(ConfigServer::defaultConfiguration());
    ASSERT_EQ(run({"list"}).exitCode, 0);
    writeFile(install.serviceFolder("dev1") / "ver1" / "VimozList.xml", "<vimozList><vimoz>");
    result = run({"show", "dev2"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("Failed to initialize Vimo Dev Tool. Exiting..."), std::string::npos);
    EXPECT_TRUE(result.out.empty());
    // The cause names the file and the reader's reason with its line.
    const std::string broken = (install.serviceFolder("dev1") / "ver1" / "VimozList.xml").string();
    EXPECT_NE(result.err.find(broken + ": line 1"), std::string::npos) << result.err;

    // And for the configuration, the address and why.
    server.setConfiguration("<confList>");
    result = run({"list"});
    EXPECT_NE(result.err.find(server.baseUrl() + "/pages/xml/openvimoz_conf.xml: line 1"),
              std::string::npos)
        << result.err;
}

TEST_F(VimoctlTest, ListsInIdentifierOrderWithFilters)
{
    install.addVimo(vimo("B1", "Upper"));
    VimoctlResult result = run({"list"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::size_t b1 = result.out.find("B1 ");
    const std::size_t dev1 = result.out.find("dev1 ");
    const std::size_t pub1 = result.out.find("pub1 ");
    EXPECT_EQ(result.out.rfind("ID ", 0), 0u);
    EXPECT_LT(b1, dev1);
    EXPECT_LT(dev1, pub1);
    EXPECT_EQ(result.out.find("other"), std::string::npos);
    EXPECT_NE(result.out.find(install.serviceFolder("dev1").string()), std::string::npos);

    Json all = parseJson(run({"list", "--json"}).out);
    ASSERT_EQ(all["vimos"].size(), 4u);
    EXPECT_EQ(all["vimos"][0]["id"].get<std::string>(), "B1");
    EXPECT_EQ(all["vimos"][3]["state"].get<std::string>(), "published");
    EXPECT_FALSE(all["vimos"][3]["isDev"].get<bool>());
    EXPECT_EQ(all["vimos"][1]["folder"].get<std::string>(), install.serviceFolder("dev1").string());

    Json published = parseJson(run({"--json", "list", "--published"}).out);
    ASSERT_EQ(published["vimos"].size(), 1u);
    EXPECT_EQ(published["vimos"][0]["name"].get<std::string>(), "Gamma");
    EXPECT_EQ(parseJson(run({"list", "--dev", "--json"}).out)["vimos"].size(), 3u);
}

TEST_F(VimoctlTest, ShowsEveryFieldAndTheFolders)
{
    const VimoctlResult text = run({"show", "dev2"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("name:               Beta\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("isDhtml:            true"), std::string::npos);

    Json doc = parseJson(run({"show", "dev2", "--json"}).out);
    EXPECT_EQ(doc["id"].get<std::string>(), "dev2");
    EXPECT_EQ(doc["url"].get<std::string>(), "https://example.org/app/index.html");
    EXPECT_EQ(doc["width"].get<long long>(), 400);
    EXPECT_EQ(doc["height"].get<long long>(), 300);
    EXPECT_TRUE(doc["isDhtml"].get<bool>());
    EXPECT_TRUE(doc["isDev"].get<bool>());
    EXPECT_FALSE(doc["requiresInvitation"].get<bool>());
    EXPECT_EQ(doc["archive"].get<std::string>(), install.serviceFolder("dev2").string() + ".zip");
    EXPECT_EQ(doc["folder"].get<std::string>(), install.serviceFolder("dev2").string());
    for (const char* key : {"name", "desc", "sourceFolder", "iconsFolder"}) {
        EXPECT_TRUE(doc.contains(key)) << key;
    }
}

TEST_F(VimoctlTest, SetWritesWhatTheWindowsApplyWrites)
{
    auto twin = makeTwin();
    // The window: SaveVimo with the form edited to these values.
    VimoInfo record;
    ASSERT_EQ(twin->workspace.getVimo(u"dev1", record), S_OK);
    record.name = u"New name";
    record.desc = u"Line \"one\" & <two>";
    record.width = 640;
    record.height = 480;
    record.requiresInvitation = true;
    record.isDhtml = false;
    record.isDev = true;
    record.url = twin->workspace.localMainFileUrl();
    ASSERT_GE(twin->workspace.writeVimo(u"dev1", record), 0);
    twin->workspace.removeVimoListCache(u"dev1");

    const VimoctlResult result =
        run({"set", "dev1", "--name", "  New name\t", "--desc", "Line \"one\" & <two>", "--width",
             "640", "--height=480", "--interactive", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(catalogueText("dev1"),
              readFile(twin->install.serviceFolder("dev1") / "ver1" / "VimozList.xml"));
    EXPECT_FALSE(fs::exists(install.serviceFolder("dev1") / "ver1" / "VimoList.bin"));
    Json doc = parseJson(result.out);
    EXPECT_EQ(doc["name"].get<std::string>(), "New name");
    EXPECT_EQ(doc["desc"].get<std::string>(), "Line \"one\" & <two>");
    EXPECT_TRUE(doc["requiresInvitation"].get<bool>());

    // Turning a web Vimo local stores the configuration's template address.
    ASSERT_EQ(run({"set", "dev2", "--local"}).exitCode, 0);
    EXPECT_EQ(parseJson(run({"show", "dev2", "--json"}).out)["url"].get<std::string>(),
              toUtf8(twin->workspace.localMainFileUrl()));
    ASSERT_EQ(run({"set", "dev2", "--web", "http://host/x.html", "--no-interactive"}).exitCode, 0);
    const std::string text = catalogueText("dev2");
    EXPECT_NE(text.find("url=\"http://host/x.html\""), std::string::npos) << text;
    EXPECT_NE(text.find("type=\"dhtml\""), std::string::npos);
    EXPECT_NE(text.find("devStatus=\"dev\""), std::string::npos);
}

TEST_F(VimoctlTest, SetRefusesACharacterTheFileCannotHoldAndSaysWhere)
{
    const std::string before = catalogueText("dev1");
    const VimoctlResult result = run({"set", "dev1", "--desc", "ab\xEF\xBF\xBF"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Failed to save Vimo changes."), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("the description holds U+FFFF at character 3"), std::string::npos)
        << result.err;
    EXPECT_EQ(catalogueText("dev1"), before);
}

TEST_F(VimoctlTest, SetRefusesWhatTheWindowRefuses)
{
    // A name limit of 5 characters.
    server.setConfiguration(toUtf8(replaceAll(fromUtf8(ConfigServer::defaultConfiguration()),
                                              u"value=\"50\"", u"value=\"5\"")));
    const std::string before = catalogueText("dev1");
    struct Case
    {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--name", " \t "}, "Vimo name should not be empty."},
        {{"--width", "0"}, "Vimo window width exceeds out of range:1-1024"},
        {{"--width", "1025"}, "Vimo window width exceeds out of range:1-1024"},
        {{"--width", "99999999999999999999999"}, "Vimo window width exceeds out of range:1-1024"},
        {{"--height", "769"}, "Vimo window height exceeds out of range:1-768"},
        {{"--name", "Sixchr"}, "at most 5"},
        {{"--name", "", "--width", "0"}, "Vimo name should not be empty."},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"set", "dev1"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const VimoctlResult result = run(args);
        EXPECT_EQ(result.exitCode, 1) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(lineCount(result.err), 1u);
    }
    EXPECT_EQ(catalogueText("dev1"), before);
    EXPECT_TRUE(fs::exists(install.serviceFolder("dev1") / "ver1" / "VimoList.bin"));
    EXPECT_EQ(
        run({"set", "dev1", "--width", "1024", "--height", "768", "--name", "Five5"}).exitCode, 0);
}

TEST_F(VimoctlTest, CopyMakesAnUnderDevelopmentCopyOfAPublishedVimo)
{
    const VimoctlResult result = run({"copy", "pub1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string newId = result.out.substr(0, result.out.find('\n'));
    EXPECT_EQ(newId.rfind("dev_user_vimo_", 0), 0u) << newId;
    EXPECT_TRUE(fs::exists(install.serviceFolder(newId) / "ver1" / "VimozList.xml"));
    Json copy = parseJson(run({"show", newId, "--json"}).out);
    EXPECT_TRUE(copy["isDev"].get<bool>());
    EXPECT_EQ(copy["name"].get<std::string>(), "Gamma");

    Json second = parseJson(run({"copy", "pub1", "--json"}).out);
    EXPECT_EQ(second["source"].get<std::string>(), "pub1");
    EXPECT_NE(second["id"].get<std::string>(), newId);
}

TEST_F(VimoctlTest, ACopyKilledAtAnyPointLeavesOnlyWholeVimos)
{
    // Enough files in both folders that kills fall into every step of the copy.
    for (int i = 0; i < 120; ++i) {
        const std::string name = "pub1_" + std::to_string(i);
        writeFile(install.serviceFolder("pub1") / "ver1" / "content" / "pub1" / (name + ".html"),
                  name);
        writeFile(install.packageFolder("pub1") / (name + ".dat"), name);
    }
    const auto fileCount = [](const fs::path& folder) {
        std::size_t count = 0;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            count += entry.is_regular_file() ? 1 : 0;
        }
        return count;
    };
    const auto catalogue = [&] {
        VimoWorkspace workspace(install.platform());
        workspace.setInstallFolder(install.installFolderU16());
        EXPECT_EQ(workspace.loadAll(), S_OK);
        return workspace.catalogue();
    };
    // One whole copy shows how long a copy takes and what a whole one holds.
    const auto began = std::chrono::steady_clock::now();
    const std::string whole = run({"copy", "pub1"}).out;
    const long took = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - began)
                          .count();
    const std::string first = whole.substr(0, whole.find('\n'));
    const std::size_t files[] = {fileCount(install.serviceFolder(first)),
                                 fileCount(install.packageFolder(first))};
    ASSERT_GT(files[0], 120u);

    std::mt19937 random(20261208);
    // Bounded, so that a busy machine's slow first copy cannot stretch the loop past its time.
    std::uniform_int_distribution<long> delay(0, std::min(took * 6 / 5, 1000000L));
    for (int kill = 0; kill < 50; ++kill) {
        const auto child = runner.start({"copy", "pub1"});
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        child->stop(SIGKILL);
        SCOPED_TRACE("kill " + std::to_string(kill));
        const Json shown = parseJson(run({"show", "pub1", "--json"}).out);
        ASSERT_EQ(shown["folder"], install.serviceFolder("pub1").string());
        for (const auto& [id, info] : catalogue()) {
            const std::string n = toUtf8(id);
            if (n.starts_with("dev_user_vimo_")) {
                EXPECT_TRUE(info.isDev) << n;
                EXPECT_EQ(fileCount(install.serviceFolder(n)), files[0]) << n;
                EXPECT_EQ(fileCount(install.packageFolder(n)), files[1]) << n;
            }
        }
    }

    // The next copy clears what the killed ones left: no staging folder, no empty reservation,
    // no package without its Vimo.
    ASSERT_EQ(run({"copy", "pub1"}).exitCode, 0);
    const VimoMap vimos = catalogue();
    for (const std::string kind : {"services", "packages"}) {
        for (const auto& entry : fs::directory_iterator(install.installFolder() / kind)) {
            const std::string name = entry.path().filename().string();
            const std::string id = kind == "services" ? name.substr(4, name.size() - 9) : name;
            EXPECT_EQ(vimos.count(fromUtf8(id)) + (id == "other"), 1u) << name;
        }
    }
}

TEST_F(VimoctlTest, FilesGivesEachFileItsVerdictAndTheTotal)
{
    const VimoctlResult text = run({"files", "dev1"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("not allowed            15  notes.txt\n"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("ignored                 6  Thumbs.db\n"), std::string::npos);
    EXPECT_EQ(text.out.find("[#"), std::string::npos); // no bar outside a terminal
    EXPECT_EQ(text.out.find("[."), std::string::npos);

    Json doc = parseJson(run({"files", "dev1", "--json"}).out);
    std::map<std::string, std::string> verdicts;
    std::uint64_t packed = 0;
    for (Json& file : doc["files"]) {
        verdicts[file["path"].get<std::string>()] = file["verdict"].get<std::string>();
        if (file["verdict"].get<std::string>() == "packed") {
            packed += static_cast<std::uint64_t>(file["size"].get<long long>());
        }
    }
    EXPECT_EQ(verdicts["notes.txt"], "notAllowed");
    EXPECT_EQ(verdicts["Thumbs.db"], "ignored");
    EXPECT_EQ(verdicts["ver1/content/dev1/index.html"], "packed");
    EXPECT_EQ(verdicts["ver1/VimozList.xml"], "packed");
    EXPECT_EQ(verdicts["ver1/VimoList.bin"], "clientCache"); // deleted before packing
    EXPECT_EQ(doc["packedBytes"].get<long long>(), static_cast<long long>(packed));
    EXPECT_EQ(doc["packedCount"].get<long long>(), 4);
    EXPECT_EQ(doc["limit"].get<long long>(), 5242880);
    EXPECT_TRUE(doc["underLimit"].get<bool>());
    // Listing order is the packing order: names compared as the Windows file system does.
    EXPECT_EQ(doc["files"][0]["path"].get<std::string>(), "notes.txt");
}

TEST_F(VimoctlTest, FilesDrawsABarInATerminal)
{
    writeFile(install.serviceFolder("dev1") / "photo.png",
              randomBytes(1048576, 42)); // a fifth of the limit
    runner.terminal = true;
    const VimoctlResult result = run({"files", "dev1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(
        result.out.find("[" + std::string(8, '#') + std::string(32, '.') + "] 5 files packed"),
        std::string::npos)
        << result.out;
}

TEST_F(VimoctlTest, PackBuildsTheArchiveTheWindowBuilds)
{
    auto twin = makeTwin();
    std::u16string unsupported;
    twin->workspace.removeVimoListCache(u"dev1");
    ASSERT_EQ(twin->workspace.buildUploadPackage(u"dev1", unsupported), S_OK);
    const ZipListing expected = readZip(twin->install.serviceFolder("dev1").string() + ".zip");

    const fs::path output = install.root() / "out";
    fs::create_directories(output);
    const VimoctlResult result = run({"pack", "dev1", "--output", output.string(), "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const fs::path archive = install.serviceFolder("dev1").string() + ".zip";
    const ZipListing actual = readZip(archive);
    ASSERT_TRUE(actual.ok) << actual.error;
    ASSERT_EQ(actual.members.size(), expected.members.size());
    for (std::size_t i = 0; i < actual.members.size(); ++i) {
        EXPECT_EQ(actual.members[i].name, expected.members[i].name);
        EXPECT_EQ(actual.members[i].content, expected.members[i].content);
    }
    EXPECT_FALSE(fs::exists(install.serviceFolder("dev1") / "ver1" / "VimoList.bin"));
    EXPECT_EQ(readFile(output / archive.filename()), readFile(archive));

    Json doc = parseJson(result.out);
    EXPECT_EQ(doc["archive"].get<std::string>(), archive.string());
    EXPECT_EQ(doc["size"].get<long long>(), static_cast<long long>(fs::file_size(archive)));
    EXPECT_FALSE(doc["tooBig"].get<bool>());
    std::vector<std::string> members;
    for (const ZipMember& member : actual.members) {
        members.push_back(member.name);
    }
    EXPECT_EQ(doc["members"], Json(members));
    EXPECT_EQ(doc["leftOut"], Json::parse(R"([{"path": "notes.txt", "reason": "notAllowed"},
                                               {"path": "Thumbs.db", "reason": "ignored"}])"));
    EXPECT_EQ(doc["unsupportedFiles"], Json::parse(R"(["notes.txt"])"));
    EXPECT_EQ(doc["output"], (output / archive.filename()).string());
    EXPECT_TRUE(doc["outputError"].is_null());
    EXPECT_NE(result.err.find("The following files are not supported (" + toUtf8(unsupported) +
                              "). The Zip was created exluding the listed files."),
              std::string::npos)
        << result.err;

    // Given the archive's own path, the copy must not empty the archive.
    const std::string built = readFile(archive);
    ASSERT_EQ(run({"pack", "dev1", "--output", archive.string()}).exitCode, 0);
    EXPECT_EQ(readFile(archive).size(), built.size());
    EXPECT_TRUE(readZip(archive).ok);
    ASSERT_EQ(run({"pack", "dev1", "--output", (output / "named.zip").string()}).exitCode, 0);
    EXPECT_EQ(readFile(output / "named.zip"), readFile(archive));
    EXPECT_EQ(run({"pack", "dev1", "--output", (output / "missing" / "x.zip").string()}).exitCode,
              2);

    const VimoctlResult text = run({"pack", "dev2"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out.rfind("archive: " + install.serviceFolder("dev2").string() + ".zip\n", 0),
              0u);
    EXPECT_TRUE(text.err.empty()) << text.err;
}

TEST_F(VimoctlTest, PackRefusesAnArchiveOfFiveMegabytesButKeepsIt)
{
    writeFile(install.serviceFolder("dev2") / "ver1" / "content" / "big.png",
              randomBytes(5300000, 42));
    const fs::path output = install.root() / "copy.zip";
    const VimoctlResult result = run({"pack", "dev2", "--output", output.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Archive is too big. It should be less than 5MB."),
              std::string::npos);
    const fs::path archive = install.serviceFolder("dev2").string() + ".zip";
    EXPECT_GE(fs::file_size(archive), 5242880u);
    EXPECT_FALSE(fs::exists(output));
    EXPECT_NE(result.out.find("archive: " + archive.string()), std::string::npos);

    Json files = parseJson(run({"files", "dev2", "--json"}).out);
    EXPECT_FALSE(files["underLimit"].get<bool>());
}

TEST_F(VimoctlTest, CheckPassesAGoodVimoAndNamesEveryProblemOfABadOne)
{
    const VimoctlResult good = run({"check", "dev2"});
    EXPECT_EQ(good.exitCode, 0) << good.out << good.err;
    EXPECT_EQ(good.out.find("FAIL"), std::string::npos);

    VimoSpec spec = vimo("bad", "   ");
    spec.width = "2000";
    spec.height = "0";
    spec.url = "ftp://example.org/x";
    spec.type = "dhtml";
    install.addVimo(spec);
    const fs::path folder = install.serviceFolder("bad");
    writeFile(folder / "readme.txt", "x");
    fs::create_symlink("/etc/passwd", folder / "ver1" / "passwd.html");
    fs::create_directory_symlink(install.root(), folder / "escape");
    fs::create_symlink("index.html", folder / "ver1" / "content" / "bad" / "inside.html");
    fs::remove_all(folder / "ver1" / "theme");

    const VimoctlResult bad = run({"check", "bad", "--json"});
    EXPECT_EQ(bad.exitCode, 1) << bad.err;
    Json doc = parseJson(bad.out);
    EXPECT_FALSE(doc["passed"].get<bool>());
    std::map<std::string, std::vector<Json*>> byCheck;
    for (Json& check : doc["checks"]) {
        byCheck[check["check"].get<std::string>()].push_back(&check);
    }
    auto failedOnce = [&](const std::string& check) {
        return byCheck[check].size() == 1 && !(*byCheck[check][0])["passed"].get<bool>();
    };
    EXPECT_TRUE((*byCheck["catalogue"][0])["passed"].get<bool>());
    EXPECT_TRUE(failedOnce("name"));
    EXPECT_EQ((*byCheck["name"][0])["message"].get<std::string>(),
              "Vimo name should not be empty.");
    EXPECT_TRUE(failedOnce("width"));
    EXPECT_TRUE(failedOnce("height"));
    EXPECT_TRUE(failedOnce("url"));
    EXPECT_TRUE(failedOnce("iconsFolder"));
    EXPECT_TRUE((*byCheck["sourceFolder"][0])["passed"].get<bool>());
    EXPECT_TRUE(failedOnce("extensions"));
    EXPECT_EQ((*byCheck["extensions"][0])["file"].get<std::string>(), "readme.txt");
    ASSERT_EQ(byCheck["links"].size(), 2u);
    EXPECT_EQ((*byCheck["links"][0])["file"].get<std::string>(), "escape");
    EXPECT_EQ((*byCheck["links"][1])["file"].get<std::string>(), "ver1/passwd.html");

    const VimoctlResult text = run({"check", "bad"});
    EXPECT_NE(text.out.find("FAIL  links         ver1/passwd.html: "), std::string::npos)
        << text.out;
}

TEST_F(VimoctlTest, AnEntryLeftOutForItsIdentifierIsNamedWithItsFolder)
{
    const std::string escape = "../../../../tmp/escape";
    const fs::path folder = install.installFolder() / "services" / "orvoescapeVimoz";
    writeFile(
        folder / "ver1" / "VimozList.xml",
        "<vimozList><vimoz><vimo id=\"" + escape +
            "\" name=\"Escape\" userCreated=\"true\" devStatus=\"dev\"/></vimoz></vimozList>");

    const Json listed = parseJson(run({"list", "--json"}).out);
    for (const Json& entry : listed["vimos"]) {
        EXPECT_NE(entry["id"], escape);
    }

    // Asked for by its identifier, the entry is refused with the reason and nothing is built.
    const VimoctlResult packed = run({"pack", escape});
    EXPECT_EQ(packed.exitCode, 1);
    EXPECT_NE(packed.err.find(folder.string() + " is left out: the identifier"), std::string::npos)
        << packed.err;
    EXPECT_NE(packed.err.find("separates folders"), std::string::npos) << packed.err;

    // Checking any Vimo reports the left-out folder beside its own verdict.
    const VimoctlResult text = run({"check", "dev2"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.err.find("warning: the catalogue entry in " + folder.string()),
              std::string::npos)
        << text.err;
    const Json doc = parseJson(run({"check", "dev2", "--json"}).out);
    ASSERT_EQ(doc["leftOutFolders"].size(), 1u);
    EXPECT_EQ(doc["leftOutFolders"][0]["folder"], folder.string());
    EXPECT_EQ(doc["leftOutFolders"][0]["id"], escape);
}

TEST_F(VimoctlTest, ASecondFolderClaimingAnIdentifierIsLeftOutAndReportedByCheck)
{
    // Sorts after the published Vimo's own folder, which used to let it take the identifier.
    const fs::path orphan = install.installFolder() / "services" / "orvozzzVimoz";
    writeFile(orphan / "ver1" / "VimozList.xml",
              InstallationFixture::catalogueXml(vimo("pub1", "Orphan")));

    const Json doc = parseJson(run({"check", "pub1", "--json"}).out);
    EXPECT_EQ(doc["folder"], install.serviceFolder("pub1").string());
    ASSERT_EQ(doc["leftOutFolders"].size(), 1u);
    EXPECT_EQ(doc["leftOutFolders"][0]["folder"], orphan.string());
    EXPECT_NE(doc["leftOutFolders"][0]["reason"].get<std::string>().find(
                  install.serviceFolder("pub1").string() + ", which the catalogue keeps"),
              std::string::npos);
    std::vector<std::string> findings;
    for (const Json& check : doc["checks"]) {
        if (check["check"] == "identifier" && !check["passed"].get<bool>()) {
            findings.push_back(check["file"].get<std::string>());
        }
    }
    EXPECT_EQ(findings, std::vector<std::string>{orphan.string()});
    EXPECT_NE(run({"check", "dev2"}).out.find("pass  identifier"), std::string::npos);
}

TEST_F(VimoctlTest, AnInstallationFolderThatLeadsNowhereIsAFailureNamingIt)
{
    const struct
    {
        std::string location; // as system.reg writes it
        std::string named;    // what the message names
    } cases[] = {
        {"C:\\\\Program Files\\\\Gone",
         (install.prefix() / "drive_c" / "Program Files" / "Gone").string()},
        {"C:\\\\..\\\\..\\\\tmp", "climbs out of its drive"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location);
        install.writeSystemReg(InstallationFixture::systemRegFor(c.location));
        for (const char* command : {"list", "check"}) {
            std::vector<std::string> args{command};
            if (args[0] == "check") {
                args.push_back("dev1");
            }
            const VimoctlResult result = run(args);
            EXPECT_EQ(result.exitCode, 2);
            EXPECT_NE(result.err.find("the installation folder does not exist"), std::string::npos)
                << result.err;
            EXPECT_NE(result.err.find(c.named), std::string::npos) << result.err;
            EXPECT_TRUE(result.out.empty());
        }
    }
}

// check measures what pack measures, the archive, so the two always agree.
TEST_F(VimoctlTest, CheckAndPackAgreeOnTheSizeLimit)
{
    struct Case
    {
        const char* what;
        std::function<void(const fs::path&)> write;
        bool fits;
    };
    const Case cases[] = {
        {"files just under the limit that pack to more",
         [](const fs::path& f) { writeFile(f, randomBytes(5242478, 7)); }, false},
        {"files over the limit that pack to far less",
         [](const fs::path& f) { writeFile(f, std::string(6000000, 'a')); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = install.serviceFolder("dev2") / "ver1" / "content" / "data.png";
        c.write(file);
        const Json doc = parseJson(run({"check", "dev2", "--json"}).out);
        bool sizePassed = false;
        for (const Json& check : doc["checks"]) {
            if (check["check"] == "size") {
                sizePassed = check["passed"].get<bool>();
                EXPECT_NE(check["message"].get<std::string>().find("The archive of"),
                          std::string::npos)
                    << check["message"];
            }
        }
        EXPECT_EQ(sizePassed, c.fits);
        EXPECT_EQ(run({"pack", "dev2"}).exitCode, c.fits ? 0 : 1);
        for (const auto& entry :
             fs::directory_iterator(install.serviceFolder("dev2").parent_path())) {
            EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp")) << entry.path();
        }
    }
}

TEST_F(VimoctlTest, OpenAndRunUseTheDesktopAndTheClient)
{
    const fs::path bin = install.root() / "bin";
    writeRecordingStandIn(bin / "xdg-open", install.root() / "opened", 0);
    VimoctlResult result = run({"open", "dev1", "--icons"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto opened = waitForRecord(install.root() / "opened");
    ASSERT_TRUE(opened);
    ASSERT_FALSE(opened->empty());
    EXPECT_EQ((*opened)[0], toUtf8(fromUtf8(result.out.substr(0, result.out.find('\n')))));
    EXPECT_NE((*opened)[0].find("theme"), std::string::npos) << (*opened)[0];

    fs::remove(install.root() / "opened");
    fs::remove(install.root() / "opened.done");
    result = run({"open", "dev1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    opened = waitForRecord(install.root() / "opened");
    ASSERT_TRUE(opened);
    EXPECT_EQ((*opened)[0], (install.serviceFolder("dev1") / "ver1" / "content" / "dev1").string());

    fs::remove(install.root() / "opened");
    fs::remove(install.root() / "opened.done");
    result = run({"open", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(parseJson(result.out)["action"].get<std::string>(), "openServicesFolder");
    opened = waitForRecord(install.root() / "opened");
    ASSERT_TRUE(opened);
    EXPECT_NE((*opened)[0].find("services"), std::string::npos);

    // A client that records how it was started and ends at once.
    writeRecordingStandIn(install.installFolder() / "orvo.exe", install.root() / "client", 0);
    result = run({"run", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(parseJson(result.out)["clientStarted"].get<bool>());
    auto started = waitForRecord(install.root() / "client");
    ASSERT_TRUE(started);
    EXPECT_EQ((*started)[0].rfind("cwd=", 0), 0u);

    fs::remove(install.root() / "client");
    fs::remove(install.root() / "client.done");
    writeRecordingStandIn(install.installFolder() / "orvo.exe", install.root() / "client", 0);
    result = run({"run", "--second"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("started a second Orvo"), std::string::npos) << result.out;
}

TEST_F(VimoctlTest, RunReportsAClientThatCannotStart)
{
    const VimoctlResult result = run({"run", "--second"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("Failed to lanch Orvo."), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Failed to launch 2nd Orvo."), std::string::npos);

    // A program that wine refuses at once is a failed launch, not a started client.
    writeFile(install.installFolder() / "orvo.exe", "not a program");
    writeScript(install.root() / "bin" / "wine", "exit 1\n");
    Json doc = parseJson(run({"run", "--json"}).out);
    EXPECT_FALSE(doc["clientStarted"].get<bool>());
    EXPECT_TRUE(doc["failed"].get<bool>());
}

TEST_F(VimoctlTest, ARunningClientIsOnlyOneInTheInstallationsPrefix)
{
    const fs::path record = install.root() / "wine-calls";
    writeRecordingStandIn(install.root() / "bin" / "wine", record, 0);
    writeRecordingStandIn(install.installFolder() / "orvo.exe", install.root() / "client", 0);
    // The same program in another prefix does not count: commands are not sent, and run starts
    // the client.
    processes.add({.pid = 2001,
                   .argv0 = (install.installFolder() / "orvo.exe").string(),
                   .winePrefix = (install.root() / "other").string()});
    ASSERT_EQ(run({"set", "dev1", "--height", "301"}).exitCode, 0);
    ASSERT_EQ(run({"copy", "pub1"}).exitCode, 0);
    EXPECT_FALSE(fs::exists(record)); // no Wine was started to deliver a command
    EXPECT_EQ(run({"run"}).exitCode, 0);
    EXPECT_TRUE(waitForRecord(install.root() / "client"));

    // In this prefix it counts.
    processes.addRunningClient();
    const VimoctlResult result = run({"run"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Orvo is already running."), std::string::npos) << result.err;
    ASSERT_EQ(run({"set", "dev1", "--height", "302"}).exitCode, 0);
    auto lines = waitForRecord(record);
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->at(1), "orvo:reloadVimoList");
    EXPECT_EQ(lines->at(3), "WINEPREFIX=" + install.prefix().string());
    fs::remove(record.string() + ".done");
    ASSERT_EQ(run({"copy", "pub1"}).exitCode, 0);
    lines = waitForRecord(record);
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->at(1), "orvo:refresh_packages");
}

TEST_F(VimoctlTest, JsonEscapesEveryCharacterThatNeedsIt)
{
    // XML cannot hold control characters, so they come in through a file name.
    const std::string name = "Tab\there \"quoted\" back\\slash \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80";
    ASSERT_EQ(run({"set", "dev1", "--name", name}).exitCode, 0);
    VimoctlResult result = run({"show", "dev1", "--json"});
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_EQ(parseJson(result.out)["name"].get<std::string>(), name);
    EXPECT_EQ(result.out.find('\t'), std::string::npos);

    const std::string file = "odd\x01\x1f\x7f\\\"\n.html";
    writeFile(install.serviceFolder("dev1") / file, "x");
    writeFile(install.serviceFolder("dev1") / "bad\xff.html", "x");
    result = run({"files", "dev1", "--json"});
    ASSERT_EQ(result.exitCode, 0);
    Json listing = parseJson(result.out);
    std::set<std::string> paths;
    for (Json& entry : listing["files"]) {
        paths.insert(entry["path"].get<std::string>());
    }
    EXPECT_EQ(paths.count(file), 1u);
    EXPECT_EQ(paths.count("bad\xEF\xBF\xBD.html"), 1u); // not UTF-8: a replacement character
}

TEST_F(VimoctlTest, EveryJsonAnswerMatchesItsPublishedSchema)
{
    writeRecordingStandIn(install.root() / "bin" / "xdg-open", install.root() / "opened", 0);
    struct Answer
    {
        std::string schema;
        std::vector<std::string> args;
        int exitCode; // -1: any
    };
    const std::vector<Answer> answers = {
        {"version", {"--version"}, 0},
        {"list", {"list"}, 0},
        {"list", {"list", "--published"}, 0},
        {"show", {"show", "dev1"}, 0},
        {"show", {"show", "dev2"}, 0},
        {"set", {"set", "dev2", "--width", "300"}, 0},
        {"copy", {"copy", "pub1"}, 0},
        {"files", {"files", "dev1"}, 0},
        {"check", {"check", "dev1"}, 1},
        {"check", {"check", "dev2"}, 0},
        {"pack", {"pack", "dev1", "--strict"}, 1},
        {"pack", {"pack", "dev1"}, 0},
        {"pack", {"pack", "dev2", "--strict", "--output", install.root().string()}, 0},
        {"open", {"open"}, 0},
        {"run", {"run"}, -1},
        {"error", {"show", "nope"}, 1},
        {"error", {"lsit"}, 64},
        {"error", {"set", "dev1", "--desc", "--json"}, 64},
    };
    TempDir folder;
    VimoctlRunner validator("/usr/bin/python3");
    std::vector<std::string> validatorArgs = {VIMO_SCHEMA_VALIDATOR, VIMO_SCHEMA_DIR};
    for (std::size_t i = 0; i < answers.size(); ++i) {
        std::vector<std::string> args = answers[i].args;
        args.push_back("--json");
        const VimoctlResult result = run(args);
        if (answers[i].exitCode >= 0) {
            EXPECT_EQ(result.exitCode, answers[i].exitCode) << args[0] << result.err;
        }
        const fs::path file = folder.path() / (std::to_string(i) + ".json");
        writeFile(file, result.out);
        validatorArgs.push_back(answers[i].schema);
        validatorArgs.push_back(file.string());
    }
    const VimoctlResult validation = validator.run(validatorArgs);
    EXPECT_EQ(validation.exitCode, 0) << validation.out << validation.err;
    EXPECT_TRUE(validation.out.empty()) << validation.out;

    // Absent values are null, not empty texts; lists are arrays.
    Json check = parseJson(run({"check", "dev1", "--json"}).out);
    EXPECT_TRUE(check["checks"].back()["file"].is_null()) << check["checks"].back();
    Json list = parseJson(run({"list", "--json"}).out);
    EXPECT_EQ(list["vimos"][0].size(), 11u);
    EXPECT_EQ(list["schemaVersion"], 1);
}

TEST_F(VimoctlTest, ConfigFileAndTheKeptCopyServeWhenTheServerCannotBeReached)
{
    const fs::path cache = install.root() / "cache";
    runner.env["XDG_CACHE_HOME"] = cache.string();
    // A name limit of 5 characters, to tell this document from the server's.
    const std::string local = toUtf8(replaceAll(fromUtf8(ConfigServer::defaultConfiguration()),
                                                u"value=\"50\"", u"value=\"5\""));
    writeFile(install.root() / "local.xml", local);

    // A successful download is kept for --offline.
    ASSERT_EQ(run({"list"}).exitCode, 0);
    std::vector<fs::path> kept;
    for (const auto& entry : fs::directory_iterator(cache / "vimoctl")) {
        kept.push_back(entry.path());
    }
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(readFile(kept[0]), ConfigServer::defaultConfiguration());

    server.setHandler("/pages/xml/openvimoz_conf.xml", [] { return HttpReply{.status = 503}; });
    VimoctlResult result = run({"list"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find(server.baseUrl() + "/pages/xml/openvimoz_conf.xml"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("vimoctl --offline uses the copy kept from 20"), std::string::npos)
        << result.err;

    result = run({"list", "--offline"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("the developer server cannot be reached ("), std::string::npos);
    EXPECT_NE(result.err.find("using the developer configuration kept from 20"), std::string::npos)
        << result.err;
    EXPECT_NE(result.out.find("dev1"), std::string::npos);

    // --config reads the local document with the same reader, server or not.
    result = run(
        {"--config", (install.root() / "local.xml").string(), "set", "dev1", "--name", "Sixchr"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("at most 5"), std::string::npos) << result.err;

    writeFile(install.root() / "broken.xml", "<confList>\n<extensions>\n");
    result = run({"list", "--config", (install.root() / "broken.xml").string(), "--json"});
    EXPECT_EQ(result.exitCode, 2);
    Json error = parseJson(result.out)["error"];
    EXPECT_EQ(error["path"], (install.root() / "broken.xml").string());
    EXPECT_NE(error["message"].get<std::string>().find("broken.xml"), std::string::npos);

    result = run({"list", "--config", (install.root() / "missing.xml").string()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("missing.xml: No such file or directory (0x80070002)"),
              std::string::npos)
        << result.err;

    // Without a kept copy, --offline says where it looked.
    fs::remove_all(cache);
    result = run({"list", "--offline"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("no copy is kept for --offline"), std::string::npos) << result.err;
}

TEST_F(VimoctlTest, WatchReloadsTheRunningClientOncePerSettledChange)
{
    const fs::path sent = install.root() / "wine.log";
    writeScript(install.root() / "bin" / "wine", "echo \"$*\" >> '" + sent.string() + "'\n");
    processes.addRunningClient();
    const fs::path folder = install.serviceFolder("dev1");
    const fs::path cache = folder / "ver1" / "VimoList.bin";

    auto watch = runner.start({"watch", "dev1"});
    ASSERT_TRUE(watch->waitForOutput("(Ctrl+C stops)", std::chrono::seconds(10), true))
        << watch->err();

    // A burst of writes settles into one reload.
    writeFile(folder / "ver1" / "content" / "dev1" / "index.html", "<p>new</p>");
    writeFile(folder / "ver1" / "content" / "dev1" / "style.css", "p { color: red }");
    writeFile(folder / "ver1" / "content" / "dev1" / "more" / "app.js", "1;");
    ASSERT_TRUE(watch->waitForOutput("sent orvo:reloadVimoList\n", std::chrono::seconds(10)))
        << watch->out() << watch->err();
    EXPECT_EQ(lineCount(watch->out()), 1u) << watch->out();
    EXPECT_NE(watch->out().find("ver1/content/dev1/index.html and "), std::string::npos)
        << watch->out();
    EXPECT_FALSE(fs::exists(cache));
    ASSERT_TRUE(waitUntil([&] { return fs::exists(sent); }, std::chrono::seconds(5)));
    EXPECT_NE(readFile(sent).find("orvo:reloadVimoList"), std::string::npos) << readFile(sent);

    // The tool's own temporary files, the client's cache and the archive are no changes.
    writeFile(folder / "ver1" / ".VimozList.xml.4242.0.tmp", "x");
    writeFile(cache, "cache");
    writeFile(folder / "dev1.zip", "zip");
    watch->waitForOutput("(text that never comes)", std::chrono::milliseconds(1200));
    EXPECT_EQ(lineCount(watch->out()), 1u) << watch->out();

    // A folder made while watching is watched too.
    writeFile(folder / "ver1" / "content" / "dev1" / "more" / "deeper" / "x.html", "x");
    ASSERT_TRUE(waitUntil(
        [&] {
            watch->waitForOutput("deeper", std::chrono::milliseconds(100));
            return lineCount(watch->out()) >= 2;
        },
        std::chrono::seconds(10)))
        << watch->out();

    EXPECT_EQ(watch->stop(SIGINT), 0) << watch->err();
    EXPECT_NE(watch->err().find("stopped"), std::string::npos) << watch->err();
}

TEST_F(VimoctlTest, WatchWithoutAClientSaysNothingWasSent)
{
    auto watch = runner.start({"watch", "dev1", "--json"});
    ASSERT_TRUE(watch->waitForOutput("(Ctrl+C stops)", std::chrono::seconds(10), true));
    writeFile(install.serviceFolder("dev1") / "ver1" / "content" / "dev1" / "index.html", "x");
    ASSERT_TRUE(watch->waitForOutput("\n", std::chrono::seconds(10))) << watch->err();
    EXPECT_EQ(watch->stop(SIGTERM), 0);
    Json event = parseJson(watch->out());
    EXPECT_EQ(event["changed"], Json::parse(R"(["ver1/content/dev1/index.html"])"));
    EXPECT_FALSE(event["clientRunning"].get<bool>());
    EXPECT_TRUE(event["sent"].is_null());
    EXPECT_TRUE(event["cacheRemoved"].get<bool>());
    TempDir folder;
    writeFile(folder.path() / "event.json", watch->out());
    const VimoctlResult validation = VimoctlRunner("/usr/bin/python3")
                                         .run({VIMO_SCHEMA_VALIDATOR, VIMO_SCHEMA_DIR, "watch",
                                               (folder.path() / "event.json").string()});
    EXPECT_EQ(validation.exitCode, 0) << validation.out << validation.err;
}

TEST_F(VimoctlTest, QuietKeepsOnlyErrorsAndColourNeedsATerminalWithoutNoColor)
{
    VimoctlResult result = run({"-q", "list"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.empty() && result.err.empty()) << result.out << result.err;
    result = run({"check", "dev1", "--quiet"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.empty()) << result.out;
    result = run({"show", "nope", "-q"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("no Vimo \"nope\""), std::string::npos);

    const std::string red = "\x1b[31mFAIL\x1b[0m";
    EXPECT_EQ(run({"check", "dev1"}).out.find(red), std::string::npos); // a pipe: no colour
    runner.terminal = true;
    EXPECT_NE(run({"check", "dev1"}).out.find(red), std::string::npos);
    runner.env["NO_COLOR"] = "1";
    EXPECT_EQ(run({"check", "dev1"}).out.find('\x1b'), std::string::npos);
}

TEST_F(VimoctlTest, WebAddressesAreCheckedWithLibcurlsParser)
{
    struct Case
    {
        std::string url;
        bool passes;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"https://example.org/app/index.html", true, ""},
        {"http://a:8080/x?y=1#z", true, ""},
        {"http://:80/", false, "names no host"},
        {"http://a:99999/", false, "Port number"},
        {"http://exa mple.org/", false, "not a valid web address"},
        {"ftp://example.org/x", false, "not an absolute http or https address"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(run({"set", "dev2", "--web=" + c.url}).exitCode, 0) << c.url;
        Json doc = parseJson(run({"check", "dev2", "--json"}).out);
        for (Json& check : doc["checks"]) {
            if (check["check"] == "url") {
                EXPECT_EQ(check["passed"].get<bool>(), c.passes) << c.url << ": " << check;
                EXPECT_NE(check["message"].get<std::string>().find(c.says), std::string::npos)
                    << c.url << ": " << check;
            }
        }
    }
}

TEST_F(VimoctlTest, PackStrictRefusesWhileACheckFails)
{
    const fs::path archive = install.serviceFolder("dev1").string() + ".zip";
    VimoctlResult result = run({"pack", "dev1", "--strict"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(fs::exists(archive));
    EXPECT_NE(result.err.find("extensions: notes.txt: "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("--strict: 1 check fails, so nothing was packed"), std::string::npos);

    fs::remove(install.serviceFolder("dev1") / "notes.txt");
    result = run({"pack", "dev1", "--strict", "--json"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::exists(archive));
    EXPECT_TRUE(parseJson(result.out)["built"].get<bool>());
}

TEST_F(VimoctlTest, FailedWritesToStandardOutputAreFailures)
{
    // /dev/full takes the open but fails every write with ENOSPC.
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    for (const auto& args : {std::vector<std::string>{"list", "--json"}, {"list"}, {"--help"}}) {
        runner.outputFile = "/dev/full";
        const VimoctlResult result = run(args);
        EXPECT_EQ(result.exitCode, 2) << args[0];
        EXPECT_NE(result.err.find("could not write to standard output: No space left on device "
                                  "(0x80070070)"),
                  std::string::npos)
            << result.err;
    }
}

} // namespace
} // namespace vimo::test
