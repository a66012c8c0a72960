#include "platform/posix/InotifyFileWatcher.h"

#include "platform/Text.h"

#include <cerrno>
#include <filesystem>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace vimo {

namespace {

constexpr std::uint32_t kEvents = IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                  IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_ONLYDIR;

} // namespace

std::unique_ptr<FileWatcher> FileWatcher::create()
{
    return std::make_unique<InotifyFileWatcher>();
}

InotifyFileWatcher::InotifyFileWatcher()
{
    m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0) {
        m_failure = failureFromErrno(errno, u"inotify");
    }
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigprocmask(SIG_BLOCK, &stop, &m_previousMask);
    m_signals = signalfd(-1, &stop, SFD_NONBLOCK | SFD_CLOEXEC);
}

InotifyFileWatcher::~InotifyFileWatcher()
{
    if (m_inotify >= 0) {
        close(m_inotify);
    }
    if (m_signals >= 0) {
        close(m_signals);
    }
    sigprocmask(SIG_SETMASK, &m_previousMask, nullptr);
}

bool InotifyFileWatcher::watch(const std::u16string& folder)
{
    if (m_inotify < 0) {
        return false;
    }
    return addTree(toUtf8(folder), nullptr);
}

bool InotifyFileWatcher::addTree(const std::string& folder, std::vector<std::u16string>* appeared)
{
    const int descriptor = inotify_add_watch(m_inotify, folder.c_str(), kEvents);
    if (descriptor < 0) {
        m_failure = failureFromErrno(errno, fromUtf8(folder));
        return false;
    }
    m_folders[descriptor] = folder;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (appeared) {
            appeared->push_back(fromUtf8(entry.path().string()));
        }
        // A link to a folder is not followed: it may lead out of the tree or round in a circle.
        if (entry.is_directory(error) && !entry.is_symlink(error)) {
            // A folder that vanished meanwhile is no failure.
            addTree(entry.path().string(), appeared);
        }
    }
    return true;
}

bool InotifyFileWatcher::readEvents(std::vector<std::u16string>& changed)
{
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = read(m_inotify, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EAGAIN) {
                return true;
            }
            if (errno == EINTR) {
                continue;
            }
            m_failure = failureFromErrno(errno, u"inotify");
            return false;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_IGNORED) {
                m_folders.erase(event->wd);
                continue;
            }
            const auto folder = m_folders.find(event->wd);
            if (folder == m_folders.end()) {
                continue;
            }
            std::string path = folder->second;
            if (event->len > 0) {
                path += "/";
                path += event->name;
            }
            changed.push_back(fromUtf8(path));
            if ((event->mask & IN_ISDIR) && (event->mask & (IN_CREATE | IN_MOVED_TO))) {
                // What was made inside before its watch was in place sends no event of its own.
                addTree(path, &changed);
            }
        }
    }
}

WatchEvent InotifyFileWatcher::wait(int timeoutMs, std::vector<std::u16string>& changed)
{
    if (m_inotify < 0) {
        return WatchEvent::Failed;
    }
    pollfd fds[2] = {{m_inotify, POLLIN, 0}, {m_signals, POLLIN, 0}};
    const int ready = poll(fds, m_signals >= 0 ? 2 : 1, timeoutMs);
    if (ready < 0) {
        if (errno == EINTR) {
            return WatchEvent::Timeout;
        }
        m_failure = failureFromErrno(errno, u"poll");
        return WatchEvent::Failed;
    }
    if (m_signals >= 0 && (fds[1].revents & POLLIN)) {
        signalfd_siginfo info;
        [[maybe_unused]] const ssize_t got = read(m_signals, &info, sizeof info);
        return WatchEvent::Interrupted;
    }
    if (ready == 0) {
        return WatchEvent::Timeout;
    }
    const std::size_t before = changed.size();
    if (!readEvents(changed)) {
        return WatchEvent::Failed;
    }
    return changed.size() > before ? WatchEvent::Changes : WatchEvent::Timeout;
}

} // namespace vimo
