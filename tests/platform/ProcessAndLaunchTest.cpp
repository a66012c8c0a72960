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

int readPid(const fs::path& file)
{
    return std::atoi(readFile(file).c_str());
}

// A native program gets this process's environment as it is.
std::string inheritedPrefix()
{
    const char* prefix = std::getenv("WINEPREFIX");
    return std::string("WINEPREFIX=") + (prefix ? prefix : "");
}

} // namespace

TEST(ProcessTable, FindsARunningProgramByItsNameOrWindowsPathUntilItEnds)
{
    TempDir dir;
    const std::string name = uniqueProgramName("vp");
    const fs::path program = dir.path() / name;
    // Runs while the marker is there (so it ends with the test's folder, whatever happens); the
    // shell interpreting it has the script's name as its comm.
    writeFile(dir.path() / "running", "");
    writeScript(program,
                "echo $$ > pid.tmp && mv pid.tmp pid\nwhile [ -e running ]; do sleep 0.02; done\n");
    ASSERT_TRUE(ProgramLauncher::start(u16(program), {}, u16(dir.path()), "/nonexistent"));
    ASSERT_TRUE(waitUntil([&] { return fs::exists(dir.path() / "pid"); }, std::chrono::seconds(5)));
    const int pid = readPid(dir.path() / "pid");

    EXPECT_TRUE(ProcessTable::isProgramRunning(fromUtf8(name)));
    EXPECT_TRUE(ProcessTable::isProgramRunning(toUpperAscii(fromUtf8(name))));
    EXPECT_FALSE(ProcessTable::isProgramRunning(u"vp"));                 // a prefix is no match
    EXPECT_FALSE(ProcessTable::isProgramRunning(fromUtf8(name) + u"x")); // nor a longer name
    EXPECT_FALSE(ProcessTable::isProgramRunning(u""));

    fs::remove(dir.path() / "running");
    // The launcher collects the ended program: it does not linger as a zombie named like it.
    EXPECT_TRUE(waitUntil([&] { return !processListed(pid); }, std::chrono::seconds(5)));
    EXPECT_FALSE(ProcessTable::isProgramRunning(fromUtf8(name)));
}

TEST(ProcessTable, MatchesTheLastComponentOfAWindowsStyleArgv0)
{
    // Wine leaves the Windows path of the program in argv[0]; comm is then something else.
    const std::string name = uniqueProgramName("VW");
    const int pid =
        ProgramLauncher::spawn("/bin/sleep", {"C:\\Program Files\\Orvo\\" + name, "5"}, {}, "");
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(ProcessTable::isProgramRunning(toLowerAscii(fromUtf8(name))));
    EXPECT_FALSE(ProcessTable::isProgramRunning(u"Orvo"));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_FALSE(ProcessTable::isProgramRunning(fromUtf8(name)));
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
                                       "/prefix"));
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
    ScopedPath path(m_bin);
    ASSERT_TRUE(
        ProgramLauncher::start(u16(program), {u"MultiInstance"}, u16(m_work), "/the/prefix"));
    const auto lines = waitForRecord(m_record);
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines,
              (std::vector<std::string>{program.string(), "MultiInstance", "cwd=" + m_work.string(),
                                        "WINEPREFIX=/the/prefix"}));
}

TEST_F(ProgramLauncherTest, ReportsWhatCannotBeStarted)
{
    const fs::path windowsProgram = m_dir.path() / "orvo.exe";
    writeFile(windowsProgram, "MZ");
    {
        ScopedPath empty(m_bin, true); // no wine anywhere
        EXPECT_FALSE(ProgramLauncher::start(u16(windowsProgram), {}, u16(m_work), "/p"));
    }
    EXPECT_FALSE(ProgramLauncher::start(u16(m_dir.path() / "missing.exe"), {}, u16(m_work), "/p"));

    const fs::path native = m_dir.path() / "native";
    writeRecordingStandIn(native, m_record, 0);
    EXPECT_FALSE(
        ProgramLauncher::start(u16(native), {}, u16(m_dir.path() / "no such folder"), "/p"));
    // The interpreter named in the header is missing: exec fails in the child.
    const fs::path broken = m_dir.path() / "broken";
    writeFile(broken, "#!/no/such/interpreter\n");
    fs::permissions(broken, fs::perms::owner_all);
    EXPECT_FALSE(ProgramLauncher::start(u16(broken), {}, u16(m_work), "/p"));
    EXPECT_FALSE(fs::exists(m_record));
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
    ScopedPath path(m_bin, true);
    EXPECT_EQ(ProgramLauncher::findInPath("tool"), (m_bin / "tool").string());
    EXPECT_EQ(ProgramLauncher::findInPath("plain"), "");
    EXPECT_EQ(ProgramLauncher::findInPath("bin/tool"), "");
    EXPECT_EQ(ProgramLauncher::findInPath("sh"), ""); // /bin is not on this PATH
}

} // namespace vimo::test
