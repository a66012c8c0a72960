#pragma once

#include <string>
#include <string_view>

namespace vimo {

// The model's UTF-16 text as the Windows API's wide characters (both 16-bit units) and back.
std::wstring toWindowsWide(std::u16string_view text);
std::u16string fromWindowsWide(std::wstring_view text);

// The system's text for a Windows error number, in words, without the trailing line break.
std::string windowsErrorText(unsigned long error);

} // namespace vimo
