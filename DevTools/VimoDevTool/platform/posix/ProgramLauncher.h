#pragma once

#include <string>
#include <vector>

namespace vimo {

// Starts programs detached: native executables directly, Windows programs through wine.
class ProgramLauncher
{
public:
    // True when the program was started (a failed exec is a failure); never waits for it.
    static bool start(const std::u16string& program, const std::vector<std::u16string>& arguments,
                      const std::u16string& workingFolder, const std::string& winePrefix);
};

} // namespace vimo
