#include "platform/win32/Win32Clipboard.h"

#include "platform/win32/WideText.h"

#include <cstring>

#include <windows.h>

namespace vimo {

namespace {

// Another program may hold the clipboard open for a moment (a clipboard viewer reading what we
// put there last time): try again for about a quarter of a second before giving up.
constexpr int kOpenAttempts = 13;
constexpr DWORD kOpenRetryMs = 20;

std::string lastError(const char* what)
{
    return std::string(what) + ": " + windowsErrorText(GetLastError());
}

// A message-only window that owns the clipboard for one operation.
class OwnerWindow
{
public:
    OwnerWindow()
        : m_window(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr))
    {
    }
    ~OwnerWindow()
    {
        if (m_window) {
            DestroyWindow(m_window);
        }
    }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND handle() const { return m_window; }

private:
    HWND m_window;
};

class OpenedClipboard
{
public:
    ~OpenedClipboard()
    {
        if (m_open) {
            CloseClipboard();
        }
    }
    bool open(HWND owner)
    {
        for (int attempt = 1; !m_open && attempt <= kOpenAttempts; ++attempt) {
            m_open = OpenClipboard(owner) != FALSE;
            if (!m_open && attempt < kOpenAttempts) {
                Sleep(kOpenRetryMs);
            }
        }
        return m_open;
    }

private:
    bool m_open = false;
};

// A movable global block holding `text` and its terminating zero; null on failure.
HGLOBAL copyToGlobalMemory(const std::u16string& text, std::string& whyNot)
{
    const SIZE_T bytes = (text.size() + 1) * sizeof(char16_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block) {
        whyNot = lastError("no memory for the clipboard's text");
        return nullptr;
    }
    void* data = GlobalLock(block);
    if (!data) {
        whyNot = lastError("the clipboard's memory could not be locked");
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(data, text.c_str(), bytes);
    GlobalUnlock(block);
    return block;
}

} // namespace

std::unique_ptr<Clipboard> Clipboard::system()
{
    return std::make_unique<Win32Clipboard>();
}

bool Win32Clipboard::setText(const std::u16string& text, std::string& whyNot)
{
    const OwnerWindow owner;
    if (!owner.handle()) {
        whyNot = lastError("no window could be made to own the clipboard");
        return false;
    }
    OpenedClipboard clipboard;
    if (!clipboard.open(owner.handle())) {
        whyNot = lastError("the clipboard could not be opened (another program may hold it)");
        return false;
    }
    if (!EmptyClipboard()) {
        whyNot = lastError("the clipboard could not be emptied");
        return false;
    }
    HGLOBAL block = copyToGlobalMemory(text, whyNot);
    if (!block) {
        return false;
    }
    if (!SetClipboardData(CF_UNICODETEXT, block)) {
        whyNot = lastError("the clipboard took no text");
        GlobalFree(block); // still ours: the system takes the block only when it accepts it
        return false;
    }
    return true;
}

} // namespace vimo
