// Finding the client's installation and the folder layout below it.

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "workspace/VimoWorkspace.h"

namespace vimo {

namespace {

const std::u16string kUninstallKey = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{"
                                     u"3F9A1C27-58D4-4B0E-9C61-2D7E84A5B0F3}";

// The string of a REG_SZ or REG_EXPAND_SZ value, checked the way the client's installer data
// must be: an even byte count ending in a zero unit. Expandable strings are never expanded.
// Empty, with `why` saying what is wrong, when the value cannot be taken.
std::u16string registryString(const RegistryValue& value, std::string& why)
{
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) {
        why = "InstallLocation is not a string (registry type " + std::to_string(value.type) + ")";
        return {};
    }
    if (value.data.size() % 2 != 0 || value.data.size() < 2) {
        why = "InstallLocation has an odd or empty length";
        return {};
    }
    std::u16string text(value.data.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(value.data[2 * i] | (value.data[2 * i + 1] << 8));
    }
    if (text.back() != u'\0') {
        why = "InstallLocation does not end with a terminating zero";
        return {};
    }
    text.resize(text.find(u'\0'));
    if (text.empty()) {
        why = "InstallLocation is empty";
    }
    return text;
}

// Whether a Windows path goes above its drive's root (or its starting folder) with "..".
bool climbsAboveRoot(std::u16string_view path)
{
    if (path.size() >= 2 && path[1] == u':') {
        path.remove_prefix(2);
    }
    int depth = 0;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of(u"\\/", start);
        if (end == std::u16string_view::npos) {
            end = path.size();
        }
        const std::u16string_view component = path.substr(start, end - start);
        if (component == u"..") {
            if (--depth < 0) {
                return true;
            }
        } else if (!component.empty() && component != u".") {
            ++depth;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

VimoWorkspace::VimoWorkspace(Platform& platform) : m_platform(platform) {}

VimoWorkspace::VimoWorkspace() : VimoWorkspace(Platform::system()) {}

FileSystem& VimoWorkspace::files() const
{
    return m_platform.fileSystem();
}

HRESULT VimoWorkspace::fail(HRESULT code, std::u16string_view subject, std::string reason) const
{
    m_lastError = Failure{code, std::u16string(subject), std::move(reason)};
    return code;
}

HRESULT VimoWorkspace::fail(const Failure& failure) const
{
    m_lastError = failure;
    return failure.code;
}

HRESULT VimoWorkspace::locateInstallation()
{
    clearError();
    m_installFolder.clear();
    m_installLocation.clear();
    if (Failure problem = m_platform.registryProblem(); !problem.empty()) {
        return fail(problem);
    }
    // The cause names the place that was searched, so that a person can tell a client installed
    // elsewhere from one not installed at all.
    std::string why;
    std::u16string windowsPath;
    if (auto value = m_platform.readLocalMachineValue(kUninstallKey, u"InstallLocation", why)) {
        windowsPath = registryString(*value, why);
    }
    if (windowsPath.empty()) {
        return fail(E_FAIL, m_platform.registryLocation(), "no Orvo installation found: " + why);
    }
    m_installFolder = withTrailingBackslash(m_platform.nativePathFromWindows(windowsPath));
    m_installLocation = windowsPath;
    return S_OK;
}

HRESULT VimoWorkspace::checkInstallFolder()
{
    clearError();
    const HRESULT notFound = hresultFromWin32(ERROR_PATH_NOT_FOUND);
    if (climbsAboveRoot(m_installLocation)) {
        return fail(notFound, m_installFolder,
                    "the installation folder does not exist: its recorded path \"" +
                        toUtf8(m_installLocation) + "\" climbs out of its drive with \"..\"");
    }
    if (!files().isDirectory(m_installFolder)) {
        return fail(notFound, m_installFolder, "the installation folder does not exist");
    }
    return S_OK;
}

void VimoWorkspace::setInstallFolder(const std::u16string& folder)
{
    m_installFolder = withTrailingBackslash(folder);
    m_installLocation.clear();
}

std::u16string VimoWorkspace::servicesFolder() const
{
    return withTrailingBackslash(files().resolveBelow(m_installFolder, u"services"));
}

std::u16string VimoWorkspace::packagesFolder() const
{
    return withTrailingBackslash(files().resolveBelow(m_installFolder, u"packages"));
}

std::u16string VimoWorkspace::withTrailingBackslash(const std::u16string& path)
{
    if (path.empty() || path.back() == kPathSeparator) {
        return path;
    }
    return path + kPathSeparator;
}

} // namespace vimo
