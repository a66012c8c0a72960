// Runs the real vimoctl against temporary installations and the loopback configuration server,
// on every system.
#include "VimoctlFixture.h"

#include "Version.h"

#include "platform/Text.h"

#include <algorithm>
#include <set>

namespace vimo::test {
namespace {

TEST_F(VimoctlTest, HelpDescribesEveryCommandWithoutAnInstallation)
{
    runner.findInstallation(install, false);
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
    runner.findInstallation(install, false);
    VimoctlResult result = run({"list"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("In order to be able to use the Open Vimoz Developer tool you first "
                              "need to install Orvo 6.5 and above."),
              std::string::npos);

    runner.findInstallation(install);
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
    // The cause names the file and the reader's reason with its line (Wine's reader tells none).
    const std::string line = runningUnderWine() ? ": " : ": line 1";
    const std::string broken = (install.serviceFolder("dev1") / "ver1" / "VimozList.xml").string();
    EXPECT_NE(result.err.find(broken + line), std::string::npos) << result.err;

    // And for the configuration, the address and why.
    server.setConfiguration("<confList>");
    result = run({"list"});
    EXPECT_NE(result.err.find(server.baseUrl() + "/pages/xml/openvimoz_conf.xml" + line),
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
    EXPECT_EQ(verdicts[nativePath("ver1/content/dev1/index.html")], "packed");
    EXPECT_EQ(verdicts[nativePath("ver1/VimozList.xml")], "packed");
    EXPECT_EQ(verdicts[nativePath("ver1/VimoList.bin")], "clientCache"); // deleted before packing
    EXPECT_EQ(doc["packedBytes"].get<long long>(), static_cast<long long>(packed));
    EXPECT_EQ(doc["packedCount"].get<long long>(), 4);
    EXPECT_EQ(doc["limit"].get<long long>(), 5242880);
    EXPECT_TRUE(doc["underLimit"].get<bool>());
    // Listing order is the packing order: names compared as the Windows file system does.
    EXPECT_EQ(doc["files"][0]["path"].get<std::string>(), "notes.txt");
}

TEST_F(VimoctlTest, CheckPassesAGoodVimoAndNamesEveryProblemOfABadOne)
{
    const VimoctlResult good = run({"check", "dev2", "--json"});
    EXPECT_EQ(good.exitCode, checksWithoutEngine().empty() ? 0 : 1) << good.out << good.err;
    EXPECT_EQ(failedChecks(parseJson(good.out)), checksWithoutEngine());

    VimoSpec spec = vimo("bad", "   ");
    spec.width = "2000";
    spec.height = "0";
    spec.url = "ftp://example.org/x";
    spec.type = "dhtml";
    install.addVimo(spec);
    const fs::path folder = install.serviceFolder("bad");
    writeFile(folder / "readme.txt", "x");
    // Links are made where the system's C++ library can (not with mingw-w64 on Windows).
    const bool linked =
        makeSymlink("/etc/passwd", folder / "ver1" / "passwd.html") &&
        makeSymlink(install.root(), folder / "escape") &&
        makeSymlink("index.html", folder / "ver1" / "content" / "bad" / "inside.html");
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
    if (linked) {
        ASSERT_EQ(byCheck["links"].size(), 2u);
        EXPECT_EQ((*byCheck["links"][0])["file"].get<std::string>(), "escape");
        EXPECT_EQ((*byCheck["links"][1])["file"].get<std::string>(), "ver1/passwd.html");
        const VimoctlResult text = run({"check", "bad"});
        EXPECT_NE(text.out.find("FAIL  links         ver1/passwd.html: "), std::string::npos)
            << text.out;
    }
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
    EXPECT_EQ(text.exitCode, checksWithoutEngine().empty() ? 0 : 1) << text.err;
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

TEST_F(VimoctlTest, JsonEscapesEveryCharacterOfANameThatNeedsIt)
{
    const std::string name = "Tab\there \"quoted\" back\\slash \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80";
    ASSERT_EQ(run({"set", "dev1", "--name", name}).exitCode, 0);
    VimoctlResult result = run({"show", "dev1", "--json"});
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_EQ(parseJson(result.out)["name"].get<std::string>(), name);
    EXPECT_EQ(result.out.find('\t'), std::string::npos);
}

TEST_F(VimoctlTest, QuietKeepsOnlyErrors)
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
}

TEST_F(VimoctlTest, PackStrictRefusesWhileACheckFails)
{
    const fs::path archive = install.serviceFolder("dev1").string() + ".zip";
    VimoctlResult result = run({"pack", "dev1", "--strict"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(fs::exists(archive));
    EXPECT_NE(result.err.find("extensions: notes.txt: "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(checksWithoutEngine().empty()
                                  ? "--strict: 1 check fails, so nothing was packed"
                                  : "--strict: 2 checks fail, so nothing was packed"),
              std::string::npos)
        << result.err;
}

TEST_F(VimoctlTest, ConfigFileAndTheKeptCopyServeWhenTheServerCannotBeReached)
{
    const fs::path cache = install.root() / "cache";
    // The user's cache folder on each system.
    runner.env["XDG_CACHE_HOME"] = cache.string();
    runner.env["LOCALAPPDATA"] = cache.string();
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

// Without a working engine nothing is packed and the cause names the library (under Wine the
// stand-in engine is the only one there is).
TEST_F(VimoctlTest, PackNamesAnEngineThatCannotPackAndLeavesNoArchive)
{
    const fs::path archive = install.serviceFolder("dev1").string() + ".zip";
    const struct
    {
        fs::path engine;
        std::string says;
    } cases[] = {
        {install.root() / "missing-engine", "the archive engine is not installed; looked for "},
        {fs::absolute(fs::path(VIMO_FAILING_ENGINE).make_preferred()),
         "the engine made no Zip writer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.engine.string());
        runner.env["VIMO_TEST_ARCHIVE_ENGINE"] = c.engine.string();
        const VimoctlResult result = run({"pack", "dev1", "--json"});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_NE(result.err.find(c.engine.string()), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_EQ(parseJson(result.out)["error"]["exitCode"], 2) << result.out;
        for (const auto& entry : fs::directory_iterator(archive.parent_path())) {
            EXPECT_EQ(entry.path().extension(), "") << entry.path();
        }
    }
}

} // namespace
} // namespace vimo::test
