#include "support/FaultyFileSystem.h"

#include "platform/Paths.h"
#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>

namespace vimo::test {

namespace {

// `path` is `root` or lies below it.
bool covers(const std::u16string& root, const std::u16string& path)
{
    if (root.empty() || path == root) {
        return true;
    }
    const bool folderRoot = root.back() == kPathSeparator;
    return path.starts_with(root) && (folderRoot || path[root.size()] == kPathSeparator);
}

// An open file whose reads, writes and closing go through the faults of its path.
class FaultyFile final : public File
{
public:
    FaultyFile(std::unique_ptr<File> real, FaultyFileSystem& faults, std::u16string path,
               bool writable)
        : m_real(std::move(real)), m_faults(faults), m_path(std::move(path)), m_writable(writable)
    {
    }

    int read(void* data, std::size_t size, std::size_t& done) override
    {
        done = 0;
        if (const int error = m_faults.faultFor(kRead, m_path)) {
            return error;
        }
        return m_real->read(data, size, done);
    }
    int write(const void* data, std::size_t size, std::size_t& done) override
    {
        done = 0;
        if (const int error = m_faults.faultFor(kWrite, m_path)) {
            return error;
        }
        return m_real->write(data, size, done);
    }
    int seek(std::int64_t offset, SeekOrigin origin, std::uint64_t& position) override
    {
        return m_real->seek(offset, origin, position);
    }
    int status(FileStatus& status) override { return m_real->status(status); }
    int resize(std::uint64_t size) override
    {
        if (const int error = m_faults.faultFor(kWrite, m_path)) {
            return error;
        }
        return m_real->resize(size);
    }
    int close() override
    {
        const int closed = m_real->close();
        if (m_closed) {
            return closed;
        }
        m_closed = true;
        const int fault = m_writable ? m_faults.faultFor(kFlush, m_path) : 0;
        return fault != 0 ? fault : closed;
    }

private:
    std::unique_ptr<File> m_real;
    FaultyFileSystem& m_faults;
    std::u16string m_path;
    bool m_writable;
    bool m_closed = false;
};

} // namespace

FaultyFileSystem::FaultyFileSystem(std::initializer_list<FileFault> faults, FileSystem& real)
    : m_real(real), m_faults(faults)
{
}

FaultyFileSystem& FaultyFileSystem::add(const FileFault& fault)
{
    m_faults.push_back(fault);
    return *this;
}

FaultyFileSystem& FaultyFileSystem::refuseWrites(const std::u16string& path)
{
    return add({kOpenWrite | kWrite | kFlush | kRemove | kRename | kCreateFolder | kSetPermissions,
                path, EACCES});
}

FaultyFileSystem& FaultyFileSystem::fillDisk(const std::u16string& path)
{
    return add({kWrite | kFlush, path, ENOSPC});
}

FaultyFileSystem& FaultyFileSystem::failReads(const std::u16string& path)
{
    return add({kRead, path, EIO});
}

FaultyFileSystem& FaultyFileSystem::vanish(const std::u16string& path)
{
    return add({kAnyOperation & ~kList, path, ENOENT});
}

void FaultyFileSystem::clear()
{
    m_faults.clear();
}

int FaultyFileSystem::faultFor(FileOperation operation, const std::u16string& path)
{
    for (const FileFault& fault : m_faults) {
        if ((fault.operations & operation) != 0 && covers(fault.path, path)) {
            ++m_injected;
            return fault.error;
        }
    }
    return 0;
}

int FaultyFileSystem::status(const std::u16string& path, FileStatus& status)
{
    if (const int error = faultFor(kStatus, path)) {
        status = FileStatus{};
        return error;
    }
    return m_real.status(path, status);
}

int FaultyFileSystem::linkStatus(const std::u16string& path, FileStatus& status)
{
    if (const int error = faultFor(kStatus, path)) {
        status = FileStatus{};
        return error;
    }
    return m_real.linkStatus(path, status);
}

std::unique_ptr<File> FaultyFileSystem::openForReading(const std::u16string& path, int& error)
{
    if ((error = faultFor(kOpenRead, path)) != 0) {
        return nullptr;
    }
    std::unique_ptr<File> real = m_real.openForReading(path, error);
    if (!real) {
        return nullptr;
    }
    return std::make_unique<FaultyFile>(std::move(real), *this, path, false);
}

std::unique_ptr<File> FaultyFileSystem::openForWriting(const std::u16string& path, CreateMode mode,
                                                       int& error)
{
    if ((error = faultFor(kOpenWrite, path)) != 0) {
        return nullptr;
    }
    std::unique_ptr<File> real = m_real.openForWriting(path, mode, error);
    if (!real) {
        return nullptr;
    }
    return std::make_unique<FaultyFile>(std::move(real), *this, path, true);
}

int FaultyFileSystem::readFile(const std::u16string& path, std::size_t limit, std::string& bytes)
{
    int error = faultFor(kOpenRead, path);
    if (error == 0) {
        error = faultFor(kRead, path);
    }
    if (error != 0) {
        bytes.clear();
        return error;
    }
    return m_real.readFile(path, limit, bytes);
}

Failure FaultyFileSystem::replaceFile(const std::u16string& path, const std::string& bytes)
{
    if (const int error = faultFor(kWrite, path)) {
        // As the real one words it: the old content stays, nothing is left behind.
        return Failure{hresultFromErrno(error), path,
                       std::string("the file cannot be written: ") + std::strerror(error)};
    }
    return m_real.replaceFile(path, bytes);
}

int FaultyFileSystem::copyFile(const std::u16string& from, const std::u16string& to)
{
    if (const int error = faultFor(kRead, from)) {
        return error;
    }
    if (const int error = faultFor(kWrite, to)) {
        return error;
    }
    return m_real.copyFile(from, to);
}

int FaultyFileSystem::listFolder(const std::u16string& folder, std::vector<DirectoryEntry>& entries)
{
    if (const int error = faultFor(kList, folder)) {
        entries.clear();
        return error;
    }
    return m_real.listFolder(folder, entries);
}

// A listing too: what makes a listing fail makes this fail.
int FaultyFileSystem::findEntry(const std::u16string& folder, std::u16string_view name,
                                std::u16string& found)
{
    if (const int error = faultFor(kList, folder)) {
        return error;
    }
    return m_real.findEntry(folder, name, found);
}

int FaultyFileSystem::resolve(const std::u16string& path, std::u16string& resolved)
{
    if (const int error = faultFor(kResolve, path)) {
        return error;
    }
    return m_real.resolve(path, resolved);
}

int FaultyFileSystem::removeFile(const std::u16string& path)
{
    if (const int error = faultFor(kRemove, path)) {
        return error;
    }
    return m_real.removeFile(path);
}

int FaultyFileSystem::rename(const std::u16string& from, const std::u16string& to)
{
    int error = faultFor(kRename, from);
    if (error == 0) {
        error = faultFor(kRename, to);
    }
    if (error != 0) {
        return error;
    }
    return m_real.rename(from, to);
}

int FaultyFileSystem::createFolder(const std::u16string& path)
{
    if (const int error = faultFor(kCreateFolder, path)) {
        return error;
    }
    return m_real.createFolder(path);
}

int FaultyFileSystem::removeFolder(const std::u16string& path)
{
    if (const int error = faultFor(kRemove, path)) {
        return error;
    }
    return m_real.removeFolder(path);
}

int FaultyFileSystem::moveFolder(const std::u16string& from, const std::u16string& to)
{
    int error = faultFor(kRename, from);
    if (error == 0) {
        error = faultFor(kRename, to);
    }
    if (error != 0) {
        return error;
    }
    return m_real.moveFolder(from, to);
}

int FaultyFileSystem::createTemporaryFolder(const std::u16string& prefix, std::u16string& path)
{
    if (const int error = faultFor(kCreateFolder, prefix)) {
        return error;
    }
    return m_real.createTemporaryFolder(prefix, path);
}

int FaultyFileSystem::setPermissions(const std::u16string& path, std::uint32_t permissions)
{
    if (const int error = faultFor(kSetPermissions, path)) {
        return error;
    }
    return m_real.setPermissions(path, permissions);
}

std::unique_ptr<DynamicLibrary> FaultyFileSystem::loadLibrary(const std::u16string& path,
                                                              Failure& failure)
{
    if (const int error = faultFor(kLoadLibrary, path)) {
        failure = failureFromErrno(error, path);
        return nullptr;
    }
    return m_real.loadLibrary(path, failure);
}

} // namespace vimo::test
