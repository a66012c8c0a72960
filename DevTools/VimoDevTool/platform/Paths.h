#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vimo {

// The separator that paths of this system are joined with.
inline constexpr char16_t kPathSeparator =
    static_cast<char16_t>(std::filesystem::path::preferred_separator);

// Model paths are UTF-16; the file system takes UTF-8 on Linux and UTF-16 on Windows.
std::filesystem::path toFsPath(std::u16string_view path);
std::u16string fromFsPath(const std::filesystem::path& path);

// A path "exists" when its attributes can be read (a dangling link does not exist).
bool pathExists(std::u16string_view path);
bool isExistingDirectory(std::u16string_view path);

struct DirectoryEntry
{
    std::u16string name;
    bool isDirectory = false;   // after following a symbolic link
    bool isRegularFile = false; // after following a symbolic link
    bool isSymlink = false;
};

// Orders names as the Windows file system returns them: UTF-16 units compared after upper-casing
// ASCII letters, so every run and every machine sees the same order.
bool fileNameLess(std::u16string_view a, std::u16string_view b);

// The entries of a folder without "." and "..", sorted by fileNameLess; nothing when the folder
// cannot be opened.
std::optional<std::vector<DirectoryEntry>> listDirectory(std::u16string_view folder);

// Whether `path`, with every symbolic link resolved, lies inside `folder` (also resolved).
bool resolvesInside(std::u16string_view path, std::u16string_view folder);

} // namespace vimo
