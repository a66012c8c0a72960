// Starting the client and handing it reload commands through the desktop.

#include "platform/Platform.h"
#include "platform/Text.h"
#include "workspace/VimoWorkspace.h"

namespace vimo {

namespace {

const std::u16string kClientProgram = u"orvo.exe";
const std::u16string kClientWindowTitle = u"ORVO";
const std::u16string kSecondInstanceArgument = u"MultiInstance";
const std::u16string kReloadVimoListCommand = u"orvo:reloadVimoList";
const std::u16string kRefreshPackagesCommand = u"orvo:refresh_packages";

// The shell's numbers above 32 mean it accepted the request.
constexpr int kShellSuccessAbove = 32;

} // namespace

bool VimoWorkspace::IsClientRunning()
{
    return m_platform.isProgramRunning(kClientProgram);
}

bool VimoWorkspace::HasSecondClientWindow()
{
    m_clientWindowCount = 0;
    m_platform.enumerateWindowTitles([this](const std::u16string& title) {
        if (equalsIgnoreAsciiCase(title, kClientWindowTitle)) {
            ++m_clientWindowCount;
        }
        return m_clientWindowCount < 2;
    });
    return m_clientWindowCount >= 2;
}

namespace {

HRESULT launch(const Platform& platform, const std::u16string& installFolder,
               const std::vector<std::u16string>& arguments)
{
    if (installFolder.empty()) {
        return S_FALSE;
    }
    const std::u16string program =
        VimoWorkspace::withTrailingBackslash(installFolder) + kClientProgram;
    return platform.startProgram(program, arguments, installFolder) ? S_OK : E_FAIL;
}

HRESULT notify(VimoWorkspace& workspace, const std::u16string& command)
{
    if (!workspace.IsClientRunning()) {
        return S_OK;
    }
    return workspace.platform().shellOpenClientCommand(command) > kShellSuccessAbove ? S_OK
                                                                                     : E_FAIL;
}

} // namespace

HRESULT VimoWorkspace::LaunchClient()
{
    return launch(m_platform, m_installFolder, {});
}

HRESULT VimoWorkspace::LaunchSecondClient()
{
    return launch(m_platform, m_installFolder, {kSecondInstanceArgument});
}

HRESULT VimoWorkspace::NotifyReloadVimoList()
{
    return notify(*this, kReloadVimoListCommand);
}

HRESULT VimoWorkspace::NotifyRefreshPackages()
{
    return notify(*this, kRefreshPackagesCommand);
}

} // namespace vimo
