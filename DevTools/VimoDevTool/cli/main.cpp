#include "cli/VimoCtl.h"
#include "platform/Platform.h"
#include "platform/Process.h"

#include <iostream>

int main(int argc, char** argv)
{
    vimo::keepRunningPastFileSizeLimit();
    const std::vector<std::string> args = vimo::commandLineArguments(argc, argv);
    vimo::cli::VimoCtl program(vimo::Platform::system(), std::cout, std::cerr,
                               vimo::standardOutputIsTerminal());
    const int code = program.run(args);
    std::cout.flush();
    return code;
}
