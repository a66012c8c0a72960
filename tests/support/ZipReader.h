#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vimo::test {

// One member of a ZIP as an independent reader (libzip) sees it.
struct ZipMember
{
    std::string name;    // UTF-8
    std::string content; // the member's bytes
    int method = 0;      // 0 stored, 8 deflated, ...
    std::uint64_t size = 0;
    std::uint32_t externalAttributes = 0;
    int year = 0;       // of the member's modification date
    int hostSystem = 0; // the system that made the member: 0 FAT, 3 Unix
};

struct ZipListing
{
    bool ok = false;   // opened, consistent, and every member's checksum matched
    std::string error; // the reader's complaint when not ok
    std::vector<ZipMember> members;
};

// Reads an archive with libzip, contents included (Linux only); libzip checks the archive's
// consistency and each member's CRC-32 as it reads.
ZipListing readZip(const std::filesystem::path& archive);
// The names of the listing's members, in the archive's order.
std::vector<std::string> memberNames(const ZipListing& zip);

} // namespace vimo::test
