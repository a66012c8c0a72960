#pragma once

#include "platform/Failure.h"

#include <memory>
#include <string>
#include <vector>

namespace vimo {

// What one wait of a FileWatcher ended with.
enum class WatchEvent
{
    Changes,     // at least one change was appended
    Timeout,     // nothing changed within the time given
    Interrupted, // the user asked the program to stop (Ctrl+C, a termination request)
    Failed,      // the watch broke; the cause is in failure()
};

// Watches a folder and every folder below it for files written, created, removed or renamed.
// One implementation per operating system; tests may give their own.
class FileWatcher
{
public:
    virtual ~FileWatcher() = default;

    // The implementation for the system the tool runs on. While it lives, Ctrl+C and termination
    // requests end a wait with Interrupted instead of ending the program.
    static std::unique_ptr<FileWatcher> create();

    // Starts watching `folder` and the folders below it (and those made later); false, with the
    // cause in failure(), when it cannot.
    virtual bool watch(const std::u16string& folder) = 0;
    // Waits up to `timeoutMs` milliseconds (forever when negative) and appends the full paths of
    // the files and folders that changed to `changed`.
    virtual WatchEvent wait(int timeoutMs, std::vector<std::u16string>& changed) = 0;
    virtual const Failure& failure() const = 0;
};

} // namespace vimo
