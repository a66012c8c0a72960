#include "archive/ArchiveWriter.h"

#include "archive/ArchiveItem.h"
#include "archive/EngineLibrary.h"
#include "archive/OutFileStream.h"
#include "archive/UpdateCallback.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/Text.h"

#include <new>
#include <utility>

namespace vimo {

struct ArchiveWriter::Impl
{
    explicit Impl(FileSystem& fileSystem) : files(fileSystem), library(fileSystem) {}

    FileSystem& files;
    engine::IOutArchive* archive = nullptr;
    EngineLibrary library;
    engine::CreateObjectFunc createObject = nullptr;
    std::vector<std::pair<std::u16string, std::u16string>> queue;
    std::vector<std::u16string> candidates;
    Failure lastError;

    HRESULT fail(Failure failure)
    {
        lastError = std::move(failure);
        return lastError.code;
    }
    HRESULT fail(HRESULT code, std::u16string_view subject, std::string reason)
    {
        return fail(Failure{code, std::u16string(subject), std::move(reason)});
    }
};

namespace {

engine::FILETIME fileTimeFrom(const FileStatus& status)
{
    // FILETIME counts 100-nanosecond steps from 1601-01-01; earlier dates become 0.
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;
    const std::int64_t seconds = status.modifiedSeconds + kSecondsFrom1601To1970;
    if (seconds < 0) {
        return {};
    }
    const std::uint64_t ticks = static_cast<std::uint64_t>(seconds) * 10000000ULL +
                                static_cast<std::uint64_t>(status.modifiedNanoseconds) / 100;
    return {static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
}

std::uint32_t attributesFrom(const FileStatus& status)
{
    std::uint32_t attributes =
        status.isDirectory() ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if ((status.permissions & kPermissionOwnerWrite) == 0) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    // Without the mode an unpacking program gives the files no permissions at all.
    const std::uint32_t type = status.isDirectory() ? kUnixTypeFolder : kUnixTypeFile;
    return attributes | FILE_ATTRIBUTE_UNIX_EXTENSION |
           ((type | (status.permissions & kPermissionMask)) << 16);
}

// A queued file as the engine will be told about it. The file is only ever opened, never
// created. A file that can no longer be read (it vanished, or may not be read) fails the whole
// archive: an upload that silently lacks a file is worse than none.
Failure collectItem(FileSystem& files, const std::u16string& path, const std::u16string& name,
                    ArchiveItem& item)
{
    int error = 0;
    const std::unique_ptr<File> file = files.openForReading(path, error);
    if (!file) {
        Failure failure = failureFromErrno(error, path);
        failure.reason = "the file cannot be packed: " + failure.reason;
        return failure;
    }
    FileStatus status;
    if (const int statusError = file->status(status)) {
        return failureFromErrno(statusError, path);
    }
    // Pipes, sockets and devices have no contents that belong in an archive.
    if (!status.isRegular() && !status.isDirectory()) {
        return Failure{E_FAIL, path, "the file cannot be packed: it is not a regular file"};
    }
    item.path = path;
    item.name = replaceAll(name, u"\\", u"/");
    item.attributes = attributesFrom(status);
    item.isFolder = (item.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.size = item.isFolder ? 0 : status.size;
    item.modificationTime = fileTimeFrom(status);
    if (const int closeError = file->close()) {
        return failureFromErrno(closeError, path);
    }
    return {};
}

} // namespace

ArchiveWriter::ArchiveWriter() : ArchiveWriter(EngineLibrary::defaultCandidates(Platform::system()))
{
}

ArchiveWriter::ArchiveWriter(std::vector<std::u16string> libraryCandidates)
    : ArchiveWriter(FileSystem::system(), std::move(libraryCandidates))
{
}

ArchiveWriter::ArchiveWriter(FileSystem& files, std::vector<std::u16string> libraryCandidates)
    : m_impl(new (std::nothrow) Impl(files))
{
    if (m_impl) {
        m_impl->candidates = std::move(libraryCandidates);
    }
}

ArchiveWriter::~ArchiveWriter()
{
    if (!m_impl) {
        return;
    }
    // The engine's object must go before the module that holds its code.
    if (m_impl->archive) {
        m_impl->archive->Release();
        m_impl->archive = nullptr;
    }
    m_impl->queue.clear();
    m_impl->createObject = nullptr;
    m_impl->library.unload();
}

std::u16string ArchiveWriter::libraryPath() const
{
    return m_impl ? m_impl->library.path() : std::u16string();
}

const Failure& ArchiveWriter::lastError() const
{
    static const Failure kNoRecord{E_POINTER, {}, "the archive writer could not be made"};
    return m_impl ? m_impl->lastError : kNoRecord;
}

HRESULT ArchiveWriter::init(ArchiveFormat format)
{
    if (!m_impl) {
        return E_POINTER;
    }
    m_impl->lastError = Failure{};
    if (format != ArchiveFormatZip) {
        return m_impl->fail(E_INVALIDARG, {}, "only the Zip format is written");
    }
    if (m_impl->archive) {
        return S_OK;
    }
    if (!m_impl->library.isLoaded() && failed(m_impl->library.load(m_impl->candidates))) {
        return m_impl->fail(E_FAIL, {}, m_impl->library.error());
    }
    m_impl->createObject = m_impl->library.createObject();
    if (!m_impl->createObject) {
        return m_impl->fail(E_FAIL, m_impl->library.path(), "the module has no CreateObject");
    }
    void* object = nullptr;
    const HRESULT hr =
        m_impl->createObject(&engine::CLSID_FormatZip, &engine::IID_IOutArchive, &object);
    if (failed(hr)) {
        return m_impl->fail(hr, m_impl->library.path(), "the engine made no Zip writer");
    }
    if (!object) {
        return m_impl->fail(E_FAIL, m_impl->library.path(), "the engine made no Zip writer");
    }
    m_impl->archive = static_cast<engine::IOutArchive*>(object);
    return S_OK;
}

HRESULT ArchiveWriter::addFile(const std::u16string& path, const std::u16string& memberName)
{
    if (!m_impl || !m_impl->archive) {
        return E_UNEXPECTED;
    }
    m_impl->lastError = Failure{};
    if (path.empty()) {
        return m_impl->fail(E_INVALIDARG, path, "no file is named");
    }
    if (!m_impl->files.exists(path)) {
        return m_impl->fail(E_INVALIDARG, path, "the file no longer exists");
    }
    std::u16string name = memberName;
    if (name.empty()) {
        const std::size_t separator = path.find_last_of(kPathSeparator);
        name = separator == std::u16string::npos ? path : path.substr(separator + 1);
    }
    m_impl->queue.emplace_back(path, std::move(name));
    return S_OK;
}

HRESULT ArchiveWriter::create(const std::u16string& archivePath, const std::u16string& password)
{
    if (!m_impl || !m_impl->archive) {
        return E_UNEXPECTED;
    }
    m_impl->lastError = Failure{};
    if (archivePath.empty()) {
        return m_impl->fail(E_INVALIDARG, archivePath, "no archive file is named");
    }
    // Every member is looked at before the archive file is touched.
    std::vector<ArchiveItem> items;
    for (const auto& [path, name] : m_impl->queue) {
        ArchiveItem item;
        if (Failure failure = collectItem(m_impl->files, path, name, item); !failure.empty()) {
            return m_impl->fail(failure);
        }
        items.push_back(std::move(item));
    }

    auto failures = std::make_shared<StreamFailure>();
    auto* stream = new (std::nothrow) OutFileStream(m_impl->files);
    if (!stream) {
        return m_impl->fail(E_FAIL, archivePath, "out of memory");
    }
    stream->AddRef();
    if (!stream->open(archivePath, CreateMode::CreateAlways, failures)) {
        const int error = stream->openError();
        stream->Release();
        return m_impl->fail(E_FAIL, archivePath,
                            "the archive file cannot be created: " +
                                failureFromErrno(error, {}).reason);
    }
    auto* callback =
        new (std::nothrow) UpdateCallback(m_impl->library.runtime(), failures, m_impl->files);
    if (!callback) {
        stream->Release();
        return m_impl->fail(E_POINTER, archivePath, "out of memory");
    }
    callback->AddRef();
    callback->setPassword(password);

    for (ArchiveItem& item : items) {
        callback->addMember(std::move(item));
    }

    const auto count = static_cast<std::uint32_t>(callback->members().size());
    const HRESULT hr =
        m_impl->archive->UpdateItems(static_cast<engine::IOutStream*>(stream), count, callback);
    callback->Release();
    stream->Release(); // the last reference closes the archive file
    if (failed(hr)) {
        // What the streams met says more than the engine's code: which file, and why.
        Failure cause = failures->first();
        if (cause.empty()) {
            cause = Failure{hr, archivePath, "the archive engine failed"};
        }
        cause.code = hr;
        return m_impl->fail(cause);
    }
    return S_OK;
}

} // namespace vimo
