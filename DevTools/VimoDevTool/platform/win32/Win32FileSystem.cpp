#include "platform/win32/Win32FileSystem.h"

#include "platform/Paths.h"
#include "platform/SystemError.h"
#include "platform/Text.h"
#include "platform/win32/WideText.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <string_view>

#include <windows.h>

namespace vimo {

namespace {

// The write bits of owner, group and others: what a read-only file lacks.
constexpr std::uint32_t kPermissionAnyWrite = 0222;

// The interface speaks in <cerrno> numbers on every system.
int errnoFromWindows(DWORD error)
{
    switch (error) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    default:
        return EIO;
    }
}

int lastError()
{
    return errnoFromWindows(GetLastError());
}

std::wstring wide(const std::u16string& path)
{
    return toWindowsWide(path);
}

std::int64_t unixTime(const FILETIME& time, std::uint32_t& nanoseconds)
{
    constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000LL;
    const std::int64_t ticks =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                  time.dwLowDateTime) -
        kTicksFrom1601To1970;
    std::int64_t seconds = ticks / 10000000;
    std::int64_t rest = ticks % 10000000;
    if (rest < 0) {
        rest += 10000000;
        --seconds;
    }
    nanoseconds = static_cast<std::uint32_t>(rest * 100);
    return seconds;
}

FileStatus statusFrom(const BY_HANDLE_FILE_INFORMATION& info, bool asLink)
{
    FileStatus status;
    const bool link = asLink && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.type = link ? FileType::Link : folder ? FileType::Directory : FileType::Regular;
    status.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status.modifiedSeconds = unixTime(info.ftLastWriteTime, status.modifiedNanoseconds);
    // Windows knows only "read-only"; the other bits read as granted.
    const std::uint32_t granted = folder ? 0777 : 0666;
    status.permissions = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0
                             ? granted & ~kPermissionAnyWrite
                             : granted;
    status.device = info.dwVolumeSerialNumber;
    status.fileId = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return status;
}

int statusOf(const std::u16string& path, FileStatus& status, bool followLinks)
{
    status = FileStatus{};
    if (path.empty()) {
        return ENOENT;
    }
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    HANDLE handle = CreateFileW(wide(path).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return lastError();
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool read = GetFileInformationByHandle(handle, &info) != 0;
    const int error = read ? 0 : lastError();
    if (read) {
        status = statusFrom(info, !followLinks);
        // The change time, which no caller can set, is only in the basic information; a file
        // system that keeps none (FAT) reports 0, which says "unknown" as on Linux.
        FILE_BASIC_INFO basic{};
        if (GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) &&
            basic.ChangeTime.QuadPart != 0) {
            FILETIME changed{basic.ChangeTime.LowPart,
                             static_cast<DWORD>(basic.ChangeTime.HighPart)};
            status.changedSeconds = unixTime(changed, status.changedNanoseconds);
        }
    }
    CloseHandle(handle);
    return error;
}

class Win32File final : public File
{
public:
    explicit Win32File(HANDLE handle) : m_handle(handle) {}
    ~Win32File() override { close(); }
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;

    int read(void* data, std::size_t size, std::size_t& done) override
    {
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 0x40000000));
        done = 0;
        if (!ReadFile(m_handle, data, wanted, &got, nullptr)) {
            return lastError();
        }
        done = got;
        return 0;
    }

    int write(const void* data, std::size_t size, std::size_t& done) override
    {
        DWORD put = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 0x40000000));
        done = 0;
        if (!WriteFile(m_handle, data, wanted, &put, nullptr)) {
            return lastError();
        }
        done = put;
        return 0;
    }

    int seek(std::int64_t offset, SeekOrigin origin, std::uint64_t& position) override
    {
        const DWORD method = origin == SeekOrigin::Begin     ? FILE_BEGIN
                             : origin == SeekOrigin::Current ? FILE_CURRENT
                                                             : FILE_END;
        LARGE_INTEGER distance;
        distance.QuadPart = offset;
        LARGE_INTEGER reached;
        if (!SetFilePointerEx(m_handle, distance, &reached, method)) {
            return lastError();
        }
        position = static_cast<std::uint64_t>(reached.QuadPart);
        return 0;
    }

    int status(FileStatus& status) override
    {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(m_handle, &info)) {
            return lastError();
        }
        status = statusFrom(info, false);
        return 0;
    }

    int resize(std::uint64_t size) override
    {
        LARGE_INTEGER zero{};
        LARGE_INTEGER position;
        if (!SetFilePointerEx(m_handle, zero, &position, FILE_CURRENT)) {
            return lastError();
        }
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size);
        int error = 0;
        if (!SetFilePointerEx(m_handle, end, nullptr, FILE_BEGIN) || !SetEndOfFile(m_handle)) {
            error = lastError();
        }
        SetFilePointerEx(m_handle, position, nullptr, FILE_BEGIN);
        return error;
    }

    int close() override
    {
        if (m_handle == INVALID_HANDLE_VALUE) {
            return 0;
        }
        const int error = CloseHandle(m_handle) ? 0 : lastError();
        m_handle = INVALID_HANDLE_VALUE;
        return error;
    }

private:
    HANDLE m_handle;
};

class Win32Library final : public DynamicLibrary
{
public:
    explicit Win32Library(HMODULE module) : m_module(module) {}
    ~Win32Library() override { FreeLibrary(m_module); }
    Win32Library(const Win32Library&) = delete;
    Win32Library& operator=(const Win32Library&) = delete;

    void* symbol(const char* name) const override
    {
        if (FARPROC found = GetProcAddress(m_module, name)) {
            return reinterpret_cast<void*>(found);
        }
        // On Windows the strings and variants a module exchanges are the system's own: a module
        // that does not export the allocator (the engine's 7z.dll) uses oleaut32's, so we must.
        const std::string_view wanted = name;
        if (wanted == "SysAllocString" || wanted == "SysFreeString" || wanted == "SysStringLen" ||
            wanted == "VariantClear") {
            HMODULE system = GetModuleHandleW(L"oleaut32.dll");
            if (!system) {
                system = LoadLibraryW(L"oleaut32.dll");
            }
            return system ? reinterpret_cast<void*>(GetProcAddress(system, name)) : nullptr;
        }
        return nullptr;
    }

private:
    HMODULE m_module;
};

std::u16string folderOf(const std::u16string& path)
{
    const std::size_t separator = path.find_last_of(u"\\/");
    return separator == std::u16string::npos ? u"." : path.substr(0, separator);
}

std::u16string fileNameOf(const std::u16string& path)
{
    const std::size_t separator = path.find_last_of(u"\\/");
    return separator == std::u16string::npos ? path : path.substr(separator + 1);
}

Failure replaceFailure(int error, const std::u16string& path, const std::string& what)
{
    return Failure{hresultFromErrno(error), path, what + ": " + std::strerror(error)};
}

int writeAll(HANDLE handle, const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(handle, bytes.data() + written, chunk, &put, nullptr)) {
            return lastError();
        }
        written += put;
    }
    return 0;
}

} // namespace

FileSystem& FileSystem::system()
{
    static Win32FileSystem instance;
    return instance;
}

int Win32FileSystem::status(const std::u16string& path, FileStatus& status)
{
    return statusOf(path, status, true);
}

int Win32FileSystem::linkStatus(const std::u16string& path, FileStatus& status)
{
    return statusOf(path, status, false);
}

std::unique_ptr<File> Win32FileSystem::openForReading(const std::u16string& path, int& error)
{
    HANDLE handle = CreateFileW(wide(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = lastError();
        return nullptr;
    }
    error = 0;
    return std::make_unique<Win32File>(handle);
}

std::unique_ptr<File> Win32FileSystem::openForWriting(const std::u16string& path, CreateMode mode,
                                                      int& error)
{
    HANDLE handle = CreateFileW(wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, mode == CreateMode::CreateNew ? CREATE_NEW : CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = lastError();
        return nullptr;
    }
    error = 0;
    return std::make_unique<Win32File>(handle);
}

int Win32FileSystem::readFile(const std::u16string& path, std::size_t limit, std::string& bytes)
{
    bytes.clear();
    int error = 0;
    const std::unique_ptr<File> file = openForReading(path, error);
    if (!file) {
        return error;
    }
    bytes.resize(std::min<std::size_t>(4096, std::max<std::size_t>(limit, 1)));
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (bytes.size() >= limit) {
                error = EFBIG;
                break;
            }
            bytes.resize(std::min(bytes.size() * 2, limit));
        }
        std::size_t got = 0;
        if ((error = file->read(bytes.data() + used, bytes.size() - used, got)) != 0 || got == 0) {
            break;
        }
        used += got;
    }
    bytes.resize(used);
    return error;
}

Failure Win32FileSystem::replaceFile(const std::u16string& path, const std::string& bytes)
{
    std::u16string target = path;
    FileStatus link;
    if (linkStatus(path, link) == 0 && link.isLink()) {
        if (const int error = resolve(path, target)) {
            return replaceFailure(error, path, "the link cannot be followed");
        }
    }
    const DWORD attributes = GetFileAttributesW(wide(target).c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND) {
        return replaceFailure(lastError(), path, "the file cannot be examined");
    }
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return replaceFailure(EISDIR, path, "the file cannot be written");
    }
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return replaceFailure(EACCES, path, "the file is read-only");
    }

    const std::u16string folder = folderOf(target);
    std::u16string tempPath;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        tempPath = folder + u"\\" + temporaryFileName(fileNameOf(target));
        handle = CreateFileW(wide(tempPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            return replaceFailure(lastError(), path, "no temporary file can be made beside it");
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return replaceFailure(EEXIST, path, "no temporary file can be made beside it");
    }
    int error = writeAll(handle, bytes);
    if (error == 0 && !FlushFileBuffers(handle)) {
        error = lastError();
    }
    if (!CloseHandle(handle) && error == 0) {
        error = lastError();
    }
    if (error == 0 && exists) {
        SetFileAttributesW(wide(tempPath).c_str(), attributes);
    }
    if (error == 0 && !MoveFileExW(wide(tempPath).c_str(), wide(target).c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = lastError();
    }
    if (error != 0) {
        DeleteFileW(wide(tempPath).c_str());
        return replaceFailure(error, path, "the file cannot be written");
    }
    return Failure{};
}

int Win32FileSystem::copyFile(const std::u16string& from, const std::u16string& to)
{
    // CopyFileW keeps the date and the attributes.
    return CopyFileW(wide(from).c_str(), wide(to).c_str(), FALSE) ? 0 : lastError();
}

int Win32FileSystem::listFolder(const std::u16string& folder, std::vector<DirectoryEntry>& entries)
{
    entries.clear();
    std::u16string pattern = folder;
    if (!pattern.empty() && pattern.back() != u'\\' && pattern.back() != u'/') {
        pattern += u'\\';
    }
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(wide(pattern + u"*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return lastError();
    }
    do {
        const std::u16string name = fromWindowsWide(found.cFileName);
        if (name == u"." || name == u"..") {
            continue;
        }
        DirectoryEntry entry;
        entry.name = name;
        entry.isSymlink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (entry.isSymlink) {
            FileStatus target;
            if (status(pattern + name, target) == 0) {
                entry.isDirectory = target.isDirectory();
                entry.isRegularFile = target.isRegular();
            }
        } else {
            entry.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entry.isRegularFile = !entry.isDirectory;
        }
        entries.push_back(std::move(entry));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
        return fileNameLess(a.name, b.name);
    });
    return 0;
}

int Win32FileSystem::resolve(const std::u16string& path, std::u16string& resolved)
{
    HANDLE handle = CreateFileW(wide(path).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return lastError();
    }
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(
        handle, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                           FILE_NAME_NORMALIZED);
    }
    const int error = length == 0 ? lastError() : 0;
    CloseHandle(handle);
    if (error != 0) {
        return error;
    }
    buffer.resize(length);
    // The system answers with its long-path prefix, which the model's paths never carry.
    if (buffer.starts_with(L"\\\\?\\UNC\\")) {
        buffer = L"\\\\" + buffer.substr(8);
    } else if (buffer.starts_with(L"\\\\?\\")) {
        buffer.erase(0, 4);
    }
    resolved = fromWindowsWide(buffer);
    return 0;
}

int Win32FileSystem::removeFile(const std::u16string& path)
{
    return DeleteFileW(wide(path).c_str()) ? 0 : lastError();
}

int Win32FileSystem::rename(const std::u16string& from, const std::u16string& to)
{
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING)
               ? 0
               : lastError();
}

int Win32FileSystem::createFolder(const std::u16string& path)
{
    return CreateDirectoryW(wide(path).c_str(), nullptr) ? 0 : lastError();
}

int Win32FileSystem::removeFolder(const std::u16string& path)
{
    return RemoveDirectoryW(wide(path).c_str()) ? 0 : lastError();
}

int Win32FileSystem::moveFolder(const std::u16string& from, const std::u16string& to)
{
    const std::wstring source = wide(from);
    const std::wstring target = wide(to);
    const DWORD attributes = GetFileAttributesW(source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return lastError();
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return ENOTDIR;
    }
    // MoveFileExW never replaces a folder: an empty one at the target (a reserved name) is
    // removed first, which fails for one with anything in it.
    const DWORD present = GetFileAttributesW(target.c_str());
    if (present != INVALID_FILE_ATTRIBUTES) {
        if ((present & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return EEXIST;
        }
        if (!RemoveDirectoryW(target.c_str())) {
            return lastError();
        }
    }
    return MoveFileExW(source.c_str(), target.c_str(), 0) ? 0 : lastError();
}

int Win32FileSystem::createTemporaryFolder(const std::u16string& prefix, std::u16string& path)
{
    std::wstring base(MAX_PATH + 1, L'\0');
    const DWORD length = GetTempPathW(static_cast<DWORD>(base.size()), base.data());
    if (length == 0 || length > base.size()) {
        return lastError();
    }
    base.resize(length);
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::u16string candidate = fromWindowsWide(base) + prefix +
                                         fromUtf8(std::to_string(GetCurrentProcessId())) + u"-" +
                                         fromUtf8(std::to_string(counter++));
        const int error = createFolder(candidate);
        if (error == 0) {
            path = candidate;
            return 0;
        }
        if (error != EEXIST) {
            return error;
        }
    }
    return EEXIST;
}

int Win32FileSystem::setPermissions(const std::u16string& path, std::uint32_t permissions)
{
    const std::wstring name = wide(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return lastError();
    }
    const DWORD wanted = (permissions & kPermissionOwnerWrite) != 0
                             ? attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)
                             : attributes | FILE_ATTRIBUTE_READONLY;
    return SetFileAttributesW(name.c_str(), wanted) ? 0 : lastError();
}

std::unique_ptr<DynamicLibrary> Win32FileSystem::loadLibrary(const std::u16string& path,
                                                             Failure& failure)
{
    // Dependencies are looked for beside the library, not in the current folder.
    HMODULE module = LoadLibraryExW(wide(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        failure = Failure{E_FAIL, path, windowsErrorText(GetLastError())};
        return nullptr;
    }
    return std::make_unique<Win32Library>(module);
}

} // namespace vimo
