#pragma once

#include "platform/FileSystem.h"

namespace vimo {

// The file system of a POSIX system, through its own calls.
class PosixFileSystem : public FileSystem
{
public:
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
};

} // namespace vimo
