#pragma once

// Our own declarations of the archive engine's COM-style interfaces, written from its published
// interface definitions. The engine's IUnknown has no virtual destructor (the module reports
// interface type 0), so none of these declares one: the vtable holds QueryInterface, AddRef and
// Release, then each interface's methods in the order given here.

#include "platform/ResultCodes.h"

#include <cstdint>

namespace vimo::engine {

using ULONG = std::uint32_t;
using PROPID = std::uint32_t;
using BSTR = wchar_t*;
// The engine's strings are the system's wide characters: UTF-32 on Linux, UTF-16 on Windows.
static_assert(sizeof(wchar_t) == 4 || sizeof(wchar_t) == 2, "wide characters of 16 or 32 bits");

struct GUID
{
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

constexpr bool operator==(const GUID& a, const GUID& b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) {
            return false;
        }
    }
    return true;
}

// The engine's interface identifiers: {23170F69-40C1-278A-0000-00gg00ss0000}.
constexpr GUID engineInterfaceId(std::uint8_t group, std::uint8_t sub)
{
    return GUID{0x23170F69, 0x40C1, 0x278A, {0x00, 0x00, 0x00, group, 0x00, sub, 0x00, 0x00}};
}

// The engine's format classes: {23170F69-40C1-278A-1000-000110ff0000}.
constexpr GUID engineFormatClassId(std::uint8_t format)
{
    return GUID{0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, format, 0x00, 0x00}};
}

inline constexpr GUID IID_IUnknown{
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID IID_IProgress = engineInterfaceId(0x00, 0x05);
inline constexpr GUID IID_ISequentialInStream = engineInterfaceId(0x03, 0x01);
inline constexpr GUID IID_ISequentialOutStream = engineInterfaceId(0x03, 0x02);
inline constexpr GUID IID_IInStream = engineInterfaceId(0x03, 0x03);
inline constexpr GUID IID_IOutStream = engineInterfaceId(0x03, 0x04);
inline constexpr GUID IID_IStreamGetSize = engineInterfaceId(0x03, 0x06);
inline constexpr GUID IID_ICryptoGetTextPassword = engineInterfaceId(0x05, 0x10);
inline constexpr GUID IID_IArchiveUpdateCallback = engineInterfaceId(0x06, 0x80);
inline constexpr GUID IID_IOutArchive = engineInterfaceId(0x06, 0xA0);
inline constexpr GUID CLSID_FormatZip = engineFormatClassId(0x01);
inline constexpr GUID CLSID_Format7z = engineFormatClassId(0x07);

struct FILETIME
{
    std::uint32_t dwLowDateTime;
    std::uint32_t dwHighDateTime;
};

enum VarType : std::uint16_t
{
    VT_EMPTY = 0,
    VT_BSTR = 8,
    VT_BOOL = 11,
    VT_UI4 = 19,
    VT_UI8 = 21,
    VT_FILETIME = 64,
};

using VARIANT_BOOL = std::int16_t;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct PROPVARIANT
{
    std::uint16_t vt;
    std::uint16_t wReserved1;
    std::uint16_t wReserved2;
    std::uint16_t wReserved3;
    union {
        std::uint32_t ulVal;
        std::uint64_t uhVal;
        VARIANT_BOOL boolVal;
        BSTR bstrVal;
        FILETIME filetime;
    };
};
static_assert(sizeof(PROPVARIANT) == 16);

// Item properties that the update callback answers.
enum ItemProperty : PROPID
{
    kpidPath = 3,
    kpidIsDir = 6,
    kpidSize = 7,
    kpidAttrib = 9,
    kpidCTime = 10,
    kpidATime = 11,
    kpidMTime = 12,
    kpidIsAnti = 21,
};

// Module properties asked from GetModuleProp.
enum ModuleProperty : PROPID
{
    kModuleInterfaceType = 0,
    kModuleVersion = 1,
};

// The interface type of these declarations: IUnknown without a virtual destructor.
inline constexpr std::uint32_t kEngineInterfaceType = 0;

struct IUnknown
{
    virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct ISequentialInStream : IUnknown
{
    virtual HRESULT Read(void* data, std::uint32_t size, std::uint32_t* processedSize) = 0;

protected:
    ~ISequentialInStream() = default;
};

struct IInStream : ISequentialInStream
{
    virtual HRESULT Seek(std::int64_t offset, std::uint32_t seekOrigin,
                         std::uint64_t* newPosition) = 0;

protected:
    ~IInStream() = default;
};

struct ISequentialOutStream : IUnknown
{
    virtual HRESULT Write(const void* data, std::uint32_t size, std::uint32_t* processedSize) = 0;

protected:
    ~ISequentialOutStream() = default;
};

struct IOutStream : ISequentialOutStream
{
    virtual HRESULT Seek(std::int64_t offset, std::uint32_t seekOrigin,
                         std::uint64_t* newPosition) = 0;
    virtual HRESULT SetSize(std::uint64_t newSize) = 0;

protected:
    ~IOutStream() = default;
};

struct IStreamGetSize : IUnknown
{
    virtual HRESULT GetSize(std::uint64_t* size) = 0;

protected:
    ~IStreamGetSize() = default;
};

struct IProgress : IUnknown
{
    virtual HRESULT SetTotal(std::uint64_t total) = 0;
    virtual HRESULT SetCompleted(const std::uint64_t* completeValue) = 0;

protected:
    ~IProgress() = default;
};

struct IArchiveUpdateCallback : IProgress
{
    virtual HRESULT GetUpdateItemInfo(std::uint32_t index, std::int32_t* newData,
                                      std::int32_t* newProperties,
                                      std::uint32_t* indexInArchive) = 0;
    virtual HRESULT GetProperty(std::uint32_t index, PROPID propId, PROPVARIANT* value) = 0;
    virtual HRESULT GetStream(std::uint32_t index, ISequentialInStream** inStream) = 0;
    virtual HRESULT SetOperationResult(std::int32_t operationResult) = 0;

protected:
    ~IArchiveUpdateCallback() = default;
};

struct ICryptoGetTextPassword : IUnknown
{
    virtual HRESULT CryptoGetTextPassword(BSTR* password) = 0;

protected:
    ~ICryptoGetTextPassword() = default;
};

struct IOutArchive : IUnknown
{
    virtual HRESULT UpdateItems(ISequentialOutStream* outStream, std::uint32_t numItems,
                                IArchiveUpdateCallback* updateCallback) = 0;
    virtual HRESULT GetFileTimeType(std::uint32_t* type) = 0;

protected:
    ~IOutArchive() = default;
};

// The module's exported functions.
using CreateObjectFunc = HRESULT (*)(const GUID* classId, const GUID* interfaceId, void** object);
using GetModulePropFunc = HRESULT (*)(PROPID propId, PROPVARIANT* value);
using SysAllocStringFunc = BSTR (*)(const wchar_t* text);
using SysFreeStringFunc = void (*)(BSTR text);
using VariantClearFunc = HRESULT (*)(PROPVARIANT* value);

// The module's string and variant helpers: a string handed to the engine must come from its own
// allocator so that the engine can free it.
struct EngineRuntime
{
    SysAllocStringFunc sysAllocString = nullptr;
    SysFreeStringFunc sysFreeString = nullptr;
    VariantClearFunc variantClear = nullptr;
};

} // namespace vimo::engine
