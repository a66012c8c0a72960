#pragma once

#include <string>

namespace vimo {

// The desktop's "open": xdg-open for folders and web pages, wine start for client commands.
class DesktopShell
{
public:
    // The shell's number for the outcome: above 32 success; 31 no association; else the exit code.
    static int open(const std::u16string& target);
    static int openClientCommand(const std::u16string& command, const std::string& winePrefix);
};

} // namespace vimo
