#pragma once

#include "platform/FileSystem.h"

#include <atomic>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace vimo::test {

// The kinds of file-system operation a fault can hit; combine them with "|".
enum FileOperation : unsigned
{
    kStatus = 1u << 0,        // status, linkStatus (and so exists, isDirectory)
    kOpenRead = 1u << 1,      // openForReading
    kOpenWrite = 1u << 2,     // openForWriting
    kRead = 1u << 3,          // reading an open file, readFile, the source of copyFile
    kWrite = 1u << 4,         // writing an open file, replaceFile, the destination of copyFile
    kFlush = 1u << 5,         // closing a file open for writing
    kList = 1u << 6,          // listFolder
    kResolve = 1u << 7,       // resolve (and so resolvesInside)
    kRemove = 1u << 8,        // removeFile, removeFolder
    kRename = 1u << 9,        // rename, moveFolder (either path)
    kCreateFolder = 1u << 10, // createFolder, createTemporaryFolder's prefix
    kSetPermissions = 1u << 11,
    kLoadLibrary = 1u << 12,
    kAnyOperation = (1u << 13) - 1,
};

// One injected fault: the operations it hits, the path they are about (that path itself or
// anything below it; empty means every path) and the error number they fail with.
struct FileFault
{
    unsigned operations = 0;
    std::u16string path;
    int error = 0;
};

// The real file system with chosen operations failing on chosen paths, for failure tests that
// must not depend on permissions (the superuser ignores them) or on a disk really filling up:
//
//     FaultyFileSystem files{{kWrite, u16(catalogue), ENOSPC}};
//     platform.files = &files;             // TestPlatform hands it to the workspace
//
// Every call that no fault hits goes to the wrapped file system unchanged.
class FaultyFileSystem : public FileSystem
{
public:
    explicit FaultyFileSystem(std::initializer_list<FileFault> faults = {},
                              FileSystem& real = FileSystem::system());

    // Adds a fault; later faults are looked at after earlier ones.
    FaultyFileSystem& add(const FileFault& fault);
    // Writing under `path` is refused (EACCES): opening for writing, writing, replacing, copying
    // onto it, creating, removing, renaming and changing permissions.
    FaultyFileSystem& refuseWrites(const std::u16string& path);
    // The disk is full under `path` (ENOSPC): writing, replacing, copying onto it, closing.
    FaultyFileSystem& fillDisk(const std::u16string& path);
    // Reading under `path` fails (EIO) once a file is open; opening still works.
    FaultyFileSystem& failReads(const std::u16string& path);
    // `path` vanished after it was listed: listings still name it, everything else answers
    // ENOENT.
    FaultyFileSystem& vanish(const std::u16string& path);
    // Removes every fault.
    void clear();

    // How many operations a fault made fail so far.
    int injected() const { return m_injected; }

    // The error number of the first fault that hits `operation` on `path`; 0 when none does.
    // Faults are set up before the code under test runs; looking them up is thread-safe.
    int faultFor(FileOperation operation, const std::u16string& path);

    int status(const std::u16string& path, FileStatus& status) override;
    int linkStatus(const std::u16string& path, FileStatus& status) override;
    std::unique_ptr<File> openForReading(const std::u16string& path, int& error) override;
    std::unique_ptr<File> openForWriting(const std::u16string& path, CreateMode mode,
                                         int& error) override;
    int readFile(const std::u16string& path, std::size_t limit, std::string& bytes) override;
    Failure replaceFile(const std::u16string& path, const std::string& bytes) override;
    int copyFile(const std::u16string& from, const std::u16string& to) override;
    int listFolder(const std::u16string& folder, std::vector<DirectoryEntry>& entries) override;
    int findEntry(const std::u16string& folder, std::u16string_view name,
                  std::u16string& found) override;
    int resolve(const std::u16string& path, std::u16string& resolved) override;
    int removeFile(const std::u16string& path) override;
    int rename(const std::u16string& from, const std::u16string& to) override;
    int createFolder(const std::u16string& path) override;
    int removeFolder(const std::u16string& path) override;
    int moveFolder(const std::u16string& from, const std::u16string& to) override;
    int createTemporaryFolder(const std::u16string& prefix, std::u16string& path) override;
    int setPermissions(const std::u16string& path, std::uint32_t permissions) override;
    std::unique_ptr<DynamicLibrary> loadLibrary(const std::u16string& path,
                                                Failure& failure) override;

private:
    FileSystem& m_real;
    std::vector<FileFault> m_faults;
    std::atomic<int> m_injected{0}; // the engine reads files on its own threads
};

} // namespace vimo::test
