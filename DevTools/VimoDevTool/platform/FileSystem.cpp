#include "platform/FileSystem.h"

#include "platform/Paths.h"
#include "platform/Text.h"

#include <cerrno>

namespace vimo {

bool FileSystem::exists(const std::u16string& path)
{
    FileStatus found;
    return !path.empty() && status(path, found) == 0 && found.exists();
}

bool FileSystem::isDirectory(const std::u16string& path)
{
    FileStatus found;
    return !path.empty() && status(path, found) == 0 && found.isDirectory();
}

bool FileSystem::resolvesInside(const std::u16string& path, const std::u16string& folder)
{
    std::u16string target;
    std::u16string root;
    if (resolve(path, target) != 0 || resolve(folder, root) != 0) {
        return false;
    }
    // Whole components only: "/a/bc" is not inside "/a/b".
    if (!root.empty() && root.back() == kPathSeparator) {
        return target.starts_with(root);
    }
    return target == root || (target.starts_with(root) && target.size() > root.size() &&
                              target[root.size()] == kPathSeparator);
}

std::u16string FileSystem::resolveBelow(const std::u16string& base, std::u16string_view relative)
{
    std::u16string result = base;
    bool matching = !base.empty();
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t end = relative.find(kPathSeparator, start);
        if (end == std::u16string_view::npos) {
            end = relative.size();
        }
        std::u16string name(relative.substr(start, end - start));
        start = end + 1;
        if (name.empty()) {
            continue;
        }
        const std::u16string parent = result;
        if (!result.empty() && result.back() != kPathSeparator) {
            result += kPathSeparator;
        }
        FileStatus found;
        // An entry of that name counts even when it is a link that leads nowhere. The cheap look
        // at the name as written comes first; the folder is read only when it misses.
        if (matching && (linkStatus(result + name, found) != 0 || !found.exists())) {
            std::u16string entry;
            matching = findEntry(parent, name, entry) == 0;
            if (matching) {
                name = std::move(entry);
            }
        }
        result += name;
    }
    if (!relative.empty() && relative.back() == kPathSeparator &&
        (result.empty() || result.back() != kPathSeparator)) {
        result += kPathSeparator;
    }
    return result;
}

int FileSystem::findEntry(const std::u16string& folder, std::u16string_view name,
                          std::u16string& found)
{
    std::vector<DirectoryEntry> entries;
    if (const int error = listFolder(folder, entries)) {
        return error;
    }
    const DirectoryEntry* first = nullptr;
    for (const DirectoryEntry& entry : entries) {
        if (entry.name == name) {
            found = entry.name;
            return 0;
        }
        if (!first && equalsIgnoreAsciiCase(entry.name, name)) {
            first = &entry; // the listing is in fileNameLess order
        }
    }
    if (!first) {
        return ENOENT;
    }
    found = first->name;
    return 0;
}

} // namespace vimo
