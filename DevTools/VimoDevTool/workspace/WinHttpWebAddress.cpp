// Web addresses are checked with WinHTTP's own parser: the one that would fetch the address
// decides whether it can.

#include "platform/Text.h"
#include "platform/win32/WideText.h"
#include "workspace/RecordValidator.h"

// After the model's headers: <windows.h> defines result codes as macros.
#include <windows.h>
#include <winhttp.h>

namespace vimo {

std::optional<std::string> RecordValidator::parsedAddressProblem(std::u16string_view url,
                                                                 const std::string& text)
{
    const std::wstring wide = toWindowsWide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &parts)) {
        return "The address \"" + text +
               "\" is not a valid web address: " + windowsErrorText(GetLastError()) + ".";
    }
    if (parts.dwHostNameLength == 0) {
        return "The address \"" + text + "\" names no host.";
    }
    return std::nullopt;
}

} // namespace vimo
