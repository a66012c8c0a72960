#include "platform/Text.h"
#include "platform/posix/ProcessTable.h"
#include "platform/posix/ProgramLauncher.h"
#include "support/Fixtures.h"
#include "support/StandIns.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace vimo::test {

namespace {

// A program name no other test or process uses (comm keeps only 15 characters).
std::string uniqueProgramName(const std::string& stem)
{
    return stem + std::to_string(getpid() % 100000) + ".exe";
}

// A native program gets this process's environment as it is.
std::string inheritedPrefix()
{
    const char* prefix = std::getenv("WINEPREFIX");
    return std::string("WINEPREFIX=") + (prefix ? prefix : "");
}
} // namespace

// The real process table, read for processes this test starts in a prefix of its own (a fresh
// folder), so that no other process of the machine can match.
TEST(ProcessTable, FindsItsOwnProgramsInThePrefixUntilTheyEnd)
{
    TempDir dir;
    const std::string name = uniqueProgramName("vp");
    const fs::path program = dir.path() / name;
    const WineSession session{ProcessTable::resolvePrefix(dir.path().string()),
                              static_cast<unsigned>(getuid()), "/nonexistent"};
    const WineSession elsewhere{ProcessTable::resolvePrefix((dir.path() / "other").string()),
                                static_cast<unsigned>(getuid()), "/nonexistent"};
    // Runs while the marker is there (so it ends with the test's folder, whatever happens); the
    // shell interpreting it has the script's name as its comm.
    writeFile(dir.path() / "running", "");
    writeScript(program,
                "echo $$ > pid.tmp && mv pid.tmp pid\nwhile [ -e running ]; do sleep 0.02; done\n");
    Failure failure;
    const int pid = ProgramLauncher::spawn(program.string(), {program.string()},
                                           {"WINEPREFIX=" + dir.path().string() + "/"},
                                           dir.path().string(), failure);
    ASSERT_GT(pid, 0) << failure.describe();
    ASSERT_TRUE(waitUntil([&] { return fs::exists(dir.path() / "pid"); }, std::chrono::seconds(5)));
    const ProcessTable table;
    EXPECT_TRUE(table.isProgramRunning(fromUtf8(name), session));
    EXPECT_TRUE(table.isProgramRunning(toUpperAscii(fromUtf8(name)), session));
    EXPECT_TRUE(table.belongsToSession(pid, session));
    EXPECT_FALSE(table.isProgramRunning(fromUtf8(name), elsewhere));
    EXPECT_FALSE(table.belongsToSession(pid, elsewhere));
    EXPECT_FALSE(table.belongsToSession(static_cast<int>(getpid()), session));
    EXPECT_FALSE(table.isProgramRunning(u"vp", session));                 // a prefix is no match
    EXPECT_FALSE(table.isProgramRunning(fromUtf8(name) + u"x", session)); // nor a longer name
    EXPECT_FALSE(table.isProgramRunning(u"", session));

    fs::remove(dir.path() / "running");
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_FALSE(table.isProgramRunning(fromUtf8(name), session));
}

TEST(ProcessTable, MatchesTheLastComponentOfAWindowsStyleArgv0)
{
    // Wine may leave the Windows path of the program in argv[0]; comm is then something else.
    TempDir dir;
    const WineSession session{ProcessTable::resolvePrefix(dir.path().string()),
                              static_cast<unsigned>(getuid()), "/nonexistent"};
    const std::string name = uniqueProgramName("VW");
    Failure failure;
    const int pid = ProgramLauncher::spawn("/bin/sleep", {"C:\\Program Files\\Orvo\\" + name, "5"},
                                           {"WINEPREFIX=" + dir.path().string()}, "", failure);
    ASSERT_GT(pid, 0);
    const ProcessTable table;
    EXPECT_TRUE(table.isProgramRunning(toLowerAscii(fromUtf8(name)), session));
    EXPECT_FALSE(table.isProgramRunning(u"Orvo", session));
    kill(pid, SIGKILL);
    // Killed but not yet collected: a zombie runs no program.
    EXPECT_TRUE(waitUntil([&] { return !processAlive(pid); }, std::chrono::seconds(5)));
    EXPECT_FALSE(table.isProgramRunning(fromUtf8(name), session));
    waitpid(pid, nullptr, 0);
}

TEST(ProcessTable, APrefixIsAbsoluteAndResolved)
{
    TempDir dir;
    fs::create_directories(dir.path() / "real");
    fs::create_directory_symlink(dir.path() / "real", dir.path() / "link");
    const std::string real = fs::canonical(dir.path() / "real").string();
    EXPECT_EQ(ProcessTable::resolvePrefix((dir.path() / "link").string() + "//"), real);
    EXPECT_EQ(ProcessTable::resolvePrefix((dir.path() / "link" / ".." / "real").string()), real);
    EXPECT_EQ(ProcessTable::resolvePrefix("/no/such/prefix/"), "/no/such/prefix");
    EXPECT_EQ(ProcessTable::resolvePrefix("relative/prefix"), "");
    EXPECT_EQ(ProcessTable::resolvePrefix(""), "");
}

class ProgramLauncherTest : public ::testing::Test
{
protected:
    TempDir m_dir;
    fs::path m_bin = m_dir.path() / "bin";
    fs::path m_work = m_dir.path() / "work dir";
    fs::path m_record = m_dir.path() / "record";

    void SetUp() override
    {
        fs::create_directories(m_bin);
        fs::create_directories(m_work);
    }
};

TEST_F(ProgramLauncherTest, StartsANativeProgramInItsWorkingFolderWithItsArguments)
{
    const fs::path program = m_dir.path() / "orvo.exe";
    writeRecordingStandIn(program, m_record, 0);
    ASSERT_TRUE(ProgramLauncher::start(u16(program), {u"MultiInstance", u"two words"}, u16(m_work),
                                       "", "/prefix")
                    .empty());
    const auto lines = waitForRecord(m_record);
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (std::vector<std::string>{"MultiInstance", "two words",
                                                "cwd=" + m_work.string(), inheritedPrefix()}));
}

TEST_F(ProgramLauncherTest, RunsAWindowsProgramThroughWineWithThePrefix)
{
    const fs::path program = m_dir.path() / "orvo.exe";
    writeFile(program, std::string("MZ\x90\0", 4)); // a PE file, not runnable here
    writeRecordingStandIn(m_bin / "wine", m_record, 0);
    ASSERT_TRUE(ProgramLauncher::start(u16(program), {u"MultiInstance"}, u16(m_work),
                                       (m_bin / "wine").string(), "/the/prefix")
                    .empty());
    const auto lines = waitForRecord(m_record);
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines,
              (std::vector<std::string>{program.string(), "MultiInstance", "cwd=" + m_work.string(),
                                        "WINEPREFIX=/the/prefix"}));
}

TEST_F(ProgramLauncherTest, ReportsWhatCannotBeStartedAndWhy)
{
    const fs::path windowsProgram = m_dir.path() / "orvo.exe";
    writeFile(windowsProgram, "MZ");
    const fs::path native = m_dir.path() / "native";
    writeRecordingStandIn(native, m_record, 0);
    // The interpreter named in the header is missing: exec fails in the child.
    const fs::path broken = m_dir.path() / "broken";
    writeFile(broken, "#!/no/such/interpreter\n");
    fs::permissions(broken, fs::perms::owner_all);
    const fs::path failing = m_dir.path() / "failing";
    writeScript(failing, "exit 7\n");
    const std::string wine = (m_bin / "wine").string();
    writeScript(m_bin / "wine", "exit 1\n");

    struct Case
    {
        fs::path program;
        fs::path folder;
        std::string wine;
        std::string prefix;
        fs::path subject;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {windowsProgram, m_work, "", "/p", windowsProgram, "wine was not found on PATH"},
        {windowsProgram, m_work, wine, "", windowsProgram, "WINEPREFIX is not an absolute path"},
        {windowsProgram, m_work, wine, "/p", windowsProgram,
         "wine ended at once with exit status 1"},
        {m_dir.path() / "missing.exe", m_work, wine, "/p", m_dir.path() / "missing.exe",
         "No such file or directory"},
        {m_dir.path(), m_work, wine, "/p", m_dir.path(), "it is not a file"},
        {native, m_dir.path() / "no such folder", "", "/p", m_dir.path() / "no such folder",
         "No such file or directory"},
        {broken, m_work, "", "/p", broken, "No such file or directory"},
        {failing, m_work, "", "/p", failing, "it ended at once with exit status 7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program.string() + " " + c.reason);
        const Failure failure =
            ProgramLauncher::start(u16(c.program), {}, u16(c.folder), c.wine, c.prefix);
        EXPECT_TRUE(failed(failure.code));
        EXPECT_EQ(failure.subject, u16(c.subject));
        EXPECT_EQ(failure.reason, c.reason);
    }
    EXPECT_FALSE(fs::exists(m_record));
}

TEST_F(ProgramLauncherTest, AProgramStillRunningAfterThePatienceIsStartedAndCollectedLater)
{
    const fs::path program = m_dir.path() / "slow";
    writeScript(program,
                "echo $$ > '" + (m_dir.path() / "pid").string() + "'\nsleep 2.4\nexit 4\n");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(ProgramLauncher::start(u16(program), {}, u16(m_work), "", "/p").empty());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    const int pid = std::atoi(readFile(m_dir.path() / "pid").c_str());
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(waitUntil([&] { return !processListed(pid); }, std::chrono::seconds(5)));
}

TEST_F(ProgramLauncherTest, TellsNativeExecutablesByRunBitAndHeader)
{
    EXPECT_TRUE(ProgramLauncher::isNativeExecutable("/bin/sh"));
    const fs::path script = m_dir.path() / "script";
    writeScript(script, "exit 0\n");
    EXPECT_TRUE(ProgramLauncher::isNativeExecutable(script.string()));
    fs::permissions(script, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(ProgramLauncher::isNativeExecutable(script.string()));
    const fs::path pe = m_dir.path() / "pe.exe";
    writeFile(pe, "MZ\x90");
    fs::permissions(pe, fs::perms::owner_all);
    EXPECT_FALSE(ProgramLauncher::isNativeExecutable(pe.string()));
    EXPECT_FALSE(ProgramLauncher::isNativeExecutable(m_dir.path().string()));
}

TEST_F(ProgramLauncherTest, FindsProgramsOnlyInThePathFolders)
{
    writeScript(m_bin / "tool", "exit 0\n");
    writeFile(m_bin / "plain", "not runnable");
    const std::string path = "::" + m_bin.string() + ":";
    EXPECT_EQ(ProgramLauncher::findInPath("tool", path), (m_bin / "tool").string());
    EXPECT_EQ(ProgramLauncher::findInPath("plain", path), "");
    EXPECT_EQ(ProgramLauncher::findInPath("bin/tool", path), "");
    EXPECT_EQ(ProgramLauncher::findInPath("sh", path), ""); // /bin is not on this PATH
    EXPECT_EQ(ProgramLauncher::findInPath("tool", ""), "");

    // The platform searches its own PATH, which tests set.
    TestPlatform platform;
    platform.env["PATH"] = m_bin.string();
    EXPECT_EQ(platform.findProgram("tool"), (m_bin / "tool").string());
    platform.env["PATH"] = std::nullopt;
    EXPECT_EQ(platform.findProgram("tool"), "");
}

} // namespace vimo::test
