// vimoctl beside a real client under real Wine: a fresh prefix made with wineboot, the stand-in
// client and its "orvo:" handler (built with mingw-w64) installed and registered in it. One prefix
// serves every case, in the order written; the prefix's Wine processes are ended at the end.
#include "VimoctlRunner.h"

#include "platform/Text.h"
#include "platform/posix/ProcessTable.h"
#include "support/ConfigServer.h"
#include "support/Fixtures.h"
#include "support/StandIns.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace vimo::test {
namespace {

// Exactly one JSON document; throws on anything else.
nlohmann::json parseJson(const std::string& text)
{
    return nlohmann::json::parse(text);
}

using namespace std::chrono_literals;

// Wine on a loaded two-core machine can be slow to start a process; every wait polls up to this.
constexpr auto kPatience = 90s;

const std::string kUninstallKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                  "{3F9A1C27-58D4-4B0E-9C61-2D7E84A5B0F3}";

std::size_t lineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The strings' characters as the null-ended array that execve takes; `strings` must outlive it.
std::vector<char*> nullEnded(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& entry : strings) {
        pointers.push_back(entry.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// What the whole test shares: the prefix, the installation in it and the vendor server.
struct WineWorld
{
    TempDir dir;
    fs::path prefix = dir.path() / "prefix";
    fs::path otherPrefix = dir.path() / "other-prefix";
    fs::path home = dir.path() / "home";
    fs::path install = prefix / "drive_c" / "Program Files" / "Orvo";
    ConfigServer server;
    std::vector<int> background; // started by the test itself, collected at the end
    std::string display;
    std::string skipReason;

    // The environment of every Wine and vimoctl run: nothing of the user's own Wine set-up.
    std::map<std::string, std::string> environment(const fs::path& winePrefix) const
    {
        std::map<std::string, std::string> env = {
            {"WINEPREFIX", winePrefix.string()},
            {"WINEDEBUG", "-all"},
            {"WINEDLLOVERRIDES", "mscoree,mshtml="},
            {"HOME", home.string()},
            {"DISPLAY", display},
            {"PATH", "/usr/bin:/bin"},
            {"ORVO_DEVELOPER_SERVER", server.baseUrl()},
        };
        if (const char* run = std::getenv("VIMO_TEST_RUN")) {
            env["VIMO_TEST_RUN"] = run;
        }
        return env;
    }

    // Starts a program of /usr/bin in `winePrefix`, its output appended to wine.log (a file, not
    // a pipe: wineserver outlives the command and would hold a pipe open).
    int startTool(const fs::path& winePrefix, const std::vector<std::string>& args) const
    {
        std::vector<std::string> envStrings;
        for (const auto& [name, value] : environment(winePrefix)) {
            envStrings.push_back(name + "=" + value);
        }
        std::vector<char*> envp = nullEnded(envStrings);
        std::vector<std::string> argStrings = args;
        std::vector<char*> argv = nullEnded(argStrings);
        const std::string log = (dir.path() / "wine.log").string();
        const std::string program = "/usr/bin/" + args.front();
        const pid_t pid = fork();
        if (pid == 0) {
            const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            const int in = open("/dev/null", O_RDONLY);
            dup2(in, STDIN_FILENO);
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
            setsid();
            execve(program.c_str(), argv.data(), envp.data());
            _exit(127);
        }
        return pid;
    }

    // Runs a program to its end (at most `limit`); its exit status, or -1 when it had to be
    // killed.
    int runTool(const std::vector<std::string>& args, std::chrono::seconds limit = 120s) const
    {
        return runToolIn(prefix, args, limit);
    }
    int runToolIn(const fs::path& winePrefix, const std::vector<std::string>& args,
                  std::chrono::seconds limit = 120s) const
    {
        const int pid = startTool(winePrefix, args);
        int status = 0;
        const bool ended = waitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit);
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Sets a text value of the prefix's registry with `wine reg add` (the default value when
    // `name` is empty); its exit status.
    int regAdd(const std::string& key, const std::string& name, const std::string& data,
               bool view32 = false) const
    {
        std::vector<std::string> args = {"wine", "reg", "add", key};
        if (name.empty()) {
            args.push_back("/ve");
        } else {
            args.insert(args.end(), {"/v", name});
        }
        args.insert(args.end(), {"/t", "REG_SZ", "/d", data, "/f"});
        if (view32) {
            args.push_back("/reg:32");
        }
        return runTool(args);
    }

    VimoctlResult vimoctl(const std::vector<std::string>& args, const fs::path& winePrefix) const
    {
        VimoctlRunner runner;
        for (const auto& [name, value] : environment(winePrefix)) {
            runner.env[name] = value;
        }
        return runner.run(args);
    }
    VimoctlResult vimoctl(const std::vector<std::string>& args) const
    {
        return vimoctl(args, prefix);
    }

    // The model as the window uses it, on the real platform, for `winePrefix`.
    std::unique_ptr<TestPlatform> platformFor(const fs::path& winePrefix) const
    {
        auto platform = std::make_unique<TestPlatform>();
        platform->setProcessTableRoot("/proc");
        for (const auto& [name, value] : environment(winePrefix)) {
            platform->env[name] = value;
        }
        return platform;
    }

    std::string log(const std::string& name) const { return readFile(install / name); }

    // Every live process of this user in `winePrefix`.
    std::vector<int> processesIn(const fs::path& winePrefix) const
    {
        const WineSession session{ProcessTable::resolvePrefix(winePrefix.string()),
                                  static_cast<unsigned>(getuid()), home.string()};
        const ProcessTable table;
        std::vector<int> pids;
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") == std::string::npos &&
                table.belongsToSession(std::atoi(name.c_str()), session)) {
                pids.push_back(std::atoi(name.c_str()));
            }
        }
        return pids;
    }

    // Ends the prefix's Wine processes and waits until none is left.
    bool stopWine(const fs::path& winePrefix) const
    {
        runToolIn(winePrefix, {"wineserver", "-k"}, 60s);
        return waitUntil([&] { return processesIn(winePrefix).empty(); }, kPatience);
    }

    void setUp()
    {
        const char* displayName = std::getenv("DISPLAY");
        if (!displayName || !*displayName) {
            skipReason = "DISPLAY is not set; Wine needs an X server (Xvfb)";
            return;
        }
        display = displayName;
        const fs::path standIns = VIMO_STANDIN_DIR;
        if (!fs::exists("/usr/bin/wine") || !fs::exists("/usr/bin/wineserver") ||
            !fs::exists(standIns / "orvo.exe")) {
            skipReason = "needs wine, wine64 and mingw-w64 (the README's test command installs "
                         "them)";
            return;
        }
        fs::create_directories(home);
        ASSERT_EQ(runTool({"wineboot", "--init"}, 180s), 0) << readFile(dir.path() / "wine.log");
        fs::create_directories(install);
        fs::copy_file(standIns / "orvo.exe", install / "orvo.exe");
        fs::copy_file(standIns / "orvo-handler.exe", install / "orvo-handler.exe");
        ASSERT_EQ(regAdd(kUninstallKey, "InstallLocation", "C:\\Program Files\\Orvo", true), 0);
        ASSERT_EQ(regAdd("HKCR\\orvo", "URL Protocol", ""), 0);
        ASSERT_EQ(regAdd("HKCR\\orvo\\shell\\open\\command", "",
                         "\"C:\\Program Files\\Orvo\\orvo-handler.exe\" \"%1\""),
                  0);
        // The registry reaches system.reg only when the prefix's wineserver ends.
        ASSERT_TRUE(stopWine(prefix));

        VimoSpec dev = vimoSpec("dev1");
        dev.name = "Alpha";
        VimoSpec published = vimoSpec("pub1", "deployed");
        published.name = "Gamma";
        for (const VimoSpec& spec : {dev, published}) {
            InstallationFixture::addVimoTo(install, spec);
        }

        // A second prefix with the same installation registered, where Wine never ran.
        fs::create_directories(otherPrefix / "dosdevices");
        fs::copy_file(prefix / "system.reg", otherPrefix / "system.reg");
        fs::create_directory_symlink(prefix / "drive_c", otherPrefix / "dosdevices" / "c:");
    }
};

WineWorld* world = nullptr;

class WineEndToEnd : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        world = new WineWorld;
        world->setUp();
    }
    static void TearDownTestSuite()
    {
        if (!world->display.empty()) {
            EXPECT_TRUE(world->stopWine(world->prefix)) << "Wine processes were left running";
            EXPECT_TRUE(world->processesIn(world->otherPrefix).empty());
        }
        for (int pid : world->background) {
            kill(pid, SIGKILL); // already ended with the prefix unless Wine could not be stopped
            waitpid(pid, nullptr, 0);
        }
        delete world;
        world = nullptr;
    }
    void SetUp() override
    {
        if (!world->skipReason.empty()) {
            GTEST_SKIP() << world->skipReason;
        }
    }

    // Whether the client runs, and whether two windows exist, as the model sees it for a prefix.
    static bool clientRunning(const fs::path& winePrefix)
    {
        auto platform = world->platformFor(winePrefix);
        return VimoWorkspace(*platform).IsClientRunning();
    }
    static bool twoWindows()
    {
        auto platform = world->platformFor(world->prefix);
        return VimoWorkspace(*platform).HasSecondClientWindow();
    }
    static bool logHas(const std::string& name, std::size_t lines)
    {
        return lineCount(world->log(name)) >= lines;
    }
};

TEST_F(WineEndToEnd, FindsTheInstallationThroughThePrefixRegistry)
{
    const VimoctlResult result = world->vimoctl({"list", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    nlohmann::json doc = parseJson(result.out);
    ASSERT_EQ(doc["vimos"].size(), 2u);
    EXPECT_EQ(doc["vimos"][0]["id"], "dev1");
    EXPECT_EQ(parseJson(world->vimoctl({"show", "dev1", "--json"}).out)["folder"],
              (world->install / "services" / "orvodev1Vimoz").string());
}

TEST_F(WineEndToEnd, RunStartsTheClientInItsFolderAndOnlyItsPrefixSeesIt)
{
    VimoctlResult result = world->vimoctl({"run", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(parseJson(result.out)["clientStarted"].get<bool>());
    ASSERT_TRUE(waitUntil([] { return logHas("started.log", 1); }, kPatience));
    EXPECT_EQ(world->log("started.log"), "cwd=C:\\Program Files\\Orvo args=\n");
    ASSERT_TRUE(waitUntil([] { return clientRunning(world->prefix); }, kPatience));
    EXPECT_FALSE(clientRunning(world->otherPrefix));

    result = world->vimoctl({"run"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Orvo is already running."), std::string::npos) << result.err;
    EXPECT_EQ(lineCount(world->log("started.log")), 1u);
}

TEST_F(WineEndToEnd, AClientThatWineCannotRunIsAFailedLaunch)
{
    // Replaced by a new file: the running client keeps its own.
    fs::rename(world->install / "orvo.exe", world->install / "orvo.good");
    writeFile(world->install / "orvo.exe", "not a program");
    const VimoctlResult result = world->vimoctl({"run", "--second", "--json"});
    fs::rename(world->install / "orvo.good", world->install / "orvo.exe");
    EXPECT_EQ(result.exitCode, 2);
    nlohmann::json doc = parseJson(result.out);
    EXPECT_FALSE(doc["secondStarted"].get<bool>());
    EXPECT_TRUE(doc["failed"].get<bool>());
    EXPECT_NE(result.err.find("Failed to launch 2nd Orvo."), std::string::npos) << result.err;
}

TEST_F(WineEndToEnd, TheSecondInstanceStartsOnceAndNotWhenTwoWindowsExist)
{
    const std::size_t starts = lineCount(world->log("started.log"));
    VimoctlResult result = world->vimoctl({"run", "--second", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(parseJson(result.out)["secondStarted"].get<bool>());
    EXPECT_FALSE(parseJson(result.out)["clientStarted"].get<bool>());
    ASSERT_TRUE(waitUntil([&] { return logHas("started.log", starts + 1); }, kPatience));
    ASSERT_TRUE(waitUntil(twoWindows, kPatience));

    result = world->vimoctl({"run", "--second"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Orvo already shows two windows."), std::string::npos) << result.err;
    EXPECT_EQ(lineCount(world->log("started.log")), starts + 1);
    EXPECT_NE(world->log("started.log").find("args=MultiInstance"), std::string::npos);
}

TEST_F(WineEndToEnd, SetAndCopyHandTheirCommandsToTheHandler)
{
    ASSERT_EQ(world->vimoctl({"set", "dev1", "--height", "301"}).exitCode, 0);
    ASSERT_TRUE(waitUntil([] { return logHas("commands.log", 1); }, kPatience));
    const VimoctlResult copy = world->vimoctl({"copy", "pub1"});
    ASSERT_EQ(copy.exitCode, 0) << copy.err;
    ASSERT_TRUE(waitUntil([] { return logHas("commands.log", 2); }, kPatience));
    EXPECT_EQ(world->log("commands.log"), "orvo:reloadVimoList\norvo:refresh_packages\n");

    // From a prefix where the client does not run, nothing is sent and Wine never starts there.
    const std::string registry = readFile(world->otherPrefix / "system.reg");
    const VimoctlResult other =
        world->vimoctl({"set", "dev1", "--height", "302"}, world->otherPrefix);
    ASSERT_EQ(other.exitCode, 0) << other.err;
    EXPECT_EQ(readFile(world->otherPrefix / "system.reg"), registry);
    EXPECT_FALSE(fs::exists(world->otherPrefix / "drive_c"));
    EXPECT_TRUE(world->processesIn(world->otherPrefix).empty());
    EXPECT_EQ(lineCount(world->log("commands.log")), 2u);
}

TEST_F(WineEndToEnd, InAVirtualDesktopHiddenAndVisibleWindowsCount)
{
    ASSERT_TRUE(world->stopWine(world->prefix));
    ASSERT_EQ(world->regAdd("HKCU\\Software\\Wine\\Explorer", "Desktop", "Default"), 0);
    ASSERT_EQ(world->regAdd("HKCU\\Software\\Wine\\Explorer\\Desktops", "Default", "800x600"), 0);
    const std::size_t starts = lineCount(world->log("started.log"));
    VimoctlResult result = world->vimoctl({"run"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    ASSERT_TRUE(waitUntil([] { return clientRunning(world->prefix); }, kPatience));
    ASSERT_TRUE(waitUntil([&] { return logHas("started.log", starts + 1); }, kPatience));
    EXPECT_FALSE(twoWindows());

    // A second instance whose window stays hidden, as a client minimised to the tray.
    world->background.push_back(
        world->startTool(world->prefix, {"wine", (world->install / "orvo.exe").string(),
                                         "MultiInstance", "/hidden"}));
    ASSERT_TRUE(waitUntil([&] { return logHas("started.log", starts + 2); }, kPatience));
    ASSERT_TRUE(waitUntil(twoWindows, kPatience));
    result = world->vimoctl({"run", "--second"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Orvo already shows two windows."), std::string::npos) << result.err;
    EXPECT_EQ(lineCount(world->log("started.log")), starts + 2);
}

} // namespace
} // namespace vimo::test
