#include "platform/FileSystem.h"

#include "platform/Paths.h"

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

} // namespace vimo
