// vimoctl as the tests run it: the program's own command handling on the system's platform,
// except that the process table is the fixture's folder named by VIMO_TEST_PROCESS_TABLE (none
// when unset), so that no process of the machine can count as the client, and that
// VIMO_TEST_ARCHIVE_ENGINE, when set, names the only archive engine (a stand-in). The program
// search path, the display and the Wine program come from the environment the test gives it.
#include "cli/VimoCtl.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/posix/PosixPlatform.h"

#include <cstdlib>
#include <iostream>
#include <unistd.h>

namespace {

class FixturePlatform : public vimo::PosixPlatform
{
public:
    std::vector<std::u16string> archiveEngineCandidates() const override
    {
        if (const char* engine = std::getenv("VIMO_TEST_ARCHIVE_ENGINE")) {
            return {vimo::fromUtf8(engine)};
        }
        return PosixPlatform::archiveEngineCandidates();
    }
};

} // namespace

int main(int argc, char** argv)
{
    FixturePlatform platform;
    const char* table = std::getenv("VIMO_TEST_PROCESS_TABLE");
    platform.setProcessTableRoot(table ? table : "");
    vimo::cli::VimoCtl program(platform, std::cout, std::cerr, isatty(STDOUT_FILENO) != 0);
    const int code = program.run(vimo::commandLineArguments(argc, argv));
    std::cout.flush();
    return code;
}
