// Watching folders is built on Linux's inotify only; on Windows `vimoctl watch` says so instead
// of waiting for changes it would never see.

#include "platform/FileWatcher.h"

namespace vimo {

namespace {

class UnavailableFileWatcher : public FileWatcher
{
public:
    bool watch(const std::u16string& folder) override
    {
        m_failure = Failure{E_FAIL, folder, "watching a folder is not available on Windows"};
        return false;
    }
    WatchEvent wait(int, std::vector<std::u16string>&) override { return WatchEvent::Failed; }
    const Failure& failure() const override { return m_failure; }

private:
    Failure m_failure;
};

} // namespace

std::unique_ptr<FileWatcher> FileWatcher::create()
{
    return std::make_unique<UnavailableFileWatcher>();
}

} // namespace vimo
