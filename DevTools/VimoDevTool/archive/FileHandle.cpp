#include "archive/FileHandle.h"

#include "platform/Text.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vimo {

bool FileHandle::openForReading(const std::u16string& path)
{
    Close();
    // Non-blocking so that a named pipe does not hang the build; regular files ignore the flag.
    const int fd = ::open(toUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_isOpen = false;
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    m_handle = fd;
    m_isOpen = true;
    return true;
}

bool FileHandle::openForWriting(const std::u16string& path, CreateMode mode)
{
    Close();
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
    flags |= mode == CreateMode::CreateNew ? O_EXCL : O_TRUNC;
    const int fd = ::open(toUtf8(path).c_str(), flags, 0666);
    if (fd < 0) {
        m_isOpen = false;
        return false;
    }
    m_handle = fd;
    m_isOpen = true;
    return true;
}

} // namespace vimo
