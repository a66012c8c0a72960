#pragma once

#include "platform/FileWatcher.h"

#include <csignal>
#include <map>
#include <string>

namespace vimo {

// FileWatcher on Linux's inotify: one watch per folder, added as folders appear. SIGINT and
// SIGTERM are blocked while it lives and read through a signalfd, so that a wait ends cleanly.
class InotifyFileWatcher : public FileWatcher
{
public:
    InotifyFileWatcher();
    ~InotifyFileWatcher() override;
    InotifyFileWatcher(const InotifyFileWatcher&) = delete;
    InotifyFileWatcher& operator=(const InotifyFileWatcher&) = delete;

    bool watch(const std::u16string& folder) override;
    WatchEvent wait(int timeoutMs, std::vector<std::u16string>& changed) override;
    const Failure& failure() const override { return m_failure; }

private:
    // Adds a watch on `folder` and every folder below it; false when the top one fails. The
    // entries found below it are appended to `appeared` when given.
    bool addTree(const std::string& folder, std::vector<std::u16string>* appeared);
    // Reads the pending events; false when reading failed.
    bool readEvents(std::vector<std::u16string>& changed);

    int m_inotify = -1;
    int m_signals = -1;
    sigset_t m_previousMask{};
    std::map<int, std::string> m_folders; // watch descriptor -> folder
    Failure m_failure;
};

} // namespace vimo
