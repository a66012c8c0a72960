#pragma once

#include <string>

namespace vimo {

// The running processes, read from /proc.
class ProcessTable
{
public:
    // Whether some process's argv[0] (last component after "/" or "\") or comm equals
    // `programName` without regard to letter case.
    static bool isProgramRunning(const std::u16string& programName);
};

} // namespace vimo
