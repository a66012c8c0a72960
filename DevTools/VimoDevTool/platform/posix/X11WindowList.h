#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vimo {

// The top-level windows of an X display, as Windows' EnumWindows sees them for one session.
class X11WindowList
{
public:
    // Calls `visit` with the title of each window whose process (its _NET_WM_PID) `inSession`
    // accepts, until it returns false: windows at the top of the display, the client windows
    // inside a window manager's frames and those inside a Wine virtual desktop, mapped or not. No
    // display name, or a display that cannot be opened, means no windows.
    static void enumerateTitles(const std::optional<std::string>& display,
                                const std::function<bool(int pid)>& inSession,
                                const std::function<bool(const std::u16string&)>& visit);
};

} // namespace vimo
