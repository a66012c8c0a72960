#include "archive/InFileStream.h"

#include "platform/Failure.h"
#include "platform/SystemError.h"

#include <algorithm>
#include <atomic>
#include <cerrno>

namespace vimo {

namespace {
// The engine may drop its last reference on one of its worker threads.
std::atomic<long> g_liveInStreams{0};
} // namespace

InFileStream::InFileStream(FileSystem& files) : m_files(files)
{
    ++g_liveInStreams;
}

InFileStream::~InFileStream()
{
    --g_liveInStreams;
}

long InFileStream::liveObjects()
{
    return g_liveInStreams;
}

bool InFileStream::open(const std::u16string& path, StreamFailurePtr failures)
{
    m_path = path;
    m_failures = std::move(failures);
    m_file.reset();
    m_file = m_files.openForReading(path, m_openError);
    return m_file != nullptr;
}

HRESULT InFileStream::QueryInterface(const engine::GUID& iid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (iid == engine::IID_IInStream) {
        *object = static_cast<engine::IInStream*>(this);
    } else if (iid == engine::IID_IStreamGetSize) {
        *object = static_cast<engine::IStreamGetSize*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

engine::ULONG InFileStream::AddRef()
{
    return ++m_refCount;
}

engine::ULONG InFileStream::Release()
{
    const std::uint32_t left = --m_refCount;
    if (left == 0) {
        delete this;
    }
    return left;
}

// A failed read is reported as a failure: a positive code would read as success to the engine,
// which would then take the short read for the end of the file and pack a truncated member.
HRESULT InFileStream::Read(void* data, std::uint32_t size, std::uint32_t* processedSize)
{
    if (processedSize) {
        *processedSize = 0;
    }
    const std::size_t wanted = std::min(size, kMaxStreamBlock);
    std::size_t done = 0;
    if (const int error = m_file ? m_file->read(data, wanted, done) : EBADF) {
        return recordFailure(m_failures, error, m_path);
    }
    if (processedSize) {
        *processedSize = static_cast<std::uint32_t>(done);
    }
    return S_OK;
}

HRESULT InFileStream::Seek(std::int64_t offset, std::uint32_t seekOrigin,
                           std::uint64_t* newPosition)
{
    return seekFile(m_file.get(), offset, seekOrigin, newPosition);
}

HRESULT InFileStream::GetSize(std::uint64_t* size)
{
    FileStatus status;
    if (const int error = m_file ? m_file->status(status) : EBADF) {
        return hresultFromErrno(error);
    }
    if (size) {
        *size = status.size;
    }
    return S_OK;
}

HRESULT seekFile(File* file, std::int64_t offset, std::uint32_t seekOrigin,
                 std::uint64_t* newPosition)
{
    SeekOrigin origin;
    switch (seekOrigin) {
    case 0:
        origin = SeekOrigin::Begin;
        break;
    case 1:
        origin = SeekOrigin::Current;
        break;
    case 2:
        origin = SeekOrigin::End;
        break;
    default:
        return STG_E_INVALIDFUNCTION;
    }
    std::uint64_t position = 0;
    if (const int error = file ? file->seek(offset, origin, position) : EBADF) {
        return hresultFromErrno(error);
    }
    if (newPosition) {
        *newPosition = position;
    }
    return S_OK;
}

} // namespace vimo
