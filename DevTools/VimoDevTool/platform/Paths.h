#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vimo {

// The separator that paths of this system are joined with.
inline constexpr char16_t kPathSeparator =
    static_cast<char16_t>(std::filesystem::path::preferred_separator);

// Model paths are UTF-16; the file system takes UTF-8 on Linux and UTF-16 on Windows.
std::filesystem::path toFsPath(std::u16string_view path);
std::u16string fromFsPath(const std::filesystem::path& path);

// Orders names as the Windows file system returns them: UTF-16 units compared after upper-casing
// ASCII letters, so every run and every machine sees the same order.
bool fileNameLess(std::u16string_view a, std::u16string_view b);
// fileNameLess without its last rule: names that differ only in the case of ASCII letters are
// equivalent, so in a list sorted by fileNameLess they stand together.
bool fileNameLessIgnoringCase(std::u16string_view a, std::u16string_view b);

// The tool's temporary files lie beside the file they are to replace, named
// ".<target's name>.<process id>.<counter>.tmp".

// A new temporary file name of this process for the file named `targetName`.
std::u16string temporaryFileName(std::u16string_view targetName);
// The process that made a file of this name, when it is one of the tool's temporary files.
std::optional<long> temporaryFileOwner(std::u16string_view name);

} // namespace vimo
