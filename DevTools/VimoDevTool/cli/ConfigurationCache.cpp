#include "cli/ConfigurationCache.h"

#include "platform/Platform.h"
#include "platform/Text.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace vimo::cli {

namespace fs = std::filesystem;

namespace {

// The cache folder as the XDG base directory rules give it: an absolute $XDG_CACHE_HOME, else
// $HOME/.cache.
fs::path cacheFolder(const Platform& platform)
{
    if (auto xdg = platform.environment("XDG_CACHE_HOME");
        xdg && !xdg->empty() && xdg->front() == '/') {
        return fs::path(*xdg) / "vimoctl";
    }
    if (auto home = platform.environment("HOME"); home && !home->empty()) {
        return fs::path(*home) / ".cache" / "vimoctl";
    }
    return {};
}

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

} // namespace

ConfigurationCache::ConfigurationCache(const Platform& platform, const std::u16string& serverUrl)
{
    const fs::path folder = cacheFolder(platform);
    if (!folder.empty()) {
        m_file = folder / fileNameFor(serverUrl);
    }
}

std::optional<std::string> ConfigurationCache::store(const std::string& bytes) const
{
    if (m_file.empty()) {
        return "no cache folder (neither XDG_CACHE_HOME nor HOME is set)";
    }
    std::error_code error;
    fs::create_directories(m_file.parent_path(), error);
    if (error) {
        return m_file.parent_path().string() + ": " + error.message();
    }
    const fs::path temporary = m_file.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << bytes;
        out.close();
        if (!out) {
            fs::remove(temporary, error);
            return temporary.string() + ": the copy could not be written";
        }
    }
    fs::rename(temporary, m_file, error);
    if (error) {
        fs::remove(temporary, error);
        return m_file.string() + ": " + error.message();
    }
    return std::nullopt;
}

std::optional<std::string> ConfigurationCache::load() const
{
    if (m_file.empty()) {
        return std::nullopt;
    }
    std::ifstream in(m_file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string ConfigurationCache::storedWhen() const
{
    std::error_code error;
    const fs::file_time_type written = fs::last_write_time(m_file, error);
    if (m_file.empty() || error) {
        return {};
    }
    // The calendar of <chrono>: the same on every system, no time-zone table needed.
    const auto minute =
        std::chrono::floor<std::chrono::minutes>(std::chrono::file_clock::to_sys(written));
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
