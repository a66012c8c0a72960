#include "workspace/TemporaryFiles.h"

#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Text.h"

#include <atomic>

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

bool allDigits(std::u16string_view text)
{
    if (text.empty()) {
        return false;
    }
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return true;
}

} // namespace

std::u16string temporaryPathBeside(const std::u16string& target)
{
    static std::atomic<unsigned> counter{0};
    return std::u16string(folderOf(target)) + u"." + std::u16string(nameOf(target)) + u"." +
           toDecimal(currentProcessId()) + u"." + toDecimal(counter++) + u".tmp";
}

std::optional<long> temporaryFileOwner(std::u16string_view name)
{
    constexpr std::u16string_view kSuffix = u".tmp";
    if (name.size() < 2 || name.front() != u'.' || !name.ends_with(kSuffix)) {
        return std::nullopt;
    }
    std::u16string_view rest = name.substr(0, name.size() - kSuffix.size());
    const std::size_t counterDot = rest.rfind(u'.');
    if (counterDot == std::u16string_view::npos || !allDigits(rest.substr(counterDot + 1))) {
        return std::nullopt;
    }
    rest = rest.substr(0, counterDot);
    const std::size_t pidDot = rest.rfind(u'.');
    if (pidDot == std::u16string_view::npos || pidDot == 0 || !allDigits(rest.substr(pidDot + 1)) ||
        rest.size() - pidDot > 11) {
        return std::nullopt;
    }
    return std::stol(toUtf8(rest.substr(pidDot + 1)));
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
