#pragma once

namespace vimo::cli {

// What a script sees: 0 done, 1 nothing done or refused (not found, invalid values, too big, a
// failed check), 2 a failure while doing it, 64 a command line that cannot be read (as
// sysexits.h's EX_USAGE).
enum class ExitCode : int
{
    Success = 0,
    NothingDone = 1,
    Failure = 2,
    Usage = 64,
};

} // namespace vimo::cli
