#include "support/Fixtures.h"

#include "platform/Paths.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace vimo::test {

TempDir::TempDir()
{
    // A random name that nobody else holds: create_directory answers false for an existing one.
    static std::mt19937_64 random{std::random_device{}()};
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / ("vimo-test-" + std::to_string(random()));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Tests make folders read-only; give the rights back so that everything can be removed.
    for (auto it = fs::recursive_directory_iterator(m_path, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink()) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
    fs::remove_all(m_path, ec);
}

void writeFile(const fs::path& path, std::string_view content)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    std::mt19937_64 random(seed);
    for (std::size_t i = 0; i < size; i += 8) {
        const std::uint64_t value = random();
        std::memcpy(bytes.data() + i, &value, std::min<std::size_t>(8, size - i));
    }
    return bytes;
}

std::u16string u16(const fs::path& path)
{
    return fromFsPath(path);
}

std::u16string nativePath(std::u16string path)
{
    std::replace(path.begin(), path.end(), u'/', kPathSeparator);
    return path;
}

bool makeSymlink(const fs::path& target, const fs::path& link)
{
    std::error_code ec;
    fs::create_symlink(target, link, ec);
    return !ec;
}

TestPlatform::TestPlatform()
{
#if !defined(_WIN32)
    setProcessTableRoot({}); // no process of the machine counts
#endif
}

std::optional<std::string> TestPlatform::environment(const std::string& name) const
{
    if (auto it = env.find(name); it != env.end()) {
        return it->second;
    }
    return NativePlatform::environment(name);
}

std::int64_t TestPlatform::currentTime() const
{
    return clock ? *clock : NativePlatform::currentTime();
}

FileSystem& TestPlatform::fileSystem() const
{
    return files ? *files : NativePlatform::fileSystem();
}

RegistryValue registryString(std::u16string_view text, std::uint32_t type)
{
    RegistryValue value;
    value.type = type;
    for (const char16_t unit : std::u16string(text) + u'\0') {
        value.data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        value.data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return value;
}

InstallationFixture::InstallationFixture()
{
    fs::create_directories(prefix() / "drive_c" / "Program Files" / "Orvo" / "services");
    fs::create_directories(prefix() / "drive_c" / "Program Files" / "Orvo" / "packages");
    registerInstallation();
}

fs::path InstallationFixture::installFolder() const
{
    return prefix() / "drive_c" / "Program Files" / "Orvo";
}

std::u16string InstallationFixture::installFolderU16() const
{
    return u16(installFolder()) + kPathSeparator;
}

fs::path InstallationFixture::serviceFolder(const std::string& id) const
{
    return installFolder() / "services" / ("orvo" + id + "Vimoz");
}

fs::path InstallationFixture::packageFolder(const std::string& id) const
{
    return installFolder() / "packages" / id;
}

VimoSpec vimoSpec(const std::string& id, const std::string& devStatus, bool withPackage)
{
    VimoSpec result;
    result.id = id;
    result.devStatus = devStatus;
    result.withPackage = withPackage;
    return result;
}

fs::path InstallationFixture::addVimoTo(const fs::path& installFolder, const VimoSpec& spec)
{
    const fs::path folder = installFolder / "services" / ("orvo" + spec.id + "Vimoz");
    writeFile(folder / "ver1" / "VimozList.xml", catalogueXml(spec));
    writeFile(folder / "ver1" / "content" / spec.id / "index.html",
              "<html><body>" + spec.name + "</body></html>\n");
    writeFile(folder / "ver1" / "theme" / spec.id / "icon.png",
              std::string("\x89PNG\r\n\x1a\n", 8));
    if (spec.withPackage) {
        writeFile(installFolder / "packages" / spec.id / "Vimoz" / "VimoConfig.xml",
                  vimoConfigXml());
    }
    return folder;
}

void InstallationFixture::writeSystemReg(std::string_view text)
{
    writeFile(prefix() / "system.reg", text);
}

std::string InstallationFixture::catalogueXml(const VimoSpec& spec)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vimozList>\n  <vimoz>\n";
    xml += "    <vimo id=\"" + spec.id + "\" name=\"" + spec.name + "\" desc=\"" + spec.desc +
           "\" width=\"" + spec.width + "\" height=\"" + spec.height + "\" url=\"" + spec.url +
           "\" requiresInvitation=\"false\" type=\"" + spec.type + "\" devStatus=\"" +
           spec.devStatus + "\" userCreated=\"" + spec.userCreated + "\"";
    if (!spec.extraAttributes.empty()) {
        xml += " " + spec.extraAttributes;
    }
    xml += "/>\n  </vimoz>\n</vimozList>\n";
    return xml;
}

std::string InstallationFixture::systemRegWith(std::string_view valueLines)
{
    return kRegHeader64 + "[Software\\\\Wow6432Node\\\\" + kRegUninstallKey +
           "] 1700000000\n#time=1d9a0b0c0d0e0f0\n\"DisplayName\"=\"Orvo\"\n" +
           std::string(valueLines) + "\n";
}

std::string InstallationFixture::systemRegFor(std::string_view windowsPath)
{
    return systemRegWith("\"InstallLocation\"=\"" + std::string(windowsPath) + "\"\n");
}

std::string InstallationFixture::vimoConfigXml()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r>\n  <is>\n"
           "    <i Key=\"Title\" Value=\"Demo\"/>\n"
           "    <i Key=\"EnableReload\" Value=\"1\"/>\n"
           "  </is>\n</r>\n";
}

} // namespace vimo::test
