// vimoctl as the tests run it on Windows: the program's own command handling on the test
// platform, whose registry table holds the installation folder that VIMO_TEST_INSTALL_LOCATION
// gives (no installation when unset), so that the machine's registry is never read. The client
// counts as running only while the mutex that VIMO_TEST_CLIENT_MUTEX names exists (never when
// unset), and VIMO_TEST_ARCHIVE_ENGINE, when set, names the only archive engine (a stand-in).
#include "cli/VimoCtl.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "support/Fixtures.h"

#include <iostream>

namespace {

class FixturePlatform : public vimo::test::TestPlatform
{
public:
    bool isProgramRunning(const std::u16string& programName) const override
    {
        const auto mutex = environment("VIMO_TEST_CLIENT_MUTEX");
        return mutex && vimo::Win32Platform(vimo::fromUtf8(*mutex)).isProgramRunning(programName);
    }
    std::vector<std::u16string> archiveEngineCandidates() const override
    {
        if (const auto engine = environment("VIMO_TEST_ARCHIVE_ENGINE")) {
            return {vimo::fromUtf8(*engine)};
        }
        return TestPlatform::archiveEngineCandidates();
    }
};

} // namespace

int main(int argc, char** argv)
{
    FixturePlatform platform;
    if (const auto folder = platform.environment("VIMO_TEST_INSTALL_LOCATION")) {
        platform.registry[{vimo::test::kUninstallKeyU16, u"InstallLocation"}] =
            vimo::test::registryString(vimo::fromUtf8(*folder));
    }
    vimo::cli::VimoCtl program(platform, std::cout, std::cerr, vimo::standardOutputIsTerminal());
    const int code = program.run(vimo::commandLineArguments(argc, argv));
    std::cout.flush();
    return code;
}
