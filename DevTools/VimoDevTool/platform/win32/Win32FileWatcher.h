#pragma once

#include "platform/FileWatcher.h"

#include <vector>

namespace vimo {

// FileWatcher on ReadDirectoryChangesW: one overlapped, recursive watch of the whole tree. While
// it lives, a console control handler turns Ctrl+C, Ctrl+Break and closing the console into an
// Interrupted wait instead of the end of the program.
class Win32FileWatcher : public FileWatcher
{
public:
    Win32FileWatcher();
    ~Win32FileWatcher() override;
    Win32FileWatcher(const Win32FileWatcher&) = delete;
    Win32FileWatcher& operator=(const Win32FileWatcher&) = delete;

    bool watch(const std::u16string& folder) override;
    WatchEvent wait(int timeoutMs, std::vector<std::u16string>& changed) override;
    const Failure& failure() const override { return m_failure; }

private:
    // Asks the system for the next batch of changes; false, with the cause, when it refuses.
    bool requestChanges();
    // Appends the paths of the completed batch (and what a folder that appeared holds).
    void collect(unsigned long bytes, std::vector<std::u16string>& changed) const;
    bool failWithLastError(const std::u16string& subject);

    std::u16string m_folder;
    void* m_directory = nullptr; // HANDLE of the watched folder
    void* m_changed = nullptr;   // event of the pending request
    void* m_stop = nullptr;      // event the console control handler sets
    bool m_pending = false;      // a request is with the system
    std::vector<unsigned char> m_overlapped;
    std::vector<unsigned long> m_buffer; // DWORD-aligned, as the system writes it
    Failure m_failure;
};

} // namespace vimo
