#include "archive/InFileStream.h"

#include "platform/Failure.h"
#include "platform/SystemError.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace vimo {

namespace {
// The engine may drop its last reference on one of its worker threads.
std::atomic<long> g_liveInStreams{0};
} // namespace

InFileStream::InFileStream()
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
    return m_file.openForReading(path);
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
    ssize_t done;
    do {
        done = ::read(m_file.descriptor(), data, wanted);
    } while (done < 0 && errno == EINTR);
    if (done < 0) {
        const Failure failure = failureFromErrno(errno, m_path);
        if (m_failures) {
            m_failures->record(failure);
        }
        return failure.code;
    }
    if (processedSize) {
        *processedSize = static_cast<std::uint32_t>(done);
    }
    return S_OK;
}

HRESULT InFileStream::Seek(std::int64_t offset, std::uint32_t seekOrigin,
                           std::uint64_t* newPosition)
{
    return seekFile(m_file.descriptor(), offset, seekOrigin, newPosition);
}

HRESULT InFileStream::GetSize(std::uint64_t* size)
{
    struct stat status
    {
    };
    if (::fstat(m_file.descriptor(), &status) != 0) {
        return hresultFromErrno(errno);
    }
    if (size) {
        *size = static_cast<std::uint64_t>(status.st_size);
    }
    return S_OK;
}

HRESULT seekFile(int descriptor, std::int64_t offset, std::uint32_t seekOrigin,
                 std::uint64_t* newPosition)
{
    int whence;
    switch (seekOrigin) {
    case 0:
        whence = SEEK_SET;
        break;
    case 1:
        whence = SEEK_CUR;
        break;
    case 2:
        whence = SEEK_END;
        break;
    default:
        return STG_E_INVALIDFUNCTION;
    }
    const off_t position = ::lseek(descriptor, static_cast<off_t>(offset), whence);
    if (position < 0) {
        return hresultFromErrno(errno);
    }
    if (newPosition) {
        *newPosition = static_cast<std::uint64_t>(position);
    }
    return S_OK;
}

} // namespace vimo
