#pragma once

namespace vimo::cli {

// What a script sees: 0 done, 1 nothing done or refused (bad input, not found, validation,
// too big, a failed check), 2 a failure while doing it.
enum class ExitCode : int
{
    Success = 0,
    NothingDone = 1,
    Failure = 2,
};

} // namespace vimo::cli
