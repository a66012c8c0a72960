#include "platform/SystemError.h"

#include <cerrno>

namespace vimo {

std::uint32_t win32ErrorFromErrno(int error)
{
    switch (error) {
    case 0:
        return 0;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case EROFS:
        return ERROR_WRITE_PROTECT;
    case ENOTDIR:
    case EISDIR:
        return ERROR_PATH_NOT_FOUND;
    default:
        return ERROR_GEN_FAILURE;
    }
}

HRESULT hresultFromErrno(int error)
{
    return hresultFromWin32(win32ErrorFromErrno(error));
}

} // namespace vimo
