#include "cli/ConfigurationCache.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/SystemError.h"
#include "platform/Text.h"

#include <chrono>
#include <cstdio>

namespace vimo::cli {

namespace {

// Larger than any configuration the vendor serves; a bigger file is not a kept copy.
constexpr std::size_t kMaxCachedBytes = 16u << 20;

// "http://127.0.0.1:8765" becomes "http_127.0.0.1_8765": one file name per server.
std::string fileNameFor(const std::u16string& serverUrl)
{
    std::string name;
    for (char c : toUtf8(serverUrl)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-';
        if (plain) {
            name += c;
        } else if (name.empty() || name.back() != '_') {
            name += '_';
        }
    }
    return "developer-configuration-" + name + ".xml";
}

// Creates `folder` and the missing folders above it; the error of the last attempt, or 0.
int createFolders(FileSystem& files, const std::u16string& folder)
{
    if (folder.empty() || files.isDirectory(folder)) {
        return 0;
    }
    const std::size_t separator = folder.find_last_of(kPathSeparator);
    if (separator != std::u16string::npos && separator > 0) {
        createFolders(files, folder.substr(0, separator));
    }
    const int error = files.createFolder(folder);
    return error == 0 || files.isDirectory(folder) ? 0 : error;
}

} // namespace

ConfigurationCache::ConfigurationCache(const Platform& platform, const std::u16string& serverUrl)
    : m_files(platform.fileSystem())
{
    const std::u16string folder = platform.userCacheFolder(m_whyNoFolder);
    if (!folder.empty()) {
        m_file = folder + kPathSeparator + u"vimoctl" + kPathSeparator +
                 fromUtf8(fileNameFor(serverUrl));
    }
}

std::optional<std::string> ConfigurationCache::store(const std::string& bytes) const
{
    if (m_file.empty()) {
        return "no cache folder (" + m_whyNoFolder + ")";
    }
    const std::u16string folder = m_file.substr(0, m_file.find_last_of(kPathSeparator));
    if (const int error = createFolders(m_files, folder)) {
        return toUtf8(folder) + ": " + failureFromErrno(error, folder).reason;
    }
    // Through a temporary file, so a reader never sees half of it.
    const Failure failure = m_files.replaceFile(m_file, bytes);
    if (failed(failure.code)) {
        return failure.describe();
    }
    return std::nullopt;
}

std::optional<std::string> ConfigurationCache::load() const
{
    std::string bytes;
    if (m_file.empty() || m_files.readFile(m_file, kMaxCachedBytes, bytes) != 0) {
        return std::nullopt;
    }
    return bytes;
}

std::string ConfigurationCache::storedWhen() const
{
    FileStatus status;
    if (m_file.empty() || m_files.status(m_file, status) != 0) {
        return {};
    }
    // The calendar of <chrono>: the same on every system, no time-zone table needed.
    const std::chrono::sys_seconds written{std::chrono::seconds{status.modifiedSeconds}};
    const auto minute = std::chrono::floor<std::chrono::minutes>(written);
    const auto day = std::chrono::floor<std::chrono::days>(minute);
    const std::chrono::year_month_day date{day};
    const std::chrono::hh_mm_ss time{minute - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d UTC", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()));
    return text;
}

} // namespace vimo::cli
