#pragma once

#include "platform/Failure.h"

#include <string>

namespace vimo {

// The desktop's "open": xdg-open for folders and web pages, wine start for client commands.
class DesktopShell
{
public:
    // The shell's number for the outcome of xdg-open (`opener`, its full path; empty when there
    // is none): above 32 success; 31 no association; else the exit code.
    static int open(const std::u16string& target, const std::string& opener);
    // Hands a command in the client's URL scheme to the handler registered in the Wine prefix,
    // through `wine start` (`wine`: its full path; empty when there is none).
    static Failure openClientCommand(const std::u16string& command, const std::string& wine,
                                     const std::string& winePrefix);
};

} // namespace vimo
