#include "workspace/PackageMarkers.h"

#include "platform/Paths.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>

namespace vimo {

namespace {

// A folder whose entries changed this recently may change again within the same tick of its
// file system's clock without its status showing it (the coarsest common clock: 2 s).
constexpr std::int64_t kUnsettledSeconds = 3;

} // namespace

void PackageMarkers::startScan(FileSystem& files, const std::u16string& packagesFolder,
                               std::int64_t now)
{
    // Folders that went away are forgotten now and then, so that what is kept stays in bounds.
    if (m_files != &files || m_packages != packagesFolder || m_unmarked.size() > 2 * m_lookups) {
        m_unmarked.clear();
    }
    m_lookups = 0;
    m_files = &files;
    m_packages = packagesFolder;
    m_now = now;
    m_listed = false;
    m_entries.clear();
}

bool PackageMarkers::findPackage(const std::u16string& id, std::u16string& folder,
                                 FileStatus& status, bool& known)
{
    FileSystem& files = *m_files;
    folder = m_packages + id;
    known = files.status(folder, status) == 0;
    // The name as written wins, even as a link that leads nowhere.
    if (known || files.linkStatus(folder, status) == 0) {
        return true;
    }
    if (!m_listed) {
        m_listed = true;
        if (files.listFolder(m_packages, m_entries) != 0) {
            m_entries.clear();
        }
    }
    // Names that differ only in letter case stand together in fileNameLess order.
    auto entry = std::lower_bound(m_entries.begin(), m_entries.end(), id,
                                  [](const DirectoryEntry& e, const std::u16string& name) {
                                      return fileNameLessIgnoringCase(e.name, name);
                                  });
    if (entry == m_entries.end() || !equalsIgnoreAsciiCase(entry->name, id)) {
        return false;
    }
    folder = m_packages + entry->name;
    known = files.status(folder, status) == 0;
    return true;
}

bool PackageMarkers::hasMarker(const std::u16string& id)
{
    if (id.empty() || !m_files) {
        return false;
    }
    ++m_lookups;
    FileSystem& files = *m_files;
    const std::u16string marker = id + u".rmv";
    if (id == u"." || id == u".." || id.find(kPathSeparator) != std::u16string::npos) {
        FileStatus found;
        return files.status(files.resolveBelow(m_packages, id + kPathSeparator + marker), found) ==
               0;
    }

    std::u16string folder;
    FileStatus before;
    bool known = false;
    if (!findPackage(id, folder, before, known)) {
        return false;
    }
    // The folder itself is what is remembered, whatever name leads to it.
    known = known && before.changedSeconds != 0;
    const auto cached = known ? m_unmarked.find(before.fileId) : m_unmarked.end();
    if (cached != m_unmarked.end() && sameDates(cached->second, unmarkedFrom(before))) {
        return false;
    }
    std::u16string name;
    const int error = files.findEntry(folder, marker, name);
    // Only a status taken before the read, of a folder that has settled, vouches for it later.
    if (error == ENOENT && known && before.changedSeconds < m_now - kUnsettledSeconds &&
        before.modifiedSeconds < m_now - kUnsettledSeconds) {
        m_unmarked.insert_or_assign(before.fileId, unmarkedFrom(before));
    } else if (known) {
        m_unmarked.erase(before.fileId);
    }
    FileStatus found;
    return error == 0 && files.status(folder + kPathSeparator + name, found) == 0;
}

PackageMarkers::Unmarked PackageMarkers::unmarkedFrom(const FileStatus& status)
{
    return Unmarked{status.device, status.changedSeconds, status.changedNanoseconds,
                    status.modifiedSeconds, status.modifiedNanoseconds};
}

bool PackageMarkers::sameDates(const Unmarked& a, const Unmarked& b)
{
    return a.device == b.device && a.changedSeconds == b.changedSeconds &&
           a.changedNanoseconds == b.changedNanoseconds && a.modifiedSeconds == b.modifiedSeconds &&
           a.modifiedNanoseconds == b.modifiedNanoseconds;
}

} // namespace vimo
