#include "workspace/TemporaryFiles.h"

#include "platform/Paths.h"
#include "platform/Process.h"

#include <cerrno>
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

std::u16string temporaryTargetName(std::u16string_view name)
{
    if (!temporaryFileOwner(name)) {
        return {};
    }
    // ".<target>.<process>.<counter>.tmp": the target is what stands before the last three dots.
    std::size_t end = name.size();
    for (int dots = 0; dots < 3; ++dots) {
        end = name.rfind(u'.', end - 1);
    }
    return std::u16string(name.substr(1, end - 1));
}

int removeTree(FileSystem& files, const std::u16string& folder)
{
    std::vector<DirectoryEntry> entries;
    if (const int error = files.listFolder(folder, entries)) {
        return error == ENOENT ? 0 : error;
    }
    const std::u16string prefix =
        folder.ends_with(kPathSeparator) ? folder : folder + kPathSeparator;
    int first = 0;
    for (const DirectoryEntry& entry : entries) {
        const std::u16string path = prefix + entry.name;
        int error = 0;
        if (entry.isDirectory && !entry.isSymlink) {
            error = removeTree(files, path);
        } else if ((error = files.removeFile(path)) != 0) {
            // A read-only file cannot be removed everywhere; copies keep the source's rights.
            FileStatus status;
            if (files.linkStatus(path, status) == 0 && !status.isLink() &&
                files.setPermissions(path, status.permissions | kPermissionOwnerWrite) == 0) {
                error = files.removeFile(path);
            }
        }
        if (first == 0) {
            first = error;
        }
    }
    const int error = files.removeFolder(folder);
    return first != 0 ? first : error;
}

} // namespace vimo
