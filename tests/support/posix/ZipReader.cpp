#include "support/ZipReader.h"

#include <zip.h>

#include <ctime>
#include <memory>

namespace vimo::test {

namespace {

struct ArchiveCloser
{
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct FileCloser
{
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

std::string openError(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

} // namespace

ZipListing readZip(const std::filesystem::path& archive)
{
    ZipListing listing;
    int code = 0;
    std::unique_ptr<zip_t, ArchiveCloser> zip(
        zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!zip) {
        listing.error = archive.string() + ": " + openError(code);
        return listing;
    }
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(zip.get(), i, 0, &stat) != 0) {
            listing.error = zip_strerror(zip.get());
            return listing;
        }
        ZipMember member;
        member.name = stat.name;
        member.method = stat.comp_method;
        member.size = stat.size;
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        zip_file_get_external_attributes(zip.get(), i, 0, &system, &attributes);
        member.externalAttributes = attributes;
        member.hostSystem = system;
        std::tm local{};
        localtime_r(&stat.mtime, &local); // the DOS date is local time, as libzip read it
        member.year = local.tm_year + 1900;

        std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(zip.get(), i, 0));
        if (!file) {
            listing.error = member.name + ": " + zip_strerror(zip.get());
            return listing;
        }
        // Reading to the end makes libzip compare the member's CRC-32.
        char buffer[65536];
        zip_int64_t got;
        while ((got = zip_fread(file.get(), buffer, sizeof buffer)) > 0) {
            member.content.append(buffer, static_cast<std::size_t>(got));
        }
        if (got < 0) {
            listing.error = member.name + ": " + zip_file_strerror(file.get());
            return listing;
        }
        listing.members.push_back(std::move(member));
    }
    listing.ok = true;
    return listing;
}

} // namespace vimo::test
