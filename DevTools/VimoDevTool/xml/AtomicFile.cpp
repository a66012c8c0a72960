#include "xml/AtomicFile.h"

#include "platform/SystemError.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vimo {

namespace {

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

HRESULT systemFailure(int error, const std::string& what, std::string& failure)
{
    failure = what + ": " + std::strerror(error);
    return hresultFromErrno(error);
}

bool writeAll(int fd, const std::string& bytes, int& error)
{
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t done = ::write(fd, data, left);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            return false;
        }
        data += done;
        left -= static_cast<std::size_t>(done);
    }
    return true;
}

// A new, exclusively created file beside the target; the process umask applies to its mode.
int createTemporary(const std::string& folder, const std::string& name, std::string& tempPath,
                    int& error)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = folder + "/." + name + "." + std::to_string(::getpid()) + "." +
                   std::to_string(counter++) + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return fd;
        }
        if (errno != EEXIST) {
            error = errno;
            return -1;
        }
    }
    error = EEXIST;
    return -1;
}

} // namespace

HRESULT writeFileAtomically(const std::string& path, const std::string& bytes, std::string& failure)
{
    // A link is followed so that the file it names is replaced, not the link.
    std::string target = path;
    struct stat linkInfo
    {
    };
    if (::lstat(path.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(path.c_str(), resolved)) {
            return systemFailure(errno, "the link cannot be followed", failure);
        }
        target = resolved;
    }

    struct stat info
    {
    };
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) {
        return systemFailure(errno, "the file cannot be examined", failure);
    }
    if (exists) {
        if (S_ISDIR(info.st_mode)) {
            return systemFailure(EISDIR, "the file cannot be written", failure);
        }
        // Renaming would replace a file that may not be written, so its rights are checked
        // first. A file without any write permission is read-only even for the superuser.
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            return systemFailure(EACCES, "the file is read-only", failure);
        }
        if (::access(target.c_str(), W_OK) != 0) {
            return systemFailure(errno, "the file cannot be written", failure);
        }
    }

    const std::string folder = folderOf(target);
    std::string tempPath;
    int error = 0;
    const int fd = createTemporary(folder, fileNameOf(target), tempPath, error);
    if (fd < 0) {
        return systemFailure(error, "no temporary file can be made beside it", failure);
    }

    bool ok = writeAll(fd, bytes, error);
    if (ok && exists) {
        // Keep the original's permissions and, where allowed, its owner.
        if (::fchmod(fd, info.st_mode & 07777) != 0) {
            error = errno;
            ok = false;
        } else if (::fchown(fd, info.st_uid, info.st_gid) != 0) {
            // Only the superuser may give a file away; an ordinary user keeps ownership.
        }
    }
    if (ok && ::fsync(fd) != 0) {
        error = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    if (ok && ::rename(tempPath.c_str(), target.c_str()) != 0) {
        error = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(tempPath.c_str());
        return systemFailure(error, "the file cannot be written", failure);
    }

    // Make the rename itself durable; a failure here no longer endangers the content.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return S_OK;
}

} // namespace vimo
