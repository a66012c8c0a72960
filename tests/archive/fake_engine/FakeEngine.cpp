// A stand-in for the archive engine's module, built in variants the adapter must refuse or
// report: another interface type, no CreateObject, a CreateObject that fails. Built as a shared
// object on Linux and as a DLL on Windows.

#include "archive/EngineInterfaces.h"

#include <cstdlib>
#include <cwchar>

using namespace vimo::engine;

#ifndef FAKE_INTERFACE_TYPE
#define FAKE_INTERFACE_TYPE 0
#endif

extern "C" {

vimo::HRESULT GetModuleProp(PROPID propId, PROPVARIANT* value)
{
    *value = PROPVARIANT{};
    if (propId == kModuleInterfaceType) {
        value->vt = VT_UI4;
        value->ulVal = FAKE_INTERFACE_TYPE;
    }
    return 0;
}

#ifdef FAKE_OWN_STRING_FUNCTIONS
// As Linux's engine does; a Windows module leaves strings to the system (oleaut32).
BSTR SysAllocString(const wchar_t* text)
{
    const std::size_t length = std::wcslen(text);
    auto* copy = static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
    if (copy) {
        std::wmemcpy(copy, text, length + 1);
    }
    return copy;
}

void SysFreeString(BSTR text)
{
    std::free(text);
}
#endif

#ifndef FAKE_WITHOUT_CREATE_OBJECT
// Fails with "class not available"; the other-type variant must never get this far.
vimo::HRESULT CreateObject(const vimo::engine::GUID*, const vimo::engine::GUID*, void** object)
{
    *object = nullptr;
    return static_cast<vimo::HRESULT>(0x80040111u);
}
#endif
}
