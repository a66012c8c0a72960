#include "archive/UpdateCallback.h"

#include "archive/EngineLibrary.h"
#include "archive/InFileStream.h"

#include <atomic>
#include <new>

namespace vimo {

namespace {
// The engine may drop its last reference on one of its worker threads.
std::atomic<long> g_liveCallbacks{0};
} // namespace

UpdateCallback::UpdateCallback(const engine::EngineRuntime& runtime, StreamFailurePtr failures,
                               FileSystem& files)
    : m_runtime(runtime), m_failures(std::move(failures)), m_files(files)
{
    ++g_liveCallbacks;
}

UpdateCallback::~UpdateCallback()
{
    --g_liveCallbacks;
}

long UpdateCallback::liveObjects()
{
    return g_liveCallbacks;
}

void UpdateCallback::setPassword(const std::u16string& password)
{
    m_passwordDefined = !password.empty();
    m_password = password;
}

void UpdateCallback::addMember(ArchiveItem item)
{
    m_members.push_back(std::move(item));
}

HRESULT UpdateCallback::QueryInterface(const engine::GUID& iid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!(iid == engine::IID_ICryptoGetTextPassword)) {
        return E_NOINTERFACE;
    }
    *object = static_cast<engine::ICryptoGetTextPassword*>(this);
    AddRef();
    return S_OK;
}

engine::ULONG UpdateCallback::AddRef()
{
    return ++m_refCount;
}

engine::ULONG UpdateCallback::Release()
{
    const std::uint32_t left = --m_refCount;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT UpdateCallback::SetTotal(std::uint64_t)
{
    return S_OK;
}

HRESULT UpdateCallback::SetCompleted(const std::uint64_t*)
{
    return S_OK;
}

HRESULT UpdateCallback::GetUpdateItemInfo(std::uint32_t, std::int32_t* newData,
                                          std::int32_t* newProperties,
                                          std::uint32_t* indexInArchive)
{
    // Every member is new: the adapter only ever writes whole archives.
    if (newData) {
        *newData = 1;
    }
    if (newProperties) {
        *newProperties = 1;
    }
    if (indexInArchive) {
        *indexInArchive = 0xFFFFFFFF;
    }
    return S_OK;
}

void UpdateCallback::clearValue(engine::PROPVARIANT* value) const
{
    if (value->vt != engine::VT_EMPTY) {
        if (m_runtime.variantClear) {
            m_runtime.variantClear(value);
        } else if (value->vt == engine::VT_BSTR && m_runtime.sysFreeString) {
            m_runtime.sysFreeString(value->bstrVal);
        }
    }
    *value = engine::PROPVARIANT{};
}

HRESULT UpdateCallback::GetProperty(std::uint32_t index, engine::PROPID propId,
                                    engine::PROPVARIANT* value)
{
    if (!value) {
        return S_OK;
    }
    clearValue(value);
    if (propId == engine::kpidIsAnti) {
        value->vt = engine::VT_BOOL;
        value->boolVal = engine::VARIANT_FALSE;
        return S_OK;
    }
    if (index >= m_members.size()) {
        return S_OK;
    }
    const ArchiveItem& item = m_members[index];
    switch (propId) {
    case engine::kpidPath:
        value->bstrVal = allocEngineString(m_runtime, item.name);
        if (value->bstrVal) {
            value->vt = engine::VT_BSTR;
        }
        break;
    case engine::kpidIsDir:
        value->vt = engine::VT_BOOL;
        value->boolVal = item.isFolder ? engine::VARIANT_TRUE : engine::VARIANT_FALSE;
        break;
    case engine::kpidSize:
        value->vt = engine::VT_UI8;
        value->uhVal = item.size;
        break;
    case engine::kpidAttrib:
        value->vt = engine::VT_UI4;
        value->ulVal = item.attributes;
        break;
    case engine::kpidCTime:
        value->vt = engine::VT_FILETIME;
        value->filetime = item.creationTime;
        break;
    case engine::kpidATime:
        value->vt = engine::VT_FILETIME;
        value->filetime = item.accessTime;
        break;
    case engine::kpidMTime:
        value->vt = engine::VT_FILETIME;
        value->filetime = item.modificationTime;
        break;
    default:
        break; // the engine's other questions (comment, time precision, ...) get no answer
    }
    return S_OK;
}

HRESULT UpdateCallback::GetStream(std::uint32_t index, engine::ISequentialInStream** inStream)
{
    if (!inStream) {
        return E_POINTER;
    }
    *inStream = nullptr;
    if (index >= m_members.size()) {
        return E_INVALIDARG;
    }
    const ArchiveItem& item = m_members[index];
    if (item.isFolder) {
        return S_OK;
    }
    auto* stream = new (std::nothrow) InFileStream(m_files);
    if (!stream) {
        return E_FAIL;
    }
    stream->AddRef();
    if (!stream->open(item.path, m_failures)) {
        recordFailure(m_failures, stream->openError(), item.path);
        stream->Release();
        return E_INVALIDARG;
    }
    *inStream = static_cast<engine::IInStream*>(stream);
    return S_OK;
}

HRESULT UpdateCallback::SetOperationResult(std::int32_t)
{
    return S_OK;
}

HRESULT UpdateCallback::CryptoGetTextPassword(engine::BSTR* password)
{
    if (!password) {
        return E_POINTER;
    }
    *password = nullptr;
    if (!m_passwordDefined) {
        return E_ABORT;
    }
    *password = allocEngineString(m_runtime, m_password);
    return *password ? S_OK : E_FAIL;
}

} // namespace vimo
