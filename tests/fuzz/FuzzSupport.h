#pragma once

// What the fuzz targets share: a scratch folder for the files a reader takes, and a way to stop
// on a broken promise so that libFuzzer keeps the input.

#include "platform/posix/PosixPlatform.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vimo::fuzz {

// One scratch folder for the whole run, removed when the program ends.
const std::filesystem::path& scratchFolder();

// Writes `bytes` to `path`, creating its folders.
void writeBytes(const std::filesystem::path& path, std::string_view bytes);

// Ends the run with `what` on standard error; libFuzzer keeps the input as a crash.
[[noreturn]] void broken(const std::string& what);

// The system platform with WINEPREFIX pointing into the scratch folder.
class FuzzPlatform : public PosixPlatform
{
public:
    explicit FuzzPlatform(std::string prefix) : m_prefix(std::move(prefix)) {}
    std::optional<std::string> environment(const std::string& name) const override;

private:
    std::string m_prefix;
};

} // namespace vimo::fuzz
