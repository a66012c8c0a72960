#include "archive/OutFileStream.h"

#include "archive/InFileStream.h"
#include "platform/Failure.h"

#include <algorithm>
#include <atomic>
#include <cerrno>

namespace vimo {

namespace {
// The engine may drop its last reference on one of its worker threads.
std::atomic<long> g_liveOutStreams{0};
} // namespace

OutFileStream::OutFileStream(FileSystem& files) : m_files(files)
{
    ++g_liveOutStreams;
}

OutFileStream::~OutFileStream()
{
    --g_liveOutStreams;
}

long OutFileStream::liveObjects()
{
    return g_liveOutStreams;
}

bool OutFileStream::open(const std::u16string& path, CreateMode mode, StreamFailurePtr failures)
{
    m_path = path;
    m_failures = std::move(failures);
    m_file.reset();
    m_file = m_files.openForWriting(path, mode, m_openError);
    return m_file != nullptr;
}

HRESULT OutFileStream::QueryInterface(const engine::GUID& iid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!(iid == engine::IID_IOutStream)) {
        return E_NOINTERFACE;
    }
    *object = static_cast<engine::IOutStream*>(this);
    AddRef();
    return S_OK;
}

engine::ULONG OutFileStream::AddRef()
{
    return ++m_refCount;
}

engine::ULONG OutFileStream::Release()
{
    const std::uint32_t left = --m_refCount;
    if (left == 0) {
        delete this;
    }
    return left;
}

// A failed write is reported as a failure (a full disk must not yield a "successful" archive).
HRESULT OutFileStream::Write(const void* data, std::uint32_t size, std::uint32_t* processedSize)
{
    if (processedSize) {
        *processedSize = 0;
    }
    const std::size_t wanted = std::min(size, kMaxStreamBlock);
    std::size_t done = 0;
    if (const int error = m_file ? m_file->write(data, wanted, done) : EBADF) {
        return recordFailure(m_failures, error, m_path);
    }
    if (processedSize) {
        *processedSize = static_cast<std::uint32_t>(done);
    }
    return S_OK;
}

HRESULT OutFileStream::Seek(std::int64_t offset, std::uint32_t seekOrigin,
                            std::uint64_t* newPosition)
{
    return seekFile(m_file.get(), offset, seekOrigin, newPosition);
}

HRESULT OutFileStream::SetSize(std::uint64_t newSize)
{
    if (newSize > static_cast<std::uint64_t>(INT64_MAX)) {
        return E_FAIL;
    }
    if (const int error = m_file ? m_file->resize(newSize) : EBADF) {
        recordFailure(m_failures, error, m_path);
        return E_FAIL;
    }
    return S_OK;
}

} // namespace vimo
