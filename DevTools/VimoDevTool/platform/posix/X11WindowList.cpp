#include "platform/posix/X11WindowList.h"

#include "platform/Text.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

bool hasProperty(Display* display, Window window, Atom name)
{
    Property property;
    return name != None && readProperty(display, window, name, property);
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

// Without a window manager that keeps _NET_CLIENT_LIST: the top-level windows, where a frame
// that a window manager put around a client stands for the clients (WM_STATE) inside it.
std::vector<Window> topLevelWindows(Display* display, Window root, Atom wmState)
{
    std::vector<Window> result;
    for (Window window : children(display, root)) {
        std::vector<Window> clients;
        if (wmState != None && !hasProperty(display, window, wmState)) {
            for (Window child : children(display, window)) {
                if (hasProperty(display, child, wmState)) {
                    clients.push_back(child);
                }
            }
        }
        if (clients.empty()) {
            result.push_back(window);
        } else {
            result.insert(result.end(), clients.begin(), clients.end());
        }
    }
    return result;
}

} // namespace

void X11WindowList::enumerateTitles(const std::optional<std::string>& display,
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
    const Window root = DefaultRootWindow(x);
    const Atom clientList = XInternAtom(x, "_NET_CLIENT_LIST", True);
    const Atom wmState = XInternAtom(x, "WM_STATE", True);
    const Atom netWmName = XInternAtom(x, "_NET_WM_NAME", True);
    const Atom utf8String = XInternAtom(x, "UTF8_STRING", False);

    std::vector<Window> windows;
    Property list;
    if (clientList != None && readProperty(x, root, clientList, list) && list.format == 32) {
        windows = list.windows;
    } else {
        windows = topLevelWindows(x, root, wmState);
    }
    for (Window window : windows) {
        if (!visit(windowTitle(x, window, netWmName, utf8String))) {
            break;
        }
    }
}

} // namespace vimo
