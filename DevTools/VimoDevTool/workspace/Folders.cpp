// The folders of a Vimo's source files and icons, and opening folders on the desktop.

#include "platform/Paths.h"
#include "platform/Platform.h"
#include "workspace/VimoWorkspace.h"

namespace vimo {

namespace {

// Each level is tried from the result of the one before, so a missing level is skipped and the
// deepest existing one wins. The identifier's folder is matched as the file system matches
// names (exactly, on Linux).
std::u16string walkDown(const VimoInfo& info, const std::u16string& kind)
{
    std::u16string folder = info.folder;
    for (const std::u16string& level : {std::u16string(u"ver1"), kind, info.id}) {
        const std::u16string candidate = VimoWorkspace::withTrailingBackslash(folder) + level;
        if (pathExists(candidate)) {
            folder = candidate;
        }
    }
    return folder;
}

constexpr int kShellSuccessAbove = 32;

HRESULT openFolder(const Platform& platform, const std::u16string& folder)
{
    if (folder.empty()) {
        return S_OK;
    }
    if (!isExistingDirectory(folder)) {
        return E_INVALIDARG;
    }
    return platform.shellOpen(folder) > kShellSuccessAbove ? S_OK : E_FAIL;
}

} // namespace

std::u16string VimoWorkspace::sourceFolder(const std::u16string& id) const
{
    VimoInfo info;
    if (getVimo(id, info) != S_OK) {
        return {};
    }
    return walkDown(info, u"content");
}

std::u16string VimoWorkspace::iconsFolder(const std::u16string& id) const
{
    VimoInfo info;
    if (getVimo(id, info) != S_OK) {
        return {};
    }
    return walkDown(info, u"theme");
}

HRESULT VimoWorkspace::openSourceFolder(const std::u16string& id)
{
    return openFolder(m_platform, sourceFolder(id));
}

HRESULT VimoWorkspace::openIconsFolder(const std::u16string& id)
{
    return openFolder(m_platform, iconsFolder(id));
}

HRESULT VimoWorkspace::openServicesFolder()
{
    // Without an installation the services folder would be a path relative to wherever the
    // tool happens to run: no folder to open.
    if (m_installFolder.empty()) {
        return E_INVALIDARG;
    }
    return openFolder(m_platform, servicesFolder());
}

} // namespace vimo
