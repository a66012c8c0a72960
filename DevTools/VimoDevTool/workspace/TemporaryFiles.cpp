#include "workspace/TemporaryFiles.h"

#include "platform/Paths.h"
#include "platform/Process.h"

#include <optional>

namespace vimo {

namespace {

std::u16string_view folderOf(std::u16string_view path)
{
    const std::size_t separator = path.rfind(kPathSeparator);
    return separator == std::u16string_view::npos ? std::u16string_view()
                                                  : path.substr(0, separator + 1);
}

std::u16string_view nameOf(std::u16string_view path)
{
    return path.substr(folderOf(path).size());
}

} // namespace

std::u16string temporaryPathBeside(const std::u16string& target)
{
    return std::u16string(folderOf(target)) + temporaryFileName(nameOf(target));
}

void removeStaleTemporaries(FileSystem& files, const std::u16string& target)
{
    const std::u16string folder(folderOf(target));
    const std::u16string prefix = u"." + std::u16string(nameOf(target)) + u".";
    std::vector<DirectoryEntry> entries;
    if (folder.empty() || files.listFolder(folder, entries) != 0) {
        return;
    }
    for (const DirectoryEntry& entry : entries) {
        if (!entry.name.starts_with(prefix) || !entry.isRegularFile || entry.isSymlink) {
            continue;
        }
        const std::optional<long> owner = temporaryFileOwner(entry.name);
        if (owner && *owner != currentProcessId() && !processIsRunning(*owner)) {
            files.removeFile(folder + entry.name); // a failure leaves it for the next save
        }
    }
}

} // namespace vimo
