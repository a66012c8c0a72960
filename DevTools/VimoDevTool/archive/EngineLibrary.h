#pragma once

#include "archive/EngineInterfaces.h"
#include "platform/FileSystem.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vimo {

class Platform;

// The archive engine's module, loaded by absolute path only and unloaded when this object goes.
class EngineLibrary
{
public:
    // Looks for and loads the module through `files`.
    explicit EngineLibrary(FileSystem& files = FileSystem::system());
    ~EngineLibrary();
    EngineLibrary(const EngineLibrary&) = delete;
    EngineLibrary& operator=(const EngineLibrary&) = delete;

    // Where the engine is looked for, in order: beside the program, then the system's packages.
    static std::vector<std::u16string> defaultCandidates(const Platform& platform);

    // Loads the first candidate that exists; E_FAIL when none does, when it is not an absolute
    // path, cannot be loaded, or reports an interface type other than ours (error() says which).
    HRESULT load(const std::vector<std::u16string>& candidates);
    // Why the last load failed, in words (the loader's own text when it refused the file).
    const std::string& error() const { return m_error; }
    // The module's CreateObject; null when not loaded or the module has none.
    engine::CreateObjectFunc createObject() const { return m_createObject; }
    const engine::EngineRuntime& runtime() const { return m_runtime; }
    bool isLoaded() const { return m_library != nullptr; }
    // The file that was loaded; empty when none.
    const std::u16string& path() const { return m_path; }
    void unload();

private:
    FileSystem& m_files;
    std::unique_ptr<DynamicLibrary> m_library;
    std::u16string m_path;
    std::string m_error;
    engine::CreateObjectFunc m_createObject = nullptr;
    engine::EngineRuntime m_runtime;
};

// UTF-16 as the engine's 32-bit wide characters and back; unpaired surrogates become U+FFFD.
std::wstring toWide(std::u16string_view text);
std::u16string fromWide(std::wstring_view text);

// A string allocated with the module's own allocator; null when it cannot be made.
engine::BSTR allocEngineString(const engine::EngineRuntime& runtime, std::u16string_view text);

} // namespace vimo
