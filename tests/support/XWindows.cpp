#include "support/XWindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vimo::test {

XTestDisplay::XTestDisplay(const std::string& name) : m_display(XOpenDisplay(name.c_str())) {}

XTestDisplay::~XTestDisplay()
{
    if (!m_display) {
        return;
    }
    for (unsigned long window : m_windows) {
        XDestroyWindow(m_display, window);
    }
    XCloseDisplay(m_display);
}

unsigned long XTestDisplay::createWindow(const WindowSpec& spec)
{
    const Window root = DefaultRootWindow(m_display);
    const Window window =
        XCreateSimpleWindow(m_display, spec.parent ? spec.parent : root, 0, 0, 100, 80, 0, 0, 0);
    if (spec.wmName) {
        XChangeProperty(m_display, window, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(spec.wmName->data()),
                        static_cast<int>(spec.wmName->size()));
    }
    if (spec.netWmName) {
        XChangeProperty(m_display, window, XInternAtom(m_display, "_NET_WM_NAME", False),
                        XInternAtom(m_display, "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(spec.netWmName->data()),
                        static_cast<int>(spec.netWmName->size()));
    }
    if (spec.pid != 0) {
        const long pid = spec.pid;
        XChangeProperty(m_display, window, XInternAtom(m_display, "_NET_WM_PID", False),
                        XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
    }
    if (spec.mapped) {
        XMapWindow(m_display, window);
    }
    XSync(m_display, False);
    if (!spec.parent) {
        m_windows.push_back(window);
    }
    return window;
}

unsigned long XTestDisplay::createWindow(const std::string& wmName, int pid)
{
    WindowSpec spec;
    spec.wmName = wmName;
    spec.pid = pid;
    return createWindow(spec);
}

void XTestDisplay::destroyWindow(unsigned long window)
{
    XDestroyWindow(m_display, window);
    XSync(m_display, False);
    m_windows.erase(std::remove(m_windows.begin(), m_windows.end(), window), m_windows.end());
}

void XTestDisplay::setClientList(const std::vector<unsigned long>& windows)
{
    std::vector<long> items(windows.begin(), windows.end());
    XChangeProperty(m_display, DefaultRootWindow(m_display),
                    XInternAtom(m_display, "_NET_CLIENT_LIST", False), XA_WINDOW, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(items.data()),
                    static_cast<int>(items.size()));
    XSync(m_display, False);
}

PrivateXServer::PrivateXServer()
{
    namespace fs = std::filesystem;
    for (int number = 150; number < 250; ++number) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
        std::error_code ec;
        if (fs::exists(socket, ec) || fs::exists(lock, ec)) {
            continue;
        }
        const std::string name = ":" + std::to_string(number);
        const char* argv[] = {"Xvfb",       name.c_str(), "-screen", "0",
                              "640x480x24", "-nolisten",  "tcp",     nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        const int spawned =
            posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            return;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        bool ended = false;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                ended = true; // the number was taken after all: try the next
                break;
            }
            if (fs::exists(socket, ec)) {
                m_pid = pid;
                m_name = name;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
}

PrivateXServer::~PrivateXServer()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

} // namespace vimo::test
