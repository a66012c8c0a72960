#pragma once

#include <optional>
#include <string>

namespace vimo {
class FileSystem;
class Platform;
} // namespace vimo

namespace vimo::cli {

// The copy of the last developer configuration downloaded successfully, one per server, kept
// in the user's cache folder for --offline: $XDG_CACHE_HOME/vimoctl, else ~/.cache/vimoctl, on
// Linux; %LOCALAPPDATA%\vimoctl on Windows.
class ConfigurationCache
{
public:
    ConfigurationCache(const Platform& platform, const std::u16string& serverUrl);

    // The file the copy of this server's configuration is kept in; empty without a cache folder.
    const std::u16string& file() const { return m_file; }
    // Replaces the kept copy (through a temporary file, so a reader never sees half of it); the
    // problem in words, or nothing when done.
    std::optional<std::string> store(const std::string& bytes) const;
    // The kept copy; nothing when there is none.
    std::optional<std::string> load() const;
    // When the kept copy was stored, as "2026-12-08 03:12 UTC"; empty when there is none.
    std::string storedWhen() const;

private:
    FileSystem& m_files;
    std::u16string m_file;
    std::string m_whyNoFolder;
};

} // namespace vimo::cli
