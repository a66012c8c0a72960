#pragma once

#include "archive/EngineInterfaces.h"
#include "platform/NativeCodes.h"

#include <cstdint>
#include <string>

namespace vimo {

// The engine's mark for Unix mode bits in the high 16 bits of the attributes; it then writes
// them into the member's external attributes, made by Unix, as its own command line does.
inline constexpr std::uint32_t FILE_ATTRIBUTE_UNIX_EXTENSION = 0x8000;
inline constexpr std::uint32_t kUnixTypeFile = 0100000;
inline constexpr std::uint32_t kUnixTypeFolder = 0040000;

// One archive member as the engine is told about it.
struct ArchiveItem
{
    std::u16string path; // the file on disk
    std::u16string name; // the member name, "/" between its components
    bool isFolder = false;
    std::uint64_t size = 0;
    std::uint32_t attributes = 0;
    engine::FILETIME accessTime{};
    engine::FILETIME creationTime{};
    engine::FILETIME modificationTime{};
};

} // namespace vimo
