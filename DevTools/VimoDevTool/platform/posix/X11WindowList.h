#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vimo {

// The top-level windows of the X display.
class X11WindowList
{
public:
    // Calls `visit` with each top-level window's title until it returns false. No display
    // name, or a display that cannot be opened, means no windows.
    static void enumerateTitles(const std::optional<std::string>& display,
                                const std::function<bool(const std::u16string&)>& visit);
};

} // namespace vimo
