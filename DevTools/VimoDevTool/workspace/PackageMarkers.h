#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vimo {

// Which packages hold their ".rmv" marker file, for scans of all service folders. Names are
// found the way Windows finds them (in any letter case), which means reading a package folder
// whenever the marker is not there as written, as it is not in almost every package. So a
// package folder read without a marker is not read again while its status shows no change to
// its entries, and the packages folder is read at most once per scan.
class PackageMarkers
{
public:
    // Starts a scan of the packages folder `packagesFolder` (ending with a separator); `now` is
    // the current time in seconds since 1970.
    void startScan(FileSystem& files, const std::u16string& packagesFolder, std::int64_t now);
    // Whether the package of `id` holds its marker (found as FileSystem::resolveBelow finds it).
    bool hasMarker(const std::u16string& id);

private:
    // The package folder of `id` and its status (when it has one), found as resolveBelow
    // finds it; false when there is none.
    bool findPackage(const std::u16string& id, std::u16string& folder, FileStatus& status,
                     bool& known);

    // The dates of a package folder's status when it was last read and held no marker.
    struct Unmarked
    {
        std::uint64_t device = 0;
        std::int64_t changedSeconds = 0;
        std::uint32_t changedNanoseconds = 0;
        std::int64_t modifiedSeconds = 0;
        std::uint32_t modifiedNanoseconds = 0;
    };
    static Unmarked unmarkedFrom(const FileStatus& status);
    static bool sameDates(const Unmarked& a, const Unmarked& b);

    FileSystem* m_files = nullptr;
    std::u16string m_packages;
    std::int64_t m_now = 0;
    bool m_listed = false;                                  // m_entries holds this scan's listing
    std::vector<DirectoryEntry> m_entries;                  // in fileNameLess order
    std::unordered_map<std::uint64_t, Unmarked> m_unmarked; // by the folder's file identity
    std::size_t m_lookups = 0;                              // hasMarker calls of this scan
};

} // namespace vimo
