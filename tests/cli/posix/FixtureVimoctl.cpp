// vimoctl as the tests run it: the program's own command handling on the system's platform,
// except that the process table is the fixture's folder named by VIMO_TEST_PROCESS_TABLE (none
// when unset), so that no process of the machine can count as the client. The program search
// path, the display and the Wine program come from the environment the test gives it.
#include "cli/VimoCtl.h"
#include "platform/posix/PosixPlatform.h"

#include <cstdlib>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    vimo::PosixPlatform platform;
    const char* table = std::getenv("VIMO_TEST_PROCESS_TABLE");
    platform.setProcessTableRoot(table ? table : "");
    std::vector<std::string> args(argv + 1, argv + argc);
    vimo::cli::VimoCtl program(platform, std::cout, std::cerr, isatty(STDOUT_FILENO) != 0);
    const int code = program.run(args);
    std::cout.flush();
    return code;
}
