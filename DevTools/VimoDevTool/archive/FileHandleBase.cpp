#include "archive/FileHandleBase.h"

#include <unistd.h>

namespace vimo {

FileHandleBase::~FileHandleBase()
{
    FileHandleBase::Close();
}

bool FileHandleBase::Close()
{
    if (!m_isOpen) {
        return true;
    }
    // Linux releases the descriptor even when close reports an error; never close it twice.
    const bool closed = ::close(m_handle) == 0;
    m_handle = -1;
    m_isOpen = !closed;
    return closed;
}

} // namespace vimo
