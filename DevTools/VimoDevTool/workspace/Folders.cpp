// The folders of a Vimo's source files and icons, and opening folders on the desktop.

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "workspace/VimoWorkspace.h"

namespace vimo {

namespace {

// Each level is tried from the result of the one before, so a missing level is skipped and the
// deepest existing one wins. Names are found in any letter case, as Windows finds them.
std::u16string walkDown(FileSystem& files, const VimoInfo& info, const std::u16string& kind)
{
    std::u16string folder = info.folder;
    for (const std::u16string& level : {std::u16string(u"ver1"), kind, info.id}) {
        const std::u16string candidate = files.resolveBelow(folder, level);
        if (files.exists(candidate)) {
            folder = candidate;
        }
    }
    return folder;
}

constexpr int kShellSuccessAbove = 32;

// On failure `cause` says why the folder was not opened.
HRESULT openFolder(const Platform& platform, const std::u16string& folder, Failure& cause)
{
    if (folder.empty()) {
        return S_OK;
    }
    if (!platform.fileSystem().isDirectory(folder)) {
        cause = Failure{E_INVALIDARG, folder, "the folder does not exist"};
        return cause.code;
    }
    if (const int answer = platform.shellOpen(folder); answer <= kShellSuccessAbove) {
        cause = Failure{E_FAIL, folder,
                        "the desktop could not open it (answer " + std::to_string(answer) + ")"};
        return cause.code;
    }
    return S_OK;
}

} // namespace

std::u16string VimoWorkspace::sourceFolder(const std::u16string& id) const
{
    VimoInfo info;
    if (getVimo(id, info) != S_OK) {
        return {};
    }
    return walkDown(files(), info, u"content");
}

std::u16string VimoWorkspace::iconsFolder(const std::u16string& id) const
{
    VimoInfo info;
    if (getVimo(id, info) != S_OK) {
        return {};
    }
    return walkDown(files(), info, u"theme");
}

HRESULT VimoWorkspace::openSourceFolder(const std::u16string& id)
{
    clearError();
    Failure cause;
    return failed(openFolder(m_platform, sourceFolder(id), cause)) ? fail(cause) : S_OK;
}

HRESULT VimoWorkspace::openIconsFolder(const std::u16string& id)
{
    clearError();
    Failure cause;
    return failed(openFolder(m_platform, iconsFolder(id), cause)) ? fail(cause) : S_OK;
}

HRESULT VimoWorkspace::openServicesFolder()
{
    // Without an installation the services folder would be a path relative to wherever the
    // tool happens to run: no folder to open.
    clearError();
    if (m_installFolder.empty()) {
        return fail(E_INVALIDARG, u"", "no client installation is known");
    }
    Failure cause;
    return failed(openFolder(m_platform, servicesFolder(), cause)) ? fail(cause) : S_OK;
}

} // namespace vimo
