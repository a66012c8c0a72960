#pragma once

#include <optional>
#include <string>
#include <vector>

struct _XDisplay;

namespace vimo::test {

// A connection to an X server that makes titled top-level windows for the window-counting
// tests; every window it made is destroyed with it.
class XTestDisplay
{
public:
    explicit XTestDisplay(const std::string& name);
    ~XTestDisplay();
    XTestDisplay(const XTestDisplay&) = delete;
    XTestDisplay& operator=(const XTestDisplay&) = delete;

    bool isOpen() const { return m_display != nullptr; }

    // What a test window carries.
    struct WindowSpec
    {
        std::optional<std::string> wmName{};    // WM_NAME, Latin-1
        std::optional<std::string> netWmName{}; // _NET_WM_NAME, UTF-8
        int pid = 0;                            // _NET_WM_PID; 0 for none
        unsigned long parent = 0;               // 0 is the root
        bool mapped = true;
    };
    unsigned long createWindow(const WindowSpec& spec);
    // A mapped top-level window with WM_NAME and, unless 0, _NET_WM_PID.
    unsigned long createWindow(const std::string& wmName, int pid);
    void destroyWindow(unsigned long window);
    // Sets the window manager's _NET_CLIENT_LIST on the root window.
    void setClientList(const std::vector<unsigned long>& windows);

private:
    _XDisplay* m_display;
    std::vector<unsigned long> m_windows;
};

// An Xvfb server of the test's own, for tests that change the root window's properties; it is
// stopped when the object goes. Not running when Xvfb is missing.
class PrivateXServer
{
public:
    PrivateXServer();
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    bool isRunning() const { return m_pid > 0; }
    const std::string& displayName() const { return m_name; }

private:
    int m_pid = -1;
    std::string m_name;
};

} // namespace vimo::test
