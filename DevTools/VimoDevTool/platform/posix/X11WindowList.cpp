#include "platform/posix/X11WindowList.h"

#include "platform/Text.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <map>
#include <vector>

namespace vimo {

namespace {

// Titles longer than this are cut: no title that long can be the client's anyway.
constexpr long kTitleLimitLongs = 4096; // in 32-bit units, enough for 4096 characters in UTF-8

// Windows come and go while they are listed; a request about one that is gone must not end
// the program, which is what Xlib's default handler does.
int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

class ErrorHandlerScope
{
public:
    ErrorHandlerScope() : m_previous(XSetErrorHandler(ignoreXError)) {}
    ~ErrorHandlerScope() { XSetErrorHandler(m_previous); }
    ErrorHandlerScope(const ErrorHandlerScope&) = delete;
    ErrorHandlerScope& operator=(const ErrorHandlerScope&) = delete;

private:
    XErrorHandler m_previous;
};

class DisplayConnection
{
public:
    explicit DisplayConnection(const std::string& name) : m_display(XOpenDisplay(name.c_str())) {}
    ~DisplayConnection()
    {
        if (m_display) {
            XCloseDisplay(m_display);
        }
    }
    DisplayConnection(const DisplayConnection&) = delete;
    DisplayConnection& operator=(const DisplayConnection&) = delete;
    Display* get() const { return m_display; }

private:
    Display* m_display;
};

// The bytes of a property of format 8 (a text), or of format 32 (a list of windows) as longs.
struct Property
{
    Atom type = None;
    int format = 0;
    std::vector<unsigned char> bytes;
    std::vector<Window> windows;
};

bool readProperty(Display* display, Window window, Atom name, Property& out)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, name, 0, kTitleLimitLongs, False, AnyPropertyType,
                           &type, &format, &count, &remaining, &data) != Success) {
        return false;
    }
    out.type = type;
    out.format = format;
    if (data) {
        if (format == 8) {
            out.bytes.assign(data, data + count);
        } else if (format == 32) {
            // Xlib hands 32-bit items to the client as longs.
            const auto* items = reinterpret_cast<const unsigned long*>(data);
            out.windows.assign(items, items + count);
        }
        XFree(data);
    }
    return type != None;
}

std::u16string fromLatin1(const std::vector<unsigned char>& bytes)
{
    return std::u16string(bytes.begin(), bytes.end());
}

std::u16string windowTitle(Display* display, Window window, Atom netWmName, Atom utf8String)
{
    Property property;
    if (netWmName != None && readProperty(display, window, netWmName, property) &&
        property.type == utf8String && property.format == 8) {
        return fromUtf8(std::string(property.bytes.begin(), property.bytes.end()));
    }
    property = {};
    if (!readProperty(display, window, XA_WM_NAME, property) || property.format != 8) {
        return {};
    }
    if (property.type == XA_STRING) {
        return fromLatin1(property.bytes);
    }
    if (property.type == utf8String) {
        return fromUtf8(std::string(property.bytes.begin(), property.bytes.end()));
    }
    // Compound text and other encodings: let Xlib convert.
    XTextProperty text = {};
    text.value = property.bytes.data();
    text.encoding = property.type;
    text.format = 8;
    text.nitems = property.bytes.size();
    char** list = nullptr;
    int count = 0;
    std::u16string title;
    if (Xutf8TextPropertyToTextList(display, &text, &list, &count) >= Success && list) {
        if (count > 0) {
            title = fromUtf8(list[0]);
        }
        XFreeStringList(list);
    }
    return title;
}

std::vector<Window> children(Display* display, Window window)
{
    Window root = 0;
    Window parent = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, window, &root, &parent, &list, &count) && list) {
        result.assign(list, list + count);
        XFree(list);
    }
    return result;
}

// The process id a window carries; 0 when it has none.
int windowPid(Display* display, Window window, Atom netWmPid)
{
    Property property;
    if (netWmPid == None || !readProperty(display, window, netWmPid, property) ||
        property.type != XA_CARDINAL || property.windows.empty()) {
        return 0;
    }
    const unsigned long pid = property.windows.front();
    return pid > 0 && pid < 0x7fffffff ? static_cast<int>(pid) : 0;
}

// Deep enough for a client in a window manager's frame (one or two levels) and for a client in a
// Wine virtual desktop that a window manager framed in turn.
constexpr int kDepthLimit = 4;

} // namespace

void X11WindowList::enumerateTitles(const std::optional<std::string>& display,
                                    const std::function<bool(int pid)>& inSession,
                                    const std::function<bool(const std::u16string&)>& visit)
{
    if (!display || display->empty()) {
        return;
    }
    ErrorHandlerScope errors;
    DisplayConnection connection(*display);
    Display* x = connection.get();
    if (!x) {
        return;
    }
    const Atom netWmPid = XInternAtom(x, "_NET_WM_PID", True);
    const Atom netWmName = XInternAtom(x, "_NET_WM_NAME", True);
    const Atom utf8String = XInternAtom(x, "UTF8_STRING", False);
    if (netWmPid == None) {
        return; // no window has ever carried a process id on this display
    }

    // A window manager's client list is not trusted: it leaves out hidden windows, and a manager
    // that exited may leave it empty. So the window tree is walked, in stacking order.
    std::map<int, bool> sessionPids; // each process is looked up once
    struct Pending
    {
        Window window;
        int depth;
    };
    std::vector<Pending> stack;
    const std::vector<Window> top = children(x, DefaultRootWindow(x));
    for (auto it = top.rbegin(); it != top.rend(); ++it) {
        stack.push_back({*it, 1});
    }
    while (!stack.empty()) {
        const Pending current = stack.back();
        stack.pop_back();
        // A frame of a window manager carries no process id; the client inside it does.
        const int pid = windowPid(x, current.window, netWmPid);
        if (pid != 0) {
            auto known = sessionPids.find(pid);
            if (known == sessionPids.end()) {
                known = sessionPids.emplace(pid, inSession(pid)).first;
            }
            if (known->second && !visit(windowTitle(x, current.window, netWmName, utf8String))) {
                return;
            }
        }
        if (current.depth < kDepthLimit) {
            const std::vector<Window> below = children(x, current.window);
            for (auto it = below.rbegin(); it != below.rend(); ++it) {
                stack.push_back({*it, current.depth + 1});
            }
        }
    }
}

} // namespace vimo
