#pragma once

#include "platform/Failure.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vimo {

// Failing operations answer with an error number of <cerrno> (0 on success); failureFromErrno
// turns one into words. Operations made of several steps answer with a Failure that also says
// which step failed. Paths are model paths (UTF-16, kPathSeparator between components).

enum class FileType
{
    Missing,
    Regular,
    Directory,
    Link,  // only from linkStatus: the link itself
    Other, // a pipe, a socket, a device
};

// Permission bits in the POSIX layout; a system without them reports what it can (read-only).
inline constexpr std::uint32_t kPermissionOwnerWrite = 0200;
inline constexpr std::uint32_t kPermissionMask = 07777;

struct FileStatus
{
    FileType type = FileType::Missing;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0; // since 1970-01-01 UTC
    std::uint32_t modifiedNanoseconds = 0;
    // The last change of the file's status or, for a folder, of its entries; set by the system
    // alone (0 where it keeps none).
    std::int64_t changedSeconds = 0;
    std::uint32_t changedNanoseconds = 0;
    std::uint32_t permissions = 0;
    // Together they name the file itself: two paths with the same pair lead to one file.
    std::uint64_t device = 0;
    std::uint64_t fileId = 0;

    bool exists() const { return type != FileType::Missing; }
    bool isDirectory() const { return type == FileType::Directory; }
    bool isRegular() const { return type == FileType::Regular; }
    bool isLink() const { return type == FileType::Link; }
};

struct DirectoryEntry
{
    std::u16string name;
    bool isDirectory = false;   // after following a symbolic link
    bool isRegularFile = false; // after following a symbolic link
    bool isSymlink = false;
    bool nameIsExact =
        true; // false when the system's name is not valid UTF-8 and `name` approximates it
};

enum class SeekOrigin
{
    Begin,
    Current,
    End,
};

// How an existing file is treated when opened for writing.
enum class CreateMode
{
    CreateAlways, // replaces an existing file
    CreateNew,    // fails with EEXIST when the file exists
};

// An open file; closed when the object goes.
class File
{
public:
    virtual ~File() = default;

    // Reads up to `size` bytes; `done` is 0 at the end of the file.
    virtual int read(void* data, std::size_t size, std::size_t& done) = 0;
    // Writes up to `size` bytes; `done` says how many were taken.
    virtual int write(const void* data, std::size_t size, std::size_t& done) = 0;
    // Moves the position; `position` is the new one from the start.
    virtual int seek(std::int64_t offset, SeekOrigin origin, std::uint64_t& position) = 0;
    // The open file's type, size, date and permissions.
    virtual int status(FileStatus& status) = 0;
    // Cuts or extends the file to `size` bytes; the position stays.
    virtual int resize(std::uint64_t size) = 0;
    // Closes the file; the error of a write that failed late shows here. Closing twice is 0.
    virtual int close() = 0;
};

// A loaded shared library; unloaded when the object goes.
class DynamicLibrary
{
public:
    virtual ~DynamicLibrary() = default;
    // The address of an exported symbol; null when there is none.
    virtual void* symbol(const char* name) const = 0;
};

// Every file-system call of the model. One implementation per operating system; tests wrap it
// to make chosen operations fail (tests/support/FaultyFileSystem.h).
class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // The implementation for the system the tool runs on; stateless.
    static FileSystem& system();

    // The status of what `path` names, after following links.
    virtual int status(const std::u16string& path, FileStatus& status) = 0;
    // The status of `path` itself: a link is reported as FileType::Link.
    virtual int linkStatus(const std::u16string& path, FileStatus& status) = 0;
    // Whether the path's status can be read (a dangling link does not exist).
    bool exists(const std::u16string& path);
    // Whether the path names a folder, after following links.
    bool isDirectory(const std::u16string& path);

    // Opens an existing file for reading; never creates one and never waits on a pipe.
    virtual std::unique_ptr<File> openForReading(const std::u16string& path, int& error) = 0;
    // Opens a file for writing (others may still read it); new files get the default rights.
    virtual std::unique_ptr<File> openForWriting(const std::u16string& path, CreateMode mode,
                                                 int& error) = 0;
    // The whole content of a file of at most `limit` bytes (EFBIG beyond); never waits on a
    // pipe in the file's place.
    virtual int readFile(const std::u16string& path, std::size_t limit, std::string& bytes) = 0;
    // Replaces the file at `path` with `bytes` so that readers see either the old or the new
    // content: a temporary file in the same folder is written, flushed and renamed over it,
    // keeping the old file's permissions. A link is followed, and a target without any write
    // permission is refused as read-only. Nothing is left behind on failure.
    virtual Failure replaceFile(const std::u16string& path, const std::string& bytes) = 0;
    // Copies a file over `to` (replaced when present), keeping its permissions and date.
    virtual int copyFile(const std::u16string& from, const std::u16string& to) = 0;

    // The entries of a folder without "." and "..", sorted by fileNameLess; links are reported
    // as links and never entered.
    virtual int listFolder(const std::u16string& folder, std::vector<DirectoryEntry>& entries) = 0;
    // The path with every link, "." and ".." resolved; the file must exist.
    virtual int resolve(const std::u16string& path, std::u16string& resolved) = 0;
    // Whether `path`, resolved, lies inside `folder` (also resolved).
    bool resolvesInside(const std::u16string& path, const std::u16string& folder);
    // `relative` (names joined with kPathSeparator) below the folder `base`, each name found the
    // way Windows finds it: the entry as written when there is one, else an entry that differs
    // only in the letter case of ASCII letters (the first in fileNameLess order). From the first
    // name that is not there on, the rest is kept as written, so that what is created takes the
    // case given. `base` is taken as it stands; an empty `base` gives `relative` unchanged.
    std::u16string resolveBelow(const std::u16string& base, std::u16string_view relative);
    // The entry of `folder` that Windows finds for `name`: `name` itself when there is such an
    // entry, else the first in fileNameLess order that differs only in the letter case of ASCII
    // letters; ENOENT when there is none. The generic version lists the whole folder.
    virtual int findEntry(const std::u16string& folder, std::u16string_view name,
                          std::u16string& found);

    // Removes a file or a link; never a folder.
    virtual int removeFile(const std::u16string& path) = 0;
    // Renames a file or folder, replacing a file at `to`.
    virtual int rename(const std::u16string& from, const std::u16string& to) = 0;
    // Creates one folder; EEXIST when anything is there already, so a name can be reserved.
    virtual int createFolder(const std::u16string& path) = 0;
    // Removes an empty folder; ENOTEMPTY when anything is in it.
    virtual int removeFolder(const std::u16string& path) = 0;
    // Moves a folder to `to`, which must be missing or an empty folder (a reserved name); a
    // folder with anything in it, or a file, is never replaced.
    virtual int moveFolder(const std::u16string& from, const std::u16string& to) = 0;
    // Makes a new folder with a unique name that starts with `prefix` under the system's
    // temporary folder; `path` is set to it.
    virtual int createTemporaryFolder(const std::u16string& prefix, std::u16string& path) = 0;
    // Sets the permission bits of a file or folder.
    virtual int setPermissions(const std::u16string& path, std::uint32_t permissions) = 0;

    // Loads a shared library by its path; null with `failure` set when it cannot be loaded.
    virtual std::unique_ptr<DynamicLibrary> loadLibrary(const std::u16string& path,
                                                        Failure& failure) = 0;
};

} // namespace vimo
