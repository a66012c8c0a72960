#include "archive/EngineLibrary.h"

#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/Text.h"

namespace vimo {

EngineLibrary::EngineLibrary(FileSystem& files) : m_files(files) {}

EngineLibrary::~EngineLibrary()
{
    unload();
}

std::vector<std::u16string> EngineLibrary::defaultCandidates(const Platform& platform)
{
    return platform.archiveEngineCandidates();
}

HRESULT EngineLibrary::load(const std::vector<std::u16string>& candidates)
{
    unload();
    m_error.clear();
    const std::u16string* chosen = nullptr;
    for (const std::u16string& candidate : candidates) {
        if (m_files.exists(candidate)) {
            chosen = &candidate;
            break;
        }
    }
    if (!chosen) {
        m_error = "the archive engine is not installed; looked for";
        for (const std::u16string& candidate : candidates) {
            m_error += " " + toUtf8(candidate);
        }
        return E_FAIL;
    }
    // Only an absolute path keeps the loader from searching its own folders.
    if (!toFsPath(*chosen).is_absolute()) {
        m_error = toUtf8(*chosen) + " is not an absolute path";
        return E_FAIL;
    }
    Failure failure;
    m_library = m_files.loadLibrary(*chosen, failure);
    if (!m_library) {
        m_error = failure.reason;
        return E_FAIL;
    }
    m_path = *chosen;
    const DynamicLibrary& library = *m_library;

    // A module whose interfaces are laid out differently from our declarations (a virtual
    // destructor in IUnknown, for one) would be called through the wrong vtable slots.
    auto getModuleProp =
        reinterpret_cast<engine::GetModulePropFunc>(library.symbol("GetModuleProp"));
    if (!getModuleProp) {
        unload();
        m_error = toUtf8(*chosen) + " is not the archive engine: it has no GetModuleProp";
        return E_FAIL;
    }
    engine::PROPVARIANT prop{};
    const HRESULT hr = getModuleProp(engine::kModuleInterfaceType, &prop);
    const bool ours =
        succeeded(hr) && prop.vt == engine::VT_UI4 && prop.ulVal == engine::kEngineInterfaceType;
    m_runtime.sysAllocString =
        reinterpret_cast<engine::SysAllocStringFunc>(library.symbol("SysAllocString"));
    m_runtime.sysFreeString =
        reinterpret_cast<engine::SysFreeStringFunc>(library.symbol("SysFreeString"));
    m_runtime.variantClear =
        reinterpret_cast<engine::VariantClearFunc>(library.symbol("VariantClear"));
    if (m_runtime.variantClear && prop.vt != engine::VT_EMPTY) {
        m_runtime.variantClear(&prop);
    }
    if (!ours || !m_runtime.sysAllocString || !m_runtime.sysFreeString) {
        unload();
        m_error = toUtf8(*chosen) + (ours ? " lacks the engine's string functions"
                                          : " lays out its interfaces differently from ours");
        return E_FAIL;
    }
    m_createObject = reinterpret_cast<engine::CreateObjectFunc>(library.symbol("CreateObject"));
    return S_OK;
}

void EngineLibrary::unload()
{
    m_createObject = nullptr;
    m_runtime = {};
    m_path.clear();
    m_library.reset();
}

std::wstring toWide(std::u16string_view text)
{
    if constexpr (sizeof(wchar_t) == sizeof(char16_t)) {
        return std::wstring(text.begin(), text.end());
    }
    std::wstring wide;
    wide.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            const char32_t high = unit - 0xD800;
            const char32_t low = text[i + 1] - 0xDC00;
            wide.push_back(static_cast<wchar_t>(0x10000 + (high << 10) + low));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            wide.push_back(static_cast<wchar_t>(0xFFFD));
        } else {
            wide.push_back(static_cast<wchar_t>(unit));
        }
    }
    return wide;
}

std::u16string fromWide(std::wstring_view text)
{
    if constexpr (sizeof(wchar_t) == sizeof(char16_t)) {
        return std::u16string(text.begin(), text.end());
    }
    std::u16string result;
    result.reserve(text.size());
    for (const wchar_t ch : text) {
        const auto code = static_cast<char32_t>(ch);
        if (code >= 0x10000 && code <= 0x10FFFF) {
            const char32_t offset = code - 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
        } else if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            result.push_back(u'\uFFFD');
        } else {
            result.push_back(static_cast<char16_t>(code));
        }
    }
    return result;
}

engine::BSTR allocEngineString(const engine::EngineRuntime& runtime, std::u16string_view text)
{
    if (!runtime.sysAllocString) {
        return nullptr;
    }
    const std::wstring wide = toWide(text);
    return runtime.sysAllocString(wide.c_str());
}

} // namespace vimo
