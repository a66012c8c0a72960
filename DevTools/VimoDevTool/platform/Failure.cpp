#include "platform/Failure.h"

#include "platform/SystemError.h"
#include "platform/Text.h"

#include <cstdio>

namespace vimo {

std::string Failure::describe() const
{
    std::string text = toUtf8(subject);
    if (!reason.empty()) {
        text += text.empty() ? reason : ": " + reason;
    }
    if (code != S_OK) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
        text += text.empty() ? std::string(hex) : " (" + std::string(hex) + ")";
    }
    return text;
}

Failure failureFromErrno(int error, std::u16string_view subject)
{
    return Failure{hresultFromErrno(error), std::u16string(subject),
                   std::error_code(error, std::generic_category()).message()};
}

} // namespace vimo
