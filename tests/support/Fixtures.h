#pragma once

#include "platform/NativePlatform.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vimo::test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

// Writes a file, creating its folders.
void writeFile(const fs::path& path, std::string_view content);
std::string readFile(const fs::path& path);
// `size` bytes that do not compress, the same for the same seed.
std::string randomBytes(std::size_t size, unsigned seed);
std::u16string u16(const fs::path& path);
// The path with each "/" replaced by this system's separator.
std::u16string nativePath(std::u16string path);

// The tests run on Windows (under Wine) rather than Linux: wide file-system paths.
inline constexpr bool kOnWindows = sizeof(fs::path::value_type) == sizeof(char16_t);

// Whether the Windows tests run under Wine rather than on Windows itself.
bool runningUnderWine();

// Makes a named pipe; false where the system has none in its folders (Windows).
bool makePipe(const fs::path& path);

// What Ctrl+C in the program's terminal sends: SIGINT on Linux, a console control event on
// Windows (in a console of the test's own, so no other program gets it); false when it cannot.
bool sendInterrupt();

// Makes a symbolic link; false where the system's C++ library cannot (mingw-w64 on Windows).
bool makeSymlink(const fs::path& target, const fs::path& link);
inline constexpr const char* kNoSymlinks = "Linux only: symbolic links cannot be made here";

// Whether the module at this absolute path is loaded in this process, without loading it.
bool moduleIsLoaded(const fs::path& path);

// The system platform with a replaceable environment and clock. On Linux its process table is
// empty unless the test gives it one (FakeProcessTable) and the registry is the one of the
// prefix that WINEPREFIX names; on Windows the registry is `registry`, never the machine's.
class TestPlatform : public NativePlatform
{
public:
    TestPlatform();
    std::optional<std::string> environment(const std::string& name) const override;
    std::int64_t currentTime() const override;
    FileSystem& fileSystem() const override;
    std::optional<RegistryValue> readLocalMachineValue(const std::u16string& key,
                                                       const std::u16string& name,
                                                       std::string& whyMissing) const override;

    // A value here wins over the process environment; nullopt hides a variable.
    std::map<std::string, std::optional<std::string>> env;
    std::optional<std::int64_t> clock;
    // Replaces the system's file system when set (a FaultyFileSystem, say).
    FileSystem* files = nullptr;
    // Values by key and name, read on Windows only.
    std::map<std::pair<std::u16string, std::u16string>, RegistryValue> registry;
};

// A string value as the registry stores it: UTF-16LE with its terminating zero.
RegistryValue registryString(std::u16string_view text, std::uint32_t type = REG_SZ);

// The client's uninstall key below HKEY_LOCAL_MACHINE\Software and the header of a 64-bit
// prefix's system.reg, both as system.reg writes them (backslashes doubled).
inline const std::string kRegUninstallKey =
    "Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\"
    "{3F9A1C27-58D4-4B0E-9C61-2D7E84A5B0F3}";
inline const std::string kRegHeader64 =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";
// The uninstall key below HKEY_LOCAL_MACHINE as the registry's functions take it.
inline const std::u16string kUninstallKeyU16 =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    u"{3F9A1C27-58D4-4B0E-9C61-2D7E84A5B0F3}";

// What a Vimo of a fixture installation looks like.
struct VimoSpec
{
    std::string id;
    std::string name = "Demo";
    std::string desc = "A Vimo";
    std::string width = "400";
    std::string height = "300";
    std::string url = "http://developer.example/template_vimo/index.vimo";
    std::string type = "localDhtml";
    std::string devStatus = "dev";
    std::string userCreated = "true";
    std::string extraAttributes; // raw text placed in the vimo element
    bool withPackage = true;
};

// A fixture Vimo of that identifier, status and package; the other fields keep their defaults.
VimoSpec vimoSpec(const std::string& id, const std::string& devStatus = "dev",
                  bool withPackage = true);

// A Wine-style prefix ("#arch=win64", the uninstall entry in the 32-bit view, dosdevices/c:
// leading to drive_c) with a client installation in "C:\Program Files\Orvo".
class InstallationFixture
{
public:
    InstallationFixture();

    const fs::path& root() const { return m_dir.path(); }
    fs::path prefix() const { return root() / "prefix"; }
    fs::path installFolder() const;          // native path, no trailing "/"
    std::u16string installFolderU16() const; // with the trailing separator, as the workspace has it
    fs::path serviceFolder(const std::string& id) const;
    fs::path packageFolder(const std::string& id) const;

    // Writes the Vimo's service folder (catalogue file, an index.html in ver1/content/<id>, an
    // icon in ver1/theme/<id>) and, when asked, its package folder with Vimoz/VimoConfig.xml.
    fs::path addVimo(const VimoSpec& spec) { return addVimoTo(installFolder(), spec); }
    // The same below any installation folder.
    static fs::path addVimoTo(const fs::path& installFolder, const VimoSpec& spec);
    void writeSystemReg(std::string_view text);
    // Records the installation folder in the registry that the fixture's platform reads: the
    // prefix's system.reg on Linux (as "C:\\Program Files\\Orvo" through dosdevices), the
    // platform's own table on Windows.
    void registerInstallation();
    // Makes the client's uninstall entry hold its display name and this one value, in the
    // registry that the fixture's platform reads (system.reg on Linux, the table on Windows).
    void registerUninstallValue(const std::u16string& name, const RegistryValue& value);

    // The text of a catalogue file for a spec.
    static std::string catalogueXml(const VimoSpec& spec);
    // A system.reg of a 64-bit prefix whose uninstall entry, in the 32-bit view, holds the
    // DisplayName and `valueLines`.
    static std::string systemRegWith(std::string_view valueLines);
    // That with InstallLocation; `windowsPath` is written as the .reg file escapes it
    // (backslashes doubled).
    static std::string systemRegFor(std::string_view windowsPath);
    // A plug-in configuration with EnableReload set to 1.
    static std::string vimoConfigXml();

    // A platform whose WINEPREFIX is this fixture's prefix.
    TestPlatform& platform() { return m_platform; }

private:
    TempDir m_dir;
    TestPlatform m_platform;
};

} // namespace vimo::test
