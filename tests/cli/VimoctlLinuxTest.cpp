// vimoctl's behaviour that only Linux has or that needs what only the Linux build has: killed
// runs, the terminal, inotify, the /proc table and Wine, stand-in programs as shell scripts,
// system.reg, /dev/full, the real archive engine with libzip as the reader and the schema
// validator.
#include "VimoctlFixture.h"

#include "platform/Text.h"
#include "support/StandIns.h"
#include "support/ZipReader.h"

#include <chrono>
#include <csignal>
#include <functional>
#include <random>
#include <set>
#include <thread>

namespace vimo::test {
namespace {

// A process table in the fixture's folder, which the program then reads.
FakeProcessTable makeProcessTable(InstallationFixture& install, VimoctlRunner& runner)
{
    FakeProcessTable table(install);
    runner.env["VIMO_TEST_PROCESS_TABLE"] = table.root().string();
    return table;
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

TEST_F(VimoctlTest, ColourNeedsATerminalWithoutNoColor)
{
    const std::string red = "\x1b[31mFAIL\x1b[0m";
    EXPECT_EQ(run({"check", "dev1"}).out.find(red), std::string::npos); // a pipe: no colour
    runner.terminal = true;
    EXPECT_NE(run({"check", "dev1"}).out.find(red), std::string::npos);
    runner.env["NO_COLOR"] = "1";
    EXPECT_EQ(run({"check", "dev1"}).out.find('\x1b'), std::string::npos);
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

TEST_F(VimoctlTest, PackStrictBuildsOnceEveryCheckPasses)
{
    const fs::path archive = install.serviceFolder("dev1").string() + ".zip";
    fs::remove(install.serviceFolder("dev1") / "notes.txt");
    const VimoctlResult result = run({"pack", "dev1", "--strict", "--json"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::exists(archive));
    EXPECT_TRUE(parseJson(result.out)["built"].get<bool>());
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
    FakeProcessTable processes = makeProcessTable(install, runner);
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

// XML cannot hold control characters, so they come in through a file name (which Windows refuses).
TEST_F(VimoctlTest, JsonEscapesEveryCharacterOfAFileNameThatNeedsIt)
{
    const std::string file = "odd\x01\x1f\x7f\\\"\n.html";
    writeFile(install.serviceFolder("dev1") / file, "x");
    writeFile(install.serviceFolder("dev1") / "bad\xff.html", "x");
    const VimoctlResult result = run({"files", "dev1", "--json"});
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

TEST_F(VimoctlTest, WatchReloadsTheRunningClientOncePerSettledChange)
{
    FakeProcessTable processes = makeProcessTable(install, runner);
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
