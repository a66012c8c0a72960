#include "platform/posix/PosixFileSystem.h"

#include "platform/Paths.h"
#include "platform/SystemError.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vimo {

namespace {

FileType typeOf(mode_t mode)
{
    if (S_ISREG(mode)) {
        return FileType::Regular;
    }
    if (S_ISDIR(mode)) {
        return FileType::Directory;
    }
    if (S_ISLNK(mode)) {
        return FileType::Link;
    }
    return FileType::Other;
}

FileStatus statusFrom(const struct stat& info)
{
    FileStatus status;
    status.type = typeOf(info.st_mode);
    status.size = static_cast<std::uint64_t>(info.st_size);
    status.modifiedSeconds = static_cast<std::int64_t>(info.st_mtim.tv_sec);
    status.modifiedNanoseconds = static_cast<std::uint32_t>(info.st_mtim.tv_nsec);
    status.changedSeconds = static_cast<std::int64_t>(info.st_ctim.tv_sec);
    status.changedNanoseconds = static_cast<std::uint32_t>(info.st_ctim.tv_nsec);
    status.permissions = static_cast<std::uint32_t>(info.st_mode) & kPermissionMask;
    status.device = static_cast<std::uint64_t>(info.st_dev);
    status.fileId = static_cast<std::uint64_t>(info.st_ino);
    return status;
}

int writeAll(int fd, const char* data, std::size_t left)
{
    while (left > 0) {
        const ssize_t done = ::write(fd, data, left);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data += done;
        left -= static_cast<std::size_t>(done);
    }
    return 0;
}

class PosixFile final : public File
{
public:
    explicit PosixFile(int fd) : m_fd(fd) {}
    ~PosixFile() override { close(); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    int read(void* data, std::size_t size, std::size_t& done) override
    {
        done = 0;
        ssize_t got;
        do {
            got = ::read(m_fd, data, size);
        } while (got < 0 && errno == EINTR);
        if (got < 0) {
            return errno;
        }
        done = static_cast<std::size_t>(got);
        return 0;
    }

    int write(const void* data, std::size_t size, std::size_t& done) override
    {
        done = 0;
        ssize_t put;
        do {
            put = ::write(m_fd, data, size);
        } while (put < 0 && errno == EINTR);
        if (put < 0) {
            return errno;
        }
        done = static_cast<std::size_t>(put);
        return 0;
    }

    int seek(std::int64_t offset, SeekOrigin origin, std::uint64_t& position) override
    {
        const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                           : origin == SeekOrigin::Current ? SEEK_CUR
                                                           : SEEK_END;
        const off_t reached = ::lseek(m_fd, static_cast<off_t>(offset), whence);
        if (reached < 0) {
            return errno;
        }
        position = static_cast<std::uint64_t>(reached);
        return 0;
    }

    int status(FileStatus& status) override
    {
        struct stat info
        {
        };
        if (::fstat(m_fd, &info) != 0) {
            return errno;
        }
        status = statusFrom(info);
        return 0;
    }

    int resize(std::uint64_t size) override
    {
        if (size > static_cast<std::uint64_t>(INT64_MAX)) {
            return EFBIG;
        }
        return ::ftruncate(m_fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
    }

    int close() override
    {
        if (m_fd < 0) {
            return 0;
        }
        // Linux releases the descriptor even when close reports an error; never close it twice.
        const int result = ::close(m_fd) == 0 ? 0 : errno;
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

class PosixLibrary final : public DynamicLibrary
{
public:
    explicit PosixLibrary(void* handle) : m_handle(handle) {}
    ~PosixLibrary() override { ::dlclose(m_handle); }
    PosixLibrary(const PosixLibrary&) = delete;
    PosixLibrary& operator=(const PosixLibrary&) = delete;

    void* symbol(const char* name) const override { return ::dlsym(m_handle, name); }

private:
    void* m_handle;
};

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

Failure replaceFailure(int error, const std::u16string& path, const std::string& what)
{
    return Failure{hresultFromErrno(error), path, what + ": " + std::strerror(error)};
}

// A new, exclusively created file beside the target; the process umask applies to its mode.
int createTemporary(const std::string& folder, const std::string& name, std::string& tempPath,
                    int& error)
{
    const std::u16string targetName = fromUtf8(name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = folder + "/" + toUtf8(temporaryFileName(targetName));
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

int copyContent(int in, int out)
{
    char buffer[128 * 1024];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (got == 0) {
            return 0;
        }
        if (const int error = writeAll(out, buffer, static_cast<std::size_t>(got))) {
            return error;
        }
    }
}

} // namespace

FileSystem& FileSystem::system()
{
    static PosixFileSystem instance;
    return instance;
}

int PosixFileSystem::status(const std::u16string& path, FileStatus& status)
{
    struct stat info
    {
    };
    if (::stat(toUtf8(path).c_str(), &info) != 0) {
        status = FileStatus{};
        return errno;
    }
    status = statusFrom(info);
    return 0;
}

int PosixFileSystem::linkStatus(const std::u16string& path, FileStatus& status)
{
    struct stat info
    {
    };
    if (::lstat(toUtf8(path).c_str(), &info) != 0) {
        status = FileStatus{};
        return errno;
    }
    status = statusFrom(info);
    return 0;
}

std::unique_ptr<File> PosixFileSystem::openForReading(const std::u16string& path, int& error)
{
    // Non-blocking so that a named pipe does not hang the caller; regular files ignore the flag.
    const int fd = ::open(toUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    error = 0;
    return std::make_unique<PosixFile>(fd);
}

std::unique_ptr<File> PosixFileSystem::openForWriting(const std::u16string& path, CreateMode mode,
                                                      int& error)
{
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
    flags |= mode == CreateMode::CreateNew ? O_EXCL : O_TRUNC;
    const int fd = ::open(toUtf8(path).c_str(), flags, 0666);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    error = 0;
    return std::make_unique<PosixFile>(fd);
}

int PosixFileSystem::readFile(const std::u16string& path, std::size_t limit, std::string& bytes)
{
    // Not blocking: a pipe in a file's place gives an empty or failed read instead of a wait.
    const int fd = ::open(toUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        bytes.clear();
        return errno;
    }
    // Read straight into the string; most files are small, larger ones grow it.
    bytes.resize(std::min<std::size_t>(4096, std::max<std::size_t>(limit, 1)));
    std::size_t used = 0;
    int error = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (bytes.size() >= limit) {
                error = EFBIG; // a device or a runaway file, not one the caller expects
                break;
            }
            bytes.resize(std::min(bytes.size() * 2, limit));
        }
        const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            break;
        }
        if (got == 0) {
            break;
        }
        used += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(used);
    return error;
}

Failure PosixFileSystem::replaceFile(const std::u16string& path, const std::string& bytes)
{
    // A link is followed so that the file it names is replaced, not the link.
    std::string target = toUtf8(path);
    struct stat linkInfo
    {
    };
    if (::lstat(target.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(target.c_str(), resolved)) {
            return replaceFailure(errno, path, "the link cannot be followed");
        }
        target = resolved;
    }

    struct stat info
    {
    };
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) {
        return replaceFailure(errno, path, "the file cannot be examined");
    }
    if (exists) {
        if (S_ISDIR(info.st_mode)) {
            return replaceFailure(EISDIR, path, "the file cannot be written");
        }
        // Renaming would replace a file that may not be written, so its rights are checked
        // first. A file without any write permission is read-only even for the superuser.
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            return replaceFailure(EACCES, path, "the file is read-only");
        }
        if (::access(target.c_str(), W_OK) != 0) {
            return replaceFailure(errno, path, "the file cannot be written");
        }
    }

    const std::string folder = folderOf(target);
    std::string tempPath;
    int error = 0;
    const int fd = createTemporary(folder, fileNameOf(target), tempPath, error);
    if (fd < 0) {
        return replaceFailure(error, path, "no temporary file can be made beside it");
    }

    error = writeAll(fd, bytes.data(), bytes.size());
    if (error == 0 && exists) {
        // Keep the original's permissions and, where allowed, its owner.
        if (::fchmod(fd, info.st_mode & 07777) != 0) {
            error = errno;
        } else if (::fchown(fd, info.st_uid, info.st_gid) != 0) {
            // Only the superuser may give a file away; an ordinary user keeps ownership.
        }
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(tempPath.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(tempPath.c_str());
        return replaceFailure(error, path, "the file cannot be written");
    }

    // Make the rename itself durable; a failure here no longer endangers the content.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return Failure{};
}

int PosixFileSystem::copyFile(const std::u16string& from, const std::u16string& to)
{
    const std::string source = toUtf8(from);
    const std::string destination = toUtf8(to);
    const int in = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0) {
        return errno;
    }
    struct stat original
    {
    };
    // Only a file's content is copied: a pipe or device in its place is refused.
    if (const int error = ::fstat(in, &original) != 0 ? errno
                          : S_ISREG(original.st_mode) ? 0
                                                      : EINVAL) {
        ::close(in);
        return error;
    }
    // Opening the same file for writing would empty it before a byte is read.
    struct stat present
    {
    };
    if (::stat(destination.c_str(), &present) == 0 && present.st_dev == original.st_dev &&
        present.st_ino == original.st_ino) {
        ::close(in);
        return EEXIST;
    }
    const int out = ::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IWUSR);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    int error = ::fchmod(out, original.st_mode & 07777) == 0 ? 0 : errno;
    if (error == 0) {
        const int flags = ::fcntl(in, F_GETFL);
        if (flags >= 0) {
            ::fcntl(in, F_SETFL, flags & ~O_NONBLOCK);
        }
        error = copyContent(in, out);
    }
    if (error == 0) {
        const timespec times[2] = {original.st_atim, original.st_mtim};
        if (::futimens(out, times) != 0) {
            error = errno;
        }
    }
    if (::close(out) != 0 && error == 0) {
        error = errno;
    }
    ::close(in);
    return error;
}

int PosixFileSystem::listFolder(const std::u16string& folder, std::vector<DirectoryEntry>& entries)
{
    entries.clear();
    const std::string path = toUtf8(folder);
    DIR* const directory = ::opendir(path.c_str());
    if (!directory) {
        return errno;
    }
    // The entry's type comes with it on most file systems; only links and types the file system
    // does not tell are looked at one by one.
    std::string entryPath = path.empty() || path.back() == '/' ? path : path + '/';
    const std::size_t folderLength = entryPath.size();
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* found = ::readdir(directory);
        if (!found) {
            error = errno;
            break;
        }
        const std::string_view name(found->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        DirectoryEntry entry;
        entry.name = fromUtf8(name);
        entry.nameIsExact =
            std::all_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x80; }) ||
            toUtf8(entry.name) == name;
        mode_t type = DTTOIF(found->d_type);
        if (found->d_type == DT_UNKNOWN || found->d_type == DT_LNK) {
            entryPath.resize(folderLength);
            entryPath += name;
            struct stat info
            {
            };
            type = ::lstat(entryPath.c_str(), &info) == 0 ? info.st_mode : 0;
            entry.isSymlink = S_ISLNK(type);
            if (entry.isSymlink) {
                type = ::stat(entryPath.c_str(), &info) == 0 ? info.st_mode : 0;
            }
        }
        entry.isDirectory = S_ISDIR(type);
        entry.isRegularFile = S_ISREG(type);
        entries.push_back(std::move(entry));
    }
    ::closedir(directory);
    if (error != 0) {
        entries.clear();
        return error; // a listing cut short is no listing
    }
    std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
        return fileNameLess(a.name, b.name);
    });
    return 0;
}

int PosixFileSystem::findEntry(const std::u16string& folder, std::u16string_view name,
                               std::u16string& found)
{
    // Runs for every name that misses in a lookup of any letter case, often on thousands of
    // folders in a row: the folder is read straight, and only names that match are converted.
    const std::string wanted = toUtf8(name);
    DIR* const directory = ::opendir(toUtf8(folder).c_str());
    if (!directory) {
        return errno;
    }
    std::u16string first;
    bool exact = false;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string_view entryName(entry->d_name);
        if (entryName == "." || entryName == ".." || !equalsIgnoreAsciiCase(entryName, wanted)) {
            continue;
        }
        if (entryName == wanted) {
            exact = true;
            break;
        }
        std::u16string candidate = fromUtf8(entryName);
        if (first.empty() || fileNameLess(candidate, first)) {
            first = std::move(candidate);
        }
    }
    ::closedir(directory);
    if (exact) {
        found = std::u16string(name);
        return 0;
    }
    if (first.empty()) {
        return ENOENT;
    }
    found = std::move(first);
    return 0;
}

int PosixFileSystem::resolve(const std::u16string& path, std::u16string& resolved)
{
    char buffer[PATH_MAX];
    if (!::realpath(toUtf8(path).c_str(), buffer)) {
        return errno;
    }
    resolved = fromUtf8(buffer);
    return 0;
}

int PosixFileSystem::removeFile(const std::u16string& path)
{
    return ::unlink(toUtf8(path).c_str()) == 0 ? 0 : errno;
}

int PosixFileSystem::rename(const std::u16string& from, const std::u16string& to)
{
    return ::rename(toUtf8(from).c_str(), toUtf8(to).c_str()) == 0 ? 0 : errno;
}

int PosixFileSystem::createFolder(const std::u16string& path)
{
    return ::mkdir(toUtf8(path).c_str(), 0777) == 0 ? 0 : errno;
}

int PosixFileSystem::removeFolder(const std::u16string& path)
{
    return ::rmdir(toUtf8(path).c_str()) == 0 ? 0 : errno;
}

int PosixFileSystem::moveFolder(const std::u16string& from, const std::u16string& to)
{
    const std::string source = toUtf8(from);
    struct stat moved
    {
    };
    if (::lstat(source.c_str(), &moved) != 0) {
        return errno;
    }
    if (!S_ISDIR(moved.st_mode)) {
        return ENOTDIR;
    }
    // rename replaces an empty folder in one step and refuses one with anything in it.
    return ::rename(source.c_str(), toUtf8(to).c_str()) == 0 ? 0 : errno;
}

int PosixFileSystem::createTemporaryFolder(const std::u16string& prefix, std::u16string& path)
{
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) {
        return ec.value();
    }
    std::string pattern = (base / (toUtf8(prefix) + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) {
        return errno;
    }
    path = fromUtf8(pattern);
    return 0;
}

int PosixFileSystem::setPermissions(const std::u16string& path, std::uint32_t permissions)
{
    return ::chmod(toUtf8(path).c_str(), static_cast<mode_t>(permissions & kPermissionMask)) == 0
               ? 0
               : errno;
}

std::unique_ptr<DynamicLibrary> PosixFileSystem::loadLibrary(const std::u16string& path,
                                                             Failure& failure)
{
    void* handle = ::dlopen(toUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        failure = Failure{E_FAIL, path, reason ? reason : "the library cannot be loaded"};
        return nullptr;
    }
    return std::make_unique<PosixLibrary>(handle);
}

} // namespace vimo
