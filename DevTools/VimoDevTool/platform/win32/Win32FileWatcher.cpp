#include "platform/win32/Win32FileWatcher.h"

#include "platform/Paths.h"
#include "platform/win32/WideText.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

#include <windows.h>

namespace vimo {

namespace {

constexpr DWORD kNotifyFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                                FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_CREATION;
// Room for a burst of a few hundred changes; more than that arrives as an overflow.
constexpr std::size_t kBufferBytes = 64 * 1024;
// How long closing the console waits for the watch to end before the system ends the program.
constexpr DWORD kCloseGraceMs = 4000;

// The stop events of the watchers alive, for the console control handler (which the system
// calls on a thread of its own) and the event each sets when it is gone.
std::mutex g_watchersLock;
std::vector<HANDLE> g_stopEvents;
HANDLE g_lastGone = nullptr;

BOOL WINAPI onConsoleControl(DWORD control)
{
    HANDLE gone = nullptr;
    {
        const std::lock_guard lock(g_watchersLock);
        if (g_stopEvents.empty()) {
            return FALSE;
        }
        for (HANDLE stop : g_stopEvents) {
            SetEvent(stop);
        }
        gone = g_lastGone;
    }
    // Returning from a close, log-off or shut-down ends the program at once: give the watch
    // the moment it needs to end first.
    if (control == CTRL_CLOSE_EVENT || control == CTRL_LOGOFF_EVENT ||
        control == CTRL_SHUTDOWN_EVENT) {
        WaitForSingleObject(gone, kCloseGraceMs);
    }
    return TRUE;
}

OVERLAPPED* asOverlapped(std::vector<unsigned char>& storage)
{
    return reinterpret_cast<OVERLAPPED*>(storage.data());
}

} // namespace

std::unique_ptr<FileWatcher> FileWatcher::create()
{
    return std::make_unique<Win32FileWatcher>();
}

Win32FileWatcher::Win32FileWatcher()
    : m_overlapped(sizeof(OVERLAPPED)), m_buffer(kBufferBytes / sizeof(unsigned long))
{
    m_changed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const std::lock_guard lock(g_watchersLock);
    if (g_stopEvents.empty()) {
        if (!g_lastGone) {
            g_lastGone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        }
        ResetEvent(g_lastGone);
        SetConsoleCtrlHandler(onConsoleControl, TRUE);
    }
    g_stopEvents.push_back(m_stop);
}

Win32FileWatcher::~Win32FileWatcher()
{
    if (m_pending) {
        // The pending request must end before its buffer and event go away.
        CancelIoEx(m_directory, asOverlapped(m_overlapped));
        DWORD bytes = 0;
        GetOverlappedResult(m_directory, asOverlapped(m_overlapped), &bytes, TRUE);
    }
    if (m_directory) {
        CloseHandle(m_directory);
    }
    {
        const std::lock_guard lock(g_watchersLock);
        std::erase(g_stopEvents, m_stop);
        if (g_stopEvents.empty()) {
            SetConsoleCtrlHandler(onConsoleControl, FALSE);
            SetEvent(g_lastGone);
        }
    }
    CloseHandle(m_changed);
    CloseHandle(m_stop);
}

bool Win32FileWatcher::failWithLastError(const std::u16string& subject)
{
    const DWORD error = GetLastError();
    m_failure = Failure{hresultFromWin32(error), subject, windowsErrorText(error)};
    return false;
}

bool Win32FileWatcher::watch(const std::u16string& folder)
{
    if (!m_changed || !m_stop) {
        return failWithLastError(u"a watch event");
    }
    // Every kind of sharing, so that the watch never stands in the way of an editor or a delete.
    m_directory =
        CreateFileW(toWindowsWide(folder).c_str(), FILE_LIST_DIRECTORY,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (m_directory == INVALID_HANDLE_VALUE) {
        m_directory = nullptr;
        return failWithLastError(folder);
    }
    m_folder = folder;
    while (!m_folder.empty() && m_folder.back() == kPathSeparator) {
        m_folder.pop_back();
    }
    return requestChanges();
}

bool Win32FileWatcher::requestChanges()
{
    OVERLAPPED* overlapped = asOverlapped(m_overlapped);
    *overlapped = OVERLAPPED{};
    overlapped->hEvent = m_changed;
    ResetEvent(m_changed);
    m_pending =
        ReadDirectoryChangesW(m_directory, m_buffer.data(), static_cast<DWORD>(kBufferBytes), TRUE,
                              kNotifyFilter, nullptr, overlapped, nullptr) != FALSE;
    return m_pending || failWithLastError(m_folder);
}

void Win32FileWatcher::collect(unsigned long bytes, std::vector<std::u16string>& changed) const
{
    if (bytes == 0) {
        // More changed than the buffer holds: the whole tree counts as changed.
        changed.push_back(m_folder);
        return;
    }
    const auto* at = reinterpret_cast<const unsigned char*>(m_buffer.data());
    for (;;) {
        const auto* entry = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
        const std::wstring_view name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
        const std::u16string path = m_folder + kPathSeparator + fromWindowsWide(name);
        changed.push_back(path);
        std::error_code error;
        const auto fsPath = toFsPath(path);
        // A folder moved in from elsewhere sends no event for what it holds.
        if ((entry->Action == FILE_ACTION_ADDED || entry->Action == FILE_ACTION_RENAMED_NEW_NAME) &&
            std::filesystem::is_directory(std::filesystem::symlink_status(fsPath, error))) {
            for (std::filesystem::recursive_directory_iterator it(fsPath, error), end;
                 !error && it != end; it.increment(error)) {
                changed.push_back(fromFsPath(it->path()));
            }
        }
        if (entry->NextEntryOffset == 0) {
            return;
        }
        at += entry->NextEntryOffset;
    }
}

WatchEvent Win32FileWatcher::wait(int timeoutMs, std::vector<std::u16string>& changed)
{
    if (!m_pending) {
        return WatchEvent::Failed;
    }
    const HANDLE events[2] = {m_stop, m_changed};
    const DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    const DWORD which = WaitForMultipleObjects(2, events, FALSE, timeout);
    if (which == WAIT_OBJECT_0) {
        return WatchEvent::Interrupted;
    }
    if (which == WAIT_TIMEOUT) {
        return WatchEvent::Timeout;
    }
    if (which != WAIT_OBJECT_0 + 1) {
        failWithLastError(m_folder);
        return WatchEvent::Failed;
    }
    m_pending = false;
    DWORD bytes = 0;
    if (!GetOverlappedResult(m_directory, asOverlapped(m_overlapped), &bytes, FALSE)) {
        if (GetLastError() != ERROR_NOTIFY_ENUM_DIR) { // an overflow: bytes stays 0
            failWithLastError(m_folder);
            return WatchEvent::Failed;
        }
    }
    const std::size_t before = changed.size();
    collect(bytes, changed);
    if (!requestChanges()) {
        return WatchEvent::Failed;
    }
    return changed.size() > before ? WatchEvent::Changes : WatchEvent::Timeout;
}

} // namespace vimo
