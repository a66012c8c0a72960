#pragma once

#include "platform/ResultCodes.h"

#include <string>
#include <string_view>
#include <system_error>

namespace vimo {

// Why an operation failed, for a person: what failed (a file, folder or address) and the reason
// in words, next to the result code the caller tests. Empty after a success.
struct Failure
{
    HRESULT code = S_OK;
    std::u16string subject; // the file, folder or address concerned; may be empty
    std::string reason;     // in words: the system's error text, the parser's message, ...

    bool empty() const { return code == S_OK && reason.empty(); }
    // "subject: reason (0x80070005)", the parts that are known.
    std::string describe() const;
};

// A failure for a system error number on `subject` (the system's own text as the reason).
Failure failureFromErrno(int error, std::u16string_view subject);

} // namespace vimo
