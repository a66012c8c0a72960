// The Wine prefix's system.reg as the client's installer data is looked up in it: the text
// reader, the value's checks and the mapping of the found Windows path onto this system.

#include "FuzzSupport.h"
#include "platform/posix/WineRegistry.h"
#include "workspace/VimoWorkspace.h"

#include <cstddef>
#include <cstdint>

namespace {

const std::u16string kUninstallKey = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{"
                                     u"3F9A1C27-58D4-4B0E-9C61-2D7E84A5B0F3}";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vimo;
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)WineRegistry::readValueFromText(text, kUninstallKey, u"InstallLocation");
    (void)WineRegistry::readValueFromText(text, kUninstallKey, u"");

    // The whole lookup, through the file and the prefix's drive link.
    static const std::filesystem::path prefix = [] {
        const std::filesystem::path folder = fuzz::scratchFolder() / "prefix";
        std::filesystem::create_directories(folder / "drive_c" / "Orvo" / "services");
        std::filesystem::create_directories(folder / "dosdevices");
        std::filesystem::create_directory_symlink("../drive_c", folder / "dosdevices" / "c:");
        return folder;
    }();
    fuzz::writeFile(prefix / "system.reg", text);
    fuzz::TestPlatform platform;
    platform.env["WINEPREFIX"] = prefix.string();
    VimoWorkspace workspace(platform);
    if (succeeded(workspace.locateInstallation()) && workspace.installFolder().empty()) {
        fuzz::broken("an installation was found without a folder");
    }
    return 0;
}
